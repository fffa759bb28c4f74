#include "ui/contrast.hpp"

#include <algorithm>
#include <cmath>

namespace kelvrin::ui {
namespace {

// Relative luminance of an sRGB colour (WCAG 2.1, "relative luminance").
double luminance(Rgb colour) {
  const auto linear = [](int channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(colour.red) + 0.7152 * linear(colour.green) + 0.0722 * linear(colour.blue);
}

// The light grey of the classic 3-D controls, which the design's dark blue
// was chosen for.
constexpr Rgb light_3d_face{240, 240, 240};

}  // namespace

double contrast_ratio(Rgb a, Rgb b) {
  const double la = luminance(a);
  const double lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Rgb readable_background(Rgb text, Rgb preferred) {
  return contrast_ratio(text, preferred) >= least_text_contrast ? preferred : light_3d_face;
}

}  // namespace kelvrin::ui
