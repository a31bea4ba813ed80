// The command table: one row per code, one code per name.
#include "link/command_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string_view>

namespace tq {
namespace {

TEST(CommandTable, EveryCodeAndEveryNameHasExactlyOneRow) {
  std::set<std::uint8_t> codes;
  std::set<std::string_view> names;
  for (const InstrumentCommand& row : kCommandTable) {
    EXPECT_TRUE(codes.insert(row.code).second) << "code listed twice: " << int{row.code};
    EXPECT_TRUE(names.insert(row.name).second) << "name listed twice: " << row.name;
    EXPECT_LE(row.request_length, kPayloadCapacity) << row.name;
    EXPECT_LE(row.response_length, kPayloadCapacity) << row.name;
    EXPECT_EQ(find_command(row.code), &row);
  }
  EXPECT_EQ(command_name(0x00), "");
  EXPECT_EQ(command_name(kCmdStopSchedule), "StopSchedule");
}

}  // namespace
}  // namespace tq
