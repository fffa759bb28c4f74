#include "transform/proj_library.hpp"

#include <dlfcn.h>

namespace kelvrin::transform {
namespace {

struct Loaded {
  ProjLibrary library;
  std::string error;
  bool complete = false;
};

Loaded load() {
  Loaded loaded;
  // KELVRIN_PROJ_LIBRARY: the soname of the PROJ the program was built with.
  void* handle = ::dlopen(KELVRIN_PROJ_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* why = ::dlerror();
    loaded.error = why != nullptr ? why : KELVRIN_PROJ_LIBRARY;
    return loaded;
  }
  // The handle stays open for the life of the program.
#define KELVRIN_PROJ_LOAD(name)                                                      \
  loaded.library.name = reinterpret_cast<decltype(&::name)>(::dlsym(handle, #name)); \
  if (loaded.library.name == nullptr) {                                              \
    loaded.error = std::string(KELVRIN_PROJ_LIBRARY) + ": falta " #name;             \
    return loaded;                                                                   \
  }
  KELVRIN_PROJ_FUNCTIONS(KELVRIN_PROJ_LOAD)
#undef KELVRIN_PROJ_LOAD
  loaded.complete = true;
  return loaded;
}

}  // namespace

const ProjLibrary* proj_library(std::string& error) {
  static const Loaded loaded = load();  // once, whichever thread asks first
  error = loaded.error;
  return loaded.complete ? &loaded.library : nullptr;
}

}  // namespace kelvrin::transform
