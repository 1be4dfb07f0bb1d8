#include "zse/formats/ZSE.Formats.Converters400.h"

#include <memory>
#include <vector>

#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/base/ZCL.Colors.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zcl/graphics/ZCL.Graphics.SkinImage.h"
#include "zse/engine/ZSE.Schema.h"

namespace {

template <class T>
using TOwned = std::unique_ptr<T, void (*)(TObject*)>;

constexpr Char SName[] = u"name";
constexpr Char SValue[] = u"value";

String Attr(TZCLXMLNode* Node, StringView Name) { return Node->GetAttributes()->GetValue(Name); }

bool Same(StringView A, StringView B) { return SameText(A, B); }

// Pixels of an image as rows of 32-bit pixels.
class TPixels {
 public:
  TPixels(Integer AWidth, Integer AHeight)
      : Width(AWidth), Height(AHeight), Data(static_cast<size_t>(std::max(0, AWidth * AHeight))) {}
  explicit TPixels(TZCLSkinImage* Image) : TPixels(Image->GetWidth(), Image->GetHeight()) {
    for (Integer y = 0; y < Height; ++y)
      for (Integer x = 0; x < Width; ++x) Image->GetPixel(x, y, At(x, y));
  }
  TZCLPixel32& At(Integer X, Integer Y) { return Data[static_cast<size_t>(Y * Width + X)]; }
  // Nearest-neighbour stretch of a source rectangle onto a target rectangle (clipped to both).
  void Stretch(TPixels& Source, const TRect& From, const TRect& To) {
    if (From.Width() <= 0 || From.Height() <= 0) return;
    for (Integer y = To.Top; y < To.Bottom; ++y)
      for (Integer x = To.Left; x < To.Right; ++x) {
        const Integer sx = From.Left + (x - To.Left) * From.Width() / std::max(1, To.Width());
        const Integer sy = From.Top + (y - To.Top) * From.Height() / std::max(1, To.Height());
        if (x < 0 || y < 0 || x >= Width || y >= Height || sx < 0 || sy < 0 || sx >= Source.Width ||
            sy >= Source.Height)
          continue;
        At(x, y) = Source.At(sx, sy);
      }
  }
  void Fill(const TRect& R, TZCLPixel32 P) {
    for (Integer y = std::max(0, R.Top); y < std::min(Height, R.Bottom); ++y)
      for (Integer x = std::max(0, R.Left); x < std::min(Width, R.Right); ++x) At(x, y) = P;
  }
  // A new image of these pixels.
  TZCLSkinImage* MakeImage(TZCLSkinImageLayout Layout, Integer Frames, const TRect& Margins) {
    auto* image = Create<TZCLSkinImage>();
    image->LoadFromBits(Data.data(), Width, Height);
    image->SetLayout(Layout);
    image->SetFrameCount(Frames);
    image->SetMargins(Margins);
    return image;
  }
  Integer Width, Height;
  std::vector<TZCLPixel32> Data;
};

TZCLPixel32 Pixel(TAlphaColor Color) { return TAlphaColorHelper::ToPixel(Color); }

TZCLXMLNode* FindChild(TZCLXMLNode* Node, StringView Name) {
  TZCLXMLNode* child = nullptr;
  return Node && XMLNodeFindByName(Node, Name, child) ? child : nullptr;
}

// Sets a child property's value, adding it when missing.
TZCLXMLNode* SetChild(TZCLXMLNode* Node, const String& Name, const String& Value) {
  TZCLXMLNode* child = XMLNodeFindOrAddProperty(Node, Name);
  child->GetAttributes()->SetValue(SValue, Value);
  return child;
}

}  // namespace

// ---- shared ------------------------------------------------------------------------------------

TZCLXMLNode* TZSESkinConverter400::InsertLink(TZCLXMLNode* Bindings, const String& Source, const String& SourcePin,
                                              const String& TargetPin) {
  TZCLXMLNode* link = Bindings->Add(u"link");
  link->GetAttributes()->SetValue(u"Source", Source);
  link->GetAttributes()->SetValue(u"SourcePin", SourcePin);
  link->GetAttributes()->SetValue(u"TargetPin", TargetPin);
  link->SetIndex(0);
  return link;
}

TZCLSkinImage* TZSESkinConverter400::LoadImage(const String& Name) {
  auto* image = Create<TZCLSkinImage>();
  try {
    FSkin->GetResources()->LoadImage(Name, image);
  } catch (...) {
    Free(image);
    throw;
  }
  return image;
}

void TZSESkinConverter400::SaveImage(const String& Name, TZCLSkinImage* Image) {
  FSkin->GetResources()->Save(Name, sfkImage, [&](TStream* Stream) { Image->SaveToStream(*Stream); });
}

// ---- 3.50 to 3.51 ------------------------------------------------------------------------------

void TZSESkinConverter350to351::ConvertMenu(TZCLXMLNode* Menu) {
  TZCLXMLNode* texture = FindChild(Menu, u"Texture");
  if (!texture) return;
  TOwned<TBitmap> bitmap(Create<TBitmap>(), &Free);
  FSkin->GetResources()->LoadBitmap(Attr(texture, SValue), bitmap.get());
  if (bitmap->GetWidth() == 0 || bitmap->GetHeight() == 0) return;
  Free(texture);
  TOwned<TZCLSkinImage> source(Create<TZCLSkinImage>(), &Free);
  source->LoadFromBitmap(bitmap.get());
  TPixels src(source.get());
  const Integer W = src.Width, H = src.Height;
  const Integer G = H == 45 ? 20 : 25;
  const Integer F = H == 65 ? 6 : 2;

  TPixels gutter(25, 20 * F);
  gutter.Stretch(src, TRect(0, 0, G, 20), TRect(0, 0, 25, 20));
  gutter.Stretch(src, TRect(0, 20, G, 40), TRect(0, 20, 25, 40));
  if (H == 65)
    for (Integer k = 0; k < 4; ++k)
      gutter.Stretch(src, TRect(k * G, 45, (k + 1) * G, 65), TRect(0, 40 + 20 * k, 25, 60 + 20 * k));
  TPixels body(std::max(0, W - G), 40);
  body.Stretch(src, TRect(G, 0, W, 20), TRect(0, 0, W - G, 20));
  body.Stretch(src, TRect(G, 20, W, 40), TRect(0, 20, W - G, 40));
  TPixels separator(std::max(0, W - G + 25), 5);
  separator.Stretch(src, TRect(0, 40, G, 45), TRect(0, 0, 25, 5));
  separator.Stretch(src, TRect(G, 40, W, 45), TRect(25, 0, W - G + 25, 5));

  struct TPiece {
    TPixels* Pixels;
    const Char* Name;
    const Char* Property;
    TRect Margins;
    Integer Frames;
  } pieces[] = {{&gutter, u"ContextMenu.TextureGutter", u"TextureGutter", TRect(4, 4, 4, 4), F},
                {&body, u"ContextMenu.Texture", u"Texture", TRect(4, 4, 4, 4), 2},
                {&separator, u"ContextMenu.TextureSeparator", u"TextureSeparator", TRect(28, 0, 4, 0), 1}};
  for (TPiece& piece : pieces) {
    TOwned<TZCLSkinImage> image(piece.Pixels->MakeImage(ilVertical, piece.Frames, piece.Margins), &Free);
    SaveImage(piece.Name, image.get());
    XMLNodeAddValue(Menu, piece.Property, piece.Name);
  }
}

void TZSESkinConverter350to351::ConvertObject(TZCLXMLNode* Object) {
  TZSESkinConverter400::ConvertObject(Object);
  if (!Same(Attr(Object, u"link"), u"Playlist")) return;
  TZCLXMLNode* resources = ConverterFindProperty(Object, u"Resources");
  TZCLXMLNode* color = FindChild(resources, u"HeaderBackgroundColor");
  if (!color) return;
  TPixels pixels(10, 10);
  pixels.Fill(TRect(0, 0, 10, 10), Pixel(static_cast<TAlphaColor>(color->GetAttributes()->GetValueAsInt64(SValue))));
  if (TZCLXMLNode* font = FindChild(resources, u"HeaderFont")) {
    String name;
    Integer fontColor = 0, height = 0, style = 0;
    zcStringToFont(Attr(font, SValue), name, fontColor, height, style);
    pixels.Fill(TRect(0, 8, 10, 9), Pixel(TAlphaColorHelper::FromColor(static_cast<TColor>(fontColor), 255)));
  }
  TOwned<TZCLSkinImage> image(pixels.MakeImage(ilVertical, 2, TRect(0, 0, 0, 3)), &Free);
  SaveImage(u"Playlist.HeaderBackground", image.get());
  SetChild(resources, u"HeaderBackground", u"Playlist.HeaderBackground");
}

void TZSESkinConverter350to351::ConvertLayoutItemProperty(TZCLXMLNode* Item, TZCLXMLNode* Property) {
  TZSESkinConverter400::ConvertLayoutItemProperty(Item, Property);
  if (!Same(Attr(Property, SName), u"Texture")) return;
  const String name = Attr(Property, SValue);
  TOwned<TZCLSkinImage> image(LoadImage(name), &Free);
  if (image->Empty()) return;
  if (image->GetHitTestMask() == ihtmMask && image->GetHitTestMaskFrameIndex() == 0) {
    image->SetHitTestMask(ihtmOpaque);
    SaveImage(name, image.get());
  }
}

// ---- 3.51 to 4.00 ------------------------------------------------------------------------------

TZSESkinConverter351to400::TZSESkinConverter351to400(TZSESkin* ASkin) : TZSESkinConverter400(ASkin) {
  auto framesPerState = [this](TZCLXMLNode* Object, bool Switch) {
    TZCLXMLNode* skin = ConverterFindProperty(Object, u"Skin");
    TOwned<TZCLSkinImage> image(LoadImage(skin ? Attr(skin, SValue) : String()), &Free);
    const Integer frames = image->GetFrameCount();
    const Integer value = Switch ? (frames > 7 ? 4 : 3) : (frames == 6 || frames == 7 ? 3 : 4);
    SetChild(ConverterProperties(Object, true), u"FramesPerState", IntToStr(value));
  };
  RegisterClassProc(u"Button", [framesPerState](TZCLXMLNode* O) { framesPerState(O, false); });
  RegisterClassProc(u"Switch", [framesPerState](TZCLXMLNode* O) { framesPerState(O, true); });
  RegisterClassProc(u"ScrollBar", [](TZCLXMLNode* O) { O->GetAttributes()->SetValue(u"class", u"ScrollBarVertical"); });
  RegisterClassProc(u"PlaylistTabs", [](TZCLXMLNode* O) {
    O->GetAttributes()->SetValue(u"class", u"TabControl");
    InsertLink(XMLNodeFindOrAddProperty(ConverterProperties(O, true), u"Bindings"), u"prvPlaylistManager", u"Action",
               u"Action");
  });
  RegisterClassProc(u"PlaylistBox", [](TZCLXMLNode* O) {
    O->GetAttributes()->SetValue(u"class", u"Button");
    TZCLXMLNode* properties = ConverterProperties(O, true);
    if (!XMLNodeRenameChild(properties, u"TextAlign", u"Alignment"))
      XMLNodeAddValue(properties, u"Alignment", u"taLeftJustify");
    SetChild(properties, u"PopupMenu", u"pmPlaylistList");
    InsertLink(XMLNodeFindOrAddProperty(properties, u"Bindings"), u"prvPlaylistManager", u"ActivePlaylistName",
               u"DisplayValue");
    TZCLXMLNode* font = FindChild(properties, u"Font");
    TZCLXMLNode* fonts = XMLNodeAddProperty(properties, u"Fonts");
    for (const Char* state : {u"Disabled", u"Hot", u"Normal", u"Pressed"}) {
      TZCLXMLNode* child = XMLNodeAddProperty(fonts, state);
      if (font) child->GetAttributes()->SetValue(SValue, Attr(font, SValue));
    }
  });
  RegisterClassProc(u"TextDisplay", [this](TZCLXMLNode* O) {
    TZCLXMLNode* skin = XMLNodeFindOrAddProperty(ConverterProperties(O, true), u"Skin");
    TOwned<TZCLSkinImage> image(LoadImage(Attr(skin, SValue)), &Free);
    if (image->GetFrameCount() > 1 && !(image->GetHitTestMask() == ihtmMask && image->GetHitTestMaskFrameIndex() == 1))
      skin->GetAttributes()->SetValue(u"CoverFrame", u"1");
  });
  for (const Char* cls : {u"RunningLine", u"SpectrogramDisplay", u"VisualDisplay", u"WaveFormDisplay"})
    RegisterClassProc(cls, [this](TZCLXMLNode* O) { CoverFrame(O); });
  RegisterClassProc(u"CoverArtDisplay", [this](TZCLXMLNode* O) { CoverArtDisplay(O); });
  RegisterClassProc(u"SpectrumDisplay", [this](TZCLXMLNode* O) { SpectrumDisplay(O); });
}

void TZSESkinConverter351to400::CoverFrame(TZCLXMLNode* Object) {
  TZCLXMLNode* skin = ConverterFindProperty(Object, u"Skin");
  if (!skin) return;
  TOwned<TZCLSkinImage> image(LoadImage(Attr(skin, SValue)), &Free);
  if (image->GetFrameCount() > 1) skin->GetAttributes()->SetValue(u"CoverFrame", u"1");
}

void TZSESkinConverter351to400::CoverArtDisplay(TZCLXMLNode* Object) {
  TZCLXMLNode* properties = ConverterProperties(Object, true);
  TZCLXMLNode* skin = XMLNodeFindOrAddProperty(properties, u"Skin");
  const String name = Attr(skin, SValue);
  TOwned<TZCLSkinImage> image(LoadImage(name), &Free);
  if (image->GetFrameCount() > 1) skin->GetAttributes()->SetValue(u"CoverFrame", u"2");
  if (image->GetFrameCount() > 2) {
    skin->GetAttributes()->SetValue(u"MaskFrame", u"3");
    skin->GetAttributes()->SetValue(u"MaskMode", u"1");
  }
  if (TZCLXMLNode* offsets = FindChild(properties, u"ContentOffsets"))
    image->SetContentOffsets(zcStringToRect(Attr(offsets, SValue)));
  TZCLXMLNode* border = FindChild(properties, u"BorderColor");
  if (image->Empty() && border && border->GetAttributes()->GetValueAsInteger(SValue) != 536870911) {
    TPixels pixels(4, 12);
    pixels.Fill(TRect(0, 0, 4, 12), TZCLPixel32{0, 0, 0, 0});
    const TZCLPixel32 line = Pixel(
        TAlphaColorHelper::FromColor(static_cast<TColor>(border->GetAttributes()->GetValueAsInteger(SValue)), 255));
    pixels.Fill(TRect(0, 8, 4, 9), line);
    pixels.Fill(TRect(0, 11, 4, 12), line);
    pixels.Fill(TRect(0, 8, 1, 12), line);
    pixels.Fill(TRect(3, 8, 4, 12), line);
    image.reset(pixels.MakeImage(ilVertical, 3, TRect(1, 1, 1, 1)));
  }
  SaveImage(name, image.get());
}

void TZSESkinConverter351to400::SpectrumDisplay(TZCLXMLNode* Object) {
  TZCLXMLNode* properties = ConverterProperties(Object, false);
  if (!properties) return;
  XMLNodeRenameChild(properties, u"PeakSegmentation", u"PeakColumnsSegmentation");
  TZCLXMLNode* orientation = FindChild(properties, u"Orientation");
  if (!orientation || Attr(orientation, SValue) != u"asoBottom") return;
  orientation->GetAttributes()->SetValue(SName, u"FlipVertically");
  orientation->GetAttributes()->SetValue(SValue, u"1");
  TZCLXMLNode* place = FindChild(properties, u"PlaceInfo");
  if (!place) return;
  const Integer h = zcStringToPoint(Attr(place, u"Size")).Y;
  for (const Char* property : {u"Skin", u"PeakColumns", u"PeakLimits"}) {
    TZCLXMLNode* node = FindChild(properties, property);
    if (!node) continue;
    const String name = Attr(node, SValue);
    TOwned<TZCLSkinImage> image(LoadImage(name), &Free);
    if (image->Empty()) continue;
    TPixels pixels(image.get());
    if (image->GetHeight() > h && h > 0 && image->GetStretchMode() == isTile) {
      TPixels top(pixels.Width, h);
      top.Stretch(pixels, TRect(0, 0, pixels.Width, h), TRect(0, 0, pixels.Width, h));
      pixels = top;
      image.reset(pixels.MakeImage(ilVertical, 1, TRect()));
    }
    // Each frame upside down: the frames of a vertical layout one by one, a horizontal one whole.
    const Integer frames = image->GetLayout() == ilVertical ? std::max(1, image->GetFrameCount()) : 1;
    const Integer frameHeight = pixels.Height / frames;
    TPixels flipped = pixels;
    for (Integer f = 0; f < frames; ++f)
      for (Integer y = 0; y < frameHeight; ++y)
        for (Integer x = 0; x < pixels.Width; ++x)
          flipped.At(x, f * frameHeight + y) = pixels.At(x, f * frameHeight + frameHeight - 1 - y);
    TOwned<TZCLSkinImage> result(flipped.MakeImage(image->GetLayout(), image->GetFrameCount(), image->GetMargins()),
                                 &Free);
    result->AssignParams(image.get());
    SaveImage(name, result.get());
  }
}

void TZSESkinConverter351to400::ConvertBinding(TZCLXMLNode* Link) {
  const String source = Attr(Link, u"Source");
  if (Same(source, u"acOpenFolder")) Link->GetAttributes()->SetValue(u"Source", u"acMainOpenFolder");
  if (Same(source, u"acSendTo")) Link->GetAttributes()->SetValue(u"Source", u"acCopyTo");
}

void TZSESkinConverter351to400::PlaylistResources(TZCLXMLNode* Resources) {
  XMLNodeRenameChild(Resources, u"Skin", u"Background");
  XMLNodeRenameChild(Resources, u"SkinMarks", u"ItemMarks");
  XMLNodeRenameChild(Resources, u"SkinSwitches", u"ItemSwitches");
  TZCLXMLNode* deadColor = FindChild(Resources, u"ItemTextColorDead");
  auto copy = [&](TZCLXMLNode* Group, std::initializer_list<const Char*> Targets, const String& Source, bool Dead) {
    TZCLXMLNode* source = FindChild(Resources, Source);
    for (const Char* target : Targets) {
      TZCLXMLNode* child = XMLNodeAddProperty(Group, target);
      if (!source) continue;
      String value = Attr(source, SValue);
      if (Dead && deadColor) {
        String name;
        Integer color = 0, height = 0, style = 0;
        zcStringToFont(value, name, color, height, style);
        value = zcFontToString(name, deadColor->GetAttributes()->GetValueAsInteger(SValue), height, style);
      }
      child->GetAttributes()->SetValue(SValue, value);
    }
  };
  for (const Char* line : {u"ItemLine1", u"ItemLine2"}) {
    const String base = String(line) + u"Font";
    TZCLXMLNode* group = XMLNodeAddProperty(Resources, String(line) + u"Fonts");
    copy(group, {u"Normal"}, base, false);
    copy(group, {u"Selected", u"SelectedFocused", u"SelectedInactive"}, base + u"Selected", false);
    copy(group, {u"Playing"}, base + u"Playing", false);
    copy(group, {u"PlayingSelected", u"PlayingSelectedFocused", u"PlayingSelectedInactive"}, base + u"SelectedPlaying",
         false);
    copy(group, {u"Dead"}, base, true);
    copy(group, {u"DeadSelected", u"DeadSelectedFocused", u"DeadSelectedInactive"}, base + u"Selected", true);
  }
  TZCLXMLNode* colors = XMLNodeAddProperty(Resources, u"ItemBackgroundColors");
  copy(colors, {u"Normal"}, u"ItemBackgroundColor", false);
  copy(colors, {u"Normal2"}, u"ItemBackgroundColor2", false);
  copy(colors, {u"Selected", u"SelectedFocused", u"SelectedInactive"}, u"ItemHighlightColorSelected", false);
  copy(colors, {u"Playing"}, u"ItemHighlightColorPlaying", false);
  copy(colors, {u"PlayingSelected", u"PlayingSelectedFocused", u"PlayingSelectedInactive"},
       u"ItemHighlightColorSelectedPlaying", false);
  TZCLXMLNode* header = XMLNodeAddProperty(Resources, u"HeaderBackgroundColors");
  copy(header, {u"Selected", u"SelectedFocused", u"SelectedInactive"}, u"HeaderHighlightColorSelected", false);
  TZCLXMLNode* headerFonts = XMLNodeAddProperty(Resources, u"HeaderFonts");
  copy(headerFonts, {u"Normal"}, u"HeaderFont", false);
  copy(headerFonts, {u"Selected", u"SelectedFocused", u"SelectedInactive"}, u"HeaderFontSelected", false);
}

void TZSESkinConverter351to400::ConvertObject(TZCLXMLNode* Object) {
  TZSESkinConverter400::ConvertObject(Object);
  const String link = Attr(Object, u"link");
  if (Same(link, u"Playlist")) {
    CoverFrame(Object);
    if (TZCLXMLNode* properties = ConverterProperties(Object, false)) {
      if (!FindChild(properties, u"PopupMenu")) XMLNodeAddValue(properties, u"PopupMenu", u"pmPlaylistMain");
      if (TZCLXMLNode* resources = FindChild(properties, u"Resources")) {
        ToAlpha(FindChild(resources, u"BackgroundColor"));
        PlaylistResources(resources);
      }
    }
  } else if (Same(link, u"PlaylistSearch")) {
    Object->GetAttributes()->SetValue(u"class", u"SearchEdit");
    Object->GetAttributes()->SetValue(SName, u"QuickSearchEdit");
    TZCLXMLNode* properties = ConverterProperties(Object, true);
    InsertLink(XMLNodeFindOrAddProperty(properties, u"Bindings"), u"Playlist", u"QuickSearch", u"Action");
    for (const Char* name : {u"Color", u"SelectionColor", u"SelectionTextColor"}) ToAlpha(FindChild(properties, name));
  }
}

void TZSESkinConverter351to400::ConvertProperty(TZCLXMLNode* Object, TZCLXMLNode* Property) {
  TZSESkinConverter400::ConvertProperty(Object, Property);
  const String name = Attr(Property, SName);
  if (name == u"ColorPreamp" || name == u"ColorCurve") ToAlpha(Property);
  if (name == u"Placement") {
    const Integer value = Property->GetAttributes()->GetValueAsInteger(SValue);
    const bool prevent = Same(Attr(Object, u"master"), u"TrayControl") || value == 0 || value == 2;
    Property->GetAttributes()->SetValue(u"PreventExceedScreenEdges", prevent ? u"1" : u"0");
  }
}

void TZSESkinConverter351to400::ConvertLayoutItemProperty(TZCLXMLNode* Item, TZCLXMLNode* Property) {
  TZSESkinConverter400::ConvertLayoutItemProperty(Item, Property);
  if (Same(Attr(Property, SName), u"ClipChildrens")) Property->GetAttributes()->SetValue(SName, u"ClipChildren");
}

void TZSESkinConverter351to400::ConvertSchema() {
  TZSESkinConverter400::ConvertSchema();
  AddResourcePackage(u"DEFAULT-MLW");
  TZCLXMLNode* forms = FSchema->FindNodeByPath({u"skin", u"forms"}, true);
  TZCLXMLNode* form = forms->Add(u"form");
  form->GetAttributes()->SetValue(u"master", u"ZEPHMainForm");
  form->GetAttributes()->SetValue(SName, u"MusicLibraryFrame");
  TZCLXMLNode* properties = form->Add(u"properties");
  XMLNodeAddValue(properties, u"CaptionAreaHeight", Integer(30));
  XMLNodeAddValue(properties, u"MagnetRectOffsets", u"5,5,5,5");
  XMLNodeAddValue(properties, u"SizingHitTestAreaWidth", Integer(5));
  XMLNodeAddValue(properties, u"DisplayName", u"@Lng:2;");
  XMLNodeAddValue(properties, u"InitialVisible", u"False");

  TZCLXMLNode* providers = FSchema->FindNodeByPath({u"skin", u"providers"}, true);
  struct TLink {
    const Char *Source, *Pin, *Target;
  };
  auto addProvider = [&](const Char* Name, const Char* Class, const Char* Expression,
                         std::initializer_list<TLink> Links) {
    TZCLXMLNode* provider = providers->Add(u"provider");
    provider->GetAttributes()->SetValue(SName, Name);
    provider->GetAttributes()->SetValue(u"class", Class);
    TZCLXMLNode* props = provider->Add(u"properties");
    if (Expression) XMLNodeAddValue(props, u"Expression", Expression);
    TZCLXMLNode* bindings = XMLNodeAddProperty(props, u"Bindings");
    for (const TLink& l : Links) {
      TZCLXMLNode* link = bindings->Add(u"link");
      link->GetAttributes()->SetValue(u"Source", l.Source);
      link->GetAttributes()->SetValue(u"SourcePin", l.Pin);
      link->GetAttributes()->SetValue(u"TargetPin", l.Target);
    }
  };
  addProvider(u"liLibraryContentBackgroundTaskInfoHelper1", u"LogicalOperatorDelayer", nullptr,
              {{u"prvMusicLibraryManager", u"BackgroundTaskCount", u"Value1"}});
  addProvider(u"liLibraryContentBackgroundTaskInfoHelper2", u"LogicalOperatorCommutator",
              u"if(Value2 > 0, Value1, Value2)",
              {{u"liLibraryContentBackgroundTaskInfoHelper1", u"Result", u"Value1"},
               {u"prvMusicLibraryManager", u"BackgroundTaskCount", u"Value2"}});
  addProvider(
      u"clfMLTableInfoHelper", u"StringOperatorConcatenator", u"%TextValue1 / %TextValue2 / %TextValue3",
      {{u"MLTable", u"Size", u"Value3"}, {u"MLTable", u"Duration", u"Value2"}, {u"MLTable", u"Count", u"Value1"}});

  TZCLXMLNode* localizations = FSchema->FindNodeByPath({u"skin", u"localizations"}, true);
  localizations->GetAttributes()->SetValue(u"default", u"English.lng");
  localizations->Add(u"item")->SetNodeValue(u"Russian.lng");
  localizations->Add(u"item")->SetNodeValue(u"English.lng");
}

// ---- 4.00 to 4.50 ------------------------------------------------------------------------------

TZSESkinConverter400To450::TZSESkinConverter400To450(TZSESkin* ASkin) : TZSESkinConverter400(ASkin) {
  RegisterClassProc(u"SearchEdit", [this](TZCLXMLNode* O) {
    TZCLXMLNode* skin = ConverterFindProperty(O, u"Skin");
    TZCLXMLNode* color = ConverterFindProperty(O, u"Color");
    if (!skin || !color) return;
    TOwned<TZCLSkinImage> image(LoadImage(Attr(skin, SValue)), &Free);
    if (!image->Empty()) color->GetAttributes()->SetValue(SValue, u"0");
  });
  RegisterClassProc(u"SpectrumDisplay", [](TZCLXMLNode* O) {
    TZCLXMLNode* properties = ConverterProperties(O, false);
    if (!properties) return;
    ToAlpha(FindChild(properties, u"Color"));
    ToAlpha(FindChild(properties, u"PeakColor"));
    if (TZCLXMLNode* menu = FindChild(properties, u"PopupMenu")) Free(menu);
    TZCLXMLNode* bindings = FindChild(properties, u"Bindings");
    if (bindings && bindings->GetCount() == 1 && Attr(bindings->GetNode(0), u"TargetPin").empty() &&
        Attr(bindings->GetNode(0), u"SourcePin").empty()) {
      bindings->Clear();
      bindings->GetAttributes()->SetValue(SName, u"Bindings");
      TZCLXMLNode* link = bindings->Add(u"link");
      link->GetAttributes()->SetValue(u"Source", u"prvVisual");
      link->GetAttributes()->SetValue(u"SourcePin", u"DisplayValue");
      link->GetAttributes()->SetValue(u"TargetPin", u"DisplayValue");
    }
  });
  auto scrollBar = [this](TZCLXMLNode* O) {
    TZCLXMLNode* offsets = ConverterFindProperty(O, u"SkinThumbOffsets");
    TZCLXMLNode* thumb = ConverterFindProperty(O, u"SkinThumb");
    if (!offsets || !thumb) return;
    const String name = Attr(thumb, SValue);
    TOwned<TZCLSkinImage> image(LoadImage(name), &Free);
    image->SetContentOffsets(zcStringToRect(Attr(offsets, SValue)));
    SaveImage(name, image.get());
  };
  RegisterClassProc(u"ScrollBarHorizontal", scrollBar);
  RegisterClassProc(u"ScrollBarVertical", scrollBar);
}

void TZSESkinConverter400To450::ConvertForm(TZCLXMLNode* Form) {
  FHasLinkedObjects = false;
  TZSESkinConverter400::ConvertForm(Form);
  if (FHasLinkedObjects)
    if (TZCLXMLNode* properties = Form->FindNode(u"properties")) SetChild(properties, u"RegisterInMenu", u"True");
}

void TZSESkinConverter400To450::ConvertObject(TZCLXMLNode* Object) {
  TZSESkinConverter400::ConvertObject(Object);
  if (Object->GetAttributes()->Exists(u"link")) FHasLinkedObjects = true;
}

void TZSESkinConverter400To450::ConvertSchema() {
  TZSESkinConverter400::ConvertSchema();
  AddResourcePackage(u"DEFAULT-LYRICSBOX");
  TZCLXMLNode* forms = FSchema->FindNodeByPath({u"skin", u"forms"}, true);
  // One key free in both language files, so that each names the lyrics window in its language.
  const Integer key =
      AddSkinCustom(std::vector<String>{u"Russian", u"English"}, std::vector<String>{u"Текст песни", u"Lyrics Box"});
  TZCLXMLNode* form = forms->Add(u"form");
  form->GetAttributes()->SetValue(u"master", u"ZEPHMainForm");
  form->GetAttributes()->SetValue(SName, u"LyricsFrame");
  TZCLXMLNode* properties = form->Add(u"properties");
  XMLNodeAddValue(properties, u"CaptionAreaHeight", Integer(30));
  XMLNodeAddValue(properties, u"DisplayName", u"@Lng:" + IntToStr(key) + u";");
  XMLNodeAddValue(properties, u"InitialVisible", u"False");
  XMLNodeAddValue(properties, u"MagnetRectOffsets", u"5,5,5,5");
  XMLNodeAddValue(properties, u"RegisterInMenu", u"True");
  XMLNodeAddValue(properties, u"SizingHitTestAreaWidth", Integer(5));
}

void TZSESkinConverter400To450::Convert() {
  TZSESkinConverter400::Convert();
  TOwned<TZCLSkinImage> tray(LoadImage(u"TrayIcons"), &Free);
  tray->SetLayout(ilHorizontal);
  tray->SetFrameCount(4);
  SaveImage(u"TrayIcons", tray.get());
  TOwned<TZCLSkinImage> menu(LoadImage(u"MenuImages"), &Free);
  menu->SetLayout(ilHorizontal);
  menu->SetFrameCount(menu->GetHeight() > 0 ? menu->GetWidth() / menu->GetHeight() : 0);
  SaveImage(u"MenuImages", menu.get());
}

void FormatConverters400Initialize() {
  for (TZSESkinConverterClass step : {static_cast<TZSESkinConverterClass>(TZSESkinConverter350to351::StaticClass()),
                                      static_cast<TZSESkinConverterClass>(TZSESkinConverter351to400::StaticClass()),
                                      static_cast<TZSESkinConverterClass>(TZSESkinConverter400To450::StaticClass())}) {
    TZSESkinConverterClass existing;
    if (!SkinConverters()->Find(step->GetSourceVersion(), existing)) SkinConverters()->Add(step);
  }
}
