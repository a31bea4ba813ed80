// An instrument on an in-memory line that answers every request with the result byte
// and payload set last, for tests of the command operations.
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <vector>

#include "link/connection.h"
#include "link/memory_link.h"
#include "tests/support/scripted_device.h"

namespace tq::test {

struct AnsweringRig {
  AnsweringRig() {
    auto ends = CreateMemoryLink();
    connection = CreateConnectionOnPort(std::move(ends.host), nullptr, 200);
    device = std::make_unique<ScriptedDevice>(std::move(ends.device), [this](const Frame& request) {
      std::lock_guard lock(mutex);
      return ToBytes(MakeResponse(request, result, payload));
    });
  }
  void Answer(std::uint8_t r, Bytes p = {}) {
    std::lock_guard lock(mutex);
    result = r;
    payload = std::move(p);
  }
  Frame LastRequest() const {
    const auto requests = device->Requests();
    return requests.empty() ? Frame{} : requests.back();
  }
  std::size_t RequestCount() const { return device->Requests().size(); }

  std::mutex mutex;
  std::uint8_t result = 0;
  Bytes payload;
  ConnectionRef connection;
  std::unique_ptr<ScriptedDevice> device;  // last, so its thread stops first
};

inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// One command's request as the instrument must see it, written by hand from the tables.
// Failures name the command as the command table does.
struct RequestCase {
  std::function<int(Connection*)> send;
  std::uint8_t code;
  Bytes payload;
};

// Code, length and payload at their offsets, and zeros after the payload.
void ExpectRequest(const Frame& f, std::uint8_t code, const Bytes& payload);

// Sends every case to an answering instrument and checks each request Frame, and that its
// payload is as long as the command table says; then sends every case to a null
// Connection, which must fail with 14.
void ExpectRequestTable(const std::vector<RequestCase>& cases);
void ExpectNullConnectionFails(const std::vector<RequestCase>& cases);

}  // namespace tq::test
