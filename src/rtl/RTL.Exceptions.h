#pragma once
// The exception families of the run-time library. Every exception derives from Exception,
// which carries a message, a class name, and the stack trace captured where it was raised.
//
//   throw EConvertError(u"Invalid value");
//   throw EListError(u"List index out of bounds (%d)", {Index});
//
// A new family is declared with one line: RTL_EXCEPTION(EMyError, Exception).

#include <exception>
#include <string>

#include "rtl/RTL.Format.h"

class Exception : public std::exception {
 public:
  explicit Exception(const String& Msg);
  Exception(StringView Fmt, TVarRecList Args);
  Exception(const Exception&) = default;
  Exception& operator=(const Exception&) = default;
  ~Exception() override;

  const String& GetMessage() const { return FMessage; }
  void SetMessage(const String& Value);
  virtual String ClassName() const { return u"Exception"; }
  // The stack at the point of construction as text (one frame a line); empty when capture
  // is off or nothing could be captured.
  String GetStackTrace() const;
  const char* what() const noexcept override;

  // Stack capture costs a few microseconds per exception; the program turns it on at start.
  static void SetStackTraceCapture(bool Enabled);

 private:
  void CaptureStack();
  String FMessage;
  std::string FWhat;
  static constexpr int MaxFrames = 48;
  void* FFrames[MaxFrames];
  int FFrameCount = 0;
};

#define RTL_EXCEPTION(Name, Parent)                                \
  class Name : public Parent {                                     \
   public:                                                         \
    using Parent::Parent;                                          \
    String ClassName() const override { return u## #Name; }        \
  }

// Silent: the application's handler shows nothing for it.
RTL_EXCEPTION(EAbort, Exception);
RTL_EXCEPTION(EConvertError, Exception);
RTL_EXCEPTION(EArgumentException, Exception);
RTL_EXCEPTION(EArgumentOutOfRangeException, EArgumentException);
RTL_EXCEPTION(EArgumentNilException, EArgumentException);
RTL_EXCEPTION(EListError, Exception);
RTL_EXCEPTION(EInvalidCast, Exception);
RTL_EXCEPTION(EInvalidOperation, Exception);
RTL_EXCEPTION(EInvalidOpException, Exception);
RTL_EXCEPTION(EInvalidArgument, Exception);
RTL_EXCEPTION(EInvalidPointer, Exception);
RTL_EXCEPTION(EStreamError, Exception);
RTL_EXCEPTION(EReadError, EStreamError);
RTL_EXCEPTION(EWriteError, EStreamError);
RTL_EXCEPTION(EFilerError, EStreamError);
RTL_EXCEPTION(EFOpenError, EStreamError);
RTL_EXCEPTION(EFCreateError, EStreamError);
RTL_EXCEPTION(EOutOfMemory, Exception);
RTL_EXCEPTION(ENotImplemented, Exception);
RTL_EXCEPTION(ENotSupportedException, Exception);
RTL_EXCEPTION(EAssertionFailed, Exception);
RTL_EXCEPTION(EIntError, Exception);
RTL_EXCEPTION(EDivByZero, EIntError);
RTL_EXCEPTION(EIntOverflow, EIntError);
RTL_EXCEPTION(ERangeError, EIntError);
RTL_EXCEPTION(EMathError, Exception);
RTL_EXCEPTION(EZeroDivide, EMathError);
RTL_EXCEPTION(EInvalidOp, EMathError);
RTL_EXCEPTION(EOverflow, EMathError);
RTL_EXCEPTION(EUnderflow, EMathError);
RTL_EXCEPTION(EPropertyError, Exception);
RTL_EXCEPTION(EPropertyConvertError, Exception);
RTL_EXCEPTION(EPropReadOnly, EPropertyError);
RTL_EXCEPTION(EPropWriteOnly, EPropertyError);
RTL_EXCEPTION(EVariantError, Exception);
RTL_EXCEPTION(EEncodingError, Exception);
RTL_EXCEPTION(EThread, Exception);
RTL_EXCEPTION(EComponentError, Exception);
RTL_EXCEPTION(EResNotFound, Exception);

class EOSError : public Exception {
 public:
  using Exception::Exception;
  EOSError(const String& Msg, Integer ErrorCode) : Exception(Msg), ErrorCode(ErrorCode) {}
  String ClassName() const override { return u"EOSError"; }
  Integer ErrorCode = 0;
};

// The system's message for an errno value.
String SysErrorMessage(Integer ErrorCode);
// Raises EOSError "System Error.  Code: %d.\n%s" for errno (or the given code).
[[noreturn]] void RaiseLastOSError();
[[noreturn]] void RaiseLastOSError(Integer ErrorCode);
// Raises the silent EAbort.
[[noreturn]] void Abort();
