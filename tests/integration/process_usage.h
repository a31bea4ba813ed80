// What the soak measures about its own process: CPU time of the calling thread and of
// the whole process, and the heap in use.
#pragma once

#include <cstdint>

namespace tq::test {

[[nodiscard]] std::uint64_t ThreadCpuMicroseconds();
[[nodiscard]] std::uint64_t ProcessCpuMicroseconds();
// Bytes allocated and not yet freed (under AddressSanitizer, as its allocator counts
// them, so memory held back to catch use-after-free is not mistaken for a leak). 0 where
// the allocator does not say (ThreadSanitizer's).
[[nodiscard]] std::uint64_t HeapBytesInUse();

}  // namespace tq::test
