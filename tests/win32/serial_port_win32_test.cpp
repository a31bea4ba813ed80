// The Win32 serial port: how it opens a COM port, its failure paths, and the engine's
// exchange through a real COM port (a pseudo-terminal pair under Wine).
#include "link/serial_port_win32.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "link/transaction.h"
#include "tests/win32/com_pair_win32.h"

namespace tq {
namespace {

using test::Bytes;
using test::MakeResponse;
using test::MakeResponseWithSequence;
using test::ToBytes;

// What the opening steps did. The seam takes plain function pointers, so the fakes
// below reach the record of the running test through this one pointer.
struct OpenRecord {
  bool fail_get_state = false;
  bool fail_set_state = false;
  bool fail_timeouts = false;
  bool real_create = true;
  std::string redirect;          // opened instead of the device path when not empty
  bool accept_timeouts = false;  // report success without applying them

  std::string path;
  DWORD access = 0, share = 0, disposition = 0, flags = 0;
  bool security = false, template_file = false;
  HANDLE opened = nullptr;
  DCB applied{};
  COMMTIMEOUTS timeouts{};
  std::vector<std::string> events;  // "create", "set_state", "timeouts", "box", "close"
  HWND box_owner = nullptr;
  std::string box_text, box_caption;
  UINT box_type = 0;
};
OpenRecord* g_record = nullptr;

// A line state no port reports by default, to see that only the four settings change.
void ReportUnusualState(DCB& dcb) {
  dcb.BaudRate = CBR_9600;
  dcb.ByteSize = 7;
  dcb.Parity = EVENPARITY;
  dcb.StopBits = TWOSTOPBITS;
  dcb.fBinary = TRUE;
  dcb.fOutxCtsFlow = TRUE;
  dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
  dcb.fOutX = TRUE;
  dcb.fRtsControl = RTS_CONTROL_TOGGLE;
  dcb.XonLim = 17;
  dcb.XoffLim = 23;
  dcb.XonChar = 0x41;
  dcb.XoffChar = 0x42;
  dcb.EofChar = 0x1A;
  dcb.EvtChar = 0x7E;
}

HANDLE WINAPI FakeCreate(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                         DWORD disposition, DWORD flags, HANDLE template_file) {
  OpenRecord& r = *g_record;
  r.events.push_back("create");
  r.path = path;
  r.access = access;
  r.share = share;
  r.security = security != nullptr;
  r.disposition = disposition;
  r.flags = flags;
  r.template_file = template_file != nullptr;
  const char* target = r.redirect.empty() ? path : r.redirect.c_str();
  r.opened = r.real_create
                 ? CreateFileA(target, access, share, security, disposition, flags, template_file)
                 : INVALID_HANDLE_VALUE;
  return r.opened;
}

BOOL WINAPI FakeGetState(HANDLE, LPDCB dcb) {
  if (g_record->fail_get_state) return FALSE;
  ReportUnusualState(*dcb);
  return TRUE;
}

BOOL WINAPI FakeSetState(HANDLE, LPDCB dcb) {
  g_record->events.push_back("set_state");
  g_record->applied = *dcb;
  return g_record->fail_set_state ? FALSE : TRUE;
}

BOOL WINAPI FakeTimeouts(HANDLE handle, LPCOMMTIMEOUTS timeouts) {
  g_record->events.push_back("timeouts");
  g_record->timeouts = *timeouts;
  if (g_record->fail_timeouts) return FALSE;
  return g_record->accept_timeouts ? TRUE : SetCommTimeouts(handle, timeouts);
}

BOOL WINAPI FakeClose(HANDLE handle) {
  g_record->events.push_back("close");
  return CloseHandle(handle);
}

int WINAPI FakeBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  OpenRecord& r = *g_record;
  r.events.push_back("box");
  r.box_owner = owner;
  r.box_text = text;
  r.box_caption = caption;
  r.box_type = type;
  return IDOK;
}

constexpr SerialOpenCalls kFakeCalls{&FakeCreate,   &FakeGetState, &FakeSetState,
                                     &FakeTimeouts, &FakeClose,    &FakeBox};

class SerialOpen : public ::testing::Test {
 protected:
  void SetUp() override { g_record = &record; }
  void TearDown() override { g_record = nullptr; }
  OpenRecord record;
};

TEST_F(SerialOpen, OpensTheDeviceExclusivelyAt38400_8N1AndKeepsTheOtherSettings) {
  auto port = OpenSerialPortWith(kFakeCalls, test::kHostPort);
  ASSERT_NE(port, nullptr);

  EXPECT_EQ(record.path, "\\\\.\\COM7");
  EXPECT_EQ(record.access, static_cast<DWORD>(GENERIC_READ | GENERIC_WRITE));
  EXPECT_EQ(record.share, 0u);
  EXPECT_EQ(record.disposition, static_cast<DWORD>(OPEN_EXISTING));
  EXPECT_EQ(record.flags, 0u);
  EXPECT_FALSE(record.security);
  EXPECT_FALSE(record.template_file);

  const DCB& d = record.applied;
  EXPECT_EQ(d.BaudRate, 38400u);
  EXPECT_EQ(d.ByteSize, 8);
  EXPECT_EQ(d.Parity, NOPARITY);
  EXPECT_EQ(d.StopBits, ONESTOPBIT);
  DCB reported{};
  ReportUnusualState(reported);
  EXPECT_EQ(d.fOutxCtsFlow, reported.fOutxCtsFlow);
  EXPECT_EQ(d.fDtrControl, reported.fDtrControl);
  EXPECT_EQ(d.fOutX, reported.fOutX);
  EXPECT_EQ(d.fRtsControl, reported.fRtsControl);
  EXPECT_EQ(d.XonLim, reported.XonLim);
  EXPECT_EQ(d.XoffLim, reported.XoffLim);
  EXPECT_EQ(d.XonChar, reported.XonChar);
  EXPECT_EQ(d.XoffChar, reported.XoffChar);
  EXPECT_EQ(d.EofChar, reported.EofChar);
  EXPECT_EQ(d.EvtChar, reported.EvtChar);

  const COMMTIMEOUTS& t = record.timeouts;
  EXPECT_EQ(t.ReadIntervalTimeout, 0u);
  EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 0u);
  EXPECT_EQ(t.ReadTotalTimeoutConstant, 0u);
  EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 0u);
  EXPECT_EQ(t.WriteTotalTimeoutConstant, 500u);
  EXPECT_EQ(record.events, (std::vector<std::string>{"create", "set_state", "timeouts"}));
}

TEST_F(SerialOpen, RefusedLineSettingsCloseThePortWithoutAMessage) {
  record.fail_get_state = true;
  EXPECT_EQ(OpenSerialPortWith(kFakeCalls, test::kHostPort), nullptr);
  EXPECT_EQ(record.events, (std::vector<std::string>{"create", "close"}));

  record = OpenRecord{};
  record.fail_set_state = true;
  EXPECT_EQ(OpenSerialPortWith(kFakeCalls, test::kHostPort), nullptr);
  EXPECT_EQ(record.events, (std::vector<std::string>{"create", "set_state", "close"}));
}

TEST_F(SerialOpen, RefusedTimeoutsShowFailedToOpenPort4ThenClose) {
  record.fail_timeouts = true;
  EXPECT_EQ(OpenSerialPortWith(kFakeCalls, test::kHostPort), nullptr);
  EXPECT_EQ(record.events,
            (std::vector<std::string>{"create", "set_state", "timeouts", "box", "close"}));
  EXPECT_EQ(record.box_owner, nullptr);
  EXPECT_EQ(record.box_text, "Failed to open port(4)");
  EXPECT_EQ(record.box_caption, "");
  EXPECT_EQ(record.box_type, static_cast<UINT>(MB_OK));
}

TEST_F(SerialOpen, MissingPortFailsSilently) {
  EXPECT_EQ(OpenSerialPortWith(kFakeCalls, "COM99"), nullptr);
  EXPECT_EQ(record.events, (std::vector<std::string>{"create"}));
  EXPECT_EQ(OpenSerialPort("COM99"), nullptr);
}

TEST_F(SerialOpen, NamesThatWouldOpenAnotherDeviceAreRefusedUnopened) {
  record.real_create = false;
  const std::string longest(255, 'X');  // "\\.\" + 255 characters + NUL fill the 260
  EXPECT_EQ(OpenSerialPortWith(kFakeCalls, longest), nullptr);
  EXPECT_EQ(record.path, "\\\\.\\" + longest);

  record = OpenRecord{};
  record.real_create = false;
  EXPECT_EQ(OpenSerialPortWith(kFakeCalls, longest + "Y"), nullptr);
  EXPECT_EQ(OpenSerialPortWith(kFakeCalls, std::string("COM7\0COM8", 9)), nullptr);
  EXPECT_TRUE(record.events.empty());
}

// A file in the temporary folder, removed again when the test ends.
class TempFile {
 public:
  explicit TempFile(std::uint8_t content) {
    std::array<char, MAX_PATH> folder{};
    if (GetTempPathA(static_cast<DWORD>(folder.size()), folder.data()) == 0) return;
    if (GetTempFileNameA(folder.data(), "tq", 0, path_.data()) == 0) return;
    const HANDLE h =
        CreateFileA(path_.data(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    ok_ = WriteFile(h, &content, 1, &written, nullptr) && written == 1;
    CloseHandle(h);
  }
  ~TempFile() {
    if (path_[0] != '\0') DeleteFileA(path_.data());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  bool ok() const { return ok_; }
  const char* path() const { return path_.data(); }

 private:
  std::array<char, MAX_PATH> path_{};
  bool ok_ = false;
};

TEST_F(SerialOpen, ReadIsNotMadeWhenItsTimeLimitCannotBeSet) {
  // A handle that takes reads but refuses line time-outs: a file holding one byte. On a
  // line, a read made without its limit could wait for good.
  const TempFile file(0x2A);
  ASSERT_TRUE(file.ok());
  record.redirect = file.path();
  record.accept_timeouts = true;
  auto port = OpenSerialPortWith(kFakeCalls, test::kHostPort);
  ASSERT_NE(port, nullptr);
  std::uint8_t got = 0;
  EXPECT_FALSE(port->ReadByte(got, 100));
  port.reset();
}

TEST(Win32Line, CommandsSucceedThroughTheRealPort) {
  Frame expected{};
  auto rig = test::OpenComPairRig(
      [&](const Frame& req) {
        expected = MakeResponse(req, req[kOffCommand] == 0x06 ? 5 : 0, {0x11, 0x13, 0x0D});
        return ToBytes(expected);
      },
      1000);
  ASSERT_TRUE(rig.connection && rig.device);

  Frame f = test::MakeRequest(0x27);
  EXPECT_EQ(RunCommand(rig.connection.get(), f), kResultOk);
  EXPECT_EQ(f, expected);
  f = test::MakeRequest(0x06);
  EXPECT_EQ(RunCommand(rig.connection.get(), f), 5);

  const auto sent = rig.device->Requests();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0][kOffSequence], 0);
  EXPECT_EQ(sent[1][kOffSequence], 1);
  EXPECT_TRUE(IsValidFrameAt(sent[1], 0));
}

TEST(Win32Line, SilentInstrumentFailsAfterTheTimeoutAndFreesTheLock) {
  constexpr std::uint32_t kTimeout = 200;
  auto rig = test::OpenComPairRig([](const Frame&) { return Bytes{}; }, kTimeout);
  ASSERT_TRUE(rig.connection && rig.device);
  Frame f = test::MakeRequest(0x27);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RunCommand(rig.connection.get(), f), kResultLinkFailure);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kTimeout));
  EXPECT_TRUE(rig.connection->lock.try_lock());
  rig.connection->lock.unlock();
}

DWORD QueuedBytes(HANDLE handle) {
  COMSTAT status{};
  DWORD errors = 0;
  return ClearCommError(handle, &errors, &status) ? status.cbInQue : 0;
}

TEST(Win32Line, PurgeDiscardsStaleBytesBeforeTheRequest) {
  // The stale bytes are an answer to some earlier request: left in the buffer, the
  // engine would find it first and fail on its sequence number.
  auto host = OpenSerialPort(test::kHostPort);
  auto device = OpenSerialPort(test::kDevicePort);
  ASSERT_TRUE(host && device);
  host->PurgeReceive();
  device->PurgeReceive();
  const Frame stale = MakeResponseWithSequence(test::MakeRequest(0x27), 0xEE, 0);
  device->WriteAll(stale);

  // A second handle on the same port sees the same input queue (Wine shares it).
  const HANDLE observer = CreateFileA("\\\\.\\COM7", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(observer, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(test::WaitFor([&] { return QueuedBytes(observer) >= stale.size(); }));
  CloseHandle(observer);

  auto connection = CreateConnectionOnPort(std::move(host), nullptr, 1000);
  test::ScriptedDevice responder(std::move(device),
                                 [](const Frame& req) { return ToBytes(MakeResponse(req, 0)); });
  Frame f = test::MakeRequest(0x27);
  EXPECT_EQ(RunCommand(connection.get(), f), kResultOk);
  EXPECT_EQ(f[kOffSequence], 0);
}

TEST(Win32Line, EveryByteValuePassesUnchangedBothWays) {
  auto host = OpenSerialPort(test::kHostPort);
  auto device = OpenSerialPort(test::kDevicePort);
  ASSERT_TRUE(host && device);
  host->PurgeReceive();
  device->PurgeReceive();
  Bytes all(256);
  for (std::size_t i = 0; i < all.size(); ++i) all[i] = static_cast<std::uint8_t>(i);

  const auto carry = [&](SerialPort& from, SerialPort& to) {
    from.WriteAll(all);
    Bytes got;
    std::uint8_t b = 0;
    while (got.size() < all.size() && to.ReadByte(b, 1000)) got.push_back(b);
    return got;
  };
  EXPECT_EQ(carry(*host, *device), all);
  EXPECT_EQ(carry(*device, *host), all);
}

}  // namespace
}  // namespace tq
