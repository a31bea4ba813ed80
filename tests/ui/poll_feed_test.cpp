// The poll feed between a poll routine and its window, with a plain thread standing in for
// the window's thread.
#include "ui/poll_feed.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

namespace tq {
namespace {

using namespace std::chrono_literals;

// Counts notifications as a window's queue would hold its posted messages.
struct Window {
  std::atomic<int> notifications{0};
  std::atomic<bool> accepting{true};
  PollFeed<int>::Notify notify() {
    return [this] {
      if (!accepting.load()) return false;
      ++notifications;
      return true;
    };
  }
};

template <class Condition>
bool eventually(Condition condition) {
  const auto end = std::chrono::steady_clock::now() + 5s;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

TEST(PollFeed, OneNotificationCarriesEveryRecordPublishedBeforeTheTake) {
  Window window;
  PollFeed<int> feed(window.notify());
  EXPECT_TRUE(feed.publish(1));
  EXPECT_TRUE(feed.publish(2));
  EXPECT_TRUE(feed.publish(3));
  EXPECT_EQ(window.notifications, 1);
  EXPECT_EQ(feed.take(), (std::vector<int>{1, 2, 3}));
  EXPECT_TRUE(feed.take().empty());  // a second notification finds nothing new
  EXPECT_TRUE(feed.publish(4));
  EXPECT_EQ(window.notifications, 2);
  EXPECT_EQ(feed.take(), (std::vector<int>{4}));
}

TEST(PollFeed, ARefusedNotificationIsTriedAgainWithTheNextRecord) {
  Window window;
  PollFeed<int> feed(window.notify());
  window.accepting = false;
  EXPECT_TRUE(feed.publish(1));
  window.accepting = true;
  EXPECT_TRUE(feed.publish(2));
  EXPECT_EQ(window.notifications, 1);
  EXPECT_EQ(feed.take(), (std::vector<int>{1, 2}));
}

TEST(PollFeed, AClosedFeedDropsWhatIsPendingAndWhatComesLater) {
  Window window;
  PollFeed<int> feed(window.notify());
  EXPECT_TRUE(feed.publish(1));
  feed.close();
  EXPECT_FALSE(feed.publish(2));
  EXPECT_TRUE(feed.take().empty());
  EXPECT_EQ(window.notifications, 1);
}

TEST(PollFeed, InputsSetByTheWindowReachTheRoutine) {
  struct Pause {
    bool paused = false;
  };
  PollFeed<int, Pause> feed([] { return true; });
  EXPECT_FALSE(feed.inputs().paused);
  feed.set_inputs({true});
  EXPECT_TRUE(feed.inputs().paused);
}

// A routine that publishes the count of its passes.
int counting_routine(Poller& poller, PollFeed<int>& feed) {
  for (int pass = 0;; ++pass) {
    feed.publish(pass);
    if (!PollerWait(poller, 1)) return 0;
  }
}

TEST(PollSession, ARestartedSessionNeverShowsTheOldRoutinesRecords) {
  Window window;
  PollSession<int> session;
  // The first routine goes on publishing after it was told to stop, as one still inside
  // a Transaction does when its stop comes.
  std::promise<void> stopped;
  std::shared_future<void> stopped_seen = stopped.get_future().share();
  std::promise<void> late_done;
  ASSERT_TRUE(session.start(window.notify(), [&](Poller& poller, PollFeed<int>& feed) {
    feed.publish(-1);
    stopped_seen.wait();
    while (PollerWait(poller, 1)) {
    }
    feed.publish(-2);  // the late record
    late_done.set_value();
    return 0;
  }));
  ASSERT_TRUE(eventually([&] { return window.notifications.load() >= 1; }));
  ASSERT_TRUE(session.start(window.notify(), counting_routine));
  stopped.set_value();
  late_done.get_future().wait();
  ASSERT_TRUE(eventually([&] { return window.notifications.load() >= 2; }));
  for (const int record : session.take()) EXPECT_GE(record, 0);
  session.stop();
  EXPECT_TRUE(session.take().empty());
}

TEST(PollSession, PublishingNeverWaitsForTheWindowsThread) {
  // The window's thread is blocked (here: in this test, waiting for the routine) while the
  // routine publishes; with a notification that waited for the window, this would hang.
  PollSession<int> session;
  std::promise<void> published;
  ASSERT_TRUE(session.start([] { return true; },
                            [&](Poller& poller, PollFeed<int>& feed) {
                              feed.publish(7);
                              published.set_value();
                              while (PollerWait(poller, 5)) {
                              }
                              return 0;
                            }));
  EXPECT_EQ(published.get_future().wait_for(5s), std::future_status::ready);
  EXPECT_EQ(session.take(), (std::vector<int>{7}));
}

TEST(PollSession, StoppingLeavesARoutineStillInsideACommandRunning) {
  // A routine blocked past the stop wait (a read that cannot be cancelled, a wait for the
  // lock) keeps its feed; stop returns without it and nothing it publishes arrives.
  PollSession<int> session;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::promise<void> started;
  std::atomic<bool> finished{false};
  std::weak_ptr<int> watch;
  auto kept_alive = std::make_shared<int>(1);
  watch = kept_alive;
  ASSERT_TRUE(session.start([] { return true; },
                            [&, kept_alive](Poller&, PollFeed<int>& feed) mutable {
                              started.set_value();
                              released.wait();
                              feed.publish(*kept_alive);
                              finished = true;
                              return 0;
                            }));
  kept_alive.reset();
  started.get_future().wait();
  session.stop();
  EXPECT_FALSE(finished.load());
  EXPECT_FALSE(watch.expired());  // what the routine captured is still there
  release.set_value();
  ASSERT_TRUE(eventually([&] { return finished.load(); }));
  ASSERT_TRUE(eventually([&] { return watch.expired(); }));
  EXPECT_TRUE(session.take().empty());
}

}  // namespace
}  // namespace tq
