#include "dxf/portable_math.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

#include "tests/test_support.hpp"

namespace kelvrin::dxf {
namespace {

std::int64_t ulps_apart(double a, double b) {
  std::int64_t x = 0;
  std::int64_t y = 0;
  std::memcpy(&x, &a, sizeof x);
  std::memcpy(&y, &b, sizeof y);
  return x > y ? x - y : y - x;
}

// Against the system's library, on the angles and directions a drawing has:
// a wrong constant or a lost tail shows as many ulps.
TEST(PortableMath, StaysWithinAnUlpOfTheSystemLibrary) {
  // mingw-w64's library is itself thousands of ulps off on some of these
  // (a reason for this code); the bits below check the Windows build.
  if (testing::on_windows) GTEST_SKIP() << "glibc is the reference";
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> angle(-10.0, 10.0);
  std::uniform_real_distribution<double> large(-1e5, 1e5);
  std::uniform_real_distribution<double> small(-0.01, 0.01);
  std::int64_t worst = 0;
  for (int i = 0; i < 100000; ++i) {
    const double a = i % 3 == 0 ? large(random) : angle(random);
    const double b = angle(random);
    const double c = small(random);
    worst = std::max({worst, ulps_apart(portable::sin(a), std::sin(a)),
                      ulps_apart(portable::cos(a), std::cos(a)),
                      ulps_apart(portable::atan2(a, b), std::atan2(a, b)),
                      ulps_apart(portable::atan2(c, 1.0 + c), std::atan2(c, 1.0 + c)),
                      ulps_apart(portable::hypot(a, b), std::hypot(a, b))});
  }
  EXPECT_LE(worst, 2);
  EXPECT_EQ(portable::atan2(0.0, -1.0), std::atan2(0.0, -1.0));
  EXPECT_EQ(portable::atan2(-0.0, -1.0), std::atan2(-0.0, -1.0));
  EXPECT_EQ(portable::atan2(2.0, 0.0), std::atan2(2.0, 0.0));
  EXPECT_TRUE(std::isnan(portable::sin(INFINITY)));
}

// The bits themselves, as the Linux build computes them: the Windows build
// runs this test too, and must find the same.
TEST(PortableMath, GivesTheSameBitsOnEverySystem) {
  struct Angle {
    double radians, sin, cos;
  };
  for (const Angle& a : {
           Angle{0x1p-1, 0x1.eaee8744b05fp-2, 0x1.c1528065b7d5p-1},
           Angle{-0x1p+1, -0x1.d18f6ead1b446p-1, -0x1.aa22657537205p-2},
           Angle{0x1.0624dd2f1a9fcp-10, 0x1.0624da5218a62p-10, 0x1.ffffef390876cp-1},
           Angle{0x1.dp+2, 0x1.a56adb62a27b8p-1, 0x1.22c6f50dc3fbfp-1},
           Angle{0x1.e240c9fbe76c9p+16, -0x1.ff50e60ab53f9p-1, 0x1.a74d27c41b22ap-5},
           Angle{0x1.312dp+23, 0x1.aea414a28fc0ap-2, -0x1.d085be7bf7ca3p-1},
       }) {
    EXPECT_EQ(portable::sin(a.radians), a.sin) << a.radians;
    EXPECT_EQ(portable::cos(a.radians), a.cos) << a.radians;
  }
  struct Direction {
    double y, x, angle;
  };
  for (const Direction& d : {
           Direction{0x1.4f8b588e368f1p-17, 0x1.fffeb074a771dp-1, 0x1.4f8c347595717p-17},
           Direction{-0x1.8p+1, -0x1p+2, -0x1.3fc176b7a856p+1},
           Direction{0x1.6666666666666p-1, -0x1.999999999999ap-3, 0x1.d95e5ac22d08dp+0},
       }) {
    EXPECT_EQ(portable::atan2(d.y, d.x), d.angle) << d.y << " " << d.x;
  }
}

}  // namespace
}  // namespace kelvrin::dxf
