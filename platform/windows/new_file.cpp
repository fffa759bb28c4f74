#include "platform/new_file.hpp"

#include <random>

#include "platform/windows/wide_text.hpp"

namespace kelvrin::platform {
namespace {

// What POSIX's mode 0600 is to a new file: an access list with one entry,
// the user that runs the program, protected from the entries the folder
// passes on to what is made in it. The drawing being written may be a
// private one; the output gets its own access list once it is complete.
class OwnerOnly {
 public:
  OwnerOnly() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return;
    DWORD size = 0;
    const bool user_known = GetTokenInformation(token, TokenUser, user_, sizeof user_, &size);
    const DWORD why = GetLastError();
    CloseHandle(token);
    if (!user_known) {
      SetLastError(why);
      return;
    }
    const PSID user = reinterpret_cast<const TOKEN_USER*>(user_)->User.Sid;
    auto* const list = reinterpret_cast<PACL>(list_);
    ready_ = InitializeAcl(list, sizeof list_, ACL_REVISION) &&
             AddAccessAllowedAce(list, ACL_REVISION, FILE_ALL_ACCESS, user) &&
             InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
             SetSecurityDescriptorDacl(&descriptor_, TRUE, list, FALSE) &&
             SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    attributes_.lpSecurityDescriptor = &descriptor_;
  }
  OwnerOnly(const OwnerOnly&) = delete;
  OwnerOnly& operator=(const OwnerOnly&) = delete;

  // Nothing, with the system's error set, when the user cannot be known:
  // then no file is made rather than one that others may read.
  SECURITY_ATTRIBUTES* attributes() { return ready_ ? &attributes_ : nullptr; }

 private:
  alignas(TOKEN_USER) unsigned char user_[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE] = {};
  alignas(ACL) unsigned char list_[sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) +
                                   SECURITY_MAX_SID_SIZE] = {};
  SECURITY_DESCRIPTOR descriptor_{};
  SECURITY_ATTRIBUTES attributes_{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
  bool ready_ = false;
};

}  // namespace

// Hidden while it is a scratch file; open to readers, and to the rename
// that makes it the output, but to no other writer. WRITE_DAC lets it take
// the access list of the file it replaces, or its folder's.
FileHandle create_exclusive(const std::string& path) {
  if (!windows::acceptable_name(path)) {
    SetLastError(ERROR_INVALID_NAME);
    return no_file;
  }
  OwnerOnly owner_only;
  if (owner_only.attributes() == nullptr) return no_file;
  return windows::file_of(CreateFileW(windows::wide_path(path).c_str(),
                                      GENERIC_READ | GENERIC_WRITE | DELETE | WRITE_DAC,
                                      FILE_SHARE_READ | FILE_SHARE_DELETE, owner_only.attributes(),
                                      CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr));
}

bool name_taken(SystemError error) noexcept {
  return error.value() == ERROR_FILE_EXISTS || error.value() == ERROR_ALREADY_EXISTS;
}

// Windows has no file without a name; one that the system removes when its
// handle closes, however the program ends, leaves nothing behind either.
FileHandle create_unnamed(const std::string& folder) {
  static constexpr char digits[] = "0123456789abcdef";
  thread_local std::mt19937_64 generator{std::random_device{}()};
  OwnerOnly owner_only;
  if (owner_only.attributes() == nullptr) return no_file;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = folder + "\\kelvrin-";
    for (std::uint64_t value = generator(), i = 0; i < 12; ++i, value >>= 4) {
      name += digits[value & 15];
    }
    name += ".tmp";
    const HANDLE handle = CreateFileW(
        windows::wide_path(name).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
        windows::share_everything, owner_only.attributes(), CREATE_NEW,
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle != INVALID_HANDLE_VALUE) return windows::file_of(handle);
    if (!name_taken(last_system_error())) return no_file;
  }
  return no_file;
}

bool unnamed_files_unsupported(SystemError) noexcept { return false; }

SystemError remove_file(const char* path) noexcept {
  try {
    return DeleteFileW(windows::wide_path(path).c_str()) ? SystemError() : last_system_error();
  } catch (...) {
    return SystemError(ERROR_NOT_ENOUGH_MEMORY);
  }
}

}  // namespace kelvrin::platform
