#pragma once
// The expression engine shared by the expression dialects. A factory holds the registered
// functions and operators of its dialect; its compiler turns a line of text into a tree of
// elements once (shunting-yard), constant parts are folded, and the tree is evaluated many
// times. Every function and operator is a procedure that receives its argument elements and
// evaluates the ones it needs, so conditions evaluate only the branch they take.
//
// Ownership: the factory owns its infos and its cache; an expression owns its tree; a function
// element owns its arguments; elements point at the factory's infos, so an expression must not
// outlive the factory that compiled it.

#include <atomic>
#include <vector>

#include "rtl/RTL.Delegates.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Format.h"
#include "rtl/RTL.Variant.h"
#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.Classes.h"
#include "zcl/base/ZCL.Parsers.h"

// Registration and evaluation of compiled expressions.
RTL_EXCEPTION(EZCLExpression, Exception);
// Compilation: every error a text can cause.
RTL_EXCEPTION(EZCLExpressionCompiler, Exception);

class TZCLCustomExpressionFactory;
class TZCLExpressionCompiler;
class TZCLExpressionElements;
class TZCLStringBuilder;

// Whatever the caller hands to Evaluate; the engine passes it unchanged to every procedure.
using TZCLExpressionContext = void*;

using TZCLExpressionFunctionProc =
    TDelegate<void(Variant& Result, TZCLExpressionContext Context, TZCLExpressionElements* Arguments)>;
// The same function on its arguments' values, already evaluated left to right into
// Values[0 .. ArgumentCount - 1]; the result goes to Values[0].
using TZCLExpressionValueProc = void (*)(Variant* Values);
// Called with the first argument's value before the others are evaluated. True when that
// value decides the result: Value then holds the result and the other arguments are skipped.
using TZCLExpressionFirstValueProc = bool (*)(Variant& Value);

// An Integer or Double held without a variant: the typed fast path of the flat form.
struct TZCLExpressionScalar {
  TVarType Type;  // varInteger or varDouble
  union {
    Double D;
    Int64 I;
  };
};
// The value procedure on scalars. False when it does not handle these kinds (or this case):
// the values are then boxed and the value procedure decides, errors included.
using TZCLExpressionScalarProc = bool (*)(TZCLExpressionScalar* Values);
// The first-value procedure on a scalar: -1 not handled, 0 go on, 1 decided.
using TZCLExpressionFirstScalarProc = int (*)(TZCLExpressionScalar& Value);
// A function without arguments read as a scalar (a variable of a binding): False when its value
// is not an Integer or Double this time, and the function's procedure gives it instead.
using TZCLExpressionScalarReadProc = bool (*)(TZCLExpressionScalar& Value, TZCLExpressionContext Context);

// Operations on scalars the flat form performs in line instead of calling a scalar procedure.
// Each handles exactly the cases below and leaves every other one to the value procedure:
// - soAdd, soSubtract, soMultiply: either operand a Double; the finite real result.
// - soDivide: any two numbers; the finite real quotient.
// - soNegate: a finite Double, or an Integer other than the smallest.
// - soGreater .. soNotEqual: two Integers compare as integers, other numbers as reals (a NaN is
//   "not equal"); the result is the Integer 1 or 0.
// - soAnd, soOr, soXor: bitwise on 32-bit integers; a Double becomes the nearest Integer (halves
//   to even) when that fits in 32 bits. Before its right operand, "and" decides on a left 0.
// - soNot: an Integer; 1 for 0, else 0.
enum TZCLExpressionScalarOp : Byte {
  soNone,
  soAdd,
  soSubtract,
  soMultiply,
  soDivide,
  soNegate,
  soGreater,
  soGreaterOrEqual,
  soLess,
  soLessOrEqual,
  soEqual,
  soNotEqual,
  soAnd,
  soOr,
  soXor,
  soNot
};

// Token types the dialects' token readers add to the tokenizer's own.
enum : Integer {
  ttFunction = 6,  // Tag: the TZCLExpressionFunctionInfo
  ttOperator = 7,  // Tag: the TZCLExpressionOperatorInfo
  ttRealNumber = 8,
  ttIntegerNumber = 9,
  ttReverseMarker = -1  // "%!" of the format-string dialect
};

// The category of aliases, which pickers leave out.
constexpr Byte ExpressionCategoryAlias = 255;
// The deepest tree (and argument nesting) a compiler builds; evaluation and destruction recurse
// through the tree, so a deeper one from outside would exhaust the stack.
constexpr Integer ExpressionMaxDepth = 256;

// One registered function.
class TZCLExpressionFunctionInfo : public TObject {
  ZCL_CLASS(TZCLExpressionFunctionInfo, TObject)
 public:
  TZCLExpressionFunctionInfo(StringView AName, const TZCLExpressionFunctionProc& AProc, Integer AArgumentCount,
                             bool AFoldable, Byte ACategory);

  // "Name" without arguments, "Max(A,B)" for two, "Case(..)" for any number.
  String ToString() const override;

  Byte Category = 0;
  // The result depends on the arguments only: a call on constants may be computed at compile time.
  bool Foldable = true;
  String Name;
  // The exact number of arguments, or -1 for any number.
  Integer ArgumentCount = 0;
  TZCLExpressionFunctionProc Proc;
  // Optional, and only with a fixed argument count: Proc on values, which lets a compiled
  // expression run as a flat list of steps instead of walking its tree. Both must give the same
  // results and errors as Proc, evaluating the arguments in the same order.
  TZCLExpressionValueProc ValueProc = nullptr;
  TZCLExpressionFirstValueProc FirstValueProc = nullptr;
  // Optional shortcuts of the value procedures for Integer and Double arguments.
  TZCLExpressionScalarProc ScalarProc = nullptr;
  TZCLExpressionFirstScalarProc FirstScalarProc = nullptr;
  // Set with the value procedures: the scalar case the flat form computes in line.
  TZCLExpressionScalarOp ScalarOp = soNone;
  // Optional, functions without arguments only: the value as a scalar, read without a variant.
  TZCLExpressionScalarReadProc ScalarReadProc = nullptr;
};

// A function of one (prefix) or two (infix) arguments.
class TZCLExpressionOperatorInfo : public TZCLExpressionFunctionInfo {
  ZCL_CLASS(TZCLExpressionOperatorInfo, TZCLExpressionFunctionInfo)
 public:
  TZCLExpressionOperatorInfo(StringView AName, const TZCLExpressionFunctionProc& AProc, Integer AArgumentCount,
                             Integer APriority);

  // "-A" for a prefix operator, "A + B" for an infix one.
  String ToString() const override;

  // Set for prefix operators.
  bool RightAssociative = false;
  // A larger number binds tighter.
  Integer Priority = 0;
};

// Owning, in registration order. Names match with "a".."z" ignoring case (SameTokenText).
class TZCLExpressionFunctionInfoList : public TZCLObjectListOf<TZCLExpressionFunctionInfo> {
  ZCL_CLASS(TZCLExpressionFunctionInfoList, TZCLObjectListOf<TZCLExpressionFunctionInfo>)
 public:
  TZCLExpressionFunctionInfoList() : TZCLObjectListOf<TZCLExpressionFunctionInfo>(true) {}

  // The first item of that name with exactly ArgumentCount arguments (-1 matches only -1).
  virtual bool Find(const Char* Name, Integer NameLength, Integer ArgumentCount, TZCLExpressionFunctionInfo*& Info);
  // The first item of that name, whatever its argument count.
  virtual bool FindByName(const Char* Name, Integer NameLength, TZCLExpressionFunctionInfo*& Info);

  TZCLExpressionFunctionInfo* Find(StringView Name, Integer ArgumentCount);
  TZCLExpressionFunctionInfo* FindByName(StringView Name);
};

// An abstract node of a compiled tree.
class TZCLExpressionElement : public TObject {
  ZCL_CLASS(TZCLExpressionElement, TObject)
 public:
  // Folds constant parts below this node.
  virtual void Optimize() {}
  virtual void Evaluate(Variant& Result, TZCLExpressionContext Context) = 0;
  virtual bool IsConstant() const { return false; }
  // Appends the node's text form.
  virtual void WriteText(TZCLStringBuilder& Builder, TZCLCustomExpressionFactory* Factory) = 0;
  // The levels of the tree from this node down (1 for a leaf).
  virtual Integer GetDepth() const { return 1; }
};

class TZCLExpressionElementConstant : public TZCLExpressionElement {
  ZCL_CLASS(TZCLExpressionElementConstant, TZCLExpressionElement)
 public:
  using TCreateSignature = void(const Variant& AValue);
  explicit TZCLExpressionElementConstant(const Variant& AValue) : FValue(AValue) {}

  void Evaluate(Variant& Result, TZCLExpressionContext Context) override;
  bool IsConstant() const override { return true; }
  // The value as text; strings without quotes.
  void WriteText(TZCLStringBuilder& Builder, TZCLCustomExpressionFactory* Factory) override;
  const Variant& GetValue() const { return FValue; }

 private:
  Variant FValue;
};

// The ordered, owned arguments of a function.
class TZCLExpressionElements : public TObject {
  ZCL_CLASS(TZCLExpressionElements, TObject)
 public:
  TZCLExpressionElements() = default;
  ~TZCLExpressionElements() override;

  void Add(TZCLExpressionElement* Element);
  // Takes ownership; Index 0 .. Count.
  void Insert(Integer Index, TZCLExpressionElement* Element);
  // Removes and destroys.
  void Delete(Integer Index);
  // Puts Element in place of the item at Index, destroying the item.
  void Replace(Integer Index, TZCLExpressionElement* Element);
  Integer GetCount() const { return static_cast<Integer>(FList.size()); }
  TZCLExpressionElement* GetItems(Integer Index) const {
    if (static_cast<size_t>(Index) >= FList.size()) RaiseIndexError(Index);
    return FList[static_cast<size_t>(Index)];
  }
  // Evaluates the argument at Index into Result.
  void EvaluateItem(Integer Index, Variant& Result, TZCLExpressionContext Context) const {
    GetItems(Index)->Evaluate(Result, Context);
  }
  Variant EvaluateItem(Integer Index, TZCLExpressionContext Context) const {
    Variant result;
    EvaluateItem(Index, result, Context);
    return result;
  }
  // Moves the top N elements of Stack to the end of the list, the one pushed first first.
  // False (nothing taken) when the stack holds fewer than N.
  template <class TStack>
  bool PopFrom(TStack& Stack, Integer N);
  // All constant; True when empty.
  bool IsConstant() const;
  // Folds each element in place.
  void Optimize();
  void WriteText(TZCLStringBuilder& Builder, TZCLCustomExpressionFactory* Factory, StringView Separator);
  // The deepest element's depth; 0 when empty.
  Integer GetDepth() const;

 private:
  [[noreturn]] static void RaiseIndexError(Integer Index);
  std::vector<TZCLExpressionElement*> FList;
};

// A call of a registered function (or operator) on its argument list.
class TZCLExpressionElementFunction : public TZCLExpressionElement {
  ZCL_CLASS(TZCLExpressionElementFunction, TZCLExpressionElement)
 public:
  using TCreateSignature = void(TZCLExpressionFunctionInfo* AInfo);
  // A null info raises EZCLExpressionCompiler "Info cannot be nil".
  explicit TZCLExpressionElementFunction(TZCLExpressionFunctionInfo* AInfo);
  ~TZCLExpressionElementFunction() override;

  void Optimize() override;
  void Evaluate(Variant& Result, TZCLExpressionContext Context) override { FInfo->Proc(Result, Context, FArguments); }
  bool IsConstant() const override;
  // "Name" or "Name(A,B)".
  void WriteText(TZCLStringBuilder& Builder, TZCLCustomExpressionFactory* Factory) override;
  Integer GetDepth() const override;

  // Not owned: it belongs to the factory.
  TZCLExpressionFunctionInfo* GetInfo() const { return FInfo; }
  void SetInfo(TZCLExpressionFunctionInfo* Value) { FInfo = Value; }
  TZCLExpressionElements* GetArguments() const { return FArguments; }

 protected:
  TZCLExpressionFunctionInfo* FInfo;
  TZCLExpressionElements* FArguments;
};

// An operator: written "A op B" or "op A", with brackets around operands that are operators.
class TZCLExpressionElementOperator : public TZCLExpressionElementFunction {
  ZCL_CLASS(TZCLExpressionElementOperator, TZCLExpressionElementFunction)
 public:
  using TZCLExpressionElementFunction::TZCLExpressionElementFunction;
  void WriteText(TZCLStringBuilder& Builder, TZCLCustomExpressionFactory* Factory) override;
};

// Replaces Element by a constant when it is constant and evaluates (with an empty context); an
// evaluation that raises leaves the sub-tree for evaluation time to report. Bottom-up.
void FoldConstant(TZCLExpressionElement*& Element);

// How two values relate: when either is a string, both compare as texts (case-sensitive, digit
// runs by value); otherwise the variant comparison decides, and values it cannot compare are
// "not equal".
TVariantRelationship CompareValues(const Variant& A, const Variant& B);

// A minimal stack of object references; a null entry is allowed (the open-bracket marker).
template <class T>
class TZCLExpressionFastStack : public TObject {
  ZCL_CLASS(TZCLExpressionFastStack, TObject)
 public:
  explicit TZCLExpressionFastStack(bool AOwnObjects) : FOwnObjects(AOwnObjects) { FItems.resize(FCapacity); }
  ~TZCLExpressionFastStack() override {
    if (FOwnObjects) Clear();
  }
  // Returns the count before the push.
  Integer Push(T* Item) {
    if (FCount + 1 > FCapacity) SetCapacity(FCapacity * 2);
    FItems[static_cast<size_t>(FCount)] = Item;
    return FCount++;
  }
  // An empty stack raises "Stack is empty".
  T* Pop() {
    if (FCount == 0) RaiseEmpty();
    return FItems[static_cast<size_t>(--FCount)];
  }
  T* Peek() const {
    if (FCount == 0) RaiseEmpty();
    return FItems[static_cast<size_t>(FCount - 1)];
  }
  // Pops every item and destroys it.
  void Clear() {
    while (FCount > 0) Free(Pop());
  }
  // The capacity becomes the larger of N and the count.
  void SetCapacity(Integer N) {
    FCapacity = N > FCount ? N : FCount;
    FItems.resize(static_cast<size_t>(FCapacity));
  }
  Integer GetCount() const { return FCount; }

 private:
  [[noreturn]] static void RaiseEmpty() { throw Exception(u"Stack is empty"); }
  std::vector<T*> FItems;
  Integer FCapacity = 16;
  Integer FCount = 0;
  bool FOwnObjects;
};

template <class TStack>
bool TZCLExpressionElements::PopFrom(TStack& Stack, Integer N) {
  if (N < 0 || Stack.GetCount() < N) return false;
  const size_t base = FList.size();
  FList.resize(base + static_cast<size_t>(N));
  for (Integer i = N - 1; i >= 0; --i) FList[base + static_cast<size_t>(i)] = Stack.Pop();
  return true;
}

// A compiled expression. A tree of plain function elements whose functions all have value
// procedures (and constants and calls of others) also gets a flat form of steps over a small
// stack of values, which Evaluate runs instead of walking the tree.
class TZCLExpression : public TObject {
  ZCL_CLASS(TZCLExpression, TObject)
 public:
  // Takes ownership of ARoot (may be null).
  TZCLExpression(TZCLCustomExpressionFactory* AFactory, TZCLExpressionElement* ARoot);
  ~TZCLExpression() override;

  // Without a tree raises EZCLExpression "Expression was not compiled".
  virtual void Evaluate(Variant& Result, TZCLExpressionContext Context);
  Variant Evaluate(TZCLExpressionContext Context = nullptr);
  // The text form; empty without a tree.
  String ToString() const override;

  TZCLCustomExpressionFactory* GetFactory() const { return FFactory; }
  TZCLExpressionElement* GetRoot() const { return FRoot; }

 protected:
  TZCLCustomExpressionFactory* FFactory;  // not owned
  TZCLExpressionElement* FRoot;

 private:
  struct TStep {
    Byte Kind;
    // The kind of the number the step pushes.
    TVarType ConstantType;
    // A value step's argument count; a first-value step's target when it decides.
    Integer Count;
    // A number pushed by the step.
    union {
      Double D;
      Int64 I;
    };
    TZCLExpressionElement* Element;
    TZCLExpressionFunctionInfo* Info;
  };
  // The flat form of FRoot; empty when the tree is walked.
  std::vector<TStep> FSteps;
  Integer FStackSize = 0;
  // False when Element cannot be flattened within the stack.
  bool AddSteps(TZCLExpressionElement* Element, Integer Depth);
  void RunSteps(Variant& Result, TZCLExpressionContext Context) const;
};

// Compiled expressions by their text (case-sensitive), the oldest evicted first. The cache owns
// them: one that leaves it is destroyed.
using TZCLExpressionCacheBase = TZCLValueCacheManager<String, TZCLExpression*>;
class TZCLExpressionCache : public TZCLExpressionCacheBase {
  ZCL_CLASS(TZCLExpressionCache, TZCLExpressionCacheBase)
 public:
  TZCLExpressionCache(TZCLCustomExpressionFactory* AFactory, Integer ACapacity)
      : TZCLExpressionCacheBase(ACapacity, nullptr, true), FFactory(AFactory) {}
  TZCLCustomExpressionFactory* GetFactory() const { return FFactory; }

 private:
  TZCLCustomExpressionFactory* FFactory;
};

// The registered functions and operators of a dialect, and the compiler that reads it.
class TZCLCustomExpressionFactory : public TZCLUnknownObject {
  ZCL_CLASS(TZCLCustomExpressionFactory, TZCLUnknownObject)
 public:
  // The character sets of the base compiler: 39 delimiters (ending in "_"), the quotes and the
  // white space.
  static const String& DefaultDelimiters();
  static const String& DefaultQuotes();
  static const String& DefaultSpaces();

  TZCLCustomExpressionFactory() = default;
  ~TZCLCustomExpressionFactory() override;
  // Creates the function and operator lists; dialects register after calling it.
  void AfterConstruction() override;

  virtual TZCLExpressionCompiler* CreateCompiler();
  // Wraps a compiled tree (owned by the result).
  virtual TZCLExpression* CreateExpression(const String& Text, TZCLExpressionElement* Root);
  virtual TZCLExpressionFunctionInfoList* CreateFunctionList();

  // The same name with the same argument count raises EZCLExpression; another count is an
  // overload.
  void RegisterFunction(StringView Name, const TZCLExpressionFunctionProc& Proc, Integer ArgumentCount,
                        bool Foldable = true, Byte Category = 0);
  // No arguments and never folded: evaluated every time.
  void RegisterFunctionWithoutArgs(StringView Name, const TZCLExpressionFunctionProc& Proc, Byte Category = 0);
  // The same with a typed read, which compiled expressions call instead of Proc while it gives
  // an Integer or Double: a variable of a binding. Both must give the same value.
  void RegisterFunctionWithoutArgs(StringView Name, const TZCLExpressionFunctionProc& Proc,
                                   TZCLExpressionScalarReadProc ScalarReadProc, Byte Category = 0);
  // AliasName with the procedure, count and foldability of the first function named
  // FunctionName, in the alias category.
  void RegisterAlias(StringView AliasName, StringView FunctionName);
  // Removes the first function of that name, if any, and empties the cache. Expressions held
  // elsewhere that call it must be freed before.
  void Unregister(StringView Name);
  // ArgumentCount 1 (prefix) or 2 (infix); operators are always foldable.
  void RegisterOperator(StringView Name, const TZCLExpressionFunctionProc& Proc, Integer ArgumentCount,
                        Integer Priority);
  // Gives the function or operator of that name and argument count its value procedures
  // (see TZCLExpressionFunctionInfo::ValueProc). Raises EZCLExpression when there is none.
  void SetValueProcs(StringView Name, Integer ArgumentCount, TZCLExpressionValueProc ValueProc,
                     TZCLExpressionFirstValueProc FirstValueProc = nullptr,
                     TZCLExpressionScalarProc ScalarProc = nullptr,
                     TZCLExpressionFirstScalarProc FirstScalarProc = nullptr);
  // The same for an operation the flat form knows (see TZCLExpressionScalarOp): its scalar
  // procedures are the engine's own.
  void SetValueProcs(StringView Name, Integer ArgumentCount, TZCLExpressionValueProc ValueProc,
                     TZCLExpressionFirstValueProc FirstValueProc, TZCLExpressionScalarOp ScalarOp);

  // The caller owns the result. Raises EZCLExpressionCompiler for a text that does not compile.
  TZCLExpression* Compile(const String& Text, bool Optimize = true);
  // Through the cache when there is one (the compiled text stays cached), else compiled,
  // evaluated and freed.
  void Evaluate(const String& Text, TZCLExpressionContext Context, Variant& Result);
  Variant Evaluate(const String& Text, TZCLExpressionContext Context = nullptr);

  // The cache's capacity, 0 without a cache. Setting another value drops the cache (and its
  // expressions) and, above 0, makes a new one.
  Integer GetCacheSize() const;
  void SetCacheSize(Integer Value);

  TZCLExpressionFunctionInfoList* GetFunctions() const { return FFunctions; }
  TZCLExpressionFunctionInfoList* GetOperators() const { return FOperators; }

  // A factory has no text form: raises "Unsupported!".
  String ToString() const override;

  // Publishes a new T in Variable unless another thread stored one first (then the new one is
  // destroyed). Read Variable afterwards.
  template <class T>
  static void CreateSingleton(std::atomic<T*>& Variable) {
    T* instance = Create<T>();
    T* expected = nullptr;
    if (!Variable.compare_exchange_strong(expected, instance)) Free(instance);
  }

 private:
  TZCLExpressionCache* FCache = nullptr;
  TZCLExpressionFunctionInfoList* FFunctions = nullptr;
  TZCLExpressionFunctionInfoList* FOperators = nullptr;
};

// Reads one line of a dialect: created by the factory, given its text with Initialize, then
// Compile once.
class TZCLExpressionCompiler : public TZCLParser {
  ZCL_CLASS(TZCLExpressionCompiler, TZCLParser)
 public:
  TZCLExpressionCompiler(TZCLCustomExpressionFactory* AFactory, StringView ADelimiters, StringView AQuotes,
                         StringView ASpaces);
  ~TZCLExpressionCompiler() override;

  // The root element (owned by the caller; null when a dialect yields none). Raises
  // EZCLExpressionCompiler; nothing stays allocated after an error.
  virtual TZCLExpressionElement* Compile();

  // What the last token produced: 0 nothing yet, 1 an operand, 2 an operator.
  Byte GetState() const { return FState; }
  TZCLCustomExpressionFactory* GetFactory() const { return FFactory; }

 protected:
  virtual TZCLExpressionElement* DoCompile();
  // False: the token is not allowed here.
  virtual bool ProcessToken();

  bool ProcessBracket();
  bool ProcessFunction();
  bool ProcessOperator();
  void ApplyOperator(TZCLExpressionOperatorInfo* Q);
  void ApplyPendingOperators();
  void PushElement(TZCLExpressionElement* Element);
  void ParseArguments(TZCLExpressionElementFunction* Element);
  TZCLExpressionElement* CompileArgument(const Char* Data, Integer Count);
  // The root from the element stack: the one element, else "expression is invalid".
  TZCLExpressionElement* PopRoot();

  // Raise EZCLExpressionCompiler; with characters left, the token and up to 16 characters from
  // the scan position follow the message.
  [[noreturn]] void Error(const String& Message) const;
  [[noreturn]] void ErrorFmt(StringView Message, TVarRecList Args) const;

  TZCLCustomExpressionFactory* FFactory;
  TZCLExpressionFastStack<TZCLExpressionOperatorInfo>* FOperatorStack = nullptr;  // null entry: "("
  TZCLExpressionFastStack<TZCLExpressionElement>* FElementStack = nullptr;        // owning
  TZCLExpressionFunctionInfoList* FFunctions;
  TZCLExpressionFunctionInfoList* FOperators;
  TClass FFunctionElementClass;  // a TZCLExpressionElementFunction class
  TClass FOperatorElementClass;
  Byte FState = 0;
  TZCLParserToken FToken;
  // How many argument lists enclose the text this compiler reads.
  Integer FNestingLevel = 0;
};
