#pragma once

#include <QRect>

class QWidget;

namespace kelvrin::ui {

// Window geometry is designed in twips, 1/1440 inch: 15 twips to a pixel at
// 96 dots per inch, scaled with the screen's logical resolution.
int twips_to_pixels(int twips, const QWidget* widget);
QRect twips_rect(int left, int top, int width, int height, const QWidget* widget);

}  // namespace kelvrin::ui
