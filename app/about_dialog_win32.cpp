// The About dialog's procedure.
#include "app/about_dialog_win32.h"

#include "app/about_dialog.h"
#include "link/commands.h"
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

INT_PTR CALLBACK about_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      // Only used while the dialog initialises, so no copy is kept.
      fill_texts(dialog, context_of(lparam)->connection.get());
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wparam) == IDC_ABOUT_OK || LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wparam));
      }
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR open_about_dialog(HWND owner, const WindowContext& context) {
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), owner, about_proc,
                         as_creation_parameter(context));
}

}  // namespace tq
