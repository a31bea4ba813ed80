// Pushing an archive into the fleet database: what the database does not hold yet, in
// batches, each batch one transaction keyed like the archive (INSERT ... ON CONFLICT), so a
// record sent twice is stored once and pushes from several laptops at once store exactly
// their union. The archive remembers, per database, how far it was sent and committed.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "archive/archive.h"
#include "fleet/connect.h"

namespace tq::fleet {

struct KindCounts {
  std::int64_t added = 0;    // rows the database did not hold
  std::int64_t updated = 0;  // rows it held in an older state (a sample then in progress)
  std::int64_t present = 0;  // rows it held already as they are
};

struct PushCounts {
  KindCounts instruments;
  KindCounts downloads;
  KindCounts samples;
  KindCounts diagnostics;
};

struct PushOptions {
  std::size_t batch_size = 5000;  // entries per transaction
  std::int64_t now_utc = 0;       // kept with the archive's record of the push
  // Asked before each batch: false stops there (Ctrl+C), keeping what was committed.
  std::function<bool()> go_on = [] { return true; };
};

enum class PushStatus { kDone, kInterrupted, kFailed };

struct PushResult {
  PushStatus status = PushStatus::kFailed;
  PushCounts counts;
  std::int64_t batches = 0;  // committed
  std::int64_t retries = 0;  // transactions run again after a deadlock or serialization failure
  std::string error;         // when kFailed: what failed and what to do
};

// Prepares the database's schema (see PrepareFleet) and sends what it lacks.
[[nodiscard]] PushResult PushArchive(archive::Archive& archive, Connected& to,
                                     const PushOptions& options);

}  // namespace tq::fleet
