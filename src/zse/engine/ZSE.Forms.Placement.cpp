#include "zse/engine/ZSE.Forms.Placement.h"

#include <algorithm>

#include "rtl/RTL.Numbers.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zse/engine/ZSE.Layout.Containers.h"

namespace {

constexpr Integer AnchorDistance = 20;

TRect Deflate(const TRect& R, const TRect& M) { return TRect(R.Left + M.Left, R.Top + M.Top, R.Right - M.Right, R.Bottom - M.Bottom); }
TRect Inflate(const TRect& R, const TRect& M) { return TRect(R.Left - M.Left, R.Top - M.Top, R.Right + M.Right, R.Bottom + M.Bottom); }

// The monitor under P, else the nearest one; -1 without monitors.
Integer MonitorAt(const std::vector<TMonitorDesc>& Monitors, TPoint P) {
  Integer best = -1;
  Int64 bestDistance = 0;
  for (size_t i = 0; i < Monitors.size(); ++i) {
    const TRect& b = Monitors[i].Bounds;
    const Int64 dx = P.X < b.Left ? b.Left - P.X : (P.X >= b.Right ? P.X - b.Right + 1 : 0);
    const Int64 dy = P.Y < b.Top ? b.Top - P.Y : (P.Y >= b.Bottom ? P.Y - b.Bottom + 1 : 0);
    const Int64 d = dx * dx + dy * dy;
    if (best < 0 || d < bestDistance) {
      best = static_cast<Integer>(i);
      bestDistance = d;
    }
  }
  return best;
}

Integer PrimaryOf(const std::vector<TMonitorDesc>& Monitors) {
  for (size_t i = 0; i < Monitors.size(); ++i)
    if (Monitors[i].Primary) return static_cast<Integer>(i);
  return Monitors.empty() ? -1 : 0;
}

TPoint Centre(const TRect& R) { return TPoint(R.Left + R.Width() / 2, R.Top + R.Height() / 2); }

}  // namespace

// ---- place anchors --------------------------------------------------------------------------------------

void TZSEFormPlaceAnchors::Capture(const TRect& Bounds, const TRect& Margins, const std::vector<TMonitorDesc>& Monitors) {
  const TRect body = Deflate(Bounds, Margins);
  const Integer m = MonitorAt(Monitors, Centre(body));
  FMagnets = 0;
  FOffsets = TRect();
  FScreenIndex = m;
  if (m < 0) return;
  const TRect area = Monitors[static_cast<size_t>(m)].WorkArea;
  FScreenSize = area.Size();
  if (body.Left < area.Left + AnchorDistance) {
    FMagnets |= ZSEAnchorLeft;
    FOffsets.Left = body.Left - area.Left;
  }
  if (body.Top < area.Top + AnchorDistance) {
    FMagnets |= ZSEAnchorTop;
    FOffsets.Top = body.Top - area.Top;
  }
  if (area.Right - AnchorDistance < body.Right) {
    FMagnets |= ZSEAnchorRight;
    FOffsets.Right = area.Right - body.Right;
  }
  if (area.Bottom - AnchorDistance < body.Bottom) {
    FMagnets |= ZSEAnchorBottom;
    FOffsets.Bottom = area.Bottom - body.Bottom;
  }
}

TRect TZSEFormPlaceAnchors::Apply(const TRect& Bounds, const TRect& Margins, const TZSEFormSizeLimits& Limits,
                                  const std::vector<TMonitorDesc>& Monitors) {
  if (Monitors.empty()) return Bounds;
  TRect r = Deflate(Bounds, Margins);
  const Integer index = FScreenIndex >= 0 && FScreenIndex < static_cast<Integer>(Monitors.size()) ? FScreenIndex : PrimaryOf(Monitors);
  const TRect area = Monitors[static_cast<size_t>(index)].WorkArea;
  if (FScreenSize.cx <= 0 || FScreenSize.cy <= 0) FScreenSize = area.Size();
  const Integer left = MulDiv(FOffsets.Left, area.Width(), FScreenSize.cx);
  const Integer right = MulDiv(FOffsets.Right, area.Width(), FScreenSize.cx);
  const Integer top = MulDiv(FOffsets.Top, area.Height(), FScreenSize.cy);
  const Integer bottom = MulDiv(FOffsets.Bottom, area.Height(), FScreenSize.cy);
  const Integer w = r.Width(), h = r.Height();
  if ((FMagnets & ZSEAnchorLeft) && (FMagnets & ZSEAnchorRight)) {
    r.Left = area.Left + left;
    r.Right = area.Right - right;
  } else if (FMagnets & ZSEAnchorLeft) {
    r.Left = area.Left + left;
    r.Right = r.Left + w;
  } else if (FMagnets & ZSEAnchorRight) {
    r.Right = area.Right - right;
    r.Left = r.Right - w;
  }
  if ((FMagnets & ZSEAnchorTop) && (FMagnets & ZSEAnchorBottom)) {
    r.Top = area.Top + top;
    r.Bottom = area.Bottom - bottom;
  } else if (FMagnets & ZSEAnchorTop) {
    r.Top = area.Top + top;
    r.Bottom = r.Top + h;
  } else if (FMagnets & ZSEAnchorBottom) {
    r.Bottom = area.Bottom - bottom;
    r.Top = r.Bottom - h;
  }
  r = Inflate(r, Margins);
  if (Limits.MinWidth > 0 && r.Width() < Limits.MinWidth) {
    if (!(FMagnets & ZSEAnchorRight) || ((FMagnets & ZSEAnchorLeft) && left < right))
      r.Right = r.Left + Limits.MinWidth;
    else
      r.Left = r.Right - Limits.MinWidth;
  }
  if (Limits.MinHeight > 0 && r.Height() < Limits.MinHeight) {
    if (!(FMagnets & ZSEAnchorBottom) || ((FMagnets & ZSEAnchorTop) && top < bottom))
      r.Bottom = r.Top + Limits.MinHeight;
    else
      r.Top = r.Bottom - Limits.MinHeight;
  }
  if (Limits.MaxWidth > 0) r.Right = std::min(r.Right, r.Left + Limits.MaxWidth);
  if (Limits.MaxHeight > 0) r.Bottom = std::min(r.Bottom, r.Top + Limits.MaxHeight);
  // Onto the work area under the centre, the margins allowed to hang outside.
  const Integer fit = MonitorAt(Monitors, Centre(r));
  const TRect fitArea = Inflate(Monitors[static_cast<size_t>(fit)].WorkArea, Margins);
  const Integer width = r.Width(), height = r.Height();
  r.Left = std::max(fitArea.Left, std::min(r.Left, fitArea.Right - width));
  r.Top = std::max(fitArea.Top, std::min(r.Top, fitArea.Bottom - height));
  return TRect(r.Left, r.Top, r.Left + width, r.Top + height);
}

void TZSEFormPlaceAnchors::LoadSettings(TZCLIniFileSection* Section, const std::vector<TMonitorDesc>& Monitors) {
  const TRect m = Section->ReadRect(u"PositionMagnets");
  FMagnets = (m.Left ? ZSEAnchorLeft : 0) | (m.Top ? ZSEAnchorTop : 0) | (m.Right ? ZSEAnchorRight : 0) |
             (m.Bottom ? ZSEAnchorBottom : 0);
  FOffsets = Section->ReadRect(u"PositionMagnetOffsets");
  const Integer primary = PrimaryOf(Monitors);
  const TRect size = Section->ReadRectDef(u"ScreenSize", primary >= 0 ? Monitors[static_cast<size_t>(primary)].Bounds : TRect());
  FScreenSize = TSize(size.Width(), size.Height());
  FScreenIndex = Section->ReadInteger(u"ScreenIndex", -1);
}

void TZSEFormPlaceAnchors::SaveSettings(TZCLIniFileSection* Section) const {
  Section->WriteRect(u"PositionMagnets", TRect(FMagnets & ZSEAnchorLeft ? 1 : 0, FMagnets & ZSEAnchorTop ? 1 : 0,
                                               FMagnets & ZSEAnchorRight ? 1 : 0, FMagnets & ZSEAnchorBottom ? 1 : 0));
  Section->WriteRect(u"PositionMagnetOffsets", FOffsets);
  Section->WriteRect(u"ScreenSize", TRect(0, 0, FScreenSize.cx, FScreenSize.cy));
  Section->WriteInteger(u"ScreenIndex", FScreenIndex);
}

// ---- master-form pin ------------------------------------------------------------------------------------

TRect ZSEPinBoundsAtSide(const TZSEPinGeometry& G, Integer Side) {
  const TRect& m = G.Master;
  TRect o = G.Margins;
  if (G.MasterMaximized) o = TRect(o.Left - G.MasterMargins.Left, o.Top - G.MasterMargins.Top,
                                   o.Right - G.MasterMargins.Right, o.Bottom - G.MasterMargins.Bottom);
  Integer w = std::max(G.Limits.MinWidth, G.Width), h = std::max(G.Limits.MinHeight, G.Height);
  const bool stretchX = G.Stretch && G.Limits.MaxWidth == 0;
  const bool stretchY = G.Stretch && G.Limits.MaxHeight == 0;
  Integer x = 0, y = 0;
  if (Side == 0 || Side == 2) {
    y = m.Top + o.Top;
    if (stretchY && m.Height() - o.Top - o.Bottom >= G.Limits.MinHeight) h = m.Bottom - o.Bottom - y;
  } else {
    if (stretchX && m.Width() - o.Left - o.Right >= G.Limits.MinWidth) {
      x = m.Left + o.Left;
      w = m.Right - o.Right - x;
    } else {
      x = m.Left + (m.Width() - w) / 2;
    }
  }
  switch (Side) {
    case 0:
      x = m.Left + o.Left - w;
      break;
    case 1:
      y = m.Top + o.Top - h;
      break;
    case 2:
      x = m.Right - o.Right;
      break;
    default:
      y = m.Bottom - o.Bottom;
      break;
  }
  return TRect(TPoint(x + G.SlideOffset.X, y + G.SlideOffset.Y), w, h);
}

TRect ZSEPinCalculateBounds(const TZSEPinGeometry& G, Integer Side, Integer* CurrentSide) {
  Integer s = Side;
  TRect r = ZSEPinBoundsAtSide(G, s);
  if (G.PreventExceedScreenEdges && !G.Available.IsEmpty()) {
    const bool horizontal = Side == 0 || Side == 2;
    for (int round = 0; round < 2; ++round) {
      const TRect before = r;
      const TRect body = Deflate(r, G.FormMargins);
      if (horizontal) {
        if (body.Right > G.Available.Right) {
          s = 0;
          r = ZSEPinBoundsAtSide(G, s);
        }
        if (Deflate(before, G.FormMargins).Left < G.Available.Left) {
          s = 2;
          r = ZSEPinBoundsAtSide(G, s);
        }
      } else {
        if (body.Bottom > G.Available.Bottom) {
          s = 1;
          r = ZSEPinBoundsAtSide(G, s);
        }
        if (Deflate(before, G.FormMargins).Top < G.Available.Top) {
          s = 3;
          r = ZSEPinBoundsAtSide(G, s);
        }
      }
    }
  }
  if (CurrentSide) *CurrentSide = s;
  return r;
}

// ---- toolbar and stored positions -----------------------------------------------------------------------

Byte TZSEFormToolBar::GetAllowedEdges() const {
  if (!FForm) return FAllowedEdges;
  if (FForm->GetMasterFormPin()->IsEffective() || TZSEDesigner::IsDesigning()) return 0;
  const TSizeConstraints* c = FForm->GetConstraints();
  Byte edges = 0;
  if (c->GetMaxHeight() == 0) edges |= 1 | 2;
  if (c->GetMaxWidth() == 0) edges |= 4 | 8;
  return FAllowedEdges & edges;
}

Integer TZSEFormToolBar::GetResolvedMonitor() const {
  if (!Screen || Screen->GetMonitorCount() == 0) return 0;
  for (Integer i = 0; i < Screen->GetMonitorCount(); ++i)
    if (Screen->GetMonitors(i)->GetMonitorNum() == FMonitor) return FMonitor;
  TMonitor* primary = Screen->GetPrimaryMonitor();
  return primary ? primary->GetMonitorNum() : 0;
}

TRect TZSEFormToolBar::CalculateRect(TSize Size) const {
  TMonitor* monitor = nullptr;
  const Integer index = GetResolvedMonitor();
  for (Integer i = 0; Screen && i < Screen->GetMonitorCount(); ++i)
    if (Screen->GetMonitors(i)->GetMonitorNum() == index) monitor = Screen->GetMonitors(i);
  if (!monitor) return FForm->GetBoundsRect();
  TRect area;
  if (FPinMode == 1) {
    area = monitor->GetBoundsRect();
  } else {
    const TRect m = FForm->GetMagnetMargins();
    area = monitor->GetWorkareaRect();
    area.Inflate(m.Left, m.Top, m.Right, m.Bottom);
  }
  const TSizeConstraints* c = FForm->GetConstraints();
  return ZSEToolbarCalculateRect(area, static_cast<Byte>(FEdge), Size,
                                 {c->GetMinWidth(), c->GetMinHeight(), c->GetMaxWidth(), c->GetMaxHeight()});
}

TRect ZSEToolbarCalculateRect(const TRect& Area, Byte Edge, TSize Size, const TZSEFormSizeLimits& Limits) {
  const Integer w = std::max({Size.cx, 20, Limits.MinWidth});
  const Integer h = std::max({Size.cy, 20, Limits.MinHeight});
  switch (Edge) {
    case 1:
      return TRect(Area.Right - w, Area.Top, Area.Right, Area.Bottom);
    case 2:
      return TRect(Area.Left, Area.Top, Area.Right, Area.Top + h);
    case 3:
      return TRect(Area.Left, Area.Bottom - h, Area.Right, Area.Bottom);
    default:
      return TRect(Area.Left, Area.Top, Area.Left + w, Area.Bottom);
  }
}

TRect ZSEStoredPositionToDpi(const TRect& Stored, Integer StoredDpi, Integer CurrentDpi) {
  if (StoredDpi <= 0 || CurrentDpi <= 0 || StoredDpi == CurrentDpi) return Stored;
  return TRect(Stored.TopLeft(), MulDiv(Stored.Width(), CurrentDpi, StoredDpi), MulDiv(Stored.Height(), CurrentDpi, StoredDpi));
}

// ---- the form's settings section ------------------------------------------------------------------------

namespace {
TZSEFormSizeLimits LimitsOf(TZSEBaseForm* Form) {
  TSizeConstraints* c = Form->GetConstraints();
  return {c->GetMinWidth(), c->GetMinHeight(), c->GetMaxWidth(), c->GetMaxHeight()};
}
}  // namespace

bool TZSEBaseForm::GetInitialVisible() const {
  return FInitialVisible || !TZSELayoutDockSite::IsSkinManagerForm(const_cast<TZSEBaseForm*>(this));
}

void TZSEBaseForm::LoadSettings(TZCLIniFile* Ini) { LoadSettingsSection(Ini->GetSection(GetName(), true)); }

void TZSEBaseForm::SaveSettings(TZCLIniFile* Ini) { SaveSettingsSection(Ini->GetSection(GetName(), true)); }

void TZSEBaseForm::LoadSettingsSection(TZCLIniFileSection* Section) {
  FPlaceAnchors->LoadSettings(Section, GetMonitors());
  FMasterFormPin->SetDefaultHorzPort(
      static_cast<TZSEFormDefaultHorzPort>(std::clamp(Section->ReadInteger(u"DefaultPort", 0), 0, 2)));
  SetStayOnTop(Section->ReadBool(u"StayOnTop", false));
  SetLocked(Section->ReadBool(u"Locked", false));
  String text;
  TRect position;
  // Without a stored position the form takes its initial size in the middle of the main
  // window's monitor.
  if (Section->ReadValue(u"Position", text)) {
    const TRect stored =
        ZSEStoredPositionToDpi(Section->ReadRect(u"Position"), Section->ReadInteger(u"DPI", 0), GetCurrentDpi());
    position = FPlaceAnchors->Apply(stored, GetMagnetRectOffsets(), LimitsOf(this), GetMonitors());
  } else {
    TMonitor* monitor = nullptr;
    if (Screen && Application && Application->GetMainForm())
      monitor = Screen->MonitorFromRect(Application->GetMainForm()->GetBoundsRect());
    if (!monitor && Screen) monitor = Screen->GetPrimaryMonitor();
    position = CalculateInitialBounds(monitor ? monitor->GetBoundsRect() : GetBoundsRect());
  }
  const bool managed = TZSELayoutDockSite::IsSkinManagerForm(this);
  const auto loadVisible = [&] {
    if (managed) SetFormVisible(Section->ReadBool(u"Visible", GetInitialVisible()));
  };
  switch (Section->ReadInteger(u"WindowState", 0)) {
    case fpkToolBar: {
      // Monitor index, edge, toolbar mode, and the strip's width or height.
      const TRect toolbar = Section->ReadRect(u"ToolbarMode");
      const Integer edge = toolbar.Top;
      if (edge < 0 || edge > 3 || !(FToolBar->GetAllowedEdges() & (1 << edge))) return;
      DockToEdge(edge, toolbar.Left);
      FRestoredBounds = position;
      if (toolbar.Bottom > 0) {
        if (edge <= 1)
          SetWidth(toolbar.Bottom);
        else
          SetHeight(toolbar.Bottom);
      }
      FToolBar->SetPinMode(toolbar.Right);
      loadVisible();
      return;
    }
    case fpkMaximized:
      if (!CanMaximize()) return;
      SetBoundsRect(position);
      Maximize();
      loadVisible();
      return;
    default:
      loadVisible();
      // Twice: the first move may take the form to a monitor of another DPI.
      SetBoundsRect(position);
      SetBoundsRect(position);
  }
}

void TZSEBaseForm::SaveSettingsSection(TZCLIniFileSection* Section) {
  Section->Clear();
  Section->WriteBool(u"Locked", FLocked);
  Section->WriteBool(u"Docked", FDocked);
  Section->WriteRect(u"Position", GetNormalBounds());
  Section->WriteBool(u"StayOnTop", GetStayOnTop());
  Section->WriteInteger(u"DPI", GetCurrentDpi());
  const Integer edge = FToolBar->GetEdge();
  Section->WriteRect(u"ToolbarMode",
                     TRect(FToolBar->GetMonitor(), edge, FToolBar->GetPinMode(), edge <= 1 ? GetWidth() : GetHeight()));
  Section->WriteInteger(u"WindowState", static_cast<Integer>(GetPlacementKind()));
  if (TZSELayoutDockSite::IsSkinManagerForm(this)) Section->WriteBool(u"Visible", GetFormVisible());
  Section->WriteIntegerDef(u"DefaultPort", FMasterFormPin->GetDefaultHorzPort(), 0);
  FPlaceAnchors->SaveSettings(Section);
}

TRect TZSEBaseForm::CalculateInitialBounds(const TRect& Area) const {
  const Integer dpi = FCurrentDpi > 0 ? FCurrentDpi : 96;
  const TRect m = GetMagnetMargins();
  const Integer w = std::max(GetConstraints()->GetMinWidth(), MulDiv(FInitialSize->GetWidth(), dpi, 96));
  const Integer h = std::max(GetConstraints()->GetMinHeight(), MulDiv(FInitialSize->GetHeight(), dpi, 96));
  const Integer bodyW = w - m.Left - m.Right, bodyH = h - m.Top - m.Bottom;
  const Integer left = Area.Left + (Area.Width() - bodyW) / 2, top = Area.Top + (Area.Height() - bodyH) / 2;
  return TRect(left - m.Left, top - m.Top, left + bodyW + m.Right, top + bodyH + m.Bottom);
}

void TZSEBaseForm::CaptureAnchors() {
  if (GetPlacementKind() != fpkNormal || FDocked || FSystemMove) return;
  FPlaceAnchors->Capture(GetBoundsRect(), GetMagnetRectOffsets(), GetMonitors());
}

void TZSEBaseForm::ApplyPlaceAnchors() {
  if (FDocked || FMasterFormPin->IsEffective() || GetPlacementKind() != fpkNormal) return;
  SetBoundsRect(FPlaceAnchors->Apply(GetBoundsRect(), GetMagnetRectOffsets(), LimitsOf(this), GetMonitors()));
}
