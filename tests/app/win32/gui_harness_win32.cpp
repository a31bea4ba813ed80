// The in-process window test harness.
#include "tests/app/win32/gui_harness_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <array>

#include "app/main_window_win32.h"
#include "link/serial_ports_win32.h"
#include "ui/connection_message_win32.h"
#include "ui/resource.h"
#include "ui/settings.h"
#include "ui/window_context.h"

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

// Lets the main window own a store that the harness reads too.
class SharedSettingsStore final : public SettingsStore {
 public:
  explicit SharedSettingsStore(std::shared_ptr<MemorySettingsStore> store)
      : store_(std::move(store)) {}
  bool write_dword(const char* name, std::uint32_t value) override {
    return store_->write_dword(name, value);
  }
  bool write_string(const char* name, std::string_view text) override {
    return store_->write_string(name, text);
  }
  std::optional<std::uint32_t> read_dword(const char* name) const override {
    return store_->read_dword(name);
  }
  std::optional<std::string> read_string(const char* name,
                                         std::size_t buffer_bytes) const override {
    return store_->read_string(name, buffer_bytes);
  }

 private:
  std::shared_ptr<MemorySettingsStore> store_;
};

LPARAM key_lparam(UINT virtual_key, bool up, bool alt) {
  const UINT scan = MapVirtualKeyA(virtual_key, MAPVK_VK_TO_VSC);
  LPARAM lparam = 1 | static_cast<LPARAM>(scan) << 16;
  if (alt) lparam |= static_cast<LPARAM>(KF_ALTDOWN) << 16;
  if (up) lparam |= static_cast<LPARAM>(KF_REPEAT | KF_UP) << 16;
  return lparam;
}

void hold_modifiers(unsigned modifiers, bool held) {
  std::array<BYTE, 256> state{};
  GetKeyboardState(state.data());
  const BYTE value = held ? 0x80 : 0;
  if ((modifiers & kShift) != 0) state[VK_SHIFT] = state[VK_LSHIFT] = value;
  if ((modifiers & kAlt) != 0) state[VK_MENU] = state[VK_LMENU] = value;
  if ((modifiers & kControl) != 0) state[VK_CONTROL] = state[VK_LCONTROL] = value;
  SetKeyboardState(state.data());
}

// A message-only window whose timer calls `proc` with `self` in its user data.
HWND make_timer_window(const char* class_name, WNDPROC proc, void* self) {
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = proc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = class_name;
  RegisterClassA(&window_class);  // fails harmlessly when already registered
  const HWND window = CreateWindowExA(0, class_name, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      GetModuleHandleA(nullptr), nullptr);
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  SetTimer(window, kAnswerTimer, kAnswerPeriodMs, nullptr);
  return window;
}

// Modal windows of this thread now open: enabled, visible dialogs with an owner (the
// window they disabled); the main window has none.
std::vector<HWND> open_modal_windows() {
  struct Search {
    std::vector<HWND> found;
  } search;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM data) -> BOOL {
        if (class_of(window) == "#32770" && IsWindowVisible(window) && IsWindowEnabled(window) &&
            GetWindow(window, GW_OWNER) != nullptr) {
          reinterpret_cast<Search*>(data)->found.push_back(window);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

GuiHarness::GuiHarness(HarnessOptions options)
    : settings_(options.settings ? options.settings : std::make_shared<MemorySettingsStore>()) {
  INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX),
                               ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&classes);
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  MainWindowServices services;
  services.settings = std::make_unique<SharedSettingsStore>(settings_);
  if (options.ports) {
    services.ports = std::make_unique<FixedPortLister>(*options.ports);
  } else {
    services.ports = std::make_unique<RegistryPortLister>();
  }
  main_ = create_main_window(instance, std::move(services));
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

// The main window gives each view its view id as child id.
int GuiHarness::view_id() const {
  const HWND current = view();
  return current != nullptr ? GetDlgCtrlID(current) : 0;
}

void GuiHarness::command(int id) { SendMessageA(main_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

HWND GuiHarness::focused() { return GetFocus(); }

bool post_connected_and_wait(GuiHarness& gui, ConnectionRef connection) {
  if (!post_connected(gui.main(), std::move(connection))) return false;
  return gui.pump_until([&] { return gui.view_id() == IDD_RUN_VIEW; });
}

void GuiHarness::press_key(UINT virtual_key, unsigned modifiers) {
  const bool alt = (modifiers & kAlt) != 0;
  HWND target = GetFocus();
  // Without a focus the system gives keys to the active window, as system keys.
  const bool system = alt || target == nullptr;
  if (target == nullptr) target = GetActiveWindow();
  if (target == nullptr) return;
  hold_modifiers(modifiers, true);
  PostMessageA(target, system ? WM_SYSKEYDOWN : WM_KEYDOWN, virtual_key,
               key_lparam(virtual_key, false, alt));
  pump_pending();
  // The key goes up wherever the focus is now.
  HWND now = GetFocus();
  if (now == nullptr) now = GetActiveWindow();
  if (now != nullptr) {
    PostMessageA(now, system ? WM_SYSKEYUP : WM_KEYUP, virtual_key,
                 key_lparam(virtual_key, true, alt));
    pump_pending();
  }
  hold_modifiers(modifiers, false);
}

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
  timer_window_ = make_timer_window("TarnquillTestModalAnswerer", timer_window_proc, this);
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
  for (const HWND window : open_modal_windows()) {
    bool done = false;
    for (const HWND answered : answered_) done = done || answered == window;
    if (done) continue;
    answered_.push_back(window);
    seen_.push_back(describe_modal(window));
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(button_, BN_CLICKED), 0);
  }
}

ModalSeen describe_modal(HWND modal) {
  ModalSeen seen;
  seen.caption = text_of(modal);
  // Only a message box has the text control; Wine leaves junk for a missing window.
  if (const HWND box_text = GetDlgItem(modal, kMessageBoxTextId)) seen.text = text_of(box_text);
  for (HWND child = GetWindow(modal, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    seen.items[GetDlgCtrlID(child)] = text_of(child);
  }
  return seen;
}

ModalScript::ModalScript(Step step) : step_(std::move(step)) {
  timer_window_ = make_timer_window("TarnquillTestModalScript", timer_window_proc, this);
}

ModalScript::~ModalScript() {
  KillTimer(timer_window_, kAnswerTimer);
  DestroyWindow(timer_window_);
}

LRESULT CALLBACK ModalScript::timer_window_proc(HWND window, UINT message, WPARAM wparam,
                                                LPARAM lparam) {
  if (message == WM_TIMER && wparam == kAnswerTimer) {
    auto* self = reinterpret_cast<ModalScript*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self != nullptr) self->scan();
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

void ModalScript::scan() {
  const auto contains = [](const std::vector<HWND>& windows, HWND window) {
    return std::find(windows.begin(), windows.end(), window) != windows.end();
  };
  for (const HWND window : open_modal_windows()) {
    if (contains(done_, window)) continue;
    if (!contains(known_, window)) {
      known_.push_back(window);
      seen_.push_back(describe_modal(window));
    }
    if (step_(window)) done_.push_back(window);
  }
}

bool answer_save_dialog(HWND modal, const std::string& file) {
  // The file name box of the common file dialogs: a combo box in the explorer style
  // (cmb13), an edit in the old one (edt1).
  constexpr int kFileNameCombo = 0x47C;
  constexpr int kFileNameEdit = 0x480;
  HWND name = GetDlgItem(modal, kFileNameCombo);
  if (name == nullptr) name = GetDlgItem(modal, kFileNameEdit);
  if (name == nullptr) return false;
  SetWindowTextA(name, file.c_str());
  PostMessageA(modal, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(modal, IDOK)));
  return true;
}

void post_key(HWND target, UINT virtual_key) {
  PostMessageA(target, WM_KEYDOWN, virtual_key, key_lparam(virtual_key, false, false));
  PostMessageA(target, WM_KEYUP, virtual_key, key_lparam(virtual_key, true, false));
}

void post_text(HWND target, const std::string& text) {
  for (const char c : text) {
    PostMessageA(target, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 1);
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
