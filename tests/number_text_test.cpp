#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "dxf/number_format.hpp"
#include "dxf/numbers.hpp"
#include "tests/test_support.hpp"

namespace kelvrin::dxf {
namespace {

struct ScanCase {
  const char* name;
  const char* line;
  double expected;
  friend void PrintTo(const ScanCase& row, std::ostream* out) { *out << row.name; }
};

class NumericValue : public ::testing::TestWithParam<ScanCase> {};

TEST_P(NumericValue, ReadsTheLeadingNumber) {
  const auto value = lenient_number(GetParam().line);
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(*value, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, NumericValue,
    ::testing::Values(
        ScanCase{"right_aligned_code", "  10", 10.0}, ScanCase{"tab_before", "\t20", 20.0},
        ScanCase{"plus_sign", "+7.25", 7.25}, ScanCase{"minus", "-12.345678", -12.345678},
        ScanCase{"exponent_upper", "1.5E3", 1500.0}, ScanCase{"exponent_lower", "1e-05", 1e-05},
        ScanCase{"leading_point", ".5", 0.5}, ScanCase{"trailing_point", "5.", 5.0},
        ScanCase{"comma_ends", "1,5", 1.0}, ScanCase{"word", "LINE", 0.0},
        ScanCase{"empty", "", 0.0}, ScanCase{"point_only", ".", 0.0},
        ScanCase{"sign_only", "-", 0.0}, ScanCase{"exponent_without_digits", "2E", 2.0},
        ScanCase{"exponent_sign_without_digits", "2e+x", 2.0},
        ScanCase{"d_exponent_stops", "3D2", 3.0}, ScanCase{"hex_stops", "0x1A", 0.0},
        ScanCase{"inf_is_word", "inf", 0.0}, ScanCase{"nan_is_word", "nan", 0.0},
        ScanCase{"trailing_text", "10.5 m", 10.5}, ScanCase{"blank_inside_stops", "1 000", 1.0},
        ScanCase{"underflow_is_zero", "1e-400", 0.0},
        ScanCase{"long_integer", "12345678901234567890", 12345678901234567890.0},
        ScanCase{"zero_with_huge_exponent", "0e99999999999999999999", 0.0},
        ScanCase{"placeholder", "1e+20", 1e20}),
    testing::CaseName());

TEST(NumericValue, NumbersBeyondADoubleAreReportedNotGuessed) {
  EXPECT_FALSE(lenient_number("1e999").has_value());
  EXPECT_FALSE(lenient_number("-1.8e308").has_value());
  EXPECT_FALSE(lenient_number(std::string(400, '9')).has_value());
  EXPECT_FALSE(lenient_number("0.001e99999999999999999999").has_value());
}

std::string formatted(double value) {
  char text[max_coordinate_text];
  return {text, format_coordinate(value, text)};
}

TEST(WrittenNumber, FiveDecimalsNeverAnExponent) {
  EXPECT_EQ(formatted(0.5), "0.50000");
  EXPECT_EQ(formatted(-12.345678), "-12.34568");
  EXPECT_EQ(formatted(123456.7), "123456.70000");
  EXPECT_EQ(formatted(100005.02816080576), "100005.02816");
  EXPECT_EQ(formatted(1e20), "100000000000000000000.00000");
  EXPECT_EQ(formatted(std::numeric_limits<double>::max()).size(), 309u + 6u);
  EXPECT_EQ(formatted(-std::numeric_limits<double>::max()).size(), 309u + 7u);
}

TEST(WrittenNumber, ValuesThatRoundToZeroHaveNoSign) {
  EXPECT_EQ(formatted(-0.0), "0.00000");
  EXPECT_EQ(formatted(-0.000004), "0.00000");
  EXPECT_EQ(formatted(-0.000005000001), "-0.00001");
}

// A locale whose decimal separator is a comma must not leak into either
// direction: the program never consults the locale for numbers.
TEST(WrittenNumber, CommaLocaleChangesNothing) {
  struct Comma : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
  };
  const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new Comma));
  EXPECT_EQ(formatted(0.5), "0.50000");
  EXPECT_EQ(lenient_number("2.5"), 2.5);
  std::locale::global(previous);
}

}  // namespace
}  // namespace kelvrin::dxf

namespace kelvrin::dxf {
namespace {

// How many random values a number check takes: a short run in the suite,
// as many as KELVRIN_NUMBER_CHECKS says when asked (some hundred million
// take minutes).
std::uint64_t number_checks(std::uint64_t usual) {
  const char* asked = std::getenv("KELVRIN_NUMBER_CHECKS");
  const auto count = asked != nullptr ? whole_number(asked, 12) : std::nullopt;
  return count ? *count : usual;
}

void expect_written_as_to_chars(double value) {
  for (const double signed_value : {value, -value}) {
    char expected[max_coordinate_text];
    const auto end = std::to_chars(expected, expected + sizeof expected, signed_value,
                                   std::chars_format::fixed, 5)
                         .ptr;
    std::string reference(expected, end);
    if (reference == "-0.00000") reference = "0.00000";
    ASSERT_EQ(formatted(signed_value), reference) << std::hexfloat << signed_value;
  }
}

// The writer has its own exact rounding for the usual magnitudes; it must
// agree with the standard library's correctly rounded output everywhere.
TEST(WrittenNumber, AgreesWithToCharsIncludingExactTies) {
  for (const double value : {0.015625, 0.046875, 1.000005, 2.5e-6, 7.5e-6, 0.1, 99999.999995,
                             9.99999999999e12, 1e13, 123456789.123455, 4503599627370495.5}) {
    expect_written_as_to_chars(value);
  }
  std::mt19937_64 random(2024);
  std::uniform_real_distribution<double> coordinate(-5e6, 5e6);
  const std::uint64_t count = number_checks(200000);
  for (std::uint64_t i = 0; i < count; ++i) {
    expect_written_as_to_chars(coordinate(random));
    expect_written_as_to_chars(
        std::ldexp(static_cast<double>(random() >> 11), -static_cast<int>(random() % 80)));
    // Next to the halfway points between two written values.
    const double half = (static_cast<double>(random() % 100000000000ull) + 0.5) / 1e5;
    expect_written_as_to_chars(half);
    expect_written_as_to_chars(std::nextafter(half, 0.0));
    expect_written_as_to_chars(std::nextafter(half, 1e300));
  }
}

// Every halfway point between two written values of a stretch of the
// survey range, and the doubles a few steps on either side: where the
// writer's quick rounding hands over to its exact one.
TEST(WrittenNumber, AgreesWithToCharsAtEveryHalfwayPoint) {
  const std::uint64_t count = number_checks(200000);
  for (const double from : {0.0, 12345678.0, 5e7}) {
    for (std::uint64_t k = 0; k < count; ++k) {
      double value = from + (static_cast<double>(k) + 0.5) / 1e5;
      for (int step = 0; step < 3; ++step) value = std::nextafter(value, 0.0);
      for (int step = 0; step < 7; ++step) {
        expect_written_as_to_chars(value);
        value = std::nextafter(value, 1e300);
      }
    }
  }
}

// The scanner's own fast path must give the correctly rounded double, as
// from_chars does.
TEST(NumericValue, AgreesWithFromChars) {
  std::mt19937_64 random(73);
  const std::uint64_t count = number_checks(200000);
  for (std::uint64_t i = 0; i < count; ++i) {
    const int decimals = static_cast<int>(random() % 12);
    const auto digits = std::to_string(random() % 10000000000000000ull);
    std::string text = digits.size() > static_cast<std::size_t>(decimals)
                           ? digits.substr(0, digits.size() - decimals) + "." +
                                 digits.substr(digits.size() - decimals)
                           : "0." + digits;
    double expected = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), expected);
    ASSERT_EQ(lenient_number(text), expected) << text;
  }
}

// The passes read coordinates with a 16-byte scan first; whatever it
// accepts must read as both general scans read it, and the usual
// coordinate forms must not fall through to them.
TEST(PlainDecimal, AgreesWithTheGeneralScans) {
  std::mt19937_64 random(1995);
  constexpr std::string_view alphabet = "0123456789012345678901234567890123456789..-- +eE\t";
  GrowableBuffer buffer;
  buffer.resize(32);
  int accepted = 0;
  for (int i = 0; i < 300000; ++i) {
    const std::size_t size = random() % 19;
    for (std::size_t k = 0; k < 32; ++k) buffer.data()[k] = alphabet[random() % alphabet.size()];
    const std::string_view line(buffer.data() + random() % 14, size);
    const auto plain = plain_decimal(line);
    if (!plain) continue;
    ++accepted;
    ASSERT_EQ(strict_number(line), plain) << line;
    ASSERT_EQ(lenient_number(line), plain) << line;
    ASSERT_EQ(std::signbit(*lenient_number(line)), std::signbit(*plain)) << line;
  }
  EXPECT_GT(accepted, 10000);
  for (const std::string_view usual :
       {"126811.790", "-87412.35", "0.5", "12345678.1234567", "7", ".25", "-0.000", "3."}) {
    std::memcpy(buffer.data(), usual.data(), usual.size());
    EXPECT_TRUE(plain_decimal({buffer.data(), usual.size()}).has_value()) << usual;
  }
}

}  // namespace
}  // namespace kelvrin::dxf
