// The DXF-aware rewrite policy: the drawing read as sections, tables,
// blocks and entities, each coordinate carried by its role.

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <iterator>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "dxf/drawing_survey.hpp"
#include "dxf/entity_rules.hpp"
#include "dxf/number_scan.hpp"
#include "dxf/ocs.hpp"
#include "dxf/pass_support.hpp"
#include "dxf/pieces.hpp"
#include "dxf/plain_decimal.hpp"
#include "dxf/plain_tags.hpp"
#include "dxf/rewrite_dxf.hpp"
#include "dxf/tag_copy.hpp"
#include "dxf/tag_reader.hpp"

namespace kelvrin::dxf {
namespace {

using transform::Jacobian;
using transform::PointOperation;

// $EXTMIN and its kind are written as 1e+20 and -1e+20 by an empty drawing.
constexpr double placeholder_magnitude = 1e19;
// Unknown entity types named in the report, at most.
constexpr std::size_t reported_type_names = 8;

enum class Section { none, header, tables, blocks, entities, objects, other };

Section section_named(std::string_view name) {
  if (name == "HEADER") return Section::header;
  if (name == "TABLES") return Section::tables;
  if (name == "BLOCKS") return Section::blocks;
  if (name == "ENTITIES") return Section::entities;
  if (name == "OBJECTS") return Section::objects;
  return Section::other;
}

bool equal_ignoring_case(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

// A failure found while rewriting one record; carried out of the helpers.
struct Stop {
  PassFailure failure;
  std::uint64_t line;
  PlanarPoint source_point;
};

// What a POLYLINE or INSERT hands to the VERTEX or ATTRIB entities that
// follow it, up to its SEQEND.
struct Owner {
  bool active = false;
  bool paper_space = false;
  bool three_d = false;  // 3D polyline, polygon mesh or polyface mesh
  Vector3 extrusion;
  double elevation = 0.0;
};

class AwarePass {
 public:
  AwarePass(const PointOperation& operation, const PassOptions& options, DrawingSurvey survey)
      : operation_(operation),
        options_(options),
        survey_(std::move(survey)),
        in_(options.buffer_size),
        out_(options.buffer_size) {}

  PassResult run(const PassFile& input, const PassFile& output) {
    if (PassResult opened = open_pass_files(in_, out_, input, output); !opened.completed()) {
      return opened;
    }
    start_helpers();
    if (auto failure = convert_tags()) return *failure;
    PassResult result = finish_pass(copy_, out_, in_, options_);
    if (result.completed()) result.report = std::move(report_);
    return result;
  }

  // A helper's work: the piece of the file from `begin` (an entity) to the
  // entity at `end` (or to the end of the file), converted into memory as if
  // the pass had got there with no POLYLINE or INSERT open.
  PieceOutcome run_piece(int fd, std::uint64_t begin, std::uint64_t end, std::string output) {
    if (!in_.open_at(fd, begin)) return {};
    PieceRun piece(std::move(output), begin, end, out_);
    piece_end_ = end;
    section_ = Section::entities;
    if (auto failure = convert_tags()) return piece.stopped(*failure);
    copy_.flush();
    if (!out_.close()) return {};
    PieceOutcome outcome = piece.ended(stopped_at_, lines_before_stop_, in_,
                                       section_ == Section::entities && !owner_.active);
    outcome.result.report = std::move(report_);
    outcome.unknown_types = std::move(unknown_types_met_);
    return outcome;
  }

 private:
  // ---- the file, tag by tag ----

  // Converts the tags to the end of the file, or a helper's to the end of
  // its piece; a failure when one stops it.
  std::optional<PassResult> convert_tags() {
    std::uint64_t next_report = progress_interval;
    Tag tag;
    in_.mark();
    for (;;) {
      const TagReader::Next next = in_.next(tag);
      if (next == TagReader::Next::end) break;
      if (next != TagReader::Next::tag) return reading_failure(next, in_);
      const auto code = group_code(in_.code_text(tag));
      if (!code) {
        const bool first_line = tag.line == 1 && piece_end_ == Pieces::none;
        return fail(first_line ? PassFailure::not_text_dxf : PassFailure::bad_group_code, tag.line,
                    0);
      }
      tag.code = *code;
      if (tag.code == 0) {
        if (!record_.empty()) {
          if (auto stop = rewrite_record()) return failed(*stop);
          record_.clear();
        }
        copy_.flush();
        const std::uint64_t offset = in_.file_offset(tag);
        if (piece_end_ != Pieces::none && offset >= piece_end_) {
          stopped_at_ = offset;
          lines_before_stop_ = tag.line - 1;
          break;
        }
        if (pieces_ != nullptr && offset >= pieces_->next_start()) {
          auto piece = pieces_->take(offset, section_ == Section::entities && !owner_.active);
          if (piece) {
            if (auto failure = adopt(*piece, tag.line - 1)) return failure;
            pieces_->give_back(std::move(piece->output));
            in_.jump(piece->end, tag.line - 1 + piece->lines);
            in_.mark();
            continue;
          }
        }
        in_.mark_at(tag);
        if (out_.failed()) return fail(PassFailure::write_error, 0, out_.error());
        tell_progress(options_, in_, next_report);
        streaming_ = !starts_buffered_record(trim_blanks(value(tag)));
      }
      if (streaming_) {
        copy_.tag(tag);
        if (tag.end >= copied_stretch) {
          copy_.flush();
          in_.mark();
        }
        continue;
      }
      record_.push_back(tag);
      if (record_.size() == 2 && tag.code == 2 && section_starts_streaming()) {
        copy_record();
        record_.clear();
        streaming_ = true;
      }
      if (!streaming_ && record_.size() >= 2 && in_.bytes_consumed() >= plain_from_) {
        hold_plain_tags();
      }
    }
    if (!record_.empty()) {
      if (auto stop = rewrite_record()) return failed(*stop);
    }
    return std::nullopt;
  }

  // The rest of a held record up to the next code 0, as nearly every drawing
  // has it: the tags PlainTags reads, held as the loop above holds them.
  void hold_plain_tags() {
    const std::string_view window = in_.buffered();
    const std::uint64_t offset = in_.bytes_consumed();
    const std::size_t from_mark = in_.position();
    const std::uint64_t first_line = in_.last_line() + 1;
    PlainTags tags(window);
    const char* const start = tags.start();
    const auto counted = [&](const char* at) {
      return from_mark + static_cast<std::size_t>(at - start);
    };
    const char* at = start;
    std::uint64_t line = first_line;
    for (;;) {
      PlainTag plain;
      if (!tags.next(at, plain) || plain.code == 0) break;
      Tag& tag = record_.emplace_back();
      tag.code_line = {counted(at), plain.code_line().size()};
      tag.value_line = {counted(plain.code_end + 1), plain.value_line().size()};
      tag.end = counted(plain.end());
      tag.line = line;
      tag.code = plain.code;
      at = plain.end();
      line += 2;
    }
    in_.consume_lines(static_cast<std::size_t>(at - start), line - first_line);
    plain_from_ = offset + tags.resume_after(at);
  }

  // ---- pieces converted by helper threads ----

  void start_helpers() {
    const unsigned helpers = piece_helpers(in_.file_size(), operation_, options_.helper_threads);
    const int fd = in_.descriptor();
    if (helpers == 0 || fd < 0) return;
    pieces_ = std::make_unique<Pieces>(
        piece_starts(fd, in_.file_size(), piece_spacing, starts_piece), helpers,
        [this, fd](std::uint64_t begin, std::uint64_t end, std::string output) {
          PassOptions options;
          options.buffer_size = helper_buffer_size;
          return AwarePass(operation_, options, survey_)
              .run_piece(fd, begin, end, std::move(output));
        });
  }

  // Pieces begin at an entity that opens nothing for the ones after it.
  static bool starts_piece(std::string_view code_line, std::string_view value_line) {
    static constexpr std::string_view types[] = {
        "LINE",   "LWPOLYLINE", "CIRCLE", "ARC",    "TEXT",     "MTEXT",     "POINT",  "HATCH",
        "SPLINE", "ELLIPSE",    "SOLID",  "3DFACE", "POLYLINE", "DIMENSION", "LEADER", "INSERT"};
    return trim_blanks(code_line) == "0" &&
           std::find(std::begin(types), std::end(types), value_line) != std::end(types);
  }

  // Takes a helper's piece into the drawing: its output and its report, or
  // its failure. `lines_before` is the number of lines before the piece.
  std::optional<PassResult> adopt(const PieceOutcome& piece, std::uint64_t lines_before) {
    out_.write_bytes(piece.output);
    const PassReport& got = piece.result.report;
    report_.unknown_entities += got.unknown_entities;
    for (const std::string& type : piece.unknown_types) note_unknown_type(type);
    if (got.unpaired_coordinates > 0 && report_.unpaired_coordinates == 0) {
      report_.first_unpaired_line = got.first_unpaired_line + lines_before;
    }
    report_.unpaired_coordinates += got.unpaired_coordinates;
    report_.unconverted_entities += got.unconverted_entities;
    report_.geodata = report_.geodata || got.geodata;
    report_.add_outside_area(got, lines_before);
    if (piece.result.completed()) return std::nullopt;
    PassResult failure = piece.result;
    failure.report = {};
    if (failure.line != 0) failure.line += lines_before;
    return failure;
  }

  // The report names the first types met; a helper keeps them in order, so
  // that the pass names the same ones whoever converted them.
  void note_unknown_type(std::string_view type) {
    if (report_.unknown_types.size() < reported_type_names) report_.unknown_types.emplace(type);
    if (unknown_types_met_.size() < reported_type_names &&
        std::find(unknown_types_met_.begin(), unknown_types_met_.end(), type) ==
            unknown_types_met_.end()) {
      unknown_types_met_.emplace_back(type);
    }
  }

  // ---- records: from one code 0 to the next ----

  // Whether the record that `type` opens must be held whole before it is
  // written; the others are copied tag by tag, so memory never follows the
  // size of a section, a table or an object.
  bool starts_buffered_record(std::string_view type) {
    if (type == "SECTION") return true;  // until its name is known
    if (type == "ENDSEC" || type == "EOF") {
      section_ = Section::none;
      converting_block_ = false;
      return false;
    }
    switch (section_) {
      case Section::tables: return type == "VPORT";
      case Section::blocks:
        if (type == "ENDBLK") converting_block_ = false;
        return type == "BLOCK" || converting_block_ || type == "VIEWPORT";
      case Section::entities: return true;
      case Section::objects:
        if (type == "GEODATA") report_.geodata = true;
        return false;
      default: return false;
    }
  }

  // Called with a SECTION record's name tag: every section but the header is
  // copied as it is read, entity by entity where it holds entities.
  bool section_starts_streaming() {
    const Tag& first = record_.front();
    if (first.code != 0 || trim_blanks(value(first)) != "SECTION") return false;
    section_ = section_named(trim_blanks(value(record_.back())));
    return section_ != Section::header;
  }

  // A record held whole: the header section, the active view, a block's
  // header or an entity that may have coordinates to rewrite.
  std::optional<Stop> rewrite_record() {
    const std::string_view type = trim_blanks(value(record_.front()));
    if (type == "SECTION") return rewrite_header();
    switch (section_) {
      case Section::tables: {
        const Tag* name = find(2);
        if (name != nullptr && equal_ignoring_case(trim_blanks(value(*name)), "*ACTIVE")) {
          follow_view(12, 17);
          return std::nullopt;
        }
        break;
      }
      case Section::blocks:
        if (type == "BLOCK") {
          const Tag* name = find(2);
          converting_block_ = name != nullptr && survey_.model_dimension_blocks.count(
                                                     upper_case(trim_blanks(value(*name)))) > 0;
          break;
        }
        return rewrite_entity(type);  // a dimension's geometry, a layout's viewport
      case Section::entities: return rewrite_entity(type);
      default: break;
    }
    copy_record();
    return std::nullopt;
  }

  void copy_record() {
    for (const Tag& tag : record_) copy_.tag(tag);
  }

  // A tag whose value is rewritten: its code line as it is, then `number`.
  void write_rewritten(const Tag& tag, double number, bool vector = false) {
    copy_.code_line(tag);
    copy_.flush();
    if (vector) {
      char* room = out_.begin_line(max_shortest_text);
      out_.end_line(format_shortest(number, room));
    } else {
      write_coordinate(out_, number);
    }
  }

  std::string_view value(const Tag& tag) const { return in_.value_text(tag); }

  // A value that must be a number; the usual coordinate form read at once.
  static std::optional<double> number(std::string_view text) {
    if (const auto plain = plain_decimal(text)) return plain;
    return strict_number(text);
  }

  const Tag* find(int code) const {
    for (const Tag& tag : record_) {
      if (tag.code == code) return &tag;
    }
    return nullptr;
  }

  std::optional<double> number_of(int code) const {
    const Tag* tag = find(code);
    return tag != nullptr ? number(value(*tag)) : std::nullopt;
  }

  // ---- entities ----

  std::optional<Stop> rewrite_entity(std::string_view type) {
    const EntityKind kind = entity_kind(type);
    EntityFacts facts = gather_facts(kind);

    // A POLYLINE always has VERTEXes and a SEQEND; an INSERT has ATTRIBs
    // and a SEQEND only when it says so. An INSERT without them hands
    // nothing on: the TEXT after a title block in paper space is the model's.
    if (kind == EntityKind::polyline || (kind == EntityKind::insert && facts.attributes_follow)) {
      owner_ = {true, facts.paper_space, (facts.flags & (8 | 16 | 64)) != 0, facts.extrusion,
                facts.elevation};
    } else if (kind == EntityKind::insert) {
      owner_.active = false;
    }
    const bool owned = kind == EntityKind::vertex || kind == EntityKind::text ||
                       (kind == EntityKind::no_coordinates && type == "SEQEND");
    if (owned && owner_.active && !facts.has_paper_flag) facts.paper_space = owner_.paper_space;
    if (type == "SEQEND") owner_.active = false;

    if (kind == EntityKind::viewport) {
      // A layout's first viewport (id 1) is the sheet itself.
      const auto id = number_of(69);
      if (id && *id != 1.0) {
        follow_view(12, 17);
      } else {
        copy_record();
      }
      return std::nullopt;
    }
    if (facts.paper_space) {
      copy_record();
      return std::nullopt;
    }
    if (kind == EntityKind::not_convertible) ++report_.unconverted_entities;
    if (kind == EntityKind::unknown) {
      ++report_.unknown_entities;
      note_unknown_type(type);
    }

    Part part = first_part(kind);
    if (kind == EntityKind::vertex) {
      part = vertex_part(facts.flags);
      if (part == Part::vertex_2d && owner_.active) {
        facts.extrusion = owner_.extrusion;
        facts.elevation = owner_.elevation;
      }
    }
    const Ocs ocs(facts.extrusion);
    const bool has_parts = kind == EntityKind::hatch || kind == EntityKind::multileader ||
                           kind == EntityKind::text || kind == EntityKind::mtext;
    anchor_.reset();
    first_point_ = facts.first_point;
    bool counted_on_edge = false;

    // The record stays as it is while it is rewritten.
    const Tag* const tags = record_.data();
    const std::size_t count = record_.size();
    for (std::size_t i = 0; i < count; ++i) {
      const Tag& tag = tags[i];
      if (has_parts && (tag.code == 72 || tag.code == 92 || tag.code == 98 || tag.code == 101 ||
                        (tag.code >= 300 && tag.code <= 305))) {
        const auto marker = number(value(tag));
        part = next_part(kind, part, tag.code, marker ? static_cast<std::int64_t>(*marker) : 0);
        copy_.tag(tag);
        continue;
      }
      const bool x_code = is_x_code(tag.code);
      const Role role = x_code ? role_of(kind, part, tag.code) : Role::copy;
      if (role == Role::copy) {
        if (!x_code && is_lone_y(kind, part, i)) note_unpaired(tag);
        copy_.tag(tag);
        continue;
      }
      if (i + 1 == count || tags[i + 1].code != tag.code + 10) {
        note_unpaired(tag);
        copy_.tag(tag);
        continue;
      }
      const Tag& y_tag = tags[i + 1];
      const Tag* z_tag =
          i + 2 < count && tags[i + 2].code == tag.code + 20 ? &tags[i + 2] : nullptr;
      const bool ocs_role = role == Role::ocs_point || role == Role::ocs_vector;
      if (ocs_role && ocs.kind() == Ocs::Kind::on_edge) {
        if (!counted_on_edge) ++report_.unconverted_entities;
        counted_on_edge = true;
        copy_.tag(tag);
        copy_.tag(y_tag);
        ++i;
        continue;
      }
      if (auto stop = rewrite_pair(role, ocs, facts.elevation, tag, y_tag, z_tag)) return stop;
      ++i;
    }
    return std::nullopt;
  }

  struct EntityFacts {
    bool paper_space = false;
    bool has_paper_flag = false;
    Vector3 extrusion;
    double elevation = 0.0;
    std::int64_t flags = 0;
    bool attributes_follow = false;      // INSERT: 66 = 1
    std::size_t first_point = no_point;  // where the first 10/20 pair is
  };
  static constexpr std::size_t no_point = ~std::size_t{0};

  EntityFacts gather_facts(EntityKind kind) const {
    EntityFacts facts;
    for (std::size_t i = 0; i < record_.size(); ++i) {
      const Tag& tag = record_[i];
      switch (tag.code) {
        case 67:
          facts.has_paper_flag = true;
          facts.paper_space = number(value(tag)) == 1.0;
          break;
        case 210: facts.extrusion.x = number(value(tag)).value_or(0.0); break;
        case 220: facts.extrusion.y = number(value(tag)).value_or(0.0); break;
        case 230: facts.extrusion.z = number(value(tag)).value_or(1.0); break;
        case 66: facts.attributes_follow = number(value(tag)) == 1.0; break;
        case 38: facts.elevation = number(value(tag)).value_or(0.0); break;
        case 70:
          if (facts.flags == 0) {
            facts.flags = static_cast<std::int64_t>(number(value(tag)).value_or(0.0));
          }
          break;
        case 30:
          // A POLYLINE keeps its elevation in the z of its dummy point.
          if (kind == EntityKind::polyline && i > 0 && record_[i - 1].code == 20) {
            facts.elevation = number(value(tag)).value_or(0.0);
          }
          break;
        case 10:
          if (facts.first_point == no_point && kind != EntityKind::hatch &&
              i + 1 < record_.size() && record_[i + 1].code == 20) {
            facts.first_point = i;
          }
          break;
        default: break;
      }
    }
    return facts;
  }

  Part vertex_part(std::int64_t flags) const {
    constexpr std::int64_t face_record = 128;
    constexpr std::int64_t mesh_vertex = 64;
    constexpr std::int64_t polyline_3d_vertex = 32;
    if ((flags & face_record) != 0 && (flags & mesh_vertex) == 0) return Part::vertex_face;
    if ((flags & (mesh_vertex | polyline_3d_vertex)) != 0) return Part::vertex_3d;
    if (owner_.active && owner_.three_d) return Part::vertex_3d;
    return Part::vertex_2d;
  }

  // A Y code whose X partner, had it been there, would have been rewritten.
  bool is_lone_y(EntityKind kind, Part part, std::size_t i) const {
    const int code = record_[i].code;
    if (!((code >= 20 && code <= 28) || (code >= 120 && code <= 122))) return false;
    if (role_of(kind, part, code - 10) == Role::copy) return false;
    return i == 0 || record_[i - 1].code != code - 10;
  }

  void note_unpaired(const Tag& tag) {
    if (report_.unpaired_coordinates++ == 0) report_.first_unpaired_line = tag.line;
  }

  std::optional<Stop> rewrite_pair(Role role, const Ocs& ocs, double elevation, const Tag& x_tag,
                                   const Tag& y_tag, const Tag* z_tag) {
    const auto x = number(value(x_tag));
    if (!x) return Stop{PassFailure::not_a_number, x_tag.line + 1, {}};
    const auto y = number(value(y_tag));
    if (!y) return Stop{PassFailure::not_a_number, y_tag.line + 1, {}};
    double z = elevation;  // only a tilted plane needs the height
    if (z_tag != nullptr && ocs.kind() == Ocs::Kind::tilted &&
        (role == Role::ocs_point || role == Role::ocs_vector)) {
      const auto own_z = number(value(*z_tag));
      if (!own_z) return Stop{PassFailure::not_a_number, z_tag->line + 1, {}};
      z = *own_z;
    }
    PlanarPoint written;
    bool vector = false;
    switch (role) {
      case Role::point:
      case Role::historical: {
        const PointResult moved = operation_.forward({*x, *y});
        if (auto stop = check(moved, x_tag)) return stop;
        anchor_ = PlanarPoint{*x, *y};
        if (moved.outside_area) report_.note_outside_area(*anchor_, x_tag.line);
        written = moved.point;
        break;
      }
      case Role::ocs_point: {
        const PlanarPoint world = ocs.to_world({*x, *y}, z);
        const PointResult moved = operation_.forward(world);
        if (auto stop = check(moved, x_tag)) return stop;
        anchor_ = world;
        if (moved.outside_area) report_.note_outside_area(world, x_tag.line);
        written = ocs.from_world(moved.point, z);
        break;
      }
      case Role::vector:
      case Role::ocs_vector: {
        Jacobian jacobian;
        if (auto stop = derivative(x_tag, jacobian)) return stop;
        vector = true;
        if (role == Role::vector) {
          written = jacobian.apply({*x, *y});
        } else {
          written = ocs.from_world(jacobian.apply(ocs.to_world({*x, *y}, 0.0)), 0.0);
        }
        break;
      }
      case Role::copy: break;
    }
    if (!std::isfinite(written.x) || !std::isfinite(written.y)) {
      return Stop{PassFailure::arithmetic_failure, x_tag.line, {}};
    }
    if (!vector && y_tag.crlf) {
      copy_.code_line(x_tag);
      copy_.flush();
      write_moved_point(out_, written, in_.bytes(y_tag.code_line.begin, y_tag.value_line.begin));
    } else {
      write_rewritten(x_tag, written.x, vector);
      write_rewritten(y_tag, written.y, vector);
    }
    return std::nullopt;
  }

  std::optional<Stop> check(const PointResult& moved, const Tag& x_tag) const {
    if (moved.status == PointStatus::arithmetic_failure) {
      return Stop{PassFailure::arithmetic_failure, x_tag.line, {}};
    }
    if (moved.status == PointStatus::rejected) {
      return Stop{PassFailure::point_rejected, x_tag.line, moved.point};
    }
    return std::nullopt;
  }

  // The derivative at the entity's most recent point (or its first one),
  // kept while the point stays the same.
  std::optional<Stop> derivative(const Tag& x_tag, Jacobian& jacobian) {
    if (!anchor_ && first_point_ != no_point) {
      const auto x = number(value(record_[first_point_]));
      const auto y = number(value(record_[first_point_ + 1]));
      if (x && y) anchor_ = PlanarPoint{*x, *y};
    }
    const PlanarPoint at = anchor_.value_or(PlanarPoint{});
    if (!cached_at_ || cached_at_->x != at.x || cached_at_->y != at.y) {
      const auto result = operation_.derivative(at);
      if (result.status == PointStatus::rejected) {
        return Stop{PassFailure::point_rejected, x_tag.line, at};
      }
      if (result.status != PointStatus::ok) {
        return Stop{PassFailure::arithmetic_failure, x_tag.line, {}};
      }
      cached_at_ = at;
      cached_jacobian_ = result.jacobian;
    }
    jacobian = cached_jacobian_;
    return std::nullopt;
  }

  // ---- what follows the model: views and the drawing's extents ----

  // A view (the active VPORT, a layout's VIEWPORT) whose centre or target
  // lies in the model. Only plan views without twist are followed; a view
  // that cannot be followed is left as it was.
  void follow_view(int centre_code, int target_code) {
    const auto direction_x = number_of(16);
    const auto direction_y = number_of(26);
    const auto direction_z = number_of(36);
    const auto twist = number_of(51);
    const bool plan = direction_x.value_or(0.0) == 0.0 && direction_y.value_or(0.0) == 0.0 &&
                      direction_z.value_or(1.0) > 0.0 && twist.value_or(0.0) == 0.0;
    const auto target_x = number_of(target_code);
    const auto target_y = number_of(target_code + 10);
    const bool target_at_origin = target_x.value_or(0.0) == 0.0 && target_y.value_or(0.0) == 0.0;
    const int moved_code = target_at_origin ? centre_code : target_code;
    for (std::size_t i = 0; i < record_.size(); ++i) {
      const Tag& tag = record_[i];
      if (plan && tag.code == moved_code && i + 1 < record_.size() &&
          record_[i + 1].code == moved_code + 10) {
        const auto x = number(value(tag));
        const auto y = number(value(record_[i + 1]));
        if (x && y) {
          const PointResult moved = operation_.forward({*x, *y});
          if (moved.status == PointStatus::ok) {
            write_rewritten(tag, moved.point.x);
            write_rewritten(record_[i + 1], moved.point.y);
            ++i;
            continue;
          }
        }
      }
      copy_.tag(tag);
    }
  }

  struct HeaderPoint {
    std::size_t x_index = 0;
    std::optional<double> x;
    std::optional<double> y;
  };

  // The header section, variables and all: the extents and limits become
  // the box of their transformed corners.
  std::optional<Stop> rewrite_header() {
    HeaderPoint ext_min, ext_max, lim_min, lim_max;
    HeaderPoint* current = nullptr;
    for (std::size_t i = 0; i < record_.size(); ++i) {
      const Tag& tag = record_[i];
      if (tag.code == 9) {
        const std::string_view name = trim_blanks(value(tag));
        current = name == "$EXTMIN"   ? &ext_min
                  : name == "$EXTMAX" ? &ext_max
                  : name == "$LIMMIN" ? &lim_min
                  : name == "$LIMMAX" ? &lim_max
                                      : nullptr;
      } else if (current != nullptr && tag.code == 10 && i + 1 < record_.size() &&
                 record_[i + 1].code == 20) {
        current->x_index = i;
        current->x = number(value(tag));
        current->y = number(value(record_[i + 1]));
        current = nullptr;
      }
    }
    std::vector<std::pair<std::size_t, PlanarPoint>> replaced;
    for (auto [low, high] : {std::pair{&ext_min, &ext_max}, std::pair{&lim_min, &lim_max}}) {
      if (const auto box = transformed_box(*low, *high)) {
        replaced.emplace_back(low->x_index, box->first);
        replaced.emplace_back(high->x_index, box->second);
      }
    }
    for (std::size_t i = 0; i < record_.size(); ++i) {
      const auto found = std::find_if(replaced.begin(), replaced.end(),
                                      [i](const auto& entry) { return entry.first == i; });
      if (found == replaced.end()) {
        copy_.tag(record_[i]);
        continue;
      }
      write_rewritten(record_[i], found->second.x);
      write_rewritten(record_[i + 1], found->second.y);
      ++i;
    }
    return std::nullopt;
  }

  std::optional<std::pair<PlanarPoint, PlanarPoint>> transformed_box(const HeaderPoint& low,
                                                                     const HeaderPoint& high) {
    if (!low.x || !low.y || !high.x || !high.y) return std::nullopt;
    for (double v : {*low.x, *low.y, *high.x, *high.y}) {
      if (std::abs(v) >= placeholder_magnitude) return std::nullopt;
    }
    if (*low.x > *high.x || *low.y > *high.y) return std::nullopt;
    PlanarPoint box_low{HUGE_VAL, HUGE_VAL};
    PlanarPoint box_high{-HUGE_VAL, -HUGE_VAL};
    for (double x : {*low.x, *high.x}) {
      for (double y : {*low.y, *high.y}) {
        const PointResult corner = operation_.forward({x, y});
        if (corner.status != PointStatus::ok) return std::nullopt;
        box_low = {std::min(box_low.x, corner.point.x), std::min(box_low.y, corner.point.y)};
        box_high = {std::max(box_high.x, corner.point.x), std::max(box_high.y, corner.point.y)};
      }
    }
    return std::pair{box_low, box_high};
  }

  PassResult fail(PassFailure failure, std::uint64_t line, int system_error) {
    return PassResult{failure, line, system_error, {}, {}};
  }

  PassResult failed(const Stop& stop) {
    PassResult result = fail(stop.failure, stop.line, 0);
    result.source_point = stop.source_point;
    return result;
  }

  const PointOperation& operation_;
  const PassOptions& options_;
  const DrawingSurvey survey_;
  TagReader in_;
  LineWriter out_;
  TagCopy copy_{in_, out_};
  std::vector<Tag> record_;
  Section section_ = Section::none;
  bool converting_block_ = false;
  bool streaming_ = true;  // tags before the first code 0 are copied as read
  // Where hold_plain_tags may go on: after what it could not read.
  std::uint64_t plain_from_ = 0;
  Owner owner_;
  // A helper's piece: where it ends, and where and after how many lines it
  // stopped.
  std::uint64_t piece_end_ = Pieces::none;
  std::uint64_t stopped_at_ = Pieces::none;
  std::uint64_t lines_before_stop_ = 0;
  std::vector<std::string> unknown_types_met_;
  std::optional<PlanarPoint> anchor_;  // the entity's most recent point
  std::size_t first_point_ = no_point;
  std::optional<PlanarPoint> cached_at_;
  Jacobian cached_jacobian_;
  PassReport report_;
  std::unique_ptr<Pieces> pieces_;  // last: its helpers use the members above
};

}  // namespace

PassResult rewrite_aware(const PassFile& input, const PassFile& output,
                         const transform::PointOperation& operation, const PassOptions& options) {
  return AwarePass(operation, options, survey_drawing(input, options.buffer_size))
      .run(input, output);
}

}  // namespace kelvrin::dxf
