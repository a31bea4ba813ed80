// The stabilization and cleaning dialog's procedure.
#include "config/cleaning_dialog_win32.h"

#include "config/cleaning_dialog.h"
#include "link/commands.h"
#include "ui/dialog_frame_win32.h"
#include "ui/dialog_helpers_win32.h"
#include "ui/resource.h"
#include "ui/window_kit_win32.h"

namespace tq {
namespace {

struct CleaningDialogState {
  WindowContext context;
};

// Shows what the instrument holds; on a failure nothing changes and the ResultCode is
// returned.
int fill_controls(HWND dialog, Connection* connection) {
  CleaningConfig config;
  const int result = GetCleaningConfig(connection, &config);
  if (result == kResultOk) apply_face(dialog, cleaning_face(config));
  return result;
}

CleaningEntries read_entries(HWND dialog) {
  CleaningEntries entries;
  for (std::size_t i = 0; i < kCleaningFields.size(); ++i) {
    entries.texts[i] = window_text(GetDlgItem(dialog, kCleaningFields[i].id));
  }
  entries.through_cartridge = is_checked(dialog, IDC_CLEANING_THROUGH_CARTRIDGE);
  return entries;
}

void on_save(HWND dialog, const CleaningDialogState& state) {
  Connection* connection = state.context.connection.get();
  // Read back after the write, so the dialog shows what the instrument now holds.
  const bool saved =
      SetCleaningConfig(connection, cleaning_for_save(read_entries(dialog))) == kResultOk &&
      fill_controls(dialog, connection) == kResultOk;
  MessageBoxA(dialog, saved ? kCleaningSavedText : kCleaningSaveFailedText, kCleaningSaveCaption,
              MB_OK);
}

bool on_init(HWND dialog, CleaningDialogState& state, LPARAM lparam) {
  state.context = *context_of(lparam);
  if (fill_controls(dialog, state.context.connection.get()) != kResultOk) {
    MessageBoxA(dialog, kCleaningReadFailedText, kCleaningCaption, MB_OK);
    return false;
  }
  return true;
}

INT_PTR on_message(HWND dialog, CleaningDialogState& state, UINT message, WPARAM wparam,
                   LPARAM /*lparam*/) {
  if (message != WM_COMMAND) return FALSE;
  if (LOWORD(wparam) == IDC_CLEANING_SAVE && HIWORD(wparam) == BN_CLICKED) on_save(dialog, state);
  return TRUE;
}

constexpr DialogFrame<CleaningDialogState> kCleaningFrame{on_init, on_message, end_cancelled};

INT_PTR CALLBACK cleaning_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  return run_dialog_frame(kCleaningFrame, dialog, message, wparam, lparam);
}

}  // namespace

INT_PTR open_cleaning_dialog(HWND owner, const WindowContext& context) {
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_STABILIZATION_CLEANING),
                         owner, cleaning_dialog_proc, as_creation_parameter(context));
}

}  // namespace tq
