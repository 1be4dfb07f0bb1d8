#include "zeph/playlists/ZEPH.Playlists.Storage.Helpers.h"

#include <atomic>

#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zeph/media/ZEPH.FileManager.VirtualFiles.h"
#include "zeph/playlists/ZEPH.Playlists.Formats.h"
#include "zeph/playlists/ZEPH.Playlists.Storage.h"
#include "zeph/playlists/ZEPH.Playlists.Strings.h"

namespace {
std::atomic<TZEPHPlaylistItemFormatStringFactory*> GFactory{nullptr};
constexpr int kPoolSize = 4;
std::atomic<TZEPHPlaylistItemFormatStringContext*> GPool[kPoolSize];
}  // namespace

void TZEPHPlaylistItemFormatStringFactory::RegisterFunctions() {
  TZEPHFileInfoFormatStringFactory::RegisterFunctions();
  RegisterMacro(u"Custom", {this, &TZEPHPlaylistItemFormatStringFactory::MacroCustom}, 0);
  for (const char16_t* name : {u"AlbumGain", u"Catalog", u"Conductor", u"Copyright", u"DiskTotal", u"EncodedBy",
                               u"ISRC", u"Link", u"Lyrics", u"TrackGain", u"TrackTotal"})
    Unregister(name);
}

String TZEPHPlaylistItemFormatStringFactory::GetComment(TZBLFileInfoFormatStringContext* Context) {
  return zcReplaceLineBreaks(TZEPHFileInfoFormatStringFactory::GetComment(Context), u" ");
}

void TZEPHPlaylistItemFormatStringFactory::MacroCustom(String& Value, TZCLExpressionContext Context) {
  auto* context = dynamic_cast<TZEPHPlaylistItemFormatStringContext*>(ContextOf(Context));
  Value = context != nullptr && context->Entry != nullptr ? context->Entry->GetCustomText() : String();
}

TZEPHPlaylistItemFormatStringFactory* TZEPHPlaylistItemFormatStringFactory::Instance() {
  if (TZEPHPlaylistItemFormatStringFactory* factory = GFactory.load(std::memory_order_acquire)) return factory;
  TZCLCustomExpressionFactory::CreateSingleton(GFactory);
  return GFactory.load();
}

void TZEPHPlaylistItemFormatStringFactory::FinalizeInstance() {
  for (auto& slot : GPool) delete slot.exchange(nullptr);
  Free(GFactory.exchange(nullptr));
}

String TZEPHPlaylistItemFormatStringFactory::Format(const String& Template, TZEPHPlaylistItem* Entry,
                                                    Byte ContextFlags) {
  TZEPHPlaylistItemFormatStringContext* context = nullptr;
  for (auto& slot : GPool)
    if ((context = slot.exchange(nullptr)) != nullptr) break;
  if (context == nullptr) context = new TZEPHPlaylistItemFormatStringContext();
  context->Entry = Entry;
  context->Setup(Entry, -1, -1);
  context->Flags = ContextFlags;
  String result;
  try {
    result = VarToStr(Instance()->Evaluate(Template, context));
  } catch (...) {
    delete context;
    throw;
  }
  context->Entry = nullptr;
  for (auto& slot : GPool) {
    TZEPHPlaylistItemFormatStringContext* expected = nullptr;
    if (slot.compare_exchange_strong(expected, context)) return result;
  }
  delete context;
  return result;
}

String TZEPHPlaylistItemFormatStringContext::GetFileFormat() { return Entry != nullptr ? Entry->GetFileFormat() : String(); }
Integer TZEPHPlaylistItemFormatStringContext::GetIndex() { return Entry != nullptr ? Entry->GetIndex() + 1 : 0; }
Integer TZEPHPlaylistItemFormatStringContext::GetTotal() {
  return Entry != nullptr ? Entry->GetStorage()->GetItems()->GetCount() : 0;
}

// ---------------------------------------------------------------------------------------------

String TZEPHPlaylistStorageAutoNameHelper::NameFromPath(const String& Path) {
  String name;
  String container;
  if (TZEPHPlaylistFormats::IsPlaylistFile(Path))
    name = zcExtractFileNameWithoutExt(Path);
  else if (zcIsURL(Path))
    name = u"Radio";
  else if (TZEPHFileURI::ParseContainer(Path, container))
    name = zcExtractFileNameWithoutExt(container);
  else if (!Path.empty() && (Path.back() == u'/' || Path.back() == u'\\')) {
    name = zcExtractFileName(zcExcludeTrailingPathDelimiter(Path));
    if (name.empty()) name = Path;
  } else
    name = zcExtractFileNameWithoutExt(Path);
  return name.empty() ? sPlaylistNewPlaylist : name;
}

String TZEPHPlaylistStorageAutoNameHelper::GetName(TZEPHPlaylistStorage* Storage) {
  TZEPHPlaylistItems* items = Storage->GetItems();
  if (items->GetCount() == 0) return sPlaylistNewPlaylist;
  const Integer fields[3] = {fitAlbum, fitAlbumArtist, fitArtist};
  String candidates[3];
  bool alive[3] = {true, true, true};
  for (int f = 0; f < 3; ++f) candidates[f] = items->Get(0)->GetValue(fields[f]);
  for (Integer i = 1; i < items->GetCount(); ++i)
    for (int f = 0; f < 3; ++f)
      if (alive[f] && !SameText(candidates[f], items->Get(i)->GetValue(fields[f]))) alive[f] = false;
  if (alive[0] || alive[1] || alive[2]) {
    String name = alive[0] && !candidates[0].empty()   ? candidates[0]
                  : alive[2] && !candidates[2].empty() ? candidates[2]
                  : alive[1]                           ? candidates[1]
                                                       : String();
    if (!zcTrim(name).empty()) return name;
  }
  String path;
  if (Storage->GetCommonPath(path) && !path.empty()) return NameFromPath(path);
  return sPlaylistNewPlaylist;
}
