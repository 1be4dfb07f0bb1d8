#pragma once
// zlib (RFC 1950) compression: streams that compress into or decompress from another stream,
// and one-shot routines on byte arrays.
//
//   TZCompressionStream* packer = new TZCompressionStream(target, zcMax);
//   packer->WriteBuffer(data, size);
//   packer->Finish();        // raises on failure; freeing an unfinished stream finishes it
//   Free(packer);
//
// zlib failures raise EZCompressionError / EZDecompressionError with zlib's text for the code
// ("data error", "buffer error", ...). Damaged or truncated data always raises.

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Streams.h"

struct z_stream_s;

RTL_EXCEPTION(EZLibError, Exception);
RTL_EXCEPTION(EZCompressionError, EZLibError);
RTL_EXCEPTION(EZDecompressionError, EZLibError);

// zlib levels 0, 1, zlib's default (6) and 9.
enum TZCompressionLevel : Byte { zcNone, zcFastest, zcDefault, zcMax };

// zlib's text for a return code ("data error" for Z_DATA_ERROR).
String ZLibErrorMessage(Integer Code);
// Raise EZCompressionError / EZDecompressionError with zlib's text when Code is negative
// (an error); return Code otherwise. For code that calls zlib itself.
Integer ZCompressCheck(Integer Code);
Integer ZDecompressCheck(Integer Code);
// The same, with Z_BUF_ERROR (no progress possible) accepted as well.
Integer ZCompressCheckWithoutBufferError(Integer Code);
Integer ZDecompressCheckWithoutBufferError(Integer Code);
// The zlib level of a TZCompressionLevel.
Integer ZLevel(TZCompressionLevel Level);

TBytes ZCompress(const void* Data, size_t Size, TZCompressionLevel Level = zcDefault);
TBytes ZCompress(const TBytes& Data, TZCompressionLevel Level = zcDefault);
// With a zlib level (0..9, -1 for zlib's default); another level raises "stream error".
TBytes ZCompress(const void* Data, size_t Size, Integer ZLibLevel);
// Inflates one zlib stream; bytes after its end are ignored. OutEstimate sizes the first buffer.
TBytes ZDecompress(const void* Data, size_t Size, size_t OutEstimate = 0);
TBytes ZDecompress(const TBytes& Data, size_t OutEstimate = 0);

// Writes compressed data to Dest (from Dest's position). Write-only: Read raises, Seek only
// reports the uncompressed bytes written (Seek(0, soCurrent)).
class TZCompressionStream : public TStream {
  ZCL_CLASS(TZCompressionStream, TStream)
 public:
  explicit TZCompressionStream(TStream* Dest, TZCompressionLevel Level = zcDefault);
  TZCompressionStream(TZCompressionLevel Level, TStream* Dest) : TZCompressionStream(Dest, Level) {}
  // A zlib level: 0 (stored) to 9 (smallest), or -1 for zlib's default.
  TZCompressionStream(TStream* Dest, Integer ZLibLevel);
  // Finishes the stream when Finish was not called; errors are lost then.
  ~TZCompressionStream() override;

  using TStream::Read;
  using TStream::Write;
  Integer Read(void* Buffer, Integer Count) override;
  Integer Write(const void* Buffer, Integer Count) override;
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
  // Compresses what is pending and writes the end of the zlib stream. Writing afterwards raises.
  void Finish();
  // Compressed bytes per 100 uncompressed so far, as a percentage saved.
  Single GetCompressionRate() const;

 private:
  void FlushOutput();
  TStream* FDest;
  z_stream_s* FZStream;
  bool FFinished = false;
  Byte FBuffer[0x10000];
};

// Reads decompressed data from Source (from Source's position at creation). Read-only; Seek
// moves forward by decompressing and backward by starting over; soEnd decompresses to the end.
// When the zlib stream ends, Source is left just after it.
class TZDecompressionStream : public TStream {
  ZCL_CLASS(TZDecompressionStream, TStream)
 public:
  explicit TZDecompressionStream(TStream* Source, bool OwnsStream = false);
  ~TZDecompressionStream() override;

  using TStream::Read;
  using TStream::Write;
  Integer Read(void* Buffer, Integer Count) override;
  Integer Write(const void* Buffer, Integer Count) override;
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;

 private:
  void Restart();
  void Inflate();
  TStream* FSource;
  bool FOwnsStream;
  Int64 FSourceStart;
  Int64 FPosition = 0;
  bool FEnded = false;
  z_stream_s* FZStream;
  Byte FBuffer[0x10000];
};
