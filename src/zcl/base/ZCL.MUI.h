#pragma once
// The program's user-interface language. A language file (".lng") is an INI file in the languages
// folder: a header section "File", numbered messages in "MSG" and one section per form or
// component group whose keys are component names ("<name>" the caption, "<name>.h" the hint,
// "i[<n>]" the lines of a list in the section "<section>.<name>"). One language file is current at
// a time (LangFile); loading one completes it from "English.lng", tells the listeners in three
// phases and sends WM_ZCL_LANGUAGECHANGED to every form. UI thread only.

#include "rtl/RTL.Interfaces.h"
#include "rtl/RTL.Types.h"
#include "zcl/base/ZCL.FileFormats.INI.h"

class TComponent;
class TIcon;
class TStream;
class TStrings;
class TZCLListenerList;
class TZCLStringList;

// Sent with both parameters 0 to the main form and every form of the screen when the language has
// changed: the form applies the new texts to itself (WM_USER + 101).
constexpr Cardinal WM_ZCL_LANGUAGECHANGED = 0x0400 + 101;

// Phase 3: the new language is in force.
struct IZCLLocalizationListener : virtual IInterface {
  RTL_INTERFACE(IZCLLocalizationListener, IInterface, "{B2E4F0A1-6C3D-4E8B-9A17-52D0C4E61F30}")
  virtual void LanguageChanged() = 0;
};

// Phase 1: the new file is loaded and may still be completed (default links merged in).
struct IZCLLocalizationListener2 : virtual IZCLLocalizationListener {
  RTL_INTERFACE(IZCLLocalizationListener2, IZCLLocalizationListener, "{B2E4F0A1-6C3D-4E8B-9A17-52D0C4E61F31}")
  virtual void LanguageLoaded() = 0;
};

// Phase 2: the forms are about to be told.
struct IZCLLocalizationListener3 : virtual IZCLLocalizationListener {
  RTL_INTERFACE(IZCLLocalizationListener3, IZCLLocalizationListener, "{B2E4F0A1-6C3D-4E8B-9A17-52D0C4E61F32}")
  virtual void LanguageChanging() = 0;
};

// A component that applies the language file itself (and to its children); LangApplyTo leaves
// its children to it.
struct IZCLLocalizableComponent : virtual IInterface {
  RTL_INTERFACE(IZCLLocalizableComponent, IInterface, "{B2E4F0A1-6C3D-4E8B-9A17-52D0C4E61F33}")
  virtual void Localize(const String& Section, const String& Name) = 0;
};

// The form that roots a component tree: the section its components are localized from.
struct IZCLLocalizableComponentRoot : virtual IInterface {
  RTL_INTERFACE(IZCLLocalizableComponentRoot, IInterface, "{B2E4F0A1-6C3D-4E8B-9A17-52D0C4E61F34}")
  virtual String GetLocalizedSection() = 0;
};

struct TZCLLocalizationInfo {
  String Author;
  Integer LangId = 0;
  String Name;
  Integer VersionId = 0;
};

// The language file. Every value read through it has the two characters backslash and "n" turned
// into CR LF.
class TZCLLocalization : public TZCLIniFile {
  ZCL_CLASS(TZCLLocalization, TZCLIniFile)
 public:
  explicit TZCLLocalization(const String& AFileName = String(), bool AAutoSave = false);
  ~TZCLLocalization() override;
  // Empty, no file name, no auto-save.
  static TZCLLocalization* CreateInMemory();

  // Name is relative to the languages folder (an absolute path is taken as it is). A file that
  // cannot be opened leaves the language empty under the new name, without merging or notifying.
  void LoadFromFile(const String& Name) override;
  // Loads, takes the default code page from "File"/"ANSICP", then LangChanged.
  void LoadFromStream(TStream* Stream) override;
  bool ReadValue(const String& Section, const String& Key, String& Value) override;

  // Completes the file from "English.lng" (unless it is the English or Russian file itself, which
  // are complete) and notifies: LanguageLoaded, LanguageChanging, the language message to the
  // forms, LanguageChanged.
  void LangChanged();
  // Adds the keys missing here from a default-links INI: each value is a marker character followed
  // by "<section>><key>" or "<key>" (same section); the missing key gets the linked key's value
  // (empty when that is missing too). Existing keys are never touched.
  void MergeDefaults(TZCLIniFile* Defaults);
  // MergeDefaults with an embedded INI resource; a missing resource raises EResNotFound.
  void MergeDefaultsFromResource(const void* Instance, StringView ResName, StringView ResType);

  Integer GetLangId();
  // The file name without its folder.
  String GetShortFileName() const;
  TZCLListenerList* GetListeners() const { return FListeners; }

 private:
  TZCLListenerList* FListeners;  // owned
};

// The languages folder, with a trailing delimiter: the program folder + "Langs/" until the player
// core sets its configured path.
String GetLangsFolder();
void SetLangsFolder(const String& Value);

// The current language file, created empty on first use.
TZCLLocalization* LangFile();
void LangAddListener(const IPtr<IInterface>& Listener);
// Does nothing when LangFile has not been created.
void LangRemoveListener(const IPtr<IInterface>& Listener);

String LangGet(const String& Section, const String& Key, const String& Default);
// Message Number of "MSG"; "" when missing.
String LangGetMsg(Integer Number);
String LangGetMsgPart(Integer Number, Integer Index);
// The 0-based Index-th part of Text split at "|"; "" beyond the last part.
String LangExtractPart(const String& Text, Integer Index);
// Section + "." + Name, or Section alone for an empty Name.
String LangSubSection(const String& Section, const String& Name);

// Localizes a component tree from Section: captions and hints by component name. Nothing happens
// while no language is loaded, so the design-time texts stay.
void LangApplyTo(const String& Section, TComponent* Component);
// Line I becomes the key "i[I]" of Section; missing keys keep their lines.
void LangApplyToItems(const String& Section, TStrings* Strings);
// Replaces the links "@Lng:<section>\<key>;" and "@Lng:<key>;" (DefaultSection) by their texts; an
// unterminated link stays as written.
String LangExpandLinks(const String& Text, const String& DefaultSection);

// Adds the full names of the "*.lng" files of the languages folder to List and sorts it logically.
void LangGetFiles(TZCLStringList* List);
// The name (without folder) of the language file whose LangId is the user's interface language,
// else one of the same primary language, else "".
String LangGetDefaultFile();
// The header of a language file; a missing file gives an empty header. Icon, when given, is loaded
// from the "Icon" key, or cleared when that cannot be read.
bool LangGetInfo(const String& FileName, TZCLLocalizationInfo& Info, TIcon* Icon = nullptr);
bool LangGetInfo(TZCLIniFile* Ini, TZCLLocalizationInfo& Info, TIcon* Icon);

namespace detail {
// LangGetDefaultFile for the interface language UserLangId.
String LangFindDefaultFile(Integer UserLangId);
// Unit initialisation and finalisation: the languages folder; LangFile is freed.
void MUIInitialize();
void MUIFinalize();
}  // namespace detail
