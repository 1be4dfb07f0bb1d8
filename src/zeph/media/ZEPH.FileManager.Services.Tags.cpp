#include "zeph/media/ZEPH.FileManager.Services.Tags.h"

#include <memory>

#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zeph/core/ZEPH.Core.Adapters.h"
#include "zeph/media/ZEPH.FileManager.Services.Adapters.h"
#include "zeph/media/ZEPH.FileManager.h"
#include "zeph/media/ZTL.Core.h"

namespace {

// The container of the stream, or none.
std::unique_ptr<TZTLTagsContainer> FindContainer(TStream* Stream, const String& Extension) {
  TZTLTagsContainer* container = nullptr;
  if (!GetTagsManager()->Find(Stream, container, nullptr, Extension, false)) return nullptr;
  return std::unique_ptr<TZTLTagsContainer>(container);
}

void FillRecord(const TZTLTagsContainer& Container, TZBLCustomFileInfo* Info) {
  if (auto* full = dynamic_cast<TZBLFileInfo*>(Info)) {
    Container.GetInfo(full);
    return;
  }
  std::unique_ptr<TZBLFileInfo> merged(Container.GetFileInfo());
  Info->Assign(merged.get());
}

}  // namespace

String FileExtension(const String& Name) { return zcExtractFileExt(Name, zcHasDoubleFileExt(Name)); }

bool ReadTagsIntoRecord(TStream* Stream, const String& FileName, TZBLCustomFileInfo* Info) {
  if (!Stream || !Info) return false;
  try {
    std::unique_ptr<TZTLTagsContainer> container = FindContainer(Stream, FileExtension(FileName));
    if (!container) return false;
    FillRecord(*container, Info);
    return true;
  } catch (const Exception&) {
    return false;
  }
}

HRESULT FillFileInfo(TStream* Stream, const String& Extension, IZEPHFileInfo* Info) {
  IPtr<IZEPHFileInfoInternal> internal;
  if (!Stream || !Info || !Supports(Info, internal) || !internal->GetRecord()) return E_INVALIDARG;
  try {
    std::unique_ptr<TZTLTagsContainer> container = FindContainer(Stream, Extension);
    if (!container) return E_FAIL;
    FillRecord(*container, internal->GetRecord());
    if (auto* chapters = dynamic_cast<TZBLChapters*>(internal->GetAccompanyingObject()))
      chapters->Assign(container->GetChapters());
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT ReadFileInfoFromFile(IZEPHString* FileName, IZEPHFileInfo* Info) {
  try {
    const String name = PluginStringToStr(FileName);
    TStream* stream = nullptr;
    if (Failed(GetFileManager()->CreateStream(name, zfsBuffered, -1, -1, stream)) || !stream) return E_FAIL;
    std::unique_ptr<TStream> owner(stream);
    return FillFileInfo(stream, FileExtension(name), Info);
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT ReadFileInfoFromStream(IZEPHStream* Stream, IZEPHFileInfo* Info) {
  if (!Stream) return E_INVALIDARG;
  try {
    String extension;
    IPtr<IZEPHFileStream> file;
    IPtr<IZEPHString> name;
    if (Supports(Stream, file) && Succeeded(file->GetFileName(name))) extension = FileExtension(PluginStringToStr(name.get()));
    TZEPHStreamWrapper wrapper(Stream);
    return FillFileInfo(&wrapper, extension, Info);
  } catch (...) {
    return E_UNEXPECTED;
  }
}

void detail::FileManagerTagsInitialization() { TZEPHFileManager::SetTagReader(ReadTagsIntoRecord); }

void detail::FileManagerTagsFinalization() {
  if (TZEPHFileManager::GetTagReader() == ReadTagsIntoRecord) TZEPHFileManager::SetTagReader(nullptr);
}
