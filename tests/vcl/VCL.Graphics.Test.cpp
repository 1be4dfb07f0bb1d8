#include <gtest/gtest.h>

#include "os/OS.Codecs.h"
#include "os/OS.Fonts.h"
#include "os/OS.Gdi.h"
#include "rtl/RTL.Streams.h"
#include "vcl/VCL.Graphics.h"

namespace {

struct TEventLog {
  std::vector<int> Events;
  void Changing(TObject*) { Events.push_back(1); }
  void Changed(TObject*) { Events.push_back(2); }
  int Count() const { return int(Events.size()); }
};

// Straight BGRA of a bitmap pixel (rows are 32-bit, top-down).
uint32_t PixelAt(TBitmap& B, Integer X, Integer Y) { return static_cast<uint32_t*>(B.ScanLine(Y))[X]; }

TEST(FontTest, SizeAndHeightFollowThePixelsPerInch) {
  TFont font;
  EXPECT_EQ(font.GetSize(), TFont::DefaultSize);
  EXPECT_EQ(font.GetHeight(), -11);  // 8 pt at 96 DPI
  font.SetSize(12);
  EXPECT_EQ(font.GetHeight(), -16);
  font.SetHeight(20);  // a positive height is the cell height: size reads negative
  EXPECT_EQ(font.GetSize(), -15);
  font.SetPixelsPerInch(144);
  font.SetSize(10);
  EXPECT_EQ(font.GetHeight(), -20);
  // Assign keeps the point size when the resolutions differ.
  TFont at96;
  at96.Assign(&font);
  EXPECT_EQ(at96.GetHeight(), -13);
  EXPECT_EQ(at96.GetSize(), 10);
}

TEST(FontTest, ChangesNotifyOnceAndRenewTheHandle) {
  TFont font;
  TEventLog log;
  font.OnChange = TNotifyEvent(&log, &TEventLog::Changed);
  HFONT first = font.GetHandle();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(font.GetHandle(), first);
  font.SetStyle({fsBold});
  font.SetStyle({fsBold});  // unchanged: no notification
  font.SetName(u"");        // empty names are refused
  font.SetColor(clRed);
  EXPECT_EQ(log.Count(), 2);
  HFONT second = font.GetHandle();
  LOGFONTW lf{};
  ASSERT_GT(GetObject(second, sizeof(lf), &lf), 0);
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_EQ(lf.lfHeight, font.GetHeight());
}

TEST(BrushPenTest, PropertiesAndAssign) {
  TBrush brush;
  brush.SetStyle(TBrushStyle::bsClear);
  brush.SetColor(clRed);  // a colour makes a clear brush solid again
  EXPECT_EQ(brush.GetStyle(), TBrushStyle::bsSolid);
  TPen pen;
  pen.SetWidth(0);
  EXPECT_EQ(pen.GetWidth(), 1);
  pen.SetWidth(3);
  pen.SetColor(clBlue);
  TPen copy;
  copy.Assign(&pen);
  EXPECT_EQ(copy.GetWidth(), 3);
  EXPECT_EQ(copy.GetColor(), clBlue);
  EXPECT_THROW(copy.Assign(&brush), EConvertError);
}

class CanvasTest : public ::testing::Test {
 protected:
  TBitmap bitmap{20, 20};
  TCanvas* canvas = bitmap.GetCanvas();
};

TEST_F(CanvasTest, ShapesUseBrushAndPen) {
  canvas->GetBrush()->SetColor(clRed);
  canvas->FillRect(TRect(0, 0, 10, 10));
  EXPECT_EQ(canvas->GetPixel(5, 5), clRed);
  EXPECT_EQ(canvas->GetPixel(10, 10), clBlack);  // untouched: transparent black
  EXPECT_EQ(PixelAt(bitmap, 15, 15), 0u);

  canvas->GetPen()->SetColor(clBlue);
  canvas->GetBrush()->SetColor(clLime);
  canvas->Rectangle(10, 10, 20, 20);
  EXPECT_EQ(canvas->GetPixel(10, 10), clBlue);  // outline
  EXPECT_EQ(canvas->GetPixel(15, 15), clLime);  // interior
  EXPECT_EQ(PixelAt(bitmap, 15, 15), 0xFF00FF00u);

  canvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
  canvas->Rectangle(0, 0, 10, 10);  // a clear brush leaves the interior
  EXPECT_EQ(canvas->GetPixel(5, 5), clRed);
  EXPECT_EQ(canvas->GetPixel(0, 5), clBlue);

  canvas->MoveTo(0, 19);
  canvas->LineTo(10, 19);
  EXPECT_EQ(canvas->GetPixel(5, 19), clBlue);
  EXPECT_EQ(canvas->GetPenPos(), TPoint(10, 19));

  canvas->SetPixel(19, 0, clYellow);
  EXPECT_EQ(canvas->GetPixel(19, 0), clYellow);
  EXPECT_EQ(canvas->GetPixel(25, 0), clNone);
}

TEST_F(CanvasTest, TextMeasuresAndDraws) {
  canvas->GetFont()->SetColor(clWhite);
  canvas->GetBrush()->SetColor(clNavy);
  const TSize one = canvas->TextExtent(u"W");
  const TSize two = canvas->TextExtent(u"WW");
  EXPECT_GT(one.cx, 0);
  EXPECT_EQ(two.cx, 2 * one.cx);
  EXPECT_EQ(canvas->TextHeight(u"x"), one.cy);
  canvas->GetFont()->SetSize(16);
  EXPECT_GT(canvas->TextHeight(u"x"), one.cy);  // a font change reaches the DC

  canvas->TextRect(TRect(2, 2, 8, 8), 2, 2, u"W");
  EXPECT_EQ(PixelAt(bitmap, 7, 7) >> 24, 0xFFu);  // the opaque brush filled the rectangle
  EXPECT_EQ(PixelAt(bitmap, 9, 9), 0u);           // clipped to the rectangle
  canvas->TextOut(0, 10, u"W");
  EXPECT_EQ(canvas->GetPenPos().X, canvas->TextWidth(u"W"));
}

TEST_F(CanvasTest, ChangeEventsBracketDrawing) {
  TEventLog log;
  canvas->OnChanging = TNotifyEvent(&log, &TEventLog::Changing);
  canvas->OnChange = TNotifyEvent(&log, &TEventLog::Changed);
  canvas->FillRect(TRect(0, 0, 1, 1));
  canvas->TextExtent(u"a");  // measuring changes nothing
  EXPECT_EQ(log.Events, (std::vector<int>{1, 2}));
}

TEST(CanvasHandleTest, ForeignDCGetsItsObjectsBack) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, 8, 8);
  HGDIOBJ oldBitmap = SelectObject(dc, ToGdiObject(bitmap));
  const HGDIOBJ font = GetCurrentObject(dc, OBJ_FONT), brush = GetCurrentObject(dc, OBJ_BRUSH),
                pen = GetCurrentObject(dc, OBJ_PEN);
  {
    TCanvas canvas;
    canvas.SetHandle(dc);
    canvas.GetBrush()->SetColor(clRed);
    canvas.Rectangle(0, 0, 8, 8);
    EXPECT_EQ(GetPixel(dc, 4, 7), COLORREF(0));     // the pen's outline, black
    EXPECT_EQ(GetPixel(dc, 4, 4), COLORREF(0xFF));  // the brush, red
    canvas.TextOut(0, 0, u"x");
    canvas.GetFont()->SetSize(20);  // frees the selected font's handle
    canvas.TextOut(0, 0, u"x");
  }  // destroyed while attached
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen);
  SelectObject(dc, oldBitmap);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

TEST(CanvasLockTest, LockIsRecursiveAndCounted) {
  TCanvas canvas;
  canvas.Lock();
  canvas.Lock();
  EXPECT_TRUE(canvas.TryLock());
  EXPECT_EQ(canvas.GetLockCount(), 3);
  canvas.Unlock();
  canvas.Unlock();
  canvas.Unlock();
  canvas.Unlock();  // unbalanced: ignored
  EXPECT_EQ(canvas.GetLockCount(), 0);
  EXPECT_THROW(canvas.FillRect(TRect(0, 0, 1, 1)), EInvalidOperation);  // no DC
}

TEST(BitmapTest, SizeScanLineAndResizeKeepPixels) {
  TBitmap bitmap;
  EXPECT_TRUE(bitmap.GetEmpty());
  EXPECT_THROW(bitmap.ScanLine(0), EInvalidGraphic);
  bitmap.SetSize(4, 3);
  static_cast<uint32_t*>(bitmap.ScanLine(2))[3] = 0xFF112233u;
  bitmap.Modified();
  EXPECT_EQ(bitmap.GetCanvas()->GetPixel(3, 2), TColor(0x332211));
  EXPECT_THROW(bitmap.ScanLine(3), EInvalidGraphic);
  bitmap.SetSize(8, 8);
  EXPECT_EQ(PixelAt(bitmap, 3, 2), 0xFF112233u);
  EXPECT_EQ(PixelAt(bitmap, 7, 7), 0u);
  bitmap.GetCanvas()->GetBrush()->SetColor(clRed);
  bitmap.GetCanvas()->FillRect(TRect(6, 6, 8, 8));  // the canvas follows the new memory
  EXPECT_EQ(PixelAt(bitmap, 7, 7), 0xFFFF0000u);
  EXPECT_THROW(bitmap.SetSize(70000, 1), EInvalidGraphic);
  EXPECT_EQ(bitmap.GetWidth(), 8);
}

TEST(BitmapTest, AlphaFormatConvertsAndDrawBlends) {
  TBitmap source(2, 1);
  source.SetAlphaFormat(afDefined);
  auto* row = static_cast<uint32_t*>(source.ScanLine(0));
  row[0] = 0x80FF0000u;  // half-transparent red, straight
  row[1] = 0x00FFFFFFu;  // fully transparent
  source.Modified();

  TBitmap dest(4, 1);
  dest.GetCanvas()->GetBrush()->SetColor(clBlue);
  dest.GetCanvas()->FillRect(TRect(0, 0, 4, 1));
  dest.GetCanvas()->Draw(-1, 0, &source);  // partly outside: the visible part still blends
  dest.GetCanvas()->Draw(1, 0, &source);
  EXPECT_EQ(PixelAt(dest, 0, 0), 0xFF0000FFu);  // transparent pixel kept blue
  const uint32_t blended = PixelAt(dest, 1, 0);
  EXPECT_EQ(blended >> 24, 0xFFu);
  EXPECT_NEAR(int((blended >> 16) & 0xFF), 128, 2);
  EXPECT_NEAR(int(blended & 0xFF), 127, 2);

  source.SetAlphaFormat(afPremultiplied);
  EXPECT_EQ(PixelAt(source, 0, 0), 0x80800000u);
  EXPECT_TRUE(source.GetSupportsPartialTransparency());
  source.SetAlphaFormat(afIgnored);  // relabels only; drawing is now opaque
  EXPECT_FALSE(source.GetSupportsPartialTransparency());
  dest.GetCanvas()->Draw(2, 0, &source);
  EXPECT_EQ(PixelAt(dest, 2, 0), 0xFF800000u);
  EXPECT_EQ(PixelAt(dest, 3, 0), 0xFF000000u);
}

TEST(BitmapTest, AlphaDrawsPartlyOutsideTheTargetAreClipped) {
  TBitmap source(2, 1);
  source.SetAlphaFormat(afPremultiplied);
  auto* row = static_cast<uint32_t*>(source.ScanLine(0));
  row[0] = 0xFFFF0000u;
  row[1] = 0xFF00FF00u;
  source.Modified();
  TBitmap dest(4, 1);
  dest.GetCanvas()->StretchDraw(TRect(-2, 0, 2, 1), &source);  // stretched, left half outside
  EXPECT_EQ(PixelAt(dest, 0, 0), 0xFF00FF00u);
  EXPECT_EQ(PixelAt(dest, 1, 0), 0xFF00FF00u);
  EXPECT_EQ(PixelAt(dest, 2, 0), 0u);
  dest.GetCanvas()->Draw(3, 0, &source);  // right part outside
  EXPECT_EQ(PixelAt(dest, 3, 0), 0xFFFF0000u);
}

TEST(BitmapTest, TransparentBitmapLeavesOutItsKeyColour) {
  TBitmap source(2, 2);
  source.SetPixelFormat(TPixelFormat::pf24bit);
  source.GetCanvas()->GetBrush()->SetColor(clFuchsia);
  source.GetCanvas()->FillRect(TRect(0, 0, 2, 2));
  source.GetCanvas()->SetPixel(1, 0, clRed);
  source.SetTransparent(true);
  EXPECT_EQ(source.GetTransparentColor(), clFuchsia);

  TBitmap dest(2, 2);
  dest.GetCanvas()->GetBrush()->SetColor(clBlue);
  dest.GetCanvas()->FillRect(TRect(0, 0, 2, 2));
  dest.GetCanvas()->Draw(0, 0, &source);
  EXPECT_EQ(dest.GetCanvas()->GetPixel(0, 0), clBlue);
  EXPECT_EQ(dest.GetCanvas()->GetPixel(1, 0), clRed);
  EXPECT_EQ(dest.GetCanvas()->GetClipRect(), TRect(0, 0, 2, 2));
}

TEST(BitmapTest, BmpRoundTripAndBadData) {
  TBitmap bitmap(3, 2);
  bitmap.SetAlphaFormat(afDefined);
  static_cast<uint32_t*>(bitmap.ScanLine(1))[2] = 0x40102030u;
  bitmap.Modified();
  TMemoryStream stream;
  bitmap.SaveToStream(stream);
  stream.SetPosition(0);
  TBitmap loaded;
  loaded.LoadFromStream(stream);
  EXPECT_EQ(loaded.GetWidth(), 3);
  EXPECT_EQ(loaded.GetAlphaFormat(), afDefined);
  EXPECT_EQ(PixelAt(loaded, 2, 1), 0x40102030u);

  // Without meaningful alpha the file is opaque.
  bitmap.SetPixelFormat(TPixelFormat::pf24bit);
  TMemoryStream opaque;
  bitmap.SaveToStream(opaque);
  opaque.SetPosition(0);
  loaded.LoadFromStream(opaque);
  EXPECT_EQ(PixelAt(loaded, 2, 1), 0xFF102030u);

  const Byte junk[] = {'B', 'M', 1, 2, 3};
  TCustomMemoryStream bad(junk, sizeof(junk));
  EXPECT_THROW(loaded.LoadFromStream(bad), EInvalidGraphic);
  EXPECT_EQ(loaded.GetWidth(), 3);  // unchanged
}

TEST(BitmapTest, AssignCopiesPixelsAndFormats) {
  TBitmap a(2, 2);
  a.SetAlphaFormat(afPremultiplied);
  a.GetCanvas()->GetBrush()->SetColor(clRed);
  a.GetCanvas()->FillRect(TRect(0, 0, 1, 1));
  TBitmap b;
  b.Assign(&a);
  EXPECT_EQ(b.GetAlphaFormat(), afPremultiplied);
  EXPECT_EQ(PixelAt(b, 0, 0), 0xFFFF0000u);
  a.GetCanvas()->FillRect(TRect(0, 0, 2, 2));
  EXPECT_EQ(PixelAt(b, 1, 1), 0u);  // a copy, not shared
}

TEST(PictureTest, LoadsByExtensionAndSignature) {
  TBitmap bitmap(2, 2);
  TMemoryStream stream;
  bitmap.SaveToStream(stream);
  stream.SetPosition(0);
  TPicture picture;
  TEventLog log;
  picture.OnChange = TNotifyEvent(&log, &TEventLog::Changed);
  picture.LoadFromStream(stream);
  ASSERT_NE(dynamic_cast<TBitmap*>(picture.GetGraphic()), nullptr);
  EXPECT_EQ(picture.GetWidth(), 2);
  EXPECT_GE(log.Count(), 1);

  EXPECT_TRUE(TPicture::IsFileFormatRegistered(u".BMP"));
  EXPECT_THROW(picture.LoadFromFile(u"/nonexistent/file.xyz"), EInvalidGraphic);
  const Byte junk[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  TCustomMemoryStream bad(junk, sizeof(junk));
  EXPECT_THROW(picture.LoadFromStream(bad), EInvalidGraphic);
  EXPECT_EQ(picture.GetWidth(), 2);  // unchanged

  TPicture copy;
  copy.Assign(&picture);
  ASSERT_NE(copy.GetGraphic(), picture.GetGraphic());
  EXPECT_EQ(copy.GetBitmap()->GetHeight(), 2);
}

}  // namespace
