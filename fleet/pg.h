// A thin owner of libpq's handles: the connection and each result freed by their
// destructors, and the few calls a push makes, each returning what went wrong (the
// server's message and SQLSTATE) instead of throwing.
#pragma once

#include <libpq-fe.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tq::fleet {

struct ConnectionCloser {
  void operator()(PGconn* conn) const { PQfinish(conn); }
};
using ConnectionHandle = std::unique_ptr<PGconn, ConnectionCloser>;

struct ResultClearer {
  void operator()(PGresult* result) const { PQclear(result); }
};
using ResultHandle = std::unique_ptr<PGresult, ResultClearer>;

// What the last failed call said: the server's message and its SQLSTATE ("" when the
// failure was not the server's, e.g. a lost connection).
struct Failure {
  std::string message;
  std::string sqlstate;
};

// Runs one statement with text parameters. The result when it succeeded (commands and
// queries alike), else null with *failure filled.
ResultHandle Run(PGconn* conn, std::string_view sql, Failure* failure,
                 const std::vector<std::string>& parameters = {});

// Runs several statements without parameters (a schema step); false with *failure.
[[nodiscard]] bool RunScript(PGconn* conn, std::string_view sql, Failure* failure);

// Sends `rows` (COPY text format, one row per line) to `copy_sql`
// ("COPY table (columns) FROM STDIN"); false with *failure on an error.
[[nodiscard]] bool Copy(PGconn* conn, std::string_view copy_sql, std::string_view rows,
                        Failure* failure);

// A serialization failure or a deadlock: the transaction may simply be run again.
[[nodiscard]] bool Retryable(const Failure& failure);

// libpq's message on one line, without its trailing newline.
[[nodiscard]] std::string OneLine(std::string_view message);

}  // namespace tq::fleet
