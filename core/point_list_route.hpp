#pragma once

#include <span>
#include <string>

#include "core/procedures.hpp"
#include "core/routes.hpp"

namespace kelvrin::core {

// Whether the conversion's input is a point list rather than a drawing:
// by its name (or its being a stream) and its first bytes.
bool input_is_point_list(const dxf::PassFile& input);

// Converts the point list paths.fich1 into paths.fich2 through every step
// of a route in one pass, each step's result carried to the next as a
// drawing's intermediate file carries it, so that a point of a list lands
// exactly where the same point of a drawing does. `columns` is the
// --columns text (empty: the list's header names them). Failures are told
// here, with the file, the line and the line itself.
StepResult convert_point_list(std::span<const Procedure> steps, const JobPaths& paths,
                              ProcedureContext& context, const std::string& columns);

}  // namespace kelvrin::core
