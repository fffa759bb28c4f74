#include "core/conversion_job.hpp"

#include <cstdint>
#include <new>
#include <optional>

#include "core/catalogue.hpp"
#include "core/job_paths.hpp"
#include "core/messages.hpp"
#include "core/output_target.hpp"
#include "core/point_list_route.hpp"
#include "core/procedures.hpp"
#include "core/routes.hpp"
#include "core/scratch_file.hpp"
#include "platform/file.hpp"
#include "platform/file_replacement.hpp"

namespace kelvrin::core {
namespace {

void notify(JobHost& host, std::string_view text) {
  host.show_message(text, messages::application_title, MessageKind::notice);
}

// Lines of warnings, one after the other.
std::string joined(const std::string& first, const std::string& second) {
  if (first.empty()) return second;
  return second.empty() ? first : first + '\n' + second;
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

// Runs the steps of one route. Every step writes a file of the
// conversion's own beside the output (or the output itself, when that is a
// device); the last one reaches the output path only when it is complete.
// Whatever happens, no file of the conversion is left behind.
class RouteRun {
 public:
  RouteRun(JobHost& host, const JobSettings& settings, const ConversionRequest& request,
           const Route& route, JobPaths& paths, const OutputTarget& target)
      : host_(host),
        request_(request),
        route_(route),
        geolocate_(settings.geolocate),
        paths_(paths),
        target_(target),
        progress_(host, static_cast<int>(route.step_count)),
        context_{host,
                 settings.data_folder,
                 &progress_,
                 settings.policy,
                 settings.threads,
                 std::string(route.source),
                 std::string(route.target),
                 request.source_name.empty() ? std::string(route.source) : request.source_name,
                 request.target_name.empty() ? std::string(route.target) : request.target_name,
                 request.allow_ballpark,
                 {},
                 true,
                 paths.fich1.path} {
    if (!request.batch.empty() && request.input_handle == platform::no_file) {
      references_.emplace(request.input, request.output, request.batch);
      context_.references = &*references_;
    }
  }

  ~RouteRun() {
    if (device_ != platform::no_file) platform::close_file(device_);
  }

  // What the first step left as it was: it read the user's drawing.
  const dxf::PassReport& report() const { return report_; }
  // What the steps tell once the conversion is complete.
  const std::string& warnings() const { return context_.warnings; }

  ConversionOutcome run() {
    const std::uint32_t new_file_permissions = platform::new_file_permissions(input_permissions());
    if (!(input_is_point_list(paths_.fich1) ? run_point_list() : run_steps())) return outcome_;
    if (const platform::SystemError error = finish(new_file_permissions)) {
      notify(host_, messages::cannot_replace_output(paths_.fich3, error));
      return ConversionOutcome::failed;
    }
    return ConversionOutcome::completed;
  }

 private:
  // A drawing goes through each step, the last one into the result.
  bool run_steps() {
    const auto steps = route_.procedures();
    for (std::size_t i = 0; i < steps.size(); ++i) {
      const bool last = i + 1 == steps.size();
      if (const platform::SystemError error = last ? open_result() : open_intermediate()) {
        notify(host_, messages::cannot_create_output(paths_.fich3, error));
        return false;
      }
      if (!run_step(steps[i], static_cast<int>(i) + 1)) return false;
      paths_.fich1 = paths_.fich2;
    }
    return true;
  }

  // A point list goes through every step in one pass.
  bool run_point_list() {
    if (const platform::SystemError error = open_result()) {
      notify(host_, messages::cannot_create_output(paths_.fich3, error));
      return false;
    }
    progress_.start_step(1);
    const StepResult result =
        convert_point_list(route_.procedures(), paths_, context_, request_.columns);
    return result.status == StepStatus::completed;
  }

  // A new output made from a stream gets what a shell's redirection gives.
  std::uint32_t input_permissions() const {
    if (paths_.fich1.handle != platform::no_file) return 0666;
    return platform::permissions_of(paths_.fich1.path, 0666);
  }

  platform::SystemError open_intermediate() {
    if (const platform::SystemError error = intermediate_.create_unnamed(scratch_folder(target_))) {
      return error;
    }
    paths_.fich2 = dxf::PassFile(paths_.fich3, intermediate_.file());
    return {};
  }

  platform::SystemError open_result() {
    if (target_.handle != platform::no_file) {
      paths_.fich2 = dxf::PassFile(paths_.fich3, target_.handle);
      return {};
    }
    if (target_.kind == OutputKind::device) {
      device_ = open_device(target_);
      if (device_ == platform::no_file) return platform::last_system_error();
      paths_.fich2 = dxf::PassFile(paths_.fich3, device_);
      return {};
    }
    if (const platform::SystemError error = result_.create_beside(target_.path)) return error;
    paths_.fich2 = dxf::PassFile(paths_.fich3, result_.file());
    return {};
  }

  platform::SystemError finish(std::uint32_t new_file_permissions) {
    if (target_.kind != OutputKind::device) {
      return place_output(result_, target_, new_file_permissions);
    }
    if (device_ == platform::no_file) return {};  // the host's own stream
    const platform::FileHandle device = device_;
    device_ = platform::no_file;
    return platform::close_file(device);
  }

  bool run_step(Procedure procedure, int step) {
    progress_.start_step(step);
    context_.reads_input = step == 1;
    // The last step writes the target system's reference.
    context_.geolocate = geolocate_ && step == static_cast<int>(route_.step_count);
    const StepResult result = run_procedure(procedure, paths_, context_);
    switch (result.status) {
      case StepStatus::completed:
        if (step == 1) report_ = result.pass.report;
        if (result.pass.report.geolocation != dxf::PassReport::Geolocation::not_asked) {
          report_.geolocation = result.pass.report.geolocation;
        }
        return true;
      case StepStatus::pass_failed:
        // Both steps are told in terms of the user's own files.
        notify(host_, messages::pass_failure(result.pass, input_, paths_.fich3));
        outcome_ = ConversionOutcome::failed;
        return false;
      case StepStatus::failed_with_message: outcome_ = ConversionOutcome::failed; return false;
      case StepStatus::point_rejected: outcome_ = ConversionOutcome::program_ended; return false;
    }
    return false;
  }

  JobHost& host_;
  const ConversionRequest& request_;
  const Route& route_;
  const bool geolocate_;
  JobPaths& paths_;
  const std::string input_ = paths_.fich1.path;
  const OutputTarget& target_;
  StepProgress progress_;
  ProcedureContext context_;
  std::optional<BatchReferences> references_;
  ScratchFile intermediate_;
  ScratchFile result_;
  platform::FileHandle device_ = platform::no_file;
  ConversionOutcome outcome_ = ConversionOutcome::failed;
  dxf::PassReport report_;
};

// The warnings a completed route tells: its steps', then what the pass left
// of the user's drawing.
ConversionOutcome run_route(JobHost& host, const JobSettings& settings,
                            const ConversionRequest& request, const Route& route, JobPaths& paths,
                            std::string& warnings) {
  const platform::FileHandle output_handle = request.output_handle;
  OutputTarget target{paths.fich3, OutputKind::device, {}, output_handle};
  if (output_handle == platform::no_file) {
    if (const platform::SystemError error = examine_output(paths.fich3, target)) {
      notify(host, messages::output_not_writable(paths.fich3, error));
      return ConversionOutcome::refused;
    }
  }
  const std::string input = paths.fich1.path;
  ConversionOutcome outcome = ConversionOutcome::failed;
  try {
    RouteRun run(host, settings, request, route, paths, target);
    outcome = run.run();
    if (outcome == ConversionOutcome::completed) {
      warnings = joined(run.warnings(), messages::pass_warnings(run.report(), request.input));
    }
  } catch (const std::bad_alloc&) {
    // The conversion's files went with the run; the user hears why.
    notify(host, messages::out_of_memory(input));
    return ConversionOutcome::failed;
  }
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
  JobPaths paths{dxf::PassFile(request.input, request.input_handle), request.output, request.output,
                 request.param_x, request.param_y};

  if (!run_checks(host, request)) {
    host.restore_pointer();
    return ConversionOutcome::refused;
  }

  // A PROJ route joins any two systems PROJ knows, in one step.
  const Route proj_route{request.source, request.target, {Procedure::proj, Procedure::proj}, 1,
                         false,          false};
  ConversionOutcome outcome = ConversionOutcome::no_route;
  if (!request.proj_systems && find_source(request.source) == nullptr) {
    notify(host, messages::unknown_source);
    outcome = ConversionOutcome::refused;
  } else if (const Route* route =
                 request.proj_systems ? &proj_route : find_route(request.source, request.target)) {
    std::string warnings;
    outcome = run_route(host, settings, request, *route, paths, warnings);
    if (outcome == ConversionOutcome::completed && !route->silent) {
      complete_route(host, paths.fich3, warnings);
      return outcome;
    }
    if (outcome == ConversionOutcome::program_ended) return outcome;
    if (outcome != ConversionOutcome::completed) {
      host.restore_pointer();
      return outcome;
    }
    if (!warnings.empty()) {
      host.show_message(warnings, messages::application_title, MessageKind::warning);
    }
  }

  if (request.target.empty()) notify(host, messages::missing_target);
  host.restore_pointer();
  return outcome;
}

}  // namespace kelvrin::core
