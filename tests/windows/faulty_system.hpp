#pragma once

// A fault layer at Windows' own door, for the test programs that link the
// engine: the program's import table sends CreateFileW, WriteFile,
// FlushFileBuffers, MoveFileExW and CloseHandle through it, so the engine
// and the platform layer run exactly as shipped and meet the failure where
// a full disk or a failing one would meet them. Nothing of it is in the
// shipped programs.

#include <windows.h>

#include <functional>
#include <string>

namespace kelvrin::testing {

enum class SystemCall { create, write, flush, rename };

// One call made to fail, on files whose path contains `path_part`: `create`
// when the file is made new, `write` once `bytes` bytes have gone to the
// file (a short write up to there first), `flush` and `rename` at once.
// With `error` 0 nothing fails: the files are only watched.
struct Fault {
  SystemCall call = SystemCall::write;
  std::wstring path_part;
  DWORD error = ERROR_DISK_FULL;
  unsigned long long bytes = 0;
};

// While it lives, `fault` happens; `first_write` (when given) is called
// with each file that contains `path_part` when the first bytes are about
// to be written to it, to look at the file as the conversion makes it.
class FaultySystem {
 public:
  explicit FaultySystem(Fault fault, std::function<void(HANDLE)> first_write = {});
  ~FaultySystem();
  FaultySystem(const FaultySystem&) = delete;
  FaultySystem& operator=(const FaultySystem&) = delete;

  // How many times the fault happened.
  int fired() const;
};

}  // namespace kelvrin::testing
