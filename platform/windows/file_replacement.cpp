#include "platform/file_replacement.hpp"

#include <windows.h>
// after windows.h, which it needs
#include <aclapi.h>

#include "platform/windows/wide_text.hpp"

namespace kelvrin::platform {
using windows::handle_of;

namespace {

constexpr std::uint32_t writable_permissions = 0666;
constexpr std::uint32_t read_only_permissions = 0444;

}  // namespace

SystemError look_at(const std::string& path, ExistingFile& file) {
  file = ExistingFile{};
  file.path = path;
  if (!windows::acceptable_name(path)) return SystemError(ERROR_INVALID_NAME);
  const std::wstring wide = windows::wide_path(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD why = GetLastError();
    return why == ERROR_FILE_NOT_FOUND || why == ERROR_PATH_NOT_FOUND
               ? SystemError()
               : SystemError(static_cast<int>(why));
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    file.kind = PathKind::folder;
    return {};
  }
  file.permissions =
      (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? read_only_permissions : writable_permissions;
  // Opened for no access at all: only to ask what it is.
  const HANDLE handle = CreateFileW(wide.c_str(), 0, windows::share_everything, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return last_system_error();
  BY_HANDLE_FILE_INFORMATION information{};
  const bool disk_file = GetFileType(handle) == FILE_TYPE_DISK;
  if (disk_file && GetFileInformationByHandle(handle, &information)) {
    file.has_other_names = information.nNumberOfLinks > 1;
  }
  CloseHandle(handle);
  file.kind = disk_file ? PathKind::regular_file : PathKind::other;
  return {};
}

// Opened as the replacement will need it, to write and to be renamed over:
// a file that another program (a CAD program with the drawing open) holds
// without sharing fails here, before anything is converted.
SystemError check_writable(const std::string& path) {
  const std::wstring wide = windows::wide_path(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    return SystemError(ERROR_ACCESS_DENIED);
  }
  const HANDLE handle = CreateFileW(wide.c_str(), GENERIC_WRITE | DELETE, windows::share_everything,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return last_system_error();
  CloseHandle(handle);
  return {};
}

FileHandle open_device_for_writing(const std::string& path) {
  return windows::file_of(CreateFileW(windows::wide_path(path).c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle open_for_overwrite(const std::string& path) {
  return windows::file_of(CreateFileW(windows::wide_path(path).c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

SystemError truncate_file(FileHandle file, std::uint64_t size) {
  FILE_END_OF_FILE_INFO end{};
  end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
  return SetFileInformationByHandle(handle_of(file), FileEndOfFileInfo, &end, sizeof end)
             ? SystemError()
             : last_system_error();
}

// The replaced file's access list, as far as this user may set it; a new
// file has its folder's, as any file made there.
void keep_what_it_had(FileHandle file, const ExistingFile& existing) noexcept {
  PACL access_list = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  std::wstring path;
  try {
    path = windows::wide_path(existing.path);
  } catch (...) {
    return;
  }
  if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                            nullptr, &access_list, nullptr, &descriptor) != ERROR_SUCCESS) {
    return;
  }
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  GetSecurityDescriptorControl(descriptor, &control, &revision);
  const SECURITY_INFORMATION protection = (control & SE_DACL_PROTECTED) != 0
                                              ? PROTECTED_DACL_SECURITY_INFORMATION
                                              : UNPROTECTED_DACL_SECURITY_INFORMATION;
  SetSecurityInfo(handle_of(file), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | protection, nullptr,
                  nullptr, access_list, nullptr);
  LocalFree(descriptor);
}

// The scratch file was made for its owner alone; as the output it takes
// what its folder passes on to the files made there, as if it had just
// been made there itself. An empty access list that is not protected keeps
// nothing of its own, only the inherited entries. By name: Windows finds
// the folder to inherit from through the name, and the name is still the
// program's own (the file is open without write sharing and only its owner
// may rename it). A disk without access lists (FAT on a memory stick) has
// nothing to give.
SystemError set_permissions(FileHandle file, const std::string& path, std::uint32_t) {
  DWORD features = 0;
  if (GetVolumeInformationByHandleW(handle_of(file), nullptr, 0, nullptr, nullptr, &features,
                                    nullptr, 0) &&
      (features & FILE_PERSISTENT_ACLS) == 0) {
    return {};
  }
  ACL empty{};
  if (!InitializeAcl(&empty, sizeof empty, ACL_REVISION)) return last_system_error();
  std::wstring wide = windows::wide_path(path);
  const DWORD error =
      SetNamedSecurityInfoW(wide.data(), SE_FILE_OBJECT,
                            DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION,
                            nullptr, nullptr, &empty, nullptr);
  return SystemError(static_cast<int>(error));
}

std::uint32_t new_file_permissions(std::uint32_t permissions) { return permissions; }

std::uint32_t permissions_of(const std::string& path, std::uint32_t otherwise) {
  const DWORD attributes = GetFileAttributesW(windows::wide_path(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return otherwise;
  return (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? read_only_permissions : writable_permissions;
}

// The scratch file was hidden while it was one; the output is an ordinary
// file. It is renamed while still open, which its share mode allows, so
// no other program can take it between the flush and the rename.
SystemError replace_durably(FileHandle file, const std::string& from, const std::string& to,
                            bool& renamed) {
  renamed = false;
  if (!FlushFileBuffers(handle_of(file))) return last_system_error();
  FILE_BASIC_INFO basic{};
  basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  if (!SetFileInformationByHandle(handle_of(file), FileBasicInfo, &basic, sizeof basic)) {
    return last_system_error();
  }
  if (!MoveFileExW(windows::wide_path(from).c_str(), windows::wide_path(to).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return last_system_error();
  }
  renamed = true;
  return {};
}

}  // namespace kelvrin::platform
