#include "zeph/media/ZEPH.FileManager.h"

#include <atomic>
#include <cerrno>
#include <cmath>
#include <unordered_map>

#include "os/OS.Codecs.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Threads.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.Threading.Pool.h"
#include "zcl/base/ZCL.Utils.Logger.h"
#include "zcl/base/ZCL.Utils.Shell.h"
#include "zcl/base/ZCL.Utils.Stream.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zcl/ui/ZCL.UI.DragDrop.Source.h"
#include "zeph/core/ZEPH.Core.Adapters.h"
#include "zeph/core/ZEPH.Core.Objects.h"
#include "zeph/core/ZEPH.Core.h"
#include "zeph/core/ZEPH.Plugins.Presenter.h"
#include "zeph/media/ZBL.AudioTypes.h"
#include "zeph/media/ZBL.FileInfo.h"
#include "zeph/media/ZEPH.FileManager.FileSystems.h"
#include "zeph/media/ZEPH.FileManager.Services.Adapters.h"
#include "zeph/media/ZEPH.FileManager.Services.FileURI.h"
#include "zeph/media/ZTL.FileFormats.Common.h"
#include "zeph/media/ZTL.Tags.APEv2.h"
#include "zeph/media/ZTL.Tags.ID3v1.h"
#include "zeph/media/ZTL.Tags.ID3v2.h"

namespace {
TZEPHFileManager* GFileManager = nullptr;
std::atomic<TZEPHTagReaderProc> GTagReader{nullptr};

bool SchemeRegistered(const String& Scheme) {
  return GFileManager && GFileManager->GetFileSystems()->IsSchemeRegistered(Scheme);
}

// The file-information command of the name's registered file system, when it has one.
HRESULT FileInfoCommand(TZEPHServiceFileSystems* FileSystems, const String& Name,
                        IPtr<IZEPHFileSystemCommandFileInfo>& Command) {
  void* obj = nullptr;
  const HRESULT result = FileSystems->Get(Name, IIDOf<IZEPHFileSystemCommandFileInfo>(), &obj);
  Command = result == S_OK
                ? IPtr<IZEPHFileSystemCommandFileInfo>::Adopt(static_cast<IZEPHFileSystemCommandFileInfo*>(obj))
                : nullptr;
  return result;
}

TZBLCustomFileInfo* RecordOf(IZEPHFileInfo* Info) {
  IPtr<IZEPHFileInfoInternal> internal;
  return Supports(Info, internal) ? internal->GetRecord() : nullptr;
}

IPtr<IZEPHServiceAudioDecoders> AudioDecoders() {
  IPtr<IZEPHServiceAudioDecoders> decoders;
  if (TZEPHCore* core = TZEPHCore::InstanceIfExists()) Supports(static_cast<IZEPHCore*>(core), decoders);
  return decoders;
}

IPtr<IZEPHFileInfo> RecordAdapter(TZBLCustomFileInfo* Info) {
  return IPtr<IZEPHFileInfo>(static_cast<IZEPHFileInfo*>(Create<TZEPHFileInfoAdapter>(Info, false)));
}

// Seconds from the clip's start to its finish; -1 unless both are known.
Double ClipDuration(IZEPHVirtualFile* File) {
  const Double start = File->GetClipStart(), finish = File->GetClipFinish();
  return start >= 0 && finish >= 0 ? finish - start : -1;
}

IPtr<IZEPHString> NameString(const String& Name) {
  return IPtr<IZEPHString>(static_cast<IZEPHString*>(Create<TZEPHStringAdapter>(Name)));
}

void FileManagerFileDates(const String& FileName, TDateTime& Created, TDateTime& Modified) {
  if (!GFileManager) return;
  TZCLFileData data;
  if (!GFileManager->GetFileAttributes(FileName, data)) return;
  Created = data.CreationTime;
  Modified = data.LastWriteTime;
}
}  // namespace

// ---- marks ------------------------------------------------------------------------------------

TZEPHFileMark FileMarkFromFloat(Single Mark, bool Flag) {
  const auto tenths = static_cast<Int64>(std::nearbyint(static_cast<Double>(Mark) * 10));
  return static_cast<TZEPHFileMark>((tenths & 0x3F) | 0x80 | (Flag ? 0x40 : 0));
}

TZEPHFileMark FileMarkFromInt(Integer Mark) { return static_cast<TZEPHFileMark>(((Mark * 10) & 0x3F) | 0x80); }

Single FileMarkToFloat(TZEPHFileMark Mark) { return static_cast<Single>(Mark & 0x3F) / 10; }

Integer FileMarkToInt(TZEPHFileMark Mark) { return (Mark & 0x3F) / 10; }

String FileMarkToText(TZEPHFileMark Mark) { return FormatFloat(u"0.00", FileMarkToFloat(Mark)); }

// ---- the manager ------------------------------------------------------------------------------

TZEPHFileManager::TZEPHFileManager()
    : FInfoCache(Create<TZEPHFileInfoCache>()),
      FExtensions(TZCLThreadListOf<IPtr<IInterface>>::CreateMultiRead()),
      FKnownFormats(Create<TZEPHFileManagerKnownFormats>()),
      FContainerCache(Create<TZEPHVirtualFileCacheList>()),
      FFileURI(Create<TZEPHServiceFileURI>()),
      FFileSystems(Create<TZEPHServiceFileSystems>(FExtensions)) {
  RegisterExtension(static_cast<IZEPHFileManagerObjectExpander*>(Create<TZEPHFileManagerExpanderDirectory>()));
  RegisterExtension(static_cast<IZEPHFileManagerObjectExpander*>(Create<TZEPHFileManagerExpanderShortcut>()));
  if (TZEPHCore* core = TZEPHCore::InstanceIfExists()) RegisterServices(core);
}

TZEPHFileManager::~TZEPHFileManager() {
  UnregisterServices();
  Free(FExtensions);
  Free(FKnownFormats);
  Free(FContainerCache);
  Free(FFileSystems);
  Free(FFileURI);
  Free(FInfoCache);
}

HRESULT TZEPHFileManager::QueryInterface(const TGUID& IID, void** Obj) {
  if (IID == IIDOf<IZEPHServiceFileURI2>() || IID == IIDOf<IZEPHServiceFileURI>())
    return FFileURI->QueryInterface(IID, Obj);
  if (InterfaceTableQuery<IZEPHServiceFileStreaming, IZEPHServiceFileManager, IZEPHServiceFileInfo,
                          IZEPHServiceAttrExtendable>(this, IID, Obj))
    return S_OK;
  return inherited::QueryInterface(IID, Obj);
}

// The core keeps services by their plain interface; registering and removing must hand over the
// same pointer.
namespace {
IInterface* ServiceOf(TZEPHFileManager* Manager) { return static_cast<IZEPHServiceFileManager*>(Manager); }
IInterface* ServiceOf(TZEPHFileManagerKnownFormats* Formats) { return static_cast<IZEPHServiceFileFormats*>(Formats); }
IInterface* ServiceOf(TZEPHServiceFileSystems* FileSystems) {
  return static_cast<IZEPHServiceFileSystems*>(FileSystems);
}
}  // namespace

void TZEPHFileManager::RegisterServices(TZEPHCore* Core) {
  if (!Core || Core == FCore) return;
  UnregisterServices();
  FCore = Core;
  Core->RegisterService(ServiceOf(this));
  Core->RegisterService(ServiceOf(FKnownFormats));
  Core->RegisterService(ServiceOf(FFileSystems));
}

void TZEPHFileManager::UnregisterServices() {
  TZEPHCore* core = FCore;
  FCore = nullptr;
  // A core freed in the meantime took its references with it.
  if (!core || core != TZEPHCore::InstanceIfExists()) return;
  core->UnregisterService(ServiceOf(FFileSystems));
  core->UnregisterService(ServiceOf(FKnownFormats));
  core->UnregisterService(ServiceOf(this));
}

void TZEPHFileManager::RegisterExtension(IInterface* Extension) {
  if (Extension) FExtensions->Add(IPtr<IInterface>(Extension));
}

void TZEPHFileManager::UnregisterExtension(IInterface* Extension) {
  if (Extension) FExtensions->Remove(IPtr<IInterface>(Extension));
}

template <class I, class F>
void TZEPHFileManager::WalkExtensions(F&& Proc) {
  IPtr<IInterface> item;
  for (Integer i = 0; FExtensions->TryGetItem(i, item); ++i) {
    IPtr<I> extension;
    if (Supports(item, extension) && !Proc(extension)) return;
  }
}

template <class I, class F>
void TZEPHFileManager::WalkExtensionsBackwards(F&& Proc) {
  IPtr<IInterface> item;
  // Taken one by one under the lock: the list may change between two steps.
  for (Integer i = FExtensions->GetCount() - 1; i >= 0; --i) {
    if (!FExtensions->TryGetItem(i, item)) continue;
    IPtr<I> extension;
    if (Supports(item, extension) && Proc(extension)) return;
  }
}

// ---- virtual files ----------------------------------------------------------------------------

Byte TZEPHFileManager::ResolveVirtualFile(const String& Name, IPtr<IZEPHVirtualFile>& File) {
  if (FContainerCache->FindVirtualFile(Name, File)) return zfrFound;
  String container, part;
  if (!TZEPHFileURI::Parse(Name, container, part)) return zfrNotVirtual;
  if (FContainerCache->Contains(container)) return zfrNoPart;
  IPtr<IZEPHFileContainer> opened;
  if (!OpenContainer(container, opened, true)) return zfrNoContainer;
  return opened->FindPart(part, File) ? zfrFound : zfrNoPart;
}

bool TZEPHFileManager::GetVirtualFile(const String& Name, IPtr<IZEPHVirtualFile>& File) {
  return ResolveVirtualFile(Name, File) == zfrFound;
}

IPtr<IZEPHVirtualFile> TZEPHFileManager::GetVirtualFileFresh(const String& Name) {
  IPtr<IZEPHVirtualFile> file;
  if (!GetVirtualFile(Name, file)) return nullptr;
  if (Succeeded(file->Synchronize())) return file;
  FContainerCache->Remove(TZEPHFileURI::ExtractContainer(Name));
  return GetVirtualFile(Name, file) ? file : nullptr;
}

bool TZEPHFileManager::IsForeignURL(const String& Name) {
  const String scheme = zcExtractURLScheme(Name);
  return !scheme.empty() && !FFileSystems->IsSchemeRegistered(scheme);
}

bool TZEPHFileManager::OpenContainer(const String& FileName, IPtr<IZEPHFileContainer>& Container, bool UseCache,
                                     TZEPHFileManagerExpandAttributes* Attributes, Integer FileAttributes) {
  Container = nullptr;
  if (UseCache && FContainerCache->TryGet(FileName, Container)) return true;
  if (Attributes && !Attributes->GetBool(String(zfeaExpandContainers), true)) return false;
  if (FileAttributes == UnknownAttributes) FileAttributes = static_cast<Integer>(zcFileGetAttr(FileName));
  if (TZEPHFileAttrs::IsDirectory(FileAttributes)) return false;
  WalkExtensions<IZEPHExtensionFileExpander>([&](const IPtr<IZEPHExtensionFileExpander>& Expander) {
    TZEPHVirtualFileList files;
    if (Failed(Expander->Expand(FileName, files))) return true;
    Container = IPtr<IZEPHFileContainer>(Create<TZEPHFileContainer>(files));
    return false;
  });
  if (!Container) return false;
  if (UseCache) FContainerCache->Add(Container);
  return true;
}

// ---- files ------------------------------------------------------------------------------------

bool TZEPHFileManager::FileExists(const String& Name) {
  IPtr<IZEPHVirtualFile> file;
  switch (ResolveVirtualFile(Name, file)) {
    case zfrFound:
      return file->Exists();
    case zfrNoPart:
      return false;
    default: {
      // The local disk's test: a URL exists without asking; a part's container must exist.
      IPtr<IZEPHFileSystemCommandFileInfo> command;
      if (FileInfoCommand(FFileSystems, Name, command) == S_OK)
        return command->FileExists(NameString(Name).get()) == S_OK;
      return !TZEPHFileURI::IsVirtual(Name);
    }
  }
}

String TZEPHFileManager::GetRealFileName(const String& Name) {
  IPtr<IZEPHVirtualFile> file;
  String real;
  if (GetVirtualFile(Name, file) && file->GetRealFileName(real)) return real;
  return TZEPHFileURI::ExtractContainer(Name);
}

String TZEPHFileManager::GetRealFilePath(const String& Name) { return zcExtractFilePath(GetRealFileName(Name)); }

bool TZEPHFileManager::GetFileAttributes(const String& Name, TZCLFileData& Data) {
  const String real = GetRealFileName(Name);
  IPtr<IZEPHFileSystemCommandFileInfo> command;
  if (FileInfoCommand(FFileSystems, real, command) != S_OK) return false;
  TZEPHFileSystemAttributes attributes;
  if (command->GetFileAttributes(NameString(real).get(), attributes) != S_OK) return false;
  Data.Attributes = attributes.Attributes;
  Data.CreationTime = attributes.CreationTime;
  Data.LastAccessTime = attributes.LastAccessTime;
  Data.LastWriteTime = attributes.LastWriteTime;
  return true;
}

Int64 TZEPHFileManager::GetFileSize(const String& Name) {
  IPtr<IZEPHVirtualFile> file;
  if (GetVirtualFile(Name, file)) {
    TZBLFileInfo* info = Create<TZBLFileInfo>();
    Int64 size = 0;
    try {
      if (Succeeded(file->FillFileInfo(info))) size = info->GetFileSize();
    } catch (const Exception&) {
    }
    Free(info);
    return size;
  }
  IPtr<IZEPHFileSystemCommandFileInfo> command;
  Int64 size = 0;
  if (FileInfoCommand(FFileSystems, Name, command) != S_OK) return 0;
  return command->GetFileSize(NameString(Name).get(), size) == S_OK ? size : 0;
}

String TZEPHFileManager::GetFileFormatText(const String& Name) {
  IPtr<IZEPHVirtualFile> file;
  if (GetVirtualFile(Name, file)) {
    String text;
    if (file->GetFormatText(text) && !text.empty()) return text;
    if (file->GetRealFileName(text) && !text.empty()) return zcExtractFileFormat(text);
  }
  if (IsForeignURL(Name)) return String();
  return zcExtractFileFormat(TZEPHFileURI::ExtractContainer(Name));
}

HRESULT TZEPHFileManager::CreateStream(const String& Name, Cardinal Flags, Int64 Offset, Int64 Size, TStream*& Stream) {
  Stream = nullptr;
  if (!GetFileSystems()->IsSchemeRegistered(zcExtractURLScheme(Name)))
    return CreateLocalFileStream(Name, Flags, Offset, Size, Stream);
  // A registered file system streams through its command; without one there is no stream.
  try {
    void* obj = nullptr;
    if (FFileSystems->Get(Name, IIDOf<IZEPHFileSystemCommandStreaming>(), &obj) != S_OK) return E_NOTIMPL;
    auto command = IPtr<IZEPHFileSystemCommandStreaming>::Adopt(static_cast<IZEPHFileSystemCommandStreaming*>(obj));
    IPtr<IZEPHStream> stream;
    const HRESULT result = command->CreateStream(NameString(Name).get(), Offset, Size, Flags, stream);
    if (Failed(result)) return result;
    if (!stream) return E_FAIL;
    Stream = new TZEPHStreamWrapper(stream.get());
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHFileManager::CreateStreamForFileURI(const String& Name, IPtr<IZEPHVirtualFile>& File, TStream*& Stream,
                                                 Cardinal Flags) {
  Stream = nullptr;
  File = nullptr;
  try {
    HRESULT result = E_FAIL;
    File = GetVirtualFileFresh(Name);
    if (File) result = File->CreateStream(Stream);
    if (Failed(result)) {
      Free(Stream);
      Stream = nullptr;
      result = CreateStream(GetRealFileName(Name), Flags, 0, -1, Stream);
    }
    return result;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

bool TZEPHFileManager::DeleteFile(const String& Name) {
  return !Name.empty() && FFileSystems->RunCommand(IIDOf<IZEPHFileSystemCommandDelete>(), Name);
}

bool TZEPHFileManager::OpenFileFolder(const String& Name) {
  return !Name.empty() &&
         FFileSystems->RunCommand(IIDOf<IZEPHFileSystemCommandOpenFileFolder>(), GetRealFileName(Name));
}

// ---- drag source ------------------------------------------------------------------------------

namespace {
// The files of a drag; the stream of a file comes from its file system's drop-source command.
class TZEPHFileManagerDropSourceData : public TZCLDropSourceDataFiles {
  ZCL_CLASS(TZEPHFileManagerDropSourceData, TZCLDropSourceDataFiles)
 public:
  TZEPHFileManagerDropSourceData(const TZCLStringList* Names, TZEPHServiceFileSystems* AFileSystems)
      : TZCLDropSourceDataFiles(Names), FFileSystems(AFileSystems) {}

 protected:
  TStream* CreateStream(Integer Index) override {
    try {
      const String name = GetName(Index);
      void* obj = nullptr;
      if (FFileSystems->Get(name, IIDOf<IZEPHFileSystemCommandDropSource>(), &obj) != S_OK) return nullptr;
      auto command = IPtr<IZEPHFileSystemCommandDropSource>::Adopt(static_cast<IZEPHFileSystemCommandDropSource*>(obj));
      IPtr<IZEPHStream> stream;
      if (Failed(command->CreateStream(NameString(name).get(), stream)) || !stream) return nullptr;
      return new TZEPHStreamWrapper(stream.get());
    } catch (...) {
      return nullptr;
    }
  }

 private:
  TZEPHServiceFileSystems* FFileSystems;
};
}  // namespace

IPtr<IZCLDropSourceDataFiles> TZEPHFileManager::CreateDropSourceData(const TZCLStringList* Names,
                                                                     TZCLDropSource* DropSource) {
  TZCLDragDropDataProviders& providers = DropSource->GetDataProviders();
  IPtr<IZCLDropSourceDataFiles> data(static_cast<IZCLDropSourceDataFiles*>(Create<TZCLDropSourceDataFiles>(Names)));
  providers.Add(new TZCLDragDropDataProviderFileURIs(data.get()));

  TZCLStringList* files = Create<TZCLStringList>();
  bool needStreams = false;
  try {
    if (Names)
      for (Integer i = 0; i < Names->GetCount(); ++i) {
        const String real = GetRealFileName(Names->GetStrings(i));
        if (!files->Contains(real)) files->Add(real);
      }
    for (Integer i = files->GetCount() - 1; i >= 0; --i)
      if (!FileExists(files->GetStrings(i))) files->Delete(i);
    // The empty scheme is the local disk's; another counts when its file system streams drags.
    std::unordered_map<String, bool, TZCLTokenComparer, TZCLTokenComparer> schemes{{String(), true}};
    for (Integer i = files->GetCount() - 1; i >= 0; --i) {
      const String scheme = zcExtractURLScheme(files->GetStrings(i));
      auto it = schemes.find(scheme);
      if (it == schemes.end()) it = schemes.emplace(scheme, FFileSystems->SupportsDropSource(scheme)).first;
      if (!it->second)
        files->Delete(i);
      else if (!scheme.empty())
        needStreams = true;
    }
    data = IPtr<IZCLDropSourceDataFiles>(
        static_cast<IZCLDropSourceDataFiles*>(Create<TZEPHFileManagerDropSourceData>(files, FFileSystems)));
  } catch (...) {
    Free(files);
    throw;
  }
  if (needStreams) {
    providers.Add(new TZCLDragDropDataProviderFileStreamDescriptor(data.get()));
    for (Integer i = 0; i < files->GetCount(); ++i)
      providers.Add(new TZCLDragDropDataProviderFileStream(data.get(), i));
  } else {
    providers.Add(new TZCLDragDropDataProviderFiles(data.get()));
  }
  Free(files);
  return data;
}

// ---- file information -------------------------------------------------------------------------

TZEPHTagReaderProc TZEPHFileManager::GetTagReader() { return GTagReader.load(); }
void TZEPHFileManager::SetTagReader(TZEPHTagReaderProc Reader) { GTagReader.store(Reader); }

HRESULT TZEPHFileManager::GetFileInfo(const String& Name, TZBLCustomFileInfo* Info, Byte Sources) {
  if (Name.empty() || !Info) return E_INVALIDARG;
  HRESULT result = E_FAIL;
  TZEPHFileInfoCacheAttributes attributes;
  Double clipLength = -1;
  Info->BeginUpdate();
  try {
    const bool foreign = IsForeignURL(Name);
    const bool isVirtual = TZEPHFileURI::IsVirtual(Name);
    if (foreign) Sources &= zfiExtensions;
    Info->Clear();
    if (!isVirtual && (Sources & zfiCache)) result = FInfoCache->Find(Name, Info, attributes) ? S_OK : E_FAIL;
    if (Failed(result) && isVirtual && (Sources & zfiVirtualFile)) {
      IPtr<IZEPHVirtualFile> file;
      if (GetVirtualFile(Name, file)) {
        result = file->FillFileInfo(Info);
        if (Succeeded(result)) clipLength = ClipDuration(file.get());
      }
    }
    if (Failed(result) && (Sources & zfiExtensions)) {
      IPtr<IZEPHString> name = NameString(Name);
      IPtr<IZEPHFileInfo> info(static_cast<IZEPHFileInfo*>(Create<TZEPHFileInfoAdapter>(Info, false)));
      WalkExtensionsBackwards<IZEPHExtensionFileInfo>([&](const IPtr<IZEPHExtensionFileInfo>& Extension) {
        result = Extension->FillFileInfo(name.get(), info.get());
        return Succeeded(result);
      });
      if (Failed(result)) result = E_FAIL;
    }
    if (Failed(result) && (Sources & zfiTagLibrary)) {
      const TZEPHTagReaderProc reader = GTagReader.load();
      TStream* stream = nullptr;
      if (reader && Succeeded(CreateStream(Name, zfsBuffered, -1, -1, stream))) {
        try {
          if (reader(stream, Name, Info)) result = S_OK;
        } catch (...) {
          Free(stream);
          throw;
        }
        Free(stream);
      }
    }
    if (Failed(result) && (Sources & zfiDecoders)) {
      if (IPtr<IZEPHServiceAudioDecoders> decoders = AudioDecoders()) {
        IPtr<IZEPHAudioDecoder> decoder;
        if (Succeeded(decoders->CreateDecoderForFileName(NameString(Name).get(), 0, nullptr, decoder)) && decoder) {
          const IPtr<IZEPHFileInfo> info = RecordAdapter(Info);
          if (decoder->FillFileInfo(info.get())) result = S_OK;
          if (TZEPHFileInfo::FillFromDecoder(Name, info.get(), decoder.get(), clipLength)) result = S_OK;
        }
      }
    }
    if (Succeeded(result) && !isVirtual && !foreign) FInfoCache->Add(Name, Info, attributes);
    Info->SetFileName(Name);
  } catch (...) {
    result = E_UNEXPECTED;
  }
  Info->EndUpdate();
  return result;
}

HRESULT TZEPHFileManager::GetFileInfoFromStream(TStream* Stream, TZBLCustomFileInfo* Info, Byte Sources) {
  if (!Stream || !Info) return E_INVALIDARG;
  HRESULT result = E_INVALIDARG;
  Info->BeginUpdate();
  try {
    Info->Clear();
    if (Sources & zfiExtensions) {
      IPtr<IZEPHStream> stream(static_cast<IZEPHStream*>(Create<TZEPHStreamAdapter>(Stream, soReference)));
      IPtr<IZEPHFileInfo> info(static_cast<IZEPHFileInfo*>(Create<TZEPHFileInfoAdapter>(Info, false)));
      // Each extension starts where the caller's stream stood.
      const Int64 start = Stream->GetPosition();
      WalkExtensionsBackwards<IZEPHExtensionFileInfoFromStream>(
          [&](const IPtr<IZEPHExtensionFileInfoFromStream>& Extension) {
            Stream->SetPosition(start);
            result = Extension->FillFileInfoFromStream(stream.get(), info.get());
            return Succeeded(result);
          });
      if (Failed(result)) result = E_INVALIDARG;
    }
    if (Failed(result) && (Sources & zfiTagLibrary)) {
      const TZEPHTagReaderProc reader = GTagReader.load();
      if (reader && reader(Stream, String(), Info)) result = S_OK;
    }
    if (Failed(result) && (Sources & zfiDecoders)) {
      if (IPtr<IZEPHServiceAudioDecoders> decoders = AudioDecoders()) {
        IPtr<IZEPHStream> stream(static_cast<IZEPHStream*>(Create<TZEPHStreamAdapter>(Stream, soReference)));
        IPtr<IZEPHAudioDecoder> decoder;
        if (Succeeded(decoders->CreateDecoder(stream.get(), 0, nullptr, decoder)) && decoder) {
          const IPtr<IZEPHFileInfo> info = RecordAdapter(Info);
          if (decoder->FillFileInfo(info.get())) result = S_OK;
          if (TZEPHFileInfo::FillFromStreamDecoder(Stream, info.get(), decoder.get(), -1)) result = S_OK;
        }
      }
    }
  } catch (...) {
    result = E_UNEXPECTED;
  }
  Info->EndUpdate();
  return result;
}

// ---- audio decoders ---------------------------------------------------------------------------

namespace {
// Carries a file's ID3v2, APEv2 and ID3v1 tags; it recognises no format of its own.
class TZEPHFileManagerGeneralTags : public TZTLTagsContainerCommon {
  ZCL_CLASS(TZEPHFileManagerGeneralTags, TZTLTagsContainerCommon)

 protected:
  bool LoadStreamInfo(TStream*) override { return false; }
};

}  // namespace

bool TZEPHFileInfo::FillStreamValues(Int64 Size, IZEPHFileInfo* Info, IZEPHAudioDecoder* Decoder, Double ClipLength) {
  if (!Decoder || !Info) return false;
  Integer rate = 0, channels = 0, format = 0;
  if (!Decoder->GetFormat(rate, channels, format)) return false;
  static constexpr Integer bitsOfFormat[] = {0, 8, 16, 24, 32, 32, 64};
  if (format < 1 || format > 6) return false;
  const Integer bits = bitsOfFormat[format];
  Cardinal duration =
      TZBLStreamInfoUtils::DurationOfPCM(Decoder->GetSize(), channels, bits, static_cast<Cardinal>(rate));
  if (ClipLength > 0) {
    // Compared as doubles first: a huge clip length is no limit, and never overflows.
    const Cardinal limit =
        ClipLength * 1000 >= duration ? duration : static_cast<Cardinal>(std::trunc(ClipLength * 1000));
    Size = TZBLStreamInfoUtils::MulDivPositive(Size, duration, limit);
    duration = limit;
  }
  Info->SetValueAsFloat(17, duration / 1000.0);
  Info->SetValueAsInt32(9, channels);
  Info->SetValueAsInt32(24, rate);
  if (Size > 0) Info->SetValueAsInt64(19, Size);
  Integer bitrate = 0;
  if (Failed(Info->GetValueAsInt32(7, bitrate)) || bitrate == 0)
    Info->SetValueAsInt32(7, TZBLStreamInfoUtils::BitrateOf(Size, duration));
  return true;
}

bool TZEPHFileInfo::FillFromDecoder(const String& Name, IZEPHFileInfo* Info, IZEPHAudioDecoder* Decoder,
                                    Double ClipLength) {
  TZEPHFileManager* manager = GetFileManager();
  const String real = manager->GetRealFileName(Name);
  const bool result = FillStreamValues(manager->GetFileSize(real), Info, Decoder, ClipLength);
  TZBLCustomFileInfo* record = result ? RecordOf(Info) : nullptr;
  if (!record) return result;
  TZEPHFileManagerGeneralTags* tags = nullptr;
  try {
    tags = Create<TZEPHFileManagerGeneralTags>();
    tags->LoadFromFile(real);
    record->Merge(tags->GetID3v2(), true);
    record->Merge(tags->GetAPEv2(), true);
    record->Merge(tags->GetID3v1(), false);
  } catch (...) {
  }
  Free(tags);
  return result;
}

bool TZEPHFileInfo::FillFromStreamDecoder(TStream* Stream, IZEPHFileInfo* Info, IZEPHAudioDecoder* Decoder,
                                          Double ClipLength) {
  return Stream && FillStreamValues(Stream->GetSize(), Info, Decoder, ClipLength);
}

IPtr<IZBLFileInfo> TZEPHFileManager::QueryFileInfo(const String& Name, Byte Sources) {
  IPtr<TZBLFileInfoKeeper> keeper(Create<TZBLFileInfoKeeper>());
  if (Failed(GetFileInfo(Name, keeper->GetFileInfo(), Sources))) return nullptr;
  return IPtr<IZBLFileInfo>(static_cast<IZBLFileInfo*>(keeper.get()));
}

// ---- plugin services ------------------------------------------------------------------------

namespace {
// Plugin flag bit 0 leaves the decoders out.
Byte SourcesOfPluginFlags(Cardinal Flags) { return (Flags & 1) ? zfiAll & ~zfiDecoders : zfiAll; }

IPtr<IZEPHStream> PluginStream(TStream* Stream, bool ReadOnly) {
  return IPtr<IZEPHStream>(static_cast<IZEPHStream*>(Create<TZEPHFileStreamAdapterEx>(Stream, ReadOnly)));
}
}  // namespace

HRESULT TZEPHFileManager::CreateStreamForFile(IZEPHString* Name, Cardinal Flags, Int64 Offset, Int64 Size,
                                              IPtr<IZEPHStream>& Stream) {
  Stream = nullptr;
  TStream* stream = nullptr;
  try {
    const HRESULT result = CreateStream(PluginStringToStr(Name), Flags, Offset, Size, stream);
    if (Succeeded(result) && stream) {
      TStream* owned = stream;
      stream = nullptr;
      Stream = PluginStream(owned, (Flags & (zfsCreate | zfsReadWrite)) == 0);
    }
    return result;
  } catch (...) {
    Free(stream);
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHFileManager::CreateStreamForFileURI(IZEPHString* Name, IPtr<IZEPHVirtualFile>& File,
                                                 IPtr<IZEPHStream>& Stream) {
  Stream = nullptr;
  TStream* stream = nullptr;
  try {
    const HRESULT result = CreateStreamForFileURI(PluginStringToStr(Name), File, stream, 0);
    if (Succeeded(result) && stream) {
      TStream* owned = stream;
      stream = nullptr;
      Stream = PluginStream(owned, true);
    }
    return result;
  } catch (...) {
    Free(stream);
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHFileManager::GetFileInfoFromFileURI(IZEPHString* Name, Cardinal Flags, IZEPHFileInfo* Info) {
  try {
    TZBLCustomFileInfo* record = RecordOf(Info);
    if (!record) return E_INVALIDARG;
    return GetFileInfo(PluginStringToStr(Name), record, SourcesOfPluginFlags(Flags));
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHFileManager::GetFileInfoFromStream(IZEPHStream* Stream, Cardinal Flags, IZEPHFileInfo* Info) {
  try {
    TZBLCustomFileInfo* record = RecordOf(Info);
    if (!Stream || !record) return E_INVALIDARG;
    TZEPHStreamWrapper stream(Stream);
    return GetFileInfoFromStream(&stream, record, SourcesOfPluginFlags(Flags));
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHFileManager::GetVirtualFile(IZEPHString* Name, Cardinal, IPtr<IZEPHVirtualFile>& File) {
  try {
    return GetVirtualFile(PluginStringToStr(Name), File) ? S_OK : E_FAIL;
  } catch (...) {
    File = nullptr;
    return E_UNEXPECTED;
  }
}

// ---- expansion --------------------------------------------------------------------------------

void TZEPHFileManager::ExpandList(TZCLStringList* Names, IZEPHFileManagerFilesReceiver* Receiver,
                                  TZEPHFileManagerExpandAttributes* Attributes) {
  bool stop = false;
  ExpandList(Names, Receiver, Attributes, stop);
}

void TZEPHFileManager::ExpandList(TZCLStringList* Names, IZEPHFileManagerFilesReceiver* Receiver,
                                  TZEPHFileManagerExpandAttributes* Attributes, bool& Stop) {
  for (Integer i = 0; i < Names->GetCount() && !Stop; ++i) {
    IPtr<IZBLFileInfo> info = QueryIntf<IZBLFileInfo>(Names->GetInterfaces(i));
    Expand(Names->GetStrings(i), info.get(), Receiver, Attributes, Stop);
  }
}

void TZEPHFileManager::Expand(const String& Name, IZBLFileInfo* Info, IZEPHFileManagerFilesReceiver* Receiver,
                              TZEPHFileManagerExpandAttributes* Attributes, bool& Stop) {
  const Integer attributes = Name.empty() ? -1 : static_cast<Integer>(zcFileGetAttr(Name));
  ExpandItem(Name, attributes, Info, Receiver, Attributes, Stop);
}

void TZEPHFileManager::ExpandItem(const String& Name, Integer FileAttributes, IZBLFileInfo* Info,
                                  IZEPHFileManagerFilesReceiver* Receiver, TZEPHFileManagerExpandAttributes* Attributes,
                                  bool& Stop) {
  bool expanded = false;
  try {
    expanded = ExpandAsObject(Name, FileAttributes, Receiver, Attributes, Stop);
  } catch (const Exception& e) {
    LogWriteException(DefaultLogFile(), u"FileManager", e);
  }
  if (!expanded && Receiver && CheckExt(Name, Attributes)) Receiver->ReceiveFile(Name, Info, Stop);
}

bool TZEPHFileManager::ExpandAsObject(const String& Name, Integer FileAttributes,
                                      IZEPHFileManagerFilesReceiver* Receiver,
                                      TZEPHFileManagerExpandAttributes* Attributes, bool& Stop) {
  IPtr<IZEPHFileContainer> container;
  if (!TZEPHFileAttrs::IsDirectory(FileAttributes) &&
      OpenContainer(Name, container, false, Attributes, FileAttributes)) {
    FContainerCache->Add(container);
    for (Integer i = 0; i < container->GetCount() && !Stop; ++i)
      if (Receiver) Receiver->ReceiveFile(container->GetVirtualName(i), nullptr, Stop);
    return true;
  }
  bool result = false;
  WalkExtensions<IZEPHFileManagerObjectExpander>([&](const IPtr<IZEPHFileManagerObjectExpander>& Expander) {
    result = Expander->Expand(Name, FileAttributes, Receiver, Attributes, Stop);
    return !result && !Stop;
  });
  return result;
}

bool TZEPHFileManager::CheckExt(const String& Name, TZEPHFileManagerExpandAttributes* Attributes) {
  if (Attributes && !Attributes->GetBool(String(zfeaCheckExt), true)) return true;
  return FKnownFormats->IsSupported(Name, zfkmAll);
}

// ---- music library ----------------------------------------------------------------------------

String TZEPHFileManager::GetLibraryText(const String& FileName) {
  String text;
  if (FMusicLibrary && FMusicLibrary->GetLibraryText(FileName, text)) return text;
  return String();
}

bool TZEPHFileManager::TryGetFileMark(const String& FileName, TZEPHFileMark& Mark) {
  Mark = 0;
  return FMusicLibrary && FMusicLibrary->GetFileMark(FileName, Mark);
}

TZEPHFileMark TZEPHFileManager::GetFileMark(const String& FileName) {
  TZEPHFileMark mark = 0;
  return TryGetFileMark(FileName, mark) ? mark : 0;
}

bool TZEPHFileManager::GetFileStatistics(const String& FileName, TZEPHFileStatistics& Statistics) {
  return FMusicLibrary && FMusicLibrary->GetFileStatistics(FileName, Statistics);
}

HRESULT TZEPHFileManager::SetFileMark(const String& FileName, TZEPHFileMark Mark) {
  if (!IsMainThread()) return E_ACCESSDENIED;
  if (!FMusicLibrary) return E_NOTIMPL;
  return FMusicLibrary->SetFileMark(FileName, Mark) ? S_OK : E_FAIL;
}

HRESULT TZEPHFileManager::SetLibraryText(const String& FileName, const String& Text) {
  if (!IsMainThread()) return E_ACCESSDENIED;
  if (!FMusicLibrary) return E_NOTIMPL;
  return FMusicLibrary->SetLibraryText(FileName, Text) ? S_OK : E_FAIL;
}

void TZEPHFileManager::UpdateLibraryInfo(TZBLCustomFileInfo* Info) {
  if (FMusicLibrary && Info) FMusicLibrary->UpdateFileInfo(Info);
}

// ---- process-wide -----------------------------------------------------------------------------

TZEPHFileManager* GetFileManager() {
  if (!GFileManager) throw Exception(u"File Manager is nil");
  return GFileManager;
}

void detail::FileManagerInitialization() {
  GFileManager = Create<TZEPHFileManager>();
  TZEPHFileURI::SetSchemeRegisteredProc(SchemeRegistered);
  SetFileDatesProc(FileManagerFileDates);
  // A plugin taken back leaves no container its file system opened and none of its formats.
  TZEPHPluginFileManagerHooks hooks;
  hooks.ClearContainerCache = [] {
    if (GFileManager) GFileManager->GetContainerCache()->Clear();
  };
  hooks.UnregisterFormat = [](void* Handle) {
    if (GFileManager)
      GFileManager->GetKnownFormats()->Unregister(static_cast<TZEPHFileManagerKnownFormatInfo*>(Handle));
  };
  SetPluginFileManagerHooks(hooks);
}

void detail::FileManagerFinalization() {
  SetPluginFileManagerHooks({});
  // Tag scans and background adding still running would reach a freed file manager.
  if (TZCLTaskDispatcher* tasks = TaskDispatcherIfExists()) tasks->CancelAll(true);
  SetFileDatesProc(ZBLReadFileDates);
  TZEPHFileURI::SetSchemeRegisteredProc(nullptr);
  FreeAndNil(GFileManager);
}

String ResolveRelativeFileName(const String& BaseFile, const String& Name) {
  if (!zcIsRelativePath(Name)) return Name;
  const String first = zcExtractFilePath(BaseFile) + Name;
  if (GetFileManager()->FileExists(first)) return first;
  // The root of the base file: its drive ("C:") for a name from the root, else "C:\" or "/".
  const String root = BaseFile.size() >= 2 && BaseFile[1] == u':'
                          ? BaseFile.substr(0, (!Name.empty() && (Name[0] == u'\\' || Name[0] == u'/')) ? 2 : 3)
                          : String(u"/");
  const String second = root + Name;
  return GetFileManager()->FileExists(second) ? second : first;
}

bool IsImageFileName(const String& Name) {
  String ext = zcExtractFileExt(Name);
  while (!ext.empty()) {
    if (ImageFormatFromExtension(ext) != TImageFormat::Unknown) return true;
    size_t cut = ext.rfind(u'&');
    if (cut == String::npos) cut = ext.rfind(u'?');
    if (cut == String::npos) return false;
    ext.resize(cut);
  }
  return false;
}
