#pragma once

#include <proj.h>

#include "transform/proj_error.hpp"

namespace kelvrin::transform {

// The PROJ functions this program calls.
#define KELVRIN_PROJ_FUNCTIONS(X)                             \
  X(proj_context_create)                                      \
  X(proj_context_destroy)                                     \
  X(proj_context_errno)                                       \
  X(proj_context_errno_string)                                \
  X(proj_context_set_enable_network)                          \
  X(proj_context_set_search_paths)                            \
  X(proj_coord)                                               \
  X(proj_coordoperation_get_accuracy)                         \
  X(proj_coordoperation_get_method_info)                      \
  X(proj_coordoperation_get_param)                            \
  X(proj_coordoperation_get_param_count)                      \
  X(proj_coordoperation_get_towgs84_values)                   \
  X(proj_coordoperation_get_grid_used)                        \
  X(proj_coordoperation_get_grid_used_count)                  \
  X(proj_coordoperation_has_ballpark_transformation)          \
  X(proj_create)                                              \
  X(proj_create_crs_to_crs_from_pj)                           \
  X(proj_create_operation_factory_context)                    \
  X(proj_create_operations)                                   \
  X(proj_crs_get_coordoperation)                              \
  X(proj_crs_get_datum_forced)                                \
  X(proj_crs_get_geodetic_crs)                                \
  X(proj_destroy)                                             \
  X(proj_ellipsoid_get_parameters)                            \
  X(proj_errno)                                               \
  X(proj_errno_reset)                                         \
  X(proj_get_area_of_use)                                     \
  X(proj_get_ellipsoid)                                       \
  X(proj_get_id_code)                                         \
  X(proj_get_name)                                            \
  X(proj_get_prime_meridian)                                  \
  X(proj_get_type)                                            \
  X(proj_info)                                                \
  X(proj_is_crs)                                              \
  X(proj_list_destroy)                                        \
  X(proj_list_get)                                            \
  X(proj_list_get_count)                                      \
  X(proj_log_level)                                           \
  X(proj_normalize_for_visualization)                         \
  X(proj_operation_factory_context_destroy)                   \
  X(proj_operation_factory_context_set_grid_availability_use) \
  X(proj_operation_factory_context_set_spatial_criterion)     \
  X(proj_prime_meridian_get_parameters)                       \
  X(proj_trans)

// PROJ, loaded the first time a conversion needs it. PROJ is a large
// library with many of its own: a conversion by the official methods, most
// of them, neither waits for it to load nor holds it in memory.
struct ProjLibrary {
#define KELVRIN_PROJ_POINTER(name) decltype(&::name) name = nullptr;
  KELVRIN_PROJ_FUNCTIONS(KELVRIN_PROJ_POINTER)
#undef KELVRIN_PROJ_POINTER
};

// The loaded library, or nullptr when it cannot be loaded; `error` then
// says why.
const ProjLibrary* proj_library(ProjError& error);

}  // namespace kelvrin::transform
