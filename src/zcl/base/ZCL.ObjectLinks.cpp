#include "zcl/base/ZCL.ObjectLinks.h"

#include <algorithm>
#include <exception>
#include <memory>

#include "rtl/RTL.Classes.h"
#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.Threading.h"

// The record of one object. Each list is made when its first entry arrives; entries keep their
// order and may repeat.
class TZCLObjectLink {
 public:
  struct TWeakReference {
    void* Variable;
    void (*Clear)(void* Variable);
  };

  explicit TZCLObjectLink(TObject* AObject) : Object(AObject) {}
  TZCLObjectLink(const TZCLObjectLink&) = delete;
  TZCLObjectLink& operator=(const TZCLObjectLink&) = delete;
  // Destruction clears the weak references, unlinks, tells the listeners (see Destroy).
  ~TZCLObjectLink() = default;

  bool QueryExtension(const TGUID& IID, void** Out) const;

  TObject* Object;
  std::vector<TZCLObjectLink*> Links;
  std::vector<IPtr<IInterface>> Extensions;
  std::vector<IPtr<IZCLObjectRemoveNotify>> RemoveListeners;
  std::vector<TWeakReference> WeakReferences;
};

namespace {
// Tells the registry when a plain component that has a record is destroyed.
class TFreeNotifier : public TComponent {
 public:
  TFreeNotifier() : TComponent(nullptr) {}

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove) TZCLObjectLinks::Release(AComponent);
  }
};

TZCLCriticalSection* GLock = nullptr;
TZCLDictionary<TObject*, TZCLObjectLink*>* GRegistry = nullptr;
TFreeNotifier* GFreeNotifier = nullptr;

TZCLObjectLink* FindLink(TObject* Object) {
  TZCLObjectLink* link = nullptr;
  if (GRegistry && Object) GRegistry->TryGetValue(Object, link);
  return link;
}

// Under the lock.
TZCLObjectLink* FindOrCreateLink(TObject* Object) {
  if (TZCLObjectLink* link = FindLink(Object)) return link;
  if (!Object || !GRegistry) throw Exception(u"Object must implement the IZCLObjectLinksSupport interface");
  if (!Supports<IZCLObjectLinksSupport>(Object)) {
    auto* component = dynamic_cast<TComponent*>(Object);
    if (!component) throw Exception(u"Object must implement the IZCLObjectLinksSupport interface");
    component->FreeNotification(GFreeNotifier);
  }
  auto* link = new TZCLObjectLink(Object);
  try {
    GRegistry->Add(Object, link);
  } catch (...) {
    delete link;
    throw;
  }
  return link;
}

template <class T>
void RemoveFirst(std::vector<T>& List, const T& Item) {
  auto it = std::find(List.begin(), List.end(), Item);
  if (it != List.end()) List.erase(it);
}

// A record whose listeners are being told. A listener that unregisters meanwhile (freed by an
// earlier listener's work, or by its own) is skipped, and the one being told is not touched again
// once it went.
struct TDyingWalk {
  TZCLObjectLink* Link;
  IZCLObjectRemoveNotify* Current = nullptr;
  bool CurrentGone = false;
};
std::vector<TDyingWalk*> GDyingWalks;

// Under the lock (when there is one). True when the registration for Object was found there.
bool ForgetDyingListener(const IPtr<IZCLObjectRemoveNotify>& Listener, TObject* Object) {
  for (TDyingWalk* walk : GDyingWalks) {
    if (Object && walk->Link->Object != Object) continue;
    bool found = false;
    if (Listener.get() == walk->Current && !walk->CurrentGone) {
      walk->CurrentGone = found = true;
    } else {
      auto& listeners = walk->Link->RemoveListeners;
      auto it = std::find(listeners.begin(), listeners.end(), Listener);
      if (it != listeners.end()) {
        *it = nullptr;
        found = true;
      }
    }
    if (Object && found) return true;
  }
  return false;
}

// Runs after the record left the registry, without the lock except for the unlinking.
void DestroyLink(TZCLObjectLink* Link) {
  std::unique_ptr<TZCLObjectLink> owned(Link);
  for (const auto& ref : Link->WeakReferences) ref.Clear(ref.Variable);
  Link->WeakReferences.clear();
  if (!Link->Links.empty()) {
    if (GLock) {
      TZCLLockGuard guard(*GLock);
      for (auto it = Link->Links.rbegin(); it != Link->Links.rend(); ++it) RemoveFirst((*it)->Links, Link);
    } else {
      for (auto it = Link->Links.rbegin(); it != Link->Links.rend(); ++it) RemoveFirst((*it)->Links, Link);
    }
    Link->Links.clear();
  }
  // Newest first; each entry is dropped once told, so a listener is never told twice. The entries
  // stay in the record meanwhile, so that those unregistered during the walk are skipped.
  TDyingWalk walk{Link};
  auto enter = [&](bool Add) {
    std::unique_ptr<TZCLLockGuard> guard(GLock ? new TZCLLockGuard(*GLock) : nullptr);
    if (Add)
      GDyingWalks.push_back(&walk);
    else
      GDyingWalks.erase(std::find(GDyingWalks.begin(), GDyingWalks.end(), &walk));
  };
  enter(true);
  try {
    for (size_t i = Link->RemoveListeners.size(); i-- > 0;) {
      IPtr<IZCLObjectRemoveNotify> listener = std::move(Link->RemoveListeners[i]);
      if (!listener) continue;
      walk.Current = listener.get();
      walk.CurrentGone = false;
      // A counted listener stays alive through the reference held here; one whose owner frees
      // it may be destroyed by its own notification and must not be touched afterwards.
      const bool counted = listener->_AddRef() != -1;
      if (counted) listener->_Release();
      listener->OnRemove(Link->Object);
      walk.Current = nullptr;
      if (walk.CurrentGone && !counted) listener.detach();
    }
  } catch (...) {
    enter(false);
    throw;
  }
  enter(false);
}
}  // namespace

bool TZCLObjectLink::QueryExtension(const TGUID& IID, void** Out) const {
  for (auto it = Extensions.rbegin(); it != Extensions.rend(); ++it)
    if (*it && (*it)->QueryInterface(IID, Out) == S_OK) return true;
  for (auto it = Links.rbegin(); it != Links.rend(); ++it)
    if (Out ? Supports((*it)->Object, IID, Out) : Supports((*it)->Object, IID)) return true;
  if (Out) *Out = nullptr;
  return false;
}

void TZCLObjectLinks::RegisterWeakReferenceCore(TObject* Object, void* Variable, TClearProc Clear) {
  if (!GLock) throw Exception(u"Object must implement the IZCLObjectLinksSupport interface");
  TZCLLockGuard guard(*GLock);
  FindOrCreateLink(Object)->WeakReferences.push_back({Variable, Clear});
}

void TZCLObjectLinks::UnregisterWeakReferenceCore(TObject* Object, void* Variable) {
  if (!GLock) return;
  TZCLLockGuard guard(*GLock);
  if (TZCLObjectLink* link = FindLink(Object)) {
    auto& refs = link->WeakReferences;
    auto it = std::find_if(refs.begin(), refs.end(), [&](const auto& ref) { return ref.Variable == Variable; });
    if (it != refs.end()) refs.erase(it);
  }
}

void TZCLObjectLinks::RegisterRemoveListener(TObject* Object, const IPtr<IZCLObjectRemoveNotify>& Listener) {
  if (!GLock) throw Exception(u"Object must implement the IZCLObjectLinksSupport interface");
  TZCLLockGuard guard(*GLock);
  FindOrCreateLink(Object)->RemoveListeners.push_back(Listener);
}

void TZCLObjectLinks::UnregisterRemoveListener(const IPtr<IZCLObjectRemoveNotify>& Listener, TObject* Object) {
  if (!GLock) return;
  TZCLLockGuard guard(*GLock);
  if (!GDyingWalks.empty() && ForgetDyingListener(Listener, Object) && Object) return;
  if (Object) {
    if (TZCLObjectLink* link = FindLink(Object)) RemoveFirst(link->RemoveListeners, Listener);
    return;
  }
  for (const auto& item : GRegistry->GetTable())
    if (item.Hash != -1) RemoveFirst(item.Value->RemoveListeners, Listener);
}

void TZCLObjectLinks::RegisterExtension(TObject* Object, const IPtr<IInterface>& Extension) {
  if (!GLock) throw Exception(u"Object must implement the IZCLObjectLinksSupport interface");
  TZCLLockGuard guard(*GLock);
  FindOrCreateLink(Object)->Extensions.push_back(Extension);
}

void TZCLObjectLinks::Link(TObject* Object1, TObject* Object2) {
  if (!Object1 || !Object2) throw Exception(u"Objects must not be nil");
  if (!GLock) throw Exception(u"Object must implement the IZCLObjectLinksSupport interface");
  TZCLLockGuard guard(*GLock);
  TZCLObjectLink* link1 = FindOrCreateLink(Object1);
  TZCLObjectLink* link2 = FindOrCreateLink(Object2);
  link1->Links.push_back(link2);
  link2->Links.push_back(link1);
}

bool TZCLObjectLinks::GetExtension(TObject* Object, const TGUID& IID, void** Out) {
  if (Out) *Out = nullptr;
  if (!Object || !GLock) return false;
  TZCLLockGuard guard(*GLock);
  TZCLObjectLink* link = FindLink(Object);
  return link && link->QueryExtension(IID, Out);
}

void TZCLObjectLinks::Release(TObject* Object) {
  if (!GRegistry || !Object) return;
  TZCLObjectLink* link = nullptr;
  {
    TZCLLockGuard guard(*GLock);
    if (!GRegistry->TryGetValue(Object, link)) return;
    GRegistry->Remove(Object);
  }
  DestroyLink(link);
}

void TZCLObjectLinks::Initialize() {
  GLock = Create<TZCLCriticalSection>(nullptr, u"TZCLObjectLinks");
  GRegistry = Create<TZCLDictionary<TObject*, TZCLObjectLink*>>();
  GFreeNotifier = Create<TFreeNotifier>();
}

void TZCLObjectLinks::Finalize() {
  FreeAndNil(GFreeNotifier);
  // The records still registered are destroyed as if their objects went: variables cleared,
  // listeners told. The registry is gone first, so nothing registers anew meanwhile.
  auto* registry = std::exchange(GRegistry, nullptr);
  if (registry) {
    std::vector<TZCLObjectLink*> links;
    for (const auto& item : registry->GetTable())
      if (item.Hash != -1) links.push_back(item.Value);
    Free(registry);
    for (TZCLObjectLink* link : links) link->Links.clear();
    for (TZCLObjectLink* link : links) {
      try {
        DestroyLink(link);
      } catch (...) {
        // A listener that raises at process end must not stop the others.
      }
    }
  }
  FreeAndNil(GLock);
}
