#include "vcl/VCL.ActnList.h"

#include <algorithm>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Streaming.h"
#include "rtl/RTL.TypInfo.h"
#include "vcl/VCL.Controls.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.ImgList.h"
#include "vcl/VCL.Menus.h"

namespace {
struct TActionUnitState {
  TActionHandler Execute;
  TActionHandler Update;
  // (control class, link class), in registration order.
  std::vector<std::pair<TClass, TClass>> LinkClasses;
};
TActionUnitState* GHandlers = nullptr;

TActionUnitState& Handlers() {
  if (!GHandlers) GHandlers = new TActionUnitState;
  return *GHandlers;
}

// The control hooks through which controls make, run and read their action links.
TObject* CreateControlActionLink(TControl* Control, TBasicAction* Action) {
  TClass linkClass = TControlActionLink::StaticClass();
  TClass best = nullptr;
  for (const auto& [controlClass, cls] : Handlers().LinkClasses)
    if (Control->ClassType()->InheritsFrom(controlClass) && (!best || controlClass->InheritsFrom(best))) {
      best = controlClass;
      linkClass = cls;
    }
  auto* link = static_cast<TControlActionLink*>(linkClass->Create<TBasicActionLink>(Control));
  link->SetAction(Action);
  link->ActionChange(Action, Action->GetComponentState().Contains(csLoading));
  return link;
}

TBasicAction* ActionOfControlLink(TObject* Link) {
  auto* link = dynamic_cast<TBasicActionLink*>(Link);
  return link ? link->GetAction() : nullptr;
}

bool ExecuteControlActionLink(TObject* Link, TControl* Control) {
  auto* link = dynamic_cast<TBasicActionLink*>(Link);
  return link && link->Execute(Control);
}

bool UpdateControlActionLink(TObject* Link) {
  auto* link = dynamic_cast<TBasicActionLink*>(Link);
  return link && link->Update();
}

bool ControlActionLinkShowHint(TObject* Link, String& HintStr) {
  auto* link = dynamic_cast<TControlActionLink*>(Link);
  return !link || link->DoShowHint(HintStr);
}
}  // namespace

void SetApplicationActionHandlers(TActionHandler Execute, TActionHandler Update) {
  Handlers().Execute = std::move(Execute);
  Handlers().Update = std::move(Update);
}

void RegisterActionLinkClass(TClass ControlClass, TClass LinkClass) {
  if (!ControlClass || !LinkClass || !LinkClass->InheritsFrom(TControlActionLink::StaticClass()))
    throw EInvalidArgument(u"An action link class of controls descends from TControlActionLink");
  for (auto& entry : Handlers().LinkClasses)
    if (entry.first == ControlClass) {
      entry.second = LinkClass;
      return;
    }
  Handlers().LinkClasses.emplace_back(ControlClass, LinkClass);
}

// ---- TBasicActionLink ---------------------------------------------------------------------------

void TBasicActionLink::AfterConstruction() {
  inherited::AfterConstruction();
  AssignClient(FClientObject);
}

TBasicActionLink::~TBasicActionLink() {
  if (FAction) FAction->UnRegisterChanges(this);
}

bool TBasicActionLink::Execute(TComponent* AComponent) {
  if (!FAction) return false;
  // The action may free the client (and this link) while it runs: keep what is needed on the stack.
  TBasicAction* action = FAction;
  action->SetActionComponent(AComponent);
  bool result = false;
  try {
    result = action->Execute();
  } catch (...) {
    action->SetActionComponent(nullptr);
    throw;
  }
  action->SetActionComponent(nullptr);
  return result;
}

bool TBasicActionLink::Update() { return FAction && FAction->Update(); }

void TBasicActionLink::SetAction(TBasicAction* Value) {
  if (FAction == Value) return;
  if (FAction) FAction->UnRegisterChanges(this);
  FAction = Value;
  if (FAction) FAction->RegisterChanges(this);
}

void TBasicActionLink::Change() {
  if (OnChange) OnChange(FAction);
}

// ---- TBasicAction -------------------------------------------------------------------------------

TBasicAction::TBasicAction(TComponent* AOwner) : TComponent(AOwner) {}

TBasicAction::~TBasicAction() {
  for (TBasicActionLink* link : FClients) link->FAction = nullptr;
}

void TBasicAction::BeforeDestruction() {
  // Clients hear of the destruction first (they watch the action) and drop their links; links
  // still registered after that must not point at a freed action.
  inherited::BeforeDestruction();
  while (!FClients.empty()) {
    TBasicActionLink* link = FClients.back();
    FClients.pop_back();
    link->FAction = nullptr;
  }
  SetActionComponent(nullptr);
}

bool TBasicAction::Execute() {
  if (!FOnExecute) return false;
  FOnExecute(this);
  return true;
}

bool TBasicAction::Update() {
  if (!OnUpdate) return false;
  OnUpdate(this);
  return true;
}

void TBasicAction::RegisterChanges(TBasicActionLink* Value) {
  if (std::find(FClients.begin(), FClients.end(), Value) == FClients.end()) FClients.push_back(Value);
  Value->FAction = this;
}

void TBasicAction::UnRegisterChanges(TBasicActionLink* Value) {
  auto it = std::find(FClients.begin(), FClients.end(), Value);
  if (it == FClients.end()) return;
  FClients.erase(it);
  Value->FAction = nullptr;
}

void TBasicAction::SetActionComponent(TComponent* Value) {
  if (FActionComponent == Value) return;
  if (FActionComponent) FActionComponent->RemoveFreeNotification(this);
  FActionComponent = Value;
  if (FActionComponent) FActionComponent->FreeNotification(this);
}

void TBasicAction::SetOnExecute(const TNotifyEvent& Value) {
  if (FOnExecute == Value) return;
  for (TBasicActionLink* link : std::vector<TBasicActionLink*>(FClients)) link->SetOnExecute(Value);
  FOnExecute = Value;
  Change();
}

void TBasicAction::Change() {
  if (OnChange) OnChange(this);
}

void TBasicAction::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FActionComponent) FActionComponent = nullptr;
}

void TBasicAction::DeclareProperties(TClassDeclaration<TBasicAction>& D) {
  D.Property(u"OnExecute", &TBasicAction::GetOnExecute, &TBasicAction::SetOnExecute);
  D.Event(u"OnUpdate", &TBasicAction::OnUpdate);
}

// ---- TContainedAction ---------------------------------------------------------------------------

TContainedAction::TContainedAction(TComponent* AOwner) : TBasicAction(AOwner) {}

void TContainedAction::BeforeDestruction() {
  SetActionList(nullptr);
  inherited::BeforeDestruction();
}

bool TContainedAction::Execute() {
  if (FActionList && FActionList->ExecuteAction(this)) return true;
  if (GHandlers && GHandlers->Execute && GHandlers->Execute(this)) return true;
  return inherited::Execute();
}

bool TContainedAction::Update() {
  if (FActionList && FActionList->UpdateAction(this)) return true;
  if (GHandlers && GHandlers->Update && GHandlers->Update(this)) return true;
  return inherited::Update();
}

void TContainedAction::SetActionList(TCustomActionList* Value) {
  if (FActionList == Value) return;
  if (FActionList) FActionList->RemoveAction(this);
  if (Value) Value->AddAction(this);
}

Integer TContainedAction::GetIndex() const {
  if (!FActionList) return -1;
  const auto& actions = FActionList->FActions;
  auto it = std::find(actions.begin(), actions.end(), this);
  return it == actions.end() ? -1 : static_cast<Integer>(it - actions.begin());
}

void TContainedAction::SetIndex(Integer Value) {
  if (!FActionList) return;
  auto& actions = FActionList->FActions;
  const Integer current = GetIndex();
  Value = std::clamp(Value, 0, static_cast<Integer>(actions.size()) - 1);
  if (current == Value) return;
  actions.erase(actions.begin() + current);
  actions.insert(actions.begin() + Value, this);
  FActionList->Change();
}

void TContainedAction::SetCategory(const String& Value) {
  if (FCategory == Value) return;
  FCategory = Value;
  Change();
}

bool TContainedAction::Suspended() const { return FActionList && FActionList->GetState() != asNormal; }

TComponent* TContainedAction::GetParentComponent() const { return FActionList; }

void TContainedAction::SetParentComponent(TComponent* Value) {
  if (auto* list = dynamic_cast<TCustomActionList*>(Value)) SetActionList(list);
}

void TContainedAction::DeclareProperties(TClassDeclaration<TContainedAction>& D) {
  D.Property(u"Category", &TContainedAction::GetCategory, &TContainedAction::SetCategory);
}

// ---- TShortCutList ------------------------------------------------------------------------------

TShortCut TShortCutList::GetShortCuts(Integer Index) const { return TextToShortCut(Get(Index)); }

Integer TShortCutList::IndexOfShortCut(TShortCut ShortCut) const {
  if (ShortCut == 0) return -1;
  for (Integer i = 0; i < GetCount(); ++i)
    if (GetShortCuts(i) == ShortCut) return i;
  return -1;
}

void TShortCutList::DefineProperties(TFiler* Filer) {
  inherited::DefineProperties(Filer);
  Filer->DefineProperty(
      u"Strings",
      [this](TReader* Reader) {
        BeginUpdate();
        try {
          Clear();
          Reader->ReadListBegin();
          while (!Reader->EndOfList()) Add(Reader->ReadString());
          Reader->ReadListEnd();
        } catch (...) {
          EndUpdate();
          throw;
        }
        EndUpdate();
      },
      [this](TWriter* Writer) {
        Writer->WriteListBegin();
        for (Integer i = 0; i < GetCount(); ++i) Writer->WriteString(Get(i));
        Writer->WriteListEnd();
      },
      GetCount() > 0);
}

// ---- TCustomAction ------------------------------------------------------------------------------

TCustomAction::TCustomAction(TComponent* AOwner) : TContainedAction(AOwner) {}

TCustomAction::~TCustomAction() { Free(FSecondaryShortCuts); }

template <class F>
void TCustomAction::ForEachLink(F Fn) {
  // A client may drop its link while it follows a change: walk a copy, skipping links gone meanwhile.
  const std::vector<TBasicActionLink*> clients = FClients;
  for (TBasicActionLink* client : clients) {
    if (std::find(FClients.begin(), FClients.end(), client) == FClients.end()) continue;
    if (auto* link = dynamic_cast<TActionLink*>(client)) Fn(link);
  }
}

bool TCustomAction::Execute() {
  if (Suspended()) return false;
  Update();
  if (FEnabled && FAutoCheck && (!FChecked || FGroupIndex == 0)) SetChecked(!FChecked);
  return FEnabled && inherited::Execute();
}

void TCustomAction::SetCaption(const String& Value) {
  if (FCaption == Value) return;
  ForEachLink([&](TActionLink* link) { link->SetCaption(Value); });
  FCaption = Value;
  Change();
}

void TCustomAction::SetChecked(bool Value) {
  if (FChecking || FChecked == Value) return;
  FChecking = true;
  try {
    ForEachLink([&](TActionLink* link) { link->SetChecked(Value); });
    FChecked = Value;
    if (Value && FGroupIndex > 0 && GetActionList()) {
      for (Integer i = 0; i < GetActionList()->GetActionCount(); ++i) {
        auto* other = dynamic_cast<TCustomAction*>(GetActionList()->GetAction(i));
        if (other && other != this && other->FGroupIndex == FGroupIndex) other->SetChecked(false);
      }
    }
    Change();
  } catch (...) {
    FChecking = false;
    throw;
  }
  FChecking = false;
}

void TCustomAction::SetEnabled(bool Value) {
  if (GetActionList() && GetActionList()->GetState() == asSuspendedEnabled) {
    FSavedEnabled = Value;  // applies when the list leaves that state
    return;
  }
  if (FEnabled == Value) return;
  ForEachLink([&](TActionLink* link) { link->SetEnabled(Value); });
  FEnabled = Value;
  Change();
}

void TCustomAction::SetGroupIndex(Integer Value) {
  if (FGroupIndex == Value) return;
  ForEachLink([&](TActionLink* link) { link->SetGroupIndex(Value); });
  FGroupIndex = Value;
  Change();
}

void TCustomAction::SetHint(const String& Value) {
  if (FHint == Value) return;
  ForEachLink([&](TActionLink* link) { link->SetHint(Value); });
  FHint = Value;
  Change();
}

void TCustomAction::SetImageIndex(Integer Value) {
  if (FImageIndex == Value) return;
  ForEachLink([&](TActionLink* link) { link->SetImageIndex(Value); });
  FImageIndex = Value;
  Change();
}

void TCustomAction::SetShortCut(TShortCut Value) {
  if (FShortCut == Value) return;
  ForEachLink([&](TActionLink* link) { link->SetShortCut(Value); });
  FShortCut = Value;
  Change();
}

TShortCutList* TCustomAction::GetSecondaryShortCuts() {
  if (!FSecondaryShortCuts) FSecondaryShortCuts = Create<TShortCutList>();
  return FSecondaryShortCuts;
}

void TCustomAction::SetSecondaryShortCuts(TShortCutList* Value) {
  if (!Value && !FSecondaryShortCuts) return;
  if (!Value)
    FSecondaryShortCuts->Clear();
  else
    GetSecondaryShortCuts()->Assign(Value);
}

bool TCustomAction::HasShortCut(TShortCut ShortCut) const {
  if (ShortCut == 0) return false;
  return FShortCut == ShortCut || (FSecondaryShortCuts && FSecondaryShortCuts->IndexOfShortCut(ShortCut) >= 0);
}

void TCustomAction::SetVisible(bool Value) {
  if (FVisible == Value) return;
  ForEachLink([&](TActionLink* link) { link->SetVisible(Value); });
  FVisible = Value;
  Change();
}

void TCustomAction::SetAutoCheck(bool Value) {
  if (FAutoCheck == Value) return;
  ForEachLink([&](TActionLink* link) { link->SetAutoCheck(Value); });
  FAutoCheck = Value;
  Change();
}

void TCustomAction::SetHelpContext(Integer Value) {
  if (FHelpContext == Value) return;
  ForEachLink([&](TActionLink* link) { link->SetHelpContext(Value); });
  FHelpContext = Value;
  Change();
}

void TCustomAction::DeclareProperties(TClassDeclaration<TCustomAction>& D) {
  D.Property(u"AutoCheck", &TCustomAction::GetAutoCheck, &TCustomAction::SetAutoCheck).Default(false);
  D.Property(u"Caption", &TCustomAction::GetCaption, &TCustomAction::SetCaption);
  D.Property(u"Checked", &TCustomAction::GetChecked, &TCustomAction::SetChecked).Default(false);
  D.Property(u"Enabled", &TCustomAction::GetEnabled, &TCustomAction::SetEnabled).Default(true);
  D.Property(u"GroupIndex", &TCustomAction::GetGroupIndex, &TCustomAction::SetGroupIndex).Default(0);
  D.Property(u"HelpContext", &TCustomAction::GetHelpContext, &TCustomAction::SetHelpContext).Default(0);
  D.Property(u"Hint", &TCustomAction::GetHint, &TCustomAction::SetHint);
  D.Property(u"ImageIndex", &TCustomAction::GetImageIndex, &TCustomAction::SetImageIndex)
      .Type(TypeInfoTImageIndex())
      .Default(-1);
  D.Property(u"SecondaryShortCuts", &TCustomAction::GetSecondaryShortCuts, &TCustomAction::SetSecondaryShortCuts)
      .Stored(&TCustomAction::IsSecondaryShortCutsStored);
  D.Property(u"ShortCut", &TCustomAction::GetShortCut, &TCustomAction::SetShortCut)
      .Type(TypeInfoTShortCut())
      .Default(0);
  D.Property(u"Visible", &TCustomAction::GetVisible, &TCustomAction::SetVisible).Default(true);
}

// ---- TActionLink --------------------------------------------------------------------------------

TCustomAction* TActionLink::CustomAction() const { return dynamic_cast<TCustomAction*>(FAction); }

bool TActionLink::IsCaptionLinked() { return CustomAction() != nullptr; }
bool TActionLink::IsCheckedLinked() { return CustomAction() != nullptr; }
bool TActionLink::IsEnabledLinked() { return CustomAction() != nullptr; }
bool TActionLink::IsGroupIndexLinked() { return CustomAction() != nullptr; }
bool TActionLink::IsHelpContextLinked() { return CustomAction() != nullptr; }
bool TActionLink::IsHintLinked() { return CustomAction() != nullptr; }
bool TActionLink::IsImageIndexLinked() { return CustomAction() != nullptr; }
bool TActionLink::IsShortCutLinked() { return CustomAction() != nullptr; }
bool TActionLink::IsVisibleLinked() { return CustomAction() != nullptr; }
bool TActionLink::IsAutoCheckLinked() { return CustomAction() != nullptr; }

// ---- TControlActionLink -------------------------------------------------------------------------

void TControlActionLink::AssignClient(TObject* AClient) { FClient = dynamic_cast<TControl*>(AClient); }

bool TControlActionLink::IsCaptionLinked() {
  return inherited::IsCaptionLinked() && FClient && FClient->GetCaption() == CustomAction()->GetCaption();
}
bool TControlActionLink::IsEnabledLinked() {
  return inherited::IsEnabledLinked() && FClient && FClient->GetEnabled() == CustomAction()->GetEnabled();
}
bool TControlActionLink::IsHintLinked() {
  return inherited::IsHintLinked() && FClient && FClient->GetHint() == CustomAction()->GetHint();
}
bool TControlActionLink::IsVisibleLinked() {
  return inherited::IsVisibleLinked() && FClient && FClient->GetVisible() == CustomAction()->GetVisible();
}
bool TControlActionLink::IsOnExecuteLinked() {
  return inherited::IsOnExecuteLinked() && FClient && FAction && FClient->OnClick == FAction->GetOnExecute();
}

void TControlActionLink::SetCaption(const String& Value) {
  if (IsCaptionLinked()) FClient->SetCaption(Value);
}
void TControlActionLink::SetEnabled(bool Value) {
  if (IsEnabledLinked()) FClient->SetEnabled(Value);
}
void TControlActionLink::SetHint(const String& Value) {
  if (IsHintLinked()) FClient->SetHint(Value);
}
void TControlActionLink::SetVisible(bool Value) {
  if (IsVisibleLinked()) FClient->SetVisible(Value);
}

void TControlActionLink::ActionChange(TBasicAction* Action, bool CheckDefaults) {
  auto* action = dynamic_cast<TCustomAction*>(Action);
  if (!action || !FClient) return;
  if (!CheckDefaults || FClient->GetCaption().empty()) FClient->SetCaption(action->GetCaption());
  if (!CheckDefaults || FClient->GetEnabled()) FClient->SetEnabled(action->GetEnabled());
  if (!CheckDefaults || FClient->GetHint().empty()) FClient->SetHint(action->GetHint());
  if (!CheckDefaults || FClient->GetVisible()) FClient->SetVisible(action->GetVisible());
}

bool TControlActionLink::DoShowHint(String& HintStr) {
  auto* action = CustomAction();
  if (action && action->GetShortCut() != 0 && !HintStr.empty() && Application && Application->GetHintShortCuts())
    HintStr += u" (" + ShortCutToText(action->GetShortCut()) + u")";
  return true;
}

// ---- TCustomActionList --------------------------------------------------------------------------

TCustomActionList::TCustomActionList(TComponent* AOwner) : TComponent(AOwner) {
  FImageChangeLink = Create<TChangeLink>();
  FImageChangeLink->OnChange = {this, &TCustomActionList::ImageListChange};
}

TCustomActionList::~TCustomActionList() {
  Free(FImageChangeLink);
  for (TContainedAction* action : FActions) action->FActionList = nullptr;
}

void TCustomActionList::BeforeDestruction() {
  // The actions belong to the owner and outlive the list: they only leave it.
  while (!FActions.empty()) FActions.back()->SetActionList(nullptr);
  SetImages(nullptr);
  inherited::BeforeDestruction();
}

bool TCustomActionList::ExecuteAction(TBasicAction* Action) {
  if (!OnExecute) return false;
  bool handled = false;
  OnExecute(Action, handled);
  return handled;
}

bool TCustomActionList::UpdateAction(TBasicAction* Action) {
  if (!OnUpdate) return false;
  bool handled = false;
  OnUpdate(Action, handled);
  return handled;
}

TCustomAction* TCustomActionList::FindShortCut(TShortCut ShortCut) const {
  if (ShortCut == 0) return nullptr;
  for (TContainedAction* contained : FActions)
    if (auto* action = dynamic_cast<TCustomAction*>(contained); action && action->HasShortCut(ShortCut)) return action;
  return nullptr;
}

bool TCustomActionList::IsShortCut(TShortCut ShortCut) {
  if (FState != asNormal) return false;
  TCustomAction* action = FindShortCut(ShortCut);
  return action && action->HandleShortCut();
}

void TCustomActionList::UpdateActions() {
  if (FState != asNormal) return;
  const std::vector<TContainedAction*> actions = FActions;
  for (TContainedAction* action : actions)
    if (std::find(FActions.begin(), FActions.end(), action) != FActions.end()) action->Update();
}

TContainedAction* TCustomActionList::GetAction(Integer Index) const {
  if (Index < 0 || Index >= GetActionCount()) throw EListError(u"List index out of bounds (%d)", {Index});
  return FActions[size_t(Index)];
}

void TCustomActionList::SetImages(TCustomImageList* Value) {
  if (!ChangeImageList(FImages, Value, FImageChangeLink, this)) return;
  Change();
}

void TCustomActionList::SetState(TActionListState Value) {
  if (FState == Value) return;
  // While suspended this way every action shows enabled; their own states come back afterwards.
  const std::vector<TContainedAction*> actions = FActions;
  if (FState == asSuspendedEnabled) {
    FState = asNormal;  // lets the restored states through to the clients
    for (TContainedAction* contained : actions)
      if (auto* action = dynamic_cast<TCustomAction*>(contained)) action->SetEnabled(action->FSavedEnabled);
  }
  if (Value == asSuspendedEnabled) {
    for (TContainedAction* contained : actions)
      if (auto* action = dynamic_cast<TCustomAction*>(contained)) {
        const bool saved = action->FEnabled;
        action->SetEnabled(true);
        action->FSavedEnabled = saved;
      }
  }
  FState = Value;
  if (OnStateChange) OnStateChange(this);
}

void TCustomActionList::GetChildren(const TGetChildProc& Proc, TComponent* Root) {
  for (TContainedAction* action : std::vector<TContainedAction*>(FActions))
    if (action->GetOwner() == Root) Proc(action);
}

void TCustomActionList::AddAction(TContainedAction* Action) {
  if (!Action || Action->FActionList == this) return;
  FActions.push_back(Action);
  Action->FActionList = this;
  Action->FreeNotification(this);
  Change();
}

void TCustomActionList::RemoveAction(TContainedAction* Action) {
  auto it = std::find(FActions.begin(), FActions.end(), Action);
  if (it == FActions.end()) return;
  FActions.erase(it);
  Action->FActionList = nullptr;
  Action->RemoveFreeNotification(this);
  if (!GetComponentState().Contains(csDestroying)) Change();
}

void TCustomActionList::Change() {
  if (GetComponentState().Contains(csDestroying)) return;
  if (OnChange) OnChange(this);
}

void TCustomActionList::ImageListChange(TObject*) { Change(); }

void TCustomActionList::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FImages) {
    FImages = nullptr;
    Change();
  } else if (auto* action = dynamic_cast<TContainedAction*>(AComponent)) {
    RemoveAction(action);
  }
}

void TCustomActionList::SetChildOrder(TComponent* Child, Integer Order) {
  if (auto* action = dynamic_cast<TContainedAction*>(Child); action && action->FActionList == this)
    action->SetIndex(Order);
}

void TCustomActionList::DeclareProperties(TClassDeclaration<TCustomActionList>& D) {
  D.Property(u"Images", &TCustomActionList::GetImages, &TCustomActionList::SetImages);
  D.Property(u"State", &TCustomActionList::GetState, &TCustomActionList::SetState).Default(asNormal);
  D.Event(u"OnChange", &TCustomActionList::OnChange);
  D.Event(u"OnExecute", &TCustomActionList::OnExecute);
  D.Event(u"OnStateChange", &TCustomActionList::OnStateChange);
  D.Event(u"OnUpdate", &TCustomActionList::OnUpdate);
}

namespace detail {
void ActnListInit() {
  TControlHooks& hooks = ControlHooks();
  hooks.CreateActionLink = CreateControlActionLink;
  hooks.ActionOfLink = ActionOfControlLink;
  hooks.ExecuteActionLink = ExecuteControlActionLink;
  hooks.ActionLinkShowHint = ControlActionLinkShowHint;
  hooks.UpdateActionLink = UpdateControlActionLink;
  RegisterProperties<TAction>();
  RegisterProperties<TActionList>();
  RegisterClass(TAction::StaticClass());
  RegisterClass(TActionList::StaticClass());
}

void ActnListFin() {
  TControlHooks& hooks = ControlHooks();
  hooks.CreateActionLink = nullptr;
  hooks.ActionOfLink = nullptr;
  hooks.ExecuteActionLink = nullptr;
  hooks.ActionLinkShowHint = nullptr;
  hooks.UpdateActionLink = nullptr;
  delete GHandlers;
  GHandlers = nullptr;
}
}  // namespace detail
