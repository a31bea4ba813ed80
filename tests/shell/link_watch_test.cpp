// When a polled view counts the link as lost and as answering again.
#include "shell/link_watch.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace tq {
namespace {

TEST(LinkWatch, LostOnTheWordOfThePortOrAfterTwoUnansweredPolls) {
  struct Poll {
    bool answered;
    bool port_lost;
    std::optional<bool> reported;  // the lost flag published, if any
  };
  const std::vector<std::vector<Poll>> cases = {
      // One unanswered poll is not enough; two are; the first answer ends it, once.
      {{true, false, {}},
       {false, false, {}},
       {false, false, true},
       {false, false, {}},
       {true, false, false},
       {true, false, {}}},
      // The port's own word is enough at once.
      {{false, true, true}, {true, false, false}},
      // Unanswered polls count only in a row.
      {{false, false, {}}, {true, false, {}}, {false, false, {}}},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    LinkWatch watch;
    for (const Poll& poll : cases[i]) {
      const auto change = watch.note(poll.answered, poll.port_lost);
      EXPECT_EQ(change.has_value(), poll.reported.has_value());
      if (change && poll.reported) {
        EXPECT_EQ(change->lost, *poll.reported);
      }
    }
  }
}

}  // namespace
}  // namespace tq
