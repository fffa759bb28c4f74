#pragma once

#include <string>

#include "platform/file.hpp"
#include "platform/system_error.hpp"

namespace kelvrin::platform {

// A new file at `path`, for reading and writing, readable by its owner only.
// Only a name no file has will do: a file or a symbolic link that is there
// makes the creation fail (never followed), and name_taken() says so.
FileHandle create_exclusive(const std::string& path);

// The creation failed because the name is already there; another name may
// do.
bool name_taken(SystemError error) noexcept;

// A file without a name in `folder`, readable by its owner only: nothing of
// it can be left behind. unnamed_files_unsupported() tells a file system
// that has no such files from a real failure.
FileHandle create_unnamed(const std::string& folder);
bool unnamed_files_unsupported(SystemError error) noexcept;

// Safe in a signal handler: it neither allocates nor locks.
SystemError remove_file(const char* path) noexcept;

}  // namespace kelvrin::platform
