#include "zse/engine/ZSE.Skins.Utils.h"

#include <zlib.h>

#include <cstring>
#include <vector>

#include "rtl/RTL.ZLib.h"

namespace {
constexpr Cardinal KeyMask = 0x51574658;
constexpr Integer PackBufferSize = 32768;
constexpr Integer UnpackChunkSize = 40960;  // a multiple of 4: chunks never split a scrambled word
constexpr Integer CountBufferSize = 81920;

void ReportProgress(const TZCLProgressEvent& Progress, TStream* Source) {
  if (!Progress) return;
  const Int64 size = Source->GetSize();
  Progress(nullptr, size > 0 ? static_cast<Single>(static_cast<double>(Source->GetPosition()) / size * 100) : 100.0f);
}

// Closes the zlib stream however the scope is left.
struct TDeflateScope {
  z_stream Z{};
  bool Open = false;
  ~TDeflateScope() {
    if (Open) deflateEnd(&Z);
  }
};
struct TInflateScope {
  z_stream Z{};
  bool Open = false;
  ~TInflateScope() {
    if (Open) inflateEnd(&Z);
  }
};

// A stream that asks for a preset dictionary cannot be inflated here: zlib reports that with a
// positive code, which would otherwise look like progress.
Integer Check(Integer Code) { return ZDecompressCheck(Code == Z_NEED_DICT ? Z_DATA_ERROR : Code); }
}  // namespace

void SkinPackageXor(void* Buffer, Integer Count, Cardinal Key) {
  const Cardinal mask = Key ^ KeyMask;
  auto* bytes = static_cast<Byte*>(Buffer);
  for (Integer i = 0; i + 4 <= Count; i += 4) {
    Cardinal word = Cardinal(bytes[i]) | (Cardinal(bytes[i + 1]) << 8) | (Cardinal(bytes[i + 2]) << 16) |
                    (Cardinal(bytes[i + 3]) << 24);
    word ^= mask;
    bytes[i] = Byte(word);
    bytes[i + 1] = Byte(word >> 8);
    bytes[i + 2] = Byte(word >> 16);
    bytes[i + 3] = Byte(word >> 24);
  }
}

void SkinPackagePack(TStream* Source, TStream* Dest, const TZCLProgressEvent& Progress, std::optional<Cardinal> Key) {
  std::vector<Byte> input(PackBufferSize), output(PackBufferSize);
  Integer pending = 0;  // bytes held at the front of the output buffer (a key's partial word)
  TDeflateScope scope;
  Check(deflateInit(&scope.Z, 9));
  scope.Open = true;
  z_stream& z = scope.Z;

  auto flush = [&](bool Final) {
    const Integer filled = PackBufferSize - static_cast<Integer>(z.avail_out);
    Integer count = filled;
    if (Key) {
      count = Final ? filled : filled & ~3;
      SkinPackageXor(output.data(), count & ~3, *Key);
    }
    if (count > 0) Dest->WriteBuffer(output.data(), count);
    pending = filled - count;
    if (pending > 0) std::memmove(output.data(), output.data() + count, static_cast<size_t>(pending));
    z.next_out = output.data() + pending;
    z.avail_out = static_cast<uInt>(PackBufferSize - pending);
  };

  Source->SetPosition(0);
  z.next_out = output.data();
  z.avail_out = PackBufferSize;
  for (;;) {
    const Integer read = Source->Read(input.data(), PackBufferSize);
    if (read <= 0) break;
    ReportProgress(Progress, Source);
    z.next_in = input.data();
    z.avail_in = static_cast<uInt>(read);
    while (z.avail_in > 0 || z.avail_out == 0) {
      ZCompressCheckWithoutBufferError(deflate(&z, Z_NO_FLUSH));
      flush(false);
    }
  }
  for (;;) {
    const Integer result = ZCompressCheckWithoutBufferError(deflate(&z, Z_FINISH));
    const bool room = z.avail_out > 0;
    if (result == Z_STREAM_END && room) break;
    flush(false);
  }
  flush(true);
  scope.Open = false;
  ZCompressCheck(deflateEnd(&z));
}

Int64 SkinPackageGetUnpackedSize(TStream* Source, std::optional<Cardinal> Key) {
  const Int64 start = Source->GetPosition();
  std::vector<Byte> input(UnpackChunkSize), output(CountBufferSize);
  Int64 total = 0;
  try {
    TInflateScope scope;
    Check(inflateInit(&scope.Z));
    scope.Open = true;
    z_stream& z = scope.Z;
    bool ended = false;
    while (!ended) {
      const Integer read = Source->Read(input.data(), UnpackChunkSize);
      if (read <= 0) break;
      if (Key) SkinPackageXor(input.data(), read, *Key);
      z.next_in = input.data();
      z.avail_in = static_cast<uInt>(read);
      for (;;) {
        z.next_out = output.data();
        z.avail_out = CountBufferSize;
        const uInt before = z.avail_in;
        const Integer result = Check(inflate(&z, Z_NO_FLUSH));
        const Integer produced = CountBufferSize - static_cast<Integer>(z.avail_out);
        total += produced;
        if (produced == 0 && z.avail_in == before && result != Z_STREAM_END) Check(Z_DATA_ERROR);
        if (result == Z_STREAM_END) {
          ended = true;
          break;
        }
        if (z.avail_in == 0 && z.avail_out > 0) break;
      }
    }
  } catch (...) {
    Source->SetPosition(start);
    throw;
  }
  Source->SetPosition(start);
  return total;
}

TMemoryStream* SkinPackageUnpack(TStream* Source, const TZCLProgressEvent& Progress, std::optional<Cardinal> Key,
                                 Int64 Size) {
  if (Size <= 0) Size = SkinPackageGetUnpackedSize(Source, Key);
  if (Size > 0x7FFFFFFF) throw EZDecompressionError(u"Unpack Error");
  auto* result = Create<TMemoryStream>();
  try {
    result->SetSize(Size);
    TInflateScope scope;
    Check(inflateInit(&scope.Z));
    scope.Open = true;
    z_stream& z = scope.Z;
    // zlib refuses a null output area: an empty result inflates into a spare byte, which must
    // stay unused.
    Byte spare = 0;
    z.next_out = Size > 0 ? static_cast<Bytef*>(result->GetMemory()) : &spare;
    z.avail_out = Size > 0 ? static_cast<uInt>(Size) : 1;
    std::vector<Byte> input(UnpackChunkSize);
    for (;;) {
      const Integer read = Source->Read(input.data(), UnpackChunkSize);
      if (read <= 0) break;
      ReportProgress(Progress, Source);
      if (Key) SkinPackageXor(input.data(), read, *Key);
      z.next_in = input.data();
      z.avail_in = static_cast<uInt>(read);
      Check(inflate(&z, Z_NO_FLUSH));
    }
    z.next_in = nullptr;
    z.avail_in = 0;
    // A full output area would make zlib report a buffer error even for a finished stream.
    if (z.avail_out == 0) {
      z.next_out = &spare;
      z.avail_out = 1;
    }
    const int finish = inflate(&z, Z_FINISH);
    if (finish != Z_STREAM_END) {
      if (finish < 0 && finish != Z_BUF_ERROR) Check(finish);
      throw EZDecompressionError(u"Unpack Error");
    }
    if (static_cast<Int64>(z.total_out) > Size) Check(Z_BUF_ERROR);
    // A stated size larger than the data keeps only what was inflated.
    result->SetSize(static_cast<Int64>(z.total_out));
    result->SetPosition(0);
  } catch (...) {
    Free(result);
    throw;
  }
  return result;
}

// ---- font names --------------------------------------------------------------------------------

namespace {
Cardinal ReadBE(TStream* Stream, Integer Size) {
  Byte bytes[4];
  Stream->ReadBuffer(bytes, Size);
  Cardinal value = 0;
  for (Integer i = 0; i < Size; ++i) value = (value << 8) | bytes[i];
  return value;
}

void Skip(TStream* Stream, Integer Count) { Stream->Seek(Count, soCurrent); }

bool ReadFontName(TStream* Stream, String& Name) {
  Skip(Stream, 4);
  const Cardinal tableCount = ReadBE(Stream, 2);
  Skip(Stream, 6);
  Int64 tableOffset = -1;
  for (Cardinal i = 0; i < tableCount; ++i) {
    const Cardinal tag = ReadBE(Stream, 4);
    Skip(Stream, 4);
    const Cardinal offset = ReadBE(Stream, 4);
    ReadBE(Stream, 4);
    if (tag == 0x6E616D65) {  // "name"
      tableOffset = offset;
      break;
    }
  }
  if (tableOffset < 0) return false;
  Stream->SetPosition(tableOffset);
  Skip(Stream, 2);
  const Cardinal recordCount = ReadBE(Stream, 2);
  const Cardinal storageOffset = ReadBE(Stream, 2);
  TNameRecord candidate;
  bool found = false;
  for (Cardinal i = 0; i < recordCount; ++i) {
    TNameRecord record;
    record.PlatformID = static_cast<Word>(ReadBE(Stream, 2));
    record.EncodingID = static_cast<Word>(ReadBE(Stream, 2));
    record.LanguageID = static_cast<Word>(ReadBE(Stream, 2));
    record.NameID = static_cast<Word>(ReadBE(Stream, 2));
    record.Length = static_cast<Word>(ReadBE(Stream, 2));
    record.Offset = storageOffset + ReadBE(Stream, 2);
    if (record.NameID == 1 && record.PlatformID == 3) {
      candidate = record;
      found = true;
      if (record.LanguageID == 1033) break;
    }
  }
  if (!found || candidate.EncodingID > 1) return false;
  Stream->SetPosition(tableOffset + candidate.Offset);
  String text(candidate.Length / 2, u'\0');
  for (Char& c : text) c = static_cast<Char>(ReadBE(Stream, 2));
  Name = std::move(text);
  return true;
}
}  // namespace

bool TrueTypeGetFontName(TStream* Stream, String& Name) {
  if (!Stream) return false;
  const Int64 start = Stream->GetPosition();
  bool result = false;
  try {
    String name;
    result = ReadFontName(Stream, name);
    if (result) Name = std::move(name);
  } catch (...) {
    result = false;
  }
  try {
    Stream->SetPosition(start);
  } catch (...) {
  }
  return result;
}
