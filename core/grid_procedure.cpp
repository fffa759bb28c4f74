#include "core/grid_procedure.hpp"

#include <optional>
#include <string>

#include "core/messages.hpp"
#include "platform/utf8_path.hpp"
#include "transform/grid.hpp"

namespace kelvrin::core {
namespace {

struct GridFiles {
  const char* m_name;
  const char* p_name;
  std::string_view missing_message;
};

GridFiles files_of(GridDirection direction) {
  if (direction == GridDirection::datum73_to_lisboa) {
    return {"et_lx_m.asc", "et_lx_p.asc", messages::missing_et_lx_grids};
  }
  return {"lx_et_m.asc", "lx_et_p.asc", messages::missing_lx_et_grids};
}

}  // namespace

StepResult run_grid_procedure(GridDirection direction, const JobPaths& paths,
                              ProcedureContext& context) {
  JobHost& host = context.host;
  const GridFiles files = files_of(direction);
  const std::string m_path = platform::utf8_of(context.data_folder / files.m_name);
  const std::string p_path = platform::utf8_of(context.data_folder / files.p_name);

  if (!can_open(m_path) || !can_open(p_path))
    return stop_with_message(context, files.missing_message);

  // Read afresh at every conversion: replaced grid files take effect at once.
  transform::Grid m_grid;
  transform::Grid p_grid;
  for (const auto& [path, grid] : {std::pair{&m_path, &m_grid}, std::pair{&p_path, &p_grid}}) {
    const transform::GridFileRead read = transform::load_grid(*path, *grid);
    if (read.error != transform::GridFileError::none) {
      return stop_with_message(context, messages::grid_file_failure(read, *path));
    }
  }

  const transform::GridTransform interpolation(m_grid, p_grid);
  dxf::PassOptions options = pass_options(context);
  options.x_code_line = dxf::XCodeLine::held_for_y_pair;
  const dxf::PassResult pass = dxf::rewrite_dxf(paths.fich1, paths.fich2, interpolation, options);
  if (pass.failure == dxf::PassFailure::point_rejected) {
    // A second step's point is an earlier step's result, not the user's.
    std::optional<dxf::PlanarPoint> given;
    if (context.reads_input) given = pass.source_point;
    host.show_message(messages::point_outside_grid(pass.source_point.x, pass.source_point.y) +
                          messages::place_in_drawing(context.input_name, pass.line, given),
                      messages::application_title, MessageKind::notice);
    return {StepStatus::point_rejected, pass};
  }
  host.restore_pointer();
  return {pass.completed() ? StepStatus::completed : StepStatus::pass_failed, pass};
}

}  // namespace kelvrin::core
