#pragma once
// The tag library as a source of the file manager's file information: a file or stream is handed
// to the container the tags manager finds for it, whose merged tags and stream values fill the
// caller's record (and its chapter list, when a plugin object carries one).

#include <memory>

#include "rtl/RTL.Types.h"
#include "zeph/core/ZEPH.Core.PluginAPI.h"
#include "zeph/media/ZEPH.FileManager.Services.Adapters.h"

class TStream;
class TZBLCustomFileInfo;

// The extension with its dot; the double one (".tar.gz") when the name has one.
String FileExtension(const String& Name);
// Fills Info from the stream through the container found by content and the extension of
// FileName (which may be empty); false when none reads it. The file manager's tag reader.
bool ReadTagsIntoRecord(TStream* Stream, const String& FileName, TZBLCustomFileInfo* Info);
// Plugin-facing forms: E_INVALIDARG for a missing stream or an object that is not the program's,
// E_FAIL when no container reads the data, E_UNEXPECTED when an error escaped; never raise.
HRESULT FillFileInfo(TStream* Stream, const String& Extension, IZEPHFileInfo* Info);
HRESULT ReadFileInfoFromFile(IZEPHString* FileName, IZEPHFileInfo* Info);
HRESULT ReadFileInfoFromStream(IZEPHStream* Stream, IZEPHFileInfo* Info);

namespace detail {
// Installs the tag reader with the file manager.
void FileManagerTagsInitialization();
void FileManagerTagsFinalization();
}  // namespace detail

// ---- tag editing for plugins ------------------------------------------------------------------

// One tag of a file as a plugin sees it: the file-information properties plus 101, the number of
// the tag's format (see TagFormatNumber), and 102, whether the tag is removed on the next save.
struct IZEPHFileTag : virtual IZEPHFileInfo {
  RTL_INTERFACE(IZEPHFileTag, IZEPHFileInfo, "{D54A0E93-7C21-4B6F-A8E3-1F90B2C6D741}")
};

// The tags of one open file. The tag objects handed out point into the editor and must not
// outlive it.
struct IZEPHFileTagEditor : virtual IInterface {
  RTL_INTERFACE(IZEPHFileTagEditor, IInterface, "{D54A0E93-7C21-4B6F-A8E3-1F90B2C6D742}")
  virtual HRESULT GetMergedInfo(IPtr<IZEPHFileInfo>& Info) = 0;
  virtual HRESULT GetTagObject(Integer Index, const TGUID& IID, void** Obj) = 0;
  virtual Integer GetTagCount() = 0;
  virtual HRESULT AssignToAllTags(IZEPHFileInfo* Info) = 0;
  virtual HRESULT SaveTags() = 0;
};

// Source is a plugin stream or a plugin string holding a file name. Never raise.
struct IZEPHServiceFileTagEditor : virtual IInterface {
  RTL_INTERFACE(IZEPHServiceFileTagEditor, IInterface, "{D54A0E93-7C21-4B6F-A8E3-1F90B2C6D743}")
  // An editor over every tag of the file; the file stays open until the editor is released.
  virtual HRESULT OpenFileTags(IInterface* Source, const TGUID& IID, void** Obj) = 0;
  // A copy of one tag of the given format number, independent of the file.
  virtual HRESULT OpenSingleTag(IInterface* Source, Integer TagID, const TGUID& IID, void** Obj) = 0;
};

// 1 "APE", 2 "ID3v1", 3 "ID3v2", 4 "M4A", 5 "Vorbis", 6 "WMA" (ignoring case); 0 for anything else.
Integer TagFormatNumber(const String& TagType);

class TZTLTag;
class TZTLTagsContainer;

class TZEPHServiceTagsLibrary : public TInterfacedObject, public IZEPHServiceFileTagEditor {
  ZCL_CLASS(TZEPHServiceTagsLibrary, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHServiceFileTagEditor)
 public:
  HRESULT OpenFileTags(IInterface* Source, const TGUID& IID, void** Obj) override;
  HRESULT OpenSingleTag(IInterface* Source, Integer TagID, const TGUID& IID, void** Obj) override;
};

// Owns the container and the stream of the edited file. Works on the main thread only, except
// GetTagCount; answers codes and lets no error out (a bad index is E_INVALIDARG, a failed
// write E_FAIL).
class TZEPHFileTagEditorAdapter : public TInterfacedObject, public IZEPHFileTagEditor {
  ZCL_CLASS(TZEPHFileTagEditorAdapter, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHFileTagEditor)
 public:
  TZEPHFileTagEditorAdapter(TZTLTagsContainer* AContainer, TStream* AStream);
  ~TZEPHFileTagEditorAdapter() override;
  HRESULT GetMergedInfo(IPtr<IZEPHFileInfo>& Info) override;
  HRESULT GetTagObject(Integer Index, const TGUID& IID, void** Obj) override;
  Integer GetTagCount() override;
  HRESULT AssignToAllTags(IZEPHFileInfo* Info) override;
  HRESULT SaveTags() override;

 private:
  std::unique_ptr<TZTLTagsContainer> FContainer;
  std::unique_ptr<TStream> FStream;
};

// Wraps a tag it does not own; main thread only.
class TZEPHFileTagAdapter : public TZEPHFileInfoAdapter, public IZEPHFileTag {
  ZCL_CLASS(TZEPHFileTagAdapter, TZEPHFileInfoAdapter)
  RTL_INTERFACES(TZEPHFileInfoAdapter, IZEPHFileTag)
 public:
  explicit TZEPHFileTagAdapter(TZTLTag* ATag);
  Integer GetTagID() const;

 protected:
  bool CheckAccess(HRESULT& Result) override;
  void DoGetValueAsVariant(Integer PropertyID, Variant& Value, HRESULT& Result) override;
  void DoSetValueAsVariant(Integer PropertyID, const Variant& Value, HRESULT& Result) override;

 private:
  TZTLTag* FTag;
};

// With the core running: the tag editor service.
void RegisterTagServicesWithCore();
