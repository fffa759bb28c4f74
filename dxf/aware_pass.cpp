// The DXF-aware rewrite policy: the drawing read as sections, tables,
// blocks and entities, each coordinate carried by its role.

#include <algorithm>
#include <cctype>
#include <cmath>
#include <iterator>
#include <optional>
#include <string_view>
#include <vector>

#include "dxf/drawing_survey.hpp"
#include "dxf/entity_owner.hpp"
#include "dxf/entity_rewriter.hpp"
#include "dxf/entity_rules.hpp"
#include "dxf/external_files.hpp"
#include "dxf/geodata.hpp"
#include "dxf/geolocation.hpp"
#include "dxf/numbers.hpp"
#include "dxf/ocs.hpp"
#include "dxf/pass_driver.hpp"
#include "dxf/pass_support.hpp"
#include "dxf/pieces.hpp"
#include "dxf/placed_operation.hpp"
#include "dxf/plain_tags.hpp"
#include "dxf/rewrite_dxf.hpp"
#include "dxf/section.hpp"
#include "dxf/tag_reader.hpp"

namespace kelvrin::dxf {
namespace {

using transform::PointOperation;

bool equal_ignoring_case(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

class AwarePass : public PassDriver<AwarePass> {
 public:
  AwarePass(const PointOperation& operation, const PassOptions& options, DrawingSurvey survey)
      : PassDriver(options), operation_(operation), survey_(std::move(survey)) {
    use(operation_);
    geodata_.use_systems(options.georeference);
  }

  // A geographic reference to write into a drawing that has none, or why
  // none is written.
  void geolocate(std::optional<Geolocation> geolocation, PassReport::Geolocation outcome) {
    geolocation_ = std::move(geolocation);
    report_.geolocation = outcome;
  }

 private:
  friend class PassDriver<AwarePass>;

  // ---- the file, tag by tag ----

  // Its plain tags are read while a record is held, in convert_tag.
  bool convert_plain_tags() { return false; }

  std::optional<PassResult> read_code(Tag& tag) {
    const auto code = group_code(in_.code_text(tag));
    if (!code) {
      const bool first_line = tag.line == 1 && !converting_piece();
      return fail(first_line ? PassFailure::not_text_dxf : PassFailure::bad_group_code, tag.line,
                  {});
    }
    tag.code = *code;
    return std::nullopt;
  }

  // A record starts at a code 0; a record copied as it is read holds
  // nothing back at any tag.
  bool at_record_start(const Tag& tag) const { return tag.code == 0 || streaming_; }

  std::optional<PassResult> end_record() {
    if (record_.empty()) return std::nullopt;
    auto stop = rewrite_record();
    record_.clear();
    if (stop) return failed(*stop);
    return std::nullopt;
  }

  std::optional<PassResult> convert_tag(const Tag& tag) {
    if (tag.code == 0) streaming_ = !starts_buffered_record(trim_blanks(text_of(tag)));
    if (streaming_) {
      copy_.tag(tag);
      return std::nullopt;
    }
    record_.push_back(tag);
    if (record_.size() == 2 && tag.code == 2 && section_starts_streaming()) {
      copy_record();
      record_.clear();
      streaming_ = true;
    }
    if (!streaming_ && record_.size() >= 2) hold_plain_tags();
    return std::nullopt;
  }

  // The rest of a held record up to the next code 0, as nearly every drawing
  // has it: the tags a PlainRun reads, held as the loop above holds them.
  void hold_plain_tags() {
    const std::size_t from_mark = in_.lines().position();
    const std::uint64_t first_line = in_.last_line() + 1;
    PlainRun run(in_);
    const auto counted = [&](const char* at) {
      return from_mark + static_cast<std::size_t>(at - run.start());
    };
    PlainTag plain;
    while (run.next(plain) && plain.code != 0) {
      Tag& tag = record_.emplace_back();
      tag.code_line = {counted(plain.begin), plain.code_line().size()};
      tag.value_line = {counted(plain.code_end + 1), plain.value_line().size()};
      tag.end = counted(plain.end());
      tag.line = first_line + run.line_count();
      tag.code = plain.code;
      run.take(plain);
    }
  }

  // ---- pieces converted by helper threads ----

  // Pieces begin at an entity that opens nothing for the ones after it.
  static bool starts_piece(std::string_view code_line, std::string_view value_line) {
    return trim_blanks(code_line) == "0" && may_start_piece(value_line);
  }

  // A piece is converted as if the pass had got to it with no POLYLINE or
  // INSERT open.
  void start_piece() { section_ = Section::entities; }
  bool in_piece_state() const { return section_ == Section::entities && !owner_.open(); }

  const PointOperation* piece_operation() const { return &operation_; }

  PieceOutcome convert_piece(const PassOptions& options, platform::FileHandle fd,
                             std::uint64_t begin, std::uint64_t end, std::string output) const {
    return AwarePass(operation_, options, survey_).run_piece(fd, begin, end, std::move(output));
  }

  // ---- records: from one code 0 to the next ----

  // Whether the record that `type` opens must be held whole before it is
  // written; the others are copied tag by tag, so memory never follows the
  // size of a section, a table or an object.
  bool starts_buffered_record(std::string_view type) {
    if (type == "SECTION") return true;  // until its name is known
    if (type == "ENDSEC" || type == "EOF") {
      if (type == "ENDSEC") add_to_section_end();
      section_ = Section::none;
      in_classes_ = false;
      end_block();
      return false;
    }
    switch (section_) {
      case Section::tables:
        return type == "VPORT" || type == "VIEW" || type == "UCS" ||
               (type == "BLOCK_RECORD" && geolocation_ && geolocation_->needs_dictionary());
      case Section::blocks:
        if (type == "ENDBLK") end_block();
        return type == "BLOCK" || converting_block_ || type == "VIEWPORT";
      case Section::entities: return true;
      case Section::objects:
        return type == "GEODATA" || external_definition(type).has_value() ||
               (type == "DICTIONARY" && geolocation_ && !geolocation_->needs_dictionary());
      default: return false;
    }
  }

  // Called with a SECTION record's name tag: every section but the header is
  // copied as it is read, entity by entity where it holds entities.
  bool section_starts_streaming() {
    const Tag& first = record_.front();
    if (first.code != 0 || trim_blanks(text_of(first)) != "SECTION") return false;
    const std::string_view name = trim_blanks(text_of(record_.back()));
    section_ = section_named(name);
    in_classes_ = name == "CLASSES";
    return section_ != Section::header;
  }

  // A record held whole: the header section, the active view, a block's
  // header or an entity that may have coordinates to rewrite.
  std::optional<Stop> rewrite_record() {
    const std::string_view type = trim_blanks(text_of(record_.front()));
    if (type == "SECTION") {
      std::string handseed;
      if (geolocation_) {
        geolocation_->place(design_point());
        handseed = geolocation_->handseed();
      }
      views_.rewrite_header(record_, handseed);
      return std::nullopt;
    }
    switch (section_) {
      case Section::tables: return rewrite_table_entry(type);
      case Section::blocks:
        if (type == "BLOCK") {
          start_block();
          if (note_external_reference()) return std::nullopt;
          break;
        }
        return rewrite_entity(type);  // a dimension's geometry, a layout's viewport
      case Section::entities: return rewrite_entity(type);
      case Section::objects:
        if (type == "GEODATA") {
          geodata_.rewrite(record_);
          return std::nullopt;
        }
        if (const auto kind = external_definition(type)) {
          note_external_file(*kind);
          break;
        }
        add_dictionary_entry();
        return std::nullopt;
      default: break;
    }
    copy_record();
    return std::nullopt;
  }

  void copy_record() {
    for (const Tag& tag : record_) copy_.tag(tag);
  }

  // The transformation for the records that follow: the model's, or a
  // block's converted through its one insert.
  void use(const PointOperation& operation) {
    rewriter_.use(operation, placed_ && &operation == &*placed_ ? placed_->placement()
                                                                : transform::Jacobian{});
    views_.use_operation(operation);
    geodata_.use_operation(operation);
  }

  // A block definition is copied, but for the dimension blocks of the
  // model, which hold world geometry, and the blocks that the model shows
  // once, whose content is converted as the inserts that show it place it.
  void start_block() {
    const std::string name = block_name();
    converting_block_ = survey_.model_dimension_blocks.count(name) > 0;
    const auto placed = survey_.blocks_placed_once.find(name);
    if (placed != survey_.blocks_placed_once.end()) {
      placed_.emplace(operation_, placed->second);
      placement_ = &placed->second;
      use(*placed_);
      converting_block_ = true;
    }
  }

  void end_block() {
    converting_block_ = false;
    if (placed_) {
      use(operation_);
      placed_.reset();
      placement_ = nullptr;
    }
  }

  // ---- the files the drawing refers to ----

  void note_external_file(ExternalKind kind) {
    if (const Tag* path = find(1))
      report_.note_external_file(kind, survey_.text.readable(text_of(*path)));
  }

  // An XREF block: its drawing listed, or, when that drawing is converted
  // in the same run, the block written to point to the converted copy.
  // Whether the block is written.
  bool note_external_reference() {
    if ((integer(record_number(70)) & external_reference_block) == 0) return false;
    const Tag* path = find(1);
    if (path == nullptr) return false;
    std::string readable = survey_.text.readable(text_of(*path));
    std::string moved =
        options_.references != nullptr ? options_.references->converted(readable) : std::string();
    if (moved.empty()) {
      report_.note_external_file(ExternalKind::drawing, std::move(readable));
      return false;
    }
    for (const Tag& tag : record_) {
      if (&tag == path) {
        copy_.code_line(tag);
        copy_.out().write_line(survey_.text.written(moved));
      } else {
        copy_.tag(tag);
      }
    }
    report_.moved_references.push_back({std::move(readable), std::move(moved)});
    return true;
  }

  std::string block_name() const {
    const Tag* name = find(2);
    return name != nullptr ? upper_case(trim_blanks(text_of(*name))) : std::string();
  }

  // The model's named views and coordinate systems, and the active view,
  // follow the model; a paper-space view frames the sheet.
  std::optional<Stop> rewrite_table_entry(std::string_view type) {
    constexpr ViewRewriter::ViewCodes vport_codes{12, 17, 16, 51};
    constexpr ViewRewriter::ViewCodes view_codes{10, 12, 11, 50};
    constexpr std::int64_t paper_space_view = 1;
    const Tag* name = find(2);
    if (type == "VPORT" && name != nullptr &&
        equal_ignoring_case(trim_blanks(text_of(*name)), "*ACTIVE")) {
      views_.follow_view(record_, vport_codes);
    } else if (type == "VIEW" && (integer(record_number(70)) & paper_space_view) == 0) {
      views_.follow_view(record_, view_codes);
    } else if (type == "UCS") {
      views_.follow_ucs(record_);
    } else if (type == "BLOCK_RECORD") {
      link_dictionary();
    } else {
      copy_record();
    }
    return std::nullopt;
  }

  std::string_view text_of(const Tag& tag) const { return in_.value_text(tag); }

  // ---- a geographic reference for a drawing without one ----

  // Where its design point goes: the centre of the header's extents, or
  // $INSBASE, through T; the header is the record held.
  transform::PlanarPoint design_point() const {
    std::optional<double> values[6];  // $EXTMIN x y, $EXTMAX x y, $INSBASE x y
    int variable = -1;
    for (const Tag& tag : record_) {
      if (tag.code == 9) {
        const std::string_view name = trim_blanks(text_of(tag));
        variable = name == "$EXTMIN" ? 0 : name == "$EXTMAX" ? 2 : name == "$INSBASE" ? 4 : -1;
      } else if (variable >= 0 && (tag.code == 10 || tag.code == 20)) {
        values[variable + (tag.code == 20 ? 1 : 0)] = number(text_of(tag));
      }
    }
    const auto usable = [&](int at) {
      return values[at] && values[at + 1] && std::abs(*values[at]) < 1e19 &&
             std::abs(*values[at + 1]) < 1e19;
    };
    transform::PlanarPoint centre;
    if (usable(0) && usable(2) && *values[0] <= *values[2] && *values[1] <= *values[3]) {
      centre = {(*values[0] + *values[2]) / 2, (*values[1] + *values[3]) / 2};
    } else if (usable(4)) {
      centre = {*values[4], *values[5]};
    }
    const transform::PointResult moved = operation_.forward(centre);
    return moved.status == transform::PointStatus::ok ? moved.point : centre;
  }

  // The model space's BLOCK_RECORD gets its own dictionary.
  void link_dictionary() {
    const Tag* handle = find(5);
    const bool model =
        handle != nullptr && geolocation_->is_model_space(trim_blanks(text_of(*handle)));
    for (const Tag& tag : record_) {
      copy_.tag(tag);
      if (model && &tag == handle) {
        copy_.flush();
        geolocation_->write_dictionary_link(out_);
      }
    }
  }

  // The model space's own dictionary, where it has one, gets the entry.
  void add_dictionary_entry() {
    copy_record();
    const Tag* handle = find(5);
    if (handle != nullptr && geolocation_->is_extension_dictionary(trim_blanks(text_of(*handle)))) {
      copy_.flush();
      geolocation_->write_dictionary_entry(out_);
    }
  }

  // The class, and the objects, close their sections.
  void add_to_section_end() {
    if (!geolocation_) return;
    if (in_classes_) {
      copy_.flush();
      geolocation_->write_class(out_);
    } else if (section_ == Section::objects) {
      copy_.flush();
      geolocation_->write_objects(out_);
    }
  }

  const Tag* find(int code) const { return find_tag(record_, code); }
  std::optional<double> record_number(int code) const { return dxf::number_of(record_, code, in_); }

  // ---- entities ----

  std::optional<Stop> rewrite_entity(std::string_view type) {
    const EntityKind kind = entity_kind(type);
    EntityFacts facts = gather_facts(record_, kind, in_);

    owner_.meet(kind, type, facts);

    if (kind == EntityKind::viewport) {
      // A layout's first viewport (id 1) is the sheet itself.
      const auto id = record_number(69);
      if (id && *id != 1.0) {
        views_.follow_view(record_, {12, 17, 16, 51});
      } else {
        copy_record();
      }
      return std::nullopt;
    }
    if (facts.paper_space) {
      copy_record();
      return std::nullopt;
    }
    if (kind == EntityKind::insert && (section_ == Section::entities || placed_)) {
      // The one insert of a block whose content was converted through it,
      // in the model or in a block that the model shows once.
      const std::string name = block_name();
      if (survey_.blocks_placed_once.count(name) > 0) {
        copy_record();
        return std::nullopt;
      }
      note_shared_insert(name, facts);
    }
    if (kind == EntityKind::not_convertible) ++report_.unconverted_entities;
    if (kind == EntityKind::unknown) {
      ++report_.unknown_entities;
      note_unknown_type(type);
    }

    const Part part =
        kind == EntityKind::vertex ? owner_.vertex_part(facts.flags, facts) : first_part(kind);
    const bool tilted_2d_polyline = owner_.tilted_2d_polyline(kind, facts);
    if (tilted_2d_polyline) facts.own_point = first_vertex_ahead();
    if (kind == EntityKind::polyline || type == "SEQEND") {
      polyline_ = {kind == EntityKind::polyline && (facts.flags & 1) != 0, std::nullopt};
    }
    const bool bulged = kind == EntityKind::vertex && part == Part::vertex_2d && bulges();
    if (bulged) rewriter_.next_vertex(vertex_after(facts));
    auto stop = rewriter_.rewrite(record_, kind, part, facts);
    if (bulged) rewriter_.next_vertex(std::nullopt);
    if (kind == EntityKind::vertex && !polyline_.first_vertex) {
      polyline_.first_vertex = point_at(facts.first_point);
    }
    if (tilted_2d_polyline) owner_.set_height_change(rewriter_.height_change());
    return stop;
  }

  // Whether the VERTEX held bends to the next: its bulge is not zero.
  bool bulges() const {
    const Tag* bulge = find(42);
    return bulge != nullptr && number(text_of(*bulge)).value_or(0.0) != 0.0;
  }

  std::optional<PlanarPoint> point_at(std::size_t x_index) const {
    if (x_index == EntityFacts::no_point || x_index + 1 >= record_.size()) return std::nullopt;
    const auto x = number(text_of(record_[x_index]));
    const auto y = number(text_of(record_[x_index + 1]));
    if (!x || !y) return std::nullopt;
    return PlanarPoint{*x, *y};
  }

  // The vertex a VERTEX's bulge runs to: the next one, read ahead in the
  // file, or where the polyline closes, its first.
  std::optional<PlanarPoint> vertex_after(const EntityFacts& facts) const {
    if (const auto next = first_vertex_ahead()) return next;
    if (!polyline_.closed) return std::nullopt;
    // The last vertex of a closed polyline runs to its first; a polyline of
    // one vertex, to itself.
    return polyline_.first_vertex ? polyline_.first_vertex : point_at(facts.first_point);
  }

  // A 2D POLYLINE writes its height before its vertices are read: its
  // first vertex, read ahead in the file, is the polyline's own point.
  std::optional<PlanarPoint> first_vertex_ahead() const {
    const platform::FileHandle fd = in_.handle();
    if (fd < 0 || record_.empty()) return std::nullopt;
    const Tag& last = record_.back();
    // A vertex is a few hundred bytes; the reader grows for a longer line.
    constexpr std::size_t vertex_bytes = 1024;
    TagReader ahead(vertex_bytes);
    if (!ahead.open_at(fd, in_.file_offset(last) + (last.end - last.code_line.begin))) {
      return std::nullopt;
    }
    // The vertex's point comes within its first tags.
    constexpr int vertex_tags = 32;
    std::optional<double> x;
    Tag tag;
    for (int n = 0; n < vertex_tags && ahead.next(tag) == TagReader::Next::tag; ++n) {
      const auto code = group_code(ahead.code_text(tag));
      const std::string_view text = ahead.value_text(tag);
      if (!code || (*code == 0 && (n > 0 || trim_blanks(text) != "VERTEX"))) break;
      if (*code == 10) x = number(text);
      if (*code == 20 && x) {
        const auto y = number(text);
        return y ? std::optional<PlanarPoint>({*x, *y}) : std::nullopt;
      }
    }
    return std::nullopt;
  }

  // An insert of a block that others use too moves it as a whole; how far
  // that leaves its content from T is told once the drawing is converted.
  void note_shared_insert(const std::string& name, const EntityFacts& facts) {
    const auto extent = survey_.shared_blocks.find(name);
    if (extent == survey_.shared_blocks.end()) return;
    PassReport::SharedBlock& block = report_.shared_blocks[name];
    ++block.inserts;
    const BlockPlacement placement{
        {record_number(10).value_or(0.0), record_number(20).value_or(0.0)},
        record_number(41).value_or(1.0),
        record_number(42).value_or(1.0),
        record_number(50).value_or(0.0),
        facts.extrusion};
    if (facts.extrusion.x != 0.0 || facts.extrusion.y != 0.0 || placement.x_scale == 0.0 ||
        placement.y_scale == 0.0) {
      return;
    }
    // Inside a block that the model shows once, the insert is placed in
    // the world by that block's own placement.
    block.largest_miss =
        std::max(block.largest_miss,
                 shared_block_miss(operation_, placement, extent->second,
                                   placement_ != nullptr ? *placement_ : ComposedPlacement{}));
  }

  PassResult failed(const Stop& stop) {
    PassResult result = fail(stop.failure, stop.line, {});
    result.source_point = stop.source_point;
    return result;
  }

  const PointOperation& operation_;
  const DrawingSurvey survey_;
  std::vector<Tag> record_;
  Section section_ = Section::none;
  bool converting_block_ = false;
  bool streaming_ = true;  // tags before the first code 0 are copied as read
  EntityOwner owner_;
  EntityRewriter rewriter_{in_, copy_, out_, report_};
  ViewRewriter views_{in_, copy_, out_, report_};
  GeodataRewriter geodata_{in_, copy_, out_, report_};
  std::optional<Geolocation> geolocation_;
  bool in_classes_ = false;
  std::optional<PlacedOperation> placed_;  // the block being converted, if the model shows it once
  const ComposedPlacement* placement_ = nullptr;  // and where the model shows it
  // The POLYLINE open, for its vertices' bulges.
  struct Polyline {
    bool closed = false;
    std::optional<PlanarPoint> first_vertex;
  };
  Polyline polyline_;
};

}  // namespace

PassResult rewrite_aware(const PassFile& input, const PassFile& output,
                         const transform::PointOperation& operation, const PassOptions& options) {
  AwarePass pass(operation, options, survey_drawing(input, options.buffer_size));
  const GeoreferenceSystems* systems = options.georeference;
  if (systems != nullptr && systems->geolocate) {
    const GeolocationSurvey found = survey_geolocation(input, options.buffer_size);
    std::string definition;
    using Outcome = PassReport::Geolocation;
    Outcome outcome = Outcome::written;
    if (found.has_geodata) {
      outcome = Outcome::had_one;
    } else if (!holds_geodata(found.acadver) || found.model_space.empty()) {
      outcome = Outcome::too_old;
    } else {
      if (systems->target_definition) definition = systems->target_definition();
      if (definition.empty()) outcome = Outcome::no_definition;
    }
    pass.geolocate(outcome == Outcome::written
                       ? std::optional<Geolocation>(Geolocation(found, std::move(definition)))
                       : std::nullopt,
                   outcome);
  }
  return pass.run(input, output);
}

}  // namespace kelvrin::dxf
