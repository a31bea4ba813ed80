// The Connect view's preselection.
#include "app/connect_view.h"

#include <gtest/gtest.h>

namespace tq {
namespace {

TEST(Preselect, ExactCaseSensitiveMatchElseFirstEntry) {
  const std::vector<std::string> ports = {"COM1", "COM3", "COM3"};
  EXPECT_EQ(preselect_port_index(ports, "COM3"), 1);
  EXPECT_EQ(preselect_port_index(ports, "com3"), 0);
  EXPECT_EQ(preselect_port_index(ports, "COM3 "), 0);
  EXPECT_EQ(preselect_port_index(ports, std::nullopt), 0);
  EXPECT_EQ(preselect_port_index({}, "COM3"), 0);
}

}  // namespace
}  // namespace tq
