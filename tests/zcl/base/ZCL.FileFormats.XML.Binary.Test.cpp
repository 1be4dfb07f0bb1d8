#include <gtest/gtest.h>

#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.Base.TestUtil.h"
#include "zcl/base/ZCL.FileFormats.XML.Binary.h"

namespace {

using TDocPtr = std::unique_ptr<TZCLXMLDocument, void (*)(TZCLXMLDocument*)>;
TDocPtr NewDoc() {
  return TDocPtr(Create<TZCLXMLDocument>(), [](TZCLXMLDocument* D) { Free(D); });
}

TBytes Saved(TZCLXMLDocument& Doc, TZCLXMLDocumentFormat Form = TZCLXMLDocumentFormat::Binary()) {
  TBytesStream stream;
  Doc.SaveToStream(&stream, Form);
  TBytes b = stream.GetBytes();
  b.resize(static_cast<size_t>(stream.GetSize()));
  return b;
}

TBytes Bytes(std::initializer_list<int> Values) { return TBytes(Values.begin(), Values.end()); }

TBytes Concat(TBytes A, const TBytes& B) {
  A.insert(A.end(), B.begin(), B.end());
  return A;
}

// Loads Data and returns the exception message, or "" when it loaded.
std::string LoadError(TZCLXMLDocument& Doc, const TBytes& Data) {
  TBytesStream stream(Data);
  try {
    Doc.LoadFromStream(&stream);
  } catch (const Exception& e) {
    EXPECT_TRUE(Doc.HasLoadError());
    return StringToUTF8(e.GetMessage());
  }
  return {};
}

}  // namespace

TEST(ZCLBinaryXML, ExactBytes) {
  TDocPtr doc = NewDoc();
  // The empty document: signature, size 1, an empty node list, an empty string table.
  EXPECT_EQ(Saved(*doc), Bytes({'S', 'X', 'M', 'L', 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}));

  TZCLXMLNode* root = doc->Add(u"r");
  root->Add(u"item");
  root->Add(u"Item")->SetNodeValue(u"v");
  root->Add(u"item")->GetAttributes()->AddString(u"a", String(128, u'x'));
  TBytes b = Saved(*doc);
  TBytes expectedNodes = Bytes({1, 0, 2, 3,                // one root "r" with children, three of them
                                1, 0,                      // "item"
                                2, 4, 1, 'v', 0,           // "Item" with a value
                                1, 1, 1, 3, 0x80, 0x01});  // "item" with a="x"*128
  for (int i = 0; i < 128; ++i) expectedNodes.insert(expectedNodes.end(), {'x', 0});
  const int n = static_cast<int>(expectedNodes.size());
  TBytes expected = Concat(Bytes({'S', 'X', 'M', 'L', n & 0xFF, n >> 8, 0, 0, 0, 0, 0, 0}), expectedNodes);
  expected = Concat(expected, Bytes({4, 1, 'r', 4, 'i', 't', 'e', 'm', 4, 'I', 't', 'e', 'm', 1, 'a'}));
  EXPECT_EQ(b, expected);

  // A 300-unit value has the length AC 02.
  TDocPtr big = NewDoc();
  big->Add(u"r")->SetNodeValue(String(300, u'y'));
  TBytes c = Saved(*big);
  EXPECT_EQ(c[12 + 3], 0xAC);
  EXPECT_EQ(c[12 + 4], 0x02);
}

TEST(ZCLBinaryXML, TextToBinaryToTextGivesTheSameDocument) {
  TDocPtr doc = NewDoc();
  TZCLXMLNode* root = doc->Add(u"skin");
  root->GetAttributes()->AddString(u"version", u"2");
  for (int i = 0; i < 3; ++i) {
    TZCLXMLNode* c = root->Add(u"control");
    c->GetAttributes()->AddString(u"id", u"c" + IntToStr(i));
    c->GetAttributes()->AddString(u"text", u" tab\there ");
    c->Add(u"caption")->SetNodeValue(u" Ünïcode \U0001F600 \x01");
    c->Add(u"empty");
  }
  TBytes text = Saved(*doc, TZCLXMLDocumentFormat::Default());
  TBytesStream textStream(text);
  TDocPtr fromText = NewDoc();
  fromText->LoadFromStream(&textStream);
  ASSERT_FALSE(fromText->HasLoadError());
  TBytesStream binary(Saved(*fromText));
  TDocPtr fromBinary = NewDoc();
  fromBinary->LoadFromStream(&binary);
  // Equal but for the xml:space marks the text form added where values needed them.
  EXPECT_TRUE(fromBinary->Equals(fromText.get()));
  EXPECT_EQ(fromBinary->GetNode(0)->GetNode(2)->GetNodeValue(u"caption"), u" Ünïcode \U0001F600 \x01");
  EXPECT_EQ(Saved(*fromBinary, TZCLXMLDocumentFormat::Default()), text);
  // The stream is left after the node section.
  EXPECT_LT(binary.GetPosition(), binary.GetSize());
}

TEST(ZCLBinaryXML, NamesOutsideTheAnsiCodePageAreRefused) {
  TDocPtr doc = NewDoc();
  doc->Add(u"caf\u00E9")->Add(u"\u540D\u524D");
  TBytesStream stream;
  EXPECT_NE(RaisedMessage<EZCLXMLDocument>([&] {
              doc->SaveToStream(&stream, TZCLXMLDocumentFormat::Binary());
            }).find("cannot be stored"),
            std::string::npos);
  EXPECT_EQ(stream.GetSize(), 0);
}

TEST(ZCLBinaryXML, LegacyForm) {
  const TBytes sig = Bytes({'B', 'X', 'M', 'L'});
  for (TBytes count : {Bytes({0, 0, 0, 0}), Bytes({0xFF, 0xFF, 0xFF, 0xFF})}) {
    TDocPtr doc = NewDoc();
    EXPECT_EQ(LoadError(*doc, Concat(sig, count)), "");
    EXPECT_EQ(doc->GetCount(), 0);
  }
  // One root "r" with value "v", attribute k="w" and a child "c".
  TBytes data = Concat(sig, Bytes({1, 0, 0, 0,   1, 0, 'r', 7, 1, 0, 0, 0, 'v', 0, 1,   0, 0,
                                   0, 1, 0, 'k', 1, 0, 'w', 0, 1, 0, 0, 0, 1,   0, 'c', 0}));
  TDocPtr doc = NewDoc();
  EXPECT_EQ(LoadError(*doc, data), "");
  TZCLXMLNode* r = doc->GetNode(0);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->GetNodeName(), u"r");
  EXPECT_EQ(r->GetNodeValue(), u"v");
  EXPECT_EQ(r->GetAttributes()->GetValue(u"k"), u"w");
  EXPECT_EQ(r->GetNode(0)->GetNodeName(), u"c");

  // Truncated: what was read stays, the error is raised and recorded.
  data.resize(data.size() - 3);
  EXPECT_EQ(LoadError(*doc, data), "Stream read error");
  EXPECT_EQ(doc->GetNode(0)->GetNodeValue(), u"v");
}

// Counts, indexes and sizes are checked against the input before anything is reserved.
TEST(ZCLBinaryXML, CorruptInputFailsCleanly) {
  const TBytes sxml = Bytes({'S', 'X', 'M', 'L'});
  auto withSection = [&](const TBytes& Nodes, const TBytes& Table) {
    return Concat(Concat(Concat(sxml, Bytes({static_cast<int>(Nodes.size()), 0, 0, 0, 0, 0, 0, 0})), Nodes), Table);
  };
  const struct {
    const char* Name;
    TBytes Data;
    const char* Message;
  } cases[] = {
      {"2^31 attributes", withSection(Bytes({1, 0, 1, 0xFF, 0xFF, 0xFF, 0xFF, 0x07}), Bytes({1, 1, 'a'})),
       "Stream read error"},
      {"huge node count", withSection(Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x07}), Bytes({0})), "Stream read error"},
      {"negative node count", withSection(Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x0F}), Bytes({0})),
       "The binary XML data is corrupt: a negative count."},
      {"name index outside", withSection(Bytes({1, 5, 0}), Bytes({1, 1, 'a'})),
       "The binary XML data is corrupt: the name index 5 is outside the table."},
      {"huge value", withSection(Bytes({1, 0, 4, 0xFF, 0xFF, 0xFF, 0xFF, 0x07}), Bytes({1, 1, 'a'})),
       "Stream read error"},
      {"size beyond the data", Concat(sxml, Bytes({0xFF, 0, 0, 0, 0, 0, 0, 0, 0})), "Stream read error"},
      {"negative size", Concat(sxml, Bytes({0, 0, 0, 0, 0, 0, 0, 0x80, 0})), "Stream read error"},
      {"huge name table", withSection(Bytes({0}), Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x07})), "Stream read error"},
      {"long number", withSection(Bytes({0x80, 0x80, 0x80, 0x80, 0x80, 0x01}), Bytes({0})),
       "The binary XML data is corrupt: a number is longer than five bytes."},
      {"legacy 2^31 attributes", Bytes({'B', 'X', 'M', 'L', 1, 0, 0, 0, 1, 0, 'r', 1, 0xFF, 0xFF, 0xFF, 0x7F}),
       "Stream read error"},
      {"legacy huge value", Bytes({'B', 'X', 'M', 'L', 1, 0, 0, 0, 1, 0, 'r', 4, 0xFF, 0xFF, 0xFF, 0x7F}),
       "Stream read error"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TDocPtr doc = NewDoc();
    EXPECT_EQ(LoadError(*doc, c.Data), c.Message);
  }

  // Nesting is bounded, so a small file cannot exhaust the stack of the walks over the tree.
  TBytes nodes;
  for (int i = 0; i < 5000; ++i) nodes.insert(nodes.end(), {1, 0, 2});
  nodes.push_back(0);
  TBytes deep = Concat(
      sxml, Bytes({static_cast<int>(nodes.size() & 0xFF), static_cast<int>(nodes.size() >> 8), 0, 0, 0, 0, 0, 0}));
  deep = Concat(Concat(deep, nodes), Bytes({1, 1, 'a'}));
  TDocPtr doc = NewDoc();
  EXPECT_NE(LoadError(*doc, deep).find("nested deeper"), std::string::npos);
}
