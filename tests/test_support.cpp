#include "tests/test_support.hpp"

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace kelvrin::testing {

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "kelvrin-test-XXXXXX").string();
  path_ = ::mkdtemp(pattern.data());
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> TempFolder::listing() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path_)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

void write_file(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::vector<std::string> split_crlf(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) break;
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::string dxf_lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

void RecordingHost::show_message(std::string_view text, std::string_view title,
                                 core::MessageKind /*kind*/) {
  events.push_back("message [" + std::string(title) + "] " + std::string(text));
}

std::vector<std::string> RecordingHost::messages() const {
  std::vector<std::string> texts;
  for (const std::string& event : events) {
    if (event.rfind("message [", 0) == 0) texts.push_back(event.substr(event.find("] ") + 2));
  }
  return texts;
}

}  // namespace kelvrin::testing
