// The Diagnostics view's window-test rig.
#include "tests/diagnostics/win32/diagnostics_rig_win32.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "tests/app/win32/list_view_reader_win32.h"
#include "ui/resource.h"

namespace tq::test {
namespace {

constexpr int kLogColumns = 6;

}  // namespace

DiagnosticsRig::DiagnosticsRig(const std::function<void(sim::Instrument&)>& prepare)
    : instrument(start_simulated_instrument({})), gui({nullptr, std::vector<std::string>{}}) {
  server().SetSpeed(0);
  if (prepare) server().WithInstrument([&](sim::Instrument& in) { prepare(in); });
  server().WatchRequests([this](std::uint8_t command) {
    std::lock_guard lock(mutex_);
    commands_.push_back(command);
  });
  if (!post_connected_and_wait(gui, instrument.connection)) ADD_FAILURE() << "not connected";
  gui.command(IDM_VIEW_DIAGNOSTICS);
  if (gui.view_id() != IDD_DIAGNOSTICS_VIEW) ADD_FAILURE() << "no Diagnostics view";
}

DiagnosticsRig::~DiagnosticsRig() { server().WatchRequests({}); }

void DiagnosticsRig::press(int control_id) {
  SetFocus(GetDlgItem(view(), control_id));
  gui.press_key(VK_SPACE);
}

std::vector<LogListRow> DiagnosticsRig::rows() const {
  const HWND list = GetDlgItem(view(), IDC_DIAG_LOG_LIST);
  std::vector<LogListRow> rows(row_count());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const int row = static_cast<int>(r);
    for (int column = 0; column < kLogColumns; ++column) {
      rows[r].cells.push_back(list_cell_text(list, row, column));
    }
    rows[r].colour = static_cast<std::uint32_t>(list_item_data(list, row));
  }
  return rows;
}

std::size_t DiagnosticsRig::row_count() const {
  const auto count = SendDlgItemMessageA(view(), IDC_DIAG_LOG_LIST, LVM_GETITEMCOUNT, 0, 0);
  return count > 0 ? static_cast<std::size_t>(count) : 0;
}

std::size_t DiagnosticsRig::log_size() const {
  return server().WithInstrument(
      [](const sim::Instrument& in) { return in.diagnostic_log.entries.size(); });
}

bool DiagnosticsRig::wait_for_whole_log() {
  return gui.pump_until([&] { return row_count() == log_size(); });
}

std::vector<std::uint8_t> DiagnosticsRig::commands() const {
  std::lock_guard lock(mutex_);
  return commands_;
}

std::size_t DiagnosticsRig::count(std::uint8_t command) const {
  const std::vector<std::uint8_t> all = commands();
  return static_cast<std::size_t>(std::count(all.begin(), all.end(), command));
}

std::string control_text(HWND dialog, int control_id) {
  return GuiHarness::item_text(dialog, control_id);
}

bool checked(HWND dialog, int control_id) {
  return SendDlgItemMessageA(dialog, control_id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

}  // namespace tq::test
