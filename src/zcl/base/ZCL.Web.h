#pragma once
// What every network operation shares: the connection settings, the parsed form of an address,
// the error record and exception of a failed request, the byte range of a partial download, and
// the percent encoding of text for addresses.

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Interfaces.h"
#include "rtl/RTL.Types.h"

// Escapes the characters that have a meaning in addresses, "+" and every character beyond
// ASCII ("%" and two lower-case hex digits per byte, non-ASCII text as its UTF-8 bytes).
String zcURLEncode(StringView Text);
// Resolves every "%" followed by two hex digits to that byte (other text stays as it is, "+"
// included). When escapes gave bytes of 128 or more and the text holds no character above 255,
// the bytes are read as UTF-8 if they form valid UTF-8; otherwise each byte is one character.
String zcURLDecode(StringView Text);

// An address as the HTTP client needs it.
struct TZCLWebURL {
  // Everything after the first CR LF of the address: extra request header lines ("Name: value",
  // separated by CR LF) that travel with the address.
  String CustomHeaders;
  String Host;                // without the port; an IPv6 literal keeps its brackets
  String Path;                // begins with "/", or empty
  Integer Port = -1;          // -1 while none is known (also for a port text that is no number in 0..65535)
  bool PortIsDefault = true;  // the address named no port
  String Protocol;
  bool Secure = false;  // the scheme is the default scheme with "s" appended

  static TZCLWebURL Parse(StringView Address, StringView DefaultProtocol);
  // Parse with "http"; a port of 0 or less becomes 443 when Secure, else 80.
  static TZCLWebURL ParseHttp(StringView Address);
};

struct TZCLWebProxyInfo {
  String Server;
  String ServerPort;
  String UserName;
  String UserPass;
};

// Codes: 0 success; -1 general failure (connection, posting, writing received data); -2 cancelled;
// -3 the answer was refused (range not honoured, content not accepted); positive codes are HTTP
// status codes or system error codes.
struct TZCLWebErrorInfo {
  Integer ErrorCode = 0;
  String ErrorMessage;

  void Initialize(Integer Code, const String& Message) {
    ErrorCode = Code;
    ErrorMessage = Message;
  }
  bool IsSuccess() const { return ErrorCode == 0; }
  // "Error: %d. %s"
  String ToString() const;
};

class EZCLWebError : public Exception {
 public:
  explicit EZCLWebError(const TZCLWebErrorInfo& AInfo) : EZCLWebError(AInfo.ErrorMessage, AInfo.ErrorCode) {}
  // The message is Info.ToString().
  EZCLWebError(const String& Message, Integer Code);
  String ClassName() const override { return u"EZCLWebError"; }
  TZCLWebErrorInfo Info;
};

struct IZCLWebRequestRange : virtual IInterface {
  RTL_INTERFACE(IZCLWebRequestRange, IInterface, "{34C20AC7-68CF-4EFB-8D4F-96D392F74498}")
  virtual Int64 GetOffset() = 0;
  // Negative: up to the end of the resource. Offset 0 with a size of 0 or less is the whole.
  virtual Int64 GetSize() = 0;
};

class TZCLWebRequestRange : public TInterfacedObject, public IZCLWebRequestRange {
  ZCL_CLASS(TZCLWebRequestRange, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZCLWebRequestRange)
 public:
  TZCLWebRequestRange(Int64 AOffset, Int64 ASize) : FOffset(AOffset), FSize(ASize) {}
  Int64 GetOffset() override { return FOffset; }
  Int64 GetSize() override { return FSize; }

 private:
  Int64 FOffset;
  Int64 FSize;
};

// The connection settings of the whole process: proxy, time-out and user agent. Every member may
// be called from any thread; the state sits behind one lock.
class TZCLWebSettings {
 public:
  TZCLWebSettings() = delete;

  // What one connection uses, read at once so that it is consistent.
  struct TSnapshot {
    Byte ProxyMode;  // effective, as GetProxyMode
    TZCLWebProxyInfo Proxy;
    Integer TimeOut;
    String UserAgent;
  };
  static TSnapshot Snapshot();

  // 0 direct connection, 1 the system's proxy settings, 2 the proxy server of Proxy; the
  // effective mode, where mode 2 with a server that is blank after trimming is 0.
  static Byte GetProxyMode();
  // The mode as stored.
  static Byte GetStoredProxyMode();
  static void SetProxyMode(Byte Value);
  static TZCLWebProxyInfo GetProxy();
  static void SetProxy(const TZCLWebProxyInfo& Value);
  // Milliseconds, within 1000..30000: connect, send and receive time-out of every connection.
  static Integer GetTimeOut();
  static void SetTimeOut(Integer Value);
  // Product token placed first in the default user agent ("Name/Version").
  static String GetUserAgentProduct();
  static void SetUserAgentProduct(const String& Value);
  // Built on first use and kept for the life of the process.
  static String GetDefaultUserAgent();
  // The custom user agent when one is set, else the default.
  static String GetUserAgent();
  // An empty value or the default user agent itself clears the custom user agent.
  static void SetUserAgent(const String& Value);

  static void Initialize();
  static void Finalize();
};
