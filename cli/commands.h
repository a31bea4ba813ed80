// One function per command. Each returns the exit status and writes its result on the
// console: plain lines, or one JSON document with --json.
#pragma once

#include <functional>

#include "cli/app.h"
#include "cli/invocation.h"
#include "cli/output_file.h"
#include "cli/retry.h"
#include "cli/session.h"

namespace tq::cli {

struct CommandContext {
  const Invocation& invocation;
  Console& console;
  const Platform& platform;
  Session* session;  // null for the commands that need no instrument (ports)
  LinkRetry* link;   // null with `session`
  [[nodiscard]] Connection* connection() const {
    return session != nullptr ? session->connection.get() : nullptr;
  }
  // A read-only command, repeated over a faulty line (retry.h).
  [[nodiscard]] int read(const std::function<int()>& command) const { return link->read(command); }
  // A write whose lost answer is settled by `took_effect` (retry.h).
  [[nodiscard]] int write(const std::function<int()>& send,
                          const std::function<int(bool* took)>& took_effect) const {
    return link->write(send, took_effect);
  }
};

// The file a command will write, checked before the instrument is asked anything: refused
// (reported, *status set) unless it may be written; an existing file needs --force or a
// "y" typed on a terminal.
[[nodiscard]] std::optional<OutputTarget> output_target(const CommandContext& context,
                                                        const std::string& path, int* status);

// Asks `question` on the terminal; true for "y" or "yes". False off a terminal, and on
// Ctrl+C meanwhile.
[[nodiscard]] bool ask(const CommandContext& context, const std::string& question);

int run_ports(const CommandContext& context);
int run_info(const CommandContext& context);
int run_clock_show(const CommandContext& context);
int run_clock_set(const CommandContext& context);
int run_schedule_get(const CommandContext& context);
int run_schedule_set(const CommandContext& context);
int run_run_start(const CommandContext& context);
int run_run_stop(const CommandContext& context);
int run_config_save(const CommandContext& context);
int run_config_diff(const CommandContext& context);
int run_config_load(const CommandContext& context);
int run_status(const CommandContext& context);
int run_log_save(const CommandContext& context);
int run_log_clear(const CommandContext& context);
int run_diag_save(const CommandContext& context);
int run_diag_clear(const CommandContext& context);
int run_check(const CommandContext& context);
int run_collect(const CommandContext& context);
// The archive's commands; `session` is null.
int run_archive(const CommandContext& context);
// archive push: natively through libpq; the Windows build says how to push instead.
int run_archive_push(const CommandContext& context);

}  // namespace tq::cli
