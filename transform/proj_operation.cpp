#include "transform/proj_operation.hpp"

#include <proj.h>

#include <algorithm>
#include <cmath>

namespace kelvrin::transform {
namespace {

pj_ctx* offline_context(const std::vector<std::string>& grid_folders) {
  pj_ctx* context = proj_context_create();
  // Our folders first, then PROJ's own (its database lives there).
  std::vector<std::string> folders = grid_folders;
  const std::string defaults = proj_info().searchpath != nullptr ? proj_info().searchpath : "";
  for (std::size_t begin = 0; begin <= defaults.size();) {
    const std::size_t end = std::min(defaults.find(':', begin), defaults.size());
    if (end > begin) folders.push_back(defaults.substr(begin, end - begin));
    begin = end + 1;
  }
  std::vector<const char*> paths;
  for (const std::string& folder : folders) paths.push_back(folder.c_str());
  proj_context_set_search_paths(context, static_cast<int>(paths.size()), paths.data());
  proj_context_set_enable_network(context, 0);
  proj_log_level(context, PJ_LOG_NONE);
  return context;
}

std::string last_error(pj_ctx* context) {
  const char* text = proj_context_errno_string(context, proj_context_errno(context));
  return text != nullptr ? text : "erro do PROJ";
}

// The first grid `operation` needs and PROJ cannot find, or empty.
std::string missing_grid(pj_ctx* context, PJ* operation) {
  const int count = proj_coordoperation_get_grid_used_count(context, operation);
  for (int i = 0; i < count; ++i) {
    const char* short_name = nullptr;
    int available = 0;
    if (proj_coordoperation_get_grid_used(context, operation, i, &short_name, nullptr, nullptr,
                                          nullptr, nullptr, nullptr, &available) != 0 &&
        available == 0) {
      return short_name != nullptr ? short_name : "?";
    }
  }
  return {};
}

}  // namespace

ProjOperation::~ProjOperation() {
  if (operation_ != nullptr) proj_destroy(operation_);
  if (context_ != nullptr) proj_context_destroy(context_);
}

ProjOperation::Made ProjOperation::from_pipeline(const std::string& pipeline,
                                                 const std::vector<std::string>& grid_folders) {
  Made made;
  std::unique_ptr<ProjOperation> operation(new ProjOperation());
  operation->context_ = offline_context(grid_folders);
  operation->operation_ = proj_create(operation->context_, pipeline.c_str());
  if (operation->operation_ == nullptr) {
    made.error = last_error(operation->context_);
    return made;
  }
  operation->name_ = pipeline;
  made.operation = std::move(operation);
  return made;
}

ProjOperation::Made ProjOperation::between(const std::string& source, const std::string& target,
                                           const std::vector<std::string>& grid_folders) {
  Made made;
  std::unique_ptr<ProjOperation> operation(new ProjOperation());
  pj_ctx* context = operation->context_ = offline_context(grid_folders);
  PJ* from = proj_create(context, source.c_str());
  PJ* to = proj_create(context, target.c_str());
  if (from == nullptr || to == nullptr) {
    made.error = "sistema desconhecido do PROJ: \"" + (from == nullptr ? source : target) + "\"";
    if (from != nullptr) proj_destroy(from);
    if (to != nullptr) proj_destroy(to);
    return made;
  }
  // Every operation PROJ knows, the most accurate first whether or not its
  // grids are here: the best one is taken or refused, never silently
  // replaced by a coarser one.
  PJ_OPERATION_FACTORY_CONTEXT* factory = proj_create_operation_factory_context(context, nullptr);
  proj_operation_factory_context_set_grid_availability_use(context, factory,
                                                           PROJ_GRID_AVAILABILITY_IGNORED);
  proj_operation_factory_context_set_spatial_criterion(context, factory,
                                                       PROJ_SPATIAL_CRITERION_PARTIAL_INTERSECTION);
  PJ_OBJ_LIST* candidates = proj_create_operations(context, from, to, factory);
  PJ* best = nullptr;
  if (candidates != nullptr && proj_list_get_count(candidates) > 0) {
    best = proj_list_get(context, candidates, 0);
  }
  if (candidates != nullptr) proj_list_destroy(candidates);
  proj_operation_factory_context_destroy(factory);
  proj_destroy(from);
  proj_destroy(to);
  if (best == nullptr) {
    made.error =
        "o PROJ não conhece nenhuma transformação entre \"" + source + "\" e \"" + target + "\"";
    return made;
  }
  made.missing_grid = missing_grid(context, best);
  if (!made.missing_grid.empty()) {
    proj_destroy(best);
    made.error = "a transformação precisa da grelha " + made.missing_grid + ", que não existe";
    return made;
  }
  const char* name = proj_get_name(best);
  operation->name_ = name != nullptr ? name : "?";
  operation->accuracy_ = proj_coordoperation_get_accuracy(context, best);
  operation->operation_ = proj_normalize_for_visualization(context, best);
  proj_destroy(best);
  if (operation->operation_ == nullptr) {
    made.error = last_error(context);
    return made;
  }
  made.operation = std::move(operation);
  return made;
}

PointResult ProjOperation::forward(PlanarPoint source) const {
  proj_errno_reset(operation_);
  const PJ_COORD result = proj_trans(operation_, PJ_FWD, proj_coord(source.x, source.y, 0, 0));
  if (proj_errno(operation_) != 0 || !std::isfinite(result.xy.x) || !std::isfinite(result.xy.y) ||
      result.xy.x == HUGE_VAL) {
    return {PointStatus::rejected, source};
  }
  return {PointStatus::ok, {result.xy.x, result.xy.y}};
}

bool proj_knows_system(const std::string& definition) {
  pj_ctx* context = offline_context({});
  PJ* system = proj_create(context, definition.c_str());
  const bool known = system != nullptr && proj_is_crs(system) != 0;
  if (system != nullptr) proj_destroy(system);
  proj_context_destroy(context);
  return known;
}

}  // namespace kelvrin::transform
