// Which message follows a list's save.
#include "ui/list_save.h"

#include <gtest/gtest.h>

namespace tq {
namespace {

constexpr ListSaveTexts kTexts = {"Sample Log File", "Save Sample Log", "Sample log saved to %s"};

TEST(SaveMessage, EachOutcomeHasItsMessage) {
  const std::string path = "C:\\logs\\run.log";
  EXPECT_EQ(save_message(kTexts, {false, 0, false}, path),
            "Unable to open C:\\logs\\run.log for write");
  EXPECT_EQ(save_message(kTexts, {true, -1, true}, path), "Unable to write C:\\logs\\run.log");
  EXPECT_EQ(save_message(kTexts, {true, 5, false}, path), "Unable to write C:\\logs\\run.log");
  EXPECT_EQ(save_message(kTexts, {true, 0, false}, path), "Unable to write C:\\logs\\run.log");
  EXPECT_EQ(save_message(kTexts, {true, 5, true}, path), "Sample log saved to C:\\logs\\run.log");
  EXPECT_FALSE(save_message(kTexts, {true, 0, true}, path).has_value());
}

TEST(SaveMessage, AFailureWithAnOverlongPathIsStillReported) {
  const std::string path(300, 'p');
  EXPECT_EQ(save_message(kTexts, {true, -1, true}, path), "Unable to write the chosen file");
}

}  // namespace
}  // namespace tq
