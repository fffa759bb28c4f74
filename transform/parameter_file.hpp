#pragma once

#include <array>
#include <string>

#include "platform/system_error.hpp"

namespace kelvrin::transform {

// One parameter file of the user-defined ("Qualquer") polynomial: fifteen
// fields separated by commas or line ends (numbers also by blanks):
//   1, 2   free text
//   3      axis marker, X or Y
//   4, 5   Xc, Yc     6, 7   Ox, Oy     8, 9   Sx, Sy
//   10-15  the coefficients of this file's axis: constant, u, v, u², u v, v²
// A text field may be quoted ("..."); an unquoted one loses its surrounding
// blanks. Blank lines between fields are skipped; nothing after the
// fifteenth field is read.
struct ParameterFile {
  std::string marker;
  double xc = 0.0;
  double yc = 0.0;
  double ox = 0.0;
  double oy = 0.0;
  double sx = 0.0;
  double sy = 0.0;
  std::array<double, 6> coefficients{};
};

enum class ParameterFileError {
  none,
  cannot_open,   // system_error says why
  cannot_read,   // a read failed; system_error says why
  ends_early,    // the file ends before `field`
  not_a_number,  // `field` holds `text`, which is not a decimal number
  too_long,      // `field` is longer than longest_parameter_field; `text`
                 // holds its first characters
};

// No number or marker is anywhere near this long; a longer field is refused.
inline constexpr std::size_t longest_parameter_field = 4096;

struct ParameterFileRead {
  ParameterFileError error = ParameterFileError::none;
  int field = 0;  // 1-based
  platform::SystemError system_error;
  std::string text;
  ParameterFile file;
};

ParameterFileRead read_parameter_file(const std::string& path);

}  // namespace kelvrin::transform
