#include "os/OS.Registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "os/OS.Environment.h"
#include "support/TestSupport.h"

namespace {

// Each test gets its own store folder through XDG_CONFIG_HOME.
class RegistryStore : public ::testing::Test {
 protected:
  void SetUp() override {
    FOld = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
    setenv("XDG_CONFIG_HOME", TempDir().c_str(), 1);
    RegistryResetCache();
  }
  void TearDown() override {
    if (FOld.empty()) unsetenv("XDG_CONFIG_HOME");
    else setenv("XDG_CONFIG_HOME", FOld.c_str(), 1);
    RegistryResetCache();
  }
  static void WriteString(HKEY key, StringView name, StringView text, DWORD type = REG_SZ) {
    String data(text);
    ASSERT_EQ(RegSetValueEx(key, name, type, reinterpret_cast<const Byte*>(data.c_str()),
                            DWORD((data.size() + 1) * 2)),
              ERROR_SUCCESS);
  }
  static String ReadString(HKEY key, StringView name) {
    DWORD type = 0, size = 0;
    if (RegQueryValueEx(key, name, &type, nullptr, &size) != ERROR_SUCCESS) return u"<missing>";
    String buffer(size / 2, u'\0');
    EXPECT_EQ(RegQueryValueEx(key, name, &type, reinterpret_cast<Byte*>(buffer.data()), &size), ERROR_SUCCESS);
    return buffer.substr(0, buffer.find(u'\0'));
  }
  std::string FOld;
};

TEST_F(RegistryStore, TypedValuesSurviveAReload) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, u"Software\\ZEPH\\Editor", 0, KEY_ALL_ACCESS, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  WriteString(key, u"Name", u"line1\nline2 \"quoted\" \\ \u00e9\u20ac");
  WriteString(key, u"", u"default value");
  WriteString(key, u"Path", u"%HOME%\\skins", REG_EXPAND_SZ);
  DWORD number = 0xDEADBEEF;
  ASSERT_EQ(RegSetValueEx(key, u"Count", REG_DWORD, reinterpret_cast<Byte*>(&number), 4), ERROR_SUCCESS);
  const Byte blob[] = {0, 1, 2, 0xFF};
  ASSERT_EQ(RegSetValueEx(key, u"Blob", REG_BINARY, blob, sizeof blob), ERROR_SUCCESS);
  RegCloseKey(key);

  RegistryResetCache();  // as a new process would
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, u"software/zeph/EDITOR", 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_EQ(ReadString(key, u"name"), u"line1\nline2 \"quoted\" \\ \u00e9\u20ac");
  EXPECT_EQ(ReadString(key, u""), u"default value");
  DWORD type = 0, size = 4;
  number = 0;
  ASSERT_EQ(RegQueryValueEx(key, u"Count", &type, reinterpret_cast<Byte*>(&number), &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(number, 0xDEADBEEF);
  ASSERT_EQ(RegQueryValueEx(key, u"Path", &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_EXPAND_SZ);  // kept unexpanded
  EXPECT_EQ(ReadString(key, u"Path"), u"%HOME%\\skins");
  Byte read[8] = {};
  size = 2;
  EXPECT_EQ(RegQueryValueEx(key, u"Blob", &type, read, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 4u);
  ASSERT_EQ(RegQueryValueEx(key, u"Blob", &type, read, &size), ERROR_SUCCESS);
  EXPECT_EQ(std::memcmp(read, blob, 4), 0);
  EXPECT_EQ(RegQueryValueEx(key, u"Missing", &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
}

TEST_F(RegistryStore, KeyNamesWithQuotesAndControlCharactersSurviveAReload) {
  const String name = u"Say \"hi\"\ttab\u0001";
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, u"Software\\" + name, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
  WriteString(key, u"Value", u"kept");
  RegCloseKey(key);

  RegistryResetCache();
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, u"Software\\" + name, 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_EQ(ReadString(key, u"Value"), u"kept");
  RegCloseKey(key);
}

TEST_F(RegistryStore, KeysEnumerateAndDeleteOnlyWhenEmpty) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, u"Software\\Test\\A\\B", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
  RegCloseKey(key);
  ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, u"Software\\Test\\C", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
  RegCloseKey(key);
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, u"Software\\Test", 0, KEY_READ, &key), ERROR_SUCCESS);
  DWORD count = 0, longest = 0;
  ASSERT_EQ(RegQueryInfoKey(key, &count, &longest, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(count, 2u);
  Char name[64];
  DWORD length = 64;
  ASSERT_EQ(RegEnumKeyEx(key, 1, name, &length), ERROR_SUCCESS);
  EXPECT_EQ(String(name, length), u"C");
  length = 64;
  EXPECT_EQ(RegEnumKeyEx(key, 2, name, &length), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(RegDeleteKey(key, u"A"), ERROR_ACCESS_DENIED);  // still has B
  EXPECT_EQ(RegDeleteKey(key, u"A\\B"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKey(key, u"A"), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, u"Software\\Test\\A", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);
}

TEST_F(RegistryStore, InterruptedWriteLeavesThePreviousStore) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, u"Software\\Safe", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
  WriteString(key, u"Value", u"kept");
  RegCloseKey(key);
  // A crash mid-write leaves only a partial temporary file beside the store.
  std::string folder = StringToUTF8(RegistryStoreFolder());
  std::ofstream(folder + "registry-user.txt.tmp") << "ZEPHSE registry 1\n[Software\\Safe]\n\"Value\"=1:\"tor";
  RegistryResetCache();
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, u"Software\\Safe", 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_EQ(ReadString(key, u"Value"), u"kept");
  RegCloseKey(key);
}

TEST_F(RegistryStore, DamagedLinesAreSkippedNotFatal) {
  std::filesystem::create_directories(StringToUTF8(RegistryStoreFolder()));
  std::ofstream(StringToUTF8(RegistryStoreFolder()) + "registry-user.txt")
      << "ZEPHSE registry 1\n[Software\\X]\n\"Bad\"=1:\"unterminated\n\"Hex\"=3:hex:0g\n\"Good\"=1:\"ok\"\n";
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, u"Software\\X", 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_EQ(ReadString(key, u"Good"), u"ok");
  EXPECT_EQ(ReadString(key, u"Bad"), u"<missing>");
  EXPECT_EQ(ReadString(key, u"Hex"), u"<missing>");
  RegCloseKey(key);
}

TEST_F(RegistryStore, DesktopSettingsHaveDefaults) {
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced", 0,
                         KEY_READ, &key),
            ERROR_SUCCESS);
  DWORD value = 0, size = 4, type = 0;
  ASSERT_EQ(RegQueryValueEx(key, u"Hidden", &type, reinterpret_cast<Byte*>(&value), &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(value, 2u);
  RegCloseKey(key);
  EXPECT_EQ(RegOpenKeyEx(nullptr, u"Software", 0, KEY_READ, &key), ERROR_INVALID_HANDLE);
}

}  // namespace
