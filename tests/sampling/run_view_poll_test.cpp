// The Run view's poll routine on a real Poller: what it publishes, in which order, and
// how it ends.
#include "sampling/run_view_poll.h"

#include <gtest/gtest.h>

#include <atomic>

#include "tests/sampling/log_instrument.h"

namespace tq {
namespace {

using test::log_entry;
using test::WaitFor;

struct Polling {
  RunViewPolling session;
  std::atomic<int> notifications{0};
  std::vector<RunViewReport> seen;

  void start(const ConnectionRef& connection, SampleLogCursor cursor = {}) {
    session.start([this] { return ++notifications, true; },
                  [connection, cursor](Poller& poller, RunViewFeed& feed) {
                    return run_view_poll(poller, feed, connection, cursor);
                  });
  }
  // Takes what the routine published until `count` reports have been seen.
  bool take_until(std::size_t count) {
    return WaitFor([&] {
      for (RunViewReport& report : session.take()) seen.push_back(std::move(report));
      return seen.size() >= count;
    });
  }
};

TEST(RunViewPoll, StatusFirstThenTheLogEntryByEntry) {
  test::LogInstrument instrument;
  SystemStatus status;
  status.sampler_state = 8;
  status.cartridge_id = 12;
  instrument.set_status(status);
  instrument.set_log({log_entry(1, 1), log_entry(2, 1), log_entry(3, 1)});
  Polling polling;
  polling.start(instrument.connection);
  ASSERT_TRUE(polling.take_until(4));
  const auto* report = std::get_if<RunStatusReport>(&polling.seen[0]);
  ASSERT_NE(report, nullptr);
  EXPECT_EQ(report->status, status);
  EXPECT_EQ(report->texts.state, "Sampler State: Pumping Sample ID=12");
  for (int i = 1; i <= 3; ++i) {
    const auto* row = std::get_if<ListRow>(&polling.seen[static_cast<std::size_t>(i)]);
    ASSERT_NE(row, nullptr) << i;
    EXPECT_EQ(row->index, i - 1);
    EXPECT_EQ(row->change, ListRow::Change::kInsert);
  }
  // The end of the log once reached is reported once.
  ASSERT_TRUE(polling.take_until(5));
  EXPECT_TRUE(std::holds_alternative<SampleLogListed>(polling.seen[4]));
  // A wake cuts the second's wait short: the next cycle's status and rewritten row.
  polling.session.wake();
  ASSERT_TRUE(polling.take_until(7));
  EXPECT_TRUE(std::holds_alternative<RunStatusReport>(polling.seen[5]));
  EXPECT_EQ(std::get<ListRow>(polling.seen[6]).change, ListRow::Change::kRewrite);
  EXPECT_EQ(std::get<ListRow>(polling.seen[6]).index, 2);
  EXPECT_EQ(polling.seen.size(), 7u);
}

TEST(RunViewPoll, AFailedStatusIsSilentAndTheLogIsStillRead) {
  test::LogInstrument instrument;
  instrument.set_status_result(5);
  instrument.set_log({log_entry(1, 1), log_entry(2, 1)});
  Polling polling;
  polling.start(instrument.connection);
  ASSERT_TRUE(polling.take_until(2));
  for (const RunViewReport& report : polling.seen) {
    EXPECT_TRUE(std::holds_alternative<ListRow>(report) ||
                std::holds_alternative<SampleLogListed>(report));
  }
}

TEST(RunViewPoll, AResumedRoutineRewritesTheNewestRowShown) {
  test::LogInstrument instrument;
  instrument.set_log({log_entry(1, 1), log_entry(2, 1), log_entry(3, 1)});
  Polling polling;
  polling.start(instrument.connection, cursor_after_rows(3));
  ASSERT_TRUE(polling.take_until(2));
  const auto* row = std::get_if<ListRow>(&polling.seen[1]);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->change, ListRow::Change::kRewrite);
  EXPECT_EQ(row->index, 2);
  ASSERT_TRUE(WaitFor([&] { return instrument.indices_asked().size() >= 2; }));
  EXPECT_EQ(instrument.indices_asked(), (std::vector<int>{2, 3}));  // never from entry 0
}

TEST(RunViewPoll, StoppingEndsTheRoutineAndDropsItsReports) {
  test::LogInstrument instrument;
  std::vector<SampleLogEntry> log;
  for (std::uint16_t i = 0; i < 200; ++i) log.push_back(log_entry(i, 1));
  instrument.set_log(log);
  Polling polling;
  polling.start(instrument.connection);
  ASSERT_TRUE(WaitFor([&] { return instrument.indices_asked().size() >= 5; }));
  polling.session.stop();
  const std::size_t asked = instrument.request_count();
  EXPECT_TRUE(polling.session.take().empty());
  // Nothing more is sent once the routine has seen stop.
  EXPECT_FALSE(WaitFor([&] { return instrument.request_count() > asked + 1; },
                       std::chrono::milliseconds(100)));
  EXPECT_LT(instrument.indices_asked().size(), 200u);
}

}  // namespace
}  // namespace tq
