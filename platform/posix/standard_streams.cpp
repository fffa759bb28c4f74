#include "platform/standard_streams.hpp"

#include <unistd.h>

#include <cstdio>

namespace kelvrin::platform {

FileHandle standard_input() noexcept { return STDIN_FILENO; }

FileHandle standard_output() noexcept { return STDOUT_FILENO; }

bool standard_error_is_terminal() noexcept { return ::isatty(STDERR_FILENO) == 1; }

void write_text(TextStream stream, std::string_view text) {
  std::FILE* file = stream == TextStream::output ? stdout : stderr;
  std::fwrite(text.data(), 1, text.size(), file);
  std::fflush(file);
}

std::vector<std::string> program_arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

}  // namespace kelvrin::platform
