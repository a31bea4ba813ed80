// The Run view's status texts, enabling table and command choices.
#include "sampling/run_view.h"

#include <array>
#include <optional>
#include <span>
#include <string_view>
#include <utility>

#include "link/commands.h"
#include "ui/epoch.h"
#include "ui/resource.h"
#include "ui/text_format.h"

namespace tq {
namespace {

struct StateText {
  std::uint8_t state;
  const char* format;
  enum class Id { kNone, kTop, kTopMinusOne } id;
};

// The stabilizer steps work on the cartridge below the top one, hence ID - 1.
constexpr std::array<StateText, 9> kStateTexts = {{
    {2, "Sampler State: Idle", StateText::Id::kNone},
    {3, "Sampler State: Loading Cartridge", StateText::Id::kNone},
    {4, "Sampler State: Engaging Sample ID=%u", StateText::Id::kTop},
    {5, "Sampler State: Disengaging Sample ID=%u", StateText::Id::kTop},
    {6, "Sampler State: Engaging Stabilizer ID=%u", StateText::Id::kTopMinusOne},
    {7, "Sampler State: Disengaging Stabilizer ID=%u", StateText::Id::kTopMinusOne},
    {8, "Sampler State: Pumping Sample ID=%u", StateText::Id::kTop},
    {9, "Sampler State: Pumping Stabilizer ID=%u", StateText::Id::kTopMinusOne},
    {10, "Sampler State: Cleaning", StateText::Id::kNone},
}};
constexpr const char* kUnknownState = "Sampler State: Unknown";

constexpr std::uint8_t kUnpowered = static_cast<std::uint8_t>(SamplerState::kUnpowered);
constexpr std::uint8_t kIdle = static_cast<std::uint8_t>(SamplerState::kIdle);

// Every text here is far below the formatting limit.
std::string or_empty(std::optional<std::string> text) { return std::move(text).value_or(""); }

std::string state_line(const SystemStatus& status) {
  const std::uint32_t id = status.cartridge_id;
  for (const StateText& row : kStateTexts) {
    if (row.state != status.sampler_state) continue;
    switch (row.id) {
      case StateText::Id::kNone:
        return row.format;
      case StateText::Id::kTop:
        return or_empty(format_text(row.format, id));
      case StateText::Id::kTopMinusOne:
        return or_empty(format_text(row.format, id - 1U));  // wraps to 4294967295 for ID 0
    }
  }
  return kUnknownState;
}

enum class When { kIdleManual, kEditable, kEditableNotSchedule, kEditableSample, kRunning };

constexpr std::array<RuleRow<When>, 12> kRunControlRule = {{
    {IDC_MODE_LABEL, When::kIdleManual},
    {IDC_MODE, When::kEditable},
    {IDC_CARTRIDGES_LABEL, When::kEditableNotSchedule},
    {IDC_CARTRIDGES, When::kEditableNotSchedule},
    {IDC_VOLUME_LABEL, When::kEditableSample},
    {IDC_VOLUME, When::kEditableSample},
    {IDC_TIMEOUT_LABEL, When::kEditableSample},
    {IDC_TIMEOUT, When::kEditableSample},
    {IDC_CLEAN, When::kEditableSample},
    {IDC_START, When::kIdleManual},
    {IDC_STOP, When::kRunning},
    {IDC_CLEAR_LOG, When::kEditable},
}};

}  // namespace

std::string status_time(std::uint32_t epoch_seconds) {
  return format_epoch(epoch_seconds).substr(0, kStatusTimeLength);
}

RunStatusTexts run_status_texts(const SystemStatus& status) {
  RunStatusTexts texts;
  texts.banner =
      status.sampler_state == kUnpowered
          ? std::string("unpowered")
          : or_empty(format_text("Top Cartridge: %u", static_cast<unsigned>(status.cartridge_id)));
  texts.time = "Sampler Clock Time Now: " + status_time(status.clock);
  if (status.sampler_state == kUnpowered) {
    // Bare labels, written exactly so (they differ from the template's).
    texts.control = "Control:";
    texts.waypoint = "Current Schedule Waypoint:";
    texts.state = "Sampler State:";
    texts.run_status = "Run Status:";
    texts.flow = "Flow volume:";
    texts.pressure = "Max pressure:";
    return texts;
  }
  if (status.control_source == kControlSourceSchedule) {
    const std::string next =
        status.next_event_time == 0 ? std::string("none") : status_time(status.next_event_time);
    texts.control = "Control: Schedule (next event: " + next + ")";
    const unsigned waypoint = status.waypoint_index;
    texts.waypoint = status.sampler_state == kIdle
                         ? or_empty(format_text("Next Schedule Waypoint: %u", waypoint + 1U))
                         : or_empty(format_text("Current Schedule Waypoint: %u", waypoint));
  } else {
    texts.control = "Control: Manual (GUI or vehicle)";
    texts.waypoint = "Current Schedule Waypoint: not running schedule";
  }
  texts.state = state_line(status);
  texts.run_status = status.error_flag != 0
                         ? "Run Status: Errors in previous cartridge: see View/Diagnostics"
                         : "Run Status: OK";
  texts.flow =
      or_empty(format_text("Flow volume: %.3f litre", static_cast<double>(status.flow_volume)));
  texts.pressure =
      or_empty(format_text("Max pressure: %.3f bar", static_cast<double>(status.max_pressure)));
  return texts;
}

std::string sampler_state_name(const SystemStatus& status) {
  const RunStatusTexts texts = run_status_texts(status);
  std::string name = texts.banner == "unpowered" ? texts.banner : texts.state;
  constexpr std::string_view kLabel = "Sampler State: ";
  if (name.rfind(kLabel, 0) == 0) name.erase(0, kLabel.size());
  if (status.control_source == kControlSourceSchedule) name += ", schedule in control";
  return name;
}

std::vector<ControlText> run_status_face(const RunStatusTexts& texts) {
  return {
      {IDC_STATE_BANNER, texts.banner},  {IDC_TIME_LINE, texts.time},
      {IDC_CONTROL_LINE, texts.control}, {IDC_WAYPOINT_LINE, texts.waypoint},
      {IDC_STATE_LINE, texts.state},     {IDC_RUN_STATUS_LINE, texts.run_status},
      {IDC_FLOW_LINE, texts.flow},       {IDC_PRESSURE_LINE, texts.pressure},
  };
}

bool instrument_running(std::uint8_t sampler_state, std::uint8_t control_source) {
  return sampler_state > kIdle || control_source == kControlSourceSchedule;
}

RunControlDecision decide_run_controls(const RunControlInputs& inputs) {
  const bool manual = inputs.control_source != kControlSourceSchedule;
  const bool editable =
      (inputs.sampler_state == kUnpowered || inputs.sampler_state == kIdle) && manual;
  const bool idle_manual = inputs.sampler_state == kIdle && manual;
  const bool running = instrument_running(inputs.sampler_state, inputs.control_source);
  const auto holds = [&](When when) {
    switch (when) {
      case When::kIdleManual:
        return idle_manual;
      case When::kEditable:
        return editable;
      case When::kEditableNotSchedule:
        return editable && inputs.mode != kRunModeSchedule;
      case When::kEditableSample:
        return editable && inputs.mode == kRunModeSample;
      case When::kRunning:
        return running;
    }
    return false;
  };
  return {evaluate_rule<When>(std::span(kRunControlRule), holds), running};
}

bool stop_stops_schedule(std::uint8_t control_source) {
  return control_source == kControlSourceSchedule;
}

int send_stop(Connection* connection, std::uint8_t control_source) {
  return stop_stops_schedule(control_source) ? StopSchedule(connection) : StopRun(connection);
}

bool double_click_opens_reset(int x, int y, const ViewRect& banner, std::uint8_t sampler_state) {
  const bool inside = x >= banner.left && x < banner.right && y >= banner.top && y < banner.bottom;
  return inside && sampler_state <= kIdle;
}

std::string last_known_mark(unsigned hour, unsigned minute, unsigned second) {
  return format_text("Link lost: last known values, read at %02u:%02u:%02u", hour, minute, second)
      .value_or("");
}

}  // namespace tq
