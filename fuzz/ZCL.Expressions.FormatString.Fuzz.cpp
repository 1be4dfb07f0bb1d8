#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Units.h"
#include "zcl/base/ZCL.Expressions.FormatString.h"

namespace {
// A template dialect with one macro, the context's text.
class TFuzzFactory : public TZCLFormatStringFactory {
 public:
  void RegisterFunctions() override {
    TZCLFormatStringFactory::RegisterFunctions();
    RegisterMacro(u"T", {this, &TFuzzFactory::Title});
  }
  void Title(String& Value, TZCLExpressionContext Context) { Value = *static_cast<const String*>(Context); }
};
}  // namespace

// Any template compiles or raises EZCLExpressionCompiler (never with RaiseErrors clear); what
// compiles evaluates, compares two contexts and reverses its keys. The first byte picks the
// options and the reading of the rest (bytes as characters, or UTF-16 code units).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = (InitializeUnits(RtlUnits()), true);
  (void)initialized;
  static TFuzzFactory* factory = Create<TFuzzFactory>();
  if (Size == 0) return 0;
  const uint8_t mode = Data[0];
  String text;
  if (mode & 1) {
    for (size_t i = 1; i + 1 < Size; i += 2) text += static_cast<Char>(Data[i] | (Data[i + 1] << 8));
  } else {
    for (size_t i = 1; i < Size; ++i) text += static_cast<Char>(Data[i]);
  }
  factory->SetRaiseErrors((mode & 4) == 0);
  factory->SetMacroClosingTag((mode & 8) != 0);
  TZCLFormatString* format = nullptr;
  try {
    format = factory->CompileTemplate(text, (mode & 2) != 0);
  } catch (const EZCLExpressionCompiler&) {
    if (!factory->GetRaiseErrors()) std::abort();
    return 0;
  }
  const String first = u"Abba 2", second = u"abba 10";
  try {
    (void)format->Evaluate(const_cast<String*>(&first));
    (void)format->Compare(const_cast<String*>(&first), const_cast<String*>(&second));
  } catch (const Exception&) {
  }
  format->InvertSortOrder();
  (void)format->ToString();
  Free(format);
  return 0;
}
