#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.StringList.h"
#include "support/TestSupport.h"
#include "zcl/base/ZCL.Classes.StringList.h"

namespace {

std::vector<String> Items(const TZCLStringList& List) { return List.ToArray(); }

std::vector<Byte> Bytes(TMemoryStream& Stream) {
  const auto* data = static_cast<const Byte*>(Stream.GetMemory());
  return std::vector<Byte>(data, data + Stream.GetSize());
}

// Counts the hook calls, as derived lists see them.
class TCountingList : public TZCLStringList {
 public:
  void Changed() override { ++Changes; }
  void BeginUpdate() override { ++Depth; }
  void EndUpdate() override {
    --Depth;
    ++Ends;
  }
  int Changes = 0, Depth = 0, Ends = 0;
};

TEST(ZCLStringList, SetTextSplitsAtEveryLineBreakKind) {
  struct Case {
    const char16_t* Text;
    std::vector<String> Expected;
  } cases[] = {
      {u"a\r\nb\nc\rd", {u"a", u"b", u"c", u"d"}},
      {u"a\r\n", {u"a"}},
      {u"", {}},
      {u"\r\n", {u""}},
      {u"a\n\rb", {u"a", u"", u"b"}},
      {u"a\x2028"
       u"b\x2028\r\nc\x2028\x2028",
       {u"a", u"b", u"c", u""}},
      {u"tail", {u"tail"}},
  };
  for (const Case& c : cases) {
    TZCLStringList list;
    list.SetText(c.Text);
    EXPECT_EQ(Items(list), c.Expected) << StringToUTF8(c.Text);
  }
  TZCLStringList list;
  list.AddStrings({u"a", u"b"});
  EXPECT_EQ(list.GetText(), u"a\r\nb\r\n");
  EXPECT_EQ(list.GetDelimitedText(u";", false), u"a;b");
  EXPECT_EQ(Items(TZCLStringList(u"x\ny", false)), std::vector<String>{u"x\ny"});
  EXPECT_EQ(Items(TZCLStringList(u"x\ny", true)), (std::vector<String>{u"x", u"y"}));
}

TEST(ZCLStringList, NameValuePairs) {
  TZCLStringList list;
  list.AddStrings({u"x=1", u"abc", u"x=2", u"k=a=b"});
  EXPECT_EQ(list.GetValues(u"x"), u"2");  // the later line wins
  EXPECT_EQ(list.GetValues(u"X"), u"2");
  EXPECT_EQ(list.GetNames(1), u"");
  EXPECT_EQ(list.GetValueFromIndex(1), u"abc");
  EXPECT_EQ(list.GetValues(u"k"), u"a=b");
  EXPECT_EQ(list.GetValues(u"missing"), u"");

  list.SetValues(u"X", u"");
  EXPECT_EQ(list.GetStrings(2), u"X=");  // an empty value keeps the line
  list.SetValues(u"new", u"v");
  EXPECT_EQ(list.GetStrings(4), u"new=v");
  list.SetValueFromIndex(3, u"z");
  EXPECT_EQ(list.GetStrings(3), u"k=z");
  list.SetIgnoreCase(false);
  EXPECT_EQ(list.IndexOfName(u"K"), -1);
  list.SetNameValueSeparator(u':');
  EXPECT_EQ(list.AddPair(u"n", u"v"), 5);
  EXPECT_EQ(list.GetStrings(5), u"n:v");
}

TEST(ZCLStringList, BadIndexesNeitherRaiseNorChangeAnything) {
  TCountingList list;
  list.Add(u"a");
  list.Changes = 0;
  list.Insert(2, u"x");
  list.Insert(-1, u"x");
  list.SetStrings(1, u"x");
  list.SetObjects(-1, &list);
  EXPECT_FALSE(list.DeleteRange(0, 2));
  EXPECT_FALSE(list.DeleteRange(1, 1));
  EXPECT_FALSE(list.DeleteRange(0, 0));
  EXPECT_EQ(list.GetStrings(5), u"");
  EXPECT_EQ(list.GetObjects(5), nullptr);
  EXPECT_EQ(list.GetInterfaces(-1), nullptr);
  EXPECT_EQ(list.GetValueFromIndex(9), u"");
  EXPECT_EQ(list.Remove(u"zz"), -1);
  EXPECT_EQ(Items(list), std::vector<String>{u"a"});
  EXPECT_EQ(list.Changes, 0);
}

TEST(ZCLStringList, CapacityGrowsInSteps) {
  struct Case {
    Integer From, To;
  } cases[] = {{0, 4}, {8, 12}, {12, 28}, {64, 80}, {100, 125}};
  for (const Case& c : cases) {
    TZCLStringList list;
    list.SetCapacity(c.From);
    for (Integer i = 0; i < c.From; ++i) list.Add(u"x");
    ASSERT_EQ(list.GetCapacity(), c.From);
    list.Add(u"y");
    EXPECT_EQ(list.GetCapacity(), c.To) << c.From;
  }
  TZCLStringList list;
  list.AddStrings({u"a", u"b", u"c"});
  list.SetCapacity(1);
  EXPECT_EQ(list.GetCapacity(), 3);
  list.Clear();
  EXPECT_EQ(list.GetCapacity(), 0);
}

TEST(ZCLStringList, BulkOperationsBracketTheirChanges) {
  TCountingList list;
  list.SetText(u"a\nb\nc");
  EXPECT_EQ(list.Depth, 0);
  EXPECT_EQ(list.Changes, 3);
  list.Changes = 0;
  list.DeleteRange(0, 2);
  EXPECT_EQ(list.Changes, 1);  // once per elementary change
  list.Changes = 0;
  list.AddStrings({u"c", u"C", u"d"});
  list.Sort();
  EXPECT_EQ(list.Changes, 4);
  EXPECT_EQ(list.Depth, 0);

  // EndUpdate runs also when the work raises.
  list.Ends = 0;
  EXPECT_THROW(list.Sort([](const TZCLStringListItem*, const TZCLStringListItem*) -> Integer { throw 1; }, false), int);
  EXPECT_EQ(list.Depth, 0);
  EXPECT_GE(list.Ends, 1);
}

TEST(ZCLStringList, ItemsKeepObjectsAndInterfaces) {
  TZCLStringList source;
  TInterfacedObject* counted = Create<TInterfacedObject>();
  IPtr<IInterface> hold(static_cast<IInterface*>(counted));
  const Integer held = counted->GetRefCount();
  source.Add(u"one", &source, hold.get());
  source.AddObject(u"two", nullptr);
  EXPECT_EQ(counted->GetRefCount(), held + 1);

  std::unique_ptr<TZCLStringList> copy(TZCLStringList::CreateCopy(&source));
  EXPECT_EQ(copy->GetObjects(0), &source);
  EXPECT_EQ(copy->GetInterfaces(0), hold.get());
  EXPECT_EQ(counted->GetRefCount(), held + 2);
  EXPECT_EQ(copy->IndexOfObject(&source), 0);
  copy->Delete(0);
  EXPECT_EQ(counted->GetRefCount(), held + 1);

  // A list may add its own items.
  source.AddStrings(&source);
  EXPECT_EQ(Items(source), (std::vector<String>{u"one", u"two", u"one", u"two"}));

  TStringList platform;
  platform.Assign(&source);
  EXPECT_EQ(platform.GetCount(), 4);
  EXPECT_EQ(platform.GetObjects(2), &source);
  platform.Add(u"three");
  TZCLStringList back;
  back.Assign(&platform);
  EXPECT_EQ(back.GetCount(), 5);
  EXPECT_EQ(back.GetObjects(0), &source);
  EXPECT_EQ(back.GetInterfaces(0), nullptr);
}

TEST(ZCLStringList, SearchRemoveAndTrim) {
  TZCLStringList list;
  list.AddStrings({u"a", u"B", u"A", u"c"});
  EXPECT_EQ(list.IndexOf(u"b"), 1);
  EXPECT_TRUE(list.Contains(u"C"));
  list.RemoveDuplicates();
  EXPECT_EQ(Items(list), (std::vector<String>{u"B", u"A", u"c"}));
  list.SetIgnoreCase(false);
  EXPECT_EQ(list.IndexOf(u"b"), -1);
  EXPECT_EQ(list.Remove(u"A"), 1);
  list.Add(u"  padded\t");
  list.TrimAll();
  EXPECT_EQ(Items(list), (std::vector<String>{u"B", u"c", u"padded"}));
}

TEST(ZCLStringList, SortedStrings) {
  TZCLSortedStrings list;
  std::vector<Integer> indexes;
  for (const char16_t* text : {u"b", u"a", u"c", u"a"}) indexes.push_back(list.Add(text));
  EXPECT_EQ(Items(list), (std::vector<String>{u"a", u"b", u"c"}));
  EXPECT_EQ(indexes, (std::vector<Integer>{0, 0, 2, 0}));  // where each text is
  EXPECT_EQ(list.IndexOf(u"d"), -1);
  EXPECT_EQ(list.IndexOf(u"c"), 2);
  Integer index = -1;
  EXPECT_FALSE(list.Find(u"bb", index));
  EXPECT_EQ(index, 2);
  list.SetStrings(0, u"z");
  EXPECT_EQ(Items(list), (std::vector<String>{u"b", u"c", u"z"}));
  EXPECT_EQ(list.IndexOf(u"z"), 2);
}

// A producer that knows only the receiver interface fills a list by the list's own rules.
TEST(ZCLStringList, ReceivesStringsThroughItsInterface) {
  TZCLSortedStrings list;
  EXPECT_TRUE(Supports<IStringReceiver>(static_cast<TObject*>(&list)));
  IStringReceiver& receiver = list;
  for (const char16_t* text : {u"b", u"a", u"b"}) receiver.AddString(text);
  EXPECT_EQ(Items(list), (std::vector<String>{u"a", u"b"}));
}

TEST(ZCLStringList, SortLogicalOrdersNumbersByValue) {
  TZCLStringList list;
  list.AddStrings({u"file10", u"file2", u"File1"});
  list.SortLogical();
  EXPECT_EQ(Items(list), (std::vector<String>{u"File1", u"file2", u"file10"}));

  // Above 1000 items the sort runs on the pool.
  TZCLStringList large;
  for (Integer i = 1000; i >= 0; --i) large.Add((i % 2 ? u"File" : u"file") + IntToStr(i));
  large.SortLogical();
  ASSERT_EQ(large.GetCount(), 1001);
  for (Integer i = 0; i <= 1000; ++i) ASSERT_EQ(large.GetStrings(i), (i % 2 ? u"File" : u"file") + IntToStr(i));
}

TEST(ZCLStringList, TextStreamsWithByteOrderMarks) {
  TZCLStringList list;
  list.Add(u"\u00E9");
  TMemoryStream utf16;
  list.SaveToStream(&utf16);
  EXPECT_EQ(Bytes(utf16), (std::vector<Byte>{0xFF, 0xFE, 0xE9, 0x00, 0x0D, 0x00, 0x0A, 0x00}));
  TMemoryStream utf8;
  list.SaveToStream(&utf8, TEncoding::GetUTF8());
  EXPECT_EQ(Bytes(utf8), (std::vector<Byte>{0xEF, 0xBB, 0xBF, 0xC3, 0xA9, 0x0D, 0x0A}));

  struct Case {
    std::vector<Byte> Data;
    std::vector<String> Expected;
  } cases[] = {
      {{0xEF, 0xBB, 0xBF, 0x41}, {u"A"}},
      {{0xFF, 0xFE, 0x41, 0x00, 0x0A, 0x00, 0x42, 0x00}, {u"A", u"B"}},
      {{0xFE, 0xFF, 0x00, 0x41}, {u"A"}},
      {{0xE9, 0x0D, 0x0A}, {u"\u00E9"}},  // no mark: the ANSI code page
      {{}, {}},
  };
  for (const Case& c : cases) {
    TMemoryStream stream;
    if (!c.Data.empty()) stream.WriteBuffer(c.Data.data(), static_cast<Integer>(c.Data.size()));
    stream.SetPosition(0);
    TZCLStringList loaded;
    loaded.LoadFromStream(&stream);
    EXPECT_EQ(Items(loaded), c.Expected);
  }
}

TEST(ZCLStringList, FilesRoundTripAndReportFailures) {
  const std::filesystem::path dir = std::filesystem::path(TempDir()) / "zcl-stringlist";
  std::filesystem::create_directories(dir);
  const String name = UTF8ToString((dir / "lines.txt").string());
  TZCLStringList list;
  list.AddStrings({u"first", u"zweite \u00FC"});
  ASSERT_TRUE(list.SaveToFile(name, TEncoding::GetUTF8()));
  std::filesystem::permissions(StringToUTF8(name), std::filesystem::perms::owner_read);
  ASSERT_TRUE(list.SaveToFile(name));  // read-only files are overwritten
  TZCLStringList loaded;
  ASSERT_TRUE(loaded.LoadFromFile(name));
  EXPECT_EQ(Items(loaded), Items(list));
  EXPECT_FALSE(loaded.LoadFromFile(UTF8ToString((dir / "missing.txt").string())));
  EXPECT_FALSE(list.SaveToFile(UTF8ToString((dir / "no" / "such" / "dir.txt").string())));
  std::filesystem::remove_all(dir);
}

}  // namespace
