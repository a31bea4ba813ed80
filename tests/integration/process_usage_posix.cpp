// Process usage on Linux.
#include <malloc.h>
#include <time.h>

#include <cstddef>

#include "tests/integration/process_usage.h"

// Under a sanitizer the allocator is the sanitizer's, and only it knows what is in use.
// g++ announces its sanitizers with macros, clang through __has_feature.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TARNQUILL_ADDRESS_SANITIZER 1
#elif __has_feature(thread_sanitizer)
#define TARNQUILL_THREAD_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(TARNQUILL_ADDRESS_SANITIZER)
// Declared here: not every compiler ships the header that declares it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
namespace {
std::uint64_t AllocatorBytesInUse() { return __sanitizer_get_current_allocated_bytes(); }
}  // namespace
#elif defined(__SANITIZE_THREAD__) || defined(TARNQUILL_THREAD_SANITIZER)
namespace {
std::uint64_t AllocatorBytesInUse() { return 0; }
}  // namespace
#else
namespace {
std::uint64_t AllocatorBytesInUse() { return ::mallinfo2().uordblks; }
}  // namespace
#endif

namespace tq::test {
namespace {

std::uint64_t Microseconds(clockid_t clock) {
  timespec t{};
  ::clock_gettime(clock, &t);
  return static_cast<std::uint64_t>(t.tv_sec) * 1000000U +
         static_cast<std::uint64_t>(t.tv_nsec) / 1000U;
}

}  // namespace

std::uint64_t ThreadCpuMicroseconds() { return Microseconds(CLOCK_THREAD_CPUTIME_ID); }

std::uint64_t ProcessCpuMicroseconds() { return Microseconds(CLOCK_PROCESS_CPUTIME_ID); }

std::uint64_t HeapBytesInUse() { return AllocatorBytesInUse(); }

}  // namespace tq::test
