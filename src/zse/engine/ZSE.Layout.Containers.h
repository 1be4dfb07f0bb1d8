#pragma once
// Layout items that give a form's layout its structure beyond docking: the container (a textured
// item with a display name and a remembered visibility), the split view (two panes and a
// draggable splitter, fixed or proportional), the scroll view (content larger than the view,
// scrolled by position, wheel and panning) and the dock site (a rectangle of the host's layout
// that holds another skin form).
//
// Skin controls are not part of the engine: a container draws and hit-tests whatever controls
// it holds through IZSEContainedControl, and the split view's splitter is a small element of the
// view's own rather than a skin control.

#include <functional>

#include "zcl/ui/ZCL.UI.Animation.h"
#include "zse/engine/ZSE.Bindings.Providers.h"
#include "zse/engine/ZSE.Forms.h"
#include "zse/engine/ZSE.Layout.h"
#include "zse/engine/ZSE.Layout.Calculator.h"
#include "zse/engine/ZSE.Schema.h"

class TZCLIniFile;

// A container is a binding provider of its own: "IsActive" (the pointer is over it) and
// "Visibility" (reads Visible; its action toggles it).
// What a container asks of the skin controls it holds: they draw over its layer 1 and are hit
// at window points; the container is their parent.
struct IZSEContainedControl : virtual IInterface {
  RTL_INTERFACE(IZSEContainedControl, IInterface, "{5B2C8E41-9D3A-4F67-B1C0-7E4A2D9F6B35}")
  virtual void DrawControl(TZSERenderBuffer* Canvas) = 0;
  virtual bool HitTestControl(const TPoint& P) = 0;
};

class TZSELayoutContainer : public TZSELayoutTexture,
                            public TZSEBindingProviderDelegate,
                            public IZSEBindingServiceDataBoolean,
                            public IZSEHandlerMouseHover,
                            public IZSEHandlerContextMenu {
  ZCL_CLASS(TZSELayoutContainer, TZSELayoutTexture)
  RTL_INTERFACES(TZSELayoutTexture, IZSEBindingProvider, IZSEBindingServiceDataBoolean, IZSEHandlerMouseHover,
                 IZSEHandlerContextMenu)
 public:
  TZSELayoutContainer();
  ~TZSELayoutContainer() override;
  static void DeclareProperties(TClassDeclaration<TZSELayoutContainer>& D);

  String GetDisplayName() const { return FDisplayName; }
  void SetDisplayName(const String& Value);
  // The display name with skin references resolved, else the language text of the Name in
  // "Actions", else the Name.
  String GetActualDisplayName() const;
  bool GetInitialVisible() const { return FInitialVisible; }
  void SetInitialVisible(bool Value) { FInitialVisible = Value; }
  bool GetIsActive() const { return FIsActive; }
  // The pointer entered (True) or left the container.
  void SetActive(bool Value);
  // The container's context menu (not owned; cleared when it is freed).
  TPopupMenu* GetPopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* Value);
  // Auto-hidden containers and (with IncludeTabbedParent) pages of a tabbed group never store
  // "Visible": their visibility is decided elsewhere.
  bool IsVisibilityManaged(bool IncludeTabbedParent = true) const;

  void VisibilityChanged() override;
  void LoadSettings(TZCLIniFile* Ini, const String& Key) override;
  void SaveSettings(TZCLIniFile* Ini, const String& Key) override;

  // The skin controls placed in the container, in z-order (the last one on top); the container
  // owns them, and one freed elsewhere leaves the list.
  const std::vector<TZSECustomVisualItem*>& GetControls() const { return FControls; }
  void AddControl(TZSECustomVisualItem* Control);
  void RemoveControl(TZSECustomVisualItem* Control);
  void ControlsChanged() { Changed(ZSELayoutChangeAppearance); }
  TRect GetControlsArea() { return GetBounds(); }
  // Layer 1: the visible controls first, then the base.
  void DrawContent(TZSERenderBuffer* Canvas, Integer Layer) override;
  // The child items, then (unless a control is hit already) the visible, enabled controls from
  // the top one down.
  bool HitTestChildren(TZSELayoutHitTestInfo& Info) override;
  bool HasChild(TZSECustomVisualItem* Item, bool Recursive) const override;

  // IZSEBindingServiceDataBoolean ("IsActive")
  bool GetBooleanValue() override { return FIsActive; }
  // IZSEHandlerMouseHover: IsActive follows the pointer.
  void MouseHover(bool Entered) override { SetActive(Entered); }
  // IZSEHandlerContextMenu: the PopupMenu, for the form's ordinary context menu (kind 1) only.
  bool HasContextMenu(Integer Button) override { return Button == 1 && FPopupMenu; }
  void ShowContextMenu(Integer Button, const TPoint& ScreenPoint) override;

 protected:
  // "Accessibility": Enabled follows what the bindings report.
  void RegisterPins() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  std::vector<TZSECustomVisualItem*> FControls;
  TPopupMenu* FPopupMenu = nullptr;
  String FDisplayName;
  bool FInitialVisible = true;
  bool FIsActive = false;
};

enum TZSELayoutSpliterStyle : Byte { lssControl, lssOverlay };
ZCL_ENUM(TZSELayoutSpliterStyle, lssControl, lssOverlay);

class TZSELayoutSplitView;

// The bar between the split view's panes: drawn with the view's splitter texture on top of both
// panes, hit before them, and dragged with the left button to move the split. Its bounds are the
// view's splitter rectangle (layout coordinates).
class TZSELayoutSplitViewSplitter : public TZSECustomVisualItem,
                                    public IZSEContainedControl,
                                    public IZSEHandlerMouse,
                                    public IZCLCursorProvider {
  ZCL_CLASS(TZSELayoutSplitViewSplitter, TZSECustomVisualItem)
  RTL_INTERFACES(TZSECustomVisualItem, IZSEContainedControl, IZSEHandlerMouse, IZCLCursorProvider)
 public:
  explicit TZSELayoutSplitViewSplitter(TZSELayoutSplitView* AView);
  TZSELayoutSplitView* GetView() const { return FView; }
  void Place(const TRect& R) { FBounds = R; }

  TZSESizeLimits GetSizeLimits() override { return {}; }
  TComponent* GetForm() override;
  TZSECustomVisualItem* GetParent() const override;
  bool IsActuallyEnabled() override;
  bool IsActuallyVisible() override;
  void SetEnabled(bool Value) override { FEnabled = Value; }
  void SetVisible(bool Value) override { FVisible = Value; }
  void DpiChanged() override {}
  void BeginUpdate() override {}
  void EndUpdate() override {}
  // IZSEContainedControl
  void DrawControl(TZSERenderBuffer* Canvas) override;
  bool HitTestControl(const TPoint& P) override;
  // IZSEHandlerMouse (points local to the splitter)
  TPoint LocalToScreen(const TPoint& P) override { return ClientToScreen(P); }
  TPoint ScreenToLocal(const TPoint& P) override { return ScreenToClient(P); }
  Byte GetAcceptedButtons() override { return 1; }
  Integer MouseHitTest(const TPoint&) override { return 1; }
  void MouseDown(TMouseButton Button, TShiftState Shift, const TPoint& P) override;
  void MouseMove(TShiftState Shift, const TPoint& P) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, const TPoint& P) override;
  // IZCLCursorProvider: the split cursor across the bar.
  TCursor GetCursorAt(const TPoint& P) override;

 private:
  TPoint ToLayout(const TPoint& P) const { return TPoint(P.X + FBounds.Left, P.Y + FBounds.Top); }
  TZSELayoutSplitView* FView;
};

// Besides the container's services: "SplitterVisibility" (reads ShowSplitter; its action
// toggles it).
class TZSELayoutSplitView : public TZSELayoutContainer {
  ZCL_CLASS(TZSELayoutSplitView, TZSELayoutContainer)
 public:
  TZSELayoutSplitView();
  ~TZSELayoutSplitView() override;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TZSELayoutSplitView>& D);

  // The splitter's image; one frame of it gives the splitter's thickness.
  TZSETexture* GetTextureSplitter() const { return FTextureSplitter; }
  TZSELayoutSplitViewSplitter* GetSplitter() const { return FSplitter; }
  bool GetDragging() const { return FDragging; }

  bool GetShowSplitter() const { return FShowSplitter; }
  void SetShowSplitter(bool Value);
  TZSELayoutSpliterStyle GetSplitterStyle() const { return FSplitterStyle; }
  void SetSplitterStyle(TZSELayoutSpliterStyle Value);
  // Fixed mode: pixels at the view's DPI (stored at 96 DPI); proportional mode: -100..100.
  Integer GetSplitValue();
  void SetSplitValue(Integer Value);
  Integer GetStoredSplitValue() const { return FSplitValue; }
  void SetStoredSplitValue(Integer Value) { FSplitValue = Value; }

  // 0 no pane pair, 1 fixed (one pane docked to a side), 2 proportional (both client).
  Integer GetSplitMode();
  bool GetVertical() { UpdatePanes(); return FVertical; }
  TZSELayoutCustomItem* GetSidePane() { UpdatePanes(); return FSidePane; }
  TZSELayoutCustomItem* GetClientPane() { UpdatePanes(); return FClientPane; }
  // The splitter's thickness at the view's DPI: the height (stacked panes) or width of one frame
  // of the splitter texture.
  virtual Integer GetSplitterThickness();
  // Where the splitter is; empty while hidden.
  TRect GetSplitterRect() const { return FSplitterRect; }
  Integer ClampSplitValue(Integer Value);

  // The splitter dragged with the pointer (points in the layout's coordinates).
  bool SplitterHitTest(const TPoint& P) const;
  void BeginSplitterDrag(const TPoint& P);
  void DragSplitterTo(const TPoint& P);
  void EndSplitterDrag() { FDragging = false; }

  void ApplyMaximalSize(TZSESizeLimits& Limits) override;
  void ApplyMinimalSize(Integer& MinWidth, Integer& MinHeight) override;
  const TZSELayoutCalculator& GetCalculatorClass() const override;
  void Changed(Byte Flags, TZSELayoutCustomItem* Source = nullptr) override;
  void ItemVisibilityChanged(TZSELayoutCustomItem* Item) override;
  void LoadSettings(TZCLIniFile* Ini, const String& Key) override;
  void SaveSettings(TZCLIniFile* Ini, const String& Key) override;
  void DrawContent(TZSERenderBuffer* Canvas, Integer Layer) override;
  bool HitTestChildren(TZSELayoutHitTestInfo& Info) override;
  bool HasChild(TZSECustomVisualItem* Item, bool Recursive) const override;

 protected:
  // "SplitterVisibility" follows ShowSplitter.
  void RegisterPins() override;

 private:
  friend class TZSELayoutSplitViewCalculator;
  void SplitterTextureChanged(TObject* Owner, TZSETexture* Texture);
  void SetSplitterRect(const TRect& R);
  void UpdatePanes();
  // The thickness that takes space (Control style, shown, a pane pair).
  Integer SpaceTaken();
  void PlaceSplitter(TRect& Rest);
  TZSETexture* FTextureSplitter;
  TZSELayoutSplitViewSplitter* FSplitter;
  TZSELayoutCustomItem* FClientPane = nullptr;
  TZSELayoutCustomItem* FSidePane = nullptr;
  TRect FSplitterRect;
  TPoint FDragOrigin;
  TPoint FDragStart;
  Integer FSplitValue = 0;
  TZSELayoutSpliterStyle FSplitterStyle = lssControl;
  bool FShowSplitter = true;
  bool FVertical = false;
  bool FDragging = false;
};

// The proportional division of Total (less the splitter T) for a split value S in -100..100,
// with the first pane's limits MinA/MaxA, the second's MinB/MaxB and the view's minimum MinV.
Integer ZSESplitProportionalLength(Integer Total, Integer T, Integer S, Integer MinA, Integer MaxA, Integer MinB,
                                   Integer MaxB, Integer MinV);
// The split value for the first pane's length P out of L (view less splitter); 0 when L has no room.
Integer ZSESplitProportionalValue(Integer P, Integer L, Integer MinA, Integer MaxA, Integer MinB, Integer MaxB);

struct TZSEScrollInfo {
  Integer Min = 0;
  Integer Max = 0;
  Integer Page = 0;
  Integer Step = 0;
  Integer Position = 0;
};

// Besides the container's services: "ScrollBarHorz" and "ScrollBarVert", the scroll ranges that
// skin scroll bars bind to. While its content exceeds it, the view takes the mouse wheel, pan
// gestures and, with ScrollByContentDragging, left-button drags of its content anywhere in it;
// otherwise it answers none of those handlers.
class TZSELayoutScrollView : public TZSELayoutContainer,
                             public IZSEHandlerMouseWheel,
                             public IZSEHandlerMouse,
                             public IZSEHandlerGestures {
  ZCL_CLASS(TZSELayoutScrollView, TZSELayoutContainer)
 public:
  TZSELayoutScrollView();
  static void DeclareProperties(TClassDeclaration<TZSELayoutScrollView>& D);
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override;

  // IZSEHandlerMouseWheel
  void MouseWheel(TShiftState Shift, bool Up) override { WheelStep(!Up, Shift.Contains(ssShift)); }
  // IZSEHandlerMouse: a drag of the content pans it (points local to the view).
  TPoint LocalToScreen(const TPoint& P) override { return ClientToScreen(P); }
  TPoint ScreenToLocal(const TPoint& P) override { return ScreenToClient(P); }
  Byte GetAcceptedButtons() override { return 1; }
  Integer MouseHitTest(const TPoint&) override { return ZSEMouseHitDragsItself; }
  void MouseDown(TMouseButton Button, TShiftState, const TPoint& P) override {
    if (Button == TMouseButton::Left) Pan(P, 1);
  }
  void MouseMove(TShiftState, const TPoint& P) override { Pan(P, 0); }
  void MouseUp(TMouseButton Button, TShiftState, const TPoint& P) override {
    if (Button == TMouseButton::Left) Pan(P, 4);
  }
  // IZSEHandlerGestures: pans (location in layout coordinates).
  void Gesture(const TGestureEventInfo& Info) override;
  void GetGestures(Integer& Gestures, Integer& Options) override;

  TPoint GetScrollPosition() const { return FScrollPosition; }
  // Clamped to the content; realigns when it moved.
  void ScrollTo(TPoint P);
  TSize GetContentSize();
  bool ContentExceedsView();
  // The scroll range of one axis; false (the scroll bar is not accessible) while the page is not
  // below the range.
  bool GetScrollInfo(bool Vertical, TZSEScrollInfo& Info);
  void SetScrollBarPosition(bool Vertical, Integer Position);
  // One wheel notch: 14 pixels at 96 DPI, horizontally with Shift.
  void WheelStep(bool Down, bool Shift);
  // Pan steps: the content follows the pointer. Flags bit 0 begin, bit 2 end.
  void Pan(const TPoint& Location, Byte Flags);
  bool GetPanning() const { return FPanning; }
  bool GetScrollByContentDragging() const { return FScrollByContentDragging; }
  void SetScrollByContentDragging(bool Value) { FScrollByContentDragging = Value; }

  const TZSELayoutCalculator& GetCalculatorClass() const override;
  void Realign() override;
  // Scrolls R (layout coordinates) into the view; not passed further up.
  void MakeVisible(const TRect& R, Integer Mode) override;
  void CalculateSizeLimits(TZSESizeLimits& Limits) override;
  bool HasChildrenOutOfBounds() override { return true; }

 private:
  friend class TZSELayoutScrollViewCalculator;
  TPoint FScrollPosition;
  TPoint FLastPanPoint;
  TZSESizeLimits FContentLimits;
  bool FScrollByContentDragging = true;
  bool FPanning = false;
};

enum TZSELayoutDockSiteRestriction : Byte { ldsrNone, ldsrNoDocking, ldsrNoUndocking };
ZCL_ENUM(TZSELayoutDockSiteRestriction, ldsrNone, ldsrNoDocking, ldsrNoUndocking);

RTL_EXCEPTION(EZSEDockingError, EInvalidOperation);
RTL_EXCEPTION(EZSEDockSiteCannotAcceptForm, EZSEDockingError);
RTL_EXCEPTION(EZSEDockSiteCannotReleaseForm, EZSEDockingError);

class TZSELayoutDockSite;

// The forms a dock site may hold (duplicates allowed) and its default form. In the skin
// document: attribute "default" and one "form" element with attribute "name" per entry.
class TZSELayoutDockSiteForms : public TZCLUnknownPersistent, public IZSESchemaCustomStoring {
  ZCL_CLASS(TZSELayoutDockSiteForms, TZCLUnknownPersistent)
  RTL_INTERFACES(TZCLUnknownPersistent, IZSESchemaCustomStoring)
 public:
  // Finds a form of the running skin by name (the skin manager's forms; tests stand in).
  static std::function<TComponent*(const String& Name)> FindForm;

  explicit TZSELayoutDockSiteForms(TZSELayoutDockSite* AOwner = nullptr) : FOwner(AOwner) {}
  void Load(TZCLXMLNode* Node, TZSESchema* Schema) override;
  void Save(TZCLXMLNode* Node, TZSESchema* Schema) override;
  bool IsStored() override { return !FItems.empty(); }
  void Add(TZSEBaseForm* Form);
  void Clear();
  bool Contains(TZSEBaseForm* Form) const;
  // The first entry of the form.
  void Remove(TZSEBaseForm* Form);
  // Every entry of a destroyed form.
  void RemoveAll(TZSEBaseForm* Form);
  // Accepted when nil or a member.
  void SetDefault(TZSEBaseForm* Form);
  TZSEBaseForm* GetDefault() const { return FDefault; }
  Integer GetCount() const { return static_cast<Integer>(FItems.size()); }
  TZSEBaseForm* GetItem(Integer Index) const { return FItems[static_cast<size_t>(Index)]; }

 private:
  void Left(TZSEBaseForm* Form);
  TZSELayoutDockSite* FOwner;
  std::vector<TZSEBaseForm*> FItems;
  TZSEBaseForm* FDefault = nullptr;
};

class TZSELayoutDockSite : public TZSELayoutItem {
  ZCL_CLASS(TZSELayoutDockSite, TZSELayoutItem)
 public:
  // Whether the skin manager created the form for the loaded skin (tests stand in).
  static std::function<bool(TZSEBaseForm* Form)> IsSkinManagerForm;

  TZSELayoutDockSite();
  ~TZSELayoutDockSite() override;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TZSELayoutDockSite>& D);

  TZSELayoutDockSiteForms* GetAllowedForms() const { return FAllowedForms; }
  TZCLRect* GetContentExtends() const { return FContentExtends; }
  bool GetInitialDocked() const { return FInitialDocked; }
  void SetInitialDocked(bool Value) { FInitialDocked = Value; }
  TZSELayoutDockSiteRestriction GetRestriction() const { return FRestriction; }
  void SetRestriction(TZSELayoutDockSiteRestriction Value);
  TZSEForm* GetDockedForm() const { return FDockedForm; }
  bool GetHighlighted() const { return FHighlighted; }

  bool CanAccept(TZSEBaseForm* Form);
  bool CanRelease();
  bool IsDefault(TZSEBaseForm* Form) const { return Form && Form == FAllowedForms->GetDefault(); }
  // Raises EZSEDockSiteCannotAcceptForm; the form must be a TZSEForm.
  void Dock(TZSEBaseForm* Form);
  // Raises EZSEDockSiteCannotReleaseForm.
  void Undock();
  TRect GetScreenBounds();
  void SetHighlighted(bool Value);
  void UpdateVisibility();

  void Realign() override;
  void StoreCurrentSize() override;
  void DrawContent(TZSERenderBuffer* Canvas, Integer Layer) override;
  bool HitTestSelf(const TPoint& P) override;
  bool HitTestChildren(TZSELayoutHitTestInfo& Info) override;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  friend class TZSELayoutDockSiteForms;
  void FormLeft(TZSEBaseForm* Form);
  void ContentExtendsChanged(TObject* Sender);
  void UpdateDockState();
  TRect ScaledExtends();
  TZSELayoutDockSiteForms* FAllowedForms;
  TZCLRect* FContentExtends;
  TZSEForm* FDockedForm = nullptr;
  TZSELayoutDockSiteRestriction FRestriction = ldsrNone;
  bool FHighlighted = false;
  bool FInitialDocked = true;
  bool FDestroying = false;
};

enum TZSELayoutTabbedGroupAnimation : Byte {
  tgaNone,
  tgaFade,
  tgaSlideLeftToRight,
  tgaSlideRightToLeft,
  tgaSlideTopToBottom,
  tgaSlideBottomToTop,
  tgaSlideHorizontal,
  tgaSlideVertical,
  tgaPaperSlide
};
ZCL_ENUM(TZSELayoutTabbedGroupAnimation, tgaNone, tgaFade, tgaSlideLeftToRight, tgaSlideRightToLeft,
         tgaSlideTopToBottom, tgaSlideBottomToTop, tgaSlideHorizontal, tgaSlideVertical, tgaPaperSlide);

class TZSEPaperSlideAnimationOptions;

// Child containers as pages: exactly one, the active page, is visible; the user's choice is
// remembered by name, and a switch may be animated.
// Services: "ActivePage" (the active page's caption as text, PageIndex as integer, and a scroll
// range over the pages) and "Pages" (the pages as tabs and as a menu). Bound tab controls hear
// of every page added, changed, moved or removed.
class TZSELayoutTabbedGroup : public TZSELayoutItem,
                              public IZCLAnimateControl,
                              public TZSEBindingProviderDelegate,
                              public IZSEBindingServiceDataText,
                              public IZSEBindingServiceDataInteger,
                              public IZSEBindingServiceActionScroll {
  ZCL_CLASS(TZSELayoutTabbedGroup, TZSELayoutItem)
  RTL_INTERFACES(TZSELayoutItem, IZCLAnimateControl, IZSEBindingProvider, IZSEBindingServiceDataText,
                 IZSEBindingServiceDataInteger, IZSEBindingServiceActionScroll)
 public:
  // The application's switch for UI animations.
  static bool AnimationsEnabled;

  TZSELayoutTabbedGroup();
  ~TZSELayoutTabbedGroup() override;
  static void DeclareProperties(TClassDeclaration<TZSELayoutTabbedGroup>& D);

  Integer GetPageIndex() const { return FPageIndex; }
  // Clamped into the pages; -1 only without pages.
  void SetPageIndex(Integer Index);
  Integer GetPageCount() const { return static_cast<Integer>(FPages.size()); }
  TZSELayoutContainer* GetPage(Integer Index) const { return FPages[static_cast<size_t>(Index)]; }
  TZSELayoutContainer* GetActivePage() const { return FPageIndex >= 0 ? GetPage(FPageIndex) : nullptr; }
  Integer IndexOfPageByName(const String& Name) const;
  String GetUserSelectedPage() const { return FUserSelectedPage; }
  void RebuildPages();

  TZSELayoutTabbedGroupAnimation GetAnimation() const { return FAnimation; }
  void SetAnimation(TZSELayoutTabbedGroupAnimation Value) { FAnimation = Value; }
  // 0..5000 milliseconds, clamped.
  Integer GetAnimationTime() const { return FAnimationTime; }
  void SetAnimationTime(Integer Value);
  TZCLAnimationTransitionMode GetAnimationTransitionMode() const { return FTransitionMode; }
  void SetAnimationTransitionMode(TZCLAnimationTransitionMode Value) { FTransitionMode = Value; }
  TZSEPaperSlideAnimationOptions* GetAnimationOptionsPaperSlide() const { return FPaperSlide; }
  bool CanAnimate();
  // The animator of a switch from page Old to New (the caller owns it); Reversed tells a paper
  // slide that runs backwards with its frames swapped.
  TZCLFramesAnimator* CreateSwitchAnimator(Integer Old, Integer New, bool& Reversed) const;

  void Animate() override { Changed(ZSELayoutChangeAppearance); }
  void ItemNameChanged(TZSELayoutCustomItem* Item) override;
  void AddItem(TZSELayoutCustomItem* Item) override;
  void RemoveItem(TZSELayoutCustomItem* Item) override;
  void ItemEnabledChanged(TZSELayoutCustomItem* Item) override;
  void MoveItem(TZSELayoutCustomItem* Item, Integer Index) override;
  void ItemVisibilityChanged(TZSELayoutCustomItem* Item) override;
  void ItemVisibilityChanging(TZSELayoutCustomItem* Item, bool& Visible) override;
  void DrawContent(TZSERenderBuffer* Canvas, Integer Layer) override;
  void LoadSettings(TZCLIniFile* Ini, const String& Key) override;
  void SaveSettings(TZCLIniFile* Ini, const String& Key) override;

  // "ActivePage"
  String GetTextValue() override;
  Integer GetIntegerValue() override { return FPageIndex; }
  void GetScrollInfo(Integer& Max, Integer& Min, Integer& Page, Integer& Step, Integer& Position) override;
  void SetPosition(Integer& Position) override;

 protected:
  // "ActivePage" follows PageIndex.
  void RegisterPins() override;

 private:
  static bool IsPage(TZSELayoutCustomItem* Item);
  // To the bound tab controls.
  void NotifyItemAdded(TZSELayoutContainer* Page);
  void NotifyItemChanged(TZSELayoutContainer* Page);
  void NotifyItemMoved(TZSELayoutContainer* Page);
  void NotifyItemRemoved(TZSELayoutContainer* Page);
  void RemovePage(TZSELayoutContainer* Page);
  void UpdatePageVisibility();
  void SwitchPage(Integer Old, Integer New);
  std::vector<TZSELayoutContainer*> FPages;
  String FUserSelectedPage;
  TZSEPaperSlideAnimationOptions* FPaperSlide;
  Integer FPageIndex = -1;
  Integer FUpdateLock = 0;
  Integer FAnimationTime = 1000;
  TZSELayoutTabbedGroupAnimation FAnimation = tgaNone;
  TZCLAnimationTransitionMode FTransitionMode = ateAccelerateDecelerate;
  bool FUpdatingVisibility = false;
};

void ZSELayoutContainersInitialize();
void ZSELayoutContainersFinalize();
