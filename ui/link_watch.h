// Whether a polled view counts the link as lost, from what its poll routine sees: lost when
// the port reports the line gone, or when polls go unanswered twice in a row (a port under
// Wine reports nothing when the far end goes); answering again with the first poll
// answered. The view shows it and tells the main window (MSG_LINK_STATE).
//
// One per poll routine, on the routine's thread.
#pragma once

#include <optional>

namespace tq {

// Published by a poll routine when the link's state changes.
struct LinkReport {
  bool lost = false;
  bool operator==(const LinkReport&) const = default;
};

// Published by a poll routine that does not confirm the instrument itself when the
// Connection has opened its port again: the main window reads the identity.
struct LinkReopened {
  bool operator==(const LinkReopened&) const = default;
};

inline constexpr int kUnansweredPollsBeforeLost = 2;

class LinkWatch {
 public:
  // After each poll: the new state when it changes, nothing otherwise.
  [[nodiscard]] std::optional<LinkReport> note(bool answered, bool port_lost) {
    unanswered_ = answered ? 0 : unanswered_ + 1;
    const bool lost = !answered && (port_lost || unanswered_ >= kUnansweredPollsBeforeLost);
    if (lost == lost_) return std::nullopt;
    lost_ = lost;
    return LinkReport{lost};
  }

 private:
  int unanswered_ = 0;
  bool lost_ = false;
};

}  // namespace tq
