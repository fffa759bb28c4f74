#pragma once

#include <span>
#include <string_view>

namespace kelvrin::core {

// Display names of the reference systems, compared exactly (case, accents
// and blanks included). They are also what the windows show.
namespace system_names {
inline constexpr std::string_view etrs89_tm06 = "ETRS89 TM06";
inline constexpr std::string_view datum_73 = "Hayford-Gauss Datum 73";
inline constexpr std::string_view datum_lisboa = "Hayford-Gauss Datum Lisboa-Ponto Central";
inline constexpr std::string_view sao_braz = "Açores - G.Oriental - UTM 26 S. Bráz";
inline constexpr std::string_view faial = "Açores - Faial - UTM 26 Base SW";
inline constexpr std::string_view graciosa = "Açores - Graciosa - UTM 26 Base SW";
inline constexpr std::string_view pico = "Açores - Pico - UTM 26 Base SW";
inline constexpr std::string_view sao_jorge = "Açores - São Jorge - UTM 26 Base SW";
inline constexpr std::string_view terceira = "Açores - Terceira - UTM 26 Base SW";
inline constexpr std::string_view observatorio = "Açores - G.Ocidental - UTM 25 Observatório";
inline constexpr std::string_view madeira = "Madeira - UTM 28 Base SE";
inline constexpr std::string_view qualquer = "Qualquer";
inline constexpr std::string_view utm26_itrf93 = "UTM 26 ITRF93";
inline constexpr std::string_view utm25_itrf93 = "UTM 25 ITRF93";
inline constexpr std::string_view utm28_itrf93 = "UTM 28 ITRF93";
// The mainland systems reached through the national NTv2 grids instead of
// the official polynomial and 5 km grid.
inline constexpr std::string_view etrs89_tm06_ntv2 = "ETRS89 TM06 (grelhas NTv2)";
inline constexpr std::string_view datum_73_ntv2 = "Hayford-Gauss Datum 73 (grelhas NTv2)";
inline constexpr std::string_view datum_lisboa_ntv2 =
    "Hayford-Gauss Datum Lisboa-Ponto Central (grelhas NTv2)";
inline constexpr std::string_view ntv2_suffix = " (grelhas NTv2)";
}  // namespace system_names

// A system the conversion job accepts as source.
struct SourceSystem {
  std::string_view name;
  std::span<const std::string_view> targets;  // offered as targets, in order
  bool first_target_selected;                 // whether choosing it also sets the target text
  bool shows_parameter_files;                 // the window's layout with the parameter-file rows
};

// The ten names of the window's source list, in order.
std::span<const std::string_view> source_list_names();

// The source with exactly this name, or nullptr.
const SourceSystem* find_source(std::string_view name);

}  // namespace kelvrin::core
