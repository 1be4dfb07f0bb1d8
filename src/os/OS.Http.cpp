#include "os/OS.Http.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {

std::string N(StringView s) { return StringToUTF8(s); }

// The process's cookie store: one curl share handle, its data guarded by one mutex per kind.
struct TShared {
  CURLSH* Share = nullptr;
  std::mutex Locks[CURL_LOCK_DATA_LAST];

  TShared() {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    Share = curl_share_init();
    curl_share_setopt(Share, CURLSHOPT_LOCKFUNC, &Lock);
    curl_share_setopt(Share, CURLSHOPT_UNLOCKFUNC, &Unlock);
    curl_share_setopt(Share, CURLSHOPT_USERDATA, this);
    curl_share_setopt(Share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    curl_share_setopt(Share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
  }

  static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
    static_cast<TShared*>(self)->Locks[data].lock();
  }
  static void Unlock(CURL*, curl_lock_data data, void* self) { static_cast<TShared*>(self)->Locks[data].unlock(); }
};

TShared& Shared() {
  static TShared shared;
  return shared;
}

struct TContext {
  const THttpRequest* Request = nullptr;
  THttpResult* Result = nullptr;
  std::string HeaderText;      // raw lines of the response being received
  THttpResponseHead Head;      // parsed from HeaderText
  bool Accepted = false;       // the accept decision was made for the final response
  bool StopReason = false;     // a callback ended the transfer on purpose
  Int64 Sent = 0;
};

bool StartsWithNoCase(const std::string& s, const char* prefix) {
  size_t n = std::strlen(prefix);
  if (s.size() < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(s[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  return true;
}

std::string TrimLine(std::string s) {
  while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' ' || s.back() == '\t')) s.pop_back();
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  return s.substr(i);
}

size_t OnHeaderLine(char* data, size_t size, size_t count, void* user) {
  auto* ctx = static_cast<TContext*>(user);
  detail::ReadHeaderLine(std::string_view(data, size * count), ctx->Head, ctx->HeaderText);
  return size * count;
}

bool Canceled(TContext* ctx) { return ctx->Request->IsCanceled && ctx->Request->IsCanceled(); }

// Makes the accept decision once, for the response whose body is about to arrive.
bool Accept(TContext* ctx) {
  if (ctx->Accepted) return true;
  ctx->Accepted = true;
  if (Canceled(ctx)) {
    ctx->Result->Outcome = THttpOutcome::Canceled;
    return false;
  }
  if (ctx->Request->OnAccept && !ctx->Request->OnAccept(ctx->Head)) {
    ctx->Result->Outcome = THttpOutcome::Refused;
    return false;
  }
  return true;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* ctx = static_cast<TContext*>(user);
  size_t bytes = size * count;
  try {
    if (!Accept(ctx) || !ctx->Request->OnData) {
      if (ctx->Result->Outcome == THttpOutcome::Failed) ctx->Result->Outcome = THttpOutcome::Success;
      ctx->StopReason = true;
      return CURL_WRITEFUNC_ERROR;
    }
    if (Canceled(ctx)) {
      ctx->Result->Outcome = THttpOutcome::Canceled;
      ctx->StopReason = true;
      return CURL_WRITEFUNC_ERROR;
    }
    if (!ctx->Request->OnData(reinterpret_cast<const Byte*>(data), bytes)) {
      ctx->Result->Outcome = THttpOutcome::WriteFailed;
      ctx->StopReason = true;
      return CURL_WRITEFUNC_ERROR;
    }
  } catch (...) {
    // An exception must not unwind through libcurl: the request fails instead.
    ctx->Result->Outcome = THttpOutcome::WriteFailed;
    ctx->StopReason = true;
    return CURL_WRITEFUNC_ERROR;
  }
  return bytes;
}

size_t OnReadBody(char* buffer, size_t size, size_t count, void* user) {
  auto* ctx = static_cast<TContext*>(user);
  try {
    if (Canceled(ctx)) {
      ctx->Result->Outcome = THttpOutcome::Canceled;
      ctx->StopReason = true;
      return CURL_READFUNC_ABORT;
    }
    if (!ctx->Request->ReadBody) return 0;
    Int64 got = ctx->Request->ReadBody(reinterpret_cast<Byte*>(buffer), Int64(size * count));
    if (got < 0) {
      ctx->Result->Outcome = THttpOutcome::SendFailed;
      ctx->StopReason = true;
      return CURL_READFUNC_ABORT;
    }
    ctx->Sent += got;
    if (got > 0 && ctx->Request->OnSendProgress && !ctx->Request->OnSendProgress(ctx->Sent, ctx->Request->BodySize)) {
      ctx->Result->Outcome = THttpOutcome::Canceled;
      ctx->StopReason = true;
      return CURL_READFUNC_ABORT;
    }
    return size_t(got);
  } catch (...) {
    ctx->Result->Outcome = THttpOutcome::SendFailed;
    ctx->StopReason = true;
    return CURL_READFUNC_ABORT;
  }
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* ctx = static_cast<TContext*>(user);
  if (Canceled(ctx)) {
    ctx->Result->Outcome = THttpOutcome::Canceled;
    ctx->StopReason = true;
    return 1;
  }
  return 0;
}

Integer SystemCode(CURLcode code) {
  switch (code) {
    case CURLE_OPERATION_TIMEDOUT: return 12002;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return 12007;
    case CURLE_COULDNT_CONNECT: return 12029;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CACERT_BADFILE: return 12175;
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL: return 12006;
    case CURLE_TOO_MANY_REDIRECTS: return 12156;
    default: return -1;
  }
}

}  // namespace

THttpResult HttpPerform(const THttpRequest& Request) {
  THttpResult result;
  TContext ctx;
  ctx.Request = &Request;
  ctx.Result = &result;
  CURL* curl = curl_easy_init();
  if (!curl) {
    result.ErrorCode = -1;
    result.ErrorText = u"Internal connection error (curl_easy_init failed)";
    return result;
  }
  char error[CURL_ERROR_SIZE] = {};
  std::string url = N(Request.Url), method = N(Request.Method);
  curl_easy_setopt(curl, CURLOPT_SHARE, Shared().Share);
  curl_easy_setopt(curl, CURLOPT_COOKIEFILE, "");  // turn the cookie engine on
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
  curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, long(HttpBlockSize));
  curl_easy_setopt(curl, CURLOPT_UPLOAD_BUFFERSIZE, long(HttpBlockSize));
  if (Request.TimeOutMs > 0) {
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, long(Request.TimeOutMs));
    // Send and receive time-outs: the transfer may not stall longer than that.
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, std::max(1L, long(Request.TimeOutMs / 1000)));
  }
  std::string proxy;
  switch (Request.Proxy.Mode) {
    case THttpProxyMode::Direct: curl_easy_setopt(curl, CURLOPT_PROXY, ""); break;
    case THttpProxyMode::System: break;  // libcurl reads http_proxy, https_proxy and no_proxy
    case THttpProxyMode::Custom:
      proxy = N(Request.Proxy.Server);
      if (Request.Proxy.Port > 0) proxy += ":" + std::to_string(Request.Proxy.Port);
      curl_easy_setopt(curl, CURLOPT_PROXY, proxy.c_str());
      break;
  }
  std::string proxyUser = N(Request.Proxy.UserName), proxyPass = N(Request.Proxy.Password);
  if (Request.Proxy.Mode == THttpProxyMode::Custom && !proxyUser.empty()) {
    curl_easy_setopt(curl, CURLOPT_PROXYUSERNAME, proxyUser.c_str());
    curl_easy_setopt(curl, CURLOPT_PROXYPASSWORD, proxyPass.c_str());
  }
  curl_slist* headers = nullptr;
  {
    std::string text = N(Request.Headers);
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find("\r\n", start);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(start, end - start);
      if (!TrimLine(line).empty()) headers = curl_slist_append(headers, line.c_str());
      start = end + 2;
    }
  }
  // libcurl adds "Expect: 100-continue" to large bodies; the server is not asked to confirm.
  headers = curl_slist_append(headers, "Expect:");
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  if (method == "GET") {
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  } else if (method == "HEAD") {
    curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
  } else {
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method.c_str());
  }
  if (Request.BodySize >= 0) {
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, curl_off_t(Request.BodySize));
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, &OnReadBody);
    curl_easy_setopt(curl, CURLOPT_READDATA, &ctx);
    // UPLOAD means PUT unless a method is named: keep the caller's method.
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method.c_str());
  }
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &OnHeaderLine);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &ctx);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &OnBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &ctx);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &OnProgress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &ctx);

  CURLcode code = curl_easy_perform(curl);
  result.Head = ctx.Head;
  if (ctx.StopReason) {
    // A callback ended the transfer; Outcome says why.
  } else if (code == CURLE_OK) {
    // A response without a body byte still gets its accept decision.
    result.Outcome = THttpOutcome::Success;
    if (!Accept(&ctx) && result.Outcome == THttpOutcome::Success) result.Outcome = THttpOutcome::Refused;
  } else {
    result.Outcome = THttpOutcome::Failed;
    result.ErrorCode = SystemCode(code);
    result.ErrorText = UTF8ToString(error[0] ? error : curl_easy_strerror(code));
  }
  curl_slist_free_all(headers);
  curl_easy_cleanup(curl);
  return result;
}

bool HttpSetCookie(StringView Url, StringView Cookie) {
  CURL* curl = curl_easy_init();
  if (!curl) return false;
  std::string url = N(Url);
  // The cookie engine wants the host in a "Set-Cookie:" line with a domain: take it from the URL.
  CURLU* parsed = curl_url();
  bool ok = curl_url_set(parsed, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK;
  char* host = nullptr;
  if (ok) ok = curl_url_get(parsed, CURLUPART_HOST, &host, 0) == CURLUE_OK;
  if (ok) {
    std::string line = "Set-Cookie: " + N(Cookie);
    if (N(Cookie).find("domain=") == std::string::npos) line += "; domain=" + std::string(host);
    if (N(Cookie).find("path=") == std::string::npos) line += "; path=/";
    curl_easy_setopt(curl, CURLOPT_SHARE, Shared().Share);
    curl_easy_setopt(curl, CURLOPT_COOKIEFILE, "");
    ok = curl_easy_setopt(curl, CURLOPT_COOKIELIST, line.c_str()) == CURLE_OK;
  }
  curl_free(host);
  curl_url_cleanup(parsed);
  curl_easy_cleanup(curl);
  return ok;
}

void HttpClearCookies() {
  CURL* curl = curl_easy_init();
  if (!curl) return;
  curl_easy_setopt(curl, CURLOPT_SHARE, Shared().Share);
  curl_easy_setopt(curl, CURLOPT_COOKIELIST, "ALL");
  curl_easy_cleanup(curl);
}

void detail::HttpInitialization() { Shared(); }

void detail::ReadHeaderLine(std::string_view Line, THttpResponseHead& Head, std::string& HeaderText) {
  const std::string line(Line);
  if (StartsWithNoCase(line, "HTTP/")) {
    // A new response (after a redirect or a 100 Continue) replaces what came before.
    HeaderText.clear();
    Head = THttpResponseHead();
    std::string status = TrimLine(line);
    size_t sp = status.find(' ');
    if (sp != std::string::npos) {
      // Three digits; anything else is no status (atoi would overflow on a long number).
      const std::string code = status.substr(sp + 1, 3);
      if (code.size() == 3 && std::all_of(code.begin(), code.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
          (status.size() == sp + 4 || status[sp + 4] == ' '))
        Head.StatusCode = std::stoi(code);
      size_t sp2 = status.find(' ', sp + 1);
      if (sp2 != std::string::npos) Head.StatusText = UTF8ToString(status.substr(sp2 + 1));
    }
  } else if (StartsWithNoCase(line, "content-length:")) {
    // Digits only; a negative, damaged or too large length counts as not given.
    const std::string value = TrimLine(line.substr(15));
    Int64 length = -1;
    if (!value.empty() && value.size() <= 18 &&
        std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }))
      length = std::stoll(value);
    Head.ContentLength = length;
  } else if (StartsWithNoCase(line, "content-type:")) {
    Head.ContentType = UTF8ToString(TrimLine(line.substr(13)));
  } else if (StartsWithNoCase(line, "content-range:")) {
    Head.ContentRange = UTF8ToString(TrimLine(line.substr(14)));
  }
  const std::string clean = TrimLine(line);
  if (clean.empty()) return;
  HeaderText += clean + "\r\n";
  Head.RawHeaders = UTF8ToString(HeaderText);
}
