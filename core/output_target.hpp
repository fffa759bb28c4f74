#pragma once

#include <cstdint>
#include <string>

#include "core/scratch_file.hpp"
#include "platform/file.hpp"
#include "platform/file_replacement.hpp"
#include "platform/system_error.hpp"

namespace kelvrin::core {

// How a finished drawing reaches the output path.
enum class OutputKind {
  new_file,       // nothing there yet: the finished file is renamed into place
  replaced_file,  // a file with one name: replaced by a rename, keeping its
                  // permission bits, owner and group as cp keeps them
  linked_file,    // a file with more names (hard links): rewritten in place
                  // once the conversion has succeeded, so every name sees it
  device,         // not a regular file (/dev/null, a FIFO, a terminal):
                  // written directly, never replaced
};

struct OutputTarget {
  std::string path;  // the output, or the file its symbolic link names
  OutputKind kind = OutputKind::new_file;
  platform::ExistingFile existing{};                // what is there, unless kind is new_file
  platform::FileHandle handle = platform::no_file;  // a device output the host holds
                                                    // open (standard output)
};

// Looks at the output path. An existing file the user may not write (read
// only, or another user's) is refused as cp refuses it, with the system's
// reason; a folder as a folder.
platform::SystemError examine_output(const std::string& output, OutputTarget& target);

// Where the conversion's scratch files go: beside the output, or the
// system's temporary folder when the output is a device.
std::string scratch_folder(const OutputTarget& target);

// Opens a device output for writing; platform::no_file, with
// platform::last_system_error() telling why, when it cannot be.
platform::FileHandle open_device(const OutputTarget& target);

// Puts the finished `file` (made with create_beside(target.path)) at the
// output durably: on disk before the rename, the rename on disk after it.
// A new file gets `new_file_permissions` (the input's permission bits less
// the umask; on Windows, its folder's access list).
platform::SystemError place_output(ScratchFile& file, const OutputTarget& target,
                                   std::uint32_t new_file_permissions);

}  // namespace kelvrin::core
