// Checks of request Frames shared by the command tests.
#include "tests/support/answering_rig.h"

#include <gtest/gtest.h>

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

void ExpectRequestTable(const std::vector<RequestCase>& cases) {
  AnsweringRig rig;
  for (const RequestCase& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(c.send(rig.connection.get()), kResultOk);
    ExpectRequest(rig.LastRequest(), c.code, c.payload);
  }
}

void ExpectNullConnectionFails(const std::vector<RequestCase>& cases) {
  for (const RequestCase& c : cases) {
    EXPECT_EQ(c.send(nullptr), kResultLinkFailure) << c.name;
  }
}

}  // namespace tq::test
