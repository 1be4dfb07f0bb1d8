#include "zcl/base/ZCL.Web.h"

#include <sys/utsname.h>

#include <mutex>

#include "rtl/RTL.Format.h"
#include "rtl/RTL.Strings.h"

// ---- percent encoding ------------------------------------------------------------------------

namespace {

// Escaped: the characters with a meaning in addresses, and "+", which form data reads as a space.
bool IsReserved(Char C) {
  static constexpr StringView Reserved = u"% <>#{}|\\^~\r\n[]`;/?:@=&$+";
  return Reserved.find(C) != StringView::npos;
}

int HexValue(Char C) {
  if (C >= u'0' && C <= u'9') return C - u'0';
  if (C >= u'A' && C <= u'F') return C - u'A' + 10;
  if (C >= u'a' && C <= u'f') return C - u'a' + 10;
  return -1;
}

void AppendEscape(String& Out, Byte B) {
  static constexpr char16_t Digits[] = u"0123456789abcdef";
  Out += u'%';
  Out += Digits[B >> 4];
  Out += Digits[B & 15];
}

// Strict UTF-8: false for any malformed sequence.
bool DecodeUtf8Strict(const std::string& Bytes, String& Out) {
  const Byte* p = reinterpret_cast<const Byte*>(Bytes.data());
  const Byte* end = p + Bytes.size();
  Out.clear();
  while (p < end) {
    if (*p < 0x80) {
      Out += static_cast<Char>(*p++);
      continue;
    }
    char32_t cp = 0;
    if (!DecodeUtf8Sequence(p, end, cp)) return false;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      Out += static_cast<Char>(0xD800 + (cp >> 10));
      Out += static_cast<Char>(0xDC00 + (cp & 0x3FF));
    } else {
      Out += static_cast<Char>(cp);
    }
  }
  return true;
}

}  // namespace

String zcURLEncode(StringView Text) {
  String result;
  result.reserve(Text.size());
  size_t i = 0;
  while (i < Text.size()) {
    const Char c = Text[i];
    if (c < 0x80) {
      if (IsReserved(c))
        AppendEscape(result, static_cast<Byte>(c));
      else
        result += c;
      ++i;
      continue;
    }
    // A surrogate pair encodes as one code point; an unpaired surrogate as U+FFFD.
    size_t n =
        (c >= 0xD800 && c <= 0xDBFF && i + 1 < Text.size() && Text[i + 1] >= 0xDC00 && Text[i + 1] <= 0xDFFF) ? 2 : 1;
    for (char b : StringToUTF8(Text.substr(i, n))) AppendEscape(result, static_cast<Byte>(b));
    i += n;
  }
  return result;
}

String zcURLDecode(StringView Text) {
  enum { Plain, Wide, HighBytes } mode = Plain;
  String buffer;
  buffer.reserve(Text.size());
  size_t i = 0;
  while (i < Text.size()) {
    const Char c = Text[i];
    if (c == u'%' && i + 2 < Text.size() && HexValue(Text[i + 1]) >= 0 && HexValue(Text[i + 2]) >= 0) {
      const int b = HexValue(Text[i + 1]) * 16 + HexValue(Text[i + 2]);
      buffer += static_cast<Char>(b);
      if (b >= 128 && mode == Plain) mode = HighBytes;
      i += 3;
      continue;
    }
    buffer += c;
    if (c > 255) mode = Wide;
    ++i;
  }
  if (mode == HighBytes) {
    std::string bytes(buffer.size(), '\0');
    for (size_t k = 0; k < buffer.size(); ++k) bytes[k] = static_cast<char>(buffer[k]);
    String decoded;
    if (DecodeUtf8Strict(bytes, decoded) && !decoded.empty()) return decoded;
  }
  return buffer;
}

// ---- addresses -------------------------------------------------------------------------------

namespace {

// Decimal digits only, within 0..65535; -1 otherwise.
Integer PortNumber(StringView Text) {
  if (Text.empty() || Text.size() > 5) return -1;
  Integer value = 0;
  for (Char c : Text) {
    if (c < u'0' || c > u'9') return -1;
    value = value * 10 + (c - u'0');
  }
  return value <= 65535 ? value : -1;
}

}  // namespace

TZCLWebURL TZCLWebURL::Parse(StringView Address, StringView DefaultProtocol) {
  TZCLWebURL url;
  StringView text = Address;
  const size_t crlf = text.find(u"\r\n");
  if (crlf != StringView::npos) {
    url.CustomHeaders = String(text.substr(crlf + 2));
    text = text.substr(0, crlf);
  }
  const size_t scheme = text.find(u"://");
  if (scheme != StringView::npos) {
    url.Protocol = String(text.substr(0, scheme));
    url.Secure = SameText(url.Protocol, String(DefaultProtocol) + u"s");
    text = text.substr(scheme + 3);
  } else {
    url.Protocol = String(DefaultProtocol);
  }
  const size_t slash = text.find(u'/');
  StringView host = text.substr(0, slash);
  if (slash != StringView::npos) url.Path = String(text.substr(slash));
  // The colon of an IPv6 literal's port comes after its closing bracket.
  size_t searchFrom = 0;
  if (!host.empty() && host.front() == u'[') {
    const size_t close = host.find(u']');
    if (close != StringView::npos) searchFrom = close + 1;
  }
  const size_t colon = host.find(u':', searchFrom);
  if (colon != StringView::npos) {
    url.Port = PortNumber(host.substr(colon + 1));
    url.PortIsDefault = false;
    host = host.substr(0, colon);
  }
  url.Host = String(host);
  return url;
}

TZCLWebURL TZCLWebURL::ParseHttp(StringView Address) {
  TZCLWebURL url = Parse(Address, u"http");
  if (url.Port <= 0) url.Port = url.Secure ? 443 : 80;
  return url;
}

// ---- errors ----------------------------------------------------------------------------------

String TZCLWebErrorInfo::ToString() const { return Format(u"Error: %d. %s", {ErrorCode, ErrorMessage}); }

EZCLWebError::EZCLWebError(const String& Message, Integer Code) : Exception(u"") {
  Info.Initialize(Code, Message);
  SetMessage(Info.ToString());
}

// ---- settings --------------------------------------------------------------------------------

namespace {

struct TWebSettingsState {
  Byte ProxyMode = 1;
  TZCLWebProxyInfo Proxy;
  Integer TimeOut = 5000;
  String UserAgentProduct;
  String CustomUserAgent;
  String DefaultUserAgent;  // empty until first asked for
};

// Constant-initialised, so usable before the unit's initialization; the state is made on demand.
std::mutex GSettingsLock;
TWebSettingsState* GSettings = nullptr;

TWebSettingsState& State() {
  if (!GSettings) GSettings = new TWebSettingsState();
  return *GSettings;
}

Byte EffectiveProxyMode(const TWebSettingsState& S) {
  if (S.ProxyMode == 2 && Trim(S.Proxy.Server).empty()) return 0;
  return S.ProxyMode;
}

String PlatformToken() {
  utsname names{};
  String machine = u"x86_64";
  if (::uname(&names) == 0 && names.machine[0]) machine = UTF8ToString(names.machine);
  return u"X11; Linux " + machine;
}

const String& DefaultUserAgentLocked(TWebSettingsState& S) {
  if (S.DefaultUserAgent.empty()) {
    const String product = S.UserAgentProduct.empty() ? String() : S.UserAgentProduct + u"; ";
    S.DefaultUserAgent =
        Format(u"Mozilla/5.0 (%s%s%s) AppleWebKit/537.36 (KHTML, like Gecko)", {product, PlatformToken(), String()});
  }
  return S.DefaultUserAgent;
}

}  // namespace

TZCLWebSettings::TSnapshot TZCLWebSettings::Snapshot() {
  std::lock_guard guard(GSettingsLock);
  TWebSettingsState& s = State();
  return TSnapshot{EffectiveProxyMode(s), s.Proxy, s.TimeOut,
                   s.CustomUserAgent.empty() ? DefaultUserAgentLocked(s) : s.CustomUserAgent};
}

Byte TZCLWebSettings::GetProxyMode() {
  std::lock_guard guard(GSettingsLock);
  return EffectiveProxyMode(State());
}

Byte TZCLWebSettings::GetStoredProxyMode() {
  std::lock_guard guard(GSettingsLock);
  return State().ProxyMode;
}

void TZCLWebSettings::SetProxyMode(Byte Value) {
  std::lock_guard guard(GSettingsLock);
  State().ProxyMode = Value;
}

TZCLWebProxyInfo TZCLWebSettings::GetProxy() {
  std::lock_guard guard(GSettingsLock);
  return State().Proxy;
}

void TZCLWebSettings::SetProxy(const TZCLWebProxyInfo& Value) {
  std::lock_guard guard(GSettingsLock);
  State().Proxy = Value;
}

Integer TZCLWebSettings::GetTimeOut() {
  std::lock_guard guard(GSettingsLock);
  return State().TimeOut;
}

void TZCLWebSettings::SetTimeOut(Integer Value) {
  std::lock_guard guard(GSettingsLock);
  State().TimeOut = Value <= 1000 ? 1000 : Value >= 30000 ? 30000 : Value;
}

String TZCLWebSettings::GetUserAgentProduct() {
  std::lock_guard guard(GSettingsLock);
  return State().UserAgentProduct;
}

void TZCLWebSettings::SetUserAgentProduct(const String& Value) {
  std::lock_guard guard(GSettingsLock);
  State().UserAgentProduct = Value;
}

String TZCLWebSettings::GetDefaultUserAgent() {
  std::lock_guard guard(GSettingsLock);
  return DefaultUserAgentLocked(State());
}

String TZCLWebSettings::GetUserAgent() {
  std::lock_guard guard(GSettingsLock);
  TWebSettingsState& s = State();
  return s.CustomUserAgent.empty() ? DefaultUserAgentLocked(s) : s.CustomUserAgent;
}

void TZCLWebSettings::SetUserAgent(const String& Value) {
  std::lock_guard guard(GSettingsLock);
  TWebSettingsState& s = State();
  if (Value.empty() || Value == DefaultUserAgentLocked(s))
    s.CustomUserAgent.clear();
  else
    s.CustomUserAgent = Value;
}

void TZCLWebSettings::Initialize() {
  std::lock_guard guard(GSettingsLock);
  TWebSettingsState& s = State();
  s.ProxyMode = 1;
  s.TimeOut = 5000;
}

void TZCLWebSettings::Finalize() {
  std::lock_guard guard(GSettingsLock);
  delete GSettings;
  GSettings = nullptr;
}
