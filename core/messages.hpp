#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "dxf/rewrite_dxf.hpp"
#include "platform/system_error.hpp"
#include "points/point_list_pass.hpp"
#include "transform/grid.hpp"
#include "transform/parameter_file.hpp"
#include "transform/proj_error.hpp"

namespace kelvrin::core::messages {

inline constexpr std::string_view application_title = "kelvrin";
inline constexpr std::string_view completion_title = "Veltra - Kelvrin";

inline constexpr std::string_view missing_input = "Escolher o ficheiro DXF no Sistema 1!!";
inline constexpr std::string_view missing_output = "Definir o ficheiro DXF no Sistema 2!!";
inline constexpr std::string_view missing_param_x = "Definir o ficheiro de parâmetros em X!!";
inline constexpr std::string_view missing_param_y = "Definir o ficheiro de parâmetros em Y!!";
inline constexpr std::string_view unknown_source = "Definir o Sistema 1 !!";
inline constexpr std::string_view missing_target = "Definir o Sistema 2 !!";
inline constexpr std::string_view created_file = "Criado o ficheiro: ";
inline constexpr std::string_view missing_et_lx_grids =
    "Os Ficheiros et_lx_m.asc e et_lx_p.asc não existem !!";
inline constexpr std::string_view missing_lx_et_grids =
    "Os Ficheiros lx_et_m.asc e lx_et_p.asc não existem !!";
inline constexpr std::string_view expected_x_marker =
    "Erro! Esperado 'X' no ficheiro de parâmetros -X";
inline constexpr std::string_view expected_y_marker =
    "Erro! Esperado 'Y' no ficheiro de parâmetros -Y";

// What the program leaves on standard error when a fault ends it (an
// exception nobody catches, memory run out) in the middle of a conversion,
// behind its name: `program` is "kelvrin" or "kelvrin-cli". The text lives
// for the rest of the process, so that it is still there when the fault
// comes while the program ends; a program asks once.
const char* last_words(std::string_view program);

// Why a system call failed, in a few Portuguese words.
std::string system_error_text(platform::SystemError error);

// The message for a failed DXF pass. `input` and `output` are the files as
// the user knows them (the output the user named, not a staging file).
std::string pass_failure(const dxf::PassResult& result, std::string_view input,
                         std::string_view output);

// What a conversion left as it was and the user should know; empty when
// there is nothing to tell.
std::string pass_warnings(const dxf::PassReport& report, std::string_view input);

// What became of a drawing's geographic reference (GEODATA), when the user
// should know; empty when it follows the drawing into the target system.
std::string geodata_warning(const dxf::PassReport& report, std::string_view input);

// Why --geolocate wrote no geographic reference; empty when it wrote one
// or the drawing had its own.
std::string geolocation_warning(const dxf::PassReport& report, std::string_view input);

// --geolocate refused before converting: a drawing older than AutoCAD 2010.
std::string geolocate_refused(std::string_view input, std::string_view acadver);

// A drawing whose header says it is drawn in other units than metres (its
// $INSUNITS); empty for metres or none.
std::string drawing_units(int insunits, std::string_view input);

// A parameter file of "Qualquer" that cannot be read or is not complete.
std::string parameter_file_failure(const transform::ParameterFileRead& read, std::string_view path);

// A grid file that holds too few numbers or something else than numbers.
std::string grid_file_failure(const transform::GridFileRead& read, std::string_view path);

// A point that the grid does not cover, with its source coordinates.
std::string point_outside_grid(double x, double y);

// Where that point is, on lines of their own: the drawing, the line and the
// coordinates the user gave (when the point is the user's own).
std::string place_in_drawing(std::string_view input, std::uint64_t line,
                             std::optional<dxf::PlanarPoint> given);

// A grid file of the NTv2 method is not in the data folder.
std::string missing_ntv2_grid(std::string_view grid);

// The messages of the conversions PROJ runs name the two systems as the
// user named them: `source` and `target` below.

// Why PROJ gave no operation, in a few words: also what the command line
// says of a system only PROJ could read when PROJ cannot be loaded.
std::string proj_failure(const transform::ProjError& error);

// PROJ refused the operation (an unknown system, a missing grid).
std::string proj_refused(std::string_view source, std::string_view target,
                         const transform::ProjError& error);

// The operation PROJ chose, with its stated accuracy (negative: unknown).
std::string proj_operation(std::string_view source, std::string_view target, std::string_view name,
                           double accuracy);

// A ballpark operation, the only kind PROJ knows for the pair, refused.
std::string proj_ballpark_refused(std::string_view source, std::string_view target,
                                  std::string_view name);

// A ballpark operation the user allowed: what the converted drawing is worth.
std::string proj_ballpark_used(std::string_view source, std::string_view target,
                               std::string_view name);

// Points of `input` converted outside the operation's area of use, with the
// first one's source coordinates and line; empty when there were none.
std::string points_outside_area(const dxf::PassReport& report, std::string_view input,
                                std::string_view source, std::string_view target);

// A point PROJ could not transform, with its place in the drawing.
std::string point_not_transformed(double x, double y, std::uint64_t line, std::string_view input,
                                  std::string_view source, std::string_view target);

// No route leads from `source` to `target`.
std::string no_route(std::string_view source, std::string_view target);

// The question before a conversion that would write the converted drawing
// over `input`, the drawing it reads.
std::string output_over_input(std::string_view input);

// The finished drawing could not be put at the output path.
std::string cannot_replace_output(std::string_view output, platform::SystemError error);

// The file for the converted drawing could not be created beside the output.
std::string cannot_create_output(std::string_view output, platform::SystemError error);

// An existing output the user may not write, or a folder.
std::string output_not_writable(std::string_view output, platform::SystemError error);

// The conversion of `input` needed more memory than there is.
std::string out_of_memory(std::string_view input);

// Why a set of columns cannot be used, for the --columns option and for a
// header: a few words.
std::string columns_problem(points::ColumnsProblem problem);

// The message for a point list that stopped, with its file, its line and
// the line itself. `input` and `output` are the files as the user knows them.
std::string point_list_failure(const points::PointListResult& result, std::string_view input,
                               std::string_view output);

// How a converted list was read: separator, decimal mark, header, columns.
std::string point_list_layout(const points::PointListResult& result);

}  // namespace kelvrin::core::messages
