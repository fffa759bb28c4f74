#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelvrin::fuzz {

// A scratch file of this process, rewritten with every input.
class ScratchFile {
 public:
  explicit ScratchFile(const char* suffix);
  ~ScratchFile();
  const std::string& path() const { return path_; }
  void write(std::string_view bytes) const;

 private:
  std::string path_;
};

std::string read_whole(const std::string& path);

// Lines as the pass reads them: CR LF, a lone CR or a lone LF ends a line.
std::vector<std::string_view> split_lines(std::string_view text);

// Stops the fuzzer with a message when a property does not hold.
void require(bool holds, const char* property);

}  // namespace kelvrin::fuzz
