#include "zcl/ui/controls/ZCL.UI.ScrollBox.h"

#include "os/OS.Windows.h"
#include "vcl/VCL.Messages.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/ui/ZCL.UI.Controls.Utils.h"

// ---- bars, grip and style ---------------------------------------------------------------------

void TZCLInnerScrollBar::UpdateTransparency() {
  SetTransparent(false);
  TControlStyle style = GetControlStyle();
  style.Include(csOpaque);
  SetControlStyle(style);
}

void TZCLSizeGrip::Paint() {
  auto* parent = dynamic_cast<TZCLCustomScrollingControl*>(GetParent());
  if (parent) parent->GetStyle()->GetTextureSizeGripArea()->Draw(GetCanvas(), GetClientRect(), 0);
}

void TZCLScrollBoxStyle::DeclareProperties(TClassDeclaration<TZCLScrollBoxStyle>& D) {
  D.Property(u"ColorBorder1", 0, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorBorder2", 1, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorContent1", 2, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorContent2", 3, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
}

void TZCLScrollBoxStyle::InitializeResources() {
  inherited::InitializeResources();
  GetColor(0)->InitializeAsRef(u"Common.Colors.Border1", true);
  GetColor(1)->InitializeAsRef(u"Common.Colors.Border2", true);
  GetColor(2)->InitializeAsRef(u"Common.Colors.Background1", true);
  GetColor(3)->InitializeAsRef(u"Common.Colors.Background2", true);
}

void TZCLScrollBoxStyle::DrawBorder(TCanvas* Canvas, const TRect& R, TZCLBorders Borders) {
  DrawDoubleFrameAlpha(Canvas, R, GetColorBorder1()->GetValue(), GetColorBorder2()->GetValue(), Borders);
}

void TZCLScrollBoxStyle::DrawContent(TCanvas* Canvas, const TRect& R) {
  FillGradientAlpha(Canvas, R, GetColorContent1()->GetValue(), GetColorContent2()->GetValue(), true);
}

bool TZCLScrollBoxStyle::IsContentTransparent() {
  auto translucent = [](TAlphaColor C) { return C != claNone && C != claDefault && (C >> 24) < 255; };
  return translucent(GetColorContent1()->GetValue()) || translucent(GetColorContent2()->GetValue());
}

// ---- scrolling control ------------------------------------------------------------------------

TZCLCustomScrollingControl::TZCLCustomScrollingControl(TComponent* AOwner) : TZCLCustomInplaceContainer(AOwner) {
  TControlStyle style = GetControlStyle();
  style.Include(csAcceptsControls);
  SetControlStyle(style);
}

TZCLCustomScrollingControl::~TZCLCustomScrollingControl() { Free(FStyle); }

void TZCLCustomScrollingControl::BeforeDestruction() {
  // Before the platform frees the children; the bars draw with the style, freed last.
  auto freePart = [](auto*& Part) {
    auto* part = Part;
    Part = nullptr;
    Free(part);
  };
  freePart(FHorzScrollBar);
  freePart(FVertScrollBar);
  freePart(FSizeGrip);
  inherited::BeforeDestruction();
}

void TZCLCustomScrollingControl::AfterConstruction() {
  FStyle = CreateStyle();
  // Not owned as components: the control frees them itself, after its content.
  FSizeGrip = Create<TZCLSizeGrip>(static_cast<TComponent*>(nullptr));
  FSizeGrip->SetAlign(alCustom);
  FSizeGrip->SetVisible(false);
  FSizeGrip->SetParent(this);
  for (TScrollBarKind kind : {sbHorizontal, sbVertical}) {
    auto* bar = Create<TZCLInnerScrollBar>(static_cast<TComponent*>(nullptr), kind,
                                           static_cast<TZCLStyleScrollBox*>(FStyle), false);
    bar->SetAlign(alCustom);
    bar->OnScroll = TScrollEvent(this, &TZCLCustomScrollingControl::Scroll);
    bar->SetParent(this);
    (kind == sbHorizontal ? FHorzScrollBar : FVertScrollBar) = bar;
  }
  inherited::AfterConstruction();
}

const TMessageTable& TZCLCustomScrollingControl::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(WM_NCCALCSIZE, &TZCLCustomScrollingControl::WMNCCalcSize),
                                    VCL_MESSAGE(WM_NCPAINT, &TZCLCustomScrollingControl::WMNCPaint)});
  return table;
}

TZCLScrollBoxStyle* TZCLCustomScrollingControl::CreateStyle() {
  return Create<TZCLScrollBoxStyle>(static_cast<TObject*>(this));
}

bool TZCLCustomScrollingControl::IsScrollPart(TControl* Control) const {
  return Control && (Control == FHorzScrollBar || Control == FVertScrollBar || Control == FSizeGrip);
}

void TZCLCustomScrollingControl::SetBorders(TFormBorderStyle Value) {
  const bool borders = Value != bsNone;
  if (FBorders == borders) return;
  FBorders = borders;
  RecalcFrame();
  Realign();
}

void TZCLCustomScrollingControl::RecalcFrame() {
  if (HandleAllocated())
    SetWindowPos(GetHandle(), nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TZCLCustomScrollingControl::WMNCCalcSize(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  if (!FBorders || Message.WParam == 0) return;
  auto* params = reinterpret_cast<NCCALCSIZE_PARAMS*>(Message.LParam);
  params->rgrc[0].Inflate(-2, -2);
}

void TZCLCustomScrollingControl::WMNCPaint(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  if (!FBorders || !HandleAllocated()) return;
  HDC dc = GetWindowDC(GetHandle());
  if (!dc) return;
  TCanvas* canvas = Create<TCanvas>();
  try {
    canvas->SetHandle(dc);
    FStyle->DrawBorder(canvas, TRect(0, 0, GetWidth(), GetHeight()), TZCLBorders{mLeft, mTop, mRight, mBottom});
    canvas->SetHandle(nullptr);
  } catch (...) {
  }
  Free(canvas);
  ReleaseDC(GetHandle(), dc);
}

void TZCLCustomScrollingControl::AdjustClientRect(TRect& Rect) {
  inherited::AdjustClientRect(Rect);
  if (FVertScrollBar && FVertScrollBar->GetVisible()) Rect.Right -= FVertScrollBar->GetWidth();
  if (FHorzScrollBar && FHorzScrollBar->GetVisible()) Rect.Bottom -= FHorzScrollBar->GetHeight();
}

void TZCLCustomScrollingControl::AlignControls(TControl* AControl, TRect& Rect) {
  // Twice: showing or hiding a bar changes the client area.
  for (Integer pass = 0; pass < 2; ++pass) {
    Rect = GetClientRect();
    AdjustClientRect(Rect);
    inherited::AlignControls(AControl, Rect);
    TRect r = GetClientRect();
    AdjustClientRect(r);
    if (FHorzScrollBar && FVertScrollBar) AlignScrollBars(r);
  }
  if (FScrollLock > 0 || !FHorzScrollBar || !FVertScrollBar) return;
  FHorzScrollBar->BringToFront();
  FVertScrollBar->BringToFront();
  FSizeGrip->BringToFront();
}

void TZCLCustomScrollingControl::AlignScrollBars(const TRect& R) {
  const Integer step = ScaleByDPI(16, GetCurrentPPI());
  FHorzScrollBar->SetBounds(R.Left, R.Bottom, R.Width(), FHorzScrollBar->GetHeight());
  FHorzScrollBar->SetTag(FHorzScrollBar->GetPosition());
  FHorzScrollBar->SetSmallChange(Word(step));
  FVertScrollBar->SetBounds(R.Right, R.Top, FVertScrollBar->GetWidth(), R.Height());
  FVertScrollBar->SetSmallChange(Word(step));
  FVertScrollBar->SetTag(FVertScrollBar->GetPosition());
  FSizeGrip->SetBounds(R.Right, R.Bottom, FVertScrollBar->GetWidth(), FHorzScrollBar->GetHeight());
  FSizeGrip->SetVisible(FHorzScrollBar->GetVisible() && FVertScrollBar->GetVisible());
}

void TZCLCustomScrollingControl::Scroll(TObject* Sender, TScrollCode Code, Integer& Position) {
  if (Sender == FHorzScrollBar)
    ScrollBy(Integer(FHorzScrollBar->GetTag()) - Position, 0);
  else
    ScrollBy(0, Integer(FVertScrollBar->GetTag()) - Position);
  if (Code == scTrack) Update();
}

void TZCLCustomScrollingControl::ScrollBy(Integer DX, Integer DY) {
  auto step = [](TZCLInnerScrollBar* Bar, Integer& D) {
    if (D == 0) return;
    const Integer tag = Integer(Bar->GetTag());
    Bar->SetPosition(tag - D);
    D = tag - Bar->GetPosition();
    Bar->SetTag(Bar->GetPosition());
  };
  step(FHorzScrollBar, DX);
  step(FVertScrollBar, DY);
  if (DX == 0 && DY == 0) return;
  ++FScrollLock;
  try {
    ScrollContent(DX, DY);
  } catch (...) {
    --FScrollLock;
    throw;
  }
  --FScrollLock;
}

void TZCLCustomScrollingControl::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  ++FScrollLock;
  try {
    inherited::SetBounds(ALeft, ATop, AWidth, AHeight);
  } catch (...) {
    --FScrollLock;
    throw;
  }
  --FScrollLock;
}

void TZCLCustomScrollingControl::Paint() {
  bool handled = false;
  const TRect client = GetClientRect();
  if (OnCustomDraw) OnCustomDraw(this, GetCanvas(), client, handled);
  if (!handled && !GetTransparent()) FStyle->DrawContent(GetCanvas(), client);
}

void TZCLCustomScrollingControl::SetTargetDPI(Integer Value) {
  if (FStyle) FStyle->SetTargetDPI(Value);
  inherited::SetTargetDPI(Value);
}

void TZCLCustomScrollingControl::UpdateTransparency() {
  TControlStyle style = GetControlStyle();
  if (GetTransparent() || (FStyle && FStyle->IsContentTransparent()))
    style.Exclude(csOpaque);
  else
    style.Include(csOpaque);
  SetControlStyle(style);
}

// ---- scroll box -------------------------------------------------------------------------------

const TMessageTable& TZCLCustomScrollBox::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(CM_FOCUSCHANGED, &TZCLCustomScrollBox::CMFocusChanged)});
  return table;
}

void TZCLCustomScrollBox::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) Realign();
}

TSize TZCLCustomScrollBox::CalculateContentSize() {
  if (!GetHorzScrollBar() || !GetVertScrollBar()) return TSize();
  const Integer x = GetHorzScrollBar()->GetPosition(), y = GetVertScrollBar()->GetPosition();
  Integer rightSum = 0, bottomSum = 0, maxRight = 0, maxBottom = 0;
  for (TControl* c : GetControls()) {
    if (IsScrollPart(c) || !c->GetVisible()) continue;
    const TAlign align = c->GetAlign();
    const TAnchors anchors = c->GetAnchors();
    if (align == alRight) rightSum += c->GetWidth();
    if (align == alBottom) bottomSum += c->GetHeight();
    if (align == alLeft || (align == alNone && anchors.Contains(akLeft) && !anchors.Contains(akRight)))
      maxRight = std::max(maxRight, x + c->GetLeft() + c->GetWidth());
    if (align == alTop || (align == alNone && anchors.Contains(akTop) && !anchors.Contains(akBottom)))
      maxBottom = std::max(maxBottom, y + c->GetTop() + c->GetHeight());
  }
  return TSize(rightSum + maxRight, bottomSum + maxBottom);
}

void TZCLCustomScrollBox::UpdateScrollBar(TZCLInnerScrollBar* Bar, Integer Page, Integer Content) {
  const bool visible = Page < Content;
  Bar->SetVisible(visible);
  // A hidden bar keeps no offset: the range would leave one pixel scrolled with nothing to undo it.
  Bar->SetScrollParams(0, Content, visible ? Bar->GetPosition() : 0, Page, true);
  Integer position = Bar->GetPosition();
  if (position != Integer(Bar->GetTag())) Scroll(Bar, scEndScroll, position);
}

void TZCLCustomScrollBox::AlignScrollBars(const TRect& R) {
  if (FUpdateCount > 0) return;
  const TSize size = CalculateContentSize();
  UpdateScrollBar(GetVertScrollBar(), R.Height(), size.cy);
  UpdateScrollBar(GetHorzScrollBar(), R.Width(), size.cx);
  inherited::AlignScrollBars(R);
}

void TZCLCustomScrollBox::ScrollContent(Integer DX, Integer DY) {
  TZCLDeferPlacementUpdate* batch = Create<TZCLDeferPlacementUpdate>();
  DisableAlign();
  try {
    for (TControl* c : GetControls()) {
      if (IsScrollPart(c)) continue;
      TRect r = c->GetBoundsRect();
      r.Offset(DX, DY);
      batch->Add(c, r);
    }
    batch->Apply();
  } catch (...) {
    Free(batch);
    EnableAlign();
    throw;
  }
  Free(batch);
  EnableAlign();
  Invalidate();
}

bool TZCLCustomScrollBox::MouseWheel(TMouseWheelDirection Direction, TShiftState Shift, const TPoint&) {
  TZCLInnerScrollBar* bar = Shift.Contains(ssShift) ? GetHorzScrollBar() : GetVertScrollBar();
  if (!bar->GetVisible()) return false;
  bar->GetSubClass()->Scroll(Direction == mwdDown ? scLineDown : scLineUp);
  return true;
}

void TZCLCustomScrollBox::CMFocusChanged(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  FFocusing = true;
  try {
    MakeVisible(reinterpret_cast<TControl*>(Message.LParam));
  } catch (...) {
    FFocusing = false;
    throw;
  }
  FFocusing = false;
}

void TZCLCustomScrollBox::MakeVisible(TControl* Control) {
  if (!Control) return;
  // By type, not by interface query: another interface shares IZCLInnerControl's identifier.
  if (auto* inner = dynamic_cast<IZCLInnerControl*>(Control->GetParent()); inner && inner->GetInnerControl() == Control)
    Control = Control->GetParent();
  HandleNeeded();
  TRect r = Control->GetBoundsRect();
  for (TWinControl* p = Control->GetParent(); p; p = p->GetParent()) {
    if (p == this) {
      ScrollToRect(r);
      return;
    }
    r.Offset(p->GetLeft(), p->GetTop());
  }
}

void TZCLCustomScrollBox::ScrollToRect(TRect R) {
  TRect c = GetClientRect();
  AdjustClientRect(c);
  Integer dx = 0, dy = 0;
  if (!FFocusing) {
    R.Right = R.Left + std::min(R.Width(), c.Width());
    R.Bottom = R.Top + std::min(R.Height(), c.Height());
  }
  if (c.Width() >= R.Width()) {
    if (R.Left < c.Left)
      dx = c.Left - R.Left;
    else if (R.Right > c.Right)
      dx = c.Right - R.Right;
  }
  if (c.Height() >= R.Height()) {
    if (R.Top < c.Top)
      dy = c.Top - R.Top;
    else if (R.Bottom > c.Bottom)
      dy = c.Bottom - R.Bottom;
  }
  ScrollBy(dx, dy);
}

void TZCLScrollBox::DeclareProperties(TClassDeclaration<TZCLScrollBox>& D) {
  D.Property(u"Borders", &TZCLScrollBox::GetBorders, &TZCLScrollBox::SetBorders).Default(bsSingle);
  D.Property(u"ResourceCollection", &TZCLScrollBox::GetResourceCollection, &TZCLScrollBox::SetResourceCollection);
  D.Property(u"Style", &TZCLScrollBox::GetStyle, &TZCLScrollBox::SetStyle);
  D.Property(u"Transparent", &TZCLScrollBox::GetTransparent, &TZCLScrollBox::SetTransparent).Default(false);
  D.Event(u"OnCustomDraw", &TZCLScrollBox::OnCustomDraw);
}

void RegisterScrollBoxClasses() {
  RegisterProperties<TZCLScrollBoxStyle>();
  RegisterProperties<TZCLScrollBox>();
  RegisterClasses({TZCLScrollBoxStyle::StaticClass(), TZCLScrollBox::StaticClass()});
}
