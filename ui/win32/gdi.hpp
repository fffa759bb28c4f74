#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>
#include <vector>

#include "ui/contrast.hpp"
#include "ui/form_layout.hpp"

namespace kelvrin::ui::win32 {

struct GdiDeleter {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiDeleter>;
using BrushHandle = std::unique_ptr<std::remove_pointer_t<HBRUSH>, GdiDeleter>;

inline COLORREF colorref_of(Rgb colour) { return RGB(colour.red, colour.green, colour.blue); }
inline Rgb rgb_of(COLORREF colour) {
  return {GetRValue(colour), GetGValue(colour), GetBValue(colour)};
}

// The design's fonts at one resolution, made once each however many
// controls use them.
class FontSet {
 public:
  HFONT font(const Font& design, UINT dots_per_inch);
  // Once the controls have the fonts of another resolution.
  void keep_only(UINT dots_per_inch);
  void clear() { fonts_.clear(); }

 private:
  struct Made {
    Font design;
    UINT dots_per_inch;
    FontHandle handle;
  };
  std::vector<Made> fonts_;
};

// A solid brush of one colour, made again when the colour changes (the
// system's colours may, with the theme).
class SolidBrush {
 public:
  HBRUSH of(COLORREF colour);

 private:
  COLORREF colour_ = 0;
  BrushHandle brush_;
};

// The design's twips in pixels at `dots_per_inch`.
inline int pixels(int twips, UINT dots_per_inch) {
  return twips_to_pixels(twips, static_cast<double>(dots_per_inch));
}

}  // namespace kelvrin::ui::win32
