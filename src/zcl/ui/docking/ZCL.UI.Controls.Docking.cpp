#include "zcl/ui/docking/ZCL.UI.Controls.Docking.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "os/OS.Gdi.h"
#include "os/OS.Input.h"
#include "os/OS.Monitors.h"
#include "rtl/RTL.Format.h"
#include "rtl/RTL.Numbers.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.Classes.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/base/ZCL.Timers.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/base/ZCL.Utils.Messaging.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/graphics/ZCL.Graphics.Geometry.h"
#include "zcl/ui/ZCL.UI.Animation.h"
#include "zcl/ui/ZCL.UI.Controls.Utils.h"
#include "zcl/ui/ZCL.UI.Resources.Font.h"
#include "zcl/ui/ZCL.UI.Resources.Texture.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"
#include "zcl/ui/ZCL.Utils.Desktop.h"
#include "zcl/ui/docking/ZCL.UI.Controls.Docking.Engine.h"

namespace {

bool IsLeading(TAlign A) { return A == alTop || A == alLeft; }
bool IsTrailing(TAlign A) { return A == alBottom || A == alRight; }
bool IsFill(TAlign A) { return A == alNone || A == alClient; }

TRect Deflate(const TRect& R, const TRect& M) {
  return TRect(R.Left + M.Left, R.Top + M.Top, R.Right - M.Right, R.Bottom - M.Bottom);
}

const char16_t* const AlignNames[] = {u"alNone",  u"alTop",    u"alBottom", u"alLeft",
                                      u"alRight", u"alClient", u"alCustom"};
const TAlign AlignValues[] = {alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom};
const char16_t* const LayoutNames[] = {u"Horizontal", u"Vertical", u"Tabbed"};

String AlignName(TAlign A) {
  for (size_t i = 0; i < std::size(AlignValues); ++i)
    if (AlignValues[i] == A) return AlignNames[i];
  return AlignNames[0];
}

// Unknown names keep the current value: the program always writes valid ones.
TAlign ReadAlign(TZCLXMLNode* Node, TAlign Current) {
  String text;
  if (!Node->GetAttributes()->TryGetValue(u"align", text)) return Current;
  for (size_t i = 0; i < std::size(AlignNames); ++i)
    if (text == AlignNames[i]) return AlignValues[i];
  return Current;
}

TZCLDockGroupLayout ReadLayout(TZCLXMLNode* Node, TZCLDockGroupLayout Current) {
  String text;
  if (!Node->GetAttributes()->TryGetValue(u"layout", text)) return Current;
  for (Integer i = 0; i < 3; ++i)
    if (text == LayoutNames[i]) return TZCLDockGroupLayout(i);
  return Current;
}

Integer ReadInt(TZCLXMLNode* Node, StringView Name, Integer Default) {
  String text;
  if (!Node->GetAttributes()->TryGetValue(Name, text)) return Default;
  Integer value;
  return TryStrToInt(text, value) ? value : Default;
}

// Integers are true when not zero; other text the XML reader's way.
bool ReadBool(TZCLXMLNode* Node, StringView Name, bool Default) {
  String text;
  if (!Node->GetAttributes()->TryGetValue(Name, text)) return Default;
  Integer value;
  if (TryStrToInt(text, value)) return value != 0;
  return Node->GetAttributes()->GetValueAsBoolean(Name, Default);
}

// Position among the parent's children; -1 without a parent.
Integer ChildIndex(const TControl* Control) {
  const TWinControl* parent = Control->GetParent();
  if (!parent) return -1;
  const auto& list = parent->GetControls();
  auto it = std::find(list.begin(), list.end(), Control);
  return it == list.end() ? -1 : Integer(it - list.begin());
}

// Frees a control once the message being handled is done.
void ReleaseControl(TControl* Control) {
  Control->SetVisible(false);
  Control->SetParent(nullptr);
  TZCLMainThread::QueueProc([Control] { Free(Control); }, Control);
}

}  // namespace

// ---- styles -----------------------------------------------------------------------------------

void TZCLStyleDocking::DeclareProperties(TClassDeclaration<TZCLStyleDocking>& D) {
  D.Property(u"HeaderButton", 0, &TZCLStyle::GetTexture, &TZCLStyle::SetTexture);
  D.Property(u"HeaderButtonGlyphs", 1, &TZCLStyle::GetTexture, &TZCLStyle::SetTexture);
  D.Property(u"TabArea", 10, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"TabFont", 1, &TZCLStyle::GetFont, &TZCLStyle::SetFont);
  D.Property(u"TabFontActive", 2, &TZCLStyle::GetFont, &TZCLStyle::SetFont);
}

void TZCLStyleDocking::InitializeResources() {
  inherited::InitializeResources();
  GetColor(0)->InitializeAsRef(u"Docking.Colors.Border1", true);
  GetColor(1)->InitializeAsRef(u"Docking.Colors.Border2", true);
  GetColor(2)->InitializeAsRef(u"Docking.Colors.Background1", true);
  GetColor(3)->InitializeAsRef(u"Docking.Colors.Background2", true);
  GetColor(4)->InitializeAsRef(u"Docking.Colors.Header1", true);
  GetColor(5)->InitializeAsRef(u"Docking.Colors.Header2", true);
  GetColor(10)->InitializeDefault(u"Docking.Colors.TabsArea", claNone);
  GetFont(0)->InitializeDefault(u"Docking.Fonts.Header");
  GetFont(1)->InitializeDefault(u"Docking.Fonts.Tab");
  GetFont(2)->InitializeDefault(u"Docking.Fonts.TabActive");
  GetTexture(0)->InitializeDefault(u"Docking.Textures.HeaderButton");
  GetTexture(1)->InitializeDefault(u"Docking.Textures.HeaderButtonGlyphs");
  SetHeaderTextAlignment(taLeftJustify);
}

TRect TZCLStyleDocking::GetTabPadding() {
  const Integer p = ScaleByTargetDPI(4);
  return TRect(p, p, p, p);
}

Integer TZCLStyleDocking::GetTabHeight() {
  if (FTabHeight < 0) {
    const TRect p = GetTabPadding();
    FTabHeight = MeasureTextSize(GetTabFontActive()->GetFont(), u"Wg").cy + p.Top + p.Bottom + ScaleByTargetDPI(2);
  }
  return FTabHeight;
}

Integer TZCLStyleDocking::GetTabWidth(const String& Text) {
  auto it = FTabWidths.find(Text);
  if (it != FTabWidths.end()) return it->second;
  const Integer w = std::max({MeasureTextSize(GetTabFont()->GetFont(), Text).cx,
                              MeasureTextSize(GetTabFontActive()->GetFont(), Text).cx, Integer(0)});
  const TRect p = GetTabPadding();
  if (FTabWidths.size() > 256) FTabWidths.clear();
  return FTabWidths[Text] = w + p.Left + p.Right;
}

Integer TZCLStyleDocking::GetDockHeaderHeight() {
  if (FHeaderHeight < 0) FHeaderHeight = GetHeaderHeight();
  return FHeaderHeight;
}

void TZCLStyleDocking::FlushMeasures() {
  FTabHeight = -1;
  FHeaderHeight = -1;
  FTabWidths.clear();
}

void TZCLStyleDocking::DoChanged(TZCLPersistentChanges Changes) {
  FlushMeasures();
  inherited::DoChanged(Changes);
}

void TZCLStyleDocking::DoResourceChanged(TZCLResource* Resource) {
  FlushMeasures();
  inherited::DoResourceChanged(Resource);
}

void TZCLStyleDocking::DoSetTargetDPI(Integer Value) {
  FlushMeasures();
  inherited::DoSetTargetDPI(Value);
}

void TZCLStyleDockSite::DeclareProperties(TClassDeclaration<TZCLStyleDockSite>& D) {
  D.Property(u"SideBar", 11, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"SideBarTab", 2, &TZCLStyle::GetTexture, &TZCLStyle::SetTexture);
  D.Property(u"SideBarTabFont", 3, &TZCLStyle::GetFont, &TZCLStyle::SetFont);
  D.Property(u"SideBarTabFontActive", 4, &TZCLStyle::GetFont, &TZCLStyle::SetFont);
}

void TZCLStyleDockSite::InitializeResources() {
  inherited::InitializeResources();
  GetColor(11)->InitializeAsRef(u"Docking.Colors.SideBar", false);
  GetTexture(2)->InitializeDefault(u"Docking.Textures.SideBar");
  GetFont(3)->InitializeDefault(u"Docking.Fonts.SideBar");
  GetFont(4)->InitializeDefault(u"Docking.Fonts.SideBar");
}

Integer TZCLStyleDockSite::GetSideBarTabWidth(const String& Text) {
  const Integer w = std::max(MeasureTextSize(GetSideBarTabFont()->GetFont(), Text).cx,
                             MeasureTextSize(GetSideBarTabFontActive()->GetFont(), Text).cx);
  return w + 2 * ScaleByTargetDPI(4);
}

// ---- dock control -----------------------------------------------------------------------------

const TMessageTable& TZCLDockControl::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(CM_VISIBLECHANGED, &TZCLDockControl::CMVisibleChanged),
                                    VCL_MESSAGE(CM_CONTROLLISTCHANGE, &TZCLDockControl::CMControlListChange),
                                    VCL_MESSAGE(CM_CANCELMODE, &TZCLDockControl::CMCancelMode),
                                    VCL_MESSAGE(WM_CANCELMODE, &TZCLDockControl::WMCancelMode),
                                    VCL_MESSAGE(WM_CAPTURECHANGED, &TZCLDockControl::WMCaptureChanged)});
  return table;
}

TZCLDockControl::TZCLDockControl(TComponent* AOwner) : TZCLCustomControl(AOwner) {
  TControlStyle style = GetControlStyle();
  style.Include(csAcceptsControls);
  style.Exclude(csCaptureMouse);
  style.Exclude(csDoubleClicks);
  SetControlStyle(style);
  SetDoubleBuffered(true);
  FAligning = true;
  SetAlign(alClient);
  FAligning = false;
}

void TZCLDockControl::AfterConstruction() {
  FStyle = CreateStyle();
  inherited::AfterConstruction();
}

TZCLDockControl::~TZCLDockControl() {
  TZCLMainThread::RemoveQueuedFor(this);
  Free(FEngine);
  FEngine = nullptr;
  Free(FStyle);
  FStyle = nullptr;
}

void TZCLDockControl::BeforeDestruction() {
  Free(FEngine);
  FEngine = nullptr;
  if (FSideBar) FSideBar->Unpin(this);
  inherited::BeforeDestruction();
}

void TZCLDockControl::DeclareProperties(TClassDeclaration<TZCLDockControl>& D) {
  D.Property(u"CustomWidth", &TZCLDockControl::GetCustomWidth, &TZCLDockControl::SetCustomWidth).Default(100);
  D.Property(u"CustomHeight", &TZCLDockControl::GetCustomHeight, &TZCLDockControl::SetCustomHeight).Default(100);
}

TZCLStyleDocking* TZCLDockControl::CreateStyle() { return Create<TZCLStyleDocking>(static_cast<TObject*>(this)); }

TZCLDockGroup* TZCLDockControl::GetParentGroup() const { return dynamic_cast<TZCLDockGroup*>(GetParent()); }

TZCLDockSite* TZCLDockControl::GetDockSite() const {
  for (const TControl* c = this; c; c = c->GetParent())
    if (auto* site = dynamic_cast<const TZCLDockSite*>(c)) return const_cast<TZCLDockSite*>(site);
  return nullptr;
}

void TZCLDockControl::SetCustomSize(Integer& Field, Integer Side, Integer Value) {
  if (GetComponentState().Contains(csLoading)) {
    Field = Value;
    return;
  }
  TZCLDockGroup* group = GetParentGroup();
  if (!group) return;
  // The right (bottom) edge moves by the difference.
  group->DisableAlign();
  try {
    group->Resize(this, Side, Value - Field);
  } catch (...) {
    group->EnableAlign();
    throw;
  }
  group->EnableAlign();
}

void TZCLDockControl::SetCustomWidth(Integer Value) { SetCustomSize(FCustomWidth, 2, Value); }

void TZCLDockControl::SetCustomHeight(Integer Value) { SetCustomSize(FCustomHeight, 3, Value); }

void TZCLDockControl::SetSideBar(TZCLDockSiteSideBar* Value) {
  if (Value == FSideBar) return;
  if (FSideBar) FSideBar->Unpin(this);
  FSideBar = nullptr;
  if (Value) Value->Pin(this);
}

void TZCLDockControl::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  // The group places its children; other moves are ignored.
  if (!IsAligning() && !FFrameSizing && !GetComponentState().Contains(csLoading) && GetParent() &&
      !dynamic_cast<TCustomForm*>(GetParent()))
    return;
  inherited::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (FFrameSizing) {
    FCustomWidth = AWidth;
    FCustomHeight = AHeight;
  }
}

void TZCLDockControl::SetBoundsByFrame(const TRect& R) {
  FFrameSizing = true;
  try {
    SetBounds(R.Left, R.Top, R.Width(), R.Height());
  } catch (...) {
    FFrameSizing = false;
    throw;
  }
  FFrameSizing = false;
}

void TZCLDockControl::AfterAlign() { FAligning = false; }

void TZCLDockControl::BeforeAlign() {
  FAligning = true;
  for (auto& n : FNeighbours) n = nullptr;
}

TRect TZCLDockControl::GetContentMargins() {
  const Integer m = ScaleByDPI(3, GetCurrentPPI());
  return TRect(m, m, m, m);
}

Integer TZCLDockControl::GetHeaderReserve() {
  const TRect m = GetContentMargins();
  return FStyle->GetDockHeaderHeight() + m.Top + m.Bottom;
}

Integer TZCLDockControl::GetMinSize() { return 3 * GetHeaderReserve(); }

void TZCLDockControl::StoreCustomSize() {
  const Integer m = GetHeaderReserve();
  FCustomWidth = std::max(GetWidth(), m);
  FCustomHeight = std::max(GetHeight(), m);
}

void TZCLDockControl::ChangeScale(Integer M, Integer D, bool IsDpiChange) {
  inherited::ChangeScale(M, D, IsDpiChange);
  FCustomWidth = MulDiv(FCustomWidth, M, D);
  FCustomHeight = MulDiv(FCustomHeight, M, D);
}

void TZCLDockControl::SetTargetDPI(Integer DPI) {
  inherited::SetTargetDPI(DPI);
  if (FStyle) FStyle->SetTargetDPI(DPI);
}

void TZCLDockControl::Paint() { FStyle->Draw(GetCanvas(), GetClientRect(), false, TZCLBorders{}); }

bool TZCLDockControl::CanResizeSide(Integer Side) {
  if (FNeighbours[Side]) return true;
  TZCLDockGroup* group = GetParentGroup();
  if (IsPinned() && FSideBar) return Side == DockSideOpposite[FSideBar->GetSide()];
  if (!group || group->GetLayout() == Tabbed) return false;
  const TAlign a = GetAlign();
  const bool sideOk = (IsTrailing(a) && (Side == 0 || Side == 1)) || (IsLeading(a) && (Side == 2 || Side == 3));
  if (!sideOk) return false;
  return group->GetLayout() == Horizontal ? (Side == 0 || Side == 2) : (Side == 1 || Side == 3);
}

bool TZCLDockControl::HitTestResizeEdge(const TPoint& Point, TZCLDockControl*& Control, Integer& Side) {
  Control = nullptr;
  Side = -1;
  const TRect client = GetClientRect();
  if (!client.Contains(Point)) return false;
  const TRect inner = Deflate(client, GetContentMargins());
  if (inner.Contains(Point)) return false;
  const Integer sides[4] = {0, 2, 1, 3};
  for (Integer s : sides) {
    const bool at = s == 0   ? Point.X <= inner.Left
                    : s == 2 ? Point.X >= inner.Right
                    : s == 1 ? Point.Y <= inner.Top
                             : Point.Y >= inner.Bottom;
    if (at && CanResizeSide(s)) {
      Control = this;
      Side = s;
      return true;
    }
  }
  if (TZCLDockGroup* group = GetParentGroup())
    return group->HitTestResizeEdge(TPoint(Point.X + GetLeft(), Point.Y + GetTop()), Control, Side);
  return false;
}

TCursor TZCLDockControl::GetCursorAt(const TPoint& Point) {
  if (FDragMode == TZCLDockDragMode::Resize) return FResizeSide == 0 || FResizeSide == 2 ? crHSplit : crVSplit;
  if (FDragMode == TZCLDockDragMode::Docking) return crSizeAll;
  TZCLDockControl* c;
  Integer side;
  if (HitTestResizeEdge(Point, c, side)) return side == 0 || side == 2 ? crHSplit : crVSplit;
  return crDefault;
}

void TZCLDockControl::CreateDockZones(TZCLDockControl*, std::vector<TZCLDockZone*>& Zones) {
  auto* centre = new TZCLDockZoneClient(this);
  for (Integer side = 0; side < 4; ++side) Zones.push_back(new TZCLDockZoneClientSide(this, side, centre));
  Zones.push_back(centre);
}

void TZCLDockControl::StartDockingDrag(const TPoint& Point) {
  SetCaptureControl(this);
  FDragStart = Point;
  FDragMode = TZCLDockDragMode::Docking;
  UpdateCursor();
}

void TZCLDockControl::StartEdgeResize(TZCLDockControl* Control, const TPoint& Point, Integer Side) {
  SetCaptureControl(this);
  FResizeControl = Control;
  FDragStart = ClientToScreen(Point);
  FDragMode = TZCLDockDragMode::Resize;
  FResizeSide = Side;
}

void TZCLDockControl::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseDown(Button, Shift, X, Y);
  if (TZCLDockSite* site = GetDockSite())
    site->GetSideBars()->ProcessClick(site->ScreenToClient(ClientToScreen(TPoint(X, Y))), this);
  if (Button != TMouseButton::Left || FDragMode != TZCLDockDragMode::None) return;
  TZCLDockControl* c;
  Integer side;
  if (HitTestResizeEdge(TPoint(X, Y), c, side)) StartEdgeResize(c, TPoint(X, Y), side);
}

void TZCLDockControl::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseMove(Shift, X, Y);
  const TPoint screen = ClientToScreen(TPoint(X, Y));
  switch (FDragMode) {
    case TZCLDockDragMode::Docking:
      if (!FEngine) {
        const Integer threshold = ScaleByDPI(GetSystemMetrics(SM_CXDRAG), GetCurrentPPI());
        if (std::max(std::abs(X - FDragStart.X), std::abs(Y - FDragStart.Y)) < threshold) return;
        FEngine = new TZCLDockEngine(this);
      }
      FEngine->DragMove(screen);
      break;
    case TZCLDockDragMode::Resize: {
      TZCLDockControl* c = FResizeControl;
      const Integer side = FResizeSide;
      const bool horz = side == 0 || side == 2;
      const Integer d = horz ? screen.X - FDragStart.X : screen.Y - FDragStart.Y;
      Integer applied = 0;
      if (auto* form = dynamic_cast<TZCLFloatDockForm*>(c->GetParent())) {
        // An edge on a floating window moves the window's edge.
        TRect r = form->GetBoundsRect();
        if (side == 0) r.Left += d;
        if (side == 1) r.Top += d;
        if (side == 2) r.Right += d;
        if (side == 3) r.Bottom += d;
        form->SetBoundsRect(r);
        applied = d;
      } else if (TZCLDockGroup* group = c->GetParentGroup()) {
        applied = group->Resize(c, side, d);
      }
      if (horz)
        FDragStart.X += applied;
      else
        FDragStart.Y += applied;
      break;
    }
    default:
      break;
  }
}

void TZCLDockControl::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseUp(Button, Shift, X, Y);
  if (Button == TMouseButton::Left && FDragMode != TZCLDockDragMode::None) EndDrag(true);
}

void TZCLDockControl::EndDrag(bool Drop) {
  if (FEndingDrag) return;
  FEndingDrag = true;
  const TZCLDockDragMode mode = FDragMode;
  FDragMode = TZCLDockDragMode::None;
  FResizeControl = nullptr;
  FResizeSide = -1;
  TZCLDockEngine* engine = FEngine;
  FEngine = nullptr;
  if (GetCaptureControl() == this) SetCaptureControl(nullptr);
  try {
    if (engine && Drop && mode == TZCLDockDragMode::Docking) engine->Drop();
  } catch (...) {
    Free(engine);
    FEndingDrag = false;
    throw;
  }
  Free(engine);
  FEndingDrag = false;
  UpdateCursor();
}

void TZCLDockControl::CMCancelMode(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  if (FDragMode != TZCLDockDragMode::None) EndDrag(false);
}

void TZCLDockControl::WMCancelMode(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  if (FDragMode != TZCLDockDragMode::None) EndDrag(false);
}

void TZCLDockControl::WMCaptureChanged(TMessage& Message) {
  // The button release lets the capture go before MouseUp drops: only a cancel-mode message
  // ends a drag without dropping.
  InheritedMessage(inherited::MessageTable(), Message);
}

void TZCLDockControl::CMVisibleChanged(TMessage& Message) {
  if (GetParent()) GetParent()->Perform(CM_DOCKING_VISIBILITY, GetVisible() ? 1 : 0, reinterpret_cast<LPARAM>(this));
  InheritedMessage(inherited::MessageTable(), Message);
  if (GetComponentState().Contains(csDesigning) && GetParent()) GetParent()->Invalidate();
}

void TZCLDockControl::CMControlListChange(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  if (HandleAllocated()) PostMessage(GetHandle(), CM_DOCKING_UPDATE_ACTIVE, 0, 0);
}

void TZCLDockControl::LayoutLoad(TZCLXMLNode* Node) {
  const Integer dpi = GetCurrentPPI();
  FCustomWidth = MulDiv(ReadInt(Node, u"w", 0), dpi, 96);
  FCustomHeight = MulDiv(ReadInt(Node, u"h", 0), dpi, 96);
  const TAlign a = ReadAlign(Node, GetAlign());
  FAligning = true;
  SetAlign(a);
  FAligning = false;
}

void TZCLDockControl::LayoutSave(TZCLXMLNode* Node) {
  TZCLXMLAttributes* a = Node->GetAttributes();
  const Integer dpi = GetCurrentPPI();
  a->AddString(u"align", AlignName(GetAlign()));
  if (FCustomHeight > 0) a->AddInteger(u"h", MulDiv(FCustomHeight, 96, dpi));
  if (FCustomWidth > 0) a->AddInteger(u"w", MulDiv(FCustomWidth, 96, dpi));
}

// ---- group ------------------------------------------------------------------------------------

const TMessageTable& TZCLDockGroup::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(CM_DOCKING_PACK, &TZCLDockGroup::CMDockingPack),
                                    VCL_MESSAGE(CM_DOCKING_UPDATE_ACTIVE, &TZCLDockGroup::CMDockingUpdateActive),
                                    VCL_MESSAGE(CM_DOCKING_TEXT_CHANGED, &TZCLDockGroup::CMDockingTextChanged),
                                    VCL_MESSAGE(CM_DOCKING_VISIBILITY, &TZCLDockGroup::CMDockingVisibility),
                                    VCL_MESSAGE(CM_CONTROLLISTCHANGE, &TZCLDockGroup::CMControlListChange),
                                    VCL_MESSAGE(CM_CANCELMODE, &TZCLDockGroup::CMCancelMode)});
  return table;
}

TZCLDockGroup::TZCLDockGroup(TComponent* AOwner) : TZCLDockControl(AOwner) {
  SetDoubleBuffered(false);
  if (AOwner) SetName(GenerateComponentName(this, u"TZCL"));
}

void TZCLDockGroup::DeclareProperties(TClassDeclaration<TZCLDockGroup>& D) {
  D.Property(u"ActiveControlIndex", &TZCLDockGroup::GetActiveControlIndex, &TZCLDockGroup::SetActiveControlIndex)
      .Default(-1);
  D.Property(u"Layout", &TZCLDockGroup::GetLayout, &TZCLDockGroup::SetLayout).Default(Horizontal);
}

TZCLDockControl* TZCLDockGroup::GetDockControl(Integer Index) const {
  return dynamic_cast<TZCLDockControl*>(GetControl(Index));
}

TZCLDockControl* TZCLDockGroup::GetActiveControl() const {
  return FActiveControlIndex >= 0 && FActiveControlIndex < GetControlCount() ? GetDockControl(FActiveControlIndex)
                                                                             : nullptr;
}

bool TZCLDockGroup::IsCounted(TControl* Control) const {
  return (GetComponentState().Contains(csDesigning) || Control->GetVisible()) && Control->GetAlign() != alCustom;
}

Integer TZCLDockGroup::GetVisibleChildCount() const {
  Integer n = 0;
  for (TControl* c : GetControls())
    if (c->GetVisible() && c->GetAlign() != alCustom) ++n;
  return n;
}

bool TZCLDockGroup::IsTopGroup() const {
  return dynamic_cast<const TZCLDockSite*>(this) || dynamic_cast<TZCLFloatDockForm*>(GetParent());
}

String TZCLDockGroup::ToString() const {
  String result;
  for (TControl* c : GetControls()) {
    if (!c->GetVisible()) continue;
    if (!result.empty()) result += u" / ";
    result += c->ToString();
  }
  return result;
}

Integer TZCLDockGroup::CorrectedIndex(Integer Value) const {
  Value = std::clamp(Value, Integer(-1), GetControlCount() - 1);
  if (Value < 0 || GetComponentState().Contains(csDesigning) || GetControl(Value)->GetVisible()) return Value;
  // A hidden child: the first visible one at or after it, else the last one before it.
  for (Integer i = Value; i < GetControlCount(); ++i)
    if (GetControl(i)->GetVisible()) return i;
  for (Integer i = Value - 1; i >= 0; --i)
    if (GetControl(i)->GetVisible()) return i;
  return -1;
}

void TZCLDockGroup::SetActiveControlIndex(Integer Value) {
  Value = CorrectedIndex(Value);
  if (Value == FActiveControlIndex) return;
  FActiveControlIndex = Value;
  Realign();
  Changed();
}

void TZCLDockGroup::SetLayout(TZCLDockGroupLayout Value) {
  if (Value == FLayout) return;
  FActiveControlIndex = -1;
  FLayout = Value;
  FTabs.clear();
  FActiveTabIndex = -1;
  Realign();
}

void TZCLDockGroup::InsertDockControl(TZCLDockControl* Control, Integer Index, TAlign Align) {
  DisableAlign();
  try {
    Control->FAligning = true;
    Control->SetAlign(Align);
    Control->FAligning = false;
    if (Control->GetParent() != this) Control->SetParent(this);
    if (Index >= 0) SetChildOrder(Control, std::min(Index, GetControlCount() - 1));
  } catch (...) {
    Control->FAligning = false;
    EnableAlign();
    throw;
  }
  EnableAlign();
}

void TZCLDockGroup::ValidateInsert(TComponent* AComponent) {
  if (!dynamic_cast<TZCLDockControl*>(AComponent) && !dynamic_cast<TZCLDockZone*>(AComponent) &&
      !dynamic_cast<TZCLDockSiteSideBar*>(AComponent))
    throw EInvalidInsert(u"Only DockPanel and DockGroup are allowed here");
  inherited::ValidateInsert(AComponent);
}

void TZCLDockGroup::BeforeAlignChildren() {
  for (TControl* c : GetControls())
    if (auto* d = dynamic_cast<TZCLDockControl*>(c)) d->BeforeAlign();
}

void TZCLDockGroup::NormalizeChildOrder() {
  std::vector<TControl*> order;
  for (auto pick : {IsLeading, IsFill, IsTrailing})
    for (TControl* c : GetControls())
      if (pick(c->GetAlign())) order.push_back(c);
  for (TControl* c : GetControls())
    if (c->GetAlign() == alCustom) order.push_back(c);
  for (Integer i = 0; i < Integer(order.size()); ++i)
    if (GetControl(i) != order[size_t(i)]) SetChildOrder(order[size_t(i)], i);
}

void TZCLDockGroup::AlignControls(TControl*, TRect& Rect) {
  if (FInLayout) return;
  FInLayout = true;
  BeforeAlignChildren();
  FLayoutRect = Rect;
  std::vector<std::pair<TControl*, TRect>> batch;
  try {
    if (FLayout != Tabbed) NormalizeChildOrder();
    FBatch = &batch;
    if (FLayout == Tabbed)
      LayoutTabbed(Rect);
    else
      LayoutLinear(Rect, FLayout == Vertical);
    FBatch = nullptr;
    for (auto& [control, r] : batch) control->SetBounds(r.Left, r.Top, r.Width(), r.Height());
  } catch (...) {
    FBatch = nullptr;
    for (TControl* c : GetControls())
      if (auto* d = dynamic_cast<TZCLDockControl*>(c)) d->AfterAlign();
    FInLayout = false;
    throw;
  }
  for (TControl* c : GetControls())
    if (auto* d = dynamic_cast<TZCLDockControl*>(c)) d->AfterAlign();
  FInLayout = false;
  ControlsAligned();
  Invalidate();
}

void TZCLDockGroup::LayoutLinear(TRect R, bool Vertical) {
  std::vector<TZCLDockControl*> lead, fill, trail;
  for (TControl* c : GetControls()) {
    auto* d = dynamic_cast<TZCLDockControl*>(c);
    if (!d || !IsCounted(d)) continue;
    const TAlign a = d->GetAlign();
    if (IsLeading(a))
      lead.push_back(d);
    else if (IsTrailing(a))
      trail.push_back(d);
    else if (IsFill(a))
      fill.push_back(d);
  }
  auto custom = [Vertical](TZCLDockControl* d) { return Vertical ? d->GetCustomHeight() : d->GetCustomWidth(); };
  const Integer extent = Vertical ? R.Height() : R.Width();
  Integer t = 0, s = 0;
  for (auto* d : lead) t += custom(d);
  for (auto* d : trail) t += custom(d);
  for (auto* d : fill) s += custom(d);
  const Integer reserve = Vertical ? GetHeaderReserve() : 120;
  Integer p = 100;
  if (t > 0) p = std::clamp(MulDiv(100, extent - Integer(fill.size()) * reserve, t), Integer(0), Integer(100));
  const Integer before = Vertical ? 1 : 0;
  const Integer after = Vertical ? 3 : 2;
  auto place = [this](TZCLDockControl* d, const TRect& r) { FBatch->push_back({d, r}); };
  TZCLDockControl* prev = nullptr;
  for (auto* d : lead) {
    const Integer size = MulDiv(custom(d), p, 100);
    TRect r = R;
    if (Vertical) {
      r.Bottom = r.Top + size;
      R.Top = r.Bottom;
    } else {
      r.Right = r.Left + size;
      R.Left = r.Right;
    }
    place(d, r);
    d->FNeighbours[before] = prev;
    if (prev) prev->FNeighbours[after] = d;
    prev = d;
  }
  TZCLDockControl* next = nullptr;
  for (auto it = trail.rbegin(); it != trail.rend(); ++it) {
    TZCLDockControl* d = *it;
    const Integer size = MulDiv(custom(d), p, 100);
    TRect r = R;
    if (Vertical) {
      r.Top = r.Bottom - size;
      R.Bottom = r.Top;
    } else {
      r.Left = r.Right - size;
      R.Right = r.Left;
    }
    place(d, r);
    d->FNeighbours[after] = next;
    if (next) next->FNeighbours[before] = d;
    next = d;
  }
  const Integer left = std::max(Integer(0), Vertical ? R.Height() : R.Width());
  Integer divisor = Vertical ? 1 + s : std::max(s, Integer(1));
  if (Vertical && s == 0) divisor = 1;
  for (auto* d : fill) {
    const Integer size = MulDiv(custom(d), left, divisor);
    TRect r = R;
    if (Vertical) {
      r.Bottom = r.Top + size;
      R.Top = r.Bottom;
    } else {
      r.Right = r.Left + size;
      R.Left = r.Right;
    }
    place(d, r);
    d->FNeighbours[before] = prev;
    if (prev) prev->FNeighbours[after] = d;
    d->FNeighbours[after] = next;
    if (next) next->FNeighbours[before] = d;
    prev = d;
  }
  FContentRect = R;
  if (R.Width() <= 0 || R.Height() <= 0) FContentRect = TRect();
}

void TZCLDockGroup::LayoutTabbed(TRect R) {
  // The active child, at least the first, corrected to a visible one.
  FActiveControlIndex = CorrectedIndex(std::max(FActiveControlIndex, Integer(0)));
  TZCLDockControl* active = GetActiveControl();
  FTabs.clear();
  FActiveTabIndex = -1;
  FTabArea = TRect();
  if (active && GetVisibleChildCount() >= 2) {
    TRect a = R;
    a.Bottom -= 2;
    const TRect m = GetContentMargins();
    a.Left += 2 * m.Left;
    a.Right -= 2 * m.Right;
    a.Bottom -= 2 * m.Bottom;
    a.Top = a.Bottom - GetDockStyle()->GetTabHeight();
    FTabArea = a;
    CalculateTabs(a);
    R.Bottom = a.Top;
  }
  for (TControl* c : GetControls()) {
    auto* d = dynamic_cast<TZCLDockControl*>(c);
    if (!d || d->GetAlign() == alCustom) continue;
    if (d == active) {
      FBatch->push_back({d, R});
    } else {
      TRect off = R;
      off.Offset(0, -32767 - R.Top);
      FBatch->push_back({d, off});
    }
  }
  FContentRect = TRect();
}

void TZCLDockGroup::CalculateTabs(TRect A) {
  const Integer k = ScaleByDPI(3, GetCurrentPPI());
  std::vector<TZCLDockControl*> counted;
  for (TControl* c : GetControls())
    if (auto* d = dynamic_cast<TZCLDockControl*>(c); d && IsCounted(d)) counted.push_back(d);
  TZCLAutoSizeCalculator calc;
  for (auto* d : counted) {
    const Integer size = GetDockStyle()->GetTabWidth(d->ToString()) + k;
    calc.Add(size, 4, size, true);
  }
  calc.AvailableSize = A.Width() - 2 * k - 2;
  calc.Calculate();
  A.Left += k + 1;
  for (size_t i = 0; i < counted.size(); ++i) {
    TTab tab;
    tab.Control = counted[i];
    tab.Bounds = TRect(A.Left, A.Top, A.Left + calc.GetItem(Integer(i))->Size, A.Bottom);
    A.Left = tab.Bounds.Right;
    if (i + 1 < counted.size()) tab.Bounds.Right -= k;
    if (tab.Control == GetActiveControl()) {
      tab.Bounds.Left -= k + 1;
      tab.Bounds.Right += k + 1;
      tab.Bounds.Top -= 2;
      FActiveTabIndex = Integer(i);
    } else {
      tab.Bounds.Bottom -= ScaleByDPI(2, GetCurrentPPI());
    }
    FTabs.push_back(tab);
  }
  InvalidateRect(FTabArea);
}

Integer TZCLDockGroup::TabAt(const TPoint& P) const {
  for (size_t i = 0; i < FTabs.size(); ++i)
    if (FTabs[i].Bounds.Contains(P)) return Integer(i);
  return -1;
}

Integer TZCLDockGroup::Resize(TZCLDockControl* C, Integer Side, Integer Delta) {
  if (Delta == 0 || FActiveControlIndex != -1) return 0;
  const bool horz = Side == 0 || Side == 2;
  auto size = [horz](TControl* X) { return horz ? X->GetWidth() : X->GetHeight(); };
  auto change = [horz](TZCLDockControl* X, Integer By) {
    TRect r = X->GetBoundsRect();
    if (horz)
      r.Right += By;
    else
      r.Bottom += By;
    X->SetBoundsByFrame(r);
    X->AfterAlign();
    X->Repaint();
  };
  const Integer sign = DockSideSign[Side];
  Integer e = 0;
  DisableAlign();
  try {
    if (TZCLDockControl* n = C->GetNeighbour(Side)) {
      TZCLDockControl* z = sign * Delta <= 0 ? C : n;
      const Integer a = std::min(std::abs(Delta), std::max(Integer(0), size(z) - z->GetMinSize()));
      e = Delta < 0 ? -a : a;
      change(C, sign * e);
      change(n, -sign * e);
    } else {
      const Integer groupSize = horz ? GetClientWidth() : GetClientHeight();
      const Integer newSize = std::max(std::min(size(C) + sign * Delta, groupSize), C->GetMinSize());
      e = sign * (newSize - size(C));
      change(C, newSize - size(C));
    }
    for (TControl* c : GetControls())
      if (auto* d = dynamic_cast<TZCLDockControl*>(c)) d->StoreCustomSize();
  } catch (...) {
    EnableAlign();
    throw;
  }
  EnableAlign();
  return e;
}

void TZCLDockGroup::GetTabOrderList(std::vector<TWinControl*>& List) {
  if (FLayout != Tabbed) NormalizeChildOrder();
  inherited::GetTabOrderList(List);
}

TCursor TZCLDockGroup::GetCursorAt(const TPoint& Point) {
  if (FLayout == Tabbed && FDragMode == TZCLDockDragMode::None) {
    if (FDragTab) return crDefault;
    const Integer i = TabAt(Point);
    if (i >= 0 && i != FActiveTabIndex) return crHandPoint;
  }
  return inherited::GetCursorAt(Point);
}

void TZCLDockGroup::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (FLayout == Tabbed && !GetComponentState().Contains(csDesigning)) {
    const Integer i = TabAt(TPoint(X, Y));
    if (i >= 0) {
      TZCLDockControl* c = FTabs[size_t(i)].Control;
      SetActiveControlIndex(ChildIndex(c));
      FDragTab = c;
      SetCaptureControl(this);
      return;
    }
  }
  inherited::MouseDown(Button, Shift, X, Y);
}

void TZCLDockGroup::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  if (FDragTab && Shift.Contains(ssLeft)) {
    const Integer i = TabAt(TPoint(X, Y));
    if (i >= 0 && FTabs[size_t(i)].Control != FDragTab) {
      const TRect b = FTabs[size_t(i)].Bounds;
      const Integer from = ChildIndex(FDragTab);
      const Integer to = ChildIndex(FTabs[size_t(i)].Control);
      const bool right = to > from;
      if ((right && X > b.CenterPoint().X) || (!right && X < b.CenterPoint().X)) {
        SetChildOrder(FDragTab, to);
        FActiveControlIndex = to;
        Realign();
      }
    }
    return;
  }
  inherited::MouseMove(Shift, X, Y);
}

void TZCLDockGroup::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (FDragTab) {
    FDragTab = nullptr;
    if (GetCaptureControl() == this) SetCaptureControl(nullptr);
    return;
  }
  inherited::MouseUp(Button, Shift, X, Y);
}

void TZCLDockGroup::CMCancelMode(TMessage& Message) {
  FDragTab = nullptr;
  InheritedMessage(inherited::MessageTable(), Message);
}

void TZCLDockGroup::CMDockingPack(TMessage& Message) {
  if (IsPinned()) return;
  TZCLDockGroup* parent = GetParentGroup();
  if (!IsTopGroup() && parent) {
    if (FPinRefCount > 0) return;
    const Integer count = GetControlCount();
    if (count == 1) {
      TZCLDockControl* child = GetDockControl(0);
      const Integer index = ChildIndex(this);
      parent->DisableAlign();
      try {
        child->FCustomWidth = FCustomWidth;
        child->FCustomHeight = FCustomHeight;
        parent->InsertDockControl(child, index, GetAlign());
      } catch (...) {
        parent->EnableAlign();
        throw;
      }
      ReleaseControl(this);
      parent->EnableAlign();
      return;
    }
    if (count == 0) {
      ReleaseControl(this);
      return;
    }
    if (Message.WParam == 0) parent->Perform(CM_DOCKING_PACK, 0, 0);
    return;
  }
  // A top group with one child.
  if (GetControlCount() != 1 || dynamic_cast<TZCLDockSite*>(this) && GetControl(0)->GetAlign() == alCustom) return;
  if (FLayout == Tabbed) SetLayout(Horizontal);
  if (auto* child = dynamic_cast<TZCLDockGroup*>(GetControl(0))) {
    DisableAlign();
    try {
      while (child->GetControlCount() > 0) {
        auto* c = child->GetDockControl(0);
        c->FAligning = true;
        c->SetParent(this);
        c->FAligning = false;
      }
      FLayout = child->GetLayout();
      FActiveControlIndex = child->GetActiveControlIndex();
      ReleaseControl(child);
    } catch (...) {
      EnableAlign();
      throw;
    }
    EnableAlign();
  }
}

void TZCLDockGroup::CMDockingUpdateActive(TMessage&) { SetActiveControlIndex(FActiveControlIndex); }

void TZCLDockGroup::CMDockingTextChanged(TMessage& Message) {
  if (FLayout == Tabbed) Realign();
  if (GetParent()) GetParent()->Perform(CM_DOCKING_TEXT_CHANGED, 0, reinterpret_cast<LPARAM>(this));
  Message.Result = 1;
}

void TZCLDockGroup::CMDockingVisibility(TMessage& Message) {
  if (Message.WParam == 0 && Message.LParam != 0 && FLayout != Tabbed &&
      reinterpret_cast<TControl*>(Message.LParam) == GetActiveControl())
    FActiveControlIndex = -1;
  SetVisible(GetVisibleChildCount() > 0 ||
             // the child announcing itself visible is not yet counted
             (Message.WParam == 1 && Message.LParam != 0 &&
              reinterpret_cast<TControl*>(Message.LParam)->GetAlign() != alCustom));
  Realign();
}

void TZCLDockGroup::CMControlListChange(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  if (HandleAllocated()) PostMessage(GetHandle(), CM_DOCKING_TEXT_CHANGED, 0, 0);
  if (Message.LParam == 0 && Message.WParam != 0)  // removed
    Perform(CM_DOCKING_VISIBILITY, 0, Message.WParam);
}

void TZCLDockGroup::Paint() {
  TCanvas* canvas = GetCanvas();
  TZCLStyleDocking* style = GetDockStyle();
  if (!FContentRect.IsEmpty()) style->Draw(canvas, FContentRect, false, TZCLBorders{});
  if (FLayout != Tabbed || FTabArea.IsEmpty()) return;
  TRect strip(FLayoutRect.Left, FTabArea.Top, FLayoutRect.Right, FLayoutRect.Bottom);
  FillRectAlpha(canvas, strip, style->GetColorContent1()->GetValue());
  const TAlphaColor tabArea = style->GetTabArea()->GetValue();
  const Integer saved = SaveDC(canvas->GetHandle());
  if (FActiveTabIndex >= 0 && FActiveTabIndex < Integer(FTabs.size())) {
    const TTab& tab = FTabs[size_t(FActiveTabIndex)];
    if (tabArea != claNone) FillRectAlpha(canvas, tab.Bounds, style->GetColorContent1()->GetValue());
    DrawDoubleFrameAlpha(canvas, tab.Bounds, style->GetColorBorder1()->GetValue(), style->GetColorBorder2()->GetValue(),
                         TZCLBorders{mLeft, mRight, mBottom});
    DrawTabText(canvas, tab, true);
    ExcludeClipRect(canvas->GetHandle(), tab.Bounds.Left, tab.Bounds.Top, tab.Bounds.Right, tab.Bounds.Bottom);
  }
  const TRect m = GetContentMargins();
  const TRect inner(strip.Left + m.Left, strip.Top, strip.Right - m.Right, strip.Bottom - m.Bottom);
  if (tabArea != claNone) FillRectAlpha(canvas, inner, tabArea);
  DrawDoubleFrameAlpha(canvas, inner, style->GetColorBorder1()->GetValue(), style->GetColorBorder2()->GetValue(),
                       TZCLBorders{mLeft, mTop, mRight, mBottom});
  for (size_t i = 0; i < FTabs.size(); ++i)
    if (Integer(i) != FActiveTabIndex) DrawTabText(canvas, FTabs[i], false);
  RestoreDC(canvas->GetHandle(), saved);
}

void TZCLDockGroup::DrawTabText(TCanvas* Canvas, const TTab& Tab, bool Active) {
  TZCLStyleDocking* style = GetDockStyle();
  AssignCanvasFont(Canvas, (Active ? style->GetTabFontActive() : style->GetTabFont())->GetFont());
  Canvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
  TextDraw(Canvas, Tab.Control->ToString(), Deflate(Tab.Bounds, style->GetTabPadding()), taCenter, taVerticalCenter,
           true);
}

// ---- panel ------------------------------------------------------------------------------------

const TMessageTable& TZCLDockPanel::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(CM_TEXTCHANGED, &TZCLDockPanel::CMTextChanged)});
  return table;
}

TZCLDockPanel::TZCLDockPanel(TComponent* AOwner) : TZCLDockControl(AOwner) {
  TControlStyle style = GetControlStyle();
  style.Include(csCaptureMouse);
  style.Include(csSetCaption);
  SetControlStyle(style);
  SetFocusOnClick(true);
}

void TZCLDockPanel::DeclareProperties(TClassDeclaration<TZCLDockPanel>& D) {
  D.Property(u"Caption", &TZCLDockPanel::GetCaption, &TZCLDockPanel::SetCaption);
  D.Property(u"ShowCaption", &TZCLDockPanel::GetShowCaption, &TZCLDockPanel::SetShowCaption).Default(true);
  D.Property(u"Style", &TZCLDockPanel::GetStyle, &TZCLDockPanel::SetStyle);
}

void TZCLDockPanel::SetShowCaption(bool Value) {
  if (Value == FShowCaption) return;
  FShowCaption = Value;
  AfterAlign();
  Realign();
  Invalidate();
}

void TZCLDockPanel::SetParent(TWinControl* AParent) {
  if (AParent && !dynamic_cast<TZCLDockGroup*>(AParent))
    throw EInvalidInsert(u"DockPanel can be hosted on DockGroup only");
  inherited::SetParent(AParent);
}

void TZCLDockPanel::ValidateInsert(TComponent* AComponent) {
  if (dynamic_cast<TZCLDockControl*>(AComponent)) throw EInvalidInsert(u"DockControls are not allowed here");
  inherited::ValidateInsert(AComponent);
}

bool TZCLDockPanel::IsPinned() {
  if (inherited::IsPinned()) return true;
  TZCLDockGroup* group = GetParentGroup();
  return group && group->GetLayout() == Tabbed && group->IsPinned();
}

bool TZCLDockPanel::CanPin() {
  if (IsPinned()) return true;
  TZCLDockSite* site = GetDockSite();
  if (!site) return false;
  return !(GetParent() == site && site->GetLayout() == Tabbed);
}

TRect TZCLDockPanel::GetContentMargins() {
  TRect m = inherited::GetContentMargins();
  TZCLDockGroup* group = GetParentGroup();
  if (group && group->GetLayout() == Tabbed && !group->GetTabAreaRect().IsEmpty() && !IsPinned()) m.Bottom = -2;
  return m;
}

bool TZCLDockPanel::IsFramed() {
  TZCLDockGroup* group = GetParentGroup();
  if (!group) return true;
  if (group->GetLayout() == Tabbed && !group->GetTabAreaRect().IsEmpty()) return true;
  return !(dynamic_cast<TZCLFloatDockForm*>(group->GetParent()) && group->GetVisibleChildCount() == 1 && GetVisible());
}

void TZCLDockPanel::AfterAlign() {
  inherited::AfterAlign();
  const Integer oldBottom = FCaptionRect.Bottom;
  for (TRect& b : FButtons) b = TRect();
  FCaptionRect = FCaptionTextRect = TRect();
  if (HasCaptionBar() && GetDockStyle()) {
    const Integer dpi = GetCurrentPPI();
    const TRect inner = Deflate(GetClientRect(), GetContentMargins());
    FCaptionRect = TRect(inner.Left, inner.Top, inner.Right, inner.Top + GetDockStyle()->GetDockHeaderHeight());
    const Integer d = ScaleByDPI(3, dpi);
    const TRect in(FCaptionRect.Left + d, FCaptionRect.Top + d, FCaptionRect.Right - d, FCaptionRect.Bottom - d);
    const Integer h = in.Height();
    Integer right = in.Right;
    FButtons[0] = TRect(right - h, in.Top, right, in.Bottom);
    right -= h + ScaleByDPI(2, dpi);
    if (CanPin()) {
      FButtons[2] = TRect(right - h, in.Top, right, in.Bottom);
      right -= h + ScaleByDPI(2, dpi);
    }
    Integer left = in.Left;
    if (GetDockStyle()->GetHeaderTextAlignment() == taCenter) left = FCaptionRect.Left + (FCaptionRect.Right - right);
    FCaptionTextRect = TRect(left, in.Top, right, in.Bottom);
  }
  if (FCaptionRect.Bottom != oldBottom && !IsAligning()) Realign();
}

TRect TZCLDockPanel::GetContentOffset() {
  if (!IsFramed()) return TRect();
  TRect m = GetContentMargins();
  m = TRect(m.Left + 2, m.Top + 2, m.Right + 2, m.Bottom + 2);
  if (!FCaptionRect.IsEmpty()) m.Top = FCaptionRect.Bottom + 1;
  return m;
}

Integer TZCLDockPanel::ButtonAt(const TPoint& P) const {
  for (Integer i = 0; i < 3; ++i)
    if (!FButtons[i].IsEmpty() && FButtons[i].Contains(P)) return i;
  return -1;
}

void TZCLDockPanel::SetHotButton(Integer Value) {
  if (Value == FHotButton) return;
  FHotButton = Value;
  InvalidateRect(FCaptionRect);
}

TCursor TZCLDockPanel::GetCursorAt(const TPoint& Point) {
  if (FDragMode == TZCLDockDragMode::None && ButtonAt(Point) >= 0) return crHandPoint;
  return inherited::GetCursorAt(Point);
}

void TZCLDockPanel::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  const TPoint p(X, Y);
  SetHotButton(ButtonAt(p));
  if (Button == TMouseButton::Left && FHotButton >= 0) {
    FPressedButton = FHotButton;
    SetCaptureControl(this);
    InvalidateRect(FCaptionRect);
    TZCLCustomControl::MouseDown(Button, Shift, X, Y);
    return;
  }
  inherited::MouseDown(Button, Shift, X, Y);
  if (Button == TMouseButton::Left && FDragMode == TZCLDockDragMode::None && FCaptionRect.Contains(p) && CanDrag())
    StartDockingDrag(p);
}

void TZCLDockPanel::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  SetHotButton(FDragMode == TZCLDockDragMode::None ? ButtonAt(TPoint(X, Y)) : -1);
  inherited::MouseMove(Shift, X, Y);
}

void TZCLDockPanel::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (FPressedButton >= 0) {
    const Integer pressed = FPressedButton;
    FPressedButton = -1;
    if (GetCaptureControl() == this) SetCaptureControl(nullptr);
    InvalidateRect(FCaptionRect);
    if (ButtonAt(TPoint(X, Y)) == pressed) ClickButton(pressed);
    return;
  }
  inherited::MouseUp(Button, Shift, X, Y);
}

void TZCLDockPanel::MouseLeave() {
  inherited::MouseLeave();
  SetHotButton(-1);
}

void TZCLDockPanel::ClickButton(Integer Index) {
  if (Index == 0) {
    SetVisible(false);
    return;
  }
  if (Index != 2) return;
  TZCLDockGroup* group = GetParentGroup();
  TZCLDockControl* target = group && group->GetLayout() == Tabbed && !dynamic_cast<TZCLDockSite*>(group)
                                ? static_cast<TZCLDockControl*>(group)
                                : this;
  if (target->GetSideBar()) {
    target->SetSideBar(nullptr);
    return;
  }
  if (IsPinned()) {
    // Inside a pinned tabbed group: the group is the pinned one.
    if (group && group->GetSideBar()) group->SetSideBar(nullptr);
    return;
  }
  if (TZCLDockSite* site = GetDockSite()) {
    target->StoreCustomSize();
    target->SetSideBar(site->GetSideBars()->ChooseBar(this));
  }
}

void TZCLDockPanel::CMTextChanged(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  if (GetParent()) GetParent()->Perform(CM_DOCKING_TEXT_CHANGED, 0, reinterpret_cast<LPARAM>(this));
  Invalidate();
}

void TZCLDockPanel::Paint() {
  TCanvas* canvas = GetCanvas();
  TZCLStyleDocking* style = GetDockStyle();
  style->Draw(canvas, GetClientRect(), false, TZCLBorders{});
  if (IsFramed()) {
    const TRect frame = Deflate(GetClientRect(), GetContentMargins());
    DrawDoubleFrameAlpha(canvas, frame, style->GetColorBorder1()->GetValue(), style->GetColorBorder2()->GetValue(),
                         TZCLBorders{mLeft, mTop, mRight, mBottom});
    if (!FCaptionRect.IsEmpty()) {
      style->DrawHeader(canvas, FCaptionRect);
      style->DrawHeaderText(canvas, FCaptionTextRect, GetCaption());
      const Integer saved = SaveDC(canvas->GetHandle());
      IntersectClipRect(canvas->GetHandle(), FCaptionRect.Left, FCaptionRect.Top, FCaptionRect.Right,
                        FCaptionRect.Bottom);
      for (Integer i = 0; i < 3; ++i) {
        if (FButtons[i].IsEmpty()) continue;
        Integer frameIndex = i == FPressedButton ? 2 : i == FHotButton ? 1 : 0;
        if (i == 2 && IsPinned()) frameIndex += 3;
        style->GetHeaderButton()->Draw(canvas, FButtons[i], frameIndex);
        const TRect glyph(FButtons[i].Left + 4, FButtons[i].Top + 4, FButtons[i].Right - 4, FButtons[i].Bottom - 4);
        style->GetHeaderButtonGlyphs()->Draw(canvas, glyph, i);
      }
      RestoreDC(canvas->GetHandle(), saved);
    }
  }
  if (GetComponentState().Contains(csDesigning) && !GetVisible())
    FillRectAlpha(canvas, GetClientRect(), TAlphaColor(30u << 24));
}

void TZCLDockPanel::LayoutLoad(TZCLXMLNode* Node) {
  inherited::LayoutLoad(Node);
  SetVisible(ReadBool(Node, u"visible", true));
}

void TZCLDockPanel::LayoutSave(TZCLXMLNode* Node) {
  if (GetName().empty()) throw EInvalidOperation(ClassName() + u".Name must be set!");
  Node->GetAttributes()->AddString(u"name", GetName());
  inherited::LayoutSave(Node);
  if (!GetVisible()) Node->GetAttributes()->AddString(u"visible", u"0");
}

// ---- group layout file ------------------------------------------------------------------------

void TZCLDockGroup::LayoutSave(TZCLXMLNode* Node) {
  Node->GetAttributes()->AddString(u"layout", LayoutNames[FLayout]);
  inherited::LayoutSave(Node);
  Node->GetAttributes()->AddString(u"id", GetName());
  if (FActiveControlIndex >= 0) Node->GetAttributes()->AddInteger(u"idx", FActiveControlIndex);
  for (TControl* c : GetControls())
    if (auto* d = dynamic_cast<TZCLDockControl*>(c)) d->LayoutSave(Node->Add(u"item"));
}

void TZCLDockGroup::LayoutLoad(TZCLXMLNode* Node) {
  DisableAlign();
  try {
    inherited::LayoutLoad(Node);
    SetLayout(ReadLayout(Node, FLayout));
    TComponent* owner = GetOwner();
    for (Integer i = 0; i < Node->GetCount(); ++i) {
      TZCLXMLNode* child = Node->GetNode(i);
      String name;
      if (child->GetAttributes()->TryGetValue(u"name", name)) {
        auto* panel = owner ? dynamic_cast<TZCLDockPanel*>(owner->FindComponent(name)) : nullptr;
        if (!panel) continue;
        panel->FAligning = true;
        panel->SetParent(this);
        panel->FAligning = false;
        panel->LayoutLoad(child);
        SetChildOrder(panel, std::min(i, GetControlCount() - 1));
      } else {
        auto* group = Create<TZCLDockGroup>(owner);
        String id;
        if (child->GetAttributes()->TryGetValue(u"id", id) && !id.empty()) {
          try {
            group->SetName(id);
          } catch (const Exception&) {
            // A name in use or not an identifier: the created one stays.
          }
        }
        group->FAligning = true;
        group->SetParent(this);
        group->FAligning = false;
        group->GetDockStyle()->Assign(GetDockStyle());
        group->LayoutLoad(child);
        SetChildOrder(group, std::min(i, GetControlCount() - 1));
      }
    }
    FActiveControlIndex = -2;
    SetActiveControlIndex(ReadInt(Node, u"idx", -1));
    Perform(CM_DOCKING_VISIBILITY, 0, 0);
  } catch (...) {
    EnableAlign();
    throw;
  }
  EnableAlign();
}

// ---- side-bar tabs ----------------------------------------------------------------------------

TZCLDockSiteSideBarTab::TZCLDockSiteSideBarTab(TZCLDockSiteSideBar* ABar, TZCLDockControl* AControl)
    : TComponent(nullptr), FBar(ABar), FControl(AControl) {
  FControl->FreeNotification(this);
}

TZCLDockSiteSideBarTab::~TZCLDockSiteSideBarTab() {
  SetReturnGroup(nullptr);
  if (FControl) FControl->RemoveFreeNotification(this);
}

void TZCLDockSiteSideBarTab::SetReturnGroup(TZCLDockGroup* Value) {
  if (Value == FReturnGroup) return;
  if (FReturnGroup) {
    --FReturnGroup->FPinRefCount;
    FReturnGroup->RemoveFreeNotification(this);
  }
  FReturnGroup = Value;
  if (FReturnGroup) {
    ++FReturnGroup->FPinRefCount;
    FReturnGroup->FreeNotification(this);
  }
}

void TZCLDockSiteSideBarTab::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FReturnGroup) FReturnGroup = nullptr;
  if (AComponent == FControl) FControl = nullptr;
}

void TZCLDockSiteSideBarTab::Restore() {
  if (!FControl || FControl->GetComponentState().Contains(csDestroying) || FBar->FDestroying) return;
  TZCLDockGroup* target = FReturnGroup;
  if (!target || target->GetComponentState().Contains(csDestroying)) target = FBar->GetSite();
  if (!target) return;
  target->InsertDockControl(FControl, ReturnIndex, ReturnAlign);
  FControl->SetVisible(true);
}

// ---- side bar ---------------------------------------------------------------------------------

TZCLDockSiteSideBar::TZCLDockSiteSideBar(TZCLDockSiteSideBars* ABars, Integer ASide)
    : TComponent(nullptr), FBars(ABars), FSide(ASide) {}

TZCLDockSiteSideBar::~TZCLDockSiteSideBar() {
  FDestroying = true;
  for (TZCLDockSiteSideBarTab* tab : FTabs) {
    if (TZCLDockControl* c = tab->GetControl()) {
      c->RemoveFreeNotification(this);
      c->FSideBar = nullptr;
    }
    Free(tab);
  }
  FTabs.clear();
}

TZCLDockSite* TZCLDockSiteSideBar::GetSite() const { return FBars->GetSite(); }

TZCLDockSiteSideBarTab* TZCLDockSiteSideBar::FindTab(TZCLDockControl* Control) const {
  for (TZCLDockSiteSideBarTab* tab : FTabs)
    if (tab->GetControl() == Control) return tab;
  return nullptr;
}

void TZCLDockSiteSideBar::Pin(TZCLDockControl* Control) {
  if (dynamic_cast<TZCLDockSite*>(Control)) throw EInvalidArgument(u"Unable to pin DockSite to side bar");
  if (FindTab(Control) || Control->FSideBar) throw EInvalidArgument(u"The controls is already pinned");
  TZCLDockSite* site = GetSite();
  site->DisableAlign();
  try {
    auto* tab = new TZCLDockSiteSideBarTab(this, Control);
    tab->ReturnAlign = Control->GetAlign();
    tab->ReturnIndex = std::max(ChildIndex(Control), Integer(0));
    tab->SetReturnGroup(Control->GetParentGroup());
    FTabs.push_back(tab);
    Control->FSideBar = this;
    Control->FreeNotification(this);
    TZCLDockGroup* old = Control->GetParentGroup();
    Control->FAligning = true;
    Control->SetParent(site);
    Control->SetAlign(alCustom);
    Control->FAligning = false;
    Control->SetVisible(false);
    if (old && old != site) old->Perform(CM_DOCKING_VISIBILITY, 0, 0);
    FBars->Changed();
  } catch (...) {
    Control->FAligning = false;
    site->EnableAlign();
    throw;
  }
  site->EnableAlign();
}

void TZCLDockSiteSideBar::Unpin(TZCLDockControl* Control) {
  if (FDestroying) return;
  auto it = std::find_if(FTabs.begin(), FTabs.end(), [Control](auto* t) { return t->GetControl() == Control; });
  if (it == FTabs.end()) return;
  TZCLDockSiteSideBarTab* tab = *it;
  if (FBars->GetShownTab() == tab) FBars->ShowTab(nullptr, false);
  Control->FSideBar = nullptr;
  Control->RemoveFreeNotification(this);
  tab->Restore();
  FTabs.erase(std::find(FTabs.begin(), FTabs.end(), tab));
  Free(tab);
  FBars->Changed();
}

void TZCLDockSiteSideBar::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != opRemove || FDestroying) return;
  auto it = std::find_if(FTabs.begin(), FTabs.end(), [AComponent](auto* t) { return t->GetControl() == AComponent; });
  if (it == FTabs.end()) return;
  TZCLDockSiteSideBarTab* tab = *it;
  if (FBars->GetShownTab() == tab) FBars->ShowTab(nullptr, false);
  FTabs.erase(it);
  Free(tab);
  FBars->Changed();
}

void TZCLDockSiteSideBar::Calculate() {
  const bool horz = FSide == 1 || FSide == 3;
  TRect r = FBounds;
  if (horz) {
    r.Left += FBounds.Height();
    r.Right -= FBounds.Height();
  } else {
    r.Top += FBounds.Width();
    r.Bottom -= FBounds.Width();
  }
  TZCLStyleDockSite* style = GetSite()->GetStyle();
  TZCLAutoSizeCalculator calc;
  for (TZCLDockSiteSideBarTab* tab : FTabs) {
    const Integer w = style->GetSideBarTabWidth(tab->GetControl() ? tab->GetControl()->ToString() : String());
    calc.Add(w, 4, w, true);
  }
  calc.AvailableSize = horz ? r.Width() : r.Height();
  calc.Calculate();
  Integer pos = horz ? r.Left : r.Top;
  for (size_t i = 0; i < FTabs.size(); ++i) {
    const Integer size = calc.GetItem(Integer(i))->Size;
    FTabs[i]->Bounds = horz ? TRect(pos, FBounds.Top, pos + size, FBounds.Bottom)
                            : TRect(FBounds.Left, pos, FBounds.Right, pos + size);
    pos += size - 1;
  }
}

TZCLDockSiteSideBarTab* TZCLDockSiteSideBar::TabAt(const TPoint& P) const {
  for (TZCLDockSiteSideBarTab* tab : FTabs)
    if (tab->Bounds.Contains(P)) return tab;
  return nullptr;
}

void TZCLDockSiteSideBar::Draw(TCanvas* Canvas) {
  if (FTabs.empty() || FBounds.IsEmpty()) return;
  TZCLStyleDockSite* style = GetSite()->GetStyle();
  FillRectAlpha(Canvas, FBounds, style->GetSideBar()->GetValue());
  for (TZCLDockSiteSideBarTab* tab : FTabs) {
    const bool shown = FBars->GetShownTab() == tab;
    // The margin facing the window edge is cut off.
    TRect r = tab->Bounds;
    const TRect m = ScaleRectByDPI(style->GetSideBarTab()->GetContentOffsets(), GetSite()->GetCurrentPPI());
    TRect drawn = r;
    if (FSide == 0) drawn.Left -= m.Left;
    if (FSide == 1) drawn.Top -= m.Top;
    if (FSide == 2) drawn.Right += m.Right;
    if (FSide == 3) drawn.Bottom += m.Bottom;
    const Integer saved = SaveDC(Canvas->GetHandle());
    IntersectClipRect(Canvas->GetHandle(), r.Left, r.Top, r.Right, r.Bottom);
    style->GetSideBarTab()->Draw(Canvas, drawn, shown ? 3 : 2);
    AssignCanvasFont(Canvas, (shown ? style->GetSideBarTabFontActive() : style->GetSideBarTabFont())->GetFont());
    Canvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
    const String text = tab->GetControl() ? tab->GetControl()->ToString() : String();
    if (FSide == 0 || FSide == 2)
      TextDrawVertical(Canvas, text, r, taCenter, taVerticalCenter, true);
    else
      TextDraw(Canvas, text, r, taCenter, taVerticalCenter, true);
    RestoreDC(Canvas->GetHandle(), saved);
  }
}

void TZCLDockSiteSideBar::LayoutSave(TZCLXMLNode* Node) {
  TZCLDockSite* site = GetSite();
  for (TZCLDockSiteSideBarTab* tab : FTabs) {
    TZCLXMLNode* item = Node->Add(u"item");
    item->GetAttributes()->AddInteger(u"idx", ChildIndex(tab->GetControl()));
    TZCLXMLNode* pos = item->Add(u"pos");
    if (tab->GetReturnGroup() && !tab->GetReturnGroup()->GetName().empty())
      pos->GetAttributes()->AddString(u"id", tab->GetReturnGroup()->GetName());
    pos->GetAttributes()->AddInteger(u"idx", tab->ReturnIndex);
    pos->GetAttributes()->AddString(u"align", AlignName(tab->ReturnAlign));
  }
  (void)site;
}

void TZCLDockSiteSideBar::LayoutLoad(TZCLXMLNode* Node) {
  TZCLDockSite* site = GetSite();
  for (Integer i = 0; i < Node->GetCount(); ++i) {
    TZCLXMLNode* item = Node->GetNode(i);
    const Integer idx = ReadInt(item, u"idx", -1);
    if (idx < 0 || idx >= site->GetControlCount()) continue;
    auto* control = dynamic_cast<TZCLDockControl*>(site->GetControl(idx));
    if (!control || control->GetSideBar()) continue;
    Pin(control);
    TZCLDockSiteSideBarTab* tab = FTabs.back();
    if (TZCLXMLNode* pos = item->GetNode(0)) {
      tab->ReturnAlign = ReadAlign(pos, tab->ReturnAlign);
      tab->ReturnIndex = ReadInt(pos, u"idx", 0);
      String id;
      TComponent* owner = site->GetOwner();
      TZCLDockGroup* group = nullptr;
      if (pos->GetAttributes()->TryGetValue(u"id", id) && owner)
        group = dynamic_cast<TZCLDockGroup*>(owner->FindComponent(id));
      tab->SetReturnGroup(group);
    } else {
      tab->SetReturnGroup(nullptr);
    }
  }
}

// ---- side bars --------------------------------------------------------------------------------

TZCLDockSiteSideBars::TZCLDockSiteSideBars(TZCLDockSite* ASite) : FSite(ASite) {
  for (Integer side = 0; side < 4; ++side) FBars[side] = new TZCLDockSiteSideBar(this, side);
  FHideTimer = new TZCLTimer(TNotifyEvent(this, &TZCLDockSiteSideBars::HideTimerTick), 500, false);
  FHoverTimer = new TZCLTimer(TNotifyEvent(this, &TZCLDockSiteSideBars::HoverTimerTick), 300, false);
}

TZCLDockSiteSideBars::~TZCLDockSiteSideBars() {
  FreeAnimation();
  Free(FHideTimer);
  Free(FHoverTimer);
  FShownTab = nullptr;
  for (auto*& bar : FBars) {
    Free(bar);
    bar = nullptr;
  }
}

void TZCLDockSiteSideBars::FreeAnimation() {
  if (!FAnimation) return;
  TZCLAnimation* a = FAnimation;
  FAnimation = nullptr;
  FAnimationDone = false;
  Free(a);
}

void TZCLDockSiteSideBars::Calculate(TRect& R) {
  const Integer t = FSite->GetStyle()->GetTabHeight();
  auto thickness = [&](Integer side) { return FBars[side]->GetTabCount() > 0 ? t : 0; };
  FBars[3]->FBounds = TRect(R.Left, R.Bottom - thickness(3), R.Right, R.Bottom);
  FBars[0]->FBounds = TRect(R.Left, R.Top, R.Left + thickness(0), R.Bottom);
  FBars[2]->FBounds = TRect(R.Right - thickness(2), R.Top, R.Right, R.Bottom);
  FBars[1]->FBounds = TRect(R.Left, R.Top, R.Right, R.Top + thickness(1));
  R = TRect(FBars[0]->FBounds.Right, FBars[1]->FBounds.Bottom, FBars[2]->FBounds.Left, FBars[3]->FBounds.Top);
  for (auto* bar : FBars) bar->Calculate();
}

void TZCLDockSiteSideBars::Draw(TCanvas* Canvas) {
  for (auto* bar : FBars) bar->Draw(Canvas);
}

TZCLDockSiteSideBar* TZCLDockSiteSideBars::BarAt(const TPoint& P) const {
  for (auto* bar : FBars)
    if (bar->GetTabCount() > 0 && bar->GetBounds().Contains(P)) return bar;
  return nullptr;
}

TZCLDockSiteSideBar* TZCLDockSiteSideBars::ChooseBar(TZCLDockPanel* Panel) {
  const TAlign a = Panel->GetAlign();
  if (TZCLDockGroup* group = Panel->GetParentGroup()) {
    const bool horz = group->GetLayout() == Horizontal;
    if (IsLeading(a)) return FBars[horz ? 0 : 1];
    if (IsTrailing(a)) return FBars[horz ? 2 : 3];
    return FBars[3];
  }
  if (a == alTop) return FBars[1];
  if (a == alLeft) return FBars[0];
  if (a == alRight) return FBars[2];
  return FBars[3];
}

TRect TZCLDockSiteSideBars::GetPopupRect(TZCLDockSiteSideBarTab* Tab) {
  const TRect area = FSite->GetLayoutRect();
  TZCLDockControl* c = Tab->GetControl();
  const Integer side = Tab->GetBar()->GetSide();
  const bool horz = side == 0 || side == 2;
  const Integer areaExtent = horz ? area.Width() : area.Height();
  Integer extent = std::min(horz ? c->GetCustomWidth() : c->GetCustomHeight(), MulDiv(80, areaExtent, 100));
  if (IsAnimating()) extent = Integer(std::lround(extent * double(FAnimation->GetProgress())));
  // Attached to the bar's side of the area.
  static const Integer splitSide[4] = {0, 2, 1, 3};
  return RectSplit(area, splitSide[side], extent);
}

void TZCLDockSiteSideBars::ShowTab(TZCLDockSiteSideBarTab* Tab, bool Animate) {
  if (Tab == FShownTab) return;
  if (FShownTab) {
    FreeAnimation();
    FHideTimer->SetEnabled(false);
    TZCLDockControl* c = FShownTab->GetControl();
    FShownTab = nullptr;
    if (c) c->SetVisible(false);
    FSite->Realign();
    FSite->Update();
  }
  if (Tab) {
    FShownTab = Tab;
    TZCLDockControl* c = Tab->GetControl();
    c->BringToFront();
    if (Animate && UIAnimationsEnabled) {
      FreeAnimation();
      FAnimation = new TZCLAnimation(this, 200, ateLinear);
      FAnimation->SetFreeOnTerminate(false);
      c->SetVisible(true);
      FAnimation->Run();
    } else {
      c->SetVisible(true);
      FHideTimer->SetEnabled(true);
    }
    FSite->Realign();
  }
  for (auto* bar : FBars) FSite->InvalidateRect(bar->GetBounds());
}

void TZCLDockSiteSideBars::Animate() {
  if (!FAnimation || FAnimationDone) return;
  // The manager still holds the animation while it calls here: it is freed later.
  if (FAnimation->GetFinished() || !FShownTab) {
    FAnimationDone = true;
    FHideTimer->SetEnabled(true);
  }
  if (FShownTab) {
    FSite->Realign();
    FSite->Update();
  }
}

void TZCLDockSiteSideBars::Changed() {
  if (FShownTab) {
    bool found = false;
    for (auto* bar : FBars)
      if (std::find(bar->FTabs.begin(), bar->FTabs.end(), FShownTab) != bar->FTabs.end()) found = true;
    if (!found) FShownTab = nullptr;
  }
  FSite->Realign();
  FSite->Invalidate();
}

void TZCLDockSiteSideBars::HideTimerTick(TObject*) {
  if (!FShownTab || GetCapture()) return;
  TZCLDockControl* c = FShownTab->GetControl();
  const TPoint p = FSite->ScreenToClient(GetMouseCursorPos());
  if (BarAt(p)) return;
  TWinControl* under = FindControl(WindowFromPoint(GetMouseCursorPos()));
  if (under && c && IsChildOrSelf(under, c)) return;
  TWinControl* focused = FindControl(GetFocus());
  if (focused && c && IsChildOrSelf(focused, c)) return;
  ShowTab(nullptr, true);
}

void TZCLDockSiteSideBars::HoverTimerTick(TObject*) {
  FHoverTimer->SetEnabled(false);
  const TPoint p = FSite->ScreenToClient(GetMouseCursorPos());
  if (p != FHoverPoint) return;
  if (TZCLDockSiteSideBar* bar = BarAt(p))
    if (TZCLDockSiteSideBarTab* tab = bar->TabAt(p)) ShowTab(tab, true);
}

void TZCLDockSiteSideBars::ProcessHover(const TPoint& P) {
  if (P == FHoverPoint) return;
  FHoverPoint = P;
  FHoverTimer->Restart();
}

void TZCLDockSiteSideBars::ProcessClick(const TPoint& P, TControl* Control) {
  FHoverTimer->SetEnabled(false);
  if (TZCLDockSiteSideBar* bar = BarAt(P)) {
    if (TZCLDockSiteSideBarTab* tab = bar->TabAt(P)) {
      ShowTab(tab, true);
      return;
    }
  }
  if (FShownTab && FShownTab->GetControl()) {
    auto* win = dynamic_cast<TWinControl*>(Control);
    if (!win || !IsChildOrSelf(win, FShownTab->GetControl())) ShowTab(nullptr, true);
  }
}

// ---- site -------------------------------------------------------------------------------------

const TMessageTable& TZCLDockSite::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(CM_DOCKING_TEXT_CHANGED, &TZCLDockSite::CMDockingTextChanged),
                                    VCL_MESSAGE(CM_DOCKING_VISIBILITY, &TZCLDockSite::CMDockingVisibility)});
  return table;
}

TZCLDockSite::TZCLDockSite(TComponent* AOwner) : TZCLDockGroup(AOwner) { FSideBars = new TZCLDockSiteSideBars(this); }

TZCLDockSite::~TZCLDockSite() {
  Free(FSideBars);
  FSideBars = nullptr;
}

void TZCLDockSite::BeforeDestruction() {
  // Floating windows first, the side bars last.
  while (!FFloatForms.empty()) {
    TZCLFloatDockForm* form = FFloatForms.back();
    FFloatForms.pop_back();
    form->FSite = nullptr;
    Free(form);
  }
  inherited::BeforeDestruction();
}

void TZCLDockSite::DeclareProperties(TClassDeclaration<TZCLDockSite>& D) {
  D.Property(u"Align", &TZCLDockSite::GetAlign, &TZCLDockSite::SetAlign).Default(alClient);
  D.Property(u"Style", &TZCLDockSite::GetStyle, &TZCLDockSite::SetStyle);
}

TZCLStyleDocking* TZCLDockSite::CreateStyle() { return Create<TZCLStyleDockSite>(static_cast<TObject*>(this)); }

void TZCLDockSite::CreateDockZones(TZCLDockControl*, std::vector<TZCLDockZone*>& Zones) {
  for (Integer side = 0; side < 4; ++side) Zones.push_back(new TZCLDockZoneSide(this, side));
  bool clientChild = false;
  for (TControl* c : GetControls())
    if (c->GetVisible() && c->GetAlign() == alClient) clientChild = true;
  if (!clientChild) Zones.push_back(new TZCLDockZoneClient(this));
}

void TZCLDockSite::AlignControls(TControl* AControl, TRect& Rect) {
  if (FInLayout) return;
  FSideBars->Calculate(Rect);
  inherited::AlignControls(AControl, Rect);
  TZCLDockSiteSideBarTab* shown = FSideBars->GetShownTab();
  if (shown && shown->GetControl() && shown->GetControl()->IsPinned()) {
    TZCLDockControl* c = shown->GetControl();
    const TRect r = FSideBars->GetPopupRect(shown);
    c->BeforeAlign();
    c->SetBounds(r.Left, r.Top, r.Width(), r.Height());
    c->AfterAlign();
  }
}

void TZCLDockSite::Paint() {
  inherited::Paint();
  FSideBars->Draw(GetCanvas());
}

void TZCLDockSite::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseMove(Shift, X, Y);
  FSideBars->ProcessHover(TPoint(X, Y));
}

void TZCLDockSite::CMDockingTextChanged(TMessage& Message) {
  for (Integer side = 0; side < 4; ++side) {
    FSideBars->GetBar(side)->Calculate();
    InvalidateRect(FSideBars->GetBar(side)->GetBounds());
  }
  Message.Result = 1;
}

void TZCLDockSite::CMDockingVisibility(TMessage& Message) {
  auto* child = reinterpret_cast<TZCLDockControl*>(Message.LParam);
  if (!child || !child->GetSideBar() || child->GetParent() != this) {
    if (Message.WParam == 0 && child && child == GetActiveControl() && GetLayout() != Tabbed) FActiveControlIndex = -1;
    Realign();
    return;
  }
  TZCLDockSiteSideBarTab* tab = child->GetSideBar()->FindTab(child);
  if (Message.WParam == 1) {
    if (tab && FSideBars->GetShownTab() != tab) {
      FSideBars->ShowTab(tab, false);
      if (child->CanFocus()) SafeSetFocus(child);
    }
  } else if (tab && FSideBars->GetShownTab() == tab) {
    FSideBars->ShowTab(nullptr, true);
  }
}

// ---- layout file ------------------------------------------------------------------------------

void TZCLDockSite::SaveToXML(TZCLXMLDocument* Document) {
  Document->Clear();
  TZCLXMLNode* root = Document->Add(u"docking");
  LayoutSave(root->Add(u"embedded"));
  if (!FFloatForms.empty()) {
    TZCLXMLNode* floats = root->Add(u"float");
    for (TZCLFloatDockForm* form : FFloatForms) form->LayoutSave(floats->Add(u"item"));
  }
  TZCLXMLNode* bars = root->Add(u"sideBar");
  for (Integer side = 0; side < 4; ++side) FSideBars->GetBar(side)->LayoutSave(bars->Add(u"item"));
}

void TZCLDockSite::SaveToFile(const String& FileName) {
  TZCLXMLDocument* doc = new TZCLXMLDocument();
  try {
    SaveToXML(doc);
    doc->SaveToFile(FileName);
  } catch (...) {
    Free(doc);
    throw;
  }
  Free(doc);
}

void TZCLDockSite::LoadFromFile(const String& FileName) {
  TZCLXMLDocument* doc = new TZCLXMLDocument();
  try {
    doc->LoadFromFile(FileName);
    LoadFromXML(doc);
  } catch (...) {
    Free(doc);
    throw;
  }
  Free(doc);
}

void TZCLDockSite::ResetLayout() {
  std::vector<TZCLDockPanel*> panels;
  std::function<void(TWinControl*)> collect = [&](TWinControl* parent) {
    for (TControl* c : parent->GetControls()) {
      if (auto* panel = dynamic_cast<TZCLDockPanel*>(c))
        panels.push_back(panel);
      else if (auto* group = dynamic_cast<TZCLDockGroup*>(c))
        collect(group);
    }
  };
  collect(this);
  for (TZCLFloatDockForm* form : FFloatForms)
    if (form->GetGroup()) collect(form->GetGroup());
  // Pinned controls are unpinned first: a tab left behind would point at a panel that went
  // back into a group, and pinning it again from the file would fail half-way.
  FSideBars->ShowTab(nullptr, false);
  for (Integer side = 0; side < 4; ++side) {
    TZCLDockSiteSideBar* bar = FSideBars->GetBar(side);
    while (bar->GetTabCount() > 0) {
      TZCLDockSiteSideBarTab* tab = bar->GetTab(bar->GetTabCount() - 1);
      TZCLDockControl* c = tab->GetControl();
      tab->SetReturnGroup(nullptr);
      if (c) c->SetSideBar(nullptr);
    }
  }
  for (TZCLDockPanel* panel : panels) {
    panel->FAligning = true;
    panel->SetParent(this);
    panel->SetAlign(alClient);
    panel->FAligning = false;
    panel->SetVisible(false);
  }
  for (Integer i = GetControlCount() - 1; i >= 0; --i)
    if (auto* group = dynamic_cast<TZCLDockGroup*>(GetControl(i))) {
      // Groups of pinned tabbed panels were unpinned above; whatever is left goes.
      for (Integer j = group->GetControlCount() - 1; j >= 0; --j) {
        TControl* c = group->GetControl(j);
        c->SetParent(this);
        c->SetVisible(false);
      }
      Free(group);
    }
  while (!FFloatForms.empty()) {
    TZCLFloatDockForm* form = FFloatForms.back();
    FFloatForms.pop_back();
    form->FSite = nullptr;
    form->Hide();
    Free(form);
  }
  FActiveControlIndex = -1;
}

namespace {
// Packs nested groups bottom-up, then the group itself.
void PackTree(TZCLDockGroup* Group) {
  std::vector<TZCLDockGroup*> children;
  for (TControl* c : Group->GetControls())
    if (auto* g = dynamic_cast<TZCLDockGroup*>(c)) children.push_back(g);
  for (TZCLDockGroup* g : children) PackTree(g);
  Group->Perform(CM_DOCKING_PACK, 1, 0);
}
}  // namespace

void TZCLDockSite::LoadFromXML(TZCLXMLDocument* Document) {
  TZCLXMLNode* root = Document->FindNode(u"docking");
  if (!root) return;
  DisableAlign();
  try {
    ResetLayout();
    if (TZCLXMLNode* embedded = root->FindNode(u"embedded")) LayoutLoad(embedded);
    if (TZCLXMLNode* floats = root->FindNode(u"float")) {
      for (Integer i = 0; i < floats->GetCount(); ++i) {
        auto* form = new TZCLFloatDockForm(this);
        form->LayoutLoad(floats->GetNode(i));
        form->Perform(CM_DOCKING_PACK, 0, 0);
      }
    }
    if (TZCLXMLNode* bars = root->FindNode(u"sideBar"))
      for (Integer i = 0; i < std::min(bars->GetCount(), Integer(4)); ++i)
        FSideBars->GetBar(i)->LayoutLoad(bars->GetNode(i));
    PackTree(this);
  } catch (...) {
    EnableAlign();
    throw;
  }
  EnableAlign();
}

String DockLayoutFileName(const String& ConfigFileName) {
  return zcChangeFileExt(ConfigFileName, u"") + u"Desktop.layout";
}

bool SaveDockLayoutFile(TZCLDockSite* Site, const String& ConfigFileName) {
  const String fileName = DockLayoutFileName(ConfigFileName);
  if (!zcDirectoryExists(zcExtractFileDir(fileName))) return false;
  Site->SaveToFile(fileName);
  return true;
}

void LoadDockLayoutFile(TZCLDockSite* Site, const String& ConfigFileName) {
  Site->LoadFromFile(DockLayoutFileName(ConfigFileName));
}

void RegisterDockingClasses() {
  RegisterProperties<TZCLStyleDocking>();
  RegisterProperties<TZCLStyleDockSite>();
  RegisterProperties<TZCLDockControl>();
  RegisterProperties<TZCLDockGroup>();
  RegisterProperties<TZCLDockPanel>();
  RegisterProperties<TZCLDockSite>();
  RegisterClasses({TZCLStyleDocking::StaticClass(), TZCLStyleDockSite::StaticClass(), TZCLDockGroup::StaticClass(),
                   TZCLDockPanel::StaticClass(), TZCLDockSite::StaticClass()});
}
