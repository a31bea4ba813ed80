// The About dialog's procedure.
#include "shell/about_dialog_win32.h"

#include "link/commands.h"
#include "shell/about_dialog.h"
#include "shell/dialog_helpers_win32.h"
#include "shell/resource.h"

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
  set_item_text_f(dialog, IDC_ABOUT_DEVICE, "%s", texts.device.c_str());
  set_item_text_f(dialog, IDC_ABOUT_FIRMWARE, "%s", texts.firmware.c_str());
  set_item_text_f(dialog, IDC_ABOUT_GUI, "%s", texts.gui.c_str());
  constexpr std::array<int, 4> kAddressLines = {IDC_ABOUT_ADDRESS1, IDC_ABOUT_ADDRESS2,
                                                IDC_ABOUT_ADDRESS3, IDC_ABOUT_ADDRESS4};
  for (std::size_t i = 0; i < kAddressLines.size(); ++i) {
    set_item_text_f(dialog, kAddressLines[i], "%s", kMakerAddress[i]);
  }
}

INT_PTR CALLBACK about_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      // Only used while the dialog initialises, so no copy is kept.
      const auto* connection = reinterpret_cast<const ConnectionRef*>(lparam);
      fill_texts(dialog, connection != nullptr ? connection->get() : nullptr);
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

INT_PTR open_about_dialog(HWND owner, const ConnectionRef& connection) {
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), owner, about_proc,
                         reinterpret_cast<LPARAM>(&connection));
}

}  // namespace tq
