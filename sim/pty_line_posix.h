// The simulator's line on a pseudo-terminal: the host opens the terminal's slave device
// (or a symbolic link to it) as if it were the instrument's serial port.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "sim/device_line.h"

namespace tq::sim {

class PtyLine final : public DeviceLine {
 public:
  // Told the slave device's name each time a terminal is opened.
  using NameSink = std::function<void(const std::string& slave_name)>;

  // Opens a raw pseudo-terminal and, when `link_path` is not empty, points a symbolic link
  // there at its slave (an existing file that is not a symbolic link is never replaced).
  // Null, with the reason in *error, when that fails.
  [[nodiscard]] static std::unique_ptr<PtyLine> Open(std::string link_path, NameSink on_name,
                                                     std::string* error);
  ~PtyLine() override;
  PtyLine(const PtyLine&) = delete;
  PtyLine& operator=(const PtyLine&) = delete;
  PtyLine(PtyLine&&) = delete;
  PtyLine& operator=(PtyLine&&) = delete;

  [[nodiscard]] const std::string& SlaveName() const { return slave_name_; }

  SerialPort* Port() override { return port_.get(); }
  // Closes the terminal, so the host's reads and writes fail, and removes the link: the
  // line is gone.
  void HangUp() override;
  // Opens a new terminal (whose name differs), moves the link to it and reports it.
  void Restore() override;

 private:
  PtyLine(std::string link_path, NameSink on_name);
  bool OpenTerminal(std::string* error);
  bool PointLink(std::string* error);
  void CloseTerminal();
  void RemoveLink();

  std::string link_path_;
  NameSink on_name_;
  std::string slave_name_;
  std::unique_ptr<SerialPort> port_;  // the master side
  // A slave descriptor of our own, so the terminal survives the host closing and
  // reopening it.
  int slave_hold_ = -1;
};

}  // namespace tq::sim
