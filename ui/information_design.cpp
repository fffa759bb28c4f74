#include "ui/information_design.hpp"

#include <array>

namespace kelvrin::ui {
namespace {

// The first line is centred by hand, with 21 blanks, as the window's list
// has always shown it.
constexpr std::array<std::string_view, 12> lines{
    "                     -----  Mudança de Sistema de Referência em ficheiros DXF  -----",
    "",
    "As mudanças entre os sistemas de referência são realizadas através de transformações",
    "polinomiais do 2º grau, à excepção das conversões que envolvem o sistema",
    "Hayford-Gauss Datum Lisboa, que são relizadas recorrendo a uma grelha regular",
    "de pontos previamente transformados.",
    "",
    "As transformações presentes na aplicação utilizam os parâmetros oficiais.",
    "Estes parâmetros podem ser consultados em www.dgterritorio.gov.pt.",
    "",
    "",
    "",
};
static_assert(lines[0].find_first_not_of(' ') == 21);

}  // namespace

std::span<const std::string_view> information_lines() { return lines; }

}  // namespace kelvrin::ui
