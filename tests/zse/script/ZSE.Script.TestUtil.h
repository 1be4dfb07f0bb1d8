#pragma once
// Compiles and runs script source for the tests.

#include <memory>
#include <string>

#include "zse/script/ZSE.Script.Errors.h"
#include "zse/script/ZSE.Script.Program.h"
#include "zse/script/ZSE.Script.Statements.h"

inline std::string Utf8(const String& S) { return StringToUTF8(S); }

class TScriptRun {
 public:
  explicit TScriptRun(const String& Source, bool Run = true) : FProg(new TzsScript(nullptr)) {
    FProg->SetParent(GlobalScriptProgram());
    FProg->SetSourceCode(Source);
    FProg->Compile();
    if (Run) Execute();
  }
  void Execute() { FProg->GetStatement()->Execute(); }
  Variant Var(StringView Name) const {
    TzsCustomVariable* v = FProg->FindLocal(Name);
    if (!v) throw Exception(u"no variable " + String(Name));
    return v->GetValue();
  }
  std::string Str(StringView Name) const { return Utf8(VarToStr(Var(Name))); }
  TzsScript* Prog() const { return FProg.get(); }

 private:
  std::unique_ptr<TzsScript> FProg;
};

// The message of the error that compiling (and running) Source raises; "" when none does.
inline std::string ScriptError(const String& Source) {
  try {
    TScriptRun run(Source);
  } catch (const EZScriptError& e) {
    return Utf8(e.GetMessage());
  }
  return "";
}
