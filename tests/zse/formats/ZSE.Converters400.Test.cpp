#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "rtl/RTL.Numbers.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/base/ZCL.Utils.Stream.h"
#include "zcl/graphics/ZCL.Graphics.SkinImage.h"
#include "zse/engine/ZSE.Schema.h"
#include "zse/formats/ZSE.Formats.Converters400.h"

namespace {

template <class T>
using TOwned = std::unique_ptr<T, void (*)(TObject*)>;

TOwned<TZSESkin> MakeSkin(Word Version, const String& Schema) {
  TOwned<TZSESkin> skin(Create<TZSESkin>(), &Free);
  skin->GetDetails()->SetVersion(Version);
  skin->GetFiles()->Add(u"Schema", sfkDocument,
                        IPtr<IZCLStreamContainer>(Create<TZCLStreamContainer>(StringView(Schema))));
  return skin;
}

TOwned<TZCLXMLDocument> Document(TZSESkin* Skin, const String& Name = u"Schema") {
  return TOwned<TZCLXMLDocument>(Skin->GetResources()->LoadDocument(Name), &Free);
}

String Value(TZCLXMLNode* Node, StringView Attribute = u"value") {
  return Node ? Node->GetAttributes()->GetValue(Attribute) : String(u"<missing>");
}

TZCLXMLNode* Child(TZCLXMLNode* Node, StringView Name) {
  TZCLXMLNode* properties = Node ? Node->FindNode(u"properties") : nullptr;
  TZCLXMLNode* child = nullptr;
  if (properties && XMLNodeFindByName(properties, Name, child)) return child;
  return Node && XMLNodeFindByName(Node, Name, child) ? child : nullptr;
}

TZCLXMLNode* Form(TZCLXMLDocument* Schema, StringView Name) {
  TZCLXMLNode* forms = Schema->FindNodeByPath({u"skin", u"forms"});
  for (Integer i = 0; forms && i < forms->GetCount(); ++i)
    if (Value(forms->GetNode(i), u"name") == Name) return forms->GetNode(i);
  return nullptr;
}

void AddImage(TZSESkin* Skin, const String& Name, Integer Width, Integer Height, Integer Frames) {
  std::vector<TZCLPixel32> pixels(static_cast<size_t>(Width * Height), TZCLPixel32{1, 2, 3, 255});
  TOwned<TZCLSkinImage> image(Create<TZCLSkinImage>(), &Free);
  image->LoadFromBits(pixels.data(), Width, Height);
  image->SetFrameCount(Frames);
  Skin->GetResources()->SaveImage(Name, image.get());
}

TOwned<TZCLSkinImage> Image(TZSESkin* Skin, const String& Name) {
  TOwned<TZCLSkinImage> image(Create<TZCLSkinImage>(), &Free);
  Skin->GetResources()->LoadImage(Name, image.get());
  return image;
}

TEST(SkinConverters400, A350SkinRunsFourStepsAndGainsTheNewWindows) {
  if (!ResourceExists(nullptr, u"DEFAULT-MLW", u"ZCSP")) GTEST_SKIP() << "no default content";
  TOwned<TZSESkin> skin = MakeSkin(350,
                                   u"<skin><forms><form name=\"ZEPHMainForm\"><properties/><controls>"
                                   u"<control link=\"Playlist\" name=\"pl\"><properties/></control>"
                                   u"</controls></form></forms></skin>");
  ASSERT_TRUE(TZSESkinManager::UpgradeVersion(500, skin.get()));
  TOwned<TZCLXMLDocument> schema = Document(skin.get());
  EXPECT_EQ(schema->FindNode(u"skin")->GetAttributes()->GetValueAsInteger(u"CompatibilityMode"),
            static_cast<Integer>(cmv350));
  TZCLXMLNode* main = Form(schema.get(), u"ZEPHMainForm");
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(Value(Child(main, u"RegisterInMenu")), u"True") << "it holds a linked object";
  EXPECT_EQ(Value(Child(main->FindNode(u"controls")->GetNode(0), u"PopupMenu")), u"pmPlaylistMain");
  TZCLXMLNode* library = Form(schema.get(), u"MusicLibraryFrame");
  ASSERT_NE(library, nullptr);
  EXPECT_EQ(Value(library, u"master"), u"ZEPHMainForm");
  EXPECT_EQ(Value(Child(library, u"DisplayName")), u"@Lng:2;");
  ASSERT_NE(Form(schema.get(), u"LyricsFrame"), nullptr);
  EXPECT_EQ(schema->FindNodeByPath({u"skin", u"providers"})->GetCount(), 3);
  TZSESkinFile* file = nullptr;
  EXPECT_TRUE(skin->GetFiles()->Find(u"MusicLibraryFrame", sfkDocument, file));
  EXPECT_TRUE(skin->GetFiles()->Find(u"LyricsFrame", sfkDocument, file));
  // Both language files had the library's 13 texts: the lyrics caption is key 14 in both.
  EXPECT_EQ(Value(Child(Form(schema.get(), u"LyricsFrame"), u"DisplayName")), u"@Lng:14;");
  TZCLXMLNode* localizations = schema->FindNodeByPath({u"skin", u"localizations"});
  EXPECT_EQ(Value(localizations, u"default"), u"English") << "the extension goes in the last step";
}

TEST(SkinConverters400, LyricsCaptionKeyIsFreeInBothLanguageFiles) {
  if (!ResourceExists(nullptr, u"DEFAULT-LYRICSBOX", u"ZCSP")) GTEST_SKIP() << "no default content";
  struct TCase {
    Integer RussianKeys;  // keys 1..n taken
    std::vector<Integer> EnglishKeys;
    const Char* Expected;
  } cases[] = {{13, {}, u"@Lng:14;"}, {13, {14}, u"@Lng:15;"}, {0, {1, 2}, u"@Lng:3;"}, {0, {}, u"@Lng:1;"}};
  for (const TCase& c : cases) {
    TOwned<TZSESkin> skin = MakeSkin(400, u"<skin/>");
    TOwned<TZCLIniFile> russian(TZCLIniFile::CreateInMemory(), &Free), english(TZCLIniFile::CreateInMemory(), &Free);
    for (Integer k = 1; k <= c.RussianKeys; ++k) russian->WriteString(u"SkinCustoms", IntToStr(k), u"ru");
    for (Integer k : c.EnglishKeys) english->WriteString(u"SkinCustoms", IntToStr(k), u"other");
    skin->GetResources()->SaveIniFile(u"Russian", russian.get());
    skin->GetResources()->SaveIniFile(u"English", english.get());
    TOwned<TZSESkinConverter> step(TZSESkinConverter400To450::StaticClass()->Create<TZSESkinConverter>(skin.get()),
                                   &Free);
    step->Convert();
    TOwned<TZCLXMLDocument> schema = Document(skin.get());
    const String caption = Value(Child(Form(schema.get(), u"LyricsFrame"), u"DisplayName"));
    EXPECT_EQ(caption, c.Expected);
    const String key = caption.substr(5, caption.size() - 6);
    skin->GetResources()->LoadIniFile(u"Russian", russian.get());
    skin->GetResources()->LoadIniFile(u"English", english.get());
    EXPECT_EQ(russian->ReadString(u"SkinCustoms", key, u""), u"Текст песни") << StringToUTF8(c.Expected);
    EXPECT_EQ(english->ReadString(u"SkinCustoms", key, u""), u"Lyrics Box") << StringToUTF8(c.Expected);
  }
}

TEST(SkinConverters400, ContextMenuTextureIsCutIntoThreeImages) {
  struct TCase {
    Integer Height;
    Integer GutterFrames;
  } cases[] = {{45, 2}, {65, 6}, {50, 2}};
  for (const TCase& c : cases) {
    TOwned<TZSESkin> skin = MakeSkin(350,
                                     u"<skin><properties><menu><property name=\"Texture\" value=\"Menu\"/>"
                                     u"</menu></properties></skin>");
    TOwned<TBitmap> bitmap(Create<TBitmap>(), &Free);
    bitmap->SetPixelFormat(TPixelFormat::pf32bit);
    bitmap->SetSize(100, c.Height);
    skin->GetResources()->SaveBitmap(u"Menu", bitmap.get());
    TOwned<TZSESkinConverter> step(TZSESkinConverter350to351::StaticClass()->Create<TZSESkinConverter>(skin.get()),
                                   &Free);
    step->Convert();
    const Integer g = c.Height == 45 ? 20 : 25;
    TOwned<TZCLSkinImage> gutter = Image(skin.get(), u"ContextMenu.TextureGutter");
    EXPECT_EQ(gutter->GetWidth(), 25) << c.Height;
    EXPECT_EQ(gutter->GetHeight(), 20 * c.GutterFrames) << c.Height;
    EXPECT_EQ(gutter->GetFrameCount(), c.GutterFrames) << c.Height;
    TOwned<TZCLSkinImage> body = Image(skin.get(), u"ContextMenu.Texture");
    EXPECT_EQ(body->GetWidth(), 100 - g);
    EXPECT_EQ(body->GetHeight(), 40);
    TOwned<TZCLSkinImage> separator = Image(skin.get(), u"ContextMenu.TextureSeparator");
    EXPECT_EQ(separator->GetWidth(), 100 - g + 25);
    EXPECT_EQ(separator->GetMargins(), TRect(28, 0, 4, 0));
    TOwned<TZCLXMLDocument> schema = Document(skin.get());
    TZCLXMLNode* menu = schema->FindNodeByPath({u"skin", u"properties", u"menu"});
    ASSERT_EQ(menu->GetCount(), 3);
    EXPECT_EQ(Value(menu->GetNode(0), u"name"), u"TextureGutter");
    EXPECT_EQ(Value(menu->GetNode(1)), u"ContextMenu.Texture");
  }
}

TEST(SkinConverters400, ControlRulesOf351To400) {
  if (!ResourceExists(nullptr, u"DEFAULT-MLW", u"ZCSP")) GTEST_SKIP() << "no default content";
  TOwned<TZSESkin> skin =
      MakeSkin(351,
               u"<skin><forms><form name=\"Main\"><controls>"
               u"<control class=\"Button\" name=\"b8\"><properties><property name=\"Skin\" "
               u"value=\"Eight\"/></properties></control>"
               u"<control class=\"Button\" name=\"b7\"><properties><property name=\"Skin\" "
               u"value=\"Seven\"/></properties></control>"
               u"<control class=\"PlaylistTabs\" name=\"tabs\"><properties><property name=\"Bindings\">"
               u"<link Source=\"acSendTo\" SourcePin=\"\" TargetPin=\"x\"/></property></properties></control>"
               u"<control link=\"Playlist\" name=\"pl\"><properties><property name=\"PopupMenu\" value=\"mine\"/>"
               u"<property name=\"Resources\"><property name=\"ItemLine1Font\" value=\"Arial,255,12,0\"/>"
               u"<property name=\"ItemTextColorDead\" value=\"128\"/></property></properties></control>"
               u"<control class=\"CoverArtDisplay\" name=\"art\"><properties><property name=\"Skin\" value=\"Art\"/>"
               u"<property name=\"BorderColor\" value=\"536870911\"/></properties></control>"
               u"</controls></form></forms></skin>");
  AddImage(skin.get(), u"Eight", 8, 8, 8);
  AddImage(skin.get(), u"Seven", 7, 7, 7);
  TOwned<TZSESkinConverter> step(TZSESkinConverter351to400::StaticClass()->Create<TZSESkinConverter>(skin.get()),
                                 &Free);
  step->Convert();
  TOwned<TZCLXMLDocument> schema = Document(skin.get());
  TZCLXMLNode* controls = Form(schema.get(), u"Main")->FindNode(u"controls");
  EXPECT_EQ(Value(Child(controls->GetNode(0), u"FramesPerState")), u"4");
  EXPECT_EQ(Value(Child(controls->GetNode(1), u"FramesPerState")), u"3");
  TZCLXMLNode* tabs = controls->GetNode(2);
  EXPECT_EQ(Value(tabs, u"class"), u"TabControl");
  TZCLXMLNode* bindings = Child(tabs, u"Bindings");
  ASSERT_EQ(bindings->GetCount(), 2);
  EXPECT_EQ(Value(bindings->GetNode(0), u"Source"), u"prvPlaylistManager") << "inserted first";
  EXPECT_EQ(Value(bindings->GetNode(1), u"Source"), u"acCopyTo");
  TZCLXMLNode* playlist = controls->GetNode(3);
  EXPECT_EQ(Value(Child(playlist, u"PopupMenu")), u"mine");
  TZCLXMLNode* fonts = Child(Child(playlist, u"Resources"), u"ItemLine1Fonts");
  ASSERT_NE(fonts, nullptr);
  EXPECT_EQ(Value(Child(fonts, u"Normal")), u"Arial,255,12,0");
  EXPECT_EQ(Value(Child(fonts, u"Dead")), u"Arial,128,12,0");
  // No picture and no border colour: the empty image is stored under its name all the same.
  TZSESkinFile* art = nullptr;
  EXPECT_TRUE(skin->GetFiles()->Find(u"Art", sfkImage, art));
  EXPECT_TRUE(Image(skin.get(), u"Art")->Empty());
}

}  // namespace
