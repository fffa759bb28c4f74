#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dxf/record_writer.hpp"
#include "dxf/rewrite_dxf.hpp"
#include "dxf/tag_copy.hpp"
#include "dxf/tag_reader.hpp"
#include "transform/point_operation.hpp"

namespace kelvrin::dxf {

// The coordinate system a GEODATA definition names: the EPSG code of its
// coordinate-system alias (or of a WKT's identifier), and its own name (or
// the whole text, when the definition is a bare name).
struct NamedSystem {
  std::string code;
  std::string name;
};
NamedSystem named_system(std::string_view definition);

// Whether a definition naming `named` describes the source system of
// `systems`: by EPSG code, or by a name that is the source's EPSG name or
// code with case, blanks and punctuation ignored.
bool names_source(const NamedSystem& named, const GeoreferenceSystems& systems);

// A definition as GEODATA holds it: new lines written "^J", in values of
// at most `chunk` characters of the text, as AutoCAD splits it.
std::vector<std::string> definition_values(std::string_view definition, std::size_t chunk = 255);

// A drawing's geographic reference (GEODATA) follows the drawing: its
// design point through T, its north turned as T turns the plan at the
// design point. Where its system is the source system, the reference point
// and the mesh's source points (given in that system) go through T and the
// definition becomes the target's; the mesh's geographic points stay.
class GeodataRewriter {
 public:
  GeodataRewriter(const TagReader& in, TagCopy& copy, LineWriter& out, PassReport& report)
      : in_(in), copy_(copy), out_(out), writer_(in, copy, out), report_(report) {}

  void use_operation(const transform::PointOperation& operation) { operation_ = &operation; }
  void use_systems(const GeoreferenceSystems* systems) { systems_ = systems; }

  void rewrite(std::span<const Tag> record);

 private:
  void write_definition(const std::string& definition);

  const TagReader& in_;
  TagCopy& copy_;
  LineWriter& out_;
  RecordWriter writer_;
  PassReport& report_;
  const transform::PointOperation* operation_ = nullptr;
  const GeoreferenceSystems* systems_ = nullptr;
};

}  // namespace kelvrin::dxf
