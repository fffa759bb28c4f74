#include "core/scratch_file.hpp"

#include <filesystem>
#include <random>

#include "platform/new_file.hpp"
#include "platform/utf8_path.hpp"

namespace kelvrin::core {
namespace {

std::string random_suffix() {
  static constexpr char alphabet[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  thread_local std::mt19937_64 generator{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> pick(0, sizeof alphabet - 2);
  std::string suffix(6, ' ');
  for (char& c : suffix) c = alphabet[pick(generator)];
  return suffix;
}

}  // namespace

ScratchFile::~ScratchFile() {
  if (!path_.empty()) platform::remove_file(path_.c_str());
  remembered_.reset();
  if (file_ != platform::no_file) platform::close_file(file_);
}

platform::SystemError ScratchFile::create_named(const std::string& folder,
                                                const std::string& stem) {
  const std::string prefix =
      platform::utf8_of(platform::path_of(folder) / platform::path_of("." + stem + ".kelvrin-"));
  platform::SystemError error;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = prefix + random_suffix();
    // An interruption removes the file only once it is ours, and always then.
    const platform::InterruptionsHeld held;
    const platform::FileHandle file = platform::create_exclusive(candidate);
    if (file != platform::no_file) {
      file_ = file;
      remembered_ = std::make_unique<platform::OwnFileName>(candidate);
      path_ = std::move(candidate);
      return {};
    }
    error = platform::last_system_error();
    if (!platform::name_taken(error)) return error;
  }
  return error;  // every name tried was taken
}

platform::SystemError ScratchFile::create_beside(const std::string& target) {
  const std::filesystem::path path = platform::path_of(target);
  return create_named(platform::utf8_of(path.parent_path()), platform::utf8_of(path.filename()));
}

platform::SystemError ScratchFile::create_unnamed(const std::string& folder) {
  file_ = platform::create_unnamed(folder.empty() ? "." : folder);
  if (file_ != platform::no_file) return {};
  // File systems without unnamed files: a named one, unnamed at once.
  if (const platform::SystemError error = platform::last_system_error();
      !platform::unnamed_files_unsupported(error)) {
    return error;
  }
  if (const platform::SystemError error = create_named(folder, "kelvrin")) return error;
  platform::remove_file(path_.c_str());
  path_.clear();
  remembered_.reset();
  return {};
}

void ScratchFile::hand_over() noexcept {
  path_.clear();
  remembered_.reset();
}

}  // namespace kelvrin::core
