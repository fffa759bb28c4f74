#pragma once

#include <optional>

#include "dxf/local_similarity.hpp"
#include "dxf/ocs.hpp"
#include "transform/point_operation.hpp"

namespace kelvrin::dxf {

// An arc as an entity's tags give it, in the entity's plane: angles in
// degrees, counter-clockwise from the plane's x axis.
struct PlaneArc {
  transform::PlanarPoint centre;
  double radius = 0.0;
  double start = 0.0;
  double end = 0.0;
  // A clockwise HATCH edge, whose tags keep 360 - angle, its ends swapped.
  bool clockwise = false;
  Ocs plane;
  double z = 0.0;              // the centre's OCS height
  double height_change = 0.0;  // the plane's, on a tilted plane
};

// What the arc's tags become, in the same form.
struct FittedArc {
  transform::PlanarPoint centre;
  double radius = 0.0;
  double start = 0.0;
  double end = 0.0;
  // How far T of the points along the arc lie from the new circle, in
  // metres: where T bends the arc more than a circle can, the largest miss.
  double miss = 0.0;
};

// The circle through T of the arc's start, middle and end, so that its ends
// meet the lines T puts beside them. Near the entity's own point T turns and
// scales the plane (`similarity`), but over a long arc the grid routes bend
// it by up to centimetres, which a radius and angles turned at the centre
// would leave between an arc and its tangents. None where the similarity
// serves: the arc too flat to tell (its middle less than a millimetre off
// its chord), T a similarity over it, T not covering it, or a tilted plane.
// `to_metres` carries a vector of the arc's plane into the world's metres
// (a block's placement, when its content is converted through an insert).
std::optional<FittedArc> fit_arc(const PlaneArc& arc, const transform::PointOperation& operation,
                                 const LocalSimilarity& similarity,
                                 const transform::Jacobian& to_metres = {});

// A polyline's segment from one vertex to the next, in the polyline's
// plane: an arc when its bulge (the tangent of a quarter of its angle,
// positive counter-clockwise) is not zero.
struct PlaneBulge {
  transform::PlanarPoint from;
  transform::PlanarPoint to;
  double bulge = 0.0;
  Ocs plane;
  double z = 0.0;
  double height_change = 0.0;
};

struct FittedBulge {
  double bulge = 0.0;
  double miss = 0.0;  // metres, as FittedArc's
};

// A bulge is kept by a similarity, and T, which puts the ends where it puts
// the lines beside them, bends the arc between: the bulge of the arc
// through T of its ends and middle. None where the bulge serves as it is,
// by the same rules as fit_arc.
std::optional<FittedBulge> fit_bulge(const PlaneBulge& segment,
                                     const transform::PointOperation& operation,
                                     const transform::Jacobian& to_metres = {});

}  // namespace kelvrin::dxf
