// The serial ports the system knows: the registry's device map on Windows
// (serial_ports_win32.cpp), /dev/serial/by-id and the USB tty devices on Linux
// (serial_ports_posix.cpp).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tq {

struct PortInfo {
  std::string name;    // what a port is opened by
  std::string detail;  // where it leads (the device behind a by-id name), may be empty
};

// Every port of the system, in a stable order.
[[nodiscard]] std::vector<PortInfo> list_serial_ports();

// The program's view of the list: names only, in a stable order. The registry's list in
// the program, a fixed list in tests.
class PortLister {
 public:
  PortLister() = default;
  PortLister(const PortLister&) = delete;
  PortLister& operator=(const PortLister&) = delete;
  virtual ~PortLister() = default;

  [[nodiscard]] virtual std::vector<std::string> list_ports() const = 0;
};

class FixedPortLister final : public PortLister {
 public:
  explicit FixedPortLister(std::vector<std::string> ports) : ports_(std::move(ports)) {}
  [[nodiscard]] std::vector<std::string> list_ports() const override { return ports_; }

 private:
  std::vector<std::string> ports_;
};

// One value of the system's serial-port list, as its enumeration reports it.
struct PortListValue {
  enum class Outcome {
    kValue,     // read: `is_string` and `data` are valid
    kTooLarge,  // name or data did not fit the enumeration's buffers
    kEnd,       // no value at this index, or the enumeration failed
  };
  Outcome outcome = Outcome::kEnd;
  bool is_string = false;
  std::string data;  // the raw data bytes
};
using PortListEnumerator = std::function<PortListValue(std::uint32_t index)>;

// The port names in enumeration order: string values with data, each up to its first
// NUL. A value too large for the buffers is skipped and the listing goes on, so one odd
// entry cannot hide the ports after it. No sorting, duplicates kept.
[[nodiscard]] std::vector<std::string> collect_port_names(const PortListEnumerator& enumerate);

}  // namespace tq
