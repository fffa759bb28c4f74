#include "app/system_aliases.hpp"

#include <algorithm>
#include <cctype>

#include "core/catalogue.hpp"
#include "transform/text_file.hpp"

namespace kelvrin::app {
namespace {

using namespace core::system_names;

const std::span<const SystemAliases> aliases = core::system_codes();

bool equal_ignoring_ascii_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// Levenshtein distance, ASCII case ignored.
std::size_t edit_distance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      const bool same = std::tolower(static_cast<unsigned char>(a[i - 1])) ==
                        std::tolower(static_cast<unsigned char>(b[j - 1]));
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::span<const SystemAliases> system_aliases() { return aliases; }

std::string resolve_system_name(std::string_view text) {
  for (const SystemAliases& entry : aliases) {
    if (text == entry.display_name) return std::string(text);
  }
  std::string_view code = text;
  if (code.size() > 5 && equal_ignoring_ascii_case(code.substr(0, 5), "EPSG:")) {
    code.remove_prefix(5);
  }
  for (const SystemAliases& entry : aliases) {
    if (equal_ignoring_ascii_case(text, entry.short_name) ||
        (!entry.epsg.empty() && code == entry.epsg)) {
      return std::string(entry.display_name);
    }
  }
  return std::string(text);
}

bool is_system_name(std::string_view name) {
  return name == etrs89_tm06_ntv2 || name == datum_73_ntv2 || name == datum_lisboa_ntv2 ||
         std::any_of(aliases.begin(), aliases.end(),
                     [name](const SystemAliases& entry) { return entry.display_name == name; });
}

std::string epsg_of(std::string_view display_name) {
  for (const SystemAliases& entry : aliases) {
    if (entry.display_name == display_name && !entry.epsg.empty()) {
      return "EPSG:" + std::string(entry.epsg);
    }
  }
  return {};
}

std::string proj_definition(const std::string& typed) {
  const auto starts = [&typed](std::string_view prefix) { return typed.rfind(prefix, 0) == 0; };
  if (!typed.empty() && std::all_of(typed.begin(), typed.end(),
                                    [](unsigned char c) { return std::isdigit(c) != 0; })) {
    return "EPSG:" + typed;
  }
  const std::size_t colon = typed.find(':');
  const bool authority_code = colon != std::string::npos && colon > 0 && colon + 1 < typed.size() &&
                              typed.find(' ') == std::string::npos;
  if (authority_code || starts("+proj=") || starts("proj=") ||
      typed.find('[') != std::string::npos) {
    return typed;
  }
  transform::TextFile file;  // a file of WKT
  if (file.open(typed)) return {};
  std::string text;
  for (int c = file.get(); c != transform::TextFile::end; c = file.get()) {
    text += static_cast<char>(c);
  }
  return text.find('[') != std::string::npos ? text : std::string();
}

std::vector<std::string> nearest_system_names(std::string_view typed, std::size_t count) {
  std::vector<std::pair<std::size_t, std::string_view>> ranked;
  for (const SystemAliases& entry : aliases) {
    ranked.emplace_back(
        std::min(edit_distance(typed, entry.short_name), edit_distance(typed, entry.display_name)),
        entry.short_name);
  }
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> names;
  for (std::size_t i = 0; i < std::min(count, ranked.size()); ++i) {
    names.emplace_back(ranked[i].second);
  }
  return names;
}

}  // namespace kelvrin::app
