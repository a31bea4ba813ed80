// Faults the simulator puts on the line: what to do to one response, which requests a
// rule picks, and how a response leaves the device once a fault has shaped it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/frame.h"
#include "sim/rng.h"

namespace tq::sim {

// What happens to one response. Several faults combine (noise and a delay, say).
struct FaultAction {
  std::uint16_t noise_bytes = 0;  // bytes of noise before the response
  bool noise_marker = false;      // the first noise byte is a stray "*"
  bool wrong_sequence = false;    // the response repeats the previous sequence number
  bool corrupt_crc = false;
  bool silence = false;  // the request is carried out but not answered
  std::uint32_t delay_ms = 0;
  // Answer with this result byte and no payload; the request is not carried out.
  std::optional<std::uint8_t> result;
  std::uint16_t split_chunk = 0;   // send the response in pieces of this many bytes...
  std::uint32_t split_gap_ms = 0;  // ...this far apart
  std::uint32_t drop_ms = 0;       // unplug: no answer, the line gone this long, then back

  [[nodiscard]] bool Any() const;
};

// Which requests a fault hits. Requests are numbered from 1 in the order they arrive.
struct FaultRule {
  FaultAction action;
  std::optional<std::uint8_t> command;   // only this command code
  std::optional<std::uint64_t> request;  // only this request number
  // Hits left; unset means every matching request (a request number matches once anyway).
  std::optional<std::uint32_t> times;
};

struct FaultPlan {
  std::vector<FaultRule> rules;
  double random_rate = 0;  // share of requests given one random recoverable fault
  SimRng rng;              // random faults and noise bytes
};

// The faults for one request: every matching rule, each using up one of its hits, plus a
// random fault at the plan's rate.
[[nodiscard]] FaultAction TakeFault(FaultPlan& plan, std::uint64_t request_number,
                                    std::uint8_t command);

// A response as it leaves the device.
struct Delivery {
  std::vector<std::uint8_t> bytes;  // empty: nothing is sent
  std::size_t chunk = 0;            // 0: all at once
  std::uint32_t gap_ms = 0;
  std::uint32_t delay_ms = 0;
  std::uint32_t drop_ms = 0;
};

[[nodiscard]] Delivery ShapeResponse(const Frame& response, const FaultAction& action, SimRng& rng);

// One --fault argument: either a rule or, for "random=RATE", a random rate.
struct ParsedFault {
  FaultRule rule;
  std::optional<double> random_rate;
};

// Parses "KIND[=VALUE][,KIND[=VALUE]...][,cmd=CODE][,req=N][,times=N]"; on a mistake
// returns nothing and says what is wrong in *error.
[[nodiscard]] std::optional<ParsedFault> ParseFaultRule(std::string_view text, std::string* error);

// The syntax, for --help.
[[nodiscard]] std::string_view FaultRuleHelp();

}  // namespace tq::sim
