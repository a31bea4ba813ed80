// The link's counters and its Transaction trace.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "link/memory_link.h"
#include "link/transaction.h"
#include "tests/support/scripted_device.h"

namespace tq {
namespace {

using namespace std::chrono_literals;
using test::Bytes;
using test::MakeResponse;
using test::MakeResponseWithSequence;
using test::ScriptedDevice;
using test::ToBytes;

// Keeps every record it is given, bytes included.
class RecordingTrace final : public TransactionTrace {
 public:
  struct Kept {
    TransactionRecord record;
    Bytes request, received;
    std::string line;
  };
  void OnTransaction(const TransactionRecord& r) override {
    std::lock_guard lock(mutex_);
    Kept kept{r, Bytes(r.request.begin(), r.request.end()),
              Bytes(r.received.begin(), r.received.end()), FormatTransactionRecord(r)};
    kept.record.request = {};
    kept.record.received = {};
    kept_.push_back(std::move(kept));
  }
  std::vector<Kept> Records() {
    std::lock_guard lock(mutex_);
    return kept_;
  }

 private:
  std::mutex mutex_;
  std::vector<Kept> kept_;
};

// The faults of the scripted run, one per request in this order.
enum class Fault { kNone, kSilence, kCorruptCrc, kStaleSequence, kResult5 };

struct ScriptedRun {
  explicit ScriptedRun(std::vector<Fault> plan) : faults(std::move(plan)) {
    auto ends = CreateMemoryLink();
    connection = CreateConnectionOnPort(std::move(ends.host), nullptr, 80);
    device = std::make_unique<ScriptedDevice>(std::move(ends.device), [this](const Frame& req) {
      const Fault f = next < faults.size() ? faults[next++] : Fault::kNone;
      switch (f) {
        case Fault::kSilence:
          return Bytes{};
        case Fault::kCorruptCrc: {
          Bytes b = ToBytes(MakeResponse(req, 0));
          b[kOffCrcLow] ^= 0xFF;
          return b;
        }
        case Fault::kStaleSequence:
          return ToBytes(
              MakeResponseWithSequence(req, static_cast<std::uint8_t>(req[kOffSequence] - 1), 0));
        case Fault::kResult5:
          return ToBytes(MakeResponse(req, 5));
        case Fault::kNone:
          break;
      }
      return Concat(Bytes{0x55, 0x55}, ToBytes(MakeResponse(req, 0, {7})));
    });
  }
  static Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  }
  int Send() {
    Frame f = test::MakeRequest(0x27);
    return RunCommand(connection.get(), f);
  }

  std::vector<Fault> faults;
  std::size_t next = 0;  // device thread only
  ConnectionRef connection;
  std::unique_ptr<ScriptedDevice> device;
};

TEST(LinkCounters, EachKindOfFailureIsCountedOnceUnderItsName) {
  ScriptedRun run({Fault::kNone, Fault::kSilence, Fault::kCorruptCrc, Fault::kStaleSequence,
                   Fault::kResult5, Fault::kNone});
  auto trace = std::make_shared<RecordingTrace>();
  SetTransactionTrace(*run.connection, trace);
  const auto before = std::chrono::system_clock::now();
  EXPECT_EQ(run.Send(), kResultOk);
  EXPECT_EQ(run.Send(), kResultLinkFailure);
  EXPECT_EQ(run.Send(), kResultLinkFailure);
  EXPECT_EQ(run.Send(), kResultLinkFailure);
  EXPECT_EQ(run.Send(), 5);
  EXPECT_EQ(run.Send(), kResultOk);
  const auto after = std::chrono::system_clock::now();
  // Another user holds the line for longer than the lock wait.
  run.connection->lock.lock();
  std::thread([&] { EXPECT_EQ(run.Send(), kResultLinkFailure); }).join();
  run.connection->lock.unlock();

  const ConnectionStats s = ReadConnectionStats(*run.connection);
  std::string lines;
  for (const auto& kept : trace->Records()) lines += kept.line + "\n";
  SCOPED_TRACE(lines);
  EXPECT_EQ(s.transactions, 7u);
  EXPECT_EQ(s.successes, 2u);
  EXPECT_EQ(s.timeouts, 1u);
  EXPECT_EQ(s.no_valid_frame, 1u);
  EXPECT_EQ(s.wrong_sequence, 1u);
  EXPECT_EQ(s.instrument_results, 1u);
  EXPECT_EQ(s.no_lock, 1u);
  EXPECT_EQ(s.port_lost + s.closed, 0u);
  EXPECT_EQ(s.Failures(), 5u);
  EXPECT_EQ(s.bytes_sent, 6u * kFrameSize);  // the seventh never went out
  EXPECT_EQ(s.bytes_received, 2 * 130u + 0 + 128 + 128 + 128);
  EXPECT_EQ(s.reopenings, 0u);
  ASSERT_TRUE(s.last_success);
  EXPECT_GE(*s.last_success, before);
  EXPECT_LE(*s.last_success, after);
  // Reading them is no Transaction.
  EXPECT_EQ(run.device->Requests().size(), 6u);
  EXPECT_EQ(ReadConnectionStats(*run.connection).transactions, 7u);
}

TEST(LinkTrace, ShowsWhatWentOverTheLine) {
  ScriptedRun run({Fault::kNone, Fault::kCorruptCrc});
  auto trace = std::make_shared<RecordingTrace>();
  SetTransactionTrace(*run.connection, trace);
  ASSERT_EQ(run.Send(), kResultOk);
  ASSERT_EQ(run.Send(), kResultLinkFailure);
  SetTransactionTrace(*run.connection, nullptr);  // off again: nothing more is traced
  ASSERT_EQ(run.Send(), kResultOk);

  const auto kept = trace->Records();
  ASSERT_EQ(kept.size(), 2u);
  const auto requests = run.device->Requests();
  for (std::size_t i = 0; i < kept.size(); ++i) {
    SCOPED_TRACE(kept[i].line);
    EXPECT_EQ(kept[i].request, ToBytes(requests[i]));  // exactly the bytes that went out
    EXPECT_EQ(kept[i].record.command, 0x27);
    EXPECT_EQ(kept[i].record.sequence, i);
  }
  EXPECT_EQ(kept[0].record.outcome, TransactionOutcome::kOk);
  EXPECT_EQ(kept[0].received.size(), 130u);  // the noise before the answer too
  EXPECT_EQ(kept[0].received[0], 0x55);
  EXPECT_EQ(kept[1].record.outcome, TransactionOutcome::kNoValidFrame);
  EXPECT_EQ(kept[1].received.size(), 128u);
  EXPECT_GE(kept[1].record.duration, 80ms);  // it waited for a 129th byte
}

TEST(LinkTrace, OneLinePerTransaction) {
  Frame request = test::MakeRequest(0x06);
  StampRequest(request, 0);
  const Bytes received = {0x2A, 0x00};
  TransactionRecord r;
  r.start = std::chrono::sys_days{std::chrono::year{2024} / 3 / 14} + 15h + 9min + 26s + 535897us;
  r.duration = 3001500us;
  r.command = 0x06;
  r.sequence = 0;
  r.outcome = TransactionOutcome::kTimeout;
  r.system_error = 21;
  r.request = std::span(request).first(8);
  r.received = received;
  EXPECT_EQ(FormatTransactionRecord(r),
            "2024-03-14T15:09:26.535897Z cmd 0x06 seq 0 time-out 3001.500 ms (system error 21) "
            "sent 2A 83 FE 00 06 00 00 00 received 2A 00");

  r.outcome = TransactionOutcome::kNoLock;
  r.system_error = 0;
  r.request = {};
  r.received = {};
  r.duration = 0us;
  EXPECT_EQ(FormatTransactionRecord(r),
            "2024-03-14T15:09:26.535897Z cmd 0x06 seq - no lock 0.000 ms sent - received -");
}

}  // namespace
}  // namespace tq
