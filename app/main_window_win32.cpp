// The main window's dialog procedure: view swapping, the Connection, the menu rule and
// the identity shown in the title and status bar.
#include "app/main_window_win32.h"

#include <commctrl.h>

#include <array>
#include <cstdint>
#include <optional>

#include "app/main_window.h"
#include "app/window_registry_win32.h"
#include "app/window_table.h"
#include "link/commands.h"
#include "link/connection.h"
#include "link/serial_ports_win32.h"
#include "ui/connection_message_win32.h"
#include "ui/dialog_frame_win32.h"
#include "ui/dialog_helpers_win32.h"
#include "ui/messages.h"
#include "ui/resource.h"
#include "ui/settings_store_win32.h"
#include "ui/window_kit_win32.h"

namespace tq {
namespace {

constexpr int kStatusPart0Right = 420;

struct MainWindowState {
  MainWindowServices services;
  SessionMemory session;
  // What every window receives; `connection` is the current one, null while not connected.
  WindowContext context;
  HMENU menu = nullptr;
  HWND status_bar = nullptr;
  HWND view = nullptr;
  int view_id = 0;
  IdentityTexts identity = not_connected_identity_texts();  // as last shown
  std::optional<std::uint16_t> serial_number;               // of the unit last shown
  bool link_lost = false;                                   // the status bar says so
};

void apply_menu_rule(const MainWindowState& state, int view_id, int running) {
  for (const ControlFlag& item : menu_rule(view_id, running)) {
    const UINT flags = item.on ? MF_ENABLED : MF_GRAYED;
    EnableMenuItem(state.menu, static_cast<UINT>(item.id), MF_BYCOMMAND | flags);
  }
}

void show_identity(HWND window, MainWindowState& state, const IdentityTexts& texts) {
  SetWindowTextA(window, texts.title.c_str());
  set_status_text_f(state.status_bar, 0, "%s", texts.status_connection.c_str());
  set_status_text_f(state.status_bar, 1, "%s", texts.status_extra.c_str());
  state.identity = texts;
  state.link_lost = false;
}

// False, with title and status bar unchanged, when the instrument did not tell.
bool refresh_identity(HWND window, MainWindowState& state) {
  Connection* connection = state.context.connection.get();
  if (connection == nullptr) {
    show_identity(window, state, not_connected_identity_texts());
    state.serial_number.reset();
    return true;
  }
  IdentityRecord identity;
  if (GetIdentity(connection, &identity) != kResultOk) return false;
  std::uint16_t device_type = 0;
  if (GetDeviceType(connection, &device_type) != kResultOk) return false;
  show_identity(window, state, connected_identity_texts(identity, device_type));
  state.serial_number = identity.serial_number;
  return true;
}

void destroy_view(HWND window, MainWindowState& state) {
  // The view stops whatever polls the Connection before it goes.
  if (state.view != nullptr) DestroyWindow(state.view);
  state.view = nullptr;
  state.view_id = 0;
  // Whatever state reports are still queued came from the view just destroyed: the next
  // view, even of the same kind, must not take them for its own.
  MSG report{};
  while (PeekMessageA(&report, window, MSG_VIEW_STATE, MSG_VIEW_STATE, PM_REMOVE)) {
  }
  while (PeekMessageA(&report, window, MSG_LINK_STATE, MSG_LINK_STATE, PM_REMOVE)) {
  }
}

// Replaces the current view by a new one; the old one is destroyed first. The new view
// gets the keyboard focus, so the keys work at once.
void show_view(HWND window, MainWindowState& state, int view_id) {
  destroy_view(window, state);
  // The new view's routine says again if the link is still lost.
  if (state.link_lost) show_identity(window, state, state.identity);
  const WindowFactory* factory = find_window_factory(view_id);
  if (factory == nullptr || factory->create_view == nullptr) return;
  state.view = factory->create_view(window, state.context);
  state.view_id = view_id;
  if (state.view != nullptr) {
    // The view's child id is its view id, for whoever needs to tell views apart.
    SetWindowLongPtrA(state.view, GWLP_ID, view_id);
    focus_first_tab_stop(state.view);
  }
  // Connect view: not connected. Other views: busy until they report the real state.
  apply_menu_rule(state, view_id, view_id == IDD_CONNECT_VIEW ? 0 : 1);
}

// For a view that does not confirm the instrument itself: another serial number on the port
// is a new connection, shown in a new view, with nothing of the unit that went.
void on_reopened(HWND window, MainWindowState& state) {
  IdentityRecord identity;
  if (GetIdentity(state.context.connection.get(), &identity) != kResultOk) return;
  if (state.serial_number && *state.serial_number == identity.serial_number) return;
  refresh_identity(window, state);
  show_view(window, state, state.view_id);
}

// The status bar follows the link as the view on show learns of it; another instrument on
// the port is a new connection, whose identity the title and status bar then show.
void on_link_state(HWND window, MainWindowState& state, LinkState link) {
  if (state.context.connection == nullptr) return;
  switch (link) {
    case LinkState::kLost:
      set_status_text_f(state.status_bar, 0, "%s",
                        link_lost_status(state.context.connection->port_name).c_str());
      state.link_lost = true;
      break;
    case LinkState::kAnswering:
      // Read again (the unit may have been renamed meanwhile); else as it was.
      if (state.link_lost && !refresh_identity(window, state)) {
        show_identity(window, state, state.identity);
      }
      break;
    case LinkState::kOtherInstrument:
      refresh_identity(window, state);
      break;
    case LinkState::kReopened:
      on_reopened(window, state);
      break;
  }
}

void open_modal_dialog(HWND window, const MainWindowState& state, int template_id) {
  const WindowFactory* factory = find_window_factory(template_id);
  if (factory == nullptr || factory->open_dialog == nullptr) return;
  const WindowContext context = state.context;  // the state goes if the window is closed
  static_cast<void>(factory->open_dialog(window, context));
  // A name saved in the identification dialog shows in the title and status bar at once.
  if (template_id != IDD_DEVICE_IDENTIFICATION) return;
  if (MainWindowState* after = state_after_modal<MainWindowState>(window)) {
    refresh_identity(window, *after);
  }
}

// Shared icons: the system keeps them, nobody destroys them.
void set_icon(HWND window, int which, int width_metric, int height_metric) {
  const HANDLE icon =
      LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON,
                 GetSystemMetrics(width_metric), GetSystemMetrics(height_metric), LR_SHARED);
  SendMessageA(window, WM_SETICON, static_cast<WPARAM>(which), reinterpret_cast<LPARAM>(icon));
}

bool on_init(HWND window, MainWindowState& state, LPARAM lparam) {
  if (auto* services = reinterpret_cast<MainWindowServices*>(lparam)) {
    state.services = std::move(*services);
  }
  if (!state.services.settings) state.services = registry_services();
  state.context.settings = state.services.settings.get();
  state.context.ports = state.services.ports.get();
  state.context.session = &state.session;
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  state.menu = LoadMenuA(instance, MAKEINTRESOURCEA(IDR_MAIN_MENU));
  SetMenu(window, state.menu);

  state.status_bar = CreateStatusWindowA(WS_CHILD | WS_VISIBLE, "", window, IDC_STATUS_BAR);
  std::array<int, 2> parts = {kStatusPart0Right, -1};
  SendMessageA(state.status_bar, SB_SETPARTS, parts.size(), reinterpret_cast<LPARAM>(parts.data()));

  set_icon(window, ICON_SMALL, SM_CXSMICON, SM_CYSMICON);
  set_icon(window, ICON_BIG, SM_CXICON, SM_CYICON);

  refresh_identity(window, state);
  show_view(window, state, IDD_CONNECT_VIEW);
  return true;
}

void on_connected(HWND window, MainWindowState& state, ConnectionRef connection) {
  if (!connection) return;
  destroy_view(window, state);
  state.context.connection = std::move(connection);
  state.serial_number.reset();
  refresh_identity(window, state);
  show_view(window, state, IDD_RUN_VIEW);
}

void on_command(HWND window, MainWindowState& state, WPARAM wparam, LPARAM lparam) {
  // The dialog manager sends the main window the commands of keys pressed anywhere inside
  // it (Enter on the view's default button, an access key): they belong to the view.
  const auto control = reinterpret_cast<HWND>(lparam);
  if (control != nullptr && state.view != nullptr && IsChild(state.view, control)) {
    SendMessageA(state.view, WM_COMMAND, wparam, lparam);
    return;
  }
  const MainCommand command = main_command(LOWORD(wparam));
  switch (command.action) {
    case MainAction::kClose:
      DestroyWindow(window);
      break;
    case MainAction::kDisconnect:
      destroy_view(window, state);
      state.context.connection = CloseConnection(std::move(state.context.connection));
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
      open_modal_dialog(window, state, command.template_id);
      break;
    case MainAction::kNothing:
      break;
  }
}

// Each view asks as it is made, the first one while this window is still being made, so
// the answer comes from the status bar itself rather than the state.
INT_PTR answer_status_height(HWND window, LPARAM lparam) {
  RECT rect{};
  GetWindowRect(GetDlgItem(window, IDC_STATUS_BAR), &rect);
  *reinterpret_cast<std::int32_t*>(lparam) = rect.bottom - rect.top + 1;
  return TRUE;
}

INT_PTR on_message(HWND window, MainWindowState& state, UINT message, WPARAM wparam,
                   LPARAM lparam) {
  switch (message) {
    case WM_SIZE:
      SendMessageA(state.status_bar, WM_SIZE, wparam, lparam);
      if (state.view != nullptr) SendMessageA(state.view, WM_SIZE, wparam, lparam);
      return TRUE;
    case WM_COMMAND:
      on_command(window, state, wparam, lparam);
      return TRUE;
    case DM_GETDEFID:
      // Enter pressed anywhere in the window presses the view's default button.
      if (state.view == nullptr) return FALSE;
      SetWindowLongPtrA(window, DWLP_MSGRESULT, SendMessageA(state.view, DM_GETDEFID, 0, 0));
      return TRUE;
    case MSG_STATUS_HEIGHT:
      // A dialog's DM_SETDEFID has the same number and carries no address.
      return TRUE;
    case MSG_VIEW_STATE:
      // A view that has already been replaced may still have a report in the queue; only
      // the view on show decides the menu.
      if (static_cast<int>(wparam) == state.view_id && state.view_id != IDD_CONNECT_VIEW) {
        apply_menu_rule(state, state.view_id, static_cast<int>(lparam));
      }
      return TRUE;
    case MSG_CONNECTED:
      on_connected(window, state, adopt_connected(lparam));
      return TRUE;
    case MSG_LINK_STATE:
      if (state.view_id == IDD_RUN_VIEW || state.view_id == IDD_DIAGNOSTICS_VIEW) {
        on_link_state(window, state, static_cast<LinkState>(static_cast<int>(wparam)));
      }
      return TRUE;
    case WM_ENDSESSION:
      // The session ends: close as Exit does (owned dialogs leave first, the Connection
      // closes last), before the process is ended.
      if (wparam != FALSE) DestroyWindow(window);
      return TRUE;
    case WM_DESTROY:
      destroy_view(window, state);
      state.context.connection = CloseConnection(std::move(state.context.connection));
      discard_pending_connected(window);
      PostQuitMessage(0);
      return FALSE;
    default:
      return FALSE;
  }
}

constexpr DialogFrame<MainWindowState> kMainWindowFrame{on_init, on_message};

INT_PTR CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == MSG_STATUS_HEIGHT && lparam != 0) return answer_status_height(window, lparam);
  return run_dialog_frame(kMainWindowFrame, window, message, wparam, lparam);
}

}  // namespace

MainWindowServices registry_services() {
  MainWindowServices services;
  services.settings = std::make_unique<RegistrySettingsStore>();
  services.ports = std::make_unique<RegistryPortLister>();
  return services;
}

HWND create_main_window(HINSTANCE instance, MainWindowServices services) {
  return CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, main_window_proc,
                            reinterpret_cast<LPARAM>(&services));
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
