// When a polled view counts the link as lost and as answering again.
#include "ui/link_watch.h"

#include <gtest/gtest.h>

#include <string>

namespace tq {
namespace {

// Polls: a answered, u unanswered, p the port reports the line gone. Reports: L lost,
// A answering again, . nothing.
TEST(LinkWatch, LostOnThePortsWordOrAfterTwoUnansweredPollsInARow) {
  const struct {
    const char* polls;
    const char* reports;
  } cases[] = {{"auuuaa", "..L.A."}, {"pa", "LA"}, {"uaua", "...."}};
  for (const auto& c : cases) {
    LinkWatch watch;
    std::string reports;
    for (const char* poll = c.polls; *poll != '\0'; ++poll) {
      const auto change = watch.note(*poll == 'a', *poll == 'p');
      reports += !change ? '.' : (change->lost ? 'L' : 'A');
    }
    EXPECT_EQ(reports, c.reports) << c.polls;
  }
}

}  // namespace
}  // namespace tq
