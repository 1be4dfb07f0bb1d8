#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "../UiTestSupport.h"
#include "rtl/RTL.Exceptions.h"
#include "support/TestSupport.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.Utils.Messaging.h"
#include "zcl/base/ZCL.Utils.Shell.h"
#include "zcl/ui/controls/ZCL.UI.Edit.Text.h"
#include "zcl/ui/dialogs/ZCL.UI.Dialogs.Auth.h"

namespace {

const std::string Head = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n";
const std::string Page = "<html><body>Please return to the app</body></html>";

struct TRecorder {
  std::vector<String> Requests;
  bool Raise = false;
  void Handle(const String& Request) {
    Requests.push_back(Request);
    if (Raise) throw Exception(u"Code <expired> & \"gone\"");
  }
};

TEST(AuthServer, RequestLinesAndPages) {
  struct Case {
    std::string Data;
    String Line;
  } cases[] = {
      {"GET /cb?code=42 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", u"GET /cb?code=42"},
      {"POST /x HTTP/1.0", u"POST /x"},
      {"GET /no-version\r\n\r\n", u""},
      {"", u""},
      {"GET /\xC3\xA9t\xC3\xA9 HTTP/1.1", u"GET /\u00E9t\u00E9"},
  };
  for (const Case& c : cases) EXPECT_EQ(TAuthServer::RequestLine(c.Data), c.Line) << c.Data;
  EXPECT_EQ(TAuthServer::BuildPage(u"https://example.org/?a=1&b=2", u""),
            u"<html><head><meta http-equiv=\"refresh\" content=\"3;url=https://example.org/?a=1&amp;b=2\"></head>"
            u"<body>Please return to the app</body></html>");
}

TEST(AuthServer, AnswersOverLoopbackAndShowsHandlerErrorsEscaped) {
  TRecorder recorder;
  TOwned<TAuthServer> server(new TAuthServer(0, TAuthRequestHandler(&recorder, &TRecorder::Handle), u""));
  ASSERT_TRUE(server->GetListening());
  EXPECT_EQ(server->GetBoundAddress(), u"127.0.0.1") << "no other host may reach the listener";
  const Word port = server->GetBoundPort();
  EXPECT_EQ(LoopbackExchange(port, "GET /cb?code=42 HTTP/1.1\r\n\r\n"), Head + Page);
  recorder.Raise = true;
  EXPECT_EQ(LoopbackExchange(port, "GET /cb?code=43 HTTP/1.1\r\n\r\n"),
            Head +
                "<html><body><font color=\"red\">Code &lt;expired&gt; &amp; &quot;gone&quot;</font><br/><br/>"
                "Please return to the app</body></html>");
  EXPECT_EQ(recorder.Requests, (std::vector<String>{u"GET /cb?code=42", u"GET /cb?code=43"}));
  // A browser that connects and never sends does not keep the server from stopping.
  const int idle = LoopbackConnect(port);
  ASSERT_GE(idle, 0);
  server.reset();
  close(idle);
}

TEST(AuthServer, APortInUseEndsTheListenerButNotTheCaller) {
  TOwned<TAuthServer> first(new TAuthServer(0, {}, u""));
  ASSERT_TRUE(first->GetListening());
  TOwned<TAuthServer> second(new TAuthServer(first->GetBoundPort(), {}, u""));
  EXPECT_FALSE(second->GetListening());
  EXPECT_EQ(second->GetBoundPort(), 0);
}

class AuthDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FPrevious = detail::SetShellLauncher([this](const String& File, const String&) {
      Opened.push_back(File);
      return true;
    });
  }
  void TearDown() override { detail::SetShellLauncher(FPrevious); }
  // Whether the dialog's port can be had here (another program may hold it).
  static bool PortFree() {
    TOwned<TAuthServer> probe(new TAuthServer(PortOfAddress(ZCLAuthLoopbackAddress), {}, u""));
    return probe->GetListening();
  }
  std::vector<String> Opened;
  detail::TShellLauncher FPrevious;
};

TEST_F(AuthDialogTest, TheFirstAcceptedRequestEndsTheDialogWithOk) {
  if (!PortFree()) GTEST_SKIP() << "port 8090 is in use on this machine";
  EXPECT_EQ(PortOfAddress(u"http://127.0.0.1:8090/"), 8090);
  TRecorder recorder;
  recorder.Raise = true;
  std::vector<std::string> answers;
  const bool ok = TZCLAuthDialog::Execute(
      nullptr, [&](const String& R) { recorder.Handle(R); },
      [&] {
        // The UI thread stays here while the browser calls: the modal result waits for it.
        std::thread browser([&] {
          answers.push_back(LoopbackExchange(8090, "GET /cb?code=1 HTTP/1.1\r\n\r\n"));
          recorder.Raise = false;
          answers.push_back(LoopbackExchange(8090, "GET /cb?code=42 HTTP/1.1\r\nHost: 127.0.0.1:8090\r\n\r\n"));
          answers.push_back(LoopbackExchange(8090, "GET /cb?code=99 HTTP/1.1\r\n\r\n"));
        });
        browser.join();
        return String(u"https://auth.example.org/start");
      },
      u"Service");
  EXPECT_TRUE(ok);
  EXPECT_EQ(recorder.Requests, (std::vector<String>{u"GET /cb?code=1", u"GET /cb?code=42"}));
  ASSERT_EQ(answers.size(), 3u);
  EXPECT_NE(answers[0].find("<font color=\"red\">Code &lt;expired&gt;"), std::string::npos);
  EXPECT_EQ(answers[1], Head + Page);
  EXPECT_EQ(answers[2], Head + Page) << "later requests get the page without reaching the handler";
  zcProcessMessages(TZCLMessaging::GetWindow(), TZCLMainThread::GetMessageNumber());
  EXPECT_EQ(Opened, (std::vector<String>{u"https://auth.example.org/start"}));
}

TEST_F(AuthDialogTest, ClosingTheWindowAnswersFalse) {
  if (!PortFree()) GTEST_SKIP() << "port 8090 is in use on this machine";
  TRecorder recorder;
  String caption, url;
  const bool ok = TZCLAuthDialog::Execute(
      nullptr, [&](const String& R) { recorder.Handle(R); },
      [&] {
        // After the address is shown: the window double-clicked, then closed.
        TZCLMainThread::QueueProc([&] {
          for (Integer i = 0; i < Screen->GetFormCount(); ++i)
            if (auto* dialog = dynamic_cast<TZCLAuthDialog*>(Screen->GetForms(i))) {
              caption = dialog->GetCaption();
              EXPECT_EQ(dialog->GetMessage(), ZCLAuthDialogMessage);
              url = dialog->GetURLEdit()->GetText();
              EXPECT_FALSE(dialog->GetURLEdit()->GetVisible());
              SendMessage(dialog->GetHandle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(20, 20));
              EXPECT_TRUE(dialog->GetURLEdit()->GetVisible());
              dialog->Close();
            }
        });
        return String(u"https://auth.example.org/");
      });
  EXPECT_FALSE(ok);
  EXPECT_EQ(caption, u"Authorization Master");
  EXPECT_EQ(url, u"https://auth.example.org/");
  EXPECT_TRUE(recorder.Requests.empty());
}

}  // namespace
