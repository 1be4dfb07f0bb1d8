#pragma once
// Virtual file names "<container file>:<part name>": a track inside a cue sheet, an archive or a
// container that a plugin reads. These are the name rules: the test, splitting, building, and the
// edits of a name through its two parts.
//
// On Linux ":" is an ordinary file-name character, so a name is virtual only when its container
// is an existing file or carries a scheme that a registered file system serves.

#include <vector>

#include "rtl/RTL.Interfaces.h"
#include "rtl/RTL.Objects.h"
#include "rtl/RTL.Types.h"

class TStream;
class TZBLCustomFileInfo;
class TZCLCriticalSection;
class TZCLStringList;
template <class K, class V>
class TZCLDictionary;

// Whether a URL scheme is served by a registered file system; installed by the file manager.
using TZEPHSchemeRegisteredProc = bool (*)(const String& Scheme);

class TZEPHFileURI : public TObject {
  ZCL_CLASS(TZEPHFileURI, TObject)
 public:
  // The 39 characters that may not stand on either side of the separating colon.
  static const String& Delimiters();

  static bool IsVirtual(const String& Name);
  // The colon rule alone, without asking the file system or the scheme registry.
  static bool HasVirtualForm(const String& Name);
  // Container and part of a virtual name; both empty and false otherwise.
  static bool Parse(const String& Name, String& Container, String& Part);
  static bool ParseContainer(const String& Name, String& Container);
  // The container of a virtual name, any other name as it is.
  static String ExtractContainer(const String& Name);
  // The container alone for an empty part. Raises Exception "PartName is invalid" for a part
  // holding ":" and "TZEPHFileURI.Build: something goes wrong" when the joined name does not have
  // the virtual form.
  static String Build(const String& Container, const String& Part);

  // Edits of a name through its parts; false when the edited parts do not build a name.
  // Flags bit 0: double extensions (".tar.gz"); bit 1: the part's extension rather than the
  // container's.
  static bool ChangeFileExt(const String& Name, const String& NewExt, Integer Flags, String& Result);
  static bool ExtractFileExt(const String& Name, Integer Flags, String& Result);
  // "/Music/Album.cue:Track 01" gives "Album.cue:Track 01".
  static bool ExtractFileName(const String& Name, String& Result);
  // The name of the container's folder.
  static bool ExtractFileParentDirName(const String& Name, String& Result);
  // The container's own name for a virtual name, else the name of the folder.
  static bool ExtractFileParentName(const String& Name, String& Result);
  static bool ExtractFilePath(const String& Name, String& Result);

  static TZEPHSchemeRegisteredProc GetSchemeRegisteredProc();
  static void SetSchemeRegisteredProc(TZEPHSchemeRegisteredProc Proc);
};

// One part of a container file, as the code that opened the container gives it. This is the
// program's side of a virtual file; readers of plugins come in through an adapter.
struct IZEPHVirtualFile : virtual IInterface {
  RTL_INTERFACE(IZEPHVirtualFile, IInterface, "{0B6E4F2A-93D1-4C57-8E2F-6A1D3B9C5E70}")
  // "<container>:<part>".
  virtual String GetFileName() = 0;
  // The file that holds the part's audio; false when unknown.
  virtual bool GetRealFileName(String& FileName) = 0;
  // Seconds within the real file.
  virtual Double GetClipStart() = 0;
  virtual Double GetClipFinish() = 0;
  // The text naming the part's format; false when unknown.
  virtual bool GetFormatText(String& Text) = 0;
  // A read stream over the part, owned by the caller.
  virtual HRESULT CreateStream(TStream*& Stream) = 0;
  // Fills the record with the part's values.
  virtual HRESULT FillFileInfo(TZBLCustomFileInfo* Info) = 0;
  virtual bool Exists() = 0;
  // A failure means the cached container is stale.
  virtual HRESULT Synchronize() = 0;
};

using TZEPHVirtualFileList = std::vector<IPtr<IZEPHVirtualFile>>;

// The parts of one container file; never changed after construction.
struct IZEPHFileContainer : virtual IInterface {
  RTL_INTERFACE(IZEPHFileContainer, IInterface, "{6F2C8A14-57E3-4B9D-A0C6-2E8F4D1B7A93}")
  virtual bool FindPart(const String& PartName, IPtr<IZEPHVirtualFile>& File) = 0;
  virtual IPtr<IZEPHVirtualFile> GetPart(Integer Index) = 0;
  virtual Integer GetCount() = 0;
  virtual String GetVirtualName(Integer Index) = 0;
  virtual String GetFileName() = 0;
};

class TZEPHFileContainer : public TInterfacedObject, public IZEPHFileContainer {
  ZCL_CLASS(TZEPHFileContainer, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHFileContainer)
 public:
  // Takes the parts of the first container met; parts of other containers and names that are
  // not virtual are skipped; a part met again replaces the earlier one in its place.
  explicit TZEPHFileContainer(const TZEPHVirtualFileList& Files);
  ~TZEPHFileContainer() override;

  bool FindPart(const String& PartName, IPtr<IZEPHVirtualFile>& File) override;
  IPtr<IZEPHVirtualFile> GetPart(Integer Index) override;
  Integer GetCount() override;
  String GetVirtualName(Integer Index) override;
  String GetFileName() override { return FFileName; }

 private:
  // Part names ignoring case, each carrying its file.
  TZCLStringList* FParts;
  String FFileName;
};

// Opened containers by container file name (exact comparison); every operation under one lock.
class TZEPHVirtualFileCacheList : public TObject {
  ZCL_CLASS(TZEPHVirtualFileCacheList, TObject)
 public:
  TZEPHVirtualFileCacheList();
  ~TZEPHVirtualFileCacheList() override;

  // Replaces a container cached under the same name.
  void Add(const IPtr<IZEPHFileContainer>& Container);
  bool Contains(const String& FileName);
  bool TryGet(const String& FileName, IPtr<IZEPHFileContainer>& Container);
  bool FindVirtualFile(const String& Name, IPtr<IZEPHVirtualFile>& File);
  void Remove(const String& FileName);
  void Clear();

 private:
  TZCLDictionary<String, IPtr<IZEPHFileContainer>>* FItems;
  TZCLCriticalSection* FLock;
};
