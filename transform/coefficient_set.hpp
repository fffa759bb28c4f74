#pragma once

#include <array>

namespace kelvrin::transform {

// A second-degree polynomial between two plane coordinate systems, all
// values in metres:
//   u = (X - Xc) / Sx,  v = (Y - Yc) / Sy
//   X' = a0 + a1 u + a2 v + a3 u^2 + a4 u v + a5 v^2 + Ox
//   Y' = b0 + b1 u + b2 v + b3 u^2 + b4 u v + b5 v^2 + Oy
// Field order follows the official tables: centre, scales, a, b, offsets.
struct CoefficientSet {
  double xc = 0.0;
  double yc = 0.0;
  double sx = 1.0;
  double sy = 1.0;
  std::array<double, 6> a{};  // constant, u, v, u^2, u v, v^2
  std::array<double, 6> b{};
  double ox = 0.0;
  double oy = 0.0;
};

}  // namespace kelvrin::transform
