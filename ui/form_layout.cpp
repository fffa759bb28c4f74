#include "ui/form_layout.hpp"

#include <array>
#include <cmath>

namespace kelvrin::ui {
namespace {

constexpr Font sans_bold{font_family::ms_sans_serif, 8.25, true};
constexpr Font sans_label{font_family::ms_sans_serif, 9.75, true};
constexpr Font title_font{font_family::microsoft_sans_serif, 12.75, true};
constexpr Font arial_bold{font_family::arial, 9.0, true};
constexpr Font arial_small{font_family::arial, 8.25, false};
constexpr Font arial_small_bold{font_family::arial, 8.25, true};

using enum Control;
using enum ControlKind;
using enum Colours;
using enum Placement;

// Screen readers name each field after its label, the four "Procurar..."
// buttons after the field they fill.
// clang-format off
constexpr std::array<ControlRow, control_count> controls{{
    // control       name        kind           {left, top, width, height} font
    //  colours tab placement      caption, accessible name
    {source_box,     "Combo1",   editable_list, {480, 1560, 4095, 315},  sans_bold,
     field,  0,  fixed,         "", "Sistema 1"},
    {target_box,     "Combo2",   editable_list, {4800, 1560, 4095, 315}, sans_bold,
     field,  1,  fixed,         "", "Sistema 2"},
    {input_field,    "Text1",    text_box,      {480, 2640, 6735, 350},  arial_bold,
     field,  2,  fixed,         "", "Ficheiro DXF no Sistema 1"},
    {output_field,   "Text2",    text_box,      {480, 3720, 6735, 350},  arial_bold,
     field,  3,  fixed,         "", "Ficheiro DXF no Sistema 2"},
    {ok_button,      "Command1", button,        {1440, 4460, 1575, 495}, sans_bold,
     system, 4,  button_row,    "OK", "OK"},
    {cancel_button,  "Command2", button,        {5160, 4460, 1575, 495}, sans_bold,
     system, 5,  button_row,    "Cancelar", "Cancelar"},
    {input_browse,   "Command3", button,        {7320, 2610, 1575, 400}, sans_bold,
     system, 6,  fixed,         "Procurar...", "Procurar o ficheiro DXF no Sistema 1"},
    {output_browse,  "Command4", button,        {7320, 3690, 1575, 400}, sans_bold,
     system, 7,  fixed,         "Procurar...", "Procurar o ficheiro DXF no Sistema 2"},
    {source_label,   "Label1",   label,         {480, 1200, 1695, 255},  sans_label,
     system, -1, fixed,         "Sistema 1", ""},
    {target_label,   "Label2",   label,         {4800, 1200, 1695, 255}, sans_label,
     system, -1, fixed,         "Sistema 2", ""},
    {title_label,    "Label3",   label,         {1200, 360, 6975, 735},  title_font,
     title,  -1, fixed,         "Mudança de Sistema de Referência em ficheiros DXF", ""},
    {input_label,    "Label4",   label,         {480, 2280, 3015, 255},  sans_label,
     system, -1, fixed,         "Ficheiro DXF no Sistema 1", ""},
    {output_label,   "Label5",   label,         {480, 3360, 2775, 255},  sans_label,
     system, -1, fixed,         "Ficheiro DXF no Sistema 2", ""},
    {param_x_browse, "Command6", button,        {7320, 4410, 1215, 350}, arial_small_bold,
     system, 8,  parameter_row, "Procurar...", "Procurar o ficheiro de parâmetros - X"},
    {param_x_field,  "Text3",    text_box,      {480, 4440, 6735, 285},  arial_small,
     field,  9,  parameter_row, "", "Ficheiro de Parâmetros - X"},
    {param_x_label,  "Label6",   label,         {480, 4200, 2775, 255},  arial_bold,
     system, -1, parameter_row, "Ficheiro de Parâmetros - X", ""},
    {param_y_field,  "Text4",    text_box,      {480, 5040, 6735, 285},  arial_small,
     field,  10, parameter_row, "", "Ficheiro de Parâmetros - Y"},
    {param_y_browse, "Command7", button,        {7320, 5010, 1215, 350}, arial_small_bold,
     system, 11, parameter_row, "Procurar...", "Procurar o ficheiro de parâmetros - Y"},
    {param_y_label,  "Label7",   label,         {480, 4800, 2775, 255},  arial_bold,
     system, -1, parameter_row, "Ficheiro de Parâmetros - Y", ""},
}};
// clang-format on

constexpr bool indexed_by_control() {
  for (std::size_t i = 0; i < controls.size(); ++i) {
    if (static_cast<std::size_t>(controls[i].control) != i) return false;
  }
  return true;
}
static_assert(indexed_by_control(), "control_row() looks rows up by their Control");

}  // namespace

std::span<const ControlRow> form_controls() { return controls; }

const ControlRow& control_row(Control control) {
  return controls[static_cast<std::size_t>(control)];
}

LayoutGeometry layout_geometry(Layout layout) {
  return layout == Layout::qualquer ? LayoutGeometry{7065, 5760, true}
                                    : LayoutGeometry{5765, 4460, false};
}

int twips_to_pixels(int twips, double dots_per_inch) {
  return static_cast<int>(std::lround(twips / 15.0 * dots_per_inch / 96.0));
}

}  // namespace kelvrin::ui
