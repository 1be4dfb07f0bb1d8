#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "os/OS.Fonts.h"
#include "os/OS.Gdi.h"
#include "os/OS.Surface.h"
#include "os/OS.Text.h"
#include "support/TestSupport.h"

namespace {

const char* const DejaVuDir = "/usr/share/fonts/truetype/dejavu";

// Only the DejaVu fonts, with the generic families pointing at them, so that every number
// below is stable.
bool UseDejaVuOnly() {
  static const bool ok = [] {
    std::ifstream probe(std::string(DejaVuDir) + "/DejaVuSans.ttf");
    if (!probe) return false;
    return UseFontConfiguration(
        std::string("<fontconfig><dir>") + DejaVuDir + "</dir><cachedir>" + TempDir() +
        "</cachedir>"
        "<alias><family>sans-serif</family><prefer><family>DejaVu Sans</family></prefer></alias>"
        "<alias><family>serif</family><prefer><family>DejaVu Serif</family></prefer></alias>"
        "<alias><family>monospace</family><prefer><family>DejaVu Sans Mono</family></prefer>"
        "</alias></fontconfig>");
  }();
  return ok;
}

class Text : public testing::Test {
 protected:
  void SetUp() override {
    if (!UseDejaVuOnly()) GTEST_SKIP() << "the DejaVu fonts (fonts-dejavu-core) are not installed";
    DC = CreateSurfaceDC(&Surface);
    Select(MakeLogFont(u"DejaVu Sans", -11));
  }
  void TearDown() override {
    if (DC) {
      SelectObject(DC, static_cast<HFONT>(static_cast<void*>(GetStockObject(SYSTEM_FONT))));
      DeleteDC(DC);
    }
    if (Font) DeleteObject(Font);
  }
  void Select(const LOGFONTW& Log) {
    HFONT font = CreateFontIndirectW(&Log);
    SelectObject(DC, font);
    if (Font) DeleteObject(Font);
    Font = font;
  }
  int Width(const String& S) {
    TSize size;
    EXPECT_TRUE(GetTextExtentPoint32(DC, S, &size));
    return size.cx;
  }
  // Bounding box of the pixels that differ from transparent black.
  TRect InkBox() {
    Surface.BeginAccess();
    TRect box(Surface.GetWidth(), Surface.GetHeight(), 0, 0);
    for (int y = 0; y < Surface.GetHeight(); ++y)
      for (int x = 0; x < Surface.GetWidth(); ++x)
        if (Surface.GetPixel(x, y) != 0) {
          box.Left = std::min(box.Left, x);
          box.Top = std::min(box.Top, y);
          box.Right = std::max(box.Right, x + 1);
          box.Bottom = std::max(box.Bottom, y + 1);
        }
    return box;
  }
  TSurface Surface{200, 200};
  HDC DC = nullptr;
  HFONT Font = nullptr;
};

TEST_F(Text, DejaVuSansMetricsAt96Dpi) {
  struct TCase {
    LONG Height;
    LONG Weight;
    struct {
      LONG tmHeight, tmAscent, tmDescent, tmInternalLeading, tmExternalLeading, tmAveCharWidth, tmMaxCharWidth;
    } Expected;
  } cases[] = {
      {-11, FW_NORMAL, {13, 10, 3, 2, 0, 6, 21}},
      {-12, FW_NORMAL, {14, 11, 3, 2, 0, 6, 22}},
      {-16, FW_BOLD, {19, 15, 4, 3, 0, 9, 32}},
      {20, FW_NORMAL, {20, 16, 4, 3, 0, 9, 32}},  // positive: the cell height
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Height);
    Select(MakeLogFont(u"DejaVu Sans", c.Height, c.Weight));
    TEXTMETRICW tm{};
    ASSERT_TRUE(GetTextMetrics(DC, &tm));
    EXPECT_EQ(tm.tmHeight, c.Expected.tmHeight);
    EXPECT_EQ(tm.tmAscent, c.Expected.tmAscent);
    EXPECT_EQ(tm.tmDescent, c.Expected.tmDescent);
    EXPECT_EQ(tm.tmInternalLeading, c.Expected.tmInternalLeading);
    EXPECT_EQ(tm.tmExternalLeading, c.Expected.tmExternalLeading);
    EXPECT_EQ(tm.tmAveCharWidth, c.Expected.tmAveCharWidth);
    EXPECT_EQ(tm.tmMaxCharWidth, c.Expected.tmMaxCharWidth);
    EXPECT_EQ(tm.tmWeight, c.Weight);
  }
}

TEST_F(Text, ExtentsAreStableAndAdditive) {
  struct TCase {
    const char16_t* Text;
    int Width;
  } cases[] = {
      {u"Hello, World!", 73},
      {u"The quick brown fox", 115},
      {u"iiii", 12},
      {u"WWWW", 44},
      {u"AV", 16},
      {u"fi", 7},  // no kerning, no ligatures
      {u"", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(StringToUTF8(c.Text));
    TSize size;
    ASSERT_TRUE(GetTextExtentPoint32(DC, c.Text, &size));
    EXPECT_EQ(size.cx, c.Width);
    EXPECT_EQ(size.cy, 13);
  }
  EXPECT_EQ(Width(u"Hello, ") + Width(u"World!"), 73);
  Char face[LF_FACESIZE];
  GetTextFaceW(DC, LF_FACESIZE, face);
  EXPECT_EQ(String(face), u"DejaVu Sans");
}

TEST_F(Text, FitCountsAndCumulativeExtents) {
  const String text = u"Hello, World!";
  int fit = -1;
  int dx[13] = {};
  TSize size;
  ASSERT_TRUE(GetTextExtentExPoint(DC, text.data(), int(text.size()), 30, &fit, dx, &size));
  EXPECT_EQ(size.cx, 73);
  EXPECT_EQ(fit, 5);  // "Hello" is 28 wide, "Hello," 32
  EXPECT_EQ(dx[0], 8);
  EXPECT_EQ(dx[4], 28);
  ASSERT_TRUE(GetTextExtentExPoint(DC, text.data(), int(text.size()), 0, &fit, nullptr, nullptr));
  EXPECT_EQ(fit, 0);
  ASSERT_TRUE(GetTextExtentExPoint(DC, text.data(), int(text.size()), 1000, nullptr, dx, nullptr));
  EXPECT_EQ(dx[12], 73);
  // A surrogate pair and a combining mark: the cluster's advance sits on its first code unit.
  const String clusters = u"a\U0001D400e\u0301b";
  std::vector<int> cum(clusters.size());
  ASSERT_TRUE(GetTextExtentExPoint(DC, clusters.data(), int(clusters.size()), 1000, nullptr, cum.data(), &size));
  EXPECT_GT(cum[1], cum[0]);
  EXPECT_EQ(cum[2], cum[1]);  // low surrogate
  EXPECT_GT(cum[3], cum[2]);
  EXPECT_EQ(cum[4], cum[3]);  // combining acute
  EXPECT_EQ(cum[5], size.cx);
}

TEST_F(Text, DrawTextWordBreakEndEllipsisAndCalcRect) {
  TRect r(0, 0, 60, 100);
  EXPECT_EQ(DrawText(DC, u"The quick brown fox", &r, DT_CALCRECT | DT_WORDBREAK), 26);
  EXPECT_EQ(r, TRect(0, 0, 57, 26));  // "The quick" (57) / "brown fox"
  r = TRect(0, 0, 100, 100);
  EXPECT_EQ(DrawText(DC, u"one\r\ntwo\nthree", &r, DT_CALCRECT), 39);
  r = TRect(0, 0, 100, 100);
  EXPECT_EQ(DrawText(DC, u"one\r\ntwo", &r, DT_CALCRECT | DT_SINGLELINE), 13);
  EXPECT_EQ(r.Right, Width(u"onetwo"));
  // End ellipsis: the longest prefix that fits with "..." after it.
  r = TRect(0, 0, 50, 13);
  DrawText(DC, u"Hello, World!", &r, DT_CALCRECT | DT_SINGLELINE | DT_END_ELLIPSIS);
  EXPECT_EQ(r.Right, Width(u"Hello, ..."));
  EXPECT_LE(r.Right, 50);
  // Prefixes: "&&" is one "&", "&F" underlines F and takes no room.
  r = TRect(0, 0, 200, 20);
  DrawText(DC, u"&File && Edit", &r, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(r.Right, Width(u"File & Edit"));
  r = TRect(0, 0, 200, 20);
  DrawText(DC, u"&File", &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_EQ(r.Right, Width(u"&File"));
  // Tabs expand to stops of eight average character widths.
  r = TRect(0, 0, 200, 20);
  DrawText(DC, u"a\tb", &r, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
  EXPECT_EQ(r.Right, 48 + Width(u"b"));
}

TEST_F(Text, AbcWidthsAddUpToAdvances) {
  ABC abc[3];
  ASSERT_TRUE(GetCharABCWidthsW(DC, 'A', 'C', abc));
  int widths[3];
  ASSERT_TRUE(GetCharWidth32W(DC, 'A', 'C', widths));
  for (int i = 0; i < 3; ++i) {
    EXPECT_GT(abc[i].abcB, 0u);
    EXPECT_EQ(abc[i].abcA + int(abc[i].abcB) + abc[i].abcC, widths[i]);
  }
  EXPECT_EQ(widths[0], Width(u"A"));
  EXPECT_FALSE(GetCharABCWidthsW(DC, 'C', 'A', abc));
}

TEST_F(Text, PathEllipsisKeepsTheFileNameAndHotkeysUnderline) {
  const String path = u"C:\\Users\\someone\\Music\\Albums\\file.mp3";
  TRect r(0, 0, 90, 20);
  DrawText(DC, path, &r, DT_CALCRECT | DT_SINGLELINE | DT_PATH_ELLIPSIS);
  EXPECT_LE(r.Right, 90);
  EXPECT_GE(r.Right, Width(u"C...\\file.mp3"));
  // "&F" underlines the F one pixel row across its advance; DT_HIDEPREFIX leaves it out.
  SetBkMode(DC, TRANSPARENT);
  SetTextColor(DC, RGB(255, 255, 255));
  auto underlined = [&](UINT format) {
    Surface.BeginAccess();
    std::fill(Surface.GetBits(), Surface.GetBits() + 200 * 200, 0u);
    Surface.EndAccess();
    TRect box(0, 0, 100, 20);
    DrawText(DC, u"&File", &box, DT_SINGLELINE | format);
    Surface.BeginAccess();
    const int f = Width(u"F");
    for (int y = 10; y < 13; ++y) {
      int covered = 0;
      for (int x = 0; x < f; ++x) covered += Surface.GetPixel(x, y) == 0xFFFFFFFFu;
      if (covered == f) return true;
    }
    return false;
  };
  EXPECT_TRUE(underlined(0));
  EXPECT_FALSE(underlined(DT_HIDEPREFIX));
}

TEST_F(Text, DrawTextPlacesAndClipsLines) {
  SetBkMode(DC, TRANSPARENT);
  SetTextColor(DC, RGB(255, 255, 255));
  TRect r(10, 10, 110, 40);
  EXPECT_EQ(DrawText(DC, u"Hi", &r, DT_SINGLELINE | DT_RIGHT | DT_BOTTOM), 30);
  TRect ink = InkBox();
  EXPECT_LE(ink.Right, 110);
  EXPECT_GE(ink.Left, 110 - Width(u"Hi"));
  EXPECT_LE(ink.Bottom, 40);
  EXPECT_GE(ink.Top, 40 - 13);
  // Word-broken text that runs past the bottom: the last visible line ends with "...", and
  // nothing is drawn outside the rectangle.
  Surface.BeginAccess();
  std::fill(Surface.GetBits(), Surface.GetBits() + 200 * 200, 0u);
  Surface.EndAccess();
  r = TRect(0, 0, 60, 26);
  DrawText(DC, u"The quick brown fox jumps over the lazy dog", &r, DT_WORDBREAK | DT_END_ELLIPSIS);
  ink = InkBox();
  EXPECT_LE(ink.Bottom, 26);
  EXPECT_LE(ink.Right, 60);
  EXPECT_GT(ink.Bottom, 13);  // two lines
}

TEST_F(Text, WhiteOnBlackGivesCoverageInEveryChannel) {
  SetBkMode(DC, TRANSPARENT);
  SetTextColor(DC, RGB(255, 255, 255));
  ASSERT_TRUE(TextOut(DC, 5, 5, u"Wg@"));
  Surface.BeginAccess();
  int partial = 0, full = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x) {
      uint32_t p = Surface.GetPixel(x, y);
      Byte a = Byte(p >> 24), r = Byte(p >> 16), g = Byte(p >> 8), b = Byte(p);
      ASSERT_EQ(r, a);
      ASSERT_EQ(g, a);
      ASSERT_EQ(b, a);
      if (a == 255)
        ++full;
      else if (a > 0)
        ++partial;
    }
  EXPECT_GT(full, 0);
  EXPECT_GT(partial, 0);  // grey-scale anti-aliasing
  // Non-antialiased quality: coverage is all or nothing.
  LOGFONTW lf = MakeLogFont(u"DejaVu Sans", -11);
  lf.lfQuality = NONANTIALIASED_QUALITY;
  Select(lf);
  TextOut(DC, 5, 60, u"Wg@");
  for (int y = 55; y < 80; ++y)
    for (int x = 0; x < 60; ++x) {
      Byte a = Byte(Surface.GetPixel(x, y) >> 24);
      ASSERT_TRUE(a == 0 || a == 255) << x << "," << y;
    }
}

TEST_F(Text, ExtTextOutAlignmentOpaqueAndAdvances) {
  SetTextColor(DC, RGB(255, 255, 255));
  SetBkColor(DC, RGB(0, 0, 255));
  SetBkMode(DC, OPAQUE);
  TextOut(DC, 20, 20, u"ab");
  TRect ink = InkBox();  // the opaque cell: advance width by cell height at the reference point
  EXPECT_EQ(ink, TRect(20, 20, 20 + Width(u"ab"), 33));
  Surface.BeginAccess();
  std::fill(Surface.GetBits(), Surface.GetBits() + 200 * 200, 0u);
  Surface.EndAccess();
  SetTextAlign(DC, TA_RIGHT | TA_BASELINE);
  const int dx[] = {30, 30};
  TextOut(DC, 0, 0, u"");  // nothing, no failure
  ExtTextOutW(DC, 100, 50, 0, nullptr, u"ab", 2, dx);
  ink = InkBox();
  EXPECT_EQ(ink, TRect(40, 40, 100, 53));  // explicit advances widen the cell
  // ETO_CLIPPED | ETO_OPAQUE: the rectangle is filled and bounds the text.
  SetTextAlign(DC, TA_LEFT | TA_TOP);
  SetBkMode(DC, TRANSPARENT);
  TRect clip(0, 100, 8, 120);
  ExtTextOut(DC, 0, 100, ETO_CLIPPED | ETO_OPAQUE, &clip, u"WWWW");
  Surface.BeginAccess();
  EXPECT_EQ(Surface.GetPixel(7, 119), 0xFF0000FFu);
  for (int y = 100; y < 120; ++y) EXPECT_EQ(Surface.GetPixel(8, y), 0u);
}

TEST_F(Text, RotatedTextDrawsInsideItsBox) {
  LOGFONTW lf = MakeLogFont(u"DejaVu Sans", -16);
  lf.lfEscapement = lf.lfOrientation = 900;
  Select(lf);
  SetBkMode(DC, TRANSPARENT);
  SetTextColor(DC, RGB(255, 255, 255));
  const int width = Width(u"Rotated");
  TextOut(DC, 50, 150, u"Rotated");
  // Counter-clockwise by 90 degrees: the text runs upwards from the reference point and its
  // cell lies to the right of it.
  TRect ink = InkBox();
  EXPECT_GE(ink.Left, 50);
  EXPECT_LE(ink.Right, 50 + 19);
  EXPECT_LE(ink.Bottom, 150 + 1);
  EXPECT_GE(ink.Top, 150 - width - 1);
  EXPECT_GT(ink.Bottom - ink.Top, ink.Right - ink.Left);
}

TEST_F(Text, CharactersTheFontLacksComeFromAnotherFace) {
  // U+27C2 is not in DejaVu Sans, but in DejaVu Sans Mono and DejaVu Math TeX Gyre.
  SetBkMode(DC, TRANSPARENT);
  SetTextColor(DC, RGB(255, 255, 255));
  auto render = [&](const String& Face) {
    Surface.BeginAccess();
    std::fill(Surface.GetBits(), Surface.GetBits() + 200 * 200, 0u);
    Surface.EndAccess();
    Select(MakeLogFont(Face, -16));
    SetTextAlign(DC, TA_BASELINE);  // the faces' ascents differ
    TextOut(DC, 10, 30, u"\u27C2");
    Surface.BeginAccess();
    return std::vector<uint32_t>(Surface.GetBits(), Surface.GetBits() + 200 * 200);
  };
  const auto linked = render(u"DejaVu Sans");
  EXPECT_TRUE(linked == render(u"DejaVu Sans Mono") || linked == render(u"DejaVu Math TeX Gyre"));
  EXPECT_NE(std::count(linked.begin(), linked.end(), 0u), ptrdiff_t(linked.size()));
}

TEST_F(Text, UnderlineAndStrikeOutSpanTheRun) {
  LOGFONTW lf = MakeLogFont(u"DejaVu Sans", -11);
  lf.lfUnderline = 1;
  Select(lf);
  SetBkMode(DC, TRANSPARENT);
  SetTextColor(DC, RGB(255, 255, 255));
  TextOut(DC, 0, 0, u"a b");
  Surface.BeginAccess();
  TEXTMETRICW tm;
  GetTextMetrics(DC, &tm);
  // A full line below the baseline under the whole run, the space included.
  bool found = false;
  for (int y = tm.tmAscent; y < tm.tmHeight && !found; ++y) {
    int covered = 0;
    for (int x = 0; x < Width(u"a b"); ++x) covered += Surface.GetPixel(x, y) == 0xFFFFFFFFu;
    found = covered == Width(u"a b");
  }
  EXPECT_TRUE(found);
}

TEST(Fonts, SubstitutionFallbackEnumerationAndPrivateFonts) {
  if (!UseDejaVuOnly()) GTEST_SKIP() << "the DejaVu fonts (fonts-dejavu-core) are not installed";
  TSurface surface(1, 1);
  HDC dc = CreateSurfaceDC(&surface);
  auto face = [&](const String& name) {
    LOGFONTW lf = MakeLogFont(name, -11);
    HFONT font = CreateFontIndirectW(&lf);
    HFONT old = SelectObject(dc, font);
    Char buffer[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, buffer);
    SelectObject(dc, old);
    DeleteObject(font);
    return String(buffer);
  };
  EXPECT_EQ(face(u"Segoe UI"), u"DejaVu Sans");
  EXPECT_EQ(face(u"MS Shell Dlg 2"), u"DejaVu Sans");
  EXPECT_EQ(face(u"No Such Family 123"), u"DejaVu Sans");
  EXPECT_EQ(face(u"DejaVu Serif"), u"DejaVu Serif");
  // A description realised a moment ago follows a changed substitution.
  EXPECT_EQ(face(u"tahoma"), u"DejaVu Sans");
  SetFontSubstitute(u"Tahoma", u"DejaVu Serif");
  EXPECT_EQ(face(u"tahoma"), u"DejaVu Serif");
  SetFontSubstitute(u"Tahoma", u"sans-serif");
  EXPECT_EQ(face(u"tahoma"), u"DejaVu Sans");

  auto families = GetFontFamilies();
  EXPECT_NE(std::find(families.begin(), families.end(), u"DejaVu Sans"), families.end());
  EXPECT_TRUE(std::is_sorted(families.begin(), families.end()));
  int calls = 0;
  LOGFONTW query = MakeLogFont(u"DejaVu Sans Mono", 0);
  EnumFontFamiliesExW(
      dc, &query,
      [](const LOGFONTW*, const TEXTMETRICW*, DWORD type, LPARAM data) {
        ++*reinterpret_cast<int*>(data);
        return int(type == TRUETYPE_FONTTYPE);
      },
      reinterpret_cast<LPARAM>(&calls), 0);
  EXPECT_EQ(calls, 1);

  // A private font from memory: the family from its name table becomes available, and goes
  // again when it is removed. (A DejaVu face under its own name stands in for an embedded font.)
  std::ifstream file(std::string(DejaVuDir) + "/DejaVuSansMono-Bold.ttf", std::ios::binary);
  std::vector<char> data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_EQ(GetFontFileFamily(data.data(), data.size()), u"DejaVu Sans Mono");
  DWORD faces = 0;
  HANDLE handle = AddFontMemResourceEx(data.data(), DWORD(data.size()), nullptr, &faces);
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(faces, 1u);
  EXPECT_TRUE(RemoveFontMemResourceEx(handle));
  EXPECT_FALSE(RemoveFontMemResourceEx(handle));
  EXPECT_EQ(AddFontMemResourceEx("not a font", 10, nullptr, &faces), nullptr);
  EXPECT_EQ(GetFontFileFamily("junk", 4), u"");
  DeleteDC(dc);
}

}  // namespace
