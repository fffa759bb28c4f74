#include "core/catalogue.hpp"

#include <array>

namespace kelvrin::core {
namespace {

using namespace system_names;

constexpr std::array etrs89_targets{datum_73, datum_lisboa};
constexpr std::array mainland_targets{etrs89_tm06};
constexpr std::array utm26_targets{utm26_itrf93};
constexpr std::array utm25_targets{utm25_itrf93};
constexpr std::array utm28_targets{utm28_itrf93};
constexpr std::array qualquer_targets{qualquer};

// The window's ten, and the two the job takes only when typed: "ETRS89
// TM06" and "Qualquer".
constexpr std::array<SourceSystem, 12> sources{{
    {etrs89_tm06, etrs89_targets, false, false},
    {datum_73, mainland_targets, true, false},
    {datum_lisboa, mainland_targets, true, false},
    {sao_braz, utm26_targets, true, false},
    {faial, utm26_targets, true, false},
    {graciosa, utm26_targets, true, false},
    {pico, utm26_targets, true, false},
    {sao_jorge, utm26_targets, true, false},
    {terceira, utm26_targets, true, false},
    {observatorio, utm25_targets, true, false},
    {madeira, utm28_targets, true, false},
    {qualquer, qualquer_targets, true, true},
}};

constexpr std::array<std::string_view, 10> list_names{
    datum_73, datum_lisboa, sao_braz, faial,        graciosa,
    pico,     sao_jorge,    terceira, observatorio, madeira,
};

}  // namespace

std::span<const std::string_view> source_list_names() { return list_names; }

const SourceSystem* find_source(std::string_view name) {
  for (const SourceSystem& source : sources) {
    if (source.name == name) return &source;
  }
  return nullptr;
}

}  // namespace kelvrin::core
