#include "zcl/ui/controls/ZCL.UI.Controls.TabControl.h"

#include <algorithm>

#include "os/OS.Gdi.h"
#include "os/OS.Input.h"
#include "rtl/RTL.Numbers.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.Classes.h"
#include "zcl/base/ZCL.MUI.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/graphics/ZCL.Graphics.Geometry.h"
#include "zcl/ui/ZCL.UI.Resources.Font.h"
#include "zcl/ui/ZCL.UI.Resources.Texture.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"

// ---- tabs -------------------------------------------------------------------------------------

TZCLTab::TZCLTab(TCollection* ACollection) : TCollectionItem(ACollection) {}

void TZCLTab::DeclareProperties(TClassDeclaration<TZCLTab>& D) {
  D.Property(u"Caption", &TZCLTab::GetCaption, &TZCLTab::SetCaption).Default(u"Tab");
  D.Property(u"Visible", &TZCLTab::GetVisible, &TZCLTab::SetVisible).Default(true);
}

void TZCLTab::Assign(TPersistent* Source) {
  if (auto* tab = dynamic_cast<TZCLTab*>(Source)) {
    SetCaption(tab->FCaption);
    SetVisible(tab->FVisible);
    return;
  }
  inherited::Assign(Source);
}

void TZCLTab::SetCaption(const String& Value) {
  if (Value == FCaption) return;
  FCaption = Value;
  Changed(false);
}

void TZCLTab::SetVisible(bool Value) {
  if (Value == FVisible) return;
  FVisible = Value;
  Changed(true);
}

TZCLTabsList::TZCLTabsList(TZCLCustomTabControl* AControl) : TCollection(TZCLTab::StaticClass()), FControl(AControl) {}

TPersistent* TZCLTabsList::GetOwner() const { return FControl; }

TZCLTab* TZCLTabsList::Add(const String& Caption, void* Data) {
  BeginUpdate();
  TZCLTab* tab = TCollection::Add<TZCLTab>();
  tab->SetCaption(Caption);
  tab->Data = Data;
  EndUpdate();
  return tab;
}

void TZCLTabsList::Update(TCollectionItem*) {
  if (FControl) FControl->TabsChanged();
}

// ---- options and style ------------------------------------------------------------------------

void TZCLTabsOptionsView::DeclareProperties(TClassDeclaration<TZCLTabsOptionsView>& D) {
  D.Property(u"Style", &TZCLTabsOptionsView::GetStyle, &TZCLTabsOptionsView::SetStyle).Default(tsTab);
  D.Property(u"TabIndent", &TZCLTabsOptionsView::GetTabIndent, &TZCLTabsOptionsView::SetTabIndent).Default(3);
  D.Property(u"TabPosition", &TZCLTabsOptionsView::GetTabPosition, &TZCLTabsOptionsView::SetTabPosition).Default(tpTop);
  D.Property(u"TabWidth", &TZCLTabsOptionsView::GetTabWidth, &TZCLTabsOptionsView::SetTabWidth).Default(-1);
}

void TZCLTabsOptionsView::Assign(TPersistent* Source) {
  if (auto* o = dynamic_cast<TZCLTabsOptionsView*>(Source)) {
    FStyle = o->FStyle;
    FTabIndent = o->FTabIndent;
    FTabPosition = o->FTabPosition;
    FTabWidth = o->FTabWidth;
    Changed();
    return;
  }
  inherited::Assign(Source);
}

void TZCLTabsOptionsView::Changed() {
  if (FControl) FControl->FullRefresh();
}

void TZCLTabsOptionsView::SetStyle(TZCLTabsStyle Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  Changed();
}

void TZCLTabsOptionsView::SetTabIndent(Integer Value) {
  Value = std::max(Value, 0);
  if (Value == FTabIndent) return;
  FTabIndent = Value;
  Changed();
}

void TZCLTabsOptionsView::SetTabPosition(TZCLTabsPosition Value) {
  if (Value == FTabPosition) return;
  FTabPosition = Value;
  Changed();
}

void TZCLTabsOptionsView::SetTabWidth(Integer Value) {
  if (Value == FTabWidth) return;
  FTabWidth = Value;
  Changed();
}

void TZCLStyleTabControl::DeclareProperties(TClassDeclaration<TZCLStyleTabControl>& D) {
  D.Property(u"ColorBorder1", 0, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorBorder2", 1, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorContent", 2, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"HeaderFont", 0, &TZCLStyle::GetFont, &TZCLStyle::SetFont);
  D.Property(u"HeaderFontActive", 1, &TZCLStyle::GetFont, &TZCLStyle::SetFont);
  D.Property(u"HeaderTexture", 0, &TZCLStyle::GetTexture, &TZCLStyle::SetTexture);
}

void TZCLStyleTabControl::InitializeResources() {
  GetColor(0)->InitializeAsRef(u"Tabs.Colors.Border1", false);
  GetColor(1)->InitializeAsRef(u"Tabs.Colors.Border2", false);
  GetColor(2)->InitializeAsRef(u"Tabs.Colors.Content", false);
  GetFont(0)->InitializeDefault(u"Tabs.Fonts.Header");
  GetFont(1)->InitializeDefault(u"Tabs.Fonts.HeaderActive");
  GetTexture(0)->InitializeDefault(u"Tabs.Textures.Header");
}

// ---- tab control ------------------------------------------------------------------------------

const TMessageTable& TZCLCustomTabControl::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(CM_CHILDKEY, &TZCLCustomTabControl::CMChildKey),
                                    VCL_MESSAGE(CM_DESIGNHITTEST, &TZCLCustomTabControl::CMDesignHitTest),
                                    VCL_MESSAGE(WM_GETDLGCODE, &TZCLCustomTabControl::WMGetDlgCode)});
  return table;
}

TZCLCustomTabControl::TZCLCustomTabControl(TComponent* AOwner) : TZCLCustomControl(AOwner) {
  FTabs = new TZCLTabsList(this);
  FOptionsView = new TZCLTabsOptionsView(this);
  FStyle = Create<TZCLStyleTabControl>(static_cast<TObject*>(this));
  TControlStyle style = GetControlStyle();
  style.Include(csAcceptsControls);
  style.Exclude(csOpaque);
  SetControlStyle(style);
  SetTabStop(true);
  SetBounds(GetLeft(), GetTop(), 400, 300);
}

TZCLCustomTabControl::~TZCLCustomTabControl() {
  FHoverTab = nullptr;
  Free(FTabs);
  FTabs = nullptr;
  Free(FOptionsView);
  FOptionsView = nullptr;
  Free(FStyle);
  FStyle = nullptr;
}

void TZCLCustomTabControl::DeclareProperties(TClassDeclaration<TZCLCustomTabControl>& D) {
  D.Property(u"ActiveIndex", &TZCLCustomTabControl::GetActiveIndex, &TZCLCustomTabControl::SetActiveIndex).Default(0);
  D.Property(u"Borders", &TZCLCustomTabControl::GetBorders, &TZCLCustomTabControl::SetBorders)
      .Default(TZCLBorders{mLeft, mTop, mRight, mBottom});
  D.Property(u"OptionsView", &TZCLCustomTabControl::GetOptionsView, &TZCLCustomTabControl::SetOptionsView);
  D.Property(u"Style", &TZCLCustomTabControl::GetStyle, &TZCLCustomTabControl::SetStyle);
  D.Event(u"OnTabChanging", &TZCLCustomTabControl::OnTabChanging);
  D.Event(u"OnTabChanged", &TZCLCustomTabControl::OnTabChanged);
}

void TZCLCustomTabControl::Loaded() {
  inherited::Loaded();
  const Integer loaded = FLoadedActiveIndex;
  FLoadedActiveIndex = -1;
  if (loaded >= 0) SetActiveIndex(loaded);
}

void TZCLCustomTabControl::SetBorders(TZCLBorders Value) {
  if (Value == FBorders) return;
  FBorders = Value;
  FullRefresh();
}

void TZCLCustomTabControl::SetActiveIndex(Integer Value) {
  if (GetComponentState().Contains(csLoading)) {
    FLoadedActiveIndex = Value;
    return;
  }
  const Integer count = FTabs ? FTabs->GetCount() : 0;
  Value = count == 0 ? -1 : std::clamp(Value, 0, count - 1);
  if (Value == FActiveIndex) return;
  // Away from a tab that is gone or hidden the switch cannot be refused: the refresh would ask again
  // and again.
  const bool forced = FActiveIndex < 0 || FActiveIndex >= count || !FTabs->GetTab(FActiveIndex)->GetVisible();
  try {
    DoActiveIndexChanging(Value);
  } catch (const Exception&) {
    // A handler that refuses the switch cancels it silently.
    if (!forced) {
      FullRefresh();
      return;
    }
  }
  FActiveIndex = Value;
  try {
    DoActiveIndexChanged();
  } catch (const Exception&) {
  }
  FullRefresh();
}

void TZCLCustomTabControl::DoActiveIndexChanging(Integer NewIndex) {
  const TComponentState state = GetComponentState();
  if (state.Contains(csDesigning) || state.Contains(csDestroying)) return;
  if (OnTabChanging) OnTabChanging(this, NewIndex);
}

void TZCLCustomTabControl::DoActiveIndexChanged() {
  const TComponentState state = GetComponentState();
  if (state.Contains(csDesigning) || state.Contains(csDestroying)) return;
  if (OnTabChanged) OnTabChanged(this, FActiveIndex);
  if (FUserInput) return;
  // A switch made in code takes the focus along when it was inside the control.
  TCustomForm* form = GetParentForm(this, true);
  TWinControl* focused = form ? form->GetActiveControl() : nullptr;
  if (!focused || focused == this || !ContainsControl(focused)) return;
  TWinControl* next = FindNextControl(nullptr, true, true, false);
  if (!next) next = FindNextControl(nullptr, true, false, false);
  if (!next) next = this;
  if (next->CanFocus()) next->SetFocus();
}

void TZCLCustomTabControl::SelectNextTab(bool Forward) {
  const Integer count = FTabs->GetCount();
  if (count == 0) {
    SetActiveIndex(-1);
    return;
  }
  const Integer step = Forward ? 1 : -1;
  const Integer start = FActiveIndex >= 0 ? FActiveIndex : (Forward ? count - 1 : 0);
  Integer i = start;
  do {
    i = (i + step + count) % count;
    if (FTabs->GetTab(i)->GetVisible()) {
      SetActiveIndex(i);
      return;
    }
  } while (i != start);
  // No visible tab at all.
  if (FActiveIndex != -1) {
    FActiveIndex = -1;
    FullRefresh();
  }
}

TRect TZCLCustomTabControl::GetTabPadding() {
  const Integer p = ScaleByDPI(FOptionsView->GetStyle() == tsTab ? 4 : 6, GetCurrentPPI());
  return TRect(p, p, p, p);
}

TRect TZCLCustomTabControl::GetTabMargins(const TZCLTabViewItem& Item) {
  TRect r;
  if (Item.Active) {
    const Integer g = ScaleByDPI(FOptionsView->GetTabIndent(), GetCurrentPPI()) + 1;
    r = TRect(-g, 0, -g, -2);
  } else {
    r = TRect(0, ScaleByDPI(2, GetCurrentPPI()), 0, 0);
  }
  if (FOptionsView->GetTabPosition() == tpBottom) std::swap(r.Top, r.Bottom);
  return r;
}

TRect TZCLCustomTabControl::GetTabTextMargins(const TZCLTabViewItem&) { return GetTabPadding(); }

TSize TZCLCustomTabControl::MeasureText(const String& Text) {
  const TSize a = MeasureTextSize(FStyle->GetHeaderFont()->GetFont(), Text);
  const TSize b = MeasureTextSize(FStyle->GetHeaderFontActive()->GetFont(), Text);
  return TSize(std::max(a.cx, b.cx), std::max(a.cy, b.cy));
}

Integer TZCLCustomTabControl::CalculateTabWidth(const TZCLTabViewItem& Item) {
  if (FOptionsView->GetTabWidth() > 0) return ScaleByDPI(FOptionsView->GetTabWidth(), GetCurrentPPI());
  const TRect p = GetTabPadding();
  return p.Left + p.Right + MeasureText(Item.Tab->GetCaption()).cx;
}

Integer TZCLCustomTabControl::TabsHeight() {
  if (FViewItems.empty()) return 0;
  const TRect p = GetTabPadding();
  const Integer extra = FOptionsView->GetStyle() == tsTab ? 2 : FOptionsView->GetTabIndent();
  return MeasureText(u"Wg").cy + p.Top + p.Bottom + ScaleByDPI(extra, GetCurrentPPI());
}

void TZCLCustomTabControl::CalculateRects() {
  const TRect client = GetClientRect();
  const Integer h = TabsHeight();
  FContentRect = client;
  FTabAreaRect = client;
  if (FOptionsView->GetTabPosition() == tpTop) {
    FTabAreaRect.Bottom = FTabAreaRect.Top + h;
    FContentRect.Top = FTabAreaRect.Bottom;
  } else {
    FTabAreaRect.Top = FTabAreaRect.Bottom - h;
    FContentRect.Bottom = FTabAreaRect.Top;
  }
}

void TZCLCustomTabControl::PopulateViewItems() {
  FViewItems.clear();
  for (Integer i = 0; i < FTabs->GetCount(); ++i) {
    TZCLTab* tab = FTabs->GetTab(i);
    if (!tab->GetVisible()) continue;
    TZCLTabViewItem item;
    item.Tab = tab;
    FViewItems.push_back(item);
  }
}

void TZCLCustomTabControl::UpdateViewItemStates() {
  for (TZCLTabViewItem& item : FViewItems) {
    item.Active = item.Tab->GetIndex() == FActiveIndex;
    item.Hover = item.Tab == FHoverTab;
  }
}

void TZCLCustomTabControl::CalculateTabs(const TRect& A) {
  const Integer dpi = GetCurrentPPI();
  const Integer g = ScaleByDPI(FOptionsView->GetTabIndent(), dpi);
  const bool tabStyle = FOptionsView->GetStyle() == tsTab;
  const Integer e = tabStyle ? g + 1 : 0;
  const Integer count = Integer(FViewItems.size());
  TZCLAutoSizeCalculator calc;
  for (Integer i = 0; i < count; ++i) {
    if (tabStyle) {
      const Integer w = CalculateTabWidth(FViewItems[i]) + (i < count - 1 ? g : 0);
      calc.Add(w, 1, w, true);
    } else {
      calc.Add(0, 1, 0, true);
    }
  }
  calc.AvailableSize = A.Width() - 2 * e;
  calc.Calculate();
  Integer x = A.Left + e;
  for (Integer i = 0; i < count; ++i) {
    TZCLTabViewItem& item = FViewItems[i];
    TRect b(x, A.Top, x + calc.GetItem(i)->Size, A.Bottom);
    if (i < count - 1) b.Right -= g;
    x = b.Right + g;
    if (tabStyle) {
      const TRect m = GetTabMargins(item);
      b = TRect(b.Left + m.Left, b.Top + m.Top, b.Right - m.Right, b.Bottom - m.Bottom);
    } else if (FOptionsView->GetTabPosition() == tpTop) {
      b.Bottom -= g;
    } else {
      b.Top += g;
    }
    item.Bounds = b;
    item.TextRect = TRect();
    item.TextTruncated = false;
    const String caption = item.Tab->GetCaption();
    if (!caption.empty()) {
      TFont* font = (item.Active ? FStyle->GetHeaderFontActive() : FStyle->GetHeaderFont())->GetFont();
      const TSize size = MeasureTextSize(font, caption);
      const TRect m = GetTabTextMargins(item);
      const TRect inner(b.Left + m.Left, b.Top + m.Top, b.Right - m.Right, b.Bottom - m.Bottom);
      TRect t(0, 0, size.cx, size.cy);
      t.Offset(inner.Left + (inner.Width() - size.cx) / 2, inner.Top + (inner.Height() - size.cy) / 2);
      item.TextTruncated = inner.Width() < size.cx;
      item.TextRect = IntersectRect(t, inner);
    }
    if (item.Active && FOptionsView->GetStyle() == tsHeaderAlt) item.Bounds.Bottom += g + 1;
  }
}

void TZCLCustomTabControl::BoundsChanged() {
  if (FTabs) {
    const Integer count = FTabs->GetCount();
    if (FActiveIndex < 0 || FActiveIndex >= count || !FTabs->GetTab(FActiveIndex)->GetVisible()) {
      if (count > 0 && !GetComponentState().Contains(csLoading)) {
        // Hidden or missing: the next visible tab (the refresh this causes is the outer one's).
        const Integer before = FActiveIndex;
        SelectNextTab(true);
        if (FActiveIndex != before) return;
      }
    }
  }
  inherited::BoundsChanged();
  if (HandleAllocated() && FTabs) {
    PopulateViewItems();
    CalculateRects();
    UpdateViewItemStates();
    CalculateTabs(FTabAreaRect);
  }
  Realign();
  Invalidate();
}

void TZCLCustomTabControl::CreateWnd() {
  inherited::CreateWnd();
  FullRefresh();
}

void TZCLCustomTabControl::SetTargetDPI(Integer DPI) {
  inherited::SetTargetDPI(DPI);
  FStyle->SetTargetDPI(DPI);
}

void TZCLCustomTabControl::AdjustClientRect(TRect& Rect) {
  Rect = FContentRect.IsEmpty() && FViewItems.empty() ? GetClientRect() : FContentRect;
  if (FBorders.Contains(mLeft)) ++Rect.Left;
  if (FBorders.Contains(mTop)) ++Rect.Top;
  if (FBorders.Contains(mRight)) --Rect.Right;
  if (FBorders.Contains(mBottom)) --Rect.Bottom;
  if (!GetPadding()) return;
  const TRect p = GetPadding()->GetScaledRect(GetCurrentPPI());
  Rect = TRect(Rect.Left + p.Left, Rect.Top + p.Top, Rect.Right - p.Right, Rect.Bottom - p.Bottom);
}

const TZCLTabViewItem* TZCLCustomTabControl::ViewItemAt(const TPoint& P) const {
  for (const TZCLTabViewItem& item : FViewItems)
    if (item.Bounds.Contains(P)) return &item;
  return nullptr;
}

void TZCLCustomTabControl::UserSwitch(Integer Index) {
  FUserInput = true;
  try {
    SetActiveIndex(Index);
  } catch (...) {
    FUserInput = false;
    throw;
  }
  FUserInput = false;
}

bool TZCLCustomTabControl::MouseWheel(TMouseWheelDirection Direction, TShiftState Shift, const TPoint& MousePos) {
  if (!FTabAreaRect.Contains(ScreenToClient(MousePos))) return inherited::MouseWheel(Direction, Shift, MousePos);
  UserSwitch(FActiveIndex + (Direction == mwdDown ? 1 : -1));
  return true;
}

void TZCLCustomTabControl::MouseLeave() {
  inherited::MouseLeave();
  SetHoverTab(nullptr);
}

void TZCLCustomTabControl::KeyDown(Word& Key, TShiftState Shift) {
  inherited::KeyDown(Key, Shift);
  if (Key == VK_LEFT) UserSwitch(FActiveIndex - 1);
  if (Key == VK_RIGHT) UserSwitch(FActiveIndex + 1);
}

void TZCLCustomTabControl::CMChildKey(TMessage& Message) {
  const bool ctrl = GetKeyState(VK_CONTROL) < 0;
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  const WPARAM key = Message.WParam;
  if (ctrl && (key == VK_TAB || key == VK_NEXT || key == VK_PRIOR)) {
    const bool forward = key == VK_TAB ? !shift : key == VK_NEXT;
    FUserInput = true;
    SelectNextTab(forward);
    FUserInput = false;
    Message.Result = 1;
    return;
  }
  InheritedMessage(inherited::MessageTable(), Message);
}

void TZCLCustomTabControl::CMDesignHitTest(TMessage& Message) {
  const TPoint p(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
  Message.Result = ViewItemAt(p) ? 1 : 0;
}

void TZCLCustomTabControl::WMGetDlgCode(TMessage& Message) { Message.Result = DLGC_WANTARROWS; }

void TZCLCustomTabControl::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseDown(Button, Shift, X, Y);
  if (const TZCLTabViewItem* item = ViewItemAt(TPoint(X, Y))) {
    UserSwitch(item->Tab->GetIndex());
    if (CanFocus()) SetFocus();
  }
}

void TZCLCustomTabControl::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseMove(Shift, X, Y);
  const TZCLTabViewItem* item = ViewItemAt(TPoint(X, Y));
  SetCursor(item && !item->Active ? crHandPoint : crDefault);
  SetHoverTab(item ? item->Tab : nullptr);
}

void TZCLCustomTabControl::SetHoverTab(TZCLTab* Value) {
  if (Value == FHoverTab) return;
  FHoverTab = Value;
  if (!GetComponentState().Contains(csDesigning)) {
    if (Application) Application->CancelHint();
    String hint;
    for (const TZCLTabViewItem& item : FViewItems)
      if (item.Tab == Value && item.TextTruncated) hint = Value->GetCaption();
    SetHint(hint);
  }
  UpdateViewItemStates();
  Invalidate();
}

void TZCLCustomTabControl::Paint() {
  TCanvas* canvas = GetCanvas();
  DrawContentArea(canvas);
  DrawTabs(canvas);
}

void TZCLCustomTabControl::DrawContentArea(TCanvas* Canvas) {
  FillRectAlpha(Canvas, FContentRect, FStyle->GetColorContent()->GetValue());
  DrawDoubleFrameAlpha(Canvas, FContentRect, FStyle->GetColorBorder1()->GetValue(),
                       FStyle->GetColorBorder2()->GetValue(), FBorders);
}

void TZCLCustomTabControl::DrawTabs(TCanvas* Canvas) {
  for (const TZCLTabViewItem& item : FViewItems)
    if (!item.Active) DrawTab(Canvas, item);
  for (const TZCLTabViewItem& item : FViewItems)
    if (item.Active) DrawTab(Canvas, item);
}

void TZCLCustomTabControl::DrawTab(TCanvas* Canvas, const TZCLTabViewItem& Item) {
  if (Item.Bounds.IsEmpty()) return;
  Integer frame = 0;
  switch (FOptionsView->GetStyle()) {
    case tsTab:
      frame = Item.Active ? 1 : 0;
      break;
    case tsHeader:
      frame = Item.Active ? 3 : 2;
      break;
    case tsHeaderAlt:
      frame = Item.Active ? 1 : 2;
      break;
  }
  TZCLResourceTexture* texture = FStyle->GetHeaderTexture();
  if (FOptionsView->GetStyle() == tsTab && FOptionsView->GetTabPosition() == tpBottom) {
    // Tabs hang below the content: the frame is drawn upside down over a copy of the background.
    const TRect b = Item.Bounds;
    TBitmap* bmp = new TBitmap();
    bmp->SetSize(b.Width(), b.Height());
    BitBlt(bmp->GetCanvas()->GetHandle(), 0, 0, b.Width(), b.Height(), Canvas->GetHandle(), b.Left, b.Top, SRCCOPY);
    texture->Draw(bmp->GetCanvas(), TRect(0, 0, b.Width(), b.Height()), frame, GetEnabled());
    StretchBlt(Canvas->GetHandle(), b.Left, b.Bottom - 1, b.Width(), -b.Height(), bmp->GetCanvas()->GetHandle(), 0, 0,
               b.Width(), b.Height(), SRCCOPY);
    Free(bmp);
  } else {
    texture->Draw(Canvas, Item.Bounds, frame, GetEnabled());
  }
  if (Item.Active && Focused()) {
    const TRect o = ScaleRectByDPI(texture->GetContentOffsets(), GetCurrentPPI());
    const TRect f(Item.Bounds.Left + o.Left, Item.Bounds.Top + o.Top, Item.Bounds.Right - o.Right,
                  Item.Bounds.Bottom - o.Bottom);
    DrawDottedFrame(Canvas, f, GetFont()->GetColor());
  }
  DrawTabText(Canvas, Item);
}

void TZCLCustomTabControl::DrawTabText(TCanvas* Canvas, const TZCLTabViewItem& Item) {
  if (Item.TextRect.IsEmpty()) return;
  AssignCanvasFont(Canvas, (Item.Active ? FStyle->GetHeaderFontActive() : FStyle->GetHeaderFont())->GetFont());
  Canvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
  TextDraw(Canvas, Item.Tab->GetCaption(), Item.TextRect, taLeftJustify, taAlignTop, Item.TextTruncated);
}

// ---- TZCLTabControl ---------------------------------------------------------------------------

void TZCLTabControl::DeclareProperties(TClassDeclaration<TZCLTabControl>& D) {
  D.Property(u"Tabs", &TZCLTabControl::GetTabs, &TZCLTabControl::SetTabs);
}

TZCLTab* TZCLTabControl::GetActiveTab() const {
  const Integer i = GetActiveIndex();
  return i >= 0 && i < FTabs->GetCount() ? FTabs->GetTab(i) : nullptr;
}

void TZCLTabControl::Localize(const String& Section, const String& Name) {
  const String sub = LangSubSection(Section, Name);
  for (Integer i = 0; i < FTabs->GetCount(); ++i) {
    TZCLTab* tab = FTabs->GetTab(i);
    tab->SetCaption(LangGet(sub, u"i[" + IntToStr(i) + u"]", tab->GetCaption()));
  }
}

// ---- page control -----------------------------------------------------------------------------

const TMessageTable& TZCLPageControlPage::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(CM_TEXTCHANGED, &TZCLPageControlPage::CMTextChanged)});
  return table;
}

TZCLPageControlPage::TZCLPageControlPage(TComponent* AOwner) : TZCLCustomControl(AOwner) {
  TControlStyle style = GetControlStyle();
  style.Include(csAcceptsControls);
  SetControlStyle(style);
  SetAlign(alClient);
}

TZCLPageControlPage::~TZCLPageControlPage() = default;

void TZCLPageControlPage::BeforeDestruction() {
  if (FPageControl) SetParent(nullptr);
  inherited::BeforeDestruction();
}

void TZCLPageControlPage::DeclareProperties(TClassDeclaration<TZCLPageControlPage>& D) {
  D.Property(u"Caption", &TZCLPageControlPage::GetCaption, &TZCLPageControlPage::SetCaption);
  D.Property(u"PageIndex", &TZCLPageControlPage::GetPageIndex, &TZCLPageControlPage::SetPageIndex).Stored(false);
  D.Property(u"PageVisible", &TZCLPageControlPage::GetPageVisible, &TZCLPageControlPage::SetPageVisible).Default(true);
}

void TZCLPageControlPage::SetParent(TWinControl* AParent) {
  if (AParent && !dynamic_cast<TZCLPageControl*>(AParent))
    throw Exception(
        Format(u"%s should be placed on %s", {ClassName(), String(TZCLPageControl::StaticClass()->ClassName())}));
  if (FPageControl && AParent != FPageControl) FPageControl->RemovePage(this);
  inherited::SetParent(AParent);
  if (AParent && AParent != FPageControl) static_cast<TZCLPageControl*>(AParent)->InsertPage(this);
}

Integer TZCLPageControlPage::GetPageIndex() const { return FTab ? FTab->GetIndex() : -1; }

void TZCLPageControlPage::SetPageIndex(Integer Value) {
  if (!FTab || Value == FTab->GetIndex()) return;
  FTab->SetIndex(std::clamp(Value, 0, FPageControl->GetPageCount() - 1));
}

void TZCLPageControlPage::SetPageVisible(bool Value) {
  if (Value == FPageVisible) return;
  FPageVisible = Value;
  UpdateTab();
}

bool TZCLPageControlPage::IsActive() const { return FPageControl && FPageControl->GetActivePage() == this; }

void TZCLPageControlPage::UpdateTab() {
  if (!FTab) return;
  FTab->SetCaption(GetText());
  FTab->SetVisible(FPageVisible);
}

void TZCLPageControlPage::CMTextChanged(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  UpdateTab();
}

void TZCLPageControlPage::Paint() {
  if (FPageControl)
    FillRectAlpha(GetCanvas(), GetClientRect(), FPageControl->GetStyle()->GetColorContent()->GetValue());
}

void TZCLPageControl::DeclareProperties(TClassDeclaration<TZCLPageControl>&) {}

TZCLPageControlPage* TZCLPageControl::GetPage(Integer Index) const {
  return static_cast<TZCLPageControlPage*>(FTabs->GetTab(Index)->Data);
}

TZCLPageControlPage* TZCLPageControl::GetActivePage() const {
  const Integer i = GetActiveIndex();
  return i >= 0 && i < FTabs->GetCount() ? GetPage(i) : nullptr;
}

void TZCLPageControl::SetActivePage(TZCLPageControlPage* Page) {
  if (!Page) {
    SetActiveIndex(-1);
    // SetActiveIndex clamps to the tabs; no page is shown on purpose here.
    if (FActiveIndex != -1) {
      FActiveIndex = -1;
      UpdatePages();
      FullRefresh();
    }
    return;
  }
  if (Page->GetPageControl() != this) return;
  SetActiveIndex(Page->GetPageIndex());
}

TZCLPageControlPage* TZCLPageControl::AddPage(const String& Caption) {
  TComponent* owner = GetOwner() ? GetOwner() : this;
  auto* page = Create<TZCLPageControlPage>(owner);
  page->SetName(GenerateComponentName(page, u"TZCL"));
  page->SetCaption(Caption);
  page->SetParent(this);
  return page;
}

void TZCLPageControl::ShowControl(TControl* AControl) {
  if (auto* page = dynamic_cast<TZCLPageControlPage*>(AControl)) SetActivePage(page);
}

void TZCLPageControl::ValidateInsert(TComponent* AComponent) {
  if (!dynamic_cast<TZCLPageControlPage*>(AComponent))
    throw Exception(
        Format(u"Only %s can be placed on %s", {String(TZCLPageControlPage::StaticClass()->ClassName()), ClassName()}));
  inherited::ValidateInsert(AComponent);
}

void TZCLPageControl::InsertPage(TZCLPageControlPage* Page) {
  Page->FPageControl = this;
  Page->FTab = FTabs->Add(u"", Page);
  Page->UpdateTab();
  FullRefresh();
  UpdatePages();
}

void TZCLPageControl::RemovePage(TZCLPageControlPage* Page) {
  TZCLTab* tab = Page->FTab;
  Page->FTab = nullptr;
  Page->FPageControl = nullptr;
  if (tab && !GetComponentState().Contains(csDestroying)) {
    Free(tab);
    FullRefresh();
    UpdatePages();
  }
}

void TZCLPageControl::AlignControls(TControl*, TRect& Rect) {
  for (Integer i = 0; i < GetControlCount(); ++i) GetControl(i)->SetBoundsRect(Rect);
}

void TZCLPageControl::DoActiveIndexChanged() {
  UpdatePages();
  inherited::DoActiveIndexChanged();
}

void TZCLPageControl::UpdatePages() {
  if (GetComponentState().Contains(csDestroying)) return;
  TZCLPageControlPage* active = GetActivePage();
  if (GetComponentState().Contains(csDesigning)) {
    if (active) active->BringToFront();
    return;
  }
  DisableAlign();
  if (active) active->BringToFront();
  for (Integer i = 0; i < FTabs->GetCount(); ++i) {
    TZCLTab* tab = FTabs->GetTab(i);
    static_cast<TZCLPageControlPage*>(tab->Data)->SetVisible(tab->GetVisible() && i == GetActiveIndex());
  }
  EnableAlign();
}

void TZCLPageControlUIInsightAdapter::EnumChildren(TObject* Object, TZCLUIInsightSearchQueueBuilder* Builder) const {
  auto* control = dynamic_cast<TZCLPageControl*>(Object);
  if (!control) return;
  for (Integer i = 0; i < control->GetPageCount(); ++i) {
    TZCLPageControlPage* page = control->GetPage(i);
    if (page && page->GetPageVisible()) Builder->Add(page);
  }
}

bool TZCLPageControlPageUIInsightAdapter::MakeVisible(TObject* Object) const {
  auto* page = dynamic_cast<TZCLPageControlPage*>(Object);
  if (!page || !page->GetPageControl()) return false;
  page->GetPageControl()->SetActivePage(page);
  return page->IsActive();
}

void RegisterTabControlClasses() {
  RegisterProperties<TZCLTab>();
  RegisterProperties<TZCLTabsOptionsView>();
  RegisterProperties<TZCLStyleTabControl>();
  RegisterProperties<TZCLCustomTabControl>();
  RegisterProperties<TZCLTabControl>();
  RegisterProperties<TZCLPageControlPage>();
  RegisterProperties<TZCLPageControl>();
  RegisterClasses({TZCLStyleTabControl::StaticClass(), TZCLTabControl::StaticClass(), TZCLPageControl::StaticClass(),
                   TZCLPageControlPage::StaticClass()});
  TZCLUIInsight::Register<TZCLPageControlUIInsightAdapter>(TZCLPageControl::StaticClass());
  TZCLUIInsight::Register<TZCLPageControlPageUIInsightAdapter>(TZCLPageControlPage::StaticClass());
}
