#include "app/cli_options.hpp"

#include <optional>
#include <string>
#include <string_view>

#include "app/system_aliases.hpp"
#include "core/catalogue.hpp"
#include "core/executable_folder.hpp"
#include "core/messages.hpp"
#include "core/routes.hpp"
#include "dxf/numbers.hpp"
#include "platform/file_pattern.hpp"
#include "platform/utf8_path.hpp"
#include "points/columns.hpp"
#include "transform/proj_operation.hpp"

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

// "sistema desconhecido" with the nearest names --list shows; a definition
// only PROJ could read, where PROJ cannot be loaded, says that instead.
std::string unknown_system(std::string_view option, std::string_view typed) {
  if (!proj_definition(std::string(typed)).empty()) {
    if (const transform::ProjError why = transform::proj_unavailable_reason()) {
      return "o sistema em " + std::string(option) + ", \"" + std::string(typed) +
             "\", só o PROJ o conhece: " + core::messages::proj_failure(why);
    }
  }
  std::string text =
      "sistema desconhecido em " + std::string(option) + ": \"" + std::string(typed) + "\"";
  const std::vector<std::string> nearest = nearest_system_names(typed, 3);
  for (std::size_t i = 0; i < nearest.size(); ++i) {
    text += (i == 0 ? " (talvez " : ", ") + nearest[i];
  }
  return text + (nearest.empty() ? "" : ")");
}

// A system as typed: a catalogue name or alias, else a PROJ definition.
struct ResolvedSystem {
  std::string name;  // a display name or a PROJ definition
  bool proj = false;
};

std::optional<ResolvedSystem> resolve(const std::string& typed) {
  const std::string name = resolve_system_name(typed);
  if (is_system_name(name)) return ResolvedSystem{name, false};
  const std::string definition = proj_definition(typed);
  if (!definition.empty() &&
      transform::proj_knows_system(definition, {platform::utf8_of(core::grid_folder())})) {
    return ResolvedSystem{definition, true};
  }
  return std::nullopt;
}

// Each file argument with its pattern expanded; a pattern that names no
// file is a mistake of the command line, not a file that failed.
std::optional<std::string> expanded(std::vector<std::string>& positional,
                                    const FilePatterns& patterns) {
  std::vector<std::string> files;
  for (std::string& argument : positional) {
    const auto names = argument == standard_stream ? std::nullopt : patterns(argument);
    if (!names) {
      files.push_back(std::move(argument));
    } else if (names->empty()) {
      return "nenhum ficheiro corresponde a \"" + argument + "\"";
    } else {
      files.insert(files.end(), names->begin(), names->end());
    }
  }
  positional = std::move(files);
  return std::nullopt;
}

// The systems and files of a conversion, once every option is read.
CliParse checked(CliOptions options, std::vector<std::string> positional, bool has_source,
                 bool has_target, const FilePatterns& patterns) {
  if (!has_source) return usage_error("falta --from SISTEMA");
  const std::string typed_source = options.source;
  const std::string typed_target = options.target;
  const auto source = resolve(options.source);
  if (!source) return usage_error(unknown_system("--from", options.source));
  const bool qualquer = source->name == core::system_names::qualquer;
  std::optional<ResolvedSystem> target;
  if (!has_target) {
    // "Qualquer" takes any target as a label; with none given, it is its own.
    if (!qualquer) return usage_error("falta --to SISTEMA");
    target = ResolvedSystem{std::string(core::system_names::qualquer), false};
  } else if (qualquer) {
    target = ResolvedSystem{resolve_system_name(options.target), false};
  } else {
    target = resolve(options.target);
    if (!target) return usage_error(unknown_system("--to", options.target));
  }
  if (!qualquer && (!options.param_x.empty() || !options.param_y.empty())) {
    return usage_error("--param-x e --param-y só servem para o sistema Qualquer");
  }
  if (options.geolocate && options.literal) {
    return usage_error("--geolocate não serve com --literal, que não lê a estrutura do desenho");
  }
  if (qualquer && (options.param_x.empty() || options.param_y.empty())) {
    return usage_error("o sistema Qualquer precisa de --param-x FICHEIRO e --param-y FICHEIRO");
  }

  if (options.ntv2) {
    // The NTv2 method is the route to the target's "(grelhas NTv2)" name.
    const std::string target_ntv2 = target->name + std::string(core::system_names::ntv2_suffix);
    if (source->proj || target->proj || core::find_route(source->name, target_ntv2) == nullptr) {
      return usage_error(
          "--method ntv2 serve entre ETRS89 TM06, Datum 73 e Datum Lisboa (tm06, datum73, lisboa)");
    }
    target->name = target_ntv2;
  }
  options.source = source->name;
  options.target = target->name;
  // Catalogue systems stand for their EPSG codes when PROJ converts.
  const bool routed =
      !source->proj && !target->proj && core::find_route(source->name, target->name) != nullptr;
  if (!routed) {
    const std::string from = source->proj ? source->name : epsg_of(source->name);
    const std::string to = target->proj ? target->name : epsg_of(target->name);
    if (!from.empty() && !to.empty()) {
      options.source = from;
      options.target = to;
      options.proj_systems = true;
      // A WKT file by its path, not by the text it holds.
      options.source_name = source->proj ? typed_source : source->name;
      options.target_name = target->proj ? typed_target : target->name;
    }
  }

  if (const auto error = expanded(positional, patterns)) return usage_error(*error);
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

CliParse parse_command_line(const std::vector<std::string>& arguments,
                            const FilePatterns& patterns) {
  CliOptions options;
  bool has_source = false;
  bool has_target = false;
  std::vector<std::string> positional;
  bool options_ended = false;
  std::string method = "official";
  std::string threads;

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
    } else if (argument == "--verbose") {
      options.verbose = true;
    } else if (argument == "--literal") {
      options.literal = true;
    } else if (argument == "--allow-ballpark") {
      options.allow_ballpark = true;
    } else if (argument == "--geolocate") {
      options.geolocate = true;
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
      } else if (name == "--method") {
        destination = &method;
      } else if (name == "--threads") {
        destination = &threads;
      } else if (name == "--columns") {
        destination = &options.columns;
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
  if (method != "official" && method != "ntv2") {
    return usage_error("método desconhecido: " + method + " (official ou ntv2)");
  }
  options.ntv2 = method == "ntv2";
  if (!options.columns.empty()) {
    const points::ColumnsRead columns = points::columns_from_option(options.columns);
    if (!columns.columns) {
      return usage_error("--columns " + options.columns + ": " +
                         core::messages::columns_problem(columns.problem));
    }
  }
  if (!threads.empty()) {
    // More than the pass uses is no mistake (a script may give the number
    // of processors): --help says that at most 4 are used.
    constexpr std::size_t count_digits = 9;
    const auto count = dxf::whole_number(threads, count_digits);
    if (!count || *count == 0) {
      return usage_error("--threads espera um número inteiro positivo: " + threads);
    }
    options.threads = static_cast<unsigned>(*count);
  }
  return checked(std::move(options), std::move(positional), has_source, has_target,
                 patterns ? patterns : FilePatterns(platform::expand_file_pattern));
}

}  // namespace kelvrin::app
