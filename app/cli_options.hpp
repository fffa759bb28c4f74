#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kelvrin::app {

enum class CliAction { convert, list, help, version };

struct CliOptions {
  CliAction action = CliAction::convert;
  std::string source;  // as typed: a display name or an alias
  std::string target;
  bool target_given = false;
  bool literal = false;  // the historical rule instead of the DXF-aware pass
  std::string param_x;
  std::string param_y;
  std::optional<std::string> output_folder;  // batch mode
  std::vector<std::string> inputs;
  std::string output;  // single conversion
};

struct CliParse {
  std::optional<CliOptions> options;
  std::string error;  // why the command line is unusable, when options is empty
};

CliParse parse_command_line(const std::vector<std::string>& arguments);

}  // namespace kelvrin::app
