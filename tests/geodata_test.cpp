// A drawing's geographic reference (GEODATA) and north under the DXF-aware
// pass, with an affine operation whose points and directions are told apart
// at a glance: T(x, y) = (2x + 1000, 3y + 2000), derivative diag(2, 3).

#include "dxf/geodata.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/messages.hpp"
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
    return {PointStatus::ok, {2 * p.x + 1000, 3 * p.y + 2000}};
  }
  transform::JacobianResult derivative(PlanarPoint) const override {
    return {PointStatus::ok, {2, 0, 0, 3}};
  }
};

std::string alias_xml(const std::string& code, const std::string& name) {
  return "<?xml version=\"1.0\" encoding=\"UTF-16\" standalone=\"no\" ?>\n"
         "<Dictionary version=\"1.0\" xmlns=\"http://www.osgeo.org/mapguide/coordinatesystem\">\n"
         "  <ProjectedCoordinateSystem id=\"" +
         name + "\">\n    <Name>" + name +
         "</Name>\n  </ProjectedCoordinateSystem>\n"
         "  <Alias id=\"7001\" type=\"Ellipsoid\">\n    <ObjectId>X</ObjectId>\n"
         "    <Namespace>EPSG Code</Namespace>\n  </Alias>\n"
         "  <Alias id=\"" +
         code + "\" type=\"CoordinateSystem\">\n    <ObjectId>" + name +
         "</ObjectId>\n    <Namespace>EPSG Code</Namespace>\n  </Alias>\n</Dictionary>\n";
}

TEST(GeodataDefinition, NamesItsSystemAsReadersDo) {
  const NamedSystem named = named_system(alias_xml("3763", "ETRS89.PortugalTM06"));
  EXPECT_EQ(named.code, "3763");  // the coordinate system's alias, not the ellipsoid's
  EXPECT_EQ(named.name, "ETRS89.PortugalTM06");

  GeoreferenceSystems systems;
  systems.source_code = "3763";
  systems.source_name = "ETRS89 / Portugal TM06";
  EXPECT_TRUE(names_source(named, systems));
  EXPECT_FALSE(names_source(named_system(alias_xml("27700", "OSGB")), systems));
  // Without an alias, by name: the EPSG name, or the code, punctuation aside.
  EXPECT_TRUE(names_source(named_system("ETRS89.PortugalTM06"), systems));
  EXPECT_TRUE(names_source(named_system(" epsg:3763 "), systems));
  EXPECT_FALSE(names_source(named_system("WORLD-MERCATOR"), systems));
  // WKT: the system's own identifier, the last one.
  const NamedSystem wkt = named_system(
      "PROJCS[\"ETRS89 / Portugal TM06\",GEOGCS[\"ETRS89\",AUTHORITY[\"EPSG\",\"4258\"]],"
      "AUTHORITY[\"EPSG\",\"3763\"]]");
  EXPECT_EQ(wkt.code, "3763");
  EXPECT_EQ(wkt.name, "ETRS89 / Portugal TM06");
  EXPECT_FALSE(names_source(named_system(""), systems));
  systems.source_code.clear();  // a source without a code matches nothing
  EXPECT_FALSE(names_source(named, systems));
}

TEST(GeodataDefinition, IsSplitAsAutocadSplitsIt) {
  const std::vector<std::string> values = definition_values("ab\ncd\nef", 4);
  EXPECT_EQ(values, (std::vector<std::string>{"ab^Jc", "d^Jef"}));
  // A character of several bytes is never cut.
  EXPECT_EQ(definition_values("aaa\xC3\xA7x", 4), (std::vector<std::string>{"aaa", "\xC3\xA7x"}));
  EXPECT_TRUE(definition_values("").empty());
}

Lines geodata_object(int version, const std::string& definition) {
  Lines lines = {"0",   "GEODATA", "5",           "9A", "330",
                 "1F",  "100",     "AcDbGeoData", "90", std::to_string(version),
                 "330", "1F",      "70",          "2",  "10",
                 "10",  "20",      "20",          "30", "0.0",
                 "11",  "10",      "21",          "20", "31",
                 "0.0", "40",      "1.0",         "12", "0.0",
                 "22",  "1.0",     "95",          "1"};
  const std::vector<std::string> values = definition_values(definition, 60);
  for (std::size_t i = 0; i < values.size(); ++i) {
    lines.push_back(i + 1 < values.size() ? "303" : "301");
    lines.push_back(values[i]);
  }
  lines.insert(lines.end(), {"93", "1", "13", "5", "23", "6", "14", "-8.5", "24", "39.5"});
  return lines;
}

Lines drawing_with(const Lines& object, double north) {
  Lines lines = {"0",  "SECTION",
                 "2",  "HEADER",
                 "9",  "$EXTMIN",
                 "10", "0",
                 "20", "0",
                 "9",  "$EXTMAX",
                 "10", "20",
                 "20", "40",
                 "9",  "$NORTHDIRECTION",
                 "40", std::to_string(north),
                 "0",  "ENDSEC",
                 "0",  "SECTION",
                 "2",  "OBJECTS"};
  lines.insert(lines.end(), object.begin(), object.end());
  lines.insert(lines.end(), {"0", "ENDSEC", "0", "EOF"});
  return lines;
}

class GeodataPass : public ::testing::Test {
 protected:
  PassResult run(const Lines& drawing) {
    write_file(folder_.file("in.dxf"), dxf_lines(drawing));
    PassOptions options;
    options.georeference = &systems_;
    return rewrite_dxf(folder_.file("in.dxf"), folder_.file("out.dxf"), Affine{}, options);
  }
  std::string output() const { return read_file(folder_.file("out.dxf")); }

  testing::TempFolder folder_;
  GeoreferenceSystems systems_{"3763", "ETRS89 / Portugal TM06", "27493",
                               [] { return alias_xml("27493", "Datum73.Grid"); }};
};

// North (0, 1) carried by diag(2, 3) and kept a unit vector: (0, 1) again;
// the header's north, 0.5 rad clockwise from +Y, turns as the plan does.
double turned_north(double north) {
  const double direction = M_PI / 2 - north;
  return M_PI / 2 - std::atan2(3 * std::sin(direction), 2 * std::cos(direction));
}

TEST_F(GeodataPass, ItsSystemBecomesTheTarget) {
  const PassResult result = run(drawing_with(geodata_object(3, alias_xml("3763", "TM06")), 0.5));
  ASSERT_TRUE(result.completed());
  EXPECT_TRUE(result.report.geodata);
  EXPECT_EQ(result.report.geodata_system, PassReport::GeodataSystem::target);
  EXPECT_EQ(result.report.geodata_named, "EPSG:3763");
  EXPECT_EQ(core::messages::geodata_warning(result.report, "a.dxf"), "");

  const std::string out = output();
  // Design and reference points, and the mesh's WCS point, through T; the
  // mesh's geographic point stays.
  EXPECT_NE(out.find("10\r\n1020.00000\r\n20\r\n2060.00000\r\n"), std::string::npos) << out;
  EXPECT_NE(out.find("11\r\n1020.00000\r\n21\r\n2060.00000\r\n"), std::string::npos);
  EXPECT_NE(out.find("13\r\n1010.00000\r\n23\r\n2018.00000\r\n14\r\n-8.5\r\n24\r\n39.5\r\n"),
            std::string::npos);
  // The definition is the target's, as a reader finds it again.
  std::string definition;
  for (std::size_t at = out.find("\n30"); at != std::string::npos; at = out.find("\n30", at + 1)) {
    if (out.compare(at + 1, 5, "303\r\n") != 0 && out.compare(at + 1, 5, "301\r\n") != 0) continue;
    const std::size_t value = at + 6;
    std::string text = out.substr(value, out.find("\r\n", value) - value);
    for (std::size_t j = text.find("^J"); j != std::string::npos; j = text.find("^J", j)) {
      text.replace(j, 2, "\n");
    }
    definition += text;
  }
  EXPECT_EQ(definition, alias_xml("27493", "Datum73.Grid"));
  const std::size_t north = out.find("$NORTHDIRECTION\r\n40\r\n");
  ASSERT_NE(north, std::string::npos);
  EXPECT_NEAR(std::stod(out.substr(north + 22)), turned_north(0.5), 1e-12);
}

TEST_F(GeodataPass, NorthTurnsWithThePlan) {
  Lines object = geodata_object(2, alias_xml("3763", "TM06"));
  const auto north = std::find(object.begin(), object.end(), "12");
  *(north + 1) = "1.0";  // north along +X
  *(north + 3) = "1.0";  // and +Y: 45 degrees
  run(drawing_with(object, 0.0));
  const std::string out = output();
  const double length = std::hypot(2.0, 3.0);
  const std::size_t at = out.find("\r\n12\r\n");
  ASSERT_NE(at, std::string::npos);
  std::size_t next = 0;
  const double x = std::stod(out.substr(at + 6), &next);
  const double y = std::stod(out.substr(out.find("22\r\n", at) + 4));
  EXPECT_NEAR(x, 2 / length * std::sqrt(2.0), 1e-12);
  EXPECT_NEAR(y, 3 / length * std::sqrt(2.0), 1e-12);
}

TEST_F(GeodataPass, AnotherSystemKeepsItsDefinitionAndIsTold) {
  const Lines object = geodata_object(3, alias_xml("27700", "OSGB1936.NationalGrid"));
  const PassResult result = run(drawing_with(object, 0.0));
  ASSERT_TRUE(result.completed());
  EXPECT_EQ(result.report.geodata_system, PassReport::GeodataSystem::other);
  EXPECT_NE(core::messages::geodata_warning(result.report, "a.dxf").find("EPSG:27700"),
            std::string::npos);
  const std::string out = output();
  // Its design point follows the drawing; its reference point and mesh, in
  // its own system, stay with its definition.
  EXPECT_NE(out.find("10\r\n1020.00000\r\n20\r\n2060.00000\r\n"), std::string::npos);
  EXPECT_NE(out.find("11\r\n10\r\n21\r\n20\r\n"), std::string::npos);
  EXPECT_NE(out.find("13\r\n5\r\n23\r\n6\r\n"), std::string::npos);
  for (const std::string& value :
       definition_values(alias_xml("27700", "OSGB1936.NationalGrid"), 60)) {
    EXPECT_NE(out.find(value), std::string::npos) << value;
  }
}

TEST_F(GeodataPass, ATargetWithoutDefinitionLeavesItAndIsTold) {
  systems_.target_definition = [] { return std::string(); };
  const PassResult result = run(drawing_with(geodata_object(3, alias_xml("3763", "TM06")), 0.0));
  EXPECT_EQ(result.report.geodata_system, PassReport::GeodataSystem::target_unnamed);
  EXPECT_NE(core::messages::geodata_warning(result.report, "a.dxf").find("código EPSG"),
            std::string::npos);
  EXPECT_NE(output().find("11\r\n10\r\n21\r\n20\r\n"), std::string::npos);
}

TEST_F(GeodataPass, VersionOneMovesItsMeshIn12) {
  Lines object = {"0",  "GEODATA", "100", "AcDbGeoData", "90", "1",   "10", "10",
                  "20", "20",      "301", "EPSG:3763",   "93", "1",   "12", "5",
                  "22", "6",       "13",  "-8.5",        "14", "39.5"};
  run(drawing_with(object, 0.0));
  EXPECT_NE(output().find("12\r\n1010.00000\r\n22\r\n2018.00000\r\n13\r\n-8.5\r\n14\r\n39.5\r\n"),
            std::string::npos);
}

}  // namespace
}  // namespace kelvrin::dxf
