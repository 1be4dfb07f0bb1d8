#include "vcl/VCL.Clipbrd.h"

#include <cstring>

#include "os/OS.Clipboard.h"
#include "rtl/RTL.Streams.h"
#include "vcl/VCL.Graphics.h"

namespace {
TClipboard* GClipboard = nullptr;
}

TClipboard::~TClipboard() {
  if (FOpenRefCount > 0) CloseClipboard();
}

void TClipboard::Open() {
  if (FOpenRefCount == 0) {
    if (!OpenClipboard(nullptr)) throw EClipboardException(u"Cannot open clipboard");
    FEmptied = false;
  }
  ++FOpenRefCount;
}

void TClipboard::Close() {
  if (FOpenRefCount == 0) return;
  if (--FOpenRefCount == 0) CloseClipboard();
}

void TClipboard::Clear() {
  Open();
  EmptyClipboard();
  FEmptied = true;
  Close();
}

void TClipboard::Adding() {
  if (FOpenRefCount != 0 && !FEmptied) {
    EmptyClipboard();
    FEmptied = true;
  }
}

bool TClipboard::HasFormat(Word Format) const { return IsClipboardFormatAvailable(Format) != 0; }

Integer TClipboard::GetFormatCount() const { return CountClipboardFormats(); }

Word TClipboard::GetFormats(Integer Index) const {
  if (Index < 0) return 0;
  UINT format = 0;
  for (Integer i = 0; i <= Index; ++i) {
    format = EnumClipboardFormats(format);
    if (format == 0) return 0;
  }
  return Word(format);
}

HGLOBAL TClipboard::GetAsHandle(Word Format) {
  Open();
  HGLOBAL result = nullptr;
  try {
    result = GetClipboardData(Format);
  } catch (...) {
    Close();
    throw;
  }
  Close();
  return result;
}

void TClipboard::SetAsHandle(Word Format, HGLOBAL Value) {
  try {
    Open();
  } catch (...) {
    GlobalFree(Value);
    throw;
  }
  try {
    Adding();
    if (!SetClipboardData(Format, Value)) throw EClipboardException(u"Cannot set clipboard data");
  } catch (...) {
    GlobalFree(Value);  // never taken by the clipboard
    Close();
    throw;
  }
  Close();
}

void TClipboard::SetBuffer(Word Format, const void* Buffer, size_t Size) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, Size);
  if (!block) throw EOutOfMemory(u"Out of memory");
  if (Size) {
    std::memcpy(GlobalLock(block), Buffer, Size);
    GlobalUnlock(block);
  }
  SetAsHandle(Format, block);
}

String TClipboard::GetAsText() {
  Open();
  String result;
  try {
    HGLOBAL block = GetClipboardData(CF_UNICODETEXT);
    if (block) {
      const size_t count = GlobalSize(block) / sizeof(Char);
      if (const auto* text = static_cast<const Char*>(GlobalLock(block))) {
        size_t length = 0;
        while (length < count && text[length] != 0) ++length;
        result.assign(text, length);
        GlobalUnlock(block);
      }
    }
  } catch (...) {
    Close();
    throw;
  }
  Close();
  return result;
}

void TClipboard::SetAsText(const String& Value) {
  SetBuffer(CF_UNICODETEXT, Value.c_str(), (Value.size() + 1) * sizeof(Char));
}

void TClipboard::Assign(TPersistent* Source) {
  TBitmap* bitmap = dynamic_cast<TBitmap*>(Source);
  if (auto* picture = dynamic_cast<TPicture*>(Source)) bitmap = picture->GetBitmap();
  if (!bitmap) return inherited::Assign(Source);
  TMemoryStream data;
  bitmap->SaveToStream(data);
  SetBuffer(CF_BITMAP, data.GetMemory(), size_t(data.GetSize()));
}

void TClipboard::AssignTo(TPersistent* Dest) {
  TBitmap* bitmap = dynamic_cast<TBitmap*>(Dest);
  if (auto* picture = dynamic_cast<TPicture*>(Dest)) bitmap = picture->GetBitmap();
  if (!bitmap) return inherited::AssignTo(Dest);
  // Read a copy: the clipboard's block stays the clipboard's and the clipboard is closed again.
  TBytes bytes;
  Open();
  try {
    HGLOBAL block = GetClipboardData(CF_BITMAP);
    if (!block) throw EClipboardException(u"The clipboard holds no bitmap");
    const size_t size = GlobalSize(block);
    bytes.resize(size);
    if (size) {
      std::memcpy(bytes.data(), GlobalLock(block), size);
      GlobalUnlock(block);
    }
  } catch (...) {
    Close();
    throw;
  }
  Close();
  TCustomMemoryStream stream(bytes.data(), NativeInt(bytes.size()));
  bitmap->LoadFromStream(stream);
}

TClipboard* Clipboard() {
  if (!GClipboard) GClipboard = Create<TClipboard>();
  return GClipboard;
}

TClipboard* SetClipboard(TClipboard* NewClipboard) {
  TClipboard* old = GClipboard;
  GClipboard = NewClipboard;
  return old;
}

namespace detail {
void ClipbrdFin() { FreeAndNil(GClipboard); }
}  // namespace detail
