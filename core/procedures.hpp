#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "core/job_host.hpp"
#include "core/job_paths.hpp"
#include "core/routes.hpp"
#include "dxf/rewrite_dxf.hpp"
#include "transform/proj_operation.hpp"

namespace kelvrin::core {

enum class StepStatus {
  completed,            // fich2 holds the converted drawing
  failed_with_message,  // the procedure has told the user itself
  pass_failed,          // the DXF pass failed; the job words it
  point_rejected,       // a grid could not transform a point; told; the program ends
};

struct StepResult {
  StepStatus status = StepStatus::completed;
  dxf::PassResult pass;
};

// What every procedure may use besides the job paths.
struct ProcedureContext {
  JobHost& host;
  std::filesystem::path data_folder;  // where the grid files are
  dxf::PassProgress* progress = nullptr;
  dxf::RewritePolicy policy = dxf::RewritePolicy::dxf_aware;
  unsigned threads = 0;  // as JobSettings::threads
  // The systems of a PROJ route, as PROJ takes them (EPSG codes, PROJ
  // strings, WKT).
  std::string proj_source;
  std::string proj_target;
  // The route's systems as the user named them, for messages.
  std::string source_name;
  std::string target_name;
  bool allow_ballpark = false;  // as ConversionRequest::allow_ballpark
  // What the steps tell once the conversion is complete, a line each.
  std::string warnings;
  // Whether the step reads the user's drawing (the first step of a route)
  // or what the step before made of it, and that drawing as the user named it.
  bool reads_input = true;
  std::string input_name;
  // Where the user's drawing's references to other drawings point once
  // converted; none when null.
  const dxf::ReferenceTargets* references{};
  bool geolocate = false;  // the step writes a geographic reference where there is none
};

// What the procedures that read data files share: whether a file can be
// opened, and telling the user why a step stops (the pointer back to normal).
bool can_open(const std::string& path);
StepResult stop_with_message(ProcedureContext& context, std::string_view message);

// Keeps a warning (none when empty) for when the conversion is complete.
void add_warning(ProcedureContext& context, std::string_view warning);

// The options of a procedure's DXF pass.
dxf::PassOptions pass_options(const ProcedureContext& context);

// What a pass does with a point its transformation cannot convert.
enum class RejectedPoint {
  fails_pass,       // the pass fails, and the job words it
  ends_program,     // the grids: told with the point, then the program ends
  told_with_place,  // PROJ: told with the point's file and line
};

// A procedure with what it needs loaded: the point operation of its pass.
struct LoadedProcedure {
  // Null when the procedure could not be loaded and has told the user why.
  std::unique_ptr<transform::PointOperation> operation;
  RejectedPoint rejected = RejectedPoint::fails_pass;
  dxf::XCodeLine x_code_line = dxf::XCodeLine::written_at_once;
  bool restores_pointer = true;  // after its pass
  // A PROJ operation chosen between two systems: its warnings follow the pass.
  const transform::ProjOperation* proj_route = nullptr;
  // Its results are marked outside the area an official polynomial was made
  // for: told after the pass.
  bool area_checked = false;
  // Its results are longitudes and latitudes (a geographic target of PROJ).
  bool target_in_degrees = false;
  // What the operation refers to (grids, coefficients), kept with it.
  std::shared_ptr<const void> data;
};

// Loads what a procedure needs, telling the user when it cannot.
LoadedProcedure load_procedure(Procedure procedure, const JobPaths& paths,
                               ProcedureContext& context);

// After a completed pass: the warnings of a PROJ route.
void add_route_warnings(const LoadedProcedure& loaded, const dxf::PassReport& report,
                        const std::string& input, ProcedureContext& context);

// Runs one transformation procedure: sets the busy pointer, loads what the
// procedure needs, and makes one DXF pass from paths.fich1 to paths.fich2.
StepResult run_procedure(Procedure procedure, const JobPaths& paths, ProcedureContext& context);

}  // namespace kelvrin::core
