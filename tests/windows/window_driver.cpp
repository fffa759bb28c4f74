// kelvrin_window_driver.exe: the window of kelvrin.exe (ui/win32), run by a
// program of the tests' own and driven through what Windows gives any other
// program (window classes, control identifiers, messages, the screen), so
// that a test can use the real window, its real dialogs included, where no
// one sits at it: under wine on an X server of its own.
//
//   kelvrin_window_driver.exe SCRIPT LOG [DRAWING]
//
// DRAWING is what kelvrin.exe takes on its command line. SCRIPT holds one
// step a line ("#" starts a comment; NAME is a control's name in
// form_layout.cpp), run in turn while the window serves its messages; what
// the steps see goes to LOG, a new file:
//   choose NAME ENTRY      choose ENTRY from a list, as with the arrow keys
//   type NAME TEXT         put the focus in NAME and TEXT in it
//   key KEY                a key pressed in the control with the focus: Tab,
//                          Enter, Escape, F1, Down, Up, Alt+Down
//   input KEY              the same key through the system's input (SendInput)
//   press NAME             click a button
//   drop PATH              drop a file on the window
//   dialog PATH            answer the file dialog that is open with PATH
//   dialog cancel          close it with Cancel
//   message OK|Yes|No      log the message box that is open and answer it
//   state                  log the layout, the controls and the lists
//   focus                  log the name of the control with the focus
//   dropped NAME           log whether the list NAME is dropped down
//   names                  log the name each control gives a screen reader
//   information            log the information window and its lines
//   close information      close the information window
//   wait MILLISECONDS      let the window be (and the X server show it)
//   painted NAME           log whether the screen shows NAME drawn: more
//                          than one colour in its rectangle
//   screenshot main|information FILE   a 24-bit BMP of the window as the
//                          screen shows it, into a new FILE
//   close                  close the main window
// A step runs only once the window has served everything before it: the
// steps go at the ticks of a timer, which Windows raises only when no other
// message, painting included, is waiting. A script that does not parse
// runs nothing; a step that cannot run (no such control, no dialog within
// 20 s, a dialog nobody expected) logs "error:", and the program closes
// its windows and ends with 2. It ends with 0 when the window has closed.

#include <windows.h>
// windows.h first
#include <commctrl.h>
#include <commdlg.h>
#include <objbase.h>
#include <oleacc.h>
#include <shellapi.h>
#include <shlobj.h>

#include <array>
#include <charconv>
#include <cstdint>
#include <exception>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/conversion_job.hpp"
#include "core/executable_folder.hpp"
#include "platform/file.hpp"
#include "platform/new_file.hpp"
#include "platform/windows/wide_text.hpp"
#include "ui/form_layout.hpp"
#include "ui/win32/main_window.hpp"

namespace {

using kelvrin::platform::windows::utf8_of;
using kelvrin::platform::windows::wide_of;
using kelvrin::ui::Control;
using kelvrin::ui::ControlKind;
using kelvrin::ui::form_controls;
namespace platform = kelvrin::platform;

constexpr UINT tick_milliseconds = 50;
constexpr ULONGLONG dialog_wait_milliseconds = 20000;
constexpr int failed_status = 2;

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
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return utf8_of(name);
}

// The first word of `text` and the rest after one blank.
std::pair<std::string_view, std::string_view> split(std::string_view text) {
  const std::size_t blank = text.find(' ');
  if (blank == std::string_view::npos) return {text, {}};
  return {text.substr(0, blank), text.substr(blank + 1)};
}

// This thread's visible top-level window of `class_name`.
HWND thread_window(const char* class_name) {
  struct Search {
    const char* class_name;
    HWND found;
  } wanted{class_name, nullptr};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM data) -> BOOL {
        auto* search = reinterpret_cast<Search*>(data);
        if (class_of(window) != search->class_name || !IsWindowVisible(window)) return TRUE;
        search->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&wanted));
  return wanted.found;
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

HWND main_window() { return thread_window("KelvrinMainWindow"); }
HWND information_window() { return thread_window("KelvrinInformationWindow"); }

HWND information_list(HWND information) {
  return information == nullptr ? nullptr
                                : FindWindowExW(information, nullptr, WC_LISTBOXW, nullptr);
}

HWND control_window(HWND main, Control control) {
  return main == nullptr ? nullptr : GetDlgItem(main, kelvrin::ui::win32::control_id(control));
}

std::optional<Control> control_named(std::string_view name) {
  for (const auto& row : form_controls()) {
    if (row.name == name) return row.control;
  }
  return std::nullopt;
}

std::string name_of(HWND main, HWND focus) {
  if (focus == nullptr) return "(none)";
  for (const auto& row : form_controls()) {
    const HWND control = control_window(main, row.control);
    if (control != nullptr && (focus == control || GetParent(focus) == control)) {
      return std::string(row.name);
    }
  }
  if (focus == information_list(information_window())) return "List1";
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

std::string list_entries(HWND box) {
  std::string entries;
  const auto count = static_cast<int>(SendMessageW(box, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    const auto length = static_cast<std::size_t>(SendMessageW(box, CB_GETLBTEXTLEN, i, 0));
    std::wstring entry(length + 1, L'\0');
    SendMessageW(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry.data()));
    entry.resize(length);
    entries += (i == 0 ? "" : " | ") + utf8_of(entry);
  }
  return entries;
}

// A list's text box: where its text shows, and from which character.
HWND list_text_box(HWND box) {
  COMBOBOXINFO parts{};
  parts.cbSize = sizeof parts;
  return GetComboBoxInfo(box, &parts) ? parts.hwndItem : nullptr;
}

struct Key {
  std::string_view name;
  UINT code;
  bool alt;
};
constexpr std::array keys{
    Key{"Tab", VK_TAB, false},      Key{"Enter", VK_RETURN, false}, Key{"Escape", VK_ESCAPE, false},
    Key{"F1", VK_F1, false},        Key{"Down", VK_DOWN, false},    Key{"Up", VK_UP, false},
    Key{"Alt+Down", VK_DOWN, true},
};

const Key* key_named(std::string_view name) {
  for (const Key& key : keys) {
    if (key.name == name) return &key;
  }
  return nullptr;
}

// What the keyboard sends the window with the focus; with Alt held, the
// system's keys (the context code, bit 29).
void post_key(HWND target, const Key& key) {
  const LPARAM alt = key.alt ? 0x20000000 : 0;
  PostMessageW(target, key.alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key.code, 1 | alt);
  PostMessageW(target, key.alt ? WM_SYSKEYUP : WM_KEYUP, key.code,
               static_cast<LPARAM>(0xC0000001) | alt);
}

// What the screen shows of `rect` (screen coordinates), as a bottom-up
// 24-bit picture: taken as it is, nothing asked to draw again first.
struct Picture {
  int width = 0;
  int height = 0;
  std::string pixels;  // rows of BGR triples, each padded to 4 bytes
  std::size_t row() const { return (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3}; }
};

Picture screen_picture(const RECT& rect) {
  Picture picture;
  picture.width = rect.right - rect.left;
  picture.height = rect.bottom - rect.top;
  if (picture.width <= 0 || picture.height <= 0) return {};
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, picture.width, picture.height);
  const HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, picture.width, picture.height, screen, rect.left, rect.top,
         SRCCOPY | CAPTUREBLT);
  SelectObject(memory, previous);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = picture.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  picture.pixels.assign(picture.row() * static_cast<std::size_t>(picture.height), '\0');
  GetDIBits(memory, bitmap, 0, static_cast<UINT>(picture.height), picture.pixels.data(), &info,
            DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return picture;
}

std::size_t colour_count(const Picture& picture) {
  std::set<std::uint32_t> colours;
  for (int y = 0; y < picture.height; ++y) {
    const char* row = picture.pixels.data() + picture.row() * static_cast<std::size_t>(y);
    for (int x = 0; x < picture.width; ++x) {
      const auto* pixel = reinterpret_cast<const unsigned char*>(row + 3 * x);
      colours.insert(pixel[0] | (pixel[1] << 8) | (pixel[2] << 16));
    }
  }
  return colours.size();
}

bool write_new_file(const std::wstring& path, const std::string& bytes) {
  const platform::FileHandle file = platform::create_exclusive(utf8_of(path));
  if (file == platform::no_file) return false;
  const bool whole = !platform::write_all(file, bytes.data(), bytes.size());
  return !platform::close_file(file) && whole;
}

bool write_bmp(const Picture& picture, const std::wstring& path) {
  if (picture.pixels.empty()) return false;
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = picture.width;
  info.biHeight = picture.height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  BITMAPFILEHEADER header{};
  header.bfType = 0x4D42;  // "BM"
  header.bfOffBits = sizeof header + sizeof info;
  header.bfSize = static_cast<DWORD>(header.bfOffBits + picture.pixels.size());
  std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
  bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
  bytes += picture.pixels;
  return write_new_file(path, bytes);
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

// The folder a file dialog shows, however long.
std::string dialog_folder(HWND dialog) {
  const auto length = SendMessageW(dialog, CDM_GETFOLDERPATH, 0, 0);
  if (length <= 0) return {};
  std::wstring folder(static_cast<std::size_t>(length), L'\0');
  SendMessageW(dialog, CDM_GETFOLDERPATH, static_cast<WPARAM>(length),
               reinterpret_cast<LPARAM>(folder.data()));
  return utf8_of(folder.c_str());
}

class Driver;

// A step's verb: what it does, and whether it answers a dialog.
struct Verb {
  std::string_view name;
  bool answers_dialog;
  bool (Driver::*run)(std::string_view rest, HWND dialog);
};

struct Step {
  const Verb* verb;
  std::string rest;
  std::string line;
};

class Driver {
 public:
  Driver(std::vector<Step> steps, platform::FileHandle log) : steps_(std::move(steps)), log_(log) {}
  ~Driver() {
    stop();
    if (log_ != platform::no_file) platform::close_file(log_);
  }
  Driver(const Driver&) = delete;
  Driver& operator=(const Driver&) = delete;

  static std::optional<std::vector<Step>> parse(std::string_view text, std::string& error);

  void start() {
    running_ = this;
    timer_ = SetTimer(nullptr, 0, tick_milliseconds, &Driver::tick);
  }
  bool failed() const { return failed_; }
  void log(const std::string& line) {
    if (log_ == platform::no_file) return;
    const std::string text = line + "\n";
    platform::write_all(log_, text.data(), text.size());
  }
  // Steps left once the window has closed never run: the log says how
  // far the script went.
  void finish() {
    log("closed after " + std::to_string(next_) + " of " + std::to_string(steps_.size()) +
        " steps");
  }

 private:
  static const std::array<Verb, 17> verbs;
  static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) noexcept;

  void stop() {
    if (timer_ != 0) KillTimer(nullptr, timer_);
    timer_ = 0;
    if (running_ == this) running_ = nullptr;
  }
  void step();
  void fail(const std::string& why);

  bool choose(std::string_view rest, HWND dialog);
  bool type(std::string_view rest, HWND dialog);
  bool key(std::string_view rest, HWND dialog);
  bool input_key(std::string_view rest, HWND dialog);
  bool press(std::string_view rest, HWND dialog);
  bool drop(std::string_view rest, HWND dialog);
  bool answer_dialog(std::string_view rest, HWND dialog);
  bool answer_message(std::string_view rest, HWND dialog);
  bool state(std::string_view rest, HWND dialog);
  bool focus(std::string_view rest, HWND dialog);
  bool dropped(std::string_view rest, HWND dialog);
  bool names(std::string_view rest, HWND dialog);
  bool information(std::string_view rest, HWND dialog);
  bool close(std::string_view rest, HWND dialog);
  bool wait(std::string_view rest, HWND dialog);
  bool painted(std::string_view rest, HWND dialog);
  bool screenshot(std::string_view rest, HWND dialog);

  // The timer's callback has no argument of its own: the one driver a
  // program runs.
  static inline Driver* running_ = nullptr;

  std::vector<Step> steps_;
  std::size_t next_ = 0;
  platform::FileHandle log_;
  UINT_PTR timer_ = 0;
  ULONGLONG waiting_since_ = 0;
  ULONGLONG idle_until_ = 0;
  bool failed_ = false;
};

const std::array<Verb, 17> Driver::verbs{
    Verb{"choose", false, &Driver::choose},
    Verb{"type", false, &Driver::type},
    Verb{"key", false, &Driver::key},
    Verb{"input", false, &Driver::input_key},
    Verb{"press", false, &Driver::press},
    Verb{"drop", false, &Driver::drop},
    Verb{"dialog", true, &Driver::answer_dialog},
    Verb{"message", true, &Driver::answer_message},
    Verb{"state", false, &Driver::state},
    Verb{"focus", false, &Driver::focus},
    Verb{"dropped", false, &Driver::dropped},
    Verb{"names", false, &Driver::names},
    Verb{"information", false, &Driver::information},
    Verb{"close", false, &Driver::close},
    Verb{"wait", false, &Driver::wait},
    Verb{"painted", false, &Driver::painted},
    Verb{"screenshot", false, &Driver::screenshot},
};

std::optional<std::vector<Step>> Driver::parse(std::string_view text, std::string& error) {
  std::vector<Step> steps;
  int number = 0;
  while (!text.empty()) {
    ++number;
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    const auto [name, rest] = split(line);
    const Verb* verb = nullptr;
    for (const Verb& candidate : verbs) {
      if (candidate.name == name) verb = &candidate;
    }
    unsigned long long milliseconds = 0;
    const bool bad_wait =
        verb != nullptr && name == "wait" &&
        std::from_chars(rest.data(), rest.data() + rest.size(), milliseconds).ptr !=
            rest.data() + rest.size();
    if (verb == nullptr || bad_wait ||
        ((name == "key" || name == "input") && key_named(rest) == nullptr)) {
      error = "line " + std::to_string(number) + ": \"" + std::string(line) + "\"";
      return std::nullopt;
    }
    steps.push_back({verb, std::string(rest), std::string(line)});
  }
  return steps;
}

void CALLBACK Driver::tick(HWND, UINT, UINT_PTR, DWORD) noexcept {
  Driver* driver = running_;
  if (driver == nullptr) return;
  // Nothing may leave a callback of the system's.
  try {
    driver->step();
  } catch (const std::exception& exception) {
    driver->fail(std::string("exception: ") + exception.what());
  } catch (...) {
    driver->fail("exception");
  }
}

// Logs why and what was on the screen, and ends the message loops: every
// modal loop that sees WM_QUIT ends and posts it again for the next.
void Driver::fail(const std::string& why) {
  failed_ = true;
  stop();
  log("error: " + why);
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM driver) -> BOOL {
        reinterpret_cast<Driver*>(driver)->log("  window " + class_of(window) + " [" +
                                               text_of(window) + "]" +
                                               (IsWindowVisible(window) ? " visible" : "") +
                                               (IsWindowEnabled(window) ? " enabled" : ""));
        return TRUE;
      },
      reinterpret_cast<LPARAM>(this));
  PostQuitMessage(failed_status);
}

// One step a tick: what a step posts (a click, a key) is served before the
// next tick, and a dialog it opens is up by then.
void Driver::step() {
  if (next_ >= steps_.size()) {
    stop();
    log("done");
    return;
  }
  if (GetTickCount64() < idle_until_) return;
  const Step& current = steps_[next_];
  const HWND dialog = open_dialog();
  if (current.verb->answers_dialog && dialog == nullptr) {
    if (waiting_since_ == 0) waiting_since_ = GetTickCount64();
    if (GetTickCount64() - waiting_since_ > dialog_wait_milliseconds) {
      fail("no dialog for \"" + current.line + "\"");
    }
    return;
  }
  waiting_since_ = 0;
  if (!current.verb->answers_dialog && dialog != nullptr) {
    fail("a dialog nobody expected before \"" + current.line + "\": [" + text_of(dialog) + "] " +
         text_of(GetDlgItem(dialog, message_text_id)));
    return;
  }
  ++next_;
  if (!(this->*current.verb->run)(current.rest, dialog))
    fail("cannot run \"" + current.line + "\"");
}

bool Driver::choose(std::string_view rest, HWND) {
  const auto [name, text] = split(rest);
  const std::optional<Control> control = control_named(name);
  const HWND main = main_window();
  if (!control || main == nullptr) return false;
  const HWND box = control_window(main, *control);
  const std::wstring wide = wide_of(text);
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

bool Driver::type(std::string_view rest, HWND) {
  const auto [name, text] = split(rest);
  const std::optional<Control> control = control_named(name);
  const HWND main = main_window();
  if (!control || main == nullptr) return false;
  const HWND box = control_window(main, *control);
  SetFocus(box);
  SetWindowTextW(box, wide_of(text).c_str());
  return true;
}

bool Driver::key(std::string_view rest, HWND) {
  const Key* key = key_named(rest);
  const HWND focus = GetFocus();
  if (key == nullptr || focus == nullptr) return false;
  post_key(focus, *key);
  return true;
}

// The same key through the system's input, as a keyboard gives it: to the
// window that has the focus when the system takes it, with the keyboard's
// state.
bool Driver::input_key(std::string_view rest, HWND) {
  const Key* key = key_named(rest);
  if (key == nullptr) return false;
  std::vector<INPUT> inputs;
  const auto add = [&inputs](WORD code, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = code;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs.push_back(input);
  };
  if (key->alt) add(VK_MENU, false);
  add(static_cast<WORD>(key->code), false);
  add(static_cast<WORD>(key->code), true);
  if (key->alt) add(VK_MENU, true);
  return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

bool Driver::press(std::string_view rest, HWND) {
  const std::optional<Control> control = control_named(rest);
  const HWND main = main_window();
  if (!control || main == nullptr) return false;
  PostMessageW(control_window(main, *control), BM_CLICK, 0, 0);
  return true;
}

bool Driver::drop(std::string_view rest, HWND) {
  const HWND main = main_window();
  if (main == nullptr) return false;
  drop_file(main, wide_of(rest));
  return true;
}

bool Driver::answer_dialog(std::string_view rest, HWND dialog) {
  HWND name = GetDlgItem(dialog, cmb13);
  if (name == nullptr) name = GetDlgItem(dialog, edt1);
  log("dialog: [" + text_of(dialog) + "] folder=" + dialog_folder(dialog) +
      " file=" + text_of(name) + " type=" + text_of(GetDlgItem(dialog, cmb1)));
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

bool Driver::answer_message(std::string_view rest, HWND dialog) {
  log("message: [" + text_of(dialog) + "] " + text_of(GetDlgItem(dialog, message_text_id)));
  const int button = rest == "Yes" ? IDYES : rest == "No" ? IDNO : IDOK;
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
  return true;
}

bool Driver::state(std::string_view, HWND) {
  const HWND main = main_window();
  if (main == nullptr) return false;
  RECT outer{};
  RECT client{};
  GetWindowRect(main, &outer);
  GetClientRect(main, &client);
  // The parameter rows show in the Qualquer layout only.
  const bool qualquer = IsWindowVisible(control_window(main, Control::param_x_field)) != FALSE;
  log(std::string("state: layout=") + (qualquer ? "qualquer" : "compact") +
      " dpi=" + std::to_string(GetDpiForWindow(main)) + " window=" + size_text(outer) +
      " client=" + size_text(client) + " caption=" + text_of(main));
  for (const auto& row : form_controls()) {
    const HWND control = control_window(main, row.control);
    log("control " + std::string(row.name) +
        " visible=" + (IsWindowVisible(control) ? "1 " : "0 ") + rect_text(control, main) +
        " font=" + font_text(control) + " text=" + text_of(control));
    if (row.kind == ControlKind::editable_list) {
      log("entries " + std::string(row.name) + ": " + list_entries(control));
      // A single-line box answers with the first character it shows.
      const LRESULT first = SendMessageW(list_text_box(control), EM_GETFIRSTVISIBLELINE, 0, 0);
      log("shown from " + std::string(row.name) + ": " + std::to_string(first));
    }
  }
  return true;
}

bool Driver::focus(std::string_view, HWND) {
  log("focus: " + name_of(main_window(), GetFocus()));
  return true;
}

bool Driver::dropped(std::string_view rest, HWND) {
  const std::optional<Control> control = control_named(rest);
  const HWND main = main_window();
  if (!control || main == nullptr) return false;
  const LRESULT state = SendMessageW(control_window(main, *control), CB_GETDROPPEDSTATE, 0, 0);
  log("dropped " + std::string(rest) + ": " + (state != 0 ? "yes" : "no"));
  return true;
}

// What a screen reader asks each control for its name.
bool Driver::names(std::string_view, HWND) {
  const HWND main = main_window();
  if (main == nullptr) return false;
  for (const auto& row : form_controls()) {
    void* object = nullptr;
    std::string name = "(none)";
    if (SUCCEEDED(AccessibleObjectFromWindow(control_window(main, row.control),
                                             static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                             &object))) {
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

bool Driver::information(std::string_view, HWND) {
  const HWND information = information_window();
  if (information == nullptr) {
    log("information: closed");
    return true;
  }
  const HWND list = information_list(information);
  RECT client{};
  GetClientRect(information, &client);
  const auto count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  log("information: [" + text_of(information) + "] client=" + size_text(client) + " list " +
      rect_text(list, information) + " font=" + font_text(list) +
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

bool Driver::close(std::string_view rest, HWND) {
  const HWND target = rest == "information" ? information_window()
                      : rest.empty()        ? main_window()
                                            : nullptr;
  if (target == nullptr) return false;
  PostMessageW(target, WM_CLOSE, 0, 0);
  return true;
}

bool Driver::wait(std::string_view rest, HWND) {
  unsigned long long milliseconds = 0;  // checked when the script was read
  std::from_chars(rest.data(), rest.data() + rest.size(), milliseconds);
  idle_until_ = GetTickCount64() + milliseconds;
  return true;
}

bool Driver::painted(std::string_view rest, HWND) {
  const std::optional<Control> control = control_named(rest);
  const HWND main = main_window();
  if (!control || main == nullptr) return false;
  RECT rect{};
  GetWindowRect(control_window(main, *control), &rect);
  const std::size_t colours = colour_count(screen_picture(rect));
  log("painted " + std::string(rest) + ": " + (colours > 1 ? "yes" : "no"));
  return true;
}

bool Driver::screenshot(std::string_view rest, HWND) {
  const auto [which, file] = split(rest);
  const HWND target = which == "information" ? information_window()
                      : which == "main"      ? main_window()
                                             : nullptr;
  if (target == nullptr) return false;
  RECT rect{};
  GetWindowRect(target, &rect);
  return write_bmp(screen_picture(rect), wide_of(file));
}

std::vector<std::wstring> arguments() {
  int count = 0;
  LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::wstring> all;
  for (int i = 0; list != nullptr && i < count; ++i) all.emplace_back(list[i]);
  if (list != nullptr) LocalFree(list);
  return all;
}

std::optional<std::string> read_file(const std::wstring& path) {
  const platform::FileHandle file = platform::open_for_reading(utf8_of(path));
  if (file == platform::no_file) return std::nullopt;
  std::string text;
  char buffer[4096];
  platform::SystemError error;
  std::int64_t got = 0;
  while ((got = platform::read_some(file, buffer, sizeof buffer, error)) > 0) {
    text.append(buffer, static_cast<std::size_t>(got));
  }
  platform::close_file(file);
  if (got < 0) return std::nullopt;
  return text;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
  const std::vector<std::wstring> given = arguments();
  if (given.size() < 3 || given.size() > 4) return failed_status;
  const platform::FileHandle log = platform::create_exclusive(utf8_of(given[2]));
  if (log == platform::no_file) return failed_status;
  const std::optional<std::string> script = read_file(given[1]);
  std::string error = "cannot read the script";
  const std::optional<std::vector<Step>> steps =
      script ? Driver::parse(*script, error) : std::nullopt;
  Driver driver(steps ? *steps : std::vector<Step>{}, log);
  if (!steps) {
    driver.log("error: " + error);
    return failed_status;
  }

  // As kelvrin.exe starts its window (app/kelvrin_win32_main.cpp).
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  const kelvrin::core::JobSettings settings{kelvrin::core::grid_folder()};
  {
    kelvrin::ui::win32::MainWindow window(
        instance,
        [&settings](kelvrin::core::JobHost& host, const kelvrin::core::ConversionRequest& request) {
          kelvrin::core::run_conversion(host, settings, request);
        });
    if (given.size() == 4) window.set_input_file(utf8_of(given[3]));
    window.show(show_command);
    driver.start();
    window.run();
  }
  driver.finish();
  if (SUCCEEDED(com)) CoUninitialize();
  return driver.failed() ? failed_status : 0;
}
