#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "rtl/RTL.Variant.h"

// Copy and move take a short path for scalars and the general one for text and arrays; both
// must leave the same values behind.

namespace {
std::string Describe(const Variant& V) {
  if (V.IsArray()) {
    std::string text = "Array";
    for (Integer i = VarArrayLowBound(V, 1); i <= VarArrayHighBound(V, 1); ++i) text += " " + Describe(V[i]);
    return text;
  }
  return StringToUTF8(VarTypeAsText(V.VarType()) + u" " + VarToStr(V));
}

std::vector<Variant> Samples() {
  return {Variant(),
          Null(),
          Variant(42),
          Variant(2.5),
          Variant(Int64(1) << 40),
          Variant(true),
          Variant(u"short"),
          Variant(u"a text longer than any small-string buffer"),
          VarArrayOf({Variant(1), Variant(u"x")})};
}
}  // namespace

TEST(VariantLifecycle, CopyAndMoveBetweenEveryPairOfKinds) {
  const std::vector<Variant> samples = Samples();
  for (const Variant& from : samples) {
    for (const Variant& to : samples) {
      SCOPED_TRACE(Describe(from) + " over " + Describe(to));
      Variant copied = to;
      copied = from;
      EXPECT_EQ(Describe(copied), Describe(from));

      Variant source = from;
      Variant moved = to;
      moved = std::move(source);
      EXPECT_EQ(Describe(moved), Describe(from));
      EXPECT_TRUE(source.IsEmpty());  // NOLINT(bugprone-use-after-move): moved-from is Empty

      Variant constructed(std::move(moved));
      EXPECT_EQ(Describe(constructed), Describe(from));
      EXPECT_TRUE(moved.IsEmpty());  // NOLINT(bugprone-use-after-move)
    }
  }
}

// Setting a number in place must drop whatever text or array the variant held.
TEST(VariantLifecycle, NumbersSetInPlaceOverEveryKind) {
  for (const Variant& to : Samples()) {
    SCOPED_TRACE(Describe(to));
    Variant real = to;
    real.SetDouble(-0.75);
    EXPECT_EQ(Describe(real), Describe(Variant(-0.75)));
    Variant integer = to;
    integer.SetInteger(-7);
    EXPECT_EQ(Describe(integer), Describe(Variant(-7)));
    Variant copy = integer;
    EXPECT_EQ(Describe(copy), Describe(Variant(-7)));
  }
}

TEST(VariantLifecycle, SelfAssignmentKeepsTheValue) {
  for (const Variant& sample : Samples()) {
    SCOPED_TRACE(Describe(sample));
    Variant v = sample;
    Variant& alias = v;
    v = alias;
    EXPECT_EQ(Describe(v), Describe(sample));
    v = std::move(alias);
    EXPECT_EQ(Describe(v), Describe(sample));
  }
}

TEST(VariantLifecycle, AssigningAnElementOfItsOwnArray) {
  Variant v = VarArrayOf({Variant(1), Variant(u"a text longer than any small-string buffer")});
  v = v[1];
  EXPECT_EQ(Describe(v), "UnicodeString a text longer than any small-string buffer");
  Variant w = VarArrayOf({Variant(7), Variant(u"x")});
  w = w[0];
  EXPECT_EQ(Describe(w), "Integer 7");
}

TEST(VariantLifecycle, CopiesAreIndependent) {
  Variant a = VarArrayOf({Variant(1)});
  Variant b = a;
  b.SetElement(0, Variant(2));
  EXPECT_EQ(Describe(a), "Array Integer 1");
  Variant s(u"one");
  Variant t;
  t = s;
  t += Variant(u"!");
  EXPECT_EQ(Describe(s), "UnicodeString one");
  EXPECT_EQ(Describe(t), "UnicodeString one!");
}
