// A private PostgreSQL server for the fleet tests: a cluster made in a temporary folder,
// answering on a Unix socket there and, over TLS only, on a free port of 127.0.0.1; stopped
// and removed at the end. PostgreSQL will not run as root, so under root it runs as the
// postgres user. Role "tarnquill" may do anything without a password; "tq_pusher" must
// give its password ("pusher-secret"). The server's certificate names "localhost" and is
// signed by a certificate authority made for the run (openssl).
#pragma once

#include <string>

#include "fleet/pg.h"

namespace tq::fleet::test {

class PgServer {
 public:
  PgServer();
  ~PgServer();
  PgServer(const PgServer&) = delete;
  PgServer& operator=(const PgServer&) = delete;

  [[nodiscard]] bool running() const { return why_not_.empty(); }
  [[nodiscard]] const std::string& why_not() const { return why_not_; }

  // A new empty database; its connection string for `user`.
  [[nodiscard]] std::string create_database(const std::string& name);
  [[nodiscard]] std::string conninfo(const std::string& database,
                                     const std::string& user = "tarnquill") const;
  // Over TCP with sslmode=verify-full, trusting the certificate authority in `root_cert`.
  [[nodiscard]] std::string tls_conninfo(const std::string& database,
                                         const std::string& root_cert) const;
  // The authority that signed the server's certificate, and one that did not.
  [[nodiscard]] std::string lab_ca() const { return folder_ + "/ca.crt"; }
  [[nodiscard]] std::string stranger_ca() const { return folder_ + "/stranger-ca.crt"; }

 private:
  std::string folder_;
  std::string port_;
  std::string as_postgres_;  // the command prefix that runs a program as the server's owner
  std::string why_not_;
};

// An open connection (the test fails when it cannot be made).
[[nodiscard]] ConnectionHandle connect_to(const std::string& conninfo);
// Runs `sql`: the first column of its first row, as text ("" on an error, which fails the
// test, or when there is no row).
std::string value_of(PGconn* conn, const std::string& sql);

}  // namespace tq::fleet::test
