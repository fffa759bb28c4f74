#pragma once

#include "core/job_host.hpp"
#include "ui/form_view.hpp"

namespace kelvrin::ui {

// The main window as the conversion job's host, through its view: the job's
// messages as modal boxes with the job's titles, the busy pointer, closing.
class FormJobHost final : public core::JobHost {
 public:
  explicit FormJobHost(FormView& view) : view_(view) {}

  void show_message(std::string_view text, std::string_view title, core::MessageKind kind) override;
  void set_busy_pointer() override;
  void restore_pointer() override;
  void close_main_window() override;
  void end_program() override;

 private:
  FormView& view_;
};

}  // namespace kelvrin::ui
