#pragma once

#include <filesystem>
#include <span>
#include <string>

#include "core/batch_references.hpp"
#include "core/job_host.hpp"
#include "dxf/rewrite_dxf.hpp"
#include "platform/file.hpp"

namespace kelvrin::core {

// The six texts that OK hands over: the source and target names and the four
// paths, as the user typed or chose them.
struct ConversionRequest {
  std::string source;
  std::string target;
  std::string input;
  std::string output;
  std::string param_x;
  std::string param_y;
  // Streams a command line may convert from and to ("-"): the input already
  // copied into a file of the host's, read through this handle; an output
  // written directly through this one, never replaced or closed. `input`
  // and `output` then only name them in messages.
  platform::FileHandle input_handle = platform::no_file;
  platform::FileHandle output_handle = platform::no_file;
  // `source` and `target` are systems as PROJ takes them (EPSG codes, PROJ
  // strings, WKT), converted by PROJ's best operation instead of a route of
  // the catalogue.
  bool proj_systems = false;
  // How the user named those systems (a name of the catalogue, a code or a
  // file as typed), for messages; empty: `source` and `target` themselves.
  // (Initialised so that a request of the six texts alone needs no more.)
  std::string source_name{};
  std::string target_name{};
  // A ballpark operation (no change of datum: off by tens or hundreds of
  // metres), the only one PROJ may know for a pair, is refused unless this
  // is set; then it converts, with a warning.
  bool allow_ballpark = false;
  // A point list's columns, as --columns names them ("P,E,N,Z,D"); empty:
  // its header names them. Drawings ignore it.
  std::string columns{};
  // The drawings converted in the same run, this one among them: its
  // references to the others point to their converted copies. Empty: none.
  std::span<const BatchDrawing> batch{};
};

enum class ConversionOutcome {
  refused,        // a check, an unknown source or an unusable output path
  no_route,       // no route for this pair of names
  completed,      // the output holds the converted drawing
  failed,         // a step failed; the input and the old output are untouched
  program_ended,  // a grid rejected a point; the host was told to end
};

struct JobSettings {
  std::filesystem::path data_folder;  // the folder of the grid files
  // Which lines are coordinates: by the drawing's structure, or by the
  // historical rule (every 10-18 / 20-28 pair from "ENTITIES" on).
  dxf::RewritePolicy policy = dxf::RewritePolicy::dxf_aware;
  // Threads a pass over a large drawing may use: 0 as many as the machine
  // has, 1 the pass alone.
  unsigned threads = 0;
  // A drawing without a geographic reference gets one for the target
  // system (DXF-aware policy, AutoCAD 2010 drawings and later).
  bool geolocate = false;
};

// One press of OK: checks the texts, finds the route, runs its procedures
// through the temporary file and puts the result at the output path, telling
// the user through `host`. On every failure the input, any file already at
// the output path and the folder are as they were before.
ConversionOutcome run_conversion(JobHost& host, const JobSettings& settings,
                                 const ConversionRequest& request);

}  // namespace kelvrin::core
