#include "points/point_list_file.hpp"

#include <algorithm>
#include <array>
#include <cctype>

namespace kelvrin::points {
namespace {

// The extensions surveying software gives its point exports.
constexpr std::array<std::string_view, 5> point_list_extensions{".csv", ".txt", ".xyz", ".pnt",
                                                                ".nez"};

// A text drawing's first line is a group code (" 0", "999"); a binary one
// starts with its sentinel.
bool starts_like_drawing(std::string_view bytes) {
  if (bytes.starts_with("AutoCAD Binary DXF")) return true;
  const std::string_view line = bytes.substr(0, bytes.find_first_of("\r\n"));
  const auto first = line.find_first_not_of(' ');
  if (first == std::string_view::npos) return false;
  const std::string_view code = line.substr(first, line.find_last_not_of(' ') + 1 - first);
  return code.size() <= 4 &&
         std::all_of(code.begin(), code.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

bool has_point_list_extension(std::string_view name) {
  return std::any_of(point_list_extensions.begin(), point_list_extensions.end(),
                     [name](std::string_view extension) {
                       return name.size() >= extension.size() &&
                              std::equal(extension.begin(), extension.end(),
                                         name.end() - static_cast<std::ptrdiff_t>(extension.size()),
                                         [](char a, char b) {
                                           return a == std::tolower(static_cast<unsigned char>(b));
                                         });
                     });
}

bool is_point_list(std::string_view name, bool stream, std::string_view first_bytes) {
  return (stream || has_point_list_extension(name)) && !starts_like_drawing(first_bytes);
}

}  // namespace kelvrin::points
