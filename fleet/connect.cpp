// Connecting, and saying plainly what to check when it fails.
#include "fleet/connect.h"

#include <cstdlib>
#include <vector>

namespace tq::fleet {
namespace {

struct ConninfoFree {
  void operator()(PQconninfoOption* options) const { PQconninfoFree(options); }
};
using ConninfoOptions = std::unique_ptr<PQconninfoOption, ConninfoFree>;

// The password written in the string itself, if any.
std::string PasswordIn(const std::string& conninfo, bool* parsed) {
  char* message = nullptr;
  ConninfoOptions options(PQconninfoParse(conninfo.c_str(), &message));
  PQfreemem(message);  // it may quote the string, password and all: never shown
  *parsed = options != nullptr;
  if (!options) return {};
  for (const PQconninfoOption* o = options.get(); o->keyword != nullptr; ++o) {
    if (std::string_view(o->keyword) == "password" && o->val != nullptr) return o->val;
  }
  return {};
}

std::string Text(const char* text) { return text != nullptr ? text : ""; }

std::string DestinationOf(PGconn* conn) {
  return Text(PQuser(conn)) + "@" + Text(PQhost(conn)) + ":" + Text(PQport(conn)) + "/" +
         Text(PQdb(conn));
}

}  // namespace

std::string Redact(std::string text, const std::string& secret) {
  if (secret.empty()) return text;
  for (std::size_t at = text.find(secret); at != std::string::npos;
       at = text.find(secret, at + 8)) {
    text.replace(at, secret.size(), "********");
  }
  return text;
}

ConnectOutcome Connect(const std::string& conninfo) {
  ConnectOutcome outcome;
  bool parsed = false;
  const std::string written_password = PasswordIn(conninfo, &parsed);
  if (!parsed) {
    outcome.problem = ConnectProblem::kBadConnectionString;
    outcome.message =
        "--to is not a connection string or URI: write it as 'host=HOST dbname=DB user=USER' "
        "or 'postgresql://USER@HOST/DB?sslmode=verify-full' (see docs/fleet.md)";
    return outcome;
  }
  // A lost network must not hang a technician's laptop: give up connecting after 10 s and
  // notice a dead peer within about a minute, unless the string or environment says otherwise.
  std::vector<const char*> keywords;
  std::vector<const char*> values;
  // Nothing in the program sets the environment, so reading it is safe from any thread.
  if (std::getenv("PGCONNECT_TIMEOUT") == nullptr) {  // NOLINT(concurrency-mt-unsafe)
    keywords.push_back("connect_timeout");
    values.push_back("10");
  }
  for (const auto& [keyword, value] :
       {std::pair{"keepalives_idle", "30"}, std::pair{"keepalives_interval", "10"},
        std::pair{"keepalives_count", "3"}, std::pair{"application_name", "tarnquill-cli"},
        std::pair{"client_encoding", "UTF8"}}) {
    keywords.push_back(keyword);
    values.push_back(value);
  }
  // Last, so that what the string says overrides the defaults above.
  keywords.push_back("dbname");
  values.push_back(conninfo.c_str());
  keywords.push_back(nullptr);
  values.push_back(nullptr);
  ConnectionHandle conn(PQconnectdbParams(keywords.data(), values.data(), /*expand_dbname=*/1));
  if (!conn) {
    outcome.problem = ConnectProblem::kUnreachable;
    outcome.message = "cannot start a connection (out of memory)";
    return outcome;
  }
  const std::string destination = DestinationOf(conn.get());
  if (PQstatus(conn.get()) == CONNECTION_OK) {
    outcome.connected = Connected{std::move(conn), destination};
    return outcome;
  }
  std::string said = OneLine(PQerrorMessage(conn.get()));
  const std::string environment_password =
      Text(std::getenv("PGPASSWORD"));  // NOLINT(concurrency-mt-unsafe)
  for (const std::string& secret :
       {written_password, Text(PQpass(conn.get())), environment_password}) {
    said = Redact(said, secret);
  }
  const std::string where = "the fleet database " + destination;
  if (PQconnectionNeedsPassword(conn.get()) != 0) {
    outcome.problem = ConnectProblem::kPassword;
    outcome.message = where +
                      " asks for a password: put it in the password file (~/.pgpass, or the "
                      "file PGPASSFILE names), not on the command line";
  } else if (PQconnectionUsedPassword(conn.get()) != 0 ||
             said.find("authentication failed") != std::string::npos) {
    outcome.problem = ConnectProblem::kPassword;
    outcome.message = where + " refused user " + Text(PQuser(conn.get())) +
                      ": check the user name and the password in the password file (~/.pgpass, "
                      "or the file PGPASSFILE names) (" +
                      said + ")";
  } else if (said.find("does not exist") != std::string::npos) {
    outcome.problem = ConnectProblem::kUnreachable;
    outcome.message = where + " is not there (" + said +
                      "): check the database and user names in --to, or ask the server's owner "
                      "to create them (see docs/fleet.md)";
  } else {
    outcome.problem = ConnectProblem::kUnreachable;
    outcome.message = "cannot reach " + where + ": " + said +
                      "; check the host and port, that the server runs and accepts connections "
                      "from this computer, and the network";
    if (said.find("SSL") != std::string::npos || said.find("certificate") != std::string::npos) {
      outcome.message +=
          "; for sslmode=verify-full, check the server's certificate and the "
          "root certificate (~/.postgresql/root.crt, or sslrootcert)";
    }
  }
  return outcome;
}

}  // namespace tq::fleet
