// A serial port whose received bytes come from a fixed stream: what the instrument's side
// of the line delivers after the request has gone out. Reads never wait; an exhausted
// stream reads as silence. Header-only so the fuzz targets can use it too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "link/serial_port.h"

namespace tq::reference {

struct StreamLine {
  std::vector<std::uint8_t> incoming;  // bytes the port will deliver, in order
  std::size_t delivered = 0;           // bytes read so far
  std::vector<std::uint8_t> written;   // everything the host wrote
  int purges = 0;
};

class StreamPort final : public SerialPort {
 public:
  explicit StreamPort(std::shared_ptr<StreamLine> line) : line_(std::move(line)) {}

  // Purging is counted but discards nothing: the stream stands for bytes that arrive
  // after the request, which a purge before sending cannot reach.
  void PurgeReceive() override { ++line_->purges; }
  void WriteAll(std::span<const std::uint8_t> bytes) override {
    line_->written.insert(line_->written.end(), bytes.begin(), bytes.end());
  }
  bool ReadByte(std::uint8_t& out, std::uint32_t /*timeout_ms*/) override {
    if (line_->delivered >= line_->incoming.size()) return false;
    out = line_->incoming[line_->delivered++];
    return true;
  }

 private:
  std::shared_ptr<StreamLine> line_;
};

}  // namespace tq::reference
