#pragma once
// Drag and drop between windows, with the object model of the system's OLE drag and drop: a
// data object offers formats, a drop source decides when the drag goes on, and drop targets
// registered for windows are told as the mouse enters, moves over, leaves or drops on them.
//
// DoDragDrop runs a modal loop on the UI thread: it takes the mouse and keyboard messages
// itself (the windows below do not see them), dispatches everything else, and ends when the
// drop source says drop or cancel. Called from another thread, it runs the loop on the UI thread
// and waits. Files dropped from the desktop through a display backend arrive at the target as a
// data object with one CF_HDROP format (DropFilesFromDesktop).

#include <vector>

#include "os/OS.Clipboard.h"
#include "os/OS.Types.h"
#include "rtl/RTL.Interfaces.h"

class TStream;

constexpr DWORD DROPEFFECT_NONE = 0;
constexpr DWORD DROPEFFECT_COPY = 1;
constexpr DWORD DROPEFFECT_MOVE = 2;
constexpr DWORD DROPEFFECT_LINK = 4;
constexpr DWORD DROPEFFECT_SCROLL = 0x80000000;

// Key-state bits handed to drop sources and targets (mouse buttons and modifier keys).
constexpr DWORD MK_ALT = 0x20;

constexpr HRESULT DRAGDROP_S_DROP = 0x00040100;
constexpr HRESULT DRAGDROP_S_CANCEL = 0x00040101;
constexpr HRESULT DRAGDROP_S_USEDEFAULTCURSORS = 0x00040102;
constexpr HRESULT DRAGDROP_E_NOTREGISTERED = static_cast<HRESULT>(0x80040100u);
constexpr HRESULT DRAGDROP_E_ALREADYREGISTERED = static_cast<HRESULT>(0x80040101u);
constexpr HRESULT DV_E_FORMATETC = static_cast<HRESULT>(0x80040064u);
constexpr HRESULT DV_E_TYMED = static_cast<HRESULT>(0x80040069u);
constexpr HRESULT OLE_E_ADVISENOTSUPPORTED = static_cast<HRESULT>(0x80040003u);

constexpr DWORD TYMED_NULL = 0;
constexpr DWORD TYMED_HGLOBAL = 1;
constexpr DWORD TYMED_ISTREAM = 4;
constexpr DWORD DVASPECT_CONTENT = 1;
constexpr DWORD DVASPECT_THUMBNAIL = 2;
constexpr DWORD DVASPECT_ICON = 4;
constexpr DWORD DATADIR_GET = 1;
constexpr DWORD DATADIR_SET = 2;

constexpr DWORD STREAM_SEEK_SET = 0;
constexpr DWORD STREAM_SEEK_CUR = 1;
constexpr DWORD STREAM_SEEK_END = 2;

// A byte stream passed between objects (the stream storage medium).
struct IStream : virtual IInterface {
  RTL_INTERFACE(IStream, IInterface, "{0000000C-0000-0000-C000-000000000046}")
  virtual HRESULT Read(void* Buffer, UINT Count, UINT* Done) = 0;
  virtual HRESULT Write(const void* Buffer, UINT Count, UINT* Done) = 0;
  virtual HRESULT Seek(Int64 Move, DWORD Origin, UInt64* NewPosition) = 0;
  virtual HRESULT GetSize(UInt64* Size) = 0;
};

// An IStream over a TStream, owning it or not.
IPtr<IStream> CreateStreamAdapter(TStream* Stream, bool Owned);

struct FORMATETC {
  UINT cfFormat = 0;
  void* ptd = nullptr;
  DWORD dwAspect = DVASPECT_CONTENT;
  LONG lindex = -1;
  DWORD tymed = TYMED_HGLOBAL;
};

struct STGMEDIUM {
  DWORD tymed = TYMED_NULL;
  HGLOBAL hGlobal = nullptr;
  IStream* pstm = nullptr;  // counted reference owned by the medium
  IInterface* pUnkForRelease = nullptr;
};
// Frees what the medium holds (the global block, or the stream reference).
void ReleaseStgMedium(STGMEDIUM& Medium);

struct IEnumFORMATETC : virtual IInterface {
  RTL_INTERFACE(IEnumFORMATETC, IInterface, "{00000103-0000-0000-C000-000000000046}")
  virtual HRESULT Next(UINT Count, FORMATETC* Formats, UINT* Fetched) = 0;
  virtual HRESULT Skip(UINT Count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumFORMATETC** Enum) = 0;
};

struct IDataObject : virtual IInterface {
  RTL_INTERFACE(IDataObject, IInterface, "{0000010E-0000-0000-C000-000000000046}")
  virtual HRESULT GetData(const FORMATETC& Format, STGMEDIUM& Medium) = 0;
  virtual HRESULT GetDataHere(const FORMATETC& Format, STGMEDIUM& Medium) = 0;
  virtual HRESULT QueryGetData(const FORMATETC& Format) = 0;
  virtual HRESULT GetCanonicalFormatEtc(const FORMATETC& In, FORMATETC& Out) = 0;
  virtual HRESULT SetData(const FORMATETC& Format, STGMEDIUM& Medium, BOOL Release) = 0;
  virtual HRESULT EnumFormatEtc(DWORD Direction, IEnumFORMATETC** Enum) = 0;
};

struct IDropSource : virtual IInterface {
  RTL_INTERFACE(IDropSource, IInterface, "{00000121-0000-0000-C000-000000000046}")
  // S_OK to go on, DRAGDROP_S_DROP to drop, DRAGDROP_S_CANCEL to stop.
  virtual HRESULT QueryContinueDrag(BOOL EscapePressed, DWORD KeyState) = 0;
  virtual HRESULT GiveFeedback(DWORD Effect) = 0;
};

struct IDropTarget : virtual IInterface {
  RTL_INTERFACE(IDropTarget, IInterface, "{00000122-0000-0000-C000-000000000046}")
  // Point is in screen coordinates; Effect holds the allowed effects and receives the chosen one.
  virtual HRESULT DragEnter(IDataObject* Data, DWORD KeyState, TPoint Point, DWORD* Effect) = 0;
  virtual HRESULT DragOver(DWORD KeyState, TPoint Point, DWORD* Effect) = 0;
  virtual HRESULT DragLeave() = 0;
  virtual HRESULT Drop(IDataObject* Data, DWORD KeyState, TPoint Point, DWORD* Effect) = 0;
};

HRESULT OleInitialize(void* Reserved);
void OleUninitialize();

// The window keeps a reference to the target until it is revoked or the window is destroyed.
HRESULT RegisterDragDrop(HWND Window, IDropTarget* Target);
HRESULT RevokeDragDrop(HWND Window);

// Runs the drag. On DRAGDROP_S_DROP, Effect is what the target chose (masked by OkEffects).
HRESULT DoDragDrop(IDataObject* Data, IDropSource* Source, DWORD OkEffects, DWORD* Effect);

// A simple data object holding global-memory formats; for tests and for desktop drops.
IPtr<IDataObject> CreateDataObject(const std::vector<std::pair<UINT, HGLOBAL>>& Formats);
// Delivers a drop of files from the desktop at a screen point: the target of the window there gets
// DragEnter and Drop with a data object offering CF_HDROP. The effect it chose, or DROPEFFECT_NONE.
DWORD DropFilesFromDesktop(const std::vector<String>& Files, TPoint ScreenPoint);
