#include "zeph/core/ZEPH.Core.Services.HttpClient.h"

#include <atomic>
#include <memory>

#include "rtl/RTL.Encoding.h"
#include "zcl/base/ZCL.Web.Http.h"
#include "zeph/core/ZEPH.Core.Adapters.h"
#include "zeph/core/ZEPH.Core.Objects.h"

namespace {
const Char* const KMethods[] = {u"GET", u"POST", u"PUT", u"DELETE", u"HEAD"};

// Each UTF-8 byte of the address becomes one character of the system's code page, as servers
// that expect UTF-8 escapes receive it.
String Utf8BytesAsAnsi(const String& Text) {
  const std::string utf8 = StringToUTF8(Text);
  return TEncoding::GetANSI()->GetString(TBytes(utf8.begin(), utf8.end()));
}

IPtr<IZEPHString> NewString(const String& Text) { return IPtr<IZEPHString>(Create<TZEPHStringAdapter>(Text)); }
}  // namespace

HRESULT TZEPHCoreServiceHttpClient::Request(IZEPHString* URL, IZEPHString* Method, Integer Flags,
                                            IZEPHStream* AnswerData, IZEPHStream* PostData,
                                            IZEPHHTTPClientEvents* EventsHandler, IZEPHConfig* Params,
                                            TZEPHTaskHandle& TaskID) {
  String url;
  if (!AnswerData || !TryPluginStringToStr(URL, url) || !Method) return E_INVALIDARG;
  try {
    if (Flags & ZEPH_HTTP_URL_UTF8) url = Utf8BytesAsAnsi(url);
    IPtr<IZCLHttpRequest> request = TZCLHttp::Request(PluginStringToStr(Method), url);
    if (Params) {
      Int64 offset = 0;
      if (Params->GetValueAsInt64(IPtr<IZEPHString>(NewString(u"File\\Offset")).get(), offset) >= 0)
        request->SetRange(IPtr<IZCLWebRequestRange>(Create<TZCLWebRequestRange>(offset, -1)));
    }
    if (PostData) request->SetPostData(new TZEPHStreamWrapper(PostData), true);
    if (Flags & ZEPH_HTTP_PRIORITY_LOW) request->SetPriority(TZCLTaskPriority::Low);
    if (Flags & ZEPH_HTTP_PRIORITY_HIGH) request->SetPriority(TZCLTaskPriority::High);

    // The handlers hold the caller's stream and events handler until the request is gone. A body
    // refused by the events handler ends the request as a success, not as the library's refusal.
    auto refused = std::make_shared<std::atomic<bool>>(false);
    IPtr<IZEPHStream> answer(AnswerData);
    request->OnData([answer](const void* Data, Cardinal Size) {
      return answer->Write(Data, static_cast<Integer>(Size), nullptr) == S_OK;
    });
    if (EventsHandler) {
      IPtr<IZEPHHTTPClientEvents> events(EventsHandler);
      request->OnAccept(
          [events, refused](const THttpResponse& Response) {
            LongBool allow = LongTrue;
            IPtr<IZEPHHTTPClientEvents2> events2;
            if (Supports(events, events2)) events2->OnAcceptHeaders(NewString(Response.RawHeaders).get(), allow);
            if (allow) events->OnAccept(NewString(Response.ContentType).get(), Response.ContentLength, allow);
            *refused = allow == 0;
            return allow != 0;
          },
          true);
      request->OnProgress(
          [events](Int64 Done, Int64 Total) {
            events->OnProgress(Done, Total);
            return true;
          },
          true);
      request->OnComplete(
          [events, refused](TZCLWebErrorInfo Info) {
            if (Info.ErrorCode == 0 || (*refused && Info.ErrorCode == -3)) {
              events->OnComplete(nullptr, LongFalse);
              return;
            }
            IPtr<IZEPHErrorInfo> error(Create<TZEPHErrorInfoAdapter>(Info.ErrorCode, Info.ErrorMessage));
            events->OnComplete(error.get(), Info.ErrorCode == -2 ? LongTrue : LongFalse);
          },
          true);
    }
    if (Flags & ZEPH_HTTP_SYNC) {
      const Integer code = request->RunNoThread().ErrorCode;
      return code == 0 || (*refused && code == -3) ? S_OK : E_FAIL;
    }
    TaskID = request->Run();
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHCoreServiceHttpClient::Request(IZEPHString* URL, Integer Method, Integer Flags, IZEPHStream* AnswerData,
                                            IZEPHStream* PostData, IZEPHHTTPClientEvents* EventsHandler,
                                            IZEPHConfig* Params, TZEPHTaskHandle& TaskID) {
  if (Method < 0 || Method > 4) return E_INVALIDARG;
  try {
    return Request(URL, NewString(KMethods[Method]).get(), Flags, AnswerData, PostData, EventsHandler, Params, TaskID);
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHCoreServiceHttpClient::Get(IZEPHString* URL, Integer Flags, IZEPHStream* AnswerData,
                                        IZEPHHTTPClientEvents* EventsHandler, IZEPHConfig* Params,
                                        TZEPHTaskHandle& TaskID) {
  return Request(URL, 0, Flags, AnswerData, nullptr, EventsHandler, Params, TaskID);
}

HRESULT TZEPHCoreServiceHttpClient::Post(IZEPHString* URL, Integer Flags, IZEPHStream* AnswerData,
                                         IZEPHStream* PostData, IZEPHHTTPClientEvents* EventsHandler,
                                         IZEPHConfig* Params, TZEPHTaskHandle& TaskID) {
  return Request(URL, 1, Flags, AnswerData, PostData, EventsHandler, Params, TaskID);
}

HRESULT TZEPHCoreServiceHttpClient::Cancel(TZEPHTaskHandle TaskID, Integer Flags) {
  try {
    TaskDispatcher()->Cancel(TaskID, (Flags & ZEPH_THREADS_WAIT) != 0);
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}
