// The grid-file loader: whatever the file holds, it reports exactly one of
// a complete grid, too few values or a token that is no number, and a
// complete grid holds 8118 finite values.

#include <cmath>
#include <cstdint>
#include <string_view>

#include "tests/fuzz/fuzz_support.hpp"
#include "transform/grid.hpp"

using kelvrin::fuzz::require;
using namespace kelvrin::transform;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const kelvrin::fuzz::ScratchFile file(".grid.asc");
  file.write({reinterpret_cast<const char*>(data), size});
  Grid grid;
  const GridFileRead read = load_grid(file.path(), grid);
  switch (read.error) {
    case GridFileError::none:
      require(read.values_read == grid_geometry::node_count, "a complete grid has every node");
      for (const double value : grid.values()) require(std::isfinite(value), "values are finite");
      break;
    case GridFileError::too_few:
    case GridFileError::not_a_number:
    case GridFileError::too_long:
      require(read.values_read < grid_geometry::node_count, "a refusal counts what it read");
      break;
    case GridFileError::cannot_open:
    case GridFileError::cannot_read: require(false, "a scratch file always opens and reads");
  }
  return 0;
}
