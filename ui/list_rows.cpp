// Rows kept for an owner-data list.
#include "ui/list_rows.h"

namespace tq {
namespace {

bool has_row(const ListRows& list, int row) {
  return row >= 0 && static_cast<std::size_t>(row) < list.rows.size();
}

}  // namespace

int put_list_row(ListRows& list, const ListRow& row) {
  ListRows::Row stored{row.cells, row.colour};
  if (row.change == ListRow::Change::kRewrite) {
    if (!has_row(list, row.index)) return -1;
    list.rows[static_cast<std::size_t>(row.index)] = std::move(stored);
    return row.index;
  }
  if (row.index < 0 || !has_row(list, row.index)) {
    list.rows.push_back(std::move(stored));
    return static_cast<int>(list.rows.size()) - 1;
  }
  list.rows.insert(list.rows.begin() + row.index, std::move(stored));
  return row.index;
}

std::string_view list_cell(const ListRows& list, int row, int column) {
  if (!has_row(list, row) || column < 0) return {};
  const auto& cells = list.rows[static_cast<std::size_t>(row)].cells;
  if (static_cast<std::size_t>(column) >= cells.size()) return {};
  return cells[static_cast<std::size_t>(column)];
}

std::uint32_t list_row_colour(const ListRows& list, int row) {
  return has_row(list, row) ? list.rows[static_cast<std::size_t>(row)].colour : 0;
}

std::string ListRowsTable::column_title(int column) const {
  if (column < 0 || static_cast<std::size_t>(column) >= columns_.size()) return {};
  return columns_[static_cast<std::size_t>(column)].title;
}

int ListRowsTable::row_count() const { return static_cast<int>(list_.rows.size()); }

std::string ListRowsTable::cell(int row, int column) const {
  return std::string(list_cell(list_, row, column));
}

}  // namespace tq
