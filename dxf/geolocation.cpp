// A geographic reference for a drawing that has none: the drawing opens in
// the user's CAD program already placed in the target system.

#include "dxf/geolocation.hpp"

#include <charconv>
#include <cstdio>

#include "dxf/geodata.hpp"
#include "dxf/pass_support.hpp"
#include "dxf/section.hpp"

namespace kelvrin::dxf {
namespace {

// A group code as AutoCAD writes it, right-aligned in three columns.
void write_tag(LineWriter& out, int code, std::string_view value) {
  char text[16];
  std::snprintf(text, sizeof text, "%3d", code);
  out.write_line(text);
  out.write_line(value);
}

std::string hex(std::uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(value));
  return text;
}

std::string number_text(double value) {
  char text[32];
  const auto written = std::to_chars(text, text + sizeof text, value);
  std::string out(text, written.ptr);
  if (out.find_first_of(".e") == std::string::npos) out += ".0";
  return out;
}

}  // namespace

bool holds_geodata(std::string_view acadver) {
  acadver = trim_blanks(acadver);
  return acadver.size() == 6 && acadver.substr(0, 2) == "AC" && acadver >= "AC1024";
}

GeolocationSurvey survey_geolocation(const PassFile& file, std::size_t buffer_size) {
  GeolocationSurvey survey;
  TagReader in(buffer_size);
  if (!in.open(file)) return survey;
  survey.read = true;
  Section section = Section::none;
  bool section_name = false;
  std::string record;    // the type of the record being read
  std::string variable;  // the header variable being read
  std::string handle, name, dictionary;
  bool in_dictionary_group = false;
  const auto end_record = [&] {
    if (record == "BLOCK_RECORD" && upper_case(name) == "*MODEL_SPACE") {
      survey.model_space = handle;
      survey.extension_dictionary = dictionary;
    }
    handle.clear();
    name.clear();
    dictionary.clear();
    in_dictionary_group = false;
  };
  Tag tag;
  while (in.next(tag) == TagReader::Next::tag) {
    const auto code = group_code(in.code_text(tag));
    if (!code) break;
    const std::string_view value = trim_blanks(in.value_text(tag));
    if (*code == 0) {
      end_record();
      record = value;
      if (value == "SECTION") section_name = true;
      if (value == "ENDSEC") section = Section::none;
      if (section == Section::objects && value == "GEODATA") survey.has_geodata = true;
      continue;
    }
    if (section_name && *code == 2) {
      section_name = false;
      section = section_named(value);
      if (value == "CLASSES") section = Section::other;
      continue;
    }
    switch (section) {
      case Section::header:
        if (*code == 9) variable = value;
        if (variable == "$ACADVER" && *code == 1) survey.acadver = value;
        if (variable == "$HANDSEED" && *code == 5) {
          std::uint64_t seed = 0;
          std::from_chars(value.data(), value.data() + value.size(), seed, 16);
          survey.handseed = seed;
        }
        break;
      case Section::tables:
        if (record != "BLOCK_RECORD") break;
        if (*code == 5) handle = value;
        if (*code == 2) name = value;
        if (*code == 102) in_dictionary_group = value == "{ACAD_XDICTIONARY";
        if (*code == 360 && in_dictionary_group) dictionary = value;
        break;
      case Section::other:
        if (record == "CLASS" && *code == 1 && value == "GEODATA") survey.has_class = true;
        break;
      default: break;
    }
  }
  end_record();
  return survey;
}

Geolocation::Geolocation(const GeolocationSurvey& survey, std::string definition)
    : survey_(survey), definition_(std::move(definition)) {}

std::string Geolocation::dictionary_handle() const { return hex(survey_.handseed); }

std::string Geolocation::geodata_handle() const {
  return hex(survey_.handseed + (needs_dictionary() ? 1 : 0));
}

std::string Geolocation::handseed() const {
  return hex(survey_.handseed + (needs_dictionary() ? 2 : 1));
}

void Geolocation::write_class(LineWriter& out) const {
  if (survey_.has_class) return;
  write_tag(out, 0, "CLASS");
  write_tag(out, 1, "GEODATA");
  write_tag(out, 2, "AcDbGeoData");
  write_tag(out, 3, "ObjectDBX Classes");
  write_tag(out, 90, "4095");
  write_tag(out, 91, "0");
  write_tag(out, 280, "0");
  write_tag(out, 281, "0");
}

void Geolocation::write_dictionary_link(LineWriter& out) const {
  write_tag(out, 102, "{ACAD_XDICTIONARY");
  write_tag(out, 360, dictionary_handle());
  write_tag(out, 102, "}");
}

void Geolocation::write_dictionary_entry(LineWriter& out) const {
  write_tag(out, 3, "ACAD_GEOGRAPHICDATA");
  write_tag(out, 360, geodata_handle());
}

void Geolocation::write_objects(LineWriter& out) const {
  const std::string owner = needs_dictionary() ? dictionary_handle() : survey_.extension_dictionary;
  if (needs_dictionary()) {
    write_tag(out, 0, "DICTIONARY");
    write_tag(out, 5, dictionary_handle());
    write_tag(out, 330, survey_.model_space);
    write_tag(out, 100, "AcDbDictionary");
    write_tag(out, 280, "1");
    write_tag(out, 281, "1");
    write_dictionary_entry(out);
  }
  // A local grid whose WCS is the target system itself: the design point
  // is its own reference point, north along +Y, one drawing unit a metre.
  const std::string x = number_text(design_.x);
  const std::string y = number_text(design_.y);
  write_tag(out, 0, "GEODATA");
  write_tag(out, 5, geodata_handle());
  write_tag(out, 102, "{ACAD_REACTORS");
  write_tag(out, 330, owner);
  write_tag(out, 102, "}");
  write_tag(out, 330, owner);
  write_tag(out, 100, "AcDbGeoData");
  write_tag(out, 90, "3");
  write_tag(out, 330, survey_.model_space);
  write_tag(out, 70, "1");
  for (const int code : {10, 11}) {
    write_tag(out, code, x);
    write_tag(out, code + 10, y);
    write_tag(out, code + 20, "0.0");
  }
  write_tag(out, 40, "1.0");
  write_tag(out, 91, "6");
  write_tag(out, 41, "1.0");
  write_tag(out, 92, "6");
  write_tag(out, 210, "0.0");
  write_tag(out, 220, "0.0");
  write_tag(out, 230, "1.0");
  write_tag(out, 12, "0.0");
  write_tag(out, 22, "1.0");
  write_tag(out, 95, "1");
  write_tag(out, 141, "1.0");
  write_tag(out, 294, "0");
  write_tag(out, 142, "0.0");
  write_tag(out, 143, "0.0");
  const std::vector<std::string> values = definition_values(definition_);
  for (std::size_t i = 0; i < values.size(); ++i) {
    write_tag(out, i + 1 < values.size() ? 303 : 301, values[i]);
  }
  write_tag(out, 302, "");
  write_tag(out, 305, "");
  write_tag(out, 306, "");
  write_tag(out, 307, "");
  write_tag(out, 93, "0");
  write_tag(out, 96, "0");
}

}  // namespace kelvrin::dxf
