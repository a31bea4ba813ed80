// SHA-256 (FIPS 180-4), to name a diagnostic entry by its bytes the way the fleet
// database's own sha256() does. Check value: "abc" gives ba7816bf...f20015ad.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace tq::archive {

using Sha256Digest = std::array<std::uint8_t, 32>;

[[nodiscard]] Sha256Digest Sha256(std::span<const std::uint8_t> bytes);

}  // namespace tq::archive
