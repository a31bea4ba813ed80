// Lines over an existing port and over the in-memory cable.
#include "sim/device_line.h"

#include "link/memory_link.h"

namespace tq::sim {
namespace {

class PortLine final : public DeviceLine {
 public:
  explicit PortLine(std::unique_ptr<SerialPort> port) : port_(std::move(port)) {}
  SerialPort* Port() override { return up_ ? port_.get() : nullptr; }
  void HangUp() override { up_ = false; }
  void Restore() override {
    port_->PurgeReceive();  // what arrived while unplugged never reached the instrument
    up_ = true;
  }

 private:
  std::unique_ptr<SerialPort> port_;
  bool up_ = true;
};

}  // namespace

std::unique_ptr<DeviceLine> FixedLine(std::unique_ptr<SerialPort> port) {
  return std::make_unique<PortLine>(std::move(port));
}

MemoryLine::MemoryLine() {
  MemoryLinkEnds ends = CreateMemoryLink();
  device_ = std::move(ends.device);
  host_ = std::move(ends.host);
}

std::unique_ptr<SerialPort> MemoryLine::TakeHostEnd() {
  std::lock_guard lock(mutex_);
  return std::move(host_);
}

void MemoryLine::HangUp() {
  device_.reset();
  std::lock_guard lock(mutex_);
  host_.reset();  // an end nobody took belongs to the cable that is gone
}

void MemoryLine::Restore() {
  if (device_) return;
  MemoryLinkEnds ends = CreateMemoryLink();
  device_ = std::move(ends.device);
  std::lock_guard lock(mutex_);
  host_ = std::move(ends.host);
}

}  // namespace tq::sim
