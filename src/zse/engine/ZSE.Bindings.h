#pragma once
// Bindings: links from the pins of a bindable element to named services of provider components.
// An element (TZSEBindingClient) owns one bindings object, which holds its ordered links and the
// pins the element registered. Reading a pin finds the link on it, reads the service, passes the
// value through the link's expression and text template and converts it; a provider's change
// notification refreshes the pins of the links that read the changed service; action pins drive
// action, slider and scroll services.

#include <functional>

#include "rtl/RTL.Variant.h"
#include "zcl/base/ZCL.Classes.h"
#include "zse/engine/ZSE.Bindings.Interfaces.h"
#include "zse/engine/ZSE.Expressions.h"
#include "zse/engine/ZSE.Schema.h"

class TPropInfo;
class TPopupMenu;
class TZCLObjectList;
class TZCLXMLNode;
class TZSECustomBindings;
class TZSEBindings;
class TZSEBindingLinkExpression;

// ---- links -------------------------------------------------------------------------------------

class TZSEBindingLink : public TZCLUnknownPersistent,
                        public IZCLObjectRemoveNotify,
                        public IZSEExpressionGlobalVariablesListener {
  ZCL_CLASS(TZSEBindingLink, TZCLUnknownPersistent)
  RTL_INTERFACES(TZCLUnknownPersistent, IZCLObjectRemoveNotify, IZSEExpressionGlobalVariablesListener)
 public:
  using TCreateSignature = void(TZSECustomBindings* ABindings);

  // Owned by Bindings, which appends it (NewLink does both).
  explicit TZSEBindingLink(TZSECustomBindings* ABindings);
  ~TZSEBindingLink() override;
  void BeforeDestruction() override;

  static void DeclareProperties(TClassDeclaration<TZSEBindingLink>& D);

  // Expression, Source, SourcePin, TargetPin, TextFormat from another link; other classes are
  // ignored.
  void Assign(TPersistent* Source) override;
  // "<element>.<pin> <-> <source>.<service>" and the expression and template lines, each ending
  // in CR LF; empty without a source.
  String ToString() const override;

  TZSECustomBindings* GetBindings() const { return FOwner; }
  const String& GetExpression() const { return FExpression; }
  // A text that does not compile leaves the link without compiled expression.
  void SetExpression(const String& Value);
  TZSEBindingLinkExpression* GetCompiledExpression() const { return FCompiled; }
  TComponent* GetSource() const { return FSource; }
  // Watched weakly: the link lets go when the source is destroyed.
  void SetSource(TComponent* Value);
  const String& GetSourcePin() const { return FSourcePin; }
  void SetSourcePin(const String& Value);
  const String& GetTargetPin() const { return FTargetPin; }
  void SetTargetPin(const String& Value);
  const String& GetTextFormat() const { return FTextFormat; }
  void SetTextFormat(const String& Value);

  // The service named SourcePin (DefaultName when SourcePin is empty) as IID.
  bool GetService(const String& DefaultName, const TGUID& IID, void** Service) const;
  template <InterfaceType I>
  bool GetService(const String& DefaultName, IPtr<I>& Service) const {
    void* out = nullptr;
    if (!GetService(DefaultName, IIDOf<I>(), &out) || out == nullptr) {
      Service = nullptr;
      return false;
    }
    Service = IPtr<I>::Adopt(static_cast<I*>(out));
    return true;
  }

  bool GetDataAsBoolean(const String& PinName, bool& Value) const;
  bool GetDataAsInteger(const String& PinName, Integer& Value) const;
  // Current is what link expressions see as "CurrentValue".
  bool GetDataAsInteger(const String& PinName, Integer Current, Integer& Value) const;
  // Format, when not empty, replaces the link's own template.
  bool GetDataAsText(const String& PinName, const String& Format, String& Value) const;

  // The value through the expression; Value itself without one or when evaluation fails.
  Variant Evaluate(const Variant& Value, const Variant* Current = nullptr) const;
  // Without an expression Value + Delta.
  Variant EvaluateAction(const Variant& Value, const Variant& Delta) const;

  // IZCLObjectRemoveNotify
  void OnRemove(TObject* Object) override;
  // IZSEExpressionGlobalVariablesListener
  void GlobalVariableChanged(const String& Name) override;

 protected:
  void Changed();

 private:
  friend class TZSECustomBindings;
  bool ReadBoolean(const String& PinName, const Variant* Current, Variant& Result) const;
  bool ReadInteger(const String& PinName, const Variant* Current, Variant& Result) const;
  bool ReadText(const String& PinName, const String* Format, Variant& Result) const;
  void SetCompiledExpression(TZSEBindingLinkExpression* Value);
  void RegisterWithSource();
  void UnregisterFromSource();

  String FExpression;
  TZSEBindingLinkExpression* FCompiled = nullptr;  // owned
  bool FListening = false;                         // registered for global-variable changes
  TZSECustomBindings* FOwner;
  TComponent* FSource = nullptr;
  // FSource as interface, found once: reads query it for every value.
  IInterface* FSourceInterface = nullptr;
  String FSourcePin;
  String FTargetPin;
  String FTextFormat;
};

// A small integer conversion of link values: reals round half to even, Booleans give 0 or 1,
// a text its integer value when it is one, else its length.
Integer BindingVariantToInteger(const Variant& V);

// ---- bindings ----------------------------------------------------------------------------------

// Pin flags.
constexpr Integer pfAction = 1;        // the element acts through the pin
constexpr Integer pfCurrentValue = 2;  // an integer property pin reads with its present value
constexpr Integer pfEvent = 4;         // skipped by full refreshes

using TZSEBindingPinProc = std::function<void(const String& Name, Integer Flags)>;
using TZSEBindingPinHandler = std::function<void()>;
using TZSEBindingPinSourceHandler = std::function<void(TComponent* Source)>;
using TZSEBindingPinPropertyHandler = std::function<void(const TPropInfo* Prop, TZSEBindingLink* Link)>;

class TZSECustomBindings : public TZCLUnknownPersistent,
                           public IZSEBindingClient,
                           public IZSEBindingServiceReader,
                           public IZCLUpdateLock,
                           public IZSESchemaCustomStoring {
  ZCL_CLASS(TZSECustomBindings, TZCLUnknownPersistent)
 public:
  using TCreateSignature = void(TComponent* AOwner);

  explicit TZSECustomBindings(TComponent* AOwner);
  ~TZSECustomBindings() override;
  void BeforeDestruction() override;

  // Answers its own interfaces, then asks the owner component: a bindings object stands for its
  // owner wherever an interface of the owner is wanted.
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override;

  TComponent* GetOwnerComponent() const { return FOwner; }
  // 0 while there is no link list.
  Integer GetCount() const;
  // For 0 <= Index < GetCount().
  TZSEBindingLink* GetLink(Integer Index) const;
  TZSEBindingLink* NewLink();
  // Null when the new link was a lone legacy link and has been expanded into others.
  TZSEBindingLink* AddLink(TComponent* Source, const String& SourcePin, const String& TargetPin);
  // The provider registry's component of that name; a link without source when there is none.
  TZSEBindingLink* AddLink(const String& ProviderName, const String& SourcePin, const String& TargetPin);
  bool RemoveLink(TZSEBindingLink* Link);
  // False for an index outside the list.
  bool DeleteLink(Integer Index);
  void ClearLinks();
  // The first link on the pin (ASCII letters compared without case).
  bool FindLink(const String& PinName, TZSEBindingLink*& Link) const;

  void BeginUpdate() override;
  void EndUpdate() override;

  bool GetDataAsBoolean(const String& PinName, bool& Value) const;
  bool GetDataAsBooleanDef(const String& PinName, bool Default) const;
  bool GetDataAsInteger(const String& PinName, Integer& Value) const;
  Integer GetDataAsIntegerDef(const String& PinName, Integer Default) const;
  bool GetDataAsText(const String& PinName, String& Value) const;
  bool GetDataAsText(const String& PinName, const String& Format, String& Value) const;
  // Empty when there is no data.
  String GetDataAsText(const String& PinName, const String& Format) const;

  bool GetService(const String& PinName, const TGUID& IID, void** Service, TZSEBindingLink** Link = nullptr) const;
  template <InterfaceType I>
  bool GetService(const String& PinName, IPtr<I>& Service, TZSEBindingLink** Link = nullptr) const {
    void* out = nullptr;
    if (!GetService(PinName, IIDOf<I>(), &out, Link) || out == nullptr) {
      Service = nullptr;
      return false;
    }
    Service = IPtr<I>::Adopt(static_cast<I*>(out));
    return true;
  }

  // The link's action, scroll or slider service (the first it answers).
  virtual bool GetActionService(const String& PinName, TZSEBindingLink*& Link, IPtr<IInterface>& Service);
  IPtr<IInterface> GetActionService(const String& PinName);
  bool HasActionService(const String& PinName);
  // An "Action" or "ActionOnHold" service.
  virtual bool HasAction();
  bool GetAccessibility(bool& Value);
  bool GetMenuService(IPtr<IZSEBindingServiceMenu>& Menu);
  // Runs the pin's action: executes an action, or moves a slider or scroll by its step (through
  // the expression when the link has one). False when the pin has no action service.
  bool ExecuteAction(const String& PinName);
  // Whether a link on the pin ignores the target's current value (its expression does not name
  // "CurrentValue"); components restore saved values only when it is not.
  bool IsPinOverridden(const String& PinName) const;

  virtual void EnumPins(const TZSEBindingPinProc& Proc) const;
  // Tells every pin but event pins; once at a time.
  virtual void FullRefresh();
  virtual void PinChanged(const String& PinName);

  // From another TZSEBindings, inside one update; other classes are ignored.
  void Assign(TPersistent* Source) override;
  // Each link's text followed by CR LF.
  String ToString() const override;

  // IZSEBindingClient: refreshes the pins of the links that read the service. Final: providers
  // skip a client for services it does not read (IZSEBindingServiceReader).
  void Changed(TComponent* Provider, const String& ServiceName) final;
  // IZSEBindingServiceReader: the source pins of the links on Provider, as Changed matches them.
  void EnumReadServices(TComponent* Provider, const std::function<void(const String&)>& Proc) const override;

  // IZSESchemaCustomStoring: the links as "link" elements of the "Bindings" property node; their
  // sources are resolved by the schema once the whole skin is read. Stored while links exist.
  void Load(TZCLXMLNode* Node, TZSESchema* Schema) override;
  void Save(TZCLXMLNode* Node, TZSESchema* Schema) override;
  bool IsStored() override { return GetCount() > 0; }

  // Writes one "link" element per link with a source under Node (its children go first).
  void SaveLinksToXML(TZCLXMLNode* Node) const;
  // Replaces the links by Node's child elements. Resolve is asked to find each link's source
  // after the load (it may defer); without it, sources are looked up in the provider registry.
  using TZSEBindingSourceResolver = std::function<void(TZSEBindingLink* Link, const String& SourceName)>;
  void LoadLinksFromXML(TZCLXMLNode* Node, const TZSEBindingSourceResolver& Resolve = nullptr);

 protected:
  virtual void BeforeRefresh() {}
  virtual void AfterRefresh() {}
  void LinkChanged();
  bool OwnerDestroying() const;
  bool IsRefreshing() const { return FRefreshing; }

  // Tells a notification in progress whether a handler destroyed the bindings meanwhile (an
  // element freed by its own handler), so that it stops before touching them again.
  class TAliveScope {
   public:
    explicit TAliveScope(TZSECustomBindings* ABindings);
    ~TAliveScope();
    TAliveScope(const TAliveScope&) = delete;
    TAliveScope& operator=(const TAliveScope&) = delete;
    bool Alive() const { return !FDestroyed; }

   private:
    friend class TZSECustomBindings;
    TZSECustomBindings* FBindings;
    TAliveScope* FOuter;
    bool FDestroyed = false;
  };

 private:
  friend class TZSEBindingLink;
  void LinksChanged(TObject* Sender);
  void AppendLink(TZSEBindingLink* Link);

  void MarkDestroyed();
  // Runs Work (several settings of links) inside one update, with the legacy expansion held
  // back until all of them are made: a link half set up must not be replaced under the caller.
  void EditLinks(const std::function<void()>& Work);

  TAliveScope* FScopes = nullptr;
  Integer FExpandLock = 0;
  Integer FUpdateCount = 0;
  bool FRefreshing = false;
  TZCLObjectList* FLinks = nullptr;  // owned; exists while links exist
  TComponent* FOwner;
};

class TZSEBindings : public TZSECustomBindings {
  ZCL_CLASS(TZSEBindings, TZSECustomBindings)
 public:
  struct TPinInfo {
    Integer Flags = 0;
    const TPropInfo* PropInfo = nullptr;
    TZSEBindingPinPropertyHandler OnSetProperty;
    TZSEBindingPinHandler OnChanged;
    TZSEBindingPinSourceHandler OnSourceChanged;
  };

  using TZSECustomBindings::TZSECustomBindings;
  ~TZSEBindings() override;

  // Registering a name again replaces the earlier record. Pin names are case-sensitive.
  void RegisterPin(const String& Name, Integer Flags = 0);
  void RegisterPinHandler(const String& Name, const TZSEBindingPinHandler& Handler, Integer Flags = 0);
  void RegisterPinSourceHandler(const String& Name, const TZSEBindingPinSourceHandler& Handler, Integer Flags = 0);
  // Binds the pin to a published Boolean, integer or floating-point property of the owner.
  // ENotSupportedException "The %s was not found in Owner class" or "Handler for the %s was not
  // registered".
  void RegisterPinProperty(const String& Name, const String& PropertyName, Integer Flags = 0);
  void UnregisterPin(const String& Name);
  bool FindPin(const String& Name, TPinInfo& Info) const;

  void EnumPins(const TZSEBindingPinProc& Proc) const override;
  void PinChanged(const String& PinName) override;

 private:
  class TPins;
  void StorePin(const String& Name, TPinInfo&& Info);
  TPins* FPins = nullptr;  // owned; exists once a pin is registered
};

// The legacy form: a link with only a source (both pins "!") that, while it is the only link,
// becomes one link per service whose name is also a pin name.
class TZSEBindingLegacyHelper {
 public:
  TZSEBindingLegacyHelper() = delete;
  static void PrepareLink(TZSEBindingLink* Link);
  static bool IsLegacyLink(const TZSEBindingLink* Link);
  static void Expand(TZSECustomBindings* Bindings);
};

// ---- bindable components -----------------------------------------------------------------------

class TZSEBindingClient : public TZCLComponent {
  ZCL_CLASS(TZSEBindingClient, TZCLComponent)
 public:
  explicit TZSEBindingClient(TComponent* AOwner);
  // Also answers IZSEAnnotations through its annotations object.
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override;
  // Creates the bindings (CreateBindings), then RegisterPins.
  void AfterConstruction() override;
  void BeforeDestruction() override;
  ~TZSEBindingClient() override;

  static void DeclareProperties(TClassDeclaration<TZSEBindingClient>& D);

  TZSECustomBindings* GetBindings() const { return FBindings; }
  TZSEAnnotations* GetAnnotations() const { return FAnnotations; }

 protected:
  virtual TZSECustomBindings* CreateBindings();
  virtual void RegisterPins() {}
  // The bindings as the pin registry, or null when CreateBindings made another kind.
  TZSEBindings* PinBindings() const;

 private:
  TZSEAnnotations* FAnnotations;            // owned
  TZSECustomBindings* FBindings = nullptr;  // owned
};

// A non-visual bindable component.
class TZSEComponent : public TZSEBindingClient {
  ZCL_CLASS(TZSEComponent, TZSEBindingClient)
 public:
  using TZSEBindingClient::TZSEBindingClient;
  // Tells the designer hooks after the name changed.
  void SetName(const TComponentName& NewName) override;
};

class TZSEEventHandler : public TZSEBindingClient {
  ZCL_CLASS(TZSEEventHandler, TZSEBindingClient)
 public:
  using TZSEBindingClient::TZSEBindingClient;
  // Arguments may be null.
  virtual void Execute(TObject* Sender, TPersistent* Arguments) = 0;

 protected:
  // "Handler" (an event pin): runs Execute with the provider as sender on each change of the
  // service it reads, never in a full refresh.
  void RegisterPins() override;
};

class TZSEMouseEventArguments : public TPersistent {
  ZCL_CLASS(TZSEMouseEventArguments, TPersistent)
 public:
  TZSEMouseEventArguments(Integer AButton, const TPoint& P) : FButton(AButton), FX(P.X), FY(P.Y) {}
  static void DeclareProperties(TClassDeclaration<TZSEMouseEventArguments>& D);
  Integer GetButton() const { return FButton; }
  Integer GetX() const { return FX; }
  Integer GetY() const { return FY; }

 private:
  Integer FButton;
  Integer FX;
  Integer FY;
};

void ExecuteHandler(TZSEEventHandler* Handler, TObject* Sender);
void ExecuteHandlerWithMouse(TZSEEventHandler* Handler, TObject* Sender, Integer Button, const TPoint& P);

// The object's published "Bindings" object when it is a TZSEBindings.
bool TryGetBindings(TObject* Object, TZSEBindings*& Bindings);
// False for an empty text or one where "%" is followed by an ASCII letter.
bool IsPlainTextTemplate(StringView Text);
// Every "%v" (case-sensitive) of Template replaced by Value.
String ApplyTextTemplate(StringView Template, StringView Value);

// ---- popup menus -------------------------------------------------------------------------------

// What bindings use of the program's popup menus beyond the platform menu.
struct IZSEPopupMenu : virtual IInterface {
  RTL_INTERFACE(IZSEPopupMenu, IInterface, "{CF23E55E-C563-4F20-BD3E-C46B5C42DBC2}")
  virtual bool GetAutoScale() = 0;
  virtual void SetAutoScale(bool Value) = 0;
  virtual void SetCurrentDpi(Integer Dpi) = 0;
  virtual void SetHint(const String& Value) = 0;
  // Shows the menu for a screen rectangle; nothing while it is showing.
  virtual void PopupAt(const TRect& R) = 0;
};

// The class of the engine's popup menus (a TPopupMenu descendant; the skin manager installs its
// own).
class TZSEPopupMenus {
 public:
  TZSEPopupMenus() = delete;
  static TClass GetMenuClass();
  static void SetMenuClass(TClass Value);
  // A menu of that class without owner; the caller frees it.
  static TPopupMenu* CreateMenu();
};

// Shows Menu for Element at a screen point or for a screen rectangle, scaled to the DPI of the
// element's form; the menu's AutoScale is restored afterwards, also on failure.
void ShowPopupMenu(TPopupMenu* Menu, bool AtPoint, const TPoint& P, const TRect& R, TComponent* PopupComponent,
                   TComponent* Element);

// Unit hooks.
void BindingsInitialization();
void BindingsFinalization();
