#pragma once
// The tag library's core: the tag (one tag of one file, itself a complete file-information
// record), the tags container (every tag of one media file, loaded, merged and saved together)
// and the tags manager (the registry that finds the container class for a file), plus the
// cleaning of single values and multi-line texts shared by every tag format.

#include <memory>
#include <vector>

#include "rtl/RTL.Set.h"
#include "zcl/base/ZCL.Classes.h"
#include "zeph/media/ZBL.FileInfo.h"

class TStream;
class TZCLStringList;

RTL_EXCEPTION(EZTLError, Exception);

// Text trimmed of characters up to 32 at both ends and cut at the first control character other
// than TAB, LF and CR (the zero padding of fixed-width fields ends the text).
String CleanValue(const String& Text);
// The lines of Text (split at CR LF, CR or LF), each trimmed of characters below 33 when TrimLines,
// each followed by CR LF.
String NormalizeLines(const String& Text, bool TrimLines);

// Declares the published properties of the tag classes (idempotent); field maps look them up.
void RegisterTagProperties();

// One tag of one file. TagType names the format ("ID3v1", "APE", "ID3v2", ...); Size is the bytes
// the tag took in the file when it was read, 0 when the file had none.
class TZTLTag : public TZBLFileInfo {
  ZCL_CLASS(TZTLTag, TZBLFileInfo)
 public:
  TZTLTag() = default;
  static void DeclareProperties(TClassDeclaration<TZTLTag>& D);

  bool GetDeleteTagOnSave() const { return FDeleteTagOnSave; }
  void SetDeleteTagOnSave(bool Value) { FDeleteTagOnSave = Value; }
  const String& GetTagType() const { return FTagType; }
  Cardinal GetSize() const { return FSize; }
  void SetSize(Cardinal Value) { FSize = Value; }

 protected:
  explicit TZTLTag(StringView TagType) : FTagType(TagType) {}
  void DoAssign(const TZBLCustomFileInfo* Source) override;

 private:
  bool FDeleteTagOnSave = false;
  String FTagType;
  Cardinal FSize = 0;
};

enum TZTLTagsContainerCapability : Byte {
  tccProbeByContent,  // may be tried on any file, whatever its extension
  tccWritable,
  tccVirtual,  // no file of its own: never loaded from a file or stream, never saved
};
constexpr Integer EnumHigh(TZTLTagsContainerCapability) { return tccVirtual; }
using TZTLTagsContainerCapabilities = TSet<TZTLTagsContainerCapability>;

using TZTLProgressEvent = TZCLProgressEvent;

// The record of a container class, answering its class-level operations.
class TZTLTagsContainerRecord : public TClassRecord {
 public:
  virtual TZTLTagsContainerCapabilities Capabilities() const = 0;
  // Masks "*.ext;" one after the other; empty when the format names none.
  virtual String SupportedExts() const = 0;
  virtual Cardinal Features() const = 0;
  bool CanSave() const { return Capabilities().Contains(tccWritable); }

 protected:
  TZTLTagsContainerRecord(StringView Name, TClass Parent) : TClassRecord(Name, Parent) {}
};
using TZTLTagsContainerClass = const TZTLTagsContainerRecord*;

template <class T>
class TZTLTagsContainerRecordOf : public TClassRecordOf<T, TZTLTagsContainerRecord> {
 public:
  TZTLTagsContainerRecordOf(StringView Name, TClass Parent)
      : TClassRecordOf<T, TZTLTagsContainerRecord>(Name, Parent) {}
  TZTLTagsContainerCapabilities Capabilities() const override { return T::ClassCapabilities(); }
  String SupportedExts() const override { return T::ClassSupportedExts(); }
  Cardinal Features() const override { return T::ClassFeatures(); }
};

// Every tag of one media file with the file's stream information and chapters. A concrete
// container adds its tags in its constructor (AddTag) and reads and writes them in DoLoad and
// DoSave. Owned by its creator; used by one thread at a time.
class TZTLTagsContainer : public TZCLUnknownObject {
  ZCL_CLASS(TZTLTagsContainer, TZCLUnknownObject)
 public:
  template <class T>
  using TMetaClassFor = TZTLTagsContainerRecordOf<T>;

  TZTLTagsContainer();
  ~TZTLTagsContainer() override;

  // A new container of the class, loaded from the file (unless the class is virtual). Errors of
  // the file system and of the format's reader propagate.
  static TZTLTagsContainer* Create(TZTLTagsContainerClass Class, const String& FileName, void* Data);
  // The same from a stream; FileName stays empty.
  static TZTLTagsContainer* Create(TZTLTagsContainerClass Class, TStream* Stream, void* Data);

  // A URL is not read: the container stays not loaded.
  virtual void LoadFromFile(const String& FileName);
  virtual void LoadFromStream(TStream* Stream);
  // Writes the tags into FileName; the file's attributes are restored afterwards.
  virtual void Save();
  // The extension of FileName without its dot, upper-cased; empty without one.
  virtual String GetFileFormat() const;
  // Clears Info and fills it with the merged information of the tags: tags whose values may be
  // truncated (ID3v1) only fill what the others left empty.
  virtual void GetInfo(TZBLFileInfo* Info) const;
  virtual void SetFileName(const String& Value);
  // A new record filled by GetInfo; the caller owns it.
  TZBLFileInfo* GetFileInfo() const;
  // Copies StreamInfo, FileName and FileSize into every tag.
  void UpdateTags();
  // DoSave into the given stream, for a caller that holds the file open itself.
  bool SaveToStream(TStream* Stream) { return DoSave(Stream); }

  static TZTLTagsContainerCapabilities ClassCapabilities() { return {tccProbeByContent}; }
  static String ClassSupportedExts() { return String(); }
  static Cardinal ClassFeatures() { return 0x5; }
  TZTLTagsContainerClass GetContainerClass() const { return static_cast<TZTLTagsContainerClass>(ClassType()); }

  Integer GetTagCount() const { return static_cast<Integer>(FTags.size()); }
  TZTLTag* GetTag(Integer Index) const { return FTags[static_cast<size_t>(Index)].get(); }
  TZBLChapters* GetChapters() const { return FChapters.get(); }
  TZBLStreamInfo& GetStreamInfo() { return FStreamInfo; }
  const String& GetFileName() const { return FFileName; }
  Int64 GetFileSize() const { return FFileSize; }
  void* GetData() const { return FData; }
  bool GetLoaded() const { return FLoaded; }

  // Handed to writers that move the file's data.
  TZTLProgressEvent OnProgress;

 protected:
  // The base recognises nothing.
  virtual bool DoLoad(TStream* Stream);
  virtual bool DoSave(TStream* Stream);
  // Creates a tag of the class and appends it to the tags; the container owns it.
  template <class T>
  T* AddTag() {
    auto tag = std::make_unique<T>();
    T* result = tag.get();
    FTags.push_back(std::move(tag));
    return result;
  }

  TZBLStreamInfo FStreamInfo;

 private:
  std::unique_ptr<TZBLChapters> FChapters;
  std::vector<std::unique_ptr<TZTLTag>> FTags;
  String FFileName;
  Int64 FFileSize = 0;
  void* FData = nullptr;
  bool FLoaded = false;
};

// The registry of container classes and of tag format names. One per process (GetTagsManager).
class TZTLTagsManager : public TZCLUnknownObject {
  ZCL_CLASS(TZTLTagsManager, TZCLUnknownObject)
 public:
  TZTLTagsManager();
  ~TZTLTagsManager() override;

  // Appends a class; called from unit initialisation, before any search.
  void Register(TZTLTagsContainerClass Class);
  void Unregister(TZTLTagsContainerClass Class);
  // Adds a tag format name unless present (ignoring case), kept in logical order.
  void RegisterTagName(const String& Name);
  const TZCLStringList* GetTagTypes() const { return FTagTypes; }

  // Finds and creates the container that reads the stream: by the double extension of FileName,
  // then its extension, then every class that probes by content, then the virtual ones, and with
  // AllowAny and no FileName every class that does not probe. A class that raises on the stream
  // counts as a failed attempt. FileName may be only an extension (".flac"). The caller owns the
  // container; nil and false when none reads it.
  bool Find(TStream* Stream, TZTLTagsContainer*& Container, void* Data, const String& FileName,
            bool AllowAny = false) const;

 private:
  std::vector<TZTLTagsContainerClass> FClasses;
  TZCLStringList* FTagTypes;
};

// The manager, created on first use with the tag format names of this library registered.
TZTLTagsManager* GetTagsManager();
