#include "rtl/RTL.ZLib.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace {
[[noreturn]] void RaiseCompression(int Code) { throw EZCompressionError(ZLibErrorMessage(Code)); }
[[noreturn]] void RaiseDecompression(int Code) { throw EZDecompressionError(ZLibErrorMessage(Code)); }

// zlib counts in 32-bit units: feed big buffers in pieces.
constexpr size_t MaxChunk = 0x40000000;
}  // namespace

String ZLibErrorMessage(Integer Code) { return AsciiToString(zError(Code)); }

Integer ZCompressCheck(Integer Code) {
  if (Code < 0) RaiseCompression(Code);
  return Code;
}

Integer ZDecompressCheck(Integer Code) {
  if (Code < 0) RaiseDecompression(Code);
  return Code;
}

Integer ZCompressCheckWithoutBufferError(Integer Code) {
  if (Code < 0 && Code != Z_BUF_ERROR) RaiseCompression(Code);
  return Code;
}

Integer ZDecompressCheckWithoutBufferError(Integer Code) {
  if (Code < 0 && Code != Z_BUF_ERROR) RaiseDecompression(Code);
  return Code;
}

Integer ZLevel(TZCompressionLevel Level) {
  switch (Level) {
    case zcNone:
      return Z_NO_COMPRESSION;
    case zcFastest:
      return Z_BEST_SPEED;
    case zcMax:
      return Z_BEST_COMPRESSION;
    default:
      return Z_DEFAULT_COMPRESSION;
  }
}

// =============================================================================================
// One-shot

namespace {

// zlib counts in 32 bits: hands it the next piece of input once it has used the last one, and
// room for output after the Done bytes already made (growing Out when full). Returns that room.
uInt NextPieces(z_stream& Zs, const Byte*& In, size_t& InLeft, TBytes& Out, size_t Done) {
  if (Zs.avail_in == 0 && InLeft > 0) {
    const size_t n = std::min(InLeft, MaxChunk);
    Zs.next_in = const_cast<Bytef*>(In);
    Zs.avail_in = static_cast<uInt>(n);
    In += n;
    InLeft -= n;
  }
  if (Done == Out.size()) Out.resize(Out.size() + Out.size() / 2);
  Zs.next_out = Out.data() + Done;
  Zs.avail_out = static_cast<uInt>(std::min(Out.size() - Done, MaxChunk));
  return Zs.avail_out;
}

}  // namespace

TBytes ZCompress(const void* Data, size_t Size, TZCompressionLevel Level) {
  return ZCompress(Data, Size, ZLevel(Level));
}

TBytes ZCompress(const void* Data, size_t Size, Integer ZLibLevel) {
  z_stream zs{};
  ZCompressCheck(deflateInit(&zs, ZLibLevel));
  TBytes out(std::max<size_t>(64, deflateBound(&zs, static_cast<uLong>(std::min(Size, MaxChunk)))));
  const auto* in = static_cast<const Byte*>(Data);
  size_t inLeft = Size;
  size_t done = 0;
  int code = Z_OK;
  try {
    do {
      const uInt before = NextPieces(zs, in, inLeft, out, done);
      code = deflate(&zs, inLeft == 0 ? Z_FINISH : Z_NO_FLUSH);
      ZCompressCheckWithoutBufferError(code);
      done += before - zs.avail_out;
    } while (code != Z_STREAM_END);
  } catch (...) {
    deflateEnd(&zs);
    throw;
  }
  deflateEnd(&zs);
  out.resize(done);
  return out;
}

TBytes ZCompress(const TBytes& Data, TZCompressionLevel Level) { return ZCompress(Data.data(), Data.size(), Level); }

TBytes ZDecompress(const void* Data, size_t Size, size_t OutEstimate) {
  z_stream zs{};
  ZDecompressCheck(inflateInit(&zs));
  TBytes out(std::max<size_t>(OutEstimate ? OutEstimate : Size * 2, 256));
  const auto* in = static_cast<const Byte*>(Data);
  size_t inLeft = Size;
  size_t done = 0;
  int code = Z_OK;
  try {
    for (;;) {
      const uInt before = NextPieces(zs, in, inLeft, out, done);
      code = inflate(&zs, Z_NO_FLUSH);
      done += before - zs.avail_out;
      if (code == Z_STREAM_END) break;
      if (code == Z_NEED_DICT) RaiseDecompression(Z_DATA_ERROR);
      ZDecompressCheckWithoutBufferError(code);
      // No progress with all input used: the data ends before the zlib stream does.
      if (zs.avail_in == 0 && inLeft == 0 && zs.avail_out != 0) RaiseDecompression(Z_BUF_ERROR);
    }
  } catch (...) {
    inflateEnd(&zs);
    throw;
  }
  inflateEnd(&zs);
  out.resize(done);
  return out;
}

TBytes ZDecompress(const TBytes& Data, size_t OutEstimate) {
  return ZDecompress(Data.data(), Data.size(), OutEstimate);
}

// =============================================================================================
// TZCompressionStream

TZCompressionStream::TZCompressionStream(TStream* Dest, TZCompressionLevel Level)
    : TZCompressionStream(Dest, ZLevel(Level)) {}

TZCompressionStream::TZCompressionStream(TStream* Dest, Integer ZLibLevel) : FDest(Dest), FZStream(new z_stream{}) {
  if (!Dest) {
    delete FZStream;
    throw EArgumentNilException(u"Dest is nil");
  }
  const int code = deflateInit(FZStream, ZLibLevel);
  if (code != Z_OK) {
    delete FZStream;
    RaiseCompression(code);
  }
  FZStream->next_out = FBuffer;
  FZStream->avail_out = sizeof(FBuffer);
}

TZCompressionStream::~TZCompressionStream() {
  try {
    Finish();
  } catch (...) {
    // Destructors never throw; callers that must know call Finish first.
  }
  deflateEnd(FZStream);
  delete FZStream;
}

void TZCompressionStream::FlushOutput() {
  const size_t n = sizeof(FBuffer) - FZStream->avail_out;
  if (n > 0) FDest->WriteBuffer(FBuffer, static_cast<Int64>(n));
  FZStream->next_out = FBuffer;
  FZStream->avail_out = sizeof(FBuffer);
}

Integer TZCompressionStream::Write(const void* Buffer, Integer Count) {
  if (FFinished) throw EZCompressionError(u"Invalid stream operation");
  if (Count <= 0) return 0;
  FZStream->next_in = static_cast<Bytef*>(const_cast<void*>(Buffer));
  FZStream->avail_in = static_cast<uInt>(Count);
  while (FZStream->avail_in > 0) {
    ZCompressCheckWithoutBufferError(deflate(FZStream, Z_NO_FLUSH));
    if (FZStream->avail_out == 0) FlushOutput();
  }
  FZStream->next_in = nullptr;
  return Count;
}

void TZCompressionStream::Finish() {
  if (FFinished) return;
  FFinished = true;
  int code;
  do {
    code = ZCompressCheckWithoutBufferError(deflate(FZStream, Z_FINISH));
    FlushOutput();
  } while (code != Z_STREAM_END);
}

Integer TZCompressionStream::Read(void* /*Buffer*/, Integer /*Count*/) {
  throw EZCompressionError(u"Invalid stream operation");
}

Int64 TZCompressionStream::Seek(Int64 Offset, TSeekOrigin Origin) {
  if (Offset == 0 && Origin == soCurrent) return static_cast<Int64>(FZStream->total_in);
  throw EZCompressionError(u"Invalid stream operation");
}

Single TZCompressionStream::GetCompressionRate() const {
  if (FZStream->total_in == 0) return 0;
  return static_cast<Single>((1.0 - double(FZStream->total_out) / double(FZStream->total_in)) * 100.0);
}

// =============================================================================================
// TZDecompressionStream

TZDecompressionStream::TZDecompressionStream(TStream* Source, bool OwnsStream)
    : FSource(Source), FOwnsStream(OwnsStream), FZStream(new z_stream{}) {
  if (!Source) {
    delete FZStream;
    throw EArgumentNilException(u"Source is nil");
  }
  FSourceStart = Source->GetPosition();
  const int code = inflateInit(FZStream);
  if (code != Z_OK) {
    delete FZStream;
    RaiseDecompression(code);
  }
}

TZDecompressionStream::~TZDecompressionStream() {
  inflateEnd(FZStream);
  delete FZStream;
  if (FOwnsStream) Free(FSource);
}

Integer TZDecompressionStream::Read(void* Buffer, Integer Count) {
  if (Count <= 0 || FEnded) return 0;
  const uLong before = FZStream->total_out;
  FZStream->next_out = static_cast<Bytef*>(Buffer);
  FZStream->avail_out = static_cast<uInt>(Count);
  while (FZStream->avail_out > 0 && !FEnded) {
    if (FZStream->avail_in == 0) {
      const Integer got = FSource->Read(FBuffer, sizeof(FBuffer));
      // The source ends before the zlib stream does.
      if (got == 0) RaiseDecompression(Z_BUF_ERROR);
      FZStream->next_in = FBuffer;
      FZStream->avail_in = static_cast<uInt>(got);
    }
    Inflate();
  }
  // A reader that asks for exactly the uncompressed size stops before the stream's check value:
  // take it from the bytes at hand, so that the source is left after the stream then as well.
  if (!FEnded && FZStream->avail_in > 0) {
    Byte none = 0;
    FZStream->next_out = &none;
    FZStream->avail_out = 0;
    Inflate();
  }
  FZStream->next_out = nullptr;
  FZStream->avail_out = 0;
  const auto produced = static_cast<Integer>(FZStream->total_out - before);
  FPosition += produced;
  return produced;
}

void TZDecompressionStream::Inflate() {
  const int code = inflate(FZStream, Z_NO_FLUSH);
  if (code == Z_STREAM_END) {
    FEnded = true;
    // Leave the source just after the compressed data.
    if (FZStream->avail_in > 0) FSource->Seek(-static_cast<Int64>(FZStream->avail_in), soCurrent);
    FZStream->avail_in = 0;
    return;
  }
  if (code == Z_NEED_DICT) RaiseDecompression(Z_DATA_ERROR);
  ZDecompressCheckWithoutBufferError(code);
}

Integer TZDecompressionStream::Write(const void* /*Buffer*/, Integer /*Count*/) {
  throw EZDecompressionError(u"Invalid stream operation");
}

void TZDecompressionStream::Restart() {
  FSource->SetPosition(FSourceStart);
  ZDecompressCheck(inflateReset(FZStream));
  FZStream->next_in = nullptr;
  FZStream->avail_in = 0;
  FPosition = 0;
  FEnded = false;
}

Int64 TZDecompressionStream::Seek(Int64 Offset, TSeekOrigin Origin) {
  Byte scratch[0x2000];
  Int64 target;
  switch (Origin) {
    case soBeginning:
      target = Offset;
      break;
    case soCurrent:
      target = FPosition + Offset;
      break;
    default:
      while (Read(scratch, sizeof(scratch)) > 0) {
      }
      target = FPosition + Offset;
      break;
  }
  if (target < 0) throw EZDecompressionError(u"Invalid stream operation");
  if (target < FPosition) Restart();
  while (FPosition < target) {
    const Integer n = Read(scratch, static_cast<Integer>(std::min<Int64>(target - FPosition, sizeof(scratch))));
    if (n == 0) break;
  }
  return FPosition;
}
