#include "core/point_list_route.hpp"

#include <cmath>
#include <vector>

#include "core/messages.hpp"
#include "dxf/number_format.hpp"
#include "dxf/numbers.hpp"
#include "platform/file.hpp"
#include "points/point_list_file.hpp"
#include "points/point_list_pass.hpp"

namespace kelvrin::core {
namespace {

using transform::PlanarPoint;
using transform::PointResult;
using transform::PointStatus;

// Decimals a converted coordinate has at least: a millimetre in metres, and
// in degrees 1e-9 (0.1 mm of latitude).
constexpr int metre_decimals = 3;
constexpr int degree_decimals = 9;

// A coordinate as the next step of a drawing reads it: written with five
// decimals into the intermediate file, and read back.
double through_intermediate_file(double value) {
  char text[dxf::max_coordinate_text];
  const std::size_t size = dxf::format_coordinate(value, text);
  return dxf::strict_number({text, size}).value_or(value);
}

// The steps of a route as one operation.
class RouteSteps final : public transform::PointOperation {
 public:
  explicit RouteSteps(const std::vector<LoadedProcedure>& steps) : steps_(steps) {}

  PointResult forward(PlanarPoint source) const override {
    PointResult result{PointStatus::ok, source};
    bool outside_area = false;
    for (std::size_t i = 0; i < steps_.size(); ++i) {
      PlanarPoint point = result.point;
      if (i > 0) {
        if (!std::isfinite(point.x) || !std::isfinite(point.y)) {
          return {PointStatus::arithmetic_failure, source};
        }
        point = {through_intermediate_file(point.x), through_intermediate_file(point.y)};
      }
      const transform::PointOperation& step = *steps_[i].operation;
      if (const PointStatus status = step.check_x(point.x); status != PointStatus::ok) {
        return {status, source};
      }
      result = step.forward(point);
      if (result.status != PointStatus::ok) return {result.status, source};
      outside_area = outside_area || result.outside_area;
    }
    result.outside_area = outside_area;
    return result;
  }

 private:
  const std::vector<LoadedProcedure>& steps_;
};

// What the route's steps tell after the pass, as for a drawing.
void add_warnings(const std::vector<LoadedProcedure>& steps, const points::PointListResult& result,
                  const std::string& input, ProcedureContext& context) {
  dxf::PassReport report;
  report.points_outside_area = result.points_outside_area;
  report.first_outside_line = result.first_outside_line;
  report.first_outside_point = result.first_outside_point;
  for (const LoadedProcedure& step : steps) add_route_warnings(step, report, input, context);
}

}  // namespace

bool input_is_point_list(const dxf::PassFile& input) {
  const bool stream = input.handle != platform::no_file;
  char bytes[points::point_list_sniff_bytes];
  std::int64_t read = 0;
  platform::SystemError error;
  if (stream) {
    read = platform::read_at(input.handle, bytes, sizeof bytes, 0, error);
  } else {
    if (!points::is_point_list(input.path, false, {})) return false;
    const platform::FileHandle file = platform::open_for_reading(input.path);
    if (file == platform::no_file) return false;
    // A pipe read here would lose what was read.
    if (platform::regular_file_size(file))
      read = platform::read_some(file, bytes, sizeof bytes, error);
    platform::close_file(file);
  }
  return read > 0 &&
         points::is_point_list(input.path, stream, {bytes, static_cast<std::size_t>(read)});
}

StepResult convert_point_list(std::span<const Procedure> steps, const JobPaths& paths,
                              ProcedureContext& context, const std::string& columns) {
  std::vector<LoadedProcedure> loaded;
  for (const Procedure procedure : steps) {
    context.host.set_busy_pointer();
    context.reads_input = loaded.empty();
    loaded.push_back(load_procedure(procedure, paths, context));
    if (!loaded.back().operation) return {StepStatus::failed_with_message, {}};
  }
  const RouteSteps route(loaded);
  points::PointListOptions options;
  options.columns = columns;
  options.minimum_decimals = loaded.back().target_in_degrees ? degree_decimals : metre_decimals;
  options.progress = context.progress;
  const points::PointListResult result =
      points::rewrite_point_list(paths.fich1, paths.fich2, route, options);
  if (!result.completed()) {
    return stop_with_message(context,
                             messages::point_list_failure(result, paths.fich1.path, paths.fich3));
  }
  context.host.show_message(messages::point_list_layout(result), messages::application_title,
                            MessageKind::detail);
  add_warnings(loaded, result, paths.fich1.path, context);
  return {StepStatus::completed, {}};
}

}  // namespace kelvrin::core
