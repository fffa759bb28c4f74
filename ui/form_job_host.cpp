#include "ui/form_job_host.hpp"

#include "core/messages.hpp"

namespace kelvrin::ui {

void FormJobHost::show_message(std::string_view text, std::string_view title,
                               core::MessageKind kind) {
  // How the input was read is for the command line's --verbose.
  if (kind == core::MessageKind::detail) return;
  view_.show_message(text, title.empty() ? core::messages::application_title : title);
}

void FormJobHost::set_busy_pointer() { view_.set_busy(true); }

void FormJobHost::restore_pointer() { view_.set_busy(false); }

void FormJobHost::close_main_window() { view_.close_window(); }

// Closing the main window is what ends the program.
void FormJobHost::end_program() { view_.close_window(); }

}  // namespace kelvrin::ui
