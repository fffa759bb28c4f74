#include "app/cli_options.hpp"

#include <string_view>

#include "app/system_aliases.hpp"
#include "core/catalogue.hpp"

namespace kelvrin::app {
namespace {

CliParse usage_error(std::string message) { return {std::nullopt, std::move(message)}; }

struct Flag {
  std::string_view short_name;
  std::string_view long_name;
};

constexpr Flag help_flag{"-h", "--help"};
constexpr Flag version_flag{"-V", "--version"};
constexpr Flag quiet_flag{"-q", "--quiet"};

bool is(std::string_view argument, Flag flag) {
  return argument == flag.short_name || argument == flag.long_name;
}

// "sistema desconhecido" with the nearest names --list shows.
std::string unknown_system(std::string_view option, std::string_view typed) {
  std::string text =
      "sistema desconhecido em " + std::string(option) + ": \"" + std::string(typed) + "\"";
  const std::vector<std::string> nearest = nearest_system_names(typed, 3);
  for (std::size_t i = 0; i < nearest.size(); ++i) {
    text += (i == 0 ? " (talvez " : ", ") + nearest[i];
  }
  return text + (nearest.empty() ? "" : ")");
}

// The systems and files of a conversion, once every option is read.
CliParse checked(CliOptions options, std::vector<std::string> positional, bool has_source,
                 bool has_target) {
  if (!has_source) return usage_error("falta --from SISTEMA");
  const std::string typed_source = options.source;
  options.source = resolve_system_name(typed_source);
  if (!is_system_name(options.source)) return usage_error(unknown_system("--from", typed_source));
  const bool qualquer = options.source == core::system_names::qualquer;
  if (!has_target) {
    // "Qualquer" takes any target as a label; with none given, it is its own.
    if (!qualquer) return usage_error("falta --to SISTEMA");
    options.target = std::string(core::system_names::qualquer);
  } else {
    const std::string typed_target = options.target;
    options.target = resolve_system_name(typed_target);
    if (!qualquer && !is_system_name(options.target)) {
      return usage_error(unknown_system("--to", typed_target));
    }
  }
  if (!qualquer && (!options.param_x.empty() || !options.param_y.empty())) {
    return usage_error("--param-x e --param-y só servem para o sistema Qualquer");
  }

  if (options.output_folder) {
    if (positional.empty()) return usage_error("falta pelo menos um ficheiro DXF de entrada");
    for (const std::string& input : positional) {
      if (input == standard_stream) {
        return usage_error("com --output-dir, \"-\" não pode ser uma ENTRADA");
      }
    }
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

}  // namespace

CliParse parse_command_line(const std::vector<std::string>& arguments) {
  CliOptions options;
  bool has_source = false;
  bool has_target = false;
  std::vector<std::string> positional;
  bool options_ended = false;

  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view argument = arguments[i];
    if (options_ended || argument.size() < 2 || argument.front() != '-') {
      positional.emplace_back(argument);  // "-" included: a standard stream
      continue;
    }
    if (argument == "--") {
      options_ended = true;
    } else if (argument == "--list") {
      options.action = CliAction::list;
    } else if (is(argument, help_flag)) {
      options.action = CliAction::help;
    } else if (is(argument, version_flag)) {
      options.action = CliAction::version;
    } else if (is(argument, quiet_flag)) {
      options.quiet = true;
    } else if (argument == "--literal") {
      options.literal = true;
    } else {
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
        has_target = true;
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
  }

  if (options.action != CliAction::convert) return {options, {}};
  return checked(std::move(options), std::move(positional), has_source, has_target);
}

}  // namespace kelvrin::app
