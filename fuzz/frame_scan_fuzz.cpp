// Fuzz target: the validity scan over arbitrary received bytes, compared window by
// window with a naive model, both over the whole buffer and as the engine sees it (every
// prefix up to the receive limit).
//
// Input: one flags byte, then the received bytes. With bit 0 of the flags set, the
// harness first gives one "*" candidate a correct checksum (bits 1-7 pick which), so the
// fuzzer reaches valid Frames behind noise and stray markers without guessing CRCs.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "link/frame.h"
#include "tests/property/reference_frame.h"

namespace {

using tq::fuzz::Require;

// Longer buffers add nothing the scan treats differently and slow every execution down.
constexpr std::size_t kMaxBytes = 512;

void RepairCandidate(std::vector<std::uint8_t>& bytes, unsigned pick) {
  std::vector<std::size_t> markers;
  for (std::size_t i = 0; i + tq::kFrameSize <= bytes.size(); ++i) {
    if (bytes[i] == tq::kStartMarker) markers.push_back(i);
  }
  if (markers.empty()) return;
  const std::size_t at = markers[pick % markers.size()];
  const auto window = std::span(bytes).subspan(at).first<tq::kFrameSize>();
  const std::uint16_t crc = tq::FrameCrc(window);
  window[tq::kOffCrcLow] = static_cast<std::uint8_t>(crc & 0xFF);
  window[tq::kOffCrcHigh] = static_cast<std::uint8_t>(crc >> 8);
}

void CheckScan(std::span<const std::uint8_t> received) {
  const auto found = tq::ScanForFrame(received);
  Require(found == tq::reference::FirstFrame(received), "scan disagrees with the model");
  for (std::size_t i = 0; i < received.size(); ++i) {
    if (received[i] != tq::kStartMarker) {
      Require(!tq::IsValidFrameAt(received, i), "frame accepted without a start marker");
      continue;
    }
    Require(tq::IsValidFrameAt(received, i) == tq::reference::WindowIsFrame(received, i),
            "window test disagrees with the model");
  }
  Require(!tq::IsValidFrameAt(received, received.size()), "frame accepted past the end");
  if (found) Require(*found + tq::kFrameSize <= received.size(), "frame runs past the end");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t flags = data[0];
  std::vector<std::uint8_t> bytes(data + 1, data + std::min(size, kMaxBytes + 1));
  if ((flags & 1) != 0) RepairCandidate(bytes, flags >> 1U);

  CheckScan(bytes);
  // The engine scans after every byte from the 128th to the 153rd.
  const std::size_t engine_limit = std::min(bytes.size(), tq::kReceiveLimit);
  for (std::size_t count = tq::kFrameSize; count <= engine_limit; ++count) {
    CheckScan(std::span<const std::uint8_t>(bytes).first(count));
  }
  return 0;
}
