// Reads a list view as another program would, with the ordinary list-view messages.
#pragma once

// windows.h must come before every other Windows header.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <array>
#include <string>

namespace tq::test {

inline std::string list_cell_text(HWND list, int row, int column) {
  std::array<char, 300> text{};
  LVITEMA request{};
  request.iSubItem = column;
  request.pszText = text.data();
  request.cchTextMax = static_cast<int>(text.size());
  SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row),
               reinterpret_cast<LPARAM>(&request));
  return text.data();
}

// The row's item data: the colour the program keeps with it.
inline LPARAM list_item_data(HWND list, int row) {
  LVITEMA request{};
  request.mask = LVIF_PARAM;
  request.iItem = row;
  SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&request));
  return request.lParam;
}

}  // namespace tq::test
