#include "dxf/drawing_survey.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "dxf/number_scan.hpp"
#include "dxf/pass_support.hpp"
#include "dxf/tag_reader.hpp"

namespace kelvrin::dxf {
namespace {

bool is_dimension_type(std::string_view type) {
  return type == "DIMENSION" || type == "ARC_DIMENSION" || type == "LARGE_RADIAL_DIMENSION";
}

// A block whose content lies in this drawing and is not a layout: one that
// an insert can place. External references (flags 4, 8, 16, 32) keep their
// geometry in other files.
bool placeable_block(const std::string& upper_name, std::int64_t flags) {
  constexpr std::int64_t external = 4 | 8 | 16 | 32;
  return (flags & external) == 0 && !upper_name.starts_with("*MODEL_SPACE") &&
         !upper_name.starts_with("*PAPER_SPACE") && !upper_name.starts_with("*D");
}

// The record being read, for the kinds the survey looks into.
struct Record {
  enum class Kind { other, block, insert, dimension };
  Kind kind = Kind::other;
  bool in_blocks = false;  // an INSERT inside a block definition
  std::string name;        // 2: the block's or the one it uses, upper case
  std::int64_t flags = 0;  // a BLOCK's 70
  bool paper_space = false;
  bool several = false;  // a MINSERT: more than one column or row
  BlockPlacement placement;
  bool readable = true;  // every number of the placement read

  void take(int code, std::string_view value) {
    double* number = nullptr;
    switch (code) {
      case 2: name = upper_case(value); return;
      case 67: paper_space = strict_number(value) == 1.0; return;
      case 70:
      case 71: {
        const double count = strict_number(value).value_or(0.0);
        if (kind == Kind::block && code == 70) flags = static_cast<std::int64_t>(count);
        if (kind == Kind::insert && count > 1.0) several = true;
        return;
      }
      case 10: number = &placement.insertion.x; break;
      case 20: number = &placement.insertion.y; break;
      case 41: number = &placement.x_scale; break;
      case 42: number = &placement.y_scale; break;
      case 50: number = &placement.rotation_degrees; break;
      case 210: number = &placement.extrusion.x; break;
      case 220: number = &placement.extrusion.y; break;
      case 230: number = &placement.extrusion.z; break;
      default: return;
    }
    const auto read = strict_number(value);
    if (read) {
      *number = *read;
    } else {
      readable = false;
    }
  }

  // An insert whose placement can be undone: scales that are not zero, a
  // plane that is the world's or its mirror image.
  bool invertible() const {
    const BlockPlacement& p = placement;
    return readable && std::isfinite(p.insertion.x) && std::isfinite(p.insertion.y) &&
           std::isfinite(p.x_scale) && std::isfinite(p.y_scale) && p.x_scale != 0.0 &&
           p.y_scale != 0.0 && std::isfinite(p.rotation_degrees) && p.extrusion.x == 0.0 &&
           p.extrusion.y == 0.0 && p.extrusion.z != 0.0;
  }
};

struct BlockUses {
  int model = 0;  // model-space INSERTs
  int other = 0;  // any other: paper space, inside a block, a MINSERT
  BlockPlacement placement;
};

}  // namespace

DrawingSurvey survey_drawing(const PassFile& file, std::size_t buffer_size) {
  TagReader in(buffer_size);
  if (!in.open(file)) return {};

  std::set<std::string> anonymous_blocks;  // "*D..." defined in BLOCKS
  std::set<std::string> shown_by_model;    // named by model-space dimensions
  std::set<std::string> placeable;         // defined in BLOCKS
  std::map<std::string, BlockUses> uses;
  std::string section;
  bool expecting_section_name = false;
  bool blocks_done = false;
  bool entities_done = false;
  Record record;

  const auto end_record = [&] {
    switch (record.kind) {
      case Record::Kind::block:
        if (record.name.starts_with("*D")) anonymous_blocks.insert(record.name);
        if (placeable_block(record.name, record.flags)) placeable.insert(record.name);
        break;
      case Record::Kind::insert: {
        BlockUses& block = uses[record.name];
        if (record.in_blocks || record.paper_space || record.several || !record.invertible()) {
          ++block.other;
        } else {
          ++block.model;
          block.placement = record.placement;
        }
        break;
      }
      case Record::Kind::dimension:
        if (!record.paper_space && !record.name.empty()) shown_by_model.insert(record.name);
        break;
      case Record::Kind::other: break;
    }
    record = Record{};
  };
  // Blocks come before the entities: with none that they decide on, the
  // entities need not be read at all.
  const auto entities_matter = [&] { return !anonymous_blocks.empty() || !placeable.empty(); };

  Tag tag;
  for (;;) {
    in.mark();
    if (in.next(tag) != TagReader::Next::tag) break;
    const auto code = group_code(in.code_text(tag));
    if (!code) break;
    const std::string_view value = trim_blanks(in.value_text(tag));
    if (*code != 0) {
      if (expecting_section_name && *code == 2) {
        section = value;
        expecting_section_name = false;
        if (section == "ENTITIES" && !entities_matter()) break;
      } else if (record.kind != Record::Kind::other) {
        record.take(*code, value);
      }
      continue;
    }
    end_record();
    if (value == "SECTION") {
      expecting_section_name = true;
    } else if (value == "ENDSEC") {
      if (section == "BLOCKS") blocks_done = true;
      if (section == "ENTITIES") entities_done = true;
      if (blocks_done && (entities_done || !entities_matter())) break;
      section.clear();
    } else if (section == "BLOCKS") {
      if (value == "BLOCK") record.kind = Record::Kind::block;
      if (value == "INSERT") {
        record.kind = Record::Kind::insert;
        record.in_blocks = true;
      }
    } else if (section == "ENTITIES") {
      if (value == "INSERT") record.kind = Record::Kind::insert;
      if (is_dimension_type(value)) record.kind = Record::Kind::dimension;
    }
  }
  end_record();

  DrawingSurvey survey;
  std::set_intersection(
      anonymous_blocks.begin(), anonymous_blocks.end(), shown_by_model.begin(),
      shown_by_model.end(),
      std::inserter(survey.model_dimension_blocks, survey.model_dimension_blocks.end()));
  for (const auto& [name, block] : uses) {
    if (block.model == 1 && block.other == 0 && placeable.count(name) > 0) {
      survey.blocks_placed_once.emplace(name, block.placement);
    }
  }
  return survey;
}

}  // namespace kelvrin::dxf
