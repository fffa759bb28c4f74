#include "ui/win32/information_window.hpp"

#include <commctrl.h>

#include <string>

#include "platform/windows/wide_text.hpp"
#include "ui/information_design.hpp"
#include "ui/win32/window_class.hpp"
#include "ui/win32/window_geometry.hpp"

namespace kelvrin::ui::win32 {
namespace {

constexpr wchar_t class_name[] = L"KelvrinInformationWindow";
constexpr DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

}  // namespace

InformationWindow::InformationWindow(HINSTANCE instance, HWND owner)
    : instance_(instance), owner_(owner) {
  register_window_class(instance, class_name, &procedure_of<InformationWindow>);
}

InformationWindow::~InformationWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
}

void InformationWindow::show() {
  if (window_ == nullptr) {
    create();
    centre_on_screen(window_, owner_);
    ShowWindow(window_, SW_SHOWNORMAL);
  } else if (IsIconic(window_)) {
    ShowWindow(window_, SW_RESTORE);
  }
  SetForegroundWindow(window_);
  // The list takes the focus now, not only when the system gets round to
  // activating the window (which a desktop may do late, or refuse to a
  // window that did not get the key itself).
  SetFocus(list_);
}

bool InformationWindow::take_message(const MSG& message) {
  if (window_ == nullptr || (message.hwnd != window_ && !IsChild(window_, message.hwnd))) {
    return false;
  }
  if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) {
    DestroyWindow(window_);
    return true;
  }
  return false;
}

void InformationWindow::create() {
  CreateWindowExW(0, class_name, platform::windows::wide_of(information_caption).c_str(), style,
                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner_, nullptr,
                  instance_, this);
  list_ = CreateWindowExW(
      WS_EX_CLIENTEDGE, WC_LISTBOXW, nullptr,
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT, 0, 0, 0,
      0, window_, nullptr, instance_, nullptr);
  for (const std::string_view line : information_lines()) {
    SendMessageW(list_, LB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(platform::windows::wide_of(line).c_str()));
  }
  apply_resolution(GetDpiForWindow(window_));
}

// Sizes and the font for the resolution of the screen the window is on.
void InformationWindow::apply_resolution(UINT dots_per_inch) {
  dots_per_inch_ = dots_per_inch;
  const SIZE outer = outer_size(window_, pixels(information_client_width, dots_per_inch),
                                pixels(information_client_height, dots_per_inch), dots_per_inch);
  SetWindowPos(window_, nullptr, 0, 0, outer.cx, outer.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  const TwipsRect& rect = information_list_rect;
  SendMessageW(list_, WM_SETFONT,
               reinterpret_cast<WPARAM>(fonts_.font(information_font, dots_per_inch)), FALSE);
  fonts_.keep_only(dots_per_inch);
  SetWindowPos(list_, nullptr, pixels(rect.left, dots_per_inch), pixels(rect.top, dots_per_inch),
               pixels(rect.width, dots_per_inch), pixels(rect.height, dots_per_inch),
               SWP_NOZORDER | SWP_NOACTIVATE);
  // The list scrolls sideways as far as its longest line.
  int widest = 0;
  if (HDC context = GetDC(list_)) {
    const HGDIOBJ previous = SelectObject(context, fonts_.font(information_font, dots_per_inch));
    for (const std::string_view line : information_lines()) {
      const std::wstring wide = platform::windows::wide_of(line);
      SIZE extent{};
      GetTextExtentPoint32W(context, wide.c_str(), static_cast<int>(wide.size()), &extent);
      if (extent.cx > widest) widest = extent.cx;
    }
    SelectObject(context, previous);
    ReleaseDC(list_, context);
  }
  SendMessageW(list_, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + 4), 0);
  InvalidateRect(list_, nullptr, TRUE);
}

LRESULT InformationWindow::handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SETFOCUS:
    case WM_ACTIVATE:
      // The list holds the focus whenever the window has it.
      if (list_ != nullptr && (message == WM_SETFOCUS || LOWORD(wparam) != WA_INACTIVE)) {
        SetFocus(list_);
      }
      return 0;
    case WM_CTLCOLORLISTBOX: {
      const auto context = reinterpret_cast<HDC>(wparam);
      const Rgb background =
          readable_background(information_text_colour, rgb_of(GetSysColor(COLOR_INFOBK)));
      SetTextColor(context, colorref_of(information_text_colour));
      SetBkColor(context, colorref_of(background));
      return reinterpret_cast<LRESULT>(background_.of(colorref_of(background)));
    }
    case WM_DPICHANGED:
      return follow_resolution(window_, wparam, lparam,
                               [this](UINT dots_per_inch) { apply_resolution(dots_per_inch); });
    case WM_NCDESTROY: {
      SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
      const HWND window = window_;
      window_ = nullptr;
      list_ = nullptr;
      fonts_.clear();
      return DefWindowProcW(window, message, wparam, lparam);
    }
    default: return DefWindowProcW(window_, message, wparam, lparam);
  }
}

}  // namespace kelvrin::ui::win32
