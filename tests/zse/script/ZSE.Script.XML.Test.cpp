#include <gtest/gtest.h>

#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Types.h"
#include "zse/script/ZSE.Script.XML.h"

namespace {

TMemoryStream* TextStream(std::string_view Text) {
  auto* s = new TMemoryStream;
  s->WriteBuffer(Text.data(), static_cast<Int64>(Text.size()));
  s->SetPosition(0);
  return s;
}

std::string Utf8(const String& S) { return StringToUTF8(S); }

// Signature, two empty strings and a zero child count.
TEST(ScriptXml, EmptyDocumentIsSixteenBytesAndRoundTrips) {
  TzsXMLDocument doc;
  TMemoryStream out;
  doc.SaveToBinaryStream(&out);
  ASSERT_EQ(out.GetSize(), 16);
  const auto* p = static_cast<const char*>(out.GetMemory());
  EXPECT_EQ(std::string(p, 8), "ZSXMLBIN");
  for (int i = 8; i < 16; ++i) EXPECT_EQ(p[i], 0);

  TzsXMLDocument tree;
  tree.GetRoot()->SetName(u"program");
  TzsXMLItem* a = tree.GetRoot()->Add();
  a->SetName(u"var");
  a->SetText(u"pos=\"1:5\"");
  a->Add()->SetName(u"ident");
  TMemoryStream bin;
  tree.SaveToBinaryStream(&bin);
  bin.SetPosition(0);
  TzsXMLDocument back;
  back.LoadFromStream(&bin);
  EXPECT_EQ(bin.GetPosition(), bin.GetSize());
  ASSERT_EQ(back.GetRoot()->GetCount(), 1);
  EXPECT_EQ(Utf8(back.GetRoot()->GetName()), "program");
  EXPECT_EQ(Utf8(back.GetRoot()->GetItem(0)->GetText()), "pos=\"1:5\"");
  EXPECT_EQ(Utf8(back.GetRoot()->GetItem(0)->GetItem(0)->GetName()), "ident");
}

TEST(ScriptXml, TruncatedOrForeignBinaryFailsAndRestoresPosition) {
  TzsXMLDocument tree;
  tree.GetRoot()->SetName(u"program");
  tree.GetRoot()->Add()->SetName(u"child");
  TMemoryStream bin;
  tree.SaveToBinaryStream(&bin);
  bin.SetSize(bin.GetSize() - 3);
  bin.SetPosition(0);
  TzsXMLDocument doc;
  EXPECT_FALSE(doc.TryLoadFromStream(&bin));
  EXPECT_EQ(bin.GetPosition(), 0);

  std::unique_ptr<TMemoryStream> bad(TextStream("ZSXMLBAD........"));
  EXPECT_THROW(doc.LoadFromBinaryStream(bad.get()), Exception);
}

TEST(ScriptXml, TextFormElementsCommentsAndCase) {
  std::unique_ptr<TMemoryStream> s(
      TextStream("\xEF\xBB\xBF <?xml version=\"1.0\"?>\n<a><!-- x -- y --><b/><c x=\"1\" /><!-- z --->still--></A>"));
  TzsXMLDocument doc;
  doc.LoadFromStream(s.get());
  TzsXMLItem* a = doc.GetRoot();
  EXPECT_EQ(Utf8(a->GetName()), "a");
  ASSERT_EQ(a->GetCount(), 2);
  EXPECT_EQ(Utf8(a->GetItem(0)->GetName()), "b");
  EXPECT_EQ(Utf8(a->GetItem(0)->GetText()), "");
  EXPECT_EQ(Utf8(a->GetItem(1)->GetText()), "x=\"1\" ");
  EXPECT_EQ(Utf8(a->GetItem(1)->GetAttribute(u"X")), "1");
}

TEST(ScriptXml, MalformedTextForms) {
  struct Case {
    const char* Text;
    bool Fails;
  } cases[] = {
      {"<?xml?><a></b>", true},    {"<a></a>      ", true},  // no header
      {"<?xml?><a <b>", true},                               // '<' inside a tag
      {"<?xml?><a x=\"1", true},                             // ends inside a tag
      {"<?xml?><a><b><c>", false},                           // open elements at the end are kept
  };
  for (const Case& c : cases) {
    std::unique_ptr<TMemoryStream> s(TextStream(c.Text));
    TzsXMLDocument doc;
    if (c.Fails)
      EXPECT_THROW(doc.LoadFromStream(s.get()), EZScriptInvalidXmlFormat) << c.Text;
    else
      EXPECT_NO_THROW(doc.LoadFromStream(s.get())) << c.Text;
  }
}

TEST(ScriptXml, DeepNestingIsRefusedNotOverflowed) {
  std::string text = "<?xml?>";
  for (int i = 0; i < 100000; ++i) text += "<a>";
  std::unique_ptr<TMemoryStream> s(TextStream(text));
  TzsXMLDocument doc;
  EXPECT_THROW(doc.LoadFromStream(s.get()), EZScriptInvalidXmlFormat);

  // The binary form: each item with one child.
  TMemoryStream bin;
  bin.WriteBuffer("ZSXMLBIN", 8);
  const char item[8] = {0, 0, 0, 0, 1, 0, 0, 0};
  for (int i = 0; i < 100000; ++i) bin.WriteBuffer(item, 8);
  bin.SetPosition(0);
  EXPECT_FALSE(doc.TryLoadFromStream(&bin));
}

TEST(ScriptXml, AttributeLookup) {
  TzsXMLItem item;
  item.SetText(u"TEXT=\"1\" text2=\"2\" q=\"a&#34;b&#60;\"");
  EXPECT_EQ(Utf8(item.GetAttribute(u"text")), "1");
  EXPECT_EQ(Utf8(item.GetAttribute(u"text2")), "2");
  EXPECT_EQ(Utf8(item.GetAttribute(u"ext")), "");
  EXPECT_EQ(Utf8(item.GetAttribute(u"q")), "a\"b<");
}

TEST(ScriptXml, EscapingRoundTripsEveryText) {
  EXPECT_EQ(Utf8(StrToXML(u"<")), "&#60;");
  EXPECT_EQ(Utf8(XMLToStr(u"&#60;x&quot;y")), "<x\"y");
  EXPECT_EQ(Utf8(XMLToStr(u"a&amp;b&#12")), "a&amp;b&#12");  // unknown and unterminated kept
  for (const char16_t* s : {u"&quot;", u"&amp;", u"&#60;", u"a & b", u"\"<>\r\n&", u"&"})
    EXPECT_EQ(XMLToStr(StrToXML(s)), String(s)) << Utf8(s);
}

}  // namespace
