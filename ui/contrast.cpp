#include "ui/contrast.hpp"

#include <algorithm>
#include <cmath>

namespace kelvrin::ui {
namespace {

// Relative luminance of an sRGB colour (WCAG 2.1, "relative luminance").
double luminance(const QColor& colour) {
  const auto linear = [](double channel) {
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
         0.0722 * linear(colour.blueF());
}

// The light grey of the classic 3-D controls, which the design's dark blue
// was chosen for.
const QColor light_3d_face(240, 240, 240);

}  // namespace

double contrast_ratio(const QColor& a, const QColor& b) {
  const double la = luminance(a);
  const double lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readable_background(const QColor& text, const QColor& preferred) {
  return contrast_ratio(text, preferred) >= least_text_contrast ? preferred : light_3d_face;
}

}  // namespace kelvrin::ui
