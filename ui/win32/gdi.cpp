#include "ui/win32/gdi.hpp"

#include <cmath>
#include <string>

#include "platform/windows/wide_text.hpp"

namespace kelvrin::ui::win32 {
namespace {

// MS Sans Serif is a bitmap font, drawn in a few sizes only and blurred or
// jagged at any other scale; Microsoft Sans Serif is its TrueType form, of
// the same design and metrics, sharp at every resolution.
std::wstring face_of(std::string_view family) {
  if (family == font_family::ms_sans_serif) {
    return platform::windows::wide_of(font_family::microsoft_sans_serif);
  }
  return platform::windows::wide_of(family);
}

bool same_design(const Font& a, const Font& b) {
  return a.family == b.family && a.points == b.points && a.bold == b.bold;
}

}  // namespace

HFONT FontSet::font(const Font& design, UINT dots_per_inch) {
  for (const Made& made : fonts_) {
    if (same_design(made.design, design) && made.dots_per_inch == dots_per_inch) {
      return made.handle.get();
    }
  }
  LOGFONTW wanted{};
  // Negative: the height of the characters themselves, as points measure.
  wanted.lfHeight = -static_cast<LONG>(std::lround(design.points * dots_per_inch / 72.0));
  wanted.lfWeight = design.bold ? FW_BOLD : FW_NORMAL;
  wanted.lfCharSet = DEFAULT_CHARSET;
  wanted.lfOutPrecision = OUT_TT_PRECIS;
  wanted.lfQuality = CLEARTYPE_QUALITY;
  const std::wstring face = face_of(design.family);
  face.copy(wanted.lfFaceName, LF_FACESIZE - 1);
  fonts_.push_back({design, dots_per_inch, FontHandle(CreateFontIndirectW(&wanted))});
  return fonts_.back().handle.get();
}

void FontSet::keep_only(UINT dots_per_inch) {
  std::erase_if(fonts_, [&](const Made& made) { return made.dots_per_inch != dots_per_inch; });
}

HBRUSH SolidBrush::of(COLORREF colour) {
  if (!brush_ || colour != colour_) {
    brush_.reset(CreateSolidBrush(colour));
    colour_ = colour;
  }
  return brush_.get();
}

}  // namespace kelvrin::ui::win32
