// The device identification dialog against the simulated instrument: it opens on the
// instrument's name and serial number, draws entries out of range in red with Save
// disabled, writes the record carrying every other byte as the instrument holds it, and
// closes after every save with its message.
#include <gtest/gtest.h>

#include "link/commands.h"
#include "tests/config/win32/config_gui_fixture_win32.h"
#include "ui/resource.h"

namespace tq::test {
namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);

sim::InstrumentOptions quay_sampler(bool old_firmware = false) {
  sim::InstrumentOptions options;
  options.name = "Quay 3";
  options.serial_number = 4660;
  options.old_firmware = old_firmware;
  return options;
}

class IdentityGui : public ConfigGui {
 protected:
  explicit IdentityGui(bool old_firmware = false) : ConfigGui(quay_sampler(old_firmware)) {}
  IdentityRecord held() {
    return server().WithInstrument([](sim::Instrument& in) { return in.identity; });
  }
};

class OldFirmwareIdentityGui : public IdentityGui {
 protected:
  OldFirmwareIdentityGui() : IdentityGui(true) {}
};

struct EntryState {
  bool save_enabled;
  bool name_red;
  bool serial_red;

  bool operator==(const EntryState&) const = default;
};

std::ostream& operator<<(std::ostream& out, const EntryState& state) {
  return out << "{save " << state.save_enabled << ", name red " << state.name_red << ", serial red "
             << state.serial_red << "}";
}

EntryState entry_state(HWND dialog) {
  return {enabled(dialog, IDC_IDENTITY_SAVE), edit_text_colour(dialog, IDC_IDENTITY_NAME) == kRed,
          edit_text_colour(dialog, IDC_IDENTITY_SERIAL) == kRed};
}

TEST_F(IdentityGui, OpensOnTheInstrumentsNameAndSerialNumber) {
  std::string name, serial, name_tip, serial_tip;
  EntryState state{};
  DialogSteps& steps = run(IDM_DEVICE_IDENTIFICATION,
                           {
                               [&](HWND dialog) {
                                 name = GuiHarness::item_text(dialog, IDC_IDENTITY_NAME);
                                 serial = GuiHarness::item_text(dialog, IDC_IDENTITY_SERIAL);
                                 name_tip = tooltip_text(dialog, IDC_IDENTITY_NAME);
                                 serial_tip = tooltip_text(dialog, IDC_IDENTITY_SERIAL);
                                 state = entry_state(dialog);
                                 return true;
                               },
                               leave,
                           });
  EXPECT_EQ(steps.dialogs(), std::vector<std::string>{"Configure Device Identification"});
  EXPECT_EQ(name, "Quay 3");
  EXPECT_EQ(serial, "4660");
  EXPECT_EQ(name_tip, "Sensor name to display in Connect view");
  EXPECT_EQ(serial_tip, "Sensor serial number (engraved on microfluidic chip)");
  EXPECT_EQ(state, (EntryState{true, false, false}));
  EXPECT_TRUE(steps.messages().empty());
}

TEST_F(IdentityGui, EntriesOutOfRangeTurnRedAndDisableSaveUntilMended) {
  std::vector<EntryState> states;
  const auto note = [&](HWND dialog) { states.push_back(entry_state(dialog)); };
  DialogSteps& steps =
      run(IDM_DEVICE_IDENTIFICATION,
          {
              [](HWND dialog) {
                type_into(dialog, IDC_IDENTITY_NAME, std::string(20, 'N'));
                return true;
              },
              [&](HWND dialog) {
                note(dialog);  // 20 characters: fine
                post_text(GetDlgItem(dialog, IDC_IDENTITY_NAME), "X");
                return true;
              },
              [&](HWND dialog) {
                note(dialog);  // 21: red, Save disabled; Enter does nothing
                post_key(GetDlgItem(dialog, IDC_IDENTITY_NAME), VK_RETURN);
                return true;
              },
              [](HWND dialog) {
                post_key(GetDlgItem(dialog, IDC_IDENTITY_NAME), VK_BACK);
                return true;
              },
              [&](HWND dialog) {
                note(dialog);  // back to 20
                type_into(dialog, IDC_IDENTITY_SERIAL, "65536");
                return true;
              },
              [&](HWND dialog) {
                note(dialog);  // serial red
                post_key(GetDlgItem(dialog, IDC_IDENTITY_SERIAL), VK_BACK);
                return true;
              },
              // A key's character is queued behind whatever was posted with it: type apart.
              [](HWND dialog) {
                post_text(GetDlgItem(dialog, IDC_IDENTITY_SERIAL), "5");
                return true;
              },
              [&](HWND dialog) {
                note(dialog);  // 65535: fine
                return true;
              },
              leave,
          });
  EXPECT_EQ(steps.steps_done(), 9u);
  EXPECT_TRUE(steps.messages().empty());  // nothing was saved
  EXPECT_EQ(states, (std::vector<EntryState>{{true, false, false},
                                             {false, true, false},
                                             {true, false, false},
                                             {false, false, true},
                                             {true, false, false}}));
  EXPECT_EQ(FieldText(held().name), "Quay 3");
}

TEST_F(IdentityGui, SaveWritesTheEntriesCarriesEveryOtherByteAndCloses) {
  const std::string twenty = "Harbour Sampler No 7";
  DialogSteps& steps =
      run(IDM_DEVICE_IDENTIFICATION,
          {
              [&, this](HWND dialog) {
                type_into(dialog, IDC_IDENTITY_NAME, twenty);
                type_into(dialog, IDC_IDENTITY_SERIAL, "4242");
                // The instrument changes a byte the
                // dialog does not show meanwhile.
                server().WithInstrument([](sim::Instrument& in) { in.identity.unused23 = 0x5A; });
                return true;
              },
              [](HWND dialog) {
                click_button(dialog, IDC_IDENTITY_SAVE);
                return true;
              },
              expect_closed(),
          });
  EXPECT_EQ(steps.messages(), (std::vector<MessageSeen>{{"Save", "Settings saved"}}));
  const IdentityRecord record = held();
  EXPECT_EQ(record.format, 2);
  EXPECT_EQ(FieldText(record.name), twenty);
  EXPECT_EQ(record.serial_number, 4242);
  EXPECT_EQ(record.unused23, 0x5A);
  EXPECT_EQ(record.unused26, (std::array<std::uint8_t, 3>{0x03, 0x01, 0x00}));
  // The dialog closed after its message: the main window is usable again, and shows the
  // new name.
  EXPECT_TRUE(IsWindowEnabled(gui_.main()));
  EXPECT_NE(gui_.title().find(twenty), std::string::npos) << gui_.title();
  EXPECT_EQ(gui_.status_text(0), "Connected to " + twenty);
}

TEST_F(OldFirmwareIdentityGui, FirmwareThatRefusesTheRecordGivesItsMessageAndChangesNothing) {
  const IdentityRecord before = held();
  DialogSteps& steps =
      run(IDM_DEVICE_IDENTIFICATION, {
                                         [](HWND dialog) {
                                           type_into(dialog, IDC_IDENTITY_NAME, "Renamed");
                                           return true;
                                         },
                                         [](HWND dialog) {
                                           click_button(dialog, IDC_IDENTITY_SAVE);
                                           return true;
                                         },
                                         expect_closed(),
                                     });
  EXPECT_EQ(steps.messages(),
            (std::vector<MessageSeen>{
                {"Save", "Failed to save settings (firmware is too old for GUI)"}}));
  EXPECT_EQ(held(), before);
}

TEST(IdentityGuiFailure, AnIdentityThatCannotBeReadClosesTheDialogWithItsMessage) {
  std::vector<std::string> dialogs;
  EXPECT_EQ(messages_of_failed_opening(IDM_DEVICE_IDENTIFICATION, kCmdGetIdentity, &dialogs),
            (std::vector<MessageSeen>{
                {"Configure Sensor Name", "Unable to retrieve Sensor Name from device"}}));
  EXPECT_TRUE(dialogs.empty());
}

}  // namespace
}  // namespace tq::test
