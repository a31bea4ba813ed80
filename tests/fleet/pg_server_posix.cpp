// Starting and stopping the test server with the programs of Debian's postgresql-15.
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/fleet/pg_server.h"

namespace tq::fleet::test {
namespace {

constexpr const char* kPort = "5432";  // names the socket in our own folder; no TCP port

int run(const std::string& command) { return std::system(command.c_str()); }

}  // namespace

PgServer::PgServer() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tarnquill-pg-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    why_not_ = "cannot make a temporary folder";
    return;
  }
  folder_ = pattern;
  if (geteuid() == 0) {
    const passwd* postgres = getpwnam("postgres");
    if (postgres == nullptr || chown(folder_.c_str(), postgres->pw_uid, postgres->pw_gid) != 0) {
      why_not_ = "no postgres user to run the server as";
      return;
    }
    as_postgres_ = "runuser -u postgres -- ";
  }
  const std::string bin = std::string(TARNQUILL_POSTGRES_BIN) + "/";
  const std::string data = folder_ + "/data";
  if (run(as_postgres_ + bin + "initdb -D " + data + " -A trust -U tarnquill > " + folder_ +
          "/initdb.log 2>&1") != 0) {
    why_not_ = "initdb failed (see " + folder_ + "/initdb.log)";
    return;
  }
  // The pusher's role proves its password; every other role is trusted on the socket.
  std::ofstream(data + "/pg_hba.conf") << "local all tq_pusher scram-sha-256\n"
                                       << "local all all trust\n";
  if (run(as_postgres_ + bin + "pg_ctl -D " + data + " -o \"-p " + kPort + " -k " + folder_ +
          " -c listen_addresses=''\" -l " + folder_ + "/server.log -w start > /dev/null") != 0) {
    why_not_ = "the server did not start (see " + folder_ + "/server.log)";
    return;
  }
  ConnectionHandle admin = connect_to(conninfo("postgres"));
  value_of(admin.get(), "CREATE ROLE tq_pusher LOGIN PASSWORD 'pusher-secret'");
}

PgServer::~PgServer() {
  if (folder_.empty()) return;
  run(as_postgres_ + TARNQUILL_POSTGRES_BIN + "/pg_ctl -D " + folder_ +
      "/data -m fast -w stop > /dev/null 2>&1");
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

std::string PgServer::create_database(const std::string& name) {
  ConnectionHandle admin = connect_to(conninfo("postgres"));
  value_of(admin.get(), "CREATE DATABASE " + name);
  return conninfo(name);
}

std::string PgServer::conninfo(const std::string& database, const std::string& user) const {
  return "host=" + folder_ + " port=" + kPort + " dbname=" + database + " user=" + user;
}

ConnectionHandle connect_to(const std::string& conninfo) {
  ConnectionHandle conn(PQconnectdb(conninfo.c_str()));
  EXPECT_EQ(PQstatus(conn.get()), CONNECTION_OK) << PQerrorMessage(conn.get());
  return conn;
}

std::string value_of(PGconn* conn, const std::string& sql) {
  Failure failure;
  ResultHandle result = Run(conn, sql, &failure);
  EXPECT_TRUE(result) << sql << ": " << failure.message;
  if (!result || PQntuples(result.get()) == 0) return "";
  return PQgetvalue(result.get(), 0, 0);
}

}  // namespace tq::fleet::test
