#include "zcl/base/ZCL.Utils.Clipboard.h"

#include <cstring>
#include <string_view>

#include "os/OS.Clipboard.h"
#include "os/OS.DragDrop.h"
#include "vcl/VCL.Clipbrd.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.Utils.Encodings.h"

namespace {
constexpr size_t DropFilesHeaderSize = 20;

uint32_t ReadU32(const Byte* Data) {
  uint32_t value = 0;
  std::memcpy(&value, Data, sizeof value);
  return value;
}

Char ReadChar(const Byte* Data) {
  Char value = 0;
  std::memcpy(&value, Data, sizeof value);
  return value;
}

// Locks a block for the scope; Data is null when the block cannot be locked.
struct TBlockLock {
  explicit TBlockLock(HGLOBAL Block)
      : FBlock(Block),
        Data(Block ? static_cast<const Byte*>(GlobalLock(Block)) : nullptr),
        Size(Data ? GlobalSize(Block) : 0) {}
  ~TBlockLock() {
    if (Data) GlobalUnlock(FBlock);
  }
  TBlockLock(const TBlockLock&) = delete;
  TBlockLock& operator=(const TBlockLock&) = delete;
  HGLOBAL FBlock;
  const Byte* Data;
  size_t Size;
};
}  // namespace

UINT CF_ZEPH_CONFIG() { return RegisterClipboardFormat(u"text/zeph-config"); }
UINT CF_ZEPH_URI_LIST() { return RegisterClipboardFormat(u"text/zeph-uri-list"); }
UINT CF_SHELLIDLIST() { return RegisterClipboardFormat(u"Shell IDList Array"); }

// TZCLGlobalMemory ------------------------------------------------------------------------------

HGLOBAL TZCLGlobalMemory::Alloc(const void* Data, size_t Size) {
  if (Size == 0) return nullptr;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, Size);
  if (!block) return nullptr;
  void* target = GlobalLock(block);
  if (!target) {
    GlobalFree(block);
    return nullptr;
  }
  if (Data) std::memcpy(target, Data, Size);
  GlobalUnlock(block);
  return block;
}

HGLOBAL TZCLGlobalMemory::EncodeFiles(const TZCLStringList* Files) {
  String names;
  if (Files)
    for (Integer i = 0; i < Files->GetCount(); ++i) {
      names += Files->GetStrings(i);
      names.push_back(u'\0');
    }
  // The names with their terminators, then the list's own terminator.
  const size_t size = DropFilesHeaderSize + sizeof(Char) * (names.size() + 1);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  if (!block) return nullptr;
  auto* data = static_cast<Byte*>(GlobalLock(block));
  if (!data) {
    GlobalFree(block);
    return nullptr;
  }
  const uint32_t offset = DropFilesHeaderSize;
  const int32_t wide = -1;
  std::memcpy(data, &offset, sizeof offset);
  std::memcpy(data + 16, &wide, sizeof wide);
  if (!names.empty()) std::memcpy(data + DropFilesHeaderSize, names.data(), names.size() * sizeof(Char));
  GlobalUnlock(block);
  return block;
}

TZCLStringList* TZCLGlobalMemory::DecodeFiles(HGLOBAL Handle) {
  TBlockLock lock(Handle);
  if (!lock.Data) return nullptr;
  return DecodeFiles(lock.Data, lock.Size);
}

TZCLStringList* TZCLGlobalMemory::DecodeFiles(const void* Data, size_t Size) {
  if (!Data || Size < DropFilesHeaderSize) return nullptr;
  const auto* bytes = static_cast<const Byte*>(Data);
  const bool wide = ReadU32(bytes + 16) != 0;
  size_t pos = ReadU32(bytes);
  TZCLStringList* result = nullptr;
  // A name counts only when its terminator lies inside the block.
  if (wide) {
    while (pos <= Size && Size - pos >= sizeof(Char) && ReadChar(bytes + pos) != 0) {
      size_t end = pos;
      while (Size - end >= sizeof(Char) && ReadChar(bytes + end) != 0) end += sizeof(Char);
      if (Size - end < sizeof(Char)) break;
      String name((end - pos) / sizeof(Char), u'\0');
      std::memcpy(name.data(), bytes + pos, end - pos);
      if (!result) result = new TZCLStringList();
      result->Add(name);
      pos = end + sizeof(Char);
    }
  } else {
    while (pos < Size && bytes[pos] != 0) {
      const void* nul = std::memchr(bytes + pos, 0, Size - pos);
      if (!nul) break;
      const size_t end = static_cast<size_t>(static_cast<const Byte*>(nul) - bytes);
      String name = zcAnsiToUnicode(bytes + pos, static_cast<Integer>(end - pos), 0);
      if (!result) result = new TZCLStringList();
      result->Add(name);
      pos = end + 1;
    }
  }
  return result;
}

String TZCLGlobalMemory::DecodeText(HGLOBAL Handle, bool Unicode) {
  TBlockLock lock(Handle);
  if (!lock.Data) return {};
  return DecodeText(lock.Data, lock.Size, Unicode);
}

String TZCLGlobalMemory::DecodeText(const void* Data, size_t Size, bool Unicode) {
  if (!Data) return {};
  const auto* bytes = static_cast<const Byte*>(Data);
  if (Unicode) {
    size_t count = 0;
    while (count < Size / sizeof(Char) && ReadChar(bytes + count * sizeof(Char)) != 0) ++count;
    String text(count, u'\0');
    if (count) std::memcpy(text.data(), bytes, count * sizeof(Char));
    return text;
  }
  const void* nul = std::memchr(bytes, 0, Size);
  const size_t count = nul ? static_cast<size_t>(static_cast<const Byte*>(nul) - bytes) : Size;
  return zcAnsiToUnicode(bytes, static_cast<Integer>(count), 0);
}

// TZCLGlobalMemoryStream ------------------------------------------------------------------------

TZCLGlobalMemoryStream::TZCLGlobalMemoryStream(HGLOBAL Handle) : FHandle(Handle) {
  if (FHandle) {
    void* data = GlobalLock(FHandle);
    if (data)
      SetPointer(data, static_cast<NativeInt>(GlobalSize(FHandle)));
    else
      FHandle = nullptr;  // nothing to unlock
  }
}

TZCLGlobalMemoryStream::~TZCLGlobalMemoryStream() {
  if (FHandle) GlobalUnlock(FHandle);
}

Integer TZCLGlobalMemoryStream::Write(const void*, Integer) { return 0; }

// Media ------------------------------------------------------------------------------------------

FORMATETC MakeFormatEtc(UINT Format) {
  FORMATETC result;
  result.cfFormat = Format;
  result.ptd = nullptr;
  result.dwAspect = DVASPECT_CONTENT;
  result.lindex = -1;
  result.tymed = TYMED_HGLOBAL;
  return result;
}

bool MakeStgMedium(const void* Data, size_t Size, STGMEDIUM& Medium) {
  Medium.tymed = TYMED_HGLOBAL;
  Medium.hGlobal = TZCLGlobalMemory::Alloc(Data, Size);
  return Medium.hGlobal != nullptr;
}

bool StgMediumToFiles(const STGMEDIUM& Medium, TZCLStringList*& Files) {
  Files = nullptr;
  if (Medium.tymed != TYMED_HGLOBAL) return false;
  Files = TZCLGlobalMemory::DecodeFiles(Medium.hGlobal);
  return Files != nullptr;
}

bool StgMediumToStream(const STGMEDIUM& Medium, TStream*& Stream) {
  Stream = nullptr;
  if (Medium.tymed != TYMED_HGLOBAL) return false;
  Stream = new TZCLGlobalMemoryStream(Medium.hGlobal);
  return true;
}

String StgMediumToText(const STGMEDIUM& Medium, UINT Format) {
  switch (Format) {
    case CF_UNICODETEXT:
      return TZCLGlobalMemory::DecodeText(Medium.hGlobal, true);
    case CF_HDROP: {
      TZCLStringList* files = TZCLGlobalMemory::DecodeFiles(Medium.hGlobal);
      if (!files) return {};
      String text = files->GetText();
      Free(files);
      return text;
    }
    default:
      return TZCLGlobalMemory::DecodeText(Medium.hGlobal, false);
  }
}

void ClipboardSetFiles(const TZCLStringList* Files) {
  HGLOBAL block = TZCLGlobalMemory::EncodeFiles(Files);
  if (block) Clipboard()->SetAsHandle(CF_HDROP, block);
}

void ClipboardSetStream(UINT Format, TCustomMemoryStream* Stream) {
  if (!Stream) return;
  HGLOBAL block = TZCLGlobalMemory::Alloc(Stream->GetMemory(), static_cast<size_t>(Stream->GetSize()));
  if (block) Clipboard()->SetAsHandle(static_cast<Word>(Format), block);
}
