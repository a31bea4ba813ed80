// The clock times the tool reads and prints.
#include "cli/clock_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tq::cli {
namespace {

TEST(ClockText, AMomentIsReadWithASpaceOrATAndPrintedBack) {
  for (const char* text : {"2026-12-08 06:00:00", "2026-12-08T06:00:00"}) {
    const auto time = parse_clock_time(text);
    ASSERT_TRUE(time.has_value()) << text;
    EXPECT_EQ(clock_iso(*time), "2026-12-08T06:00:00");
    EXPECT_EQ(clock_text(*time), "08/12/2026 06:00:00");
  }
  EXPECT_TRUE(parse_clock_time("2024-02-29 23:59:59").has_value());
}

TEST(ClockText, AnythingButTheOneShapeOrAMomentThatDoesNotExistIsRefused) {
  const std::vector<std::string> refused = {
      "",
      "2026-12-08",
      "2026-12-08 6:00:00",    // a short field
      "2026-12-08  06:00:00",  // two spaces
      " 2026-12-08 06:00:00",  // a leading space
      "2026-+1-08 06:00:00",   // a sign
      "2026-12-08 06:00:00Z",  // trailing text
      "2026-12-08x06:00:00",   // another separator
      "2026-04-31 06:00:00",   // 31 April
      "2026-12-08 24:00:00",   // hour 24
      "2025-02-29 12:00:00",   // not a leap year
  };
  for (const std::string& text : refused) {
    EXPECT_FALSE(parse_clock_time(text).has_value()) << '"' << text << '"';
  }
}

}  // namespace
}  // namespace tq::cli
