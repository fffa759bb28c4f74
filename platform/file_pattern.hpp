#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvrin::platform {

// Whether `name` is one of the names `pattern` stands for: "*" any run of
// characters, "?" any one character, letters of either case alike, as
// Windows matches names.
bool matches_file_pattern(std::string_view pattern, std::string_view name);

// A POSIX shell expands "*" and "?" before the program starts; Windows hands
// them over as typed and leaves them to the program. The files (not
// folders) that `argument`, a pattern in its last part, names on Windows,
// sorted, with the folder part as typed: empty when there are none. Nothing
// when `argument` is a plain name, or the system's shell has done the work.
std::optional<std::vector<std::string>> expand_file_pattern(const std::string& argument);

}  // namespace kelvrin::platform
