#include "zse/script/ZSE.Script.Program.h"

#include <algorithm>
#include <chrono>

#include "rtl/RTL.DateTime.h"
#include "rtl/RTL.FormatSettings.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.ObjectLinks.h"
#include "zse/script/ZSE.Script.Compiler.h"
#include "zse/script/ZSE.Script.Designators.h"
#include "zse/script/ZSE.Script.Errors.h"
#include "zse/script/ZSE.Script.Limits.h"
#include "zse/script/ZSE.Script.Statements.h"
#include "zse/script/ZSE.Script.Tokenizer.h"
#include "zse/script/ZSE.Script.XML.h"

// --- TzsItemList

TzsItemList::~TzsItemList() { TzsItemList::Clear(); }

void TzsItemList::Clear() {
  std::vector<TObject*> items;
  items.swap(FItems);
  for (TObject* item : items) delete item;
}

void TzsItemList::Remove(TObject* Item) {
  auto it = std::find(FItems.begin(), FItems.end(), Item);
  if (it != FItems.end()) FItems.erase(it);
}

// --- TzsCustomVariable

TzsCustomVariable::TzsCustomVariable(const String& AName, TzsVarType ATyp, const String& ATypeName)
    : FName(AName), FTyp(ATyp), FTypeName(ATypeName), FUppercaseName(AnsiUpperCase(AName)) {}

Variant TzsCustomVariable::GetValue() { return FValue; }

void TzsCustomVariable::SetValue(const Variant& Value) {
  if (!FIsReadOnly) FValue = Value;
}

String TzsCustomVariable::GetFullTypeName() const { return ZsFullTypeName(FTyp, FTypeName); }

Integer TzsCustomVariable::GetNumberOfRequiredParams() const {
  Integer n = 0;
  for (Integer i = 0; i < Count(); ++i)
    if (!GetParam(i)->FIsOptional) ++n;
  return n;
}

// --- variables

void TzsVariable::SetValue(const Variant& Value) {
  if (FIsReadOnly) return;
  switch (FTyp) {
    case zvtInt:
      FValue = Variant(Value.AsInteger());
      break;
    case zvtBool:
      FValue = Variant(Value.AsBoolean());
      break;
    case zvtFloat:
      FValue = Value.VarType() == varDate ? Value : Variant(Value.AsDouble());
      break;
    case zvtString:
      FValue = Variant(Value.AsString());
      break;
    case zvtInt64:
      FValue = Variant(static_cast<long long>(Value.AsInt64()));
      break;
    default:
      FValue = Value;
  }
}

void TzsStringVariable::SetValue(const Variant& Value) {
  if (!FIsReadOnly) FStr = Value.AsString();
}

// --- routines

TzsProcVariable::TzsProcVariable(const String& AName, TzsVarType ATyp, const String& ATypeName, TzsScript* AParent,
                                 bool AIsFunc)
    : TzsCustomVariable(AName, ATyp, ATypeName), FIsFunc(AIsFunc) {
  FIsReadOnly = true;
  FProgram = new TzsScript(nullptr);
  FProgram->SetParent(AParent);
  if (AIsFunc) {
    TzsVariable* result = ATyp == zvtString || ATyp == zvtChar ? new TzsStringVariable(u"Result", ATyp, ATypeName)
                                                               : new TzsVariable(u"Result", ATyp, ATypeName);
    FRefItem = result;
    FProgram->Add(u"Result", result);
  }
}

TzsProcVariable::~TzsProcVariable() {
  // The parameters are entered in the own program too; take them out before it goes.
  for (TObject* param : FItems) FProgram->Extract(param);
  delete FProgram;
  TzsItemList::Clear();
}

Variant TzsProcVariable::GetValue() {
  TzsRunLimits::EnterCall();
  const bool wasExecuting = FExecuting;
  FExecuting = true;
  struct TLeave {
    TzsProcVariable* Self;
    bool Was;
    ~TLeave() {
      Self->FProgram->FExitCalled = false;
      Self->FExecuting = Was;
      TzsRunLimits::LeaveCall();
    }
  } leave{this, wasExecuting};
  if (FIsFunc) FRefItem->SetValue(Variant());
  FProgram->FExitCalled = false;
  FProgram->GetStatement()->Execute();
  if (FIsFunc) return FRefItem->GetValue();
  return Null();
}

// --- helpers

TObject* TzsCustomHelper::ParentObject() const {
  if (VarIsClear(FParentValue)) return nullptr;
  return TzsObjectHandles::ObjectOf(FParentValue);
}

TzsArrayHelper::TzsArrayHelper(const String& AName, Integer ADimensions, TzsVarType ATyp, const String& ATypeName)
    : TzsCustomHelper(AName, ATyp, ATypeName) {
  if (ADimensions == -1) {
    Add(new TzsParamItem(u"i0", zvtInt64, String(), false, false));
    Add(new TzsParamItem(u"i1", zvtInt64, String(), true, false));
    Add(new TzsParamItem(u"i2", zvtInt64, String(), true, false));
  } else {
    for (Integer i = 0; i < ADimensions; ++i)
      Add(new TzsParamItem(u"i" + IntToStr(i), zvtInt64, String(), false, false));
  }
}

namespace {

// Arrays of several dimensions are arrays of arrays.
Integer ArrayIndexCount(TzsCustomVariable* Helper) {
  Integer n = 0;
  for (Integer i = 0; i < Helper->Count(); ++i)
    if (!VarIsClear(Helper->GetParam(i)->FValue)) n = i + 1;
  return n;
}

void SetNested(Variant& Array, TzsCustomVariable* Helper, Integer Level, Integer Levels, const Variant& Value) {
  const Integer index = Helper->GetParam(Level)->FValue.AsInteger();
  if (Level + 1 == Levels) {
    Array.SetElement(index, Value);
    return;
  }
  Variant inner = Array.GetElement(index);
  SetNested(inner, Helper, Level + 1, Levels, Value);
  Array.SetElement(index, inner);
}

}  // namespace

Variant TzsArrayHelper::GetValue() {
  const Integer levels = ArrayIndexCount(this);
  if (levels == 0) return Null();
  // A variable's array is read in place rather than copied whole.
  Variant holder;
  const Variant* cur;
  if (FParentRef && dynamic_cast<TzsVariable*>(FParentRef) && !dynamic_cast<TzsStringVariable*>(FParentRef)) {
    cur = &FParentRef->FValue;
  } else {
    holder = FParentRef ? FParentRef->GetValue() : FParentValue;
    cur = &holder;
  }
  for (Integer i = 0; i < levels; ++i) cur = &cur->GetElement(GetParam(i)->FValue.AsInteger());
  return *cur;
}

void TzsArrayHelper::SetValue(const Variant& Value) {
  if (!FParentRef) return;
  const Integer levels = ArrayIndexCount(this);
  if (levels == 0) return;
  // Write into the parent variable's own array.
  Variant& target = FParentRef->FValue;
  if (!target.IsArray()) throw EVariantNotAnArrayError(u"Variant is not an array");
  SetNested(target, this, 0, levels, Value);
}

TzsStringHelper::TzsStringHelper() : TzsCustomHelper(u"__StringHelper", zvtChar, String()) {
  Add(new TzsParamItem(u"Index", zvtInt, String(), false, false));
}

Variant TzsStringHelper::GetValue() {
  const String s = FParentValue.AsString();
  const Integer index = GetParam(0)->FValue.AsInteger();
  if (index < 1 || index > static_cast<Integer>(s.size())) return Variant(String());
  return Variant(String(1, s[static_cast<size_t>(index - 1)]));
}

void TzsStringHelper::SetValue(const Variant& Value) {
  String s = FParentValue.AsString();
  const Integer index = GetParam(0)->FValue.AsInteger();
  const String v = Value.AsString();
  if (index < 1 || index > static_cast<Integer>(s.size()) || v.empty()) return;
  s[static_cast<size_t>(index - 1)] = v[0];
  if (FParentRef) FParentRef->SetValue(Variant(s));
}

Variant TzsPropertyHelper::GetValue() {
  if (!OnGetValue) return Null();
  Variant v = OnGetValue(ParentObject(), this);
  if (FTyp == zvtBool && !v.IsNull() && v.VarType() != varBoolean) v = Variant(!(v == Variant(0)));
  return v;
}

void TzsPropertyHelper::SetValue(const Variant& Value) {
  if (FIsReadOnly || !OnSetValue) return;
  OnSetValue(ParentObject(), Value, this);
}

// --- method declarations

namespace {

void ParseMethodSyntax(TzsCustomVariable* Item, const String& Syntax, const TzsScript* Program) {
  TzsParser p;
  p.SetText(Syntax);
  String kind = p.GetWord();
  if (SameText(kind, u"macro")) {
    Item->FIsMacro = true;
    kind = p.GetWord();
  }
  const bool isFunc = SameText(kind, u"function");
  Item->FName = p.GetWord();
  Item->FUppercaseName = AnsiUpperCase(Item->FName);
  String resultType;
  if (isFunc) {
    const size_t colon = Syntax.rfind(u':');
    if (colon != String::npos) {
      TzsParser rp;
      rp.SetText(Syntax.substr(colon + 1));
      resultType = rp.GetWord();
    }
    Item->FTyp = StrToVarType(resultType, Program);
    Item->FTypeName = resultType;
  } else {
    Item->FTyp = zvtVariant;
    Item->FTypeName.clear();
  }
  p.SkipSpaces();
  if (p.GetChar() != u"(") return;
  for (;;) {
    bool isVar = false;
    std::vector<String> names;
    for (;;) {
      p.SkipSpaces();
      if (p.GetPosition() > p.GetSize()) return;
      const String ch = p.GetChar();
      if (ch == u":") break;
      if (ch == u")") return;
      if (ch == u",") continue;
      if (!ch.empty()) continue;
      const String w = p.GetWord();
      if (w.empty()) {
        p.SetPosition(p.GetPosition() + 1);
        continue;
      }
      if (SameText(w, u"var"))
        isVar = true;
      else if (!SameText(w, u"const"))
        names.push_back(w);
    }
    const String typeName = p.GetWord();
    Variant def = Null();
    p.SkipSpaces();
    const Integer save = p.GetPosition();
    if (p.GetChar() == u"=") {
      String text = p.GetNumber();
      if (text.empty()) text = p.GetString();
      if (text.empty()) {
        p.SkipSpaces();
        const Integer minus = p.GetPosition();
        if (p.GetChar() == u"-") {
          const String n = p.GetNumber();
          if (!n.empty())
            text = u"-" + n;
          else
            p.SetPosition(minus);
        }
      }
      if (!text.empty()) {
        def = ParseConstValue(text);
      } else {
        const String name = p.GetWord();
        TzsCustomVariable* found = Program ? Program->Find(name) : nullptr;
        def = found ? found->GetValue() : Null();
      }
    } else {
      p.SetPosition(save);
    }
    const TzsVarType typ = StrToVarType(typeName, Program);
    for (size_t i = 0; i < names.size(); ++i) {
      const bool last = i + 1 == names.size();
      auto* param = new TzsParamItem(names[i], typ, typeName, last && !def.IsNull(), isVar);
      if (last) param->FDefValue = def;
      Item->Add(param);
    }
    p.SkipSpaces();
    const String sep = p.GetChar();
    if (sep != u";") return;
  }
}

}  // namespace

TzsMethodHelper::TzsMethodHelper(const String& ASyntax, TzsScript* AProgram)
    : TzsCustomHelper(String(), zvtVariant, String()), FSyntax(ASyntax) {
  ParseMethodSyntax(this, ASyntax, AProgram);
}

Variant TzsMethodHelper::GetValue() {
  if (!OnCall) return Variant(0);
  return OnCall(ParentObject(), this);
}

Variant TzsMethodHelper::GetVParam(Integer Index) const {
  if (Index < 0 || Index >= Count()) return Null();
  return GetParam(Index)->FValue;
}

void TzsMethodHelper::SetVParam(Integer Index, const Variant& Value) {
  if (Index >= 0 && Index < Count()) GetParam(Index)->FValue = Value;
}

Variant TzsIndexedMethodHelper::GetValue() {
  if (!OnGetValue) return Variant(0);
  return OnGetValue(ParentObject(), this);
}

void TzsIndexedMethodHelper::SetValue(const Variant& Value) {
  if (OnSetValue) OnSetValue(ParentObject(), Value, this);
}

// --- classes

TzsClassVariable::TzsClassVariable(TClass AClassRef, const String& AAncestor)
    : TzsCustomVariable(String(), zvtClass, String()), FAncestor(AAncestor), FClassRef(AClassRef) {
  Add(new TzsParamItem(String(), zvtVariant, String(), true, false));
}

TzsClassVariable::~TzsClassVariable() = default;

Variant TzsClassVariable::GetValue() {
  TzsParamItem* arg = GetParam(0);
  Variant v = arg->FValue;
  arg->FValue = Null();
  if (!v.IsNull()) {
    // A type cast: the object must be of this class.
    TzsObjectHandles::ObjectOf(v, FClassRef);
    return v;
  }
  if (FFactory) return Variant(static_cast<long long>(TzsObjectHandles::HandleOf(FFactory())));
  if (!FClassRef || FClassRef->IsAbstract())
    throw EZScriptObjectError(u"Class %s cannot be created by a script", {FName});
  TObject* obj = FClassRef->InheritsFrom(TComponent::StaticClass())
                     ? static_cast<TObject*>(FClassRef->Create<TComponent>(static_cast<TComponent*>(nullptr)))
                     : FClassRef->Create<TObject>();
  return Variant(static_cast<long long>(TzsObjectHandles::HandleOf(obj)));
}

TzsMethodHelper* TzsClassVariable::AddConstructor(const String& Syntax, TzsCallMethodEvent Handler) {
  const size_t blank = Syntax.find(u' ');
  String rest = blank == String::npos ? String() : Syntax.substr(blank + 1);
  while (!rest.empty() && (rest.back() == u';' || rest.back() <= 32)) rest.pop_back();
  return AddMethod(u"function " + rest + u": Constructor", std::move(Handler));
}

TzsMethodHelper* TzsClassVariable::AddMethod(const String& Syntax, TzsCallMethodEvent Handler) {
  auto* m = new TzsMethodHelper(Syntax, FProgram);
  m->OnCall = std::move(Handler);
  m->FClassRef = this;
  FMembers.Add(m);
  return m;
}

TzsPropertyHelper* TzsClassVariable::AddProperty(const String& AName, const String& ATypeName, TzsGetValueEvent Getter,
                                                 TzsSetValueEvent Setter) {
  auto* p = new TzsPropertyHelper(AName, StrToVarType(ATypeName, FProgram), ATypeName);
  p->FClassRef = this;
  p->FIsReadOnly = !Setter;
  p->OnGetValue = std::move(Getter);
  p->OnSetValue = std::move(Setter);
  FMembers.Add(p);
  return p;
}

TzsIndexedMethodHelper* TzsClassVariable::AddIndexProperty(const String& AName, const String& ParamTypes,
                                                           const String& ATypeName, TzsGetValueEvent Getter,
                                                           TzsSetValueEvent Setter) {
  String params;
  Integer index = 0;
  size_t start = 0;
  while (start <= ParamTypes.size()) {
    size_t comma = ParamTypes.find(u',', start);
    if (comma == String::npos) comma = ParamTypes.size();
    const String type = Trim(StringView(ParamTypes).substr(start, comma - start));
    if (!type.empty()) {
      if (!params.empty()) params += u"; ";
      params += u"p" + IntToStr(index++) + u": " + type;
    }
    start = comma + 1;
  }
  auto* m = new TzsIndexedMethodHelper(u"function " + AName + u"(" + params + u"): " + ATypeName, FProgram);
  m->FClassRef = this;
  m->FIsReadOnly = !Setter;
  m->OnGetValue = std::move(Getter);
  m->OnSetValue = std::move(Setter);
  FMembers.Add(m);
  return m;
}

TzsCustomHelper* TzsClassVariable::Find(StringView AName) const {
  const TzsClassVariable* cls = this;
  for (Integer guard = 0; cls && guard < 64; ++guard) {
    for (Integer i = cls->GetMembersCount() - 1; i >= 0; --i)
      if (SameText(cls->GetMember(i)->FName, AName)) return cls->GetMember(i);
    if (cls->FAncestor.empty() || !cls->FProgram) return nullptr;
    cls = cls->FProgram->FindClass(cls->FAncestor);
  }
  return nullptr;
}

bool TzsClassVariable::InheritsFromClass(const TzsClassVariable* AClass) const {
  const TzsClassVariable* cls = this;
  for (Integer guard = 0; cls && guard < 64; ++guard) {
    if (cls == AClass || SameText(cls->FName, AClass->FName)) return true;
    if (cls->FAncestor.empty() || !cls->FProgram) return false;
    cls = cls->FProgram->FindClass(cls->FAncestor);
  }
  return false;
}

// --- TzsScript

TzsScript::TzsScript(TComponent* AOwner) : TComponent(AOwner), FStatement(new TzsStatement(this, String())) {}

TzsScript::~TzsScript() {
  Clear();
  ClearRTTI();
  std::vector<TEntry> entries;
  entries.swap(FEntries);
  FIndex.clear();
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) delete it->Item;
  delete FStatement;
}

void TzsScript::Add(const String& Name, TObject* Item) {
  if (auto* v = dynamic_cast<TzsCustomVariable*>(Item)) v->FAddedBy = FAddedBy;
  String key = AnsiUpperCase(Name);
  FIndex[key].push_back(FEntries.size());
  FEntries.push_back({std::move(key), Item});
}

void TzsScript::Extract(TObject* Item) {
  for (size_t i = 0; i < FEntries.size(); ++i)
    if (FEntries[i].Item == Item) {
      FEntries.erase(FEntries.begin() + static_cast<std::ptrdiff_t>(i));
      Reindex();
      return;
    }
}

void TzsScript::Reindex() {
  FIndex.clear();
  for (size_t i = 0; i < FEntries.size(); ++i) FIndex[FEntries[i].Key].push_back(i);
}

void TzsScript::RemoveEntries(const std::function<bool(TObject*)>& Which) {
  std::vector<TObject*> doomed;
  std::vector<TEntry> kept;
  for (TEntry& e : FEntries) {
    if (Which(e.Item))
      doomed.push_back(e.Item);
    else
      kept.push_back(std::move(e));
  }
  FEntries.swap(kept);
  Reindex();
  // Routines first: their programs may refer to other items while they go.
  for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) delete *it;
}

void TzsScript::Clear() {
  FStatement->Clear();
  RemoveEntries([](TObject* item) {
    if (dynamic_cast<TzsRTTIModule*>(item)) return false;
    auto* v = dynamic_cast<TzsCustomVariable*>(item);
    return !(v && v->FAddedBy == ZsAddedByRTTI);
  });
}

void TzsScript::ClearRTTI() {
  if (!FRTTIAdded) return;
  RemoveEntries([](TObject* item) {
    if (dynamic_cast<TzsRTTIModule*>(item)) return true;
    auto* v = dynamic_cast<TzsCustomVariable*>(item);
    return v && v->FAddedBy == ZsAddedByRTTI;
  });
  FRTTIAdded = false;
}

TzsCustomVariable* TzsScript::FindLocal(StringView Name) const {
  auto it = FIndex.find(AnsiUpperCase(Name));
  if (it == FIndex.end()) return nullptr;
  for (auto i = it->second.rbegin(); i != it->second.rend(); ++i)
    if (auto* v = dynamic_cast<TzsCustomVariable*>(FEntries[*i].Item)) return v;
  return nullptr;
}

TzsCustomVariable* TzsScript::Find(StringView Name) const {
  for (const TzsScript* p = this; p; p = p->FParent)
    if (TzsCustomVariable* v = p->FindLocal(Name)) return v;
  return nullptr;
}

TzsClassVariable* TzsScript::FindClass(StringView Name) const { return dynamic_cast<TzsClassVariable*>(Find(Name)); }

void TzsScript::Compile() {
  TzsILParser parser(this);
  parser.MakeILScript(FSourceCode);
  parser.ParseILScript();
}

void TzsScript::RunInitializers() {
  for (Integer i = 0; i < FStatement->Count(); ++i)
    if (FStatement->GetChild(i)->FInitializer) FStatement->GetChild(i)->Execute();
}

TzsXMLDocument* TzsScript::GetILCode() {
  TzsILParser parser(this);
  parser.MakeILScript(FSourceCode);
  return parser.TakeILScript();
}

void TzsScript::GetILCode(TStream* Stream) {
  std::unique_ptr<TzsXMLDocument> doc(GetILCode());
  doc->SaveToBinaryStream(Stream);
}

void TzsScript::SetILCode(TStream* Stream) {
  TzsILParser parser(this);
  parser.GetILScript()->LoadFromStream(Stream);
  parser.ParseILScript();
}

void TzsScript::AddType(const String& Name, TzsVarType ParentType) {
  if (Find(Name)) return;
  Add(Name, new TzsTypeVariable(Name, ParentType, String()));
}

TzsClassVariable* TzsScript::AddClass(TClass AClass, const String& Ancestor) {
  if (!AClass || Find(AClass->ClassName())) return nullptr;
  auto* cls = new TzsClassVariable(AClass, Ancestor);
  cls->FName = AClass->ClassName();
  cls->FUppercaseName = AnsiUpperCase(cls->FName);
  cls->FTypeName = cls->FName;
  cls->FProgram = this;
  if (TzsClassVariable* anc = FindClass(Ancestor)) cls->FDefProperty = anc->FDefProperty;
  Add(cls->FName, cls);
  return cls;
}

TzsClassVariable* TzsScript::AddClass(const String& ClassName, const String& Ancestor) {
  if (Find(ClassName)) return nullptr;
  auto* cls = new TzsClassVariable(nullptr, Ancestor);
  cls->FName = ClassName;
  cls->FUppercaseName = AnsiUpperCase(ClassName);
  cls->FTypeName = ClassName;
  cls->FProgram = this;
  if (TzsClassVariable* anc = FindClass(Ancestor)) cls->FDefProperty = anc->FDefProperty;
  Add(ClassName, cls);
  return cls;
}

void TzsScript::AddConst(const String& Name, const String& TypeName, const Variant& Value) {
  if (Find(Name)) return;
  auto* v = new TzsVariable(Name, StrToVarType(TypeName, this), TypeName);
  v->SetValue(Value);
  v->FIsReadOnly = true;
  Add(Name, v);
}

void TzsScript::AddVariable(const String& Name, const String& TypeName, const Variant& Value) {
  if (Find(Name)) return;
  const TzsVarType typ = StrToVarType(TypeName, this);
  TzsVariable* v = typ == zvtString || typ == zvtChar ? new TzsStringVariable(Name, typ, TypeName)
                                                      : new TzsVariable(Name, typ, TypeName);
  v->SetValue(Value);
  Add(Name, v);
}

TzsMethodHelper* TzsScript::AddMethod(const String& Syntax, TzsCallMethodEvent Handler) {
  auto* m = new TzsMethodHelper(Syntax, this);
  m->OnCall = std::move(Handler);
  Add(m->FName, m);
  return m;
}

void TzsScript::AddRTTI() {
  if (FRTTIAdded) return;
  std::vector<TzsRTTIModuleFactory>* classes = RTTIModuleClasses();
  if (!classes) return;
  FAddedBy = ZsAddedByRTTI;
  try {
    for (TzsRTTIModuleFactory factory : *classes) Add(String(), factory(this));
  } catch (...) {
    FAddedBy = nullptr;
    FRTTIAdded = true;
    throw;
  }
  FAddedBy = nullptr;
  FRTTIAdded = true;
}

// --- module classes and the shared program

namespace {
std::vector<TzsRTTIModuleFactory>* GModuleClasses = nullptr;
TzsScript* GGlobalProgram = nullptr;
bool GFinalized = false;
}  // namespace

TzsRTTIModule* CreateBuiltInFunctions(TzsScript* Script);  // ZSE.Script.BuiltIns

std::vector<TzsRTTIModuleFactory>* RTTIModuleClasses() {
  if (!GModuleClasses && !GFinalized) GModuleClasses = new std::vector<TzsRTTIModuleFactory>{&CreateBuiltInFunctions};
  return GModuleClasses;
}

void RegisterRTTIModule(TzsRTTIModuleFactory Factory) {
  if (auto* list = RTTIModuleClasses())
    if (std::find(list->begin(), list->end(), Factory) == list->end()) list->push_back(Factory);
}

TzsScript* GlobalScriptProgram() {
  if (!GGlobalProgram && !GFinalized) {
    GGlobalProgram = new TzsScript(nullptr);
    GGlobalProgram->AddRTTI();
  }
  return GGlobalProgram;
}

void ZsRuntimeInitialize() {
  GFinalized = false;
  RTTIModuleClasses();
}

void ZsRuntimeFinalize() {
  GFinalized = true;
  delete GGlobalProgram;
  GGlobalProgram = nullptr;
  delete GModuleClasses;
  GModuleClasses = nullptr;
  TzsObjectHandles::Clear();
}

// --- type helpers

TzsVarType StrToVarType(StringView TypeName, const TzsScript* Program) {
  TzsCustomVariable* item = Program ? Program->Find(TypeName) : nullptr;
  return item ? item->FTyp : zvtClass;
}

String ZsFullTypeName(TzsVarType Typ, const String& TypeName) {
  switch (Typ) {
    case zvtInt:
      return u"Integer";
    case zvtBool:
      return u"Boolean";
    case zvtFloat:
      return u"Extended";
    case zvtChar:
      return u"Char";
    case zvtString:
      return u"string";
    case zvtClass:
    case zvtEnum:
      return TypeName;
    case zvtArray:
      return u"array";
    case zvtInt64:
      return u"Int64";
    default:
      return u"Variant";
  }
}

bool TypesCompatible(const TzsTypeRec& Left, const TzsTypeRec& Right, const TzsScript* Program) {
  const TzsVarType r = Right.Typ;
  switch (Left.Typ) {
    case zvtInt:
    case zvtInt64:
      return r == zvtInt || r == zvtFloat || r == zvtVariant || r == zvtEnum || r == zvtInt64;
    case zvtBool:
      return r == zvtBool || r == zvtVariant;
    case zvtFloat:
      return r == zvtInt || r == zvtFloat || r == zvtVariant || r == zvtInt64;
    case zvtChar:
    case zvtString:
      return r == zvtChar || r == zvtString || r == zvtVariant;
    case zvtClass: {
      if (r == zvtVariant) return true;
      if (r != zvtClass || !Program) return false;
      TzsClassVariable* left = Program->FindClass(Left.TypeName);
      TzsClassVariable* right = Program->FindClass(Right.TypeName);
      return left && right && right->InheritsFromClass(left);
    }
    case zvtArray:
      return r == zvtArray || r == zvtVariant;
    case zvtVariant:
      return true;
    case zvtEnum:
      return r == zvtInt || r == zvtVariant || r == zvtInt64 ||
             (r == zvtEnum && SameText(Left.TypeName, Right.TypeName));
    default:
      return false;
  }
}

bool AssignCompatible(const TzsCustomVariable* Variable, const TzsCustomVariable* Expression,
                      const TzsScript* Program) {
  if (Variable->FTyp == zvtInt && Expression->FTyp == zvtFloat) return false;
  return TypesCompatible(Variable->GetTypeRec(), Expression->GetTypeRec(), Program);
}

Variant ParseConstValue(StringView Text) {
  if (!Text.empty() && Text[0] == u'\'') {
    if (Text.size() < 2) return Variant(String());
    return Variant(String(Text.substr(1, Text.size() - 2)));
  }
  Int64 i = 0;
  if (TryStrToInt64(Text, i)) {
    if (i >= INT32_MIN && i <= INT32_MAX) return Variant(static_cast<Integer>(i));
    return Variant(static_cast<long long>(i));
  }
  String s(Text);
  const size_t dot = s.find(u'.');
  if (dot != String::npos) s[dot] = FormatSettings.DecimalSeparator;
  return Variant(StrToFloat(s));
}

bool ValidInt(StringView S) {
  Integer v;
  return TryStrToInt(S, v);
}

bool ValidFloat(StringView S) {
  Extended v;
  return TryStrToFloat(S, v);
}

bool ValidDate(StringView S) {
  TDateTime v;
  return TryStrToDate(S, v);
}

Integer DaysInMonth(Integer Year, Integer Month) {
  static const Integer days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (Month < 1 || Month > 12) throw EConvertError(u"Invalid month: %d", {Month});
  const bool leap = (Year % 4 == 0 && Year % 100 != 0) || Year % 400 == 0;
  return days[Month - 1] + (Month == 2 && leap ? 1 : 0);
}

// --- handles

namespace {

struct THandleEntry {
  TObject* Object;
  bool Tracked;
};

class THandleListener;

struct THandleTable {
  std::unordered_map<Int64, THandleEntry> ByHandle;
  std::unordered_map<TObject*, Int64> ByObject;
  Int64 Next = 1;
  IPtr<IZCLObjectRemoveNotify> Listener;
};

THandleTable* GHandles = nullptr;

class THandleListener : public TInterfacedObject, public IZCLObjectRemoveNotify {
 public:
  RTL_INTERFACES(TInterfacedObject, IZCLObjectRemoveNotify)
  void OnRemove(TObject* Object) override { TzsObjectHandles::Release(Object); }
};

THandleTable& Handles() {
  if (!GHandles) {
    GHandles = new THandleTable;
    GHandles->Listener = IPtr<IZCLObjectRemoveNotify>(Create<THandleListener>());
  }
  return *GHandles;
}

}  // namespace

Int64 TzsObjectHandles::HandleOf(TObject* Obj) {
  if (!Obj) return 0;
  THandleTable& t = Handles();
  auto it = t.ByObject.find(Obj);
  if (it != t.ByObject.end()) return it->second;
  bool tracked = false;
  if (dynamic_cast<TComponent*>(Obj) || dynamic_cast<IZCLObjectLinksSupport*>(Obj)) {
    TZCLObjectLinks::RegisterRemoveListener(Obj, t.Listener);
    tracked = true;
  }
  const Int64 h = t.Next++;
  t.ByHandle[h] = {Obj, tracked};
  t.ByObject[Obj] = h;
  return h;
}

TObject* TzsObjectHandles::ObjectOf(Int64 Handle, TClass Required) {
  if (Handle == 0) return nullptr;
  THandleTable& t = Handles();
  auto it = t.ByHandle.find(Handle);
  if (it == t.ByHandle.end()) throw EZScriptObjectError(u"Invalid object reference");
  TObject* obj = it->second.Object;
  if (Required && !obj->InheritsFrom(Required))
    throw EZScriptObjectError(u"Invalid class typecast: %s is not %s", {obj->ClassName(), Required->ClassName()});
  return obj;
}

TObject* TzsObjectHandles::ObjectOf(const Variant& Value, TClass Required) {
  if (VarIsClear(Value)) return nullptr;
  if (!VarIsOrdinal(Value)) throw EZScriptObjectError(u"Invalid object reference");
  return ObjectOf(Value.AsInt64(), Required);
}

void TzsObjectHandles::Release(TObject* Obj) {
  if (!GHandles || !Obj) return;
  auto it = GHandles->ByObject.find(Obj);
  if (it == GHandles->ByObject.end()) return;
  const bool tracked = GHandles->ByHandle[it->second].Tracked;
  GHandles->ByHandle.erase(it->second);
  GHandles->ByObject.erase(it);
  if (tracked) TZCLObjectLinks::UnregisterRemoveListener(GHandles->Listener, Obj);
}

bool TzsObjectHandles::IsKnown(TObject* Obj) { return GHandles && GHandles->ByObject.count(Obj) != 0; }

bool TzsObjectHandles::IsTracked(TObject* Obj) {
  if (!GHandles) return false;
  auto it = GHandles->ByObject.find(Obj);
  return it != GHandles->ByObject.end() && GHandles->ByHandle[it->second].Tracked;
}

void TzsObjectHandles::Clear() {
  if (!GHandles) return;
  for (auto& [h, e] : GHandles->ByHandle)
    if (e.Tracked) TZCLObjectLinks::UnregisterRemoveListener(GHandles->Listener, e.Object);
  delete GHandles;
  GHandles = nullptr;
}

// --- run limits

thread_local Integer TzsRunLimits::FDepth = 0;
thread_local Int64 TzsRunLimits::FDeadline = 0;
thread_local Integer TzsRunLimits::FTick = 0;

namespace {
Int64 NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
}  // namespace

void TzsRunLimits::EnterCall() {
  if (FDepth >= ZsMaxCallDepth || ZsStackNearlyFull())
    throw EZScriptLimitError(String(), u"Stack overflow: too many nested calls");
  ++FDepth;
  Check();
}

Int64 TzsRunLimits::SetBudget(Int64 Milliseconds) {
  const Int64 previous = FDeadline;
  FDeadline = Milliseconds > 0 ? NowMs() + Milliseconds : 0;
  FTick = 0;
  return previous;
}

void TzsRunLimits::CheckSlow() {
  FTick = 0;
  if (NowMs() > FDeadline) throw EZScriptLimitError(String(), u"Script timed out");
}
