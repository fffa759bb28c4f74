#include "ui/win32/window_geometry.hpp"

namespace kelvrin::ui::win32 {

SIZE outer_size(HWND window, int client_width, int client_height, UINT dots_per_inch) {
  RECT frame{0, 0, client_width, client_height};
  AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)),
                           dots_per_inch);
  return {frame.right - frame.left, frame.bottom - frame.top};
}

void centre_on_screen(HWND window, HWND beside) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(beside != nullptr ? beside : window, MONITOR_DEFAULTTOPRIMARY),
                  &monitor);
  RECT outer{};
  GetWindowRect(window, &outer);
  const RECT& area = monitor.rcWork;
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  SetWindowPos(window, nullptr, area.left + (area.right - area.left - width) / 2,
               area.top + (area.bottom - area.top - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace kelvrin::ui::win32
