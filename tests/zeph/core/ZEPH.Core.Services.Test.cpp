#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "os/OS.Files.h"
#include "os/OS.Windows.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.MUI.h"
#include "zcl/base/ZCL.Utils.Messaging.h"
#include "zcl/base/ZCL.Web.h"
#include "zeph/core/ZEPH.Core.Config.h"
#include "zeph/core/ZEPH.Core.Messages.h"
#include "zeph/core/ZEPH.Core.Services.h"
#include "zeph/core/ZEPH.Core.ShutdownDialog.h"
#include "zeph/core/ZEPH.Core.TestUtil.h"
#include "zeph/core/ZEPH.Core.Version.h"
#include "zeph/core/ZEPH.Core.h"

namespace {
template <InterfaceType I>
IPtr<I> Service() {
  IPtr<I> service;
  EXPECT_TRUE(CoreGetService(service));
  return service;
}

IPtr<IZEPHString> S(const String& Text) { return MakePluginString(Text); }

std::vector<TZEPHPowerAction> GPowerActions;
bool RecordPowerAction(TZEPHPowerAction Action) {
  GPowerActions.push_back(Action);
  return false;
}

// Runs what was posted to the library's message window; drops a quit request and reports it.
bool ProcessPosted() {
  MSG msg;
  bool quit = false;
  while (PeekMessage(msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT)
      quit = true;
    else
      DispatchMessage(msg);
  }
  return quit;
}

TZEPHShutdownDialogForm* FindDialog() {
  for (Integer i = 0; i < Screen->GetFormCount(); ++i)
    if (auto* form = dynamic_cast<TZEPHShutdownDialogForm*>(Screen->GetForms(i))) return form;
  return nullptr;
}
}  // namespace

TEST(ZephCoreServices, TheCoreFindsEveryService) {
  EXPECT_TRUE(Service<IZEPHServiceConfig>());
  EXPECT_TRUE(Service<IZEPHServiceConnectionSettings>());
  EXPECT_TRUE(Service<IZEPHServiceHTTPClient>());
  EXPECT_TRUE(Service<IZEPHServiceHTTPClient2>());
  EXPECT_TRUE(Service<IZEPHServiceHTTPClient3>());
  EXPECT_TRUE(Service<IZEPHServiceMUI>());
  EXPECT_TRUE(Service<IZEPHServiceShutdown>());
  EXPECT_TRUE(Service<IZEPHServiceThreads>());
  EXPECT_TRUE(Service<IZEPHDeprecatedServiceThreadPool>());
  EXPECT_TRUE(Service<IZEPHServiceVersionInfo>());
  EXPECT_TRUE(Service<IZEPHServiceMessageDispatcher>());
}

TEST(ZephCoreServices, ConfigurationServiceOnTheMainThreadOnly) {
  IPtr<IZEPHServiceConfig> config = Service<IZEPHServiceConfig>();
  EXPECT_EQ(config->SetValueAsInt32(S(u"Plugin\\Count").get(), 3), S_OK);
  EXPECT_EQ(CoreConfigGetIniFile()->ReadInteger(u"Plugin", u"Count", 0), 3);
  HRESULT fromWorker = S_OK, flushFromWorker = S_OK;
  Integer value = 0;
  std::thread([&] {
    fromWorker = config->GetValueAsInt32(S(u"Plugin\\Count").get(), value);
    flushFromWorker = config->FlushCache();
  }).join();
  EXPECT_EQ(fromWorker, E_ACCESSDENIED);
  EXPECT_EQ(flushFromWorker, E_ACCESSDENIED);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(config->FlushCache(), S_OK);
  EXPECT_TRUE(FileExists(CoreConfigGetIniFile()->GetFileName()));
}

TEST(ZephCoreServices, ConnectionSettings) {
  IPtr<IZEPHServiceConnectionSettings> settings = Service<IZEPHServiceConnectionSettings>();
  const String defaultAgent = TZCLWebSettings::GetDefaultUserAgent();
  struct Case {
    Integer Id, Written, Read;
  } cases[] = {{ZEPH_CONN_TYPE, 1, 0}, {ZEPH_CONN_TYPE, 7, 2}, {ZEPH_CONN_TYPE, 0, 0},
               {ZEPH_CONN_TIMEOUT, 100, 1000}, {ZEPH_CONN_TIMEOUT, 60000, 30000}, {ZEPH_CONN_TIMEOUT, 5000, 5000}};
  for (const Case& c : cases) {
    EXPECT_EQ(settings->SetValueAsInt32(c.Id, c.Written), S_OK);
    EXPECT_EQ(PropertyListReadInt32(settings.get(), c.Id, -1), c.Read) << c.Id << "=" << c.Written;
  }
  EXPECT_EQ(settings->SetValueAsObject(ZEPH_CONN_PROXY_SERVER, S(u"proxy.local").get()), S_OK);
  EXPECT_EQ(settings->SetValueAsObject(ZEPH_CONN_PROXY_PORT, S(u"3128").get()), S_OK);
  settings->SetValueAsInt32(ZEPH_CONN_TYPE, 1);
  EXPECT_EQ(PropertyListReadInt32(settings.get(), ZEPH_CONN_TYPE, -1), 1);
  EXPECT_EQ(PropertyListReadString(settings.get(), ZEPH_CONN_PROXY_PORT), u"3128");
  EXPECT_EQ(TZCLWebSettings::GetProxy().Server, u"proxy.local");
  settings->SetValueAsInt32(ZEPH_CONN_TYPE, 0);

  settings->SetValueAsObject(ZEPH_CONN_USER_AGENT, S(u"Custom/1").get());
  EXPECT_EQ(PropertyListReadString(settings.get(), ZEPH_CONN_USER_AGENT), u"Custom/1");
  settings->SetValueAsObject(ZEPH_CONN_USER_AGENT, S(defaultAgent).get());
  EXPECT_EQ(TZCLWebSettings::GetUserAgent(), defaultAgent);
  EXPECT_EQ(PropertyListReadString(settings.get(), ZEPH_CONN_USER_AGENT), defaultAgent);
  EXPECT_EQ(settings->SetValueAsInt32(99, 1), E_NOTIMPL);
  // The core's start-up named the product of the user agent.
  EXPECT_NE(defaultAgent.find(u"ZEPH/5.40;"), String::npos);
}

TEST(ZephCoreServices, LocalizationTextsAndLanguageChanges) {
  LangFile()->WriteString(u"Plugin", u"Modes", u"a|b|c");
  IPtr<IZEPHServiceMUI> mui = Service<IZEPHServiceMUI>();
  struct Case {
    const char16_t* Path;
    Integer Part;
    HRESULT Result;
    const char16_t* Text;
  } cases[] = {{u"Plugin\\Modes", 1, S_OK, u"b"},         {u"Plugin\\Modes", -1, S_OK, u"a|b|c"},
               {u"Plugin\\Modes", -2, E_INVALIDARG, u""}, {u"Plugin\\Missing", -1, E_FAIL, u""},
               {u"Plugin", -1, E_INVALIDARG, u""},        {u"\\Modes", 0, E_INVALIDARG, u""}};
  for (const Case& c : cases) {
    IPtr<IZEPHString> value;
    EXPECT_EQ(mui->GetValuePart(S(c.Path).get(), c.Part, value), c.Result) << StringToUTF8(c.Path) << c.Part;
    EXPECT_EQ(PluginStringToStr(value.get()), c.Text);
  }
  IPtr<IZEPHString> name;
  EXPECT_EQ(mui->GetName(name), S_OK);
  EXPECT_EQ(PluginStringToStr(name.get()), u"English");

  Integer changes = 0;
  auto hook = MakeHook([&](Cardinal Message, Integer, void*, HRESULT&) {
    if (Message == ZEPH_EVENT_LANGUAGE_CHANGED) ++changes;
  });
  TZEPHCore::Instance()->GetDispatcher()->Hook(hook.get());
  LangFile()->LangChanged();
  TZEPHCore::Instance()->GetDispatcher()->Unhook(hook.get());
  EXPECT_EQ(changes, 1);
}

TEST(ZephCoreServices, VersionInformation) {
  IPtr<IZEPHServiceVersionInfo> version = Service<IZEPHServiceVersionInfo>();
  EXPECT_EQ(version->GetBuildDate(), (2026 << 16) | (3 << 8) | 1);
  EXPECT_EQ(version->GetBuildState(), 0);
  EXPECT_EQ(version->GetBuildNumber(), 1430);
  EXPECT_EQ(version->GetVersionID(), 5400);
  IPtr<IZEPHString> text;
  EXPECT_EQ(version->FormatInfo(text), S_OK);
  EXPECT_EQ(PluginStringToStr(text.get()), u"v5.40.1430");
  EXPECT_EQ(CoreUserAgentPrefix(), u"ZEPH/5.40");
  EXPECT_EQ(CoreBuildDateText(), u"(01.03.2026)");
}

class ZephShutdownService : public ::testing::Test {
 protected:
  void SetUp() override {
    GPowerActions.clear();
    detail::SetPowerActionProc(RecordPowerAction);
  }
  void TearDown() override {
    while (TZEPHShutdownDialogForm* dialog = FindDialog()) Free(dialog);
    ProcessPosted();
    detail::SetPowerActionProc(nullptr);
  }
  IPtr<IZEPHServiceShutdown> FService = Service<IZEPHServiceShutdown>();
};

TEST_F(ZephShutdownService, FlagsChooseBetweenTheDialogAndActingAtOnce) {
  EXPECT_EQ(FService->Shutdown(6), E_INVALIDARG);
  EXPECT_EQ(FService->Shutdown(0x0F), E_INVALIDARG);

  // Closing alone: no dialog; the close request runs once the caller has returned.
  EXPECT_EQ(FService->Shutdown(0x10), S_OK);
  EXPECT_EQ(FindDialog(), nullptr);
  EXPECT_TRUE(ProcessPosted());

  // Power off without asking.
  EXPECT_EQ(FService->Shutdown(0x22), S_OK);
  EXPECT_TRUE(GPowerActions.empty());
  EXPECT_FALSE(ProcessPosted());
  EXPECT_EQ(GPowerActions, (std::vector<TZEPHPowerAction>{TZEPHPowerAction::PowerOff}));

  // Asking first: the dialog counts down for power off.
  EXPECT_EQ(FService->Shutdown(2), S_OK);
  TZEPHShutdownDialogForm* dialog = FindDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->btnOk->GetCaption(), u"OK (10)");
  EXPECT_EQ(GPowerActions.size(), 1u);
}

TEST_F(ZephShutdownService, DialogCountsDownThenActs) {
  TZEPHShutdownDialogForm* dialog = TZEPHShutdownDialogForm::Execute(TZEPHPowerAction::Hibernate, true);
  EXPECT_EQ(dialog->GetFormStyle(), fsStayOnTop);
  EXPECT_TRUE(dialog->tmTimer->GetEnabled());
  for (int tick = 0; tick < 10; ++tick) dialog->tmTimerTimer(dialog->tmTimer);
  EXPECT_EQ(dialog->btnOk->GetCaption(), u"OK (1)");
  EXPECT_TRUE(GPowerActions.empty());
  dialog->tmTimerTimer(dialog->tmTimer);
  EXPECT_FALSE(dialog->tmTimer->GetEnabled());
  EXPECT_EQ(GPowerActions, (std::vector<TZEPHPowerAction>{TZEPHPowerAction::Hibernate}));
  // It asked the application to close (there is no main window: a quit request) and frees itself.
  EXPECT_TRUE(ProcessPosted());
  EXPECT_EQ(FindDialog(), nullptr);
}

TEST_F(ZephShutdownService, EnterEscapeAndClosingTheWindowCancel) {
  for (int way = 0; way < 3; ++way) {
    TZEPHShutdownDialogForm* dialog = TZEPHShutdownDialogForm::Execute(TZEPHPowerAction::PowerOff, false);
    if (way == 0) dialog->Perform(CM_DIALOGKEY, VK_RETURN, 0);
    if (way == 1) dialog->Perform(CM_DIALOGKEY, VK_ESCAPE, 0);
    if (way == 2) dialog->Close();
    EXPECT_FALSE(dialog->tmTimer->GetEnabled()) << way;
    ProcessPosted();
    EXPECT_EQ(FindDialog(), nullptr) << way;
  }
  EXPECT_TRUE(GPowerActions.empty());
}
