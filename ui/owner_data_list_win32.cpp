// Owner-data lists: the batch that changes the record and the answers to the list.
#include "ui/owner_data_list_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <string_view>

namespace tq {
namespace {

int control_count(HWND list) {
  return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
}

template <class Char>
void copy_cell(std::string_view text, Char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return;
  if constexpr (sizeof(Char) == 1) {
    const auto length = std::min(text.size(), static_cast<std::size_t>(size - 1));
    std::copy_n(text.data(), length, buffer);
    buffer[length] = '\0';
  } else {
    const int written = text.empty()
                            ? 0
                            : MultiByteToWideChar(CP_ACP, 0, text.data(),
                                                  static_cast<int>(text.size()), buffer, size - 1);
    buffer[std::max(written, 0)] = L'\0';
  }
}

template <class DispInfo>
void answer_display_info(const ListRows& rows, DispInfo& info) {
  auto& item = info.item;
  if ((item.mask & LVIF_TEXT) != 0) {
    copy_cell(list_cell(rows, item.iItem, item.iSubItem), item.pszText, item.cchTextMax);
  }
}

LRESULT answer_custom_draw(const ListRows& rows, NMLVCUSTOMDRAW& draw) {
  if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
  if (draw.nmcd.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
  draw.clrText =
      static_cast<COLORREF>(list_row_colour(rows, static_cast<int>(draw.nmcd.dwItemSpec)));
  return CDRF_NEWFONT;
}

template <class Item>
void put_item_data(const ListRows& rows, LPARAM lparam) {
  auto* item = reinterpret_cast<Item*>(lparam);
  if (item != nullptr && (item->mask & LVIF_PARAM) != 0 && item->iSubItem == 0) {
    item->lParam = static_cast<LPARAM>(list_row_colour(rows, item->iItem));
  }
}

constexpr UINT_PTR kItemDataSubclass = 1;

LRESULT CALLBACK item_data_proc(HWND list, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                DWORD_PTR data) {
  if (message == WM_NCDESTROY) RemoveWindowSubclass(list, item_data_proc, id);
  const LRESULT result = DefSubclassProc(list, message, wparam, lparam);
  const auto& rows = *reinterpret_cast<const ListRows*>(data);
  if (message == LVM_GETITEMA && result != FALSE) put_item_data<LVITEMA>(rows, lparam);
  if (message == LVM_GETITEMW && result != FALSE) put_item_data<LVITEMW>(rows, lparam);
  return result;
}

}  // namespace

void keep_owner_data_item_data(HWND dialog, int list_id, const ListRows& rows) {
  const HWND list = GetDlgItem(dialog, list_id);
  if (list == nullptr) return;
  SetWindowSubclass(list, item_data_proc, kItemDataSubclass, reinterpret_cast<DWORD_PTR>(&rows));
}

OwnerDataBatch::OwnerDataBatch(HWND dialog, int list_id, ListRows& rows)
    : list_(GetDlgItem(dialog, list_id)), rows_(rows) {
  if (list_ == nullptr) return;
  const int count = control_count(list_);
  const auto top = SendMessageA(list_, LVM_GETTOPINDEX, 0, 0);
  const auto per_page = SendMessageA(list_, LVM_GETCOUNTPERPAGE, 0, 0);
  follows_ = count == 0 || top + per_page >= count;
}

OwnerDataBatch::~OwnerDataBatch() {
  if (list_ == nullptr || !changed_) return;
  const auto count = static_cast<WPARAM>(rows_.rows.size());
  // Neither the scroll position nor the whole list's drawing follows from a new count:
  // the rows in view are redrawn below, and the end is scrolled to only when followed.
  if (static_cast<int>(count) != control_count(list_)) {
    SendMessageA(list_, LVM_SETITEMCOUNT, count, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
  }
  InvalidateRect(list_, nullptr, FALSE);
  if (last_ >= 0 && follows_) {
    SendMessageA(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(last_), FALSE);
  }
}

void OwnerDataBatch::apply(const ListRow& row) {
  if (list_ == nullptr) return;
  const int index = put_list_row(rows_, row);
  if (index < 0) return;
  changed_ = true;
  last_ = index;
}

void OwnerDataBatch::delete_first_row() {
  if (list_ == nullptr || rows_.rows.empty()) return;
  rows_.rows.pop_front();
  // The control moves its selection and focus up with the rows; it knows only the rows it
  // was told of, so a row added in this batch is not yet among them.
  if (control_count(list_) > 0) SendMessageA(list_, LVM_DELETEITEM, 0, 0);
  changed_ = true;
  if (last_ >= 0) --last_;
}

void OwnerDataBatch::delete_all_rows() {
  if (list_ == nullptr) return;
  rows_.rows.clear();
  SendMessageA(list_, LVM_DELETEALLITEMS, 0, 0);
  changed_ = true;
  last_ = -1;
}

bool answer_owner_data_list(HWND dialog, int list_id, const ListRows& rows, NMHDR& header,
                            bool coloured) {
  if (header.idFrom != static_cast<UINT_PTR>(list_id)) return false;
  LRESULT answer = 0;
  if (header.code == LVN_GETDISPINFOA) {
    answer_display_info(rows, *reinterpret_cast<NMLVDISPINFOA*>(&header));
  } else if (header.code == LVN_GETDISPINFOW) {
    answer_display_info(rows, *reinterpret_cast<NMLVDISPINFOW*>(&header));
  } else if (header.code == NM_CUSTOMDRAW && coloured) {
    answer = answer_custom_draw(rows, *reinterpret_cast<NMLVCUSTOMDRAW*>(&header));
  } else {
    return false;
  }
  SetWindowLongPtrA(dialog, DWLP_MSGRESULT, answer);
  return true;
}

}  // namespace tq
