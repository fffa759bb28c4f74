#pragma once

#include <windows.h>

namespace kelvrin::ui::win32 {

// Registers one of our window classes, once per program: the application's
// icon, the arrow, the dialog face behind the controls.
void register_window_class(HINSTANCE instance, const wchar_t* name, WNDPROC procedure);

// Windows calls a window's procedure as a plain function; this one finds the
// object the window was made for (CreateWindowExW's last argument), gives it
// its window, and hands it every message. `Window` makes it a friend.
template <typename Window>
LRESULT CALLBACK procedure_of(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* created = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    auto* self = static_cast<Window*>(created->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  return self->handle(message, wparam, lparam);
}

}  // namespace kelvrin::ui::win32
