#pragma once

#include <span>
#include <string_view>

#include "ui/contrast.hpp"

namespace kelvrin::ui {

// The main window as designed, for any toolkit that draws it: positions and
// sizes in twips (1/1440 inch) from the top left corner of the client area,
// the Windows fonts it was drawn with, its fixed colours and its two layouts.

// Every control of the main window, by what it is for.
enum class Control {
  source_box,      // Combo1: the source system, a list whose text may be typed
  target_box,      // Combo2: the target system, likewise
  input_field,     // Text1: the drawing to convert
  output_field,    // Text2: the converted drawing
  ok_button,       // Command1
  cancel_button,   // Command2
  input_browse,    // Command3: fills Text1
  output_browse,   // Command4: fills Text2
  source_label,    // Label1
  target_label,    // Label2
  title_label,     // Label3
  input_label,     // Label4
  output_label,    // Label5
  param_x_browse,  // Command6: fills Text3
  param_x_field,   // Text3: the X parameter file of "Qualquer"
  param_x_label,   // Label6
  param_y_field,   // Text4: the Y parameter file of "Qualquer"
  param_y_browse,  // Command7: fills Text4
  param_y_label,   // Label7
};
inline constexpr int control_count = 19;

enum class ControlKind { editable_list, text_box, button, label };

struct TwipsRect {
  int left;
  int top;
  int width;
  int height;
};

struct Font {
  std::string_view family;
  double points;
  bool bold;
};

// The fonts' families; a system without them substitutes its own.
namespace font_family {
inline constexpr std::string_view ms_sans_serif = "MS Sans Serif";
inline constexpr std::string_view microsoft_sans_serif = "Microsoft Sans Serif";
inline constexpr std::string_view arial = "Arial";
}  // namespace font_family

// The design's one fixed colour, the rest are the system's.
inline constexpr Rgb dark_blue{0, 0, 192};

enum class Colours {
  system,  // the system's own
  field,   // dark blue text on the system's light 3-D colour (readable_background)
  title,   // dark blue text on the window's colour (readable_background)
};

// Where a control sits as the layout changes.
enum class Placement {
  fixed,
  button_row,     // its top is the layout's button_top
  parameter_row,  // shown only in the Qualquer layout
};

struct ControlRow {
  Control control;
  std::string_view name;  // the object name tests and tools find it by
  ControlKind kind;
  TwipsRect rect;  // a button_row control's top is that of the compact layout
  Font font;
  Colours colours;
  int tab_index;  // order of the keyboard focus; -1: takes no focus
  Placement placement;
  std::string_view caption;          // buttons and labels; lists and fields start empty
  std::string_view accessible_name;  // what a screen reader says; labels have none
};

// The controls in their tab order, labels between them, so that a window
// that orders the focus by creation creates them in this order.
std::span<const ControlRow> form_controls();

const ControlRow& control_row(Control control);

inline constexpr std::string_view window_caption = "Veltra - Ondrasil";
inline constexpr int client_width = 9285;
// The window opens centred on its screen, at a fixed size, and no button
// answers Enter or Escape.

enum class Layout { compact, qualquer };

struct LayoutGeometry {
  int outer_height;  // title bar and borders included
  int button_top;
  bool parameter_rows;
};

LayoutGeometry layout_geometry(Layout layout);

// Twips are 15 to a pixel at 96 dots per inch.
int twips_to_pixels(int twips, double dots_per_inch);

}  // namespace kelvrin::ui
