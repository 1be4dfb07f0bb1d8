#pragma once
// Dock panels arranged in a tree: groups split their area horizontally or vertically or show
// their children as tabs; panels carry a caption bar with buttons and host ordinary controls.
// The dock site is the root group with four side bars (pinned panels slide out from them) and
// the floating windows made for it; it saves and restores the whole arrangement as XML.
// Dragging panels to drop zones is the engine's (ZCL.UI.Controls.Docking.Engine). UI thread only.
//
// Sides are numbered 0 left, 1 top, 2 right, 3 bottom throughout.

#include <map>
#include <vector>

#include "vcl/VCL.Messages.h"
#include "zcl/ui/ZCL.UI.Animation.h"
#include "zcl/ui/ZCL.UI.Controls.Base.h"
#include "zcl/ui/controls/ZCL.UI.Panels.h"

class TZCLXMLNode;
class TZCLXMLDocument;
class TZCLDockEngine;
class TZCLDockZone;
class TZCLDockGroup;
class TZCLDockSite;
class TZCLDockSiteSideBar;
class TZCLDockSiteSideBars;
class TZCLFloatDockForm;
class TZCLAnimation;
class TZCLTimer;

// A control refused by the parent it was given.
RTL_EXCEPTION(EInvalidInsert, Exception);

inline constexpr UINT CM_DOCKING_PACK = CM_BASE + 101;
inline constexpr UINT CM_DOCKING_UPDATE_ACTIVE = CM_BASE + 102;
// LParam: the sender.
inline constexpr UINT CM_DOCKING_TEXT_CHANGED = CM_BASE + 103;
// WParam: 1 visible, 0 not; LParam: the child.
inline constexpr UINT CM_DOCKING_VISIBILITY = CM_BASE + 104;

enum TZCLDockGroupLayout : Byte { Horizontal, Vertical, Tabbed };
ZCL_ENUM(TZCLDockGroupLayout, Horizontal, Vertical, Tabbed);

// The sign of a side along its axis and the side across.
inline constexpr Integer DockSideSign[4] = {-1, -1, 1, 1};
inline constexpr Integer DockSideOpposite[4] = {2, 3, 0, 1};

class TZCLStyleDocking : public TZCLStyleCategory {
  ZCL_CLASS(TZCLStyleDocking, TZCLStyleCategory)
 public:
  using TZCLStyleCategory::TZCLStyleCategory;
  static void DeclareProperties(TClassDeclaration<TZCLStyleDocking>& D);
  TZCLResourceTexture* GetHeaderButton() { return GetTexture(0); }
  TZCLResourceTexture* GetHeaderButtonGlyphs() { return GetTexture(1); }
  TZCLResourceColor* GetTabArea() { return GetColor(10); }
  TZCLResourceFont* GetTabFont() { return GetFont(1); }
  TZCLResourceFont* GetTabFontActive() { return GetFont(2); }
  // At the style's target DPI. Measurements are kept until the style or its DPI changes: every
  // layout pass asks for them.
  TRect GetTabPadding();
  Integer GetTabHeight();
  Integer GetTabWidth(const String& Text);
  Integer GetDockHeaderHeight();

 protected:
  void InitializeResources() override;
  void DoChanged(TZCLPersistentChanges Changes) override;
  void DoResourceChanged(TZCLResource* Resource) override;
  void DoSetTargetDPI(Integer Value) override;
  void FlushMeasures();

 private:
  Integer FTabHeight = -1;
  Integer FHeaderHeight = -1;
  std::map<String, Integer> FTabWidths;
};

class TZCLStyleDockSite : public TZCLStyleDocking {
  ZCL_CLASS(TZCLStyleDockSite, TZCLStyleDocking)
 public:
  using TZCLStyleDocking::TZCLStyleDocking;
  static void DeclareProperties(TClassDeclaration<TZCLStyleDockSite>& D);
  TZCLResourceColor* GetSideBar() { return GetColor(11); }
  TZCLResourceTexture* GetSideBarTab() { return GetTexture(2); }
  TZCLResourceFont* GetSideBarTabFont() { return GetFont(3); }
  TZCLResourceFont* GetSideBarTabFontActive() { return GetFont(4); }
  Integer GetSideBarTabWidth(const String& Text);

 protected:
  void InitializeResources() override;
};

enum class TZCLDockDragMode : Byte { None, Docking, Resize };

class TZCLDockControl : public TZCLCustomControl, public IZCLCursorProvider {
  ZCL_CLASS(TZCLDockControl, TZCLCustomControl)
  RTL_INTERFACES(TZCLCustomControl, IZCLCursorProvider)
  VCL_MESSAGES()
 public:
  explicit TZCLDockControl(TComponent* AOwner);
  ~TZCLDockControl() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TZCLDockControl>& D);

  // Pixels at the control's current DPI.
  Integer GetCustomWidth() const { return FCustomWidth; }
  void SetCustomWidth(Integer Value);
  Integer GetCustomHeight() const { return FCustomHeight; }
  void SetCustomHeight(Integer Value);
  // Store the value only (no resizing of the neighbours).
  void SetCustomWidthValue(Integer Value) { FCustomWidth = Value; }
  void SetCustomHeightValue(Integer Value) { FCustomHeight = Value; }
  TZCLDockControl* GetNeighbour(Integer Side) const { return FNeighbours[Side]; }
  TZCLStyleDocking* GetDockStyle() const { return FStyle; }
  TZCLDockSiteSideBar* GetSideBar() const { return FSideBar; }
  // Pins to a side bar (null unpins); a failed pin leaves the control unpinned.
  void SetSideBar(TZCLDockSiteSideBar* Value);
  TZCLDockDragMode GetDragMode() const { return FDragMode; }
  TZCLDockEngine* GetEngine() const { return FEngine; }
  TZCLDockGroup* GetParentGroup() const;
  // The nearest dock site among the parents (the control itself when it is one).
  TZCLDockSite* GetDockSite() const;
  bool IsAligning() const { return FAligning || GetParent() && GetParent()->GetAligning(); }

  void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;
  // Client coordinates.
  void StartDockingDrag(const TPoint& Point);
  // Point in this control's client coordinates; Control owns the edge.
  void StartEdgeResize(TZCLDockControl* Control, const TPoint& Point, Integer Side);
  void StoreCustomSize();
  // Minimum size along an axis: 3 x (header height + top and bottom content margins).
  Integer GetMinSize();
  // Header height of the style plus top and bottom content margins.
  Integer GetHeaderReserve();
  bool CanResizeSide(Integer Side);

  virtual void AfterAlign();
  virtual void BeforeAlign();
  virtual void BeforeAlignChildren() {}
  virtual TZCLStyleDocking* CreateStyle();
  TCursor GetCursorAt(const TPoint& Point) override;
  virtual void CreateDockZones(TZCLDockControl* Control, std::vector<TZCLDockZone*>& Zones);
  virtual bool HitTestResizeEdge(const TPoint& Point, TZCLDockControl*& Control, Integer& Side);
  virtual bool IsPositionStored() { return false; }
  virtual void LayoutLoad(TZCLXMLNode* Node);
  virtual void LayoutSave(TZCLXMLNode* Node);
  virtual bool IsPinned() { return FSideBar != nullptr; }
  virtual TRect GetContentMargins();

 protected:
  friend class TZCLDockGroup;
  friend class TZCLDockSite;
  friend class TZCLDockSiteSideBar;
  friend class TZCLFloatDockForm;
  void ChangeScale(Integer M, Integer D, bool IsDpiChange = false) override;
  void SetTargetDPI(Integer DPI) override;
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void EndDrag(bool Drop);
  // Side 2 for the width, 3 for the height.
  void SetCustomSize(Integer& Field, Integer Side, Integer Value);
  // Resizes by frame: the change is applied and kept as custom size.
  void SetBoundsByFrame(const TRect& R);
  void CMVisibleChanged(TMessage& Message);
  void CMControlListChange(TMessage& Message);
  void CMCancelMode(TMessage& Message);
  void WMCancelMode(TMessage& Message);
  void WMCaptureChanged(TMessage& Message);

  TZCLDockControl* FNeighbours[4] = {};
  Integer FCustomWidth = 100;
  Integer FCustomHeight = 100;
  TZCLDockDragMode FDragMode = TZCLDockDragMode::None;
  TPoint FDragStart;
  Integer FResizeSide = -1;
  TZCLDockControl* FResizeControl = nullptr;
  TZCLDockEngine* FEngine = nullptr;
  TZCLDockSiteSideBar* FSideBar = nullptr;
  TZCLStyleDocking* FStyle = nullptr;
  bool FAligning = false;
  bool FFrameSizing = false;
  bool FEndingDrag = false;
};

class TZCLDockGroup : public TZCLDockControl {
  ZCL_CLASS(TZCLDockGroup, TZCLDockControl)
  VCL_MESSAGES()
 public:
  struct TTab {
    TZCLDockControl* Control = nullptr;
    TRect Bounds;
  };

  explicit TZCLDockGroup(TComponent* AOwner);
  static void DeclareProperties(TClassDeclaration<TZCLDockGroup>& D);

  Integer GetActiveControlIndex() const { return FActiveControlIndex; }
  void SetActiveControlIndex(Integer Value);
  TZCLDockGroupLayout GetLayout() const { return FLayout; }
  void SetLayout(TZCLDockGroupLayout Value);
  // Null when ActiveControlIndex is outside the children.
  TZCLDockControl* GetActiveControl() const;
  TZCLDockControl* GetDockControl(Integer Index) const;
  String ToString() const override;
  // Visible (in design mode: all) children that are not custom-aligned.
  Integer GetVisibleChildCount() const;
  TRect GetLayoutRect() const { return FLayoutRect; }
  // What the last layout pass left over.
  TRect GetContentRect() const { return FContentRect; }
  TRect GetTabAreaRect() const { return FTabArea; }
  const std::vector<TTab>& GetTabs() const { return FTabs; }
  Integer GetActiveTabIndex() const { return FActiveTabIndex; }
  // Side-bar tabs naming this group as their return place.
  Integer GetPinReferenceCount() const { return FPinRefCount; }
  // Moves an edge of child C on side Side by Delta pixels; answers the movement applied.
  Integer Resize(TZCLDockControl* C, Integer Side, Integer Delta);
  // Moves Control into this group at child position Index (-1: last) with the alignment.
  void InsertDockControl(TZCLDockControl* Control, Integer Index, TAlign Align);
  // The tab at a client point, -1 when none.
  Integer TabAt(const TPoint& P) const;

  void BeforeAlignChildren() override;
  TCursor GetCursorAt(const TPoint& Point) override;
  void LayoutLoad(TZCLXMLNode* Node) override;
  void LayoutSave(TZCLXMLNode* Node) override;
  bool IsTopGroup() const;

 protected:
  friend class TZCLDockSiteSideBarTab;
  friend class TZCLDockSite;
  void ValidateInsert(TComponent* AComponent) override;
  void AlignControls(TControl* AControl, TRect& Rect) override;
  void GetTabOrderList(std::vector<TWinControl*>& List) override;
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void CMDockingPack(TMessage& Message);
  void CMDockingUpdateActive(TMessage& Message);
  virtual void CMDockingTextChanged(TMessage& Message);
  virtual void CMDockingVisibility(TMessage& Message);
  void CMControlListChange(TMessage& Message);
  void CMCancelMode(TMessage& Message);

  void NormalizeChildOrder();
  void LayoutLinear(TRect R, bool Vertical);
  void LayoutTabbed(TRect R);
  void CalculateTabs(TRect A);
  void DrawTabText(TCanvas* Canvas, const TTab& Tab, bool Active);
  bool IsCounted(TControl* Control) const;
  // Value clamped to the children and moved to a visible one (outside design mode).
  Integer CorrectedIndex(Integer Value) const;
  Integer SizeAlong(TControl* C, bool Vertical) const { return Vertical ? C->GetHeight() : C->GetWidth(); }

  Integer FActiveControlIndex = -1;
  TZCLDockGroupLayout FLayout = Horizontal;
  TRect FLayoutRect;
  TRect FContentRect;
  TRect FTabArea;
  std::vector<TTab> FTabs;
  Integer FActiveTabIndex = -1;
  TZCLDockControl* FDragTab = nullptr;
  Integer FPinRefCount = 0;
  // The placement batch of the running layout pass.
  std::vector<std::pair<TControl*, TRect>>* FBatch = nullptr;
  bool FInLayout = false;
};

class TZCLDockPanel : public TZCLDockControl {
  ZCL_CLASS(TZCLDockPanel, TZCLDockControl)
  VCL_MESSAGES()
 public:
  explicit TZCLDockPanel(TComponent* AOwner);
  static void DeclareProperties(TClassDeclaration<TZCLDockPanel>& D);

  bool GetShowCaption() const { return FShowCaption; }
  void SetShowCaption(bool Value);
  TZCLStyleDocking* GetStyle() const { return GetDockStyle(); }
  void SetStyle(TZCLStyleDocking* Value) { GetDockStyle()->Assign(Value); }
  virtual bool CanPin();
  virtual bool CanDrag() { return !IsPinned(); }
  String ToString() const override { return GetCaption(); }
  // 0 close, 1 reserved (always empty), 2 pin.
  TRect GetButtonRect(Integer Index) const { return FButtons[Index]; }
  TRect GetCaptionRect() const { return FCaptionRect; }
  TRect GetCaptionTextRect() const { return FCaptionTextRect; }
  bool IsFramed();
  bool HasCaptionBar() { return IsFramed() && FShowCaption; }
  void ClickButton(Integer Index);

  void SetParent(TWinControl* AParent) override;
  void AfterAlign() override;
  TCursor GetCursorAt(const TPoint& Point) override;
  void LayoutLoad(TZCLXMLNode* Node) override;
  void LayoutSave(TZCLXMLNode* Node) override;
  bool IsPinned() override;
  TRect GetContentMargins() override;

 protected:
  TZCLPadding* CreatePadding() override { return new TZCLPadding(0); }
  void ValidateInsert(TComponent* AComponent) override;
  TRect GetContentOffset() override;
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseLeave() override;
  void CMTextChanged(TMessage& Message);
  Integer ButtonAt(const TPoint& P) const;
  void SetHotButton(Integer Value);

 private:
  bool FShowCaption = true;
  TRect FButtons[3];
  TRect FCaptionRect;
  TRect FCaptionTextRect;
  Integer FHotButton = -1;
  Integer FPressedButton = -1;
};

// ---- side bars --------------------------------------------------------------------------------

class TZCLDockSiteSideBarTab : public TComponent {
  ZCL_CLASS(TZCLDockSiteSideBarTab, TComponent)
 public:
  TZCLDockSiteSideBarTab(TZCLDockSiteSideBar* ABar, TZCLDockControl* AControl);
  ~TZCLDockSiteSideBarTab() override;
  TZCLDockControl* GetControl() const { return FControl; }
  TZCLDockSiteSideBar* GetBar() const { return FBar; }
  TAlign ReturnAlign = alClient;
  Integer ReturnIndex = 0;
  TZCLDockGroup* GetReturnGroup() const { return FReturnGroup; }
  void SetReturnGroup(TZCLDockGroup* Value);
  TRect Bounds;
  // Puts the control back at its return place and shows it.
  void Restore();

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TZCLDockSiteSideBar* FBar;
  TZCLDockControl* FControl;
  TZCLDockGroup* FReturnGroup = nullptr;
};

class TZCLDockSiteSideBar : public TComponent {
  ZCL_CLASS(TZCLDockSiteSideBar, TComponent)
 public:
  TZCLDockSiteSideBar(TZCLDockSiteSideBars* ABars, Integer ASide);
  ~TZCLDockSiteSideBar() override;
  Integer GetSide() const { return FSide; }
  TRect GetBounds() const { return FBounds; }
  Integer GetTabCount() const { return Integer(FTabs.size()); }
  TZCLDockSiteSideBarTab* GetTab(Integer Index) const { return FTabs.at(size_t(Index)); }
  TZCLDockSite* GetSite() const;
  void Pin(TZCLDockControl* Control);
  void Unpin(TZCLDockControl* Control);
  TZCLDockSiteSideBarTab* FindTab(TZCLDockControl* Control) const;
  void Calculate();
  void Draw(TCanvas* Canvas);
  TZCLDockSiteSideBarTab* TabAt(const TPoint& P) const;
  void LayoutLoad(TZCLXMLNode* Node);
  void LayoutSave(TZCLXMLNode* Node);

 protected:
  friend class TZCLDockSiteSideBars;
  friend class TZCLDockSiteSideBarTab;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TZCLDockSiteSideBars* FBars;
  Integer FSide;
  TRect FBounds;
  std::vector<TZCLDockSiteSideBarTab*> FTabs;
  bool FDestroying = false;
};

class TZCLDockSiteSideBars : public TZCLUnknownObject, public IZCLAnimateControl {
  ZCL_CLASS(TZCLDockSiteSideBars, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZCLAnimateControl)
 public:
  explicit TZCLDockSiteSideBars(TZCLDockSite* ASite);
  ~TZCLDockSiteSideBars() override;
  TZCLDockSite* GetSite() const { return FSite; }
  TZCLDockSiteSideBar* GetBar(Integer Side) const { return FBars[Side]; }
  TZCLDockSiteSideBarTab* GetShownTab() const { return FShownTab; }
  // Cuts the bars from R and leaves R inside them.
  void Calculate(TRect& R);
  void Draw(TCanvas* Canvas);
  TZCLDockSiteSideBar* BarAt(const TPoint& P) const;
  void ShowTab(TZCLDockSiteSideBarTab* Tab, bool Animate);
  void ProcessClick(const TPoint& P, TControl* Control);
  void ProcessHover(const TPoint& P);
  TZCLDockSiteSideBar* ChooseBar(TZCLDockPanel* Panel);
  void Changed();
  // The rectangle a pinned control slides out to (site client coordinates).
  TRect GetPopupRect(TZCLDockSiteSideBarTab* Tab);
  bool IsAnimating() const { return FAnimation && !FAnimationDone; }
  TZCLTimer* GetHideTimer() const { return FHideTimer; }
  TZCLTimer* GetHoverTimer() const { return FHoverTimer; }
  // IZCLAnimateControl
  void Animate() override;

 private:
  void HideTimerTick(TObject* Sender);
  void HoverTimerTick(TObject* Sender);
  void FreeAnimation();
  TZCLDockSite* FSite;
  TZCLDockSiteSideBar* FBars[4] = {};
  TZCLDockSiteSideBarTab* FShownTab = nullptr;
  TZCLTimer* FHideTimer = nullptr;
  TZCLTimer* FHoverTimer = nullptr;
  TPoint FHoverPoint = TPoint(-1, -1);
  TZCLAnimation* FAnimation = nullptr;
  bool FAnimationDone = false;
};

// ---- site -------------------------------------------------------------------------------------

class TZCLDockSite : public TZCLDockGroup {
  ZCL_CLASS(TZCLDockSite, TZCLDockGroup)
  VCL_MESSAGES()
 public:
  explicit TZCLDockSite(TComponent* AOwner);
  ~TZCLDockSite() override;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TZCLDockSite>& D);

  TZCLStyleDockSite* GetStyle() const { return static_cast<TZCLStyleDockSite*>(GetDockStyle()); }
  void SetStyle(TZCLStyleDockSite* Value) { GetDockStyle()->Assign(Value); }
  TZCLDockSiteSideBars* GetSideBars() const { return FSideBars; }
  Integer GetFloatFormCount() const { return Integer(FFloatForms.size()); }
  TZCLFloatDockForm* GetFloatForm(Integer Index) const { return FFloatForms.at(size_t(Index)); }

  // The layout file.
  void SaveToXML(TZCLXMLDocument* Document);
  void SaveToFile(const String& FileName);
  void LoadFromXML(TZCLXMLDocument* Document);
  void LoadFromFile(const String& FileName);

  TZCLStyleDocking* CreateStyle() override;
  void CreateDockZones(TZCLDockControl* Control, std::vector<TZCLDockZone*>& Zones) override;
  bool HitTestResizeEdge(const TPoint&, TZCLDockControl*&, Integer&) override { return false; }
  bool IsPositionStored() override { return true; }

 protected:
  friend class TZCLFloatDockForm;
  friend class TZCLDockSiteSideBars;
  void AlignControls(TControl* AControl, TRect& Rect) override;
  void Paint() override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void CMDockingTextChanged(TMessage& Message) override;
  void CMDockingVisibility(TMessage& Message) override;
  // Every panel back on the site, hidden and unpinned; every group and floating window freed.
  void ResetLayout();

 private:
  TZCLDockSiteSideBars* FSideBars = nullptr;
  std::vector<TZCLFloatDockForm*> FFloatForms;  // owned
};

// The layout file of a configuration file: its name with the extension replaced by
// "Desktop.layout" (base.ini gives baseDesktop.layout in the same folder).
String DockLayoutFileName(const String& ConfigFileName);
// Saves the site's layout to that file when the file's folder exists; true when written.
bool SaveDockLayoutFile(TZCLDockSite* Site, const String& ConfigFileName);
// Loads that file (a missing or unreadable file changes nothing).
void LoadDockLayoutFile(TZCLDockSite* Site, const String& ConfigFileName);

void RegisterDockingClasses();
