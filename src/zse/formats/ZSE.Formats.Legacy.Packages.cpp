#include "zse/formats/ZSE.Formats.Legacy.Packages.h"

#include <algorithm>
#include <vector>

#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.Utils.Stream.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zse/engine/ZSE.Skins.Utils.h"

namespace {

// Details records above this size are refused: the writers never made larger ones.
constexpr Integer MaxDetailsSize = 0x3FFFB;
// Deflate packs at most about 1032 bytes into one, so a stated unpacked size above this bound
// cannot be honest and is not allocated.
constexpr Int64 MaxInflateRatio = 1032;
constexpr Integer ZCS2HeaderSize = 71;
constexpr Integer LinkRecordSize = 64;

[[noreturn]] void RaiseReadError() { throw EReadError(u"Stream read error"); }

Integer ReadInt32(TStream* Stream) {
  Integer value = 0;
  Stream->ReadBuffer(&value, 4);
  return value;
}

// Fails before allocating when the stream cannot hold Count more bytes.
void CheckLeft(TStream* Stream, Int64 Count) {
  if (Count < 0 || Count > StreamGetBytesLeft(Stream)) RaiseReadError();
}

String ReadCountedString(TStream* Stream) {
  const Word length = StreamReadWord(Stream);
  CheckLeft(Stream, Int64(length) * 2);
  String text;
  StreamReadUnicodeString(Stream, text, length);
  return text;
}

TZSESkinVersion VersionFromInt32(Integer Value) {
  TZSESkinVersion version(static_cast<Word>(Cardinal(Value) & 0xFFFF));
  version.Reserved = static_cast<Word>(Cardinal(Value) >> 16);
  return version;
}

IPtr<IZCLStreamContainer> OwnContainer(TMemoryStream* Stream) {
  return IPtr<IZCLStreamContainer>(TZCLStreamContainer::CreateOwning(Stream));
}

String RemoveSkinSuffix(String Name) {
  static const String suffix = u"_skin";
  for (size_t at = Name.find(suffix); at != String::npos; at = Name.find(suffix, at)) Name.erase(at, suffix.size());
  return Name;
}

// The name without its extension when the extension names a kind.
void SplitFileName(const String& FileName, String& Name, TZSESkinFileKind& Kind) {
  Kind = SkinFileExtToKind(FileName);
  Name = FileName;
  if (Kind != sfkUnknown) {
    const size_t dot = FileName.rfind(u'.');
    if (dot != String::npos) Name.resize(dot);
  }
}

}  // namespace

bool LegacyLoadMainIni(TZSESkin* Skin, TZCLIniFile* Ini) {
  TZSESkinFile* file;
  if (!Skin->GetFiles()->Find(u"Main.ini", sfkUnknown, file) || !file->GetData()) return false;
  const IPtr<IZCLStreamContainer> data = file->GetData();
  TStream* stream = data->LockStream();
  try {
    Ini->LoadFromStream(stream);
  } catch (...) {
    data->UnlockStream();
    throw;
  }
  data->UnlockStream();
  return true;
}

String LegacyAnsiField(const Byte* Bytes, Integer Count) {
  const Byte* end = std::find(Bytes, Bytes + Count, Byte(0));
  return TEncoding::GetANSI()->GetString(Bytes, static_cast<Integer>(end - Bytes));
}

void LegacyLoadDetailsFromFiles(TZSESkin* Skin) {
  TZSESkinDetails* details = Skin->GetDetails();
  TZSESkinFiles* files = Skin->GetFiles();
  TZSESkinFile* file;
  if (files->Find(u"Preview", sfkBitmap, file)) {
    // A preview that cannot be decoded leaves the details without one, as a package's own does.
    try {
      Skin->GetResources()->LoadBitmap(u"Preview", details->GetPreview());
    } catch (const Exception&) {
      details->GetPreview()->SetSize(0, 0);
    }
  }
  if (files->Find(u"Info", sfkText, file)) details->SetDescription(Skin->GetResources()->LoadText(u"Info"));
  TZCLIniFile* ini = TZCLIniFile::CreateInMemory();
  try {
    if (LegacyLoadMainIni(Skin, ini)) {
      details->SetAuthor(ini->ReadString(u"FILE", u"Author", String()));
      details->SetName(ini->ReadString(u"FILE", u"SkinName", String()));
    }
  } catch (...) {
    Free(ini);
    throw;
  }
  Free(ini);
}

// ---- the scrambled package family -----------------------------------------------------------

void TZSESkinFormatZCS4::Load(Self Class, TStream* Stream, TZSESkin* Skin, const TZCLProgressEvent& Progress) {
  Skin->GetDetails()->SetVersion(Class->ReadVersion(Stream));
  const Cardinal key = Cardinal(ReadInt32(Stream));
  Class->ReadDetails(Stream, Skin->GetDetails(), key);
  const IPtr<IZCLStreamContainer> body = Class->ReadBody(Stream, key, Progress);
  Class->LoadFiles(body, Skin);
}

void TZSESkinFormatZCS4::LoadDetails(Self Class, TStream* Stream, TZSESkinDetails* Details) {
  Details->Clear();
  Details->SetVersion(Class->ReadVersion(Stream));
  const Cardinal key = Cardinal(ReadInt32(Stream));
  Class->ReadDetails(Stream, Details, key);
}

void TZSESkinFormatZCS4::LoadFiles(Self, const IPtr<IZCLStreamContainer>& Body, TZSESkin* Skin) {
  TStream* stream = Body->LockStream();
  try {
    const Integer count = ReadInt32(stream);
    // Every entry takes at least a length word and two 32-bit fields.
    if (count < 0) RaiseReadError();
    CheckLeft(stream, Int64(count) * 10);
    std::vector<String> names(static_cast<size_t>(count));
    std::vector<Integer> offsets(names.size()), sizes(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
      names[i] = ReadCountedString(stream);
      offsets[i] = ReadInt32(stream);
      sizes[i] = ReadInt32(stream);
    }
    // Windows stay inside the data area, whatever offsets and sizes (negative ones included)
    // the table gives.
    const Int64 dataStart = stream->GetPosition();
    const Int64 total = stream->GetSize();
    for (size_t i = 0; i < names.size(); ++i) {
      const Int64 start = std::clamp<Int64>(dataStart + offsets[i], dataStart, total);
      const Int64 size = std::clamp<Int64>(sizes[i], 0, total - start);
      Skin->GetFiles()->AddFile(names[i], IPtr<IZCLStreamContainer>(Create<TZCLSubStreamContainer>(Body, start, size)));
    }
  } catch (...) {
    Body->UnlockStream();
    throw;
  }
  Body->UnlockStream();
}

IPtr<IZCLStreamContainer> TZSESkinFormatZCS4::ReadBody(Self, TStream* Stream, Cardinal Key,
                                                       const TZCLProgressEvent& Progress) {
  Int64 size = ReadInt32(Stream);
  if (size < 0 || size > StreamGetBytesLeft(Stream) * MaxInflateRatio + 64) size = 0;
  return OwnContainer(SkinPackageUnpack(Stream, Progress, Key, size));
}

TZSESkinVersion TZSESkinFormatZCS4::ReadVersion(Self, TStream* Stream) { return VersionFromInt32(ReadInt32(Stream)); }

void TZSESkinFormatZCS4::ReadDetails(Self Class, TStream* Stream, TZSESkinDetails* Details, Cardinal Key) {
  const Integer size = ReadInt32(Stream);
  if (size <= 0 || size > MaxDetailsSize) throw EZSEStreamCorrupted(Class->ClassName() + u".DetailsLoad fails");
  CheckLeft(Stream, size);
  TMemoryStream* record = StreamReadMemoryStream(Stream, size);
  try {
    SkinPackageXor(record->GetMemory(), size, Key);
    Details->LoadFromStream(record);
  } catch (...) {
    Free(record);
    throw;
  }
  Free(record);
}

void TZSESkinFormatZCS3v6::Save(TZSESkinFormatClass, TStream*, TZSESkin*, const TZCLProgressEvent&) {
  throw ENotSupportedException(u"TZSESkinFormatZCS3v6.Save");
}

IPtr<IZCLStreamContainer> TZSESkinFormatZCS3v6::ReadBody(Self, TStream* Stream, Cardinal Key,
                                                         const TZCLProgressEvent& Progress) {
  return OwnContainer(SkinPackageUnpack(Stream, Progress, Key, 0));
}

void TZSESkinFormatZCS3v2::Load(Self Class, TStream* Stream, TZSESkin* Skin, const TZCLProgressEvent& Progress) {
  Skin->GetDetails()->SetVersion(Class->ReadVersion(Stream));
  const Cardinal key = Cardinal(ReadInt32(Stream));
  const IPtr<IZCLStreamContainer> body = Class->ReadBody(Stream, key, Progress);
  Class->LoadFiles(body, Skin);
  LegacyLoadDetailsFromFiles(Skin);
}

void TZSESkinFormatZCSPv33::LoadFiles(Self, const IPtr<IZCLStreamContainer>& Body, TZSESkin* Skin) {
  TStream* stream = Body->LockStream();
  try {
    const Integer count = ReadInt32(stream);
    if (count < 0) RaiseReadError();
    for (Integer i = 0; i < count; ++i) {
      const String name = ReadCountedString(stream);
      const Integer size = ReadInt32(stream);
      CheckLeft(stream, size);
      Skin->GetFiles()->AddFromStream(name, stream, size);
    }
  } catch (...) {
    Body->UnlockStream();
    throw;
  }
  Body->UnlockStream();
}

// ---- the INI-era container ------------------------------------------------------------------

void TZSESkinFormatZCS2::Load(Self Class, TStream* Stream, TZSESkin* Skin, const TZCLProgressEvent& Progress) {
  Skin->GetDetails()->SetVersion(Class->GetVersion());
  Byte header[ZCS2HeaderSize];
  Stream->ReadBuffer(header, ZCS2HeaderSize);
  Integer count;
  std::copy(header + 67, header + 71, reinterpret_cast<Byte*>(&count));
  TMemoryStream* body = SkinPackageUnpack(Stream, Progress, std::nullopt, 0);
  TZSESkinFiles* files = Skin->GetFiles();
  try {
    for (Integer i = 0; i < count; ++i) {
      const String name = RemoveSkinSuffix(Class->ReadShortString(body));
      const Integer size = ReadInt32(body);
      CheckLeft(body, size);
      files->AddFromStream(name, body, size);
    }
  } catch (...) {
    Free(body);
    throw;
  }
  Free(body);

  TZSESkinFile* links;
  if (files->Find(u"links.system", sfkUnknown, links)) {
    std::vector<Byte> records;
    const IPtr<IZCLStreamContainer> data = links->GetData();
    try {
      if (data) {
        TStream* stream = data->LockStream();
        records.resize(static_cast<size_t>(stream->GetSize() / LinkRecordSize * LinkRecordSize));
        try {
          if (!records.empty()) stream->ReadBuffer(records.data(), static_cast<Integer>(records.size()));
        } catch (...) {
          data->UnlockStream();
          throw;
        }
        data->UnlockStream();
      }
      for (size_t at = 0; at < records.size(); at += LinkRecordSize) {
        String existing;
        TZSESkinFileKind kind;
        SplitFileName(RemoveSkinSuffix(LegacyAnsiField(&records[at + 32], 32)), existing, kind);
        TZSESkinFile* file;
        if (!files->Find(existing, kind, file)) continue;
        // The alias takes the kind of the file it names.
        String alias = RemoveSkinSuffix(LegacyAnsiField(&records[at], 32));
        const size_t dot = alias.rfind(u'.');
        if (kind != sfkUnknown && dot != String::npos) alias.resize(dot);
        files->Add(alias, kind, file->GetData());
      }
    } catch (...) {
      files->Delete(u"links.system", sfkUnknown);
      throw;
    }
    files->Delete(u"links.system", sfkUnknown);
  }

  LegacyLoadDetailsFromFiles(Skin);
  const String author = LegacyAnsiField(header + 32, 32);
  const String name = LegacyAnsiField(header, 32);
  if (!author.empty()) Skin->GetDetails()->SetAuthor(author);
  if (!name.empty()) Skin->GetDetails()->SetName(name);
}

String TZSESkinFormatZCS2::ReadShortString(Self, TStream* Stream) {
  Byte length = 0;
  Stream->ReadBuffer(&length, 1);
  Byte bytes[255];
  Stream->ReadBuffer(bytes, length);
  return TEncoding::GetANSI()->GetString(bytes, length);
}

String TZSESkinFormatZCSPv2::ReadShortString(Self, TStream* Stream) {
  Byte bytes[32];
  Stream->ReadBuffer(bytes, 32);
  return LegacyAnsiField(bytes, 32);
}

void LegacyPackagesInitialize() {
  TZSESkinFormatList* formats = SkinFormats();
  formats->Add(TZSESkinFormatZCS4::StaticClass());
  formats->Add(TZSESkinFormatZCS3v3::StaticClass());
  formats->Add(TZSESkinFormatZCS3v5::StaticClass());
  formats->Add(TZSESkinFormatZCS3v6::StaticClass());
  formats->Add(TZSESkinFormatZCS3v1::StaticClass());
  formats->Add(TZSESkinFormatZCS3v2::StaticClass());
  formats->Add(TZSESkinFormatZCSPv30::StaticClass());
  formats->Add(TZSESkinFormatZCSPv32::StaticClass());
  formats->Add(TZSESkinFormatZCSPv33::StaticClass());
  formats->Add(TZSESkinFormatZCSPv3::StaticClass());
  formats->Add(TZSESkinFormatZCSPv2::StaticClass());
}
