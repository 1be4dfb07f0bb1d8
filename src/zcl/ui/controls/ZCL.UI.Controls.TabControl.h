#pragma once
// An owner-drawn strip of tabs above or below a framed content area: TZCLTabControl (tabs only,
// the host reacts to the active index) and TZCLPageControl, whose tabs belong to its pages with
// only the active page shown. Tabs share the strip's width, switch by mouse, wheel and keys, and
// show their full caption as the hint when it is cut.

#include <vector>

#include "zcl/ui/ZCL.UI.Controls.Base.h"

class TZCLCustomTabControl;

enum TZCLTabsStyle : Byte { tsTab, tsHeader, tsHeaderAlt };
enum TZCLTabsPosition : Byte { tpTop, tpBottom };
ZCL_ENUM(TZCLTabsStyle, tsTab, tsHeader, tsHeaderAlt);
ZCL_ENUM(TZCLTabsPosition, tpTop, tpBottom);

using TZCLTabsActiveChangeEvent = TDelegate<void(TObject* Sender, Integer Index)>;

class TZCLTab : public TCollectionItem {
  ZCL_CLASS(TZCLTab, TCollectionItem)
 public:
  explicit TZCLTab(TCollection* ACollection);
  static void DeclareProperties(TClassDeclaration<TZCLTab>& D);
  void Assign(TPersistent* Source) override;
  String GetCaption() const { return FCaption; }
  void SetCaption(const String& Value);
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value);
  void* Data = nullptr;

 private:
  String FCaption = u"Tab";
  bool FVisible = true;
};

class TZCLTabsList : public TCollection {
  ZCL_CLASS(TZCLTabsList, TCollection)
 public:
  explicit TZCLTabsList(TZCLCustomTabControl* AControl);
  TPersistent* GetOwner() const override;
  TZCLTab* Add(const String& Caption, void* Data = nullptr);
  TZCLTab* GetTab(Integer Index) const { return GetItem<TZCLTab>(Index); }

 protected:
  void Update(TCollectionItem* Item) override;

 private:
  TZCLCustomTabControl* FControl;
};

class TZCLTabsOptionsView : public TPersistent {
  ZCL_CLASS(TZCLTabsOptionsView, TPersistent)
 public:
  explicit TZCLTabsOptionsView(TZCLCustomTabControl* AControl = nullptr) : FControl(AControl) {}
  static void DeclareProperties(TClassDeclaration<TZCLTabsOptionsView>& D);
  void Assign(TPersistent* Source) override;
  TZCLTabsStyle GetStyle() const { return FStyle; }
  void SetStyle(TZCLTabsStyle Value);
  // 96-DPI pixels; negative values are stored as 0.
  Integer GetTabIndent() const { return FTabIndent; }
  void SetTabIndent(Integer Value);
  TZCLTabsPosition GetTabPosition() const { return FTabPosition; }
  void SetTabPosition(TZCLTabsPosition Value);
  // A fixed width (96-DPI pixels) when positive; else the caption decides.
  Integer GetTabWidth() const { return FTabWidth; }
  void SetTabWidth(Integer Value);

 private:
  void Changed();
  TZCLCustomTabControl* FControl;
  TZCLTabsStyle FStyle = tsTab;
  Integer FTabIndent = 3;
  TZCLTabsPosition FTabPosition = tpTop;
  Integer FTabWidth = -1;
};

class TZCLStyleTabControl : public TZCLStyle {
  ZCL_CLASS(TZCLStyleTabControl, TZCLStyle)
 public:
  using TZCLStyle::TZCLStyle;
  static void DeclareProperties(TClassDeclaration<TZCLStyleTabControl>& D);
  TZCLResourceColor* GetColorBorder1() { return GetColor(0); }
  TZCLResourceColor* GetColorBorder2() { return GetColor(1); }
  TZCLResourceColor* GetColorContent() { return GetColor(2); }
  TZCLResourceFont* GetHeaderFont() { return GetFont(0); }
  TZCLResourceFont* GetHeaderFontActive() { return GetFont(1); }
  TZCLResourceTexture* GetHeaderTexture() { return GetTexture(0); }

 protected:
  void InitializeResources() override;
};

// One visible tab as laid out by the last refresh.
struct TZCLTabViewItem {
  TZCLTab* Tab = nullptr;
  bool Active = false;
  bool Hover = false;
  TRect Bounds;
  TRect TextRect;
  bool TextTruncated = false;
};

class TZCLCustomTabControl : public TZCLCustomControl {
  ZCL_CLASS(TZCLCustomTabControl, TZCLCustomControl)
  VCL_MESSAGES()
 public:
  explicit TZCLCustomTabControl(TComponent* AOwner);
  ~TZCLCustomTabControl() override;
  static void DeclareProperties(TClassDeclaration<TZCLCustomTabControl>& D);
  void Loaded() override;
  void AdjustClientRect(TRect& Rect) override;

  Integer GetActiveIndex() const { return FActiveIndex; }
  // Clamped to the tabs; while loading only remembered.
  void SetActiveIndex(Integer Value);
  TZCLTabsList* GetTabs() const { return FTabs; }
  TZCLBorders GetBorders() const { return FBorders; }
  void SetBorders(TZCLBorders Value);
  TZCLTabsOptionsView* GetOptionsView() const { return FOptionsView; }
  void SetOptionsView(TZCLTabsOptionsView* Value) { FOptionsView->Assign(Value); }
  TZCLStyleTabControl* GetStyle() const { return FStyle; }
  void SetStyle(TZCLStyleTabControl* Value) { FStyle->Assign(Value); }
  // The next (or previous) visible tab, cyclically; -1 when none is visible.
  void SelectNextTab(bool Forward);

  const std::vector<TZCLTabViewItem>& GetViewItems() const { return FViewItems; }
  TRect GetContentRect() const { return FContentRect; }
  TRect GetTabAreaRect() const { return FTabAreaRect; }
  TZCLTab* GetHoverTab() const { return FHoverTab; }
  // The view item at a client point; null when none.
  const TZCLTabViewItem* ViewItemAt(const TPoint& P) const;

  TZCLTabsActiveChangeEvent OnTabChanging;
  TZCLTabsActiveChangeEvent OnTabChanged;

 protected:
  friend class TZCLTabsList;
  friend class TZCLTabsOptionsView;
  virtual TRect GetTabMargins(const TZCLTabViewItem& Item);
  virtual TRect GetTabTextMargins(const TZCLTabViewItem& Item);
  virtual Integer CalculateTabWidth(const TZCLTabViewItem& Item);
  virtual TSize MeasureText(const String& Text);
  virtual void CalculateRects();
  virtual void CalculateTabs(const TRect& TabArea);
  virtual void UpdateViewItemStates();
  virtual TRect GetTabPadding();
  virtual void PopulateViewItems();
  virtual void DrawContentArea(TCanvas* Canvas);
  virtual void DrawTab(TCanvas* Canvas, const TZCLTabViewItem& Item);
  virtual void DrawTabs(TCanvas* Canvas);
  virtual void DrawTabText(TCanvas* Canvas, const TZCLTabViewItem& Item);
  virtual void DoActiveIndexChanged();
  virtual void DoActiveIndexChanging(Integer NewIndex);
  virtual void TabsChanged() { FullRefresh(); }

  Integer TabsHeight();
  TZCLPadding* CreatePadding() override { return new TZCLPadding(5); }
  void BoundsChanged() override;
  void CreateWnd() override;
  void SetTargetDPI(Integer DPI) override;
  void FocusChanged() override { Invalidate(); }
  bool MouseWheel(TMouseWheelDirection Direction, TShiftState Shift, const TPoint& MousePos) override;
  void MouseLeave() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void Paint() override;
  void CMChildKey(TMessage& Message);
  void CMDesignHitTest(TMessage& Message);
  void WMGetDlgCode(TMessage& Message);

  // Runs a switch made by the user's keys or mouse.
  void UserSwitch(Integer Index);
  void SetHoverTab(TZCLTab* Value);

  TZCLTabsList* FTabs;
  std::vector<TZCLTabViewItem> FViewItems;
  Integer FActiveIndex = -1;
  bool FUserInput = false;

 private:
  TZCLTabsOptionsView* FOptionsView;
  TZCLStyleTabControl* FStyle;
  TZCLBorders FBorders{mLeft, mTop, mRight, mBottom};
  TZCLTab* FHoverTab = nullptr;
  Integer FLoadedActiveIndex = -1;
  TRect FContentRect;
  TRect FTabAreaRect;
};

class TZCLTabControl : public TZCLCustomTabControl {
  ZCL_CLASS(TZCLTabControl, TZCLCustomTabControl)
 public:
  using TZCLCustomTabControl::TZCLCustomTabControl;
  static void DeclareProperties(TClassDeclaration<TZCLTabControl>& D);
  void SetTabs(TZCLTabsList* Value) { FTabs->Assign(Value); }
  // Null when ActiveIndex is outside the tabs.
  TZCLTab* GetActiveTab() const;
  void Localize(const String& Section, const String& Name) override;
};

class TZCLPageControl;

class TZCLPageControlPage : public TZCLCustomControl {
  ZCL_CLASS(TZCLPageControlPage, TZCLCustomControl)
  VCL_MESSAGES()
 public:
  explicit TZCLPageControlPage(TComponent* AOwner);
  ~TZCLPageControlPage() override;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TZCLPageControlPage>& D);
  void SetParent(TWinControl* AParent) override;

  TZCLPageControl* GetPageControl() const { return FPageControl; }
  // The index of its tab; -1 without a page control. Setting moves the tab.
  Integer GetPageIndex() const;
  void SetPageIndex(Integer Value);
  bool GetPageVisible() const { return FPageVisible; }
  void SetPageVisible(bool Value);
  bool IsActive() const;
  TZCLTab* GetTab() const { return FTab; }

 protected:
  friend class TZCLPageControl;
  void Paint() override;
  void CMTextChanged(TMessage& Message);
  void UpdateTab();

 private:
  TZCLPageControl* FPageControl = nullptr;
  TZCLTab* FTab = nullptr;
  bool FPageVisible = true;
};

class TZCLPageControl : public TZCLCustomTabControl {
  ZCL_CLASS(TZCLPageControl, TZCLCustomTabControl)
 public:
  using TZCLCustomTabControl::TZCLCustomTabControl;
  static void DeclareProperties(TClassDeclaration<TZCLPageControl>& D);

  Integer GetPageCount() const { return GetTabs()->GetCount(); }
  TZCLPageControlPage* GetPage(Integer Index) const;
  TZCLPageControlPage* GetActivePage() const;
  // Null: no page; a page of another control is ignored.
  void SetActivePage(TZCLPageControlPage* Page);
  TZCLPageControlPage* AddPage(const String& Caption);
  void ShowControl(TControl* AControl);

 protected:
  friend class TZCLPageControlPage;
  void ValidateInsert(TComponent* AComponent) override;
  void AlignControls(TControl* AControl, TRect& Rect) override;
  void DoActiveIndexChanged() override;
  void UpdateState() override { UpdatePages(); }
  void InsertPage(TZCLPageControlPage* Page);
  void RemovePage(TZCLPageControlPage* Page);
  void UpdatePages();
};

void RegisterTabControlClasses();
