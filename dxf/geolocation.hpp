#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "dxf/line_writer.hpp"
#include "dxf/rewrite_dxf.hpp"
#include "dxf/tag_reader.hpp"

namespace kelvrin::dxf {

// What a new geographic reference must fit into, read from the whole
// drawing before it is converted.
struct GeolocationSurvey {
  bool read = false;  // the file could be opened
  bool has_geodata = false;
  std::string acadver;               // $ACADVER: "AC1024" is AutoCAD 2010
  std::uint64_t handseed = 0;        // $HANDSEED, the next free handle
  std::string model_space;           // the handle of *Model_Space's BLOCK_RECORD
  std::string extension_dictionary;  // that record's own dictionary, if it has one
  bool has_class = false;            // CLASSES already defines GEODATA
};
GeolocationSurvey survey_geolocation(const PassFile& file, std::size_t buffer_size);

// Whether a drawing of this $ACADVER can hold a GEODATA object (2010 and later).
bool holds_geodata(std::string_view acadver);

// The records a drawing without a geographic reference gets, written into
// the converted drawing as the pass reaches each place: the next free
// handle raised, the class, the model space's own dictionary and the
// GEODATA object at the centre of the drawing's extents.
class Geolocation {
 public:
  Geolocation(const GeolocationSurvey& survey, std::string definition);

  // $HANDSEED as it is to be written.
  std::string handseed() const;
  // Where the design point goes: T of the extents' centre (or $INSBASE).
  void place(transform::PlanarPoint design) { design_ = design; }

  // Whether a BLOCK_RECORD (or DICTIONARY) with this handle gets an entry.
  bool is_model_space(std::string_view handle) const { return handle == survey_.model_space; }
  bool is_extension_dictionary(std::string_view handle) const {
    return !survey_.extension_dictionary.empty() && handle == survey_.extension_dictionary;
  }
  bool needs_dictionary() const { return survey_.extension_dictionary.empty(); }

  void write_class(LineWriter& out) const;
  void write_dictionary_link(LineWriter& out) const;   // on the BLOCK_RECORD
  void write_dictionary_entry(LineWriter& out) const;  // in an existing dictionary
  void write_objects(LineWriter& out) const;           // at the end of OBJECTS

 private:
  std::string dictionary_handle() const;
  std::string geodata_handle() const;

  GeolocationSurvey survey_;
  std::string definition_;
  transform::PlanarPoint design_;
};

}  // namespace kelvrin::dxf
