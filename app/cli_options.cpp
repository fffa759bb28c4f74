#include "app/cli_options.hpp"

#include <string_view>

namespace kelvrin::app {
namespace {

CliParse usage_error(std::string message) { return {std::nullopt, std::move(message)}; }

}  // namespace

CliParse parse_command_line(const std::vector<std::string>& arguments) {
  CliOptions options;
  bool has_source = false;
  std::vector<std::string> positional;
  bool options_ended = false;

  for (std::size_t i = 0; i < arguments.size(); ++i) {
    std::string_view argument = arguments[i];
    if (options_ended || argument.size() < 2 || argument.substr(0, 2) != "--") {
      positional.emplace_back(argument);
      continue;
    }
    if (argument == "--") {
      options_ended = true;
      continue;
    }
    if (argument == "--list") {
      options.action = CliAction::list;
      continue;
    }
    if (argument == "--help") {
      options.action = CliAction::help;
      continue;
    }
    if (argument == "--literal") {
      options.literal = true;
      continue;
    }
    if (argument == "--version") {
      options.action = CliAction::version;
      continue;
    }

    // Options with a value: "--name value" or "--name=value".
    std::string_view name = argument;
    std::optional<std::string> value;
    if (const auto equals = argument.find('='); equals != std::string_view::npos) {
      name = argument.substr(0, equals);
      value = std::string(argument.substr(equals + 1));
    }
    std::string* destination = nullptr;
    if (name == "--from") {
      destination = &options.source;
      has_source = true;
    } else if (name == "--to") {
      destination = &options.target;
      options.target_given = true;
    } else if (name == "--param-x") {
      destination = &options.param_x;
    } else if (name == "--param-y") {
      destination = &options.param_y;
    } else if (name == "--output-dir") {
      options.output_folder.emplace();
      destination = &*options.output_folder;
    } else {
      return usage_error("opção desconhecida: " + std::string(name));
    }
    if (!value) {
      if (i + 1 == arguments.size()) return usage_error("falta o valor de " + std::string(name));
      value = arguments[++i];
    }
    *destination = *value;
  }

  if (options.action != CliAction::convert) return {options, {}};
  if (!has_source) return usage_error("falta --from SISTEMA");
  if (options.output_folder) {
    if (positional.empty()) return usage_error("falta pelo menos um ficheiro DXF de entrada");
    options.inputs = std::move(positional);
  } else {
    if (positional.size() != 2) {
      return usage_error("são precisos dois ficheiros: ENTRADA e SAÍDA (ou --output-dir PASTA)");
    }
    options.inputs = {positional[0]};
    options.output = positional[1];
  }
  return {options, {}};
}

}  // namespace kelvrin::app
