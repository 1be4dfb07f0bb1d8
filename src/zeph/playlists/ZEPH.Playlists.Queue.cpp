#include "zeph/playlists/ZEPH.Playlists.Queue.h"

#include "rtl/RTL.Numbers.h"

namespace {
const char16_t* const kMarks[2] = {u"", u"+"};
}

TZEPHPlaylistQueue::TZEPHPlaylistQueue() : FItems(new TZEPHPlaylistItems(false)), FListeners(new TZCLListenerList()) {}

TZEPHPlaylistQueue::~TZEPHPlaylistQueue() {
  delete FListeners;
  delete FItems;
}

void TZEPHPlaylistQueue::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0 && FNotifyPending) Notify(true, true);
}

void TZEPHPlaylistQueue::Add(const std::vector<TZEPHPlaylistItem*>& Entries, bool AtTop) {
  BeginUpdate();
  if (AtTop)
    for (auto it = Entries.rbegin(); it != Entries.rend(); ++it) FItems->Insert(0, *it);
  else
    for (TZEPHPlaylistItem* entry : Entries) FItems->Add(entry);
  if (!Entries.empty()) Notify(true, true);
  EndUpdate();
}

void TZEPHPlaylistQueue::Delete(Integer Index) {
  if (Index < 0 || Index >= Count()) return;
  FItems->Delete(Index);
  Notify(true, true);
}

void TZEPHPlaylistQueue::Remove(TZEPHPlaylistItem* Entry, bool FirstOnly) {
  BeginUpdate();
  for (Integer i = FirstOnly ? IndexOf(Entry) : Count() - 1; i >= 0; --i) {
    if (FItems->Get(i) != Entry) continue;
    Delete(i);
    if (FirstOnly) break;
  }
  EndUpdate();
}

void TZEPHPlaylistQueue::RemoveEntries(const std::vector<TZEPHPlaylistItem*>& Entries, bool FirstOnly) {
  BeginUpdate();
  for (TZEPHPlaylistItem* entry : Entries) Remove(entry, FirstOnly);
  EndUpdate();
}

void TZEPHPlaylistQueue::RemoveStorage(TZEPHPlaylistStorage* Storage) {
  BeginUpdate();
  for (Integer i = Count() - 1; i >= 0; --i)
    if (FItems->Get(i)->GetStorage() == Storage) Delete(i);
  EndUpdate();
}

TZEPHPlaylistItem* TZEPHPlaylistQueue::Items(Integer Index) const {
  return Index >= 0 && Index < Count() ? FItems->Get(Index) : nullptr;
}

void TZEPHPlaylistQueue::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  Notify(false, true);
}

String TZEPHPlaylistQueue::GetMarkText(TZEPHPlaylistItem* Entry) const {
  const Integer first = IndexOf(Entry);
  if (first < 0) return String();
  bool again = false;
  for (Integer i = first + 1; i < Count() && !again; ++i) again = FItems->Get(i) == Entry;
  return u"[" + IntToStr(first + 1) + kMarks[again ? 1 : 0] + u"]";
}

void TZEPHPlaylistQueue::ItemStarted(TZEPHPlaylistItem* Entry, bool FromQueue) {
  if (FromQueue && Count() > 0 && FItems->Get(0) == Entry) Delete(0);
}

void TZEPHPlaylistQueue::AddListener(IZEPHPlaylistQueueListener* Listener) {
  FListeners->Add(IPtr<IInterface>(static_cast<IInterface*>(Listener)));
}

void TZEPHPlaylistQueue::RemoveListener(IZEPHPlaylistQueueListener* Listener) {
  FListeners->Remove(IPtr<IInterface>(static_cast<IInterface*>(Listener)));
}

void TZEPHPlaylistQueue::Notify(bool Content, bool State) {
  FNotifyPending = true;
  if (FUpdateCount != 0) return;
  FListeners->Enum<IZEPHPlaylistQueueListener>([&](const IPtr<IZEPHPlaylistQueueListener>& L) {
    if (Content) L->ContentChanged();
    if (State) L->StateChanged();
  });
  FNotifyPending = false;
}
