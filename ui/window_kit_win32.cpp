// Applying what a window's logic decided.
#include "ui/window_kit_win32.h"

#include <commctrl.h>

#include <array>
#include <string>

#include "ui/dialog_helpers_win32.h"

namespace tq {
namespace {

// List cells are read back through a buffer of this size, as the CSV export reads them.
constexpr int kCellBuffer = 256;

std::string cell_text(HWND list, int row, int column) {
  std::array<char, kCellBuffer> text{};
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = text.data();
  item.cchTextMax = kCellBuffer;
  SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return text.data();
}

void set_cell(HWND list, int row, int column, const std::string& text) {
  if (cell_text(list, row, column) == text) return;
  std::string copy = text;
  LVITEMA item{};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.iSubItem = column;
  item.pszText = copy.data();
  SendMessageA(list, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

// First cell and parameter together, as one insertion or one rewrite.
int put_first_cell(HWND list, const ListRow& row) {
  std::string text = row.cells.empty() ? std::string() : row.cells.front();
  LVITEMA item{};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = row.index;
  item.pszText = text.data();
  item.lParam = static_cast<LPARAM>(row.colour);
  if (row.change == ListRow::Change::kInsert) {
    return static_cast<int>(
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  }
  LVITEMA current{};
  current.mask = LVIF_PARAM;
  current.iItem = row.index;
  SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&current));
  if (current.lParam == item.lParam && cell_text(list, row.index, 0) == text) return row.index;
  return SendMessageA(list, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != FALSE ? row.index
                                                                                       : -1;
}

}  // namespace

void set_item_text(HWND dialog, int control_id, std::string_view text) {
  const HWND control = GetDlgItem(dialog, control_id);
  if (control == nullptr) return;
  const std::string wanted(text);
  if (window_text(control) == wanted) return;
  SetWindowTextA(control, wanted.c_str());
}

void apply_texts(HWND dialog, std::span<const ControlText> texts) {
  for (const ControlText& text : texts) set_item_text(dialog, text.id, text.text);
}

void apply_enabled(HWND dialog, std::span<const ControlFlag> enabled) {
  for (const ControlFlag& flag : enabled) {
    const HWND control = GetDlgItem(dialog, flag.id);
    if (control == nullptr || (IsWindowEnabled(control) != FALSE) == flag.on) continue;
    const bool had_focus = GetFocus() == control;
    EnableWindow(control, flag.on ? TRUE : FALSE);
    // A disabled control keeps the focus but takes no keys: pass it to the next tab stop.
    if (had_focus && !flag.on) {
      const HWND next = GetNextDlgTabItem(dialog, control, FALSE);
      if (next != nullptr && next != control) SetFocus(next);
    }
  }
}

void apply_checked(HWND dialog, std::span<const ControlFlag> checked) {
  for (const ControlFlag& flag : checked) {
    if (is_checked(dialog, flag.id) != flag.on) set_checked(dialog, flag.id, flag.on);
  }
}

void apply_face(HWND dialog, const WindowFace& face) {
  apply_texts(dialog, face.texts);
  apply_checked(dialog, face.checked);
  apply_enabled(dialog, face.enabled);
}

void apply_list_row(HWND dialog, int list_id, const ListRow& row) {
  ListRowBatch(dialog, list_id).apply(row);
}

ListRowBatch::ListRowBatch(HWND dialog, int list_id) : list_(GetDlgItem(dialog, list_id)) {
  if (list_ == nullptr) return;
  const auto count = SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0);
  const auto top = SendMessageA(list_, LVM_GETTOPINDEX, 0, 0);
  const auto per_page = SendMessageA(list_, LVM_GETCOUNTPERPAGE, 0, 0);
  follows_ = count == 0 || top + per_page >= count;
}

ListRowBatch::~ListRowBatch() {
  if (list_ == nullptr) return;
  if (held_) {
    SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
  }
  if (last_ >= 0 && follows_) {
    SendMessageA(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(last_), FALSE);
  }
}

void ListRowBatch::hold_drawing() {
  if (++changes_ < 2 || held_) return;
  SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
  held_ = true;
}

void ListRowBatch::apply(const ListRow& row) {
  if (list_ == nullptr) return;
  hold_drawing();
  const int index = put_first_cell(list_, row);
  if (index < 0) return;
  for (std::size_t column = 1; column < row.cells.size(); ++column) {
    set_cell(list_, index, static_cast<int>(column), row.cells[column]);
  }
  last_ = index;
}

void ListRowBatch::delete_all_rows() {
  if (list_ == nullptr) return;
  hold_drawing();
  SendMessageA(list_, LVM_DELETEALLITEMS, 0, 0);
  last_ = -1;
}

void ListRowBatch::delete_first_row() {
  if (list_ == nullptr) return;
  hold_drawing();
  if (SendMessageA(list_, LVM_DELETEITEM, 0, 0) != FALSE && last_ >= 0) --last_;
}

void delete_list_rows(HWND dialog, int list_id) {
  SendDlgItemMessageA(dialog, list_id, LVM_DELETEALLITEMS, 0, 0);
}

void focus_first_tab_stop(HWND dialog) {
  const HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
  if (first != nullptr) SetFocus(first);
}

}  // namespace tq
