#include "core/output_target.hpp"

#include <filesystem>

#include "platform/utf8_path.hpp"

namespace kelvrin::core {
namespace fs = std::filesystem;

namespace {

// A file with several names is written over in place; the signals wait, so
// the file is never left half old and half new by an interruption.
platform::SystemError rewrite_in_place(platform::FileHandle finished, const std::string& path) {
  const platform::InterruptionsHeld held;
  const platform::FileHandle out = platform::open_for_overwrite(path);
  if (out == platform::no_file) return platform::last_system_error();
  platform::SystemError error = platform::rewind(finished);
  if (!error) error = platform::copy_rest(finished, out);
  if (!error) {
    const auto size = platform::regular_file_size(finished);
    error = size ? platform::truncate_file(out, *size) : platform::last_system_error();
  }
  if (!error) error = platform::sync_file(out);
  const platform::SystemError closed = platform::close_file(out);
  return error ? error : closed;
}

}  // namespace

platform::SystemError examine_output(const std::string& output, OutputTarget& target) {
  target = OutputTarget{output};
  std::error_code ignored;
  if (fs::is_symlink(platform::path_of(output), ignored)) {
    const fs::path resolved = fs::canonical(platform::path_of(output), ignored);
    if (!ignored) target.path = platform::utf8_of(resolved);
  }
  if (const platform::SystemError error = platform::look_at(target.path, target.existing)) {
    return error;
  }
  switch (target.existing.kind) {
    case platform::PathKind::missing: return {};
    case platform::PathKind::folder: return platform::error_of_kind(platform::ErrorKind::is_folder);
    case platform::PathKind::other: target.kind = OutputKind::device; return {};
    case platform::PathKind::regular_file: break;
  }
  if (const platform::SystemError error = platform::check_writable(target.path)) return error;
  target.kind =
      target.existing.has_other_names ? OutputKind::linked_file : OutputKind::replaced_file;
  return {};
}

std::string scratch_folder(const OutputTarget& target) {
  if (target.kind == OutputKind::device) {
    std::error_code ignored;
    return platform::utf8_of(fs::temp_directory_path(ignored));
  }
  return platform::utf8_of(platform::path_of(target.path).parent_path());
}

platform::FileHandle open_device(const OutputTarget& target) {
  return platform::open_device_for_writing(target.path);
}

platform::SystemError place_output(ScratchFile& file, const OutputTarget& target,
                                   std::uint32_t new_file_permissions) {
  const platform::FileHandle finished = file.file();
  if (target.kind == OutputKind::linked_file) return rewrite_in_place(finished, target.path);
  if (target.kind == OutputKind::replaced_file) {
    platform::keep_what_it_had(finished, target.existing);
  } else if (const platform::SystemError error =
                 platform::set_permissions(finished, file.path(), new_file_permissions)) {
    return error;
  }
  bool renamed = false;
  const platform::SystemError error =
      platform::replace_durably(finished, file.path(), target.path, renamed);
  if (renamed) file.hand_over();
  return error;
}

}  // namespace kelvrin::core
