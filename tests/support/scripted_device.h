// A scripted instrument for engine tests: a thread on the device end of a serial line
// that reads each 128-byte request and answers with whatever bytes the script returns.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "link/frame.h"
#include "link/serial_port.h"

namespace tq::test {

using Bytes = std::vector<std::uint8_t>;

// A response Frame answering `request` (same sequence and command) with a result byte
// and payload, checksummed.
Frame MakeResponse(const Frame& request, std::uint8_t result, const Bytes& payload = {});
// Same, with an explicit sequence number.
Frame MakeResponseWithSequence(const Frame& request, std::uint8_t sequence, std::uint8_t result,
                               const Bytes& payload = {});
Bytes ToBytes(const Frame& frame);
// A request as a command operation hands it to the engine: zeroed, with the command code,
// payload length and payload.
Frame MakeRequest(std::uint8_t command, const Bytes& payload = {});

class ScriptedDevice {
 public:
  // The script sees each request and returns the bytes to send back (empty: silence).
  using Script = std::function<Bytes(const Frame& request)>;

  ScriptedDevice(std::unique_ptr<SerialPort> device_end, Script script);
  ~ScriptedDevice();
  ScriptedDevice(const ScriptedDevice&) = delete;
  ScriptedDevice& operator=(const ScriptedDevice&) = delete;

  // Requests seen so far (copied under a lock).
  std::vector<Frame> Requests() const;
  // Delay before each answer.
  void SetDelay(std::chrono::milliseconds delay) { delay_ms_ = static_cast<int>(delay.count()); }

 private:
  void Serve();

  std::unique_ptr<SerialPort> port_;
  Script script_;
  std::atomic<bool> quit_{false};
  std::atomic<int> delay_ms_{0};
  mutable std::mutex mutex_;
  std::vector<Frame> requests_;
  std::thread thread_;
};

// Polls `condition` until it holds or the deadline passes.
bool WaitFor(const std::function<bool()>& condition,
             std::chrono::milliseconds deadline = std::chrono::milliseconds(5000));

}  // namespace tq::test
