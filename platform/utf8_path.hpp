#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kelvrin::platform {

// Paths travel through the program as UTF-8 strings. A std::filesystem::path
// made from a char string would read it in the system's narrow encoding,
// which on Windows is the ANSI code page, so the two meet only here.
inline std::filesystem::path path_of(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// What separates the folders of a search path (PATH, PROJ's own).
#ifdef _WIN32
inline constexpr char path_list_separator = ';';
#else
inline constexpr char path_list_separator = ':';
#endif

inline std::string utf8_of(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace kelvrin::platform
