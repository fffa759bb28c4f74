#include "dxf/drawing_survey.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "dxf/entity_rewriter.hpp"
#include "dxf/entity_rules.hpp"
#include "dxf/numbers.hpp"
#include "dxf/pass_support.hpp"
#include "dxf/plain_tags.hpp"
#include "dxf/section.hpp"
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
    double* field = nullptr;
    switch (code) {
      case 2: name = upper_case(value); return;
      case 67: paper_space = strict_number(value) == 1.0; return;
      case 70:
      case 71: {
        const auto read = strict_number(value);
        const double count = read.value_or(0.0);
        if (kind == Kind::block && code == 70) flags = integer(read);
        if (kind == Kind::insert && count > 1.0) several = true;
        return;
      }
      case 10: field = &placement.insertion.x; break;
      case 20: field = &placement.insertion.y; break;
      case 41: field = &placement.x_scale; break;
      case 42: field = &placement.y_scale; break;
      case 50: field = &placement.rotation_degrees; break;
      case 210: field = &placement.extrusion.x; break;
      case 220: field = &placement.extrusion.y; break;
      case 230: field = &placement.extrusion.z; break;
      default: return;
    }
    const auto read = dxf::number(value);
    if (read) {
      *field = *read;
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

  // Moved with its inserts, whatever else uses it.
  bool decided() const { return model >= 2 || other >= 1; }
};

// The survey's reading of the tags, one at a time.
class Surveyor {
 public:
  // Takes the next tag; false once nothing further can change the survey.
  bool take(int code, std::string_view value) {
    if (code != 0) {
      if (record_.kind != Record::Kind::other) {
        record_.take(code, trim_blanks(value));
      } else if (block_ != nullptr) {
        take_content(code, value);
      } else if (expecting_section_name_ && code == 2) {
        expecting_section_name_ = false;
        value = trim_blanks(value);
        section_ = section_named(value);
        if (section_ == Section::entities && !entities_matter()) return false;
      }
      return true;
    }
    if (record_.kind != Record::Kind::other) {
      end_record();
      // Once every block is used more than once, and no dimension block
      // waits for its dimension, the rest of the entities decide nothing.
      if (section_ == Section::entities && !entities_matter()) return false;
    }
    value = trim_blanks(value);
    switch (section_) {
      case Section::blocks:
        content_kind_ = entity_kind(value);
        pending_x_code_ = 0;
        if (value == "ENDBLK") block_ = nullptr;
        if (value == "BLOCK") {
          record_.kind = Record::Kind::block;
        } else if (value == "INSERT") {
          record_.kind = Record::Kind::insert;
          record_.in_blocks = true;
        }
        break;
      case Section::entities:
        if (value == "INSERT") {
          record_.kind = Record::Kind::insert;
        } else if (is_dimension_type(value)) {
          record_.kind = Record::Kind::dimension;
        }
        break;
      default: break;
    }
    if (value == "SECTION") {
      expecting_section_name_ = true;
    } else if (value == "ENDSEC") {
      if (section_ == Section::blocks) {
        blocks_done_ = true;
        undecided_ = static_cast<std::size_t>(
            std::count_if(placeable_.begin(), placeable_.end(),
                          [this](const std::string& name) { return !uses_[name].decided(); }));
      }
      if (section_ == Section::entities) entities_done_ = true;
      if (blocks_done_ && (entities_done_ || !entities_matter())) return false;
      section_ = Section::none;
      block_ = nullptr;
    }
    return true;
  }

  // Whether only a code 0 can matter now: inside a record it does not look
  // into, most tags of a drawing.
  bool passes_over_values() const {
    return record_.kind == Record::Kind::other && block_ == nullptr && !expecting_section_name_;
  }

  DrawingSurvey result() {
    if (record_.kind != Record::Kind::other) end_record();
    DrawingSurvey survey;
    std::set_intersection(
        anonymous_blocks_.begin(), anonymous_blocks_.end(), shown_by_model_.begin(),
        shown_by_model_.end(),
        std::inserter(survey.model_dimension_blocks, survey.model_dimension_blocks.end()));
    for (const auto& [name, block] : uses_) {
      if (block.model == 1 && block.other == 0 && placeable_.count(name) > 0) {
        survey.blocks_placed_once.emplace(name, block.placement);
      }
    }
    for (auto& [name, extent] : extents_) {
      if (!extent.empty() && survey.blocks_placed_once.count(name) == 0) {
        survey.shared_blocks.emplace(name, extent);
      }
    }
    return survey;
  }

 private:
  void end_record() {
    switch (record_.kind) {
      case Record::Kind::block:
        if (record_.name.starts_with("*D")) anonymous_blocks_.insert(record_.name);
        if (placeable_block(record_.name, record_.flags)) {
          placeable_.insert(record_.name);
          block_ = &extents_[record_.name];
          block_->base = record_.placement.insertion;
        }
        break;
      case Record::Kind::insert: {
        if (record_.in_blocks && block_ != nullptr) block_->add(record_.placement.insertion);
        BlockUses& block = uses_[record_.name];
        const bool was_decided = block.decided();
        if (record_.in_blocks || record_.paper_space || record_.several || !record_.invertible()) {
          ++block.other;
        } else {
          ++block.model;
          block.placement = record_.placement;
        }
        if (!record_.in_blocks && !was_decided && block.decided() &&
            placeable_.count(record_.name) > 0) {
          --undecided_;
        }
        break;
      }
      case Record::Kind::dimension:
        if (!record_.paper_space && !record_.name.empty()) shown_by_model_.insert(record_.name);
        break;
      case Record::Kind::other: break;
    }
    record_ = Record{};
  }

  // A position of the block being defined widens its box; other pairs
  // (directions, sizes) do not.
  void take_content(int code, std::string_view value) {
    if (code >= 10 && code <= 18) {
      const Role role = role_of(content_kind_, first_part(content_kind_), code);
      if (role == Role::point || role == Role::ocs_point || role == Role::historical) {
        const auto x = strict_number(trim_blanks(value));
        pending_x_code_ = x ? code : 0;
        pending_x_ = x.value_or(0.0);
      }
    } else if (pending_x_code_ != 0 && code == pending_x_code_ + 10) {
      if (const auto y = strict_number(trim_blanks(value))) block_->add({pending_x_, *y});
      pending_x_code_ = 0;
    }
  }

  // Blocks come before the entities: with none that they decide on, the
  // entities need not be read at all.
  bool entities_matter() const {
    return !anonymous_blocks_.empty() || (blocks_done_ ? undecided_ > 0 : !placeable_.empty());
  }

  std::set<std::string> anonymous_blocks_;  // "*D..." defined in BLOCKS
  std::set<std::string> shown_by_model_;    // named by model-space dimensions
  std::set<std::string> placeable_;         // defined in BLOCKS
  std::map<std::string, BlockUses> uses_;
  std::size_t undecided_ = 0;  // placeable blocks that one insert may yet place
  std::map<std::string, BlockExtent> extents_;
  BlockExtent* block_ = nullptr;  // the placeable block being defined
  EntityKind content_kind_ = EntityKind::unknown;
  int pending_x_code_ = 0;  // an X of its content waiting for its Y
  double pending_x_ = 0.0;
  Section section_ = Section::none;
  bool expecting_section_name_ = false;
  bool blocks_done_ = false;
  bool entities_done_ = false;
  Record record_;
};

}  // namespace

DrawingSurvey survey_drawing(const PassFile& file, std::size_t buffer_size) {
  TagReader in(buffer_size);
  if (!in.open(file)) return {};
  Surveyor surveyor;
  Tag tag;
  for (;;) {
    in.mark();
    // Most of a drawing's tags, read as a PlainRun reads them; the others
    // one at a time.
    bool done = false;
    {
      PlainRun run(in);
      PlainTag plain;
      while (!done && (surveyor.passes_over_values() ? run.next_record(plain) : run.next(plain))) {
        run.take(plain);
        done = !surveyor.take(plain.code, plain.value_line());
      }
    }
    if (done) break;
    if (in.next(tag) != TagReader::Next::tag) break;
    // A line that is no group code is passed over like any code but 0, as
    // the plain loop passes over it: the pass stops there, naming it.
    const auto code = group_code(in.code_text(tag));
    if (!surveyor.take(code.value_or(-1), in.value_text(tag))) break;
  }
  return surveyor.result();
}

}  // namespace kelvrin::dxf
