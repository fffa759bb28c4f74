#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "ui/form_model.hpp"
#include "ui/form_view.hpp"
#include "ui/win32/accessible_names.hpp"
#include "ui/win32/gdi.hpp"
#include "ui/win32/information_window.hpp"

namespace kelvrin::ui::win32 {

// The identifier of each control of the main window (GetDlgItem), for
// what reads or drives the window from outside: screen readers' scripts,
// the tests. Clear of IDOK and IDCANCEL, which the dialog manager sends for
// Enter and Escape.
constexpr int control_id(Control control) { return 100 + static_cast<int>(control); }

// The main window in the Windows API: the controls of form_layout.hpp as
// the system's own, drawn and read for the FormModel that holds its
// behaviour, plus what only a desktop window has (the resolution of each
// screen, a drawing dropped on it, the information window on F1).
class MainWindow final : private FormView {
 public:
  MainWindow(HINSTANCE instance, ConversionRunner run_conversion);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Centred on its screen, with the focus on the source box.
  void show(int show_command);

  // A drawing named on the command line, in the input field.
  void set_input_file(std::string_view path) { model_.set_input_file(path); }

  // Serves the window until it closes; the program's exit status.
  int run();

 private:
  // FormView
  std::string text(Control control) const override;
  void set_text(Control control, std::string_view text) override;
  void set_list(Control control, std::span<const std::string_view> entries) override;
  void set_layout(Layout layout) override;
  std::optional<std::string> choose_file(std::string_view preset, FileKind kind) override;
  std::optional<std::string> choose_output(std::string_view suggested) override;
  void show_message(std::string_view text, std::string_view title) override;
  bool ask(std::string_view text, std::string_view title) override;
  void set_busy(bool busy) override;
  void close_window() override;

  template <typename Window>
  friend LRESULT CALLBACK procedure_of(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam);
  bool take_message(MSG& message);
  void create_controls();
  HWND control(Control control) const { return controls_[static_cast<std::size_t>(control)]; }
  void show_information();
  void apply_resolution(UINT dots_per_inch);
  void apply_layout();
  void fit_list_width(HWND box);
  void command(WPARAM wparam);
  void drop(HDROP files);
  std::optional<LRESULT> colour(HDC context, HWND control, UINT message);
  bool is_field_window(HWND window) const;
  bool in_source_box(HWND window) const;

  HINSTANCE instance_;
  HWND window_ = nullptr;
  std::array<HWND, control_count> controls_{};
  std::array<HWND, control_count> field_parts_{};  // a list's text box and its drop-down list
  std::array<HWND, control_count> field_lists_{};
  UINT dots_per_inch_ = USER_DEFAULT_SCREEN_DPI;
  bool busy_ = false;
  HWND focus_ = nullptr;  // the control that had the focus when the window lost it
  FontSet fonts_;
  SolidBrush field_brush_;
  SolidBrush title_brush_;
  AccessibleNames names_;
  std::unique_ptr<InformationWindow> information_;
  FormModel model_;
};

}  // namespace kelvrin::ui::win32
