#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/LocalHttpServer.h"
#include "zcl/base/ZCL.Threading.h"
#include "zeph/core/ZEPH.Core.Adapters.h"
#include "zeph/core/ZEPH.Core.Objects.h"
#include "zeph/core/ZEPH.Core.Services.HttpClient.h"

namespace {
// Records what a request tells its caller; may refuse in either accept event.
class TEvents : public TInterfacedObject, public IZEPHHTTPClientEvents, public IZEPHHTTPClientEvents2 {
  ZCL_CLASS(TEvents, TInterfacedObject)
 public:
  bool WithHeaders = false, RefuseHeaders = false, RefuseBody = false;
  int Accepts = 0, Completions = 0;
  Integer ErrorCode = 0;
  LongBool Canceled = LongFalse;
  String ContentType;
  bool AcceptOnMain = false;

  HRESULT QueryInterface(const TGUID& IID, void** Obj) override {
    if (InterfaceTableQuery<IZEPHHTTPClientEvents>(this, IID, Obj)) return S_OK;
    if (WithHeaders && InterfaceTableQuery<IZEPHHTTPClientEvents2>(this, IID, Obj)) return S_OK;
    return TInterfacedObject::QueryInterface(IID, Obj);
  }
  void OnAccept(IZEPHString* AContentType, Int64, LongBool& Allow) override {
    ++Accepts;
    AcceptOnMain = IsMainThread();
    ContentType = PluginStringToStr(AContentType);
    if (RefuseBody) Allow = LongFalse;
  }
  void OnComplete(IZEPHErrorInfo* ErrorInfo, LongBool ACanceled) override {
    ++Completions;
    Canceled = ACanceled;
    ErrorCode = 0;
    if (ErrorInfo) {
      IPtr<IZEPHString> message, details;
      ErrorInfo->GetInfo(ErrorCode, message, details);
    }
  }
  void OnProgress(Int64, Int64) override {}
  void OnAcceptHeaders(IZEPHString*, LongBool& Allow) override {
    if (RefuseHeaders) Allow = LongFalse;
  }
};

class ZephHttpService : public ::testing::Test {
 protected:
  TLocalHttpServer FServer{[](const THttpTestRequest& R) {
    THttpTestResponse response;
    if (R.Path == "/slow") std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    if (!R.Header("range").empty()) {
      response.Status = 206;
      response.Reason = "Partial Content";
      response.Headers.push_back({"Content-Range", "bytes 1000-1003/1004"});
    }
    response.Headers.push_back({"Content-Type", "text/plain"});
    response.Body = R.Method == "HEAD" ? "" : "body";
    return response;
  }};
  IPtr<IZEPHServiceHTTPClient2> FService{Create<TZEPHCoreServiceHttpClient>()};
  IPtr<IZEPHMemoryStream> FAnswer = CoreCreateObject<IZEPHMemoryStream>();
  IPtr<TEvents> FEvents{Create<TEvents>()};
  TZEPHTaskHandle FTask = 0;

  IPtr<IZEPHString> Url(const std::string& Path) { return MakePluginString(UTF8ToString(FServer.Url(Path))); }
  String Answer() {
    const Int64 size = FAnswer->GetSize();
    return size ? UTF8ToString(std::string(static_cast<const char*>(FAnswer->GetData()), size)) : String();
  }
};
}  // namespace

TEST_F(ZephHttpService, MethodsAndArguments) {
  EXPECT_EQ(FService->Request(Url("/x").get(), 5, ZEPH_HTTP_SYNC, FAnswer.get(), nullptr, nullptr, nullptr, FTask),
            E_INVALIDARG);
  IPtr<IZEPHServiceHTTPClient> plain = QueryIntf<IZEPHServiceHTTPClient>(FService);
  EXPECT_EQ(plain->Get(Url("/x").get(), ZEPH_HTTP_SYNC, nullptr, nullptr, nullptr, FTask), E_INVALIDARG);
  // A missing address is empty text: nothing to connect to.
  EXPECT_EQ(FService->Request(static_cast<IZEPHString*>(nullptr), 0, ZEPH_HTTP_SYNC, FAnswer.get(), nullptr, nullptr,
                              nullptr, FTask),
            E_FAIL);
  EXPECT_TRUE(FServer.Requests().empty());

  EXPECT_EQ(FService->Request(Url("/x").get(), 3, ZEPH_HTTP_SYNC, FAnswer.get(), nullptr, nullptr, nullptr, FTask),
            S_OK);
  EXPECT_EQ(plain->Post(Url("/form").get(), ZEPH_HTTP_SYNC | ZEPH_HTTP_PRIORITY_LOW | ZEPH_HTTP_PRIORITY_HIGH,
                        FAnswer.get(), nullptr, FEvents.get(), nullptr, FTask),
            S_OK);
  const auto requests = FServer.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].Method, "DELETE");
  EXPECT_EQ(requests[1].Method, "POST");
  EXPECT_EQ(Answer(), u"bodybody");
  EXPECT_EQ(FEvents->ContentType, u"text/plain");
  EXPECT_EQ(FEvents->Completions, 1);
}

TEST_F(ZephHttpService, PostBodyAndOffsetParameter) {
  IPtr<IZEPHMemoryStream> body = CoreCreateObject<IZEPHMemoryStream>();
  body->Write("a=1", 3, nullptr);
  body->Seek(0, 0);
  IPtr<IZEPHConfig> params = CoreCreateObject<IZEPHConfig>();
  params->SetValueAsInt64(MakePluginString(u"File\\Offset").get(), 1000);
  EXPECT_EQ(FService->Request(Url("/part").get(), 1, ZEPH_HTTP_SYNC, FAnswer.get(), body.get(), nullptr, params.get(),
                              FTask),
            S_OK);
  const auto requests = FServer.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].Body, "a=1");
  EXPECT_EQ(requests[0].Header("range"), "bytes=1000-");
}

TEST_F(ZephHttpService, RefusedBodiesCompleteWithoutError) {
  FEvents->RefuseBody = true;
  EXPECT_EQ(FService->Request(Url("/x").get(), 0, ZEPH_HTTP_SYNC, FAnswer.get(), nullptr, FEvents.get(), nullptr,
                              FTask),
            S_OK);
  EXPECT_EQ(Answer(), u"");
  EXPECT_EQ(FEvents->Completions, 1);
  EXPECT_EQ(FEvents->ErrorCode, 0);

  // Refused at the headers: the body is not offered at all.
  IPtr<TEvents> events(Create<TEvents>());
  events->WithHeaders = events->RefuseHeaders = true;
  EXPECT_EQ(FService->Request(Url("/x").get(), 0, ZEPH_HTTP_SYNC, FAnswer.get(), nullptr, events.get(), nullptr, FTask),
            S_OK);
  EXPECT_EQ(events->Accepts, 0);
  EXPECT_EQ(events->Completions, 1);
}

TEST_F(ZephHttpService, UnreachableHostFailsWithErrorInformation) {
  EXPECT_EQ(FService->Request(MakePluginString(u"http://127.0.0.1:1/none").get(), 0, ZEPH_HTTP_SYNC, FAnswer.get(),
                              nullptr, FEvents.get(), nullptr, FTask),
            E_FAIL);
  EXPECT_EQ(FEvents->Completions, 1);
  EXPECT_NE(FEvents->ErrorCode, 0);
  EXPECT_EQ(FEvents->Canceled, LongFalse);
}

TEST_F(ZephHttpService, AsynchronousRequestsReportOnTheMainThreadAndCancel) {
  ASSERT_EQ(FService->Request(Url("/x").get(), 0, 0, FAnswer.get(), nullptr, FEvents.get(), nullptr, FTask), S_OK);
  EXPECT_NE(FTask, 0u);
  TZCLEvent never;
  for (int i = 0; i < 500 && FEvents->Completions == 0; ++i) never.WaitFor(10);
  EXPECT_EQ(FEvents->Completions, 1);
  EXPECT_TRUE(FEvents->AcceptOnMain);
  EXPECT_EQ(Answer(), u"body");

  IPtr<TEvents> slow(Create<TEvents>());
  ASSERT_EQ(FService->Request(Url("/slow").get(), 0, 0, FAnswer.get(), nullptr, slow.get(), nullptr, FTask), S_OK);
  never.WaitFor(100);
  EXPECT_EQ(FService->Cancel(FTask, ZEPH_THREADS_WAIT), S_OK);
  for (int i = 0; i < 500 && slow->Completions == 0; ++i) never.WaitFor(10);
  EXPECT_EQ(slow->Completions, 1);
  EXPECT_EQ(slow->ErrorCode, -2);
  EXPECT_EQ(slow->Canceled, LongTrue);
  // Cancelling the finished request again is harmless.
  EXPECT_EQ(FService->Cancel(FTask, ZEPH_THREADS_WAIT), S_OK);
}
