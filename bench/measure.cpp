// Runs a command and prints its wall time in seconds and its peak resident
// memory in KiB, as "seconds kib", on stderr's last line.
//
//   measure COMMAND [ARGUMENTS...]

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: measure COMMAND [ARGUMENTS...]\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = ::fork();
  if (child == 0) {
    ::execvp(argv[1], argv + 1);
    std::perror(argv[1]);
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage {};
  ::wait4(child, &status, 0, &usage);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  std::printf("%.6f %ld\n", elapsed.count(), usage.ru_maxrss);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
