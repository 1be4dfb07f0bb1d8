#include "zcl/base/ZCL.FileFormats.XML.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>

#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.Format.h"
#include "rtl/RTL.FormatSettings.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Strings.h"
#include "rtl/RTL.Variant.h"
#include "zcl/base/ZCL.FileFormats.XML.Binary.h"
#include "zcl/base/ZCL.FileFormats.XML.Reader.h"
#include "zcl/base/ZCL.FileFormats.XML.Types.h"
#include "zcl/base/ZCL.FileFormats.XML.Writer.h"
#include "zcl/base/ZCL.Utils.Common.h"
#include "zcl/base/ZCL.Utils.Date.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/base/ZCL.Utils.Strings.h"

namespace {

constexpr const char16_t XmlSpace[] = u"xml:space";
constexpr const char16_t PreserveValue[] = u"preserve";

Char FoldAscii(Char C) { return (C >= u'a' && C <= u'z') ? static_cast<Char>(C - 32) : C; }

bool SameName(StringView A, StringView B) {
  if (A.size() != B.size()) return false;
  for (size_t i = 0; i < A.size(); ++i)
    if (A[i] != B[i] && FoldAscii(A[i]) != FoldAscii(B[i])) return false;
  return true;
}

String Pad(Integer Value, int Digits) {
  String s = IntToStr(Value);
  if (static_cast<int>(s.size()) < Digits) s.insert(0, Digits - s.size(), u'0');
  return s;
}

[[noreturn]] void UnexpectedToken(Char Token, StringView Text) {
  String token = Token == 0 ? String(u"#0") : String(1, Token);
  throw EZCLXMLUnexpectedToken(Format(u"Unexpected token was found (\"%s\" in \"%s\")", {token, String(Text)}));
}

// Reads the decimal digits at Pos and returns the delimiter after them (0 at the end). Values
// beyond a 16-bit field saturate, so that encoding rejects them instead of wrapping.
Char ReadNumber(StringView Text, size_t& Pos, uint32_t& Value) {
  Value = 0;
  while (Pos < Text.size() && Text[Pos] >= u'0' && Text[Pos] <= u'9') {
    Value = std::min<uint32_t>(Value * 10 + (Text[Pos] - u'0'), 0x10000);
    ++Pos;
  }
  return Pos < Text.size() ? Text[Pos++] : Char(0);
}

Word ToWord(uint32_t V) { return static_cast<Word>(std::min<uint32_t>(V, 0xFFFF)); }

// Nesting beyond this is refused on load, which keeps the recursive walks over loaded trees safe.
constexpr Integer MaxLoadDepth = 4096;

}  // namespace

// ---------------------------------------------------------------------------------------------
// The arena of a load: nodes and attributes made while a document loads are cut from large blocks
// instead of one heap block each. Every object carries a word before it naming its arena (null
// for the heap). The arena lives while any of its objects does, plus the load that fills it; a
// freed object's room is not reused, so an edited tree keeps at most what its load took.

namespace {

#if defined(__SANITIZE_ADDRESS__)
#define ZCL_XML_ARENA_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZCL_XML_ARENA_ASAN 1
#endif
#endif
#ifdef ZCL_XML_ARENA_ASAN
extern "C" void __asan_poison_memory_region(void const volatile* Addr, size_t Size);
extern "C" void __asan_unpoison_memory_region(void const volatile* Addr, size_t Size);
// Room not handed out and freed objects stay poisoned, so that a use after free is still caught.
void PoisonArena(void* P, size_t N) { __asan_poison_memory_region(P, N); }
void UnpoisonArena(void* P, size_t N) { __asan_unpoison_memory_region(P, N); }
#else
void PoisonArena(void*, size_t) {}
void UnpoisonArena(void*, size_t) {}
#endif

class TXMLArena {
 public:
  // Starts with the reference of the load that fills it.
  TXMLArena() = default;
  TXMLArena(const TXMLArena&) = delete;
  TXMLArena& operator=(const TXMLArena&) = delete;
  ~TXMLArena() {
    while (FBlock) {
      TBlock* next = FBlock->Next;
      UnpoisonArena(FBlock, FBlock->Size);
      std::free(FBlock);
      FBlock = next;
    }
  }

  // Size bytes aligned like the heap's.
  void* Allocate(size_t Size) {
    const size_t need = (Size + Align - 1) & ~(Align - 1);
    if (static_cast<size_t>(FEnd - FNext) < need) NewBlock(need);
    char* p = FNext;
    FNext += need;
    UnpoisonArena(p, need);
    ++FLoaded;
    return p;
  }
  // While the load runs only its thread sees the objects: they are counted without atomics, and
  // one freed meanwhile (on that thread) takes its count back there.
  void ReleaseLoaded() { --FLoaded; }
  // The load ends: its objects become references.
  void EndLoad() {
    FLive.fetch_add(FLoaded, std::memory_order_relaxed);
    FLoaded = 0;
    Release();
  }
  // Frees the arena with its last reference.
  void Release() {
    if (FLive.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
  }
  // The one copy of Name for the objects of this arena; it lives as long as they do. The text
  // reader of the load atomises names in the same table, so its atoms serve as they are.
  const String* Atom(StringView Name) { return &FNames.Add(Name); }
  TZCLXMLNameTable* GetNameTable() { return &FNames; }
  void Poison(void* P, size_t Size) { PoisonArena(P, (Size + Align - 1) & ~(Align - 1)); }

 private:
  static constexpr size_t Align = alignof(std::max_align_t);
  struct TBlock {
    TBlock* Next;
    size_t Size;
  };
  static constexpr size_t Header = (sizeof(TBlock) + Align - 1) & ~(Align - 1);

  void NewBlock(size_t Need) {
    // Blocks grow with the tree, so a small document takes little and a large one few blocks.
    FBlockSize = std::min<size_t>(FBlockSize * 2, size_t(1) << 20);
    const size_t size = std::max(FBlockSize, Need + Header);
    auto* block = static_cast<TBlock*>(std::malloc(size));
    if (!block) throw std::bad_alloc();
    block->Next = FBlock;
    block->Size = size;
    FBlock = block;
    FNext = reinterpret_cast<char*>(block) + Header;
    FEnd = reinterpret_cast<char*>(block) + size;
    PoisonArena(FNext, static_cast<size_t>(FEnd - FNext));
  }

  std::atomic<size_t> FLive{1};
  size_t FLoaded = 0;
  TZCLXMLNameTable FNames;
  TBlock* FBlock = nullptr;
  char* FNext = nullptr;
  char* FEnd = nullptr;
  size_t FBlockSize = 8192;
};

// The arena of the load running on this thread, if any.
thread_local TXMLArena* GLoadArena = nullptr;

// Makes the objects created on this thread until its end come from a new arena.
class TXMLArenaScope {
 public:
  TXMLArenaScope() : FArena(new TXMLArena()), FPrevious(GLoadArena) { GLoadArena = FArena; }
  ~TXMLArenaScope() {
    GLoadArena = FPrevious;
    FArena->EndLoad();
  }
  TXMLArenaScope(const TXMLArenaScope&) = delete;
  TXMLArenaScope& operator=(const TXMLArenaScope&) = delete;

 private:
  TXMLArena* FArena;
  TXMLArena* FPrevious;
};

// The word before an object, padded to keep the object aligned like the heap's blocks.
constexpr size_t ArenaHeader = alignof(std::max_align_t);

void* ArenaNew(size_t Size) {
  void** p;
  if (TXMLArena* arena = GLoadArena) {
    p = static_cast<void**>(arena->Allocate(Size + ArenaHeader));
    *p = arena;
  } else {
    p = static_cast<void**>(::operator new(Size + ArenaHeader));
    *p = nullptr;
  }
  return reinterpret_cast<char*>(p) + ArenaHeader;
}

// The arena an object of these classes was made in; null for the heap.
TXMLArena* ArenaOf(const void* P) {
  return *reinterpret_cast<TXMLArena* const*>(static_cast<const char*>(P) - ArenaHeader);
}

// Names up to this length fit the string's own buffer: copying them costs less than sharing.
constexpr size_t ShortName = 7;

void ArenaDelete(void* P, size_t Size) {
  if (!P) return;
  void** p = reinterpret_cast<void**>(static_cast<char*>(P) - ArenaHeader);
  if (auto* arena = static_cast<TXMLArena*>(*p)) {
    arena->Poison(p, Size + ArenaHeader);
    if (arena == GLoadArena)
      arena->ReleaseLoaded();
    else
      arena->Release();
  } else {
    ::operator delete(p);
  }
}

}  // namespace

void* TZCLXMLAttribute::operator new(size_t Size) { return ArenaNew(Size); }
void TZCLXMLAttribute::operator delete(void* P, size_t Size) { ArenaDelete(P, Size); }
void* TZCLXMLNode::operator new(size_t Size) { return ArenaNew(Size); }
void TZCLXMLNode::operator delete(void* P, size_t Size) { ArenaDelete(P, Size); }

namespace detail {
bool XMLValueNeedsPreserve(StringView Value) { return !Value.empty() && (Value.front() < 0x21 || Value.back() < 0x21); }
}  // namespace detail

// ---------------------------------------------------------------------------------------------
// TZCLXMLDateTime

TZCLXMLDateTime TZCLXMLDateTime::Parse(StringView Text) {
  TZCLXMLDateTime r;
  size_t pos = 0;
  uint32_t v = 0;
  Char d = ReadNumber(Text, pos, v);
  r.Year = ToWord(v);
  if (d != u'-') UnexpectedToken(d, Text);
  d = ReadNumber(Text, pos, v);
  r.Month = ToWord(v);
  if (d != u'-') UnexpectedToken(d, Text);
  d = ReadNumber(Text, pos, v);
  r.Day = ToWord(v);
  bool carrySecond = false;
  if (d == u'T') {
    d = ReadNumber(Text, pos, v);
    r.Hour = ToWord(v);
    if (d != u':') UnexpectedToken(d, Text);
    d = ReadNumber(Text, pos, v);
    r.Minute = ToWord(v);
    if (d != u':') UnexpectedToken(d, Text);
    d = ReadNumber(Text, pos, v);
    r.Second = ToWord(v);
    if (d == u'.') {
      // Up to nine digits count; the rest only end the number.
      double fraction = 0, scale = 1;
      int digits = 0;
      while (pos < Text.size() && Text[pos] >= u'0' && Text[pos] <= u'9') {
        if (digits++ < 9) {
          scale /= 10;
          fraction += (Text[pos] - u'0') * scale;
        }
        ++pos;
      }
      d = pos < Text.size() ? Text[pos++] : Char(0);
      long ms = std::lround(fraction * 1000);
      if (ms >= 1000) {
        carrySecond = true;  // applied below through date arithmetic
        ms = 0;
      }
      r.Millisecond = static_cast<Word>(ms);
    }
  }
  if (carrySecond) {
    TDateTime t = EncodeDateTime(r.Year, r.Month, r.Day, r.Hour, r.Minute, r.Second, 0) + 1.0 / SecsPerDay;
    // Round to whole milliseconds so that decoding does not land a unit below.
    t = std::round(t.Value * MSecsPerDay) / MSecsPerDay;
    r = FromDateTime(t, r.IsUTC);
  }
  if (d == u'+' || d == u'-') {
    const bool plus = d == u'+';
    uint32_t offH = 0, offM = 0;
    d = ReadNumber(Text, pos, offH);
    if (d == u':') d = ReadNumber(Text, pos, offM);
    TDateTime t = EncodeDateTime(r.Year, r.Month, r.Day, r.Hour, r.Minute, r.Second, r.Millisecond);
    double offset = (double(offH) * MinsPerHour + double(offM)) / MinsPerDay;
    t = plus ? t - offset : t + offset;
    t = std::round(t.Value * MSecsPerDay) / MSecsPerDay;
    r = FromDateTime(t, true);
  }
  if (d == u'Z') {
    r.IsUTC = true;
    d = ReadNumber(Text, pos, v);
  }
  if (d != 0) UnexpectedToken(d, Text);
  return r;
}

TZCLXMLDateTime TZCLXMLDateTime::FromDateTime(TDateTime Value, bool AIsUTC) {
  TZCLXMLDateTime r;
  DecodeDate(Value, r.Year, r.Month, r.Day);
  DecodeTime(Value, r.Hour, r.Minute, r.Second, r.Millisecond);
  r.IsUTC = AIsUTC;
  return r;
}

TDateTime TZCLXMLDateTime::ToDateTime() const {
  TDateTime t = EncodeDateTime(Year, Month, Day, Hour, Minute, Second, Millisecond);
  return IsUTC ? TZCLDateUtils::UniversalToLocal(t) : t;
}

String TZCLXMLDateTime::ToString() const {
  String s = Pad(Year, 4) + u"-" + Pad(Month, 2) + u"-" + Pad(Day, 2) + u"T" + Pad(Hour, 2) + u":" + Pad(Minute, 2) +
             u":" + Pad(Second, 2) + u"." + Pad(Millisecond, 3);
  if (IsUTC) s += u"Z";
  return s;
}

// ---------------------------------------------------------------------------------------------
// TZCLXMLAttribute, TZCLXMLAttributes

void TZCLXMLAttribute::Assign(const TZCLXMLAttribute* Source) {
  SetName(Source->GetName());
  FValue = Source->FValue;
}

Integer TZCLXMLAttribute::GetValueAsInteger(Integer Default) const { return StrToIntDef(FValue, Default); }

TZCLXMLAttribute* TZCLXMLAttributes::Add() { return AddString(String(), String()); }

TZCLXMLAttribute* TZCLXMLAttributes::AddString(const String& Name, const String& Value) {
  TZCLXMLAttribute* a = Create<TZCLXMLAttribute>(Name, Value);
  TZCLObjectList::Add(a);
  return a;
}

TZCLXMLAttribute* TZCLXMLAttributes::AddString(String&& Name, String&& Value) {
  TZCLXMLAttribute* a = Create<TZCLXMLAttribute>(std::move(Name), std::move(Value));
  TZCLObjectList::Add(a);
  return a;
}

TZCLXMLAttribute* TZCLXMLAttributes::AddInteger(const String& Name, Int64 Value) {
  return AddString(Name, IntToStr(Value));
}

void TZCLXMLAttributes::Assign(const TZCLXMLAttributes* Source) {
  if (Source == this) return;
  Clear();
  if (!Source) return;
  EnsureCapacity(Source->GetCount());
  for (Integer i = 0; i < Source->GetCount(); ++i) {
    const TZCLXMLAttribute* a = Source->GetItem(i);
    AddString(a->GetName(), a->GetValue());
  }
}

bool TZCLXMLAttributes::Equals(const TObject* Obj) const {
  auto* other = dynamic_cast<const TZCLXMLAttributes*>(Obj);
  if (!other || other->GetCount() != GetCount()) return false;
  // The n-th attribute of a name here pairs with the n-th of that name there, so that lists with
  // repeated names compare by their values too (and a list always equals its copy).
  for (Integer i = 0; i < GetCount(); ++i) {
    const TZCLXMLAttribute* a = GetItem(i);
    Integer occurrence = 0;
    for (Integer j = 0; j < i; ++j)
      if (SameName(GetItem(j)->GetName(), a->GetName())) ++occurrence;
    const TZCLXMLAttribute* match = nullptr;
    for (Integer j = 0; j < other->GetCount() && !match; ++j)
      if (SameName(other->GetItem(j)->GetName(), a->GetName()) && occurrence-- == 0) match = other->GetItem(j);
    if (!match || match->GetValue() != a->GetValue()) return false;
  }
  return true;
}

Integer TZCLXMLAttributes::IndexOfName(StringView Name) const {
  for (Integer i = 0; i < GetCount(); ++i)
    if (SameName(GetItem(i)->GetName(), Name)) return i;
  return -1;
}

bool TZCLXMLAttributes::Find(StringView Name, TZCLXMLAttribute*& Attribute) const {
  Integer i = IndexOfName(Name);
  Attribute = i >= 0 ? GetItem(i) : nullptr;
  return Attribute != nullptr;
}

TZCLXMLAttribute* TZCLXMLAttributes::GetItem(Integer Index) const {
  return IsValid(Index) ? static_cast<TZCLXMLAttribute*>(GetItems(Index)) : nullptr;
}

bool TZCLXMLAttributes::Remove(StringView Name) {
  Integer i = IndexOfName(Name);
  if (i < 0) return false;
  Delete(i);
  return true;
}

bool TZCLXMLAttributes::Rename(StringView OldName, const String& NewName) {
  if (Exists(NewName)) return false;
  TZCLXMLAttribute* a;
  if (!Find(OldName, a)) return false;
  a->SetName(NewName);
  return true;
}

String TZCLXMLAttributes::GetValue(StringView Name) const { return GetValueDef(Name, String()); }

String TZCLXMLAttributes::GetValueDef(StringView Name, const String& Default) const {
  TZCLXMLAttribute* a;
  return Find(Name, a) ? a->GetValue() : Default;
}

bool TZCLXMLAttributes::TryGetValue(StringView Name, String& Value) const {
  TZCLXMLAttribute* a;
  if (!Find(Name, a)) return false;
  Value = a->GetValue();
  return true;
}

Integer TZCLXMLAttributes::GetValueAsInteger(StringView Name, Integer Default) const {
  TZCLXMLAttribute* a;
  return Find(Name, a) ? StrToIntDef(a->GetValue(), Default) : Default;
}

Int64 TZCLXMLAttributes::GetValueAsInt64(StringView Name, Int64 Default) const {
  TZCLXMLAttribute* a;
  return Find(Name, a) ? StrToInt64Def(a->GetValue(), Default) : Default;
}

double TZCLXMLAttributes::GetValueAsFloat(StringView Name, double Default) const {
  TZCLXMLAttribute* a;
  return Find(Name, a) ? static_cast<double>(StrToFloat(a->GetValue(), TFormatSettings::Invariant())) : Default;
}

bool TZCLXMLAttributes::GetValueAsBoolean(StringView Name, bool Default) const {
  TZCLXMLAttribute* a;
  return Find(Name, a) ? zcXMLStrToBool(a->GetValue()) : Default;
}

TZCLBoolean TZCLXMLAttributes::GetValueAsDefaultBoolean(StringView Name) const {
  TZCLXMLAttribute* a;
  if (!Find(Name, a)) return TZCLBoolean::Default;
  return zcXMLStrToBool(a->GetValue()) ? TZCLBoolean::True : TZCLBoolean::False;
}

TDateTime TZCLXMLAttributes::GetValueAsDateTime(StringView Name, TDateTime Default) const {
  TZCLXMLAttribute* a;
  return Find(Name, a) ? TZCLXMLDateTime::Parse(a->GetValue()).ToDateTime() : Default;
}

TRect TZCLXMLAttributes::GetValueAsRect(StringView Name) const { return zcStringToRect(GetValue(Name)); }

TSize TZCLXMLAttributes::GetValueAsSize(StringView Name) const {
  TPoint p = zcStringToPoint(GetValue(Name));
  return TSize(p.X, p.Y);
}

Variant TZCLXMLAttributes::GetValueAsVariant(StringView Name) const {
  const String type = GetValue(String(Name) + u"Type");
  if (type == u"Int32") return Variant(GetValueAsInteger(Name, 0));
  if (type == u"Float") return Variant(GetValueAsFloat(Name, 0));
  if (type == u"String") return Variant(GetValue(Name));
  if (type == u"Int64" || type == u"Int34") return Variant(static_cast<long long>(GetValueAsInt64(Name, 0)));
  if (type == u"Bool") return Variant(GetValueAsBoolean(Name, false));
  if (type == u"Date") return Variant(GetValueAsDateTime(Name, 0));
  return Variant();
}

void TZCLXMLAttributes::SetValue(StringView Name, const String& Value) {
  TZCLXMLAttribute* a;
  if (Find(Name, a))
    a->SetValue(Value);
  else
    AddString(String(Name), Value);
}

void TZCLXMLAttributes::SetValueAsInteger(StringView Name, Integer Value) { SetValue(Name, IntToStr(Value)); }
void TZCLXMLAttributes::SetValueAsInt64(StringView Name, Int64 Value) { SetValue(Name, IntToStr(Value)); }

void TZCLXMLAttributes::SetValueAsFloat(StringView Name, double Value) {
  SetValue(Name, FloatToStr(Value, TFormatSettings::Invariant()));
}

void TZCLXMLAttributes::SetValueAsBoolean(StringView Name, bool Value) { SetValue(Name, Value ? u"1" : u"0"); }

void TZCLXMLAttributes::SetValueAsDefaultBoolean(StringView Name, TZCLBoolean Value) {
  if (Value == TZCLBoolean::Default)
    Remove(Name);
  else
    SetValueAsBoolean(Name, Value == TZCLBoolean::True);
}

void TZCLXMLAttributes::SetValueAsDateTime(StringView Name, TDateTime Value) {
  if (Value.Value <= 0) {
    Remove(Name);
    return;
  }
  String text;
  try {
    text = TZCLXMLDateTime::FromDateTime(TZCLDateUtils::LocalToUniversal(Value), true).ToString();
  } catch (const Exception&) {
    text = TZCLXMLDateTime::FromDateTime(Value, false).ToString();
  }
  SetValue(Name, text);
}

void TZCLXMLAttributes::SetValueAsRect(StringView Name, const TRect& Value) {
  SetValue(Name, Format(u"%d,%d,%d,%d", {Value.Left, Value.Top, Value.Right, Value.Bottom}));
}

void TZCLXMLAttributes::SetValueAsSize(StringView Name, const TSize& Value) {
  SetValue(Name, Format(u"%d,%d", {Value.cx, Value.cy}));
}

void TZCLXMLAttributes::SetValueAsVariant(StringView Name, const Variant& Value) {
  const String typeName = String(Name) + u"Type";
  const TVarType vt = Value.VarType();
  const char16_t* type = nullptr;
  switch (vt) {
    case varEmpty:
    case varNull:
      Remove(Name);
      Remove(typeName);
      return;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
      SetValue(Name, IntToStr(Value.AsInteger()));
      type = u"Int32";
      break;
    case varSingle:
    case varDouble:
    case varCurrency:
      SetValueAsFloat(Name, Value.AsDouble());
      type = u"Float";
      break;
    case varDate:
      SetValueAsDateTime(Name, Value.AsDate());
      type = u"Date";
      break;
    case varOleStr:
    case varString:
    case varUString:
      SetValue(Name, Value.AsString());
      type = u"String";
      break;
    case varBoolean:
      SetValueAsBoolean(Name, Value.AsBoolean());
      type = u"Bool";
      break;
    case varLongWord:
    case varInt64:
      SetValue(Name, IntToStr(Value.AsInt64()));
      type = u"Int64";
      break;
    default:
      throw EZCLXMLArgumentException(Format(u"Unsupported Variant Type (%d)", {static_cast<Integer>(vt)}));
  }
  SetValue(typeName, type);
}

// ---------------------------------------------------------------------------------------------
// TZCLXMLNode

TZCLXMLNode::TZCLXMLNode(TZCLXMLNode* AParent) : FParent(AParent) {}

namespace {
// Frees the attributes last first, as clearing the list would, without a notification per item
// when nobody listens for changes.
void FreeAttributes(TZCLXMLAttributes& Attributes) {
  if (Attributes.GetCount() == 0) return;
  if (!Attributes.OnChanged && Attributes.GetOwnObjects()) {
    Pointer* items = Attributes.GetList();
    for (Integer i = Attributes.GetCount(); i-- > 0;) {
      Free(static_cast<TObject*>(items[i]));
      items[i] = nullptr;  // a null item leaves the list without a notification
    }
  }
  Attributes.Clear();
}
}  // namespace

TZCLXMLNode::~TZCLXMLNode() {
  if (FParent) FParent->DetachChild(this);
  FParent = nullptr;
  TZCLXMLNode::Clear();
  FreeAttributes(FAttributes);
}

TZCLXMLNode* TZCLXMLNode::Add(const String& Name) {
  TZCLXMLNode* node = Create<TZCLXMLNode>(this);
  node->FNodeName = Name;
  AttachChild(node);
  return node;
}

void TZCLXMLNode::AttachChild(TZCLXMLNode* Node) {
  Node->FParent = this;
  if (FChildren.capacity() == 0) FChildren.reserve(4);  // skips the smallest steps of growth
  FChildren.push_back(Node);
}

void TZCLXMLNode::DetachChild(TZCLXMLNode* Node) {
  for (size_t i = FChildren.size(); i-- > 0;)
    if (FChildren[i] == Node) {
      FChildren.erase(FChildren.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
}

void TZCLXMLNode::Clear() {
  // Without recursion: every freed node hands its children to the work list first.
  std::vector<TZCLXMLNode*> work = std::move(FChildren);
  FChildren.clear();
  while (!work.empty()) {
    TZCLXMLNode* node = work.back();
    work.pop_back();
    for (TZCLXMLNode* child : node->FChildren) work.push_back(child);
    node->FChildren.clear();
    node->FParent = nullptr;
    Free(node);
  }
}

void TZCLXMLNode::Assign(const TZCLXMLNode* Source) {
  if (!Source || Source == this) return;
  if (IsChild(Source)) {
    // Clear would free the source: copy it out first.
    std::unique_ptr<TZCLXMLNode, void (*)(TZCLXMLNode*)> copy(Create<TZCLXMLNode>(), [](TZCLXMLNode* N) { Free(N); });
    copy->Assign(Source);
    Assign(copy.get());
    return;
  }
  Clear();
  FAttributes.Assign(&Source->FAttributes);
  for (const TZCLXMLNode* child : Source->FChildren) Add(child->GetNodeName())->Assign(child);
  SetNodeName(Source->GetNodeName());
  FNodeValue = Source->FNodeValue;
}

bool TZCLXMLNode::Equals(const TObject* Obj) const {
  auto* other = dynamic_cast<const TZCLXMLNode*>(Obj);
  if (!other || other->ClassType() != ClassType()) return false;
  if (!FAttributes.Equals(&other->FAttributes) || GetNodeName() != other->GetNodeName() || FNodeValue != other->FNodeValue ||
      FChildren.size() != other->FChildren.size())
    return false;
  for (size_t i = 0; i < FChildren.size(); ++i)
    if (!FChildren[i]->Equals(other->FChildren[i])) return false;
  return true;
}

String TZCLXMLNode::GetNodeValue(StringView Name) const {
  TZCLXMLNode* node = FindNode(Name);
  return node ? node->FNodeValue : String();
}

TZCLXMLNode* TZCLXMLNode::GetNode(Integer Index) const {
  return Index >= 0 && Index < GetCount() ? FChildren[Index] : nullptr;
}

Integer TZCLXMLNode::GetIndex() const {
  if (!FParent) return -1;
  for (size_t i = 0; i < FParent->FChildren.size(); ++i)
    if (FParent->FChildren[i] == this) return static_cast<Integer>(i);
  return -1;
}

void TZCLXMLNode::SetIndex(Integer Value) {
  Integer from = GetIndex();
  if (from < 0 || Value < 0 || Value >= FParent->GetCount() || Value == from) return;
  auto& list = FParent->FChildren;
  if (Value < from)
    std::rotate(list.begin() + Value, list.begin() + from, list.begin() + from + 1);
  else
    std::rotate(list.begin() + from, list.begin() + from + 1, list.begin() + Value + 1);
}

void TZCLXMLNode::SetParent(TZCLXMLNode* NewParent) {
  if (!CanSetParent(NewParent)) return;
  if (FParent) FParent->DetachChild(this);
  FParent = nullptr;
  if (NewParent) NewParent->AttachChild(this);
}

bool TZCLXMLNode::CanSetParent(const TZCLXMLNode* NewParent) const {
  if (!NewParent) return true;
  return NewParent != this && NewParent != FParent && !IsChild(NewParent);
}

bool TZCLXMLNode::IsChild(const TZCLXMLNode* Node) const {
  for (const TZCLXMLNode* p = Node ? Node->FParent : nullptr; p; p = p->FParent)
    if (p == this) return true;
  return false;
}

TZCLXMLNode* TZCLXMLNode::FindNode(StringView Name) const {
  for (TZCLXMLNode* child : FChildren)
    if (SameName(child->GetNodeName(), Name)) return child;
  return nullptr;
}

bool TZCLXMLNode::TryFindNode(StringView Name, TZCLXMLNode*& Node) const {
  Node = FindNode(Name);
  return Node != nullptr;
}

TZCLXMLNode* TZCLXMLNode::FindNodeByPath(const TZCLXMLNodePath& Path, bool MayCreate) {
  if (Path.empty()) return nullptr;
  TZCLXMLNode* node = this;
  for (const String& name : Path) {
    TZCLXMLNode* child = node->FindNode(name);
    if (!child) {
      if (!MayCreate) return nullptr;
      child = node->Add(name);
    }
    node = child;
  }
  return node;
}

bool TZCLXMLNode::TryFindNodeByPath(const TZCLXMLNodePath& Path, TZCLXMLNode*& Node, bool MayCreate) {
  Node = FindNodeByPath(Path, MayCreate);
  return Node != nullptr;
}

void TZCLXMLNode::Enum(const TZCLXMLNodeEnumProc& Proc, bool Recursive) {
  try {
    // By index: Proc may add or remove children.
    for (size_t i = 0; i < FChildren.size(); ++i) Proc(FChildren[i]);
    if (Recursive)
      for (size_t i = 0; i < FChildren.size(); ++i) FChildren[i]->Enum(Proc, true);
  } catch (const EAbort&) {
  }
}

void TZCLXMLNode::EnumChildren(const TZCLXMLNodePath& Path, const TZCLXMLNodeEnumProc& Proc) {
  TZCLXMLNode* node = FindNodeByPath(Path, false);
  if (!node) return;
  try {
    for (size_t i = 0; i < node->FChildren.size(); ++i) Proc(node->FChildren[i]);
  } catch (const EAbort&) {
  }
}

// ---------------------------------------------------------------------------------------------
// TZCLXMLDocument

TZCLXMLDocument::TZCLXMLDocument() : TZCLXMLNode(nullptr) {}

TZCLXMLDocument::~TZCLXMLDocument() { Clear(); }

TZCLXMLDocument* TZCLXMLDocument::CreateFromFile(const String& FileName) {
  TZCLXMLDocument* doc = Create<TZCLXMLDocument>();
  try {
    doc->LoadFromFile(FileName);
  } catch (const Exception& e) {
    if (!doc->FLoadFailed) doc->SetLoadError(e.GetMessage(), 0, 0);
  }
  return doc;
}

TZCLXMLDocument* TZCLXMLDocument::CreateFromStream(TStream* Stream) {
  TZCLXMLDocument* doc = Create<TZCLXMLDocument>();
  try {
    doc->LoadFromStreamDefault(Stream);
  } catch (...) {
    Free(doc);
    throw;
  }
  return doc;
}

TZCLXMLNode* TZCLXMLDocument::Add(const String& Name) {
  if (!FAllowMultipleRoots && GetCount() > 0) throw EZCLXMLDocument(u"Only one Root available");
  return TZCLXMLNode::Add(Name);
}

void TZCLXMLDocument::SetLoadError(const String& Message, Integer Line, Integer Position) {
  FLoadFailed = true;
  FLoadError = Message;
  FLoadErrorLine = Line;
  FLoadErrorPosition = Position;
}

void TZCLXMLDocument::LoadFromFile(const String& FileName, TEncoding* Encoding) {
  TStream* stream = nullptr;
  if (!StreamCreateFileReader(FileName, stream)) {
    Clear();
    FLoadFailed = false;
    FLoadError.clear();
    FLoadErrorLine = FLoadErrorPosition = 0;
    // A file that exists but cannot be read must not look like a new, empty one.
    if (zcFileExists(FileName)) SetLoadError(Format(u"Cannot open file \"%s\"", {FileName}), 0, 0);
    return;
  }
  std::unique_ptr<TStream, void (*)(TStream*)> guard(stream, [](TStream* S) { Free(S); });
  LoadFromStream(stream, Encoding);
}

void TZCLXMLDocument::LoadFromStream(TStream* Stream, TEncoding* Encoding) {
  Clear();
  FLoadFailed = false;
  FLoadError.clear();
  FLoadErrorLine = FLoadErrorPosition = 0;
  if (Stream->GetSize() - Stream->GetPosition() < 4) return;
  TXMLArenaScope arena;
  char signature[4];
  Stream->ReadBuffer(signature, 4);
  const bool sxml = std::memcmp(signature, "SXML", 4) == 0;
  const bool bxml = std::memcmp(signature, "BXML", 4) == 0;
  if (!sxml && !bxml) {
    Stream->Seek(-4, soCurrent);
    LoadText(Stream, Encoding);
    return;
  }
  try {
    if (sxml)
      TZCLBinaryXMLParser::Parse(this, Stream);
    else
      TZCLLegacyBinaryXMLParser::Parse(this, Stream);
  } catch (const Exception& e) {
    SetLoadError(e.GetMessage(), 0, 0);
    throw;
  }
}

void TZCLXMLDocument::LoadText(TStream* Stream, TEncoding* Encoding) {
  TZCLXMLReaderSettings settings;
  settings.CheckCharacters = false;
  settings.Encoding = Encoding;
  settings.IgnoreComments = true;
  // Whitespace-only text is dropped below unless xml:space="preserve" is in force.
  settings.IgnoreWhitespace = false;
  settings.Namespaces = false;
  settings.Conformance = FAllowMultipleRoots ? xcFragment : xcDocument;
  TXMLArena* const arena = GLoadArena;  // the load's, made by LoadFromStream
  if (arena) settings.NameTable = arena->GetNameTable();

  // Per open element: whether its content is preserved. An xml:space attribute is kept like any
  // other, so the writer's own mark comes back as one (saving it again writes the same text).
  std::vector<bool> scopes;
  // Text pieces parted only by comments, instructions or CDATA form one text; a child element
  // starts a new one (the element keeps the last).
  String text;
  bool inText = false;
  // The current element's value is the untrimmed text so far (moved there, not copied).
  bool textInNode = false;
  String qualified;
  TZCLXMLNode* current = this;
  // The children of the open elements below the root, end to end, each element's from its mark
  // on: they join their parent as one block when it closes, without a step of growth per child.
  std::vector<TZCLXMLNode*> children;
  std::vector<size_t> marks;
  // The elements still open take the children read so far (the end, or a failed load).
  auto adoptOpen = [&] {
    for (TZCLXMLNode* node = current; !marks.empty() && node; node = node->FParent) {
      node->FChildren.assign(children.begin() + static_cast<std::ptrdiff_t>(marks.back()), children.end());
      children.resize(marks.back());
      marks.pop_back();
    }
  };
  try {
    auto reader = std::make_unique<TZCLXMLTextReader>(settings, Stream);
    // Errors carry their place all the same; the tree keeps none.
    reader->SetLineInfo(false);
    for (;;) {
      // Blank text that would be dropped below is not made into a node at all.
      reader->SetIgnoreWhitespace(!inText && (scopes.empty() || !scopes.back()));
      if (!current || !reader->Read()) break;
      TZCLXMLNodeData* n = reader->Node();
      const bool preserve = !scopes.empty() && scopes.back();
      switch (n->NodeType) {
        case xntElement: {
          if (static_cast<Integer>(scopes.size()) >= MaxLoadDepth)
            throw EZCLXMLException(Format(u"Elements are nested deeper than %d levels.", {MaxLoadDepth}), n->LineNumber,
                                   n->LinePosition);
          inText = false;
          const bool empty = n->IsEmptyElement();
          // Without namespaces the reader keeps the whole name as the local one.
          const String& name = n->Prefix.empty() ? n->LocalName : (qualified = n->GetQualifiedName());
          TZCLXMLNode* node;
          if (current == this) {
            node = Add(name);
          } else {
            // Below the root no Add is overridden: the child is made directly.
            node = Create<TZCLXMLNode>(current);
            children.push_back(node);
            if (name.size() > ShortName && ArenaOf(node) == arena)
              node->FNodeNameAtom = n->Prefix.empty() && n->LocalNameAtom ? n->LocalNameAtom : arena->Atom(name);
            else
              node->FNodeName = name;
          }
          bool scope = preserve;
          TZCLXMLAttributes* attrs = node->GetAttributes();
          if (reader->GetAttrCount() > 0) attrs->EnsureCapacity(reader->GetAttrCount());
          while (reader->MoveToNextAttribute()) {
            TZCLXMLNodeData* a = reader->Node();
            const String& attrName = a->Prefix.empty() ? a->LocalName : (qualified = a->GetQualifiedName());
            if (attrName == XmlSpace) {
              if (a->Value == PreserveValue)
                scope = true;
              else if (a->Value == u"default")
                scope = false;
            }
            // The reader makes every attribute anew: its value is taken over.
            if (attrName.size() > ShortName && arena) {
              TZCLXMLAttribute* attr = attrs->AddString(String(), std::move(a->Value));
              if (ArenaOf(attr) == arena)
                attr->FNameAtom = a->Prefix.empty() && a->LocalNameAtom ? a->LocalNameAtom : arena->Atom(attrName);
              else
                attr->FName = attrName;
            } else {
              attrs->AddString(String(attrName), std::move(a->Value));
            }
          }
          if (!empty) {
            scopes.push_back(scope);
            current = node;
            if (node != this) marks.push_back(children.size());
          }
          break;
        }
        // Text outside the elements (fragments only) has nowhere to go: no form stores the
        // document's own value.
        case xntText:
        case xntCData:
        case xntSignificantWhitespace:
        case xntWhitespace: {
          if (current == this) break;
          // White space alone is content only where it is preserved or inside a text.
          const bool blank = n->NodeType == xntWhitespace && !preserve;
          if (blank && !inText) break;
          if (!inText) {
            inText = true;
            if (!blank && (preserve || !detail::XMLValueNeedsPreserve(n->Value))) {
              // The common case: one piece that needs no trimming becomes the value as it is.
              current->FNodeValue = std::move(n->Value);
              textInNode = true;
              break;
            }
            text = std::move(n->Value);
            textInNode = false;
          } else {
            if (textInNode) {
              text = current->FNodeValue;
              textInNode = false;
            }
            text += n->Value;
          }
          if (!blank) current->SetNodeValue(preserve ? text : Trim(text));
          break;
        }
        case xntEndElement:
          inText = false;
          if (!scopes.empty()) scopes.pop_back();
          if (!marks.empty()) {
            current->FChildren.assign(children.begin() + static_cast<std::ptrdiff_t>(marks.back()), children.end());
            children.resize(marks.back());
            marks.pop_back();
          }
          current = current->GetParent();
          break;
        default:
          break;
      }
    }
    adoptOpen();
  } catch (const EZCLXMLException& e) {
    adoptOpen();
    // A well-formed prolog without an element is how an empty document is written: nothing is
    // missing from the tree.
    if (GetCount() == 0 && e.GetMessage() == u"Root element is missing.") return;
    SetLoadError(e.GetMessage(), e.LineNumber, e.LinePosition);
  } catch (const Exception& e) {
    adoptOpen();
    SetLoadError(e.GetMessage(), 0, 0);
  } catch (...) {
    adoptOpen();
    throw;
  }
}

void TZCLXMLDocument::SaveToFile(const String& FileName) { SaveToFileAs(FileName, TZCLXMLDocumentFormat::Default()); }

void TZCLXMLDocument::SaveToFileAs(const String& FileName, TZCLXMLDocumentFormat Form) {
  std::unique_ptr<TBytesStream, void (*)(TBytesStream*)> buffer(Create<TBytesStream>(),
                                                                [](TBytesStream* S) { Free(S); });
  SaveToStream(buffer.get(), Form);
  std::unique_ptr<TZCLBufferedFileStream, void (*)(TZCLBufferedFileStream*)> file(
      StreamCreateFileWriter(FileName), [](TZCLBufferedFileStream* S) { Free(S); });
  file->WriteBuffer(buffer->GetMemory(), buffer->GetSize());
  file->Flush();  // here a failed write raises; in the destructor it could not
}

void TZCLXMLDocument::SaveToStreamDefault(TStream* Stream) { SaveToStream(Stream, TZCLXMLDocumentFormat::Default()); }

void TZCLXMLDocument::SaveToStream(TStream* Stream, TZCLXMLDocumentFormat Form) {
  TZCLXMLBuilder* builder;
  switch (Form.GetByte(3)) {
    case 0:
      builder = Create<TZCLBinaryXMLBuilder>(Stream, Form);
      break;
    case 1:
      builder = Create<TZCLTextXMLBuilder>(Stream, Form);
      break;
    default:
      throw EZCLXMLDocument(Format(u"Unknown XML document format (%d)", {static_cast<Integer>(Form.GetByte(3))}));
  }
  std::unique_ptr<TZCLXMLBuilder, void (*)(TZCLXMLBuilder*)> guard(builder, [](TZCLXMLBuilder* B) { Free(B); });
  builder->Build(this);
}

// ---------------------------------------------------------------------------------------------
// TZCLTextXMLBuilder

TZCLTextXMLBuilder::TZCLTextXMLBuilder(TStream* Stream, TZCLXMLDocumentFormat Form) : TZCLXMLBuilder(Stream, Form) {
  TZCLXMLWriterSettings settings;
  settings.RejectInvalidChars = false;
  settings.WellFormed = false;
  settings.BreakBeforeAttributes = Form.GetByte(1) != 0;
  settings.IndentElements = Form.GetByte(2) != 0;
  // CR in text as "&#xD;": replacing it by a line break would not load back.
  settings.LineBreakMode = 1;
  FWriter = TZCLXMLWriter::Create(Stream, settings).release();
}

TZCLTextXMLBuilder::~TZCLTextXMLBuilder() { Free(FWriter); }

void TZCLTextXMLBuilder::CheckName(const String& Name, const char16_t* What) {
  if (Name.empty()) throw EZCLXMLDocument(Format(u"An %s name cannot be empty.", {String(What)}));
  static const uint8_t* const classes = zcXMLCharProperties();
  const Char* const p = Name.data();
  const size_t n = Name.size();
  size_t i = 0;
  if (p[0] == u':' || (classes[p[0]] & xccNameStart)) {
    for (i = 1; i < n && (p[i] == u':' || (classes[p[i]] & xccNameChar)); ++i) {
    }
    if (i == n) return;
  }
  throw EZCLXMLDocument(
      Format(u"Invalid %s name \"%s\": the character at %d, hexadecimal value %s, cannot be "
             u"included in a name.",
             {String(What), Name, static_cast<Integer>(i), zcXMLHex4(p[i])}));
}

void TZCLTextXMLBuilder::Build(TZCLXMLDocument* Document) {
  FWriter->WriteStartDocument(0);
  for (Integer i = 0; i < Document->GetCount(); ++i) WriteNode(Document->GetNode(i), false);
  FWriter->WriteEndDocument();
  FWriter->Flush();
}

void TZCLTextXMLBuilder::WriteNode(const TZCLXMLNode* Node, bool Preserve) {
  const String& name = Node->GetNodeName();
  CheckName(name, u"element");
  const TZCLXMLAttributes* attrs = Node->GetAttributes();
  // The list's own array: every index below is in range.
  const auto item = [items = attrs->GetList()](Integer I) { return static_cast<const TZCLXMLAttribute*>(items[I]); };
  const Integer count = attrs->GetCount();
  bool ownSpace = false;
  for (Integer i = 0; i < count; ++i) {
    const TZCLXMLAttribute* a = item(i);
    const String& attrName = a->GetName();
    CheckName(attrName, u"attribute");
    for (Integer j = 0; j < i; ++j) {
      const String& other = item(j)->GetName();
      // Lengths and first characters part nearly every pair before the whole names are compared.
      if (other.size() == attrName.size() && other[0] == attrName[0] && other == attrName)
        throw EZCLXMLDocument(
            Format(u"The attribute \"%s\" appears twice in the element \"%s\".", {attrName, name}));
    }
    if (attrName.size() == std::size(XmlSpace) - 1 && attrName == XmlSpace) {
      ownSpace = true;
      if (a->GetValue() == PreserveValue)
        Preserve = true;
      else if (a->GetValue() == u"default")
        Preserve = false;
    }
  }
  const String& value = Node->GetNodeValue();
  bool mark = false;
  if (!Preserve && detail::XMLValueNeedsPreserve(value)) {
    if (ownSpace)
      throw EZCLXMLDocument(
          Format(u"The text of the element \"%s\" begins or ends with white space, which its "
                 u"xml:space attribute does not preserve.",
                 {name}));
    mark = true;
    Preserve = true;
  }
  FWriter->WriteStartElement(name);
  for (Integer i = 0; i < count; ++i) {
    const TZCLXMLAttribute* a = item(i);
    FWriter->WriteAttributeString(a->GetName(), a->GetValue());
  }
  if (mark) FWriter->WriteAttributeString(XmlSpace, PreserveValue);
  if (!value.empty()) FWriter->WriteString(value);
  for (Integer i = 0; i < Node->GetCount(); ++i) WriteNode(Node->GetNode(i), Preserve);
  FWriter->WriteEndElement();
}
