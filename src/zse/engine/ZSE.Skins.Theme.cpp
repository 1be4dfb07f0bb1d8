#include "zse/engine/ZSE.Skins.Theme.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "rtl/RTL.Format.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"
#include "rtl/RTL.TypInfo.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.MUI.h"
#include "vcl/VCL.Forms.h"
#include "zcl/graphics/ZCL.Graphics.SkinImage.h"
#include "zcl/ui/ZCL.UI.ImageList.h"
#include "zcl/ui/ZCL.UI.Resources.Texture.h"
#include "zcl/ui/ZCL.UI.SkinImageSet.h"
#include "zse/engine/ZSE.Schema.h"

// ---- scale factors -----------------------------------------------------------------------------

Integer ScaleFactorToPercent(TZSEScalingFactor Factor) {
  static constexpr Integer kPercent[] = {0, 100, 125, 150, 175, 200, 225, 250, 300, 350, 400, 450, 500};
  return Factor <= sf500 ? kPercent[Factor] : 0;
}

Integer ScaleFactorToDPI(TZSEScalingFactor Factor) {
  return Factor == sfAuto ? 0 : 96 * ScaleFactorToPercent(Factor) / 100;
}

String ScaleFactorToText(TZSEScalingFactor Factor) {
  return Format(u"%d%% / %d dpi", {ScaleFactorToPercent(Factor), ScaleFactorToDPI(Factor)});
}

std::vector<TZSEScalingFactor> ScaleFactorsToList(TZSEScaleFactors Factors) {
  std::vector<TZSEScalingFactor> list;
  for (Integer f = sf100; f <= sf500; ++f)
    if (Factors.Contains(TZSEScalingFactor(f))) list.push_back(TZSEScalingFactor(f));
  return list;
}

// ---- TZSESkinManifest --------------------------------------------------------------------------

namespace {
// An integer other than 0, or "true" in any case.
bool AttributeBool(TZCLXMLNode* Node, StringView Name, bool Default) {
  String text;
  if (!Node->GetAttributes()->TryGetValue(Name, text)) return Default;
  Int64 number = 0;
  if (TryStrToInt64(text, number)) return number != 0;
  return SameText(text, u"true");
}

String BoolText(bool Value) { return Value ? u"1" : u"0"; }

PTypeInfo ScaleFactorsType() { return TypeInfo<TZSEScaleFactors>(); }
}  // namespace

TZSESkinManifest::~TZSESkinManifest() {
  if (FCurrent == this) FCurrent = nullptr;
}

void TZSESkinManifest::DeclareProperties(TClassDeclaration<TZSESkinManifest>& D) {
  D.Property(u"AllowColoration", &TZSESkinManifest::GetAllowColoration, &TZSESkinManifest::SetAllowColoration)
      .Default(true);
  D.Property(u"AutoAdjustForInBetweenScaleFactors", &TZSESkinManifest::GetAutoAdjustForInBetweenScaleFactors,
             &TZSESkinManifest::SetAutoAdjustForInBetweenScaleFactors)
      .Default(true);
  D.Property(u"AutoAdjustForUnsupportedScaleFactors", &TZSESkinManifest::GetAutoAdjustForUnsupportedScaleFactors,
             &TZSESkinManifest::SetAutoAdjustForUnsupportedScaleFactors)
      .Default(true);
  D.Property(u"CompatibilityMode", &TZSESkinManifest::GetCompatibilityMode, &TZSESkinManifest::SetCompatibilityMode)
      .Default(cmvUndefined);
  D.Property(u"ID", &TZSESkinManifest::GetID, &TZSESkinManifest::SetID);
  D.Property(u"SupportedScaleFactors", &TZSESkinManifest::GetSupportedScaleFactors,
             &TZSESkinManifest::SetSupportedScaleFactors)
      .Default(TZSEScaleFactors{});
}

void TZSESkinManifest::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TZSESkinManifest*>(Source);
  if (!source) {
    inherited::Assign(Source);
    return;
  }
  FAllowColoration = source->FAllowColoration;
  FAutoAdjustForInBetweenScaleFactors = source->FAutoAdjustForInBetweenScaleFactors;
  FAutoAdjustForUnsupportedScaleFactors = source->FAutoAdjustForUnsupportedScaleFactors;
  FCompatibilityMode = source->FCompatibilityMode;
  FID = source->FID;
  FSupportedScaleFactors = source->FSupportedScaleFactors;
}

void TZSESkinManifest::SetSupportedScaleFactors(TZSEScaleFactors Value) {
  Value.Exclude(sfAuto);  // a set of real factors only
  FSupportedScaleFactors = Value;
}

void TZSESkinManifest::Reset() {
  FAllowColoration = true;
  FAutoAdjustForInBetweenScaleFactors = true;
  FAutoAdjustForUnsupportedScaleFactors = true;
  FCompatibilityMode = cmvUndefined;
  FID.clear();
  FSupportedScaleFactors = TZSEScaleFactors();
}

void TZSESkinManifest::LoadFromXML(TZCLXMLNode* Skin) {
  Reset();
  if (!Skin) return;
  TZCLXMLAttributes* a = Skin->GetAttributes();
  FID = a->GetValueDef(u"ID", String());
  FAllowColoration = AttributeBool(Skin, u"AllowColoration", true);
  String factors;
  if (a->TryGetValue(u"ScaleFactors", factors)) {
    // A damaged list counts as none rather than stopping the skin from loading.
    try {
      SetSupportedScaleFactors(TZSEScaleFactors::FromInteger(StringToSet(ScaleFactorsType(), factors)));
    } catch (const Exception&) {
      FSupportedScaleFactors = TZSEScaleFactors();
    }
  }
  FAutoAdjustForInBetweenScaleFactors = AttributeBool(Skin, u"AutoAdjustForInBetweenScaleFactors", true);
  FAutoAdjustForUnsupportedScaleFactors = AttributeBool(Skin, u"AutoAdjustForUnsupportedScaleFactors", true);
  // Modes this engine does not know are treated as undefined, never stored as an unnamed value.
  Int64 mode = 0;
  if (TryStrToInt64(a->GetValueDef(u"CompatibilityMode", String()), mode) && mode >= cmvUndefined && mode <= cmv500)
    FCompatibilityMode = TZSECompatibilityMode(mode);
}

void TZSESkinManifest::SaveToXML(TZCLXMLNode* Skin) const {
  TZCLXMLAttributes* a = Skin->GetAttributes();
  a->SetValue(u"ID", FID);
  a->SetValue(u"AllowColoration", BoolText(FAllowColoration));
  if (FCompatibilityMode != cmvUndefined)
    a->SetValueAsInteger(u"CompatibilityMode", FCompatibilityMode);
  else
    a->Remove(u"CompatibilityMode");
  if (!FSupportedScaleFactors.Empty()) {
    a->SetValue(u"ScaleFactors", SetToString(ScaleFactorsType(), Int64(FSupportedScaleFactors.ToInteger()), true));
    a->SetValue(u"AutoAdjustForInBetweenScaleFactors", BoolText(FAutoAdjustForInBetweenScaleFactors));
    a->SetValue(u"AutoAdjustForUnsupportedScaleFactors", BoolText(FAutoAdjustForUnsupportedScaleFactors));
  } else {
    a->Remove(u"ScaleFactors");
    a->Remove(u"AutoAdjustForInBetweenScaleFactors");
    a->Remove(u"AutoAdjustForUnsupportedScaleFactors");
  }
}

void TZSESkinManifest::GetScaling(Integer TargetDPI, Integer& SkinDPI, Integer& Numerator, Integer& Denominator) const {
  TZSEScalingFactor factor = sf100;
  bool adjust = true;
  const std::vector<TZSEScalingFactor> list = ScaleFactorsToList(FSupportedScaleFactors);
  if (!list.empty()) {
    if (ScaleFactorToDPI(list.back()) < TargetDPI) {
      factor = list.back();
      adjust = FAutoAdjustForUnsupportedScaleFactors;
    } else {
      factor = list.front();
      for (TZSEScalingFactor g : list) {
        if (FAutoAdjustForInBetweenScaleFactors) {
          if (TargetDPI >= ScaleFactorToDPI(g)) factor = g;
        } else if (std::abs(ScaleFactorToDPI(g) - TargetDPI) < std::abs(ScaleFactorToDPI(factor) - TargetDPI)) {
          factor = g;
        }
      }
      adjust = FAutoAdjustForInBetweenScaleFactors;
    }
  }
  if (!adjust || TargetDPI <= 0) {
    SkinDPI = ScaleFactorToDPI(factor);
    Numerator = 1;
    Denominator = 1;
    return;
  }
  SkinDPI = TargetDPI;
  Numerator = TargetDPI;
  Denominator = ScaleFactorToDPI(factor);
  for (Integer d = 2; d <= Numerator && d <= Denominator;) {
    if (Numerator % d == 0 && Denominator % d == 0) {
      Numerator /= d;
      Denominator /= d;
    } else {
      ++d;
    }
  }
}

// ---- theme styles ------------------------------------------------------------------------------

namespace {
// The style's slot resources under their default identifiers, replacing what was there.
void MirrorStyle(TZCLStyle* Style, TZCLResourceCollection* Collection) {
  Collection->BeginUpdate();
  try {
    Collection->GetItems()->Clear();
    Style->EnumResources([&](TZCLResource* r) {
      if (!r->GetDefaultID().empty()) Collection->GetItems()->Add(r, String());
    });
  } catch (...) {
    Collection->EndUpdate();
    throw;
  }
  Collection->EndUpdate();
}
}  // namespace

TZSESkinThemeStyleCollection::TZSESkinThemeStyleCollection(TZSESkinTheme* ATheme)
    : TZCLResourceCollection(nullptr), FTheme(ATheme) {}

TZCLResource* TZSESkinThemeStyleCollection::DoGetResource(const String& ID, TZCLResourceClass ResourceClass,
                                                          TObject* Sender) {
  return FTheme ? FTheme->GetResource(ID, ResourceClass, Sender) : inherited::DoGetResource(ID, ResourceClass, Sender);
}

TZSESkinThemeStyleHint::TZSESkinThemeStyleHint(TObject* AOwner)
    : TZSEStyleHint(AOwner), FPrivate(Create<TZSESkinThemeStyleCollection>(dynamic_cast<TZSESkinTheme*>(AOwner))) {}

TZSESkinThemeStyleHint::~TZSESkinThemeStyleHint() { Free(FPrivate); }

void TZSESkinThemeStyleHint::DoChanged(TZCLPersistentChanges Changes) {
  inherited::DoChanged(Changes);
  MirrorStyle(this, FPrivate);
}

void TZSESkinThemeStyleHint::DoReset() {
  inherited::DoReset();
  Changed(1);
}

void TZSEImageListDrawOptions::DeclareProperties(TClassDeclaration<TZSEImageListDrawOptions>& D) {
  D.Property(u"AutoColoration", &TZSEImageListDrawOptions::GetAutoColoration,
             &TZSEImageListDrawOptions::SetAutoColoration)
      .Default(false);
}

void TZSEImageListDrawOptions::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TZSEImageListDrawOptions*>(Source)) {
    FAutoColoration = source->FAutoColoration;
    return;
  }
  inherited::Assign(Source);
}

TZSESkinThemeStyleMenu::TZSESkinThemeStyleMenu(TObject* AOwner)
    : TZCLStylePopupMenu(AOwner),
      FPrivate(Create<TZSESkinThemeStyleCollection>(dynamic_cast<TZSESkinTheme*>(AOwner))),
      FGlyphsDrawOptions(Create<TZSEImageListDrawOptions>()) {}

TZSESkinThemeStyleMenu::~TZSESkinThemeStyleMenu() {
  Free(FGlyphsDrawOptions);
  Free(FPrivate);
}

void TZSESkinThemeStyleMenu::DeclareProperties(TClassDeclaration<TZSESkinThemeStyleMenu>& D) {
  D.Property(u"Glyphs", 10, &TZCLStyle::GetTexture, &TZCLStyle::SetTexture);
  D.Property(u"GlyphsDrawOptions", &TZSESkinThemeStyleMenu::GetGlyphsDrawOptions,
             &TZSESkinThemeStyleMenu::SetGlyphsDrawOptions);
}

void TZSESkinThemeStyleMenu::InitializeResources() {
  inherited::InitializeResources();
  GetTexture(10)->InitializeDefault(u"Menu.Textures.Glyphs");
}

TZCLResource* TZSESkinThemeStyleMenu::GetResource(const String& ID, TZCLResourceClass ResourceClass, TObject* Sender) {
  if (TZSESkinTheme* theme = FPrivate->GetTheme()) return theme->GetResource(ID, ResourceClass, Sender);
  return inherited::GetResource(ID, ResourceClass, Sender);
}

void TZSESkinThemeStyleMenu::DoChanged(TZCLPersistentChanges Changes) {
  inherited::DoChanged(Changes);
  MirrorStyle(this, FPrivate);
  if (OnChange) OnChange(this);
}

void TZSESkinThemeStyleMenu::DoReset() {
  inherited::DoReset();
  FGlyphsDrawOptions->Reset();
  // The slots were freed and made anew: the mirror and the glyph image lists must follow.
  Changed(1);
}

void TZSESkinThemeStyleMisc::DeclareProperties(TClassDeclaration<TZSESkinThemeStyleMisc>& D) {
  D.Property(u"FloatArrow", 0, &TZCLStyle::GetTexture, &TZCLStyle::SetTexture);
  D.Property(u"FloatArrowVert", 1, &TZCLStyle::GetTexture, &TZCLStyle::SetTexture);
  D.Property(u"TrayIcons", 2, &TZCLStyle::GetTexture, &TZCLStyle::SetTexture);
}

// ---- TZSESkinTheme -----------------------------------------------------------------------------

TZSESkinTheme* TZSESkinTheme::FCurrent = nullptr;

TZSESkinTheme::TZSESkinTheme(TComponent* AOwner) : TZCLResourceCollection(AOwner) {
  FStyleHint = Create<TZSESkinThemeStyleHint>(static_cast<TObject*>(this));
  FStyleMenu = Create<TZSESkinThemeStyleMenu>(static_cast<TObject*>(this));
  FStyleMenu->OnChange = TNotifyEvent(this, &TZSESkinTheme::MenuChanged);
  FStyleMisc = Create<TZSESkinThemeStyleMisc>(static_cast<TObject*>(this));
  FStyleHint->SetCollection(this);
  FStyleMenu->SetCollection(this);
  FStyleMisc->SetCollection(this);
}

TZSESkinTheme::~TZSESkinTheme() {
  if (FCurrent == this) FCurrent = nullptr;
  ClearImageLists();
  Free(FStyleMisc);
  Free(FStyleMenu);
  Free(FStyleHint);
}

void TZSESkinTheme::DeclareProperties(TClassDeclaration<TZSESkinTheme>& D) {
  D.Property(u"StyleHint", &TZSESkinTheme::GetStyleHint);
  D.Property(u"StyleMenu", &TZSESkinTheme::GetStyleMenu);
  D.Property(u"StyleMisc", &TZSESkinTheme::GetStyleMisc);
}

void TZSESkinTheme::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
}

void TZSESkinTheme::MenuChanged(TObject*) { FImageListsInvalid = true; }

void TZSESkinTheme::ClearImageLists() {
  for (TZCLImageList* list : FImageLists) Free(list);
  FImageLists.clear();
}

TZCLSkinImage* TZSESkinTheme::GetFloatArrowImage(Integer Side, Integer DPI) {
  TZCLResourceTexture* texture = (Side == 2 || Side == 3) ? FStyleMisc->GetFloatArrowVert() : FStyleMisc->GetFloatArrow();
  texture->SetTargetDPI(DPI);
  return texture->GetImage(DPI, TZCLBoolean::Default);
}

Integer TZSESkinTheme::GetFloatArrowSize(Integer DPI) {
  auto frame = [DPI](TZCLResourceTexture* Texture) {
    TZCLSkinImageSet* set = Texture->GetImageSet();
    TZCLSkinImageSetItem* item = set ? set->GetBestFit(DPI) : nullptr;
    if (!item || item->Empty()) return TSize(0, 0);
    return TSize(MulDiv(item->FrameWidth(), DPI, item->GetDPI()), MulDiv(item->FrameHeight(), DPI, item->GetDPI()));
  };
  return std::max(frame(FStyleMisc->GetFloatArrow()).cx, frame(FStyleMisc->GetFloatArrowVert()).cy);
}

TZCLImageList* TZSESkinTheme::GetMenuImages(Integer DPI) {
  if (FImageListsInvalid) {
    FImageListsInvalid = false;
    ClearImageLists();
    TZCLResourceTexture* glyphs = FStyleMenu->GetGlyphs();
    if (TZCLSkinImageSet* set = glyphs->GetImageSet()) {
      const TZCLColorSchema schema = glyphs->GetActualColorSchema();
      for (Integer i = 0; i < set->GetCount(); ++i)
        if (!set->GetItem(i)->Empty()) FImageLists.push_back(CreateImageList(set->GetItem(i), schema));
    }
  }
  TZCLImageList* best = nullptr;
  for (TZCLImageList* list : FImageLists)
    if (!best || std::abs(list->GetSourceDPI() - DPI) < std::abs(best->GetSourceDPI() - DPI)) best = list;
  return best;
}

bool TZSESkinTheme::GetTrayIcon(TZCLResourceTexture* Texture, Integer Index, TBitmap* Icon) {
  TZCLSkinImageSet* set = Texture ? Texture->GetImageSet() : nullptr;
  const Integer dpi = Screen ? Screen->GetPixelsPerInch() : 96;
  TZCLSkinImageSetItem* item = set ? set->GetBestFit(dpi) : nullptr;
  if (!item || !item->HasPixels()) return false;
  TZCLImageList* list = CreateImageList(item, Texture->GetActualColorSchema());
  const bool found = list->GetBitmap(Index, Icon);
  Free(list);
  return found;
}

TZCLImageList* TZSESkinTheme::CreateImageList(TZCLSkinImageSetItem* Item, const TZCLColorSchema& Schema) {
  auto* list = Create<TZCLImageList>(static_cast<TComponent*>(nullptr));
  const Integer fw = std::max<Integer>(1, Item->FrameWidth()), fh = std::max<Integer>(1, Item->FrameHeight());
  list->SetColorDepth(cd32Bit);
  list->TImageList::SetSize(fw, fh);
  list->SetSourceDPI(Item->GetDPI());
  if (!Item->HasPixels()) return list;
  // A recoloured copy, so the item itself keeps its colours.
  auto* copy = Create<TZCLSkinImage>();
  auto whole = std::make_unique<TBitmap>();
  auto strip = std::make_unique<TBitmap>();
  try {
    copy->Assign(Item);
    copy->ApplyColorSchema(Schema);
    copy->SaveToBitmap(whole.get());
    whole->SetPixelFormat(TPixelFormat::pf32bit);
    const Integer count = std::max<Integer>(1, Item->GetFrameCount());
    // The list cuts its images from a strip laid out left to right.
    strip->SetPixelFormat(TPixelFormat::pf32bit);
    strip->SetSize(fw * count, fh);
    for (Integer i = 0; i < count; ++i) {
      const TRect r = Item->GetFrameRect(i);
      for (Integer y = 0; y < std::min(fh, r.Height()); ++y)
        std::memcpy(static_cast<Byte*>(strip->ScanLine(y)) + size_t(i) * fw * 4,
                    static_cast<const Byte*>(whole->ScanLine(r.Top + y)) + size_t(r.Left) * 4,
                    size_t(std::min(fw, r.Width())) * 4);
    }
    strip->Modified();
    list->Add(strip.get());
  } catch (...) {
    Free(copy);
    Free(list);
    throw;
  }
  Free(copy);
  return list;
}

void TZSESkinTheme::BeginUpdate() {
  ++FUpdateCount;
  inherited::BeginUpdate();
}

void TZSESkinTheme::EndUpdate() {
  inherited::EndUpdate();
  if (--FUpdateCount == 0 && !FInChange) DoResourceChanged(nullptr);
}

void TZSESkinTheme::DoResourceChanged(TZCLResource* Resource) {
  if (FUpdateCount != 0 || FInChange) return;
  // The base brackets its work with BeginUpdate and EndUpdate, which must not start it again.
  FInChange = true;
  try {
    inherited::DoResourceChanged(Resource);
  } catch (...) {
    FInChange = false;
    throw;
  }
  FInChange = false;
  // The styles' collections ask the theme for what they lack without listening to it (their
  // styles' own changes refill them while the theme tells its listeners): told here, after.
  FStyleHint->GetPrivateCollection()->DoResourceChanged(nullptr);
  FStyleMenu->GetPrivateCollection()->DoResourceChanged(nullptr);
}

void TZSESkinTheme::ApplyColorSchema(const TZCLColorSchema& Schema) {
  BeginUpdate();
  try {
    inherited::ApplyColorSchema(Schema);
    FStyleHint->ApplyColorSchema(Schema);
    FStyleMenu->ApplyColorSchema(Schema);
    FStyleMisc->ApplyColorSchema(Schema);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

namespace {
void LoadStyle(TZSESchema* Schema, TZCLStyle* Style, TZCLXMLNode* Node) {
  Style->BeginUpdate();
  try {
    Style->Reset();
    if (Node) Schema->LoadProperties(Style, Node);
  } catch (...) {
    Style->EndUpdate();
    throw;
  }
  Style->EndUpdate();
}
}  // namespace

void TZSESkinTheme::LoadFromXML(TZSESchema* Schema, TZCLXMLNode* Document) {
  BeginUpdate();
  try {
    TZCLXMLNode* properties = Document ? Document->FindNodeByPath({u"skin", u"properties"}) : nullptr;
    TZCLResourceCollectionItems* items = GetItems();
    items->BeginUpdate();
    try {
      items->Clear();
      if (TZCLXMLNode* resources = properties ? properties->FindNode(u"resources") : nullptr)
        for (Integer i = 0; i < resources->GetCount(); ++i)
          Schema->LoadProperties(items->TCollection::Add(), resources->GetNode(i));
    } catch (...) {
      items->EndUpdate();
      throw;
    }
    items->EndUpdate();
    LoadStyle(Schema, FStyleHint, properties ? properties->FindNode(u"hint") : nullptr);
    LoadStyle(Schema, FStyleMenu, properties ? properties->FindNode(u"menu") : nullptr);
    LoadStyle(Schema, FStyleMisc, properties ? properties->FindNode(u"misc") : nullptr);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TZSESkinTheme::SaveToXML(TZSESchema* Schema, TZCLXMLNode* Document) {
  TZCLXMLNode* properties = Document->FindNodeByPath({u"skin", u"properties"}, true);
  TZCLXMLNode* resources = properties->FindNodeByPath({u"resources"}, true);
  for (Integer i = 0; i < GetItems()->GetCount(); ++i)
    Schema->SaveProperties(GetItems()->GetItem(i), resources->Add(u"item"), String());
  Schema->SaveProperties(FStyleMenu, properties->FindNodeByPath({u"menu"}, true), String());
  Schema->SaveProperties(FStyleHint, properties->FindNodeByPath({u"hint"}, true), String());
  Schema->SaveProperties(FStyleMisc, properties->FindNodeByPath({u"misc"}, true), String());
}

String TZSESkinTheme::GenerateResourceID(TZCLResourceClass ResourceClass, const String& Base) {
  const String base = !Base.empty() ? Base : u"Skin." + TZCLResource::GetTypeName(ResourceClass) + u".New";
  String id = base;
  for (Integer n = 1; GetItems()->FindItem(id); ++n) id = base + IntToStr(n);
  return id;
}

// ---- TZSECustomLocalizations -------------------------------------------------------------------

namespace {
String WithoutExtension(const String& FileName) {
  const size_t slash = FileName.find_last_of(u"/\\");
  const size_t dot = FileName.rfind(u'.');
  return dot != String::npos && (slash == String::npos || dot > slash) ? FileName.substr(0, dot) : FileName;
}
}  // namespace

TZCLIniFile* TZSECustomLocalizations::Add(const String& FileName) {
  const String name = WithoutExtension(FileName);
  auto at = std::lower_bound(FItems.begin(), FItems.end(), name,
                             [](const TItem& I, const String& N) { return CompareText(I.Name, N) < 0; });
  TZCLIniFile* file = TZCLIniFile::CreateInMemory();
  FItems.insert(at, TItem{name, file});
  return file;
}

bool TZSECustomLocalizations::Find(const String& Name, TZCLIniFile*& File) const {
  File = nullptr;
  for (const TItem& item : FItems)
    if (SameText(item.Name, Name)) {
      File = item.File;
      return true;
    }
  return false;
}

bool TZSECustomLocalizations::GetCurrent(TZCLIniFile*& File) const {
  if (TZCLLocalization* lang = LangFile())
    if (Find(WithoutExtension(lang->GetShortFileName()), File)) return true;
  return FindDefault(File);
}

void TZSECustomLocalizations::Clear() {
  for (TItem& item : FItems) Free(item.File);
  FItems.clear();
  FDefaultName = u"English";
}

void TZSECustomLocalizations::Assign(const TZSECustomLocalizations& Source) {
  if (&Source == this) return;
  Clear();
  for (const TItem& item : Source.FItems) {
    TZCLIniFile* file = TZCLIniFile::CreateInMemory();
    file->Assign(item.File);
    FItems.push_back(TItem{item.Name, file});
  }
  FDefaultName = Source.FDefaultName;
}

// ---- custom settings and providers -------------------------------------------------------------

namespace {
constexpr const Char* kCustomSection = u"custom";
}

void TZSECustomSettings::ConfigLoad(TZCLIniFile* Ini) {
  Clear();
  Ini->EnumKeys(kCustomSection,
                [&](const String& Key) { AddString(Key, Ini->ReadString(kCustomSection, Key, String())); });
}

void TZSECustomSettings::ConfigSave(TZCLIniFile* Ini) const {
  Ini->DeleteSection(kCustomSection);
  for (Integer i = 0; i < GetCount(); ++i) {
    TZCLXMLAttribute* a = GetItem(i);
    Ini->WriteString(kCustomSection, a->GetName(), a->GetValue());
  }
}

void TZSECustomProviders::Remove(TComponent* Provider) {
  FItems.erase(std::remove(FItems.begin(), FItems.end(), Provider), FItems.end());
}

void TZSECustomProviders::ConfigLoad(TZCLIniFile* Ini) {
  for (TComponent* p : FItems) {
    IPtr<IZSEConfigurableObject> config;
    if (Supports(p, config)) config->ConfigLoad(Ini);
  }
}

void TZSECustomProviders::ConfigSave(TZCLIniFile* Ini) {
  for (TComponent* p : FItems) {
    IPtr<IZSEConfigurableObject> config;
    if (Supports(p, config)) config->ConfigSave(Ini);
  }
}

void RegisterSkinThemeClasses() {
  RegisterHintStyleClasses();
  RegisterProperties<TZSESkinManifest>();
  RegisterProperties<TZSEImageListDrawOptions>();
  RegisterProperties<TZSESkinThemeStyleHint>();
  RegisterProperties<TZSESkinThemeStyleMenu>();
  RegisterProperties<TZSESkinThemeStyleMisc>();
  RegisterProperties<TZSESkinTheme>();
  RegisterClasses({TZSESkinTheme::StaticClass()});
}
