// Scripted instrument for engine tests.
#include "tests/support/scripted_device.h"

#include <algorithm>
#include <mutex>

namespace tq::test {

Frame MakeResponseWithSequence(const Frame& request, std::uint8_t sequence, std::uint8_t result,
                               const Bytes& payload) {
  Frame f{};
  f[kOffCommand] = request[kOffCommand];
  f[kOffLength] = static_cast<std::uint8_t>(payload.size());
  std::copy(payload.begin(), payload.end(), f.begin() + kOffPayload);
  StampRequest(f, sequence);
  f[kOffResult] = result;
  const std::uint16_t crc = FrameCrc(f);
  f[kOffCrcLow] = static_cast<std::uint8_t>(crc & 0xFF);
  f[kOffCrcHigh] = static_cast<std::uint8_t>(crc >> 8);
  return f;
}

Frame MakeResponse(const Frame& request, std::uint8_t result, const Bytes& payload) {
  return MakeResponseWithSequence(request, request[kOffSequence], result, payload);
}

Frame MakeRequest(std::uint8_t command, const Bytes& payload) {
  Frame f{};
  f[kOffCommand] = command;
  f[kOffLength] = static_cast<std::uint8_t>(payload.size());
  std::copy(payload.begin(), payload.end(), f.begin() + kOffPayload);
  return f;
}

Bytes ToBytes(const Frame& frame) { return Bytes(frame.begin(), frame.end()); }

ScriptedDevice::ScriptedDevice(std::unique_ptr<SerialPort> device_end, Script script)
    : port_(std::move(device_end)), script_(std::move(script)), thread_([this] { Serve(); }) {}

ScriptedDevice::~ScriptedDevice() {
  quit_ = true;
  thread_.join();
}

std::vector<Frame> ScriptedDevice::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

void ScriptedDevice::Serve() {
  Frame request{};
  std::size_t have = 0;
  while (!quit_) {
    std::uint8_t b = 0;
    if (!port_->ReadByte(b, 20)) continue;
    request[have++] = b;
    if (have < kFrameSize) continue;
    have = 0;
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(request);
    }
    const Bytes answer = script_(request);
    if (delay_ms_ > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms_.load()));
    if (!answer.empty()) port_->WriteAll(answer);
  }
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds deadline) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  while (std::chrono::steady_clock::now() < end) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return condition();
}

}  // namespace tq::test
