#pragma once

#include <QColor>

#include "ui/contrast.hpp"

namespace kelvrin::ui {

// The form's colours in Qt's terms and back; alpha is not part of the design.
inline QColor to_qcolor(Rgb colour) { return {colour.red, colour.green, colour.blue}; }
inline Rgb to_rgb(const QColor& colour) { return {colour.red(), colour.green(), colour.blue()}; }

inline double contrast_ratio(const QColor& a, const QColor& b) {
  return contrast_ratio(to_rgb(a), to_rgb(b));
}

inline QColor readable_background(const QColor& text, const QColor& preferred) {
  return to_qcolor(readable_background(to_rgb(text), to_rgb(preferred)));
}

}  // namespace kelvrin::ui
