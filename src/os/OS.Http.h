#pragma once
// HTTP and HTTPS requests over libcurl, for the system's HTTP client. One call runs one request
// on the calling thread from start to end: the body goes up through a read callback, the
// response header is offered to an accept callback before any body byte is delivered, and the
// body comes down block by block. Redirects are followed, TLS peers are verified, cookies are
// shared by every request of the process.

#include <functional>
#include <string>
#include <string_view>

#include "os/OS.Types.h"

enum class THttpProxyMode { Direct, System, Custom };

struct THttpProxy {
  THttpProxyMode Mode = THttpProxyMode::System;  // System: the environment's http(s)_proxy
  String Server;
  Integer Port = 0;
  String UserName;
  String Password;
};

struct THttpResponseHead {
  Integer StatusCode = 0;
  String StatusText;
  Int64 ContentLength = -1;  // -1 when the server did not say
  String ContentType;
  String ContentRange;
  // Every header line of the final response, each ended by CR LF, status line first.
  String RawHeaders;
};

struct THttpRequest {
  String Method = u"GET";
  String Url;
  // Header lines separated by CR LF, sent as they are (no defaults are added).
  String Headers;
  Integer TimeOutMs = 30000;  // connect, send and receive
  THttpProxy Proxy;
  // The body: its size (-1: no body) and a source that fills Buffer with up to Size bytes and
  // returns how many it gave (0 at the end, -1 to fail the request).
  Int64 BodySize = -1;
  std::function<Int64(Byte* Buffer, Int64 Size)> ReadBody;
  // Called once the body has been handed over: bytes sent so far and the total; false cancels.
  std::function<bool(Int64 Done, Int64 Total)> OnSendProgress;
  // Decides on the response before its body is read; false ends the request (Refused).
  std::function<bool(const THttpResponseHead& Head)> OnAccept;
  // Receives the body; false fails the request (WriteFailed). Without it, the request ends after
  // the header.
  std::function<bool(const Byte* Data, size_t Size)> OnData;
  // Asked between blocks; true stops the request (Canceled).
  std::function<bool()> IsCanceled;
};

enum class THttpOutcome { Success, Failed, Canceled, Refused, WriteFailed, SendFailed };

struct THttpResult {
  THttpOutcome Outcome = THttpOutcome::Failed;
  // For Failed: a system error number in the 12000 range (12002 time-out, 12007 name not
  // resolved, 12029 cannot connect, 12175 secure channel failure), else -1.
  Integer ErrorCode = 0;
  String ErrorText;
  THttpResponseHead Head;
};

// Maximum size of one block handed to OnData and asked of ReadBody.
constexpr size_t HttpBlockSize = 262144;

THttpResult HttpPerform(const THttpRequest& Request);

// Stores a cookie ("name=value; attributes") for the scheme and host of Url in the process's
// cookie store; later requests to that host send it.
bool HttpSetCookie(StringView Url, StringView Cookie);
// Drops every cookie of the process.
void HttpClearCookies();

namespace detail {
// Sets libcurl up once, before any thread can start a request.
void HttpInitialization();
// Takes one header line of a response (status line included) into Head; HeaderText keeps the
// lines read so far.
void ReadHeaderLine(std::string_view Line, THttpResponseHead& Head, std::string& HeaderText);
}  // namespace detail
