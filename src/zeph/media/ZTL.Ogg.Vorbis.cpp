#include "zeph/media/ZTL.Ogg.Vorbis.h"

#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zeph/media/ZTL.Ogg.Chapters.h"
#include "zeph/media/ZTL.Tags.VorbisComments.h"

namespace {

const std::string_view IdentificationSignature("\x01vorbis", 7);
const std::string_view CommentSignature("\x03vorbis", 7);
const std::string_view SetupSignature("\x05vorbis", 7);
constexpr Integer SignatureSize = 7;

void Locate(TZTLOggPacketLocation& Location, const TZBLOggPage& Page, Integer Offset) {
  Location.Sequence = Page.GetSequenceNumber();
  Location.PagePosition = Page.GetPosition();
  Location.DataStart = Page.GetDataStart();
  Location.PageLength = static_cast<Cardinal>(Page.GetPageEnd() - Page.GetPosition());
  Location.PacketPosition = Page.GetDataStart() + Offset;
}

}  // namespace

TZBLFileInfo* TZTLOggVorbisTrack::CreateFileInfo() { return new TZTLTagVorbisComments(); }

void TZTLOggVorbisTrack::Reset() {
  TZBLOggTrack::Reset();
  FIdentification = FComment = FSetup = TZTLOggPacketLocation();
}

bool TZTLOggVorbisTrack::ReadHeader(TZBLOggStream& Ogg) {
  if (!Ogg.ReadPage(false, true)) return false;
  const TZBLOggPage& page = Ogg.GetPage();
  // The fields read lie within the first 16 bytes of the packet.
  if (!(page.GetHeaderType() & OggPageFirst) || page.GetDataSize() < 16 ||
      std::string_view(reinterpret_cast<const char*>(page.GetData()), SignatureSize) != IdentificationSignature)
    return false;
  FFirstPagePosition = page.GetPosition();
  FChannels = page.GetData()[11];
  FSampleRate = TZBLOggPage::LE32(page.GetData() + 12);
  Locate(FIdentification, page, 0);
  return true;
}

bool TZTLOggVorbisTrack::ProcessPage(TZBLOggStream& Ogg) {
  const TZBLOggPage& page = Ogg.GetPage();
  Integer from = 0, at = 0;
  if (!FComment.Known()) {
    if (zcFindAnsiString(CommentSignature, page.GetData(), page.GetDataSize(), 0, at)) {
      Locate(FComment, page, at);
      from = at + SignatureSize;
    }
  }
  if (FComment.Known() && !FSetup.Known() &&
      zcFindAnsiString(SetupSignature, page.GetData(), page.GetDataSize(), from, at)) {
    Locate(FSetup, page, at);
    return false;
  }
  return true;
}

Int64 TZTLOggVorbisTrack::GetAudioSize() { return FEndPosition - FSetup.PacketPosition; }

void TZTLOggVorbisTrack::Finish(TZBLOggStream& Ogg) {
  std::unique_ptr<TMemoryStream> packet = Ogg.ReadPacketData(FComment.PagePosition, FSetup.PacketPosition);
  // The comment packet may start inside its page's body.
  packet->SetPosition(FComment.PacketPosition - FComment.DataStart + SignatureSize);
  auto* tag = static_cast<TZTLTagVorbisComments*>(GetFileInfo());
  tag->ReadCommentBlock(packet.get());
  TZBLOggTrack::Finish(Ogg);
}

bool TZTLOggVorbisTrack::SaveTags(TStream* Stream, TZTLTagVorbisComments* Info) {
  if (!FComment.Known() || !FSetup.Known()) return false;
  TZBLOggStream ogg(Stream);
  Int64 finish = FSetup.PagePosition;
  std::unique_ptr<TMemoryStream> second;
  bool secondEnds = false;
  if (FSetup.PacketPosition > FSetup.DataStart) {
    Stream->SetPosition(FSetup.PagePosition);
    if (!ogg.ReadPage(true, true)) return false;
    const TZBLOggPage& page = ogg.GetPage();
    const Int64 offset = FSetup.PacketPosition - page.GetDataStart();
    if (offset < 0 || offset > page.GetDataSize()) return false;
    second = std::make_unique<TMemoryStream>();
    second->WriteBuffer(page.GetData() + offset, page.GetDataSize() - offset);
    // The setup packet keeps ending on its page when it did, whatever its length.
    secondEnds = page.EndsPacket();
    // The next page of the same logical stream ends the range.
    Stream->SetPosition(page.GetPageEnd());
    bool found = false;
    while (ogg.ReadPage(true, false)) {
      if (ogg.GetPage().GetSerialNumber() == FSerial) {
        found = true;
        break;
      }
    }
    if (!found) return false;
    finish = ogg.GetPage().GetPosition();
  }
  std::unique_ptr<TMemoryStream> packet = BuildCommentPacket(Info, CommentSignature);
  ogg.ReplaceData(FComment.PagePosition, finish, packet.get(), second.get(), secondEnds);
  return true;
}

// ---- container -------------------------------------------------------------------------------------

TZTLTagsContainerOggVorbis::TZTLTagsContainerOggVorbis() { FTag = AddTag<TZTLTagVorbisComments>(); }

bool TZTLTagsContainerOggVorbis::DoLoad(TStream* Stream) {
  TZTLOggVorbisTrack track;
  if (!track.LoadTrack(Stream, Stream->GetPosition())) return false;
  FTag->Assign(track.GetFileInfo());
  FStreamInfo = FTag->GetStreamInfo();
  GetChapters()->Assign(track.GetChapters());
  return true;
}

bool TZTLTagsContainerOggVorbis::DoSave(TStream* Stream) {
  TZBLOggChapters::SaveChapters(FTag, GetChapters());
  TZTLOggVorbisTrack track;
  return track.LoadTrack(Stream, Stream->GetPosition()) && track.SaveTags(Stream, FTag);
}

void detail::ZTLOggVorbisInitialization() { GetTagsManager()->Register(TZTLTagsContainerOggVorbis::StaticClass()); }
