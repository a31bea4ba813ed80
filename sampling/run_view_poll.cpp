// The Run view's poll routine.
#include "sampling/run_view_poll.h"

#include <optional>

#include "link/commands.h"

namespace tq {
namespace {

std::uint64_t reopenings_of(const Connection* connection) {
  return connection != nullptr ? ReadConnectionStats(*connection).reopenings : 0;
}

// The instrument at the far end as the routine last confirmed it.
struct FarEnd {
  std::optional<IdentityRecord> identity;  // unknown until a read succeeds
  std::uint64_t reopenings = 0;            // the Connection's count when it was confirmed
};

enum class FarEndCheck { kSame, kUnconfirmed, kOther };

// Whether what was read since the last check came from the instrument confirmed last. An
// instrument whose identity was never read is taken as the one that answers now.
FarEndCheck check_far_end(Connection* connection, FarEnd& far) {
  if (reopenings_of(connection) == far.reopenings) return FarEndCheck::kSame;
  IdentityRecord identity;
  if (GetIdentity(connection, &identity) != kResultOk) return FarEndCheck::kUnconfirmed;
  // A reopening during this very read gave the answer of the port now open: confirmed.
  far.reopenings = reopenings_of(connection);
  const bool other = far.identity && far.identity->serial_number != identity.serial_number;
  far.identity = identity;
  return other ? FarEndCheck::kOther : FarEndCheck::kSame;
}

}  // namespace

int run_view_poll(Poller& poller, RunViewFeed& feed, const ConnectionRef& connection,
                  SampleLogCursor cursor) {
  Connection* c = connection.get();
  FarEnd far;
  far.reopenings = reopenings_of(c);
  if (IdentityRecord identity; GetIdentity(c, &identity) == kResultOk) far.identity = identity;
  LinkWatch link;
  bool listed = false;
  for (;;) {
    // A failed read is silent: the view keeps what it showed and the next cycle tries again.
    SystemStatus status;
    const int result = GetSystemStatus(c, &status);
    const FarEndCheck check = check_far_end(c, far);
    if (check == FarEndCheck::kOther) {
      feed.publish(InstrumentChanged{*far.identity});
      cursor = {};
      listed = false;
    }
    // An instrument refusing the command has answered all the same.
    const bool answered = check != FarEndCheck::kUnconfirmed && result != kResultLinkFailure;
    if (const auto change = link.note(answered, c != nullptr && ReadConnectionStats(*c).lost)) {
      feed.publish(*change);
    }
    if (check != FarEndCheck::kUnconfirmed) {
      if (result == kResultOk) feed.publish(RunStatusReport{status, run_status_texts(status)});
      const SampleLogCursor before = cursor;
      bool reopened = false;
      bool at_end = false;
      const bool going_on = run_sample_log_step(
          poller, c, cursor,
          [&](ListRow row) {
            // Read across a reopening: from an instrument not yet confirmed.
            reopened = reopened || reopenings_of(c) != far.reopenings;
            if (!reopened) feed.publish(std::move(row));
          },
          &at_end);
      if (!going_on) return 0;
      reopened = reopened || reopenings_of(c) != far.reopenings;
      if (reopened) {
        cursor = before;
      } else if (at_end && !listed) {
        listed = true;
        feed.publish(SampleLogListed{});
      }
    }
    if (!PollerWait(poller, kRunViewPeriodMs)) return 0;
  }
}

}  // namespace tq
