// A collection: only what the archive does not hold yet, each entry committed as it
// arrives. The instrument is reached through InstrumentReader, so the same rules run
// against a serial line (with its retries) and against a scripted log in tests.
#pragma once

#include <string>

#include "archive/archive.h"

namespace tq::archive {

// The reads a collection makes; each returns a ResultCode (0, 9 for no such entry, 14 for
// the link, anything else the instrument's refusal).
class InstrumentReader {
 public:
  InstrumentReader() = default;
  InstrumentReader(const InstrumentReader&) = delete;
  InstrumentReader& operator=(const InstrumentReader&) = delete;
  virtual ~InstrumentReader() = default;

  [[nodiscard]] virtual int ReadSampleEntry(std::uint16_t index, SampleRaw& raw) = 0;
  [[nodiscard]] virtual int StartDiagnosticRead() = 0;
  // Each success gives the next entry; anything but 0 or 14 ends the log.
  [[nodiscard]] virtual int ReadDiagnosticEntry(DiagnosticRaw& raw) = 0;
  [[nodiscard]] virtual int ClearSampleLog() = 0;
  [[nodiscard]] virtual int ClearDiagnosticLog() = 0;
  // True once the user asked to stop (Ctrl+C); asked before every read.
  [[nodiscard]] virtual bool Interrupted() = 0;
};

struct CollectOptions {
  bool diagnostics = true;
  bool clear = false;
};

struct CollectResult {
  bool completed = false;
  bool interrupted = false;
  std::string failed_read;  // the read that failed, when one did
  int failed_result = 0;    // and its ResultCode
  std::string archive_error;
  bool new_sample_epoch = false;
  bool sample_log_cleared = false;
  bool diagnostic_log_cleared = false;
  std::string not_cleared;  // why --clear left a log alone
};

[[nodiscard]] CollectResult CollectLogs(Archive& archive, std::int64_t download,
                                        std::uint16_t serial, InstrumentReader& reader,
                                        const CollectOptions& options);

}  // namespace tq::archive
