#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/file.hpp"

namespace kelvrin::platform {

// The program's standard streams, as files of the system's; they stay the
// program's and are never closed.
FileHandle standard_input() noexcept;
FileHandle standard_output() noexcept;

// Whether standard error is a terminal that a person watches: only there
// is progress worth showing.
bool standard_error_is_terminal() noexcept;

enum class TextStream { output, error };

// UTF-8 text on standard output or error as its reader sees it: a console
// gets the characters (Windows' console would otherwise read the bytes in
// its own code page), a file or a pipe the bytes.
void write_text(TextStream stream, std::string_view text);

// The program's arguments, without its name, in UTF-8 whatever form the
// system handed them in (Windows gives main() the ANSI code page's).
std::vector<std::string> program_arguments(int argc, char** argv);

}  // namespace kelvrin::platform
