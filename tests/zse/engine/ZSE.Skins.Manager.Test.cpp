#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "os/OS.Files.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streams.h"
#include "support/TestSupport.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/base/ZCL.Utils.Stream.h"
#include "zse/engine/ZSE.Skins.h"

namespace {

template <class T>
using TOwned = std::unique_ptr<T, void (*)(TObject*)>;

// A stand-in format: the identity, the details, the version and the file set.
class TTestFormat : public TZSESkinFormat {
  ZCL_CLASS(TTestFormat, TZSESkinFormat)
 public:
  static String GetExtension() { return u".tsk"; }
  static TZSESkinSignature GetSignature() { return TZSESkinSignature::Make("TSKN", 1); }
  static void Load(Self, TStream* Stream, TZSESkin* Skin, const TZCLProgressEvent&) {
    Skin->GetDetails()->LoadFromStream(Stream);
    Word version = 0;
    Stream->ReadBuffer(&version, 2);
    Skin->GetDetails()->SetVersion(version);
    Skin->GetFiles()->LoadFromStream(Stream);
    ++Loads;
  }
  static void Save(Self, TStream* Stream, TZSESkin* Skin, const TZCLProgressEvent&) {
    const TZSESkinSignature identity = GetSignature();
    Stream->WriteBuffer(identity.Signature, 4);
    Stream->WriteBuffer(&identity.Version, 1);
    Skin->GetDetails()->SaveToStream(Stream);
    const Word version = Skin->GetDetails()->GetVersion().Number;
    Stream->WriteBuffer(&version, 2);
    Skin->GetFiles()->SaveToStream(Stream);
  }
  static inline Integer Loads = 0;
};

// The same identity, registered later; and another format with the same extension.
class TTestFormatTwin : public TTestFormat {
  ZCL_CLASS(TTestFormatTwin, TTestFormat)
 public:
  static String GetExtension() { return u".TSK"; }
  static void Load(Self, TStream*, TZSESkin*, const TZCLProgressEvent&) { FAIL() << "the first format wins"; }
};

// Writes its body slowly enough to be interrupted: the skin's files are followed by padding.
class TSlowFormat : public TTestFormat {
  ZCL_CLASS(TSlowFormat, TTestFormat)
 public:
  static String GetExtension() { return u".slw"; }
  static TZSESkinSignature GetSignature() { return TZSESkinSignature::Make("SLOW", 1); }
  static void Save(Self Class, TStream* Stream, TZSESkin* Skin, const TZCLProgressEvent& Progress) {
    TTestFormat::Save(Class, Stream, Skin, Progress);
    std::vector<Byte> block(4096, 0xAB);
    for (Integer i = 0; i < 64; ++i) {
      if (i == KillAt) raise(SIGKILL);
      if (i == FailAt) throw EWriteError(u"Disk full");
      Stream->WriteBuffer(block.data(), 4096);
    }
  }
  static inline Integer KillAt = -1;
  static inline Integer FailAt = -1;
};

class TFormatsFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    FSaved.Assign(*SkinFormats());
    SkinFormats()->Clear();
    SkinFormats()->Add(TTestFormat::StaticClass());
    SkinFormats()->Add(TTestFormatTwin::StaticClass());
    SkinFormats()->Add(TSlowFormat::StaticClass());
  }
  void TearDown() override {
    SkinFormats()->Assign(FSaved);
    SetSkinFolders(u"", u"");
    TSlowFormat::KillAt = TSlowFormat::FailAt = -1;
  }
  TZCLListOf<TZSESkinFormatClass> FSaved;
};

TOwned<TMemoryStream> SaveSkin(TZSESkin* Skin) {
  TOwned<TMemoryStream> stream(Create<TMemoryStream>(), &Free);
  TTestFormat::StaticClass()->Save(stream.get(), Skin, nullptr);
  stream->SetPosition(0);
  return stream;
}

TOwned<TZSESkin> SampleSkin(const String& Name, Word Version = 500) {
  TOwned<TZSESkin> skin(Create<TZSESkin>(), &Free);
  skin->GetDetails()->SetName(Name);
  skin->GetDetails()->SetVersion(Version);
  skin->GetResources()->SavePlainText(u"Notes", Name);
  return skin;
}

TEST_F(TFormatsFixture, LoadEntry) {
  TOwned<TZSESkin> skin = SampleSkin(u"Blue", 450);
  TOwned<TMemoryStream> stream = SaveSkin(skin.get());

  TOwned<TZSESkin> loaded(Create<TZSESkin>(), &Free);
  TOwned<TZSESkinDetails> details(Create<TZSESkinDetails>(), &Free);
  TZSESkinManager::Load(stream.get(), loaded.get(), details.get());
  EXPECT_EQ(loaded->GetDetails()->GetName(), u"Blue");
  EXPECT_EQ(loaded->GetDetails()->GetVersion().Number, 450);
  EXPECT_EQ(loaded->GetResources()->LoadText(u"Notes"), u"Blue");
  EXPECT_EQ(details->GetName(), u"Blue");

  // Details only, through a format without its own reader: a whole temporary skin is read.
  TTestFormat::Loads = 0;
  stream->SetPosition(0);
  details->Clear();
  TZSESkinManager::Load(stream.get(), nullptr, details.get());
  EXPECT_EQ(details->GetName(), u"Blue");
  EXPECT_EQ(details->GetVersion().Number, 450);
  EXPECT_EQ(TTestFormat::Loads, 1);

  EXPECT_THROW(TZSESkinManager::Load(nullptr, loaded.get(), nullptr), EZSEInvalidArgument);
  EXPECT_THROW(TZSESkinManager::Load(stream.get(), nullptr, nullptr), EZSEInvalidArgument);

  TOwned<TMemoryStream> unknown(Create<TMemoryStream>(), &Free);
  unknown->WriteBuffer("ZCS4\x07", 5);
  unknown->SetPosition(0);
  try {
    TZSESkinManager::LoadFromStream(unknown.get(), loaded.get());
    FAIL() << "no error";
  } catch (const EZSEInvalidFormat& e) {
    EXPECT_EQ(e.GetMessage(), u"ZCS4 v7 is invalid skin format");
  }
  // Too short for an identity: the stream's own error.
  TOwned<TMemoryStream> tiny(Create<TMemoryStream>(), &Free);
  tiny->WriteBuffer("ZC", 2);
  tiny->SetPosition(0);
  EXPECT_THROW(TZSESkinManager::LoadFromStream(tiny.get(), loaded.get()), EReadError);

  EXPECT_EQ(TZSESkinManager::GetFileMasks(), u"*.tsk;*.slw;");
}

class TBareFormat : public TZSESkinFormat {
  ZCL_CLASS(TBareFormat, TZSESkinFormat)
};

TEST_F(TFormatsFixture, BaseFormatRefusesToSave) {
  TOwned<TZSESkin> skin = SampleSkin(u"x");
  TOwned<TMemoryStream> stream(Create<TMemoryStream>(), &Free);
  try {
    TBareFormat::StaticClass()->Save(stream.get(), skin.get(), nullptr);
    FAIL() << "no error";
  } catch (const ENotSupportedException& e) {
    EXPECT_EQ(e.GetMessage(), u"TBareFormat.Save");
  }
}

TEST(SkinVersions, UnsupportedVersionText) {
  struct Case {
    Integer Version;
    const char16_t* Text;
  } cases[] = {{500, u"v5.0"}, {351, u"v3.51"}, {305, u"v3.5"}};
  for (const Case& c : cases) {
    try {
      RaiseUnsupportedVersion(c.Version);
    } catch (const EZSEUnsupportedVersion& e) {
      EXPECT_EQ(e.GetMessage(), String(u"Unsupported skin version. ") + c.Text + u" are required to use it");
    }
  }
}

// ---- version upgrade -------------------------------------------------------------------------

std::vector<Integer> GConverted;

template <Word From, Word To>
class TStepConverter : public TZSESkinConverter {
  ZCL_CLASS(TStepConverter, TZSESkinConverter)
 public:
  using TZSESkinConverter::TZSESkinConverter;
  static TZSESkinVersion GetSourceVersion() { return From; }
  static TZSESkinVersion GetTargetVersion() { return To; }
  void Convert() override {
    GConverted.push_back(From);
    if (From == FailingSource) throw EZSEException(u"Broken");
    FSkin->GetDetails()->SetVersion(To);
  }
  static inline Word FailingSource = 0;
};

TEST(SkinVersions, UpgradeRunsTheChainInOrder) {
  TZCLListOf<TZSESkinConverterClass> saved;
  saved.Assign(*SkinConverters());
  SkinConverters()->Clear();
  // Registered out of order: the lookup is by source version.
  SkinConverters()->Add(TStepConverter<450, 500>::StaticClass());
  SkinConverters()->Add(TStepConverter<300, 350>::StaticClass());
  SkinConverters()->Add(TStepConverter<351, 400>::StaticClass());
  SkinConverters()->Add(TStepConverter<350, 351>::StaticClass());
  SkinConverters()->Add(TStepConverter<400, 450>::StaticClass());
  SkinConverters()->Add(TStepConverter<600, 600>::StaticClass());  // would never end

  TOwned<TZSESkin> skin = SampleSkin(u"Old", 300);
  GConverted.clear();
  EXPECT_TRUE(TZSESkinManager::UpgradeVersion(500, skin.get()));
  EXPECT_EQ(GConverted, (std::vector<Integer>{300, 350, 351, 400, 450}));
  EXPECT_EQ(skin->GetDetails()->GetVersion().Number, 500);

  GConverted.clear();
  EXPECT_TRUE(TZSESkinManager::UpgradeVersion(500, skin.get()));
  EXPECT_TRUE(GConverted.empty());

  // No converter from 211: False and the version stays.
  skin->GetDetails()->SetVersion(211);
  EXPECT_FALSE(TZSESkinManager::UpgradeVersion(500, skin.get()));
  EXPECT_EQ(skin->GetDetails()->GetVersion().Number, 211);

  // Stops where the chain stops, recording the version reached.
  skin->GetDetails()->SetVersion(400);
  EXPECT_FALSE(TZSESkinManager::UpgradeVersion(700, skin.get()));
  EXPECT_EQ(skin->GetDetails()->GetVersion().Number, 500);

  // A converter that keeps the version does not hang the loop.
  skin->GetDetails()->SetVersion(600);
  EXPECT_FALSE(TZSESkinManager::UpgradeVersion(700, skin.get()));

  // A failing converter propagates and leaves the stored version.
  skin->GetDetails()->SetVersion(350);
  TStepConverter<351, 400>::FailingSource = 351;
  EXPECT_THROW(TZSESkinManager::UpgradeVersion(500, skin.get()), EZSEException);
  TStepConverter<351, 400>::FailingSource = 0;
  EXPECT_EQ(skin->GetDetails()->GetVersion().Number, 351);

  SkinConverters()->Assign(saved);
}

// ---- packages --------------------------------------------------------------------------------

String ReadAll(const String& FileName) {
  TFileStream file(FileName, fmOpenRead | fmShareDenyNone);
  std::string bytes(static_cast<size_t>(file.GetSize()), '\0');
  if (!bytes.empty()) file.ReadBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
  return String(bytes.begin(), bytes.end());
}

void WriteSkinFile(const String& FileName, TZSESkin* Skin) {
  TFileStream file(FileName, fmCreate);
  TTestFormat::StaticClass()->Save(&file, Skin, nullptr);
}

String Folder(const std::string& Base, const char* Sub) {
  const String path = String(Base.begin(), Base.end()) + u"/" + String(Sub, Sub + strlen(Sub)) + u"/";
  ForceDirectories(path);
  return path;
}

TEST_F(TFormatsFixture, PackagesAndFolders) {
  const std::string base = TempDir();
  const String user = Folder(base, "user"), program = Folder(base, "program");
  SetSkinFolders(user, program);

  TZSESkinPackage blue = TZSESkinPackage::Create(u"C:\\x\\Blue.tsk");
  EXPECT_EQ(blue.GetName(), u"Blue.tsk");
  EXPECT_EQ(blue.GetDisplayName(), u"Blue");
  EXPECT_EQ(blue.GetSettingsFileName(), user + u"Blue.ini");
  EXPECT_EQ(blue.GetBackupFileName(), user + u"Blue.tsk.bak");
  EXPECT_TRUE(blue == TZSESkinPackage::Create(u"BLUE.TSK"));
  TZSESkinPackage def;
  EXPECT_TRUE(def.IsDefault());
  EXPECT_TRUE(def.Exists());
  EXPECT_EQ(def.GetDisplayName(), u"Default");

  TOwned<TZSESkin> skin = SampleSkin(u"Both");
  WriteSkinFile(user + u"Both.tsk", skin.get());
  WriteSkinFile(program + u"Both.tsk", skin.get());
  WriteSkinFile(program + u"Only.slw", skin.get());
  TZSESkinPackage found;
  ASSERT_TRUE(TZSESkinManager::FindPackageByName(u"Both", found));
  EXPECT_EQ(found.GetFileName(), user + u"Both.tsk");
  ASSERT_TRUE(TZSESkinManager::FindPackageByName(u"Only", found));
  EXPECT_EQ(found.GetFileName(), program + u"Only.slw");
  EXPECT_FALSE(TZSESkinManager::FindPackageByName(u"None", found));
  EXPECT_TRUE(found.IsDefault());
  EXPECT_TRUE(TZSESkinManager::FindPackageByName(u"", found));
  EXPECT_TRUE(found.IsDefault());
  // A name alone resolves to the user's folder first.
  EXPECT_EQ(TZSESkinPackage::Create(u"Both.tsk").GetFileName(), user + u"Both.tsk");
  EXPECT_EQ(TZSESkinPackage::Create(u"Only.slw").GetFileName(), program + u"Only.slw");

  TOwned<TZSESkin> loaded(Create<TZSESkin>(), &Free);
  TZSESkinManager::LoadFromPackage(TZSESkinPackage::Create(u"Only.slw"), loaded.get());
  EXPECT_EQ(loaded->GetDetails()->GetName(), u"Both");
  EXPECT_THROW(TZSESkinManager::LoadFromFile(user + u"Missing.tsk", loaded.get()), EFOpenError);
}

TEST_F(TFormatsFixture, SaveToPackageKeepsBackup) {
  const std::string base = TempDir();
  const String user = Folder(base, "user");
  SetSkinFolders(user, Folder(base, "program"));
  TOwned<TZSESkin> skin = SampleSkin(u"Old");
  WriteSkinFile(user + u"Blue.tsk", skin.get());
  const String oldBytes = ReadAll(user + u"Blue.tsk");

  TZSESkinPackage def;
  EXPECT_FALSE(TZSESkinManager::SaveToPackage(def, skin.get(), TTestFormat::StaticClass()));

  TOwned<TZSESkin> converted = SampleSkin(u"New");
  TZSESkinPackage package = TZSESkinPackage::Create(u"Blue.tsk");
  ASSERT_TRUE(TZSESkinManager::SaveToPackage(package, converted.get(), TSlowFormat::StaticClass()));
  EXPECT_EQ(package.GetFileName(), user + u"Blue.slw");
  EXPECT_FALSE(FileExists(user + u"Blue.tsk"));
  EXPECT_EQ(ReadAll(user + u"Blue.tsk.bak"), oldBytes);
  TOwned<TZSESkin> loaded(Create<TZSESkin>(), &Free);
  TZSESkinManager::LoadFromPackage(package, loaded.get());
  EXPECT_EQ(loaded->GetDetails()->GetName(), u"New");

  // An existing backup: nothing is written.
  WriteSkinFile(user + u"Red.tsk", skin.get());
  WriteSkinFile(user + u"Red.tsk.bak", skin.get());
  TZSESkinPackage red = TZSESkinPackage::Create(u"Red.tsk");
  EXPECT_FALSE(TZSESkinManager::SaveToPackage(red, converted.get(), TSlowFormat::StaticClass()));
  EXPECT_FALSE(FileExists(user + u"Red.slw"));
  EXPECT_EQ(red.GetName(), u"Red.tsk");
}

TEST_F(TFormatsFixture, FailedSaveLeavesOldPackage) {
  const std::string base = TempDir();
  const String user = Folder(base, "user");
  SetSkinFolders(user, Folder(base, "program"));
  TOwned<TZSESkin> skin = SampleSkin(u"Old");
  WriteSkinFile(user + u"Blue.slw", skin.get());
  const String oldBytes = ReadAll(user + u"Blue.slw");

  TOwned<TZSESkin> converted = SampleSkin(u"New");
  TZSESkinPackage package = TZSESkinPackage::Create(u"Blue.slw");
  TSlowFormat::FailAt = 10;
  EXPECT_THROW(TZSESkinManager::SaveToPackage(package, converted.get(), TSlowFormat::StaticClass()), EWriteError);
  EXPECT_EQ(ReadAll(user + u"Blue.slw"), oldBytes);
  EXPECT_FALSE(FileExists(user + u"Blue.slw.bak"));
  EXPECT_FALSE(FileExists(user + u"Blue.slw.tmp"));
  EXPECT_EQ(package.GetName(), u"Blue.slw");

  TSlowFormat::FailAt = -1;
  ASSERT_TRUE(TZSESkinManager::SaveToPackage(package, converted.get(), TSlowFormat::StaticClass()));
  EXPECT_EQ(ReadAll(user + u"Blue.slw.bak"), oldBytes);
}

// The folder the parent and the re-executed child both use: named after the parent's process.
String KillFolder(pid_t Parent) {
  const String path = u"/tmp/zse-engine-kill-" + IntToStr(static_cast<Integer>(Parent)) + u"/";
  ForceDirectories(path);
  return path;
}

void SaveAndDie(Integer KillAt) {
  SetSkinFolders(KillFolder(getppid()), KillFolder(getppid()) + u"program/");
  TSlowFormat::KillAt = KillAt;
  TOwned<TZSESkin> converted = SampleSkin(u"New");
  TZSESkinPackage package = TZSESkinPackage::Create(u"Blue.slw");
  TZSESkinManager::SaveToPackage(package, converted.get(), TSlowFormat::StaticClass());
  _exit(0);
}

TEST_F(TFormatsFixture, KilledSaveLeavesOldPackage) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const String user = KillFolder(getpid());
  SetSkinFolders(user, user + u"program/");
  TOwned<TZSESkin> skin = SampleSkin(u"Old");
  WriteSkinFile(user + u"Blue.slw", skin.get());
  const String oldBytes = ReadAll(user + u"Blue.slw");

  for (Integer killAt : {0, 1, 17, 63}) {
    EXPECT_EXIT(SaveAndDie(killAt), ::testing::KilledBySignal(SIGKILL), "") << killAt;
    EXPECT_EQ(ReadAll(user + u"Blue.slw"), oldBytes) << killAt;
    EXPECT_FALSE(FileExists(user + u"Blue.slw.bak")) << killAt;
  }
  // The next save succeeds.
  TOwned<TZSESkin> converted = SampleSkin(u"New");
  TZSESkinPackage package = TZSESkinPackage::Create(u"Blue.slw");
  ASSERT_TRUE(TZSESkinManager::SaveToPackage(package, converted.get(), TSlowFormat::StaticClass()));
  EXPECT_EQ(ReadAll(user + u"Blue.slw.bak"), oldBytes);
  TOwned<TZSESkin> loaded(Create<TZSESkin>(), &Free);
  TZSESkinManager::LoadFromPackage(package, loaded.get());
  EXPECT_EQ(loaded->GetDetails()->GetName(), u"New");
  std::error_code ec;
  std::filesystem::remove_all(std::string(user.begin(), user.end()), ec);
}

}  // namespace
