#include "platform/own_files.hpp"

#include <atomic>
#include <cstring>
#include <exception>

#include "platform/windows/wide_text.hpp"

namespace kelvrin::platform {
namespace {

// A console event is handled on a thread of its own while the conversion
// goes on. It waits until no step that must not be cut in two is under way,
// and a step that would start after it does not: it waits for the end.
std::atomic<int> steps_held{0};
std::atomic<bool> interrupting{false};
thread_local int held_on_this_thread = 0;
const char* last_words_text = "";

// The exit statuses POSIX shells give the same interruptions: 128 + SIGINT,
// + SIGBREAK (21 in Windows' C library), + SIGHUP for a console closed.
constexpr UINT status_after(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT: return 128 + 2;
    case CTRL_BREAK_EVENT: return 128 + 21;
    default: return 128 + 1;
  }
}

BOOL WINAPI on_console_event(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT: break;
    default: return FALSE;
  }
  interrupting.store(true);
  while (steps_held.load() > 0) Sleep(1);
  remove_own_files();
  // As _exit: nothing else of the program runs.
  TerminateProcess(GetCurrentProcess(), status_after(event));
  return TRUE;
}

[[noreturn]] void on_terminate() {
  const std::size_t length = std::strlen(last_words_text);
  DWORD written = 0;
  if (length > 0) {
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), last_words_text, static_cast<DWORD>(length), &written,
              nullptr);
  }
  remove_own_files();
  TerminateProcess(GetCurrentProcess(), 1);
  for (;;) Sleep(INFINITE);
}

}  // namespace

InterruptionsHeld::InterruptionsHeld() : saved_{} {
  if (held_on_this_thread++ > 0) return;  // already held here
  steps_held.fetch_add(1);
  if (interrupting.load()) {
    // The handler is removing the files and ending the program.
    steps_held.fetch_sub(1);
    for (;;) Sleep(INFINITE);
  }
}

InterruptionsHeld::~InterruptionsHeld() {
  if (--held_on_this_thread > 0) return;
  steps_held.fetch_sub(1);
}

void install_interruption_handlers(const char* last_words) {
  last_words_text = last_words;
  // A missing disk or a failed read is told by the program, not in a box.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  SetConsoleCtrlHandler(on_console_event, TRUE);
  std::set_terminate(on_terminate);
}

}  // namespace kelvrin::platform
