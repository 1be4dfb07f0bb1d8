#include "zcl/ui/ZCL.UI.DragDrop.Source.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "os/OS.Clipboard.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Threads.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.Utils.Clipboard.h"
#include "zcl/base/ZCL.Utils.Common.h"
#include "zcl/base/ZCL.Utils.Messaging.h"

namespace {
std::atomic<Integer> GDragCount{0};

FORMATETC RegisteredFormat(StringView Name, DWORD Storage = TYMED_HGLOBAL) {
  FORMATETC format = MakeFormatEtc(RegisterClipboardFormat(Name));
  format.tymed = Storage;
  return format;
}

void StoreBlock(STGMEDIUM& Medium, HGLOBAL Block) {
  Medium.tymed = TYMED_HGLOBAL;
  Medium.hGlobal = Block;
}

void PutDword(Byte* At, uint32_t Value) { std::memcpy(At, &Value, sizeof(Value)); }
}  // namespace

// ---- providers ---------------------------------------------------------------------------------

bool TZCLDragDropDataProvider::IsSupported(const FORMATETC& Format) {
  const FORMATETC own = GetFormat();
  return Format.cfFormat == own.cfFormat && (Format.tymed & own.tymed) == own.tymed;
}

void TZCLDragDropDataProviders::Clear() {
  for (TZCLDragDropDataProvider* p : FItems) Free(p);
  FItems.clear();
}

TZCLDragDropDataProviderConfig::TZCLDragDropDataProviderConfig(TZCLIniFile* Ini) : FIni(TZCLIniFile::CreateInMemory()) {
  if (Ini) FIni->Assign(Ini);
}

TZCLDragDropDataProviderConfig::~TZCLDragDropDataProviderConfig() { Free(FIni); }

FORMATETC TZCLDragDropDataProviderConfig::GetFormat() { return RegisteredFormat(u"text/zeph-config"); }

bool TZCLDragDropDataProviderConfig::Store(STGMEDIUM& Medium, const FORMATETC&) {
  TMemoryStream stream;
  FIni->SaveToStreamUTF16(&stream);
  HGLOBAL block = TZCLGlobalMemory::Alloc(stream.GetMemory(), static_cast<size_t>(stream.GetSize()));
  if (!block) return false;
  StoreBlock(Medium, block);
  return true;
}

FORMATETC TZCLDragDropDataProviderFiles::GetFormat() { return MakeFormatEtc(CF_HDROP); }

bool TZCLDragDropDataProviderFiles::IsAvailable() { return FData && FData->GetCount() > 0; }

bool TZCLDragDropDataProviderFiles::Store(STGMEDIUM& Medium, const FORMATETC&) {
  std::vector<String> names;
  const Integer count = FData ? FData->GetCount() : 0;
  for (Integer i = 0; i < count; ++i) names.push_back(FData->GetName(i));
  return !names.empty() && StoreFiles(names, Medium);
}

bool TZCLDragDropDataProviderFiles::StoreFiles(const std::vector<String>& Names, STGMEDIUM& Medium) {
  HGLOBAL block = CreateFileDropBlock(Names);
  if (!block) return false;
  StoreBlock(Medium, block);
  return true;
}

FORMATETC TZCLDragDropDataProviderFileURIs::GetFormat() { return RegisteredFormat(u"text/zeph-uri-list"); }

FORMATETC TZCLDragDropDataProviderFileStream::GetFormat() {
  FORMATETC format = RegisteredFormat(u"FileContents", TYMED_ISTREAM);
  format.lindex = FIndex;
  return format;
}

bool TZCLDragDropDataProviderFileStream::IsSupported(const FORMATETC& Format) {
  return inherited::IsSupported(Format) && Format.lindex == FIndex;
}

bool TZCLDragDropDataProviderFileStream::Store(STGMEDIUM& Medium, const FORMATETC& Format) {
  if (!(Format.tymed & TYMED_ISTREAM) || !FData || FIndex < 0 || FIndex >= FData->GetCount()) return false;
  IPtr<IStream> stream = CreateStreamAdapter(FData->GetStream(FIndex), false);
  if (!stream) return false;
  Medium.tymed = TYMED_ISTREAM;
  Medium.pstm = stream.detach();  // the medium owns the reference
  return true;
}

FORMATETC TZCLDragDropDataProviderFileStreamDescriptor::GetFormat() {
  return RegisteredFormat(u"FileGroupDescriptorW");
}

bool TZCLDragDropDataProviderFileStreamDescriptor::Store(STGMEDIUM& Medium, const FORMATETC&) {
  const Integer count = FData ? FData->GetCount() : 0;
  if (count <= 0) return false;
  std::vector<Byte> bytes(4 + DescriptorSize * static_cast<size_t>(count), 0);
  PutDword(bytes.data(), static_cast<uint32_t>(count));
  for (Integer i = 0; i < count; ++i) {
    Byte* d = bytes.data() + 4 + DescriptorSize * static_cast<size_t>(i);
    PutDword(d, 0x4040);  // the size is given, the name is UTF-16
    TStream* stream = FData->GetStream(i);
    const UInt64 size = stream ? static_cast<UInt64>(stream->GetSize()) : 0;
    PutDword(d + SizeHighOffset, static_cast<uint32_t>(size >> 32));
    PutDword(d + SizeHighOffset + 4, static_cast<uint32_t>(size));
    const String full = FData->GetName(i);
    const size_t cut = full.find_last_of(u":\\/");
    String name = cut == String::npos ? full : full.substr(cut + 1);
    if (name.size() > MaxNameLength) name.resize(MaxNameLength);
    std::memcpy(d + NameOffset, name.data(), name.size() * sizeof(Char));
  }
  HGLOBAL block = TZCLGlobalMemory::Alloc(bytes.data(), bytes.size());
  if (!block) return false;
  StoreBlock(Medium, block);
  return true;
}

// ---- TZCLDropSourceDataFiles -------------------------------------------------------------------

TZCLDropSourceDataFiles::TZCLDropSourceDataFiles(const TZCLStringList* Names) : FNames(Create<TZCLStringList>()) {
  if (Names) FNames->AddStrings(Names);
  // The copied names' objects are not ours: only the streams we make are kept there.
  for (Integer i = 0; i < FNames->GetCount(); ++i) FNames->SetObjects(i, nullptr);
}

TZCLDropSourceDataFiles::~TZCLDropSourceDataFiles() {
  FreeStreams();
  Free(FNames);
}

void TZCLDropSourceDataFiles::FreeStreams() {
  for (Integer i = 0; i < FNames->GetCount(); ++i) {
    Free(FNames->GetObjects(i));
    FNames->SetObjects(i, nullptr);
  }
}

void TZCLDropSourceDataFiles::Load() {
  FreeStreams();
  if (FNamesProvider) {
    FNames->Clear();
    FNamesProvider->GetFiles(FNames);
  }
}

void TZCLDropSourceDataFiles::EnsureLoaded() {
  if (FLoaded) return;
  FLoaded = true;
  Load();
}

Integer TZCLDropSourceDataFiles::GetCount() {
  EnsureLoaded();
  return FNames->GetCount();
}

String TZCLDropSourceDataFiles::GetName(Integer Index) {
  EnsureLoaded();
  return FNames->GetStrings(Index);
}

TStream* TZCLDropSourceDataFiles::GetStream(Integer Index) {
  EnsureLoaded();
  if (Index < 0 || Index >= FNames->GetCount()) return nullptr;
  if (auto* kept = static_cast<TStream*>(FNames->GetObjects(Index))) return kept;
  TStream* stream = CreateStream(Index);
  if (!stream) stream = Create<TMemoryStream>();
  FNames->SetObjects(Index, stream);
  return stream;
}

TStream* TZCLDropSourceDataFiles::CreateStream(Integer Index) {
  IPtr<IZCLDropSourceDataProviderStreams> streams;
  if (FNamesProvider && Supports(FNamesProvider.get(), streams)) return streams->CreateStream(Index, GetName(Index));
  return nullptr;
}

// ---- TZCLDropFormatEtcList ---------------------------------------------------------------------

HRESULT TZCLDropFormatEtcList::Next(UINT Count, FORMATETC* Formats, UINT* Fetched) {
  UINT copied = 0;
  while (copied < Count && FIndex < FFormats.size()) Formats[copied++] = FFormats[FIndex++];
  if (Fetched) *Fetched = copied;
  return copied == Count ? S_OK : S_FALSE;
}

HRESULT TZCLDropFormatEtcList::Skip(UINT Count) {
  const bool beyond = FIndex + Count > FFormats.size();
  FIndex = std::min(FFormats.size(), FIndex + Count);
  return beyond ? S_FALSE : S_OK;
}

HRESULT TZCLDropFormatEtcList::Reset() {
  FIndex = 0;
  return S_OK;
}

HRESULT TZCLDropFormatEtcList::Clone(IEnumFORMATETC** Enum) {
  if (!Enum) return E_INVALIDARG;
  *Enum = IPtr<IEnumFORMATETC>(Create<TZCLDropFormatEtcList>(FFormats, FIndex)).detach();
  return S_OK;
}

// ---- TZCLDropSource ----------------------------------------------------------------------------

TZCLDropSource::TZCLDropSource(TComponent* AControl, IZCLDropSourceOperation* AHandler)
    : TZCLComponent(nullptr), FControl(AControl), FHandler(AHandler) {
  if (FControl) FControl->FreeNotification(this);
}

HRESULT TZCLDropSource::QueryInterface(const TGUID& IID, void** Obj) {
  if (::detail::QueryInterfaceTable<IDataObject, IDropSource>(this, IID, Obj)) return S_OK;
  if (inherited::QueryInterface(IID, Obj) == S_OK) return S_OK;
  if (FHandler) return FHandler->QueryInterface(IID, Obj);
  return E_NOINTERFACE;
}

void TZCLDropSource::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FControl) ReleaseHandler();
}

void TZCLDropSource::ReleaseHandler() {
  if (FControl) FControl->RemoveFreeNotification(this);
  FControl = nullptr;
  FHandler.reset();
}

bool TZCLDropSource::Execute() {
  ++GDragCount;
  struct TCountGuard {
    ~TCountGuard() { --GDragCount; }
  } guard;
  if (FHandler)
    TZCLMainThread::RunProc([this] {
      if (FHandler) FHandler->DropSourceBegin();
    });
  FDropActions = TZCLDropSourceActions();
  auto notifyEnd = [this] {
    TZCLMainThread::RunProc([this] {
      if (FHandler) FHandler->DropSourceEnd(FDropActions, FShiftState);
    });
  };
  try {
    DoExecute();
  } catch (...) {
    notifyEnd();
    throw;
  }
  notifyEnd();
  return !FDropActions.Empty();
}

void TZCLDropSource::DoExecute() {
  DWORD allowed = 0;
  if (FAllowedActions.Contains(dsaCopy)) allowed |= DROPEFFECT_COPY;
  if (FAllowedActions.Contains(dsaMove)) allowed |= DROPEFFECT_MOVE;
  if (FAllowedActions.Contains(dsaLink)) allowed |= DROPEFFECT_LINK;
  // The window layer runs the loop on the UI thread and sees the user's input there, so no
  // input needs attaching to this thread.
  OleInitialize(nullptr);
  DWORD effect = DROPEFFECT_NONE;
  const HRESULT result = DoDragDrop(this, this, allowed, &effect);
  OleUninitialize();
  if (result != DRAGDROP_S_DROP) return;
  if (effect & DROPEFFECT_COPY) FDropActions.Include(dsaCopy);
  if (effect & DROPEFFECT_MOVE) FDropActions.Include(dsaMove);
  if (effect & DROPEFFECT_LINK) FDropActions.Include(dsaLink);
}

void TZCLDropSource::ExecuteInThread() {
  TZCLDropSource* self = this;
  auto run = [self] {
    try {
      self->Execute();
    } catch (...) {
      // A drag that failed has nobody to tell.
    }
    if (!IsMainThread() && self->GetComponentState().Contains(csFreeNotification))
      TZCLMainThread::QueueProc([self] { Free(self); });
    else
      Free(self);
  };
  if (IsWine()) {
    run();
    return;
  }
  class TDragThread : public TThread {
   public:
    explicit TDragThread(TThreadProcedure Body) : TThread(true), FBody(std::move(Body)) {}

   protected:
    void Execute() override { FBody(); }

   private:
    TThreadProcedure FBody;
  };
  auto* thread = Create<TDragThread>(TThreadProcedure(run));
  thread->SetFreeOnTerminate(true);
  thread->Start();
}

HRESULT TZCLDropSource::GetData(const FORMATETC& Format, STGMEDIUM& Medium) {
  Medium = STGMEDIUM();
  for (Integer i = 0; i < FDataProviders.GetCount(); ++i) {
    TZCLDragDropDataProvider* p = FDataProviders.GetItems(i);
    if (p->IsSupported(Format) && p->IsAvailable()) {
      if (p->Store(Medium, Format)) return S_OK;
      Medium = STGMEDIUM();
    }
  }
  return DV_E_FORMATETC;
}

HRESULT TZCLDropSource::GetDataHere(const FORMATETC&, STGMEDIUM&) { return E_NOTIMPL; }

HRESULT TZCLDropSource::QueryGetData(const FORMATETC& Format) {
  if (Format.dwAspect != DVASPECT_CONTENT) return DV_E_FORMATETC;
  for (Integer i = 0; i < FDataProviders.GetCount(); ++i) {
    TZCLDragDropDataProvider* p = FDataProviders.GetItems(i);
    if (p->IsSupported(Format) && p->IsAvailable()) return S_OK;
  }
  return DV_E_FORMATETC;
}

HRESULT TZCLDropSource::GetCanonicalFormatEtc(const FORMATETC&, FORMATETC& Out) {
  Out.ptd = nullptr;
  return E_NOTIMPL;
}

HRESULT TZCLDropSource::SetData(const FORMATETC&, STGMEDIUM& Medium, BOOL Release) {
  if (Release) ReleaseStgMedium(Medium);
  return E_NOTIMPL;
}

HRESULT TZCLDropSource::EnumFormatEtc(DWORD Direction, IEnumFORMATETC** Enum) {
  if (Enum) *Enum = nullptr;
  if (Direction != DATADIR_GET || !Enum) return E_NOTIMPL;
  std::vector<FORMATETC> formats;
  for (Integer i = 0; i < FDataProviders.GetCount(); ++i)
    if (FDataProviders.GetItems(i)->IsAvailable()) formats.push_back(FDataProviders.GetItems(i)->GetFormat());
  if (formats.empty()) return E_NOTIMPL;
  *Enum = IPtr<IEnumFORMATETC>(Create<TZCLDropFormatEtcList>(std::move(formats))).detach();
  return S_OK;
}

HRESULT TZCLDropSource::QueryContinueDrag(BOOL EscapePressed, DWORD KeyState) {
  if (EscapePressed || !FHandler) return DRAGDROP_S_CANCEL;
  if (KeyState & (MK_LBUTTON | MK_RBUTTON)) return S_OK;
  bool allow = true;
  FShiftState = KeyboardStateToShiftState();
  FHandler->DropSourceDrop(allow);
  return allow ? DRAGDROP_S_DROP : DRAGDROP_S_CANCEL;
}

HRESULT TZCLDropSource::GiveFeedback(DWORD) { return DRAGDROP_S_USEDEFAULTCURSORS; }

TZCLDropSource* CreateDropSource(IZCLDropSourceOperation* Handler, TComponent* Control) {
  return Create<TZCLDropSource>(Control, Handler);
}

bool IsDragging() { return GDragCount.load() > 0; }
