#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/job_host.hpp"
#include "transform/point_operation.hpp"

namespace kelvrin::testing {

#ifdef _WIN32
inline constexpr bool on_windows = true;
#else
inline constexpr bool on_windows = false;
#endif

// Names the rows of a table of cases after their `name` field.
struct CaseName {
  template <typename Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& row) const {
    return row.param.name;
  }
};

// A fresh folder per test, removed afterwards.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  const std::filesystem::path& path() const { return path_; }
  // The UTF-8 path of `name` in the folder.
  std::string file(const std::string& name) const;
  // Names of everything in the folder, sorted.
  std::vector<std::string> listing() const;

 private:
  std::filesystem::path path_;
};

void write_file(const std::string& path, const std::string& bytes);
std::string read_file(const std::string& path);

// The lines of a text whose every line ends in CR LF.
std::vector<std::string> split_crlf(const std::string& text);

// DXF text from lines, each ended by CR LF.
std::string dxf_lines(const std::vector<std::string>& lines);

// z + 1e-11 (z - z0)^3 on complex numbers, z0 = (50 km, 20 km): conformal, as
// the routes are, and bending an arc a kilometre long by millimetres more
// than any circle follows, as the grid routes do.
class CubicBending final : public transform::PointOperation {
 public:
  transform::PointResult forward(transform::PlanarPoint p) const override {
    const double x = p.x - 50000, y = p.y - 20000;
    return {transform::PointStatus::ok,
            {p.x + 1e-11 * (x * x * x - 3 * x * y * y), p.y + 1e-11 * (3 * x * x * y - y * y * y)}};
  }
};

// Records what the conversion job asks of its host, in order.
class RecordingHost final : public core::JobHost {
 public:
  void show_message(std::string_view text, std::string_view title, core::MessageKind kind) override;
  void set_busy_pointer() override { events.push_back("busy"); }
  void restore_pointer() override { events.push_back("normal"); }
  void close_main_window() override { events.push_back("close"); }
  void end_program() override { events.push_back("end"); }

  // Only the message texts, in order.
  std::vector<std::string> messages() const;

  std::vector<std::string> events;  // "message [title] text", "busy", ...
};

}  // namespace kelvrin::testing
