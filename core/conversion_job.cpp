#include "core/conversion_job.hpp"

#include "core/catalogue.hpp"
#include "core/file_replacement.hpp"
#include "core/job_paths.hpp"
#include "core/messages.hpp"
#include "core/procedures.hpp"
#include "core/routes.hpp"

namespace kelvrin::core {
namespace {

void notify(JobHost& host, std::string_view text) {
  host.show_message(text, messages::application_title, MessageKind::notice);
}

// Hands the pass's progress to the host, numbered by step.
class StepProgress final : public dxf::PassProgress {
 public:
  StepProgress(JobHost& host, int step_count) : host_(host), step_count_(step_count) {}
  void start_step(int step) { step_ = step; }
  void advanced(std::uint64_t done, std::uint64_t total) override {
    host_.show_progress(step_, step_count_, done, total);
  }

 private:
  JobHost& host_;
  int step_count_;
  int step_ = 1;
};

// Runs the steps of one route. The last step's result reaches the user's
// output path only in a final rename; every file the route made on the way
// is removed whatever happens.
class RouteRun {
 public:
  RouteRun(JobHost& host, const JobSettings& settings, const Route& route, JobPaths& paths)
      : host_(host),
        route_(route),
        paths_(paths),
        progress_(host, static_cast<int>(route.step_count)),
        context_{host, settings.data_folder, &progress_, settings.policy},
        temporary_(paths.fich2),
        target_(replacement_target(paths.fich3)) {}

  ~RouteRun() {
    remove_if_present(temporary_);
    remove_if_present(staging_);
  }

  // What the first step left as it was: it read the user's drawing.
  const dxf::PassReport& report() const { return report_; }

  ConversionOutcome run() {
    const auto steps = route_.procedures();
    // First step: input -> temporary file.
    if (!run_step(steps[0], 1, paths_.fich1)) return outcome_;
    if (steps.size() == 2) {
      // Second step: temporary file -> a staging file beside the output.
      if (const int error = create_staging_file(target_, staging_); error != 0) {
        notify(host_, messages::cannot_replace_output(paths_.fich3, error));
        return ConversionOutcome::failed;
      }
      paths_.fich1 = paths_.fich2;
      paths_.fich2 = staging_;
      if (!run_step(steps[1], 2, paths_.fich1)) return outcome_;
      if (const int error = commit_replacement(staging_, target_); error != 0) {
        notify(host_, messages::cannot_replace_output(paths_.fich3, error));
        return ConversionOutcome::failed;
      }
      staging_.clear();
    } else if (const int error = move_into_place(temporary_, target_); error != 0) {
      notify(host_, messages::cannot_replace_output(paths_.fich3, error));
      return ConversionOutcome::failed;
    }
    return ConversionOutcome::completed;
  }

 private:
  bool run_step(Procedure procedure, int step, const std::string& shown_input) {
    progress_.start_step(step);
    const StepResult result = run_procedure(procedure, paths_, context_);
    switch (result.status) {
      case StepStatus::completed:
        if (step == 1) report_ = result.pass.report;
        return true;
      case StepStatus::pass_failed:
        notify(host_, messages::pass_failure(result.pass, shown_input, shown_output()));
        outcome_ = ConversionOutcome::failed;
        return false;
      case StepStatus::failed_with_message: outcome_ = ConversionOutcome::failed; return false;
      case StepStatus::point_rejected: outcome_ = ConversionOutcome::program_ended; return false;
    }
    return false;
  }

  // The staging file is named after the output the user chose; the
  // temporary file beside the input is named as it is, since its disk is the
  // one that failed.
  const std::string& shown_output() const {
    return paths_.fich2 == staging_ ? paths_.fich3 : paths_.fich2;
  }

  JobHost& host_;
  const Route& route_;
  JobPaths& paths_;
  StepProgress progress_;
  ProcedureContext context_;
  const std::string temporary_;
  const std::string target_;
  std::string staging_;
  ConversionOutcome outcome_ = ConversionOutcome::failed;
  dxf::PassReport report_;
};

ConversionOutcome run_route(JobHost& host, const JobSettings& settings, const Route& route,
                            JobPaths& paths, dxf::PassReport& report) {
  if (same_file_path(paths.fich3, paths.fich2)) {
    notify(host, messages::output_is_temporary_file(paths.fich3));
    return ConversionOutcome::refused;
  }
  RouteRun run(host, settings, route, paths);
  const ConversionOutcome outcome = run.run();
  report = run.report();
  if (outcome == ConversionOutcome::program_ended) host.end_program();
  return outcome;
}

bool run_checks(JobHost& host, const ConversionRequest& request) {
  const bool has_source = !request.source.empty();
  const bool is_qualquer = request.source == system_names::qualquer;
  bool passed = true;
  const auto check = [&](bool failed, std::string_view message) {
    if (failed) {
      notify(host, message);
      passed = false;
    }
  };
  // All four run, so one press of OK may show up to four messages.
  check(has_source && request.input.empty(), messages::missing_input);
  check(has_source && request.output.empty(), messages::missing_output);
  check(is_qualquer && request.param_x.empty(), messages::missing_param_x);
  check(is_qualquer && request.param_y.empty(), messages::missing_param_y);
  return passed;
}

void complete_route(JobHost& host, const std::string& output, const std::string& warnings) {
  host.restore_pointer();
  host.show_message(std::string(messages::created_file) + output, messages::completion_title,
                    MessageKind::completion);
  if (!warnings.empty()) {
    host.show_message(warnings, messages::application_title, MessageKind::warning);
  }
  host.close_main_window();
}

}  // namespace

ConversionOutcome run_conversion(JobHost& host, const JobSettings& settings,
                                 const ConversionRequest& request) {
  JobPaths paths{request.input, temporary_path_for(request.input), request.output, request.param_x,
                 request.param_y};

  if (!run_checks(host, request)) {
    host.restore_pointer();
    return ConversionOutcome::refused;
  }

  ConversionOutcome outcome = ConversionOutcome::no_route;
  if (find_source(request.source) == nullptr) {
    notify(host, messages::unknown_source);
    outcome = ConversionOutcome::refused;
  } else if (const Route* route = find_route(request.source, request.target)) {
    dxf::PassReport report;
    outcome = run_route(host, settings, *route, paths, report);
    if (outcome == ConversionOutcome::completed && !route->silent) {
      complete_route(host, paths.fich3, messages::pass_warnings(report, request.input));
      return outcome;
    }
    if (outcome == ConversionOutcome::program_ended) return outcome;
    if (outcome != ConversionOutcome::completed) {
      host.restore_pointer();
      return outcome;
    }
    if (const std::string warnings = messages::pass_warnings(report, request.input);
        !warnings.empty()) {
      host.show_message(warnings, messages::application_title, MessageKind::warning);
    }
  }

  if (request.target.empty()) notify(host, messages::missing_target);
  host.restore_pointer();
  return outcome;
}

}  // namespace kelvrin::core
