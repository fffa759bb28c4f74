#pragma once

#include <string>
#include <string_view>

#include "dxf/rewrite_dxf.hpp"

namespace kelvrin::fuzz {

// The DXF pass written the plain way, a whole file in memory and one line
// at a time, to check the streaming pass against.
struct ReferenceResult {
  dxf::PassFailure failure = dxf::PassFailure::none;
  std::uint64_t line = 0;
  std::string output;
  bool well_formed = true;  // every X pair directly followed by its Y pair, no lone Y
  std::size_t input_lines = 0;
  std::size_t coordinates_written = 0;
};

ReferenceResult reference_pass(std::string_view input, dxf::PointTransform& transform,
                               dxf::XCodeLine x_code_line);

// Runs the streaming pass and the reference on `input` and checks that they
// agree and that the output keeps the pass's promises.
void check_pass_against_reference(std::string_view input, std::size_t read_buffer_size,
                                  dxf::XCodeLine x_code_line, dxf::PointTransform& streaming,
                                  dxf::PointTransform& reference);

}  // namespace kelvrin::fuzz
