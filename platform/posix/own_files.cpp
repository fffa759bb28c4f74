#include "platform/own_files.hpp"

#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <exception>

namespace kelvrin::platform {
namespace {

const char* last_words_text = "";

extern "C" void on_interruption(int signal_number) {
  remove_own_files();
  ::_exit(128 + signal_number);
}

[[noreturn]] void on_terminate() {
  const std::size_t length = std::strlen(last_words_text);
  if (length > 0) {
    [[maybe_unused]] const ssize_t ignored = ::write(STDERR_FILENO, last_words_text, length);
  }
  remove_own_files();
  ::_exit(1);
}

}  // namespace

// The saved mask is copied in and out of the header's storage rather than
// reached through a cast: that storage is bytes, never a sigset_t.
InterruptionsHeld::InterruptionsHeld() {
  static_assert(sizeof(sigset_t) <= sizeof saved_);
  sigset_t held;
  sigemptyset(&held);
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&held, signal_number);
  sigset_t saved;
  sigemptyset(&saved);
  ::pthread_sigmask(SIG_BLOCK, &held, &saved);
  std::memcpy(saved_, &saved, sizeof saved);
}

InterruptionsHeld::~InterruptionsHeld() {
  sigset_t saved;
  std::memcpy(&saved, saved_, sizeof saved);
  ::pthread_sigmask(SIG_SETMASK, &saved, nullptr);
}

void install_interruption_handlers(const char* last_words) {
  last_words_text = last_words;
  struct sigaction action {};
  action.sa_handler = on_interruption;
  sigemptyset(&action.sa_mask);
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    sigaddset(&action.sa_mask, signal_number);
  }
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    // A signal the program was started to ignore (nohup, a background job)
    // stays ignored.
    struct sigaction previous {};
    if (::sigaction(signal_number, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) {
      continue;
    }
    ::sigaction(signal_number, &action, nullptr);
  }
  ::signal(SIGPIPE, SIG_IGN);
  std::set_terminate(on_terminate);
}

}  // namespace kelvrin::platform
