#pragma once
// The playback queue: entries the user wants to hear next, ahead of the playlists' own order.

#include "zeph/playlists/ZEPH.Playlists.Storage.h"

struct IZEPHPlaylistQueueListener : virtual IInterface {
  RTL_INTERFACE(IZEPHPlaylistQueueListener, IInterface, "{6C1F4B27-8D3A-4E59-9B02-7A5E3D1C8F46}")
  virtual void ContentChanged() = 0;
  virtual void StateChanged() = 0;
};

class TZEPHPlaylistQueue : public TZCLUnknownObject {
  ZCL_CLASS(TZEPHPlaylistQueue, TZCLUnknownObject)
 public:
  TZEPHPlaylistQueue();
  ~TZEPHPlaylistQueue() override;

  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  // With AtTop the entries go to the front in their order.
  void Add(const std::vector<TZEPHPlaylistItem*>& Entries, bool AtTop);
  void Delete(Integer Index);
  void Remove(TZEPHPlaylistItem* Entry, bool FirstOnly);
  void RemoveEntries(const std::vector<TZEPHPlaylistItem*>& Entries, bool FirstOnly);
  void RemoveStorage(TZEPHPlaylistStorage* Storage);
  Integer IndexOf(TZEPHPlaylistItem* Entry) const { return FItems->IndexOf(Entry); }
  Integer Count() const { return FItems->GetCount(); }
  TZEPHPlaylistItem* Items(Integer Index) const;
  bool IsActive() const { return FEnabled && Count() > 0; }
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  // "[n]" with the first position, "[n+]" when queued more than once, empty when not queued.
  String GetMarkText(TZEPHPlaylistItem* Entry) const;
  // An entry the player started; FromQueue tells that the queue handed it out.
  // FIXME: takes the player's queue item once the order-of-play items exist.
  void ItemStarted(TZEPHPlaylistItem* Entry, bool FromQueue);
  void AddListener(IZEPHPlaylistQueueListener* Listener);
  void RemoveListener(IZEPHPlaylistQueueListener* Listener);
  void Notify(bool Content, bool State);

 private:
  TZEPHPlaylistItems* FItems;
  TZCLListenerList* FListeners;
  Integer FUpdateCount = 0;
  bool FEnabled = true;
  bool FNotifyPending = true;
};
