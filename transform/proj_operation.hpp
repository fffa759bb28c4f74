#pragma once

#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "transform/point_operation.hpp"
#include "transform/proj_error.hpp"

struct PJconsts;
struct pj_ctx;

namespace kelvrin::transform {

struct ProjLibrary;

// A box of source coordinates: by default every point, with no bound.
struct SourceBox {
  static constexpr double unbounded = std::numeric_limits<double>::infinity();
  double min_x = -unbounded;
  double min_y = -unbounded;
  double max_x = unbounded;
  double max_y = unbounded;

  bool holds(PlanarPoint point) const {
    return point.x >= min_x && point.x <= max_x && point.y >= min_y && point.y <= max_y;
  }
};

// A transformation that PROJ runs: a pipeline of its own, or the best
// operation PROJ knows between two coordinate systems. PROJ never goes to
// the network: grids come from `grid_folders`, then from PROJ's own folders.
// Easting (or longitude) first, whatever the systems' axis order.
class ProjOperation final : public PointOperation {
 public:
  ~ProjOperation() override;
  ProjOperation(const ProjOperation&) = delete;
  ProjOperation& operator=(const ProjOperation&) = delete;

  struct Made {
    std::unique_ptr<ProjOperation> operation;  // null when refused
    ProjError error;                           // why
  };

  static Made from_pipeline(const std::string& pipeline,
                            const std::vector<std::string>& grid_folders);

  // `source` and `target`: what PROJ accepts as a system ("EPSG:3763", a
  // PROJ string, WKT). The most accurate operation that changes the datum
  // is taken, a ballpark one only when PROJ knows no other; when it needs a
  // grid PROJ does not have, it is refused naming the grid. Its results are
  // marked outside_area for source points outside its area of use.
  static Made between(const std::string& source, const std::string& target,
                      const std::vector<std::string>& grid_folders);

  PointResult forward(PlanarPoint source) const override;
  // A PROJ operation keeps state of its own between points.
  bool concurrent() const override { return false; }

  const std::string& name() const { return name_; }
  double accuracy() const { return accuracy_; }  // metres; negative when unknown
  // A ballpark operation leaves out the change of datum (PROJ's "Ballpark
  // geographic offset"): off by tens or hundreds of metres.
  bool ballpark() const { return ballpark_; }
  // Where the operation is meant to be used, in source coordinates.
  const SourceBox& area() const { return area_; }
  // Whether it yields longitudes and latitudes, in degrees.
  bool target_geographic() const { return target_geographic_; }

 private:
  explicit ProjOperation(const ProjLibrary* proj) : proj_(proj) {}

  const ProjLibrary* proj_;
  pj_ctx* context_ = nullptr;
  PJconsts* operation_ = nullptr;
  std::string name_;
  double accuracy_ = -1.0;
  bool ballpark_ = false;
  SourceBox area_;
  bool target_geographic_ = false;
};

// Whether PROJ reads `definition` as a coordinate system. Its database is
// looked for in `data_folders` first, as a conversion looks for it: a
// Windows build keeps proj.db beside the program, where PROJ by itself does
// not look.
bool proj_knows_system(const std::string& definition, const std::vector<std::string>& data_folders);

// A projected coordinate system as PROJ's database describes it, for a
// drawing that names its system in the words of CAD programs.
struct SystemDescription {
  struct Parameter {
    std::string name;  // EPSG's: "Longitude of natural origin"
    double value = 0.0;
    std::string unit;  // "degree", "metre" or "unity"
  };
  std::string name;    // "Datum 73 / Modified Portuguese Grid"
  std::string code;    // its EPSG code, empty when it has none
  std::string method;  // "Transverse Mercator"
  std::vector<Parameter> parameters;
  std::string datum_name;
  std::string datum_code;
  std::string ellipsoid_name;
  std::string ellipsoid_code;
  double semi_major = 0.0;  // metres
  double semi_minor = 0.0;
  std::string prime_meridian;
  double prime_meridian_longitude = 0.0;  // degrees from Greenwich
  // The most accurate shift of the datum to WGS 84 PROJ knows, where it is
  // a Helmert transformation: its name, accuracy (metres, negative when
  // unknown) and seven parameters in the position-vector convention
  // (metres, arc-seconds, parts per million); none otherwise.
  std::string shift_name;
  double shift_accuracy = -1.0;
  std::vector<double> to_wgs84;
  // Where it is used, degrees; none when PROJ does not say.
  bool has_area = false;
  double west = 0.0, south = 0.0, east = 0.0, north = 0.0;
};

// The description of the projected system `definition` names ("EPSG:3763"),
// or none when PROJ reads no projected system there.
std::optional<SystemDescription> describe_projected_system(
    const std::string& definition, const std::vector<std::string>& data_folders);

// Why PROJ cannot be loaded (a Windows build without its DLL), or none
// when it can.
ProjError proj_unavailable_reason();

}  // namespace kelvrin::transform
