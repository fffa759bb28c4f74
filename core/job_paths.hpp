#pragma once

#include <string>

namespace kelvrin::core {

// The files of one conversion, used exactly as entered: not trimmed, not made
// absolute. The procedures read fich1 and write fich2.
struct JobPaths {
  std::string fich1;       // what the next step reads
  std::string fich2;       // what the next step writes
  std::string fich3;       // the output the user named
  std::string fich_par_m;  // parameter file for X (Qualquer)
  std::string fich_par_p;  // parameter file for Y (Qualquer)
};

// The temporary file of a conversion: the whole input path followed by
// "_tmp" (planta.dxf gives planta.dxf_tmp, in the same folder).
inline std::string temporary_path_for(const std::string& input) { return input + "_tmp"; }

}  // namespace kelvrin::core
