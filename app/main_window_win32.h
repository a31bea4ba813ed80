// The main window: a modeless dialog with the menu, the status bar and one child view at
// a time. It owns the current Connection and closes it only after the view using it is
// gone, and it owns the services every window receives in its context.
#pragma once

#include <windows.h>

#include <memory>

#include "ui/settings.h"
#include "ui/window_context.h"

namespace tq {

struct MainWindowServices {
  std::unique_ptr<SettingsStore> settings;
  std::unique_ptr<PortLister> ports;
};

// The program's own: the registry's settings key and serial-port list.
[[nodiscard]] MainWindowServices registry_services();

// Creates the main window from template 69 (not yet shown) with these services; null on
// failure. The window posts the quit message with code 0 when it is destroyed.
HWND create_main_window(HINSTANCE instance, MainWindowServices services);

// The message loop's filter: true when the accelerators or the dialog manager handled
// `message`, which must then not be dispatched again.
bool handle_main_window_message(HWND main_window, HACCEL accelerators, MSG& message);

// Runs the loop until the quit message: its code, or -1 when GetMessage fails.
int run_message_loop(HWND main_window, HACCEL accelerators);

}  // namespace tq
