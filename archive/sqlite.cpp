// SQLite's handles.
#include "archive/sqlite.h"

namespace tq::archive {

Statement::Statement(sqlite3* db, std::string_view sql) {
  if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &statement_, nullptr) !=
      SQLITE_OK) {
    sqlite3_finalize(statement_);
    statement_ = nullptr;
    failed_ = true;
  }
}

Statement::~Statement() { sqlite3_finalize(statement_); }

Statement& Statement::bind(int index, std::int64_t value) {
  if (ok() && sqlite3_bind_int64(statement_, index, value) != SQLITE_OK) failed_ = true;
  return *this;
}

Statement& Statement::bind(int index, double value) {
  if (ok() && sqlite3_bind_double(statement_, index, value) != SQLITE_OK) failed_ = true;
  return *this;
}

Statement& Statement::bind(int index, std::string_view text) {
  if (ok() && sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                                SQLITE_TRANSIENT) != SQLITE_OK) {
    failed_ = true;
  }
  return *this;
}

Statement& Statement::bind(int index, std::span<const std::uint8_t> blob) {
  if (ok() && sqlite3_bind_blob(statement_, index, blob.data(), static_cast<int>(blob.size()),
                                SQLITE_TRANSIENT) != SQLITE_OK) {
    failed_ = true;
  }
  return *this;
}

Statement& Statement::bind_null(int index) {
  if (ok() && sqlite3_bind_null(statement_, index) != SQLITE_OK) failed_ = true;
  return *this;
}

bool Statement::step() {
  if (!ok() || failed_) return false;
  const int result = sqlite3_step(statement_);
  if (result == SQLITE_ROW) return true;
  if (result != SQLITE_DONE) failed_ = true;
  return false;
}

bool Statement::run() {
  while (step()) {
  }
  return !failed_;
}

void Statement::reset() {
  if (!ok()) return;
  sqlite3_reset(statement_);
  sqlite3_clear_bindings(statement_);
  failed_ = false;
}

std::int64_t Statement::integer(int column) const {
  return sqlite3_column_int64(statement_, column);
}

double Statement::real(int column) const { return sqlite3_column_double(statement_, column); }

std::string Statement::text(int column) const {
  const unsigned char* text = sqlite3_column_text(statement_, column);
  if (text == nullptr) return {};
  return {reinterpret_cast<const char*>(text),
          static_cast<std::size_t>(sqlite3_column_bytes(statement_, column))};
}

std::vector<std::uint8_t> Statement::blob(int column) const {
  const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(statement_, column));
  const auto size = static_cast<std::size_t>(sqlite3_column_bytes(statement_, column));
  if (data == nullptr) return {};
  return {data, data + size};
}

int Statement::columns() const { return ok() ? sqlite3_column_count(statement_) : 0; }

bool Statement::is_null(int column) const {
  return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

bool execute(sqlite3* db, std::string_view sql) {
  const std::string text(sql);
  return sqlite3_exec(db, text.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::string last_error(sqlite3* db) { return db != nullptr ? sqlite3_errmsg(db) : "no database"; }

// Outermost: takes the write lock at once, so two writers wait for each other instead of
// failing half-way. Inside another transaction: a savepoint of it.
Transaction::Transaction(sqlite3* db)
    : db_(db),
      nested_(sqlite3_get_autocommit(db) == 0),
      open_(execute(db, nested_ ? "SAVEPOINT part" : "BEGIN IMMEDIATE")) {}

Transaction::~Transaction() {
  if (open_) (void)execute(db_, nested_ ? "ROLLBACK TO part; RELEASE part" : "ROLLBACK");
}

bool Transaction::commit() {
  if (!open_) return false;
  if (execute(db_, nested_ ? "RELEASE part" : "COMMIT")) {
    open_ = false;
    return true;
  }
  return false;  // the destructor rolls back
}

}  // namespace tq::archive
