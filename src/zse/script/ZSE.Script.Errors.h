#pragma once
// The errors that compiling and running a script raise: each carries the message and the source
// position ("line:column") separately, and reads "Error at <position> - <message>" as a whole.

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Geometry.h"

class EZScriptError : public Exception {
 public:
  EZScriptError(const String& APosition, const String& AMessage);
  String ClassName() const override { return u"EZScriptError"; }
  // The message without the position.
  const String& GetScriptMessage() const { return FMessage; }
  // X = column, Y = line; (0, 0) when the position was empty.
  TPoint GetPosition() const { return FPosition; }

 private:
  String FMessage;
  TPoint FPosition;
};

class EZScriptCompileError : public EZScriptError {
 public:
  using EZScriptError::EZScriptError;
  String ClassName() const override { return u"EZScriptCompileError"; }
};

class EZScriptRunTimeError : public EZScriptError {
 public:
  using EZScriptError::EZScriptError;
  String ClassName() const override { return u"EZScriptRunTimeError"; }
};

// A run stopped by the engine's limits (call depth, time budget). Scripts cannot catch it.
class EZScriptLimitError : public EZScriptRunTimeError {
 public:
  using EZScriptRunTimeError::EZScriptRunTimeError;
  String ClassName() const override { return u"EZScriptLimitError"; }
};
