#include "service/core/request_assembler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

using luma::service::CRequestAssembler;
using luma::service::kMaxPipeRequestSize;

std::vector<BYTE> Pattern(DWORD size) {
  std::vector<BYTE> bytes(size);
  for (DWORD i = 0; i < size; ++i) bytes[i] = static_cast<BYTE>(i * 31 + 7);
  return bytes;
}

// The pieces of a 20,000-byte request as 8,192-byte reads deliver it come out as one block in order.
TEST(RequestAssemblerTest, JoinsPiecesInOrder) {
  const std::vector<BYTE> request = Pattern(20000);
  CRequestAssembler assembler;
  ASSERT_TRUE(assembler.Append(request.data(), 8192));
  ASSERT_TRUE(assembler.Append(request.data() + 8192, 8192));
  ASSERT_TRUE(assembler.Append(request.data() + 16384, 3616));
  EXPECT_EQ(assembler.size(), 20000u);

  const CSecureBuffer joined = assembler.Take();
  ASSERT_EQ(joined.size, 20000u);
  EXPECT_EQ(std::vector<BYTE>(joined.data, joined.data + joined.size), request);
  EXPECT_EQ(assembler.size(), 0u);
  EXPECT_TRUE(assembler.Take().empty());
}

TEST(RequestAssemblerTest, SinglePieceAndEmptyPieces) {
  const std::vector<BYTE> request = Pattern(37);
  CRequestAssembler assembler;
  ASSERT_TRUE(assembler.Append(nullptr, 0));
  ASSERT_TRUE(assembler.Append(request.data(), 37));
  const CSecureBuffer joined = assembler.Take();
  EXPECT_EQ(std::vector<BYTE>(joined.data, joined.data + joined.size), request);
}

TEST(RequestAssemblerTest, RefusesWhatWouldExceedTheCap) {
  const std::vector<BYTE> piece = Pattern(100);
  CRequestAssembler assembler(250);
  ASSERT_TRUE(assembler.Append(piece.data(), 100));
  ASSERT_TRUE(assembler.Append(piece.data(), 100));
  EXPECT_FALSE(assembler.Append(piece.data(), 51));
  EXPECT_EQ(assembler.size(), 200u);                // the refused piece was not kept
  EXPECT_TRUE(assembler.Append(piece.data(), 50));  // exactly the cap is still a request
  EXPECT_EQ(assembler.Take().size, 250u);
}

TEST(RequestAssemblerTest, DefaultCapHoldsAtTheNamedSize) {
  const std::vector<BYTE> piece = Pattern(64 * 1024);
  CRequestAssembler assembler;
  for (DWORD total = 0; total < kMaxPipeRequestSize; total += 64 * 1024) {
    ASSERT_TRUE(assembler.Append(piece.data(), 64 * 1024));
  }
  EXPECT_FALSE(assembler.Append(piece.data(), 1));
  assembler.Clear();
  EXPECT_EQ(assembler.size(), 0u);
  EXPECT_TRUE(assembler.Append(piece.data(), 1));
}

}  // namespace

namespace {

using luma::service::PipeRead;
using luma::service::ReadPipeRequest;
using luma::service::RequestRead;

// Plays back a list of reads over a message, as ReadFile on a message-mode pipe would deliver it.
struct ScriptedReads {
  struct Step {
    PipeRead::Result result;
    DWORD count;
  };
  std::vector<BYTE> message;
  std::vector<Step> steps;
  size_t next = 0;
  DWORD offset = 0;

  PipeRead operator()(BYTE* buffer, DWORD capacity) {
    if (next == steps.size()) return PipeRead{};
    const Step step = steps[next++];
    const DWORD count = std::min(step.count, capacity);
    for (DWORD i = 0; i < count; ++i) buffer[i] = message[offset + i];
    offset += count;
    return PipeRead{step.result, count};
  }
};

struct ReadCase {
  const char* name;
  std::vector<ScriptedReads::Step> steps;
  RequestRead expected;
  DWORD expectedSize;
};

TEST(ReadPipeRequestTest, ReassemblesOrDropsAsTheReadsEnd) {
  const std::vector<ReadCase> cases = {
      {"one read", {{PipeRead::kComplete, 300}}, RequestRead::kRequest, 300},
      {"three reads",
       {{PipeRead::kMoreData, 8192}, {PipeRead::kMoreData, 8192}, {PipeRead::kComplete, 3616}},
       RequestRead::kRequest,
       20000},
      {"client closed", {{PipeRead::kFailed, 0}}, RequestRead::kClosed, 0},
      {"empty message", {{PipeRead::kComplete, 0}}, RequestRead::kClosed, 0},
      // A fragment must never reach the handler as if it were the whole request.
      {"failure after a piece",
       {{PipeRead::kMoreData, 8192}, {PipeRead::kFailed, 0}},
       RequestRead::kBroken,
       0},
      {"failure after two pieces",
       {{PipeRead::kMoreData, 8192}, {PipeRead::kMoreData, 8192}, {PipeRead::kFailed, 0}},
       RequestRead::kBroken,
       0},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedReads reads{Pattern(20000), c.steps};
    CSecureBuffer readBuffer(8192);
    CSecureBuffer request(5, "stale");
    EXPECT_EQ(ReadPipeRequest(std::ref(reads), readBuffer, request), c.expected);
    ASSERT_EQ(request.size, c.expectedSize);
    if (c.expectedSize != 0) {
      const std::vector<BYTE> whole = Pattern(20000);
      EXPECT_TRUE(std::equal(request.data, request.data + request.size, whole.begin()));
    }
  }
}

TEST(ReadPipeRequestTest, StopsReadingOnceTheCapIsPassed) {
  // A sender that never ends its message: the reader gives up after the cap, not at the sender's end.
  size_t readsMade = 0;
  auto endless = [&](BYTE* buffer, DWORD capacity) {
    ++readsMade;
    for (DWORD i = 0; i < capacity; ++i) buffer[i] = 0x5A;
    return PipeRead{PipeRead::kMoreData, capacity};
  };
  CSecureBuffer readBuffer(8192);
  CSecureBuffer request;
  EXPECT_EQ(ReadPipeRequest(endless, readBuffer, request, 100000), RequestRead::kTooLarge);
  EXPECT_TRUE(request.empty());
  EXPECT_EQ(readsMade, 13u);  // 12 full pieces fit in 100,000 bytes, the 13th does not
}

}  // namespace
