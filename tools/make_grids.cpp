// Writes the four grid files of the Datum 73 <-> Datum Lisboa conversion
// from the official NTv2 grids (Direção-Geral do Território, CC BY 4.0):
// for each node of the 5 km grid, laid over the source system's coordinates,
// the node's easting ("_m") and northing ("_p") in the target system.
// A node that the NTv2 grids do not cover holds -999999 in both files.
//
//   kelvrin-make-grids NTV2_FOLDER OUTPUT_FOLDER

#include <charconv>
#include <cstdio>
#include <fstream>
#include <string>

#include "tools/ntv2_pipeline.hpp"
#include "transform/grid.hpp"

namespace {

using namespace kelvrin;
using namespace kelvrin::transform::grid_geometry;

std::string number_text(double value) {
  char text[64];
  const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 4).ptr;
  return {text, end};
}

bool write_direction(tools::Direction direction, const std::string& ntv2_folder,
                     const std::string& output_folder, const char* m_name, const char* p_name) {
  const tools::Ntv2Pipeline pipeline(direction, ntv2_folder);
  if (!pipeline.valid()) {
    std::fprintf(stderr, "kelvrin-make-grids: PROJ cannot build the pipeline from %s\n",
                 ntv2_folder.c_str());
    return false;
  }
  std::ofstream m_file(output_folder + "/" + m_name, std::ios::binary);
  std::ofstream p_file(output_folder + "/" + p_name, std::ios::binary);
  for (int row = 1; row <= rows; ++row) {
    for (int column = 1; column <= columns; ++column) {
      const double x = west + (column - 1) * spacing;
      const double y = north - (row - 1) * spacing;
      const auto target = pipeline.transform(x, y);
      const char* separator = column == columns ? "\r\n" : " ";
      m_file << number_text(target ? target->x : no_data) << separator;
      p_file << number_text(target ? target->y : no_data) << separator;
    }
  }
  m_file.close();
  p_file.close();
  return !m_file.fail() && !p_file.fail();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: kelvrin-make-grids NTV2_FOLDER OUTPUT_FOLDER\n");
    return 2;
  }
  const bool written = write_direction(tools::Direction::datum73_to_lisboa, argv[1], argv[2],
                                       "et_lx_m.asc", "et_lx_p.asc") &&
                       write_direction(tools::Direction::lisboa_to_datum73, argv[1], argv[2],
                                       "lx_et_m.asc", "lx_et_p.asc");
  return written ? 0 : 1;
}
