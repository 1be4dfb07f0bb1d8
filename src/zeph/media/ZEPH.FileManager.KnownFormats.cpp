#include "zeph/media/ZEPH.FileManager.KnownFormats.h"

#include "rtl/RTL.Format.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.Threading.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zeph/core/ZEPH.Core.Adapters.h"
#include "zeph/core/ZEPH.Core.Objects.h"
#include "zeph/media/ZEPH.FileManager.VirtualFiles.h"

namespace {
constexpr size_t FilterListLimit = 128;

}  // namespace

String UniqueExtList(const String& List) {
  String result, upper;
  std::vector<String> items;
  zcExplodeString(List, u";", items);
  for (const String& item : items) {
    if (item.empty()) continue;
    const String key = zcUpperCase(item) + u";";
    // A whole mask only: "*.MP3;" must not match inside "*.XMP3;".
    const String bounded = u";" + upper;
    if (bounded.find(u";" + key) != String::npos) continue;
    result += item + u";";
    upper += key;
  }
  return result;
}

String NormalizeExtList(const String& List) {
  if (List.empty() || List.back() == u';') return List;
  return List + u";";
}

TZEPHFileManagerKnownFormats::TZEPHFileManagerKnownFormats()
    : FFormats(new TZCLObjectList(true)), FLock(new TZCLCriticalSection(this)) {}

TZEPHFileManagerKnownFormats::~TZEPHFileManagerKnownFormats() {
  Free(FFormats);
  Free(FLock);
}

TZEPHFileManagerKnownFormatInfo* TZEPHFileManagerKnownFormats::Register(const String& Description,
                                                                        const String& ExtList, Byte Kind) {
  auto* info = new TZEPHFileManagerKnownFormatInfo(Kind, Description, ExtList);
  TZCLLockGuard lock(*FLock);
  FFormats->Add(info);
  return info;
}

bool TZEPHFileManagerKnownFormats::Unregister(TZEPHFileManagerKnownFormatInfo* Info) {
  TZCLLockGuard lock(*FLock);
  return FFormats->Remove(Info) >= 0;
}

bool TZEPHFileManagerKnownFormats::IsSupported(const String& FileName, Byte KindsMask) const {
  if (zcIsURL(FileName) || TZEPHFileURI::IsVirtual(FileName)) return true;
  const String ext = zcExtractFileExt(FileName);
  if (ext.empty()) return false;
  TZCLLockGuard lock(*FLock);
  for (Integer i = FFormats->GetCount() - 1; i >= 0; --i) {
    const TZEPHFileManagerKnownFormatInfo* info = GetItem(i);
    if (Selected(info, KindsMask) && zcIsFileExtInList(info->ExtList, ext)) return true;
  }
  return false;
}

String TZEPHFileManagerKnownFormats::GetExtList(Byte KindsMask) const {
  String result;
  for (Integer i = 0; i < FFormats->GetCount(); ++i)
    if (Selected(GetItem(i), KindsMask)) result += GetItem(i)->ExtList;
  return UniqueExtList(result);
}

String TZEPHFileManagerKnownFormats::GetFilter(Byte KindsMask, bool WithSummary) const {
  String result;
  if (WithSummary) {
    const String all = GetExtList(KindsMask);
    if (!all.empty()) result += u"All Supported|" + all + u"|";
    const String playlists = GetExtList(KindsMask & zfkmPlaylists);
    if (!playlists.empty()) result += u"All Playlists|" + playlists + u"|";
  }
  TZCLStringList* lines = Create<TZCLStringList>();
  try {
    for (Integer i = 0; i < FFormats->GetCount(); ++i) {
      const TZEPHFileManagerKnownFormatInfo* info = GetItem(i);
      if (!Selected(info, KindsMask)) continue;
      const String shown =
          info->ExtList.size() <= FilterListLimit ? info->ExtList : info->ExtList.substr(0, FilterListLimit) + u"...";
      lines->Add(Format(u"%s (%s)|%s", {info->Description, shown, info->ExtList}));
    }
    lines->Sort();
    for (Integer i = 0; i < lines->GetCount(); ++i) result += lines->GetStrings(i) + u"|";
  } catch (...) {
    Free(lines);
    throw;
  }
  Free(lines);
  return result;
}

HRESULT TZEPHFileManagerKnownFormats::GetFormats(Cardinal Flags, IPtr<IZEPHString>& Formats) {
  try {
    const Byte kinds = KindsOfFlags(Flags);
    if (kinds == 0) return E_INVALIDARG;
    Formats = IPtr<IZEPHString>(static_cast<IZEPHString*>(Create<TZEPHStringAdapter>(GetExtList(kinds))));
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHFileManagerKnownFormats::IsSupported(IZEPHString* FileName, Cardinal Flags) {
  try {
    return IsSupported(PluginStringToStr(FileName), KindsOfFlags(Flags)) ? S_OK : E_FAIL;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

void TZEPHFileManagerKnownFormats::RegisterExtension(IInterface* Extension) {
  try {
    IPtr<IZEPHExtensionFileFormat> format;
    if (!Supports(Extension, format)) return;
    Cardinal flags = 0;
    if (Failed(format->GetFlags(flags))) return;
    Byte kind;
    if (flags == 1)
      kind = zfkAudio;
    else if (flags == 2)
      kind = zfkPlaylist;
    else
      return;
    IPtr<IZEPHString> description, extList;
    if (Failed(format->GetDescription(description)) || Failed(format->GetExtList(extList))) return;
    Register(PluginStringToStr(description.get()), NormalizeExtList(zcTrim(PluginStringToStr(extList.get()))), kind);
  } catch (...) {
    // A plugin format that cannot be read stays out.
  }
}
