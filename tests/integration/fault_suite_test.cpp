// Fault endurance over a real serial line: for every fault the simulator can put on the
// line, the command returns the ResultCode the exchange rules give, leaves its output
// alone unless it succeeded, and the next command gets the right answer, never one meant
// for an earlier request.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/commands.h"
#include "link/poller.h"
#include "link/transaction.h"
#include "tests/integration/fault_rig.h"
#include "tests/support/scripted_device.h"

namespace tq {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::FaultRig;
using test::WaitFor;

// Short enough to keep the suite quick, long enough for an instrumented build or Wine.
constexpr std::uint32_t kTimeoutMs = 400;
constexpr std::uint16_t kLogEntries = 500;

class FaultSuite : public testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    rig_ = test::OpenFaultRig(kTimeoutMs, &error);
    ASSERT_TRUE(rig_.connection) << error;
    ExpectRightEntry();  // the line works before any fault
  }

  // Puts `action` on the next request only.
  void FaultNextRequest(const sim::FaultAction& action) {
    sim::FaultRule rule;
    rule.action = action;
    rule.request = rig_.server->RequestCount() + 1;
    rig_.server->AddFault(rule);
  }

  SampleLogEntry TrueEntry(std::uint16_t index) {
    return rig_.server->WithInstrument(
        [index](const sim::Instrument& in) { return in.sample_log.at(index); });
  }

  // Reads the next entry in turn; returns the ResultCode. On success the entry must be
  // the instrument's; otherwise the caller's record must be as it was.
  int ReadNextEntry() {
    const auto index = static_cast<std::uint16_t>(next_index_++ % kLogEntries);
    SampleLogEntry entry{};
    entry.cartridge_id = 0xBEEF;
    entry.volume = -1.0F;
    const SampleLogEntry before = entry;
    const int result = GetSampleLogEntry(rig_.connection.get(), index, &entry);
    if (result == kResultOk) {
      EXPECT_EQ(entry, TrueEntry(index)) << "entry " << index << " answered wrongly";
    } else {
      EXPECT_EQ(entry, before) << "a failed read changed its output";
    }
    return result;
  }

  void ExpectRightEntry() { EXPECT_EQ(ReadNextEntry(), kResultOk); }

  FaultRig rig_;
  std::uint16_t next_index_ = 0;
};

struct FaultCase {
  const char* what;
  sim::FaultAction action;
  int expected;
  TransactionOutcome counted_as;
  std::chrono::milliseconds settles;  // how long the fault keeps the line busy afterwards
};

// The counter of `stats` that `outcome` adds to.
std::uint64_t CounterOf(const ConnectionStats& stats, TransactionOutcome outcome) {
  switch (outcome) {
    case TransactionOutcome::kOk:
      return stats.successes;
    case TransactionOutcome::kInstrumentResult:
      return stats.instrument_results;
    case TransactionOutcome::kNoLock:
      return stats.no_lock;
    case TransactionOutcome::kTimeout:
      return stats.timeouts;
    case TransactionOutcome::kNoValidFrame:
      return stats.no_valid_frame;
    case TransactionOutcome::kWrongSequence:
      return stats.wrong_sequence;
    case TransactionOutcome::kPortLost:
      return stats.port_lost;
    case TransactionOutcome::kClosed:
      return stats.closed;
  }
  return 0;
}

sim::FaultAction Noise(std::uint16_t bytes, bool marker_first) {
  sim::FaultAction a;
  a.noise_bytes = bytes;
  a.noise_marker = marker_first;
  return a;
}

std::vector<FaultCase> RecoverableFaults() {
  using O = TransactionOutcome;
  std::vector<FaultCase> cases;
  cases.push_back({"1 byte of noise", Noise(1, false), kResultOk, O::kOk, 0ms});
  cases.push_back({"25 bytes of noise", Noise(25, false), kResultOk, O::kOk, 0ms});
  cases.push_back(
      {"26 bytes of noise", Noise(26, false), kResultLinkFailure, O::kNoValidFrame, 0ms});
  cases.push_back({"a stray \"*\"", Noise(1, true), kResultOk, O::kOk, 0ms});
  cases.push_back({"a stray \"*\" leading 25 bytes", Noise(25, true), kResultOk, O::kOk, 0ms});
  sim::FaultAction crc;
  crc.corrupt_crc = true;
  cases.push_back({"corrupted checksum", crc, kResultLinkFailure, O::kNoValidFrame, 0ms});
  sim::FaultAction sequence;
  sequence.wrong_sequence = true;
  cases.push_back(
      {"previous sequence number", sequence, kResultLinkFailure, O::kWrongSequence, 0ms});
  sim::FaultAction silence;
  silence.silence = true;
  cases.push_back({"no answer", silence, kResultLinkFailure, O::kTimeout, 0ms});
  sim::FaultAction refused;
  refused.result = 5;
  cases.push_back({"result byte 5", refused, 5, O::kInstrumentResult, 0ms});
  sim::FaultAction slow;
  slow.delay_ms = kTimeoutMs / 2;
  cases.push_back({"answer late but within the time limit", slow, kResultOk, O::kOk, 0ms});
  sim::FaultAction pieces;
  pieces.split_chunk = 8;
  pieces.split_gap_ms = kTimeoutMs / 4;
  cases.push_back({"answer in 8-byte pieces with long gaps", pieces, kResultOk, O::kOk, 0ms});
  sim::FaultAction stalled;
  stalled.split_chunk = 64;
  stalled.split_gap_ms = kTimeoutMs + 200;
  cases.push_back({"answer stalled past the time limit halfway", stalled, kResultLinkFailure,
                   O::kTimeout, std::chrono::milliseconds(stalled.split_gap_ms)});
  return cases;
}

TEST_F(FaultSuite, EachFaultGivesItsResultAndTheNextCommandGetsTheRightAnswer) {
  for (const FaultCase& c : RecoverableFaults()) {
    SCOPED_TRACE(c.what);
    const ConnectionStats before = ReadConnectionStats(*rig_.connection);
    FaultNextRequest(c.action);
    EXPECT_EQ(ReadNextEntry(), c.expected);
    const ConnectionStats after = ReadConnectionStats(*rig_.connection);
    EXPECT_EQ(after.transactions, before.transactions + 1);
    EXPECT_EQ(CounterOf(after, c.counted_as), CounterOf(before, c.counted_as) + 1);
    std::this_thread::sleep_for(c.settles);
    ExpectRightEntry();
  }
}

TEST_F(FaultSuite, LateAnswerIsNeverTakenForTheNextRequest) {
  sim::FaultAction late;
  late.delay_ms = kTimeoutMs + 200;
  // Asked again at once: the late answer arrives during the next exchange and is
  // refused by its sequence number.
  FaultNextRequest(late);
  EXPECT_EQ(ReadNextEntry(), kResultLinkFailure);
  EXPECT_EQ(ReadNextEntry(), kResultLinkFailure);
  std::this_thread::sleep_for(200ms);  // the second answer, now also unwanted, arrives
  ExpectRightEntry();

  // Asked again once the late answer has arrived: the purge before sending drops it.
  FaultNextRequest(late);
  EXPECT_EQ(ReadNextEntry(), kResultLinkFailure);
  std::this_thread::sleep_for(std::chrono::milliseconds(late.delay_ms));
  ExpectRightEntry();
}

// Reads entries until one is answered, within `limit`; false if none is.
bool ReadsUntilAnswered(const std::function<int()>& read, std::chrono::milliseconds limit) {
  return WaitFor([&] { return read() == kResultOk; }, limit);
}

TEST_F(FaultSuite, InstrumentSilentForManyRequestsAnswersAgain) {
  constexpr int kSilent = 4;
  sim::FaultRule rule;
  rule.action.silence = true;
  rule.times = kSilent;
  rig_.server->AddFault(rule);
  const std::uint64_t requests_before = rig_.server->RequestCount();
  // Three unanswered requests, then the link takes the port for lost: it fails at once
  // and opens the port again once a second, sending one request each time, until the
  // instrument answers.
  int failures = 0;
  const auto start = Clock::now();
  while (ReadNextEntry() != kResultOk) {
    ++failures;
    ASSERT_LT(Clock::now() - start, 20s) << "the instrument never answered again";
  }
  EXPECT_GE(failures, kSilent);
  EXPECT_EQ(rig_.server->RequestCount(), requests_before + kSilent + 1);
  const ConnectionStats stats = ReadConnectionStats(*rig_.connection);
  EXPECT_EQ(stats.timeouts, static_cast<std::uint64_t>(kSilent));
  EXPECT_GE(stats.reopenings, 1u);
  EXPECT_FALSE(stats.lost);
  ExpectRightEntry();
}

TEST_F(FaultSuite, LineDroppedMidAnswerComesBackWithoutReconnecting) {
  const auto restored = rig_.line->Restorations();
  rig_.line->CutNextResponseAfter(60, 300);
  EXPECT_EQ(ReadNextEntry(), kResultLinkFailure);
  if (rig_.unplug_is_visible) {
    // The port is gone: commands fail at once until it can be opened again.
    const auto start = Clock::now();
    EXPECT_EQ(ReadNextEntry(), kResultLinkFailure);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(kTimeoutMs));
  }
  ASSERT_TRUE(WaitFor([&] { return rig_.line->Restorations() > restored; }));
  ASSERT_TRUE(ReadsUntilAnswered([&] { return ReadNextEntry(); }, 5000ms));
  ExpectRightEntry();
  ExpectRightEntry();
  if (rig_.unplug_is_visible) {
    EXPECT_EQ(ReadConnectionStats(*rig_.connection).reopenings, 1u);
  }
}

TEST_F(FaultSuite, LineUnpluggedBeforeTheAnswerComesBackWithoutReconnecting) {
  const auto restored = rig_.server->Reconnections();
  sim::FaultAction unplug;
  unplug.drop_ms = 300;
  FaultNextRequest(unplug);
  EXPECT_EQ(ReadNextEntry(), kResultLinkFailure);
  ASSERT_TRUE(WaitFor([&] { return rig_.server->Reconnections() > restored; }));
  ASSERT_TRUE(ReadsUntilAnswered([&] { return ReadNextEntry(); }, 5000ms));
  ExpectRightEntry();
}

// What one poll did.
struct Poll {
  Clock::time_point start;
  Clock::duration took;
  int result;
};

TEST_F(FaultSuite, PollerKeepsGoingThroughAnUnplugAndTheLinkComesBackWithin1s) {
  std::mutex mutex;
  std::vector<Poll> polls;
  PollerHandle poller = PollerStart(
      [connection = rig_.connection, &mutex, &polls](Poller& p) {
        while (PollerWait(p, 50)) {
          SystemStatus status;
          const auto start = Clock::now();
          const int result = GetSystemStatus(connection.get(), &status);
          std::lock_guard lock(mutex);
          polls.push_back({start, Clock::now() - start, result});
        }
        return 0;
      },
      0);
  const auto answered_after = [&](Clock::time_point t) {
    std::lock_guard lock(mutex);
    return std::any_of(polls.begin(), polls.end(),
                       [&](const Poll& p) { return p.start >= t && p.result == kResultOk; });
  };
  ASSERT_TRUE(WaitFor([&] { return answered_after(Clock::now() - 1s); }));

  const auto reconnections = rig_.server->Reconnections();
  const auto unplugged = Clock::now();
  rig_.server->DropLine(1500);
  ASSERT_TRUE(WaitFor([&] { return rig_.server->Reconnections() > reconnections; }));
  const auto back = Clock::now();
  ASSERT_TRUE(WaitFor([&] { return answered_after(back); }, 5000ms));
  const auto answered = Clock::now();
  poller = PollerStop(std::move(poller));

  std::lock_guard lock(mutex);
  Clock::duration longest{};
  int failed = 0;
  for (const Poll& p : polls) {
    longest = std::max(longest, p.took);
    if (p.start < unplugged || p.start > back) continue;
    EXPECT_EQ(p.result, kResultLinkFailure);
    ++failed;
  }
  const auto ms = [](Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
  };
  std::printf(
      "unplugged 1.5 s: %d polls failed meanwhile, the longest poll took %.0f ms "
      "(time limit %u ms), answered %.0f ms after the line was back\n",
      failed, ms(longest), kTimeoutMs, ms(answered - back));
  EXPECT_GT(failed, 0);
  // None took longer than one time limit (with room for a slow machine), and the link
  // came back by itself about a second after the line did.
  EXPECT_LT(longest, std::chrono::milliseconds(kTimeoutMs * 3 / 2));
  EXPECT_LT(answered - back, 2500ms);
}

TEST_F(FaultSuite, EntryPastTheEndOfTheLogIsReportedAsSuch) {
  SampleLogEntry entry{};
  entry.cartridge_id = 77;
  EXPECT_EQ(GetSampleLogEntry(rig_.connection.get(), kLogEntries, &entry), kResultNoSuchEntry);
  EXPECT_EQ(entry.cartridge_id, 77);
  ExpectRightEntry();
}

}  // namespace
}  // namespace tq
