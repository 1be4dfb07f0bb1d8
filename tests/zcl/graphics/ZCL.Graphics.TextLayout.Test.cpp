#include <gtest/gtest.h>

#include "TextTestFonts.h"
#include "os/OS.Gdi.h"
#include "rtl/RTL.Format.h"
#include "rtl/RTL.Strings.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zcl/graphics/ZCL.Graphics.Font.h"
#include "zcl/graphics/ZCL.Graphics.TextLayout.h"

namespace {

// A compact picture of a block list: 'word', _ space, LB line break, <b> </b> styles,
// <a=target> </a> links, <c=..> colours, <size=..>, {..} spans.
std::string Describe(const TZCLTextLayoutBlockList& Blocks) {
  std::string out;
  for (TZCLTextLayoutBlock* b : Blocks) {
    if (!out.empty()) out += ' ';
    const std::string text = b->Text ? StringToUTF8(String(b->Text, b->Length)) : std::string();
    if (auto* span = dynamic_cast<TZCLTextLayoutBlockSpan*>(b)) {
      out += "{" + Describe(*span->Blocks) + "}";
    } else if (auto* link = dynamic_cast<TZCLTextLayoutBlockHyperlink*>(b)) {
      out += link->IsOpening ? "<a=" + StringToUTF8(link->Hyperlink) + ">" : "</a>";
    } else if (auto* style = dynamic_cast<TZCLTextLayoutBlockFontStyle*>(b)) {
      out += std::string(style->IsOpening ? "<" : "</") + "biusx"[std::min<int>(style->StyleIndex, 4)] + ">";
    } else if (auto* color = dynamic_cast<TZCLTextLayoutBlockFillColor*>(b)) {
      const bool font = dynamic_cast<TZCLTextLayoutBlockFontColor*>(b) != nullptr;
      out += color->IsOpening ? std::string(font ? "<c=" : "<bg=") + StringToUTF8(IntToHex(color->Color, 6)) + ">"
                              : std::string(font ? "</c>" : "</bg>");
    } else if (auto* size = dynamic_cast<TZCLTextLayoutBlockFontSize*>(b)) {
      out += !size->IsOpening ? "</size>"
             : size->IsFactor ? "<size*" + std::to_string(size->Factor).substr(0, 4) + ">"
                              : "<size=" + std::to_string(size->Points) + ">";
    } else if (dynamic_cast<TZCLTextLayoutBlockLineBreak*>(b)) {
      out += "LB";
    } else if (dynamic_cast<TZCLTextLayoutBlockSpace*>(b)) {
      out += "_";
    } else {
      out += "'" + text + "'";
    }
  }
  return out;
}

std::string Import(const String& Text, TZCLTextFormatSettings Settings = TZCLTextFormatSettings::Default()) {
  TZCLTextLayoutBlockList blocks;
  TZCLTextImporter::Import(Text.c_str(), Settings, &blocks);
  return Describe(blocks);
}

TZCLTextFormatSettings Detect(bool Emails, bool TimeCodes, bool URLs) {
  TZCLTextFormatSettings s;
  s.DetectEmails = Emails;
  s.DetectTimeCodes = TimeCodes;
  s.DetectURLs = URLs;
  return s;
}

TEST(ZclTextImport, TagsWordsAndSpans) {
  struct Case {
    const char16_t* Text;
    const char* Expected;
  };
  const Case cases[] = {
      {u"[b]bold[/B] text", "<b> 'bold' </b> _ 'text'"},
      {u"[B]bo[/B]ld", "{<b> 'bo' </b> 'ld'}"},
      {u"a[I][u]b[/U]c", "{'a' <i> <u> 'b' </u> 'c'}"},
      {u"x [COLOR=red", "'x' _ '[' 'COLOR=red'"},
      {u"[X]y[/X]", "'[' 'X' ']' 'y' '[' '/X' ']'"},
      {u"[ B]", "'[' _ 'B' ']'"},
      {u"[/B=1]", "'[' '/B=1' ']'"},
      {u"[COLOR=clRed]r[/COLOR]", "<c=0000FF> 'r' </c>"},
      {u"[BACKCOLOR=00FF00]g[/BACKCOLOR]", "<bg=00FF00> 'g' </bg>"},
      {u"[BIG]a[/BIG][SMALL]b", "{<size*1.10> 'a' </size> <size*0.90> 'b'}"},
      {u"[SIZE=12]a [SIZE=200%]b [SIZE=1.5]c", "<size=12> 'a' _ <size*1.00> 'b' _ <size*1.50> 'c'"},
      {u"[URL=http://x]go[/URL]", "<a=http://x> 'go' </a>"},
      {u"a\r\nb\n\rc", "'a' LB 'b' LB LB 'c'"},
      {u"a\\nb", "'a' LB 'b'"},
      {u"a\tb(c)", "'a' _ 'b' '(' 'c' ')'"},
      {u"\u3001x\u200By", "'\u3001' 'x' '\u200B' 'y'"},
  };
  for (const Case& c : cases) EXPECT_EQ(Import(c.Text), c.Expected) << StringToUTF8(c.Text);
  // Without escapes the backslash is a delimiter of its own; plain text keeps tags as text.
  EXPECT_EQ(Import(u"a\\nb", TZCLTextFormatSettings::Formatted()), "'a' '\\' 'nb'");
  EXPECT_EQ(Import(u"[B]x", TZCLTextFormatSettings::PlainText()), "'[' 'B' ']' 'x'");
}

TEST(ZclTextImport, Detection) {
  struct Case {
    const char16_t* Text;
    TZCLTextFormatSettings Settings;
    const char* Expected;
  };
  const TZCLTextFormatSettings mail = Detect(true, false, false), time = Detect(false, true, false),
                               url = Detect(false, false, true);
  const Case cases[] = {
      {u"to bob.x@mail-1.example.org", mail,
       "'to' _ <a=mailto:bob.x@mail-1.example.org> 'bob.x@mail-1.example.org' </a>"},
      {u"bob@localhost", mail, "<a=mailto:bob@localhost> 'bob@localhost' </a>"},
      {u"a@b@c", mail, "'a@b@c'"},
      {u"bob@-x.org", mail, "'bob@-x.org'"},
      {u"see http://a.b/c", url, "'see' _ <a=http://a.b/c> 'http://a.b/c' </a>"},
      {u"www.site.org", url, "<a=https://www.site.org> 'www.site.org' </a>"},
      {u"www.site wwx.a.b", url, "'www.site' _ 'wwx.a.b'"},
      {u"[B]http://a.b", url, "<b> 'http://a.b'"},
      {u"[URL=t]www.x.org[/URL]", url, "<a=t> 'www.x.org' </a>"},
      {u"(1:23) 1:05", time, "'(' <a=time:83> '1:23' </a> ')' _ <a=time:65> '1:05' </a>"},
      {u"1:02:03.5", time, "<a=time:3723> '1:02:03.5' </a>"},
      {u"[B]1:23", time, "<b> '1:23'"},
      {u"x1:23 1:2 123:45", time, "'x1:23' _ '1:2' _ '123:45'"},
  };
  for (const Case& c : cases) EXPECT_EQ(Import(c.Text, c.Settings), c.Expected) << StringToUTF8(c.Text);
}

TEST(ZclTextImport, BlocksPointIntoTheText) {
  TZCLTextLayout layout(nullptr);
  layout.SetText(u"[B]bo[/B]ld x");
  TZCLTextLayoutBlockList* blocks = layout.GetBlocks();
  ASSERT_EQ(blocks->GetCount(), 3);
  TZCLTextLayoutBlock* span = (*blocks)[0];
  EXPECT_EQ(span->Text, layout.GetText().c_str());
  EXPECT_EQ(span->Length, 11);
  EXPECT_EQ((*blocks)[2]->Text, layout.GetText().c_str() + 12);
  // A word beyond the 16-bit length goes on in further blocks, never splitting a surrogate pair.
  String huge(65534, u'a');
  huge += u"\U0001F600b";
  layout.SetText(huge);
  ASSERT_EQ(blocks->GetCount(), 1);  // the pieces stay glued in a span
  auto* pieces = dynamic_cast<TZCLTextLayoutBlockSpan*>((*blocks)[0])->Blocks;
  ASSERT_EQ(pieces->GetCount(), 2);
  EXPECT_EQ((*pieces)[0]->Length, 65534);
  EXPECT_EQ((*pieces)[1]->Length, 3);
}

TEST(ZclTextLayout, ValueStackAndDirtyFlag) {
  TZCLTextLayoutValueStack<Integer> stack;
  EXPECT_THROW(stack.Peek(), EInvalidOperation);
  const TClass a = TZCLTextLayoutBlockFontSize::StaticClass(), b = TZCLTextLayoutBlockFontColor::StaticClass();
  stack.Push(1, nullptr);
  stack.Push(2, a);
  stack.Push(3, b);
  stack.Push(4, a);
  stack.Remove(a);
  EXPECT_EQ(stack.Peek(), 3);
  stack.Remove(TZCLTextLayoutBlockText::StaticClass());
  EXPECT_EQ(stack.GetCount(), 3);
  stack.Remove(b);
  EXPECT_EQ(stack.Peek(), 2);

  TZCLTextLayout layout(nullptr);
  layout.SetBounds(TRect(0, 0, 10, 10));
  layout.SetText(u"x");
  EXPECT_TRUE(layout.GetDirty());
}

}  // namespace

namespace {

class ZclTextCalc : public testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_DEJAVU();
    Font.SetName(u"DejaVu Sans");
    Font.SetHeight(-16);
    Font.SetColor(clBlack);
  }
  TZCLTextLayout& Lay(const String& Text, const TRect& Bounds, TZCLTextLayoutOptions Options,
                      TAlignment Align = taLeftJustify) {
    Layout.SetText(Text);
    Layout.SetBounds(Bounds);
    Layout.SetOptions(Options);
    Layout.SetHorzAlignment(Align);
    Layout.Calculate(Dib.GetCanvas());
    return Layout;
  }
  // The visible text of each row, rows separated by "|".
  std::string Rows() {
    std::string out;
    for (TZCLTextLayoutRow* row : *Layout.GetRows()) {
      if (!out.empty()) out += "|";
      for (TZCLTextLayoutBlock* b : *row) {
        if (auto* t = dynamic_cast<TZCLTextLayoutBlockText*>(b))
          out += StringToUTF8(String(t->Text, t->VisibleLength));
        else if (auto* s = dynamic_cast<TZCLTextLayoutBlockSpace*>(b))
          out += s->Width > 0 ? " " : "";
      }
    }
    return out;
  }
  Integer TextWidth(const String& Text) {
    AssignCanvasFont(Dib.GetCanvas(), &Font);
    return Dib.GetCanvas()->TextWidth(Text);
  }
  TZCLDib Dib{4, 4};
  TZCLFont Font;
  TZCLTextLayout Layout{&Font};
};

TEST_F(ZclTextCalc, WordWrapMovesWordsAndZeroesTrailingSpaces) {
  // The space after "two" would pass the right edge: it gets no width and "three" wraps.
  const Integer width = TextWidth(u"one two") + 1;
  ASSERT_LT(width, 100);
  Lay(u"one two three four five six", TRect(0, 0, width, 1000), tloWordWrap);
  ASSERT_GT(Layout.RowCount(), 2);
  Integer zeroSpaces = 0;
  for (TZCLTextLayoutRow* row : *Layout.GetRows()) {
    EXPECT_LE(row->Bounds.Right, width);
    for (TZCLTextLayoutBlock* b : *row)
      if (auto* s = dynamic_cast<TZCLTextLayoutBlockSpace*>(b)) zeroSpaces += s->Width == 0;
  }
  EXPECT_GT(zeroSpaces, 0);
  EXPECT_FALSE(Layout.GetTruncated());
  // Rows stack without spacing.
  const auto& rows = *Layout.GetRows();
  EXPECT_EQ(rows[1]->Bounds.Top, rows[0]->Bounds.Bottom);

  // A word wider than the row stays and overflows; with an ellipsis it is cut to fit.
  Lay(u"incomprehensibilities", TRect(0, 0, 100, 1000), tloWordWrap);
  EXPECT_EQ(Layout.RowCount(), 1);
  EXPECT_GT(Layout.MeasureSize().cx, 100);
  EXPECT_TRUE(Layout.GetTruncated());
  Lay(u"incomprehensibilities", TRect(0, 0, 100, 1000), tloWordWrap | tloEndEllipsis);
  TZCLTextLayoutRow* row = (*Layout.GetRows())[0];
  ASSERT_NE(row->Ellipsis, nullptr);
  EXPECT_EQ(row->Last(), row->Ellipsis);
  EXPECT_LE(row->Bounds.Right, 100);
  EXPECT_TRUE(Rows().ends_with("\u2026"));
}

TEST_F(ZclTextCalc, GluedSpansAreNeverBroken) {
  // "ab[B]cd[/B]ef" is one unit: it moves whole to the next row.
  const Integer width = TextWidth(u"xx ") + TextWidth(u"abcdef") / 2;
  Lay(u"xx ab[B]cd[/B]ef", TRect(0, 0, width, 1000), tloWordWrap);
  EXPECT_EQ(Rows(), "xx |abcdef");
}

TEST_F(ZclTextCalc, HeightLimits) {
  const Integer lineHeight = [&] {
    Lay(u"x", TRect(0, 0, 500, 500), 0);
    return Layout.MeasureSize().cy;
  }();
  // Two lines, room for one and a half: the second is dropped only with WholeRowsOnly.
  Lay(u"first\nsecond", TRect(0, 0, 500, lineHeight * 3 / 2), tloWholeRowsOnly);
  EXPECT_EQ(Rows(), "first");
  EXPECT_TRUE(Layout.GetTruncated());
  Lay(u"first\nsecond", TRect(0, 0, 500, lineHeight * 3 / 2), 0);
  EXPECT_EQ(Rows(), "first|second");
  // No room for the second row's top: the first row, though it fits, gains the ellipsis.
  Lay(u"first\nsecond", TRect(0, 0, 500, lineHeight), tloEndEllipsis);
  EXPECT_EQ(Layout.RowCount(), 1);
  EXPECT_EQ(Rows(), "first\u2026");
  Lay(u"first\nsecond", TRect(0, 0, 500, lineHeight), tloEndEllipsis | tloNoHeightLimit);
  EXPECT_EQ(Rows(), "first|second");
  // A text of only a line break: two empty rows, each a line high.
  Lay(u"\n", TRect(0, 0, 500, 500), 0);
  ASSERT_EQ(Layout.RowCount(), 2);
  EXPECT_EQ((*Layout.GetRows())[1]->Bounds.Height(), lineHeight);
  EXPECT_EQ(Layout.MeasureSize().cy, 2 * lineHeight);
}

TEST_F(ZclTextCalc, WidthLimitsAndAlignment) {
  const Integer w = TextWidth(u"aaaa bbbb");
  Lay(u"aaaa bbbb cccc", TRect(0, 0, w, 100), 0);
  EXPECT_EQ(Rows(), "aaaa bbbb cccc");  // left: kept and clipped when drawn
  Lay(u"aaaa bbbb cccc", TRect(0, 0, w, 100), 0, taRightJustify);
  EXPECT_EQ(Rows(), "aaaa bbbb ");  // the word starting beyond the width is left out
  TZCLTextLayoutRow* row = (*Layout.GetRows())[0];
  EXPECT_EQ(row->Bounds.Left, 0);  // wider than the bounds with its space: stays at the left edge
  Lay(u"ab", TRect(10, 20, 110, 120), 0, taRightJustify);
  EXPECT_EQ((*Layout.GetRows())[0]->Bounds.Right, 110);
  Layout.SetVertAlignment(taAlignBottom);
  Layout.Calculate(Dib.GetCanvas());
  EXPECT_EQ((*Layout.GetRows())[0]->Bounds.Bottom, 120);
  Layout.SetHorzAlignment(taCenter);
  Layout.SetVertAlignment(taVerticalCenter);
  Layout.Calculate(Dib.GetCanvas());
  const TRect r = (*Layout.GetRows())[0]->Bounds;
  EXPECT_NEAR(r.Left - 10, 110 - r.Right, 1);
  EXPECT_NEAR(r.Top - 20, 120 - r.Bottom, 1);
  // Single line with an ellipsis stops at the first overflow; line breaks become spaces.
  Lay(u"aaaa\nbbbb cccc dddd", TRect(0, 0, w, 100), tloSingleLine | tloEndEllipsis);
  EXPECT_EQ(Layout.RowCount(), 1);
  EXPECT_TRUE(Rows().ends_with("\u2026"));
  EXPECT_EQ(Rows().substr(0, 4), "aaaa");
}

TEST_F(ZclTextCalc, RightToLeftRunsAreMirrored) {
  Lay(u"abc \u05D0\u05D1\u05D2 \u05D3\u05D4\u05D5 xyz", TRect(0, 0, 1000, 100), 0);
  TZCLTextLayoutRow* row = (*Layout.GetRows())[0];
  ASSERT_EQ(row->GetCount(), 7);
  const Integer def = (*row)[2]->Position.X, ghi = (*row)[4]->Position.X;
  EXPECT_LT(ghi, def);
  EXPECT_LT((*row)[0]->Position.X, ghi);
  EXPECT_GT((*row)[6]->Position.X, def);
}

TEST_F(ZclTextCalc, SizeTags) {
  auto heightOf = [&](const String& Text) {
    Lay(Text, TRect(0, 0, 1000, 1000), 0);
    return dynamic_cast<TZCLTextLayoutBlockText*>((*Layout.GetBlocks())[1])->Height;
  };
  const Integer plain = heightOf(u"[B]x");
  EXPECT_EQ(heightOf(u"[SIZE=200%]x"), plain);
  EXPECT_EQ(heightOf(u"[SIZE=12]x"), plain);  // 12 points at 96 DPI are 16 pixels
  EXPECT_GT(heightOf(u"[SIZE=1.5]x"), plain * 4 / 3);
  EXPECT_GT(heightOf(u"[BIG]x"), plain);
  // Smaller text sits on the common baseline, so lower than the row's top.
  Lay(u"A[SMALL]a", TRect(0, 0, 1000, 1000), 0);
  TZCLTextLayoutRow* row = (*Layout.GetRows())[0];
  EXPECT_GT((*row)[2]->Position.Y, (*row)[0]->Position.Y);
}

TEST_F(ZclTextCalc, ShrinkingNeverSplitsASurrogatePair) {
  Lay(u"a\U0001F600\U0001F600b\U0001F600", TRect(0, 0, 1000, 100), 0);
  auto* block = dynamic_cast<TZCLTextLayoutBlockText*>((*Layout.GetBlocks())[0]);
  ASSERT_NE(block, nullptr);
  const Integer full = block->Width;
  TZCLTextLayoutCanvasRender render(Dib.GetCanvas());
  AssignCanvasFont(Dib.GetCanvas(), &Font);
  for (Integer max = full; max >= 0; --max) {
    render.Measure(block);
    render.Shrink(block, max);
    EXPECT_LE(block->Width, max);
    if (block->VisibleLength > 0) {
      const Char last = block->Text[block->VisibleLength - 1];
      EXPECT_FALSE(last >= 0xD800 && last <= 0xDBFF) << max;
    }
  }
}

TEST_F(ZclTextCalc, DirtyLayoutsRefuseMeasuring) {
  Layout.SetText(u"x");
  try {
    Layout.MeasureSize();
    FAIL();
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.GetMessage(), u"TZCLTextLayout is not yet calculated");
  }
  EXPECT_THROW(Layout.RowCount(), EInvalidOperation);
}

}  // namespace

namespace {

TEST(ZclTextExport, PlainTextAndMarkers) {
  TZCLTextLayout layout(nullptr);
  layout.SetText(u"a[B]b[/B]\\nc");
  EXPECT_EQ(layout.ToString(), u"ab\r\nc");
  layout.SetText(u"x\ty [URL=t]go[/URL] www.a.org");
  EXPECT_EQ(layout.ToString(), u"x y go www.a.org");
  layout.SetText(u"ab\u200Bcd");
  TZCLTextLayoutBlock* block = nullptr;
  ASSERT_TRUE(layout.FindBlock(3, block));
  EXPECT_EQ(String(block->Text, block->Length), u"cd");
  EXPECT_FALSE(layout.FindBlock(0, block));
  EXPECT_FALSE(layout.FindBlock(6, block));
}

class ZclTextPaint : public ZclTextCalc {
 protected:
  void White() {
    Dib.Resize(200, 40);
    Dib.BeginAccess();
    std::fill(Dib.GetColors(), Dib.GetColors() + Dib.GetColorCount(), TZCLPixel32{255, 255, 255, 255});
    Dib.EndAccess();
  }
  void Paint(TZCLTextLayout& L, const String& Text,
             TZCLTextFormatSettings Settings = TZCLTextFormatSettings::Default()) {
    White();
    L.SetText(Text, Settings);
    L.SetBounds(TRect(0, 0, 200, 40));
    L.Draw(Dib.GetCanvas());
  }
  TZCLPixel32 At(Integer X, Integer Y) {
    Dib.BeginAccess();
    return Dib.GetColors()[Dib.CoordToIndex(X, Y)];
  }
  // Pixels in R whose colour is close to C.
  Integer Count(const TRect& R, TColor C) {
    const TZCLPixel32 c = TAlphaColorHelper::ToPixel(TAlphaColorHelper::FromColor(C));
    Integer n = 0;
    for (Integer y = R.Top; y < R.Bottom; ++y)
      for (Integer x = R.Left; x < R.Right; ++x) {
        const TZCLPixel32 p = At(x, y);
        n += std::abs(p.R - c.R) < 40 && std::abs(p.G - c.G) < 40 && std::abs(p.B - c.B) < 40;
      }
    return n;
  }
  TRect BoundsOf(Integer Index) { return (*Layout.GetBlocks())[Index]->GetBounds(); }
};

TEST_F(ZclTextPaint, ColoursAndHyperlinks) {
  Paint(Layout, u"[COLOR=red]ab[/COLOR] cd");
  EXPECT_GT(Count(BoundsOf(1), clRed), 5);
  EXPECT_EQ(Count(BoundsOf(1), clBlack), 0);
  EXPECT_GT(Count(BoundsOf(4), clBlack), 5);
  EXPECT_EQ(Count(BoundsOf(4), clRed), 0);

  Byte h, s, l;
  TZCLColors::ColorToHSLBytes(Layout.GetDefaultHyperlinkColor(), h, s, l);
  EXPECT_NEAR(h, 154, 1);
  EXPECT_NEAR(s, 154, 1);
  EXPECT_NEAR(l, 100, 1);
  Paint(Layout, u"[URL=x]link[/URL]");
  const TColor link = Layout.GetDefaultHyperlinkColor();
  const TRect r = BoundsOf(1);
  EXPECT_GT(Count(r, link), 5);
  // The underline runs along the bottom part of the block.
  EXPECT_GT(Count(TRect(r.Left, r.Top + r.Height() / 2, r.Right, r.Bottom), link), r.Width() / 2);
}

TEST_F(ZclTextPaint, UnderlinesAndBackgroundsOverSpaces) {
  Paint(Layout, u"[U]a b[/U]");
  TRect space = BoundsOf(2);
  EXPECT_GT(Count(space, clBlack), 0);  // the underline continues over the space
  Paint(Layout, u"[S]a b[/S]");
  EXPECT_EQ(Count(BoundsOf(2), clBlack), 0);  // strike-out alone does not

  Paint(Layout, u"[BACKCOLOR=yellow]a b[/BACKCOLOR]");
  const TRect a = BoundsOf(1);
  EXPECT_EQ(Count(BoundsOf(2), clYellow), BoundsOf(2).Width() * BoundsOf(2).Height());
  EXPECT_GT(Count(TRect(a.Left, a.Top, a.Right, a.Top + 2), clYellow), 0);  // opaque text cell
  TZCLTextLayout32 layout32(&Font);
  Paint(layout32, u"[BACKCOLOR=yellow]a b[/BACKCOLOR]");
  const TRect space32 = (*layout32.GetBlocks())[2]->GetBounds();
  const TRect a32 = (*layout32.GetBlocks())[1]->GetBounds();
  EXPECT_EQ(Count(space32, clYellow), space32.Width() * space32.Height());
  EXPECT_EQ(Count(TRect(a32.Left, a32.Top, a32.Right, a32.Top + 2), clYellow), 0);
  EXPECT_GT(Count(a32, clBlack), 5);
}

TEST_F(ZclTextPaint, ShadowUnderTheText) {
  Font.GetShadow()->SetColor(0xFFFF0000);
  Font.GetShadow()->SetSize(2);
  Font.GetShadow()->SetDirection(mzRightBottom);
  Layout.SetBounds(TRect(0, 0, 200, 40));
  Paint(Layout, u"Hello");
  const TRect r = BoundsOf(0);
  // The shadow margins move the text right and down by the blur radius (0 here).
  EXPECT_EQ(r.TopLeft(), TPoint(0, 0));
  EXPECT_GT(Count(TRect(r.Left, r.Top, r.Right + 3, r.Bottom + 3), clRed), 10);
  EXPECT_GT(Count(r, clBlack), 10);
  EXPECT_EQ(Layout.MeasureSize(), TSize(r.Width() + 2, r.Height() + 2));
}

TEST_F(ZclTextPaint, HitTesting) {
  TZCLTextFormatSettings settings;
  settings.DetectEmails = true;
  Paint(Layout, u"mail bob@x.org now", settings);
  const TRect mail = BoundsOf(3);
  TZCLTextLayoutBlockHyperlink* link = nullptr;
  ASSERT_TRUE(Layout.HitTest(mail.CenterPoint(), link));
  EXPECT_EQ(link->Hyperlink, u"mailto:bob@x.org");
  EXPECT_FALSE(Layout.HitTest(BoundsOf(0).CenterPoint(), link));
  EXPECT_FALSE(Layout.HitTest(TPoint(199, 39), link));
  TZCLTextLayoutHitTest test(&Layout);
  Layout.HitTestCore(BoundsOf(6).CenterPoint(), &test);
  EXPECT_EQ(test.GetHitBlock(), (*Layout.GetBlocks())[6]);
  EXPECT_EQ(test.GetHitRowIndex(), 0);
  EXPECT_EQ(test.GetHitRowText(), u"");  // not cut

  // An unclosed link does not leak to points that hit no block.
  Paint(Layout, u"[URL=x]abc");
  EXPECT_TRUE(Layout.HitTest(BoundsOf(1).CenterPoint(), link));
  EXPECT_FALSE(Layout.HitTest(TPoint(199, 39), link));

  // A row cut with an ellipsis gives its whole text for a tooltip.
  Lay(u"first row is long\nnext", TRect(0, 0, TextWidth(u"first ro"), 200), tloEndEllipsis);
  Layout.HitTestCore(BoundsOf(0).CenterPoint(), &test);
  EXPECT_EQ(test.GetHitRowIndex(), 0);
  EXPECT_EQ(test.GetHitRowText(), u"first row is long");
}

TEST_F(ZclTextPaint, FormattedTextInOneCall) {
  White();
  TCanvas* canvas = Dib.GetCanvas();
  AssignCanvasFont(canvas, &Font);
  DrawFormattedText(canvas, u"[COLOR=blue]Blue[/COLOR] text", TRect(0, 0, 200, 40), taLeftJustify, taAlignTop, false);
  EXPECT_GT(Count(TRect(0, 0, 40, 40), clBlue), 5);
  EXPECT_EQ(canvas->GetFont()->GetHeight(), -16);
  DrawFormattedText(canvas, u"", TRect(0, 0, 200, 40), taLeftJustify, taAlignTop, false);
}

}  // namespace

namespace {

TEST_F(ZclTextPaint, ClippingAndOrigin) {
  // Drawing with an origin shifts the text; the clip covers the same device area.
  Paint(Layout, u"Hello");
  const Integer plain = Count(TRect(0, 0, 200, 40), clBlack);
  const TRect r = BoundsOf(0);
  White();
  Layout.DrawWithOrigin(Dib.GetCanvas(), TRect(0, 0, 200, 40), TPoint(50, 10));
  EXPECT_EQ(Count(r, clBlack), 0);
  EXPECT_NEAR(Count(TRect(r.Left + 50, r.Top + 10, r.Right + 50, r.Bottom + 10), clBlack), plain, plain / 10);
  // Clipped to a rectangle left of the text: nothing drawn; the clip is restored afterwards.
  White();
  Layout.DrawClipped(Dib.GetCanvas(), TRect(150, 0, 200, 40));
  EXPECT_EQ(Count(TRect(0, 0, 200, 40), clBlack), 0);
  TRect box;
  GetClipBox(Dib.GetDC(), &box);
  EXPECT_EQ(box, TRect(0, 0, 200, 40));
}

TEST_F(ZclTextPaint, GlowShadowAllAround) {
  Font.SetColorAlpha(0);
  Font.GetShadow()->SetColor(0xFF0000FF);
  Font.GetShadow()->SetDirection(mzClient);
  // The 32-bit render honours the text's opacity: only the glow shows.
  TZCLTextLayout32 layout(&Font);
  Paint(layout, u"I");
  const TRect r = (*layout.GetBlocks())[0]->GetBounds();  // moved in by the glow's margin of 1
  EXPECT_EQ(r.TopLeft(), TPoint(1, 1));
  // Blue on both sides of the stem, no text colour.
  EXPECT_GT(Count(TRect(r.Left - 1, r.Top, r.Left + r.Width() / 2, r.Bottom), clBlue), 0);
  EXPECT_GT(Count(TRect(r.Left + r.Width() / 2, r.Top, r.Right + 1, r.Bottom), clBlue), 0);
  EXPECT_EQ(Count(TRect(0, 0, 200, 40), clBlack), 0);
}

}  // namespace
