// Process entry: common controls, the main window and the message loop.
// windows.h must come before every other Windows header.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include "app/main_window_win32.h"
#include "ui/resource.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
  // Every control class the windows use, date pickers included.
  INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX),
                               ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_BAR_CLASSES};
  if (!InitCommonControlsEx(&classes)) InitCommonControls();
  const HWND main_window = tq::create_main_window(instance, tq::registry_services());
  if (main_window == nullptr) return 1;
  ShowWindow(main_window, show_command);
  const HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));
  return tq::run_message_loop(main_window, accelerators);
}
