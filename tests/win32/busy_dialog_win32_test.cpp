// The BusyDialog path (Connections with timeout 0) over a real COM port: the answer,
// Cancel while the instrument is silent, and dialogs that cannot run.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "link/transaction.h"
#include "tests/win32/com_pair_win32.h"

namespace tq {
namespace {

using test::Bytes;
using test::Gate;
using test::MakeResponse;
using test::ToBytes;

Frame Request(std::uint8_t command) { return test::MakeRequest(command, {0x5A, 0xA5}); }

// An instrument that answers each request once the test opens its gate.
struct GatedInstrument {
  Gate gate;
  Frame last_answer{};
  std::uint8_t result = 0;

  test::ScriptedDevice::Script Script() {
    return [this](const Frame& req) {
      if (!gate.Wait()) return Bytes{};
      last_answer = MakeResponse(req, result, {1, 2, 3, 4});
      return ToBytes(last_answer);
    };
  }
};

// Drives the dialog from another thread while the test's thread runs it modally.
class DialogDriver {
 public:
  template <typename Action>
  explicit DialogDriver(Action action)
      : ui_thread_(GetCurrentThreadId()), thread_([this, action] {
          const HWND dialog = test::WaitForDialog(ui_thread_);
          if (dialog != nullptr) action(dialog);
          found_ = dialog != nullptr;
        }) {}
  ~DialogDriver() {
    if (thread_.joinable()) thread_.join();
  }
  DialogDriver(const DialogDriver&) = delete;
  DialogDriver& operator=(const DialogDriver&) = delete;

  bool Found() {
    if (thread_.joinable()) thread_.join();
    return found_;
  }

 private:
  DWORD ui_thread_;
  std::atomic<bool> found_{false};
  std::thread thread_;
};

TEST(BusyDialog, AnswerEndsTheDialogWithTheResponse) {
  GatedInstrument instrument;
  instrument.gate.Open();
  auto rig = test::OpenComPairRig(instrument.Script(), 0);
  ASSERT_TRUE(rig.connection && rig.device);

  Frame f = Request(0x27);
  EXPECT_EQ(RunCommand(rig.connection.get(), f), kResultOk);
  EXPECT_EQ(f, instrument.last_answer);

  instrument.result = 5;
  f = Request(0x27);
  EXPECT_EQ(RunCommand(rig.connection.get(), f), 5);
  EXPECT_EQ(rig.device->Requests().size(), 2u);
}

TEST(BusyDialog, IsOwnedByTheConnectionsOwnerAndOnlyTheAnswerEndsIt) {
  // WM_USER, the worker's message, is also DM_GETDEFID, which the dialog manager sends
  // with lParam 0 (as on Enter): that must not pass for a successful Transaction.
  const HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                     nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  GatedInstrument instrument;
  auto rig = test::OpenComPairRig(instrument.Script(), 0, owner);
  ASSERT_TRUE(rig.connection && rig.device);

  HWND dialog_owner = nullptr;
  bool still_open = false;
  DialogDriver driver([&](HWND dialog) {
    dialog_owner = GetWindow(dialog, GW_OWNER);
    // A modal dialog shows once its loop first runs idle, which may be after the request
    // is out: wait for both, or "still open" would be judged too early.
    test::WaitFor([&] { return IsWindowVisible(dialog) && rig.device->Requests().size() == 1; });
    SendMessageA(dialog, DM_GETDEFID, 0, 0);
    still_open = IsWindow(dialog) && IsWindowVisible(dialog);
    instrument.gate.Open();
  });
  Frame f = Request(0x27);
  EXPECT_EQ(RunCommand(rig.connection.get(), f), kResultOk);
  ASSERT_TRUE(driver.Found());
  EXPECT_EQ(dialog_owner, owner);
  EXPECT_TRUE(still_open);
  EXPECT_EQ(f, instrument.last_answer);
  DestroyWindow(owner);
}

TEST(BusyDialog, CancelReturnsAtOnceAndTheLateWorkerLeavesTheCallersFrameAlone) {
  GatedInstrument instrument;
  auto rig = test::OpenComPairRig(instrument.Script(), 0);
  ASSERT_TRUE(rig.connection && rig.device);

  DialogDriver driver([&](HWND dialog) {
    test::WaitFor([&] { return rig.device->Requests().size() == 1; });
    SendMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
  });
  const Frame original = Request(0x27);
  Frame f = original;
  EXPECT_EQ(RunTransactionBehindBusyDialog(*rig.connection, f), kResultBusyCancelled);
  ASSERT_TRUE(driver.Found());
  EXPECT_EQ(f, original);

  // The worker is still reading (under Wine nothing cancels it); once the instrument
  // answers, its Transaction completes on its own copy and lets go of the lock.
  EXPECT_FALSE(rig.connection->lock.try_lock());
  instrument.gate.Open();
  ASSERT_TRUE(test::WaitFor([&] {
    if (!rig.connection->lock.try_lock()) return false;
    rig.connection->lock.unlock();
    return true;
  }));
  EXPECT_EQ(f, original);

  // The Connection is usable again, and a command sees Cancel as a link failure.
  f = Request(0x27);
  EXPECT_EQ(RunCommand(rig.connection.get(), f), kResultOk);
  EXPECT_EQ(f, instrument.last_answer);
}

TEST(BusyDialog, CancelMakesTheCommandFailWith14) {
  GatedInstrument instrument;
  auto rig = test::OpenComPairRig(instrument.Script(), 0);
  ASSERT_TRUE(rig.connection && rig.device);
  DialogDriver driver([&](HWND dialog) {
    test::WaitFor([&] { return rig.device->Requests().size() == 1; });
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  Frame f = Request(0x27);
  EXPECT_EQ(RunCommand(rig.connection.get(), f), kResultLinkFailure);
  ASSERT_TRUE(driver.Found());
  instrument.gate.Open();  // let the worker finish before the Connection goes
  EXPECT_TRUE(test::WaitFor([&] {
    if (!rig.connection->lock.try_lock()) return false;
    rig.connection->lock.unlock();
    return true;
  }));
}

TEST(BusyDialog, DialogDestroyedWithItsOwnerFailsWith14) {
  // The modal loop then ends without the dialog having ended itself, and DialogBox
  // reports 0: that must not pass for a successful command.
  const HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                     nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  GatedInstrument instrument;
  auto rig = test::OpenComPairRig(instrument.Script(), 0, owner);
  ASSERT_TRUE(rig.connection && rig.device);
  DialogDriver driver([&](HWND) {
    test::WaitFor([&] { return rig.device->Requests().size() == 1; });
    PostMessageA(owner, WM_CLOSE, 0, 0);  // the default handling destroys the owner
  });
  Frame f = Request(0x27);
  EXPECT_EQ(RunCommand(rig.connection.get(), f), kResultLinkFailure);
  ASSERT_TRUE(driver.Found());
  EXPECT_FALSE(IsWindow(owner));
  instrument.gate.Open();
  EXPECT_TRUE(test::WaitFor([&] {
    if (!rig.connection->lock.try_lock()) return false;
    rig.connection->lock.unlock();
    return true;
  }));
}

TEST(BusyDialog, DialogThatCannotRunFailsWith14AndSendsNothing) {
  GatedInstrument instrument;
  instrument.gate.Open();
  auto rig = test::OpenComPairRig(instrument.Script(), 0);
  ASSERT_TRUE(rig.connection && rig.device);

  rig.connection->busy_dialog = 999;  // no such template in this program
  Frame f = Request(0x27);
  EXPECT_EQ(RunCommand(rig.connection.get(), f), kResultLinkFailure);

  // A dialog given an owner that is no window may not run at all and still report 0.
  rig.connection->busy_dialog = 0;
  rig.connection->owner = reinterpret_cast<WindowHandle>(static_cast<std::uintptr_t>(0x7FF0));
  f = Request(0x27);
  EXPECT_EQ(RunCommand(rig.connection.get(), f), kResultLinkFailure);
  EXPECT_TRUE(rig.device->Requests().empty());
}

}  // namespace
}  // namespace tq
