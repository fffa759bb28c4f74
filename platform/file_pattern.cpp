#include "platform/file_pattern.hpp"

namespace kelvrin::platform {
namespace {

char folded(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// One UTF-8 character's bytes from `at`: "?" stands for a character, not a byte.
std::size_t character_size(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  std::size_t size = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  return size <= text.size() - at ? size : 1;
}

}  // namespace

bool matches_file_pattern(std::string_view pattern, std::string_view name) {
  // The usual greedy match that goes back to the last "*" on a mismatch:
  // linear in practice, never exponential.
  std::size_t p = 0;
  std::size_t n = 0;
  std::size_t star = std::string_view::npos;
  std::size_t star_name = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = ++p;
      star_name = n;
    } else if (p < pattern.size() && pattern[p] == '?') {
      ++p;
      n += character_size(name, n);
    } else if (p < pattern.size() && folded(pattern[p]) == folded(name[n])) {
      ++p;
      ++n;
    } else if (star != std::string_view::npos) {
      p = star;
      star_name += character_size(name, star_name);
      n = star_name;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace kelvrin::platform
