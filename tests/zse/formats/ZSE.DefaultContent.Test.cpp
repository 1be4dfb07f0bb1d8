// The built-in default skin ("SKIN") and the default content packages that converters insert
// ("ZCSP"): written by this program when ZEPHSE_WRITE_DEFAULT_CONTENT names the resources folder
// (then rebuild to embed them), otherwise checked as embedded.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "os/OS.Files.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.Utils.Stream.h"
#include "zcl/graphics/ZCL.Graphics.SkinImage.h"
#include "zse/engine/ZSE.Manager.h"
#include "zse/engine/ZSE.Scene.h"
#include "zse/formats/ZSE.Formats.Converters.h"
#include "zse/formats/ZSE.Formats.ZCS5.h"

namespace {

template <class T>
using TOwned = std::unique_ptr<T, void (*)(TObject*)>;

// A small image: Frames frames of W x H laid out vertically, a frame colour and a lighter inside.
void AddImage(TZSESkinFiles* Files, const String& Name, Integer W, Integer H, Integer Frames, TZCLPixel32 Color) {
  std::vector<TZCLPixel32> pixels(static_cast<size_t>(W * H * Frames));
  for (Integer f = 0; f < Frames; ++f)
    for (Integer y = 0; y < H; ++y)
      for (Integer x = 0; x < W; ++x) {
        TZCLPixel32 p = Color;
        const bool edge = x == 0 || y == 0 || x == W - 1 || y == H - 1;
        if (!edge) {
          p.R = static_cast<Byte>(std::min(255, p.R + 24 * (f + 1)));
          p.G = static_cast<Byte>(std::min(255, p.G + 24 * (f + 1)));
          p.B = static_cast<Byte>(std::min(255, p.B + 24 * (f + 1)));
        }
        pixels[static_cast<size_t>((f * H + y) * W + x)] = p;
      }
  TOwned<TZCLSkinImage> image(Create<TZCLSkinImage>(), &Free);
  image->LoadFromBits(pixels.data(), W, H * Frames);
  image->SetLayout(ilVertical);
  image->SetFrameCount(Frames);
  image->SetMargins(TRect(2, 2, 2, 2));
  Files->Add(Name, sfkImage, [&](TStream* Stream) { image->SaveToStream(*Stream); });
}

void AddText(TZSESkinFiles* Files, const String& Name, TZSESkinFileKind Kind, const String& Text) {
  Files->Add(Name, Kind, IPtr<IZCLStreamContainer>(Create<TZCLStreamContainer>(StringView(Text))));
}

struct TItem {
  String Name;
  String Class;
  std::vector<String> Textures;  // property names whose images are "<item>.<property>"
  std::vector<TItem> Items;
  std::vector<std::pair<String, String>> Controls;  // class, name
};

String ItemXml(const TItem& Item, bool Root) {
  String xml = String(Root ? u"<layout" : u"<item") + u" class=\"" + Item.Class + u"\" name=\"" + Item.Name + u"\">";
  if (!Item.Textures.empty()) {
    xml += u"<properties>";
    for (const String& t : Item.Textures)
      xml += u"<property name=\"" + t + u"\" value=\"" + Item.Name + u"." + t + u"\"/>";
    xml += u"</properties>";
  }
  if (!Item.Controls.empty()) {
    xml += u"<controls>";
    for (const auto& [cls, name] : Item.Controls)
      xml += u"<control class=\"" + cls + u"\" name=\"" + name + u"\"><properties><property name=\"Skin\" value=\"" +
             name + u".Skin\"/></properties></control>";
    xml += u"</controls>";
  }
  if (!Item.Items.empty()) {
    xml += u"<items>";
    for (const TItem& child : Item.Items) xml += ItemXml(child, false);
    xml += u"</items>";
  }
  return xml + (Root ? u"</layout>" : u"</item>");
}

// Every image the layout names.
void CollectImages(const TItem& Item, std::vector<String>& Names) {
  for (const String& t : Item.Textures) Names.push_back(Item.Name + u"." + t);
  for (const auto& control : Item.Controls) Names.push_back(control.second + u".Skin");
  for (const TItem& child : Item.Items) CollectImages(child, Names);
}

void AddLayout(TZSESkinFiles* Files, const String& Name, const TItem& Root, TZCLPixel32 Color) {
  AddText(Files, Name, sfkDocument, ItemXml(Root, true));
  std::vector<String> images;
  CollectImages(Root, images);
  for (size_t i = 0; i < images.size(); ++i) {
    TZCLPixel32 c = Color;
    c.R = static_cast<Byte>(c.R + 3 * i);
    AddImage(Files, images[i], 12, 12, 1 + static_cast<Integer>(i % 3), c);
  }
}

TItem LyricsLayout() {
  TItem area{u"lyfLyricsArea", u"Texture", {u"Texture", u"TextureCover"}, {}, {}};
  area.Items.push_back({u"lyfTrackLyricsView", u"Item", {}, {}, {{u"TextDisplayEx", u"lyfTrackLyrics"}}});
  area.Items.push_back(
      {u"lyfTrackLyricsScrollbarArea", u"Item", {}, {}, {{u"ScrollBarVertical", u"lyfTrackLyricsScrollbar"}}});
  TItem content{u"lyfContent", u"Texture", {u"Texture", u"TextureCover"}, {area}, {}};
  content.Items.push_back({u"lyfTitleBar",
                           u"Texture",
                           {u"Texture"},
                           {},
                           {{u"Button", u"lyfQTE"}, {u"Button", u"lyfClose"}, {u"TextDisplay", u"lyfTitle"}}});
  content.Items.push_back({u"lyfFooter", u"Texture", {u"Texture", u"TextureCover"}, {}, {}});
  return TItem{u"lyfShadow", u"Texture", {u"Texture"}, {content}, {}};
}

TItem LibraryLayout() {
  TItem root{u"clfShadow", u"Texture", {u"Texture"}, {}, {}};
  const Char* prefixes[] = {u"clf", u"li", u"MLGroupingTree", u"MLTable"};
  const Char* parts[] = {u"Header",   u"Content", u"Footer",  u"Toolbar", u"Pane",
                         u"Splitter", u"Border",  u"Caption", u"Status"};
  for (const Char* prefix : prefixes) {
    TItem group{String(prefix) + u"Area", u"Texture", {u"Texture", u"TextureCover"}, {}, {}};
    for (const Char* part : parts)
      group.Items.push_back({String(prefix) + part, u"Texture", {u"Texture", u"TextureCover"}, {}, {}});
    root.Items.push_back(group);
  }
  // Three more images give the 84 of the window: the grouping tree's and the table's bars.
  root.Items.back().Items.push_back({u"MLTableScrollBar", u"Texture", {u"Texture"}, {}, {}});
  root.Items.back().Items.push_back({u"MLGroupingTreeScrollBar", u"Texture", {u"Texture"}, {}, {}});
  root.Items.back().Items.push_back({u"liLibraryContentClientTreePane", u"Texture", {u"Texture"}, {}, {}});
  return root;
}

const Char* const GLanguageTexts[4][13] = {
    {u"MENU", u"Music Library", u"Playlist", u"Unknown", u"Card View", u"Table View", u"Grouping Tree - Show / Hide ",
     u"Visualizations", u"ALBUM ART", u"MUSIC LIBRARY", u"PLAYLIST", u"VISUALIZATION", u"View"},
    {u"MENU", u"Libreria musicale", u"Playlist", u"Sconosciuto", u"Vista a schede", u"Vista a tabella",
     u"Albero dei gruppi - Mostra / Nascondi ", u"Visualizzazioni", u"COPERTINA", u"LIBRERIA MUSICALE", u"PLAYLIST",
     u"VISUALIZZAZIONE", u"Vista"},
    {u"MENU", u"Biblioteka muzyczna", u"Playlista", u"Nieznany", u"Widok kart", u"Widok tabeli",
     u"Drzewo grupowania - Pokaż / Ukryj ", u"Wizualizacje", u"OKŁADKA", u"BIBLIOTEKA MUZYCZNA", u"PLAYLISTA",
     u"WIZUALIZACJA", u"Widok"},
    {u"МЕНЮ", u"Фонотека", u"Плейлист", u"Неизвестно", u"Карточки", u"Таблица",
     u"Дерево группировки - Показать / Скрыть ", u"Визуализации", u"ОБЛОЖКА", u"ФОНОТЕКА", u"ПЛЕЙЛИСТ", u"ВИЗУАЛИЗАЦИЯ",
     u"Вид"},
};
const Char* const GLanguages[4] = {u"English", u"Italian", u"Polish", u"Russian"};

// The package form of the converters' default content, deflated.
std::vector<Byte> PackContent(TZSESkinFiles* Files) {
  TOwned<TMemoryStream> plain(Create<TMemoryStream>(), &Free);
  StreamWriteInteger(plain.get(), Files->GetCount());
  for (Integer i = 0; i < Files->GetCount(); ++i) {
    TZSESkinFile* file = Files->GetItem(i);
    StreamWriteStringWithLength(plain.get(), file->GetName());
    TStream* data = file->GetData()->LockStream();
    StreamWriteInteger(plain.get(), static_cast<Integer>(data->GetSize()));
    const Byte kind = file->GetKind();
    plain->WriteBuffer(&kind, 1);
    data->SetPosition(0);
    StreamCopyAll(plain.get(), data);
    file->GetData()->UnlockStream();
  }
  uLongf size = compressBound(static_cast<uLong>(plain->GetSize()));
  std::vector<Byte> packed(size);
  compress2(packed.data(), &size, static_cast<const Bytef*>(plain->GetMemory()), static_cast<uLong>(plain->GetSize()),
            9);
  packed.resize(size);
  return packed;
}

void MakeLibraryContent(TZSESkinFiles* Files) {
  AddLayout(Files, u"MusicLibraryFrame", LibraryLayout(), TZCLPixel32{60, 50, 40, 255});
  for (int l = 0; l < 4; ++l) {
    TOwned<TZCLIniFile> ini(TZCLIniFile::CreateInMemory(), &Free);
    for (int k = 0; k < 13; ++k) ini->WriteString(u"SkinCustoms", IntToStr(k + 1), GLanguageTexts[l][k]);
    Files->Add(GLanguages[l], sfkIni, [&](TStream* Stream) { ini->SaveToStreamUTF16(Stream); });
  }
}

void MakeLyricsContent(TZSESkinFiles* Files) {
  AddLayout(Files, u"LyricsFrame", LyricsLayout(), TZCLPixel32{70, 40, 40, 255});
}

void WriteBytes(const String& FileName, const std::vector<Byte>& Data) {
  TFileStream file(FileName, fmCreate);
  file.WriteBuffer(Data.data(), static_cast<Integer>(Data.size()));
}

TEST(DefaultContent, ConverterPackagesHoldTheirFiles) {
  TOwned<TZSESkin> library(Create<TZSESkin>(), &Free);
  TOwned<TZSESkin> lyrics(Create<TZSESkin>(), &Free);
  MakeLibraryContent(library->GetFiles());
  MakeLyricsContent(lyrics->GetFiles());
  // 84 images, the layout and four language files.
  EXPECT_EQ(library->GetFiles()->GetCount(), 89);
  EXPECT_EQ(lyrics->GetFiles()->GetCount(), 14);

  if (const char* folder = std::getenv("ZEPHSE_WRITE_DEFAULT_CONTENT")) {
    const String base = UTF8ToString(folder) + u"/";
    ForceDirectories(base + u"ZCSP");
    WriteBytes(base + u"ZCSP/DEFAULT-MLW.bin", PackContent(library->GetFiles()));
    WriteBytes(base + u"ZCSP/DEFAULT-LYRICSBOX.bin", PackContent(lyrics->GetFiles()));
  }
  for (const auto& [name, count] : {std::pair<const Char*, Integer>{u"DEFAULT-MLW", 89}, {u"DEFAULT-LYRICSBOX", 14}}) {
    if (!ResourceExists(nullptr, name, u"ZCSP")) GTEST_SKIP() << "the default content is not embedded yet";
    TOwned<TZSESkin> skin(Create<TZSESkin>(), &Free);
    TResourceStream resource(nullptr, name, u"ZCSP");
    TZSESkinConverter450::ReadResourcePackage(&resource, skin->GetFiles());
    EXPECT_EQ(skin->GetFiles()->GetCount(), count) << StringToUTF8(name);
  }
  TOwned<TZSESkin> skin(Create<TZSESkin>(), &Free);
  TResourceStream resource(nullptr, u"DEFAULT-MLW", u"ZCSP");
  TZSESkinConverter450::ReadResourcePackage(&resource, skin->GetFiles());
  TOwned<TZCLIniFile> english(TZCLIniFile::CreateInMemory(), &Free);
  ASSERT_TRUE(skin->GetResources()->LoadIniFile(u"English", english.get()));
  EXPECT_EQ(english->ReadString(u"SkinCustoms", u"7", u""), u"Grouping Tree - Show / Hide ");
  EXPECT_EQ(english->ReadString(u"SkinCustoms", u"13", u""), u"View");

  // The windows' layouts load into the engine.
  TResourceStream lyricsResource(nullptr, u"DEFAULT-LYRICSBOX", u"ZCSP");
  TZSESkinConverter450::ReadResourcePackage(&lyricsResource, skin->GetFiles());
  AddText(skin->GetFiles(), u"Schema", sfkDocument,
          u"<skin><forms><form name=\"MusicLibraryFrame\"/><form name=\"LyricsFrame\"/></forms></skin>");
  SkinManager()->LoadFromSkin(skin.get());
  EXPECT_NE(SkinManager()->FindObject(u"MLTableScrollBar"), nullptr);
  EXPECT_NE(SkinManager()->FindObject(u"lyfLyricsArea"), nullptr);
  SkinManager()->UnloadSkin();
}

TEST(DefaultContent, BuiltInSkinLoads) {
  if (const char* folder = std::getenv("ZEPHSE_WRITE_DEFAULT_CONTENT")) {
    // The engine builds the default skin: one main window with an empty layout.
    SkinManager()->UnloadSkin();
    TOwned<TZSESkin> empty(Create<TZSESkin>(), &Free);
    SkinManager()->LoadFromSkin(empty.get());
    SkinManager()->CreateForm(u"ZEPHMainForm");
    TOwned<TZSESkin> skin(Create<TZSESkin>(), &Free);
    SkinManager()->GetDetails()->SetName(u"Default");
    SkinManager()->GetDetails()->SetAuthor(u"ZEPHSE");
    SkinManager()->SaveToSkin(skin.get());
    TFileStream file(UTF8ToString(folder) + u"/RCDATA/SKIN.zcs5", fmCreate);
    TZSESkinFormatZCS5::StaticClass()->Save(&file, skin.get(), nullptr);
    SkinManager()->UnloadSkin();
  }
  if (!ResourceExists(nullptr, u"SKIN", u"RCDATA")) GTEST_SKIP() << "the default skin is not embedded yet";
  TOwned<TZSESkin> skin(Create<TZSESkin>(), &Free);
  TZSESkinManager::LoadFromPackage(TZSESkinPackage(), skin.get());
  EXPECT_EQ(skin->GetDetails()->GetVersion().Number, 500);
  EXPECT_EQ(skin->GetDetails()->GetName(), u"Default");
  TZSESkinFile* schema = nullptr;
  EXPECT_TRUE(skin->GetFiles()->Find(u"Schema", sfkDocument, schema));
}

}  // namespace
