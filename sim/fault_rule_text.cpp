// The text form of faults, as given with --fault.
#include <charconv>
#include <cmath>

#include "sim/faults.h"
#include "sim/responder.h"

namespace tq::sim {
namespace {

constexpr std::string_view kHelp =
    "Fault syntax: --fault KIND[=VALUE][,KIND[=VALUE]...][,cmd=CODE][,req=N][,times=N]\n"
    "  noise=N       N bytes of noise before the response (25 still pass, 26 do not)\n"
    "  star          the first noise byte is a stray \"*\" (with noise=N)\n"
    "  seq           answer with the previous sequence number\n"
    "  crc           corrupt the response's checksum\n"
    "  silence       carry the request out but send no answer\n"
    "  delay=MS      wait MS milliseconds before answering\n"
    "  result=B      answer with result byte B (0-255); the request is not carried out\n"
    "  split=N:MS    send the response in pieces of N bytes, MS milliseconds apart\n"
    "  drop=MS       unplug: no answer, the line hangs up for MS milliseconds, then returns\n"
    "  random=RATE   give a share RATE (0-1) of all requests one random fault among noise,\n"
    "                star, seq, crc, silence, short delays and splits (reproducible with\n"
    "                --seed); takes no selectors\n"
    "Selectors (default: every request):\n"
    "  cmd=CODE      only this command: a code (0x27 or 39) or a name (GetSystemStatus)\n"
    "  req=N         only the Nth request since start, counting from 1\n"
    "  times=N       at most N times\n"
    "Examples: --fault noise=26,cmd=GetClock   --fault seq,req=3   --fault drop=3000,req=20\n"
    "          --fault result=5,cmd=0xA2,times=1   --fault random=0.05\n";

template <typename T>
bool ParseInteger(std::string_view text, T max, T& out) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  unsigned long long value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty() || value > max) {
    return false;
  }
  out = static_cast<T>(value);
  return true;
}

bool ParseRate(std::string_view text, double& out) {
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty() ||
      !std::isfinite(value) || value < 0 || value > 1) {
    return false;
  }
  out = value;
  return true;
}

struct Part {
  std::string_view key;
  std::string_view value;
  bool has_value = false;
};

Part SplitPart(std::string_view part) {
  const std::size_t eq = part.find('=');
  if (eq == std::string_view::npos) return {part, {}, false};
  return {part.substr(0, eq), part.substr(eq + 1), true};
}

// Applies one comma-separated part; an empty string means it was understood.
std::string ApplyPart(const Part& p, ParsedFault& out) {
  FaultAction& a = out.rule.action;
  const auto needs_value = [&]() -> std::string { return std::string(p.key) + " needs a value"; };
  const auto bad_value = [&]() -> std::string {
    return "bad value for " + std::string(p.key) + ": " + std::string(p.value);
  };
  const auto no_value = [&]() -> std::string {
    return p.has_value ? std::string(p.key) + " takes no value" : std::string();
  };
  if (p.key == "noise") {
    if (!p.has_value) return needs_value();
    return ParseInteger<std::uint16_t>(p.value, 1000, a.noise_bytes) ? "" : bad_value();
  }
  if (p.key == "star") {
    a.noise_marker = true;
    if (a.noise_bytes == 0) a.noise_bytes = 1;
    return no_value();
  }
  if (p.key == "seq") {
    a.wrong_sequence = true;
    return no_value();
  }
  if (p.key == "crc") {
    a.corrupt_crc = true;
    return no_value();
  }
  if (p.key == "silence") {
    a.silence = true;
    return no_value();
  }
  if (p.key == "delay" || p.key == "drop") {
    if (!p.has_value) return needs_value();
    std::uint32_t& field = p.key == "delay" ? a.delay_ms : a.drop_ms;
    return ParseInteger<std::uint32_t>(p.value, 600000, field) && (p.key == "delay" || field > 0)
               ? ""
               : bad_value();
  }
  if (p.key == "result") {
    if (!p.has_value) return needs_value();
    std::uint8_t result = 0;
    if (!ParseInteger<std::uint8_t>(p.value, 255, result)) return bad_value();
    a.result = result;
    return "";
  }
  if (p.key == "split") {
    if (!p.has_value) return needs_value();
    const std::size_t colon = p.value.find(':');
    const std::string_view chunk = p.value.substr(0, colon);
    const std::string_view gap =
        colon == std::string_view::npos ? std::string_view("0") : p.value.substr(colon + 1);
    return ParseInteger<std::uint16_t>(chunk, 1000, a.split_chunk) && a.split_chunk > 0 &&
                   ParseInteger<std::uint32_t>(gap, 10000, a.split_gap_ms)
               ? ""
               : bad_value();
  }
  if (p.key == "random") {
    if (!p.has_value) return needs_value();
    double rate = 0;
    if (!ParseRate(p.value, rate)) return bad_value();
    out.random_rate = rate;
    return "";
  }
  if (p.key == "cmd") {
    if (!p.has_value) return needs_value();
    std::uint8_t code = 0;
    if (ParseInteger<std::uint8_t>(p.value, 255, code)) {
      out.rule.command = code;
    } else if (const auto named = CommandCodeByName(p.value)) {
      out.rule.command = *named;
    } else {
      return "unknown command: " + std::string(p.value);
    }
    return "";
  }
  if (p.key == "req") {
    if (!p.has_value) return needs_value();
    std::uint64_t n = 0;
    if (!ParseInteger<std::uint64_t>(p.value, UINT64_MAX, n) || n == 0) return bad_value();
    out.rule.request = n;
    return "";
  }
  if (p.key == "times") {
    if (!p.has_value) return needs_value();
    std::uint32_t n = 0;
    if (!ParseInteger<std::uint32_t>(p.value, UINT32_MAX, n)) return bad_value();
    out.rule.times = n;
    return "";
  }
  return "unknown fault: " + std::string(p.key);
}

}  // namespace

std::optional<ParsedFault> ParseFaultRule(std::string_view text, std::string* error) {
  ParsedFault out;
  std::string problem;
  if (text.empty()) problem = "empty fault";
  while (problem.empty() && !text.empty()) {
    const std::size_t comma = text.find(',');
    const std::string_view part = text.substr(0, comma);
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    problem = part.empty() ? "empty part" : ApplyPart(SplitPart(part), out);
  }
  if (problem.empty() && out.random_rate &&
      (out.rule.action.Any() || out.rule.command || out.rule.request || out.rule.times)) {
    problem = "random takes nothing else";
  }
  if (problem.empty() && !out.random_rate && !out.rule.action.Any()) {
    problem = "no fault given";
  }
  if (!problem.empty()) {
    if (error != nullptr) *error = problem;
    return std::nullopt;
  }
  return out;
}

std::string_view FaultRuleHelp() { return kHelp; }

}  // namespace tq::sim
