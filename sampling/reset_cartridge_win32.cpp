// The Reset Cartridge ID dialog's procedure: read the record, edit its ID, write it back.
#include "sampling/reset_cartridge_win32.h"

#include "link/commands.h"
#include "sampling/reset_cartridge.h"
#include "ui/dialog_helpers_win32.h"
#include "ui/dialog_state_win32.h"
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

void on_init(HWND dialog, const WindowContext& context) {
  auto* state = attach_dialog_state(dialog, std::make_unique<ResetCartridgeState>());
  state->context = context;
  if (GetCartridgeId(state->context.connection.get(), &state->record) != kResultOk) {
    // No write is possible without the record: close before the operator can type.
    MessageBoxA(GetWindow(dialog, GW_OWNER), kReadIdFailed, kResetCaption, MB_OK);
    EndDialog(dialog, IDCANCEL);
    return;
  }
  SendDlgItemMessageA(dialog, IDC_CARTRIDGE_ID, EM_LIMITTEXT, kCartridgeIdDigits, 0);
  set_item_text(dialog, IDC_CARTRIDGE_ID, cartridge_id_text(state->record));
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

INT_PTR CALLBACK reset_cartridge_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    on_init(dialog, *context_of(lparam));
    return TRUE;
  }
  const auto* state = dialog_state<ResetCartridgeState>(dialog);
  if (state == nullptr) return FALSE;
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK) on_ok(dialog, *state);
      if (LOWORD(wparam) == IDCANCEL) EndDialog(dialog, IDCANCEL);
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
    case WM_NCDESTROY:
      free_dialog_state<ResetCartridgeState>(dialog);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR open_reset_cartridge_dialog(HWND owner, const WindowContext& context) {
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_RESET_CARTRIDGE), owner,
                         reset_cartridge_proc, as_creation_parameter(context));
}

}  // namespace tq
