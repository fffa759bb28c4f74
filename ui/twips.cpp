#include "ui/twips.hpp"

#include <QWidget>

namespace kelvrin::ui {

int twips_to_pixels(int twips, const QWidget* widget) {
  return twips_to_pixels(twips, widget != nullptr ? widget->logicalDpiY() : 96.0);
}

QRect twips_rect(int left, int top, int width, int height, const QWidget* widget) {
  return {twips_to_pixels(left, widget), twips_to_pixels(top, widget),
          twips_to_pixels(width, widget), twips_to_pixels(height, widget)};
}

QRect twips_rect(const TwipsRect& rect, const QWidget* widget) {
  return twips_rect(rect.left, rect.top, rect.width, rect.height, widget);
}

}  // namespace kelvrin::ui
