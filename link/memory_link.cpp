// In-memory serial cable.
#include "link/memory_link.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace tq {
namespace {

struct Cable {
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::uint8_t> toward[2];  // bytes waiting to be read by end 0 / end 1
  bool closed[2] = {false, false};
  bool cancelled[2] = {false, false};  // reads of end 0 / end 1 called off
};

class MemoryEnd final : public SerialPort {
 public:
  MemoryEnd(std::shared_ptr<Cable> cable, int side) : cable_(std::move(cable)), side_(side) {}
  ~MemoryEnd() override {
    std::lock_guard lock(cable_->mutex);
    cable_->closed[side_] = true;
    cable_->changed.notify_all();
  }

  void PurgeReceive() override {
    std::lock_guard lock(cable_->mutex);
    cable_->toward[side_].clear();
  }

  void WriteAll(std::span<const std::uint8_t> bytes) override {
    std::lock_guard lock(cable_->mutex);
    if (cable_->closed[1 - side_]) return;
    auto& queue = cable_->toward[1 - side_];
    queue.insert(queue.end(), bytes.begin(), bytes.end());
    cable_->changed.notify_all();
  }

  bool ReadByte(std::uint8_t& out, std::uint32_t timeout_ms) override {
    std::unique_lock lock(cable_->mutex);
    auto& queue = cable_->toward[side_];
    const auto ready = [&] {
      return !queue.empty() || cable_->closed[1 - side_] || cable_->cancelled[side_];
    };
    if (timeout_ms == 0) {
      cable_->changed.wait(lock, ready);
    } else if (!cable_->changed.wait_for(lock, std::chrono::milliseconds(timeout_ms), ready)) {
      return false;
    }
    if (cable_->cancelled[side_] || queue.empty()) return false;  // or the other end has gone
    out = queue.front();
    queue.pop_front();
    return true;
  }

  void CancelReads() override {
    std::lock_guard lock(cable_->mutex);
    cable_->cancelled[side_] = true;
    cable_->changed.notify_all();
  }

  // Like a terminal whose other side has closed: gone for good.
  bool Lost() const override {
    std::lock_guard lock(cable_->mutex);
    return cable_->closed[1 - side_];
  }

 private:
  std::shared_ptr<Cable> cable_;
  int side_;
};

}  // namespace

MemoryLinkEnds CreateMemoryLink() {
  auto cable = std::make_shared<Cable>();
  return {std::make_unique<MemoryEnd>(cable, 0), std::make_unique<MemoryEnd>(cable, 1)};
}

}  // namespace tq
