#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>

#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.EmbeddedResources.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Streaming.Text.h"
#include "rtl/RTL.Streaming.h"
#include "rtl/RTL.Streams.h"
#include "vcl/VCL.ActnList.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/graphics/ZCL.Graphics.SkinImage.h"
#include "zcl/ui/ZCL.UI.Application.h"
#include "zcl/ui/ZCL.UI.SkinImageSet.h"
#include "zcl/ui/controls/ZCL.UI.Insight.Button.h"
#include "zeph/core/ZEPH.Core.Background.h"

namespace {
template <class T>
using TOwned = std::unique_ptr<T, void (*)(TObject*)>;

// ---- the built-in images, drawn here -------------------------------------------------------------

uint32_t Pixel(double Coverage, uint32_t Rgb) {
  const auto alpha = static_cast<uint32_t>(std::lround(std::clamp(Coverage, 0.0, 1.0) * 255));
  return alpha ? (alpha << 24) | Rgb : 0;
}

// A disc with a play mark, then equalizer bars: 85 x 19.
TBitmap* DrawBrand(uint32_t Accent, uint32_t Ink) {
  auto* bitmap = new TBitmap(85, 19);
  const Integer bars[] = {7, 12, 16, 10, 14, 6, 11, 15, 9, 13, 8, 12, 5};
  for (Integer y = 0; y < 19; ++y) {
    auto* row = static_cast<uint32_t*>(bitmap->ScanLine(y));
    for (Integer x = 0; x < 85; ++x) {
      const double px = x + 0.5, py = y + 0.5;
      uint32_t color = 0;
      const double disc = 9.0 - std::hypot(px - 9.5, py - 9.5);
      if (disc > -0.5) {
        // The play mark: a triangle cut out of the disc.
        const bool mark = px > 7 && px < 13.5 && std::abs(py - 9.5) < (13.5 - px) * 0.6;
        color = mark ? Pixel(1, 0xFFFFFF) : Pixel(disc + 0.5, Accent);
      }
      const Integer bar = (x - 22) / 5;
      if (x >= 22 && bar < 13 && (x - 22) % 5 < 3) {
        const Integer h = bars[bar];
        if (y >= 18 - h && y < 18) color = Pixel(1, Ink);
      }
      row[x] = color;
    }
  }
  bitmap->SetAlphaFormat(afDefined);
  bitmap->Modified();
  return bitmap;
}

// A magnifier in three states stacked: normal, hot, pressed; 16 x 48.
TBitmap* DrawSearch() {
  auto* bitmap = new TBitmap(16, 48);
  const uint32_t colors[] = {0x8A8A8A, 0x5A5A5A, 0xDE8C33};
  for (Integer y = 0; y < 48; ++y) {
    auto* row = static_cast<uint32_t*>(bitmap->ScanLine(y));
    const double py = y % 16 + 0.5;
    for (Integer x = 0; x < 16; ++x) {
      const double px = x + 0.5;
      const double ring = 1.0 - std::abs(std::hypot(px - 6.5, py - 6.5) - 4.5);
      double handle = 0;
      if (px > 9.5 && py > 9.5 && px < 15 && py < 15) handle = 1.6 - std::abs(px - py);
      row[x] = Pixel(std::max(ring, handle), colors[y / 16]);
    }
  }
  bitmap->SetAlphaFormat(afDefined);
  bitmap->Modified();
  return bitmap;
}

void WriteImageSet(const String& FileName, TBitmap* Bitmap, Integer Frames) {
  std::unique_ptr<TBitmap> owned(Bitmap);
  TZCLSkinImageSet set;
  set.AssignBitmap(Bitmap, 96);
  set.GetItem(0)->SetFrameCount(Frames);
  TFileStream file(FileName, fmCreate);
  set.SaveToStream(file);
}

// A dialog frame whose top strip is a caption zone.
class TCaptionHost : public TCustomControl {
  ZCL_CLASS(TCaptionHost, TCustomControl)
 public:
  using TCustomControl::TCustomControl;
  LRESULT Answer = HTCLIENT;

 protected:
  void WndProc(TMessage& Message) override {
    if (Message.Msg == WM_NCHITTEST) {
      Message.Result = Answer;
      return;
    }
    TCustomControl::WndProc(Message);
  }
};

class ZephBackground : public ::testing::Test {
 protected:
  void SetUp() override {
    FForm.reset(TCustomForm::CreateNew<TForm>(nullptr));
    FForm->SetBounds(0, 0, 500, 400);
    FForm->SetCaption(u"Options: Interface");
    FPanel = Create<TZEPHBackground>(FForm.get());
    FPanel->SetName(u"Panel1");
    FPanel->SetParent(FForm.get());
    FPanel->SetAlign(alClient);
  }
  void TearDown() override {
    FForm.reset();
    TZCLApplication::SetDarkMode(TZCLBoolean::Default);
  }
  TZCLButton* NewButton(const String& Name, TWinControl* Parent) {
    auto* button = Create<TZCLButton>(FForm.get());
    button->SetName(Name);
    button->SetBounds(0, 0, 80, 25);
    button->SetParent(Parent);
    return button;
  }
  TOwned<TForm> FForm{nullptr, &Free};
  TZEPHBackground* FPanel = nullptr;
};
}  // namespace

// Writes the built-in images when ZEPHSE_WRITE_BRANDBOX names resources/RCDATA.
TEST(ZephBackgroundResources, WriteImages) {
  const char* folder = std::getenv("ZEPHSE_WRITE_BRANDBOX");
  if (!folder) GTEST_SKIP() << "ZEPHSE_WRITE_BRANDBOX is not set";
  const String dir = UTF8ToString(folder) + u"/";
  WriteImageSet(dir + u"BRANDBOX_IMAGE_LIGHT.bin", DrawBrand(0xDE8C33, 0x505050), 1);
  WriteImageSet(dir + u"BRANDBOX_IMAGE_DARK.bin", DrawBrand(0xC87720, 0xD0D0D0), 1);
  WriteImageSet(dir + u"BRANDBOX_SEARCH.bin", DrawSearch(), 3);
}

TEST(ZephBackgroundResources, BuiltInImagesAndColours) {
  if (!FindEmbeddedResource(u"BRANDBOX_SEARCH", u"RCDATA")) GTEST_SKIP() << "the images are not embedded";
  struct Case {
    const char16_t* Name;
    Integer Width, Height, Frames;
  } cases[] = {
      {u"BRANDBOX_IMAGE_LIGHT", 85, 19, 1}, {u"BRANDBOX_IMAGE_DARK", 85, 19, 1}, {u"BRANDBOX_SEARCH", 16, 48, 3}};
  for (const Case& c : cases) {
    TZCLSkinImageSet set;
    set.LoadFromResource(nullptr, c.Name, u"RCDATA");
    TZCLSkinImage* image = set.GetBestFit(96);
    EXPECT_EQ(image->GetWidth(), c.Width);
    EXPECT_EQ(image->GetHeight(), c.Height);
    EXPECT_EQ(image->GetFrameCount(), c.Frames);
  }
  TZEPHDialogResources* resources = TZEPHDialogResources::Instance();
  resources->AddRef();
  EXPECT_EQ(resources->Accent, TColor(222 | 140 << 8 | 51 << 16));
  EXPECT_EQ(resources->Content, TColor(0xFFFFFF));
  EXPECT_EQ(resources->GetCaptionFont()->GetHeight(), -16);
  resources->Release();
  EXPECT_FALSE(resources->GetLoaded());
}

TEST(ZephBackgroundCaption, FromTheFormCaption) {
  struct Case {
    const char16_t* Form;
    const char16_t* Expected;
  } cases[] = {{u"Options: Interface", u"Interface"},
               {u"Player - PLAYLIST", u"Playlist"},
               {u"  Plain caption ", u"Plain caption"},
               {u"A: b - c", u"B - c"}};
  for (const Case& c : cases) EXPECT_EQ(BackgroundCaptionFromForm(c.Form), c.Expected);
}

TEST_F(ZephBackground, AutomaticCaptionUntilOneIsSet) {
  FPanel->Localize(String(), String());
  EXPECT_EQ(FPanel->GetCaption(), u"Interface");
  FForm->SetCaption(u"Player - PLAYLIST");
  FPanel->Localize(String(), String());
  EXPECT_EQ(FPanel->GetCaption(), u"Playlist");
  FPanel->SetCaption(u"Mine");
  FForm->SetCaption(u"Options: Other");
  FPanel->Localize(String(), String());
  EXPECT_EQ(FPanel->GetCaption(), u"Mine");
}

TEST_F(ZephBackground, LayoutScalesWithDpi) {
  auto* child = NewButton(u"Content1", FPanel);
  FPanel->GetFooterControls()->FindByControl(child)->SetControl(nullptr);  // a content control, not a footer one
  child->SetAlign(alClient);
  struct Case {
    Integer DPI, Header, Footer, Margin, Accent;
  } cases[] = {{96, 50, 42, 10, 1}, {144, 75, 63, 15, 2}};
  for (const Case& c : cases) {
    if (c.DPI != 96) FForm->ScaleForPPI(c.DPI);
    const TZEPHBackgroundViewInfo& v = FPanel->GetViewInfo();
    const TRect client = FPanel->GetClientRect();
    EXPECT_EQ(v.DPI, c.DPI);
    EXPECT_EQ(v.Header.Height(), c.Header);
    EXPECT_EQ(v.Footer.Height(), c.Footer);
    EXPECT_EQ(v.Accent.Height(), c.Accent);
    EXPECT_EQ(child->GetBoundsRect(),
              TRect(c.Margin, c.Header + c.Margin, client.Right - c.Margin, client.Bottom - c.Footer - c.Margin));
  }
}

TEST_F(ZephBackground, DroppedButtonsJoinTheFooterOnTheRight) {
  auto* ok = NewButton(u"OK", FPanel);
  auto* cancel = NewButton(u"Cancel", FPanel);
  ASSERT_EQ(FPanel->GetFooterControls()->GetCount(), 2);
  EXPECT_EQ(FPanel->GetFooterControls()->GetItem(0)->GetAlignment(), taRightJustify);
  const TRect content = FPanel->GetViewInfo().FooterContent;
  EXPECT_EQ(ok->GetLeft() + ok->GetWidth(), content.Right);
  EXPECT_EQ(cancel->GetLeft() + cancel->GetWidth(), ok->GetLeft() - 5);
  EXPECT_EQ(ok->GetTop(), content.Top + (content.Height() - ok->GetHeight()) / 2);

  auto* second = static_cast<TCollection*>(FPanel->GetFooterControls())->Add<TZEPHBackgroundControl>();
  try {
    second->SetControl(ok);
    FAIL() << "a second footer item took the same control";
  } catch (const EInvalidArgument& e) {
    EXPECT_EQ(e.GetMessage(), u"The OK is already linked to the Panel1");
  }
  auto* outside = NewButton(u"Outside", FForm.get());
  EXPECT_THROW(second->SetControl(outside), EInvalidArgument);
  Free(second);
  EXPECT_EQ(FPanel->GetFooterControls()->GetCount(), 2);

  Free(cancel);
  EXPECT_EQ(FPanel->GetFooterControls()->GetCount(), 1);
}

TEST_F(ZephBackground, HiddenFooterMovesItsControlsAwayAndOutOfTheTabOrder) {
  auto* ok = NewButton(u"OK", FPanel);
  auto* left = NewButton(u"Help", FPanel);
  FPanel->GetFooterControls()->FindByControl(left)->SetAlignment(taLeftJustify);
  auto* cancel = NewButton(u"Cancel", FPanel);
  std::vector<TWinControl*> order;
  FPanel->GetTabOrderList(order);
  // Left-aligned first, then the right-aligned ones as they appear from left to right.
  EXPECT_EQ(order, (std::vector<TWinControl*>{left, cancel, ok}));

  FPanel->SetShowFooter(false);
  EXPECT_GE(ok->GetTop(), 0x3FFF);
  EXPECT_TRUE(FPanel->GetViewInfo().Footer.IsEmpty());
  order.clear();
  FPanel->GetTabOrderList(order);
  EXPECT_TRUE(order.empty());
}

TEST_F(ZephBackground, SearchButtonOnlyWithAHeader) {
  FPanel->SetShowSearchBox(true);
  EXPECT_EQ(FPanel->GetSearchButton()->GetShortCut(), 0x75);
  if (FindEmbeddedResource(u"BRANDBOX_SEARCH", u"RCDATA")) {
    EXPECT_TRUE(FPanel->GetSearchButton()->GetVisible());
    EXPECT_EQ(FPanel->GetViewInfo().Search.Right, FPanel->GetViewInfo().Header.Right - 10);
  }
  FPanel->SetShowCaption(false);
  EXPECT_FALSE(FPanel->GetSearchButton()->GetVisible());
  EXPECT_TRUE(FPanel->GetViewInfo().Accent.IsEmpty());
  FPanel->SetShowSearchBox(false);
  EXPECT_EQ(FPanel->GetSearchButton()->GetShortCut(), 0);
}

TEST_F(ZephBackground, TheSearchButtonsF6OpensTheFormSearch) {
  if (!FindEmbeddedResource(u"BRANDBOX_SEARCH", u"RCDATA")) GTEST_SKIP() << "the images are not embedded";
  FPanel->SetShowSearchBox(true);
  FForm->Show();
  Headless::RunUntilIdle();
  TZEPHBackgroundSearchButton* search = FPanel->GetSearchButton();
  ASSERT_TRUE(search->GetVisible());
  // The header shows through around the image; the search is no tab stop.
  EXPECT_TRUE(search->GetTransparent());
  EXPECT_FALSE(search->GetTabStop());
  ASSERT_NE(search->GetShortCutAction(), nullptr);
  EXPECT_EQ(search->GetShortCutAction()->GetShortCut(), TShortCut(0x75));
  search->GetShortCutAction()->Execute();
  Headless::RunUntilIdle();
  ASSERT_TRUE(search->GetDroppedDown());
  // Its popup is the search box over the form's controls.
  EXPECT_NE(dynamic_cast<TZCLUIInsightSearchPopupWindow*>(search->GetDropDown()), nullptr);
  search->SetDroppedDown(false);
  Headless::RunUntilIdle();
}

TEST_F(ZephBackground, DarkAppearanceReloadsOnce) {
  Integer changes = 0;
  struct TCounter {
    Integer* Count;
    void Changed(TObject*) { ++*Count; }
  } counter{&changes};
  FPanel->OnResourceChanged = TNotifyEvent(&counter, &TCounter::Changed);
  TZCLApplication::SetDarkMode(TZCLBoolean::True);
  EXPECT_EQ(changes, 1);
  if (FindEmbeddedResource(u"BRANDBOX_CONFIG", u"RCDATA"))
    EXPECT_EQ(TZEPHDialogResources::Instance()->Accent, TColor(200 | 119 << 8 | 32 << 16));
  FPanel->OnResourceChanged = nullptr;
}

TEST_F(ZephBackground, PaintsHeaderFooterMenuAreaAndContent) {
  if (!FindEmbeddedResource(u"BRANDBOX_CONFIG", u"RCDATA")) GTEST_SKIP() << "the colours are not embedded";
  FForm->SetBorderStyle(bsNone);
  FForm->SetBounds(0, 0, 500, 400);
  FPanel->SetMenuAreaWidth(100);
  FPanel->SetCaption(u"Interface");
  FForm->Show();
  Headless::RunUntilIdle();
  const HWND window = FForm->GetHandle();
  struct Case {
    TPoint Point;
    uint32_t Rgb;
  } cases[] = {
      {{250, 49}, 0xDE8C33},   // accent line under the header
      {{250, 395}, 0xDE8C33},  // footer
      {{50, 200}, 0xFAFAFA},   // menu area
      {{99, 200}, 0xF0F0F0},   // its separator
      {{300, 200}, 0xFFFFFF},  // content
      {{18, 24}, 0xDE8C33},    // the brand image's disc
  };
  for (const Case& c : cases)
    EXPECT_EQ(Headless::WindowPixel(window, c.Point) & 0xFFFFFF, c.Rgb) << c.Point.X << "," << c.Point.Y;
}

TEST_F(ZephBackground, CaptionZonesOfTheDialogShowThrough) {
  auto* host = Create<TCaptionHost>(FForm.get());
  host->SetParent(FForm.get());
  host->SetBounds(0, 0, 200, 200);
  FPanel->SetParent(host);
  for (LRESULT answer : {HTCLIENT, HTCAPTION}) {
    host->Answer = answer;
    EXPECT_EQ(FPanel->Perform(WM_NCHITTEST, 0, 0), answer == HTCLIENT ? HTCLIENT : HTTRANSPARENT);
  }
}

TEST(ZephBackgroundStream, FooterItemsOfAStoredFormAreNotAddedTwice) {
  const AnsiString text =
      "object Dialog: TForm\n"
      "  Caption = 'Options: Interface'\n"
      "  object Panel1: TZEPHBackground\n"
      "    Align = alClient\n"
      "    FooterControls = <\n"
      "      item\n"
      "        Control = OK\n"
      "      end\n"
      "      item\n"
      "        Alignment = taLeftJustify\n"
      "        Control = Help\n"
      "      end>\n"
      "    object OK: TZCLButton\n"
      "      Width = 80\n"
      "      Height = 25\n"
      "    end\n"
      "    object Help: TZCLButton\n"
      "      Width = 80\n"
      "      Height = 25\n"
      "    end\n"
      "  end\n"
      "end\n";
  TMemoryStream source, binary;
  source.Write(text.data(), Integer(text.size()));
  source.SetPosition(0);
  ObjectTextToBinary(&source, &binary);
  binary.SetPosition(0);
  TOwned<TForm> form(TCustomForm::CreateNew<TForm>(nullptr), &Free);
  ReadComponent(&binary, form.get());
  auto* panel = dynamic_cast<TZEPHBackground*>(form->FindComponent(u"Panel1"));
  ASSERT_NE(panel, nullptr);
  ASSERT_EQ(panel->GetFooterControls()->GetCount(), 2);
  EXPECT_EQ(panel->GetFooterControls()->GetItem(0)->GetControl(), form->FindComponent(u"OK"));
  EXPECT_EQ(panel->GetFooterControls()->GetItem(1)->GetAlignment(), taLeftJustify);
  EXPECT_EQ(panel->GetCaption(), u"Interface");
}
