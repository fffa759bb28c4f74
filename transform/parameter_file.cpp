#include "transform/parameter_file.hpp"

#include <optional>

#include "dxf/numbers.hpp"
#include "transform/text_file.hpp"

namespace kelvrin::transform {
namespace {

constexpr int field_count = 15;

bool is_blank(int c) { return c == ' ' || c == '\t'; }
bool is_line_end(int c) { return c == '\r' || c == '\n'; }

// Reads fields off a stream one character at a time; parameter files are a
// few lines, but a wrongly chosen path may name a drawing of gigabytes, and
// only the first fifteen fields are ever read from it.
class FieldReader {
 public:
  explicit FieldReader(TextFile& in) : in_(in) {}

  // Whether the last field was longer than longest_parameter_field (and
  // holds only its beginning).
  bool cut() const noexcept { return cut_; }

  // A text field, or nullopt when the file ends before it.
  std::optional<std::string> text() {
    cut_ = false;
    skip_while([](int c) { return is_blank(c) || is_line_end(c); });
    if (at_end()) return std::nullopt;
    std::string field;
    if (in_.peek() == '"') {
      in_.get();
      for (int c = in_.get(); c != TextFile::end && c != '"'; c = in_.get()) append(field, c);
      // Whatever follows the closing quote up to the separator is not part of it.
      skip_while([](int c) { return c != ',' && !is_line_end(c); });
      in_.get();
      return field;
    }
    for (int c = in_.get(); c != TextFile::end && c != ',' && !is_line_end(c); c = in_.get()) {
      append(field, c);
    }
    while (!field.empty() && is_blank(field.back())) field.pop_back();
    return field;
  }

  // The characters of a numeric field, or nullopt when the file ends first.
  std::optional<std::string> number() {
    cut_ = false;
    skip_while([](int c) { return is_blank(c) || is_line_end(c); });
    if (at_end()) return std::nullopt;
    std::string field;
    while (!at_end() && in_.peek() != ',' && !is_blank(in_.peek()) && !is_line_end(in_.peek())) {
      append(field, in_.get());
    }
    skip_while(is_blank);
    if (in_.peek() == ',') in_.get();
    return field;
  }

 private:
  template <typename Predicate>
  void skip_while(Predicate predicate) {
    while (!at_end() && predicate(in_.peek())) in_.get();
  }
  bool at_end() { return in_.peek() == TextFile::end; }
  void append(std::string& field, int c) {
    if (field.size() < longest_parameter_field) {
      field += static_cast<char>(c);
    } else {
      cut_ = true;
    }
  }

  TextFile& in_;
  bool cut_ = false;
};

void read_fields(TextFile& in, ParameterFileRead& read) {
  FieldReader fields(in);
  double* const numbers[] = {&read.file.xc, &read.file.yc, &read.file.ox,
                             &read.file.oy, &read.file.sx, &read.file.sy};
  for (int field = 1; field <= field_count; ++field) {
    const auto text = field <= 3 ? fields.text() : fields.number();
    if (!text) {
      read.error = ParameterFileError::ends_early;
      read.field = field;
      return;
    }
    if (fields.cut()) {
      read.error = ParameterFileError::too_long;
      read.field = field;
      read.text = text->substr(0, 20);
      return;
    }
    if (field <= 3) {
      if (field == 3) read.file.marker = *text;
      continue;
    }
    const auto value = dxf::strict_number(*text);
    if (!value) {
      read.error = ParameterFileError::not_a_number;
      read.field = field;
      read.text = *text;
      return;
    }
    if (field <= 9) {
      *numbers[field - 4] = *value;
    } else {
      read.file.coefficients[static_cast<std::size_t>(field - 10)] = *value;
    }
  }
}

}  // namespace

ParameterFileRead read_parameter_file(const std::string& path) {
  ParameterFileRead read;
  TextFile in;
  if (const platform::SystemError error = in.open(path)) {
    read.error = ParameterFileError::cannot_open;
    read.system_error = error;
    return read;
  }
  read_fields(in, read);
  // Fields read up to a failed read, the last perhaps cut short, tell
  // nothing of the file.
  if (const platform::SystemError error = in.error()) {
    read.error = ParameterFileError::cannot_read;
    read.system_error = error;
  }
  return read;
}

}  // namespace kelvrin::transform
