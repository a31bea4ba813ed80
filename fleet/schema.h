// The fleet database's tables and views, in their own PostgreSQL schema "tarnquill",
// created and upgraded by the tool: tarnquill.schema_version holds the version and the
// database's own id (which archives use to remember what they sent where).
#pragma once

#include <optional>
#include <string>

#include "fleet/pg.h"

namespace tq::fleet {

inline constexpr int kFleetSchemaVersion = 3;

// Brings the database to `version` (creating everything in an empty one), under a lock
// so that pushers starting together do it once. The database's id, or nothing with
// *error saying what to do.
[[nodiscard]] std::optional<std::string> PrepareFleet(PGconn* conn, std::string* error,
                                                      int version = kFleetSchemaVersion);

}  // namespace tq::fleet
