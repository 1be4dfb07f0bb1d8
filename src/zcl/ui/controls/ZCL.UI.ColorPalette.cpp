#include "zcl/ui/controls/ZCL.UI.ColorPalette.h"

#include <algorithm>

#include "os/OS.Gdi.h"
#include "rtl/RTL.Numbers.h"
#include "vcl/VCL.Forms.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"

// ---- items --------------------------------------------------------------------------------------

void TZCLColorPaletteItem::DeclareProperties(TClassDeclaration<TZCLColorPaletteItem>& D) {
  D.Property(u"Color", &TZCLColorPaletteItem::GetColor, &TZCLColorPaletteItem::SetColor).Default(0);
}

void TZCLColorPaletteItem::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TZCLColorPaletteItem*>(Source))
    SetColor(source->FColor);
  else
    inherited::Assign(Source);
}

void TZCLColorPaletteItem::SetColor(TAlphaColor Value) {
  if (FColor == Value) return;
  FColor = Value;
  Changed(false);
}

TZCLColorPaletteItems::TZCLColorPaletteItems(TZCLColorPalette* AOwner)
    : TCollection(TZCLColorPaletteItem::StaticClass()), FOwner(AOwner) {}

TPersistent* TZCLColorPaletteItems::GetOwner() const { return FOwner; }

TZCLColorPaletteItem* TZCLColorPaletteItems::Add(TAlphaColor Color) {
  BeginUpdate();
  auto* item = TCollection::Add<TZCLColorPaletteItem>();
  item->SetColor(Color);
  EndUpdate();
  return item;
}

void TZCLColorPaletteItems::Populate(TZCLColorPaletteStyle Style) {
  BeginUpdate();
  try {
    Clear();
    for (TAlphaColor c : Style == cpsOffice ? ColorPaletteOfficeColors() : ColorPaletteClassicColors()) Add(c);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TZCLColorPaletteItems::Update(TCollectionItem* Item) {
  inherited::Update(Item);
  if (FOwner) FOwner->ItemsChanged(Item == nullptr);
}

const std::vector<TAlphaColor>& ColorPaletteOfficeColors() {
  using H = TAlphaColorHelper;
  static const std::vector<TAlphaColor> colors = {
      H::FromARGB(255, 0, 0, 255),     H::FromARGB(255, 0, 255, 0),     H::FromARGB(255, 255, 0, 0),
      H::FromARGB(255, 255, 255, 0),   H::FromARGB(255, 255, 0, 255),   H::FromARGB(255, 0, 255, 255),
      H::FromARGB(255, 0, 0, 128),     H::FromARGB(255, 0, 128, 0),     H::FromARGB(255, 128, 0, 0),
      H::FromARGB(255, 128, 128, 0),   H::FromARGB(255, 128, 0, 128),   H::FromARGB(255, 0, 128, 128),
      H::FromARGB(255, 255, 255, 255), H::FromARGB(255, 128, 128, 128), H::FromARGB(255, 0, 0, 0),
  };
  return colors;
}

// The twenty static entries of the system's default logical palette, in palette order.
const std::vector<TAlphaColor>& ColorPaletteClassicColors() {
  using H = TAlphaColorHelper;
  static const std::vector<TAlphaColor> colors = {
      H::FromARGB(255, 0, 0, 0),       H::FromARGB(255, 128, 0, 0),     H::FromARGB(255, 0, 128, 0),
      H::FromARGB(255, 128, 128, 0),   H::FromARGB(255, 0, 0, 128),     H::FromARGB(255, 128, 0, 128),
      H::FromARGB(255, 0, 128, 128),   H::FromARGB(255, 192, 192, 192), H::FromARGB(255, 192, 220, 192),
      H::FromARGB(255, 166, 202, 240), H::FromARGB(255, 255, 251, 240), H::FromARGB(255, 160, 160, 164),
      H::FromARGB(255, 128, 128, 128), H::FromARGB(255, 255, 0, 0),     H::FromARGB(255, 0, 255, 0),
      H::FromARGB(255, 255, 255, 0),   H::FromARGB(255, 0, 0, 255),     H::FromARGB(255, 255, 0, 255),
      H::FromARGB(255, 0, 255, 255),   H::FromARGB(255, 255, 255, 255),
  };
  return colors;
}

// ---- options ------------------------------------------------------------------------------------

namespace {
constexpr TZCLPersistentChanges kLayoutChange = 1;
}

void TZCLColorPaletteOptionsView::DeclareProperties(TClassDeclaration<TZCLColorPaletteOptionsView>& D) {
  using C = TZCLColorPaletteOptionsView;
  D.Property(u"CellSize", &C::GetCellSize, &C::SetCellSize).Default(16);
  D.Property(u"CellSpacing", &C::GetCellSpacing, &C::SetCellSpacing).Default(-1);
  D.Property(u"Style", &C::GetStyle, &C::SetStyle).Default(cpsOffice);
  D.Property(u"StyleOfficeTintCount", &C::GetStyleOfficeTintCount, &C::SetStyleOfficeTintCount).Default(5);
}

void TZCLColorPaletteOptionsView::SetCellSize(Integer Value) {
  SetIntegerField(FCellSize, std::max(Value, 1), kLayoutChange);
}

void TZCLColorPaletteOptionsView::SetCellSpacing(Integer Value) {
  SetIntegerField(FCellSpacing, std::max(Value, -1), kLayoutChange);
}

void TZCLColorPaletteOptionsView::SetStyle(TZCLColorPaletteStyle Value) {
  if (FStyle == Value) return;
  FStyle = Value;
  Changed(kLayoutChange);
}

void TZCLColorPaletteOptionsView::SetStyleOfficeTintCount(Integer Value) {
  SetIntegerField(FStyleOfficeTintCount, EnsureRange(Value, 1, 10), kLayoutChange);
}

void TZCLColorPaletteOptionsView::DoAssign(TPersistent* Source) {
  auto* source = dynamic_cast<TZCLColorPaletteOptionsView*>(Source);
  if (!source) return inherited::DoAssign(Source);
  SetStyle(source->FStyle);
  SetCellSize(source->FCellSize);
  SetCellSpacing(source->FCellSpacing);
  SetStyleOfficeTintCount(source->FStyleOfficeTintCount);
}

void TZCLColorPaletteOptionsView::DoChanged(TZCLPersistentChanges) {
  if (FOwner) FOwner->ItemsChanged(true);
}

// ---- style --------------------------------------------------------------------------------------

void TZCLStyleColorPalette::DeclareProperties(TClassDeclaration<TZCLStyleColorPalette>& D) {
  D.Property(u"ColorBorder1", 0, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorBorder2", 1, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorHatch1", 2, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorHatch2", 3, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorSelectedBorder1", 4, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorSelectedBorder2", 5, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
}

void TZCLStyleColorPalette::InitializeResources() {
  GetColor(0)->InitializeAsRef(u"Common.Colors.Border1", false);
  GetColor(1)->InitializeAsRef(u"Common.Colors.Border2", false);
  GetColor(2)->InitializeAsColor(u"Common.Colors.Hatch1", clWhite);
  GetColor(3)->InitializeAsColor(u"Common.Colors.Hatch2", TColor(RGB(191, 191, 191)));
  GetColor(4)->InitializeAsRef(u"Common.Colors.Text", false);
  GetColor(5)->InitializeAsRef(u"Common.Colors.Border2", false);
}

// ---- view info ----------------------------------------------------------------------------------

TAlphaColor ColorPaletteTint(TAlphaColor Color, Integer Index, Integer Count) {
  using H = TAlphaColorHelper;
  Single h = 0, s = 0, l = 0;
  TZCLColors::RGBToHSL(H::GetComponent(Color, 2), H::GetComponent(Color, 1), H::GetComponent(Color, 0), h, s, l);
  const Single x = 1 - Single(Index + 1) / Single(Count + 1);
  // 0.49 rather than 0.5 keeps the darkest tints of dark colours apart from mid grey.
  const Single lightness = l >= 0.8f ? 0.8f + 0.2f * x : l >= 0.5f ? 0.5f + 0.5f * x : 0.49f * x;
  Byte r = 0, g = 0, b = 0;
  TZCLColors::HSLToRGB(h, s, lightness, r, g, b);
  return H::FromARGB(H::GetComponent(Color, 3), r, g, b);
}

void TZCLColorPaletteViewInfo::Calculate(const TRect& R) {
  FCells.clear();
  FWidth = FHeight = 0;
  TZCLColorPaletteOptionsView* o = FPalette->GetOptionsView();
  const Integer dpi = FPalette->GetCurrentPPI();
  const Integer b = ScaleByDPI(o->GetCellSize(), dpi);
  const Integer n = FPalette->GetItems()->GetCount();
  Integer s = 0;
  if (o->GetCellSpacing() >= 0)
    s = ScaleByDPI(o->GetCellSpacing(), dpi);
  else if (n >= 2)
    s = o->GetStyle() == cpsOffice ? (R.Width() - b * n) / (n - 1) : (R.Width() % b) / (n - 1);
  s = std::max(s, 0);
  if (o->GetStyle() == cpsOffice)
    CalculateOffice(R, b, s);
  else
    CalculateClassic(R, b, s);
}

void TZCLColorPaletteViewInfo::CalculateOffice(const TRect& R, Integer b, Integer s) {
  const Integer n = FPalette->GetItems()->GetCount();
  if (n == 0) return;
  const Integer tints = FPalette->GetOptionsView()->GetStyleOfficeTintCount();
  FWidth = b * n + (n - 1) * s;
  FHeight = b + s + tints * (b - 2) + 2;
  for (Integer i = 0; i < n; ++i) {
    const TAlphaColor color = FPalette->GetItems()->GetItem(i)->GetColor();
    const Integer left = R.Left + i * (b + s);
    FCells.push_back({color, TRect(left, R.Top, left + b, R.Top + b), {mLeft, mTop, mRight, mBottom}});
    if (color == claNone) continue;
    for (Integer k = 0; k < tints; ++k) {
      const Integer top = R.Top + b + s + k * (b - 2);
      TZCLBorders borders{mLeft, mRight};
      if (k == 0) borders.Include(mTop);
      if (k == tints - 1) borders.Include(mBottom);
      FCells.push_back({ColorPaletteTint(color, k, tints), TRect(left, top, left + b, top + b), borders});
    }
  }
}

void TZCLColorPaletteViewInfo::CalculateClassic(const TRect& R, Integer b, Integer s) {
  Integer x = R.Left, y = R.Top;
  for (Integer i = 0; i < FPalette->GetItems()->GetCount(); ++i) {
    if (x > R.Left && x + b > R.Right) {
      x = R.Left;
      y += b + s;
    }
    const TRect cell(x, y, x + b, y + b);
    FCells.push_back({FPalette->GetItems()->GetItem(i)->GetColor(), cell, {mLeft, mTop, mRight, mBottom}});
    FWidth = std::max(FWidth, cell.Right - R.Left);
    FHeight = std::max(FHeight, cell.Bottom - R.Top);
    x += b + s;
  }
}

void TZCLColorPaletteViewInfo::Draw(TCanvas* Canvas) {
  TZCLStyleColorPalette* style = FPalette->GetStyle();
  const HDC dc = Canvas->GetHandle();
  const int saved = SaveDC(dc);
  for (const TZCLColorPaletteItemViewInfo& cell : FCells) {
    DrawCheckerboard(dc, cell.Bounds, style->GetColorHatch1()->GetAsColor(), style->GetColorHatch2()->GetAsColor(), 4);
    FillRectAlpha(Canvas, cell.Bounds, cell.Color);
    DrawDoubleFrame(Canvas, cell.Bounds, style->GetColorBorder1()->GetAsColor(), style->GetColorBorder2()->GetAsColor(),
                    cell.Borders);
    if (cell.Color == FPalette->GetColor()) {
      DrawDoubleFrame(Canvas, cell.Bounds, style->GetColorSelectedBorder1()->GetAsColor(),
                      style->GetColorSelectedBorder2()->GetAsColor(), {mLeft, mTop, mRight, mBottom});
      // Later cells overlap by the frame; they must not paint over the selection.
      ExcludeClipRect(dc, cell.Bounds.Left, cell.Bounds.Top, cell.Bounds.Right, cell.Bounds.Bottom);
    }
  }
  RestoreDC(dc, saved);
}

const TZCLColorPaletteItemViewInfo* TZCLColorPaletteViewInfo::HitTest(const TPoint& P) const {
  for (const TZCLColorPaletteItemViewInfo& cell : FCells)
    if (cell.Bounds.Contains(P)) return &cell;
  return nullptr;
}

// ---- the control --------------------------------------------------------------------------------

TZCLColorPalette::TZCLColorPalette(TComponent* AOwner) : TZCLCustomControl(AOwner) {
  FStyle = Create<TZCLStyleColorPalette>(static_cast<TObject*>(this));
  FItems = new TZCLColorPaletteItems(this);
  FViewInfo = new TZCLColorPaletteViewInfo(this);
  FOptionsView = new TZCLColorPaletteOptionsView(this);
  SetDoubleBuffered(true);
  TControlStyle style = GetControlStyle();
  style.Exclude(csOpaque);
  SetControlStyle(style);
  FItems->Populate(cpsOffice);
}

TZCLColorPalette::~TZCLColorPalette() {
  Free(FOptionsView);
  FOptionsView = nullptr;
  delete FViewInfo;
  FViewInfo = nullptr;
  Free(FItems);
  FItems = nullptr;
  Free(FStyle);
}

void TZCLColorPalette::DeclareProperties(TClassDeclaration<TZCLColorPalette>& D) {
  using C = TZCLColorPalette;
  D.Property(u"Color", &C::GetColor, &C::SetColor).Default(0);
  D.Property(u"DoubleBuffered", &C::GetDoubleBuffered, &C::SetDoubleBuffered).Default(true);
  D.Property(u"FocusOnClick", &C::GetFocusOnClick, &C::SetFocusOnClick).Default(false);
  D.Property(u"Items", &C::GetItems, &C::SetItems);
  D.Property(u"OptionsView", &C::GetOptionsView, &C::SetOptionsView);
  D.Property(u"ResourceCollection", &C::GetResourceCollection, &C::SetResourceCollection);
  D.Property(u"Style", &C::GetStyle, &C::SetStyle);
  D.Event(u"OnColorChanged", &C::OnColorChanged);
}

void TZCLColorPalette::SetColor(TAlphaColor Value) {
  if (FColor == Value) return;
  FColor = Value;
  if (OnColorChanged) OnColorChanged(this);
  Invalidate();
}

bool TZCLColorPalette::CanAutoSize(Integer& NewWidth, Integer& NewHeight) {
  if (!FViewInfo || !FOptionsView) return false;
  FViewInfo->Calculate(TRect(0, 0, NewWidth, NewHeight));
  NewWidth = FViewInfo->GetWidth();
  NewHeight = FViewInfo->GetHeight();
  return true;
}

void TZCLColorPalette::ItemsChanged(bool Layout) {
  if (!FViewInfo || !FOptionsView || GetComponentState().Contains(csDestroying)) return;
  if (Layout) {
    // The grid's size is the control's size whatever AutoSize says.
    Integer w = GetWidth(), h = GetHeight();
    CanAutoSize(w, h);
    if (w != GetWidth() || h != GetHeight())
      SetBounds(GetLeft(), GetTop(), w, h);
  }
  // A changed colour keeps the layout but its cells take the new colour (and tints).
  FViewInfo->Calculate(TRect(0, 0, GetWidth(), GetHeight()));
  Invalidate();
}

void TZCLColorPalette::BoundsChanged() {
  inherited::BoundsChanged();
  if (!FViewInfo || !FOptionsView || GetComponentState().Contains(csDestroying)) return;
  Integer w = GetWidth(), h = GetHeight();
  CanAutoSize(w, h);
  if (w != GetWidth() || h != GetHeight()) SetBounds(GetLeft(), GetTop(), w, h);
}

void TZCLColorPalette::Paint() {
  inherited::Paint();
  FViewInfo->Draw(GetCanvas());
}

void TZCLColorPalette::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseDown(Button, Shift, X, Y);
  if (const TZCLColorPaletteItemViewInfo* cell = FViewInfo->HitTest(TPoint(X, Y))) SetColor(cell->Color);
}

void TZCLColorPalette::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseMove(Shift, X, Y);
  UpdateHotCell(TPoint(X, Y));
}

void TZCLColorPalette::MouseLeave() {
  inherited::MouseLeave();
  UpdateHotCell(TPoint(-1, -1));
}

void TZCLColorPalette::UpdateHotCell(const TPoint& P) {
  const TZCLColorPaletteItemViewInfo* cell = FViewInfo->HitTest(P);
  const Integer index = cell ? Integer(cell - FViewInfo->GetCells().data()) : -1;
  if (index == FHotCell) return;
  FHotCell = index;
  SetHint(cell ? TAlphaColorHelper::ToString(cell->Color) : String());
  if (Application) Application->CancelHint();
}

void TZCLColorPalette::SetTargetDPI(Integer Value) {
  inherited::SetTargetDPI(Value);
  FStyle->SetTargetDPI(Value);
}

void RegisterColorPaletteClasses() {
  RegisterProperties<TZCLColorPaletteItem>();
  RegisterProperties<TZCLColorPaletteOptionsView>();
  RegisterProperties<TZCLStyleColorPalette>();
  RegisterProperties<TZCLColorPalette>();
  RegisterClasses({TZCLColorPalette::StaticClass(), TZCLStyleColorPalette::StaticClass()});
}
