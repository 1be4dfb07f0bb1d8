#include "zeph/playlists/ZEPH.FilesScanner.h"

#include <algorithm>

#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zeph/media/ZBL.FileInfo.h"
#include "zeph/media/ZEPH.FileManager.h"

// The file manager's receivers, passed on to the scanner.
class TZEPHFilesScanner::TSink : public TInterfacedObject,
                                 public IZEPHFileManagerFilesReceiver,
                                 public IZEPHFileManagerPathReceiver {
  ZCL_CLASS(TSink, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHFileManagerFilesReceiver, IZEPHFileManagerPathReceiver)
 public:
  explicit TSink(TZEPHFilesScanner* AOwner) : FOwner(AOwner) {}
  void ReceiveFile(const String& FileName, IZBLFileInfo* Info, bool& Stop) override {
    FOwner->ReceiveFile(FileName, Info, Stop);
  }
  void ReceivePath(const String& Path, bool& Skip, bool& Stop) override { FOwner->ReceivePath(Path, Skip, Stop); }

 private:
  TZEPHFilesScanner* FOwner;
};

TZEPHFilesScanner::TZEPHFilesScanner(IZEPHFilesScannerReceiver* AReceiver, const TZCLStringList* AItems,
                                     TZEPHFileManagerExpandAttributes* AAttributes)
    : FAttributes(Create<TZEPHFileManagerExpandAttributes>()),
      FSkipPaths(Create<TZCLSortedStrings>()),
      FDurationFilter(new TZEPHFilesScannerFilter(0)),
      FSizeFilter(new TZEPHFilesScannerFilter(0)),
      FFiles(Create<TZCLStringList>()),
      FReceiver(AReceiver),
      FItems(Create<TZCLStringList>()),
      FSink(Create<TSink>(this)) {
  FFiles->SetCapacity(4096);
  if (AAttributes != nullptr) FAttributes->Assign(AAttributes);
  if (AItems != nullptr) FItems->Assign(const_cast<TZCLStringList*>(AItems));
}

TZEPHFilesScanner::~TZEPHFilesScanner() {
  Free(FItems);
  Free(FFiles);
  delete FSizeFilter;
  delete FDurationFilter;
  Free(FSkipPaths);
  Free(FAttributes);
}

bool TZEPHFilesScanner::IsSkippedPath(const String& Path) {
  for (const char16_t* marker : {u"/__MACOSX", u"/.AppleDouble", u"/._", u"\\__MACOSX", u"\\.AppleDouble", u"\\._"})
    if (Path.find(marker) != String::npos) return true;
  return false;
}

void TZEPHFilesScanner::Execute() {
  DoStarted(this);
  try {
    CollectFiles();
    ProcessFiles();
  } catch (...) {
    DoFinished(IsCanceled());
    throw;
  }
  DoFinished(IsCanceled());
}

bool TZEPHFilesScanner::ExpandEntry(TZCLStringList* List, Integer Index, TZEPHFileManagerExpandAttributes* Attributes) {
  bool stop = false;
  auto* info = dynamic_cast<IZBLFileInfo*>(List->GetInterfaces(Index));
  GetFileManager()->Expand(List->GetStrings(Index), info, FSink.get(), Attributes, stop);
  return stop;
}

void TZEPHFilesScanner::CollectFiles() {
  FPhase = 0;
  auto* attributes = Create<TZEPHFileManagerExpandAttributes>();
  attributes->Assign(FAttributes);
  attributes->Add(String(zfeaExpandContainers), false);
  try {
    for (FIndex = 0; FIndex < FItems->GetCount(); ++FIndex)
      if (ExpandEntry(FItems, FIndex, attributes) || IsCanceled()) break;
  } catch (...) {
    Free(attributes);
    throw;
  }
  Free(attributes);
}

void TZEPHFilesScanner::ProcessFiles() {
  FPhase = 1;
  for (FIndex = 0; FIndex < FFiles->GetCount(); ++FIndex) {
    DoProgress(FFiles->GetStrings(FIndex), FIndex + 1, FFiles->GetCount());
    if (ExpandEntry(FFiles, FIndex, FAttributes) || IsCanceled()) break;
  }
}

void TZEPHFilesScanner::ReceivePath(const String& Path, bool& Skip, bool& Stop) {
  Skip = FSkipPaths->IndexOf(Path) >= 0 || IsSkippedPath(Path);
  Stop = IsCanceled();
}

void TZEPHFilesScanner::ReceiveFile(const String& FileName, IZBLFileInfo* FileInfo, bool& Stop) {
  if (FPhase == 0) {
    if (CanAddFile(FileName, FileInfo)) FFiles->Add(FileName, nullptr, FileInfo);
  } else {
    IPtr<IZBLFileInfo> info(FileInfo);
    if (info == nullptr) info = GetFileInfo(FileName);
    if (CanAddFile(FileName, info.get())) DoFileFound(FileName, info.get());
  }
  Stop = IsCanceled();
}

bool TZEPHFilesScanner::CanAddFile(const String& FileName, IZBLFileInfo* FileInfo) {
  if (IsSkippedPath(FileName)) return false;
  if (FileInfo != nullptr && FileInfo->GetFileInfo() != nullptr) {
    TZBLFileInfo* info = FileInfo->GetFileInfo();
    if (!FDurationFilter->Accept(info->GetStreamInfo().Duration / 1000)) return false;
    const Int64 kib = info->GetFileSize() / 1024;
    if (!FSizeFilter->Accept(static_cast<Cardinal>(std::max<Int64>(kib, 0)))) return false;
  }
  if (IgnoredExts.empty()) return true;
  const String ext = zcExtractFileExt(FileName);
  if (!ext.empty() && zcIsFileExtInList(IgnoredExts, ext)) return false;
  const String stem = FileName.substr(0, FileName.size() - ext.size());
  const String inner = zcExtractFileExt(stem);
  if (!inner.empty() && zcIsFileExtInList(IgnoredExts, inner + ext)) return false;
  return true;
}

IPtr<IZBLFileInfo> TZEPHFilesScanner::GetFileInfo(const String& FileName) {
  auto* info = Create<TZBLFileInfo>();
  IPtr<IZBLFileInfo> holder(Create<TZBLFileInfoKeeper>(info));
  if (Succeeded(GetFileManager()->GetFileInfo(FileName, info, zfiAll))) return holder;
  return nullptr;
}

void TZEPHFilesScanner::DoFinished(bool Canceled) {
  if (FReceiver != nullptr) FReceiver->Finished(Canceled);
}

void TZEPHFilesScanner::DoFileFound(const String& FileName, IZBLFileInfo* FileInfo) {
  if (FReceiver != nullptr) FReceiver->FileFound(FileName, FileInfo);
}

void TZEPHFilesScanner::DoProgress(const String& FileName, Integer Index, Integer Count) {
  if (FReceiver != nullptr) FReceiver->Progress(FileName, Index, Count);
}

void TZEPHFilesScanner::DoStarted(TZCLTask* Task) {
  if (FReceiver != nullptr) FReceiver->Started(Task);
}
