#pragma once

#include <signal.h>

#include <string>

namespace kelvrin::core {

// The files a conversion has made and not yet handed over, by name, so that
// an interruption can remove them. At most a few are named at a time: a
// conversion names only the file it will rename onto the output.
class OwnFileName {
 public:
  explicit OwnFileName(const std::string& path);  // remembers `path`
  ~OwnFileName();                                 // forgets it, leaves the file
  OwnFileName(const OwnFileName&) = delete;
  OwnFileName& operator=(const OwnFileName&) = delete;

 private:
  int slot_ = -1;
};

// Holds back SIGINT, SIGTERM and SIGHUP while it lives, for steps that must
// not be cut in two (a file created and remembered; an output rewritten in
// place); a signal that came meanwhile acts when it ends.
class SignalsHeld {
 public:
  SignalsHeld();
  ~SignalsHeld();
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;

 private:
  sigset_t saved_;
};

// Removes every remembered file. Safe in a signal handler.
void remove_own_files() noexcept;

// SIGINT, SIGTERM and SIGHUP remove the conversion's own files and end the
// program with 128 + the signal number; SIGPIPE no longer ends it (a write to
// a closed pipe fails with EPIPE and is told like any write error). A fault
// that ends the program anyway (an exception nobody catches) prints
// `last_words` on standard error and removes the files first.
void install_interruption_handlers(const char* last_words);

}  // namespace kelvrin::core
