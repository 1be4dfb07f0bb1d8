#include "zcl/ui/docking/ZCL.UI.Controls.Docking.Engine.h"

#include <algorithm>

#include "os/OS.Gdi.h"
#include "os/OS.Input.h"
#include "os/OS.Windows.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/base/ZCL.Utils.Messaging.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/graphics/ZCL.Graphics.Geometry.h"
#include "zcl/graphics/ZCL.Graphics.SkinImage.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"
#include "zcl/ui/ZCL.Utils.Desktop.h"

namespace {

TRect Grow(const TRect& R, const TRect& M) {
  return TRect(R.Left - M.Left, R.Top - M.Top, R.Right + M.Right, R.Bottom + M.Bottom);
}

// The client rectangle of a control in screen coordinates.
TRect ScreenClientRect(TControl* Control) { return Control->ClientToScreen(Control->GetClientRect()); }

// The owner's content rectangle in screen coordinates: a group's leftover area, else the client.
TRect ScreenContentRect(TZCLDockControl* Owner) {
  if (auto* group = dynamic_cast<TZCLDockGroup*>(Owner)) {
    const TRect r = group->GetContentRect();
    if (!r.IsEmpty()) return Owner->ClientToScreen(r);
  }
  return ScreenClientRect(Owner);
}

bool IsInside(TControl* Control, TControl* Container) {
  for (TControl* c = Control; c; c = c->GetParent())
    if (c == Container) return true;
  return false;
}

Integer ChildPos(TControl* Control) {
  TWinControl* parent = Control->GetParent();
  if (!parent) return -1;
  const auto& list = parent->GetControls();
  return Integer(std::find(list.begin(), list.end(), Control) - list.begin());
}

void SendPack(TWinControl* Control) {
  if (Control) Control->Perform(CM_DOCKING_PACK, 0, 0);
}

// Moves Control into Group at Index (-1: last) with Align.
void MoveInto(TZCLDockGroup* Group, TZCLDockControl* Control, Integer Index, TAlign Align) {
  Group->InsertDockControl(Control, Index, Align);
  Control->SetVisible(true);
}

// A new group takes Target's place, alignment, custom size and the site's style.
TZCLDockGroup* ReplaceByGroup(TZCLDockControl* Target, TZCLDockGroupLayout Layout) {
  TZCLDockGroup* parent = Target->GetParentGroup();
  auto* group = Create<TZCLDockGroup>(Target->GetOwner());
  try {
    group->SetCustomWidthValue(Target->GetCustomWidth());
    group->SetCustomHeightValue(Target->GetCustomHeight());
    if (TZCLDockSite* site = Target->GetDockSite()) group->GetDockStyle()->Assign(site->GetDockStyle());
    group->SetLayout(Layout);
    parent->InsertDockControl(group, ChildPos(Target), Target->GetAlign());
  } catch (...) {
    Free(group);
    throw;
  }
  return group;
}

}  // namespace

TRect DockFrameMargins(TControl* Control) {
  auto* form = dynamic_cast<TZCLFloatDockForm*>(Control ? Control->GetParent() : nullptr);
  return form ? form->GetFrameMargins() : TRect();
}

// ---- zones ------------------------------------------------------------------------------------

TZCLDockZone::TZCLDockZone(TZCLDockControl* AOwner, Integer ASide)
    : TCustomForm((BeginCreateNew(), nullptr)), FDockOwner(AOwner), FSide(ASide) {
  SetBorderStyle(bsNone);
  SetDoubleBuffered(true);
  SetPosition(poDesigned);
  SetShowWithoutActivation(true);
  FImage = new TZCLSkinImage();
  try {
    TResourceStream stream(ImageName(ASide), u"BITMAP");
    TBitmap bitmap;
    bitmap.LoadFromStream(stream);
    FImage->LoadFromBitmap(&bitmap);
    FImage->SetFrameCount(2);
  } catch (const Exception&) {
    // Without its picture the zone still docks; it draws its frame only.
  }
  const TSize size = GetZoneSize();
  SetBounds(0, 0, size.cx, size.cy);
}

TZCLDockZone::~TZCLDockZone() { Free(FImage); }

const char16_t* TZCLDockZone::ImageName(Integer Side) {
  switch (Side) {
    case 0:
      return u"ZCLDOCKING_LEFT";
    case 1:
      return u"ZCLDOCKING_TOP";
    case 2:
      return u"ZCLDOCKING_RIGHT";
    case 3:
      return u"ZCLDOCKING_BOTTOM";
    default:
      return u"ZCLDOCKING_CLIENT";
  }
}

TSize TZCLDockZone::GetZoneSize() {
  const Integer dpi = FDockOwner->GetCurrentPPI();
  TSize frame(24, 24);
  if (FImage && !FImage->Empty()) frame = TSize(FImage->FrameWidth(), FImage->FrameHeight());
  const Integer pad = ScaleByDPI(5, dpi);
  return TSize(ScaleByDPI(frame.cx, dpi) + 2 * pad, ScaleByDPI(frame.cy, dpi) + 2 * pad);
}

void TZCLDockZone::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  Params.Style = WS_POPUP;
  Params.ExStyle |= WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
}

void TZCLDockZone::SetHighlighted(bool Value) {
  if (Value == FHighlighted) return;
  FHighlighted = Value;
  Repaint();
}

void TZCLDockZone::SetZoneEnabled(bool Value) {
  if (Value == GetEnabled()) return;
  SetEnabled(Value);
  Repaint();
}

void TZCLDockZone::PaintWindow(HDC DC) {
  TCanvas canvasOnDC;
  canvasOnDC.SetHandle(DC);
  TCanvas* canvas = &canvasOnDC;
  const TRect r = GetClientRect();
  FillRectAlpha(canvas, r, 0xFFFAFAFA);
  DrawFrameAlpha(canvas, r, 0xFFA5A5A5);
  if (FImage && !FImage->Empty()) {
    const Integer dpi = FDockOwner->GetCurrentPPI();
    const TSize f = TSize(FImage->FrameWidth(), FImage->FrameHeight());
    const TSize s(ScaleByDPI(f.cx, dpi), ScaleByDPI(f.cy, dpi));
    const TRect dest(r.Left + (r.Width() - s.cx) / 2, r.Top + (r.Height() - s.cy) / 2,
                     r.Left + (r.Width() - s.cx) / 2 + s.cx, r.Top + (r.Height() - s.cy) / 2 + s.cy);
    FImage->Draw(canvas, dest, FHighlighted && GetEnabled() ? 1 : 0, GetEnabled());
  }
  canvasOnDC.SetHandle(nullptr);
}

TRect TZCLDockZoneSide::CalculateBounds() {
  const TRect c = ScreenClientRect(FDockOwner);
  const TSize s = GetZoneSize();
  TPoint p;
  switch (FSide) {
    case 0:
      p = TPoint(c.Left, c.Top + (c.Height() - s.cy) / 2);
      break;
    case 1:
      p = TPoint(c.Left + (c.Width() - s.cx) / 2, c.Top);
      break;
    case 2:
      p = TPoint(c.Right - s.cx, c.Top + (c.Height() - s.cy) / 2);
      break;
    default:
      p = TPoint(c.Left + (c.Width() - s.cx) / 2, c.Bottom - s.cy);
      break;
  }
  return TRect(p.X, p.Y, p.X + s.cx, p.Y + s.cy);
}

void TZCLDockZoneSide::CalculateSelection(TZCLDockControl* Control, TRect& R) {
  R = ScreenClientRect(FDockOwner);
  // The 100 pixels are not scaled.
  const bool horz = FSide == 0 || FSide == 2;
  const Integer size = std::max(horz ? Control->GetCustomWidth() : Control->GetCustomHeight(), Integer(100));
  static const Integer splitSide[4] = {0, 2, 1, 3};
  R = RectSplit(R, splitSide[FSide], std::min(size, horz ? R.Width() : R.Height()));
}

void TZCLDockZoneSide::Dock(TZCLDockControl* Control) {
  auto* g = dynamic_cast<TZCLDockGroup*>(FDockOwner);
  if (!g) return;
  const TZCLDockGroupLayout sideLayout = FSide == 0 || FSide == 2 ? Horizontal : Vertical;
  TWinControl* oldParent = Control->GetParent();
  g->DisableAlign();
  try {
    if (g->GetLayout() != sideLayout) {
      // The old content goes into one group that keeps the old layout.
      auto* n = Create<TZCLDockGroup>(g->GetOwner());
      n->GetDockStyle()->Assign(g->GetDockStyle());
      n->SetLayout(g->GetLayout());
      const Integer active = g->GetActiveControlIndex();
      std::vector<TZCLDockControl*> children;
      for (TControl* c : g->GetControls())
        if (auto* d = dynamic_cast<TZCLDockControl*>(c); d && d != Control && d->GetAlign() != alCustom)
          children.push_back(d);
      for (TZCLDockControl* d : children) n->InsertDockControl(d, -1, d->GetAlign());
      n->SetActiveControlIndex(active);
      g->SetLayout(sideLayout);
      g->InsertDockControl(n, 0, alClient);
    }
    if (FSide >= 2)
      MoveInto(g, Control, -1, alRight);
    else
      MoveInto(g, Control, 0, alLeft);
    if (oldParent != g) SendPack(oldParent);
  } catch (...) {
    g->EnableAlign();
    throw;
  }
  g->EnableAlign();
  g->Realign();
}

TRect TZCLDockZoneClient::CalculateBounds() {
  const TRect c = ScreenContentRect(FDockOwner);
  const TSize s = GetZoneSize();
  const TPoint p(c.Left + (c.Width() - s.cx) / 2, c.Top + (c.Height() - s.cy) / 2);
  return TRect(p.X, p.Y, p.X + s.cx, p.Y + s.cy);
}

bool TZCLDockZoneClient::CanDock(TZCLDockControl* Control) { return dynamic_cast<TZCLDockPanel*>(Control) != nullptr; }

void TZCLDockZoneClient::CalculateSelection(TZCLDockControl*, TRect& R) {
  const Integer d = ScaleByDPI(16, FDockOwner->GetCurrentPPI());
  R = ScreenContentRect(FDockOwner);
  R = TRect(R.Left + d, R.Top + d, R.Right - d, R.Bottom - d);
}

void TZCLDockZoneClient::Dock(TZCLDockControl* Control) {
  TWinControl* oldParent = Control->GetParent();
  TZCLDockControl* t = FDockOwner;
  if (auto* target = dynamic_cast<TZCLDockGroup*>(t)) {
    MoveInto(target, Control, -1, alClient);
  } else if (TZCLDockGroup* g = t->GetParentGroup()) {
    if (g->GetLayout() == Tabbed) {
      MoveInto(g, Control, -1, alClient);
      g->SetActiveControlIndex(ChildPos(Control));
    } else {
      g->DisableAlign();
      try {
        TZCLDockGroup* n = ReplaceByGroup(t, Tabbed);
        n->InsertDockControl(t, -1, alClient);
        MoveInto(n, Control, -1, alClient);
        n->SetActiveControlIndex(1);
      } catch (...) {
        g->EnableAlign();
        throw;
      }
      g->EnableAlign();
    }
  }
  if (oldParent != Control->GetParent()) SendPack(oldParent);
}

TRect TZCLDockZoneClientSide::CalculateBounds() {
  const TRect c = FCentre->CalculateBounds();
  const TSize s = GetZoneSize();
  TPoint p;
  switch (FSide) {
    case 0:
      p = TPoint(c.Left - s.cx + 2, c.Top + (c.Height() - s.cy) / 2);
      break;
    case 1:
      p = TPoint(c.Left + (c.Width() - s.cx) / 2, c.Top - s.cy + 2);
      break;
    case 2:
      p = TPoint(c.Right - 2, c.Top + (c.Height() - s.cy) / 2);
      break;
    default:
      p = TPoint(c.Left + (c.Width() - s.cx) / 2, c.Bottom - 2);
      break;
  }
  return TRect(p.X, p.Y, p.X + s.cx, p.Y + s.cy);
}

bool TZCLDockZoneClientSide::CanDock(TZCLDockControl* Control) {
  if (!dynamic_cast<TZCLDockPanel*>(FDockOwner)) return false;
  TZCLDockGroup* g = FDockOwner->GetParentGroup();
  if (!g || g->GetLayout() == Tabbed) return false;
  const TZCLDockGroupLayout sideLayout = FSide == 0 || FSide == 2 ? Horizontal : Vertical;
  if (g->GetLayout() != sideLayout || Control->GetParent() != g || Control->GetAlign() != alClient) return true;
  const Integer t = ChildPos(FDockOwner);
  const Integer c = ChildPos(Control);
  return !(FSide < 2 ? c == t - 1 : c == t + 1);
}

void TZCLDockZoneClientSide::Dock(TZCLDockControl* Control) {
  if (dynamic_cast<TZCLDockGroup*>(FDockOwner)) {
    TZCLDockZoneSide::Dock(Control);
    return;
  }
  TZCLDockGroup* g = FDockOwner->GetParentGroup();
  if (!g) return;
  const TZCLDockGroupLayout sideLayout = FSide == 0 || FSide == 2 ? Horizontal : Vertical;
  TWinControl* oldParent = Control->GetParent();
  g->DisableAlign();
  try {
    if (Control->GetParent() == g && g->GetControlCount() == 2) g->SetLayout(sideLayout);
    if (g->GetLayout() == sideLayout) {
      Integer index = ChildPos(FDockOwner) + (FSide >= 2 ? 1 : 0);
      if (Control->GetParent() == g && ChildPos(Control) < index) --index;
      MoveInto(g, Control, index, FDockOwner->GetAlign());
    } else {
      TZCLDockControl* t = FDockOwner;
      TZCLDockGroup* n = ReplaceByGroup(t, sideLayout);
      if (FSide >= 2) {
        n->InsertDockControl(t, -1, alClient);
        MoveInto(n, Control, -1, alClient);
      } else {
        MoveInto(n, Control, -1, alClient);
        n->InsertDockControl(t, -1, alClient);
      }
    }
  } catch (...) {
    g->EnableAlign();
    throw;
  }
  g->EnableAlign();
  g->Realign();
  if (oldParent != g) SendPack(oldParent);
  SendPack(g);
}

// ---- selection --------------------------------------------------------------------------------

TZCLDragSelection::TZCLDragSelection(TComponent* AOwner) : TCustomForm((BeginCreateNew(), AOwner)) {
  SetBorderStyle(bsNone);
  SetPosition(poDesigned);
  SetShowWithoutActivation(true);
  SetAlphaBlend(true);
  SetAlphaBlendValue(150);
  SetColor(TColor(0x8F2929));
  SetCursor(crSizeAll);
}

void TZCLDragSelection::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  Params.Style = WS_POPUP;
  // Click-through: the windows below keep receiving the drag.
  Params.ExStyle |= WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TRANSPARENT;
}

void TZCLDragSelection::PaintWindow(HDC DC) {
  TCanvas canvas;
  canvas.SetHandle(DC);
  FillRectColor(&canvas, GetClientRect(), TColor(0x8F2929));
  canvas.SetHandle(nullptr);
}

// ---- engine -----------------------------------------------------------------------------------

TZCLDockEngine::TZCLDockEngine(TZCLDockControl* AControl) : FControl(AControl) {
  // A floating window's group with one child drags that child.
  if (auto* group = dynamic_cast<TZCLDockGroup*>(FControl);
      group && dynamic_cast<TZCLFloatDockForm*>(group->GetParent()) && group->GetControlCount() == 1)
    FControl = group->GetDockControl(0);
  FStartCursor = GetMouseCursorPos();
  FFrameMargins = DockFrameMargins(FControl);
  if (auto* group = dynamic_cast<TZCLDockGroup*>(AControl); group && group != FControl)
    FFrameMargins = DockFrameMargins(group);
  FSelection = new TZCLDragSelection(nullptr);
}

TZCLDockEngine::~TZCLDockEngine() {
  for (TZCLDockZone* z : FZones) Free(z);
  FZones.clear();
  Free(FSelection);
}

void TZCLDockEngine::FreeZonesOf(TZCLDockControl* Owner) {
  if (!Owner) return;
  for (auto it = FZones.begin(); it != FZones.end();) {
    if ((*it)->GetDockOwner() == Owner) {
      if (*it == FHotZone) FHotZone = nullptr;
      Free(*it);
      it = FZones.erase(it);
    } else {
      ++it;
    }
  }
}

bool TZCLDockEngine::SetTarget(TZCLDockControl*& Stored, TZCLDockControl* Target) {
  if (Target == Stored) return false;
  FreeZonesOf(Stored);
  Stored = Target;
  if (Target && !IsInside(Target, FControl)) Target->CreateDockZones(FControl, FZones);
  return true;
}

void TZCLDockEngine::DragMove(const TPoint& P) {
  TControl* target = FindDragTarget(P, true);
  TZCLDockZone* under = nullptr;
  for (TControl* c = target; c; c = c->GetParent())
    if ((under = dynamic_cast<TZCLDockZone*>(c))) break;
  if (under) target = under->GetDockOwner();
  TZCLDockSite* site = nullptr;
  TZCLDockControl* control = nullptr;
  for (TControl* c = target; c; c = c->GetParent()) {
    if (!site) site = dynamic_cast<TZCLDockSite*>(c);
    if (!control) control = dynamic_cast<TZCLDockControl*>(c);
  }
  if (control == site) control = nullptr;
  TZCLDockControl* siteTarget = FSiteTarget;
  bool changed = SetTarget(siteTarget, site);
  FSiteTarget = static_cast<TZCLDockSite*>(siteTarget);
  changed = SetTarget(FControlTarget, control) || changed;
  if (changed) {
    for (TZCLDockZone* z : FZones) {
      z->SetZoneEnabled(z->CanDock(FControl));
      z->SetBoundsRect(z->CalculateBounds());
      if (!z->GetVisible()) z->Show();
      SetWindowPos(z->GetHandle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      z->Repaint();
    }
  }
  if (std::find(FZones.begin(), FZones.end(), under) == FZones.end()) under = nullptr;
  if (under != FHotZone) {
    if (FHotZone) FHotZone->SetHighlighted(false);
    FHotZone = under;
    if (FHotZone) FHotZone->SetHighlighted(true);
  }
  // The preview follows the mouse from where the drag began.
  TRect r = Grow(ScreenClientRect(FControl), FFrameMargins);
  r.Offset(P.X - FStartCursor.X, P.Y - FStartCursor.Y);
  const Integer monitorDpi = GetMonitorDPIAtPoint(r.CenterPoint());
  const Integer dpi = FControl->GetCurrentPPI();
  if (monitorDpi > 0 && monitorDpi != dpi) {
    const Integer w = MulDiv(MulDiv(r.Width(), 96, dpi), monitorDpi, 96);
    const Integer h = MulDiv(MulDiv(r.Height(), 96, dpi), monitorDpi, 96);
    const Integer left = P.X - MulDiv(P.X - r.Left, w, std::max(r.Width(), Integer(1)));
    const Integer top = P.Y - MulDiv(P.Y - r.Top, h, std::max(r.Height(), Integer(1)));
    r = TRect(left, top, left + w, top + h);
  }
  if (FHotZone && FHotZone->GetEnabled()) FHotZone->CalculateSelection(FControl, r);
  FSelectionRect = r;
  FSelection->SetBoundsRect(r);
  if (!FSelection->GetVisible()) FSelection->Show();
}

void TZCLDockEngine::Drop() {
  TZCLDockControl* control = FControl;
  if (FHotZone) {
    if (FHotZone->GetEnabled() && FHotZone->CanDock(control)) FHotZone->Dock(control);
  } else if (!control->GetComponentState().Contains(csDesigning)) {
    Float();
  }
  if (control->HandleAllocated()) PostMessage(control->GetHandle(), CM_DOCKING_PACK, 0, 0);
}

void TZCLDockEngine::Float() {
  TZCLDockControl* c = FControl;
  if (auto* form = dynamic_cast<TZCLFloatDockForm*>(c->GetParent())) {
    form->SetBoundsRect(FSelectionRect);
    return;
  }
  TZCLDockGroup* oldParent = c->GetParentGroup();
  if (!oldParent) return;
  TZCLDockSite* site = c->GetDockSite();
  if (!site)
    for (TControl* p = c; p && !site; p = p->GetParent())
      if (auto* form = dynamic_cast<TZCLFloatDockForm*>(p)) site = form->GetSite();
  if (!site) return;
  auto* form = new TZCLFloatDockForm(site);
  form->SetBoundsRect(FSelectionRect);
  const Integer monitorDpi = GetMonitorDPIAtPoint(FSelectionRect.CenterPoint());
  if (monitorDpi > 0 && monitorDpi != form->GetCurrentPPI()) form->ScaleForPPI(monitorDpi);
  form->HandleNeeded();
  // The content lands where the preview showed it: the control's content offsets and the old
  // frame come off, the new window's frame goes around.
  TRect offsets(0, 0, 0, 0);
  c->AdjustClientRect(offsets);
  TRect content(offsets.Left, offsets.Top, -offsets.Right, -offsets.Bottom);
  TRect oldFrame = FFrameMargins;
  const Integer dpi = c->GetCurrentPPI();
  if (dpi != form->GetCurrentPPI()) {
    content = ScaleRectByDPI(UnscaleRectByDPI(content, dpi), form->GetCurrentPPI());
    oldFrame = ScaleRectByDPI(UnscaleRectByDPI(oldFrame, dpi), form->GetCurrentPPI());
  }
  TRect client = FSelectionRect;
  client = TRect(client.Left + oldFrame.Left + content.Left, client.Top + oldFrame.Top + content.Top,
                 client.Right - oldFrame.Right - content.Right, client.Bottom - oldFrame.Bottom - content.Bottom);
  form->SetBoundsRect(Grow(client, form->GetFrameMargins()));
  form->GetGroup()->InsertDockControl(c, -1, alClient);
  c->SetVisible(true);
  form->Show();
  SendPack(oldParent);
}

// ---- floating window --------------------------------------------------------------------------

const TMessageTable& TZCLFloatDockForm::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(CM_DOCKING_PACK, &TZCLFloatDockForm::CMDockingPack),
                                    VCL_MESSAGE(CM_DOCKING_TEXT_CHANGED, &TZCLFloatDockForm::CMDockingTextChanged),
                                    VCL_MESSAGE(CM_DOCKING_VISIBILITY, &TZCLFloatDockForm::CMDockingVisibility),
                                    VCL_MESSAGE(CM_CONTROLLISTCHANGE, &TZCLFloatDockForm::CMControlListChange),
                                    VCL_MESSAGE(WM_NCLBUTTONDOWN, &TZCLFloatDockForm::WMNCLButtonDown),
                                    VCL_MESSAGE(WM_ENTERSIZEMOVE, &TZCLFloatDockForm::WMEnterSizeMove),
                                    VCL_MESSAGE(WM_EXITSIZEMOVE, &TZCLFloatDockForm::WMExitSizeMove)});
  return table;
}

TZCLFloatDockForm::TZCLFloatDockForm(TZCLDockSite* ASite) : TCustomForm((BeginCreateNew(), nullptr)), FSite(ASite) {
  SetBorderStyle(bsSizeToolWin);
  SetDefaultMonitor(dmDesktop);
  SetPosition(poDesigned);
  if (TCustomForm* parentForm = GetParentForm(ASite, true)) SetPopupParent(parentForm);
  FSite->FFloatForms.push_back(this);
  FGroup = Create<TZCLDockGroup>(ASite->GetOwner());
  FGroup->GetDockStyle()->Assign(ASite->GetDockStyle());
  FGroup->FreeNotification(this);
  FGroup->SetParent(this);
  FGroup->SetAlign(alClient);
}

TZCLFloatDockForm::~TZCLFloatDockForm() { TZCLMainThread::RemoveQueuedFor(this); }

void TZCLFloatDockForm::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FGroup) FGroup = nullptr;
}

void TZCLFloatDockForm::BeforeDestruction() {
  if (FSite) {
    auto& list = FSite->FFloatForms;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
  // The group belongs to the site's owner; it goes with its window.
  if (FGroup && FGroup->GetParent() == this) {
    TZCLDockGroup* group = FGroup;
    FGroup = nullptr;
    for (Integer i = group->GetControlCount() - 1; i >= 0; --i)
      if (FSite) {
        TControl* c = group->GetControl(i);
        c->SetVisible(false);
        if (auto* d = dynamic_cast<TZCLDockControl*>(c)) FSite->InsertDockControl(d, -1, alClient);
      }
    Free(group);
  }
  inherited::BeforeDestruction();
}

TRect TZCLFloatDockForm::GetFrameMargins() {
  if (!HandleAllocated()) return TRect();
  TRect outer, client;
  GetWindowRect(GetHandle(), outer);
  ::GetClientRect(GetHandle(), client);
  const TPoint origin = ClientToScreen(TPoint(0, 0));
  return TRect(origin.X - outer.Left, origin.Y - outer.Top, outer.Right - (origin.X + client.Width()),
               outer.Bottom - (origin.Y + client.Height()));
}

void TZCLFloatDockForm::CreateWnd() {
  inherited::CreateWnd();
  if (FGroup) SetCaption(FGroup->ToString());
}

void TZCLFloatDockForm::DoClose(TCloseAction& Action) {
  Action = caNone;
  if (FGroup)
    for (TControl* c : FGroup->GetControls()) c->SetVisible(false);
  inherited::DoClose(Action);
  Action = caNone;
}

void TZCLFloatDockForm::CMDockingPack(TMessage&) {
  if (FReleasing) return;
  if (!FGroup || FGroup->GetParent() != this || FGroup->GetControlCount() == 0) {
    FReleasing = true;
    Hide();
    Release();
    return;
  }
  FGroup->Perform(CM_DOCKING_PACK, 0, 0);
}

void TZCLFloatDockForm::CMDockingTextChanged(TMessage&) {
  if (FGroup) SetCaption(FGroup->ToString());
}

void TZCLFloatDockForm::CMDockingVisibility(TMessage& Message) {
  if (FReleasing) return;
  SetVisible(Message.WParam != 0);
}

void TZCLFloatDockForm::CMControlListChange(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  if (HandleAllocated()) {
    PostMessage(GetHandle(), CM_DOCKING_TEXT_CHANGED, 0, 0);
    PostMessage(GetHandle(), CM_DOCKING_PACK, 0, 0);
  }
}

void TZCLFloatDockForm::WMNCLButtonDown(TMessage& Message) {
  if (Message.WParam != WPARAM(HTCAPTION) || GetWindowState() == wsMinimized || !FGroup) {
    InheritedMessage(inherited::MessageTable(), Message);
    return;
  }
  SetFocus();
  const TPoint screen(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
  FGroup->StartDockingDrag(FGroup->ScreenToClient(screen));
  Message.Result = 0;
}

void TZCLFloatDockForm::WMEnterSizeMove(TMessage& Message) {
  if (FGroup) FGroup->FFrameSizing = true;
  InheritedMessage(inherited::MessageTable(), Message);
}

void TZCLFloatDockForm::WMExitSizeMove(TMessage& Message) {
  if (FGroup) FGroup->FFrameSizing = false;
  InheritedMessage(inherited::MessageTable(), Message);
}

void TZCLFloatDockForm::LayoutSave(TZCLXMLNode* Node) {
  if (FGroup) FGroup->LayoutSave(Node);
  const TRect r = UnscaleRectByDPI(GetBoundsRect(), GetCurrentPPI());
  Node->GetAttributes()->AddString(u"pos", Format(u"%d,%d,%d,%d", {r.Left, r.Top, r.Right, r.Bottom}));
  Node->GetAttributes()->AddString(u"visible", GetVisible() ? u"1" : u"0");
}

void TZCLFloatDockForm::LayoutLoad(TZCLXMLNode* Node) {
  const TRect r96 = Node->GetAttributes()->GetValueAsRect(u"pos");
  const Integer dpi = GetMonitorDPIAtPoint(r96.CenterPoint());
  if (dpi > 0 && dpi != GetCurrentPPI()) ScaleForPPI(dpi);
  SetBoundsRect(ScaleRectByDPI(r96, GetCurrentPPI()));
  if (FGroup) {
    FGroup->LayoutLoad(Node);
    FGroup->SetAlign(alClient);
    FGroup->SetVisible(true);
  }
  String visible;
  SetVisible(Node->GetAttributes()->TryGetValue(u"visible", visible) && visible != u"0" && !visible.empty());
}
