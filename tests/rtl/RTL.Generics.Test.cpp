#include "rtl/RTL.Generics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "rtl/RTL.Exceptions.h"

namespace {

enum class TLevel : Byte { Low, Middle, High };

struct TRecord {
  Integer A;
  Word B;
  Word C;
};

struct IProbe : virtual IInterface {
  RTL_INTERFACE(IProbe, IInterface, "{1D6B2A90-5C3E-4F7B-8E21-AB34CD56EF01}")
};
class TProbe : public TInterfacedObject, public IProbe {
  RTL_INTERFACES(TInterfacedObject, IProbe)
};

template <class T>
Integer Cmp(const T& Left, const T& Right) {
  return TComparer<T>::Default()->Compare(Left, Right);
}

// Checks that the default comparers agree: order 0 exactly when equal, equal values hash alike,
// and the order is antisymmetric.
template <class T>
void ExpectConsistent(const T& Left, const T& Right, Integer ExpectedOrder) {
  auto order = TComparer<T>::Default();
  auto equality = TEqualityComparer<T>::Default();
  EXPECT_EQ(order->Compare(Left, Right), ExpectedOrder);
  EXPECT_EQ(order->Compare(Right, Left), -ExpectedOrder);
  EXPECT_EQ(equality->Equals(Left, Right), ExpectedOrder == 0);
  if (ExpectedOrder == 0) {
    EXPECT_EQ(equality->GetHashCode(Left), equality->GetHashCode(Right));
  }
}

}  // namespace

TEST(Comparers, DefaultOrderByKindOfType) {
  // Strings: ordinal UTF-16 code units, shorter prefix first, no case folding.
  const struct {
    String left, right;
    Integer order;
  } texts[] = {
      {u"", u"", 0},           {u"abc", u"abc", 0},    {u"B", u"a", -1},
      {u"ab", u"abc", -1},     {u"\u00e9", u"z", 1},   {u"\U0001F600", u"\uFFFD", -1},  // surrogates sort below U+FFFD
      {u"a", u"A", 1},
  };
  for (const auto& c : texts) ExpectConsistent(c.left, c.right, c.order);
  ExpectConsistent<AnsiString>("\xC3\xA9", "z", 1);  // bytes compare unsigned

  ExpectConsistent<Integer>(-5, 3, -1);
  ExpectConsistent<Integer>(MaxInt, -MaxInt - 1, 1);  // no overflow through subtraction
  ExpectConsistent<Cardinal>(0xFFFFFFFFu, 1u, 1);
  ExpectConsistent<Int64>(1ll << 40, 1ll << 40, 0);
  ExpectConsistent<Char>(u'a', u'\u00e9', -1);
  ExpectConsistent<bool>(false, true, -1);
  ExpectConsistent<TLevel>(TLevel::High, TLevel::Low, 1);

  const double nan = std::numeric_limits<double>::quiet_NaN();
  ExpectConsistent<double>(1.5, 2.5, -1);
  ExpectConsistent<double>(0.0, -0.0, 0);
  ExpectConsistent<double>(nan, -nan, 0);
  ExpectConsistent<double>(nan, std::numeric_limits<double>::infinity(), 1);
  ExpectConsistent<Single>(-1.0f, 0.0f, -1);

  // Records compare by their bytes: equal records are equal, different ones are not.
  TRecord a{1, 2, 3}, b{1, 2, 3}, c{1, 2, 4};
  ExpectConsistent(a, b, 0);
  EXPECT_NE(Cmp(a, c), 0);
  EXPECT_EQ(Cmp(a, c), -Cmp(c, a));
  EXPECT_FALSE(TEqualityComparer<TRecord>::Default()->Equals(a, c));
}

TEST(Comparers, ObjectsAndInterfacesCompareByIdentity) {
  TObject* first = Create<TObject>();
  TObject* second = Create<TObject>();
  ExpectConsistent(first, first, 0);
  EXPECT_NE(Cmp(first, second), 0);
  EXPECT_EQ(Cmp(first, second), -Cmp(second, first));
  EXPECT_FALSE(TEqualityComparer<TObject*>::Default()->Equals(first, second));
  ExpectConsistent<TClass>(ClassOf<TObject>(), first->ClassType(), 0);
  Free(first);
  Free(second);

  IPtr<IProbe> probe = Create<TProbe>();
  IPtr<IProbe> same = probe;
  IPtr<IProbe> other = Create<TProbe>();
  ExpectConsistent(probe, same, 0);
  EXPECT_NE(Cmp(probe, other), 0);
  EXPECT_FALSE(TEqualityComparer<IPtr<IProbe>>::Default()->Equals(probe, other));
  EXPECT_EQ(dynamic_cast<TProbe*>(probe.get())->GetRefCount(), 2);  // comparing takes no reference
}

TEST(Comparers, FloatOrderIsTotalSoSortingWithNaNIsSound) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<double> values = {3, nan, -1, 0.0, nan, -std::numeric_limits<double>::infinity(), -0.0, 2, nan, 1};
  for (int i = 0; i < 40; ++i) values.push_back(i % 3 ? nan : 40 - i);
  auto order = TComparer<double>::Default();
  std::sort(values.begin(), values.end(), [&](double l, double r) { return order->Compare(l, r) < 0; });
  const auto firstNaN = std::find_if(values.begin(), values.end(), [](double v) { return std::isnan(v); });
  EXPECT_TRUE(std::is_sorted(values.begin(), firstNaN));
  EXPECT_TRUE(std::all_of(firstNaN, values.end(), [](double v) { return std::isnan(v); }));
  EXPECT_EQ(values.end() - firstNaN, 29);
}

TEST(Comparers, ConstructWrapsAFunctionAndDefaultsAreShared) {
  auto byLength = TComparer<String>::Construct(
      [](const String& L, const String& R) { return CompareValue(L.size(), R.size()); });
  std::vector<String> words = {u"three", u"a", u"to"};
  std::sort(words.begin(), words.end(), [&](const String& l, const String& r) { return byLength->Compare(l, r) < 0; });
  EXPECT_EQ(words, (std::vector<String>{u"a", u"to", u"three"}));

  auto sameLength = TEqualityComparer<String>::Construct(
      [](const String& L, const String& R) { return L.size() == R.size(); },
      [](const String& V) { return static_cast<Integer>(V.size()); });
  EXPECT_TRUE(sameLength->Equals(u"ab", u"xy"));
  EXPECT_FALSE(sameLength->Equals(u"ab", u"xyz"));
  EXPECT_EQ(sameLength->GetHashCode(u"abc"), 3);

  EXPECT_THROW(TComparer<Integer>::Construct(nullptr), EArgumentNilException);
  EXPECT_THROW(TEqualityComparer<Integer>::Construct(nullptr, nullptr), EArgumentNilException);

  // One default comparer per type, owned by no reference.
  EXPECT_EQ(TComparer<Integer>::Default(), TComparer<Integer>::Default());
  EXPECT_EQ(TComparer<Integer>::Default()->_AddRef(), -1);
  EXPECT_TRUE(Supports<IEqualityComparer<Integer>>(TComparer<Integer>::Default()));
}

TEST(Comparers, DerivedComparerStandsForTheInterfaceAndIsCounted) {
  static int living = 0;
  class TReverse : public TComparer<Integer> {
   public:
    TReverse() { ++living; }
    ~TReverse() override { --living; }
    Integer Compare(const Integer& Left, const Integer& Right) override { return CompareValue(Right, Left); }
  };
  {
    IPtr<IComparer<Integer>> reverse = Create<TReverse>();
    EXPECT_EQ(reverse->Compare(1, 2), 1);
    EXPECT_TRUE(Supports<IComparer<Integer>>(reverse));
    EXPECT_EQ(living, 1);
  }
  EXPECT_EQ(living, 0);
}

TEST(Generics, PairAndNotificationValues) {
  TPair<String, Integer> pair(u"key", 7);
  EXPECT_EQ(pair.Key, u"key");
  EXPECT_EQ(pair.Value, 7);
  EXPECT_EQ(pair, (TPair<String, Integer>(u"key", 7)));
  EXPECT_NE(pair, (TPair<String, Integer>(u"key", 8)));
  const TCollectionNotification values[] = {cnAdding, cnAdded, cnExtracting, cnExtracted, cnDeleting, cnRemoved};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(static_cast<int>(values[i]), i);
}
