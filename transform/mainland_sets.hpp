#pragma once

#include "transform/coefficient_set.hpp"

namespace kelvrin::transform {

// Official second-degree polynomials between ETRS89 / PT-TM06 and
// Datum 73 / Hayford-Gauss, as published by the national mapping agency.
// u = X / 200000 and v = Y / 300000; a1 and b2 are close to Sx and Sy, so
// each is a near-identity that moves points by a few metres.

// ETRS89 TM06 -> Hayford-Gauss Datum 73
inline constexpr CoefficientSet transf_01_set{
    .xc = 0.0,
    .yc = 0.0,
    .sx = 200000.0,
    .sy = 300000.0,
    .a = {-0.289668974294758, 200001.27734443, 5.64530095899816, -0.763567042558132,
          1.4478460420534, 1.40377501273145},
    .b = {0.088665491830128, -3.68625888548256, 300002.234428869, -0.358351440787635,
          -1.8313445194994, 1.21835116863588},
    .ox = 0.0,
    .oy = 0.0,
};

// Hayford-Gauss Datum 73 -> ETRS89 TM06
inline constexpr CoefficientSet transf_10_set{
    .xc = 0.0,
    .yc = 0.0,
    .sx = 200000.0,
    .sy = 300000.0,
    .a = {0.289669620741944, 199998.722589488, -5.64521399680414, 0.763532220799852,
          -1.44793733896829, -1.40368579163586},
    .b = {-0.0886590501150693, 3.68619968513202, 299997.765485842, 0.358370787094269,
          1.83123570379394, -1.218400737125},
    .ox = 0.0,
    .oy = 0.0,
};

}  // namespace kelvrin::transform
