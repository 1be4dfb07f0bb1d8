#include "os/OS.Http.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "support/LocalHttpServer.h"
#include "support/TestSupport.h"

namespace {

std::string Payload(size_t size) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = char('a' + i % 26);
  return s;
}

THttpTestResponse Serve(const THttpTestRequest& r) {
  THttpTestResponse out;
  static const std::string file = Payload(1000);
  if (r.Path == "/file") {
    std::string range = r.Header("range");
    if (range.rfind("bytes=", 0) == 0) {
      size_t dash = range.find('-');
      size_t from = std::stoul(range.substr(6, dash - 6));
      size_t to = dash + 1 < range.size() ? std::stoul(range.substr(dash + 1)) : file.size() - 1;
      out.Status = 206;
      out.Reason = "Partial Content";
      out.Body = file.substr(from, to - from + 1);
      out.Headers.push_back({"Content-Range", "bytes " + std::to_string(from) + "-" + std::to_string(to) + "/1000"});
    } else {
      out.Body = file;
    }
    out.Headers.push_back({"Content-Type", "text/plain"});
  } else if (r.Path == "/post") {
    out.Body = r.Method + " " + std::to_string(r.Body.size()) + " " + r.Header("content-type");
  } else if (r.Path == "/big") {
    out.Body = Payload(8 << 20);
  } else if (r.Path == "/redirect") {
    out.Status = 302;
    out.Reason = "Found";
    out.Headers.push_back({"Location", "/file"});
  } else if (r.Path == "/cookie") {
    out.Body = r.Header("cookie");
  } else {
    out.Status = 404;
    out.Reason = "Not Found";
    out.Body = "nothing here";
  }
  return out;
}

class Http : public ::testing::Test {
 protected:
  TLocalHttpServer Server{Serve};
  THttpRequest Get(const std::string& path, std::string* body) {
    THttpRequest r;
    r.Url = UTF8ToString(Server.Url(path));
    r.Proxy.Mode = THttpProxyMode::Direct;
    r.TimeOutMs = 10000;
    r.OnData = [body](const Byte* data, size_t size) {
      body->append(reinterpret_cast<const char*>(data), size);
      return true;
    };
    return r;
  }
};

TEST_F(Http, GetFollowsRedirectsAndReportsTheFinalHeader) {
  std::string body;
  THttpResult result = HttpPerform(Get("/redirect", &body));
  EXPECT_EQ(result.Outcome, THttpOutcome::Success);
  EXPECT_EQ(result.Head.StatusCode, 200);
  EXPECT_EQ(result.Head.StatusText, u"OK");
  EXPECT_EQ(result.Head.ContentLength, 1000);
  EXPECT_EQ(result.Head.ContentType, u"text/plain");
  EXPECT_EQ(body, Payload(1000));
  EXPECT_EQ(result.Head.RawHeaders.find(u"HTTP/1.1 200 OK\r\n"), 0u);
}

TEST_F(Http, RangedGetSendsTheRangeHeader) {
  std::string body;
  THttpRequest r = Get("/file", &body);
  r.Headers = u"Range: bytes=100-";
  THttpResult result = HttpPerform(r);
  EXPECT_EQ(result.Outcome, THttpOutcome::Success);
  EXPECT_EQ(result.Head.StatusCode, 206);
  EXPECT_EQ(result.Head.ContentRange, u"bytes 100-999/1000");
  EXPECT_EQ(body, Payload(1000).substr(100));
  EXPECT_EQ(Server.Requests().back().Header("range"), "bytes=100-");
}

TEST_F(Http, RefusedResponseDeliversNoBody) {
  std::string body;
  THttpRequest r = Get("/missing", &body);
  THttpResponseHead seen;
  r.OnAccept = [&](const THttpResponseHead& head) {
    seen = head;
    return head.StatusCode >= 200 && head.StatusCode < 300;
  };
  THttpResult result = HttpPerform(r);
  EXPECT_EQ(result.Outcome, THttpOutcome::Refused);
  EXPECT_EQ(seen.StatusCode, 404);
  EXPECT_EQ(seen.StatusText, u"Not Found");
  EXPECT_TRUE(body.empty());
}

TEST_F(Http, PostSendsTheBodyInBlocks) {
  std::string body;
  THttpRequest r = Get("/post", &body);
  r.Method = u"POST";
  r.Headers = u"Content-Type: application/x-www-form-urlencoded";
  std::string data = Payload(600000);
  size_t offset = 0;
  std::vector<Int64> progress;
  r.BodySize = Int64(data.size());
  r.ReadBody = [&](Byte* buffer, Int64 size) {
    Int64 n = std::min<Int64>(size, Int64(data.size() - offset));
    std::memcpy(buffer, data.data() + offset, size_t(n));
    offset += size_t(n);
    return n;
  };
  r.OnSendProgress = [&](Int64 done, Int64 total) {
    EXPECT_EQ(total, 600000);
    progress.push_back(done);
    return true;
  };
  THttpResult result = HttpPerform(r);
  ASSERT_EQ(result.Outcome, THttpOutcome::Success);
  EXPECT_EQ(body, "POST 600000 application/x-www-form-urlencoded");
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back(), 600000);
}

TEST_F(Http, CancelAndWriteFailureEndTheRequestWithoutSuccess) {
  std::string body;
  THttpRequest r = Get("/big", &body);
  std::atomic<bool> cancel{false};
  r.OnData = [&](const Byte*, size_t size) {
    body.resize(body.size() + size);
    cancel = true;
    return true;
  };
  r.IsCanceled = [&] { return cancel.load(); };
  EXPECT_EQ(HttpPerform(r).Outcome, THttpOutcome::Canceled);
  EXPECT_LT(body.size(), size_t(8 << 20));

  THttpRequest w = Get("/big", &body);
  w.OnData = [](const Byte*, size_t) { return false; };
  EXPECT_EQ(HttpPerform(w).Outcome, THttpOutcome::WriteFailed);
  // An exception inside the data callback fails the request too.
  w.OnData = [](const Byte*, size_t) -> bool { throw std::bad_alloc(); };
  EXPECT_EQ(HttpPerform(w).Outcome, THttpOutcome::WriteFailed);
}

TEST_F(Http, CookiesAreSharedByTheProcess) {
  ASSERT_TRUE(HttpSetCookie(UTF8ToString(Server.Url("/")), u"session=abc123"));
  std::string body;
  EXPECT_EQ(HttpPerform(Get("/cookie", &body)).Outcome, THttpOutcome::Success);
  EXPECT_EQ(body, "session=abc123");
  HttpClearCookies();
  body.clear();
  EXPECT_EQ(HttpPerform(Get("/cookie", &body)).Outcome, THttpOutcome::Success);
  EXPECT_EQ(body, "");
}

TEST(HttpFailure, UnreachableHostReportsASystemCode) {
  THttpRequest r;
  r.Url = u"http://127.0.0.1:1/";
  r.Proxy.Mode = THttpProxyMode::Direct;
  THttpResult result = HttpPerform(r);
  EXPECT_EQ(result.Outcome, THttpOutcome::Failed);
  EXPECT_EQ(result.ErrorCode, 12029);
  EXPECT_FALSE(result.ErrorText.empty());
}

TEST(HttpHeaderLines, StatusAndLengthAreReadOnlyWhenWellFormed) {
  struct TCase {
    const char* Status;
    Integer Code;
  } statuses[] = {{"HTTP/1.1 206 Partial Content\r\n", 206}, {"HTTP/2 200\r\n", 200},
                  {"HTTP/1.1 99999999999999 Huge\r\n", 0}, {"HTTP/1.1 -5 x\r\n", 0}, {"HTTP/1.1\r\n", 0}};
  for (const TCase& c : statuses) {
    THttpResponseHead head;
    std::string lines;
    detail::ReadHeaderLine(c.Status, head, lines);
    EXPECT_EQ(head.StatusCode, c.Code) << c.Status;
  }
  struct TLength {
    const char* Line;
    Int64 Length;
  } lengths[] = {{"Content-Length: 1234\r\n", 1234}, {"content-length: -5\r\n", -1},
                 {"Content-Length: 123456789012345678901234\r\n", -1}, {"Content-Length: 12abc\r\n", -1}};
  for (const TLength& c : lengths) {
    THttpResponseHead head;
    std::string lines;
    detail::ReadHeaderLine(c.Line, head, lines);
    EXPECT_EQ(head.ContentLength, c.Length) << c.Line;
  }
  THttpResponseHead head;
  std::string lines;
  for (const char* line : {"HTTP/1.1 301 Moved\r\n", "Location: /x\r\n", "\r\n", "HTTP/1.1 206 Partial\r\n",
                           "Content-Range: bytes 0-9/100 \r\n", "\r\n"})
    detail::ReadHeaderLine(line, head, lines);
  EXPECT_EQ(head.StatusCode, 206);
  EXPECT_EQ(head.ContentRange, u"bytes 0-9/100");
  EXPECT_EQ(head.RawHeaders, u"HTTP/1.1 206 Partial\r\nContent-Range: bytes 0-9/100\r\n");
}

}  // namespace
