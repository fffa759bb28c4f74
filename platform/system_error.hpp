#pragma once

#include <string>

namespace kelvrin::platform {

// What the messages tell the user about a failure of the system; the
// operating system's own numbers stay in platform/.
enum class ErrorKind {
  none,
  not_found,
  no_permission,
  is_folder,
  not_a_folder,
  disk_full,
  read_only_disk,
  disk_failure,
  name_too_long,
  other_disk,
  too_large,     // a file beyond what may be written
  held_open,     // another program holds the file and shares it with no one
  invalid_name,  // a name the system will not give a file (CON, "a.")
  other,         // told in the system's own words
};

// The operating system's error number for a failed call (errno on POSIX,
// GetLastError() on Windows). Zero is no error.
class SystemError {
 public:
  constexpr SystemError() = default;
  constexpr explicit SystemError(int value) : value_(value) {}

  constexpr int value() const noexcept { return value_; }
  constexpr explicit operator bool() const noexcept { return value_ != 0; }
  friend constexpr bool operator==(SystemError, SystemError) = default;

  ErrorKind kind() const noexcept;
  std::string system_text() const;  // the system's own description

 private:
  int value_ = 0;
};

// The error of the call that has just failed on this thread.
SystemError last_system_error() noexcept;

// For a library call that may or may not set the system's error when it
// fails: whatever was left from before is not taken for its reason.
void forget_last_system_error() noexcept;

// The system's own error for a refusal of the program's that the system
// would have made alike (an output that is a folder, a write that makes no
// progress), so that it is told in the same words.
SystemError error_of_kind(ErrorKind kind) noexcept;

}  // namespace kelvrin::platform
