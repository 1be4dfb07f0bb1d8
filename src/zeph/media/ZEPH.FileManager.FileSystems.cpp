#include "zeph/media/ZEPH.FileManager.FileSystems.h"

#include <algorithm>
#include <cerrno>
#include <cmath>

#include "rtl/RTL.DateTime.h"
#include "rtl/RTL.Streams.h"
#include "vcl/VCL.Clipbrd.h"
#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.Utils.Clipboard.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/base/ZCL.Utils.Shell.h"
#include "zcl/base/ZCL.Utils.Stream.h"
#include "zeph/core/ZEPH.Core.Adapters.h"
#include "zeph/core/ZEPH.Core.Objects.h"
#include "zeph/media/ZEPH.FileManager.VirtualFiles.h"

HRESULT CreateLocalFileStream(const String& Name, Cardinal Flags, Int64 Offset, Int64 Size, TStream*& Stream) {
  Stream = nullptr;
  Word mode = fmOpenRead | fmShareDenyNone;
  if (Flags & 1)
    mode = fmCreate;
  else if (Flags & 2)
    mode = fmOpenReadWrite | fmShareDenyWrite;
  const bool range = Offset >= 0 && Size >= 1;
  const bool readOnly = mode == (fmOpenRead | fmShareDenyNone);
  if (range && !readOnly) return E_INVALIDARG;
  try {
    errno = 0;
    TStream* stream = new TZCLFileStream(Name, mode);
    if (Flags & 4) {
      // A reader needs no buffer larger than its file: scanning many small files would
      // otherwise clear 256 KiB for each.
      Integer buffer = 262144;
      if (readOnly) buffer = static_cast<Integer>(std::clamp<Int64>(stream->GetSize() + 1, 4096, buffer));
      stream = new TZCLBufferedStream(stream, soOwned, buffer);
    }
    if (range) stream = new TZCLSubStream(stream, Offset, Size, soOwned);
    Stream = stream;
    return S_OK;
  } catch (const Exception&) {
    return errno ? HResultFromOSError(errno) : E_FAIL;
  }
}

// ---- the local disk ---------------------------------------------------------------------------

namespace {
// The delete command of the local disk: never a URL or a part of a container; into the trash.
class TZEPHDefaultFileSystemDelete : public TInterfacedObject, public IZEPHFileSystemCommandDelete {
  ZCL_CLASS(TZEPHDefaultFileSystemDelete, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHFileSystemCommandDelete)
 public:
  HRESULT CanProcess(IZEPHString* Name) override {
    try {
      const String name = PluginStringToStr(Name);
      return !name.empty() && !zcIsURL(name) && !TZEPHFileURI::IsVirtual(name) ? S_OK : E_FAIL;
    } catch (...) {
      return E_UNEXPECTED;
    }
  }
  HRESULT Process(IZEPHString* Name) override {
    if (CanProcess(Name) != S_OK) return E_FAIL;
    try {
      return Succeeded(TZCLRecycleBin::Delete(PluginStringToStr(Name))) ? S_OK : E_FAIL;
    } catch (...) {
      return E_FAIL;
    }
  }
};

// Through the DOS form, as the file systems of the platform report times: 2-second steps, 0 when
// the time has no DOS form.
TDateTime DosRounded(TDateTime Value) {
  TDateTime result = 0;
  const Integer dos = DateTimeToFileDate(Value);
  return dos != 0 && TryFileDateToDateTime(dos, result) ? result : TDateTime(0);
}
}  // namespace

HRESULT TZEPHDefaultFileSystem::QueryInterface(const TGUID& IID, void** Obj) {
  if (IID == IZEPHFileSystemCommandDelete::IID) {
    IPtr<IInterface> command(static_cast<IZEPHFileSystemCommandDelete*>(Create<TZEPHDefaultFileSystemDelete>()));
    return command->QueryInterface(IID, Obj);
  }
  if (InterfaceTableQuery<IZEPHFileSystemCommandStreaming, IZEPHFileSystemCommandDropSource,
                          IZEPHFileSystemCommandOpenFileFolder, IZEPHFileSystemCommandFileInfo,
                          IZEPHFileSystemCommandCopyToClipboard>(this, IID, Obj))
    return S_OK;
  return TInterfacedObject::QueryInterface(IID, Obj);
}

HRESULT TZEPHDefaultFileSystem::CreateStream(IZEPHString* Name, Int64 Offset, Int64 Size, Cardinal Flags,
                                             IPtr<IZEPHStream>& Stream) {
  Stream = nullptr;
  try {
    TStream* stream = nullptr;
    const HRESULT result = CreateLocalFileStream(PluginStringToStr(Name), Flags, Offset, Size, stream);
    if (result != S_OK) return result;
    Stream = IPtr<IZEPHStream>(static_cast<IZEPHStream*>(Create<TZEPHFileStreamAdapterEx>(stream, (Flags & 3) == 0)));
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHDefaultFileSystem::CreateStream(IZEPHString* Name, IPtr<IZEPHStream>& Stream) {
  return CreateStream(Name, -1, -1, 0, Stream);
}

HRESULT TZEPHDefaultFileSystem::CanProcess(IZEPHString*) { return S_OK; }

HRESULT TZEPHDefaultFileSystem::Process(IZEPHString* Name) {
  try {
    if (FExtensions)
      for (Integer i = FExtensions->GetCount() - 1; i >= 0; --i) {
        IPtr<IInterface> item;
        IPtr<IZEPHFileSystemCommandOpenFileFolder> command;
        if (FExtensions->TryGetItem(i, item) && Supports(item, command) && command->Process(Name) == S_OK) return S_OK;
      }
    const String name = PluginStringToStr(Name);
    if (name.empty()) return E_FAIL;
    return (zcIsURL(name) ? ShellOpenFileOrURL(name, String()) : ShellShowInFolder(name)) ? S_OK : E_FAIL;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT TZEPHDefaultFileSystem::GetFileAttributes(IZEPHString* Name, TZEPHFileSystemAttributes& Attributes) {
  Attributes = TZEPHFileSystemAttributes();
  try {
    TZCLFileData data;
    if (!zcFileGetData(PluginStringToStr(Name), data)) return E_FAIL;
    Attributes.Attributes = data.Attributes;
    Attributes.CreationTime = DosRounded(data.CreationTime);
    Attributes.LastAccessTime = DosRounded(data.LastAccessTime);
    Attributes.LastWriteTime = DosRounded(data.LastWriteTime);
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT TZEPHDefaultFileSystem::GetFileSize(IZEPHString* Name, Int64& Size) {
  Size = 0;
  try {
    Size = zcFileSize(PluginStringToStr(Name));
  } catch (...) {
  }
  return S_OK;
}

HRESULT TZEPHDefaultFileSystem::FileExists(IZEPHString* Name) {
  try {
    const String name = PluginStringToStr(Name);
    if (zcIsURL(name)) return S_OK;
    return zcFileExists(TZEPHFileURI::ExtractContainer(name)) ? S_OK : E_FAIL;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT TZEPHDefaultFileSystem::CopyToClipboard(IZEPHObjectList* Names) {
  TZCLStringList* copy = nullptr;
  try {
    const TZCLStringList* list = nullptr;
    auto* adapter = Names ? dynamic_cast<TZEPHStringListAdapter*>(Names) : nullptr;
    if (adapter) {
      list = adapter->GetList();
    } else if (Names) {
      copy = Create<TZCLStringList>();
      for (Integer i = 0; i < Names->GetCount(); ++i) {
        void* item = nullptr;
        if (Names->GetObject(i, IIDOf<IZEPHString>(), &item) != S_OK || !item) continue;
        IPtr<IZEPHString> text = IPtr<IZEPHString>::Adopt(static_cast<IZEPHString*>(item));
        copy->Add(PluginStringToStr(text.get()));
      }
      list = copy;
    }
    HRESULT result = E_FAIL;
    if (list && list->GetCount() > 0) {
      if (zcIsURL(list->GetStrings(0)))
        Clipboard()->SetAsText(list->GetText());
      else
        ClipboardSetFiles(list);
      result = S_OK;
    }
    Free(copy);
    return result;
  } catch (...) {
    Free(copy);
    return E_UNEXPECTED;
  }
}

// ---- "content" -----------------------------------------------------------------------------------

IPtr<IInterface> TZEPHContentFileSystem::DoGetValueAsObject(Integer PropertyID) {
  if (PropertyID == 1) return IPtr<IInterface>(static_cast<IZEPHString*>(Create<TZEPHStringAdapter>(u"content")));
  return inherited::DoGetValueAsObject(PropertyID);
}

TZEPHServiceFileSystems::TZEPHServiceFileSystems(TZCLThreadListOf<IPtr<IInterface>>* Extensions)
    : FDefault(static_cast<IZEPHFileSystemCommandStreaming*>(Create<TZEPHDefaultFileSystem>(Extensions))) {
  IPtr<IZEPHExtensionFileSystem> content(Create<TZEPHContentFileSystem>());
  RegisterExtension(content.get());
}

void TZEPHServiceFileSystems::RegisterExtension(IInterface* Extension) {
  try {
    IPtr<IZEPHExtensionFileSystem> fileSystem;
    if (!Supports(Extension, fileSystem)) return;
    void* value = nullptr;
    if (Failed(fileSystem->GetValueAsObject(1, IIDOf<IZEPHString>(), &value)) || !value) return;
    IPtr<IZEPHString> scheme = IPtr<IZEPHString>::Adopt(static_cast<IZEPHString*>(value));
    const String text = PluginStringToStr(scheme.get());
    if (!text.empty()) FSchemes.try_emplace(text, IPtr<IInterface>(Extension));
  } catch (const Exception&) {
    // A file system whose scheme cannot be read stays out.
  }
}

void TZEPHServiceFileSystems::UnregisterExtension(IInterface* Extension) {
  for (auto it = FSchemes.begin(); it != FSchemes.end();) {
    if (it->second.get() == Extension)
      it = FSchemes.erase(it);
    else
      ++it;
  }
}

bool TZEPHServiceFileSystems::IsSchemeRegistered(const String& Scheme) const {
  return !Scheme.empty() && FSchemes.count(Scheme) != 0;
}

HRESULT TZEPHServiceFileSystems::Get(const String& Name, const TGUID& IID, void** Obj) const {
  if (Obj) *Obj = nullptr;
  const String scheme = zcExtractURLScheme(Name);
  const auto it = scheme.empty() ? FSchemes.end() : FSchemes.find(scheme);
  const IPtr<IInterface>& fileSystem = it == FSchemes.end() ? FDefault : it->second;
  return fileSystem->QueryInterface(IID, Obj) == S_OK ? S_OK : E_NOINTERFACE;
}

HRESULT TZEPHServiceFileSystems::GetDefault(const TGUID& IID, void** Obj) {
  if (Obj) *Obj = nullptr;
  return FDefault->QueryInterface(IID, Obj) == S_OK ? S_OK : E_NOINTERFACE;
}

bool TZEPHServiceFileSystems::SupportsDropSource(const String& Scheme) const {
  if (!IsSchemeRegistered(Scheme)) return false;
  const auto it = FSchemes.find(Scheme);
  return it != FSchemes.end() && Supports<IZEPHFileSystemCommandDropSource>(it->second);
}

bool TZEPHServiceFileSystems::RunCommand(const TGUID& IID, const String& Name) const {
  try {
    const IPtr<IZEPHString> name(static_cast<IZEPHString*>(Create<TZEPHStringAdapter>(Name)));
    void* obj = nullptr;
    if (IID == IZEPHFileSystemCommandDelete::IID) {
      if (Get(Name, IID, &obj) != S_OK) return false;
      auto command = IPtr<IZEPHFileSystemCommandDelete>::Adopt(static_cast<IZEPHFileSystemCommandDelete*>(obj));
      return command->Process(name.get()) == S_OK;
    }
    if (IID == IZEPHFileSystemCommandOpenFileFolder::IID) {
      if (Get(Name, IID, &obj) != S_OK) return false;
      auto command =
          IPtr<IZEPHFileSystemCommandOpenFileFolder>::Adopt(static_cast<IZEPHFileSystemCommandOpenFileFolder*>(obj));
      return command->Process(name.get()) == S_OK;
    }
  } catch (...) {
  }
  return false;
}

HRESULT TZEPHServiceFileSystems::Get(IZEPHString* Name, const TGUID& IID, void** Obj) {
  try {
    return Get(PluginStringToStr(Name), IID, Obj);
  } catch (...) {
    if (Obj) *Obj = nullptr;
    return E_UNEXPECTED;
  }
}
