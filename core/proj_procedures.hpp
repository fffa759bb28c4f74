#pragma once

#include <string>

#include "core/procedures.hpp"

namespace kelvrin::core {

// The NTv2 method between ETRS89 TM06, Datum 73 and Datum Lisboa: a PROJ
// pipeline through the national agency's grids D73_ETRS89_geo.gsb and
// DLX_ETRS89_geo.gsb, read from the data folder. Missing grid files stop it
// before any drawing is opened; a point outside the grids is a failure that
// names the file and the line.
LoadedProcedure load_ntv2_procedure(Procedure procedure, ProcedureContext& context);

// The PROJ pipeline of an NTv2 procedure (grids named, found on PROJ's
// search path), and the projection of its source system; empty for any
// other procedure. The grid tools in tools/ use them too.
std::string ntv2_pipeline(Procedure procedure);
std::string ntv2_source_projection(Procedure procedure);

// PROJ's best operation between context.proj_source and context.proj_target;
// the operation and its stated accuracy are told before the pass. A
// ballpark operation is refused unless context.allow_ballpark; allowed, it
// is a warning, as are the drawing's points outside the area of use.
LoadedProcedure load_proj_procedure(ProcedureContext& context);

}  // namespace kelvrin::core
