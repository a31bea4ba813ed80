// A serial port that passes every call on and adds up the time each kind of call takes,
// so that a benchmark can show where a Transaction's time goes.
//
// Threads: one thread at a time, as for any port; Phases is read by the same thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

#include "link/serial_port.h"

namespace tq::bench {

struct Phases {
  using Duration = std::chrono::steady_clock::duration;
  Duration purge{};
  Duration write{};       // writing the request and flushing it out
  Duration first_byte{};  // the first read after a write: the responder, the line, the wake-up
  Duration other_bytes{};
  Duration end_reads{};  // putting the port's read time-out back
  std::uint64_t writes = 0;
  std::uint64_t reads = 0;
};

class TimingPort final : public SerialPort {
 public:
  explicit TimingPort(std::unique_ptr<SerialPort> inner) : inner_(std::move(inner)) {}

  void PurgeReceive() override;
  void WriteAll(std::span<const std::uint8_t> bytes) override;
  bool ReadByte(std::uint8_t& out, std::uint32_t timeout_ms) override;
  void EndReads() override;
  void CancelReads() override { inner_->CancelReads(); }
  bool Lost() const override { return inner_->Lost(); }
  std::uint32_t LastSystemError() const override { return inner_->LastSystemError(); }

  [[nodiscard]] const Phases& phases() const { return phases_; }
  void Reset() { phases_ = Phases{}; }

 private:
  std::unique_ptr<SerialPort> inner_;
  Phases phases_;
  bool after_write_ = false;
};

}  // namespace tq::bench
