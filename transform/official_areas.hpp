#pragma once

#include "transform/point_operation.hpp"

namespace kelvrin::transform {

// A rectangle of a system's plane coordinates, in metres.
struct PlaneBox {
  double min_x;
  double min_y;
  double max_x;
  double max_y;

  bool contains(PlanarPoint p) const noexcept {
    return p.x >= min_x && p.x <= max_x && p.y >= min_y && p.y <= max_y;
  }
};

// Where each official polynomial was made for: the EPSG area of use of its
// source system (the latitude and longitude box of the EPSG registry, its
// edges taken through the system's projection with PROJ's cs2cs, every 1/200
// of the edge), rounded outward to the kilometre. The boxes hold sea around
// the land and are no test of the shore; what they catch is a drawing that is
// nowhere near the area, such as one drawn in millimetres (a thousand times
// too far from the origin) or in another system.

// Mainland Portugal ("Portugal - mainland - onshore"), 36.95..42.16 N, 9.56..6.19 W,
// in ETRS89 / Portugal TM06 (EPSG:3763): -127097..173082 E, -301733..278542 N.
inline constexpr PlaneBox mainland_tm06{-128000.0, -302000.0, 174000.0, 279000.0};
// The same in Datum 73 / Modified Portuguese Grid (EPSG:27493):
// -127029..173163 E, -301652..278637 N.
inline constexpr PlaneBox mainland_datum73{-128000.0, -302000.0, 174000.0, 279000.0};
// Eastern Azores (São Miguel, Santa Maria, Formigas), 36.87..37.96 N,
// 25.92..24.72 W, in Azores Oriental 1940 / UTM zone 26N (EPSG:2190):
// 594878..703234 E, 4081062..4203899 N.
inline constexpr PlaneBox azores_eastern{594000.0, 4081000.0, 704000.0, 4204000.0};
// Central Azores (Faial, Graciosa, Pico, São Jorge, Terceira), 38.32..39.14 N,
// 28.9..26.97 W, in Azores Central 1948 / UTM zone 26N (EPSG:2189):
// 333898..502623 E, 4241391..4334105 N. One box for the five islands' sets.
inline constexpr PlaneBox azores_central{333000.0, 4241000.0, 503000.0, 4335000.0};
// Western Azores (Flores, Corvo), 39.3..39.77 N, 31.34..31.02 W, in Azores
// Occidental 1939 / UTM zone 25N (EPSG:2188): 642181..670740 E, 4351456..4404180 N.
inline constexpr PlaneBox azores_western{642000.0, 4351000.0, 671000.0, 4405000.0};
// Madeira, Porto Santo and the Desertas, 32.35..33.15 N, 17.31..16.23 W, in
// Madeira 1936 / UTM zone 28N (EPSG:2191): 282606..385285 E, 3579951..3670348 N.
inline constexpr PlaneBox madeira_islands{282000.0, 3579000.0, 386000.0, 3671000.0};

// An operation that marks the points it converts outside `area` (of its
// source system), as a PROJ operation marks those outside its area of use;
// it converts them all the same.
class AreaChecked final : public PointOperation {
 public:
  AreaChecked(const PointOperation& operation, PlaneBox area)
      : operation_(operation), area_(area) {}

  PointResult forward(PlanarPoint source) const override {
    PointResult result = operation_.forward(source);
    if (result.status == PointStatus::ok && !area_.contains(source)) result.outside_area = true;
    return result;
  }
  PointStatus check_x(double x) const override { return operation_.check_x(x); }
  double initial_x() const override { return operation_.initial_x(); }
  JacobianResult derivative(PlanarPoint at) const override { return operation_.derivative(at); }
  bool finite_results() const override { return operation_.finite_results(); }
  bool concurrent() const override { return operation_.concurrent(); }

 private:
  const PointOperation& operation_;
  PlaneBox area_;
};

}  // namespace kelvrin::transform
