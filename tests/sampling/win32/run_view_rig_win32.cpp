// The Run view's test rig.
#include "tests/sampling/win32/run_view_rig_win32.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <array>
#include <fstream>

#include "link/connection.h"
#include "sim/scenario.h"
#include "tests/app/win32/list_view_reader_win32.h"
#include "ui/resource.h"

namespace tq::test {

RunViewRig::RunViewRig(const RunViewRigOptions& options) {
  std::string error;
  auto instrument = sim::BuildInstrument(options.instrument, options.scenarios, &error);
  EXPECT_TRUE(instrument.has_value()) << error;
  if (!instrument) instrument = sim::CreateInstrument(options.instrument);
  for (const SampleLogEntry& entry : options.log) instrument->sample_log.push_back(entry);
  sim::ServerOptions server;
  if (options.failing_command) {
    sim::FaultRule rule;
    rule.action.result = 3;
    rule.command = *options.failing_command;
    server.faults.push_back(rule);
  }
  server.pace = options.paced;
  server.pace_requests = options.paced;
  simulator_ = sim::StartInProcessSimulator(std::move(*instrument), server);
  source_->line = simulator_.line;
  // After an unplug the program opens its port again; here that is the new cable's end.
  ConnectionRef connection =
      CreateConnectionOnPort(std::move(simulator_.host), nullptr, 1000,
                             [source = source_]() -> std::unique_ptr<SerialPort> {
                               std::lock_guard lock(source->mutex);
                               if (source->next) return std::move(source->next);
                               return source->line->TakeHostEnd();
                             });
  gui_ = std::make_unique<GuiHarness>();
  EXPECT_TRUE(post_connected_and_wait(*gui_, std::move(connection)));
}

// The window goes first: its routine must not outlive the simulator it talks to.
RunViewRig::~RunViewRig() { gui_.reset(); }

sim::SimServer& RunViewRig::replace_instrument(const sim::InstrumentOptions& options,
                                               const std::vector<SampleLogEntry>& log) {
  sim::Instrument instrument = sim::CreateInstrument(options);
  for (const SampleLogEntry& entry : log) instrument.sample_log.push_back(entry);
  replacement_ = sim::StartInProcessSimulator(std::move(instrument), {});
  {
    std::lock_guard lock(source_->mutex);
    source_->line = replacement_.line;
    source_->next = std::move(replacement_.host);
  }
  simulator_.server->DropLine(600000);
  return *replacement_.server;
}

bool RunViewRig::enabled(int id) const { return IsWindowEnabled(GetDlgItem(view(), id)) != FALSE; }

bool RunViewRig::wait_for_requests(std::uint64_t count, std::chrono::milliseconds deadline) {
  const std::uint64_t target = requests() + count;
  return gui_->pump_until([&] { return requests() >= target; }, deadline);
}

int RunViewRig::rows() const {
  return static_cast<int>(SendDlgItemMessageA(view(), IDC_SAMPLE_LOG_LIST, LVM_GETITEMCOUNT, 0, 0));
}

std::string RunViewRig::cell(int row, int column) const {
  return list_cell_text(GetDlgItem(view(), IDC_SAMPLE_LOG_LIST), row, column);
}

void RunViewRig::press(int button_id) {
  SetFocus(GetDlgItem(view(), button_id));
  gui_->press_key(VK_SPACE);
}

void RunViewRig::type_into(int edit_id, const std::string& text) {
  const HWND edit = GetDlgItem(view(), edit_id);
  SetFocus(edit);
  SendMessageA(edit, EM_SETSEL, 0, -1);
  gui_->press_key(VK_DELETE);
  post_text(edit, text);
  gui_->pump_pending();
}

void RunViewRig::choose_mode(int position) {
  SetFocus(GetDlgItem(view(), IDC_MODE));
  gui_->press_key(VK_HOME);
  for (int i = 0; i < position; ++i) gui_->press_key(VK_DOWN);
}

void RunViewRig::double_click(POINT at) {
  const LPARAM where = MAKELPARAM(at.x, at.y);
  PostMessageA(view(), WM_LBUTTONDOWN, MK_LBUTTON, where);
  PostMessageA(view(), WM_LBUTTONUP, 0, where);
  PostMessageA(view(), WM_LBUTTONDBLCLK, MK_LBUTTON, where);
  PostMessageA(view(), WM_LBUTTONUP, 0, where);
  gui_->pump_pending();
}

POINT RunViewRig::banner_centre() const {
  RECT banner{};
  GetWindowRect(GetDlgItem(view(), IDC_STATE_BANNER), &banner);
  MapWindowPoints(nullptr, view(), reinterpret_cast<POINT*>(&banner), 2);
  return {(banner.left + banner.right) / 2, (banner.top + banner.bottom) / 2};
}

SampleLogEntry sample_entry(std::uint16_t cartridge, float litres) {
  SampleLogEntry entry;
  entry.cartridge_id = cartridge;
  entry.treatment = 3;
  entry.stop_reason = 6;
  entry.start_time = 1796637600U + cartridge * 3600U;  // 07/12/2026 10:00:00 on
  entry.duration = 600;
  entry.volume = litres;
  entry.max_pressure = 0.35F;
  return entry;
}

std::vector<std::string> parse_csv_line(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        fields.back() += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        fields.back() += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

std::vector<std::string> read_lines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    EXPECT_FALSE(line.empty() || line.back() != '\r') << "every line ends with CR LF";
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string temp_file(const char* name) {
  std::array<char, MAX_PATH> folder{};
  GetTempPathA(static_cast<DWORD>(folder.size()), folder.data());
  const std::string path = std::string(folder.data()) + name;
  DeleteFileA(path.c_str());
  return path;
}

}  // namespace tq::test
