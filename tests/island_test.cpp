// The eight Azores and Madeira transformations: every published check value
// through kelvrin-cli and a real drawing, and the faults they catch.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "dxf/point_transform.hpp"
#include "tests/cli_runner.hpp"
#include "tests/test_support.hpp"
#include "transform/island_sets.hpp"
#include "transform/polynomial.hpp"

namespace kelvrin {
namespace {

using testing::dxf_lines;
using testing::read_file;
using testing::write_file;

struct CheckValue {
  const char* name;
  const char* source;  // an alias of kelvrin-cli --list
  const char* target;
  const char* x;
  const char* y;
  const char* written_x;
  const char* written_y;
  friend void PrintTo(const CheckValue& row, std::ostream* out) { *out << row.name; }
};

std::string point_drawing(const std::string& x, const std::string& y) {
  return dxf_lines({"0", "SECTION", "2", "ENTITIES", "0", "POINT", "8", "0", "10", x, "20", y, "30",
                    "0.0", "0", "ENDSEC", "0", "EOF"});
}

class IslandCheckValues : public ::testing::TestWithParam<CheckValue> {};

TEST_P(IslandCheckValues, ComeOutOfKelvrinCliAsPublished) {
  const CheckValue& check = GetParam();
  testing::TempFolder folder;
  write_file(folder.file("in.dxf"), point_drawing(check.x, check.y));
  const testing::CliRun run =
      testing::run_cli(folder, std::string("--from ") + check.source + " --to " + check.target +
                                   " " + folder.file("in.dxf") + " " + folder.file("out.dxf"));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(read_file(folder.file("out.dxf")), point_drawing(check.written_x, check.written_y));
}

INSTANTIATE_TEST_SUITE_P(
    Published, IslandCheckValues,
    ::testing::Values(CheckValue{"transf_54_centre", "sao-braz", "5015", "640000.0", "4162500.0",
                                 "640030.81316", "4162536.92548"},
                      CheckValue{"transf_54", "3062", "utm26-itrf93", "650000.0", "4157500.0",
                                 "650030.72974", "4157536.96297"},
                      CheckValue{"transf_64", "faial", "utm26-itrf93", "362000.0", "4266000.0",
                                 "362101.11864", "4265916.04339"},
                      CheckValue{"transf_74", "graciosa", "utm26-itrf93", "423000.0", "4318500.0",
                                 "423100.58792", "4318415.46998"},
                      CheckValue{"transf_84", "pico", "utm26-itrf93", "395500.0", "4253000.0",
                                 "395601.28613", "4252916.13676"},
                      CheckValue{"transf_94", "sao-jorge", "utm26-itrf93", "420500.0", "4272000.0",
                                 "420600.56629", "4271915.98958"},
                      CheckValue{"transf_104", "terceira", "utm26-itrf93", "492500.0", "4281000.0",
                                 "492599.91376", "4280915.89102"},
                      CheckValue{"transf_114", "2188", "5014", "667000.0", "4367000.0",
                                 "666623.10892", "4367066.56221"},
                      CheckValue{"transf_124_origin", "madeira", "5016", "0.0", "0.0", "2364.09144",
                                 "-745.01568"},
                      CheckValue{"transf_124", "3061", "utm28-itrf93", "320000.0", "3620000.0",
                                 "319632.26925", "3620352.84070"}),
    testing::CaseName());

dxf::PlanarPoint convert(const transform::CoefficientSet& set, transform::ScaleStep scale, double x,
                         double y) {
  transform::PolynomialTransform transform(set, scale);
  return transform.forward({x, y}).point;
}

// The faults a copy of the sets is most likely to have must move the check
// point by metres, so the check values above catch them.
TEST(IslandSets, CheckValuesCatchAMissingScaleStepOrSwappedCoefficients) {
  using transform::ScaleStep;
  const auto right = convert(transform::transf_54_set, ScaleStep::by_sx_and_sy, 650000, 4157500);
  EXPECT_EQ(right.x, 650030.7297366775);
  EXPECT_EQ(right.y, 4157536.962967469);

  const auto unscaled = convert(transform::transf_54_set, ScaleStep::none, 650000, 4157500);
  EXPECT_NEAR(unscaled.x, 640010.03, 0.01);
  EXPECT_NEAR(unscaled.y, 4162495.04, 0.01);

  transform::CoefficientSet swapped = transform::transf_54_set;
  std::swap(swapped.a, swapped.b);
  const auto crossed = convert(swapped, ScaleStep::by_sx_and_sy, 650000, 4157500);
  EXPECT_GT(std::hypot(crossed.x - right.x, crossed.y - right.y), 1000.0);
}

TEST(IslandSets, YWithoutXIsCompletedAsIfXWereTheCentre) {
  const transform::PolynomialTransform polynomial(transform::transf_64_set,
                                                  transform::ScaleStep::by_sx_and_sy);
  dxf::SequentialPoints lone_y(polynomial);
  const auto centre =
      convert(transform::transf_64_set, transform::ScaleStep::by_sx_and_sy, 352000.0, 4266000.0);
  EXPECT_EQ(lone_y.complete_point(4266000.0).point.x, centre.x);
}

}  // namespace
}  // namespace kelvrin
