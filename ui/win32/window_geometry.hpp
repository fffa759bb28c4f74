#pragma once

#include <windows.h>

namespace kelvrin::ui::win32 {

// The outer width and height of `window` for a client area of the given
// size, with the borders and title bar of its style at `dots_per_inch`.
SIZE outer_size(HWND window, int client_width, int client_height, UINT dots_per_inch);

// Places a top-level window in the centre of the work area of the screen
// it is on (or that `beside` is on).
void centre_on_screen(HWND window, HWND beside = nullptr);

}  // namespace kelvrin::ui::win32
