#include "zeph/media/ZTL.Ogg.Pages.h"

#include <algorithm>
#include <cstring>

#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.Hashes.h"
#include "zcl/base/ZCL.Utils.Stream.h"
#include "zeph/media/ZBL.AudioTypes.h"
#include "zeph/media/ZBL.FileInfo.h"
#include "zeph/media/ZTL.Ogg.Chapters.h"

namespace {
constexpr Int64 ResyncRange = 65535;
constexpr Int64 LastPageRange = 131070;
}  // namespace

// ---- page ------------------------------------------------------------------------------------------

TZBLOggPage::TZBLOggPage() : FData(new Byte[MaxBody]) {}

Int64 TZBLOggPage::GetGranulePosition() const {
  const UInt64 v = static_cast<UInt64>(LE32(FHeader + 6)) | static_cast<UInt64>(LE32(FHeader + 10)) << 32;
  return static_cast<Int64>(v);
}

void TZBLOggPage::SetGranulePosition(Int64 Value) {
  PutLE32(FHeader + 6, static_cast<Cardinal>(static_cast<UInt64>(Value)));
  PutLE32(FHeader + 10, static_cast<Cardinal>(static_cast<UInt64>(Value) >> 32));
}

bool TZBLOggPage::ReadPageHeader(TStream* Stream) {
  FDataSize = 0;
  std::memset(FHeader, 0, sizeof FHeader);
  std::memset(FSegments, 0, sizeof FSegments);
  FPosition = Stream->GetPosition();
  if (Stream->Read(FHeader, HeaderSize) != HeaderSize) return false;
  // A lacing table cut short by the end of the file leaves no page.
  const bool whole = Stream->Read(FSegments, FHeader[26]) == FHeader[26];
  for (Integer i = 0; i < FHeader[26]; ++i) FDataSize += FSegments[i];
  return whole && std::memcmp(FHeader, "OggS", 4) == 0;
}

void TZBLOggPage::ReadBody(TStream* Stream) {
  Stream->SetPosition(GetDataStart());
  Stream->ReadBuffer(FData.get(), FDataSize);
}

bool TZBLOggPage::FillPage(TStream* Source, Cardinal Sequence, bool Continued, bool MayTerminate) {
  const Int64 left = Source->GetSize() - Source->GetPosition();
  const Integer n = static_cast<Integer>(std::clamp<Int64>(left, 0, FillSize));
  if (n == 0) return false;
  Source->ReadBuffer(FData.get(), n);
  FDataSize = n;
  Integer count = 0;
  for (Integer rest = n; rest > 0; rest -= std::min(rest, 255)) {
    if (count >= 253) throw EZBLOggError(u"OggPage: too much data");
    FSegments[count++] = static_cast<Byte>(std::min(rest, 255));
  }
  if (MayTerminate && Source->GetPosition() >= Source->GetSize() && FSegments[count - 1] == 255) FSegments[count++] = 0;
  std::fill(FSegments + count, FSegments + 255, 0);
  std::memcpy(FHeader, "OggS", 4);
  FHeader[5] = Continued ? OggPageContinued : 0;
  SetSequenceNumber(Sequence);
  FHeader[26] = static_cast<Byte>(count);
  // A page on which no packet ends has no granule position of its own.
  if (!EndsPacket()) SetGranulePosition(-1);
  return true;
}

std::unique_ptr<TMemoryStream> TZBLOggPage::BuildPage() {
  PutLE32(FHeader + 22, 0);
  auto page = std::make_unique<TMemoryStream>();
  page->WriteBuffer(FHeader, HeaderSize);
  page->WriteBuffer(FSegments, GetSegmentCount());
  page->WriteBuffer(FData.get(), FDataSize);
  TZCLHashState state;
  TZCLHashCRC32::Initialize(state);
  TZCLHashCRC32::Update(state, page->GetMemory(), static_cast<Integer>(page->GetSize()));
  PutLE32(FHeader + 22, static_cast<Cardinal>(TZCLHashCRC32::Finalize(state).AsInt64()));
  page->SetPosition(0);
  page->WriteBuffer(FHeader, HeaderSize);
  page->SetPosition(0);
  return page;
}

void TZBLOggPage::WritePage(TStream* Target, Int64 Position) {
  std::unique_ptr<TMemoryStream> page = BuildPage();
  if (Position >= 0) Target->SetPosition(Position);
  Target->WriteBuffer(page->GetMemory(), page->GetSize());
}

// ---- stream ----------------------------------------------------------------------------------------

TZBLOggStream::TZBLOggStream(TStream* Stream) : FStream(Stream), FStreamSize(Stream->GetSize()) {}

bool TZBLOggStream::ReadPage(bool Resync, bool ReadData) {
  bool ok = FPage.ReadPageHeader(FStream);
  if (!ok && Resync && FPage.GetPosition() < FStreamSize) {
    FStream->SetPosition(FPage.GetPosition() + 1);
    AnsiString found;
    const Int64 at = StreamFind(FStream, {AnsiString("OggS")}, found, ResyncRange);
    if (at >= 0 && at <= FPage.GetPosition() + 1 + ResyncRange) {
      FStream->SetPosition(at);
      ok = FPage.ReadPageHeader(FStream);
    }
  }
  if (!ok) return false;
  if (FPage.GetHeaderType() & OggPageFirst) FLastSerial = FPage.GetSerialNumber();
  if (ReadData) FPage.ReadBody(FStream);
  FStream->SetPosition(FPage.GetPageEnd());
  return true;
}

std::unique_ptr<TMemoryStream> TZBLOggStream::ReadPacketData(Int64 FirstPage, Int64 EndPosition) {
  auto data = std::make_unique<TMemoryStream>();
  FStream->SetPosition(FirstPage);
  if (!ReadPage(false, true)) return data;
  const Cardinal serial = FPage.GetSerialNumber();
  for (;;) {
    if (FPage.GetPosition() >= EndPosition) break;
    if (FPage.GetSerialNumber() == serial) {
      const Int64 take = std::clamp<Int64>(EndPosition - FPage.GetDataStart(), 0, FPage.GetDataSize());
      data->WriteBuffer(FPage.GetData(), take);
    }
    if (FPage.GetPageEnd() >= EndPosition || !ReadPage(true, true)) break;
  }
  return data;
}

void TZBLOggStream::SeekToLastPage(Cardinal Serial) {
  const Int64 back = FStream->GetPosition();
  // The last page of the stream's serial number from From on, -1 for none.
  auto scan = [&](Int64 From) {
    Int64 last = -1;
    FStream->SetPosition(From);
    while (ReadPage(true, false)) {
      if (FPage.GetSerialNumber() != Serial) continue;
      last = FPage.GetPosition();
      if (FPage.GetHeaderType() & OggPageLast) break;
    }
    return last;
  };
  Int64 last = scan(std::max<Int64>(back, FStreamSize - LastPageRange));
  if (last < 0) last = scan(back);
  FStream->SetPosition(last >= 0 ? last : back);
  if (last < 0 || !ReadPage(false, false)) FStream->SetPosition(back);
}

void TZBLOggStream::ReplaceData(Int64 Start, Int64 Finish, TStream* FirstData, TStream* SecondData,
                                bool KeepSecondEnd) {
  FStream->SetPosition(Start);
  if (!ReadPage(false, false))
    throw EZBLOggError(u"Synchronization Error at %s.%s", {u"TZBLOggStream", u"ReplaceData"});
  const Cardinal serial = FPage.GetSerialNumber();
  Cardinal sequence = FPage.GetSequenceNumber();
  const Int64 granule = FPage.GetGranulePosition();

  // Pages of other logical streams inside the range keep their bytes.
  TMemoryStream others;
  while (FPage.GetPageEnd() < Finish && ReadPage(true, false) && FPage.GetPosition() < Finish) {
    if (FPage.GetSerialNumber() != serial)
      StreamCopyRange(&others, FStream, FPage.GetPosition(), FPage.GetPageEnd() - FPage.GetPosition());
    FStream->SetPosition(FPage.GetPageEnd());
  }

  // Re-read the first page so that the new pages take its version, granule and serial number.
  FStream->SetPosition(Start);
  ReadPage(false, false);
  TMemoryStream buffer;
  auto pageOut = [&](TStream* Source, bool Terminate) {
    Source->SetPosition(0);
    for (bool first = true;; first = false) {
      FPage.SetGranulePosition(granule);
      if (!FPage.FillPage(Source, sequence, !first, Terminate)) break;
      FPage.WritePage(&buffer, -1);
      ++sequence;
    }
  };
  pageOut(FirstData, true);
  if (SecondData) pageOut(SecondData, KeepSecondEnd);
  StreamCopyRange(&buffer, &others, 0, others.GetSize());

  // Renumber the following pages of the edited stream until they already fit.
  FStream->SetPosition(Finish);
  while (ReadPage(true, true)) {
    if (FPage.GetSerialNumber() != serial) continue;
    if (FPage.GetSequenceNumber() == sequence) break;
    FPage.SetSequenceNumber(sequence++);
    FPage.WritePage(FStream, FPage.GetPosition());
    if (FPage.GetHeaderType() & OggPageLast) break;
  }
  buffer.SetPosition(0);
  StreamReplaceRange(FStream, &buffer, Start, Finish - Start);
}

// ---- track -----------------------------------------------------------------------------------------

TZBLOggTrack::TZBLOggTrack() = default;
TZBLOggTrack::~TZBLOggTrack() = default;

TZBLFileInfo* TZBLOggTrack::CreateFileInfo() { return new TZBLFileInfo(); }

TZBLFileInfo* TZBLOggTrack::GetFileInfo() {
  if (!FFileInfo) FFileInfo.reset(CreateFileInfo());
  return FFileInfo.get();
}

TZBLChapters* TZBLOggTrack::GetChapters() {
  if (!FChapters) {
    FChapters = std::make_unique<TZBLChapters>();
    TZBLOggChapters::LoadChapters(FChapters.get(), GetFileInfo());
  }
  return FChapters.get();
}

Int64 TZBLOggTrack::GetAudioSize() { return FEndPosition - FFirstPagePosition; }

void TZBLOggTrack::Reset() {
  FChannels = 0;
  FSampleRate = 0;
  FFirstPagePosition = 0;
  FEndPosition = 0;
  FGranulePosition = 0;
  FChapters.reset();
}

void TZBLOggTrack::Finish(TZBLOggStream&) {
  TZBLStreamInfo& info = GetFileInfo()->GetStreamInfo();
  info.Channels = TZBLStreamInfoUtils::MakeChannels(FChannels);
  info.SampleRate = FSampleRate;
  info.StreamSize = std::max<Int64>(0, GetAudioSize());
  if (FSampleRate > 0 && FGranulePosition > 0)
    info.Duration = static_cast<Cardinal>(
        std::min<Double>(static_cast<Double>(FGranulePosition) * 1000 / FSampleRate, 4294967295.0));
  TZBLStreamInfoUtils::CalculateBitrate(info);
}

bool TZBLOggTrack::LoadTrack(TStream* Stream, Int64 Position) {
  Reset();
  GetFileInfo();
  Stream->SetPosition(Position);
  TZBLOggStream ogg(Stream);
  if (!ReadHeader(ogg)) return false;
  FSerial = ogg.GetPage().GetSerialNumber();
  while (ogg.ReadPage(true, true)) {
    const TZBLOggPage& page = ogg.GetPage();
    // Pages of other logical streams of a multiplexed file are not this track's.
    if (page.GetSerialNumber() != FSerial) continue;
    FGranulePosition = page.GetGranulePosition();
    FEndPosition = page.GetPageEnd();
    if (!ProcessPage(ogg)) {
      const Int64 back = Stream->GetPosition();
      ogg.SeekToLastPage(FSerial);
      if (ogg.GetPage().GetSerialNumber() == FSerial) {
        FGranulePosition = ogg.GetPage().GetGranulePosition();
        FEndPosition = ogg.GetPage().GetPageEnd();
      }
      Finish(ogg);
      Stream->SetPosition(back);
      break;
    }
    if (page.GetHeaderType() & OggPageLast) break;
  }
  return true;
}
