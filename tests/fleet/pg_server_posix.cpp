// Starting and stopping the test server with the programs of Debian's postgresql-15.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/fleet/pg_server.h"

namespace tq::fleet::test {
namespace {

int run(const std::string& command) { return std::system(command.c_str()); }

// A TCP port of 127.0.0.1 that nothing listens on now, so that test runs from several
// checkouts at once do not meet; "" when there is none.
std::string FreePort() {
  const int probe = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  auto* any = reinterpret_cast<sockaddr*>(&address);
  const bool found =
      probe >= 0 && bind(probe, any, size) == 0 && getsockname(probe, any, &size) == 0;
  if (probe >= 0) close(probe);
  return found ? std::to_string(ntohs(address.sin_port)) : "";
}

// The run's certificate authority, the server's certificate and key signed by it (for the
// name "localhost"), and an authority that signed nothing.
constexpr const char* kMakeCertificates =
    "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 "
    "-subj /CN=lab-ca -keyout ca.key -out ca.crt && "
    "openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -subj /CN=localhost "
    "-keyout server.key -out server.csr && "
    "echo subjectAltName=DNS:localhost > server.ext && "
    "openssl x509 -req -in server.csr -CA ca.crt -CAkey ca.key -CAcreateserial -days 2 "
    "-extfile server.ext -out server.crt && chmod 600 server.key && "
    "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 "
    "-subj /CN=stranger-ca -keyout stranger-ca.key -out stranger-ca.crt";

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
  port_ = FreePort();
  if (port_.empty()) {
    why_not_ = "no free TCP port on 127.0.0.1";
    return;
  }
  if (run(as_postgres_ + "sh -c 'cd " + folder_ + " && " + kMakeCertificates + "' > " + folder_ +
          "/openssl.log 2>&1") != 0) {
    why_not_ = "openssl could not make the certificates (see " + folder_ + "/openssl.log)";
    return;
  }
  const std::string bin = std::string(TARNQUILL_POSTGRES_BIN) + "/";
  const std::string data = folder_ + "/data";
  if (run(as_postgres_ + bin + "initdb -D " + data + " -A trust -U tarnquill > " + folder_ +
          "/initdb.log 2>&1") != 0) {
    why_not_ = "initdb failed (see " + folder_ + "/initdb.log)";
    return;
  }
  // The pusher's role proves its password; every other role is trusted on the socket, and
  // over TCP only with TLS.
  std::ofstream(data + "/pg_hba.conf") << "local all tq_pusher scram-sha-256\n"
                                       << "local all all trust\n"
                                       << "hostssl all tarnquill 127.0.0.1/32 trust\n";
  const std::string options =
      "-p " + port_ + " -k " + folder_ +
      " -c listen_addresses=127.0.0.1 -c ssl=on -c ssl_cert_file=" + folder_ +
      "/server.crt -c ssl_key_file=" + folder_ + "/server.key";
  if (run(as_postgres_ + bin + "pg_ctl -D " + data + " -o \"" + options + "\" -l " + folder_ +
          "/server.log -w start > /dev/null") != 0) {
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
  return "host=" + folder_ + " port=" + port_ + " dbname=" + database + " user=" + user;
}

std::string PgServer::tls_conninfo(const std::string& database,
                                   const std::string& root_cert) const {
  return "host=localhost hostaddr=127.0.0.1 port=" + port_ + " dbname=" + database +
         " user=tarnquill sslmode=verify-full sslrootcert=" + root_cert;
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
