#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Strings.h"
#include "rtl/RTL.Units.h"
#include "rtl/RTL.Variant.h"
#include "zcl/base/ZCL.Expressions.Math.h"

// Any text compiles or raises EZCLExpressionCompiler, nothing else; what compiles evaluates to a
// value or raises an ordinary exception, the same whether its flat form runs or its tree is
// walked. The first byte picks the reading of the rest (bytes as characters, or UTF-16 code
// units) and whether constants are folded.
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
  // The value's kind and text, or the error's class and message.
  auto outcome = [](auto Evaluate) {
    try {
      const Variant value = Evaluate();
      return VarTypeAsText(value.VarType()) + u" " + VarToStr(value);
    } catch (const Exception& e) {
      return e.ClassName() + u": " + e.GetMessage();
    }
  };
  const String flat = outcome([&] { return expression->Evaluate(); });
  const String tree = outcome([&] {
    Variant value;
    expression->GetRoot()->Evaluate(value, nullptr);
    return value;
  });
  // Random gives another value each time.
  if (flat != tree && !ContainsText(text, u"random")) std::abort();
  Free(expression);
  return 0;
}
