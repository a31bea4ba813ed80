// Drives the program's real windows inside the test process: creates the main window on
// an in-memory settings store, pumps messages until a condition holds, presses keys into
// the focused control, sends clicks and menu commands by id, reads window, status-bar and
// menu states, and answers modal windows from a timer.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/connection.h"
#include "ui/settings_store_memory.h"

namespace tq::test {

using namespace std::chrono_literals;

struct HarnessOptions {
  // The settings the program sees; a new empty store when not given. Share one between
  // harnesses to see what one run of the program left for the next.
  std::shared_ptr<MemorySettingsStore> settings;
  // The serial ports the program lists; the registry's device map when not given.
  std::optional<std::vector<std::string>> ports;
};

// Keys held while a key is pressed.
enum Modifier : unsigned { kNoModifier = 0, kShift = 1, kAlt = 2, kControl = 4 };

class GuiHarness {
 public:
  // Creates and shows the main window, as the program's start-up does.
  explicit GuiHarness(HarnessOptions options = {});
  ~GuiHarness();
  GuiHarness(const GuiHarness&) = delete;
  GuiHarness& operator=(const GuiHarness&) = delete;

  [[nodiscard]] HWND main() const { return main_; }
  [[nodiscard]] MemorySettingsStore& settings() const { return *settings_; }
  [[nodiscard]] HACCEL accelerators() const { return accelerators_; }
  // Pump as a loop without the accelerator table would.
  void drop_accelerators() { accelerators_ = nullptr; }

  // Handles one queued message the way the program's loop does; false when none was
  // waiting. WM_QUIT is recorded, not dispatched.
  bool pump_one();
  // Handles everything queued now.
  void pump_pending();
  // Pumps until `condition` holds or the deadline passes; the condition's last value.
  bool pump_until(const std::function<bool()>& condition,
                  std::chrono::milliseconds deadline = 5000ms);

  [[nodiscard]] bool alive() const { return IsWindow(main_) != FALSE; }
  // The code of the quit message, once the program's loop would have ended.
  [[nodiscard]] std::optional<int> quit_code() const { return quit_code_; }

  // The view on show and its id (its template number), 0 when there is none.
  [[nodiscard]] HWND view() const;
  [[nodiscard]] int view_id() const;

  void command(int id);  // a menu command, sent as the menu sends it
  static void click(HWND dialog, int control_id);

  // Presses and releases a key as the keyboard does: into the control that has the focus
  // (or, when none has, to the active window, as the system does), through the program's
  // own message loop, with the modifiers held meanwhile.
  void press_key(UINT virtual_key, unsigned modifiers = kNoModifier);
  // The control with the keyboard focus, null when none has it.
  [[nodiscard]] static HWND focused();

  [[nodiscard]] std::string title() const;
  [[nodiscard]] std::string status_text(int part) const;
  [[nodiscard]] bool menu_enabled(int id) const;
  [[nodiscard]] static std::string item_text(HWND dialog, int control_id);

 private:
  std::shared_ptr<MemorySettingsStore> settings_;
  HWND main_ = nullptr;
  HACCEL accelerators_ = nullptr;
  std::optional<int> quit_code_;
};

// Hands the main window a Connection as the Connect view does and pumps until the Run view
// has replaced the Connect view; false when it did not within a few seconds.
[[nodiscard]] bool post_connected_and_wait(GuiHarness& gui, ConnectionRef connection);

// What a modal window showed when it was answered.
struct ModalSeen {
  std::string caption;
  std::string text;                  // a message box's text
  std::map<int, std::string> items;  // every child control's text, by id
};

// While it lives, presses `button` in each modal window (message box or dialog) that
// the test thread opens, after noting what it showed.
class ModalAnswerer {
 public:
  explicit ModalAnswerer(int button);
  ~ModalAnswerer();
  ModalAnswerer(const ModalAnswerer&) = delete;
  ModalAnswerer& operator=(const ModalAnswerer&) = delete;

  [[nodiscard]] const std::vector<ModalSeen>& seen() const { return seen_; }

 private:
  static LRESULT CALLBACK timer_window_proc(HWND window, UINT message, WPARAM wparam,
                                            LPARAM lparam);
  void scan();

  int button_;
  HWND timer_window_ = nullptr;
  std::vector<HWND> answered_;
  std::vector<ModalSeen> seen_;
};

// While it lives, drives each modal window (dialog or message box) that the test thread
// opens: `step` is called with the window about every 20 ms, from inside the modal
// window's own message loop, until it returns true. Between calls that loop carries out
// whatever the step posted (post_key, post_text, a click), as it would for a user.
class ModalScript {
 public:
  using Step = std::function<bool(HWND modal)>;
  explicit ModalScript(Step step);
  ~ModalScript();
  ModalScript(const ModalScript&) = delete;
  ModalScript& operator=(const ModalScript&) = delete;

  // Modal windows seen so far, in the order they appeared.
  [[nodiscard]] const std::vector<ModalSeen>& seen() const { return seen_; }

 private:
  static LRESULT CALLBACK timer_window_proc(HWND window, UINT message, WPARAM wparam,
                                            LPARAM lparam);
  void scan();

  Step step_;
  HWND timer_window_ = nullptr;
  std::vector<HWND> known_;
  std::vector<HWND> done_;
  std::vector<ModalSeen> seen_;
};

// A key pressed and released into `target` (the focused control of a modal window, say);
// whichever loop serves the window carries it out.
void post_key(HWND target, UINT virtual_key);
// Characters typed into `target`.
void post_text(HWND target, const std::string& text);
// If `modal` is a save-file (or open-file) dialog: types `file` as its file name and
// presses its OK button; false for any other window.
bool answer_save_dialog(HWND modal, const std::string& file);
// What a modal window shows now: its caption, a message box's text, every child's text.
[[nodiscard]] ModalSeen describe_modal(HWND modal);

// A registry value as stored.
struct RegistryValue {
  DWORD type = REG_NONE;
  std::vector<std::uint8_t> bytes;
};

struct SerialCommEntry {
  std::string name;
  DWORD type;
  std::vector<std::uint8_t> data;
};
[[nodiscard]] SerialCommEntry serial_port_entry(const std::string& name, const std::string& port);

// Replaces the values of HKLM\HARDWARE\DEVICEMAP\SERIALCOMM for the life of the object and
// puts the old ones back afterwards.
class SerialCommList {
 public:
  explicit SerialCommList(const std::vector<SerialCommEntry>& entries);
  ~SerialCommList();
  SerialCommList(const SerialCommList&) = delete;
  SerialCommList& operator=(const SerialCommList&) = delete;

 private:
  std::vector<SerialCommEntry> saved_;
};

// The registry's settings key: wiped, read and planted by the registry store's own tests
// (the windows' tests use the in-memory store).
void delete_settings_key();
[[nodiscard]] std::optional<RegistryValue> read_settings_value(const char* name);
void plant_settings_value(const char* name, DWORD type, const std::vector<std::uint8_t>& bytes);

}  // namespace tq::test
