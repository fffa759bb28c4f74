#include "ui/form_model.hpp"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <utility>

#include "core/catalogue.hpp"
#include "core/messages.hpp"
#include "core/routes.hpp"
#include "points/point_list_file.hpp"
#include "ui/form_job_host.hpp"
#include "ui/output_name.hpp"

namespace kelvrin::ui {
namespace {

std::filesystem::path path_of(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// Both paths name one existing file, whatever their spelling ("./a.dxf",
// a link).
bool same_existing_file(std::string_view a, std::string_view b) {
  if (a.empty() || b.empty()) return false;
  std::error_code error;
  const std::filesystem::path first = std::filesystem::canonical(path_of(a), error);
  if (error) return false;
  const std::filesystem::path second = std::filesystem::canonical(path_of(b), error);
  return !error && first == second;
}

bool ends_in_dxf(std::string_view path) {
  if (path.size() < 4) return false;
  std::string extension(path.substr(path.size() - 4));
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".dxf";
}

}  // namespace

FormModel::FormModel(FormView& view, ConversionRunner run_conversion)
    : view_(view), run_conversion_(std::move(run_conversion)) {}

void FormModel::start() {
  view_.set_list(Control::source_box, core::source_list_names());
  set_layout(Layout::compact);
}

void FormModel::choose_source(std::string_view source) {
  const core::SourceSystem* system = core::find_source(source);
  if (system == nullptr) return;
  reacted_source_ = source;
  const std::vector<std::string_view> targets = core::offered_targets(source);
  view_.set_list(Control::target_box, targets);
  if (system->first_target_selected && !targets.empty()) {
    view_.set_text(Control::target_box, targets.front());
  }
  set_layout(system->shows_parameter_files ? Layout::qualquer : Layout::compact);
}

// Leaving the box again with the same name keeps the target the user has
// chosen since, and a target typed before the source stays when the source
// offers it.
void FormModel::source_edit_finished() {
  const std::string source = view_.text(Control::source_box);
  if (source == reacted_source_) return;
  const std::string typed_target = view_.text(Control::target_box);
  choose_source(source);
  if (typed_target.empty()) return;
  const std::vector<std::string_view> offered = core::offered_targets(source);
  if (std::find(offered.begin(), offered.end(), typed_target) != offered.end()) {
    view_.set_text(Control::target_box, typed_target);
  }
}

void FormModel::press(Control button) {
  switch (button) {
    case Control::ok_button: run_ok(); break;
    case Control::cancel_button: view_.close_window(); break;
    case Control::input_browse: browse(Control::input_field, FileKind::drawing); break;
    case Control::output_browse: browse_output(); break;
    case Control::param_x_browse: browse(Control::param_x_field, FileKind::parameters); break;
    case Control::param_y_browse: browse(Control::param_y_field, FileKind::parameters); break;
    default: break;  // not a button
  }
}

void FormModel::set_input_file(std::string_view path) {
  view_.set_text(Control::input_field, path);
}

bool FormModel::takes_as_input(std::string_view path) {
  return ends_in_dxf(path) || points::has_point_list_extension(path);
}

bool FormModel::drop_files(std::span<const std::string> paths) {
  const auto taken = std::ranges::find_if(paths, &FormModel::takes_as_input);
  if (taken == paths.end()) return false;
  set_input_file(*taken);
  return true;
}

void FormModel::set_layout(Layout layout) {
  layout_ = layout;
  view_.set_layout(layout);
}

void FormModel::browse(Control field, FileKind kind) {
  const std::optional<std::string> chosen = view_.choose_file(dialog_file_name_, kind);
  if (!chosen) return;  // Cancel leaves the field as it was
  dialog_file_name_ = *chosen;
  view_.set_text(field, *chosen);
}

// The output is saved, not opened: its dialog proposes a new name beside
// the input and keeps the open dialogs' file name as it was.
void FormModel::browse_output() {
  const std::optional<std::string> chosen = view_.choose_output(
      suggested_output(view_.text(Control::input_field), view_.text(Control::target_box)));
  if (chosen) view_.set_text(Control::output_field, *chosen);
}

// Two questions before a conversion starts: a pair of systems no route
// joins is told (the job would end without a word), and converting the
// input drawing over itself must be meant.
bool FormModel::confirmed_before_running() {
  const std::string source = view_.text(Control::source_box);
  const std::string target = view_.text(Control::target_box);
  if (core::find_source(source) != nullptr && !target.empty() &&
      core::find_route(source, target) == nullptr) {
    view_.show_message(core::messages::no_route(source, target), core::messages::application_title);
    return false;
  }
  const std::string input = view_.text(Control::input_field);
  if (same_existing_file(input, view_.text(Control::output_field))) {
    return view_.ask(core::messages::output_over_input(input), core::messages::application_title);
  }
  return true;
}

// The six texts go as they are, the hidden parameter fields' included: the
// job makes its own checks and says what is missing.
void FormModel::run_ok() {
  if (!confirmed_before_running()) return;
  FormJobHost host(view_);
  run_conversion_(host, {view_.text(Control::source_box), view_.text(Control::target_box),
                         view_.text(Control::input_field), view_.text(Control::output_field),
                         view_.text(Control::param_x_field), view_.text(Control::param_y_field)});
}

}  // namespace kelvrin::ui
