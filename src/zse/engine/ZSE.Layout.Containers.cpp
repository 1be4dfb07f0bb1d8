#include "zse/engine/ZSE.Layout.Containers.h"

#include <algorithm>
#include <cmath>

#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.TypInfo.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Menus.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/ui/ZCL.UI.Controls.Utils.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"
#include "zse/engine/ZSE.Animations.h"
#include "zse/engine/ZSE.Bindings.Providers.h"
#include "zse/engine/ZSE.Manager.h"
#include "zse/engine/ZSE.RenderBuffer.h"

// ---- TZSELayoutContainer --------------------------------------------------------------------------------

namespace {

class TZSELayoutContainerVisibilityService : public TZSEBindingProviderCustomService,
                                             public IZSEBindingServiceDataBoolean,
                                             public IZSEBindingServiceAction {
  ZCL_CLASS(TZSELayoutContainerVisibilityService, TZSEBindingProviderCustomService)
  RTL_INTERFACES(TZSEBindingProviderCustomService, IZSEBindingServiceDataBoolean, IZSEBindingServiceAction)
 public:
  explicit TZSELayoutContainerVisibilityService(TZSELayoutContainer* AOwner)
      : TZSEBindingProviderCustomService(AOwner) {}
  bool GetBooleanValue() override { return Owner()->GetVisible(); }
  void Execute() override { Owner()->SetVisible(!Owner()->GetVisible()); }

 private:
  TZSELayoutContainer* Owner() const { return static_cast<TZSELayoutContainer*>(FOwner); }
};

}  // namespace

TZSELayoutContainer::TZSELayoutContainer() {
  SetDelegateProvider(new TZSEBindingProvider(this));
  GetProvider()->RegisterService(u"IsActive", this);
  GetProvider()->RegisterService(u"Visibility", new TZSELayoutContainerVisibilityService(this));
}

TZSELayoutContainer::~TZSELayoutContainer() {
  while (!FControls.empty()) {
    TZSECustomVisualItem* control = FControls.back();
    FControls.pop_back();
    control->RemoveFreeNotification(this);
    Free(control);
  }
  Free(GetProvider());
}

void TZSELayoutContainer::AddControl(TZSECustomVisualItem* Control) {
  if (!Control || std::find(FControls.begin(), FControls.end(), Control) != FControls.end()) return;
  FControls.push_back(Control);
  Control->FreeNotification(this);
  ControlsChanged();
}

void TZSELayoutContainer::RemoveControl(TZSECustomVisualItem* Control) {
  const auto it = std::find(FControls.begin(), FControls.end(), Control);
  if (it == FControls.end()) return;
  FControls.erase(it);
  Control->RemoveFreeNotification(this);
  ControlsChanged();
}

void TZSELayoutContainer::Notification(TComponent* AComponent, TOperation Operation) {
  TZSELayoutTexture::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  FControls.erase(std::remove(FControls.begin(), FControls.end(), AComponent), FControls.end());
  if (AComponent == FPopupMenu) FPopupMenu = nullptr;
}

void TZSELayoutContainer::DrawContent(TZSERenderBuffer* Canvas, Integer Layer) {
  if (Layer == 1)
    for (TZSECustomVisualItem* control : FControls) {
      IPtr<IZSEContainedControl> contained;
      if (control->GetVisible() && Supports(static_cast<TObject*>(control), contained)) contained->DrawControl(Canvas);
    }
  TZSELayoutTexture::DrawContent(Canvas, Layer);
}

bool TZSELayoutContainer::HitTestChildren(TZSELayoutHitTestInfo& Info) {
  bool hit = TZSELayoutTexture::HitTestChildren(Info);
  if (Info.Control) return hit;
  for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
    IPtr<IZSEContainedControl> contained;
    if (!(*it)->IsVisibleAndEnabled() || !Supports(static_cast<TObject*>(*it), contained)) continue;
    if (contained->HitTestControl(Info.Point)) {
      Info.Control = *it;
      return true;
    }
  }
  return hit;
}

bool TZSELayoutContainer::HasChild(TZSECustomVisualItem* Item, bool Recursive) const {
  if (TZSELayoutTexture::HasChild(Item, Recursive)) return true;
  for (TZSECustomVisualItem* control : FControls)
    if (control == Item || (Recursive && control->HasChild(Item, true))) return true;
  return false;
}

void TZSELayoutContainer::RegisterPins() {
  TZSELayoutTexture::RegisterPins();
  if (TZSEBindings* bindings = PinBindings())
    bindings->RegisterPinHandler(u"Accessibility", [this] { UpdateEnabledFromBindings(); });
}

void TZSELayoutContainer::SetActive(bool Value) {
  if (Value == FIsActive) return;
  FIsActive = Value;
  GetProvider()->Changed(String(u"IsActive"));
}

bool TZSELayoutContainer::IsVisibilityManaged(bool IncludeTabbedParent) const {
  return GetAutoHide() || (IncludeTabbedParent && dynamic_cast<TZSELayoutTabbedGroup*>(FParent) != nullptr);
}

void TZSELayoutContainer::VisibilityChanged() {
  TZSELayoutTexture::VisibilityChanged();
  GetProvider()->Changed(String(u"Visibility"));
}

void TZSELayoutContainer::DeclareProperties(TClassDeclaration<TZSELayoutContainer>& D) {
  using T = TZSELayoutContainer;
  D.Property(u"ActualDisplayName", &T::GetActualDisplayName).Stored(false);
  D.Property(u"ClipChildren", &T::GetClipChildren, &T::SetClipChildren).Default(false);
  D.Property(u"DisplayName", &T::GetDisplayName, &T::SetDisplayName).Default(u"");
  D.Property(u"InitialVisible", &T::GetInitialVisible, &T::SetInitialVisible).Default(true);
  D.Property(u"PopupMenu", &T::GetPopupMenu, &T::SetPopupMenu);
  D.Property(u"OnResize", &T::GetOnResize, &T::SetOnResize);
}

void TZSELayoutContainer::SetPopupMenu(TPopupMenu* Value) { SetComponentReference(FPopupMenu, this, Value); }

void TZSELayoutContainer::ShowContextMenu(Integer Button, const TPoint& ScreenPoint) {
  if (HasContextMenu(Button)) ShowPopupMenu(FPopupMenu, true, ScreenPoint, GetScreenRect(), this, this);
}

void TZSELayoutContainer::SetDisplayName(const String& Value) {
  if (Value == FDisplayName) return;
  FDisplayName = Value;
  if (FParent) FParent->ItemNameChanged(this);
}

String TZSELayoutContainer::GetActualDisplayName() const {
  String text = LocalizeSkinText(FDisplayName);
  if (text.empty()) text = GetActionText(GetName());
  return text.empty() ? GetName() : text;
}

void TZSELayoutContainer::LoadSettings(TZCLIniFile* Ini, const String& Key) {
  // The visibility first: hiding an item outside a settings pass stores its current size.
  if (!IsVisibilityManaged()) SetVisible(Ini->ReadBool(Key, u"Visible", FInitialVisible));
  const TPoint stored = Ini->ReadPoint(Key, u"SizeStored");
  FStoredSize = TSize(ScaleByDPI(stored.X, GetCurrentDpi()), ScaleByDPI(stored.Y, GetCurrentDpi()));
}

void TZSELayoutContainer::SaveSettings(TZCLIniFile* Ini, const String& Key) {
  if (!IsVisibilityManaged()) Ini->WriteBoolDef(Key, u"Visible", GetVisible(), FInitialVisible);
  if (FStoredSize.cx != 0 || FStoredSize.cy != 0)
    Ini->WritePoint(Key, u"SizeStored",
                    TPoint(UnscaleByDPI(FStoredSize.cx, GetCurrentDpi()), UnscaleByDPI(FStoredSize.cy, GetCurrentDpi())));
}

// ---- split view -----------------------------------------------------------------------------------------

Integer ZSESplitProportionalLength(Integer Total, Integer T, Integer S, Integer MinA, Integer MaxA, Integer MinB,
                                   Integer MaxB, Integer MinV) {
  // Halves to even, as the layout rounds everywhere.
  const double share = static_cast<double>(MinA) / std::max(MinA + MinB, 1) + S / 200.0;
  Integer h = static_cast<Integer>(std::nearbyint(share * (Total - T)));
  h = std::max(h, MinA);
  if (h >= Total + MinA - MinV) h = Total + MinA - MinV;
  if (MaxA > 0) h = std::min(h, MaxA);
  if (MaxB > 0) h = Total - std::min(Total - h, MaxB);
  return h;
}

Integer ZSESplitProportionalValue(Integer P, Integer L, Integer MinA, Integer MaxA, Integer MinB, Integer MaxB) {
  // A view no longer than its splitter has no room to divide: the value stays neutral.
  if (L <= 0) return 0;
  P = std::max(P, MinA);
  if (MaxA > 0) P = std::min(P, MaxA);
  if (MaxB > 0) P = L - std::min(L - P, MaxB);
  const double a = (static_cast<double>(P) / L - static_cast<double>(MinA) / std::max(MinA + MinB, 1)) * 200;
  return static_cast<Integer>(std::nearbyint(a));
}

class TZSELayoutSplitViewCalculator : public TZSELayoutCalculator {
 public:
  void Calculate(TZSELayoutCustomItem* Container, TRect Area) const override {
    auto* view = static_cast<TZSELayoutSplitView*>(Container);
    view->UpdatePanes();
    const Integer mode = view->GetSplitMode();
    if (mode == 0) {
      view->SetSplitterRect(TRect());
      TZSELayoutCalculator::Calculate(Container, Area);
      return;
    }
    TZSELayoutCustomItem* side = view->FSidePane;
    TZSELayoutCustomItem* client = view->FClientPane;
    const TZSESizeLimits sl = side->GetSizeLimits();
    if (mode == 1) {
      const Integer v = view->ClampSplitValue(view->GetSplitValue());
      const TRect m = side->GetScaledMargins();
      // The pane's own maximum (SizeMaximal), not the limits its content reports.
      const TSize max = side->GetSizeMaximal()->GetValue();
      const Integer dpi = side->GetCurrentDpi();
      Integer w = sl.MinWidth + v, h = sl.MinHeight + v;
      if (max.cx > 0) w = std::min(w, ScaleByDPI(max.cx, dpi) + m.Left + m.Right);
      if (max.cy > 0) h = std::min(h, ScaleByDPI(max.cy, dpi) + m.Top + m.Bottom);
      DockItem(side, w, h, Area);
    } else {
      const bool vertical = view->FVertical;
      const TZSESizeLimits cl = client->GetSizeLimits();
      const TZSESizeLimits vl = view->GetSizeLimits();
      const Integer t = view->FShowSplitter && view->FSplitterStyle == lssControl ? view->GetSplitterThickness() : 0;
      const Integer s = view->ClampSplitValue(view->GetSplitValue());
      const Integer total = vertical ? Area.Height() : Area.Width();
      const Integer length = vertical ? ZSESplitProportionalLength(total, t, s, sl.MinHeight, sl.MaxHeight, cl.MinHeight,
                                                                    cl.MaxHeight, vl.MinHeight)
                                      : ZSESplitProportionalLength(total, t, s, sl.MinWidth, sl.MaxWidth, cl.MinWidth,
                                                                    cl.MaxWidth, vl.MinWidth);
      const TRect m = side->GetScaledMargins();
      if (vertical) {
        side->SetBounds(TRect(Area.Left, Area.Top, Area.Right, Area.Top + length));
        Area.Top = side->GetBounds().Bottom + m.Bottom;
      } else {
        side->SetBounds(TRect(Area.Left, Area.Top, Area.Left + length, Area.Bottom));
        Area.Left = side->GetBounds().Right + m.Right;
      }
    }
    if (view->FShowSplitter)
      view->PlaceSplitter(Area);
    else
      view->SetSplitterRect(TRect());
    client->SetBounds(Area);
  }
};

namespace {
const TZSELayoutSplitViewCalculator GSplitViewCalculator;
}

namespace {

class TZSELayoutSplitViewServiceSplitterVisibility : public TZSEBindingProviderCustomService,
                                                     public IZSEBindingServiceAction,
                                                     public IZSEBindingServiceDataBoolean {
  ZCL_CLASS(TZSELayoutSplitViewServiceSplitterVisibility, TZSEBindingProviderCustomService)
  RTL_INTERFACES(TZSEBindingProviderCustomService, IZSEBindingServiceAction, IZSEBindingServiceDataBoolean)
 public:
  explicit TZSELayoutSplitViewServiceSplitterVisibility(TZSELayoutSplitView* AOwner)
      : TZSEBindingProviderCustomService(AOwner) {}
  bool GetBooleanValue() override { return View()->GetShowSplitter(); }
  void Execute() override { View()->SetShowSplitter(!View()->GetShowSplitter()); }

 private:
  TZSELayoutSplitView* View() const { return static_cast<TZSELayoutSplitView*>(FOwner); }
};

}  // namespace

// ---- splitter ----------------------------------------------------------------------------------

TZSELayoutSplitViewSplitter::TZSELayoutSplitViewSplitter(TZSELayoutSplitView* AView)
    : TZSECustomVisualItem(nullptr), FView(AView) {
  FVisible = true;
}

TComponent* TZSELayoutSplitViewSplitter::GetForm() { return FView->GetForm(); }

TZSECustomVisualItem* TZSELayoutSplitViewSplitter::GetParent() const { return FView; }

bool TZSELayoutSplitViewSplitter::IsActuallyEnabled() { return FEnabled && FView->IsActuallyEnabled(); }

bool TZSELayoutSplitViewSplitter::IsActuallyVisible() {
  return FVisible && !FBounds.IsEmpty() && FView->IsActuallyVisible();
}

void TZSELayoutSplitViewSplitter::DrawControl(TZSERenderBuffer* Canvas) {
  if (!FBounds.IsEmpty()) Canvas->DrawTexture(FBounds, FView->GetTextureSplitter(), 0, 255);
}

bool TZSELayoutSplitViewSplitter::HitTestControl(const TPoint& P) { return FView->SplitterHitTest(P); }

void TZSELayoutSplitViewSplitter::MouseDown(TMouseButton Button, TShiftState, const TPoint& P) {
  if (Button == TMouseButton::Left) FView->BeginSplitterDrag(ToLayout(P));
}

void TZSELayoutSplitViewSplitter::MouseMove(TShiftState, const TPoint& P) {
  if (FView->GetDragging()) FView->DragSplitterTo(ToLayout(P));
}

void TZSELayoutSplitViewSplitter::MouseUp(TMouseButton Button, TShiftState, const TPoint&) {
  if (Button == TMouseButton::Left) FView->EndSplitterDrag();
}

TCursor TZSELayoutSplitViewSplitter::GetCursorAt(const TPoint&) {
  return FView->GetVertical() ? crVSplit : crHSplit;
}

// ---- split view --------------------------------------------------------------------------------

TZSELayoutSplitView::TZSELayoutSplitView() {
  FTextureSplitter =
      Create<TZSETexture>(this, TZSETextureChangeEvent(this, &TZSELayoutSplitView::SplitterTextureChanged));
  FSplitter = new TZSELayoutSplitViewSplitter(this);
  GetProvider()->RegisterService(u"SplitterVisibility", new TZSELayoutSplitViewServiceSplitterVisibility(this));
}

TZSELayoutSplitView::~TZSELayoutSplitView() {
  Free(FSplitter);
  Free(FTextureSplitter);
}

void TZSELayoutSplitView::BeforeDestruction() {
  FTextureSplitter->OnChange = nullptr;
  TZSELayoutContainer::BeforeDestruction();
}

void TZSELayoutSplitView::SplitterTextureChanged(TObject*, TZSETexture*) {
  // The thickness may have changed: the panes are arranged anew.
  Changed(ZSELayoutChangeStructure);
  ResourceChanged(FTextureSplitter, FTextureSplitter);
}

void TZSELayoutSplitView::SetSplitterRect(const TRect& R) {
  if (R == FSplitterRect) return;
  FSplitterRect = R;
  FSplitter->Place(R);
}

void TZSELayoutSplitView::DrawContent(TZSERenderBuffer* Canvas, Integer Layer) {
  TZSELayoutContainer::DrawContent(Canvas, Layer);
  // On top of both panes.
  if (Layer == 1 && FSplitter->GetVisible()) FSplitter->DrawControl(Canvas);
}

bool TZSELayoutSplitView::HitTestChildren(TZSELayoutHitTestInfo& Info) {
  if (FSplitter->IsVisibleAndEnabled() && FSplitter->HitTestControl(Info.Point)) {
    Info.Control = FSplitter;
    return true;
  }
  return TZSELayoutContainer::HitTestChildren(Info);
}

bool TZSELayoutSplitView::HasChild(TZSECustomVisualItem* Item, bool Recursive) const {
  return Item == FSplitter || TZSELayoutContainer::HasChild(Item, Recursive);
}

void TZSELayoutSplitView::RegisterPins() {
  TZSELayoutContainer::RegisterPins();
  if (TZSEBindings* bindings = PinBindings()) bindings->RegisterPinProperty(u"SplitterVisibility", u"ShowSplitter");
}

void TZSELayoutSplitView::DeclareProperties(TClassDeclaration<TZSELayoutSplitView>& D) {
  using T = TZSELayoutSplitView;
  D.Property(u"SplitterStyle", &T::GetSplitterStyle, &T::SetSplitterStyle).Default(lssControl);
  D.Property(u"ShowSplitter", &T::GetShowSplitter, &T::SetShowSplitter).Default(true);
  D.Property(u"SplitValue", &T::GetSplitValue, &T::SetSplitValue).Default(0);
  D.Property(u"TextureSplitter", &T::GetTextureSplitter);
}

void TZSELayoutSplitView::SetShowSplitter(bool Value) {
  if (Value == FShowSplitter) return;
  FShowSplitter = Value;
  GetProvider()->Changed(String(u"SplitterVisibility"));
  Changed(ZSELayoutChangeStructure);
}

void TZSELayoutSplitView::SetSplitterStyle(TZSELayoutSpliterStyle Value) {
  if (Value == FSplitterStyle) return;
  FSplitterStyle = Value;
  Changed(ZSELayoutChangeStructure);
}

Integer TZSELayoutSplitView::GetSplitMode() {
  UpdatePanes();
  if (!FSidePane) return 0;
  return FSidePane->GetAlignment() == laClient ? 2 : 1;
}

Integer TZSELayoutSplitView::GetSplitValue() {
  return GetSplitMode() == 1 ? ScaleByDPI(FSplitValue, GetCurrentDpi()) : FSplitValue;
}

void TZSELayoutSplitView::SetSplitValue(Integer Value) {
  if (Value == GetSplitValue()) return;
  BeginUpdate();
  try {
    FSplitValue = GetSplitMode() == 1 ? UnscaleByDPI(Value, GetCurrentDpi()) : Value;
    Realign();
    Changed(ZSELayoutChangeAppearance);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

Integer TZSELayoutSplitView::GetSplitterThickness() {
  const TSize frame = FTextureSplitter->GetFrameSize();
  UpdatePanes();
  return FVertical ? frame.cy : frame.cx;
}

Integer TZSELayoutSplitView::SpaceTaken() {
  return GetSplitMode() != 0 && FShowSplitter && FSplitterStyle == lssControl ? GetSplitterThickness() : 0;
}

void TZSELayoutSplitView::UpdatePanes() {
  FSidePane = FClientPane = nullptr;
  if (GetCount() != 2) return;
  TZSELayoutCustomItem* first = GetItem(0);
  TZSELayoutCustomItem* second = GetItem(1);
  if (!first->GetVisible() || !second->GetVisible()) return;
  if (first->GetAlignment() != laClient && second->GetAlignment() != laClient) return;
  FClientPane = first;
  FSidePane = second;
  if (second->GetAlignment() == laClient) std::swap(FClientPane, FSidePane);
  if (FSidePane->GetAlignment() == FClientPane->GetAlignment())
    FVertical = GetEffectiveLayoutDirection(this) == ldVertical;
  else
    FVertical = FSidePane->GetAlignment() == laTop || FSidePane->GetAlignment() == laBottom;
}

Integer TZSELayoutSplitView::ClampSplitValue(Integer Value) {
  switch (GetSplitMode()) {
    case 1: {
      const TZSESizeLimits s = FSidePane->GetSizeLimits(), c = FClientPane->GetSizeLimits();
      const Integer length = FVertical ? FBounds.Height() : FBounds.Width();
      const Integer max = length - (FVertical ? s.MinHeight + c.MinHeight : s.MinWidth + c.MinWidth) -
                          (FSplitterStyle == lssControl && FShowSplitter ? GetSplitterThickness() : 0);
      if (max < 0) return max;
      return std::clamp(Value, 0, max);
    }
    case 2:
      return std::clamp(Value, -100, 100);
    default:
      return Value;
  }
}

void TZSELayoutSplitView::PlaceSplitter(TRect& Rest) {
  const Integer t = GetSplitterThickness();
  TZSELayoutAlignment side = FSidePane->GetAlignment();
  if (side == laClient) side = FVertical ? laTop : laLeft;
  TRect r = Rest;
  const bool overlay = FSplitterStyle == lssOverlay;
  switch (side) {
    case laTop:
      r = overlay ? TRect(Rest.Left, Rest.Top - t / 2, Rest.Right, Rest.Top - t / 2 + t) : TRect(Rest.Left, Rest.Top, Rest.Right, Rest.Top + t);
      if (!overlay) Rest.Top += t;
      break;
    case laBottom:
      r = overlay ? TRect(Rest.Left, Rest.Bottom - t / 2, Rest.Right, Rest.Bottom - t / 2 + t)
                  : TRect(Rest.Left, Rest.Bottom - t, Rest.Right, Rest.Bottom);
      if (!overlay) Rest.Bottom -= t;
      break;
    case laLeft:
      r = overlay ? TRect(Rest.Left - t / 2, Rest.Top, Rest.Left - t / 2 + t, Rest.Bottom) : TRect(Rest.Left, Rest.Top, Rest.Left + t, Rest.Bottom);
      if (!overlay) Rest.Left += t;
      break;
    default:
      r = overlay ? TRect(Rest.Right - t / 2, Rest.Top, Rest.Right - t / 2 + t, Rest.Bottom)
                  : TRect(Rest.Right - t, Rest.Top, Rest.Right, Rest.Bottom);
      if (!overlay) Rest.Right -= t;
      break;
  }
  SetSplitterRect(r);
}

bool TZSELayoutSplitView::SplitterHitTest(const TPoint& P) const {
  if (FSplitterRect.IsEmpty() || TZSEDesigner::IsDesigning()) return false;
  // At least 8 pixels thick about the splitter's centre line.
  TRect r = FSplitterRect;
  if (FVertical && r.Height() < 8) {
    const Integer c = r.Top + r.Height() / 2;
    r.Top = c - 4, r.Bottom = c + 4;
  } else if (!FVertical && r.Width() < 8) {
    const Integer c = r.Left + r.Width() / 2;
    r.Left = c - 4, r.Right = c + 4;
  }
  return r.Contains(P);
}

void TZSELayoutSplitView::BeginSplitterDrag(const TPoint& P) {
  FDragging = true;
  FDragOrigin = P;
  FDragStart = FSplitterRect.TopLeft();
}

void TZSELayoutSplitView::DragSplitterTo(const TPoint& P) {
  if (!FDragging || GetSplitMode() == 0) return;
  const TPoint d(P.X - FDragOrigin.X, P.Y - FDragOrigin.Y);
  const TZSESizeLimits sl = FSidePane->GetSizeLimits();
  const Integer minLength = FVertical ? sl.MinHeight : sl.MinWidth;
  Integer a = 0;
  switch (FSidePane->GetAlignment()) {
    case laTop:
      a = FDragStart.Y + d.Y - FBounds.Top - minLength;
      break;
    case laBottom:
      a = FBounds.Bottom - FDragStart.Y - FSplitterRect.Height() - minLength - d.Y;
      break;
    case laLeft:
      a = FDragStart.X + d.X - FBounds.Left - minLength;
      break;
    case laRight:
      a = FBounds.Right - FDragStart.X - FSplitterRect.Width() - minLength - d.X;
      break;
    default: {
      const TZSESizeLimits cl = FClientPane->GetSizeLimits();
      const Integer p = FVertical ? FDragStart.Y + d.Y - FBounds.Top : FDragStart.X + d.X - FBounds.Left;
      const Integer l = FVertical ? FBounds.Height() - FSplitterRect.Height() : FBounds.Width() - FSplitterRect.Width();
      a = FVertical ? ZSESplitProportionalValue(p, l, sl.MinHeight, sl.MaxHeight, cl.MinHeight, cl.MaxHeight)
                    : ZSESplitProportionalValue(p, l, sl.MinWidth, sl.MaxWidth, cl.MinWidth, cl.MaxWidth);
      break;
    }
  }
  SetSplitValue(ClampSplitValue(a));
}

void TZSELayoutSplitView::ApplyMaximalSize(TZSESizeLimits& Limits) {
  TZSELayoutContainer::ApplyMaximalSize(Limits);
  const Integer t = SpaceTaken();
  if (FVertical && Limits.MaxHeight > 0) Limits.MaxHeight += t;
  if (!FVertical && Limits.MaxWidth > 0) Limits.MaxWidth += t;
}

void TZSELayoutSplitView::ApplyMinimalSize(Integer& MinWidth, Integer& MinHeight) {
  TZSELayoutContainer::ApplyMinimalSize(MinWidth, MinHeight);
  const Integer t = SpaceTaken();
  (FVertical ? MinHeight : MinWidth) += t;
}

const TZSELayoutCalculator& TZSELayoutSplitView::GetCalculatorClass() const { return GSplitViewCalculator; }

void TZSELayoutSplitView::Changed(Byte Flags, TZSELayoutCustomItem* Source) {
  if (Flags & ZSELayoutChangeStructure) UpdatePanes();
  TZSELayoutContainer::Changed(Flags, Source);
}

void TZSELayoutSplitView::ItemVisibilityChanged(TZSELayoutCustomItem* Item) { UpdatePanes(); }

void TZSELayoutSplitView::LoadSettings(TZCLIniFile* Ini, const String& Key) {
  TZSELayoutContainer::LoadSettings(Ini, Key);
  FSplitValue = Ini->ReadInteger(Key, u"SplitValue", 0);
  SetShowSplitter(Ini->ReadBool(Key, u"Splitter", true));
}

void TZSELayoutSplitView::SaveSettings(TZCLIniFile* Ini, const String& Key) {
  TZSELayoutContainer::SaveSettings(Ini, Key);
  Ini->WriteIntegerDef(Key, u"SplitValue", FSplitValue, 0);
  Ini->WriteBoolDef(Key, u"Splitter", FShowSplitter, true);
}

// ---- scroll view ----------------------------------------------------------------------------------------

class TZSELayoutScrollViewCalculator : public TZSELayoutCalculator {
 public:
  // The content laid out in a virtual area of at least the content's size, moved by the position.
  void Calculate(TZSELayoutCustomItem* Container, TRect Area) const override {
    auto* view = static_cast<TZSELayoutScrollView*>(Container);
    const TSize content = view->GetContentSize();
    const TRect virtualArea(TPoint(Area.Left - view->FScrollPosition.X, Area.Top - view->FScrollPosition.Y),
                            std::max(Area.Width(), Integer(content.cx)), std::max(Area.Height(), Integer(content.cy)));
    TZSELayoutCalculator::Calculate(Container, virtualArea);
  }
};

namespace {
const TZSELayoutScrollViewCalculator GScrollViewCalculator;
}

namespace {

// The scroll bars of a scroll view: one axis each; SetPosition writes back the position reached.
class TZSELayoutScrollViewCustomScrollBarService : public TZSEBindingProviderCustomService,
                                                   public IZSEBindingServiceActionScroll,
                                                   public IZSEBindingServiceAccessibility {
  ZCL_CLASS(TZSELayoutScrollViewCustomScrollBarService, TZSEBindingProviderCustomService)
  RTL_INTERFACES(TZSEBindingProviderCustomService, IZSEBindingServiceActionScroll, IZSEBindingServiceAccessibility)
 public:
  TZSELayoutScrollViewCustomScrollBarService(TZSELayoutScrollView* AOwner, bool AVertical)
      : TZSEBindingProviderCustomService(AOwner), FVertical(AVertical) {}
  void GetScrollInfo(Integer& Max, Integer& Min, Integer& Page, Integer& Step, Integer& Position) override {
    TZSEScrollInfo info;
    View()->GetScrollInfo(FVertical, info);
    Max = info.Max, Min = info.Min, Page = info.Page, Step = info.Step, Position = info.Position;
  }
  void SetPosition(Integer& Position) override {
    View()->SetScrollBarPosition(FVertical, Position);
    Position = FVertical ? View()->GetScrollPosition().Y : View()->GetScrollPosition().X;
  }
  bool GetAccessible() override {
    TZSEScrollInfo info;
    return View()->GetScrollInfo(FVertical, info);
  }

 private:
  TZSELayoutScrollView* View() const { return static_cast<TZSELayoutScrollView*>(FOwner); }
  bool FVertical;
};

}  // namespace

TZSELayoutScrollView::TZSELayoutScrollView() {
  SetClipChildren(true);
  GetProvider()->RegisterService(u"ScrollBarHorz", new TZSELayoutScrollViewCustomScrollBarService(this, false));
  GetProvider()->RegisterService(u"ScrollBarVert", new TZSELayoutScrollViewCustomScrollBarService(this, true));
}

void TZSELayoutScrollView::DeclareProperties(TClassDeclaration<TZSELayoutScrollView>& D) {
  using T = TZSELayoutScrollView;
  D.Publish(u"ClipChildren").Default(true);
  D.Property(u"ScrollByContentDragging", &T::GetScrollByContentDragging, &T::SetScrollByContentDragging).Default(true);
}

const TZSELayoutCalculator& TZSELayoutScrollView::GetCalculatorClass() const { return GScrollViewCalculator; }

void TZSELayoutScrollView::CalculateSizeLimits(TZSESizeLimits& Limits) {
  TZSELayoutContainer::CalculateSizeLimits(Limits);
  ClearSizeLimits(FContentLimits);
  CalculateContentSizeLimits(FContentLimits);
  // The view itself takes no minimum from its content.
  Limits.MinWidth = std::max(0, ScaleByDPI(FSizeMinimal->GetValue().cx, GetCurrentDpi()));
  Limits.MinHeight = std::max(0, ScaleByDPI(FSizeMinimal->GetValue().cy, GetCurrentDpi()));
}

TSize TZSELayoutScrollView::GetContentSize() {
  GetSizeLimits();
  return TSize(FContentLimits.MinWidth, FContentLimits.MinHeight);
}

bool TZSELayoutScrollView::ContentExceedsView() {
  const TSize c = GetContentSize();
  return FBounds.Height() < c.cy || FBounds.Width() < c.cx;
}

void TZSELayoutScrollView::ScrollTo(TPoint P) {
  const TSize c = GetContentSize();
  P.X = std::max(0, std::min(P.X, Integer(c.cx) - FBounds.Width()));
  P.Y = std::max(0, std::min(P.Y, Integer(c.cy) - FBounds.Height()));
  if (P == FScrollPosition) return;
  BeginUpdate();
  try {
    FScrollPosition = P;
    Realign();
    Changed(ZSELayoutChangeAppearance);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TZSELayoutScrollView::Realign() {
  TZSELayoutContainer::Realign();
  ScrollTo(FScrollPosition);
  GetProvider()->Changed(String(u"ScrollBarHorz"));
  GetProvider()->Changed(String(u"ScrollBarVert"));
}

void TZSELayoutScrollView::MakeVisible(const TRect& R, Integer Mode) {
  if (FPanning) return;
  const TPoint d = CalcScrollDelta(R, FBounds, Mode);
  ScrollTo(TPoint(FScrollPosition.X + d.X, FScrollPosition.Y + d.Y));
}

bool TZSELayoutScrollView::GetScrollInfo(bool Vertical, TZSEScrollInfo& Info) {
  const TSize c = GetContentSize();
  Info.Min = 0;
  Info.Max = Integer(Vertical ? c.cy : c.cx) - 1;
  Info.Page = Vertical ? FBounds.Height() : FBounds.Width();
  Info.Step = ScaleByDPI(14, GetCurrentDpi());
  Info.Position = Vertical ? FScrollPosition.Y : FScrollPosition.X;
  return Info.Page < Info.Min + Info.Max;
}

void TZSELayoutScrollView::SetScrollBarPosition(bool Vertical, Integer Position) {
  ScrollTo(Vertical ? TPoint(FScrollPosition.X, Position) : TPoint(Position, FScrollPosition.Y));
}

void TZSELayoutScrollView::WheelStep(bool Down, bool Shift) {
  const Integer step = ScaleByDPI(14, GetCurrentDpi()) * (Down ? 1 : -1);
  ScrollTo(Shift ? TPoint(FScrollPosition.X + step, FScrollPosition.Y) : TPoint(FScrollPosition.X, FScrollPosition.Y + step));
}

HRESULT TZSELayoutScrollView::QueryInterface(const TGUID& IID, void** Obj) {
  if (detail::QueryInterfaceTable<IZSEHandlerGestures>(this, IID, Obj)) return S_OK;
  // Nothing to scroll: the wheel and drags go to whatever holds the view.
  const bool mouse = IID == IZSEHandlerMouse::IID;
  if (mouse || IID == IZSEHandlerMouseWheel::IID) {
    if (ContentExceedsView() && (!mouse || FScrollByContentDragging) &&
        detail::QueryInterfaceTable<IZSEHandlerMouseWheel, IZSEHandlerMouse>(this, IID, Obj))
      return S_OK;
    if (Obj) *Obj = nullptr;
    return E_NOINTERFACE;
  }
  return TZSELayoutContainer::QueryInterface(IID, Obj);
}

void TZSELayoutScrollView::Gesture(const TGestureEventInfo& Info) {
  if (Info.GestureID != igiPan) return;
  Byte flags = 0;
  if (Info.Flags.Contains(gfBegin)) flags |= 1;
  if (Info.Flags.Contains(gfEnd)) flags |= 4;
  Pan(Info.Location, flags);
}

void TZSELayoutScrollView::GetGestures(Integer& Gestures, Integer& Options) {
  const bool scrolls = ContentExceedsView();
  Gestures = scrolls ? 2 : 0;
  Options = scrolls ? 7 : 0;
}

void TZSELayoutScrollView::Pan(const TPoint& Location, Byte Flags) {
  if (Flags & 1) {
    FLastPanPoint = Location;
    FPanning = true;
  }
  if (FPanning && Location != TPoint(-1, -1)) {
    ScrollTo(TPoint(FScrollPosition.X + FLastPanPoint.X - Location.X, FScrollPosition.Y + FLastPanPoint.Y - Location.Y));
    FLastPanPoint = Location;
  }
  if (Flags & 4) FPanning = false;
}

// ---- dock site ------------------------------------------------------------------------------------------

std::function<bool(TZSEBaseForm* Form)> TZSELayoutDockSite::IsSkinManagerForm = [](TZSEBaseForm* Form) {
  TZSEManager* manager = TZSEManager::Instance();
  return manager && manager->IsCreatedForm(Form);
};

std::function<TComponent*(const String& Name)> TZSELayoutDockSiteForms::FindForm =
    [](const String& Name) -> TComponent* {
  TZSEManager* manager = TZSEManager::Instance();
  return manager ? manager->FindForm(Name) : nullptr;
};

void TZSELayoutDockSiteForms::Load(TZCLXMLNode* Node, TZSESchema* Schema) {
  Clear();
  for (Integer i = 0; i < Node->GetCount(); ++i) {
    TZCLXMLNode* child = Node->GetNode(i);
    if (child->GetNodeName() != u"form") continue;
    // Names that match no form of the skin are skipped.
    if (auto* form = dynamic_cast<TZSEBaseForm*>(FindForm(child->GetAttributes()->GetValue(u"name")))) Add(form);
  }
  const String name = Node->GetAttributes()->GetValue(u"default");
  for (TZSEBaseForm* f : FItems)
    if (!name.empty() && SameText(f->GetName(), name)) {
      SetDefault(f);
      break;
    }
}

void TZSELayoutDockSiteForms::Save(TZCLXMLNode* Node, TZSESchema* Schema) {
  if (FDefault) Node->GetAttributes()->SetValue(u"default", FDefault->GetName());
  for (TZSEBaseForm* f : FItems) Node->Add(u"form")->GetAttributes()->SetValue(u"name", f->GetName());
}

void TZSELayoutDockSiteForms::Add(TZSEBaseForm* Form) {
  if (!Form) return;
  FItems.push_back(Form);
  Form->FreeNotification(FOwner);
}

void TZSELayoutDockSiteForms::Clear() {
  FDefault = nullptr;
  const std::vector<TZSEBaseForm*> items = std::move(FItems);
  FItems.clear();
  for (TZSEBaseForm* f : items) Left(f);
}

bool TZSELayoutDockSiteForms::Contains(TZSEBaseForm* Form) const {
  return std::find(FItems.begin(), FItems.end(), Form) != FItems.end();
}

void TZSELayoutDockSiteForms::Remove(TZSEBaseForm* Form) {
  auto it = std::find(FItems.begin(), FItems.end(), Form);
  if (it == FItems.end()) return;
  FItems.erase(it);
  if (!Contains(Form)) Left(Form);
}

void TZSELayoutDockSiteForms::RemoveAll(TZSEBaseForm* Form) {
  if (!Contains(Form)) return;
  std::erase(FItems, Form);
  Left(Form);
}

void TZSELayoutDockSiteForms::SetDefault(TZSEBaseForm* Form) {
  if (Form == FDefault || (Form && !Contains(Form))) return;
  FDefault = Form;
}

void TZSELayoutDockSiteForms::Left(TZSEBaseForm* Form) {
  if (Form == FDefault) FDefault = nullptr;
  FOwner->FormLeft(Form);
}

TZSELayoutDockSite::TZSELayoutDockSite() {
  FAllowedForms = Create<TZSELayoutDockSiteForms>(this);
  FContentExtends = Create<TZCLRect>(TNotifyEvent(this, &TZSELayoutDockSite::ContentExtendsChanged));
  SetVisible(false);
}

TZSELayoutDockSite::~TZSELayoutDockSite() {
  Free(FAllowedForms);
  Free(FContentExtends);
}

void TZSELayoutDockSite::BeforeDestruction() {
  FDestroying = true;
  if (FDockedForm) {
    TZSEForm* form = FDockedForm;
    FDockedForm = nullptr;
    form->SetDocked(false);
  }
  FAllowedForms->Clear();
  TZSELayoutItem::BeforeDestruction();
}

void TZSELayoutDockSite::ContentExtendsChanged(TObject* Sender) {
  if (FDockedForm) FDockedForm->InvalidateContent();
  Changed(ZSELayoutChangeSize);
}

void TZSELayoutDockSite::DeclareProperties(TClassDeclaration<TZSELayoutDockSite>& D) {
  using T = TZSELayoutDockSite;
  D.Property(u"AllowedForms", &T::GetAllowedForms);
  D.Property(u"ContentExtends", &T::GetContentExtends);
  D.Property(u"InitialDocked", &T::GetInitialDocked, &T::SetInitialDocked).Default(true);
  D.Property(u"Restriction", &T::GetRestriction, &T::SetRestriction).Default(ldsrNone);
}

void TZSELayoutDockSite::Notification(TComponent* AComponent, TOperation Operation) {
  TZSELayoutItem::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (auto* form = dynamic_cast<TZSEBaseForm*>(AComponent)) FAllowedForms->RemoveAll(form);
}

void TZSELayoutDockSite::FormLeft(TZSEBaseForm* Form) {
  if (Form && Form == FDockedForm) {
    FDockedForm = nullptr;
    Form->SetDocked(false);
    if (!FDestroying) UpdateDockState();
  }
  if (Form && !FAllowedForms->Contains(Form)) Form->RemoveFreeNotification(this);
}

bool TZSELayoutDockSite::CanAccept(TZSEBaseForm* Form) {
  return Form && IsSkinManagerForm(Form) && FAllowedForms->Contains(Form) && FRestriction != ldsrNoDocking;
}

bool TZSELayoutDockSite::CanRelease() {
  return !(FRestriction == ldsrNoUndocking && FDockedForm && !FDestroying && IsSkinManagerForm(FDockedForm) &&
           FAllowedForms->Contains(FDockedForm));
}

void TZSELayoutDockSite::Dock(TZSEBaseForm* Form) {
  if (!CanAccept(Form))
    throw EZSEDockSiteCannotAcceptForm(u"The \"%s\" docksite cannot accept the \"%s\" form",
                                       {GetName(), Form ? Form->GetName() : String()});
  auto* form = dynamic_cast<TZSEForm*>(Form);
  if (!form) throw EInvalidCast(u"Invalid class typecast");
  if (form == FDockedForm) return;
  if (FDockedForm) Undock();
  FDockedForm = form;
  form->SetDocked(true);
  UpdateDockState();
}

void TZSELayoutDockSite::Undock() {
  if (!FDockedForm) return;
  if (!CanRelease()) throw EZSEDockSiteCannotReleaseForm(u"Docksite cannot release the \"%s\" form", {FDockedForm->GetName()});
  TZSEForm* form = FDockedForm;
  FDockedForm = nullptr;
  form->SetDocked(false);
  if (!form->GetComponentState().Contains(csDestroying)) form->SetBoundsRect(GetScreenBounds());
  UpdateDockState();
}

TRect TZSELayoutDockSite::GetScreenBounds() { return GetScreenRect(); }

void TZSELayoutDockSite::SetHighlighted(bool Value) {
  if (Value == FHighlighted) return;
  SetCalculating(true);
  try {
    FHighlighted = Value;
    UpdateVisibility();
  } catch (...) {
    SetCalculating(false);
    throw;
  }
  SetCalculating(false);
}

void TZSELayoutDockSite::UpdateVisibility() {
  if (FDestroying) return;
  SetVisible(FHighlighted || (FDockedForm && FDockedForm->GetFormVisible()));
}

void TZSELayoutDockSite::UpdateDockState() {
  BeginUpdate();
  try {
    Changed(ZSELayoutChangeStructure);
    UpdateVisibility();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TZSELayoutDockSite::SetRestriction(TZSELayoutDockSiteRestriction Value) {
  if (Value == FRestriction) return;
  FRestriction = Value;
  if (Value == ldsrNoDocking && FDockedForm) {
    TZSEForm* form = FDockedForm;
    FDockedForm = nullptr;
    form->SetDocked(false);
    UpdateDockState();
  } else if (Value == ldsrNoUndocking && !FDockedForm && FAllowedForms->GetDefault()) {
    Dock(FAllowedForms->GetDefault());
  }
}

TRect TZSELayoutDockSite::ScaledExtends() {
  const TRect e = FContentExtends->GetValue();
  const Integer dpi = GetCurrentDpi();
  return TRect(ScaleByDPI(e.Left, dpi), ScaleByDPI(e.Top, dpi), ScaleByDPI(e.Right, dpi), ScaleByDPI(e.Bottom, dpi));
}

void TZSELayoutDockSite::Realign() {
  TZSELayoutItem::Realign();
  if (!FDockedForm) return;
  const TRect m = ScaledExtends();
  const TZSESizeLimits l = FDockedForm->GetLayout()->GetSizeLimits();
  const Integer dpi = GetCurrentDpi();
  FSizeMinimal->SetValue(TSize(UnscaleByDPI(std::max(0, l.MinWidth - m.Left - m.Right), dpi),
                               UnscaleByDPI(std::max(0, l.MinHeight - m.Top - m.Bottom), dpi)));
  FSizeMaximal->SetValue(TSize(UnscaleByDPI(std::max(0, l.MaxWidth - m.Left - m.Right), dpi),
                               UnscaleByDPI(std::max(0, l.MaxHeight - m.Top - m.Bottom), dpi)));
  if (GetVisible()) {
    const TRect b = GetBounds();
    FDockedForm->SetBoundsRect(TRect(b.Left - m.Left, b.Top - m.Top, b.Right + m.Right, b.Bottom + m.Bottom));
  }
}

void TZSELayoutDockSite::StoreCurrentSize() {
  if (!FDockedForm) return;
  const TRect m = ScaledExtends();
  FStoredSize = TSize(FDockedForm->GetWidth() - m.Left - m.Right, FDockedForm->GetHeight() - m.Top - m.Bottom);
}

void TZSELayoutDockSite::DrawContent(TZSERenderBuffer* Canvas, Integer Layer) {
  if (Layer == 1 && FDockedForm) {
    TZSERenderBufferClipState clip{};
    if (Canvas->ClipPush(GetBounds(), clip)) {
      const TPoint origin = Canvas->MoveOrigin(FDockedForm->GetLeft(), FDockedForm->GetTop());
      try {
        FDockedForm->PaintLayout(Canvas);
      } catch (...) {
        Canvas->RestoreOrigin(origin);
        Canvas->ClipPop(clip);
        throw;
      }
      Canvas->RestoreOrigin(origin);
      Canvas->ClipPop(clip);
    }
  } else if (Layer == 1 && FHighlighted) {
    Canvas->ResetRect(GetBounds());
    Canvas->FillRect(GetBounds(), 0x96000000u | (41u << 16) | (41u << 8) | 143u);
  }
  TZSELayoutItem::DrawContent(Canvas, Layer);
}

bool TZSELayoutDockSite::HitTestSelf(const TPoint& P) { return !FHighlighted && TZSELayoutItem::HitTestSelf(P); }

bool TZSELayoutDockSite::HitTestChildren(TZSELayoutHitTestInfo& Info) {
  const bool found = TZSELayoutItem::HitTestChildren(Info);
  if (!GetBounds().Contains(Info.Point)) return found;
  Info.Item = this;
  if (FDockedForm) {
    const TRect m = ScaledExtends();
    TZSELayoutHitTestInfo inner = Info;
    inner.Item = nullptr;
    inner.Point = TPoint(Info.Point.X - GetBounds().Left + m.Left, Info.Point.Y - GetBounds().Top + m.Top);
    if (FDockedForm->GetLayout()->HitTest(inner) && inner.Item) Info.Item = inner.Item;
  }
  return true;
}

// ---- unit -----------------------------------------------------------------------------------------------

void ZSELayoutContainersInitialize() {
  RegisterProperties<TZSELayoutContainer>();
  RegisterProperties<TZSELayoutSplitView>();
  RegisterProperties<TZSELayoutScrollView>();
  RegisterProperties<TZSELayoutDockSite>();
  RegisterProperties<TZSELayoutTabbedGroup>();
  RegisterClasses({TZSELayoutContainer::StaticClass(), TZSELayoutSplitView::StaticClass(),
                   TZSELayoutScrollView::StaticClass(), TZSELayoutDockSite::StaticClass(),
                   TZSELayoutTabbedGroup::StaticClass()});
}

void ZSELayoutContainersFinalize() {
  UnRegisterClasses({TZSELayoutContainer::StaticClass(), TZSELayoutSplitView::StaticClass(),
                     TZSELayoutScrollView::StaticClass(), TZSELayoutDockSite::StaticClass(),
                     TZSELayoutTabbedGroup::StaticClass()});
}

// ---- tabbed group ---------------------------------------------------------------------------------------

bool TZSELayoutTabbedGroup::AnimationsEnabled = true;

namespace {

class TZSELayoutTabbedGroupServicePages : public TZSEBindingProviderCustomTabControlService {
  ZCL_CLASS(TZSELayoutTabbedGroupServicePages, TZSEBindingProviderCustomTabControlService)
 public:
  explicit TZSELayoutTabbedGroupServicePages(TZSELayoutTabbedGroup* AOwner)
      : TZSEBindingProviderCustomTabControlService(AOwner) {}
  TObject* GetActiveItem() override { return Group()->GetActivePage(); }
  String GetItemCaption(TObject* Item) override {
    auto* page = dynamic_cast<TZSELayoutContainer*>(Item);
    return page ? page->GetActualDisplayName() : String();
  }
  void SetActiveItem(TObject* Item) override {
    for (Integer i = 0; i < Group()->GetPageCount(); ++i)
      if (Group()->GetPage(i) == Item) Group()->SetPageIndex(i);
  }
  void EnumItems(const TZSEBindingItemProc& Proc) override {
    for (Integer i = 0; i < Group()->GetPageCount(); ++i) Proc(Group()->GetPage(i));
  }

 private:
  TZSELayoutTabbedGroup* Group() const { return static_cast<TZSELayoutTabbedGroup*>(FOwner); }
};

}  // namespace

TZSELayoutTabbedGroup::TZSELayoutTabbedGroup() {
  SetDelegateProvider(new TZSEBindingProvider(this));
  GetProvider()->RegisterService(u"ActivePage", this);
  GetProvider()->RegisterService(u"Pages", new TZSELayoutTabbedGroupServicePages(this));
  FPaperSlide = new TZSEPaperSlideAnimationOptions();
}

TZSELayoutTabbedGroup::~TZSELayoutTabbedGroup() {
  TZSEAnimations::Stop(this);
  Free(FPaperSlide);
  Free(GetProvider());
}

void TZSELayoutTabbedGroup::RegisterPins() {
  TZSELayoutItem::RegisterPins();
  if (TZSEBindings* bindings = PinBindings()) bindings->RegisterPinProperty(u"ActivePage", u"PageIndex");
}

String TZSELayoutTabbedGroup::GetTextValue() {
  TZSELayoutContainer* page = GetActivePage();
  return page ? page->GetActualDisplayName() : String();
}

void TZSELayoutTabbedGroup::GetScrollInfo(Integer& Max, Integer& Min, Integer& Page, Integer& Step,
                                          Integer& Position) {
  Max = GetPageCount() - 1;
  Min = 0;
  Page = 1;
  Step = 1;
  Position = FPageIndex;
}

void TZSELayoutTabbedGroup::SetPosition(Integer& Position) {
  Position = std::max(0, std::min(Position, GetPageCount() - 1));
  SetPageIndex(Position);
}

void TZSELayoutTabbedGroup::NotifyItemAdded(TZSELayoutContainer* Page) {
  GetProvider()->EnumClients<IZSEBindingClientTabControl>([&](const IPtr<IZSEBindingClientTabControl>& C) { C->ItemAdded(Page); });
}

void TZSELayoutTabbedGroup::NotifyItemChanged(TZSELayoutContainer* Page) {
  GetProvider()->EnumClients<IZSEBindingClientTabControl>([&](const IPtr<IZSEBindingClientTabControl>& C) { C->ItemChanged(Page); });
}

void TZSELayoutTabbedGroup::NotifyItemMoved(TZSELayoutContainer* Page) {
  const Integer index = static_cast<Integer>(std::find(FPages.begin(), FPages.end(), Page) - FPages.begin());
  GetProvider()->EnumClients<IZSEBindingClientTabControl>(
      [&](const IPtr<IZSEBindingClientTabControl>& C) { C->ItemMoved(Page, index); });
}

void TZSELayoutTabbedGroup::NotifyItemRemoved(TZSELayoutContainer* Page) {
  GetProvider()->EnumClients<IZSEBindingClientTabControl>([&](const IPtr<IZSEBindingClientTabControl>& C) { C->ItemRemoved(Page); });
}

void TZSELayoutTabbedGroup::ItemNameChanged(TZSELayoutCustomItem* Item) {
  if (auto* page = dynamic_cast<TZSELayoutContainer*>(Item)) NotifyItemChanged(page);
}

void TZSELayoutTabbedGroup::DeclareProperties(TClassDeclaration<TZSELayoutTabbedGroup>& D) {
  using T = TZSELayoutTabbedGroup;
  D.Property(u"Animation", &T::GetAnimation, &T::SetAnimation).Default(tgaNone);
  D.Property(u"AnimationOptionsPaperSlide", &T::GetAnimationOptionsPaperSlide);
  D.Property(u"AnimationTime", &T::GetAnimationTime, &T::SetAnimationTime).Default(1000);
  D.Property(u"AnimationTransitionMode", &T::GetAnimationTransitionMode, &T::SetAnimationTransitionMode)
      .Default(ateAccelerateDecelerate);
  D.Property(u"PageIndex", &T::GetPageIndex, &T::SetPageIndex).Default(-1);
}

void TZSELayoutTabbedGroup::SetAnimationTime(Integer Value) { FAnimationTime = std::clamp(Value, 0, 5000); }

bool TZSELayoutTabbedGroup::IsPage(TZSELayoutCustomItem* Item) {
  return dynamic_cast<TZSELayoutContainer*>(Item) && Item->GetEnabled();
}

Integer TZSELayoutTabbedGroup::IndexOfPageByName(const String& Name) const {
  for (size_t i = 0; i < FPages.size(); ++i)
    if (SameText(FPages[i]->GetName(), Name)) return static_cast<Integer>(i);
  return -1;
}

void TZSELayoutTabbedGroup::SetPageIndex(Integer Index) {
  const Integer count = GetPageCount();
  Index = count == 0 ? -1 : std::clamp(Index, 0, count - 1);
  if (Index == FPageIndex) return;
  const Integer old = FPageIndex;
  FPageIndex = Index;
  if (FUpdateLock == 0) FUserSelectedPage = Index >= 0 ? GetPage(Index)->GetName() : String();
  UpdatePageVisibility();
  SwitchPage(old, Index);
}

void TZSELayoutTabbedGroup::UpdatePageVisibility() {
  BeginUpdate();
  FUpdatingVisibility = true;
  try {
    TZSELayoutContainer* active = GetActivePage();
    for (Integer i = 0; i < GetCount(); ++i)
      if (auto* c = dynamic_cast<TZSELayoutContainer*>(GetItem(i))) c->SetVisible(c == active);
  } catch (...) {
    FUpdatingVisibility = false;
    EndUpdate();
    throw;
  }
  FUpdatingVisibility = false;
  EndUpdate();
}

void TZSELayoutTabbedGroup::AddItem(TZSELayoutCustomItem* Item) {
  TZSELayoutItem::AddItem(Item);
  if (!IsPage(Item)) return;
  FPages.push_back(static_cast<TZSELayoutContainer*>(Item));
  NotifyItemAdded(static_cast<TZSELayoutContainer*>(Item));
  // The first page added becomes active.
  const Integer index = FPageIndex;
  FPageIndex = -2;
  SetPageIndex(index);
  UpdatePageVisibility();
}

void TZSELayoutTabbedGroup::RemovePage(TZSELayoutContainer* Page) {
  auto it = std::find(FPages.begin(), FPages.end(), Page);
  if (it == FPages.end()) return;
  TZSELayoutContainer* active = GetActivePage();
  const Integer old = FPageIndex;
  FPages.erase(it);
  FPageIndex = -1;
  if (Page == active)
    SetPageIndex(old);
  else
    SetPageIndex(static_cast<Integer>(std::find(FPages.begin(), FPages.end(), active) - FPages.begin()));
  NotifyItemRemoved(Page);
}

void TZSELayoutTabbedGroup::RemoveItem(TZSELayoutCustomItem* Item) {
  TZSELayoutItem::RemoveItem(Item);
  if (auto* page = dynamic_cast<TZSELayoutContainer*>(Item)) RemovePage(page);
}

void TZSELayoutTabbedGroup::ItemEnabledChanged(TZSELayoutCustomItem* Item) {
  auto* page = dynamic_cast<TZSELayoutContainer*>(Item);
  if (!page) return;
  ++FUpdateLock;
  try {
    if (page->GetEnabled())
      RebuildPages();
    else
      RemovePage(page);
  } catch (...) {
    --FUpdateLock;
    throw;
  }
  --FUpdateLock;
}

void TZSELayoutTabbedGroup::MoveItem(TZSELayoutCustomItem* Item, Integer Index) {
  TZSELayoutItem::MoveItem(Item, Index);
  RebuildPages();
}

void TZSELayoutTabbedGroup::RebuildPages() {
  ++FUpdateLock;
  TZSELayoutContainer* p = GetActivePage();
  try {
    const std::vector<TZSELayoutContainer*> old = std::move(FPages);
    FPages.clear();
    FPageIndex = -1;
    for (Integer i = 0; i < GetCount(); ++i)
      if (IsPage(GetItem(i))) FPages.push_back(static_cast<TZSELayoutContainer*>(GetItem(i)));
    const auto in = [](const std::vector<TZSELayoutContainer*>& List, TZSELayoutContainer* Page) {
      return std::find(List.begin(), List.end(), Page) != List.end();
    };
    for (TZSELayoutContainer* page : old)
      if (!in(FPages, page)) NotifyItemRemoved(page);
    for (TZSELayoutContainer* page : FPages)
      if (!in(old, page)) NotifyItemAdded(page);
    for (TZSELayoutContainer* page : FPages) NotifyItemMoved(page);
    UpdatePageVisibility();
    if (const Integer chosen = IndexOfPageByName(FUserSelectedPage); chosen >= 0 && !FUserSelectedPage.empty())
      p = GetPage(chosen);
  } catch (...) {
    --FUpdateLock;
    throw;
  }
  const auto it = std::find(FPages.begin(), FPages.end(), p);
  SetPageIndex(it == FPages.end() ? -1 : static_cast<Integer>(it - FPages.begin()));
  if (FPageIndex >= 0) UpdatePageVisibility();
  --FUpdateLock;
}

void TZSELayoutTabbedGroup::ItemVisibilityChanging(TZSELayoutCustomItem* Item, bool& Visible) {
  auto* c = dynamic_cast<TZSELayoutContainer*>(Item);
  if (!c || FUpdatingVisibility) return;
  if (!c->GetEnabled()) Visible = false;
  // The active page stays shown.
  if (!Visible && c == GetActivePage()) Visible = true;
}

void TZSELayoutTabbedGroup::ItemVisibilityChanged(TZSELayoutCustomItem* Item) {
  if (FUpdatingVisibility || !Item->GetVisible()) return;
  const auto it = std::find(FPages.begin(), FPages.end(), Item);
  if (it != FPages.end()) SetPageIndex(static_cast<Integer>(it - FPages.begin()));
}

bool TZSELayoutTabbedGroup::CanAnimate() {
  return FAnimation != tgaNone && FAnimationTime > 0 && AnimationsEnabled && !TZSEDesigner::IsDesigning() &&
         !(FState & ZSELayoutStateLoadingSettings) && IsActuallyVisible();
}

TZCLFramesAnimator* TZSELayoutTabbedGroup::CreateSwitchAnimator(Integer Old, Integer New, bool& Reversed) const {
  Reversed = false;
  switch (FAnimation) {
    case tgaSlideLeftToRight:
      return new TZCLAnimatorSlideLeftToRight();
    case tgaSlideRightToLeft:
      return new TZCLAnimatorSlideRightToLeft();
    case tgaSlideTopToBottom:
      return new TZCLAnimatorSlideTopToBottom();
    case tgaSlideBottomToTop:
      return new TZCLAnimatorSlideBottomToTop();
    case tgaSlideHorizontal:
      return New > Old ? static_cast<TZCLFramesAnimator*>(new TZCLAnimatorSlideRightToLeft())
                       : new TZCLAnimatorSlideLeftToRight();
    case tgaSlideVertical:
      return New > Old ? static_cast<TZCLFramesAnimator*>(new TZCLAnimatorSlideBottomToTop())
                       : new TZCLAnimatorSlideTopToBottom();
    case tgaPaperSlide:
      Reversed = New < Old;
      return FPaperSlide->CreateAnimator(Reversed);
    default:
      return new TZCLAnimatorCrossFade();
  }
}

void TZSELayoutTabbedGroup::SwitchPage(Integer Old, Integer New) {
  if (TZSELayoutContainer* page = GetActivePage()) NotifyItemChanged(page);
  GetProvider()->Changed(String(u"ActivePage"));
  if (Old < 0 || New < 0 || !CanAnimate()) return;
  Realign();
  if (GetPage(Old)->GetBounds().IsEmpty() || GetPage(New)->GetBounds().IsEmpty()) return;
  bool reversed = false;
  auto* animation = new TZSEAnimation(this, CreateSwitchAnimator(Old, New, reversed), FAnimationTime, FTransitionMode);
  if (reversed) std::swap(Old, New);
  for (auto [page, frame] : {std::pair{GetPage(Old), animation->GetFrame1()}, std::pair{GetPage(New), animation->GetFrame2()}})
    frame->PaintIntoBounds(page->GetBounds(), [page](TZSERenderBuffer* Buffer, const TRect&) {
      DrawContentTo(page, Buffer, TPoint(0, 0));
    });
  animation->Run();
}

void TZSELayoutTabbedGroup::DrawContent(TZSERenderBuffer* Canvas, Integer Layer) {
  TZSELayoutContainer* active = GetActivePage();
  for (Integer i = 0; i < GetCount(); ++i) {
    TZSELayoutCustomItem* child = GetItem(i);
    if (!child->GetVisible()) continue;
    TZSEAnimation* animation = nullptr;
    if (child == active && TZSEAnimations::Find(this, animation)) {
      if (Layer == 1) animation->Draw(Canvas, child->GetBounds());
      continue;
    }
    child->Draw(Canvas, Layer);
  }
}

void TZSELayoutTabbedGroup::LoadSettings(TZCLIniFile* Ini, const String& Key) {
  FUserSelectedPage = Ini->ReadString(Key, u"UserSelectedPage", String());
  String active;
  if (!Ini->ReadValue(Key, u"ActivePage", active)) return;
  BeginUpdate();
  try {
    SetPageIndex(IndexOfPageByName(active));
    // The pages' links read the visibility just decided.
    for (Integer i = GetPageCount() - 1; i >= 0; --i)
      if (TZSECustomBindings* bindings = GetPage(i)->GetBindings()) bindings->FullRefresh();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TZSELayoutTabbedGroup::SaveSettings(TZCLIniFile* Ini, const String& Key) {
  if (TZSELayoutContainer* page = GetActivePage(); page && !page->GetAutoHide())
    Ini->WriteString(Key, u"ActivePage", page->GetName());
  Ini->WriteStringDef(Key, u"UserSelectedPage", FUserSelectedPage, String());
}
