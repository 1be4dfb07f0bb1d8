#include "zcl/ui/controls/ZCL.UI.MagnifierGlass.h"

#include <algorithm>

#include "os/OS.Screen.h"
#include "os/OS.Timers.h"
#include "zcl/base/ZCL.Colors.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"
#include "zcl/ui/ZCL.Utils.Desktop.h"

namespace {

TZCLPixel32 PixelOf(TColor Color) {
  return TZCLPixel32{Byte((Color >> 16) & 0xFF), Byte((Color >> 8) & 0xFF), Byte(Color & 0xFF), 255};
}

// Fills the part of R inside the image.
void FillPixels(TZCLDib* Image, TRect R, TZCLPixel32 Pixel) {
  R.Left = std::max(R.Left, 0);
  R.Top = std::max(R.Top, 0);
  R.Right = std::min(R.Right, Image->GetWidth());
  R.Bottom = std::min(R.Bottom, Image->GetHeight());
  for (Integer y = R.Top; y < R.Bottom; ++y)
    for (Integer x = R.Left; x < R.Right; ++x) Image->GetColors()[Image->CoordToIndex(x, y)] = Pixel;
}

}  // namespace

TColor ContrastingColor(TColor Color) {
  Byte h, s, l;
  TZCLColors::ColorToHSLBytes(Color, h, s, l);
  return TZCLColors::HSLToColorBytes(Byte(h + 128), 255, 128);
}

void TZCLStyleMagnifierGlass::DeclareProperties(TClassDeclaration<TZCLStyleMagnifierGlass>& D) {
  D.Property(u"ColorGridLine", 4, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
}

void TZCLStyleMagnifierGlass::InitializeResources() {
  inherited::InitializeResources();
  GetColor(4)->InitializeAsRef(u"Common.Colors.Text", false);
}

TZCLMagnifierGlass::TZCLMagnifierGlass(TComponent* AOwner) : TZCLContainer(AOwner) {
  FImage = new TZCLDib();
  SetDoubleBuffered(true);
}

TZCLMagnifierGlass::~TZCLMagnifierGlass() { delete FImage; }

void TZCLMagnifierGlass::AfterConstruction() {
  inherited::AfterConstruction();
  Recalculate();
}

void TZCLMagnifierGlass::Loaded() {
  inherited::Loaded();
  Recalculate();
}

void TZCLMagnifierGlass::DeclareProperties(TClassDeclaration<TZCLMagnifierGlass>& D) {
  D.Property(u"ShowGridLines", &TZCLMagnifierGlass::GetShowGridLines, &TZCLMagnifierGlass::SetShowGridLines)
      .Default(true);
  D.Property(u"Style", &TZCLMagnifierGlass::GetMagnifierStyle, &TZCLMagnifierGlass::SetMagnifierStyle);
  D.Property(u"Zoom", &TZCLMagnifierGlass::GetZoom, &TZCLMagnifierGlass::SetZoom).Default(2);
  D.Event(u"OnUpdate", &TZCLMagnifierGlass::OnUpdate);
}

TZCLStyleBackground* TZCLMagnifierGlass::CreateStyle() {
  return Create<TZCLStyleMagnifierGlass>(static_cast<TObject*>(this));
}

Integer TZCLMagnifierGlass::CellSize() const { return std::max(1, ScaleByDPI(FZoom, GetCurrentPPI())); }

void TZCLMagnifierGlass::SetZoom(Integer Value) {
  Value = std::clamp(Value, 2, 50);
  if (Value == FZoom) return;
  FZoom = Value;
  Recalculate();
  Invalidate();
}

void TZCLMagnifierGlass::SetShowGridLines(bool Value) {
  if (Value == FShowGridLines) return;
  FShowGridLines = Value;
  Invalidate();
}

void TZCLMagnifierGlass::Recalculate() {
  if (!FImage) return;
  const Integer z = CellSize();
  FCellsX = GetWidth() / z;
  FCellsY = GetHeight() / z;
  FImage->Resize(FCellsX * z, FCellsY * z);
}

void TZCLMagnifierGlass::BoundsChanged() {
  inherited::BoundsChanged();
  Recalculate();
}

void TZCLMagnifierGlass::SetTargetDPI(Integer DPI) {
  inherited::SetTargetDPI(DPI);
  Recalculate();
}

void TZCLMagnifierGlass::CreateWnd() {
  inherited::CreateWnd();
  SetTimer(GetHandle(), TimerID, TimerInterval, nullptr);
}

void TZCLMagnifierGlass::DestroyWnd() {
  if (HandleAllocated()) KillTimer(GetHandle(), TimerID);
  inherited::DestroyWnd();
}

void TZCLMagnifierGlass::WndProc(TMessage& Message) {
  if (Message.Msg == WM_TIMER && Message.WParam == TimerID) {
    if (OnUpdate) OnUpdate(this);
    Invalidate();
    return;
  }
  inherited::WndProc(Message);
}

void TZCLMagnifierGlass::Paint() {
  Compose(GetMouseCursorPos());
  if (!FImage->Empty()) FImage->DrawCopy(GetCanvas(), TPoint(0, 0));
}

void TZCLMagnifierGlass::Compose(const TPoint& Cursor) {
  if (FImage->Empty()) return;
  const Integer z = CellSize();
  const Integer width = FImage->GetWidth(), height = FImage->GetHeight();
  FImage->BeginAccess();
  if (GetComponentState().Contains(csDesigning)) {
    FillPixels(FImage, FImage->ClientRect(), PixelOf(GetStyle()->GetColorContent1()->GetAsColor()));
  } else {
    // Each screen pixel becomes one z x z cell; the cursor's pixel is the cell just left of and
    // above the middle.
    const TRect source(Cursor.X - FCellsX / 2 + 1, Cursor.Y - FCellsY / 2 + 1, Cursor.X - FCellsX / 2 + 1 + FCellsX,
                       Cursor.Y - FCellsY / 2 + 1 + FCellsY);
    const std::vector<uint32_t> screen = ReadScreenPixels(source);
    for (Integer y = 0; y < height; ++y)
      for (Integer x = 0; x < width; ++x) {
        const uint32_t p = screen[size_t(y / z) * size_t(FCellsX) + size_t(x / z)];
        FImage->GetColors()[FImage->CoordToIndex(x, y)] =
            TZCLPixel32{Byte(p & 0xFF), Byte((p >> 8) & 0xFF), Byte((p >> 16) & 0xFF), 255};
      }
  }
  if (FZoom > 2 && FShowGridLines) {
    const TZCLPixel32 line = PixelOf(GetMagnifierStyle()->GetColorGridLine()->GetAsColor());
    auto widthOf = [z](Integer Index) { return Index % 10 != 0 ? 0 : (z >= 20 ? 1 : 0) + (z > 4 ? 1 : 0); };
    for (Integer i = 0; i < width / z; ++i)
      FillPixels(FImage, TRect(i * z - widthOf(i), 0, i * z + widthOf(i) + 1, GetHeight()), line);
    for (Integer i = 0; i < height / z; ++i)
      FillPixels(FImage, TRect(0, i * z - widthOf(i), GetWidth(), i * z + widthOf(i) + 1), line);
  }
  const Integer cx = width / (2 * z) * z - z / 2, cy = height / (2 * z) * z - z / 2;
  if (cx >= 0 && cy >= 0 && cx < width && cy < height) {
    const TZCLPixel32 p = FImage->GetColors()[FImage->CoordToIndex(cx, cy)];
    FCursorColor = TColor(p.R | (p.G << 8) | (p.B << 16));
    const TZCLPixel32 pen = PixelOf(ContrastingColor(FCursorColor));
    const Integer r = ScaleByDPI(6, GetCurrentPPI());
    FillPixels(FImage, TRect(cx - r + 1, cy, cx + r, cy + 1), pen);
    FillPixels(FImage, TRect(cx, cy - r + 1, cx + 1, cy + r), pen);
  }
  FImage->EndAccess();
}

void RegisterMagnifierGlassClasses() {
  RegisterProperties<TZCLStyleMagnifierGlass>();
  RegisterProperties<TZCLMagnifierGlass>();
  RegisterClasses({TZCLStyleMagnifierGlass::StaticClass(), TZCLMagnifierGlass::StaticClass()});
}
