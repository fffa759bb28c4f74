// The shipped grid files against the official NTv2 grids, where PROJ and the
// NTv2 grids are at hand.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/conversion_job.hpp"
#include "tests/test_support.hpp"
#include "tools/ntv2_pipeline.hpp"

namespace kelvrin {
namespace {

using testing::dxf_lines;
using testing::read_file;
using testing::write_file;

bool ntv2_grids_present() {
  return std::filesystem::exists(KELVRIN_GEODESY_DIR "/D73_ETRS89_geo.gsb") &&
         std::filesystem::exists(KELVRIN_GEODESY_DIR "/DLX_ETRS89_geo.gsb");
}

#define SKIP_WITHOUT_NTV2_GRIDS()                                           \
  if (!ntv2_grids_present())                                                \
  GTEST_SKIP() << "The official NTv2 grids are not in " KELVRIN_GEODESY_DIR \
                  ": data/ was not compared with them"

TEST(GridData, RemadeFromTheOfficialGridsMatchesData) {
  SKIP_WITHOUT_NTV2_GRIDS();
  testing::TempFolder folder;
  const std::string command =
      std::string(KELVRIN_MAKE_GRIDS_PATH) + " " KELVRIN_GEODESY_DIR " " + folder.path().string();
  ASSERT_EQ(std::system(command.c_str()), 0);
  for (const char* name : {"et_lx_m.asc", "et_lx_p.asc", "lx_et_m.asc", "lx_et_p.asc"}) {
    EXPECT_TRUE(read_file(folder.file(name)) == read_file(KELVRIN_DATA_DIR "/" + std::string(name)))
        << name << " differs from what the NTv2 grids give";
  }
}

TEST(GridData, CheckPointAgreesWithTheDirectNtv2Pipeline) {
  SKIP_WITHOUT_NTV2_GRIDS();
  testing::TempFolder folder;
  write_file(folder.file("in.dxf"), dxf_lines({"0", "SECTION", "2", "ENTITIES", "0", "POINT", "10",
                                               "100005.02816", "20", "199999.57661"}));
  testing::RecordingHost host;
  ASSERT_EQ(
      core::run_conversion(host, {KELVRIN_DATA_DIR},
                           {"Hayford-Gauss Datum 73", "Hayford-Gauss Datum Lisboa-Ponto Central",
                            folder.file("in.dxf"), folder.file("out.dxf"), "", ""}),
      core::ConversionOutcome::completed);
  const std::string out = read_file(folder.file("out.dxf"));
  double x = 0.0;
  double y = 0.0;
  ASSERT_EQ(
      std::sscanf(out.c_str(),
                  "0\r\nSECTION\r\n2\r\nENTITIES\r\n0\r\nPOINT\r\n10\r\n%lf\r\n20\r\n%lf", &x, &y),
      2);

  const tools::Ntv2Pipeline direct(tools::Direction::datum73_to_lisboa, KELVRIN_GEODESY_DIR);
  const auto expected = direct.transform(100005.02816, 199999.57661);
  ASSERT_TRUE(expected.has_value());
  EXPECT_LT(std::hypot(x - expected->x, y - expected->y), 0.01);
}

}  // namespace
}  // namespace kelvrin
