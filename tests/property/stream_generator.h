// Random received-byte streams for property tests: valid Frames (answering the request
// or not), stray markers, noise, truncated and corrupted Frames, in random order.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace tq::property {

using Bytes = std::vector<std::uint8_t>;

// A stream of at least `min_length` bytes (it may run a Frame's length past it). Frames
// meant as the answer carry `sequence`; the others carry any other number.
Bytes RandomStream(std::mt19937& rng, std::uint8_t sequence, std::size_t min_length);

}  // namespace tq::property
