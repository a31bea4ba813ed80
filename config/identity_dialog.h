// The device identification dialog's logic: the name and serial number shown for the
// instrument's IdentityRecord, the live check of the entries, and the save (a fresh read,
// the write carrying every byte it does not edit, the read after it) with the message
// that ends it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "link/connection.h"
#include "link/records.h"
#include "ui/record_fields.h"
#include "ui/resource.h"
#include "ui/window_face.h"

namespace tq {

inline constexpr const char* kIdentityCaption = "Configure Sensor Name";
inline constexpr const char* kIdentityReadFailedText = "Unable to retrieve Sensor Name from device";
inline constexpr const char* kIdentitySaveCaption = "Save";
inline constexpr const char* kIdentitySavedText = "Settings saved";
inline constexpr const char* kIdentitySaveFailedText = "Failed to save settings";
inline constexpr const char* kIdentityTooOldText =
    "Failed to save settings (firmware is too old for GUI)";
inline constexpr const char* kIdentityNameTooltip = "Sensor name to display in Connect view";
inline constexpr const char* kIdentitySerialTooltip =
    "Sensor serial number (engraved on microfluidic chip)";

// The record's fields: its name, at most 20 characters, and its one number.
inline constexpr const char* kIdentityNameKey = "name";
inline constexpr std::size_t kMaxDeviceName = kDeviceNameField - 1;
inline constexpr std::array<WholeField<IdentityRecord>, 1> kIdentityFields = {{
    {IDC_IDENTITY_SERIAL, "serial_number", &IdentityRecord::serial_number, 65535, ""},
}};
inline constexpr std::uint32_t kMaxSerialNumber =
    max_of(kIdentityFields, &IdentityRecord::serial_number);
// The result SetIdentity gives when the firmware does not take this record format.
inline constexpr int kResultFormatRefused = 8;

// The name as shown: up to its terminator, never more than 20 characters (an instrument
// that fills all 21 bytes has its last one taken as the terminator).
[[nodiscard]] std::string identity_name_text(const IdentityRecord& record);

// Both edits.
[[nodiscard]] WindowFace identity_face(const IdentityRecord& record);

// The entries against their fields: which edit shows its text in red, and whether Save
// may be pressed.
struct IdentityCheck {
  bool name_invalid = false;    // 21 characters or more
  bool serial_invalid = false;  // above 65535
  bool save_enabled = true;

  bool operator==(const IdentityCheck&) const = default;
};
[[nodiscard]] IdentityCheck check_identity_entries(std::string_view name,
                                                   std::string_view serial_text);

// The message after a save, by the ResultCodes of the read before the write, the write
// and the read after it; a step after a failed one did not run and its result is ignored.
[[nodiscard]] const char* identity_save_text(int read_result, int write_result, int reread_result);

// What a save did.
struct IdentitySaveOutcome {
  const char* message = nullptr;
  std::optional<IdentityRecord> reread;  // the record read after a successful write
};

// Save: reads the record afresh, so every byte the dialog does not edit goes back as the
// instrument holds it at this moment; writes it with format 2, the name (at most 20
// characters, then zeros) and the serial number limited to 65535; reads it back.
// Commands run on the calling thread.
[[nodiscard]] IdentitySaveOutcome save_identity(Connection* connection, std::string_view name,
                                                std::string_view serial_text);

}  // namespace tq
