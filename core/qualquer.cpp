#include "core/qualquer.hpp"

#include <algorithm>
#include <cctype>
#include <string>

#include "core/messages.hpp"
#include "transform/parameter_file.hpp"
#include "transform/polynomial.hpp"

namespace kelvrin::core {
namespace {

std::string upper_case(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// Reads one parameter file and checks its marker; tells the user and
// returns false when the file cannot be used.
bool read_checked(const std::string& path, std::string_view marker,
                  std::string_view wrong_marker_message, JobHost& host,
                  transform::ParameterFile& file) {
  const transform::ParameterFileRead read = transform::read_parameter_file(path);
  if (read.error != transform::ParameterFileError::none) {
    host.show_message(messages::parameter_file_failure(read, path), messages::application_title,
                      MessageKind::notice);
    return false;
  }
  if (upper_case(read.file.marker) != marker) {
    host.show_message(wrong_marker_message, messages::completion_title, MessageKind::notice);
    return false;
  }
  file = read.file;
  return true;
}

}  // namespace

LoadedProcedure load_qualquer(const JobPaths& paths, ProcedureContext& context) {
  JobHost& host = context.host;
  transform::ParameterFile x_file;
  transform::ParameterFile y_file;
  if (!read_checked(paths.fich_par_m, "X", messages::expected_x_marker, host, x_file) ||
      !read_checked(paths.fich_par_p, "Y", messages::expected_y_marker, host, y_file)) {
    host.restore_pointer();
    return {};
  }

  // The normalisation and offsets of the X file are read but not used: the
  // Y file's values serve both axes.
  const transform::CoefficientSet set{
      .xc = y_file.xc,
      .yc = y_file.yc,
      .sx = y_file.sx,
      .sy = y_file.sy,
      .a = x_file.coefficients,
      .b = y_file.coefficients,
      .ox = y_file.ox,
      .oy = y_file.oy,
  };
  LoadedProcedure loaded;
  loaded.operation =
      std::make_unique<transform::PolynomialTransform>(set, transform::ScaleStep::none);
  return loaded;
}

}  // namespace kelvrin::core
