#include <gtest/gtest.h>

#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/base/ZCL.Utils.Stream.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zcl/graphics/ZCL.Graphics.SkinImage.h"
#include "zse/engine/ZSE.Schema.h"
#include "zse/formats/LegacyFixtures.h"
#include "zse/formats/ZSE.Formats.Legacy.Converter.h"

using namespace legacy_test;

namespace {

// A skin of the INI era: "Main.ini" from Ini, XML layout files and plain bitmaps of given sizes.
TOwned<TZSESkin> IniSkin(const String& Ini, const std::vector<std::pair<String, std::string>>& Layouts = {},
                         const std::vector<std::tuple<String, Integer, Integer>>& Bitmaps = {}) {
  auto skin = Make<TZSESkin>();
  if (!Ini.empty())
    skin->GetFiles()->Add(u"Main.ini", sfkUnknown, IPtr<IZCLStreamContainer>(Create<TZCLStreamContainer>(Ini)));
  for (const auto& [name, text] : Layouts)
    skin->GetFiles()->Add(name, sfkDocument, [&](TStream* S) { S->WriteBuffer(text.data(), Integer(text.size())); });
  for (const auto& [name, w, h] : Bitmaps) {
    auto bitmap = Make<TZCLBitmap>();
    bitmap->SetSize(w, h);
    skin->GetResources()->SaveBitmap(name, bitmap.get());
  }
  return skin;
}

template <class TConverter = TZSESkinFormatZCS3v2Converter>
void Convert(TZSESkin* Skin) {
  auto converter = Make<TConverter>(Skin);
  converter->Convert();
}

TOwned<TZCLXMLDocument> Document(TZSESkin* Skin, const String& Name) {
  return TOwned<TZCLXMLDocument>(Skin->GetResources()->LoadDocument(Name), &Free);
}

// The "value" of the named property child, or "<none>".
String Prop(TZCLXMLNode* Node, StringView Name, StringView Attribute = u"value") {
  TZCLXMLNode* child;
  if (!Node || !XMLNodeFindByName(Node, Name, child)) return u"<none>";
  return child->GetAttributes()->GetValue(Attribute);
}

TZCLXMLNode* Form(TZCLXMLDocument* Schema, StringView Name) {
  TZCLXMLNode* forms = Schema->FindNodeByPath({u"skin", u"forms"});
  for (Integer i = 0; forms && i < forms->GetCount(); ++i)
    if (forms->GetNode(i)->GetAttributes()->GetValue(u"name") == Name) return forms->GetNode(i);
  return nullptr;
}

// Every "control" below Node, depth first.
void Controls(TZCLXMLNode* Node, std::vector<TZCLXMLNode*>& Found) {
  for (Integer i = 0; i < Node->GetCount(); ++i) {
    TZCLXMLNode* child = Node->GetNode(i);
    if (child->GetNodeName() == u"control") Found.push_back(child);
    Controls(child, Found);
  }
}

TZCLXMLNode* Control(const std::vector<TZCLXMLNode*>& All, StringView Name) {
  for (TZCLXMLNode* c : All)
    if (Prop(c->FindNode(u"properties"), u"Name") == Name) return c;
  return nullptr;
}

String Link(TZCLXMLNode* Properties, StringView Attribute, Integer Index = 0) {
  TZCLXMLNode* bindings;
  if (!XMLNodeFindByName(Properties, u"bindings", bindings) || Index >= bindings->GetCount()) return u"<none>";
  return bindings->GetNode(Index)->GetAttributes()->GetValue(Attribute);
}

TEST(LegacyConverter, SkinWithoutIniGetsTheStandardForms) {
  auto skin = IniSkin(String());
  Convert(skin.get());
  auto schema = Document(skin.get(), u"Schema");
  TZCLXMLNode* forms = schema->FindNodeByPath({u"skin", u"forms"});
  ASSERT_TRUE(forms);
  std::vector<String> names;
  for (Integer i = 0; i < forms->GetCount(); ++i)
    names.push_back(forms->GetNode(i)->GetAttributes()->GetValue(u"name"));
  EXPECT_EQ(names, (std::vector<String>{u"ZEPHMainForm", u"QFI", u"DropWheel", u"PlaylistFrame", u"EqualizerFrame",
                                        u"TrayControl", u"TrayControlFlow"}));
  TZCLXMLNode* eq = Form(schema.get(), u"EqualizerFrame")->FindNode(u"properties");
  EXPECT_EQ(Prop(eq, u"Placement"), u"2");
  EXPECT_EQ(Prop(eq, u"Placement", u"margins"), u"0,0,0,0");
  TZCLXMLNode* flow = Form(schema.get(), u"TrayControlFlow");
  EXPECT_EQ(flow->GetAttributes()->GetValue(u"master"), u"TrayControl");
  EXPECT_EQ(Prop(flow->FindNode(u"properties"), u"Placement"), u"1");
  EXPECT_EQ(Prop(flow->FindNode(u"properties"), u"Placement", u"margins"), u"0,-2,0,-2");
  EXPECT_EQ(Form(schema.get(), u"QFI")->FindNode(u"properties")->GetCount(), 0);
  TZCLXMLNode* menu = schema->FindNodeByPath({u"skin", u"properties", u"menu"});
  EXPECT_EQ(Prop(menu, u"ColorBorder2"), u"16777215");
  EXPECT_EQ(Prop(menu, u"Texture"), u"Menu");
  TZSESkinFile* file;
  EXPECT_TRUE(skin->GetFiles()->Find(u"FloatArrow", sfkImage, file));
  EXPECT_TRUE(skin->GetFiles()->Find(u"FloatArrowVert", sfkImage, file));
}

TEST(LegacyConverter, EqualizerPlacement) {
  struct Case {
    const char16_t* Extends;
    const char16_t* Value;
    const char16_t* Margins;
  } cases[] = {
      // left and right change places; -1 centres on (H(MainClient) + H(MainDock) - H(EQ)) div 2
      {u"5,-1,7,0", u"2", u"7,-15,5,0"},
      // below -1 hangs under the main window
      {u"0,-20,0,0", u"1", u"0,80,0,0"},
      {u"1,2,3,4", u"2", u"3,2,1,4"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(String(c.Extends).size());
    auto skin = IniSkin(String(u"[EquaForm]\r\nExtends=") + c.Extends + u"\r\n", {},
                        {{u"EQ", 10, 100}, {u"MainClient", 10, 50}, {u"MainDock", 10, 20}});
    Convert(skin.get());
    auto schema = Document(skin.get(), u"Schema");
    TZCLXMLNode* eq = Form(schema.get(), u"EqualizerFrame")->FindNode(u"properties");
    EXPECT_EQ(Prop(eq, u"Placement"), c.Value);
    EXPECT_EQ(Prop(eq, u"Placement", u"margins"), c.Margins);
  }
}

const char16_t* const ControlsIni =
    u"[Parents]\r\nPlayBtn=MainDock\r\nStopBtn=MainDock\r\nTrayPlay=MainDock\r\nStatus=MainDock\r\n"
    u"QFIText=QFI\r\nMasked=MainDock\r\nTime=MainDock\r\nSleepTime=MainDock\r\nGauge=MainDock\r\n"
    u"Hidden=MainDock\r\nLoop=MainDock\r\n"
    u"[Clones]\r\nTrayPlay=PlayBtn\r\nLoop=Loop2\r\nLoop2=Loop\r\n"
    u"[CustomObjects]\r\nStatus=ClassStatusLabel;2\r\nQFIText=ClassTextLabel;1\r\nGauge=ClassLevelGauge\r\n"
    u"[PlayBtn]\r\nZOrder=2\r\nPlaceWidth=10\r\nPlaceHeight=10\r\nPlaceAnchors=1,1,0,0\r\nPlaceMargins=3,4,0,0\r\n"
    u"[StopBtn]\r\nZOrder=1\r\nPlaceWidth=10\r\nPlaceHeight=10\r\n"
    u"[TrayPlay]\r\nZOrder=3\r\nPlaceWidth=5\r\n"
    u"[Status]\r\nZOrder=4\r\nPlaceWidth=5\r\n"
    u"[QFIText]\r\nPlaceWidth=5\r\n"
    u"[Masked]\r\nZOrder=5\r\nPlaceWidth=5\r\nOrientation=2\r\n"
    u"[Time]\r\nZOrder=6\r\nPlaceWidth=5\r\nReverse=1\r\n"
    u"[SleepTime]\r\nZOrder=7\r\nPlaceWidth=5\r\nReverse=1\r\n"
    u"[Gauge]\r\nZOrder=8\r\nPlaceWidth=5\r\nSource=1\r\nStyle=9\r\n"
    u"[Hidden]\r\nPlaceWidth=0\r\nPlaceHeight=0\r\n"
    u"[Loop]\r\nPlaceWidth=5\r\n"
    u"[CustomObjects]\r\nMasked=ClassSeekBar\r\nTime=ClassNumLabel;4\r\n"
    u"[Parents]\r\nAllBad=MainDock\r\n";

const std::string MainLayout =
    "<item class=\"TZEPHLayoutContainerItem\" name=\"MainDock\" Align=\"Client\" MaxSize=\"5,2000\" "
    "MinSize=\"1,2\"><item class=\"Other\" name=\"Two words\" Align=\"Top\"/>"
    "<item class=\"Other\" name=\"9lives\" Align=\"Top\"/></item>";

TEST(LegacyConverter, ControlsOfAContainer) {
  auto skin = IniSkin(
      ControlsIni, {{u"MainFrame", MainLayout}, {u"QFI", "<item class=\"TZEPHLayoutContainerItem\" name=\"QFI\"/>"}});
  Convert(skin.get());
  auto layout = Document(skin.get(), u"ZEPHMainForm");
  TZCLXMLNode* root = layout->GetNode(0);
  ASSERT_TRUE(root);
  EXPECT_EQ(root->GetAttributes()->GetValue(u"class"), u"Container");
  TZCLXMLNode* properties = root->FindNode(u"properties");
  EXPECT_EQ(Prop(properties, u"Texture"), u"MainDock");
  EXPECT_EQ(Prop(properties, u"Alignment"), u"laClient");
  EXPECT_EQ(Prop(properties, u"SizeMaximal"), u"0,0");
  EXPECT_EQ(Prop(properties, u"SizeMinimal"), u"1,2");
  EXPECT_EQ(Link(properties, u"Source"), u"PlaylistFrameSite");

  std::vector<TZCLXMLNode*> all;
  Controls(root, all);
  std::vector<String> order;
  for (TZCLXMLNode* c : all) order.push_back(Prop(c->FindNode(u"properties"), u"Name"));
  // By "ZOrder"; an object without place size, or one that resolves only through a cycle, is left out.
  EXPECT_EQ(order, (std::vector<String>{u"StopBtn", u"PlayBtn", u"TrayPlay", u"Status", u"Masked", u"Time",
                                        u"SleepTime", u"Gauge"}));

  struct Case {
    const char16_t* Name;
    const char16_t* Class;
    const char16_t* Source;
    const char16_t* SourcePin;
  } cases[] = {
      {u"StopBtn", u"Button", u"acPlayerStop", u""},
      {u"PlayBtn", u"Button", u"acPlayerPlay", u""},
      {u"TrayPlay", u"Button", u"acPlayerPlay", u""},
      {u"Status", u"DigitsDisplay", u"prvPlayerState", u"State"},
      {u"Masked", u"SliderMasked", u"prvPlayerState", u"Action"},
      {u"Time", u"TimeDisplay", u"prvPlayerState", u"TrackPositionRemaining"},
      {u"SleepTime", u"TimeDisplay", u"prvSleepTime", u"Time"},
      {u"Gauge", u"Gauge", u"prvVisual", u"LevelR"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(String(c.Name).size());
    TZCLXMLNode* control = Control(all, c.Name);
    ASSERT_TRUE(control);
    TZCLXMLNode* p = control->FindNode(u"properties");
    EXPECT_EQ(control->GetAttributes()->GetValue(u"class"), c.Class);
    EXPECT_EQ(Prop(p, u"Skin"), c.Name);
    EXPECT_EQ(Link(p, u"Source"), c.Source);
    EXPECT_EQ(Link(p, u"SourcePin"), c.SourcePin);
  }
  TZCLXMLNode* play = Control(all, u"PlayBtn")->FindNode(u"properties");
  EXPECT_EQ(Prop(play, u"PlaceInfo", u"anchors"), u"1,1,0,0");
  EXPECT_EQ(Prop(play, u"PlaceInfo", u"margins"), u"3,4,0,0");
  EXPECT_EQ(Prop(play, u"PlaceInfo", u"Size"), u"10,10");
  EXPECT_EQ(Prop(Control(all, u"Masked")->FindNode(u"properties"), u"SkinThumb"), u"<none>");
  EXPECT_EQ(Prop(Control(all, u"Time")->FindNode(u"properties"), u"Digits"), u"6");
  EXPECT_EQ(Prop(Control(all, u"Gauge")->FindNode(u"properties"), u"Kind"), u"3");
  EXPECT_EQ(Link(Control(all, u"Gauge")->FindNode(u"properties"), u"TargetPin"), u"DisplayValue");

  // Names become identifiers.
  TZCLXMLNode* items = root->FindNode(u"items");
  ASSERT_EQ(items->GetCount(), 2);
  EXPECT_EQ(Prop(items->GetNode(0)->FindNode(u"properties"), u"name"), u"Two_words");
  EXPECT_EQ(Prop(items->GetNode(1)->FindNode(u"properties"), u"name").substr(0, 1), u"D");

  // The quick-file-info text is bound to its own provider.
  auto qfi = Document(skin.get(), u"QFI");
  std::vector<TZCLXMLNode*> qfiControls;
  Controls(qfi.get(), qfiControls);
  ASSERT_EQ(qfiControls.size(), 1u);
  EXPECT_EQ(Link(qfiControls[0]->FindNode(u"properties"), u"Source"), u"prvQFI");

  // The old files are gone.
  TZSESkinFile* file;
  EXPECT_FALSE(skin->GetFiles()->Find(u"Main.ini", sfkUnknown, file));
  EXPECT_FALSE(skin->GetFiles()->Find(u"MainFrame", sfkDocument, file));
}

TEST(LegacyConverter, MakeIdent) {
  struct Case {
    const char16_t* Text;
    const char16_t* Ident;  // null: a fresh identifier
  } cases[] = {
      {u"", u""}, {u"Play", u"Play"}, {u"Two words", u"Two_words"}, {u"a.b-c", u"a_b_c"}, {u"9lives", nullptr}};
  for (const Case& c : cases) {
    const String ident = TZSESkinFormatZCS3v2Converter::MakeIdent(c.Text);
    if (c.Ident) {
      EXPECT_EQ(ident, c.Ident);
    } else {
      EXPECT_EQ(ident.size(), 39u);
      EXPECT_EQ(ident[0], u'D');
    }
  }
}

TEST(LegacyConverter, AllInOneAndTrayWindows) {
  const String ini = u"[FILE]\r\nAllInOneMode=1\r\nFormDisableResizing=1\r\nFormMinW=300\r\nFormMinH=200\r\n";
  auto skin = IniSkin(
      ini, {{u"MainFrame",
             "<item class=\"TZEPHLayoutContainerItem\" name=\"Main\">"
             "<item class=\"TZEPHLayoutDockSiteItem\" name=\"PlaylistFrame\"/>"
             "<item class=\"Other\" name=\"PlsTopDock\"/></item>"},
            {u"PlaylistFrame", "<item class=\"TZEPHLayoutTextureItem\" name=\"Pls\"/>"},
            {u"TrayControl", "<item name=\"Tray\"><item name=\"A\"/><item name=\"B\"/><item name=\"C\"/></item>"}});
  Convert(skin.get());
  auto schema = Document(skin.get(), u"Schema");
  EXPECT_FALSE(Form(schema.get(), u"PlaylistFrame"));
  EXPECT_FALSE(Form(schema.get(), u"EqualizerFrame"));
  TZSESkinFile* file;
  EXPECT_FALSE(skin->GetFiles()->Find(u"PlaylistFrame", sfkDocument, file));  // merged and removed

  auto main = Document(skin.get(), u"ZEPHMainForm");
  TZCLXMLNode* items = main->GetNode(0)->FindNode(u"items");
  ASSERT_EQ(items->GetCount(), 1);  // everything is wrapped into one item
  TZCLXMLNode* wrapper = items->GetNode(0);
  EXPECT_EQ(Prop(wrapper->FindNode(u"properties"), u"SizeMinimal"), u"300,200");
  EXPECT_EQ(Prop(wrapper->FindNode(u"properties"), u"AllowResizeByWidth"), u"False");
  TZCLXMLNode* inner = wrapper->FindNode(u"items");
  ASSERT_EQ(inner->GetCount(), 2);
  // Reverse order: the empty item of "PlsTopDock" first, then the inlined playlist frame.
  EXPECT_EQ(inner->GetNode(0)->GetCount(), 0);
  TZCLXMLNode* inlined = inner->GetNode(1)->FindNode(u"items")->GetNode(0);
  EXPECT_EQ(inlined->GetAttributes()->GetValue(u"class"), u"Texture");
  EXPECT_EQ(Prop(inlined->FindNode(u"properties"), u"Alignment"), u"laClient");

  auto tray = Document(skin.get(), u"TrayControl");
  TZCLXMLNode* trayInner = tray->GetNode(0)->FindNode(u"items")->GetNode(0)->FindNode(u"items");
  ASSERT_EQ(trayInner->GetCount(), 3);
  EXPECT_EQ(Prop(trayInner->GetNode(0)->FindNode(u"properties"), u"name"), u"C");
  EXPECT_EQ(Prop(trayInner->GetNode(2)->FindNode(u"properties"), u"name"), u"A");
}

TEST(LegacyConverter, BitmapsOfOlderSkinsBecomeImages) {
  const String ini =
      u"[CustomObjects]\r\nStatus=ClassStatusLabel;2\r\nRate=ClassNumLabel;5\r\n"
      u"[Parents]\r\nStars=Main\r\nNoStars=Main\r\n[Stars]\r\nPlaceWidth=5\r\n[NoStars]\r\nPlaceWidth=5\r\n"
      u"[CustomObjects]\r\nStars=ClassRating\r\nNoStars=ClassRating\r\n"
      u"[Wide]\r\nSkinFrames=2\r\nSkinLayout=1\r\n";
  auto skin = IniSkin(ini, {{u"MainFrame", "<item class=\"TZEPHLayoutContainerItem\" name=\"Main\"/>"}},
                      {{u"Status", 30, 10},
                       {u"Rate", 130, 10},
                       {u"PlayBtn", 40, 10},
                       {u"Wide", 10, 40},
                       {u"Stars", 10, 10},
                       {u"Preview", 4, 4}});
  Convert<TZSESkinFormatZCS3v1Converter>(skin.get());
  struct Case {
    const char16_t* Name;
    Integer Frames;
  } cases[] = {{u"Status", 3}, {u"Rate", 13}, {u"PlayBtn", 4}, {u"Wide", 2}, {u"Stars", 4}, {u"NoStars", 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(String(c.Name).size());
    TZSESkinFile* file;
    EXPECT_TRUE(skin->GetFiles()->Find(c.Name, sfkImage, file));
    EXPECT_FALSE(skin->GetFiles()->Find(c.Name, sfkBitmap, file));
    auto image = Make<TZCLSkinImage>();
    skin->GetResources()->LoadImage(c.Name, image.get());
    EXPECT_EQ(image->GetFrameCount(), c.Frames);
  }
  auto image = Make<TZCLSkinImage>();
  skin->GetResources()->LoadImage(u"Wide", image.get());
  EXPECT_EQ(image->GetLayout(), ilVertical);
  TZSESkinFile* file;
  EXPECT_TRUE(skin->GetFiles()->Find(u"Preview", sfkBitmap, file));
}

}  // namespace

namespace {

// A step that fails part-way.
class TFailingConverter : public TZSESkinFormatZCS3v2Converter {
 public:
  using TZSESkinFormatZCS3v2Converter::TZSESkinFormatZCS3v2Converter;
  void ConvertForms() override { throw EZSEException(u"Broken"); }
};

TEST(LegacyConverter, AFailedConversionLeavesNoSchema) {
  auto skin = IniSkin(u"[FILE]\r\nSkinName=X\r\n", {{u"MainFrame", MainLayout}});
  EXPECT_THROW(Convert<TFailingConverter>(skin.get()), EZSEException);
  TZSESkinFile* file;
  EXPECT_FALSE(skin->GetFiles()->Find(u"Schema", sfkDocument, file));
  EXPECT_FALSE(skin->GetFiles()->Find(u"Main.ini", sfkUnknown, file));   // already taken
  EXPECT_TRUE(skin->GetFiles()->Find(u"MainFrame", sfkDocument, file));  // not reached yet
}

}  // namespace
