#pragma once
// Drag sources: a component that runs a drag of the window layer's drag and drop on a worker
// thread, offering its data through a list of providers (the program's configuration text, file
// lists, URI lists, file contents and their descriptors), and telling the control that started
// it when the drag begins, whether a drop may happen and how it ended.

#include <vector>

#include "os/OS.DragDrop.h"
#include "rtl/RTL.Set.h"
#include "vcl/VCL.Controls.h"
#include "zcl/base/ZCL.Classes.h"

class TZCLIniFile;
class TZCLStringList;

enum TZCLDropSourceAction : Byte { dsaCopy, dsaMove, dsaLink };
using TZCLDropSourceActions = TSet<TZCLDropSourceAction>;

// Implemented by the control that starts a drag.
struct IZCLDropSourceOperation : virtual IInterface {
  RTL_INTERFACE(IZCLDropSourceOperation, IInterface, "{F8DF8282-CEEA-45A4-BD28-6036B3747D5F}")
  // On the main thread, before the drag starts.
  virtual void DropSourceBegin() = 0;
  // The user released the button over a target; AllowDrop := False cancels the drop.
  virtual void DropSourceDrop(bool& AllowDrop) = 0;
  // On the main thread, after the drag; Actions is empty when nothing was dropped.
  virtual void DropSourceEnd(TZCLDropSourceActions Actions, TShiftState Shift) = 0;
};

// The files of a drag.
struct IZCLDropSourceDataFiles : virtual IInterface {
  RTL_INTERFACE(IZCLDropSourceDataFiles, IInterface, "{A39F822A-3659-4B6E-95BD-545DC3A68B8B}")
  virtual Integer GetCount() = 0;
  virtual String GetName(Integer Index) = 0;
  // The content of file Index, kept (and owned) by the data.
  virtual TStream* GetStream(Integer Index) = 0;
};

// Fills the names of a file drag when it is first asked for.
struct IZCLDropSourceDataProviderFiles : virtual IInterface {
  RTL_INTERFACE(IZCLDropSourceDataProviderFiles, IInterface, "{7EA0E947-D689-432B-B82A-1626D7BA24B4}")
  virtual void GetFiles(TZCLStringList* Names) = 0;
};

// Offered by a names provider that also makes the files' content.
struct IZCLDropSourceDataProviderStreams : virtual IInterface {
  RTL_INTERFACE(IZCLDropSourceDataProviderStreams, IInterface, "{76453619-F799-43D4-AA93-D106CD4BD563}")
  // A new stream (the caller's), or null.
  virtual TStream* CreateStream(Integer Index, const String& Name) = 0;
};

// One format of the data object.
class TZCLDragDropDataProvider : public TObject {
  ZCL_CLASS(TZCLDragDropDataProvider, TObject)
 public:
  virtual FORMATETC GetFormat() = 0;
  virtual bool IsAvailable() = 0;
  // The same clipboard format, and every storage bit of our format among the requested ones.
  virtual bool IsSupported(const FORMATETC& Format);
  virtual bool Store(STGMEDIUM& Medium, const FORMATETC& Format) = 0;
};

// The program's configuration ("text/zeph-config") as UTF-16 INI text.
class TZCLDragDropDataProviderConfig : public TZCLDragDropDataProvider {
  ZCL_CLASS(TZCLDragDropDataProviderConfig, TZCLDragDropDataProvider)
 public:
  // Keeps a copy of Ini.
  explicit TZCLDragDropDataProviderConfig(TZCLIniFile* Ini);
  ~TZCLDragDropDataProviderConfig() override;
  FORMATETC GetFormat() override;
  bool IsAvailable() override { return true; }
  bool Store(STGMEDIUM& Medium, const FORMATETC& Format) override;

 private:
  TZCLIniFile* FIni;
};

// A file list (CF_HDROP); available while the data has a file.
class TZCLDragDropDataProviderFiles : public TZCLDragDropDataProvider {
  ZCL_CLASS(TZCLDragDropDataProviderFiles, TZCLDragDropDataProvider)
 public:
  explicit TZCLDragDropDataProviderFiles(IZCLDropSourceDataFiles* Data) : FData(Data) {}
  FORMATETC GetFormat() override;
  bool IsAvailable() override;
  bool Store(STGMEDIUM& Medium, const FORMATETC& Format) override;

 protected:
  virtual bool StoreFiles(const std::vector<String>& Names, STGMEDIUM& Medium);
  IPtr<IZCLDropSourceDataFiles> FData;
};

// The same names under "text/zeph-uri-list".
class TZCLDragDropDataProviderFileURIs : public TZCLDragDropDataProviderFiles {
  ZCL_CLASS(TZCLDragDropDataProviderFileURIs, TZCLDragDropDataProviderFiles)
 public:
  using TZCLDragDropDataProviderFiles::TZCLDragDropDataProviderFiles;
  FORMATETC GetFormat() override;
};

// The content of file Index ("FileContents", a stream medium).
class TZCLDragDropDataProviderFileStream : public TZCLDragDropDataProviderFiles {
  ZCL_CLASS(TZCLDragDropDataProviderFileStream, TZCLDragDropDataProviderFiles)
 public:
  TZCLDragDropDataProviderFileStream(IZCLDropSourceDataFiles* Data, Integer Index)
      : TZCLDragDropDataProviderFiles(Data), FIndex(Index) {}
  FORMATETC GetFormat() override;
  bool IsSupported(const FORMATETC& Format) override;
  bool Store(STGMEDIUM& Medium, const FORMATETC& Format) override;

 private:
  Integer FIndex;
};

// The descriptors of all files ("FileGroupDescriptorW"): names and sizes.
class TZCLDragDropDataProviderFileStreamDescriptor : public TZCLDragDropDataProviderFiles {
  ZCL_CLASS(TZCLDragDropDataProviderFileStreamDescriptor, TZCLDragDropDataProviderFiles)
 public:
  using TZCLDragDropDataProviderFiles::TZCLDragDropDataProviderFiles;
  // Bytes of one descriptor, and where its fields lie.
  static constexpr size_t DescriptorSize = 592;
  static constexpr size_t SizeHighOffset = 64;
  static constexpr size_t NameOffset = 72;
  static constexpr size_t MaxNameLength = 259;
  FORMATETC GetFormat() override;
  bool Store(STGMEDIUM& Medium, const FORMATETC& Format) override;
};

// The providers in order of preference; owned.
class TZCLDragDropDataProviders {
 public:
  ~TZCLDragDropDataProviders() { Clear(); }
  void Add(TZCLDragDropDataProvider* Provider) { FItems.push_back(Provider); }
  void Clear();
  Integer GetCount() const { return static_cast<Integer>(FItems.size()); }
  TZCLDragDropDataProvider* GetItems(Integer Index) const { return FItems[static_cast<size_t>(Index)]; }

 private:
  std::vector<TZCLDragDropDataProvider*> FItems;
};

class TZCLDropSourceData : public TInterfacedObject {
  ZCL_CLASS(TZCLDropSourceData, TInterfacedObject)
 protected:
  virtual void Load() = 0;
};

// Names, and their streams made on first request.
class TZCLDropSourceDataFiles : public TZCLDropSourceData, public IZCLDropSourceDataFiles {
  ZCL_CLASS(TZCLDropSourceDataFiles, TZCLDropSourceData)
  RTL_INTERFACES(TZCLDropSourceData, IZCLDropSourceDataFiles)
 public:
  // Copies the names.
  explicit TZCLDropSourceDataFiles(const TZCLStringList* Names);
  ~TZCLDropSourceDataFiles() override;
  // A provider that fills the names when they are first asked for (and may make the streams).
  void SetNamesProvider(IZCLDropSourceDataProviderFiles* Provider) { FNamesProvider = IPtr(Provider); }

  Integer GetCount() override;
  String GetName(Integer Index) override;
  // The kept stream, else CreateStream, else an empty one; kept for Index.
  TStream* GetStream(Integer Index) override;

 protected:
  void Load() override;
  // The names provider's stream when it makes streams; null here otherwise.
  virtual TStream* CreateStream(Integer Index);

 private:
  void EnsureLoaded();
  void FreeStreams();
  TZCLStringList* FNames;
  IPtr<IZCLDropSourceDataProviderFiles> FNamesProvider;
  bool FLoaded = false;
};

// The format enumerator of a drag.
class TZCLDropFormatEtcList : public TInterfacedObject, public IEnumFORMATETC {
  ZCL_CLASS(TZCLDropFormatEtcList, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IEnumFORMATETC)
 public:
  explicit TZCLDropFormatEtcList(std::vector<FORMATETC> Formats, size_t Index = 0)
      : FFormats(std::move(Formats)), FIndex(Index) {}
  HRESULT Next(UINT Count, FORMATETC* Formats, UINT* Fetched) override;
  HRESULT Skip(UINT Count) override;
  HRESULT Reset() override;
  HRESULT Clone(IEnumFORMATETC** Enum) override;

 private:
  std::vector<FORMATETC> FFormats;
  size_t FIndex;
};

// The drag of one control: its data object and drop source.
class TZCLDropSource : public TZCLComponent, public IDataObject, public IDropSource {
  ZCL_CLASS(TZCLDropSource, TZCLComponent)
 public:
  TZCLDropSource(TComponent* AControl, IZCLDropSourceOperation* AHandler);
  // Queries this object cannot answer go to the handler.
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override;

  TZCLDropSourceActions GetAllowedActions() const { return FAllowedActions; }
  void SetAllowedActions(TZCLDropSourceActions Value) { FAllowedActions = Value; }
  TZCLDragDropDataProviders& GetDataProviders() { return FDataProviders; }
  TComponent* GetControl() const { return FControl; }
  // The keys and buttons when the drop was decided.
  TShiftState GetShiftState() const { return FShiftState; }
  TZCLDropSourceActions GetDropActions() const { return FDropActions; }

  // Forgets the control and the operation callback (the starter goes away or cancels).
  void ReleaseOperation() { ReleaseHandler(); }
  // Runs the drag on the calling thread; true when something was dropped.
  bool Execute();
  // Runs Execute on a new thread, which frees the drop source afterwards: the caller must not
  // touch it after this call.
  void ExecuteInThread();

  // IDataObject
  HRESULT GetData(const FORMATETC& Format, STGMEDIUM& Medium) override;
  HRESULT GetDataHere(const FORMATETC& Format, STGMEDIUM& Medium) override;
  HRESULT QueryGetData(const FORMATETC& Format) override;
  HRESULT GetCanonicalFormatEtc(const FORMATETC& In, FORMATETC& Out) override;
  HRESULT SetData(const FORMATETC& Format, STGMEDIUM& Medium, BOOL Release) override;
  HRESULT EnumFormatEtc(DWORD Direction, IEnumFORMATETC** Enum) override;

  // IDropSource
  HRESULT QueryContinueDrag(BOOL EscapePressed, DWORD KeyState) override;
  HRESULT GiveFeedback(DWORD Effect) override;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Runs the window layer's modal drag loop with this object as data and source.
  virtual void DoExecute();
  // Forgets Control and Handler (the control went away: the drag is cancelled).
  virtual void ReleaseHandler();

 private:
  TZCLDropSourceActions FAllowedActions{dsaCopy, dsaMove, dsaLink};
  TZCLDragDropDataProviders FDataProviders;
  TComponent* FControl = nullptr;
  IPtr<IZCLDropSourceOperation> FHandler;
  TShiftState FShiftState;
  TZCLDropSourceActions FDropActions;
};

// A drop source for the control and handler, all actions allowed, no providers.
TZCLDropSource* CreateDropSource(IZCLDropSourceOperation* Handler, TComponent* Control);
// A drag started by the program is running.
bool IsDragging();
