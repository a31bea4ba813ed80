// A line cut in the middle of a response.
#include "tests/integration/tearing_line.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace tq::test {

// The device end as the serving loop sees it: the inner line's port, except that an armed
// cut hangs the line up part-way through a write.
class TearingLine::CuttingPort final : public SerialPort {
 public:
  explicit CuttingPort(TearingLine& line) : line_(line) {}

  void PurgeReceive() override {
    if (SerialPort* port = line_.inner_->Port()) port->PurgeReceive();
  }
  bool ReadByte(std::uint8_t& out, std::uint32_t timeout_ms) override {
    SerialPort* port = line_.inner_->Port();
    return port != nullptr && port->ReadByte(out, timeout_ms);
  }
  void WriteAll(std::span<const std::uint8_t> bytes) override {
    SerialPort* port = line_.inner_->Port();
    if (port == nullptr) return;
    if (!line_.armed_.exchange(false)) {
      port->WriteAll(bytes);
      return;
    }
    const std::size_t keep = std::min(bytes.size(), line_.cut_after_.load());
    port->WriteAll(bytes.first(keep));
    line_.cut_ = true;
    line_.inner_->HangUp();
  }

 private:
  TearingLine& line_;
};

TearingLine::TearingLine(std::unique_ptr<sim::DeviceLine> inner)
    : inner_(std::move(inner)), port_(std::make_unique<CuttingPort>(*this)) {}

void TearingLine::CutNextResponseAfter(std::size_t bytes, std::uint32_t down_ms) {
  cut_after_ = bytes;
  down_ms_ = down_ms;
  armed_ = true;
}

TearingLine::~TearingLine() = default;

SerialPort* TearingLine::Port() { return inner_->Port() != nullptr ? port_.get() : nullptr; }

void TearingLine::Restore() {
  if (cut_) {
    std::this_thread::sleep_for(std::chrono::milliseconds(down_ms_.load()));
    cut_ = false;
    inner_->Restore();
    ++restorations_;
    return;
  }
  inner_->Restore();
}

}  // namespace tq::test
