// The number reader and writer of the pass beside what Debian's libraries
// offer for the same work, one at a time over the coordinates of a drawing,
// for bench/numbers.sh to count instructions of (each run less the one that
// only loads the drawing):
//   kelvrin_number_codecs MODE DRAWING
// MODE: load, plain_decimal, strict_number, fast_float, format_coordinate,
// fmt (fixed, five decimals).

#include <fast_float/fast_float.h>
#include <fmt/format.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "dxf/growable_buffer.hpp"
#include "dxf/number_format.hpp"
#include "dxf/numbers.hpp"

using namespace kelvrin::dxf;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s MODE DRAWING\n", argv[0]);
    return 2;
  }
  const std::string_view mode = argv[1];
  std::ifstream in(argv[2], std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), {});
  // In a GrowableBuffer, as the reader's lines lie.
  GrowableBuffer buffer;
  buffer.resize(text.size());
  std::memcpy(buffer.data(), text.data(), text.size());
  std::vector<std::string_view> lines;  // the values of codes 10 and 20
  std::vector<double> values;
  std::string_view previous;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find("\r\n", at);
    if (end == std::string::npos) break;
    const std::string_view line(buffer.data() + at, end - at);
    if (previous == " 10" || previous == " 20") {
      lines.push_back(line);
      values.push_back(strict_number(line).value_or(0.0));
    }
    previous = line;
    at = end + 2;
  }
  double sum = 0.0;
  std::size_t written = 0;
  char room[max_coordinate_text];
  // One loop per mode, the mode chosen once.
  const auto read_all = [&](auto read) {
    for (const std::string_view line : lines) sum += read(line);
  };
  const auto write_all = [&](auto write) {
    for (const double value : values) written += write(value);
  };
  if (mode == "plain_decimal") {
    read_all([](std::string_view line) { return plain_decimal(line).value_or(0.0); });
  } else if (mode == "strict_number") {
    read_all([](std::string_view line) { return strict_number(line).value_or(0.0); });
  } else if (mode == "fast_float") {
    read_all([](std::string_view line) {
      double value = 0.0;
      fast_float::from_chars(line.data(), line.data() + line.size(), value);
      return value;
    });
  } else if (mode == "format_coordinate") {
    write_all([&](double value) { return format_coordinate(value, room); });
  } else if (mode == "fmt") {
    write_all([&](double value) {
      return static_cast<std::size_t>(fmt::format_to(room, "{:.5f}", value) - room);
    });
  } else {
    read_all([](std::string_view line) { return static_cast<double>(line.size()); });
  }
  std::printf("%zu values, %g, %zu characters\n", lines.size(), sum, written);
  return 0;
}
