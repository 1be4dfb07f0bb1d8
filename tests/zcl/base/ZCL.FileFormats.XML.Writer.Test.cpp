#include "zcl/base/ZCL.FileFormats.XML.Writer.h"

#include <gtest/gtest.h>

#include <functional>

#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.Base.TestUtil.h"
#include "zcl/base/ZCL.FileFormats.XML.Types.h"

namespace {

// Runs Body on a writer with the settings and returns the UTF-8 output.
std::string Written(const TZCLXMLWriterSettings& Settings, const std::function<void(TZCLXMLWriter&)>& Body) {
  TBytesStream stream;
  {
    auto w = TZCLXMLWriter::Create(&stream, Settings);
    Body(*w);
    w->Close();
  }
  TBytes b = stream.GetBytes();
  return std::string(b.begin(), b.begin() + stream.GetSize());
}

TZCLXMLWriterSettings Raw() {
  TZCLXMLWriterSettings s;
  s.WellFormed = false;
  return s;
}

TZCLXMLWriterSettings NoDecl(bool WellFormed = true) {
  TZCLXMLWriterSettings s;
  s.WellFormed = WellFormed;
  s.NoDeclaration = true;
  return s;
}

}  // namespace

TEST(ZCLXMLWriter, DeclarationAndEscapedText) {
  auto body = [](TZCLXMLWriter& w) {
    w.WriteStartElement(u"a");
    w.WriteString(u"x<y");
    w.WriteEndElement();
  };
  EXPECT_EQ(Written(Raw(), body), "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<a>x&lt;y</a>");
  EXPECT_EQ(Written(NoDecl(false), body), "<a>x&lt;y</a>");
  TZCLXMLWriterSettings standalone = Raw();
  EXPECT_EQ(Written(standalone,
                    [](TZCLXMLWriter& w) {
                      w.WriteStartDocument(1);
                      w.WriteStartElement(u"a");
                      w.WriteEndElement();
                    }),
            "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\r\n<a/>");
}

TEST(ZCLXMLWriter, EmptyAndFullEndElementsWithIndentation) {
  EXPECT_EQ(Written(NoDecl(), [](TZCLXMLWriter& w) { w.WriteStartElement(u"a"); w.WriteEndElement(); }), "<a/>");
  EXPECT_EQ(Written(NoDecl(), [](TZCLXMLWriter& w) { w.WriteStartElement(u"a"); w.WriteFullEndElement(); }),
            "<a></a>");
  TZCLXMLWriterSettings s = NoDecl();
  s.IndentElements = true;
  s.LineBreak = u"\n";
  EXPECT_EQ(Written(s,
                    [](TZCLXMLWriter& w) {
                      w.WriteStartElement(u"r");
                      w.WriteStartElement(u"a");
                      w.WriteAttributeString(u"k", u"v");
                      w.WriteFullEndElement();
                      w.WriteElementString(u"b", u"t");
                      w.WriteEndElement();
                    }),
            "<r>\n\t<a k=\"v\">\n\t</a>\n\t<b>t</b>\n</r>");
  s.BreakBeforeAttributes = true;
  EXPECT_EQ(Written(s,
                    [](TZCLXMLWriter& w) {
                      w.WriteStartElement(u"r");
                      w.WriteAttributeString(u"k", u"v");
                      w.WriteEndElement();
                    }),
            "<r\n\tk=\"v\"/>");
  // Inside xml:space="preserve" indentation would become content: none is added there.
  s.BreakBeforeAttributes = false;
  EXPECT_EQ(Written(s,
                    [](TZCLXMLWriter& w) {
                      w.WriteStartElement(u"r");
                      w.WriteStartElement(u"p");
                      w.WriteAttributeString(u"xml", u"space", u"preserve");
                      w.WriteElementString(u"a", u" t ");
                      w.WriteStartElement(u"d");
                      w.WriteAttributeString(u"xml", u"space", u"default");
                      w.WriteElementString(u"b", u"t");
                      w.WriteFullEndElement();
                      w.WriteFullEndElement();
                      w.WriteElementString(u"c", u"t");
                      w.WriteEndElement();
                    }),
            "<r>\n\t<p xml:space=\"preserve\"><a> t </a><d xml:space=\"default\">\n\t\t\t<b>t</b>\n\t\t</d></p>\n\t<c>t</c>\n</r>");
}

TEST(ZCLXMLWriter, LineBreakModes) {
  struct Case {
    Byte Mode;
    const char* Text;
    const char* Attr;
  } cases[] = {
      {0, "<a v=\"&#x9;&#xA;&#xD;\">a\nb\n</a>", nullptr},
      {1, "<a v=\"&#x9;&#xA;&#xD;\">a&#xD;\nb&#xD;</a>", nullptr},
      {2, "<a v=\"\t\n\r\">a\r\nb\r</a>", nullptr},
  };
  for (const Case& c : cases) {
    TZCLXMLWriterSettings s = NoDecl();
    s.LineBreak = u"\n";
    s.LineBreakMode = c.Mode;
    EXPECT_EQ(Written(s,
                      [](TZCLXMLWriter& w) {
                        w.WriteStartElement(u"a");
                        w.WriteAttributeString(u"v", u"\t\n\r");
                        w.WriteString(u"a\r\nb\r");
                        w.WriteEndElement();
                      }),
              c.Text)
        << int(c.Mode);
  }
}

TEST(ZCLXMLWriter, InvalidCharactersCDataCommentsAndEntities) {
  auto text = [](TZCLXMLWriter& w) {
    w.WriteStartElement(u"a");
    w.WriteString(String(u"x\u0001", 2));
    w.WriteEndElement();
  };
  EXPECT_EQ(RaisedMessage<EZCLXMLArgumentException>([&] { Written(NoDecl(), text); }),
            "The 0001 is an invalid character.");
  TZCLXMLWriterSettings s = NoDecl();
  s.RejectInvalidChars = false;
  EXPECT_EQ(Written(s, text), "<a>x_x0001_</a>");
  s.UnderscoreEscapes = false;
  EXPECT_EQ(Written(s, text), "<a>x&#x0001;</a>");
  EXPECT_EQ(Written(s,
                    [](TZCLXMLWriter& w) {
                      w.WriteStartElement(u"a");
                      w.WriteComment(String(u"\u0001", 1));
                      w.WriteEndElement();
                    }),
            "<a><!--\x01--></a>");
  EXPECT_EQ(Written(NoDecl(),
                    [](TZCLXMLWriter& w) {
                      w.WriteStartElement(u"a");
                      w.WriteCData(u"a]]>b");
                      w.WriteComment(u"a--b-");
                      w.WriteSurrogateCharEntity(0xDE00, 0xD83D);
                      w.WriteCharEntity(u'\t');
                      w.WriteEntityRef(u"amp");
                      w.WriteString(u"\U0001F600\"'>");
                      w.WriteEndElement();
                    }),
            "<a><![CDATA[a]]]]><![CDATA[>b]]><!--a- -b- -->&#x1f600;&#x0009;&amp;\xF0\x9F\x98\x80\"'&gt;</a>");
  EXPECT_EQ(RaisedMessage<EZCLXMLArgumentException>([&] {
              Written(NoDecl(), [](TZCLXMLWriter& w) {
                w.WriteStartElement(u"a");
                w.WriteString(String(1, Char(0xD800)));
              });
            }),
            "The surrogate pair is invalid. Missing a low surrogate character.");
}

TEST(ZCLXMLWriter, OrderErrors) {
  EXPECT_EQ(RaisedMessage<Exception>([] {
              Written(NoDecl(false), [](TZCLXMLWriter& w) {
                w.WriteStartElement(u"a");
                w.WriteEndElement();
                w.WriteStartElement(u"b");
              });
            }),
            "Invalid state (FState = 1, AToken = 2)");
  TBytesStream stream;
  auto w = TZCLXMLWriter::Create(&stream, NoDecl());
  EXPECT_THROW(w->WriteString(u"x"), Exception);
  EXPECT_EQ(w->GetWriteState(), xwsError);
}

// Names are checked, so a file is never written that would load truncated.
TEST(ZCLXMLWriter, CheckingWriterRejectsBadNamesAndDuplicates) {
  struct Case {
    std::function<void(TZCLXMLWriter&)> Body;
    const char* Message;
  } cases[] = {
      {[](TZCLXMLWriter& w) { w.WriteStartElement(u"1a"); },
       "Invalid name character in \"1a\". The 0 character, hexadecimal value 0031, cannot be included in a name."},
      {[](TZCLXMLWriter& w) { w.WriteStartElement(u"a b"); },
       "Invalid name character in \"a b\". The 1 character, hexadecimal value 0020, cannot be included in a name."},
      {[](TZCLXMLWriter& w) {
         w.WriteStartElement(u"a");
         w.WriteAttributeString(u"x<", u"v");
       },
       "Invalid name character in \"x<\". The 1 character, hexadecimal value 003c, cannot be included in a name."},
      {[](TZCLXMLWriter& w) {
         w.WriteStartElement(u"a");
         w.WriteStartAttribute(u"xmlns", u"xml");
       },
       "The xml is invalid for local name"},
      {[](TZCLXMLWriter& w) {
         w.WriteStartElement(u"a");
         w.WriteAttributeString(u"a", u"1");
         w.WriteAttributeString(u"a", u"2");
       },
       "\"a\" is a duplicate attribute name."},
      {[](TZCLXMLWriter& w) {
         w.WriteStartElement(u"a");
         w.WriteAttributeString(u"p", u"x", u"1");
         w.WriteEndElement();
       },
       "Unable to find namespace for the \"p\" prefix"},
      {[](TZCLXMLWriter& w) {
         w.WriteStartElement(u"a");
         w.WriteAttributeString(u"xmlns", u"p", u"urn:n");
         w.WriteAttributeString(u"xmlns", u"q", u"urn:n");
         w.WriteAttributeString(u"p", u"x", u"1");
         w.WriteAttributeString(u"q", u"x", u"2");
         w.WriteEndElement();
       },
       "\"q:x\" is a duplicate attribute name."},
      {[](TZCLXMLWriter& w) { w.WriteEndElement(); }, "There was no XML start tag open."},
  };
  for (const Case& c : cases) {
    TBytesStream stream;
    auto w = TZCLXMLWriter::Create(&stream, NoDecl());
    EXPECT_EQ(RaisedMessage<EZCLXMLException>([&] { c.Body(*w); }), c.Message);
    EXPECT_EQ(w->GetWriteState(), xwsError);
  }
  // A namespace declared on the element itself resolves its prefix.
  EXPECT_EQ(Written(NoDecl(),
                    [](TZCLXMLWriter& w) {
                      w.WriteStartElement(u"p", u"a", u"");
                      w.WriteAttributeString(u"xmlns", u"p", u"urn:x");
                      w.WriteAttributeString(u"xml", u"space", u"preserve");
                      w.WriteEndElement();
                    }),
            "<p:a xmlns:p=\"urn:x\" xml:space=\"preserve\"/>");
}

// The output is UTF-8 across buffer flushes, with pairs kept whole and lone surrogates replaced
// as the run-time library's encoder does.
TEST(ZCLXMLWriter, Utf8AcrossFlushes) {
  String text;
  while (text.size() < 200000) text += u"a\u00E9\u20AC\U0001F600\xD800z\xDC00";
  TZCLXMLWriterSettings s = NoDecl(false);
  s.RejectInvalidChars = false;
  std::string out = Written(s, [&](TZCLXMLWriter& w) {
    w.WriteStartElement(u"r");
    w.WriteCData(text);
    w.WriteEndElement();
  });
  TBytes expected = TEncoding::GetUTF8()->GetBytes(u"<r><![CDATA[" + text + u"]]></r>");
  EXPECT_TRUE(out == std::string(expected.begin(), expected.end()));
  // A pair written in two calls is one character; a flush parts a pair into two lone halves.
  out = Written(s, [&](TZCLXMLWriter& w) {
    w.WriteStartElement(u"r");
    w.WriteRaw(u"\xD83D");
    w.WriteRaw(u"\xDE00|\xD83D");
    w.Flush();
    w.WriteRaw(u"\xDE00");
    w.WriteEndElement();
  });
  EXPECT_EQ(out, "<r>\xF0\x9F\x98\x80|\xEF\xBF\xBD\xEF\xBF\xBD</r>");
}
