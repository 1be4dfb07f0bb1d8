#include <gtest/gtest.h>

#include <memory>

#include "zcl/base/ZCL.Classes.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/ui/ZCL.UI.Application.h"

namespace {

class TFlagRecorder : public TZCLUnknownObject, public IZCLApplicationListener {
  ZCL_CLASS(TFlagRecorder, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZCLApplicationListener)
 public:
  std::vector<Byte> Flags;
  void Changed(Byte Changes) override { Flags.push_back(Changes); }
};

class ApplicationSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    Ini.reset(TZCLIniFile::CreateInMemory());
    TZCLApplication::ListenerAdd(&Recorder);
  }
  void TearDown() override {
    TZCLApplication::ListenerRemove(&Recorder);
    // Back to the start-up state for the other tests.
    TZCLApplication::SetTargetDPI(0);
    TZCLApplication::SetColorSchema(TZCLColorSchema::Default());
    TZCLApplication::SetUseNativeColorSchema(false);
    TZCLApplication::SetDarkMode(TZCLBoolean::Default);
    TZCLApplication::SetHideHintPause(10000);
    TZCLApplication::SetCatchExceptions(true);
  }
  void Load(const String& Text) {
    Ini->LoadFromText(u"[Main]\r\n" + Text);
    TZCLApplication::LoadSettings(Ini.get(), u"Main");
  }
  std::unique_ptr<TZCLIniFile> Ini;
  TFlagRecorder Recorder;
};

TEST_F(ApplicationSettings, LoadClampsAndParses) {
  struct Case {
    const char16_t* Text;
    Integer TargetDPI;
    TZCLBoolean DarkMode;
  } cases[] = {
      {u"TargetDPI=50\r\nDarkMode=7", 96, TZCLBoolean::True},
      {u"TargetDPI=1000\r\nDarkMode=1", 480, TZCLBoolean::False},
      {u"TargetDPI=0\r\nDarkMode=dark", 0, TZCLBoolean::Default},
      {u"TargetDPI=144\r\nDarkMode=-3", 144, TZCLBoolean::Default},
      {u"", 0, TZCLBoolean::Default},
  };
  for (const Case& c : cases) {
    Load(c.Text);
    EXPECT_EQ(TZCLApplication::GetTargetDPI(), c.TargetDPI) << String(c.Text).size();
    EXPECT_EQ(TZCLApplication::GetDarkMode(), c.DarkMode) << String(c.Text).size();
  }
  EXPECT_EQ(TZCLApplication::IsDarkMode(), false);
}

TEST_F(ApplicationSettings, SaveDeletesDefaultedKeys) {
  Load(u"ColorSchema=25600\r\nTargetDPI=96\r\nDarkMode=2\r\nHideHintPause=0\r\nCatchExceptions=0");
  EXPECT_FALSE(TZCLApplication::GetColorSchema().IsAssigned());
  EXPECT_EQ(TZCLApplication::GetHideHintPause(), 0);
  EXPECT_FALSE(TZCLApplication::GetCatchExceptions());
  TZCLApplication::SaveSettings(Ini.get(), u"Main");
  EXPECT_FALSE(Ini->ExistsKey(u"Main", u"ColorSchema"));
  EXPECT_FALSE(Ini->ExistsKey(u"Main", u"UseNativeColorSchema"));
  EXPECT_EQ(Ini->ReadInteger(u"Main", u"HideHintPause", -1), 0);
  EXPECT_EQ(Ini->ReadInteger(u"Main", u"TargetDPI", -1), 96);
  EXPECT_EQ(Ini->ReadInteger(u"Main", u"DarkMode", -1), 2);

  Load(u"ColorSchema=12810");  // hue 10, intensity 50
  EXPECT_EQ(TZCLApplication::GetColorSchema(), TZCLColorSchema::Create(10, 50));
  TZCLApplication::SetTargetDPI(0);
  TZCLApplication::SetDarkMode(TZCLBoolean::Default);
  TZCLApplication::SetHideHintPause(10000);
  TZCLApplication::SetCatchExceptions(true);
  TZCLApplication::SaveSettings(Ini.get(), u"Main");
  EXPECT_EQ(Ini->ReadInteger(u"Main", u"ColorSchema", -1), 12810);
  for (const char16_t* key : {u"TargetDPI", u"DarkMode", u"HideHintPause", u"CatchExceptions"})
    EXPECT_FALSE(Ini->ExistsKey(u"Main", key)) << String(key).size();
}

TEST_F(ApplicationSettings, ListenersHearEachChangeOnce) {
  TZCLApplication::SetTargetDPI(120);
  TZCLApplication::SetTargetDPI(120);
  TZCLApplication::SetColorSchema(TZCLColorSchema::Create(30, 100));
  TZCLApplication::SetDarkMode(TZCLBoolean::False);  // the system default is light: nothing to tell
  TZCLApplication::SetDarkMode(TZCLBoolean::True);   // dark with a schema: dark mode and schema
  TZCLApplication::SetColorSchema(TZCLColorSchema::Default());
  TZCLApplication::SetDarkMode(TZCLBoolean::Default);  // back to light, no schema
  EXPECT_EQ(Recorder.Flags, (std::vector<Byte>{16, 8, 1 | 8, 8, 1}));
  EXPECT_FALSE(TZCLApplication::IsDarkMode());

  TZCLApplication::SetUseNativeColorSchema(true);
  TZCLApplication::SetColorSchema(TZCLColorSchema::Create(5, 60));
  EXPECT_FALSE(TZCLApplication::GetUseNativeColorSchema());  // an explicit schema wins
}

}  // namespace
