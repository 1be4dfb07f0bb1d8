#include "zeph/media/ZTL.FileFormats.M4A.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.Classes.ByteBuffer.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zcl/base/ZCL.Utils.Stream.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zeph/media/ZTL.Genres.h"
#include "zeph/media/ZTL.Utils.h"

namespace {

constexpr TMP4AtomID IdMoov = MP4ID("moov");
constexpr TMP4AtomID IdMdat = MP4ID("mdat");
constexpr TMP4AtomID IdFree = MP4ID("free");
constexpr TMP4AtomID IdUdta = MP4ID("udta");
constexpr TMP4AtomID IdMeta = MP4ID("meta");
constexpr TMP4AtomID IdIlst = MP4ID("ilst");
constexpr TMP4AtomID IdData = MP4ID("data");
constexpr TMP4AtomID IdName = MP4ID("name");
constexpr TMP4AtomID IdMean = MP4ID("mean");
constexpr TMP4AtomID IdXtra = MP4ID("Xtra");
constexpr TMP4AtomID IdChpl = MP4ID("chpl");
constexpr TMP4AtomID IdCustom = MP4ID("----");
constexpr TMP4AtomID IdCovr = MP4ID("covr");
constexpr TMP4AtomID IdGnre = MP4ID("gnre");
constexpr TMP4AtomID IdDisk = MP4ID("disk");
constexpr TMP4AtomID IdTrkn = MP4ID("trkn");
constexpr std::string_view RatingItem = "WM/SharedUserRating";
constexpr Int64 MaxFree = 102400;

#define C9(x) MP4ID("\xA9" x)


Cardinal BE(std::string_view B, size_t At, size_t Count) {
  Cardinal v = 0;
  for (size_t i = 0; i < Count; ++i) v = v << 8 | (At + i < B.size() ? static_cast<Byte>(B[At + i]) : 0);
  return v;
}

void PutBE(RawByteString& Out, Cardinal V, Integer Count) {
  for (Integer i = Count - 1; i >= 0; --i) Out += static_cast<char>(V >> (8 * i));
}

String GetRating(const TObject* Tag, const TZTLTagFieldMapItem&) {
  const SmallInt rating = static_cast<const TZTLTag*>(Tag)->GetRating();
  return rating <= 0 ? String() : IntToStr(rating * 20);
}

void SetRating(TObject* Tag, const TZTLTagFieldMapItem&, const String& Text) {
  const Integer value = StrToIntDef(zcTrim(Text), 0);
  static_cast<TZTLTag*>(Tag)->SetRating(static_cast<SmallInt>(std::clamp<Double>(std::nearbyint(value / 20.0), -32768, 32767)));
}

TMP4AtomData* FirstData(TMP4Atom* Item) {
  TMP4Atom* data = nullptr;
  return Item->Find(IdData, data) ? dynamic_cast<TMP4AtomData*>(data) : nullptr;
}

String CustomName(TMP4Atom* Item) {
  TMP4Atom* name = nullptr;
  if (!Item->Find(IdName, name)) return String();
  auto* n = dynamic_cast<TMP4AtomName*>(name);
  return n ? UTF8ToString(n->Name) : String();
}

// The text of one value atom, by the code of the item that holds it.
String DataValue(TMP4AtomID Code, const TMP4AtomData* Data) {
  if (Code == IdGnre) return GetGenreName(Data->AsInteger() - 1);
  if (Code == IdDisk || Code == IdTrkn) {
    const std::string_view b = Data->Bytes();
    const Cardinal number = BE(b, 2, 2), total = BE(b, 4, 2);
    if (total) return IntToStr(static_cast<Integer>(number)) + u"/" + IntToStr(static_cast<Integer>(total));
    return number ? IntToStr(static_cast<Integer>(number)) : String();
  }
  return Data->AsString();
}

String ItemValue(TMP4Atom* Item) {
  auto* list = dynamic_cast<TMP4AtomList*>(Item);
  if (!list) return String();
  String value;
  bool first = true;
  for (Integer i = 0; i < list->GetCount(); ++i) {
    auto* data = dynamic_cast<TMP4AtomData*>(list->GetItem(i));
    if (!data) continue;
    const String text = DataValue(Item->ID, data);
    value = first ? text : TagsAppendValue(value, text);
    first = false;
  }
  return value;
}

// Text of a chapter sample: by its byte-order mark, else UTF-8 or the code page.
String DecodeChapterText(std::string_view B) {
  if (B.size() >= 3 && B.substr(0, 3) == "\xEF\xBB\xBF") return UTF8ToString(B.substr(3));
  if (B.size() >= 2 && (B.substr(0, 2) == "\xFF\xFE" || B.substr(0, 2) == "\xFE\xFF")) {
    const bool little = B[0] == '\xFF';
    String text;
    for (size_t i = 2; i + 1 < B.size(); i += 2) {
      const Byte lo = static_cast<Byte>(B[little ? i : i + 1]), hi = static_cast<Byte>(B[little ? i + 1 : i]);
      text += static_cast<Char>(lo | hi << 8);
    }
    return text;
  }
  return TZTLTagsEncoding::Decode(B);
}

Integer ToNumber(const String& Text) { return StrToIntDef(zcTrim(TagsFirstValue(Text)), 0); }

}  // namespace

Integer WMRatingToRating(Integer Value) { return static_cast<Integer>(std::nearbyint(Value / 25.0)) + 1; }
Integer RatingToWMRating(Integer Rating) { return (Rating - 1) * 25; }

// ---- Xtra ------------------------------------------------------------------------------------------

void TZTLM4AAtomXtra::LoadContent(TStream* Stream, Int64 Size) {
  Items.clear();
  RawByteString content(static_cast<size_t>(Size), '\0');
  if (Size > 0) Stream->ReadBuffer(content.data(), Size);
  size_t at = 0;
  while (content.size() - at >= 8) {
    const Cardinal itemSize = BE(content, at, 4), nameLength = BE(content, at + 4, 4);
    if (itemSize < 8 || itemSize > content.size() - at || nameLength > itemSize - 8) break;
    Items.push_back({content.substr(at + 8, nameLength), content.substr(at + 8 + nameLength, itemSize - 8 - nameLength)});
    at += itemSize;
  }
}

void TZTLM4AAtomXtra::SaveContent(TStream* Stream) {
  for (const TItem& item : Items) {
    RawByteString out;
    PutBE(out, static_cast<Cardinal>(8 + item.Name.size() + item.Data.size()), 4);
    PutBE(out, static_cast<Cardinal>(item.Name.size()), 4);
    out += item.Name;
    out += item.Data;
    Stream->WriteBuffer(out.data(), static_cast<Int64>(out.size()));
  }
}

Int64 TZTLM4AAtomXtra::CalculateSize() const {
  Int64 size = 8;
  for (const TItem& item : Items) size += 8 + static_cast<Int64>(item.Name.size() + item.Data.size());
  return size;
}

TZTLM4AAtomXtra::TItem* TZTLM4AAtomXtra::Find(std::string_view Name) {
  for (TItem& item : Items)
    if (TagsSameName(item.Name, Name)) return &item;
  return nullptr;
}

void TZTLM4AAtomXtra::DeleteAll(std::string_view Name) {
  std::erase_if(Items, [&](const TItem& I) { return TagsSameName(I.Name, Name); });
}

std::unique_ptr<TMP4Atom> TZTLM4AContainer::CreateAtom(TMP4AtomID AtomID, TMP4Atom* AtomParent) {
  if (AtomID == IdXtra) return std::make_unique<TZTLM4AAtomXtra>(AtomID, AtomParent);
  return TMP4Container::CreateAtom(AtomID, AtomParent);
}

// ---- field map -------------------------------------------------------------------------------------

void TZTLM4AFieldMap::Populate() {
  TZTLTagFieldMap::Populate();
  static const struct {
    TMP4AtomID Code;
    const char16_t* Property;
    bool Multi;
  } items[] = {
      {C9("alb"), u"Album", true},         {MP4ID("tmpo"), u"BPM", false},   {MP4ID("aART"), u"AlbumArtist", true},
      {C9("ART"), u"Artist", true},        {C9("cmt"), u"Comment", false},   {C9("wrt"), u"Composer", true},
      {MP4ID("cprt"), u"Copyright", true}, {C9("gen"), u"Genre", true},      {IdGnre, u"Genre", true},
      {IdDisk, u"Disk", false},            {IdTrkn, u"Track", false},        {C9("lyr"), u"Lyrics", false},
      {MP4ID("lyrt"), u"Lyricist", true},  {C9("nam"), u"Title", false},     {C9("day"), u"Date", false},
      {MP4ID("mood"), u"Mood", false},     {MP4ID("cpil"), u"PartOfCompilation", false},
      {MP4ID("cat#"), u"Catalog", false},  {C9("con"), u"Conductor", true},
  };
  for (const auto& i : items) Add(static_cast<Integer>(i.Code), i.Property, i.Multi);
  AddEx("Rating", u"Rating", false, GetRating, SetRating);
  Add("WWW", u"Link", false);
  Add("PUBLISHER", u"Publisher", true);
  Add("ENCODEDBY", u"EncodedBy", false);
  Add("ISRC", u"ISRC", false);
  Add("LYRICIST", u"Lyricist", true);
  Add("INITIALKEY", u"Key", false);
}

const TZTLTagFieldMap* TZTLM4AFieldMap::Instance() {
  static const std::unique_ptr<TZTLM4AFieldMap> map = [] {
    RegisterTagProperties();
    return TZTLTagFieldMap::CreatePopulated<TZTLM4AFieldMap>(TZTLTag::StaticClass());
  }();
  return map.get();
}

// ---- reader ----------------------------------------------------------------------------------------

namespace {

class TZTLM4AReader : public TZTLTagMappedFiler {
 public:
  TZTLM4AReader(TZTLTagM4A* Tag, TStream* Stream, TZTLTagsContainerM4A* Container, TZTLM4AContainer* Tree)
      : TZTLTagMappedFiler(Tag, Stream, TZTLM4AFieldMap::Instance()), FContainer(Container), FTree(Tree) {}

  bool Execute() {
    TMP4Tracks tracks = FTree->CreateTracks();
    TMP4Track* audio = nullptr;
    for (auto& t : tracks)
      if (t->Kind == TMP4Track::KindAudio) {
        audio = t.get();
        break;
      }
    if (!audio) return false;
    ReadStreamInfo(audio);
    ReadChapters(audio, tracks);
    ReadItems();
    ReadXtra();
    return true;
  }

 private:
  void ReadStreamInfo(const TMP4Track* Audio) {
    TZBLStreamInfo& info = FContainer->GetStreamInfo();
    TMP4Atom* mdat = nullptr;
    if (FTree->Find(IdMdat, mdat)) info.StreamSize = mdat->Size;
    info.Codec = Audio->Codec;
    info.Channels = TZBLStreamInfoUtils::MakeChannels(Audio->Channels & 0xFFFF);
    info.SampleRate = static_cast<Cardinal>(std::max(0, Audio->SampleRate));
    TZBLStreamInfoUtils::SetBitDepth(info, Audio->BitDepth, false);
    // The duration counts in the media header's time scale, which need not be the codec's rate.
    if (Audio->TimeScale > 0 && Audio->Duration > 0)
      info.Duration = TZBLStreamInfoUtils::DurationOfSamples(Audio->Duration, static_cast<Cardinal>(Audio->TimeScale));
    if (Audio->Bitrate > 0)
      info.Bitrate = static_cast<Integer>(std::lround(Audio->Bitrate / 1000.0));
    else
      TZBLStreamInfoUtils::CalculateBitrate(info);
    if (Audio->SBR && info.SampleRate < 40000) info.SampleRate *= 2;
  }

  void ReadChapters(const TMP4Track* Audio, const TMP4Tracks& Tracks) {
    TZBLChapters* chapters = FContainer->GetChapters();
    chapters->Clear();
    TMP4Atom* atom = nullptr;
    const Double duration = FContainer->GetStreamInfo().Duration / 1000.0;
    if (FTree->FindAtom({IdMoov, IdUdta, IdChpl}, atom)) {
      if (auto* chpl = dynamic_cast<TMP4AtomCHPL*>(atom)) {
        for (Integer i = 0; i < chpl->GetCount(); ++i) chapters->Add(chpl->GetTitle(i), chpl->GetTime(i));
        chapters->CloseLast(duration);
      }
      return;
    }
    if (Audio->ChapterTrackID == 0) return;
    for (const auto& t : Tracks) {
      if (t->TrackID != Audio->ChapterTrackID || t->Kind != TMP4Track::KindText) continue;
      if (t->SampleRate <= 0) return;
      try {
        TMP4TrackSeekTable table(t.get());
        Int64 time = 0, length = 0;
        std::vector<Byte> buffer;
        for (Integer i = 0; i < table.SampleCount(); ++i) {
          const Cardinal sample = table.SampleAtTime(time + length, true);
          table.SampleTime(sample, time, length);
          table.ReadSample(FStream, sample, buffer);
          const std::string_view b(reinterpret_cast<const char*>(buffer.data()), buffer.size());
          const Cardinal count = BE(b, 0, 2);
          if (b.size() < 2 || count > b.size() - 2) break;
          chapters->Add(DecodeChapterText(b.substr(2, count)), static_cast<Double>(time) / t->SampleRate,
                        static_cast<Double>(time + length) / t->SampleRate);
        }
      } catch (const Exception&) {
        // What was read stays.
      }
      return;
    }
  }

  void ReadItems() {
    TMP4Atom* atom = nullptr;
    if (!FTree->FindAtom({IdMoov, IdUdta, IdMeta, IdIlst}, atom)) return;
    auto* ilst = dynamic_cast<TMP4AtomList*>(atom);
    if (!ilst) return;
    Int64 size = 0;
    for (Integer i = 0; i < ilst->GetCount(); ++i) {
      TMP4Atom* item = ilst->GetItem(i);
      size += item->Size;
      if (item->ID == IdCustom) {
        const String name = CustomName(item);
        if (const TZTLTagFieldMapItem* mapped = name.empty() ? nullptr : FFieldMap->FindName(StringToUTF8(name)))
          ApplyValue(*mapped, ItemValue(item));
      } else if (item->ID == IdCovr) {
        if (TMP4AtomData* data = FirstData(item); data && !FTag->GetAlbumArt() && data->GetData()->GetSize() > 0) {
          IPtr<IZCLDataContainer> art(Create<TZCLDataContainer>(data->GetData()));
          FTag->SetAlbumArt(art);
        }
      } else if (const TZTLTagFieldMapItem* mapped = FFieldMap->FindID(static_cast<Integer>(item->ID))) {
        ApplyValue(*mapped, ItemValue(item));
      }
    }
    SetTagSize(static_cast<Cardinal>(std::min<Int64>(size, 0xFFFFFFFFll)));
  }

  void ReadXtra() {
    TMP4Atom* atom = nullptr;
    if (!FTree->FindAtom({IdMoov, IdUdta, IdXtra}, atom)) return;
    auto* xtra = dynamic_cast<TZTLM4AAtomXtra*>(atom);
    if (!xtra) return;
    if (TZTLM4AAtomXtra::TItem* item = xtra->Find(RatingItem); item && item->Data.size() > 10)
      FTag->SetRating(static_cast<SmallInt>(WMRatingToRating(static_cast<Byte>(item->Data[10]))));
  }

  TZTLTagsContainerM4A* FContainer;
  TZTLM4AContainer* FTree;
};

// ---- writer ----------------------------------------------------------------------------------------

class TZTLM4ATagsBuilder {
 public:
  explicit TZTLM4ATagsBuilder(TMP4AtomList* Moov) {
    TMP4Atom* udta = Moov->ForceAtom({IdUdta});
    TMP4Atom* meta = nullptr;
    if (!udta->Find(IdMeta, meta)) {
      meta = udta->AddChild(IdMeta);
      auto* hdlr = dynamic_cast<TMP4AtomRaw*>(meta->AddChild(MP4ID("hdlr")));
      if (hdlr) {
        const RawByteString content = RawByteString(8, '\0') + "mdirappl" + RawByteString(9, '\0');
        hdlr->GetData()->WriteBuffer(content.data(), static_cast<Int64>(content.size()));
      }
    }
    TMP4Atom* ilst = nullptr;
    if (!meta->Find(IdIlst, ilst)) ilst = meta->AddChild(IdIlst);
    FIlst = dynamic_cast<TMP4AtomList*>(ilst);
    if (!FIlst) throw EMP4InvalidAtomStructure(u"MP4: Invalid State");
  }

  void DeleteItems(TMP4AtomID Code) {
    for (Integer i = FIlst->GetCount() - 1; i >= 0; --i)
      if (FIlst->GetItem(i)->ID == Code) FIlst->Delete(i);
  }

  void DeleteCustom(std::string_view Name) {
    for (Integer i = FIlst->GetCount() - 1; i >= 0; --i) {
      TMP4Atom* item = FIlst->GetItem(i);
      if (item->ID == IdCustom && TagsSameName(StringToUTF8(CustomName(item)), Name)) FIlst->Delete(i);
    }
  }

  void AddText(TMP4AtomID Code, const String& Value, bool Multi) {
    DeleteItems(Code);
    TagsEnumValues(Value, Multi, [&](const String& Part) {
      auto* data = static_cast<TMP4AtomData*>(FIlst->AddChild(Code)->AddChild(IdData));
      data->SetAsString(Part);
    });
  }

  void AddCustom(std::string_view Name, const String& Value, bool Multi) {
    DeleteCustom(Name);
    TagsEnumValues(Value, Multi, [&](const String& Part) {
      TMP4Atom* item = FIlst->AddChild(IdCustom);
      auto* mean = static_cast<TMP4AtomName*>(item->AddChild(IdMean));
      mean->Name = "com.apple.iTunes";
      static_cast<TMP4AtomName*>(item->AddChild(IdName))->Name = AnsiString(Name);
      static_cast<TMP4AtomData*>(item->AddChild(IdData))->SetAsString(Part);
    });
  }

  void AddPair(TMP4AtomID Code, const String& Number, const String& Total) {
    DeleteItems(Code);
    const Integer n = ToNumber(Number), t = ToNumber(Total);
    if (n <= 0 && t <= 0) return;
    RawByteString b(2, '\0');
    PutBE(b, static_cast<Cardinal>(std::clamp(n, 0, 65535)), 2);
    PutBE(b, static_cast<Cardinal>(std::clamp(t, 0, 65535)), 2);
    b.append(2, '\0');
    static_cast<TMP4AtomData*>(FIlst->AddChild(Code)->AddChild(IdData))
        ->SetData(TMP4AtomData::TypeImplicit, b.data(), static_cast<Integer>(b.size()));
  }

  // The first picture of the first "covr" is the album art; the others stay as they are.
  void SetCover(const IPtr<IZCLDataContainer>& Art) {
    const bool hasArt = Art && Art->GetDataSize() > 0;
    TMP4Atom* covr = nullptr;
    if (FIlst->Find(IdCovr, covr)) {
      TMP4AtomData* first = FirstData(covr);
      if (first && hasArt) {
        first->SetAsBinary(Art->GetData(), Art->GetDataSize());
      } else if (first) {
        first->Remove();
        if (!FirstData(covr)) covr->Remove();
      } else if (hasArt) {
        static_cast<TMP4AtomData*>(covr->AddChild(IdData))->SetAsBinary(Art->GetData(), Art->GetDataSize());
      }
      return;
    }
    if (hasArt)
      static_cast<TMP4AtomData*>(FIlst->AddChild(IdCovr)->AddChild(IdData))
          ->SetAsBinary(Art->GetData(), Art->GetDataSize());
  }

  void Build(const TZTLTag* Tag) {
    DeleteItems(C9("gen"));
    DeleteItems(IdGnre);
    AddText(C9("gen"), Tag->GetValue(fitGenre), true);
    const struct {
      TMP4AtomID Code;
      TZBLFileInfoText Text;
      bool Multi;
    } texts[] = {
        {C9("alb"), fitAlbum, true},         {MP4ID("aART"), fitAlbumArtist, true}, {C9("ART"), fitArtist, true},
        {C9("cmt"), fitComment, false},      {C9("wrt"), fitComposer, true},        {MP4ID("cprt"), fitCopyright, true},
        {C9("lyr"), fitLyrics, false},       {C9("nam"), fitTitle, false},          {C9("day"), fitDate, false},
        {MP4ID("mood"), fitMood, false},     {MP4ID("cat#"), fitCatalog, false},    {C9("con"), fitConductor, true},
    };
    for (const auto& t : texts) AddText(t.Code, Tag->GetValue(t.Text), t.Multi);
    AddPair(IdDisk, Tag->GetDiskNumber(), Tag->GetDiskTotal());
    AddPair(IdTrkn, Tag->GetTrackNumber(), Tag->GetTrackTotal());
    DeleteItems(MP4ID("cpil"));
    if (Tag->GetPartOfCompilation())
      static_cast<TMP4AtomData*>(FIlst->AddChild(MP4ID("cpil"))->AddChild(IdData))->SetAsByte(1);
    DeleteItems(MP4ID("tmpo"));
    if (Tag->GetBPM() != 0)
      static_cast<TMP4AtomData*>(FIlst->AddChild(MP4ID("tmpo"))->AddChild(IdData))
          ->SetAsWord(static_cast<Word>(Tag->GetBPM()));
    const struct {
      const char* Name;
      TZBLFileInfoText Text;
      bool Multi;
    } customs[] = {
        {"replaygain_album_gain", fitAlbumGain, false}, {"replaygain_album_peak", fitAlbumPeak, false},
        {"replaygain_track_gain", fitTrackGain, false}, {"replaygain_track_peak", fitTrackPeak, false},
        {"WWW", fitLink, true},                         {"PUBLISHER", fitPublisher, true},
        {"ENCODEDBY", fitEncodedBy, false},             {"ISRC", fitISRC, false},
        {"LYRICIST", fitLyricist, true},                {"INITIALKEY", fitKey, false},
    };
    for (const auto& c : customs) AddCustom(c.Name, Tag->GetValue(c.Text), c.Multi);
    AddCustom("Rating", Tag->GetRating() > 0 ? IntToStr(Tag->GetRating() * 20) : String(), false);
    SetCover(Tag->GetAlbumArt());
    DeleteItems(MP4ID("lyrt"));
  }

 private:
  TMP4AtomList* FIlst;
};

class TZTLM4AWriter : public TZTLTagMappedFiler {
 public:
  TZTLM4AWriter(TZTLTagM4A* Tag, TStream* Stream, TZTLTagsContainerM4A* Container, TZTLM4AContainer* Tree)
      : TZTLTagMappedFiler(Tag, Stream, TZTLM4AFieldMap::Instance()), FContainer(Container), FTree(Tree) {}

  bool Execute() {
    TMP4Atom *mdat = nullptr, *moovAtom = nullptr;
    if (!FTree->Find(IdMdat, mdat) || !FTree->Find(IdMoov, moovAtom)) return false;
    auto* moov = dynamic_cast<TMP4AtomList*>(moovAtom);
    if (!moov) return false;
    const Int64 mdatPosition = mdat->Position;
    const Int64 moovPosition = moov->Position;
    TMP4Tracks tracks = FTree->CreateTracks();

    // Keep "moov" and the run of "free" atoms right after it: the range rewritten.
    while (FTree->GetItem(0) != moov) FTree->Delete(0);
    Integer kept = 1;
    while (kept < FTree->GetCount() && FTree->GetItem(kept)->ID == IdFree) ++kept;
    while (FTree->GetCount() > kept) FTree->Delete(FTree->GetCount() - 1);
    const TMP4Atom* last = FTree->GetItem(kept - 1);
    const Int64 oldSize = last->Position + last->Size - moovPosition;

    // Chapters are written anew into "chpl"; chapter tracks go.
    moov->DeleteAtom({IdUdta, IdChpl});
    for (Integer i = static_cast<Integer>(tracks.size()) - 1; i >= 0; --i) {
      TMP4Track* audio = tracks[static_cast<size_t>(i)].get();
      if (audio->Kind != TMP4Track::KindAudio || audio->ChapterTrackID <= 0) continue;
      for (Integer j = static_cast<Integer>(tracks.size()) - 1; j >= 0; --j) {
        TMP4Track* chapter = tracks[static_cast<size_t>(j)].get();
        if (chapter->TrackID != audio->ChapterTrackID || chapter == audio) continue;
        audio->Atom->DeleteAtom({MP4ID("tref"), MP4ID("chap")});
        chapter->Atom->Remove();
        tracks.erase(tracks.begin() + j);
        if (j < i) --i;
        break;
      }
    }

    if (FTag->GetDeleteTagOnSave()) {
      moov->DeleteAtom({IdUdta, IdMeta});
      moov->DeleteAtom({IdUdta, IdXtra});
    } else {
      TZTLM4ATagsBuilder(moov).Build(FTag);
      WriteRating(moov);
      WriteChapters(moov);
    }

    const Int64 delta = FTree->ReserveFreeSpace(oldSize, MaxFree);
    if (delta != 0 && moovPosition < mdatPosition) ShiftOffsets(moov, -delta);

    TMemoryStream region;
    FTree->SaveToStream(&region);
    region.SetPosition(0);
    StreamReplaceRange(FStream, &region, moovPosition, oldSize, FContainer->OnProgress, FTag);
    return true;
  }

 private:
  void WriteRating(TMP4AtomList* Moov) {
    const Integer rating = FTag->GetRating();
    TMP4Atom* atom = nullptr;
    if (rating <= 0) {
      if (Moov->FindAtom({IdUdta, IdXtra}, atom))
        if (auto* xtra = dynamic_cast<TZTLM4AAtomXtra*>(atom)) {
          xtra->DeleteAll(RatingItem);
          if (xtra->Items.empty()) xtra->Remove();
        }
      return;
    }
    auto* xtra = dynamic_cast<TZTLM4AAtomXtra*>(Moov->ForceAtom({IdUdta, IdXtra}));
    if (!xtra) throw EMP4InvalidAtomStructure(u"MP4: Invalid State");
    TZTLM4AAtomXtra::TItem* item = xtra->Find(RatingItem);
    if (!item) {
      xtra->Items.push_back({AnsiString(RatingItem), RawByteString()});
      item = &xtra->Items.back();
    }
    RawByteString value;
    PutBE(value, 1, 4);
    PutBE(value, 14, 4);
    PutBE(value, 19, 2);
    value += static_cast<char>(std::clamp(RatingToWMRating(rating), 0, 99));
    value.append(7, '\0');
    item->Data = value;
  }

  void WriteChapters(TMP4AtomList* Moov) {
    const TZBLChapters* chapters = FContainer->GetChapters();
    if (chapters->GetCount() == 0) {
      Moov->DeleteAtom({IdUdta, IdChpl});
      return;
    }
    auto* chpl = dynamic_cast<TMP4AtomCHPL*>(Moov->ForceAtom({IdUdta, IdChpl}));
    if (!chpl) throw EMP4InvalidAtomStructure(u"MP4: Invalid State");
    chpl->Clear();
    for (Integer i = 0; i < chapters->GetCount() && i < 255; ++i)
      chpl->Add(chapters->GetItem(i)->Title, static_cast<Single>(chapters->GetItem(i)->Start));
  }

  static void ShiftOffsets(TMP4AtomList* Moov, Int64 Delta) {
    for (Integer i = 0; i < Moov->GetCount(); ++i) {
      auto* trak = dynamic_cast<TMP4AtomList*>(Moov->GetItem(i));
      if (!trak || trak->ID != MP4ID("trak")) continue;
      for (TMP4AtomID table : {MP4ID("stco"), MP4ID("co64")}) {
        TMP4Atom* atom = nullptr;
        if (trak->FindAtom({MP4ID("mdia"), MP4ID("minf"), MP4ID("stbl"), table}, atom))
          if (auto* stco = dynamic_cast<TMP4AtomSTCO*>(atom)) stco->Shift(Delta);
      }
    }
  }

  TZTLTagsContainerM4A* FContainer;
  TZTLM4AContainer* FTree;
};

}  // namespace

// ---- container -------------------------------------------------------------------------------------

TZTLTagsContainerM4A::TZTLTagsContainerM4A() { FTag = AddTag<TZTLTagM4A>(); }

std::unique_ptr<TZTLM4AContainer> TZTLTagsContainerM4A::OpenTree(TStream* Stream) {
  auto tree = std::make_unique<TZTLM4AContainer>();
  try {
    Stream->SetPosition(0);
    tree->LoadFromStream(Stream);
  } catch (const Exception&) {
    return nullptr;
  }
  TMP4Atom* atom = nullptr;
  auto* ftyp = tree->Find(MP4ID("ftyp"), atom) ? dynamic_cast<TMP4AtomFTYP*>(atom) : nullptr;
  if (!ftyp) return nullptr;
  for (TMP4AtomID brand : {MP4ID("M4A "), MP4ID("M4B "), MP4ID("M4V "), MP4ID("mp41"), MP4ID("mp42"), MP4ID("iso8"),
                           MP4ID("isom")})
    if (ftyp->MajorBrand == brand) return tree;
  return nullptr;
}

bool TZTLTagsContainerM4A::DoLoad(TStream* Stream) {
  std::unique_ptr<TZTLM4AContainer> tree = OpenTree(Stream);
  if (!tree) return false;
  FTag->Clear();
  FStreamInfo.Clear();
  FStreamInfo.StreamSize = Stream->GetSize();
  TZTLM4AReader reader(FTag, Stream, this, tree.get());
  return reader.Execute();
}

bool TZTLTagsContainerM4A::DoSave(TStream* Stream) {
  std::unique_ptr<TZTLM4AContainer> tree = OpenTree(Stream);
  if (!tree) return false;
  TZTLM4AWriter writer(FTag, Stream, this, tree.get());
  return writer.Execute();
}

void detail::ZTLM4AInitialization() {
  GetTagsManager()->Register(TZTLTagsContainerM4A::StaticClass());
  GetTagsManager()->RegisterTagName(u"M4A");
}
