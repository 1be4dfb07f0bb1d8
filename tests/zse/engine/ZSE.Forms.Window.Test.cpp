#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "os/OS.Gdi.h"
#include "os/OS.Regions.h"
#include "os/OS.Surface.h"
#include "os/OS.Windows.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zse/engine/ZSE.Forms.h"
#include "zse/engine/ZSE.RenderBuffer.h"

namespace {

// A skin form whose left half is opaque red and right half transparent, with one
// half-transparent column at x = 30.
class TPatternForm : public TZSEForm {
  ZCL_CLASS(TPatternForm, TZSEForm)
 public:
  using TZSEForm::TZSEForm;
  Integer Paints = 0;

 protected:
  void PaintLayout(TZSERenderBuffer* Buffer) override {
    ++Paints;
    const Integer w = Buffer->GetWidth();
    Buffer->FillRect(TRect(0, 0, w / 2, Buffer->GetHeight()), 0xFFFF0000);
    Buffer->FillRect(TRect(30, 0, 31, Buffer->GetHeight()), 0x80008000);
  }
};

TZCLDib* MakeAlphaImage(Integer W, Integer H, const std::vector<Byte>& Alpha) {
  auto* dib = new TZCLDib(W, H);
  dib->BeginAccess();
  for (Integer i = 0; i < W * H; ++i) dib->GetColors()[i] = {0, 0, 0, Alpha[static_cast<size_t>(i)]};
  dib->EndAccess();
  return dib;
}

bool Inside(HRGN R, Integer X, Integer Y) { return PtInRegion(R, X, Y) != 0; }

TEST(ZseFormWindow, RegionFromAlphaIsTheUnionOfOpaqueRuns) {
  struct TCase {
    const char* Name;
    Integer W, H;
    std::vector<Byte> Alpha;
    std::vector<TPoint> In, Out;
    TRect Box;
  };
  const std::vector<TCase> cases = {
      {"all transparent", 3, 2, {0, 127, 0, 5, 0, 0}, {{0, 0}}, {{1, 0}, {2, 1}}, TRect(0, 0, 1, 1)},
      {"threshold 128 inside, 127 outside", 3, 1, {127, 128, 255}, {{1, 0}, {2, 0}}, {{0, 0}}, TRect(1, 0, 3, 1)},
      {"run closed at the row's end", 4, 2, {0, 0, 200, 200, 255, 0, 0, 255}, {{2, 0}, {3, 0}, {0, 1}, {3, 1}},
       {{1, 0}, {1, 1}, {2, 1}}, TRect(0, 0, 4, 2)},
  };
  for (const TCase& c : cases) {
    std::unique_ptr<TZCLDib> dib(MakeAlphaImage(c.W, c.H, c.Alpha));
    HRGN r = ZSECreateRegionFromAlpha(dib.get());
    for (TPoint p : c.In) EXPECT_TRUE(Inside(r, p.X, p.Y)) << c.Name << " " << p.X << "," << p.Y;
    for (TPoint p : c.Out) EXPECT_FALSE(Inside(r, p.X, p.Y)) << c.Name << " " << p.X << "," << p.Y;
    TRect box;
    GetRgnBox(r, &box);
    EXPECT_EQ(box, c.Box) << c.Name;
    DeleteObject(r);
  }
  HRGN none = ZSECreateRegionFromAlpha(nullptr);
  TRect box;
  GetRgnBox(none, &box);
  EXPECT_EQ(box, TRect(0, 0, 1, 1));
  DeleteObject(none);
}

struct FormWindowFixture : ::testing::Test {
  void SetUp() override {
    TZSEBaseForm::SetUseLayeredWindows(true);
    Form = TCustomForm::CreateNew<TPatternForm>(nullptr);
    Form->SetBounds(50, 40, 40, 20);
  }
  void TearDown() override {
    Free(Form);
    TZSEBaseForm::SetUseLayeredWindows(true);
  }
  TPatternForm* Form = nullptr;
};

TEST_F(FormWindowFixture, LayeredFormPresentsItsPixelsWithAlpha) {
  Form->SetVisible(true);
  Form->UpdateContent(true);
  const HWND h = Form->GetHandle();
  EXPECT_TRUE(GetWindowLong(h, GWL_EXSTYLE) & LONG(WS_EX_LAYERED));
  EXPECT_EQ(Form->GetWindowShapeState(), 2);
  EXPECT_TRUE(Form->GetPresented());
  const TSurface* shown = GetWindowSurface(h);
  ASSERT_NE(shown, nullptr);
  ASSERT_EQ(shown->GetWidth(), 40);
  EXPECT_EQ(shown->GetPixel(0, 0) >> 24, 255u);    // opaque half
  EXPECT_EQ(shown->GetPixel(25, 5) >> 24, 0u);     // transparent half
  EXPECT_EQ(shown->GetPixel(30, 5) >> 24, 0x80u);  // the column keeps its own alpha

  // A lower opacity reaches the next presentation; nothing is painted twice for it.
  const Integer paints = Form->Paints;
  Form->SetAlphaValue(128);
  Form->UpdateContent(false);
  EXPECT_EQ(Form->Paints, paints + 1);
  EXPECT_TRUE(Form->GetPresented());
}

TEST_F(FormWindowFixture, WithoutLayeredWindowsTheRegionFollowsTheAlpha) {
  TZSEBaseForm::SetUseLayeredWindows(false);
  Form->SetVisible(true);
  Form->UpdateContent(true);
  const HWND h = Form->GetHandle();
  EXPECT_FALSE(GetWindowLong(h, GWL_EXSTYLE) & LONG(WS_EX_LAYERED));
  EXPECT_EQ(Form->GetWindowShapeState(), 1);
  HRGN r = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(h, r), 0);
  EXPECT_TRUE(Inside(r, 0, 0));
  EXPECT_TRUE(Inside(r, 19, 19));
  EXPECT_TRUE(Inside(r, 30, 5));   // alpha 0x80 = 128 belongs to the shape
  EXPECT_FALSE(Inside(r, 20, 0));
  EXPECT_FALSE(Inside(r, 31, 0));
  DeleteObject(r);

  // Switching back: layered again, the region removed.
  TZSEBaseForm::SetUseLayeredWindows(true);
  Form->UpdateContent(true);
  EXPECT_EQ(Form->GetWindowShapeState(), 2);
  EXPECT_TRUE(GetWindowLong(h, GWL_EXSTYLE) & LONG(WS_EX_LAYERED));
}

TEST_F(FormWindowFixture, PaintingIsCollectedUntilTheOutermostEndPaint) {
  Form->SetVisible(true);
  Form->UpdateContent(true);
  const Integer paints = Form->Paints;
  Form->BeginPaint();
  Form->InvalidateContent(TRect(0, 0, 5, 5));
  Form->InvalidateContent(TRect(30, 10, 35, 15));
  Form->UpdateContent(false);
  Form->EndPaint();
  EXPECT_EQ(Form->Paints, paints + 1);
  // Windows are never larger than 8200 pixels; neither is the buffer.
  Form->SetBounds(0, 0, 9000, 10);
  Form->UpdateContent(true);
  EXPECT_EQ(Form->GetRenderBuffer()->GetWidth(), 8200);
}

}  // namespace

namespace {

TEST_F(FormWindowFixture, AZoomedFormRendersSmallerAndShowsStretched) {
  Form->SetVisible(true);
  Form->SetZoom(2, 1);
  ASSERT_NE(Form->GetZoomBuffer(), nullptr);
  EXPECT_EQ(Form->GetRenderBuffer()->GetWidth(), 20);
  EXPECT_EQ(Form->GetRenderBuffer()->GetHeight(), 10);
  EXPECT_EQ(Form->GetZoomBuffer()->GetWidth(), 40);
  EXPECT_EQ(Form->GetContentRect(), TRect(0, 0, 20, 10));
  const TSurface* shown = GetWindowSurface(Form->GetHandle());
  ASSERT_NE(shown, nullptr);
  ASSERT_EQ(shown->GetWidth(), 40);
  EXPECT_EQ(shown->GetPixel(18, 5) >> 24, 255u) << "the opaque half of the content covers half the window";
  EXPECT_EQ(shown->GetPixel(30, 5) >> 24, 0u);
  EXPECT_EQ(Form->ClientToContent(TPoint(30, 14)), TPoint(15, 7));
  // Equal scales: the zoom buffer goes.
  Form->SetZoom(3, 3);
  EXPECT_EQ(Form->GetZoomBuffer(), nullptr);
  EXPECT_EQ(Form->GetRenderBuffer()->GetWidth(), 40);
}

TEST_F(FormWindowFixture, NothingIsPresentedWhileASkinLoads) {
  Form->SetVisible(true);
  Form->UpdateContent(true);
  Form->Notify(ZSEFormNotifySkinUnloading);
  EXPECT_TRUE(Form->GetLoading());
  EXPECT_TRUE(Form->GetRenderBuffer()->Empty());  // memory let go
  const Integer paints = Form->Paints;
  Form->InvalidateContent();
  Form->UpdateContent(true);
  EXPECT_EQ(Form->Paints, paints);
  Form->Notify(ZSEFormNotifySkinLoaded);
  EXPECT_FALSE(Form->GetLoading());
  EXPECT_EQ(Form->Paints, paints + 1);
  EXPECT_TRUE(Form->GetPresented());
}

}  // namespace
