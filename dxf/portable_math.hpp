#pragma once

namespace kelvrin::dxf::portable {

// The trigonometry of the DXF-aware pass, giving the same bits on every
// system. The C libraries' sin, cos, atan2 and hypot differ in their last
// bit between glibc and Windows' (mingw-w64's), and a rotation written in
// its shortest form shows that bit: the same drawing converted on Linux and
// on Windows would differ. These use IEEE arithmetic only (+ - * / sqrt,
// each exactly rounded), so every compiler and system computes them alike;
// they stay within an ulp or two of the true value.
double sin(double radians);
double cos(double radians);
double atan2(double y, double x);
double hypot(double x, double y);

}  // namespace kelvrin::dxf::portable
