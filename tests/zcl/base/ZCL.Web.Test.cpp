#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "rtl/RTL.Numbers.h"
#include "zcl/base/ZCL.Web.h"

namespace {

std::string U8(const String& S) { return StringToUTF8(S); }

TEST(WebEncoding, EncodeEscapesReservedCharactersPlusAndNonAscii) {
  const struct {
    String Text, Expected;
  } cases[] = {
      {u"a b/c", u"a%20b%2fc"},
      {u"1+1=2", u"1%2b1%3d2"},
      {u"%<>#{}|\\^~\r\n[]`;/?:@=&$", u"%25%3c%3e%23%7b%7d%7c%5c%5e%7e%0d%0a%5b%5d%60%3b%2f%3f%3a%40%3d%26%24"},
      {u"AZaz09-_.!*'(),", u"AZaz09-_.!*'(),"},
      {u"caf\u00e9", u"caf%c3%a9"},
      {u"\u20ac", u"%e2%82%ac"},
      {u"\U0001F600", u"%f0%9f%98%80"},
      {u"", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(U8(zcURLEncode(c.Text)), U8(c.Expected)) << U8(c.Text);
}

TEST(WebEncoding, DecodeResolvesEscapesAndReadsHighBytesAsUtf8WhenValid) {
  const struct {
    String Text, Expected;
  } cases[] = {
      {u"%41%42", u"AB"},
      {u"x%4", u"x%4"},
      {u"%zz", u"%zz"},
      {u"%C3%A9", u"\u00e9"},
      {u"%E9", u"\u00e9"},                       // not UTF-8: the byte itself
      {u"\u0100%C3%A9", u"\u0100\u00c3\u00a9"},  // a wide character skips the UTF-8 step
      {u"a+b%2B", u"a+b+"},
      {u"%f0%9f%98%80", u"\U0001F600"},
  };
  for (const auto& c : cases) EXPECT_EQ(zcURLDecode(c.Text), c.Expected) << U8(c.Text);
}

TEST(WebEncoding, DecodeUndoesEncode) {
  const String text = u"name=Caf\u00e9 & co/\u20ac 100%+\U0001F600?";
  EXPECT_EQ(zcURLDecode(zcURLEncode(text)), text);
}

TEST(WebURL, ParseSplitsSchemeHostPortPathAndHeaders) {
  const struct {
    String Address;
    bool Http;  // ParseHttp, else Parse with "http"
    String Protocol, Host, Path, Headers;
    Integer Port;
    bool PortIsDefault, Secure;
  } cases[] = {
      {u"https://h.example:8443/a/b?c", false, u"https", u"h.example", u"/a/b?c", u"", 8443, false, true},
      {u"HTTPS://h.example/", false, u"HTTPS", u"h.example", u"/", u"", -1, true, true},
      {u"http://h.example", true, u"http", u"h.example", u"", u"", 80, true, false},
      {u"https://h.example", true, u"https", u"h.example", u"", u"", 443, true, true},
      {u"h.example:81", false, u"http", u"h.example", u"", u"", 81, false, false},
      {u"h.example/x:1", false, u"http", u"h.example", u"/x:1", u"", -1, true, false},
      {u"h.example/x:1", true, u"http", u"h.example", u"/x:1", u"", 80, true, false},
      {u"h.example:abc/", false, u"http", u"h.example", u"/", u"", -1, false, false},
      {u"h.example:99999/", true, u"http", u"h.example", u"/", u"", 80, false, false},
      {u"ftp://h.example/f", false, u"ftp", u"h.example", u"/f", u"", -1, true, false},
      {u"http://[::1]:8080/p", false, u"http", u"[::1]", u"/p", u"", 8080, false, false},
      {u"http://h.example/p\r\nX-Note: 1\r\nX-Two: 2", false, u"http", u"h.example", u"/p", u"X-Note: 1\r\nX-Two: 2",
       -1, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(U8(c.Address));
    const TZCLWebURL url = c.Http ? TZCLWebURL::ParseHttp(c.Address) : TZCLWebURL::Parse(c.Address, u"http");
    EXPECT_EQ(U8(url.Protocol), U8(c.Protocol));
    EXPECT_EQ(U8(url.Host), U8(c.Host));
    EXPECT_EQ(U8(url.Path), U8(c.Path));
    EXPECT_EQ(U8(url.CustomHeaders), U8(c.Headers));
    EXPECT_EQ(url.Port, c.Port);
    EXPECT_EQ(url.PortIsDefault, c.PortIsDefault);
    EXPECT_EQ(url.Secure, c.Secure);
  }
}

TEST(WebError, MessageIsTheInfoText) {
  EZCLWebError e(u"Not Found", 404);
  EXPECT_EQ(U8(e.GetMessage()), "Error: 404. Not Found");
  EXPECT_EQ(e.Info.ErrorCode, 404);
  EXPECT_EQ(U8(e.Info.ErrorMessage), "Not Found");
  TZCLWebErrorInfo info;
  EXPECT_TRUE(info.IsSuccess());
  info.Initialize(-2, u"x");
  EXPECT_FALSE(info.IsSuccess());
  EXPECT_EQ(U8(EZCLWebError(info).GetMessage()), "Error: -2. x");
}

// Starts every test from the unit's initial state (the default user agent is built anew).
class WebSettings : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }
  static void Reset() {
    TZCLWebSettings::Finalize();
    TZCLWebSettings::Initialize();
  }
};

TEST_F(WebSettings, TimeOutIsClamped) {
  EXPECT_EQ(TZCLWebSettings::GetTimeOut(), 5000);
  const Integer cases[][2] = {{0, 1000}, {-5, 1000}, {1000, 1000}, {1500, 1500}, {30000, 30000}, {60000, 30000}};
  for (const auto& c : cases) {
    TZCLWebSettings::SetTimeOut(c[0]);
    EXPECT_EQ(TZCLWebSettings::GetTimeOut(), c[1]) << c[0];
  }
}

TEST_F(WebSettings, ProxyModeTwoWithABlankServerIsDirect) {
  EXPECT_EQ(TZCLWebSettings::GetProxyMode(), 1);
  TZCLWebSettings::SetProxyMode(2);
  TZCLWebSettings::SetProxy({u" \t ", u"8080", u"", u""});
  EXPECT_EQ(TZCLWebSettings::GetProxyMode(), 0);
  EXPECT_EQ(TZCLWebSettings::GetStoredProxyMode(), 2);
  TZCLWebSettings::SetProxy({u"proxy.local", u"8080", u"", u""});
  EXPECT_EQ(TZCLWebSettings::GetProxyMode(), 2);
  EXPECT_EQ(TZCLWebSettings::Snapshot().ProxyMode, 2);
}

TEST_F(WebSettings, DefaultUserAgentIsBuiltOnceWithTheProduct) {
  TZCLWebSettings::SetUserAgentProduct(u"Zeph/1.2");
  const String agent = TZCLWebSettings::GetDefaultUserAgent();
  EXPECT_EQ(U8(agent).rfind("Mozilla/5.0 (Zeph/1.2; X11; Linux ", 0), 0u) << U8(agent);
  EXPECT_NE(U8(agent).find(") AppleWebKit/537.36 (KHTML, like Gecko)"), std::string::npos);
  TZCLWebSettings::SetUserAgentProduct(u"Other/9");
  EXPECT_EQ(TZCLWebSettings::GetDefaultUserAgent(), agent);

  TZCLWebSettings::SetUserAgent(u"Custom/1");
  EXPECT_EQ(U8(TZCLWebSettings::GetUserAgent()), "Custom/1");
  TZCLWebSettings::SetUserAgent(agent);  // the default itself clears the custom agent
  EXPECT_EQ(TZCLWebSettings::GetUserAgent(), agent);
  TZCLWebSettings::SetUserAgent(u"Custom/1");
  TZCLWebSettings::SetUserAgent(u"");
  EXPECT_EQ(TZCLWebSettings::GetUserAgent(), agent);
}

TEST_F(WebSettings, ThreadsSeeOneDefaultUserAgentAndConsistentSnapshots) {
  TZCLWebSettings::SetUserAgentProduct(u"Zeph/1.2");
  std::vector<String> seen(8);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < seen.size(); ++i)
    threads.emplace_back([&, i] {
      for (int k = 0; k < 200; ++k) {
        if (i % 2) {
          TZCLWebSettings::SetProxy({u"proxy" + IntToStr(k), IntToStr(k), u"", u""});
          TZCLWebSettings::SetTimeOut(1000 + k);
        } else {
          const auto snapshot = TZCLWebSettings::Snapshot();
          // A snapshot never mixes two writes of the proxy.
          EXPECT_EQ(snapshot.Proxy.Server.empty() ? String() : snapshot.Proxy.Server.substr(5),
                    snapshot.Proxy.ServerPort);
        }
      }
      seen[i] = TZCLWebSettings::GetDefaultUserAgent();
    });
  for (auto& t : threads) t.join();
  for (const String& s : seen) EXPECT_EQ(s, seen[0]);
}

}  // namespace
