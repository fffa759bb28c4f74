#pragma once

#include "core/procedures.hpp"

namespace kelvrin::core {

// The user-defined polynomial: reads the X and Y parameter files
// (fich_par_m, fich_par_p), checks their axis markers, and converts fich1
// to fich2 with the polynomial they define. Rejected parameter files leave
// every DXF file untouched.
StepResult run_qualquer(const JobPaths& paths, ProcedureContext& context);

}  // namespace kelvrin::core
