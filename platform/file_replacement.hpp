#pragma once

#include <cstdint>
#include <string>

#include "platform/file.hpp"
#include "platform/system_error.hpp"

namespace kelvrin::platform {

enum class PathKind {
  missing,
  folder,
  regular_file,
  other,  // a device, a FIFO, a terminal: written to, never replaced
};

// What a replaced file had, to be given to the file that replaces it.
struct ExistingFile {
  std::string path;
  PathKind kind = PathKind::missing;
  bool has_other_names = false;   // hard links, which a replacement would part
  std::uint32_t permissions = 0;  // POSIX mode, owner and group
  std::uint32_t owner = 0;
  std::uint32_t group = 0;
};

// What is at `path`, following symbolic links; a missing path is no error.
SystemError look_at(const std::string& path, ExistingFile& file);

// Whether this user may write the existing file at `path`, as the system
// decides it (the effective user, access lists, a read-only disk).
SystemError check_writable(const std::string& path);

// Opens a device, a FIFO or a terminal for writing, never making it the
// program's controlling terminal.
FileHandle open_device_for_writing(const std::string& path);

// Opens an existing file to write over its contents in place, never through
// a symbolic link.
FileHandle open_for_overwrite(const std::string& path);

// Cuts the file to `size` bytes.
SystemError truncate_file(FileHandle file, std::uint64_t size);

// Gives `file` what `existing` had (owner, group and permissions on POSIX,
// its access list on Windows), as far as this user may: cp keeps what it
// can, and so does this.
void keep_what_it_had(FileHandle file, const ExistingFile& existing) noexcept;

// The permissions of a new file, made at `path`: `permissions` on POSIX; on
// Windows, which keeps no mode bits, the access list its folder gives a
// file made there.
SystemError set_permissions(FileHandle file, const std::string& path, std::uint32_t permissions);

// The permissions a new file gets when made from one with `permissions`:
// those less what the user's settings take away (the umask).
std::uint32_t new_file_permissions(std::uint32_t permissions);

// The permissions of the file at `path`, or `otherwise` when it cannot be
// looked at.
std::uint32_t permissions_of(const std::string& path, std::uint32_t otherwise);

// Puts the complete `file`, named `from`, at `to` in one step: its data on
// disk first, then the new name, then the folder's entry of it on disk, so
// that after a crash `to` is the old file or the new one, never a part.
// After a failure of the rename the file still has its old name.
SystemError replace_durably(FileHandle file, const std::string& from, const std::string& to,
                            bool& renamed);

}  // namespace kelvrin::platform
