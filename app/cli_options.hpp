#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kelvrin::app {

enum class CliAction { convert, list, help, version };

// "-" names standard input as ENTRADA and standard output as SAÍDA.
inline constexpr std::string_view standard_stream = "-";

struct CliOptions {
  CliAction action = CliAction::convert;
  std::string source;  // a display name: aliases are resolved while parsing
  std::string target;
  bool literal = false;  // the historical rule instead of the DXF-aware pass
  bool quiet = false;    // no progress, no completion lines, no summary
  bool verbose = false;  // how each point list was read, too
  bool ntv2 = false;     // --method ntv2: the mainland pairs through the NTv2 grids
  // source and target are PROJ definitions: a system outside the catalogue,
  // or a pair that no route of the catalogue joins.
  bool proj_systems = false;
  // With proj_systems, how messages name them: as typed, or a catalogue
  // system by its name.
  std::string source_name;
  std::string target_name;
  bool allow_ballpark = false;  // --allow-ballpark: PROJ's ballpark operations converted too
  bool geolocate = false;       // --geolocate: a GEODATA object for the target where none is
  unsigned threads = 0;         // --threads N: 0 as many as the machine has, at most 4
  std::string param_x;
  std::string param_y;
  std::string columns;                       // --columns: a point list's columns, in order
  std::optional<std::string> output_folder;  // batch mode
  std::vector<std::string> inputs;
  std::string output;  // single conversion
};

struct CliParse {
  std::optional<CliOptions> options;
  std::string error;  // one line: why the command line is unusable, when options is empty
};

// The files a file argument with "*" or "?" names, as
// platform::expand_file_pattern gives them (nothing: taken as typed).
using FilePatterns = std::function<std::optional<std::vector<std::string>>(const std::string&)>;

// Reads the command line and checks it as a whole: options, the systems
// (an unknown name is answered with the nearest known ones), the parameter
// files of "Qualquer" and the files to convert, patterns expanded by
// `patterns` (the system's way when empty).
CliParse parse_command_line(const std::vector<std::string>& arguments,
                            const FilePatterns& patterns = {});

}  // namespace kelvrin::app
