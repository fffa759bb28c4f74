#include "tests/test_support.hpp"

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/utf8_path.hpp"

namespace kelvrin::testing {

TempFolder::TempFolder() {
  std::random_device random;
  for (;;) {
    path_ = std::filesystem::temp_directory_path() /
            ("kelvrin-test-" + std::to_string(random()) + std::to_string(random()));
    if (std::filesystem::create_directory(path_)) return;
  }
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::string TempFolder::file(const std::string& name) const {
  return platform::utf8_of(path_ / platform::path_of(name));
}

std::vector<std::string> TempFolder::listing() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path_)) {
    names.push_back(platform::utf8_of(entry.path().filename()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

void write_file(const std::string& path, const std::string& bytes) {
  std::ofstream(platform::path_of(path), std::ios::binary) << bytes;
}

std::string read_file(const std::string& path) {
  std::ifstream in(platform::path_of(path), std::ios::binary);
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
