#include "core/batch_references.hpp"

#include <algorithm>
#include <system_error>

#include "platform/utf8_path.hpp"

namespace kelvrin::core {
namespace {

namespace fs = std::filesystem;

fs::path absolute_path(const fs::path& path) {
  std::error_code error;
  fs::path whole = fs::absolute(path, error);
  return (error ? path : whole).lexically_normal();
}

// Two names of one file compare equal: links followed where the file is
// there, and on Windows, whose file names ignore case, in one case.
std::string comparable(const fs::path& path) {
  std::error_code error;
  const fs::path real = fs::weakly_canonical(path, error);
  const std::u8string generic = (error ? absolute_path(path) : real).generic_u8string();
  std::string text(generic.begin(), generic.end());
#ifdef _WIN32
  // ASCII and the Latin-1 letters (C3 80 to C3 9E but the sign of times):
  // the case a Portuguese name can differ in.
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 'A' && c <= 'Z') text[i] = static_cast<char>(c + 0x20);
    if (c == 0xC3 && i + 1 < text.size()) {
      const auto next = static_cast<unsigned char>(text[i + 1]);
      if (next >= 0x80 && next <= 0x9E && next != 0x97) text[++i] = static_cast<char>(next + 0x20);
    }
  }
#endif
  return text;
}

// A drawing's reference as a path: written on Windows, its folders may be
// separated by backslashes.
fs::path reference_path(std::string_view text) {
#ifdef _WIN32
  return platform::path_of(text);
#else
  std::string slashes(text);
  std::replace(slashes.begin(), slashes.end(), '\\', '/');
  return platform::path_of(slashes);
#endif
}

bool uses_backslashes(std::string_view text) {
  return text.find('\\') != std::string_view::npos && text.find('/') == std::string_view::npos;
}

}  // namespace

BatchReferences::BatchReferences(std::string_view input, std::string_view output,
                                 std::span<const BatchDrawing> batch)
    : input_folder_(absolute_path(platform::path_of(input)).parent_path()),
      output_folder_(absolute_path(platform::path_of(output)).parent_path()) {
  for (const BatchDrawing& drawing : batch) {
    drawings_.emplace_back(comparable(absolute_path(platform::path_of(drawing.input))),
                           absolute_path(platform::path_of(drawing.output)));
  }
}

std::string BatchReferences::converted(std::string_view path) const {
  if (path.empty()) return {};
  const fs::path reference = reference_path(path);
  // "\folder\file.dxf" has no drive but is no less fixed than one with it.
  const bool fixed = reference.is_absolute() || reference.has_root_directory();
  const std::string named = comparable(input_folder_ / reference);
  const auto drawing = std::find_if(drawings_.begin(), drawings_.end(),
                                    [&](const auto& entry) { return entry.first == named; });
  if (drawing == drawings_.end()) return {};
  fs::path moved = drawing->second;
  if (!fixed) {
    const fs::path relative = moved.lexically_relative(output_folder_);
    if (!relative.empty()) moved = relative;  // empty: on another drive
  }
  const std::u8string generic = moved.generic_u8string();
  std::string text(generic.begin(), generic.end());
  if (!fixed && !moved.is_absolute() && !text.starts_with("../") &&
      (path.starts_with("./") || path.starts_with(".\\"))) {
    text = "./" + text;
  }
  if (uses_backslashes(path)) std::replace(text.begin(), text.end(), '/', '\\');
  return text;
}

}  // namespace kelvrin::core
