// Reading numbers from the operator's entries.
#include "ui/entry_parse.h"

#include <gtest/gtest.h>

#include <limits>

namespace tq {
namespace {

TEST(ParseUnsignedEntry, NonNumbersReadAsZero) {
  for (const char* text : {"", "   ", "abc", "-5", "+5", "12abc", "1.5", "1 2", "0x10"}) {
    EXPECT_EQ(parse_unsigned_entry(text, 255), 0u) << '"' << text << '"';
  }
}

TEST(ParseUnsignedEntry, NumbersAreLimitedToTheField) {
  EXPECT_EQ(parse_unsigned_entry("42", 255), 42u);
  EXPECT_EQ(parse_unsigned_entry("  7 ", 255), 7u);
  EXPECT_EQ(parse_unsigned_entry("300", 255), 255u);
  EXPECT_EQ(parse_unsigned_entry("99999999999999999999999", 65535), 65535u);
  EXPECT_EQ(parse_unsigned_entry("4294967295", 0xFFFFFFFFu), 0xFFFFFFFFu);
}

TEST(ParseDoubleEntry, UsesTheLongestLeadingDecimalNumber) {
  EXPECT_DOUBLE_EQ(parse_double_entry("1.5"), 1.5);
  EXPECT_DOUBLE_EQ(parse_double_entry("  -2.5e1 litres"), -25.0);
  EXPECT_DOUBLE_EQ(parse_double_entry("2.5e"), 2.5);
  EXPECT_DOUBLE_EQ(parse_double_entry("2.5e+"), 2.5);
  EXPECT_DOUBLE_EQ(parse_double_entry(".5"), 0.5);
  EXPECT_DOUBLE_EQ(parse_double_entry("5."), 5.0);
  EXPECT_DOUBLE_EQ(parse_double_entry("12,5"), 12.0);  // a comma is no decimal point
}

TEST(ParseDoubleEntry, NothingNumericReadsAsZero) {
  // Hexadecimal, infinity and not-a-number are not decimal numbers: their leading "0" or
  // nothing is what counts.
  for (const char* text : {"", "abc", ".", "-", "e5", "inf", "nan", "0x1p3"}) {
    EXPECT_EQ(parse_double_entry(text), 0.0) << '"' << text << '"';
  }
}

TEST(ParseDoubleEntry, ReadsOnlyTheFirst23Characters) {
  // 23 characters of zeros and point; the 1 beyond them is never read.
  EXPECT_EQ(parse_double_entry("0.0000000000000000000001"), 0.0);
  EXPECT_DOUBLE_EQ(parse_double_entry("12345678901234567890123456"), 12345678901234567890123.0);
  EXPECT_DOUBLE_EQ(parse_double_entry("1.0000000000000000000005e3"), 1.0);
}

TEST(ParseFloatEntry, ValuesBeyondAFloatAreHeldToItsRange) {
  EXPECT_FLOAT_EQ(parse_float_entry("2.5"), 2.5f);
  EXPECT_EQ(parse_float_entry("1e39"), std::numeric_limits<float>::max());
  EXPECT_EQ(parse_float_entry("-1e999"), -std::numeric_limits<float>::max());
  EXPECT_EQ(parse_float_entry("x"), 0.0f);
}

}  // namespace
}  // namespace tq
