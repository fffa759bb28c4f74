#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/system_error.hpp"
#include "transform/point_operation.hpp"

namespace kelvrin::transform {

// The regular grid between Hayford-Gauss Datum 73 and Hayford-Gauss Datum
// Lisboa, laid over the source system's coordinates (metres). Nodes are 5 km
// apart; row 1 is the north edge, column 1 the west edge.
namespace grid_geometry {
inline constexpr double west = -140000.0;
inline constexpr double east = 185000.0;
inline constexpr double north = 290000.0;
inline constexpr double south = -320000.0;
inline constexpr double spacing = 5000.0;
inline constexpr int columns = 66;
inline constexpr int rows = 123;
inline constexpr std::size_t node_count = static_cast<std::size_t>(rows) * columns;  // 8118
inline constexpr double no_data = -999999.0;  // a node the transformation does not cover
}  // namespace grid_geometry

// One coordinate of the target system at every node: the "_m" file holds the
// target X of each node, the "_p" file its target Y. Absolute coordinates,
// not corrections.
class Grid {
 public:
  Grid() : values_(grid_geometry::node_count, 0.0) {}

  // Node value, row and column counted from 1.
  double at(int row, int column) const {
    return values_[static_cast<std::size_t>((row - 1) * grid_geometry::columns + (column - 1))];
  }
  std::vector<double>& values() { return values_; }

 private:
  std::vector<double> values_;
};

enum class GridFileError {
  none,
  cannot_open,   // system_error says why
  cannot_read,   // a read failed; system_error says why
  too_few,       // the file holds only `values_read` numbers
  not_a_number,  // the number after `values_read` numbers is `text`
  too_long,      // the token after `values_read` numbers is longer than any
                 // number; `text` holds its first characters
};

// The longest token a grid file may hold: its numbers have at most 20
// characters; a longer token is refused, not cut.
inline constexpr std::size_t longest_grid_token = 64;

struct GridFileRead {
  GridFileError error = GridFileError::none;
  std::size_t values_read = 0;
  platform::SystemError system_error;
  std::string text;
};

// Loads the first 8118 numbers of a grid file, separated by blanks, line
// ends and single commas, row by row from the north-west node. Nothing after
// them is read.
GridFileRead load_grid(const std::string& path, Grid& grid);

// A cell, named by the row of its north nodes and the column of its west
// nodes, both from 1.
struct GridCell {
  int row;
  int column;
};

// Whether a point lies inside the grid or on its edge.
bool inside_grid(double x, double y);

// The cell that interpolates a point inside the grid: the one east of a
// vertical grid line and south of a horizontal one; the east and south edges
// belong to the last column and row of cells.
GridCell locate_cell(double x, double y);

// Bilinear interpolation anchored at the cell's north-east node, in the
// official grouping of operations.
double interpolate(const Grid& grid, GridCell cell, double x, double y);

// The grid interpolation as a point operation. It rejects a point outside
// the grid or in a cell with a no-data corner; a rejected result carries the
// source point.
class GridTransform final : public PointOperation {
 public:
  GridTransform(const Grid& m_grid, const Grid& p_grid) : m_grid_(m_grid), p_grid_(p_grid) {}

  PointResult forward(PlanarPoint source) const override;

 private:
  const Grid& m_grid_;
  const Grid& p_grid_;
};

}  // namespace kelvrin::transform
