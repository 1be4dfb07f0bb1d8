#include "zcl/ui/ZCL.UI.Controls.Base.h"

#include <algorithm>
#include <cmath>

#include "os/OS.Gdi.h"
#include "os/OS.Input.h"
#include "os/OS.Monitors.h"
#include "rtl/RTL.TypInfo.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.ObjectLinks.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/ui/ZCL.UI.Animation.h"
#include "zcl/ui/ZCL.UI.Controls.Utils.h"
#include "zcl/ui/ZCL.UI.Resources.Collection.h"

TClass ZCLHintWindowClass = nullptr;

namespace {
constexpr Integer GraphicDefaultWidth = 200;
constexpr Integer GraphicDefaultHeight = 30;
constexpr Integer WindowedDefaultWidth = 200;
constexpr Integer WindowedDefaultHeight = 150;

bool IsDestroying(const TComponent* C) { return C->GetComponentState().Contains(csDestroying); }
bool IsLoading(const TComponent* C) { return C->GetComponentState().Contains(csLoading); }

// Pushes 96-DPI margins into the platform's margins at the control's current DPI.
void PushMargins(TControl* Control, TZCLMargins* Margins) {
  const TRect r = Margins->GetScaledRect(Control->GetCurrentPPI());
  TMargins* platform = Control->TControl::GetMargins();
  platform->SetBounds(r.Left, r.Top, r.Right, r.Bottom);
}

void SubscribeCollection(TComponent* Self, IZCLResourceChangeListener* Listener, TZCLCustomResourceCollection*& Field,
                         TZCLCustomResourceCollection* Value) {
  if (Field) {
    Field->RemoveFreeNotification(Self);
    Field->ListenerRemove(Listener);
  }
  Field = Value;
  if (Field) {
    Field->FreeNotification(Self);
    Field->ListenerAdd(Listener);
  }
}
}  // namespace

// ---- TZCLPadding ------------------------------------------------------------------------------

TZCLPadding::TZCLPadding(Integer ADefaultValue)
    : FSides(ADefaultValue, ADefaultValue, ADefaultValue, ADefaultValue), FDefaultValue(ADefaultValue) {}

void TZCLPadding::DeclareProperties(TClassDeclaration<TZCLPadding>& D) {
  D.Property(u"All", &TZCLPadding::GetAll, &TZCLPadding::SetAll).Stored(&TZCLPadding::IsAllStored);
  D.Property(u"Left", &TZCLPadding::GetLeft, &TZCLPadding::SetLeft).Stored(&TZCLPadding::IsLeftStored);
  D.Property(u"Top", &TZCLPadding::GetTop, &TZCLPadding::SetTop).Stored(&TZCLPadding::IsTopStored);
  D.Property(u"Right", &TZCLPadding::GetRight, &TZCLPadding::SetRight).Stored(&TZCLPadding::IsRightStored);
  D.Property(u"Bottom", &TZCLPadding::GetBottom, &TZCLPadding::SetBottom).Stored(&TZCLPadding::IsBottomStored);
  D.Property(u"Scalable", &TZCLPadding::GetScalable, &TZCLPadding::SetScalable).Default(true);
}

void TZCLPadding::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TZCLPadding*>(Source)) {
    if (FSides == source->FSides && FScalable == source->FScalable) return;
    FSides = source->FSides;
    FScalable = source->FScalable;
    Change();
    return;
  }
  inherited::Assign(Source);
}

Integer TZCLPadding::GetAll() const {
  const bool same = FSides.Left == FSides.Top && FSides.Top == FSides.Right && FSides.Right == FSides.Bottom;
  return same ? FSides.Left : 0;
}

void TZCLPadding::SetAll(Integer Value) {
  const TRect sides(Value, Value, Value, Value);
  if (FSides == sides) return;
  FSides = sides;
  Change();
}

void TZCLPadding::SetScalable(bool Value) {
  if (FScalable == Value) return;
  FScalable = Value;
  Change();
}

void TZCLPadding::SetSide(Integer& Field, Integer Value) {
  if (Field == Value) return;
  Field = Value;
  Change();
}

void TZCLPadding::Change() {
  if (OnChange) OnChange(this);
}

TRect TZCLPadding::GetScaledRect(Integer DPI) const {
  if (!FScalable || DPI == ZCLDefaultDPI || DPI <= 0) return FSides;
  const Single factor = static_cast<Single>(static_cast<Double>(DPI) / ZCLDefaultDPI);
  auto scale = [factor](Integer V) { return static_cast<Integer>(std::trunc(static_cast<Double>(V) * factor)); };
  return TRect(scale(FSides.Left), scale(FSides.Top), scale(FSides.Right), scale(FSides.Bottom));
}

bool TZCLPadding::IsAllStored() const {
  const bool same = FSides.Left == FSides.Top && FSides.Top == FSides.Right && FSides.Right == FSides.Bottom;
  return same && FSides.Left != FDefaultValue;
}

bool TZCLPadding::IsSideStored(Integer Side) const {
  const Integer values[] = {FSides.Left, FSides.Top, FSides.Right, FSides.Bottom};
  const bool same = FSides.Left == FSides.Top && FSides.Top == FSides.Right && FSides.Right == FSides.Bottom;
  return !same && values[Side] != FDefaultValue;
}

bool TZCLPadding::IsStored() const {
  const TRect defaults(FDefaultValue, FDefaultValue, FDefaultValue, FDefaultValue);
  return FSides != defaults || !FScalable;
}

// ---- styles -----------------------------------------------------------------------------------

namespace {
template <class S>
void DeclareColorSlot(TClassDeclaration<S>& D, StringView Name, Integer Index) {
  D.Property(Name, Index, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
}
}  // namespace

void TZCLStyleBackground::DeclareProperties(TClassDeclaration<TZCLStyleBackground>& D) {
  DeclareColorSlot(D, u"ColorBorder1", 0);
  DeclareColorSlot(D, u"ColorBorder2", 1);
  DeclareColorSlot(D, u"ColorContent1", 2);
  DeclareColorSlot(D, u"ColorContent2", 3);
}

void TZCLStyleBackground::InitializeResources() {
  GetColor(0)->InitializeAsRef(u"Common.Colors.Border1", true);
  GetColor(1)->InitializeAsRef(u"Common.Colors.Border2", true);
  GetColor(2)->InitializeAsRef(u"Common.Colors.Background1", true);
  GetColor(3)->InitializeAsRef(u"Common.Colors.Background2", true);
}

void TZCLStyleBackground::Draw(TCanvas* Canvas, const TRect& Rect, bool Transparent, TZCLBorders Borders) {
  if (!Transparent)
    FillGradientAlpha(Canvas, Rect, GetColorContent1()->GetValue(), GetColorContent2()->GetValue(), true);
  DrawDoubleFrameAlpha(Canvas, Rect, GetColorBorder1()->GetValue(), GetColorBorder2()->GetValue(), Borders);
}

bool TZCLStyleBackground::IsTranslucent() {
  auto translucent = [](TAlphaColor C) { return C != claNone && C != claDefault && (C >> 24) < 255; };
  return translucent(GetColorContent1()->GetValue()) || translucent(GetColorContent2()->GetValue());
}

void TZCLStyleContent::DeclareProperties(TClassDeclaration<TZCLStyleContent>& D) {
  DeclareColorSlot(D, u"ColorText", 4);
  DeclareColorSlot(D, u"ColorTextDisabled", 5);
}

void TZCLStyleContent::InitializeResources() {
  inherited::InitializeResources();
  GetColor(4)->InitializeAsRef(u"Common.Colors.Text", false);
  GetColor(5)->InitializeAsRef(u"Common.Colors.TextDisabled", false);
}

void TZCLStyleHatch::DeclareProperties(TClassDeclaration<TZCLStyleHatch>& D) {
  DeclareColorSlot(D, u"ColorBorder", 0);
  DeclareColorSlot(D, u"ColorContent1", 1);
  DeclareColorSlot(D, u"ColorContent2", 2);
}

void TZCLStyleHatch::InitializeResources() {
  GetColor(0)->InitializeAsRef(u"Common.Colors.Border1", true);
  GetColor(1)->InitializeAsColor(u"Common.Colors.Hatch1", static_cast<TColor>(0xFFFFFF));
  GetColor(2)->InitializeAsColor(u"Common.Colors.Hatch2", static_cast<TColor>(0xBFBFBF));
}

void TZCLStyleHatch::DrawHatch(TCanvas* Canvas, const TRect& Rect, TZCLBorders Borders, Integer CellSize) {
  if (Rect.IsEmpty()) return;
  const Integer cell = std::max(1, CellSize);
  const TColor c1 = GetColorContent1()->GetAsColor();
  const TColor c2 = GetColorContent2()->GetAsColor();
  TBrush* brush = Canvas->GetBrush();
  brush->SetStyle(TBrushStyle::bsSolid);
  // Cells are aligned to the origin, so neighbouring rectangles continue one pattern.
  const Integer x0 = Rect.Left - ((Rect.Left % cell) + cell) % cell;
  const Integer y0 = Rect.Top - ((Rect.Top % cell) + cell) % cell;
  for (Integer y = y0; y < Rect.Bottom; y += cell) {
    for (Integer x = x0; x < Rect.Right; x += cell) {
      TRect r(std::max(x, Rect.Left), std::max(y, Rect.Top), std::min(x + cell, Rect.Right),
              std::min(y + cell, Rect.Bottom));
      const bool odd = (((x / cell) + (y / cell)) & 1) != 0;
      brush->SetColor(odd ? c2 : c1);
      Canvas->FillRect(r);
    }
  }
  if (!Borders.Empty()) DrawFrameBorders(Canvas, Rect, GetColorBorder()->GetAsColor(), Borders);
}

// ---- shared services --------------------------------------------------------------------------

namespace {
TZCLMouseTracker* GTracker = nullptr;
}

TZCLMouseTracker::TZCLMouseTracker() { SetInterval(50); }

TZCLMouseTracker* TZCLMouseTracker::Instance() {
  if (!GTracker) GTracker = new TZCLMouseTracker();
  return GTracker;
}

void TZCLMouseTracker::Forget(IZCLMouseTracking* Object) {
  if (!GTracker) return;
  const Integer index = GTracker->IndexOf(Object);
  if (index < 0) return;
  // Remove without the leave notice: the object is going away.
  GTracker->Remove(Object);
}

void TZCLMouseTracker::Finalize() {
  TZCLMouseTracker* tracker = GTracker;
  GTracker = nullptr;
  Free(tracker);
}

void TZCLMouseTracker::DoAdding(IZCLMouseTracking* const& Item) { Item->MouseEnter(); }

void TZCLMouseTracker::DoTimerItem(IZCLMouseTracking* const& Item) {
  IZCLMouseTracking* item = Item;
  if (item->IsMouseAtControl()) return;
  Remove(item);
  item->MouseLeave();
}

Integer TZCLMouseWheel::GetScrollLines(TShiftState Shift) {
  Integer lines = LinesDefault;
  if (Shift.Contains(ssCtrl))
    lines = LinesCtrl;
  else if (Shift.Contains(ssAlt))
    lines = LinesAlt;
  if (lines <= 0) {
    UINT system = 3;
    SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &system, 0);
    lines = static_cast<Integer>(system);
  }
  return lines;
}

Integer GetControlAlignOrder(TControl* Control) {
  PPropInfo info = GetPropInfo(Control, u"AlignOrder");
  return info ? static_cast<Integer>(GetOrdProp(Control, info)) : 0;
}

namespace {
Integer AlignRank(TAlign Align) {
  switch (Align) {
    case alTop:
      return 0;
    case alBottom:
      return 1;
    case alLeft:
      return 2;
    case alRight:
      return 3;
    case alClient:
      return 4;
    case alNone:
      return 5;
    default:
      return 6;
  }
}

// Controls that align run through one list; a nested alignment makes its own.
std::vector<TControl*>* GAlignListCache = nullptr;

// ArrangeControl is the platform's; this reaches it for the ordered alignment.
class TArrangeAccess : public TWinControl {
 public:
  static void Arrange(TWinControl* Parent, TControl* Control, TPoint Size, TAlign Align, TRect& Rect) {
    (Parent->*&TArrangeAccess::ArrangeControl)(Control, Size, Align, Rect);
  }
  static TPoint ParentSize(TWinControl* Parent) { return (Parent->*&TArrangeAccess::GetAnchorParentSize)(); }
  static void Aligned(TWinControl* Parent) { (Parent->*&TArrangeAccess::ControlsAligned)(); }
};
}  // namespace

void ZCLOrderedAlign(TWinControl* Parent, TRect& Rect) {
  std::vector<TControl*>* list = GAlignListCache ? GAlignListCache : new std::vector<TControl*>();
  GAlignListCache = nullptr;
  list->clear();
  const bool designing = Parent->GetComponentState().Contains(csDesigning);
  for (TControl* c : Parent->GetControls()) {
    const TAlign align = c->GetAlign();
    // Unanchored controls at alNone stay where they are.
    if (align == alNone && c->GetAnchors() == TAnchors{akLeft, akTop}) continue;
    if (c->GetVisible() || designing || align == alNone) list->push_back(c);
  }
  if (list->size() > 1) {
    std::stable_sort(list->begin(), list->end(), [](TControl* a, TControl* b) {
      const Integer ra = AlignRank(a->GetAlign()), rb = AlignRank(b->GetAlign());
      if (ra != rb) return ra < rb;
      const Integer oa = GetControlAlignOrder(a), ob = GetControlAlignOrder(b);
      if (oa != ob) return oa < ob;
      switch (a->GetAlign()) {
        case alTop:
          return a->GetTop() < b->GetTop();
        case alBottom:
          return a->GetTop() > b->GetTop();
        case alLeft:
          return a->GetLeft() < b->GetLeft();
        case alRight:
          return a->GetLeft() > b->GetLeft();
        default:
          return false;
      }
    });
  }
  try {
    if (!list->empty()) {
      const TPoint size = TArrangeAccess::ParentSize(Parent);
      for (TControl* c : *list) {
        if (c->GetAlign() == alClient)
          c->TControl::GetMargins()->SetControlBounds(Rect, true);
        else
          TArrangeAccess::Arrange(Parent, c, size, c->GetAlign(), Rect);
      }
    }
  } catch (...) {
    delete GAlignListCache;
    GAlignListCache = list;
    throw;
  }
  delete GAlignListCache;
  GAlignListCache = list;
  TArrangeAccess::Aligned(Parent);
}

TCursor GetControlCursorAt(TControl* Control, const TPoint& Point) {
  IPtr<IZCLCursorProvider> provider;
  if (Supports(Control, provider)) return provider->GetCursorAt(Point);
  return Control->GetCursor();
}

bool HandleSetCursor(TWinControl* Control, TMessage& Message) {
  if (LOWORD(static_cast<uintptr_t>(Message.LParam)) != HTCLIENT ||
      reinterpret_cast<HWND>(Message.WParam) != Control->GetHandle() ||
      Control->GetComponentState().Contains(csDesigning))
    return false;
  TCursor cursor = Screen ? Screen->GetCursor() : crDefault;
  if (cursor == crDefault) {
    TPoint screen;
    GetCursorPos(screen);
    TControl* child = GetCaptureControl();
    if (!child || child->GetParent() != Control) {
      child = Control->ControlAtPos(Control->ScreenToClient(screen), false);
      if (dynamic_cast<TWinControl*>(child)) child = nullptr;
    }
    if (child) cursor = GetControlCursorAt(child, child->ScreenToClient(screen));
    if (cursor == crDefault) cursor = GetControlCursorAt(Control, Control->ScreenToClient(screen));
  }
  HCURSOR handle = Screen ? Screen->GetCursors(cursor) : StandardCursorHandle(cursor);
  if (!handle) handle = StandardCursorHandle(crArrow);
  SetCursor(handle);
  Message.Result = 1;
  return true;
}

void TZCLCustomOptionsPersistent::SetBooleanField(bool& Field, bool Value, TZCLPersistentChanges Change) {
  if (Field == Value) return;
  Field = Value;
  Changed(Change);
}

void TZCLCustomOptionsPersistent::SetIntegerField(Integer& Field, Integer Value, TZCLPersistentChanges Change) {
  if (Field == Value) return;
  Field = Value;
  Changed(Change);
}

void TZCLCustomOptionsPersistent::SetSingleField(Single& Field, Single Value, TZCLPersistentChanges Change) {
  if (!std::isnan(Field) && !std::isnan(Value) && Field == Value) return;
  Field = Value;
  Changed(Change);
}

// ---- TZCLGraphicControl -----------------------------------------------------------------------

TZCLGraphicControl::TZCLGraphicControl(TComponent* AOwner) : TGraphicControl(AOwner), FMargins(new TZCLMargins(3)) {
  FMargins->OnChange = TNotifyEvent(this, &TZCLGraphicControl::MarginsChanged);
}

TZCLGraphicControl::~TZCLGraphicControl() { Free(FMargins); }

const TMessageTable& TZCLGraphicControl::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(WM_MOUSEMOVE, &TZCLGraphicControl::WMMouseMove),
                                    VCL_MESSAGE(CM_HINTSHOW, &TZCLGraphicControl::CMHintShow),
                                    VCL_MESSAGE(CM_TEXTCHANGED, &TZCLGraphicControl::CMTextChanged),
                                    VCL_MESSAGE(CM_FONTCHANGED, &TZCLGraphicControl::CMFontChanged)});
  return table;
}

void TZCLGraphicControl::DeclareProperties(TClassDeclaration<TZCLGraphicControl>& D) {
  D.Property(u"AlignOrder", &TZCLGraphicControl::GetAlignOrder, &TZCLGraphicControl::SetAlignOrder).Default(0);
  D.Property(u"Margins", &TZCLGraphicControl::GetMargins, &TZCLGraphicControl::SetMargins)
      .Stored(&TZCLGraphicControl::IsMarginsStored);
  D.Event(u"OnBoundsChanged", &TZCLGraphicControl::OnBoundsChanged);
  D.Event(u"OnGetHint", &TZCLGraphicControl::OnGetHint);
}

void TZCLGraphicControl::AfterConstruction() {
  inherited::AfterConstruction();
  if (GetWidth() == 0 || GetHeight() == 0) SetBounds(GetLeft(), GetTop(), GraphicDefaultWidth, GraphicDefaultHeight);
  UpdateMargins();
  UpdateState();
}

void TZCLGraphicControl::BeforeDestruction() {
  SetResourceCollection(nullptr);
  TZCLMouseTracker::Forget(this);
  TZCLObjectLinks::Release(this);
  RemoveAnimations(this);
  inherited::BeforeDestruction();
}

void TZCLGraphicControl::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  inherited::SetBounds(ALeft, ATop, AWidth, AHeight);
  BoundsChanged();
}

void TZCLGraphicControl::AdjustSize() {
  inherited::AdjustSize();
  if (GetAutoSize()) RequestAlign();
}

void TZCLGraphicControl::Loaded() {
  inherited::Loaded();
  AdjustSize();
}

void TZCLGraphicControl::Resize() {
  inherited::Resize();
  if (!IsDestroying(this)) BoundsChanged();
}

void TZCLGraphicControl::SetAlignOrder(Integer Value) {
  Value = std::max(Value, 0);
  if (FAlignOrder == Value) return;
  FAlignOrder = Value;
  RequestAlign();
}

void TZCLGraphicControl::SetResourceCollection(TZCLCustomResourceCollection* Value) {
  if (FResourceCollection == Value) return;
  SubscribeCollection(this, this, FResourceCollection, Value);
  if (IsDestroying(this)) return;
  ResourceCollectionChanged();
  ResourceChanged();
}

void TZCLGraphicControl::InvalidateRect(const TRect& Rect) {
  if (!GetParent() || !GetParent()->HandleAllocated()) return;
  TRect r = Rect;
  r.Offset(GetLeft(), GetTop());
  ::InvalidateRect(GetParent()->GetHandle(), &r, 1);
}

bool TZCLGraphicControl::IsMouseAtControl() {
  if (!GetParent() || !GetParent()->HandleAllocated()) return false;
  if (GetCaptureControl() == this) return true;
  TPoint p;
  GetCursorPos(p);
  p = ScreenToClient(p);
  return GetClientRect().Contains(p) && Perform(CM_HITTEST, 0, MAKELPARAM(p.X, p.Y)) != 0;
}

void TZCLGraphicControl::MouseEnter() {
  FMouseInControl = true;
  if (OnMouseEnter) OnMouseEnter(this);
}

void TZCLGraphicControl::MouseLeave() {
  if (OnMouseLeave) OnMouseLeave(this);
  FMouseInControl = false;
}

void TZCLGraphicControl::ApplyColorSchema(const TZCLColorSchema& Schema) { ApplyColorSchemaToProperties(this, Schema); }

void TZCLGraphicControl::ResourceChanged(TObject* Sender, TZCLResource*) {
  if (Sender && Sender == FResourceCollection) ResourceCollectionChanged();
  ResourceChanged();
}

void TZCLGraphicControl::BoundsChanged() {
  if (OnBoundsChanged) OnBoundsChanged(this);
}

void TZCLGraphicControl::DoGetHint(const TPoint& Point, String& Hint) {
  if (OnGetHint) OnGetHint(this, Point.X, Point.Y, Hint);
}

void TZCLGraphicControl::ResourceChanged() {
  if (IsDestroying(this)) return;
  AdjustSize();
  UpdateState();
  Invalidate();
}

void TZCLGraphicControl::ResourceCollectionChanged() { TZCLStyle::Refresh(this); }

void TZCLGraphicControl::ChangeScale(Integer M, Integer D, bool IsDpiChange) {
  inherited::ChangeScale(M, D, IsDpiChange);
  SetTargetDPI(GetCurrentPPI());
  UpdateMargins();
}

void TZCLGraphicControl::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FResourceCollection) SetResourceCollection(nullptr);
}

void TZCLGraphicControl::UpdateMargins() { PushMargins(this, FMargins); }

void TZCLGraphicControl::MarginsChanged(TObject*) { UpdateMargins(); }

void TZCLGraphicControl::WMMouseMove(TMessage& Message) {
  TZCLMouseTracker::Instance()->Add(this);
  InheritedMessage(inherited::MessageTable(), Message);
}

namespace {
void ReplaceHintWindowClass(TMessage& Message) {
  auto* info = reinterpret_cast<THintInfo*>(Message.LParam);
  if (info && ZCLHintWindowClass && (!info->HintWindowClass || info->HintWindowClass == THintWindow::StaticClass()))
    info->HintWindowClass = ZCLHintWindowClass;
}
}  // namespace

void TZCLGraphicControl::CMHintShow(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  ReplaceHintWindowClass(Message);
  if (auto* info = reinterpret_cast<THintInfo*>(Message.LParam)) DoGetHint(info->CursorPos, info->HintStr);
}

void TZCLGraphicControl::CMTextChanged(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  Invalidate();
}

void TZCLGraphicControl::CMFontChanged(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  ResourceChanged();
}

// ---- TCustomScalableControl -------------------------------------------------------------------

void TCustomScalableControl::ScaleForPPI(Integer NewPPI) {
  Perform(WM_ZCL_SCALECHANGING);
  try {
    inherited::ScaleForPPI(NewPPI);
  } catch (...) {
    Perform(WM_ZCL_SCALECHANGED);
    throw;
  }
  Perform(WM_ZCL_SCALECHANGED);
}

// ---- TZCLCustomControl ------------------------------------------------------------------------

TZCLCustomControl::TZCLCustomControl(TComponent* AOwner)
    : TCustomScalableControl(AOwner), FMargins(new TZCLMargins(3)) {
  FMargins->OnChange = TNotifyEvent(this, &TZCLCustomControl::MarginsChanged);
}

TZCLCustomControl::~TZCLCustomControl() {
  Free(FPadding);
  Free(FMargins);
}

const TMessageTable& TZCLCustomControl::MessageTable() {
  static const TMessageTable table(
      &inherited::MessageTable(),
      {VCL_MESSAGE(WM_ERASEBKGND, &TZCLCustomControl::WMEraseBkgnd), VCL_MESSAGE(WM_SIZE, &TZCLCustomControl::WMSize),
       VCL_MESSAGE(WM_SETFOCUS, &TZCLCustomControl::WMSetFocus),
       VCL_MESSAGE(WM_KILLFOCUS, &TZCLCustomControl::WMKillFocus),
       VCL_MESSAGE(WM_MOUSEMOVE, &TZCLCustomControl::WMMouseMove),
       VCL_MESSAGE(WM_MOUSEHWHEEL, &TZCLCustomControl::WMMouseHWheel),
       VCL_MESSAGE(CM_HINTSHOW, &TZCLCustomControl::CMHintShow),
       VCL_MESSAGE(CM_FONTCHANGED, &TZCLCustomControl::CMFontChanged),
       VCL_MESSAGE(CM_ENABLEDCHANGED, &TZCLCustomControl::CMEnabledChanged),
       VCL_MESSAGE(CM_DIALOGCHAR, &TZCLCustomControl::CMDialogChar),
       VCL_MESSAGE(WM_ZCL_SCALECHANGING, &TZCLCustomControl::CMScaleChanging),
       VCL_MESSAGE(WM_ZCL_SCALECHANGED, &TZCLCustomControl::CMScaleChanged)});
  return table;
}

void TZCLCustomControl::DeclareProperties(TClassDeclaration<TZCLCustomControl>& D) {
  D.Property(u"AlignOrder", &TZCLCustomControl::GetAlignOrder, &TZCLCustomControl::SetAlignOrder).Default(0);
  D.Property(u"Margins", &TZCLCustomControl::GetMargins, &TZCLCustomControl::SetMargins)
      .Stored(&TZCLCustomControl::IsMarginsStored);
  D.Event(u"OnBoundsChanged", &TZCLCustomControl::OnBoundsChanged);
  D.Event(u"OnGetHint", &TZCLCustomControl::OnGetHint);
  D.Event(u"OnMouseWheelUp", &TZCLCustomControl::OnMouseWheelUp);
  D.Event(u"OnMouseWheelDown", &TZCLCustomControl::OnMouseWheelDown);
}

TZCLPadding* TZCLCustomControl::CreatePadding() { return new TZCLPadding(0); }

void TZCLCustomControl::AfterConstruction() {
  FPadding = CreatePadding();
  FPadding->OnChange = TNotifyEvent(this, &TZCLCustomControl::PaddingChanged);
  inherited::AfterConstruction();
  if (GetWidth() == 0 || GetHeight() == 0) SetBounds(GetLeft(), GetTop(), WindowedDefaultWidth, WindowedDefaultHeight);
  UpdateMargins();
  UpdateTransparency();
}

void TZCLCustomControl::BeforeDestruction() {
  SetResourceCollection(nullptr);
  if (TCustomForm* form = GetParentForm(this, true); form && form->GetActiveControl() == this)
    form->SetFocusedControl(nullptr);
  TZCLMouseTracker::Forget(this);
  TZCLObjectLinks::Release(this);
  RemoveAnimations(this);
  inherited::BeforeDestruction();
}

void TZCLCustomControl::AdjustSize() {
  if (GetAligning()) return;
  SetBounds(GetLeft(), GetTop(), GetWidth(), GetHeight());
  inherited::AdjustSize();
}

void TZCLCustomControl::AdjustClientRect(TRect& Rect) {
  inherited::AdjustClientRect(Rect);
  const TRect offset = GetContentOffset();
  Rect.Left += offset.Left;
  Rect.Top += offset.Top;
  Rect.Right -= offset.Right;
  Rect.Bottom -= offset.Bottom;
  if (FPadding) {
    const TRect padding = FPadding->GetScaledRect(GetCurrentPPI());
    Rect.Left += padding.Left;
    Rect.Top += padding.Top;
    Rect.Right -= padding.Right;
    Rect.Bottom -= padding.Bottom;
  }
}

TRect TZCLCustomControl::GetClientRect() const {
  if (!HandleAllocated()) return TRect(0, 0, FWidth, FHeight);
  return inherited::GetClientRect();
}

void TZCLCustomControl::Invalidate() { InvalidateRect(GetClientRect()); }

void TZCLCustomControl::Loaded() {
  inherited::Loaded();
  DoLoaded();
  FullRefresh();
}

void TZCLCustomControl::SetAlignOrder(Integer Value) {
  Value = std::max(Value, 0);
  if (FAlignOrder == Value) return;
  FAlignOrder = Value;
  RequestAlign();
}

void TZCLCustomControl::SetResourceCollection(TZCLCustomResourceCollection* Value) {
  if (FResourceCollection == Value) return;
  SubscribeCollection(this, this, FResourceCollection, Value);
  if (IsDestroying(this)) return;
  ResourceCollectionChanged();
  ResourceChanged();
}

void TZCLCustomControl::SetTransparent(bool Value) {
  if (FTransparent == Value) return;
  FTransparent = Value;
  UpdateTransparency();
}

void TZCLCustomControl::FullRefresh() {
  if (IsLoading(this) || IsDestroying(this)) return;
  BoundsChanged();
  AdjustSize();
  if (GetAutoSize()) BoundsChanged();
  UpdateState();
  Invalidate();
}

void TZCLCustomControl::UpdateCursor() {
  if (FMouseInControl && HandleAllocated())
    SendMessage(GetHandle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(GetHandle()), HTCLIENT);
}

void TZCLCustomControl::InvalidateRect(const TRect& Rect) {
  if (IsDestroying(this) || !HandleAllocated()) return;
  ::InvalidateRect(GetHandle(), &Rect, 1);
}

bool TZCLCustomControl::IsMouseAtControl() {
  if (!HandleAllocated() || !IsWindowVisible(GetHandle())) return false;
  if (GetCapture() == GetHandle()) return true;
  TPoint p;
  GetCursorPos(p);
  p = ScreenToClient(p);
  return GetClientRect().Contains(p) && Perform(CM_HITTEST, 0, MAKELPARAM(p.X, p.Y)) != 0;
}

void TZCLCustomControl::MouseEnter() {
  FMouseInControl = true;
  UpdateCursor();
}

void TZCLCustomControl::MouseLeave() { FMouseInControl = false; }

void TZCLCustomControl::ApplyColorSchema(const TZCLColorSchema& Schema) { ApplyColorSchemaToProperties(this, Schema); }

void TZCLCustomControl::ResourceChanged(TObject* Sender, TZCLResource*) {
  if (Sender && Sender == FResourceCollection) ResourceCollectionChanged();
  ResourceChanged();
}

void TZCLCustomControl::BoundsChanged() {
  if (OnBoundsChanged) OnBoundsChanged(this);
}

void TZCLCustomControl::DoGetHint(const TPoint& Point, String& Hint) {
  if (OnGetHint) OnGetHint(this, Point.X, Point.Y, Hint);
}

void TZCLCustomControl::SetFocusOnClickNow() {
  if (!Focused()) SafeSetFocus(this);
}

void TZCLCustomControl::UpdateTransparency() {
  TControlStyle style = GetControlStyle();
  if (FTransparent)
    style.Exclude(csOpaque);
  else
    style.Include(csOpaque);
  SetControlStyle(style);
}

bool TZCLCustomControl::MouseWheel(TMouseWheelDirection Direction, TShiftState Shift, const TPoint& MousePos) {
  bool handled = false;
  const TMouseWheelUpDownEvent& event = Direction == mwdUp ? OnMouseWheelUp : OnMouseWheelDown;
  if (event) event(this, Shift, MousePos, handled);
  return handled;
}

void TZCLCustomControl::ResourceChanged() {
  if (IsDestroying(this) || IsScaleChanging()) return;
  UpdateTransparency();
  FullRefresh();
  Realign();
}

void TZCLCustomControl::ResourceCollectionChanged() { TZCLStyle::Refresh(this); }

void TZCLCustomControl::AlignControls(TControl*, TRect& Rect) { ZCLOrderedAlign(this, Rect); }

void TZCLCustomControl::ChangeScale(Integer M, Integer D, bool IsDpiChange) {
  Perform(WM_ZCL_SCALECHANGING);
  try {
    inherited::ChangeScale(M, D, IsDpiChange);
    SetTargetDPI(GetCurrentPPI());
    UpdateMargins();
  } catch (...) {
    Perform(WM_ZCL_SCALECHANGED);
    throw;
  }
  Perform(WM_ZCL_SCALECHANGED);
}

void TZCLCustomControl::Paint() {
  TCanvas* canvas = GetCanvas();
  canvas->GetBrush()->SetColor(GetColor());
  canvas->GetBrush()->SetStyle(TBrushStyle::bsSolid);
  canvas->FillRect(GetClientRect());
}

void TZCLCustomControl::PaintWindow(HDC DC) {
  if (!GetControlStyle().Contains(csOpaque)) DrawParentBackground(this, DC, GetClientRect());
  inherited::PaintWindow(DC);
}

void TZCLCustomControl::Resize() {
  inherited::Resize();
  if (!IsDestroying(this)) BoundsChanged();
}

void TZCLCustomControl::WndProc(TMessage& Message) {
  if (Message.Msg == WM_SETCURSOR && HandleAllocated() && HandleSetCursor(this, Message)) return;
  inherited::WndProc(Message);
}

void TZCLCustomControl::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (FFocusOnClick) SetFocusOnClickNow();
  inherited::MouseDown(Button, Shift, X, Y);
}

bool TZCLCustomControl::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  return MouseWheel(mwdDown, Shift, MousePos);
}

bool TZCLCustomControl::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  return MouseWheel(mwdUp, Shift, MousePos);
}

void TZCLCustomControl::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FResourceCollection) SetResourceCollection(nullptr);
}

void TZCLCustomControl::UpdateMargins() {
  // One re-alignment for the four sides.
  DisableAlign();
  try {
    PushMargins(this, FMargins);
  } catch (...) {
    EnableAlign();
    throw;
  }
  EnableAlign();
}

void TZCLCustomControl::MarginsChanged(TObject*) { UpdateMargins(); }

void TZCLCustomControl::PaddingChanged(TObject*) { ResourceChanged(); }

void TZCLCustomControl::WMEraseBkgnd(TMessage& Message) { Message.Result = 1; }

void TZCLCustomControl::WMSize(TMessage& Message) {
  if (!IsDestroying(this)) BoundsChanged();
  InheritedMessage(inherited::MessageTable(), Message);
  if (TWinControl* parent = GetParent(); parent && parent->GetAutoSize()) parent->AdjustSize();
}

void TZCLCustomControl::WMSetFocus(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  FocusChanged();
}

void TZCLCustomControl::WMKillFocus(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  FocusChanged();
}

void TZCLCustomControl::WMMouseMove(TMessage& Message) {
  if (IsMouseAtControl()) TZCLMouseTracker::Instance()->Add(this);
  InheritedMessage(inherited::MessageTable(), Message);
}

void TZCLCustomControl::WMMouseHWheel(TMessage& Message) {
  // A notch to the right scrolls like a notch down with Shift held.
  const WPARAM keys = LOWORD(Message.WParam) | MK_SHIFT;
  const int delta = -GET_WHEEL_DELTA_WPARAM(Message.WParam);
  const WPARAM wparam = (keys & 0xFFFF) | (static_cast<WPARAM>(static_cast<Word>(static_cast<int16_t>(delta))) << 16);
  Message.Result = Perform(WM_MOUSEWHEEL, wparam, Message.LParam);
}

void TZCLCustomControl::CMHintShow(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  ReplaceHintWindowClass(Message);
  if (auto* info = reinterpret_cast<THintInfo*>(Message.LParam)) DoGetHint(info->CursorPos, info->HintStr);
}

void TZCLCustomControl::CMFontChanged(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  ResourceChanged();
}

void TZCLCustomControl::CMEnabledChanged(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  Invalidate();
  UpdateCursor();
}

void TZCLCustomControl::CMDialogChar(TMessage& Message) {
  if (DialogChar(Message)) {
    Message.Result = 1;
    return;
  }
  InheritedMessage(inherited::MessageTable(), Message);
}

void TZCLCustomControl::CMScaleChanging(TMessage&) {
  if (++FScaleChangeCount != 1) return;
  DisableAlign();
  FSavedAutoSize = GetAutoSize();
  for (TControl* child : GetControls()) child->SetAnchorMove(true);
  if (FSavedAutoSize) SetAutoSize(false);
}

void TZCLCustomControl::CMScaleChanged(TMessage&) {
  if (FScaleChangeCount <= 0 || --FScaleChangeCount != 0) return;
  ResourceChanged();
  for (TControl* child : GetControls()) {
    child->SetAnchorMove(false);
    child->UpdateAnchorRules();
  }
  if (FSavedAutoSize) SetAutoSize(true);
  EnableAlign();
}

// ---- TZCLContainer ----------------------------------------------------------------------------

TZCLContainer::TZCLContainer(TComponent* AOwner) : TZCLCustomControl(AOwner) {}

TZCLContainer::~TZCLContainer() { Free(FStyle); }

const TMessageTable& TZCLContainer::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(CM_SHOWINGCHANGED, &TZCLContainer::CMShowingChanged)});
  return table;
}

void TZCLContainer::DeclareProperties(TClassDeclaration<TZCLContainer>& D) {
  D.Property(u"Style", &TZCLContainer::GetStyle, &TZCLContainer::SetStyle);
  D.Property(u"Borders", &TZCLContainer::GetBorders, &TZCLContainer::SetBorders)
      .Default(TZCLBorders{mLeft, mTop, mRight, mBottom});
  D.Property(u"ResourceCollection", &TZCLContainer::GetResourceCollection, &TZCLContainer::SetResourceCollection);
  D.Event(u"OnAlignControls", &TZCLContainer::OnAlignControls);
}

void TZCLContainer::AfterConstruction() {
  FStyle = CreateStyle();
  inherited::AfterConstruction();
}

TZCLStyleBackground* TZCLContainer::CreateStyle() { return Create<TZCLStyleBackground>(static_cast<TObject*>(this)); }

void TZCLContainer::SetBorders(TZCLBorders Value) {
  if (FBorders == Value) return;
  FBorders = Value;
  if (!HandleAllocated()) return;
  AdjustSize();
  Realign();
  Invalidate();
}

void TZCLContainer::SetAutoSize(bool Value) {
  if (GetAutoSize() == Value) return;
  inherited::SetAutoSize(Value);
}

TRect TZCLContainer::GetContentOffset() {
  return TRect(FBorders.Contains(mLeft) ? 2 : 0, FBorders.Contains(mTop) ? 2 : 0, FBorders.Contains(mRight) ? 2 : 0,
               FBorders.Contains(mBottom) ? 2 : 0);
}

void TZCLContainer::SetTargetDPI(Integer DPI) {
  if (FStyle) FStyle->SetTargetDPI(DPI);
}

void TZCLContainer::UpdateTransparency() {
  TControlStyle style = GetControlStyle();
  if (GetTransparent() || (FStyle && FStyle->IsTranslucent()))
    style.Exclude(csOpaque);
  else
    style.Include(csOpaque);
  SetControlStyle(style);
}

void TZCLContainer::Paint() { FStyle->Draw(GetCanvas(), GetClientRect(), GetTransparent(), FBorders); }

void TZCLContainer::AlignControls(TControl* AControl, TRect& Rect) {
  if (!OnAlignControls) {
    inherited::AlignControls(AControl, Rect);
    return;
  }
  OnAlignControls(this, Rect);
  ControlsAligned();
}

void TZCLContainer::CMShowingChanged(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  if (GetShowing()) FullRefresh();
}

void RegisterBaseControlClasses() {
  RegisterProperties<TZCLPadding>();
  RegisterProperties<TZCLMargins>();
  RegisterProperties<TZCLStyleBackground>();
  RegisterProperties<TZCLStyleContent>();
  RegisterProperties<TZCLStyleHatch>();
  RegisterProperties<TZCLGraphicControl>();
  RegisterProperties<TZCLCustomControl>();
  RegisterProperties<TZCLContainer>();
}
