#include "service/core/request_assembler.h"

#include <gtest/gtest.h>

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
  EXPECT_EQ(assembler.size(), 200u);  // the refused piece was not kept
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
