// Point lists: how their columns and layout are read, what a pass keeps of
// them byte for byte, that every route puts a listed point exactly where it
// puts the same point of a drawing, and that bad lists stop with nothing
// written.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "core/conversion_job.hpp"
#include "core/routes.hpp"
#include "points/columns.hpp"
#include "points/point_list_file.hpp"
#include "points/point_list_pass.hpp"
#include "tests/cli_runner.hpp"
#include "tests/test_support.hpp"

namespace kelvrin {
namespace {

using points::ColumnsProblem;
using testing::read_file;
using testing::write_file;

// --- Columns -----------------------------------------------------------------

struct ColumnsCase {
  std::string name;
  bool header;  // a header's names, else the --columns text
  std::vector<std::string_view> names;
  ColumnsProblem problem;
  std::size_t east;
  std::size_t north;
};

class PointListColumns : public ::testing::TestWithParam<ColumnsCase> {};

TEST_P(PointListColumns, NamedAsSurveyorsNameThem) {
  const ColumnsCase& row = GetParam();
  const points::ColumnsRead read = row.header ? points::columns_from_header(row.names)
                                              : points::columns_from_option(row.names.front());
  EXPECT_EQ(read.problem, row.problem);
  ASSERT_EQ(read.columns.has_value(), row.problem == ColumnsProblem::none);
  if (!read.columns) return;
  EXPECT_EQ(read.columns->east, row.east);
  EXPECT_EQ(read.columns->north, row.north);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PointListColumns,
    ::testing::Values(
        ColumnsCase{"option_with_commas", false, {"P,E,N,Z,D"}, ColumnsProblem::none, 1, 2},
        ColumnsCase{"option_letters", false, {"pnezd"}, ColumnsProblem::none, 2, 1},
        ColumnsCase{"option_meridiana", false, {"P,M,P,Z"}, ColumnsProblem::none, 1, 2},
        ColumnsCase{"option_meridiana_only", false, {"MP"}, ColumnsProblem::none, 0, 1},
        ColumnsCase{"option_geographic", false, {"P,LAT,LON"}, ColumnsProblem::none, 2, 1},
        ColumnsCase{"option_no_north", false, {"PEZ"}, ColumnsProblem::no_coordinates, 0, 0},
        ColumnsCase{"option_two_easts", false, {"EEN"}, ColumnsProblem::repeated, 0, 0},
        ColumnsCase{"option_m_alone", false, {"M,N"}, ColumnsProblem::m_without_p, 0, 0},
        ColumnsCase{"header_portuguese",
                    true,
                    {"Ponto", "M", "P", "Cota",
                     "C\xC3\xB3"
                     "digo"},
                    ColumnsProblem::none,
                    1,
                    2},
        ColumnsCase{"header_latin1",
                    true,
                    {"N\xFAmero", "Este", "Norte", "Descri\xE7\xE3o"},
                    ColumnsProblem::none,
                    1,
                    2},
        ColumnsCase{"header_english_quoted",
                    true,
                    {"\"Name\"", " Northing", "EASTING "},
                    ColumnsProblem::none,
                    2,
                    1},
        ColumnsCase{"header_x_y", true, {"id", "x", "y", "z"}, ColumnsProblem::none, 1, 2},
        ColumnsCase{"header_lone_p", true, {"P", "E", "N"}, ColumnsProblem::lone_p, 0, 0},
        ColumnsCase{
            "header_no_names", true, {"a", "b", "c"}, ColumnsProblem::no_coordinates, 0, 0}),
    testing::CaseName());

TEST(PointListFile, ToldFromADrawingByNameAndFirstLine) {
  EXPECT_TRUE(points::is_point_list("levantamento.CSV", false, "P1;1;2\r\n"));
  EXPECT_TRUE(points::is_point_list("a/b.nez", false, "Ponto M P\n"));
  EXPECT_FALSE(points::is_point_list("planta.dxf", false, "P1;1;2\r\n"));
  // A drawing saved under another name stays a drawing.
  EXPECT_FALSE(points::is_point_list("planta.txt", false, "  0\r\nSECTION\r\n"));
  EXPECT_FALSE(points::is_point_list("planta.txt", false, "999\ncomment\n"));
  EXPECT_TRUE(points::is_point_list("(entrada padrão)", true, "P1,1,2\n"));
  EXPECT_FALSE(points::is_point_list("(entrada padrão)", true, "0\r\nSECTION\r\n"));
}

// --- The pass, with a plain shift ------------------------------------------------

class Shift final : public transform::PointOperation {
 public:
  transform::PointResult forward(transform::PlanarPoint source) const override {
    if (source.x > 1e6) return {transform::PointStatus::rejected, source};
    return {transform::PointStatus::ok, {source.x + 1000.1234567, source.y - 2000.0004}};
  }
};

struct LayoutCase {
  std::string name;
  std::string columns;  // --columns
  std::string input;
  std::string expected;
};

class PointListLayouts : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(PointListLayouts, OnlyTheCoordinatesChange) {
  const LayoutCase& row = GetParam();
  testing::TempFolder folder;
  write_file(folder.file("in.csv"), row.input);
  const Shift shift;
  points::PointListOptions options;
  options.columns = row.columns;
  const points::PointListResult result =
      points::rewrite_point_list(folder.file("in.csv"), folder.file("out.csv"), shift, options);
  ASSERT_TRUE(result.completed()) << static_cast<int>(result.failure) << " line " << result.line;
  EXPECT_EQ(read_file(folder.file("out.csv")), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PointListLayouts,
    ::testing::Values(
        // Decimal comma with semicolons, a header, CR LF, a quoted description
        // with the separator in it, a comment and a blank line, Latin-1.
        LayoutCase{"semicolons_decimal_comma", "",
                   "Ponto;M;P;Cota;C\xF3"
                   "digo\r\nP1;-87412,35000;-103244,12;12,5;muro\r\n"
                   "# levantamento de 2024\r\n\r\nP2;1000,1;2000;3,0;\"canto; norte\"\r\n",
                   "Ponto;M;P;Cota;C\xF3"
                   "digo\r\nP1;-86412,22654;-105244,120;12,5;muro\r\n"
                   "# levantamento de 2024\r\n\r\nP2;2000,223;0,000;3,0;\"canto; norte\"\r\n"},
        // Commas, north before east, no header, LF, no line end at the end.
        LayoutCase{"commas_north_first", "P,N,E,Z,D",
                   "1,200.5,100.25,7.1,\"a, b\"\n2,0.0005,-1000.1234567,0,x",
                   "1,-1799.500,1100.373,7.1,\"a, b\"\n2,-1999.9999,0.0000000,0,x"},
        // Tabs; blanks around fields stay; a UTF-8 mark in front of the header.
        LayoutCase{"tabs_with_utf8_mark", "", "\xEF\xBB\xBFID\tX\tY\n A1 \t 10.5 \t20.5\n",
                   "\xEF\xBB\xBFID\tX\tY\n A1 \t 1010.623 \t-1979.500\n"},
        // Blanks, several of them, and a total station's identifiers.
        LayoutCase{"blanks", "PENZ", "  101   5.0   6.0  99.9\r\n  102   7.25  8.125  0\r\n",
                   "  101   1005.123   -1994.000  99.9\r\n  102   1007.373  -1991.875  0\r\n"},
        // Quoted numbers keep their quotes.
        LayoutCase{"quoted_numbers", "", "\"N\",\"E\"\n\"1.5\",\"2.5\"\n",
                   "\"N\",\"E\"\n\"-1998.500\",\"1002.623\"\n"}),
    testing::CaseName());

TEST(PointListPass, BadListsStopAtTheirLine) {
  struct Bad {
    std::string input;
    points::PointListFailure failure;
    std::uint64_t line;
  };
  using F = points::PointListFailure;
  const Bad cases[] = {
      {"ID,E,N\n1,2,3\n2,x,3\n", F::not_a_number, 3},
      {"ID;E;N\n1;2,5;3\n2;1.234,5;3\n", F::grouped_digits, 3},
      {"ID\tE\tN\n1\t2\t3\n2\t1 234,5\t3\n", F::grouped_digits, 3},
      {"ID,E,N\n1,2,3\n2,3\n", F::too_few_fields, 3},
      {"ID,E,N\n1,2000000,3\n", F::point_rejected, 2},
      {"1,2,3\n", F::unknown_columns, 1},
      {"# only\n\n", F::no_points, 0},
  };
  testing::TempFolder folder;
  const Shift shift;
  for (const Bad& bad : cases) {
    write_file(folder.file("in.csv"), bad.input);
    const points::PointListResult result =
        points::rewrite_point_list(folder.file("in.csv"), folder.file("out.csv"), shift, {});
    EXPECT_EQ(result.failure, bad.failure) << bad.input;
    EXPECT_EQ(result.line, bad.line) << bad.input;
  }
}

// --- Every route: a listed point lands where the drawing's point lands ----------

// Places of mainland Portugal (metres), with five decimals as a drawing has them.
const char* const places[][2] = {{"-42000.12345", "165000.45678"},
                                 {"110000.50000", "235000.25000"},
                                 {"-87000.00001", "-105000.99999"},
                                 {"14000.33333", "-280000.10000"}};

std::string drawing_of_places() {
  std::string text = "0\r\nSECTION\r\n2\r\nENTITIES\r\n";
  for (const auto& place : places) {
    text += std::string("0\r\nPOINT\r\n10\r\n") + place[0] + "\r\n20\r\n" + place[1] +
            "\r\n30\r\n0.0\r\n";
  }
  return text + "0\r\nENDSEC\r\n0\r\nEOF\r\n";
}

std::string list_of_places() {
  std::string text = "Ponto,E,N,Z\r\n";
  int number = 0;
  for (const auto& place : places) {
    text += "P" + std::to_string(++number) + "," + place[0] + "," + place[1] + ",10.0\r\n";
  }
  return text;
}

// The coordinates a converted drawing or list holds, as written, in order.
std::vector<std::string> drawing_coordinates(const std::string& text) {
  const std::vector<std::string> lines = testing::split_crlf(text);
  std::vector<std::string> values;
  for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
    if (lines[i] == "10" || lines[i] == "20") values.push_back(lines[i + 1]);
  }
  return values;
}

std::vector<std::string> list_coordinates(const std::string& text) {
  std::vector<std::string> values;
  std::istringstream lines(text);
  std::string line;
  std::getline(lines, line);  // the header
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string field;
    std::getline(fields, field, ',');
    for (int i = 0; i < 2 && std::getline(fields, field, ','); ++i) values.push_back(field);
  }
  return values;
}

struct RouteCase {
  std::string name;
  core::ConversionRequest request;
  dxf::RewritePolicy policy;
};

std::vector<RouteCase> every_route() {
  std::vector<RouteCase> cases;
  for (const dxf::RewritePolicy policy :
       {dxf::RewritePolicy::dxf_aware, dxf::RewritePolicy::literal}) {
    const std::string mode = policy == dxf::RewritePolicy::literal ? "_literal" : "";
    int number = 0;
    for (const core::Route& route : core::all_routes()) {
      core::ConversionRequest request{
          std::string(route.source), std::string(route.target), "", "", "", ""};
      if (route.any_target) {
        request.target = "x";
        request.param_x = KELVRIN_EXAMPLES_DIR "/qualquer_x.txt";
        request.param_y = KELVRIN_EXAMPLES_DIR "/qualquer_y.txt";
      }
      cases.push_back({"route" + std::to_string(++number) + mode, request, policy});
    }
    core::ConversionRequest proj{"EPSG:3763", "EPSG:32629", "", "", "", ""};
    proj.proj_systems = true;
    cases.push_back({"proj" + mode, proj, policy});
  }
  return cases;
}

class PointListRoutes : public ::testing::TestWithParam<RouteCase> {};

TEST_P(PointListRoutes, AsTheSamePointsOfADrawing) {
  const RouteCase& row = GetParam();
  testing::TempFolder folder;
  write_file(folder.file("in.dxf"), drawing_of_places());
  write_file(folder.file("in.csv"), list_of_places());
  const core::JobSettings settings{KELVRIN_DATA_DIR, row.policy};
  testing::RecordingHost drawing_host;
  core::ConversionRequest drawing = row.request;
  drawing.input = folder.file("in.dxf");
  drawing.output = folder.file("out.dxf");
  ASSERT_EQ(core::run_conversion(drawing_host, settings, drawing),
            core::ConversionOutcome::completed)
      << ::testing::PrintToString(drawing_host.events);
  testing::RecordingHost list_host;
  core::ConversionRequest list = row.request;
  list.input = folder.file("in.csv");
  list.output = folder.file("out.csv");
  ASSERT_EQ(core::run_conversion(list_host, settings, list), core::ConversionOutcome::completed)
      << ::testing::PrintToString(list_host.events);
  EXPECT_EQ(list_coordinates(read_file(folder.file("out.csv"))),
            drawing_coordinates(read_file(folder.file("out.dxf"))));
}

INSTANTIATE_TEST_SUITE_P(Every, PointListRoutes, ::testing::ValuesIn(every_route()),
                         testing::CaseName());

// --- kelvrin-cli ----------------------------------------------------------------

class PointListCli : public ::testing::Test {
 protected:
  testing::CliRun convert(const std::string& input, const std::string& options = "") {
    write_file(folder_.file("pontos.csv"), input);
    return testing::run_cli(folder_, options + " --from tm06 --to datum73 " +
                                         folder_.file("pontos.csv") + " " +
                                         folder_.file("d73.csv"));
  }
  testing::TempFolder folder_;
};

// The value of the drawing test of the command line: 100000, 200000 in TM06.
TEST_F(PointListCli, ConvertsAndSaysHowItReadTheList) {
  const testing::CliRun run = convert("P;M;P;Z\r\n1;100000,000;200000,000;5,0\r\n", "--verbose");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(read_file(folder_.file("d73.csv")), "P;M;P;Z\r\n1;100005,028;199999,577;5,0\r\n");
  EXPECT_NE(run.err.find("separador ponto e vírgula, marca decimal vírgula, cabeçalho na linha 1"),
            std::string::npos)
      << run.err;

  write_file(folder_.file("en.txt"), "100000.0 200000.0\n");
  const testing::CliRun streams = testing::run_cli(
      folder_, "-q --from tm06 --to datum73 --columns EN - - <" + folder_.file("en.txt"));
  EXPECT_EQ(streams.status, 0) << streams.err;
  EXPECT_EQ(streams.out, "100005.028 199999.577\n");

  // A list in millimetres is far from the mainland: converted, and told.
  write_file(folder_.file("mm.csv"), "ID,E,N\n1,100000000,200000000\n");
  const testing::CliRun millimetres = testing::run_cli(
      folder_, "--from tm06 --to datum73 " + folder_.file("mm.csv") + " " + folder_.file("m.csv"));
  EXPECT_EQ(millimetres.status, 0) << millimetres.err;
  EXPECT_NE(millimetres.err.find("1 ponto(s) de \"" + folder_.file("mm.csv") + "\" fora da área"),
            std::string::npos)
      << millimetres.err;
  EXPECT_NE(millimetres.err.find("na linha 2"), std::string::npos) << millimetres.err;
}

TEST_F(PointListCli, BadListsStopWithNothingWritten) {
  struct Bad {
    std::string input;
    std::string says;
  };
  const Bad cases[] = {
      {"ID,E,N\n1,100000,200000\n2,1OO,200000\n", "A coordenada \"1OO\" da linha 3"},
      {"ID;E;N\n1;100.000,5;200000\n", "separadores de milhares"},
      {"ID,E,N\n1,100000\n", "linha 2 do ficheiro"},
      {"1,100000,200000\n", "--columns"},
      {"P,E,N\n1,100000,200000\n", "\"P\" tanto pode ser o ponto"},
  };
  for (const Bad& bad : cases) {
    write_file(folder_.file("d73.csv"), "the old output\n");
    const testing::CliRun run = convert(bad.input);
    EXPECT_EQ(run.status, 1) << bad.input;
    EXPECT_NE(run.err.find(bad.says), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(folder_.file("pontos.csv")), std::string::npos) << run.err;
    EXPECT_EQ(read_file(folder_.file("d73.csv")), "the old output\n");
    EXPECT_EQ(folder_.listing(), (std::vector<std::string>{"d73.csv", "pontos.csv"}));
  }
  // Beyond the Datum Lisboa grid: told with the line, not the end of the program.
  write_file(folder_.file("far.csv"), "ID,E,N\n1,-87000,-105000\n2,9000000,0\n");
  const testing::CliRun far =
      testing::run_cli(folder_, "--from datum73 --to lisboa " + folder_.file("far.csv") + " " +
                                    folder_.file("l.csv"));
  EXPECT_EQ(far.status, 1);
  EXPECT_NE(far.err.find("O ponto da linha 3 do ficheiro"), std::string::npos) << far.err;
  EXPECT_FALSE(std::filesystem::exists(folder_.file("l.csv")));
  // A bad --columns is a bad command line.
  EXPECT_EQ(convert("E,N\n1,2\n", "--columns P,E,Z").status, 2);
}

}  // namespace
}  // namespace kelvrin
