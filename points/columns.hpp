#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvrin::points {

// What a column of a point list holds. Only the two plane coordinates are
// ever rewritten; every other column is copied as it lies.
enum class ColumnRole {
  kept,        // a code, a description, anything else
  identifier,  // the point's name or number
  east,        // E, X, M (meridiana), or the longitude
  north,       // N, Y, P (perpendicular), or the latitude
  height,      // Z: copied, since every route is a plane transformation
};

struct Columns {
  std::vector<ColumnRole> roles;
  std::size_t east = 0;   // index of the east column
  std::size_t north = 0;  // index of the north column

  // Fields a data line needs: up to the last coordinate column.
  std::size_t needed_fields() const { return std::max(east, north) + 1; }
};

// Why a set of column names gives no usable columns.
enum class ColumnsProblem {
  none,
  no_coordinates,  // no east or no north column
  repeated,        // two east or two north columns
  lone_p,          // "P" with no "M": the point or the perpendicular?
  m_without_p,     // "M" with no "P" right after it
};

struct ColumnsRead {
  std::optional<Columns> columns;
  ColumnsProblem problem = ColumnsProblem::none;
};

// The columns of the --columns option: letters in order, with commas
// ("P,E,N,Z,D") or without ("PENZD"). P the point, E/N east and north, M
// and P together meridiana and perpendicular (the P right after M), Z the
// height, LAT/LON (with commas) latitude and longitude; any other name is a
// column kept as it is. Case does not matter.
ColumnsRead columns_from_option(std::string_view text);

// The columns a header line names ("Ponto;M;P;Cota;Código", "ID,X,Y,Z",
// "Name,Easting,Northing"), in Portuguese or English, any case, as UTF-8 or
// Latin-1. A name it does not know is a column kept as it is; a lone "P" is
// refused as ambiguous.
ColumnsRead columns_from_header(const std::vector<std::string_view>& names);

}  // namespace kelvrin::points
