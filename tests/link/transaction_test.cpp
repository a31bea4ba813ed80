// The Transaction engine against a scripted instrument on an in-memory line.
#include "link/transaction.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "link/memory_link.h"
#include "tests/support/scripted_device.h"

namespace tq {
namespace {

using test::Bytes;
using test::MakeResponse;
using test::MakeResponseWithSequence;
using test::ScriptedDevice;
using test::ToBytes;

constexpr std::uint32_t kShortTimeout = 150;

struct Rig {
  explicit Rig(ScriptedDevice::Script script, std::uint32_t timeout = kShortTimeout) {
    auto ends = CreateMemoryLink();
    connection = CreateConnectionOnPort(std::move(ends.host), nullptr, timeout);
    device = std::make_unique<ScriptedDevice>(std::move(ends.device), std::move(script));
  }
  ConnectionRef connection;
  std::unique_ptr<ScriptedDevice> device;
};

Bytes Noise(std::size_t n) { return Bytes(n, 0x55); }

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(Transaction, SuccessCopiesTheWholeResponse) {
  Frame expected{};
  Rig rig([&](const Frame& req) {
    expected = MakeResponse(req, 0, {1, 2, 3, 4});
    return ToBytes(expected);
  });
  Frame f = test::MakeRequest(0x27);
  ASSERT_EQ(RunTransaction(rig.connection.get(), f), kResultOk);
  EXPECT_EQ(f, expected);

  const auto sent = rig.device->Requests();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0][kOffMarker], 0x2A);
  EXPECT_EQ(sent[0][kOffCommand], 0x27);
  EXPECT_TRUE(IsValidFrameAt(sent[0], 0));
}

TEST(Transaction, RequestIsStampedAsTheWorkedExample) {
  Rig rig([](const Frame& req) { return ToBytes(MakeResponse(req, 0)); });
  Frame f = test::MakeRequest(0x06);
  ASSERT_EQ(RunTransaction(rig.connection.get(), f), kResultOk);
  const Frame sent = rig.device->Requests().at(0);
  EXPECT_EQ(Bytes(sent.begin(), sent.begin() + 7),
            (Bytes{0x2A, 0x83, 0xFE, 0x00, 0x06, 0x00, 0x00}));

  // Whatever a caller left in the link fields is stamped over, the result byte too.
  f = test::MakeRequest(0x06);
  f[kOffMarker] = 0x11;
  f[kOffSequence] = 0x22;
  f[kOffResult] = 0x77;
  ASSERT_EQ(RunTransaction(rig.connection.get(), f), kResultOk);
  const Frame second = rig.device->Requests().at(1);
  EXPECT_EQ(second[kOffMarker], 0x2A);
  EXPECT_EQ(second[kOffSequence], 1);
  EXPECT_EQ(second[kOffResult], 0);
  EXPECT_TRUE(IsValidFrameAt(second, 0));
}

// A port that delivers a fixed stream after each request and counts the reads made.
struct CountingPort final : SerialPort {
  std::function<Bytes(const Frame&)> answer;
  std::size_t reads = 0;
  Bytes stream;
  void PurgeReceive() override {}
  void WriteAll(std::span<const std::uint8_t> bytes) override {
    Frame req{};
    std::copy(bytes.begin(), bytes.end(), req.begin());
    stream = answer(req);
    reads = 0;
  }
  bool ReadByte(std::uint8_t& out, std::uint32_t) override {
    if (reads >= stream.size()) {
      ++reads;  // a read that found nothing (a silent byte)
      return false;
    }
    out = stream[reads++];
    return true;
  }
};

std::size_t ReadsMade(std::function<Bytes(const Frame&)> answer, int* result) {
  auto port = std::make_unique<CountingPort>();
  port->answer = std::move(answer);
  CountingPort* raw = port.get();
  auto connection = CreateConnectionOnPort(std::move(port), nullptr, kShortTimeout);
  Frame f = test::MakeRequest(0x27);
  *result = RunTransaction(connection.get(), f);
  return raw->reads;
}

TEST(Transaction, SilenceFailsAfterOneByteTimeoutAndFreesTheLock) {
  Rig rig([](const Frame&) { return Bytes{}; });
  Frame f = test::MakeRequest(0x27);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RunTransaction(rig.connection.get(), f), kResultLinkFailure);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kShortTimeout));
  EXPECT_TRUE(rig.connection->lock.try_lock());
  rig.connection->lock.unlock();
}

TEST(Transaction, NoiseBeforeTheResponse) {
  for (std::size_t noise : {1u, 25u, 26u, 40u}) {
    Rig rig([&](const Frame& req) { return Concat(Noise(noise), ToBytes(MakeResponse(req, 0))); });
    Frame f = test::MakeRequest(0x27);
    EXPECT_EQ(RunTransaction(rig.connection.get(), f), noise <= 25 ? kResultOk : kResultLinkFailure)
        << noise << " noise bytes";
    EXPECT_TRUE(rig.connection->lock.try_lock());
    rig.connection->lock.unlock();
  }
}

TEST(Transaction, TwentySixNoiseBytesFailAfterExactly153Reads) {
  // The device keeps sending; the engine must stop reading at 153 bytes.
  int result = -1;
  const std::size_t reads = ReadsMade(
      [](const Frame& req) {
        Bytes stream = Concat(Noise(26), ToBytes(MakeResponse(req, 0)));
        stream.resize(400, 0x2A);
        return stream;
      },
      &result);
  EXPECT_EQ(result, kResultLinkFailure);
  EXPECT_EQ(reads, kReceiveLimit);
}

TEST(Transaction, ASilentByteEndsTheReading) {
  // Silence at once, and silence after part of an answer: no read after the one that
  // found nothing.
  int result = -1;
  EXPECT_EQ(ReadsMade([](const Frame&) { return Bytes{}; }, &result), 1u);
  EXPECT_EQ(result, kResultLinkFailure);
  EXPECT_EQ(ReadsMade(
                [](const Frame& req) {
                  Bytes cut = ToBytes(MakeResponse(req, 0));
                  cut.resize(60);
                  return cut;
                },
                &result),
            61u);
  EXPECT_EQ(result, kResultLinkFailure);
}

TEST(Transaction, StaleSequenceFailsAtOnceEvenIfTheRightFrameFollows) {
  Rig rig(
      [](const Frame& req) {
        const auto stale = static_cast<std::uint8_t>(req[kOffSequence] - 1);
        return Concat(ToBytes(MakeResponseWithSequence(req, stale, 0)),
                      ToBytes(MakeResponse(req, 0)));
      },
      2000);
  Frame f = test::MakeRequest(0x27);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RunTransaction(rig.connection.get(), f), kResultLinkFailure);
  // At once: no waiting for more bytes after the mismatching Frame.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
  EXPECT_EQ(rig.device->Requests().size(), 1u);

  // Not one byte is read after the mismatching Frame, though the right one is there.
  int result = -1;
  EXPECT_EQ(ReadsMade(
                [](const Frame& req) {
                  const auto stale = static_cast<std::uint8_t>(req[kOffSequence] - 1);
                  return Concat(Concat(Noise(3), ToBytes(MakeResponseWithSequence(req, stale, 0))),
                                ToBytes(MakeResponse(req, 0)));
                },
                &result),
            3 + kFrameSize);
  EXPECT_EQ(result, kResultLinkFailure);
}

TEST(Transaction, DeviceErrorIsPassedThroughAndFillsNothing) {
  Rig rig([](const Frame& req) { return ToBytes(MakeResponse(req, 5, {9, 9, 9})); });
  Frame f = test::MakeRequest(0x27);
  EXPECT_EQ(RunCommand(rig.connection.get(), f), 5);
}

TEST(Transaction, SequenceAdvancesOnFailuresAndWraps) {
  std::atomic<int> calls{0};
  Rig rig(
      [&](const Frame& req) {
        // Every third request goes unanswered.
        return ++calls % 3 == 0 ? Bytes{} : ToBytes(MakeResponse(req, 0));
      },
      40);
  rig.connection->sequence = 250;
  for (int i = 0; i < 9; ++i) {
    Frame f = test::MakeRequest(0x27);
    (void)RunTransaction(rig.connection.get(), f);
  }
  const auto sent = rig.device->Requests();
  ASSERT_EQ(sent.size(), 9u);
  for (std::size_t i = 0; i < sent.size(); ++i) {
    EXPECT_EQ(sent[i][kOffSequence], static_cast<std::uint8_t>(250 + i)) << i;
  }
  EXPECT_EQ(rig.connection->sequence, 3);
}

TEST(Transaction, EachConnectionStartsAtSequenceZero) {
  for (int i = 0; i < 2; ++i) {
    Rig rig([](const Frame& req) { return ToBytes(MakeResponse(req, 0)); });
    EXPECT_EQ(rig.connection->sequence, 0);
    Frame f = test::MakeRequest(0x04);
    ASSERT_EQ(RunTransaction(rig.connection.get(), f), kResultOk);
    EXPECT_EQ(rig.device->Requests().at(0)[kOffSequence], 0);
  }
}

TEST(Transaction, TwoThreadsCompleteInTurn) {
  Rig rig([](const Frame& req) { return ToBytes(MakeResponse(req, 0, {req[kOffSequence]})); }, 500);
  rig.device->SetDelay(std::chrono::milliseconds(20));
  std::array<int, 2> results{-1, -1};
  std::array<Frame, 2> frames{test::MakeRequest(0x27), test::MakeRequest(0x22)};
  std::thread a([&] { results[0] = RunTransaction(rig.connection.get(), frames[0]); });
  std::thread b([&] { results[1] = RunTransaction(rig.connection.get(), frames[1]); });
  a.join();
  b.join();
  EXPECT_EQ(results, (std::array<int, 2>{0, 0}));
  // Each got the answer to its own request.
  for (const Frame& f : frames) EXPECT_EQ(f[kOffPayload], f[kOffSequence]);
  EXPECT_NE(frames[0][kOffSequence], frames[1][kOffSequence]);
}

TEST(Transaction, LockHeldPastTheTimeoutFailsWithoutSending) {
  Rig rig([](const Frame& req) { return ToBytes(MakeResponse(req, 0)); }, 60);
  rig.connection->lock.lock();
  Frame f = test::MakeRequest(0x27);
  const Frame before = f;
  std::thread t([&] { EXPECT_EQ(RunTransaction(rig.connection.get(), f), kResultLinkFailure); });
  t.join();
  rig.connection->lock.unlock();
  EXPECT_EQ(f, before);  // nothing stamped, nothing sent
  EXPECT_EQ(rig.connection->sequence, 0);
  EXPECT_TRUE(rig.device->Requests().empty());
}

TEST(Transaction, NullConnectionFailsAndTouchesNothing) {
  Frame f = test::MakeRequest(0x27);
  const Frame before = f;
  EXPECT_EQ(RunTransaction(nullptr, f), kResultLinkFailure);
  EXPECT_EQ(RunCommand(nullptr, f), kResultLinkFailure);
  EXPECT_EQ(f, before);
}

TEST(Transaction, LateAnswerOfAFailedExchangeIsNotTakenForTheNext) {
  // The first answer arrives after its Transaction gave up; the next Transaction purges
  // it, or rejects it by its sequence number.
  std::atomic<int> calls{0};
  Rig rig(
      [&](const Frame& req) {
        if (++calls == 1) std::this_thread::sleep_for(std::chrono::milliseconds(120));
        return ToBytes(MakeResponse(req, 0, {req[kOffSequence]}));
      },
      60);
  Frame first = test::MakeRequest(0x27);
  EXPECT_EQ(RunTransaction(rig.connection.get(), first), kResultLinkFailure);
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  Frame second = test::MakeRequest(0x27);
  ASSERT_EQ(RunTransaction(rig.connection.get(), second), kResultOk);
  EXPECT_EQ(second[kOffSequence], 1);
  EXPECT_EQ(second[kOffPayload], 1);
}

TEST(Transaction, DroppedLineFailsAtOnce) {
  auto ends = CreateMemoryLink();
  auto connection = CreateConnectionOnPort(std::move(ends.host), nullptr, 2000);
  ends.device.reset();
  Frame f = test::MakeRequest(0x27);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RunTransaction(connection.get(), f), kResultLinkFailure);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
}

TEST(Connection, CloseEndsTheConnectionForEveryHolderAtOnce) {
  Rig rig([](const Frame& req) { return ToBytes(MakeResponse(req, 0)); }, 2000);
  ConnectionRef view_copy = rig.connection;
  rig.connection = CloseConnection(std::move(rig.connection));
  EXPECT_EQ(rig.connection, nullptr);
  EXPECT_EQ(CloseConnection(nullptr), nullptr);
  EXPECT_FALSE(view_copy->line.IsOpen());

  Frame f = test::MakeRequest(0x27);
  const Frame before = f;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RunCommand(view_copy.get(), f), kResultLinkFailure);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
  EXPECT_EQ(f, before);  // nothing stamped, nothing sent
  EXPECT_TRUE(rig.device->Requests().empty());
  EXPECT_EQ(ReadConnectionStats(*view_copy).closed, 1u);
}

TEST(Connection, MissingPortGivesNoConnection) {
  EXPECT_EQ(CreateConnection(nullptr, "/nonexistent/tty-for-tests"), nullptr);
}

}  // namespace
}  // namespace tq
