// Reading the diagnostic log, entry by entry, in a way that can be repeated.
#pragma once

#include <cstddef>

#include "link/commands.h"

namespace tq::cli {

// The diagnostic log is read through a cursor on the instrument: an entry whose answer was
// lost may have moved it on, so a repeat starts the read again and passes over the
// entries already held.
class DiagnosticReader {
 public:
  explicit DiagnosticReader(Connection* connection) : connection_(connection) {}

  // Entry number `held` (those before it are held already), its ResultCode.
  int next(std::size_t held, DiagnosticLogEntry* entry) {
    if (!placed_) {
      if (const int result = StartDiagnosticLogRead(connection_); result != kResultOk) {
        if (result != kResultLinkFailure) start_refused_ = result;
        return result;
      }
      for (std::size_t i = 0; i < held; ++i) {
        DiagnosticLogEntry skipped;
        if (const int result = GetDiagnosticLogEntry(connection_, &skipped); result != kResultOk) {
          // Fewer entries than before: the log changed under the reader.
          return result == kResultLinkFailure ? result : kResultNoSuchEntry;
        }
      }
      placed_ = true;
    }
    const int result = GetDiagnosticLogEntry(connection_, entry);
    if (result == kResultLinkFailure) placed_ = false;
    return result;
  }
  // The instrument refused to start the read: its ResultCode, 0 when it did not.
  [[nodiscard]] int start_refused() const { return start_refused_; }

 private:
  Connection* connection_;
  bool placed_ = false;
  int start_refused_ = kResultOk;
};

}  // namespace tq::cli
