// tarnquill-sim: serves the simulated instrument on a pseudo-terminal until stopped.
#include <csignal>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "sim/calendar.h"
#include "sim/command_line.h"
#include "sim/pty_line_posix.h"
#include "sim/scenario.h"
#include "sim/server.h"

namespace {

// The instrument keeps wall-clock time without a zone, so it starts at this computer's
// local time, as an operator would set it.
std::int64_t LocalClockNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (::localtime_r(&now, &local) == nullptr) return static_cast<std::int64_t>(now);
  tq::DeviceTime fields;
  fields.year = static_cast<std::uint16_t>(local.tm_year + 1900);
  fields.month = static_cast<std::uint8_t>(local.tm_mon + 1);
  fields.day = static_cast<std::uint8_t>(local.tm_mday);
  fields.hour = static_cast<std::uint8_t>(local.tm_hour);
  fields.minute = static_cast<std::uint8_t>(local.tm_min);
  fields.second = static_cast<std::uint8_t>(local.tm_sec > 59 ? 59 : local.tm_sec);
  return tq::sim::EpochFromDeviceTime(fields).value_or(static_cast<std::int64_t>(now));
}

void AnnounceName(const std::string& name) {
  std::printf("%s\n", name.c_str());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  std::string error;
  auto line = tq::sim::ParseCommandLine(args, &error);
  if (!line) {
    std::fprintf(stderr, "tarnquill-sim: %s\nTry tarnquill-sim --help.\n", error.c_str());
    return 2;
  }
  if (line->help) {
    std::fputs(tq::sim::UsageText().c_str(), stdout);
    return 0;
  }
  if (!line->clock_given) line->instrument.clock = LocalClockNow();
  auto instrument = tq::sim::BuildInstrument(line->instrument, line->scenarios, &error);
  if (!instrument) {
    std::fprintf(stderr, "tarnquill-sim: %s\n", error.c_str());
    return 2;
  }

  // Signals are taken by sigwait below, not by handlers, so every thread started from
  // here on must have them blocked.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  sigaddset(&stop_signals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  auto pty = tq::sim::PtyLine::Open(line->link_path, AnnounceName, &error);
  if (!pty) {
    std::fprintf(stderr, "tarnquill-sim: %s\n", error.c_str());
    return 1;
  }
  tq::sim::SimServer server(std::move(pty), std::move(*instrument), line->server);
  server.Start();

  int signal_number = 0;
  sigwait(&stop_signals, &signal_number);
  server.Stop();
  std::fprintf(stderr, "tarnquill-sim: stopped after %llu requests\n",
               static_cast<unsigned long long>(server.RequestCount()));
  return 0;
}
