// libpq calls with their results owned and their failures described.
#include "fleet/pg.h"

namespace tq::fleet {
namespace {

Failure FailureOf(PGconn* conn, const PGresult* result) {
  Failure failure;
  const char* message = result != nullptr ? PQresultErrorMessage(result) : "";
  failure.message = OneLine(*message != '\0' ? message : PQerrorMessage(conn));
  const char* state = result != nullptr ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
  failure.sqlstate = state != nullptr ? state : "";
  return failure;
}

}  // namespace

std::string OneLine(std::string_view message) {
  std::string line;
  for (const char c : message) {
    if (c == '\n' || c == '\t' || c == '\r') {
      if (!line.empty() && line.back() != ' ') line += ' ';
    } else {
      line += c;
    }
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

ResultHandle Run(PGconn* conn, std::string_view sql, Failure* failure,
                 const std::vector<std::string>& parameters) {
  std::vector<const char*> values;
  values.reserve(parameters.size());
  for (const std::string& value : parameters) values.push_back(value.c_str());
  const std::string text(sql);
  ResultHandle result(PQexecParams(conn, text.c_str(), static_cast<int>(values.size()), nullptr,
                                   values.data(), nullptr, nullptr, 0));
  const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
  if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return result;
  *failure = FailureOf(conn, result.get());
  return nullptr;
}

bool RunScript(PGconn* conn, std::string_view sql, Failure* failure) {
  const std::string text(sql);
  ResultHandle result(PQexec(conn, text.c_str()));
  if (result && PQresultStatus(result.get()) == PGRES_COMMAND_OK) return true;
  *failure = FailureOf(conn, result.get());
  return false;
}

bool Copy(PGconn* conn, std::string_view copy_sql, std::string_view rows, Failure* failure) {
  const std::string text(copy_sql);
  ResultHandle start(PQexec(conn, text.c_str()));
  if (!start || PQresultStatus(start.get()) != PGRES_COPY_IN) {
    *failure = FailureOf(conn, start.get());
    return false;
  }
  // Sent in pieces so that a large batch never needs one huge buffer inside libpq.
  constexpr std::size_t kPiece = 1 << 16;
  bool sent = true;
  for (std::size_t at = 0; at < rows.size() && sent; at += kPiece) {
    const std::string_view piece = rows.substr(at, kPiece);
    sent = PQputCopyData(conn, piece.data(), static_cast<int>(piece.size())) == 1;
  }
  if (PQputCopyEnd(conn, sent ? nullptr : "sending failed") != 1) sent = false;
  bool ok = sent;
  // Every result of the COPY is read, so the connection is ready for the next command.
  while (ResultHandle end{PQgetResult(conn)}) {
    if (PQresultStatus(end.get()) != PGRES_COMMAND_OK) {
      if (ok) *failure = FailureOf(conn, end.get());
      ok = false;
    }
  }
  if (!sent && failure->message.empty()) *failure = FailureOf(conn, nullptr);
  return ok;
}

bool Retryable(const Failure& failure) {
  return failure.sqlstate == "40001" || failure.sqlstate == "40P01";
}

}  // namespace tq::fleet
