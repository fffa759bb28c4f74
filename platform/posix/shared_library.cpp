#include "platform/shared_library.hpp"

#include <dlfcn.h>

namespace kelvrin::platform {

SharedLibrary::SharedLibrary(const char* name, std::string& error) {
  handle_ = ::dlopen(name, RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* why = ::dlerror();
    error = why != nullptr ? why : name;
  }
}

void* SharedLibrary::symbol(const char* symbol) const noexcept { return ::dlsym(handle_, symbol); }

}  // namespace kelvrin::platform
