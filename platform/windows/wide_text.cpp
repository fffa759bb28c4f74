#include "platform/windows/wide_text.hpp"

#include <algorithm>
#include <array>
#include <cwctype>

namespace kelvrin::platform::windows {

std::wstring wide_of(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
  return wide;
}

std::string utf8_of(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

std::wstring wide_path(std::string_view utf8) {
  std::wstring path = wide_of(utf8);
  std::replace(path.begin(), path.end(), L'/', L'\\');
  // MAX_PATH less room for the 8.3 name a folder's creation reserves.
  if (path.size() < MAX_PATH - 12 || path.starts_with(L"\\\\?\\")) return path;
  const DWORD length = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (length == 0) return path;
  std::wstring full(length, L'\0');
  full.resize(GetFullPathNameW(path.c_str(), length, full.data(), nullptr));
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

bool acceptable_name(std::string_view utf8_path) {
  const std::size_t slash = utf8_path.find_last_of("/\\");
  const std::string_view name =
      slash == std::string_view::npos ? utf8_path : utf8_path.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") return true;  // a folder's own names
  if (name.back() == '.' || name.back() == ' ') return false;
  std::string stem(name.substr(0, name.find('.')));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  std::transform(stem.begin(), stem.end(), stem.begin(), [](char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  });
  static constexpr std::array<std::string_view, 6> devices = {"CON", "PRN",    "AUX",
                                                              "NUL", "CONIN$", "CONOUT$"};
  if (std::find(devices.begin(), devices.end(), stem) != devices.end()) return false;
  const bool numbered_port = stem.size() == 4 &&
                             (stem.starts_with("COM") || stem.starts_with("LPT")) &&
                             stem[3] >= '1' && stem[3] <= '9';
  return !numbered_port;
}

}  // namespace kelvrin::platform::windows
