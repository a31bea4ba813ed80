// Every window of the program by its template.
#include "app/window_registry_win32.h"

#include "app/about_dialog_win32.h"
#include "app/connect_view_win32.h"
#include "config/cleaning_dialog_win32.h"
#include "config/clock_dialog_win32.h"
#include "config/flow_meter_dialog_win32.h"
#include "config/identity_dialog_win32.h"
#include "config/motor_dialog_win32.h"
#include "config/pressure_dialog_win32.h"
#include "diagnostics/diagnostics_view_win32.h"
#include "sampling/run_view_win32.h"
#include "sampling/schedule_dialog_win32.h"
#include "ui/resource.h"

namespace tq {
namespace {

// One row per window, by subsystem.
constexpr WindowFactory kWindows[] = {
    // Shell
    {IDD_CONNECT_VIEW, &create_connect_view, nullptr},
    {IDD_ABOUT, nullptr, &open_about_dialog},

    // Sampling
    {IDD_RUN_VIEW, &create_run_view, nullptr},
    {IDD_SCHEDULE, nullptr, &open_schedule_dialog},

    // Configuration
    {IDD_MOTORS, nullptr, &open_motor_dialog},
    {IDD_PRESSURE_SENSOR, nullptr, &open_pressure_dialog},
    {IDD_FLOW_METER, nullptr, &open_flow_meter_dialog},
    {IDD_STABILIZATION_CLEANING, nullptr, &open_cleaning_dialog},
    {IDD_REAL_TIME_CLOCK, nullptr, &open_clock_dialog},
    {IDD_DEVICE_IDENTIFICATION, nullptr, &open_identity_dialog},

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
