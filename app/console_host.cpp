#include "app/console_host.hpp"

#include <algorithm>
#include <string>

#include "platform/standard_streams.hpp"

namespace kelvrin::app {
namespace {
// Conversions quicker than this show no progress at all.
constexpr auto progress_delay = std::chrono::milliseconds(700);
}  // namespace

ConsoleHost::ConsoleHost(bool progress_on_terminal, bool quiet, bool verbose)
    : progress_on_terminal_(progress_on_terminal && !quiet), quiet_(quiet), verbose_(verbose) {}

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
  if (kind == core::MessageKind::detail && !verbose_) return;
  platform::write_text(completion && !drawing_on_stdout_ ? platform::TextStream::output
                                                         : platform::TextStream::error,
                       std::string(text) + "\n");
}

void ConsoleHost::show_progress(int step, int step_count, std::uint64_t bytes_done,
                                std::uint64_t bytes_total) {
  if (!progress_on_terminal_ || bytes_total == 0) return;
  if (std::chrono::steady_clock::now() - started_ < progress_delay) return;
  std::string percent = std::to_string(bytes_done * 100 / bytes_total) + "%";
  percent.insert(0, 4 - std::min<std::size_t>(percent.size(), 4), ' ');
  std::string line = "\r" + label_ + ": ";
  if (step_count > 1) {
    line += "passo " + std::to_string(step) + " de " + std::to_string(step_count) + ", ";
  }
  platform::write_text(platform::TextStream::error, line + percent);
  progress_shown_ = true;
}

void ConsoleHost::clear_progress() {
  if (!progress_shown_) return;
  platform::write_text(platform::TextStream::error, "\r\033[K");
  progress_shown_ = false;
}

}  // namespace kelvrin::app
