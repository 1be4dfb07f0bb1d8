#include "os/OS.DragDrop.h"

#include <cstring>
#include <map>
#include <mutex>

#include "os/OS.Input.h"
#include "os/OS.Messages.h"
#include "os/OS.Windows.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Threads.h"

namespace {

// Stream adapter --------------------------------------------------------------------------------
class TStreamAdapter : public TInterfacedObject, public IStream {
  RTL_INTERFACES(TInterfacedObject, IStream)
 public:
  TStreamAdapter(TStream* Stream, bool Owned) : FStream(Stream), FOwned(Owned) {}
  ~TStreamAdapter() override {
    if (FOwned) Free(FStream);
  }
  HRESULT Read(void* Buffer, UINT Count, UINT* Done) override {
    try {
      Integer n = FStream->Read(Buffer, Integer(Count));
      if (Done) *Done = UINT(n);
      return UINT(n) == Count ? S_OK : S_FALSE;
    } catch (...) {
      return E_FAIL;
    }
  }
  HRESULT Write(const void* Buffer, UINT Count, UINT* Done) override {
    try {
      Integer n = FStream->Write(Buffer, Integer(Count));
      if (Done) *Done = UINT(n);
      return UINT(n) == Count ? S_OK : E_FAIL;
    } catch (...) {
      return E_FAIL;
    }
  }
  HRESULT Seek(Int64 Move, DWORD Origin, UInt64* NewPosition) override {
    if (Origin > STREAM_SEEK_END) return E_INVALIDARG;
    try {
      Int64 position = FStream->Seek(Move, static_cast<TSeekOrigin>(Origin));
      if (NewPosition) *NewPosition = UInt64(position);
      return S_OK;
    } catch (...) {
      return E_FAIL;
    }
  }
  HRESULT GetSize(UInt64* Size) override {
    if (!Size) return E_POINTER;
    try {
      *Size = UInt64(FStream->GetSize());
      return S_OK;
    } catch (...) {
      return E_FAIL;
    }
  }

 private:
  TStream* FStream;
  bool FOwned;
};

// Data object over global-memory formats -------------------------------------------------------
HGLOBAL CopyBlock(HGLOBAL source) {
  size_t size = GlobalSize(source);
  HGLOBAL copy = GlobalAlloc(GHND, size);
  if (!copy) return nullptr;
  if (size) std::memcpy(GlobalLock(copy), GlobalLock(source), size);
  GlobalUnlock(copy);
  GlobalUnlock(source);
  return copy;
}

class TFormatEnum : public TInterfacedObject, public IEnumFORMATETC {
  RTL_INTERFACES(TInterfacedObject, IEnumFORMATETC)
 public:
  TFormatEnum(std::vector<FORMATETC> Formats, size_t Index) : FFormats(std::move(Formats)), FIndex(Index) {}
  HRESULT Next(UINT Count, FORMATETC* Formats, UINT* Fetched) override {
    UINT n = 0;
    while (n < Count && FIndex < FFormats.size()) Formats[n++] = FFormats[FIndex++];
    if (Fetched) *Fetched = n;
    return n == Count ? S_OK : S_FALSE;
  }
  HRESULT Skip(UINT Count) override {
    bool beyond = FIndex + Count > FFormats.size();
    FIndex = std::min(FFormats.size(), FIndex + Count);
    return beyond ? S_FALSE : S_OK;
  }
  HRESULT Reset() override {
    FIndex = 0;
    return S_OK;
  }
  HRESULT Clone(IEnumFORMATETC** Enum) override {
    if (!Enum) return E_POINTER;
    IPtr<IEnumFORMATETC> clone = Create<TFormatEnum>(FFormats, FIndex);
    *Enum = clone.detach();
    return S_OK;
  }

 private:
  std::vector<FORMATETC> FFormats;
  size_t FIndex;
};

class TSimpleDataObject : public TInterfacedObject, public IDataObject {
  RTL_INTERFACES(TInterfacedObject, IDataObject)
 public:
  explicit TSimpleDataObject(const std::vector<std::pair<UINT, HGLOBAL>>& Formats) : FFormats(Formats) {}
  ~TSimpleDataObject() override {
    for (auto& [format, block] : FFormats) GlobalFree(block);
  }
  HRESULT GetData(const FORMATETC& Format, STGMEDIUM& Medium) override {
    Medium = STGMEDIUM();
    HRESULT hr = QueryGetData(Format);
    if (hr != S_OK) return hr;
    for (auto& [format, block] : FFormats)
      if (format == Format.cfFormat) {
        Medium.tymed = TYMED_HGLOBAL;
        Medium.hGlobal = CopyBlock(block);
        return Medium.hGlobal ? S_OK : E_OUTOFMEMORY;
      }
    return DV_E_FORMATETC;
  }
  HRESULT GetDataHere(const FORMATETC&, STGMEDIUM&) override { return E_NOTIMPL; }
  HRESULT QueryGetData(const FORMATETC& Format) override {
    if (Format.dwAspect != DVASPECT_CONTENT) return DV_E_FORMATETC;
    if (!(Format.tymed & TYMED_HGLOBAL)) return DV_E_TYMED;
    for (auto& [format, block] : FFormats)
      if (format == Format.cfFormat) return S_OK;
    return DV_E_FORMATETC;
  }
  HRESULT GetCanonicalFormatEtc(const FORMATETC& In, FORMATETC& Out) override {
    Out = In;
    Out.ptd = nullptr;
    return E_NOTIMPL;
  }
  HRESULT SetData(const FORMATETC&, STGMEDIUM& Medium, BOOL Release) override {
    if (Release) ReleaseStgMedium(Medium);
    return E_NOTIMPL;
  }
  HRESULT EnumFormatEtc(DWORD Direction, IEnumFORMATETC** Enum) override {
    if (!Enum) return E_POINTER;
    *Enum = nullptr;
    if (Direction != DATADIR_GET || FFormats.empty()) return E_NOTIMPL;
    std::vector<FORMATETC> formats;
    for (auto& [format, block] : FFormats) {
      FORMATETC f;
      f.cfFormat = format;
      formats.push_back(f);
    }
    IPtr<IEnumFORMATETC> e = Create<TFormatEnum>(std::move(formats), 0);
    *Enum = e.detach();
    return S_OK;
  }

 private:
  std::vector<std::pair<UINT, HGLOBAL>> FFormats;
};

// Registered targets ----------------------------------------------------------------------------
std::mutex GTargetsLock;
std::map<HWND, IPtr<IDropTarget>>& Targets() {
  static auto* targets = new std::map<HWND, IPtr<IDropTarget>>;
  return *targets;
}

// The target of the window at a screen point: the window's own or that of its nearest ancestor.
IPtr<IDropTarget> TargetAt(TPoint point, HWND& window) {
  std::lock_guard guard(GTargetsLock);
  auto& targets = Targets();
  for (auto it = targets.begin(); it != targets.end();)
    it = IsWindow(it->first) ? std::next(it) : targets.erase(it);  // windows destroyed meanwhile
  for (HWND w = WindowFromPoint(point); w; w = GetParent(w)) {
    auto it = targets.find(w);
    if (it != targets.end()) {
      window = w;
      return it->second;
    }
  }
  window = nullptr;
  return {};
}

DWORD ModifierKeys() {
  DWORD keys = 0;
  if (GetKeyState(VK_SHIFT) < 0) keys |= MK_SHIFT;
  if (GetKeyState(VK_CONTROL) < 0) keys |= MK_CONTROL;
  if (GetKeyState(VK_MENU) < 0) keys |= MK_ALT;
  return keys;
}

DWORD CurrentKeys() {
  DWORD keys = ModifierKeys();
  if (GetKeyState(VK_LBUTTON) < 0) keys |= MK_LBUTTON;
  if (GetKeyState(VK_RBUTTON) < 0) keys |= MK_RBUTTON;
  if (GetKeyState(VK_MBUTTON) < 0) keys |= MK_MBUTTON;
  return keys;
}

HRESULT DragLoop(IDataObject* data, IDropSource* source, DWORD okEffects, DWORD* effectOut) {
  DWORD keys = CurrentKeys();
  bool escape = false;
  TPoint point;
  GetCursorPos(point);
  HWND targetWindow = nullptr;
  IPtr<IDropTarget> target;
  DWORD effect = DROPEFFECT_NONE;

  auto track = [&] {
    HWND window = nullptr;
    IPtr<IDropTarget> now = TargetAt(point, window);
    if (window != targetWindow) {
      if (target) target->DragLeave();
      target = now;
      targetWindow = window;
      effect = okEffects;
      if (target && target->DragEnter(data, keys, point, &effect) != S_OK) effect = DROPEFFECT_NONE;
    } else if (target) {
      effect = okEffects;
      if (target->DragOver(keys, point, &effect) != S_OK) effect = DROPEFFECT_NONE;
    }
    if (!target) effect = DROPEFFECT_NONE;
    effect &= okEffects | DROPEFFECT_SCROLL;
    source->GiveFeedback(effect);
  };

  auto finish = [&](HRESULT result, DWORD chosen) {
    if (effectOut) *effectOut = chosen;
    return result;
  };

  track();
  for (;;) {
    HRESULT answer = source->QueryContinueDrag(escape, keys);
    if (answer == DRAGDROP_S_DROP) {
      if (target && (effect & ~DROPEFFECT_SCROLL) != DROPEFFECT_NONE) {
        DWORD chosen = okEffects;
        if (target->Drop(data, keys, point, &chosen) != S_OK) chosen = DROPEFFECT_NONE;
        return finish(DRAGDROP_S_DROP, chosen & okEffects);
      }
      if (target) target->DragLeave();
      return finish(DRAGDROP_S_CANCEL, DROPEFFECT_NONE);
    }
    if (answer != S_OK) {
      if (target) target->DragLeave();
      return finish(answer == DRAGDROP_S_CANCEL ? DRAGDROP_S_CANCEL : answer, DROPEFFECT_NONE);
    }
    MSG msg;
    if (!PeekMessage(msg, nullptr, 0, 0, PM_REMOVE)) {
      WaitMessage();
      continue;
    }
    if (msg.message == WM_QUIT) {
      // The loop above ours must see the quit too.
      PostQuitMessage(int(msg.wParam));
      if (target) target->DragLeave();
      return finish(DRAGDROP_S_CANCEL, DROPEFFECT_NONE);
    }
    if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) {
      keys = DWORD(msg.wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON | MK_SHIFT | MK_CONTROL)) |
             (ModifierKeys() & MK_ALT);
      TPoint p{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
      if (msg.message == WM_MOUSEWHEEL || msg.message == WM_MOUSEHWHEEL) p = msg.pt;  // already screen
      else if (msg.hwnd) ClientToScreen(msg.hwnd, p);
      point = p;
      track();
    } else if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) {
      if ((msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) && msg.wParam == VK_ESCAPE) escape = true;
      DWORD buttons = keys & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON);
      DWORD modifiers = ModifierKeys();
      if ((keys & ~buttons) != modifiers) {
        keys = buttons | modifiers;
        track();
      }
    } else {
      TranslateMessage(msg);
      DispatchMessage(msg);
    }
  }
}

}  // namespace

IPtr<IStream> CreateStreamAdapter(TStream* Stream, bool Owned) {
  if (!Stream) return {};
  return IPtr<IStream>(Create<TStreamAdapter>(Stream, Owned));
}

void ReleaseStgMedium(STGMEDIUM& Medium) {
  if (Medium.tymed == TYMED_HGLOBAL && Medium.hGlobal && !Medium.pUnkForRelease) GlobalFree(Medium.hGlobal);
  if (Medium.tymed == TYMED_ISTREAM && Medium.pstm) Medium.pstm->_Release();
  if (Medium.pUnkForRelease) Medium.pUnkForRelease->_Release();
  Medium = STGMEDIUM();
}

HRESULT OleInitialize(void*) { return S_OK; }
void OleUninitialize() {}

HRESULT RegisterDragDrop(HWND Window, IDropTarget* Target) {
  if (!IsWindow(Window)) return E_HANDLE;
  if (!Target) return E_INVALIDARG;
  std::lock_guard guard(GTargetsLock);
  auto& targets = Targets();
  auto it = targets.find(Window);
  if (it != targets.end()) return DRAGDROP_E_ALREADYREGISTERED;
  targets[Window] = IPtr<IDropTarget>(Target);
  return S_OK;
}

HRESULT RevokeDragDrop(HWND Window) {
  IPtr<IDropTarget> released;  // released outside the lock: a target may do anything when freed
  {
    std::lock_guard guard(GTargetsLock);
    auto& targets = Targets();
    auto it = targets.find(Window);
    if (it == targets.end()) return DRAGDROP_E_NOTREGISTERED;
    released = std::move(it->second);
    targets.erase(it);
  }
  return S_OK;
}

HRESULT DoDragDrop(IDataObject* Data, IDropSource* Source, DWORD OkEffects, DWORD* Effect) {
  if (Effect) *Effect = DROPEFFECT_NONE;
  if (!Data || !Source) return E_INVALIDARG;
  if (GetCurrentThreadId() == GetUiThreadId()) return DragLoop(Data, Source, OkEffects, Effect);
  HRESULT result = E_UNEXPECTED;
  TThread::Synchronize(nullptr, [&] { result = DragLoop(Data, Source, OkEffects, Effect); });
  return result;
}

IPtr<IDataObject> CreateDataObject(const std::vector<std::pair<UINT, HGLOBAL>>& Formats) {
  return IPtr<IDataObject>(Create<TSimpleDataObject>(Formats));
}

DWORD DropFilesFromDesktop(const std::vector<String>& Files, TPoint ScreenPoint) {
  if (Files.empty()) return DROPEFFECT_NONE;
  HWND window = nullptr;
  IPtr<IDropTarget> target = TargetAt(ScreenPoint, window);
  if (!target) return DROPEFFECT_NONE;
  IPtr<IDataObject> data = CreateDataObject({{CF_HDROP, CreateFileDropBlock(Files)}});
  const DWORD allowed = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
  DWORD effect = allowed;
  if (target->DragEnter(data.get(), 0, ScreenPoint, &effect) != S_OK || !(effect & allowed)) {
    target->DragLeave();
    return DROPEFFECT_NONE;
  }
  effect = allowed;
  if (target->Drop(data.get(), 0, ScreenPoint, &effect) != S_OK) return DROPEFFECT_NONE;
  return effect & allowed;
}
