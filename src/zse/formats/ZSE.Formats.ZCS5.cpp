#include "zse/formats/ZSE.Formats.ZCS5.h"

#include "rtl/RTL.Interfaces.h"
#include "rtl/RTL.ZLib.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/base/ZCL.Crypto.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zse/engine/ZSE.Skins.Utils.h"

namespace {

constexpr Integer KeyLength = 16;

// Reads of a package: a count or size that exceeds what is left fails before any allocation.
void CheckLeft(TStream* Stream, Int64 Count) {
  if (Count < 0 || Count > StreamGetBytesLeft(Stream)) throw EReadError(u"Stream read error");
}

Integer ReadInt(TStream* Stream) {
  Integer value = 0;
  Stream->ReadBuffer(&value, 4);
  return value;
}

Byte ReadByte(TStream* Stream) {
  Byte value = 0;
  Stream->ReadBuffer(&value, 1);
  return value;
}

String ReadText(TStream* Stream) {
  const Word length = StreamReadWord(Stream);
  CheckLeft(Stream, Int64(length) * 2);
  return StreamReadString(Stream, length);
}

void WriteByte(TStream* Stream, Byte Value) { Stream->WriteBuffer(&Value, 1); }

// The scrambling header; returns the XOR stream that reads the body (not owning Stream).
TXORStream* ReadScrambling(TStream* Stream) {
  if (ReadByte(Stream) != 0) RaiseStreamCorrupted();
  const Byte length = ReadByte(Stream);
  if (length == 0) RaiseStreamCorrupted();
  TBytes key(length);
  Stream->ReadBuffer(key.data(), length);
  return Create<TXORStream>(key, Stream, soReference);
}

// The details block: its size, then the record read from a copy of exactly that many bytes.
void ReadDetailsBlock(TStream* Stream, TZSESkinDetails* Details) {
  const Integer size = ReadInt(Stream);
  CheckLeft(Stream, size);
  TMemoryStream* record = StreamReadMemoryStream(Stream, size);
  try {
    Details->SetName(ReadText(record));
    Details->SetAuthor(ReadText(record));
    Details->SetDescription(ReadText(record));
    Details->GetPreview()->SetSize(0, 0);
    if (ReadByte(record) != 0) {
      // The picture runs to the end of the record; one that cannot be decoded stays empty.
      TMemoryStream* picture = StreamReadMemoryStream(record, StreamGetBytesLeft(record));
      try {
        Details->GetPreview()->LoadFromStream(*picture);
      } catch (const Exception&) {
        Details->GetPreview()->SetSize(0, 0);
      }
      Free(picture);
    }
  } catch (...) {
    Free(record);
    throw;
  }
  Free(record);
}

void Report(const TZCLProgressEvent& Progress, Integer Done, Integer Count) {
  if (Progress) Progress(nullptr, static_cast<Single>(static_cast<double>(Done) / Count * 100.0));
}

// Holds a container's stream for the length of a scope.
class TDataLock {
 public:
  explicit TDataLock(IZCLStreamContainer* AData) : FData(AData), FStream(AData->LockStream()) {}
  ~TDataLock() { FData->UnlockStream(); }
  TStream* Stream() const { return FStream; }

 private:
  IZCLStreamContainer* FData;
  TStream* FStream;
};

}  // namespace

// ---- compressed entry ---------------------------------------------------------------------------

TZSEZLibFileData::TZSEZLibFileData(TStream* Stream, Int64 AUnpackedSize, Int64 PackedSize)
    : FUnpackedSize(AUnpackedSize) {
  CheckLeft(Stream, PackedSize);
  FPacked = StreamReadMemoryStream(Stream, PackedSize);
}

TZSEZLibFileData::~TZSEZLibFileData() {
  Free(FUnpacked);
  Free(FPacked);
}

TStream* TZSEZLibFileData::LockStream() {
  Free(FUnpacked);
  FUnpacked = nullptr;
  // Deflate expands at most about 1032 to 1: a larger stated size is damage, not data, and is
  // never allocated.
  if (FUnpackedSize > FPacked->GetSize() * 1032 + 1024) throw EZDecompressionError(u"Unpack Error");
  FPacked->SetPosition(0);
  FUnpacked = SkinPackageUnpack(FPacked, nullptr, std::nullopt, FUnpackedSize);
  FUnpacked->SetPosition(0);
  return FUnpacked;
}

void TZSEZLibFileData::UnlockStream() {
  Free(FUnpacked);
  FUnpacked = nullptr;
}

// ---- format ------------------------------------------------------------------------------------

void TZSESkinFormatZCS5::Load(Self, TStream* Stream, TZSESkin* Skin, const TZCLProgressEvent& Progress) {
  Skin->GetDetails()->SetVersion(TZSESkinVersion(static_cast<Word>(ReadInt(Stream) & 0xFFFF)));
  TXORStream* body = ReadScrambling(Stream);
  try {
    ReadDetailsBlock(body, Skin->GetDetails());
    const Integer count = ReadInt(body);
    // Every entry takes at least its name's length, kind, size and compression bytes.
    CheckLeft(body, Int64(count) * 8);
    TZSESkinFiles* files = Skin->GetFiles();
    for (Integer i = 0; i < count; ++i) {
      const String name = ReadText(body);
      const TZSESkinFileKind kind = ReadByte(body);
      const Integer size = ReadInt(body);
      if (size < 0) throw EReadError(u"Stream read error");
      IPtr<IZCLStreamContainer> data;
      switch (ReadByte(body)) {
        case 0:
          CheckLeft(body, size);
          data = IPtr<IZCLStreamContainer>(Create<TZCLStreamContainer>(body, Int64(size)));
          break;
        case 1: {
          const Integer packed = ReadInt(body);
          data = IPtr<IZCLStreamContainer>(Create<TZSEZLibFileData>(body, Int64(size), Int64(packed)));
          break;
        }
        default:
          RaiseUnsupportedCompression();
      }
      files->Add(name, kind, data);
      Report(Progress, i + 1, count);
    }
  } catch (...) {
    Free(body);
    throw;
  }
  Free(body);
}

void TZSESkinFormatZCS5::LoadDetails(Self, TStream* Stream, TZSESkinDetails* Details) {
  Details->Clear();
  Details->SetVersion(TZSESkinVersion(static_cast<Word>(ReadInt(Stream) & 0xFFFF)));
  TXORStream* body = ReadScrambling(Stream);
  try {
    ReadDetailsBlock(body, Details);
  } catch (...) {
    Free(body);
    throw;
  }
  Free(body);
}

void TZSESkinFormatZCS5::Save(Self, TStream* Stream, TZSESkin* Skin, const TZCLProgressEvent& Progress) {
  const TZSESkinSignature identity = GetSignature();
  Stream->WriteBuffer(identity.Signature, 4);
  WriteByte(Stream, identity.Version);
  StreamWriteInteger(Stream, Skin->GetDetails()->GetVersion().Number);
  TGUID guid;
  if (CreateGUID(guid) != 0) throw EOSError(u"Cannot create a GUID");
  TBytes key(KeyLength);
  static_assert(sizeof(TGUID) == KeyLength);
  std::memcpy(key.data(), &guid, KeyLength);
  WriteByte(Stream, 0);
  WriteByte(Stream, KeyLength);
  Stream->WriteBuffer(key.data(), KeyLength);

  TXORStream* body = Create<TXORStream>(key, Stream, soReference);
  try {
    TMemoryStream* record = Create<TMemoryStream>();
    try {
      Skin->GetDetails()->SaveToStream(record);
      StreamWriteInteger(body, static_cast<Integer>(record->GetSize()));
      record->SetPosition(0);
      StreamCopyAll(body, record);
    } catch (...) {
      Free(record);
      throw;
    }
    Free(record);

    TZSESkinFiles* files = Skin->GetFiles();
    const Integer count = files->GetCount();
    StreamWriteInteger(body, count);
    for (Integer i = 0; i < count; ++i) {
      TZSESkinFile* file = files->GetItem(i);
      StreamWriteStringWithLength(body, file->GetName());
      WriteByte(body, file->GetKind());
      TDataLock lock(file->GetData().get());
      // The size is that of the bytes that follow, not what the container claims beforehand.
      const Int64 size = lock.Stream()->GetSize();
      if (size > 0x7FFFFFFF) throw EWriteError(u"Skin file is too large: " + file->GetName());
      StreamWriteInteger(body, static_cast<Integer>(size));
      lock.Stream()->SetPosition(0);
      if (file->GetKind() == sfkImage) {
        WriteByte(body, 0);
        StreamCopyPart(body, lock.Stream(), size);
      } else {
        WriteByte(body, 1);
        const Int64 placeholder = body->GetPosition();
        StreamWriteInteger(body, 0);
        SkinPackagePack(lock.Stream(), body);
        const Int64 end = body->GetPosition();
        const Int64 packed = end - placeholder - 4;
        if (packed > 0x7FFFFFFF) throw EWriteError(u"Skin file is too large: " + file->GetName());
        body->SetPosition(placeholder);
        StreamWriteInteger(body, static_cast<Integer>(packed));
        body->SetPosition(end);
      }
      Report(Progress, i + 1, count);
    }
  } catch (...) {
    Free(body);
    throw;
  }
  Free(body);
}

void FormatZCS5Initialize() {
  TZSESkinFormatClass existing;
  if (!SkinFormats()->Find(TZSESkinFormatZCS5::GetSignature(), existing))
    SkinFormats()->Add(TZSESkinFormatZCS5::StaticClass());
}
