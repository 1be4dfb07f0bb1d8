#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "os/backends/headless/OS.Headless.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.ImgList.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/ui/controls/ZCL.UI.Panels.h"

namespace {

using namespace testskin;

constexpr Integer kProgress = 20;

uint32_t Rgb(TColor C) { return uint32_t(((C & 0xFF) << 16) | (C & 0xFF00) | ((C >> 16) & 0xFF)); }

// A shown borderless form at (100, 100) of 300 x 200 with the test skin.
class PanelsFormTest : public ::testing::Test {
 public:
  void SetUp() override {
    Skin.Add(u"ProgressBar.Texture", kProgress, 25, 18, 3);
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBounds(100, 100, 300, 200);
    Form->SetBorderStyle(bsNone);
  }
  void Show() {
    Form->Show();
    Headless::RunUntilIdle();
  }
  uint32_t Pixel(Integer X, Integer Y) { return Headless::WindowPixel(Form->GetHandle(), TPoint(X, Y)) & 0xFFFFFF; }
  TZCLProgressBar* NewProgressBar(Integer Width) {
    auto* bar = Create<TZCLProgressBar>(Form.get());
    bar->SetResourceCollection(Skin.Get());
    bar->SetParent(Form.get());
    bar->SetBounds(10, 10, Width, 18);
    return bar;
  }

  TTestSkin Skin;
  TOwned<TForm> Form;
};

TEST_F(PanelsFormTest, ProgressBarFillsItsFractionOfTheContent) {
  TZCLProgressBar* bar = NewProgressBar(102);  // content 100 wide
  struct TCase {
    Single Min, Max, Progress;
    Integer Width;
  } cases[] = {
      {0, 0, 50, 50},                                                         // no range set: 100
      {0, 200, 50, 25}, {10, 20, 15, 50}, {0, 10, 5.5f, 55}, {0, 10, -1, 0},  // below Min: no bar
      {0, 10, 30, 300},  // above Max: wider than the content, clipped when drawn
  };
  for (const TCase& c : cases) {
    bar->SetMin(0);
    bar->SetMax(0);
    bar->SetMax(c.Max);
    bar->SetMin(c.Min);
    bar->SetProgress(c.Progress);
    TRect main, wrap;
    bar->GetBarRects(main, wrap);
    EXPECT_EQ(main.Width(), c.Width) << c.Min << ".." << c.Max << " at " << c.Progress;
    if (c.Width) EXPECT_EQ(main.Left, 1);
    EXPECT_TRUE(wrap.IsEmpty());
  }
  // Painted: bar frame inside the content, background at the 1-pixel edges and past the bar.
  bar->SetMax(0);
  bar->SetMin(0);
  bar->SetProgress(50);
  Show();
  EXPECT_EQ(Pixel(10, 19), Rgb(FrameColor(kProgress, 0)));
  EXPECT_EQ(Pixel(11, 19), Rgb(FrameColor(kProgress, 1)));
  EXPECT_EQ(Pixel(60, 19), Rgb(FrameColor(kProgress, 1)));
  EXPECT_EQ(Pixel(61, 19), Rgb(FrameColor(kProgress, 0)));
  bar->SetMax(10);
  bar->SetProgress(30);
  Headless::RunUntilIdle();
  EXPECT_EQ(Pixel(110, 19), Rgb(FrameColor(kProgress, 1)));
  EXPECT_EQ(Pixel(111, 19), Rgb(FrameColor(kProgress, 0)));  // the clip keeps the right edge
  bar->SetEnabled(false);
  Headless::RunUntilIdle();
  EXPECT_EQ(Pixel(50, 19), Rgb(FrameColor(kProgress, 2)));
}

TEST_F(PanelsFormTest, ProgressBarSettersKeepTheRangeOrderedAndIgnoreADisabledBar) {
  TZCLProgressBar* bar = NewProgressBar(100);
  bar->SetMax(10);
  bar->SetMin(20);
  EXPECT_EQ(bar->GetMax(), 20);
  bar->SetMax(5);
  EXPECT_EQ(bar->GetMin(), 5);

  bar->SetWaitingMode(true);
  EXPECT_TRUE(bar->GetTimer()->GetEnabled());
  bar->SetProgress(0);
  EXPECT_TRUE(bar->GetWaitingMode());
  bar->SetProgress(1);
  EXPECT_FALSE(bar->GetWaitingMode());
  EXPECT_FALSE(bar->GetTimer()->GetEnabled());

  bar->SetEnabled(false);
  bar->SetProgress(3);
  bar->SetMax(50);
  bar->SetMin(-5);
  EXPECT_EQ(bar->GetProgress(), 1);
  EXPECT_EQ(bar->GetMax(), 5);
  EXPECT_EQ(bar->GetMin(), 5);

  bar->SetHeight(40);
  EXPECT_EQ(bar->GetHeight(), 18);
  EXPECT_EQ(bar->GetTimer()->GetInterval(), 30u);
}

TEST_F(PanelsFormTest, WaitingChunkRunsAcrossAndWrapsAtBothEnds) {
  TZCLProgressBar* bar = NewProgressBar(100);  // chunk 30, half 15
  bar->SetWaitingMode(true);
  TRect main, wrap;
  bar->GetBarRects(main, wrap);
  EXPECT_EQ(main, TRect(-15, 0, 15, 18));
  EXPECT_EQ(wrap, TRect(85, 0, 115, 18));  // re-entering at the right
  Show();
  for (Integer i = 0; i < 10; ++i) {
    Headless::Advance(30);
    Headless::RunUntilIdle();
  }
  EXPECT_EQ(bar->GetWaitingPos(), 50);
  bar->GetBarRects(main, wrap);
  EXPECT_EQ(main, TRect(35, 0, 65, 18));
  EXPECT_TRUE(wrap.IsEmpty());
  for (Integer i = 0; i < 9; ++i) {
    Headless::Advance(30);
    Headless::RunUntilIdle();
  }
  EXPECT_EQ(bar->GetWaitingPos(), 95);
  bar->GetBarRects(main, wrap);
  EXPECT_EQ(wrap, TRect(-20, 0, 10, 18));  // leaving at the right, entering at the left
  for (Integer i = 0; i < 2; ++i) {
    Headless::Advance(30);
    Headless::RunUntilIdle();
  }
  EXPECT_EQ(bar->GetWaitingPos(), 0);  // past the width it starts again
}

TEST_F(PanelsFormTest, ImageBoxSwitchesPictureClassesByName) {
  auto* box = Create<TZCLImageBox>(Form.get());
  box->SetParent(Form.get());
  box->SetBounds(0, 0, 40, 30);
  box->SetAutoSize(true);
  EXPECT_EQ(box->GetPictureClassName(), u"");
  EXPECT_TRUE(box->GetImageRect().IsEmpty());

  TOwned<TImageList> images(Create<TImageList>(static_cast<TComponent*>(nullptr)));
  images->SetSize(16, 16);
  box->SetPictureClassName(u"TZCLImagePictureImageList");
  auto* picture = static_cast<TZCLImagePictureImageList*>(box->GetPicture());
  picture->SetImages(images.get());
  EXPECT_TRUE(picture->IsEmpty());
  EXPECT_EQ(box->GetWidth(), 40);  // an empty picture does not size the box
  EXPECT_EQ(picture->GetDescription(), u"ImageList");
  picture->SetImageIndex(0);
  EXPECT_EQ(box->GetWidth(), 16);
  EXPECT_EQ(box->GetHeight(), 16);

  // Freeing the list clears the picture's reference.
  images.reset();
  EXPECT_EQ(picture->GetImages(), nullptr);

  EXPECT_THROW(box->SetPictureClassName(u"TNoSuchPicture"), EClassNotFound);
  box->SetPictureClassName(u"TZCLImagePictureGlyph");
  EXPECT_EQ(box->GetPicture()->GetDescription(), u"Glyph");
  EXPECT_TRUE(box->GetPicture()->IsEmpty());
  box->SetPictureClassName(u"");
  EXPECT_EQ(box->GetPicture(), nullptr);
}

TEST_F(PanelsFormTest, ImageBoxFitsTheGlyphAndCopiesAnotherBoxsPicture) {
  auto* box = Create<TZCLImageBox>(Form.get());
  box->SetParent(Form.get());
  box->SetBounds(0, 0, 100, 50);
  box->SetPictureClass(TZCLImagePictureGlyph::StaticClass());
  TZCLGlyph* glyph = static_cast<TZCLImagePictureGlyph*>(box->GetPicture())->GetGlyph();
  FillFrames(glyph, 30, 20, 10, 1);
  EXPECT_EQ(box->GetPicture()->GetSize(), TSize(20, 10));
  EXPECT_EQ(box->GetImageRect(), TRect(0, 0, 100, 50));  // proportional stretch fills 2:1
  box->SetFitMode(afmNormal);
  EXPECT_EQ(box->GetImageRect(), TRect(40, 20, 60, 30));
  Show();
  EXPECT_EQ(Pixel(50, 25), Rgb(FrameColor(30, 0)));
  EXPECT_NE(Pixel(30, 25), Rgb(FrameColor(30, 0)));

  auto* other = Create<TZCLImageBox>(Form.get());
  other->SetPicture(box->GetPicture());
  ASSERT_NE(other->GetPicture(), nullptr);
  EXPECT_NE(other->GetPicture(), box->GetPicture());
  EXPECT_EQ(other->GetPictureClassName(), u"TZCLImagePictureGlyph");
  EXPECT_EQ(other->GetPicture()->GetSize(), TSize(20, 10));
}

TEST_F(PanelsFormTest, BevelDrawsOnlyTheChosenSides) {
  auto* bevel = Create<TZCLBevel>(Form.get());
  bevel->SetParent(Form.get());
  bevel->SetBounds(20, 20, 100, 40);
  const uint32_t line = Rgb(bevel->GetStyle()->GetColorBorder1()->GetAsColor());
  struct TCase {
    TZCLBevelBorderStyle Style;
    TZCLBorders Borders;
    bool Top, Bottom, Left;
  } cases[] = {
      {bbsSimple, TZCLBorders{mTop, mBottom}, true, true, false},
      {bbs3D, TZCLBorders{mLeft}, false, false, true},
      {bbsRounded, TZCLBorders{mTop}, true, false, false},
      {bbsNone, TZCLBorders{mLeft, mTop, mRight, mBottom}, false, false, false},
  };
  Show();
  const uint32_t back = Pixel(150, 150);
  ASSERT_NE(line, back);
  for (const TCase& c : cases) {
    bevel->GetStyle()->SetBorderStyle(c.Style);
    bevel->GetStyle()->SetBorders(c.Borders);
    Form->Repaint();
    Headless::RunUntilIdle();
    EXPECT_EQ(Pixel(70, 20) == line, c.Top) << int(c.Style);
    EXPECT_EQ(Pixel(70, 59) == line, c.Bottom) << int(c.Style);
    EXPECT_EQ(Pixel(20, 40) == line, c.Left) << int(c.Style);
  }
  // The rounded top edge: its corners are cut, the clip hides the sides pushed outward.
  bevel->GetStyle()->SetBorderStyle(bbsRounded);
  Form->Repaint();
  Headless::RunUntilIdle();
  EXPECT_NE(Pixel(20, 20), line);
  EXPECT_EQ(Pixel(21, 39), back);
}

TEST_F(PanelsFormTest, CategoryPlacesChildrenUnderItsHeader) {
  auto* category = Create<TZCLCategory>(Form.get());
  category->SetParent(Form.get());
  category->SetBounds(0, 0, 200, 150);
  category->SetCaption(u"Options");
  auto* child = Create<TZCLPanel>(Form.get());
  child->SetParent(category);
  child->SetAlign(alClient);
  Show();
  TZCLStyleCategory* style = category->GetStyle();
  TCanvas* canvas = MeasureCanvas();
  style->GetHeaderTextFont()->AssignTo(canvas->GetFont());
  const Integer header = std::max(CanvasTextSize(canvas, u"Qq").cy + 8, 22);
  EXPECT_EQ(style->GetHeaderHeight(), header);
  EXPECT_EQ(category->GetHeaderRect(), TRect(0, 0, 200, header));
  EXPECT_EQ(child->GetTop(), header + 1 + 5);
  EXPECT_EQ(child->GetLeft(), 2 + 5);
  // The header's frame is drawn in the first border colour.
  EXPECT_EQ(Pixel(100, 0), Rgb(style->GetColorBorder1()->GetAsColor()));
  EXPECT_EQ(Pixel(0, header / 2), Rgb(style->GetColorBorder1()->GetAsColor()));
}

TEST_F(PanelsFormTest, PanelReportsItsHandleAndPaint) {
  struct TLog {
    std::vector<std::string> Events;
    void Created(TObject*) { Events.push_back("create"); }
    void Destroyed(TObject*) { Events.push_back("destroy"); }
    void Painted(TObject*) { Events.push_back("paint"); }
  } log;
  auto* panel = Create<TZCLPanel>(Form.get());
  panel->OnHandleCreate = TNotifyEvent(&log, &TLog::Created);
  panel->OnHandleDestroy = TNotifyEvent(&log, &TLog::Destroyed);
  panel->OnPaint = TNotifyEvent(&log, &TLog::Painted);
  panel->SetParent(Form.get());
  Show();
  ASSERT_GE(log.Events.size(), 2u);
  EXPECT_EQ(log.Events[0], "create");
  EXPECT_EQ(log.Events.back(), "paint");
  panel->DestroyHandle();
  EXPECT_EQ(log.Events.back(), "destroy");
}

}  // namespace
