#pragma once

#include <windows.h>

namespace kelvrin::ui::win32 {

// The outer width and height of `window` for a client area of the given
// size, with the borders and title bar of its style at `dots_per_inch`.
SIZE outer_size(HWND window, int client_width, int client_height, UINT dots_per_inch);

// WM_DPICHANGED for a top-level window: `apply` lays it out for the new
// resolution (its size included), then it goes where the system suggests,
// so that it stays on the screen that now shows most of it.
template <typename Apply>
LRESULT follow_resolution(HWND window, WPARAM wparam, LPARAM lparam, Apply apply) {
  apply(static_cast<UINT>(HIWORD(wparam)));
  const auto* suggested = reinterpret_cast<const RECT*>(lparam);
  SetWindowPos(window, nullptr, suggested->left, suggested->top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  return 0;
}

// Places a top-level window in the centre of the work area of the screen
// it is on (or that `beside` is on).
void centre_on_screen(HWND window, HWND beside = nullptr);

}  // namespace kelvrin::ui::win32
