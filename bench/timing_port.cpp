// Timing of a port's calls.
#include "bench/timing_port.h"

namespace tq::bench {
namespace {

using Clock = std::chrono::steady_clock;

// Adds the time from construction to destruction to `total`.
class Timed {
 public:
  explicit Timed(Phases::Duration& total) : total_(total), start_(Clock::now()) {}
  ~Timed() { total_ += Clock::now() - start_; }
  Timed(const Timed&) = delete;
  Timed& operator=(const Timed&) = delete;

 private:
  Phases::Duration& total_;
  Clock::time_point start_;
};

}  // namespace

void TimingPort::PurgeReceive() {
  const Timed timed(phases_.purge);
  inner_->PurgeReceive();
}

void TimingPort::WriteAll(std::span<const std::uint8_t> bytes) {
  {
    const Timed timed(phases_.write);
    inner_->WriteAll(bytes);
  }
  ++phases_.writes;
  after_write_ = true;
}

bool TimingPort::ReadByte(std::uint8_t& out, std::uint32_t timeout_ms) {
  const bool first = after_write_;
  after_write_ = false;
  ++phases_.reads;
  const Timed timed(first ? phases_.first_byte : phases_.other_bytes);
  return inner_->ReadByte(out, timeout_ms);
}

void TimingPort::EndReads() {
  const Timed timed(phases_.end_reads);
  inner_->EndReads();
}

}  // namespace tq::bench
