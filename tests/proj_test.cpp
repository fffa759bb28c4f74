// Conversions PROJ runs, end to end through kelvrin-cli: the NTv2 method of
// the mainland pairs and routes between EPSG systems, each checked against
// PROJ's own cs2cs on the same points; and the refusals.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "core/messages.hpp"
#include "tests/cli_runner.hpp"
#include "tests/test_support.hpp"

namespace kelvrin {
namespace {

using testing::write_file;
namespace fs = std::filesystem;

struct Point {
  double x;
  double y;
};

// Onshore places of mainland Portugal (PT-TM06, metres) and points 5 km
// around each: Porto, Bragança, Coimbra, Guarda, Castelo Branco, Lisboa,
// Évora, Beja, Faro.
std::vector<Point> onshore_lattice() {
  const Point places[] = {{-42000, 165000}, {110000, 235000}, {-28000, 60000},
                          {85000, 85000},   {55000, 10000},   {-87000, -105000},
                          {40000, -85000},  {30000, -170000}, {14000, -280000}};
  std::vector<Point> points;
  for (const Point& place : places) {
    for (const Point& step : {Point{0, 0}, Point{5000, 0}, Point{0, 5000}, Point{-5000, -5000}}) {
      points.push_back({place.x + step.x + 0.123, place.y + step.y + 0.456});
    }
  }
  return points;
}

std::string drawing_of(const std::vector<Point>& points) {
  std::ostringstream text;
  text.precision(17);
  text << "0\r\nSECTION\r\n2\r\nENTITIES\r\n";
  for (const Point& point : points) {
    text << "0\r\nPOINT\r\n10\r\n" << point.x << "\r\n20\r\n" << point.y << "\r\n30\r\n0.0\r\n";
  }
  text << "0\r\nENDSEC\r\n0\r\nEOF\r\n";
  return text.str();
}

// The POINT positions of a converted drawing, in order.
std::vector<Point> points_of(const std::string& path) {
  const std::vector<std::string> lines = testing::split_crlf(testing::read_file(path));
  std::vector<Point> points;
  for (std::size_t i = 0; i + 3 < lines.size(); i += 2) {
    if (lines[i] == "10" && lines[i + 2] == "20") {
      points.push_back({std::stod(lines[i + 1]), std::stod(lines[i + 3])});
    }
  }
  return points;
}

// cs2cs over the points: one "x y" line each in, "x y z" out.
std::vector<Point> cs2cs(const std::string& arguments, const std::vector<Point>& points,
                         const testing::TempFolder& folder) {
  std::ostringstream input;
  input.precision(17);
  for (const Point& point : points) input << point.x << ' ' << point.y << '\n';
  write_file(folder.file("cs2cs.in"), input.str());
  const std::string command = "PROJ_DATA=" KELVRIN_DATA_DIR
                              ":/usr/share/proj PROJ_NETWORK=OFF "
                              "cs2cs -f %.6f " +
                              arguments + " <" + folder.file("cs2cs.in");
  FILE* pipe = ::popen(command.c_str(), "r");
  std::vector<Point> result;
  double x = 0;
  double y = 0;
  double z = 0;
  while (std::fscanf(pipe, "%lf %lf %lf", &x, &y, &z) == 3) result.push_back({x, y});
  ::pclose(pipe);
  return result;
}

// The three systems as cs2cs reads them, with the grids of the national
// agency (the old "+to" form: each side with its own datum shift).
const char* const tm06 =
    "+proj=tmerc +lat_0=39.66825833333333 +lon_0=-8.133108333333334 +k=1 +x_0=0 +y_0=0 "
    "+ellps=GRS80 +towgs84=0,0,0";
const char* const datum73 =
    "+proj=tmerc +lat_0=39.66666666666666 +lon_0=-8.131906111111112 +k=1 +x_0=180.598 "
    "+y_0=-86.99 +ellps=intl +nadgrids=D73_ETRS89_geo.gsb";
const char* const lisboa =
    "+proj=tmerc +lat_0=39.66666666666666 +lon_0=-8.131906111111112 +k=1 +x_0=0 +y_0=0 "
    "+ellps=intl +nadgrids=DLX_ETRS89_geo.gsb";

struct Ntv2Pair {
  const char* name;
  const char* from;
  const char* to;
  const char* from_proj;
  const char* to_proj;
  friend void PrintTo(const Ntv2Pair& row, std::ostream* out) { *out << row.name; }
};

class Ntv2Method : public ::testing::TestWithParam<Ntv2Pair> {
 protected:
  testing::TempFolder folder_;
};

TEST_P(Ntv2Method, AgreesWithCs2csWithinAMillimetre) {
  const Ntv2Pair& pair = GetParam();
  const std::vector<Point> lattice = onshore_lattice();
  write_file(folder_.file("in.dxf"), drawing_of(lattice));
  const std::string files = " " + folder_.file("in.dxf") + " ";
  const testing::CliRun ntv2 =
      testing::run_cli(folder_, std::string("-q --method ntv2 --from ") + pair.from + " --to " +
                                    pair.to + files + folder_.file("ntv2.dxf"));
  ASSERT_EQ(ntv2.status, 0) << ntv2.err;
  const testing::CliRun official =
      testing::run_cli(folder_, std::string("-q --from ") + pair.from + " --to " + pair.to + files +
                                    folder_.file("official.dxf"));
  ASSERT_EQ(official.status, 0) << official.err;

  const std::vector<Point> ours = points_of(folder_.file("ntv2.dxf"));
  const std::vector<Point> theirs =
      cs2cs(std::string(pair.from_proj) + " +to " + pair.to_proj, lattice, folder_);
  const std::vector<Point> polynomial = points_of(folder_.file("official.dxf"));
  ASSERT_EQ(ours.size(), lattice.size());
  ASSERT_EQ(theirs.size(), lattice.size());
  ASSERT_EQ(polynomial.size(), lattice.size());
  for (std::size_t i = 0; i < lattice.size(); ++i) {
    EXPECT_NEAR(ours[i].x, theirs[i].x, 0.001) << "point " << i;
    EXPECT_NEAR(ours[i].y, theirs[i].y, 0.001) << "point " << i;
    // The official method differs by the known amounts (up to 0.6 m, up to
    // about 1 m where the 5 km grid takes part); a sanity bound only.
    EXPECT_LT(std::hypot(ours[i].x - polynomial[i].x, ours[i].y - polynomial[i].y), 1.5)
        << "point " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, Ntv2Method,
    ::testing::Values(Ntv2Pair{"tm06_datum73", "tm06", "datum73", tm06, datum73},
                      Ntv2Pair{"datum73_tm06", "datum73", "tm06", datum73, tm06},
                      Ntv2Pair{"tm06_lisboa", "tm06", "lisboa", tm06, lisboa},
                      Ntv2Pair{"lisboa_tm06", "lisboa", "tm06", lisboa, tm06},
                      Ntv2Pair{"datum73_lisboa", "datum73", "lisboa", datum73, lisboa},
                      Ntv2Pair{"lisboa_datum73", "lisboa", "datum73", lisboa, datum73}),
    testing::CaseName());

TEST(ProjRoute, BetweenEpsgSystemsAsCs2csWithTheOperationTold) {
  testing::TempFolder folder;
  const std::vector<Point> lattice = onshore_lattice();
  write_file(folder.file("in.dxf"), drawing_of(lattice));
  const testing::CliRun run =
      testing::run_cli(folder, "--from EPSG:3763 --to 32629 " + folder.file("in.dxf") + " " +
                                   folder.file("out.dxf"));
  ASSERT_EQ(run.status, 0) << run.err;
  // The systems as typed, a catalogue one by its name.
  EXPECT_NE(run.err.find("Transformação do PROJ de \"ETRS89 TM06\" para \"32629\": "),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("exactidão"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("Aviso"), std::string::npos) << run.err;
  const std::vector<Point> ours = points_of(folder.file("out.dxf"));
  const std::vector<Point> theirs = cs2cs("EPSG:3763 EPSG:32629", lattice, folder);
  ASSERT_EQ(ours.size(), lattice.size());
  ASSERT_EQ(theirs.size(), lattice.size());
  for (std::size_t i = 0; i < lattice.size(); ++i) {
    EXPECT_NEAR(ours[i].x, theirs[i].x, 0.001) << "point " << i;
    EXPECT_NEAR(ours[i].y, theirs[i].y, 0.001) << "point " << i;
  }
  // Catalogue systems stand for their EPSG codes where no route joins them
  // (here a change of UTM zone, Ponta Delgada from zone 26 to zone 25).
  write_file(folder.file("azores.dxf"), drawing_of({{617184.172, 4177800.687}}));
  const testing::CliRun quiet =
      testing::run_cli(folder, "-q --from utm26-itrf93 --to utm25-itrf93 " +
                                   folder.file("azores.dxf") + " " + folder.file("zone25.dxf"));
  EXPECT_EQ(quiet.status, 0) << quiet.err;
  EXPECT_EQ(quiet.err, "");
  const std::vector<Point> zone25 = points_of(folder.file("zone25.dxf"));
  const std::vector<Point> theirs25 =
      cs2cs("EPSG:5015 EPSG:5014", {{617184.172, 4177800.687}}, folder);
  ASSERT_EQ(zone25.size(), 1u);
  ASSERT_EQ(theirs25.size(), 1u);
  EXPECT_NEAR(zone25[0].x, theirs25[0].x, 0.001);
  EXPECT_NEAR(zone25[0].y, theirs25[0].y, 0.001);
}

// A system may come as a file of WKT (here as projinfo writes it, over
// many lines, with Windows line ends): the drawing converts as by the code.
// A file with no WKT in it, or a folder, is no system.
TEST(ProjRoute, ASystemFromAFileOfWkt) {
  testing::TempFolder folder;
  write_file(folder.file("in.dxf"), drawing_of(onshore_lattice()));
  FILE* pipe = ::popen("projinfo -q -o WKT2:2019 EPSG:32629", "r");
  ASSERT_NE(pipe, nullptr);
  std::string wkt;
  char chunk[512];
  for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;)
    wkt.append(chunk, got);
  ASSERT_EQ(::pclose(pipe), 0);
  ASSERT_GT(std::count(wkt.begin(), wkt.end(), '\n'), 10);
  std::string crlf;
  for (const char c : wkt) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  write_file(folder.file("utm29.wkt"), crlf);
  const std::string input = " " + folder.file("in.dxf") + " ";

  const testing::CliRun by_file = testing::run_cli(
      folder, "-q --from tm06 --to " + folder.file("utm29.wkt") + input + folder.file("a.dxf"));
  ASSERT_EQ(by_file.status, 0) << by_file.err;
  const testing::CliRun by_code =
      testing::run_cli(folder, "-q --from tm06 --to EPSG:32629" + input + folder.file("b.dxf"));
  ASSERT_EQ(by_code.status, 0) << by_code.err;
  EXPECT_EQ(testing::read_file(folder.file("a.dxf")), testing::read_file(folder.file("b.dxf")));

  write_file(folder.file("nothing.wkt"), "EPSG:32629 is not WKT\n");
  for (const std::string& name : {folder.file("nothing.wkt"), folder.path().string()}) {
    const testing::CliRun refused =
        testing::run_cli(folder, "--from tm06 --to " + name + input + folder.file("c.dxf"));
    EXPECT_EQ(refused.status, 2) << name;
    EXPECT_NE(refused.err.find("sistema desconhecido em --to"), std::string::npos) << refused.err;
  }
}

// PROJ knows no change of datum from Datum 73 to PTRA08, only a "Ballpark
// geographic offset" that leaves the datum as it is: refused unless asked for.
TEST(ProjRoute, ABallparkOperationOnlyWhenAllowed) {
  testing::TempFolder folder;
  write_file(folder.file("in.dxf"), drawing_of(onshore_lattice()));
  const std::string files = " " + folder.file("in.dxf") + " " + folder.file("out.dxf");

  const testing::CliRun refused =
      testing::run_cli(folder, "--from 'Hayford-Gauss Datum 73' --to 5015" + files);
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("Conversão de \"Hayford-Gauss Datum 73\" para \"UTM 26 ITRF93\" "
                             "recusada: "),
            std::string::npos)
      << refused.err;
  EXPECT_NE(refused.err.find("Ballpark geographic offset from Datum 73 to PTRA08"),
            std::string::npos)
      << refused.err;
  EXPECT_NE(refused.err.find("--allow-ballpark"), std::string::npos) << refused.err;
  EXPECT_EQ(refused.out, "");
  EXPECT_EQ(folder.listing(), (std::vector<std::string>{"in.dxf"}));

  // Allowed, it converts, and says what the result is worth even when quiet.
  const testing::CliRun allowed =
      testing::run_cli(folder, "-q --allow-ballpark --from datum73 --to utm26-itrf93" + files);
  EXPECT_EQ(allowed.status, 0) << allowed.err;
  EXPECT_EQ(allowed.err,
            "Aviso: a conversão de \"Hayford-Gauss Datum 73\" para \"UTM 26 ITRF93\" usou a "
            "transformação aproximada \"Inverse of Modified Portuguese Grid + Ballpark geographic "
            "offset from Datum 73 to PTRA08 + UTM zone 26N\", que não faz a mudança de datum: as "
            "coordenadas convertidas podem estar erradas em dezenas ou centenas de metros.\n");
  EXPECT_EQ(points_of(folder.file("out.dxf")).size(), onshore_lattice().size());
}

// Ponta Delgada (Azores) given as PT-TM06, 1500 km west of where the
// system and the operation are meant to be used: converted, and told.
TEST(ProjRoute, PointsOutsideTheAreaOfUseAreTold) {
  testing::TempFolder folder;
  std::vector<Point> points = onshore_lattice();
  const Point ponta_delgada{-1551591.077, -66090.243};
  points.insert(points.begin() + 3, ponta_delgada);
  points.insert(points.begin() + 20, {-1500000, 0});
  write_file(folder.file("in.dxf"), drawing_of(points));
  const testing::CliRun run =
      testing::run_cli(folder, "--from tm06 --to EPSG:32629 " + folder.file("in.dxf") + " " +
                                   folder.file("out.dxf"));
  ASSERT_EQ(run.status, 0) << run.err;
  // Four lines open the drawing and each POINT takes eight.
  EXPECT_NE(run.err.find("Aviso: 2 ponto(s) de \"" + folder.file("in.dxf") +
                         "\" fora da área de uso da transformação de \"ETRS89 TM06\" para "
                         "\"EPSG:32629\" (o primeiro, (-1551591.077;-66090.243), na linha " +
                         std::to_string(4 + 3 * 8 + 3) + ") foram convertidos"),
            std::string::npos)
      << run.err;
  const std::vector<Point> ours = points_of(folder.file("out.dxf"));
  const std::vector<Point> theirs = cs2cs("EPSG:3763 EPSG:32629", points, folder);
  ASSERT_EQ(ours.size(), points.size());
  ASSERT_EQ(theirs.size(), points.size());
  EXPECT_NEAR(ours[3].x, theirs[3].x, 0.001);
  EXPECT_NEAR(ours[3].y, theirs[3].y, 0.001);
}

// Every reason PROJ gives no operation, worded; the loader's cannot be
// made to happen on a system with PROJ installed.
TEST(ProjRoute, EveryRefusalWorded) {
  using transform::ProjFailure;
  const std::pair<transform::ProjError, std::string> rows[] = {
      {{ProjFailure::library_not_found, "C:\\kelvrin", ""},
       "o PROJ não pôde ser carregado (a biblioteca do PROJ (proj_*.dll) não está na pasta do "
       "programa, C:\\kelvrin)"},
      {{ProjFailure::library_not_loaded, "libproj.so.25", "libproj.so.25: cannot open"},
       "o PROJ não pôde ser carregado (libproj.so.25: cannot open)"},
      {{ProjFailure::function_missing, "libproj.so.25", "proj_trans"},
       "o PROJ não pôde ser carregado (libproj.so.25: falta proj_trans)"},
      {{ProjFailure::unknown_source, "", ""}, "o PROJ não conhece o sistema de origem"},
      {{ProjFailure::unknown_target, "", ""}, "o PROJ não conhece o sistema de destino"},
      {{ProjFailure::no_operation, "", ""},
       "o PROJ não conhece nenhuma transformação entre os dois sistemas"},
      {{ProjFailure::grid_missing, "pt_dgt_D73_ETRS89_geo.tif", ""},
       "a transformação precisa da grelha pt_dgt_D73_ETRS89_geo.tif, que não existe"},
      {{ProjFailure::refused_by_proj, "", "Invalid PROJ string syntax"},
       "Invalid PROJ string syntax"},
      {{ProjFailure::refused_by_proj, "", ""}, "erro do PROJ"},
  };
  for (const auto& [error, text] : rows) EXPECT_EQ(core::messages::proj_failure(error), text);
  EXPECT_EQ(core::messages::proj_refused("A", "B", rows[3].first),
            "Conversão de \"A\" para \"B\" recusada: o PROJ não conhece o sistema de origem.");
}

TEST(ProjRoute, Refusals) {
  testing::TempFolder folder;
  write_file(folder.file("in.dxf"), drawing_of({{-87000, -105000}, {900000, 900000}}));
  const std::string files = " " + folder.file("in.dxf") + " " + folder.file("out.dxf");

  const testing::CliRun unknown = testing::run_cli(folder, "--from EPSG:999999 --to tm06" + files);
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.err.find("sistema desconhecido em --from: \"EPSG:999999\""), std::string::npos)
      << unknown.err;

  const testing::CliRun outside =
      testing::run_cli(folder, "--method ntv2 --from tm06 --to datum73" + files);
  EXPECT_EQ(outside.status, 1);
  EXPECT_NE(outside.err.find("O ponto ( 900000; 900000) da linha 15 do ficheiro"),
            std::string::npos)
      << outside.err;
  EXPECT_FALSE(fs::exists(folder.file("out.dxf")));

  // A copy of kelvrin-cli without the grids beside it: PROJ's best operation
  // from Datum 73 (geographic) to PT-TM06 needs the Datum 73 grid.
  fs::copy_file(KELVRIN_CLI_PATH, folder.file("kelvrin-cli"));
  fs::permissions(folder.file("kelvrin-cli"), fs::perms(0755));
  FILE* pipe = ::popen(
      (folder.file("kelvrin-cli") + " --from EPSG:4274 --to EPSG:3763" + files + " 2>&1").c_str(),
      "r");
  std::string said;
  char chunk[512];
  for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;)
    said.append(chunk, got);
  const int status = ::pclose(pipe);
  EXPECT_EQ(WEXITSTATUS(status), 1) << said;
  EXPECT_NE(said.find("precisa da grelha pt_dgt_D73_ETRS89_geo.tif"), std::string::npos) << said;
  EXPECT_FALSE(fs::exists(folder.file("out.dxf")));
}

}  // namespace
}  // namespace kelvrin
