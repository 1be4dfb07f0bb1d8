#include "zse/formats/ZSE.Formats.Legacy.Converters.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zcl/graphics/ZCL.Graphics.SkinImage.h"

namespace {

const String SParents = u"Parents";
const String SZcsp = u"ZCSP";
const String SItem = u"item";
const String SAlign = u"align";
const String SClass = u"class";
const String SName = u"name";
const String SContainerItem = u"TZEPHLayoutContainerItem";
const String STextureItem = u"TZEPHLayoutTextureItem";
const String SDockSiteItem = u"TZEPHLayoutDockSiteItem";

// Straight-alpha BGRA pixels, row by row from the top.
struct TPixelMap {
  Integer Width = 0, Height = 0;
  std::vector<TZCLPixel32> Pixels;

  TPixelMap() = default;
  TPixelMap(Integer W, Integer H) : Width(W), Height(H), Pixels(size_t(W) * size_t(H), TZCLPixel32{0, 0, 0, 0}) {}
  bool Empty() const { return Width <= 0 || Height <= 0; }
  TZCLPixel32& At(Integer X, Integer Y) { return Pixels[size_t(Y) * size_t(Width) + size_t(X)]; }
  const TZCLPixel32& At(Integer X, Integer Y) const { return Pixels[size_t(Y) * size_t(Width) + size_t(X)]; }
};

TPixelMap PixelsOfBitmap(TBitmap* Bitmap) {
  TPixelMap map(Bitmap->GetWidth(), Bitmap->GetHeight());
  if (map.Empty()) return TPixelMap();
  // Pictures without an alpha channel are opaque.
  const bool hasAlpha = Bitmap->GetPixelFormat() == TPixelFormat::pf32bit;
  for (Integer y = 0; y < map.Height; ++y) {
    const auto* row = static_cast<const TZCLPixel32*>(Bitmap->ScanLine(y));
    for (Integer x = 0; x < map.Width; ++x) {
      map.At(x, y) = row[x];
      if (!hasAlpha) map.At(x, y).A = 255;
    }
  }
  return map;
}

TPixelMap LoadBitmapPixels(TZSESkin* Skin, const String& Name) {
  auto* bitmap = Create<TZCLBitmap>();
  TPixelMap map;
  try {
    Skin->GetResources()->LoadBitmap(Name, bitmap);
    map = PixelsOfBitmap(bitmap);
  } catch (...) {
    Free(bitmap);
    throw;
  }
  Free(bitmap);
  return map;
}

TZCLBitmap* CreateBitmap(const TPixelMap& Map) {
  auto* bitmap = Create<TZCLBitmap>();
  bitmap->SetPixelFormat(TPixelFormat::pf32bit);
  bitmap->SetAlphaFormat(afDefined);
  bitmap->SetSize(Map.Width, Map.Height);
  for (Integer y = 0; y < Map.Height; ++y)
    std::copy_n(&Map.Pixels[size_t(y) * size_t(Map.Width)], Map.Width, static_cast<TZCLPixel32*>(bitmap->ScanLine(y)));
  bitmap->Modified();
  return bitmap;
}

void StoreBitmapPixels(TZSESkin* Skin, const String& Name, const TPixelMap& Map) {
  TZCLBitmap* bitmap = CreateBitmap(Map);
  try {
    Skin->GetResources()->SaveBitmap(Name, bitmap);
  } catch (...) {
    Free(bitmap);
    throw;
  }
  Free(bitmap);
}

// The image's pixels in straight alpha (0 x 0 when empty).
TPixelMap ImagePixels(TZCLSkinImage* Image) {
  if (Image->Empty()) return TPixelMap();
  auto* bitmap = Create<TZCLBitmap>();
  TPixelMap map;
  try {
    Image->SaveToBitmap(bitmap);
    map = PixelsOfBitmap(bitmap);
  } catch (...) {
    Free(bitmap);
    throw;
  }
  Free(bitmap);
  return map;
}

// Copies Source's rectangle into Target's, stretched by nearest pixels; both are clipped.
void Blit(TPixelMap& Target, const TRect& To, const TPixelMap& Source, const TRect& From) {
  const Integer tw = To.Right - To.Left, th = To.Bottom - To.Top;
  const Integer sw = From.Right - From.Left, sh = From.Bottom - From.Top;
  if (tw <= 0 || th <= 0 || sw <= 0 || sh <= 0) return;
  for (Integer y = 0; y < th; ++y) {
    const Integer ty = To.Top + y, sy = From.Top + Integer(Int64(y) * sh / th);
    if (ty < 0 || ty >= Target.Height || sy < 0 || sy >= Source.Height) continue;
    for (Integer x = 0; x < tw; ++x) {
      const Integer tx = To.Left + x, sx = From.Left + Integer(Int64(x) * sw / tw);
      if (tx < 0 || tx >= Target.Width || sx < 0 || sx >= Source.Width) continue;
      Target.At(tx, ty) = Source.At(sx, sy);
    }
  }
}

void Fill(TPixelMap& Map, const TRect& R, TZCLPixel32 Pixel) {
  for (Integer y = std::max(0, R.Top); y < std::min(Map.Height, R.Bottom); ++y)
    for (Integer x = std::max(0, R.Left); x < std::min(Map.Width, R.Right); ++x) Map.At(x, y) = Pixel;
}

// A one-pixel outline along the inside of R.
void Frame(TPixelMap& Map, const TRect& R, TZCLPixel32 Pixel) {
  Fill(Map, TRect(R.Left, R.Top, R.Right, R.Top + 1), Pixel);
  Fill(Map, TRect(R.Left, R.Bottom - 1, R.Right, R.Bottom), Pixel);
  Fill(Map, TRect(R.Left, R.Top, R.Left + 1, R.Bottom), Pixel);
  Fill(Map, TRect(R.Right - 1, R.Top, R.Right, R.Bottom), Pixel);
}

TZCLPixel32 OpaquePixel(TColor Color) {
  const Cardinal rgb = Cardinal(ColorToRGB(Color));
  return TZCLPixel32{Byte(rgb >> 16), Byte(rgb >> 8), Byte(rgb), 255};
}

Integer ColorOfFont(const String& FontText) {
  String name;
  Integer color = 0, height = 0, style = 0;
  zcStringToFont(FontText, name, color, height, style);
  return color;
}

std::vector<String> SectionKeys(TZCLIniFile* Ini, const String& Section) {
  auto* keys = Create<TZCLStringList>();
  std::vector<String> result;
  Ini->ReadKeys(Section, keys);
  for (Integer i = 0; i < keys->GetCount(); ++i) result.push_back(keys->GetStrings(i));
  Free(keys);
  return result;
}

void CopySection(TZCLIniFile* From, const String& FromSection, TZCLIniFile* To, const String& ToSection) {
  if (From->ExistsSection(FromSection)) To->WriteSection(ToSection, From->ReadSection(FromSection));
}

TZCLXMLNode* AddLayoutItem(TZCLXMLNode* Parent, const String& Align, const String& Name, const String& Class) {
  TZCLXMLNode* item = Parent->Add(SItem);
  TZCLXMLAttributes* attributes = item->GetAttributes();
  if (!Align.empty()) attributes->AddString(SAlign, Align);
  attributes->AddString(SName, Name);
  attributes->AddString(SClass, Class);
  return item;
}

String AlignOf(TZCLXMLNode* Node) { return Node->GetAttributes()->GetValue(SAlign); }

}  // namespace

// ---- 3.03 -----------------------------------------------------------------------------------

void TZSESkinFormatZCSPv33Converter::Prepare() {
  FIni->WriteString(SParents, u"DropWheel_Cancel", u"DropWheel");
  FIni->WriteInteger(u"TabCtrlTab", u"SkinHitTestMask", 0);
  TZSESkinFormatZCS3v1Converter::Prepare();
}

// ---- 3.02 -----------------------------------------------------------------------------------

void TZSESkinFormatZCSPv32Converter::WritePlaceInfo(const String& Name, Integer Anchors, const TRect& Margins,
                                                    Integer Width, Integer Height) {
  FIni->WriteRect(Name, u"PlaceAnchors",
                  TRect(Anchors & 1, (Anchors >> 1) & 1, (Anchors >> 2) & 1, (Anchors >> 3) & 1));
  FIni->WriteRect(Name, u"PlaceMargins", Margins);
  FIni->WriteInteger(Name, u"PlaceHeight", Height);
  FIni->WriteInteger(Name, u"PlaceWidth", Width);
}

void TZSESkinFormatZCSPv32Converter::ConvertPlaceKeys() {
  for (Integer i = 0; i < FIni->GetSectionCount(); ++i) {
    const String section = FIni->GetSectionName(i);
    if (FIni->ExistsKey(section, u"PlaceAlign")) {
      const Byte align = Byte(FIni->ReadInteger(section, u"PlaceAlign", 0));
      const Integer flags = align == 1 ? 6 : align == 2 ? 2 : align == 3 ? 7 : 3;
      FIni->WriteRect(section, u"PlaceAnchors", TRect(flags & 1, (flags >> 1) & 1, (flags >> 2) & 1, (flags >> 3) & 1));
      FIni->DeleteKey(section, u"PlaceAlign");
    }
    if (FIni->ExistsKey(section, u"PlaceBounds")) {
      const TRect bounds = FIni->ReadRect(section, u"PlaceBounds");
      FIni->WriteInteger(section, u"PlaceHeight", LegacySaturate(Int64(bounds.Bottom) - bounds.Top));
      FIni->WriteInteger(section, u"PlaceWidth", LegacySaturate(Int64(bounds.Right) - bounds.Left));
      FIni->DeleteKey(section, u"PlaceBounds");
    }
  }
}

void TZSESkinFormatZCSPv32Converter::Prepare() {
  ConvertPlaceKeys();
  TZSESkinFormatZCSPv33Converter::Prepare();
}

// ---- 3.00 -----------------------------------------------------------------------------------

TRect TZSESkinFormatZCSPv30Converter::GetBitmapSize(const String& Name) {
  TZSESkinFile* file;
  if (!FSkin->GetFiles()->Find(Name, sfkBitmap, file)) return TRect();
  auto* bitmap = Create<TZCLBitmap>();
  TRect size;
  try {
    FSkin->GetResources()->LoadBitmap(Name, bitmap);
    size = TRect(0, 0, bitmap->GetWidth(), bitmap->GetHeight());
  } catch (...) {
    Free(bitmap);
    throw;
  }
  Free(bitmap);
  return size;
}

void TZSESkinFormatZCSPv30Converter::FixLegacyRoot(TZCLXMLDocument* Document) {
  if (Document->GetCount() > 1) {
    const Integer count = Document->GetCount();
    TZCLXMLNode* layout = Document->Add(u"layout");
    for (Integer i = count - 1; i >= 0; --i) Document->GetNode(i)->SetParent(layout);
  } else if (Document->GetCount() == 1 && SameText(Document->GetNode(0)->GetNodeName(), u"items")) {
    Document->GetNode(0)->SetNodeName(u"layout");
  }
}

void TZSESkinFormatZCSPv30Converter::Prepare() {
  AddObjectAliases();
  ConvertDropWheel();
  FixParents();
  ConvertLayoutFiles();
  AddQFITemplates();
  RenameObjects();
  ConvertInfoBars();
  TZSESkinFormatZCSPv32Converter::Prepare();
}

void TZSESkinFormatZCSPv30Converter::AddObjectAliases() {
  static const std::pair<const char16_t*, const char16_t*> custom[] = {
      {u"SeekBar", u"ClassSeekBar"},       {u"TraySeek", u"ClassSeekBar"},        {u"Time", u"ClassNumLabel;4"},
      {u"TrayTime", u"ClassNumLabel;4"},   {u"BRINFO", u"ClassNumLabel;5"},       {u"TrayKBPS", u"ClassNumLabel;5"},
      {u"SRINFO", u"ClassNumLabel;6"},     {u"TrayKHZ", u"ClassNumLabel;6"},      {u"PlayerMode", u"ClassNumLabel;2"},
      {u"TrayStatus", u"ClassNumLabel;2"}, {u"TraySleepTime", u"ClassNumLabel;1"}};
  for (const auto& [key, value] : custom) FIni->WriteString(u"CustomObjects", key, value);
  static const std::pair<const char16_t*, const char16_t*> clones[] = {
      {u"TrayOpt", u"ZEPHOptions"},   {u"Balance", u"BalanceSlider"}, {u"TrayNext", u"NextBtn"},
      {u"TrayOpen", u"OpenBtn"},      {u"TrayPause", u"PauseBtn"},    {u"TrayPlay", u"PlayBtn"},
      {u"TrayPrev", u"PrevBtn"},      {u"TrayRep", u"Repeat_"},       {u"TrayRnd", u"Shuffle"},
      {u"TraySleepBtn", u"SleepBtn"}, {u"Speed", u"SpeedSlider"},     {u"TrayStop", u"StopBtn"},
      {u"TrayVol", u"VolumeBar"}};
  for (const auto& [key, value] : clones) FIni->WriteString(u"Clones", key, value);
}

void TZSESkinFormatZCSPv30Converter::ConvertDropWheel() {
  auto* image = Create<TZCLSkinImage>();
  try {
    image->LoadFromResource(nullptr, u"DEFAULT-DROP-WHEEL-BK", SZcsp);
    StoreBitmapPixels(FSkin, u"DropWheel", ImagePixels(image));
    FIni->WriteInteger(u"DropWheel", u"SkinFrames", 1);

    image->LoadFromResource(nullptr, u"DEFAULT-DROP-WHEEL", SZcsp);
    const TPixelMap sheet = ImagePixels(image);
    struct TPiece {
      const char16_t* Name;
      TRect Source;  // left, top, width, height
      Integer X, Y;
    };
    static const TPiece pieces[] = {{u"DropWheel_TOP", TRect(0, 0, 300, 30), 21, 6},
                                    {u"DropWheel_RND", TRect(0, 121, 120, 75), 6, 21},
                                    {u"DropWheel_CUR", TRect(120, 121, 120, 75), 81, 21},
                                    {u"DropWheel_BTM", TRect(0, 30, 300, 30), 21, 81},
                                    {u"DropWheel_OK", TRect(0, 60, 244, 61), 28, 28}};
    for (const TPiece& piece : pieces) {
      const Integer w = piece.Source.Right, h = piece.Source.Bottom;
      TPixelMap map(w, h);
      Blit(map, TRect(0, 0, w, h), sheet,
           TRect(piece.Source.Left, piece.Source.Top, piece.Source.Left + w, piece.Source.Top + h));
      for (TZCLPixel32& p : map.Pixels)
        if (p.R == 255 && p.G == 0 && p.B == 255) p = TZCLPixel32{0, 0, 0, 0};
      FIni->WriteInteger(piece.Name, u"PlaceAlign", 0);
      FIni->WriteRect(piece.Name, u"PlaceBounds", TRect(piece.X, piece.Y, piece.X + w / 4, piece.Y + h));
      FIni->WriteRect(piece.Name, u"PlaceMargins", TRect(piece.X, piece.Y, 0, 0));
      FIni->WriteString(SParents, piece.Name, u"DropWheel");
      StoreBitmapPixels(FSkin, piece.Name, map);
      FIni->WriteInteger(piece.Name, u"SkinFrames", 4);
    }
  } catch (...) {
    Free(image);
    throw;
  }
  Free(image);
}

void TZSESkinFormatZCSPv30Converter::FixParents() {
  for (const auto& [key, value] : {std::pair(u"ZEPHEQDisplay", u"EQ"), std::pair(u"MultiDisplay", u"Main"),
                                   std::pair(u"InfoBar", u"Main"), std::pair(u"TrayRS", u"TCINFO")})
    if (!FIni->ExistsKey(SParents, key)) FIni->WriteString(SParents, key, value);
  String cfg;
  if (FIni->ReadValue(SParents, u"Cfg", cfg)) {
    FIni->DeleteKey(SParents, u"Cfg");
    FIni->WriteString(SParents, u"DspCfg", cfg);
  }
  FIni->WriteString(SParents, u"PlsClose", u"PlsTopDock");
  FIni->WriteString(SParents, u"PlsMenu", u"PlsTopDock");
  const std::vector<String> keys = SectionKeys(FIni, SParents);
  for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
    const String value = FIni->ReadString(SParents, *key, String());
    if (SameText(value, u"Top")) {
      FIni->WriteString(SParents, *key, u"TopPanel");
    } else if (SameText(value, u"BTM")) {
      FIni->WriteString(SParents, *key, u"BottomPanel");
    } else if (SameText(value, u"QFIClient")) {
      FIni->WriteString(SParents, *key, u"QFI");
    } else if (SameText(value, u"ZEPHSEMainDesktopFrame")) {
      FIni->DeleteSection(*key);
      FIni->DeleteKey(SParents, *key);
    }
  }
}

void TZSESkinFormatZCSPv30Converter::ConvertLayoutFiles() {
  static const std::pair<const char16_t*, const char16_t*> frames[] = {{u"DropWheel", u"DropWheel"},
                                                                       {u"EqFrame", u"EQ"},
                                                                       {u"QFI", u"QFI"},
                                                                       {u"TrayControl", u"TCCTRL"},
                                                                       {u"TrayControlFlow", u"TCINFO"}};
  for (const auto& [file, item] : frames) {
    auto* document = Create<TZCLXMLDocument>();
    try {
      TZCLXMLNode* node = document->Add(u"layout")->Add(SItem);
      TZCLXMLAttributes* attributes = node->GetAttributes();
      attributes->AddString(SAlign, u"top");
      attributes->AddString(u"AllowResizeByHeight", u"0");
      attributes->AddString(u"AllowResizeByWidth", u"0");
      attributes->AddString(SClass, SContainerItem);
      attributes->AddString(SName, item);
      FSkin->GetResources()->SaveSchema(file, document);
    } catch (...) {
      Free(document);
      throw;
    }
    Free(document);
  }

  for (const bool playlist : {false, true}) {
    auto* document = Create<TZSELegacyXML>();
    try {
      FSkin->GetResources()->LoadDocument(playlist ? u"PlaylistLayout" : u"MainLayout", document);
      FixLegacyRoot(document);
      if (TZCLXMLNode* top = document->GetNode(0)) {
        ApplyElementRules(top);
        if (!playlist) {
          if (IsAllInOneMode()) {
            const Integer w = std::max(0, FIni->ReadInteger(u"FILE", u"FormMinW", 0));
            const Integer h = std::max(0, FIni->ReadInteger(u"FILE", u"FormMinH", 0));
            top->GetAttributes()->SetValue(u"MinSize", IntToStr(w) + u"," + IntToStr(h));
            if (FIni->ReadBool(u"FILE", u"FormDisableResizing", false))
              top->GetAttributes()->SetValue(u"AllowResizeByHeight", u"0");
            top->GetAttributes()->SetValue(u"AllowResizeByWidth", u"0");
          }
        } else {
          const Integer count = top->GetCount();
          TZCLXMLNode* client = top->Add(SItem);
          client->GetAttributes()->AddString(SAlign, u"client");
          for (Integer i = count - 1; i >= 0; --i) top->GetNode(i)->SetParent(client);
          AddLayoutItem(top, u"bottom", u"PlsBottomBar", STextureItem);
          AddLayoutItem(top, u"left", u"PlsLeftBar", STextureItem);
          AddLayoutItem(top, u"right", u"PlsRightBar", STextureItem);
          AddLayoutItem(top, u"top", u"PlsTopDock", SContainerItem);
        }
        RepairAlignment(top);
      }
      FSkin->GetResources()->SaveSchema(playlist ? u"PlaylistFrame" : u"MainFrame", document);
    } catch (...) {
      Free(document);
      throw;
    }
    Free(document);
  }
}

void TZSESkinFormatZCSPv30Converter::ApplyElementRules(TZCLXMLNode* Element) {
  for (Integer i = 0; i < Element->GetCount(); ++i) ApplyElementRules(Element->GetNode(i));
  TZCLXMLAttributes* attributes = Element->GetAttributes();
  attributes->Remove(u"ResizeH");
  attributes->Remove(u"ResizeW");
  attributes->Rename(u"Control", SName);
  attributes->Rename(u"Level", u"AlignLevel");
  if (SameText(Element->GetNodeName(), u"layout")) return;
  String name;
  if (!attributes->TryGetValue(SName, name)) return;
  if (SameText(name, u"TabCtrl")) {
    ConvertTabControl(Element);
    return;
  }
  const bool dockSite =
      SameText(name, u"PlaylistFrame") || SameText(name, u"Container") || SameText(name, u"EqualizerFrame");
  attributes->SetValue(SClass, dockSite ? SDockSiteItem : SContainerItem);
  if (SameText(name, u"MainFrame")) {
    AddLayoutItem(Element, String(), u"MainClient", STextureItem);
    AddLayoutItem(Element, u"bottom", u"MainDock", STextureItem);
    attributes->SetValue(u"AllowResizeByWidth", u"0");
    attributes->SetValue(SName, u"Main");
  }
}

void TZSESkinFormatZCSPv30Converter::RepairAlignment(TZCLXMLNode* Element) {
  for (Integer i = 0; i < Element->GetCount(); ++i) RepairAlignment(Element->GetNode(i));
  const Integer count = Element->GetCount();
  auto childAlign = [&](Integer Index) { return AlignOf(Element->GetNode(Index)); };
  if (SameText(AlignOf(Element), u"Client") && count == 2 && SameText(childAlign(0), u"left") &&
      SameText(childAlign(1), u"left")) {
    Element->GetNode(0)->GetAttributes()->SetValue(SAlign, u"client");
    Element->GetNode(1)->GetAttributes()->SetValue(SAlign, u"right");
  }
  auto first = [&](std::initializer_list<const char16_t*> Aligns) {
    for (Integer i = 0; i < count; ++i)
      for (const char16_t* align : Aligns)
        if (SameText(childAlign(i), align)) return i;
    return -1;
  };
  if (first({u"left"}) < 0 || first({u"client"}) >= 0) return;
  if (const Integer right = first({u"right"}); right >= 0) {
    Element->GetNode(right)->GetAttributes()->SetValue(SAlign, u"client");
  } else if (first({u"top", u"bottom"}) >= 0) {
    Element->GetNode(first({u"left"}))->GetAttributes()->SetValue(SAlign, u"client");
  }
}

void TZSESkinFormatZCSPv30Converter::ConvertTabControl(TZCLXMLNode* Element) {
  const TRect size = GetBitmapSize(u"TabCtrl");
  if (size.Right <= size.Left || size.Bottom <= size.Top) return;
  const String tab = u"TabCtrl";
  FIni->WriteRect(tab, u"TabsOffset", TRect(FIni->ReadInteger(tab, u"Offset", 0), 0, 0, 0));
  FIni->DeleteKey(tab, u"Offset");
  for (const char16_t* part : {u"CustomTab", u"ActiveTab"}) {
    const Integer margin = FIni->ReadInteger(tab, String(part) + u"MargineOffset", 0);
    const Integer text = FIni->ReadInteger(tab, String(part) + u"TextOffset", 0);
    FIni->WriteRect(tab, String(part) + u"TextOffset",
                    TRect(LegacySaturate(Int64(margin) + 2), text, LegacySaturate(Int64(margin) + 2), 0));
  }
  TSize buttons[2];
  for (Integer i = 0; i < 2; ++i) {
    auto* image = Create<TZCLSkinImage>();
    LoadSkinImageFromIni(image, i == 0 ? u"TCN" : u"TCP", 1);
    image->SetFrameCount(4);
    if (!image->Empty()) buttons[i] = TSize(image->FrameWidth(), image->FrameHeight());
    Free(image);
  }
  TZCLXMLAttributes* attributes = Element->GetAttributes();
  attributes->SetValue(SClass, STextureItem);
  attributes->SetValue(SName, u"TabCtrlContainer");
  AddLayoutItem(Element, u"client", u"TabCtrl", SDockSiteItem);
  const bool bothRight = FIni->ReadInteger(tab, u"ScrollBtnPlacement", 0) == 0;
  const struct {
    const char16_t* Name;
    const char16_t* Align;
    Integer Level;
    TSize Size;
  } parts[] = {{u"TCN", u"right", 0, buttons[0]},
               {u"TCP", bothRight ? u"right" : u"left", bothRight ? 1 : 0, buttons[1]}};
  for (const auto& part : parts) {
    const String container = String(part.Name) + u"_Container";
    TZCLXMLNode* item = AddLayoutItem(Element, part.Align, container, SContainerItem);
    item->GetAttributes()->AddString(u"MinSize", IntToStr(part.Size.cx) + u"," + IntToStr(part.Size.cy));
    if (part.Level > 0) item->GetAttributes()->AddString(u"AlignLevel", IntToStr(part.Level));
    FIni->WriteString(SParents, part.Name, container);
    WritePlaceInfo(part.Name, 3, TRect(), part.Size.cx, part.Size.cy);
  }
  FSkin->GetFiles()->Rename(tab, u"TabCtrlContainer", sfkBitmap);
  CopySection(FIni, tab, FIni, u"TabCtrlContainer");
}

void TZSESkinFormatZCSPv30Converter::AddQFITemplates() {
  static const std::pair<const char16_t*, const char16_t*> templates[] = {
      {u"QFIAlbum", u"%A"},    {u"QFIArtist", u"%R"}, {u"QFIDuration", u"%L"}, {u"QFIFileInfo", u"%H, %B, %C, %S"},
      {u"QFIFileName", u"%F"}, {u"QFIGenre", u"%G"},  {u"QFITitle", u"%T"},    {u"QFIYear", u"%Y"}};
  for (const auto& [name, text] : templates) FIni->WriteString(name, u"Template", text);
  for (const char16_t* name :
       {u"QFIAlbum", u"QFIArtist", u"QFIDuration", u"QFIFileInfo", u"QFIFileName", u"QFIGenre", u"QFITitle", u"QFIYear",
        u"QFICover", u"QFIRating", u"QFIClose", u"QFICopyFile", u"QFIEditTags", u"QFICopyFileInfo"})
    FIni->WriteString(SParents, name, u"QFI");
}

void TZSESkinFormatZCSPv30Converter::RenameObjects() {
  for (const auto& [from, to] :
       {std::pair(u"TrayInfo", u"TCINFO"), std::pair(u"TrayCtrl", u"TCCTRL"), std::pair(u"BottomDock", u"MainDock"),
        std::pair(u"MainEquaFrame", u"EQ"), std::pair(u"QFIClient", u"QFI"), std::pair(u"CFG", u"DSPCfg")}) {
    FSkin->GetFiles()->Rename(from, to, sfkBitmap);
    FIni->RenameSection(from, to);
  }
  FIni->WriteInteger(u"MainDock", u"SkinLayout", 1);
  FIni->WriteInteger(u"MainDock", u"SkinFrames", 2);
}

void TZSESkinFormatZCSPv30Converter::ConvertInfoBars() {
  static const Byte fade[10] = {230, 204, 178, 153, 127, 102, 76, 51, 25, 0};
  for (const char16_t* name : {u"InfoBar", u"TrayRS"}) {
    auto* image = Create<TZCLSkinImage>();
    try {
      if (LoadSkinImageFromIni(image, name, 1) && image->GetWidth() > 20) {
        const Integer w = image->GetWidth(), h = image->GetHeight();
        const TPixelMap pixels = ImagePixels(image);
        const TRect frame = image->GetFrameRect(0);
        TPixelMap result(w, 2 * h);
        Blit(result, TRect(0, 0, w, h), pixels, frame);
        // The second state fades out towards both ends and is empty in between.
        TPixelMap faded = pixels;
        for (Integer y = 0; y < h; ++y) {
          for (Integer i = 0; i < 10 && i < w; ++i) {
            faded.At(i, y).A = fade[i];
            faded.At(w - 1 - i, y).A = fade[i];
          }
          for (Integer x = 10; x <= w - 10 && x < w; ++x) faded.At(x, y) = TZCLPixel32{0, 0, 0, 0};
        }
        Blit(result, TRect(0, h, w, 2 * h), faded, frame);
        FIni->WriteInteger(name, u"SkinLayout", 1);
        FIni->WriteInteger(name, u"SkinFrames", 2);
        StoreBitmapPixels(FSkin, name, result);
      }
    } catch (...) {
      Free(image);
      throw;
    }
    Free(image);
  }
}

// ---- 2.60 -----------------------------------------------------------------------------------

void TZSESkinFormatZCSPv3Converter::EnsureTwoFrames(const String& Section) {
  if (FIni->ExistsKey(Section, u"SkinLayout")) return;
  FIni->WriteInteger(Section, u"SkinLayout", 1);
  FIni->WriteInteger(Section, u"SkinFrames", 2);
}

bool TZSESkinFormatZCSPv3Converter::MergeFrames(const String& Upper, const String& Lower, const String& Target,
                                                bool BothRequired) {
  const TPixelMap upper = LoadBitmapPixels(FSkin, Upper);
  const TPixelMap lower = LoadBitmapPixels(FSkin, Lower);
  if (BothRequired ? (upper.Empty() || lower.Empty()) : (upper.Empty() && lower.Empty())) return false;
  const Integer w = upper.Empty() ? lower.Width : upper.Width;
  const Integer h = upper.Empty() ? lower.Height : upper.Height;
  TPixelMap merged(w, 2 * h);
  Blit(merged, TRect(0, 0, w, h), upper, TRect(0, 0, upper.Width, upper.Height));
  Blit(merged, TRect(0, h, w, 2 * h), lower, TRect(0, 0, lower.Width, lower.Height));
  FSkin->GetFiles()->Delete(Upper, sfkBitmap);
  FSkin->GetFiles()->Delete(Lower, sfkBitmap);
  StoreBitmapPixels(FSkin, Target, merged);
  return true;
}

void TZSESkinFormatZCSPv3Converter::ConvertBounds() {
  for (Integer i = 0; i < FIni->GetSectionCount(); ++i) {
    const String section = FIni->GetSectionName(i);
    if (!FIni->ExistsKey(section, u"Bounds")) continue;
    const TRect b = FIni->ReadRect(section, u"Bounds"), p = FIni->ReadRect(section, u"ParentBounds");
    const Integer align = FIni->ReadInteger(section, u"align", 0);
    const Integer flags = align == 1 ? 6 : align == 2 ? 7 : align == 3 ? 2 : 3;
    WritePlaceInfo(section, flags,
                   TRect(b.Left, b.Top, LegacySaturate(Int64(p.Right) - p.Left - b.Right),
                         LegacySaturate(Int64(p.Bottom) - p.Top - b.Bottom)),
                   LegacySaturate(Int64(b.Right) - b.Left), LegacySaturate(Int64(b.Bottom) - b.Top));
    FIni->DeleteKey(section, u"Bounds");
    FIni->DeleteKey(section, u"ParentBounds");
    FIni->DeleteKey(section, u"align");
  }
}

void TZSESkinFormatZCSPv3Converter::Prepare() {
  EnsureTwoFrames(u"TrayLC");
  EnsureTwoFrames(u"TrayRC");
  FIni->WriteInteger(u"TrayRC", u"Source", 1);
  ConvertImageList();
  AddTextTemplates();

  FIni->WriteString(u"TabCtrl", u"PlayingTab", FIni->ReadString(u"TabCtrl", u"ActiveTab", String()));
  FIni->WriteString(u"TrayCtrl", u"Indent", FIni->ReadString(u"Widths", u"TrayCtrlIndent", String()));
  for (const auto& [from, to] :
       {std::pair(u"SBK", u"SABK"), std::pair(u"Sel", u"SelAct"), std::pair(u"SelHdr", u"SelActHdr")})
    FIni->WriteString(u"Playlist", to, FIni->ReadString(u"Playlist", from, String()));
  FIni->WriteInteger(u"PlaylistRating", u"SkinFrames", 4);
  FIni->WriteInteger(u"MultiDisplay", u"SkinFrames", 1);
  FIni->DeleteKey(u"Widths", u"TrayCtrlIndent");
  const TRect dock = GetBitmapSize(u"PlsTopDock");
  if (dock.Right > dock.Left && dock.Bottom > dock.Top) {
    FIni->WriteRect(u"PlsClose", u"ParentBounds", dock);
    FIni->WriteRect(u"PlsMenu", u"ParentBounds", dock);
  }

  for (const auto& [name, macro] : {std::pair(u"iTitle", u"%T"), std::pair(u"iArtist", u"%R"),
                                    std::pair(u"iAlbum", u"%A"), std::pair(u"iGenre", u"%G")}) {
    const TRect bounds = FIni->ReadRect(name, u"Bounds");
    if (bounds.Right <= bounds.Left || bounds.Bottom <= bounds.Top) {
      FIni->DeleteSection(name);
    } else {
      FIni->WriteString(u"CustomObjects", name, u"ClassTextLabel");
      FIni->WriteString(name, u"Template", macro);
    }
  }
  ConvertBounds();
  ConvertPlaylistSwitches();
  DrawExpandButtons();
  FSkin->GetFiles()->AddFromResource(u"TrayIcons", sfkBitmap, nullptr, u"DEFAULT-TRAY-ICONS", SZcsp);

  if (MergeFrames(u"CustomTab", u"ActiveTab", u"TabCtrlTab", false)) {
    FIni->DeleteSection(u"CustomTab");
    FIni->RenameSection(u"ActiveTab", u"TabCtrlTab");
    EnsureTwoFrames(u"TabCtrlTab");
  }
  const Integer count = FIni->GetSectionCount();
  for (Integer i = 0; i < count && i < FIni->GetSectionCount(); ++i) {
    const String section = FIni->GetSectionName(i);
    if (MergeFrames(section, section + u"_sel", section, true)) EnsureTwoFrames(section);
  }
  TZSESkinFormatZCSPv30Converter::Prepare();
}

void TZSESkinFormatZCSPv3Converter::ConvertImageList() {
  TZSESkinFile* file;
  if (!FSkin->GetFiles()->Find(u"ImgList", sfkBitmap, file)) return;
  auto* image = Create<TZCLSkinImage>();
  try {
    FSkin->GetResources()->LoadImage(u"ImgList", image);
    if (!image->Empty() && image->GetFrameInfo(0) != fsTransparent) {
      TPixelMap result(image->GetWidth(), image->GetHeight());
      Blit(result, TRect(0, 0, result.Width, result.Height), ImagePixels(image), image->GetFrameRect(0));
      StoreBitmapPixels(FSkin, u"ImgList", result);
    } else {
      FSkin->GetFiles()->Delete(u"ImgList", sfkBitmap);
    }
  } catch (...) {
    Free(image);
    throw;
  }
  Free(image);
}

void TZSESkinFormatZCSPv3Converter::AddTextTemplates() {
  static const char16_t* const macros[] = {u"%R", u"%A", u"%G", u"%Y", u"%T"};
  for (const String& key : SectionKeys(FIni, u"CustomObjects")) {
    const String value = FIni->ReadString(u"CustomObjects", key, String());
    const size_t semicolon = value.find(u';');
    if (semicolon == String::npos || !SameText(value.substr(0, semicolon), u"ClassTextLabel")) continue;
    String number = value.substr(semicolon + 1);
    if (const size_t next = number.find(u';'); next != String::npos) number.resize(next);
    const Integer n = StrToIntDef(number, 0);
    FIni->WriteString(key, u"Template", n >= 1 && n <= 5 ? String(macros[n - 1]) : String());
  }
}

void TZSESkinFormatZCSPv3Converter::ConvertPlaylistSwitches() {
  bool done = MergeFrames(u"Playlist_off", u"Playlist_on", u"PlaylistSwitches", true);
  if (!done) {
    const TPixelMap on = LoadBitmapPixels(FSkin, u"Playlist_on");
    if (!on.Empty()) {
      TPixelMap merged(on.Width, 2 * on.Height);
      Blit(merged, TRect(0, on.Height, on.Width, 2 * on.Height), on, TRect(0, 0, on.Width, on.Height));
      FSkin->GetFiles()->Delete(u"Playlist_on", sfkBitmap);
      StoreBitmapPixels(FSkin, u"PlaylistSwitches", merged);
      done = true;
    }
  }
  if (!done) return;
  FIni->DeleteSection(u"Playlist_off");
  FIni->RenameSection(u"Playlist_on", u"PlaylistSwitches");
  EnsureTwoFrames(u"PlaylistSwitches");
}

void TZSESkinFormatZCSPv3Converter::DrawExpandButtons() {
  const TZCLPixel32 color = OpaquePixel(TColor(ColorOfFont(FIni->ReadString(u"Playlist", u"Header", String()))));
  TPixelMap map(26, 13);
  for (const Integer x : {0, 13}) {
    Frame(map, TRect(x + 2, 2, x + 11, 11), color);
    Fill(map, TRect(x + 4, 6, x + 9, 7), color);
  }
  Fill(map, TRect(6, 4, 7, 9), color);  // the plus sign's upright
  StoreBitmapPixels(FSkin, u"PlaylistExpandButtons", map);
  FIni->WriteInteger(u"PlaylistExpandButtons", u"SkinFrames", 2);
}

// ---- 2.11 -----------------------------------------------------------------------------------

void TZSESkinFormatZCSPv2Converter::Prepare() {
  TZCLIniFile* old = TZCLIniFile::CreateInMemory();
  TZCLIniFile* ini = FIni;
  try {
    old->Assign(ini);
    ini->Clear();
    CopySection(old, u"File", ini, u"File");
    CopySection(old, u"PARENTS", ini, SParents);
    CopySection(old, u"SKIN_VIRTUAL_OBJS", ini, u"Clones");
    const String widths = u"SKIN_WIDTHS", fonts = u"SKIN_FONTS", options = u"SKIN_OPTIONS";
    // A key moves when O has it as object + suffix.
    auto conditionalMove = [&](const String& Section, const String& Object, const String& NewKey,
                               const String& Suffix) {
      String value;
      if (!old->ReadValue(Section, Object + Suffix, value)) return;
      ini->WriteString(Object, NewKey, value);
      old->DeleteKey(Section, Object + Suffix);
    };
    auto move = [&](const String& Section, const String& Target, const String& Key) {
      ini->WriteString(Target, Key, old->ReadString(Section, Key, String()));
      old->DeleteKey(Section, Key);
    };
    auto stretch = [&](const String& Object, const String& Suffix) {
      Integer value;
      if (!TryStrToInt(old->ReadString(widths, Object + Suffix, String()), value) || value < 0) return;
      ini->WriteInteger(Object, u"StretchMode", value == 0 ? 1 : 0);
    };
    // The rest of the large sections, also after a failed step.
    auto finish = [&] {
      CopySection(old, widths, ini, u"Widths");
      ini->WriteString(u"Widths", u"TrayCtrlIndent", old->ReadString(u"TC_OPTIONS", u"OffsetInterval", u"2"));
      conditionalMove(options, u"Widths", u"QFI", String());
      for (const char16_t* key : {u"EQVISL", u"EQVISE"}) move(fonts, u"ZEPHEQDisplay", key);
      CopySection(old, fonts, ini, u"Fonts");
      for (const auto& [from, to] : {std::pair(u"Client", u"MainEquaFrame"), std::pair(u"switch_on", u"playlist_on"),
                                     std::pair(u"switch_off", u"playlist_off")})
        FSkin->GetFiles()->Rename(from, to, sfkBitmap);
    };
    try {
      const TRect eqButton = old->ReadRect(u"SKIN_OBJS", u"AnalogEQ_DSP");
      if (eqButton.Right > eqButton.Left && eqButton.Bottom > eqButton.Top)
        ini->WriteString(u"Clones", u"AnalogEQ_DSP", u"EQBTN");
      for (const String& key : SectionKeys(old, u"TC_PARENTS"))
        ini->WriteString(SParents, key, old->ReadString(u"TC_PARENTS", key, String()).empty() ? u"TCCTRL" : u"TCINFO");
      std::vector<String> eqObjects = {u"TempoSlider"};
      for (Integer i = 1; i <= 18; ++i) eqObjects.push_back(u"ZEPHSlider" + IntToStr(i));
      for (const char16_t* name : {u"ZEPHEQDisplay", u"Balance", u"CFG", u"Chorus", u"DSPBox", u"Echo", u"EQSwitch",
                                   u"Flanger", u"HideBtn", u"LIB", u"PitchSlider", u"Preamp", u"Reverb", u"Speed"})
        eqObjects.push_back(name);
      for (const String& name : eqObjects) ini->WriteString(SParents, name, u"EQ");

      for (const String& key : SectionKeys(old, u"SKIN_RECTS")) {
        const size_t bar = key.find(u'_');
        const String object = bar == String::npos ? String() : key.substr(0, bar);
        const String name = bar == String::npos ? key : key.substr(bar + 1);
        stretch(object, u"_Stretch");
        stretch(object, u"_SD");
        ini->WriteString(object, name, old->ReadString(u"SKIN_RECTS", key, String()));
        old->DeleteKey(u"SKIN_RECTS", key);
      }

      static const std::pair<const char16_t*, const char16_t*> parentBitmaps[] = {
          {u"Main", u"MainClient"}, {u"EQ", u"Client"}, {u"Top", u"TopPanel"}, {u"BTM", u"BottomPanel"}};
      for (const String& key : SectionKeys(old, u"SKIN_OBJS")) {
        const TRect r = old->ReadRect(u"SKIN_OBJS", key);
        if (r.Left == 0 && r.Top == 0 && r.Right == 0 && r.Bottom == 0) {
          FSkin->GetFiles()->Delete(key, sfkBitmap);
          continue;
        }
        ini->WriteRect(key, u"Bounds", r);
        const String parent = ini->ReadString(SParents, key, String());
        for (const auto& [alias, bitmap] : parentBitmaps)
          if (SameText(parent, alias)) {
            const TRect p = GetBitmapSize(bitmap);
            if (p.Right > p.Left && p.Bottom > p.Top) ini->WriteRect(key, u"ParentBounds", p);
          }
        conditionalMove(widths, key, u"Orientation", u"_HORIZONTAL");
        conditionalMove(widths, key, u"Digits", u"Digits");
        conditionalMove(u"SKIN_TEXTALIGNS", key, u"TextAlign", String());
        conditionalMove(widths, key, u"Style", u"style");
        conditionalMove(fonts, key, u"Font", String());
        conditionalMove(fonts, key, u"FontBK", u"_BK");
        conditionalMove(fonts, key, u"FontPopup", u"_NRMFONT");
        conditionalMove(fonts, key, u"Color", u"_Color");
        ini->WriteString(key, u"align", old->ReadString(widths, key + u"_align", u"0"));
        old->DeleteKey(widths, key + u"_align");
      }
      ini->RenameKey(u"QFICover", u"Font", u"Border");

      ini->WriteString(u"QuickSearch", u"align", old->ReadString(widths, u"QS_Align", String()));
      old->DeleteKey(widths, u"QS_Align");
      for (const char16_t* key : {u"CustomTab", u"ActiveTab"}) move(fonts, u"TabCtrl", key);
      for (const char16_t* key : {u"ActiveTabMargineOffset", u"ActiveTabTextOffset", u"CustomTabMargineOffset",
                                  u"CustomTabTextOffset", u"Offset", u"TabCtrlIsUp"})
        move(widths, u"TabCtrl", key);
      conditionalMove(options, u"Spectrum", u"Color", u"Color");
      conditionalMove(options, u"Spectrum", u"PeakColor", u"PeakColor");
      conditionalMove(options, u"Spectrum", u"Peaks", u"Peaks");

      ini->WriteRect(
          u"EquaForm", u"Extends",
          TRect(old->ReadInteger(u"SKIN_WIDTH", u"BorderL", 0), old->ReadInteger(u"SKIN_WIDTH", u"BorderT", -1),
                old->ReadInteger(u"SKIN_WIDTH", u"BorderR", 0), 0));

      for (const String& key : SectionKeys(old, widths))
        if (key.size() >= 6 && SameText(key.substr(0, 6), u"Switch")) {
          ini->WriteString(u"Playlist", key.size() > 7 ? key.substr(7) : String(),
                           old->ReadString(widths, key, String()));
          old->DeleteKey(widths, key);
        }
      for (const char16_t* name : {u"PlsLeftBar", u"PlsRightBar", u"PlsLBrdr", u"PlsRBrdr"}) stretch(name, u"_Stretch");
    } catch (...) {
      // What is left is carried over even when a step failed, before the error leaves.
      try {
        finish();
      } catch (...) {
      }
      throw;
    }
    finish();

    const bool tabsUp = ini->ReadBool(u"TabCtrl", u"TabCtrlIsUp", true);
    const AnsiString mainLayout =
        "<item Align=\"Top\" Control=\"MainFrame\"/><item Align=\"Client\" Control=\"PlaylistFrame\"/>";
    const AnsiString playlistLayout = AnsiString("<item Align=\"Top\" Control=\"TabCtrl\" Level=\"") +
                                      (tabsUp ? "0" : "1") + "\"/><item Align=\"Top\" Control=\"TopPanel\" Level=\"" +
                                      (tabsUp ? "1" : "0") +
                                      "\"/><item Align=\"Bottom\" Control=\"BottomPanel\"/><item Align=\"Client\" "
                                      "Control=\"Container\"/>";
    for (const auto& [name, text] :
         {std::pair(u"MainLayout", &mainLayout), std::pair(u"PlaylistLayout", &playlistLayout)})
      FSkin->GetFiles()->Add(name, sfkDocument,
                             [&](TStream* S) { S->WriteBuffer(text->data(), Integer(text->size())); });

    if (GetBitmapSize(u"QFIClient").Right <= 0) AddQuickFileInfo();
  } catch (...) {
    Free(old);
    throw;
  }
  Free(old);
  TZSESkinFormatZCSPv3Converter::Prepare();
}

void TZSESkinFormatZCSPv2Converter::AddQuickFileInfo() {
  const String fonts = u"Fonts";
  const TColor hintText = FIni->ReadColor(fonts, u"HintText", TColor(536870912));
  const TColor border = FIni->ReadColor(fonts, u"InfoBorderColor", TColor(536870912));
  const TColor hint = FIni->ReadColor(fonts, u"HintColor", TColor(16777215));
  const TColor infoHint = FIni->ReadColor(fonts, u"InfoHintColor", TColor(16777215));
  const TColor gray = FIni->ReadColor(fonts, u"HintGrayText", TColor(8421504));
  const TColor lite = FIni->ReadColor(fonts, u"LiteBorder", TColor(12632256));

  // The window's background: a vertical gradient, a frame, the title and two rules.
  TPixelMap back(322, 146);
  const TZCLPixel32 top = OpaquePixel(infoHint), bottom = OpaquePixel(hint);
  for (Integer y = 0; y < back.Height; ++y) {
    auto mix = [&](Byte A, Byte B) { return Byte(A + (Integer(B) - Integer(A)) * y / (back.Height - 1)); };
    Fill(back, TRect(0, y, back.Width, y + 1),
         TZCLPixel32{mix(top.B, bottom.B), mix(top.G, bottom.G), mix(top.R, bottom.R), 255});
  }
  Frame(back, TRect(0, 0, 322, 146), OpaquePixel(border));
  Fill(back, TRect(12, 82, 62, 83), OpaquePixel(lite));
  Fill(back, TRect(12, 120, 315, 121), OpaquePixel(lite));
  TZCLBitmap* bitmap = CreateBitmap(back);
  try {
    TCanvas* canvas = bitmap->GetCanvas();
    canvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
    canvas->GetFont()->SetName(u"Tahoma");
    canvas->GetFont()->SetHeight(-10);
    canvas->GetFont()->SetStyle(TFontStyles{fsBold});
    canvas->GetFont()->SetColor(gray);
    const String title = u"ZEPH2: Quick File Info";
    const TRect box(64, 4, 239, 18);
    const TSize extent = canvas->TextExtent(title);
    canvas->TextOut(box.Left + (box.Right - box.Left - extent.cx) / 2, box.Top + (box.Bottom - box.Top - extent.cy) / 2,
                    title);
    bitmap->Modified();
    FSkin->GetResources()->SaveBitmap(u"QFIClient", bitmap);
  } catch (...) {
    Free(bitmap);
    throw;
  }
  Free(bitmap);

  const String parentBounds = u"0,0,322,146";
  struct TLabel {
    const char16_t* Name;
    TRect Bounds;
    Integer Align;
    TColor Color;
    bool Bold;
  };
  const TLabel labels[] = {
      {u"QFIAlbum", TRect(12, 40, 215, 53), 0, hintText, false},
      {u"QFIArtist", TRect(12, 53, 215, 66), 0, hintText, false},
      {u"QFIGenre", TRect(12, 66, 215, 79), 0, hintText, false},
      {u"QFIDuration", TRect(12, 86, 150, 99), 0, hintText, true},
      {u"QFIYear", TRect(150, 66, 210, 79), 1, hintText, false},
      {u"QFIRating", TRect(155, 86, 220, 100), 1, hintText, false},
      {u"QFITitle", TRect(12, 25, 215, 37), 0, hintText, true},
      {u"QFIFileInfo", TRect(12, 102, 215, 115), 0, hintText, false},
      {u"QFIFileName", TRect(12, 126, 315, 138), 0, gray, false},
      {u"QFICover", TRect(220, 22, 315, 117), 0, border, false},
  };
  for (const TLabel& label : labels) {
    FIni->WriteRect(label.Name, u"Bounds", label.Bounds);
    FIni->WriteString(label.Name, u"ParentBounds", parentBounds);
    FIni->WriteInteger(label.Name, u"align", label.Align == 1 ? 1 : 0);
    FIni->WriteInteger(label.Name, u"TextAlign", label.Align);
    FIni->WriteString(SParents, label.Name, u"QFIClient");
    const String font = String(label.Name) == u"QFICover"
                            ? IntToStr(Integer(label.Color))
                            : u"Tahoma," + IntToStr(Integer(label.Color)) + u",11," + (label.Bold ? u"2" : u"0");
    FIni->WriteString(label.Name, u"Font", font);
  }

  struct TButton {
    const char16_t* Name;
    TRect Bounds;
    std::vector<TRect> Glyph;
  };
  // clang-format off
  const TButton buttons[] = {
      {u"QFIClose", TRect(302, 2, 318, 18),
       {{3, 3, 5, 5}, {4, 4, 6, 6}, {5, 5, 7, 7}, {6, 6, 10, 10}, {9, 5, 11, 7}, {10, 4, 12, 6}, {11, 3, 13, 5},
        {3, 11, 5, 13}, {4, 10, 6, 12}, {5, 9, 7, 11}, {9, 9, 11, 11}, {10, 10, 12, 12}, {11, 11, 13, 13}}},
      {u"QFICopyFile", TRect(282, 2, 298, 18),
       {{4, 3, 10, 4}, {4, 3, 5, 10}, {4, 9, 8, 10}, {9, 3, 10, 7}, {7, 6, 13, 7}, {7, 6, 8, 13}, {12, 6, 13, 13},
        {7, 12, 13, 13}}},
      {u"QFIEditTags", TRect(262, 2, 278, 18),
       {{3, 3, 4, 13}, {3, 3, 11, 4}, {3, 12, 11, 13}, {10, 3, 11, 13}, {12, 4, 14, 6}, {10, 5, 13, 7}, {9, 7, 12, 8},
        {8, 8, 11, 10}}},
      {u"QFICopyFileInfo", TRect(4, 2, 20, 18), {{7, 2, 10, 5}, {7, 6, 10, 12}, {5, 12, 12, 14}, {5, 6, 7, 8}}},
  };
  // clang-format on
  for (const TButton& button : buttons) {
    TPixelMap map(64, 16);
    Fill(map, TRect(0, 0, 64, 16), OpaquePixel(infoHint));
    for (const TRect& r : button.Glyph) Fill(map, r, OpaquePixel(border));
    for (const Integer x : {16, 32}) {
      Blit(map, TRect(x, 0, x + 16, 16), map, TRect(0, 0, 16, 16));
      Frame(map, TRect(x, 0, x + 16, 16), OpaquePixel(lite));
    }
    StoreBitmapPixels(FSkin, button.Name, map);
    FIni->WriteString(SParents, button.Name, u"QFIClient");
    FIni->WriteString(button.Name, u"ParentBounds", parentBounds);
    FIni->WriteRect(button.Name, u"Bounds", button.Bounds);
  }
}

void LegacyConvertersInitialize() {
  TZSESkinConverterList* converters = SkinConverters();
  converters->Add(TZSESkinFormatZCSPv30Converter::StaticClass());
  converters->Add(TZSESkinFormatZCSPv32Converter::StaticClass());
  converters->Add(TZSESkinFormatZCSPv33Converter::StaticClass());
  converters->Add(TZSESkinFormatZCSPv3Converter::StaticClass());
  converters->Add(TZSESkinFormatZCSPv2Converter::StaticClass());
}
