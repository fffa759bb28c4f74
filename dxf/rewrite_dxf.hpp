#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dxf/point_transform.hpp"
#include "platform/file.hpp"
#include "platform/system_error.hpp"
#include "transform/point_operation.hpp"

namespace kelvrin::dxf {

// A file a pass reads or writes: opened by its path, or, when `handle` is
// set, used through that handle from the start of the file and left open (a
// scratch file that exists only as an open file). The path
// then only names it.
struct PassFile {
  PassFile(std::string file_path) : path(std::move(file_path)) {}  // NOLINT: a path is a file
  PassFile(const char* file_path) : path(file_path) {}             // NOLINT
  PassFile(std::string file_path, platform::FileHandle file)
      : path(std::move(file_path)), handle(file) {}

  std::string path;
  platform::FileHandle handle = platform::no_file;
};

// How the code line of an X pair in the entities zone reaches the output.
enum class XCodeLine {
  // Written as soon as the X pair is read; X' follows with the Y pair.
  written_at_once,
  // Held back and written with the Y pair, in front of X' (the grid
  // transformations, which may still reject the point).
  held_for_y_pair,
};

// Told how far a pass has gone, so a host can show progress.
class PassProgress {
 public:
  virtual ~PassProgress() = default;
  virtual void advanced(std::uint64_t bytes_read, std::uint64_t bytes_total) = 0;
};

// What decides which lines are coordinates.
enum class RewritePolicy {
  // Knows the drawing's structure: each coordinate by its entity, group code
  // and role (point, point in the entity's own plane, direction vector, or
  // not a position at all); paper space, blocks and objects left as they are.
  dxf_aware,
  // The historical rule: every pair with code 10-18 / 20-28 from the first
  // "ENTITIES" value to the end of the file is a point.
  literal,
};

// Where the references to other drawings point once the drawings they name
// are converted too: kelvrin-cli converting several drawings into one folder.
class ReferenceTargets {
 public:
  virtual ~ReferenceTargets() = default;
  // The path a reference written as `path` (readable, UTF-8) gets in the
  // converted drawing; empty when it stays as it is.
  virtual std::string converted(std::string_view path) const = 0;
};

// The systems a step converts between, as a drawing's geographic reference
// (a GEODATA object) names them: EPSG codes, and the source's EPSG name for
// an object that names it so.
struct GeoreferenceSystems {
  std::string source_code;  // "3763"; empty when the source has none
  std::string source_name;  // "ETRS89 / Portugal TM06"
  std::string target_code;  // empty when the target has none
  // The target's whole definition as the object holds it (the XML of
  // AutoCAD's coordinate-system dictionary), made only for a drawing that
  // needs it; empty when it cannot be made.
  std::function<std::string()> target_definition;
  // A drawing without a geographic reference gets one, for the target.
  bool geolocate = false;
};

struct PassOptions {
  RewritePolicy policy = RewritePolicy::dxf_aware;
  // Literal policy only: the DXF-aware one writes each entity whole.
  XCodeLine x_code_line = XCodeLine::written_at_once;
  PassProgress* progress = nullptr;
  // Size of the read and the write buffer; the read buffer grows to hold the
  // longest pair of lines (or entity), up to max_line_length a line.
  std::size_t buffer_size = std::size_t{1} << 20;
  // Helper threads that convert pieces of a large drawing: -1 as many as
  // the machine's cores allow, 0 none. The drawing written is the same.
  int helper_threads = -1;
  // DXF-aware policy only: the references to drawings converted in the same
  // run, rewritten to their converted copies; none when null.
  const ReferenceTargets* references = nullptr;
  // Literal policy only: the input read once more, after the pass, for the
  // files it refers to (the DXF-aware pass finds them as it goes).
  bool list_external_files = false;
  // DXF-aware policy: what a GEODATA object's coordinate system is
  // compared with and becomes; none leaves its definition as it was.
  const GeoreferenceSystems* georeference = nullptr;
};

// What an external file holds for the drawing that refers to it.
enum class ExternalKind {
  drawing,   // an XREF block (attached or overlaid)
  image,     // a raster image (IMAGEDEF)
  underlay,  // a PDF, DWF or DGN underlay
};

enum class PassFailure {
  none,
  cannot_open_input,
  binary_dxf,
  cannot_create_output,
  read_error,
  write_error,
  odd_line_count,
  number_too_large,
  arithmetic_failure,
  point_rejected,
  // DXF-aware policy only:
  not_text_dxf,    // the first line is not a group code
  bad_group_code,  // a code line that is not a group code
  not_a_number,    // a coordinate value that is not a finite number
  // Both policies again:
  line_too_long,  // a line longer than max_line_length
};

// What a DXF-aware pass left as it was and the user should know.
struct PassReport {
  std::uint64_t unknown_entities = 0;      // converted by the historical rule
  std::set<std::string> unknown_types;     // their types, the first few
  std::uint64_t unpaired_coordinates = 0;  // an X without its Y, or a Y alone
  std::uint64_t first_unpaired_line = 0;
  std::uint64_t unconverted_entities = 0;  // planes standing on edge
  bool geodata = false;                    // the drawing has a geographic reference
  // What became of its coordinate-system definition, and the system it
  // named (its EPSG code, or its name when it gives no code).
  enum class GeodataSystem {
    target,          // it named the source system and now names the target
    other,           // it names another system: left as it was
    target_unnamed,  // it named the source, but the target has no definition to give
    unknown,         // the pass was not told the systems
  };
  GeodataSystem geodata_system = GeodataSystem::unknown;
  std::string geodata_named;
  // What a pass asked to geolocate the drawing did.
  enum class Geolocation {
    not_asked,
    written,        // a GEODATA object for the target system
    had_one,        // the drawing's own followed it instead
    too_old,        // a drawing before AutoCAD 2010 ($ACADVER AC1024) cannot hold one
    no_definition,  // the target has no EPSG code PROJ describes
  };
  Geolocation geolocation = Geolocation::not_asked;
  // Points of the drawing the operation converted outside its area of use;
  // the first one's line and source coordinates.
  std::uint64_t points_outside_area = 0;
  std::uint64_t first_outside_line = 0;
  PlanarPoint first_outside_point;
  // The header's $INSUNITS, the unit the drawing says it is drawn in; -1
  // when it says none (or the pass does not read the header: --literal).
  int insunits = -1;

  // Arcs (an ARC, a HATCH edge, a polyline's bulge) that T bends more than
  // a circle can follow: fitted through T of their ends and middle, their
  // other points miss T's by up to `largest_arc_miss` metres.
  std::uint64_t bent_arcs = 0;
  double largest_arc_miss = 0.0;
  std::uint64_t first_bent_arc_line = 0;

  void note_arc_miss(double miss, std::uint64_t line) noexcept {
    if (!(miss > tolerated_miss)) return;
    if (bent_arcs++ == 0) first_bent_arc_line = line;
    largest_arc_miss = std::max(largest_arc_miss, miss);
  }

  void note_outside_area(PlanarPoint source, std::uint64_t line) noexcept {
    if (points_outside_area++ > 0) return;
    first_outside_line = line;
    first_outside_point = source;
  }
  // Takes in what a helper counted in a piece after `lines_before` lines,
  // the pieces taken in file order; the types named are the pass's matter.
  void add_piece(const PassReport& piece, std::uint64_t lines_before) {
    unknown_entities += piece.unknown_entities;
    if (piece.unpaired_coordinates > 0 && unpaired_coordinates == 0) {
      first_unpaired_line = piece.first_unpaired_line + lines_before;
    }
    unpaired_coordinates += piece.unpaired_coordinates;
    unconverted_entities += piece.unconverted_entities;
    if (piece.geodata && !geodata) {
      geodata_system = piece.geodata_system;
      geodata_named = piece.geodata_named;
    }
    geodata = geodata || piece.geodata;
    if (piece.geolocation != Geolocation::not_asked) geolocation = piece.geolocation;
    if (piece.points_outside_area > 0 && points_outside_area == 0) {
      first_outside_line = piece.first_outside_line + lines_before;
      first_outside_point = piece.first_outside_point;
    }
    points_outside_area += piece.points_outside_area;
    if (piece.insunits >= 0) insunits = piece.insunits;
    if (piece.bent_arcs > 0 && bent_arcs == 0) {
      first_bent_arc_line = piece.first_bent_arc_line + lines_before;
    }
    bent_arcs += piece.bent_arcs;
    largest_arc_miss = std::max(largest_arc_miss, piece.largest_arc_miss);
    for (const auto& [name, shared] : piece.shared_blocks) {
      SharedBlock& block = shared_blocks[name];
      block.inserts += shared.inserts;
      block.largest_miss = std::max(block.largest_miss, shared.largest_miss);
    }
    for (const ExternalFile& file : piece.external_files) note_external_file(file.kind, file.path);
    moved_references.insert(moved_references.end(), piece.moved_references.begin(),
                            piece.moved_references.end());
  }

  // A block that several inserts place moves with each as a whole, by T's
  // rotation and scale at its insertion point; content far from that point
  // misses where T would put it by `largest_miss` metres at most.
  struct SharedBlock {
    std::uint64_t inserts = 0;
    double largest_miss = 0.0;
  };
  std::map<std::string, SharedBlock> shared_blocks;
  static constexpr double tolerated_miss = 0.001;  // metres: survey precision

  // The files the drawing refers to, which stay in the source system: once
  // each, in the order first met, their paths readable (UTF-8).
  struct ExternalFile {
    ExternalKind kind = ExternalKind::drawing;
    std::string path;
  };
  std::vector<ExternalFile> external_files;
  // References rewritten to point to the converted copy of their drawing.
  struct MovedReference {
    std::string from;
    std::string to;
  };
  std::vector<MovedReference> moved_references;

  void note_external_file(ExternalKind kind, std::string path) {
    const bool known = std::any_of(external_files.begin(), external_files.end(),
                                   [&](const ExternalFile& file) { return file.path == path; });
    if (!known && !path.empty()) external_files.push_back({kind, std::move(path)});
  }

  bool bent_blocks() const noexcept {
    for (const auto& [name, block] : shared_blocks) {
      if (block.largest_miss > tolerated_miss) return true;
    }
    return false;
  }

  bool empty() const noexcept {
    return unknown_entities == 0 && unpaired_coordinates == 0 && unconverted_entities == 0 &&
           !geodata && !bent_blocks() && points_outside_area == 0 && bent_arcs == 0 &&
           external_files.empty() && moved_references.empty();
  }
};

struct PassResult {
  PassFailure failure = PassFailure::none;
  std::uint64_t line = 0;  // the input line where it failed, 1-based; 0 when none applies
  platform::SystemError system_error;  // why an open, a read or a write failed
  PlanarPoint source_point;            // the point a transformation rejected
  PassReport report;

  bool completed() const noexcept { return failure == PassFailure::none; }
};

// One streaming pass over a DXF text file that rewrites its coordinates
// with `operation`, by the policy of `options`. Lines that are not rewritten
// are copied byte for byte; every line written ends in CR LF. Memory is
// bounded by the largest entity (DXF-aware) or the longest pair of lines
// (literal), never by the file.
//
// Every coordinate written is a finite number: a transformation that yields
// anything else stops the pass with arithmetic_failure.
//
// On failure the output may be partly written; the caller owns its removal.
PassResult rewrite_dxf(const PassFile& input, const PassFile& output,
                       const transform::PointOperation& operation, const PassOptions& options = {});

// The literal policy over a transformation that keeps its own X state:
// from the first pair whose value is "ENTITIES" to the end of the file,
// every X pair (codes 10-18) and Y pair (codes 20-28) is replaced by what
// `transform` makes of them, written in the form "0.00000".
PassResult rewrite_literal(const PassFile& input, const PassFile& output, PointTransform& transform,
                           const PassOptions& options = {});

// The same over a plain point operation, in its initial X state; a large
// drawing is converted in pieces on several threads where the operation
// allows.
PassResult rewrite_literal(const PassFile& input, const PassFile& output,
                           const transform::PointOperation& operation,
                           const PassOptions& options = {});

// The DXF-aware policy.
PassResult rewrite_aware(const PassFile& input, const PassFile& output,
                         const transform::PointOperation& operation,
                         const PassOptions& options = {});

}  // namespace kelvrin::dxf
