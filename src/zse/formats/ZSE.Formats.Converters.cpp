#include "zse/formats/ZSE.Formats.Converters.h"

#include <algorithm>
#include <memory>

#include "os/OS.Files.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.Colors.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zcl/base/ZCL.Utils.Stream.h"
#include "zcl/graphics/ZCL.Graphics.SkinImage.h"
#include "zse/engine/ZSE.Schema.h"
#include "zse/engine/ZSE.Skins.Theme.h"
#include "zse/engine/ZSE.Skins.Utils.h"
#include "zse/script/ZSE.Script.XML.h"

namespace {

template <class T>
using TOwned = std::unique_ptr<T, void (*)(TObject*)>;

constexpr Char SName[] = u"name";
constexpr Char SValue[] = u"value";

// Names that the rules compare: ASCII letters without case.
bool SameName(StringView A, StringView B) { return SameText(A, B); }

String Attr(TZCLXMLNode* Node, StringView Name) { return Node->GetAttributes()->GetValue(Name); }

// The skin whose library tree pane sat on the wrong side in its 4.50 form.
constexpr Char SFixedTreePaneSkin[] = u"Nimbus";

// Reads of the default content packages: counts and sizes within the bytes left.
void CheckLeft(TStream* Stream, Int64 Count) {
  if (Count < 0 || Count > StreamGetBytesLeft(Stream)) throw EReadError(u"Stream read error");
}

}  // namespace

bool TZSENameLess::operator()(const String& A, const String& B) const { return CompareText(A, B) < 0; }

TZCLXMLNode* ConverterProperties(TZCLXMLNode* Object, bool MayCreate) {
  TZCLXMLNode* properties = Object->FindNode(u"properties");
  if (!properties && MayCreate) properties = Object->Add(u"properties");
  return properties;
}

TZCLXMLNode* ConverterFindProperty(TZCLXMLNode* Object, StringView Name) {
  TZCLXMLNode* properties = ConverterProperties(Object, false);
  TZCLXMLNode* property = nullptr;
  return properties && XMLNodeFindByName(properties, Name, property) ? property : nullptr;
}

void ConverterShadowColor(TZCLXMLNode* Shadow) {
  TZCLXMLNode* color = nullptr;
  if (!XMLNodeFindByName(Shadow, u"Color", color)) return;
  TAlphaColor value =
      TAlphaColorHelper::FromColor(static_cast<TColor>(color->GetAttributes()->GetValueAsInteger(SValue)));
  TZCLXMLNode* alpha = nullptr;
  if (XMLNodeFindByName(Shadow, u"ColorAlpha", alpha)) {
    value = (value & 0x00FFFFFF) | (TAlphaColor(alpha->GetAttributes()->GetValueAsInteger(SValue) & 0xFF) << 24);
    Free(alpha);
  }
  color->GetAttributes()->SetValue(SValue, IntToStr(static_cast<Int64>(value)));
}

// ---- framework ---------------------------------------------------------------------------------

TZSESkinConverter450::TZSESkinConverter450(TZSESkin* ASkin) : TZSESkinConverter(ASkin) {}

TZSESkinConverter450::~TZSESkinConverter450() { Free(FSchema); }

void TZSESkinConverter450::Convert() {
  Free(FSchema);
  FSchema = FSkin->GetResources()->LoadDocument(u"Schema");
  ConvertScripts();
  ConvertSchema();
  FSkin->GetResources()->SaveSchema(u"Schema", FSchema);
  FreeAndNil(FSchema);
}

void TZSESkinConverter450::ConvertScripts() {
  TZSESkinFiles* files = FSkin->GetFiles();
  for (Integer i = files->GetCount() - 1; i >= 0; --i) {
    TZSESkinFile* file = files->GetItem(i);
    if (file->GetKind() != sfkScript || !file->GetData()) continue;
    IPtr<IZCLStreamContainer> data = file->GetData();
    IPtr<IZCLStreamContainer> replacement;
    TStream* stream = data->LockStream();
    try {
      TOwned<TzsXMLDocument> program(Create<TzsXMLDocument>(), &Free);
      stream->SetPosition(0);
      if (program->TryLoadFromStream(stream)) {
        if (ConvertScriptItem(program->GetRoot()))
          replacement = IPtr<IZCLStreamContainer>(Create<TZCLStreamContainer>(
              std::function<void(TStream*)>([&](TStream* Out) { program->SaveToBinaryStream(Out); })));
      } else {
        stream->SetPosition(0);
        String text = zcStreamReadText(stream, nullptr);
        if (ConvertScriptText(text))
          replacement = IPtr<IZCLStreamContainer>(Create<TZCLStreamContainer>(StringView(text)));
      }
    } catch (...) {
      data->UnlockStream();
      throw;
    }
    data->UnlockStream();
    if (replacement) file->SetData(replacement);
  }
}

bool TZSESkinConverter450::ConvertScriptItem(TzsXMLItem* Item) {
  bool changed = false;
  for (Integer i = 0; i < Item->GetCount(); ++i) changed = ConvertScriptItem(Item->GetItem(i)) || changed;
  if (SameName(Item->GetName(), u"string")) {
    String text = Item->GetText();
    if (ConvertScriptText(text)) {
      Item->SetText(text);
      changed = true;
    }
    const String& current = Item->GetText();
    const size_t start = current.find(u"text=\"'");
    if (start != String::npos) {
      const size_t from = start + 7;
      const size_t end = current.find(u"'\"", from);
      if (end != String::npos && end > from) FScriptLiterals.insert(current.substr(from, end - from));
    }
  }
  return changed;
}

void TZSESkinConverter450::ConvertSchema() {
  if (TZCLXMLNode* menu = FSchema->FindNodeByPath({u"skin", u"properties", u"menu"})) ConvertMenu(menu);
  if (TZCLXMLNode* forms = FSchema->FindNodeByPath({u"skin", u"forms"}))
    for (Integer i = 0; i < forms->GetCount(); ++i) ConvertForm(forms->GetNode(i));
  if (TZCLXMLNode* localizations = FSchema->FindNodeByPath({u"skin", u"localizations"}))
    ConvertLocalizations(localizations);
  if (TZCLXMLNode* providers = FSchema->FindNodeByPath({u"skin", u"providers"})) ConvertProviders(providers);
  if (TZCLXMLNode* resources = FSchema->FindNodeByPath({u"skin", u"properties", u"resources"}))
    ConvertResources(resources);
  if (TZCLXMLNode* skin = FSchema->FindNode(u"skin")) {
    TOwned<TZSESkinManifest> manifest(Create<TZSESkinManifest>(), &Free);
    manifest->LoadFromXML(skin);
    ConvertManifest(manifest.get());
    manifest->SaveToXML(skin);
  }
}

void TZSESkinConverter450::ConvertForm(TZCLXMLNode* Form) {
  ConvertObject(Form);
  const String name = Attr(Form, SName);
  TOwned<TZCLXMLDocument> layout(FSkin->GetResources()->LoadDocument(name), &Free);
  if (layout->GetCount() > 0) {
    ConvertLayoutItem(layout->GetNode(0));
    FSkin->GetResources()->SaveSchema(name, layout.get());
  }
}

void TZSESkinConverter450::ConvertObject(TZCLXMLNode* Object) {
  auto proc = FClassProcs.find(Attr(Object, u"class"));
  if (proc != FClassProcs.end()) proc->second(Object);
  if (TZCLXMLNode* properties = Object->FindNode(u"properties"))
    for (Integer i = 0; i < properties->GetCount(); ++i) ConvertProperty(Object, properties->GetNode(i));
  if (TZCLXMLNode* controls = Object->FindNode(u"controls"))
    for (Integer i = 0; i < controls->GetCount(); ++i) ConvertObject(controls->GetNode(i));
}

void TZSESkinConverter450::ConvertProperty(TZCLXMLNode* Object, TZCLXMLNode* Property) {
  if (SameName(Attr(Property, SName), u"Bindings")) {
    for (Integer i = 0; i < Property->GetCount(); ++i) ConvertBinding(Property->GetNode(i));
    return;
  }
  for (Integer i = 0; i < Property->GetCount(); ++i) ConvertProperty(Object, Property->GetNode(i));
}

void TZSESkinConverter450::ConvertLayoutItem(TZCLXMLNode* Item) {
  if (TZCLXMLNode* properties = Item->FindNode(u"properties")) ConvertLayoutItemProperties(Item, properties);
  if (TZCLXMLNode* controls = Item->FindNode(u"controls"))
    for (Integer i = 0; i < controls->GetCount(); ++i) ConvertObject(controls->GetNode(i));
  if (TZCLXMLNode* items = Item->FindNode(u"items"))
    for (Integer i = 0; i < items->GetCount(); ++i) ConvertLayoutItem(items->GetNode(i));
}

void TZSESkinConverter450::ConvertLayoutItemProperties(TZCLXMLNode* Item, TZCLXMLNode* Properties) {
  for (Integer i = 0; i < Properties->GetCount(); ++i) ConvertLayoutItemProperty(Item, Properties->GetNode(i));
}

void TZSESkinConverter450::ConvertLayoutItemProperty(TZCLXMLNode*, TZCLXMLNode* Property) {
  if (SameName(Attr(Property, SName), u"Bindings"))
    for (Integer i = 0; i < Property->GetCount(); ++i) ConvertBinding(Property->GetNode(i));
}

void TZSESkinConverter450::ConvertProvider(TZCLXMLNode* Provider) {
  if (TZCLXMLNode* properties = Provider->FindNode(u"properties"))
    for (Integer i = 0; i < properties->GetCount(); ++i) ConvertProviderProperty(properties->GetNode(i));
}

void TZSESkinConverter450::ConvertProviderProperty(TZCLXMLNode* Property) {
  if (SameName(Attr(Property, SName), u"Bindings"))
    for (Integer i = 0; i < Property->GetCount(); ++i) ConvertBinding(Property->GetNode(i));
}

void TZSESkinConverter450::ConvertProviders(TZCLXMLNode* Providers) {
  for (Integer i = 0; i < Providers->GetCount(); ++i) ConvertProvider(Providers->GetNode(i));
}

void TZSESkinConverter450::ConvertResource(TZCLXMLNode* Node) {
  for (Integer i = 0; i < Node->GetCount(); ++i) ConvertResourceProperty(Node->GetNode(i));
}

void TZSESkinConverter450::ConvertResourceProperty(TZCLXMLNode* Node) {
  for (Integer i = 0; i < Node->GetCount(); ++i) ConvertResourceProperty(Node->GetNode(i));
}

void TZSESkinConverter450::ConvertResources(TZCLXMLNode* Resources) {
  for (Integer i = 0; i < Resources->GetCount(); ++i) ConvertResource(Resources->GetNode(i));
}

Integer TZSESkinConverter450::AddSkinCustom(const std::vector<String>& LanguageFiles,
                                            const std::vector<String>& Texts) {
  constexpr Char SSection[] = u"SkinCustoms";
  std::vector<TOwned<TZCLIniFile>> files;
  for (const String& name : LanguageFiles) {
    files.emplace_back(TZCLIniFile::CreateInMemory(), &Free);
    FSkin->GetResources()->LoadIniFile(name, files.back().get());
  }
  Integer key = 1;
  auto taken = [&](Integer Key) {
    return std::any_of(files.begin(), files.end(),
                       [&](const TOwned<TZCLIniFile>& F) { return F->ExistsKey(SSection, IntToStr(Key)); });
  };
  while (taken(key)) ++key;
  for (size_t i = 0; i < files.size(); ++i) {
    files[i]->WriteString(SSection, IntToStr(key), Texts[i]);
    FSkin->GetResources()->SaveIniFile(LanguageFiles[i], files[i].get());
  }
  return key;
}

void TZSESkinConverter450::ReadResourcePackage(TStream* Stream, TZSESkinFiles* Files) {
  TOwned<TMemoryStream> unpacked(SkinPackageUnpack(Stream), &Free);
  Integer count = 0;
  unpacked->ReadBuffer(&count, 4);
  CheckLeft(unpacked.get(), Int64(count) * 7);
  for (Integer i = 0; i < count; ++i) {
    const Word length = StreamReadWord(unpacked.get());
    CheckLeft(unpacked.get(), Int64(length) * 2);
    const String name = StreamReadString(unpacked.get(), length);
    Integer size = 0;
    unpacked->ReadBuffer(&size, 4);
    Byte kind = 0;
    unpacked->ReadBuffer(&kind, 1);
    CheckLeft(unpacked.get(), size);
    Files->Add(name, kind, unpacked.get(), size);
  }
}

void TZSESkinConverter450::AddResourcePackage(const String& ResourceName) {
  TResourceStream resource(nullptr, ResourceName, u"ZCSP");
  ReadResourcePackage(&resource, FSkin->GetFiles());
}

void TZSESkinConverter450::ToAlpha(TZCLXMLNode* Property) {
  if (!Property || !Property->GetAttributes()->Exists(SValue)) return;
  const Integer value = Property->GetAttributes()->GetValueAsInteger(SValue, 0);
  Property->GetAttributes()->SetValue(
      SValue, IntToStr(static_cast<Int64>(TAlphaColorHelper::FromColor(static_cast<TColor>(value), 255))));
}

// ---- 4.50 to 5.00 ------------------------------------------------------------------------------

TZSESkinConverter450to500::TZSESkinConverter450to500(TZSESkin* ASkin) : TZSESkinConverter450(ASkin) {
  RegisterClassProc(u"ScrollBarHorizontal", [this](TZCLXMLNode* O) { ConvertOrientation(O, u"ScrollBar", true); });
  RegisterClassProc(u"ScrollBarVertical", [this](TZCLXMLNode* O) { ConvertOrientation(O, u"ScrollBar", false); });
  RegisterClassProc(u"SliderHorizontal",
                    [this](TZCLXMLNode* O) { ConvertOrientation(O, IsSeekBar(O) ? u"SeekBar" : u"Slider", true); });
  RegisterClassProc(u"SliderVertical",
                    [this](TZCLXMLNode* O) { ConvertOrientation(O, IsSeekBar(O) ? u"SeekBar" : u"Slider", false); });
  RegisterClassProc(u"TextDisplayEx", [](TZCLXMLNode* O) {
    TZCLXMLNode* wrap = ConverterFindProperty(O, u"WordWrap");
    if (wrap && wrap->GetAttributes()->GetValueAsBoolean(SValue)) {
      wrap->GetAttributes()->SetValue(SName, u"Layout");
      wrap->GetAttributes()->SetValue(SValue, u"Multiline");
    }
  });
}

void TZSESkinConverter450to500::ConvertOrientation(TZCLXMLNode* Object, const String& NewClass, bool Horizontal) {
  Object->GetAttributes()->SetValue(u"class", NewClass);
  XMLNodeAddValue(ConverterProperties(Object, true), u"Orientation", Horizontal ? u"oHorizontal" : u"oVertical");
}

bool TZSESkinConverter450to500::IsSeekBar(TZCLXMLNode* Object) const {
  if (FScriptLiterals.count(Attr(Object, SName))) return true;
  TZCLXMLNode* bindings = ConverterFindProperty(Object, u"Bindings");
  if (!bindings) return false;
  for (Integer i = 0; i < bindings->GetCount(); ++i) {
    TZCLXMLNode* link = bindings->GetNode(i);
    const String pin = Attr(link, u"TargetPin");
    if (SameName(Attr(link, u"Source"), u"prvPlayerState") || SameName(pin, u"DisplayValue1") ||
        SameName(pin, u"DisplayValue2") || SameName(pin, u"Waveform"))
      return true;
  }
  return false;
}

void TZSESkinConverter450to500::Convert() {
  TZSESkinConverter450::Convert();
  TZSESkinFiles* files = FSkin->GetFiles();
  for (Integer i = 0; i < files->GetCount(); ++i) {
    TZSESkinFile* file = files->GetItem(i);
    if (file->GetKind() != sfkImage || !file->GetData()) continue;
    TOwned<TZCLSkinImage> image(Create<TZCLSkinImage>(), &Free);
    TStream* stream = file->GetData()->LockStream();
    try {
      stream->SetPosition(0);
      image->LoadFromStream(*stream);
    } catch (...) {
      file->GetData()->UnlockStream();
      throw;
    }
    file->GetData()->UnlockStream();
    file->SetData(IPtr<IZCLStreamContainer>(
        Create<TZCLStreamContainer>(std::function<void(TStream*)>([&](TStream* Out) { image->SaveToStream(*Out); }))));
  }
}

void TZSESkinConverter450to500::ConvertBinding(TZCLXMLNode* Link) {
  if (SameName(Attr(Link, u"Source"), u"prvSleepTime")) Link->GetAttributes()->SetValue(u"Source", u"prvScheduler");
  if (SameName(Attr(Link, u"SourcePin"), u"Scrolling")) Link->GetAttributes()->SetValue(u"SourcePin", u"Viewport");
}

void TZSESkinConverter450to500::ConvertMenu(TZCLXMLNode* Menu) {
  XMLNodeRenameChild(Menu, u"TextureScrollBar", u"TextureListScrollBar");
  XMLNodeRenameChild(Menu, u"TextureScrollBarThumb", u"TextureListScrollBarThumb");
  XMLNodeAddValue(XMLNodeAddProperty(Menu, u"CornerRadius"), u"Value", Integer(0));
  XMLNodeAddValue(XMLNodeAddProperty(Menu, u"Borders"), u"All", Integer(2));
  XMLNodeAddValue(Menu, u"Glyphs", u"MenuImages");
  XMLNodeAddProperty(Menu, u"TextureScrollBar");
  XMLNodeAddProperty(Menu, u"TextureScrollBarButtons");
  XMLNodeAddProperty(Menu, u"TextureScrollBarThumb");
}

namespace {

// Copies the sibling's children under their new names into Target, keeping what Target has.
void MergeStyle(TZCLXMLNode* Target, const String& SiblingName) {
  TZCLXMLNode* owner = Target->GetParent();
  TZCLXMLNode* sibling = nullptr;
  if (!owner || !XMLNodeFindByName(owner, SiblingName, sibling)) return;
  sibling->GetAttributes()->SetValue(SName, u"_");
  static const std::pair<const Char*, const Char*> renames[] = {{u"ColorBorder", u"BorderColor"},
                                                                {u"ColorContent", u"BackgroundColor"},
                                                                {u"ColorContentDisabled", u"BackgroundColorDisabled"},
                                                                {u"ColorText", u"RowColorText"},
                                                                {u"ColorTextDisabled", u"RowColorDisabledText"},
                                                                {u"Texture", u"CheckMark"}};
  for (const auto& [from, to] : renames) {
    TZCLXMLNode* source = nullptr;
    TZCLXMLNode* existing = nullptr;
    if (!XMLNodeFindByName(sibling, from, source) || XMLNodeFindByName(Target, to, existing)) continue;
    TZCLXMLNode* copy = Target->Add(source->GetNodeName());
    copy->Assign(source);
    copy->GetAttributes()->SetValue(SName, to);
  }
}

void ColorsToAlpha(TZCLXMLNode* Style) {
  for (Integer i = 0; i < Style->GetCount(); ++i) {
    const String name = Attr(Style->GetNode(i), SName);
    if (name.find(u"Color") != String::npos && name.find(u"Text") == String::npos)
      TZSESkinConverter450::ToAlpha(Style->GetNode(i));
  }
}

}  // namespace

void TZSESkinConverter450to500::ConvertProperty(TZCLXMLNode* Object, TZCLXMLNode* Property) {
  TZSESkinConverter450::ConvertProperty(Object, Property);
  const String name = Attr(Property, SName);
  if (name == u"StyleContent") {
    MergeStyle(Property, u"Style");
    ColorsToAlpha(Property);
    Property->GetAttributes()->SetValue(SName, u"Style");
  } else if (name == u"StyleTreeListContent") {
    MergeStyle(Property, u"StyleTreeListBackground");
    MergeStyle(Property, u"StyleTreeListCheckBox");
    ColorsToAlpha(Property);
    Property->GetAttributes()->SetValue(SName, u"StyleTreeList");
  } else if (name == u"StyleButton") {
    for (Integer i = 0; i < Property->GetCount(); ++i) {
      TZCLXMLNode* child = Property->GetNode(i);
      child->GetAttributes()->SetValue(SName,
                                       StringReplace(Attr(child, SName), u"TextColor", u"ColorText", {rfReplaceAll}));
    }
  } else if (name == u"Shadow") {
    ConverterShadowColor(Property);
  }
}

void TZSESkinConverter450to500::ConvertResourceProperty(TZCLXMLNode* Node) {
  if (Attr(Node, SName) == u"Shadow") ConverterShadowColor(Node);
  TZSESkinConverter450::ConvertResourceProperty(Node);
}

void TZSESkinConverter450to500::ConvertLayoutItemProperties(TZCLXMLNode* Item, TZCLXMLNode* Properties) {
  TZSESkinConverter450::ConvertLayoutItemProperties(Item, Properties);
  if (StartsStr(SFixedTreePaneSkin, FSkin->GetDetails()->GetName()) &&
      Attr(Item, SName) == u"liLibraryContentClientTreePane") {
    TZCLXMLNode* alignment = nullptr;
    if (XMLNodeFindByName(Properties, u"Alignment", alignment) && Attr(alignment, SValue) == u"laLeft")
      alignment->GetAttributes()->SetValue(SValue, u"laClient");
  }
  TZCLXMLNode* clip = nullptr;
  if (!XMLNodeFindByName(Properties, u"ClipChildren", clip)) XMLNodeAddValue(Properties, u"ClipChildren", true);
}

void TZSESkinConverter450to500::ConvertLayoutItemProperty(TZCLXMLNode* Item, TZCLXMLNode* Property) {
  TZSESkinConverter450::ConvertLayoutItemProperty(Item, Property);
  if (Attr(Property, SName) != u"ControlName") return;
  const String value = Attr(Property, SValue);
  Property->GetAttributes()->SetValue(SName, u"AllowedForms");
  Property->GetAttributes()->SetValue(u"default", value);
  Property->Add(u"form")->GetAttributes()->SetValue(SName, value);
}

void TZSESkinConverter450to500::ConvertLocalizations(TZCLXMLNode* Localizations) {
  if (Localizations->GetAttributes()->Exists(u"default"))
    Localizations->GetAttributes()->SetValue(u"default", ChangeFileExt(Attr(Localizations, u"default"), String()));
  for (Integer i = 0; i < Localizations->GetCount(); ++i) {
    TZCLXMLNode* item = Localizations->GetNode(i);
    item->SetNodeValue(ChangeFileExt(item->GetNodeValue(), String()));
  }
}

void TZSESkinConverter450to500::ConvertManifest(TZSESkinManifest* Manifest) {
  const Integer read = FSkin->GetDetails()->GetVersion().Number;
  TZSECompatibilityMode mode = cmv300;
  for (TZSECompatibilityMode m : {cmv300, cmv350, cmv400, cmv450, cmv500})
    if (CompatibilityModeToVersion(m) <= read) mode = m;
  Manifest->SetCompatibilityMode(mode);
}

void TZSESkinConverter450to500::ConvertSchema() {
  TZSESkinConverter450::ConvertSchema();
  TZCLXMLNode* misc = FSchema->FindNodeByPath({u"skin", u"properties", u"misc"}, true);
  for (const Char* name : {u"FloatArrow", u"FloatArrowVert", u"TrayIcons"})
    XMLNodeFindOrAddProperty(misc, name)->GetAttributes()->SetValue(SValue, name);
}

bool TZSESkinConverter450to500::ConvertScriptText(String& Text) {
  static const std::pair<const Char*, const Char*> replacements[] = {
      {u"'StyleContent.", u"'Style."},
      {u"'Style.ColorBorder", u"'Style.BorderColor"},
      {u"'Style.ColorContentDisabled", u"'Style.BackgroundColorDisabled"},
      {u"'Style.ColorContent", u"'Style.BackgroundColor"},
      {u"'Style.ColorTextDisabled", u"'Style.RowColorDisabledText"},
      {u"'Style.ColorText", u"'Style.RowColorText"},
      {u"'StyleFilterBox.StyleTreeListContent.", u"'StyleFilterBox.StyleTreeList."},
      {u"'StyleFilterBox.StyleTreeListBackground.", u"'StyleFilterBox.StyleTreeList."},
      {u"'StyleFilterBox.StyleTreeList.ColorBorder", u"'StyleFilterBox.StyleTreeList.BorderColor"},
      {u"'StyleFilterBox.StyleTreeList.ColorContentDisabled", u"'StyleFilterBox.StyleTreeList.BackgroundColorDisabled"},
      {u"'StyleFilterBox.StyleTreeList.ColorContent", u"'StyleFilterBox.StyleTreeList.BackgroundColor"},
      {u"'StyleFilterBox.StyleTreeList.ColorTextDisabled", u"'StyleFilterBox.StyleTreeList.RowColorDisabledText"},
      {u"'StyleFilterBox.StyleTreeList.ColorText", u"'StyleFilterBox.StyleTreeList.RowColorText"},
  };
  const String before = Text;
  for (const auto& [find, replace] : replacements)
    Text = StringReplace(Text, find, replace, {rfReplaceAll, rfIgnoreCase});
  return Text != before;
}

void FormatConvertersInitialize() {
  TZSESkinConverterClass existing;
  if (!SkinConverters()->Find(TZSESkinConverter450to500::GetSourceVersion(), existing))
    SkinConverters()->Add(TZSESkinConverter450to500::StaticClass());
}
