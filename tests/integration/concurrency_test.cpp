// Many threads on one Connection: commands from several threads at once, and Pollers
// started, woken and stopped while their routines are inside a Transaction. Built also
// under ThreadSanitizer (label "concurrency"), where any data race fails the run.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "link/commands.h"
#include "link/memory_link.h"
#include "link/poller.h"
#include "tests/support/scripted_device.h"

namespace tq {
namespace {

using namespace std::chrono_literals;
using test::Bytes;
using test::ScriptedDevice;
using test::WaitFor;

// An instrument whose sample log entry i has cartridge ID i, so an answer given to the
// wrong request shows up as a wrong ID. Other commands get an empty success.
Bytes AnswerByIndex(const Frame& request) {
  Bytes payload;
  if (request[kOffCommand] == kCmdGetSampleLogEntry) {
    payload.assign(kSampleLogEntrySize, 0);
    payload[4] = request[kOffPayload];  // cartridge ID = the index asked for
    payload[5] = request[kOffPayload + 1];
  }
  return test::ToBytes(test::MakeResponse(request, 0, payload));
}

struct Rig {
  explicit Rig(std::uint32_t timeout_ms, std::chrono::milliseconds answer_delay = 0ms) {
    auto ends = CreateMemoryLink();
    connection = CreateConnectionOnPort(std::move(ends.host), nullptr, timeout_ms);
    device = std::make_unique<ScriptedDevice>(std::move(ends.device), AnswerByIndex);
    device->SetDelay(answer_delay);
  }
  ConnectionRef connection;
  std::unique_ptr<ScriptedDevice> device;
};

// Tallies of what commands returned, shared by a test and its threads.
struct Tally {
  std::atomic<int> ok{0};
  std::atomic<int> link_failures{0};
  std::atomic<int> other{0};
  std::atomic<int> wrong_answers{0};

  void Count(int result) {
    if (result == kResultOk) {
      ++ok;
    } else if (result == kResultLinkFailure) {
      ++link_failures;
    } else {
      ++other;
    }
  }
};

// One read of entry `index`, checked against the instrument's rule above.
void ReadEntry(Connection* connection, std::uint16_t index, Tally& tally) {
  SampleLogEntry entry{};
  entry.cartridge_id = 0xFFFF;
  const int result = GetSampleLogEntry(connection, index, &entry);
  tally.Count(result);
  if (result == kResultOk && entry.cartridge_id != index) ++tally.wrong_answers;
}

TEST(Concurrency, CommandsFromSeveralThreadsEachGetTheirOwnAnswer) {
  constexpr int kThreads = 4;
  constexpr int kCommandsEach = 120;
  // A lock wait long enough that no command should fail even on a slow, instrumented run.
  Rig rig(10000);
  Tally tally;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kCommandsEach; ++i) {
        ReadEntry(rig.connection.get(), static_cast<std::uint16_t>(t * 1000 + i), tally);
      }
    });
  }
  for (auto& thread : threads) thread.join();

  EXPECT_EQ(tally.ok, kThreads * kCommandsEach);
  EXPECT_EQ(tally.wrong_answers, 0);
  // Whole Transactions never interleaved: the instrument saw one request per command,
  // numbered one after the other.
  const auto requests = rig.device->Requests();
  ASSERT_EQ(requests.size(), static_cast<std::size_t>(kThreads * kCommandsEach));
  for (std::size_t i = 0; i < requests.size(); ++i) {
    ASSERT_EQ(requests[i][kOffSequence], static_cast<std::uint8_t>(i)) << "request " << i;
  }
}

// What a view shares with its poll routine.
struct ViewState {
  Tally tally;
  std::atomic<int> steps{0};
  std::atomic<bool> returned{false};
  std::atomic<int> commands_after_stop{0};
};

// A routine shaped like the Run view's: a status read, then log entries one by one with a
// short wait before each.
PollRoutine LogReadingRoutine(ConnectionRef connection, std::shared_ptr<ViewState> view) {
  return [connection, view](Poller& p) {
    std::uint16_t next = 0;
    while (PollerWait(p, 5)) {
      ++view->steps;
      SystemStatus status{};
      view->tally.Count(GetSystemStatus(connection.get(), &status));
      for (int entry = 0; entry < 3; ++entry) {
        if (!PollerWait(p, 2)) break;
        ReadEntry(connection.get(), next++, view->tally);
        if (p.stop.load() != 0) ++view->commands_after_stop;
      }
    }
    view->returned = true;
    return 0;
  };
}

TEST(Concurrency, PollersStoppedMidTransactionWhileTheUserThreadSendsCommands) {
  // Answers take a few milliseconds, so most stops land inside a Transaction.
  Rig rig(2000, 3ms);
  std::vector<std::weak_ptr<Poller>> finished_watch;
  std::vector<std::shared_ptr<ViewState>> views;
  Tally user;
  for (int round = 0; round < 25; ++round) {
    auto view = std::make_shared<ViewState>();
    views.push_back(view);
    PollerHandle poller = PollerStart(LogReadingRoutine(rig.connection, view), 0);
    ASSERT_TRUE(poller);
    finished_watch.push_back(poller.Watch());
    ASSERT_TRUE(WaitFor([&] { return view->steps >= 1 + round % 3; }));
    // The user clicks while the poller runs; a wake lands mid-step.
    PollerWake(poller);
    ReadEntry(rig.connection.get(), static_cast<std::uint16_t>(50000 + round), user);
    PollerWake(poller);
    poller = PollerStop(std::move(poller));
    EXPECT_FALSE(poller);
  }
  for (const auto& watch : finished_watch) {
    ASSERT_TRUE(WaitFor([&] { return watch.expired(); }, 10000ms));
  }

  for (const auto& view : views) {
    EXPECT_TRUE(view->returned);
    EXPECT_EQ(view->tally.wrong_answers, 0);
    EXPECT_EQ(view->tally.other, 0);
    // At most the command that was already under way when stop was set.
    EXPECT_LE(view->commands_after_stop, 1);
  }
  EXPECT_EQ(user.ok, 25);
  EXPECT_EQ(user.wrong_answers, 0);
}

TEST(Concurrency, ConnectionOutlivesTheOwnerWhileAPollerIsMidTransaction) {
  std::weak_ptr<Connection> connection_watch;
  std::weak_ptr<Poller> poller_watch;
  auto view = std::make_shared<ViewState>();
  auto ends = CreateMemoryLink();
  ScriptedDevice device(std::move(ends.device), AnswerByIndex);
  // Longer than the stop waits, so the owner lets go while the answer is still coming.
  device.SetDelay(300ms);
  {
    ConnectionRef connection = CreateConnectionOnPort(std::move(ends.host), nullptr, 2000);
    connection_watch = connection;
    PollerHandle poller = PollerStart(LogReadingRoutine(connection, view), 0);
    poller_watch = poller.Watch();
    ASSERT_TRUE(WaitFor([&] { return view->steps >= 1; }));
    // The main window's order on disconnect: stop the view's poller, then close.
    poller = PollerStop(std::move(poller));
    connection = CloseConnection(std::move(connection));
  }
  // Closing called off the read under way, so that Transaction failed; the routine
  // finishes on a Connection record that is still whole, and only then is it freed.
  ASSERT_TRUE(WaitFor([&] { return poller_watch.expired(); }, 10000ms));
  EXPECT_TRUE(connection_watch.expired());
  EXPECT_TRUE(view->returned);
  EXPECT_EQ(view->tally.link_failures, 1);
  EXPECT_EQ(view->tally.ok, 0);
  EXPECT_EQ(view->tally.wrong_answers, 0);
}

TEST(Concurrency, PollerWaitingForTheLockIsStoppedAndSendsNothingMore) {
  Rig rig(300);
  auto view = std::make_shared<ViewState>();
  // Another user holds the line for longer than the lock wait.
  rig.connection->lock.lock();
  PollerHandle poller = PollerStart(LogReadingRoutine(rig.connection, view), 0);
  std::weak_ptr<Poller> watch = poller.Watch();
  ASSERT_TRUE(WaitFor([&] { return view->steps >= 1; }));
  // The stop returns although the routine cannot be interrupted in its lock wait.
  poller = PollerStop(std::move(poller));
  const bool ended = WaitFor([&] { return watch.expired(); }, 10000ms);
  rig.connection->lock.unlock();
  ASSERT_TRUE(ended);

  EXPECT_TRUE(view->returned);
  // The command in flight gave up on the lock, and the routine sent nothing after it.
  EXPECT_EQ(view->tally.link_failures, 1);
  EXPECT_EQ(view->tally.ok, 0);
  EXPECT_TRUE(rig.device->Requests().empty());
}

}  // namespace
}  // namespace tq
