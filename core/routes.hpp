#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

namespace kelvrin::core {

// The transformation procedures, named after the systems they join
// (transf_104: from system 10 to system 4).
enum class Procedure {
  transf_01,
  transf_10,
  transf_12,
  transf_21,
  transf_54,
  transf_64,
  transf_74,
  transf_84,
  transf_94,
  transf_104,
  transf_114,
  transf_124,
  qualquer,
  // Through the NTv2 grids of the national agency, run by PROJ (0: ETRS89
  // TM06, 1: Datum 73, 2: Datum Lisboa).
  ntv2_01,
  ntv2_10,
  ntv2_02,
  ntv2_20,
  ntv2_12,
  ntv2_21,
  // PROJ's best operation between two systems it knows.
  proj,
};

std::string_view procedure_name(Procedure procedure);

struct Route {
  std::string_view source;
  std::string_view target;  // ignored when any_target is set
  std::array<Procedure, 2> steps;
  std::size_t step_count;
  bool any_target;  // "Qualquer": the target is only a label
  bool silent;      // no completion message, the window stays open

  std::span<const Procedure> procedures() const { return {steps.data(), step_count}; }
};

std::span<const Route> all_routes();

// The targets to offer for `source`: the catalogue's, in its order, then
// every other target the route table has for it. Empty for an unknown source.
std::vector<std::string_view> offered_targets(std::string_view source);

// The route for this pair of names, compared exactly, or nullptr.
const Route* find_route(std::string_view source, std::string_view target);

}  // namespace kelvrin::core
