#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "dxf/ocs.hpp"
#include "dxf/rewrite_dxf.hpp"

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
  // Blocks that one model-space INSERT uses and nothing else does, by
  // upper-case name, with that insert's placement: their content is the
  // world geometry the insert makes of it.
  std::map<std::string, BlockPlacement> blocks_placed_once;
  // The other blocks defined here, with the box of their content.
  std::map<std::string, BlockExtent> shared_blocks;
};

// A quick first read of the file that looks only at the tags that matter. It
// stops where ENTITIES begins when BLOCKS holds no block that the entities
// could decide on, so drawings without blocks are read only as far. A file
// it cannot read gives an empty survey: the pass itself reports what is
// wrong with it.
DrawingSurvey survey_drawing(const PassFile& file, std::size_t buffer_size);

}  // namespace kelvrin::dxf
