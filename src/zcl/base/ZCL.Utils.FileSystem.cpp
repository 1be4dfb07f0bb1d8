#include "zcl/base/ZCL.Utils.FileSystem.h"

#include "os/OS.Files.h"
#include "rtl/RTL.StringList.h"
#include "rtl/RTL.Strings.h"

// Search paths

namespace {
// Any non-null object marks a recursive folder; the address is never dereferenced.
TObject* RecursiveFlag(bool Recursive) { return Recursive ? reinterpret_cast<TObject*>(1) : nullptr; }
}  // namespace

TZCLSearchPaths::TZCLSearchPaths() : FPaths(new TStringList()) {}

TZCLSearchPaths::TZCLSearchPaths(TChangeEvent OnChange) : TZCLSearchPaths() { this->OnChange = OnChange; }

TZCLSearchPaths::~TZCLSearchPaths() { delete FPaths; }

void TZCLSearchPaths::Add(const String& Path, bool Recursive) {
  FPaths->AddObject(IncludeTrailingPathDelimiter(Path), RecursiveFlag(Recursive));
  Changed(1);
}

void TZCLSearchPaths::Delete(Integer Index) {
  if (Index < 0 || Index >= FPaths->GetCount()) return;
  FPaths->Delete(Index);
  Changed(1);
}

void TZCLSearchPaths::Clear() {
  FPaths->Clear();
  Changed(1);
}

void TZCLSearchPaths::FromString(const String& Text) {
  BeginUpdate();
  try {
    Clear();
    size_t start = 0;
    while (start <= Text.size()) {
      size_t end = Text.find(u';', start);
      if (end == String::npos) end = Text.size();
      // A part of the flag alone names no folder; adding it would add the root.
      if (end - start > 1) Add(Text.substr(start + 1, end - start - 1), Text[start] != u'0');
      start = end + 1;
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

String TZCLSearchPaths::ToString() const {
  String result;
  for (Integer i = 0; i < FPaths->GetCount(); ++i) {
    if (i > 0) result += u';';
    result += GetRecursive(i) ? u'1' : u'0';
    result += FPaths->GetStrings(i);
  }
  return result;
}

bool TZCLSearchPaths::Overlaps(const String& Path) const {
  // Compared with trailing delimiters on both sides, so "/mus" does not overlap "/music/".
  const String path = IncludeTrailingPathDelimiter(Path);
  for (Integer i = 0; i < FPaths->GetCount(); ++i) {
    const String folder = FPaths->GetStrings(i);
    if (StartsText(folder, path) || StartsText(path, folder)) return true;
  }
  return false;
}

TStringList* TZCLSearchPaths::CreatePathList() const {
  auto* list = new TStringList();
  for (Integer i = 0; i < FPaths->GetCount(); ++i) list->Add(FPaths->GetStrings(i));
  return list;
}

Integer TZCLSearchPaths::GetCount() const { return FPaths->GetCount(); }

String TZCLSearchPaths::GetPath(Integer Index) const {
  return Index >= 0 && Index < FPaths->GetCount() ? FPaths->GetStrings(Index) : String();
}

bool TZCLSearchPaths::GetRecursive(Integer Index) const {
  return Index >= 0 && Index < FPaths->GetCount() && FPaths->GetObjects(Index) != nullptr;
}

void TZCLSearchPaths::DoAssign(TPersistent* Source) {
  auto* other = dynamic_cast<TZCLSearchPaths*>(Source);
  if (other == nullptr) {
    inherited::DoAssign(Source);
    return;
  }
  if (other == this) return;
  FPaths->Clear();
  for (Integer i = 0; i < other->GetCount(); ++i)
    FPaths->AddObject(other->GetPath(i), RecursiveFlag(other->GetRecursive(i)));
  Changed(1);
}

void TZCLSearchPaths::DoChanged(TZCLPersistentChanges) {
  if (OnChange) OnChange(this);
}
