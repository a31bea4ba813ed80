// The Connect view's dialog procedure: port list, preselection and Connect.
#include "app/connect_view_win32.h"

#include <string>

#include "app/connect_view.h"
#include "link/connection.h"
#include "ui/connection_message_win32.h"
#include "ui/dialog_frame_win32.h"
#include "ui/dialog_helpers_win32.h"
#include "ui/resource.h"
#include "ui/view_layout_win32.h"
#include "ui/window_kit_win32.h"

namespace tq {
namespace {

struct ConnectViewState {
  WindowContext context;
  int status_height = 0;
};

void fill_port_list(HWND view, const ConnectViewState& state) {
  const std::vector<std::string> ports = state.context.ports->list_ports();
  fill_combo(view, IDC_PORT_LIST, ports);
  const int index = preselect_port_index(ports, settings_read_port_name(*state.context.settings));
  if (!ports.empty()) {
    SendDlgItemMessageA(view, IDC_PORT_LIST, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
}

std::string selected_port(HWND view) {
  auto index = SendDlgItemMessageA(view, IDC_PORT_LIST, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) index = 0;
  const auto length =
      SendDlgItemMessageA(view, IDC_PORT_LIST, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR || length < 0) return {};
  std::string name(static_cast<std::size_t>(length) + 1, '\0');
  SendDlgItemMessageA(view, IDC_PORT_LIST, CB_GETLBTEXT, static_cast<WPARAM>(index),
                      reinterpret_cast<LPARAM>(name.data()));
  name.resize(name.find('\0'));
  // Every port name is handled in 20 bytes.
  if (name.size() >= kPortNameBytes) name.resize(kPortNameBytes - 1);
  return name;
}

void on_connect(HWND view, const ConnectViewState& state) {
  if (SendDlgItemMessageA(view, IDC_PORT_LIST, CB_GETCOUNT, 0, 0) <= 0) {
    MessageBoxA(view, kNoPortsText, kConnectCaption, MB_OK);
    return;
  }
  const std::string port = selected_port(view);
  // Remembered before opening, so a port that fails is still preselected next time.
  settings_write_port_name(*state.context.settings, port);
  ConnectionRef connection = CreateConnection(view, port);
  if (!connection) {
    message_box_f(view, kConnectCaption, MB_OK, kCantConnectFormat, port.c_str());
    return;
  }
  post_connected(GetParent(view), std::move(connection));
}

bool on_init(HWND view, ConnectViewState& state, LPARAM lparam) {
  state.context = *context_of(lparam);
  state.status_height = query_status_height(view);
  fill_parent_above_status(view, state.status_height);
  fill_port_list(view, state);
  return true;
}

INT_PTR on_message(HWND view, ConnectViewState& state, UINT message, WPARAM wparam,
                   LPARAM /*lparam*/) {
  switch (message) {
    case WM_SIZE:
      fill_parent_above_status(view, state.status_height);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wparam) == IDC_CONNECT) on_connect(view, state);
      return TRUE;
    default:
      return FALSE;
  }
}

constexpr DialogFrame<ConnectViewState> kConnectViewFrame{on_init, on_message};

INT_PTR CALLBACK connect_view_proc(HWND view, UINT message, WPARAM wparam, LPARAM lparam) {
  return run_dialog_frame(kConnectViewFrame, view, message, wparam, lparam);
}

}  // namespace

HWND create_connect_view(HWND main_window, const WindowContext& context) {
  return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_CONNECT_VIEW),
                            main_window, connect_view_proc, as_creation_parameter(context));
}

}  // namespace tq
