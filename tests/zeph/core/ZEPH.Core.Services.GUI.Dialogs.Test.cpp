#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "os/OS.Dialogs.h"
#include "os/OS.Input.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Variant.h"
#include "support/TestSupport.h"
#include "zcl/base/ZCL.Utils.Messaging.h"
#include "zcl/base/ZCL.Utils.Shell.h"
#include "zcl/ui/ZCL.UI.Animation.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Buttons.h"
#include "zcl/ui/controls/ZCL.UI.Labels.h"
#include "zcl/ui/controls/ZCL.UI.Panels.h"
#include "zcl/ui/dialogs/ZCL.UI.Dialogs.Auth.h"
#include "zcl/ui/dialogs/ZCL.UI.Dialogs.FolderBrowser.h"
#include "zcl/ui/dialogs/ZCL.UI.Dialogs.h"
#include "zeph/core/ZEPH.Core.Objects.h"
#include "zeph/core/ZEPH.Core.Services.GUI.Dialogs.h"

namespace {
class PluginDialogsTest : public ::testing::Test {
 public:
  void SetUp() override {
    UIAnimationsEnabled = false;
    Headless::ClearFileChooser();
    Headless::RunUntilIdle();
  }
  void TearDown() override {
    Headless::ClearFileChooser();
    UIAnimationsEnabled = true;
  }
};

TFileChooserAnswer Chosen(std::vector<String> Files, int FilterIndex) {
  TFileChooserAnswer a;
  a.Outcome = TFileChooserOutcome::Chosen;
  a.Files = std::move(Files);
  a.FilterIndex = FilterIndex;
  return a;
}

TFileChooserAnswer Cancelled() {
  TFileChooserAnswer a;
  a.Outcome = TFileChooserOutcome::Cancelled;
  return a;
}

IPtr<IZEPHString> Str(const String& S) { return MakePluginString(S); }

IPtr<IZEPHObjectList> Prompts(Integer Count) {
  IPtr<IZEPHObjectList> list(Create<TZEPHObjectListAdapter>(Count));
  for (Integer i = 0; i < Count; ++i) list->Add(Str(u"Prompt").get());
  return list;
}

// Answers OnValidate: accepts exactly the texts that differ from Refused.
class TValidator : public TInterfacedObject, public IZEPHUIInputDialogEvents {
  ZCL_CLASS(TValidator, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHUIInputDialogEvents)
 public:
  String Refused;
  Integer Calls = 0;
  HRESULT OnValidate(const VARIANT& Value, Integer Index) override {
    ++Calls;
    EXPECT_EQ(Index, 0);
    return VarToStr(OleVariantToVariant(Value)) == Refused ? E_FAIL : S_OK;
  }
};

// A plugin's sign-in: refuses the first request with a message, accepts the next; the browser
// calls back as soon as the address is asked for.
class TAuthEvents : public TInterfacedObject, public IZEPHUIAuthDialogEvents {
  ZCL_CLASS(TAuthEvents, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHUIAuthDialogEvents)
 public:
  std::vector<String> Data;
  std::vector<std::string> Answers;
  HRESULT OnAuthorizationData(IZEPHString* Request, IPtr<IZEPHString>& ErrorInfo) override {
    Data.push_back(PluginStringToStr(Request));
    if (Data.size() > 1) return S_OK;
    ErrorInfo = MakePluginString(u"expired");
    return E_FAIL;
  }
  HRESULT GetAuthorizationURL(IPtr<IZEPHString>& URL) override {
    std::thread browser([&] {
      const Word port = PortOfAddress(ZCLAuthLoopbackAddress);
      Answers.push_back(LoopbackExchange(port, "GET /cb?code=1 HTTP/1.1\r\n\r\n"));
      Answers.push_back(LoopbackExchange(port, "GET /cb?code=2 HTTP/1.1\r\n\r\n"));
    });
    browser.join();
    URL = MakePluginString(u"https://auth.example.org/");
    return S_OK;
  }
};

class TCancelEvents : public TInterfacedObject, public IZEPHUIProgressDialogEvents {
  ZCL_CLASS(TCancelEvents, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHUIProgressDialogEvents)
 public:
  std::atomic<int> Calls{0};
  void OnCanceled() override { ++Calls; }
};
}  // namespace

TEST_F(PluginDialogsTest, FileDialogsAnswerNamesFilterIndexAndFailureOnCancel) {
  IPtr<TZEPHUIFileDialogs> dialogs(Create<TZEPHUIFileDialogs>());
  const auto filter = Str(u"PNG|*.png|JPEG|*.jpg|All files|*.*");

  struct TCase {
    int Chosen;
    Integer Expected;
  };
  for (const TCase& c : {TCase{3, 2}, TCase{1, 0}, TCase{0, 0}}) {
    Headless::ScriptFileChooser(Chosen({u"/tmp/a.png"}, c.Chosen));
    IPtr<IZEPHString> name = Str(u"proposed.png");
    Integer index = -1;
    ASSERT_EQ(dialogs->SaveFile(nullptr, Str(u"Save").get(), filter.get(), name, index), S_OK);
    EXPECT_EQ(index, c.Expected);
    ASSERT_TRUE(name);
  }
  EXPECT_EQ(Headless::FileChooserRequests().back().FileName, u"proposed.png");

  // Cancel: failure, both outputs kept.
  Headless::ScriptFileChooser(Cancelled());
  IPtr<IZEPHString> name = Str(u"kept");
  Integer index = 7;
  EXPECT_EQ(dialogs->SaveFile(nullptr, nullptr, filter.get(), name, index), E_FAIL);
  EXPECT_EQ(PluginStringToStr(name.get()), u"kept");
  EXPECT_EQ(index, 7);

  // Several files only for their own call.
  Headless::ScriptFileChooser(Chosen({u"/tmp/a.png", u"/tmp/b.png"}, 1));
  IPtr<IZEPHObjectList> files;
  ASSERT_EQ(dialogs->OpenFiles(nullptr, Str(u"Open").get(), filter.get(), files), S_OK);
  ASSERT_TRUE(files);
  EXPECT_EQ(files->GetCount(), 2);
  Headless::ScriptFileChooser(Chosen({u"/tmp/c.png"}, 1));
  ASSERT_EQ(dialogs->OpenFile(nullptr, Str(u"Open").get(), filter.get(), name), S_OK);
  EXPECT_EQ(PluginStringToStr(name.get()), u"/tmp/c.png");
  const auto requests = Headless::FileChooserRequests();
  ASSERT_GE(requests.size(), 2u);
  EXPECT_TRUE(requests[requests.size() - 2].MultiSelect);
  EXPECT_FALSE(requests.back().MultiSelect);
  EXPECT_EQ(requests.back().Title, u"Open");

  Headless::ScriptFileChooser(Cancelled());
  EXPECT_EQ(dialogs->OpenFile(nullptr, nullptr, filter.get(), name), E_FAIL);
  EXPECT_FALSE(name);
}

TEST_F(PluginDialogsTest, MessageBoxAnswersThePressedButtonAndRefusesEmptyText) {
  IPtr<IZEPHUIMessageDialog> box(Create<TZEPHUIMessageBox>());
  EXPECT_EQ(box->Execute(nullptr, Str(u"Title").get(), Str(u"").get(), 0), E_INVALIDARG);
  EXPECT_EQ(box->Execute(nullptr, Str(u"Title").get(), nullptr, 0), E_INVALIDARG);
  Headless::KeyPress(VK_RETURN);
  EXPECT_EQ(box->Execute(nullptr, nullptr, Str(u"Done").get(), 0), IDOK);

  HRESULT off = S_OK;
  std::thread worker([&] { off = box->Execute(nullptr, nullptr, Str(u"Done").get(), 0); });
  worker.join();
  EXPECT_EQ(off, E_ACCESSDENIED);
}

TEST_F(PluginDialogsTest, InputDialogChecksItsArgumentsFirst) {
  IPtr<IZEPHUIInputDialog> input(Create<TZEPHUIInputDialog>());
  VARIANT values[3];
  for (VARIANT& v : values) VariantInit(&v);
  struct TCase {
    const char* Name;
    IPtr<IZEPHObjectList> List;
    VARIANT* Values;
    Integer Count;
  };
  const TCase cases[] = {
      {"count below the prompts", Prompts(3), values, 2},
      {"count above the prompts", Prompts(1), values, 2},
      {"count 0", Prompts(0), values, 0},
      {"no prompts", nullptr, values, 1},
      {"no values", Prompts(1), nullptr, 1},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(input->ExecuteMultiple(nullptr, nullptr, nullptr, c.List.get(), c.Values, c.Count), E_INVALIDARG);
    // Tested before the thread, so a worker gets the same answer.
    HRESULT r = S_OK;
    std::thread worker([&] { r = input->ExecuteMultiple(nullptr, nullptr, nullptr, c.List.get(), c.Values, c.Count); });
    worker.join();
    EXPECT_EQ(r, E_INVALIDARG);
  }
}

TEST_F(PluginDialogsTest, InputDialogAsksThePluginToValidate) {
  IPtr<IZEPHUIInputDialog> input(Create<TZEPHUIInputDialog>());
  IPtr<TValidator> validator(Create<TValidator>());
  validator->Refused = u"bad";
  IInterface* events = static_cast<IZEPHUIInputDialogEvents*>(validator.get());
  VARIANT value;
  VariantInit(&value);
  VariantToOleVariant(Variant(String(u"old")), value);

  // A refused value keeps the dialog open: Enter does nothing, Escape cancels.
  Headless::TypeText(u"bad");
  Headless::KeyPress(VK_RETURN);
  Headless::KeyPress(VK_ESCAPE);
  EXPECT_EQ(input->Execute(nullptr, Str(u"Name").get(), events, Str(u"Name:").get(), value), E_FAIL);
  EXPECT_GT(validator->Calls, 0);
  EXPECT_EQ(VarToStr(OleVariantToVariant(value)), u"old");

  Headless::TypeText(u"good");
  Headless::KeyPress(VK_RETURN);
  EXPECT_EQ(input->Execute(nullptr, Str(u"Name").get(), events, Str(u"Name:").get(), value), S_OK);
  EXPECT_EQ(VarToStr(OleVariantToVariant(value)), u"good");

  // Without the events interface the dialog's own verdict stands.
  Headless::TypeText(u"bad");
  Headless::KeyPress(VK_RETURN);
  EXPECT_EQ(input->Execute(nullptr, nullptr, nullptr, nullptr, value), S_OK);
  EXPECT_EQ(VarToStr(OleVariantToVariant(value)), u"bad");
  VariantClear(&value);
}

TEST_F(PluginDialogsTest, ProgressDialogShowsOnceAndRefusesWhatNeedsAWindow) {
  IPtr<TZEPHUIProgressDialog> progress(Create<TZEPHUIProgressDialog>(nullptr));
  void* obj = nullptr;
  EXPECT_EQ(progress->GetValueAsObject(ZEPH_UI_PROGRESS_DIALOG_CAPTION, IIDOf<IZEPHString>(), &obj), E_INVALIDARG);
  EXPECT_EQ(progress->SetProgress(1, 2, nullptr), E_UNEXPECTED);
  EXPECT_EQ(progress->Close(), E_UNEXPECTED);
  ASSERT_EQ(progress->SetValueAsObject(ZEPH_UI_PROGRESS_DIALOG_CAPTION, Str(u"Copying").get()), S_OK);
  ASSERT_EQ(progress->SetValueAsInt32(ZEPH_UI_PROGRESS_DIALOG_SHOW_IN_TASKBAR, 1), S_OK);

  ASSERT_EQ(progress->Show(), S_OK);
  EXPECT_EQ(progress->Show(), E_UNEXPECTED);
  TZCLProgressDialog* dialog = progress->GetDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->GetTitle(), u"Copying");
  EXPECT_EQ(dialog->GetShowInTaskBar(), stAlways);
  EXPECT_FALSE(dialog->GetCancelButton()->GetEnabled());
  ASSERT_EQ(progress->SetProgress(1, 4, Str(u"a.txt").get()), S_OK);
  EXPECT_EQ(dialog->GetTextLabel()->GetCaption(), u"a.txt");
  ASSERT_EQ(progress->Close(), S_OK);
  EXPECT_EQ(progress->GetDialog(), nullptr);
  Headless::RunUntilIdle();
  // Shown again: a new window.
  ASSERT_EQ(progress->Show(), S_OK);
  EXPECT_NE(progress->GetDialog(), nullptr);
}

TEST_F(PluginDialogsTest, ProgressDialogWorksFromAWorkerAndReportsCancel) {
  IPtr<TCancelEvents> events(Create<TCancelEvents>());
  IPtr<TZEPHUIProgressDialog> progress(
      Create<TZEPHUIProgressDialog>(static_cast<IInterface*>(static_cast<IZEPHUIProgressDialogEvents*>(events.get()))));
  std::atomic<bool> done{false};
  HRESULT shown = E_FAIL, stepped = E_FAIL;
  std::thread worker([&] {
    shown = progress->Show();
    stepped = progress->SetProgress(2, 4, nullptr);
    done = true;
  });
  for (int i = 0; i < 200000 && !done; ++i) {
    TZCLMainThread::CheckSynchronize();
    Headless::RunUntilIdle();
    std::this_thread::yield();
  }
  worker.join();
  EXPECT_EQ(shown, S_OK);
  EXPECT_EQ(stepped, S_OK);
  TZCLProgressDialog* dialog = progress->GetDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->GetProgressBar()->GetProgress(), 50);
  EXPECT_TRUE(dialog->GetCancelButton()->GetEnabled());
  dialog->GetCancelButton()->Click();
  EXPECT_EQ(events->Calls, 1);
  progress = nullptr;  // closes the window
  Headless::RunUntilIdle();
}

TEST_F(PluginDialogsTest, FolderDialogAnswersTheChosenFoldersOrFailure) {
  const std::string dir = TempDir() + "/plugin-browse/a";
  std::filesystem::create_directories(dir);
  IPtr<TZEPHUIFileDialogs> dialogs(Create<TZEPHUIFileDialogs>());
  IPtr<IZEPHObjectList> folders;
  Headless::KeyPress(VK_RETURN);
  ASSERT_EQ(dialogs->Execute(nullptr, ZEPH_UI_BROWSE_FOLDER_MULTIPLE, Str(UTF8ToString(dir)).get(), folders), S_OK);
  ASSERT_TRUE(folders);
  ASSERT_EQ(folders->GetCount(), 1);
  void* obj = nullptr;
  ASSERT_EQ(folders->GetObject(0, IIDOf<IZEPHString>(), &obj), S_OK);
  auto path = IPtr<IZEPHString>::Adopt(static_cast<IZEPHString*>(obj));
  EXPECT_EQ(PluginStringToStr(path.get()), UTF8ToString(dir) + u"/");

  Headless::KeyPress(VK_ESCAPE);
  EXPECT_EQ(dialogs->Execute(nullptr, 0, Str(UTF8ToString(dir)).get(), folders), E_FAIL);
  EXPECT_FALSE(folders);
}

TEST_F(PluginDialogsTest, SignInPassesTheBrowsersDataToThePluginUntilItAccepts) {
  IPtr<IZEPHUIAuthDialog> auth(Create<TZEPHUIAuthDialog>());
  IPtr<IInterface> plain(Create<TInterfacedObject>());
  EXPECT_EQ(auth->Execute(nullptr, nullptr, nullptr, plain.get(), 0), E_INVALIDARG);
  auto* probe = new TAuthServer(PortOfAddress(ZCLAuthLoopbackAddress), {}, u"");
  const bool portFree = probe->GetListening();
  Free(probe);
  if (!portFree) GTEST_SKIP() << "the sign-in port is in use on this machine";
  auto previous = detail::SetShellLauncher([](const String&, const String&) { return true; });
  IPtr<TAuthEvents> events(Create<TAuthEvents>());
  EXPECT_EQ(
      auth->Execute(nullptr, Str(u"Service").get(), nullptr, static_cast<IZEPHUIAuthDialogEvents*>(events.get()), 0),
      S_OK);
  detail::SetShellLauncher(previous);
  EXPECT_EQ(events->Data, (std::vector<String>{u"GET /cb?code=1", u"GET /cb?code=2"}));
  ASSERT_EQ(events->Answers.size(), 2u);
  EXPECT_NE(events->Answers[0].find("expired"), std::string::npos);
}
