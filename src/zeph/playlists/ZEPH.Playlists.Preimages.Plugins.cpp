#include "zeph/playlists/ZEPH.Playlists.Preimages.Plugins.h"

#include <memory>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Strings.h"
#include "rtl/RTL.Threads.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zeph/core/ZEPH.Core.PluginAPI.h"
#include "zeph/media/ZBL.FileInfo.h"
#include "zeph/media/ZEPH.FileManager.h"
#include "zeph/media/ZEPH.FileManager.Services.Adapters.h"

namespace {
TZEPHPlaylistPreimageFactory* FactoryOf(IZEPHPlaylistPreimage* PluginObject) {
  const String id = PropertyListReadString(PluginObject, 1);
  TZEPHPlaylistPreimageFactory* factory = nullptr;
  if (!TZEPHPlaylistPreimageRepository::FindFactory(id, factory))
    throw Exception(u"Factory with \"%s\" ID was not found", {id});
  return factory;
}

// Gathers what the plugin lists; the plugin object is taken at creation on the main thread.
class TZEPHPlaylistPluginBasedPreimageTask : public TZEPHPlaylistCustomPreimageTask {
 public:
  explicit TZEPHPlaylistPluginBasedPreimageTask(TZEPHPlaylistPluginBasedPreimage* APreimage)
      : TZEPHPlaylistCustomPreimageTask(APreimage), FPlugin(APreimage->GetPlugin()) {}

 protected:
  void Gather() override {
    IPtr<IZEPHPlaylistPreimageFilesSource> source;
    if (FPlugin == nullptr || !Supports(FPlugin, source)) return;
    FPreimage->SetSortingTemplate(PropertyListReadString(FPlugin.get(), 4));
    IPtr<TOwner> owner(Create<TOwner>(this));
    Cardinal flags = 0;
    IPtr<IZEPHObjectList> list;
    if (!Succeeded(source->ListFiles(owner.get(), flags, list)) || list == nullptr) return;
    std::unique_ptr<TZCLStringList, TZEPHFreeObject> names(Create<TZCLStringList>());
    TZEPHPlaylistStorageAdapterHelper::AddList(names.get(), flags, list.get());
    TZEPHFileManager* manager = GetFileManager();
    std::unique_ptr<TZEPHFileManagerExpandAttributes, TZEPHFreeObject> attributes(
        Create<TZEPHFileManagerExpandAttributes>());
    attributes->Add(String(zfeaRecursive), true);
    attributes->Add(String(zfeaSortChildren), false);
    attributes->Add(String(zfeaCheckExt), (flags & zppfNoExtensionCheck) == 0);
    attributes->Add(String(zfeaExpandContainers), (flags & zppfNoContainerSplit) == 0);
    attributes->Add(String(zfeaScanForExts), manager->GetKnownFormats()->GetExtList(zfkmAudio));
    bool stop = false;
    manager->ExpandList(names.get(), owner.get(), attributes.get(), stop);
  }

 private:
  // What the plugin and the file manager see of the task.
  class TOwner : public TInterfacedObject, public IZEPHTaskOwner, public IZEPHFileManagerFilesReceiver {
    RTL_INTERFACES(TInterfacedObject, IZEPHTaskOwner, IZEPHFileManagerFilesReceiver)
   public:
    explicit TOwner(TZEPHPlaylistPluginBasedPreimageTask* ATask) : FTask(ATask) {}
    LongBool IsCanceled() override { return FTask->IsCanceled() ? -1 : 0; }
    void ReceiveFile(const String& FileName, IZBLFileInfo* Info, bool& Stop) override {
      FTask->GetFiles()->Add(FileName, nullptr, Info);
      Stop = FTask->IsCanceled();
    }

   private:
    TZEPHPlaylistPluginBasedPreimageTask* FTask;
  };
  IPtr<IZEPHPlaylistPreimage> FPlugin;
};

}  // namespace

TZEPHPlaylistPluginBasedPreimage::TZEPHPlaylistPluginBasedPreimage(IZEPHPlaylistPreimage* PluginObject)
    : TZEPHPlaylistCustomPreimage(FactoryOf(PluginObject)), FPlugin(PluginObject) {
  FPlugin->Attach(this);
}

TZEPHPlaylistPluginBasedPreimage::~TZEPHPlaylistPluginBasedPreimage() {
  CancelSync();
  if (FPlugin != nullptr) {
    FPlugin->Done();
    FPlugin = nullptr;
  }
}

bool TZEPHPlaylistPluginBasedPreimage::IsAutoSync() {
  return FPlugin != nullptr && PropertyListReadInt32(FPlugin.get(), 2, 0) != 0;
}

bool TZEPHPlaylistPluginBasedPreimage::HasDialog() {
  return FPlugin != nullptr && PropertyListReadInt32(FPlugin.get(), 3, 0) != 0;
}

bool TZEPHPlaylistPluginBasedPreimage::ExecuteDialog(void* OwnerWindow) {
  return FPlugin != nullptr && Succeeded(FPlugin->ShowDialog(OwnerWindow));
}

TZEPHPlaylistCustomPreimageTask* TZEPHPlaylistPluginBasedPreimage::CreateTask() {
  return new TZEPHPlaylistPluginBasedPreimageTask(this);
}

void TZEPHPlaylistPluginBasedPreimage::FactoryRemoved() {
  FPlugin = nullptr;
  TZEPHPlaylistCustomPreimage::FactoryRemoved();
}

HRESULT TZEPHPlaylistPluginBasedPreimage::ContentChanged() {
  TThread::Synchronize(nullptr, [this] { Invalidate(); });
  return S_OK;
}

HRESULT TZEPHPlaylistPluginBasedPreimage::ConfigChanged() {
  TThread::Synchronize(nullptr, [this] { StorageChanged(); });
  return S_OK;
}

void TZEPHPlaylistPluginBasedPreimage::DoAssign(TZEPHPlaylistCustomPreimage* Source) {
  TZEPHPlaylistCustomPreimage::DoAssign(Source);
  auto* source = dynamic_cast<TZEPHPlaylistPluginBasedPreimage*>(Source);
  if (source == nullptr || source->FPlugin == nullptr || FPlugin == nullptr ||
      PropertyListReadString(source->FPlugin.get(), 1) != PropertyListReadString(FPlugin.get(), 1))
    return;
  IPtr<IZEPHStream> stream(Create<TZEPHMemoryStreamAdapter>());
  source->FPlugin->SaveConfig(stream.get());
  stream->Seek(0, 0);
  FPlugin->LoadConfig(stream.get());
}

void TZEPHPlaylistPluginBasedPreimage::LoadFromNode(TZCLXMLNode* Node, IZEPHPlaylistFilerContext*) {
  if (FPlugin == nullptr) return;
  // Odd or broken text gives the plugin an empty stream.
  std::vector<Byte> bytes;
  ZephHexToBytes(Trim(Node->GetNodeValue()), bytes);
  TCustomMemoryStream memory(bytes.data(), static_cast<NativeInt>(bytes.size()));
  IPtr<IZEPHStream> stream(Create<TZEPHStreamAdapter>(&memory, soReference, true));
  FPlugin->LoadConfig(stream.get());
}

void TZEPHPlaylistPluginBasedPreimage::SaveToNode(TZCLXMLNode* Node, IZEPHPlaylistFilerContext*) {
  if (FPlugin == nullptr) return;
  IPtr<IZEPHMemoryStream> stream(Create<TZEPHMemoryStreamAdapter>());
  FPlugin->SaveConfig(stream.get());
  const auto* data = static_cast<const Byte*>(stream->GetData());
  Node->SetNodeValue(data != nullptr ? ZephBytesToHex(data, static_cast<size_t>(stream->GetSize())) : String());
}

// ---------------------------------------------------------------------------------------------

void TZEPHPlaylistStorageAdapterHelper::AddItem(TZCLStringList* List, Cardinal Flags, IInterface* Object) {
  if (Object == nullptr) return;
  if (Flags & zppfFileInfos) {
    IPtr<IZEPHFileInfoInternal> info;
    if (!Supports(Object, info) || info->GetRecord() == nullptr) return;
    auto* copy = Create<TZBLFileInfo>();
    IPtr<IZBLFileInfo> holder(Create<TZBLFileInfoKeeper>(copy));
    copy->Assign(info->GetRecord());
    List->Add(copy->GetFileName(), nullptr, holder.get());
    return;
  }
  IPtr<IZEPHString> text;
  if (Supports(Object, text)) List->Add(PluginStringText(text.get()));
}

void TZEPHPlaylistStorageAdapterHelper::AddList(TZCLStringList* List, Cardinal Flags, IZEPHObjectList* ObjectList) {
  if (ObjectList == nullptr) return;
  const Integer count = ObjectList->GetCount();
  List->SetCapacity(List->GetCount() + count);
  for (Integer i = 0; i < count; ++i) {
    void* raw = nullptr;
    if (Flags & zppfFileInfos) {
      if (!Succeeded(ObjectList->GetObject(i, IZEPHFileInfoInternal::IID, &raw)) || raw == nullptr) continue;
      auto info = IPtr<IZEPHFileInfoInternal>::Adopt(static_cast<IZEPHFileInfoInternal*>(raw));
      AddItem(List, Flags, info.get());
    } else {
      if (!Succeeded(ObjectList->GetObject(i, IZEPHString::IID, &raw)) || raw == nullptr) continue;
      auto text = IPtr<IZEPHString>::Adopt(static_cast<IZEPHString*>(raw));
      AddItem(List, Flags, text.get());
    }
  }
}
