// Angles and sizes follow the transformation's local rotation and scale, as
// the points around them do: under a similarity that turns by 30 degrees
// and doubles, an arc's ends stay where its radius and angles put them.
// Blocks that one insert places follow the transformation itself.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "dxf/rewrite_dxf.hpp"
#include "tests/test_support.hpp"

namespace kelvrin::dxf {
namespace {

using Lines = std::vector<std::string>;
using Tags = std::vector<std::pair<int, std::string>>;

constexpr double turn_degrees = 30.0;
constexpr double scale = 2.0;

// T(p) = (1000, 2000) + 2 R(30 degrees) p, or a plain shift.
class Similarity final : public transform::PointOperation {
 public:
  explicit Similarity(bool shift_only = false) : shift_only_(shift_only) {}
  PointResult forward(PlanarPoint p) const override {
    if (shift_only_) return {PointStatus::ok, {p.x + 1000, p.y + 2000}};
    const double a = turn_degrees * std::numbers::pi / 180.0;
    return {PointStatus::ok,
            {1000 + scale * (std::cos(a) * p.x - std::sin(a) * p.y),
             2000 + scale * (std::sin(a) * p.x + std::cos(a) * p.y)}};
  }

 private:
  bool shift_only_;
};

Lines entities(const Lines& body) {
  Lines lines = {"0", "SECTION", "2", "ENTITIES"};
  lines.insert(lines.end(), body.begin(), body.end());
  lines.insert(lines.end(), {"0", "ENDSEC", "0", "EOF"});
  return lines;
}

Tags convert_drawing(const Lines& drawing, const transform::PointOperation& operation) {
  testing::TempFolder folder;
  testing::write_file(folder.file("in.dxf"), testing::dxf_lines(drawing));
  const PassResult result = rewrite_dxf(folder.file("in.dxf"), folder.file("out.dxf"), operation);
  EXPECT_TRUE(result.completed()) << static_cast<int>(result.failure) << " " << result.line;
  const auto lines = testing::split_crlf(testing::read_file(folder.file("out.dxf")));
  Tags tags;
  for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
    tags.emplace_back(std::stoi(lines[i]), lines[i + 1]);
  }
  return tags;
}

Tags convert(const Lines& body, bool shift_only = false) {
  Tags tags = convert_drawing(entities(body), Similarity(shift_only));
  // The entities alone.
  return Tags(tags.begin() + 2, tags.end() - 2);
}

// The numbers of every tag of `code`, in order.
std::vector<double> values(const Tags& tags, int code) {
  std::vector<double> found;
  for (const auto& [tag_code, value] : tags) {
    if (tag_code == code) found.push_back(std::stod(value));
  }
  return found;
}

double value(const Tags& tags, int code) {
  const auto found = values(tags, code);
  EXPECT_EQ(found.size(), 1u) << "code " << code;
  return found.empty() ? NAN : found.front();
}

constexpr double tolerance = 1e-9;

TEST(AnglesAndSizes, ArcRadiusAndAnglesFollowTheMap) {
  const Tags arc = convert({"0", "ARC", "10", "10", "20", "0", "40", "5", "50", "10", "51", "350"});
  EXPECT_NEAR(value(arc, 40), 10.0, tolerance);
  EXPECT_NEAR(value(arc, 50), 40.0, tolerance);
  EXPECT_NEAR(value(arc, 51), 380.0, tolerance);  // keeps its sweep, not wrapped
}

TEST(AnglesAndSizes, AMirroredArcTurnsTheOtherWay) {
  const Tags arc = convert({"0", "ARC", "10", "10", "20", "0", "40", "5", "50", "10", "51", "80",
                            "210", "0", "220", "0", "230", "-1"});
  EXPECT_NEAR(value(arc, 40), 10.0, tolerance);
  EXPECT_NEAR(value(arc, 50), -20.0, tolerance);
  EXPECT_NEAR(value(arc, 51), 50.0, tolerance);
}

TEST(AnglesAndSizes, TextInsertAndShapeTurnAndScale) {
  const Tags text = convert(
      {"0", "TEXT", "10", "1", "20", "1", "40", "2.5", "1", "Marco", "50", "45", "41", "0.8"});
  EXPECT_NEAR(value(text, 40), 5.0, tolerance);
  EXPECT_NEAR(value(text, 50), 75.0, tolerance);
  EXPECT_EQ(values(text, 41), std::vector<double>{0.8});  // a width factor is a ratio

  const Tags insert = convert({"0",  "INSERT", "2",  "MARCO", "10", "1", "20", "1",  "30", "0",
                               "41", "0.5",    "42", "-0.5",  "43", "3", "50", "90", "44", "4"});
  EXPECT_NEAR(value(insert, 41), 1.0, tolerance);
  EXPECT_NEAR(value(insert, 42), -1.0, tolerance);
  EXPECT_EQ(values(insert, 43), std::vector<double>{3.0});  // T leaves heights alone
  EXPECT_NEAR(value(insert, 50), 120.0, tolerance);
  EXPECT_NEAR(value(insert, 44), 8.0, tolerance);

  const Tags shape = convert({"0", "SHAPE", "10", "1", "20", "1", "40", "1", "2", "S"});
  EXPECT_NEAR(value(shape, 40), 2.0, tolerance);
  EXPECT_NEAR(value(shape, 50), 30.0, tolerance);
}

TEST(AnglesAndSizes, DefaultRotationsAndScalesAreWrittenWhereTheyChange) {
  const Tags text = convert({"0", "TEXT", "10", "1", "20", "1", "40", "1", "1", "Marco"});
  EXPECT_NEAR(value(text, 50), 30.0, tolerance);
  const Tags insert = convert({"0", "INSERT", "2", "MARCO", "10", "1", "20", "1", "30", "0"});
  EXPECT_NEAR(value(insert, 41), 2.0, tolerance);
  EXPECT_NEAR(value(insert, 42), 2.0, tolerance);
  EXPECT_NEAR(value(insert, 50), 30.0, tolerance);
  const Tags mtext = convert({"0", "MTEXT", "10", "1", "20", "1", "40", "1", "1", "Marco"});
  EXPECT_NEAR(value(mtext, 11), 2 * std::cos(std::numbers::pi / 6), tolerance);
  EXPECT_NEAR(value(mtext, 21), 2 * std::sin(std::numbers::pi / 6), tolerance);
}

TEST(AnglesAndSizes, AShiftLeavesEveryAngleAndSizeAsItWas) {
  const Lines text = {"0",  "TEXT", "10", "1", "20", "1", "40", "2.50", "50", "45.0", "0", "INSERT",
                      "2",  "B",    "10", "1", "20", "1", "41", "0.50", "50", "7",    "0", "ARC",
                      "10", "1",    "20", "1", "40", "5", "50", "1e1",  "51", "20"};
  const Tags converted = convert(text, true);
  Tags expected;
  for (std::size_t i = 0; i < text.size(); i += 2) {
    expected.emplace_back(std::stoi(text[i]), text[i + 1]);
  }
  ASSERT_EQ(converted.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    if (expected[i].first == 10 || expected[i].first == 20) continue;  // moved points
    EXPECT_EQ(converted[i], expected[i]) << i;
  }
}

TEST(AnglesAndSizes, HatchArcEdgesPatternAndWidths) {
  // One counter-clockwise and one clockwise arc edge (stored as 360 - angle),
  // then the pattern with one line.
  const Tags hatch =
      convert({"0",  "HATCH", "10", "0",   "20", "0", "30", "0", "91", "1",   "92", "1",
               "93", "2",     "72", "2",   "10", "1", "20", "1", "40", "3",   "50", "0",
               "51", "90",    "73", "1",   "72", "2", "10", "1", "20", "1",   "40", "3",
               "50", "270",   "51", "360", "73", "0", "97", "0", "75", "0",   "76", "1",
               "52", "15",    "41", "2",   "77", "0", "78", "1", "53", "15",  "43", "1",
               "44", "0",     "45", "0",   "46", "1", "79", "1", "49", "0.5", "98", "0"});
  for (const double radius : values(hatch, 40)) EXPECT_NEAR(radius, 6.0, tolerance);
  const auto angles = values(hatch, 50);
  const auto ends = values(hatch, 51);
  ASSERT_EQ(angles.size(), 2u);
  ASSERT_EQ(ends.size(), 2u);
  EXPECT_NEAR(angles[0], 30.0, tolerance);
  EXPECT_NEAR(ends[0], 120.0, tolerance);
  // Clockwise from 90 to 0 turns into clockwise from 120 to 30.
  EXPECT_NEAR(angles[1], 240.0, tolerance);
  EXPECT_NEAR(ends[1], 330.0, tolerance);
  EXPECT_NEAR(value(hatch, 52), 45.0, tolerance);
  EXPECT_NEAR(value(hatch, 41), 4.0, tolerance);
  EXPECT_NEAR(value(hatch, 53), 45.0, tolerance);
  EXPECT_NEAR(value(hatch, 43), scale * std::cos(std::numbers::pi / 6), tolerance);
  EXPECT_NEAR(value(hatch, 44), scale * std::sin(std::numbers::pi / 6), tolerance);
  EXPECT_NEAR(value(hatch, 45), -scale * std::sin(std::numbers::pi / 6), tolerance);
  EXPECT_NEAR(value(hatch, 49), 1.0, tolerance);

  const Tags lwpolyline = convert({"0", "LWPOLYLINE", "90", "2", "43", "0", "10", "0", "20", "0",
                                   "40", "1", "41", "2", "10", "5", "20", "0"});
  EXPECT_EQ(values(lwpolyline, 43), std::vector<double>{0});
  EXPECT_NEAR(value(lwpolyline, 40), 2.0, tolerance);
  EXPECT_NEAR(value(lwpolyline, 41), 4.0, tolerance);
}

TEST(AnglesAndSizes, ATilted2dPolylineTakesItsHeightFromItsFirstVertexAhead) {
  // The POLYLINE's height is written before its vertices; read ahead, its
  // first vertex keeps its world height, and the second its plan position.
  const Tags tags = convert(
      {"0",   "POLYLINE", "66",  "1",   "10", "0",      "20", "0",  "30", "10",    "210", "0",
       "220", "0.6",      "230", "0.8", "0",  "VERTEX", "10", "1",  "20", "5",     "30",  "10",
       "0",   "VERTEX",   "10",  "3",   "20", "7",      "30", "10", "0",  "SEQEND"});
  const auto xs = values(tags, 10), ys = values(tags, 20), zs = values(tags, 30);
  ASSERT_EQ(zs.size(), 3u);
  EXPECT_EQ(zs[0], zs[1]);
  EXPECT_EQ(zs[1], zs[2]);
  EXPECT_NEAR(ys[1] * 0.6 + zs[1] * 0.8, 5 * 0.6 + 10 * 0.8, 1e-5);
  for (int v = 1; v <= 2; ++v) {
    const double y_before = v == 1 ? 5 : 7;
    const double x_before = v == 1 ? 1 : 3;
    const PointResult moved = Similarity().forward({-x_before, -y_before * 0.8 + 10 * 0.6});
    EXPECT_NEAR(-xs[v], moved.point.x, 1e-5) << v;
    EXPECT_NEAR(-0.8 * ys[v] + 0.6 * zs[v], moved.point.y, 1e-5) << v;
  }
}

TEST(AnglesAndSizes, ATiltedPolylineKeepsTheWorldHeightOfItsFirstVertex) {
  // Normal (0, 0.6, 0.8): OCS x = (-1, 0, 0), OCS y = (0, -0.8, 0.6).
  const Tags polyline = convert({"0", "LWPOLYLINE", "90", "1", "38", "10", "10", "1", "20", "5",
                                 "210", "0", "220", "0.6", "230", "0.8"});
  const double x = value(polyline, 10), y = value(polyline, 20), z = value(polyline, 38);
  const double world_z_before = 5 * 0.6 + 10 * 0.8;
  EXPECT_NEAR(y * 0.6 + z * 0.8, world_z_before, 1e-5);
  // Its plan position is T's.
  const PointResult moved = Similarity().forward({-1, -5 * 0.8 + 10 * 0.6});
  EXPECT_NEAR(-x, moved.point.x, 1e-5);
  EXPECT_NEAR(-0.8 * y + 0.6 * z, moved.point.y, 1e-5);
}

// A map that bends: far from the origin it is no similarity at all, so a
// block moved as a whole by its insertion point would miss T by metres.
class Bending final : public transform::PointOperation {
 public:
  PointResult forward(PlanarPoint p) const override {
    return {PointStatus::ok, {p.x + 1e-6 * p.x * p.x + 5, p.y + 1e-6 * p.x * p.y - 7}};
  }
};

Lines with_blocks(const Lines& blocks, const Lines& model) {
  Lines lines = {"0", "SECTION", "2", "BLOCKS"};
  lines.insert(lines.end(), blocks.begin(), blocks.end());
  lines.insert(lines.end(), {"0", "ENDSEC"});
  const Lines rest = entities(model);
  lines.insert(lines.end(), rest.begin(), rest.end());
  return lines;
}

// The X, Y values of every LINE start in the output, in order.
std::vector<PlanarPoint> line_starts(const Tags& tags) {
  std::vector<PlanarPoint> starts;
  for (std::size_t i = 0; i + 2 < tags.size(); ++i) {
    if (tags[i] == std::pair<int, std::string>{0, "LINE"}) {
      starts.push_back({std::stod(tags[i + 1].second), std::stod(tags[i + 2].second)});
    }
  }
  return starts;
}

// z + 1e-8 z^2 on complex numbers: conformal, as the routes are, but
// bending: over a kilometre it turns and scales the plane differently by
// 1e-5, as the grids do.
class ConformalBending final : public transform::PointOperation {
 public:
  PointResult forward(PlanarPoint p) const override {
    return {PointStatus::ok,
            {p.x + 1e-8 * (p.x * p.x - p.y * p.y) + 5, p.y + 2e-8 * p.x * p.y - 7}};
  }
};

// Where the arc with centre c, radius r and `angle` (degrees) passes.
PlanarPoint on_arc(PlanarPoint c, double r, double angle) {
  const double a = angle * std::numbers::pi / 180.0;
  return {c.x + r * std::cos(a), c.y + r * std::sin(a)};
}

TEST(AnglesAndSizes, ALongArcEndsWhereTPutsItsEnds) {
  // The bending turns and scales the plane differently at each end of a
  // 2 km arc: turned and scaled at its centre alone, its ends would miss by
  // centimetres. A clockwise HATCH edge keeps 360 - angle, its ends swapped.
  const PlanarPoint centre{50000, 20000};
  const Lines arc = {"0",  "ARC",  "10", "50000", "20", "20000",
                     "40", "1000", "50", "10",    "51", "130"};
  const Lines hatch = {"0",  "HATCH", "10", "0",    "20", "0",   "30", "0",   "91",
                       "1",  "92",    "1",  "93",   "1",  "72",  "2",  "10",  "50000",
                       "20", "20000", "40", "1000", "50", "230", "51", "350", "73",
                       "0",  "97",    "0",  "75",   "1",  "76",  "1",  "98",  "0"};
  for (const Lines& body : {arc, hatch}) {
    const Tags tags = convert_drawing(entities(body), ConformalBending{});
    const PlanarPoint moved_centre{values(tags, 10).back(), values(tags, 20).back()};
    const double radius = values(tags, 40).back();
    const bool clockwise = body == hatch;
    const double start = clockwise ? 360 - values(tags, 51).back() : values(tags, 50).back();
    const double end = clockwise ? 360 - values(tags, 50).back() : values(tags, 51).back();
    for (const auto& [old_angle, new_angle] : {std::pair{10.0, start}, std::pair{130.0, end}}) {
      const PointResult expected = ConformalBending{}.forward(on_arc(centre, 1000, old_angle));
      const PlanarPoint got = on_arc(moved_centre, radius, new_angle);
      // The centre is written to five decimals, as every point is.
      EXPECT_NEAR(got.x, expected.point.x, 1e-5) << old_angle;
      EXPECT_NEAR(got.y, expected.point.y, 1e-5) << old_angle;
    }
  }
}

TEST(BlocksPlacedOnce, AReferencePlanBoundAtTheOriginLandsWhereTLeadsIt) {
  const Lines blocks = {"0",  "BLOCK",  "2",  "Planta", "70", "0",      "10", "0",
                        "20", "0",      "0",  "LINE",   "10", "100000", "20", "50000",
                        "11", "100010", "21", "50000",  "0",  "ENDBLK"};
  const Lines model = {"0", "INSERT", "2", "PLANTA", "10", "0", "20", "0"};
  const Tags tags = convert_drawing(with_blocks(blocks, model), Bending{});
  const PointResult expected = Bending{}.forward({100000, 50000});
  ASSERT_EQ(line_starts(tags).size(), 1u);
  EXPECT_NEAR(line_starts(tags)[0].x, expected.point.x, 1e-5);
  EXPECT_NEAR(line_starts(tags)[0].y, expected.point.y, 1e-5);
  // The insert keeps its placement.
  const Tags insert(tags.end() - 6, tags.end() - 2);
  EXPECT_EQ(insert[2], (std::pair<int, std::string>{10, "0"}));
  EXPECT_EQ(insert[3], (std::pair<int, std::string>{20, "0"}));
}

TEST(BlocksPlacedOnce, ATurnedScaledOrMirroredInsertPlacesTheContentAtT) {
  // Base point (1, 1); the insert at (10, 20), turned 90 degrees, scaled 2
  // and 3: the block's (3, 2) lies at (10 - 3, 20 + 4) = (7, 24). Mirrored,
  // its OCS x runs along the world's -x: (-10 - 3, 24) seen from above.
  for (const char* normal_z : {"1", "-1"}) {
    const Lines blocks = {"0", "BLOCK", "2",  "B", "10", "1", "20", "1",
                          "0", "LINE",  "10", "3", "20", "2", "0",  "ENDBLK"};
    const Lines model = {"0",  "INSERT", "2",  "b", "10", "10", "20",  "20",
                         "41", "2",      "42", "3", "50", "90", "230", normal_z};
    const Tags tags = convert_drawing(with_blocks(blocks, model), Bending{});
    ASSERT_EQ(line_starts(tags).size(), 1u);
    const PlanarPoint moved = line_starts(tags)[0];
    // Placed again by the unchanged insert, the point is T's.
    const double mirror = normal_z[0] == '-' ? -1.0 : 1.0;
    const PlanarPoint placed{mirror * (10 - 3 * (moved.y - 1)), 20 + 2 * (moved.x - 1)};
    const PointResult expected = Bending{}.forward({mirror * 7, 24});
    EXPECT_NEAR(placed.x, expected.point.x, 1e-5) << normal_z;
    EXPECT_NEAR(placed.y, expected.point.y, 1e-5) << normal_z;
  }
}

TEST(BlocksPlacedOnce, ABlockUsedTwiceOrElsewhereMovesWithItsInserts) {
  const Lines block = {"0", "BLOCK", "2",  "B", "10", "0", "20", "0",
                       "0", "LINE",  "10", "3", "20", "2", "0",  "ENDBLK"};
  const Lines once = {"0", "INSERT", "2", "B", "10", "10", "20", "20"};
  const std::vector<Lines> other_uses = {
      {"0", "INSERT", "2", "B", "10", "30", "20", "20"},              // a second one
      {"0", "INSERT", "2", "B", "67", "1", "10", "30", "20", "20"},   // on a sheet
      {"0", "INSERT", "2", "B", "70", "3", "10", "30", "20", "20"}};  // a MINSERT
  for (const Lines& other : other_uses) {
    Lines model = once;
    model.insert(model.end(), other.begin(), other.end());
    const Tags tags = convert_drawing(with_blocks(block, model), Similarity{});
    ASSERT_EQ(line_starts(tags).size(), 1u);
    EXPECT_EQ(line_starts(tags)[0].x, 3.0);
    EXPECT_EQ(line_starts(tags)[0].y, 2.0);
  }
  // Used inside another block: copied too.
  Lines blocks = block;
  blocks.insert(blocks.end(), {"0", "BLOCK", "2", "C", "0", "INSERT", "2", "B", "0", "ENDBLK"});
  const Tags tags = convert_drawing(with_blocks(blocks, once), Similarity{});
  EXPECT_EQ(line_starts(tags)[0].x, 3.0);
}

TEST(BlocksPlacedOnce, ABlockShownOnceThroughAnotherLandsOnTThroughBoth) {
  // The plan, bound at 0,0, holds the north arrow at (100000, 50000),
  // turned 90 degrees and scaled 2: the arrow's (3, 2) lies at
  // (100000 - 4, 50000 + 6). The arrow is defined after the plan.
  const Lines blocks = {"0",  "BLOCK",  "2",  "Planta", "10", "0",      "20", "0",
                        "0",  "INSERT", "2",  "Norte",  "10", "100000", "20", "50000",
                        "41", "2",      "42", "2",      "50", "90",     "0",  "ENDBLK",
                        "0",  "BLOCK",  "2",  "Norte",  "10", "0",      "20", "0",
                        "0",  "LINE",   "10", "3",      "20", "2",      "0",  "ENDBLK"};
  const Lines model = {"0", "INSERT", "2", "PLANTA", "10", "0", "20", "0"};
  const Tags tags = convert_drawing(with_blocks(blocks, model), Bending{});
  ASSERT_EQ(line_starts(tags).size(), 1u);
  const PlanarPoint moved = line_starts(tags)[0];
  const PlanarPoint placed{100000 - 2 * moved.y, 50000 + 2 * moved.x};
  const PointResult expected = Bending{}.forward({99996, 50006});
  EXPECT_NEAR(placed.x, expected.point.x, 1e-5);
  EXPECT_NEAR(placed.y, expected.point.y, 1e-5);
  // Both inserts keep their placements.
  EXPECT_EQ(values(tags, 10)[1], 100000.0);
  EXPECT_EQ(values(tags, 50)[0], 90.0);
}

TEST(BlocksPlacedOnce, ASharedBlockInsideABlockShownOnceIsToldWhereTheWorldHasIt) {
  // The plan, bound at 0,0, holds the sheet twice: each moves it as a
  // whole, by T at its insertion point in the world.
  const Lines blocks = {"0",  "BLOCK", "2",  "Folha",  "10", "0",     "20", "0",      "0", "LINE",
                        "10", "60000", "20", "0",      "11", "1",     "21", "1",      "0", "ENDBLK",
                        "0",  "BLOCK", "2",  "Planta", "10", "0",     "20", "0",      "0", "INSERT",
                        "2",  "Folha", "10", "0",      "20", "0",     "0",  "INSERT", "2", "Folha",
                        "10", "5",     "20", "5",      "0",  "ENDBLK"};
  const Lines model = {"0", "INSERT", "2", "Planta", "10", "0", "20", "0"};
  testing::TempFolder folder;
  testing::write_file(folder.file("in.dxf"), testing::dxf_lines(with_blocks(blocks, model)));
  const PassReport report =
      rewrite_dxf(folder.file("in.dxf"), folder.file("out.dxf"), Bending{}).report;
  ASSERT_EQ(report.shared_blocks.count("FOLHA"), 1u);
  EXPECT_EQ(report.shared_blocks.at("FOLHA").inserts, 2u);
  EXPECT_GT(report.shared_blocks.at("FOLHA").largest_miss, 1.0);
}

TEST(BlocksPlacedOnce, ASharedBlockFarFromItsBasePointIsTold) {
  const auto report_of = [](const char* far) {
    const Lines blocks = {"0",  "BLOCK", "2",  "Ref", "10", "0", "20", "0", "0", "LINE",
                          "10", far,     "20", "0",   "11", "1", "21", "1", "0", "ENDBLK"};
    const Lines model = {"0",      "INSERT", "2",   "REF", "10", "0",  "20", "0",  "0",
                         "INSERT", "2",      "REF", "10",  "5",  "20", "5",  "50", "30"};
    testing::TempFolder folder;
    testing::write_file(folder.file("in.dxf"), testing::dxf_lines(with_blocks(blocks, model)));
    return rewrite_dxf(folder.file("in.dxf"), folder.file("out.dxf"), Bending{}).report;
  };
  const PassReport far = report_of("60000");
  ASSERT_EQ(far.shared_blocks.count("REF"), 1u);
  EXPECT_EQ(far.shared_blocks.at("REF").inserts, 2u);
  // 1e-6 x^2 bends 60 km of content by metres.
  EXPECT_GT(far.shared_blocks.at("REF").largest_miss, 1.0);
  EXPECT_TRUE(far.bent_blocks());
  // A symbol a metre across bends by nothing worth telling.
  EXPECT_FALSE(report_of("1").bent_blocks());
}

using testing::CubicBending;

// Where a bulge from a to b puts the segment's middle.
PlanarPoint bulge_middle(PlanarPoint a, PlanarPoint b, double bulge) {
  return {0.5 * (a.x + b.x) + 0.5 * bulge * (b.y - a.y),
          0.5 * (a.y + b.y) - 0.5 * bulge * (b.x - a.x)};
}

// How far p lies from the circle a bulge from a to b draws on.
double off_bulge(PlanarPoint a, PlanarPoint b, double bulge, PlanarPoint p) {
  const double along = (1 - bulge * bulge) / (4 * bulge);  // to the centre, per chord, leftwards
  const PlanarPoint centre{0.5 * (a.x + b.x) - along * (b.y - a.y),
                           0.5 * (a.y + b.y) + along * (b.x - a.x)};
  const double radius =
      std::hypot(b.x - a.x, b.y - a.y) * (1 + bulge * bulge) / (4 * std::abs(bulge));
  return std::abs(std::hypot(p.x - centre.x, p.y - centre.y) - radius);
}

TEST(BentArcs, ToldWithTheFirstOnesLineAndBulgesFitted) {
  // Lines 5-16, a small arc; from 17 a kilometre's, its centre on line 19.
  const std::vector<Lines> parts = {
      {"0", "ARC", "10", "50000", "20", "20000", "40", "10", "50", "10", "51", "130"},
      {"0", "ARC", "10", "50000", "20", "20000", "40", "1000", "50", "10", "51", "130"},
      {"0",  "HATCH", "10", "0", "20", "0",     "30", "0",     "91", "1",    "92", "1",
       "93", "1",     "72", "2", "10", "50000", "20", "20000", "40", "1000", "50", "230",
       "51", "350",   "73", "0", "97", "0",     "75", "1",     "76", "1",    "98", "0"},
      {"0", "LWPOLYLINE", "90", "2", "70", "0", "10", "50000", "20", "20000", "42", "0.6", "10",
       "51000", "20", "21000"},
      {"0", "POLYLINE", "66", "1", "70", "1", "10", "0", "20", "0", "30", "0"},
      {"0", "VERTEX", "10", "50000", "20", "20000"},
      {"0", "VERTEX", "10", "51000", "20", "21000", "42", "-0.6", "0", "SEQEND"}};
  Lines body;
  for (const Lines& part : parts) body.insert(body.end(), part.begin(), part.end());
  testing::TempFolder folder;
  testing::write_file(folder.file("in.dxf"), testing::dxf_lines(entities(body)));
  const PassResult result =
      rewrite_dxf(folder.file("in.dxf"), folder.file("out.dxf"), CubicBending{});
  ASSERT_TRUE(result.completed());
  EXPECT_EQ(result.report.bent_arcs, 4u);  // all but the small arc
  EXPECT_EQ(result.report.first_bent_arc_line, 19u);
  EXPECT_GT(result.report.largest_arc_miss, 0.001);
  EXPECT_LT(result.report.largest_arc_miss, 0.01);
  // Each bulge puts T of its segment's middle on the new arc: the
  // polyline's own, and the closing one of the POLYLINE, from its last
  // vertex to its first.
  const auto lines = testing::split_crlf(testing::read_file(folder.file("out.dxf")));
  Tags tags;
  for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
    tags.emplace_back(std::stoi(lines[i]), lines[i + 1]);
  }
  const std::vector<double> bulges = values(tags, 42);
  ASSERT_EQ(bulges.size(), 2u);
  const CubicBending t;
  const PlanarPoint a{50000, 20000}, b{51000, 21000};
  const struct {
    PlanarPoint from, to;
    double was, now;
  } segments[] = {{a, b, 0.6, bulges[0]}, {b, a, -0.6, bulges[1]}};
  for (const auto& segment : segments) {
    EXPECT_NE(segment.now, segment.was);
    const PlanarPoint middle = t.forward(bulge_middle(segment.from, segment.to, segment.was)).point;
    const PlanarPoint from = t.forward(segment.from).point, to = t.forward(segment.to).point;
    EXPECT_LT(off_bulge(from, to, segment.now, middle), 1e-6) << segment.was;
    // Where the bulge copied would have put it.
    EXPECT_GT(off_bulge(from, to, segment.was, middle), 1e-3) << segment.was;
  }
}

TEST(BentArcs, InABlockPlacedOnceToldInTheWorldsMetres) {
  // The same kilometre's arc drawn in the model, and at half size in a block
  // that one insert places at twice its size: as far from T, in metres.
  const auto told = [](const Lines& drawing) {
    testing::TempFolder folder;
    testing::write_file(folder.file("in.dxf"), testing::dxf_lines(drawing));
    return rewrite_dxf(folder.file("in.dxf"), folder.file("out.dxf"), CubicBending{}).report;
  };
  const PassReport model = told(
      entities({"0", "ARC", "10", "50000", "20", "20000", "40", "1000", "50", "10", "51", "130"}));
  const Lines block = {"0", "BLOCK", "2", "CURVA", "10",  "0",  "20", "0",  "0",   "ARC", "10",
                       "0", "20",    "0", "40",    "500", "50", "10", "51", "130", "0",   "ENDBLK"};
  const PassReport placed = told(with_blocks(
      block, {"0", "INSERT", "2", "CURVA", "10", "50000", "20", "20000", "41", "2", "42", "2"}));
  ASSERT_EQ(model.bent_arcs, 1u);
  ASSERT_EQ(placed.bent_arcs, 1u);
  EXPECT_NEAR(placed.largest_arc_miss, model.largest_arc_miss, 1e-9);
}

}  // namespace
}  // namespace kelvrin::dxf
