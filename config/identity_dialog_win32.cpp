// The device identification dialog's procedure.
#include "config/identity_dialog_win32.h"

#include "config/identity_dialog.h"
#include "link/commands.h"
#include "ui/dialog_frame_win32.h"
#include "ui/dialog_helpers_win32.h"
#include "ui/paint_win32.h"
#include "ui/resource.h"
#include "ui/window_kit_win32.h"

namespace tq {
namespace {

struct IdentityDialogState {
  WindowContext context;
};

IdentityCheck check_entries(HWND dialog) {
  return check_identity_entries(window_text(GetDlgItem(dialog, IDC_IDENTITY_NAME)),
                                window_text(GetDlgItem(dialog, IDC_IDENTITY_SERIAL)));
}

void refresh_save(HWND dialog) {
  const ControlFlag save{IDC_IDENTITY_SAVE, check_entries(dialog).save_enabled};
  apply_enabled(dialog, {&save, 1});
}

// Red text for an entry out of range; null lets the edit paint as usual.
HBRUSH edit_colour(HWND dialog, HWND edit, HDC dc) {
  const IdentityCheck check = check_entries(dialog);
  const int id = GetDlgCtrlID(edit);
  const bool invalid = (id == IDC_IDENTITY_NAME && check.name_invalid) ||
                       (id == IDC_IDENTITY_SERIAL && check.serial_invalid);
  return invalid ? paint_invalid_edit(dc) : nullptr;
}

void on_edit_changed(HWND dialog, int id) {
  refresh_save(dialog);
  // The whole text changes colour, not only the part the edit redraws for the keystroke.
  InvalidateRect(GetDlgItem(dialog, id), nullptr, TRUE);
}

void on_save(HWND dialog, const IdentityDialogState& state) {
  // Enter reaches here too; entries out of range are never written.
  if (!check_entries(dialog).save_enabled) return;
  const IdentitySaveOutcome outcome = save_identity(
      state.context.connection.get(), window_text(GetDlgItem(dialog, IDC_IDENTITY_NAME)),
      window_text(GetDlgItem(dialog, IDC_IDENTITY_SERIAL)));
  if (outcome.reread) apply_face(dialog, identity_face(*outcome.reread));
  MessageBoxA(dialog, outcome.message, kIdentitySaveCaption, MB_OK);
  EndDialog(dialog, IDC_IDENTITY_SAVE);
}

bool on_init(HWND dialog, IdentityDialogState& state, LPARAM lparam) {
  state.context = *context_of(lparam);
  IdentityRecord record;
  if (GetIdentity(state.context.connection.get(), &record) != kResultOk) {
    MessageBoxA(dialog, kIdentityReadFailedText, kIdentityCaption, MB_OK);
    return false;
  }
  apply_face(dialog, identity_face(record));
  add_tooltip(IDC_IDENTITY_NAME, dialog, kIdentityNameTooltip);
  add_tooltip(IDC_IDENTITY_SERIAL, dialog, kIdentitySerialTooltip);
  refresh_save(dialog);
  return true;
}

void on_command(HWND dialog, const IdentityDialogState& state, int id, int notification) {
  if ((id == IDC_IDENTITY_NAME || id == IDC_IDENTITY_SERIAL) && notification == EN_CHANGE) {
    on_edit_changed(dialog, id);
  } else if (id == IDC_IDENTITY_SAVE && notification == BN_CLICKED) {
    on_save(dialog, state);
  }
}

INT_PTR on_message(HWND dialog, IdentityDialogState& state, UINT message, WPARAM wparam,
                   LPARAM lparam) {
  switch (message) {
    case WM_CTLCOLOREDIT:
      return reinterpret_cast<INT_PTR>(
          edit_colour(dialog, reinterpret_cast<HWND>(lparam), reinterpret_cast<HDC>(wparam)));
    case WM_COMMAND:
      on_command(dialog, state, LOWORD(wparam), HIWORD(wparam));
      return TRUE;
    default:
      return FALSE;
  }
}

constexpr DialogFrame<IdentityDialogState> kIdentityFrame{on_init, on_message, end_cancelled};

INT_PTR CALLBACK identity_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  return run_dialog_frame(kIdentityFrame, dialog, message, wparam, lparam);
}

}  // namespace

INT_PTR open_identity_dialog(HWND owner, const WindowContext& context) {
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_DEVICE_IDENTIFICATION),
                         owner, identity_dialog_proc, as_creation_parameter(context));
}

}  // namespace tq
