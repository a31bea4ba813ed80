// MSG_CONNECTED ownership transfer.
#include "ui/connection_message_win32.h"

#include <memory>

#include "ui/messages.h"

namespace tq {

bool post_connected(HWND target, ConnectionRef connection) {
  auto carried = std::make_unique<ConnectionRef>(std::move(connection));
  // A null target would post to the thread's own queue, where no window takes it.
  if (target == nullptr) return false;
  if (!PostMessageA(target, MSG_CONNECTED, 0, reinterpret_cast<LPARAM>(carried.get()))) {
    return false;
  }
  static_cast<void>(carried.release());  // now owned by the message
  return true;
}

ConnectionRef adopt_connected(LPARAM lparam) {
  if (lparam == 0) return nullptr;
  const std::unique_ptr<ConnectionRef> carried(reinterpret_cast<ConnectionRef*>(lparam));
  return *carried;
}

void discard_pending_connected(HWND target) {
  MSG message{};
  while (PeekMessageA(&message, target, MSG_CONNECTED, MSG_CONNECTED, PM_REMOVE)) {
    static_cast<void>(adopt_connected(message.lParam));
  }
}

}  // namespace tq
