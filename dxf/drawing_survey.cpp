#include "dxf/drawing_survey.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <optional>
#include <vector>

#include "dxf/entity_rewriter.hpp"
#include "dxf/entity_rules.hpp"
#include "dxf/numbers.hpp"
#include "dxf/pass_support.hpp"
#include "dxf/plain_tags.hpp"
#include "dxf/portable_math.hpp"
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
  enum class Kind { other, block, insert, dimension, block_record, handle_user };
  Kind kind = Kind::other;
  bool in_blocks = false;            // inside a block definition
  std::string name;                  // 2: the block's or the one it uses, upper case
  std::string handle;                // a BLOCK's 330 or a BLOCK_RECORD's 5: its block record
  std::vector<std::string> pointed;  // a MULTILEADER's, ACAD_TABLE's or DIMSTYLE's pointers
  std::int64_t flags = 0;            // a BLOCK's 70
  bool paper_space = false;
  bool several = false;  // a MINSERT: more than one column or row
  BlockPlacement placement;
  bool readable = true;  // every number of the placement read

  void take(int code, std::string_view value) {
    if (kind == Kind::handle_user) {
      if (code >= 340 && code <= 349) pointed.push_back(upper_case(value));
      return;
    }
    double* field = nullptr;
    switch (code) {
      case 2: name = upper_case(value); return;
      case 5:
        if (kind == Kind::block_record) handle = upper_case(value);
        return;
      case 330:
        if (kind == Kind::block) handle = upper_case(value);
        return;
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
  int model = 0;             // model-space INSERTs
  int inner = 0;             // INSERTs inside another block that an insert can place
  int other = 0;             // any other: paper space, a MINSERT, a handle, a dimension
  BlockPlacement placement;  // of the insert, where there is only one
  std::string parent;        // the block that holds it, for an inner one

  // Moved with its inserts, whatever else uses it.
  bool decided() const { return model + inner >= 2 || other >= 1; }
  // Used by one insert alone so far.
  bool single() const { return model + inner == 1 && other == 0; }
};

// The survey's reading of the tags, one at a time.
class Surveyor {
 public:
  // Takes the next tag; false once nothing further can change the survey.
  bool take(int code, std::string_view value) {
    if (code != 0) {
      if (section_ == Section::header) {
        text_.take_header_tag(code, value);
        return true;
      }
      if (record_.kind != Record::Kind::other) {
        record_.take(code, trim_blanks(value));
        // A block's dimension or leader is content like any other.
        if (block_ != nullptr && record_.kind != Record::Kind::insert &&
            record_.kind != Record::Kind::block) {
          take_content(code, value);
        }
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
      case Section::tables:
        if (value == "BLOCK_RECORD") record_.kind = Record::Kind::block_record;
        // A style's arrow blocks, by handle.
        if (value == "DIMSTYLE") record_.kind = Record::Kind::handle_user;
        break;
      case Section::blocks:
        content_kind_ = entity_kind(value);
        content_part_ = first_part(content_kind_);
        pending_x_code_ = 0;
        if (value == "ENDBLK") {
          block_ = nullptr;
          defining_.clear();
        }
        if (value == "BLOCK") {
          record_.kind = Record::Kind::block;
        } else {
          record_.kind = used_kind(value);
          record_.in_blocks = record_.kind != Record::Kind::other;
        }
        break;
      case Section::entities: record_.kind = used_kind(value); break;
      default: break;
    }
    if (value == "SECTION") {
      expecting_section_name_ = true;
    } else if (value == "ENDSEC") {
      if (section_ == Section::blocks) end_blocks();
      if (section_ == Section::entities) entities_done_ = true;
      if (blocks_done_ && (entities_done_ || !entities_matter())) return false;
      section_ = Section::none;
      block_ = nullptr;
      defining_.clear();
    }
    return true;
  }

  // Whether only a code 0 can matter now: inside a record it does not look
  // into, most tags of a drawing.
  bool passes_over_values() const {
    return record_.kind == Record::Kind::other && block_ == nullptr && !expecting_section_name_ &&
           section_ != Section::header;
  }

  DrawingSurvey result() {
    if (record_.kind != Record::Kind::other) end_record();
    count_pointed();
    DrawingSurvey survey;
    survey.text = text_;
    std::set_intersection(
        anonymous_blocks_.begin(), anonymous_blocks_.end(), shown_by_model_.begin(),
        shown_by_model_.end(),
        std::inserter(survey.model_dimension_blocks, survey.model_dimension_blocks.end()));
    std::map<std::string, std::optional<ComposedPlacement>> placed;
    for (const std::string& name : placeable_) {
      if (const auto& placement = placed_once(name, placed)) {
        survey.blocks_placed_once.emplace(name, *placement);
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
  static Record::Kind used_kind(std::string_view type) {
    if (type == "INSERT") return Record::Kind::insert;
    if (is_dimension_type(type)) return Record::Kind::dimension;
    if (type == "MULTILEADER" || type == "ACAD_TABLE") return Record::Kind::handle_user;
    return Record::Kind::other;
  }

  void end_record() {
    switch (record_.kind) {
      case Record::Kind::block:
        if (record_.name.starts_with("*D")) anonymous_blocks_.insert(record_.name);
        if (!record_.handle.empty()) block_records_.emplace(record_.handle, record_.name);
        if (placeable_block(record_.name, record_.flags)) {
          placeable_.insert(record_.name);
          block_ = &extents_[record_.name];
          block_->base = record_.placement.insertion;
          defining_ = record_.name;
        }
        break;
      case Record::Kind::block_record:
        if (!record_.handle.empty()) block_records_.emplace(record_.handle, record_.name);
        break;
      case Record::Kind::insert: {
        if (record_.in_blocks && block_ != nullptr) block_->add(record_.placement.insertion);
        BlockUses& block = uses_[record_.name];
        const bool single = !record_.paper_space && !record_.several && record_.invertible();
        if (single && !record_.in_blocks) {
          ++block.model;
        } else if (single && !defining_.empty()) {
          ++block.inner;
          block.parent = defining_;
        } else {
          ++block.other;
        }
        if (single) block.placement = record_.placement;
        if (!record_.in_blocks) settle_if_decided(record_.name);
        break;
      }
      case Record::Kind::dimension:
        if (!record_.in_blocks && !record_.paper_space && !record_.name.empty()) {
          shown_by_model_.insert(record_.name);
        }
        used_otherwise(record_.name);
        break;
      case Record::Kind::handle_user:
        pointed_.insert(pointed_.end(), record_.pointed.begin(), record_.pointed.end());
        if (blocks_done_) count_pointed();
        break;
      case Record::Kind::other: break;
    }
    record_ = Record{};
  }

  void used_otherwise(const std::string& name) {
    if (name.empty()) return;
    ++uses_[name].other;
    settle_if_decided(name);
  }

  // The blocks that MULTILEADERs, ACAD_TABLEs and dimension styles point
  // to, once the block records are known: the handles that TABLES and
  // BLOCKS point to wait for the end of BLOCKS.
  void count_pointed() {
    for (const std::string& handle : pointed_) {
      const auto named = block_records_.find(handle);
      if (named != block_records_.end()) used_otherwise(named->second);
    }
    pointed_.clear();
  }

  // Once BLOCKS is read, every insert inside a block is known: a block that
  // a single inner insert uses is decided with the block holding it.
  void end_blocks() {
    blocks_done_ = true;
    count_pointed();
    std::map<std::string, bool> settled;
    for (const std::string& name : placeable_) {
      const BlockUses& block = uses_[name];
      if (block.single() && block.inner == 1) children_[block.parent].push_back(name);
      if (!settle(name, settled)) undecided_.insert(name);
    }
  }

  // Used more than once, or inside a block that is, or in a loop of blocks.
  // Memoised in `settled`, so that a long chain is walked once.
  bool settle(const std::string& name, std::map<std::string, bool>& settled) {
    std::vector<std::string> chain;  // from `name` outwards
    std::set<std::string> seen;
    bool result = false;
    for (std::string at = name;;) {
      if (const auto known = settled.find(at); known != settled.end()) {
        result = known->second;
        break;
      }
      const BlockUses& block = uses_[at];
      if (block.decided() || !seen.insert(at).second) {
        result = true;
        break;
      }
      if (!block.single() || block.inner == 0) break;
      chain.push_back(at);
      at = block.parent;
    }
    for (const std::string& at : chain) settled[at] = result;
    return result;
  }

  // A block that the entities have decided on, and those inside it that
  // only it uses.
  void settle_if_decided(const std::string& name) {
    if (!blocks_done_ || !uses_[name].decided()) return;
    std::vector<std::string> pending{name};
    while (!pending.empty()) {
      const std::string at = std::move(pending.back());
      pending.pop_back();
      if (undecided_.erase(at) == 0) continue;
      const auto inside = children_.find(at);
      if (inside != children_.end()) {
        pending.insert(pending.end(), inside->second.begin(), inside->second.end());
      }
    }
  }

  // Where the model shows a block that it shows once: the placements of the
  // chain of single inserts from the model down to it, composed. Memoised in
  // `placed`, so that a long chain is walked once.
  std::optional<ComposedPlacement> placed_once(
      const std::string& name, std::map<std::string, std::optional<ComposedPlacement>>& placed) {
    std::vector<std::string> chain;  // from `name` outwards
    std::set<std::string> seen;
    std::optional<ComposedPlacement> outer;
    for (std::string at = name;;) {
      if (const auto known = placed.find(at); known != placed.end()) {
        outer = known->second;
        break;
      }
      const BlockUses& block = uses_[at];
      if (!block.single() || placeable_.count(at) == 0 || !seen.insert(at).second) break;
      chain.push_back(at);
      if (block.model == 1) {
        outer = ComposedPlacement{};
        break;
      }
      at = block.parent;
    }
    // Inwards from the model, or from the block that cannot be placed: none
    // on the chain can then.
    for (auto at = chain.rbegin(); at != chain.rend(); ++at) {
      if (outer) {
        outer = outer->then(ComposedPlacement::of(uses_[*at].placement, extents_[*at].base));
      }
      placed[*at] = outer;
    }
    return placed[name];
  }

  // A position of the block being defined widens its box; other pairs
  // (directions, sizes) do not. A hatch's boundaries and seeds are read in
  // their parts, as the pass reads them.
  void take_content(int code, std::string_view value) {
    const PartMarkers markers = kind_rules(content_kind_).part_markers;
    if (markers != PartMarkers::none && marks_part(markers, code)) {
      content_part_ =
          next_part(content_kind_, content_part_, code, integer(strict_number(trim_blanks(value))));
      return;
    }
    if (code >= 10 && code <= 18) {
      const Role role = role_of(content_kind_, content_part_, code);
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
    return !anonymous_blocks_.empty() || (blocks_done_ ? !undecided_.empty() : !placeable_.empty());
  }

  std::set<std::string> anonymous_blocks_;  // "*D..." defined in BLOCKS
  std::set<std::string> shown_by_model_;    // named by model-space dimensions
  std::set<std::string> placeable_;         // defined in BLOCKS
  std::map<std::string, BlockUses> uses_;
  std::map<std::string, std::string> block_records_;  // handle: block name
  std::vector<std::string> pointed_;                  // handles not yet counted
  std::set<std::string> undecided_;  // placeable blocks that one insert may yet place
  std::map<std::string, std::vector<std::string>> children_;  // used once, inside the key
  std::map<std::string, BlockExtent> extents_;
  BlockExtent* block_ = nullptr;  // the placeable block being defined
  std::string defining_;          // and its name
  EntityKind content_kind_ = EntityKind::unknown;
  Part content_part_ = Part::main;
  int pending_x_code_ = 0;  // an X of its content waiting for its Y
  double pending_x_ = 0.0;
  Section section_ = Section::none;
  bool expecting_section_name_ = false;
  bool blocks_done_ = false;
  bool entities_done_ = false;
  Record record_;
  DrawingText text_;
};

}  // namespace

ComposedPlacement ComposedPlacement::of(const BlockPlacement& insert, PlanarPoint base) {
  const double angle = insert.rotation_degrees * std::numbers::pi / 180.0;
  const double c = portable::cos(angle);
  const double s = portable::sin(angle);
  // In the insert's plane: scale, then turn. A mirrored plane (extrusion
  // (0, 0, -1)) has its x axis along the world's -x.
  const double mirror = insert.extrusion.z < 0.0 ? -1.0 : 1.0;
  ComposedPlacement placement;
  placement.linear = {mirror * c * insert.x_scale, mirror * -s * insert.y_scale, s * insert.x_scale,
                      c * insert.y_scale};
  const PlanarPoint turned_base = placement.linear.apply(base);
  placement.offset = {mirror * insert.insertion.x - turned_base.x,
                      insert.insertion.y - turned_base.y};
  return placement;
}

ComposedPlacement ComposedPlacement::then(const ComposedPlacement& inner) const {
  const transform::Jacobian& a = linear;
  const transform::Jacobian& b = inner.linear;
  return {{a.dx_dx * b.dx_dx + a.dx_dy * b.dy_dx, a.dx_dx * b.dx_dy + a.dx_dy * b.dy_dy,
           a.dy_dx * b.dx_dx + a.dy_dy * b.dy_dx, a.dy_dx * b.dx_dy + a.dy_dy * b.dy_dy},
          apply(inner.offset)};
}

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
