#pragma once

#include <QRect>

#include "ui/form_layout.hpp"

class QWidget;

namespace kelvrin::ui {

// The design's twips in pixels of `widget`'s screen, scaled with its logical
// resolution.
int twips_to_pixels(int twips, const QWidget* widget);
QRect twips_rect(int left, int top, int width, int height, const QWidget* widget);
QRect twips_rect(const TwipsRect& rect, const QWidget* widget);

}  // namespace kelvrin::ui
