#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Units.h"
#include "zcl/base/ZCL.Expressions.Math.h"

// Any text compiles or raises EZCLExpressionCompiler, nothing else; what compiles evaluates to a
// value or raises an ordinary exception. The first byte picks the reading of the rest (bytes as
// characters, or UTF-16 code units) and whether constants are folded.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = (InitializeUnits(RtlUnits()), true);
  (void)initialized;
  static TZCLMathExpressionFactory* factory = Create<TZCLMathExpressionFactory>();
  if (Size == 0) return 0;
  const uint8_t mode = Data[0];
  String text;
  if (mode & 1) {
    for (size_t i = 1; i + 1 < Size; i += 2) text += static_cast<Char>(Data[i] | (Data[i + 1] << 8));
  } else {
    for (size_t i = 1; i < Size; ++i) text += static_cast<Char>(Data[i]);
  }
  TZCLExpression* expression = nullptr;
  try {
    expression = factory->Compile(text, (mode & 2) != 0);
  } catch (const EZCLExpressionCompiler&) {
    return 0;
  }
  if (!expression->GetRoot()) std::abort();
  (void)expression->ToString();
  try {
    (void)expression->Evaluate();
  } catch (const Exception&) {
  }
  Free(expression);
  return 0;
}
