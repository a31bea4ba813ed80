// The poll feed: how a poll routine hands its results to its window.
//
// A routine runs its commands and makes its decisions on the Poller's thread, publishes
// the outcome (a plain record) into the feed and notifies the window once; the window
// takes every published record on its own thread and applies it. Nothing is ever sent
// to the window from the Poller's thread, so stopping a Poller on the window's thread
// can never wait for a routine that waits for the window.
//
// One feed per running Poller: a window that replaces its Poller (Clear Log) or is
// replaced itself closes the old feed first, so a late routine's records go nowhere and
// never reach a newer window's state. The feed also carries the few inputs a routine
// needs from its window (Pause Display), which the window sets and the routine reads.
//
// Threads: publish and inputs on the Poller's thread; take, set_inputs and close on the
// window's thread. Every member may be called concurrently with every other.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "link/poller.h"

namespace tq {

struct NoInputs {};

template <class Report, class Inputs = NoInputs>
class PollFeed {
 public:
  // Asks the window's thread to take the feed (posts a message); false when it could not
  // (the window is gone, or its queue refused the post).
  using Notify = std::function<bool()>;

  explicit PollFeed(Notify notify, Inputs inputs = {})
      : notify_(std::move(notify)), inputs_(std::move(inputs)) {}
  PollFeed(const PollFeed&) = delete;
  PollFeed& operator=(const PollFeed&) = delete;

  // Queues a record. The window is notified once per batch: a record published while an
  // earlier notification is still unanswered rides along with it. False once the feed is
  // closed; the record is then dropped.
  bool publish(Report report) {
    {
      std::lock_guard lock(mutex_);
      if (closed_) return false;
      pending_.push_back(std::move(report));
      if (notified_) return true;
      notified_ = true;
    }
    if (notify_()) return true;
    // A refused notification must not stall the feed: the next record tries again.
    std::lock_guard lock(mutex_);
    notified_ = false;
    return true;
  }

  // Everything published since the last take, oldest first; nothing once closed.
  [[nodiscard]] std::vector<Report> take() {
    std::lock_guard lock(mutex_);
    notified_ = false;
    if (closed_) return {};
    return std::exchange(pending_, {});
  }

  // After close nothing published reaches the window, and nothing pending does either.
  void close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    pending_.clear();
  }
  [[nodiscard]] bool closed() const {
    std::lock_guard lock(mutex_);
    return closed_;
  }

  [[nodiscard]] Inputs inputs() const {
    std::lock_guard lock(mutex_);
    return inputs_;
  }
  void set_inputs(Inputs inputs) {
    std::lock_guard lock(mutex_);
    inputs_ = std::move(inputs);
  }

 private:
  Notify notify_;
  mutable std::mutex mutex_;
  std::vector<Report> pending_;
  Inputs inputs_;
  bool notified_ = false;
  bool closed_ = false;
};

// A window's polling: its current feed and the Poller whose routine publishes into it.
// The routine receives the Poller (for PollerWait) and its own reference to the feed, so
// both stay valid for as long as it runs, even after the window has let go of them.
template <class Report, class Inputs = NoInputs>
class PollSession {
 public:
  using Feed = PollFeed<Report, Inputs>;
  using Routine = std::function<int(Poller&, Feed&)>;

  PollSession() = default;
  PollSession(const PollSession&) = delete;
  PollSession& operator=(const PollSession&) = delete;
  ~PollSession() { stop(); }

  // Stops any running routine, then starts `routine` on a new feed that notifies through
  // `notify`. False when the thread could not be started (the window then shows no live
  // data); the feed exists all the same, so inputs can still be set.
  bool start(typename Feed::Notify notify, Routine routine, Inputs inputs = {}) {
    stop();
    feed_ = std::make_shared<Feed>(std::move(notify), std::move(inputs));
    poller_ = PollerStart([feed = feed_, routine = std::move(routine)](
                              Poller& poller) { return routine(poller, *feed); },
                          0);
    return static_cast<bool>(poller_);
  }

  // Closes the feed first, so that whatever the routine still publishes is dropped, then
  // stops the Poller (which waits at most its stop wait, never for the window's thread).
  void stop() {
    if (feed_) feed_->close();
    poller_ = PollerStop(std::move(poller_));
  }

  void wake() const { PollerWake(poller_); }

  // What the routine published since the last take; nothing when stopped.
  [[nodiscard]] std::vector<Report> take() { return feed_ ? feed_->take() : std::vector<Report>{}; }

  void set_inputs(Inputs inputs) {
    if (feed_) feed_->set_inputs(std::move(inputs));
  }
  [[nodiscard]] bool running() const { return static_cast<bool>(poller_); }

 private:
  std::shared_ptr<Feed> feed_;
  PollerHandle poller_;
};

}  // namespace tq
