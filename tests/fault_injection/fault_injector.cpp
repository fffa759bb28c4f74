// An interposed library that makes one kind of file operation fail, for the
// fault-injection tests of kelvrin-cli. Preloaded with LD_PRELOAD and driven
// by one rule in KELVRIN_FAULT:
//
//   OPERATION:PATH_PART:ERRNO[:BYTES][:once]
//
// OPERATION is open-read, open-write, fopen, rename, read, write, fsync
// or close; the rule applies to paths that contain PATH_PART (any path when
// empty). read and write fail once BYTES bytes have passed on a matching
// file, after a short read or write up to that point; "once" lets the rule
// fire a single time.

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Rule {
  std::string operation;
  std::string path_part;
  int error = 0;
  long long bytes = 0;
  bool once = false;
  bool fired = false;
};

int error_by_name(const std::string& name) {
  static const std::pair<const char*, int> names[] = {
      {"ENOENT", ENOENT}, {"EACCES", EACCES}, {"EIO", EIO},       {"ENOSPC", ENOSPC},
      {"EROFS", EROFS},   {"EXDEV", EXDEV},   {"EISDIR", EISDIR}, {"EDQUOT", EDQUOT}};
  for (const auto& [text, value] : names) {
    if (name == text) return value;
  }
  return EIO;
}

const Rule& rule() {
  static const Rule parsed = [] {
    Rule r;
    const char* text = std::getenv("KELVRIN_FAULT");
    if (text == nullptr) return r;
    std::string fields[5];
    int count = 0;
    for (const char* p = text; *p != '\0' && count < 5; ++p) {
      if (*p == ':') {
        ++count;
      } else {
        fields[count] += *p;
      }
    }
    r.operation = fields[0];
    r.path_part = fields[1];
    r.error = error_by_name(fields[2]);
    r.bytes = std::atoll(fields[3].c_str());
    r.once = fields[3] == "once" || fields[4] == "once";
    return r;
  }();
  return parsed;
}

bool applies(const char* operation, const char* path) {
  Rule& r = const_cast<Rule&>(rule());
  if (r.operation != operation || (r.once && r.fired)) return false;
  if (!r.path_part.empty() &&
      (path == nullptr || std::strstr(path, r.path_part.c_str()) == nullptr)) {
    return false;
  }
  return true;
}

bool fire(const char* operation, const char* path) {
  if (!applies(operation, path)) return false;
  const_cast<Rule&>(rule()).fired = true;
  errno = rule().error;
  return true;
}

// Files whose reads or writes the rule counts, by descriptor.
constexpr int tracked_limit = 4096;
bool tracked[tracked_limit];
long long transferred[tracked_limit];

void track(int fd, const char* path) {
  if (fd < 0 || fd >= tracked_limit) return;
  tracked[fd] = (rule().operation == "read" || rule().operation == "write" ||
                 rule().operation == "close" || rule().operation == "fsync") &&
                applies(rule().operation.c_str(), path);
  transferred[fd] = 0;
}

template <typename Function>
Function next(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

int open_with(const char* symbol, int dirfd, const char* path, int flags, mode_t mode) {
  const bool reading = (flags & O_ACCMODE) == O_RDONLY;
  if (fire(reading ? "open-read" : "open-write", path)) return -1;
  int fd = -1;
  if (dirfd == AT_FDCWD && std::strncmp(symbol, "openat", 6) != 0) {
    fd = next<int (*)(const char*, int, mode_t)>(symbol)(path, flags, mode);
  } else {
    fd = next<int (*)(int, const char*, int, mode_t)>(symbol)(dirfd, path, flags, mode);
  }
  track(fd, path);
  return fd;
}

mode_t mode_argument(int flags, va_list& arguments) {
  return (flags & (O_CREAT | O_TMPFILE)) != 0 ? static_cast<mode_t>(va_arg(arguments, int)) : 0;
}

ssize_t limited(int fd, std::size_t& count) {
  if (fd < 0 || fd >= tracked_limit || !tracked[fd]) return 1;
  const long long room = rule().bytes - transferred[fd];
  if (room <= 0) {
    errno = rule().error;
    return -1;
  }
  if (static_cast<long long>(count) > room) count = static_cast<std::size_t>(room);
  return 1;
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = mode_argument(flags, arguments);
  va_end(arguments);
  return open_with("open", AT_FDCWD, path, flags, mode);
}

int open64(const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = mode_argument(flags, arguments);
  va_end(arguments);
  return open_with("open64", AT_FDCWD, path, flags, mode);
}

int openat(int dirfd, const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = mode_argument(flags, arguments);
  va_end(arguments);
  return open_with("openat", dirfd, path, flags, mode);
}

FILE* fopen(const char* path, const char* mode) {
  if (fire("fopen", path)) return nullptr;
  return next<FILE* (*)(const char*, const char*)>("fopen")(path, mode);
}

FILE* fopen64(const char* path, const char* mode) {
  if (fire("fopen", path)) return nullptr;
  return next<FILE* (*)(const char*, const char*)>("fopen64")(path, mode);
}

int rename(const char* from, const char* to) {
  if (fire("rename", from)) return -1;
  return next<int (*)(const char*, const char*)>("rename")(from, to);
}

ssize_t read(int fd, void* buffer, std::size_t count) {
  if (rule().operation == "read" && limited(fd, count) < 0) return -1;
  const ssize_t got = next<ssize_t (*)(int, void*, std::size_t)>("read")(fd, buffer, count);
  if (got > 0 && fd >= 0 && fd < tracked_limit) transferred[fd] += got;
  return got;
}

ssize_t write(int fd, const void* buffer, std::size_t count) {
  if (rule().operation == "write" && limited(fd, count) < 0) return -1;
  const ssize_t put = next<ssize_t (*)(int, const void*, std::size_t)>("write")(fd, buffer, count);
  if (put > 0 && fd >= 0 && fd < tracked_limit) transferred[fd] += put;
  return put;
}

int fsync(int fd) {
  if (rule().operation == "fsync" && fd >= 0 && fd < tracked_limit && tracked[fd]) {
    errno = rule().error;
    return -1;
  }
  return next<int (*)(int)>("fsync")(fd);
}

int close(int fd) {
  const bool fail = rule().operation == "close" && fd >= 0 && fd < tracked_limit && tracked[fd];
  if (fd >= 0 && fd < tracked_limit) tracked[fd] = false;
  const int result = next<int (*)(int)>("close")(fd);
  if (fail) {
    errno = rule().error;
    return -1;
  }
  return result;
}

}  // extern "C"
