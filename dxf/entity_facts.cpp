#include "dxf/entity_facts.hpp"

#include "dxf/entity_rewriter.hpp"

namespace kelvrin::dxf {

EntityFacts gather_facts(std::span<const Tag> record, EntityKind kind, const TagReader& in) {
  const KindRules& rules = kind_rules(kind);
  EntityFacts facts;
  const auto value = [&](const Tag& tag) { return number(in.value_text(tag)); };
  bool head_seen = false;
  for (std::size_t i = 0; i < record.size(); ++i) {
    const Tag& tag = record[i];
    switch (tag.code) {
      case 67:
        facts.has_paper_flag = true;
        facts.paper_space = value(tag) == 1.0;
        break;
      case 210: facts.extrusion.x = value(tag).value_or(0.0); break;
      case 220: facts.extrusion.y = value(tag).value_or(0.0); break;
      case 230: facts.extrusion.z = value(tag).value_or(1.0); break;
      case 66: facts.attributes_follow = value(tag) == 1.0; break;
      case 38: facts.elevation = value(tag).value_or(0.0); break;
      case 70:
        if (facts.flags == 0) facts.flags = integer(value(tag));
        break;
      case 30:
        // A POLYLINE and a HATCH keep their height in the z of a point that
        // is not a position: a HATCH's in the head before its own point.
        if (i > 0 && record[i - 1].code == 20 && rules.elevation_code == 30 &&
            (!rules.head_point || facts.first_point == EntityFacts::no_point)) {
          facts.elevation = value(tag).value_or(0.0);
        }
        break;
      case 10:
        if (rules.head_point && !head_seen) {
          head_seen = true;
        } else if (facts.first_point == EntityFacts::no_point && i + 1 < record.size() &&
                   record[i + 1].code == 20) {
          facts.first_point = i;
        }
        break;
      case 11:
        if (rules.adds_direction && facts.first_point != EntityFacts::no_point) {
          facts.has_direction = true;
        }
        break;
      case 41: facts.has_x_scale = true; break;
      case 42: facts.has_y_scale = true; break;
      case 50: facts.has_rotation = true; break;
      default: break;
    }
  }
  return facts;
}

const Tag* find_tag(std::span<const Tag> record, int code) {
  for (const Tag& tag : record) {
    if (tag.code == code) return &tag;
  }
  return nullptr;
}

std::optional<double> number_of(std::span<const Tag> record, int code, const TagReader& in) {
  const Tag* tag = find_tag(record, code);
  return tag != nullptr ? number(in.value_text(*tag)) : std::nullopt;
}

}  // namespace kelvrin::dxf
