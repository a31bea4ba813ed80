// The serving loop.
#include "sim/server.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "sim/responder.h"

namespace tq::sim {
namespace {

using Clock = std::chrono::steady_clock;

// A single sleep may wake a fraction of a millisecond early under Wine (its timers round):
// a paced line must never be faster than the wire, so wait again until the moment has come.
void sleep_until_due(Clock::time_point due) {
  while (Clock::now() < due) std::this_thread::sleep_until(due);
}

// How long one read waits before the loop moves the clock on and looks for a stop.
constexpr std::uint32_t kReadSliceMs = 5;
constexpr std::uint32_t kRetryRestoreMs = 500;

}  // namespace

SimServer::SimServer(std::unique_ptr<DeviceLine> line, Instrument instrument,
                     const ServerOptions& options)
    : line_(std::move(line)),
      instrument_(std::move(instrument)),
      faults_{options.faults, options.random_fault_rate, SimRng{options.seed}},
      noise_rng_{options.seed ^ 0x6E6F697365ULL},
      speed_(std::max(0.0, options.speed)),
      pace_(options.pace),
      pace_requests_(options.pace_requests) {
  received_.reserve(2 * kFrameSize);
}

SimServer::~SimServer() { Stop(); }

void SimServer::Start() {
  if (thread_.joinable()) return;
  stop_ = false;
  last_advance_ = Clock::now();
  thread_ = std::thread([this] { Serve(); });
}

void SimServer::Stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

void SimServer::AddFault(const FaultRule& rule) {
  std::lock_guard lock(settings_mutex_);
  faults_.rules.push_back(rule);
}

void SimServer::WatchRequests(std::function<void(std::uint8_t command)> watcher) {
  std::lock_guard lock(settings_mutex_);
  watcher_ = std::move(watcher);
}

void SimServer::ClearFaults() {
  std::lock_guard lock(settings_mutex_);
  faults_.rules.clear();
  faults_.random_rate = 0;
}

void SimServer::SetRandomFaults(double rate, std::uint64_t seed) {
  std::lock_guard lock(settings_mutex_);
  faults_.random_rate = std::clamp(rate, 0.0, 1.0);
  faults_.rng.state = seed;
}

void SimServer::DropLine(std::uint32_t ms) {
  std::lock_guard lock(settings_mutex_);
  pending_drop_ms_ = std::max<std::uint32_t>(ms, 1);
}

void SimServer::SetSpeed(double speed) {
  std::lock_guard lock(settings_mutex_);
  speed_ = std::max(0.0, speed);
}

void SimServer::SetPacing(bool pace) {
  std::lock_guard lock(settings_mutex_);
  pace_ = pace;
}

void SimServer::AdvanceTime(std::uint64_t ms) {
  std::lock_guard lock(instrument_mutex_);
  AdvanceInstrument(instrument_, ms);
}

void SimServer::Serve() {
  while (!stop_) {
    AdvanceByRealTime();
    std::uint32_t drop = 0;
    {
      std::lock_guard lock(settings_mutex_);
      std::swap(drop, pending_drop_ms_);
    }
    if (drop != 0) {
      Unplug(drop);
      continue;
    }
    SerialPort* port = line_->Port();
    if (port == nullptr) {
      line_->Restore();  // a line that could not come back is tried again
      if (line_->Port() == nullptr) Pause(kRetryRestoreMs);
      continue;
    }
    const auto before = Clock::now();
    std::uint8_t byte = 0;
    if (!port->ReadByte(byte, kReadSliceMs)) {
      // A port whose other end has gone fails at once; do not spin on it.
      if (Clock::now() - before < std::chrono::milliseconds(1)) Pause(kReadSliceMs);
      continue;
    }
    if (received_.empty()) request_started_ = Clock::now();
    received_.push_back(byte);
    ProcessReceived();
  }
}

void SimServer::AdvanceByRealTime() {
  const auto now = Clock::now();
  const double real_ms = std::chrono::duration<double, std::milli>(now - last_advance_).count();
  last_advance_ = now;
  double speed = 0;
  {
    std::lock_guard lock(settings_mutex_);
    speed = speed_;
  }
  carried_ms_ += real_ms * speed;
  const double whole = std::floor(carried_ms_);
  if (whole < 1) return;
  carried_ms_ -= whole;
  std::lock_guard lock(instrument_mutex_);
  AdvanceInstrument(instrument_, static_cast<std::uint64_t>(whole));
}

// Finds request Frames with the host's own validity scan. When the bytes held cannot
// start a Frame, they are dropped up to the next "*", so noise never wedges the line.
void SimServer::ProcessReceived() {
  while (received_.size() >= kFrameSize && !stop_) {
    if (const auto at = ScanForFrame(received_)) {
      Frame request{};
      std::copy_n(received_.begin() + static_cast<std::ptrdiff_t>(*at), kFrameSize,
                  request.begin());
      received_.erase(received_.begin(),
                      received_.begin() + static_cast<std::ptrdiff_t>(*at + kFrameSize));
      Answer(request);
      continue;
    }
    const auto next = std::find(received_.begin() + 1, received_.end(), kStartMarker);
    received_.erase(received_.begin(), next);
  }
}

void SimServer::Answer(const Frame& request) {
  const std::uint64_t number = ++requests_;
  FaultAction action;
  SimRng noise;
  std::function<void(std::uint8_t)> watcher;
  {
    std::lock_guard lock(settings_mutex_);
    action = TakeFault(faults_, number, request[kOffCommand]);
    noise.state = noise_rng_.Next();  // each response's noise from its own stream
    watcher = watcher_;
  }
  if (watcher) watcher(request[kOffCommand]);
  bool wait_for_request = false;
  {
    std::lock_guard lock(settings_mutex_);
    wait_for_request = pace_ && pace_requests_;
  }
  // On a real line the request's last byte arrives 128 byte times after its first.
  if (wait_for_request) {
    std::this_thread::sleep_until(request_started_ +
                                  std::chrono::microseconds(std::lround(
                                      static_cast<double>(kFrameSize) * kByteTimeMicroseconds)));
  }
  Frame response{};
  {
    std::lock_guard lock(instrument_mutex_);
    response =
        action.result ? BuildResponse(request, *action.result) : Respond(instrument_, request);
  }
  Deliver(ShapeResponse(response, action, noise));
}

void SimServer::Deliver(const Delivery& delivery) {
  if (delivery.drop_ms != 0) {
    Unplug(delivery.drop_ms);
    return;
  }
  if (delivery.delay_ms != 0) Pause(delivery.delay_ms);
  if (delivery.bytes.empty() || stop_) return;
  const std::span<const std::uint8_t> bytes(delivery.bytes);
  const std::size_t chunk = delivery.chunk == 0 ? bytes.size() : delivery.chunk;
  for (std::size_t at = 0; at < bytes.size() && !stop_; at += chunk) {
    if (at != 0 && delivery.gap_ms != 0) Pause(delivery.gap_ms);
    WriteBytes(bytes.subspan(at, std::min(chunk, bytes.size() - at)));
  }
}

void SimServer::WriteBytes(std::span<const std::uint8_t> bytes) {
  SerialPort* port = line_->Port();
  if (port == nullptr) return;
  bool pace = false;
  {
    std::lock_guard lock(settings_mutex_);
    pace = pace_;
  }
  if (!pace) {
    port->WriteAll(bytes);
    return;
  }
  // Byte i leaves i byte times after the first, however long each write takes.
  const auto start = Clock::now();
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto due = start + std::chrono::microseconds(
                                 std::lround(static_cast<double>(i) * kByteTimeMicroseconds));
    sleep_until_due(due);
    port->WriteAll(bytes.subspan(i, 1));
  }
  sleep_until_due(start + std::chrono::microseconds(std::lround(static_cast<double>(bytes.size()) *
                                                                kByteTimeMicroseconds)));
}

void SimServer::Unplug(std::uint32_t ms) {
  line_->HangUp();
  received_.clear();
  Pause(ms);
  line_->Restore();
  ++reconnections_;
}

void SimServer::Pause(std::uint32_t ms) {
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  while (!stop_) {
    AdvanceByRealTime();
    const auto now = Clock::now();
    if (now >= end) break;
    std::this_thread::sleep_for(
        std::min<Clock::duration>(end - now, std::chrono::milliseconds(kReadSliceMs)));
  }
}

InProcessSimulator StartInProcessSimulator(Instrument instrument, const ServerOptions& options) {
  auto line = std::make_unique<MemoryLine>();
  InProcessSimulator sim;
  sim.line = line.get();
  sim.host = line->TakeHostEnd();
  sim.server = std::make_unique<SimServer>(std::move(line), std::move(instrument), options);
  sim.server->Start();
  return sim;
}

}  // namespace tq::sim
