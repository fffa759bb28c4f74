#pragma once

#include "transform/point_operation.hpp"

namespace kelvrin::dxf {

struct Vector3 {
  double x = 0.0;
  double y = 0.0;
  double z = 1.0;
};

// An entity's object coordinate system (OCS), from its extrusion direction
// by the DXF reference's arbitrary-axis algorithm. A planar entity keeps its
// points in this system; with the usual extrusion (0, 0, 1) it is the world
// system itself, and with (0, 0, -1), a mirrored entity, x runs the other way.
class Ocs {
 public:
  enum class Kind {
    world,     // extrusion (0, 0, 1)
    mirrored,  // extrusion (0, 0, -1): world x = -x
    tilted,    // any other plane that a plan position can be put back on
    on_edge,   // a vertical plane: a plan position does not fix a point of it
  };

  explicit Ocs(Vector3 extrusion = {});

  Kind kind() const noexcept { return kind_; }

  // The world plan position of an OCS point at height (elevation) z.
  transform::PlanarPoint to_world(transform::PlanarPoint ocs, double z) const noexcept {
    switch (kind_) {
      case Kind::world: return ocs;
      case Kind::mirrored: return {-ocs.x, ocs.y};
      default: return tilted_to_world(ocs, z);
    }
  }

  // The OCS x, y of the point of the plane at OCS height z whose world plan
  // position is `world`: the point keeps its plane, its plan position is
  // the one asked for. Not for a plane on edge.
  transform::PlanarPoint from_world(transform::PlanarPoint world, double z) const noexcept {
    switch (kind_) {
      case Kind::world: return world;
      case Kind::mirrored: return {-world.x, world.y};
      default: return tilted_from_world(world, z);
    }
  }

  // The change of OCS z that keeps a point's world height while its plan
  // position moves by `shift`: zero but on a tilted plane.
  double height_shift(transform::PlanarPoint shift) const noexcept {
    return shift.x * az_.x + shift.y * az_.y;
  }

 private:
  transform::PlanarPoint tilted_to_world(transform::PlanarPoint ocs, double z) const noexcept;
  transform::PlanarPoint tilted_from_world(transform::PlanarPoint world, double z) const noexcept;

  Kind kind_ = Kind::world;
  Vector3 ax_{1, 0, 0};
  Vector3 ay_{0, 1, 0};
  Vector3 az_{0, 0, 1};
};

}  // namespace kelvrin::dxf
