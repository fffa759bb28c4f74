#include "core/procedures.hpp"

#include "core/grid_procedure.hpp"
#include "core/messages.hpp"
#include "core/proj_procedures.hpp"
#include "core/qualquer.hpp"
#include "platform/file.hpp"
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

StepResult polynomial_pass(const PolynomialProcedure& procedure, const JobPaths& paths,
                           ProcedureContext& context) {
  const transform::PolynomialTransform polynomial(procedure.set, procedure.scale);
  // Only the user's own points are worth telling: what a first step made of
  // them lies where that step put it.
  const transform::AreaChecked checked(polynomial, procedure.area);
  const transform::PointOperation& operation =
      context.reads_input ? static_cast<const transform::PointOperation&>(checked) : polynomial;
  const dxf::PassResult pass =
      dxf::rewrite_dxf(paths.fich1, paths.fich2, operation, pass_options(context));
  if (pass.completed() && context.reads_input) {
    add_warning(context, messages::points_outside_area(pass.report, paths.fich1.path,
                                                       context.source_name, context.target_name));
  }
  return {pass.completed() ? StepStatus::completed : StepStatus::pass_failed, pass};
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
  return options;
}

StepResult run_procedure(Procedure procedure, const JobPaths& paths, ProcedureContext& context) {
  context.host.set_busy_pointer();
  for (const PolynomialProcedure& polynomial : polynomial_procedures) {
    if (polynomial.procedure == procedure) return polynomial_pass(polynomial, paths, context);
  }
  switch (procedure) {
    case Procedure::transf_12:
      return run_grid_procedure(GridDirection::datum73_to_lisboa, paths, context);
    case Procedure::transf_21:
      return run_grid_procedure(GridDirection::lisboa_to_datum73, paths, context);
    case Procedure::qualquer: return run_qualquer(paths, context);
    case Procedure::ntv2_01:
    case Procedure::ntv2_10:
    case Procedure::ntv2_02:
    case Procedure::ntv2_20:
    case Procedure::ntv2_12:
    case Procedure::ntv2_21: return run_ntv2_procedure(procedure, paths, context);
    case Procedure::proj: return run_proj_procedure(paths, context);
    default: break;
  }
  return {StepStatus::failed_with_message, {}};
}

}  // namespace kelvrin::core
