#include "zcl/base/ZCL.ObjectLinks.h"
#include "zeph/playlists/ZEPH.Playlists.Preimages.h"

#include <algorithm>
#include <memory>

#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/base/ZCL.Utils.FileSystem.Watcher.h"
#include "zcl/base/ZCL.Utils.Messaging.h"

namespace {
std::vector<TZEPHPlaylistPreimageFactory*>* GFactories = nullptr;
}  // namespace

// ---------------------------------------------------------------------------------------------
// Task

TZEPHPlaylistCustomPreimageTask::TZEPHPlaylistCustomPreimageTask(TZEPHPlaylistCustomPreimage* APreimage)
    : FFiles(Create<TZCLStringList>()), FPreimage(APreimage) {
  FFiles->SetCapacity(10240);
}

TZEPHPlaylistCustomPreimageTask::~TZEPHPlaylistCustomPreimageTask() { Free(FFiles); }

void TZEPHPlaylistCustomPreimageTask::Execute() {
  try {
    Gather();
  } catch (...) {
    // A source that could not be read is not an empty source: the playlist stays as it is.
    Failed = true;
  }
}

void TZEPHPlaylistCustomPreimageTask::Complete() {
  TZCLTask::Complete();
  TZCLMainThread::RunProc([this] { FPreimage->SyncCompleted(FFiles, IsCanceled(), Failed); }, true);
}

// ---------------------------------------------------------------------------------------------
// Preimage

TZEPHPlaylistCustomPreimage::TZEPHPlaylistCustomPreimage(TZEPHPlaylistPreimageFactory* AFactory) : FFactory(AFactory) {
  if (FFactory != nullptr) FFactory->PreimageCreated(this);
}

TZEPHPlaylistCustomPreimage::~TZEPHPlaylistCustomPreimage() {
  TZCLObjectLinks::Release(this);
  if (FFactory != nullptr) FFactory->PreimageDestroyed(this);
  CancelSync();
}

String TZEPHPlaylistCustomPreimage::GetID() const { return FFactory != nullptr ? FFactory->GetID() : String(); }

bool TZEPHPlaylistCustomPreimage::IsEqual(TZEPHPlaylistStorageAbstractPreimage* Other) {
  auto* other = dynamic_cast<TZEPHPlaylistCustomPreimage*>(Other);
  if (other == nullptr || other->GetID() != GetID()) return false;
  TBytesStream a;
  TBytesStream b;
  SaveToStream(&a);
  other->SaveToStream(&b);
  return a.GetSize() == b.GetSize() && a.GetBytes() == b.GetBytes();
}

void TZEPHPlaylistCustomPreimage::StorageChanged() {
  if (FStorage != nullptr) FStorage->Changed(zpcPreimage);
}

void TZEPHPlaylistCustomPreimage::CheckPendingSync() {
  if (FSyncPending && FUpdateCount == 0) Synchronize();
}

void TZEPHPlaylistCustomPreimage::Synchronize() {
  if (FStorage == nullptr || FStorage->GetPreimage() != this || FStorage->GetReadOnly() || IsEmpty()) return;
  FSyncPending = false;
  if (FTaskHandle != 0) return;
  FStorage->CancelTagsScan();
  ++FUpdateCount;
  FTaskHandle = TaskDispatcher()->Run(CreateTask());
}

void TZEPHPlaylistCustomPreimage::SyncCompleted(TZCLStringList* Files, bool Canceled, bool Failed) {
  try {
    if (!Canceled && !Failed && FStorage != nullptr && FStorage->GetPreimage() == this) {
      FTaskHandle = 0;
      FStorage->SyncFromList(Files, FSortingTemplate);
    }
  } catch (...) {
    FTaskHandle = 0;
    --FUpdateCount;
    throw;
  }
  FTaskHandle = 0;
  --FUpdateCount;
}

void TZEPHPlaylistCustomPreimage::CancelSync() {
  if (FTaskHandle == 0) return;
  const TObjHandle handle = FTaskHandle;
  if (TZCLTaskDispatcher* pool = TaskDispatcherIfExists()) pool->Cancel(handle, true);
  FTaskHandle = 0;
}

void TZEPHPlaylistCustomPreimage::EndUpdate() {
  if (FUpdateCount <= 0) return;
  if (FUpdateCount-- == 1 && FSyncPending) Invalidate();
}

void TZEPHPlaylistCustomPreimage::Invalidate() {
  FSyncPending = true;
  if (FStorage != nullptr && FStorage->IsActive()) CheckPendingSync();
}

void TZEPHPlaylistCustomPreimage::DoAssign(TZEPHPlaylistCustomPreimage* Source) {
  FSortingTemplate = Source->FSortingTemplate;
}

void TZEPHPlaylistCustomPreimage::Assign(TZEPHPlaylistCustomPreimage* Source) {
  if (Source == nullptr) return;
  BeginUpdate();
  DoAssign(Source);
  EndUpdate();
}

TZEPHPlaylistCustomPreimage* TZEPHPlaylistCustomPreimage::Clone() {
  if (FFactory == nullptr) return nullptr;
  TZEPHPlaylistCustomPreimage* copy = FFactory->CreatePreimage();
  copy->Assign(this);
  return copy;
}

void TZEPHPlaylistCustomPreimage::LoadFromNode(TZCLXMLNode* Node, IZEPHPlaylistFilerContext*) {
  FSortingTemplate = Node->GetAttributes()->GetValueDef(
      u"SortingTemplate", FStorage != nullptr ? FStorage->GetSortingTemplate() : String());
}

void TZEPHPlaylistCustomPreimage::SaveToNode(TZCLXMLNode* Node, IZEPHPlaylistFilerContext*) {
  Node->GetAttributes()->AddString(u"SortingTemplate", FSortingTemplate);
}

void TZEPHPlaylistCustomPreimage::LoadFromXML(TZCLXMLNode* Node, IZEPHPlaylistFilerContext* Context) {
  TZCLXMLNode* node = Node != nullptr ? Node->FindNode(u"preimage") : nullptr;
  if (node == nullptr || node->GetAttributes()->GetValue(u"class") != GetID()) return;
  BeginUpdate();
  try {
    LoadFromNode(node, Context);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TZEPHPlaylistCustomPreimage::SaveToXML(TZCLXMLNode* Document, IZEPHPlaylistFilerContext* Context) {
  BeginUpdate();
  TZCLXMLNode* node = Document->Add(u"preimage");
  node->GetAttributes()->AddString(u"class", GetID());
  SaveToNode(node, Context);
  EndUpdate();
}

void TZEPHPlaylistCustomPreimage::LoadFromStream(TStream* Stream) {
  std::unique_ptr<TZCLXMLDocument> document(TZCLXMLDocument::CreateFromStream(Stream));
  IPtr<IZEPHPlaylistFilerContext> context(Create<TZEPHPlaylistPreimageEmptyContext>());
  LoadFromXML(document.get(), context.get());
}

void TZEPHPlaylistCustomPreimage::SaveToStream(TStream* Stream) {
  TZCLXMLDocument document;
  IPtr<IZEPHPlaylistFilerContext> context(Create<TZEPHPlaylistPreimageEmptyContext>());
  SaveToXML(&document, context.get());
  document.SaveToStreamDefault(Stream);
}

// ---------------------------------------------------------------------------------------------
// Auto-synchronising preimage

TZEPHPlaylistCustomAutoSyncPreimage::~TZEPHPlaylistCustomAutoSyncPreimage() {
  if (FWatcher != nullptr) TZCLFileSystemWatcher::Remove(FWatcher);
}

void TZEPHPlaylistCustomAutoSyncPreimage::StorageChanged() {
  TZEPHPlaylistCustomPreimage::StorageChanged();
  if (FWatcher != nullptr) TZCLFileSystemWatcher::Remove(FWatcher);
  if (FStorage != nullptr && FAutoSyncOnChanges) FWatcher = CreateWatcher();
  if (IsAutoSync()) Invalidate();
}

void TZEPHPlaylistCustomAutoSyncPreimage::SetAutoSyncOnChanges(bool Value) {
  if (Value == FAutoSyncOnChanges) return;
  FAutoSyncOnChanges = Value;
  StorageChanged();
}

void TZEPHPlaylistCustomAutoSyncPreimage::WatcherChanged(IZCLFileSystemWatcherTask*) { Invalidate(); }

void TZEPHPlaylistCustomAutoSyncPreimage::DoAssign(TZEPHPlaylistCustomPreimage* Source) {
  TZEPHPlaylistCustomPreimage::DoAssign(Source);
  auto* source = dynamic_cast<TZEPHPlaylistCustomAutoSyncPreimage*>(Source);
  if (source == nullptr) return;
  SetAutoSyncOnChanges(false);
  AssignSource(Source);
  FAutoSyncOnStartup = source->FAutoSyncOnStartup;
  SetAutoSyncOnChanges(source->FAutoSyncOnChanges);
}

void TZEPHPlaylistCustomAutoSyncPreimage::LoadFromNode(TZCLXMLNode* Node, IZEPHPlaylistFilerContext* Context) {
  TZEPHPlaylistCustomPreimage::LoadFromNode(Node, Context);
  LoadSourceFromNode(Node, Context);
  FSyncPending = FAutoSyncOnStartup;
}

// ---------------------------------------------------------------------------------------------
// Factories and repository

TZEPHPlaylistPreimageFactory::~TZEPHPlaylistPreimageFactory() {
  const std::vector<TZEPHPlaylistCustomPreimage*> made = std::move(FPreimages);
  for (TZEPHPlaylistCustomPreimage* preimage : made) preimage->FactoryRemoved();
}

void TZEPHPlaylistPreimageFactory::PreimageDestroyed(TZEPHPlaylistCustomPreimage* Preimage) {
  FPreimages.erase(std::remove(FPreimages.begin(), FPreimages.end(), Preimage), FPreimages.end());
}

void TZEPHPlaylistPreimageRepository::Register(TZEPHPlaylistPreimageFactory* Factory) {
  if (GFactories == nullptr) GFactories = new std::vector<TZEPHPlaylistPreimageFactory*>();
  GFactories->push_back(Factory);
}

void TZEPHPlaylistPreimageRepository::Unregister(TZEPHPlaylistPreimageFactory*& Factory) {
  if (GFactories != nullptr)
    GFactories->erase(std::remove(GFactories->begin(), GFactories->end(), Factory), GFactories->end());
  delete Factory;
  Factory = nullptr;
}

bool TZEPHPlaylistPreimageRepository::FindFactory(const String& ID, TZEPHPlaylistPreimageFactory*& Factory) {
  Factory = nullptr;
  if (GFactories == nullptr) return false;
  for (TZEPHPlaylistPreimageFactory* f : *GFactories)
    if (f->GetID() == ID) {
      Factory = f;
      return true;
    }
  return false;
}

Integer TZEPHPlaylistPreimageRepository::Count() {
  return GFactories != nullptr ? static_cast<Integer>(GFactories->size()) : 0;
}

TZEPHPlaylistPreimageFactory* TZEPHPlaylistPreimageRepository::GetFactory(Integer Index) {
  return (*GFactories)[static_cast<size_t>(Index)];
}

TZEPHPlaylistCustomPreimage* TZEPHPlaylistPreimageRepository::CreatePreimage(TZEPHPlaylistStorage* Storage,
                                                                            TZCLXMLNode* Node,
                                                                            IZEPHPlaylistFilerContext* Context) {
  TZCLXMLNode* node = Node != nullptr ? Node->FindNode(u"preimage") : nullptr;
  TZEPHPlaylistPreimageFactory* factory = nullptr;
  if (node == nullptr || !FindFactory(node->GetAttributes()->GetValue(u"class"), factory)) return nullptr;
  std::unique_ptr<TZEPHPlaylistCustomPreimage> preimage(factory->CreatePreimage());
  preimage->SetStorage(Storage);
  preimage->LoadFromXML(Node, Context);
  return preimage.release();
}

TZEPHPlaylistCustomPreimage* TZEPHPlaylistPreimageRepository::CreatePreimage(TZEPHPlaylistStorage* Storage,
                                                                            const std::vector<Byte>& Document,
                                                                            IZEPHPlaylistFilerContext* Context) {
  TBytesStream stream(TBytes(Document.begin(), Document.end()));
  std::unique_ptr<TZCLXMLDocument> document(TZCLXMLDocument::CreateFromStream(&stream));
  return CreatePreimage(Storage, document.get(), Context);
}

void TZEPHPlaylistPreimageRepository::Finalize() {
  if (GFactories == nullptr) return;
  for (TZEPHPlaylistPreimageFactory* f : *GFactories) delete f;
  delete GFactories;
  GFactories = nullptr;
}
