#include "zeph/media/ZTL.Ogg.Opus.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zeph/media/ZTL.Ogg.Chapters.h"

namespace {

constexpr std::string_view HeadSignature = "OpusHead";
constexpr std::string_view TagsSignature = "OpusTags";
constexpr Integer HeadMinSize = 19;
constexpr Integer GainOffset = 16;

bool BeginsWith(const TZBLOggPage& Page, std::string_view Signature) {
  return Page.GetDataSize() >= static_cast<Integer>(Signature.size()) &&
         std::memcmp(Page.GetData(), Signature.data(), Signature.size()) == 0;
}

void Locate(TZTLOpusPageLocation& Location, const TZBLOggPage& Page) {
  Location.Sequence = Page.GetSequenceNumber();
  Location.PagePosition = Page.GetPosition();
  Location.DataStart = Page.GetDataStart();
  Location.PageLength = static_cast<Cardinal>(Page.GetPageEnd() - Page.GetPosition());
}

SmallInt ToSmallInt(Int64 Value) { return static_cast<SmallInt>(std::clamp<Int64>(Value, -32768, 32767)); }

// The last custom field of the name, ignoring case.
bool FindCustom(const TZBLFileInfo* Info, std::string_view Name, AnsiString& Value) {
  TZBLFileInfoCustomField* field = nullptr;
  if (!Info->GetCustomFields()->Find(Name, field)) return false;
  Value = field->Value;
  return true;
}

SmallInt R128Of(const AnsiString& Text) { return ToSmallInt(zcStrToIntDef(Text, 0)); }

}  // namespace

// ---- tag -------------------------------------------------------------------------------------------

void TZTLTagOpus::ReadCommentBlock(TStream* Stream) {
  TZTLTagVorbisCommentsReader reader(this, Stream, TZTLTagOpusFieldMap::Instance());
  reader.Execute();
}

void TZTLTagOpus::WriteCommentBlock(TStream* Stream) {
  TZTLTagVorbisCommentsWriter writer(this, Stream, TZTLTagOpusFieldMap::Instance());
  writer.Execute();
}

void TZTLTagOpusFieldMap::Populate() {
  TZTLTagVorbisCommentsFieldMap::Populate();
  Remove("replaygain_album_gain");
  Remove("replaygain_track_gain");
}

const TZTLTagFieldMap* TZTLTagOpusFieldMap::Instance() {
  static const std::unique_ptr<TZTLTagOpusFieldMap> map = [] {
    RegisterTagProperties();
    return TZTLTagFieldMap::CreatePopulated<TZTLTagOpusFieldMap>(TZTLTag::StaticClass());
  }();
  return map.get();
}

// ---- track -----------------------------------------------------------------------------------------

Single TZTLOpusTrack::R128ToDecibels(Integer Value) {
  return static_cast<Single>(ToSmallInt(Value) / 256.0 + 5);
}

Integer TZTLOpusTrack::DecibelsToR128(Double Decibels) {
  const Double v = std::clamp((Decibels - 5) * 256, -32768.0, 32767.0);
  return static_cast<Integer>(std::nearbyint(v));  // halves to even
}

TZBLFileInfo* TZTLOpusTrack::CreateFileInfo() { return new TZTLTagOpus(); }

void TZTLOpusTrack::Reset() {
  TZBLOggTrack::Reset();
  FOutputGain = 0;
  FPreSkip = 0;
  FHead = FTags = FAudio = TZTLOpusPageLocation();
}

bool TZTLOpusTrack::ReadHeader(TZBLOggStream& Ogg) {
  if (!Ogg.ReadPage(true, true)) return false;
  const TZBLOggPage& page = Ogg.GetPage();
  // The fields read lie within the 19 bytes every identification header has.
  if (!(page.GetHeaderType() & OggPageFirst) || page.GetDataSize() < HeadMinSize || !BeginsWith(page, HeadSignature))
    return false;
  const Byte* d = page.GetData();
  FFirstPagePosition = page.GetPosition();
  Locate(FHead, page);
  FChannels = d[9];
  FPreSkip = d[10] | d[11] << 8;
  FOutputGain = static_cast<SmallInt>(d[GainOffset] | d[GainOffset + 1] << 8);
  FSampleRate = SampleRate;
  return true;
}

bool TZTLOpusTrack::ProcessPage(TZBLOggStream& Ogg) {
  const TZBLOggPage& page = Ogg.GetPage();
  if (!FTags.Known()) {
    if (BeginsWith(page, TagsSignature)) Locate(FTags, page);
    return true;
  }
  if (page.GetHeaderType() & OggPageContinued) return true;
  Locate(FAudio, page);
  return false;
}

Int64 TZTLOpusTrack::GetAudioSize() { return FEndPosition - FAudio.PagePosition; }

void TZTLOpusTrack::Finish(TZBLOggStream& Ogg) {
  std::unique_ptr<TMemoryStream> packet = Ogg.ReadPacketData(FTags.PagePosition, FAudio.PagePosition);
  packet->SetPosition(static_cast<Int64>(TagsSignature.size()));
  auto* tag = static_cast<TZTLTagOpus*>(GetFileInfo());
  tag->ReadCommentBlock(packet.get());

  AnsiString value;
  if (FOutputGain != 0) {
    tag->SetAlbumGainAsSingle(R128ToDecibels(FOutputGain));
    if (FindCustom(tag, "R128_TRACK_GAIN", value)) tag->SetTrackGainAsSingle(R128ToDecibels(FOutputGain + R128Of(value)));
  } else {
    // R128 values win over ReplayGain texts.
    if (FindCustom(tag, "replaygain_album_gain", value))
      tag->SetAlbumGainAsSingle(static_cast<Single>(TZBLStreamInfoUtils::TextToFloat(UTF8ToString(value))));
    if (FindCustom(tag, "replaygain_track_gain", value))
      tag->SetTrackGainAsSingle(static_cast<Single>(TZBLStreamInfoUtils::TextToFloat(UTF8ToString(value))));
    if (FindCustom(tag, "R128_ALBUM_GAIN", value)) tag->SetAlbumGainAsSingle(R128ToDecibels(R128Of(value)));
    if (FindCustom(tag, "R128_TRACK_GAIN", value)) tag->SetTrackGainAsSingle(R128ToDecibels(R128Of(value)));
  }
  // The pre-skip samples are decoded but never played.
  FGranulePosition = FGranulePosition > FPreSkip ? FGranulePosition - FPreSkip : 0;
  TZBLOggTrack::Finish(Ogg);
}

void TZTLOpusTrack::StoreGainsAsR128(TZBLFileInfo* Info) {
  FOutputGain = 0;
  TZBLFileInfoCustomFields* fields = Info->GetCustomFields();
  for (const char* name : {"R128_ALBUM_GAIN", "R128_TRACK_GAIN"})
    while (fields->IndexOf(name) >= 0) fields->Remove(name);
  if (!Info->GetValue(fitAlbumGain).empty())
    fields->Add("R128_ALBUM_GAIN", std::to_string(DecibelsToR128(Info->GetAlbumGainAsSingle())));
  if (!Info->GetValue(fitTrackGain).empty())
    fields->Add("R128_TRACK_GAIN", std::to_string(DecibelsToR128(Info->GetTrackGainAsSingle())));
}

void TZTLOpusTrack::SaveChangesToHeader(TStream* Stream) {
  TZBLOggStream ogg(Stream);
  Stream->SetPosition(FHead.PagePosition);
  if (!ogg.ReadPage(false, true) || ogg.GetPage().GetDataSize() < HeadMinSize)
    throw EZBLOggError(u"Synchronization Error at %s.%s", {u"TZTLOpusTrack", u"SaveChangesToHeader.1"});
  TZBLOggPage& page = ogg.GetPage();
  Byte* d = page.GetMutableData();
  if (static_cast<SmallInt>(d[GainOffset] | d[GainOffset + 1] << 8) == FOutputGain) return;
  d[GainOffset] = static_cast<Byte>(FOutputGain);
  d[GainOffset + 1] = static_cast<Byte>(static_cast<Word>(FOutputGain) >> 8);
  std::unique_ptr<TMemoryStream> bytes = page.BuildPage();
  if (bytes->GetSize() != FHead.PageLength)
    throw EZBLOggError(u"Synchronization Error at %s.%s", {u"TZTLOpusTrack", u"SaveChangesToHeader.2"});
  page.WritePage(Stream, FHead.PagePosition);
}

bool TZTLOpusTrack::SaveTags(TStream* Stream, TZTLTagOpus* Info) {
  // The head page stands at 0, so only the later two can be unknown.
  if (!FTags.Known() || !FAudio.Known()) return false;
  StoreGainsAsR128(Info);
  SaveChangesToHeader(Stream);
  std::unique_ptr<TMemoryStream> packet = BuildCommentPacket(Info, TagsSignature);
  TZBLOggStream ogg(Stream);
  ogg.ReplaceData(FTags.PagePosition, FAudio.PagePosition, packet.get());
  return true;
}

// ---- container -------------------------------------------------------------------------------------

TZTLTagsContainerOpus::TZTLTagsContainerOpus() { FTag = AddTag<TZTLTagOpus>(); }

bool TZTLTagsContainerOpus::DoLoad(TStream* Stream) {
  TZTLOpusTrack track;
  if (!track.LoadTrack(Stream, 0)) return false;
  FTag->Assign(track.GetFileInfo());
  FStreamInfo = FTag->GetStreamInfo();
  GetChapters()->Assign(track.GetChapters());
  return true;
}

bool TZTLTagsContainerOpus::DoSave(TStream* Stream) {
  TZTLOpusTrack track;
  if (!track.LoadTrack(Stream, 0)) return false;
  TZBLOggChapters::SaveChapters(FTag, GetChapters());
  return track.SaveTags(Stream, FTag);
}

void detail::ZTLOpusInitialization() { GetTagsManager()->Register(TZTLTagsContainerOpus::StaticClass()); }
