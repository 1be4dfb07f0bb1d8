#include "zse/engine/ZSE.Forms.Utils.h"

#include <cmath>
#include <cstdlib>

#include "os/OS.Gdi.h"
#include "os/OS.Monitors.h"
#include "os/OS.Regions.h"
#include "os/OS.Timers.h"
#include "os/OS.Windows.h"
#include "rtl/RTL.Numbers.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.MUI.h"
#include "zcl/base/ZCL.Timers.h"
#include "zcl/ui/ZCL.UI.Controls.Utils.h"
#include "zcl/ui/ZCL.UI.DragDrop.Target.h"
#include "zcl/ui/ZCL.UI.SkinImageSet.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"
#include "zcl/ui/ZCL.Utils.Desktop.h"
#include "zse/engine/ZSE.Bindings.Providers.h"
#include "zse/engine/ZSE.Forms.h"
#include "zse/engine/ZSE.Manager.h"
#include "zse/engine/ZSE.Menus.h"

namespace {
struct TTolerance {
  Integer T1, T7;
  explicit TTolerance(Integer DPI) : T1(ScaleByDPI(1, DPI)), T7(ScaleByDPI(7, DPI)) {}

  bool Within(Integer V, Integer Low, Integer High) const { return V >= Low && V <= High; }
  bool Overlap(Integer A1, Integer A2, Integer B1, Integer B2) const {
    return Within(A1, B1 - T1, B2 + T1) || Within(A2, B1 - T1, B2 + T1) ||
           (Within(B1, A1 - T1, A2 + T1) && Within(B2, A1 - T1, A2 + T1));
  }
  Integer Align(Integer A1, Integer A2, Integer B1, Integer B2) const {
    if (std::abs(B1 - A1) < T7) return B1 - A1;
    if (std::abs(B2 - A2) < T7) return B2 - A2;
    return 0;
  }
  // The move along the ranges and across them, when the side test holds.
  bool Side(Integer A1, Integer A2, Integer B1, Integer B2, Integer Gap, Integer& Along) const {
    if (!Overlap(A1, A2, B1, B2) || std::abs(Gap) >= T7) return false;
    Along = Align(A1, A2, B1, B2);
    return true;
  }
  Integer SnapEdge(Integer P, Integer Start, Integer Size, Integer End) const {
    Integer result = P;
    if (std::abs(P - Start) < T7) result = Start;
    if (std::abs(P + Size - End) < T7) result = End - Size;
    return result;
  }
};

TMonitor* MonitorOf(const TZSEScreenEdgePlacement& Placement) {
  if (Screen && Placement.MonitorIndex >= 0 && Placement.MonitorIndex < Screen->GetMonitorCount())
    return Screen->GetMonitors(Placement.MonitorIndex);
  return GetPrimaryMonitor();
}
}  // namespace

Byte TZSEMagnet::Check(TRect& M, const TRect& F, Integer DPI) {
  const TTolerance t(DPI);
  Integer along = 0;
  if (t.Side(M.Left, M.Right, F.Left, F.Right, F.Bottom - M.Top, along)) {
    M.Offset(along, F.Bottom - M.Top);
    return 4;
  }
  if (t.Side(M.Left, M.Right, F.Left, F.Right, F.Top - M.Bottom, along)) {
    M.Offset(along, F.Top - M.Bottom);
    return 2;
  }
  if (t.Side(M.Top, M.Bottom, F.Top, F.Bottom, F.Right - M.Left, along)) {
    M.Offset(F.Right - M.Left, along);
    return 3;
  }
  if (t.Side(M.Top, M.Bottom, F.Top, F.Bottom, F.Left - M.Right, along)) {
    M.Offset(F.Left - M.Right, along);
    return 1;
  }
  return 0;
}

Byte TZSEMagnet::SnapPoint(TPoint& TopLeft, const TRect& SizeRect, const TRect& FixedRect, Integer DPI) {
  TRect r(TopLeft.X, TopLeft.Y, TopLeft.X + SizeRect.Width(), TopLeft.Y + SizeRect.Height());
  const Byte side = Check(r, FixedRect, DPI);
  TopLeft = TPoint(r.Left, r.Top);
  return side;
}

void TZSEMagnet::SnapToScreen(TPoint& TopLeft, const TRect& SizeRect, Integer DPI) {
  if (!Screen) return;
  const TTolerance t(DPI);
  const Integer w = SizeRect.Width(), h = SizeRect.Height();
  for (Integer i = 0; i < Screen->GetMonitorCount(); ++i) {
    TMonitor* monitor = Screen->GetMonitors(i);
    for (const TRect& e : {monitor->GetBoundsRect(), monitor->GetWorkareaRect()}) {
      if (t.Within(TopLeft.Y, e.Top, e.Bottom)) TopLeft.X = t.SnapEdge(TopLeft.X, e.Left, w, e.Right);
      if (t.Within(TopLeft.X, e.Left, e.Right)) TopLeft.Y = t.SnapEdge(TopLeft.Y, e.Top, h, e.Bottom);
    }
  }
}

TRect TZSEToolbarHelper::GetEdgeRect(const TZSEScreenEdgePlacement& Placement, const TRect& Offsets, Byte Mode,
                                     TSize Size) {
  TMonitor* monitor = MonitorOf(Placement);
  TRect e;
  if (Mode == 1) {
    e = monitor ? monitor->GetBoundsRect() : TRect();
  } else {
    e = monitor ? monitor->GetWorkareaRect() : TRect();
    e = TRect(e.Left - Offsets.Left, e.Top - Offsets.Top, e.Right + Offsets.Right, e.Bottom + Offsets.Bottom);
  }
  switch (Placement.Edge) {
    case 1:
      e.Left = e.Right - Size.cx;
      break;
    case 2:
      e.Bottom = e.Top + Size.cy;
      break;
    case 3:
      e.Top = e.Bottom - Size.cy;
      break;
    default:
      e.Right = e.Left + Size.cx;
      break;
  }
  return e;
}

TRect TZSEToolbarHelper::GetFloatArrowRect(TPoint Point, const TZSEScreenEdgePlacement& Placement, TSize Size) {
  TRect e = GetEdgeRect(Placement, TRect(), 2, Size);
  if (Placement.Edge <= 1) {
    e.Top = Point.Y + Size.cy;
    if (e.Top >= e.Bottom - Size.cy) e.Top = Point.Y - 2 * Size.cy;
    e.Bottom = e.Top + Size.cy;
  } else {
    e.Left = Point.X + Size.cx;
    if (e.Left >= e.Right - Size.cx) e.Left = Point.X - 2 * Size.cx;
    e.Right = e.Left + Size.cx;
  }
  return e;
}

bool TZSEToolbarHelper::GetEdgeAtPoint(TPoint Point, Integer Distance, TZSEScreenEdgePlacement& Placement) {
  TMonitor* monitor = MonitorFromPointSafe(Point);
  TRect w = monitor ? monitor->GetWorkareaRect() : TRect();
  w = TRect(w.Left + Distance, w.Top + Distance, w.Right - Distance, w.Bottom - Distance);
  if (w.Contains(Point)) return false;
  Byte edge;
  if (Point.X <= w.Left)
    edge = 0;
  else if (Point.X >= w.Right)
    edge = 1;
  else if (Point.Y > w.Top)
    edge = 3;
  else
    edge = 2;
  Placement = TZSEScreenEdgePlacement{-1, monitor ? monitor->GetMonitorNum() : 0, edge};
  return true;
}

// ---- glued forms -------------------------------------------------------------------------------

namespace {
IPtr<IZSEMagnetForm> MagnetOf(TCustomForm* Form) {
  IPtr<IZSEMagnetForm> magnet;
  if (Form) Supports(static_cast<TObject*>(Form), magnet);
  return magnet;
}

TRect MagnetOffsets(TCustomForm* Form) {
  IPtr<IZSEMagnetForm> magnet = MagnetOf(Form);
  return magnet ? magnet->GetMagnetRectOffsets() : TRect();
}

bool TakesPart(TCustomForm* Form) {
  IPtr<IZSEMagnetForm> magnet = MagnetOf(Form);
  return magnet ? magnet->TakesPartInMagnets() : Form->GetVisible();
}

Integer FormDPI(TCustomForm* Form) {
  const Integer dpi = GetComponentDPI(Form);
  return dpi > 0 ? dpi : GetSystemDPI();
}

TSize SizeOf(TCustomForm* Form) { return TSize(Form->GetWidth(), Form->GetHeight()); }

std::vector<TCustomForm*> SkinForms() {
  if (TZSEGluedForms::FormList) return TZSEGluedForms::FormList();
  std::vector<TCustomForm*> forms;
  if (Screen)
    for (Integer i = 0; i < Screen->GetFormCount(); ++i) forms.push_back(Screen->GetForms(i));
  return forms;
}

void BeginPlacement(TCustomForm* Form) {
  if (IPtr<IZSEMagnetForm> magnet = MagnetOf(Form)) magnet->BeginPlacementUpdate();
}

void EndPlacement(TCustomForm* Form) {
  if (IPtr<IZSEMagnetForm> magnet = MagnetOf(Form)) magnet->EndPlacementUpdate();
}
}  // namespace

std::function<std::vector<TCustomForm*>()> TZSEGluedForms::FormList = [] {
  std::vector<TCustomForm*> forms;
  if (TZSEManager* manager = TZSEManager::Instance())
    for (Integer i = 0; i < manager->GetFormCount(); ++i) forms.push_back(manager->GetForm(i));
  return forms;
};

TRect GetMagnetRect(TCustomForm* Form) {
  const TRect o = MagnetOffsets(Form);
  const TRect b = Form->GetBoundsRect();
  return TRect(b.Left + o.Left, b.Top + o.Top, b.Right - o.Right, b.Bottom - o.Bottom);
}

TZSEGluedForm::TZSEGluedForm(Byte ASide, TCustomForm* AForm, TCustomForm* ATarget)
    : FForm(AForm),
      FTarget(ATarget),
      FTargetName(ATarget->GetName()),
      FTargetSize(SizeOf(ATarget)),
      FFormName(AForm->GetName()),
      FFormSize(SizeOf(AForm)),
      FSide(ASide) {
  if (FSide == 1 || FSide == 3) {
    if (ATarget->GetHeight() > 0) FRatio = float(AForm->GetTop() - ATarget->GetTop()) / float(ATarget->GetHeight());
  } else if (ATarget->GetWidth() > 0) {
    FRatio = float(AForm->GetLeft() - ATarget->GetLeft()) / float(ATarget->GetWidth());
  }
}

void TZSEGluedForm::RestorePosition() {
  if (!FForm || !FTarget) return;
  if (IPtr<IZSEMagnetForm> magnet = MagnetOf(FForm))
    if (magnet->IsDocked()) return;
  TRect r = GetMagnetRect(FForm);
  const TRect t = GetMagnetRect(FTarget);
  switch (FSide) {
    case 1:
      r.Left = t.Left - r.Width();
      r.Right = t.Left;
      break;
    case 2:
      r.Top = t.Top - r.Height();
      r.Bottom = t.Top;
      break;
    case 3:
      r.Offset(t.Right - r.Left, 0);
      break;
    case 4:
      r.Offset(0, t.Bottom - r.Top);
      break;
  }
  const TRect o = MagnetOffsets(FForm);
  if (FSide == 1 || FSide == 3)
    r.Offset(0, Integer(std::lround(FTarget->GetHeight() * FRatio + FTarget->GetTop())) + o.Top - r.Top);
  else
    r.Offset(Integer(std::lround(FTarget->GetWidth() * FRatio + FTarget->GetLeft())) + o.Left - r.Left, 0);
  BeginPlacement(FForm);
  FForm->SetBoundsRect(TRect(r.Left - o.Left, r.Top - o.Top, r.Right + o.Right, r.Bottom + o.Bottom));
  EndPlacement(FForm);
}

bool TZSEGluedForm::UpdateSizes() {
  if (!FForm || !FTarget) return false;
  const TSize form = SizeOf(FForm), target = SizeOf(FTarget);
  if (form == FFormSize && target == FTargetSize) return false;
  FFormSize = form;
  FTargetSize = target;
  return true;
}

bool TZSEGluedForm::Resolve(const std::function<TComponent*(const String& Name)>& Resolver) {
  FForm = dynamic_cast<TCustomForm*>(Resolver(FFormName));
  FTarget = dynamic_cast<TCustomForm*>(Resolver(FTargetName));
  return FForm && FTarget;
}

void TZSEGluedForms::Clear() {
  for (TZSEGluedForm* item : FItems) delete item;
  FItems.clear();
}

void TZSEGluedForms::Rebuild(TCustomForm* Form) {
  Clear();
  Collect(Form);
}

void TZSEGluedForms::Collect(TCustomForm* Form) {
  const TRect r = GetMagnetRect(Form);
  std::vector<TCustomForm*> found;
  for (TCustomForm* f : SkinForms()) {
    if (f == Form || Contains(f) || !TakesPart(f)) continue;
    TRect m = GetMagnetRect(f);
    if (const Byte side = TZSEMagnet::Check(m, r, FormDPI(Form))) {
      FItems.push_back(new TZSEGluedForm(side, f, Form));
      found.push_back(f);
    }
  }
  for (TCustomForm* f : found) Collect(f);
}

bool TZSEGluedForms::Contains(TCustomForm* Form) const {
  for (const TZSEGluedForm* item : FItems)
    if (item->GetForm() == Form || item->GetTarget() == Form) return true;
  return false;
}

void TZSEGluedForms::RestorePositions() {
  for (TZSEGluedForm* item : FItems) item->RestorePosition();
}

bool TZSEGluedForms::UpdateSizes() {
  bool changed = false;
  for (TZSEGluedForm* item : FItems) changed = item->UpdateSizes() || changed;
  return changed;
}

void TZSEGluedForms::Validate(const std::function<TComponent*(const String& Name)>& Resolver) {
  for (Integer i = GetCount() - 1; i >= 0; --i)
    if (!FItems[size_t(i)]->Resolve(Resolver)) {
      delete FItems[size_t(i)];
      FItems.erase(FItems.begin() + i);
    }
}

void TZSEGluedForms::SnapDelta(TCustomForm* Form, TPoint& Delta) {
  const TRect r = GetMagnetRect(Form);
  TPoint p(r.Left + Delta.X, r.Top + Delta.Y);
  const Integer dpi = FormDPI(Form);
  for (TCustomForm* f : SkinForms())
    if (f != Form && TakesPart(f) && !Contains(f)) TZSEMagnet::SnapPoint(p, r, GetMagnetRect(f), dpi);
  TZSEMagnet::SnapToScreen(p, r, dpi);
  Delta = TPoint(p.X - r.Left, p.Y - r.Top);
}

void TZSEGluedForms::SnapGroup(TCustomForm* Form, TPoint& Delta) {
  SnapDelta(Form, Delta);
  for (TZSEGluedForm* item : FItems)
    if (item->GetForm()) SnapDelta(item->GetForm(), Delta);
}

void TZSEGluedForms::MoveGroup(TCustomForm* Form, TPoint Delta) {
  BeginPlacement(Form);
  for (TZSEGluedForm* item : FItems) BeginPlacement(item->GetForm());
  {
    TZCLDeferPlacementUpdate batch;
    TRect b = Form->GetBoundsRect();
    b.Offset(Delta.X, Delta.Y);
    batch.Add(Form, b);
    for (TZSEGluedForm* item : FItems)
      if (TCustomForm* f = item->GetForm()) {
        TRect fb = f->GetBoundsRect();
        fb.Offset(Delta.X, Delta.Y);
        batch.Add(f, fb);
      }
    batch.Apply();
  }
  for (TZSEGluedForm* item : FItems) EndPlacement(item->GetForm());
  EndPlacement(Form);
  if (UpdateSizes()) RestorePositions();
}

// ---- toolbar popup ---------------------------------------------------------------------------------

namespace {
// Shared by every skin form; made on first use, freed when the program ends.
class TZSEToolbarPopup : public TZSEPopupMenu {
  ZCL_CLASS(TZSEToolbarPopup, TZSEPopupMenu)
 public:
  using TZSEPopupMenu::TZSEPopupMenu;
  TCustomForm* Form = nullptr;

  void Rebuild(TCustomForm* AForm);
  void ItemClick(TObject* Sender);

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == Form) Form = nullptr;
  }
};

TZSEToolbarPopup* GToolbarPopup = nullptr;

String FormText(const String& Name) { return GetActionText(u"Form." + Name); }

void TZSEToolbarPopup::Rebuild(TCustomForm* AForm) {
  if (Form) Form->RemoveFreeNotification(this);
  Form = AForm;
  if (Form) Form->FreeNotification(this);
  TMenuItem* root = GetItems();
  root->Clear();
  if (!Form) return;
  const TNotifyEvent click(this, &TZSEToolbarPopup::ItemClick);
  IPtr<IZSEToolbarForm> toolbar;
  Supports(Form, toolbar);
  Byte dockedEdge = 0;
  const bool docked = toolbar && toolbar->IsDockedAsToolbar(dockedEdge);
  const Byte edges = toolbar ? Byte(toolbar->GetToolbarEdges() & 0x0F) : 0;
  if (edges != 0) {
    TMenuItem* dockTo = MenuItemAddEx(root, FormText(u"DockTo"), -1, TNotifyEvent());
    const String edgeNames = FormText(u"DockToEdges");
    for (Integer i = 0; i < 4; ++i)
      if (edges & (1 << i))
        MenuItemAddRadio(dockTo, LangExtractPart(edgeNames, i), String(), i, click, 1)->SetChecked(docked && dockedEdge == i);
    MenuItemAddSeparator(dockTo);
    const Byte modes = toolbar->GetToolbarPinModes();
    const std::pair<Byte, const Char*> pins[] = {{2, u"Float"}, {0, u"AutoHide"}, {1, u"Fixed"}};
    for (auto [mode, name] : pins) {
      if (!(modes & (1 << mode))) continue;
      TMenuItem* item = MenuItemAddRadio(dockTo, FormText(name), String(), 10 + mode, click, 2);
      item->SetEnabled(docked);
      item->SetChecked(toolbar->GetToolbarPinMode() == mode);
    }
  }
  if (toolbar && toolbar->CanMaximize()) {
    TMenuItem* item = MenuItemAddRadio(root, FormText(u"DoMaximize"), String(), 6, click, 0);
    item->SetChecked(toolbar->IsMaximized());
  }
  if (root->GetCount() > 0) {
    TMenuItem* item = MenuItemAddRadio(root, FormText(u"Undock"), String(), 13, click, 0);
    item->SetChecked(toolbar && toolbar->IsNormalPlacement());
  }
  if (!toolbar || toolbar->AllowsExtraMenuItems()) {
    MenuItemAddSeparator(root);
    TMenuItem* onTop = MenuItemAddEx(root, FormText(u"StayOnTop"), 7, click);
    onTop->SetAutoCheck(true);
    onTop->SetChecked(toolbar ? toolbar->GetStayOnTop() : Form->GetFormStyle() == fsStayOnTop);
    TMenuItem* lock = MenuItemAddEx(root, FormText(u"LockPlacement"), 5, click);
    lock->SetAutoCheck(true);
    lock->SetChecked(toolbar && toolbar->GetPlacementLocked());
  }
}

void TZSEToolbarPopup::ItemClick(TObject* Sender) {
  auto* item = dynamic_cast<TMenuItem*>(Sender);
  if (!item || !Form) return;
  IPtr<IZSEToolbarForm> toolbar;
  Supports(Form, toolbar);
  const NativeInt tag = item->GetTag();
  if (tag == 7 && !toolbar) {
    Form->SetFormStyle(Form->GetFormStyle() == fsStayOnTop ? fsNormal : fsStayOnTop);
    return;
  }
  if (!toolbar) return;
  switch (tag) {
    case 0:
    case 1:
    case 2:
    case 3: {
      TZSEScreenEdgePlacement placement;
      placement.Value = -1;
      placement.MonitorIndex = 0;
      const TPoint centre = Form->GetBoundsRect().CenterPoint();
      const std::vector<TMonitorDesc> monitors = GetMonitors();
      for (size_t i = 0; i < monitors.size(); ++i)
        if (monitors[i].Bounds.Contains(centre)) placement.MonitorIndex = Integer(i);
      placement.Edge = Byte(tag);
      toolbar->DockAsToolbar(placement);
      break;
    }
    case 5:
      toolbar->SetPlacementLocked(!toolbar->GetPlacementLocked());
      break;
    case 6:
      toolbar->SetMaximized(!toolbar->IsMaximized());
      break;
    case 7:
      toolbar->SetStayOnTop(!toolbar->GetStayOnTop());
      break;
    case 10:
    case 11:
    case 12:
      toolbar->SetToolbarPinMode(Byte(tag - 10));
      break;
    case 13:
      toolbar->Undock();
      break;
  }
}
}  // namespace

TZSEPopupMenu* ToolbarPopup(TCustomForm* Form) {
  if (!GToolbarPopup) GToolbarPopup = Create<TZSEToolbarPopup>(static_cast<TComponent*>(nullptr));
  GToolbarPopup->Rebuild(Form);
  return GToolbarPopup;
}

TCustomForm* ToolbarPopupForm() { return GToolbarPopup ? GToolbarPopup->Form : nullptr; }

// ---- drag image ------------------------------------------------------------------------------------

TZSEDragImage::TZSEDragImage(TComponent* AOwner) : TForm(AOwner) {
  SetBorderStyle(bsNone);
  SetVisible(false);
  SetPosition(poDesigned);
  SetAlphaBlendValue(150);
}

TZSEDragImage* TZSEDragImage::CreateImage(bool Translucent, TCustomForm* OwnerForm) {
  auto* image = TCustomForm::CreateNew<TZSEDragImage>(OwnerForm);
  image->FTranslucent = Translucent;
  image->FOwnerForm = OwnerForm;
  image->SetAlphaBlend(Translucent);
  const Integer dpi = OwnerForm ? OwnerForm->GetCurrentPPI() : 96;
  if (dpi != image->GetCurrentPPI()) image->ScaleForPPI(dpi);
  return image;
}

const TMessageTable& TZSEDragImage::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(WM_PAINT, &TZSEDragImage::WMPaint),
                                    VCL_MESSAGE(WM_ERASEBKGND, &TZSEDragImage::WMEraseBkgnd),
                                    VCL_MESSAGE(WM_NCHITTEST, &TZSEDragImage::WMNCHitTest),
                                    VCL_MESSAGE(WM_MOUSEACTIVATE, &TZSEDragImage::WMMouseActivate)});
  return table;
}

void TZSEDragImage::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  Params.Style = WS_POPUP;
  Params.ExStyle |= WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
  if (FOwnerForm && FOwnerForm->HandleAllocated()) Params.WndParent = FOwnerForm->GetHandle();
}

void TZSEDragImage::CreateWnd() {
  inherited::CreateWnd();
  FNeedRegion = true;
  UpdateRegion();
}

Integer TZSEDragImage::GetScaledFrameWidth() const { return ScaleByDPI(FFrameWidth, GetCurrentPPI()); }

void TZSEDragImage::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  const bool resized = AWidth != GetWidth() || AHeight != GetHeight();
  inherited::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (resized || FNeedRegion) UpdateRegion();
}

void TZSEDragImage::UpdateRegion() {
  if (!HandleAllocated()) return;
  FNeedRegion = false;
  if (FTranslucent) return;
  const TRect client(0, 0, GetClientWidth(), GetClientHeight());
  TRect inner = client;
  inner.Inflate(-GetScaledFrameWidth(), -GetScaledFrameWidth());
  HRGN region = CreateRectRgnIndirect(client);
  if (inner.Width() > 0 && inner.Height() > 0) {
    HRGN hole = CreateRectRgnIndirect(inner);
    CombineRgn(region, region, hole, RGN_DIFF);
    DeleteObject(hole);
  }
  SetWindowRgn(GetHandle(), region, 1);
  RedrawWindow(GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void TZSEDragImage::ShowImage() {
  HandleNeeded();
  SetWindowPos(GetHandle(), nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void TZSEDragImage::HideImage() {
  if (!HandleAllocated()) return;
  SetWindowPos(GetHandle(), nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
}

void TZSEDragImage::WMPaint(TMessage&) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(GetHandle(), ps);
  const TRect client(0, 0, GetClientWidth(), GetClientHeight());
  HBRUSH brush = CreateSolidBrush(COLORREF(Color));
  FillRect(dc, &client, brush);
  DeleteObject(brush);
  EndPaint(GetHandle(), ps);
}

void TZSEDragImage::WMEraseBkgnd(TMessage& Message) { Message.Result = 1; }

void TZSEDragImage::WMNCHitTest(TMessage& Message) { Message.Result = HTTRANSPARENT; }

void TZSEDragImage::WMMouseActivate(TMessage& Message) { Message.Result = MA_NOACTIVATE; }

// ---- float arrow -----------------------------------------------------------------------------------

namespace {
IPtr<IZSEFloatArrowForm> ArrowFormOf(TCustomForm* Form) {
  IPtr<IZSEFloatArrowForm> arrowForm;
  if (Form) Supports(static_cast<TObject*>(Form), arrowForm);
  return arrowForm;
}
}  // namespace

bool TZSECustomFloatArrow::ShowOverFullScreen = false;
bool TZSECustomFloatArrow::ShowAtOnce = true;

TZSECustomFloatArrow::TZSECustomFloatArrow(TComponent* AOwner) : TZCLBasicForm(AOwner) {
  SetBorderStyle(bsNone);
  SetFormStyle(fsStayOnTop);
  SetPosition(poDesigned);
  SetCursor(crHandPoint);
  FImage = Create<TZCLSkinImageSetItem>(96);
  FDropTarget = Create<TZCLDropTarget>(static_cast<TComponent*>(this));
  FDropTarget->OnEnter = TNotifyEvent(this, &TZSECustomFloatArrow::DropEnter);
  FDropTarget->SetTarget(this);
  FTimer = Create<TZCLTimer>(static_cast<TComponent*>(this));
  FTimer->SetEnabled(false);
  FTimer->SetInterval(100);
  FTimer->SetOnTimer(TNotifyEvent(this, &TZSECustomFloatArrow::TimerTick));
}

void TZSECustomFloatArrow::BeforeDestruction() {
  FTimer->SetEnabled(false);
  SetTarget(nullptr);
  Free(FImage);
  FImage = nullptr;
  inherited::BeforeDestruction();
}

const TMessageTable& TZSECustomFloatArrow::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(WM_MBUTTONDOWN, &TZSECustomFloatArrow::WMMButtonDown)});
  return table;
}

void TZSECustomFloatArrow::SetTarget(TCustomForm* Value) {
  if (FTarget == Value) return;
  if (FTarget) FTarget->RemoveFreeNotification(this);
  FTarget = Value;
  if (FTarget) FTarget->FreeNotification(this);
}

void TZSECustomFloatArrow::Show(TCustomForm* AForm) {
  Release();
  FTimer->SetEnabled(false);
  if (!AForm) return;
  TZSEScreenEdgePlacement placement;
  if (IPtr<IZSEFloatArrowForm> arrowForm = ArrowFormOf(AForm)) {
    placement = arrowForm->GetScreenEdgePlacement();
  } else if (TMonitor* monitor = Screen ? Screen->MonitorFromRect(AForm->GetBoundsRect()) : nullptr) {
    placement.MonitorIndex = monitor->GetMonitorNum();
  }
  if (!ShowOverFullScreen && IsFullScreenAppActive(MonitorOf(placement))) return;
  const Integer dpi = FormDPI(AForm);
  const Integer imageDpi = FImage->GetDPI() > 0 ? FImage->GetDPI() : 96;
  const TSize size(MulDiv(FImage->FrameWidth(), dpi, imageDpi), MulDiv(FImage->FrameHeight(), dpi, imageDpi));
  const TRect r = TZSEToolbarHelper::GetFloatArrowRect(GetMouseCursorPos(), placement, size);
  SetTarget(AForm);
  if (ShowAtOnce) {
    SetBoundsRect(r);
    ShowArrow();
    Repaint();
  } else {
    FStartTick = GetTickCount();
    FTimer->SetEnabled(true);
  }
}

void TZSECustomFloatArrow::Release() {
  SetTarget(nullptr);
  HideArrow();
}

Integer TZSECustomFloatArrow::GetArrowFrameIndex() {
  if (!FTarget) return 0;
  if (IPtr<IZSEFloatArrowForm> arrowForm = ArrowFormOf(FTarget))
    return arrowForm->GetScreenEdgePlacement().Edge & 1;
  return 0;
}

void TZSECustomFloatArrow::Click() {
  inherited::Click();
  if (!FTarget) return;
  if (IPtr<IZSEFloatArrowForm> arrowForm = ArrowFormOf(FTarget)) {
    arrowForm->BringBack();
    return;
  }
  if (FTarget->GetWindowState() == wsMinimized) FTarget->SetWindowState(wsNormal);
  FTarget->Show();
  FTarget->BringToFront();
}

void TZSECustomFloatArrow::DropEnter(TObject*) { Click(); }

void TZSECustomFloatArrow::TimerTick(TObject*) {
  if (!FTarget || FTarget->GetVisible()) return;
  if (GetTickCount() - FStartTick < BringBackDelay) return;
  // Once back, the form needs no more ticks until the arrow is shown again.
  FTimer->SetEnabled(false);
  Click();
}

void TZSECustomFloatArrow::WMMButtonDown(TMessage& Message) {
  if (FTarget)
    if (IPtr<IZSEFloatArrowForm> arrowForm = ArrowFormOf(FTarget))
      arrowForm->MiddleClick();
  InheritedMessage(inherited::MessageTable(), Message);
}

void TZSECustomFloatArrow::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FTarget) {
    FTarget = nullptr;
    Release();
  }
}

const TMessageTable& TZSEFloatArrowImpl::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(WM_PAINT, &TZSEFloatArrowImpl::WMPaint),
                                    VCL_MESSAGE(WM_ERASEBKGND, &TZSEFloatArrowImpl::WMEraseBkgnd),
                                    VCL_MESSAGE(WM_MOUSEACTIVATE, &TZSEFloatArrowImpl::WMMouseActivate)});
  return table;
}

void TZSEFloatArrowImpl::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  Params.Style = WS_POPUP;
  Params.ExStyle |= WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
}

void TZSEFloatArrowImpl::HideArrow() {
  if (HandleAllocated()) ShowWindow(GetHandle(), SW_HIDE);
}

void TZSEFloatArrowImpl::ShowArrow() {
  HandleNeeded();
  SetWindowPos(GetHandle(), HWND_TOPMOST, GetLeft(), GetTop(), GetWidth(), GetHeight(),
               SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void TZSEFloatArrowImpl::WMPaint(TMessage&) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(GetHandle(), ps);
  TZCLSkinImageSetItem* image = GetImage();
  if (image && !image->Empty()) {
    TCanvas* canvas = Create<TCanvas>();
    canvas->SetHandle(dc);
    image->Draw(canvas, TRect(0, 0, GetClientWidth(), GetClientHeight()), GetArrowFrameIndex());
    canvas->SetHandle(nullptr);
    Free(canvas);
  }
  EndPaint(GetHandle(), ps);
}

void TZSEFloatArrowImpl::WMEraseBkgnd(TMessage& Message) { Message.Result = 1; }

void TZSEFloatArrowImpl::WMMouseActivate(TMessage& Message) { Message.Result = MA_NOACTIVATE; }

void FinalizeFormUtils() {
  Free(GToolbarPopup);
  GToolbarPopup = nullptr;
}
