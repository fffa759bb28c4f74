#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "core/conversion_job.hpp"
#include "ui/form_layout.hpp"
#include "ui/form_view.hpp"

namespace kelvrin::ui {

// How OK runs a conversion; the program runs the conversion job itself,
// tests may look at the six texts instead.
using ConversionRunner = std::function<void(core::JobHost&, const core::ConversionRequest&)>;

// What the main window does, whatever draws it: the source and target
// systems, the input and output drawings, the two parameter files of
// "Qualquer", OK and Cancelar. The window tells it what the user did; it
// answers through the window's FormView.
class FormModel {
 public:
  FormModel(FormView& view, ConversionRunner run_conversion);

  // Fills the source list, with nothing chosen, in the compact layout.
  void start();

  // What choosing `source` from the source list does: fills the target
  // list, choosing its first entry where the catalogue says so, and picks
  // the layout. A name that is no source changes nothing.
  void choose_source(std::string_view source);

  // A typed source name reacts as a chosen one when its editing ends
  // (Enter, Tab, leaving the box); typing alone does nothing.
  void source_edit_finished();

  // OK, Cancelar and the four "Procurar..." buttons.
  void press(Control button);

  // A drawing named on the command line, in the input field.
  void set_input_file(std::string_view path);

  // Whether a file dropped on the window would be taken as the input: a
  // DXF drawing or a point list, by its name (what it holds is the job's
  // to find out).
  static bool takes_as_input(std::string_view path);

  // Files dropped on the window: the first that takes_as_input() becomes
  // the input. Whether one did.
  bool drop_files(std::span<const std::string> paths);

  Layout layout() const { return layout_; }

 private:
  void set_layout(Layout layout);
  void browse(Control field, FileKind kind);
  void browse_output();
  bool confirmed_before_running();
  void run_ok();

  FormView& view_;
  ConversionRunner run_conversion_;
  Layout layout_ = Layout::compact;
  std::string dialog_file_name_;  // carried over from one open dialog to the next
  std::string reacted_source_;    // the source the targets were last filled for
};

}  // namespace kelvrin::ui
