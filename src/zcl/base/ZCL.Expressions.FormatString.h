#pragma once
// The template dialect of the expression engine. Everything is literal text except what the
// macro delimiter ("%" by default) introduces:
//   %Name            a macro, or a function without arguments
//   %Name(A1,A2,..)  a call; "(" follows the name directly; every argument is a template itself
//   %!               reverses the sort key after it
//   %Name%           with MacroClosingTag, a macro closed by the delimiter
//   % at the very end of the text is literal.
// Literal text is always a string: %IF(0,yes,no) is "yes", because the text "0" is set. A
// compiled template also serves as a multi-key comparison of two contexts, each macro or call
// being one key.

#include <functional>
#include <vector>

#include "zcl/base/ZCL.Expressions.h"

// Sets Value (handed in empty) for the context.
using TZCLFormatStringMacroProc = TDelegate<void(String& Value, TZCLExpressionContext Context)>;
// DisplayText is the delimiter with the name and its argument letters ("%Format(A,B)").
using TZCLFormatStringEnumMacrosProc = std::function<void(const String& DisplayText, TZCLExpressionFunctionInfo* Info)>;

class TZCLFormatString;

class TZCLFormatStringFactory : public TZCLCustomExpressionFactory {
  ZCL_CLASS(TZCLFormatStringFactory, TZCLCustomExpressionFactory)
 public:
  TZCLFormatStringFactory() = default;
  // Registers the functions (RegisterFunctions).
  void AfterConstruction() override;

  TZCLExpressionCompiler* CreateCompiler() override;
  // A TZCLFormatString keeping Text as its source.
  TZCLExpression* CreateExpression(const String& Text, TZCLExpressionElement* Root) override;
  virtual TZCLExpressionFunctionInfo* CreateMacroInfo(StringView Name, const TZCLFormatStringMacroProc& MacroProc,
                                                      Byte Category);
  // Descendants call the inherited one, then add their macros.
  virtual void RegisterFunctions();

  // No duplicate test: macros share the functions' names, the first registered wins.
  void RegisterMacro(StringView Name, const TZCLFormatStringMacroProc& MacroProc, Byte Category = 0);
  // Functions and macros for a picker, aliases left out, by category, then by name.
  void EnumMacros(const TZCLFormatStringEnumMacrosProc& Proc);
  // Compile with the result typed.
  TZCLFormatString* CompileTemplate(const String& Text, bool Optimize = true);

  Char GetMacroDelimiter() const { return FMacroDelimiter; }
  void SetMacroDelimiter(Char Value) { FMacroDelimiter = Value; }
  // Set: a macro without arguments must be closed by the delimiter ("%Name%").
  bool GetMacroClosingTag() const { return FMacroClosingTag; }
  void SetMacroClosingTag(bool Value) { FMacroClosingTag = Value; }
  // Clear: a compilation error ends the compilation quietly, keeping the parts before it.
  bool GetRaiseErrors() const { return FRaiseErrors; }
  void SetRaiseErrors(bool Value) { FRaiseErrors = Value; }

 private:
  Char FMacroDelimiter = u'%';
  bool FMacroClosingTag = false;
  bool FRaiseErrors = true;
};

// The info of a macro: no arguments, never folded; its procedure is EvaluateMacro.
class TZCLFormatStringMacroEvalFunction : public TZCLExpressionFunctionInfo {
  ZCL_CLASS(TZCLFormatStringMacroEvalFunction, TZCLExpressionFunctionInfo)
 public:
  TZCLFormatStringMacroEvalFunction(StringView AName, const TZCLFormatStringMacroProc& AMacroProc, Byte ACategory);
  // The string the macro procedure sets.
  virtual void EvaluateMacro(Variant& Result, TZCLExpressionContext Context, TZCLExpressionElements* Arguments);

  TZCLFormatStringMacroProc MacroProc;
};

class TZCLFormatStringCompiler : public TZCLExpressionCompiler {
  ZCL_CLASS(TZCLFormatStringCompiler, TZCLExpressionCompiler)
 public:
  TZCLFormatStringCompiler(TZCLCustomExpressionFactory* AFactory, StringView ADelimiters, StringView AQuotes,
                           StringView ASpaces);
  bool ReadToken(const Char*& Scan, Integer& Count, TZCLParserToken& Token) override;

 protected:
  // Null when the template has no parts.
  TZCLExpressionElement* DoCompile() override;
  bool ProcessToken() override;

 private:
  TZCLFormatStringFactory* FFormatFactory;
};

// A compiled template; without a tree it evaluates to its source.
class TZCLFormatString : public TZCLExpression {
  ZCL_CLASS(TZCLFormatString, TZCLExpression)
 public:
  TZCLFormatString(TZCLCustomExpressionFactory* AFactory, TZCLExpressionElement* ARoot, const String& ASource);

  void Evaluate(Variant& Result, TZCLExpressionContext Context) override;
  using TZCLExpression::Evaluate;
  String ToString() const override;

  // The template as a comparison of two contexts: -1, 0 or 1. Each macro or call is a key
  // (texts compared ignoring case, digit runs by value); "%!" reverses the key after it.
  Integer Compare(TZCLExpressionContext Context1, TZCLExpressionContext Context2);
  // The keys Compare looks at, evaluated once for a context, and whether each sorts in reverse.
  // Sorting many contexts compares these instead: the same order, each key formatted once.
  std::vector<String> SortKeys(TZCLExpressionContext Context);
  std::vector<bool> SortKeysReversed() const;
  static Integer CompareSortKeys(const std::vector<String>& A, const std::vector<String>& B,
                                 const std::vector<bool>& Reversed);
  // Reverses every key; True when it found a key or wrapped the root.
  bool InvertSortOrder();

  const String& GetSource() const { return FSource; }

 private:
  String FSource;
};

// The parts of a template in text order, joined as texts.
class TZCLFormatStringConcatenateFunction : public TZCLExpressionElement {
  ZCL_CLASS(TZCLFormatStringConcatenateFunction, TZCLExpressionElement)
 public:
  TZCLFormatStringConcatenateFunction();
  ~TZCLFormatStringConcatenateFunction() override;

  // Folds the parts and joins each run of constant parts into one.
  void Optimize() override;
  // One part keeps its value (a number stays a number); more are joined as texts.
  void Evaluate(Variant& Result, TZCLExpressionContext Context) override;
  bool IsConstant() const override { return FElements->IsConstant(); }
  void WriteText(TZCLStringBuilder& Builder, TZCLCustomExpressionFactory* Factory) override;
  Integer GetDepth() const override { return 1 + FElements->GetDepth(); }

  TZCLExpressionElements* GetElements() const { return FElements; }

 private:
  TZCLExpressionElements* FElements;
};

// A macro or function call of a template, written back with its delimiter.
class TZCLFormatStringFunction : public TZCLExpressionElementFunction {
  ZCL_CLASS(TZCLFormatStringFunction, TZCLExpressionElementFunction)
 public:
  using TZCLExpressionElementFunction::TZCLExpressionElementFunction;
  void WriteText(TZCLStringBuilder& Builder, TZCLCustomExpressionFactory* Factory) override;
};

// "%!": empty text; marks the next key as reversed.
class TZCLFormatStringReverseMacro : public TZCLExpressionElement {
  ZCL_CLASS(TZCLFormatStringReverseMacro, TZCLExpressionElement)
 public:
  void Evaluate(Variant& Result, TZCLExpressionContext Context) override;
  void WriteText(TZCLStringBuilder& Builder, TZCLCustomExpressionFactory* Factory) override;
};
