#include "zcl/base/ZCL.MUI.h"

#include "os/OS.System.h"
#include "os/OS.Windows.h"
#include "rtl/RTL.Classes.h"
#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.StringList.h"
#include "rtl/RTL.TypInfo.h"
#include "vcl/VCL.ActnList.h"
#include "vcl/VCL.Controls.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Imaging.h"
#include "vcl/VCL.Menus.h"
#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/base/ZCL.Utils.Strings.h"

namespace {
TZCLLocalization* GLangFile = nullptr;
String* GLangsFolder = nullptr;

constexpr StringView LinkPrefix = u"@Lng:";

String DefaultLangsFolder() { return zcModulePath() + u"Langs/"; }

// An ANSICP the converters do not know would turn every 8-bit text empty: such a value means the
// system code page, as 0 does.
Integer UsableCodePage(Integer CodePage) {
  TCodePageInfo info;
  return CodePage > 0 && GetCodePageInfo(CodePage, info) ? CodePage : 0;
}

// An empty key would find the first line without a name, which is no key at all.
String ReadLinked(TZCLIniFile* Ini, const String& Section, const String& Key) {
  return Key.empty() ? String() : Ini->ReadString(Section, Key, String());
}

bool HasAssignedAction(TComponent* Component) {
  if (auto* control = dynamic_cast<TControl*>(Component)) return control->GetAction() != nullptr;
  if (auto* item = dynamic_cast<TMenuItem*>(Component)) return item->GetAction() != nullptr;
  PPropInfo info = GetPropInfo(Component, u"Action");
  return info != nullptr && info->PropType->Kind == tkClass && GetObjectProp(Component, info) != nullptr;
}

void SetPublishedString(TComponent* Component, StringView PropName, const String& Value) {
  PPropInfo info = GetPropInfo(Component, PropName);
  if (info == nullptr || !tkStrings.Contains(info->PropType->Kind) || info->IsReadOnly()) return;
  SetStrProp(Component, info, Value);
}

void ApplyTo(TZCLLocalization* Lang, const String& Section, TComponent* Component) {
  const String name = Component->GetName();
  if (!name.empty()) {
    if (auto* action = dynamic_cast<TCustomAction*>(Component)) {
      const String caption = Lang->ReadString(Section, name, String());
      action->SetCaption(caption);
      const String hint = Lang->ReadString(Section, name + u".h", String());
      action->SetHint(hint.empty() ? caption : hint);
    } else if (!HasAssignedAction(Component)) {
      auto* item = dynamic_cast<TMenuItem*>(Component);
      if (item == nullptr || !item->IsLine()) {
        String value;
        if (Lang->ReadValue(Section, name, value)) SetPublishedString(Component, u"Caption", value);
        if (Lang->ReadValue(Section, name + u".h", value)) SetPublishedString(Component, u"Hint", value);
      }
    }
  }
  IPtr<IZCLLocalizableComponent> localizable;
  if (Supports(Component, localizable)) {
    localizable->Localize(Section, name);
    return;
  }
  // Counted afresh each time: a component may create or free others while it is localized.
  for (Integer i = 0; i < Component->GetComponentCount(); ++i) ApplyTo(Lang, Section, Component->GetComponent(i));
}

void SendToForm(TCustomForm* Form) {
  if (Form == nullptr || Form->GetComponentState().Contains(csDestroying)) return;
  SendMessage(Form->GetHandle(), WM_ZCL_LANGUAGECHANGED, 0, 0);
}
}  // namespace

// ---- TZCLLocalization -------------------------------------------------------------------------

TZCLLocalization::TZCLLocalization(const String& AFileName, bool AAutoSave)
    : TZCLIniFile(AFileName, AAutoSave), FListeners(Create<TZCLListenerList>()) {}

TZCLLocalization::~TZCLLocalization() { Free(FListeners); }

TZCLLocalization* TZCLLocalization::CreateInMemory() { return Create<TZCLLocalization>(String(), false); }

void TZCLLocalization::LoadFromFile(const String& Name) {
  const bool absolute = !Name.empty() && (Name[0] == u'/' || Name[0] == u'\\');
  SetFileName(absolute ? Name : GetLangsFolder() + Name);
  inherited::LoadFromFile(GetFileName());
}

void TZCLLocalization::LoadFromStream(TStream* Stream) {
  inherited::LoadFromStream(Stream);
  zcDefaultCodePage = UsableCodePage(ReadInteger(u"File", u"ANSICP", 0));
  LangChanged();
}

bool TZCLLocalization::ReadValue(const String& Section, const String& Key, String& Value) {
  if (!inherited::ReadValue(Section, Key, Value)) return false;
  if (Value.find(u'\\') != String::npos) Value = zcDecodeLineBreaks(Value);
  return true;
}

void TZCLLocalization::LangChanged() {
  if (!zcSameTextOneOf(GetShortFileName(), {u"English.lng", u"Russian.lng"}))
    MergeFile(GetLangsFolder() + u"English.lng", false);
  FListeners->Enum<IZCLLocalizationListener2>([](const auto& Listener) { Listener->LanguageLoaded(); });
  FListeners->Enum<IZCLLocalizationListener3>([](const auto& Listener) { Listener->LanguageChanging(); });
  if (Application != nullptr) SendToForm(Application->GetMainForm());
  if (Screen != nullptr)
    for (Integer i = 0; i < Screen->GetFormCount(); ++i) SendToForm(Screen->GetForms(i));
  FListeners->Enum<IZCLLocalizationListener>([](const auto& Listener) { Listener->LanguageChanged(); });
}

void TZCLLocalization::MergeDefaults(TZCLIniFile* Defaults) {
  if (Defaults == nullptr || Defaults == this) return;
  BeginUpdate();
  try {
    for (Integer s = 0; s < Defaults->GetSectionCount(); ++s) {
      const String section = Defaults->GetSectionName(s);
      TZCLStringList keys;
      Defaults->ReadKeys(section, &keys);
      for (Integer k = 0; k < keys.GetCount(); ++k) {
        const String key = keys.GetStrings(k);
        if (ExistsKey(section, key)) continue;
        const String link = Defaults->ReadString(section, key, String());
        const size_t p = link.find(u'>');
        String value;
        if (p != String::npos)
          value = ReadLinked(this, p > 1 ? link.substr(1, p - 1) : String(), link.substr(p + 1));
        else
          value = ReadLinked(this, section, link.size() > 1 ? link.substr(1) : String());
        WriteString(section, key, value);
      }
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TZCLLocalization::MergeDefaultsFromResource(const void* Instance, StringView ResName, StringView ResType) {
  TZCLIniFile* defaults = TZCLIniFile::CreateInMemory();
  try {
    defaults->LoadFromResource(Instance, ResName, ResType);
    MergeDefaults(defaults);
  } catch (...) {
    Free(defaults);
    throw;
  }
  Free(defaults);
}

Integer TZCLLocalization::GetLangId() { return ReadInteger(u"File", u"LangId", 0); }

String TZCLLocalization::GetShortFileName() const { return zcExtractFileName(GetFileName()); }

// ---- routines ---------------------------------------------------------------------------------

String GetLangsFolder() { return GLangsFolder != nullptr ? *GLangsFolder : DefaultLangsFolder(); }

void SetLangsFolder(const String& Value) {
  const String folder = Value.empty() ? Value : zcIncludeTrailingPathDelimiter(Value);
  if (GLangsFolder != nullptr)
    *GLangsFolder = folder;
  else
    GLangsFolder = new String(folder);
}

TZCLLocalization* LangFile() {
  if (GLangFile == nullptr) GLangFile = TZCLLocalization::CreateInMemory();
  return GLangFile;
}

void LangAddListener(const IPtr<IInterface>& Listener) { LangFile()->GetListeners()->Add(Listener); }

void LangRemoveListener(const IPtr<IInterface>& Listener) {
  if (GLangFile != nullptr) GLangFile->GetListeners()->Remove(Listener);
}

String LangGet(const String& Section, const String& Key, const String& Default) {
  return LangFile()->ReadString(Section, Key, Default);
}

String LangGetMsg(Integer Number) { return LangFile()->ReadString(u"MSG", IntToStr(Number), String()); }

String LangGetMsgPart(Integer Number, Integer Index) { return LangExtractPart(LangGetMsg(Number), Index); }

String LangExtractPart(const String& Text, Integer Index) {
  size_t start = 0;
  for (Integer i = 0; i < Index; ++i) {
    const size_t bar = Text.find(u'|', start);
    if (bar == String::npos) return String();
    start = bar + 1;
  }
  const size_t end = Text.find(u'|', start);
  return Text.substr(start, end == String::npos ? String::npos : end - start);
}

String LangSubSection(const String& Section, const String& Name) {
  return Name.empty() ? Section : Section + u"." + Name;
}

void LangApplyTo(const String& Section, TComponent* Component) {
  TZCLLocalization* lang = LangFile();
  if (Component == nullptr || lang->IsEmpty()) return;
  ApplyTo(lang, Section, Component);
}

void LangApplyToItems(const String& Section, TStrings* Strings) {
  if (Strings == nullptr) return;
  TZCLLocalization* lang = LangFile();
  Strings->BeginUpdate();
  try {
    for (Integer i = 0; i < Strings->GetCount(); ++i) {
      const String line = Strings->GetStrings(i);
      const String text = lang->ReadString(Section, u"i[" + IntToStr(i) + u"]", line);
      if (text != line) Strings->SetStrings(i, text);
    }
  } catch (...) {
    Strings->EndUpdate();
    throw;
  }
  Strings->EndUpdate();
}

String LangExpandLinks(const String& Text, const String& DefaultSection) {
  if (Text.find(LinkPrefix) == String::npos) return Text;
  TZCLStringBuilder* builder = TZCLStringBuilder::Get(static_cast<Integer>(Text.size()));
  try {
    size_t start = 0;
    for (;;) {
      const size_t p = Text.find(LinkPrefix, start);
      if (p == String::npos) break;
      const size_t q = Text.find(u';', p + LinkPrefix.size());
      if (q == String::npos) break;
      builder->Append(StringView(Text).substr(start, p - start));
      const String ref = Text.substr(p + LinkPrefix.size(), q - p - LinkPrefix.size());
      const size_t slash = ref.find(u'\\');
      if (slash != String::npos)
        builder->Append(ReadLinked(LangFile(), ref.substr(0, slash), ref.substr(slash + 1)));
      else
        builder->Append(ReadLinked(LangFile(), DefaultSection, ref));
      start = q + 1;
    }
    builder->Append(StringView(Text).substr(start));
  } catch (...) {
    TZCLStringBuilder::Release(builder);
    throw;
  }
  String result = builder->ToString();
  TZCLStringBuilder::Release(builder);
  return result;
}

void LangGetFiles(TZCLStringList* List) {
  if (List == nullptr) return;
  zcEnumFiles(
      GetLangsFolder(), u"*.lng;", zcfkFiles, [&](TZCLFindFileInfo* Info) { List->Add(Info->GetFullFileName()); },
      false);
  List->SortLogical();
}

String LangGetDefaultFile() { return detail::LangFindDefaultFile(GetUserDefaultUILanguage()); }

bool LangGetInfo(const String& FileName, TZCLLocalizationInfo& Info, TIcon* Icon) {
  TZCLIniFile* ini = Create<TZCLIniFile>(FileName, false);
  try {
    const bool result = LangGetInfo(ini, Info, Icon);
    Free(ini);
    return result;
  } catch (...) {
    Free(ini);
    throw;
  }
}

bool LangGetInfo(TZCLIniFile* Ini, TZCLLocalizationInfo& Info, TIcon* Icon) {
  Info.Author = Ini->ReadString(u"File", u"Author", String());
  Info.LangId = Ini->ReadInteger(u"File", u"LangId", 0);
  Info.Name = Ini->ReadString(u"File", u"Name", String());
  Info.VersionId = Ini->ReadInteger(u"File", u"VersionId", 0);
  if (Icon != nullptr &&
      !Ini->ReadStreamProc(u"File", u"Icon", [Icon](TStream* Stream) { Icon->LoadFromStream(*Stream); }))
    Icon->Assign(nullptr);
  return true;
}

namespace detail {

// Files are taken in logical order of their names, so the later of two equal candidates is the
// same on every file system. Language 0 is neutral (or unknown, or a file without a header): it
// fits nothing.
String LangFindDefaultFile(Integer UserLangId) {
  if ((UserLangId & 0xFF) == 0) return String();
  TZCLStringList files;
  LangGetFiles(&files);
  String exact;
  String primary;
  for (Integer i = 0; i < files.GetCount(); ++i) {
    TZCLLocalizationInfo info;
    const String fileName = files.GetStrings(i);
    LangGetInfo(fileName, info);
    if (info.LangId == UserLangId)
      exact = zcExtractFileName(fileName);
    else if ((info.LangId & 0xFF) == (UserLangId & 0xFF))
      primary = zcExtractFileName(fileName);
  }
  return !exact.empty() ? exact : primary;
}

void MUIInitialize() {
  if (GLangsFolder == nullptr) GLangsFolder = new String(DefaultLangsFolder());
}

void MUIFinalize() {
  FreeAndNil(GLangFile);
  delete GLangsFolder;
  GLangsFolder = nullptr;
}

}  // namespace detail
