// The in-process window test harness.
#include "tests/shell/win32/gui_harness_win32.h"

#include <commctrl.h>

#include <array>

#include "shell/main_window_win32.h"
#include "shell/resource.h"
#include "shell/serial_ports_win32.h"
#include "shell/settings.h"

namespace tq::test {
namespace {

constexpr UINT_PTR kAnswerTimer = 1;
constexpr UINT kAnswerPeriodMs = 20;
constexpr int kMessageBoxTextId = 0xFFFF;  // the static that holds a message box's text

std::string text_of(HWND window) {
  std::array<char, 1024> text{};
  GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
  return text.data();
}

std::string class_of(HWND window) {
  std::array<char, 64> name{};
  GetClassNameA(window, name.data(), static_cast<int>(name.size()));
  return name.data();
}

}  // namespace

GuiHarness::GuiHarness() {
  INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX),
                               ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&classes);
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  main_ = create_main_window(instance);
  ShowWindow(main_, SW_SHOW);
  accelerators_ = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));
  pump_pending();
}

GuiHarness::~GuiHarness() {
  if (alive()) DestroyWindow(main_);
  pump_pending();  // collects the quit message, so the next test starts with a clean queue
}

bool GuiHarness::pump_one() {
  MSG message{};
  if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return false;
  if (message.message == WM_QUIT) {
    quit_code_ = static_cast<int>(message.wParam);
    return true;
  }
  if (alive() && handle_main_window_message(main_, accelerators_, message)) return true;
  TranslateMessage(&message);
  DispatchMessageA(&message);
  return true;
}

void GuiHarness::pump_pending() {
  while (pump_one()) {
  }
}

bool GuiHarness::pump_until(const std::function<bool()>& condition,
                            std::chrono::milliseconds deadline) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  for (;;) {
    while (pump_one()) {
      if (condition()) return true;
    }
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

HWND GuiHarness::view() const {
  for (HWND child = GetWindow(main_, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (class_of(child) == "#32770") return child;
  }
  return nullptr;
}

int GuiHarness::view_id() const {
  const HWND current = view();
  if (current == nullptr) return 0;
  if (GetDlgItem(current, IDC_CONNECT_BANNER) != nullptr) return IDD_CONNECT_VIEW;
  if (GetDlgItem(current, IDC_RUN_BANNER) != nullptr) return IDD_RUN_VIEW;
  if (GetDlgItem(current, IDC_DIAGNOSTICS_BANNER) != nullptr) return IDD_DIAGNOSTICS_VIEW;
  return -1;
}

void GuiHarness::command(int id) { SendMessageA(main_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

void GuiHarness::click(HWND dialog, int control_id) {
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(control_id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, control_id)));
}

std::string GuiHarness::title() const { return text_of(main_); }

std::string GuiHarness::status_text(int part) const {
  const HWND status = GetDlgItem(main_, IDC_STATUS_BAR);
  std::array<char, 512> text{};
  const auto length = LOWORD(SendMessageA(status, SB_GETTEXTLENGTHA, static_cast<WPARAM>(part), 0));
  if (length >= text.size()) return "<too long>";
  SendMessageA(status, SB_GETTEXTA, static_cast<WPARAM>(part),
               reinterpret_cast<LPARAM>(text.data()));
  return text.data();
}

bool GuiHarness::menu_enabled(int id) const {
  const UINT state = GetMenuState(GetMenu(main_), static_cast<UINT>(id), MF_BYCOMMAND);
  return state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED)) == 0;
}

std::string GuiHarness::item_text(HWND dialog, int control_id) {
  return text_of(GetDlgItem(dialog, control_id));
}

ModalAnswerer::ModalAnswerer(int button) : button_(button) {
  static constexpr const char* kClassName = "TarnquillTestModalAnswerer";
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = timer_window_proc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = kClassName;
  RegisterClassA(&window_class);  // fails harmlessly when already registered
  timer_window_ = CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
  SetWindowLongPtrA(timer_window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetTimer(timer_window_, kAnswerTimer, kAnswerPeriodMs, nullptr);
}

ModalAnswerer::~ModalAnswerer() {
  KillTimer(timer_window_, kAnswerTimer);
  DestroyWindow(timer_window_);
}

LRESULT CALLBACK ModalAnswerer::timer_window_proc(HWND window, UINT message, WPARAM wparam,
                                                  LPARAM lparam) {
  if (message == WM_TIMER && wparam == kAnswerTimer) {
    auto* self = reinterpret_cast<ModalAnswerer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self != nullptr) self->scan();
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

void ModalAnswerer::scan() {
  struct Search {
    std::vector<HWND> found;
  } search;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM data) -> BOOL {
        // A modal window is an enabled, visible dialog with an owner (the window it
        // disabled); the main window has none.
        if (class_of(window) == "#32770" && IsWindowVisible(window) && IsWindowEnabled(window) &&
            GetWindow(window, GW_OWNER) != nullptr) {
          reinterpret_cast<Search*>(data)->found.push_back(window);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  for (const HWND window : search.found) {
    bool done = false;
    for (const HWND answered : answered_) done = done || answered == window;
    if (done) continue;
    answered_.push_back(window);
    ModalSeen seen;
    seen.caption = text_of(window);
    seen.text = text_of(GetDlgItem(window, kMessageBoxTextId));
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
      seen.items[GetDlgCtrlID(child)] = text_of(child);
    }
    seen_.push_back(seen);
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(button_, BN_CLICKED), 0);
  }
}

SerialCommEntry serial_port_entry(const std::string& name, const std::string& port) {
  std::vector<std::uint8_t> data(port.begin(), port.end());
  data.push_back(0);
  return {name, REG_SZ, data};
}

SerialCommList::SerialCommList(const std::vector<SerialCommEntry>& entries) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSerialCommKey, 0, nullptr, REG_OPTION_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return;
  }
  for (;;) {
    std::array<char, 256> name{};
    std::array<std::uint8_t, 256> data{};
    DWORD name_length = name.size();
    DWORD data_size = data.size();
    DWORD type = 0;
    if (RegEnumValueA(key, 0, name.data(), &name_length, nullptr, &type, data.data(), &data_size) !=
        ERROR_SUCCESS) {
      break;
    }
    saved_.push_back({name.data(), type, {data.begin(), data.begin() + data_size}});
    RegDeleteValueA(key, name.data());
  }
  for (const SerialCommEntry& entry : entries) {
    RegSetValueExA(key, entry.name.c_str(), 0, entry.type, entry.data.data(),
                   static_cast<DWORD>(entry.data.size()));
  }
  RegCloseKey(key);
}

SerialCommList::~SerialCommList() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSerialCommKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
    return;
  }
  for (;;) {
    std::array<char, 256> name{};
    DWORD name_length = name.size();
    if (RegEnumValueA(key, 0, name.data(), &name_length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    RegDeleteValueA(key, name.data());
  }
  for (const SerialCommEntry& entry : saved_) {
    RegSetValueExA(key, entry.name.c_str(), 0, entry.type, entry.data.data(),
                   static_cast<DWORD>(entry.data.size()));
  }
  RegCloseKey(key);
}

void delete_settings_key() { RegDeleteKeyA(HKEY_CURRENT_USER, settings_key_path().c_str()); }

std::optional<RegistryValue> read_settings_value(const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, settings_key_path().c_str(), 0, KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  RegistryValue value;
  std::array<std::uint8_t, 256> data{};
  DWORD size = data.size();
  const LONG status = RegQueryValueExA(key, name, nullptr, &value.type, data.data(), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return std::nullopt;
  value.bytes.assign(data.begin(), data.begin() + size);
  return value;
}

void plant_settings_value(const char* name, DWORD type, const std::vector<std::uint8_t>& bytes) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, settings_key_path().c_str(), 0, nullptr,
                      REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return;
  }
  RegSetValueExA(key, name, 0, type, bytes.data(), static_cast<DWORD>(bytes.size()));
  RegCloseKey(key);
}

}  // namespace tq::test
