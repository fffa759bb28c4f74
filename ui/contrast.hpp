#pragma once

#include <QColor>

namespace kelvrin::ui {

// The contrast ratio of two colours as WCAG 2 defines it: from 1 (the same)
// to 21 (black on white); 4.5 is the least for normal text.
double contrast_ratio(const QColor& a, const QColor& b);

inline constexpr double least_text_contrast = 4.5;

// `preferred` when `text` reads on it, else a light grey it reads on: the
// window's fixed dark-blue texts stay readable under a dark theme.
QColor readable_background(const QColor& text, const QColor& preferred);

}  // namespace kelvrin::ui
