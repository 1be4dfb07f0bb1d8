#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.TypInfo.h"
#include "zcl/base/ZCL.Classes.ByteBuffer.h"
#include "zeph/media/ZBL.FileInfo.h"

namespace {
struct TChangeCounter {
  Integer Count = 0;
  void Handle(TObject*) { ++Count; }
};

TZBLFileInfo* MakeFull() {
  auto* info = Create<TZBLFileInfo>();
  for (Integer i = 0; i < ZBLFileInfoTextCount; ++i)
    if (i < fitAlbumGain || i > fitTrackPeak) info->SetValue(i, u"text \u044f " + IntToStr(i));
  info->SetValue(fitTrackGain, u"-6.5 dB");
  info->SetValue(fitTrackPeak, u"0.98765");
  info->SetBPM(128);
  info->SetRating(4);
  info->SetFileSize(123456789012);
  info->SetPartOfCompilation(true);
  info->GetCustomFields()->Add("FIRST", "one");
  info->GetCustomFields()->Add("SECOND", std::string("\x00\xff\x80", 3));
  auto* art = Create<TZCLDataContainer>();
  art->SetDataSize(300);
  for (Integer i = 0; i < 300; ++i) static_cast<Byte*>(art->GetData())[i] = static_cast<Byte>(i * 7);
  info->SetAlbumArt(IPtr<IZCLDataContainer>(art));
  TZBLStreamInfo s;
  s.Codec = u"MPEG-1 Layer 3";
  s.Bitrate = 320;
  s.BitDepth = -32;
  s.Channels = 0x1002;
  s.Duration = 3725000;
  s.SampleRate = 44100;
  s.StreamSize = 9000000;
  info->SetStreamInfo(s);
  return info;
}

void ExpectSameRecord(const TZBLFileInfo* A, const TZBLFileInfo* B) {
  for (Integer i = 0; i < ZBLFileInfoTextCount; ++i) EXPECT_EQ(A->GetValue(i), B->GetValue(i)) << i;
  EXPECT_EQ(A->GetBPM(), B->GetBPM());
  EXPECT_EQ(A->GetRating(), B->GetRating());
  EXPECT_EQ(A->GetFileSize(), B->GetFileSize());
  EXPECT_EQ(A->GetStreamInfo(), B->GetStreamInfo());
  EXPECT_EQ(A->GetPartOfCompilation(), B->GetPartOfCompilation());
  ASSERT_EQ(A->GetCustomFields()->GetCount(), B->GetCustomFields()->GetCount());
  for (Integer i = 0; i < A->GetCustomFields()->GetCount(); ++i) {
    EXPECT_EQ(A->GetCustomFields()->GetItem(i)->Name, B->GetCustomFields()->GetItem(i)->Name);
    EXPECT_EQ(A->GetCustomFields()->GetItem(i)->Value, B->GetCustomFields()->GetItem(i)->Value);
  }
  EXPECT_TRUE(DataContainersEqual(A->GetAlbumArt(), B->GetAlbumArt()));
}

TBytes Save(const TZBLCustomFileInfo* Info) {
  TBytesStream stream;
  Info->SaveToStream(&stream);
  return stream.GetBytes();
}
}  // namespace

TEST(FileInfo, SettingValuesNormalizes) {
  struct Case {
    Integer Index;
    String Before, Set, Expected;
  };
  const Case cases[] = {
      {fitTrack, u"3/12", u"", u""},
      {fitTitle, u"", u"  a\tb  ", u"a b"},
      {fitTitle, u"", String(u"x\0y", 3), u"x y"},
      {fitGenre, u"", String(400, u'g'), String(360, u'g')},
      {fitLyrics, u"", String(600000, u'l'), String(524288, u'l')},
      {fitLink, u"", String(3000, u'h'), String(2048, u'h')},
      {fitTrackGain, u"", u"-6.5 dB", u"-6.50 dB"},
      {fitAlbumGain, u"", u"garbage", u"0.00 dB"},
      {fitTrackPeak, u"", u"0", u""},
      {fitTrackPeak, u"", u"0.98765", u"0.987650"},
  };
  for (const Case& c : cases) {
    TZBLFileInfo* info = Create<TZBLFileInfo>();
    info->SetValue(c.Index, c.Before);
    info->SetValue(c.Index, c.Set);
    EXPECT_EQ(info->GetValue(c.Index), c.Expected) << c.Index;
    Free(info);
  }
}

TEST(FileInfo, TrackAndDiskHalves) {
  TZBLFileInfo* info = Create<TZBLFileInfo>();
  info->SetTrack(u"3/12");
  info->SetTrackNumber(u"7");
  EXPECT_EQ(info->GetTrack(), u"7/12");
  info->SetTrack(u"3/12");
  info->SetTrackTotal(u"");
  EXPECT_EQ(info->GetTrack(), u"3");
  info->SetTrack(u"");
  info->SetTrackTotal(u"10");
  EXPECT_EQ(info->GetTrack(), u"/10");
  info->SetTrack(u"1/2/3");
  EXPECT_EQ(info->GetTrackNumber(), u"1");
  EXPECT_EQ(info->GetTrackTotal(), u"2/3");
  info->SetValue(fitDisk, u"2/3");
  info->SetDiskTotal(u"4");
  EXPECT_EQ(info->GetDiskNumber(), u"2");
  EXPECT_EQ(info->GetDiskTotal(), u"4");

  String number, total;
  TZBLFileInfoTrackNumbersHelper::Split(u"3 / 12", number, total);
  EXPECT_EQ(number, u"3 ");
  EXPECT_EQ(total, u" 12");
  EXPECT_EQ(TZBLFileInfoTrackNumbersHelper::Join(u"", u"12"), u"/12");
  EXPECT_EQ(TZBLFileInfoTrackNumbersHelper::Join(u"1/2", u"12"), u"1/2");
  Free(info);
}

TEST(FileInfo, NumbersAndSingles) {
  TZBLFileInfo* info = Create<TZBLFileInfo>();
  info->SetBPM(-5);
  EXPECT_EQ(info->GetBPM(), 0);
  info->SetBPM(0x10078);  // taken as 16 bits
  EXPECT_EQ(info->GetBPM(), 0x78);
  info->SetTrackGainAsSingle(-7.25f);
  EXPECT_EQ(info->GetValue(fitTrackGain), u"-7.25 dB");
  EXPECT_FLOAT_EQ(info->GetTrackGainAsSingle(), -7.25f);
  info->SetAlbumPeakAsSingle(0);
  EXPECT_EQ(info->GetValue(fitAlbumPeak), u"");
  info->SetAlbumPeakAsSingle(0.5f);
  EXPECT_FLOAT_EQ(info->GetAlbumPeakAsSingle(), 0.5f);
  Free(info);
}

TEST(FileInfo, OneReportPerBracketAndAssign) {
  TZBLFileInfo* info = Create<TZBLFileInfo>();
  TChangeCounter counter;
  info->OnChange = TNotifyEvent(&counter, &TChangeCounter::Handle);
  info->BeginUpdate();
  for (Integer i = 0; i < 5; ++i) info->SetValue(fitTitle, IntToStr(i));
  EXPECT_EQ(counter.Count, 0);
  info->EndUpdate();
  EXPECT_EQ(counter.Count, 1);

  TZBLFileInfo* same = Create<TZBLFileInfo>();
  same->Assign(info);
  counter.Count = 0;
  info->Assign(same);  // nothing differs, still one report
  EXPECT_EQ(counter.Count, 1);
  // Rating is a plain field.
  info->SetRating(3);
  EXPECT_EQ(counter.Count, 1);
  Free(same);
  Free(info);  // freeing reports nothing
  EXPECT_EQ(counter.Count, 1);
}

TEST(FileInfo, AssignKeepsRawValuesAndCopiesEverything) {
  TZBLFileInfo* source = MakeFull();
  source->BeginUpdate();
  source->SetFileName(u"/music/a.mp3");
  source->EndUpdate();
  TZBLFileInfo* copy = Create<TZBLFileInfo>();
  copy->Assign(source);
  ExpectSameRecord(source, copy);
  EXPECT_EQ(copy->GetFileName(), u"/music/a.mp3");
  EXPECT_EQ(copy->GetAlbumArt(), source->GetAlbumArt());  // shared by reference

  TZBLCustomFileInfo* clone = source->Clone();
  ASSERT_EQ(clone->ClassType(), TZBLFileInfo::StaticClass());
  ExpectSameRecord(source, static_cast<TZBLFileInfo*>(clone));
  Free(clone);

  copy->Assign(nullptr);
  EXPECT_TRUE(copy->IsEmpty());
  EXPECT_EQ(copy->GetFileName(), u"/music/a.mp3");  // the name stays
  Free(copy);
  Free(source);
}

TEST(FileInfo, StreamForm) {
  TZBLFileInfo* empty = Create<TZBLFileInfo>();
  const TBytes bytes = Save(empty);
  EXPECT_EQ(bytes, TBytes(159, 0));
  Free(empty);

  TZBLFileInfo* full = MakeFull();
  full->SetFileName(u"/x/y.mp3");
  TBytesStream stream(Save(full));
  TZBLFileInfo* read = Create<TZBLFileInfo>();
  read->GetCustomFields()->Add("STALE", "x");
  TChangeCounter counter;
  read->OnChange = TNotifyEvent(&counter, &TChangeCounter::Handle);
  read->LoadFromStream(&stream);
  EXPECT_EQ(stream.GetPosition(), stream.GetSize());
  ExpectSameRecord(full, read);
  EXPECT_EQ(read->GetFileName(), u"");  // not carried
  EXPECT_EQ(counter.Count, 1);
  Free(read);
  Free(full);
}

TEST(FileInfo, LongCodecKeepsLowBitsOfItsLength) {
  TZBLFileInfo* info = Create<TZBLFileInfo>();
  TZBLStreamInfo s;
  s.Codec = String(65536 + 3, u'c');
  info->SetStreamInfo(s);
  TBytesStream stream(Save(info));
  EXPECT_EQ(stream.GetSize(), 159 + 3 * 2);
  TZBLFileInfo* read = Create<TZBLFileInfo>();
  read->LoadFromStream(&stream);
  EXPECT_EQ(read->GetStreamInfo().Codec, u"ccc");
  Free(read);
  Free(info);
}

TEST(FileInfo, DamagedStreamFailsBeforeAllocating) {
  // Offsets of the counts in the stream form of an empty record.
  constexpr Integer firstText = 46, compilation = 150, fieldCount = 151, artSize = 155;
  struct Case {
    const char* Name;
    std::function<void(TBytes&)> Damage;
  };
  auto putInt = [](TBytes& b, size_t at, Integer v) { std::memcpy(&b[at], &v, 4); };
  const Case cases[] = {
      {"text count beyond the end", [&](TBytes& b) { putInt(b, firstText, 0x7FFFFFFF); }},
      {"negative text count", [&](TBytes& b) { putInt(b, firstText, -2); }},
      {"codec count beyond the end",
       [](TBytes& b) {
         b[0] = 0xFF;
         b[1] = 0xFF;
       }},
      {"field count beyond the end", [&](TBytes& b) { putInt(b, fieldCount, 1000000000); }},
      {"album art beyond the end", [&](TBytes& b) { putInt(b, artSize, 0x7FFFFFF0); }},
      {"truncated", [](TBytes& b) { b.resize(compilation); }},
  };
  TZBLFileInfo* empty = Create<TZBLFileInfo>();
  const TBytes good = Save(empty);
  Free(empty);
  for (const Case& c : cases) {
    TBytes bytes = good;
    c.Damage(bytes);
    TBytesStream stream(bytes);
    TZBLFileInfo* info = Create<TZBLFileInfo>();
    EXPECT_THROW(info->LoadFromStream(&stream), EReadError) << c.Name;
    Free(info);
  }
  // A field whose value count runs past the end.
  TBytes bytes = good;
  putInt(bytes, fieldCount, 1);
  const Byte field[] = {1, 0, 'N', 0xFF, 0xFF, 0xFF, 0x7F};
  bytes.insert(bytes.begin() + artSize, std::begin(field), std::end(field));
  TBytesStream stream(bytes);
  TZBLFileInfo* info = Create<TZBLFileInfo>();
  EXPECT_THROW(info->LoadFromStream(&stream), EReadError);
  Free(info);
  // Negative counts of fields and album art read nothing.
  bytes = good;
  putInt(bytes, fieldCount, -5);
  putInt(bytes, artSize, -1);
  TBytesStream negative(bytes);
  info = Create<TZBLFileInfo>();
  info->LoadFromStream(&negative);
  EXPECT_TRUE(info->IsEmpty());
  Free(info);
}

TEST(FileInfo, Merge) {
  struct Case {
    String Own, Source;
    bool Prefer;
    String Expected;
  };
  const Case cases[] = {
      {u"ab", u"abcde", true, u"abcde"},
      {u"ab", u"abcde", false, u"ab"},
      {u"", u"abcde", false, u"abcde"},
      {u"abcdef", u"\u00e9", true, u"\u00e9"},
      {u"\u00e9", u"abcdef", true, u"\u00e9"},
      {u"\u00e9a", u"\u00e9ab", true, u"\u00e9ab"},
      {u"abc", u"", true, u"abc"},
  };
  for (const Case& c : cases) {
    TZBLFileInfo* own = Create<TZBLFileInfo>();
    TZBLFileInfo* source = Create<TZBLFileInfo>();
    own->SetArtist(c.Own);
    source->SetArtist(c.Source);
    own->Merge(source, c.Prefer);
    EXPECT_EQ(own->GetArtist(), c.Expected);
    Free(source);
    Free(own);
  }
}

namespace {
class TLimitedInfo : public TZBLFileInfo {
  ZCL_CLASS(TLimitedInfo, TZBLFileInfo)
 public:
  bool HasLimitedValues() const override { return true; }
};
}  // namespace

TEST(FileInfo, MergeFromLimitedSourceFillsOnlyEmptyTextsButLyrics) {
  TZBLFileInfo* own = Create<TZBLFileInfo>();
  own->SetArtist(u"ab");
  own->SetValue(fitLyrics, u"short");
  own->SetBPM(0);
  TLimitedInfo* source = Create<TLimitedInfo>();
  source->SetArtist(u"abcdef");
  source->SetTitle(u"title");
  source->SetValue(fitLyrics, u"longer lyrics");
  source->SetBPM(90);
  source->SetPartOfCompilation(true);
  own->Merge(source, true);
  EXPECT_EQ(own->GetArtist(), u"ab");
  EXPECT_EQ(own->GetTitle(), u"title");
  EXPECT_EQ(own->GetValue(fitLyrics), u"longer lyrics");
  EXPECT_EQ(own->GetBPM(), 90);
  EXPECT_TRUE(own->GetPartOfCompilation());
  Free(source);
  Free(own);
}

TEST(FileInfo, Intersect) {
  TZBLFileInfo* a = MakeFull();
  TZBLFileInfo* b = MakeFull();
  b->SetArtist(u"TEXT \u042f 2");  // differs only in case
  b->SetTitle(u"other");
  b->SetBPM(100);
  a->Intersect(b);
  EXPECT_EQ(a->GetArtist(), u"text \u044f 2");
  EXPECT_EQ(a->GetTitle(), u"");
  EXPECT_EQ(a->GetBPM(), 0);
  EXPECT_EQ(a->GetRating(), 4);
  EXPECT_TRUE(a->GetPartOfCompilation());
  EXPECT_TRUE(a->GetAlbumArt());  // equal bytes in another container
  b->SetAlbumArt(nullptr);
  b->SetPartOfCompilation(false);
  a->Intersect(b);
  EXPECT_FALSE(a->GetAlbumArt());
  EXPECT_FALSE(a->GetPartOfCompilation());
  Free(b);
  Free(a);
}

TEST(FileInfo, ClearAndIsEmpty) {
  TZBLFileInfo* info = MakeFull();
  info->SetFileName(u"/a/b.flac");
  EXPECT_FALSE(info->IsEmpty());
  info->Clear();
  EXPECT_TRUE(info->IsEmpty());
  EXPECT_EQ(info->GetFileSize(), 0);
  EXPECT_EQ(info->GetStreamInfo(), TZBLStreamInfo());
  EXPECT_EQ(info->GetFileName(), u"/a/b.flac");
  info->GetCustomFields()->Add("A", "1");
  EXPECT_FALSE(info->IsEmpty());
  Free(info);
}

TEST(FileInfo, CustomFieldsSearchFromTheEnd) {
  TZBLFileInfoCustomFields fields;
  fields.Add("Mood", "first");
  fields.Add("other", "x");
  fields.Add("MOOD", "last");
  TZBLFileInfoCustomField* field = nullptr;
  ASSERT_TRUE(fields.Find("mood", field));
  EXPECT_EQ(field->Value, "last");
  fields.Remove("mOOd");
  ASSERT_TRUE(fields.Find("mood", field));
  EXPECT_EQ(field->Value, "first");
  EXPECT_FALSE(fields.Find("none", field));
  EXPECT_EQ(fields.IndexOf("\xc3\xa9"), -1);
}

TEST(FileInfo, PlayingInfo) {
  TZBLPlayingFileInfo* a = Create<TZBLPlayingFileInfo>();
  TZBLPlayingFileInfo* b = Create<TZBLPlayingFileInfo>();
  b->SetText(1, u"Playlist");
  b->PlaylistItemIndex = 3;
  b->PlaylistItemCount = 10;
  a->PlaylistItemCount = 5;
  a->Merge(b, false);
  EXPECT_EQ(a->GetText(1), u"Playlist");
  EXPECT_EQ(a->PlaylistItemIndex, 3);
  EXPECT_EQ(a->PlaylistItemCount, 5);
  TZBLCustomFileInfo* clone = a->Clone();
  auto* playing = dynamic_cast<TZBLPlayingFileInfo*>(clone);
  ASSERT_NE(playing, nullptr);
  EXPECT_EQ(playing->GetText(1), u"Playlist");
  EXPECT_EQ(playing->PlaylistItemIndex, 3);
  a->Clear();
  EXPECT_EQ(a->GetText(1), u"");
  EXPECT_EQ(a->PlaylistItemIndex, -1);
  Free(clone);
  Free(b);
  Free(a);
}

TEST(FileInfo, Chapters) {
  TZBLChapters chapters;
  chapters.Add(u"A", 0);
  chapters.Add(u"B", 30);
  chapters.CloseLast(200);
  ASSERT_EQ(chapters.GetCount(), 2);
  EXPECT_EQ(chapters[0]->Finish, 30);
  EXPECT_EQ(chapters[1]->Start, 30);
  EXPECT_EQ(chapters[1]->Finish, 200);

  TZBLChapters copy;
  copy.Assign(&chapters);
  EXPECT_TRUE(copy.Equals(&chapters));
  copy[1]->Title = u"b";
  EXPECT_TRUE(copy.Equals(&chapters));
  copy[1]->Finish = 200.001;
  EXPECT_FALSE(copy.Equals(&chapters));
  copy.Assign(nullptr);
  EXPECT_EQ(copy.GetCount(), 0);
}

TEST(FileInfo, FileDatesReadOncePerName) {
  static Integer calls = 0;
  const TZBLFileDatesProc saved = GetFileDatesProc();
  SetFileDatesProc([](const String&, TDateTime& Created, TDateTime& Modified) {
    ++calls;
    Created = 100;
    Modified = 200;
  });
  TZBLFileInfo* info = Create<TZBLFileInfo>();
  info->SetFileName(u"/a.mp3");
  EXPECT_EQ(info->GetFileDateOfCreation(), 100);
  EXPECT_EQ(info->GetFileDateOfModification(), 200);
  EXPECT_EQ(calls, 1);
  info->SetFileName(u"/b.mp3");
  info->GetFileDateOfModification();
  EXPECT_EQ(calls, 2);
  SetFileDatesProc(saved);
  info->SetFileName(u"/no/such/file.mp3");
  EXPECT_EQ(info->GetFileDateOfCreation(), 0);
  Free(info);
}

TEST(FileInfo, PublishedProperties) {
  TZBLFileInfo* info = Create<TZBLFileInfo>();
  SetStrProp(info, u"Genre", u"Jazz");
  EXPECT_EQ(info->GetValue(fitGenre), u"Jazz");
  SetStrProp(info, u"TrackNumber", u"5");
  EXPECT_EQ(GetStrProp(info, u"Track"), u"5");
  EXPECT_TRUE(IsPublishedProp(info, u"PartOfCompilation"));
  EXPECT_TRUE(IsPublishedProp(info, u"Key"));
  Free(info);
}

TEST(FileInfo, DisplayTextAndKeeper) {
  TZBLFileInfo* info = Create<TZBLFileInfo>();
  info->SetFileName(u"/music/Some Song.mp3");
  EXPECT_EQ(TZBLFileInfoUtils::FormatDisplayText(info), u"Some Song");
  info->SetTitle(u"T");
  EXPECT_EQ(TZBLFileInfoUtils::FormatDisplayText(info), u"T");
  info->SetArtist(u"A");
  EXPECT_EQ(TZBLFileInfoUtils::FormatDisplayText(info), u"A - T");
  IPtr<IZBLFileInfo> keeper(Create<TZBLFileInfoKeeper>(info));
  EXPECT_EQ(keeper->GetFileInfo(), info);
  keeper = nullptr;  // frees the record
}
