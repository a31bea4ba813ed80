// Repeating commands over a faulty line.
#include "cli/retry.h"

#include <cstdio>
#include <optional>
#include <thread>

#include "link/transaction.h"

namespace tq::cli {

using Steady = std::chrono::steady_clock;

LinkRetry::LinkRetry(Connection* connection, const Platform& platform, std::ostream* terminal,
                     RetryPolicy policy)
    : connection_(connection), platform_(platform), terminal_(terminal), policy_(policy) {}

bool LinkRetry::line_lost() const {
  return connection_ != nullptr && ReadConnectionStats(*connection_).lost;
}

bool LinkRetry::pause(std::uint32_t ms) const {
  if (held_ == 0) return platform_.wait_ms(ms);
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  return true;
}

void LinkRetry::show_wait(Steady::duration left) {
  if (terminal_ == nullptr) return;
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left).count();
  char line[96];
  std::snprintf(line, sizeof line, "\rthe line is lost: waiting for the instrument, %lld s left   ",
                static_cast<long long>(seconds));
  *terminal_ << line << std::flush;
  waiting_shown_ = true;
}

void LinkRetry::end_wait() {
  if (!waiting_shown_) return;
  *terminal_ << "\r" << std::string(60, ' ') << "\r" << std::flush;
  waiting_shown_ = false;
}

int LinkRetry::read(const std::function<int()>& command) {
  int repeats = 0;
  std::optional<Steady::time_point> give_up;  // set while the line is lost
  for (;;) {
    if (stop_requested()) {
      end_wait();
      return kResultInterrupted;
    }
    const int result = command();
    if (result != kResultLinkFailure) {
      end_wait();
      return result;
    }
    std::uint32_t wait = policy_.pause_ms;
    if (line_lost()) {
      // A cable pulled out and put back, an adapter re-enumerating: worth waiting for.
      const auto now = Steady::now();
      if (!give_up) give_up = now + policy_.reconnect_wait;
      if (now >= *give_up) break;
      show_wait(*give_up - now);
      wait = policy_.lost_pause_ms;
    } else {
      give_up.reset();
      if (++repeats > policy_.retries) break;
    }
    ++retries_;
    if (!pause(wait)) {
      end_wait();
      return kResultInterrupted;
    }
  }
  end_wait();
  return kResultLinkFailure;
}

int LinkRetry::write(const std::function<int()>& send,
                     const std::function<int(bool* took)>& took_effect) {
  for (int attempt = 0;; ++attempt) {
    if (stop_requested()) return kResultInterrupted;
    const int result = send();
    if (result != kResultLinkFailure) return result;
    // The request may have been carried out and only its answer lost: ask before sending
    // it again.
    bool took = false;
    const int checked = read([&] { return took_effect(&took); });
    if (checked != kResultOk) return checked;
    // Set by `took_effect` through the read above.
    // cppcheck-suppress knownConditionTrueFalse
    if (took) return kResultOk;
    if (attempt >= policy_.retries) return kResultLinkFailure;
    ++retries_;
  }
}

}  // namespace tq::cli
