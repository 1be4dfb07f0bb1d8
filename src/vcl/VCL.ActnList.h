#pragma once
// Actions: commands with a caption, state and shortcut that buttons and menu items take over
// through action links, collected in action lists that execute them by shortcut and let code
// update them.
//
// An action tells its links about each property change through the link's SetX, which a client
// follows only while its own value still equals the action's (IsXLinked): a client whose caption
// was set apart from the action keeps it. Assigning an action to a client copies everything once.

#include <functional>
#include <vector>

#include "rtl/RTL.Classes.h"
#include "rtl/RTL.Delegates.h"
#include "rtl/RTL.StringList.h"

class TBasicAction;
class TControl;
class TCustomActionList;
class TCustomImageList;
class TChangeLink;

using TShortCut = Word;

// The link between an action and one client (a control or a menu item). The client owns it.
class TBasicActionLink : public TObject {
  ZCL_CLASS(TBasicActionLink, TObject)
 public:
  // Virtual constructors of links take the client.
  using TCreateSignature = void(TObject* AClient);
  explicit TBasicActionLink(TObject* AClient) : FClientObject(AClient) {}
  ~TBasicActionLink() override;
  // Hands the client to AssignClient (reaching the override).
  void AfterConstruction() override;

  // Runs the action for AComponent (the client that triggered it); false without an action or
  // when nothing handled it.
  virtual bool Execute(TComponent* AComponent = nullptr);
  virtual bool Update();
  TBasicAction* GetAction() const { return FAction; }
  // Leaves the old action's clients and joins the new one's.
  virtual void SetAction(TBasicAction* Value);
  virtual bool IsOnExecuteLinked() { return true; }

  // Called with the action as sender when the client should copy the action's state again.
  TNotifyEvent OnChange;

 protected:
  friend class TBasicAction;
  virtual void AssignClient(TObject*) {}
  virtual void Change();
  virtual void SetOnExecute(const TNotifyEvent&) {}
  TBasicAction* FAction = nullptr;

 private:
  TObject* FClientObject;
};

class TBasicAction : public TComponent {
  ZCL_CLASS(TBasicAction, TComponent)
 public:
  explicit TBasicAction(TComponent* AOwner);
  ~TBasicAction() override;
  void BeforeDestruction() override;

  // Target handling, for actions that work on the focused control; the base handles none.
  virtual bool HandlesTarget(TObject*) { return false; }
  virtual void UpdateTarget(TObject*) {}
  virtual void ExecuteTarget(TObject*) {}
  // Runs OnExecute; true when it is assigned.
  virtual bool Execute();
  // Runs OnUpdate; true when it is assigned.
  virtual bool Update();

  void RegisterChanges(TBasicActionLink* Value);
  void UnRegisterChanges(TBasicActionLink* Value);
  Integer GetClientCount() const { return static_cast<Integer>(FClients.size()); }
  TBasicActionLink* GetClient(Integer Index) const { return FClients[size_t(Index)]; }

  // The client that executes the action right now (set by the link around Execute); null otherwise.
  TComponent* GetActionComponent() const { return FActionComponent; }
  void SetActionComponent(TComponent* Value);

  TNotifyEvent GetOnExecute() const { return FOnExecute; }
  // Also tells the links, so that clients whose click handler was the old one take the new one.
  void SetOnExecute(const TNotifyEvent& Value);
  TNotifyEvent OnUpdate;
  // Raised by Change after a property of the action changed.
  TNotifyEvent OnChange;

  static void DeclareProperties(TClassDeclaration<TBasicAction>& D);

 protected:
  virtual void Change();
  void Notification(TComponent* AComponent, TOperation Operation) override;
  std::vector<TBasicActionLink*> FClients;

 private:
  TComponent* FActionComponent = nullptr;
  TNotifyEvent FOnExecute;
};

enum TActionListState : Byte { asNormal, asSuspended, asSuspendedEnabled };
ZCL_ENUM(TActionListState, asNormal, asSuspended, asSuspendedEnabled);

// An action that lives in an action list.
class TContainedAction : public TBasicAction {
  ZCL_CLASS(TContainedAction, TBasicAction)
 public:
  explicit TContainedAction(TComponent* AOwner);
  void BeforeDestruction() override;

  // The list's OnExecute first, then the application's handler, then OnExecute.
  bool Execute() override;
  // The list's OnUpdate first, then the application's handler, then OnUpdate.
  bool Update() override;

  TCustomActionList* GetActionList() const { return FActionList; }
  void SetActionList(TCustomActionList* Value);
  // The position in the action list; -1 outside one.
  Integer GetIndex() const;
  void SetIndex(Integer Value);
  const String& GetCategory() const { return FCategory; }
  void SetCategory(const String& Value);
  // True while the list is suspended.
  bool Suspended() const;

  TComponent* GetParentComponent() const override;
  bool HasParent() const override { return FActionList != nullptr; }
  void SetParentComponent(TComponent* Value) override;

  static void DeclareProperties(TClassDeclaration<TContainedAction>& D);

 private:
  friend class TCustomActionList;
  TCustomActionList* FActionList = nullptr;
  String FCategory;
};

// Secondary shortcuts of an action, as texts ("Ctrl+Ins").
class TShortCutList : public TStringList {
  ZCL_CLASS(TShortCutList, TStringList)
 public:
  // The shortcut of line Index (0 for a text that names none).
  TShortCut GetShortCuts(Integer Index) const;
  // The first line naming ShortCut; -1 when none does (and always for 0).
  Integer IndexOfShortCut(TShortCut ShortCut) const;

 protected:
  // Streams the lines as "Strings".
  void DefineProperties(TFiler* Filer) override;
};

class TCustomAction : public TContainedAction {
  ZCL_CLASS(TCustomAction, TContainedAction)
  friend class TCustomActionList;

 public:
  explicit TCustomAction(TComponent* AOwner);
  ~TCustomAction() override;

  // Nothing while suspended. Updates first; an enabled AutoCheck action toggles its check (a
  // checked grouped action stays checked); true when enabled and something handled it.
  bool Execute() override;
  // What a shortcut of the action does: Execute.
  virtual bool HandleShortCut() { return Execute(); }

  const String& GetCaption() const { return FCaption; }
  void SetCaption(const String& Value);
  bool GetChecked() const { return FChecked; }
  // Checking an action of a group (GroupIndex > 0) unchecks the others of its list's group.
  void SetChecked(bool Value);
  bool GetEnabled() const { return FEnabled; }
  // While the list is suspended with everything enabled, the value applies when it leaves that state.
  void SetEnabled(bool Value);
  Integer GetGroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(Integer Value);
  const String& GetHint() const { return FHint; }
  void SetHint(const String& Value);
  Integer GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(Integer Value);
  TShortCut GetShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut Value);
  TShortCutList* GetSecondaryShortCuts();
  void SetSecondaryShortCuts(TShortCutList* Value);
  bool IsSecondaryShortCutsStored() const { return FSecondaryShortCuts && FSecondaryShortCuts->GetCount() > 0; }
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value);
  bool GetAutoCheck() const { return FAutoCheck; }
  void SetAutoCheck(bool Value);
  Integer GetHelpContext() const { return FHelpContext; }
  void SetHelpContext(Integer Value);
  // Whether Shortcut is the action's shortcut or one of its secondary ones.
  bool HasShortCut(TShortCut ShortCut) const;

  static void DeclareProperties(TClassDeclaration<TCustomAction>& D);

 private:
  // Calls Fn on every client link that is a TActionLink.
  template <class F>
  void ForEachLink(F Fn);
  String FCaption;
  bool FChecked = false;
  bool FChecking = false;
  bool FEnabled = true;
  bool FSavedEnabled = true;  // the own state while the list is suspended with everything enabled
  Integer FGroupIndex = 0;
  String FHint;
  Integer FImageIndex = -1;
  TShortCut FShortCut = 0;
  TShortCutList* FSecondaryShortCuts = nullptr;  // owned, made on first use
  bool FVisible = true;
  bool FAutoCheck = false;
  Integer FHelpContext = 0;
};

class TAction : public TCustomAction {
  ZCL_CLASS(TAction, TCustomAction)
 public:
  using TCustomAction::TCustomAction;
};

// The link of clients that follow a TCustomAction's properties. SetX applies a change of the
// action to the client; IsXLinked tells whether the client still follows that property.
class TActionLink : public TBasicActionLink {
  ZCL_CLASS(TActionLink, TBasicActionLink)
 public:
  using TBasicActionLink::TBasicActionLink;

  virtual bool IsCaptionLinked();
  virtual bool IsCheckedLinked();
  virtual bool IsEnabledLinked();
  virtual bool IsGroupIndexLinked();
  virtual bool IsHelpContextLinked();
  virtual bool IsHintLinked();
  virtual bool IsImageIndexLinked();
  virtual bool IsShortCutLinked();
  virtual bool IsVisibleLinked();
  virtual bool IsAutoCheckLinked();

  virtual void SetAutoCheck(bool) {}
  virtual void SetCaption(const String&) {}
  virtual void SetChecked(bool) {}
  virtual void SetEnabled(bool) {}
  virtual void SetGroupIndex(Integer) {}
  virtual void SetHelpContext(Integer) {}
  virtual void SetHint(const String&) {}
  virtual void SetImageIndex(Integer) {}
  virtual void SetShortCut(TShortCut) {}
  virtual void SetVisible(bool) {}

 protected:
  TCustomAction* CustomAction() const;
};

// The action link of controls: Caption, Enabled, Hint and Visible follow the action. A control's
// OnClick is left alone: a control without OnClick runs its action when clicked.
class TControlActionLink : public TActionLink {
  ZCL_CLASS(TControlActionLink, TActionLink)
 public:
  using TActionLink::TActionLink;
  bool IsCaptionLinked() override;
  bool IsEnabledLinked() override;
  bool IsHintLinked() override;
  bool IsVisibleLinked() override;
  bool IsOnExecuteLinked() override;
  void SetCaption(const String& Value) override;
  void SetEnabled(bool Value) override;
  void SetHint(const String& Value) override;
  void SetVisible(bool Value) override;

  // Copies the action's properties into the control; with CheckDefaults (an action assigned while
  // it is being read) only into those still at their defaults. Descendants copy what they add.
  virtual void ActionChange(TBasicAction* Action, bool CheckDefaults);
  // The hint text to show for the control: a shortcut of the action is added to a non-empty hint
  // ("Save (Ctrl+S)"). True: show it.
  virtual bool DoShowHint(String& HintStr);

 protected:
  void AssignClient(TObject* AClient) override;
  TControl* FClient = nullptr;
};

// Chooses the link class made for controls of ControlClass and its descendants (the nearest
// registered class wins; TControlActionLink otherwise). LinkClass must descend from TControlActionLink.
void RegisterActionLinkClass(TClass ControlClass, TClass LinkClass);

using TActionEvent = TDelegate<void(TBasicAction* Action, bool& Handled)>;

class TCustomActionList : public TComponent {
  ZCL_CLASS(TCustomActionList, TComponent)
 public:
  explicit TCustomActionList(TComponent* AOwner);
  ~TCustomActionList() override;
  void BeforeDestruction() override;

  // OnExecute / OnUpdate of the list; true when the handler set Handled.
  virtual bool ExecuteAction(TBasicAction* Action);
  virtual bool UpdateAction(TBasicAction* Action);
  // Runs the enabled action that has ShortCut (first or secondary); true when one handled it.
  // Nothing while the list is suspended.
  virtual bool IsShortCut(TShortCut ShortCut);
  // The action that has ShortCut, or null.
  TCustomAction* FindShortCut(TShortCut ShortCut) const;
  // Calls Update on every action (what the idle update does for the actions of a list).
  void UpdateActions();

  Integer GetActionCount() const { return static_cast<Integer>(FActions.size()); }
  // EListError outside the list.
  TContainedAction* GetAction(Integer Index) const;
  TCustomImageList* GetImages() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  TActionListState GetState() const { return FState; }
  void SetState(TActionListState Value);

  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;

  TNotifyEvent OnChange;
  TActionEvent OnExecute;
  TActionEvent OnUpdate;
  TNotifyEvent OnStateChange;

  static void DeclareProperties(TClassDeclaration<TCustomActionList>& D);

 protected:
  friend class TContainedAction;
  void AddAction(TContainedAction* Action);
  void RemoveAction(TContainedAction* Action);
  virtual void Change();
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void SetChildOrder(TComponent* Child, Integer Order) override;

 private:
  void ImageListChange(TObject* Sender);
  std::vector<TContainedAction*> FActions;
  TCustomImageList* FImages = nullptr;
  TChangeLink* FImageChangeLink = nullptr;  // owned
  TActionListState FState = asNormal;
};

class TActionList : public TCustomActionList {
  ZCL_CLASS(TActionList, TCustomActionList)
 public:
  using TCustomActionList::TCustomActionList;
};

// The application's part in running actions, tried after the action list and before the
// action's own handler (the application object installs it; empty handlers are skipped).
using TActionHandler = std::function<bool(TBasicAction* Action)>;
void SetApplicationActionHandlers(TActionHandler Execute, TActionHandler Update);

namespace detail {
void ActnListInit();
void ActnListFin();
}  // namespace detail
