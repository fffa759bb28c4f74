#pragma once

namespace kelvrin::ui {

// An sRGB colour, each channel 0 to 255.
struct Rgb {
  int red;
  int green;
  int blue;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// The contrast ratio of two colours as WCAG 2 defines it: from 1 (the same)
// to 21 (black on white); 4.5 is the least for normal text.
double contrast_ratio(Rgb a, Rgb b);

inline constexpr double least_text_contrast = 4.5;

// `preferred` when `text` reads on it, else a light grey it reads on: the
// window's fixed dark-blue texts stay readable under a dark theme.
Rgb readable_background(Rgb text, Rgb preferred);

}  // namespace kelvrin::ui
