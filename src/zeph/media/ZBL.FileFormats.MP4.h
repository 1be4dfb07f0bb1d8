#pragma once
// Files of the ISO base media file format (MP4, M4A, M4B ...) as a tree of atoms. Only the atoms
// the program has to understand get a class of their own; every other atom keeps its bytes and is
// written back unchanged. The media data ("mdat") is never read: the tree knows where it is.
// Every integer of the format is big-endian. Also the tracks of the tree, their sample tables
// and the names of their codecs.

#include <initializer_list>
#include <memory>
#include <vector>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Types.h"

class TStream;
class TMemoryStream;

RTL_EXCEPTION(EMP4InvalidAtomStructure, Exception);

// The 4 type bytes as they stand in the file, in memory order.
using TMP4AtomID = Cardinal;
constexpr TMP4AtomID MP4ID(const char (&Text)[5]) {
  return static_cast<Cardinal>(static_cast<Byte>(Text[0])) | static_cast<Cardinal>(static_cast<Byte>(Text[1])) << 8 |
         static_cast<Cardinal>(static_cast<Byte>(Text[2])) << 16 |
         static_cast<Cardinal>(static_cast<Byte>(Text[3])) << 24;
}
TMP4AtomID MP4IDOf(const void* Bytes);
AnsiString MP4AtomIDToString(TMP4AtomID ID);
using TMP4Path = std::initializer_list<TMP4AtomID>;

class TMP4Container;

class TMP4Atom {
 public:
  TMP4Atom(TMP4AtomID AID, TMP4Atom* AParent) : ID(AID), Parent(AParent) {}
  virtual ~TMP4Atom() = default;
  TMP4Atom(const TMP4Atom&) = delete;
  TMP4Atom& operator=(const TMP4Atom&) = delete;

  virtual TMP4Container* GetContainer();
  // Reads the Size content bytes after the header.
  virtual void LoadContent(TStream* Stream, Int64 Size);
  virtual void SaveContent(TStream* Stream) = 0;
  virtual TMP4Atom* AddChild(TMP4AtomID ChildID);
  virtual void Clear() {}
  // The size Save writes, header included.
  virtual Int64 CalculateSize() const { return 8; }
  virtual bool Find(TMP4AtomID ChildID, TMP4Atom*& Atom) const;
  virtual bool FindRecursive(TMP4AtomID ChildID, TMP4Atom*& Atom) const;

  // Size becomes CalculateSize; then header and content.
  void Save(TStream* Stream);
  // Takes the atom out of its parent's list, which frees it; false when it was not there.
  bool Remove();
  // Raises the wrong-size error when the content is below Minimum.
  static void CheckAtomSize(Int64 Size, Int64 Minimum, TMP4AtomID ID);

  TMP4AtomID ID;
  TMP4Atom* Parent;
  Int64 Position = 0;
  // With header; that of the file after loading, the calculated one after saving.
  Int64 Size = 0;
};

class TMP4AtomList : public TMP4Atom {
 public:
  using TMP4Atom::TMP4Atom;
  void LoadContent(TStream* Stream, Int64 Size) override;
  void SaveContent(TStream* Stream) override;
  TMP4Atom* AddChild(TMP4AtomID ChildID) override;
  void Clear() override { FItems.clear(); }
  Int64 CalculateSize() const override;
  bool Find(TMP4AtomID ChildID, TMP4Atom*& Atom) const override;
  bool FindRecursive(TMP4AtomID ChildID, TMP4Atom*& Atom) const override;

  Integer GetCount() const { return static_cast<Integer>(FItems.size()); }
  TMP4Atom* GetItem(Integer Index) const { return FItems[static_cast<size_t>(Index)].get(); }
  void Delete(Integer Index);
  Integer IndexOf(const TMP4Atom* Atom) const;
  // Appends an atom made elsewhere; the list takes it over.
  TMP4Atom* Append(std::unique_ptr<TMP4Atom> Atom);

  // Paths walk one level a step from this list.
  bool FindAtom(TMP4Path Path, TMP4Atom*& Atom) const;
  // Creates every missing step with AddChild.
  TMP4Atom* ForceAtom(TMP4Path Path);
  bool DeleteAtom(TMP4Path Path);
  // Drops every "free" atom below, then appends one of at most MaxFree bytes of content when the
  // range of OldSize bytes has room for it. Answers OldSize - the new size (0: exact fit).
  Int64 ReserveFreeSpace(Int64 OldSize, Int64 MaxFree);

 protected:
  void LoadChildren(TStream* Stream, Int64 Remaining);
  Int64 ChildrenSize() const;
  void SaveChildren(TStream* Stream);

 private:
  std::vector<std::unique_ptr<TMP4Atom>> FItems;
};

class TMP4AtomRaw : public TMP4Atom {
 public:
  TMP4AtomRaw(TMP4AtomID AID, TMP4Atom* AParent);
  ~TMP4AtomRaw() override;
  void LoadContent(TStream* Stream, Int64 Size) override;
  void SaveContent(TStream* Stream) override;
  void Clear() override;
  Int64 CalculateSize() const override;
  TMemoryStream* GetData() const { return FData.get(); }
  // The bytes kept, as a view.
  std::string_view Bytes() const;

 protected:
  std::unique_ptr<TMemoryStream> FData;
};

// The value atom "data" of a metadata item.
class TMP4AtomData : public TMP4AtomRaw {
 public:
  enum : Cardinal { TypeImplicit = 0, TypeUTF8 = 1, TypeBinary = 13, TypeInteger = 21 };
  using TMP4AtomRaw::TMP4AtomRaw;
  void LoadContent(TStream* Stream, Int64 Size) override;
  void SaveContent(TStream* Stream) override;
  void Clear() override;
  Int64 CalculateSize() const override { return TMP4AtomRaw::CalculateSize() + 8; }

  Integer AsInteger() const;
  String AsString() const;
  void SetData(Cardinal Type, const void* Buffer, Integer Count);
  void SetAsUTF8(std::string_view Bytes) { SetData(TypeUTF8, Bytes.data(), static_cast<Integer>(Bytes.size())); }
  void SetAsString(const String& Text);
  void SetAsByte(Byte Value);
  void SetAsWord(Word Value);
  void SetAsBinary(const void* Buffer, Integer Count) { SetData(TypeBinary, Buffer, Count); }

  Cardinal DataType = 0;  // version byte and type flags together
  Cardinal Locale = 0;
};

class TMP4AtomFTYP : public TMP4AtomRaw {
 public:
  using TMP4AtomRaw::TMP4AtomRaw;
  void LoadContent(TStream* Stream, Int64 Size) override;
  void SaveContent(TStream* Stream) override;
  void Clear() override;
  Int64 CalculateSize() const override { return TMP4AtomRaw::CalculateSize() + 4; }
  TMP4AtomID MajorBrand = 0;
};

class TMP4AtomMeta : public TMP4AtomList {
 public:
  using TMP4AtomList::TMP4AtomList;
  void LoadContent(TStream* Stream, Int64 Size) override;
  void SaveContent(TStream* Stream) override;
  Int64 CalculateSize() const override { return TMP4AtomList::CalculateSize() + (HasPrefix ? 4 : 0); }
  Byte VersionFlags[4] = {};
  // Some writers leave the version and flags out and start with the children; kept as found.
  bool HasPrefix = true;
};

// Sample description and data reference tables: the count written is that of the children.
class TMP4AtomTable : public TMP4AtomList {
 public:
  using TMP4AtomList::TMP4AtomList;
  void LoadContent(TStream* Stream, Int64 Size) override;
  void SaveContent(TStream* Stream) override;
  Int64 CalculateSize() const override { return TMP4AtomList::CalculateSize() + 8; }
  Byte VersionFlags[4] = {};
};

class TMP4AtomName : public TMP4Atom {
 public:
  using TMP4Atom::TMP4Atom;
  void LoadContent(TStream* Stream, Int64 Size) override;
  void SaveContent(TStream* Stream) override;
  Int64 CalculateSize() const override { return 12 + static_cast<Int64>(Name.size()); }
  Byte VersionFlags[4] = {};
  AnsiString Name;
};

class TMP4AtomFree : public TMP4Atom {
 public:
  using TMP4Atom::TMP4Atom;
  void LoadContent(TStream* Stream, Int64 Size) override { FreeSize = Size; }
  void SaveContent(TStream* Stream) override;  // zeros
  Int64 CalculateSize() const override { return 8 + FreeSize; }
  Int64 FreeSize = 0;
};

class TMP4AtomMDAT : public TMP4Atom {
 public:
  using TMP4Atom::TMP4Atom;
  void LoadContent(TStream*, Int64) override {}
  // Raises EInvalidOperation: the media data is not held.
  void SaveContent(TStream* Stream) override;
  Int64 CalculateSize() const override { return Size; }
};

// Chunk offsets, 32-bit ("stco") or 64-bit ("co64").
class TMP4AtomSTCO : public TMP4Atom {
 public:
  using TMP4Atom::TMP4Atom;
  void LoadContent(TStream* Stream, Int64 Size) override;
  void SaveContent(TStream* Stream) override;
  Int64 CalculateSize() const override { return 16 + static_cast<Int64>(Offsets.size()) * EntrySize(); }
  void Shift(Int64 Delta);
  Integer EntrySize() const;
  Cardinal VersionFlags = 0;
  std::vector<Int64> Offsets;
};

// The chapter list "chpl": titles (UTF-8) with start times in seconds.
class TMP4AtomCHPL : public TMP4Atom {
 public:
  using TMP4Atom::TMP4Atom;
  void LoadContent(TStream* Stream, Int64 Size) override;
  void SaveContent(TStream* Stream) override;
  void Clear() override { FTitles.clear(), FTimes.clear(); }
  Int64 CalculateSize() const override;
  // The title is cut to its first 255 UTF-8 bytes.
  void Add(const String& Title, Single Time);
  Integer GetCount() const { return static_cast<Integer>(FTitles.size()); }
  String GetTitle(Integer Index) const;
  Single GetTime(Integer Index) const { return FTimes[static_cast<size_t>(Index)]; }

 private:
  std::vector<AnsiString> FTitles;
  std::vector<Single> FTimes;
};

class TMP4Track;
using TMP4Tracks = std::vector<std::unique_ptr<TMP4Track>>;

// The root: the top-level atoms of the file, without a header of its own.
class TMP4Container : public TMP4AtomList {
 public:
  // Deeper trees are taken for damage.
  static constexpr Integer MaxDepth = 32;

  TMP4Container() : TMP4AtomList(0, nullptr) {}
  TMP4Container* GetContainer() override { return this; }
  Int64 CalculateSize() const override { return ChildrenSize(); }
  void SaveContent(TStream* Stream) override { SaveChildren(Stream); }

  // The top-level atoms from the stream's position to its end.
  void LoadFromStream(TStream* Stream);
  void SaveToStream(TStream* Stream) { SaveChildren(Stream); }
  // The factory AddChild uses; the class chosen by the ID and the parent's ID.
  virtual std::unique_ptr<TMP4Atom> CreateAtom(TMP4AtomID AtomID, TMP4Atom* AtomParent);
  // One track per "trak" of the top-level "moov", in order.
  TMP4Tracks CreateTracks();

  Integer Depth = 0;  // of the list being loaded
};

// ---- tracks ----------------------------------------------------------------------------------------

class TMP4Track {
 public:
  enum : Byte { KindOther = 0, KindAudio = 1, KindText = 2, KindVideo = 3 };
  // Reads the track's header, handler, media header and first sample description. A short or
  // damaged description ends its parse; what was read stays.
  explicit TMP4Track(TMP4AtomList* AAtom);
  // The atom at Path below "trak"; false when missing. One of another class raises.
  template <class T>
  bool GetAtom(TMP4Path Path, T*& Result) const {
    TMP4Atom* atom = nullptr;
    Result = nullptr;
    if (!Atom->FindAtom(Path, atom)) return false;
    Result = dynamic_cast<T*>(atom);
    if (!Result) throw Exception(u"TMP4Track.GetAtom");
    return true;
  }

  TMP4AtomList* Atom;
  Integer TrackID = 0;
  Integer ChapterTrackID = 0;
  Byte Kind = KindOther;
  Integer SampleRate = 0;
  // The media header's time scale, in whose units Duration counts (SampleRate may be the codec's).
  Integer TimeScale = 0;
  Int64 Duration = 0;
  String Codec;
  Integer Channels = 0;
  Integer BitsPerSample = 0;
  Integer BitDepth = 0;
  Integer Bitrate = 0;  // bits per second
  bool SBR = false;

 private:
  void ReadSampleEntry(std::string_view Entry);
  void ReadALAC(std::string_view Entry);
};

// The sample table of one track: where each sample lies in the file and when it plays. Sample
// numbers start at 1. Every inconsistency raises Exception "TMP4TrackSeekTable".
class TMP4TrackSeekTable {
 public:
  struct TSTSCEntry {
    Cardinal FirstChunk, FirstSample, SampleDescriptionIndex, SamplesPerChunk;
  };
  struct TSTTSEntry {
    Cardinal SampleCount, SampleDelta;
  };

  explicit TMP4TrackSeekTable(TMP4Track* ATrack);
  Integer SampleCount() const { return static_cast<Integer>(SampleSizes.size()); }
  Cardinal SampleAtTime(Int64 Time, bool SnapToSync) const;
  void SampleTime(Cardinal Sample, Int64& Time, Int64& Duration) const;
  Cardinal NearestSyncSample(Cardinal Sample) const;
  Int64 SampleSize(Cardinal Sample) const;
  Int64 SampleOffset(Cardinal Sample) const;
  // Reads the sample into Buffer, grown as needed.
  void ReadSample(TStream* Stream, Cardinal Sample, std::vector<Byte>& Buffer) const;

  TMP4Track* Track;
  Integer BytesPerFrame = 1;
  Cardinal DefaultSampleSize = 0;
  std::vector<Cardinal> SampleSizes;
  std::vector<TSTSCEntry> ChunkMap;
  std::vector<Cardinal> SyncSamples;
  std::vector<TSTTSEntry> TimeToSample;
};

class TMP4Codecs {
 public:
  TMP4Codecs() = delete;
  // The name of a sample-entry code; an unknown code in upper case.
  static String GetDescription(TMP4AtomID ID);
};
