// Drives the program's real windows inside the test process: creates the main window,
// pumps messages until a condition holds, sends clicks and menu commands by id, reads
// window, status-bar and menu states, and answers modal windows from a timer.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tq::test {

using namespace std::chrono_literals;

class GuiHarness {
 public:
  // Creates and shows the main window, as the program's start-up does.
  GuiHarness();
  ~GuiHarness();
  GuiHarness(const GuiHarness&) = delete;
  GuiHarness& operator=(const GuiHarness&) = delete;

  [[nodiscard]] HWND main() const { return main_; }
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

  [[nodiscard]] std::string title() const;
  [[nodiscard]] std::string status_text(int part) const;
  [[nodiscard]] bool menu_enabled(int id) const;
  [[nodiscard]] static std::string item_text(HWND dialog, int control_id);

 private:
  HWND main_ = nullptr;
  HACCEL accelerators_ = nullptr;
  std::optional<int> quit_code_;
};

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

// The program's settings key: wiped, read and planted by the tests.
void delete_settings_key();
[[nodiscard]] std::optional<RegistryValue> read_settings_value(const char* name);
void plant_settings_value(const char* name, DWORD type, const std::vector<std::uint8_t>& bytes);

}  // namespace tq::test
