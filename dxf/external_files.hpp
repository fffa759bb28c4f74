#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dxf/rewrite_dxf.hpp"

namespace kelvrin::dxf {

// A BLOCK whose 70 has this bit takes its content from the drawing its 1
// names (an overlay has 8 as well).
inline constexpr std::int64_t external_reference_block = 4;

// The objects that name a file by their 1: raster images and underlays.
std::optional<ExternalKind> external_definition(std::string_view object_type);

// How a drawing writes its texts: from AutoCAD 2007 ($ACADVER AC1021 on)
// in UTF-8, before that in the code page its $DWGCODEPAGE names; in both, a
// character the encoding lacks as \U+XXXX.
class DrawingText {
 public:
  // A header variable and its value: $ACADVER and $DWGCODEPAGE are taken.
  void note_header(std::string_view variable, std::string_view value);
  // A tag of the HEADER section as it is read: a 9 names the variable whose
  // value comes in the next tag.
  void take_header_tag(int code, std::string_view value);

  // The drawing's bytes as UTF-8, escapes resolved.
  std::string readable(std::string_view bytes) const;
  // UTF-8 as the drawing writes it.
  std::string written(std::string_view utf8) const;

 private:
  enum class Encoding { unsaid, utf8, windows_1252, other_code_page };
  Encoding encoding() const;

  std::optional<bool> unicode_version_;  // $ACADVER: AC1021 or later
  std::optional<bool> windows_1252_;     // $DWGCODEPAGE
  std::string pending_variable_;         // a 9 waiting for its value
};

// The files a drawing refers to, read from its header, its BLOCKS and its
// OBJECTS: for the literal pass, which does not read the drawing's
// structure. A file that cannot be read gives none.
std::vector<PassReport::ExternalFile> list_external_files(const PassFile& file,
                                                          std::size_t buffer_size);

}  // namespace kelvrin::dxf
