#pragma once
// The built-in types, constants and functions every script sees: the first RTTI module of the
// shared program.

#include "zse/script/ZSE.Script.Program.h"

class TzsBuiltInFunctions : public TzsRTTIModule {
  ZCL_CLASS(TzsBuiltInFunctions, TzsRTTIModule)
 public:
  explicit TzsBuiltInFunctions(TzsScript* AScript);
};

// Format's argument list from a variant array (elements 0 .. high bound).
String ZsFormatArray(StringView Fmt, const Variant& Args);
