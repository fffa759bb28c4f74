// The parameter-file reader: any file gives fifteen fields or a refusal that
// names a field in range, and the numbers read are finite.

#include <cmath>
#include <cstdint>
#include <string_view>

#include "tests/fuzz/fuzz_support.hpp"
#include "transform/parameter_file.hpp"

using kelvrin::fuzz::require;
using namespace kelvrin::transform;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const kelvrin::fuzz::ScratchFile file(".parameters.txt");
  file.write({reinterpret_cast<const char*>(data), size});
  const ParameterFileRead read = read_parameter_file(file.path());
  switch (read.error) {
    case ParameterFileError::none:
      for (const double value :
           {read.file.xc, read.file.yc, read.file.ox, read.file.oy, read.file.sx, read.file.sy}) {
        require(std::isfinite(value), "normalisation values are finite");
      }
      for (const double value : read.file.coefficients) require(std::isfinite(value), "finite");
      require(read.file.marker.size() <= longest_parameter_field, "a field is bounded");
      break;
    case ParameterFileError::ends_early:
      require(read.field >= 1 && read.field <= 15, "a short file names a field 1-15");
      break;
    case ParameterFileError::not_a_number:
      require(read.field >= 4 && read.field <= 15, "only fields 4-15 are numbers");
      break;
    case ParameterFileError::too_long:
      require(read.field >= 1 && read.field <= 15, "an over-long field is one of the 15");
      break;
    case ParameterFileError::cannot_open:
    case ParameterFileError::cannot_read: require(false, "a scratch file always opens and reads");
  }
  return 0;
}
