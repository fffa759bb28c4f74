#pragma once

#include <cstdint>
#include <string_view>

namespace kelvrin::core {

enum class MessageKind {
  notice,       // a check, a refusal or a failure
  completion,   // "Criado o ficheiro: ..."
  warning,      // after a completion: what the conversion left as it was
  information,  // what a conversion is about to do (the operation PROJ chose)
  detail,       // how the input was read, for a user who asks (kelvrin-cli --verbose)
};

// What the conversion job needs of the program that runs it: the main
// window, the command line or a test. Every call is synchronous.
class JobHost {
 public:
  virtual ~JobHost() = default;

  // A modal message box with an OK button and no icon; returns when closed.
  virtual void show_message(std::string_view text, std::string_view title, MessageKind kind) = 0;

  virtual void set_busy_pointer() = 0;
  virtual void restore_pointer() = 0;

  // After a completed route: closing the main window ends the program.
  virtual void close_main_window() = 0;

  // After a point that a grid cannot transform: the program ends.
  virtual void end_program() = 0;

  // How far the running step has read its input. Hosts may ignore it.
  virtual void show_progress(int /*step*/, int /*step_count*/, std::uint64_t /*bytes_done*/,
                             std::uint64_t /*bytes_total*/) {}
};

}  // namespace kelvrin::core
