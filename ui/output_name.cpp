#include "ui/output_name.hpp"

#include <cstdint>
#include <filesystem>
#include <utility>

#include "points/point_list_file.hpp"

namespace kelvrin::ui {
namespace {

bool is_separator(char c) {
  return c == '/' || c == static_cast<char>(std::filesystem::path::preferred_separator);
}

// The bytes of the UTF-8 sequence that `lead` starts; 0 when it starts none.
std::size_t sequence_length(std::uint8_t lead) {
  if (lead < 0x80) return 1;
  if (lead < 0xC2) return 0;  // a continuation byte, or the start of an overlong form
  if (lead < 0xE0) return 2;
  if (lead < 0xF0) return 3;
  if (lead < 0xF5) return 4;
  return 0;
}

// The code point that starts at `at` and its length in bytes; a byte that
// does not start a well-formed sequence stands for itself.
std::pair<char32_t, std::size_t> code_point_at(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(at);
  const std::size_t length = sequence_length(lead);
  if (length == 0 || at + length > text.size()) return {lead, 1};
  char32_t point = length == 1 ? lead : lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return {lead, 1};
    point = (point << 6) | (byte(at + i) & 0x3F);
  }
  return {point, length};
}

// Letters, digits and "_", as Unicode's word characters; outside ASCII the
// systems' names hold only accented letters, so only the common blocks of
// punctuation and symbols are told apart from letters.
bool is_word_character(char32_t c) {
  if (c < 0x80) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
  }
  if (c <= 0xBF) {
    // Latin-1 punctuation and symbols, but for ª, µ, º and the fractions and
    // superscript digits.
    return c == 0xAA || c == 0xB2 || c == 0xB3 || c == 0xB5 || c == 0xB9 || c == 0xBA ||
           (c >= 0xBC && c <= 0xBE);
  }
  if (c == 0xD7 || c == 0xF7) return false;  // × and ÷
  if (c >= 0x2000 && c <= 0x206F) return false;
  return !(c >= 0x3000 && c <= 0x303F);
}

// The target's words joined by "_": "S. Bráz" gives "S_Bráz".
std::string words_of(std::string_view target) {
  std::string label;
  bool in_word = false;
  for (std::size_t at = 0; at < target.size();) {
    const auto [point, length] = code_point_at(target, at);
    if (is_word_character(point)) {
      if (!in_word && !label.empty()) label += '_';
      label.append(target.substr(at, length));
      in_word = true;
    } else {
      in_word = false;
    }
    at += length;
  }
  return label;
}

}  // namespace

std::string suggested_output(std::string_view input, std::string_view target) {
  std::size_t name_start = input.size();
  while (name_start > 0 && !is_separator(input[name_start - 1])) --name_start;
  const std::string_view file_name = input.substr(name_start);
  const std::string_view stem = file_name.substr(0, file_name.rfind('.'));
  const std::string label = words_of(target);
  // A point list stays one, with its own extension.
  const std::string_view extension =
      points::has_point_list_extension(file_name) && stem.size() < file_name.size()
          ? file_name.substr(stem.size())
          : ".dxf";
  const std::string name = std::string(stem.empty() ? "desenho" : stem) + "_" +
                           (label.empty() ? "convertido" : label) + std::string(extension);
  if (input.empty()) return name;
  // A name with no folder is one in the current folder, which the dialog
  // shows as such.
  return (name_start == 0 ? std::string("./") : std::string(input.substr(0, name_start))) + name;
}

}  // namespace kelvrin::ui
