// Stopping a Poller whose routine is blocked in a read on a real COM port. Under Wine
// nothing cancels that read, so PollerStop must not wait for it, and the routine must
// finish safely on its own later.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>

#include "link/poller.h"
#include "link/transaction.h"
#include "tests/win32/com_pair_win32.h"

namespace tq {
namespace {

using test::Bytes;
using test::MakeResponse;
using test::ToBytes;

struct RoutineLog {
  std::atomic<int> commands{0};
  std::atomic<int> last_result{-1};
};

TEST(PollerOnWin32, StopDoesNotWaitForABlockedReadAndTheRoutineEndsSafelyLater) {
  std::atomic<bool> answer{false};
  auto rig = test::OpenComPairRig(
      [&](const Frame& req) { return answer ? ToBytes(MakeResponse(req, 0)) : Bytes{}; }, 1500);
  ASSERT_TRUE(rig.connection && rig.device);

  auto log = std::make_shared<RoutineLog>();
  PollerHandle poller = PollerStart(
      [connection = rig.connection, log](Poller& p) {
        do {
          Frame f{};
          f[kOffCommand] = 0x27;
          log->last_result = RunCommand(connection.get(), f);
          ++log->commands;
        } while (PollerWait(p, 1000));
        return 0;
      },
      0);
  ASSERT_TRUE(poller);
  const std::weak_ptr<Poller> watch = poller.Watch();
  ASSERT_TRUE(test::WaitFor([&] { return rig.device->Requests().size() == 1; }));

  const auto start = std::chrono::steady_clock::now();
  poller = PollerStop(std::move(poller));
  const auto stopped = std::chrono::steady_clock::now() - start;
  std::printf("PollerStop returned after %.1f ms while the read was blocked\n",
              std::chrono::duration<double, std::milli>(stopped).count());
  EXPECT_FALSE(poller);
  // The read (up to 1500 ms) is still going: PollerStop let go instead of waiting.
  EXPECT_FALSE(watch.expired());
  EXPECT_EQ(log->commands.load(), 0);

  // The read ends at its time-out; the routine sees 14, finds stop set and returns
  // without another command, and only then is its record freed.
  ASSERT_TRUE(test::WaitFor([&] { return watch.expired(); }));
  EXPECT_EQ(log->commands.load(), 1);
  EXPECT_EQ(log->last_result.load(), kResultLinkFailure);
  EXPECT_EQ(rig.device->Requests().size(), 1u);

  answer = true;
  Frame f{};
  f[kOffCommand] = 0x27;
  EXPECT_EQ(RunCommand(rig.connection.get(), f), kResultOk);
}

}  // namespace
}  // namespace tq
