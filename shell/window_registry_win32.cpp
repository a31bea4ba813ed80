// Every window of the program by its template.
#include "shell/window_registry_win32.h"

#include "config/motor_dialog_win32.h"
#include "config/pressure_dialog_win32.h"
#include "diagnostics/diagnostics_view_win32.h"
#include "sampling/run_view_win32.h"
#include "shell/about_dialog_win32.h"
#include "shell/connect_view_win32.h"
#include "shell/resource.h"

namespace tq {
namespace {

// One row per window, by subsystem.
constexpr WindowFactory kWindows[] = {
    // Shell
    {IDD_CONNECT_VIEW, &create_connect_view, nullptr},
    {IDD_ABOUT, nullptr, &open_about_dialog},

    // Sampling
    {IDD_RUN_VIEW, &create_run_view, nullptr},

    // Configuration
    {IDD_MOTORS, nullptr, &open_motor_dialog},
    {IDD_PRESSURE_SENSOR, nullptr, &open_pressure_dialog},

    // Diagnostics
    {IDD_DIAGNOSTICS_VIEW, &create_diagnostics_view, nullptr},
};

}  // namespace

const WindowFactory* find_window_factory(int template_id) {
  for (const WindowFactory& row : kWindows) {
    if (row.template_id == template_id) return &row;
  }
  return nullptr;
}

}  // namespace tq
