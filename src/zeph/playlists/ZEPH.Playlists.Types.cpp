#include "zeph/playlists/ZEPH.Playlists.Types.h"

#include <vector>

#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.Hashes.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zeph/media/ZEPH.FileManager.VirtualFiles.h"
#include "zeph/media/ZEPH.FileManager.h"

Cardinal ZEPHPlaylistFileNameHash(StringView FileName) {
  // Most names fit the stack buffer: the hash runs for every name a list merge looks up.
  Byte buffer[1024];
  std::vector<Byte> heap;
  Byte* bytes = buffer;
  if (FileName.size() * 2 > sizeof(buffer)) {
    heap.resize(FileName.size() * 2);
    bytes = heap.data();
  }
  for (size_t i = 0; i < FileName.size(); ++i) {
    const Char c = ToLower(FileName[i]);
    bytes[2 * i] = static_cast<Byte>(c & 0xFF);
    bytes[2 * i + 1] = static_cast<Byte>(c >> 8);
  }
  return TZCLHashBobJenkins::HashLittle(bytes, FileName.size() * 2, 0);
}

void TZEPHPlaylistCustomItem::AfterConstruction() {
  TZBLCustomFileInfo::AfterConstruction();
  SetItemFlag(zpifPlaybackSwitch, true);
}

TZBLCustomFileInfo* TZEPHPlaylistCustomItem::Clone() const {
  TZBLCustomFileInfo* copy = Create<TZBLCustomFileInfo>();
  copy->Assign(this);
  return copy;
}

void TZEPHPlaylistCustomItem::SetItemFlag(Word Flag, bool Value) {
  if (GetFlag(Flag) == Value) return;
  SetFlag(Flag, Value);
  FlagChanged(Flag);
}

void TZEPHPlaylistCustomItem::SetCustomText(const String& Value) {
  if (FCustomText == Value) return;
  FCustomText = Value;
  Changed();
}

const String& TZEPHPlaylistCustomItem::GetFileFormat() {
  if (FFileFormat.empty()) FFileFormat = GetFileManager()->GetFileFormatText(GetFileName());
  return FFileFormat;
}

Cardinal TZEPHPlaylistCustomItem::GetFileNameHash() {
  if (FFileNameHash == 0) FFileNameHash = ZEPHPlaylistFileNameHash(GetFileName());
  return FFileNameHash;
}

void TZEPHPlaylistCustomItem::DoAssign(const TZBLCustomFileInfo* Source) {
  TZBLCustomFileInfo::DoAssign(Source);
  if (const auto* item = dynamic_cast<const TZEPHPlaylistCustomItem*>(Source)) {
    FFileFormat = item->FFileFormat;
    SetItemFlag(zpifPlaybackSwitch, item->GetFlag(zpifPlaybackSwitch));
    SetCustomText(item->FCustomText);
  }
}

void TZEPHPlaylistCustomItem::FileNameChanged() {
  SetItemFlag(zpifIsURL, zcIsURL(GetFileName()));
  TZBLCustomFileInfo::FileNameChanged();
  FFileFormat.clear();
  FFileNameHash = 0;
}

bool TZEPHPlaylistCustomItemList::GetCommonPath(String& Path, bool SkipURLs) const {
  Path.clear();
  if (GetCount() == 0) return false;
  bool first = true;
  for (Integer i = 0; i < GetCount(); ++i) {
    const String& name = Get(i)->GetFileName();
    if (SkipURLs && zcIsURL(name)) continue;
    String container;
    const bool inContainer = TZEPHFileURI::ParseContainer(name, container);
    // Under a common folder already (it ends with a delimiter): the entry's folder starts with it
    // too, and the common folder stays.
    if (!first && !inContainer && !Path.empty() && (Path.back() == u'/' || Path.back() == u'\\') &&
        StartsText(Path, name))
      continue;
    const String folder = inContainer ? container : zcExtractFilePath(name);
    if (first) {
      Path = folder;
      first = false;
    } else if (!zcShortenToCommonPath(Path, folder)) {
      return false;
    }
  }
  return true;
}
