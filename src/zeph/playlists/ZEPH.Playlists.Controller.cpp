#include "zeph/playlists/ZEPH.Playlists.Controller.h"

#include <memory>

#include "rtl/RTL.Exceptions.h"
#include "vcl/VCL.Controls.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.MUI.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/ui/ZCL.UI.DragDrop.Source.h"
#include "zeph/playlists/ZEPH.Playlists.Settings.h"

namespace {
TZEPHPlaylistController* GController = nullptr;
TZEPHInputQueryProc GInputQuery = nullptr;

// The name prompt: the prompt above the text being typed; Enter accepts, Escape cancels.
class TZEPHPlaylistNameBox : public TCustomControl {
  ZCL_CLASS(TZEPHPlaylistNameBox, TCustomControl)
 public:
  explicit TZEPHPlaylistNameBox(TComponent* AOwner) : TCustomControl(AOwner) {}
  String Prompt;
  String Value;

 protected:
  void Paint() override {
    TCanvas* canvas = GetCanvas();
    canvas->FillRect(GetClientRect());
    canvas->TextOut(8, 8, Prompt);
    canvas->TextOut(8, 32, Value + u"_");
  }
  void KeyPress(Char& Key) override {
    auto* form = static_cast<TCustomForm*>(GetOwner());
    if (Key == u'\r')
      form->SetModalResult(mrOk);
    else if (Key == 27)
      form->SetModalResult(mrCancel);
    else if (Key == u'\b') {
      if (!Value.empty()) Value.pop_back();
    } else if (Key >= u' ') {
      Value += Key;
    }
    Invalidate();
  }
};
}  // namespace

bool PlaylistInputQuery(TComponent* Owner, const String& Caption, const String& Prompt, String& Value) {
  // Freed through Free so that the form's BeforeDestruction runs.
  std::unique_ptr<TForm, void (*)(TForm*)> form(TCustomForm::CreateNew<TForm>(Owner), [](TForm* F) { Free(F); });
  form->SetCaption(Caption);
  form->SetBounds(0, 0, 360, 96);
  auto* box = Create<TZEPHPlaylistNameBox>(form.get());
  box->SetParent(form.get());
  box->SetAlign(alClient);
  box->Prompt = Prompt;
  box->Value = Value;
  form->SetActiveControl(box);
  if (form->ShowModal() != mrOk) return false;
  Value = box->Value;
  return true;
}

void SetPlaylistInputQuery(TZEPHInputQueryProc Proc) { GInputQuery = Proc; }

TZEPHPlaylistController* PlaylistController() {
  if (GController == nullptr) GController = new TZEPHPlaylistController();
  return GController;
}

TZEPHPlaylistController* PlaylistControllerIfExists() { return GController; }

void detail::PlaylistControllerFinalization() {
  delete GController;
  GController = nullptr;
}

// ---------------------------------------------------------------------------------------------

TZEPHPlaylistController::TZEPHPlaylistController()
    : FQueue(new TZEPHPlaylistQueue()), FListeners(new TZCLListenerList()) {
  FQueue->AddListener(this);
  TZBLFileChangeNotifier::Instance()->GetListeners()->Add(IPtr<IInterface>(static_cast<IZBLFileChangeNotification*>(this)));
}

TZEPHPlaylistController::~TZEPHPlaylistController() {
  FDestroying = true;
  TZBLFileChangeNotifier::Instance()->GetListeners()->Remove(
      IPtr<IInterface>(static_cast<IZBLFileChangeNotification*>(this)));
  FQueue->RemoveListener(this);
  for (Integer i = 0; i < FStorages->GetCount(); ++i) FStorages->Get(i)->SetStateBits(zpsManagerDestroying, true);
  FStorages->Clear();
  delete FListeners;
  delete FQueue;
}

void TZEPHPlaylistController::AddListener(IInterface* Listener) { FListeners->Add(IPtr<IInterface>(Listener)); }

void TZEPHPlaylistController::RemoveListener(IInterface* Listener) {
  if (FListeners != nullptr) FListeners->Remove(IPtr<IInterface>(Listener));
}

template <class F>
void TZEPHPlaylistController::EnumContainerListeners(F&& Proc) {
  FListeners->Enum<IZEPHPlaylistStorageContainerListener>(
      [&](const IPtr<IZEPHPlaylistStorageContainerListener>& L) { Proc(L.get()); });
}

void TZEPHPlaylistController::NotifyChanged() {
  if (OnChanged.Assigned()) OnChanged(this);
}

void TZEPHPlaylistController::DoChanged(Byte Kinds) {
  if (FDestroying) return;
  FListeners->Enum<IZEPHPlaylistControllerListener>(
      [&](const IPtr<IZEPHPlaylistControllerListener>& L) { L->ControllerChanged(Kinds); });
  if ((Kinds & zpccPlaybackStarted) && FPlayingStorage != FActiveStorage) {
    if (TZEPHPlaylistItem* entry = GetPlayingEntry()) entry->Focus(true);
  }
  NotifyChanged();
}

TZEPHPlaylistStorage* TZEPHPlaylistController::CreateStorage(const String& FileName, const String& Name,
                                                             const String& Remark) {
  if (FSingleMode && Count() > 0) {
    TZEPHPlaylistStorage* first = FStorages->First();
    if (!first->CanEdit()) {
      if (OnCannotModify.Assigned()) OnCannotModify(this);
      Abort();
    }
    first->Init(Name, FileName);
    return first;
  }
  auto* storage = new TZEPHPlaylistStorage(this);
  storage->GetListeners()->Add(IPtr<IInterface>(static_cast<IZEPHPlaylistStorageChangeListener*>(this)));
  try {
    storage->Init(Name, FileName, Remark);
  } catch (...) {
    delete storage;
    throw;
  }
  FStorages->Add(storage);
  DoStorageAdded(storage);
  return storage;
}

void TZEPHPlaylistController::DoStorageAdded(TZEPHPlaylistStorage* Storage) {
  EnumContainerListeners([&](IZEPHPlaylistStorageContainerListener* L) { L->StorageAdded(Storage); });
  if (FActiveStorage == nullptr) SetActiveStorage(Storage);
  NotifyChanged();
}

TZEPHPlaylistStorage* TZEPHPlaylistController::NewPlaylist(const String& Name, bool Activate) {
  TZEPHPlaylistStorage* storage = CreateStorage(String(), Name, String());
  if (Activate) SetActiveStorage(storage);
  return storage;
}

bool TZEPHPlaylistController::NewPlaylistAsk(TZEPHPlaylistStorage*& Storage, TComponent* Owner, bool Ask) {
  Storage = nullptr;
  String name = u"<AutoName>";
  if (Ask) {
    TZEPHInputQueryProc query = GInputQuery != nullptr ? GInputQuery : PlaylistInputQuery;
    if (!query(Owner, LangGetMsg(1), LangGetMsg(2), name)) return false;
  }
  Storage = NewPlaylist(name, true);
  return true;
}

TZEPHPlaylistStorage* TZEPHPlaylistController::OpenPlaylist(const String& FileName, bool Activate, Integer Index) {
  TZEPHPlaylistStorage* storage = CreateStorage(FileName, zcExtractFileNameWithoutExt(FileName), String());
  if (Index >= 0) storage->SetIndex(Index);
  if (Activate) SetActiveStorage(storage);
  return storage;
}

TZEPHPlaylistStorage* TZEPHPlaylistController::OpenPlaylists(const TZCLStringList* Files, bool Activate,
                                                             Integer Index) {
  TZEPHPlaylistStorage* first = nullptr;
  for (Integer i = 0; i < Files->GetCount(); ++i) {
    TZEPHPlaylistStorage* storage =
        OpenPlaylist(Files->GetStrings(i), i == 0 && Activate, Index >= 0 ? Index + i : -1);
    if (first == nullptr) first = storage;
  }
  return first;
}

void TZEPHPlaylistController::ClosePlaylist(TZEPHPlaylistStorage* Storage, Integer Mode) {
  if (!IsValidStorage(Storage)) return;
  if (Storage->GetReadOnly() && !FDestroying) return;
  if (Mode == 0)
    Mode = PlaylistCommonSettings()->GetOption(zpoDeleteStorageOnClosing) || !Storage->IsWorthKeeping() ? 1 : 2;
  if (Mode == 1) {
    Storage->DeleteFile();
  } else {
    Storage->Save();
    if (!Storage->GetFileName().empty()) zcFileSetAge(Storage->GetFileName(), 0);
  }
  const Integer position = FStorages->IndexOf(Storage);
  FStorages->Extract(Storage);
  if (FActiveStorage == Storage) {
    if (position < Count())
      SetActiveStorage(FStorages->Get(position));
    else if (position == 0)
      FActiveStorage = nullptr;
    else
      SetActiveStorage(FStorages->Get(position - 1));
  }
  // Its Removing notice lets the controller create the default playlist when none is left.
  delete Storage;
}

void TZEPHPlaylistController::ClosePlaylists(const std::vector<TZEPHPlaylistStorage*>& List) {
  for (auto it = List.rbegin(); it != List.rend(); ++it) ClosePlaylist(*it, 0);
}

bool TZEPHPlaylistController::AddFiles(const TZCLStringList* Files, bool Play, TZEPHPlaylistStorage* Storage,
                                       Integer InsertIndex, bool Activate) {
  TZEPHPlaylistStorage* target = Storage != nullptr ? Storage : FActiveStorage;
  if (target == nullptr) return false;
  // Files dropped from the program's own drag keep the order they were dragged in.
  Byte flags = zpafRecursive | (Play ? zpafPlay : zpafFocus);
  if (PlaylistCommonSettings()->GetOption(zpoAutoSortAddingFiles) && !IsDragging()) flags |= zpafSort;
  const bool result = target->AddFiles(Files, flags, InsertIndex, 0);
  if (Activate) SetActiveStorage(target);
  return result;
}

void TZEPHPlaylistController::EnsureDefault() {
  if (FDestroying) return;
  if (Count() == 0)
    NewPlaylist(u"Default", true);
  else if (FActiveStorage == nullptr)
    SetActiveStorage(FStorages->First());
}

void TZEPHPlaylistController::SetPlayingStorage(TZEPHPlaylistStorage* Value) {
  if (Value == FPlayingStorage) return;
  FPlayingStorage = Value;
  DoChanged(zpccPlayingStorage | zpccShuffle);
}

TZEPHPlaylistItem* TZEPHPlaylistController::GetPlayingEntry() const {
  return FPlayingStorage != nullptr ? FPlayingStorage->GetPlaybackCursorItem() : nullptr;
}

bool TZEPHPlaylistController::GetShuffle() const {
  if (!FShufflePerPlaylist) return FShuffle;
  if (FPlayingStorage != nullptr) return FPlayingStorage->GetShuffled();
  if (FActiveStorage != nullptr) return FActiveStorage->GetShuffled();
  return FShuffle;
}

bool TZEPHPlaylistController::IsValidStorage(TZEPHPlaylistStorage* Storage) const {
  return Storage != nullptr && FStorages->IndexOf(Storage) >= 0;
}

bool TZEPHPlaylistController::IsValidEntry(TZEPHPlaylistItem* Entry) const {
  return Entry != nullptr && IsValidStorage(Entry->GetStorage()) && Entry->GetStorage()->GetItems()->IndexOf(Entry) >= 0;
}

void TZEPHPlaylistController::FocusEntry(TZEPHPlaylistItem* Entry) {
  if (!IsValidEntry(Entry)) return;
  TZEPHPlaylistStorage* storage = Entry->GetStorage();
  SetActiveStorage(storage);
  FListeners->Enum<IZEPHPlaylistStorageContainerListener2>(
      [&](const IPtr<IZEPHPlaylistStorageContainerListener2>& L) { L->FocusActiveStorage(storage); });
  Entry->Focus(true);
}

void TZEPHPlaylistController::PlaybackStarted(IZEPHPlaybackQueueItemInternal* QueueItem) {
  TZEPHPlaylistItem* entry = QueueItem != nullptr ? QueueItem->GetEntry() : nullptr;
  if (!IsValidEntry(entry)) return;
  SetPlayingStorage(entry->GetStorage());
  entry->GetStorage()->PlaybackStarted(QueueItem);
  FQueue->ItemStarted(entry, QueueItem->HasFlags(zpqiFromQueue));
  DoChanged(zpccPlaybackStarted);
}

void TZEPHPlaylistController::ActiveStorageChanged() {
  TZEPHPlaylistStorageManager::ActiveStorageChanged();
  DoChanged(FShufflePerPlaylist ? zpccActiveStorage | zpccShuffle : zpccActiveStorage);
}

void TZEPHPlaylistController::PlayingEntryRemoving(bool DeleteFiles, TZEPHPlaylistItem* Entry, bool& Restart) {
  if (OnPlayingEntryRemoving.Assigned()) OnPlayingEntryRemoving(Entry->GetStorage(), DeleteFiles, Entry, Restart);
}

void TZEPHPlaylistController::PlayRequest(TObject* Object) {
  if (!OnPlay.Assigned()) return;
  if (auto* entry = dynamic_cast<TZEPHPlaylistItem*>(Object))
    OnPlay(entry->GetStorage(), entry->GetIndex());
  else if (auto* storage = dynamic_cast<TZEPHPlaylistStorage*>(Object))
    OnPlay(storage, -1);
}

void TZEPHPlaylistController::RestartPlayback(TZEPHPlaylistStorage* Storage) {
  if (OnRestartPlayback.Assigned()) OnRestartPlayback(Storage);
}

void TZEPHPlaylistController::StorageInitialized(TZEPHPlaylistStorage* Storage) {
  if (!FShufflePerPlaylist) Storage->SetShuffled(GetShuffle());
}

void TZEPHPlaylistController::StorageMoved(TZEPHPlaylistStorage* Storage, Integer OldIndex, Integer NewIndex) {
  EnumContainerListeners([&](IZEPHPlaylistStorageContainerListener* L) { L->StorageMoved(Storage, OldIndex, NewIndex); });
}

void TZEPHPlaylistController::QueueEntries(const std::vector<TZEPHPlaylistItem*>& Entries) { FQueue->Add(Entries, false); }

void TZEPHPlaylistController::EntryRemoving(TZEPHPlaylistItem* Entry) { FQueue->Remove(Entry, false); }

void TZEPHPlaylistController::StorageClearing(TZEPHPlaylistStorage* Storage) { FQueue->RemoveStorage(Storage); }

void TZEPHPlaylistController::Changed(TZEPHPlaylistStorage* Storage, Word Flags, void* Reserved) {
  EnumContainerListeners([&](IZEPHPlaylistStorageContainerListener* L) { L->StorageChanged(Storage, Flags, Reserved); });
  if ((Flags & zpcPlaybackOrder) && Storage == FPlayingStorage) DoChanged(zpccPlayingStorage);
  if (Flags & (zpcReadOnly | zpcPreimage)) NotifyChanged();
  if ((Flags & ~zpcSelection) && OnStorageChanged.Assigned()) OnStorageChanged(this);
}

void TZEPHPlaylistController::Removing(TZEPHPlaylistStorage* Storage) {
  if (FActiveStorage == Storage) FActiveStorage = nullptr;
  if (FPlayingStorage == Storage) SetPlayingStorage(nullptr);
  EnumContainerListeners([&](IZEPHPlaylistStorageContainerListener* L) { L->StorageRemoved(Storage); });
  // The playlist is already out of the list when it is closed; freeing the controller skips this.
  if (!FDestroying && FStorages->IndexOf(Storage) < 0) EnsureDefault();
  NotifyChanged();
}

void TZEPHPlaylistController::FileChanged(const String& FileName, Byte Kind, const String& NewName) {
  if (Kind != zfckRenamed) return;
  const Cardinal hash = ZEPHPlaylistFileNameHash(FileName);
  for (Integer i = 0; i < FStorages->GetCount(); ++i) FStorages->Get(i)->RenameFileInEntries(FileName, hash, NewName);
}
