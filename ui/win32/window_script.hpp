#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/file.hpp"

namespace kelvrin::ui::win32 {

class MainWindow;

// Drives the running window from a file of steps and writes what it sees
// to a log beside it (the file's name with ".log"), so that a test can use
// the real window, its real dialogs included, where no one sits at it:
// under wine on an X server of its own. The file is named by the
// environment variable KELVRIN_WINDOW_SCRIPT; without it nothing runs.
//
// One step a line, run in turn while the window serves its messages
// ("#" starts a comment; NAME is a control's name in form_layout.cpp):
//   choose NAME ENTRY      choose ENTRY from a list, as with the arrow keys
//   type NAME TEXT         put the focus in NAME and TEXT in it
//   key Tab|Enter|Escape|F1  a key pressed in the control with the focus
//   press NAME             click a button
//   drop PATH              drop a file on the window
//   dialog PATH            answer the file dialog that is open with PATH
//   dialog cancel          close it with Cancel
//   message OK|Yes|No      log the message box that is open and answer it
//   state                  log the layout, the controls and the lists
//   focus                  log the name of the control with the focus
//   names                  log the name each control gives a screen reader
//   information            log the information window and its lines
//   close information      close the information window
//   wait MILLISECONDS      let the window be (and the X server draw it)
//   screenshot main|information FILE   a 24-bit BMP of the window
//   close                  close the main window
// A step that cannot run (no such control, no dialog within 20 s, a
// dialog nobody expected) logs "error:" and ends the program with 2.
class WindowScript {
 public:
  // The script the environment names, or nothing.
  static std::unique_ptr<WindowScript> from_environment(MainWindow& window);

  WindowScript(MainWindow& window, std::vector<std::string> steps, std::wstring log_path);
  ~WindowScript();
  WindowScript(const WindowScript&) = delete;
  WindowScript& operator=(const WindowScript&) = delete;

  // Runs the steps from the message loop, one at each tick of a timer,
  // modal dialogs' loops included.
  void start();

 private:
  static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD);
  void step();
  bool run(const std::string& step, HWND dialog);
  void log(const std::string& line);
  [[noreturn]] void fail(const std::string& why);

  MainWindow& window_;
  std::vector<std::string> steps_;
  std::size_t next_ = 0;
  platform::FileHandle log_ = platform::no_file;
  UINT_PTR timer_ = 0;
  ULONGLONG waiting_since_ = 0;
  ULONGLONG idle_until_ = 0;
};

}  // namespace kelvrin::ui::win32
