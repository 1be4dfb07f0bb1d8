#include <gtest/gtest.h>

#include "rtl/RTL.Numbers.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/base/ZCL.Utils.Stream.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zcl/graphics/ZCL.Graphics.SkinImage.h"
#include "zse/formats/LegacyFixtures.h"
#include "zse/formats/ZSE.Formats.Legacy.Converters.h"

using namespace legacy_test;

namespace {

// Runs a converter and keeps the old INI and the files as the version steps left them, just
// before the common conversion reads them.
template <class TBase>
class TProbe : public TBase {
 public:
  using TBase::TBase;
  void ConvertForms() override {
    Ini->Assign(this->FIni);
    for (const char16_t* name : {u"MainFrame", u"PlaylistFrame"}) {
      auto* document = Create<TZSELegacyXML>();
      this->FSkin->GetResources()->LoadDocument(name, document);
      (name == String(u"MainFrame") ? MainFrame : PlaylistFrame).reset(document);
    }
    TBase::ConvertForms();
  }
  TOwned<TZCLIniFile> Ini = TOwned<TZCLIniFile>(TZCLIniFile::CreateInMemory(), &Free);
  TOwned<TZCLXMLDocument> MainFrame{nullptr, &Free}, PlaylistFrame{nullptr, &Free};
};

TOwned<TZSESkin> IniSkin(const String& Ini) {
  auto skin = Make<TZSESkin>();
  skin->GetFiles()->Add(u"Main.ini", sfkUnknown, IPtr<IZCLStreamContainer>(Create<TZCLStreamContainer>(Ini)));
  return skin;
}

void AddText(TZSESkin* Skin, const String& Name, TZSESkinFileKind Kind, const std::string& Text) {
  Skin->GetFiles()->Add(Name, Kind, [&](TStream* S) { S->WriteBuffer(Text.data(), Integer(Text.size())); });
}

void AddBitmap(TZSESkin* Skin, const String& Name, Integer W, Integer H, TColor Color = clRed) {
  auto bitmap = Make<TZCLBitmap>();
  bitmap->SetPixelFormat(TPixelFormat::pf24bit);
  bitmap->SetSize(W, H);
  bitmap->GetCanvas()->GetBrush()->SetColor(Color);
  bitmap->GetCanvas()->FillRect(TRect(0, 0, W, H));
  Skin->GetResources()->SaveBitmap(Name, bitmap.get());
}

TOwned<TZCLSkinImage> Image(TZSESkin* Skin, const String& Name) {
  auto image = Make<TZCLSkinImage>();
  Skin->GetResources()->LoadImage(Name, image.get());
  return image;
}

String RectOf(TZCLIniFile* Ini, const String& Section, const String& Key) {
  const TRect r = Ini->ReadRect(Section, Key);
  return IntToStr(r.Left) + u"," + IntToStr(r.Top) + u"," + IntToStr(r.Right) + u"," + IntToStr(r.Bottom);
}

String Attr(TZCLXMLNode* Node, StringView Name) { return Node ? Node->GetAttributes()->GetValue(Name) : u"<none>"; }

TEST(LegacyConverters, PlaceKeysOfVersion302) {
  struct Case {
    Integer Align;
    const char16_t* Anchors;
  } cases[] = {{1, u"0,1,1,0"}, {2, u"0,1,0,0"}, {3, u"1,1,1,0"}, {0, u"1,1,0,0"}, {257, u"0,1,1,0"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Align);
    auto skin = IniSkin(u"[Obj]\r\nPlaceAlign=" + IntToStr(c.Align) + u"\r\nPlaceBounds=10,20,110,40\r\n");
    auto probe = Make<TProbe<TZSESkinFormatZCSPv32Converter>>(skin.get());
    probe->Convert();
    TZCLIniFile* ini = probe->Ini.get();
    EXPECT_EQ(RectOf(ini, u"Obj", u"PlaceAnchors"), c.Anchors);
    EXPECT_EQ(ini->ReadInteger(u"Obj", u"PlaceWidth", 0), 100);
    EXPECT_EQ(ini->ReadInteger(u"Obj", u"PlaceHeight", 0), 20);
    EXPECT_FALSE(ini->ExistsKey(u"Obj", u"PlaceAlign"));
    EXPECT_FALSE(ini->ExistsKey(u"Obj", u"PlaceBounds"));
    // The 3.03 step ran as well.
    EXPECT_EQ(ini->ReadString(u"Parents", u"DropWheel_Cancel", String()), u"DropWheel");
  }
}

TEST(LegacyConverters, Version300Layouts) {
  auto skin = IniSkin(
      u"[TabCtrl]\r\nScrollBtnPlacement=1\r\nOffset=7\r\n[Parents]\r\nX=Top\r\nY=ZEPHSEMainDesktopFrame\r\n"
      u"[Y]\r\nPlaceWidth=3\r\n");
  AddText(skin.get(), u"MainLayout", sfkDocument,
          "<item Control=\"MainFrame\" align=\"top\" ResizeH=\"1\"/>"
          "<item name=\"Body\" align=\"Client\"><item name=\"L1\" align=\"left\"/><item name=\"L2\" align=\"left\"/>"
          "</item>");
  AddText(skin.get(), u"PlaylistLayout", sfkDocument,
          "<items><item name=\"TabCtrl\" align=\"top\"/><item name=\"Container\" align=\"client\"/></items>");
  AddBitmap(skin.get(), u"TabCtrl", 100, 20);
  AddBitmap(skin.get(), u"TCN", 40, 10);
  AddBitmap(skin.get(), u"TCP", 40, 10);
  auto probe = Make<TProbe<TZSESkinFormatZCSPv30Converter>>(skin.get());
  probe->Convert();

  // Two top-level elements: gathered under "layout" in reverse order, then the element rules.
  TZCLXMLNode* layout = probe->MainFrame->GetNode(0);
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->GetNodeName(), u"layout");
  ASSERT_EQ(layout->GetCount(), 2);
  TZCLXMLNode* body = layout->GetNode(0);
  EXPECT_EQ(Attr(body, u"name"), u"Body");
  EXPECT_EQ(Attr(body->GetNode(0), u"align"), u"client");
  EXPECT_EQ(Attr(body->GetNode(1), u"align"), u"right");
  TZCLXMLNode* main = layout->GetNode(1);
  EXPECT_EQ(Attr(main, u"name"), u"Main");
  EXPECT_EQ(Attr(main, u"class"), u"TZEPHLayoutContainerItem");
  EXPECT_FALSE(main->GetAttributes()->Exists(u"ResizeH"));
  EXPECT_EQ(Attr(main->GetNode(1), u"name"), u"MainDock");

  // The playlist: its items moved into a client item, bars and top dock added; the tab control
  // gets its scroll buttons, the previous one on the left without a level.
  TZCLXMLNode* playlist = probe->PlaylistFrame->GetNode(0);
  ASSERT_TRUE(playlist);
  ASSERT_EQ(playlist->GetCount(), 5);
  TZCLXMLNode* client = playlist->GetNode(0);
  EXPECT_EQ(Attr(client, u"align"), u"client");
  TZCLXMLNode* tabs = client->GetNode(1);
  EXPECT_EQ(Attr(tabs, u"name"), u"TabCtrlContainer");
  EXPECT_EQ(Attr(tabs->GetNode(2), u"name"), u"TCP_Container");
  EXPECT_EQ(Attr(tabs->GetNode(2), u"align"), u"left");
  EXPECT_FALSE(tabs->GetNode(2)->GetAttributes()->Exists(u"AlignLevel"));
  EXPECT_EQ(Attr(tabs->GetNode(2), u"MinSize"), u"10,10");
  EXPECT_EQ(Attr(client->GetNode(0), u"class"), u"TZEPHLayoutDockSiteItem");
  EXPECT_EQ(Attr(playlist->GetNode(4), u"name"), u"PlsTopDock");

  TZCLIniFile* ini = probe->Ini.get();
  EXPECT_EQ(RectOf(ini, u"TabCtrl", u"TabsOffset"), u"7,0,0,0");
  EXPECT_EQ(ini->ReadString(u"Parents", u"TCP", String()), u"TCP_Container");
  EXPECT_EQ(ini->ReadString(u"Parents", u"X", String()), u"TopPanel");
  EXPECT_FALSE(ini->ExistsKey(u"Parents", u"Y"));
  EXPECT_FALSE(ini->ExistsSection(u"Y"));
  EXPECT_EQ(ini->ReadString(u"QFIFileInfo", u"Template", String()), u"%H, %B, %C, %S");
  EXPECT_EQ(ini->ReadString(u"Clones", u"TrayStop", String()), u"StopBtn");
  // The drop wheel's buttons: anchored left and top, one frame wide, four frames.
  EXPECT_EQ(RectOf(ini, u"DropWheel_TOP", u"PlaceAnchors"), u"1,1,0,0");
  EXPECT_EQ(ini->ReadInteger(u"DropWheel_TOP", u"PlaceWidth", 0), 75);
  EXPECT_EQ(ini->ReadInteger(u"DropWheel_OK", u"PlaceHeight", 0), 61);
  EXPECT_EQ(Image(skin.get(), u"DropWheel_OK")->GetFrameCount(), 4);
  EXPECT_EQ(Image(skin.get(), u"DropWheel")->GetWidth(), 122);

  TZSESkinFile* file;
  EXPECT_TRUE(skin->GetFiles()->Find(u"Schema", sfkDocument, file));
  EXPECT_TRUE(skin->GetFiles()->Find(u"ZEPHMainForm", sfkDocument, file));
}

TEST(LegacyConverters, InfoBarsGetAFadedSecondFrame) {
  for (Integer width : {20, 21}) {
    auto skin = IniSkin(u"[Nothing]\r\n");
    AddBitmap(skin.get(), u"InfoBar", width, 8);
    auto probe = Make<TProbe<TZSESkinFormatZCSPv30Converter>>(skin.get());
    probe->Convert();
    auto image = Image(skin.get(), u"InfoBar");
    EXPECT_EQ(image->GetHeight(), width == 20 ? 8 : 16);
    EXPECT_EQ(image->GetFrameCount(), width == 20 ? 1 : 2);
  }
}

TEST(LegacyConverters, Version260) {
  auto skin = IniSkin(
      u"[Obj]\r\nalign=2\r\nBounds=10,10,50,30\r\nParentBounds=0,0,200,100\r\n"
      u"[CustomObjects]\r\nLabel9=ClassTextLabel;9\r\nLabel2=ClassTextLabel;2\r\n"
      u"[iGenre]\r\nBounds=0,0,0,0\r\n[iTitle]\r\nBounds=1,1,20,10\r\n[Playlist_on]\r\nX=1\r\n[Knob]\r\nZOrder=1\r\n["
      u"Lone]\r\nZOrder=1\r\n");
  AddBitmap(skin.get(), u"Playlist_off", 20, 10, clRed);
  AddBitmap(skin.get(), u"Playlist_on", 20, 10, clBlue);
  AddBitmap(skin.get(), u"CustomTab", 30, 12);
  AddBitmap(skin.get(), u"Knob", 8, 8);
  AddBitmap(skin.get(), u"Knob_sel", 8, 8);
  AddBitmap(skin.get(), u"Lone", 8, 8);
  auto probe = Make<TProbe<TZSESkinFormatZCSPv3Converter>>(skin.get());
  probe->Convert();
  TZCLIniFile* ini = probe->Ini.get();
  EXPECT_EQ(RectOf(ini, u"Obj", u"PlaceAnchors"), u"1,1,1,0");
  EXPECT_EQ(RectOf(ini, u"Obj", u"PlaceMargins"), u"10,10,150,70");
  EXPECT_EQ(ini->ReadInteger(u"Obj", u"PlaceWidth", 0), 40);
  EXPECT_EQ(ini->ReadInteger(u"Obj", u"PlaceHeight", 0), 20);
  EXPECT_FALSE(ini->ExistsKey(u"Obj", u"Bounds"));
  EXPECT_TRUE(ini->ExistsKey(u"Label9", u"Template"));
  EXPECT_EQ(ini->ReadString(u"Label9", u"Template", u"x"), u"");
  EXPECT_EQ(ini->ReadString(u"Label2", u"Template", String()), u"%A");
  EXPECT_FALSE(ini->ExistsSection(u"iGenre"));
  EXPECT_EQ(ini->ReadString(u"CustomObjects", u"iTitle", String()), u"ClassTextLabel");
  EXPECT_EQ(ini->ReadString(u"PlaylistSwitches", u"X", String()), u"1");
  EXPECT_FALSE(ini->ExistsSection(u"Playlist_on"));

  struct Case {
    const char16_t* Name;
    Integer Width, Height, Frames;
  } cases[] = {{u"PlaylistSwitches", 20, 20, 2},
               {u"TabCtrlTab", 30, 24, 2},
               {u"Knob", 8, 16, 2},
               {u"Lone", 8, 8, 1},
               {u"PlaylistExpandButtons", 26, 13, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(String(c.Name).size());
    auto image = Image(skin.get(), c.Name);
    EXPECT_EQ(image->GetWidth(), c.Width);
    EXPECT_EQ(image->GetHeight(), c.Height);
    EXPECT_EQ(image->GetFrameCount(), c.Frames);
  }
  // "off" above "on".
  auto switches = Image(skin.get(), u"PlaylistSwitches");
  TZCLPixel32 upper, lower;
  ASSERT_TRUE(switches->GetPixel(5, 2, upper));
  ASSERT_TRUE(switches->GetPixel(5, 15, lower));
  EXPECT_GT(upper.R, upper.B);
  EXPECT_GT(lower.B, lower.R);
  TZSESkinFile* file;
  EXPECT_TRUE(skin->GetFiles()->Find(u"TrayIcons", sfkBitmap, file));
}

TEST(LegacyConverters, Version211) {
  auto skin = IniSkin(
      u"[File]\r\nAuthor=Old\r\n[PARENTS]\r\nPlay=Main\r\n"
      u"[SKIN_OBJS]\r\nGone=0,0,0,0\r\nPlay=5,5,25,15\r\n"
      u"[SKIN_WIDTHS]\r\nPlsLeftBar_Stretch=0\r\nPlsRightBar_Stretch=3\r\nPlsLBrdr_Stretch=-1\r\n"
      u"Switch_Mode=7\r\nPlay_align=2\r\nLeft=9\r\n"
      u"[SKIN_FONTS]\r\nPlay=Arial,0,8,0\r\n[SKIN_RECTS]\r\nPlay_Margins=1,1,1,1\r\n");
  AddBitmap(skin.get(), u"Gone", 4, 4);
  AddBitmap(skin.get(), u"MainClient", 300, 100);
  auto probe = Make<TProbe<TZSESkinFormatZCSPv2Converter>>(skin.get());
  probe->Convert();
  TZCLIniFile* ini = probe->Ini.get();
  TZSESkinFile* file;
  EXPECT_FALSE(skin->GetFiles()->Find(u"Gone", sfkBitmap, file));
  EXPECT_FALSE(skin->GetFiles()->Find(u"Gone", sfkImage, file));
  EXPECT_FALSE(ini->ExistsSection(u"Gone"));
  // Bounds inside the parent's bitmap became anchors and margins (align 2: left, top, right).
  EXPECT_EQ(RectOf(ini, u"Play", u"PlaceAnchors"), u"1,1,1,0");
  EXPECT_EQ(RectOf(ini, u"Play", u"PlaceMargins"), u"5,5,275,85");
  EXPECT_EQ(ini->ReadString(u"Play", u"Font", String()), u"Arial,0,8,0");
  EXPECT_EQ(ini->ReadString(u"Play", u"Margins", String()), u"1,1,1,1");
  EXPECT_EQ(ini->ReadString(u"File", u"Author", String()), u"Old");
  EXPECT_EQ(ini->ReadInteger(u"PlsLeftBar", u"StretchMode", -1), 1);
  EXPECT_EQ(ini->ReadInteger(u"PlsRightBar", u"StretchMode", -1), 0);
  EXPECT_FALSE(ini->ExistsKey(u"PlsLBrdr", u"StretchMode"));
  EXPECT_EQ(ini->ReadString(u"Playlist", u"Mode", String()), u"7");
  EXPECT_EQ(ini->ReadString(u"Widths", u"Left", String()), u"9");
  EXPECT_TRUE(ini->ExistsKey(u"TabCtrl", u"Offset"));
  EXPECT_EQ(ini->ReadString(u"TabCtrl", u"Offset", u"x"), u"");
  EXPECT_EQ(ini->ReadString(u"TCCTRL", u"Indent", String()), u"2");
  // Without "TabCtrlIsUp" the tab control sits above the top panel.
  TZCLXMLNode* client = probe->PlaylistFrame->GetNode(0)->GetNode(0);
  ASSERT_TRUE(client);
  EXPECT_EQ(Attr(client->GetNode(0), u"AlignLevel"), u"0");
  EXPECT_EQ(Attr(client->GetNode(1), u"name"), u"TopPanel");
  EXPECT_EQ(Attr(client->GetNode(1), u"AlignLevel"), u"1");
  // The generated quick-file-info window.
  EXPECT_EQ(Image(skin.get(), u"QFI")->GetWidth(), 322);
  EXPECT_EQ(Image(skin.get(), u"QFIClose")->GetFrameCount(), 4);
  EXPECT_EQ(ini->ReadInteger(u"QFITitle", u"PlaceWidth", 0), 203);

  // A skin with its own window keeps it and gets no generated parts.
  auto own = IniSkin(u"[File]\r\n");
  AddBitmap(own.get(), u"QFIClient", 50, 40);
  auto ownProbe = Make<TProbe<TZSESkinFormatZCSPv2Converter>>(own.get());
  ownProbe->Convert();
  EXPECT_EQ(Image(own.get(), u"QFI")->GetWidth(), 50);
  EXPECT_FALSE(own->GetFiles()->Find(u"QFIClose", sfkImage, file));
}

// A whole ".zcs2" package of 3.00 read and brought to 3.50 through the registries.
TEST(LegacyConverters, PackageToVersion350) {
  TZCS2Package package;
  std::string ini = "\xFF\xFE";
  for (char c : std::string("[FILE]\r\nSkinName=Old\r\n[Parents]\r\nPlayBtn=Main\r\n[PlayBtn]\r\nPlaceAlign=0\r\n"
                            "PlaceBounds=1,1,11,11\r\n"))
    ini += std::string{c, '\0'};
  package.Files = {{"Main.ini", ini},
                   {"MainLayout.xml", "<item Control=\"MainFrame\" align=\"client\"/>"},
                   {"PlayBtn_skin.bmp", ""}};
  auto bitmap = Make<TZCLBitmap>();
  bitmap->SetSize(40, 10);
  auto stream = Make<TMemoryStream>();
  bitmap->SaveToStream(*stream);
  package.Files[2].second.assign(static_cast<const char*>(stream->GetMemory()), size_t(stream->GetSize()));
  auto skin = LoadPackage(package.Build());
  EXPECT_EQ(skin->GetDetails()->GetName(), u"Old");
  ASSERT_TRUE(TZSESkinManager::UpgradeVersion(350, skin.get()));
  auto layout = TOwned<TZCLXMLDocument>(skin->GetResources()->LoadDocument(u"ZEPHMainForm"), &Free);
  // Main -> its controls: the play button with its four-frame image.
  std::string xml;
  auto out = Make<TMemoryStream>();
  layout->SaveToStreamDefault(out.get());
  xml.assign(static_cast<const char*>(out->GetMemory()), size_t(out->GetSize()));
  EXPECT_NE(xml.find("acPlayerPlay"), std::string::npos) << xml;
  EXPECT_EQ(Image(skin.get(), u"PlayBtn")->GetFrameCount(), 4);
  TZSESkinFile* file;
  EXPECT_TRUE(skin->GetFiles()->Find(u"Schema", sfkDocument, file));
  EXPECT_FALSE(skin->GetFiles()->Find(u"Main.ini", sfkUnknown, file));
}

}  // namespace
