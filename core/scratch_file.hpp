#pragma once

#include <memory>
#include <string>

#include "platform/file.hpp"
#include "platform/own_files.hpp"
#include "platform/system_error.hpp"

namespace kelvrin::core {

// A file of the conversion's own. It is created exclusively under a name no
// file has (a file or a symbolic link that appears under that name makes the
// creation fail, never followed), readable by its owner only, and used
// through the handle that created it: nothing is ever opened again by
// its name. The destructor closes it and removes the name it still has.
class ScratchFile {
 public:
  ScratchFile() = default;
  ~ScratchFile();
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  // A hidden file beside `target`, in the same folder (so a rename onto
  // `target` stays on one file system): ".NAME.kelvrin-XXXXXX" for a target
  // named NAME.
  platform::SystemError create_beside(const std::string& target);

  // A file without a name in `folder`: nothing of it can be left behind.
  platform::SystemError create_unnamed(const std::string& folder);

  platform::FileHandle file() const noexcept { return file_; }
  const std::string& path() const noexcept { return path_; }

  // The name now belongs to somebody else (the file was renamed onto the
  // output): it is no longer removed.
  void hand_over() noexcept;

 private:
  platform::SystemError create_named(const std::string& folder, const std::string& stem);

  platform::FileHandle file_ = platform::no_file;
  std::string path_;
  std::unique_ptr<platform::OwnFileName> remembered_;
};

}  // namespace kelvrin::core
