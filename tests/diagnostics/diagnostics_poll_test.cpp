// The Diagnostics view's poll routine on a real Poller against a scripted instrument:
// what it sends, in which order, and what it publishes.
#include "diagnostics/diagnostics_poll.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "link/commands.h"
#include "link/memory_link.h"
#include "tests/support/scripted_device.h"
#include "ui/resource.h"

namespace tq {
namespace {

using test::Bytes;

// Refuses StartDiagnosticLogRead a number of times, then serves its entries from the
// oldest; answers the status with a fixed reading.
class LogInstrument {
 public:
  explicit LogInstrument(int refusals) : refusals_(refusals) {
    auto ends = CreateMemoryLink();
    connection = CreateConnectionOnPort(std::move(ends.host), nullptr, 300);
    device = std::make_unique<test::ScriptedDevice>(
        std::move(ends.device), [this](const Frame& request) { return answer(request); });
  }

  void add(std::int32_t counter) {
    DiagnosticLogEntry entry;
    entry.counter = counter;
    entry.severity = kSeverityInformation;
    std::lock_guard lock(mutex_);
    entries_.push_back(entry);
  }

  std::vector<std::uint8_t> commands() const {
    std::vector<std::uint8_t> codes;
    for (const Frame& request : device->Requests()) codes.push_back(request[kOffCommand]);
    return codes;
  }

  ConnectionRef connection;
  std::unique_ptr<test::ScriptedDevice> device;

 private:
  Bytes answer(const Frame& request) {
    std::lock_guard lock(mutex_);
    switch (request[kOffCommand]) {
      case kCmdStartDiagnosticLogRead:
        if (refusals_ > 0) {
          --refusals_;
          return test::ToBytes(test::MakeResponse(request, 3));
        }
        cursor_ = 0;
        return test::ToBytes(test::MakeResponse(request, 0));
      case kCmdGetSystemStatus: {
        SystemStatus status;
        status.sampler_state = 2;
        status.supply_voltage = 12.25f;
        Bytes payload(kSystemStatusSize);
        EncodeSystemStatus(status, std::span<std::uint8_t, kSystemStatusSize>(payload));
        return test::ToBytes(test::MakeResponse(request, 0, payload));
      }
      case kCmdGetDiagnosticLogEntry: {
        if (cursor_ >= entries_.size()) return test::ToBytes(test::MakeResponse(request, 9));
        Bytes payload(kDiagnosticLogEntrySize);
        EncodeDiagnosticLogEntry(entries_[cursor_++],
                                 std::span<std::uint8_t, kDiagnosticLogEntrySize>(payload));
        return test::ToBytes(test::MakeResponse(request, 0, payload));
      }
      default:
        return test::ToBytes(test::MakeResponse(request, 1));
    }
  }

  mutable std::mutex mutex_;
  int refusals_;
  std::deque<DiagnosticLogEntry> entries_;
  std::size_t cursor_ = 0;
};

// The routine on its own Poller, its reports collected as a window would take them.
struct RunningRoutine {
  RunningRoutine(const ConnectionRef& connection, bool paused)
      : feed(std::make_shared<DiagnosticsFeed>([] { return true; }, DiagnosticsInputs{paused})) {
    poller = PollerStart(
        [feed = feed, connection](Poller& p) { return diagnostics_poll(p, *feed, connection, {}); },
        0);
  }
  ~RunningRoutine() {
    feed->close();
    poller = PollerStop(std::move(poller));
  }

  std::size_t rows() {
    for (DiagnosticsReport& report : feed->take()) reports.push_back(std::move(report));
    std::size_t count = 0;
    for (const DiagnosticsReport& report : reports) {
      if (std::holds_alternative<LogRowChange>(report)) ++count;
    }
    return count;
  }

  std::shared_ptr<DiagnosticsFeed> feed;
  PollerHandle poller;
  std::vector<DiagnosticsReport> reports;
};

TEST(DiagnosticsPoll, NothingButTheStartOfAReadingUntilTheInstrumentAcceptsIt) {
  LogInstrument instrument(2);
  for (int i = 1; i <= 3; ++i) instrument.add(i);
  RunningRoutine routine(instrument.connection, false);
  ASSERT_TRUE(test::WaitFor([&] { return routine.rows() == 3; }));

  const std::vector<Frame> requests = instrument.device->Requests();
  ASSERT_GE(requests.size(), 7u);
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(requests[i][kOffCommand], kCmdStartDiagnosticLogRead);
    EXPECT_EQ(requests[i][kOffLength], 2);
    EXPECT_EQ(requests[i][kOffPayload], 0xFF);
    EXPECT_EQ(requests[i][kOffPayload + 1], 0xFF);
  }
  EXPECT_EQ(requests[3][kOffCommand], kCmdGetSystemStatus);
  EXPECT_EQ(requests[4][kOffCommand], kCmdGetDiagnosticLogEntry);

  // The view hears of the accepted start first, then the health, then the rows in order.
  ASSERT_GE(routine.reports.size(), 5u);
  EXPECT_TRUE(std::holds_alternative<LogReadStarted>(routine.reports[0]));
  const auto* health = std::get_if<HealthUpdate>(&routine.reports[1]);
  ASSERT_NE(health, nullptr);
  EXPECT_EQ(health->texts,
            (std::vector<ControlText>{{IDC_RUN_STATE, "IDLE"}, {IDC_VOLTAGE, "12.25 V"}}));
  for (int i = 0; i < 3; ++i) {
    const auto* row = std::get_if<LogRowChange>(&routine.reports[2 + static_cast<std::size_t>(i)]);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->row.index, i);
    EXPECT_EQ(row->row.cells[0], "0000000" + std::to_string(i + 1));
  }
}

TEST(DiagnosticsPoll, WhilePausedNothingIsFetchedAndAfterwardsTheNextEntryFollows) {
  LogInstrument instrument(0);
  instrument.add(1);
  RunningRoutine routine(instrument.connection, true);
  const auto fetched = [&] {
    for (const std::uint8_t code : instrument.commands()) {
      if (code != kCmdStartDiagnosticLogRead) return true;
    }
    return false;
  };
  // Two passes and more: the reading is started, nothing else is asked for.
  EXPECT_FALSE(test::WaitFor(fetched, std::chrono::milliseconds(1200)));
  EXPECT_EQ(instrument.commands().size(), 1u);

  routine.feed->set_inputs({false});
  instrument.add(2);
  ASSERT_TRUE(test::WaitFor([&] { return routine.rows() == 2; }));
  EXPECT_EQ(instrument.commands().front(), kCmdStartDiagnosticLogRead);
}

}  // namespace
}  // namespace tq
