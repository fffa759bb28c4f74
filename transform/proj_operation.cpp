#include "transform/proj_operation.hpp"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string_view>
#include <utility>

#include "platform/utf8_path.hpp"
#include "transform/proj_library.hpp"

namespace kelvrin::transform {
namespace {

pj_ctx* offline_context(const ProjLibrary* proj, const std::vector<std::string>& grid_folders) {
  pj_ctx* context = proj->proj_context_create();
  // Our folders first, then PROJ's own (its database lives there).
  std::vector<std::string> folders = grid_folders;
  const std::string defaults =
      proj->proj_info().searchpath != nullptr ? proj->proj_info().searchpath : "";
  for (std::size_t begin = 0; begin <= defaults.size();) {
    const std::size_t end =
        std::min(defaults.find(platform::path_list_separator, begin), defaults.size());
    if (end > begin) folders.push_back(defaults.substr(begin, end - begin));
    begin = end + 1;
  }
  std::vector<const char*> paths;
  for (const std::string& folder : folders) paths.push_back(folder.c_str());
  proj->proj_context_set_search_paths(context, static_cast<int>(paths.size()), paths.data());
  proj->proj_context_set_enable_network(context, 0);
  proj->proj_log_level(context, PJ_LOG_NONE);
  return context;
}

ProjError last_error(const ProjLibrary* proj, pj_ctx* context) {
  const char* text = proj->proj_context_errno_string(context, proj->proj_context_errno(context));
  return {ProjFailure::refused_by_proj, {}, text != nullptr ? text : ""};
}

// The first grid `operation` needs and PROJ cannot find, or empty.
std::string missing_grid(const ProjLibrary* proj, pj_ctx* context, PJ* operation) {
  const int count = proj->proj_coordoperation_get_grid_used_count(context, operation);
  for (int i = 0; i < count; ++i) {
    const char* short_name = nullptr;
    int available = 0;
    if (proj->proj_coordoperation_get_grid_used(context, operation, i, &short_name, nullptr,
                                                nullptr, nullptr, nullptr, nullptr,
                                                &available) != 0 &&
        available == 0) {
      return short_name != nullptr ? short_name : "?";
    }
  }
  return {};
}

// Whether `operation` leaves out the change of datum: PROJ says so, or the
// name of one of its steps does.
bool is_ballpark(const ProjLibrary* proj, pj_ctx* context, PJ* operation) {
  if (proj->proj_coordoperation_has_ballpark_transformation(context, operation) == 1) return true;
  const char* name = proj->proj_get_name(operation);
  return name != nullptr && std::string_view(name).find("Ballpark") != std::string_view::npos;
}

// PROJ lists the candidates best first, and a ballpark one may come before
// a real one: the first that is not a ballpark operation, or the first of
// all when every one is.
PJ* best_candidate(const ProjLibrary* proj, pj_ctx* context, PJ_OBJ_LIST* candidates) {
  const int count = candidates != nullptr ? proj->proj_list_get_count(candidates) : 0;
  for (int i = 0; i < count; ++i) {
    PJ* candidate = proj->proj_list_get(context, candidates, i);
    if (candidate == nullptr || !is_ballpark(proj, context, candidate)) return candidate;
    proj->proj_destroy(candidate);
  }
  return count > 0 ? proj->proj_list_get(context, candidates, 0) : nullptr;
}

// An area of use: degrees of longitude and latitude.
struct DegreeBox {
  double west = 0.0;
  double south = 0.0;
  double east = 0.0;
  double north = 0.0;
};

std::optional<DegreeBox> area_of_use(const ProjLibrary* proj, pj_ctx* context, const PJ* object) {
  DegreeBox box;
  if (proj->proj_get_area_of_use(context, object, &box.west, &box.south, &box.east, &box.north,
                                 nullptr) == 0 ||
      box.west < -180.0) {  // -1000: PROJ knows the area's name only
    return std::nullopt;
  }
  return box;
}

// `area` where `by` also holds; nullopt where they do not meet. A box across
// the antimeridian (west > east) narrows nothing in longitude.
std::optional<DegreeBox> narrowed(DegreeBox area, const DegreeBox& by) {
  area.south = std::max(area.south, by.south);
  area.north = std::min(area.north, by.north);
  if (area.west <= area.east && by.west <= by.east) {
    area.west = std::max(area.west, by.west);
    area.east = std::min(area.east, by.east);
    if (area.west > area.east) return std::nullopt;
  }
  if (area.south > area.north) return std::nullopt;
  return area;
}

constexpr SourceBox nowhere{SourceBox::unbounded, SourceBox::unbounded, -SourceBox::unbounded,
                            -SourceBox::unbounded};

// `area` as a box of source coordinates: the box of its four edges, 21
// points of each carried into the source system by its own projection.
// Compared there, a point costs forward() four comparisons, where taking
// every point back to degrees would cost a second PROJ call. The edges
// bound the area's image, so a point outside the box is outside the area;
// one near a corner of the box may be outside the area and is not told.
// Unbounded when any edge point cannot be carried (an area beyond what the
// projection reaches, or across the antimeridian): a box of the points that
// could would tell points that are inside.
SourceBox source_box(const ProjLibrary* proj, pj_ctx* context, PJ* source, const DegreeBox& area) {
  if (area.west > area.east) return {};
  PJ* geodetic = proj->proj_crs_get_geodetic_crs(context, source);
  if (geodetic == nullptr) return {};
  PJ* projection =
      proj->proj_create_crs_to_crs_from_pj(context, geodetic, source, nullptr, nullptr);
  proj->proj_destroy(geodetic);
  if (projection == nullptr) return {};
  PJ* from_degrees = proj->proj_normalize_for_visualization(context, projection);
  proj->proj_destroy(projection);
  if (from_degrees == nullptr) return {};
  SourceBox box = nowhere;
  constexpr int steps = 20;
  bool carried = true;
  for (int i = 0; i <= steps && carried; ++i) {
    const double along = static_cast<double>(i) / steps;
    const double longitude = area.west + along * (area.east - area.west);
    const double latitude = area.south + along * (area.north - area.south);
    for (const auto& [x, y] : {std::pair{longitude, area.south}, std::pair{longitude, area.north},
                               std::pair{area.west, latitude}, std::pair{area.east, latitude}}) {
      proj->proj_errno_reset(from_degrees);
      const PJ_COORD point = proj->proj_trans(from_degrees, PJ_FWD, proj->proj_coord(x, y, 0, 0));
      if (proj->proj_errno(from_degrees) != 0 || !std::isfinite(point.xy.x) ||
          !std::isfinite(point.xy.y)) {
        carried = false;
        break;
      }
      box.min_x = std::min(box.min_x, point.xy.x);
      box.min_y = std::min(box.min_y, point.xy.y);
      box.max_x = std::max(box.max_x, point.xy.x);
      box.max_y = std::max(box.max_y, point.xy.y);
    }
  }
  proj->proj_destroy(from_degrees);
  return carried ? box : SourceBox{};
}

// Where `operation` is meant to be used, in coordinates of `source`: its
// own area of use narrowed by the source system's, since a drawing in some
// other system lands outside the latter. The target system's area is left
// out: it tells where its coordinates are customary, not where the
// operation is right, and two neighbouring UTM zones share a meridian only.
SourceBox area_in_source(const ProjLibrary* proj, pj_ctx* context, const PJ* operation,
                         PJ* source) {
  std::optional<DegreeBox> area = area_of_use(proj, context, operation);
  if (const auto source_area = area_of_use(proj, context, source)) {
    if (!area) {
      area = source_area;
    } else if (area = narrowed(*area, *source_area); !area) {
      return nowhere;
    }
  }
  return area ? source_box(proj, context, source, *area) : SourceBox{};
}

}  // namespace

ProjOperation::~ProjOperation() {
  if (operation_ != nullptr) proj_->proj_destroy(operation_);
  if (context_ != nullptr) proj_->proj_context_destroy(context_);
}

ProjOperation::Made ProjOperation::from_pipeline(const std::string& pipeline,
                                                 const std::vector<std::string>& grid_folders) {
  Made made;
  const ProjLibrary* proj = proj_library(made.error);
  if (proj == nullptr) return made;
  std::unique_ptr<ProjOperation> operation(new ProjOperation(proj));
  operation->context_ = offline_context(proj, grid_folders);
  operation->operation_ = proj->proj_create(operation->context_, pipeline.c_str());
  if (operation->operation_ == nullptr) {
    made.error = last_error(proj, operation->context_);
    return made;
  }
  operation->name_ = pipeline;
  made.operation = std::move(operation);
  return made;
}

ProjOperation::Made ProjOperation::between(const std::string& source, const std::string& target,
                                           const std::vector<std::string>& grid_folders) {
  Made made;
  const ProjLibrary* proj = proj_library(made.error);
  if (proj == nullptr) return made;
  std::unique_ptr<ProjOperation> operation(new ProjOperation(proj));
  pj_ctx* context = operation->context_ = offline_context(proj, grid_folders);
  PJ* from = proj->proj_create(context, source.c_str());
  PJ* to = proj->proj_create(context, target.c_str());
  if (from == nullptr || to == nullptr) {
    made.error.failure =
        from == nullptr ? ProjFailure::unknown_source : ProjFailure::unknown_target;
    if (from != nullptr) proj->proj_destroy(from);
    if (to != nullptr) proj->proj_destroy(to);
    return made;
  }
  // Every operation PROJ knows, the most accurate first whether or not its
  // grids are here: the best one is taken or refused, never silently
  // replaced by a coarser one.
  PJ_OPERATION_FACTORY_CONTEXT* factory =
      proj->proj_create_operation_factory_context(context, nullptr);
  proj->proj_operation_factory_context_set_grid_availability_use(context, factory,
                                                                 PROJ_GRID_AVAILABILITY_IGNORED);
  proj->proj_operation_factory_context_set_spatial_criterion(
      context, factory, PROJ_SPATIAL_CRITERION_PARTIAL_INTERSECTION);
  PJ_OBJ_LIST* candidates = proj->proj_create_operations(context, from, to, factory);
  PJ* best = best_candidate(proj, context, candidates);
  if (candidates != nullptr) proj->proj_list_destroy(candidates);
  proj->proj_operation_factory_context_destroy(factory);
  if (best != nullptr) {
    operation->ballpark_ = is_ballpark(proj, context, best);
    operation->area_ = area_in_source(proj, context, best, from);
  }
  const PJ_TYPE target_type = proj->proj_get_type(to);
  operation->target_geographic_ =
      target_type == PJ_TYPE_GEOGRAPHIC_2D_CRS || target_type == PJ_TYPE_GEOGRAPHIC_3D_CRS;
  proj->proj_destroy(from);
  proj->proj_destroy(to);
  if (best == nullptr) {
    made.error.failure = ProjFailure::no_operation;
    return made;
  }
  if (std::string grid = missing_grid(proj, context, best); !grid.empty()) {
    proj->proj_destroy(best);
    made.error = {ProjFailure::grid_missing, std::move(grid), {}};
    return made;
  }
  const char* name = proj->proj_get_name(best);
  operation->name_ = name != nullptr ? name : "?";
  operation->accuracy_ = proj->proj_coordoperation_get_accuracy(context, best);
  operation->operation_ = proj->proj_normalize_for_visualization(context, best);
  proj->proj_destroy(best);
  if (operation->operation_ == nullptr) {
    made.error = last_error(proj, context);
    return made;
  }
  made.operation = std::move(operation);
  return made;
}

PointResult ProjOperation::forward(PlanarPoint source) const {
  const ProjLibrary* proj = proj_;
  proj->proj_errno_reset(operation_);
  const PJ_COORD result =
      proj->proj_trans(operation_, PJ_FWD, proj->proj_coord(source.x, source.y, 0, 0));
  if (proj->proj_errno(operation_) != 0 || !std::isfinite(result.xy.x) ||
      !std::isfinite(result.xy.y) || result.xy.x == HUGE_VAL) {
    return {PointStatus::rejected, source};
  }
  return {PointStatus::ok, {result.xy.x, result.xy.y}, !area_.holds(source)};
}

bool proj_knows_system(const std::string& definition,
                       const std::vector<std::string>& data_folders) {
  ProjError error;
  const ProjLibrary* proj = proj_library(error);
  if (proj == nullptr) return false;
  pj_ctx* context = offline_context(proj, data_folders);
  PJ* system = proj->proj_create(context, definition.c_str());
  const bool known = system != nullptr && proj->proj_is_crs(system) != 0;
  if (system != nullptr) proj->proj_destroy(system);
  proj->proj_context_destroy(context);
  return known;
}

namespace {

std::string text_or_empty(const char* text) { return text != nullptr ? text : ""; }

// The projection's method and parameters; false when `system` has none.
bool describe_conversion(const ProjLibrary* proj, pj_ctx* context, const PJ* system,
                         SystemDescription& description) {
  PJ* conversion = proj->proj_crs_get_coordoperation(context, system);
  if (conversion == nullptr) return false;
  const char* method = nullptr;
  proj->proj_coordoperation_get_method_info(context, conversion, &method, nullptr, nullptr);
  description.method = text_or_empty(method);
  const int count = proj->proj_coordoperation_get_param_count(context, conversion);
  for (int i = 0; i < count; ++i) {
    const char* name = nullptr;
    double value = 0.0;
    double unit_factor = 1.0;
    const char* category = nullptr;
    if (proj->proj_coordoperation_get_param(context, conversion, i, &name, nullptr, nullptr, &value,
                                            nullptr, &unit_factor, nullptr, nullptr, nullptr,
                                            &category) == 0) {
      continue;
    }
    const std::string kind = text_or_empty(category);
    SystemDescription::Parameter parameter{text_or_empty(name), value, "unity"};
    // Angles in degrees and lengths in metres, whatever unit the database keeps.
    if (kind == "angular") {
      parameter.value = value * unit_factor * 180.0 / 3.14159265358979323846;
      parameter.unit = "degree";
    } else if (kind == "linear") {
      parameter.value = value * unit_factor;
      parameter.unit = "metre";
    } else if (kind == "scale") {
      parameter.value = value * unit_factor;
    }
    description.parameters.push_back(std::move(parameter));
  }
  proj->proj_destroy(conversion);
  return true;
}

void describe_datum(const ProjLibrary* proj, pj_ctx* context, const PJ* system,
                    SystemDescription& description) {
  if (PJ* datum = proj->proj_crs_get_datum_forced(context, system)) {
    description.datum_name = text_or_empty(proj->proj_get_name(datum));
    description.datum_code = text_or_empty(proj->proj_get_id_code(datum, 0));
    proj->proj_destroy(datum);
  }
  if (PJ* ellipsoid = proj->proj_get_ellipsoid(context, system)) {
    description.ellipsoid_name = text_or_empty(proj->proj_get_name(ellipsoid));
    description.ellipsoid_code = text_or_empty(proj->proj_get_id_code(ellipsoid, 0));
    proj->proj_ellipsoid_get_parameters(context, ellipsoid, &description.semi_major,
                                        &description.semi_minor, nullptr, nullptr);
    proj->proj_destroy(ellipsoid);
  }
  if (PJ* meridian = proj->proj_get_prime_meridian(context, system)) {
    description.prime_meridian = text_or_empty(proj->proj_get_name(meridian));
    double longitude = 0.0;
    double factor = 1.0;
    proj->proj_prime_meridian_get_parameters(context, meridian, &longitude, &factor, nullptr);
    description.prime_meridian_longitude = longitude * factor * 180.0 / 3.14159265358979323846;
    proj->proj_destroy(meridian);
  }
}

// The best operation from the system's datum to WGS 84, where it is a
// Helmert transformation.
void describe_shift(const ProjLibrary* proj, pj_ctx* context, const PJ* system,
                    SystemDescription& description) {
  PJ* geodetic = proj->proj_crs_get_geodetic_crs(context, system);
  PJ* wgs84 = proj->proj_create(context, "EPSG:4326");
  if (geodetic != nullptr && wgs84 != nullptr) {
    PJ_OPERATION_FACTORY_CONTEXT* factory =
        proj->proj_create_operation_factory_context(context, nullptr);
    PJ_OBJ_LIST* candidates = proj->proj_create_operations(context, geodetic, wgs84, factory);
    if (PJ* best = best_candidate(proj, context, candidates)) {
      double values[7] = {};
      if (!is_ballpark(proj, context, best) &&
          proj->proj_coordoperation_get_towgs84_values(context, best, values, 7, 0) != 0) {
        description.shift_name = text_or_empty(proj->proj_get_name(best));
        description.shift_accuracy = proj->proj_coordoperation_get_accuracy(context, best);
        description.to_wgs84.assign(values, values + 7);
      }
      proj->proj_destroy(best);
    }
    if (candidates != nullptr) proj->proj_list_destroy(candidates);
    proj->proj_operation_factory_context_destroy(factory);
  }
  if (geodetic != nullptr) proj->proj_destroy(geodetic);
  if (wgs84 != nullptr) proj->proj_destroy(wgs84);
}

}  // namespace

std::optional<SystemDescription> describe_projected_system(
    const std::string& definition, const std::vector<std::string>& data_folders) {
  ProjError error;
  const ProjLibrary* proj = proj_library(error);
  if (proj == nullptr) return std::nullopt;
  pj_ctx* context = offline_context(proj, data_folders);
  std::optional<SystemDescription> result;
  PJ* system = proj->proj_create(context, definition.c_str());
  if (system != nullptr && proj->proj_get_type(system) == PJ_TYPE_PROJECTED_CRS) {
    SystemDescription description;
    description.name = text_or_empty(proj->proj_get_name(system));
    description.code = text_or_empty(proj->proj_get_id_code(system, 0));
    if (describe_conversion(proj, context, system, description)) {
      describe_datum(proj, context, system, description);
      describe_shift(proj, context, system, description);
      if (const auto area = area_of_use(proj, context, system)) {
        description.has_area = true;
        description.west = area->west;
        description.south = area->south;
        description.east = area->east;
        description.north = area->north;
      }
      result = std::move(description);
    }
  }
  if (system != nullptr) proj->proj_destroy(system);
  proj->proj_context_destroy(context);
  return result;
}

ProjError proj_unavailable_reason() {
  ProjError error;
  proj_library(error);
  return error;
}

}  // namespace kelvrin::transform
