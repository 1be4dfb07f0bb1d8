#include "rtl/RTL.StringList.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.Streams.h"
#include "support/TestSupport.h"

namespace {
using TLines = std::vector<String>;

TLines Lines(const TStrings& List) {
  TLines result;
  for (Integer i = 0; i < List.GetCount(); ++i) result.push_back(List[i]);
  return result;
}

void Fill(TStrings& List, const TLines& Items) {
  List.Clear();
  for (const String& s : Items) List.Add(s);
}

std::string Printable(const String& S) { return StringToUTF8(S); }

TEST(StringList, TextSplitsAtEveryLineBreakAndJoinsWithLineBreak) {
  struct TCase {
    String Text;
    TLines Expected;
  };
  const TCase cases[] = {
      {u"", {}},
      {u"a", {u"a"}},
      {u"a\r\nb\r\n", {u"a", u"b"}},
      {u"a\nb", {u"a", u"b"}},
      {u"a\rb\r", {u"a", u"b"}},
      {u"a\r\n\r\nb", {u"a", u"", u"b"}},
      {u"a\n\rb", {u"a", u"", u"b"}},  // LF then CR: two breaks
      {u"\r\n", {u""}},
      {u"\n\n", {u"", u""}},
      {u"x\ty \r\n", {u"x\ty "}},
  };
  TStringList list;
  for (const TCase& c : cases) {
    list.SetText(c.Text);
    EXPECT_EQ(Lines(list), c.Expected) << Printable(c.Text);
  }
  Fill(list, {u"a", u"", u"b"});
  EXPECT_EQ(list.GetText(), u"a\r\n\r\nb\r\n");
  list.SetLineBreak(u"\n");
  EXPECT_EQ(list.GetText(), u"a\n\nb\n");
  list.Clear();
  EXPECT_EQ(list.GetText(), u"");
}

TEST(StringList, CommaTextReadsQuotesSpacesAndEmptyItems) {
  struct TCase {
    String Text;
    TLines Expected;
  };
  const TCase cases[] = {
      {u"", {}},
      {u"a,b,c", {u"a", u"b", u"c"}},
      {u"a b", {u"a", u"b"}},  // spaces separate without a strict delimiter
      {u"  a , b  ", {u"a", u"b"}},
      {u"\"a b\",c", {u"a b", u"c"}},
      {u"\"a\"\"b\"", {u"a\"b"}},
      {u"\"\"", {u""}},
      {u"a,", {u"a", u""}},
      {u",a", {u"", u"a"}},
      {u",", {u"", u""}},
      {u"a,,b", {u"a", u"", u"b"}},
      {u"\"open", {u"open"}},  // an unterminated quote runs to the end
      {u"\"a\"b,c", {u"a", u"b", u"c"}},
  };
  TStringList list;
  for (const TCase& c : cases) {
    list.SetCommaText(c.Text);
    EXPECT_EQ(Lines(list), c.Expected) << Printable(c.Text);
  }
}

TEST(StringList, DelimitedTextQuotesWhatWouldNotReadBack) {
  struct TCase {
    TLines Items;
    String Comma;
  };
  const TCase cases[] = {
      {{}, u""},
      {{u""}, u"\"\""},
      {{u"a", u"b"}, u"a,b"},
      {{u"a b", u"c"}, u"\"a b\",c"},
      {{u"say \"hi\""}, u"\"say \"\"hi\"\"\""},
      {{u"1,5", u""}, u"\"1,5\","},
      {{u"", u""}, u","},
      {{u"tab\there", String(u"nul\0in", 6)}, String(u"\"tab\there\",\"nul\0in\"", 19)},
  };
  TStringList list, back;
  for (const TCase& c : cases) {
    Fill(list, c.Items);
    EXPECT_EQ(list.GetCommaText(), c.Comma);
    back.SetCommaText(list.GetCommaText());
    EXPECT_EQ(Lines(back), c.Items) << Printable(c.Comma);
  }

  // A strict delimiter splits at the delimiter alone; spaces stay in the items.
  list.SetDelimiter(u';');
  list.SetStrictDelimiter(true);
  list.SetDelimitedText(u" a b ;c;\"d;e\"");
  EXPECT_EQ(Lines(list), (TLines{u" a b ", u"c", u"d;e"}));
  EXPECT_EQ(list.GetDelimitedText(), u" a b ;c;\"d;e\"");
  list.SetQuoteChar(u'\'');
  Fill(list, {u"it's", u"x y"});
  EXPECT_EQ(list.GetDelimitedText(), u"'it''s';x y");
  EXPECT_EQ(list.GetCommaText(), u"it's,\"x y\"") << "CommaText keeps its own settings";
}

TEST(StringList, NamesAndValues) {
  TStringList list;
  Fill(list, {u"a=1", u"b=2=3", u"c", u"=x", u"A=9"});
  const TLines names{u"a", u"b", u"", u"", u"A"};
  const TLines values{u"1", u"2=3", u"", u"x", u"9"};
  for (Integer i = 0; i < list.GetCount(); ++i) {
    EXPECT_EQ(list.GetNames(i), names[i]) << i;
    EXPECT_EQ(list.GetValueFromIndex(i), values[i]) << i;
  }
  EXPECT_EQ(list.IndexOfName(u"b"), 1);
  EXPECT_EQ(list.IndexOfName(u"c"), -1) << "a line without separator has no name";
  EXPECT_EQ(list.GetValues(u"A"), u"1") << "names ignore case; the first line wins";
  EXPECT_EQ(list.GetValues(u"missing"), u"");

  list.SetValues(u"a", u"7");
  list.SetValues(u"z", u"5");
  list.SetValues(u"b", u"");
  EXPECT_EQ(Lines(list), (TLines{u"a=7", u"c", u"=x", u"A=9", u"z=5"}));
  list.SetValueFromIndex(3, u"10");
  EXPECT_EQ(list[3], u"A=10");

  list.SetNameValueSeparator(u':');
  Fill(list, {u"key:v=1"});
  EXPECT_EQ(list.GetNames(0), u"key");
  EXPECT_EQ(list.GetValues(u"key"), u"v=1");
}

TEST(StringList, SortedListsFollowTheDuplicatesPolicy) {
  struct TCase {
    TDuplicates Duplicates;
    TLines Expected;
    bool Raises;
  };
  const TCase cases[] = {
      {dupIgnore, {u"a", u"b", u"c"}, false},
      {dupAccept, {u"A", u"a", u"b", u"c"}, false},  // before its equals
      {dupError, {u"a", u"b", u"c"}, true},
  };
  for (const TCase& c : cases) {
    TStringList list(c.Duplicates, true, false);
    for (const char16_t* s : {u"b", u"a", u"c"}) list.Add(s);
    try {
      const Integer index = list.Add(u"A");  // equal to "a" ignoring case
      EXPECT_FALSE(c.Raises);
      EXPECT_EQ(list[index], c.Duplicates == dupIgnore ? u"a" : u"A");
    } catch (const EListError& e) {
      EXPECT_TRUE(c.Raises);
      EXPECT_EQ(e.GetMessage(), u"Duplicates not allowed");
    }
    EXPECT_EQ(Lines(list), c.Expected) << c.Duplicates;
  }

  TStringList list(dupAccept, true, true);  // case-sensitive
  for (const char16_t* s : {u"b", u"B", u"a"}) list.Add(s);
  Integer index = -1;
  EXPECT_TRUE(list.Find(u"b", index));
  EXPECT_EQ(list[index], u"b");
  EXPECT_FALSE(list.Find(u"ab", index));
  EXPECT_EQ(index, 1) << "where it would go";
  EXPECT_EQ(list.IndexOf(u"b"), 1);
  EXPECT_EQ(list.IndexOf(u"B"), 2);

  // Unsorted lists keep every string where it is put.
  TStringList plain;
  plain.SetDuplicates(dupError);
  plain.Add(u"x");
  plain.Add(u"x");
  EXPECT_EQ(plain.GetCount(), 2);
}

TEST(StringList, SortedListsRefusePositionalChangesWithoutLosingItems) {
  TStringList list(dupIgnore, true, false);
  for (const char16_t* s : {u"c", u"a", u"b"}) list.Add(s);
  const auto expectSortedError = [&](auto&& Call) {
    try {
      Call();
      ADD_FAILURE() << "no error";
    } catch (const EListError& e) {
      EXPECT_EQ(e.GetMessage(), u"Operation not allowed on sorted list");
    }
    EXPECT_EQ(Lines(list), (TLines{u"a", u"b", u"c"}));
  };
  expectSortedError([&] { list.Insert(0, u"z"); });
  expectSortedError([&] { list.SetStrings(0, u"z"); });
  expectSortedError([&] { list.Move(0, 2); });
  list.SetSorted(false);
  list.Insert(0, u"z");
  list.SetSorted(true);
  EXPECT_EQ(Lines(list), (TLines{u"a", u"b", u"c", u"z"}));
}

TEST(StringList, SortAndCustomSort) {
  TStringList list;
  Fill(list, {u"b", u"A", u"a", u"C"});
  list.Sort();
  EXPECT_EQ(Lines(list), (TLines{u"A", u"a", u"b", u"C"})) << "ignoring case, stable";
  list.SetCaseSensitive(true);
  list.SetUseLocale(false);
  list.Sort();
  EXPECT_EQ(Lines(list), (TLines{u"A", u"C", u"a", u"b"})) << "ordinal";

  Fill(list, {u"ccc", u"a", u"bb", u"dd"});
  list.CustomSort([](TStringList* L, Integer I1, Integer I2) {
    return static_cast<Integer>(L->GetStrings(I2).size()) - static_cast<Integer>(L->GetStrings(I1).size());
  });
  EXPECT_EQ(Lines(list), (TLines{u"ccc", u"bb", u"dd", u"a"}));
}

TEST(StringList, IndexErrorsNameTheIndex) {
  TStringList list;
  Fill(list, {u"a", u"b"});
  struct TCase {
    std::function<void()> Call;
    String Message;
  };
  const TCase cases[] = {
      {[&] { list.GetStrings(-1); }, u"List index out of bounds (-1)"},
      {[&] { list.GetStrings(2); }, u"List index out of bounds (2)"},
      {[&] { list.Delete(5); }, u"List index out of bounds (5)"},
      {[&] { list.Insert(3, u"x"); }, u"List index out of bounds (3)"},
      {[&] { list.SetObjects(2, nullptr); }, u"List index out of bounds (2)"},
      {[&] { list.Exchange(0, 9); }, u"List index out of bounds (9)"},
      {[&] { list.Move(0, 2); }, u"List index out of bounds (2)"},
      {[&] { list.SetCapacity(1); }, u"List capacity out of bounds (1)"},
  };
  for (const TCase& c : cases) {
    try {
      c.Call();
      ADD_FAILURE() << Printable(c.Message);
    } catch (const EListError& e) {
      EXPECT_EQ(e.GetMessage(), c.Message);
    }
    EXPECT_EQ(Lines(list), (TLines{u"a", u"b"}));
  }
  list.Insert(2, u"c");  // at Count: appends
  EXPECT_EQ(list[2], u"c");
}

class TTracked : public TObject {
 public:
  explicit TTracked(std::vector<int>& Log, int Id) : FLog(Log), FId(Id) {}
  ~TTracked() override { FLog.push_back(FId); }

 private:
  std::vector<int>& FLog;
  int FId;
};

TEST(StringList, ObjectsTravelWithTheirStringsAndOwnedOnesAreFreed) {
  std::vector<int> freed;
  {
    TStringList list(true);
    for (int i = 0; i < 4; ++i) list.AddObject(String(1, static_cast<Char>(u'a' + i)), new TTracked(freed, i));
    TObject* c = list.GetObjects(2);
    list.Move(2, 0);
    EXPECT_EQ(list[0], u"c");
    EXPECT_EQ(list.GetObjects(0), c);
    list.Exchange(0, 3);
    EXPECT_EQ(list.IndexOfObject(c), 3);
    list.Delete(3);
    EXPECT_EQ(freed, std::vector<int>{2});
  }
  EXPECT_EQ(freed.size(), 4u) << "the rest freed with the list";

  freed.clear();
  TStringList borrowed;
  TTracked kept(freed, 9);
  borrowed.AddObject(u"k", &kept);
  borrowed.Clear();
  EXPECT_TRUE(freed.empty());
}

struct TChangeCounter {
  int Changing = 0, Changed = 0;
  void OnChanging(TObject*) { ++Changing; }
  void OnChanged(TObject*) { ++Changed; }
};

TEST(StringList, ChangeNoticesAreHeldBackDuringUpdates) {
  TStringList list;
  TChangeCounter counter;
  list.OnChanging = {&counter, &TChangeCounter::OnChanging};
  list.OnChange = {&counter, &TChangeCounter::OnChanged};
  list.Add(u"a");
  EXPECT_EQ(counter.Changing, 1);
  EXPECT_EQ(counter.Changed, 1);
  list.BeginUpdate();
  list.BeginUpdate();
  list.SetText(u"x\ny\nz");
  list.Delete(0);
  list.EndUpdate();
  EXPECT_EQ(counter.Changed, 1);
  list.EndUpdate();
  EXPECT_EQ(counter.Changing, 2);
  EXPECT_EQ(counter.Changed, 2);
  list.SetCommaText(u"p,q");
  EXPECT_EQ(counter.Changed, 3) << "bulk setters notify once";
}

TEST(StringList, AssignCopiesStringsObjectsAndSettings) {
  TStringList source(dupError, true, true);
  source.SetNameValueSeparator(u':');
  source.SetDelimiter(u';');
  TObject marker;
  source.AddObject(u"b", &marker);
  source.Add(u"a");

  TStringList target;
  target.Add(u"old");
  target.Assign(&source);
  EXPECT_EQ(Lines(target), (TLines{u"a", u"b"}));
  EXPECT_EQ(target.GetObjects(1), &marker);
  EXPECT_TRUE(target.GetSorted());
  EXPECT_TRUE(target.GetCaseSensitive());
  EXPECT_EQ(target.GetDuplicates(), dupError);
  EXPECT_EQ(target.GetNameValueSeparator(), u':');
  EXPECT_EQ(target.GetDelimiter(), u';');
  EXPECT_TRUE(target.Equals(&source));
  target.Assign(&target);
  EXPECT_EQ(target.GetCount(), 2);
  try {
    target.Assign(nullptr);
    ADD_FAILURE() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.GetMessage(), u"Cannot assign a nil to a TStringList");
  }
  EXPECT_EQ(target.GetCount(), 2);
}

TBytes StreamBytes(TMemoryStream& Stream) {
  const auto* p = static_cast<const Byte*>(Stream.GetMemory());
  return TBytes(p, p + Stream.GetSize());
}

TEST(StringListFiles, SaveWritesThePreambleAndLoadDetectsIt) {
  TStringList list;
  Fill(list, {u"h\u00e9", u"\u6f22"});
  struct TCase {
    TEncoding* Encoding;
    TBytes Expected;
  };
  const TCase cases[] = {
      {TEncoding::GetUTF8(), {0xEF, 0xBB, 0xBF, 'h', 0xC3, 0xA9, '\r', '\n', 0xE6, 0xBC, 0xA2, '\r', '\n'}},
      {TEncoding::GetUnicode(), {0xFF, 0xFE, 'h', 0, 0xE9, 0, '\r', 0, '\n', 0, 0x22, 0x6F, '\r', 0, '\n', 0}},
      {TEncoding::GetBigEndianUnicode(), {0xFE, 0xFF, 0, 'h', 0, 0xE9, 0, '\r', 0, '\n', 0x6F, 0x22, 0, '\r', 0, '\n'}},
  };
  for (const TCase& c : cases) {
    TMemoryStream stream;
    list.SaveToStream(&stream, c.Encoding);
    EXPECT_EQ(StreamBytes(stream), c.Expected) << c.Encoding->GetCodePage();
    stream.SetPosition(0);
    TStringList back;
    back.LoadFromStream(&stream);
    EXPECT_EQ(Lines(back), Lines(list));
    EXPECT_EQ(back.GetEncoding()->GetCodePage(), c.Encoding->GetCodePage());
  }
}

TEST(StringListFiles, TextWithoutMarkReadsInTheDefaultEncoding) {
  const TBytes ansi{'c', 'a', 'f', 0xE9, '\n', 'x'};
  TMemoryStream stream;
  stream.WriteBuffer(ansi.data(), static_cast<Int64>(ansi.size()));
  stream.SetPosition(0);
  TStringList list;
  list.LoadFromStream(&stream);
  EXPECT_EQ(Lines(list), (TLines{u"caf\u00e9", u"x"}));

  // Saved again in the encoding it came in, without a mark: the same bytes plus CR LF breaks.
  list.SetWriteBOM(false);
  TMemoryStream out;
  list.SaveToStream(&out);
  EXPECT_EQ(StreamBytes(out), (TBytes{'c', 'a', 'f', 0xE9, '\r', '\n', 'x', '\r', '\n'}));
}

// The implied encoding cannot hold every character: UTF-8 rather than question marks.
TEST(StringListFiles, ImplicitSaveNeverLosesCharacters) {
  TStringList list;
  list.Add(u"\u6f22\u5b57");
  TMemoryStream stream;
  list.SaveToStream(&stream);
  EXPECT_EQ(StreamBytes(stream), (TBytes{0xEF, 0xBB, 0xBF, 0xE6, 0xBC, 0xA2, 0xE5, 0xAD, 0x97, '\r', '\n'}));

  TMemoryStream ascii;
  list.SaveToStream(&ascii, TEncoding::GetASCII());  // asked for: the caller's choice stands
  EXPECT_EQ(StreamBytes(ascii), (TBytes{'?', '?', '\r', '\n'}));
}

TEST(StringListFiles, FileRoundTripAndFailures) {
  const String name = UTF8ToString(TempDir() + "/lines.txt");
  TStringList list;
  Fill(list, {u"one", u"tw\u00f6"});
  list.SaveToFile(name, TEncoding::GetUTF8());
  TStringList back;
  back.LoadFromFile(name);
  EXPECT_EQ(Lines(back), Lines(list));

  // An encoding error happens before the file is touched.
  TEncoding* strict = TEncoding::GetEncoding(20127, true);
  TStringList bad;
  bad.Add(u"\u6f22");
  EXPECT_THROW(bad.SaveToFile(name, strict), EEncodingError);
  TEncoding::FreeEncoding(strict);
  back.LoadFromFile(name);
  EXPECT_EQ(Lines(back), Lines(list));

  EXPECT_THROW(back.LoadFromFile(UTF8ToString(TempDir() + "/missing.txt")), EFOpenError);
  EXPECT_EQ(Lines(back), Lines(list)) << "a failed load keeps the list";
}

TEST(StringListFiles, RemembersACopyOfACallersEncoding) {
  TEncoding* cp1251 = TEncoding::GetEncoding(1251);
  const TBytes bytes{0xC0, 0xE1};  // "Аб" in windows-1251
  TMemoryStream stream;
  stream.WriteBuffer(bytes.data(), 2);
  stream.SetPosition(0);
  TStringList list;
  list.LoadFromStream(&stream, cp1251);
  TEncoding::FreeEncoding(cp1251);
  EXPECT_EQ(list[0], u"\u0410\u0431");
  list.SetWriteBOM(false);
  TMemoryStream out;
  list.SaveToStream(&out);
  EXPECT_EQ(StreamBytes(out), (TBytes{0xC0, 0xE1, '\r', '\n'}));
}
}  // namespace
