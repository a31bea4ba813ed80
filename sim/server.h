// The serving loop: reads request Frames from the device end of a line, answers each valid
// one with one response Frame from the instrument model, moves the instrument's clock on
// with real time (times a speed factor), and puts faults on the line when asked.
//
// Threads: Start runs the loop on its own thread; every other member may be called from
// any thread while it runs. The instrument is reached only through WithInstrument.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "sim/device_line.h"
#include "sim/faults.h"
#include "sim/instrument.h"

namespace tq::sim {

// 38400 baud with a start and a stop bit: one byte every 260.4 microseconds.
inline constexpr double kByteTimeMicroseconds = 10.0 * 1e6 / 38400.0;

struct ServerOptions {
  // Instrument seconds per real second; 0 stops the clock, which then moves only by
  // AdvanceTime.
  double speed = 1.0;
  bool pace = false;  // send responses at the line's real speed
  // With pace: a request, too, takes its 128 byte times on the line, counted from its
  // first byte, before it is answered; a Transaction then lasts as long as on a real
  // 38400-baud cable (request and response back to back, 66.7 ms).
  bool pace_requests = false;
  std::uint64_t seed = 1;  // random faults and noise
  std::vector<FaultRule> faults;
  double random_fault_rate = 0;
};

class SimServer {
 public:
  SimServer(std::unique_ptr<DeviceLine> line, Instrument instrument, const ServerOptions& options);
  ~SimServer();
  SimServer(const SimServer&) = delete;
  SimServer& operator=(const SimServer&) = delete;

  void Start();
  // Stops the loop and waits for it; the line stays as it is.
  void Stop();

  void AddFault(const FaultRule& rule);
  void ClearFaults();
  void SetRandomFaults(double rate, std::uint64_t seed);
  // Unplugs the line for `ms`, as the drop fault does, before the next request.
  void DropLine(std::uint32_t ms);
  void SetSpeed(double speed);
  void SetPacing(bool pace);
  // Moves the instrument on by `ms` of its own time at once.
  void AdvanceTime(std::uint64_t ms);
  // Calls `watcher` on the serving thread with the command code of each valid request,
  // before it is answered (tests use it to see which commands a window sends, in order).
  // An empty function stops watching. The watcher must not call back into the server.
  void WatchRequests(std::function<void(std::uint8_t command)> watcher);
  // Valid requests received so far (the numbering fault rules use).
  [[nodiscard]] std::uint64_t RequestCount() const { return requests_.load(); }
  // Times the line has come back after being unplugged.
  [[nodiscard]] std::uint64_t Reconnections() const { return reconnections_.load(); }

  template <typename F>
  decltype(auto) WithInstrument(F&& f) {
    std::lock_guard lock(instrument_mutex_);
    return f(instrument_);
  }

 private:
  void Serve();
  void AdvanceByRealTime();
  void ProcessReceived();
  void Answer(const Frame& request);
  void Deliver(const Delivery& delivery);
  void WriteBytes(std::span<const std::uint8_t> bytes);
  void Unplug(std::uint32_t ms);
  // Waits `ms` (or until stopped) while the instrument's clock goes on.
  void Pause(std::uint32_t ms);

  std::unique_ptr<DeviceLine> line_;

  std::mutex instrument_mutex_;
  Instrument instrument_;

  std::mutex settings_mutex_;  // guards the members down to pending_drop_ms_
  FaultPlan faults_;
  SimRng noise_rng_;
  double speed_ = 1.0;
  bool pace_ = false;
  bool pace_requests_ = false;
  std::uint32_t pending_drop_ms_ = 0;
  std::function<void(std::uint8_t)> watcher_;

  // Serving thread only.
  std::vector<std::uint8_t> received_;
  std::chrono::steady_clock::time_point request_started_;  // the first byte held arrived
  std::chrono::steady_clock::time_point last_advance_;
  double carried_ms_ = 0;

  std::atomic<bool> stop_{false};
  std::atomic<std::uint64_t> requests_{0};
  std::atomic<std::uint64_t> reconnections_{0};
  std::thread thread_;
};

// A simulator on an in-memory cable, for tests and in-process tools.
struct InProcessSimulator {
  std::unique_ptr<SimServer> server;
  MemoryLine* line = nullptr;        // owned by the server; TakeHostEnd after a drop
  std::unique_ptr<SerialPort> host;  // the program's end of the first cable
};

// Starts serving at once.
[[nodiscard]] InProcessSimulator StartInProcessSimulator(Instrument instrument,
                                                         const ServerOptions& options);

}  // namespace tq::sim
