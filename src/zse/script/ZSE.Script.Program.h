#pragma once
// A compiled script: the program object with its named items (variables, constants, types,
// routines, registered classes, host helpers and RTTI modules), the type rules of the compiler,
// the parser of host method declarations, and the handle table through which scripts refer to
// objects.
//
// Programs nest: a routine owns a program for its parameters and locals whose parent is the
// enclosing program; skin scripts share one parent program (GlobalScriptProgram) that holds what
// the host registers once. Every item is a named value with a type code whose reading and writing
// depends on its kind (a variable stores, a routine runs, a property helper calls the host).
//
// The item classes are records of the compiled program: the builder fills their fields directly.

#include <functional>
#include <unordered_map>
#include <vector>

#include "rtl/RTL.Classes.h"
#include "rtl/RTL.Variant.h"

class TzsScript;
class TzsStatement;
class TzsParamItem;
class TzsCustomHelper;
class TzsMethodHelper;
class TzsClassVariable;
class TzsXMLDocument;
class TStream;

enum TzsVarType : Byte {
  zvtInt,
  zvtBool,
  zvtFloat,
  zvtChar,
  zvtString,
  zvtClass,
  zvtArray,
  zvtVariant,
  zvtEnum,
  zvtConstructor,
  zvtInt64
};

struct TzsTypeRec {
  TzsVarType Typ = zvtVariant;
  String TypeName;
};

// Host handlers. Instance is the object the helper works on (null for plain functions).
using TzsGetValueEvent = std::function<Variant(TObject* Instance, TzsCustomHelper* Caller)>;
using TzsSetValueEvent = std::function<void(TObject* Instance, const Variant& Value, TzsCustomHelper* Caller)>;
using TzsCallMethodEvent = std::function<Variant(TObject* Instance, TzsMethodHelper* Caller)>;

// An owning list of objects.
class TzsItemList : public TObject {
  ZCL_CLASS(TzsItemList, TObject)
 public:
  TzsItemList() = default;
  ~TzsItemList() override;
  TzsItemList(const TzsItemList&) = delete;
  TzsItemList& operator=(const TzsItemList&) = delete;
  // Frees and removes the items, first to last.
  virtual void Clear();
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  void Add(TObject* Item) { FItems.push_back(Item); }
  // Takes the item out without freeing it.
  void Remove(TObject* Item);
  TObject* GetItemObject(Integer Index) const { return FItems[static_cast<size_t>(Index)]; }

  std::vector<TObject*> FItems;
};

// Marks items registered by RTTI modules (kept by TzsScript::Clear).
TObject* const ZsAddedByRTTI = reinterpret_cast<TObject*>(1);

// The base of every item; its items are its parameters.
class TzsCustomVariable : public TzsItemList {
  ZCL_CLASS(TzsCustomVariable, TzsItemList)
 public:
  TzsCustomVariable(const String& AName, TzsVarType ATyp, const String& ATypeName);

  virtual Variant GetValue();
  virtual void SetValue(const Variant& Value);
  // The value GetValue would answer, read in place, when reading it is only that (no call, no
  // conversion, no side effect); else null and the caller uses GetValue. Valid until the next
  // evaluation that may write.
  virtual const Variant* ValueRef() { return nullptr; }

  TzsParamItem* GetParam(Integer Index) const;
  String GetFullTypeName() const;
  Integer GetNumberOfRequiredParams() const;
  TzsTypeRec GetTypeRec() const { return {FTyp, FTypeName}; }

  TObject* FAddedBy = nullptr;
  bool FIsMacro = false;
  bool FIsReadOnly = false;
  String FName;
  bool FNeedResult = true;
  TzsCustomVariable* FRefItem = nullptr;
  String FSourcePos;
  TzsVarType FTyp;
  String FTypeName;
  String FUppercaseName;
  Variant FValue = Null();
};

// A variable or constant: writes convert to the declared type.
class TzsVariable : public TzsCustomVariable {
  ZCL_CLASS(TzsVariable, TzsCustomVariable)
 public:
  using TzsCustomVariable::TzsCustomVariable;
  void SetValue(const Variant& Value) override;
  const Variant* ValueRef() override { return &FValue; }
};

class TzsTypeVariable : public TzsCustomVariable {
  ZCL_CLASS(TzsTypeVariable, TzsCustomVariable)
 public:
  using TzsCustomVariable::TzsCustomVariable;
};

class TzsStringVariable : public TzsVariable {
  ZCL_CLASS(TzsStringVariable, TzsVariable)
 public:
  using TzsVariable::TzsVariable;
  Variant GetValue() override { return Variant(FStr); }
  void SetValue(const Variant& Value) override;
  const Variant* ValueRef() override { return nullptr; }
  String FStr;
};

class TzsParamItem : public TzsCustomVariable {
  ZCL_CLASS(TzsParamItem, TzsCustomVariable)
 public:
  TzsParamItem(const String& AName, TzsVarType ATyp, const String& ATypeName, bool AIsOptional, bool AIsVarParam)
      : TzsCustomVariable(AName, ATyp, ATypeName), FIsOptional(AIsOptional), FIsVarParam(AIsVarParam) {}
  const Variant* ValueRef() override { return &FValue; }
  Variant FDefValue = Null();
  bool FIsOptional;
  bool FIsVarParam;
};

inline TzsParamItem* TzsCustomVariable::GetParam(Integer Index) const {
  return static_cast<TzsParamItem*>(FItems[static_cast<size_t>(Index)]);
}

// A script procedure or function with its own program of parameters and locals.
class TzsProcVariable : public TzsCustomVariable {
  ZCL_CLASS(TzsProcVariable, TzsCustomVariable)
 public:
  TzsProcVariable(const String& AName, TzsVarType ATyp, const String& ATypeName, TzsScript* AParent, bool AIsFunc);
  ~TzsProcVariable() override;
  // Runs the routine; a function answers its Result.
  Variant GetValue() override;
  void SetValue(const Variant&) override {}
  TzsScript* GetProg() const { return FProgram; }

  bool FExecuting = false;
  bool FIsFunc;
  TzsScript* FProgram;
};

class TzsCustomExpression : public TzsCustomVariable {
  ZCL_CLASS(TzsCustomExpression, TzsCustomVariable)
 public:
  using TzsCustomVariable::TzsCustomVariable;
};

// Acts on the value before it in a designator chain.
class TzsCustomHelper : public TzsCustomVariable {
  ZCL_CLASS(TzsCustomHelper, TzsCustomVariable)
 public:
  using TzsCustomVariable::TzsCustomVariable;
  // The object the parent value refers to (through the handle table); null for Null or 0.
  TObject* ParentObject() const;
  TzsCustomVariable* FParentRef = nullptr;
  Variant FParentValue;
  TzsScript* FProgram = nullptr;
};

// An element of the variant array held by the parent variable. Only one dimension is stored;
// the other indexes must be given as their low bound... see the .cpp.
class TzsArrayHelper : public TzsCustomHelper {
  ZCL_CLASS(TzsArrayHelper, TzsCustomHelper)
 public:
  TzsArrayHelper(const String& AName, Integer ADimensions, TzsVarType ATyp, const String& ATypeName);
  Variant GetValue() override;
  void SetValue(const Variant& Value) override;
};

class TzsStringHelper : public TzsCustomHelper {
  ZCL_CLASS(TzsStringHelper, TzsCustomHelper)
 public:
  TzsStringHelper();
  Variant GetValue() override;
  void SetValue(const Variant& Value) override;
};

class TzsPropertyHelper : public TzsCustomHelper {
  ZCL_CLASS(TzsPropertyHelper, TzsCustomHelper)
 public:
  using TzsCustomHelper::TzsCustomHelper;
  Variant GetValue() override;
  void SetValue(const Variant& Value) override;
  TzsClassVariable* FClassRef = nullptr;
  TzsGetValueEvent OnGetValue;
  TzsSetValueEvent OnSetValue;
};

class TzsMethodHelper : public TzsCustomHelper {
  ZCL_CLASS(TzsMethodHelper, TzsCustomHelper)
 public:
  // Made from a declaration text such as "function Copy(s: string; from, count: Integer): string".
  TzsMethodHelper(const String& ASyntax, TzsScript* AProgram);
  Variant GetValue() override;
  void SetValue(const Variant&) override {}
  // Arguments of the running call, by parameter index; var parameters are written back.
  Variant GetVParam(Integer Index) const;
  void SetVParam(Integer Index, const Variant& Value);
  Integer ParamCount() const { return Count(); }

  TzsClassVariable* FClassRef = nullptr;
  String FSyntax;
  TzsCallMethodEvent OnCall;
};

// An indexed property of a registered class.
class TzsIndexedMethodHelper : public TzsMethodHelper {
  ZCL_CLASS(TzsIndexedMethodHelper, TzsMethodHelper)
 public:
  using TzsMethodHelper::TzsMethodHelper;
  Variant GetValue() override;
  void SetValue(const Variant& Value) override;
  TzsGetValueEvent OnGetValue;
  TzsSetValueEvent OnSetValue;
};

// A class registered by the host. Reading it with an argument is a checked type cast; without
// one it constructs an instance of the class through its real constructor.
class TzsClassVariable : public TzsCustomVariable {
  ZCL_CLASS(TzsClassVariable, TzsCustomVariable)
 public:
  TzsClassVariable(TClass AClassRef, const String& AAncestor);
  ~TzsClassVariable() override;
  Variant GetValue() override;

  TzsMethodHelper* AddConstructor(const String& Syntax, TzsCallMethodEvent Handler);
  TzsMethodHelper* AddMethod(const String& Syntax, TzsCallMethodEvent Handler);
  TzsPropertyHelper* AddProperty(const String& AName, const String& ATypeName, TzsGetValueEvent Getter,
                                 TzsSetValueEvent Setter);
  TzsIndexedMethodHelper* AddIndexProperty(const String& AName, const String& ParamTypes, const String& ATypeName,
                                           TzsGetValueEvent Getter, TzsSetValueEvent Setter);
  // A member by name (no case), searching the ancestors too; null when none.
  TzsCustomHelper* Find(StringView AName) const;
  Integer GetMembersCount() const { return FMembers.Count(); }
  TzsCustomHelper* GetMember(Integer Index) const {
    return static_cast<TzsCustomHelper*>(FMembers.GetItemObject(Index));
  }
  // True when this class is AClass or derives from it (by the registered ancestors).
  bool InheritsFromClass(const TzsClassVariable* AClass) const;

  String FAncestor;
  TClass FClassRef;
  // Makes a new instance for classes whose constructor takes arguments other than an owner
  // component; unset, the class's own constructor runs with no owner.
  std::function<TObject*()> FFactory;
  TzsCustomHelper* FDefProperty = nullptr;
  TzsItemList FMembers;
  TzsScript* FProgram = nullptr;
};

// Registers items into a program in its constructor.
class TzsRTTIModule : public TObject {
  ZCL_CLASS(TzsRTTIModule, TObject)
 public:
  explicit TzsRTTIModule(TzsScript* AScript) : FScript(AScript) {}
  TzsScript* GetScript() const { return FScript; }

 protected:
  TzsScript* FScript;
};

using TzsRTTIModuleFactory = TzsRTTIModule* (*)(TzsScript* Script);

class TzsScript : public TComponent {
  ZCL_CLASS(TzsScript, TComponent)
 public:
  explicit TzsScript(TComponent* AOwner);
  ~TzsScript() override;

  TObject* GetAddedBy() const { return FAddedBy; }
  void SetAddedBy(TObject* Value) { FAddedBy = Value; }
  TzsScript* GetParent() const { return FParent; }
  void SetParent(TzsScript* Value) { FParent = Value; }
  const String& GetSourceCode() const { return FSourceCode; }
  void SetSourceCode(const String& Value) { FSourceCode = Value; }
  TzsStatement* GetStatement() const { return FStatement; }
  // The skin object the program works for (not owned: the program is not one of its components).
  TComponent* GetScriptOwner() const { return FScriptOwner; }
  void SetScriptOwner(TComponent* Value) { FScriptOwner = Value; }

  // Enters Item under Name (an empty name for unnamed owned items); the program owns it.
  void Add(const String& Name, TObject* Item);
  Integer Count() const { return static_cast<Integer>(FEntries.size()); }
  // Items in the order they were added.
  TObject* GetItem(Integer Index) const { return FEntries[static_cast<size_t>(Index)].Item; }
  // Takes Item out of the program without freeing it.
  void Extract(TObject* Item);
  // Removes the compiled part; RTTI modules and what they registered stay.
  void Clear();
  // The item added last under that name in this program, or null.
  TzsCustomVariable* FindLocal(StringView Name) const;
  // FindLocal here, then in the parents outwards.
  TzsCustomVariable* Find(StringView Name) const;
  TzsClassVariable* FindClass(StringView Name) const;

  // Source to program (raises EZScriptCompileError).
  void Compile();
  // Gives the program's own variables their declared initial values, without running its main
  // block.
  void RunInitializers();
  // Parses the source into a new XML program document owned by the caller.
  TzsXMLDocument* GetILCode();
  void GetILCode(TStream* Stream);
  // Loads a stored XML program (text or binary form) and builds it.
  void SetILCode(TStream* Stream);

  void AddType(const String& Name, TzsVarType ParentType);
  // The new class item, or null when the name is already known.
  TzsClassVariable* AddClass(TClass AClass, const String& Ancestor);
  // A class known only by name (no class record): instances are passed in by the host.
  TzsClassVariable* AddClass(const String& ClassName, const String& Ancestor);
  void AddConst(const String& Name, const String& TypeName, const Variant& Value);
  void AddVariable(const String& Name, const String& TypeName, const Variant& Value);
  TzsMethodHelper* AddMethod(const String& Syntax, TzsCallMethodEvent Handler);
  void AddRTTI();
  void ClearRTTI();

  // Control-flow flags of this program's statements.
  bool FBreakCalled = false;
  bool FContinueCalled = false;
  bool FExitCalled = false;

 private:
  struct TEntry {
    String Key;  // upper case
    TObject* Item;
  };
  void RemoveEntries(const std::function<bool(TObject*)>& Which);
  void Reindex();

  TObject* FAddedBy = nullptr;
  std::vector<TEntry> FEntries;
  std::unordered_map<String, std::vector<size_t>> FIndex;  // upper-case name -> entries, oldest first
  TzsScript* FParent = nullptr;
  TComponent* FScriptOwner = nullptr;
  bool FRTTIAdded = false;
  String FSourceCode;
  TzsStatement* FStatement;
};

// The module classes every RTTI-equipped program instantiates, in registration order. The
// built-in functions come first.
std::vector<TzsRTTIModuleFactory>* RTTIModuleClasses();
void RegisterRTTIModule(TzsRTTIModuleFactory Factory);
// The shared parent of skin scripts; null once the engine has stopped.
TzsScript* GlobalScriptProgram();
// Unit start and stop of the run-time part.
void ZsRuntimeInitialize();
void ZsRuntimeFinalize();

// Type helpers.
TzsVarType StrToVarType(StringView TypeName, const TzsScript* Program);
String ZsFullTypeName(TzsVarType Typ, const String& TypeName);
bool TypesCompatible(const TzsTypeRec& Left, const TzsTypeRec& Right, const TzsScript* Program);
bool AssignCompatible(const TzsCustomVariable* Variable, const TzsCustomVariable* Expression, const TzsScript* Program);
// A declaration's default value: quoted text, a 32- or 64-bit integer, else a real.
Variant ParseConstValue(StringView Text);

bool ValidInt(StringView S);
bool ValidFloat(StringView S);
bool ValidDate(StringView S);
Integer DaysInMonth(Integer Year, Integer Month);

// --- objects seen by scripts
// Scripts never hold addresses: an object travels as a handle (a 64-bit integer, 0 for nil) that
// this table resolves with a liveness and a class check. Objects that can report their
// destruction (components, objects of the object-link registry) are forgotten automatically;
// others must be released by whoever registered them.
class TzsObjectHandles {
 public:
  TzsObjectHandles() = delete;
  // The object's handle, assigning one on first sight; 0 for null.
  static Int64 HandleOf(TObject* Obj);
  // The live object of a handle; null for 0. Raises EZScriptObjectError for an unknown or freed
  // object and when the object is not of Required (when given).
  static TObject* ObjectOf(Int64 Handle, TClass Required = nullptr);
  static TObject* ObjectOf(const Variant& Value, TClass Required = nullptr);
  // Forgets the object; its handle no longer resolves.
  static void Release(TObject* Obj);
  // Whether the object has a handle, and whether its destruction releases it by itself.
  static bool IsKnown(TObject* Obj);
  static bool IsTracked(TObject* Obj);
  static void Clear();
};

RTL_EXCEPTION(EZScriptObjectError, Exception);

// Limits that keep a runaway or hostile script from exhausting the native stack or the UI
// thread. The depth counts nested routine calls of all scripts on this thread.
constexpr Integer ZsMaxCallDepth = 200;
class TzsRunLimits {
 public:
  TzsRunLimits() = delete;
  // Raises "Stack overflow: too many nested calls" past ZsMaxCallDepth.
  static void EnterCall();
  static void LeaveCall() { --FDepth; }
  static Integer Depth() { return FDepth; }
  // Milliseconds a run may take from now; 0 or less: no limit. Returns the previous deadline.
  static Int64 SetBudget(Int64 Milliseconds);
  static void RestoreBudget(Int64 Deadline) { FDeadline = Deadline; }
  // Called by loops and calls; raises "Script timed out" once the budget is spent.
  static void Check() {
    if (FDeadline != 0 && ++FTick >= 256) CheckSlow();
  }

 private:
  static void CheckSlow();
  static thread_local Integer FDepth;
  static thread_local Int64 FDeadline;
  static thread_local Integer FTick;
};
