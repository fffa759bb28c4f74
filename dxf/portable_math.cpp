// The algorithms and constants are those of fdlibm (k_sin.c, k_cos.c,
// e_rem_pio2.c, s_atan.c, e_atan2.c):
// ====================================================
// Copyright (C) 1993 by Sun Microsystems, Inc. All rights reserved.
//
// Developed at SunSoft, a Sun Microsystems, Inc. business.
// Permission to use, copy, modify, and distribute this
// software is freely granted, provided that this notice
// is preserved.
// ====================================================

#include "dxf/portable_math.hpp"

#include <cmath>

namespace kelvrin::dxf::portable {
namespace {

struct Reduced {
  int quadrant;  // of the angle, modulo 4
  double head;   // the angle less quadrant·π/2, in [-π/4, π/4], as head + tail
  double tail;
};

// π/2 in pieces of 33 bits and their tails (e_rem_pio2.c): n·piece is exact
// for the n of any angle under 2^20·π/2.
constexpr double two_over_pi = 0x1.45f306dc9c883p-1;
constexpr double pio2_1 = 0x1.921fb544p+0;
constexpr double pio2_1t = 0x1.0b4611a626331p-34;
constexpr double pio2_2 = 0x1.0b4611a6p-34;
constexpr double pio2_2t = 0x1.3198a2e037073p-69;
constexpr double pio2_3 = 0x1.3198a2ep-69;
constexpr double pio2_3t = 0x1.b839a252049c1p-104;
constexpr double largest_reduced = 0x1p20 * pio2_1;
constexpr double two_pi = 0x1.921fb54442d18p+2;

Reduced reduce(double x) {
  if (std::fabs(x) <= 0x1.921fb54442d18p-1) return {0, x, 0.0};
  // A DXF angle beyond a million radians has lost its meaning anyway; fmod
  // is exact, so this is the same everywhere too.
  if (std::fabs(x) > largest_reduced) x = std::fmod(x, two_pi);
  const double n = std::round(x * two_over_pi);
  double r = x - n * pio2_1;
  double w = n * pio2_1t;
  double t = r;
  w = n * pio2_2;
  r = t - w;
  w = n * pio2_2t - ((t - r) - w);
  t = r;
  w = n * pio2_3;
  r = t - w;
  w = n * pio2_3t - ((t - r) - w);
  const double head = r - w;
  const double tail = (r - head) - w;
  return {static_cast<int>(static_cast<long long>(n) & 3), head, tail};
}

// sin on [-π/4, π/4] (k_sin.c).
double sin_kernel(double x, double y) {
  constexpr double s1 = -1.66666666666666324348e-01;
  constexpr double s2 = 8.33333333332248946124e-03;
  constexpr double s3 = -1.98412698298579493134e-04;
  constexpr double s4 = 2.75573137070700676789e-06;
  constexpr double s5 = -2.50507602534068634195e-08;
  constexpr double s6 = 1.58969099521155010221e-10;
  const double z = x * x;
  const double v = z * x;
  const double r = s2 + z * (s3 + z * (s4 + z * (s5 + z * s6)));
  return x - ((z * (0.5 * y - v * r) - y) - v * s1);
}

// cos on [-π/4, π/4] (k_cos.c).
double cos_kernel(double x, double y) {
  constexpr double c1 = 4.16666666666666019037e-02;
  constexpr double c2 = -1.38888888888741095749e-03;
  constexpr double c3 = 2.48015872894767294178e-05;
  constexpr double c4 = -2.75573143513906633035e-07;
  constexpr double c5 = 2.08757232129817482790e-09;
  constexpr double c6 = -1.13596475577881948265e-11;
  const double z = x * x;
  const double w = z * z;
  const double r = z * (c1 + z * (c2 + z * c3)) + w * w * (c4 + z * (c5 + z * c6));
  const double half_z = 0.5 * z;
  const double one_less = 1.0 - half_z;
  return one_less + (((1.0 - one_less) - half_z) + (z * r - x * y));
}

// atan of x ≥ 0 (s_atan.c).
double atan_of_positive(double x) {
  constexpr double atan_hi[] = {4.63647609000806093515e-01, 7.85398163397448278999e-01,
                                9.82793723247329054082e-01, 1.57079632679489655800e+00};
  constexpr double atan_lo[] = {2.26987774529616870924e-17, 3.06161699786838301793e-17,
                                1.39033110312309984516e-17, 6.12323399573676603587e-17};
  constexpr double a[] = {
      3.33333333333329318027e-01,  -1.99999999998764832476e-01, 1.42857142725034663711e-01,
      -1.11111104054623557880e-01, 9.09088713343650656196e-02,  -7.69187620504482999495e-02,
      6.66107313738753120669e-02,  -5.83357013379057348645e-02, 4.97687799461593236017e-02,
      -3.65315727442169155270e-02, 1.62858201153657823623e-02};
  if (x >= 0x1p66) return atan_hi[3] + atan_lo[3];
  int id = -1;
  if (x < 0.4375) {
    if (x < 0x1p-27) return x;
  } else if (x < 1.1875) {
    if (x < 0.6875) {
      id = 0;
      x = (2.0 * x - 1.0) / (2.0 + x);
    } else {
      id = 1;
      x = (x - 1.0) / (x + 1.0);
    }
  } else if (x < 2.4375) {
    id = 2;
    x = (x - 1.5) / (1.0 + 1.5 * x);
  } else {
    id = 3;
    x = -1.0 / x;
  }
  const double z = x * x;
  const double w = z * z;
  const double s1 = z * (a[0] + w * (a[2] + w * (a[4] + w * (a[6] + w * (a[8] + w * a[10])))));
  const double s2 = w * (a[1] + w * (a[3] + w * (a[5] + w * (a[7] + w * a[9]))));
  if (id < 0) return x - x * (s1 + s2);
  return atan_hi[id] - ((x * (s1 + s2) - atan_lo[id]) - x);
}

}  // namespace

double sin(double radians) {
  if (!std::isfinite(radians)) return radians - radians;  // NaN
  const Reduced a = reduce(radians);
  switch (a.quadrant) {
    case 0: return sin_kernel(a.head, a.tail);
    case 1: return cos_kernel(a.head, a.tail);
    case 2: return -sin_kernel(a.head, a.tail);
    default: return -cos_kernel(a.head, a.tail);
  }
}

double cos(double radians) {
  if (!std::isfinite(radians)) return radians - radians;
  const Reduced a = reduce(radians);
  switch (a.quadrant) {
    case 0: return cos_kernel(a.head, a.tail);
    case 1: return -sin_kernel(a.head, a.tail);
    case 2: return -cos_kernel(a.head, a.tail);
    default: return sin_kernel(a.head, a.tail);
  }
}

// e_atan2.c, for the finite arguments the pass gives it.
double atan2(double y, double x) {
  constexpr double pi = 3.1415926535897931160e+00;
  constexpr double pi_lo = 1.2246467991473531772e-16;
  constexpr double half_pi = 1.5707963267948965580e+00;
  if (std::isnan(x) || std::isnan(y)) return x + y;
  const int m = (std::signbit(x) ? 2 : 0) | (std::signbit(y) ? 1 : 0);
  if (y == 0.0) {
    switch (m) {
      case 0:
      case 1: return y;
      case 2: return pi;
      default: return -pi;
    }
  }
  if (x == 0.0) return std::signbit(y) ? -half_pi : half_pi;
  if (std::isinf(x) || std::isinf(y)) {
    // Directions from infinite components: enough for a pass that never
    // makes them.
    const double ax = std::isinf(x) ? 1.0 : 0.0;
    const double ay = std::isinf(y) ? 1.0 : 0.0;
    return atan2(std::copysign(ay, y), std::copysign(ax, x));
  }
  const int k = std::ilogb(y) - std::ilogb(x);
  double z;
  if (k > 60) {
    z = half_pi + 0.5 * pi_lo;
  } else if (m >= 2 && k < -60) {
    z = 0.0;
  } else {
    z = atan_of_positive(std::fabs(y / x));
  }
  switch (m) {
    case 0: return z;
    case 1: return -z;
    case 2: return pi - (z - pi_lo);
    default: return (z - pi_lo) - pi;
  }
}

// The pass's lengths are of drawings, far from overflow: the plain formula
// is exact enough and the same everywhere.
double hypot(double x, double y) { return std::sqrt(x * x + y * y); }

}  // namespace kelvrin::dxf::portable
