#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace kelvrin::points {

// What separates the fields of a point list's line.
enum class Separator {
  comma,
  semicolon,
  tab,
  blanks,  // one or more blanks or tabs; blanks at the start of a line are no field
};

// A field of a line: where it lies, as offsets into the line.
struct FieldSpan {
  std::size_t begin = 0;
  std::size_t end = 0;
};

// Cuts `line` into its fields. A field that starts (after blanks) with a
// double quote runs to the closing quote ("" inside is a quote), so
// separators inside a quoted description do not cut it.
void split_fields(std::string_view line, Separator separator, std::vector<FieldSpan>& fields);

// The text of a field without the blanks around it and its quotes.
FieldSpan field_value(std::string_view line, FieldSpan field);

// The separator of a list: the first of tab, semicolon, comma that every
// sample line holds outside quotes, or blanks when every line has at least
// two blank-separated fields; nothing when none fits.
std::optional<Separator> detect_separator(const std::vector<std::string_view>& lines);

// A coordinate as written in a list.
struct FieldNumber {
  enum class Problem { none, not_a_number, grouped_digits };
  Problem problem = Problem::none;
  double value = 0.0;
  int decimals = 0;  // digits after the decimal mark
};

// Reads a coordinate field: an optional sign, digits, and `decimal_mark`
// followed by digits. The other mark, a second decimal mark or a blank
// between digits are digit grouping ("1.234,5", "1 234,5"), which is never
// guessed at. The value is the one the drawing's number reader gives for
// the same digits.
FieldNumber read_field_number(std::string_view text, char decimal_mark);

}  // namespace kelvrin::points
