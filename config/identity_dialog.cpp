// The device identification dialog's logic.
#include "config/identity_dialog.h"

#include <algorithm>
#include <limits>

#include "link/commands.h"
#include "ui/entry_parse.h"
#include "ui/resource.h"
#include "ui/text_format.h"

namespace tq {
namespace {

std::uint32_t serial_entry(std::string_view text) {
  return parse_unsigned_entry(text, std::numeric_limits<std::uint32_t>::max());
}

const char* failure_text(int result) {
  return result == kResultFormatRefused ? kIdentityTooOldText : kIdentitySaveFailedText;
}

}  // namespace

std::string identity_name_text(const IdentityRecord& record) {
  const std::string name = FieldText(record.name);
  return name.substr(0, std::min(name.size(), kMaxDeviceName));
}

WindowFace identity_face(const IdentityRecord& record) {
  WindowFace face;
  face.texts.push_back({IDC_IDENTITY_NAME, identity_name_text(record)});
  face.texts.push_back(
      {IDC_IDENTITY_SERIAL, format_text("%u", unsigned{record.serial_number}).value_or("")});
  return face;
}

IdentityCheck check_identity_entries(std::string_view name, std::string_view serial_text) {
  IdentityCheck check;
  check.name_invalid = name.size() > kMaxDeviceName;
  check.serial_invalid = serial_entry(serial_text) > kMaxSerialNumber;
  check.save_enabled = !check.name_invalid && !check.serial_invalid;
  return check;
}

const char* identity_save_text(int read_result, int write_result, int reread_result) {
  if (read_result != kResultOk) return failure_text(read_result);
  if (write_result != kResultOk) return failure_text(write_result);
  return reread_result == kResultOk ? kIdentitySavedText : kIdentitySaveFailedText;
}

IdentitySaveOutcome save_identity(Connection* connection, std::string_view name,
                                  std::string_view serial_text) {
  IdentitySaveOutcome outcome;
  IdentityRecord fresh;
  const int read_result = GetIdentity(connection, &fresh);
  int write_result = kResultOk;
  int reread_result = kResultOk;
  if (read_result == kResultOk) {
    write_result = SetIdentity(connection, fresh, name, serial_entry(serial_text));
    if (write_result == kResultOk) {
      IdentityRecord reread;
      reread_result = GetIdentity(connection, &reread);
      if (reread_result == kResultOk) outcome.reread = reread;
    }
  }
  outcome.message = identity_save_text(read_result, write_result, reread_result);
  return outcome;
}

}  // namespace tq
