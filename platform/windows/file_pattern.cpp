#include "platform/file_pattern.hpp"

#include <algorithm>

#include "platform/windows/wide_text.hpp"

namespace kelvrin::platform {

std::optional<std::vector<std::string>> expand_file_pattern(const std::string& argument) {
  const std::size_t last_part = argument.find_last_of("\\/:") + 1;  // npos + 1 is 0
  const std::string_view pattern = std::string_view(argument).substr(last_part);
  if (pattern.find_first_of("*?") == std::string_view::npos) return std::nullopt;
  const std::string folder = argument.substr(0, last_part);

  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileExW(windows::wide_path(argument).c_str(), FindExInfoBasic,
                                         &found, FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
    const std::string name = windows::utf8_of(found.cFileName);
    // The search also matches the short 8.3 names: "*.dxf" would bring in
    // "a.dxf2" by its "A~1.DXF".
    if (matches_file_pattern(pattern, name)) names.push_back(folder + name);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace kelvrin::platform
