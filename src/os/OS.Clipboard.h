#pragma once
// Global memory blocks and the clipboard.
//
// The clipboard holds several formats at once, each a global memory block that the clipboard
// owns once it was set. It always works inside the process. When the display backend installs a
// desktop bridge, text (CF_UNICODETEXT) and file lists (CF_HDROP) are also exchanged with the
// desktop: what this process puts there is published when the clipboard is closed, and a newer
// desktop clipboard replaces ours when the clipboard is opened. Nothing is converted between
// formats (CF_TEXT is not made from CF_UNICODETEXT).

#include <functional>
#include <vector>

#include "os/OS.Types.h"

// Global memory ---------------------------------------------------------------------------------
constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;

// A block of Size bytes (zero-filled with GMEM_ZEROINIT); null when it cannot be had.
HGLOBAL GlobalAlloc(UINT Flags, size_t Size);
void* GlobalLock(HGLOBAL Block);  // null for a null or freed block
BOOL GlobalUnlock(HGLOBAL Block);
size_t GlobalSize(HGLOBAL Block);  // 0 for a null block
HGLOBAL GlobalFree(HGLOBAL Block);  // null on success

// Clipboard -------------------------------------------------------------------------------------
constexpr UINT CF_TEXT = 1;
constexpr UINT CF_BITMAP = 2;
constexpr UINT CF_DIB = 8;
constexpr UINT CF_UNICODETEXT = 13;
constexpr UINT CF_HDROP = 15;
constexpr UINT CF_LOCALE = 16;
constexpr UINT CF_DIBV5 = 17;

// Registered formats are numbered from 0xC000 up; the same name (ignoring case) gives the same number.
UINT RegisterClipboardFormat(StringView Name);
String GetClipboardFormatName(UINT Format);

BOOL OpenClipboard(HWND Owner);
BOOL CloseClipboard();
BOOL EmptyClipboard();
// Puts Data in the clipboard, which owns it from now on (it is freed when replaced or emptied).
HANDLE SetClipboardData(UINT Format, HGLOBAL Data);
// The clipboard's block for the format; it stays the clipboard's. Null when absent.
HGLOBAL GetClipboardData(UINT Format);
BOOL IsClipboardFormatAvailable(UINT Format);
int CountClipboardFormats();
UINT EnumClipboardFormats(UINT Format);  // the next format after Format (0 starts), 0 at the end
HWND GetClipboardOwner();
// Raised by every change of the clipboard's content.
DWORD GetClipboardSequenceNumber();

// The desktop's side, installed by a display backend that has one.
struct TClipboardBridge {
  std::function<void(const String& Text)> SetText;
  std::function<bool(String& Text)> GetText;  // false when the desktop clipboard holds no text
  std::function<void(const std::vector<String>& Files)> SetFiles;  // may be empty
};
void SetClipboardBridge(const TClipboardBridge* Bridge);

// The file-drop block (the DROPFILES layout: a 20-byte header whose first field is 20, then the
// names in UTF-16, each ended by a zero character, and one more zero character).
HGLOBAL CreateFileDropBlock(const std::vector<String>& Files);
// The names of a file-drop block. Reading is bounded by the block's size: a damaged block gives
// the names that fit, never a read past its end.
std::vector<String> ReadFileDropBlock(HGLOBAL Block);
std::vector<String> ReadFileDropBlock(const Byte* Data, size_t Size);
