// A scripted instrument for the Run view's poll tests: a sample log the test changes while
// the program reads it, a status record, and one request that goes unanswered.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "link/commands.h"
#include "link/memory_link.h"
#include "tests/support/scripted_device.h"

namespace tq::test {

inline SampleLogEntry log_entry(std::uint16_t cartridge, float volume) {
  SampleLogEntry entry;
  entry.cartridge_id = cartridge;
  entry.treatment = 3;
  entry.stop_reason = 6;
  entry.start_time = 1783418400 + cartridge * 3600U;
  entry.duration = 600;
  entry.volume = volume;
  entry.max_pressure = 0.35F;
  return entry;
}

class LogInstrument {
 public:
  LogInstrument() {
    auto ends = CreateMemoryLink();
    connection = CreateConnectionOnPort(std::move(ends.host), nullptr, 200);
    device_ = std::make_unique<ScriptedDevice>(
        std::move(ends.device), [this](const Frame& request) { return answer(request); });
  }

  void set_log(std::vector<SampleLogEntry> log) {
    std::lock_guard lock(mutex_);
    log_ = std::move(log);
  }
  void change_entry(std::size_t index, const SampleLogEntry& entry) {
    std::lock_guard lock(mutex_);
    log_.at(index) = entry;
  }
  void set_status(const SystemStatus& status) {
    std::lock_guard lock(mutex_);
    status_ = status;
  }
  // GetSystemStatus answers with this result byte (0: the status record).
  void set_status_result(std::uint8_t result) {
    std::lock_guard lock(mutex_);
    status_result_ = result;
  }
  // The next request for this log index goes unanswered: a link failure.
  void silence_index_once(std::uint16_t index) {
    std::lock_guard lock(mutex_);
    silent_index_ = index;
  }

  // The log indices asked for so far, in order.
  [[nodiscard]] std::vector<int> indices_asked() const {
    std::vector<int> indices;
    for (const Frame& request : device_->Requests()) {
      if (request[kOffCommand] == kCmdGetSampleLogEntry) {
        indices.push_back(request[kOffPayload] | (request[kOffPayload + 1] << 8));
      }
    }
    return indices;
  }
  [[nodiscard]] std::size_t request_count() const { return device_->Requests().size(); }

  ConnectionRef connection;

 private:
  Bytes answer(const Frame& request) {
    std::lock_guard lock(mutex_);
    if (request[kOffCommand] == kCmdGetSystemStatus) {
      if (status_result_ != 0) return ToBytes(MakeResponse(request, status_result_));
      std::array<std::uint8_t, kSystemStatusSize> payload{};
      EncodeSystemStatus(status_, payload);
      return ToBytes(MakeResponse(request, 0, Bytes(payload.begin(), payload.end())));
    }
    if (request[kOffCommand] != kCmdGetSampleLogEntry) return ToBytes(MakeResponse(request, 1));
    const std::uint16_t index =
        static_cast<std::uint16_t>(request[kOffPayload] | (request[kOffPayload + 1] << 8));
    if (silent_index_ == index) {
      silent_index_.reset();
      return {};
    }
    if (index >= log_.size()) return ToBytes(MakeResponse(request, 9));
    std::array<std::uint8_t, kSampleLogEntrySize> payload{};
    EncodeSampleLogEntry(log_[index], payload);
    return ToBytes(MakeResponse(request, 0, Bytes(payload.begin(), payload.end())));
  }

  mutable std::mutex mutex_;
  std::vector<SampleLogEntry> log_;
  SystemStatus status_;
  std::uint8_t status_result_ = 0;
  std::optional<std::uint16_t> silent_index_;
  std::unique_ptr<ScriptedDevice> device_;  // last, so its thread stops first
};

}  // namespace tq::test
