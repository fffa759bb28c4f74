#include "transform/proj_library.hpp"

#include "platform/shared_library.hpp"

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
  // The library stays loaded for the life of the program.
  const platform::SharedLibrary proj(KELVRIN_PROJ_LIBRARY, loaded.error);
  if (!proj.loaded()) return loaded;
#define KELVRIN_PROJ_LOAD(name)                                                  \
  loaded.library.name = reinterpret_cast<decltype(&::name)>(proj.symbol(#name)); \
  if (loaded.library.name == nullptr) {                                          \
    loaded.error = std::string(KELVRIN_PROJ_LIBRARY) + ": falta " #name;         \
    return loaded;                                                               \
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
