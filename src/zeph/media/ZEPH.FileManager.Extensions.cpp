#include "zeph/media/ZEPH.FileManager.Extensions.h"

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include "os/OS.Files.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/base/ZCL.Utils.Shell.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zeph/media/ZEPH.FileManager.h"

// ---- attributes -------------------------------------------------------------------------------

void TZEPHFileManagerExpandAttributes::AddSearchPaths(const TZCLSearchPaths* Paths, bool Recursive,
                                                      const String& Extensions) {
  Add(String(zfeaScanForExts),
      Extensions.empty() ? GetFileManager()->GetKnownFormats()->GetExtList(zfkmAudio) : Extensions);
  Add(String(zfeaRecursive), Recursive);
  if (!Paths) return;
  for (Integer i = 0; i < Paths->GetCount(); ++i)
    Add(String(zfeaRecursive) + Paths->GetPath(i), Paths->GetRecursive(i));
}

void TZEPHFileManagerExpandAttributes::Assign(TZEPHFileManagerExpandAttributes* Source) {
  if (Source == this) return;
  Clear();
  if (!Source) return;
  for (const auto& pair : Source->ToArray()) Add(pair.Key, pair.Value);
}

bool TZEPHFileManagerExpandAttributes::GetBool(const String& Key, bool Default) const {
  Variant value;
  if (!TryGetValue(Key, value)) return Default;
  try {
    return value.AsBoolean();
  } catch (const Exception&) {
    return Default;
  }
}

String TZEPHFileManagerExpandAttributes::GetText(const String& Key) const {
  Variant value;
  return TryGetValue(Key, value) ? VarToStr(value) : String();
}

// ---- folders ----------------------------------------------------------------------------------

namespace {
class TDirectoryScan {
 public:
  TDirectoryScan(IZEPHFileManagerFilesReceiver* AReceiver, TZEPHFileManagerExpandAttributes* AAttributes, bool& AStop)
      : Receiver(AReceiver), Attributes(AAttributes), Stop(AStop) {
    Supports(Receiver, PathReceiver);
  }

  void Scan(const String& Folder) {
    // A folder reached again (a symbolic link to an ancestor) ends there.
    UInt64 device = 0, inode = 0;
    if (GetFileIdentity(Folder, device, inode) && !Visited.insert({device, inode}).second) return;
    if (PathReceiver) {
      bool skip = false;
      PathReceiver->ReceivePath(Folder, skip, Stop);
      if (skip) return;
    }
    if (Stop) return;
    std::vector<String> files, folders;
    TZCLFindFileInfo* info = nullptr;
    for (bool found = zcFindFirst(Folder, zcfkAll, info); found; found = zcFindNext(info)) {
      if (info->FileKind == zcfkFolder) {
        if (Recursive) folders.push_back(zcIncludeTrailingPathDelimiter(info->GetFullFileName()));
      } else if (Extensions.empty() || zcIsFileExtInList(Extensions, zcExtractFileExt(info->FileName))) {
        files.push_back(info->GetFullFileName());
      }
    }
    const auto logical = [](const String& A, const String& B) { return zcLogicalCompare(A, B, true) < 0; };
    if (Sort) std::stable_sort(files.begin(), files.end(), logical);
    TZEPHFileManager* manager = GetFileManager();
    for (const String& file : files) {
      if (Stop) return;
      manager->ExpandItem(file, 0, nullptr, Receiver, Attributes, Stop);
    }
    std::stable_sort(folders.begin(), folders.end(), logical);
    for (const String& folder : folders) {
      if (Stop) return;
      Scan(folder);
    }
  }

  IZEPHFileManagerFilesReceiver* Receiver;
  IPtr<IZEPHFileManagerPathReceiver> PathReceiver;
  TZEPHFileManagerExpandAttributes* Attributes;
  bool& Stop;
  String Extensions;
  bool Recursive = false;
  bool Sort = false;
  std::set<std::pair<UInt64, UInt64>> Visited;
};
}  // namespace

bool TZEPHFileManagerExpanderDirectory::Expand(const String& FileName, Integer FileAttributes,
                                               IZEPHFileManagerFilesReceiver* Receiver,
                                               TZEPHFileManagerExpandAttributes* Attributes, bool& Stop) {
  if (!Attributes || !TZEPHFileAttrs::IsDirectory(FileAttributes)) return false;
  TDirectoryScan scan(Receiver, Attributes, Stop);
  scan.Extensions = Attributes->GetText(String(zfeaScanForExts));
  scan.Recursive =
      Attributes->GetBool(String(zfeaRecursive), false) && Attributes->GetBool(String(zfeaRecursive) + FileName, true);
  scan.Sort = Attributes->GetBool(String(zfeaSortChildren), false);
  scan.Scan(zcIncludeTrailingPathDelimiter(FileName));
  return true;
}

bool TZEPHFileManagerExpanderShortcut::Expand(const String& FileName, Integer FileAttributes,
                                              IZEPHFileManagerFilesReceiver* Receiver,
                                              TZEPHFileManagerExpandAttributes* Attributes, bool& Stop) {
  if (FileAttributes == -1 || TZEPHFileAttrs::IsDirectory(FileAttributes)) return false;
  if (!zcEndsWith(FileName, u".lnk", true)) return false;
  String target;
  if (!ShellResolveLink(FileName, target)) return false;
  GetFileManager()->Expand(target, nullptr, Receiver, Attributes, Stop);
  return true;
}
