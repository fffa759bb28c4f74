#include "dxf/external_files.hpp"

#include <array>
#include <cstdio>

#include "dxf/numbers.hpp"
#include "dxf/pass_support.hpp"
#include "dxf/plain_tags.hpp"
#include "dxf/section.hpp"
#include "dxf/tag_reader.hpp"

namespace kelvrin::dxf {
namespace {

// Windows-1252 from 0x80 to 0x9F; the rest of its upper half is Latin-1.
// The five bytes it leaves undefined read as the control characters of the
// same number, as Windows reads them.
constexpr std::array<char32_t, 32> windows_1252_high = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t from_windows_1252(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? windows_1252_high[byte - 0x80] : byte;
}

std::optional<unsigned char> to_windows_1252(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
  for (std::size_t i = 0; i < windows_1252_high.size(); ++i) {
    if (windows_1252_high[i] == c) return static_cast<unsigned char>(0x80 + i);
  }
  return std::nullopt;
}

void append_utf8(std::string& text, char32_t c) {
  const auto byte = [&text](unsigned value) { text += static_cast<char>(value); };
  if (c < 0x80) {
    byte(c);
  } else if (c < 0x800) {
    byte(0xC0 | (c >> 6));
    byte(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    byte(0xE0 | (c >> 12));
    byte(0x80 | ((c >> 6) & 0x3F));
    byte(0x80 | (c & 0x3F));
  } else {
    byte(0xF0 | (c >> 18));
    byte(0x80 | ((c >> 12) & 0x3F));
    byte(0x80 | ((c >> 6) & 0x3F));
    byte(0x80 | (c & 0x3F));
  }
}

// The UTF-8 sequence at `at`, which moves past it; nullopt (and one byte
// on) where the bytes are not UTF-8.
std::optional<char32_t> next_utf8(std::string_view text, std::size_t& at) {
  const auto lead = static_cast<unsigned char>(text[at++]);
  if (lead < 0x80) return lead;
  const int more = lead >= 0xF0 && lead < 0xF5 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : -1;
  if (more < 0 || at + static_cast<std::size_t>(more) > text.size()) return std::nullopt;
  char32_t c = lead & (0x3F >> more);
  for (int i = 0; i < more; ++i) {
    const auto next = static_cast<unsigned char>(text[at + static_cast<std::size_t>(i)]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    c = (c << 6) | (next & 0x3F);
  }
  at += static_cast<std::size_t>(more);
  return c;
}

bool is_utf8(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    if (!next_utf8(text, at)) return false;
  }
  return true;
}

// "\U+00E7" at `at`: the character it stands for.
std::optional<char32_t> unicode_escape(std::string_view text, std::size_t at) {
  if (text.size() < at + 7 || text[at] != '\\' || (text[at + 1] != 'U' && text[at + 1] != 'u') ||
      text[at + 2] != '+') {
    return std::nullopt;
  }
  char32_t c = 0;
  for (std::size_t i = at + 3; i < at + 7; ++i) {
    const char digit = text[i];
    const int value = digit >= '0' && digit <= '9'   ? digit - '0'
                      : digit >= 'A' && digit <= 'F' ? digit - 'A' + 10
                      : digit >= 'a' && digit <= 'f' ? digit - 'a' + 10
                                                     : -1;
    if (value < 0) return std::nullopt;
    c = c * 16 + static_cast<char32_t>(value);
  }
  return c;
}

// The tags that name external files, one at a time, for the literal pass.
class FileFinder {
 public:
  void take(int code, std::string_view value) {
    if (code == 0) {
      end_record();
      start_record(trim_blanks(value));
      return;
    }
    if (expecting_section_name_ && code == 2) {
      expecting_section_name_ = false;
      section_ = section_named(trim_blanks(value));
    } else if (section_ == Section::header) {
      text_.take_header_tag(code, value);
    } else if (kind_) {
      if (code == 1 && !path_) path_ = std::string(value);
      if (code == 70) flags_ = integer(strict_number(trim_blanks(value)));
    }
  }

  // Whether only a code 0 can matter now.
  bool passes_over_values() const {
    return !kind_ && !expecting_section_name_ && section_ != Section::header;
  }
  // Whether nothing before the section's end can matter: entities name no file.
  bool in_entities() const { return section_ == Section::entities && passes_over_values(); }

  std::vector<PassReport::ExternalFile> result() {
    end_record();
    return std::move(report_.external_files);
  }

 private:
  void start_record(std::string_view type) {
    if (type == "SECTION") expecting_section_name_ = true;
    if (type == "ENDSEC") section_ = Section::none;
    if (section_ == Section::blocks && type == "BLOCK") {
      kind_ = ExternalKind::drawing;
      block_ = true;
    } else if (section_ == Section::objects) {
      kind_ = external_definition(type);
    }
  }

  void end_record() {
    if (kind_ && path_ && (!block_ || (flags_ & external_reference_block) != 0)) {
      report_.note_external_file(*kind_, text_.readable(*path_));
    }
    kind_.reset();
    path_.reset();
    flags_ = 0;
    block_ = false;
  }

  Section section_ = Section::none;
  bool expecting_section_name_ = false;
  DrawingText text_;
  std::optional<ExternalKind> kind_;  // a record that may name a file
  bool block_ = false;                // a BLOCK, which names one when its flags say
  std::optional<std::string> path_;
  std::int64_t flags_ = 0;
  PassReport report_;
};

// Whether the line that ends at `line_end` (a '\n' of `text`) is a code 0;
// one that begins before `text` is taken to be.
bool code_zero_line_ends_at(std::string_view text, std::size_t line_end) {
  const std::size_t start = line_end == 0 ? 0 : text.rfind('\n', line_end - 1);
  const std::size_t begin = start == std::string_view::npos ? 0 : start + 1;
  std::string_view line = text.substr(begin, line_end - begin);
  if (line.ends_with('\r')) line.remove_suffix(1);
  return trim_blanks(line) == "0";
}

// Passes over the rest of the ENTITIES section, most of a drawing, up to and
// including its ENDSEC line, by searching the bytes rather than reading
// every line: the second read that lists the files of a literal conversion
// then costs a fraction of the pass. (The search is for the word, whose
// first letter is rare in a drawing's numbers, not for the line end before
// it.) False when the file ends first.
bool pass_over_entities(LineReader& lines) {
  static constexpr std::string_view end_of_section = "ENDSEC";
  for (;;) {
    // `held` begins at a line's start.
    const std::string_view held(lines.next_line(), lines.buffered_size());
    for (std::size_t at = held.find(end_of_section); at != std::string_view::npos;
         at = held.find(end_of_section, at + 1)) {
      const std::size_t after = at + end_of_section.size();
      const bool whole_line =
          (at == 0 || held[at - 1] == '\n') && (after == held.size() || held[after] == '\r' ||
                                                held[after] == '\n' || held[after] == ' ');
      if (whole_line && (at == 0 || code_zero_line_ends_at(held, at - 1))) {
        lines.consume_lines_to(lines.next_line() + at, 0);
        lines.mark();
        return lines.read_line().has_value();
      }
    }
    // The last line may be cut by the end of the buffer: it is read whole,
    // refilling, and may itself be the ENDSEC.
    const std::size_t last = held.rfind('\n');
    if (last != std::string_view::npos) lines.consume_lines_to(lines.next_line() + last + 1, 0);
    lines.mark();
    const auto line = lines.read_line();
    if (!line) return false;
    if (trim_blanks(lines.view(*line)) == "ENDSEC") return true;
  }
}

}  // namespace

std::optional<ExternalKind> external_definition(std::string_view object_type) {
  if (object_type == "IMAGEDEF") return ExternalKind::image;
  if (object_type == "PDFDEFINITION" || object_type == "DWFDEFINITION" ||
      object_type == "DGNDEFINITION") {
    return ExternalKind::underlay;
  }
  return std::nullopt;
}

void DrawingText::take_header_tag(int code, std::string_view value) {
  if (code == 9) {
    pending_variable_ = trim_blanks(value);
  } else if (!pending_variable_.empty()) {
    note_header(pending_variable_, value);
    pending_variable_.clear();
  }
}

void DrawingText::note_header(std::string_view variable, std::string_view value) {
  value = trim_blanks(value);
  if (variable == "$ACADVER") {
    // AC1021 is AutoCAD 2007; the names sort as the versions do.
    unicode_version_ = value.size() == 6 && value.starts_with("AC") && value >= "AC1021";
  } else if (variable == "$DWGCODEPAGE") {
    windows_1252_ = upper_case(value) == "ANSI_1252";
  }
}

DrawingText::Encoding DrawingText::encoding() const {
  if (unicode_version_.value_or(false)) return Encoding::utf8;
  if (windows_1252_) return *windows_1252_ ? Encoding::windows_1252 : Encoding::other_code_page;
  // Without a code page, the code page of the drawings of Portugal.
  return unicode_version_ ? Encoding::windows_1252 : Encoding::unsaid;
}

std::string DrawingText::readable(std::string_view bytes) const {
  Encoding encoding = this->encoding();
  // A drawing with no header: UTF-8 when its bytes are.
  if (encoding == Encoding::unsaid) {
    encoding = is_utf8(bytes) ? Encoding::utf8 : Encoding::windows_1252;
  }
  std::string text;
  for (std::size_t at = 0; at < bytes.size();) {
    if (const auto escaped = unicode_escape(bytes, at)) {
      append_utf8(text, *escaped);
      at += 7;
      continue;
    }
    const auto byte = static_cast<unsigned char>(bytes[at++]);
    if (byte < 0x80 || encoding == Encoding::utf8) {
      text += static_cast<char>(byte);
    } else if (encoding == Encoding::windows_1252) {
      append_utf8(text, from_windows_1252(byte));
    } else {
      append_utf8(text, 0xFFFD);  // a code page this program does not read
    }
  }
  return text;
}

std::string DrawingText::written(std::string_view utf8) const {
  const Encoding encoding = this->encoding();
  if (encoding == Encoding::utf8 || (encoding == Encoding::unsaid && is_utf8(utf8))) {
    return std::string(utf8);
  }
  std::string bytes;
  for (std::size_t at = 0; at < utf8.size();) {
    const std::size_t start = at;
    const auto c = next_utf8(utf8, at);
    if (!c) {
      bytes += utf8[start];
      continue;
    }
    const auto byte =
        encoding == Encoding::other_code_page && *c >= 0x80 ? std::nullopt : to_windows_1252(*c);
    if (byte) {
      bytes += static_cast<char>(*byte);
    } else if (*c <= 0xFFFF) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\U+%04X", static_cast<unsigned>(*c));
      bytes += escape;
    } else {
      bytes += '?';
    }
  }
  return bytes;
}

std::vector<PassReport::ExternalFile> list_external_files(const PassFile& file,
                                                          std::size_t buffer_size) {
  TagReader in(buffer_size);
  if (!in.open(file)) return {};
  FileFinder finder;
  Tag tag;
  for (;;) {
    in.mark();
    if (finder.in_entities()) {
      if (!pass_over_entities(in.lines())) break;
      finder.take(0, "ENDSEC");
      continue;
    }
    {
      PlainRun run(in);
      PlainTag plain;
      while (!finder.in_entities() &&
             (finder.passes_over_values() ? run.next_record(plain) : run.next(plain))) {
        run.take(plain);
        finder.take(plain.code, plain.value_line());
      }
    }
    if (finder.in_entities()) continue;
    if (in.next(tag) != TagReader::Next::tag) break;
    const auto code = group_code(in.code_text(tag));
    finder.take(code.value_or(-1), in.value_text(tag));
  }
  return finder.result();
}

}  // namespace kelvrin::dxf
