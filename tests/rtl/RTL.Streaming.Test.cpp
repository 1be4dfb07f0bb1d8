#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rtl/RTL.Geometry.h"
#include "rtl/RTL.Streaming.Text.h"
#include "rtl/RTL.Streaming.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.TypInfo.h"

namespace {

enum TStreamTestKind : Byte { skPlain, skFancy, skLoud };
ZCL_ENUM(TStreamTestKind, skPlain, skFancy, skLoud);
using TStreamTestKinds = TSet<TStreamTestKind>;

class TStreamTestFont : public TPersistent {
  ZCL_CLASS(TStreamTestFont, TPersistent)
 public:
  Integer FColor = 0;
  Cardinal FAlpha = 0;
  TStreamTestKinds FStyle;
  String FName = u"Sans";
  static void DeclareProperties(TClassDeclaration<TStreamTestFont>& D) {
    D.Property(u"Color", &TStreamTestFont::FColor, &TStreamTestFont::FColor).Type(TypeInfoTColor()).Default(0);
    D.Property(u"Alpha", &TStreamTestFont::FAlpha, &TStreamTestFont::FAlpha).Type(TypeInfoTAlphaColor()).Default(0u);
    D.Property(u"Style", &TStreamTestFont::FStyle, &TStreamTestFont::FStyle).Default(TStreamTestKinds{});
    D.Property(u"Name", &TStreamTestFont::FName, &TStreamTestFont::FName);
  }
};

class TStreamTestItem : public TCollectionItem {
  ZCL_CLASS(TStreamTestItem, TCollectionItem)
 public:
  using TCollectionItem::TCollectionItem;
  String FCaption;
  Integer FWidth = 0;
  static void DeclareProperties(TClassDeclaration<TStreamTestItem>& D) {
    D.Property(u"Caption", &TStreamTestItem::FCaption, &TStreamTestItem::FCaption);
    D.Property(u"Width", &TStreamTestItem::FWidth, &TStreamTestItem::FWidth).Default(0);
  }
};

// A component with every kind of streamed data; its children are the components it owns
// whose parent it is.
class TStreamTestPanel : public TComponent {
  ZCL_CLASS(TStreamTestPanel, TComponent)
 public:
  explicit TStreamTestPanel(TComponent* AOwner) : TComponent(AOwner) {
    FFont = Create<TStreamTestFont>();
    FItems = Create<TOwnedCollection>(this, TStreamTestItem::StaticClass());
  }
  ~TStreamTestPanel() override {
    Free(FFont);
    Free(FItems);
  }
  static void DeclareProperties(TClassDeclaration<TStreamTestPanel>& D) {
    D.Property(u"Caption", &TStreamTestPanel::FCaption, &TStreamTestPanel::FCaption);
    D.Property(u"Count", &TStreamTestPanel::FCount, &TStreamTestPanel::FCount).Default(0);
    D.Property(u"Kind", &TStreamTestPanel::FKind, &TStreamTestPanel::FKind).Default(skPlain);
    D.Property(u"Enabled", &TStreamTestPanel::FEnabled, &TStreamTestPanel::FEnabled).Default(true);
    D.Property(u"Ratio", &TStreamTestPanel::FRatio, &TStreamTestPanel::FRatio);
    D.Property(u"Scale", &TStreamTestPanel::FScale, &TStreamTestPanel::FScale);
    D.Property(u"Big", &TStreamTestPanel::FBig, &TStreamTestPanel::FBig);
    D.Property(u"Letter", &TStreamTestPanel::FLetter, &TStreamTestPanel::FLetter).Default(u'a');
    D.Property(u"Font", &TStreamTestPanel::GetFont, &TStreamTestPanel::SetFont);
    D.Property(u"Items", &TStreamTestPanel::GetItems, &TStreamTestPanel::SetItems);
    D.Property(u"Buddy", &TStreamTestPanel::FBuddy, &TStreamTestPanel::FBuddy);
  }

  TStreamTestFont* GetFont() const { return FFont; }
  void SetFont(TStreamTestFont* Value) {
    FFont->FColor = Value->FColor;
    FFont->FAlpha = Value->FAlpha;
    FFont->FStyle = Value->FStyle;
    FFont->FName = Value->FName;
  }
  TOwnedCollection* GetItems() const { return FItems; }
  void SetItems(TOwnedCollection* Value) { FItems->Assign(Value); }

  TComponent* GetParentComponent() const override { return FParent; }
  bool HasParent() const override { return FParent != nullptr; }
  void SetParentComponent(TComponent* Value) override { FParent = Value; }
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override {
    TComponent* owner = Root ? Root : this;
    for (Integer i = 0; i < owner->GetComponentCount(); ++i)
      if (owner->GetComponent(i)->GetParentComponent() == this) Proc(owner->GetComponent(i));
  }
  void Loaded() override {
    inherited::Loaded();
    ++LoadedCount;
    BuddyAtLoaded = FBuddy;
  }

  String FCaption;
  Integer FCount = 0;
  TStreamTestKind FKind = skPlain;
  bool FEnabled = true;
  double FRatio = 0;
  float FScale = 0;
  Int64 FBig = 0;
  Char FLetter = u'a';
  TComponent* FBuddy = nullptr;
  TComponent* FParent = nullptr;
  TBytes Blob;                 // streamed as binary data
  std::vector<Integer> Marks;  // streamed as a list of integers
  Integer LoadedCount = 0;
  TComponent* BuddyAtLoaded = nullptr;

 protected:
  void DefineProperties(TFiler* Filer) override {
    inherited::DefineProperties(Filer);
    Filer->DefineBinaryProperty(
        u"Blob",
        [this](TStream* S) {
          Blob.resize(static_cast<size_t>(S->GetSize()));
          S->ReadBuffer(Blob.data(), S->GetSize());
        },
        [this](TStream* S) { S->WriteBuffer(Blob.data(), static_cast<Int64>(Blob.size())); }, !Blob.empty());
    Filer->DefineProperty(
        u"Marks",
        [this](TReader* R) {
          R->ReadListBegin();
          while (!R->EndOfList()) Marks.push_back(R->ReadInteger());
          R->ReadListEnd();
        },
        [this](TWriter* W) {
          W->WriteListBegin();
          for (Integer m : Marks) W->WriteInteger(m);
          W->WriteListEnd();
        },
        !Marks.empty());
  }
  void Notification(TComponent* AComponent, TOperation Operation) override {
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FBuddy) FBuddy = nullptr;
  }

 private:
  TStreamTestFont* FFont = nullptr;
  TOwnedCollection* FItems = nullptr;
};

class TStreamTestUnregistered : public TStreamTestPanel {
  ZCL_CLASS(TStreamTestUnregistered, TStreamTestPanel)
 public:
  using TStreamTestPanel::TStreamTestPanel;
};

TStreamTestPanel* MakePanel(TComponent* Owner, const String& Name, TComponent* Parent) {
  auto* p = Create<TStreamTestPanel>(Owner);
  p->SetName(Name);
  p->SetParentComponent(Parent);
  return p;
}

class Streaming : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterProperties<TStreamTestFont>();
    RegisterProperties<TStreamTestItem>();
    RegisterProperties<TStreamTestPanel>();
    RegisterClass(TStreamTestPanel::StaticClass());
  }
  void TearDown() override {
    Free(FRoot);
    Free(FCopy);
  }

  // Root "Form" with the full set of data, a child "Inner" (parented to Form) and a grandchild
  // "Deep" (parented to Inner) that refers back to Inner.
  TStreamTestPanel* BuildTree() {
    FRoot = MakePanel(nullptr, u"Form", nullptr);
    FRoot->FCaption = u"H\u00e9llo 'quoted'\r\nline";
    FRoot->FCount = -70000;
    FRoot->FKind = skLoud;
    FRoot->FEnabled = false;
    FRoot->FRatio = 0.1;
    FRoot->FScale = 2.5f;
    FRoot->FBig = INT64_MIN;
    FRoot->FLetter = u'Z';
    FRoot->GetFont()->FColor = 0xFF00FF;
    FRoot->GetFont()->FStyle = TStreamTestKinds{skPlain, skLoud};
    FRoot->GetFont()->FName = u"Serif";
    auto* item = FRoot->GetItems()->Add<TStreamTestItem>();
    item->FCaption = u"first";
    item->FWidth = 300;
    FRoot->GetItems()->Add<TStreamTestItem>()->FCaption = std::u16string(300, u'x');
    FRoot->Blob = {0, 1, 2, 0xFE, 0xFF};
    FRoot->Marks = {1, -2, 100000};
    TStreamTestPanel* inner = MakePanel(FRoot, u"Inner", FRoot);
    inner->FCount = 5;
    TStreamTestPanel* deep = MakePanel(FRoot, u"Deep", inner);
    deep->FBuddy = inner;
    FRoot->FBuddy = deep;
    return FRoot;
  }

  static TBytes Bytes(TBytesStream& S) {
    TBytes b = S.GetBytes();
    b.resize(static_cast<size_t>(S.GetSize()));
    return b;
  }

  static TBytes WriteBinary(TComponent* C) {
    TBytesStream s;
    WriteComponent(&s, C);
    return Bytes(s);
  }

  static std::string ToText(const TBytes& Binary) {
    TBytesStream in(Binary), out;
    ObjectBinaryToText(&in, &out);
    TBytes b = Bytes(out);
    return std::string(b.begin(), b.end());
  }

  static TBytes ToBinary(const std::string& Text) {
    TBytesStream in(TBytes(Text.begin(), Text.end())), out;
    ObjectTextToBinary(&in, &out);
    return Bytes(out);
  }

  TStreamTestPanel* Read(const TBytes& Binary) {
    TBytesStream in(Binary);
    FCopy = static_cast<TStreamTestPanel*>(ReadComponent(&in, nullptr));
    return FCopy;
  }

  static void ExpectSameTree(TStreamTestPanel* A, TStreamTestPanel* B) {
    EXPECT_EQ(A->GetName(), B->GetName());
    EXPECT_EQ(A->FCaption, B->FCaption);
    EXPECT_EQ(A->FCount, B->FCount);
    EXPECT_EQ(A->FKind, B->FKind);
    EXPECT_EQ(A->FEnabled, B->FEnabled);
    EXPECT_EQ(A->FRatio, B->FRatio);
    EXPECT_EQ(A->FScale, B->FScale);
    EXPECT_EQ(A->FBig, B->FBig);
    EXPECT_EQ(A->FLetter, B->FLetter);
    EXPECT_EQ(A->GetFont()->FColor, B->GetFont()->FColor);
    EXPECT_EQ(A->GetFont()->FStyle, B->GetFont()->FStyle);
    EXPECT_EQ(A->GetFont()->FName, B->GetFont()->FName);
    ASSERT_EQ(A->GetItems()->GetCount(), B->GetItems()->GetCount());
    for (Integer i = 0; i < A->GetItems()->GetCount(); ++i) {
      EXPECT_EQ(A->GetItems()->GetItem<TStreamTestItem>(i)->FCaption,
                B->GetItems()->GetItem<TStreamTestItem>(i)->FCaption);
      EXPECT_EQ(A->GetItems()->GetItem<TStreamTestItem>(i)->FWidth, B->GetItems()->GetItem<TStreamTestItem>(i)->FWidth);
    }
    EXPECT_EQ(A->Blob, B->Blob);
    EXPECT_EQ(A->Marks, B->Marks);
    EXPECT_EQ(A->FBuddy ? A->FBuddy->GetName() : u"", B->FBuddy ? B->FBuddy->GetName() : u"");
  }

  void ExpectCopyOfTree(TStreamTestPanel* Copy) {
    ExpectSameTree(FRoot, Copy);
    ASSERT_EQ(Copy->GetComponentCount(), 2);
    auto* inner = static_cast<TStreamTestPanel*>(Copy->FindComponent(u"Inner"));
    auto* deep = static_cast<TStreamTestPanel*>(Copy->FindComponent(u"Deep"));
    ASSERT_TRUE(inner && deep);
    ExpectSameTree(static_cast<TStreamTestPanel*>(FRoot->FindComponent(u"Inner")), inner);
    EXPECT_EQ(inner->FParent, Copy);
    EXPECT_EQ(deep->FParent, inner);
    // References resolve to the new tree's components, and before Loaded runs.
    EXPECT_EQ(Copy->FBuddy, deep);
    EXPECT_EQ(deep->FBuddy, inner);
    EXPECT_EQ(deep->BuddyAtLoaded, inner);
    for (TStreamTestPanel* c : {Copy, inner, deep}) {
      EXPECT_EQ(c->LoadedCount, 1);
      EXPECT_FALSE(c->GetComponentState().Contains(csLoading));
      EXPECT_FALSE(c->GetComponentState().Contains(csReading));
    }
  }

  TStreamTestPanel* FRoot = nullptr;
  TStreamTestPanel* FCopy = nullptr;
};

}  // namespace

TEST_F(Streaming, BinaryRoundTripRebuildsTheTree) {
  const TBytes binary = WriteBinary(BuildTree());
  ASSERT_GE(binary.size(), 4u);
  EXPECT_EQ(std::string(binary.begin(), binary.begin() + 4), "TPF0");
  ExpectCopyOfTree(Read(binary));
  // Writing the copy gives the same bytes.
  EXPECT_EQ(WriteBinary(FCopy), binary);
}

TEST_F(Streaming, ColoursAreWrittenByNameAndReadByNameOrNumber) {
  struct {
    const char* Text;   // what the text form holds
    Integer Color;      // TColor read
    Cardinal Alpha;     // TAlphaColor read
    const char* Again;  // how it is written back
  } cases[] = {
      {"Font.Color = clWindowText\n    Font.Alpha = claWhitesmoke", clWindowText, 0xFFF5F5F5,
       "Font.Color = clWindowText\n  Font.Alpha = claWhitesmoke"},
      {"Font.Color = CLRED\n    Font.Alpha = xff0078d7", 0x0000FF, 0xFF0078D7,
       "Font.Color = clRed\n  Font.Alpha = xFF0078D7"},
      {"Font.Color = 1193046\n    Font.Alpha = 4278190080", 0x123456, 0xFF000000,
       "Font.Color = 1193046\n  Font.Alpha = claBlack"},
      {"Font.Color = clNone\n    Font.Alpha = claCyan", clNone, 0xFF00FFFF,
       "Font.Color = clNone\n  Font.Alpha = claAqua"},
  };
  for (const auto& c : cases) {
    const std::string text = std::string("object Form: TStreamTestPanel\n    ") + c.Text + "\nend\n";
    Read(ToBinary(text));
    EXPECT_EQ(FCopy->GetFont()->FColor, c.Color) << c.Text;
    EXPECT_EQ(FCopy->GetFont()->FAlpha, c.Alpha) << c.Text;
    EXPECT_NE(ToText(WriteBinary(FCopy)).find(c.Again), std::string::npos) << ToText(WriteBinary(FCopy));
    Free(FCopy);
    FCopy = nullptr;
  }
  for (const char* bad : {"Font.Color = clNoSuchColour", "Font.Alpha = xFF00", "Font.Alpha = clRed"}) {
    TBytesStream in(ToBinary(std::string("object Form: TStreamTestPanel\n  ") + bad + "\nend\n"));
    EXPECT_THROW(ReadComponent(&in, nullptr), EReadError) << bad;
  }
}

TEST_F(Streaming, TextRoundTripRebuildsTheTreeAndTheBytes) {
  const TBytes binary = WriteBinary(BuildTree());
  const std::string text = ToText(binary);
  EXPECT_NE(text.find("object Form: TStreamTestPanel\n"), std::string::npos) << text;
  EXPECT_NE(text.find("  Font.Color = clFuchsia\n"), std::string::npos) << text;
  EXPECT_NE(text.find("  Font.Style = [skPlain, skLoud]\n"), std::string::npos) << text;
  EXPECT_NE(text.find("  Caption = 'H'#233'llo ''quoted'''#13#10'line'\n"), std::string::npos) << text;
  EXPECT_NE(text.find("  Buddy = Deep\n"), std::string::npos) << text;
  EXPECT_NE(text.find("  Blob = {\n    000102FEFF}\n"), std::string::npos) << text;
  EXPECT_NE(text.find("  object Inner: TStreamTestPanel\n"), std::string::npos) << text;
  EXPECT_EQ(ToBinary(text), binary) << text;
  ExpectCopyOfTree(Read(ToBinary(text)));
}

TEST_F(Streaming, DefaultsAreNotWritten) {
  FRoot = MakePanel(nullptr, u"Plain", nullptr);
  // Only Font.Name (no default declared for strings other than empty) is written.
  EXPECT_EQ(ToText(WriteBinary(FRoot)), "object Plain: TStreamTestPanel\n  Font.Name = 'Sans'\nend\n");
}

TEST_F(Streaming, HandWrittenTextLoads) {
  const std::string text =
      "// a skin\n"
      "object Main: TStreamTestPanel\n"
      "  Caption = 'a' + \n    'b'#$41\n"
      "  Count = $10\n"
      "  Ratio = 1e3\n"
      "  Scale = 1.5s\n"
      "  Enabled = False\n"
      "  Kind = skFancy\n"
      "  Items = <\n    item\n      Width = 7\n    end>\n"
      "  Marks = (1 2)\n"
      "  object Child: TStreamTestPanel\n    Buddy = Main\n  end\n"
      "end\n";
  TStreamTestPanel* p = Read(ToBinary(text));
  EXPECT_EQ(p->FCaption, u"abA");
  EXPECT_EQ(p->FCount, 16);
  EXPECT_EQ(p->FRatio, 1000.0);
  EXPECT_EQ(p->FScale, 1.5f);
  EXPECT_FALSE(p->FEnabled);
  EXPECT_EQ(p->FKind, skFancy);
  ASSERT_EQ(p->GetItems()->GetCount(), 1);
  EXPECT_EQ(p->GetItems()->GetItem<TStreamTestItem>(0)->FWidth, 7);
  EXPECT_EQ(p->Marks, (std::vector<Integer>{1, 2}));
  auto* child = static_cast<TStreamTestPanel*>(p->FindComponent(u"Child"));
  ASSERT_TRUE(child);
  EXPECT_EQ(child->FBuddy, p);
}

TEST_F(Streaming, ReadsIntoAnExistingRoot) {
  const TBytes binary = WriteBinary(BuildTree());
  FCopy = Create<TStreamTestPanel>(nullptr);
  FCopy->GetItems()->Add();  // replaced by the stream's items
  TBytesStream in(binary);
  EXPECT_EQ(ReadComponent(&in, FCopy), FCopy);
  EXPECT_EQ(FCopy->GetName(), u"");  // an existing root keeps its name
  EXPECT_EQ(FCopy->GetItems()->GetCount(), 2);
  EXPECT_EQ(FCopy->FBuddy, FCopy->FindComponent(u"Deep"));
}

TEST_F(Streaming, ReadErrorsCarryThePlatformTexts) {
  struct TCase {
    const char* Text;
    const char16_t* Message;
  };
  const TCase cases[] = {
      {"object A: TStreamTestPanel\n  Missing = 1\nend\n", u"Property Missing does not exist"},
      {"object A: TStreamTestPanel\n  Font.Missing = 1\nend\n", u"Property Font.Missing does not exist"},
      {"object A: TStreamTestPanel\n  Caption.X = 1\nend\n", u"Property Caption.X does not exist"},
      {"object A: TStreamTestPanel\n  Kind = skNone\nend\n", u"Invalid property value"},
      {"object A: TStreamTestPanel\n  Count = 'text'\nend\n", u"Invalid property value"},
      {"object A: TStreamTestPanel\n  Font.Style = [skNone]\nend\n", u"Invalid property value"},
      {"object A: TStreamTestPanel\n  Letter = 'two'\nend\n", u"Invalid property value"},
      {"object A: TStreamTestPanel\n  Blob = 5\nend\n", u"Invalid property value"},
  };
  for (const TCase& c : cases) {
    TBytesStream in(ToBinary(c.Text));
    try {
      ReadComponent(&in, nullptr);
      ADD_FAILURE() << c.Text;
    } catch (const EReadError& e) {
      EXPECT_EQ(e.GetMessage(), c.Message) << c.Text;
    }
  }
  TBytesStream unknown(ToBinary("object A: TStreamTestPanel\n  object B: TStreamTestUnregistered\n  end\nend\n"));
  try {
    ReadComponent(&unknown, nullptr);
    ADD_FAILURE();
  } catch (const EClassNotFound& e) {
    EXPECT_EQ(e.GetMessage(), u"Class TStreamTestUnregistered not found");
  }
}

TEST_F(Streaming, DamagedBinaryFailsCleanly) {
  const TBytes binary = WriteBinary(BuildTree());
  // Every truncation fails with a read error and leaks nothing (checked under the sanitizers).
  for (size_t n = 0; n < binary.size(); ++n) {
    TBytesStream in(TBytes(binary.begin(), binary.begin() + static_cast<std::ptrdiff_t>(n)));
    EXPECT_THROW(ReadComponent(&in, nullptr), EReadError) << n;
  }
  TBytes bad = binary;
  bad[0] = 'X';
  TBytesStream badSignature(bad);
  try {
    ReadComponent(&badSignature, nullptr);
    ADD_FAILURE();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.GetMessage(), u"Invalid stream format");
  }
  // A huge length claimed for a string is refused before anything is allocated.
  TBytes huge = {'T', 'P', 'F', '0', 16, 'T', 'S', 't', 'r', 'e', 'a', 'm', 'T',       'e',  's',  't',  'P', 'a',
                 'n', 'e', 'l', 0,   7,  'C', 'a', 'p', 't', 'i', 'o', 'n', vaWString, 0xFF, 0xFF, 0xFF, 0x7F};
  TBytesStream hugeIn(huge);
  EXPECT_THROW(ReadComponent(&hugeIn, nullptr), EReadError);
  EXPECT_THROW(ToText(huge), EReadError);
  // Nesting beyond the limit is refused rather than exhausting the stack.
  TBytes nested = {'T', 'P', 'F', '0', 1, 'T', 0, 1, 'P'};
  nested.insert(nested.end(), 100000, vaList);
  EXPECT_THROW(ToText(nested), EReadError);
}

TEST_F(Streaming, TextSyntaxErrorsNameTheLine) {
  const std::pair<const char*, const char16_t*> cases[] = {
      {"thing A: T\nend\n", u"'object' expected on line 1"},
      {"object A: T\n  X = 'open\nend\n", u"Unterminated string on line 2"},
      {"object A: T\n  X 1\nend\n", u"'=' expected on line 2"},
      {"object A: T\n  X = {0G}\nend\n", u"Invalid binary value on line 2"},
      {"object A: T\n  X = 99999999999999999999\nend\n", u"Number out of range on line 2"},
      {"object A: T\n  X = 1\n", u"Property name expected on line 3"},
      {"object A: T\nend\nmore", u"End of text expected on line 3"},
  };
  for (const auto& [text, message] : cases) {
    try {
      ToBinary(text);
      ADD_FAILURE() << text;
    } catch (const EParserError& e) {
      EXPECT_EQ(e.GetMessage(), message) << text;
    }
  }
  EXPECT_THROW(ToBinary(std::string(100000, '(')), EParserError);
  EXPECT_THROW(ToBinary("object A: T\n  X = " + std::string(100000, '(')), EParserError);
}

TEST_F(Streaming, TestStreamFormatTellsBinaryFromText) {
  const std::pair<std::string, TStreamOriginalFormat> cases[] = {
      {"TPF0\x06", sofBinary}, {"  object A: T", sofText}, {"\xEF\xBB\xBFinherited A: T", sofText},
      {"objects", sofUnknown}, {"", sofUnknown},
  };
  for (const auto& [text, format] : cases) {
    TBytesStream s(TBytes(text.begin(), text.end()));
    EXPECT_EQ(TestStreamFormat(&s), format) << text;
    EXPECT_EQ(s.GetPosition(), 0);
  }
}
