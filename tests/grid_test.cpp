// The Datum 73 <-> Datum Lisboa grid: interpolation, cell location, limits,
// no-data cells, grid files and the held-X departures of the pass, on small
// synthetic grids written here; then the shipped grids through whole routes.

#include "transform/grid.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/conversion_job.hpp"
#include "dxf/rewrite_dxf.hpp"
#include "tests/test_support.hpp"

namespace kelvrin {
namespace {

using namespace transform::grid_geometry;
using testing::dxf_lines;
using testing::read_file;
using testing::write_file;
using Messages = std::vector<std::string>;

// A smooth field that bilinear interpolation reproduces: the target easting
// and northing of a node at (x, y).
double field_m(double x, double y) { return x + 100.0 + 1e-7 * x * y; }
double field_p(double x, double y) { return y - 50.0 + 2e-7 * x * y; }

double node_x(int column) { return west + (column - 1) * spacing; }
double node_y(int row) { return north - (row - 1) * spacing; }

// The no-data hole: the M value of node (row 100, column 10).
constexpr int hole_row = 100;
constexpr int hole_column = 10;

void write_grid(const std::string& path, double (*field)(double, double), bool with_hole) {
  std::ofstream out(path);
  out.precision(17);
  for (int row = 1; row <= rows; ++row) {
    for (int column = 1; column <= columns; ++column) {
      const bool hole = with_hole && row == hole_row && column == hole_column;
      out << (hole ? no_data : field(node_x(column), node_y(row))) << (column % 7 ? " " : ",\n");
    }
  }
}

class SyntheticGrid : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* direction : {"et_lx", "lx_et"}) {
      write_grid(folder_.file(std::string(direction) + "_m.asc"), field_m, true);
      write_grid(folder_.file(std::string(direction) + "_p.asc"), field_p, false);
    }
    ASSERT_EQ(transform::load_grid(folder_.file("et_lx_m.asc"), m_).error,
              transform::GridFileError::none);
    ASSERT_EQ(transform::load_grid(folder_.file("et_lx_p.asc"), p_).error,
              transform::GridFileError::none);
  }

  dxf::PointResult convert(double x, double y) {
    transform::GridTransform grid(m_, p_);
    return grid.forward({x, y});
  }

  testing::TempFolder folder_;
  transform::Grid m_;
  transform::Grid p_;
};

TEST_F(SyntheticGrid, NodesGiveTheirOwnValues) {
  const auto at_node = convert(node_x(12), node_y(40));
  ASSERT_EQ(at_node.status, dxf::PointStatus::ok);
  EXPECT_EQ(at_node.point.x, m_.at(40, 12));
  EXPECT_EQ(at_node.point.y, p_.at(40, 12));
  const auto corner = convert(east, south);
  EXPECT_EQ(corner.point.x, m_.at(rows, columns));
  EXPECT_EQ(corner.point.y, p_.at(rows, columns));
}

TEST_F(SyntheticGrid, InteriorPointsFollowTheField) {
  for (const auto& [x, y] : {std::pair{-139999.5, 289999.5}, std::pair{12345.678, -98765.4321},
                             std::pair{184999.9, -319999.9}, std::pair{50000.0, 1234.5}}) {
    const auto result = convert(x, y);
    ASSERT_EQ(result.status, dxf::PointStatus::ok) << x << " " << y;
    EXPECT_NEAR(result.point.x, field_m(x, y), 1e-6);
    EXPECT_NEAR(result.point.y, field_p(x, y), 1e-6);
  }
}

TEST(GridCells, EdgesAndGridLinesFallInTheRightCell) {
  using transform::locate_cell;
  EXPECT_EQ(locate_cell(west, north).column, 1);
  EXPECT_EQ(locate_cell(west, north).row, 1);
  EXPECT_EQ(locate_cell(east, south).column, 65);
  EXPECT_EQ(locate_cell(east, south).row, 122);
  // An interior grid line belongs to the cell east and south of it.
  EXPECT_EQ(locate_cell(west + 7 * spacing, 0.0).column, 8);
  EXPECT_EQ(locate_cell(0.0, north - 9 * spacing).row, 10);
  // One ulp inside the east and south edges the division rounds to the edge:
  // the cell must still be the last one, never one past the grid.
  EXPECT_EQ(locate_cell(std::nextafter(east, 0.0), 0.0).column, 65);
  EXPECT_EQ(locate_cell(0.0, std::nextafter(south, 0.0)).row, 122);
}

TEST_F(SyntheticGrid, PointsOneUlpInsideTheEdgesAreInterpolated) {
  const double x = std::nextafter(east, 0.0);
  const double y = std::nextafter(south, 0.0);
  const auto result = convert(x, y);
  ASSERT_EQ(result.status, dxf::PointStatus::ok);
  EXPECT_NEAR(result.point.x, field_m(x, y), 1e-6);
}

TEST_F(SyntheticGrid, PointsJustOutsideEveryEdgeAreRejectedWithTheirCoordinates) {
  for (const auto& [x, y] : {std::pair{west - 0.001, 0.0}, std::pair{east + 0.001, 0.0},
                             std::pair{0.0, north + 0.001}, std::pair{0.0, south - 0.001}}) {
    const auto result = convert(x, y);
    EXPECT_EQ(result.status, dxf::PointStatus::rejected);
    EXPECT_EQ(result.point.x, x);
    EXPECT_EQ(result.point.y, y);
  }
}

TEST_F(SyntheticGrid, ACellWithANoDataCornerRejectsEveryPointInIt) {
  // The hole is the north-west node of cell (100, 10) and a corner of three more.
  EXPECT_EQ(convert(node_x(hole_column) + 2500, node_y(hole_row) - 2500).status,
            dxf::PointStatus::rejected);
  // The valid north-west node of cell (99, 9), whose south-east corner is the hole.
  EXPECT_EQ(convert(node_x(hole_column - 1), node_y(hole_row - 1)).status,
            dxf::PointStatus::rejected);
  EXPECT_EQ(convert(node_x(hole_column) - 2500, node_y(hole_row) + 2500).status,
            dxf::PointStatus::rejected);
  EXPECT_EQ(convert(node_x(hole_column + 1) + 2500, node_y(hole_row) - 2500).status,
            dxf::PointStatus::ok);
}

TEST(GridFile, ShortFilesAndWordsAreRefusedWithTheirCount) {
  testing::TempFolder folder;
  transform::Grid grid;
  write_file(folder.file("short.asc"), "1 2,3\n4");
  auto read = transform::load_grid(folder.file("short.asc"), grid);
  EXPECT_EQ(read.error, transform::GridFileError::too_few);
  EXPECT_EQ(read.values_read, 4u);
  write_file(folder.file("word.asc"), "1 2 x 4");
  read = transform::load_grid(folder.file("word.asc"), grid);
  EXPECT_EQ(read.error, transform::GridFileError::not_a_number);
  EXPECT_EQ(read.values_read, 2u);
  write_file(folder.file("gap.asc"), "1,,2");
  EXPECT_EQ(transform::load_grid(folder.file("gap.asc"), grid).error,
            transform::GridFileError::not_a_number);
  write_file(folder.file("signs.asc"), "1 +-5 2");
  EXPECT_EQ(transform::load_grid(folder.file("signs.asc"), grid).error,
            transform::GridFileError::not_a_number);
  // Cut to its first characters, this token would read as the number 1.
  write_file(folder.file("long.asc"),
             "1 2 " + std::string(transform::longest_grid_token, '1') + "x");
  read = transform::load_grid(folder.file("long.asc"), grid);
  EXPECT_EQ(read.error, transform::GridFileError::too_long);
  EXPECT_EQ(read.values_read, 2u);
}

// The grid procedures hold the X code line back until the Y pair comes.
struct HeldCase {
  const char* name;
  std::vector<std::string> input;
  std::vector<std::string> expected;
  friend void PrintTo(const HeldCase& row, std::ostream* out) { *out << row.name; }
};

class HeldXCodeLine : public SyntheticGrid, public ::testing::WithParamInterface<HeldCase> {};

TEST_P(HeldXCodeLine, WritesTheExpectedLines) {
  std::vector<std::string> input = {"2", "ENTITIES"};
  input.insert(input.end(), GetParam().input.begin(), GetParam().input.end());
  write_file(folder_.file("in.dxf"), dxf_lines(input));
  transform::GridTransform grid(m_, p_);
  ASSERT_TRUE(dxf::rewrite_dxf(folder_.file("in.dxf"), folder_.file("out.dxf"), grid,
                               {.policy = dxf::RewritePolicy::literal,
                                .x_code_line = dxf::XCodeLine::held_for_y_pair})
                  .completed());
  std::vector<std::string> expected = {"2", "ENTITIES"};
  expected.insert(expected.end(), GetParam().expected.begin(), GetParam().expected.end());
  EXPECT_EQ(read_file(folder_.file("out.dxf")), dxf_lines(expected));
}

// At the origin the field gives (100, -50); at (5000, 0), (5100, -50).
INSTANTIATE_TEST_SUITE_P(
    Departures, HeldXCodeLine,
    ::testing::Values(
        HeldCase{"point",
                 {"10", "0", "20", "0", "30", "7"},
                 {"10", "100.00000", "20", "-50.00000", "30", "7"}},
        HeldCase{"other_pair_comes_first",
                 {" 10", "0", "40", "1", "20", "0"},
                 {"40", "1", " 10", "100.00000", "20", "-50.00000"}},
        HeldCase{"only_the_second_x_reaches_the_output",
                 {"10", "0", "11", "5000", "21", "0"},
                 {"11", "5100.00000", "21", "-50.00000"}},
        HeldCase{"x_without_y_never_reaches_it", {"10", "0", "0", "EOF"}, {"0", "EOF"}},
        HeldCase{"second_y_repeats_the_x_code_line",
                 {"10", "0", "20", "0", "21", "0"},
                 {"10", "100.00000", "20", "-50.00000", "10", "100.00000", "21", "-50.00000"}},
        HeldCase{"y_without_x", {"20", "0"}, {"100.00000", "20", "-50.00000"}}),
    testing::CaseName());

// Whole routes through the conversion job, with the synthetic grids.
class GridRoute : public SyntheticGrid {
 protected:
  core::ConversionOutcome run(const std::string& source, const std::string& target) {
    return core::run_conversion(host_, {folder_.path(), dxf::RewritePolicy::literal},
                                {source, target, input_, output_, "", ""});
  }
  testing::RecordingHost host_;
  std::string input_ = folder_.file("planta.dxf");
  std::string output_ = folder_.file("saida.dxf");
};

const char* const etrs89_tm06 = "ETRS89 TM06";
const char* const datum_73 = "Hayford-Gauss Datum 73";
const char* const datum_lisboa = "Hayford-Gauss Datum Lisboa-Ponto Central";

TEST_F(GridRoute, MissingGridFilesStopBeforeAnyDrawingIsOpened) {
  std::filesystem::remove(folder_.file("et_lx_p.asc"));
  write_file(input_, dxf_lines({"2", "ENTITIES", "10", "0", "20", "0"}));
  EXPECT_EQ(run(datum_73, datum_lisboa), core::ConversionOutcome::failed);
  EXPECT_EQ(host_.messages(), (Messages{"Os Ficheiros et_lx_m.asc e et_lx_p.asc não existem !!"}));
  std::filesystem::remove(folder_.file("lx_et_m.asc"));
  host_.events.clear();
  run(datum_lisboa, datum_73);
  EXPECT_EQ(host_.messages(), (Messages{"Os Ficheiros lx_et_m.asc e lx_et_p.asc não existem !!"}));
  EXPECT_FALSE(std::filesystem::exists(input_ + "_tmp"));
  EXPECT_FALSE(std::filesystem::exists(output_));
}

TEST_F(GridRoute, AShortGridFileIsNamedWithItsCount) {
  write_file(folder_.file("et_lx_p.asc"), "1 2 3");
  write_file(input_, dxf_lines({"2", "ENTITIES"}));
  EXPECT_EQ(run(datum_73, datum_lisboa), core::ConversionOutcome::failed);
  EXPECT_EQ(host_.messages(), (Messages{"O ficheiro de grelha \"" + folder_.file("et_lx_p.asc") +
                                        "\" tem só 3 valores; são precisos 8118."}));
}

TEST_F(GridRoute, ARejectedPointEndsTheProgramAndLosesNothing) {
  const std::string drawing =
      dxf_lines({"2", "ENTITIES", "10", "0", "20", "0", "10", "200000", "20", "100000"});
  write_file(input_, drawing);
  write_file(output_, "previous");
  EXPECT_EQ(run(datum_73, datum_lisboa), core::ConversionOutcome::program_ended);
  // The message as it always was, then where the point is.
  EXPECT_EQ(host_.messages(), (Messages{"ERRO!! Ponto para além dos limites. ( 200000; 100000)\n"
                                        "Ficheiro: \"" +
                                        input_ +
                                        "\"\nLinha: 9\n"
                                        "Coordenadas no desenho: ( 200000; 100000)"}));
  EXPECT_EQ(host_.events.back(), "end");
  EXPECT_EQ(read_file(input_), drawing);
  EXPECT_EQ(read_file(output_), "previous");
  EXPECT_EQ(folder_.listing().size(), 6u);  // four grids, input, output

  // Behind a first step, the point in the message is that step's result
  // (Datum 73): the user's own coordinates are not known, the line is.
  host_.events.clear();
  EXPECT_EQ(run(etrs89_tm06, datum_lisboa), core::ConversionOutcome::program_ended);
  ASSERT_EQ(host_.messages().size(), 1u);
  const std::string message = host_.messages()[0];
  EXPECT_TRUE(message.starts_with("ERRO!! Ponto para além dos limites. ( 2000")) << message;
  EXPECT_TRUE(message.ends_with(")\nFicheiro: \"" + input_ + "\"\nLinha: 9")) << message;
  EXPECT_EQ(read_file(output_), "previous");
}

// Grid values whose interpolation overflows: no "inf" reaches the drawing,
// under either policy.
TEST_F(GridRoute, ANonFiniteResultStopsTheConversion) {
  write_grid(
      folder_.file("et_lx_m.asc"),
      [](double x, double y) {
        return std::fmod(std::round((x + y) / spacing), 2.0) == 0.0 ? 1.7e308 : -1.7e308;
      },
      false);
  write_file(input_, dxf_lines({"0", "SECTION", "2", "ENTITIES", "0", "POINT", "10", "1000", "20",
                                "1000", "0", "ENDSEC", "0", "EOF"}));
  for (const auto policy : {dxf::RewritePolicy::literal, dxf::RewritePolicy::dxf_aware}) {
    host_.events.clear();
    EXPECT_EQ(core::run_conversion(host_, {folder_.path(), policy},
                                   {datum_73, datum_lisboa, input_, output_, "", ""}),
              core::ConversionOutcome::failed);
    ASSERT_EQ(host_.messages().size(), 1u);
    EXPECT_NE(host_.messages()[0].find("Erro aritmético"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(output_));
  }
}

TEST_F(GridRoute, LimitsMessageNumbers) {
  write_file(input_, dxf_lines({"2", "ENTITIES", "10", "-140000.5", "20", "0.25"}));
  run(datum_73, datum_lisboa);
  ASSERT_EQ(host_.messages().size(), 1u);
  EXPECT_TRUE(
      host_.messages()[0].starts_with("ERRO!! Ponto para além dos limites. (-140000.5; 0.25)\n"));
}

TEST_F(GridRoute, ReplacedGridFilesTakeEffectAtTheNextConversion) {
  write_file(input_, dxf_lines({"2", "ENTITIES", "10", "0", "20", "0"}));
  run(datum_73, datum_lisboa);
  EXPECT_EQ(read_file(output_), dxf_lines({"2", "ENTITIES", "10", "100.00000", "20", "-50.00000"}));
  write_grid(
      folder_.file("et_lx_m.asc"), [](double x, double) { return x + 7.0; }, false);
  run(datum_73, datum_lisboa);
  EXPECT_EQ(read_file(output_), dxf_lines({"2", "ENTITIES", "10", "7.00000", "20", "-50.00000"}));
}

// The shipped grids, through the two-step routes via Datum 73.
TEST(ShippedGrids, TwoStepRoundTripReturnsWithinMillimetres) {
  testing::TempFolder folder;
  const std::string start =
      dxf_lines({"0", "SECTION", "2", "ENTITIES", "0", "LINE", "10", "-87412.350", "20",
                 "-105934.120", "11", "45000.0", "21", "180000.0", "0", "ENDSEC", "0", "EOF"});
  write_file(folder.file("a.dxf"), start);
  testing::RecordingHost there;
  ASSERT_EQ(core::run_conversion(
                there, {KELVRIN_DATA_DIR},
                {"ETRS89 TM06", datum_lisboa, folder.file("a.dxf"), folder.file("b.dxf"), "", ""}),
            core::ConversionOutcome::completed);
  EXPECT_EQ(there.messages(), (Messages{"Criado o ficheiro: " + folder.file("b.dxf")}));
  testing::RecordingHost back;
  ASSERT_EQ(core::run_conversion(
                back, {KELVRIN_DATA_DIR},
                {datum_lisboa, "ETRS89 TM06", folder.file("b.dxf"), folder.file("c.dxf"), "", ""}),
            core::ConversionOutcome::completed);
  EXPECT_EQ(folder.listing(), (std::vector<std::string>{"a.dxf", "b.dxf", "c.dxf"}));

  std::ifstream original(folder.file("a.dxf"));
  std::ifstream returned(folder.file("c.dxf"));
  std::string a_line;
  std::string c_line;
  int compared = 0;
  while (std::getline(original, a_line) && std::getline(returned, c_line)) {
    const double a = std::atof(a_line.c_str());
    if (std::abs(a) > 1000.0) {
      EXPECT_NEAR(std::atof(c_line.c_str()), a, 0.005) << a_line;
      ++compared;
    }
  }
  EXPECT_EQ(compared, 4);
}

TEST(ShippedGrids, TwoStepRouteMayWriteOverItsOwnInput) {
  testing::TempFolder folder;
  const std::string drawing = dxf_lines(
      {"0", "SECTION", "2", "ENTITIES", "0", "POINT", "10", "-87412.35", "20", "-105934.12"});
  write_file(folder.file("a.dxf"), drawing);
  testing::RecordingHost host;
  ASSERT_EQ(core::run_conversion(
                host, {KELVRIN_DATA_DIR},
                {"ETRS89 TM06", datum_lisboa, folder.file("a.dxf"), folder.file("a.dxf"), "", ""}),
            core::ConversionOutcome::completed);
  EXPECT_NE(read_file(folder.file("a.dxf")), drawing);
  EXPECT_EQ(folder.listing(), (std::vector<std::string>{"a.dxf"}));
}

}  // namespace
}  // namespace kelvrin
