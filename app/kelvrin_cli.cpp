// kelvrin-cli: the conversion engine for scripts and batch work.

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "app/cli_options.hpp"
#include "app/console_host.hpp"
#include "app/system_aliases.hpp"
#include "core/catalogue.hpp"
#include "core/conversion_job.hpp"
#include "core/executable_folder.hpp"
#include "core/own_files.hpp"
#include "core/routes.hpp"

namespace {

using namespace kelvrin;

constexpr int exit_completed = 0;
constexpr int exit_failed = 1;
constexpr int exit_usage = 2;

constexpr const char* help_text =
    R"(Utilização:
  kelvrin-cli --from SISTEMA --to SISTEMA [--param-x FICHEIRO --param-y FICHEIRO]
              [--literal] ENTRADA SAÍDA
  kelvrin-cli --from SISTEMA --to SISTEMA [...] --output-dir PASTA ENTRADA...
  kelvrin-cli --list | --help | --version

Converte desenhos DXF de texto entre sistemas de referência de Portugal
continental, dos Açores e da Madeira. SISTEMA é o nome exacto ou um dos nomes
curtos e códigos EPSG que --list mostra. Com --output-dir, cada ENTRADA dá
PASTA/<nome do ficheiro>; uma falha não impede as restantes conversões.
O sistema "Qualquer" usa os ficheiros de parâmetros --param-x e --param-y.

Cada coordenada é convertida segundo o seu papel na entidade (ponto, ponto no
plano da entidade, vector de direcção); o espaço de papel, os blocos e os
objectos ficam como estavam. Com --literal aplica-se a regra histórica: todos
os pares de códigos 10-18/20-28 desde "ENTITIES" até ao fim são pontos.

Estado de saída: 0 todas as conversões concluídas, 1 alguma falhou ou foi
recusada, 2 linha de comandos inválida.
)";

void print_list() {
  std::printf("Sistemas (nome: nomes curtos)\n");
  for (const app::SystemAliases& entry : app::system_aliases()) {
    std::string names(entry.short_name);
    if (!entry.epsg.empty()) {
      names += ", " + std::string(entry.epsg) + ", EPSG:" + std::string(entry.epsg);
    }
    std::printf("  %.*s: %s\n", static_cast<int>(entry.display_name.size()),
                entry.display_name.data(), names.c_str());
  }
  std::printf("\nConversões (origem -> destino: procedimentos)\n");
  for (const core::Route& route : core::all_routes()) {
    std::string steps;
    for (const core::Procedure procedure : route.procedures()) {
      if (!steps.empty()) steps += ", ";
      steps += core::procedure_name(procedure);
    }
    const std::string target = route.any_target ? "(qualquer)" : std::string(route.target);
    std::printf("  %.*s -> %s: %s\n", static_cast<int>(route.source.size()), route.source.data(),
                target.c_str(), steps.c_str());
  }
}

struct Conversion {
  std::string input;
  std::string output;
};

bool same_folder(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::error_code error;
  const bool same = std::filesystem::equivalent(a.empty() ? "." : a, b.empty() ? "." : b, error);
  return same && !error;
}

// Each input of a batch goes to the folder under its own file name. Two
// inputs with one name would overwrite each other's result, and a folder
// that holds an input would have its original replaced: both are refused
// before anything is written.
bool plan_conversions(const app::CliOptions& options, std::vector<Conversion>& plan) {
  if (!options.output_folder) {
    plan.push_back({options.inputs.front(), options.output});
    return true;
  }
  std::set<std::string> outputs;
  for (const std::string& input : options.inputs) {
    if (same_folder(*options.output_folder, std::filesystem::path(input).parent_path())) {
      std::fprintf(stderr,
                   "kelvrin-cli: a pasta de saída %s é a pasta de %s: os desenhos originais "
                   "seriam substituídos\n",
                   options.output_folder->c_str(), input.c_str());
      return false;
    }
    const std::string name = std::filesystem::path(input).filename().string();
    const std::string output = (std::filesystem::path(*options.output_folder) / name).string();
    if (name.empty() || !outputs.insert(output).second) {
      std::fprintf(stderr, "kelvrin-cli: mais do que uma entrada daria %s\n", output.c_str());
      return false;
    }
    plan.push_back({input, output});
  }
  return true;
}

int convert(const app::CliOptions& options) {
  std::vector<Conversion> plan;
  if (!plan_conversions(options, plan)) return exit_usage;

  const core::JobSettings settings{core::executable_folder(), options.literal
                                                                  ? dxf::RewritePolicy::literal
                                                                  : dxf::RewritePolicy::dxf_aware};
  app::ConsoleHost host(::isatty(STDERR_FILENO) == 1);
  const std::string source = app::resolve_system_name(options.source);
  // "Qualquer" takes any target as a label; with none given, it is its own.
  const std::string target = !options.target_given && source == core::system_names::qualquer
                                 ? std::string(core::system_names::qualquer)
                                 : app::resolve_system_name(options.target);

  int status = exit_completed;
  for (const Conversion& conversion : plan) {
    host.start_conversion(conversion.input);
    const core::ConversionOutcome outcome = core::run_conversion(
        host, settings,
        {source, target, conversion.input, conversion.output, options.param_x, options.param_y});
    if (outcome == core::ConversionOutcome::no_route) {
      std::fprintf(stderr, "kelvrin-cli: não há conversão de \"%s\" para \"%s\" (ver --list)\n",
                   source.c_str(), target.c_str());
    }
    if (outcome != core::ConversionOutcome::completed) status = exit_failed;
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  core::install_interruption_handlers(
      "kelvrin-cli: erro interno ou memória insuficiente: a conversão foi interrompida e os seus "
      "ficheiros removidos.\n");
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const app::CliParse parsed = app::parse_command_line(arguments);
  if (!parsed.options) {
    std::fprintf(stderr, "kelvrin-cli: %s\n\n%s", parsed.error.c_str(), help_text);
    return exit_usage;
  }
  switch (parsed.options->action) {
    case app::CliAction::help: std::fputs(help_text, stdout); return exit_completed;
    case app::CliAction::version:
      std::printf("kelvrin-cli %s\n", KELVRIN_VERSION);
      return exit_completed;
    case app::CliAction::list: print_list(); return exit_completed;
    case app::CliAction::convert: break;
  }
  return convert(*parsed.options);
}
