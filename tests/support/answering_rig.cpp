// Checks of request Frames shared by the command tests.
#include "tests/support/answering_rig.h"

#include <gtest/gtest.h>

#include <string>

#include "link/command_table.h"
#include "link/transaction.h"

namespace tq::test {

void ExpectRequest(const Frame& f, std::uint8_t code, const Bytes& payload) {
  EXPECT_EQ(f[kOffCommand], code);
  EXPECT_EQ(f[kOffLength], payload.size());
  const auto payload_end = f.begin() + kOffPayload + static_cast<std::ptrdiff_t>(payload.size());
  EXPECT_EQ(Bytes(f.begin() + kOffPayload, payload_end), payload);
  EXPECT_EQ(Bytes(payload_end, f.end()), Bytes(static_cast<std::size_t>(f.end() - payload_end), 0))
      << "bytes after the payload must be 0";
}

namespace {

// The command's name and the case's place in its table, for failure messages.
std::string CaseName(const std::vector<RequestCase>& cases, const RequestCase& c) {
  return std::string(command_name(c.code)) + " (case " + std::to_string(&c - cases.data()) + ")";
}

}  // namespace

void ExpectRequestTable(const std::vector<RequestCase>& cases) {
  AnsweringRig rig;
  for (const RequestCase& c : cases) {
    SCOPED_TRACE(CaseName(cases, c));
    ASSERT_EQ(c.send(rig.connection.get()), kResultOk);
    ExpectRequest(rig.LastRequest(), c.code, c.payload);
    const InstrumentCommand* row = find_command(c.code);
    ASSERT_NE(row, nullptr);
    // A SetConfigBlock request carries its block after the length the table gives.
    const std::size_t block = c.code == kCmdSetConfigBlock ? c.payload.at(1) : 0;
    EXPECT_EQ(c.payload.size(), row->request_length + block);
  }
}

void ExpectNullConnectionFails(const std::vector<RequestCase>& cases) {
  for (const RequestCase& c : cases) {
    EXPECT_EQ(c.send(nullptr), kResultLinkFailure) << CaseName(cases, c);
  }
}

}  // namespace tq::test
