#include "app/console_host.hpp"

#include <cstdio>

namespace kelvrin::app {
namespace {
// Conversions quicker than this show no progress at all.
constexpr auto progress_delay = std::chrono::milliseconds(700);
}  // namespace

ConsoleHost::ConsoleHost(bool progress_on_terminal, bool quiet)
    : progress_on_terminal_(progress_on_terminal && !quiet), quiet_(quiet) {}

void ConsoleHost::start_conversion(std::string label, bool drawing_on_stdout) {
  label_ = std::move(label);
  drawing_on_stdout_ = drawing_on_stdout;
  started_ = std::chrono::steady_clock::now();
}

void ConsoleHost::show_message(std::string_view text, std::string_view /*title*/,
                               core::MessageKind kind) {
  clear_progress();
  const bool completion = kind == core::MessageKind::completion;
  if ((completion || kind == core::MessageKind::information) && quiet_) return;
  std::FILE* stream = completion && !drawing_on_stdout_ ? stdout : stderr;
  std::fprintf(stream, "%.*s\n", static_cast<int>(text.size()), text.data());
  std::fflush(stream);
}

void ConsoleHost::show_progress(int step, int step_count, std::uint64_t bytes_done,
                                std::uint64_t bytes_total) {
  if (!progress_on_terminal_ || bytes_total == 0) return;
  if (std::chrono::steady_clock::now() - started_ < progress_delay) return;
  const auto percent = static_cast<int>(bytes_done * 100 / bytes_total);
  if (step_count > 1) {
    std::fprintf(stderr, "\r%s: passo %d de %d, %3d%%", label_.c_str(), step, step_count, percent);
  } else {
    std::fprintf(stderr, "\r%s: %3d%%", label_.c_str(), percent);
  }
  std::fflush(stderr);
  progress_shown_ = true;
}

void ConsoleHost::clear_progress() {
  if (!progress_shown_) return;
  std::fputs("\r\033[K", stderr);
  progress_shown_ = false;
}

}  // namespace kelvrin::app
