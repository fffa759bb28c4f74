#include "ui/win32/main_window.hpp"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <ranges>
#include <utility>
#include <vector>

#include "platform/windows/wide_text.hpp"
#include "ui/win32/dialogs.hpp"
#include "ui/win32/window_class.hpp"
#include "ui/win32/window_geometry.hpp"

namespace kelvrin::ui::win32 {
namespace {

using platform::windows::utf8_of;
using platform::windows::wide_of;

constexpr wchar_t class_name[] = L"KelvrinMainWindow";
// Fixed in size: nothing in the design adapts to another. The window paints
// around its controls, never over them: when the Qualquer layout moves the
// buttons into the part the window has just grown, the window's painting of
// that part would otherwise come after theirs and blank them.
constexpr DWORD window_style =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
// The dialog manager (IsDialogMessage) moves the focus into the lists'
// own text boxes.
constexpr DWORD window_ex_style = WS_EX_CONTROLPARENT;

std::optional<Control> control_of_id(int id) {
  const int index = id - control_id(Control{});
  if (index < 0 || index >= control_count) return std::nullopt;
  return static_cast<Control>(index);
}

// Entries a dropped-down list shows before it scrolls.
constexpr int list_rows = 12;

// A row of the table of controls (form_layout.cpp).
using Row = std::ranges::range_value_t<decltype(form_controls())>;

const Row& row_of(Control control) { return form_controls()[static_cast<std::size_t>(control)]; }

// The label that names a list or a field: its caption is their name.
const Row* label_of(const Row& control) {
  if (control.kind == ControlKind::button || control.kind == ControlKind::label) return nullptr;
  for (const Row& row : form_controls()) {
    if (row.kind == ControlKind::label && row.caption == control.accessible_name) return &row;
  }
  return nullptr;
}

// Creation order is the order of the focus (the labels take none) and, for
// screen readers, names a list or a field after the label just before it:
// so each such label goes right before its control, the other labels first.
std::vector<const Row*> creation_order() {
  std::vector<const Row*> focusable;
  std::vector<const Row*> naming;
  for (const Row& row : form_controls()) {
    if (row.kind != ControlKind::label) focusable.push_back(&row);
    if (const Row* label = label_of(row)) naming.push_back(label);
  }
  std::ranges::stable_sort(focusable, {}, &Row::tab_index);
  std::vector<const Row*> order;
  for (const Row& row : form_controls()) {
    if (row.kind == ControlKind::label && std::ranges::find(naming, &row) == naming.end()) {
      order.push_back(&row);
    }
  }
  for (const Row* control : focusable) {
    if (const Row* label = label_of(*control)) order.push_back(label);
    order.push_back(control);
  }
  return order;
}

struct ControlClass {
  const wchar_t* name;
  DWORD style;
  DWORD ex_style;
};

ControlClass control_class(ControlKind kind) {
  switch (kind) {
    case ControlKind::editable_list:
      return {WC_COMBOBOXW, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, 0};
    case ControlKind::text_box:
      return {WC_EDITW, WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT, WS_EX_CLIENTEDGE};
    // Plain push buttons: none is the default, so Enter presses none.
    case ControlKind::button: return {WC_BUTTONW, WS_TABSTOP | BS_PUSHBUTTON, 0};
    case ControlKind::label: return {WC_STATICW, SS_LEFT | SS_NOPREFIX, 0};
  }
  return {WC_STATICW, 0, 0};
}

std::wstring window_text(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

// A name longer than its closed box reads from its start. Left alone, the
// box's text stays scrolled where choosing it left the caret: at its end,
// the start of the name out of sight.
void show_from_start(HWND text_box) {
  if (text_box == nullptr) return;
  SendMessageW(text_box, EM_SETSEL, 0, 0);
  SendMessageW(text_box, EM_SCROLLCARET, 0, 0);
}

std::wstring list_entry(HWND box, WPARAM index) {
  const LRESULT length = SendMessageW(box, CB_GETLBTEXTLEN, index, 0);
  if (length == CB_ERR) return {};
  std::wstring entry(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(box, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(entry.data()));
  entry.resize(static_cast<std::size_t>(length));
  return entry;
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, ConversionRunner run_conversion)
    : instance_(instance), model_(*this, std::move(run_conversion)) {
  register_window_class(instance, class_name, &procedure_of<MainWindow>);
  CreateWindowExW(window_ex_style, class_name, wide_of(window_caption).c_str(), window_style,
                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                  instance, this);
  create_controls();
  information_ = std::make_unique<InformationWindow>(instance, window_);
  DragAcceptFiles(window_, TRUE);
  apply_resolution(GetDpiForWindow(window_));
  model_.start();
}

MainWindow::~MainWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
}

void MainWindow::create_controls() {
  for (const Row* row : creation_order()) {
    const ControlClass kind = control_class(row->kind);
    const bool visible = row->placement != Placement::parameter_row;
    HWND control =
        CreateWindowExW(kind.ex_style, kind.name, wide_of(row->caption).c_str(),
                        WS_CHILD | kind.style | (visible ? WS_VISIBLE : 0), 0, 0, 0, 0, window_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_id(row->control))),
                        instance_, nullptr);
    const auto index = static_cast<std::size_t>(row->control);
    controls_[index] = control;
    if (row->kind == ControlKind::editable_list) {
      COMBOBOXINFO parts{};
      parts.cbSize = sizeof parts;
      if (GetComboBoxInfo(control, &parts)) {
        field_parts_[index] = parts.hwndItem;
        field_lists_[index] = parts.hwndList;
      }
    }
    if (!row->accessible_name.empty()) {
      names_.name(control, row->accessible_name);
      // The focus is in a list's text box, which a screen reader names too.
      if (field_parts_[index] != nullptr) names_.name(field_parts_[index], row->accessible_name);
    }
  }
}

// Fonts, positions and sizes for the resolution of the screen the window
// is on: at 96 dots per inch 15 twips make a pixel, at 144 (150 %) 10.
void MainWindow::apply_resolution(UINT dots_per_inch) {
  dots_per_inch_ = dots_per_inch;
  for (const Row& row : form_controls()) {
    SendMessageW(control(row.control), WM_SETFONT,
                 reinterpret_cast<WPARAM>(fonts_.font(row.font, dots_per_inch)), TRUE);
  }
  fonts_.keep_only(dots_per_inch);
  apply_layout();
  for (const Row& row : form_controls()) {
    if (row.kind == ControlKind::editable_list) fit_list_width(control(row.control));
  }
}

// Every source chosen lays the window out again: what is in place already
// is not moved, for a list moved closes if it is open, and the arrow keys
// choose a source each in the open source list.
void MainWindow::apply_layout() {
  const LayoutGeometry design = layout_geometry(model_.layout());
  const UINT dpi = dots_per_inch_;
  // The designed height includes the title bar and borders; the width is
  // that of the client area, the borders' added.
  const int outer_width = outer_size(window_, pixels(client_width, dpi), 0, dpi).cx;
  RECT outer{};
  GetWindowRect(window_, &outer);
  if (outer.right - outer.left != outer_width ||
      outer.bottom - outer.top != pixels(design.outer_height, dpi)) {
    SetWindowPos(window_, nullptr, 0, 0, outer_width, pixels(design.outer_height, dpi),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  for (const Row& row : form_controls()) {
    HWND window = control(row.control);
    const int top = row.placement == Placement::button_row ? design.button_top : row.rect.top;
    const int height = pixels(row.rect.height, dpi);
    RECT now{};
    GetWindowRect(window, &now);
    MapWindowPoints(HWND_DESKTOP, window_, reinterpret_cast<POINT*>(&now), 2);
    const bool placed = now.left == pixels(row.rect.left, dpi) && now.top == pixels(top, dpi) &&
                        now.right - now.left == pixels(row.rect.width, dpi) &&
                        now.bottom - now.top == height;
    if (!placed && row.kind == ControlKind::editable_list) {
      // A list's height is that of its box and its dropped-down list; the
      // box is as high as its text line and borders.
      const LRESULT line = SendMessageW(window, CB_GETITEMHEIGHT, 0, 0);
      SetWindowPos(window, nullptr, pixels(row.rect.left, dpi), pixels(top, dpi),
                   pixels(row.rect.width, dpi), height + static_cast<int>(line) * list_rows + 2,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      // The box's borders are the system's (and its theme's): its text
      // line is set, the box measured, until the box is as designed.
      auto field =
          static_cast<int>(SendMessageW(window, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
      for (int attempt = 0; attempt < 3; ++attempt) {
        RECT box{};
        GetWindowRect(window, &box);
        const int error = height - static_cast<int>(box.bottom - box.top);
        if (error == 0 || field + error <= 0) break;
        field += error;
        SendMessageW(window, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
      }
    } else if (!placed) {
      SetWindowPos(window, nullptr, pixels(row.rect.left, dpi), pixels(top, dpi),
                   pixels(row.rect.width, dpi), height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (row.placement == Placement::parameter_row) {
      // Hidden fields keep their texts.
      ShowWindow(window, design.parameter_rows ? SW_SHOWNA : SW_HIDE);
    }
  }
}

// The list may be wider than its box: the names must read whole.
void MainWindow::fit_list_width(HWND box) {
  HDC context = GetDC(box);
  if (context == nullptr) return;
  const HGDIOBJ previous =
      SelectObject(context, reinterpret_cast<HGDIOBJ>(SendMessageW(box, WM_GETFONT, 0, 0)));
  int widest = 0;
  const LRESULT count = SendMessageW(box, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const std::wstring entry = list_entry(box, static_cast<WPARAM>(i));
    SIZE extent{};
    GetTextExtentPoint32W(context, entry.c_str(), static_cast<int>(entry.size()), &extent);
    widest = std::max<int>(widest, extent.cx);
  }
  SelectObject(context, previous);
  ReleaseDC(box, context);
  const int margins = 2 * GetSystemMetricsForDpi(SM_CXEDGE, dots_per_inch_) +
                      GetSystemMetricsForDpi(SM_CXVSCROLL, dots_per_inch_) +
                      MulDiv(8, static_cast<int>(dots_per_inch_), USER_DEFAULT_SCREEN_DPI);
  SendMessageW(box, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(widest + margins), 0);
}

void MainWindow::show(int show_command) {
  centre_on_screen(window_);
  ShowWindow(window_, show_command);
  UpdateWindow(window_);
  SetFocus(control(Control::source_box));
}

int MainWindow::run() {
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (take_message(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

// The windows' keys before the controls see them: the information window's,
// then F1, Enter (which presses no button; in the source box it ends the
// editing of a typed name), and the dialog manager's Tab and arrows.
bool MainWindow::take_message(MSG& message) {
  if (window_ == nullptr) return false;
  if (information_ != nullptr && information_->take_message(message)) return true;
  const bool ours = message.hwnd == window_ || IsChild(window_, message.hwnd);
  if (ours && message.message == WM_KEYDOWN) {
    if (message.wParam == VK_F1) {
      show_information();
      return true;
    }
    // An open list takes Enter and Escape itself, to choose or to close.
    const HWND box = GetParent(message.hwnd);
    const bool dropped =
        (box == control(Control::source_box) || box == control(Control::target_box)) &&
        SendMessageW(box, CB_GETDROPPEDSTATE, 0, 0) != 0;
    if (message.wParam == VK_RETURN && !dropped) {
      if (in_source_box(message.hwnd)) model_.source_edit_finished();
      return true;
    }
  }
  return IsDialogMessageW(window_, &message) != 0;
}

void MainWindow::show_information() { information_->show(); }

bool MainWindow::in_source_box(HWND window) const {
  const HWND box = control(Control::source_box);
  return window != nullptr && (window == box || GetParent(window) == box);
}

bool MainWindow::is_field_window(HWND window) const {
  for (const Row& row : form_controls()) {
    if (row.colours != Colours::field) continue;
    const auto index = static_cast<std::size_t>(row.control);
    if (window == controls_[index] || window == field_parts_[index] ||
        window == field_lists_[index]) {
      return true;
    }
  }
  return false;
}

// Dark blue on the light 3-D colour for the lists and fields, dark blue on
// the window's colour for the title; each on a light grey instead where a
// dark or high-contrast theme would leave it unreadable.
std::optional<LRESULT> MainWindow::colour(HDC context, HWND window, UINT message) {
  if (message != WM_CTLCOLORSTATIC && is_field_window(window)) {
    const Rgb background = readable_background(dark_blue, rgb_of(GetSysColor(COLOR_3DLIGHT)));
    SetTextColor(context, colorref_of(dark_blue));
    SetBkColor(context, colorref_of(background));
    return reinterpret_cast<LRESULT>(field_brush_.of(colorref_of(background)));
  }
  if (message == WM_CTLCOLORSTATIC && window == control(Control::title_label)) {
    const Rgb background = readable_background(dark_blue, rgb_of(GetSysColor(COLOR_3DFACE)));
    SetTextColor(context, colorref_of(dark_blue));
    SetBkColor(context, colorref_of(background));
    return reinterpret_cast<LRESULT>(title_brush_.of(colorref_of(background)));
  }
  return std::nullopt;
}

void MainWindow::command(WPARAM wparam) {
  const std::optional<Control> control = control_of_id(LOWORD(wparam));
  if (!control) return;  // Enter and Escape from the dialog manager press nothing
  const Row& row = row_of(*control);
  const WORD code = HIWORD(wparam);
  if (row.kind == ControlKind::button && code == BN_CLICKED) {
    model_.press(*control);
  } else if (*control == Control::source_box && code == CBN_SELCHANGE) {
    // The box's text is not yet the chosen entry's while it tells.
    const HWND box = this->control(*control);
    const LRESULT chosen = SendMessageW(box, CB_GETCURSEL, 0, 0);
    if (chosen != CB_ERR)
      model_.choose_source(utf8_of(list_entry(box, static_cast<WPARAM>(chosen))));
  } else if (row.kind == ControlKind::editable_list && code == CBN_KILLFOCUS) {
    if (*control == Control::source_box) model_.source_edit_finished();
    show_from_start(field_parts_[static_cast<std::size_t>(*control)]);
  }
}

// The files dropped on the window, for the model to choose from.
void MainWindow::drop(HDROP files) {
  std::vector<std::string> paths;
  const UINT count = DragQueryFileW(files, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileW(files, i, nullptr, 0);
    std::wstring path(length + 1, L'\0');
    DragQueryFileW(files, i, path.data(), length + 1);
    path.resize(length);
    paths.push_back(utf8_of(path));
  }
  DragFinish(files);
  model_.drop_files(paths);
}

LRESULT MainWindow::handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND: command(wparam); return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC:
      if (const std::optional<LRESULT> brush =
              colour(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam), message)) {
        return *brush;
      }
      break;
    case WM_SETCURSOR:
      if (busy_) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_ACTIVATE:
      // The focus comes back to the control that had it, as in a dialog.
      if (LOWORD(wparam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(window_, focus)) focus_ = focus;
      } else if (HIWORD(wparam) == 0) {
        const bool usable = focus_ != nullptr && IsWindow(focus_) && IsWindowVisible(focus_);
        SetFocus(usable ? focus_ : control(Control::source_box));
      }
      return 0;
    case WM_DROPFILES: drop(reinterpret_cast<HDROP>(wparam)); return 0;
    case WM_DPICHANGED:
      return follow_resolution(window_, wparam, lparam,
                               [this](UINT dots_per_inch) { apply_resolution(dots_per_inch); });
    case WM_DESTROY:
      // Closing the main window ends the program: the information window
      // goes too, and no control's losing the focus reaches the model.
      information_.reset();
      names_.clear();
      controls_.fill(nullptr);
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY: {
      SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
      const HWND window = window_;
      window_ = nullptr;
      return DefWindowProcW(window, message, wparam, lparam);
    }
    default: break;
  }
  return DefWindowProcW(window_, message, wparam, lparam);
}

// FormView

std::string MainWindow::text(Control control) const {
  const HWND window = this->control(control);
  return window == nullptr ? std::string() : utf8_of(window_text(window));
}

void MainWindow::set_text(Control control, std::string_view text) {
  const HWND window = this->control(control);
  if (window == nullptr) return;
  const std::wstring wide = wide_of(text);
  if (row_of(control).kind == ControlKind::editable_list) {
    const LRESULT count = SendMessageW(window, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      // Exactly: the list's own search ignores case.
      if (list_entry(window, static_cast<WPARAM>(i)) == wide) {
        SendMessageW(window, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
        // Chosen, not selected for typing over.
        SendMessageW(window, CB_SETEDITSEL, 0, MAKELPARAM(-1, 0));
        if (GetFocus() != field_parts_[static_cast<std::size_t>(control)]) {
          show_from_start(field_parts_[static_cast<std::size_t>(control)]);
        }
        return;
      }
    }
  }
  SetWindowTextW(window, wide.c_str());
}

void MainWindow::set_list(Control control, std::span<const std::string_view> entries) {
  const HWND box = this->control(control);
  if (box == nullptr) return;
  SendMessageW(box, CB_RESETCONTENT, 0, 0);
  for (const std::string_view entry : entries) {
    SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide_of(entry).c_str()));
  }
  SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  SetWindowTextW(box, L"");
  fit_list_width(box);
}

// The model holds the layout; the window only follows it.
void MainWindow::set_layout(Layout) {
  if (window_ != nullptr) apply_layout();
}

std::optional<std::string> MainWindow::choose_file(std::string_view preset, FileKind kind) {
  return open_file_dialog(window_, preset, kind);
}

std::optional<std::string> MainWindow::choose_output(std::string_view suggested) {
  return save_drawing_dialog(window_, suggested);
}

void MainWindow::show_message(std::string_view text, std::string_view title) {
  message_box(window_, text, title);
}

bool MainWindow::ask(std::string_view text, std::string_view title) {
  return question_box(window_, text, title);
}

// The window is not served while a conversion runs: the pointer changes
// now, not at the next mouse move.
void MainWindow::set_busy(bool busy) {
  busy_ = busy;
  SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

void MainWindow::close_window() {
  if (window_ != nullptr) DestroyWindow(window_);
}

}  // namespace kelvrin::ui::win32
