// View placement in the main window.
#include "ui/view_layout_win32.h"

#include <cstdint>

#include "ui/messages.h"

namespace tq {

int query_status_height(HWND view) {
  std::int32_t height = 0;
  SendMessageA(GetParent(view), MSG_STATUS_HEIGHT, 0, reinterpret_cast<LPARAM>(&height));
  return height;
}

void fill_parent_above_status(HWND view, int status_height) {
  RECT client{};
  GetClientRect(GetParent(view), &client);
  SetWindowPos(view, nullptr, 0, 0, client.right - 1, client.bottom - status_height + 1,
               SWP_NOZORDER | SWP_SHOWWINDOW);
}

void size_list_beside_panel(HWND view, int list_id, int panel_width, int status_height) {
  RECT client{};
  GetClientRect(GetParent(view), &client);
  SetWindowPos(GetDlgItem(view, list_id), nullptr, 0, 0, client.right - panel_width + 1,
               client.bottom - status_height + 1, SWP_NOMOVE | SWP_NOZORDER | SWP_SHOWWINDOW);
}

int control_width(HWND dialog, int control_id) {
  RECT rect{};
  GetWindowRect(GetDlgItem(dialog, control_id), &rect);
  return rect.right - rect.left;
}

}  // namespace tq
