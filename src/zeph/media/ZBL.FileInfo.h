#pragma once
// The file-information record: everything known about one media file (26 tag texts, BPM, rating,
// the file's name, size and dates, the audio stream's properties), with its compact binary
// stream form. Tags derive from TZBLFileInfo, playlist entries from TZBLCustomFileInfo.
//
// The stream form (little-endian): the stream information (codec as a u16-counted string, then
// bitrate, bit depth and channels as int32, duration and sample rate as uint32, stream size as
// int64), BPM and rating as int32, the file size as int64, the 26 texts as int32-counted UTF-16
// strings; TZBLFileInfo appends the compilation byte, the custom fields (int32 count; each a
// u16-counted byte name and an int32-counted byte value) and the album art (int32 count and the
// bytes). The file name, the dates and the flags are not part of it.

#include "rtl/RTL.DateTime.h"
#include "rtl/RTL.Delegates.h"
#include "rtl/RTL.Interfaces.h"
#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.Classes.h"
#include "zeph/media/ZBL.AudioTypes.h"

class TStream;
struct IZCLDataContainer;
template <class T>
class TClassDeclaration;

// The text indexes; part of stored data, never reordered.
enum TZBLFileInfoText : Byte {
  fitAlbum,
  fitAlbumArtist,
  fitArtist,
  fitComment,
  fitComposer,
  fitCopyright,
  fitDate,
  fitEncodedBy,
  fitGenre,
  fitCueSheet,
  fitLink,
  fitLyrics,
  fitTitle,
  fitTrack,
  fitDisk,
  fitPublisher,
  fitAlbumGain,
  fitAlbumPeak,
  fitTrackGain,
  fitTrackPeak,
  fitMood,
  fitISRC,
  fitCatalog,
  fitLyricist,
  fitConductor,
  fitKey
};
constexpr Integer ZBLFileInfoTextCount = 26;

// Bits of the flags word; the higher bits belong to subclasses.
constexpr Word zfifRawMode = 0x0001;
constexpr Word zfifChangePending = 0x0002;

// Fills the dates of a file; installed once for the whole program.
using TZBLFileDatesProc = void (*)(const String& FileName, TDateTime& Created, TDateTime& Modified);
// The reader used by LoadFileDates; null reads nothing.
TZBLFileDatesProc GetFileDatesProc();
void SetFileDatesProc(TZBLFileDatesProc Proc);
// The plain file-system reader: creation and last-write time, both 0 when the file is not found.
void ZBLReadFileDates(const String& FileName, TDateTime& Created, TDateTime& Modified);

class TZBLCustomFileInfo : public TZCLUnknownObject {
  ZCL_CLASS(TZBLCustomFileInfo, TZCLUnknownObject)
 public:
  TZBLCustomFileInfo();
  ~TZBLCustomFileInfo() override;
  // Freeing a record never reports a change.
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TZBLCustomFileInfo>& D);

  // A null source clears the record. Nothing is normalized on the way; one change is reported.
  void Assign(const TZBLCustomFileInfo* Source);
  // A new record of the same class, assigned from this one; the caller owns it.
  virtual TZBLCustomFileInfo* Clone() const;
  // Stream information, size and tags; the file name and dates stay.
  virtual void Clear();
  virtual void ClearTags();
  // No tag value at all; name, size, dates and stream information do not count.
  virtual bool IsEmpty() const;

  void BeginUpdate();
  void EndUpdate();
  void Changed();

  // Fills empty (or, with Prefer, weaker) values from Source; one change report.
  void Merge(const TZBLCustomFileInfo* Source, bool Prefer);
  // Keeps only the values equal in both records.
  virtual void Intersect(const TZBLCustomFileInfo* Other);
  // A damaged stream raises EReadError before anything is allocated for a count it cannot hold.
  virtual void LoadFromStream(TStream* Stream);
  virtual void SaveToStream(TStream* Stream) const;
  // True for tag formats whose texts may have been cut short.
  virtual bool HasLimitedValues() const { return false; }

  virtual String GetDisplayArtist() const { return GetValue(fitArtist); }
  virtual String GetDisplayTitle() const { return GetValue(fitTitle); }

  const String& GetValue(Integer Index) const;
  void SetValue(Integer Index, const String& Value);

  SmallInt GetBPM() const { return FBPM; }
  void SetBPM(Integer Value);
  SmallInt GetRating() const { return FRating; }
  void SetRating(SmallInt Value) { FRating = Value; }
  Int64 GetFileSize() const { return FFileSize; }
  void SetFileSize(Int64 Value);
  const String& GetFileName() const { return FFileName; }
  void SetFileName(const String& Value);
  // Read from the file at most once per file name; 0 when the file cannot be found.
  TDateTime GetFileDateOfCreation() const;
  TDateTime GetFileDateOfModification() const;
  TZBLStreamInfo& GetStreamInfo() { return FStreamInfo; }
  const TZBLStreamInfo& GetStreamInfo() const { return FStreamInfo; }
  void SetStreamInfo(const TZBLStreamInfo& Value) { FStreamInfo = Value; }

  String GetTrackNumber() const;
  void SetTrackNumber(const String& Value);
  String GetTrackTotal() const;
  void SetTrackTotal(const String& Value);
  String GetDiskNumber() const;
  void SetDiskNumber(const String& Value);
  String GetDiskTotal() const;
  void SetDiskTotal(const String& Value);

  Single GetAlbumGainAsSingle() const { return GetValueAsSingle(fitAlbumGain); }
  void SetAlbumGainAsSingle(Single Value);
  Single GetAlbumPeakAsSingle() const { return GetValueAsSingle(fitAlbumPeak); }
  void SetAlbumPeakAsSingle(Single Value);
  Single GetTrackGainAsSingle() const { return GetValueAsSingle(fitTrackGain); }
  void SetTrackGainAsSingle(Single Value);
  Single GetTrackPeakAsSingle() const { return GetValueAsSingle(fitTrackPeak); }
  void SetTrackPeakAsSingle(Single Value);

  // Convenience accessors of the texts.
  const String& GetAlbum() const { return GetValue(fitAlbum); }
  const String& GetArtist() const { return GetValue(fitArtist); }
  const String& GetTitle() const { return GetValue(fitTitle); }
  const String& GetTrack() const { return GetValue(fitTrack); }
  void SetAlbum(const String& V) { SetValue(fitAlbum, V); }
  void SetArtist(const String& V) { SetValue(fitArtist, V); }
  void SetTitle(const String& V) { SetValue(fitTitle, V); }
  void SetTrack(const String& V) { SetValue(fitTrack, V); }

  Word GetFlags() const { return FFlags; }

 protected:
  // The copy step of Assign: runs in raw mode inside an update bracket.
  virtual void DoAssign(const TZBLCustomFileInfo* Source);
  virtual void DoChanged() {}
  virtual void FileNameChanged();
  virtual void LoadFileDates(TDateTime& Created, TDateTime& Modified) const;
  virtual void DoMerge(const TZBLCustomFileInfo* Source, bool Prefer);
  virtual void NormalizeValue(Integer Index, String& Value) const;
  // A subclass bit of the flags word changed.
  virtual void FlagChanged(Word Flag) {}

  bool GetFlag(Word Flag) const { return (FFlags & Flag) != 0; }
  void SetFlag(Word Flag, bool Value);
  // Stores a text as it is, with no change report.
  void StoreValue(Integer Index, String Value) { FValues[Index] = std::move(Value); }
  Single GetValueAsSingle(Integer Index) const;

 private:
  SmallInt FBPM = 0;
  SmallInt FRating = 0;
  Word FFlags = 0;
  SmallInt FUpdateCount = 0;
  String FValues[ZBLFileInfoTextCount];
  mutable TDateTime FFileDateOfCreation = -1;
  mutable TDateTime FFileDateOfModification = -1;
  Int64 FFileSize = 0;
  String FFileName;
  TZBLStreamInfo FStreamInfo;
};

// One name/value pair without a text index; bytes stored as given.
class TZBLFileInfoCustomField : public TObject {
  ZCL_CLASS(TZBLFileInfoCustomField, TObject)
 public:
  TZBLFileInfoCustomField() = default;
  TZBLFileInfoCustomField(AnsiString AName, AnsiString AValue) : Name(std::move(AName)), Value(std::move(AValue)) {}
  AnsiString Name;
  AnsiString Value;
};

// Owns its fields. Names compare ignoring the case of ASCII letters; the last of equal names wins.
class TZBLFileInfoCustomFields : public TZCLObjectList {
  ZCL_CLASS(TZBLFileInfoCustomFields, TZCLObjectList)
 public:
  TZBLFileInfoCustomFields() : TZCLObjectList(true) {}
  TZBLFileInfoCustomField* Add(const AnsiString& Name, const AnsiString& Value);
  void Assign(const TZBLFileInfoCustomFields* Source);
  Integer IndexOf(std::string_view Name) const;
  bool Find(std::string_view Name, TZBLFileInfoCustomField*& Field) const;
  void Remove(std::string_view Name);
  TZBLFileInfoCustomField* GetItem(Integer Index) const {
    return static_cast<TZBLFileInfoCustomField*>(GetItems(Index));
  }
  TZBLFileInfoCustomField* operator[](Integer Index) const { return GetItem(Index); }
};

class TZBLFileInfo : public TZBLCustomFileInfo {
  ZCL_CLASS(TZBLFileInfo, TZBLCustomFileInfo)
 public:
  TZBLFileInfo();
  ~TZBLFileInfo() override;
  static void DeclareProperties(TClassDeclaration<TZBLFileInfo>& D);

  void ClearTags() override;
  bool IsEmpty() const override;
  void Intersect(const TZBLCustomFileInfo* Other) override;
  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream) const override;

  // Shared by reference between records.
  const IPtr<IZCLDataContainer>& GetAlbumArt() const { return FAlbumArt; }
  void SetAlbumArt(const IPtr<IZCLDataContainer>& Value);
  TZBLFileInfoCustomFields* GetCustomFields() const { return FCustomFields; }
  bool GetPartOfCompilation() const { return FPartOfCompilation; }
  void SetPartOfCompilation(bool Value);

  // Told, with the record as sender, of every change report.
  TNotifyEvent OnChange;

 protected:
  void DoAssign(const TZBLCustomFileInfo* Source) override;
  void DoChanged() override;
  void DoMerge(const TZBLCustomFileInfo* Source, bool Prefer) override;

 private:
  void CustomFieldsChanged(TObject* Sender);

  IPtr<IZCLDataContainer> FAlbumArt;
  TZBLFileInfoCustomFields* FCustomFields;
  bool FPartOfCompilation = false;
};

// What is known about the track being played: seven more texts (0 the file format, 1 the
// playlist's name, 6 a radio station's name) and its place in its playlist.
class TZBLPlayingFileInfo : public TZBLFileInfo {
  ZCL_CLASS(TZBLPlayingFileInfo, TZBLFileInfo)
 public:
  static constexpr Integer TextCount = 7;

  void Clear() override;
  const String& GetText(Integer Index) const;
  void SetText(Integer Index, const String& Value);

  // 0-based; -1 when unknown.
  Integer PlaylistItemIndex = -1;
  // -1 when unknown.
  Integer PlaylistItemCount = -1;

 protected:
  void DoAssign(const TZBLCustomFileInfo* Source) override;
  void DoMerge(const TZBLCustomFileInfo* Source, bool Prefer) override;

 private:
  String FTexts[TextCount];
};

class TZBLChapters;

class TZBLChapter : public TObject {
  ZCL_CLASS(TZBLChapter, TObject)
 public:
  TZBLChapter(TZBLChapters* AOwner, const String& ATitle, Double AStart, Double AFinish)
      : Owner(AOwner), Title(ATitle), Start(AStart), Finish(AFinish) {}
  bool Equals(const TObject* Obj) const override;

  TZBLChapters* Owner;
  String Title;
  // Seconds; a finish below 0 means the chapter is still open.
  Double Start;
  Double Finish;
};

// Owns its chapters, in the order they were added.
class TZBLChapters : public TZCLObjectList {
  ZCL_CLASS(TZBLChapters, TZCLObjectList)
 public:
  TZBLChapters() : TZCLObjectList(true) {}
  // An open last chapter is closed at the new start first.
  TZBLChapter* Add(const String& Title, Double Start, Double Finish = -1);
  void Assign(const TZBLChapters* Source);
  // Gives an open last chapter that finish.
  void CloseLast(Double Position);
  bool Equals(const TObject* Obj) const override;
  TZBLChapter* GetItem(Integer Index) const { return static_cast<TZBLChapter*>(GetItems(Index)); }
  TZBLChapter* operator[](Integer Index) const { return GetItem(Index); }
};

struct IZBLFileInfo : virtual IInterface {
  RTL_INTERFACE(IZBLFileInfo, IInterface, "{79959FFC-4FC6-4FB1-8EBC-60143FF0C91B}")
  virtual TZBLFileInfo* GetFileInfo() = 0;
};

// Owns its record and frees it with the last reference.
class TZBLFileInfoKeeper : public TInterfacedObject, public IZBLFileInfo {
  ZCL_CLASS(TZBLFileInfoKeeper, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZBLFileInfo)
 public:
  TZBLFileInfoKeeper();
  // Takes the record over.
  explicit TZBLFileInfoKeeper(TZBLFileInfo* AInfo);
  ~TZBLFileInfoKeeper() override;
  TZBLFileInfo* GetFileInfo() override { return FInfo; }

 private:
  TZBLFileInfo* FInfo;
};

class TZBLFileInfoTrackNumbersHelper : public TObject {
  ZCL_CLASS(TZBLFileInfoTrackNumbersHelper, TObject)
 public:
  // "3/12" gives 3 and 12; without "/" all is number. Spaces are kept.
  static void Split(StringView Text, String& Number, String& Total);
  static String Join(const String& Number, const String& Total);
};

class TZBLFileInfoUtils : public TObject {
  ZCL_CLASS(TZBLFileInfoUtils, TObject)
 public:
  // "Artist - Title", the title, or the file name without folder and extension.
  static String FormatDisplayText(const TZBLCustomFileInfo* Info);
};

// Unit hooks.
namespace detail {
void ZBLFileInfoInitialization();
}
