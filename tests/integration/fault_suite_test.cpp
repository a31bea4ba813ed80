// Fault endurance over a real serial line: for every fault the simulator can put on the
// line, the command returns the ResultCode the exchange rules give, leaves its output
// alone unless it succeeded, and the next command gets the right answer, never one meant
// for an earlier request.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "link/commands.h"
#include "link/transaction.h"
#include "tests/integration/fault_rig.h"
#include "tests/support/scripted_device.h"

namespace tq {
namespace {

using namespace std::chrono_literals;
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
  std::chrono::milliseconds settles;  // how long the fault keeps the line busy afterwards
};

sim::FaultAction Noise(std::uint16_t bytes, bool marker_first) {
  sim::FaultAction a;
  a.noise_bytes = bytes;
  a.noise_marker = marker_first;
  return a;
}

std::vector<FaultCase> RecoverableFaults() {
  std::vector<FaultCase> cases;
  cases.push_back({"1 byte of noise", Noise(1, false), kResultOk, 0ms});
  cases.push_back({"25 bytes of noise", Noise(25, false), kResultOk, 0ms});
  cases.push_back({"26 bytes of noise", Noise(26, false), kResultLinkFailure, 0ms});
  cases.push_back({"a stray \"*\"", Noise(1, true), kResultOk, 0ms});
  cases.push_back({"a stray \"*\" leading 25 bytes", Noise(25, true), kResultOk, 0ms});
  sim::FaultAction crc;
  crc.corrupt_crc = true;
  cases.push_back({"corrupted checksum", crc, kResultLinkFailure, 0ms});
  sim::FaultAction sequence;
  sequence.wrong_sequence = true;
  cases.push_back({"previous sequence number", sequence, kResultLinkFailure, 0ms});
  sim::FaultAction silence;
  silence.silence = true;
  cases.push_back({"no answer", silence, kResultLinkFailure, 0ms});
  sim::FaultAction refused;
  refused.result = 5;
  cases.push_back({"result byte 5", refused, 5, 0ms});
  sim::FaultAction slow;
  slow.delay_ms = kTimeoutMs / 2;
  cases.push_back({"answer late but within the time limit", slow, kResultOk, 0ms});
  sim::FaultAction pieces;
  pieces.split_chunk = 8;
  pieces.split_gap_ms = kTimeoutMs / 4;
  cases.push_back({"answer in 8-byte pieces with long gaps", pieces, kResultOk, 0ms});
  sim::FaultAction stalled;
  stalled.split_chunk = 64;
  stalled.split_gap_ms = kTimeoutMs + 200;
  cases.push_back({"answer stalled past the time limit halfway", stalled, kResultLinkFailure,
                   std::chrono::milliseconds(stalled.split_gap_ms)});
  return cases;
}

TEST_F(FaultSuite, EachFaultGivesItsResultAndTheNextCommandGetsTheRightAnswer) {
  for (const FaultCase& c : RecoverableFaults()) {
    SCOPED_TRACE(c.what);
    FaultNextRequest(c.action);
    EXPECT_EQ(ReadNextEntry(), c.expected);
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

TEST_F(FaultSuite, InstrumentSilentForManyRequestsAnswersAgain) {
  sim::FaultRule rule;
  rule.action.silence = true;
  rule.times = 8;
  rig_.server->AddFault(rule);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(ReadNextEntry(), kResultLinkFailure) << "request " << i;
  ExpectRightEntry();
  ExpectRightEntry();
}

TEST_F(FaultSuite, LineDroppedMidAnswerAndBack) {
  const auto restored = rig_.line->Restorations();
  rig_.line->CutNextResponseAfter(60, 300);
  EXPECT_EQ(ReadNextEntry(), kResultLinkFailure);
  if (rig_.unplug_is_visible) {
    // The port is gone: commands on it fail at once until it is opened again.
    EXPECT_EQ(ReadNextEntry(), kResultLinkFailure);
    ASSERT_TRUE(WaitFor([&] { return rig_.line->Restorations() > restored; }));
    ASSERT_TRUE(test::ReopenConnection(rig_, kTimeoutMs));
  } else {
    ASSERT_TRUE(WaitFor([&] { return rig_.line->Restorations() > restored; }));
  }
  ExpectRightEntry();
  ExpectRightEntry();
}

TEST_F(FaultSuite, LineUnpluggedBeforeTheAnswerAndBack) {
  const auto restored = rig_.server->Reconnections();
  sim::FaultAction unplug;
  unplug.drop_ms = 300;
  FaultNextRequest(unplug);
  EXPECT_EQ(ReadNextEntry(), kResultLinkFailure);
  ASSERT_TRUE(WaitFor([&] { return rig_.server->Reconnections() > restored; }));
  if (rig_.unplug_is_visible) {
    ASSERT_TRUE(test::ReopenConnection(rig_, kTimeoutMs));
  }
  ExpectRightEntry();
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
