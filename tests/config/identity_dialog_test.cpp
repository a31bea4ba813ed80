// The identification dialog's logic: the name as shown, the live check of the entries, and
// the save against a scripted instrument (the bytes written checked against bytes written
// by hand), with the message that ends it.
#include "config/identity_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "link/commands.h"
#include "link/memory_link.h"
#include "tests/support/scripted_device.h"
#include "ui/resource.h"

namespace tq {
namespace {

using Record = std::array<std::uint8_t, kIdentityRecordSize>;

IdentityRecord decoded(const Record& bytes) {
  IdentityRecord record;
  DecodeIdentityRecord(bytes, record);
  return record;
}

Record encoded(const IdentityRecord& record) {
  Record bytes{};
  EncodeIdentityRecord(record, bytes);
  return bytes;
}

// Format 1, the not-used bytes all set, the name "Quay 3", serial 0x1234.
Record as_the_instrument_holds_it() {
  Record bytes{};
  bytes[0] = 0x01;
  bytes[1] = 0xA5;
  const std::string name = "Quay 3";
  std::copy(name.begin(), name.end(), bytes.begin() + 2);
  bytes[23] = 0x5A;
  bytes[24] = 0x34;
  bytes[25] = 0x12;
  bytes[26] = 0xDE;
  bytes[27] = 0xAD;
  bytes[28] = 0xBE;
  return bytes;
}

// What Save must send: the record as read, with format 2, `name` zero-filled to offset 22
// and the serial number.
Record expected_write(const std::string& name, std::uint16_t serial) {
  Record bytes = as_the_instrument_holds_it();
  bytes[0] = 0x02;
  std::fill(bytes.begin() + 2, bytes.begin() + 23, 0);
  std::copy(name.begin(), name.end(), bytes.begin() + 2);
  bytes[24] = static_cast<std::uint8_t>(serial & 0xFF);
  bytes[25] = static_cast<std::uint8_t>(serial >> 8);
  return bytes;
}

TEST(IdentityName, ShowsTheNameUpToItsTerminatorAndNeverMoreThanTwenty) {
  EXPECT_EQ(identity_name_text(decoded(as_the_instrument_holds_it())), "Quay 3");
  Record full = as_the_instrument_holds_it();
  std::fill(full.begin() + 2, full.begin() + 23, 'N');  // all 21 bytes, no terminator
  EXPECT_EQ(identity_name_text(decoded(full)), std::string(20, 'N'));
  const WindowFace face = identity_face(decoded(as_the_instrument_holds_it()));
  EXPECT_EQ(face.texts, (std::vector<ControlText>{{IDC_IDENTITY_NAME, "Quay 3"},
                                                  {IDC_IDENTITY_SERIAL, "4660"}}));
}

TEST(IdentityCheckEntries, TwentyCharactersAndSerial65535AreTheLargestAccepted) {
  const std::string twenty(20, 'x');
  EXPECT_EQ(check_identity_entries(twenty, "65535"), (IdentityCheck{false, false, true}));
  EXPECT_EQ(check_identity_entries(twenty + "y", "65535"), (IdentityCheck{true, false, false}));
  EXPECT_EQ(check_identity_entries(twenty, "65536"), (IdentityCheck{false, true, false}));
  EXPECT_EQ(check_identity_entries(twenty + "y", "99999999999"),
            (IdentityCheck{true, true, false}));
  EXPECT_EQ(check_identity_entries("", ""), (IdentityCheck{false, false, true}));
}

// An instrument that keeps one identity record: GetIdentity answers it as it is now,
// SetIdentity stores what it was sent (or refuses with `write_result`).
class IdentityInstrument {
 public:
  IdentityInstrument() {
    auto ends = CreateMemoryLink();
    connection_ = CreateConnectionOnPort(std::move(ends.host), nullptr, 200);
    device_ = std::make_unique<test::ScriptedDevice>(
        std::move(ends.device), [this](const Frame& request) { return answer(request); });
  }
  void hold(const Record& record) {
    std::lock_guard lock(mutex_);
    held_ = record;
  }
  void answer_reads_with(std::uint8_t result) { read_result_ = result; }
  void answer_writes_with(std::uint8_t result) { write_result_ = result; }
  // The payload of every SetIdentity received.
  [[nodiscard]] std::vector<Record> writes() const {
    std::vector<Record> writes;
    for (const Frame& frame : device_->Requests()) {
      if (frame[kOffCommand] != kCmdSetIdentity) continue;
      Record payload{};
      std::copy_n(frame.begin() + kOffPayload, payload.size(), payload.begin());
      writes.push_back(payload);
    }
    return writes;
  }
  [[nodiscard]] Connection* connection() const { return connection_.get(); }

 private:
  test::Bytes answer(const Frame& request) {
    std::lock_guard lock(mutex_);
    if (request[kOffCommand] == kCmdGetIdentity) {
      if (read_result_ != 0) return test::ToBytes(test::MakeResponse(request, read_result_));
      return test::ToBytes(test::MakeResponse(request, 0, {held_.begin(), held_.end()}));
    }
    if (write_result_ == 0) {
      std::copy_n(request.begin() + kOffPayload, held_.size(), held_.begin());
    }
    return test::ToBytes(test::MakeResponse(request, write_result_));
  }

  mutable std::mutex mutex_;
  Record held_ = as_the_instrument_holds_it();
  std::atomic<std::uint8_t> read_result_{0};
  std::atomic<std::uint8_t> write_result_{0};
  ConnectionRef connection_;
  std::unique_ptr<test::ScriptedDevice> device_;  // last, so its thread stops first
};

TEST(IdentitySave, EveryByteItDoesNotEditGoesBackAsTheInstrumentHoldsIt) {
  IdentityInstrument instrument;
  const std::string twenty = "Harbour Sampler No 7";
  ASSERT_EQ(twenty.size(), 20u);
  const IdentitySaveOutcome outcome = save_identity(instrument.connection(), twenty, "4242");
  EXPECT_STREQ(outcome.message, "Settings saved");
  ASSERT_EQ(instrument.writes().size(), 1u);
  EXPECT_EQ(instrument.writes()[0], expected_write(twenty, 4242));
  ASSERT_TRUE(outcome.reread.has_value());
  EXPECT_EQ(encoded(*outcome.reread), expected_write(twenty, 4242));
}

TEST(IdentitySave, TheBytesCarriedAreThoseOfTheReadJustBeforeTheWrite) {
  IdentityInstrument instrument;
  // The instrument changed its not-used bytes since the dialog opened.
  Record now = as_the_instrument_holds_it();
  now[1] = 0x11;
  now[23] = 0x22;
  now[28] = 0x33;
  instrument.hold(now);
  static_cast<void>(save_identity(instrument.connection(), "Quay 3", "7"));
  ASSERT_EQ(instrument.writes().size(), 1u);
  Record expected = expected_write("Quay 3", 7);
  expected[1] = 0x11;
  expected[23] = 0x22;
  expected[28] = 0x33;
  EXPECT_EQ(instrument.writes()[0], expected);
}

TEST(IdentitySave, ALongerNameIsCutToTwentyCharactersAndTerminated) {
  IdentityInstrument instrument;
  const std::string twenty_five = "ABCDEFGHIJKLMNOPQRSTUVWXY";
  static_cast<void>(save_identity(instrument.connection(), twenty_five, "1"));
  ASSERT_EQ(instrument.writes().size(), 1u);
  EXPECT_EQ(instrument.writes()[0], expected_write(twenty_five.substr(0, 20), 1));
  EXPECT_EQ(instrument.writes()[0][22], 0);
}

TEST(IdentitySave, TheSerialNumberIsLimitedTo65535) {
  IdentityInstrument instrument;
  static_cast<void>(save_identity(instrument.connection(), "Quay 3", "70000"));
  static_cast<void>(save_identity(instrument.connection(), "Quay 3", ""));
  ASSERT_EQ(instrument.writes().size(), 2u);
  EXPECT_EQ(instrument.writes()[0], expected_write("Quay 3", 65535));
  EXPECT_EQ(instrument.writes()[1], expected_write("Quay 3", 0));
}

TEST(IdentitySave, OldFirmwareRefusesTheWriteWithItsOwnMessage) {
  IdentityInstrument instrument;
  instrument.answer_writes_with(8);
  const IdentitySaveOutcome outcome = save_identity(instrument.connection(), "New name", "5");
  EXPECT_STREQ(outcome.message, "Failed to save settings (firmware is too old for GUI)");
  EXPECT_FALSE(outcome.reread.has_value());
}

TEST(IdentitySave, AFailedReadBeforeTheWriteSendsNothing) {
  IdentityInstrument instrument;
  instrument.answer_reads_with(3);
  const IdentitySaveOutcome outcome = save_identity(instrument.connection(), "New name", "5");
  EXPECT_STREQ(outcome.message, "Failed to save settings");
  EXPECT_TRUE(instrument.writes().empty());
  EXPECT_STREQ(save_identity(nullptr, "New name", "5").message, "Failed to save settings");
}

TEST(IdentitySave, TheMessageFollowsTheFirstStepThatFailed) {
  EXPECT_STREQ(identity_save_text(0, 0, 0), "Settings saved");
  EXPECT_STREQ(identity_save_text(0, 0, 14), "Failed to save settings");
  EXPECT_STREQ(identity_save_text(0, 8, 0),
               "Failed to save settings (firmware is too old for GUI)");
  EXPECT_STREQ(identity_save_text(8, 0, 0),
               "Failed to save settings (firmware is too old for GUI)");
  EXPECT_STREQ(identity_save_text(14, 8, 0), "Failed to save settings");
  EXPECT_STREQ(identity_save_text(0, 3, 0), "Failed to save settings");
  // Result 8 of the read after the write is a plain failure.
  EXPECT_STREQ(identity_save_text(0, 0, 8), "Failed to save settings");
}

}  // namespace
}  // namespace tq
