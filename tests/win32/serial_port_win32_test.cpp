// The Win32 serial port: how it opens a COM port, its failure paths, and the engine's
// exchange through a real COM port (a pseudo-terminal pair under Wine).
#include "link/serial_port_win32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <string>
#include <thread>
#include <utility>
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
  std::vector<std::string> events;  // "create", "set_state", "timeouts", "box", "close",
                                    // "purge", "write", "flush", "get_timeouts", "read", ...
  HWND box_owner = nullptr;
  std::string box_text, box_caption;
  UINT box_type = 0;

  // The exchange.
  DWORD purge_flags = 0;
  std::vector<DWORD> read_limits;  // the read total time-out constant in force at each read
  DWORD fail_write = 0;            // errors the next call of that kind fails with, if not 0
  DWORD fail_read = 0;
  DWORD fail_clear = 0;
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

BOOL WINAPI FakePurge(HANDLE handle, DWORD flags) {
  g_record->events.push_back("purge");
  g_record->purge_flags = flags;
  return PurgeComm(handle, flags);
}

// Fails with `error` once when it is set.
BOOL FailOnce(DWORD& error) {
  SetLastError(std::exchange(error, 0));
  return FALSE;
}

BOOL WINAPI FakeWrite(HANDLE handle, LPCVOID data, DWORD size, LPDWORD written,
                      LPOVERLAPPED overlapped) {
  g_record->events.push_back("write");
  if (g_record->fail_write != 0) return FailOnce(g_record->fail_write);
  return WriteFile(handle, data, size, written, overlapped);
}

BOOL WINAPI FakeFlush(HANDLE handle) {
  g_record->events.push_back("flush");
  return FlushFileBuffers(handle);
}

BOOL WINAPI FakeGetTimeouts(HANDLE handle, LPCOMMTIMEOUTS timeouts) {
  g_record->events.push_back("get_timeouts");
  return GetCommTimeouts(handle, timeouts);
}

BOOL WINAPI FakeRead(HANDLE handle, LPVOID data, DWORD size, LPDWORD read,
                     LPOVERLAPPED overlapped) {
  g_record->events.push_back("read");
  COMMTIMEOUTS now{};
  GetCommTimeouts(handle, &now);
  g_record->read_limits.push_back(now.ReadTotalTimeoutConstant);
  if (g_record->fail_read != 0) return FailOnce(g_record->fail_read);
  return ReadFile(handle, data, size, read, overlapped);
}

BOOL WINAPI FakeClearError(HANDLE handle, LPDWORD errors, LPCOMSTAT status) {
  g_record->events.push_back("clear");
  if (g_record->fail_clear != 0) return FailOnce(g_record->fail_clear);
  return ClearCommError(handle, errors, status);
}

BOOL WINAPI FakeCancel(HANDLE handle, LPOVERLAPPED overlapped) {
  g_record->events.push_back("cancel");
  return CancelIoEx(handle, overlapped);
}

constexpr SerialCalls kFakeCalls{&FakeCreate, &FakeGetState,    &FakeSetState, &FakeTimeouts,
                                 &FakeClose,  &FakeBox,         &FakePurge,    &FakeWrite,
                                 &FakeFlush,  &FakeGetTimeouts, &FakeRead,     &FakeClearError,
                                 &FakeCancel};

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

  // Opening again after an unplug shows nothing: it may be tried every second.
  record = OpenRecord{};
  record.fail_timeouts = true;
  EXPECT_EQ(OpenSerialPortWith(kFakeCalls, test::kHostPort, true), nullptr);
  EXPECT_EQ(record.events, (std::vector<std::string>{"create", "set_state", "timeouts", "close"}));
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

// The program's end through the fake calls, the instrument on the other end of the pair.
struct RecordedLine {
  explicit RecordedLine(std::uint32_t timeout = 1000) {
    auto host = OpenSerialPortWith(kFakeCalls, test::kHostPort);
    auto device = OpenSerialPort(test::kDevicePort);
    if (!host || !device) return;
    host->PurgeReceive();
    device->PurgeReceive();
    connection = CreateConnectionOnPort(std::move(host), nullptr, timeout);
    instrument = std::make_unique<test::ScriptedDevice>(
        std::move(device), [](const Frame& req) { return ToBytes(MakeResponse(req, 0)); });
  }
  ConnectionRef connection;
  std::unique_ptr<test::ScriptedDevice> instrument;
};

// The events from `from` on, with runs of reads shown as one "read".
std::vector<std::string> Collapsed(const std::vector<std::string>& events, std::size_t from) {
  std::vector<std::string> out;
  for (std::size_t i = from; i < events.size(); ++i) {
    if (events[i] == "read" && !out.empty() && out.back() == "read") continue;
    out.push_back(events[i]);
  }
  return out;
}

TEST_F(SerialOpen, ATransactionPurgesWritesFlushesThenReadsUnderItsOwnTimeLimit) {
  RecordedLine line(1000);
  ASSERT_TRUE(line.connection && line.instrument);
  for (int round = 0; round < 2; ++round) {
    const std::size_t from = record.events.size();
    record.read_limits.clear();
    Frame f = test::MakeRequest(0x27);
    ASSERT_EQ(RunCommand(line.connection.get(), f), kResultOk);

    // The receive side only is purged, the request flushed out before anything is read,
    // and the port's read time-out is set once for all the reads and put back after.
    EXPECT_EQ(record.purge_flags, static_cast<DWORD>(PURGE_RXABORT | PURGE_RXCLEAR));
    EXPECT_EQ(Collapsed(record.events, from),
              (std::vector<std::string>{"purge", "write", "flush", "get_timeouts", "timeouts",
                                        "read", "timeouts"}));
    EXPECT_EQ(record.read_limits.size(), kFrameSize);
    for (const DWORD limit : record.read_limits) EXPECT_EQ(limit, 1000u);
    COMMTIMEOUTS now{};
    ASSERT_TRUE(GetCommTimeouts(record.opened, &now));  // the port's own handle
    EXPECT_EQ(now.ReadTotalTimeoutConstant, 0u);
    EXPECT_EQ(now.WriteTotalTimeoutConstant, 500u);
  }
}

TEST_F(SerialOpen, ARemovedDeviceIsLostAndItsConnectionFailsAtOnce) {
  for (const DWORD error : {DWORD{ERROR_DEVICE_REMOVED}, DWORD{ERROR_NOT_READY},
                            DWORD{ERROR_BAD_COMMAND}, DWORD{ERROR_ACCESS_DENIED}}) {
    SCOPED_TRACE(error);
    record = OpenRecord{};
    RecordedLine line(1000);
    ASSERT_TRUE(line.connection && line.instrument);
    record.fail_write = error;
    Frame f = test::MakeRequest(0x27);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunCommand(line.connection.get(), f), kResultLinkFailure);
    const ConnectionStats stats = ReadConnectionStats(*line.connection);
    EXPECT_TRUE(stats.lost);
    EXPECT_EQ(stats.port_lost, 1u);
    // Without a way to open it again, it stays lost: nothing more is written or read.
    const std::size_t events = record.events.size();
    EXPECT_EQ(RunCommand(line.connection.get(), f), kResultLinkFailure);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
    EXPECT_EQ(record.events.size(), events);
  }

  record = OpenRecord{};
  RecordedLine line(1000);
  ASSERT_TRUE(line.connection && line.instrument);
  record.fail_read = ERROR_DEVICE_REMOVED;
  Frame f = test::MakeRequest(0x27);
  EXPECT_EQ(RunCommand(line.connection.get(), f), kResultLinkFailure);
  EXPECT_TRUE(ReadConnectionStats(*line.connection).lost);
}

TEST_F(SerialOpen, AnAbortedReadIsLostOnlyWhenTheDeviceNoLongerAnswersEither) {
  // A cancelled read, or a line error on a port that aborts on errors, fails with
  // ERROR_OPERATION_ABORTED as a removed device does; clearing the error tells them apart.
  RecordedLine line(1000);
  ASSERT_TRUE(line.connection && line.instrument);
  record.fail_read = ERROR_OPERATION_ABORTED;
  Frame f = test::MakeRequest(0x27);
  EXPECT_EQ(RunCommand(line.connection.get(), f), kResultLinkFailure);
  EXPECT_FALSE(ReadConnectionStats(*line.connection).lost);
  EXPECT_NE(std::find(record.events.begin(), record.events.end(), "clear"), record.events.end());
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the unread answer arrives
  f = test::MakeRequest(0x27);
  EXPECT_EQ(RunCommand(line.connection.get(), f), kResultOk);

  record.fail_read = ERROR_OPERATION_ABORTED;
  record.fail_clear = ERROR_BAD_COMMAND;
  f = test::MakeRequest(0x27);
  EXPECT_EQ(RunCommand(line.connection.get(), f), kResultLinkFailure);
  EXPECT_TRUE(ReadConnectionStats(*line.connection).lost);
}

TEST(Win32Line, ANewConnectionHasTheProgramsSettings) {
  const HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                     nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  ConnectionRef c = CreateConnection(owner, test::kHostPort);
  ASSERT_TRUE(c);
  EXPECT_EQ(c->timeout, 3000u);
  EXPECT_EQ(c->owner, owner);
  EXPECT_EQ(c->busy_dialog, 0);
  EXPECT_EQ(c->sequence, 0);
  EXPECT_TRUE(c->health.reopen);
  c = CloseConnection(std::move(c));
  DestroyWindow(owner);
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
