#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dxf/rewrite_dxf.hpp"

namespace kelvrin::core {

// A drawing converted in the same run as others, as the user named it and
// the converted copy it gets.
struct BatchDrawing {
  std::string input;
  std::string output;
};

// The references of one drawing of a run to the other drawings of the run,
// which are converted too: each points to the converted copy instead, a
// relative path relative to where the converted drawing goes.
class BatchReferences final : public dxf::ReferenceTargets {
 public:
  BatchReferences(std::string_view input, std::string_view output,
                  std::span<const BatchDrawing> batch);

  std::string converted(std::string_view path) const override;

 private:
  std::filesystem::path input_folder_;
  std::filesystem::path output_folder_;
  // Each drawing of the run as a comparable path, and its converted copy.
  std::vector<std::pair<std::string, std::filesystem::path>> drawings_;
};

}  // namespace kelvrin::core
