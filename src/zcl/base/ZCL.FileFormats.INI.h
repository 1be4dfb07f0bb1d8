#pragma once
// Encodings.

#include "rtl/RTL.Delegates.h"
#include "rtl/RTL.Types.h"

class TStringList;

// Code pages

using TZCLEnumCodePagesProc = TProc<Integer /*CodePage*/, const String& /*Name*/>;

class TZCLEncodings {
 public:
  TZCLEncodings() = delete;

  // Reports "Default" (code page 0), then every installed code page by its name in logical order
  // of the names. The list is built on the first call.
  static void EnumCodePages(const TZCLEnumCodePagesProc& Proc);
  // Frees the code-page list; unit finalisation.
  static void FreeCodePages();

 private:
  static const TStringList& CodePages();
  static inline TStringList* FCodePages = nullptr;
};
