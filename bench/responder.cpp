// The benchmark's responder.
#include "bench/responder.h"

#include <algorithm>
#include <array>
#include <thread>

#include "link/frame.h"

namespace tq::bench {
namespace {

using Clock = std::chrono::steady_clock;

Frame Answer(const std::uint8_t* request) {
  Frame response{};
  response[kOffCommand] = request[kOffCommand];
  response[kOffLength] = static_cast<std::uint8_t>(kResponsePayload);
  for (std::size_t i = 0; i < kResponsePayload; ++i) {
    response[kOffPayload + i] = static_cast<std::uint8_t>(0xA0 + i);
  }
  StampRequest(response, request[kOffSequence]);  // result 0, checksum over 3..127
  return response;
}

// Sends the response as a 38400-baud line would deliver it, counting the wire from the
// moment the request's first byte came in: the request occupies the line for 128 byte
// times, then byte k of the response is complete after another k + 1.
void SendPaced(SerialPort& port, const Frame& response, Clock::time_point first_byte) {
  for (std::size_t k = 0; k < response.size(); ++k) {
    std::this_thread::sleep_until(first_byte +
                                  LineTime(static_cast<std::int64_t>(kFrameSize + k + 1)));
    port.WriteAll(std::span<const std::uint8_t>(&response[k], 1));
  }
}

}  // namespace

std::uint64_t ServeRequests(SerialPort& port, ResponderOptions options,
                            const std::atomic<bool>& stop) {
  std::array<std::uint8_t, kReceiveLimit> buffer{};
  std::size_t count = 0;
  std::uint64_t answered = 0;
  bool paced = options.paced;
  Clock::time_point first_byte{};
  while (!stop.load()) {
    std::uint8_t byte = 0;
    if (!port.ReadByte(byte, options.poll_ms)) continue;
    if (count == 0) first_byte = Clock::now();
    if (count == buffer.size()) {  // noise: keep the newest bytes
      std::copy(buffer.begin() + 1, buffer.end(), buffer.begin());
      --count;
    }
    buffer[count++] = byte;
    if (count < kFrameSize) continue;
    const auto at = ScanForFrame(std::span<const std::uint8_t>(buffer.data(), count));
    if (!at) continue;
    const std::uint8_t* request = buffer.data() + *at;
    const Frame response = Answer(request);
    const bool pacing_request = request[kOffCommand] == kBenchPacingCommand;
    const bool pace_next = request[kOffPayload] != 0;
    if (paced && !pacing_request) {
      SendPaced(port, response, first_byte);
    } else {
      port.WriteAll(response);
    }
    if (pacing_request) paced = pace_next;
    ++answered;
    count = 0;
  }
  return answered;
}

}  // namespace tq::bench
