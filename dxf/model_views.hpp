#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "dxf/record_writer.hpp"
#include "dxf/rewrite_dxf.hpp"
#include "dxf/tag_copy.hpp"
#include "dxf/tag_reader.hpp"
#include "transform/point_operation.hpp"

namespace kelvrin::dxf {

// What follows the model besides its entities: the views that look at it,
// its coordinate systems and the header's extents. Each record is rewritten
// on its own; nothing is kept from one to the next.
class ViewRewriter {
 public:
  ViewRewriter(const TagReader& in, TagCopy& copy, LineWriter& out, PassReport& report)
      : in_(in), copy_(copy), out_(out), writer_(in, copy, out), report_(report) {}

  // The transformation for the records that follow.
  void use_operation(const transform::PointOperation& operation) { operation_ = &operation; }

  // A view (the active VPORT, a layout's VIEWPORT, a named VIEW) whose
  // centre or target lies in the model. Only plan views without twist are
  // followed; a view that cannot be followed is left as it was.
  struct ViewCodes {
    int centre;
    int target;
    int direction;
    int twist;
  };
  void follow_view(std::span<const Tag> record, ViewCodes codes);

  // A UCS whose origin lies in the model: the origin through T, its axes
  // turned as the plan turns there.
  void follow_ucs(std::span<const Tag> record);

  // The header section, variables and all: the extents and limits become
  // the box of their transformed corners. `handseed`, when given, is the
  // next free handle written instead of the drawing's.
  void rewrite_header(std::span<const Tag> record, std::string_view handseed = {});

 private:
  using ReplacedPair = std::pair<std::size_t, transform::PlanarPoint>;
  static constexpr std::size_t all_points = ~std::size_t{0};
  // Single values written anew as well, at the index each names: an angle,
  // or a text when it has one.
  struct ReplacedValue {
    std::size_t index = all_points;
    double angle = 0.0;
    std::string_view text;
  };
  void write_replacing(std::span<const Tag> record, const std::vector<ReplacedPair>& replaced,
                       std::size_t point = all_points, std::span<const ReplacedValue> values = {});
  std::optional<double> turned_north(double north, transform::PlanarPoint at) const;
  void turn_axes(std::span<const Tag> record, std::size_t origin, const std::size_t (&axes)[2],
                 std::vector<ReplacedPair>& replaced) const;
  void note_units(std::span<const Tag> record, std::size_t i);

  const TagReader& in_;
  TagCopy& copy_;
  LineWriter& out_;
  RecordWriter writer_;
  PassReport& report_;
  const transform::PointOperation* operation_ = nullptr;
};

}  // namespace kelvrin::dxf
