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
};

// The circle through T of the arc's start, middle and end, so that its ends
// meet the lines T puts beside them. Near the entity's own point T turns and
// scales the plane (`similarity`), but over a long arc the grid routes bend
// it by up to centimetres, which a radius and angles turned at the centre
// would leave between an arc and its tangents. None where the similarity
// serves: the arc too flat to tell (its middle less than a millimetre off
// its chord), T a similarity over it, T not covering it, or a tilted plane.
std::optional<FittedArc> fit_arc(const PlaneArc& arc, const transform::PointOperation& operation,
                                 const LocalSimilarity& similarity);

}  // namespace kelvrin::dxf
