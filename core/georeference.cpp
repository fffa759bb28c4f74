#include "core/georeference.hpp"

#include <cctype>
#include <charconv>
#include <string_view>
#include <utility>

#include "core/catalogue.hpp"
#include "core/system_codes.hpp"

namespace kelvrin::core {
namespace {

using namespace system_names;

// The shortest text that reads back as `value`.
std::string shortest(double value) {
  char text[32];
  const auto written = std::to_chars(text, text + sizeof text, value);
  return {text, written.ptr};
}

std::string escaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

// An identifier in the manner of CAD programs' libraries: the name's
// letters and digits, its " / " a dot ("Datum73.ModifiedPortugueseGrid").
std::string identifier(std::string_view name) {
  std::string id;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name.substr(i, 3) == " / ") {
      id += '.';
      i += 2;
    } else if (std::isalnum(static_cast<unsigned char>(name[i])) != 0) {
      id += name[i];
    }
  }
  return id.empty() ? std::string("Unnamed") : id;
}

void add_alias(std::string& xml, std::string_view code, std::string_view type,
               std::string_view object) {
  if (code.empty()) return;
  xml += "  <Alias id=\"" + escaped(code) + "\" type=\"" + std::string(type) + "\">\n";
  xml += "    <ObjectId>" + escaped(object) + "</ObjectId>\n";
  xml += "    <Namespace>EPSG Code</Namespace>\n";
  xml += "  </Alias>\n\n";
}

void add_parameter(std::string& xml, std::string_view indent, std::string_view name, double value,
                   std::string_view unit) {
  xml += std::string(indent) + "<ParameterValue>\n";
  xml += std::string(indent) + "  <OperationParameterId>" + escaped(name) +
         "</OperationParameterId>\n";
  xml += std::string(indent) + "  <Value uom=\"" + std::string(unit) + "\">" + shortest(value) +
         "</Value>\n";
  xml += std::string(indent) + "</ParameterValue>\n";
}

std::string unit_name(std::string_view unit) {
  if (unit == "metre") return "METER";
  return std::string(unit);
}

std::string code_of(std::string_view system) {
  if (const SystemCodes* codes = codes_of(system)) return std::string(codes->epsg);
  if (system.size() > 5 && (system.substr(0, 5) == "EPSG:" || system.substr(0, 5) == "epsg:")) {
    const std::string_view code = system.substr(5);
    for (const char c : code) {
      if (std::isdigit(static_cast<unsigned char>(c)) == 0) return {};
    }
    return std::string(code);
  }
  return {};
}

std::string name_of(std::string_view code) {
  for (const SystemCodes& entry : system_codes()) {
    if (!code.empty() && entry.epsg == code) return std::string(entry.crs_name);
  }
  return {};
}

// The systems each step of the mainland procedures joins; the others
// join the route's own.
std::pair<std::string_view, std::string_view> step_systems(Procedure step) {
  switch (step) {
    case Procedure::transf_01:
    case Procedure::ntv2_01: return {etrs89_tm06, datum_73};
    case Procedure::transf_10:
    case Procedure::ntv2_10: return {datum_73, etrs89_tm06};
    case Procedure::transf_12:
    case Procedure::ntv2_12: return {datum_73, datum_lisboa};
    case Procedure::transf_21:
    case Procedure::ntv2_21: return {datum_lisboa, datum_73};
    case Procedure::ntv2_02: return {etrs89_tm06, datum_lisboa};
    case Procedure::ntv2_20: return {datum_lisboa, etrs89_tm06};
    default: return {};
  }
}

}  // namespace

std::string coordinate_system_xml(const transform::SystemDescription& system) {
  const std::string id = identifier(system.name);
  const std::string datum = identifier(system.datum_name);
  const std::string ellipsoid = identifier(system.ellipsoid_name);
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-16\" standalone=\"no\" ?>\n"
      "<Dictionary version=\"1.0\" xmlns=\"http://www.osgeo.org/mapguide/coordinatesystem\">\n\n";
  xml += "  <ProjectedCoordinateSystem id=\"" + escaped(id) + "\">\n";
  xml += "    <Name>" + escaped(id) + "</Name>\n";
  xml += "    <Description>" + escaped(system.name) + "</Description>\n";
  xml += "    <Authority>EPSG</Authority>\n";
  if (system.has_area) {
    xml +=
        "    <DomainOfValidity>\n      <Extent>\n        <GeographicElement>\n"
        "          <GeographicBoundingBox>\n";
    xml += "            <WestBoundLongitude>" + shortest(system.west) + "</WestBoundLongitude>\n";
    xml += "            <EastBoundLongitude>" + shortest(system.east) + "</EastBoundLongitude>\n";
    xml += "            <SouthBoundLatitude>" + shortest(system.south) + "</SouthBoundLatitude>\n";
    xml += "            <NorthBoundLatitude>" + shortest(system.north) + "</NorthBoundLatitude>\n";
    xml +=
        "          </GeographicBoundingBox>\n        </GeographicElement>\n      </Extent>\n"
        "    </DomainOfValidity>\n";
  }
  xml += "    <DatumId>" + escaped(datum) + "</DatumId>\n";
  xml +=
      "    <Axis uom=\"METER\">\n"
      "      <CoordinateSystemAxis>\n        <AxisOrder>1</AxisOrder>\n"
      "        <AxisName>Easting</AxisName>\n        <AxisAbbreviation>E</AxisAbbreviation>\n"
      "        <AxisDirection>east</AxisDirection>\n      </CoordinateSystemAxis>\n"
      "      <CoordinateSystemAxis>\n        <AxisOrder>2</AxisOrder>\n"
      "        <AxisName>Northing</AxisName>\n        <AxisAbbreviation>N</AxisAbbreviation>\n"
      "        <AxisDirection>north</AxisDirection>\n      </CoordinateSystemAxis>\n"
      "    </Axis>\n";
  xml += "    <Conversion>\n      <Projection>\n";
  xml += "        <OperationMethodId>" + escaped(system.method) + "</OperationMethodId>\n";
  for (const auto& parameter : system.parameters) {
    add_parameter(xml, "        ", parameter.name, parameter.value, unit_name(parameter.unit));
  }
  xml += "      </Projection>\n    </Conversion>\n  </ProjectedCoordinateSystem>\n\n";
  add_alias(xml, system.code, "CoordinateSystem", id);

  xml += "  <GeodeticDatum id=\"" + escaped(datum) + "\">\n";
  xml += "    <Name>" + escaped(datum) + "</Name>\n";
  xml += "    <Description>" + escaped(system.datum_name) + "</Description>\n";
  xml += "    <Authority>EPSG</Authority>\n";
  xml +=
      "    <PrimeMeridianId>" + escaped(identifier(system.prime_meridian)) + "</PrimeMeridianId>\n";
  xml += "    <EllipsoidId>" + escaped(ellipsoid) + "</EllipsoidId>\n";
  xml += "  </GeodeticDatum>\n\n";
  add_alias(xml, system.datum_code, "Datum", datum);

  xml += "  <Ellipsoid id=\"" + escaped(ellipsoid) + "\">\n";
  xml += "    <Name>" + escaped(ellipsoid) + "</Name>\n";
  xml += "    <Description>" + escaped(system.ellipsoid_name) + "</Description>\n";
  xml += "    <Authority>EPSG</Authority>\n";
  xml += "    <SemiMajorAxis uom=\"meter\">" + shortest(system.semi_major) + "</SemiMajorAxis>\n";
  xml += "    <SecondDefiningParameter>\n      <SemiMinorAxis uom=\"meter\">" +
         shortest(system.semi_minor) + "</SemiMinorAxis>\n    </SecondDefiningParameter>\n";
  xml += "  </Ellipsoid>\n\n";
  add_alias(xml, system.ellipsoid_code, "Ellipsoid", ellipsoid);

  if (system.to_wgs84.size() == 7) {
    const std::string shift = datum + "_to_WGS84";
    xml += "  <Transformation id=\"" + escaped(shift) + "\">\n";
    xml += "    <Name>" + escaped(shift) + "</Name>\n";
    xml += "    <Description>" + escaped(system.shift_name) + "</Description>\n";
    xml += "    <Authority>EPSG</Authority>\n";
    if (system.shift_accuracy >= 0.0) {
      xml += "    <CoordinateOperationAccuracy>\n      <Accuracy uom=\"meter\">" +
             shortest(system.shift_accuracy) + "</Accuracy>\n    </CoordinateOperationAccuracy>\n";
    }
    xml += "    <SourceDatumId>" + escaped(datum) + "</SourceDatumId>\n";
    xml += "    <TargetDatumId>WGS84</TargetDatumId>\n";
    xml += "    <IsReversible>true</IsReversible>\n";
    xml += "    <OperationMethod>\n";
    xml += "      <OperationMethodId>Position Vector transformation</OperationMethodId>\n";
    static constexpr std::pair<std::string_view, std::string_view> parameters[7] = {
        {"X-axis translation", "meter"},          {"Y-axis translation", "meter"},
        {"Z-axis translation", "meter"},          {"X-axis rotation", "arc-second"},
        {"Y-axis rotation", "arc-second"},        {"Z-axis rotation", "arc-second"},
        {"Scale difference", "parts per million"}};
    for (std::size_t i = 0; i < 7; ++i) {
      add_parameter(xml, "      ", parameters[i].first, system.to_wgs84[i], parameters[i].second);
    }
    xml += "    </OperationMethod>\n  </Transformation>\n\n";
  }
  xml += "</Dictionary>\n";
  return xml;
}

dxf::GeoreferenceSystems georeference_systems(Procedure step, const std::string& source,
                                              const std::string& target,
                                              const std::vector<std::string>& data_folders) {
  auto [from, to] = step_systems(step);
  if (from.empty()) {
    from = source;
    to = target;
  }
  dxf::GeoreferenceSystems systems;
  systems.source_code = code_of(from);
  systems.source_name = name_of(systems.source_code);
  systems.target_code = code_of(to);
  if (!systems.target_code.empty()) {
    systems.target_definition = [code = systems.target_code, data_folders]() -> std::string {
      const auto described = transform::describe_projected_system("EPSG:" + code, data_folders);
      return described ? coordinate_system_xml(*described) : std::string();
    };
  }
  return systems;
}

}  // namespace kelvrin::core
