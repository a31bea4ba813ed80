// The clock dialog's logic: the panel's text, the poll routine against an answering
// instrument, the pickers' enabling and the DeviceTime Set Now sends.
#include "config/clock_dialog.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <thread>

#include "link/commands.h"
#include "tests/support/answering_rig.h"

namespace tq {
namespace {

using namespace std::chrono_literals;

TEST(ClockPanel, DayMonthFourDigitYearAndTheTimeInTwoDigits) {
  EXPECT_EQ(clock_panel_text(DeviceTime{2024, 2, 29, 23, 59, 58}), "29/02/2024 23:59:58");
  EXPECT_EQ(clock_panel_text(DeviceTime{999, 1, 2, 3, 4, 5}), "02/01/0999 03:04:05");
  EXPECT_EQ(clock_panel_text(DeviceTime{0, 0, 0, 0, 0, 0}), "00/00/0000 00:00:00");
  // Fields are shown as the instrument sends them, however odd.
  EXPECT_EQ(clock_panel_text(DeviceTime{65535, 255, 255, 255, 255, 255}),
            "255/255/65535 255:255:255");
  EXPECT_EQ(clock_panel_text(std::nullopt), "ERROR");
}

TEST(ClockSetNow, SendsTheFieldsAsTheyAreWithAZeroReservedByte) {
  const DeviceTime time = device_time_of({2024, 2, 29, 23, 59, 58});
  std::array<std::uint8_t, kDeviceTimeSize> bytes{};
  bytes.fill(0xEE);
  EncodeDeviceTime(time, bytes);
  EXPECT_EQ(bytes,
            (std::array<std::uint8_t, kDeviceTimeSize>{0x00, 0xE8, 0x07, 2, 29, 23, 59, 58}));
}

TEST(ClockPickers, FollowTheToThisDateTimeChoice) {
  EXPECT_EQ(clock_pickers_enabled(true),
            (std::vector<ControlFlag>{{IDC_CLOCK_DATE, true}, {IDC_CLOCK_TIME, true}}));
  EXPECT_EQ(clock_pickers_enabled(false),
            (std::vector<ControlFlag>{{IDC_CLOCK_DATE, false}, {IDC_CLOCK_TIME, false}}));
}

// The routine with a real Poller and feed, the window's thread played by this one.
class ClockPolling : public testing::Test {
 protected:
  void start(ConnectionRef connection) {
    polling_.start(
        [this] {
          ++notifications_;
          return true;
        },
        [connection](Poller& poller, ClockFeed& feed) {
          return clock_poll_routine(poller, feed, connection);
        });
  }
  // Waits for the next report, waking the Poller so the test does not wait its second.
  std::string next_panel() {
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (std::chrono::steady_clock::now() < end) {
      for (const ClockReport& report : polling_.take()) seen_.push_back(report.panel);
      if (taken_ < seen_.size()) return seen_[taken_++];
      polling_.wake();
      std::this_thread::sleep_for(2ms);
    }
    return "<no report>";
  }

  PollSession<ClockReport> polling_;
  std::atomic<int> notifications_{0};
  std::vector<std::string> seen_;
  std::size_t taken_ = 0;
};

TEST_F(ClockPolling, ShowsTheClockThenErrorWhileItFailsThenTheClockAgain) {
  test::AnsweringRig rig;
  rig.Answer(0, {0x00, 0xEA, 0x07, 7, 7, 10, 0, 0});  // 07/07/2026 10:00:00
  start(rig.connection);
  EXPECT_EQ(next_panel(), "07/07/2026 10:00:00");
  EXPECT_EQ(rig.LastRequest()[kOffCommand], kCmdGetClock);
  rig.Answer(3);
  std::string panel = next_panel();
  while (panel == "07/07/2026 10:00:00") panel = next_panel();  // a pass already under way
  EXPECT_EQ(panel, "ERROR");
  rig.Answer(0, {0x00, 0xEA, 0x07, 7, 7, 10, 0, 1});
  panel = next_panel();
  while (panel == "ERROR") panel = next_panel();
  EXPECT_EQ(panel, "07/07/2026 10:00:01");
  polling_.stop();
}

TEST_F(ClockPolling, WithoutAConnectionThePanelShowsError) {
  start(nullptr);
  EXPECT_EQ(next_panel(), "ERROR");
  polling_.stop();
}

}  // namespace
}  // namespace tq
