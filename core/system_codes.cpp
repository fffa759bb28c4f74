#include "core/system_codes.hpp"

#include <array>

#include "core/catalogue.hpp"

namespace kelvrin::core {
namespace {

using namespace system_names;

// The EPSG names as the EPSG registry (through PROJ's database) gives them.
constexpr std::array<SystemCodes, 15> codes{{
    {etrs89_tm06, "tm06", "3763", "ETRS89 / Portugal TM06"},
    {datum_73, "datum73", "27493", "Datum 73 / Modified Portuguese Grid"},
    {datum_lisboa, "lisboa", "5018", "Lisbon / Portuguese Grid New"},
    {sao_braz, "sao-braz", "3062", "Azores Oriental 1995 / UTM zone 26N"},
    {faial, "faial", "", ""},
    {graciosa, "graciosa", "", ""},
    {pico, "pico", "", ""},
    {sao_jorge, "sao-jorge", "", ""},
    {terceira, "terceira", "", ""},
    {observatorio, "observatorio", "2188", "Azores Occidental 1939 / UTM zone 25N"},
    {madeira, "madeira", "3061", "Porto Santo 1995 / UTM zone 28N"},
    {qualquer, "qualquer", "", ""},
    {utm26_itrf93, "utm26-itrf93", "5015", "PTRA08 / UTM zone 26N"},
    {utm25_itrf93, "utm25-itrf93", "5014", "PTRA08 / UTM zone 25N"},
    {utm28_itrf93, "utm28-itrf93", "5016", "PTRA08 / UTM zone 28N"},
}};

}  // namespace

std::span<const SystemCodes> system_codes() { return codes; }

const SystemCodes* codes_of(std::string_view display_name) {
  if (display_name.ends_with(ntv2_suffix)) display_name.remove_suffix(ntv2_suffix.size());
  for (const SystemCodes& entry : codes) {
    if (entry.display_name == display_name) return &entry;
  }
  return nullptr;
}

}  // namespace kelvrin::core
