#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "core/job_host.hpp"

namespace kelvrin::app {

// Hosts the conversion job in a terminal: messages go to stderr, the
// completion line to stdout (to stderr when the drawing itself goes to
// stdout; nowhere when quiet), and a long conversion shows its progress on
// stderr when that is a terminal. How the input was read goes to stderr
// only when verbose.
class ConsoleHost final : public core::JobHost {
 public:
  ConsoleHost(bool progress_on_terminal, bool quiet, bool verbose = false);

  // Names the file that the next conversion works on, for progress lines,
  // and says whether its drawing goes to stdout.
  void start_conversion(std::string label, bool drawing_on_stdout);

  void show_message(std::string_view text, std::string_view title, core::MessageKind kind) override;
  void set_busy_pointer() override {}
  void restore_pointer() override { clear_progress(); }
  void close_main_window() override {}
  void end_program() override {}
  void show_progress(int step, int step_count, std::uint64_t bytes_done,
                     std::uint64_t bytes_total) override;

 private:
  void clear_progress();

  bool progress_on_terminal_;
  bool quiet_;
  bool verbose_;
  bool drawing_on_stdout_ = false;
  bool progress_shown_ = false;
  std::string label_;
  std::chrono::steady_clock::time_point started_;
};

}  // namespace kelvrin::app
