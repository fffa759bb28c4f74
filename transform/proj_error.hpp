#pragma once

#include <string>

namespace kelvrin::transform {

// Why PROJ gave no operation, as facts; core/messages words them for the
// user. `file` and `said` hold what each kind names.
enum class ProjFailure {
  none,
  library_not_found,   // no PROJ DLL in `file`, the program's folder
  library_not_loaded,  // `file` did not load; `said` is the system's reason
  function_missing,    // `file` lacks the function `said`
  unknown_source,      // PROJ reads no system in the source definition
  unknown_target,      // nor in the target one
  no_operation,        // PROJ knows no operation between the two systems
  grid_missing,        // the best operation needs the grid `file`, which is nowhere
  refused_by_proj,     // `said`: PROJ's own words, empty when it gave none
};

struct ProjError {
  ProjFailure failure = ProjFailure::none;
  std::string file;
  std::string said;

  explicit operator bool() const noexcept { return failure != ProjFailure::none; }
};

}  // namespace kelvrin::transform
