// The collection's reads: one re-read of the newest archived entry tells whether the log
// continues, then only the entries after it.
#include "archive/collect.h"

#include "link/command_table.h"
#include "link/transaction.h"

namespace tq::archive {
namespace {

constexpr std::uint32_t kIndexLimit = 0x10000;  // indices are 16 bits on the wire

// A failed read is reported by its command's name, and a sample entry's by its index too.
std::string ReadName(std::uint8_t command) { return std::string(command_name(command)); }
std::string EntryReadName(std::uint32_t index) {
  return ReadName(kCmdGetSampleLogEntry) + " " + std::to_string(index);
}

struct Run {
  Archive& archive;
  std::int64_t download;
  std::uint16_t serial;
  InstrumentReader& reader;
  CollectResult& result;

  // False, with the failure noted, for any result but 0 and `tolerated`.
  bool Read(int code, const std::string& what, int tolerated = kResultOk) {
    if (code == kResultOk || code == tolerated) return true;
    if (reader.Interrupted()) {  // the read was not sent: Ctrl+C came first
      result.interrupted = true;
      return false;
    }
    result.failed_read = what;
    result.failed_result = code;
    return false;
  }

  bool Stopped() {
    if (!reader.Interrupted()) return false;
    result.interrupted = true;
    return true;
  }

  bool Keep(Stored stored) {
    if (stored != Stored::kFailed) return true;
    result.archive_error = last_error(archive.db.get());
    return false;
  }

  // Reads entries from `index` on until result 9. *count: entries of the log.
  bool ReadFrom(std::optional<std::int64_t> epoch, std::uint32_t index, std::uint32_t* count) {
    for (; index < kIndexLimit; ++index) {
      if (Stopped()) return false;
      SampleRaw raw{};
      const int code = reader.ReadSampleEntry(static_cast<std::uint16_t>(index), raw);
      if (code == kResultNoSuchEntry) break;
      if (!Read(code, EntryReadName(index))) return false;
      if (!epoch) epoch = EpochFor(archive, serial, raw);
      if (!Keep(StoreSample(archive, download, serial, *epoch, index, raw))) return false;
    }
    *count = index;
    return true;
  }

  // The sample log, as far as the archive lacks it; *count: the entries it holds now.
  bool Samples(std::uint32_t* count) {
    const SamplePosition held = CurrentSamples(archive, serial);
    if (held.count > 0) {
      if (Stopped()) return false;
      const std::uint32_t last = held.count - 1;
      SampleRaw raw{};
      const int code = reader.ReadSampleEntry(static_cast<std::uint16_t>(last), raw);
      if (!Read(code, EntryReadName(last), kResultNoSuchEntry)) {
        return false;
      }
      if (code == kResultOk && SameSample(raw, *held.newest)) {
        // The log goes on: what came before its newest entry cannot have changed.
        if (!CountUnchanged(archive, download, last) ||
            !Keep(StoreSample(archive, download, serial, *held.epoch, last, raw))) {
          return Keep(Stored::kFailed);
        }
        return ReadFrom(held.epoch, held.count, count);
      }
      // Cleared, or another sample where ours was: a new epoch, read from the start.
      result.new_sample_epoch = true;
    }
    return ReadFrom(std::nullopt, 0, count);
  }

  bool Diagnostics() {
    if (Stopped()) return false;
    if (!Read(reader.StartDiagnosticRead(), ReadName(kCmdStartDiagnosticLogRead))) return false;
    for (;;) {
      if (Stopped()) return false;
      DiagnosticRaw raw{};
      const int code = reader.ReadDiagnosticEntry(raw);
      if (code == kResultLinkFailure) return Read(code, ReadName(kCmdGetDiagnosticLogEntry));
      if (code != kResultOk) return true;
      if (!Keep(StoreDiagnostic(archive, download, serial, raw))) return false;
    }
  }

  // Clears the sample log only when a fresh read of its newest entry is what the archive
  // holds and nothing follows it.
  bool ClearSamples(std::uint32_t count) {
    if (count == 0) return true;
    const SamplePosition held = CurrentSamples(archive, serial);
    SampleRaw raw{};
    if (Stopped()) return false;
    const int newest = reader.ReadSampleEntry(static_cast<std::uint16_t>(count - 1), raw);
    if (!Read(newest, EntryReadName(count - 1), kResultNoSuchEntry)) {
      return false;
    }
    SampleRaw after{};
    const int next =
        newest == kResultOk ? reader.ReadSampleEntry(static_cast<std::uint16_t>(count), after) : 0;
    if (newest != kResultOk || held.count != count || !held.newest || raw != *held.newest ||
        next != kResultNoSuchEntry) {
      result.not_cleared = "the sample log changed while it was read; collect again";
      return true;
    }
    if (!Read(reader.ClearSampleLog(), ReadName(kCmdClearSampleLog))) return false;
    result.sample_log_cleared = true;
    return true;
  }
};

}  // namespace

CollectResult CollectLogs(Archive& archive, std::int64_t download, std::uint16_t serial,
                          InstrumentReader& reader, const CollectOptions& options) {
  CollectResult result;
  Run run{archive, download, serial, reader, result};
  std::uint32_t count = 0;
  if (!run.Samples(&count)) return result;
  if (options.diagnostics && !run.Diagnostics()) return result;
  if (options.clear) {
    if (!run.ClearSamples(count)) return result;
    if (options.diagnostics && result.not_cleared.empty()) {
      if (!run.Read(reader.ClearDiagnosticLog(), ReadName(kCmdClearDiagnosticLog))) return result;
      result.diagnostic_log_cleared = true;
    }
  }
  result.completed = true;
  return result;
}

}  // namespace tq::archive
