#include "core/grid_procedure.hpp"

#include <memory>
#include <string>
#include <utility>

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

LoadedProcedure load_grid_procedure(GridDirection direction, ProcedureContext& context) {
  const GridFiles files = files_of(direction);
  const std::string m_path = platform::utf8_of(context.data_folder / files.m_name);
  const std::string p_path = platform::utf8_of(context.data_folder / files.p_name);

  if (!can_open(m_path) || !can_open(p_path)) {
    stop_with_message(context, files.missing_message);
    return {};
  }

  // Read afresh at every conversion: replaced grid files take effect at once.
  auto grids = std::make_shared<std::pair<transform::Grid, transform::Grid>>();
  for (const auto& [path, grid] :
       {std::pair{&m_path, &grids->first}, std::pair{&p_path, &grids->second}}) {
    const transform::GridFileRead read = transform::load_grid(*path, *grid);
    if (read.error != transform::GridFileError::none) {
      stop_with_message(context, messages::grid_file_failure(read, *path));
      return {};
    }
  }
  LoadedProcedure loaded;
  loaded.operation = std::make_unique<transform::GridTransform>(grids->first, grids->second);
  loaded.data = std::move(grids);
  loaded.rejected = RejectedPoint::ends_program;
  loaded.x_code_line = dxf::XCodeLine::held_for_y_pair;
  return loaded;
}

}  // namespace kelvrin::core
