// kelvrin-cli: the conversion engine for scripts and batch work.

#include <algorithm>
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
#include "core/messages.hpp"
#include "core/point_list_route.hpp"
#include "core/routes.hpp"
#include "core/scratch_file.hpp"
#include "dxf/geolocation.hpp"
#include "platform/file.hpp"
#include "platform/own_files.hpp"
#include "platform/standard_streams.hpp"
#include "platform/utf8_path.hpp"

namespace {

using namespace kelvrin;

constexpr int exit_completed = 0;
constexpr int exit_failed = 1;
constexpr int exit_usage = 2;

constexpr const char* help_text =
    R"(Utilização:
  kelvrin-cli --from SISTEMA --to SISTEMA
              [--param-x FICHEIRO --param-y FICHEIRO] [--method official|ntv2]
              [--literal] [--threads N] [--allow-ballpark] [--columns COLUNAS]
              [--geolocate] [--verbose] [-q]
              ENTRADA SAÍDA
  kelvrin-cli --from SISTEMA --to SISTEMA [...] --output-dir PASTA ENTRADA...
  kelvrin-cli --list | -h | --help | -V | --version

Converte desenhos DXF de texto entre sistemas de referência de Portugal
continental, dos Açores e da Madeira. SISTEMA é o nome exacto ou um dos nomes
curtos e códigos EPSG que --list mostra. Com --output-dir, cada ENTRADA dá
PASTA/<nome do ficheiro>, e PASTA é criada se não existir (a pasta onde fica
tem de existir); uma falha não impede as restantes conversões e no fim uma
linha diz quantas foram concluídas. No Windows, o kelvrin-cli.exe expande ele
próprio * e ? nos nomes dos ficheiros. "-" como ENTRADA lê a entrada
padrão e como SAÍDA escreve na saída padrão (as mensagens vão sempre para a
saída de erros). O sistema "Qualquer" usa os ficheiros de parâmetros --param-x
e --param-y. Um SISTEMA fora da lista (código EPSG, cadeia PROJ, WKT), ou um
par sem conversão na lista, é convertido pelo PROJ, que diz na saída de erros
que transformação usou e a sua exactidão; os pontos do desenho fora da área de
uso da transformação são convertidos, e contados num aviso; o mesmo nas
transformações oficiais, para os pontos longe da área para que foram feitas (um
desenho em milímetros, ou noutro sistema). As coordenadas são sempre lidas como
metros.

Uma ENTRADA terminada em .csv, .txt, .xyz, .pnt ou .nez que não comece como um
DXF (ou "-" que não comece como um DXF) é uma lista de pontos: um ponto por
linha, convertido pela mesma transformação, exactamente como o mesmo ponto num
desenho. Só as duas coordenadas planas mudam, cada uma com as casas decimais
que tinha (3 no mínimo); o resto (cabeçalho, alturas, códigos, separadores,
fins de linha) fica como estava. As colunas vêm de --columns ou do cabeçalho.

Cada coordenada é convertida segundo o seu papel na entidade (ponto, ponto no
plano da entidade, vector de direcção). O espaço de papel e os objectos ficam
como estavam; um bloco inserido uma só vez no espaço modelo e os blocos das
cotas são convertidos, e os outros blocos movem-se com cada inserção. Com
--literal aplica-se a regra histórica: todos os pares de códigos 10-18/20-28
desde "ENTITIES" até ao fim são pontos.

  --method ntv2   entre ETRS89 TM06, Datum 73 e Datum Lisboa, pelas grelhas
                  NTv2 nacionais em vez do método oficial (--method official)
  --threads N     um desenho grande (a partir de 8 MB) é convertido por
                  partes por N fios de execução; por omissão, tantos quantos
                  os processadores. São usados 4 no máximo: um N maior conta
                  como 4. O desenho escrito é o mesmo com qualquer N
  --allow-ballpark
                  aceita uma transformação aproximada do PROJ ("Ballpark"), a
                  única que o PROJ conhece para alguns pares: não faz a mudança
                  de datum e pode errar por dezenas ou centenas de metros. Sem
                  esta opção é recusada
  --columns COLUNAS
                  as colunas de uma lista de pontos, por ordem: P ponto, E
                  este, N norte, M e P meridiana e perpendicular, Z altura,
                  LAT e LON; outra letra é copiada (P,E,N,Z,D ou PENZD)
  --geolocate     um desenho sem referência geográfica (GEODATA) recebe uma
                  no Sistema 2, com o ponto de base no centro do desenho, e
                  abre já localizado no programa de CAD; só desenhos do
                  AutoCAD 2010 ou posteriores, e um Sistema 2 com código EPSG.
                  A referência que um desenho já tenha acompanha-o sempre
  --verbose       diz como foi lida cada lista de pontos (separador, marca
                  decimal, cabeçalho, colunas)
  -q, --quiet     sem progresso nem linhas "Criado o ficheiro"
  -h, --help      esta ajuda
  -V, --version   a versão

Estado de saída: 0 todas as conversões concluídas, 1 alguma falhou ou foi
recusada, 2 linha de comandos inválida (nada é escrito); 130 quando foi
interrompida com Ctrl+C, e outro valor acima de 128 quando foi interrompida
de outra maneira.
)";

void say(const std::string& text) { platform::write_text(platform::TextStream::output, text); }
void complain(const std::string& text) {
  platform::write_text(platform::TextStream::error, "kelvrin-cli: " + text + "\n");
}

// A console 80 columns wide breaks a longer line wherever the 80th column
// falls, and a line of exactly 80 columns adds an empty one.
constexpr std::size_t console_columns = 79;

std::size_t columns(std::string_view text) {
  // Every byte but the continuation bytes of UTF-8 starts a character.
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// `head` and `tail` on one line when they fit, else `tail` on the next,
// further indented.
std::string listed(const std::string& head, const std::string& tail) {
  if (columns(head) + 1 + columns(tail) <= console_columns) return head + " " + tail + "\n";
  return head + "\n      " + tail + "\n";
}

void print_list() {
  std::string list = "Sistemas (nome: nomes curtos)\n";
  for (const app::SystemAliases& entry : app::system_aliases()) {
    std::string names(entry.short_name);
    if (!entry.epsg.empty()) {
      names += ", " + std::string(entry.epsg) + ", EPSG:" + std::string(entry.epsg) + " (" +
               std::string(entry.crs_name) + ")";
    }
    list += listed("  " + std::string(entry.display_name) + ":", names);
  }
  list += "\nConversões (origem -> destino: procedimentos)\n";
  for (const core::Route& route : core::all_routes()) {
    std::string steps;
    for (const core::Procedure procedure : route.procedures()) {
      if (!steps.empty()) steps += ", ";
      steps += core::procedure_name(procedure);
    }
    const std::string target = route.any_target ? "(qualquer)" : std::string(route.target);
    list += listed("  " + std::string(route.source), "-> " + target + ": " + steps);
  }
  list +=
      "\nMétodo NTv2 (--method ntv2): ETRS89 TM06, Datum 73 e Datum Lisboa entre si\n"
      "pelas grelhas NTv2 da Direção-Geral do Território; os destinos \"(grelhas NTv2)\"\n"
      "acima.\n"
      "\nQualquer outro sistema que o PROJ conheça também é aceite: um código EPSG\n"
      "(EPSG:32629 ou 32629), uma cadeia PROJ (+proj=...), WKT ou um ficheiro WKT.\n"
      "Esses sistemas, e os pares sem conversão acima, são convertidos pela melhor\n"
      "transformação do PROJ (os sistemas acima valem pelo seu código EPSG).\n";
  say(list);
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
    if (same_folder(platform::path_of(*options.output_folder),
                    platform::path_of(input).parent_path())) {
      complain("a pasta de saída " + *options.output_folder + " é a pasta de " + input +
               ": os desenhos originais seriam substituídos (ver kelvrin-cli --help)");
      return false;
    }
    const std::string name = platform::utf8_of(platform::path_of(input).filename());
    const std::string output =
        platform::utf8_of(platform::path_of(*options.output_folder) / platform::path_of(name));
    if (name.empty() || !outputs.insert(output).second) {
      complain("mais do que uma entrada daria " + output + " (ver kelvrin-cli --help)");
      return false;
    }
    plan.push_back({input, output});
  }
  return true;
}

// The batch's folder, made when it is not there. Only the last level: a
// mistyped parent should not become a tree of folders.
bool make_output_folder(const std::string& folder, bool quiet) {
  std::filesystem::path path = platform::path_of(folder);
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) return true;
  if (!path.has_filename()) path = path.parent_path();  // "convertidos/"
  const std::filesystem::path parent = path.parent_path();
  if (!parent.empty() && !std::filesystem::is_directory(parent, error)) {
    const std::string above = platform::utf8_of(parent);
    complain("não foi possível criar a pasta de saída " + folder + ": " +
             (std::filesystem::exists(parent, error) ? above + " não é uma pasta"
                                                     : "a pasta " + above + " não existe"));
    return false;
  }
  if (const platform::SystemError why = platform::create_folder(folder)) {
    complain("não foi possível criar a pasta de saída " + folder + " (" +
             core::messages::system_error_text(why) + ")");
    return false;
  }
  if (!quiet) say("Criada a pasta: " + folder + "\n");
  return true;
}

// "-" as input: standard input is copied into a file without a name, since
// the conversion reads its input more than once.
platform::SystemError copy_standard_input(core::ScratchFile& copy) {
  std::error_code ignored;
  if (const platform::SystemError error =
          copy.create_unnamed(platform::utf8_of(std::filesystem::temp_directory_path(ignored)))) {
    return error;
  }
  return platform::copy_rest(platform::standard_input(), copy.file());
}

// --geolocate refuses a drawing older than AutoCAD 2010, before anything
// is written; a point list, or a drawing that has its own reference, goes on.
bool geolocation_possible(const core::ConversionRequest& request) {
  const dxf::PassFile input = request.input_handle != platform::no_file
                                  ? dxf::PassFile(request.input, request.input_handle)
                                  : dxf::PassFile(request.input);
  if (core::input_is_point_list(input)) return true;
  const dxf::GeolocationSurvey found = dxf::survey_geolocation(input, std::size_t{1} << 16);
  // A file that cannot be read is the conversion's to tell.
  if (!found.read || found.has_geodata || dxf::holds_geodata(found.acadver)) return true;
  complain(core::messages::geolocate_refused(request.input, found.acadver));
  return false;
}

constexpr const char* standard_input_name = "(entrada padrão)";
constexpr const char* standard_output_name = "(saída padrão)";

int convert(const app::CliOptions& options) {
  std::vector<Conversion> plan;
  if (!plan_conversions(options, plan)) return exit_usage;
  if (options.output_folder && !make_output_folder(*options.output_folder, options.quiet)) {
    return exit_failed;
  }

  core::JobSettings settings{core::grid_folder(), options.literal ? dxf::RewritePolicy::literal
                                                                  : dxf::RewritePolicy::dxf_aware};
  settings.threads = options.threads;
  settings.geolocate = options.geolocate;
  app::ConsoleHost host(platform::standard_error_is_terminal(), options.quiet, options.verbose);

  // A drawing of the batch that refers to another one gets the reference
  // to its converted copy.
  std::vector<core::BatchDrawing> batch;
  if (options.output_folder) {
    for (const Conversion& conversion : plan) {
      if (conversion.input != app::standard_stream) {
        batch.push_back({conversion.input, conversion.output});
      }
    }
  }

  int completed = 0;
  for (const Conversion& conversion : plan) {
    core::ConversionRequest request{options.source,    options.target,  conversion.input,
                                    conversion.output, options.param_x, options.param_y};
    request.proj_systems = options.proj_systems;
    request.source_name = options.source_name;
    request.target_name = options.target_name;
    request.allow_ballpark = options.allow_ballpark;
    request.columns = options.columns;
    request.batch = batch;
    core::ScratchFile standard_input;
    if (conversion.input == app::standard_stream) {
      if (const platform::SystemError error = copy_standard_input(standard_input)) {
        complain("não foi possível ler a entrada padrão (" +
                 core::messages::system_error_text(error) + ")");
        continue;
      }
      request.input = standard_input_name;
      request.input_handle = standard_input.file();
    }
    if (options.geolocate && !geolocation_possible(request)) continue;
    const bool to_stdout = conversion.output == app::standard_stream;
    if (to_stdout) {
      request.output = standard_output_name;
      request.output_handle = platform::standard_output();
    }
    host.start_conversion(request.input, to_stdout);
    const core::ConversionOutcome outcome = core::run_conversion(host, settings, request);
    if (outcome == core::ConversionOutcome::no_route) {
      complain(core::messages::no_route(options.source, options.target) + " (ver --list)");
    }
    if (outcome == core::ConversionOutcome::completed) ++completed;
  }
  const int failed = static_cast<int>(plan.size()) - completed;
  if (options.output_folder && !options.quiet) {
    say(std::to_string(completed) + " de " + std::to_string(plan.size()) +
        " desenhos convertidos, " + std::to_string(failed) + " com falha.\n");
  }
  return failed == 0 ? exit_completed : exit_failed;
}

}  // namespace

int main(int argc, char** argv) {
  platform::install_interruption_handlers(core::messages::last_words("kelvrin-cli"));
  const app::CliParse parsed = app::parse_command_line(platform::program_arguments(argc, argv));
  if (!parsed.options) {
    complain(parsed.error + " (ver kelvrin-cli --help)");
    return exit_usage;
  }
  switch (parsed.options->action) {
    case app::CliAction::help: say(help_text); return exit_completed;
    case app::CliAction::version: say("kelvrin-cli " KELVRIN_VERSION "\n"); return exit_completed;
    case app::CliAction::list: print_list(); return exit_completed;
    case app::CliAction::convert: break;
  }
  return convert(*parsed.options);
}
