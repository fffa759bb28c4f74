#include "ui/twips.hpp"

#include <QWidget>
#include <cmath>

namespace kelvrin::ui {

int twips_to_pixels(int twips, const QWidget* widget) {
  const double dpi = widget != nullptr ? widget->logicalDpiY() : 96.0;
  return static_cast<int>(std::lround(twips / 15.0 * dpi / 96.0));
}

QRect twips_rect(int left, int top, int width, int height, const QWidget* widget) {
  return {twips_to_pixels(left, widget), twips_to_pixels(top, widget),
          twips_to_pixels(width, widget), twips_to_pixels(height, widget)};
}

}  // namespace kelvrin::ui
