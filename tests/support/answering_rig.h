// An instrument on an in-memory line that answers every request with the result byte
// and payload set last, for tests of the command operations.
#pragma once

#include <initializer_list>
#include <memory>
#include <mutex>

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

}  // namespace tq::test
