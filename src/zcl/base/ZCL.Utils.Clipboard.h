#pragma once
// Global memory blocks as the clipboard and drag and drop exchange them: copies of buffers,
// streams over blocks, file lists in the DROPFILES layout, text blocks, and the medium records.
//
// DROPFILES as written: a 20-byte header (offset of the names = 20, drop point 0,0, non-client
// flag 0, wide flag -1), then each name in UTF-16 followed by a zero character, then one more zero
// character. Blocks from outside are read within their size: a damaged block gives the names that
// end inside it and never a read past its end.

#include "os/OS.Types.h"
#include "rtl/RTL.Streams.h"

class TZCLStringList;
struct FORMATETC;
struct STGMEDIUM;

// The program's private formats and the shell's item-ID list format, registered on every call
// (the same name always gives the same number).
UINT CF_ZEPH_CONFIG();    // "text/zeph-config"
UINT CF_ZEPH_URI_LIST();  // "text/zeph-uri-list"
UINT CF_SHELLIDLIST();    // "Shell IDList Array"

class TZCLGlobalMemory {
 public:
  TZCLGlobalMemory() = delete;
  // A movable block holding a copy of Size bytes of Data; null when Size is 0 or the block
  // cannot be had.
  static HGLOBAL Alloc(const void* Data, size_t Size);
  // A DROPFILES block of the names; null when the block cannot be had.
  static HGLOBAL EncodeFiles(const TZCLStringList* Files);
  // A new list of the names of a DROPFILES block (the caller frees it), or null when it holds none.
  static TZCLStringList* DecodeFiles(HGLOBAL Handle);
  static TZCLStringList* DecodeFiles(const void* Data, size_t Size);
  // The text up to the first zero character (or the block's end): UTF-16 when Unicode, else
  // bytes of the system's ANSI code page.
  static String DecodeText(HGLOBAL Handle, bool Unicode);
  static String DecodeText(const void* Data, size_t Size, bool Unicode);
};

// A read-only stream over a block, locked for the stream's lifetime. The block stays the
// caller's: it is unlocked, never freed. Writes store nothing and report 0 bytes.
class TZCLGlobalMemoryStream : public TCustomMemoryStream {
  ZCL_CLASS(TZCLGlobalMemoryStream, TCustomMemoryStream)
 public:
  explicit TZCLGlobalMemoryStream(HGLOBAL Handle);
  ~TZCLGlobalMemoryStream() override;
  using TCustomMemoryStream::Write;
  Integer Write(const void* Buffer, Integer Count) override;
  HGLOBAL GetHandle() const { return FHandle; }

 private:
  HGLOBAL FHandle;
};

// Global memory of Format, whole content, no target device.
FORMATETC MakeFormatEtc(UINT Format);
// A global-memory medium holding a copy of the data; false when no block was made.
bool MakeStgMedium(const void* Data, size_t Size, STGMEDIUM& Medium);
// True when the medium is global memory holding at least one name; Files is then the caller's.
bool StgMediumToFiles(const STGMEDIUM& Medium, TZCLStringList*& Files);
// True when the medium is global memory; Stream is then a new stream over its block.
bool StgMediumToStream(const STGMEDIUM& Medium, TStream*& Stream);
// CF_UNICODETEXT as UTF-16, CF_HDROP as the names each ended by CR LF, anything else as ANSI text.
String StgMediumToText(const STGMEDIUM& Medium, UINT Format);
// Put on the clipboard, which owns the block from then on.
void ClipboardSetFiles(const TZCLStringList* Files);
void ClipboardSetStream(UINT Format, TCustomMemoryStream* Stream);
