// The rows of a list the window draws itself (an owner-data list view): kept in the
// window's own record, so that adding a row costs the same however many are listed.
#pragma once

#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ui/csv_export.h"
#include "ui/dialog_tables.h"
#include "ui/window_face.h"

namespace tq {

struct ListRows {
  struct Row {
    std::vector<std::string> cells;
    std::uint32_t colour = 0;
  };
  std::deque<Row> rows;  // a deque: the diagnostic log drops its oldest row as it goes
};

// Inserts the row at its index (at the end when the index lies beyond it) or rewrites the
// row at its index in place. Returns the row's index, or -1 for a rewrite of a row that
// does not exist.
int put_list_row(ListRows& list, const ListRow& row);

// A cell's text; empty for a cell the row does not have.
[[nodiscard]] std::string_view list_cell(const ListRows& list, int row, int column);
// A row's colour; black for a row that does not exist.
[[nodiscard]] std::uint32_t list_row_colour(const ListRows& list, int row);

// The rows as the CSV export reads them, under the titles of `columns`.
class ListRowsTable final : public CellTable {
 public:
  ListRowsTable(const ListRows& list, std::span<const ListColumn> columns)
      : list_(list), columns_(columns) {}
  [[nodiscard]] std::string column_title(int column) const override;
  [[nodiscard]] int row_count() const override;
  [[nodiscard]] std::string cell(int row, int column) const override;

 private:
  const ListRows& list_;
  std::span<const ListColumn> columns_;
};

}  // namespace tq
