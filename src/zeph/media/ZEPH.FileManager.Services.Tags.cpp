#include "zeph/media/ZEPH.FileManager.Services.Tags.h"

#include <cerrno>
#include <memory>

#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Threads.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zeph/core/ZEPH.Core.Adapters.h"
#include "zeph/core/ZEPH.Core.h"
#include "zeph/media/ZEPH.FileManager.Services.Adapters.h"
#include "zeph/media/ZEPH.FileManager.h"
#include "zeph/media/ZTL.Core.h"
#include "zeph/media/ZTL.FileFormats.FLAC.h"
#include "zeph/media/ZTL.FileFormats.M4A.h"
#include "zeph/media/ZTL.FileFormats.WMA.h"
#include "zeph/media/ZTL.Ogg.Opus.h"
#include "zeph/media/ZTL.Ogg.Vorbis.h"
#include "zeph/media/ZTL.Tags.APEv2.h"
#include "zeph/media/ZTL.Tags.ID3v1.h"
#include "zeph/media/ZTL.Tags.ID3v2.h"

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
    if (Supports(Stream, file) && Succeeded(file->GetFileName(name)))
      extension = FileExtension(PluginStringToStr(name.get()));
    TZEPHStreamWrapper wrapper(Stream);
    return FillFileInfo(&wrapper, extension, Info);
  } catch (...) {
    return E_UNEXPECTED;
  }
}

// ---- tag editing for plugins ------------------------------------------------------------------

namespace {

// A plugin stream is wrapped; a file name is opened for reading and writing, others may read.
// Without a stream the code says why: E_INVALIDARG for a source of another kind, the system's
// error for a file that does not open.
HRESULT OpenSource(IInterface* Source, std::unique_ptr<TStream>& Stream) {
  Stream.reset();
  IPtr<IZEPHStream> plugin;
  if (Source && Supports(Source, plugin)) {
    Stream = std::make_unique<TZEPHStreamWrapper>(plugin.get());
    return S_OK;
  }
  String name;
  if (!Source || !TryPluginStringToStr(Source, name)) return E_INVALIDARG;
  errno = 0;
  try {
    Stream = std::make_unique<TZCLFileStream>(name, fmOpenReadWrite | fmShareDenyWrite);
    return S_OK;
  } catch (const Exception&) {
    const int error = errno;
    return error ? static_cast<HRESULT>(0x80070000u | (static_cast<Cardinal>(error) & 0xFFFF)) : E_FAIL;
  }
}

HRESULT QueryResult(IInterface* Object, const TGUID& IID, void** Obj) {
  IPtr<IInterface> keeper(Object);
  return Object->QueryInterface(IID, Obj);
}

// Data that was read, or a tag whose values are set.
bool Present(const TZTLTag* Tag) { return Tag && (Tag->GetSize() != 0 || !Tag->IsEmpty()); }

// A plain copy of the first tag of the container class on the stream, or none.
std::unique_ptr<TZTLTag> FirstTagOf(TZTLTagsContainerClass Class, TStream* Stream) {
  std::unique_ptr<TZTLTagsContainer> container(TZTLTagsContainer::Create(Class, Stream, nullptr));
  if (container->GetTagCount() < 1 || !Present(container->GetTag(0))) return nullptr;
  auto copy = std::make_unique<TZTLTag>();
  copy->Assign(container->GetTag(0));
  return copy;
}

std::unique_ptr<TZTLTag> ReadSingleTag(Integer TagID, TStream* Stream) {
  switch (TagID) {
    case 1:
      return std::make_unique<TZTLTagAPEv2>(Stream);
    case 2:
      return std::make_unique<TZTLTagID3v1>(Stream);
    case 3:
      return std::make_unique<TZTLTagID3v2>(Stream);
    case 4:
      return FirstTagOf(TZTLTagsContainerM4A::StaticClass(), Stream);
    case 5:
      for (TZTLTagsContainerClass c : {static_cast<TZTLTagsContainerClass>(TZTLTagsContainerOggVorbis::StaticClass()),
                                       static_cast<TZTLTagsContainerClass>(TZTLTagsContainerFLAC::StaticClass()),
                                       static_cast<TZTLTagsContainerClass>(TZTLTagsContainerOpus::StaticClass())}) {
        try {
          if (auto tag = FirstTagOf(c, Stream)) return tag;
        } catch (const Exception&) {
          // Another format; the next class may read it.
        }
      }
      return nullptr;
    case 6:
      return FirstTagOf(TZTLTagsContainerWMA::StaticClass(), Stream);
    default:
      return nullptr;
  }
}

}  // namespace

Integer TagFormatNumber(const String& TagType) {
  static const StringView Types[] = {u"", u"APE", u"ID3v1", u"ID3v2", u"M4A", u"Vorbis", u"WMA"};
  for (Integer i = 0; i < static_cast<Integer>(std::size(Types)); ++i)
    if (zcSameText(TagType, Types[i])) return i;
  return 0;
}

HRESULT TZEPHServiceTagsLibrary::OpenFileTags(IInterface* Source, const TGUID& IID, void** Obj) {
  if (Obj) *Obj = nullptr;
  try {
    std::unique_ptr<TStream> stream;
    const HRESULT opened = OpenSource(Source, stream);
    if (!stream) return opened;
    String name;
    const String extension = TZCLFileStream::GetFileName(stream.get(), name) ? zcExtractFileExt(name) : String();
    TZTLTagsContainer* found = nullptr;
    if (!GetTagsManager()->Find(stream.get(), found, nullptr, extension, true)) return E_FAIL;
    std::unique_ptr<TZTLTagsContainer> container(found);
    auto* editor = Create<TZEPHFileTagEditorAdapter>(container.release(), stream.release());
    return QueryResult(static_cast<IZEPHFileTagEditor*>(editor), IID, Obj);
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHServiceTagsLibrary::OpenSingleTag(IInterface* Source, Integer TagID, const TGUID& IID, void** Obj) {
  if (Obj) *Obj = nullptr;
  try {
    std::unique_ptr<TStream> stream;
    const HRESULT opened = OpenSource(Source, stream);
    if (!stream) return opened;
    if (TagID < 1 || TagID > 6) return E_INVALIDARG;
    std::unique_ptr<TZTLTag> tag = ReadSingleTag(TagID, stream.get());
    stream.reset();
    if (!Present(tag.get())) return E_FAIL;
    auto* info = Create<TZEPHFileInfoAdapter>(tag.release(), true);
    return QueryResult(static_cast<IZEPHFileInfo*>(info), IID, Obj);
  } catch (...) {
    return E_UNEXPECTED;
  }
}

TZEPHFileTagEditorAdapter::TZEPHFileTagEditorAdapter(TZTLTagsContainer* AContainer, TStream* AStream)
    : FContainer(AContainer), FStream(AStream) {}

TZEPHFileTagEditorAdapter::~TZEPHFileTagEditorAdapter() = default;

HRESULT TZEPHFileTagEditorAdapter::GetMergedInfo(IPtr<IZEPHFileInfo>& Info) {
  Info = nullptr;
  if (!IsMainThread()) return E_ACCESSDENIED;
  try {
    Info =
        IPtr<IZEPHFileInfo>(static_cast<IZEPHFileInfo*>(Create<TZEPHFileInfoAdapter>(FContainer->GetFileInfo(), true)));
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHFileTagEditorAdapter::GetTagObject(Integer Index, const TGUID& IID, void** Obj) {
  if (Obj) *Obj = nullptr;
  if (!IsMainThread()) return E_ACCESSDENIED;
  if (Index < 0 || Index >= FContainer->GetTagCount()) return E_INVALIDARG;
  try {
    auto* tag = Create<TZEPHFileTagAdapter>(FContainer->GetTag(Index));
    return QueryResult(static_cast<IZEPHFileTag*>(tag), IID, Obj);
  } catch (...) {
    return E_UNEXPECTED;
  }
}

Integer TZEPHFileTagEditorAdapter::GetTagCount() { return FContainer->GetTagCount(); }

HRESULT TZEPHFileTagEditorAdapter::AssignToAllTags(IZEPHFileInfo* Info) {
  if (!IsMainThread()) return E_ACCESSDENIED;
  IPtr<IZEPHFileInfoInternal> internal;
  if (!Info || !Supports(Info, internal) || !internal->GetRecord()) return E_HANDLE;
  try {
    for (Integer i = 0; i < FContainer->GetTagCount(); ++i) FContainer->GetTag(i)->Assign(internal->GetRecord());
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHFileTagEditorAdapter::SaveTags() {
  if (!IsMainThread()) return E_ACCESSDENIED;
  try {
    FStream->SetPosition(0);
    return FContainer->SaveToStream(FStream.get()) ? S_OK : E_FAIL;
  } catch (...) {
    return E_FAIL;  // a write error: the file may be read-only or the medium full
  }
}

TZEPHFileTagAdapter::TZEPHFileTagAdapter(TZTLTag* ATag) : TZEPHFileInfoAdapter(ATag, false), FTag(ATag) {}

Integer TZEPHFileTagAdapter::GetTagID() const { return TagFormatNumber(FTag->GetTagType()); }

bool TZEPHFileTagAdapter::CheckAccess(HRESULT& Result) {
  if (!IsMainThread()) {
    Result = E_ACCESSDENIED;
    return false;
  }
  return TZEPHFileInfoAdapter::CheckAccess(Result);
}

void TZEPHFileTagAdapter::DoGetValueAsVariant(Integer PropertyID, Variant& Value, HRESULT& Result) {
  if (PropertyID == 101)
    Value = Variant(GetTagID());
  else if (PropertyID == 102)
    Value = Variant(FTag->GetDeleteTagOnSave());
  else
    TZEPHFileInfoAdapter::DoGetValueAsVariant(PropertyID, Value, Result);
}

void TZEPHFileTagAdapter::DoSetValueAsVariant(Integer PropertyID, const Variant& Value, HRESULT& Result) {
  if (PropertyID == 101)
    Result = E_ACCESSDENIED;  // read-only
  else if (PropertyID == 102)
    FTag->SetDeleteTagOnSave(Value.AsBoolean());
  else
    TZEPHFileInfoAdapter::DoSetValueAsVariant(PropertyID, Value, Result);
}

void RegisterTagServicesWithCore() {
  TZEPHCore* core = TZEPHCore::InstanceIfExists();
  if (!core) return;
  IPtr<IZEPHServiceFileTagEditor> service(Create<TZEPHServiceTagsLibrary>());
  core->RegisterService(service.get());
}

void detail::FileManagerTagsInitialization() {
  TZEPHFileManager::SetTagReader(ReadTagsIntoRecord);
  RegisterTagServicesWithCore();
}

void detail::FileManagerTagsFinalization() {
  if (TZEPHFileManager::GetTagReader() == ReadTagsIntoRecord) TZEPHFileManager::SetTagReader(nullptr);
}
