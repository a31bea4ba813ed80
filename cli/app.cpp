// Running a command line.
#include "cli/app.h"

#include <algorithm>
#include <exception>
#include <ostream>
#include <streambuf>

#include "cli/commands.h"
#include "cli/report.h"
#include "link/link_stats.h"
#include "link/transaction_trace.h"

namespace tq::cli {
namespace {

int run_command(const CommandContext& context);

constexpr std::string_view kMessagePrefix = "tarnquill-cli: ";

// Passes everything on to `target`, noting whether anything was written and keeping the
// first message line ("tarnquill-cli: ..."), for the JSON document of a failure.
class NotingBuffer final : public std::streambuf {
 public:
  explicit NotingBuffer(std::ostream& target) : target_(target) {}
  [[nodiscard]] bool written() const { return written_; }
  [[nodiscard]] const std::string& first_message() const { return message_; }

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    note(traits_type::to_char_type(c));
    target_.put(traits_type::to_char_type(c));
    return c;
  }
  std::streamsize xsputn(const char* text, std::streamsize count) override {
    for (std::streamsize i = 0; i < count; ++i) note(text[i]);
    target_.write(text, count);
    return count;
  }
  int sync() override {
    target_.flush();
    return 0;
  }

 private:
  void note(char c) {
    written_ = true;
    if (!message_.empty() && message_done_) return;
    if (c == '\n' || c == '\r') {
      if (line_.rfind(kMessagePrefix, 0) == 0) {
        message_ = line_.substr(kMessagePrefix.size());
        message_done_ = true;
      }
      line_.clear();
    } else if (line_.size() < 1000) {
      line_ += c;
    }
  }

  std::ostream& target_;
  bool written_ = false;
  std::string line_;
  std::string message_;
  bool message_done_ = false;
};

bool asks_for_json(std::span<const std::string> args) {
  return std::find(args.begin(), args.end(), "--json") != args.end();
}

// With --json every command prints one document; a failure that printed none gets
// {"error": ..., "exit": N}.
int with_json_error(int status, const NotingBuffer& out, const NotingBuffer& err,
                    std::ostream& target) {
  if (status != kExitOk && !out.written()) {
    print_json(target, {{"error", err.first_message()}, {"exit", status}});
  }
  return status;
}

int run_guarded(const Invocation& invocation, Console& console, const Platform& platform);

}  // namespace

int run_cli(std::span<const std::string> args, Console& console, const Platform& platform) {
  const ParsedCommandLine parsed = parse_command_line(args);
  const bool json = parsed.invocation ? parsed.invocation->json : asks_for_json(args);
  NotingBuffer out_buffer(console.out);
  NotingBuffer err_buffer(console.err);
  std::ostream out(&out_buffer);
  std::ostream err(&err_buffer);
  Console noted{json ? out : console.out, json ? err : console.err, console.in,
                console.err_is_terminal, console.in_is_terminal};
  int status = parsed.exit_code;
  if (!parsed.invocation) {
    (parsed.exit_code == kExitOk ? noted.out : noted.err) << parsed.text;
  } else {
    status = run_invocation(*parsed.invocation, noted, platform);
  }
  out.flush();
  err.flush();
  return json ? with_json_error(status, out_buffer, err_buffer, console.out) : status;
}

int run_invocation(const Invocation& invocation, Console& console, const Platform& platform) {
  // Nothing unexpected may end the tool with a trace nobody can act on.
  try {
    return run_guarded(invocation, console, platform);
  } catch (const std::bad_alloc&) {
    console.err << "tarnquill-cli: out of memory; close other programs and try again\n";
    return kExitInstrument;
  } catch (const std::exception&) {
    console.err << "tarnquill-cli: an input the tool did not expect stopped it; check the file "
                   "and the command line, and try again\n";
    return kExitUsage;
  }
}

namespace {

int run_guarded(const Invocation& invocation, Console& console, const Platform& platform) {
  if (invocation.command == Command::kPorts) {
    return run_ports({invocation, console, platform, nullptr, nullptr});
  }
  if (works_on_archive_only(invocation.command)) {
    return run_archive({invocation, console, platform, nullptr, nullptr});
  }
  std::string error;
  LinkOptions options = invocation.link;
  if (!options.simulator && options.port.empty() && names_its_own_port(invocation.command)) {
    options.port = last_connected_port();
  }
  std::optional<Session> session = open_session(options, platform, &error);
  if (!session) {
    console.err << "tarnquill-cli: " << error << "\n";
    // A port that does not open is an instrument that cannot answer; a scenario that
    // does not exist is a mistake in the command line.
    return invocation.link.simulator ? kExitUsage : kExitInstrument;
  }
  if (invocation.trace) {
    std::ostream& err = console.err;
    SetTransactionTrace(*session->connection,
                        LineTrace([&err](std::string_view line) { err << line << "\n"; }));
  }
  LinkRetry link(session->connection.get(), platform,
                 console.err_is_terminal && !invocation.json ? &console.err : nullptr);
  const CommandContext context{invocation, console, platform, &*session, &link};
  int status = run_command(context);
  // Stopped by Ctrl+C where nothing was left to send: still not a finished command.
  if (status == kExitOk && platform.stop_requested()) status = report_interrupted(console.err);
  if (invocation.stats) {
    console.err << FormatConnectionStats(ReadConnectionStats(*session->connection)) << "  retries "
                << link.retries() << " (commands sent again after a failed "
                << "Transaction)\n\n";
  }
  return status;
}

int run_command(const CommandContext& context) {
  Console& console = context.console;
  switch (context.invocation.command) {
    case Command::kInfo:
      return run_info(context);
    case Command::kClockShow:
      return run_clock_show(context);
    case Command::kClockSet:
      return run_clock_set(context);
    case Command::kScheduleGet:
      return run_schedule_get(context);
    case Command::kScheduleSet:
      return run_schedule_set(context);
    case Command::kRunStart:
      return run_run_start(context);
    case Command::kRunStop:
      return run_run_stop(context);
    case Command::kConfigSave:
      return run_config_save(context);
    case Command::kConfigDiff:
      return run_config_diff(context);
    case Command::kConfigLoad:
      return run_config_load(context);
    case Command::kStatus:
      return run_status(context);
    case Command::kLogSave:
      return run_log_save(context);
    case Command::kLogClear:
      return run_log_clear(context);
    case Command::kDiagSave:
      return run_diag_save(context);
    case Command::kDiagClear:
      return run_diag_clear(context);
    case Command::kCheck:
      return run_check(context);
    case Command::kCollect:
      return run_collect(context);
    case Command::kPorts:
    case Command::kArchiveInstruments:
    case Command::kArchiveDownloads:
    case Command::kArchiveSamples:
    case Command::kArchiveMerge:
    case Command::kArchiveVerify:
    case Command::kArchiveReport:
    case Command::kArchivePush:
      break;  // run before any instrument is opened
  }
  console.err << "tarnquill-cli: this command needs no instrument\n";
  return kExitUsage;
}

}  // namespace

}  // namespace tq::cli
