#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "rtl/RTL.Classes.h"
#include "rtl/RTL.Strings.h"
#include "rtl/RTL.TypInfo.h"

namespace {
std::vector<String> GLog;

// A component that logs its life and the notifications it receives.
class TLogged : public TComponent {
  ZCL_CLASS(TLogged, TComponent)
 public:
  using TComponent::TComponent;
  ~TLogged() override { GLog.push_back(u"~" + GetName()); }
  String Label = u"alive";
  // The component this one watches through free notification.
  TLogged* Watched = nullptr;
  void Watch(TLogged* Other) {
    Watched = Other;
    Other->FreeNotification(this);
  }

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    inherited::Notification(AComponent, Operation);
    auto* logged = dynamic_cast<TLogged*>(AComponent);
    // The notified component still sees the whole object, derived fields included.
    GLog.push_back(GetName() + (Operation == opInsert ? u"+" : u"-") +
                   (logged ? logged->GetName() + u":" + logged->Label : u"?"));
    if (Operation == opRemove && AComponent == Watched) Watched = nullptr;
  }
};

TLogged* Make(TComponent* Owner, const String& Name) {
  TLogged* c = Create<TLogged>(Owner);
  c->SetName(Name);
  return c;
}

class Classes : public ::testing::Test {
 protected:
  void SetUp() override { GLog.clear(); }
};
}  // namespace

TEST_F(Classes, OwnerFreesItsTreeOnceLastCreatedFirst) {
  TLogged* root = Make(nullptr, u"Root");
  TLogged* a = Make(root, u"A");
  Make(a, u"A1");
  Make(a, u"A2");
  Make(root, u"B");
  ASSERT_EQ(root->GetComponentCount(), 2);
  EXPECT_EQ(root->GetComponent(0), a);
  EXPECT_EQ(a->GetOwner(), root);
  GLog.clear();
  Free(root);
  // Children go before their owner, last created first; each destructor runs once.
  const std::vector<String> destructors{u"~B", u"~A2", u"~A1", u"~A", u"~Root"};
  std::vector<String> seen;
  for (const String& line : GLog)
    if (line[0] == u'~') seen.push_back(line);
  EXPECT_EQ(seen, destructors);
}

TEST_F(Classes, OwnerIsToldOfInsertionWithTheWholeObjectAndOfRemoval) {
  TLogged* root = Make(nullptr, u"Root");
  GLog.clear();
  TLogged* child = Create<TLogged>(root);
  // The owner's override sees a TLogged, not a half-built TComponent; the owner passes the
  // notification to everything it owns, the new component included.
  EXPECT_EQ(GLog, (std::vector<String>{u"+:alive", u"Root+:alive"}));
  child->SetName(u"C");
  TLogged* sibling = Make(root, u"S");
  GLog.clear();
  Free(child);
  EXPECT_EQ(GLog, (std::vector<String>{u"S-C:alive", u"C-C:alive", u"Root-C:alive", u"~C"}));
  EXPECT_EQ(root->GetComponentCount(), 1);
  EXPECT_EQ(root->GetComponent(0), sibling);
  Free(root);
}

TEST_F(Classes, FreeNotificationReachesTheWatcherBeforeTheWatchedIsGone) {
  TLogged* watcher = Make(nullptr, u"Watcher");
  TLogged* watched = Make(nullptr, u"Watched");
  watched->Label = u"whole";
  watcher->Watch(watched);
  EXPECT_TRUE(watched->GetComponentState().Contains(csFreeNotification));
  GLog.clear();
  Free(watched);
  EXPECT_EQ(GLog, (std::vector<String>{u"Watcher-Watched:whole", u"~Watched"}));
  EXPECT_EQ(watcher->Watched, nullptr);

  // The other way round: a freed watcher is forgotten by what it watched (no dangling pointer:
  // freeing the watched one later must not call it).
  TLogged* second = Make(nullptr, u"Second");
  watcher->Watch(second);
  Free(watcher);
  GLog.clear();
  Free(second);
  EXPECT_EQ(GLog, (std::vector<String>{u"~Second"}));

  // RemoveFreeNotification ends it.
  TLogged* x = Make(nullptr, u"X");
  TLogged* y = Make(nullptr, u"Y");
  x->FreeNotification(y);
  x->RemoveFreeNotification(y);
  GLog.clear();
  Free(x);
  EXPECT_EQ(GLog, (std::vector<String>{u"~X"}));
  Free(y);
}

namespace {
// Renames without the checks, as a descendant may.
class TRenamer : public TComponent {
  ZCL_CLASS(TRenamer, TComponent)
 public:
  using TComponent::TComponent;
  void ForceName(const String& Name) { ChangeName(Name); }
};
}  // namespace

// Long sibling lists are looked up through an index: it must follow every way a name or an
// owner changes.
TEST_F(Classes, NameLookupFollowsRenamesMovesAndFrees) {
  TComponent* root = Create<TComponent>(nullptr);
  TComponent* other = Create<TComponent>(nullptr);
  std::vector<TComponent*> c;
  for (int i = 0; i < 40; ++i) {
    c.push_back(i == 11 ? Create<TRenamer>(root) : Create<TComponent>(root));
    c.back()->SetName(u"C" + UTF8ToString(std::to_string(i)));
  }
  EXPECT_EQ(root->FindComponent(u"c7"), c[7]);
  c[7]->SetName(u"Moved");
  EXPECT_EQ(root->FindComponent(u"C7"), nullptr);
  EXPECT_EQ(root->FindComponent(u"MOVED"), c[7]);
  EXPECT_THROW(c[8]->SetName(u"c9"), EComponentError);
  root->RemoveComponent(c[9]);
  EXPECT_EQ(root->FindComponent(u"C9"), nullptr);
  other->InsertComponent(c[9]);
  EXPECT_EQ(other->FindComponent(u"C9"), c[9]);
  c[8]->SetName(u"C9");
  EXPECT_EQ(root->FindComponent(u"C9"), c[8]);
  EXPECT_THROW(root->InsertComponent(c[9]), EComponentError);
  Free(c[10]);
  EXPECT_EQ(root->FindComponent(u"C10"), nullptr);
  c[20]->SetName(u"");
  EXPECT_EQ(root->FindComponent(u"C20"), nullptr);
  // Two siblings of one name: the first in the list is found, the other once the first is gone.
  static_cast<TRenamer*>(c[11])->ForceName(u"C12");
  EXPECT_EQ(root->FindComponent(u"C12"), c[11]);
  Free(c[11]);
  EXPECT_EQ(root->FindComponent(u"C12"), c[12]);
  EXPECT_EQ(root->FindComponent(u"C39"), c[39]);
  Free(other);
  Free(root);
}

namespace {
// Looks up its neighbours by name while it is freed with its owner.
class TNeighbourProbe : public TComponent {
  ZCL_CLASS(TNeighbourProbe, TComponent)
 public:
  using TComponent::TComponent;
  ~TNeighbourProbe() override {
    if (Root) *Seen += (Root->FindComponent(Before) != nullptr ? "b" : "-") +
                       std::string(Root->FindComponent(After) != nullptr ? "a" : "-");
  }
  TComponent* Root = nullptr;
  String Before, After;
  std::string* Seen = nullptr;
};
}  // namespace

// An owner being freed frees its components last first; look-ups meanwhile see exactly those left.
TEST_F(Classes, NameLookupWhileTheOwnerIsFreed) {
  TComponent* root = Create<TComponent>(nullptr);
  std::string seen;
  auto name = [](int I) { return u"C" + UTF8ToString(std::to_string(I)); };
  for (int i = 0; i < 40; ++i) {
    auto* probe = Create<TNeighbourProbe>(root);
    probe->SetName(name(i));
    probe->Root = root;
    probe->Before = name(i - 1);
    probe->After = name(i + 1);
    probe->Seen = &seen;
  }
  EXPECT_EQ(root->FindComponent(u"C20"), root->GetComponent(20));  // the index is in use
  Free(root);
  std::string expected;
  for (int i = 39; i >= 0; --i) expected += i > 0 ? "b-" : "--";
  EXPECT_EQ(seen, expected);
}

// Many renames and frees in a long list, checked against a plain scan of the siblings.
TEST_F(Classes, NameLookupAgreesWithAScanAfterManyChanges) {
  TComponent* root = Create<TComponent>(nullptr);
  std::vector<TComponent*> live;
  uint32_t x = 1;
  auto next = [&] { return (x = x * 1103515245 + 12345) >> 8; };
  auto name = [&](uint32_t N) { return u"N" + UTF8ToString(std::to_string(N % 700)); };
  for (int step = 0; step < 3000; ++step) {
    const uint32_t op = next() % 4;
    if (op == 0 || live.size() < 20) {
      TComponent* c = Create<TComponent>(root);
      if (!root->FindComponent(name(step))) c->SetName(name(step));
      live.push_back(c);
    } else if (op == 1) {
      const size_t i = next() % live.size();
      Free(live[i]);
      live.erase(live.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      const String wanted = name(next());
      if (!root->FindComponent(wanted)) live[next() % live.size()]->SetName(wanted);
    }
    const String probe = name(next());
    TComponent* scanned = nullptr;
    for (Integer i = 0; i < root->GetComponentCount() && !scanned; ++i)
      if (SameText(root->GetComponent(i)->GetName(), probe)) scanned = root->GetComponent(i);
    ASSERT_EQ(root->FindComponent(probe), scanned) << step;
  }
  Free(root);
}

// Plain siblings are not told of one another, but whatever may react still hears, in list order.
TEST_F(Classes, NotificationsReachEveryComponentThatMayReactInListOrder) {
  TLogged* root = Make(nullptr, u"Root");
  for (int i = 0; i < 30; ++i) Create<TComponent>(root);
  TLogged* a = Make(root, u"A");
  TLogged* b = Make(root, u"B");
  TComponent* plain = Create<TComponent>(root);
  TLogged* c = Make(root, u"C");
  c->SetComponentIndex(0);
  // A plain component that comes to own one passes notifications on to it.
  Make(plain, u"Inner");
  GLog.clear();
  TLogged* d = Create<TLogged>(root);
  EXPECT_EQ(GLog,
            (std::vector<String>{u"+:alive", u"Inner+:alive", u"B+:alive", u"A+:alive", u"C+:alive", u"Root+:alive"}));
  (void)a, (void)b, (void)d;
  Free(root);
}

TEST_F(Classes, NamesAreIdentifiersUniqueAmongSiblings) {
  TComponent* root = Create<TComponent>(nullptr);
  TComponent* a = Create<TComponent>(root);
  TComponent* b = Create<TComponent>(root);
  a->SetName(u"Button1");
  EXPECT_EQ(root->FindComponent(u"BUTTON1"), a);
  EXPECT_EQ(root->FindComponent(u""), nullptr);
  EXPECT_EQ(root->FindComponent(u"Other"), nullptr);

  struct TCase {
    const char16_t* Name;
    const char16_t* Error;  // null when accepted
  };
  const TCase cases[] = {
      {u"1abc", u"'1abc' is not a valid component name"},
      {u"a b", u"'a b' is not a valid component name"},
      {u"a.b", u"'a.b' is not a valid component name"},
      {u"button1", u"A component named button1 already exists"},
      {u"_ok2", nullptr},
      {u"", nullptr},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(StringToUTF8(c.Name));
    const String before = b->GetName();
    try {
      b->SetName(c.Name);
      EXPECT_EQ(c.Error, nullptr);
      EXPECT_EQ(b->GetName(), c.Name);
    } catch (const EComponentError& e) {
      ASSERT_NE(c.Error, nullptr);
      EXPECT_EQ(e.GetMessage(), c.Error);
      EXPECT_EQ(b->GetName(), before);
    }
  }
  // A change of letter case of its own name is no clash; two unnamed siblings are fine.
  a->SetName(u"BUTTON1");
  EXPECT_EQ(a->GetName(), u"BUTTON1");

  // Inserting a component whose name is taken fails and leaves it where it was.
  TComponent* other = Create<TComponent>(nullptr);
  TComponent* stranger = Create<TComponent>(other);
  stranger->SetName(u"Button1");
  EXPECT_THROW(root->InsertComponent(stranger), EComponentError);
  EXPECT_EQ(stranger->GetOwner(), other);
  // Moving between owners.
  stranger->SetName(u"Moved");
  root->InsertComponent(stranger);
  EXPECT_EQ(stranger->GetOwner(), root);
  EXPECT_EQ(other->GetComponentCount(), 0);
  EXPECT_EQ(stranger->GetComponentIndex(), 2);
  stranger->SetComponentIndex(0);
  EXPECT_EQ(root->GetComponent(0), stranger);
  // An owner inside the component's own tree is refused.
  EXPECT_THROW(stranger->InsertComponent(root), EComponentError);
  EXPECT_THROW(root->GetComponent(3), EListError);
  Free(other);
  Free(root);
}

TEST_F(Classes, ComponentsAreCreatedByClassNameAndAnswerIInterfaceUncounted) {
  RegisterClass(TLogged::StaticClass());
  TComponent* root = Create<TComponent>(nullptr);
  TComponent* made = FindClass(u"TLogged")->Create<TComponent>(root);
  EXPECT_EQ(made->ClassName(), u"TLogged");
  EXPECT_EQ(made->GetOwner(), root);
  EXPECT_EQ(GLog, (std::vector<String>{u"+:alive"}));  // only the new component logs

  IInterface* intf = nullptr;
  EXPECT_EQ(made->QueryInterface(IInterface::IID, reinterpret_cast<void**>(&intf)), S_OK);
  EXPECT_EQ(intf, static_cast<IInterface*>(made));
  EXPECT_EQ(intf->_AddRef(), -1);
  EXPECT_EQ(intf->_Release(), -1);
  {
    IPtr<IInterface> held = made;  // dropping it frees nothing
  }
  void* none = reinterpret_cast<void*>(1);
  const TGUID unknown = StringToGUID(u"{11111111-2222-3333-4444-555555555555}");
  EXPECT_EQ(made->QueryInterface(unknown, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  Free(root);
  UnRegisterClass(TLogged::StaticClass());

  // Name and Tag are published; Name is not stored as a property.
  TComponent* c = Create<TComponent>(nullptr);
  SetStrProp(c, u"Name", u"Named");
  SetOrdProp(c, u"Tag", 12);
  EXPECT_EQ(c->GetName(), u"Named");
  EXPECT_EQ(c->GetTag(), 12);
  EXPECT_FALSE(IsStoredProp(c, u"Name"));
  Free(c);
}

TEST_F(Classes, DestroyingStateAndDesigningReachTheTree) {
  TLogged* root = Make(nullptr, u"Root");
  TLogged* child = Make(root, u"Child");
  root->SetDesigning(true);
  EXPECT_TRUE(child->GetComponentState().Contains(csDesigning));
  TLogged* late = Make(root, u"Late");
  EXPECT_TRUE(late->GetComponentState().Contains(csDesigning));
  root->Destroying();
  EXPECT_TRUE(child->GetComponentState().Contains(csDestroying));
  Free(root);
}

// ---- persistent assignment and name paths ----

namespace {
class TPen : public TPersistent {
  ZCL_CLASS(TPen, TPersistent)
 public:
  Integer Width = 1;
  void Assign(TPersistent* Source) override {
    if (auto* pen = dynamic_cast<TPen*>(Source)) {
      Width = pen->Width;
      return;
    }
    inherited::Assign(Source);
  }
};

// Knows how to copy itself into a pen (the other direction of the double dispatch).
class TStroke : public TPersistent {
  ZCL_CLASS(TStroke, TPersistent)
 public:
  Integer Thickness = 5;

 protected:
  void AssignTo(TPersistent* Dest) override {
    if (auto* pen = dynamic_cast<TPen*>(Dest)) {
      pen->Width = Thickness;
      return;
    }
    inherited::AssignTo(Dest);
  }
};
}  // namespace

TEST_F(Classes, AssignDispatchesBothWays) {
  TPen* pen = Create<TPen>();
  TPen* other = Create<TPen>();
  TStroke* stroke = Create<TStroke>();
  other->Width = 3;
  pen->Assign(other);
  EXPECT_EQ(pen->Width, 3);
  pen->Assign(stroke);
  EXPECT_EQ(pen->Width, 5);
  try {
    stroke->Assign(pen);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.GetMessage(), u"Cannot assign a TPen to a TStroke");
  }
  try {
    pen->Assign(nullptr);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.GetMessage(), u"Cannot assign a nil to a TPen");
  }
  EXPECT_EQ(pen->GetNamePath(), u"TPen");
  Free(stroke);
  Free(other);
  Free(pen);
}

// ---- collections ----

namespace {
class TTrack : public TCollectionItem {
  ZCL_CLASS(TTrack, TCollectionItem)
 public:
  using TCollectionItem::TCollectionItem;
  String Title;
  void SetTitle(const String& Value) {
    Title = Value;
    Changed(false);
  }
  void Assign(TPersistent* Source) override {
    if (auto* track = dynamic_cast<TTrack*>(Source)) {
      Title = track->Title;
      return;
    }
    inherited::Assign(Source);
  }
  String GetDisplayName() const override { return Title; }
};

class TTracks : public TOwnedCollection {
  ZCL_CLASS(TTracks, TOwnedCollection)
 public:
  TTracks(TPersistent* AOwner) : TOwnedCollection(AOwner, TTrack::StaticClass()) {}
  std::vector<String> Events;

 protected:
  void Update(TCollectionItem* Item) override {
    Events.push_back(u"Update:" + (Item ? static_cast<TTrack*>(Item)->Title : String(u"nil")));
  }
  void Notify(TCollectionItem* Item, TCollectionNotification Action) override {
    static const char16_t* names[] = {u"adding", u"added", u"extracting", u"extracted", u"deleting", u"removed"};
    Events.push_back(String(names[Action]) + u":" + static_cast<TTrack*>(Item)->GetDisplayName());
  }
};

class TPlayer : public TComponent {
  ZCL_CLASS(TPlayer, TComponent)
 public:
  explicit TPlayer(TComponent* AOwner) : TComponent(AOwner), FTracks(Create<TTracks>(this)) {}
  ~TPlayer() override { Free(FTracks); }
  TTracks* GetTracks() const { return FTracks; }
  static void DeclareProperties(TClassDeclaration<TPlayer>& D) { D.Property(u"Tracks", &TPlayer::GetTracks); }

 private:
  TTracks* FTracks;
};

std::vector<String> Titles(const TCollection* C) {
  std::vector<String> result;
  for (Integer i = 0; i < C->GetCount(); ++i) result.push_back(C->GetItem<TTrack>(i)->Title);
  return result;
}

TTrack* AddTrack(TCollection* C, const String& Title) {
  TTrack* t = C->Add<TTrack>();
  t->Title = Title;
  return t;
}
}  // namespace

TEST_F(Classes, CollectionItemsHaveIndexIDAndOrder) {
  TTracks* tracks = Create<TTracks>(nullptr);
  AddTrack(tracks, u"a");
  TTrack* b = AddTrack(tracks, u"b");
  AddTrack(tracks, u"c");
  EXPECT_EQ(b->GetIndex(), 1);
  EXPECT_EQ(b->GetID(), 1);
  EXPECT_EQ(b->GetCollection(), tracks);

  b->SetIndex(2);
  EXPECT_EQ(Titles(tracks), (std::vector<String>{u"a", u"c", u"b"}));
  tracks->Exchange(0, 2);
  EXPECT_EQ(Titles(tracks), (std::vector<String>{u"b", u"c", u"a"}));
  tracks->Move(0, 1);
  EXPECT_EQ(Titles(tracks), (std::vector<String>{u"c", u"b", u"a"}));
  static_cast<TTrack*>(tracks->Insert(0))->Title = u"first";
  EXPECT_EQ(Titles(tracks), (std::vector<String>{u"first", u"c", u"b", u"a"}));
  tracks->Delete(2);
  EXPECT_EQ(Titles(tracks), (std::vector<String>{u"first", u"c", u"a"}));
  // IDs are never reused.
  EXPECT_EQ(AddTrack(tracks, u"d")->GetID(), 4);
  EXPECT_EQ(tracks->FindItemID(1), nullptr);
  EXPECT_EQ(static_cast<TTrack*>(tracks->FindItemID(2))->Title, u"c");

  // Bad positions raise and change nothing.
  EXPECT_THROW(tracks->GetItem(4), EListError);
  EXPECT_THROW(tracks->Delete(-1), EListError);
  EXPECT_THROW(tracks->Insert(9), EListError);
  EXPECT_THROW(tracks->GetItem(0)->SetIndex(4), EListError);
  EXPECT_EQ(tracks->GetCount(), 4);
  // An item of a foreign class cannot join.
  TCollection* plain = Create<TCollection>(TCollectionItem::StaticClass());
  EXPECT_THROW(Create<TCollection>(TPen::StaticClass()), EInvalidCast);
  TCollectionItem* foreign = plain->Add();
  EXPECT_THROW(foreign->SetCollection(tracks), EInvalidCast);
  EXPECT_EQ(foreign->GetCollection(), plain);
  EXPECT_THROW(Create<TCollectionItem>(tracks), EInvalidCast);
  EXPECT_EQ(tracks->GetCount(), 4);
  // Moving an item to another collection of its class.
  TTracks* other = Create<TTracks>(nullptr);
  TTrack* moved = tracks->GetItem<TTrack>(0);
  moved->SetCollection(other);
  EXPECT_EQ(other->GetItem(0), moved);
  EXPECT_EQ(tracks->GetCount(), 3);
  Free(other);
  Free(plain);
  tracks->Clear();
  EXPECT_EQ(tracks->GetCount(), 0);
  Free(tracks);
}

TEST_F(Classes, CollectionNotifiesAndBatchesUpdates) {
  TTracks* tracks = Create<TTracks>(nullptr);
  TTrack* a = AddTrack(tracks, u"a");
  TTrack* b = AddTrack(tracks, u"b");
  tracks->Events.clear();

  // Unbatched: one update per change, naming the item.
  a->SetTitle(u"a2");
  b->SetTitle(u"b2");
  EXPECT_EQ(tracks->Events, (std::vector<String>{u"Update:a2", u"Update:b2"}));

  // Batched (and nested): one update of all items at the last EndUpdate.
  tracks->Events.clear();
  tracks->BeginUpdate();
  a->SetTitle(u"a3");
  tracks->BeginUpdate();
  b->SetTitle(u"b3");
  AddTrack(tracks, u"");
  tracks->EndUpdate();
  EXPECT_EQ(tracks->Events, (std::vector<String>{u"added:"}));
  tracks->EndUpdate();
  EXPECT_EQ(tracks->Events, (std::vector<String>{u"added:", u"Update:nil"}));
  EXPECT_EQ(tracks->GetUpdateCount(), 0);

  // Delete tells cnDeleting, then the item leaves (cnExtracting); a freed item leaves alike.
  tracks->Events.clear();
  tracks->Delete(0);
  EXPECT_EQ(tracks->Events, (std::vector<String>{u"deleting:a3", u"extracting:a3", u"Update:nil"}));
  tracks->Events.clear();
  Free(b);
  EXPECT_EQ(tracks->Events, (std::vector<String>{u"extracting:b3", u"Update:nil"}));
  tracks->Events.clear();
  tracks->Clear();
  EXPECT_EQ(tracks->Events, (std::vector<String>{u"extracting:", u"Update:nil"}));
  Free(tracks);
}

TEST_F(Classes, CollectionAssignCopiesItemsAndNamePaths) {
  RegisterProperties<TPlayer>();
  TComponent* form = Create<TComponent>(nullptr);
  form->SetName(u"Form1");
  TPlayer* player = Create<TPlayer>(form);
  player->SetName(u"Player");
  TTracks* tracks = player->GetTracks();
  AddTrack(tracks, u"x");
  AddTrack(tracks, u"y");
  EXPECT_EQ(tracks->GetNamePath(), u"Player.Tracks");
  EXPECT_EQ(tracks->GetItem(1)->GetNamePath(), u"Player.Tracks[1]");
  EXPECT_EQ(player->GetNamePath(), u"Player");

  TTracks* copy = Create<TTracks>(nullptr);
  AddTrack(copy, u"old");
  copy->Events.clear();
  copy->Assign(tracks);
  EXPECT_EQ(Titles(copy), (std::vector<String>{u"x", u"y"}));
  EXPECT_EQ(copy->Events.back(), u"Update:nil");
  EXPECT_EQ(std::count(copy->Events.begin(), copy->Events.end(), u"Update:nil"), 1);
  // Assigning a collection to itself keeps its items.
  copy->Assign(copy);
  EXPECT_EQ(Titles(copy), (std::vector<String>{u"x", u"y"}));
  // A collection without a named owner path is named by its class.
  EXPECT_EQ(copy->GetNamePath(), u"TTracks");
  TPen* pen = Create<TPen>();
  EXPECT_THROW(copy->Assign(pen), EConvertError);
  Free(pen);
  Free(copy);
  Free(form);
}

namespace {
// Takes only TLogged components.
class TPicky : public TComponent {
  ZCL_CLASS(TPicky, TComponent)
 public:
  using TComponent::TComponent;

 protected:
  void ValidateInsert(TComponent* AComponent) override {
    if (!dynamic_cast<TLogged*>(AComponent)) throw EComponentError(u"Only logged components");
  }
};
}  // namespace

TEST_F(Classes, AnOwnerMayRefuseAComponent) {
  TPicky* picky = Create<TPicky>(nullptr);
  TComponent* loose = Create<TComponent>(nullptr);
  EXPECT_THROW(picky->InsertComponent(loose), EComponentError);
  EXPECT_EQ(loose->GetOwner(), nullptr);
  // Refused at construction: the half-built component is not left in the owner.
  EXPECT_THROW(Create<TComponent>(picky), EComponentError);
  EXPECT_EQ(picky->GetComponentCount(), 0);
  // The owner judges the finished object, not its TComponent part.
  TLogged* logged = Create<TLogged>(picky);
  EXPECT_EQ(logged->GetOwner(), picky);
  Free(loose);
  Free(picky);
}
