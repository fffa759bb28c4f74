#include "transform/proj_library.hpp"

#include <filesystem>
#include <string>

#include "platform/program_folder.hpp"
#include "platform/shared_library.hpp"
#include "platform/utf8_path.hpp"

namespace kelvrin::transform {
namespace {

struct Loaded {
  ProjLibrary library;
  ProjError error;
  bool complete = false;
};

// KELVRIN_PROJ_LIBRARY: the soname of the PROJ the program was built with.
// A Windows build has PROJ's DLL beside the program, named with its version
// (proj_9_1.dll, libproj_9_1.dll as mingw-w64 names it); none there is told.
std::string library_name([[maybe_unused]] ProjError& error) {
#ifdef KELVRIN_PROJ_LIBRARY
  return KELVRIN_PROJ_LIBRARY;
#else
  std::error_code ignored;
  const std::filesystem::path folder = platform::program_folder();
  for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
    const std::string name = platform::utf8_of(entry.path().filename());
    if ((name.starts_with("proj_") || name.starts_with("libproj_")) && name.ends_with(".dll")) {
      return platform::utf8_of(entry.path());
    }
  }
  error = {ProjFailure::library_not_found, platform::utf8_of(folder), {}};
  return {};
#endif
}

Loaded load() {
  Loaded loaded;
  const std::string library = library_name(loaded.error);
  if (library.empty()) return loaded;
  // The library stays loaded for the life of the program.
  std::string why;
  const platform::SharedLibrary proj(library.c_str(), why);
  if (!proj.loaded()) {
    loaded.error = {ProjFailure::library_not_loaded, library, why};
    return loaded;
  }
#define KELVRIN_PROJ_LOAD(name)                                                  \
  loaded.library.name = reinterpret_cast<decltype(&::name)>(proj.symbol(#name)); \
  if (loaded.library.name == nullptr) {                                          \
    loaded.error = {ProjFailure::function_missing, library, #name};              \
    return loaded;                                                               \
  }
  KELVRIN_PROJ_FUNCTIONS(KELVRIN_PROJ_LOAD)
#undef KELVRIN_PROJ_LOAD
  loaded.complete = true;
  return loaded;
}

}  // namespace

const ProjLibrary* proj_library(ProjError& error) {
  static const Loaded loaded = load();  // once, whichever thread asks first
  error = loaded.error;
  return loaded.complete ? &loaded.library : nullptr;
}

}  // namespace kelvrin::transform
