// The configuration dialogs' test rig.
#include "tests/config/win32/config_rig_win32.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "link/frame.h"
#include "sim/faults.h"

namespace tq::test {
namespace {

// Passes everything through and notes each request Frame the engine writes (it writes a
// whole Frame in one call).
class RecordingPort final : public SerialPort {
 public:
  RecordingPort(std::unique_ptr<SerialPort> inner, std::shared_ptr<RequestLog> log)
      : inner_(std::move(inner)), log_(std::move(log)) {}

  void PurgeReceive() override { inner_->PurgeReceive(); }
  void WriteAll(std::span<const std::uint8_t> bytes) override {
    if (bytes.size() == kFrameSize) {
      const std::size_t length = std::min<std::size_t>(bytes[kOffLength], kPayloadCapacity);
      const auto payload = bytes.subspan(kOffPayload, length);
      log_->add({bytes[kOffCommand], {payload.begin(), payload.end()}});
    }
    inner_->WriteAll(bytes);
  }
  bool ReadByte(std::uint8_t& out, std::uint32_t timeout_ms) override {
    return inner_->ReadByte(out, timeout_ms);
  }
  void EndReads() override { inner_->EndReads(); }
  void CancelReads() override { inner_->CancelReads(); }
  [[nodiscard]] bool Lost() const override { return inner_->Lost(); }
  [[nodiscard]] std::uint32_t LastSystemError() const override { return inner_->LastSystemError(); }

 private:
  std::unique_ptr<SerialPort> inner_;
  std::shared_ptr<RequestLog> log_;
};

constexpr int kMaxTicks = 1500;  // about 30 s of 20 ms ticks

void close_modal(HWND modal) {
  if (is_message_box(modal)) {
    const int button = GetDlgItem(modal, IDOK) != nullptr ? IDOK : IDNO;
    PostMessageA(modal, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
  } else {
    PostMessageA(modal, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  }
}

}  // namespace

void RequestLog::add(SentRequest request) {
  std::lock_guard lock(mutex_);
  requests_.push_back(std::move(request));
}

void RequestLog::clear() {
  std::lock_guard lock(mutex_);
  requests_.clear();
}

std::vector<SentRequest> RequestLog::all() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::vector<std::uint8_t> RequestLog::codes() const {
  std::vector<std::uint8_t> codes;
  for (const SentRequest& request : all()) codes.push_back(request.code);
  return codes;
}

SentRequest RequestLog::last(std::uint8_t code) const {
  const std::vector<SentRequest> requests = all();
  const auto found = std::find_if(requests.rbegin(), requests.rend(),
                                  [code](const SentRequest& r) { return r.code == code; });
  return found != requests.rend() ? *found : SentRequest{};
}

void ConfigRig::fail_command(std::uint8_t code) {
  sim::FaultRule rule;
  rule.action.result = 3;
  rule.command = code;
  simulator.server->AddFault(rule);
}

std::unique_ptr<ConfigRig> start_config_rig(const sim::InstrumentOptions& options) {
  auto rig = std::make_unique<ConfigRig>();
  sim::ServerOptions server;
  server.speed = 0;  // the instrument's time moves only when a test moves it
  rig->sent = std::make_shared<RequestLog>();
  rig->simulator = sim::StartInProcessSimulator(sim::CreateInstrument(options), server);
  rig->connection = CreateConnectionOnPort(
      std::make_unique<RecordingPort>(std::move(rig->simulator.host), rig->sent), nullptr, 1000);
  return rig;
}

ConnectedProgram connect_program(ConfigRig& rig, std::shared_ptr<MemorySettingsStore> settings) {
  ConnectedProgram program;
  if (settings) program.settings = std::move(settings);
  program.gui =
      std::make_unique<GuiHarness>(HarnessOptions{program.settings, std::vector<std::string>{}});
  EXPECT_TRUE(post_connected_and_wait(*program.gui, rig.connection));
  return program;
}

std::vector<ModalSeen> run_dialog(GuiHarness& gui, int command, std::vector<Step> steps) {
  std::size_t next = 0;
  int ticks = 0;
  bool reported = false;
  ModalScript script([&](HWND modal) {
    if (next < steps.size() && ticks++ < kMaxTicks) {
      if (steps[next](modal)) ++next;
      return false;
    }
    if (!reported) {
      reported = true;
      if (next < steps.size()) {
        ADD_FAILURE() << "step " << next << " not done; on top: " << describe_modal(modal).caption
                      << " " << describe_modal(modal).text;
      } else {
        ADD_FAILURE() << "still open after the last step: " << describe_modal(modal).caption;
      }
    }
    close_modal(modal);
    return false;
  });
  gui.command(command);
  if (next < steps.size() && !reported) {
    ADD_FAILURE() << "the dialog closed before step " << next << " of " << steps.size();
  }
  return script.seen();
}

Step act(std::function<void(HWND dialog)> action) {
  return [action = std::move(action)](HWND modal) {
    if (is_message_box(modal)) {
      ADD_FAILURE() << "unexpected message box: " << describe_modal(modal).caption << ": "
                    << describe_modal(modal).text;
      close_modal(modal);
      return false;
    }
    action(modal);
    return true;
  };
}

Step click(int control_id) {
  return act([control_id](HWND dialog) {
    // An operator cannot press a disabled button.
    EXPECT_TRUE(enabled(dialog, control_id)) << "control " << control_id << " is disabled";
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(control_id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, control_id)));
  });
}

Step type(int control_id, const std::string& typed) {
  return act([control_id, typed](HWND dialog) {
    const HWND edit = GetDlgItem(dialog, control_id);
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    post_text(edit, typed.empty() ? std::string("\b") : typed);
  });
}

Step key(int control_id, UINT virtual_key) {
  return act([control_id, virtual_key](HWND dialog) {
    const HWND control = GetDlgItem(dialog, control_id);
    SetFocus(control);
    post_key(control, virtual_key);
  });
}

Step escape() {
  return act([](HWND dialog) {
    const HWND focus = GetFocus();
    post_key(focus != nullptr && IsChild(dialog, focus) ? focus : dialog, VK_ESCAPE);
  });
}

Step expect_box(std::string expected_text, std::string expected_caption, int button) {
  return [=](HWND modal) {
    if (!is_message_box(modal)) return false;
    const ModalSeen seen = describe_modal(modal);
    EXPECT_EQ(seen.text, expected_text);
    EXPECT_EQ(seen.caption, expected_caption);
    PostMessageA(modal, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    return true;
  };
}

bool is_message_box(HWND modal) {
  constexpr int kMessageBoxTextId = 0xFFFF;
  return GetDlgItem(modal, kMessageBoxTextId) != nullptr;
}

std::string text(HWND dialog, int control_id) { return GuiHarness::item_text(dialog, control_id); }

}  // namespace tq::test
