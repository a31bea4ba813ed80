// Connecting to the fleet database from a libpq connection string or URI. libpq's
// environment variables and password file work as for psql. No message ever holds a
// password: the one in the string, in PGPASSWORD or in the password file is blanked out.
#pragma once

#include <optional>
#include <string>

#include "fleet/pg.h"

namespace tq::fleet {

enum class ConnectProblem {
  kNone,
  kBadConnectionString,  // a mistake in the command line
  kUnreachable,          // no server there, a network or TLS fault
  kPassword,             // a password wanted or refused
};

struct Connected {
  ConnectionHandle conn;
  std::string destination;  // user@host:port/database
};

struct ConnectOutcome {
  std::optional<Connected> connected;
  ConnectProblem problem = ConnectProblem::kNone;
  std::string message;  // what failed and what to check
};

[[nodiscard]] ConnectOutcome Connect(const std::string& conninfo);

// `text` with every occurrence of `secret` replaced by "********".
[[nodiscard]] std::string Redact(std::string text, const std::string& secret);

}  // namespace tq::fleet
