// The main window's dialog procedure: view swapping, the Connection, the menu rule and
// the identity shown in the title and status bar.
#include "shell/main_window_win32.h"

#include <commctrl.h>

#include <array>
#include <cstdint>

#include "diagnostics/diagnostics_view_win32.h"
#include "link/commands.h"
#include "link/connection.h"
#include "sampling/run_view_win32.h"
#include "shell/connect_view_win32.h"
#include "shell/connection_message_win32.h"
#include "shell/dialog_helpers_win32.h"
#include "shell/dialog_state_win32.h"
#include "shell/main_window.h"
#include "shell/messages.h"
#include "shell/modal_dialogs_win32.h"
#include "shell/resource.h"

namespace tq {
namespace {

constexpr int kStatusPart0Right = 420;

struct MainWindowState {
  HMENU menu = nullptr;
  HWND status_bar = nullptr;
  HWND view = nullptr;
  int view_id = 0;
  ConnectionRef connection;  // null while not connected
};

void apply_menu_rule(const MainWindowState& state, int view_id, int running) {
  for (const MenuItemState& item : menu_rule(view_id, running)) {
    const UINT flags = item.enabled ? MF_ENABLED : MF_GRAYED;
    EnableMenuItem(state.menu, static_cast<UINT>(item.id), MF_BYCOMMAND | flags);
  }
}

void show_identity(HWND window, const MainWindowState& state, const IdentityTexts& texts) {
  SetWindowTextA(window, texts.title.c_str());
  set_status_text_f(state.status_bar, 0, "%s", texts.status_connection.c_str());
  set_status_text_f(state.status_bar, 1, "%s", texts.status_extra.c_str());
}

void refresh_identity(HWND window, const MainWindowState& state) {
  if (!state.connection) {
    show_identity(window, state, not_connected_identity_texts());
    return;
  }
  IdentityRecord identity;
  if (GetIdentity(state.connection.get(), &identity) != kResultOk) return;
  std::uint16_t device_type = 0;
  if (GetDeviceType(state.connection.get(), &device_type) != kResultOk) return;
  show_identity(window, state, connected_identity_texts(identity, device_type));
}

void destroy_view(MainWindowState& state) {
  // The view stops whatever polls the Connection before it goes.
  if (state.view != nullptr) DestroyWindow(state.view);
  state.view = nullptr;
  state.view_id = 0;
}

// Replaces the current view by a new one; the old one is destroyed first.
void show_view(HWND window, MainWindowState& state, int view_id) {
  destroy_view(state);
  switch (view_id) {
    case IDD_RUN_VIEW:
      state.view = create_run_view(window, state.connection);
      break;
    case IDD_DIAGNOSTICS_VIEW:
      state.view = create_diagnostics_view(window, state.connection);
      break;
    default:
      state.view = create_connect_view(window);
      view_id = IDD_CONNECT_VIEW;
      break;
  }
  state.view_id = view_id;
  // Connect view: not connected. Other views: busy until they report the real state.
  apply_menu_rule(state, view_id, view_id == IDD_CONNECT_VIEW ? 0 : 1);
}

// Shared icons: the system keeps them, nobody destroys them.
void set_icon(HWND window, int which, int width_metric, int height_metric) {
  const HANDLE icon =
      LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON,
                 GetSystemMetrics(width_metric), GetSystemMetrics(height_metric), LR_SHARED);
  SendMessageA(window, WM_SETICON, static_cast<WPARAM>(which), reinterpret_cast<LPARAM>(icon));
}

void on_init(HWND window) {
  auto* state = attach_dialog_state(window, std::make_unique<MainWindowState>());
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  state->menu = LoadMenuA(instance, MAKEINTRESOURCEA(IDR_MAIN_MENU));
  SetMenu(window, state->menu);

  state->status_bar = CreateStatusWindowA(WS_CHILD | WS_VISIBLE, "", window, IDC_STATUS_BAR);
  std::array<int, 2> parts = {kStatusPart0Right, -1};
  SendMessageA(state->status_bar, SB_SETPARTS, parts.size(),
               reinterpret_cast<LPARAM>(parts.data()));

  set_icon(window, ICON_SMALL, SM_CXSMICON, SM_CYSMICON);
  set_icon(window, ICON_BIG, SM_CXICON, SM_CYICON);

  refresh_identity(window, *state);
  show_view(window, *state, IDD_CONNECT_VIEW);
}

void on_connected(HWND window, MainWindowState& state, ConnectionRef connection) {
  if (!connection) return;
  destroy_view(state);
  state.connection = std::move(connection);
  refresh_identity(window, state);
  show_view(window, state, IDD_RUN_VIEW);
}

void on_command(HWND window, MainWindowState& state, WPARAM wparam, LPARAM lparam) {
  const MainCommand command = main_command(LOWORD(wparam));
  switch (command.action) {
    case MainAction::kClose:
      DestroyWindow(window);
      break;
    case MainAction::kDisconnect:
      destroy_view(state);
      state.connection = CloseConnection(std::move(state.connection));
      refresh_identity(window, state);
      show_view(window, state, IDD_CONNECT_VIEW);
      break;
    case MainAction::kForwardToView:
      if (state.view != nullptr) SendMessageA(state.view, WM_COMMAND, wparam, lparam);
      break;
    case MainAction::kShowView:
      show_view(window, state, command.template_id);
      break;
    case MainAction::kModalDialog:
      open_modal_dialog(command.template_id, window, state.connection);
      break;
    case MainAction::kNothing:
      break;
  }
}

INT_PTR CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    on_init(window);
    return TRUE;
  }
  MainWindowState* state = dialog_state<MainWindowState>(window);
  if (state == nullptr) return FALSE;
  switch (message) {
    case WM_SIZE:
      SendMessageA(state->status_bar, WM_SIZE, wparam, lparam);
      if (state->view != nullptr) SendMessageA(state->view, WM_SIZE, wparam, lparam);
      return TRUE;
    case WM_COMMAND:
      on_command(window, *state, wparam, lparam);
      return TRUE;
    case MSG_STATUS_HEIGHT: {
      // A dialog's DM_SETDEFID has the same number and carries no address.
      if (lparam == 0) return TRUE;
      RECT rect{};
      GetWindowRect(state->status_bar, &rect);
      *reinterpret_cast<std::int32_t*>(lparam) = rect.bottom - rect.top + 1;
      return TRUE;
    }
    case MSG_VIEW_STATE:
      // A view that has already been replaced may still have a report in the queue; only
      // the view on show decides the menu.
      if (static_cast<int>(wparam) == state->view_id && state->view_id != IDD_CONNECT_VIEW) {
        apply_menu_rule(*state, state->view_id, static_cast<int>(lparam));
      }
      return TRUE;
    case MSG_CONNECTED:
      on_connected(window, *state, adopt_connected(lparam));
      return TRUE;
    case WM_DESTROY:
      destroy_view(*state);
      state->connection = CloseConnection(std::move(state->connection));
      discard_pending_connected(window);
      PostQuitMessage(0);
      return FALSE;
    case WM_NCDESTROY:
      free_dialog_state<MainWindowState>(window);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

HWND create_main_window(HINSTANCE instance) {
  return CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, main_window_proc, 0);
}

bool handle_main_window_message(HWND main_window, HACCEL accelerators, MSG& message) {
  if (accelerators != nullptr && TranslateAcceleratorA(main_window, accelerators, &message)) {
    return true;
  }
  return IsDialogMessageA(main_window, &message) != FALSE;
}

int run_message_loop(HWND main_window, HACCEL accelerators) {
  MSG message{};
  for (;;) {
    const BOOL result = GetMessageA(&message, nullptr, 0, 0);
    if (result == -1) return -1;
    if (result == 0) return static_cast<int>(message.wParam);
    if (handle_main_window_message(main_window, accelerators, message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

}  // namespace tq
