#include "tests/cli_runner.hpp"

#include <sys/wait.h>

#include <cstdio>

namespace kelvrin::testing {

CliRun run_cli(const TempFolder& folder, const std::string& arguments,
               const std::string& environment) {
  const std::string err_path = folder.file(".stderr");
  const std::string command =
      environment + " " + KELVRIN_CLI_PATH + " " + arguments + " 2>" + err_path;
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
