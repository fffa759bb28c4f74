#pragma once

#include <string>
#include <string_view>

namespace kelvrin::ui {

// The name the output's save dialog proposes for `input` (UTF-8) converted
// to `target`: in the input's folder, the input's name with the target's
// words joined by "_" and ".dxf" after them ("planta_ETRS89_TM06.dxf"), or
// a point list's own extension ("pontos_ETRS89_TM06.csv"), so never the
// input's own name.
std::string suggested_output(std::string_view input, std::string_view target);

}  // namespace kelvrin::ui
