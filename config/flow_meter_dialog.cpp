// The flow meter dialog's logic.
#include "config/flow_meter_dialog.h"

#include "ui/text_format.h"

namespace tq {
namespace {

constexpr std::uint32_t kMaxPulses = max_of(kFlowMeterFields, &FlowMeterConfig::pulses_per_litre);

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::string pulses_text(const FlowMeterConfig& config) {
  return format_text("%u", static_cast<unsigned>(config.pulses_per_litre)).value_or("");
}

std::uint32_t parse_pulses_per_litre(std::string_view text) {
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > kMaxPulses) return 0;
  }
  return static_cast<std::uint32_t>(value);
}

FlowMeterConfig flow_meter_for_save(std::string_view text) {
  FlowMeterConfig config;
  config.pulses_per_litre = parse_pulses_per_litre(text);
  return config;
}

}  // namespace tq
