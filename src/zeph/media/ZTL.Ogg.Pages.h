#pragma once
// Pages of Ogg files: reading page headers and bodies, collecting packet data of one logical
// stream, and replacing the pages of header packets with re-paged new data in place.

#include <memory>
#include <vector>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Types.h"

class TStream;
class TMemoryStream;

RTL_EXCEPTION(EZBLOggError, Exception);

enum : Byte {
  OggPageContinued = 1,
  OggPageFirst = 2,  // beginning of a logical stream
  OggPageLast = 4,   // end of a logical stream
};

// One page in memory: header and lacing values as in the file, the body, and where it stands.
class TZBLOggPage {
 public:
  static constexpr Integer HeaderSize = 27;
  static constexpr Integer MaxBody = 255 * 255;
  // Bytes FillPage puts on one page.
  static constexpr Integer FillSize = 51000;

  TZBLOggPage();

  // Reads header and lacing values at the stream's position; true for a page that starts with
  // "OggS" and whose lacing values are all there. Short reads leave zeros.
  bool ReadPageHeader(TStream* Stream);
  // Reads the body at the data start; a short read raises EReadError.
  void ReadBody(TStream* Stream);
  // The next body of one packet from Source (up to FillSize bytes); false when Source is empty.
  // With MayTerminate the packet ends on this page once Source is exhausted, also when its
  // length is a multiple of 255. Version, granule position and serial number stay those of the
  // page read last; a page on which no packet ends gets the granule position -1.
  bool FillPage(TStream* Source, Cardinal Sequence, bool Continued, bool MayTerminate);
  // The page's bytes with a fresh CRC, positioned at 0.
  std::unique_ptr<TMemoryStream> BuildPage();
  // At Position, or at the stream's position when it is negative.
  void WritePage(TStream* Target, Int64 Position);

  Byte GetHeaderType() const { return FHeader[5]; }
  Int64 GetGranulePosition() const;
  void SetGranulePosition(Int64 Value);
  Cardinal GetSerialNumber() const { return LE32(FHeader + 14); }
  Cardinal GetSequenceNumber() const { return LE32(FHeader + 18); }
  void SetSequenceNumber(Cardinal Value) { PutLE32(FHeader + 18, Value); }
  Cardinal GetChecksum() const { return LE32(FHeader + 22); }
  Integer GetSegmentCount() const { return FHeader[26]; }
  const Byte* GetSegmentTable() const { return FSegments; }
  Integer GetDataSize() const { return FDataSize; }
  const Byte* GetData() const { return FData.get(); }
  // The body for patching in place before BuildPage; its size stays.
  Byte* GetMutableData() { return FData.get(); }
  Int64 GetPosition() const { return FPosition; }
  Int64 GetDataStart() const { return FPosition + HeaderSize + GetSegmentCount(); }
  Int64 GetPageEnd() const { return GetDataStart() + FDataSize; }
  // True when the last lacing value ends a packet (it is below 255).
  bool EndsPacket() const { return GetSegmentCount() > 0 && FSegments[GetSegmentCount() - 1] < 255; }

  static Cardinal LE32(const Byte* P) {
    return static_cast<Cardinal>(P[0]) | static_cast<Cardinal>(P[1]) << 8 | static_cast<Cardinal>(P[2]) << 16 |
           static_cast<Cardinal>(P[3]) << 24;
  }
  static void PutLE32(Byte* P, Cardinal V) {
    for (int i = 0; i < 4; ++i) P[i] = static_cast<Byte>(V >> (8 * i));
  }

 private:
  std::unique_ptr<Byte[]> FData;
  Integer FDataSize = 0;
  Byte FHeader[HeaderSize] = {};
  Byte FSegments[255] = {};
  Int64 FPosition = 0;
};

// Reads pages of a file stream it does not own.
class TZBLOggStream {
 public:
  explicit TZBLOggStream(TStream* Stream);

  // The page at the stream's position; with Resync damaged bytes up to 65,535 are skipped to
  // the next "OggS". With ReadData the body is read. The stream is left at the page end.
  bool ReadPage(bool Resync, bool ReadData);
  // The bodies of the pages of FirstPage's logical stream from FirstPage up to EndPosition (the
  // page holding it cut there); pages of other streams are passed over. Left at its end.
  std::unique_ptr<TMemoryStream> ReadPacketData(Int64 FirstPage, Int64 EndPosition);
  // Makes the last page of the logical stream Serial (from the stream's position on) the current
  // page; the position is kept when there is none.
  void SeekToLastPage(Cardinal Serial);
  // Replaces the pages from Start to Finish by the pages of FirstData (ending its packet) and
  // SecondData (ending its packet only when KeepSecondEnd says it did), renumbers the following
  // pages of the same logical stream and moves the rest of the file. Pages of other logical
  // streams keep their bytes: those inside the range are written after the new pages.
  void ReplaceData(Int64 Start, Int64 Finish, TStream* FirstData, TStream* SecondData = nullptr,
                   bool KeepSecondEnd = false);

  TZBLOggPage& GetPage() { return FPage; }
  Cardinal GetLastSerial() const { return FLastSerial; }

 private:
  TZBLOggPage FPage;
  TStream* FStream;
  Cardinal FLastSerial = 0;
  Int64 FStreamSize;
};

class TZBLChapters;
class TZBLFileInfo;

// The walk over the pages of one logical stream (the one of its first page): the codec reads
// its headers from the pages, then duration and bitrate come from the last page.
class TZBLOggTrack {
 public:
  TZBLOggTrack();
  virtual ~TZBLOggTrack();

  // Reads from Position; false when the stream is not of the track's codec.
  bool LoadTrack(TStream* Stream, Int64 Position);
  // The chapters of the record's comments, created on first use.
  TZBLChapters* GetChapters();
  // The record the track fills, created on first use.
  TZBLFileInfo* GetFileInfo();

 protected:
  // Each page of the track after the first, its body read; false once the headers are complete.
  virtual bool ProcessPage(TZBLOggStream& Ogg) = 0;
  virtual TZBLFileInfo* CreateFileInfo();
  virtual Int64 GetAudioSize();
  // Reads the first page and checks the codec's signature.
  virtual bool ReadHeader(TZBLOggStream& Ogg) = 0;
  // Fills the record's stream information.
  virtual void Finish(TZBLOggStream& Ogg);
  virtual void Reset();

  Integer FChannels = 0;
  Cardinal FSampleRate = 0;
  Int64 FGranulePosition = 0;
  Int64 FEndPosition = 0;
  Int64 FFirstPagePosition = 0;
  Cardinal FSerial = 0;

 private:
  std::unique_ptr<TZBLChapters> FChapters;
  std::unique_ptr<TZBLFileInfo> FFileInfo;
};
