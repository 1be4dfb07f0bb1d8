#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "os/OS.Files.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streams.h"
#include "support/TestSupport.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/base/ZCL.MUI.h"
#include "zcl/base/ZCL.Utils.Stream.h"
#include "zse/engine/ZSE.Expressions.h"
#include "zse/engine/ZSE.Forms.Utils.h"
#include "zse/engine/ZSE.Forms.h"
#include "zse/engine/ZSE.Layout.Containers.h"
#include "zse/engine/ZSE.Manager.h"
#include "zse/engine/ZSE.Scene.h"
#include "zse/engine/ZSE.Schema.h"
#include "zse/engine/ZSE.Skins.Theme.h"
#include "zse/formats/ZSE.Formats.ZCS5.h"

namespace {

template <class T>
using TOwned = std::unique_ptr<T, void (*)(TObject*)>;

// Kills the process (or fails) on a chosen lock of any of its instances.
class TTrapContainer : public TInterfacedObject, public IZCLStreamContainer {
  RTL_INTERFACES(TInterfacedObject, IZCLStreamContainer)
 public:
  TTrapContainer() : FStream(Create<TMemoryStream>()) { FStream->WriteBuffer("trap data", 9); }
  ~TTrapContainer() override { Free(FStream); }
  Int64 GetSize() override { return FStream->GetSize(); }
  TStream* LockStream() override {
    if (++Locks == KillAt) raise(SIGKILL);
    if (Locks == FailAt) throw EWriteError(u"Disk full");
    FStream->SetPosition(0);
    return FStream;
  }
  void UnlockStream() override {}
  static inline Integer Locks = 0, KillAt = -1, FailAt = -1;

 private:
  TMemoryStream* FStream;
};

// An older package: identity "TST4", then details, version and files as the engine keeps them;
// its reader adds trap files: a script (locked while converting) and two texts (locked while
// the converted package is written).
class TOldFormat : public TZSESkinFormat {
  ZCL_CLASS(TOldFormat, TZSESkinFormat)
 public:
  static String GetExtension() { return u".zcs4"; }
  static TZSESkinSignature GetSignature() { return TZSESkinSignature::Make("TST4", 1); }
  static void Load(Self, TStream* Stream, TZSESkin* Skin, const TZCLProgressEvent&) {
    Skin->GetDetails()->LoadFromStream(Stream);
    Word version = 0;
    Stream->ReadBuffer(&version, 2);
    Skin->GetDetails()->SetVersion(version);
    Skin->GetFiles()->LoadFromStream(Stream);
    ++Loads;
    if (!Traps) return;
    for (auto [name, kind] :
         {std::pair<const Char*, TZSESkinFileKind>{u"Trap", sfkScript}, {u"A", sfkText}, {u"Z", sfkText}})
      Skin->GetFiles()->Add(name, kind, IPtr<IZCLStreamContainer>(Create<TTrapContainer>()));
  }
  static void Write(const String& FileName, TZSESkin* Skin) {
    TFileStream file(FileName, fmCreate);
    file.WriteBuffer("TST4\x01", 5);
    Skin->GetDetails()->SaveToStream(&file);
    const Word version = Skin->GetDetails()->GetVersion().Number;
    file.WriteBuffer(&version, 2);
    Skin->GetFiles()->SaveToStream(&file);
  }
  static inline Integer Loads = 0;
  static inline bool Traps = false;
};

std::string ReadAll(const String& FileName) {
  TFileStream file(FileName, fmOpenRead | fmShareDenyNone);
  std::string bytes(static_cast<size_t>(file.GetSize()), '\0');
  if (!bytes.empty()) file.ReadBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
  return bytes;
}

void SetText(TZSESkin* Skin, const String& Name, TZSESkinFileKind Kind, const String& Text) {
  Skin->GetFiles()->Add(Name, Kind, IPtr<IZCLStreamContainer>(Create<TZCLStreamContainer>(StringView(Text))));
}

TZCLXMLDocument* Schema(TZSESkin* Skin) { return Skin->GetResources()->LoadDocument(u"Schema"); }

class TManagerFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    FFolder = UTF8ToString(TempDir()) + u"/skins-" + IntToStr(static_cast<Integer>(getpid())) + u"/";
    ForceDirectories(FFolder);
    SetSkinFolders(FFolder, FFolder + u"program/");
    SkinFormats()->Add(TOldFormat::StaticClass());
    TOldFormat::Traps = false;
    TTrapContainer::Locks = 0;
    TTrapContainer::KillAt = TTrapContainer::FailAt = -1;
  }
  void TearDown() override {
    SkinManager()->UnloadSkin();
    SkinFormats()->Remove(TOldFormat::StaticClass());
    SetSkinFolders(u"", u"");
    ZSEShowLoadError = nullptr;
    std::error_code ec;
    std::filesystem::remove_all(StringToUTF8(FFolder), ec);
  }
  // A 4.50 skin whose schema names two forms, the child first.
  void WriteOldPackage(const String& Name) {
    TOwned<TZSESkin> skin(Create<TZSESkin>(), &Free);
    skin->GetDetails()->SetName(u"Old");
    skin->GetDetails()->SetVersion(450);
    SetText(skin.get(), u"Schema", sfkDocument,
            u"<skin><forms><form name=\"Child\" master=\"Main\"/><form name=\"Main\"/></forms></skin>");
    TOldFormat::Write(FFolder + Name, skin.get());
  }
  String FFolder;
};

TEST_F(TManagerFixture, BuildGivesAStableIdentityOfTheSkinsContent) {
  TOwned<TZSESkin> empty(Create<TZSESkin>(), &Free);
  SkinManager()->LoadFromSkin(empty.get());
  SkinManager()->CreateForm(u"Main");
  TZSEExpressionGlobalVariables::SetValue(u"Counter", Variant(Integer(7)));
  TOwned<TZSESkin> first(Create<TZSESkin>(), &Free), second(Create<TZSESkin>(), &Free);
  SkinManager()->SaveToSkin(first.get());
  SkinManager()->SaveToSkin(second.get());
  const String id = SkinManager()->GetManifest()->GetID();
  ASSERT_EQ(id.size(), 32u);
  EXPECT_EQ(id, LowerCase(id));
  TOwned<TZCLXMLDocument> doc1(Schema(first.get()), &Free), doc2(Schema(second.get()), &Free);
  EXPECT_EQ(doc1->FindNode(u"skin")->GetAttributes()->GetValue(u"ID"), id);
  EXPECT_EQ(doc2->FindNode(u"skin")->GetAttributes()->GetValue(u"ID"), id);
  EXPECT_EQ(doc1->FindNode(u"skin")->GetAttributes()->GetValue(u"target"), u"500");
  EXPECT_EQ(first->GetDetails()->GetVersion().Number, 500);
  EXPECT_NE(doc1->FindNodeByPath({u"skin", u"variables"}), nullptr);

  // What counts: images, image sets, documents, scripts; not fonts, bitmaps, languages, texts.
  struct TCase {
    TZSESkinFileKind Kind;
    bool Changes;
  } cases[] = {{sfkImage, true}, {sfkImageSet, true}, {sfkDocument, true}, {sfkScript, true},
               {sfkFont, false}, {sfkBitmap, false},  {sfkIni, false},     {sfkText, false}};
  for (const TCase& c : cases) {
    TOwned<TZSESkin> skin(Create<TZSESkin>(), &Free);
    SkinManager()->SaveToSkin(skin.get());
    const String before = TZSESkinBuilder::CalculateID(skin.get());
    SetText(skin.get(), u"Extra", c.Kind, u"changed");
    EXPECT_EQ(TZSESkinBuilder::CalculateID(skin.get()) != before, c.Changes) << int(c.Kind);
  }
}

TEST_F(TManagerFixture, LoaderTakesMastersFirstAndToleratesMissingSections) {
  TOwned<TZSESkin> skin(Create<TZSESkin>(), &Free);
  SetText(skin.get(), u"Schema", sfkDocument,
          u"<skin><variables><variable name=\"Mode\" value=\"3\" valueType=\"Int32\"/></variables>"
          u"<forms><form name=\"Child\" master=\"Main\"/><form name=\"Orphan\" master=\"Nowhere\"/>"
          u"<form name=\"Main\"/></forms></skin>");
  SkinManager()->LoadFromSkin(skin.get());
  TZSEManager* manager = SkinManager();
  EXPECT_TRUE(manager->GetLoaded());
  TZSEBaseForm* main = manager->FindForm(u"main");
  TZSEBaseForm* child = manager->FindForm(u"Child");
  TZSEBaseForm* orphan = manager->FindForm(u"Orphan");
  ASSERT_TRUE(main && child && orphan);
  EXPECT_EQ(child->GetMasterForm(), main);
  EXPECT_EQ(orphan->GetMasterForm(), nullptr);
  EXPECT_EQ(manager->GetMainForm(), main) << "the master was created first";
  EXPECT_TRUE(manager->IsCreatedForm(child));
  EXPECT_EQ(manager->FindObject(u"Child"), child);
  EXPECT_EQ(manager->GenerateUniqueName(u"Main"), u"Main1");
  EXPECT_EQ(TZSEExpressionGlobalVariables::GetValue(u"Mode").AsInteger(), 3);

  // A document without any section, and no document at all.
  for (const Char* text : {u"<skin/>", u""}) {
    TOwned<TZSESkin> bare(Create<TZSESkin>(), &Free);
    if (*text) SetText(bare.get(), u"Schema", sfkDocument, text);
    SkinManager()->LoadFromSkin(bare.get());
    EXPECT_EQ(manager->GetFormCount(), 0);
    EXPECT_FALSE(TZSEExpressionGlobalVariables::Exists(u"Mode"));
  }
}

TEST_F(TManagerFixture, BrokenPackageLeavesTheDefaultSkinAndRaisesTheFirstError) {
  if (!ResourceExists(nullptr, u"SKIN", u"RCDATA")) GTEST_SKIP() << "no built-in default skin";
  {
    TFileStream file(FFolder + u"Bad.zcs5", fmCreate);
    file.WriteBuffer("ZCS5\x00\xF4\x01\x00\x00\x01\x10", 11);  // scrambling method 1
  }
  TZSESkinLoader* loader = Create<TZSESkinLoader>(SkinManager());
  try {
    loader->LoadPackage(TZSESkinPackage::Create(u"Bad.zcs5"));
    ADD_FAILURE() << "no error";
  } catch (const EZSEStreamCorrupted& e) {
    EXPECT_EQ(e.GetMessage(), u"Binary stream has been corrupted");
  }
  Free(loader);
  EXPECT_TRUE(SkinManager()->GetPackage().IsDefault());
  EXPECT_TRUE(SkinManager()->GetLoaded());
  TZSEBaseForm* main = SkinManager()->FindForm(u"ZEPHMainForm");
  EXPECT_NE(main, nullptr);
  // The same package again: nothing happens.
  Integer loads = 0;
  SkinManager()->OnSkinLoaded = [&] { ++loads; };
  SkinManager()->LoadSkin(TZSESkinPackage(), false);
  EXPECT_EQ(loads, 0);
  SkinManager()->OnSkinLoaded = nullptr;

  // Through the manager: the error is shown, not raised.
  String shown;
  ZSEShowLoadError = [&](const String& Text) { shown = Text; };
  Exception::SetStackTraceCapture(false);
  SkinManager()->LoadSkin(TZSESkinPackage::Create(u"Bad.zcs5"), true);
  Exception::SetStackTraceCapture(true);
  EXPECT_EQ(shown, u"Can't load skin \"Bad.zcs5\": Binary stream has been corrupted");
  // With stacks captured, the stack where it was raised follows on the next line.
  SkinManager()->LoadSkin(TZSESkinPackage::Create(u"Bad.zcs5"), true);
  const String head = u"Can't load skin \"Bad.zcs5\": Binary stream has been corrupted\r\n";
  EXPECT_EQ(shown.substr(0, head.size()), head);
  EXPECT_GT(shown.size(), head.size() + 4);
}

TEST_F(TManagerFixture, OlderPackageIsConvertedOnceAndKeptAsBackup) {
  WriteOldPackage(u"Old.zcs4");
  const std::string original = ReadAll(FFolder + u"Old.zcs4");
  TOldFormat::Loads = 0;
  SkinManager()->LoadSkin(TZSESkinPackage::Create(u"Old.zcs4"), false);
  EXPECT_EQ(TOldFormat::Loads, 1);
  EXPECT_EQ(ReadAll(FFolder + u"Old.zcs4.bak"), original);
  EXPECT_FALSE(FileExists(FFolder + u"Old.zcs4"));
  ASSERT_TRUE(FileExists(FFolder + u"Old.zcs5"));
  EXPECT_EQ(SkinManager()->GetPackage().GetName(), u"Old.zcs5");
  EXPECT_EQ(SkinManager()->GetMainForm(), SkinManager()->FindForm(u"Main"));

  TOwned<TZSESkin> converted(Create<TZSESkin>(), &Free);
  TZSESkinManager::LoadFromFile(FFolder + u"Old.zcs5", converted.get());
  EXPECT_EQ(converted->GetDetails()->GetVersion().Number, 500);
  TOwned<TZCLXMLDocument> schema(Schema(converted.get()), &Free);
  TZCLXMLNode* misc = schema->FindNodeByPath({u"skin", u"properties", u"misc"});
  ASSERT_NE(misc, nullptr);
  EXPECT_EQ(misc->GetCount(), 3);
  EXPECT_EQ(schema->FindNode(u"skin")->GetAttributes()->GetValueAsInteger(u"CompatibilityMode"),
            static_cast<Integer>(cmv450));

  // The rewritten package loads as it is.
  SkinManager()->UnloadSkin();
  SkinManager()->LoadSkin(TZSESkinPackage::Create(u"Old.zcs5"), false);
  EXPECT_EQ(TOldFormat::Loads, 1);
  EXPECT_TRUE(SkinManager()->GetLoaded());
  EXPECT_EQ(ReadAll(FFolder + u"Old.zcs4.bak"), original);
}

TEST_F(TManagerFixture, FailedRewriteLeavesTheOriginal) {
  WriteOldPackage(u"Old.zcs4");
  const std::string original = ReadAll(FFolder + u"Old.zcs4");
  TOldFormat::Traps = true;
  TTrapContainer::FailAt = 3;  // the second text, while the new package is written
  TZSESkinLoader* loader = Create<TZSESkinLoader>(SkinManager());
  EXPECT_THROW(loader->LoadPackage(TZSESkinPackage::Create(u"Old.zcs4")), EWriteError);
  Free(loader);
  EXPECT_EQ(ReadAll(FFolder + u"Old.zcs4"), original);
  EXPECT_FALSE(FileExists(FFolder + u"Old.zcs5"));
  EXPECT_FALSE(FileExists(FFolder + u"Old.zcs5.tmp"));
  EXPECT_FALSE(FileExists(FFolder + u"Old.zcs4.bak"));
}

void ConvertAndDie(const String& Folder, Integer KillAt) {
  SetSkinFolders(Folder, Folder + u"program/");
  TOldFormat::Traps = true;
  TTrapContainer::Locks = 0;
  TTrapContainer::KillAt = KillAt;
  TOwned<TZSESkinLoader> loader(Create<TZSESkinLoader>(SkinManager()), &Free);
  try {
    loader->LoadPackage(TZSESkinPackage::Create(u"Old.zcs4"));
  } catch (...) {
  }
  _exit(0);
}

TEST_F(TManagerFixture, KilledConversionKeepsOriginalAndBackup) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  WriteOldPackage(u"Old.zcs4");
  const std::string original = ReadAll(FFolder + u"Old.zcs4");
  // Locks: 1 the script while converting, 2 and 3 the texts while the new package is written;
  // with an earlier backup nothing is written, the conversion serves from memory.
  for (bool earlierBackup : {false, true}) {
    if (earlierBackup) {
      TFileStream backup(FFolder + u"Old.zcs4.bak", fmCreate);
      backup.WriteBuffer("earlier", 7);
    }
    for (Integer killAt : earlierBackup ? std::vector<Integer>{1} : std::vector<Integer>{1, 2, 3}) {
      EXPECT_EXIT(ConvertAndDie(FFolder, killAt), ::testing::KilledBySignal(SIGKILL), "") << killAt;
      EXPECT_EQ(ReadAll(FFolder + u"Old.zcs4"), original) << killAt;
      EXPECT_FALSE(FileExists(FFolder + u"Old.zcs5")) << killAt;
      if (earlierBackup)
        EXPECT_EQ(ReadAll(FFolder + u"Old.zcs4.bak"), "earlier") << killAt;
      else
        EXPECT_FALSE(FileExists(FFolder + u"Old.zcs4.bak")) << killAt;
    }
  }
}

TEST_F(TManagerFixture, SettingsOfAnotherSkinAreEmptiedBeforeUse) {
  TOwned<TZSESkin> skin(Create<TZSESkin>(), &Free);
  SetText(skin.get(), u"Schema", sfkDocument, u"<skin ID=\"0123456789abcdef0123456789abcdef\"/>");
  for (const Char* stored : {u"ffffffffffffffffffffffffffffffff", u""}) {
    TOwned<TZCLIniFile> ini(TZSESkinPackage().CreateSettingsFile(), &Free);
    ini->Clear();
    if (*stored) ini->WriteString(u"!", u"ID", stored);
    ini->WriteString(u"custom", u"Key", u"Value");
    ini->UpdateFile();
    SkinManager()->LoadFromSkin(skin.get());
    EXPECT_EQ(SkinManager()->GetCustomSettings()->GetCount(), 0) << StringToUTF8(stored);
  }
}

}  // namespace

namespace {

TEST_F(TManagerFixture, LocalizationsJoinTheLanguageAndAreBuiltBack) {
  TOwned<TZSESkin> skin(Create<TZSESkin>(), &Free);
  SetText(skin.get(), u"Schema", sfkDocument,
          u"<skin><localizations default=\"English\"><item>English</item><item>Klingon</item></localizations></skin>");
  SetText(skin.get(), u"English", sfkIni, u"[SkinTestTexts]\r\nGreeting=Hello\r\n");
  SetText(skin.get(), u"Klingon", sfkIni, u"[SkinTestTexts]\r\nGreeting=nuqneH\r\n");
  SkinManager()->LoadFromSkin(skin.get());
  EXPECT_EQ(LangGet(u"SkinTestTexts", u"Greeting", u""), u"Hello") << "the current language has no file here";

  TOwned<TZSESkin> built(Create<TZSESkin>(), &Free);
  SkinManager()->SaveToSkin(built.get());
  TOwned<TZCLXMLDocument> schema(Schema(built.get()), &Free);
  TZCLXMLNode* localizations = schema->FindNodeByPath({u"skin", u"localizations"});
  ASSERT_NE(localizations, nullptr);
  EXPECT_EQ(localizations->GetAttributes()->GetValue(u"default"), u"English");
  ASSERT_EQ(localizations->GetCount(), 2);
  TOwned<TZCLIniFile> klingon(TZCLIniFile::CreateInMemory(), &Free);
  ASSERT_TRUE(built->GetResources()->LoadIniFile(u"Klingon", klingon.get()));
  EXPECT_EQ(klingon->ReadString(u"SkinTestTexts", u"Greeting", u""), u"nuqneH");
}

}  // namespace

namespace {

TEST_F(TManagerFixture, ScalingOfFormsAndListFonts) {
  TZSEManager* manager = SkinManager();
  TZSEScaleFactors factors;
  factors.Include(sf100);
  factors.Include(sf200);
  manager->GetManifest()->SetSupportedScaleFactors(factors);
  manager->GetManifest()->SetAutoAdjustForInBetweenScaleFactors(false);
  struct TCase {
    Integer DPI;
    Byte Forced;
    bool Ignore;
    Integer RenderDPI;
  } cases[] = {{96, 0, false, 96},
               {192, 0, false, 192},
               {180, 0, false, 192},
               {96, static_cast<Byte>(sf200), false, 192},
               {96, static_cast<Byte>(sf200), true, 96}};
  for (const TCase& c : cases) {
    manager->SetScaleFactor(c.Forced);
    Integer render = 0, display = 0, scale = 0;
    manager->GetDPI(c.DPI, c.Ignore, render, display, scale);
    EXPECT_EQ(render, c.RenderDPI) << c.DPI << " forced " << int(c.Forced);
    EXPECT_GT(scale, 0);
  }
  manager->SetScaleFactor(0);
  manager->GetManifest()->Reset();

  TOwned<TFont> font(Create<TFont>(), &Free);
  font->SetHeight(-12);
  manager->ScaleFont(font.get());
  EXPECT_EQ(font->GetHeight(), -12) << "100 per cent leaves it";
  manager->SetTextScale(150);
  manager->ScaleFont(font.get());
  EXPECT_EQ(font->GetHeight(), -18);
  manager->SetTextScale(100);
}

}  // namespace

namespace {

// A skin window that records what the manager tells it, and can fail on one notice.
class TRecordingForm : public TZSEBaseForm {
  ZCL_CLASS(TRecordingForm, TZSEBaseForm)
 public:
  using TZSEBaseForm::TZSEBaseForm;
  std::vector<Integer> Codes;  // without the theme's notices, which a load also sends
  Integer ThemeNotices = 0;
  Integer FailOn = -1;
  Integer SwitchesOn = 0;  // notices that found the animation or toolbar switch on

 protected:
  void HandleNotification(Integer Code, NativeInt) override {
    if (GetAnimationsEnabled() || TZSEFormToolBar::GetSlideEnabled()) ++SwitchesOn;
    if (Code == 13)
      ++ThemeNotices;
    else
      Codes.push_back(Code);
    if (Code == FailOn) throw EZSEException(u"Form failed on " + IntToStr(Code));
  }
};

TEST_F(TManagerFixture, FormsHearTheLoadAndItsErrorsAreRaisedOnceLoaded) {
  auto* form = TCustomForm::CreateNew<TRecordingForm>(nullptr);
  form->SetName(u"Recorder");
  TOwned<TZSESkin> skin(Create<TZSESkin>(), &Free);
  SkinManager()->LoadFromSkin(skin.get());
  // Unloading, then loaded (the settings pass), then the final notices 5, 1, 7.
  EXPECT_EQ(form->Codes, (std::vector<Integer>{6, 5, 5, 1, 7}));

  form->Codes.clear();
  form->FailOn = 1;
  try {
    SkinManager()->LoadFromSkin(skin.get());
    ADD_FAILURE() << "no error";
  } catch (const EZSEException& e) {
    EXPECT_EQ(e.GetMessage(), u"Form failed on 1");
  }
  EXPECT_TRUE(SkinManager()->GetLoaded()) << "raised after the skin counts as loaded";
  EXPECT_EQ(form->Codes, (std::vector<Integer>{6, 5, 5, 1, 7})) << "the other notices still reach it";

  // The theme's resources changed.
  form->ThemeNotices = 0;
  form->FailOn = -1;
  SkinManager()->ResourceChanged(nullptr, nullptr);
  EXPECT_EQ(form->ThemeNotices, 1);
  EXPECT_EQ(SkinManager()->FindForm(u"recorder"), form);
  Free(form);
  EXPECT_EQ(SkinManager()->FindForm(u"Recorder"), nullptr);
}

TEST_F(TManagerFixture, EngineSwitchesAreTheManagersAndRestAcrossALoad) {
  // Layered windows: one switch, set from either side.
  TZSEManager* manager = SkinManager();
  auto* form = TCustomForm::CreateNew<TRecordingForm>(nullptr);
  manager->SetUseLayeredWindows(false);
  EXPECT_FALSE(TZSEBaseForm::GetUseLayeredWindows());
  EXPECT_FALSE(form->UseLayeredWindow());
  TZSEBaseForm::SetUseLayeredWindows(true);
  EXPECT_TRUE(manager->GetUseLayeredWindows());
  EXPECT_TRUE(form->UseLayeredWindow());

  // The animation and toolbar switches are off for every notice of a load, failed or not, and
  // come back as they were.
  TOwned<TZSESkin> skin(Create<TZSESkin>(), &Free);
  for (const bool before : {true, false}) {
    for (const Integer failOn : {-1, 7}) {
      TZSEBaseForm::SetAnimationsEnabled(before);
      TZSEFormToolBar::SetSlideEnabled(!before);
      form->SwitchesOn = 0;
      form->Codes.clear();
      form->FailOn = failOn;
      if (failOn < 0)
        manager->LoadFromSkin(skin.get());
      else
        EXPECT_THROW(manager->LoadFromSkin(skin.get()), EZSEException);
      EXPECT_EQ(form->Codes.front(), ZSEFormNotifySkinUnloading);
      EXPECT_EQ(form->Codes.back(), ZSEFormNotifySkinLoaded);
      EXPECT_EQ(form->SwitchesOn, 0) << before << failOn;
      EXPECT_EQ(TZSEBaseForm::GetAnimationsEnabled(), before);
      EXPECT_EQ(TZSEFormToolBar::GetSlideEnabled(), !before);
    }
  }
  TZSEBaseForm::SetAnimationsEnabled(true);
  TZSEFormToolBar::SetSlideEnabled(true);
  Free(form);
}

TEST_F(TManagerFixture, DockSitesAndGluedFormsAreTheSkinsForms) {
  auto* stranger = TCustomForm::CreateNew<TRecordingForm>(nullptr);
  stranger->SetName(u"Stranger");
  TOwned<TZSESkin> skin(Create<TZSESkin>(), &Free);
  SetText(skin.get(), u"Schema", sfkDocument,
          u"<skin><forms><form name=\"Main\"/><form name=\"Library\" master=\"Main\"/></forms></skin>");
  TZSEManager* manager = SkinManager();
  manager->LoadFromSkin(skin.get());
  auto* main = dynamic_cast<TZSEForm*>(manager->FindForm(u"Main"));
  auto* library = dynamic_cast<TZSEForm*>(manager->FindForm(u"Library"));
  ASSERT_TRUE(main && library);
  EXPECT_FALSE(main->GetLoading()) << "the end of the load reached the form";

  // Only forms the manager created for the skin count; forms are found among the manager's.
  EXPECT_TRUE(TZSELayoutDockSite::IsSkinManagerForm(library));
  EXPECT_FALSE(TZSELayoutDockSite::IsSkinManagerForm(stranger));
  EXPECT_EQ(TZSELayoutDockSiteForms::FindForm(u"library"), library);
  EXPECT_EQ(TZSELayoutDockSiteForms::FindForm(u"Nowhere"), nullptr);

  // The glued-form world is the manager's form list, in order.
  std::vector<TCustomForm*> forms;
  for (Integer i = 0; i < manager->GetFormCount(); ++i) forms.push_back(manager->GetForm(i));
  EXPECT_EQ(TZSEGluedForms::FormList(), forms);

  // Dock sites are those in the forms' layouts.
  EXPECT_TRUE(manager->GetDockSites().empty());
  auto* site = Create<TZSELayoutDockSite>();
  site->SetParent(main->GetLayout());
  site->GetAllowedForms()->Add(stranger);
  site->GetAllowedForms()->Add(library);
  site->GetAllowedForms()->SetDefault(library);
  EXPECT_EQ(manager->GetDockSites(), std::vector<TZSELayoutDockSite*>{site});
  TZSELayoutDockSite* found = nullptr;
  EXPECT_TRUE(manager->FindDockSite(library, found));
  EXPECT_EQ(found, site);
  EXPECT_FALSE(manager->FindDockSite(stranger, found));
  EXPECT_FALSE(manager->FindDockSite(main, found)) << "not its default form";
  std::vector<TZSELayoutDockSite*> sites;
  main->SetFormVisible(false);
  manager->CollectDockSites(library, main, sites);
  EXPECT_TRUE(sites.empty()) << "the holder is hidden";
  main->SetFormVisible(true);
  ASSERT_TRUE(main->GetVisible());
  manager->CollectDockSites(stranger, main, sites);
  manager->CollectDockSites(library, library, sites);
  EXPECT_TRUE(sites.empty());
  manager->CollectDockSites(library, main, sites);
  EXPECT_EQ(sites, std::vector<TZSELayoutDockSite*>{site});
  Free(stranger);
}

TEST_F(TManagerFixture, ConvertedSkinKeepsTheBodyOffsetsOfItsNewWindows) {
  if (!ResourceExists(nullptr, u"DEFAULT-MLW", u"ZCSP")) GTEST_SKIP() << "no default content";
  TOwned<TZSESkin> skin(Create<TZSESkin>(), &Free);
  skin->GetDetails()->SetVersion(350);
  SetText(skin.get(), u"Schema", sfkDocument,
          u"<skin><forms><form name=\"ZEPHMainForm\"><properties/></form></forms></skin>");
  ASSERT_TRUE(TZSESkinManager::UpgradeVersion(SkinEngineVersion, skin.get()));
  SkinManager()->LoadFromSkin(skin.get());
  for (const Char* name : {u"MusicLibraryFrame", u"LyricsFrame"}) {
    TZSEBaseForm* form = SkinManager()->FindForm(name);
    ASSERT_NE(form, nullptr) << StringToUTF8(name);
    EXPECT_EQ(form->GetMagnetRectOffsets(), TRect(5, 5, 5, 5)) << StringToUTF8(name);
  }
  // And they are built back in the same form.
  TOwned<TZSESkin> built(Create<TZSESkin>(), &Free);
  SkinManager()->SaveToSkin(built.get());
  TOwned<TZCLXMLDocument> schema(Schema(built.get()), &Free);
  TZCLXMLNode* forms = schema->FindNodeByPath({u"skin", u"forms"});
  ASSERT_NE(forms, nullptr);
  Integer written = 0;
  for (Integer i = 0; i < forms->GetCount(); ++i) {
    TZCLXMLNode* child = nullptr;
    TZCLXMLNode* properties = forms->GetNode(i)->FindNode(u"properties");
    if (properties && XMLNodeFindByName(properties, u"MagnetRectOffsets", child)) {
      EXPECT_EQ(child->GetAttributes()->GetValue(u"value"), u"5,5,5,5");
      ++written;
    }
  }
  EXPECT_EQ(written, 2);
}

}  // namespace
