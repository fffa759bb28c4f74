#include "core/procedures.hpp"

#include <optional>

#include "core/georeference.hpp"
#include "core/grid_procedure.hpp"
#include "core/messages.hpp"
#include "core/proj_procedures.hpp"
#include "core/qualquer.hpp"
#include "platform/file.hpp"
#include "platform/utf8_path.hpp"
#include "transform/island_sets.hpp"
#include "transform/mainland_sets.hpp"
#include "transform/official_areas.hpp"
#include "transform/polynomial.hpp"

namespace kelvrin::core {
namespace {

using transform::ScaleStep;

// The procedures that are one polynomial pass with a built-in set: the
// mainland pair, and the islands with their scale step; each with the area
// its set was made for, in the source system.
struct PolynomialProcedure {
  Procedure procedure;
  const transform::CoefficientSet& set;
  ScaleStep scale;
  const transform::PlaneBox& area;
};

constexpr PolynomialProcedure polynomial_procedures[] = {
    {Procedure::transf_01, transform::transf_01_set, ScaleStep::none, transform::mainland_tm06},
    {Procedure::transf_10, transform::transf_10_set, ScaleStep::none, transform::mainland_datum73},
    {Procedure::transf_54, transform::transf_54_set, ScaleStep::by_sx_and_sy,
     transform::azores_eastern},
    {Procedure::transf_64, transform::transf_64_set, ScaleStep::by_sx_and_sy,
     transform::azores_central},
    {Procedure::transf_74, transform::transf_74_set, ScaleStep::by_sx_and_sy,
     transform::azores_central},
    {Procedure::transf_84, transform::transf_84_set, ScaleStep::by_sx_and_sy,
     transform::azores_central},
    {Procedure::transf_94, transform::transf_94_set, ScaleStep::by_sx_and_sy,
     transform::azores_central},
    {Procedure::transf_104, transform::transf_104_set, ScaleStep::by_sx_and_sy,
     transform::azores_central},
    {Procedure::transf_114, transform::transf_114_set, ScaleStep::by_sx_and_sy,
     transform::azores_western},
    {Procedure::transf_124, transform::transf_124_set, ScaleStep::by_sx_and_sy,
     transform::madeira_islands},
};

// The built-in polynomials leave the pointer to the job. Only the user's
// own points are worth checking against the area a polynomial was made
// for: what a first step made of them lies where that step put it.
LoadedProcedure load_polynomial(const PolynomialProcedure& procedure,
                                const ProcedureContext& context) {
  LoadedProcedure loaded;
  auto polynomial =
      std::make_shared<transform::PolynomialTransform>(procedure.set, procedure.scale);
  if (context.reads_input) {
    loaded.operation = std::make_unique<transform::AreaChecked>(*polynomial, procedure.area);
    loaded.area_checked = true;
  } else {
    loaded.operation = std::make_unique<transform::PolynomialTransform>(*polynomial);
  }
  loaded.data = std::move(polynomial);
  loaded.restores_pointer = false;
  return loaded;
}

// A pass that stopped at a point the operation refused, told as the
// procedure tells it; nothing when the pass went on.
std::optional<StepResult> rejected_point(const LoadedProcedure& loaded, const dxf::PassResult& pass,
                                         const JobPaths& paths, ProcedureContext& context) {
  if (pass.failure != dxf::PassFailure::point_rejected) return std::nullopt;
  switch (loaded.rejected) {
    case RejectedPoint::ends_program: {
      // A second step's point is an earlier step's result, not the user's.
      std::optional<dxf::PlanarPoint> given;
      if (context.reads_input) given = pass.source_point;
      context.host.show_message(
          messages::point_outside_grid(pass.source_point.x, pass.source_point.y) +
              messages::place_in_drawing(context.input_name, pass.line, given),
          messages::application_title, MessageKind::notice);
      return StepResult{StepStatus::point_rejected, pass};
    }
    case RejectedPoint::told_with_place:
      context.host.restore_pointer();
      return stop_with_message(
          context, messages::point_not_transformed(pass.source_point.x, pass.source_point.y,
                                                   pass.line, paths.fich1.path, context.source_name,
                                                   context.target_name));
    case RejectedPoint::fails_pass: break;
  }
  return std::nullopt;
}

}  // namespace

bool can_open(const std::string& path) {
  const platform::FileHandle file = platform::open_for_reading(path);
  if (file == platform::no_file) return false;
  platform::close_file(file);
  return true;
}

StepResult stop_with_message(ProcedureContext& context, std::string_view message) {
  context.host.show_message(message, messages::application_title, MessageKind::notice);
  context.host.restore_pointer();
  return {StepStatus::failed_with_message, {}};
}

void add_warning(ProcedureContext& context, std::string_view warning) {
  if (warning.empty()) return;
  if (!context.warnings.empty()) context.warnings += '\n';
  context.warnings += warning;
}

dxf::PassOptions pass_options(const ProcedureContext& context) {
  dxf::PassOptions options;
  options.policy = context.policy;
  options.progress = context.progress;
  options.helper_threads = context.threads == 0 ? -1 : static_cast<int>(context.threads) - 1;
  // What the user's drawing refers to: the step that reads it tells.
  options.references = context.reads_input ? context.references : nullptr;
  options.list_external_files = context.reads_input;
  return options;
}

LoadedProcedure load_procedure(Procedure procedure, const JobPaths& paths,
                               ProcedureContext& context) {
  for (const PolynomialProcedure& polynomial : polynomial_procedures) {
    if (polynomial.procedure == procedure) return load_polynomial(polynomial, context);
  }
  switch (procedure) {
    case Procedure::transf_12:
      return load_grid_procedure(GridDirection::datum73_to_lisboa, context);
    case Procedure::transf_21:
      return load_grid_procedure(GridDirection::lisboa_to_datum73, context);
    case Procedure::qualquer: return load_qualquer(paths, context);
    case Procedure::ntv2_01:
    case Procedure::ntv2_10:
    case Procedure::ntv2_02:
    case Procedure::ntv2_20:
    case Procedure::ntv2_12:
    case Procedure::ntv2_21: return load_ntv2_procedure(procedure, context);
    case Procedure::proj: return load_proj_procedure(context);
    default: break;
  }
  return {};
}

void add_route_warnings(const LoadedProcedure& loaded, const dxf::PassReport& report,
                        const std::string& input, ProcedureContext& context) {
  if (loaded.proj_route == nullptr && !loaded.area_checked) return;
  const std::string& source = context.source_name;
  const std::string& target = context.target_name;
  if (loaded.proj_route != nullptr && loaded.proj_route->ballpark()) {
    add_warning(context, messages::proj_ballpark_used(source, target, loaded.proj_route->name()));
  }
  add_warning(context, messages::points_outside_area(report, input, source, target));
}

StepResult run_procedure(Procedure procedure, const JobPaths& paths, ProcedureContext& context) {
  context.host.set_busy_pointer();
  const LoadedProcedure loaded = load_procedure(procedure, paths, context);
  if (!loaded.operation) return {StepStatus::failed_with_message, {}};
  dxf::PassOptions options = pass_options(context);
  options.x_code_line = loaded.x_code_line;
  dxf::GeoreferenceSystems georeference =
      georeference_systems(procedure, context.proj_source, context.proj_target,
                           {platform::utf8_of(context.data_folder)});
  georeference.geolocate = context.geolocate;
  options.georeference = &georeference;
  const dxf::PassResult pass =
      dxf::rewrite_dxf(paths.fich1, paths.fich2, *loaded.operation, options);
  if (const auto rejected = rejected_point(loaded, pass, paths, context)) return *rejected;
  if (loaded.restores_pointer) context.host.restore_pointer();
  if (!pass.completed()) return {StepStatus::pass_failed, pass};
  add_route_warnings(loaded, pass.report, paths.fich1.path, context);
  return {StepStatus::completed, pass};
}

}  // namespace kelvrin::core
