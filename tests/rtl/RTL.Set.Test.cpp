#include "rtl/RTL.Set.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
enum TStyle : Byte { stBold, stItalic, stUnderline, stStrikeOut };
constexpr Integer EnumHigh(TStyle) { return stStrikeOut; }
using TStyles = TSet<TStyle>;

enum class TWide { A = 0, B = 9, C = 31, D = 40, E = 255 };
using TWideSet = TSet<TWide>;

// Compile-time use is part of the contract: sets appear in constexpr defaults.
constexpr TStyles DefaultStyles{stBold, stUnderline};
static_assert(DefaultStyles.Contains(stUnderline) && !DefaultStyles.Contains(stItalic));
static_assert(TStyles::ByteSize == 1 && TWideSet::ByteSize == 32);
}  // namespace

TEST(Set, Algebra) {
  const TStyles a{stBold, stItalic}, b{stItalic, stUnderline};
  EXPECT_EQ(a + b, (TStyles{stBold, stItalic, stUnderline}));
  EXPECT_EQ(a * b, TStyles{stItalic});
  EXPECT_EQ(a - b, TStyles{stBold});
  EXPECT_TRUE((a - a).Empty());
  EXPECT_TRUE(TStyles{stBold} <= a);
  EXPECT_TRUE(a <= a);
  EXPECT_FALSE(a <= b);
  EXPECT_TRUE(a >= TStyles{});
  EXPECT_EQ(TStyles::All().Count(), 4);

  TStyles s;
  s.Include(stStrikeOut).Include(stBold).Include(stBold);
  EXPECT_EQ(s.Count(), 2);
  s.Exclude(stBold).Exclude(stItalic);
  EXPECT_EQ(s, TStyles{stStrikeOut});
  // An ordinal outside the enumeration's range is never a member.
  EXPECT_FALSE(TStyles::All().Contains(static_cast<TStyle>(7)));

  std::vector<TWide> order;
  for (TWide w : TWideSet{TWide::E, TWide::A, TWide::D}) order.push_back(w);
  EXPECT_EQ(order, (std::vector<TWide>{TWide::A, TWide::D, TWide::E}));
}

TEST(Set, StoredLayout) {
  EXPECT_EQ(SetByteSize(3), 1);
  EXPECT_EQ(SetByteSize(7), 1);
  EXPECT_EQ(SetByteSize(8), 2);
  EXPECT_EQ(SetByteSize(16), 4);  // three bytes round up to four
  EXPECT_EQ(SetByteSize(31), 4);
  EXPECT_EQ(SetByteSize(32), 5);
  EXPECT_EQ(SetByteSize(255), 32);

  Byte one = 0xEE;
  TStyles{stItalic, stStrikeOut}.ToBits(&one, 1);
  EXPECT_EQ(one, 0x0A);
  EXPECT_EQ(TStyles::FromBits(&one, 1), (TStyles{stItalic, stStrikeOut}));
  // Bits beyond the enumeration are dropped on reading.
  const Byte junk = 0xF1;
  EXPECT_EQ(TStyles::FromBits(&junk, 1), TStyles{stBold});
  EXPECT_EQ(TStyles::FromInteger(0xFF).ToInteger(), 0x0Fu);

  const TWideSet wide{TWide::A, TWide::B, TWide::C, TWide::D, TWide::E};
  Byte bytes[32];
  wide.ToBits(bytes, sizeof bytes);
  EXPECT_EQ(bytes[0], 0x01);
  EXPECT_EQ(bytes[1], 0x02);
  EXPECT_EQ(bytes[3], 0x80);
  EXPECT_EQ(bytes[5], 0x01);
  EXPECT_EQ(bytes[31], 0x80);
  EXPECT_EQ(TWideSet::FromBits(bytes, sizeof bytes), wide);
  // A short form keeps what fits.
  EXPECT_EQ(TWideSet::FromBits(bytes, 4), (TWideSet{TWide::A, TWide::B, TWide::C}));
  EXPECT_EQ(wide.ToInteger(), (UInt64(1) << 40) | (UInt64(1) << 31) | (1u << 9) | 1u);
}
