#include "points/fields.hpp"

#include <string>

#include "dxf/numbers.hpp"

namespace kelvrin::points {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Where a quoted field that opens at `quote` closes, or the end of the line.
std::size_t after_quotes(std::string_view line, std::size_t quote) {
  std::size_t i = quote + 1;
  while (i < line.size()) {
    if (line[i] == '"') {
      if (i + 1 < line.size() && line[i + 1] == '"') {
        i += 2;
        continue;
      }
      return i + 1;
    }
    ++i;
  }
  return line.size();
}

char separator_char(Separator separator) {
  switch (separator) {
    case Separator::comma: return ',';
    case Separator::semicolon: return ';';
    case Separator::tab: return '\t';
    case Separator::blanks: break;
  }
  return ' ';
}

void split_by_blanks(std::string_view line, std::vector<FieldSpan>& fields) {
  std::size_t i = 0;
  while (true) {
    while (i < line.size() && is_blank(line[i])) ++i;
    if (i == line.size()) return;
    const std::size_t begin = i;
    while (i < line.size() && !is_blank(line[i])) {
      i = line[i] == '"' ? after_quotes(line, i) : i + 1;
    }
    fields.push_back({begin, i});
  }
}

}  // namespace

void split_fields(std::string_view line, Separator separator, std::vector<FieldSpan>& fields) {
  fields.clear();
  if (separator == Separator::blanks) {
    split_by_blanks(line, fields);
    return;
  }
  const char cut = separator_char(separator);
  std::size_t begin = 0;
  std::size_t i = 0;
  while (true) {
    std::size_t first = i;
    while (first < line.size() && line[first] == ' ') ++first;
    if (first < line.size() && line[first] == '"') i = after_quotes(line, first);
    while (i < line.size() && line[i] != cut) ++i;
    fields.push_back({begin, i});
    if (i == line.size()) return;
    begin = ++i;
  }
}

FieldSpan field_value(std::string_view line, FieldSpan field) {
  while (field.begin < field.end && is_blank(line[field.begin])) ++field.begin;
  while (field.end > field.begin && is_blank(line[field.end - 1])) --field.end;
  if (field.end - field.begin >= 2 && line[field.begin] == '"' && line[field.end - 1] == '"') {
    ++field.begin;
    --field.end;
  }
  return field;
}

std::optional<Separator> detect_separator(const std::vector<std::string_view>& lines) {
  if (lines.empty()) return std::nullopt;
  std::vector<FieldSpan> fields;
  for (const Separator candidate : {Separator::tab, Separator::semicolon, Separator::comma}) {
    bool everywhere = true;
    for (const std::string_view line : lines) {
      split_fields(line, candidate, fields);
      everywhere = everywhere && fields.size() >= 2;
    }
    if (everywhere) return candidate;
  }
  for (const std::string_view line : lines) {
    split_fields(line, Separator::blanks, fields);
    if (fields.size() < 2) return std::nullopt;
  }
  return Separator::blanks;
}

FieldNumber read_field_number(std::string_view text, char decimal_mark) {
  using Problem = FieldNumber::Problem;
  const char other_mark = decimal_mark == '.' ? ',' : '.';
  std::string plain;
  FieldNumber number;
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) plain += text[i++];
  bool digits = false;
  bool mark = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (is_digit(c)) {
      digits = true;
      plain += c;
      number.decimals += mark ? 1 : 0;
    } else if (c == decimal_mark && !mark) {
      mark = true;
      plain += '.';
    } else if (digits && (c == other_mark || c == decimal_mark || c == ' ') &&
               i + 1 < text.size() && is_digit(text[i + 1])) {
      number.problem = Problem::grouped_digits;
      return number;
    } else {
      number.problem = Problem::not_a_number;
      return number;
    }
  }
  const auto value = digits ? dxf::strict_number(plain) : std::nullopt;
  if (!value) {
    number.problem = Problem::not_a_number;
    return number;
  }
  number.value = *value;
  return number;
}

}  // namespace kelvrin::points
