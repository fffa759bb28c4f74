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

constexpr std::array<SourceSystem, 12> sources{{
    {etrs89_tm06, 0, false, etrs89_targets, false, false},
    {datum_73, 1, true, mainland_targets, true, false},
    {datum_lisboa, 2, true, mainland_targets, true, false},
    {sao_braz, 5, true, utm26_targets, true, false},
    {faial, 6, true, utm26_targets, true, false},
    {graciosa, 7, true, utm26_targets, true, false},
    {pico, 8, true, utm26_targets, true, false},
    {sao_jorge, 9, true, utm26_targets, true, false},
    {terceira, 10, true, utm26_targets, true, false},
    {observatorio, 11, true, utm25_targets, true, false},
    {madeira, 12, true, utm28_targets, true, false},
    {qualquer, std::nullopt, false, qualquer_targets, true, true},
}};

constexpr std::array<std::string_view, 10> list_names{
    datum_73, datum_lisboa, sao_braz, faial,        graciosa,
    pico,     sao_jorge,    terceira, observatorio, madeira,
};

constexpr std::array targets_only{utm26_itrf93, utm25_itrf93, utm28_itrf93};

}  // namespace

std::span<const SourceSystem> source_systems() { return sources; }

std::span<const std::string_view> source_list_names() { return list_names; }

const SourceSystem* find_source(std::string_view name) {
  for (const SourceSystem& source : sources) {
    if (source.name == name) return &source;
  }
  return nullptr;
}

std::span<const std::string_view> target_only_systems() { return targets_only; }

}  // namespace kelvrin::core
