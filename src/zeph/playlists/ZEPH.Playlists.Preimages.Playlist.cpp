#include "zeph/playlists/ZEPH.Playlists.Preimages.Playlist.h"

#include <memory>

#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/base/ZCL.MUI.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/base/ZCL.Utils.FileSystem.Watcher.h"
#include "zcl/base/ZCL.Web.Http.h"
#include "zeph/media/ZBL.FileInfo.h"
#include "zeph/playlists/ZEPH.Playlists.Types.h"
#include "zeph/playlists/ZEPH.Playlists.Preimages.Playlist.Dialog.h"

namespace {
// Reads the source playlist into Files; the address is taken once, when the run starts.
class TZEPHPlaylistBasedPreimageTask : public TZEPHPlaylistCustomPreimageTask {
 public:
  explicit TZEPHPlaylistBasedPreimageTask(TZEPHPlaylistBasedPreimage* APreimage)
      : TZEPHPlaylistCustomPreimageTask(APreimage), FURI(APreimage->GetURI()) {}

 protected:
  void Gather() override {
    IPtr<IZEPHPlaylistItemsReceiver> receiver(Create<TReceiver>(FFiles));
    std::unique_ptr<TZEPHPlaylistFormatCustomTextReader> reader;
    if (zcIsURL(FURI)) {
      TBytesStream data;
      TZCLHttp::Check(TZCLHttp::Get(FURI)->OnData(&data)->RunNoThread([this] { return IsCanceled(); }));
      data.SetPosition(0);
      if (!TZEPHPlaylistFormats::CreateReaderByContent(&data, reader)) return;
      // Relative entries resolve against the address's folder.
      const size_t cut = FURI.find_last_of(u":\\/");
      reader->AddSearchPath(FURI.substr(0, cut + 1));
      reader->Read(nullptr, receiver.get());
    } else if (TZEPHPlaylistFormats::CreateReader(FURI, reader)) {
      reader->Read(nullptr, receiver.get());
    }
  }

 private:
  class TReceiver : public TInterfacedObject, public IZEPHPlaylistItemsReceiver {
    RTL_INTERFACES(TInterfacedObject, IZEPHPlaylistItemsReceiver)
   public:
    explicit TReceiver(TZCLStringList* AFiles) : FFiles(AFiles) {}
    void AddGroup(const String&, bool) override {}
    void AddItem(const String& FileName, TZEPHPlaylistCustomItem* Item, Integer) override {
      IPtr<IZBLFileInfo> info;
      if (Item != nullptr) {
        auto* copy = Create<TZBLFileInfo>();
        info = IPtr<IZBLFileInfo>(Create<TZBLFileInfoKeeper>(copy));
        copy->Assign(Item);
      }
      FFiles->Add(FileName, nullptr, info.get());
    }

   private:
    TZCLStringList* FFiles;
  };
  String FURI;
};
}  // namespace

TZEPHPlaylistBasedPreimage::TZEPHPlaylistBasedPreimage(TZEPHPlaylistPreimageFactory* AFactory)
    : TZEPHPlaylistCustomAutoSyncPreimage(AFactory) {}

TZEPHPlaylistBasedPreimage::~TZEPHPlaylistBasedPreimage() { CancelSync(); }

TZEPHPlaylistCustomPreimageTask* TZEPHPlaylistBasedPreimage::CreateTask() {
  return new TZEPHPlaylistBasedPreimageTask(this);
}

IPtr<IZCLFileSystemWatcherTask> TZEPHPlaylistBasedPreimage::CreateWatcher() {
  if (FURI.empty() || zcIsURL(FURI)) return nullptr;
  return TZCLFileSystemWatcher::AddFileTask(
      FURI, TZCLFileSystemWatcherEvent(static_cast<TZEPHPlaylistCustomAutoSyncPreimage*>(this),
                                       &TZEPHPlaylistBasedPreimage::WatcherChanged));
}

void TZEPHPlaylistBasedPreimage::AssignSource(TZEPHPlaylistCustomPreimage* Source) {
  if (auto* source = dynamic_cast<TZEPHPlaylistBasedPreimage*>(Source)) FURI = source->FURI;
}

void TZEPHPlaylistBasedPreimage::LoadSourceFromNode(TZCLXMLNode* Node, IZEPHPlaylistFilerContext* Context) {
  const String uri = Node->GetNodeValue(u"URI");
  FURI = Context != nullptr && !uri.empty() ? Context->ConvertFileName(uri) : uri;
  TZCLXMLAttributes* attributes = Node->GetAttributes();
  FAutoSyncOnStartup = attributes->GetValueAsBoolean(u"autoSyncOnStartup", false);
  SetAutoSyncOnChanges(attributes->GetValueAsBoolean(u"autoSyncOnChanges", false));
}

void TZEPHPlaylistBasedPreimage::SaveToNode(TZCLXMLNode* Node, IZEPHPlaylistFilerContext* Context) {
  TZEPHPlaylistCustomAutoSyncPreimage::SaveToNode(Node, Context);
  Node->GetAttributes()->AddString(u"autoSyncOnChanges", FAutoSyncOnChanges ? u"1" : u"0");
  Node->GetAttributes()->AddString(u"autoSyncOnStartup", FAutoSyncOnStartup ? u"1" : u"0");
  Node->Add(u"URI")->SetNodeValue(Context != nullptr ? Context->ConvertFileName(FURI) : FURI);
}

TZEPHPlaylistCustomPreimage* TZEPHPlaylistBasedPreimageFactory::CreatePreimage() {
  return new TZEPHPlaylistBasedPreimage(this);
}

String TZEPHPlaylistBasedPreimageFactory::GetName() { return LangGetMsgPart(143, 4); }

void detail::PlaylistPreimagesPlaylistInitialization() {
  TZEPHPlaylistPreimageRepository::Register(new TZEPHPlaylistBasedPreimageFactory());
}

bool TZEPHPlaylistBasedPreimage::ExecuteDialog(void* OwnerWindow) {
  TZEPHPlaylistPreimageDialog* dialog = TCustomForm::CreateNew<TZEPHPlaylistPreimageDialog>(static_cast<TComponent*>(FindControl(static_cast<HWND>(OwnerWindow))));
  try {
    dialog->LoadFrom(this);
    if (dialog->ShowModal() != mrOk) {
      Free(dialog);
      return false;
    }
    dialog->SaveTo(this);
  } catch (...) {
    Free(dialog);
    throw;
  }
  Free(dialog);
  return true;
}
