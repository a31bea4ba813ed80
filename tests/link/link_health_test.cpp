// The link in the field: a port that is unplugged and plugged back in, an instrument
// that stops answering, and a Connection closed while its Transactions are under way.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/memory_link.h"
#include "link/poller.h"
#include "link/transaction.h"
#include "tests/support/scripted_device.h"

namespace tq {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::Bytes;
using test::MakeResponse;
using test::ScriptedDevice;
using test::ToBytes;
using test::WaitFor;

Bytes Answer(const Frame& request) { return ToBytes(MakeResponse(request, 0)); }

// A serial adapter that can be pulled out and plugged back in: each plug lays a new
// in-memory cable with an instrument on its far end. The Connection's reopener takes
// the host end of the cable in place, as opening a device by name finds the adapter
// that is there now, or nothing.
class Adapter : public std::enable_shared_from_this<Adapter> {
 public:
  explicit Adapter(ScriptedDevice::Script script = Answer) : script_(std::move(script)) {}

  // Plugs in; returns the host end for the Connection's first open.
  std::unique_ptr<SerialPort> Plug() {
    auto ends = CreateMemoryLink();
    std::lock_guard lock(mutex_);
    device_ = std::make_unique<ScriptedDevice>(std::move(ends.device), script_);
    return std::move(ends.host);
  }
  void PlugForReopen() {
    auto host = Plug();
    std::lock_guard lock(mutex_);
    waiting_host_ = std::move(host);
  }
  void Unplug() {
    std::unique_ptr<ScriptedDevice> gone;
    std::lock_guard lock(mutex_);
    gone = std::move(device_);  // its end of the cable closes: the host end is lost
    waiting_host_.reset();
  }
  PortReopener Reopener() {
    return [self = shared_from_this()] {
      std::lock_guard lock(self->mutex_);
      ++self->opens_;
      return std::move(self->waiting_host_);
    };
  }
  int Opens() {
    std::lock_guard lock(mutex_);
    return opens_;
  }
  std::size_t Requests() {
    std::lock_guard lock(mutex_);
    return device_ ? device_->Requests().size() : 0;
  }

 private:
  ScriptedDevice::Script script_;
  std::mutex mutex_;
  std::unique_ptr<ScriptedDevice> device_;
  std::unique_ptr<SerialPort> waiting_host_;
  int opens_ = 0;
};

int Status(Connection* c) {
  Frame f = test::MakeRequest(0x27);
  return RunCommand(c, f);
}

// Whether some thread holds the Connection's lock (inside a Transaction).
bool Busy(Connection& c) {
  if (!c.lock.try_lock()) return true;
  c.lock.unlock();
  return false;
}

Clock::duration Timed(Connection* c, int expected) {
  const auto start = Clock::now();
  EXPECT_EQ(Status(c), expected);
  return Clock::now() - start;
}

TEST(LostPort, UnpluggedFailsAtOnceAndThePortIsOpenedAgainWithoutTheOperator) {
  auto adapter = std::make_shared<Adapter>();
  auto c = CreateConnectionOnPort(adapter->Plug(), nullptr, 2000, adapter->Reopener());
  EXPECT_EQ(Status(c.get()), kResultOk);

  adapter->Unplug();
  EXPECT_LT(Timed(c.get(), kResultLinkFailure), 1000ms);  // hung up: no waiting
  EXPECT_TRUE(ReadConnectionStats(*c).lost);
  // While it is away, every Transaction fails at once: one attempt to open it again,
  // then nothing more for a second.
  for (int i = 0; i < 5; ++i) EXPECT_LT(Timed(c.get(), kResultLinkFailure), 1000ms);
  EXPECT_EQ(adapter->Opens(), 1);

  adapter->PlugForReopen();
  ASSERT_TRUE(WaitFor([&] { return Status(c.get()) == kResultOk; }, 3000ms));
  EXPECT_EQ(adapter->Opens(), 2);
  const ConnectionStats stats = ReadConnectionStats(*c);
  EXPECT_EQ(stats.reopenings, 1u);
  EXPECT_FALSE(stats.lost);
  EXPECT_GE(stats.port_lost, 6u);
  EXPECT_EQ(adapter->Requests(), 1u);  // the new cable's first request was the one answered
}

TEST(LostPort, AttemptsToReopenAreAtLeastASecondApart) {
  auto adapter = std::make_shared<Adapter>();
  auto c = CreateConnectionOnPort(adapter->Plug(), nullptr, 500, adapter->Reopener());
  adapter->Unplug();
  const auto start = Clock::now();
  while (Clock::now() - start < 2500ms) {
    (void)Status(c.get());
    std::this_thread::sleep_for(10ms);
  }
  // Attempts at about 0, 1 and 2 seconds.
  EXPECT_GE(adapter->Opens(), 2);
  EXPECT_LE(adapter->Opens(), 3);
}

TEST(LostPort, APortThatCannotBeReopenedStaysLost) {
  auto adapter = std::make_shared<Adapter>();
  auto c = CreateConnectionOnPort(adapter->Plug(), nullptr, 2000);
  adapter->Unplug();
  EXPECT_EQ(Status(c.get()), kResultLinkFailure);
  adapter->PlugForReopen();
  for (int i = 0; i < 3; ++i) EXPECT_LT(Timed(c.get(), kResultLinkFailure), 1000ms);
  EXPECT_EQ(adapter->Opens(), 0);

  // A Transaction that never got the lock knows nothing new of the port.
  c->timeout = 50;
  c->lock.lock();
  std::thread([&] { EXPECT_EQ(Status(c.get()), kResultLinkFailure); }).join();
  c->lock.unlock();
  const ConnectionStats stats = ReadConnectionStats(*c);
  EXPECT_EQ(stats.no_lock, 1u);
  EXPECT_TRUE(stats.lost);
}

TEST(LostPort, AnswerlessTransactionsCountAsLostWhereNothingIsReported) {
  // A line that says nothing when its far end goes (Wine's COM ports): three sent
  // Transactions in a row without a byte, and the port is opened again. Here the
  // instrument was only quiet, so opening again does no harm and the link goes on.
  std::atomic<bool> quiet{true};
  auto adapter = std::make_shared<Adapter>(
      [&](const Frame& request) { return quiet ? Bytes{} : Answer(request); });
  auto c = CreateConnectionOnPort(adapter->Plug(), nullptr, 60, adapter->Reopener());
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Status(c.get()), kResultLinkFailure);
  EXPECT_TRUE(ReadConnectionStats(*c).lost);
  EXPECT_EQ(adapter->Requests(), 3u);

  quiet = false;
  adapter->PlugForReopen();
  EXPECT_EQ(Status(c.get()), kResultOk);
  EXPECT_EQ(ReadConnectionStats(*c).reopenings, 1u);
}

TEST(LostPort, QuietTransactionsAloneNeverGiveUpAPortThatCannotBeReopened) {
  std::atomic<bool> quiet{true};
  auto adapter = std::make_shared<Adapter>(
      [&](const Frame& request) { return quiet ? Bytes{} : Answer(request); });
  auto c = CreateConnectionOnPort(adapter->Plug(), nullptr, 40);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Status(c.get()), kResultLinkFailure);
  quiet = false;
  EXPECT_EQ(Status(c.get()), kResultOk);
  EXPECT_FALSE(ReadConnectionStats(*c).lost);
}

TEST(LostPort, OnlyTransactionsWithoutAByteInARowCount) {
  // Two unanswered requests, then one answered with a single byte (a failure, but the
  // line is there), over and over: never three in a row.
  std::atomic<int> requests{0};
  auto adapter = std::make_shared<Adapter>([&](const Frame& request) {
    return ++requests % 3 == 0 ? Bytes{Answer(request).front()} : Bytes{};
  });
  auto c = CreateConnectionOnPort(adapter->Plug(), nullptr, 40, adapter->Reopener());
  for (int i = 0; i < 9; ++i) EXPECT_EQ(Status(c.get()), kResultLinkFailure);
  EXPECT_FALSE(ReadConnectionStats(*c).lost);
  EXPECT_EQ(adapter->Opens(), 0);
}

// Like a COM port under Wine whose far end has gone: writing fails and says so, while a
// read just waits out its limit.
class WriteRefusingPort final : public SerialPort {
 public:
  void PurgeReceive() override {}
  void WriteAll(std::span<const std::uint8_t>) override { lost_ = true; }
  bool ReadByte(std::uint8_t&, std::uint32_t timeout_ms) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(timeout_ms));
    return false;
  }
  bool Lost() const override { return lost_; }
  std::uint32_t LastSystemError() const override { return 21; }

 private:
  bool lost_ = false;
};

TEST(LostPort, AWriteThatFindsTheDeviceGoneWaitsForNoAnswer) {
  auto c = CreateConnectionOnPort(std::make_unique<WriteRefusingPort>(), nullptr, 1500);
  auto trace = std::make_shared<std::vector<std::string>>();
  SetTransactionTrace(*c, LineTrace([trace](std::string_view line) { trace->emplace_back(line); }));
  EXPECT_LT(Timed(c.get(), kResultLinkFailure), 1000ms);
  EXPECT_TRUE(ReadConnectionStats(*c).lost);
  ASSERT_EQ(trace->size(), 1u);
  EXPECT_NE(trace->front().find("port lost"), std::string::npos) << trace->front();
  EXPECT_NE(trace->front().find("(system error 21)"), std::string::npos) << trace->front();
}

// A port whose reads wait out their limit whatever happens (a read nothing interrupts,
// as under Wine) and that reports when it is closed.
class StubbornPort final : public SerialPort {
 public:
  explicit StubbornPort(std::shared_ptr<std::atomic<bool>> closed) : closed_(std::move(closed)) {}
  ~StubbornPort() override { *closed_ = true; }
  void PurgeReceive() override {}
  void WriteAll(std::span<const std::uint8_t>) override {}
  bool ReadByte(std::uint8_t&, std::uint32_t timeout_ms) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(timeout_ms));
    return false;
  }

 private:
  std::shared_ptr<std::atomic<bool>> closed_;
};

TEST(ClosedConnection, AReadThatCannotBeCalledOffKeepsThePortOnlyUntilItEnds) {
  auto closed = std::make_shared<std::atomic<bool>>(false);
  auto c = CreateConnectionOnPort(std::make_unique<StubbornPort>(closed), nullptr, 600);
  std::atomic<int> result{-1};
  std::thread poller([&, c] { result = Status(c.get()); });
  ASSERT_TRUE(WaitFor([&] { return Busy(*c); }));  // inside the read

  const auto start = Clock::now();
  ConnectionRef owner = c;
  owner = CloseConnection(std::move(owner));
  EXPECT_LT(Clock::now() - start, 500ms);  // about 100 ms, not the read's 600
  EXPECT_FALSE(*closed);
  poller.join();
  EXPECT_EQ(result, kResultLinkFailure);
  EXPECT_TRUE(*closed);  // the last Transaction out closed it, though `c` still holds on
  EXPECT_FALSE(c->line.IsOpen());
}

TEST(ClosedConnection, ACancellableReadEndsAndThePortIsShutWhenCloseReturns) {
  auto ends = CreateMemoryLink();  // the far end stays silent
  auto c = CreateConnectionOnPort(std::move(ends.host), nullptr, 5000);
  std::atomic<int> result{-1};
  std::thread poller([&, c] { result = Status(c.get()); });
  ASSERT_TRUE(WaitFor([&] { return Busy(*c); }));

  ConnectionRef owner = c;
  owner = CloseConnection(std::move(owner));
  EXPECT_FALSE(c->line.IsOpen());
  poller.join();
  EXPECT_EQ(result, kResultLinkFailure);
}

TEST(ClosedConnection, AThreadWaitingForTheLockGivesUpAtOnce) {
  auto ends = CreateMemoryLink();
  ScriptedDevice instrument(std::move(ends.device), Answer);
  auto c = CreateConnectionOnPort(std::move(ends.host), nullptr, 3000);
  c->lock.lock();  // a long Transaction of another thread
  std::atomic<bool> done{false};
  Clock::duration waited{};
  std::thread user([&, c] {
    const auto start = Clock::now();
    EXPECT_EQ(Status(c.get()), kResultLinkFailure);
    waited = Clock::now() - start;
    done = true;
  });
  std::this_thread::sleep_for(50ms);
  ConnectionRef owner = c;
  owner = CloseConnection(std::move(owner));
  ASSERT_TRUE(WaitFor([&] { return done.load(); }, 2000ms));  // not the 3000 ms lock wait
  user.join();
  c->lock.unlock();
  EXPECT_LT(waited, 2000ms);
  EXPECT_TRUE(instrument.Requests().empty());
  EXPECT_EQ(ReadConnectionStats(*c).closed, 1u);
}

// A device that, like a serial port on Windows, opens only once at a time.
class ExclusiveDevice : public std::enable_shared_from_this<ExclusiveDevice> {
 public:
  explicit ExclusiveDevice(ScriptedDevice::Script script) : script_(std::move(script)) {}

  std::unique_ptr<SerialPort> Open() {
    std::lock_guard lock(mutex_);
    if (open_) return nullptr;
    auto ends = CreateMemoryLink();
    instrument_ = std::make_unique<ScriptedDevice>(std::move(ends.device), script_);
    open_ = true;
    return std::make_unique<Held>(shared_from_this(), std::move(ends.host));
  }
  // The instrument goes: the open host end finds the line gone.
  void HangUp() {
    std::unique_ptr<ScriptedDevice> gone;
    std::lock_guard lock(mutex_);
    gone = std::move(instrument_);
  }
  bool IsOpen() {
    std::lock_guard lock(mutex_);
    return open_;
  }
  std::size_t Requests() {
    std::lock_guard lock(mutex_);
    return instrument_ ? instrument_->Requests().size() : 0;
  }

 private:
  // The host end, which lets go of the device when closed.
  class Held final : public SerialPort {
   public:
    Held(std::shared_ptr<ExclusiveDevice> device, std::unique_ptr<SerialPort> port)
        : device_(std::move(device)), port_(std::move(port)) {}
    ~Held() override {
      std::lock_guard lock(device_->mutex_);
      device_->open_ = false;
    }
    void PurgeReceive() override { port_->PurgeReceive(); }
    void WriteAll(std::span<const std::uint8_t> bytes) override { port_->WriteAll(bytes); }
    bool ReadByte(std::uint8_t& out, std::uint32_t timeout_ms) override {
      return port_->ReadByte(out, timeout_ms);
    }
    void CancelReads() override { port_->CancelReads(); }
    bool Lost() const override { return port_->Lost(); }

   private:
    std::shared_ptr<ExclusiveDevice> device_;
    std::unique_ptr<SerialPort> port_;
  };

  ScriptedDevice::Script script_;
  std::mutex mutex_;
  bool open_ = false;
  std::unique_ptr<ScriptedDevice> instrument_;
};

// What the main window does on Disconnect and Connect, with a view polling in between.
TEST(ClosedConnection, ConnectRightAfterDisconnectOpensAPortThatOpensOnlyOnce) {
  // A stopped poller's thread may still run after its round (stopping never waits for it),
  // so what it touches is shared, never on this stack.
  auto quiet = std::make_shared<std::atomic<bool>>(false);
  auto device = std::make_shared<ExclusiveDevice>(
      [quiet](const Frame& request) { return *quiet ? Bytes{} : Answer(request); });
  for (int round = 0; round < 6; ++round) {
    SCOPED_TRACE(round);
    // Every other round the instrument has gone quiet, so the poller is stuck in a read.
    *quiet = round % 2 == 1;
    auto port = device->Open();
    ASSERT_TRUE(port);
    ConnectionRef current = CreateConnectionOnPort(std::move(port), nullptr, 3000);
    ASSERT_TRUE(current);
    auto polls = std::make_shared<std::atomic<int>>(0);
    PollerHandle poller = PollerStart(
        [c = current, polls](Poller& p) {
          while (PollerWait(p, 1)) {
            (void)Status(c.get());
            ++*polls;
          }
          return 0;
        },
        0);
    ASSERT_TRUE(WaitFor([&] { return *quiet ? Busy(*current) : *polls > 3; }));

    poller = PollerStop(std::move(poller));
    current = CloseConnection(std::move(current));
    *quiet = false;
    ConnectionRef next = CreateConnectionOnPort(device->Open(), nullptr, 3000);
    ASSERT_TRUE(next) << "the port of the closed Connection was still open";
    EXPECT_EQ(Status(next.get()), kResultOk);
    next = CloseConnection(std::move(next));
  }
}

// A lost COM port can be opened again only once the lost handle is closed.
TEST(LostPort, TheLostPortIsClosedBeforeItsNameIsOpenedAgain) {
  auto device = std::make_shared<ExclusiveDevice>(Answer);
  auto c =
      CreateConnectionOnPort(device->Open(), nullptr, 1000, [device] { return device->Open(); });
  ASSERT_EQ(Status(c.get()), kResultOk);
  device->HangUp();
  EXPECT_EQ(Status(c.get()), kResultLinkFailure);
  // The first attempt opens it: a second one would come only a second later.
  EXPECT_EQ(Status(c.get()), kResultOk);
  EXPECT_EQ(ReadConnectionStats(*c).reopenings, 1u);
}

// Disconnect while the port is being opened again: the port opened meanwhile is closed at
// once, and nothing is sent on it.
TEST(ClosedConnection, AConnectionClosedDuringAReopenNeverGetsTheNewPort) {
  auto device = std::make_shared<ExclusiveDevice>(Answer);
  std::atomic<bool> opening{false};
  std::atomic<bool> closed{false};
  auto c = CreateConnectionOnPort(device->Open(), nullptr, 1000, [&, device] {
    opening = true;
    while (!closed) std::this_thread::sleep_for(1ms);
    return device->Open();
  });
  device->HangUp();
  ASSERT_EQ(Status(c.get()), kResultLinkFailure);  // lost
  std::atomic<int> result{-1};
  std::thread poll([&, c] { result = Status(c.get()); });
  ASSERT_TRUE(WaitFor([&] { return opening.load(); }));
  c = CloseConnection(std::move(c));
  closed = true;
  poll.join();
  EXPECT_EQ(result.load(), kResultLinkFailure);
  EXPECT_EQ(device->Requests(), 0u);  // the new port heard nothing
  EXPECT_FALSE(device->IsOpen());     // and was let go
}

TEST(ConnectionLock, TimeoutZeroWaitsForTheLockWithoutLimit) {
  auto ends = CreateMemoryLink();
  ScriptedDevice instrument(std::move(ends.device), Answer);
  auto c = CreateConnectionOnPort(std::move(ends.host), nullptr, 0);
  c->lock.lock();
  std::atomic<int> result{-1};
  std::thread user([&] {
    Frame f = test::MakeRequest(0x27);
    result = RunTransaction(c.get(), f);  // the engine itself: no BusyDialog here
  });
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(result, -1) << "gave up waiting for the lock";
  c->lock.unlock();
  user.join();
  EXPECT_EQ(result, kResultOk);
}

}  // namespace
}  // namespace tq
