#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zcl/base/ZCL.Utils.Stream.h"
#include "zse/engine/ZSE.Schema.h"
#include "zse/engine/ZSE.Skins.Theme.h"
#include "zse/engine/ZSE.Skins.Utils.h"
#include "zse/formats/ZSE.Formats.Converters.h"
#include "zse/script/ZSE.Script.Compiler.h"
#include "zse/script/ZSE.Script.Program.h"
#include "zse/script/ZSE.Script.XML.h"

namespace {

template <class T>
using TOwned = std::unique_ptr<T, void (*)(TObject*)>;

TOwned<TZSESkin> MakeSkin(Word Version, const String& Schema = String()) {
  TOwned<TZSESkin> skin(Create<TZSESkin>(), &Free);
  skin->GetDetails()->SetName(u"Test");
  skin->GetDetails()->SetVersion(Version);
  if (!Schema.empty())
    skin->GetFiles()->Add(u"Schema", sfkDocument,
                          IPtr<IZCLStreamContainer>(Create<TZCLStreamContainer>(StringView(Schema))));
  return skin;
}

void AddText(TZSESkin* Skin, const String& Name, TZSESkinFileKind Kind, const String& Text) {
  Skin->GetFiles()->Add(Name, Kind, IPtr<IZCLStreamContainer>(Create<TZCLStreamContainer>(StringView(Text))));
}

TOwned<TZCLXMLDocument> Document(TZSESkin* Skin, const String& Name = u"Schema") {
  return TOwned<TZCLXMLDocument>(Skin->GetResources()->LoadDocument(Name), &Free);
}

String Value(TZCLXMLNode* Node, StringView Attribute = u"value") {
  return Node ? Node->GetAttributes()->GetValue(Attribute) : String(u"<missing>");
}

TZCLXMLNode* Property(TZCLXMLNode* Node, StringView Name) {
  TZCLXMLNode* properties = Node->FindNode(u"properties");
  TZCLXMLNode* child = nullptr;
  if (properties && XMLNodeFindByName(properties, Name, child)) return child;
  return XMLNodeFindByName(Node, Name, child) ? child : nullptr;
}

TEST(SkinConverters, From450WithoutSchemaGetsOnlyTheMiscImages) {
  TOwned<TZSESkin> skin = MakeSkin(450);
  ASSERT_TRUE(TZSESkinManager::UpgradeVersion(500, skin.get()));
  TOwned<TZCLXMLDocument> schema = Document(skin.get());
  TZCLXMLNode* misc = schema->FindNodeByPath({u"skin", u"properties", u"misc"});
  ASSERT_NE(misc, nullptr);
  ASSERT_EQ(misc->GetCount(), 3);
  for (const Char* name : {u"FloatArrow", u"FloatArrowVert", u"TrayIcons"})
    EXPECT_EQ(Value(Property(misc, name)), name);
  EXPECT_EQ(schema->FindNode(u"skin")->GetCount(), 1);
}

TEST(SkinConverters, From450RewritesObjectsLayoutsAndScripts) {
  TOwned<TZSESkin> skin =
      MakeSkin(450,
               u"<skin><properties><menu><property name=\"TextureScrollBar\" value=\"a\"/></menu></properties>"
               u"<localizations default=\"English.lng\"><item>English.lng</item></localizations>"
               u"<forms><form name=\"Main\" class=\"Scene\"><controls>"
               u"<control class=\"SliderHorizontal\" name=\"sldVolume\"/>"
               u"<control class=\"SliderVertical\" name=\"sldSeek\"><properties><property name=\"Bindings\">"
               u"<link Source=\"prvSleepTime\" SourcePin=\"Scrolling\" TargetPin=\"x\"/>"
               u"<link Source=\"prvOther\" SourcePin=\"\" TargetPin=\"Waveform\"/></property></properties></control>"
               u"<control class=\"SliderHorizontal\" name=\"sldPlain\"/>"
               u"<control class=\"ScrollBarVertical\" name=\"sb\"/>"
               u"<control class=\"TextDisplayEx\" name=\"td\"><properties><property name=\"WordWrap\" "
               u"value=\"True\"/></properties></control>"
               u"<control class=\"List\" name=\"lst\"><properties>"
               u"<property name=\"Style\"><property name=\"ColorBorder\" value=\"255\"/><property name=\"ColorText\" "
               u"value=\"1\"/></property>"
               u"<property name=\"StyleContent\"><property name=\"ColorContent\" value=\"16711680\"/>"
               u"<property name=\"BorderColor\" value=\"7\"/><property name=\"TextColor\" value=\"5\"/></property>"
               u"<property name=\"Shadow\"><property name=\"Color\" value=\"255\"/><property name=\"ColorAlpha\" "
               u"value=\"128\"/></property>"
               u"</properties></control></controls></form></forms></skin>");
  AddText(skin.get(), u"Main", sfkDocument,
          u"<layout class=\"Layout\" name=\"Main\"><items>"
          u"<item class=\"Item\" name=\"a\"><properties><property name=\"ClipChildren\" value=\"False\"/>"
          u"<property name=\"ControlName\" value=\"Library\"/></properties></item>"
          u"<item class=\"Item\" name=\"b\"><properties/></item></items></layout>");
  AddText(skin.get(), u"Plain", sfkScript, u"x := Get('StyleContent.ColorText');");
  // A compiled script names the first slider.
  {
    TzsScript program(nullptr);
    TzsILParser parser(&program);
    parser.MakeILScript(u"begin Find('sldVolume'); end.");
    skin->GetFiles()->Add(u"Compiled", sfkScript,
                          [&](TStream* Stream) { parser.GetILScript()->SaveToBinaryStream(Stream); });
  }
  ASSERT_TRUE(TZSESkinManager::UpgradeVersion(500, skin.get()));
  TOwned<TZCLXMLDocument> schema = Document(skin.get());
  TZCLXMLNode* controls = schema->FindNodeByPath({u"skin", u"forms"})->GetNode(0)->FindNode(u"controls");
  struct TCase {
    Integer Index;
    const Char* Class;
    const Char* Orientation;
  } cases[] = {{0, u"SeekBar", u"oHorizontal"},
               {1, u"SeekBar", u"oVertical"},
               {2, u"Slider", u"oHorizontal"},
               {3, u"ScrollBar", u"oVertical"}};
  for (const TCase& c : cases) {
    TZCLXMLNode* control = controls->GetNode(c.Index);
    EXPECT_EQ(Value(control, u"class"), c.Class) << c.Index;
    EXPECT_EQ(Value(Property(control, u"Orientation")), c.Orientation) << c.Index;
  }
  TZCLXMLNode* link = Property(controls->GetNode(1), u"Bindings")->GetNode(0);
  EXPECT_EQ(Value(link, u"Source"), u"prvScheduler");
  EXPECT_EQ(Value(link, u"SourcePin"), u"Viewport");
  TZCLXMLNode* wrap = Property(controls->GetNode(4), u"Layout");
  ASSERT_NE(wrap, nullptr);
  EXPECT_EQ(Value(wrap), u"Multiline");

  // Styles: the old "Style" fills what "StyleContent" lacks, colours gain alpha, text colours stay.
  TZCLXMLNode* list = controls->GetNode(5);
  TZCLXMLNode* style = Property(list, u"Style");
  ASSERT_NE(style, nullptr);
  EXPECT_EQ(Value(Property(style, u"ColorContent")), u"4278190335");  // blue with alpha 255: 0xFF0000FF
  EXPECT_EQ(Value(Property(style, u"BorderColor")), u"4278648832") << "its own, not the merged one";
  EXPECT_EQ(Value(Property(style, u"TextColor")), u"5");
  EXPECT_EQ(Value(Property(style, u"RowColorText")), u"1");
  EXPECT_NE(Property(list, u"_"), nullptr);
  TZCLXMLNode* shadow = Property(list, u"Shadow");
  EXPECT_EQ(Value(Property(shadow, u"Color")), u"2164195328");  // alpha 128, red 255 (0x80FF0000)
  EXPECT_EQ(Property(shadow, u"ColorAlpha"), nullptr);

  TZCLXMLNode* menu = schema->FindNodeByPath({u"skin", u"properties", u"menu"});
  EXPECT_NE(Property(menu, u"TextureListScrollBar"), nullptr);
  EXPECT_EQ(Value(Property(menu, u"Glyphs")), u"MenuImages");
  TZCLXMLNode* localizations = schema->FindNodeByPath({u"skin", u"localizations"});
  EXPECT_EQ(Value(localizations, u"default"), u"English");
  EXPECT_EQ(localizations->GetNode(0)->GetNodeValue(), u"English");

  // Layouts: ClipChildren where missing, the allowed forms of a dock site.
  TOwned<TZCLXMLDocument> layout = Document(skin.get(), u"Main");
  TZCLXMLNode* items = layout->GetNode(0)->FindNode(u"items");
  EXPECT_EQ(Value(Property(items->GetNode(0), u"ClipChildren")), u"False");
  EXPECT_EQ(Value(Property(items->GetNode(1), u"ClipChildren")), u"True");
  TZCLXMLNode* allowed = Property(items->GetNode(0), u"AllowedForms");
  ASSERT_NE(allowed, nullptr);
  EXPECT_EQ(Value(allowed, u"default"), u"Library");
  EXPECT_EQ(Value(allowed->GetNode(0), u"name"), u"Library");

  // The plain script: two replacements in a row, stored as UTF-16 with its mark.
  TZSESkinFile* plain = nullptr;
  ASSERT_TRUE(skin->GetFiles()->Find(u"Plain", sfkScript, plain));
  TStream* stream = plain->GetData()->LockStream();
  Byte mark[2] = {};
  stream->ReadBuffer(mark, 2);
  stream->SetPosition(0);
  EXPECT_EQ(zcStreamReadText(stream, nullptr), u"x := Get('Style.RowColorText');");
  plain->GetData()->UnlockStream();
  EXPECT_EQ(mark[0], 0xFF);
  EXPECT_EQ(mark[1], 0xFE);
}

TEST(SkinConverters, DefaultContentPackagesAreBoundsChecked) {
  // count, then one file that claims more bytes than follow.
  std::string plain("\x01\x00\x00\x00\x01\x00\x41\x00\xFF\xFF\x00\x00\x08xyz", 15);
  TOwned<TMemoryStream> packed(Create<TMemoryStream>(), &Free);
  TOwned<TMemoryStream> source(Create<TMemoryStream>(), &Free);
  source->WriteBuffer(plain.data(), static_cast<Integer>(plain.size()));
  SkinPackagePack(source.get(), packed.get());
  packed->SetPosition(0);
  TOwned<TZSESkin> skin(Create<TZSESkin>(), &Free);
  EXPECT_THROW(TZSESkinConverter450::ReadResourcePackage(packed.get(), skin->GetFiles()), EReadError);
  EXPECT_EQ(skin->GetFiles()->GetCount(), 0);
}

}  // namespace
