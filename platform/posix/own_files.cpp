#include "platform/own_files.hpp"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <exception>

namespace kelvrin::platform {
namespace {

// Fixed storage: the signal handler may neither allocate nor lock.
constexpr int slot_count = 8;
constexpr std::size_t longest_path = 4096;  // PATH_MAX on Linux

struct Slot {
  std::atomic<bool> in_use{false};  // claimed by a conversion
  std::atomic<bool> filled{false};  // `path` is complete
  char path[longest_path];
};

Slot slots[slot_count];
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

OwnFileName::OwnFileName(const std::string& path) {
  if (path.size() >= longest_path) return;
  for (int i = 0; i < slot_count; ++i) {
    bool expected = false;
    if (slots[i].in_use.compare_exchange_strong(expected, true)) {
      std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
      slots[i].filled.store(true, std::memory_order_release);
      slot_ = i;
      return;
    }
  }
}

OwnFileName::~OwnFileName() {
  if (slot_ < 0) return;
  slots[slot_].filled.store(false, std::memory_order_release);
  slots[slot_].in_use.store(false, std::memory_order_release);
}

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

void remove_own_files() noexcept {
  for (Slot& slot : slots) {
    if (slot.filled.load(std::memory_order_acquire)) ::unlink(slot.path);
  }
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
