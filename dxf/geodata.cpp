// A drawing's geographic reference: where its model lies on the Earth and
// in which coordinate system.

#include "dxf/geodata.hpp"

#include <cctype>
#include <cmath>
#include <optional>

#include "dxf/local_similarity.hpp"
#include "dxf/numbers.hpp"
#include "dxf/pass_support.hpp"
#include "dxf/portable_math.hpp"

namespace kelvrin::dxf {
namespace {

using transform::PlanarPoint;
using transform::PointResult;
using transform::PointStatus;

constexpr int geographic_coordinates = 3;  // group 70: latitude and longitude

// The text of the first element `tag` inside `xml` from `from`, or empty.
std::string_view element_text(std::string_view xml, std::string_view tag, std::size_t from = 0) {
  const std::string open = "<" + std::string(tag) + ">";
  const std::size_t begin = xml.find(open, from);
  if (begin == std::string_view::npos) return {};
  const std::size_t text = begin + open.size();
  const std::size_t end = xml.find('<', text);
  return end == std::string_view::npos ? std::string_view{} : xml.substr(text, end - text);
}

// The value of `attribute` in the element that starts at `at`.
std::string_view attribute(std::string_view xml, std::size_t at, std::string_view name) {
  const std::size_t close = xml.find('>', at);
  const std::string_view element = xml.substr(at, close - at);
  const std::string key = " " + std::string(name) + "=\"";
  const std::size_t begin = element.find(key);
  if (begin == std::string_view::npos) return {};
  const std::size_t value = begin + key.size();
  const std::size_t end = element.find('"', value);
  return end == std::string_view::npos ? std::string_view{} : element.substr(value, end - value);
}

std::string trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  return std::string(text);
}

// Letters and digits only, lower case: "ETRS89 / Portugal TM06" and
// "ETRS89.PortugalTM06" compare equal.
std::string folded(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (std::isalnum(static_cast<unsigned char>(c)) != 0) {
      out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
  }
  return out;
}

std::optional<double> value_number(const TagReader& in, const Tag& tag) {
  return number(in.value_text(tag));
}

}  // namespace

// A WKT definition: its first quoted name, and the EPSG code of its last
// identifier, the system's own (AUTHORITY["EPSG","3763"] or ID["EPSG",3763]).
NamedSystem named_in_wkt(std::string_view definition) {
  NamedSystem named;
  const std::size_t open = definition.find('"');
  const std::size_t close = definition.find('"', open + 1);
  if (open != std::string_view::npos && close != std::string_view::npos) {
    named.name = std::string(definition.substr(open + 1, close - open - 1));
  }
  const std::size_t epsg = definition.rfind("\"EPSG\",");
  if (epsg != std::string_view::npos) {
    for (std::size_t at = epsg + 7; at < definition.size(); ++at) {
      const char c = definition[at];
      if (std::isdigit(static_cast<unsigned char>(c)) != 0) {
        named.code += c;
      } else if (c != '"' && c != ' ') {
        break;
      }
    }
  }
  return named;
}

NamedSystem named_system(std::string_view definition) {
  NamedSystem named;
  if (definition.find('<') == std::string_view::npos &&
      definition.find('[') != std::string_view::npos) {
    return named_in_wkt(definition);
  }
  if (definition.find('<') == std::string_view::npos) {
    named.name = trimmed(definition);
    return named;
  }
  // The system's alias at the dictionary's top level: the one readers take.
  for (std::size_t at = definition.find("<Alias "); at != std::string_view::npos;
       at = definition.find("<Alias ", at + 1)) {
    if (attribute(definition, at, "type") != "CoordinateSystem") continue;
    const std::size_t end = definition.find("</Alias>", at);
    const std::string_view alias = definition.substr(at, end - at);
    if (trimmed(element_text(alias, "Namespace")) == "EPSG Code") {
      named.code = trimmed(attribute(definition, at, "id"));
      break;
    }
  }
  for (const std::string_view kind :
       {"<ProjectedCoordinateSystem ", "<GeographicCoordinateSystem ", "<CoordinateSystem "}) {
    const std::size_t at = definition.find(kind);
    if (at == std::string_view::npos) continue;
    named.name = trimmed(element_text(definition, "Name", at));
    if (named.name.empty()) named.name = trimmed(attribute(definition, at, "id"));
    break;
  }
  return named;
}

bool names_source(const NamedSystem& named, const GeoreferenceSystems& systems) {
  if (systems.source_code.empty()) return false;
  if (!named.code.empty()) return named.code == systems.source_code;
  const std::string name = folded(named.name);
  return !name.empty() &&
         (name == folded(systems.source_name) || name == folded("EPSG:" + systems.source_code));
}

std::vector<std::string> definition_values(std::string_view definition, std::size_t chunk) {
  std::vector<std::string> values;
  while (!definition.empty()) {
    std::size_t size = std::min(chunk, definition.size());
    // A character of several bytes stays whole.
    while (size < definition.size() && size > 1 &&
           (static_cast<unsigned char>(definition[size]) & 0xC0) == 0x80) {
      --size;
    }
    std::string value;
    for (const char c : definition.substr(0, size)) {
      if (c == '\n') {
        value += "^J";
      } else if (c != '\r') {
        value += c;
      }
    }
    values.push_back(std::move(value));
    definition.remove_prefix(size);
  }
  return values;
}

void GeodataRewriter::rewrite(std::span<const Tag> record) {
  report_.geodata = true;
  // The object's own tags follow its subclass marker.
  std::size_t own = 0;
  while (own < record.size() &&
         !(record[own].code == 100 && trim_blanks(in_.value_text(record[own])) == "AcDbGeoData")) {
    ++own;
  }
  int version = 2;
  int coordinates = 0;
  std::string definition;
  std::size_t design = record.size();
  for (std::size_t i = own; i < record.size(); ++i) {
    const Tag& tag = record[i];
    if (tag.code == 90) version = static_cast<int>(value_number(in_, tag).value_or(2.0));
    if (tag.code == 70) coordinates = static_cast<int>(value_number(in_, tag).value_or(0.0));
    if (tag.code == 10 && design == record.size()) design = i;
    if (tag.code == 303 || tag.code == 301) {
      const std::string_view text = in_.value_text(tag);
      for (std::size_t at = 0; at < text.size(); ++at) {
        if (text.compare(at, 2, "^J") == 0) {
          definition += '\n';
          ++at;
        } else {
          definition += text[at];
        }
      }
    }
  }

  const NamedSystem named = named_system(definition);
  report_.geodata_named = named.code.empty() ? named.name : "EPSG:" + named.code;
  std::string target;
  if (systems_ == nullptr) {
    report_.geodata_system = PassReport::GeodataSystem::unknown;
  } else if (!names_source(named, *systems_)) {
    report_.geodata_system = PassReport::GeodataSystem::other;
  } else {
    if (systems_->target_definition) target = systems_->target_definition();
    report_.geodata_system = target.empty() ? PassReport::GeodataSystem::target_unnamed
                                            : PassReport::GeodataSystem::target;
  }
  // A reference point in the source system; a geographic one stays. The
  // mesh's source points are in the object's system too: AutoCAD's own
  // drawings keep there the grid coordinates of a whole country, whatever
  // the drawing's WCS. Both change with the system's definition.
  const bool moves_reference = !target.empty() && coordinates != geographic_coordinates;

  // Where T does not reach the design point, the object is left whole.
  std::optional<PlanarPoint> design_point;
  if (design + 1 < record.size() && record[design + 1].code == 20) {
    design_point = PlanarPoint{value_number(in_, record[design]).value_or(NAN),
                               value_number(in_, record[design + 1]).value_or(NAN)};
  }
  PointResult moved_design{PointStatus::rejected, {}};
  transform::JacobianResult turned{PointStatus::rejected, {}};
  if (design_point && std::isfinite(design_point->x) && std::isfinite(design_point->y)) {
    moved_design = operation_->forward(*design_point);
    turned = operation_->derivative(*design_point);
  }
  if (moved_design.status != PointStatus::ok || turned.status != PointStatus::ok) {
    report_.geodata_system = PassReport::GeodataSystem::unknown;
    for (const Tag& tag : record) copy_.tag(tag);
    return;
  }
  const LocalSimilarity local(turned.jacobian, Ocs{});

  // Version 1 keeps its mesh's source points in 12/22 and has no north;
  // the later ones keep the north in 12/22 and the mesh's source points in
  // 13/23.
  const int mesh_source = version < 2 ? 12 : 13;
  const int north = version < 2 ? -1 : 12;
  bool definition_written = false;
  for (std::size_t i = 0; i < record.size(); ++i) {
    const Tag& tag = record[i];
    const bool paired = i > own && i + 1 < record.size() && record[i + 1].code == tag.code + 10;
    const auto pair = [&]() -> std::optional<PlanarPoint> {
      const auto x = value_number(in_, tag);
      const auto y = value_number(in_, record[i + 1]);
      if (!x || !y) return std::nullopt;
      return PlanarPoint{*x, *y};
    };
    if (paired && i == design) {
      writer_.write_pair(tag, record[i + 1], moved_design.point, false);
      ++i;
      continue;
    }
    if (paired && moves_reference && (tag.code == mesh_source || tag.code == 11)) {
      if (const auto point = pair()) {
        const PointResult moved = operation_->forward(*point);
        if (moved.status == PointStatus::ok) {
          writer_.write_pair(tag, record[i + 1], moved.point, false);
          ++i;
          continue;
        }
      }
    }
    if (paired && tag.code == north) {
      const auto vector = pair();
      if (vector && (vector->x != 0.0 || vector->y != 0.0)) {
        const PlanarPoint carried = local.carried(*vector);
        const double scale =
            portable::hypot(vector->x, vector->y) / portable::hypot(carried.x, carried.y);
        writer_.write_pair(tag, record[i + 1], {carried.x * scale, carried.y * scale}, true);
        ++i;
        continue;
      }
    }
    if (i > own && !target.empty() && (tag.code == 303 || tag.code == 301)) {
      if (!definition_written) write_definition(target);
      definition_written = true;
      continue;
    }
    copy_.tag(tag);
  }
}

// Every value but the last is a 303, the last a 301.
void GeodataRewriter::write_definition(const std::string& definition) {
  const std::vector<std::string> values = definition_values(definition);
  copy_.flush();
  for (std::size_t i = 0; i < values.size(); ++i) {
    out_.write_line(i + 1 < values.size() ? "303" : "301");
    out_.write_line(values[i]);
  }
}

}  // namespace kelvrin::dxf
