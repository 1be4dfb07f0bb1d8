#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>
#include <utility>
#include <vector>

#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.Streams.h"
#include "support/TestSupport.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.Utils.Strings.h"

namespace {

using TCodePages = std::vector<std::pair<Integer, String>>;

TCodePages Enumerate() {
  TCodePages result;
  TZCLEncodings::EnumCodePages([&](Integer CodePage, const String& Name) { result.emplace_back(CodePage, Name); });
  return result;
}

Integer IndexOf(const TCodePages& Pages, Integer CodePage) {
  for (size_t i = 0; i < Pages.size(); ++i)
    if (Pages[i].first == CodePage) return static_cast<Integer>(i);
  return -1;
}

TEST(CodePageList, DefaultFirstThenInstalledPagesInLogicalOrder) {
  const TCodePages pages = Enumerate();
  ASSERT_GT(pages.size(), 3u);
  EXPECT_EQ(pages[0], (std::pair<Integer, String>{0, u"Default"}));
  for (size_t i = 1; i < pages.size(); ++i) {
    EXPECT_GT(pages[i].first, 0);
    EXPECT_FALSE(pages[i].second.empty());
    EXPECT_LE(pages[i].second.size(), 260u);
    if (i > 1) {
      EXPECT_LE(zcLogicalCompare(pages[i - 1].second, pages[i].second), 0) << i;
    }
  }
  // Names start with their number, so logical order puts 437 before 1252 and 1252 before 65001.
  const Integer dos = IndexOf(pages, 437), western = IndexOf(pages, 1252), utf8 = IndexOf(pages, 65001);
  ASSERT_GT(western, 0);
  EXPECT_EQ(pages[western].second.rfind(u"1252 ", 0), 0u) << StringToUTF8(pages[western].second);
  if (dos > 0) {
    EXPECT_LT(dos, western);
  }
  if (utf8 > 0) {
    EXPECT_LT(western, utf8);
  }
}

TEST(CodePageList, IsBuiltOnceAndRebuiltAfterFreeing) {
  const TCodePages first = Enumerate();
  EXPECT_EQ(Enumerate(), first);
  TZCLEncodings::FreeCodePages();
  // Concurrent first calls each see the whole list.
  std::vector<TCodePages> seen(4);
  std::vector<std::thread> threads;
  for (auto& s : seen) threads.emplace_back([&s] { s = Enumerate(); });
  for (auto& t : threads) t.join();
  for (const auto& s : seen) EXPECT_EQ(s, first);
}

// ---- INI files ------------------------------------------------------------------------------------

struct TFreeObject {
  void operator()(TObject* Obj) const { Free(Obj); }
};
template <class T>
using TOwned = std::unique_ptr<T, TFreeObject>;

TOwned<TZCLIniFile> Parse(const String& Text) {
  TOwned<TZCLIniFile> ini(TZCLIniFile::CreateInMemory());
  ini->LoadFromText(Text);
  return ini;
}

// The UTF-16 text a file saves as, without its byte-order mark.
String Saved(TZCLIniFile& Ini) {
  TMemoryStream stream;
  Ini.SaveToStream(&stream);
  const auto* bytes = static_cast<const Byte*>(stream.GetMemory());
  EXPECT_GE(stream.GetSize(), 2);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xFE);
  String text;
  for (Int64 i = 2; i + 1 < stream.GetSize(); i += 2) text += static_cast<Char>(bytes[i] | (bytes[i + 1] << 8));
  return text;
}

std::string ReadBytes(const std::filesystem::path& Path) {
  std::ifstream in(Path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteBytes(const std::filesystem::path& Path, const std::string& Bytes) {
  std::ofstream(Path, std::ios::binary) << Bytes;
}

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = std::filesystem::path(TempDir()) / "zcl-ini";
    std::filesystem::remove_all(FDir);
    std::filesystem::create_directories(FDir);
  }
  void TearDown() override { std::filesystem::remove_all(FDir); }
  String Path(const char* Name) const { return UTF8ToString((FDir / Name).string()); }
  std::filesystem::path FDir;
};

TEST(IniFile, ParsesSectionsAndKeepsEveryLine) {
  auto ini = Parse(
      u"dropped=1\r\n[Main]\r\na=b=c\n  a = b\r;comment\n\n\nnot a key\x2028[main]\r\nx=1\r\n"
      u"[Main] ;note\r\n[]\r\ne=1\r\n[\r\nf=2\r\n[Empty]\r\n");
  ASSERT_EQ(ini->GetSectionCount(), 4);
  EXPECT_EQ(ini->GetSectionName(0), u"Main");
  EXPECT_EQ(ini->GetSectionName(1), u"Main] ;not");
  EXPECT_EQ(ini->GetSectionName(2), u"");
  EXPECT_EQ(ini->ReadString(u"MAIN", u"a", u""), u"b=c");
  EXPECT_EQ(ini->ReadString(u"Main", u"  a ", u""), u" b");
  EXPECT_EQ(ini->ReadString(u"main", u"X", u""), u"1");
  EXPECT_EQ(ini->ReadString(u"", u"f", u""), u"2");  // "[" and "[]" both name the empty section
  EXPECT_FALSE(ini->ExistsKey(u"Main", u";comment"));
  EXPECT_TRUE(ini->ExistsSection(u"empty"));

  TZCLStringList keys;
  keys.Add(u"kept");
  ini->ReadKeys(u"Main", &keys);
  EXPECT_EQ(keys.ToArray(), (std::vector<String>{u"kept", u"a", u"  a ", u"x"}));

  // Comments and unknown lines survive; lines before the first header and empty sections do not.
  EXPECT_EQ(Saved(*ini),
            u"[Main]\r\na=b=c\r\n  a = b\r\n;comment\r\nnot a key\r\nx=1\r\n\r\n"
            u"[]\r\ne=1\r\nf=2\r\n\r\n");
  auto empty = Parse(u"[A]\r\n[B]\r\n");
  EXPECT_EQ(Saved(*empty), u"");
}

TEST(IniFile, TypedReadersFollowTheirTextForms) {
  auto ini = Parse(
      u"[V]\nc1=255\nc3=1,2,3\nc2=1,2\nc0=\ncw=258,1,511\nr2=1,2\nrb=1, 2, 3, 4\nrn=-1,x,\xFF13,4\n"
      u"b0=0\nb2=2\nbx=abc\ni=-42\nix=12a\nf=2.5\nfx=x\nbig=-9000000000\npt=7,-8\n"
      u"font=Arial,255,-12,3\n");
  TZCLIniFileSection* v = ini->GetSection(u"v", false);
  ASSERT_NE(v, nullptr);
  struct ColorCase {
    const char16_t* Key;
    TColor Expected;
  } colors[] = {{u"c1", 255}, {u"c3", 0x030201}, {u"c2", 0x0201}, {u"c0", 77}, {u"cw", 0xFF0102}, {u"none", 77}};
  for (const auto& c : colors) EXPECT_EQ(ini->ReadColor(u"V", c.Key, 77), c.Expected) << StringToUTF8(c.Key);
  struct RectCase {
    const char16_t* Key;
    TRect Expected;
  } rects[] = {{u"r2", TRect(1, 2, 0, 0)}, {u"rb", TRect(1, 0, 0, 0)}, {u"rn", TRect(-1, 0, 3, 4)}};
  for (const auto& c : rects) EXPECT_EQ(ini->ReadRect(u"V", c.Key), c.Expected) << StringToUTF8(c.Key);
  EXPECT_EQ(ini->ReadRectDef(u"V", u"none", TRect(1, 1, 1, 1)), TRect(1, 1, 1, 1));
  EXPECT_EQ(ini->ReadPoint(u"V", u"pt"), TPoint(7, -8));
  EXPECT_EQ(ini->ReadPoint(u"X", u"pt"), TPoint(0, 0));

  EXPECT_FALSE(ini->ReadBool(u"V", u"b0", true));
  EXPECT_TRUE(ini->ReadBool(u"V", u"b2", false));
  EXPECT_TRUE(ini->ReadBool(u"V", u"bx", true));
  EXPECT_FALSE(ini->ReadBool(u"V", u"bx", false));
  EXPECT_EQ(ini->ReadInteger(u"V", u"i", 0), -42);
  EXPECT_EQ(ini->ReadInteger(u"V", u"ix", 5), 5);
  EXPECT_EQ(ini->ReadInteger(u"none", u"i", 5), 5);
  EXPECT_EQ(v->ReadFloat(u"f", 0), 2.5);
  EXPECT_EQ(v->ReadFloat(u"fx", 1.5), 1.5);
  EXPECT_EQ(v->ReadInt64(u"big", 0), -9000000000LL);

  TFont font;
  EXPECT_TRUE(ini->ReadFont(u"V", u"font", &font));
  EXPECT_EQ(font.GetName(), u"Arial");
  EXPECT_EQ(font.GetColor(), 255);
  EXPECT_EQ(font.GetHeight(), -12);
  EXPECT_EQ(font.GetStyle(), TFontStyles({fsItalic, fsBold}));
  EXPECT_FALSE(ini->ReadFont(u"V", u"none", &font));

  // Written forms read back.
  v->WriteFloat(u"f", -0.125);
  v->WriteInt64(u"big", 1LL << 40);
  ini->WriteRect(u"V", u"r", TRect(-1, 2, 3, 4));
  ini->WriteBool(u"V", u"b", true);
  EXPECT_EQ(v->ReadString(u"f", u""), u"-0.125");
  EXPECT_EQ(v->ReadInt64(u"big", 0), 1LL << 40);
  EXPECT_EQ(ini->ReadString(u"V", u"r", u""), u"-1,2,3,4");
  EXPECT_EQ(ini->ReadString(u"V", u"b", u""), u"1");
}

// The locale's comparison ignores control characters; names that differ only in them are distinct.
TEST(IniFile, NamesDifferingInControlCharactersStayApart) {
  auto ini = Parse(String(u"[a\x01]\nk\0x=1\nk\x07x=2\nkx=3\n[a]\nk=4\n[a\x02]\nk=5\n", 39));
  EXPECT_EQ(ini->GetSectionCount(), 3);
  EXPECT_EQ(ini->ReadString(u"a\x02", u"k", u""), u"5");
  EXPECT_EQ(ini->ReadString(u"A\x01", u"k\x07X", u""), u"2");
  EXPECT_EQ(ini->ReadString(u"a\x02", u"k", u""), u"5");
  EXPECT_EQ(ini->ReadString(String(u"a\x01", 2), String(u"k\0x", 3), u""), u"1");
  EXPECT_EQ(ini->ReadString(String(u"a\x01", 2), u"k\x07x", u""), u"2");
  EXPECT_EQ(ini->ReadString(String(u"A\x01", 2), u"KX", u""), u"3");
  EXPECT_EQ(ini->ReadString(u"a", u"k", u""), u"4");
  auto reloaded = Parse(Saved(*ini));
  EXPECT_EQ(reloaded->ReadString(String(u"a\x01", 2), String(u"k\0x", 3), u""), u"1");
  EXPECT_EQ(reloaded->ReadString(String(u"a\x01", 2), u"kx", u""), u"3");
}

TEST(IniFile, WritesReplaceInPlaceAndDefaultsDelete) {
  auto ini = Parse(u"[S]\nKey=1\nother=2\nkey=3\n");
  ini->WriteString(u"s", u"KEY", u"9");
  EXPECT_EQ(ini->ReadSection(u"S"), u"KEY=9\r\nother=2\r\nkey=3\r\n");
  ini->WriteIntegerDef(u"S", u"other", 5, 5);
  ini->WriteBoolDef(u"S", u"flag", true, false);
  ini->WriteStringDef(u"New", u"k", u"v", u"");
  EXPECT_EQ(ini->ReadSection(u"S"), u"KEY=9\r\nkey=3\r\nflag=1\r\n");
  EXPECT_EQ(ini->ReadString(u"new", u"k", u""), u"v");

  ini->RenameKey(u"S", u"flag", u"Flag2");
  ini->MoveKey(u"S", u"KEY", u"T", u"moved");
  EXPECT_EQ(ini->ReadSection(u"S"), u"key=3\r\nFlag2=1\r\n");
  EXPECT_EQ(ini->ReadString(u"T", u"moved", u""), u"9");
  ini->RenameSection(u"t", u"U");
  EXPECT_TRUE(ini->ExistsSection(u"u"));
  EXPECT_TRUE(ini->DeleteSection(u"U"));
  EXPECT_FALSE(ini->DeleteSection(u"U"));
  EXPECT_FALSE(ini->DeleteKey(u"S", u"nothing"));

  // Editing a line through the list forgets its cached key.
  ini->GetSection(u"S", false)->SetStrings(0, u"renamed=3");
  EXPECT_EQ(ini->ReadString(u"S", u"renamed", u""), u"3");
  EXPECT_FALSE(ini->ExistsKey(u"S", u"key"));

  TMemoryStream data;
  data.WriteBuffer("\x01\xAB\xFF", 3);
  ini->WriteStream(u"S", u"bin", &data);
  EXPECT_EQ(ini->ReadString(u"S", u"bin", u""), u"01abff");
  TMemoryStream read;
  ASSERT_TRUE(ini->ReadStream(u"S", u"bin", &read));
  EXPECT_EQ(read.GetSize(), 3);
  EXPECT_EQ(read.GetPosition(), 0);
  bool called = false;
  EXPECT_TRUE(ini->ReadStreamProc(u"S", u"bin", [&](TStream* S) { called = S->GetSize() == 3; }));
  EXPECT_TRUE(called);
  EXPECT_FALSE(ini->ReadStreamProc(u"S", u"bin", [](TStream*) { throw EConvertError(u"x"); }));
  ini->WriteString(u"S", u"bad", u"0g");
  read.SetPosition(1);
  EXPECT_FALSE(ini->ReadStream(u"S", u"bad", &read));
  EXPECT_EQ(read.GetSize(), 3);  // left as it was
  TMemoryStream empty;
  ini->WriteStream(u"S", u"bin", &empty);
  EXPECT_FALSE(ini->ExistsKey(u"S", u"bin"));
}

TEST(IniFile, ValuesWithLineBreaksStayOneLine) {
  struct Case {
    const char16_t* Value;
    const char16_t* Stored;  // the line's value text; null when it is the value itself
  } cases[] = {
      {u"plain", nullptr},
      {u"C:\\new\\table \\n \\: x", nullptr},
      {u"a\r\nb", u"\\:a\\r\\nb"},
      {u"x\n[Injected]\ny=1", u"\\:x\\n[Injected]\\ny=1"},
      {u"u\x2028v\\", u"\\:u\\Lv\\\\"},
      {u"\\:looks escaped", u"\\:\\\\:looks escaped"},
      {u"", nullptr},
  };
  for (const Case& c : cases) {
    auto ini = Parse(u"");
    ini->WriteString(u"S", u"k", c.Value);
    ini->WriteString(u"S", u"after", u"1");
    const String stored = c.Stored ? String(c.Stored) : String(c.Value);
    EXPECT_EQ(Saved(*ini), u"[S]\r\nk=" + stored + u"\r\nafter=1\r\n\r\n") << StringToUTF8(c.Value);
    auto back = Parse(Saved(*ini));
    EXPECT_EQ(back->ReadString(u"S", u"k", u"?"), c.Value);
    EXPECT_EQ(back->GetSectionCount(), 1);
    EXPECT_EQ(back->ReadString(u"S", u"after", u""), u"1");
  }

  // Names that would read back as other lines are refused; nothing is lost.
  auto ini = Parse(u"[S]\nk=1\n");
  for (const char16_t* key : {u"a=b", u"a\nb", u"[x", u"\x2028"})
    EXPECT_THROW(ini->WriteString(u"S", key, u"v"), EZCLIniFileError);
  EXPECT_THROW(ini->WriteString(u"S\r\n[T]", u"k", u"v"), EZCLIniFileError);
  EXPECT_THROW(ini->WriteSection(u"S", u"a=1\r\n[T]\r\n"), EZCLIniFileError);
  EXPECT_EQ(Saved(*ini), u"[S]\r\nk=1\r\n\r\n");
}

TEST(IniFile, ChangeNotificationAndUpdateLock) {
  TOwned<TZCLIniFile> ini(TZCLIniFile::CreateInMemory());
  int calls = 0;
  void (*count)(int*, TObject*) = [](int* Calls, TObject*) { ++*Calls; };
  ini->OnChanged = TNotifyEvent(&calls, count);
  ini->LoadFromText(u"[A]\nx=1\ny=2\n");
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(ini->GetModified());
  ini->WriteString(u"A", u"x", u"1");  // unchanged text still notifies
  EXPECT_EQ(calls, 2);
  ini->BeginUpdate();
  ini->WriteInteger(u"A", u"x", 5);
  ini->DeleteKey(u"A", u"y");
  ini->GetSection(u"A", false)->Add(u"direct=1");  // a section edited directly reaches the file
  EXPECT_EQ(calls, 2);
  ini->EndUpdate();
  EXPECT_EQ(calls, 3);
  ini->BeginUpdate();
  ini->EndUpdate();  // also without changes
  EXPECT_EQ(calls, 4);
  ini->SetModified(false);
  ini->GetSection(u"A", false)->Add(u"z=1");
  EXPECT_EQ(calls, 5);
  EXPECT_TRUE(ini->GetModified());
}

TEST(IniFile, MergeAssignAndCompare) {
  auto target = Parse(u"[Main]\na=1\n;mine\n");
  auto source = Parse(u"[main]\na=2\nb=3\n;theirs\n[Other]\n;copied\nc=4\n");
  target->Merge(source.get(), false);
  EXPECT_EQ(Saved(*target), u"[Main]\r\na=1\r\n;mine\r\nb=3\r\n\r\n[Other]\r\n;copied\r\nc=4\r\n\r\n");
  target->Merge(source.get(), true);
  EXPECT_EQ(target->ReadString(u"Main", u"a", u""), u"2");

  TOwned<TZCLIniFile> copy(TZCLIniFile::CreateInMemory());
  copy->Assign(target.get());
  EXPECT_TRUE(copy->Equals(target.get()));
  copy->WriteString(u"Other", u"c", u"5");
  EXPECT_FALSE(copy->Equals(target.get()));
  EXPECT_FALSE(copy->Equals(nullptr));
}

TEST_F(IniFileTest, FilesKeepTheirEncoding) {
  struct Case {
    std::string Bytes;
    std::string Expected;  // after writing k=é into section S
  } cases[] = {
      {"\xEF\xBB\xBF[S]\r\nk=1\r\n", "\xEF\xBB\xBF[S]\r\nk=\xC3\xA9\r\n\r\n"},
      {"[S]\r\nk=1\r\n", "[S]\r\nk=\xE9\r\n\r\n"},  // no mark: the ANSI code page, no mark
  };
  for (const Case& c : cases) {
    WriteBytes(FDir / "enc.ini", c.Bytes);
    TOwned<TZCLIniFile> ini(Create<TZCLIniFile>(Path("enc.ini"), true));
    EXPECT_FALSE(ini->GetModified());
    ini->WriteString(u"S", u"k", u"\u00E9");
    ini.reset();  // saves on destruction
    EXPECT_EQ(ReadBytes(FDir / "enc.ini"), c.Expected);
  }
  // Characters the ANSI code page lacks are not lost: the file is saved as UTF-8.
  TOwned<TZCLIniFile> ini(Create<TZCLIniFile>(Path("enc.ini")));
  ini->WriteString(u"S", u"k", u"\u4E2D");
  ASSERT_TRUE(ini->UpdateFile());
  EXPECT_EQ(ReadBytes(FDir / "enc.ini"), "\xEF\xBB\xBF[S]\r\nk=\xE4\xB8\xAD\r\n\r\n");
  TOwned<TZCLIniFile> again(Create<TZCLIniFile>(Path("enc.ini")));
  EXPECT_EQ(again->ReadString(u"S", u"k", u""), u"\u4E2D");

  // A new file is UTF-16 LE; a file that cannot be created stays modified.
  TOwned<TZCLIniFile> fresh(Create<TZCLIniFile>(Path("new.ini")));
  fresh->WriteString(u"S", u"k", u"v");
  EXPECT_TRUE(fresh->UpdateFile());
  EXPECT_EQ(ReadBytes(FDir / "new.ini").substr(0, 4), std::string("\xFF\xFE[\0", 4));
  fresh->SetFileName(Path("missing/dir/x.ini"));
  EXPECT_FALSE(fresh->UpdateFile());
  EXPECT_TRUE(fresh->GetModified());
  EXPECT_FALSE(TOwned<TZCLIniFile>(TZCLIniFile::CreateInMemory())->UpdateFile());
}

TEST_F(IniFileTest, SyncSafeFilesKeepABackupAndFallBackToIt) {
  const String name = Path("safe.ini");
  {
    TOwned<TZCLSyncSafeIniFile> ini(Create<TZCLSyncSafeIniFile>(name));
    ini->WriteString(u"S", u"v", u"1");
    ASSERT_TRUE(ini->UpdateFile());
    EXPECT_FALSE(std::filesystem::exists(FDir / "safe.ini.bak"));  // nothing to back up yet
    ini->WriteString(u"S", u"v", u"2");
    ASSERT_TRUE(ini->UpdateFile());
    EXPECT_FALSE(std::filesystem::exists(FDir / "safe.ini.new"));
  }
  TOwned<TZCLIniFile> backup(Create<TZCLIniFile>(Path("safe.ini.bak")));
  EXPECT_EQ(backup->ReadString(u"S", u"v", u""), u"1");

  // An empty main file loads the backup; the next save writes the main file again and keeps the
  // good backup.
  WriteBytes(FDir / "safe.ini", "");
  {
    TOwned<TZCLSyncSafeIniFile> ini(Create<TZCLSyncSafeIniFile>(name));
    EXPECT_EQ(ini->ReadString(u"S", u"v", u""), u"1");
    EXPECT_EQ(ini->GetFileName(), name);
    ASSERT_TRUE(ini->UpdateFile());
  }
  TOwned<TZCLIniFile> main(Create<TZCLIniFile>(name));
  EXPECT_EQ(main->ReadString(u"S", u"v", u""), u"1");
  TOwned<TZCLIniFile> kept(Create<TZCLIniFile>(Path("safe.ini.bak")));
  EXPECT_EQ(kept->ReadString(u"S", u"v", u""), u"1");
}

}  // namespace
