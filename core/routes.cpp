#include "core/routes.hpp"

#include <algorithm>

#include "core/catalogue.hpp"

namespace kelvrin::core {
namespace {

using namespace system_names;
using P = Procedure;

constexpr Route one_step(std::string_view source, std::string_view target, Procedure p) {
  return {source, target, {p, p}, 1, false, false};
}

constexpr Route two_steps(std::string_view source, std::string_view target, Procedure first,
                          Procedure second) {
  return {source, target, {first, second}, 2, false, false};
}

// A conversion between ETRS89 TM06 and Datum Lisboa always passes through
// Datum 73: the grids join Datum 73 and Datum Lisboa only.
constexpr Route routes[] = {
    one_step(etrs89_tm06, datum_73, P::transf_01),
    two_steps(etrs89_tm06, datum_lisboa, P::transf_01, P::transf_12),
    one_step(datum_73, etrs89_tm06, P::transf_10),
    one_step(datum_73, datum_lisboa, P::transf_12),
    two_steps(datum_lisboa, etrs89_tm06, P::transf_21, P::transf_10),
    one_step(datum_lisboa, datum_73, P::transf_21),
    one_step(sao_braz, utm26_itrf93, P::transf_54),
    one_step(faial, utm26_itrf93, P::transf_64),
    one_step(graciosa, utm26_itrf93, P::transf_74),
    one_step(pico, utm26_itrf93, P::transf_84),
    one_step(sao_jorge, utm26_itrf93, P::transf_94),
    one_step(terceira, utm26_itrf93, P::transf_104),
    one_step(observatorio, utm25_itrf93, P::transf_114),
    one_step(madeira, utm28_itrf93, P::transf_124),
    // "Qualquer" takes any target name, the empty one included, as a label.
    {qualquer, {}, {P::qualquer, P::qualquer}, 1, true, true},
    one_step(etrs89_tm06, datum_73_ntv2, P::ntv2_01),
    one_step(etrs89_tm06, datum_lisboa_ntv2, P::ntv2_02),
    one_step(datum_73, etrs89_tm06_ntv2, P::ntv2_10),
    one_step(datum_73, datum_lisboa_ntv2, P::ntv2_12),
    one_step(datum_lisboa, etrs89_tm06_ntv2, P::ntv2_20),
    one_step(datum_lisboa, datum_73_ntv2, P::ntv2_21),
};

}  // namespace

std::string_view procedure_name(Procedure procedure) {
  switch (procedure) {
    case P::transf_01: return "transf_01";
    case P::transf_10: return "transf_10";
    case P::transf_12: return "transf_12";
    case P::transf_21: return "transf_21";
    case P::transf_54: return "transf_54";
    case P::transf_64: return "transf_64";
    case P::transf_74: return "transf_74";
    case P::transf_84: return "transf_84";
    case P::transf_94: return "transf_94";
    case P::transf_104: return "transf_104";
    case P::transf_114: return "transf_114";
    case P::transf_124: return "transf_124";
    case P::qualquer: return "qualquer";
    case P::ntv2_01: return "ntv2_01";
    case P::ntv2_10: return "ntv2_10";
    case P::ntv2_02: return "ntv2_02";
    case P::ntv2_20: return "ntv2_20";
    case P::ntv2_12: return "ntv2_12";
    case P::ntv2_21: return "ntv2_21";
    case P::proj: return "proj";
  }
  return {};
}

std::span<const Route> all_routes() { return routes; }

const Route* find_route(std::string_view source, std::string_view target) {
  for (const Route& route : routes) {
    if (route.source == source && (route.any_target || route.target == target)) return &route;
  }
  return nullptr;
}

std::vector<std::string_view> offered_targets(std::string_view source) {
  std::vector<std::string_view> targets;
  const SourceSystem* system = find_source(source);
  if (system == nullptr) return targets;
  targets.assign(system->targets.begin(), system->targets.end());
  for (const Route& route : routes) {
    if (route.source != source || route.any_target) continue;
    if (std::find(targets.begin(), targets.end(), route.target) == targets.end()) {
      targets.push_back(route.target);
    }
  }
  return targets;
}

}  // namespace kelvrin::core
