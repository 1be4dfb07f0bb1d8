#include "zcl/base/ZCL.Classes.ByteBuffer.h"

#include <gtest/gtest.h>

#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.Base.TestUtil.h"

TEST(ByteBuffer, ResizeKeepsOnlyUsedBytes) {
  TZCLByteBuffer* b = Create<TZCLByteBuffer>(8);
  for (int i = 0; i < 8; ++i) b->Data[i] = static_cast<Byte>(i + 1);
  b->SetUsed(6);
  b->SetSize(4);
  EXPECT_EQ(b->GetUsed(), 4);
  b->SetSize(16);
  EXPECT_EQ(b->GetUsed(), 4);
  EXPECT_EQ(std::vector<Byte>(b->Data, b->Data + 6), (std::vector<Byte>{1, 2, 3, 4, 0, 0}));
  EXPECT_EQ(b->SetUsed(100), 16);
  EXPECT_EQ(b->SetUsed(-1), 0);
  TZCLRemovableByteBuffer* r = Create<TZCLRemovableByteBuffer>(16);
  EXPECT_FALSE(b->Equals(r));  // same content, other class
  TZCLByteBuffer* same = Create<TZCLByteBuffer>(16);
  std::copy(b->Data, b->Data + 16, same->Data);
  EXPECT_TRUE(b->Equals(same));
  EXPECT_EQ(RaisedMessage<EInvalidArgument>([] { Create<TZCLByteBuffer>(-1); }), "TZCLByteBuffer");
  Free(same);
  Free(r);
  Free(b);
}

TEST(ByteBuffer, RemoveFromFront) {
  TZCLRemovableByteBuffer* r = Create<TZCLRemovableByteBuffer>(5);
  for (int i = 0; i < 5; ++i) r->Data[i] = static_cast<Byte>(i + 1);
  r->SetUsed(5);
  r->Remove(2);
  EXPECT_EQ(r->GetUsed(), 3);
  EXPECT_EQ(std::vector<Byte>(r->Data, r->Data + 3), (std::vector<Byte>{3, 4, 5}));
  r->Remove(9);
  EXPECT_EQ(r->GetUsed(), 0);
  Free(r);
}

TEST(BitStream, ReadsMostSignificantBitFirst) {
  const Byte data[] = {0xA5, 0xFF};
  TZCLBitStream bits(data, 8);
  EXPECT_EQ(bits.Read(1), 1u);
  EXPECT_EQ(bits.Read(3), 2u);
  EXPECT_EQ(bits.Read(4), 5u);
  EXPECT_EQ(RaisedMessage<EInvalidArgument>([&] { bits.Read(1); }), "Bits index out of range");
  EXPECT_EQ(bits.GetPosition(), 8);
  bits.SetPosition(8);
  EXPECT_THROW(bits.SetPosition(9), EInvalidArgument);
  bits.SetPosition(0);
  EXPECT_THROW(bits.Read(0), EInvalidArgument);
  TZCLBitStream wide(data, 16);
  EXPECT_EQ(wide.Read(16), 0xA5FFu);
}

TEST(DataContainer, SizesCopiesAndEquality) {
  TMemoryStream source;
  source.WriteBuffer("abcdef", 6);
  source.SetPosition(4);
  IPtr<IZCLDataContainer> whole = Create<TZCLDataContainer>(static_cast<TStream*>(&source));
  EXPECT_EQ(whole->GetDataSize(), 6);
  source.SetPosition(1);
  IPtr<IZCLDataContainer> part = Create<TZCLDataContainer>(static_cast<TStream*>(&source), 3);
  EXPECT_EQ(std::string(static_cast<const char*>(part->GetData()), 3), "bcd");
  EXPECT_THROW(IPtr<IZCLDataContainer>(Create<TZCLDataContainer>(static_cast<TStream*>(&source), 9)), EReadError);
  IPtr<IZCLDataContainer> same = Create<TZCLDataContainer>(static_cast<TStream*>(&source));
  EXPECT_TRUE(DataContainersEqual(whole, same));
  EXPECT_TRUE(DataContainersEqual(part, part));
  EXPECT_FALSE(DataContainersEqual(whole, part));
  EXPECT_FALSE(DataContainersEqual(whole, nullptr));
  TMemoryStream* locked = whole->LockData();
  locked->SetPosition(0);
  locked->WriteBuffer("X", 1);
  whole->UnlockData();
  EXPECT_FALSE(DataContainersEqual(whole, same));
  EXPECT_TRUE(same->SetDataSize(4));
  EXPECT_EQ(std::vector<Byte>(static_cast<Byte*>(same->GetData()), static_cast<Byte*>(same->GetData()) + 4),
            (std::vector<Byte>{0, 0, 0, 0}));
  EXPECT_TRUE(same->SetDataSize(0));
  EXPECT_EQ(same->GetDataSize(), 0);
}
