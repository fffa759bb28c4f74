#include "platform/standard_streams.hpp"

#include <unistd.h>

namespace kelvrin::platform {

FileHandle standard_input() noexcept { return STDIN_FILENO; }

FileHandle standard_output() noexcept { return STDOUT_FILENO; }

bool standard_error_is_terminal() noexcept { return ::isatty(STDERR_FILENO) == 1; }

}  // namespace kelvrin::platform
