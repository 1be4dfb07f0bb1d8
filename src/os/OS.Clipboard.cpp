#include "os/OS.Clipboard.h"

#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <unordered_set>

namespace {

struct TGlobalBlock {
  std::vector<Byte> Data;
  int Locks = 0;
};

// The blocks not yet freed. A handle is looked up here before it is touched, so a freed or
// foreign handle fails by result instead of reading memory that is gone.
struct TLiveBlocks {
  std::mutex Lock;
  std::unordered_set<const void*> Blocks;
};

TLiveBlocks& LiveBlocks() {
  static TLiveBlocks* live = new TLiveBlocks;
  return *live;
}

TGlobalBlock* Block(HGLOBAL h) {
  if (!h) return nullptr;
  TLiveBlocks& live = LiveBlocks();
  std::lock_guard guard(live.Lock);
  return live.Blocks.count(h) ? reinterpret_cast<TGlobalBlock*>(h) : nullptr;
}

struct TClipboard {
  std::mutex Lock;
  std::map<UINT, HGLOBAL> Formats;  // ordered by number: enumeration order
  std::vector<String> Names;        // registered formats, index + 0xC000
  HWND Owner = nullptr;
  bool Open = false;
  bool Changed = false;
  DWORD Sequence = 1;
  const TClipboardBridge* Bridge = nullptr;
  String PublishedText;  // what we last gave the desktop
  bool HavePublished = false;
};

TClipboard& Clip() {
  static TClipboard* clip = new TClipboard;
  return *clip;
}

Char Fold(Char c) { return (c >= u'a' && c <= u'z') ? Char(c - 32) : c; }

bool SameName(StringView a, StringView b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Fold(a[i]) != Fold(b[i])) return false;
  return true;
}

void ClearLocked(TClipboard& c) {
  for (auto& [format, block] : c.Formats) GlobalFree(block);
  c.Formats.clear();
}

HGLOBAL TextBlock(const String& text) {
  HGLOBAL h = GlobalAlloc(GHND, (text.size() + 1) * sizeof(Char));
  if (h) std::memcpy(GlobalLock(h), text.c_str(), (text.size() + 1) * sizeof(Char));
  GlobalUnlock(h);
  return h;
}

String BlockText(HGLOBAL h) {
  size_t size = GlobalSize(h) / sizeof(Char);
  const auto* p = static_cast<const Char*>(GlobalLock(h));
  String text;
  if (p) {
    size_t n = 0;
    while (n < size && p[n]) ++n;
    text.assign(p, n);
  }
  GlobalUnlock(h);
  return text;
}

}  // namespace

HGLOBAL GlobalAlloc(UINT Flags, size_t Size) {
  auto* b = new (std::nothrow) TGlobalBlock;
  if (!b) return nullptr;
  try {
    b->Data.resize(Size);  // value-initialised: zero-filled whatever the flags
  } catch (const std::bad_alloc&) {
    delete b;
    return nullptr;
  }
  (void)Flags;
  TLiveBlocks& live = LiveBlocks();
  try {
    std::lock_guard guard(live.Lock);
    live.Blocks.insert(b);
  } catch (const std::bad_alloc&) {
    delete b;
    return nullptr;
  }
  return reinterpret_cast<HGLOBAL>(b);
}

void* GlobalLock(HGLOBAL h) {
  TGlobalBlock* b = Block(h);
  if (!b) return nullptr;
  ++b->Locks;
  // A block of size 0 still answers a valid pointer.
  return b->Data.empty() ? static_cast<void*>(b) : b->Data.data();
}

BOOL GlobalUnlock(HGLOBAL h) {
  TGlobalBlock* b = Block(h);
  if (!b || b->Locks == 0) return 0;
  return --b->Locks > 0;
}

size_t GlobalSize(HGLOBAL h) {
  TGlobalBlock* b = Block(h);
  return b ? b->Data.size() : 0;
}

HGLOBAL GlobalFree(HGLOBAL h) {
  if (!h) return nullptr;
  TLiveBlocks& live = LiveBlocks();
  {
    std::lock_guard guard(live.Lock);
    if (!live.Blocks.erase(h)) return h;
  }
  delete reinterpret_cast<TGlobalBlock*>(h);
  return nullptr;
}

UINT RegisterClipboardFormat(StringView Name) {
  if (Name.empty()) return 0;
  TClipboard& c = Clip();
  std::lock_guard guard(c.Lock);
  for (size_t i = 0; i < c.Names.size(); ++i)
    if (SameName(c.Names[i], Name)) return UINT(0xC000 + i);
  if (c.Names.size() >= 0x3FFF) return 0;
  c.Names.emplace_back(Name);
  return UINT(0xC000 + c.Names.size() - 1);
}

String GetClipboardFormatName(UINT Format) {
  TClipboard& c = Clip();
  std::lock_guard guard(c.Lock);
  if (Format >= 0xC000 && Format - 0xC000 < c.Names.size()) return c.Names[Format - 0xC000];
  return {};
}

BOOL OpenClipboard(HWND Owner) {
  TClipboard& c = Clip();
  std::lock_guard guard(c.Lock);
  if (c.Open) return 0;
  c.Open = true;
  c.Owner = Owner;
  c.Changed = false;
  if (c.Bridge && c.Bridge->GetText) {
    String text;
    bool has = c.Bridge->GetText(text);
    // The desktop's clipboard changed since we published ours: it is the newer one.
    if (has && (!c.HavePublished || text != c.PublishedText)) {
      ClearLocked(c);
      c.Formats[CF_UNICODETEXT] = TextBlock(text);
      c.PublishedText = text;
      c.HavePublished = true;
      ++c.Sequence;
    }
  }
  return 1;
}

BOOL CloseClipboard() {
  TClipboard& c = Clip();
  std::lock_guard guard(c.Lock);
  if (!c.Open) return 0;
  c.Open = false;
  if (c.Changed && c.Bridge) {
    auto text = c.Formats.find(CF_UNICODETEXT);
    if (text != c.Formats.end() && c.Bridge->SetText) {
      c.PublishedText = BlockText(text->second);
      c.HavePublished = true;
      c.Bridge->SetText(c.PublishedText);
    }
    auto files = c.Formats.find(CF_HDROP);
    if (files != c.Formats.end() && c.Bridge->SetFiles) c.Bridge->SetFiles(ReadFileDropBlock(files->second));
  }
  return 1;
}

BOOL EmptyClipboard() {
  TClipboard& c = Clip();
  std::lock_guard guard(c.Lock);
  if (!c.Open) return 0;
  ClearLocked(c);
  c.Changed = true;
  ++c.Sequence;
  return 1;
}

HANDLE SetClipboardData(UINT Format, HGLOBAL Data) {
  TClipboard& c = Clip();
  std::lock_guard guard(c.Lock);
  if (!c.Open || Format == 0 || !Block(Data)) return nullptr;
  auto it = c.Formats.find(Format);
  if (it != c.Formats.end() && it->second != Data) GlobalFree(it->second);
  c.Formats[Format] = Data;
  c.Changed = true;
  ++c.Sequence;
  return reinterpret_cast<HANDLE>(Data);
}

HGLOBAL GetClipboardData(UINT Format) {
  TClipboard& c = Clip();
  std::lock_guard guard(c.Lock);
  if (!c.Open) return nullptr;
  auto it = c.Formats.find(Format);
  return it == c.Formats.end() ? nullptr : it->second;
}

BOOL IsClipboardFormatAvailable(UINT Format) {
  TClipboard& c = Clip();
  std::lock_guard guard(c.Lock);
  return c.Formats.count(Format) ? 1 : 0;
}

int CountClipboardFormats() {
  TClipboard& c = Clip();
  std::lock_guard guard(c.Lock);
  return int(c.Formats.size());
}

UINT EnumClipboardFormats(UINT Format) {
  TClipboard& c = Clip();
  std::lock_guard guard(c.Lock);
  auto it = c.Formats.upper_bound(Format);
  return it == c.Formats.end() ? 0 : it->first;
}

HWND GetClipboardOwner() {
  TClipboard& c = Clip();
  std::lock_guard guard(c.Lock);
  return c.Owner;
}

DWORD GetClipboardSequenceNumber() {
  TClipboard& c = Clip();
  std::lock_guard guard(c.Lock);
  return c.Sequence;
}

void SetClipboardBridge(const TClipboardBridge* Bridge) {
  TClipboard& c = Clip();
  std::lock_guard guard(c.Lock);
  c.Bridge = Bridge;
  c.HavePublished = false;
}

HGLOBAL CreateFileDropBlock(const std::vector<String>& Files) {
  size_t chars = 1;
  for (const String& f : Files) chars += f.size() + 1;
  HGLOBAL h = GlobalAlloc(GHND, 20 + chars * sizeof(Char));
  if (!h) return nullptr;
  auto* p = static_cast<Byte*>(GlobalLock(h));
  const uint32_t offset = 20, wide = 1;
  std::memcpy(p, &offset, 4);
  std::memcpy(p + 16, &wide, 4);
  size_t at = 20;
  for (const String& f : Files) {
    std::memcpy(p + at, f.data(), f.size() * sizeof(Char));
    at += (f.size() + 1) * sizeof(Char);
  }
  GlobalUnlock(h);
  return h;
}

std::vector<String> ReadFileDropBlock(const Byte* Data, size_t Size) {
  std::vector<String> files;
  if (!Data || Size < 20) return files;
  uint32_t offset, wide;
  std::memcpy(&offset, Data, 4);
  std::memcpy(&wide, Data + 16, 4);
  if (offset < 20 || offset >= Size) return files;
  if (wide) {
    size_t count = (Size - offset) / 2;
    String name;
    for (size_t i = 0; i < count; ++i) {
      Char ch = Char(Data[offset + 2 * i] | (Data[offset + 2 * i + 1] << 8));
      if (ch == 0) {
        if (name.empty()) break;  // the list ends at an empty name
        files.push_back(std::move(name));
        name.clear();
      } else {
        name.push_back(ch);
      }
    }
  } else {
    std::string name;
    for (size_t i = offset; i < Size; ++i) {
      if (Data[i] == 0) {
        if (name.empty()) break;
        files.push_back(UTF8ToString(name));
        name.clear();
      } else {
        name.push_back(char(Data[i]));
      }
    }
  }
  return files;
}

std::vector<String> ReadFileDropBlock(HGLOBAL Block) {
  auto* p = static_cast<const Byte*>(GlobalLock(Block));
  std::vector<String> files = ReadFileDropBlock(p, GlobalSize(Block));
  GlobalUnlock(Block);
  return files;
}
