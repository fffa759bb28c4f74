#include "core/messages.hpp"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <iterator>

#include "dxf/line_reader.hpp"
#include "platform/system_error.hpp"
#include "points/point_list_pass.hpp"

namespace kelvrin::core::messages {
namespace {

std::string quoted(std::string_view path) {
  std::string text = "\"";
  text += path;
  text += '"';
  return text;
}

std::string with_cause(std::string text, platform::SystemError error) {
  if (error) text += " (" + system_error_text(error) + ")";
  text += '.';
  return text;
}

}  // namespace

const char* last_words(std::string_view program) {
  static constexpr std::string_view said =
      ": erro interno ou memória insuficiente: a conversão foi interrompida e os seus ficheiros "
      "removidos.\n";
  // Plain static storage, never destroyed: no destructor may take it away
  // before a fault that comes during the program's own end.
  static char text[160];
  const std::size_t name = std::min(program.size(), sizeof text - said.size() - 1);
  std::copy_n(program.data(), name, text);
  std::copy(said.begin(), said.end(), text + name);
  text[name + said.size()] = '\0';
  return text;
}

std::string system_error_text(platform::SystemError error) {
  switch (error.kind()) {
    case platform::ErrorKind::not_found: return "o ficheiro ou a pasta não existe";
    case platform::ErrorKind::no_permission: return "sem permissão de acesso";
    case platform::ErrorKind::is_folder: return "é uma pasta";
    case platform::ErrorKind::not_a_folder: return "uma parte do caminho não é uma pasta";
    case platform::ErrorKind::disk_full: return "disco cheio";
    case platform::ErrorKind::read_only_disk: return "disco só de leitura";
    case platform::ErrorKind::disk_failure: return "erro de entrada/saída no disco";
    case platform::ErrorKind::name_too_long: return "nome demasiado longo";
    case platform::ErrorKind::other_disk: return "outro disco";
    case platform::ErrorKind::held_open: return "está aberto noutro programa";
    case platform::ErrorKind::invalid_name:
      return "nome que o Windows não aceita (reservado, ou terminado em ponto ou espaço)";
    case platform::ErrorKind::none:
    case platform::ErrorKind::too_large:
    case platform::ErrorKind::other: break;
  }
  return error.system_text();
}

std::string pass_failure(const dxf::PassResult& result, std::string_view input,
                         std::string_view output) {
  const std::string line = std::to_string(result.line);
  switch (result.failure) {
    case dxf::PassFailure::cannot_open_input:
      return with_cause("Não foi possível abrir o ficheiro " + quoted(input), result.system_error);
    case dxf::PassFailure::binary_dxf:
      return "O ficheiro " + quoted(input) +
             " é um DXF binário: só podem ser convertidos ficheiros DXF de texto.";
    case dxf::PassFailure::cannot_create_output:
      return with_cause("Não foi possível criar o ficheiro " + quoted(output), result.system_error);
    case dxf::PassFailure::read_error:
      return with_cause("Erro ao ler o ficheiro " + quoted(input) + " na linha " + line,
                        result.system_error);
    case dxf::PassFailure::write_error:
      return with_cause("Erro ao escrever o ficheiro " + quoted(output), result.system_error);
    case dxf::PassFailure::odd_line_count:
      return "O ficheiro " + quoted(input) + " tem um número ímpar de linhas: a linha " + line +
             " não tem par.";
    case dxf::PassFailure::number_too_large:
      return "Número demasiado grande na linha " + line + " do ficheiro " + quoted(input) + ".";
    case dxf::PassFailure::arithmetic_failure:
      return "Erro aritmético ao transformar o ponto da linha " + line + " do ficheiro " +
             quoted(input) + ".";
    case dxf::PassFailure::not_text_dxf:
      return "O ficheiro " + quoted(input) +
             " não é um DXF de texto: a primeira linha não é um código de grupo.";
    case dxf::PassFailure::bad_group_code:
      return "A linha " + line + " do ficheiro " + quoted(input) +
             " devia ter um código de grupo DXF (um número inteiro).";
    case dxf::PassFailure::not_a_number:
      return "A coordenada da linha " + line + " do ficheiro " + quoted(input) +
             " não é um número.";
    case dxf::PassFailure::line_too_long:
      return "A linha " + line + " do ficheiro " + quoted(input) + " tem mais de " +
             std::to_string(dxf::max_line_length) +
             " caracteres: não é uma linha de um DXF de texto.";
    case dxf::PassFailure::point_rejected:
    case dxf::PassFailure::none: break;
  }
  return {};
}

namespace {

// The units of $INSUNITS, in the plural.
std::string unit_name(int insunits) {
  static constexpr const char* names[] = {"sem unidades",
                                          "polegadas",
                                          "pés",
                                          "milhas",
                                          "milímetros",
                                          "centímetros",
                                          "metros",
                                          "quilómetros",
                                          "micropolegadas",
                                          "milésimos de polegada",
                                          "jardas",
                                          "ångströms",
                                          "nanómetros",
                                          "micrómetros",
                                          "decímetros",
                                          "decâmetros",
                                          "hectómetros",
                                          "gigâmetros",
                                          "unidades astronómicas",
                                          "anos-luz",
                                          "parsecs",
                                          "pés americanos",
                                          "polegadas americanas",
                                          "jardas americanas",
                                          "milhas americanas"};
  if (insunits >= 0 && insunits < static_cast<int>(std::size(names))) return names[insunits];
  return "desconhecidas";
}

}  // namespace

std::string drawing_units(int insunits, std::string_view input) {
  if (insunits <= 0 || insunits == 6) return {};
  return "Aviso: o desenho " + quoted(input) + " diz estar em " + unit_name(insunits) +
         " ($INSUNITS = " + std::to_string(insunits) +
         "), mas as suas coordenadas foram lidas como metros: só estão certas se o desenho foi "
         "de facto desenhado em metros.";
}

namespace {

// What an external file is, as the list of them names it.
std::string external_kind_name(dxf::ExternalKind kind) {
  switch (kind) {
    case dxf::ExternalKind::drawing: return "desenho (XREF)";
    case dxf::ExternalKind::image: return "imagem";
    case dxf::ExternalKind::underlay: return "subjacente (PDF, DWF, DGN)";
  }
  return {};
}

}  // namespace

// What became of the drawing's geographic reference; nothing when it now
// names the target system.
std::string geodata_warning(const dxf::PassReport& report, std::string_view input) {
  if (!report.geodata) return {};
  using System = dxf::PassReport::GeodataSystem;
  const std::string named =
      report.geodata_named.empty() ? std::string("sem nome") : quoted(report.geodata_named);
  switch (report.geodata_system) {
    case System::target: return {};
    case System::other:
      return "Aviso: a referência geográfica (GEODATA) de " + quoted(input) +
             " descreve outro sistema de coordenadas (" + named +
             "), não o Sistema 1: o ponto de base e o norte acompanham o desenho, mas a "
             "definição do sistema ficou como estava.";
    case System::target_unnamed:
      return "Aviso: a referência geográfica (GEODATA) de " + quoted(input) +
             " descreve o Sistema 1, mas o Sistema 2 não tem código EPSG que o PROJ descreva: o "
             "ponto de base e o norte acompanham o desenho, e a definição do sistema continua a "
             "ser a do Sistema 1.";
    case System::unknown: break;
  }
  return "Aviso: o desenho " + quoted(input) +
         " tem uma referência geográfica (GEODATA) cujo sistema de coordenadas ficou como estava: "
         "continua a descrever o Sistema 1.";
}

std::string geolocation_warning(const dxf::PassReport& report, std::string_view input) {
  using Outcome = dxf::PassReport::Geolocation;
  switch (report.geolocation) {
    case Outcome::too_old:
      return "Aviso: a referência geográfica (--geolocate) não foi escrita em " + quoted(input) +
             ": só um desenho do AutoCAD 2010 ou posterior ($ACADVER AC1024 ou seguinte) a pode "
             "ter.";
    case Outcome::no_definition:
      return "Aviso: a referência geográfica (--geolocate) não foi escrita em " + quoted(input) +
             ": o Sistema 2 não tem código EPSG que o PROJ descreva.";
    default: return {};
  }
}

std::string geolocate_refused(std::string_view input, std::string_view acadver) {
  return "--geolocate recusado para " + quoted(input) +
         ": o desenho é de uma versão anterior ao "
         "AutoCAD 2010 ($ACADVER " +
         (acadver.empty() ? std::string("em falta") : std::string(acadver)) +
         "), que não guarda referências geográficas; converta-o sem --geolocate ou grave-o "
         "primeiro numa versão recente.";
}

std::string pass_warnings(const dxf::PassReport& report, std::string_view input) {
  std::string text;
  const auto add = [&text](const std::string& line) {
    if (!text.empty()) text += '\n';
    text += line;
  };
  if (report.unknown_entities > 0) {
    std::string types;
    for (const std::string& type : report.unknown_types) {
      types += types.empty() ? "" : ", ";
      types += type;
    }
    add("Aviso: " + std::to_string(report.unknown_entities) +
        " entidade(s) de tipo desconhecido (" + types + ") em " + quoted(input) +
        ": os pares de códigos 10-18/20-28 foram convertidos como pontos.");
  }
  if (report.unconverted_entities > 0) {
    add("Aviso: " + std::to_string(report.unconverted_entities) + " entidade(s) de " +
        quoted(input) +
        " ficaram por converter (sólidos, regiões ou superfícies ACIS, ou planos verticais).");
  }
  if (report.unpaired_coordinates > 0) {
    add("Aviso: " + std::to_string(report.unpaired_coordinates) +
        " coordenada(s) sem o seu par X/Y em " + quoted(input) + " (a primeira na linha " +
        std::to_string(report.first_unpaired_line) + ") ficaram como estavam.");
  }
  if (const std::string geodata = geodata_warning(report, input); !geodata.empty()) add(geodata);
  if (const std::string written = geolocation_warning(report, input); !written.empty()) {
    add(written);
  }
  if (const std::string units = drawing_units(report.insunits, input); !units.empty()) add(units);
  for (const auto& [name, block] : report.shared_blocks) {
    if (block.largest_miss <= dxf::PassReport::tolerated_miss) continue;
    char miss[32];
    std::snprintf(miss, sizeof miss, "%.3f", block.largest_miss);
    add("Aviso: o bloco " + quoted(name) + " de " + quoted(input) + " é inserido " +
        std::to_string(block.inserts) +
        " vez(es) e cada inserção move-o como um todo: o seu conteúdo fica até " + miss +
        " m de onde a transformação o poria.");
  }
  if (report.bent_arcs > 0) {
    char miss[32];
    std::snprintf(miss, sizeof miss, "%.4f", report.largest_arc_miss);
    add("Aviso: a transformação curva " + std::to_string(report.bent_arcs) + " arco(s) de " +
        quoted(input) + " (o primeiro na linha " + std::to_string(report.first_bent_arc_line) +
        ") mais do que um círculo pode seguir: continuam arcos, com os extremos e o meio onde a "
        "transformação os põe, mas os outros pontos ficam até " +
        miss + " m de onde ela os poria.");
  }
  if (!report.external_files.empty()) {
    std::string files;
    for (const dxf::PassReport::ExternalFile& file : report.external_files) {
      files += "\n  " + external_kind_name(file.kind) + ": " + file.path;
    }
    add("Aviso: o desenho " + quoted(input) + " refere " +
        std::to_string(report.external_files.size()) +
        " ficheiro(s) externo(s) que continuam no Sistema 1 e têm de ser convertidos também:" +
        files);
  }
  for (const dxf::PassReport::MovedReference& moved : report.moved_references) {
    add("A referência de " + quoted(input) + " a " + quoted(moved.from) +
        " passa a apontar para a sua cópia convertida: " + quoted(moved.to) + ".");
  }
  return text;
}

std::string parameter_file_failure(const transform::ParameterFileRead& read,
                                   std::string_view path) {
  const std::string field = std::to_string(read.field);
  switch (read.error) {
    case transform::ParameterFileError::cannot_open:
      return with_cause("Não foi possível abrir o ficheiro de parâmetros " + quoted(path),
                        read.system_error);
    case transform::ParameterFileError::cannot_read:
      return with_cause("Erro ao ler o ficheiro de parâmetros " + quoted(path), read.system_error);
    case transform::ParameterFileError::ends_early:
      return "O ficheiro de parâmetros " + quoted(path) + " termina antes do campo " + field +
             " (são precisos 15 campos).";
    case transform::ParameterFileError::not_a_number:
      return "O campo " + field + " do ficheiro de parâmetros " + quoted(path) +
             " não é um número: " + quoted(read.text) + ".";
    case transform::ParameterFileError::too_long:
      return "O campo " + field + " do ficheiro de parâmetros " + quoted(path) + " tem mais de " +
             std::to_string(transform::longest_parameter_field) + " caracteres (começa por " +
             quoted(read.text) + ").";
    case transform::ParameterFileError::none: break;
  }
  return {};
}

std::string grid_file_failure(const transform::GridFileRead& read, std::string_view path) {
  const std::string count = std::to_string(read.values_read);
  const std::string needed = std::to_string(transform::grid_geometry::node_count);
  switch (read.error) {
    case transform::GridFileError::cannot_open:
      return with_cause("Não foi possível abrir o ficheiro de grelha " + quoted(path),
                        read.system_error);
    case transform::GridFileError::cannot_read:
      return with_cause("Erro ao ler o ficheiro de grelha " + quoted(path), read.system_error);
    case transform::GridFileError::too_few:
      return "O ficheiro de grelha " + quoted(path) + " tem só " + count +
             " valores; são precisos " + needed + ".";
    case transform::GridFileError::not_a_number:
      return "O ficheiro de grelha " + quoted(path) + " tem " + count + " valores e depois " +
             quoted(read.text) + ", que não é um número; são precisos " + needed + " valores.";
    case transform::GridFileError::too_long:
      return "O ficheiro de grelha " + quoted(path) + " tem " + count +
             " valores e depois um campo com mais de " +
             std::to_string(transform::longest_grid_token) + " caracteres (começa por " +
             quoted(read.text) + "), que não é um número; são precisos " + needed + " valores.";
    case transform::GridFileError::none: break;
  }
  return {};
}

namespace {

// At most 15 significant digits, no trailing zeros, a blank in front of a
// number that is not negative, "0" in front of the point below 1; exponent
// form only beyond 15 digits.
std::string limits_number(double value) {
  if (value == 0.0) value = 0.0;  // no "-0"
  char text[64];
  const auto end =
      std::to_chars(text, text + sizeof text, value, std::chars_format::general, 15).ptr;
  return (value < 0.0 ? "" : " ") + std::string(text, end);
}

}  // namespace

std::string point_outside_grid(double x, double y) {
  return "ERRO!! Ponto para além dos limites. (" + limits_number(x) + ";" + limits_number(y) + ")";
}

std::string place_in_drawing(std::string_view input, std::uint64_t line,
                             std::optional<dxf::PlanarPoint> given) {
  std::string text = "\nFicheiro: " + quoted(input);
  if (line > 0) text += "\nLinha: " + std::to_string(line);
  if (given) {
    text += "\nCoordenadas no desenho: (" + limits_number(given->x) + ";" +
            limits_number(given->y) + ")";
  }
  return text;
}

std::string cannot_replace_output(std::string_view output, platform::SystemError error) {
  return with_cause("Não foi possível gravar o ficheiro " + quoted(output), error);
}

std::string missing_ntv2_grid(std::string_view grid) {
  return "O ficheiro " + std::string(grid) + " (grelha NTv2) não existe !!";
}

namespace {

// "de "A" para "B"", the pair of a PROJ conversion.
std::string from_to(std::string_view source, std::string_view target) {
  return "de " + quoted(source) + " para " + quoted(target);
}

std::string point_text(double x, double y) {
  return "(" + limits_number(x) + ";" + limits_number(y) + ")";
}

}  // namespace

std::string proj_failure(const transform::ProjError& error) {
  using transform::ProjFailure;
  const std::string not_loaded = "o PROJ não pôde ser carregado (";
  switch (error.failure) {
    case ProjFailure::library_not_found:
      return not_loaded + "a biblioteca do PROJ (proj_*.dll) não está na pasta do programa, " +
             error.file + ")";
    case ProjFailure::library_not_loaded: return not_loaded + error.said + ")";
    case ProjFailure::function_missing:
      return not_loaded + error.file + ": falta " + error.said + ")";
    case ProjFailure::unknown_source: return "o PROJ não conhece o sistema de origem";
    case ProjFailure::unknown_target: return "o PROJ não conhece o sistema de destino";
    case ProjFailure::no_operation:
      return "o PROJ não conhece nenhuma transformação entre os dois sistemas";
    case ProjFailure::grid_missing:
      return "a transformação precisa da grelha " + error.file + ", que não existe";
    case ProjFailure::refused_by_proj: return error.said.empty() ? "erro do PROJ" : error.said;
    case ProjFailure::none: break;
  }
  return {};
}

std::string proj_refused(std::string_view source, std::string_view target,
                         const transform::ProjError& error) {
  return "Conversão " + from_to(source, target) + " recusada: " + proj_failure(error) + ".";
}

std::string proj_operation(std::string_view source, std::string_view target, std::string_view name,
                           double accuracy) {
  std::string text = "Transformação do PROJ " + from_to(source, target) + ": " + std::string(name);
  if (accuracy >= 0.0) {
    char metres[32];
    std::snprintf(metres, sizeof metres, "%g", accuracy);
    text += " (exactidão declarada: " + std::string(metres) + " m)";
  } else {
    text += " (exactidão desconhecida)";
  }
  return text;
}

std::string proj_ballpark_refused(std::string_view source, std::string_view target,
                                  std::string_view name) {
  return "Conversão " + from_to(source, target) +
         " recusada: o PROJ só conhece a transformação aproximada " + quoted(name) +
         ", que não faz a mudança de datum e pode errar por dezenas ou centenas de metros. Para a "
         "usar mesmo assim: kelvrin-cli --allow-ballpark.";
}

std::string proj_ballpark_used(std::string_view source, std::string_view target,
                               std::string_view name) {
  return "Aviso: a conversão " + from_to(source, target) + " usou a transformação aproximada " +
         quoted(name) +
         ", que não faz a mudança de datum: as coordenadas convertidas podem estar erradas em "
         "dezenas ou centenas de metros.";
}

std::string points_outside_area(const dxf::PassReport& report, std::string_view input,
                                std::string_view source, std::string_view target) {
  if (report.points_outside_area == 0) return {};
  return "Aviso: " + std::to_string(report.points_outside_area) + " ponto(s) de " + quoted(input) +
         " fora da área de uso da transformação " + from_to(source, target) + " (o primeiro, " +
         point_text(report.first_outside_point.x, report.first_outside_point.y) + ", na linha " +
         std::to_string(report.first_outside_line) +
         ") foram convertidos, mas o resultado aí pode não ser fiável.";
}

std::string point_not_transformed(double x, double y, std::uint64_t line, std::string_view input,
                                  std::string_view source, std::string_view target) {
  return "O ponto " + point_text(x, y) + " da linha " + std::to_string(line) + " do ficheiro " +
         quoted(input) + " não pode ser transformado " + from_to(source, target) +
         ": fica fora das grelhas ou da área do sistema.";
}

std::string no_route(std::string_view source, std::string_view target) {
  return "Não há conversão de " + quoted(source) + " para " + quoted(target) + ".";
}

std::string output_over_input(std::string_view input) {
  return "O ficheiro DXF no Sistema 2 é o próprio ficheiro DXF no Sistema 1:\n" +
         std::string(input) + "\n\nSubstituir o desenho pelo desenho convertido?";
}

std::string cannot_create_output(std::string_view output, platform::SystemError error) {
  return with_cause("Não foi possível criar o ficheiro " + quoted(output), error);
}

std::string output_not_writable(std::string_view output, platform::SystemError error) {
  return with_cause("O ficheiro " + quoted(output) + " não pode ser substituído", error);
}

std::string out_of_memory(std::string_view input) {
  return "Memória insuficiente para converter o ficheiro " + quoted(input) +
         ": a conversão foi interrompida e nada foi alterado.";
}

namespace {

using points::PointListFailure;

constexpr std::string_view columns_hint =
    " Indique as colunas com a opção --columns do kelvrin-cli (por exemplo --columns P,M,P,Z,D "
    "ou --columns P,E,N,Z,D).";

std::string line_of(const points::PointListResult& result, std::string_view input) {
  return "linha " + std::to_string(result.line) + " do ficheiro " + quoted(input);
}

std::string separator_name(points::Separator separator) {
  switch (separator) {
    case points::Separator::comma: return "vírgula";
    case points::Separator::semicolon: return "ponto e vírgula";
    case points::Separator::tab: return "tabulação";
    case points::Separator::blanks: return "espaços";
  }
  return {};
}

}  // namespace

std::string columns_problem(points::ColumnsProblem problem) {
  switch (problem) {
    case points::ColumnsProblem::no_coordinates:
      return "faltam as colunas das coordenadas (E e N, ou M e P)";
    case points::ColumnsProblem::repeated: return "há mais do que uma coluna de E ou de N";
    case points::ColumnsProblem::lone_p:
      return "a coluna \"P\" tanto pode ser o ponto como a perpendicular";
    case points::ColumnsProblem::m_without_p: return "a coluna \"M\" não tem \"P\" logo a seguir";
    case points::ColumnsProblem::none: break;
  }
  return {};
}

std::string point_list_failure(const points::PointListResult& result, std::string_view input,
                               std::string_view output) {
  const std::string line = quoted(result.text);
  switch (result.failure) {
    case PointListFailure::cannot_open_input:
      return with_cause("Não foi possível abrir o ficheiro " + quoted(input), result.system_error);
    case PointListFailure::cannot_create_output:
      return with_cause("Não foi possível criar o ficheiro " + quoted(output), result.system_error);
    case PointListFailure::read_error:
      return with_cause(
          "Erro ao ler o ficheiro " + quoted(input) + " na linha " + std::to_string(result.line),
          result.system_error);
    case PointListFailure::write_error:
      return with_cause("Erro ao escrever o ficheiro " + quoted(output), result.system_error);
    case PointListFailure::line_too_long:
      return "A linha " + std::to_string(result.line) + " do ficheiro " + quoted(input) +
             " tem mais de " + std::to_string(dxf::max_line_length) +
             " caracteres: não é uma lista de pontos.";
    case PointListFailure::no_points:
      return "O ficheiro " + quoted(input) +
             " não tem nenhum ponto: só linhas em branco ou comentários.";
    case PointListFailure::no_separator:
      return "Nas primeiras linhas do ficheiro " + quoted(input) +
             " não se reconhece o separador dos campos (vírgula, ponto e vírgula, tabulação ou "
             "espaços); a linha " +
             std::to_string(result.line) + " é " + line + ".";
    case PointListFailure::unknown_columns:
      if (result.columns_problem == points::ColumnsProblem::none) {
        return "O ficheiro " + quoted(input) +
               " não diz que colunas têm as coordenadas: a sua primeira linha, " + line +
               ", não é um cabeçalho que as nomeie." + std::string(columns_hint);
      }
      return "O cabeçalho do ficheiro " + quoted(input) + ", " + line + " (linha " +
             std::to_string(result.line) +
             "), não serve: " + columns_problem(result.columns_problem) + "." +
             std::string(columns_hint);
    case PointListFailure::too_few_fields:
      return "Na " + line_of(result, input) +
             " faltam campos: não chega à coluna das coordenadas. A linha é " + line + ".";
    case PointListFailure::not_a_number:
      return "A coordenada " + quoted(result.field) + " da " + line_of(result, input) +
             " não é um número. A linha é " + line + ".";
    case PointListFailure::grouped_digits:
      return "A coordenada " + quoted(result.field) + " da " + line_of(result, input) +
             " tem separadores de milhares, que não são aceites: escreva-a sem eles. A linha é " +
             line + ".";
    case PointListFailure::point_rejected:
      return "O ponto da " + line_of(result, input) +
             " está fora da área que a transformação cobre. A linha é " + line + ".";
    case PointListFailure::arithmetic_failure:
      return "Erro aritmético ao transformar o ponto da " + line_of(result, input) +
             ". A linha é " + line + ".";
    case PointListFailure::none: break;
  }
  return {};
}

std::string point_list_layout(const points::PointListResult& result) {
  const points::PointListLayout& layout = result.layout;
  std::string text = "Lista de pontos: separador " + separator_name(layout.separator) +
                     ", marca decimal " + (layout.decimal_mark == ',' ? "vírgula" : "ponto") + ", ";
  text += layout.header_line == 0 ? std::string("sem cabeçalho")
                                  : "cabeçalho na linha " + std::to_string(layout.header_line);
  text += ", coordenadas nas colunas " + std::to_string(layout.columns.east + 1) + " (E) e " +
          std::to_string(layout.columns.north + 1) + " (N); " + std::to_string(result.points) +
          " pontos convertidos.";
  return text;
}

}  // namespace kelvrin::core::messages
