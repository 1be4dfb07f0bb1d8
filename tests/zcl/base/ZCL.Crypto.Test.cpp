#include "zcl/base/ZCL.Crypto.h"

#include <gtest/gtest.h>

namespace {
// Records the size of every write that reaches it.
class TRecordingStream : public TMemoryStream {
 public:
  using TStream::Write;
  Integer Write(const void* Buffer, Integer Count) override {
    Writes.push_back(Count);
    return TMemoryStream::Write(Buffer, Count);
  }
  std::vector<Integer> Writes;
};
}  // namespace

TEST(XORStream, ScramblesWithKeyPhaseOfInnerPosition) {
  const TBytes key = {0x0F, 0xF0};
  TMemoryStream inner;
  {
    TXORStream x(key, &inner);
    const Byte plain[3] = {0x11, 0x22, 0x33};
    x.WriteBuffer(plain, 3);
    EXPECT_EQ(plain[0], 0x11);  // the caller's bytes are not changed
  }
  const Byte* stored = static_cast<const Byte*>(inner.GetMemory());
  EXPECT_EQ(stored[0], 0x11 ^ 0x0F);
  EXPECT_EQ(stored[1], 0x22 ^ 0xF0);
  EXPECT_EQ(stored[2], 0x33 ^ 0x0F);
  inner.SetPosition(0);
  TXORStream back(key, &inner);
  Byte read[3];
  back.ReadBuffer(read, 3);
  EXPECT_EQ(read[0], 0x11);
  EXPECT_EQ(read[2], 0x33);
  EXPECT_EQ(back.Read(read, 3), 0);
}

TEST(XORStream, KeyIndexFollowsPositionAndChunks) {
  const TBytes key = {1, 2, 3};
  TRecordingStream inner;
  inner.SetSize(10);
  inner.SetPosition(5);
  TXORStream x(key, &inner);
  EXPECT_EQ(x.GetKeyIndex(), 2);
  EXPECT_EQ(x.Seek(7, soBeginning), 7);
  EXPECT_EQ(x.GetKeyIndex(), 1);
  Byte b;
  x.ReadBuffer(&b, 1);
  EXPECT_EQ(b, 0 ^ 2);
  inner.Writes.clear();
  std::vector<Byte> data(600, 0xAA);
  EXPECT_EQ(x.Write(data.data(), 600), 600);
  EXPECT_EQ(inner.Writes, (std::vector<Integer>{256, 256, 88}));
  EXPECT_EQ(x.GetKeyIndex(), static_cast<Integer>((8 + 600) % 3));
  EXPECT_THROW(TXORStream(TBytes{}, &inner), EArgumentException);
}
