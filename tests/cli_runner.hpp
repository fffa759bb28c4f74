#pragma once

#include <string>

#include "tests/test_support.hpp"

namespace kelvrin::testing {

struct CliRun {
  int status = -1;  // exit status, -1 when killed
  std::string out;
  std::string err;
};

// Runs kelvrin-cli with `arguments` (shell words) and collects what it says;
// `environment` (shell assignments) goes in front of the command.
CliRun run_cli(const TempFolder& folder, const std::string& arguments,
               const std::string& environment = "");

// The same for another copy of the program, at `program`.
CliRun run_program(const TempFolder& folder, const std::string& program,
                   const std::string& arguments, const std::string& environment = "");

}  // namespace kelvrin::testing
