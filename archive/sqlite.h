// A thin owner of SQLite's handles: the database and its prepared statements closed by
// their destructors, and binding and reading by column index without casts at each call.
// Failures are returned, never thrown; the message is the database's own.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tq::archive {

struct DatabaseCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using DatabaseHandle = std::unique_ptr<sqlite3, DatabaseCloser>;

class Statement {
 public:
  Statement(sqlite3* db, std::string_view sql);
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  ~Statement();

  [[nodiscard]] bool ok() const { return statement_ != nullptr; }

  Statement& bind(int index, std::int64_t value);
  Statement& bind(int index, double value);
  Statement& bind(int index, std::string_view text);
  Statement& bind(int index, std::span<const std::uint8_t> blob);
  Statement& bind_null(int index);
  template <class T>
  Statement& bind(int index, const std::optional<T>& value) {
    return value ? bind(index, *value) : bind_null(index);
  }

  // One step: true while a row is there; false at the end or on an error (see failed()).
  [[nodiscard]] bool step();
  // Runs the statement to its end; false on an error.
  [[nodiscard]] bool run();
  void reset();
  [[nodiscard]] bool failed() const { return failed_; }

  [[nodiscard]] std::int64_t integer(int column) const;
  [[nodiscard]] double real(int column) const;
  [[nodiscard]] std::string text(int column) const;
  [[nodiscard]] std::vector<std::uint8_t> blob(int column) const;
  [[nodiscard]] bool is_null(int column) const;
  [[nodiscard]] int columns() const;

 private:
  sqlite3_stmt* statement_ = nullptr;
  bool failed_ = false;
};

// Runs SQL without results (several statements allowed); false on an error.
[[nodiscard]] bool execute(sqlite3* db, std::string_view sql);

// The database's last error message.
[[nodiscard]] std::string last_error(sqlite3* db);

// A transaction that rolls back unless committed; nested in an open one, a savepoint.
class Transaction {
 public:
  explicit Transaction(sqlite3* db);
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  ~Transaction();
  [[nodiscard]] bool ok() const { return open_; }
  [[nodiscard]] bool commit();

 private:
  sqlite3* db_;
  bool nested_;
  bool open_;
};

}  // namespace tq::archive
