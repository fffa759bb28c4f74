#include "dxf/rewrite_dxf.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dxf/line_reader.hpp"
#include "tests/test_support.hpp"

namespace kelvrin::dxf {
namespace {

using testing::dxf_lines;
using testing::read_file;
using testing::write_file;

// Moves every point by (+1000, +2000) and remembers the last easting, so the
// written numbers show which X a point was completed with.
class ShiftTransform final : public PointTransform {
 public:
  PointStatus accept_x(double x) override {
    if (x == fail_at) return PointStatus::arithmetic_failure;
    x_ = x;
    return PointStatus::ok;
  }
  PointResult complete_point(double y) override {
    if (y == fail_at) return {PointStatus::arithmetic_failure, {}};
    return {PointStatus::ok, {x_ + 1000.0, y + 2000.0}};
  }
  double current_x() const override { return x_; }
  double fail_at = -1.0;

 private:
  double x_ = 0.0;
};

class RewriteDxf : public ::testing::Test {
 protected:
  PassResult run(const std::string& input_bytes) {
    write_file(input_, input_bytes);
    ShiftTransform transform;
    transform.fail_at = fail_at_;
    return rewrite_literal(input_, output_, transform, options_);
  }
  std::string output() const { return read_file(output_); }

  testing::TempFolder folder_;
  std::string input_ = folder_.file("in.dxf");
  std::string output_ = folder_.file("out.dxf");
  PassOptions options_;
  double fail_at_ = -1.0;
};

struct PassCase {
  const char* name;
  std::vector<std::string> input;
  std::vector<std::string> expected;
  friend void PrintTo(const PassCase& row, std::ostream* out) { *out << row.name; }
};

class PassCases : public RewriteDxf, public ::testing::WithParamInterface<PassCase> {};

TEST_P(PassCases, WritesTheExpectedLines) {
  ASSERT_TRUE(run(dxf_lines(GetParam().input)).completed());
  EXPECT_EQ(output(), dxf_lines(GetParam().expected));
}

const std::vector<std::string> zone = {"0", "SECTION", "2", "ENTITIES"};

std::vector<std::string> in_zone(std::vector<std::string> lines) {
  lines.insert(lines.begin(), zone.begin(), zone.end());
  return lines;
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, PassCases,
    ::testing::Values(
        PassCase{"no_entities_copies", {"10", "5", "20", "6"}, {"10", "5", "20", "6"}},
        PassCase{"point", in_zone({"10", "1", "20", "2", "30", "3"}),
                 in_zone({"10", "1001.00000", "20", "2002.00000", "30", "3"})},
        PassCase{"blank_before_code_kept", in_zone({" 10", "1", " 20", "2"}),
                 in_zone({" 10", "1001.00000", " 20", "2002.00000"})},
        PassCase{"code_ranges", in_zone({"18", "1", "28", "2", "9", "7", "19", "7", "29", "7"}),
                 in_zone({"18", "1001.00000", "28", "2002.00000", "9", "7", "19", "7", "29", "7"})},
        PassCase{"fractional_code_is_x", in_zone({"10.5", "1", "20", "2"}),
                 in_zone({"10.5", "1001.00000", "20", "2002.00000"})},
        PassCase{"two_x_then_y", in_zone({"10", "1", "11", "5", "21", "2"}),
                 in_zone({"10", "11", "1005.00000", "21", "2002.00000"})},
        PassCase{"y_without_x_uses_initial_state", in_zone({"20", "2"}),
                 in_zone({"1000.00000", "20", "2002.00000"})},
        PassCase{
            "two_y_after_one_x", in_zone({"10", "1", "20", "2", "21", "3"}),
            in_zone({"10", "1001.00000", "20", "2002.00000", "1001.00000", "21", "2003.00000"})},
        PassCase{"other_pair_between_x_and_y", in_zone({"10", "1", "40", "9", "20", "2"}),
                 in_zone({"10", "40", "9", "1001.00000", "20", "2002.00000"})},
        PassCase{"ends_after_x", in_zone({"10", "1"}), in_zone({"10"})},
        PassCase{"word_reads_zero", in_zone({"10", "abc", "20", "2"}),
                 in_zone({"10", "1000.00000", "20", "2002.00000"})},
        PassCase{"exponent_value", in_zone({"10", "1.5E3", "20", "0"}),
                 in_zone({"10", "2500.00000", "20", "2000.00000"})},
        PassCase{"zone_never_closes",
                 in_zone({"0", "ENDSEC", "0", "SECTION", "10", "1", "20", "2"}),
                 in_zone({"0", "ENDSEC", "0", "SECTION", "10", "1001.00000", "20", "2002.00000"})},
        PassCase{"lower_case_entities",
                 {"2", "entities", "10", "1", "20", "2"},
                 {"2", "entities", "10", "1", "20", "2"}},
        PassCase{"tab_before_entities",
                 {"2", "\tENTITIES", "10", "1", "20", "2"},
                 {"2", "\tENTITIES", "10", "1", "20", "2"}},
        PassCase{"blanks_around_entities",
                 {"2", "  ENTITIES  ", "10", "1", "20", "2"},
                 {"2", "  ENTITIES  ", "10", "1001.00000", "20", "2002.00000"}},
        PassCase{"entities_under_any_code",
                 {"1", "ENTITIES", "10", "1", "20", "2"},
                 {"1", "ENTITIES", "10", "1001.00000", "20", "2002.00000"}}),
    testing::CaseName());

TEST_F(RewriteDxf, EveryLineEndReadsAsOneLineAndBytesPassThrough) {
  const std::string latin1_text =
      "Edif\xed"
      "cio";
  ASSERT_TRUE(run("0\rSECTION\n2\r\nENTITIES\n1\r" + latin1_text + "\n10\n1\r\n20\r2").completed());
  EXPECT_EQ(output(), dxf_lines({"0", "SECTION", "2", "ENTITIES", "1", latin1_text, "10",
                                 "1001.00000", "20", "2002.00000"}));
}

TEST_F(RewriteDxf, EmptyInputGivesEmptyOutput) {
  ASSERT_TRUE(run("").completed());
  EXPECT_EQ(output(), "");
}

TEST_F(RewriteDxf, OddLineCountFailsAtTheLastLineAfterWritingEarlierPairs) {
  const PassResult result = run(dxf_lines({"0", "SECTION", "0"}));
  EXPECT_EQ(result.failure, PassFailure::odd_line_count);
  EXPECT_EQ(result.line, 3u);
}

TEST_F(RewriteDxf, NumberTooLargeInTheZoneFailsWithItsLine) {
  EXPECT_EQ(run(dxf_lines(in_zone({"10", "1e400", "20", "2"}))).line, 6u);
  EXPECT_EQ(run(dxf_lines(in_zone({"1e999", "x"}))).failure, PassFailure::number_too_large);
  // Before the zone nothing is read as a number.
  EXPECT_TRUE(run(dxf_lines({"10", "1e400", "2", "ENTITIES"})).completed());
}

TEST_F(RewriteDxf, ArithmeticFailureStopsBeforeThePairIsWritten) {
  fail_at_ = 7.0;
  const PassResult result = run(dxf_lines(in_zone({"10", "1", "20", "2", "10", "7", "20", "3"})));
  EXPECT_EQ(result.failure, PassFailure::arithmetic_failure);
  EXPECT_EQ(result.line, 9u);
}

TEST_F(RewriteDxf, BinaryDxfIsRefusedBeforeTheOutputIsCreated) {
  EXPECT_EQ(run(std::string("AutoCAD Binary DXF\r\n\x1a\0", 22)).failure, PassFailure::binary_dxf);
  EXPECT_FALSE(std::filesystem::exists(output_));
}

TEST_F(RewriteDxf, MissingInputLeavesTheOutputAlone) {
  ShiftTransform transform;
  const PassResult result = rewrite_literal(folder_.file("absent.dxf"), output_, transform);
  EXPECT_EQ(result.failure, PassFailure::cannot_open_input);
  EXPECT_EQ(result.system_error.kind(), platform::ErrorKind::not_found);
  EXPECT_FALSE(std::filesystem::exists(output_));
}

TEST_F(RewriteDxf, OutputThatCannotBeCreatedIsReported) {
  write_file(input_, dxf_lines({"0", "EOF"}));
  ShiftTransform transform;
  const PassResult result = rewrite_literal(input_, folder_.file("no/such/out.dxf"), transform);
  EXPECT_EQ(result.failure, PassFailure::cannot_create_output);
}

TEST_F(RewriteDxf, LineLongerThanTheReadBuffer) {
  const std::string long_value(dxf::max_line_length, 'a');  // the longest allowed
  ASSERT_TRUE(
      run(dxf_lines({"999", long_value, "2", "ENTITIES", "10", "1", "20", "2"})).completed());
  EXPECT_EQ(output(), dxf_lines({"999", long_value, "2", "ENTITIES", "10", "1001.00000", "20",
                                 "2002.00000"}));
}

// Every buffer size from one byte up puts a read boundary between the CR and
// the LF of some line end, and inside every line.
TEST(LineReader, LineEndsSplitAcrossReads) {
  testing::TempFolder folder;
  const std::string path = folder.file("lines.txt");
  write_file(path, "a\r\nbb\rccc\n\r\ndddd\r\r\nlast");
  const std::vector<std::string> expected = {"a", "bb", "ccc", "", "dddd", "", "last"};
  for (std::size_t size = 1; size <= 12; ++size) {
    LineReader reader(size);
    ASSERT_TRUE(reader.open(path));
    std::vector<std::string> lines;
    while (!reader.at_end()) {
      reader.mark();
      lines.emplace_back(reader.view(*reader.read_line()));
    }
    EXPECT_EQ(lines, expected) << "buffer of " << size;
  }
}

TEST_F(RewriteDxf, ProgressIsReportedToTheEnd) {
  struct Recorder : PassProgress {
    void advanced(std::uint64_t done, std::uint64_t total) override {
      last_done = done;
      last_total = total;
    }
    std::uint64_t last_done = 0, last_total = 0;
  } recorder;
  options_.progress = &recorder;
  const std::string bytes = dxf_lines({"0", "SECTION"});
  ASSERT_TRUE(run(bytes).completed());
  EXPECT_EQ(recorder.last_done, bytes.size());
  EXPECT_EQ(recorder.last_total, bytes.size());
}

}  // namespace
}  // namespace kelvrin::dxf

namespace kelvrin::dxf {
namespace {

// What drawings from the wild bring: NUL bytes, one enormous line, CR-only
// and mixed line ends, numbers of hundreds of digits.
class HostileInput : public RewriteDxf {};

TEST_F(HostileInput, NulBytesAreCopiedAndEndANumber) {
  const std::string text("Cota\0 12", 8);
  ASSERT_TRUE(run(dxf_lines({"1", text, "2", "ENTITIES", "1", text, "10", std::string("7\0009", 3),
                             "20", "0"}))
                  .completed());
  EXPECT_EQ(output(), dxf_lines({"1", text, "2", "ENTITIES", "1", text, "10", "1007.00000", "20",
                                 "2000.00000"}));
}

// A line beyond the cap is no drawing: refused where it starts, whether it
// ends or not (an endless input has no line end at all).
TEST_F(HostileInput, ALineBeyondTheCapIsRefusedNamingIt) {
  const std::string huge(dxf::max_line_length + 1, 'x');
  for (const std::string& tail : {std::string("\r\n10\r\n1\r\n20\r\n2\r\n"), std::string()}) {
    const dxf::PassResult result = run(dxf_lines({"2", "ENTITIES", "1"}) + huge + tail);
    EXPECT_EQ(result.failure, dxf::PassFailure::line_too_long);
    EXPECT_EQ(result.line, 4u);
  }
}

TEST_F(HostileInput, CarriageReturnOnlyAndMixedLineEnds) {
  ASSERT_TRUE(run("0\rSECTION\r2\rENTITIES\r10\r1\r20\r2\r").completed());
  EXPECT_EQ(output(),
            dxf_lines({"0", "SECTION", "2", "ENTITIES", "10", "1001.00000", "20", "2002.00000"}));
  // LF then CR are two line ends: an empty line between them.
  ASSERT_TRUE(run("0\n\rSECTION\r\n2\n").completed());
  EXPECT_EQ(output(), dxf_lines({"0", "", "SECTION", "2"}));
}

TEST_F(HostileInput, NumbersOfHundredsOfDigits) {
  const std::string big = "1" + std::string(300, '0');
  ASSERT_TRUE(run(dxf_lines({"2", "ENTITIES", "10", big, "20", "0." + std::string(300, '0') + "1"}))
                  .completed());
  // 1e300 + 1000 is the double nearest 10^300, written with all its digits.
  const auto lines = testing::split_crlf(output());
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[3].size(), 301u + 6u);
  EXPECT_TRUE(lines[3].starts_with("10000000000000000") && lines[3].ends_with(".00000"));
  EXPECT_EQ(lines[5], "2000.00000");
  EXPECT_EQ(run(dxf_lines({"2", "ENTITIES", "10", "9" + std::string(400, '9'), "20", "0"})).failure,
            PassFailure::number_too_large);
  EXPECT_EQ(run(dxf_lines({"2", "ENTITIES", "1e999", "0"})).failure, PassFailure::number_too_large);
}

}  // namespace
}  // namespace kelvrin::dxf
