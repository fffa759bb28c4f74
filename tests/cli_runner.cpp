#include "tests/cli_runner.hpp"

#include <sys/wait.h>

#include <cstdio>

namespace kelvrin::testing {

CliRun run_cli(const TempFolder& folder, const std::string& arguments,
               const std::string& environment) {
  return run_program(folder, KELVRIN_CLI_PATH, arguments, environment);
}

CliRun run_program(const TempFolder& folder, const std::string& program,
                   const std::string& arguments, const std::string& environment) {
  const std::string err_path = folder.file(".stderr");
  const std::string command = environment + " " + program + " " + arguments + " 2>" + err_path;
  CliRun run;
  FILE* pipe = ::popen(command.c_str(), "r");
  char chunk[4096];
  for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) {
    run.out.append(chunk, got);
  }
  const int status = ::pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.err = read_file(err_path);
  std::remove(err_path.c_str());
  return run;
}

}  // namespace kelvrin::testing
