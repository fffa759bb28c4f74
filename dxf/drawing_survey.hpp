#pragma once

#include <set>
#include <string>

#include "dxf/rewrite_dxf.hpp"

namespace kelvrin::dxf {

// What the DXF-aware pass must know before it reaches the part of the file
// that tells it: the BLOCKS section comes before ENTITIES, yet whether an
// anonymous dimension block holds model-space geometry depends on the
// DIMENSION entities that use it.
struct DrawingSurvey {
  // Upper-case names of the "*D" blocks that model-space dimensions show.
  std::set<std::string> model_dimension_blocks;
};

// A quick first read of the file that looks only at the tags that matter. It
// stops after BLOCKS when that section holds no anonymous dimension block,
// so most drawings are read only as far. A file it cannot read gives an empty
// survey: the pass itself reports what is wrong with it.
DrawingSurvey survey_drawing(const PassFile& file, std::size_t buffer_size);

}  // namespace kelvrin::dxf
