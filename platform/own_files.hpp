#pragma once

#include <string>

namespace kelvrin::platform {

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

// Holds back interruptions (SIGINT, SIGTERM and SIGHUP here) while it
// lives, for steps that must not be cut in two (a file created and
// remembered; an output rewritten in place); an interruption that came
// meanwhile acts when it ends.
class InterruptionsHeld {
 public:
  InterruptionsHeld();
  ~InterruptionsHeld();
  InterruptionsHeld(const InterruptionsHeld&) = delete;
  InterruptionsHeld& operator=(const InterruptionsHeld&) = delete;

 private:
  // What was held before, in the system's own form; kept here, not
  // allocated, since a scratch file is created under it.
  unsigned char saved_[128];
};

// Removes every remembered file. Safe in a signal handler.
void remove_own_files() noexcept;

// An interruption (SIGINT, SIGTERM or SIGHUP here) removes the conversion's
// own files and ends the program with 128 + the signal number; SIGPIPE no
// longer ends it (a write to a closed pipe fails with EPIPE and is told like
// any write error). A fault
// that ends the program anyway (an exception nobody catches) prints
// `last_words` on standard error and removes the files first.
void install_interruption_handlers(const char* last_words);

}  // namespace kelvrin::platform
