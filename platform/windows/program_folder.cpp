#include "platform/program_folder.hpp"

#include <string>
#include <system_error>

#include "platform/windows/wide_text.hpp"

namespace kelvrin::platform {

std::filesystem::path program_folder() {
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) {
      std::error_code ignored;
      return std::filesystem::current_path(ignored);
    }
    if (length < name.size()) {
      name.resize(length);
      return std::filesystem::path(name).parent_path();
    }
    name.resize(name.size() * 2);  // cut short: a longer path than MAX_PATH
  }
}

}  // namespace kelvrin::platform
