#include "rtl/RTL.Exceptions.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cxxabi.h>
#include <execinfo.h>
#include <memory>

namespace {
std::atomic<bool> GCaptureStacks{false};
}

Exception::Exception(const String& Msg) : FMessage(Msg) {
  FWhat = StringToUTF8(FMessage);
  CaptureStack();
}

Exception::Exception(StringView Fmt, TVarRecList Args) : Exception(Format(Fmt, Args)) {}

Exception::~Exception() = default;

void Exception::SetMessage(const String& Value) {
  FMessage = Value;
  FWhat = StringToUTF8(FMessage);
}

const char* Exception::what() const noexcept { return FWhat.c_str(); }

void Exception::SetStackTraceCapture(bool Enabled) { GCaptureStacks = Enabled; }

void Exception::CaptureStack() {
  if (GCaptureStacks.load(std::memory_order_relaxed))
    FFrameCount = backtrace(FFrames, MaxFrames);
}

String Exception::GetStackTrace() const {
  if (FFrameCount <= 0) return {};
  std::unique_ptr<char*, decltype(&std::free)> symbols(backtrace_symbols(FFrames, FFrameCount), &std::free);
  if (!symbols) return {};
  std::string text;
  // Frame 0 and 1 are CaptureStack and the constructor.
  for (int i = 2; i < FFrameCount; ++i) {
    std::string line = symbols.get()[i];
    // "module(mangled+0x12) [0x...]": demangle the symbol when there is one.
    auto open = line.find('(');
    auto plus = line.find('+', open == std::string::npos ? 0 : open);
    if (open != std::string::npos && plus != std::string::npos && plus > open + 1) {
      std::string mangled = line.substr(open + 1, plus - open - 1);
      int status = 0;
      std::unique_ptr<char, decltype(&std::free)> demangled(
          abi::__cxa_demangle(mangled.c_str(), nullptr, nullptr, &status), &std::free);
      if (status == 0 && demangled) line = line.substr(0, open + 1) + demangled.get() + line.substr(plus);
    }
    text += line;
    text += '\n';
  }
  return UTF8ToString(text);
}

String SysErrorMessage(Integer ErrorCode) {
  char buffer[256];
  // GNU strerror_r returns the message, which may or may not live in buffer.
  const char* text = strerror_r(ErrorCode, buffer, sizeof buffer);
  return UTF8ToString(text ? text : "");
}

void RaiseLastOSError() { RaiseLastOSError(errno); }

void RaiseLastOSError(Integer ErrorCode) {
  if (ErrorCode != 0)
    throw EOSError(Format(u"System Error.  Code: %d.\n%s", {ErrorCode, SysErrorMessage(ErrorCode)}), ErrorCode);
  throw EOSError(u"A call to an OS function failed", 0);
}

void Abort() { throw EAbort(u"Operation aborted"); }
