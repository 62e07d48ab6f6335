// The format's data-block checksum.
#include <gtest/gtest.h>

#include "installer/cabinet/cab_checksum.h"

namespace {

const uint8_t* bytes(const char* s) { return reinterpret_cast<const uint8_t*>(s); }

TEST(Checksum, TrailingBytesPutTheFirstHighest) {
  EXPECT_EQ(cab_checksum(bytes("abc"), 3, 0), 0x00616263u);
  EXPECT_EQ(cab_checksum(bytes("ab"), 2, 0), 0x00006162u);
  EXPECT_EQ(cab_checksum(bytes("a"), 1, 0), 0x00000061u);
}

TEST(Checksum, WholeWordsAreLittleEndian) {
  EXPECT_EQ(cab_checksum(bytes("abcd"), 4, 0), 0x64636261u);
  EXPECT_EQ(cab_checksum(bytes("abcdabcd"), 8, 0), 0u);
  EXPECT_EQ(cab_checksum(bytes("abcde"), 5, 0), 0x64636261u ^ 0x65u);
}

TEST(Checksum, SeedChainsPieces) {
  EXPECT_EQ(cab_checksum(bytes(""), 0, 0x12345678), 0x12345678u);
  uint32_t whole = cab_checksum(bytes("abcdefgh"), 8, 0);
  EXPECT_EQ(cab_checksum(bytes("efgh"), 4, cab_checksum(bytes("abcd"), 4, 0)), whole);
}

}  // namespace
