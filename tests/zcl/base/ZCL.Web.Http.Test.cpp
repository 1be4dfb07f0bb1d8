#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <new>
#include <string>
#include <vector>

#include "os/OS.Http.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Threads.h"
#include "support/LocalHttpServer.h"
#include "zcl/base/ZCL.Classes.ByteBuffer.h"
#include "zcl/base/ZCL.Threading.Pool.h"
#include "zcl/base/ZCL.Web.Http.h"

namespace {

std::string U8(const String& S) { return StringToUTF8(S); }

std::string Payload(size_t Size) {
  std::string s(Size, '\0');
  for (size_t i = 0; i < Size; ++i) s[i] = char('a' + i % 26);
  return s;
}

const std::string& File() {
  static const std::string file = Payload(1000);
  return file;
}

class WebHttp : public ::testing::Test {
 protected:
  void SetUp() override {
    TZCLWebSettings::SetProxyMode(0);  // the environment's proxy must not see 127.0.0.1
    TZCLWebSettings::SetTimeOut(10000);
  }
  void TearDown() override {
    HttpClearCookies();
    TZCLWebSettings::SetProxyMode(1);
    TZCLWebSettings::SetTimeOut(5000);
    Release.set_value();
  }

  THttpTestResponse Serve(const THttpTestRequest& R) {
    THttpTestResponse out;
    if (R.Path == "/file") {  // honours "bytes=a-b" and "bytes=a-"
      const std::string range = R.Header("range");
      if (range.rfind("bytes=", 0) == 0) {
        const size_t dash = range.find('-');
        const size_t from = std::stoul(range.substr(6, dash - 6));
        const size_t to = dash + 1 < range.size() ? std::stoul(range.substr(dash + 1)) : File().size() - 1;
        out.Status = 206;
        out.Reason = "Partial Content";
        out.Body = File().substr(from, to - from + 1);
        out.Headers.push_back({"Content-Range", "bytes " + std::to_string(from) + "-" + std::to_string(to) + "/1000"});
      } else {
        out.Body = File();
      }
    } else if (R.Path == "/norange") {
      out.Body = File();
    } else if (R.Path == "/1001") {
      out.Body = Payload(1001);
    } else if (R.Path == "/big") {
      out.Body = Payload(600000);
    } else if (R.Path == "/post") {
      out.Body = std::to_string(R.Body.size());
    } else if (R.Path == "/flaky") {
      if (++FlakyCalls == 1) {
        out.Status = 503;
        out.Reason = "Service Unavailable";
      }
    } else if (R.Path == "/hold") {
      Received.set_value();
      ReleaseFuture.wait_for(std::chrono::seconds(10));
      out.Body = File();
    } else {
      out.Status = 404;
      out.Reason = "Not Found";
      out.Body = "nothing here";
    }
    return out;
  }

  String Url(const std::string& Path) { return UTF8ToString(Server.Url(Path)); }
  THttpTestRequest LastRequest() {
    auto all = Server.Requests();
    return all.empty() ? THttpTestRequest() : all.back();
  }

  std::atomic<int> FlakyCalls{0};
  std::promise<void> Received, Release;
  std::shared_future<void> ReleaseFuture = Release.get_future().share();
  TLocalHttpServer Server{[this](const THttpTestRequest& R) { return Serve(R); }};
};

THttpDataProc Into(std::string& Body) {
  return [&Body](const void* Data, Cardinal Size) {
    Body.append(static_cast<const char*>(Data), Size);
    return true;
  };
}

TEST_F(WebHttp, GetDeliversTheBodyAndSendsTheDefaultHeaders) {
  std::string body;
  const TZCLWebErrorInfo info = TZCLHttp::Get(Url("/file"))->OnData(Into(body))->RunNoThread();
  EXPECT_EQ(info.ErrorCode, 0) << U8(info.ErrorMessage);
  EXPECT_EQ(body, File());
  const THttpTestRequest r = LastRequest();
  EXPECT_EQ(r.Method, "GET");
  EXPECT_EQ(r.Header("host"), "127.0.0.1:" + std::to_string(Server.Port()));
  EXPECT_EQ(r.Header("user-agent"), U8(TZCLWebSettings::GetUserAgent()));
  EXPECT_EQ(r.Header("keep-alive"), "300");
  EXPECT_EQ(r.Header("range"), "");
}

TEST_F(WebHttp, RangesAreAskedAndChecked) {
  const struct {
    const char* Path;
    Int64 Offset, Size;
    const char* Header;
    Integer Code;
    size_t From, Length;
  } cases[] = {
      {"/file", 0, 100, "bytes=0-99", 0, 0, 100},
      {"/file", 100, -1, "bytes=100-", 0, 100, 900},
      {"/file", 0, 0, "", 0, 0, 1000},
      {"/norange", 0, 100, "bytes=0-99", 0, 0, 1000},  // offset 0: a whole answer passes
      {"/norange", 100, -1, "bytes=100-", -3, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Path) + " " + c.Header);
    std::string body;
    const TZCLWebErrorInfo info = TZCLHttp::Get(Url(c.Path))
                                      ->SetRange(Create<TZCLWebRequestRange>(c.Offset, c.Size))
                                      ->OnData(Into(body))
                                      ->RunNoThread();
    EXPECT_EQ(LastRequest().Header("range"), c.Header);
    EXPECT_EQ(info.ErrorCode, c.Code);
    if (c.Code == 0) {
      EXPECT_EQ(body, File().substr(c.From, c.Length));
    } else {
      EXPECT_EQ(U8(info.ErrorMessage), "Range is not supported by Server");
      EXPECT_EQ(body, "");
    }
  }
}

TEST_F(WebHttp, RefusedAnswersEndWithoutReadingTheBody) {
  const struct {
    const char* Path;
    Int64 MaxSize;
    Integer Code;
    const char* Message;
  } cases[] = {
      {"/missing", 0, 404, "Not Found"},
      {"/1001", 1000, -3, "Content type is not accepted"},
      {"/file", 1000, 0, ""},
      {"/1001", 0, 0, ""},  // no limit
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Path);
    int blocks = 0;
    const TZCLWebErrorInfo info = TZCLHttp::Get(Url(c.Path))
                                      ->OnAccept(c.MaxSize)
                                      ->OnData([&](const void*, Cardinal) { return ++blocks > 0; })
                                      ->RunNoThread();
    EXPECT_EQ(info.ErrorCode, c.Code);
    EXPECT_EQ(U8(info.ErrorMessage), c.Message);
    EXPECT_EQ(blocks > 0, c.Code == 0);
  }
  // Without a data callback the header is all there is.
  EXPECT_EQ(TZCLHttp::Get(Url("/file"))->RunNoThread().ErrorCode, 0);
}

TEST_F(WebHttp, ADataCallbackThatRefusesOrFailsFailsTheRequest) {
  TCustomMemoryStream readOnly;  // writes store nothing
  const std::function<void(IZCLHttpRequest*)> sinks[] = {
      [](IZCLHttpRequest* R) { R->OnData([](const void*, Cardinal) { return false; }); },
      [](IZCLHttpRequest* R) { R->OnData([](const void*, Cardinal) -> bool { throw EWriteError(u"disk full"); }); },
      [](IZCLHttpRequest* R) { R->OnData([](const void*, Cardinal) -> bool { throw std::bad_alloc(); }); },
      [&](IZCLHttpRequest* R) { R->OnData(&readOnly); },
  };
  for (const auto& sink : sinks) {
    IPtr<IZCLHttpRequest> request = TZCLHttp::Get(Url("/big"));
    sink(request.get());
    const TZCLWebErrorInfo info = request->RunNoThread();
    EXPECT_EQ(info.ErrorCode, -1);
    EXPECT_EQ(U8(info.ErrorMessage), "Cannot write data to the stream.");
  }
}

TEST_F(WebHttp, StreamsAndContainersReceiveTheWholeBodyInBlocks) {
  TMemoryStream stream;
  std::vector<Int64> progress;
  TZCLWebErrorInfo info = TZCLHttp::Get(Url("/big"))
                              ->OnData(&stream)
                              ->OnProgress(
                                  [&](Int64 Done, Int64 Total) {
                                    progress.push_back(Done);
                                    return Total == 600000;
                                  },
                                  false)
                              ->RunNoThread();
  EXPECT_EQ(info.ErrorCode, 0) << U8(info.ErrorMessage);
  EXPECT_EQ(stream.GetSize(), 600000);
  EXPECT_EQ(progress, (std::vector<Int64>{262144, 524288, 600000}));

  IPtr<IZCLDataContainer> container = Create<TZCLDataContainer>();
  info = TZCLHttp::Get(Url("/file"))->OnData(container)->RunNoThread();
  EXPECT_EQ(info.ErrorCode, 0);
  ASSERT_EQ(container->GetDataSize(), 1000);
  EXPECT_EQ(std::string(static_cast<const char*>(container->GetData()), 1000), File());
}

TEST_F(WebHttp, PostSendsTheBodyInBlocksWithAFinalProgressPass) {
  std::vector<Int64> progress;
  std::string answer;
  const TZCLWebErrorInfo info = TZCLHttp::Request(u"POST", Url("/post"))
                                    ->SetPostData(Payload(600000))
                                    ->OnProgress(
                                        [&](Int64 Done, Int64) {
                                          progress.push_back(Done);
                                          return true;
                                        },
                                        false)
                                    ->OnData(Into(answer))
                                    ->RunNoThread();
  EXPECT_EQ(info.ErrorCode, 0) << U8(info.ErrorMessage);
  EXPECT_EQ(answer, "600000");
  // Sent: three blocks and the empty pass; then the answer's six bytes.
  EXPECT_EQ(progress, (std::vector<Int64>{262144, 524288, 600000, 600000, 6}));
  const THttpTestRequest r = LastRequest();
  EXPECT_EQ(r.Method, "POST");
  EXPECT_EQ(r.Body, Payload(600000));
  EXPECT_EQ(r.Header("content-type"), "application/x-www-form-urlencoded");

  TZCLHttp::Request(u"PUT", Url("/post"))->SetPostData(AnsiString("x"))->RunNoThread();
  EXPECT_EQ(LastRequest().Header("content-type"), "");
  EXPECT_EQ(LastRequest().Body, "x");
}

TEST_F(WebHttp, CustomHeadersOverrideSuppressOrJoinTheDefaults) {
  const struct {
    const char* Method;
    const char* Custom;
    const char* Name;
    const char* Expected;
  } cases[] = {
      {"GET", "User-Agent: X", "user-agent", "X"},
      {"GET", "User-Agent: ", "user-agent", ""},
      {"GET", "X-Note: 1", "x-note", "1"},
      {"GET", "X-User-Agent: Y", "user-agent", nullptr},  // only whole names at a line start
      {"POST", "Content-Type: text/xml", "content-type", "text/xml"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Custom);
    const String address = Url("/file") + u"\r\n" + UTF8ToString(c.Custom);
    EXPECT_EQ(TZCLHttp::Request(UTF8ToString(c.Method), address)->RunNoThread().ErrorCode, 0);
    const THttpTestRequest r = LastRequest();
    EXPECT_EQ(r.Header(c.Name), c.Expected ? c.Expected : U8(TZCLWebSettings::GetUserAgent()));
    EXPECT_EQ(r.Headers.count("user-agent") > 0, std::string(c.Custom) != "User-Agent: ");
  }
}

TEST_F(WebHttp, ACookieHeaderGoesToTheCookieStore) {
  // The store sends the cookies in its own order.
  const auto cookies = [this] {
    const std::string line = LastRequest().Header("cookie");
    return line == "a=1; b=2" || line == "b=2; a=1";
  };
  TZCLHttp::Get(Url("/file") + u"\r\nCookie: a=1; b=2")->RunNoThread();
  EXPECT_TRUE(cookies()) << LastRequest().Header("cookie");
  TZCLHttp::Get(Url("/file"))->RunNoThread();  // stored for the host: sent again
  EXPECT_TRUE(cookies()) << LastRequest().Header("cookie");
}

TEST_F(WebHttp, HeaderLookupMatchesWholeNamesAtLineStarts) {
  String value;
  Integer start = 0, finish = 0;
  EXPECT_TRUE(THttpHeaders::Find(u"X-Cookie: no\r\ncookie:  yes\r\nA: b", u"Cookie", value, start, finish));
  EXPECT_EQ(U8(value), "yes");
  EXPECT_EQ(start, 15);
  EXPECT_EQ(finish, 27);
  EXPECT_FALSE(THttpHeaders::Find(u"Set-Cookie: a\r\nCookies: b", u"Cookie", value, start, finish));
  EXPECT_EQ(value, u"");
  String headers = u"A: 1\r\nB: 2\r\nC: 3";
  EXPECT_TRUE(THttpHeaders::Extract(headers, u"b", value));
  EXPECT_EQ(U8(headers), "A: 1\r\nC: 3");
  EXPECT_TRUE(THttpHeaders::Extract(headers, u"C", value));
  EXPECT_EQ(U8(headers), "A: 1\r\n");
  EXPECT_EQ(U8(value), "3");
}

TEST_F(WebHttp, ConnectionFailuresReportTheSystemCode) {
  std::string closed;
  {
    TLocalHttpServer gone{[](const THttpTestRequest&) { return THttpTestResponse(); }};
    closed = gone.Url("/");
  }
  const TZCLWebErrorInfo info = TZCLHttp::Get(UTF8ToString(closed))->RunNoThread();
  EXPECT_EQ(info.ErrorCode, 12029) << U8(info.ErrorMessage);
  EXPECT_THROW(TZCLHttp::Check(info), EZCLWebError);
  EXPECT_TRUE(TZCLHttp::Check(TZCLWebErrorInfo()));
}

TEST_F(WebHttp, EachRunReportsItsOwnOutcome) {
  IPtr<IZCLHttpRequest> request = TZCLHttp::Get(Url("/flaky"));
  EXPECT_EQ(request->RunNoThread().ErrorCode, 503);
  EXPECT_EQ(request->RunNoThread().ErrorCode, 0);
}

TEST_F(WebHttp, AnotherExceptionOfACallbackIsRecordedAsAFailureAndRaised) {
  TZCLWebErrorInfo completed;
  IPtr<IZCLHttpRequest> request =
      TZCLHttp::Get(Url("/file"))
          ->OnData([](const void*, Cardinal) { return true; })
          ->OnProgress([](Int64, Int64) -> bool { throw EConvertError(u"bad number"); }, false)
          ->OnComplete([&](TZCLWebErrorInfo Info) { completed = Info; }, false);
  EXPECT_THROW(request->RunNoThread(), EConvertError);
  EXPECT_EQ(completed.ErrorCode, -1);
  EXPECT_EQ(U8(completed.ErrorMessage), "bad number");
}

TEST_F(WebHttp, CheckCanceledStopsARequestInTheCallingThread) {
  const TZCLWebErrorInfo info = TZCLHttp::Get(Url("/file"))->RunNoThread([] { return true; });
  EXPECT_EQ(info.ErrorCode, -2);
  EXPECT_EQ(U8(info.ErrorMessage), "The operation has been canceled by user.");
}

TEST_F(WebHttp, PoolTaskCompletesOnTheMainThread) {
  TZCLWebErrorInfo result{-99, u""};
  bool onMain = false;
  std::string body;
  const TObjHandle handle = TZCLHttp::Get(Url("/file"))
                                ->OnData(Into(body))
                                ->OnComplete(
                                    [&](TZCLWebErrorInfo Info) {
                                      result = Info;
                                      onMain = IsMainThread();
                                    },
                                    true)
                                ->SetPriority(TZCLTaskPriority::High)
                                ->Run();
  ASSERT_NE(handle, 0u);
  EXPECT_TRUE(TaskDispatcher()->WaitFor(handle));
  EXPECT_EQ(result.ErrorCode, 0);
  EXPECT_TRUE(onMain);
  EXPECT_EQ(body, File());
}

TEST_F(WebHttp, CancellingARunningTaskReportsCancellation) {
  TZCLWebErrorInfo result;
  std::string body;
  const TObjHandle handle = TZCLHttp::Get(Url("/hold"))
                                ->OnData(Into(body))
                                ->OnComplete([&](TZCLWebErrorInfo Info) { result = Info; }, false)
                                ->Run();
  Received.get_future().wait();  // the request is at the server
  TaskDispatcher()->Cancel(handle, false);
  Release.set_value();
  EXPECT_TRUE(TaskDispatcher()->WaitFor(handle));
  EXPECT_EQ(result.ErrorCode, -2);
  EXPECT_EQ(U8(result.ErrorMessage), "The operation has been canceled by user.");
  EXPECT_EQ(body, "");
  Release = std::promise<void>();  // TearDown sets it
}

}  // namespace
