#include "zeph/media/ZEPH.FileManager.VirtualFiles.h"

#include <atomic>
#include <functional>

#include "rtl/RTL.Exceptions.h"
#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.Threading.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/base/ZCL.Utils.Strings.h"

namespace {
std::atomic<TZEPHSchemeRegisteredProc> GSchemeRegistered{nullptr};

// Position of the separating colon (0-based), or npos when the name lacks the virtual form.
size_t VirtualColon(const String& Name) {
  const size_t p = Name.rfind(u':');
  if (p == String::npos || p == 0 || p + 1 >= Name.size()) return String::npos;
  const String& delimiters = TZEPHFileURI::Delimiters();
  if (delimiters.find(Name[p - 1]) != String::npos || delimiters.find(Name[p + 1]) != String::npos) return String::npos;
  return p;
}

// Splits, edits and builds again; false when the edited parts do not build.
bool EditParts(const String& Name, String& Result, const std::function<void(String& Container, String& Part)>& Edit) {
  String container, part;
  if (!TZEPHFileURI::Parse(Name, container, part)) container = Name;
  Edit(container, part);
  try {
    Result = TZEPHFileURI::Build(container, part);
    return true;
  } catch (const Exception&) {
    return false;
  }
}
}  // namespace

const String& TZEPHFileURI::Delimiters() {
  static const String delimiters =
      String(u"%=:+-\\/*;,|(){}<>[].@#$^&?!\"' \r\n\t") + Char(0) + u"\u00ab\u00bb\u201c\u201d_";
  return delimiters;
}

TZEPHSchemeRegisteredProc TZEPHFileURI::GetSchemeRegisteredProc() { return GSchemeRegistered.load(); }
void TZEPHFileURI::SetSchemeRegisteredProc(TZEPHSchemeRegisteredProc Proc) { GSchemeRegistered.store(Proc); }

bool TZEPHFileURI::HasVirtualForm(const String& Name) { return VirtualColon(Name) != String::npos; }

bool TZEPHFileURI::IsVirtual(const String& Name) {
  const size_t colon = VirtualColon(Name);
  if (colon == String::npos) return false;
  const String scheme = zcExtractURLScheme(Name);
  if (!scheme.empty()) {
    const TZEPHSchemeRegisteredProc registered = GSchemeRegistered.load();
    return registered && registered(scheme);
  }
  return zcFileExists(Name.substr(0, colon));
}

bool TZEPHFileURI::Parse(const String& Name, String& Container, String& Part) {
  if (!IsVirtual(Name)) {
    Container.clear();
    Part.clear();
    return false;
  }
  const size_t colon = Name.rfind(u':');
  Container = Name.substr(0, colon);
  Part = Name.substr(colon + 1);
  return true;
}

bool TZEPHFileURI::ParseContainer(const String& Name, String& Container) {
  String part;
  return Parse(Name, Container, part);
}

String TZEPHFileURI::ExtractContainer(const String& Name) {
  String container;
  return ParseContainer(Name, container) ? container : Name;
}

String TZEPHFileURI::Build(const String& Container, const String& Part) {
  if (Part.empty()) return Container;
  if (Part.find(u':') != String::npos) throw Exception(u"PartName is invalid");
  String result = Container + u":" + Part;
  // The form alone: a name is built before (or without) its container existing.
  if (!HasVirtualForm(result)) throw Exception(u"TZEPHFileURI.Build: something goes wrong");
  return result;
}

bool TZEPHFileURI::ChangeFileExt(const String& Name, const String& NewExt, Integer Flags, String& Result) {
  return EditParts(Name, Result, [&](String& Container, String& Part) {
    String& target = !Part.empty() && (Flags & 2) ? Part : Container;
    target = zcChangeFileExt(target, NewExt, (Flags & 1) != 0);
  });
}

bool TZEPHFileURI::ExtractFileExt(const String& Name, Integer Flags, String& Result) {
  return EditParts(Name, Result, [&](String& Container, String& Part) {
    const String& source = !Part.empty() && (Flags & 2) ? Part : Container;
    Container = zcExtractFileExt(source, (Flags & 1) != 0);
    Part.clear();
  });
}

bool TZEPHFileURI::ExtractFileName(const String& Name, String& Result) {
  return EditParts(Name, Result, [](String& Container, String&) { Container = zcExtractFileName(Container); });
}

bool TZEPHFileURI::ExtractFileParentDirName(const String& Name, String& Result) {
  return EditParts(Name, Result, [](String& Container, String& Part) {
    Container = zcExtractFileDirName(Container);
    Part.clear();
  });
}

bool TZEPHFileURI::ExtractFileParentName(const String& Name, String& Result) {
  return EditParts(Name, Result, [](String& Container, String& Part) {
    Container = Part.empty() ? zcExtractFileDirName(Container) : zcExtractFileName(Container);
    Part.clear();
  });
}

bool TZEPHFileURI::ExtractFilePath(const String& Name, String& Result) {
  return EditParts(Name, Result, [](String& Container, String& Part) {
    Container = zcExtractFilePath(Container);
    Part.clear();
  });
}

// ---- containers -------------------------------------------------------------------------------

TZEPHFileContainer::TZEPHFileContainer(const TZEPHVirtualFileList& Files) : FParts(Create<TZCLStringList>()) {
  for (const IPtr<IZEPHVirtualFile>& file : Files) {
    if (!file) continue;
    String container, part;
    if (!TZEPHFileURI::Parse(file->GetFileName(), container, part)) continue;
    if (FParts->GetCount() == 0 && FFileName.empty())
      FFileName = container;
    else if (!zcSameText(container, FFileName))
      continue;
    const Integer index = FParts->IndexOf(part);
    if (index >= 0)
      FParts->SetInterfaces(index, file.get());
    else
      FParts->Add(part, nullptr, file.get());
  }
}

TZEPHFileContainer::~TZEPHFileContainer() { Free(FParts); }

bool TZEPHFileContainer::FindPart(const String& PartName, IPtr<IZEPHVirtualFile>& File) {
  const Integer index = FParts->IndexOf(PartName);
  File = index >= 0 ? GetPart(index) : nullptr;
  return File != nullptr;
}

IPtr<IZEPHVirtualFile> TZEPHFileContainer::GetPart(Integer Index) {
  return QueryIntf<IZEPHVirtualFile>(FParts->GetInterfaces(Index));
}

Integer TZEPHFileContainer::GetCount() { return FParts->GetCount(); }

String TZEPHFileContainer::GetVirtualName(Integer Index) { return FFileName + u":" + FParts->GetStrings(Index); }

TZEPHVirtualFileCacheList::TZEPHVirtualFileCacheList()
    : FItems(new TZCLDictionary<String, IPtr<IZEPHFileContainer>>()), FLock(new TZCLCriticalSection(this)) {}

TZEPHVirtualFileCacheList::~TZEPHVirtualFileCacheList() {
  Free(FItems);
  Free(FLock);
}

void TZEPHVirtualFileCacheList::Add(const IPtr<IZEPHFileContainer>& Container) {
  if (!Container) return;
  TZCLLockGuard guard(*FLock);
  FItems->AddOrSetValue(Container->GetFileName(), Container);
}

bool TZEPHVirtualFileCacheList::Contains(const String& FileName) {
  TZCLLockGuard guard(*FLock);
  return FItems->ContainsKey(FileName);
}

bool TZEPHVirtualFileCacheList::TryGet(const String& FileName, IPtr<IZEPHFileContainer>& Container) {
  TZCLLockGuard guard(*FLock);
  return FItems->TryGetValue(FileName, Container) && Container;
}

bool TZEPHVirtualFileCacheList::FindVirtualFile(const String& Name, IPtr<IZEPHVirtualFile>& File) {
  File = nullptr;
  String container, part;
  if (!TZEPHFileURI::Parse(Name, container, part)) return false;
  TZCLLockGuard guard(*FLock);
  IPtr<IZEPHFileContainer> found;
  return FItems->TryGetValue(container, found) && found && found->FindPart(part, File);
}

void TZEPHVirtualFileCacheList::Remove(const String& FileName) {
  TZCLLockGuard guard(*FLock);
  FItems->Remove(FileName);
}

void TZEPHVirtualFileCacheList::Clear() {
  TZCLLockGuard guard(*FLock);
  FItems->Clear();
}
