// Lists whose rows the window keeps itself (LVS_OWNERDATA): the list control holds only
// a row count and a selection, asks for the cells it draws (LVN_GETDISPINFO) and their
// colours by row index (custom draw). A batch of new rows costs the same however many the
// list already shows, where a list that stores its items pays for every one it holds.
//
// User-interface thread only.
#pragma once

#include <windows.h>

#include "ui/list_rows.h"
#include "ui/window_face.h"

namespace tq {

// Rows that arrive together: the record changes at once, the list learns its new count
// and redraws when the batch ends, and the last row put is scrolled fully into view then.
//
// The list follows its newest row as a terminal follows its output: only while the operator
// has not scrolled away from the end. A list whose last row was out of view when the batch
// began stays where it is, so older rows can be read while new ones arrive.
class OwnerDataBatch {
 public:
  OwnerDataBatch(HWND dialog, int list_id, ListRows& rows);
  ~OwnerDataBatch();
  OwnerDataBatch(const OwnerDataBatch&) = delete;
  OwnerDataBatch& operator=(const OwnerDataBatch&) = delete;

  void apply(const ListRow& row);  // a row that cannot be put is left out
  void delete_first_row();         // the oldest row, as a window that keeps a fixed number does
  void delete_all_rows();

 private:
  HWND list_ = nullptr;
  ListRows& rows_;
  int last_ = -1;  // the row to scroll into view
  bool changed_ = false;
  bool follows_ = true;  // the list's end was in view when the batch began
};

// Lets the list answer for each row's item data (LVM_GETITEM with LVIF_PARAM: the row's
// colour) as a list that stores its items does; an owner-data list does not ask its
// owner for it. `rows` must outlive the list, as a dialog's state record does its
// controls.
void keep_owner_data_item_data(HWND dialog, int list_id, const ListRows& rows);

// Answers the list's requests for cell texts, item data (the row's colour) and colours
// (custom draw, when `coloured`) from the record. True when `header` was such a request
// from `list_id`; the answer is then set as the dialog's message result.
bool answer_owner_data_list(HWND dialog, int list_id, const ListRows& rows, NMHDR& header,
                            bool coloured);

}  // namespace tq
