#include "tests/fuzz/fuzz_support.hpp"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kelvrin::fuzz {

ScratchFile::ScratchFile(const char* suffix) {
  const char* folder = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
  path_ = std::string(folder) + "/kelvrin-fuzz-" + std::to_string(::getpid()) + suffix;
}

ScratchFile::~ScratchFile() { std::remove(path_.c_str()); }

void ScratchFile::write(std::string_view bytes) const {
  std::ofstream(path_, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string read_whole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::vector<std::string_view> split_lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

void require(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "property broken: %s\n", property);
  std::abort();
}

}  // namespace kelvrin::fuzz
