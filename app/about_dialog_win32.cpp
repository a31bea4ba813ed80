// The About dialog's procedure.
#include "app/about_dialog_win32.h"

#include "app/about_dialog.h"
#include "link/commands.h"
#include "ui/dialog_frame_win32.h"
#include "ui/dialog_helpers_win32.h"
#include "ui/resource.h"
#include "ui/window_kit_win32.h"

namespace tq {
namespace {

void fill_texts(HWND dialog, Connection* connection) {
  std::optional<std::uint16_t> device_type;
  std::uint16_t code = 0;
  if (GetDeviceType(connection, &code) == kResultOk) device_type = code;
  std::optional<FirmwareVersion> firmware;
  FirmwareVersion version;
  if (GetFirmwareVersion(connection, &version) == kResultOk) firmware = version;
  const AboutTexts texts = about_texts(device_type, firmware);
  apply_texts(dialog, about_face(texts));
}

// The texts are read once while the dialog opens, so it keeps nothing.
struct AboutDialogState {};

bool on_init(HWND dialog, AboutDialogState& /*state*/, LPARAM lparam) {
  fill_texts(dialog, context_of(lparam)->connection.get());
  return true;
}

INT_PTR on_message(HWND dialog, AboutDialogState& /*state*/, UINT message, WPARAM wparam,
                   LPARAM /*lparam*/) {
  if (message != WM_COMMAND) return FALSE;
  if (LOWORD(wparam) == IDC_ABOUT_OK) EndDialog(dialog, IDC_ABOUT_OK);
  return TRUE;
}

constexpr DialogFrame<AboutDialogState> kAboutFrame{on_init, on_message, end_cancelled};

INT_PTR CALLBACK about_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  return run_dialog_frame(kAboutFrame, dialog, message, wparam, lparam);
}

}  // namespace

INT_PTR open_about_dialog(HWND owner, const WindowContext& context) {
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), owner, about_proc,
                         as_creation_parameter(context));
}

}  // namespace tq
