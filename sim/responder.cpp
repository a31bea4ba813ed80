// Dispatch of request Frames to the firmware's command handlers.
#include "sim/responder.h"

#include <algorithm>
#include <array>

#include "sim/diagnostic_log.h"
#include "sim/handlers.h"

namespace tq::sim {
namespace {

constexpr LogSite kSiteUnknown{kTaskComms, "comms_dispatch", 233};

template <typename Predicate>
const CommandEntry* FindEntry(Predicate matches) {
  for (const auto table : {SystemCommandTable(), SamplerCommandTable(), MotorCommandTable()}) {
    const auto found = std::find_if(table.begin(), table.end(), matches);
    if (found != table.end()) return &*found;
  }
  return nullptr;
}

const CommandEntry* FindCommand(std::uint8_t code) {
  return FindEntry([code](const CommandEntry& entry) { return entry.code == code; });
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return lower(x) == lower(y);
  });
}

}  // namespace

Frame BuildResponse(const Frame& request, std::uint8_t result,
                    std::span<const std::uint8_t> payload) {
  Frame response{};
  const std::size_t length = std::min(payload.size(), kPayloadCapacity);
  response[kOffCommand] = request[kOffCommand];
  response[kOffLength] = static_cast<std::uint8_t>(length);
  std::copy_n(payload.begin(), length, response.begin() + kOffPayload);
  StampRequest(response, request[kOffSequence]);  // marker, sequence and a first checksum
  response[kOffResult] = result;
  const std::uint16_t crc = FrameCrc(response);
  response[kOffCrcLow] = static_cast<std::uint8_t>(crc & 0xFF);
  response[kOffCrcHigh] = static_cast<std::uint8_t>(crc >> 8);
  return response;
}

Frame Respond(Instrument& instrument, const Frame& request) {
  const std::uint8_t code = request[kOffCommand];
  const CommandEntry* command = FindCommand(code);
  if (command == nullptr) {
    LogEvent(instrument, kSiteUnknown, kSeverityError, Printf("Unknown command 0x%02X", code));
    return BuildResponse(request, kDeviceUnknownCommand);
  }
  const std::uint8_t length = request[kOffLength];
  if (length > kPayloadCapacity || length < command->min_length) {
    return BuildResponse(request, kDeviceBadArgument);
  }
  const Request in{code, length,
                   std::span<const std::uint8_t, kFrameSize>(request).subspan<kOffPayload>()};
  Reply reply;
  const std::uint8_t result = command->handler(instrument, in, reply);
  if (result != 0) return BuildResponse(request, result);
  return BuildResponse(request, 0, std::span(reply.payload).first(reply.length));
}

std::optional<std::uint8_t> CommandCodeByName(std::string_view name) {
  const CommandEntry* entry = FindEntry(
      [name](const CommandEntry& e) { return SameNameIgnoringCase(command_name(e.code), name); });
  if (entry == nullptr) return std::nullopt;
  return entry->code;
}

std::string_view CommandName(std::uint8_t code) {
  const CommandEntry* command = FindCommand(code);
  return command != nullptr ? command_name(code) : "unknown";
}

}  // namespace tq::sim
