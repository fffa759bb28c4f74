#include "ui/win32/window_script.hpp"

#include <commdlg.h>
#include <oleacc.h>
#include <shlobj.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "platform/file.hpp"
#include "platform/windows/wide_text.hpp"
#include "ui/form_layout.hpp"
#include "ui/win32/main_window.hpp"

namespace kelvrin::ui::win32 {
namespace {

using platform::windows::utf8_of;
using platform::windows::wide_of;

// The timer's callback has no argument of its own: the one script a
// program runs.
WindowScript* running = nullptr;

constexpr UINT tick_milliseconds = 50;
constexpr ULONGLONG dialog_wait_milliseconds = 20000;

// The text of a message box, in both Windows and wine.
constexpr int message_text_id = 0xFFFF;

std::string text_of(HWND window) {
  if (window == nullptr) return {};
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return utf8_of(text);
}

std::string class_of(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return utf8_of(name);
}

// The first word of `text` and the rest after one blank.
std::pair<std::string, std::string> split(const std::string& text) {
  const std::size_t blank = text.find(' ');
  if (blank == std::string::npos) return {text, {}};
  return {text.substr(0, blank), text.substr(blank + 1)};
}

// The modal dialog this thread shows now: the one that takes input, when
// one dialog has opened another.
HWND open_dialog() {
  HWND found = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM result) -> BOOL {
        if (class_of(window) == "#32770" && IsWindowVisible(window) && IsWindowEnabled(window)) {
          *reinterpret_cast<HWND*>(result) = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

std::optional<Control> control_named(std::string_view name) {
  for (const auto& row : form_controls()) {
    if (row.name == name) return row.control;
  }
  return std::nullopt;
}

std::string name_of(const MainWindow& window, HWND focus) {
  if (focus == nullptr) return "(none)";
  for (const auto& row : form_controls()) {
    const HWND control = window.control(row.control);
    if (control != nullptr && (focus == control || GetParent(focus) == control)) {
      return std::string(row.name);
    }
  }
  const InformationWindow* information = window.information();
  if (information != nullptr && focus == information->list()) return "List1";
  return "(" + class_of(focus) + ")";
}

std::string rect_text(HWND window, HWND parent) {
  RECT rect{};
  GetWindowRect(window, &rect);
  MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
  return "x=" + std::to_string(rect.left) + " y=" + std::to_string(rect.top) +
         " w=" + std::to_string(rect.right - rect.left) +
         " h=" + std::to_string(rect.bottom - rect.top);
}

std::string size_text(const RECT& rect) {
  return std::to_string(rect.right - rect.left) + "x" + std::to_string(rect.bottom - rect.top);
}

// The face and pixel height the system gave a control's font.
std::string font_text(HWND control) {
  HDC context = GetDC(control);
  const HGDIOBJ previous =
      SelectObject(context, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
  wchar_t face[LF_FACESIZE] = {};
  GetTextFaceW(context, LF_FACESIZE, face);
  TEXTMETRICW metrics{};
  GetTextMetricsW(context, &metrics);
  SelectObject(context, previous);
  ReleaseDC(control, context);
  return utf8_of(face) + " " + std::to_string(metrics.tmHeight - metrics.tmInternalLeading) +
         (metrics.tmWeight >= FW_BOLD ? " bold" : "");
}

std::string list_entries(HWND box, UINT count_message, UINT length_message, UINT text_message) {
  std::string entries;
  const auto count = static_cast<int>(SendMessageW(box, count_message, 0, 0));
  for (int i = 0; i < count; ++i) {
    const auto length = static_cast<std::size_t>(SendMessageW(box, length_message, i, 0));
    std::wstring entry(length + 1, L'\0');
    SendMessageW(box, text_message, i, reinterpret_cast<LPARAM>(entry.data()));
    entry.resize(length);
    entries += (i == 0 ? "" : " | ") + utf8_of(entry);
  }
  return entries;
}

void post_key(HWND target, UINT key) {
  PostMessageW(target, WM_KEYDOWN, key, 1);
  PostMessageW(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
}

// A bottom-up 24-bit BMP of what the screen shows of `window`, its frame
// included.
bool write_screenshot(HWND window, const std::wstring& path) {
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
  RECT rect{};
  GetWindowRect(window, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  const HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY | CAPTUREBLT);
  SelectObject(memory, previous);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  const std::size_t row = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
  std::string pixels(row * static_cast<std::size_t>(height), '\0');
  GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);

  BITMAPFILEHEADER header{};
  header.bfType = 0x4D42;  // "BM"
  header.bfOffBits = sizeof header + sizeof info.bmiHeader;
  header.bfSize = static_cast<DWORD>(header.bfOffBits + pixels.size());
  const platform::FileHandle file = platform::create_for_writing(utf8_of(path));
  if (file == platform::no_file) return false;
  bool whole = !platform::write_all(file, reinterpret_cast<const char*>(&header), sizeof header);
  whole = whole && !platform::write_all(file, reinterpret_cast<const char*>(&info.bmiHeader),
                                        sizeof info.bmiHeader);
  whole = whole && !platform::write_all(file, pixels.data(), pixels.size());
  return !platform::close_file(file) && whole;
}

// What Explorer hands a window that a file is dropped on.
void drop_file(HWND window, const std::wstring& path) {
  const std::size_t bytes = sizeof(DROPFILES) + (path.size() + 2) * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GHND, bytes);
  auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
  files->pFiles = sizeof(DROPFILES);
  files->fWide = TRUE;
  path.copy(reinterpret_cast<wchar_t*>(files + 1), path.size());
  GlobalUnlock(memory);
  PostMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

}  // namespace

std::unique_ptr<WindowScript> WindowScript::from_environment(MainWindow& window) {
  std::wstring path(32768, L'\0');
  const DWORD length = GetEnvironmentVariableW(L"KELVRIN_WINDOW_SCRIPT", path.data(),
                                               static_cast<DWORD>(path.size()));
  if (length == 0 || length >= path.size()) return nullptr;
  path.resize(length);
  const platform::FileHandle file = platform::open_for_reading(utf8_of(path));
  if (file == platform::no_file) return nullptr;
  std::string text;
  char buffer[4096];
  platform::SystemError ignored;
  for (std::int64_t got; (got = platform::read_some(file, buffer, sizeof buffer, ignored)) > 0;) {
    text.append(buffer, static_cast<std::size_t>(got));
  }
  platform::close_file(file);
  std::vector<std::string> steps;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line.front() != '#') steps.push_back(std::move(line));
    start = end + 1;
  }
  return std::make_unique<WindowScript>(window, std::move(steps), path + L".log");
}

WindowScript::WindowScript(MainWindow& window, std::vector<std::string> steps,
                           std::wstring log_path)
    : window_(window), steps_(std::move(steps)) {
  log_ = platform::create_for_writing(utf8_of(log_path));
}

WindowScript::~WindowScript() {
  if (timer_ != 0) KillTimer(nullptr, timer_);
  if (running == this) running = nullptr;
  if (log_ != platform::no_file) platform::close_file(log_);
}

void WindowScript::start() {
  running = this;
  timer_ = SetTimer(nullptr, 0, tick_milliseconds, &WindowScript::tick);
}

void CALLBACK WindowScript::tick(HWND, UINT, UINT_PTR, DWORD) {
  if (running != nullptr) running->step();
}

void WindowScript::log(const std::string& line) {
  if (log_ == platform::no_file) return;
  const std::string text = line + "\n";
  platform::write_all(log_, text.data(), text.size());
}

void WindowScript::fail(const std::string& why) {
  log("error: " + why);
  // What was on the screen, for the one who reads the log.
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM script) -> BOOL {
        reinterpret_cast<WindowScript*>(script)->log("  window " + class_of(window) + " [" +
                                                     text_of(window) + "]" +
                                                     (IsWindowVisible(window) ? " visible" : "") +
                                                     (IsWindowEnabled(window) ? " enabled" : ""));
        return TRUE;
      },
      reinterpret_cast<LPARAM>(this));
  platform::close_file(log_);
  log_ = platform::no_file;
  ExitProcess(2);
}

// One step a tick: what a step posts (a click, a key) is served before the
// next tick, and a dialog it opens is up by then.
void WindowScript::step() {
  if (next_ >= steps_.size()) {
    if (timer_ != 0) KillTimer(nullptr, timer_);
    timer_ = 0;
    log("done");
    return;
  }
  if (GetTickCount64() < idle_until_) return;
  const std::string& current = steps_[next_];
  const bool for_dialog = current.starts_with("dialog ") || current.starts_with("message");
  const HWND dialog = open_dialog();
  if (for_dialog && dialog == nullptr) {
    if (waiting_since_ == 0) waiting_since_ = GetTickCount64();
    if (GetTickCount64() - waiting_since_ > dialog_wait_milliseconds) {
      fail("no dialog for \"" + current + "\"");
    }
    return;
  }
  waiting_since_ = 0;
  if (!for_dialog && dialog != nullptr) {
    fail("a dialog nobody expected before \"" + current + "\": [" + text_of(dialog) + "] " +
         text_of(GetDlgItem(dialog, message_text_id)));
  }
  ++next_;
  if (!run(current, dialog)) fail("cannot run \"" + current + "\"");
}

bool WindowScript::run(const std::string& step, HWND dialog) {
  const auto [verb, rest] = split(step);
  const HWND main = window_.handle();
  if (verb == "choose" || verb == "type") {
    const auto [name, text] = split(rest);
    const std::optional<Control> control = control_named(name);
    if (!control || main == nullptr) return false;
    const HWND box = window_.control(*control);
    const std::wstring wide = wide_of(text);
    if (verb == "type") {
      SetFocus(box);
      SetWindowTextW(box, wide.c_str());
      return true;
    }
    const LRESULT entry = SendMessageW(box, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(wide.c_str()));
    if (entry == CB_ERR) return false;
    SetFocus(box);
    SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(entry), 0);
    // What the list tells its window when the user moves through it.
    SendMessageW(main, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(box));
    // Windows hides a list's selected text once the focus leaves it; wine
    // would leave it highlighted in the pictures.
    SendMessageW(box, CB_SETEDITSEL, 0, MAKELPARAM(-1, 0));
    return true;
  }
  if (verb == "key") {
    const UINT key = rest == "Tab"      ? VK_TAB
                     : rest == "Enter"  ? VK_RETURN
                     : rest == "Escape" ? VK_ESCAPE
                     : rest == "F1"     ? VK_F1
                                        : 0;
    const HWND focus = GetFocus();
    if (key == 0 || focus == nullptr) return false;
    post_key(focus, key);
    return true;
  }
  if (verb == "press") {
    const std::optional<Control> control = control_named(rest);
    if (!control || main == nullptr) return false;
    PostMessageW(window_.control(*control), BM_CLICK, 0, 0);
    return true;
  }
  if (verb == "drop") {
    if (main == nullptr) return false;
    drop_file(main, wide_of(rest));
    return true;
  }
  if (verb == "dialog") {
    wchar_t folder[MAX_PATH] = {};
    SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder));
    HWND name = GetDlgItem(dialog, cmb13);
    if (name == nullptr) name = GetDlgItem(dialog, edt1);
    log("dialog: [" + text_of(dialog) + "] folder=" + utf8_of(folder) + " file=" + text_of(name) +
        " type=" + text_of(GetDlgItem(dialog, cmb1)));
    if (rest == "cancel") {
      PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
      return true;
    }
    if (name == nullptr) return false;
    SetWindowTextW(name, wide_of(rest).c_str());
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    return true;
  }
  if (verb == "message") {
    log("message: [" + text_of(dialog) + "] " + text_of(GetDlgItem(dialog, message_text_id)));
    const int button = rest == "Yes" ? IDYES : rest == "No" ? IDNO : IDOK;
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
    return true;
  }
  if (verb == "state") {
    if (main == nullptr) return false;
    RECT outer{};
    RECT client{};
    GetWindowRect(main, &outer);
    GetClientRect(main, &client);
    log(std::string("state: layout=") +
        (window_.layout() == Layout::qualquer ? "qualquer" : "compact") +
        " dpi=" + std::to_string(window_.dots_per_inch()) + " window=" + size_text(outer) +
        " client=" + size_text(client) + " caption=" + text_of(main));
    for (const auto& row : form_controls()) {
      const HWND control = window_.control(row.control);
      log("control " + std::string(row.name) +
          " visible=" + (IsWindowVisible(control) ? "1 " : "0 ") + rect_text(control, main) +
          " font=" + font_text(control) + " text=" + text_of(control));
      if (row.kind == ControlKind::editable_list) {
        log("entries " + std::string(row.name) + ": " +
            list_entries(control, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT));
      }
    }
    return true;
  }
  if (verb == "names") {
    // What a screen reader asks each control for its name.
    for (const auto& row : form_controls()) {
      const HWND control = window_.control(row.control);
      void* object = nullptr;
      std::string name = "(none)";
      if (SUCCEEDED(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT),
                                               IID_IAccessible, &object))) {
        auto* accessible = static_cast<IAccessible*>(object);
        VARIANT self{};
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        BSTR text = nullptr;
        if (accessible->get_accName(self, &text) == S_OK && text != nullptr) {
          name = utf8_of(std::wstring_view(text, SysStringLen(text)));
        }
        SysFreeString(text);
        accessible->Release();
      }
      log("name " + std::string(row.name) + ": " + name);
    }
    return true;
  }
  if (verb == "focus") {
    log("focus: " + name_of(window_, GetFocus()));
    return true;
  }
  if (verb == "information") {
    const InformationWindow* information = window_.information();
    if (information == nullptr || information->handle() == nullptr) {
      log("information: closed");
      return true;
    }
    const HWND list = information->list();
    RECT client{};
    GetClientRect(information->handle(), &client);
    const auto count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    log("information: [" + text_of(information->handle()) + "] client=" + size_text(client) +
        " list " + rect_text(list, information->handle()) + " font=" + font_text(list) +
        " lines=" + std::to_string(count));
    for (LRESULT i = 0; i < count; ++i) {
      const auto length = static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0));
      std::wstring line(length + 1, L'\0');
      SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()));
      line.resize(length);
      log("line " + std::to_string(i + 1) + ": " + utf8_of(line));
    }
    return true;
  }
  if (verb == "close") {
    if (rest == "information") {
      const InformationWindow* information = window_.information();
      if (information == nullptr || information->handle() == nullptr) return false;
      PostMessageW(information->handle(), WM_CLOSE, 0, 0);
      return true;
    }
    if (main == nullptr) return false;
    PostMessageW(main, WM_CLOSE, 0, 0);
    return true;
  }
  if (verb == "wait") {
    idle_until_ = GetTickCount64() + std::stoull(rest);
    return true;
  }
  if (verb == "screenshot") {
    const auto [which, file] = split(rest);
    const InformationWindow* information = window_.information();
    const HWND target = which == "information" && information != nullptr ? information->handle()
                        : which == "main"                                ? main
                                                                         : nullptr;
    if (target == nullptr) return false;
    return write_screenshot(target, wide_of(file));
  }
  return false;
}

}  // namespace kelvrin::ui::win32
