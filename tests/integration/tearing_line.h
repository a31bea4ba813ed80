// A simulator line that can be cut in the middle of a response: wraps another line and,
// when armed, unplugs it after a given number of response bytes have gone out, keeps it
// down for a while and lets the serving loop plug it back in.
//
// Threads: the serving thread uses Port, HangUp and Restore; CutNextResponseAfter and
// Restorations may be called from any thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "sim/device_line.h"

namespace tq::test {

class TearingLine final : public sim::DeviceLine {
 public:
  explicit TearingLine(std::unique_ptr<sim::DeviceLine> inner);
  ~TearingLine() override;

  // The next response stops after `bytes` bytes: the line is unplugged there and comes
  // back `down_ms` later.
  void CutNextResponseAfter(std::size_t bytes, std::uint32_t down_ms);
  // Times the line has been plugged back in after a cut.
  [[nodiscard]] std::uint64_t Restorations() const { return restorations_.load(); }

  SerialPort* Port() override;
  void HangUp() override { inner_->HangUp(); }
  void Restore() override;

 private:
  class CuttingPort;

  std::unique_ptr<sim::DeviceLine> inner_;
  std::unique_ptr<CuttingPort> port_;
  std::atomic<bool> armed_{false};
  std::atomic<std::size_t> cut_after_{0};
  std::atomic<std::uint32_t> down_ms_{0};
  bool cut_ = false;  // serving thread only
  std::atomic<std::uint64_t> restorations_{0};
};

}  // namespace tq::test
