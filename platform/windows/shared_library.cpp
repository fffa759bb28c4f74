#include "platform/shared_library.hpp"

#include "platform/system_error.hpp"
#include "platform/windows/wide_text.hpp"

namespace kelvrin::platform {

// A library named by its full path brings the libraries it needs from its
// own folder; Windows resolves every import at load time, as RTLD_NOW does.
SharedLibrary::SharedLibrary(const char* name, std::string& error) {
  handle_ =
      LoadLibraryExW(windows::wide_path(name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (handle_ == nullptr) error = std::string(name) + ": " + last_system_error().system_text();
}

void* SharedLibrary::symbol(const char* symbol) const noexcept {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), symbol));
}

}  // namespace kelvrin::platform
