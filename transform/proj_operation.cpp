#include "transform/proj_operation.hpp"

#include <algorithm>
#include <cmath>

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
    const std::size_t end = std::min(defaults.find(':', begin), defaults.size());
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

std::string last_error(const ProjLibrary* proj, pj_ctx* context) {
  const char* text = proj->proj_context_errno_string(context, proj->proj_context_errno(context));
  return text != nullptr ? text : "erro do PROJ";
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

// PROJ, or nullptr with the reason in `error`.
const ProjLibrary* loaded_proj(std::string& error) {
  std::string why;
  const ProjLibrary* proj = proj_library(why);
  if (proj == nullptr) error = "o PROJ não pôde ser carregado (" + why + ")";
  return proj;
}

}  // namespace

ProjOperation::~ProjOperation() {
  if (operation_ != nullptr) proj_->proj_destroy(operation_);
  if (context_ != nullptr) proj_->proj_context_destroy(context_);
}

ProjOperation::Made ProjOperation::from_pipeline(const std::string& pipeline,
                                                 const std::vector<std::string>& grid_folders) {
  Made made;
  const ProjLibrary* proj = loaded_proj(made.error);
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
  const ProjLibrary* proj = loaded_proj(made.error);
  if (proj == nullptr) return made;
  std::unique_ptr<ProjOperation> operation(new ProjOperation(proj));
  pj_ctx* context = operation->context_ = offline_context(proj, grid_folders);
  PJ* from = proj->proj_create(context, source.c_str());
  PJ* to = proj->proj_create(context, target.c_str());
  if (from == nullptr || to == nullptr) {
    made.error = "sistema desconhecido do PROJ: \"" + (from == nullptr ? source : target) + "\"";
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
  PJ* best = nullptr;
  if (candidates != nullptr && proj->proj_list_get_count(candidates) > 0) {
    best = proj->proj_list_get(context, candidates, 0);
  }
  if (candidates != nullptr) proj->proj_list_destroy(candidates);
  proj->proj_operation_factory_context_destroy(factory);
  proj->proj_destroy(from);
  proj->proj_destroy(to);
  if (best == nullptr) {
    made.error =
        "o PROJ não conhece nenhuma transformação entre \"" + source + "\" e \"" + target + "\"";
    return made;
  }
  made.missing_grid = missing_grid(proj, context, best);
  if (!made.missing_grid.empty()) {
    proj->proj_destroy(best);
    made.error = "a transformação precisa da grelha " + made.missing_grid + ", que não existe";
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
  return {PointStatus::ok, {result.xy.x, result.xy.y}};
}

bool proj_knows_system(const std::string& definition) {
  std::string error;
  const ProjLibrary* proj = loaded_proj(error);
  if (proj == nullptr) return false;
  pj_ctx* context = offline_context(proj, {});
  PJ* system = proj->proj_create(context, definition.c_str());
  const bool known = system != nullptr && proj->proj_is_crs(system) != 0;
  if (system != nullptr) proj->proj_destroy(system);
  proj->proj_context_destroy(context);
  return known;
}

}  // namespace kelvrin::transform
