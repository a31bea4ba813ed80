// The Reset Cartridge ID dialog's procedure: read the record, edit its ID, write it back.
#include "sampling/reset_cartridge_win32.h"

#include "link/commands.h"
#include "sampling/reset_cartridge.h"
#include "ui/dialog_frame_win32.h"
#include "ui/dialog_helpers_win32.h"
#include "ui/paint_win32.h"
#include "ui/resource.h"
#include "ui/window_kit_win32.h"

namespace tq {
namespace {

struct ResetCartridgeState {
  WindowContext context;
  CartridgeRecord record;  // as read, sent back with only the ID replaced
};

bool entry_valid(HWND dialog) {
  return parse_cartridge_id(window_text(GetDlgItem(dialog, IDC_CARTRIDGE_ID))).has_value();
}

bool on_init(HWND dialog, ResetCartridgeState& state, LPARAM lparam) {
  state.context = *context_of(lparam);
  if (GetCartridgeId(state.context.connection.get(), &state.record) != kResultOk) {
    // No write is possible without the record: close before the operator can type.
    MessageBoxA(GetWindow(dialog, GW_OWNER), kReadIdFailed, kResetCaption, MB_OK);
    return false;
  }
  SendDlgItemMessageA(dialog, IDC_CARTRIDGE_ID, EM_LIMITTEXT, kCartridgeIdDigits, 0);
  set_item_text(dialog, IDC_CARTRIDGE_ID, cartridge_id_text(state.record));
  return true;
}

void on_ok(HWND dialog, const ResetCartridgeState& state) {
  const auto id = parse_cartridge_id(window_text(GetDlgItem(dialog, IDC_CARTRIDGE_ID)));
  if (!id) {
    MessageBoxA(dialog, kIdTooLarge, kResetCaption, MB_OK);
    const HWND edit = GetDlgItem(dialog, IDC_CARTRIDGE_ID);
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    return;
  }
  if (SetCartridgeId(state.context.connection.get(), with_cartridge_id(state.record, *id)) !=
      kResultOk) {
    MessageBoxA(dialog, kResetIdFailed, kResetCaption, MB_OK);
  }
  EndDialog(dialog, IDOK);
}

INT_PTR on_message(HWND dialog, ResetCartridgeState& state, UINT message, WPARAM wparam,
                   LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK) on_ok(dialog, state);
      // Redrawn on every change, so an ID out of range turns red as it is typed.
      if (LOWORD(wparam) == IDC_CARTRIDGE_ID && HIWORD(wparam) == EN_CHANGE) {
        InvalidateRect(GetDlgItem(dialog, IDC_CARTRIDGE_ID), nullptr, TRUE);
      }
      return TRUE;
    case WM_CTLCOLOREDIT:
      if (reinterpret_cast<HWND>(lparam) == GetDlgItem(dialog, IDC_CARTRIDGE_ID) &&
          !entry_valid(dialog)) {
        return reinterpret_cast<INT_PTR>(paint_invalid_edit(reinterpret_cast<HDC>(wparam)));
      }
      return FALSE;
    default:
      return FALSE;
  }
}

constexpr DialogFrame<ResetCartridgeState> kResetCartridgeFrame{on_init, on_message, end_cancelled};

INT_PTR CALLBACK reset_cartridge_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  return run_dialog_frame(kResetCartridgeFrame, dialog, message, wparam, lparam);
}

}  // namespace

INT_PTR open_reset_cartridge_dialog(HWND owner, const WindowContext& context) {
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_RESET_CARTRIDGE), owner,
                         reset_cartridge_proc, as_creation_parameter(context));
}

}  // namespace tq
