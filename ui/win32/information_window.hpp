#pragma once

#include <windows.h>

#include "ui/win32/gdi.hpp"

namespace kelvrin::ui::win32 {

// The information window: the lines of information_design.hpp in a list,
// owned by the main window, so that it goes when the main window does.
class InformationWindow {
 public:
  InformationWindow(HINSTANCE instance, HWND owner);
  ~InformationWindow();
  InformationWindow(const InformationWindow&) = delete;
  InformationWindow& operator=(const InformationWindow&) = delete;

  // Opens the window with its lines, or brings the open one to the front.
  void show();

  // Its keys, from the program's message loop: Escape closes the window.
  // Whether the message was one of them.
  bool take_message(const MSG& message);

 private:
  template <typename Window>
  friend LRESULT CALLBACK procedure_of(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam);
  void create();
  void apply_resolution(UINT dots_per_inch);

  HINSTANCE instance_;
  HWND owner_;
  HWND window_ = nullptr;
  HWND list_ = nullptr;
  UINT dots_per_inch_ = USER_DEFAULT_SCREEN_DPI;
  FontSet fonts_;
  SolidBrush background_;
};

}  // namespace kelvrin::ui::win32
