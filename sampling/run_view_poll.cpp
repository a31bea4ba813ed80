// The Run view's poll routine.
#include "sampling/run_view_poll.h"

#include "link/commands.h"

namespace tq {

int run_view_poll(Poller& poller, RunViewFeed& feed, const ConnectionRef& connection,
                  SampleLogCursor cursor) {
  for (;;) {
    // A failed read is silent: the view keeps what it showed and the next cycle tries again.
    SystemStatus status;
    if (GetSystemStatus(connection.get(), &status) == kResultOk) {
      feed.publish(RunStatusReport{status, run_status_texts(status)});
    }
    const bool going_on = run_sample_log_step(
        poller, connection.get(), cursor, [&feed](ListRow row) { feed.publish(std::move(row)); });
    if (!going_on || !PollerWait(poller, kRunViewPeriodMs)) return 0;
  }
}

}  // namespace tq
