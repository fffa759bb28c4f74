#pragma once

#include "dxf/drawing_survey.hpp"
#include "transform/point_operation.hpp"

namespace kelvrin::dxf {

// The transformation as a block's own content sees it when the model shows
// the block once: a point p of the definition is placed by the insert, or
// the chain of inserts, that shows it (A), moved by T, and taken back
// through the same placement: A^-1(T(A(p))). The inserts keep their
// placements and the content lands where T puts it, however far it lies
// from the insertion point.
class PlacedOperation final : public transform::PointOperation {
 public:
  PlacedOperation(const transform::PointOperation& route, const ComposedPlacement& placement);
  PlacedOperation(const transform::PointOperation& route, const BlockPlacement& placement,
                  PlanarPoint base_point);

  PointResult forward(PlanarPoint source) const override;
  transform::JacobianResult derivative(PlanarPoint at) const override;
  bool finite_results() const override { return route_.finite_results(); }
  bool concurrent() const override { return route_.concurrent(); }

  // Where the insert puts a point of the block, and back.
  PlanarPoint placed(PlanarPoint p) const;
  PlanarPoint unplaced(PlanarPoint world) const;
  // How a vector of the block lands in the world.
  const transform::Jacobian& placement() const { return placement_.linear; }

 private:
  const transform::PointOperation& route_;
  ComposedPlacement placement_;
  transform::Jacobian inverse_;
};

// How far the content of a block that an insert moves as a whole (its
// insertion point through T, turned and scaled by T's similarity there, as
// the pass rewrites it) lies from where T puts it: the largest miss at the
// corners of the content's box, in metres; zero where T does not cover them.
// `outer` places the block that holds the insert, for one inside a block
// that the model shows once.
double shared_block_miss(const transform::PointOperation& route, const BlockPlacement& placement,
                         const BlockExtent& extent, const ComposedPlacement& outer = {});

}  // namespace kelvrin::dxf
