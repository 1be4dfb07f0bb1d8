#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

#include "rtl/RTL.Streams.h"
#include "rtl/RTL.TypInfo.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/graphics/ZCL.Graphics.Geometry.h"
#include "zcl/ui/ZCL.Utils.RTTI.h"
#include "zse/engine/ZSE.Schema.h"
#include "zse/engine/ZSE.Skins.h"
#include "zse/engine/ZSE.Types.h"

enum TTestShape : Byte { tsBox, tsRound };
ZCL_ENUM(TTestShape, tsBox, tsRound);

namespace {

template <class T>
using TOwned = std::unique_ptr<T, void (*)(TObject*)>;

class TTestStyle : public TPersistent {
  ZCL_CLASS(TTestStyle, TPersistent)
 public:
  static void DeclareProperties(TClassDeclaration<TTestStyle>& D) {
    D.Property(u"Color", &TTestStyle::FColor, &TTestStyle::FColor).Default(0);
    D.Property(u"Tag", &TTestStyle::FTag, &TTestStyle::FTag).Default(0);
  }
  Integer FColor = 0;
  Integer FTag = 0;
};

// Stores itself: a list of numbers.
class TTestList : public TPersistent, public IZSESchemaCustomStoring {
  ZCL_CLASS(TTestList, TPersistent)
  RTL_INTERFACES(IInterface, IInterface, IZSESchemaCustomStoring)
  Integer _AddRef() override { return -1; }
  Integer _Release() override { return -1; }
  void Load(TZCLXMLNode* Node, TZSESchema*) override {
    Items.clear();
    for (Integer i = 0; i < Node->GetCount(); ++i)
      Items.push_back(Node->GetNode(i)->GetAttributes()->GetValueAsInteger(u"n"));
  }
  void Save(TZCLXMLNode* Node, TZSESchema*) override {
    for (Integer n : Items) Node->Add(u"item")->GetAttributes()->SetValueAsInteger(u"n", n);
  }
  bool IsStored() override { return !Items.empty(); }
  std::vector<Integer> Items;
};

}  // namespace

// Registered by name, as skin objects are: the schema's class attribute names it "TestItem".
class TZSETestItem : public TComponent, public IZSESchemaLoaderListener, public IZSESchemaDefaults {
  ZCL_CLASS(TZSETestItem, TComponent)
 public:
  explicit TZSETestItem(TComponent* AOwner) : TComponent(AOwner) {}
  ~TZSETestItem() override {
    Free(FMargins);
    Free(FSize);
    Free(FStyle);
    Free(FList);
    Free(FAnnotations);
  }
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override {
    if (DelegateQuery<IZSEAnnotations>(static_cast<IZSEAnnotations*>(FAnnotations), IID, Obj)) return S_OK;
    if (InterfaceTableQuery<IZSESchemaLoaderListener, IZSESchemaDefaults>(this, IID, Obj)) return S_OK;
    return TComponent::QueryInterface(IID, Obj);
  }
  static void DeclareProperties(TClassDeclaration<TZSETestItem>& D) {
    D.Property(u"Caption", &TZSETestItem::FCaption, &TZSETestItem::FCaption);
    D.Property(u"Width", &TZSETestItem::FWidth, &TZSETestItem::FWidth).Default(0);
    D.Property(u"Visible", &TZSETestItem::FVisible, &TZSETestItem::FVisible).Default(true);
    D.Property(u"Shape", &TZSETestItem::FShape, &TZSETestItem::FShape).Default(tsBox);
    D.Property(u"Margins", &TZSETestItem::FMargins);
    D.Property(u"Size", &TZSETestItem::FSize);
    D.Property(u"Style", &TZSETestItem::FStyle);
    D.Property(u"List", &TZSETestItem::FList);
    D.Property(u"Link", &TZSETestItem::GetLink, &TZSETestItem::SetLink);
    D.Property(u"Secret", &TZSETestItem::FSecret, &TZSETestItem::FSecret).Default(0).Attribute<HiddenAttribute>();
    D.Property(u"Count", &TZSETestItem::GetCount);
    D.Event(u"OnClick", &TZSETestItem::OnClick);
  }
  TComponent* GetLink() const { return FLink; }
  void SetLink(TComponent* Value) { FLink = Value; }
  Integer GetCount() const { return 7; }
  void BeginLoad() override { Events.push_back(u"begin"); }
  void EndLoad() override { Events.push_back(u"end"); }
  void SetSchemaDefaults() override {
    Events.push_back(u"defaults");
    FWidth = 0;
  }

  String FCaption;
  Integer FWidth = 0;
  bool FVisible = true;
  TTestShape FShape = tsBox;
  TZCLRect* FMargins = Create<TZCLRect>();
  TZCLSize* FSize = Create<TZCLSize>();
  TTestStyle* FStyle = Create<TTestStyle>();
  TTestList* FList = Create<TTestList>();
  TComponent* FLink = nullptr;
  Integer FSecret = 0;
  TZSEAnnotations* FAnnotations = Create<TZSEAnnotations>();
  TNotifyEvent OnClick;
  std::vector<String> Events;
};

class TZSELayoutTestBox : public TZSETestItem {
  ZCL_CLASS(TZSELayoutTestBox, TZSETestItem)
 public:
  using TZSETestItem::TZSETestItem;
};

namespace {

class TSchemaTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RegisterProperties<TTestStyle>();
    RegisterProperties<TTestList>();
    RegisterProperties<TZSETestItem>();
    RegisterProperties<TZSELayoutTestBox>();
    RegisterClasses({TZSETestItem::StaticClass(), TZSELayoutTestBox::StaticClass()});
  }
  static void TearDownTestSuite() {
    UnRegisterClasses({TZSETestItem::StaticClass(), TZSELayoutTestBox::StaticClass()});
  }

  TOwned<TComponent> FRoot{Create<TComponent>(nullptr), &Free};
  TZSETestItem* NewItem(const String& Name) {
    auto* item = Create<TZSETestItem>(FRoot.get());
    item->SetName(Name);
    return item;
  }
};

String Xml(TZCLXMLNode* Node) {
  auto doc = TOwned<TZCLXMLDocument>(Create<TZCLXMLDocument>(), &Free);
  doc->Add(u"x")->Assign(Node);
  doc->GetNode(0)->SetNodeName(u"x");
  auto stream = TOwned<TMemoryStream>(Create<TMemoryStream>(), &Free);
  doc->SaveToStream(stream.get(), TZCLXMLDocumentFormat::Text(1, false, false));
  const auto* bytes = static_cast<const char*>(stream->GetMemory());
  std::string text(bytes, bytes + stream->GetSize());
  const size_t start = text.find("<x");
  return String(text.begin() + static_cast<std::ptrdiff_t>(start), text.end());
}

TEST_F(TSchemaTest, DefaultsWriteNothing) {
  TZSETestItem* item = NewItem(u"btnPlay");
  auto node = TOwned<TZCLXMLNode>(Create<TZCLXMLNode>(), &Free);
  TZSESchema schema;
  schema.Save(item, node.get());
  // No notes: an empty "annotations" element, and no "properties" element at all.
  ASSERT_EQ(node->GetCount(), 1);
  EXPECT_EQ(node->GetNode(0)->GetNodeName(), u"annotations");
  EXPECT_EQ(node->GetNode(0)->GetCount(), 0);

  // An optimized set leaves notes out.
  auto skin = TOwned<TZSESkin>(Create<TZSESkin>(), &Free);
  class TOptimized : public TZSESkinResources {
   public:
    TOptimized() { FOptimized = true; }
  } optimized;
  TZSESchema lean(&optimized);
  auto bare = TOwned<TZCLXMLNode>(Create<TZCLXMLNode>(), &Free);
  item->FAnnotations->SetValue(u"PositionLocked", u"1");
  lean.Save(item, bare.get());
  EXPECT_EQ(bare->GetCount(), 0);
}

TEST_F(TSchemaTest, WritesTheDocumentedForm) {
  TZSETestItem* target = NewItem(u"pnlMain");
  TZSETestItem* item = NewItem(u"btnPlay");
  item->FCaption = u"Play";
  item->FWidth = 40;
  item->FVisible = false;
  item->FShape = tsRound;
  item->FMargins->SetValue(TRect(1, 2, 3, 4));
  item->FStyle->FColor = 255;
  item->FList->Items = {5, 6};
  item->FLink = target;
  item->FSecret = 9;
  item->FAnnotations->SetValue(u"PositionLocked", u"1");
  item->FAnnotations->SetValue(u"CustomGroup", u"Top");

  auto node = TOwned<TZCLXMLNode>(Create<TZCLXMLNode>(), &Free);
  TZSESchema schema;
  schema.Save(item, node.get());
  EXPECT_EQ(Xml(node.get()),
            u"<x>"
            u"<annotations><item name=\"CustomGroup\">Top</item><item name=\"PositionLocked\">1</item></annotations>"
            u"<properties>"
            u"<property name=\"Caption\" value=\"Play\"/>"
            u"<property name=\"Width\" value=\"40\"/>"
            u"<property name=\"Visible\" value=\"False\"/>"
            u"<property name=\"Shape\" value=\"tsRound\"/>"
            u"<property name=\"Margins\" value=\"1,2,3,4\"/>"
            u"<property name=\"Style\"><property name=\"Color\" value=\"255\"/></property>"
            u"<property name=\"List\"><item n=\"5\"/><item n=\"6\"/></property>"
            u"<property name=\"Link\" value=\"pnlMain\"/>"
            u"</properties></x>");
  // Only StoreAll records written references.
  EXPECT_EQ(schema.GetReferenceCount(), 0);
}

TEST_F(TSchemaTest, RoundTripResolvesReferencesByName) {
  TZSETestItem* target = NewItem(u"pnlMain");
  TZSETestItem* item = NewItem(u"btnPlay");
  item->FCaption = u"Play";
  item->FWidth = 40;
  item->FShape = tsRound;
  item->FMargins->SetValue(TRect(1, 2, 3, 4));
  item->FSize->SetValue(TSize(16, 9));
  item->FStyle->FTag = 3;
  item->FList->Items = {5};
  item->FLink = target;
  item->FAnnotations->SetValue(u"HighlightColor", u"4278190080");

  auto node = TOwned<TZCLXMLNode>(Create<TZCLXMLNode>(), &Free);
  TZSESchema(nullptr).Save(item, node.get());

  TOwned<TComponent> other(Create<TComponent>(nullptr), &Free);
  auto* copy = Create<TZSETestItem>(other.get());
  auto* otherTarget = Create<TZSETestItem>(other.get());
  otherTarget->SetName(u"pnlMain");
  copy->FWidth = 99;
  TZSESchema schema;
  schema.Load(copy, node.get());
  EXPECT_EQ(copy->Events, (std::vector<String>{u"begin", u"defaults", u"end"}));
  EXPECT_EQ(copy->FCaption, u"Play");
  EXPECT_EQ(copy->FWidth, 40);
  EXPECT_EQ(copy->FShape, tsRound);
  EXPECT_EQ(copy->FMargins->GetValue(), TRect(1, 2, 3, 4));
  EXPECT_EQ(copy->FSize->GetValue(), TSize(16, 9));
  EXPECT_EQ(copy->FStyle->FTag, 3);
  EXPECT_EQ(copy->FList->Items, std::vector<Integer>{5});
  EXPECT_EQ(copy->FAnnotations->GetValueAsAlphaColor(u"HighlightColor"), 4278190080u);
  // The reference waits for the resolver.
  EXPECT_EQ(copy->FLink, nullptr);
  ASSERT_EQ(schema.GetReferenceCount(), 1);
  schema.ResolveReferences([&](const String& Name) { return FindComponentRecursive(other.get(), Name); });
  EXPECT_EQ(copy->FLink, otherTarget);
}

TEST_F(TSchemaTest, LoadingDetails) {
  TZSETestItem* item = NewItem(u"item");
  auto node = TOwned<TZCLXMLNode>(Create<TZCLXMLNode>(), &Free);
  TZCLXMLNode* props = node->Add(u"properties");
  // Names match ignoring ASCII case; unknown and event properties are ignored.
  XMLNodeAddValue(props, u"WIDTH", 12);
  XMLNodeAddValue(props, u"Unknown", u"x");
  XMLNodeAddValue(props, u"OnClick", u"Handler");
  // Of two children with one name the first loads.
  XMLNodeAddValue(props, u"Caption", u"First");
  XMLNodeAddValue(props, u"caption", u"Second");
  TZSESchema schema;
  schema.Load(item, node.get());
  EXPECT_EQ(item->FWidth, 12);
  EXPECT_EQ(item->FCaption, u"First");

  // A read-only property raises, keeping what was loaded and skipping EndLoad.
  item->Events.clear();
  XMLNodeAddValue(props, u"Count", 3);
  EXPECT_THROW(schema.Load(item, node.get()), Exception);
  EXPECT_EQ(item->Events, (std::vector<String>{u"begin", u"defaults"}));

  // Without a "properties" child nothing changes.
  auto empty = TOwned<TZCLXMLNode>(Create<TZCLXMLNode>(), &Free);
  item->FWidth = 5;
  schema.Load(item, empty.get());
  EXPECT_EQ(item->FWidth, 5);
}

TEST_F(TSchemaTest, StoreAllWritesEverything) {
  TZSETestItem* item = NewItem(u"item");
  TZSETestItem* target = NewItem(u"target");
  item->FLink = target;
  class TStoreAllSchema : public TZSESchema {
   public:
    TStoreAllSchema() { FStoreAll = true; }
  } schema;
  auto node = TOwned<TZCLXMLNode>(Create<TZCLXMLNode>(), &Free);
  schema.Save(item, node.get());
  TZCLXMLNode* props = node->FindNode(u"properties");
  ASSERT_TRUE(props);
  std::vector<String> names;
  for (Integer i = 0; i < props->GetCount(); ++i)
    names.push_back(props->GetNode(i)->GetAttributes()->GetValue(u"name"));
  // Every non-event, non-hidden property that can be read back, the empty list object too.
  EXPECT_EQ(names, (std::vector<String>{u"Name", u"Tag", u"Caption", u"Width", u"Visible", u"Shape", u"Margins",
                                        u"Size", u"Style", u"List", u"Link"}));
  EXPECT_EQ(schema.GetReferenceCount(), 1);

  // Loading with StoreAll does not reset to defaults first.
  item->Events.clear();
  schema.Load(item, node.get());
  EXPECT_EQ(item->Events, (std::vector<String>{u"begin", u"end"}));
}

class TErrors : public TInterfacedObject, public IZSEErrorHandler {
  RTL_INTERFACES(TInterfacedObject, IZSEErrorHandler)
  void InvalidExpression(const String&, const String&) override {}
  void ReferenceNotFound(TObject* Object, const String& PropertyName, const String& ObjectName) override {
    Calls.push_back(static_cast<TComponent*>(Object)->GetName() + u"." + PropertyName + u"=" + ObjectName);
  }
  std::vector<String> Calls;
};

TEST_F(TSchemaTest, UnresolvedReferences) {
  TZSETestItem* a = NewItem(u"a");
  TZSETestItem* b = NewItem(u"b");
  a->FLink = b->FLink = a;
  IPtr<TErrors> errors(Create<TErrors>());
  ZSESetErrorHandler(IPtr<IZSEErrorHandler>(errors.get()));
  TZSESchema schema;
  schema.AddReference(a, u"Link", u"missing");
  schema.AddReference(b, u"Link", u"missing");
  schema.AddReference(b, u"Link", u"");  // ignored
  schema.ResolveReferences([](const String&) -> TComponent* { return nullptr; });
  ZSESetErrorHandler(nullptr);
  EXPECT_EQ(errors->Calls, (std::vector<String>{u"b.Link=missing", u"a.Link=missing"}));
  EXPECT_EQ(a->FLink, nullptr);
  EXPECT_EQ(b->FLink, nullptr);

  // A target without a name is not written.
  auto* unnamed = Create<TZSETestItem>(FRoot.get());
  a->FLink = unnamed;
  auto node = TOwned<TZCLXMLNode>(Create<TZCLXMLNode>(), &Free);
  schema.Save(a, node.get());
  EXPECT_EQ(node->FindNode(u"properties"), nullptr);
}

TEST_F(TSchemaTest, ClassNames) {
  TOwned<TComponent> box(Create<TZSELayoutTestBox>(nullptr), &Free);
  EXPECT_EQ(SchemaGetClassName(box.get()), u"LayoutTestBox");
  EXPECT_EQ(SchemaGetClassName(TZSETestItem::StaticClass()), u"TestItem");
  EXPECT_EQ(SchemaGetClassName(TComponent::StaticClass()), u"TComponent");

  auto node = TOwned<TZCLXMLNode>(Create<TZCLXMLNode>(), &Free);
  struct Case {
    const char16_t* Value;
    TClass Base;
    TClass Expected;
  } cases[] = {{u"TestItem", nullptr, TZSETestItem::StaticClass()},
               {u"LayoutTestBox", nullptr, TZSELayoutTestBox::StaticClass()},
               {u"TestBox", nullptr, TZSELayoutTestBox::StaticClass()},
               {u"TestBox", TZSETestItem::StaticClass(), TZSELayoutTestBox::StaticClass()},
               {u"TestItem", TZSELayoutTestBox::StaticClass(), nullptr},
               {u"Nothing", nullptr, nullptr},
               {u"", nullptr, nullptr}};
  for (const Case& c : cases) {
    node->GetAttributes()->SetValue(u"class", c.Value);
    TClass found = nullptr;
    EXPECT_EQ(SchemaResolveClass(node.get(), c.Base, found), c.Expected != nullptr) << String(c.Value).size();
    EXPECT_EQ(found, c.Expected);
  }
}

TEST_F(TSchemaTest, XmlHelpers) {
  auto node = TOwned<TZCLXMLNode>(Create<TZCLXMLNode>(), &Free);
  XMLNodeAddValue(node.get(), u"Flag", true);
  XMLNodeAddValue(node.get(), u"Count", -3);
  EXPECT_EQ(Xml(node.get()), u"<x><property name=\"Flag\" value=\"True\"/><property name=\"Count\" value=\"-3\"/></x>");
  TZCLXMLNode* child;
  ASSERT_TRUE(XMLNodeFindByName(node.get(), u"FLAG", child));
  EXPECT_EQ(XMLNodeFindOrAddProperty(node.get(), u"flag"), child);
  EXPECT_TRUE(XMLNodeRenameChild(node.get(), u"count", u"Total"));
  EXPECT_FALSE(XMLNodeRenameChild(node.get(), u"count", u"Other"));
  TZCLXMLNode* added = XMLNodeFindOrAddProperty(node.get(), u"New");
  EXPECT_EQ(node->GetCount(), 3);
  XMLNodeFreeIfEmpty(added, true);  // it has an attribute
  ASSERT_TRUE(added);
  XMLNodeFreeIfEmpty(added, false);
  EXPECT_EQ(added, nullptr);
  EXPECT_EQ(node->GetCount(), 2);

  const String id = SchemaNewId();
  EXPECT_EQ(id.size(), 39u);
  EXPECT_EQ(id[0], u'D');
  EXPECT_EQ(id.find_first_of(u"{-}"), String::npos);
  EXPECT_NE(SchemaNewId(), id);
}

TEST(SchemaAnnotations, Values) {
  TOwned<TZSEAnnotations> notes(Create<TZSEAnnotations>(), &Free);
  EXPECT_EQ(notes->GetValue(u"x"), u"");
  for (const char16_t* text : {u"-1", u"abc", u"4294967296", u""}) {
    notes->SetValue(u"Color", text);
    EXPECT_EQ(notes->GetValueAsAlphaColor(u"Color"), 0x00010203u) << String(text).size();
  }
  notes->SetValueAsAlphaColor(u"Color", 4278190080u);
  EXPECT_EQ(notes->GetValue(u"Color"), u"4278190080");
  // An empty value removes the entry; without entries the element stays empty.
  notes->SetValue(u"Color", u"");
  EXPECT_TRUE(notes->IsEmpty());
  auto node = TOwned<TZCLXMLNode>(Create<TZCLXMLNode>(), &Free);
  notes->Save(node.get());
  EXPECT_EQ(node->GetCount(), 0);
  // Loading takes every child, whatever its element name; a later key overwrites.
  node->Add(u"item")->GetAttributes()->SetValue(u"name", u"A");
  node->GetNode(0)->SetNodeValue(u"1");
  node->Add(u"other")->GetAttributes()->SetValue(u"name", u"A");
  node->GetNode(1)->SetNodeValue(u"2");
  notes->Load(node.get());
  EXPECT_EQ(notes->GetValue(u"A"), u"2");
  notes->Load(nullptr);
  EXPECT_TRUE(notes->IsEmpty());
}

// A window whose body offsets are a rectangle value, as a skin form publishes them.
class TTestFrame : public TPersistent {
  ZCL_CLASS(TTestFrame, TPersistent)
 public:
  static void DeclareProperties(TClassDeclaration<TTestFrame>& D) {
    D.Property(u"MagnetRectOffsets", &TTestFrame::GetOffsets, &TTestFrame::SetOffsets);
  }
  TRect GetOffsets() const { return FOffsets; }
  void SetOffsets(const TRect& Value) { FOffsets = Value; }
  TRect FOffsets;
};

TEST(SchemaRectangles, ReadAndWriteTheTextTheConvertersWrite) {
  RegisterProperties<TTestFrame>();
  TZSESchema schema;
  // The form the version converters write, a negative side, and missing sides (zero).
  const struct {
    const Char* Text;
    TRect Expected;
  } cases[] = {{u"5,5,5,5", TRect(5, 5, 5, 5)}, {u"0,-2,0,-2", TRect(0, -2, 0, -2)}, {u"7,8", TRect(7, 8, 0, 0)}};
  for (const auto& c : cases) {
    TOwned<TTestFrame> frame(Create<TTestFrame>(), &Free);
    auto node = TOwned<TZCLXMLNode>(Create<TZCLXMLNode>(), &Free);
    XMLNodeAddValue(node->Add(u"properties"), u"MagnetRectOffsets", c.Text);
    schema.Load(frame.get(), node.get());
    EXPECT_EQ(frame->FOffsets, c.Expected) << (&c - cases);
  }

  // Written in the same form, and not at all while empty.
  TOwned<TTestFrame> frame(Create<TTestFrame>(), &Free);
  auto empty = TOwned<TZCLXMLNode>(Create<TZCLXMLNode>(), &Free);
  schema.Save(frame.get(), empty.get());
  EXPECT_EQ(empty->FindNode(u"properties"), nullptr);
  frame->FOffsets = TRect(5, 4, 3, -1);
  auto node = TOwned<TZCLXMLNode>(Create<TZCLXMLNode>(), &Free);
  schema.Save(frame.get(), node.get());
  TZCLXMLNode* child = nullptr;
  ASSERT_TRUE(XMLNodeFindByName(node->FindNode(u"properties"), u"MagnetRectOffsets", child));
  EXPECT_EQ(child->GetAttributes()->GetValue(u"value"), u"5,4,3,-1");
}

}  // namespace
