#pragma once

#include <string>

#include "dxf/rewrite_dxf.hpp"

namespace kelvrin::core {

// The files of one conversion, used exactly as entered: not trimmed, not made
// absolute. The procedures read fich1 and write fich2; after the user's
// input, both are the conversion's own files, open files with no name
// anybody could plant a file under.
struct JobPaths {
  dxf::PassFile fich1;     // what the next step reads
  dxf::PassFile fich2;     // what the next step writes
  std::string fich3;       // the output the user named
  std::string fich_par_m;  // parameter file for X (Qualquer)
  std::string fich_par_p;  // parameter file for Y (Qualquer)
};

}  // namespace kelvrin::core
