#include "dxf/drawing_survey.hpp"

#include <algorithm>

#include "dxf/number_scan.hpp"
#include "dxf/pass_support.hpp"
#include "dxf/tag_reader.hpp"

namespace kelvrin::dxf {
namespace {

bool is_dimension_type(std::string_view type) {
  return type == "DIMENSION" || type == "ARC_DIMENSION" || type == "LARGE_RADIAL_DIMENSION";
}

}  // namespace

DrawingSurvey survey_drawing(const PassFile& file, std::size_t buffer_size) {
  TagReader in(buffer_size);
  if (!in.open(file)) return {};

  std::set<std::string> anonymous_blocks;  // "*D..." defined in BLOCKS
  std::set<std::string> shown_by_model;    // named by model-space dimensions
  std::string section;
  bool expecting_section_name = false;
  bool in_block_header = false;
  bool in_dimension = false;
  bool dimension_in_paper = false;
  std::string dimension_block;
  bool blocks_done = false;
  bool entities_done = false;

  const auto end_entity = [&] {
    if (in_dimension && !dimension_in_paper && !dimension_block.empty()) {
      shown_by_model.insert(dimension_block);
    }
    in_dimension = false;
    in_block_header = false;
  };

  Tag tag;
  for (;;) {
    in.mark();
    if (in.next(tag) != TagReader::Next::tag) break;
    const auto code = group_code(in.code_text(tag));
    if (!code) break;
    const std::string_view value = trim_blanks(in.value_text(tag));
    if (*code == 0) {
      end_entity();
      if (value == "SECTION") {
        expecting_section_name = true;
      } else if (value == "ENDSEC") {
        if (section == "BLOCKS") blocks_done = true;
        if (section == "ENTITIES") entities_done = true;
        if ((blocks_done && anonymous_blocks.empty()) || (blocks_done && entities_done)) break;
        section.clear();
      } else if (section == "BLOCKS") {
        in_block_header = value == "BLOCK";
      } else if (section == "ENTITIES" && is_dimension_type(value)) {
        in_dimension = true;
        dimension_in_paper = false;
        dimension_block.clear();
      }
    } else if (*code == 2) {
      if (expecting_section_name) {
        section = value;
        expecting_section_name = false;
        // Blocks come before the entities: with no dimension block among
        // them, the entities need not be read at all.
        if (section == "ENTITIES" && anonymous_blocks.empty()) break;
      } else if (in_block_header) {
        const std::string name = upper_case(value);
        if (name.starts_with("*D")) anonymous_blocks.insert(name);
        in_block_header = false;
      } else if (in_dimension) {
        dimension_block = upper_case(value);
      }
    } else if (*code == 67 && in_dimension) {
      dimension_in_paper = strict_number(value) == 1.0;
    }
  }
  end_entity();

  DrawingSurvey survey;
  std::set_intersection(
      anonymous_blocks.begin(), anonymous_blocks.end(), shown_by_model.begin(),
      shown_by_model.end(),
      std::inserter(survey.model_dimension_blocks, survey.model_dimension_blocks.end()));
  return survey;
}

}  // namespace kelvrin::dxf
