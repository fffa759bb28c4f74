#include "core/procedures.hpp"

#include "core/grid_procedure.hpp"
#include "core/qualquer.hpp"
#include "transform/island_sets.hpp"
#include "transform/mainland_sets.hpp"
#include "transform/polynomial.hpp"

namespace kelvrin::core {
namespace {

StepResult from_pass(const dxf::PassResult& pass) {
  return {pass.completed() ? StepStatus::completed : StepStatus::pass_failed, pass};
}

StepResult polynomial_pass(const transform::CoefficientSet& set, transform::ScaleStep scale,
                           const JobPaths& paths, ProcedureContext& context) {
  transform::PolynomialTransform transform(set, scale);
  return from_pass(dxf::rewrite_dxf(paths.fich1, paths.fich2, transform, {
      .x_code_line = dxf::XCodeLine::written_at_once, .progress = context.progress}));
}

}  // namespace

StepResult run_procedure(Procedure procedure, const JobPaths& paths, ProcedureContext& context) {
  using transform::ScaleStep;
  context.host.set_busy_pointer();
  switch (procedure) {
    case Procedure::transf_01:
      return polynomial_pass(transform::transf_01_set, ScaleStep::none, paths, context);
    case Procedure::transf_10:
      return polynomial_pass(transform::transf_10_set, ScaleStep::none, paths, context);
    case Procedure::transf_54:
      return polynomial_pass(transform::transf_54_set, ScaleStep::by_sx_and_sy, paths, context);
    case Procedure::transf_64:
      return polynomial_pass(transform::transf_64_set, ScaleStep::by_sx_and_sy, paths, context);
    case Procedure::transf_74:
      return polynomial_pass(transform::transf_74_set, ScaleStep::by_sx_and_sy, paths, context);
    case Procedure::transf_84:
      return polynomial_pass(transform::transf_84_set, ScaleStep::by_sx_and_sy, paths, context);
    case Procedure::transf_94:
      return polynomial_pass(transform::transf_94_set, ScaleStep::by_sx_and_sy, paths, context);
    case Procedure::transf_104:
      return polynomial_pass(transform::transf_104_set, ScaleStep::by_sx_and_sy, paths, context);
    case Procedure::transf_114:
      return polynomial_pass(transform::transf_114_set, ScaleStep::by_sx_and_sy, paths, context);
    case Procedure::transf_124:
      return polynomial_pass(transform::transf_124_set, ScaleStep::by_sx_and_sy, paths, context);
    case Procedure::transf_12:
      return run_grid_procedure(GridDirection::datum73_to_lisboa, paths, context);
    case Procedure::transf_21:
      return run_grid_procedure(GridDirection::lisboa_to_datum73, paths, context);
    case Procedure::qualquer:
      return run_qualquer(paths, context);
  }
  return {StepStatus::failed_with_message, {}};
}

}  // namespace kelvrin::core
