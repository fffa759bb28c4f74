#include "app/system_aliases.hpp"

#include <array>
#include <cctype>

#include "core/catalogue.hpp"

namespace kelvrin::app {
namespace {

using namespace core::system_names;

constexpr std::array<SystemAliases, 15> aliases{{
    {etrs89_tm06, "tm06", "3763"},
    {datum_73, "datum73", "27493"},
    {datum_lisboa, "lisboa", "5018"},
    {sao_braz, "sao-braz", "3062"},
    {faial, "faial", ""},
    {graciosa, "graciosa", ""},
    {pico, "pico", ""},
    {sao_jorge, "sao-jorge", ""},
    {terceira, "terceira", ""},
    {observatorio, "observatorio", "2188"},
    {madeira, "madeira", "3061"},
    {qualquer, "qualquer", ""},
    {utm26_itrf93, "utm26-itrf93", "5015"},
    {utm25_itrf93, "utm25-itrf93", "5014"},
    {utm28_itrf93, "utm28-itrf93", "5016"},
}};

bool equal_ignoring_ascii_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::span<const SystemAliases> system_aliases() { return aliases; }

std::string resolve_system_name(std::string_view text) {
  for (const SystemAliases& entry : aliases) {
    if (text == entry.display_name) return std::string(text);
  }
  std::string_view code = text;
  if (code.size() > 5 && equal_ignoring_ascii_case(code.substr(0, 5), "EPSG:")) {
    code.remove_prefix(5);
  }
  for (const SystemAliases& entry : aliases) {
    if (equal_ignoring_ascii_case(text, entry.short_name) ||
        (!entry.epsg.empty() && code == entry.epsg)) {
      return std::string(entry.display_name);
    }
  }
  return std::string(text);
}

}  // namespace kelvrin::app
