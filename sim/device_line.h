// The instrument's end of the serial line, as the serving loop sees it: a port that can
// be unplugged and plugged back in.
//
// Threads: Port, HangUp and Restore are called by the serving thread only; MemoryLine's
// TakeHostEnd may be called from any thread.
#pragma once

#include <memory>
#include <mutex>

#include "link/serial_port.h"

namespace tq::sim {

class DeviceLine {
 public:
  DeviceLine() = default;
  DeviceLine(const DeviceLine&) = delete;
  DeviceLine& operator=(const DeviceLine&) = delete;
  virtual ~DeviceLine() = default;

  // The device end while the line is up; null while it is unplugged.
  [[nodiscard]] virtual SerialPort* Port() = 0;
  // Unplug: where the line can show it, the host sees the line go.
  virtual void HangUp() = 0;
  // Plug back in.
  virtual void Restore() = 0;
};

// A line around a port that cannot really be unplugged: while down it neither reads nor
// answers, so the host sees silence.
[[nodiscard]] std::unique_ptr<DeviceLine> FixedLine(std::unique_ptr<SerialPort> port);

// An in-memory cable. Unplugging closes the device end, so the host's reads fail at once;
// plugging back in lays a new cable, whose host end TakeHostEnd hands out (the old host end
// stays dead, as a real port stays broken until it is opened again).
class MemoryLine final : public DeviceLine {
 public:
  MemoryLine();

  // The host end of the current cable, once; null after it has been taken.
  [[nodiscard]] std::unique_ptr<SerialPort> TakeHostEnd();

  SerialPort* Port() override { return device_.get(); }
  void HangUp() override;
  void Restore() override;

 private:
  std::unique_ptr<SerialPort> device_;
  std::mutex mutex_;  // guards host_
  std::unique_ptr<SerialPort> host_;
};

}  // namespace tq::sim
