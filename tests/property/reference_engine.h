// A naive model of what one Transaction makes of a stream of received bytes: after each
// byte from the 128th on, look for the first accepting window; stop at silence or after
// the receive limit. Written from the exchange rules, independently of the engine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "tests/property/reference_frame.h"

namespace tq::reference {

struct EngineOutcome {
  bool ok = false;                // a Frame with the request's sequence number
  std::size_t consumed = 0;       // bytes the engine reads before it stops
  std::optional<std::size_t> at;  // offset of the Frame it stopped on, if any
};

inline EngineOutcome ModelTransaction(std::span<const std::uint8_t> stream, std::uint8_t sequence) {
  constexpr std::size_t kLimit = 153;
  for (std::size_t count = 1; count <= kLimit; ++count) {
    if (count > stream.size()) return {false, stream.size(), std::nullopt};
    if (count < 128) continue;
    const auto prefix = stream.first(count);
    if (const auto at = FirstFrame(prefix)) {
      return {prefix[*at + 3] == sequence, count, at};
    }
  }
  return {false, kLimit, std::nullopt};
}

}  // namespace tq::reference
