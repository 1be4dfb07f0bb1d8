#include "zeph/media/ZBL.FileFormats.MP4.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.Classes.ByteBuffer.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zcl/base/ZCL.Utils.Stream.h"
#include "zcl/base/ZCL.Utils.Strings.h"

namespace {

constexpr TMP4AtomID IdMdat = MP4ID("mdat");
constexpr TMP4AtomID IdFree = MP4ID("free");

Cardinal ReadBE32(TStream* Stream) {
  Byte b[4];
  Stream->ReadBuffer(b, 4);
  return static_cast<Cardinal>(b[0]) << 24 | static_cast<Cardinal>(b[1]) << 16 | static_cast<Cardinal>(b[2]) << 8 | b[3];
}

void WriteBE32(TStream* Stream, Cardinal V) {
  const Byte b[4] = {static_cast<Byte>(V >> 24), static_cast<Byte>(V >> 16), static_cast<Byte>(V >> 8),
                     static_cast<Byte>(V)};
  Stream->WriteBuffer(b, 4);
}

void WriteBE64(TStream* Stream, UInt64 V) {
  WriteBE32(Stream, static_cast<Cardinal>(V >> 32));
  WriteBE32(Stream, static_cast<Cardinal>(V));
}

// Big-endian numbers of a byte view; bytes past its end read as 0.
Cardinal BE(std::string_view B, size_t At, size_t Count) {
  Cardinal v = 0;
  for (size_t i = 0; i < Count; ++i) v = v << 8 | (At + i < B.size() ? static_cast<Byte>(B[At + i]) : 0);
  return v;
}
UInt64 BE64(std::string_view B, size_t At) {
  return static_cast<UInt64>(BE(B, At, 4)) << 32 | BE(B, At + 4, 4);
}

[[noreturn]] void SeekTableError() { throw Exception(u"TMP4TrackSeekTable"); }

}  // namespace

TMP4AtomID MP4IDOf(const void* Bytes) {
  TMP4AtomID id;
  std::memcpy(&id, Bytes, 4);
  return id;
}

AnsiString MP4AtomIDToString(TMP4AtomID ID) { return AnsiString(reinterpret_cast<const char*>(&ID), 4); }

// ---- atom ------------------------------------------------------------------------------------------

TMP4Container* TMP4Atom::GetContainer() { return Parent ? Parent->GetContainer() : nullptr; }

void TMP4Atom::LoadContent(TStream*, Int64) { throw ENotImplemented(u"TMP4Atom.LoadContent"); }

TMP4Atom* TMP4Atom::AddChild(TMP4AtomID) {
  throw EMP4InvalidAtomStructure(u"MP4: unable to add child to the %s atom", {UTF8ToString(MP4AtomIDToString(ID))});
}

bool TMP4Atom::Find(TMP4AtomID, TMP4Atom*& Atom) const {
  Atom = nullptr;
  return false;
}

bool TMP4Atom::FindRecursive(TMP4AtomID ChildID, TMP4Atom*& Atom) const { return Find(ChildID, Atom); }

void TMP4Atom::Save(TStream* Stream) {
  Size = CalculateSize();
  if (Size > 0xFFFFFFFFll)
    throw EMP4InvalidAtomStructure(u"MP4: atom %s has a wrong size (%d < %d)",
                                   {UTF8ToString(MP4AtomIDToString(ID)), Size, Int64(0xFFFFFFFFll)});
  WriteBE32(Stream, static_cast<Cardinal>(Size));
  Stream->WriteBuffer(&ID, 4);
  SaveContent(Stream);
}

bool TMP4Atom::Remove() {
  auto* list = dynamic_cast<TMP4AtomList*>(Parent);
  if (!list) return false;
  const Integer index = list->IndexOf(this);
  if (index < 0) return false;
  list->Delete(index);
  return true;
}

void TMP4Atom::CheckAtomSize(Int64 Size, Int64 Minimum, TMP4AtomID ID) {
  if (Size < Minimum)
    throw EMP4InvalidAtomStructure(u"MP4: atom %s has a wrong size (%d < %d)",
                                   {UTF8ToString(MP4AtomIDToString(ID)), Size, Minimum});
}

// ---- list ------------------------------------------------------------------------------------------

void TMP4AtomList::LoadContent(TStream* Stream, Int64 Size) { LoadChildren(Stream, Size); }

void TMP4AtomList::LoadChildren(TStream* Stream, Int64 Remaining) {
  TMP4Container* root = GetContainer();
  if (!root) throw EMP4InvalidAtomStructure(u"MP4: Invalid State");
  if (++root->Depth > TMP4Container::MaxDepth) {
    --root->Depth;
    throw EMP4InvalidAtomStructure(u"MP4: atoms nested too deeply");
  }
  try {
    while (Remaining >= 8) {
      const Int64 position = Stream->GetPosition();
      Int64 size = ReadBE32(Stream);
      Byte type[4];
      Stream->ReadBuffer(type, 4);
      const TMP4AtomID id = MP4IDOf(type);
      Int64 header = 8;
      if (size < 8 || size > Remaining) {
        if (id == IdMdat) {
          // A 64-bit size that fits stands (the atoms after it are still found); otherwise the
          // media data runs to the end of the enclosing range.
          UInt64 large = 0;
          if (size == 1 && Remaining >= 16) {
            Byte b[8];
            Stream->ReadBuffer(b, 8);
            large = BE64(std::string_view(reinterpret_cast<const char*>(b), 8), 0);
          }
          if (large >= 16 && large <= static_cast<UInt64>(Remaining)) {
            size = static_cast<Int64>(large);
            header = 16;
          } else {
            size = Remaining;
          }
        } else if (id == 0) {
          break;
        } else {
          throw EMP4InvalidAtomStructure(u"MP4: atom \"%s\" at %s has a wrong size ",
                                         {UTF8ToString(MP4AtomIDToString(id)), IntToStr(position)});
        }
      }
      if (id != 0) {
        TMP4Atom* child = AddChild(id);
        child->Size = size;
        child->Position = position;
        child->LoadContent(Stream, size - header);
      }
      Remaining -= size;
      Stream->SetPosition(position + size);
    }
  } catch (...) {
    --root->Depth;
    throw;
  }
  --root->Depth;
}

void TMP4AtomList::SaveContent(TStream* Stream) { SaveChildren(Stream); }

void TMP4AtomList::SaveChildren(TStream* Stream) {
  for (auto& item : FItems) item->Save(Stream);
}

TMP4Atom* TMP4AtomList::AddChild(TMP4AtomID ChildID) {
  TMP4Container* root = GetContainer();
  if (!root) throw EMP4InvalidAtomStructure(u"MP4: Invalid State");
  return Append(root->CreateAtom(ChildID, this));
}

TMP4Atom* TMP4AtomList::Append(std::unique_ptr<TMP4Atom> Atom) {
  Atom->Parent = this;
  FItems.push_back(std::move(Atom));
  return FItems.back().get();
}

Int64 TMP4AtomList::ChildrenSize() const {
  Int64 size = 0;
  for (const auto& item : FItems) size += item->CalculateSize();
  return size;
}

Int64 TMP4AtomList::CalculateSize() const { return 8 + ChildrenSize(); }

bool TMP4AtomList::Find(TMP4AtomID ChildID, TMP4Atom*& Atom) const {
  for (const auto& item : FItems)
    if (item->ID == ChildID) {
      Atom = item.get();
      return true;
    }
  Atom = nullptr;
  return false;
}

bool TMP4AtomList::FindRecursive(TMP4AtomID ChildID, TMP4Atom*& Atom) const {
  if (Find(ChildID, Atom)) return true;
  for (const auto& item : FItems)
    if (item->FindRecursive(ChildID, Atom)) return true;
  Atom = nullptr;
  return false;
}

void TMP4AtomList::Delete(Integer Index) { FItems.erase(FItems.begin() + Index); }

Integer TMP4AtomList::IndexOf(const TMP4Atom* Atom) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].get() == Atom) return static_cast<Integer>(i);
  return -1;
}

bool TMP4AtomList::FindAtom(TMP4Path Path, TMP4Atom*& Atom) const {
  const TMP4Atom* at = this;
  Atom = nullptr;
  for (TMP4AtomID id : Path) {
    TMP4Atom* next = nullptr;
    if (!at->Find(id, next)) return false;
    at = next;
  }
  Atom = const_cast<TMP4Atom*>(at);
  return true;
}

TMP4Atom* TMP4AtomList::ForceAtom(TMP4Path Path) {
  TMP4Atom* at = this;
  for (TMP4AtomID id : Path) {
    TMP4Atom* next = nullptr;
    if (!at->Find(id, next)) next = at->AddChild(id);
    at = next;
  }
  if (!at) throw EMP4InvalidAtomStructure(u"MP4: Invalid State");
  return at;
}

bool TMP4AtomList::DeleteAtom(TMP4Path Path) {
  TMP4Atom* atom = nullptr;
  return FindAtom(Path, atom) && atom != this && atom->Remove();
}

Int64 TMP4AtomList::ReserveFreeSpace(Int64 OldSize, Int64 MaxFree) {
  TMP4Atom* free = nullptr;
  while (FindRecursive(IdFree, free)) free->Remove();
  const Int64 spare = OldSize - CalculateSize();
  if (spare >= 8) {
    auto atom = std::make_unique<TMP4AtomFree>(IdFree, this);
    atom->FreeSize = std::min(MaxFree, spare - 8);
    Append(std::move(atom));
  }
  return OldSize - CalculateSize();
}

// ---- atoms with content ----------------------------------------------------------------------------

TMP4AtomRaw::TMP4AtomRaw(TMP4AtomID AID, TMP4Atom* AParent)
    : TMP4Atom(AID, AParent), FData(std::make_unique<TMemoryStream>()) {}
TMP4AtomRaw::~TMP4AtomRaw() = default;

void TMP4AtomRaw::LoadContent(TStream* Stream, Int64 Size) {
  FData->SetSize(0);
  if (Size > 0) StreamCopyPart(FData.get(), Stream, Size);
  FData->SetPosition(0);
}

void TMP4AtomRaw::SaveContent(TStream* Stream) {
  if (FData->GetSize() > 0) Stream->WriteBuffer(FData->GetMemory(), FData->GetSize());
}

void TMP4AtomRaw::Clear() { FData->SetSize(0); }

Int64 TMP4AtomRaw::CalculateSize() const { return 8 + FData->GetSize(); }

std::string_view TMP4AtomRaw::Bytes() const {
  return std::string_view(static_cast<const char*>(FData->GetMemory()), static_cast<size_t>(FData->GetSize()));
}

void TMP4AtomData::LoadContent(TStream* Stream, Int64 Size) {
  // A value atom too short for its two numbers holds no value.
  if (Size < 8) {
    Clear();
    return;
  }
  DataType = ReadBE32(Stream);
  Locale = ReadBE32(Stream);
  TMP4AtomRaw::LoadContent(Stream, Size - 8);
}

void TMP4AtomData::SaveContent(TStream* Stream) {
  WriteBE32(Stream, DataType);
  WriteBE32(Stream, Locale);
  TMP4AtomRaw::SaveContent(Stream);
}

void TMP4AtomData::Clear() {
  TMP4AtomRaw::Clear();
  DataType = Locale = 0;
}

Integer TMP4AtomData::AsInteger() const {
  if (DataType == TypeImplicit || DataType == TypeInteger) {
    const std::string_view b = Bytes();
    if (b.size() >= 2) return static_cast<Integer>(BE(b, 0, 2));
    return b.size() == 1 ? static_cast<Byte>(b[0]) : 0;
  }
  return StrToIntDef(zcTrim(AsString()), 0);
}

String TMP4AtomData::AsString() const {
  if (DataType == TypeImplicit || DataType == TypeInteger) return IntToStr(AsInteger());
  if (DataType == TypeUTF8) return UTF8ToString(Bytes());
  return String();
}

void TMP4AtomData::SetData(Cardinal Type, const void* Buffer, Integer Count) {
  Clear();
  DataType = Type;
  if (Count > 0) FData->WriteBuffer(Buffer, Count);
  FData->SetPosition(0);
}

void TMP4AtomData::SetAsString(const String& Text) { SetAsUTF8(StringToUTF8(Text)); }

void TMP4AtomData::SetAsByte(Byte Value) { SetData(TypeInteger, &Value, 1); }

void TMP4AtomData::SetAsWord(Word Value) {
  const Byte b[2] = {static_cast<Byte>(Value >> 8), static_cast<Byte>(Value)};
  SetData(TypeInteger, b, 2);
}

void TMP4AtomFTYP::LoadContent(TStream* Stream, Int64 Size) {
  CheckAtomSize(Size, 4, ID);
  Stream->ReadBuffer(&MajorBrand, 4);
  TMP4AtomRaw::LoadContent(Stream, Size - 4);
}

void TMP4AtomFTYP::SaveContent(TStream* Stream) {
  Stream->WriteBuffer(&MajorBrand, 4);
  TMP4AtomRaw::SaveContent(Stream);
}

void TMP4AtomFTYP::Clear() {
  TMP4AtomRaw::Clear();
  MajorBrand = 0;
}

void TMP4AtomMeta::LoadContent(TStream* Stream, Int64 Size) {
  CheckAtomSize(Size, 4, ID);
  Stream->ReadBuffer(VersionFlags, 4);
  // Without the prefix the first child's header follows at once: a non-zero size, then "hdlr".
  HasPrefix = true;
  if (Size >= 8 && std::memcmp(VersionFlags, "\0\0\0\0", 4) != 0) {
    char type[4];
    Stream->ReadBuffer(type, 4);
    Stream->Seek(-8, soCurrent);
    if (std::memcmp(type, "hdlr", 4) == 0) {
      HasPrefix = false;
      std::memset(VersionFlags, 0, 4);
      LoadChildren(Stream, Size);
      return;
    }
    Stream->Seek(4, soCurrent);
  }
  LoadChildren(Stream, Size - 4);
}

void TMP4AtomMeta::SaveContent(TStream* Stream) {
  if (HasPrefix) Stream->WriteBuffer(VersionFlags, 4);
  SaveChildren(Stream);
}

void TMP4AtomTable::LoadContent(TStream* Stream, Int64 Size) {
  CheckAtomSize(Size, 8, ID);
  Stream->ReadBuffer(VersionFlags, 4);
  const Cardinal count = ReadBE32(Stream);
  LoadChildren(Stream, Size - 8);
  if (count != static_cast<Cardinal>(GetCount())) throw EMP4InvalidAtomStructure(u"TMP4AtomTable");
}

void TMP4AtomTable::SaveContent(TStream* Stream) {
  Stream->WriteBuffer(VersionFlags, 4);
  WriteBE32(Stream, static_cast<Cardinal>(GetCount()));
  SaveChildren(Stream);
}

void TMP4AtomName::LoadContent(TStream* Stream, Int64 Size) {
  CheckAtomSize(Size, 1, ID);
  if (Size < 4) {
    Stream->ReadBuffer(VersionFlags, 1);
    Name.clear();
    return;
  }
  Stream->ReadBuffer(VersionFlags, 4);
  Name.assign(static_cast<size_t>(Size - 4), '\0');
  if (!Name.empty()) Stream->ReadBuffer(Name.data(), static_cast<Int64>(Name.size()));
}

void TMP4AtomName::SaveContent(TStream* Stream) {
  Stream->WriteBuffer(VersionFlags, 4);
  if (!Name.empty()) Stream->WriteBuffer(Name.data(), static_cast<Int64>(Name.size()));
}

void TMP4AtomFree::SaveContent(TStream* Stream) {
  static const Byte zeros[4096] = {};
  for (Int64 left = FreeSize; left > 0;) {
    const Int64 n = std::min<Int64>(left, sizeof zeros);
    Stream->WriteBuffer(zeros, n);
    left -= n;
  }
}

void TMP4AtomMDAT::SaveContent(TStream*) { throw EInvalidOperation(u"MP4: MDAT does not store the data"); }

Integer TMP4AtomSTCO::EntrySize() const { return ID == MP4ID("co64") ? 8 : 4; }

void TMP4AtomSTCO::LoadContent(TStream* Stream, Int64 Size) {
  CheckAtomSize(Size, 8, ID);
  VersionFlags = ReadBE32(Stream);
  const Cardinal count = ReadBE32(Stream);
  if (static_cast<Int64>(count) * EntrySize() > Size - 8)
    throw EMP4InvalidAtomStructure(u"MP4: atom %s has a wrong size (%d < %d)",
                                   {UTF8ToString(MP4AtomIDToString(ID)), Size - 8, Int64(count) * EntrySize()});
  Offsets.resize(count);
  for (Int64& offset : Offsets) {
    if (EntrySize() == 8) {
      const UInt64 high = ReadBE32(Stream);
      offset = static_cast<Int64>(high << 32 | ReadBE32(Stream));
    } else {
      offset = ReadBE32(Stream);
    }
  }
}

void TMP4AtomSTCO::SaveContent(TStream* Stream) {
  WriteBE32(Stream, VersionFlags);
  WriteBE32(Stream, static_cast<Cardinal>(Offsets.size()));
  for (Int64 offset : Offsets) {
    if (EntrySize() == 8)
      WriteBE64(Stream, static_cast<UInt64>(offset));
    else
      WriteBE32(Stream, static_cast<Cardinal>(offset));
  }
}

void TMP4AtomSTCO::Shift(Int64 Delta) {
  for (Int64& offset : Offsets) offset += Delta;
}

void TMP4AtomCHPL::LoadContent(TStream* Stream, Int64 Size) {
  CheckAtomSize(Size, 9, ID);
  Clear();
  Byte head[9];
  Stream->ReadBuffer(head, 9);
  Int64 left = Size - 9;
  for (Integer i = 0; i < head[8] && left >= 9; ++i) {
    Byte entry[9];
    Stream->ReadBuffer(entry, 9);
    const std::string_view e(reinterpret_cast<const char*>(entry), 9);
    const Int64 time = static_cast<Int64>(BE64(e, 0));
    const Byte length = entry[8];
    left -= 9;
    if (length > left) break;
    AnsiString title(length, '\0');
    if (length) Stream->ReadBuffer(title.data(), length);
    left -= length;
    FTitles.push_back(std::move(title));
    FTimes.push_back(static_cast<Single>(time / 10000000.0));
  }
}

void TMP4AtomCHPL::SaveContent(TStream* Stream) {
  const Byte head[5] = {1, 0, 0, 0, 0};
  Stream->WriteBuffer(head, 5);
  WriteBE32(Stream, static_cast<Cardinal>(FTitles.size()));
  for (size_t i = 0; i < FTitles.size(); ++i) {
    WriteBE64(Stream, static_cast<UInt64>(static_cast<Int64>(static_cast<Double>(FTimes[i]) * 10000000.0)));
    const Byte length = static_cast<Byte>(FTitles[i].size());
    Stream->WriteBuffer(&length, 1);
    if (length) Stream->WriteBuffer(FTitles[i].data(), length);
  }
}

Int64 TMP4AtomCHPL::CalculateSize() const {
  Int64 size = 8 + 9;
  for (const AnsiString& title : FTitles) size += 9 + static_cast<Int64>(title.size());
  return size;
}

void TMP4AtomCHPL::Add(const String& Title, Single Time) {
  AnsiString bytes = StringToUTF8(Title);
  if (bytes.size() > 255) bytes.resize(255);
  FTitles.push_back(std::move(bytes));
  FTimes.push_back(Time);
}

String TMP4AtomCHPL::GetTitle(Integer Index) const { return UTF8ToString(FTitles[static_cast<size_t>(Index)]); }

// ---- container -------------------------------------------------------------------------------------

void TMP4Container::LoadFromStream(TStream* Stream) {
  Clear();
  Depth = 0;
  LoadChildren(Stream, Stream->GetSize() - Stream->GetPosition());
}

std::unique_ptr<TMP4Atom> TMP4Container::CreateAtom(TMP4AtomID AtomID, TMP4Atom* AtomParent) {
  static const TMP4AtomID lists[] = {MP4ID("moov"), MP4ID("trak"), MP4ID("mdia"), MP4ID("minf"), MP4ID("dinf"),
                                     MP4ID("stbl"), MP4ID("udta"), MP4ID("tref"), MP4ID("ilst")};
  const TMP4AtomID parentID = AtomParent ? AtomParent->ID : 0;
  if (std::find(std::begin(lists), std::end(lists), AtomID) != std::end(lists))
    return std::make_unique<TMP4AtomList>(AtomID, AtomParent);
  if (AtomID == MP4ID("meta") && parentID == MP4ID("udta")) return std::make_unique<TMP4AtomMeta>(AtomID, AtomParent);
  if (AtomID == MP4ID("stsd") || AtomID == MP4ID("dref")) return std::make_unique<TMP4AtomTable>(AtomID, AtomParent);
  if (AtomID == MP4ID("ftyp")) return std::make_unique<TMP4AtomFTYP>(AtomID, AtomParent);
  if (AtomID == IdMdat) return std::make_unique<TMP4AtomMDAT>(AtomID, AtomParent);
  if (AtomID == IdFree) return std::make_unique<TMP4AtomFree>(AtomID, AtomParent);
  if (AtomID == MP4ID("stco") || AtomID == MP4ID("co64")) return std::make_unique<TMP4AtomSTCO>(AtomID, AtomParent);
  if (AtomID == MP4ID("chpl")) return std::make_unique<TMP4AtomCHPL>(AtomID, AtomParent);
  if (AtomID == MP4ID("mean") || AtomID == MP4ID("name")) return std::make_unique<TMP4AtomName>(AtomID, AtomParent);
  if (AtomID == MP4ID("data")) return std::make_unique<TMP4AtomData>(AtomID, AtomParent);
  if (parentID == MP4ID("ilst")) return std::make_unique<TMP4AtomList>(AtomID, AtomParent);
  return std::make_unique<TMP4AtomRaw>(AtomID, AtomParent);
}

TMP4Tracks TMP4Container::CreateTracks() {
  TMP4Tracks tracks;
  TMP4Atom* moov = nullptr;
  if (!Find(MP4ID("moov"), moov)) return tracks;
  auto* list = dynamic_cast<TMP4AtomList*>(moov);
  if (!list) return tracks;
  for (Integer i = 0; i < list->GetCount(); ++i)
    if (auto* trak = dynamic_cast<TMP4AtomList*>(list->GetItem(i)); trak && trak->ID == MP4ID("trak"))
      tracks.push_back(std::make_unique<TMP4Track>(trak));
  return tracks;
}

// ---- track -----------------------------------------------------------------------------------------

TMP4Track::TMP4Track(TMP4AtomList* AAtom) : Atom(AAtom) {
  TMP4AtomRaw* raw = nullptr;
  if (GetAtom({MP4ID("tkhd")}, raw)) {
    const std::string_view b = raw->Bytes();
    TrackID = static_cast<Integer>(BE(b, b.size() && b[0] == 1 ? 20 : 12, 4));
  }
  if (GetAtom({MP4ID("tref"), MP4ID("chap")}, raw)) ChapterTrackID = static_cast<Integer>(BE(raw->Bytes(), 0, 4));
  if (GetAtom({MP4ID("mdia"), MP4ID("hdlr")}, raw)) {
    const std::string_view b = raw->Bytes();
    const std::string_view handler = b.size() >= 12 ? b.substr(8, 4) : std::string_view();
    Kind = handler == "soun" ? KindAudio : handler == "text" ? KindText : handler == "vide" ? KindVideo : KindOther;
  }
  if (GetAtom({MP4ID("mdia"), MP4ID("mdhd")}, raw)) {
    const std::string_view b = raw->Bytes();
    if (!b.empty() && b[0] == 1) {
      SampleRate = static_cast<Integer>(BE(b, 20, 4));
      Duration = static_cast<Int64>(BE64(b, 24));
    } else {
      SampleRate = static_cast<Integer>(BE(b, 12, 4));
      Duration = static_cast<Integer>(BE(b, 16, 4));  // sign-extended
    }
    TimeScale = SampleRate;
  }
  TMP4AtomTable* stsd = nullptr;
  if (GetAtom({MP4ID("mdia"), MP4ID("minf"), MP4ID("stbl"), MP4ID("stsd")}, stsd) && stsd->GetCount() > 0) {
    TMP4Atom* entry = stsd->GetItem(0);
    Codec = TMP4Codecs::GetDescription(entry->ID);
    if (auto* entryRaw = dynamic_cast<TMP4AtomRaw*>(entry); entryRaw && Kind == KindAudio)
      ReadSampleEntry(entryRaw->Bytes());
    TMP4Atom* alac = nullptr;
    if (stsd->Find(MP4ID("alac"), alac))
      if (auto* alacRaw = dynamic_cast<TMP4AtomRaw*>(alac)) ReadALAC(alacRaw->Bytes());
  }
}

void TMP4Track::ReadSampleEntry(std::string_view Entry) {
  Channels = static_cast<Integer>(BE(Entry, 16, 2));
  BitsPerSample = static_cast<Integer>(BE(Entry, 18, 2));
  if (Entry.size() <= 20) return;
  const size_t esds = Entry.find("esds", 20);
  if (esds == std::string_view::npos) return;
  // The elementary stream descriptor; a descriptor cut short ends the parse.
  const std::string_view d = Entry.substr(esds + 4);
  size_t at = 4;
  auto byte = [&]() -> Integer { return at < d.size() ? static_cast<Byte>(d[at++]) : -1; };
  auto length = [&]() -> Integer {
    Integer b = byte();
    if (b == 0x80 || b == 0x81 || b == 0xFE) {
      at += 2;
      b = byte();
    }
    return b;
  };
  Integer tag = byte();
  while (tag > 0) {
    if (tag == 3) {
      if (length() < 0) return;
      at += 3;
      tag = byte();
    } else if (tag == 4) {
      if (length() < 0) return;
      at += 1 + 4 + 4;
      if (at + 4 > d.size()) return;
      Bitrate = static_cast<Integer>(BE(d, at, 4));
      at += 4;
      tag = byte();
    } else if (tag == 5) {
      const Integer size = length();
      if (size <= 0 || at >= d.size()) return;
      const Integer bytes = std::min<Integer>(size, static_cast<Integer>(d.size() - at));
      TZCLBitStream bits(d.data() + at, bytes * 8);
      try {
        Cardinal object = bits.Read(5);
        if (object == 31) object = 32 + bits.Read(6);
        bits.Skip(4);
        bits.Skip(4);
        if (object != 5 && object != 29) {
          bits.Skip(1);
          if (bits.Read(1)) bits.Skip(14);
          const bool extension = bits.Read(1) != 0;
          if (object == 6 || object == 20) bits.Skip(3);
          if (extension) {
            if (object == 17 || object == 19 || object == 20 || object == 23)
              bits.Skip(3);
            else if (object == 22)
              bits.Skip(16);
            if (bits.Read(1)) return;
          }
          if (bits.BitsLeft() >= 16 && bits.Read(11) == 0x2B7) {
            Cardinal ext = bits.Read(5);
            if (ext == 31) ext = 32 + bits.Read(6);
            if (ext == 5) {
              SBR = bits.Read(1) != 0;
              Codec = SBR ? u"MPEG-4 Audio (AAC LC SBR)" : u"MPEG-4 Audio (AAC LC)";
            }
          }
        }
      } catch (const EInvalidArgument&) {
      }
      return;
    } else {
      return;
    }
  }
}

void TMP4Track::ReadALAC(std::string_view Entry) {
  const size_t at = Entry.find("alac");
  if (at == std::string_view::npos || Entry.size() - at < 32) return;
  BitDepth = static_cast<Byte>(Entry[at + 13]);
  const Integer channels = static_cast<Byte>(Entry[at + 17]);
  const Integer rate = static_cast<Integer>(BE(Entry, at + 28, 4));
  if (rate > 0) SampleRate = rate;
  if (channels != 0) Channels = channels;
}

// ---- seek table ------------------------------------------------------------------------------------

TMP4TrackSeekTable::TMP4TrackSeekTable(TMP4Track* ATrack) : Track(ATrack) {
  BytesPerFrame = std::max(1, Track->Channels * Track->BitsPerSample / 8);
  auto table = [&](const char (&Name)[5], std::string_view& Bytes) {
    TMP4AtomRaw* raw = nullptr;
    if (!Track->GetAtom({MP4ID("mdia"), MP4ID("minf"), MP4ID("stbl"), MP4ID(Name)}, raw)) return false;
    Bytes = raw->Bytes();
    return true;
  };
  // Counts are taken only as far as the table's bytes hold entries.
  auto entries = [](std::string_view Bytes, size_t CountAt, size_t EntrySize) {
    const size_t count = BE(Bytes, CountAt, 4);
    const size_t room = Bytes.size() > CountAt + 4 ? (Bytes.size() - CountAt - 4) / EntrySize : 0;
    return std::min(count, room);
  };
  std::string_view b;
  if (table("stss", b))
    for (size_t i = 0, n = entries(b, 4, 4); i < n; ++i) SyncSamples.push_back(BE(b, 8 + 4 * i, 4));
  if (table("stsc", b)) {
    for (size_t i = 0, n = entries(b, 4, 12); i < n; ++i) {
      const size_t at = 8 + 12 * i;
      ChunkMap.push_back({BE(b, at, 4), 1, BE(b, at + 8, 4), BE(b, at + 4, 4)});
    }
    for (size_t i = 1; i < ChunkMap.size(); ++i) {
      const TSTSCEntry& prev = ChunkMap[i - 1];
      const Int64 first = static_cast<Int64>(prev.FirstSample) +
                          (static_cast<Int64>(ChunkMap[i].FirstChunk) - prev.FirstChunk) * prev.SamplesPerChunk;
      ChunkMap[i].FirstSample = static_cast<Cardinal>(std::clamp<Int64>(first, 0, 0xFFFFFFFFll));
    }
  }
  if (table("stsz", b)) {
    DefaultSampleSize = BE(b, 4, 4);
    if (DefaultSampleSize == 0)
      for (size_t i = 0, n = entries(b, 8, 4); i < n; ++i) SampleSizes.push_back(BE(b, 12 + 4 * i, 4));
  }
  if (table("stts", b))
    for (size_t i = 0, n = entries(b, 4, 8); i < n; ++i)
      TimeToSample.push_back({BE(b, 8 + 8 * i, 4), BE(b, 12 + 8 * i, 4)});
}

Cardinal TMP4TrackSeekTable::SampleAtTime(Int64 Time, bool SnapToSync) const {
  if (TimeToSample.empty()) return 0;
  Int64 sample = 1, start = 0;
  for (const TSTTSEntry& e : TimeToSample) {
    const Int64 span = static_cast<Int64>(e.SampleCount) * e.SampleDelta;
    if (Time < start + span) {
      const Int64 s = sample + (e.SampleDelta ? (Time - start) / e.SampleDelta : 0);
      return SnapToSync ? NearestSyncSample(static_cast<Cardinal>(s)) : static_cast<Cardinal>(s);
    }
    start += span;
    sample += e.SampleCount;
  }
  return static_cast<Cardinal>(std::min<Int64>(sample, 0xFFFFFFFFll));
}

void TMP4TrackSeekTable::SampleTime(Cardinal Sample, Int64& Time, Int64& Duration) const {
  Int64 first = 1, start = 0;
  for (const TSTTSEntry& e : TimeToSample) {
    if (Sample >= first && Sample < first + e.SampleCount) {
      Time = start + static_cast<Int64>(e.SampleDelta) * (Sample - first);
      Duration = e.SampleDelta;
      return;
    }
    first += e.SampleCount;
    start += static_cast<Int64>(e.SampleCount) * e.SampleDelta;
  }
  SeekTableError();
}

Cardinal TMP4TrackSeekTable::NearestSyncSample(Cardinal Sample) const {
  if (SyncSamples.empty()) return Sample;
  for (Cardinal s : SyncSamples)
    if (s >= Sample) return s;
  SeekTableError();
}

Int64 TMP4TrackSeekTable::SampleSize(Cardinal Sample) const {
  if (DefaultSampleSize > 0) return static_cast<Int64>(DefaultSampleSize) * BytesPerFrame;
  if (Sample < 1 || Sample > SampleSizes.size()) SeekTableError();
  return static_cast<Int64>(SampleSizes[Sample - 1]) * BytesPerFrame;
}

Int64 TMP4TrackSeekTable::SampleOffset(Cardinal Sample) const {
  if (Sample < 1 || ChunkMap.empty()) SeekTableError();
  const TSTSCEntry* entry = &ChunkMap.front();
  for (const TSTSCEntry& e : ChunkMap)
    if (e.FirstSample <= Sample) entry = &e;
  if (entry->FirstSample > Sample || entry->SamplesPerChunk == 0 || entry->FirstChunk == 0) SeekTableError();
  TMP4AtomTable* stsd = nullptr;
  TMP4AtomTable* dref = nullptr;
  if (!Track->GetAtom({MP4ID("mdia"), MP4ID("minf"), MP4ID("stbl"), MP4ID("stsd")}, stsd) ||
      entry->SampleDescriptionIndex < 1 || entry->SampleDescriptionIndex > static_cast<Cardinal>(stsd->GetCount()))
    SeekTableError();
  auto* description = dynamic_cast<TMP4AtomRaw*>(stsd->GetItem(static_cast<Integer>(entry->SampleDescriptionIndex) - 1));
  if (!description) SeekTableError();
  const Cardinal reference = BE(description->Bytes(), 6, 2);
  if (!Track->GetAtom({MP4ID("mdia"), MP4ID("minf"), MP4ID("dinf"), MP4ID("dref")}, dref) || reference < 1 ||
      reference > static_cast<Cardinal>(dref->GetCount()))
    SeekTableError();
  auto* location = dynamic_cast<TMP4AtomRaw*>(dref->GetItem(static_cast<Integer>(reference) - 1));
  if (!location || !(BE(location->Bytes(), 2, 2) & 1)) SeekTableError();  // media in another file
  TMP4AtomSTCO* stco = nullptr;
  if (!Track->GetAtom({MP4ID("mdia"), MP4ID("minf"), MP4ID("stbl"), MP4ID("stco")}, stco) &&
      !Track->GetAtom({MP4ID("mdia"), MP4ID("minf"), MP4ID("stbl"), MP4ID("co64")}, stco))
    SeekTableError();
  const Cardinal inChunks = (Sample - entry->FirstSample) / entry->SamplesPerChunk;
  const UInt64 chunk = static_cast<UInt64>(inChunks) + entry->FirstChunk - 1;
  if (chunk >= stco->Offsets.size()) SeekTableError();
  Int64 offset = stco->Offsets[chunk];
  for (Cardinal s = entry->FirstSample + inChunks * entry->SamplesPerChunk; s < Sample; ++s) offset += SampleSize(s);
  return offset;
}

void TMP4TrackSeekTable::ReadSample(TStream* Stream, Cardinal Sample, std::vector<Byte>& Buffer) const {
  const Int64 size = SampleSize(Sample);
  const Int64 offset = SampleOffset(Sample);
  if (offset < 0 || size < 0 || size > Stream->GetSize() - offset) SeekTableError();
  Buffer.resize(static_cast<size_t>(size));
  Stream->SetPosition(offset);
  if (size > 0) Stream->ReadBuffer(Buffer.data(), size);
}

// ---- codec names -----------------------------------------------------------------------------------

String TMP4Codecs::GetDescription(TMP4AtomID ID) {
  static const std::unordered_map<std::string, const char16_t*> names = [] {
    static const struct {
      const char* Code;
      const char16_t* Name;
    } entries[] = {
        {"2dcc", u"Two-dimensional computer graphics"},
        {"3glo", u"3GPP text chapter list"},
        {"3gor", u"3GPP orientation"},
        {"3gvo", u"3GPP video orientation"},
        {"a3d1", u"Multiview Video Coding"},
        {"a3d2", u"Multiview Video Coding"},
        {"a3d3", u"Multiview Video Coding"},
        {"a3d4", u"Multiview Video Coding"},
        {"a3ds", u"Auro-Cx 3D audio"},
        {"ac-3", u"AC-3 audio"},
        {"ac-4", u"AC-4 audio"},
        {"alac", u"Apple lossless audio codec"},
        {"alaw", u"a-Law"},
        {"av01", u"AV1 video"},
        {"avc1", u"Advanced Video Coding"},
        {"avc2", u"Advanced Video Coding"},
        {"avc3", u"Advanced Video Coding"},
        {"avc4", u"Advanced Video Coding"},
        {"avcp", u"Advanced Video Coding Parameters"},
        {"avst", u"AVS video"},
        {"avs3", u"AVS3 video"},
        {"camm", u"Camera motion metadata"},
        {"dav1", u"Dolby Vision AV1 video"},
        {"dra1", u"DRA Audio"},
        {"drac", u"Dirac Video Coder"},
        {"dts+", u"Enhancement layer for DTS layered audio"},
        {"dts-", u"Dependent base layer for DTS layered audio"},
        {"dtsc", u"Core Substream"},
        {"dtse", u"Extension Substream containing only LBR"},
        {"dtsh", u"Core Substream + Extension Substream"},
        {"dtsl", u"Extension Substream containing only XLL"},
        {"dtsx", u"DTS-UHD profile 2"},
        {"dtsy", u"DTS-UHD profile 3 or higher"},
        {"dva1", u"Dolby Vision AVC video"},
        {"dvav", u"Dolby Vision AVC video"},
        {"dvh1", u"Dolby Vision HEVC video"},
        {"dvhe", u"Dolby Vision HEVC video"},
        {"ec-3", u"Enhanced AC-3 audio"},
        {"ec+3", u"withdrawn, unused, do not use (was enhanced AC-3 audio with JOC)"},
        {"enca", u"Encrypted/Protected audio"},
        {"encf", u"Encrypted/Protected font"},
        {"encm", u"Encrypted/Protected metadata stream"},
        {"encs", u"Encrypted Systems stream"},
        {"enct", u"Encrypted Text"},
        {"encv", u"Encrypted/protected video"},
        {"fdp ", u"File delivery hints"},
        {"g719", u"ITU-T Recommendation G.719 (2008)"},
        {"g726", u"ITU-T Recommendation G.726 (1990)"},
        {"hev1", u"High Efficiency Video Coding"},
        {"hev2", u"High Efficiency Video Coding"},
        {"hvc1", u"High Efficiency Video Coding"},
        {"hvc2", u"High Efficiency Video Coding"},
        {"hvt1", u"HEVC tile track"},
        {"icpv", u"Intra-coded picture video"},
        {"ixse", u"DVB track level index"},
        {"j2ki", u"JPEG 2000 video"},
        {"jxsm", u"JPEG XS video"},
        {"lhe1", u"Layered HEVC video"},
        {"lht1", u"Layered HEVC tile track"},
        {"lhv1", u"Layered HEVC video"},
        {"m2ts", u"MPEG-2 transport stream for DMB"},
        {"m4ae", u"MPEG-4 Audio Enhancement"},
        {"mebx", u"Timed metadata boxes"},
        {"mett", u"Text timed metadata"},
        {"metx", u"XML timed metadata"},
        {"mha1", u"MPEG-H Audio (single stream, unencapsulated)"},
        {"mha2", u"MPEG-H Audio (multi-stream, unencapsulated)"},
        {"mhm1", u"MPEG-H Audio (single stream, MHAS encapsulated)"},
        {"mhm2", u"MPEG-H Audio (multi-stream, MHAS encapsulated)"},
        {"mjp2", u"Motion JPEG 2000"},
        {"mjpg", u"JPEG image sequences"},
        {"mlix", u"DVB media level index"},
        {"mlpa", u"MLP Audio"},
        {"mp4a", u"MPEG-4 Audio (AAC)"},
        {"mp4s", u"MPEG-4 Systems"},
        {"mp4v", u"MPEG-4 Visual"},
        {"mvc1", u"Multiview coding"},
        {"mvc2", u"Multiview coding"},
        {"mvc3", u"Multiview coding"},
        {"mvc4", u"Multiview coding"},
        {"mvd1", u"Multiview coding with depth"},
        {"mvd2", u"Multiview coding with depth"},
        {"mvd3", u"Multiview coding with depth"},
        {"mvd4", u"Multiview coding with depth"},
        {"oksd", u"OMA Keys"},
        {"Opus", u"Opus audio coding"},
        {"pm2t", u"Protected MPEG-2 Transport"},
        {"prtp", u"Protected RTP Reception"},
        {"raw ", u"Uncompressed audio"},
        {"resv", u"Restricted video"},
        {"rm2t", u"MPEG-2 Transport Reception"},
        {"rrtp", u"RTP reception"},
        {"rsrp", u"SRTP Reception"},
        {"rtcp", u"RTCP reception hint track"},
        {"rtmd", u"Real Time Metadata Sample Entry"},
        {"rtp ", u"RTP Hints"},
        {"rv60", u"RealVideo 6"},
        {"s263", u"ITU H.263 video (3GPP format)"},
        {"samr", u"Narrowband AMR voice"},
        {"sawb", u"Wideband AMR voice"},
        {"sawp", u"Extended AMR-WB (AMR-WB+)"},
        {"sbtt", u"Text subtitles"},
        {"sevc", u"EVRC Voice"},
        {"sevs", u"Enhanced Voice Services (EVS)"},
        {"sm2t", u"MPEG-2 Transport Server"},
        {"sqcp", u"13K Voice"},
        {"srtp", u"SRTP Hints"},
        {"ssmv", u"SMV Voice"},
        {"stcp", u"Subtitle in a CTS"},
        {"STGS", u"Subtitle Sample Entry"},
        {"stpp", u"XML subtitles"},
        {"stxt", u"Simple text"},
        {"svc1", u"Scalable Video Coding"},
        {"svc2", u"Scalable Video Coding"},
        {"svcM", u"SVC metadata"},
        {"tc64", u"64 bit timecode samples"},
        {"tmcd", u"32 bit timecode samples"},
        {"twos", u"Uncompressed 16-bit audio"},
        {"tx3g", u"Timed Text stream"},
        {"ulaw", u"Samples have been compressed using uLaw 2:1."},
        {"unid", u"Dynamic Range Control (DRC) data"},
        {"urim", u"Binary timed metadata identified by URI"},
        {"vc-1", u"SMPTE VC-1"},
        {"vp08", u"VP8 video"},
        {"vp09", u"VP9 video"},
        {"wvtt", u"WebVTT data"},
    };
    std::unordered_map<std::string, const char16_t*> map;
    for (const auto& e : entries) map.emplace(e.Code, e.Name);
    return map;
  }();
  const AnsiString code = MP4AtomIDToString(ID);
  if (auto it = names.find(code); it != names.end()) return it->second;
  return zcUpperCase(zcAnsiToUnicode(code));
}
