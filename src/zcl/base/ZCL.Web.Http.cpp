#include "zcl/base/ZCL.Web.Http.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>
#include <vector>

#include "os/OS.Http.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.Classes.ByteBuffer.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.Utils.Messaging.h"
#include "zcl/base/ZCL.Utils.Stream.h"

namespace {

constexpr const char16_t* SCanceled = u"The operation has been canceled by user.";
constexpr const char16_t* SCannotWrite = u"Cannot write data to the stream.";
constexpr const char16_t* SCannotPost = u"Cannot post data to the server.";
constexpr const char16_t* SRangeNotSupported = u"Range is not supported by Server";
constexpr const char16_t* SNotAccepted = u"Content type is not accepted";

// Frees a TObject at the end of a scope.
struct TObjectGuard {
  TObject* Obj;
  ~TObjectGuard() { Free(Obj); }
};

// Runs Call on the main thread (waiting for it) when Sync, else here.
template <class R, class F>
R CallIn(bool Sync, F&& Call) {
  if (!Sync) return Call();
  R result{};
  TZCLMainThread::RunProc([&] { result = Call(); }, true);
  return result;
}

bool IsBlank(Char C) { return C == u' ' || C == u'\t'; }

}  // namespace

// ---- header text -----------------------------------------------------------------------------

bool THttpHeaders::Find(StringView Headers, StringView Name, String& Value, Integer& Start, Integer& Finish) {
  Value.clear();
  Start = Finish = 0;
  if (Name.empty()) return false;
  size_t lineStart = 0;
  while (lineStart <= Headers.size()) {
    size_t lineEnd = Headers.find(u"\r\n", lineStart);
    if (lineEnd == StringView::npos) lineEnd = Headers.size();
    const StringView line = Headers.substr(lineStart, lineEnd - lineStart);
    if (line.size() > Name.size() && line[Name.size()] == u':' && SameText(line.substr(0, Name.size()), Name)) {
      size_t at = Name.size() + 1;
      while (at < line.size() && IsBlank(line[at])) ++at;
      Value = String(line.substr(at));
      Start = static_cast<Integer>(lineStart) + 1;
      Finish = static_cast<Integer>(lineEnd) + 1;
      return true;
    }
    lineStart = lineEnd + 2;
  }
  return false;
}

bool THttpHeaders::Extract(String& Headers, StringView Name, String& Value) {
  Integer start = 0, finish = 0;
  if (!Find(Headers, Name, Value, start, finish)) return false;
  Delete(Headers, start, finish - start + 2);
  return true;
}

// ---- connection ------------------------------------------------------------------------------

THttpConnection::THttpConnection(const TZCLWebURL& AURL) : FURL(AURL), FSettings(TZCLWebSettings::Snapshot()) {}

String THttpConnection::BuildHeaders(const String& Method, IZCLWebRequestRange* Range) const {
  String custom = FURL.CustomHeaders;
  TZCLStringList* lines = Create<TZCLStringList>();
  TObjectGuard guard{lines};
  // The port belongs in Host unless it is the scheme's own.
  String host = u"Host: " + FURL.Host;
  if (!FURL.PortIsDefault && FURL.Port > 0 && FURL.Port != (FURL.Secure ? 443 : 80)) host += u":" + IntToStr(FURL.Port);
  lines->Add(host);
  auto add = [&](StringView Name, const String& Default) {
    String value = Default;
    String found;
    if (THttpHeaders::Extract(custom, Name, found)) value = found;
    if (!value.empty()) lines->Add(String(Name) + u": " + value);
  };
  add(u"User-Agent", FSettings.UserAgent);
  add(u"Connection", u"keep-alive");
  add(u"Keep-Alive", u"300");
  if (SameText(Method, u"POST")) add(u"Content-Type", u"application/x-www-form-urlencoded");
  if (Range && (Range->GetOffset() > 0 || Range->GetSize() > 0)) {
    const Int64 offset = Range->GetOffset(), size = Range->GetSize();
    String value = u"bytes=" + IntToStr(offset) + u"-";
    if (size >= 0) value += IntToStr(offset + size - 1);
    add(u"Range", value);
  }
  lines->Add(custom);
  return Trim(lines->GetDelimitedText(u"\r\n", false));
}

namespace {

// One run of THttpConnection::Request: the callbacks handed to the transfer, which never raise
// into it; the first exception is kept and raised once the transfer has ended.
struct TTransfer {
  IZCLWebRequestRange* Range = nullptr;
  const THttpAcceptProc* OnAccept = nullptr;
  const THttpProgressProc* OnProgress = nullptr;
  const THttpDataProc* OnData = nullptr;
  THttpResponse* Response = nullptr;
  std::exception_ptr Error;

  // Body going up: one block read from the stream at a time.
  TStream* PostData = nullptr;
  Int64 PostTotal = 0;
  Int64 PostDone = 0;
  bool PostFinalPass = false;
  std::vector<Byte> PostBlock;
  size_t PostBlockPos = 0;

  // Body coming down: gathered into blocks of HttpBlockSize bytes.
  std::vector<Byte> Received;
  Int64 ReceivedTotal = 0;

  void Keep(std::exception_ptr E) {
    if (!Error) Error = std::move(E);
  }

  void FillResponse(const THttpResponseHead& Head) {
    THttpResponse& r = *Response;
    r.ContentLength = Head.ContentLength < 0 ? 0 : Head.ContentLength;
    r.ContentRange = Head.ContentRange;
    r.ContentType = Head.ContentType;
    r.StatusCode = Head.StatusCode;
    r.StatusText = Head.StatusText;
    r.RawHeaders.clear();
    StringView raw = Head.RawHeaders;
    size_t at = 0;
    while (at < raw.size()) {
      size_t end = raw.find(u"\r\n", at);
      if (end == StringView::npos) end = raw.size();
      r.RawHeaders.append(raw.substr(at, end - at));
      r.RawHeaders += u'\0';
      at = end + 2;
    }
  }

  void CheckAnswer() {
    const THttpResponse& r = *Response;
    if (Range && Range->GetOffset() >= 1) {
      if (r.StatusCode != 206) throw EHttpError(SRangeNotSupported, -3);
      if (r.ContentRange.empty()) throw EHttpError(SRangeNotSupported, -3);
      if (r.ContentLength == 0) throw EHttpError(SRangeNotSupported, -3);
    }
    if (!r.IsSuccess()) throw EHttpError(r.StatusText, r.StatusCode);
    if (*OnAccept && !(*OnAccept)(r)) throw EHttpError(SNotAccepted, -3);
  }

  bool Accept(const THttpResponseHead& Head) {
    try {
      FillResponse(Head);
      CheckAnswer();
      return true;
    } catch (...) {
      Keep(std::current_exception());
      return false;
    }
  }

  void Progress(Int64 Done, Int64 Total) {
    if (*OnProgress && !(*OnProgress)(Done, Total)) throw EHttpError(SCanceled, -2);
  }

  // Hands one block to the data callback; an exception there is a write failure like a refusal.
  bool Deliver(const Byte* Data, size_t Size) {
    try {
      bool taken = false;
      try {
        taken = (*OnData)(Data, static_cast<Cardinal>(Size));
      } catch (const EHttpError&) {
        throw;
      } catch (...) {
        taken = false;
      }
      if (!taken) throw EHttpWriteError(SCannotWrite, -1);
      ReceivedTotal += static_cast<Int64>(Size);
      Progress(ReceivedTotal, Response->ContentLength);
      return true;
    } catch (...) {
      Keep(std::current_exception());
      return false;
    }
  }

  bool Receive(const Byte* Data, size_t Size) {
    while (Size > 0) {
      if (Received.capacity() < HttpBlockSize) Received.reserve(HttpBlockSize);
      const size_t n = std::min(Size, HttpBlockSize - Received.size());
      Received.insert(Received.end(), Data, Data + n);
      Data += n;
      Size -= n;
      if (Received.size() == HttpBlockSize) {
        const bool ok = Deliver(Received.data(), Received.size());
        Received.clear();
        if (!ok) return false;
      }
    }
    return true;
  }

  bool Flush() {
    if (Received.empty()) return true;
    const bool ok = Deliver(Received.data(), Received.size());
    Received.clear();
    return ok;
  }

  // Reads the next block from the stream; the pass that reads nothing reports the total once more.
  void NextPostBlock() {
    PostBlock.resize(HttpBlockSize);
    Integer got = 0;
    try {
      got = PostData->Read(PostBlock.data(), static_cast<Integer>(HttpBlockSize));
    } catch (const EHttpError&) {
      throw;
    } catch (...) {
      throw EHttpError(SCannotPost, -1);
    }
    PostBlock.resize(got > 0 ? static_cast<size_t>(got) : 0);
    PostBlockPos = 0;
    if (got <= 0) {
      PostFinalPass = true;
    } else {
      PostDone += got;
    }
    Progress(PostDone, PostTotal);
  }

  Int64 ReadBody(Byte* Buffer, Int64 Size) {
    try {
      if (PostBlockPos == PostBlock.size()) {
        if (PostFinalPass) return 0;
        NextPostBlock();
        // The transfer may stop asking once the announced size went out: the last pass now.
        if (!PostFinalPass && PostDone >= PostTotal) {
          PostFinalPass = true;
          Progress(PostDone, PostTotal);
        }
      }
      const size_t n = std::min(static_cast<size_t>(Size), PostBlock.size() - PostBlockPos);
      std::memcpy(Buffer, PostBlock.data() + PostBlockPos, n);
      PostBlockPos += n;
      return static_cast<Int64>(n);
    } catch (...) {
      Keep(std::current_exception());
      return -1;
    }
  }
};

String OSUrl(const TZCLWebURL& URL) {
  String path = URL.Path.empty() ? String(u"/") : URL.Path;
  return String(URL.Secure ? u"https://" : u"http://") + URL.Host + u":" + IntToStr(URL.Port) + path;
}

void RaiseFailure(const THttpResult& Result) {
  if (Result.ErrorCode > 0) throw EHttpError(Result.ErrorText, Result.ErrorCode);
  throw EHttpError(Format(u"Internal connection error (%s)", {Result.ErrorText}), -1);
}

}  // namespace

void THttpConnection::Request(THttpResponse& Response, const String& Method, IZCLWebRequestRange* Range,
                              TStream* PostData, const THttpAcceptProc& OnAccept, const THttpProgressProc& OnProgress,
                              const THttpDataProc& OnData, const std::function<bool()>& IsCanceled) {
  Response = THttpResponse();
  String headers = BuildHeaders(Method, Range);
  // Cookies go to the cookie store of the host instead of the header text.
  String cookie;
  const String cookieUrl = String(FURL.Secure ? u"https://" : u"http://") + FURL.Host;
  while (THttpHeaders::Extract(headers, u"Cookie", cookie)) {
    // A Cookie line holds "name=value" pairs only, separated by ";".
    size_t at = 0;
    while (at <= cookie.size()) {
      size_t end = cookie.find(u';', at);
      if (end == String::npos) end = cookie.size();
      const String pair = Trim(StringView(cookie).substr(at, end - at));
      if (!pair.empty()) HttpSetCookie(cookieUrl, pair);
      at = end + 1;
    }
  }

  TTransfer transfer;
  transfer.Range = Range;
  transfer.OnAccept = &OnAccept;
  transfer.OnProgress = &OnProgress;
  transfer.OnData = &OnData;
  transfer.Response = &Response;

  THttpRequest request;
  request.Method = Method;
  request.Url = OSUrl(FURL);
  request.Headers = headers;
  request.TimeOutMs = FSettings.TimeOut;
  switch (FSettings.ProxyMode) {
    case 0:
      request.Proxy.Mode = THttpProxyMode::Direct;
      break;
    case 2:
      request.Proxy.Mode = THttpProxyMode::Custom;
      request.Proxy.Server = Trim(FSettings.Proxy.Server);
      TryStrToInt(Trim(FSettings.Proxy.ServerPort), request.Proxy.Port);
      request.Proxy.UserName = FSettings.Proxy.UserName;
      request.Proxy.Password = FSettings.Proxy.UserPass;
      break;
    default:
      request.Proxy.Mode = THttpProxyMode::System;
      break;
  }
  if (PostData) {
    PostData->SetPosition(0);
    transfer.PostData = PostData;
    transfer.PostTotal = PostData->GetSize();
    request.BodySize = transfer.PostTotal;
    request.ReadBody = [&transfer](Byte* Buffer, Int64 Size) { return transfer.ReadBody(Buffer, Size); };
  }
  request.OnAccept = [&transfer](const THttpResponseHead& Head) { return transfer.Accept(Head); };
  if (OnData) request.OnData = [&transfer](const Byte* Data, size_t Size) { return transfer.Receive(Data, Size); };
  if (IsCanceled) request.IsCanceled = IsCanceled;

  const THttpResult result = HttpPerform(request);
  if (transfer.Error) std::rethrow_exception(transfer.Error);
  switch (result.Outcome) {
    case THttpOutcome::Success:
      if (OnData && !transfer.Flush()) std::rethrow_exception(transfer.Error);
      return;
    case THttpOutcome::Canceled:
      throw EHttpError(SCanceled, -2);
    case THttpOutcome::Refused:
      throw EHttpError(SNotAccepted, -3);
    case THttpOutcome::WriteFailed:
      throw EHttpWriteError(SCannotWrite, -1);
    case THttpOutcome::SendFailed:
      throw EHttpError(SCannotPost, -1);
    case THttpOutcome::Failed:
      RaiseFailure(result);
  }
  RaiseFailure(result);
}

// ---- request ---------------------------------------------------------------------------------

TZCLHttp::~TZCLHttp() {
  if (FPostDataOwned) Free(FPostData);
}

IPtr<IZCLHttpRequest> TZCLHttp::Request(const String& Method, const String& Address) {
  TZCLHttp* request = Create<TZCLHttp>();
  IPtr<IZCLHttpRequest> result(request);
  request->FMethod = Method;
  request->FURL = TZCLWebURL::ParseHttp(Address);
  return result;
}

bool TZCLHttp::Check(const TZCLWebErrorInfo& Info) {
  if (!Info.IsSuccess()) throw EZCLWebError(Info);
  return true;
}

IZCLHttpRequest* TZCLHttp::OnAccept(Int64 MaxSize) {
  if (MaxSize > 0) {
    FOnAccept = [MaxSize](const THttpResponse& Response) { return Response.ContentLength <= MaxSize; };
    FOnAcceptSync = false;
  }
  return this;
}

IZCLHttpRequest* TZCLHttp::OnAccept(THttpAcceptProc Proc, bool Sync) {
  FOnAccept = std::move(Proc);
  FOnAcceptSync = Sync;
  return this;
}

IZCLHttpRequest* TZCLHttp::OnComplete(THttpCompleteProc Proc, bool Sync) {
  FOnComplete = std::move(Proc);
  FOnCompleteSync = Sync;
  return this;
}

IZCLHttpRequest* TZCLHttp::OnData(const IPtr<IZCLDataContainer>& Container) {
  IPtr<IZCLDataContainer> container = Container;
  FOnData = [container](const void* Data, Cardinal Size) {
    TMemoryStream* stream = container->LockData();
    struct TUnlock {
      IZCLDataContainer* C;
      ~TUnlock() { C->UnlockData(); }
    } unlock{container.get()};
    return stream->Write(Data, static_cast<Integer>(Size)) == static_cast<Integer>(Size);
  };
  return this;
}

IZCLHttpRequest* TZCLHttp::OnData(THttpDataProc Proc) {
  FOnData = std::move(Proc);
  return this;
}

IZCLHttpRequest* TZCLHttp::OnData(TStream* Stream) {
  FOnData = [Stream](const void* Data, Cardinal Size) {
    return Stream->Write(Data, static_cast<Integer>(Size)) == static_cast<Integer>(Size);
  };
  return this;
}

IZCLHttpRequest* TZCLHttp::SetPostData(TStream* Stream, bool Owned) {
  if (FPostDataOwned && FPostData != Stream) Free(FPostData);
  FPostData = Stream;
  FPostDataOwned = Owned;
  return this;
}

IZCLHttpRequest* TZCLHttp::SetPostData(const AnsiString& Bytes) {
  return SetPostData(Create<TZCLAnsiStringStream>(Bytes), true);
}

IZCLHttpRequest* TZCLHttp::OnProgress(THttpProgressProc Proc, bool Sync) {
  FOnProgress = std::move(Proc);
  FOnProgressSync = Sync;
  return this;
}

IZCLHttpRequest* TZCLHttp::SetRange(const IPtr<IZCLWebRequestRange>& Range) {
  FRange = Range;
  return this;
}

IZCLHttpRequest* TZCLHttp::SetPriority(TZCLTaskPriority Value) {
  FPriority = Value;
  return this;
}

TObjHandle TZCLHttp::Run() { return TaskDispatcher()->Run(Create<TZCLHttpRequestTask>(this)); }

TZCLWebErrorInfo TZCLHttp::RunNoThread() {
  // Holds the request while it runs, also when the caller's reference is a temporary.
  IPtr<IZCLHttpRequest> self(this);
  TZCLTaskDispatcher::RunInCurrentThread(Create<TZCLHttpRequestTask>(this));
  return FErrorInfo;
}

TZCLWebErrorInfo TZCLHttp::RunNoThread(TZCLTaskCancelCallback CheckCanceled) {
  FCheckCanceled = std::move(CheckCanceled);
  return RunNoThread();
}

// ---- task ------------------------------------------------------------------------------------

TZCLHttpRequestTask::TZCLHttpRequestTask(TZCLHttp* ARequest) : FRequest(ARequest), FRequestRef(ARequest) {}

TZCLTaskPriority TZCLHttpRequestTask::GetPriority() { return FRequest->FPriority; }

bool TZCLHttpRequestTask::StopRequested() {
  return IsCanceled() || (FRequest->FCheckCanceled && FRequest->FCheckCanceled());
}

bool TZCLHttpRequestTask::Accept(const THttpResponse& Response) {
  if (StopRequested()) return false;
  if (!FRequest->FOnAccept) return true;
  return CallIn<bool>(FRequest->FOnAcceptSync, [&] { return FRequest->FOnAccept(Response); });
}

bool TZCLHttpRequestTask::Progress(Int64 Done, Int64 Total) {
  if (StopRequested()) return false;
  if (!FRequest->FOnProgress) return true;
  return CallIn<bool>(FRequest->FOnProgressSync, [&] { return FRequest->FOnProgress(Done, Total); });
}

void TZCLHttpRequestTask::Execute() {
  TZCLHttp& r = *FRequest;
  // Each run reports its own outcome, not that of an earlier run.
  r.FErrorInfo = TZCLWebErrorInfo();
  try {
    THttpConnection* connection = Create<THttpConnection>(r.FURL);
    TObjectGuard guard{connection};
    if (IsCanceled()) return;
    THttpResponse response;
    connection->Request(
        response, r.FMethod, r.FRange.get(), r.FPostData,
        [this](const THttpResponse& Response) { return Accept(Response); },
        [this](Int64 Done, Int64 Total) { return Progress(Done, Total); }, r.FOnData,
        [this] { return StopRequested(); });
  } catch (const EHttpError& e) {
    r.FErrorInfo = e.Info;
  } catch (const Exception& e) {
    r.FErrorInfo.Initialize(-1, e.GetMessage());
    throw;
  } catch (const std::exception& e) {
    r.FErrorInfo.Initialize(-1, UTF8ToString(e.what()));
    throw;
  } catch (...) {
    r.FErrorInfo.Initialize(-1, u"Unknown error");
    throw;
  }
}

void TZCLHttpRequestTask::Complete() {
  inherited::Complete();
  if (IsCanceled()) FRequest->FErrorInfo.Initialize(-2, SCanceled);
  if (!FRequest->FOnComplete) return;
  const TZCLWebErrorInfo info = FRequest->FErrorInfo;
  if (FRequest->FOnCompleteSync)
    TZCLMainThread::RunProc([this, info] { FRequest->FOnComplete(info); }, true);
  else
    FRequest->FOnComplete(info);
}
