#include <gtest/gtest.h>

#include "rtl/RTL.Strings.h"
#include "rtl/RTL.Format.h"
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
      {u"to bob.x@mail-1.example.org", mail, "'to' _ <a=mailto:bob.x@mail-1.example.org> 'bob.x@mail-1.example.org' </a>"},
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
