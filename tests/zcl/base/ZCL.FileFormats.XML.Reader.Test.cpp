#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.Base.TestUtil.h"
#include "zcl/base/ZCL.FileFormats.XML.Reader.h"
#include "zcl/base/ZCL.FileFormats.XML.Types.h"
#include "zcl/base/ZCL.FileFormats.XML.Writer.h"

namespace {

TZCLXMLReaderSettings Defaults() { return {}; }

// One line per node: kind, qualified name, "=" and the value as GetValue gives it; attributes
// follow their element as "@name=value".
std::string Dump(const std::string& Xml, TZCLXMLReaderSettings Settings = Defaults(), Integer Chunk = 1 << 30) {
  TTrickleStream stream(Xml, Chunk);
  auto r = TZCLXMLReader::Create(Settings, &stream);
  std::string out;
  while (r->Read()) {
    TZCLXMLNodeData* n = r->Node();
    out += std::to_string(int(n->NodeType)) + ":" + StringToUTF8(n->GetQualifiedName()) + "=" +
           StringToUTF8(r->GetValue()) + (n->IsEmptyElement() ? "/" : "") + "\n";
    while (r->MoveToNextAttribute())
      out += "@" + StringToUTF8(r->Node()->GetQualifiedName()) + "=" + StringToUTF8(r->Node()->Value) + "\n";
    r->MoveToElement();
  }
  return out;
}

std::string Error(const std::string& Xml, TZCLXMLReaderSettings Settings = Defaults()) {
  return RaisedMessage<EZCLXMLException>([&] { Dump(Xml, Settings); });
}

}  // namespace

TEST(ZCLXMLReader, NodesAndValues) {
  EXPECT_EQ(Dump("<a/>"), "1:a=/\n");
  EXPECT_EQ(Dump("<a></a>"), "1:a=\n15:a=\n");
  EXPECT_EQ(Dump("<a> x </a>"), "1:a=\n3:=x\n15:a=\n");
  EXPECT_EQ(Dump("<a xml:space='preserve'> x </a>"), "1:a=\n@xml:space=preserve\n3:= x \n15:a=\n");
  EXPECT_EQ(Dump("<a>\n  <b/></a>"), "1:a=\n13:=\n1:b=/\n15:a=\n");
  TZCLXMLReaderSettings s;
  s.IgnoreWhitespace = true;
  EXPECT_EQ(Dump("<a>\n  <b/></a>", s), "1:a=\n1:b=/\n15:a=\n");
  EXPECT_EQ(Dump("<?xml version='1.0'?><r><!--c--><?pi   data ?><![CDATA[a]]b]]></r>"),
            "17:xml=version='1.0'\n@version=1.0\n1:r=\n8:=c\n7:pi=data\n4:=a]]b\n15:r=\n");
  EXPECT_EQ(Dump("<!DOCTYPE r [ <!ENTITY e 'x'> ]><r>a\r\nb\rc</r>"), "1:r=\n3:=a\nb\nc\n15:r=\n");
  EXPECT_EQ(Dump("<a x='a&#9;b\tc' y='&foo;' z='&#60;&amp;'>&#x1F600;&lt;&unknown;</a>"),
            "1:a=\n@x=a\tb c\n@y=&foo;\n@z=<&\n3:=\xF0\x9F\x98\x80<&unknown;\n15:a=\n");
}

// Long runs of text are taken in blocks: escapes, stops and blank text must be found wherever
// they fall in a block.
TEST(ZCLXMLReader, LongRunsInTextAndAttributes) {
  TZCLXMLReaderSettings ignore;
  ignore.IgnoreWhitespace = true;
  const struct {
    const char* Xml;
    const char* Dump;
    bool IgnoreWhitespace;
  } cases[] = {
      {"<a>abcdefghijklmno_x0001_p</a>", "1:a=\n3:=abcdefghijklmno\x01p\n15:a=\n", false},
      {"<a x='abcdefghijklmno_x0001_p'/>", "1:a=/\n@x=abcdefghijklmno\x01p\n", false},
      {"<a x='abcdefgh\"ijklmn>op&amp;qrstuvwx'/>", "1:a=/\n@x=abcdefgh\"ijklmn>op&qrstuvwx\n", false},
      {"<a>abcdefg\xE4\xB8\xADhijklmnop\nqrstuvwxyz]a</a>",
       "1:a=\n3:=abcdefg\xE4\xB8\xADhijklmnop\nqrstuvwxyz]a\n15:a=\n", false},
      {"<a>                   <b/></a>", "1:a=\n1:b=/\n15:a=\n", true},
      {"<a>                 . <b/></a>", "1:a=\n3:=.\n1:b=/\n15:a=\n", true},
      {"<a xml:space='preserve'>                  </a>",
       "1:a=\n@xml:space=preserve\n14:=                  \n15:a=\n", true},
  };
  for (const auto& c : cases) EXPECT_EQ(Dump(c.Xml, c.IgnoreWhitespace ? ignore : Defaults()), c.Dump) << c.Xml;
  EXPECT_EQ(Error("<a>abcdefghijklmnopqr\x01</a>"),
            "'\x01', hexadecimal value 0x 1, is an invalid character. Line 1, position 22");
}

TEST(ZCLXMLReader, NamespacesAndAttributeLookups) {
  const std::string xml = "<p:a xmlns:p='urn:p' xmlns='urn:d' p:x='1' x='2'><b/><q:c/></p:a>";
  TBytesStream stream(TBytes(xml.begin(), xml.end()));
  auto r = TZCLXMLReader::Create(Defaults(), &stream);
  ASSERT_TRUE(r->Read());
  EXPECT_EQ(r->Node()->NamespaceURI, u"urn:p");
  String v;
  EXPECT_TRUE(r->TryGetAttribute(u"x", v));
  EXPECT_EQ(v, u"2");
  EXPECT_TRUE(r->TryGetAttribute(u"p:x", v));
  EXPECT_EQ(v, u"1");
  EXPECT_EQ(r->GetAttribute(u"x", u"urn:p"), u"1");
  ASSERT_TRUE(r->Read());
  EXPECT_EQ(r->Node()->NamespaceURI, u"urn:d");
  ASSERT_TRUE(r->Read());
  EXPECT_EQ(r->Node()->NamespaceURI, u"q");
  TZCLXMLReaderSettings off;
  off.Namespaces = false;
  EXPECT_EQ(Dump("<a:b:c xml:space='x'/>", off), "1:a:b:c=/\n@xml:space=x\n");
}

TEST(ZCLXMLReader, ErrorsCarryLineAndPosition) {
  struct Case {
    const char* Xml;
    const char* Message;
  } cases[] = {
      {"", "Root element is missing."},
      {"<r>", "Unexpected end of file has occurred. The following elements are not closed: r. Line 1, position 4"},
      {"<a><b>",
       "Unexpected end of file has occurred. The following elements are not closed: b, a. Line 1, position 7"},
      {"<a/><b/>", "There are multiple root elements. Line 1, position 6"},
      {"abc", "Data at the root level is invalid. Line 1, position 1"},
      {"<a x='1'y='2'/>", "'y' is an unexpected token. Expecting white space. Line 1, position 9"},
      {"<a x='<'/>", "'<', hexadecimal value 0x3C, is an invalid attribute character. Line 1, position 7"},
      {"<a>&#x100000041;</a>", "Invalid value of a character entity reference. Line 1, position 15"},
      {"<a xmlns:p=''/>", "Invalid namespace declaration. Line 1, position 12"},
      {"<a xml:space='keep'/>", "'keep' is an invalid xml:space value. Line 1, position 4"},
      {"<a>\n  </b>",
       "The 'a' start tag on line '1' position '2' does not match the end tag of 'b'. Line 2, position 5"},
      {"<!-- a -- b --><r/>",
       "An XML comment cannot contain '--', and '-' cannot be the last character. Line 1, position 8"},
      {"<?xml encoding='utf-8' version='1.0'?><r/>", "Syntax for an XML declaration is invalid. Line 1, position 7"},
      {" <?xml version='1.0'?><r/>",
       "Unexpected XML declaration. The XML declaration must be the first node in the document, and no white space "
       "characters are allowed to appear before it. Line 1, position 4"},
      {"<r/><!DOCTYPE r>", "Unexpected DTD declaration. Line 1, position 5"},
      {"<?p:i x?><r/>", "The ':' character, hexadecimal value 0x3A, cannot be included in a name. Line 1, position 4"},
      {"<r>a]]>b</r>", "']]&gt;' is not allowed in character data. Line 1, position 5"},
      {"<r>\x01</r>", "'\x01', hexadecimal value 0x 1, is an invalid character. Line 1, position 4"},
      {"<r>\xC3</r>", "Invalid character in the given encoding. Line 1, position 4"},
      {"<r>\x01\xC3</r>", "'\x01', hexadecimal value 0x 1, is an invalid character. Line 1, position 4"},
      {"<a x='1' x='2'/>", "'x' is a duplicate attribute name. Line 1, position 10"},
      {"<a xmlns:p='u' xmlns:q='u' p:x='1' q:x='2'/>", "'q:x' is a duplicate attribute name. Line 1, position 36"},
      {"<a>A & B</a>", "An error occurred while parsing EntityName. Line 1, position 7"},
      {"<a x='&amp no'/>", "An error occurred while parsing EntityName. Line 1, position 11"},
      {"<?xml version='1.0 '?><r/>", "Version number '1.0 ' is invalid. Line 1, position 16"},
      {"<?xml version='1.0' standalone='YES'?><r/>", "Syntax for an XML declaration is invalid. Line 1, position 33"},
      {"<?xml version='1.0' encoding=' utf-8'?><r/>", "Syntax for an XML declaration is invalid. Line 1, position 31"},
      {"\xEF\xBB\xBF<?xml version='1.0' encoding='iso-8859-1'?><r/>",
       "The encoding 'iso-8859-1' in the XML declaration does not match the document's encoding. Line 1, position 31"},
  };
  for (const Case& c : cases) EXPECT_EQ(Error(c.Xml), c.Message) << c.Xml;
  EXPECT_NE(Error("<a>&#x110000;</a>").find("is an invalid character. Line 1, position 7"), std::string::npos);
}

TEST(ZCLXMLReader, ConformanceModesAndLimits) {
  TZCLXMLReaderSettings frag;
  frag.Conformance = xcFragment;
  EXPECT_EQ(Dump("<a/><b/>", frag), "1:a=/\n1:b=/\n");
  EXPECT_EQ(Dump("abc", frag), "3:=abc\n");
  EXPECT_EQ(Dump("", frag), "");
  EXPECT_EQ(Error("&amp;", frag), "Data at the root level is invalid. Line 1, position 1");
  TZCLXMLReaderSettings limit;
  limit.MaxCharactersInDocument = 10;
  EXPECT_EQ(Error("<a>12345</a>", limit), "The input document has exceeded a limit set by MaxCharactersInDocument.");
  EXPECT_EQ(Dump("<a>123</a>", limit), "1:a=\n3:=123\n15:a=\n");
}

TEST(ZCLXMLReader, Encodings) {
  EXPECT_EQ(Dump("\xEF\xBB\xBF<a>\xC3\xA9</a>"), "1:a=\n3:=\xC3\xA9\n15:a=\n");
  EXPECT_EQ(Dump(std::string("\xFF\xFE<\0a\0/\0>\0", 10)), "1:a=/\n");
  EXPECT_EQ(Dump(std::string("<\0a\0/\0>\0", 8)), "1:a=/\n");
  EXPECT_EQ(Dump(std::string("\xFE\xFF\0<\0a\0/\0>", 10)), "1:a=/\n");
  EXPECT_EQ(
      Dump("<?xml version='1.0' encoding='windows-1251'?><a>\xC6</a>"),
      "17:xml=version='1.0' encoding='windows-1251'\n@version=1.0\n@encoding=windows-1251\n1:a=\n3:=\xD0\x96\n15:a=\n");
  EXPECT_THROW(Dump(std::string("\0\0\0<", 4)), ENotImplemented);
  EXPECT_EQ(Error("\x4C\x6F\xA7\x94"), "UnknownEncoding: ebcdic Line 1, position 1");
}

// What the writer produces loads back unchanged: escapes, names and significant white space.
TEST(ZCLXMLReader, WriterOutputRoundTrips) {
  const String text = u"  lead \x01 _x0041_ _x0001_ _x005F_ trail\t ";
  TZCLXMLWriterSettings ws;
  ws.RejectInvalidChars = false;
  TBytesStream out;
  {
    auto w = TZCLXMLWriter::Create(&out, ws);
    w->WriteStartElement(u"r");
    w->WriteAttributeString(u"xml", u"space", u"preserve");
    w->WriteAttributeString(u"v", text);
    w->WriteString(text);
    w->WriteEndElement();
  }
  out.SetPosition(0);
  TZCLXMLReaderSettings rs;
  rs.IgnoreWhitespace = true;
  auto r = TZCLXMLReader::Create(rs, &out);
  ASSERT_TRUE(r->Read());
  ASSERT_TRUE(r->Read());
  String v;
  EXPECT_TRUE(r->TryGetAttribute(u"v", v));
  EXPECT_EQ(StringToUTF8(v), StringToUTF8(text));
  ASSERT_TRUE(r->Read());
  EXPECT_EQ(r->Node()->NodeType, xntText);
  EXPECT_EQ(StringToUTF8(r->GetValue()), StringToUTF8(text));
}

// Input arrives in pieces of any size: characters, line ends and references split by a read
// decode as if the document came whole.
TEST(ZCLXMLReader, InputInPieces) {
  const std::string docs[] = {
      "<a x='\xC3\xA9&#x1F600;'>\xF0\x9F\x98\x80 a\r\nb\rc&amp;<![CDATA[d\r\ne]]><!--f\r\ng--></a>",
      "<?xml version='1.0' encoding='windows-1251'?>\r\n<a>\xC6</a>",
      std::string("\xFF\xFE<\0a\0>\0=\xD8\0\xDE\r\0\n\0<\0/\0a\0>\0", 24),
  };
  for (const std::string& doc : docs)
    for (Integer chunk = 1; chunk <= 5; ++chunk)
      EXPECT_EQ(Dump(doc, Defaults(), chunk), Dump(doc)) << chunk << " " << doc;
  EXPECT_EQ(Dump("<a>a\r\nb</a>", Defaults(), 1), "1:a=\n3:=a\nb\n15:a=\n");
  EXPECT_EQ(Error("<a>\xC3\xA9\xC3</a>"), "Invalid character in the given encoding. Line 1, position 5");
}

// A large document is decoded as it is read, not held whole; line numbers stay right after the
// consumed text is dropped.
TEST(ZCLXMLReader, LargeDocumentIsStreamed) {
  std::string xml = "<r>\n";
  for (int i = 0; i < 20000; ++i) xml += "  <item n='" + std::to_string(i) + "'>text</item>\r\n";
  const std::string whole = xml + "</r>";
  TBytesStream stream(TBytes(whole.begin(), whole.end()));
  auto r = TZCLXMLReader::Create(Defaults(), &stream);
  int items = 0;
  Int64 furthestAhead = 0;
  while (r->Read()) {
    if (r->Node()->NodeType != xntElement || r->Node()->LocalName != u"item") continue;
    ++items;
    furthestAhead = std::max<Int64>(furthestAhead, stream.GetPosition() - items * 30);
    if (items == 15000) {
      EXPECT_EQ(r->Node()->LineNumber, 15001);
      EXPECT_EQ(r->Node()->LinePosition, 4);
    }
  }
  EXPECT_EQ(items, 20000);
  EXPECT_LT(furthestAhead, 64 * 1024);  // read ahead by blocks, not the whole 600 KB
  EXPECT_EQ(
      Error(xml + "  <item>\r\n</r>"),
      "The 'item' start tag on line '20002' position '4' does not match the end tag of 'r'. Line 20003, position 3");
}
