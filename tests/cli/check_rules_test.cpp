// The exit status a script sees from 'check'.
#include "cli/check_rules.h"

#include <gtest/gtest.h>

#include "tests/cli/cli_rig.h"

namespace tq::cli {
namespace {

TEST(CheckRules, AWarningFailsOnlyAStrictCheck) {
  const CheckLine warned[] = {{Verdict::kOk, "a", ""}, {Verdict::kWarn, "b", ""}};
  EXPECT_FALSE(check_fails(warned, false));
  EXPECT_TRUE(check_fails(warned, true));
}

// The recipe `check || exit 1` stops on a clock an hour off.
TEST(CheckRules, AClockAnHourOffFailsTheCheck) {
  const test::Unit fresh = test::open_unit(test::Via::kProcess, "FRESH", {});
  if (!fresh.ready()) GTEST_SKIP() << fresh.why;
  test::FakePlatform platform;
  platform.now.hour = 11;  // the instrument's clock stands at 10:30
  EXPECT_EQ(test::run(fresh.with({"check"}), platform).status, 1);  // every other check passes
}

}  // namespace
}  // namespace tq::cli
