#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "os/OS.Registry.h"
#include "support/TestSupport.h"
#include "zcl/base/ZCL.Utils.Registry.h"

namespace {

const String Base = u"Software\\ZephTest\\Helpers";

// Each test gets its own store through XDG_CONFIG_HOME.
class RegistryHelpers : public ::testing::Test {
 protected:
  void SetUp() override {
    FOld = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
    setenv("XDG_CONFIG_HOME", TempDir().c_str(), 1);
    RegistryResetCache();
  }
  void TearDown() override {
    if (FOld.empty())
      unsetenv("XDG_CONFIG_HOME");
    else
      setenv("XDG_CONFIG_HOME", FOld.c_str(), 1);
    RegistryResetCache();
  }
  static void SetRaw(HKEY key, const String& name, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(RegSetValueEx(key, name, type, static_cast<const Byte*>(data), size), ERROR_SUCCESS);
  }
  std::string FOld;
};

TEST_F(RegistryHelpers, EachValueKindReadsBackOrGivesTheFallback) {
  ASSERT_TRUE(RegistryWriteString(HKEY_CURRENT_USER, Base, u"Name", u"Skin \u00e9"));
  ASSERT_TRUE(RegistryWriteDefaultString(HKEY_CURRENT_USER, Base, u"default text"));
  HKEY key = RegistryOpenKeyForWriting(HKEY_CURRENT_USER, Base, false);
  ASSERT_NE(key, nullptr);
  const String expand = u"%TEMP%\\x";
  SetRaw(key, u"Expand", REG_EXPAND_SZ, expand.c_str(), DWORD((expand.size() + 1) * 2));
  const int32_t number = -5;
  SetRaw(key, u"Number", REG_DWORD, &number, 4);
  const Byte binary[] = {1, 2, 3};
  SetRaw(key, u"Binary", REG_BINARY, binary, 3);
  // A string stored without its terminator, of odd size.
  const String bare = u"bare";
  SetRaw(key, u"Bare", REG_SZ, bare.c_str(), 9);
  RegistryCloseKey(key);
  RegistryResetCache();

  EXPECT_EQ(RegistryReadDefaultString(HKEY_CURRENT_USER, Base), u"default text");
  ASSERT_TRUE(RegistryOpenKeyForReading(HKEY_CURRENT_USER, Base, key));
  DWORD type = 0, size = 0;
  ASSERT_TRUE(RegistryQueryValueInfo(key, u"Name", type, size));
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(size, (String(u"Skin \u00e9").size() + 1) * 2);
  EXPECT_EQ(RegistryReadString(key, u"Name"), u"Skin \u00e9");
  EXPECT_EQ(RegistryReadString(key, u"Expand"), expand);
  EXPECT_EQ(RegistryReadString(key, u"Bare"), u"bare");
  EXPECT_EQ(RegistryReadString(key, u"Number"), u"");
  EXPECT_EQ(RegistryReadString(key, u"Binary"), u"");
  EXPECT_EQ(RegistryReadString(key, u"Missing"), u"");
  EXPECT_EQ(RegistryReadInteger(key, u"Number", 7), -5);
  EXPECT_EQ(RegistryReadInteger(key, u"Name", 7), 7);
  EXPECT_EQ(RegistryReadInteger(key, u"Missing", 7), 7);
  EXPECT_FALSE(RegistryQueryValueInfo(key, u"Missing", type, size));
  RegistryCloseKey(key);
}

TEST_F(RegistryHelpers, NoKeyFailsQuietlyAndTouchesNothing) {
  EXPECT_EQ(RegistryOpenKeyForReading(HKEY_CURRENT_USER, u"Software\\ZephTest\\Absent"), nullptr);
  EXPECT_EQ(RegistryOpenKeyForWriting(HKEY_CURRENT_USER, u"Software\\ZephTest\\Absent", false), nullptr);
  EXPECT_FALSE(RegistryWriteString(nullptr, u"Name", u"x"));
  EXPECT_EQ(RegistryReadString(nullptr, u"Name"), u"");
  EXPECT_EQ(RegistryReadInteger(nullptr, u"Name", 3), 3);
  EXPECT_FALSE(RegistryDeleteKeyRecursive(nullptr, u"Software"));
  EXPECT_FALSE(RegistryDeleteKeyRecursive(HKEY_CURRENT_USER, u""));
  EXPECT_FALSE(RegistryDeleteKey(HKEY_CURRENT_USER, u"Software\\ZephTest\\Absent"));
  RegistryCloseKey(nullptr);
  EXPECT_EQ(RegistryOpenKeyForReading(HKEY_CURRENT_USER, u"Software\\ZephTest"), nullptr);
}

TEST_F(RegistryHelpers, RecursiveDeletionRemovesEveryLevel) {
  ASSERT_TRUE(RegistryWriteString(HKEY_CURRENT_USER, Base + u"\\A\\A1", u"v", u"1"));
  ASSERT_TRUE(RegistryWriteString(HKEY_CURRENT_USER, Base + u"\\A\\A2", u"v", u"2"));
  ASSERT_TRUE(RegistryWriteString(HKEY_CURRENT_USER, Base + u"\\B", u"v", u"3"));
  EXPECT_FALSE(RegistryDeleteKey(HKEY_CURRENT_USER, Base));  // has subkeys
  EXPECT_TRUE(RegistryDeleteKeyRecursive(HKEY_CURRENT_USER, Base));
  EXPECT_EQ(RegistryOpenKeyForReading(HKEY_CURRENT_USER, Base), nullptr);
  EXPECT_EQ(RegistryOpenKeyForReading(HKEY_CURRENT_USER, Base + u"\\A\\A1"), nullptr);
  HKEY parent = RegistryOpenKeyForReading(HKEY_CURRENT_USER, u"Software\\ZephTest");
  EXPECT_NE(parent, nullptr);
  RegistryCloseKey(parent);
}

TEST_F(RegistryHelpers, RecursiveDeletionStopsAtANameTooLongToEnumerate) {
  const String longName(64, u'k');
  ASSERT_TRUE(RegistryWriteString(HKEY_CURRENT_USER, Base + u"\\" + longName, u"v", u"1"));
  ASSERT_TRUE(RegistryWriteString(HKEY_CURRENT_USER, Base + u"\\Short", u"v", u"2"));
  EXPECT_FALSE(RegistryDeleteKeyRecursive(HKEY_CURRENT_USER, Base));
  HKEY key = RegistryOpenKeyForReading(HKEY_CURRENT_USER, Base + u"\\" + longName);
  EXPECT_NE(key, nullptr);
  RegistryCloseKey(key);
}

}  // namespace
