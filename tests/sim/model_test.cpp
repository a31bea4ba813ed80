// The firmware model on its own, without a line: response bytes, determinism and the
// calendar behind the instrument clock.
#include <gtest/gtest.h>

#include "link/commands.h"
#include "sim/calendar.h"
#include "sim/responder.h"
#include "sim/scenario.h"

namespace tq::sim {
namespace {

Frame Request(std::uint8_t command, std::uint8_t sequence) {
  Frame f{};
  f[kOffCommand] = command;
  StampRequest(f, sequence);
  return f;
}

TEST(SimModel, AnEmptySuccessfulResponseHasTheBytesOfTheTable) {
  // Command 0x06, sequence 0, result 0, no payload: bytes 3..127 are 00 06 00 00 and zeros,
  // whose CRC-16/XMODEM is 0xFE83, stored low byte first.
  const Frame response = BuildResponse(Request(0x06, 0), 0);
  const std::uint8_t head[7] = {0x2A, 0x83, 0xFE, 0x00, 0x06, 0x00, 0x00};
  for (std::size_t i = 0; i < 7; ++i) EXPECT_EQ(response[i], head[i]) << i;
  for (std::size_t i = 7; i < kFrameSize; ++i) ASSERT_EQ(response[i], 0) << i;
}

TEST(SimModel, ResponsesEchoSequenceAndCommandAndCarryTheResult) {
  Instrument in = CreateInstrument({});
  const Frame status = Respond(in, Request(kCmdGetSystemStatus, 200));
  EXPECT_TRUE(IsValidFrameAt(status, 0));
  EXPECT_EQ(status[kOffSequence], 200);
  EXPECT_EQ(status[kOffCommand], kCmdGetSystemStatus);
  EXPECT_EQ(status[kOffResult], 0);
  EXPECT_EQ(status[kOffLength], kSystemStatusSize);

  const Frame unknown = Respond(in, Request(0x00, 1));
  EXPECT_TRUE(IsValidFrameAt(unknown, 0));
  EXPECT_EQ(unknown[kOffResult], kDeviceUnknownCommand);
  EXPECT_EQ(unknown[kOffLength], 0);

  const Frame past_end = Respond(in, [] {
    Frame f = Request(kCmdGetSampleLogEntry, 2);
    f[kOffLength] = 2;
    StampRequest(f, 2);
    return f;
  }());
  EXPECT_EQ(past_end[kOffResult], kDeviceNoEntry);
}

TEST(SimModel, TheSameSeedAndRequestsGiveTheSameAnswers) {
  const auto session = [](std::uint64_t seed) {
    InstrumentOptions options;
    options.seed = seed;
    Instrument in = CreateInstrument(options);
    std::vector<Frame> answers;
    for (std::uint8_t i = 0; i < 20; ++i) {
      AdvanceInstrument(in, 1234);
      answers.push_back(Respond(in, Request(kCmdGetSystemStatus, i)));
      answers.push_back(Respond(in, Request(kCmdGetTaskDetails, i)));
    }
    return answers;
  };
  EXPECT_EQ(session(5), session(5));
  EXPECT_NE(session(5), session(6));
}

TEST(SimModel, TimeMovesInWholeTicksHoweverItIsSplit) {
  Instrument a = CreateInstrument({});
  Instrument b = CreateInstrument({});
  AdvanceInstrument(a, 1050);
  for (int i = 0; i < 21; ++i) AdvanceInstrument(b, 50);
  EXPECT_EQ(a.uptime_ms, b.uptime_ms);
  EXPECT_EQ(a.uptime_ms, 1000u);
  EXPECT_EQ(StatusOf(a).board_temperature, StatusOf(b).board_temperature);
}

TEST(SimModel, CalendarConversions) {
  struct Case {
    DeviceTime time;
    std::int64_t seconds;
  };
  const Case cases[] = {
      {{1970, 1, 1, 0, 0, 0}, 0},
      {{2000, 2, 29, 12, 0, 0}, 951825600},
      {{2024, 2, 29, 23, 59, 58}, 1709251198},
      {{2038, 1, 19, 3, 14, 7}, 2147483647},
      {{2106, 2, 7, 6, 28, 15}, 4294967295},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EpochFromDeviceTime(c.time), c.seconds) << c.seconds;
    const DeviceTime back = DeviceTimeFromEpoch(c.seconds);
    EXPECT_EQ(back.year, c.time.year);
    EXPECT_EQ(back.month, c.time.month);
    EXPECT_EQ(back.day, c.time.day);
    EXPECT_EQ(back.hour, c.time.hour);
    EXPECT_EQ(back.minute, c.time.minute);
    EXPECT_EQ(back.second, c.time.second);
  }
  EXPECT_FALSE(EpochFromDeviceTime({1900, 2, 29, 0, 0, 0}));  // not a leap year
  EXPECT_FALSE(EpochFromDeviceTime({1969, 12, 31, 23, 59, 59}));
  EXPECT_FALSE(EpochFromDeviceTime({2026, 4, 31, 0, 0, 0}));
  EXPECT_FALSE(EpochFromDeviceTime({2026, 0, 1, 0, 0, 0}));
  EXPECT_FALSE(EpochFromDeviceTime({2026, 1, 1, 0, 60, 0}));
}

TEST(SimModel, APlannedScheduleIsStoredForTheNextMorningButNotStarted) {
  std::string error;
  const std::vector<std::string> planned = {"planned"};
  auto in = BuildInstrument({}, planned, &error);
  ASSERT_TRUE(in) << error;
  ScheduleRecord record;
  DecodeScheduleRecord(in->schedule, record);
  EXPECT_EQ(record.autostart, 1);
  EXPECT_EQ(record.start_time, 1783490400u);  // 08/07/2026 06:00:00, the default clock's next day
  EXPECT_EQ(record.rows[3].flags, kScheduleRowInUse | kScheduleRowClean);
  EXPECT_EQ(record.rows[4].flags, 0);
  EXPECT_FALSE(in->schedule_run.active);
  EXPECT_NE(StatusOf(*in).control_source, kControlSourceSchedule);
}

TEST(SimModel, ScenariosStartWhereTheirNamesSay) {
  std::string error;
  const std::vector<std::string> log500 = {"log500"};
  auto in = BuildInstrument({}, log500, &error);
  ASSERT_TRUE(in) << error;
  EXPECT_EQ(in->sample_log.size(), 500u);
  EXPECT_EQ(StatusOf(*in).cartridge_id, 501);
  for (std::size_t i = 1; i < in->sample_log.size(); ++i) {
    EXPECT_GT(in->sample_log[i].start_time, in->sample_log[i - 1].start_time);
  }

  // The same log at every start, whatever the clock says: times from a fixed origin.
  InstrumentOptions later;
  later.clock = kDefaultClock + 86400 * 30;
  const auto again = BuildInstrument(later, log500, &error);
  ASSERT_TRUE(again) << error;
  EXPECT_EQ(again->sample_log, in->sample_log);
  EXPECT_EQ(ClockSeconds(*again), ClockSeconds(*in) + 86400 * 30);

  const std::vector<std::string> unpowered = {"unpowered"};
  in = BuildInstrument({}, unpowered, &error);
  ASSERT_TRUE(in) << error;
  EXPECT_EQ(StatusOf(*in).sampler_state, 1);

  const std::vector<std::string> schedule = {"schedule"};
  in = BuildInstrument({}, schedule, &error);
  ASSERT_TRUE(in) << error;
  EXPECT_EQ(StatusOf(*in).control_source, kControlSourceSchedule);
  EXPECT_EQ(StatusOf(*in).sampler_state, 2);
  EXPECT_EQ(StatusOf(*in).next_event_time, StatusOf(*in).clock + 300);

  const std::vector<std::string> running = {"log500", "running"};
  in = BuildInstrument({}, running, &error);
  ASSERT_TRUE(in) << error;
  EXPECT_EQ(StatusOf(*in).sampler_state, 8);
  EXPECT_EQ(in->sample_log.size(), 501u);
  EXPECT_GT(in->sample_log.back().volume, 0.4F);

  const std::vector<std::string> impossible = {"unpowered", "running"};
  EXPECT_FALSE(BuildInstrument({}, impossible, &error));
  const std::vector<std::string> unknown = {"nonsense"};
  EXPECT_FALSE(BuildInstrument({}, unknown, &error));
  EXPECT_NE(error.find("nonsense"), std::string::npos);
}

}  // namespace
}  // namespace tq::sim
