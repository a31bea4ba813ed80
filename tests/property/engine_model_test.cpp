// Whole Transactions over random received streams, compared with a model of the
// exchange: outcome, the Frame handed back, how many bytes were read, and the state the
// Connection is left in.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "link/transaction.h"
#include "tests/property/reference_engine.h"
#include "tests/property/stream_generator.h"
#include "tests/property/stream_port.h"

namespace tq {
namespace {

struct Outcome {
  int result = -1;
  Frame frame{};
  std::shared_ptr<reference::StreamLine> line;
  ConnectionRef connection;
};

Outcome RunOnStream(const property::Bytes& stream, std::uint8_t sequence, bool as_command) {
  Outcome out;
  out.line = std::make_shared<reference::StreamLine>();
  out.line->incoming = stream;
  out.connection = CreateConnectionOnPort(std::make_unique<reference::StreamPort>(out.line));
  out.connection->sequence = sequence;
  out.frame[kOffCommand] = 0x27;
  out.result = as_command ? RunCommand(out.connection.get(), out.frame)
                          : RunTransaction(out.connection.get(), out.frame);
  return out;
}

void ExpectConnectionLeftClean(const Outcome& out, std::uint8_t sequence) {
  EXPECT_TRUE(out.connection->lock.try_lock()) << "lock still held";
  out.connection->lock.unlock();
  EXPECT_EQ(out.connection->sequence, static_cast<std::uint8_t>(sequence + 1));
  EXPECT_EQ(out.line->purges, 1);
  ASSERT_EQ(out.line->written.size(), kFrameSize);
  EXPECT_TRUE(IsValidFrameAt(out.line->written, 0));
  EXPECT_EQ(out.line->written[kOffSequence], sequence);
  EXPECT_LE(out.line->delivered, kReceiveLimit);
}

TEST(EngineModel, RandomStreamsEndAsTheModelSays) {
  int accepted = 0;
  int wrong_sequence = 0;
  for (unsigned seed = 0; seed < 1500; ++seed) {
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::mt19937 rng(seed);
    const auto sequence = static_cast<std::uint8_t>(rng());
    const auto stream = property::RandomStream(rng, sequence, rng() % 220);
    const auto model = reference::ModelTransaction(stream, sequence);
    const bool as_command = seed % 2 == 1;

    const Outcome out = RunOnStream(stream, sequence, as_command);
    EXPECT_EQ(out.line->delivered, model.consumed);
    ExpectConnectionLeftClean(out, sequence);
    if (model.ok) {
      ++accepted;
      const auto answer = stream.begin() + static_cast<std::ptrdiff_t>(*model.at);
      ASSERT_TRUE(std::equal(out.frame.begin(), out.frame.end(), answer));
      EXPECT_EQ(out.result, as_command ? int{answer[kOffResult]} : kResultOk);
    } else {
      if (model.at) ++wrong_sequence;
      EXPECT_EQ(out.result, kResultLinkFailure);
    }
  }
  // Both kinds of ending must be common, or the random streams prove little.
  EXPECT_GT(accepted, 100);
  EXPECT_GT(wrong_sequence, 50);
}

}  // namespace
}  // namespace tq
