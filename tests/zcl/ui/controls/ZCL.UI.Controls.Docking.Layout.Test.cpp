#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "DockingTestSupport.h"
#include "rtl/RTL.Streams.h"
#include "support/TestSupport.h"
#include "zcl/base/ZCL.FileFormats.XML.h"

namespace {

using namespace docktest;

// A known arrangement: a Vertical column on the left (two panels), a hidden panel and a fill
// panel beside it, one panel pinned to the left bar and one in a floating window.
struct TKnownLayout : TDockFixture {
  TKnownLayout() : TDockFixture(800, 600, 5) {
    Column = NewGroup(Site, Vertical, alLeft, u"Column");
    Column->SetCustomWidthValue(250);
    Place(0, Column, alTop, 250, 150);
    Place(1, Column, alClient, 250, 0);
    Place(2, Site, alClient, 300, 200);
    Place(3, Site, alRight, 120, 100);
    Panels[2]->Hide();
    Show();
    Panels[3]->SetSideBar(Site->GetSideBars()->GetBar(0));
    Window = new TZCLFloatDockForm(Site);
    Window->GetGroup()->SetName(u"Floating");
    Window->SetBounds(300, 200, 240, 180);
    Place(4, Window->GetGroup(), alClient, 200, 160);
    Window->Show();
    Headless::RunUntilIdle();
  }
  TZCLDockGroup* Column = nullptr;
  TZCLFloatDockForm* Window = nullptr;
};

String SaveText(TZCLDockSite* Site) {
  TOwned<TZCLXMLDocument> doc(new TZCLXMLDocument());
  Site->SaveToXML(doc.get());
  TMemoryStream stream;
  doc->SaveToStreamDefault(&stream);
  std::string bytes(static_cast<const char*>(stream.GetMemory()), size_t(stream.GetSize()));
  return UTF8ToString(bytes);
}

TEST(DockLayoutFile, KnownArrangementIsWrittenAsTheExpectedText) {
  TKnownLayout f;
  const String text = SaveText(f.Site);
  std::ifstream in(FixturePath("zcl/ui/controls/fixtures/docking/known.layout"), std::ios::binary);
  ASSERT_TRUE(in.good());
  std::stringstream expected;
  expected << in.rdbuf();
  EXPECT_EQ(StringToUTF8(text), expected.str());
  // Well-formed by an independent reader when one is installed.
  if (std::system("command -v xmllint > /dev/null 2>&1") != 0) GTEST_SKIP() << "xmllint is not installed";
  const std::string file = TempDir() + "/known.layout";
  std::ofstream(file, std::ios::binary) << StringToUTF8(text);
  EXPECT_EQ(std::system(("xmllint --noout '" + file + "'").c_str()), 0);
}

}  // namespace

namespace {

using namespace docktest;

TZCLXMLDocument* Parse(const String& Text) {
  auto* doc = new TZCLXMLDocument();
  const std::string bytes = StringToUTF8(Text);
  TMemoryStream stream;
  stream.Write(bytes.data(), Integer(bytes.size()));
  stream.SetPosition(0);
  doc->LoadFromStreamDefault(&stream);
  return doc;
}

void Load(TZCLDockSite* Site, const String& Text) {
  TOwned<TZCLXMLDocument> doc(Parse(Text));
  Site->LoadFromXML(doc.get());
  Headless::RunUntilIdle();
}

TEST(DockLayoutFile, SaveThenLoadGivesTheSameArrangement) {
  TKnownLayout f;
  f.Site->SetActiveControlIndex(-1);
  const String saved = SaveText(f.Site);
  // Scramble: everything into the site, the float closed.
  Load(f.Site, u"<docking><embedded layout=\"Tabbed\"/></docking>");
  EXPECT_EQ(f.Site->GetFloatFormCount(), 0);
  EXPECT_EQ(f.Site->FindComponent(u"Column"), nullptr);
  Load(f.Site, saved);
  // A floating window's group keeps the name it was made with ("id" is written, never read).
  ASSERT_EQ(f.Site->GetFloatFormCount(), 1);
  String expected = saved;
  const String oldId = u"id=\"Floating\"";
  expected.replace(expected.find(oldId), oldId.size(),
                   u"id=\"" + f.Site->GetFloatForm(0)->GetGroup()->GetName() + u"\"");
  EXPECT_EQ(SaveText(f.Site), expected);
  auto* column = dynamic_cast<TZCLDockGroup*>(f.Form->FindComponent(u"Column"));
  ASSERT_NE(column, nullptr);
  EXPECT_EQ(column->GetLayout(), Vertical);
  EXPECT_EQ(f.Panels[0]->GetParent(), column);
  ASSERT_EQ(f.Site->GetFloatFormCount(), 1);
  EXPECT_EQ(f.Site->GetFloatForm(0)->GetBoundsRect(), TRect(300, 200, 540, 380));
  EXPECT_EQ(f.Panels[3]->GetSideBar(), f.Site->GetSideBars()->GetBar(0));
  EXPECT_FALSE(f.Panels[2]->GetVisible());
}

TEST(DockLayoutFile, SizesAreStoredAt96Dpi) {
  TDockFixture f;
  f.Place(0, f.Site, alClient);
  f.Show();
  TZCLDockPanel* p = f.Panels[0];
  p->ScaleForPPI(144);
  p->SetCustomWidthValue(300);
  p->SetCustomHeightValue(0);
  TOwned<TZCLXMLDocument> doc(new TZCLXMLDocument());
  TZCLXMLNode* node = doc->Add(u"item");
  p->LayoutSave(node);
  EXPECT_EQ(node->GetAttributes()->GetValue(u"w"), u"200");
  EXPECT_FALSE(node->GetAttributes()->Exists(u"h"));
  p->ScaleForPPI(120);
  p->LayoutLoad(node);
  EXPECT_EQ(p->GetCustomWidth(), 250);
  EXPECT_EQ(p->GetCustomHeight(), 0);
}

TEST(DockLayoutFile, SectionsAndTheirEdgeCases) {
  TDockFixture f(800, 600, 3);
  f.Place(0, f.Site, alLeft);
  f.Place(1, f.Site, alClient);
  f.Place(2, f.Site, alRight);
  f.Show();
  // No floating window: no "float"; "sideBar" always has four items.
  {
    TOwned<TZCLXMLDocument> doc(new TZCLXMLDocument());
    f.Site->SaveToXML(doc.get());
    TZCLXMLNode* root = doc->FindNode(u"docking");
    EXPECT_EQ(root->FindNode(u"float"), nullptr);
    EXPECT_EQ(root->FindNode(u"sideBar")->GetCount(), 4);
  }
  // Two side-bar items fill the left and top bars only; a group with one child collapses
  // into its place; an unknown panel name is skipped.
  Load(f.Site,
       u"<docking><embedded layout=\"Horizontal\">"
       u"<item layout=\"Vertical\" align=\"alLeft\" w=\"200\" id=\"Lonely\"><item name=\"P1\" "
       u"align=\"alClient\"/></item>"
       u"<item name=\"P2\" align=\"alClient\"/><item name=\"P3\" align=\"alRight\"/><item name=\"Nobody\"/>"
       u"</embedded><sideBar><item><item idx=\"1\"><pos idx=\"0\" align=\"alLeft\"/></item></item>"
       u"<item><item idx=\"2\"><pos idx=\"1\" align=\"alRight\"/></item></item></sideBar></docking>");
  EXPECT_EQ(f.Form->FindComponent(u"Lonely"), nullptr);
  EXPECT_EQ(f.Panels[0]->GetParent(), f.Site);
  EXPECT_EQ(f.Panels[0]->GetAlign(), alLeft);
  EXPECT_EQ(f.Panels[0]->GetCustomWidth(), 200);
  TZCLDockSiteSideBars* bars = f.Site->GetSideBars();
  EXPECT_EQ(bars->GetBar(0)->GetTabCount(), 1);
  EXPECT_EQ(bars->GetBar(1)->GetTabCount(), 1);
  EXPECT_EQ(bars->GetBar(2)->GetTabCount(), 0);
  EXPECT_EQ(bars->GetBar(3)->GetTabCount(), 0);
  // A document without "docking" changes nothing.
  const String before = SaveText(f.Site);
  Load(f.Site, u"<other/>");
  EXPECT_EQ(SaveText(f.Site), before);
  // A panel without a name stops the save.
  f.Panels[1]->SetSideBar(nullptr);
  f.Panels[1]->SetName(u"");
  TOwned<TZCLXMLDocument> doc(new TZCLXMLDocument());
  try {
    f.Site->SaveToXML(doc.get());
    ADD_FAILURE() << "saved";
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.GetMessage(), u"TZCLDockPanel.Name must be set!");
  }
}

TEST(DockLayoutFile, ResetUnpinsBeforeTheLayoutPinsAgain) {
  TDockFixture f;
  TZCLDockGroup* g = f.NewGroup(f.Site, Vertical, alLeft, u"Tools");
  f.Place(0, g, alTop);
  f.Place(1, g, alClient);
  f.Place(2, f.Site, alClient);
  f.Show();
  // The designed layout, as the main window keeps it for "reset windows".
  const String designed = SaveText(f.Site);
  f.Panels[0]->ClickButton(2);
  ASSERT_NE(f.Panels[0]->GetSideBar(), nullptr);
  const String pinned = SaveText(f.Site);
  // Reset: the panel is back in its group and no tab is left pointing at it.
  Load(f.Site, designed);
  EXPECT_EQ(f.Panels[0]->GetSideBar(), nullptr);
  EXPECT_EQ(f.Site->GetSideBars()->GetBar(1)->GetTabCount(), 0);
  EXPECT_NE(f.Panels[0]->GetParent(), f.Site);
  EXPECT_TRUE(f.Panels[0]->GetVisible());
  // A file that pins it loads whole, also over an arrangement where it is pinned already.
  Load(f.Site, pinned);
  EXPECT_EQ(f.Panels[0]->GetSideBar(), f.Site->GetSideBars()->GetBar(1));
  EXPECT_NO_THROW(Load(f.Site, pinned));
  EXPECT_EQ(f.Site->GetSideBars()->GetBar(1)->GetTabCount(), 1);
  EXPECT_EQ(SaveText(f.Site), pinned);
}

TEST(DockLayoutFile, FileNextToTheConfigurationOnlyWhereTheFolderExists) {
  TDockFixture f;
  f.Place(0, f.Site, alClient);
  f.Show();
  EXPECT_EQ(DockLayoutFileName(u"/cfg/base.ini"), u"/cfg/baseDesktop.layout");
  const String dir = UTF8ToString(TempDir());
  EXPECT_TRUE(SaveDockLayoutFile(f.Site, dir + u"/base.ini"));
  EXPECT_TRUE(std::filesystem::exists(TempDir() + "/baseDesktop.layout"));
  EXPECT_FALSE(SaveDockLayoutFile(f.Site, dir + u"/missing/base.ini"));
  EXPECT_FALSE(std::filesystem::exists(TempDir() + "/missing"));
  // A missing file changes nothing.
  const String before = SaveText(f.Site);
  LoadDockLayoutFile(f.Site, dir + u"/none.ini");
  EXPECT_EQ(SaveText(f.Site), before);
  LoadDockLayoutFile(f.Site, dir + u"/base.ini");
  EXPECT_EQ(SaveText(f.Site), before);
}

}  // namespace

namespace {

using namespace docktest;

TEST(DockLayoutFile, ClosingAFloatingWindowHidesItsPanelsAndIsSavedHidden) {
  TKnownLayout f;
  f.Window->Close();
  Headless::RunUntilIdle();
  ASSERT_EQ(f.Site->GetFloatFormCount(), 1);
  EXPECT_FALSE(f.Panels[4]->GetVisible());
  EXPECT_FALSE(f.Window->GetVisible());
  TOwned<TZCLXMLDocument> doc(new TZCLXMLDocument());
  f.Site->SaveToXML(doc.get());
  TZCLXMLNode* item = doc->FindNode(u"docking")->FindNode(u"float")->GetNode(0);
  EXPECT_EQ(item->GetAttributes()->GetValue(u"visible"), u"0");
  EXPECT_EQ(item->GetNode(0)->GetAttributes()->GetValue(u"visible"), u"0");
}

}  // namespace
