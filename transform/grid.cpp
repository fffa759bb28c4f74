#include "transform/grid.hpp"

#include <cmath>
#include <optional>

#include "dxf/numbers.hpp"
#include "transform/text_file.hpp"

namespace kelvrin::transform {
namespace {

using namespace grid_geometry;

bool is_space(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Reads the whitespace- or comma-separated tokens of a grid file. Two commas
// with nothing but blanks between them make an empty token, which is no
// number: a missing value must not shift every node after it.
class TokenReader {
 public:
  explicit TokenReader(TextFile& in) : in_(in) {}

  // The next token, its first longest_grid_token characters when it is
  // longer (cut() tells).
  std::optional<std::string> next() {
    cut_ = false;
    skip_spaces();
    if (in_.peek() == TextFile::end) return std::nullopt;
    if (first_ || in_.peek() != ',') {
      first_ = false;
    } else {
      in_.get();
      skip_spaces();
    }
    std::string token;
    for (int c = in_.peek(); c != TextFile::end && c != ',' && !is_space(c); c = in_.peek()) {
      in_.get();
      if (token.size() < longest_grid_token) {
        token += static_cast<char>(c);
      } else {
        cut_ = true;
      }
    }
    if (token.empty() && in_.peek() == TextFile::end) return std::nullopt;
    return token;
  }

  bool cut() const noexcept { return cut_; }

 private:
  void skip_spaces() {
    while (is_space(in_.peek())) in_.get();
  }
  TextFile& in_;
  bool first_ = true;
  bool cut_ = false;
};

void read_grid(TextFile& in, Grid& grid, GridFileRead& read) {
  TokenReader tokens(in);
  for (double& value : grid.values()) {
    const auto token = tokens.next();
    if (!token) {
      read.error = GridFileError::too_few;
      return;
    }
    const auto number = tokens.cut() ? std::nullopt : dxf::strict_number(*token);
    if (!number) {
      read.error = tokens.cut() ? GridFileError::too_long : GridFileError::not_a_number;
      read.text = tokens.cut() ? token->substr(0, 20) : *token;
      return;
    }
    value = *number;
    ++read.values_read;
  }
}

}  // namespace

GridFileRead load_grid(const std::string& path, Grid& grid) {
  GridFileRead read;
  TextFile in;
  if (const platform::SystemError error = in.open(path)) {
    read.error = GridFileError::cannot_open;
    read.system_error = error;
    return read;
  }
  read_grid(in, grid, read);
  // What was read up to a failed read, its last token perhaps cut short,
  // tells nothing of the file.
  if (const platform::SystemError error = in.error()) {
    read.error = GridFileError::cannot_read;
    read.system_error = error;
  }
  return read;
}

bool inside_grid(double x, double y) { return !(x < west || x > east || y > north || y < south); }

GridCell locate_cell(double x, double y) {
  // One ulp inside the east or south edge, the division rounds up to the
  // edge itself; such points belong to the last cell, like the edge.
  int column = columns - 1;
  if (x != east) column = std::min(static_cast<int>((x + 140000.0) / spacing) + 1, columns - 1);
  int row = rows - 1;
  if (y != south) row = std::min(static_cast<int>((290000.0 - y) / spacing) + 1, rows - 1);
  return {row, column};
}

double interpolate(const Grid& grid, GridCell cell, double x, double y) {
  const int j = cell.row;
  const int i = cell.column;
  const double x_east = i * spacing + (-140000.0);
  const double y_north = 290000.0 - (j - 1) * spacing;
  const double dx = x_east - x;
  const double dy = y_north - y;
  const double nw = grid.at(j, i);
  const double ne = grid.at(j, i + 1);
  const double sw = grid.at(j + 1, i);
  const double se = grid.at(j + 1, i + 1);
  const double a = ((((se * -1.0) + sw) - nw) + ne) / std::pow(spacing, 2);
  const double b = (nw - ne) / spacing;
  const double c = (se - ne) / spacing;
  return ((((dx * a) * dy) + (dx * b)) + (dy * c)) + ne;
}

PointResult GridTransform::forward(PlanarPoint source) const {
  const double x = source.x;
  const double y = source.y;
  const PointResult rejected{PointStatus::rejected, {x, y}};
  if (!inside_grid(x, y)) return rejected;
  const GridCell cell = locate_cell(x, y);
  for (const Grid* grid : {&m_grid_, &p_grid_}) {
    if (grid->at(cell.row, cell.column) == no_data ||
        grid->at(cell.row + 1, cell.column) == no_data ||
        grid->at(cell.row, cell.column + 1) == no_data ||
        grid->at(cell.row + 1, cell.column + 1) == no_data) {
      return rejected;
    }
  }
  const double x_out = interpolate(m_grid_, cell, x, y);
  const double y_out = interpolate(p_grid_, cell, x, y);
  return {PointStatus::ok, {x_out, y_out}};
}

}  // namespace kelvrin::transform
