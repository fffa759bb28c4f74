#pragma once

#include <sys/stat.h>

#include <string>

#include "core/scratch_file.hpp"

namespace kelvrin::core {

// How a finished drawing reaches the output path. Functions return 0 or an
// errno value.
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
  struct stat existing {};  // what is there, unless kind is new_file
  int descriptor = -1;      // a device output the host holds open (standard output)
};

// Looks at the output path. An existing file the user may not write (read
// only, or another user's) is refused with EACCES (EROFS on a read-only
// disk), as cp refuses it; a folder with EISDIR.
int examine_output(const std::string& output, OutputTarget& target);

// Where the conversion's scratch files go: beside the output, or the
// system's temporary folder when the output is a device.
std::string scratch_folder(const OutputTarget& target);

// Opens a device output for writing; a descriptor or -errno.
int open_device(const OutputTarget& target);

// Puts the finished `file` (made with create_beside(target.path)) at the
// output durably: on disk before the rename, the rename on disk after it.
// A new file gets `new_file_mode` (the input's permission bits less the
// umask).
int place_output(ScratchFile& file, const OutputTarget& target, mode_t new_file_mode);

// The permission bits a new output gets when the input has `input_mode`.
mode_t new_file_mode_for(mode_t input_mode);

}  // namespace kelvrin::core
