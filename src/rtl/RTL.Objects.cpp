#include "rtl/RTL.Objects.h"

#include <algorithm>
#include <functional>
#include <map>
#include <mutex>
#include <shared_mutex>

#include "rtl/RTL.Delegates.h"

namespace {
Char FoldAscii(Char C) { return (C >= u'a' && C <= u'z') ? static_cast<Char>(C - (u'a' - u'A')) : C; }

bool SameIdentifier(StringView A, StringView B) {
  if (A.size() != B.size()) return false;
  for (size_t i = 0; i < A.size(); ++i)
    if (FoldAscii(A[i]) != FoldAscii(B[i])) return false;
  return true;
}

struct TIdentifierLess {
  using is_transparent = void;
  bool operator()(StringView A, StringView B) const {
    const size_t n = std::min(A.size(), B.size());
    for (size_t i = 0; i < n; ++i) {
      const Char a = FoldAscii(A[i]), b = FoldAscii(B[i]);
      if (a != b) return a < b;
    }
    return A.size() < B.size();
  }
};

// Registered classes by name. Written from unit initialization, read from any thread.
struct TClassRegistry {
  std::shared_mutex Lock;
  std::map<String, TClass, TIdentifierLess> Classes;
};

TClassRegistry& Registry() {
  static TClassRegistry registry;
  return registry;
}
}  // namespace

// --- TClassRecord ---

TClassRecord::TClassRecord(StringView Name, TClass Parent) : FClassName(Name), FParent(Parent) {}

TClassRecord::~TClassRecord() = default;

bool TClassRecord::ClassNameIs(StringView Name) const { return SameIdentifier(FClassName, Name); }

bool TClassRecord::InheritsFrom(TClass AClass) const {
  if (!AClass) return false;
  for (TClass c = this; c; c = c->FParent)
    if (c == AClass) return true;
  return false;
}

void (*TClassRecord::FindFactory(const void* Signature) const)() {
  for (int i = 0; i < FFactoryCount; ++i)
    if (FFactories[i].Signature == Signature) return FFactories[i].Fn;
  return nullptr;
}

TObject* TClassRecord::Constructed(TObject* Obj) {
  try {
    Obj->AfterConstruction();
  } catch (...) {
    detail::DestroyAfterFailedConstruction(Obj);
    throw;
  }
  return Obj;
}

namespace detail {
void RaiseNoConstructor(TClass Class, TClass Base) {
  if (!Class->InheritsFrom(Base)) throw EInvalidCast(u"Class %s is not a %s", {Class->ClassName(), Base->ClassName()});
  throw EInvalidOperation(u"Class %s cannot be created through its class reference", {Class->ClassName()});
}

void DestroyAfterFailedConstruction(TObject* Obj) noexcept { delete Obj; }

void RaiseUnassignedDelegate() { throw EInvalidOperation(u"Call of an unassigned method"); }

void RaiseDelegateSignatureMismatch() { throw EInvalidCast(u"Method type does not match the event type"); }
}  // namespace detail

// --- TObject ---

TObject::~TObject() = default;

TClass TObject::StaticClass() {
  static const TClassRecordOf<TObject> record(u"TObject", nullptr);
  return &record;
}

Integer TObject::GetHashCode() const { return static_cast<Integer>(std::hash<const void*>()(this)); }

void Free(TObject* Obj) {
  if (!Obj) return;
  Obj->BeforeDestruction();
  delete Obj;
}

// --- class registry ---

void RegisterClass(TClass AClass) {
  if (!AClass) return;
  auto& reg = Registry();
  std::unique_lock lock(reg.Lock);
  auto it = reg.Classes.find(StringView(AClass->ClassName()));
  if (it != reg.Classes.end()) {
    if (it->second == AClass) return;
    throw EFilerError(u"A class named %s already exists", {AClass->ClassName()});
  }
  reg.Classes.emplace(AClass->ClassName(), AClass);
}

void RegisterClasses(std::initializer_list<TClass> Classes) {
  for (TClass c : Classes) RegisterClass(c);
}

void UnRegisterClass(TClass AClass) {
  if (!AClass) return;
  auto& reg = Registry();
  std::unique_lock lock(reg.Lock);
  auto it = reg.Classes.find(StringView(AClass->ClassName()));
  if (it != reg.Classes.end() && it->second == AClass) reg.Classes.erase(it);
}

void UnRegisterClasses(std::initializer_list<TClass> Classes) {
  for (TClass c : Classes) UnRegisterClass(c);
}

TClass GetClass(StringView ClassName) {
  auto& reg = Registry();
  std::shared_lock lock(reg.Lock);
  auto it = reg.Classes.find(ClassName);
  return it == reg.Classes.end() ? nullptr : it->second;
}

TClass FindClass(StringView ClassName) {
  TClass result = GetClass(ClassName);
  if (!result) throw EClassNotFound(u"Class %s not found", {ClassName});
  return result;
}

namespace detail {
void ObjectsInitialization() {}

void ObjectsFinalization() {
  auto& reg = Registry();
  std::unique_lock lock(reg.Lock);
  reg.Classes.clear();
}
}  // namespace detail
