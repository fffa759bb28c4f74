// The DXF-aware rewrite policy: one row per role and entity family, each a
// tiny drawing, under an affine operation whose points and vectors are told
// apart at a glance: T(x, y) = (2x + 1000, 3y + 2000), derivative diag(2, 3).

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dxf/rewrite_dxf.hpp"
#include "tests/test_support.hpp"

namespace kelvrin::dxf {
namespace {

using testing::dxf_lines;
using testing::read_file;
using testing::write_file;
using Lines = std::vector<std::string>;

class Affine final : public transform::PointOperation {
 public:
  PointResult forward(PlanarPoint p) const override {
    if (p.x < -1e6) return {PointStatus::rejected, p};  // "outside the grid"
    // East of 100 km: "outside the area of use".
    return {PointStatus::ok, {2 * p.x + 1000, 3 * p.y + 2000}, p.x > 1e5};
  }
};

Lines section(const std::string& name, const Lines& body) {
  Lines lines = {"0", "SECTION", "2", name};
  lines.insert(lines.end(), body.begin(), body.end());
  lines.insert(lines.end(), {"0", "ENDSEC"});
  return lines;
}

Lines entities(const Lines& body) {
  Lines lines = section("ENTITIES", body);
  lines.insert(lines.end(), {"0", "EOF"});
  return lines;
}

struct RoleCase {
  const char* name;
  Lines input;
  Lines expected;
  friend void PrintTo(const RoleCase& row, std::ostream* out) { *out << row.name; }
};

class AwareRoles : public ::testing::TestWithParam<RoleCase> {};

TEST_P(AwareRoles, RewritesEachCoordinateByItsRole) {
  testing::TempFolder folder;
  write_file(folder.file("in.dxf"), dxf_lines(GetParam().input));
  const PassResult result = rewrite_dxf(folder.file("in.dxf"), folder.file("out.dxf"), Affine{});
  ASSERT_TRUE(result.completed()) << static_cast<int>(result.failure) << " " << result.line;
  EXPECT_EQ(read_file(folder.file("out.dxf")), dxf_lines(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Table, AwareRoles,
    ::testing::Values(
        RoleCase{"line_points_in_world_coordinates",
                 entities({"0", "LINE", "10", "1", "20", "2", "30", "7", "11", "3", "21", "4"}),
                 entities({"0", "LINE", "10", "1002.00000", "20", "2006.00000", "30", "7", "11",
                           "1006.00000", "21", "2012.00000"})},
        RoleCase{
            "mtext_direction_is_a_vector",
            entities({"0", "MTEXT", "10", "1", "20", "1", "11", "1", "21", "1"}),
            entities({"0", "MTEXT", "10", "1002.00000", "20", "2003.00000", "11", "2", "21", "3"})},
        RoleCase{
            "mirrored_circle_centre_through_its_ocs",
            entities({"0", "CIRCLE", "10", "5", "20", "1", "210", "0", "220", "0", "230", "-1"}),
            entities({"0", "CIRCLE", "10", "-990.00000", "20", "2003.00000", "210", "0", "220", "0",
                      "230", "-1"})},
        RoleCase{"mirrored_text_through_its_ocs",
                 entities({"0", "TEXT", "10", "5", "20", "1", "11", "5", "21", "1", "210", "0",
                           "220", "0", "230", "-1"}),
                 entities({"0", "TEXT", "10", "-990.00000", "20", "2003.00000", "11", "-990.00000",
                           "21", "2003.00000", "210", "0", "220", "0", "230", "-1"})},
        RoleCase{
            "image_pixels_stay_pixels",
            entities({"0", "IMAGE", "10",  "1",  "20",  "1",  "11",  "0.5", "21",   "0",  "12",
                      "0", "22",    "0.5", "13", "640", "23", "480", "14",  "-0.5", "24", "-0.5"}),
            entities({"0",  "IMAGE", "10", "1002.00000", "20", "2003.00000", "11", "1",
                      "21", "0",     "12", "0",          "22", "1.5",        "13", "640",
                      "23", "480",   "14", "-0.5",       "24", "-0.5"})},
        RoleCase{"paper_space_is_left_alone",
                 entities({"0", "LINE", "67", "1", "10", "1", "20", "2"}),
                 entities({"0", "LINE", "67", "1", "10", "1", "20", "2"})},
        RoleCase{"text_after_a_paper_insert_without_attributes_is_the_models",
                 entities({"0",  "INSERT", "67",     "1",  "2", "B",  "10", "1", "20",
                           "2",  "0",      "TEXT",   "10", "1", "20", "2",  "0", "INSERT",
                           "67", "1",      "66",     "1",  "2", "B",  "10", "1", "20",
                           "2",  "0",      "ATTRIB", "10", "1", "20", "2",  "0", "SEQEND"}),
                 entities({"0",  "INSERT", "67", "1",     "2",  "B",          "10", "1",
                           "20", "2",      "0",  "TEXT",  "10", "1002.00000", "20", "2006.00000",
                           "0",  "INSERT", "67", "1",     "66", "1",          "2",  "B",
                           "10", "1",      "20", "2",     "0",  "ATTRIB",     "10", "1",
                           "20", "2",      "0",  "SEQEND"})},
        RoleCase{"objects_are_left_alone",
                 section("OBJECTS", {"0", "LAYOUT", "10", "1e+20", "20", "1e+20"}),
                 section("OBJECTS", {"0", "LAYOUT", "10", "1e+20", "20", "1e+20"})},
        RoleCase{"hatch_elevation_kept_boundary_moved_ellipse_axis_turned",
                 entities({"0",  "HATCH", "10", "0",  "20", "0",  "30", "5",  "91", "2",  "92",
                           "2",  "72",    "0",  "73", "1",  "93", "1",  "10", "1",  "20", "1",
                           "92", "1",     "93", "1",  "72", "3",  "10", "1",  "20", "1",  "11",
                           "1",  "21",    "0",  "98", "1",  "10", "1",  "20", "1"}),
                 entities({"0",  "HATCH",      "10", "0", "20", "0", "30", "5", "91", "2",
                           "92", "2",          "72", "0", "73", "1", "93", "1", "10", "1002.00000",
                           "20", "2003.00000", "92", "1", "93", "1", "72", "3", "10", "1002.00000",
                           "20", "2003.00000", "11", "2", "21", "0", "98", "1", "10", "1002.00000",
                           "20", "2003.00000"})},
        RoleCase{"multileader_block_scale_kept_text_named_leader_no_marker",
                 entities({"0",   "MULTILEADER", "300", "CONTEXT_DATA{",
                           "10",  "1",           "20",  "1",
                           "304", "LEADER",      "12",  "1",
                           "22",  "1",           "301", "}",
                           "10",  "1",           "20",  "1"}),
                 entities({"0",   "MULTILEADER", "300", "CONTEXT_DATA{",
                           "10",  "1002.00000",  "20",  "2003.00000",
                           "304", "LEADER",      "12",  "1002.00000",
                           "22",  "2003.00000",  "301", "}",
                           "10",  "1",           "20",  "1"})},
        RoleCase{
            "vertices_of_a_mirrored_2d_polyline_and_of_a_3d_polyline",
            entities({"0",   "POLYLINE", "70", "0",      "10", "0", "20", "0",     "30", "0",
                      "230", "-1",       "0",  "VERTEX", "10", "5", "20", "1",     "0",  "SEQEND",
                      "0",   "POLYLINE", "70", "8",      "10", "0", "20", "0",     "0",  "VERTEX",
                      "70",  "32",       "10", "5",      "20", "1", "0",  "SEQEND"}),
            entities({"0",  "POLYLINE",   "70",  "0",          "10", "0",        "20", "0",
                      "30", "0",          "230", "-1",         "0",  "VERTEX",   "10", "-990.00000",
                      "20", "2003.00000", "0",   "SEQEND",     "0",  "POLYLINE", "70", "8",
                      "10", "0",          "20",  "0",          "0",  "VERTEX",   "70", "32",
                      "10", "1010.00000", "20",  "2003.00000", "0",  "SEQEND"})},
        RoleCase{
            "model_dimension_block_converted_other_blocks_not",
            [] {
              Lines lines = section(
                  "BLOCKS", {"0",  "BLOCK", "2",  "*D1", "10", "0",      "20", "0",     "0", "LINE",
                             "10", "1",     "20", "1",   "0",  "ENDBLK", "0",  "BLOCK", "2", "door",
                             "0",  "LINE",  "10", "1",   "20", "1",      "0",  "ENDBLK"});
              const Lines rest = entities({"0", "DIMENSION", "2", "*D1"});
              lines.insert(lines.end(), rest.begin(), rest.end());
              return lines;
            }(),
            [] {
              Lines lines = section(
                  "BLOCKS", {"0",    "BLOCK",  "2",    "*D1",   "10",         "0",    "20",
                             "0",    "0",      "LINE", "10",    "1002.00000", "20",   "2003.00000",
                             "0",    "ENDBLK", "0",    "BLOCK", "2",          "door", "0",
                             "LINE", "10",     "1",    "20",    "1",          "0",    "ENDBLK"});
              const Lines rest = entities({"0", "DIMENSION", "2", "*D1"});
              lines.insert(lines.end(), rest.begin(), rest.end());
              return lines;
            }()},
        RoleCase{
            "header_extents_become_the_transformed_box_placeholders_stay",
            section("HEADER", {"9",  "$EXTMIN", "10", "1",       "20", "1",       "9",  "$EXTMAX",
                               "10", "3",       "20", "2",       "9",  "$LIMMIN", "10", "1e+20",
                               "20", "1e+20",   "9",  "$LIMMAX", "10", "-1e+20",  "20", "-1e+20"}),
            section("HEADER",
                    {"9",  "$EXTMIN",    "10", "1002.00000", "20", "2003.00000", "9",  "$EXTMAX",
                     "10", "1006.00000", "20", "2006.00000", "9",  "$LIMMIN",    "10", "1e+20",
                     "20", "1e+20",      "9",  "$LIMMAX",    "10", "-1e+20",     "20", "-1e+20"})},
        RoleCase{
            "active_view_follows_the_model",
            section("TABLES", {"0", "TABLE", "2", "VPORT", "0", "VPORT", "2", "*Active", "10", "0",
                               "20", "0", "12", "1", "22", "1", "0", "ENDTAB"}),
            section("TABLES", {"0", "TABLE", "2", "VPORT", "0", "VPORT", "2", "*Active", "10", "0",
                               "20", "0", "12", "1002.00000", "22", "2003.00000", "0", "ENDTAB"})},
        RoleCase{
            "named_model_views_and_ucs_follow_the_model_sheet_views_and_world_ucs_stay",
            section("TABLES",
                    {"0",  "VIEW", "2",  "Obra",  "70", "0", "10", "1", "20", "1",   "0",  "VIEW",
                     "2",  "A3",   "70", "1",     "10", "1", "20", "1", "0",  "UCS", "2",  "Eixo",
                     "10", "1",    "20", "1",     "30", "0", "11", "1", "21", "0",   "31", "0",
                     "0",  "UCS",  "2",  "Mundo", "10", "0", "20", "0", "11", "1",   "21", "0"}),
            section("TABLES",
                    {"0",  "VIEW",       "2",  "Obra",       "70", "0",   "10", "1002.00000",
                     "20", "2003.00000", "0",  "VIEW",       "2",  "A3",  "70", "1",
                     "10", "1",          "20", "1",          "0",  "UCS", "2",  "Eixo",
                     "10", "1002.00000", "20", "2003.00000", "30", "0",   "11", "1",
                     "21", "0",          "31", "0",          "0",  "UCS", "2",  "Mundo",
                     "10", "0",          "20", "0",          "11", "1",   "21", "0"})},
        RoleCase{"tilted_plane_moves_its_height_so_the_point_keeps_its_world_z",
                 // Normal (0, 0.6, 0.8): by the arbitrary axis, OCS x = (-1, 0, 0) and
                 // OCS y = (0, -0.8, 0.6). Plan point (-1, -4 + 10 * 0.6 = 2), world z
                 // 3 + 8 = 11 -> plan (998, 2006): the OCS z grows by the plan shift
                 // (999, 2004) along the normal, 2004 * 0.6, to 1212.4; back on that
                 // plane x = -998, y = (2006 - 1212.4 * 0.6) / -0.8 = -1598.2, and
                 // world z = -1598.2 * 0.6 + 1212.4 * 0.8 = 11 again.
                 entities({"0", "CIRCLE", "10", "1", "20", "5", "30", "10", "210", "0", "220",
                           "0.6", "230", "0.8"}),
                 entities({"0", "CIRCLE", "10", "-998.00000", "20", "-1598.20000", "30",
                           "1212.40000", "210", "0", "220", "0.6", "230", "0.8"})}),
    testing::CaseName{});

class AwareFailures : public ::testing::Test {
 protected:
  PassResult run(const Lines& lines) {
    write_file(folder_.file("in.dxf"), dxf_lines(lines));
    return rewrite_dxf(folder_.file("in.dxf"), folder_.file("out.dxf"), Affine{});
  }
  testing::TempFolder folder_;
};

TEST_F(AwareFailures, ACoordinateThatIsNotANumberNamesItsLine) {
  for (const char* bad : {"", "nan", "inf", "12abc", "um"}) {
    const PassResult result = run(entities({"0", "LINE", "10", "1", "20", bad}));
    EXPECT_EQ(result.failure, PassFailure::not_a_number) << bad;
    EXPECT_EQ(result.line, 10u) << bad;
  }
}

TEST_F(AwareFailures, AFileThatDoesNotStartWithAGroupCodeIsNotATextDxf) {
  EXPECT_EQ(run({"\x1f\x8b\x08", "x"}).failure, PassFailure::not_text_dxf);
  EXPECT_EQ(run({"0", "SECTION", "LINE", "x"}).failure, PassFailure::bad_group_code);
}

TEST_F(AwareFailures, ARejectedModelPointStopsTheHeaderExtentsDoNot) {
  const PassResult result = run(entities({"0", "POINT", "10", "-2000000", "20", "1"}));
  EXPECT_EQ(result.failure, PassFailure::point_rejected);
  EXPECT_EQ(result.source_point.x, -2000000.0);
  Lines header = section("HEADER", {"9", "$EXTMIN", "10", "-2000000", "20", "1", "9", "$EXTMAX",
                                    "10", "3", "20", "2"});
  EXPECT_TRUE(run(header).completed());
  EXPECT_EQ(read_file(folder_.file("out.dxf")), dxf_lines(header));
}

TEST_F(AwareFailures, UnpairedCoordinatesAndUnknownTypesAreReported) {
  const PassResult result =
      run(entities({"0", "LINE", "10", "1", "11", "3", "21", "4", "0", "GIZMO", "10", "1", "20",
                    "2", "0", "GIZMO", "0", "OBJECTS_AHEAD"}));
  ASSERT_TRUE(result.completed());
  EXPECT_EQ(result.report.unpaired_coordinates, 1u);
  EXPECT_EQ(result.report.first_unpaired_line, 7u);
  EXPECT_EQ(result.report.unknown_entities, 3u);
  EXPECT_EQ(result.report.unknown_types, (std::set<std::string>{"GIZMO", "OBJECTS_AHEAD"}));
  EXPECT_EQ(read_file(folder_.file("out.dxf")),
            dxf_lines(entities({"0", "LINE", "10", "1", "11", "1006.00000", "21", "2012.00000", "0",
                                "GIZMO", "10", "1002.00000", "20", "2006.00000", "0", "GIZMO", "0",
                                "OBJECTS_AHEAD"})));
}

// Only the drawing's own points count: not the header's limits, nor the
// neighbours a direction vector's derivative is taken at. The literal pass
// counts every pair of its zone, each at its Y code line.
TEST_F(AwareFailures, PointsOutsideTheAreaOfUseAreCountedWithTheFirstOne) {
  Lines drawing = section("HEADER", {"9", "$LIMMIN", "10", "500000", "20", "0", "9", "$LIMMAX",
                                     "10", "500420", "20", "297"});
  const Lines model =
      entities({"0", "LINE",  "10", "1",      "20", "2", "11", "200000", "21", "5",
                "0", "MTEXT", "10", "300000", "20", "1", "11", "1",      "21", "0"});
  drawing.insert(drawing.end(), model.begin(), model.end());
  const PassResult aware = run(drawing);
  ASSERT_TRUE(aware.completed());
  EXPECT_EQ(aware.report.points_outside_area, 2u);
  EXPECT_EQ(aware.report.first_outside_line, 29u);
  EXPECT_EQ(aware.report.first_outside_point.x, 200000.0);
  EXPECT_EQ(aware.report.first_outside_point.y, 5.0);

  PassOptions literal;
  literal.policy = RewritePolicy::literal;
  const PassResult historical =
      rewrite_dxf(folder_.file("in.dxf"), folder_.file("out.dxf"), Affine{}, literal);
  ASSERT_TRUE(historical.completed());
  EXPECT_EQ(historical.report.points_outside_area, 2u);
  EXPECT_EQ(historical.report.first_outside_line, 31u);
  EXPECT_EQ(historical.report.first_outside_point.x, 200000.0);
  EXPECT_EQ(historical.report.first_outside_point.y, 5.0);
}

TEST_F(AwareFailures, GeodataIsReportedAndLeft) {
  const Lines drawing = section("OBJECTS", {"0", "GEODATA", "10", "1", "20", "2"});
  const PassResult result = run(drawing);
  ASSERT_TRUE(result.completed());
  EXPECT_TRUE(result.report.geodata);
  EXPECT_EQ(read_file(folder_.file("out.dxf")), dxf_lines(drawing));
}

}  // namespace
}  // namespace kelvrin::dxf
