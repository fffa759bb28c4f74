#pragma once

#include "core/procedures.hpp"

namespace kelvrin::core {

// The two directions of the Datum 73 <-> Datum Lisboa grid: one procedure
// with two parameter sets.
enum class GridDirection {
  datum73_to_lisboa,  // transf_12: et_lx_m.asc, et_lx_p.asc
  lisboa_to_datum73,  // transf_21: lx_et_m.asc, lx_et_p.asc
};

// Loads the two grid files of the direction from the data folder: the
// bilinear interpolation between them. Missing or unusable grid files stop
// it before any drawing is opened; a point the grid cannot transform is
// reported and ends the program.
LoadedProcedure load_grid_procedure(GridDirection direction, ProcedureContext& context);

}  // namespace kelvrin::core
