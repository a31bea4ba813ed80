// Commands through a line that drops a reply now and then: a read is repeated when its
// Transaction fails, a lost line is waited for, and a write whose answer went missing is
// settled by reading back, never by sending it again blindly. Every attempt starts with
// the operator's say: after Ctrl+C nothing more is sent.
//
//   LinkRetry link(connection, platform, terminal_or_null);
//   int r = link.read([&] { return GetIdentity(connection, &identity); });
//   int w = link.write([&] { return SetSchedule(connection, wanted); },
//                      [&](bool* took) { ... GetSchedule, *took = read_back == wanted ... });
//   if (r == kResultInterrupted) ...  // Ctrl+C: stop here, nothing half done
//
// One LinkRetry per command, on the command's thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <ostream>

#include "cli/platform.h"
#include "link/connection.h"

namespace tq::cli {

// What a read or write gives when the operator stopped the command before it was sent;
// above every result byte, so no instrument can answer it.
inline constexpr int kResultInterrupted = 0x100;

struct RetryPolicy {
  int retries = 3;  // repeats of one command after a failed Transaction
  // How long a lost line is waited for (the Connection opens the port again once a
  // second while it is away).
  std::chrono::milliseconds reconnect_wait{30000};
  // Before a repeat: a late answer to the failed request arrives, and is purged, meanwhile.
  std::uint32_t pause_ms = 100;
  std::uint32_t lost_pause_ms = 250;
};

class LinkRetry {
 public:
  // `terminal`: where the wait for a lost line is shown, null when not on a terminal.
  LinkRetry(Connection* connection, const Platform& platform, std::ostream* terminal,
            RetryPolicy policy = {});

  // Runs `command` (one read-only command, its ResultCode) until it gives anything but
  // 14, its repeats are used up, or a lost line has stayed away too long.
  [[nodiscard]] int read(const std::function<int()>& command);

  // Runs `send` once. When its answer is lost (14), `took_effect` (a read, its ResultCode,
  // *took set) decides: taken is success, not taken sends it again, up to the repeats.
  [[nodiscard]] int write(const std::function<int()>& send,
                          const std::function<int(bool* took)>& took_effect);

  // The operator asked the command to stop (Ctrl+C): checked before every Transaction,
  // except while the stop is held.
  [[nodiscard]] bool stop_requested() const { return held_ == 0 && platform_.stop_requested(); }

  // While one is alive, Ctrl+C waits: the Transactions of one record sequence (the five
  // motors, a write and its read-back) run to their end, and the caller stops after them.
  class StopHold {
   public:
    explicit StopHold(LinkRetry& link) : link_(link) { ++link_.held_; }
    ~StopHold() { --link_.held_; }
    StopHold(const StopHold&) = delete;
    StopHold& operator=(const StopHold&) = delete;

   private:
    LinkRetry& link_;
  };
  // Commands sent again after a failed Transaction, for --stats.
  [[nodiscard]] std::uint64_t retries() const { return retries_; }

 private:
  [[nodiscard]] bool line_lost() const;
  // Waits; false when interrupted (never while the stop is held).
  [[nodiscard]] bool pause(std::uint32_t ms) const;
  void show_wait(std::chrono::steady_clock::duration left);
  void end_wait();

  Connection* connection_;
  const Platform& platform_;
  std::ostream* terminal_;
  RetryPolicy policy_;
  std::uint64_t retries_ = 0;
  bool waiting_shown_ = false;
  int held_ = 0;
};

}  // namespace tq::cli
