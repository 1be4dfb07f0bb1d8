#include "rtl/RTL.Types.h"

#include <gtest/gtest.h>

#include "rtl/RTL.EmbeddedResources.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Units.h"
#include "support/TestSupport.h"

TEST(Utf, RoundTripsEveryPlane) {
  String text = u"a\u00e9\u20ac\U0001F600z";
  EXPECT_EQ(StringToUTF8(text), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z");
  EXPECT_EQ(UTF8ToString(StringToUTF8(text)), text);
}

TEST(Utf, MalformedInputNeverYieldsBrokenUtf16) {
  struct Case {
    const char* input;
    String expected;
  } cases[] = {
      {"\xC0\xAF", u"\uFFFD\uFFFD"},          // overlong lead byte is invalid on its own
      {"\xE0\x80\xAF", u"\uFFFD"},            // overlong three-byte form
      {"\xED\xA0\x80", u"\uFFFD"},            // encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD"},        // above U+10FFFF
      {"\xF5\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\xE2\x82", u"\uFFFD"},                // truncated
      {"a\xFF" "b", u"a\uFFFDb"},
  };
  for (const auto& c : cases) EXPECT_EQ(UTF8ToString(c.input), c.expected) << c.input;
  // An unpaired surrogate in UTF-16 encodes as U+FFFD.
  EXPECT_EQ(StringToUTF8(String(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
}

TEST(Exceptions, CarryMessageClassNameAndTrace) {
  try {
    throw EListError(u"List index out of bounds (%d)", {5});
  } catch (const Exception& e) {
    EXPECT_EQ(e.GetMessage(), u"List index out of bounds (5)");
    EXPECT_EQ(e.ClassName(), u"EListError");
    EXPECT_STREQ(e.what(), "List index out of bounds (5)");
    EXPECT_FALSE(e.GetStackTrace().empty());
  }
  EXPECT_THROW(Abort(), EAbort);
  try {
    RaiseLastOSError(2);
  } catch (const EOSError& e) {
    EXPECT_EQ(e.ErrorCode, 2);
    EXPECT_NE(e.GetMessage().find(u"Code: 2."), String::npos);
  }
}

TEST(Units, InitializeInOrderAndFinalizeInReverse) {
  static std::string log;
  static const TUnit units[] = {
      {"Test.A", [] { log += "+A"; }, [] { log += "-A"; }},
      {"Test.B", [] { log += "+B"; }, [] { log += "-B"; }},
  };
  static const TUnit failing[] = {
      {"Test.C", [] { log += "+C"; }, [] { log += "-C"; }},
      {"Test.D", [] { throw EAbort(u""); }, nullptr},
  };
  InitializeUnits(units);
  InitializeUnits(units);  // a second call does nothing
  EXPECT_EQ(log, "+A+B");
  EXPECT_THROW(InitializeUnits(failing), EAbort);
  EXPECT_EQ(log, "+A+B+C-C");  // a failed list undoes only its own units
  EXPECT_FALSE(IsUnitInitialized("Test.C"));
  EXPECT_TRUE(IsUnitInitialized("Test.B"));
}

TEST(Resources, EmbeddedFilesAreFoundByNameAndType) {
  const TEmbeddedResource* r = FindEmbeddedResource(u"zephse_selftest", u"rcdata");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(r->Data), r->Size), "ZEPHSE embedded resource self-test\n");
  EXPECT_EQ(FindEmbeddedResource(u"ZEPHSE_SELFTEST", u"BITMAP"), nullptr);
}
