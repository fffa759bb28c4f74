#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "dxf/external_files.hpp"
#include "dxf/ocs.hpp"
#include "dxf/rewrite_dxf.hpp"
#include "transform/point_operation.hpp"

namespace kelvrin::dxf {

// Where an INSERT puts its block: the block's base point goes to the
// insertion point, scaled and turned about it.
struct BlockPlacement {
  PlanarPoint insertion;  // in the insert's own plane (OCS)
  double x_scale = 1.0;
  double y_scale = 1.0;
  double rotation_degrees = 0.0;
  Vector3 extrusion;
};

// Where a chain of inserts puts a block's own points in the world plan:
// world = offset + linear·p. A block inserted inside a block that one insert
// of the model places is placed by the two inserts, one after the other.
struct ComposedPlacement {
  transform::Jacobian linear;  // turns, scales and mirrors, in order
  PlanarPoint offset;

  // What one insert does to a block whose base point is `base`.
  static ComposedPlacement of(const BlockPlacement& insert, PlanarPoint base);
  // This placement after `inner`, a placement inside this one's block.
  ComposedPlacement then(const ComposedPlacement& inner) const;

  PlanarPoint apply(PlanarPoint p) const {
    const PlanarPoint v = linear.apply(p);
    return {offset.x + v.x, offset.y + v.y};
  }
};

// The box of a block's own points, in the block's coordinates.
struct BlockExtent {
  PlanarPoint base;  // the block's base point
  PlanarPoint low{HUGE_VAL, HUGE_VAL};
  PlanarPoint high{-HUGE_VAL, -HUGE_VAL};

  bool empty() const { return low.x > high.x; }
  void add(PlanarPoint p) {
    low = {std::min(low.x, p.x), std::min(low.y, p.y)};
    high = {std::max(high.x, p.x), std::max(high.y, p.y)};
  }
};

// What the DXF-aware pass must know before it reaches the part of the file
// that tells it: the BLOCKS section comes before ENTITIES, yet how a block's
// content moves depends on the entities that use it.
struct DrawingSurvey {
  // Upper-case names of the "*D" blocks that model-space dimensions show.
  std::set<std::string> model_dimension_blocks;
  // Blocks that the model shows once, by upper-case name, with where it
  // shows them: one model-space INSERT uses the block and nothing else does,
  // or one INSERT inside a block shown once does. Their content is the world
  // geometry those inserts make of it.
  std::map<std::string, ComposedPlacement> blocks_placed_once;
  // The other blocks defined here, with the box of their content.
  std::map<std::string, BlockExtent> shared_blocks;
  // How the header says the drawing writes its texts (the paths of the files
  // it refers to): known here, before the pass or any helper's piece of it
  // reads one.
  DrawingText text;
};

// A quick first read of the file that looks only at the tags that matter. It
// stops where ENTITIES begins when BLOCKS holds no block that the entities
// could decide on, so drawings without blocks are read only as far. A block
// named by handle (a MULTILEADER's or ACAD_TABLE's block) or by a dimension
// is used more than once, as is one that a chain of inserts reaches twice or
// in a loop. A file
// it cannot read gives an empty survey: the pass itself reports what is
// wrong with it.
DrawingSurvey survey_drawing(const PassFile& file, std::size_t buffer_size);

}  // namespace kelvrin::dxf
