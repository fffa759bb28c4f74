#pragma once

#include "platform/file.hpp"

namespace kelvrin::platform {

// The program's standard streams, as files of the system's; they stay the
// program's and are never closed.
FileHandle standard_input() noexcept;
FileHandle standard_output() noexcept;

// Whether standard error is a terminal that a person watches: only there
// is progress worth showing.
bool standard_error_is_terminal() noexcept;

}  // namespace kelvrin::platform
