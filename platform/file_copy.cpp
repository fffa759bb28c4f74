#include <vector>

#include "platform/file.hpp"

namespace kelvrin::platform {

SystemError copy_rest(FileHandle from, FileHandle to) {
  std::vector<char> buffer(std::size_t{1} << 20);
  for (;;) {
    SystemError error;
    const std::int64_t got = read_some(from, buffer.data(), buffer.size(), error);
    if (got == 0) return {};
    if (got < 0) return error;
    if (const SystemError failed = write_all(to, buffer.data(), static_cast<std::size_t>(got))) {
      return failed;
    }
  }
}

}  // namespace kelvrin::platform
