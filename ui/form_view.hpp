#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "ui/form_layout.hpp"

namespace kelvrin::ui {

// What the open-file dialog looks for: drawings are offered a filter of DXF
// files first; parameter files are any text.
enum class FileKind { drawing, parameters };

// What the main window's behaviour (FormModel) asks of the window that
// shows it, in any toolkit. Texts are UTF-8. Every call is synchronous: the
// dialogs and boxes are modal and return when the user closes them.
class FormView {
 public:
  virtual ~FormView() = default;

  // The text of a list or a field, as the user typed or chose it.
  virtual std::string text(Control control) const = 0;

  // Sets the text of a list or a field; a list whose entries hold `text`
  // selects that entry.
  virtual void set_text(Control control, std::string_view text) = 0;

  // Replaces the entries of a list; none is selected and its text is empty.
  virtual void set_list(Control control, std::span<const std::string_view> entries) = 0;

  // Height, the buttons' row and the parameter rows as layout_geometry()
  // gives them.
  virtual void set_layout(Layout layout) = 0;

  // The platform's open-file dialog with `preset` as its file name: the path
  // chosen, or nothing when the user cancels.
  virtual std::optional<std::string> choose_file(std::string_view preset, FileKind kind) = 0;

  // The save dialog for the converted drawing, in the folder and with the
  // name of `suggested`; it asks before an existing file is replaced.
  virtual std::optional<std::string> choose_output(std::string_view suggested) = 0;

  // A modal box with the text, the title, an OK button and no icon.
  virtual void show_message(std::string_view text, std::string_view title) = 0;

  // A question with Yes and No, No the default: whether the user said Yes.
  virtual bool ask(std::string_view text, std::string_view title) = 0;

  // The busy mouse pointer over the window, or the normal one.
  virtual void set_busy(bool busy) = 0;

  // Closes the main window, which ends the program.
  virtual void close_window() = 0;
};

}  // namespace kelvrin::ui
