#include <gtest/gtest.h>
#include <sys/mman.h>

#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zeph/core/ZEPH.Core.Adapters.h"
#include "zeph/core/ZEPH.Core.Objects.h"

namespace {
IPtr<IZEPHString> S(const String& Text) { return MakePluginString(Text); }
String T(IZEPHString* Str) { return PluginStringToStr(Str); }
}  // namespace

TEST(ZephObjects, CoreFactoriesMakeTheObjects) {
  EXPECT_TRUE(CoreCreateObject<IZEPHConfig>());
  EXPECT_TRUE(CoreCreateObject<IZEPHErrorInfo>());
  EXPECT_TRUE(CoreCreateObject<IZEPHMemoryStream>());
  EXPECT_TRUE(CoreCreateObject<IZEPHObjectList>());
  EXPECT_EQ(CoreCreateObject<IZEPHString>()->GetLength(), 0);
}

TEST(ZephStringObject, CharactersDataAndHash) {
  IPtr<IZEPHString> s = S(u"");
  Char c = 0;
  EXPECT_EQ(s->GetChar(0, c), E_INVALIDARG);
  const Char text[] = u"hello\0tail";
  EXPECT_EQ(s->SetData(text, -1), S_OK);
  EXPECT_EQ(T(s.get()), u"hello");
  EXPECT_EQ(s->GetChar(5, c), E_INVALIDARG);
  EXPECT_EQ(s->GetChar(1, c), S_OK);
  EXPECT_EQ(c, u'e');

  IPtr<IZEPHString> twin = S(u"hello");
  EXPECT_EQ(s->GetHashCode(), twin->GetHashCode());
  EXPECT_NE(s->GetHashCode(), 0);
  EXPECT_EQ(s->SetChar(0, u'j'), S_OK);
  EXPECT_NE(s->GetHashCode(), twin->GetHashCode());
  EXPECT_EQ(s->GetHashCode(), S(u"jello")->GetHashCode());

  // A buffer that cannot be read counts as empty text.
  void* page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  EXPECT_EQ(s->SetData(static_cast<const Char*>(page), 4), S_OK);
  EXPECT_EQ(s->GetLength(), 0);
  s->SetData(u"abc", 3);
  Integer cmp = 5;
  EXPECT_EQ(s->CompareChars(static_cast<const Char*>(page), 4, cmp, 0), S_OK);
  EXPECT_EQ(cmp, 1);
  munmap(page, 4096);
}

TEST(ZephStringObject, EditingOperations) {
  struct Case {
    const char16_t* Text;
    std::function<HRESULT(IZEPHString*)> Op;
    HRESULT Result;
    const char16_t* After;
  } cases[] = {
      {u"hELLO wORLD", [](IZEPHString* s) { return s->ChangeCase(4); }, S_OK, u"Hello world"},
      {u"hELLO wORLD", [](IZEPHString* s) { return s->ChangeCase(3); }, S_OK, u"Hello World"},
      {u"hELLO", [](IZEPHString* s) { return s->ChangeCase(2); }, S_OK, u"HELLO"},
      {u"hELLO", [](IZEPHString* s) { return s->ChangeCase(5); }, E_INVALIDARG, u"hELLO"},
      {u"abcdef", [](IZEPHString* s) { return s->Delete(2, 100); }, S_OK, u"ab"},
      {u"abcdef", [](IZEPHString* s) { return s->Delete(10, 1); }, S_OK, u"abcdef"},
      {u"abcdef", [](IZEPHString* s) { return s->Delete(-1, 1); }, E_INVALIDARG, u"abcdef"},
      {u"banana", [](IZEPHString* s) { return s->Replace(S(u"a").get(), S(u"bb").get(), 0); }, S_OK, u"bbbnbbnbb"},
      {u"banana", [](IZEPHString* s) { return s->Replace(S(u"a").get(), S(u"bb").get(), 2); }, S_OK, u"banana"},
      {u"a-b A", [](IZEPHString* s) { return s->Replace(S(u"a").get(), S(u"x").get(), 3); }, S_OK, u"x-b x"},
      {u"\u00DFa \u00DFA", [](IZEPHString* s) { return s->Replace(S(u"a").get(), S(u"b").get(), 1); }, S_OK,
       u"\u00DFb \u00DFb"},
      {u"abc", [](IZEPHString* s) { return s->Insert(99, S(u"d").get()); }, S_OK, u"abcd"},
      {u"abc", [](IZEPHString* s) { return s->Insert(-1, S(u"d").get()); }, E_INVALIDARG, u"abc"},
      {u"abc", [](IZEPHString* s) { return s->InsertChars(1, u"XY", 2); }, S_OK, u"aXYbc"},
      {u"abc", [](IZEPHString* s) { return s->Append(S(u"d").get()); }, S_OK, u"abcd"},
      {u"abc", [](IZEPHString* s) { return s->AppendChars(u"de", 1); }, S_OK, u"abcd"},
  };
  for (const Case& c : cases) {
    IPtr<IZEPHString> s = S(c.Text);
    EXPECT_EQ(c.Op(s.get()), c.Result) << StringToUTF8(c.Text) << " -> " << StringToUTF8(c.After);
    EXPECT_EQ(T(s.get()), c.After);
  }
}

TEST(ZephStringObject, FindCompareAndSubString) {
  IPtr<IZEPHString> s = S(u"concat cat");
  struct Case {
    Integer Flags, Start, Index;
  } cases[] = {{0, 0, 3}, {ZEPH_FIND_WHOLE_WORDS, 0, 7}, {0, 8, -1}, {ZEPH_FIND_IGNORE_CASE, 0, 3}, {0, -1, -1}};
  for (const Case& c : cases) {
    Integer index = 99;
    EXPECT_EQ(s->Find(S(c.Flags & ZEPH_FIND_IGNORE_CASE ? u"CAT" : u"cat").get(), index, c.Flags, c.Start), S_OK);
    EXPECT_EQ(index, c.Index) << c.Flags << "/" << c.Start;
  }
  Integer index = 0;
  s->FindChars(u"", 0, index, 0, 0);
  EXPECT_EQ(index, -1);
  // Positions are those of the text itself, even where upper case is longer.
  S(u"\u00DF\u0149xA")->Find(S(u"a").get(), index, ZEPH_FIND_IGNORE_CASE, 0);
  EXPECT_EQ(index, 3);
  Integer cmp = 0;
  EXPECT_EQ(S(u"abc")->Compare(S(u"ABC").get(), cmp, -1), S_OK);
  EXPECT_EQ(cmp, 0);
  S(u"abc")->Compare(S(u"abd").get(), cmp, 0);
  EXPECT_EQ(cmp, -1);
  IPtr<IZEPHString> sub;
  EXPECT_EQ(s->SubString(3, 3, sub), S_OK);
  EXPECT_EQ(T(sub.get()), u"cat");
  EXPECT_EQ(s->SubString(-1, 3, sub), E_INVALIDARG);
  IPtr<IZEPHString> clone;
  EXPECT_EQ(s->Clone(clone), S_OK);
  EXPECT_EQ(T(clone.get()), u"concat cat");
}

TEST(ZephObjectList, IndexesAreChecked) {
  IPtr<IZEPHObjectList> list(Create<TZEPHObjectListAdapter>(4));
  EXPECT_EQ(list->Insert(0, S(u"a").get()), S_OK);
  EXPECT_EQ(list->Insert(1, nullptr), S_OK);
  EXPECT_EQ(list->Insert(3, nullptr), E_INVALIDARG);
  EXPECT_EQ(list->SetObject(2, nullptr), E_INVALIDARG);
  EXPECT_EQ(list->Delete(-1), E_INVALIDARG);
  void* obj = nullptr;
  EXPECT_EQ(list->GetObject(1, IIDOf<IZEPHString>(), &obj), E_NOINTERFACE);
  EXPECT_EQ(list->GetObject(0, IIDOf<IZEPHString>(), &obj), S_OK);
  EXPECT_EQ(T(IPtr<IZEPHString>::Adopt(static_cast<IZEPHString*>(obj)).get()), u"a");
  EXPECT_EQ(list->GetCount(), 2);
  EXPECT_EQ(list->Clear(), S_OK);
  EXPECT_EQ(list->GetCount(), 0);
}

TEST(ZephConfigObject, KeyPathsValuesAndStreams) {
  IPtr<IZEPHConfig> config = CoreCreateObject<IZEPHConfig>();
  EXPECT_EQ(config->SetValueAsFloat(S(u"Player\\Volume").get(), 0.5), S_OK);
  EXPECT_EQ(config->SetValueAsString(S(u"Player\\Sub\\Key").get(), S(u"deep").get()), S_OK);
  TZCLIniFile* ini = static_cast<TZCLIniFile*>(AdapterGetObjectChecked(config.get(), TZCLIniFile::StaticClass()));
  EXPECT_EQ(ini->ReadString(u"Player", u"Volume", u""), u"0.5");
  EXPECT_EQ(ini->ReadString(u"Player", u"Sub\\Key", u""), u"deep");

  for (const char16_t* bad : {u"\\Volume", u"Player\\", u"", u"Player"}) {
    IPtr<IZEPHString> value;
    EXPECT_EQ(config->GetValueAsString(S(bad).get(), value), E_INVALIDARG) << StringToUTF8(bad);
  }
  IPtr<IZEPHString> value;
  EXPECT_EQ(config->GetValueAsString(S(u"Player\\Missing").get(), value), E_FAIL);

  ini->WriteString(u"Player", u"Text", u"abc");
  Double d = 7;
  EXPECT_EQ(config->GetValueAsFloat(S(u"Player\\Text").get(), d), E_FAIL);
  EXPECT_EQ(d, 7.0);
  EXPECT_EQ(config->GetValueAsFloat(S(u"Player\\Volume").get(), d), S_OK);
  EXPECT_EQ(d, 0.5);
  Integer i = 0;
  EXPECT_EQ(config->GetValueAsInt32(S(u"Player\\Text").get(), i), E_FAIL);
  EXPECT_EQ(config->SetValueAsInt64(S(u"Player\\Big").get(), 1LL << 40), S_OK);
  Int64 big = 0;
  EXPECT_EQ(config->GetValueAsInt64(S(u"Player\\Big").get(), big), S_OK);
  EXPECT_EQ(big, 1LL << 40);

  IPtr<IZEPHMemoryStream> bytes = CoreCreateObject<IZEPHMemoryStream>();
  const Byte data[] = {1, 2, 255};
  bytes->Write(data, 3, nullptr);
  EXPECT_EQ(config->SetValueAsStream(S(u"Player\\Bytes").get(), bytes.get()), S_OK);
  EXPECT_EQ(config->SetValueAsStream(S(u"Player\\Bytes").get(), nullptr), E_UNEXPECTED);
  IPtr<IZEPHStream> back;
  ASSERT_EQ(config->GetValueAsStream(S(u"Player\\Bytes").get(), back), S_OK);
  EXPECT_EQ(back->GetPosition(), 0);
  Byte read[4] = {};
  EXPECT_EQ(back->Read(read, 4), 3);
  EXPECT_EQ(read[2], 255);
  ini->WriteString(u"Player", u"Odd", u"abc");
  EXPECT_EQ(config->GetValueAsStream(S(u"Player\\Odd").get(), back), E_FAIL);

  EXPECT_EQ(config->Delete(S(u"Player\\Volume").get()), S_OK);
  EXPECT_EQ(config->Delete(S(u"Player\\Volume").get()), E_FAIL);
  EXPECT_EQ(config->Delete(S(u"Player").get()), S_OK);
  EXPECT_FALSE(ini->ExistsSection(u"Player"));
  EXPECT_EQ(config->Delete(S(u"\\x").get()), E_INVALIDARG);
}

TEST(ZephErrorInfo, InfoAndItsTextForm) {
  IPtr<IZEPHErrorInfo> info = CoreCreateObject<IZEPHErrorInfo>();
  Integer code = 0;
  IPtr<IZEPHString> message, details, text;
  EXPECT_EQ(info->GetInfo(code, message, details), E_FAIL);
  EXPECT_EQ(info->GetInfoFormatted(text), E_FAIL);
  info->SetInfo(5, S(u"x").get(), nullptr);
  EXPECT_EQ(info->GetInfo(code, message, details), S_OK);
  EXPECT_EQ(code, 5);
  EXPECT_EQ(T(message.get()), u"x");
  EXPECT_EQ(T(details.get()), u"");
  EXPECT_EQ(info->GetInfoFormatted(text), S_OK);
  EXPECT_EQ(T(text.get()), u"Code: 5 (00000005)\r\nMessage: x\r\n");

  TZBLErrorLog log;
  log.SetInfo(-2, u"M", u"D");
  EXPECT_EQ(log.ToString(), u"Code: -2 (FFFFFFFE)\r\nMessage: M\r\n-------------------------\r\nD");
}
