// Choosing and applying faults.
#include "sim/faults.h"

#include <algorithm>

#include "link/records.h"

namespace tq::sim {
namespace {

void Merge(FaultAction& into, const FaultAction& add) {
  into.noise_bytes = std::max(into.noise_bytes, add.noise_bytes);
  into.noise_marker = into.noise_marker || add.noise_marker;
  into.wrong_sequence = into.wrong_sequence || add.wrong_sequence;
  into.corrupt_crc = into.corrupt_crc || add.corrupt_crc;
  into.silence = into.silence || add.silence;
  into.delay_ms += add.delay_ms;
  if (add.result) into.result = add.result;
  if (add.split_chunk != 0) {
    into.split_chunk = add.split_chunk;
    into.split_gap_ms = add.split_gap_ms;
  }
  into.drop_ms = std::max(into.drop_ms, add.drop_ms);
}

// One fault the host's engine is expected to survive: at worst the command fails with 14
// and the next one succeeds.
FaultAction RandomFault(SimRng& rng) {
  FaultAction a;
  switch (rng.Between(0, 6)) {
    case 0:
      a.noise_bytes = static_cast<std::uint16_t>(rng.Between(1, 25));
      break;
    case 1:
      a.noise_bytes = static_cast<std::uint16_t>(rng.Between(1, 40));
      a.noise_marker = true;
      break;
    case 2:
      a.wrong_sequence = true;
      break;
    case 3:
      a.corrupt_crc = true;
      break;
    case 4:
      a.silence = true;
      break;
    case 5:
      a.delay_ms = rng.Between(5, 100);
      break;
    default:
      a.split_chunk = static_cast<std::uint16_t>(rng.Between(1, 32));
      a.split_gap_ms = rng.Between(1, 5);
      break;
  }
  return a;
}

}  // namespace

bool FaultAction::Any() const {
  return noise_bytes != 0 || wrong_sequence || corrupt_crc || silence || delay_ms != 0 ||
         result.has_value() || split_chunk != 0 || drop_ms != 0;
}

FaultAction TakeFault(FaultPlan& plan, std::uint64_t request_number, std::uint8_t command) {
  FaultAction action;
  for (FaultRule& rule : plan.rules) {
    if (rule.command && *rule.command != command) continue;
    if (rule.request && *rule.request != request_number) continue;
    if (rule.times) {
      if (*rule.times == 0) continue;
      rule.times = *rule.times - 1;
    }
    Merge(action, rule.action);
  }
  if (plan.random_rate > 0 && plan.rng.Chance(plan.random_rate)) {
    Merge(action, RandomFault(plan.rng));
  }
  return action;
}

Delivery ShapeResponse(const Frame& response, const FaultAction& action, SimRng& rng) {
  Delivery out;
  out.delay_ms = action.delay_ms;
  out.drop_ms = action.drop_ms;
  if (action.silence || action.drop_ms != 0) return out;
  Frame frame = response;
  if (action.wrong_sequence) {
    frame[kOffSequence] = static_cast<std::uint8_t>(frame[kOffSequence] - 1);
    PutU16(frame, kOffCrcLow, FrameCrc(frame));
  }
  if (action.corrupt_crc) frame[kOffCrcLow] ^= 0xFF;
  for (std::uint16_t i = 0; i < action.noise_bytes; ++i) {
    auto b = static_cast<std::uint8_t>(rng.Next() & 0xFF);
    if (b == kStartMarker) b = 0x55;  // noise never looks like a Frame start by chance
    out.bytes.push_back(i == 0 && action.noise_marker ? kStartMarker : b);
  }
  out.bytes.insert(out.bytes.end(), frame.begin(), frame.end());
  out.chunk = action.split_chunk;
  out.gap_ms = action.split_gap_ms;
  return out;
}

}  // namespace tq::sim
