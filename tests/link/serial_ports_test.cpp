// The port list as the system's enumeration reports it.
#include "link/serial_ports.h"

#include <gtest/gtest.h>

namespace tq {
namespace {

using Outcome = PortListValue::Outcome;

PortListEnumerator values_of(std::vector<PortListValue> values) {
  return [values = std::move(values)](std::uint32_t index) {
    return index < values.size() ? values[index] : PortListValue{};
  };
}

PortListValue port(std::string data) { return {Outcome::kValue, true, std::move(data)}; }

TEST(PortList, KeepsEnumerationOrderAndDuplicates) {
  EXPECT_EQ(collect_port_names(values_of(
                {port(std::string("COM3\0", 5)), port("COM1"), port(std::string("COM3\0", 5))})),
            (std::vector<std::string>{"COM3", "COM1", "COM3"}));
}

TEST(PortList, SkipsValuesThatAreNotTextOrEmpty) {
  EXPECT_EQ(
      collect_port_names(values_of({{Outcome::kValue, false, "COM9"}, port(""), port("COM2")})),
      (std::vector<std::string>{"COM2"}));
}

TEST(PortList, OversizedValueDoesNotHideThePortsAfterIt) {
  EXPECT_EQ(
      collect_port_names(values_of({port("COM1"), {Outcome::kTooLarge, false, ""}, port("COM4")})),
      (std::vector<std::string>{"COM1", "COM4"}));
}

TEST(PortList, EndsAtTheFirstFailure) {
  EXPECT_EQ(collect_port_names(values_of({port("COM1"), {Outcome::kEnd, false, ""}, port("COM4")})),
            (std::vector<std::string>{"COM1"}));
  EXPECT_TRUE(collect_port_names(values_of({})).empty());
}

}  // namespace
}  // namespace tq
