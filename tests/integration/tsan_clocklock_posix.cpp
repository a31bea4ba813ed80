// ThreadSanitizer builds only. The C++ library's std::timed_mutex waits with
// pthread_mutex_clocklock, which this compiler's ThreadSanitizer runtime does not
// intercept: it would miss every timed acquisition of the Connection's lock and then
// report the unlock as misuse, and every access the lock protects as a race. Routing the
// call to pthread_mutex_timedlock, which the runtime does intercept, keeps the lock
// visible with the same meaning (an absolute deadline, converted to the real-time clock).
#include <pthread.h>
#include <time.h>

#include <cerrno>
#include <cstdint>

namespace {

std::int64_t Nanoseconds(const timespec& t) {
  return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

}  // namespace

extern "C" int pthread_mutex_clocklock(pthread_mutex_t* mutex, clockid_t clock,
                                       const timespec* deadline) {
  if (clock != CLOCK_MONOTONIC && clock != CLOCK_REALTIME) return EINVAL;
  timespec real_deadline = *deadline;
  if (clock == CLOCK_MONOTONIC) {
    timespec now_mono{};
    timespec now_real{};
    ::clock_gettime(CLOCK_MONOTONIC, &now_mono);
    ::clock_gettime(CLOCK_REALTIME, &now_real);
    const std::int64_t left = Nanoseconds(*deadline) - Nanoseconds(now_mono);
    const std::int64_t at = Nanoseconds(now_real) + (left > 0 ? left : 0);
    real_deadline.tv_sec = static_cast<time_t>(at / 1000000000);
    real_deadline.tv_nsec = static_cast<long>(at % 1000000000);
  }
  return ::pthread_mutex_timedlock(mutex, &real_deadline);
}
