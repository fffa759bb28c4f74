#include "tests/fuzz/reference_pass.hpp"

#include <cstring>

#include "dxf/number_format.hpp"
#include "dxf/numbers.hpp"
#include "tests/fuzz/fuzz_support.hpp"

namespace kelvrin::fuzz {
namespace {

std::string formatted(double value) {
  char text[dxf::max_coordinate_text];
  return {text, dxf::format_coordinate(value, text)};
}

bool in_number_form(std::string_view line) {
  std::size_t i = line.starts_with('-') ? 1 : 0;
  const std::size_t point = line.find('.');
  if (point == std::string_view::npos || point == i || line.size() != point + 6) return false;
  for (; i < line.size(); ++i) {
    if (i != point && (line[i] < '0' || line[i] > '9')) return false;
  }
  return line != "-0.00000";
}

std::string_view trim_blanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

}  // namespace

ReferenceResult reference_pass(std::string_view input, dxf::PointTransform& transform,
                               dxf::XCodeLine x_code_line) {
  ReferenceResult result;
  if (input.starts_with("AutoCAD Binary DXF")) {
    result.failure = dxf::PassFailure::binary_dxf;
    return result;
  }
  const auto lines = split_lines(input);
  result.input_lines = lines.size();
  const auto emit = [&](std::string_view line) {
    result.output.append(line);
    result.output.append("\r\n");
  };
  const auto fail = [&](dxf::PassFailure failure, std::size_t index) {
    result.failure = failure;
    result.line = index + 1;
    return result;
  };
  bool zone = false;
  bool x_waiting = false;  // an X pair not yet completed by a Y pair
  std::string held;
  for (std::size_t i = 0; i < lines.size(); i += 2) {
    if (i + 1 == lines.size()) return fail(dxf::PassFailure::odd_line_count, i);
    const std::string_view code_line = lines[i];
    const std::string_view value_line = lines[i + 1];
    if (!zone) {
      zone = trim_blanks(value_line) == "ENTITIES";
      emit(code_line);
      emit(value_line);
      continue;
    }
    const auto code = dxf::lenient_number(code_line);
    if (!code) return fail(dxf::PassFailure::number_too_large, i);
    const bool x_pair = *code >= 10 && *code <= 18;
    const bool y_pair = !x_pair && *code >= 20 && *code <= 28;
    if (!x_pair && !y_pair) {
      if (x_waiting) result.well_formed = false;
      emit(code_line);
      emit(value_line);
      continue;
    }
    const auto value = dxf::lenient_number(value_line);
    if (!value) return fail(dxf::PassFailure::number_too_large, i + 1);
    if (x_pair) {
      if (x_waiting) result.well_formed = false;
      if (transform.accept_x(*value) != dxf::PointStatus::ok) {
        return fail(dxf::PassFailure::arithmetic_failure, i);
      }
      x_waiting = true;
      if (x_code_line == dxf::XCodeLine::held_for_y_pair) {
        held = code_line;
      } else {
        emit(code_line);
      }
      continue;
    }
    if (!x_waiting) result.well_formed = false;
    x_waiting = false;
    const dxf::PointResult point = transform.complete_point(*value);
    if (point.status == dxf::PointStatus::arithmetic_failure) {
      return fail(dxf::PassFailure::arithmetic_failure, i);
    }
    if (point.status == dxf::PointStatus::rejected)
      return fail(dxf::PassFailure::point_rejected, i);
    if (!held.empty()) emit(held);
    emit(formatted(point.point.x));
    emit(code_line);
    emit(formatted(point.point.y));
    result.coordinates_written += 2;
  }
  if (x_waiting) result.well_formed = false;
  return result;
}

void check_pass_against_reference(std::string_view input, std::size_t read_buffer_size,
                                  dxf::XCodeLine x_code_line, dxf::PointTransform& streaming,
                                  dxf::PointTransform& reference) {
  static const ScratchFile in(".in.dxf");
  static const ScratchFile out(".out.dxf");
  in.write(input);
  const dxf::PassResult result =
      dxf::rewrite_literal(in.path(), out.path(), streaming,
                           {.x_code_line = x_code_line, .buffer_size = read_buffer_size});
  const ReferenceResult expected = reference_pass(input, reference, x_code_line);

  require(result.failure == expected.failure, "the pass fails exactly where the reference does");
  if (!result.completed()) {
    require(result.line == expected.line, "a failure names the line the reference names");
    return;
  }
  const std::string output = read_whole(out.path());
  require(output == expected.output, "the output is the reference output, byte for byte");

  // The promises, stated on their own.
  const auto output_lines = split_lines(output);
  std::size_t in_form = 0;
  for (const std::string_view line : output_lines) in_form += in_number_form(line) ? 1 : 0;
  require(in_form >= expected.coordinates_written, "every written coordinate reads 0.00000");
  if (expected.well_formed) {
    require(output_lines.size() == expected.input_lines, "a well-formed drawing keeps its lines");
  }
  if (expected.coordinates_written == 0 && output.find("ENTITIES") == std::string::npos) {
    std::string crlf;
    for (const std::string_view line : split_lines(input)) {
      crlf.append(line);
      crlf.append("\r\n");
    }
    require(output == crlf, "outside the zone the output is the input with CR LF line ends");
  }
}

}  // namespace kelvrin::fuzz
