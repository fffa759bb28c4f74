#pragma once

#include "core/procedures.hpp"

namespace kelvrin::core {

// The user-defined polynomial: reads the X and Y parameter files
// (fich_par_m, fich_par_p) and checks their axis markers. Rejected
// parameter files leave every file untouched.
LoadedProcedure load_qualquer(const JobPaths& paths, ProcedureContext& context);

}  // namespace kelvrin::core
