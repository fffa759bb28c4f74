#pragma once

#include <cstddef>
#include <span>
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
      : in_(in), copy_(copy), writer_(in, copy, out), report_(report) {}

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
  // the box of their transformed corners.
  void rewrite_header(std::span<const Tag> record);

 private:
  using ReplacedPair = std::pair<std::size_t, transform::PlanarPoint>;
  static constexpr std::size_t all_points = ~std::size_t{0};
  void write_replacing(std::span<const Tag> record, const std::vector<ReplacedPair>& replaced,
                       std::size_t point = all_points);
  void turn_axes(std::span<const Tag> record, std::size_t origin, const std::size_t (&axes)[2],
                 std::vector<ReplacedPair>& replaced) const;
  void note_units(std::span<const Tag> record, std::size_t i);

  const TagReader& in_;
  TagCopy& copy_;
  RecordWriter writer_;
  PassReport& report_;
  const transform::PointOperation* operation_ = nullptr;
};

}  // namespace kelvrin::dxf
