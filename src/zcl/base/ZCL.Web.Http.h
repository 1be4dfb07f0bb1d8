#pragma once
// HTTP and HTTPS requests. A request is built as a chain of calls on IZCLHttpRequest and then
// queued on the task pool (Run) or run in the calling thread (RunNoThread). Every run opens its
// own connection with the process's connection settings and closes it when it ends.
//
//   TZCLWebErrorInfo info = TZCLHttp::Get(u"https://example.org/list.xspf")
//                               ->OnAccept(1 << 20)->OnData(stream)->RunNoThread();

#include <functional>

#include "rtl/RTL.Delegates.h"
#include "rtl/RTL.Interfaces.h"
#include "rtl/RTL.Objects.h"
#include "zcl/base/ZCL.Threading.Pool.h"
#include "zcl/base/ZCL.Web.h"

class TStream;
struct IZCLDataContainer;

// The server's answer, filled before the body is read.
struct THttpResponse {
  Int64 ContentLength = 0;  // 0 when the server did not say
  String ContentRange;
  String ContentType;
  // Every header line of the answer, status line first, each ended by a NUL character.
  String RawHeaders;
  Integer StatusCode = 0;
  String StatusText;
  bool IsSuccess() const { return StatusCode >= 200 && StatusCode <= 299; }
};

// True to go on and read the body.
using THttpAcceptProc = std::function<bool(const THttpResponse& Response)>;
// True when the block was taken.
using THttpDataProc = std::function<bool(const void* Data, Cardinal Size)>;
// Bytes sent or received so far and the total expected; True to go on.
using THttpProgressProc = std::function<bool(Int64 Done, Int64 Total)>;
using THttpCompleteProc = TProc<TZCLWebErrorInfo>;

// Every failure of a request.
class EHttpError : public EZCLWebError {
 public:
  using EZCLWebError::EZCLWebError;
  String ClassName() const override { return u"EHttpError"; }
};
// A data callback refused a block or failed.
class EHttpWriteError : public EHttpError {
 public:
  using EHttpError::EHttpError;
  String ClassName() const override { return u"EHttpWriteError"; }
};

// Header text: lines "Name: value" separated by CR LF. Names match whole, at a line start,
// ignoring case; blanks after the colon are skipped.
class THttpHeaders {
 public:
  THttpHeaders() = delete;
  // Value: the rest of the line. Start and Finish: 1-based positions of the line's start and of
  // its CR LF (one past the text for the last line). False and an empty value when absent.
  static bool Find(StringView Headers, StringView Name, String& Value, Integer& Start, Integer& Finish);
  // As Find; the line found is removed with its CR LF.
  static bool Extract(String& Headers, StringView Name, String& Value);
};

// One connection to one server, with the connection settings read when it is created.
class THttpConnection : public TObject {
  ZCL_CLASS(THttpConnection, TObject)
 public:
  explicit THttpConnection(const TZCLWebURL& AURL);

  // Runs one request and fills Response; raises EHttpError (EHttpWriteError when OnData refuses
  // a block or raises). The accept check runs before any body byte is read: a range that was not
  // honoured (-3), a status outside 2xx (the status code and text), OnAccept refusing (-3). The
  // body is read only with OnData, in blocks of at most HttpBlockSize bytes; OnProgress sees the
  // bytes sent, then the bytes received. IsCanceled is polled while the transfer waits.
  void Request(THttpResponse& Response, const String& Method, IZCLWebRequestRange* Range, TStream* PostData,
               const THttpAcceptProc& OnAccept, const THttpProgressProc& OnProgress, const THttpDataProc& OnData,
               const std::function<bool()>& IsCanceled = {});

  // The request header text: Host, User-Agent, Connection, Keep-Alive, a form Content-Type for
  // POST, Range, then the address's custom headers. A custom header of the same name replaces a
  // default one; an empty value leaves it out. Cookie lines are still in it.
  String BuildHeaders(const String& Method, IZCLWebRequestRange* Range) const;
  const TZCLWebURL& GetURL() const { return FURL; }

 private:
  TZCLWebURL FURL;
  TZCLWebSettings::TSnapshot FSettings;
};

struct IZCLHttpRequest : virtual IInterface {
  RTL_INTERFACE(IZCLHttpRequest, IInterface, "{8B0E5D47-2C13-4F9A-A6E1-73D94C0B5E28}")
  // MaxSize > 0: accepts answers whose ContentLength is at most MaxSize; otherwise no change.
  virtual IZCLHttpRequest* OnAccept(Int64 MaxSize) = 0;
  // Sync: called on the main thread (the worker waits).
  virtual IZCLHttpRequest* OnAccept(THttpAcceptProc Proc, bool Sync) = 0;
  virtual IZCLHttpRequest* OnComplete(THttpCompleteProc Proc, bool Sync) = 0;
  // Writes each block to the container's stream under its lock.
  virtual IZCLHttpRequest* OnData(const IPtr<IZCLDataContainer>& Container) = 0;
  // Always called on the request's own thread.
  virtual IZCLHttpRequest* OnData(THttpDataProc Proc) = 0;
  // Writes each block to Stream, which the request does not own.
  virtual IZCLHttpRequest* OnData(TStream* Stream) = 0;
  virtual IZCLHttpRequest* SetPostData(TStream* Stream, bool Owned) = 0;
  virtual IZCLHttpRequest* SetPostData(const AnsiString& Bytes) = 0;
  virtual IZCLHttpRequest* OnProgress(THttpProgressProc Proc, bool Sync) = 0;
  virtual IZCLHttpRequest* SetRange(const IPtr<IZCLWebRequestRange>& Range) = 0;
  virtual IZCLHttpRequest* SetPriority(TZCLTaskPriority Value) = 0;
  // Queues the request on the task pool; OnComplete reports the end.
  virtual TObjHandle Run() = 0;
  // Runs in the calling thread, completion included; returns the request's ErrorInfo.
  virtual TZCLWebErrorInfo RunNoThread() = 0;
  // CheckCanceled is asked at every cancellation check; True stops the request.
  virtual TZCLWebErrorInfo RunNoThread(TZCLTaskCancelCallback CheckCanceled) = 0;
};

class TZCLHttp : public TInterfacedObject, public IZCLHttpRequest {
  ZCL_CLASS(TZCLHttp, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZCLHttpRequest)
 public:
  ~TZCLHttp() override;

  // A new request; the address is parsed with TZCLWebURL::ParseHttp.
  static IPtr<IZCLHttpRequest> Request(const String& Method, const String& Address);
  static IPtr<IZCLHttpRequest> Get(const String& Address) { return Request(u"GET", Address); }
  // True when Info reports success; otherwise raises EZCLWebError with it.
  static bool Check(const TZCLWebErrorInfo& Info);

  IZCLHttpRequest* OnAccept(Int64 MaxSize) override;
  IZCLHttpRequest* OnAccept(THttpAcceptProc Proc, bool Sync) override;
  IZCLHttpRequest* OnComplete(THttpCompleteProc Proc, bool Sync) override;
  IZCLHttpRequest* OnData(const IPtr<IZCLDataContainer>& Container) override;
  IZCLHttpRequest* OnData(THttpDataProc Proc) override;
  IZCLHttpRequest* OnData(TStream* Stream) override;
  IZCLHttpRequest* SetPostData(TStream* Stream, bool Owned) override;
  IZCLHttpRequest* SetPostData(const AnsiString& Bytes) override;
  IZCLHttpRequest* OnProgress(THttpProgressProc Proc, bool Sync) override;
  IZCLHttpRequest* SetRange(const IPtr<IZCLWebRequestRange>& Range) override;
  IZCLHttpRequest* SetPriority(TZCLTaskPriority Value) override;
  TObjHandle Run() override;
  TZCLWebErrorInfo RunNoThread() override;
  TZCLWebErrorInfo RunNoThread(TZCLTaskCancelCallback CheckCanceled) override;

  // The result of the last run; code 0 when it succeeded.
  const TZCLWebErrorInfo& GetErrorInfo() const { return FErrorInfo; }
  const TZCLWebURL& GetURL() const { return FURL; }

 private:
  friend class TZCLHttpRequestTask;
  String FMethod;
  THttpAcceptProc FOnAccept;
  bool FOnAcceptSync = false;
  TZCLTaskCancelCallback FCheckCanceled;
  THttpCompleteProc FOnComplete;
  bool FOnCompleteSync = false;
  THttpDataProc FOnData;
  THttpProgressProc FOnProgress;
  bool FOnProgressSync = false;
  TStream* FPostData = nullptr;
  bool FPostDataOwned = false;
  TZCLTaskPriority FPriority = TZCLTaskPriority::Low;
  IPtr<IZCLWebRequestRange> FRange;
  TZCLWebErrorInfo FErrorInfo;
  TZCLWebURL FURL;
};

// Runs one request on a pool thread; holds the request alive while the task exists.
class TZCLHttpRequestTask : public TZCLTask {
  ZCL_CLASS(TZCLHttpRequestTask, TZCLTask)
 public:
  explicit TZCLHttpRequestTask(TZCLHttp* ARequest);
  // A cancelled task reports -2 "The operation has been canceled by user.", then OnComplete.
  void Complete() override;
  // EHttpError becomes the request's ErrorInfo; any other exception is recorded as -1 with its
  // message and leaves Execute.
  void Execute() override;
  TZCLTaskPriority GetPriority() override;

 private:
  // True when the request must stop: the task was cancelled or CheckCanceled says so.
  bool StopRequested();
  bool Accept(const THttpResponse& Response);
  bool Progress(Int64 Done, Int64 Total);
  TZCLHttp* FRequest;
  IPtr<IZCLHttpRequest> FRequestRef;
};
