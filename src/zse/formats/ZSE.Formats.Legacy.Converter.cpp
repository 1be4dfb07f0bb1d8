#include "zse/formats/ZSE.Formats.Legacy.Converter.h"

#include <algorithm>
#include <utility>

#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.Classes.h"
#include "zcl/base/ZCL.Colors.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zcl/graphics/ZCL.Graphics.SkinImage.h"
#include "zse/engine/ZSE.Schema.h"
#include "zse/formats/ZSE.Formats.Legacy.Packages.h"

using namespace std::string_view_literals;

namespace {

const String SParents = u"Parents";
const String SProperties = u"properties";
const String SItems = u"items";
const String SItem = u"item";
const String SControls = u"controls";
const String SClass = u"class";
const String SName = u"name";
const String SValue = u"value";
const String SPlaylist = u"Playlist";
const String SFonts = u"Fonts";
const String STabCtrl = u"TabCtrl";
const String SZcsp = u"ZCSP";

// Follow "Clones" and "CustomObjects" no deeper than this: a cycle among them is not found.
constexpr Integer MaxLookupDepth = 16;

struct TControlRow {
  const char16_t* ClassName;
  const char16_t* Key;
  const char16_t* Source;
  const char16_t* SourcePin;
  const char16_t* TargetPin;
  const char16_t* PopupMenu;
};

// clang-format off
const TControlRow LegacyControlTable[] = {
  {u"Button", u"ACBtn", u"acUtilsAudioConverter", u"", u"", u""},
  {u"Button", u"ZEPHOptions", u"acOptions", u"", u"", u""},
  {u"Button", u"Bookmarks", u"prvBookmarks", u"", u"", u""},
  {u"Button", u"btnABRepeat", u"acPlayerRepeatPartAB", u"", u"", u""},
  {u"Button", u"CloseBtn", u"acMainExit", u"", u"", u""},
  {u"Button", u"DSPBtn", u"acMainDSPManager", u"", u"", u""},
  {u"Button", u"FileCopy", u"acPlayableFileCopyFileToClipboard", u"", u"", u""},
  {u"Button", u"FileInfo", u"acPlayableFileShowFileInfo", u"", u"", u""},
  {u"Button", u"FindBtn", u"acSearchAdvanced", u"", u"", u""},
  {u"Button", u"HelpBtn", u"acHelp", u"", u"", u""},
  {u"Button", u"NextBtn", u"acPlayerNextTrack", u"", u"", u""},
  {u"Button", u"NextPLS", u"acPlaylistNext", u"", u"", u""},
  {u"Button", u"OpenBtn", u"acMainOpenFiles", u"", u"", u""},
  {u"Button", u"PauseBtn", u"acPlayerPause", u"", u"", u""},
  {u"Button", u"PlayBtn", u"acPlayerPlay", u"", u"", u""},
  {u"Button", u"PlayPauseBtn", u"acPlayerPlayPause", u"", u"", u""},
  {u"Button", u"PrevBtn", u"acPlayerPrevTrack", u"", u"", u""},
  {u"Button", u"PrevPLS", u"acPlaylistPrev", u"", u"", u""},
  {u"Button", u"QuickSearchBtn", u"acSearchQuick", u"", u"", u""},
  {u"Button", u"SleepBtn", u"acOptionShutdown", u"", u"", u""},
  {u"Button", u"StopBtn", u"acPlayerStop", u"", u"", u""},
  {u"Button", u"TagEdit", u"acPlaylistFocusedItemShowQTE", u"", u"", u""},
  {u"Button", u"TagEditBtn", u"acUtilsTagEditor", u"", u"", u""},
  {u"Button", u"TrayCPY", u"acPlayableFileCopyFileToClipboard", u"", u"", u""},
  {u"Button", u"VisNext", u"acVisualNext", u"", u"", u""},
  {u"Button", u"VisPrev", u"acVisualPrev", u"", u"", u""},
  {u"Button", u"AddBtn", u"", u"", u"", u"pmAdd"},
  {u"Button", u"DelBtn", u"", u"", u"", u"pmDelete"},
  {u"Button", u"btnPlaylistsListMenu", u"", u"", u"", u"pmPlaylistList"},
  {u"Button", u"LiB", u"", u"", u"", u"pmEqualizer"},
  {u"Button", u"MenuBtn", u"", u"", u"", u"pmMainMenu"},
  {u"Button", u"MiscBtn", u"", u"", u"", u"pmMisc"},
  {u"Button", u"PlsManBtn", u"", u"", u"", u"pmManagePlaylist"},
  {u"Button", u"PlsMenu", u"", u"", u"", u"pmMainMenu"},
  {u"Button", u"PlsOpt", u"", u"", u"", u"pmQuickOptions"},
  {u"Button", u"SortBtn", u"", u"", u"", u"pmSorting"},
  {u"Button", u"Utils", u"", u"", u"", u"pmUtilities"},
  {u"Button", u"DSPCfg", u"DSPPluginInfo", u"Action", u"Action", u""},
  {u"Button", u"EQBtn", u"EqualizerFrame", u"Visible", u"Action", u"pmEqualizer"},
  {u"Button", u"HideBtn", u"EqualizerFrame", u"Visible", u"Action", u""},
  {u"Button", u"PlsBtn", u"PlaylistFrame", u"Visible", u"Action", u"pmQuickOptions"},
  {u"Button", u"PlsClose", u"PlaylistFrame", u"Visible", u"Action", u""},
  {u"Button", u"TCN", u"PlaylistTabs", u"ScrollUp", u"Action", u""},
  {u"Button", u"TCP", u"PlaylistTabs", u"ScrollDown", u"Action", u""},
  {u"Button", u"ToTrayBtn", u"ZEPHMainForm", u"Minimize", u"Action", u""},
  {u"Button", u"TrayRoll", u"TrayControl", u"RestoreFromTray", u"Action", u""},
  {u"Button", u"VisualBtn", u"prvVisual", u"ContextMenu", u"ContextMenu", u""},
  {u"Button", u"QFIClose", u"prvQFI", u"ActionClose", u"Action", u""},
  {u"Button", u"QFICopyFile", u"prvQFI", u"ActionCopyFile", u"Action", u""},
  {u"Button", u"QFICopyFileInfo", u"prvQFI", u"ActionCopyInfo", u"Action", u""},
  {u"Button", u"QFIEditTags", u"prvQFI", u"ActionEditInfo", u"Action", u""},
  {u"Button", u"PlaylistScroll_down", u"", u"", u"", u""},
  {u"Button", u"PlaylistScroll_up", u"", u"", u"", u""},
  {u"Switch", u"CapRadio", u"acPlayerRadioCapture", u"", u"", u""},
  {u"Switch", u"EQSwitch", u"acEqualizerSwitch", u"", u"", u""},
  {u"Switch", u"MuteBtn", u"acPlayerVolumeMute", u"", u"", u""},
  {u"Switch", u"Repeat_", u"acPlayerRepeat", u"", u"", u""},
  {u"Switch", u"Shuffle", u"acPlayerShuffle", u"", u"", u""},
  {u"Switch", u"StayOnTop", u"acMainStayOnTop", u"", u"", u""},
  {u"Switch", u"TrayDHFI", u"TrayControl", u"PinChildren", u"Action", u""},
  {u"Switch", u"TraySot", u"TrayControl", u"StayOnTop", u"Action", u""},
  {u"Slider", u"BalanceSlider", u"prvBalance", u"Action", u"Action", u""},
  {u"Slider", u"Chorus", u"prvChorus", u"Action", u"Action", u""},
  {u"Slider", u"Echo", u"prvEcho", u"Action", u"Action", u""},
  {u"Slider", u"Flanger", u"prvFlanger", u"Action", u"Action", u""},
  {u"Slider", u"PitchSlider", u"prvPitch", u"Action", u"Action", u""},
  {u"Slider", u"Reverb", u"prvReverb", u"Action", u"Action", u""},
  {u"Slider", u"ClassSeekBar", u"prvPlayerState", u"Action", u"Action", u"pmJump"},
  {u"Slider", u"SpeedSlider", u"prvSpeed", u"Action", u"Action", u""},
  {u"Slider", u"TempoSlider", u"prvTempo", u"Action", u"Action", u""},
  {u"Slider", u"VolumeBar", u"prvVolume", u"Action", u"Action", u""},
  {u"Slider", u"ZEPHSlider1", u"prvEqualizer", u"Band1", u"Action", u""},
  {u"Slider", u"ZEPHSlider2", u"prvEqualizer", u"Band2", u"Action", u""},
  {u"Slider", u"ZEPHSlider3", u"prvEqualizer", u"Band3", u"Action", u""},
  {u"Slider", u"ZEPHSlider4", u"prvEqualizer", u"Band4", u"Action", u""},
  {u"Slider", u"ZEPHSlider5", u"prvEqualizer", u"Band5", u"Action", u""},
  {u"Slider", u"ZEPHSlider6", u"prvEqualizer", u"Band6", u"Action", u""},
  {u"Slider", u"ZEPHSlider7", u"prvEqualizer", u"Band7", u"Action", u""},
  {u"Slider", u"ZEPHSlider8", u"prvEqualizer", u"Band8", u"Action", u""},
  {u"Slider", u"ZEPHSlider9", u"prvEqualizer", u"Band9", u"Action", u""},
  {u"Slider", u"ZEPHSlider10", u"prvEqualizer", u"Band10", u"Action", u""},
  {u"Slider", u"ZEPHSlider11", u"prvEqualizer", u"Band11", u"Action", u""},
  {u"Slider", u"ZEPHSlider12", u"prvEqualizer", u"Band12", u"Action", u""},
  {u"Slider", u"ZEPHSlider13", u"prvEqualizer", u"Band13", u"Action", u""},
  {u"Slider", u"ZEPHSlider14", u"prvEqualizer", u"Band14", u"Action", u""},
  {u"Slider", u"ZEPHSlider15", u"prvEqualizer", u"Band15", u"Action", u""},
  {u"Slider", u"ZEPHSlider16", u"prvEqualizer", u"Band16", u"Action", u""},
  {u"Slider", u"ZEPHSlider17", u"prvEqualizer", u"Band17", u"Action", u""},
  {u"Slider", u"ZEPHSlider18", u"prvEqualizer", u"Band18", u"Action", u""},
  {u"Slider", u"PreAmp", u"prvEqualizer", u"Preamp", u"Action", u""},
  {u"TimeDisplay", u"ClassDigitsLabel;1", u"prvSleepTime", u"Time", u"DisplayValue", u""},
  {u"TimeDisplay", u"SleepTime", u"prvSleepTime", u"Time", u"DisplayValue", u""},
  {u"TimeDisplay", u"ClassDigitsLabel;7", u"prvSystemTime", u"Time", u"DisplayValue", u""},
  {u"TimeDisplay", u"ClassDigitsLabel;4", u"prvPlayerState", u"TrackPosition", u"DisplayValue", u""},
  {u"DigitsDisplay", u"ClassDigitsLabel;5", u"prvPlayingFileInfo", u"BitRate", u"DisplayValue", u""},
  {u"DigitsDisplay", u"ClassDigitsLabel;6", u"prvPlayingFileInfo", u"SampleRate", u"DisplayValue", u""},
  {u"DigitsDisplay", u"ClassDigitsLabel;2", u"prvPlayerState", u"State", u"DisplayValue", u""},
  {u"DigitsDisplay", u"ClassDigitsLabel;3", u"prvPlayingFileInfo", u"Source", u"DisplayValue", u""},
  {u"CoverArtDisplay", u"ClassCoverArt", u"prvPlayingFileInfo", u"CoverArt", u"DisplayValue", u""},
  {u"CoverArtDisplay", u"QFICover", u"prvQFI", u"CoverArt", u"DisplayValue", u""},
  {u"Rating", u"ClassRating", u"prvPlayingFileInfo", u"Mark", u"DisplayValue", u""},
  {u"Rating", u"QFIRating", u"prvQFI", u"Mark", u"DisplayValue", u""},
  {u"Gauge", u"ClassLevelGauge", u"", u"", u"", u"pmDisplay"},
  {u"Gauge", u"TrayLC", u"prvVisual", u"LevelL", u"DisplayValue", u"pmDisplay"},
  {u"Gauge", u"TrayRC", u"prvVisual", u"LevelR", u"DisplayValue", u"pmDisplay"},
  {u"Animator", u"ClassAnimator", u"", u"", u"", u"pmDisplay"},
  {u"PlaylistBox", u"PlaylistBox", u"", u"", u"", u"pmPlaylistTabs"},
  {u"RunningLine", u"Infobar", u"", u"", u"", u""},
  {u"RunningLine", u"TrayRS", u"", u"", u"", u""},
  {u"TextDisplay", u"ClassTextLabel", u"prvPlayingFileInfo", u"FileInfo", u"DisplayValue", u""},
  {u"TextDisplay", u"ClassTextLabel;0", u"prvPlayingFileInfo", u"FileInfo", u"DisplayValue", u""},
  {u"TextDisplay", u"ClassTextLabel;1", u"prvPlayingFileInfo", u"FileInfo", u"DisplayValue", u""},
  {u"TextDisplay", u"ClassTextLabel;2", u"prvPlayingFileInfo", u"FileInfo", u"DisplayValue", u""},
  {u"TextDisplay", u"ClassTextLabel;3", u"prvPlayingFileInfo", u"FileInfo", u"DisplayValue", u""},
  {u"TextDisplay", u"ClassTextLabel;4", u"prvPlayingFileInfo", u"FileInfo", u"DisplayValue", u""},
  {u"TextDisplay", u"ClassTextLabel;5", u"prvPlayingFileInfo", u"FileInfo", u"DisplayValue", u""},
  {u"TextDisplay", u"CountLabel", u"Playlist", u"Count", u"DisplayValue", u""},
  {u"TextDisplay", u"DSPBox", u"DSPPluginInfo", u"Info", u"DisplayValue", u""},
  {u"TextDisplay", u"LengthLabel", u"Playlist", u"Duration", u"DisplayValue", u""},
  {u"TextDisplay", u"SizeLabel", u"Playlist", u"Size", u"DisplayValue", u""},
  {u"TextDisplay", u"QFIAlbum", u"prvQFI", u"FileInfo", u"DisplayValue", u""},
  {u"TextDisplay", u"QFIArtist", u"prvQFI", u"FileInfo", u"DisplayValue", u""},
  {u"TextDisplay", u"QFIDuration", u"prvQFI", u"FileInfo", u"DisplayValue", u""},
  {u"TextDisplay", u"QFIFileInfo", u"prvQFI", u"FileInfo", u"DisplayValue", u""},
  {u"TextDisplay", u"QFIGenre", u"prvQFI", u"FileInfo", u"DisplayValue", u""},
  {u"TextDisplay", u"QFITitle", u"prvQFI", u"FileInfo", u"DisplayValue", u""},
  {u"TextDisplay", u"QFIYear", u"prvQFI", u"FileInfo", u"DisplayValue", u""},
  {u"TextDisplay", u"QFIFileName", u"prvQFI", u"FileName", u"DisplayValue", u""},
  {u"EqualizerDisplay", u"ZEPHEQDisplay", u"prvEqualizer", u"Curve", u"Action", u""},
  {u"SpectrumDisplay", u"ClassSpectrum", u"prvVisual", u"", u"", u"pmDisplay"},
  {u"SpectrumDisplay", u"Spectrum", u"prvVisual", u"", u"", u"pmDisplay"},
  {u"VisualDisplay", u"MultiDisplay", u"prvVisual", u"DisplayValue", u"DisplayValue", u"pmDisplay"},
};
// clang-format on

String RectText(const TRect& R) {
  return IntToStr(R.Left) + u"," + IntToStr(R.Top) + u"," + IntToStr(R.Right) + u"," + IntToStr(R.Bottom);
}

String PairText(Integer X, Integer Y) { return IntToStr(X) + u"," + IntToStr(Y); }

String Attr(TZCLXMLNode* Node, StringView Name) { return Node->GetAttributes()->GetValue(Name); }

// The "property" child of that name, or null.
TZCLXMLNode* FindProperty(TZCLXMLNode* Node, StringView Name) {
  TZCLXMLNode* child;
  return XMLNodeFindByName(Node, Name, child) ? child : nullptr;
}

TZCLXMLNode* AddPlace(TZCLXMLNode* Node, const String& Anchors, const String& Margins, const String& Size) {
  TZCLXMLNode* place = XMLNodeAddProperty(Node, u"PlaceInfo");
  place->GetAttributes()->AddString(u"anchors", Anchors);
  if (!Margins.empty()) place->GetAttributes()->AddString(u"margins", Margins);
  if (!Size.empty()) place->GetAttributes()->AddString(u"Size", Size);
  return place;
}

// An INI colour text: one integer, or red, green and blue separated by commas.
TColor ParseColor(const String& Text) {
  if (Text.find(u',') != String::npos) {
    const TRect parts = zcStringToRect(Text);
    return TColor((parts.Left & 0xFF) | ((parts.Top & 0xFF) << 8) | ((parts.Right & 0xFF) << 16));
  }
  return TColor(StrToIntDef(Text, 0));
}

Integer ColorOfFont(const String& FontText) {
  String name;
  Integer color = 0, height = 0, style = 0;
  zcStringToFont(FontText, name, color, height, style);
  return color;
}

bool IsIdentifierStart(Char C) { return (C >= u'A' && C <= u'Z') || (C >= u'a' && C <= u'z') || C == u'_'; }

bool IsIdentifier(const String& Text) {
  if (Text.empty() || !IsIdentifierStart(Text[0])) return false;
  return std::all_of(Text.begin() + 1, Text.end(),
                     [](Char c) { return IsIdentifierStart(c) || (c >= u'0' && c <= u'9'); });
}

}  // namespace

// ---- converter ------------------------------------------------------------------------------

TZSESkinFormatZCS3v2Converter::TZSESkinFormatZCS3v2Converter(TZSESkin* ASkin) : TZSESkinConverter(ASkin) {}

TZSESkinFormatZCS3v2Converter::~TZSESkinFormatZCS3v2Converter() {
  delete FParentKeys;
  Free(FIni);
  Free(FDocument);
}

void TZSESkinFormatZCS3v2Converter::Convert() {
  FDocument = Create<TZCLXMLDocument>();
  TZCLXMLNode* root = FDocument->Add(u"skin");
  root->Add(u"forms");
  TZCLXMLNode* properties = root->Add(SProperties);
  properties->Add(u"menu");
  properties->Add(u"hint");
  auto cleanUp = [this] {
    FreeAndNil(FIni);
    delete FParentKeys;
    FParentKeys = nullptr;
    FreeAndNil(FDocument);
  };
  try {
    FIni = TZCLIniFile::CreateInMemory();
    if (LegacyLoadMainIni(FSkin, FIni)) FSkin->GetFiles()->Delete(u"Main.ini", sfkUnknown);
    Prepare();
    ConvertForms();
    ConvertLayouts();
    FreeAndNil(FIni);
    FSkin->GetResources()->SaveSchema(u"Schema", FDocument);
  } catch (...) {
    cleanUp();
    throw;
  }
  cleanUp();
}

void TZSESkinFormatZCS3v2Converter::Prepare() {
  FSkin->GetFiles()->Rename(u"EqFrame", u"EqualizerFrame", sfkDocument);
  FIni->RenameSection(u"MainFrame", u"ZEPHMainForm");
}

bool TZSESkinFormatZCS3v2Converter::IsAllInOneMode() { return FIni->ReadBool(u"FILE", u"AllInOneMode", false); }

bool TZSESkinFormatZCS3v2Converter::CopyIniValue(TZCLXMLNode* Node, const String& Section, const String& Name,
                                                 const String& Key) {
  String value;
  if (!FIni->ReadValue(Section, Key, value)) return false;
  XMLNodeAddValue(Node, Name, value);
  return true;
}

void TZSESkinFormatZCS3v2Converter::CopyIniAlignment(TZCLXMLNode* Node, const String& Section, const String& Name,
                                                     const String& Key, Integer Default) {
  static const char16_t* const names[] = {u"taLeftJustify", u"taRightJustify", u"taCenter"};
  const Integer value = FIni->ReadInteger(Section, Key, Default);
  // Values outside the enumeration fall back to its first member rather than an unreadable name.
  XMLNodeAddValue(Node, Name, String(names[value >= 0 && value <= 2 ? value : 0]));
}

void TZSESkinFormatZCS3v2Converter::CopyTexture(TZCLXMLNode* Node, const String& Name, const String& NewName,
                                                const String& OldName) {
  FSkin->GetFiles()->Rename(OldName, NewName, sfkImage);
  XMLNodeAddValue(Node, Name, NewName);
}

TSize TZSESkinFormatZCS3v2Converter::GetImageFrameSize(const String& Name) {
  auto* image = Create<TZCLSkinImage>();
  TSize size;
  try {
    FSkin->GetResources()->LoadImage(Name, image);
    if (!image->Empty()) size = TSize(image->FrameWidth(), image->FrameHeight());
  } catch (...) {
    Free(image);
    throw;
  }
  Free(image);
  return size;
}

void TZSESkinFormatZCS3v2Converter::AddLink(TZCLXMLNode* Node, const String& Source, const String& SourcePin,
                                            const String& TargetPin, const String& Expression) {
  if (Source.empty()) return;
  TZCLXMLNode* bindings = XMLNodeFindOrAddProperty(Node, u"bindings");
  TZCLXMLNode* link = bindings->Add(u"link");
  TZCLXMLAttributes* attributes = link->GetAttributes();
  attributes->AddString(u"Source", Source);
  if (!SourcePin.empty()) attributes->AddString(u"SourcePin", SourcePin);
  if (!TargetPin.empty()) attributes->AddString(u"TargetPin", TargetPin);
  if (!Expression.empty()) attributes->AddString(u"Expression", Expression);
}

void TZSESkinFormatZCS3v2Converter::AddPlaceInfo(TZCLXMLNode* Node, const String& Name) {
  AddPlace(Node, RectText(FIni->ReadRect(Name, u"PlaceAnchors")), RectText(FIni->ReadRect(Name, u"PlaceMargins")),
           PairText(FIni->ReadInteger(Name, u"PlaceWidth", 0), FIni->ReadInteger(Name, u"PlaceHeight", 0)));
}

String TZSESkinFormatZCS3v2Converter::MakeIdent(const String& Text) {
  if (Text.empty() || IsIdentifier(Text)) return Text;
  static const StringView replaced = u"%=:+-\\/*;,|(){}<>[].@#$^&?!\"' \r\n\t\0\u00AB\u00BB\u201C\u201D_"sv;
  String result = Text;
  for (Char& c : result)
    if (replaced.find(c) != StringView::npos) c = u'_';
  return IsIdentifier(result) ? result : SchemaNewId();
}

TZCLXMLDocument* TZSESkinFormatZCS3v2Converter::TakeLayoutFile(const String& Name) {
  TZSESkinFile* file;
  if (!FSkin->GetFiles()->Find(Name, sfkDocument, file)) return nullptr;
  auto* document = Create<TZCLXMLDocument>();
  TEncoding* encoding = TEncoding::GetEncoding(1251);
  try {
    const IPtr<IZCLStreamContainer> data = file->GetData();
    if (data) {
      TStream* stream = data->LockStream();
      try {
        document->LoadFromStream(stream, encoding);
      } catch (...) {
        data->UnlockStream();
        throw;
      }
      data->UnlockStream();
    }
  } catch (...) {
    TEncoding::FreeEncoding(encoding);
    Free(document);
    throw;
  }
  TEncoding::FreeEncoding(encoding);
  FSkin->GetFiles()->Delete(Name, sfkDocument);
  return document;
}

// ---- forms, menu and hint -------------------------------------------------------------------

void TZSESkinFormatZCS3v2Converter::ConvertForms() {
  TZSESkinFiles* files = FSkin->GetFiles();
  files->AddFromResource(u"FloatArrow", sfkImage, nullptr, u"DEFAULT-FLOATARROW", SZcsp);
  files->AddFromResource(u"FloatArrowVert", sfkImage, nullptr, u"DEFAULT-FLOATARROW-VERT", SZcsp);

  TZCLXMLNode* skin = FDocument->FindNode(u"skin");
  if (!skin) return;
  if (TZCLXMLNode* properties = skin->FindNode(SProperties)) {
    if (TZCLXMLNode* menu = properties->FindNode(u"menu")) ConvertMenu(menu);
    if (TZCLXMLNode* hint = properties->FindNode(u"hint")) ConvertHint(hint);
  }
  TZCLXMLNode* forms = skin->FindNode(u"forms");
  if (!forms) return;
  auto addForm = [&](const String& Name, const String& Master) {
    TZCLXMLNode* form = forms->Add(u"form");
    form->GetAttributes()->AddString(SName, Name);
    if (!Master.empty()) form->GetAttributes()->AddString(u"master", Master);
    TZCLXMLNode* properties = form->Add(SProperties);
    CopyIniValue(properties, Name, u"MagnetRectOffsets");
    CopyIniValue(properties, Name, u"SizingHitTestAreaWidth");
    return properties;
  };
  auto addPlacement = [](TZCLXMLNode* Properties, Integer Value, const TRect& Margins) {
    TZCLXMLNode* placement = XMLNodeAddProperty(Properties, u"Placement");
    placement->GetAttributes()->AddString(SValue, IntToStr(Value));
    placement->GetAttributes()->AddString(u"margins", RectText(Margins));
  };
  addForm(u"ZEPHMainForm", String());
  addForm(u"QFI", String());
  addForm(u"DropWheel", String());
  if (!IsAllInOneMode()) {
    addForm(u"PlaylistFrame", u"ZEPHMainForm");
    TZCLXMLNode* equalizer = addForm(u"EqualizerFrame", u"ZEPHMainForm");
    Integer placement = 2;
    const TRect margins = EqualizerMargins(placement);
    addPlacement(equalizer, placement, margins);
  }
  addForm(u"TrayControl", String());
  TZCLXMLNode* flow = addForm(u"TrayControlFlow", u"TrayControl");
  const TRect offsets = FIni->ReadRect(u"TrayControl", u"MagnetRectOffsets");
  const Integer indent = FIni->ReadInteger(u"TCCTRL", u"Indent", 2);
  addPlacement(
      flow, 1,
      TRect(0, LegacySaturate(Int64(offsets.Top) - indent), 0, LegacySaturate(Int64(offsets.Bottom) - indent)));
}

TRect TZSESkinFormatZCS3v2Converter::EqualizerMargins(Integer& Placement) {
  TRect e = FIni->ReadRect(u"EquaForm", u"Extends");
  std::swap(e.Left, e.Right);
  Placement = e.Top < -1 ? 1 : 2;
  if (e.Top < -1) {
    Integer alignMargins = 0;
    TZSESkinFile* file;
    if (FSkin->GetFiles()->Find(u"EqualizerFrame", sfkDocument, file)) {
      auto* layout = Create<TZSELegacyXML>();
      try {
        FSkin->GetResources()->LoadDocument(u"EqualizerFrame", layout);
        TZCLXMLNode* first = layout->GetNode(0);
        TZCLXMLNode* element = first ? first->GetNode(0) : nullptr;
        if (element && SameText(Attr(element, u"Name"), u"EQ")) {
          const TRect m = element->GetAttributes()->GetValueAsRect(u"AlignMargins");
          alignMargins = LegacySaturate(Int64(m.Top) + m.Bottom);
        }
      } catch (...) {
        Free(layout);
        throw;
      }
      Free(layout);
    }
    return TRect(0, LegacySaturate(Int64(GetImageFrameSize(u"EQ").cy) + e.Top + alignMargins), 0, 0);
  }
  if (e.Top == -1)
    e.Top = (GetImageFrameSize(u"MainClient").cy + GetImageFrameSize(u"MainDock").cy - GetImageFrameSize(u"EQ").cy) / 2;
  return e;
}

void TZSESkinFormatZCS3v2Converter::ConvertHint(TZCLXMLNode* Hint) {
  CopyIniValue(Hint, SFonts, u"ColorBorder", u"InfoBorderColor");
  CopyIniValue(Hint, SFonts, u"ColorContent1", u"InfoHintColor");
  CopyIniValue(Hint, SFonts, u"ColorContent2", u"HintColor");
  CopyIniValue(Hint, SFonts, u"ColorText", u"HintText");
}

void TZSESkinFormatZCS3v2Converter::ConvertMenu(TZCLXMLNode* Menu) {
  FSkin->GetFiles()->Rename(u"ImgList", u"MenuImages", sfkBitmap);
  CopyIniValue(Menu, SFonts, u"Font", u"MenuFont");
  if (!CopyIniValue(Menu, SFonts, u"ColorBorder1", u"BorderColor"))
    XMLNodeAddValue(Menu, u"ColorBorder1", IntToStr(Integer(ColorToRGB(clMenuBar))));
  if (!CopyIniValue(Menu, SFonts, u"ColorBorder2", u"BorderColor2"))
    XMLNodeAddValue(Menu, u"ColorBorder2", u"16777215");
  XMLNodeAddValue(Menu, u"Texture", u"Menu");
  String fontName;
  Integer color = 0, height = 0, style = 0;
  zcStringToFont(FIni->ReadString(SFonts, u"MenuFont", String()), fontName, color, height, style);
  for (const auto& [property, state] : {std::pair(u"FontSelected", u"Sel"), std::pair(u"FontDisabled", u"Disabled")}) {
    const String key = String(u"MenuFont_") + state;
    XMLNodeAddValue(Menu, property,
                    zcFontToString(fontName, FIni->ReadInteger(SFonts, key, 0), height,
                                   FIni->ReadInteger(SFonts, key + u"Style", 0) & 0xF));
  }
  CopyIniValue(Menu, SFonts, u"ColorListBorder", u"BMColorBorder");
  CopyIniValue(Menu, SFonts, u"ColorListRow1", u"BMColorContent");
  CopyIniValue(Menu, SFonts, u"ColorListRow2", u"BMColorContent");
  CopyIniValue(Menu, SFonts, u"ColorListText", u"BMColorFont");
  if (!FIni->ExistsKey(SFonts, u"BMColorSelection")) {
    TColor selection;
    if (FIni->ExistsKey(SFonts, u"BMSelectionColor")) {
      selection = FIni->ReadColor(SFonts, u"BMSelectionColor", clBlack);
    } else {
      const Cardinal content = Cardinal(FIni->ReadColor(SFonts, u"BMColorContent", clBlack));
      const Single factor = 0.9f;
      const auto scale = [&](Integer Shift) { return Cardinal(Single((content >> Shift) & 0xFF) * factor) << Shift; };
      selection = TColor(scale(0) | scale(8) | scale(16));
    }
    FIni->WriteInteger(SFonts, u"BMColorSelection", Integer(selection));
  }
  CopyIniValue(Menu, SFonts, u"ColorListSelection", u"BMColorSelection");
  CopyIniValue(Menu, SFonts, u"ColorListSelectionHot", u"BMColorSelection");
}

// ---- layouts --------------------------------------------------------------------------------

void TZSESkinFormatZCS3v2Converter::ConvertLayouts() {
  static const std::pair<const char16_t*, const char16_t*> layouts[] = {{u"MainFrame", u"ZEPHMainForm"},
                                                                        {u"PlaylistFrame", u"PlaylistFrame"},
                                                                        {u"EqualizerFrame", u"EqualizerFrame"},
                                                                        {u"DropWheel", u"DropWheel"},
                                                                        {u"QFI", u"QFI"},
                                                                        {u"TrayControl", u"TrayControl"},
                                                                        {u"TrayControlFlow", u"TrayControlFlow"}};
  for (const auto& [oldName, formName] : layouts) ConvertLayout(oldName, formName);
}

void TZSESkinFormatZCS3v2Converter::ConvertLayout(const String& OldName, const String& FormName) {
  TZCLXMLDocument* old = TakeLayoutFile(OldName);
  if (!old) return;
  auto* document = Create<TZCLXMLDocument>();
  try {
    if (TZCLXMLNode* first = old->GetNode(0)) {
      TZCLXMLNode* root = document->Add(SItem);
      ConvertLayoutItem(first, root);
      if (IsAllInOneMode() && SameText(OldName, u"MainFrame")) WrapItems(root, false);
      if (StartsText(u"TrayControl", OldName)) WrapItems(root, true);
      FSkin->GetResources()->SaveSchema(FormName, document);
    }
  } catch (...) {
    Free(document);
    Free(old);
    throw;
  }
  Free(document);
  Free(old);
}

void TZSESkinFormatZCS3v2Converter::WrapItems(TZCLXMLNode* Root, bool Tray) {
  TZCLXMLNode* items = Root->FindNode(SItems);
  if (!items) return;
  const Integer count = items->GetCount();
  TZCLXMLNode* wrapper = items->Add(SItem);
  wrapper->GetAttributes()->AddString(SClass, u"Item");
  TZCLXMLNode* properties = wrapper->Add(SProperties);
  TZCLXMLNode* inner = wrapper->Add(SItems);
  for (Integer i = count - 1; i >= 0; --i) items->GetNode(i)->SetParent(inner);
  XMLNodeAddValue(properties, u"Alignment", u"laClient");
  if (Tray || FIni->ReadBool(u"FILE", u"FormDisableResizing", false)) {
    XMLNodeAddValue(properties, u"AllowResizeByHeight", u"False");
    XMLNodeAddValue(properties, u"AllowResizeByWidth", u"False");
  }
  if (!Tray) {
    const Integer w = FIni->ReadInteger(u"FILE", u"FormMinW", 0), h = FIni->ReadInteger(u"FILE", u"FormMinH", 0);
    if (w != 0 || h != 0) XMLNodeAddValue(properties, u"SizeMinimal", PairText(w, h));
  }
}

void TZSESkinFormatZCS3v2Converter::ConvertLayoutItem(TZCLXMLNode* Old, TZCLXMLNode* Item) {
  const bool allInOne = IsAllInOneMode();
  const String name = Attr(Old, SName);
  if (allInOne && SameText(name, u"PlsTopDock")) return;

  enum { kPlain, kTexture, kContainer, kInlined, kTabs, kPlaylistSite, kDockSite, kSite } kind = kPlain;
  String newClass = u"Item";
  const String oldClass = Attr(Old, SClass);
  const bool isFrame = SameText(name, u"PlaylistFrame") || SameText(name, u"EqualizerFrame");
  if (SameText(oldClass, u"TZEPHLayoutTextureItem")) {
    kind = kTexture;
    newClass = u"Texture";
  } else if (SameText(oldClass, u"TZEPHLayoutContainerItem")) {
    kind = kContainer;
    newClass = u"Container";
  } else if (SameText(oldClass, u"TZEPHLayoutDockSiteItem")) {
    if (allInOne && isFrame) {
      kind = kInlined;
    } else if (SameText(name, u"TabCtrl")) {
      kind = kTabs;
      newClass = u"Container";
    } else if (SameText(name, u"Container")) {
      kind = kPlaylistSite;
    } else if (isFrame) {
      kind = kDockSite;
      newClass = u"DockSite";
    } else {
      kind = kSite;
      newClass = u"Site";
    }
  }
  if (kind == kInlined) {
    if (TZCLXMLDocument* frame = TakeLayoutFile(name)) {
      if (TZCLXMLNode* top = frame->GetNode(0)) {
        TZCLXMLNode* copy = Old->Add(top->GetNodeName());
        copy->Assign(top);
        copy->GetAttributes()->SetValue(u"Align", u"Client");
      }
      Free(frame);
    }
  }

  TZCLXMLNode* properties = Item->Add(SProperties);
  Item->GetAttributes()->SetValue(SClass, newClass);
  switch (kind) {
    case kTabs:
      BuildPlaylistTabs(Old, Item);
      break;
    case kPlaylistSite:
      Old->GetAttributes()->SetValue(SName, u"PlaylistSite");
      BuildPlaylistSite(Item);
      break;
    case kSite:
    case kDockSite:
      XMLNodeAddValue(properties, u"ControlName", name);
      Old->GetAttributes()->SetValue(SName, name + u"Site");
      break;
    case kTexture:
    case kContainer: {
      XMLNodeAddValue(properties, u"Texture", name);
      if (SameText(name, u"TCCTRL")) Old->GetAttributes()->SetValue(u"AllowResizeByWidth", u"0");
      if (!allInOne) {
        if (SameText(name, u"MainDock")) AddLink(properties, u"PlaylistFrameSite", u"Visibility", u"State");
        if (SameText(name, u"PlsTopDock"))
          AddLink(properties, u"PlaylistFrame", u"Docked", u"Visibility", u"not Value");
      }
      if (kind == kContainer) {
        String clip;
        if (Old->GetAttributes()->TryGetValue(u"ClipChildrens", clip))
          XMLNodeAddValue(properties, u"ClipChildrens", clip);
        TZCLXMLNode* controls = Item->Add(SControls);
        ConvertControls(controls, name);
        XMLNodeFreeIfEmpty(controls, false);
      }
      break;
    }
    default:
      break;
  }

  TZCLXMLAttributes* attributes = Old->GetAttributes();
  String value;
  if (attributes->TryGetValue(u"Align", value)) XMLNodeAddValue(properties, u"Alignment", u"la" + value);
  if (attributes->TryGetValue(u"Name", value)) XMLNodeAddValue(properties, SName, MakeIdent(value));
  if (!allInOne) {
    const String current = Attr(Old, SName);
    if (SameText(current, u"PlsLeftBar") || SameText(current, u"PlsRightBar") || SameText(current, u"PlsBottomBar"))
      AddLink(properties, u"PlaylistFrame", u"Docked", u"State");
  }
  if (attributes->TryGetValue(u"AlignLevel", value)) XMLNodeAddValue(properties, u"AlignmentLevel", value);
  if (attributes->TryGetValue(u"AlignMargins", value)) XMLNodeAddValue(properties, u"AlignmentMargins", value);
  if (attributes->TryGetValue(u"MaxSize", value)) {
    const TPoint size = zcStringToPoint(value);
    XMLNodeAddValue(properties, u"SizeMaximal", size == TPoint(5, 2000) ? String(u"0,0") : value);
  }
  if (attributes->TryGetValue(u"MinSize", value)) XMLNodeAddValue(properties, u"SizeMinimal", value);
  for (const char16_t* same : {u"AllowResizeByHeight", u"AllowResizeByWidth", u"AutoSize"})
    if (attributes->TryGetValue(same, value)) XMLNodeAddValue(properties, same, value);
  XMLNodeFreeIfEmpty(properties, true);

  if (Old->GetCount() > 0) {
    TZCLXMLNode* items = Item->FindNode(SItems);
    if (!items) items = Item->Add(SItems);
    for (Integer i = 0; i < Old->GetCount(); ++i) ConvertLayoutItem(Old->GetNode(i), items->Add(SItem));
  }
}

void TZSESkinFormatZCS3v2Converter::BuildPlaylistSite(TZCLXMLNode* Item) {
  const Integer scrollWidth = GetImageFrameSize(u"PlaylistScroll").cx;
  TZCLXMLNode* items = Item->Add(SItems);
  for (const auto& [name, alignment] : {std::pair(u"PlsLBrdr", u"laLeft"), std::pair(u"PlsRBrdr", u"laRight")}) {
    TZCLXMLNode* border = items->Add(SItem);
    border->GetAttributes()->AddString(SClass, u"Texture");
    TZCLXMLNode* properties = border->Add(SProperties);
    XMLNodeAddValue(properties, u"Alignment", alignment);
    XMLNodeAddValue(properties, SName, name);
    XMLNodeAddValue(properties, u"Texture", name);
    // Very tall borders are cut to their top: the stretched middle repeats it anyway.
    auto* image = Create<TZCLSkinImage>();
    try {
      FSkin->GetResources()->LoadImage(name, image);
      if (image->HasPixels() && image->GetHeight() > 300) {
        image->CheckUnpacked();
        const TRect frame = image->GetFrameRect(0);
        const Integer width = frame.Right - frame.Left, rows = std::min(300, frame.Bottom - frame.Top);
        std::vector<TZCLPixel32> pixels(size_t(width) * 300);
        const TZCLPixel32* source = image->GetPixels();
        for (Integer y = 0; y < rows; ++y)
          std::copy_n(source + size_t(frame.Top + y) * image->GetWidth() + frame.Left, width,
                      pixels.begin() + size_t(y) * width);
        auto* cut = Create<TZCLSkinImage>();
        try {
          cut->LoadFromBits(pixels.data(), width, 300);
          FSkin->GetResources()->SaveImage(name, cut);
        } catch (...) {
          Free(cut);
          throw;
        }
        Free(cut);
      }
    } catch (...) {
      Free(image);
      throw;
    }
    Free(image);
  }
  TZCLXMLNode* container = items->Add(SItem);
  container->GetAttributes()->AddString(SClass, u"Container");
  XMLNodeAddValue(container->Add(SProperties), u"Alignment", u"laClient");
  TZCLXMLNode* controls = container->Add(SControls);

  TZCLXMLNode* playlist = controls->Add(u"control");
  playlist->GetAttributes()->AddString(u"link", u"Playlist");
  TZCLXMLNode* properties = playlist->Add(SProperties);
  BuildPlaylistResources(XMLNodeAddProperty(properties, u"Resources"));
  AddPlace(properties, u"1,1,1,1", RectText(TRect(0, 0, scrollWidth, 0)), u"0,0");

  TZCLXMLNode* scrollBar = controls->Add(u"control");
  scrollBar->GetAttributes()->AddString(SClass, u"ScrollBar");
  properties = scrollBar->Add(SProperties);
  AddPlace(properties, u"0,1,1,1", u"0,0,0,0", PairText(scrollWidth, 0));
  XMLNodeAddValue(properties, u"Name", u"PlaylistScrollBar");
  AddLink(properties, u"Playlist", u"Scrolling", u"Action");
  CopyTexture(properties, u"Skin", u"PlaylistScroll", u"PlaylistScroll");
  // The old "up" picture showed the button that scrolls down, and the other way round.
  CopyTexture(properties, u"SkinButtonDown", u"PlaylistScrollButtonDown", u"PlaylistScroll_up");
  CopyTexture(properties, u"SkinButtonUp", u"PlaylistScrollButtonUp", u"PlaylistScroll_down");
  CopyTexture(properties, u"SkinThumb", u"PlaylistScrollThumb", u"PlaylistScroll_thumb");
  CopyIniValue(properties, u"PlaylistScroll_thumb", u"SkinThumbOffsets", u"ContentOffset");
}

void TZSESkinFormatZCS3v2Converter::BuildPlaylistResources(TZCLXMLNode* Resources) {
  for (const char16_t* none : {u"ItemBackgroundColor", u"ItemBackgroundColor2", u"HeaderBackgroundColor"})
    XMLNodeAddValue(Resources, none, u"536870911");
  CopyIniValue(Resources, SPlaylist, u"BackgroundColor", u"BK");
  CopyIniValue(Resources, SPlaylist, u"ItemHighlightColorPlaying", u"ABK");
  CopyIniValue(Resources, SPlaylist, u"ItemHighlightColorSelected", u"SBK");
  CopyIniValue(Resources, SPlaylist, u"ItemHighlightColorSelectedPlaying", u"SABK");
  if (!CopyIniValue(Resources, SPlaylist, u"FocusRectColor", u"FocusColor"))
    XMLNodeAddValue(Resources, u"FocusRectColor", ColorOfFont(FIni->ReadString(SPlaylist, u"Nrm", String())));
  for (const auto& [suffix, key] : {std::pair(u"", u"Nrm"), std::pair(u"Playing", u"Act"),
                                    std::pair(u"Selected", u"Sel"), std::pair(u"SelectedPlaying", u"SelAct")}) {
    CopyIniValue(Resources, SPlaylist, String(u"ItemLine1Font") + suffix, String(key) + u"Hdr");
    CopyIniValue(Resources, SPlaylist, String(u"ItemLine2Font") + suffix, key);
  }
  CopyTexture(Resources, u"Skin", u"PlaylistBackground", u"PlaylistWallpaper");
  CopyTexture(Resources, u"SkinMarks", u"PlaylistMarks", u"PlaylistRating");
  XMLNodeAddValue(Resources, u"SkinSwitches", u"PlaylistSwitches");
  XMLNodeAddValue(Resources, u"HeaderExpandButtons", u"PlaylistExpandButtons");
  XMLNodeAddValue(Resources, u"HeaderSwitches", u"PlaylistSwitches");
  CopyIniValue(Resources, SPlaylist, u"HeaderHighlightColorSelected", u"SBK");
  CopyIniValue(Resources, SPlaylist, u"HeaderFont", u"Header");
  CopyIniValue(Resources, SPlaylist, u"HeaderFontSelected", u"Header");
  CopyIniValue(Resources, SPlaylist, u"ItemTextColorDead", u"DC");
  CopyIniValue(Resources, SPlaylist, u"OverlayAlpha", u"OverlayAlpha");
  CopyIniValue(Resources, SPlaylist, u"OverlayColor", u"Overlay");
  EnsureRatingImage(u"PlaylistMarks");

  const Byte selectionAlpha = Byte(FIni->ReadInteger(SPlaylist, u"SelectionAlpha", 255));
  const Byte overlayAlpha = Byte(FIni->ReadInteger(SPlaylist, u"OverlayAlpha", 255));
  const std::pair<const char16_t*, Byte> alphas[] = {
      {u"FocusRectColor", 255},
      {u"HeaderBackgroundColor", 255},
      {u"ItemBackgroundColor", 255},
      {u"ItemBackgroundColor2", 255},
      {u"HeaderHighlightColorSelected", selectionAlpha},
      {u"ItemHighlightColorPlaying", selectionAlpha},
      {u"ItemHighlightColorSelected", selectionAlpha},
      {u"ItemHighlightColorSelectedPlaying", selectionAlpha},
      {u"OverlayColor", overlayAlpha},
  };
  for (const auto& [name, alpha] : alphas)
    if (TZCLXMLNode* property = FindProperty(Resources, name)) {
      const TColor color = ParseColor(Attr(property, SValue));
      property->GetAttributes()->SetValue(SValue, IntToStr(Cardinal(TAlphaColorHelper::FromColor(color, alpha))));
    }
}

void TZSESkinFormatZCS3v2Converter::BuildPlaylistTabs(TZCLXMLNode* Old, TZCLXMLNode* Item) {
  Old->GetAttributes()->SetValue(SName, u"PlaylistTabsSite");
  const TSize tabSize = GetImageFrameSize(STabCtrl);
  Old->GetAttributes()->SetValue(u"MinSize", PairText(tabSize.cx, tabSize.cy));
  TZCLXMLNode* control = Item->Add(SControls)->Add(u"control");
  control->GetAttributes()->AddString(SClass, u"PlaylistTabs");
  TZCLXMLNode* properties = control->Add(SProperties);
  XMLNodeAddValue(properties, SName, u"PlaylistTabs");
  XMLNodeAddValue(properties, u"PopupMenu", u"pmPlaylistTabs");
  CopyTexture(properties, u"Skin", u"PlaylistTabs", STabCtrl);
  CopyIniValue(properties, STabCtrl, u"TabsOffset");
  CopyIniValue(properties, STabCtrl, u"VerticalLayout");
  const String indicator = IntToStr(ColorOfFont(FIni->ReadString(STabCtrl, u"CustomTab", String())));
  XMLNodeAddValue(properties, u"DragDropIndicator", indicator);
  XMLNodeAddValue(properties, u"DragDropIndicatorBorder", indicator);
  AddPlace(properties, u"1,1,1,1", String(), String());
  TZCLXMLNode* tabs = XMLNodeAddProperty(properties, u"TabsOptions");
  CopyTexture(tabs, u"Skin", u"PlaylistTabsButton", u"TabCtrlTab");
  CopyIniValue(tabs, STabCtrl, u"Font", u"CustomTab");
  CopyIniValue(tabs, STabCtrl, u"FontActive", u"ActiveTab");
  CopyIniValue(tabs, STabCtrl, u"FontPlaying", u"PlayingTab");
  if (!CopyIniValue(tabs, STabCtrl, u"FontPlayingActive", u"PlayingActiveTab"))
    CopyIniValue(tabs, STabCtrl, u"FontPlayingActive", u"ActiveTab");
  CopyIniValue(tabs, STabCtrl, u"IndentBetweenTabs");
  CopyIniValue(tabs, STabCtrl, u"TextOffsets", u"CustomTabTextOffset");
  CopyIniValue(tabs, STabCtrl, u"TextOffsetsActive", u"ActiveTabTextOffset");
  CopyIniAlignment(tabs, STabCtrl, u"TextAlignment", u"TextAlignment", 2);
  static const char16_t* const orders[] = {u"tctzFromLeftAndRightToMain", u"tctzFromLeftToRight",
                                           u"tctzFromRightToLeft"};
  const Integer order = FIni->ReadInteger(STabCtrl, u"TabsZOrderSorting", 0);
  XMLNodeAddValue(tabs, u"ZOrderSorting", String(orders[order >= 0 && order <= 2 ? order : 0]));
}

// ---- controls -------------------------------------------------------------------------------

bool TZSESkinFormatZCS3v2Converter::FindControlInfo(const String& Name, TZSEControlInfo& Info) {
  return FindControlInfo(Name, Info, 0);
}

bool TZSESkinFormatZCS3v2Converter::FindControlInfo(const String& Name, TZSEControlInfo& Info, Integer Depth) {
  Info = TZSEControlInfo();
  if (Depth > MaxLookupDepth) return false;
  bool found = false;
  for (const TControlRow& row : LegacyControlTable)
    if (SameText(row.Key, Name)) {
      Info = {row.ClassName, row.Source, row.SourcePin, row.TargetPin, row.PopupMenu};
      found = true;
      break;
    }
  if (!found && !Name.empty()) {
    String value;
    if (FIni->ReadValue(u"Clones", Name, value)) {
      found = FindControlInfo(value, Info, Depth + 1);
    } else {
      value = FIni->ReadString(u"CustomObjects", Name, String());
      if (!value.empty()) {
        value = StringReplace(value, u"ClassNumLabel", u"ClassDigitsLabel", {rfReplaceAll, rfIgnoreCase});
        value = StringReplace(value, u"ClassStatusLabel", u"ClassDigitsLabel", {rfReplaceAll, rfIgnoreCase});
        found = FindControlInfo(value, Info, Depth + 1);
      }
    }
  }
  if (found && SameText(FIni->ReadString(SParents, Name, String()), u"QFI") && Info.Source == u"prvPlayingFileInfo")
    Info.Source = u"prvQFI";
  return found;
}

bool TZSESkinFormatZCS3v2Converter::AdjustControlInfo(const String& Name, TZSEControlInfo& Info) {
  if (SameText(Info.ClassName, u"Slider")) {
    const Byte orientation = Byte(FIni->ReadInteger(Name, u"Orientation", 0));
    Info.ClassName = orientation == 1 ? u"SliderHorizontal" : orientation == 2 ? u"SliderMasked" : u"SliderVertical";
  } else if (SameText(Info.ClassName, u"Gauge")) {
    Info.TargetPin = u"DisplayValue";
    Info.Source = u"prvVisual";
    Info.SourcePin = FIni->ReadInteger(Name, u"Source", 0) != 0 ? u"LevelR" : u"LevelL";
  } else if (SameText(Info.ClassName, u"TimeDisplay")) {
    if (FIni->ReadBool(Name, u"Reverse", false) && Info.Source != u"prvSleepTime")
      Info.SourcePin = u"TrackPositionRemaining";
    if (FIni->ReadBool(Name, u"Static", false) && Info.SourcePin == u"TrackPosition") Info.SourcePin = u"TrackDuration";
  }
  return true;
}

void TZSESkinFormatZCS3v2Converter::ConvertControls(TZCLXMLNode* Controls, const String& Parent) {
  if (Parent.empty()) return;
  if (!FParentKeys) {
    FParentKeys = new std::vector<String>();
    auto* keys = Create<TZCLStringList>();
    FIni->ReadKeys(SParents, keys);
    for (Integer i = 0; i < keys->GetCount(); ++i) FParentKeys->push_back(keys->GetStrings(i));
    Free(keys);
  }
  std::vector<String> work;
  for (Integer i = Integer(FParentKeys->size()) - 1; i >= 0; --i) {
    const String& key = (*FParentKeys)[size_t(i)];
    if (SameText(FIni->ReadString(SParents, key, String()), Parent)) {
      work.push_back(key);
      FParentKeys->erase(FParentKeys->begin() + i);
    }
  }
  std::vector<std::pair<Integer, String>> ordered;
  for (const String& name : work) ordered.emplace_back(FIni->ReadInteger(name, u"ZOrder", 0), name);
  std::stable_sort(ordered.begin(), ordered.end(), [](const auto& A, const auto& B) { return A.first < B.first; });
  for (const auto& [order, name] : ordered) ConvertControl(Controls, name);
}

void TZSESkinFormatZCS3v2Converter::ConvertControl(TZCLXMLNode* Controls, const String& Name) {
  if (FIni->ReadInteger(Name, u"PlaceWidth", 0) == 0 && FIni->ReadInteger(Name, u"PlaceHeight", 0) == 0) return;
  TZSEControlInfo info;
  if (FindControlInfo(Name, info) && AdjustControlInfo(Name, info)) {
    TZCLXMLNode* control = Controls->Add(u"control");
    control->GetAttributes()->AddString(SClass, info.ClassName);
    TZCLXMLNode* properties = control->Add(SProperties);
    XMLNodeAddValue(properties, u"Name", Name);
    XMLNodeAddValue(properties, u"Skin", Name);
    AddPlaceInfo(properties, Name);
    AddLink(properties, info.Source, info.SourcePin, info.TargetPin);
    if (!info.PopupMenu.empty()) XMLNodeAddValue(properties, u"PopupMenu", info.PopupMenu);
    CopyIniValue(properties, Name, u"Font");
    AddClassProperties(properties, Name, info);
    return;
  }
  if (SameText(Name, u"QuickSearch")) {
    TZCLXMLNode* control = Controls->Add(u"control");
    control->GetAttributes()->AddString(u"link", u"PlaylistSearch");
    TZCLXMLNode* properties = control->Add(SProperties);
    CopyTexture(properties, u"Skin", u"PlaylistSearch", u"QuickSearch");
    AddPlaceInfo(properties, u"QuickSearch");
    CopyIniAlignment(properties, u"QuickSearch", u"TextAlign", u"TextAlign", 0);
    CopyIniValue(properties, u"QuickSearch", u"Color");
    CopyIniValue(properties, u"QuickSearch", u"Font");
    return;
  }
  for (const char16_t* part :
       {u"DropWheel_OK", u"DropWheel_CUR", u"DropWheel_BTM", u"DropWheel_TOP", u"DropWheel_RND", u"DropWheel_CANCEL"})
    if (SameText(Name, part)) {
      TZCLXMLNode* control = Controls->Add(u"control");
      control->GetAttributes()->AddString(u"link", Name);
      TZCLXMLNode* properties = control->Add(SProperties);
      XMLNodeAddValue(properties, u"Skin", Name);
      AddPlaceInfo(properties, Name);
      return;
    }
}

void TZSESkinFormatZCS3v2Converter::AddClassProperties(TZCLXMLNode* Properties, const String& Name,
                                                       const TZSEControlInfo& Info) {
  const String& kind = Info.ClassName;
  auto digits = [&] {
    Integer defaultDigits = 1;
    if (SameText(Name, u"SleepTime"))
      defaultDigits = 8;
    else if (SameText(Name, u"Time") || SameText(Name, u"TrayTime"))
      defaultDigits = 6;
    else if (SameText(Name, u"BRINFO") || SameText(Name, u"TrayKBPS"))
      defaultDigits = 3;
    else if (SameText(Name, u"SRINFO") || SameText(Name, u"TrayKHZ"))
      defaultDigits = 2;
    XMLNodeAddValue(Properties, u"Digits", FIni->ReadInteger(Name, u"Digits", defaultDigits));
    CopyIniValue(Properties, Name, u"IndentBetweenDigits");
  };
  if (SameText(kind, u"CoverArtDisplay")) {
    CopyIniValue(Properties, Name, u"BorderColor", u"Border");
    CopyIniValue(Properties, Name, u"ContentOffsets", u"Offsets");
  } else if (SameText(kind, u"Switch")) {
    if (SameText(Name, u"TrayDHFI") || SameText(Name, u"TraySot"))
      AddLink(Properties, Info.Source, Info.SourcePin, u"State");
  } else if (SameText(kind, u"TextDisplay")) {
    CopyIniAlignment(Properties, Name, u"Alignment", u"TextAlign", 0);
    if (!SameText(Name, u"QFIFileName")) CopyIniValue(Properties, Name, u"Template");
  } else if (SameText(kind, u"DigitsDisplay")) {
    digits();
  } else if (SameText(kind, u"TimeDisplay")) {
    digits();
    if (Info.Source == u"prvSleepTime" || Info.Source == u"prvSystemTime")
      AddLink(Properties, Info.Source, u"Flashing", u"Flashing");
  } else if (SameText(kind, u"SliderHorizontal") || SameText(kind, u"SliderVertical")) {
    XMLNodeAddValue(Properties, u"SkinThumb", Name + u"_thumb");
    XMLNodeAddValue(Properties, u"ProgressFillingMode",
                    FIni->ReadInteger(Name, u"ProgressFillingMode", 0) == 0 ? u"pfmOverlay" : u"pfmReplace");
    CopyIniValue(Properties, Name, u"Segmentation");
  } else if (SameText(kind, u"SpectrumDisplay")) {
    CopyIniValue(Properties, Name, u"Color");
    CopyIniValue(Properties, Name, u"ColumnsIndent", u"Indent");
    CopyIniValue(Properties, Name, u"ColumnsCount", u"Peaks");
    CopyIniValue(Properties, Name, u"DisablePeaks");
    CopyIniValue(Properties, Name, u"PeakColor");
    XMLNodeAddValue(Properties, u"PeakColumns", Name + u"Peaks");
    XMLNodeAddValue(Properties, u"PeakLimits", Name + u"PeakLimits");
    const Integer orientation = FIni->ReadInteger(Name, u"Orientation", 0);
    XMLNodeAddValue(Properties, u"Orientation", orientation == 0 ? u"asoTop" : u"asoBottom");
    static const char16_t* const sources[] = {u"ssCommon", u"ssLeft", u"ssRight"};
    XMLNodeAddValue(Properties, u"Source", String(sources[std::clamp(orientation, 0, 2)]));
  } else if (SameText(kind, u"Gauge")) {
    CopyIniValue(Properties, Name, u"ReactionSpeedLevelDown");
    CopyIniValue(Properties, Name, u"ReactionSpeedLevelUp");
    XMLNodeAddValue(Properties, u"Kind", std::clamp(FIni->ReadInteger(Name, u"Style", 0), 0, 3));
  } else if (SameText(kind, u"Animator")) {
    CopyIniValue(Properties, Name, u"AnimationInterval");
  } else if (SameText(kind, u"PlaylistBox")) {
    TZCLXMLNode* popup = XMLNodeAddProperty(Properties, u"PopupResources");
    CopyIniValue(popup, Name, u"Font", u"FontPopup");
    CopyIniValue(popup, Name, u"ColorBackground", u"FontBk");
    CopyIniAlignment(Properties, Name, u"TextAlign", u"TextAlign", 0);
  } else if (SameText(kind, u"EqualizerDisplay")) {
    CopyIniValue(Properties, Name, u"ColorCurve", u"EQVISE");
    CopyIniValue(Properties, Name, u"ColorPreamp", u"EQVISL");
  } else if (SameText(kind, u"Rating")) {
    AddLink(Properties, Info.Source, u"MarkAvailable", u"Visibility");
    CopyIniValue(Properties, Name, u"IndentBetweenFrames", u"IndentBetweenDigits");
    EnsureRatingImage(Name);
  }
}

void TZSESkinFormatZCS3v2Converter::EnsureRatingImage(const String& Name) {
  TZSESkinFile* file;
  auto* image = Create<TZCLSkinImage>();
  try {
    // The default stars are a plain strip of four states: it takes its frame count like a
    // skin's own one-frame image.
    if (!FSkin->GetFiles()->Find(Name, sfkImage, file))
      FSkin->GetFiles()->AddFromResource(Name, sfkImage, nullptr, u"DEFAULT-STARS", SZcsp);
    FSkin->GetResources()->LoadImage(Name, image);
    if (image->GetFrameCount() == 1) {
      image->SetFrameCount(4);
      FSkin->GetResources()->SaveImage(Name, image);
    }
  } catch (...) {
    Free(image);
    throw;
  }
  Free(image);
}

// ---- 3.04 -----------------------------------------------------------------------------------

void TZSESkinFormatZCS3v1Converter::Prepare() {
  TZSESkinFormatZCS3v2Converter::Prepare();
  ConvertBitmaps();
}

Integer TZSESkinFormatZCS3v1Converter::DefaultFrameCount(const String& Name) {
  TZSEControlInfo info;
  if (!FindControlInfo(Name, info)) return 1;
  if (SameText(info.ClassName, u"Button")) return 4;
  if (SameText(info.ClassName, u"Switch")) return 6;
  if (SameText(info.ClassName, u"DigitsDisplay") || SameText(info.ClassName, u"TimeDisplay"))
    return info.SourcePin == u"State" ? 3 : 13;
  return 1;
}

bool TZSESkinFormatZCS3v1Converter::LoadSkinImageFromIni(TZCLSkinImage* Image, const String& Name,
                                                         Integer DefaultFrameCount) {
  return LoadBitmapImage(Image, Name, Name, DefaultFrameCount);
}

bool TZSESkinFormatZCS3v1Converter::LoadBitmapImage(TZCLSkinImage* Image, const String& FileName, const String& Section,
                                                    Integer DefaultFrameCount) {
  TZSESkinFile* file;
  if (!FSkin->GetFiles()->Find(FileName, sfkBitmap, file)) return false;
  FSkin->GetResources()->Load(FileName, sfkBitmap, [&](TStream* Stream) { Image->LoadFromStream(*Stream); });
  Image->BeginUpdate();
  Image->SetLayout(FIni->ReadInteger(Section, u"SkinLayout", 0) != 0 ? ilVertical : ilHorizontal);
  Image->SetFrameCount(FIni->ReadInteger(Section, u"SkinFrames", DefaultFrameCount));
  const TRect first = FIni->ReadRect(Section, u"TLC"), second = FIni->ReadRect(Section, u"TRC");
  Image->SetTiledAreas({first.Left, LegacySaturate(Int64(first.Right) - first.Left), second.Left,
                        LegacySaturate(Int64(second.Right) - second.Left)});
  Image->SetTiledAreasMode(FIni->ReadInteger(Section, u"TCM", 0) != 0 ? tpmVertical : tpmHorizontal);
  Image->SetMargins(FIni->ReadRect(Section, u"Margins"));
  Image->SetStretchMode(TZCLStretchMode(std::clamp(FIni->ReadInteger(Section, u"StretchMode", 0), 0, 2)));
  Image->SetHitTestMaskFrameIndex(FIni->ReadInteger(Section, u"SkinHitTestMaskFrame", 0));
  Image->SetHitTestMask(FIni->ReadInteger(Section, u"SkinHitTestMask", 0) != 0 ? ihtmMask : ihtmOpaque);
  Image->EndUpdate();
  return true;
}

void TZSESkinFormatZCS3v1Converter::ConvertBitmaps() {
  std::vector<String> names;
  TZSESkinFiles* files = FSkin->GetFiles();
  for (Integer i = 0; i < files->GetCount(); ++i) {
    TZSESkinFile* file = files->GetItem(i);
    if (file->GetKind() != sfkBitmap) continue;
    const String& name = file->GetName();
    if (SameText(name, u"ImgList") || SameText(name, u"TrayIcons") || SameText(name, u"Menu") ||
        SameText(name, u"Preview"))
      continue;
    names.push_back(name);
  }
  for (const String& name : names) {
    const size_t dot = name.rfind(u'.');
    const String imageName = dot == String::npos ? name : name.substr(0, dot);
    auto* image = Create<TZCLSkinImage>();
    try {
      LoadBitmapImage(image, name, imageName, DefaultFrameCount(imageName));
      FSkin->GetResources()->SaveImage(imageName, image);
    } catch (...) {
      Free(image);
      throw;
    }
    Free(image);
    files->Delete(name, sfkBitmap);
  }
}

void LegacyConverterInitialize() {
  SkinConverters()->Add(TZSESkinFormatZCS3v1Converter::StaticClass());
  SkinConverters()->Add(TZSESkinFormatZCS3v2Converter::StaticClass());
}
