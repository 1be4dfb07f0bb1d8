#include "zeph/core/ZEPH.Core.UI.h"

#include <algorithm>

#include "os/OS.Gdi.h"
#include "rtl/RTL.Classes.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Graphics.h"
#include "vcl/VCL.Imaging.h"
#include "vcl/VCL.Menus.h"
#include "vcl/VCL.Messages.h"
#include "zcl/base/ZCL.Colors.h"
#include "zcl/ui/ZCL.UI.Application.h"
#include "zcl/ui/ZCL.UI.Controls.Base.h"
#include "zcl/ui/ZCL.UI.Controls.Utils.h"
#include "zcl/ui/ZCL.UI.ImageList.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"
#include "zeph/core/ZEPH.Core.Images.h"

Integer ShiftStateToModifiers(TShiftState Shift) {
  Integer result = 0;
  if (Shift.Contains(ssAlt)) result |= ZEPH_UI_MOD_ALT;
  if (Shift.Contains(ssCtrl)) result |= ZEPH_UI_MOD_CTRL;
  if (Shift.Contains(ssShift)) result |= ZEPH_UI_MOD_SHIFT;
  return result;
}

// ---- component ------------------------------------------------------------------------------------

TZEPHUIComponent::TZEPHUIComponent(IInterface* EventsHandler, TComponent* Owner)
    : TZEPHMappedObjectAdapter(nullptr, soReference), FEventsHandler(EventsHandler), FCreateOwner(Owner) {}

TZEPHUIComponent::TZEPHUIComponent(TPersistent* AObject, TStreamOwnership AOwnership)
    : TZEPHMappedObjectAdapter(nullptr, AOwnership == soOwned ? soReference : AOwnership) {
  SetObject(AObject);
}

void TZEPHUIComponent::AfterConstruction() {
  // The component is made here, where the most derived CreateComponent is reachable, and before
  // the constructor's own reference goes.
  if (!FObject) {
    if (TComponent* component = CreateComponent(FCreateOwner)) SetObject(component);
  }
  if (FObject) ComponentCreated();
  TZEPHMappedObjectAdapter::AfterConstruction();
}

TComponent* TZEPHUIComponent::CreateComponent(TComponent*) { return nullptr; }

void TZEPHUIComponent::DoChanged(TObject*) {
  if (auto events = Events<IZEPHUIChangeEvents>()) events->OnChanged(AsSender());
}

// ---- control --------------------------------------------------------------------------------------

TControl* TZEPHUIControl::AsControl() const { return dynamic_cast<TControl*>(FObject); }
TWinControl* TZEPHUIControl::AsWinControl() const { return dynamic_cast<TWinControl*>(FObject); }

void TZEPHUIControl::ComponentCreated() {
  TControl* control = AsControl();
  if (!control) return;
  control->SetAlignWithMargins(true);
  BindEvents();
  MapProperty(ZEPH_UI_PROP_ENABLED, u"Enabled", control);
  MapProperty(ZEPH_UI_PROP_HINT, u"Hint", control);
  MapProperty(ZEPH_UI_PROP_NAME, u"Name", control);
  MapProperty(ZEPH_UI_PROP_VISIBLE, u"Visible", control);
}

void TZEPHUIControl::BeforeDestruction() {
  Detach();
  TZEPHUIComponent::BeforeDestruction();
}

void TZEPHUIControl::Detach() {
  if (!FObject) return;
  UnbindEvents();
  SetObject(nullptr);
}

Integer TZEPHUIControl::GetDPI() {
  if (FDPIAware) return 96;
  const Integer dpi = FObject ? GetComponentDPI(FObject) : 0;
  return dpi ? dpi : GetSystemDPI();
}

HRESULT TZEPHUIControl::SetDPIAware(Integer Value) {
  FDPIAware = Value != 0;
  return S_OK;
}

Integer TZEPHUIControl::ScaleValue(Integer Value, bool ToControl) {
  const Integer dpi = GetDPI();
  return ToControl ? ScaleByDPI(Value, dpi) : UnscaleByDPI(Value, dpi);
}

TRect TZEPHUIControl::ScaleRect(const TRect& R, bool ToControl) {
  return TRect(ScaleValue(R.Left, ToControl), ScaleValue(R.Top, ToControl), ScaleValue(R.Right, ToControl),
               ScaleValue(R.Bottom, ToControl));
}

namespace {
bool IsZCLControl(TControl* Control) {
  return dynamic_cast<TZCLGraphicControl*>(Control) || dynamic_cast<TZCLCustomControl*>(Control);
}

TZCLMargins* ZCLMargins(TControl* Control) {
  if (auto* g = dynamic_cast<TZCLGraphicControl*>(Control)) return g->GetMargins();
  if (auto* c = dynamic_cast<TZCLCustomControl*>(Control)) return c->GetMargins();
  return nullptr;
}

TNotifyEvent* BoundsChangedEvent(TControl* Control) {
  if (auto* g = dynamic_cast<TZCLGraphicControl*>(Control)) return &g->OnBoundsChanged;
  if (auto* c = dynamic_cast<TZCLCustomControl*>(Control)) return &c->OnBoundsChanged;
  return nullptr;
}
}  // namespace

HRESULT TZEPHUIControl::GetPlacement(TZEPHUIPlacement& Placement) {
  return Checked([&] {
    TControl* control = AsControl();
    Placement.Alignment = Integer(control->GetAlign());
    if (TZCLMargins* m = ZCLMargins(control)) {
      Placement.AlignmentMargins = TRect(m->GetLeft(), m->GetTop(), m->GetRight(), m->GetBottom());
    } else {
      TMargins* m2 = control->GetMargins();
      Placement.AlignmentMargins =
          ScaleRect(TRect(m2->GetLeft(), m2->GetTop(), m2->GetRight(), m2->GetBottom()), false);
    }
    const TAnchors a = control->GetAnchors();
    Placement.Anchors = TRect(a.Contains(akLeft), a.Contains(akTop), a.Contains(akRight), a.Contains(akBottom));
    Placement.Bounds = control->GetParent() ? ScaleRect(control->GetBoundsRect(), false) : control->GetBoundsRect();
    return S_OK;
  });
}

HRESULT TZEPHUIControl::GetPlacementConstraints(TZEPHUIPlacementConstraints& Constraints) {
  return Checked([&] {
    TSizeConstraints* c = AsControl()->GetConstraints();
    Constraints.MaxHeight = FromControl(c->GetMaxHeight());
    Constraints.MaxWidth = FromControl(c->GetMaxWidth());
    Constraints.MinHeight = FromControl(c->GetMinHeight());
    Constraints.MinWidth = FromControl(c->GetMinWidth());
    return S_OK;
  });
}

HRESULT TZEPHUIControl::SetPlacement(const TZEPHUIPlacement& Placement) {
  return Checked([&] { return DoSetPlacement(Placement); });
}

HRESULT TZEPHUIControl::DoSetPlacement(const TZEPHUIPlacement& Placement) {
  TControl* control = AsControl();
  if (FSubControlOptions && FSubControlOptions->GetControl() == control) {
    static constexpr TZCLBorder sides[] = {mTop, mBottom, mLeft, mRight};
    if (Placement.Alignment >= 1 && Placement.Alignment <= 4)
      FSubControlOptions->SetPosition(sides[Placement.Alignment - 1]);
    control->SetBoundsRect(ScaleRect(Placement.Bounds, true));
    return S_OK;
  }
  if (Placement.Alignment < Integer(alNone) || Placement.Alignment > Integer(alCustom)) return E_INVALIDARG;
  control->SetAlign(TAlign(Placement.Alignment));
  control->SetBoundsRect(ScaleRect(Placement.Bounds, true));
  if (control->GetAlign() == alNone) {
    TAnchors anchors;
    if (Placement.Anchors.Left) anchors.Include(akLeft);
    if (Placement.Anchors.Top) anchors.Include(akTop);
    if (Placement.Anchors.Right) anchors.Include(akRight);
    if (Placement.Anchors.Bottom) anchors.Include(akBottom);
    control->SetAnchors(anchors);
  }
  const TRect& m = Placement.AlignmentMargins;
  if (TZCLMargins* zm = ZCLMargins(control)) {
    zm->SetLeft(m.Left);
    zm->SetTop(m.Top);
    zm->SetRight(m.Right);
    zm->SetBottom(m.Bottom);
  } else {
    const TRect s = ScaleRect(m, true);
    TMargins* vm = control->GetMargins();
    vm->SetLeft(s.Left);
    vm->SetTop(s.Top);
    vm->SetRight(s.Right);
    vm->SetBottom(s.Bottom);
  }
  return S_OK;
}

HRESULT TZEPHUIControl::SetPlacementConstraints(const TZEPHUIPlacementConstraints& Constraints) {
  return Checked([&] {
    if (TWinControl* w = AsWinControl()) w->HandleNeeded();
    TSizeConstraints* c = AsControl()->GetConstraints();
    // Minima first go, so the new maxima cannot collide with old minima.
    c->SetMinWidth(0);
    c->SetMinHeight(0);
    c->SetMaxHeight(ToControl(Constraints.MaxHeight));
    c->SetMaxWidth(ToControl(Constraints.MaxWidth));
    c->SetMinHeight(ToControl(Constraints.MinHeight));
    c->SetMinWidth(ToControl(Constraints.MinWidth));
    return S_OK;
  });
}

HRESULT TZEPHUIControl::ClientToScreen(TPoint& Point) {
  return Checked([&] {
    Point = AsControl()->ClientToScreen(TPoint(ToControl(Point.X), ToControl(Point.Y)));
    return S_OK;
  });
}

HRESULT TZEPHUIControl::ScreenToClient(TPoint& Point) {
  return Checked([&] {
    const TPoint p = AsControl()->ScreenToClient(Point);
    Point = TPoint(FromControl(p.X), FromControl(p.Y));
    return S_OK;
  });
}

HRESULT TZEPHUIControl::PaintTo(HDC DC, Integer X, Integer Y) {
  return Checked([&] { return DoPaintTo(DC, X, Y); });
}

HRESULT TZEPHUIControl::DoPaintTo(HDC DC, Integer X, Integer Y) {
  TControl* control = AsControl();
  control->SetControlState(control->GetControlState() + TControlState{csCustomPaint});
  const int saved = SaveDC(DC);
  try {
    OffsetViewportOrgEx(DC, ToControl(X), ToControl(Y), nullptr);
    IntersectClipRect(DC, 0, 0, control->GetWidth(), control->GetHeight());
    control->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC), reinterpret_cast<LPARAM>(DC));
    control->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
  } catch (...) {
    RestoreDC(DC, saved);
    control->SetControlState(control->GetControlState() - TControlState{csCustomPaint});
    throw;
  }
  RestoreDC(DC, saved);
  control->SetControlState(control->GetControlState() - TControlState{csCustomPaint});
  return S_OK;
}

HRESULT TZEPHUIControl::Invalidate() {
  return Checked([&] {
    AsControl()->Invalidate();
    return S_OK;
  });
}

void TZEPHUIControl::DoGetValueAsInt32(Integer PropertyID, Integer& Value, HRESULT& Result) {
  TZEPHUIComponent::DoGetValueAsInt32(PropertyID, Value, Result);
}

IPtr<IInterface> TZEPHUIControl::DoGetValueAsObject(Integer PropertyID) {
  if (PropertyID == ZEPH_UI_PROP_POPUP_MENU) {
    IPtr<IInterface> menu;
    TZEPHCoreAdaptersMap::GetAdapter(menu, AsControl()->GetPopupMenuComponent(), soReference);
    return menu;
  }
  if (PropertyID == ZEPH_UI_PROP_PARENT) {
    TWinControl* parent = AsControl()->GetParent();
    void* obj = nullptr;
    if (parent && TZEPHCoreAdaptersMap::QueryAdapter(parent, IIDOf<IZEPHUIWinControl>(), &obj) >= 0 && obj)
      return IPtr<IInterface>::Adopt(static_cast<IZEPHUIWinControl*>(obj));
    return {};
  }
  return TZEPHUIComponent::DoGetValueAsObject(PropertyID);
}

void TZEPHUIControl::DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) {
  if (PropertyID == ZEPH_UI_PROP_POPUP_MENU) {
    AsControl()->SetPopupMenu(static_cast<TPopupMenu*>(AdapterGetObjectChecked(Value, TPopupMenu::StaticClass())));
    return;
  }
  if (PropertyID == ZEPH_UI_PROP_PARENT) {
    SetParentFrom(Value);
    return;
  }
  TZEPHUIComponent::DoSetValueAsObject(PropertyID, Value, Result);
}

IPtr<IZEPHUIControlContainer> TZEPHUIControl::ParentContainer() {
  void* obj = nullptr;
  if (GetValueAsObject(ZEPH_UI_PROP_PARENT, IIDOf<IZEPHUIControlContainer>(), &obj) < 0 || !obj) return {};
  return IPtr<IZEPHUIControlContainer>::Adopt(static_cast<IZEPHUIControlContainer*>(obj));
}

void TZEPHUIControl::SetParentFrom(IInterface* Value) {
  auto* control = static_cast<TControl*>(AdapterGetObjectChecked(Value, TControl::StaticClass()));
  if (!control) return;
  TControl* self = AsControl();
  IZEPHUIControl* me = this;
  if (PPropInfo info = GetPropInfo(control, u"SubControl")) {
    if (auto* options = dynamic_cast<TZCLSubControlOptions*>(GetObjectProp(control, info))) {
      FSubControlOptions = options;
      if (auto container = ParentContainer()) container->ControlRemoving(me);
      TZEPHUIPlacement placement{};
      GetPlacement(placement);
      options->SetControl(self);
      DoSetPlacement(placement);
      if (auto container = ParentContainer()) container->ControlAdding(me);
      return;
    }
  }
  auto* parent = dynamic_cast<TWinControl*>(control);
  if (!parent || parent == self->GetParent()) return;
  if (auto container = ParentContainer()) container->ControlRemoving(me);
  auto adding = [&] {
    if (auto container = ParentContainer()) container->ControlAdding(me);
  };
  try {
    self->SetParent(parent);
    void* aware = nullptr;
    if (Value->QueryInterface(IIDOf<IZEPHUIDPIAwareness>(), &aware) >= 0 && aware) {
      auto awareness = IPtr<IZEPHUIDPIAwareness>::Adopt(static_cast<IZEPHUIDPIAwareness*>(aware));
      FDPIAware = awareness->GetDPIAware() != 0;
    }
    if (self->GetParent())
      if (PPropInfo order = GetPropInfo(self, u"AlignOrder"))
        SetOrdProp(self, order, self->GetParent()->GetControlCount());
  } catch (...) {
    adding();
    throw;
  }
  adding();
}

void TZEPHUIControl::BindEvents() {
  TControl* control = AsControl();
  control->OnContextPopup = TContextPopupEvent(this, &TZEPHUIControl::ContextPopup);
  control->OnMouseDown = TMouseEvent(this, &TZEPHUIControl::MouseDown);
  control->OnMouseMove = TMouseMoveEvent(this, &TZEPHUIControl::MouseMove);
  control->OnMouseLeave = TNotifyEvent(this, &TZEPHUIControl::MouseLeave);
  control->OnMouseUp = TMouseEvent(this, &TZEPHUIControl::MouseUp);
  control->OnMouseWheel = TMouseWheelEvent(this, &TZEPHUIControl::MouseWheel);
  if (TNotifyEvent* bounds = BoundsChangedEvent(control)) *bounds = TNotifyEvent(this, &TZEPHUIControl::BoundsChanged);
}

void TZEPHUIControl::UnbindEvents() {
  TControl* control = AsControl();
  if (!control) return;
  control->OnContextPopup = nullptr;
  control->OnMouseDown = nullptr;
  control->OnMouseMove = nullptr;
  control->OnMouseLeave = nullptr;
  control->OnMouseUp = nullptr;
  control->OnMouseWheel = nullptr;
  if (TNotifyEvent* bounds = BoundsChangedEvent(control)) *bounds = nullptr;
}

void TZEPHUIControl::ContextPopup(TObject*, TPoint MousePos, bool& Handled) {
  if (auto events = Events<IZEPHUIPopupEvents>())
    Handled = events->OnContextPopup(AsSender(), FromControl(MousePos.X), FromControl(MousePos.Y)) != 0;
}

void TZEPHUIControl::MouseDown(TObject*, TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  auto events = Events<IZEPHUIMouseEvents>();
  if (!events) return;
  const Integer button = Integer(Button), x = FromControl(X), y = FromControl(Y);
  if (Shift.Contains(ssDouble))
    events->OnMouseDoubleClick(AsSender(), button, x, y, ShiftStateToModifiers(Shift));
  else
    events->OnMouseDown(AsSender(), button, x, y, ShiftStateToModifiers(Shift));
}

void TZEPHUIControl::MouseMove(TObject*, TShiftState Shift, Integer X, Integer Y) {
  if (auto events = Events<IZEPHUIMouseEvents>())
    events->OnMouseMove(AsSender(), FromControl(X), FromControl(Y), ShiftStateToModifiers(Shift));
}

void TZEPHUIControl::MouseUp(TObject*, TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (auto events = Events<IZEPHUIMouseEvents>())
    events->OnMouseUp(AsSender(), Integer(Button), FromControl(X), FromControl(Y), ShiftStateToModifiers(Shift));
}

void TZEPHUIControl::MouseLeave(TObject*) {
  if (auto events = Events<IZEPHUIMouseEvents>()) events->OnMouseLeave(AsSender());
}

void TZEPHUIControl::MouseWheel(TObject*, TShiftState Shift, Integer WheelDelta, TPoint MousePos, bool& Handled) {
  if (auto events = Events<IZEPHUIMouseWheelEvents>())
    Handled = events->OnMouseWheel(AsSender(), WheelDelta, FromControl(MousePos.X), FromControl(MousePos.Y),
                                   ShiftStateToModifiers(Shift)) != 0;
}

void TZEPHUIControl::BoundsChanged(TObject*) {
  if (auto events = Events<IZEPHUIBoundsEvents>()) events->OnBoundsChanged(AsSender());
}

// ---- windowed control -----------------------------------------------------------------------------

void TZEPHUIWinControl::ComponentCreated() {
  TZEPHUIControl::ComponentCreated();
  MapProperty(ZEPH_UI_PROP_TAB_ORDER, u"TabOrder", FObject);
}

HRESULT TZEPHUIWinControl::GetControl(Integer Index, const TGUID& IID, void** Obj) {
  if (Obj) *Obj = nullptr;
  if (Index < 0 || Index >= Integer(FControls.size())) return E_INVALIDARG;
  return FControls[Index]->QueryInterface(IID, Obj) >= 0 ? S_OK : E_FAIL;
}

Integer TZEPHUIWinControl::GetControlCount() { return FObject ? Integer(FControls.size()) : -1; }

HWND TZEPHUIWinControl::GetHandle() {
  if (!IsMainThread() || !FObject) return nullptr;
  try {
    return AsWinControl()->GetHandle();
  } catch (...) {
    return nullptr;
  }
}

Integer TZEPHUIWinControl::HasHandle() { return FObject && AsWinControl()->HandleAllocated() ? -1 : 0; }

HRESULT TZEPHUIWinControl::SetFocus() {
  if (!IsMainThread()) return E_ACCESSDENIED;
  if (!FObject) return E_HANDLE;
  try {
    TWinControl* control = AsWinControl();
    if (control->CanFocus()) control->SetFocus();
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}

void TZEPHUIWinControl::ControlAdding(IZEPHUIControl* Control) { FControls.emplace_back(Control); }

void TZEPHUIWinControl::ControlRemoving(IZEPHUIControl* Control) {
  auto it = std::find_if(FControls.begin(), FControls.end(), [&](const auto& c) { return c.get() == Control; });
  if (it != FControls.end()) FControls.erase(it);
}

void TZEPHUIWinControl::Detach() {
  TZEPHUIControl::Detach();
  // Released outside the member: a child's last reference may call back into this list.
  std::vector<IPtr<IZEPHUIControl>> children;
  children.swap(FControls);
}

HRESULT TZEPHUIWinControl::DoPaintTo(HDC DC, Integer X, Integer Y) {
  AsWinControl()->PaintTo(DC, X, Y);
  return S_OK;
}

void TZEPHUIWinControl::DoGetValueAsInt32(Integer PropertyID, Integer& Value, HRESULT& Result) {
  if (PropertyID == ZEPH_UI_PROP_FOCUSED) {
    Value = AsWinControl()->Focused() ? 1 : 0;
    return;
  }
  TZEPHUIControl::DoGetValueAsInt32(PropertyID, Value, Result);
}

void TZEPHUIWinControl::BindEvents() {
  TZEPHUIControl::BindEvents();
  TWinControl* control = AsWinControl();
  control->OnContextPopup = TContextPopupEvent(this, &TZEPHUIWinControl::ContextPopup);
  control->OnEnter = TNotifyEvent(this, &TZEPHUIWinControl::Enter);
  control->OnExit = TNotifyEvent(this, &TZEPHUIWinControl::Exit);
  control->OnKeyDown = TKeyEvent(this, &TZEPHUIWinControl::KeyDown);
  control->OnKeyPress = TKeyPressEvent(this, &TZEPHUIWinControl::KeyPress);
  control->OnKeyUp = TKeyEvent(this, &TZEPHUIWinControl::KeyUp);
}

void TZEPHUIWinControl::UnbindEvents() {
  TZEPHUIControl::UnbindEvents();
  TWinControl* control = AsWinControl();
  if (!control) return;
  control->OnEnter = nullptr;
  control->OnExit = nullptr;
  control->OnKeyDown = nullptr;
  control->OnKeyPress = nullptr;
  control->OnKeyUp = nullptr;
}

void TZEPHUIWinControl::ContextPopup(TObject*, TPoint MousePos, bool& Handled) {
  if (auto events = Events<IZEPHUIPopupEvents>())
    if (events->OnContextPopup(AsSender(), MousePos.X, MousePos.Y) != 0) Handled = true;
}

void TZEPHUIWinControl::Enter(TObject*) {
  if (auto events = Events<IZEPHUIKeyboardEvents>()) events->OnEnter(AsSender());
}

void TZEPHUIWinControl::Exit(TObject*) {
  if (auto events = Events<IZEPHUIKeyboardEvents>()) events->OnExit(AsSender());
}

void TZEPHUIWinControl::KeyDown(TObject*, Word& Key, TShiftState Shift) {
  if (auto events = Events<IZEPHUIKeyboardEvents>()) events->OnKeyDown(AsSender(), Key, ShiftStateToModifiers(Shift));
}

void TZEPHUIWinControl::KeyPress(TObject*, Char& Key) {
  if (auto events = Events<IZEPHUIKeyboardEvents>()) events->OnKeyPress(AsSender(), Key);
}

void TZEPHUIWinControl::KeyUp(TObject*, Word& Key, TShiftState Shift) {
  if (auto events = Events<IZEPHUIKeyboardEvents>()) events->OnKeyUp(AsSender(), Key, ShiftStateToModifiers(Shift));
}

// ---- the program's look ---------------------------------------------------------------------------

void TZEPHUIColorSchema::ApplyToAlphaColor(Cardinal& Color) {
  TAlphaColor c = Color;
  TZCLColors::ApplyColorSchemaToAlphaColor(c, TZCLApplication::GetColorSchema());
  Color = c;
}

void TZEPHUIColorSchema::ApplyToColor(Cardinal& Color) {
  TColor c = TColor(Color);
  TZCLColors::ApplyColorSchemaToColor(c, TZCLApplication::GetColorSchema());
  Color = Cardinal(c);
}

void TZEPHUIColorSchema::ApplyToPixels(void* Pixels, Integer Count) {
  const TZCLColorSchema schema = TZCLApplication::GetColorSchema();
  if (!schema.IsAssigned() || !Pixels || Count <= 0) return;
  TZCLColors::ApplyColorSchemaToPixels(static_cast<TZCLPixel32*>(Pixels), size_t(Count), schema);
}

void TZEPHUIColorSchema::ApplyToImage(IInterface* Image) {
  void* obj = nullptr;
  if (!Image || Image->QueryInterface(IIDOf<IZBLImage>(), &obj) < 0 || !obj) return;
  auto image = IPtr<IZBLImage>::Adopt(static_cast<IZBLImage*>(obj));
  image->ApplyColorSchema(TZCLApplication::GetColorSchema());
}

void TZEPHUIMode::DoGetValueAsInt32(Integer PropertyID, Integer& Value, HRESULT& Result) {
  switch (PropertyID) {
    case ZEPH_UI_MODE_COLOR_SCHEMA: {
      const TZCLColorSchema schema = TZCLApplication::GetColorSchema();
      TAlphaColor red = 0xFFFF0000u;
      if (schema.IsAssigned()) TZCLColors::ApplyColorSchemaToAlphaColor(red, schema);
      Value = schema.IsAssigned() ? Integer(red) : 0;
      return;
    }
    case ZEPH_UI_MODE_TARGET_DPI:
      Value = TZCLApplication::GetTargetDPI();
      return;
    case ZEPH_UI_MODE_DARK:
      Value = TZCLApplication::IsDarkMode() ? 1 : 0;
      return;
    default:
      TZEPHPropertyList::DoGetValueAsInt32(PropertyID, Value, Result);
  }
}

// ---- helpers --------------------------------------------------------------------------------------

bool TZEPHUICustomDraw::Draw(IInterface* Sender, IInterface* EventsHandler, TCanvas* Canvas, const TRect& Rect) {
  void* obj = nullptr;
  if (!EventsHandler || EventsHandler->QueryInterface(IIDOf<IZEPHUIDrawEvents>(), &obj) < 0 || !obj) return false;
  auto events = IPtr<IZEPHUIDrawEvents>::Adopt(static_cast<IZEPHUIDrawEvents*>(obj));
  events->OnPaint(Sender, Canvas->GetHandle(), Rect);
  return true;
}

namespace {
HRESULT IconFromImage(TIcon* Icon, IZBLImage* Image) {
  std::unique_ptr<TBitmap> bitmap(Image->ToBitmap());
  if (!bitmap || bitmap->GetWidth() <= 0 || bitmap->GetHeight() <= 0) return E_UNEXPECTED;
  auto* list = Create<TZCLImageList>(static_cast<TComponent*>(nullptr));
  bool done = false;
  try {
    list->TCustomImageList::SetSize(bitmap->GetWidth(), bitmap->GetHeight());
    list->Add(bitmap.get());
    done = list->GetIcon(0, Icon);
  } catch (...) {
    Free(list);
    throw;
  }
  Free(list);
  return done ? S_OK : E_UNEXPECTED;
}

HRESULT IconFromStream(TIcon* Icon, std::unique_ptr<TStream> Stream) {
  try {
    Stream->SetPosition(0);
    Icon->LoadFromStream(*Stream);
    return S_OK;
  } catch (const Exception&) {
  }
  try {
    IPtr<IZBLImage> image(Create<TZBLImage>(Stream.get()));
    return IconFromImage(Icon, image.get());
  } catch (const Exception&) {
    return E_UNEXPECTED;
  }
}
}  // namespace

HRESULT LoadIconFromObject(TIcon* Icon, IInterface* Obj) {
  try {
    if (!Obj) {
      Icon->Assign(Application ? Application->GetIcon() : nullptr);
      return S_OK;
    }
    void* p = nullptr;
    if (Obj->QueryInterface(IIDOf<IZBLImage>(), &p) >= 0 && p) {
      auto image = IPtr<IZBLImage>::Adopt(static_cast<IZBLImage*>(p));
      return IconFromImage(Icon, image.get());
    }
    if (Obj->QueryInterface(IIDOf<IZEPHImageContainer>(), &p) >= 0 && p) {
      auto container = IPtr<IZEPHImageContainer>::Adopt(static_cast<IZEPHImageContainer*>(p));
      auto stream = std::make_unique<TMemoryStream>();
      if (container->GetDataSize() > 0) stream->WriteBuffer(container->GetData(), container->GetDataSize());
      return IconFromStream(Icon, std::move(stream));
    }
    if (Obj->QueryInterface(IIDOf<IZEPHStream>(), &p) >= 0 && p) {
      auto source = IPtr<IZEPHStream>::Adopt(static_cast<IZEPHStream*>(p));
      return IconFromStream(Icon, std::make_unique<TZEPHStreamWrapper>(source.get()));
    }
    return E_INVALIDARG;
  } catch (...) {
    return E_UNEXPECTED;
  }
}
