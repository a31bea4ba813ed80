// The Transaction engine: one request Frame out, the matching response Frame back,
// under the Connection's lock. Every command goes through RunCommand.
#pragma once

#include "link/connection.h"
#include "link/frame.h"

namespace tq {

// ResultCode values the engine itself produces; any other value is the instrument's
// result byte passed through.
inline constexpr int kResultOk = 0;
inline constexpr int kResultLinkFailure = 14;
inline constexpr int kResultBusyCancelled = 16;  // BusyDialog's Cancel, seen as 14 by callers

// Device result bytes with a meaning known to the program.
inline constexpr int kResultFirmwareTooOld = 8;  // SetIdentity
inline constexpr int kResultNoSuchEntry = 9;     // GetSampleLogEntry

// Stamps and sends the request in `frame`, then reads until a valid Frame is found, a
// byte fails to arrive, or 153 bytes have been read. 0: `frame` holds the response.
// 14: lock not obtained in time (nothing sent, counter unchanged), silence, no valid
// Frame, or a valid Frame with another sequence number; `frame` then holds the request.
//
// Around that exchange: a Connection that has been closed fails at once, and so does
// one whose port is lost (the device removed, the line hung up, or several
// Transactions in a row without a byte where the platform reports nothing), except
// that at most once a second a Transaction opens the port again first and, when that
// works, goes on as usual. Every Transaction is counted, and traced when a trace is set
// (connection.h).
[[nodiscard]] int RunTransaction(Connection* connection, Frame& frame);

// The calling sequence shared by every command: `frame` has been cleared and carries
// the command code, payload length and payload. Returns 14 on any link failure (null
// Connection included), otherwise the response's result byte; the response is in
// `frame`. Timeout 0 runs the Transaction behind the BusyDialog.
[[nodiscard]] int RunCommand(Connection* connection, Frame& frame);

// The BusyDialog path (platform file): runs RunTransaction on a worker thread while a
// modal dialog with Cancel is shown. Returns 0, 14, or 16 on Cancel. The worker works
// on its own copy, so `frame` is never written after this returns.
[[nodiscard]] int RunTransactionBehindBusyDialog(Connection& connection, Frame& frame);

}  // namespace tq
