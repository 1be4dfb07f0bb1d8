#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>

#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Variant.h"
#include "support/TestSupport.h"
#include "zcl/base/ZCL.Base.TestUtil.h"
#include "zcl/base/ZCL.FileFormats.XML.Types.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/base/ZCL.Utils.Common.h"

namespace {

using TDocPtr = std::unique_ptr<TZCLXMLDocument, void (*)(TZCLXMLDocument*)>;
TDocPtr NewDoc() {
  return TDocPtr(Create<TZCLXMLDocument>(), [](TZCLXMLDocument* D) { Free(D); });
}

std::string Saved(TZCLXMLDocument& Doc, TZCLXMLDocumentFormat Form = TZCLXMLDocumentFormat::Default()) {
  TBytesStream stream;
  Doc.SaveToStream(&stream, Form);
  TBytes b = stream.GetBytes();
  return std::string(b.begin(), b.begin() + stream.GetSize());
}

TDocPtr Loaded(const std::string& Text) {
  TBytesStream stream(TBytes(Text.begin(), Text.end()));
  TDocPtr doc = NewDoc();
  doc->LoadFromStream(&stream);
  return doc;
}

// Drops every xml:space attribute below Node.
void WithoutXmlSpace(TZCLXMLNode* Node) {
  TZCLXMLAttributes* attrs = Node->GetAttributes();
  for (Integer i = attrs->GetCount() - 1; i >= 0; --i)
    if (attrs->GetItem(i)->GetName() == u"xml:space") attrs->Delete(i);
  for (Integer i = 0; i < Node->GetCount(); ++i) WithoutXmlSpace(Node->GetNode(i));
}

// A stream that refuses to write after Limit bytes.
class TFailingStream : public TBytesStream {
 public:
  explicit TFailingStream(Integer ALimit) : FLimit(ALimit) {}
  Integer Write(const void* Buffer, Integer Count) override {
    if (GetPosition() + Count > FLimit) throw EWriteError(u"Stream write error");
    return TBytesStream::Write(Buffer, Count);
  }

 private:
  Integer FLimit;
};

}  // namespace

TEST(ZCLXMLDocument, DefaultAndOtherTextForms) {
  TDocPtr doc = NewDoc();
  TZCLXMLNode* a = doc->Add(u"a");
  a->GetAttributes()->AddString(u"x", u"1");
  a->Add(u"b")->SetNodeValue(u"t");
  EXPECT_EQ(TZCLXMLDocumentFormat::Default().Value, 0x01010001u);
  EXPECT_EQ(Saved(*doc), "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<a x=\"1\">\r\n\t<b>t</b>\r\n</a>");
  EXPECT_EQ(Saved(*doc, TZCLXMLDocumentFormat::Text(0, false, false)),
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<a x=\"1\"><b>t</b></a>");
  EXPECT_EQ(Saved(*doc, TZCLXMLDocumentFormat::Text(0, true, true)),
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<a\r\n\tx=\"1\">\r\n\t<b>t</b>\r\n</a>");
  EXPECT_EQ(RaisedMessage<EZCLXMLDocument>([&] { Saved(*doc, {0x02000000}); }), "Unknown XML document format (2)");
}

// Every document the text form writes loads back equal, whatever its values hold.
TEST(ZCLXMLDocument, TextRoundTripKeepsValuesExactly) {
  const String values[] = {
      u"plain",        u"  leading",   u"trailing\t",   u"   ",          u"\r\n",
      u"a\rb\r\nc\nd", u"x\x01y\x1F",  u"\x01",         u"lone \xD800!", u"_x0001_ and _",
      u"<&>\"'",       u"tab\tinside", u"\U0001F600 é", u"]]>",          u"\xFFFE\xFFFF non-characters"};
  const TZCLXMLDocumentFormat forms[] = {TZCLXMLDocumentFormat::Default(), TZCLXMLDocumentFormat::Text(0, false, true)};
  for (const String& v : values) {
    for (TZCLXMLDocumentFormat form : forms) {
      SCOPED_TRACE(StringToUTF8(v));
      TDocPtr doc = NewDoc();
      TZCLXMLNode* root = doc->Add(u"ns:root");
      root->SetNodeValue(v);
      root->GetAttributes()->AddString(u"v", v);
      root->GetAttributes()->AddString(u"A", u" spaced \n");
      TZCLXMLNode* child = root->Add(u"child");
      child->SetNodeValue(v);
      child->Add(u"leaf")->SetNodeValue(u" x ");
      child->Add(u"empty");
      root->Add(u"after")->SetNodeValue(u"end");
      TBytesStream stream;
      doc->SaveToStream(&stream, form);
      stream.SetPosition(0);
      TDocPtr back = NewDoc();
      back->LoadFromStream(&stream);
      EXPECT_FALSE(back->HasLoadError()) << StringToUTF8(back->GetLoadError());
      // The writer's xml:space mark comes back as an ordinary attribute, and writes the same text.
      EXPECT_EQ(Saved(*back, form), Saved(*doc, form));
      WithoutXmlSpace(back.get());
      EXPECT_TRUE(back->Equals(doc.get())) << Saved(*doc, form);
    }
  }
}

TEST(ZCLXMLDocument, ExplicitXmlSpaceAttributesAreKept) {
  TDocPtr doc = NewDoc();
  TZCLXMLNode* root = doc->Add(u"root");
  root->GetAttributes()->AddString(u"xml:space", u"preserve");
  root->SetNodeValue(u"v");
  root->Add(u"c")->SetNodeValue(u" inherited ");
  TZCLXMLNode* d = root->Add(u"d");
  d->GetAttributes()->AddString(u"xml:space", u"default");
  d->Add(u"e")->SetNodeValue(u" marked ");
  TDocPtr back = Loaded(Saved(*doc));
  // e's value needed the writer's mark, which loads as e's own attribute.
  TZCLXMLNode* e = back->FindNodeByPath({u"root", u"d", u"e"});
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->GetAttributes()->GetValue(u"xml:space"), u"preserve");
  e->GetAttributes()->Delete(0);
  EXPECT_TRUE(back->Equals(doc.get())) << Saved(*doc);

  // Its own xml:space="default" cannot keep the value's white space: refused, not truncated.
  d->SetNodeValue(u" lost ");
  EXPECT_NE(RaisedMessage<EZCLXMLDocument>([&] { Saved(*doc); }).find("white space"), std::string::npos);
}

TEST(ZCLXMLDocument, InvalidNamesAreRefusedAndTheFileIsKept) {
  const std::string file = TempDir() + "/names.xml";
  const struct {
    const char16_t* Element;
    const char16_t* Attr1;
    const char16_t* Attr2;
    const char* Message;
  } cases[] = {
      {u"1a", u"x", u"y", "Invalid element name \"1a\": the character at 0, hexadecimal value 0031"},
      {u"a", u"b c", u"y", "Invalid attribute name \"b c\": the character at 1, hexadecimal value 0020"},
      {u"", u"x", u"y", "An element name cannot be empty."},
      {u"a", u"x", u"x", "The attribute \"x\" appears twice in the element \"a\"."},
  };
  for (const auto& c : cases) {
    { std::ofstream(file, std::ios::binary) << "original"; }
    TDocPtr doc = NewDoc();
    TZCLXMLNode* n = doc->Add(u"root")->Add(c.Element);
    n->GetAttributes()->AddString(c.Attr1, u"1");
    n->GetAttributes()->AddString(c.Attr2, u"2");
    std::string msg = RaisedMessage<EZCLXMLDocument>([&] { doc->SaveToFile(UTF8ToString(file)); });
    EXPECT_EQ(msg.substr(0, std::string(c.Message).size()), c.Message);
    std::stringstream kept;
    kept << std::ifstream(file, std::ios::binary).rdbuf();
    EXPECT_EQ(kept.str(), "original");
  }
}

TEST(ZCLXMLDocument, LoadingKeepsThePartialTreeAndRecordsTheError) {
  TDocPtr doc = Loaded("<a>\n  <b> 1 </b>\n  <c x='1' x='2'/></a>");
  ASSERT_EQ(doc->GetCount(), 1);
  EXPECT_EQ(doc->GetNode(0)->GetNodeValue(u"b"), u"1");
  EXPECT_TRUE(doc->HasLoadError());
  EXPECT_EQ(doc->GetLoadErrorLine(), 3);
  EXPECT_GT(doc->GetLoadErrorPosition(), 0);
  EXPECT_NE(doc->GetLoadError().find(u"Line 3"), String::npos) << StringToUTF8(doc->GetLoadError());

  // A later good load clears the record; short and empty input is an empty document, no error.
  for (const char* good : {"<a/>", "", "<a"}) {
    doc = Loaded(good);
    EXPECT_FALSE(doc->HasLoadError()) << good;
  }
  EXPECT_EQ(Loaded("<a/>")->GetCount(), 1);
  TDocPtr empty = NewDoc();
  EXPECT_FALSE(Loaded(Saved(*empty))->HasLoadError());
  EXPECT_TRUE(Loaded("not XML")->HasLoadError());

  // A missing file is a new document; a file that cannot be read is an error.
  TDocPtr missing(TZCLXMLDocument::CreateFromFile(UTF8ToString(TempDir() + "/none.xml")),
                  [](TZCLXMLDocument* D) { Free(D); });
  EXPECT_FALSE(missing->HasLoadError());
  EXPECT_EQ(missing->GetCount(), 0);
}

// The open elements of a failed load keep what was read below them, in order, at every level;
// the error carries the reader's own line and position.
TEST(ZCLXMLDocument, FailedLoadKeepsTheChildrenOfOpenElements) {
  const std::function<std::string(const TZCLXMLNode*)> shape = [&](const TZCLXMLNode* N) {
    std::string s = StringToUTF8(N->GetNodeName());
    if (!N->GetNodeValue().empty()) s += "=" + StringToUTF8(N->GetNodeValue());
    if (N->GetCount() == 0) return s;
    s += "(";
    for (Integer i = 0; i < N->GetCount(); ++i) s += (i ? " " : "") + shape(N->GetNode(i));
    return s + ")";
  };
  const struct {
    const char* Text;
    const char* Shape;
    Integer Line, Position;
  } cases[] = {
      {"<a><b><c/><d>t</d><e x='1' x='2'/></b><f/></a>", "a(b(c d=t))", 1, 28},
      {"<a><b><c/></b>\n<d><elementname/><f>v", "a(b(c) d(elementname f=v))", 2, 22},
      {"<a><b/>\n  <c><d/></e></a>", "a(b c(d))", 2, 12},
  };
  for (const auto& c : cases) {
    TDocPtr doc = Loaded(c.Text);
    ASSERT_EQ(doc->GetCount(), 1) << c.Text;
    EXPECT_EQ(shape(doc->GetNode(0)), c.Shape) << c.Text;
    EXPECT_TRUE(doc->HasLoadError()) << c.Text;
    EXPECT_EQ(doc->GetLoadErrorLine(), c.Line) << StringToUTF8(doc->GetLoadError());
    EXPECT_EQ(doc->GetLoadErrorPosition(), c.Position) << StringToUTF8(doc->GetLoadError());
    for (Integer i = 0; i < doc->GetNode(0)->GetCount(); ++i)
      EXPECT_EQ(doc->GetNode(0)->GetNode(i)->GetParent(), doc->GetNode(0));
  }
}

TEST(ZCLXMLDocument, CommentsAndInstructionsAreSkippedAndTextTrimmed) {
  TDocPtr doc = Loaded(
      "<?xml version='1.0'?><!-- c --><r a=' 1 '><?pi x?><x:e>\n  text\n  <!-- c --></x:e><e2><![CDATA[ cd "
      "]]></e2></r>");
  EXPECT_FALSE(doc->HasLoadError()) << StringToUTF8(doc->GetLoadError());
  TZCLXMLNode* r = doc->GetNode(0);
  EXPECT_EQ(r->GetAttributes()->GetValue(u"a"), u" 1 ");
  EXPECT_EQ(r->GetNodeValue(u"x:e"), u"text");
  EXPECT_EQ(r->GetNodeValue(u"e2"), u"cd");
}

// Text pieces parted only by comments, instructions or CDATA are one text; text around a child
// element still leaves the last piece.
TEST(ZCLXMLDocument, TextSplitByCommentsInstructionsAndCDataIsJoined) {
  const struct {
    const char* Xml;
    const char16_t* Value;
  } cases[] = {
      {"<a>x<!--c-->y</a>", u"xy"},
      {"<a>x<![CDATA[y]]>z</a>", u"xyz"},
      {"<a> x <?pi d?> y </a>", u"x  y"},
      {"<a>x<!--c--> <!--d-->y</a>", u"x y"},
      {"<a xml:space='preserve'> x <!--c--> y </a>", u" x  y "},
      {"<a>x<b/>y<!--c-->z</a>", u"yz"},
      {"<a>x<b/> </a>", u"x"},
  };
  for (const auto& c : cases) {
    TDocPtr doc = Loaded(c.Xml);
    ASSERT_EQ(doc->GetCount(), 1) << c.Xml;
    EXPECT_EQ(doc->GetNode(0)->GetNodeValue(), c.Value) << c.Xml;
  }
}

// xml:space from the source is an attribute like any other, whether or not the writer would have
// marked the element itself.
TEST(ZCLXMLDocument, SourceXmlSpaceAttributeIsKept) {
  TDocPtr doc = Loaded("<svg xml:space=\"preserve\">\n  <g/>\n</svg>");
  TZCLXMLNode* svg = doc->GetNode(0);
  ASSERT_NE(svg, nullptr);
  EXPECT_EQ(svg->GetAttributes()->GetValue(u"xml:space"), u"preserve");
  EXPECT_EQ(svg->GetNodeValue(), u"\n");
  doc = Loaded("<r><t xml:space='preserve'> a </t></r>");
  TZCLXMLNode* t = doc->GetNode(0)->GetNode(0);
  EXPECT_EQ(t->GetAttributes()->GetValue(u"xml:space"), u"preserve");
  EXPECT_EQ(t->GetNodeValue(), u" a ");
}

TEST(ZCLXMLDocument, RootRule) {
  TDocPtr doc = NewDoc();
  doc->Add(u"a");
  EXPECT_EQ(RaisedMessage<EZCLXMLDocument>([&] { doc->Add(u"b"); }), "Only one Root available");
  EXPECT_EQ(RaisedMessage<EZCLXMLDocument>([&] { doc->FindNodeByPath({u"other"}, true); }), "Only one Root available");
  doc->SetAllowMultipleRoots(true);
  doc->Add(u"b");
  EXPECT_EQ(RaisedMessage<Exception>([&] { Saved(*doc); }), "Invalid state (FState = 1, AToken = 2)");

  TBytesStream binary;
  doc->SaveToStream(&binary, TZCLXMLDocumentFormat::Binary());
  binary.SetPosition(0);
  TDocPtr single = NewDoc();
  EXPECT_EQ(RaisedMessage<EZCLXMLDocument>([&] { single->LoadFromStream(&binary); }), "Only one Root available");
  EXPECT_TRUE(single->HasLoadError());
  binary.SetPosition(0);
  TDocPtr multi = NewDoc();
  multi->SetAllowMultipleRoots(true);
  multi->LoadFromStream(&binary);
  EXPECT_TRUE(multi->Equals(doc.get()));

  // Several roots from text; text between them belongs to no element and is dropped.
  const std::string fragment = "<a/> stray <b>t</b>";
  TBytesStream text(TBytes(fragment.begin(), fragment.end()));
  multi->LoadFromStream(&text);
  EXPECT_FALSE(multi->HasLoadError()) << StringToUTF8(multi->GetLoadError());
  EXPECT_EQ(multi->GetCount(), 2);
  EXPECT_EQ(multi->GetNodeValue(), u"");
}

TEST(ZCLXMLDocument, NodeNavigationAndMoves) {
  TDocPtr doc = NewDoc();
  TZCLXMLNode* root = doc->Add(u"root");
  TZCLXMLNode* a = root->Add(u"item");
  TZCLXMLNode* b = root->Add(u"b");
  TZCLXMLNode* c = b->Add(u"c");
  EXPECT_EQ(root->FindNode(u"ITEM"), a);
  EXPECT_EQ(doc->FindNodeByPath({u"ROOT", u"B", u"c"}), c);
  TZCLXMLNode* found = nullptr;
  EXPECT_FALSE(doc->TryFindNodeByPath({}, found));
  EXPECT_EQ(root->FindNodeByPath({u"b", u"new"}, true)->GetParent(), b);

  EXPECT_TRUE(root->IsChild(c));
  EXPECT_FALSE(c->IsChild(root));
  EXPECT_FALSE(b->CanSetParent(c));
  EXPECT_FALSE(b->CanSetParent(root));
  EXPECT_FALSE(b->CanSetParent(b));
  c->SetParent(a);
  EXPECT_EQ(c->GetParent(), a);
  EXPECT_EQ(b->GetCount(), 1);
  b->SetIndex(0);
  EXPECT_EQ(root->GetNode(0), b);
  EXPECT_EQ(a->GetIndex(), 1);
  b->SetIndex(5);
  EXPECT_EQ(b->GetIndex(), 0);
  EXPECT_EQ(root->GetNode(7), nullptr);

  // Freeing a node detaches it.
  Free(b);
  EXPECT_EQ(root->GetCount(), 1);

  // A deep tree is freed without recursion.
  TZCLXMLNode* deep = root;
  for (int i = 0; i < 200000; ++i) deep = deep->Add(u"d");
  doc->Clear();
  EXPECT_EQ(doc->GetCount(), 0);
}

TEST(ZCLXMLDocument, EqualsAndAssign) {
  TDocPtr doc = NewDoc();
  TZCLXMLNode* root = doc->Add(u"root");
  root->GetAttributes()->AddString(u"k", u"v");
  root->Add(u"item")->SetNodeValue(u"1");
  TDocPtr other = NewDoc();
  other->Assign(doc.get());
  EXPECT_TRUE(other->Equals(doc.get()));
  other->GetNode(0)->GetNode(0)->SetNodeName(u"Item");
  EXPECT_FALSE(other->Equals(doc.get()));
  EXPECT_FALSE(root->Equals(doc.get()));  // different class

  // Assigning from one's own descendant copies it before clearing.
  TZCLXMLNode* item = root->GetNode(0);
  item->Add(u"sub")->SetNodeValue(u"s");
  root->Assign(item);
  EXPECT_EQ(root->GetNodeName(), u"item");
  EXPECT_EQ(root->GetNodeValue(), u"1");
  EXPECT_EQ(root->GetNodeValue(u"sub"), u"s");
  EXPECT_EQ(root->GetAttributes()->GetCount(), 0);
}

// Loaded nodes share the storage of their load (long names included): a node taken out of the
// tree keeps working after the document is gone, and renaming or copying never reaches back.
TEST(ZCLXMLDocument, LoadedNodesOutliveTheirDocument) {
  TDocPtr doc = Loaded("<configuration><long-element-name long-attribute-name='v'><child-element/>"
                       "</long-element-name><long-element-name long-attribute-name='w'/></configuration>");
  ASSERT_EQ(doc->GetCount(), 1);
  TZCLXMLNode* kept = doc->GetNode(0)->GetNode(0);
  TZCLXMLNode* renamed = doc->GetNode(0)->GetNode(1);
  renamed->SetNodeName(u"other-long-name");
  renamed->GetAttributes()->GetItem(0)->SetName(u"other-attribute-name");
  kept->SetParent(nullptr);
  TDocPtr copy = NewDoc();
  copy->Assign(doc.get());
  doc.reset();

  EXPECT_EQ(kept->GetNodeName(), u"long-element-name");
  EXPECT_EQ(kept->GetAttributes()->GetItem(0)->GetName(), u"long-attribute-name");
  EXPECT_EQ(kept->GetNode(0)->GetNodeName(), u"child-element");
  kept->Add(u"added-after-the-document");
  EXPECT_EQ(kept->GetCount(), 2);
  Free(kept);
  const TZCLXMLNode* moved = copy->GetNode(0)->GetNode(0);
  EXPECT_EQ(moved->GetNodeName(), u"other-long-name");
  EXPECT_EQ(moved->GetAttributes()->GetValue(u"other-attribute-name"), u"w");
  EXPECT_EQ(Saved(*copy), Saved(*Loaded(Saved(*copy))));
}

TEST(ZCLXMLDocument, EnumVisitsLevelByLevelAndAbortEndsOneLevel) {
  TDocPtr doc = NewDoc();
  TZCLXMLNode* r = doc->Add(u"r");
  TZCLXMLNode* a = r->Add(u"a");
  a->Add(u"a1");
  a->Add(u"a2");
  r->Add(u"b")->Add(u"b1");
  String order;
  r->Enum([&](TZCLXMLNode* N) { order += N->GetNodeName() + u" "; }, true);
  EXPECT_EQ(order, u"a b a1 a2 b1 ");
  order.clear();
  r->Enum(
      [&](TZCLXMLNode* N) {
        order += N->GetNodeName() + u" ";
        if (N->GetNodeName() == u"a1") Abort();
      },
      true);
  EXPECT_EQ(order, u"a b a1 b1 ");
  order.clear();
  doc->EnumChildren({u"r", u"a"}, [&](TZCLXMLNode* N) { order += N->GetNodeName(); });
  EXPECT_EQ(order, u"a1a2");
}

TEST(ZCLXMLAttributes, LookupAndTypedValues) {
  TDocPtr doc = NewDoc();
  TZCLXMLAttributes* at = doc->Add(u"r")->GetAttributes();
  at->AddString(u"name", u"first");
  at->AddString(u"NAME", u"second");
  EXPECT_EQ(at->GetValue(u"Name"), u"first");
  at->SetValue(u"name", u"x");
  EXPECT_EQ(at->GetItem(0)->GetValue(), u"x");
  EXPECT_EQ(at->GetItem(1)->GetValue(), u"second");
  EXPECT_FALSE(at->Rename(u"name", u"Name"));
  EXPECT_TRUE(at->Remove(u"name"));
  EXPECT_EQ(at->GetItem(5), nullptr);

  // Repeated names pair up in order: a list equals its copy, and values still count.
  TDocPtr other = NewDoc();
  TZCLXMLAttributes* copy = other->Add(u"r")->GetAttributes();
  at->AddString(u"dup", u"1");
  at->AddString(u"DUP", u"2");
  copy->Assign(at);
  EXPECT_TRUE(at->Equals(copy));
  copy->GetItem(copy->GetCount() - 1)->SetValue(u"1");
  EXPECT_FALSE(at->Equals(copy));
  at->Remove(u"dup");
  at->Remove(u"dup");

  at->SetValueAsInteger(u"i", -5);
  at->SetValueAsInt64(u"l", 1LL << 40);
  at->SetValueAsFloat(u"f", 1.5);
  at->SetValueAsRect(u"rc", TRect(1, 2, 3, 4));
  at->SetValueAsSize(u"sz", TSize(5, 6));
  at->SetValueAsDefaultBoolean(u"db", TZCLBoolean::False);
  at->SetValue(u"nan", u"abc");
  EXPECT_EQ(at->GetValue(u"f"), u"1.5");
  EXPECT_EQ(at->GetValueAsInteger(u"i"), -5);
  EXPECT_EQ(at->GetValueAsInteger(u"nan", 7), 7);
  EXPECT_EQ(at->GetValueAsInt64(u"l"), 1LL << 40);
  EXPECT_EQ(at->GetValue(u"rc"), u"1,2,3,4");
  EXPECT_EQ(at->GetValueAsRect(u"rc").Bottom, 4);
  EXPECT_EQ(at->GetValueAsSize(u"sz").cy, 6);
  EXPECT_EQ(at->GetValueAsDefaultBoolean(u"db"), TZCLBoolean::False);
  EXPECT_EQ(at->GetValueAsDefaultBoolean(u"none"), TZCLBoolean::Default);
  EXPECT_TRUE(at->GetValueAsBoolean(u"none", true));
  EXPECT_THROW(at->GetValueAsFloat(u"nan"), EConvertError);

  // Typed values with their companions.
  at->SetValueAsVariant(u"v", Variant(42));
  EXPECT_EQ(at->GetValue(u"vType"), u"Int32");
  EXPECT_EQ(at->GetValueAsVariant(u"v").AsInteger(), 42);
  at->SetValueAsVariant(u"v", Variant(true));
  EXPECT_EQ(at->GetValue(u"v"), u"1");
  EXPECT_TRUE(at->GetValueAsVariant(u"v").AsBoolean());
  at->SetValueAsVariant(u"v", Variant(u"text"));
  EXPECT_EQ(at->GetValueAsVariant(u"v").AsString(), u"text");
  at->SetValue(u"vType", u"Int34");
  at->SetValue(u"v", u"12345678901");
  EXPECT_EQ(at->GetValueAsVariant(u"v").AsInt64(), 12345678901LL);
  at->SetValueAsVariant(u"v", Variant());
  EXPECT_FALSE(at->Exists(u"v"));
  EXPECT_FALSE(at->Exists(u"vType"));
  Integer before = at->GetCount();
  EXPECT_EQ(RaisedMessage<EZCLXMLArgumentException>([&] { at->SetValueAsVariant(u"u", Variant(UInt64(1))); }),
            "Unsupported Variant Type (21)");
  EXPECT_EQ(at->GetCount(), before);
}

TEST(ZCLXMLDateTime, TextForm) {
  const struct {
    const char16_t* Text;
    Word H, Mi, S, Ms;
    bool Utc;
  } good[] = {
      {u"2024-03-05T14:07:09.5", 14, 7, 9, 500, false},
      {u"2024-03-05T16:07:09+02:00", 14, 7, 9, 0, true},
      {u"2024-03-05T12:07:09-02", 14, 7, 9, 0, true},
      {u"2024-03-05T14:07:09.123Z", 14, 7, 9, 123, true},
      {u"2024-03-05", 0, 0, 0, 0, false},
      {u"2024-03-05T14:07:09.9996", 14, 7, 10, 0, false},
  };
  for (const auto& g : good) {
    SCOPED_TRACE(StringToUTF8(g.Text));
    TZCLXMLDateTime d = TZCLXMLDateTime::Parse(g.Text);
    EXPECT_EQ(d.Year, 2024);
    EXPECT_EQ(d.Day, 5);
    EXPECT_EQ(d.Hour, g.H);
    EXPECT_EQ(d.Minute, g.Mi);
    EXPECT_EQ(d.Second, g.S);
    EXPECT_EQ(d.Millisecond, g.Ms);
    EXPECT_EQ(d.IsUTC, g.Utc);
  }
  EXPECT_EQ(RaisedMessage<EZCLXMLUnexpectedToken>([] { TZCLXMLDateTime::Parse(u"2024/03/05"); }),
            "Unexpected token was found (\"/\" in \"2024/03/05\")");
  EXPECT_EQ(RaisedMessage<EZCLXMLUnexpectedToken>([] { TZCLXMLDateTime::Parse(u"2024-03"); }),
            "Unexpected token was found (\"#0\" in \"2024-03\")");
  // A year too large for the field is rejected, not wrapped round.
  EXPECT_THROW(TZCLXMLDateTime::Parse(u"65537-01-01").ToDateTime(), EConvertError);
  EXPECT_EQ(TZCLXMLDateTime::Parse(u"2024-03-05T14:07:09.123Z").ToString(), u"2024-03-05T14:07:09.123Z");

  TDocPtr doc = NewDoc();
  TZCLXMLAttributes* at = doc->Add(u"r")->GetAttributes();
  TDateTime t = EncodeDateTime(2024, 3, 5, 14, 7, 9, 123);
  at->SetValueAsDateTime(u"d", t);
  EXPECT_EQ(at->GetValue(u"d").back(), u'Z');
  EXPECT_NEAR(at->GetValueAsDateTime(u"d").Value, t.Value, 1e-8);
  at->SetValueAsDateTime(u"d", 0);
  EXPECT_FALSE(at->Exists(u"d"));
  EXPECT_EQ(at->GetValueAsDateTime(u"d", 3.0).Value, 3.0);
}

TEST(ZCLXMLDocument, SaveReportsAFailedWrite) {
  TDocPtr doc = NewDoc();
  TZCLXMLNode* root = doc->Add(u"root");
  for (int i = 0; i < 100; ++i) root->Add(u"item")->SetNodeValue(u"value");
  TFailingStream stream(100);
  EXPECT_THROW(doc->SaveToStream(&stream, TZCLXMLDocumentFormat::Default()), EWriteError);
  TFailingStream binary(10);
  EXPECT_THROW(doc->SaveToStream(&binary, TZCLXMLDocumentFormat::Binary()), EWriteError);
}

TEST(ZCLXMLDocument, FilesInBothForms) {
  TDocPtr doc = NewDoc();
  TZCLXMLNode* root = doc->Add(u"root");
  root->GetAttributes()->SetValueAsInteger(u"n", 3);
  root->Add(u"child")->SetNodeValue(u" v ");
  for (TZCLXMLDocumentFormat form : {TZCLXMLDocumentFormat::Default(), TZCLXMLDocumentFormat::Binary()}) {
    const String file = UTF8ToString(TempDir() + "/doc.bin");
    doc->SaveToFileAs(file, form);
    TDocPtr back(TZCLXMLDocument::CreateFromFile(file), [](TZCLXMLDocument* D) { Free(D); });
    EXPECT_FALSE(back->HasLoadError());
    WithoutXmlSpace(back.get());  // the text form's mark on " v "
    EXPECT_TRUE(back->Equals(doc.get()));
  }
}
