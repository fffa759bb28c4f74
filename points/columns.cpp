#include "points/columns.hpp"

#include <algorithm>
#include <array>

namespace kelvrin::points {
namespace {

// A name in lower-case ASCII: accents dropped whether the bytes are UTF-8
// or Latin-1, so "Código", "CÓDIGO" and its Latin-1 spelling meet.
std::string folded(std::string_view name) {
  std::string text;
  for (std::size_t i = 0; i < name.size(); ++i) {
    auto c = static_cast<unsigned char>(name[i]);
    if (c == 0xC3 && i + 1 < name.size()) {  // UTF-8 Latin-1 supplement
      c = static_cast<unsigned char>(static_cast<unsigned char>(name[++i]) + 0x40);
    }
    if (c >= 0xC0) {
      // Latin-1 letters with accents, by their base letter.
      constexpr std::string_view bases = "aaaaaaaceeeeiiiidnooooo*ouuuuyts";
      c = static_cast<unsigned char>(bases[(c - 0xC0) % 32]);
    }
    if (c == '"' || c == '\'' || c == ' ' || c == '\t') continue;
    if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
    text += static_cast<char>(c);
  }
  return text;
}

// Header names as surveying software and spreadsheets write them.
struct NamedRole {
  std::string_view name;
  ColumnRole role;
};
constexpr std::array header_names{
    NamedRole{"ponto", ColumnRole::identifier},
    NamedRole{"pto", ColumnRole::identifier},
    NamedRole{"pt", ColumnRole::identifier},
    NamedRole{"id", ColumnRole::identifier},
    NamedRole{"nome", ColumnRole::identifier},
    NamedRole{"name", ColumnRole::identifier},
    NamedRole{"point", ColumnRole::identifier},
    NamedRole{"numero", ColumnRole::identifier},
    NamedRole{"e", ColumnRole::east},
    NamedRole{"este", ColumnRole::east},
    NamedRole{"east", ColumnRole::east},
    NamedRole{"easting", ColumnRole::east},
    NamedRole{"x", ColumnRole::east},
    NamedRole{"meridiana", ColumnRole::east},
    NamedRole{"lon", ColumnRole::east},
    NamedRole{"long", ColumnRole::east},
    NamedRole{"longitude", ColumnRole::east},
    NamedRole{"n", ColumnRole::north},
    NamedRole{"norte", ColumnRole::north},
    NamedRole{"north", ColumnRole::north},
    NamedRole{"northing", ColumnRole::north},
    NamedRole{"y", ColumnRole::north},
    NamedRole{"perpendicular", ColumnRole::north},
    NamedRole{"lat", ColumnRole::north},
    NamedRole{"latitude", ColumnRole::north},
    NamedRole{"z", ColumnRole::height},
    NamedRole{"cota", ColumnRole::height},
    NamedRole{"h", ColumnRole::height},
    NamedRole{"altitude", ColumnRole::height},
    NamedRole{"height", ColumnRole::height},
    NamedRole{"elevation", ColumnRole::height},
    NamedRole{"elev", ColumnRole::height},
};

// The east and north columns of a list of roles, each exactly once.
ColumnsRead checked(std::vector<ColumnRole> roles) {
  Columns columns;
  int east = 0;
  int north = 0;
  for (std::size_t i = 0; i < roles.size(); ++i) {
    if (roles[i] == ColumnRole::east) columns.east = i, ++east;
    if (roles[i] == ColumnRole::north) columns.north = i, ++north;
  }
  if (east == 0 || north == 0) return {std::nullopt, ColumnsProblem::no_coordinates};
  if (east > 1 || north > 1) return {std::nullopt, ColumnsProblem::repeated};
  columns.roles = std::move(roles);
  return {std::move(columns), ColumnsProblem::none};
}

// "M" makes the "P" right after it the perpendicular; any other "P" is the
// point. `names` are folded.
ColumnsRead with_meridiana(const std::vector<std::string>& names, std::vector<ColumnRole> roles,
                           bool lone_p_refused) {
  const bool has_m = std::find(names.begin(), names.end(), "m") != names.end();
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i] == "m") {
      if (i + 1 == names.size() || names[i + 1] != "p") return {{}, ColumnsProblem::m_without_p};
      roles[i] = ColumnRole::east;
      roles[i + 1] = ColumnRole::north;
    } else if (names[i] == "p" && (i == 0 || names[i - 1] != "m")) {
      if (!has_m && lone_p_refused) return {{}, ColumnsProblem::lone_p};
      roles[i] = ColumnRole::identifier;
    }
  }
  return checked(std::move(roles));
}

}  // namespace

ColumnsRead columns_from_option(std::string_view text) {
  std::vector<std::string> names;
  if (text.find(',') != std::string_view::npos) {
    std::size_t start = 0;
    while (start <= text.size()) {
      const std::size_t comma = std::min(text.find(',', start), text.size());
      names.push_back(folded(text.substr(start, comma - start)));
      start = comma + 1;
    }
  } else {
    for (const char letter : text) names.push_back(folded(std::string_view(&letter, 1)));
  }
  std::vector<ColumnRole> roles;
  for (const std::string& name : names) {
    ColumnRole role = ColumnRole::kept;
    if (name == "e" || name == "lon") role = ColumnRole::east;
    if (name == "n" || name == "lat") role = ColumnRole::north;
    if (name == "z") role = ColumnRole::height;
    roles.push_back(role);
  }
  return with_meridiana(names, std::move(roles), false);
}

ColumnsRead columns_from_header(const std::vector<std::string_view>& header) {
  std::vector<std::string> names;
  std::vector<ColumnRole> roles;
  for (const std::string_view name : header) {
    names.push_back(folded(name));
    ColumnRole role = ColumnRole::kept;
    for (const NamedRole& known : header_names) {
      if (known.name == names.back()) role = known.role;
    }
    roles.push_back(role);
  }
  return with_meridiana(names, std::move(roles), true);
}

}  // namespace kelvrin::points
