#pragma once
// Writers of older skin packages, built from their byte layouts, for the readers' tests.

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "rtl/RTL.Streams.h"
#include "zse/engine/ZSE.Skins.Utils.h"
#include "zse/engine/ZSE.Skins.h"

namespace legacy_test {

template <class T>
using TOwned = std::unique_ptr<T, void (*)(TObject*)>;
template <class T, class... A>
TOwned<T> Make(A&&... Args) {
  return TOwned<T>(Create<T>(std::forward<A>(Args)...), &Free);
}

using TBytes8 = std::vector<Byte>;

struct TEntry {
  std::u16string Name;
  std::string Data;
};

inline void PutInt(TBytes8& Out, Integer Value) {
  const Byte* p = reinterpret_cast<const Byte*>(&Value);
  Out.insert(Out.end(), p, p + 4);
}
inline void PutBytes(TBytes8& Out, const std::string& Bytes) { Out.insert(Out.end(), Bytes.begin(), Bytes.end()); }
inline void PutCounted(TBytes8& Out, const std::u16string& Text) {
  Out.push_back(Byte(Text.size() & 0xFF));
  Out.push_back(Byte(Text.size() >> 8));
  for (char16_t c : Text) {
    Out.push_back(Byte(c & 0xFF));
    Out.push_back(Byte(c >> 8));
  }
}
inline void PutField(TBytes8& Out, const std::string& Text, size_t Width) {
  std::string field = Text.substr(0, Width);
  field.resize(Width, '\0');
  PutBytes(Out, field);
}

// The body with an offset table: count, (name, offset, size) per entry, then the data area.
inline TBytes8 OffsetTableBody(const std::vector<TEntry>& Entries) {
  TBytes8 table, data;
  PutInt(table, Integer(Entries.size()));
  for (const TEntry& e : Entries) {
    PutCounted(table, e.Name);
    PutInt(table, Integer(data.size()));
    PutInt(table, Integer(e.Data.size()));
    PutBytes(data, e.Data);
  }
  table.insert(table.end(), data.begin(), data.end());
  return table;
}

// The body with inline entries: count, then (name, size, data) per entry.
inline TBytes8 InlineBody(const std::vector<TEntry>& Entries) {
  TBytes8 body;
  PutInt(body, Integer(Entries.size()));
  for (const TEntry& e : Entries) {
    PutCounted(body, e.Name);
    PutInt(body, Integer(e.Data.size()));
    PutBytes(body, e.Data);
  }
  return body;
}

// Deflated, and scrambled when a key is given.
inline TBytes8 Pack(const TBytes8& Plain, std::optional<Cardinal> Key) {
  auto source = Make<TMemoryStream>();
  if (!Plain.empty()) source->WriteBuffer(Plain.data(), Integer(Plain.size()));
  auto target = Make<TMemoryStream>();
  SkinPackagePack(source.get(), target.get(), nullptr, Key);
  const auto* p = static_cast<const Byte*>(target->GetMemory());
  return TBytes8(p, p + target->GetSize());
}

inline TBytes8 DetailsRecord(const String& Name, const String& Author, const String& Description) {
  auto details = Make<TZSESkinDetails>();
  details->SetName(Name);
  details->SetAuthor(Author);
  details->SetDescription(Description);
  auto stream = Make<TMemoryStream>();
  details->SaveToStream(stream.get());
  const auto* p = static_cast<const Byte*>(stream->GetMemory());
  return TBytes8(p, p + stream->GetSize());
}

inline void PutIdentity(TBytes8& Out, const char* Signature, Byte Version) {
  Out.insert(Out.end(), Signature, Signature + 4);
  Out.push_back(Version);
}

// A scrambled package: identity, [version], key, [details size and scrambled details],
// [unpacked size], scrambled body.
struct TScrambledPackage {
  const char* Signature = "ZCS4";
  Byte IdentityVersion = 0;
  bool HasVersion = true;
  Integer Version = 450;
  Cardinal Key = 0x1234ABCD;
  bool HasDetails = true;
  TBytes8 Details = DetailsRecord(u"Blue", u"Ann", u"A skin");
  bool HasUnpackedSize = true;
  TBytes8 Body;

  TBytes8 Build() const {
    TBytes8 out;
    PutIdentity(out, Signature, IdentityVersion);
    if (HasVersion) PutInt(out, Version);
    PutInt(out, Integer(Key));
    if (HasDetails) {
      TBytes8 details = Details;
      SkinPackageXor(details.data(), Integer(details.size()), Key);
      PutInt(out, Integer(details.size()));
      out.insert(out.end(), details.begin(), details.end());
    }
    if (HasUnpackedSize) PutInt(out, Integer(Body.size()));
    const TBytes8 packed = Pack(Body, Key);
    out.insert(out.end(), packed.begin(), packed.end());
    return out;
  }
};

// The INI-era container: identity, 32-byte name and author, 3 unused bytes, file count, plain
// zlib stream of (short name, size, data).
struct TZCS2Package {
  Byte IdentityVersion = 30;
  std::string Name, Author;
  std::optional<Integer> Count;  // the number of entries unless given
  bool FixedNames = false;       // 2.11: 32-byte name fields
  std::vector<std::pair<std::string, std::string>> Files;

  TBytes8 Build() const {
    TBytes8 out, body;
    PutIdentity(out, "ZCSP", IdentityVersion);
    PutField(out, Name, 32);
    PutField(out, Author, 32);
    PutField(out, "", 3);
    PutInt(out, Count.value_or(Integer(Files.size())));
    for (const auto& [name, data] : Files) {
      if (FixedNames) {
        PutField(body, name, 32);
      } else {
        body.push_back(Byte(name.size()));
        PutBytes(body, name);
      }
      PutInt(body, Integer(data.size()));
      PutBytes(body, data);
    }
    const TBytes8 packed = Pack(body, std::nullopt);
    out.insert(out.end(), packed.begin(), packed.end());
    return out;
  }
};

inline TOwned<TMemoryStream> StreamOf(const TBytes8& Bytes) {
  auto stream = Make<TMemoryStream>();
  if (!Bytes.empty()) stream->WriteBuffer(Bytes.data(), Integer(Bytes.size()));
  stream->SetPosition(0);
  return stream;
}

inline TOwned<TZSESkin> LoadPackage(const TBytes8& Bytes) {
  auto skin = Make<TZSESkin>();
  auto stream = StreamOf(Bytes);
  TZSESkinManager::LoadFromStream(stream.get(), skin.get());
  return skin;
}

inline std::string DataOf(TZSESkin* Skin, const String& Name, TZSESkinFileKind Kind) {
  TZSESkinFile* file;
  if (!Skin->GetFiles()->Find(Name, Kind, file)) return "<missing>";
  TStream* stream = file->GetData()->LockStream();
  std::string bytes(static_cast<size_t>(stream->GetSize()), '\0');
  if (!bytes.empty()) stream->ReadBuffer(bytes.data(), Integer(bytes.size()));
  file->GetData()->UnlockStream();
  return bytes;
}

}  // namespace legacy_test
