#include "zse/script/ZSE.Script.Compiler.h"

#include <unordered_map>

#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Strings.h"
#include "zse/script/ZSE.Script.Designators.h"
#include "zse/script/ZSE.Script.Errors.h"
#include "zse/script/ZSE.Script.Expressions.h"
#include "zse/script/ZSE.Script.Limits.h"
#include "zse/script/ZSE.Script.Statements.h"
#include "zse/script/ZSE.Script.Tokenizer.h"
#include "zse/script/ZSE.Script.XML.h"

// --- the grammar, compiled once from its document

enum class TzsGrammarKind : Byte {
  Rule,
  Char,
  Keyword,
  Ident,
  Number,
  String,
  FrString,
  Eol,
  Sequence,
  Optional,
  Switch,
  OptionalSwitch,
  Loop,
  OptionalLoop,
  Reference
};

struct TzsGrammarNode {
  TzsGrammarKind Kind;
  String Name;  // lower case; for a reference the rule's name
  String Text;  // the token's text (compared without case) or a loop's separator
  String Node;  // lower case
  String Add;
  String AddText;
  bool HasAddText = false;
  String ErrName;
  String ErrMessage;  // resolved from the errors element
  bool Term = false;
  bool NoSkip = false;   // char: skip="0"
  bool SkipOne = false;  // loop: skip="1"
  const TzsGrammarNode* Rule = nullptr;
  std::vector<TzsGrammarNode> Children;
};

struct TzsGrammar {
  std::vector<std::unique_ptr<TzsGrammarNode>> Rules;
  std::unordered_map<String, const TzsGrammarNode*> ByName;
  TzsXMLItem* Root = nullptr;
  TzsXMLItem* Types = nullptr;
  TzsXMLItem* Parser = nullptr;
};

namespace {

TzsXMLDocument* GGrammarDoc = nullptr;
TzsGrammar* GGrammar = nullptr;
TzsXMLDocument* GGrammarOfCompiled = nullptr;

TzsGrammarKind KindOf(const String& Name, bool IsRule) {
  if (IsRule) return TzsGrammarKind::Rule;
  static const std::unordered_map<String, TzsGrammarKind> kinds = {
      {u"char", TzsGrammarKind::Char},
      {u"keyword", TzsGrammarKind::Keyword},
      {u"ident", TzsGrammarKind::Ident},
      {u"number", TzsGrammarKind::Number},
      {u"string", TzsGrammarKind::String},
      {u"frstring", TzsGrammarKind::FrString},
      {u"eol", TzsGrammarKind::Eol},
      {u"sequence", TzsGrammarKind::Sequence},
      {u"optional", TzsGrammarKind::Optional},
      {u"switch", TzsGrammarKind::Switch},
      {u"optionalswitch", TzsGrammarKind::OptionalSwitch},
      {u"loop", TzsGrammarKind::Loop},
      {u"optionalloop", TzsGrammarKind::OptionalLoop},
  };
  auto it = kinds.find(Name);
  return it == kinds.end() ? TzsGrammarKind::Reference : it->second;
}

void CompileNode(TzsXMLItem* x, bool IsRule, TzsXMLItem* Errors, TzsGrammarNode& n) {
  n.Name = x->GetNameInLowerCase();
  n.Kind = KindOf(n.Name, IsRule);
  n.Text = x->GetAttribute(u"text");
  n.Node = AnsiLowerCase(x->GetAttribute(u"node"));
  n.Add = x->GetAttribute(u"add");
  n.HasAddText = ContainsText(x->GetText(), u"addtext=\"");
  n.AddText = x->GetAttribute(u"addtext");
  n.ErrName = x->GetAttribute(u"err");
  if (!n.ErrName.empty() && Errors) {
    const Integer i = Errors->Find(n.ErrName);
    if (i >= 0) n.ErrMessage = XMLToStr(Errors->GetItem(i)->GetText());
  }
  n.Term = x->GetAttribute(u"term") == u"1";
  n.NoSkip = x->GetAttribute(u"skip") == u"0";
  n.SkipOne = x->GetAttribute(u"skip") == u"1";
  n.Children.resize(static_cast<size_t>(x->GetCount()));
  for (Integer i = 0; i < x->GetCount(); ++i)
    CompileNode(x->GetItem(i), false, Errors, n.Children[static_cast<size_t>(i)]);
}

void LinkReferences(TzsGrammarNode& n, const TzsGrammar& g) {
  if (n.Kind == TzsGrammarKind::Reference) {
    auto it = g.ByName.find(n.Name);
    n.Rule = it == g.ByName.end() ? nullptr : it->second;
  }
  for (TzsGrammarNode& c : n.Children) LinkReferences(c, g);
}

TzsGrammar* CompileGrammar(TzsXMLDocument* Doc) {
  auto* g = new TzsGrammar;
  g->Root = Doc->GetRoot();
  TzsXMLItem* errors = nullptr;
  const Integer pi = g->Root->Find(u"parser");
  if (pi >= 0) {
    g->Parser = g->Root->GetItem(pi);
    const Integer ei = g->Parser->Find(u"errors");
    if (ei >= 0) errors = g->Parser->GetItem(ei);
  }
  const Integer ti = g->Root->Find(u"types");
  if (ti >= 0) g->Types = g->Root->GetItem(ti);
  for (Integer i = 0; i < g->Root->GetCount(); ++i) {
    TzsXMLItem* x = g->Root->GetItem(i);
    auto node = std::make_unique<TzsGrammarNode>();
    CompileNode(x, true, errors, *node);
    g->ByName.emplace(node->Name, node.get());
    g->Rules.push_back(std::move(node));
  }
  for (auto& r : g->Rules) LinkReferences(*r, *g);
  return g;
}

TzsGrammar* GrammarFor(TzsXMLDocument* Doc) {
  if (Doc == GGrammarDoc) {
    if (!GGrammar || GGrammarOfCompiled != Doc) {
      delete GGrammar;
      GGrammar = CompileGrammar(Doc);
      GGrammarOfCompiled = Doc;
    }
    return GGrammar;
  }
  return nullptr;
}

String Attr(TzsXMLItem* x, StringView Name) { return x->GetAttribute(Name); }
String TextOf(TzsXMLItem* x) { return x->GetAttribute(u"text"); }
bool Named(TzsXMLItem* x, StringView Lower) { return x->GetNameInLowerCase() == Lower; }

}  // namespace

TzsXMLDocument* TzsGramma::Pascal() {
  if (!GGrammarDoc) {
    auto* doc = new TzsXMLDocument;
    try {
      doc->LoadFromResource(nullptr, u"SKINSCRIPT", RT_RCDATA);
    } catch (...) {
      delete doc;
      throw;
    }
    GGrammarDoc = doc;
  }
  return GGrammarDoc;
}

void TzsGramma::Finalize() {
  delete GGrammar;
  GGrammar = nullptr;
  GGrammarOfCompiled = nullptr;
  delete GGrammarDoc;
  GGrammarDoc = nullptr;
}

// --- TzsILParser

TzsILParser::TzsILParser(TzsScript* AProgram)
    : FILScript(new TzsXMLDocument), FParser(std::make_unique<TzsParser>()), FProgram(AProgram) {
  SelectLanguage(TzsGramma::Pascal());
}

TzsILParser::~TzsILParser() { delete FILScript; }

TzsXMLDocument* TzsILParser::TakeILScript() {
  TzsXMLDocument* doc = FILScript;
  FILScript = new TzsXMLDocument;
  return doc;
}

void TzsILParser::SelectLanguage(TzsXMLDocument* AGrammar) {
  FParser->Clear();
  FGrammar = GrammarFor(AGrammar);
  if (!FGrammar) throw Exception(u"Invalid language definition");
  TzsXMLItem* parser = FGrammar->Parser;
  if (!parser) return;
  const Integer ki = parser->Find(u"keywords");
  if (ki >= 0) {
    TzsXMLItem* k = parser->GetItem(ki);
    for (Integer i = 0; i < k->GetCount(); ++i) FParser->AddKeyword(k->GetItem(i)->GetName());
  }
  for (Integer i = 0; i < parser->GetCount(); ++i) {
    TzsXMLItem* c = parser->GetItem(i);
    const String& name = c->GetNameInLowerCase();
    const String value = XMLToStr(c->GetText());
    if (name == u"identchars")
      FParser->ConstructCharset(value);
    else if (name == u"commentline1")
      FParser->SetCommentLine1(value);
    else if (name == u"commentline2")
      FParser->SetCommentLine2(value);
    else if (name == u"commentblock1")
      FParser->SetCommentBlock1(value);
    else if (name == u"commentblock2")
      FParser->SetCommentBlock2(value);
    else if (name == u"stringquotes")
      FParser->SetStringQuotes(value);
    else if (name == u"hexsequence")
      FParser->SetHexSequence(value);
    else if (name == u"specstrchar")
      FParser->SetSpecStrChar(value == u"1");
    else if (name == u"declarevars")
      FNeedDeclareVars = value != u"0";
    else if (name == u"skipeol")
      FParser->SetSkipEOL(value != u"0");
    else if (name == u"skipchar")
      FParser->SetSkipChar(value);
    else if (name == u"casesensitive")
      FParser->SetCaseSensitive(value == u"1");
  }
}

String TzsILParser::PosText() const { return FParser->GetXYPosition(); }

void TzsILParser::MakeILScript(const String& Text) {
  FLines.clear();
  FErrorMessage.clear();
  FRunErrorPos.clear();
  FTerm = false;
  FDepth = 0;
  FParser->SetText(Text);
  FParser->SetPosition(1);
  auto it = FGrammar->ByName.find(u"program");
  if (it == FGrammar->ByName.end()) throw Exception(u"Invalid language definition");
  const bool ok = Match(*it->second);
  if (!ok || !FErrorMessage.empty()) {
    FLines.clear();
    throw EZScriptCompileError(FRunErrorPos, FErrorMessage);
  }
  std::string utf8 = "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<program>\n";
  for (const String& line : FLines) {
    utf8 += StringToUTF8(line);
    utf8 += '\n';
  }
  utf8 += "</program>\n";
  FLines.clear();
  TMemoryStream stream;
  stream.WriteBuffer(utf8.data(), static_cast<Int64>(utf8.size()));
  stream.SetPosition(3);
  FILScript->LoadFromStream(&stream);
  if (FGrammar->Types) FILScript->GetRoot()->Add()->Assign(FGrammar->Types);
}

void TzsILParser::RecordSyntaxError(const TzsGrammarNode& E, Integer StartPos) {
  if (E.ErrName.empty() || !FErrorMessage.empty()) return;
  FErrorMessage = E.ErrMessage;
  FParser->SetPosition(StartPos);
  FParser->SkipSpaces();
  FRunErrorPos = PosText();
  FTerm = E.Term;
}

void TzsILParser::EmitNode(const TzsGrammarNode& E, bool Success, Integer StartPos, size_t StartLines) {
  if (E.Node.empty()) return;
  if (E.Node == u"uses" || !Success) {
    FLines.resize(StartLines);
    return;
  }
  const Integer save = FParser->GetPosition();
  const String q = PosText();
  FParser->SetPosition(StartPos);
  FParser->SkipSpaces();
  const String p = PosText();
  FParser->SetPosition(save);
  String open = u"<" + E.Node + u" pos=\"" + p + u"\"";
  if (E.Node == u"expr") open += u" pos1=\"" + q + u"\"";
  open += u">";
  FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(StartLines), open);
  FLines.push_back(u"</" + E.Node + u">");
}

bool TzsILParser::Match(const TzsGrammarNode& E) {
  if (FDepth >= ZsMaxParseDepth || ZsStackNearlyFull())
    throw EZScriptCompileError(PosText(), u"Too many nested levels");
  struct TDepth {
    Integer& D;
    explicit TDepth(Integer& d) : D(d) { ++D; }
    ~TDepth() { --D; }
  } depth(FDepth);

  const Integer startPos = FParser->GetPosition();
  const size_t startLines = FLines.size();
  const bool isRule = E.Kind == TzsGrammarKind::Rule;
  bool result = true;
  bool matched = false;
  String token;
  bool isToken = false;
  switch (E.Kind) {
    case TzsGrammarKind::Rule:
    case TzsGrammarKind::Sequence:
      matched = true;
      break;
    case TzsGrammarKind::Char:
      if (!E.NoSkip) FParser->SkipSpaces();
      token = FParser->GetChar();
      isToken = true;
      break;
    case TzsGrammarKind::Keyword:
      token = FParser->GetWord();
      isToken = true;
      break;
    case TzsGrammarKind::Ident:
      token = FParser->GetIdent();
      isToken = true;
      break;
    case TzsGrammarKind::Number:
      token = FParser->GetNumber();
      isToken = true;
      break;
    case TzsGrammarKind::String:
      token = FParser->GetString();
      isToken = true;
      break;
    case TzsGrammarKind::FrString: {
      token = FParser->GetFRString();
      const String p = PosText();
      FLines.push_back(u"<dsgn pos=\"" + p + u"\">");
      FLines.push_back(u"<node text=\"Get\" pos=\"" + p + u"\"/>");
      FLines.push_back(u"<expr pos=\"" + p + u"\">");
      FLines.push_back(u"<string text=\"" + StrToXML(u"'" + token + u"'") + u"\" pos=\"" + p + u"\"/>");
      FLines.push_back(u"</expr>");
      FLines.push_back(u"</dsgn>");
      isToken = true;
      break;
    }
    case TzsGrammarKind::Eol:
      matched = FParser->GetEOL();
      break;
    case TzsGrammarKind::Switch:
    case TzsGrammarKind::OptionalSwitch:
      for (const TzsGrammarNode& c : E.Children)
        if (Match(c)) return true;
      if (E.Kind == TzsGrammarKind::Switch) {
        RecordSyntaxError(E, startPos);
        FParser->SetPosition(startPos);
        return false;
      }
      return true;
    case TzsGrammarKind::Loop:
    case TzsGrammarKind::OptionalLoop:
      return MatchLoop(E, startPos);
    case TzsGrammarKind::Optional:
      for (const TzsGrammarNode& c : E.Children)
        if (!Match(c)) {
          FParser->SetPosition(startPos);
          break;
        }
      return true;
    case TzsGrammarKind::Reference:
      if (!E.Rule) throw Exception(u"Invalid language definition");
      matched = Match(*E.Rule);
      break;
  }
  if (isToken) {
    matched =
        !token.empty() && (E.Text.empty() || (FParser->GetCaseSensitive() ? token == E.Text : SameText(token, E.Text)));
  }
  if (!matched) {
    result = false;
    RecordSyntaxError(E, startPos);
  } else {
    if (!isRule) EmitNode(E, true, startPos, startLines);
    if (!E.Add.empty()) {
      const String value = E.HasAddText ? E.AddText : token;
      FLines.push_back(u"<" + E.Add + u" text=\"" + StrToXML(value) + u"\" pos=\"" + PosText() + u"\"/>");
    }
    for (const TzsGrammarNode& c : E.Children)
      if (!Match(c)) {
        result = false;
        break;
      }
  }
  if (!result) FParser->SetPosition(startPos);
  if (isRule) EmitNode(E, result, startPos, startLines);
  return result;
}

bool TzsILParser::MatchLoop(const TzsGrammarNode& E, Integer StartPos) {
  Integer iterations = 0;
  bool result = true;
  Integer after = StartPos;
  for (;;) {
    ++iterations;
    bool stop = false;
    const Integer iterStart = FParser->GetPosition();
    for (const TzsGrammarNode& c : E.Children)
      if (!Match(c)) {
        result = false;
        stop = true;
        break;
      }
    after = FParser->GetPosition();
    if (result && !E.Text.empty()) {
      FParser->SkipSpaces();
      if (FParser->GetChar() != E.Text) {
        FParser->SetPosition(after);
        stop = true;
      }
    }
    if (FParser->GetPosition() == iterStart) stop = true;
    if (stop) break;
  }
  if (iterations > 1) {
    if (E.SkipOne || FTerm) FErrorMessage.clear();
    FParser->SetPosition(after);
    result = true;
  }
  if (E.Kind == TzsGrammarKind::OptionalLoop && !result) {
    FParser->SetPosition(StartPos);
    result = true;
  }
  return result;
}

// --- building

void TzsILParser::NoteErrorPos(TzsXMLItem* xi) { FErrorPos = xi ? Attr(xi, u"pos") : String(); }

void TzsILParser::ParseILScript() {
  FWithList.clear();
  try {
    BuildProgram(FILScript->GetRoot(), FProgram);
  } catch (const EZScriptCompileError&) {
    throw;
  } catch (const Exception& e) {
    throw EZScriptCompileError(FErrorPos, e.GetMessage());
  }
}

TzsCustomVariable* TzsILParser::FindIdentifier(TzsScript* Prog, const String& Name) {
  if (TzsCustomVariable* v = Prog->Find(Name)) return v;
  if (FNeedDeclareVars) throw Exception(u"Undeclared identifier: '" + Name + u"'");
  auto* v = new TzsVariable(Name, zvtVariant, String());
  FProgram->Add(Name, v);
  return v;
}

void TzsILParser::CheckNotDeclared(TzsScript* Prog, const String& Name) {
  if (Prog->FindLocal(Name)) throw Exception(u"Identifier redeclared: '" + Name + u"'");
}

TzsClassVariable* TzsILParser::FindClassOrFail(const String& Name) {
  TzsClassVariable* c = FProgram->FindClass(Name);
  if (!c) throw Exception(u"Unknown type: '" + Name + u"'");
  return c;
}

void TzsILParser::CheckTypes(TzsCustomVariable* Item, TzsCustomVariable* Expression) {
  if (!AssignCompatible(Item, Expression, FProgram))
    throw Exception(u"Incompatible types: '" + Item->GetFullTypeName() + u"', '" + Expression->GetFullTypeName() +
                    u"'");
}

TzsVarType TzsILParser::TypeOfName(String& Name) {
  auto lookup = [&Name](TzsXMLItem* types) {
    if (!types) return false;
    const Integer i = types->Find(Name);
    if (i < 0) return false;
    Name = Attr(types->GetItem(i), u"type");
    return true;
  };
  TzsXMLItem* local = nullptr;
  if (FProgRoot) {
    const Integer i = FProgRoot->Find(u"types");
    if (i >= 0) local = FProgRoot->GetItem(i);
  }
  if (!lookup(local)) lookup(FGrammar->Types);
  const TzsVarType t = StrToVarType(Name, FProgram);
  if (t == zvtClass) FindClassOrFail(Name);
  return t;
}

void TzsILParser::BuildProgram(TzsXMLItem* xi, TzsScript* Prog) {
  TzsXMLItem* saved = FProgRoot;
  FProgRoot = xi;
  DeclareRoutines(xi, Prog);
  BuildStatements(xi, Prog, Prog->GetStatement());
  FProgRoot = saved;
}

void TzsILParser::DeclareRoutines(TzsXMLItem* xi, TzsScript* Prog) {
  for (Integer i = 0; i < xi->GetCount(); ++i) {
    TzsXMLItem* c = xi->GetItem(i);
    if (Named(c, u"compoundstmt")) {
      DeclareRoutines(c, Prog);
    } else if (Named(c, u"procedure")) {
      if (c->GetCount() == 0) throw Exception(u"Identifier expected");
      NoteErrorPos(c->GetItem(0));
      const String name = TextOf(c->GetItem(0));
      CheckNotDeclared(Prog, name);
      auto* r = new TzsProcVariable(name, zvtInt64, String(), Prog, false);
      r->FSourcePos = Attr(c, u"pos");
      Prog->Add(name, r);
      for (Integer k = 0; k < c->GetCount(); ++k)
        if (Named(c->GetItem(k), u"parameters")) DeclareParameters(c->GetItem(k), r);
    } else if (Named(c, u"function")) {
      String name, typeName;
      TzsVarType type = zvtVariant;
      for (Integer k = 0; k < c->GetCount(); ++k) {
        TzsXMLItem* ck = c->GetItem(k);
        NoteErrorPos(ck);
        if (Named(ck, u"type")) {
          typeName = TextOf(ck);
          String resolved = typeName;
          type = TypeOfName(resolved);
        } else if (Named(ck, u"name")) {
          name = TextOf(ck);
          CheckNotDeclared(Prog, name);
        }
      }
      auto* r = new TzsProcVariable(name, type, typeName, Prog, !SameText(typeName, u"void"));
      r->FSourcePos = Attr(c, u"pos");
      Prog->Add(name, r);
      for (Integer k = 0; k < c->GetCount(); ++k)
        if (Named(c->GetItem(k), u"parameters")) DeclareParameters(c->GetItem(k), r);
    }
  }
}

void TzsILParser::DeclareParameters(TzsXMLItem* xi, TzsProcVariable* R) {
  bool byRef = false;
  for (Integer i = 0; i < xi->GetCount(); ++i) {
    TzsXMLItem* group = xi->GetItem(i);
    if (Named(group, u"varparams")) {
      byRef = true;
      continue;
    }
    if (!Named(group, u"var")) continue;
    bool itemByRef = false;
    for (Integer k = 0; k < group->GetCount(); ++k) {
      TzsXMLItem* c = group->GetItem(k);
      NoteErrorPos(c);
      if (Named(c, u"varparam")) {
        itemByRef = true;
      } else if (Named(c, u"ident")) {
        const String name = TextOf(c);
        CheckNotDeclared(R->FProgram, name);
        auto* p =
            static_cast<TzsParamItem*>(CreateVariableItem(group, R->FProgram, name, nullptr, true, byRef || itemByRef));
        p->FDefValue = p->FValue;
        R->Add(p);
        R->FProgram->Add(name, p);
        itemByRef = false;
      }
    }
    byRef = false;
  }
}

void TzsILParser::BuildStatements(TzsXMLItem* xi, TzsScript* Prog, TzsStatement* List) {
  for (Integer i = 0; i < xi->GetCount(); ++i) BuildStatement(xi->GetItem(i), Prog, List);
}

void TzsILParser::BuildStatement(TzsXMLItem* xi, TzsScript* Prog, TzsStatement* List) {
  if (ZsStackNearlyFull()) throw Exception(u"Too many nested levels");
  using TBuilder = void (TzsILParser::*)(TzsXMLItem*, TzsScript*, TzsStatement*);
  static const std::unordered_map<String, TBuilder> factory = {
      {u"assignstmt", &TzsILParser::BuildAssign},
      {u"break", &TzsILParser::BuildFlow},
      {u"callstmt", &TzsILParser::BuildCall},
      {u"casestmt", &TzsILParser::BuildCase},
      {u"compoundstmt", &TzsILParser::BuildCompound},
      {u"const", &TzsILParser::BuildConst},
      {u"continue", &TzsILParser::BuildFlow},
      {u"delete", &TzsILParser::BuildDelete},
      {u"exit", &TzsILParser::BuildFlow},
      {u"forstmt", &TzsILParser::BuildFor},
      {u"function", &TzsILParser::BuildRoutine},
      {u"ifstmt", &TzsILParser::BuildIf},
      {u"procedure", &TzsILParser::BuildRoutine},
      {u"repeatstmt", &TzsILParser::BuildRepeat},
      {u"return", &TzsILParser::BuildReturn},
      {u"trystmt", &TzsILParser::BuildTry},
      {u"var", &TzsILParser::BuildVar},
      {u"whilestmt", &TzsILParser::BuildWhile},
      {u"with", &TzsILParser::BuildWith},
  };
  auto it = factory.find(xi->GetNameInLowerCase());
  if (it != factory.end()) (this->*(it->second))(xi, Prog, List);
}

namespace {

// A variant array of Variant elements with the given bounds; nested for several dimensions.
Variant MakeArray(const std::vector<std::pair<Integer, Integer>>& Bounds, size_t Level) {
  const auto [low, high] = Bounds[Level];
  Variant a = VarArrayCreate({low, high}, varVariant);
  if (Level + 1 < Bounds.size())
    for (Integer i = low; i <= high; ++i) a.SetElement(i, MakeArray(Bounds, Level + 1));
  return a;
}

}  // namespace

TzsCustomVariable* TzsILParser::CreateVariableItem(TzsXMLItem* xi, TzsScript* Prog, const String& Name,
                                                   TzsStatement* List, bool IsParam, bool ByRef) {
  const String pos = FErrorPos;
  String typeName = u"Variant";
  bool typeAfterNames = true;
  for (Integer i = 0; i < xi->GetCount(); ++i)
    if (Named(xi->GetItem(i), u"type")) {
      typeAfterNames = i != 0;
      typeName = TextOf(xi->GetItem(i));
      NoteErrorPos(xi->GetItem(i));
      break;
    }
  String resolved = typeName;
  TzsVarType type = TypeOfName(resolved);
  Variant def;
  switch (type) {
    case zvtInt:
    case zvtFloat:
    case zvtClass:
    case zvtInt64:
      def = Variant(0);
      break;
    case zvtBool:
      def = Variant(false);
      break;
    case zvtChar:
    case zvtString:
      def = Variant(String());
      break;
    default:
      def = Null();
  }
  TzsArrayHelper* arrayHelper = nullptr;
  TzsXMLItem* init = nullptr;
  Integer nameIndex = -1;
  for (Integer i = 0; i < xi->GetCount(); ++i)
    if (SameText(TextOf(xi->GetItem(i)), Name)) {
      nameIndex = i;
      break;
    }
  if (nameIndex >= 0) {
    for (Integer i = nameIndex + 1; i < xi->GetCount(); ++i) {
      TzsXMLItem* c = xi->GetItem(i);
      if (!typeAfterNames && Named(c, u"ident")) break;
      if (Named(c, u"array")) {
        std::vector<std::pair<Integer, Integer>> bounds;
        for (Integer d = 0; d < c->GetCount(); ++d) {
          TzsXMLItem* dim = c->GetItem(d);
          if (dim->GetCount() == 0) continue;
          std::unique_ptr<TzsExpression> lowExpr(BuildExpression(dim->GetItem(0), Prog));
          Integer low = lowExpr->GetValue().AsInteger(), high;
          if (dim->GetCount() >= 2) {
            std::unique_ptr<TzsExpression> highExpr(BuildExpression(dim->GetItem(1), Prog));
            high = highExpr->GetValue().AsInteger();
          } else {
            high = low - 1;
            low = 0;
          }
          bounds.emplace_back(low, high);
        }
        if (bounds.empty()) bounds.emplace_back(0, 0);
        for (auto& b : bounds)
          if (b.second < b.first - 1 || Int64(b.second) - b.first >= 16 * 1024 * 1024)
            throw Exception(u"Invalid array bounds");
        def = MakeArray(bounds, 0);
        arrayHelper = new TzsArrayHelper(String(), static_cast<Integer>(bounds.size()), type, resolved);
        Prog->Add(String(), arrayHelper);
        type = zvtArray;
      } else if (Named(c, u"init")) {
        init = c;
        if (!List && c->GetCount() > 0) {
          std::unique_ptr<TzsExpression> e(BuildExpression(c->GetItem(0), Prog));
          def = e->GetValue();
          TzsCustomVariable temp(String(), type, typeName);
          CheckTypes(&temp, e.get());
        }
      }
    }
  }
  TzsCustomVariable* item;
  if (IsParam)
    item = new TzsParamItem(Name, type, typeName, init != nullptr, ByRef);
  else if (type == zvtChar || type == zvtString)
    item = new TzsStringVariable(Name, type, typeName);
  else
    item = new TzsVariable(Name, type, typeName);
  item->SetValue(def);
  item->FRefItem = arrayHelper;
  item->FSourcePos = pos;
  if (init && List && init->GetCount() > 0) {
    std::unique_ptr<TzsCustomVariable> guard(item);
    auto* stmt = new TzsAssignmentStmt(Prog, Attr(xi, u"pos"));
    stmt->FInitializer = true;
    List->Add(stmt);
    auto* d = new TzsVariableDesignator(Prog);
    d->FRefItem = item;
    d->FTyp = item->FTyp;
    d->FTypeName = item->FTypeName;
    stmt->FDesignator = d;
    stmt->FExpression = BuildExpression(init->GetItem(0), Prog);
    CheckTypes(item, stmt->FExpression);
    stmt->Optimize();
    guard.release();
  }
  return item;
}

void TzsILParser::BuildVar(TzsXMLItem* xi, TzsScript* Prog, TzsStatement* List) {
  for (Integer i = 0; i < xi->GetCount(); ++i) {
    TzsXMLItem* c = xi->GetItem(i);
    NoteErrorPos(c);
    if (!Named(c, u"ident")) continue;
    const String name = TextOf(c);
    CheckNotDeclared(Prog, name);
    TzsCustomVariable* item = CreateVariableItem(xi, Prog, name, List, false, false);
    Prog->Add(name, item);
  }
}

void TzsILParser::BuildConst(TzsXMLItem* xi, TzsScript* Prog, TzsStatement*) {
  if (xi->GetCount() < 2) throw Exception(u"Expression expected");
  const String name = TextOf(xi->GetItem(0));
  NoteErrorPos(xi->GetItem(0));
  CheckNotDeclared(Prog, name);
  std::unique_ptr<TzsExpression> e(BuildExpression(xi->GetItem(1), Prog));
  auto* v = new TzsVariable(name, e->FTyp, e->FTypeName);
  if (v->FTyp == zvtString || v->FTyp == zvtChar) {
    delete v;
    v = new TzsStringVariable(name, e->FTyp, e->FTypeName);
  }
  std::unique_ptr<TzsVariable> guard(v);
  v->SetValue(e->GetValue());
  v->FIsReadOnly = true;
  Prog->Add(name, guard.release());
}

void TzsILParser::BuildAssign(TzsXMLItem* xi, TzsScript* Prog, TzsStatement* List) {
  if (xi->GetCount() < 2) throw Exception(u"Expression expected");
  String modificator = u" ";
  std::unique_ptr<TzsDesignator> d(DoDesignator(xi->GetItem(0), Prog, emNone));
  Integer k = 1;
  if (xi->GetCount() > 2 && Named(xi->GetItem(1), u"modificator")) {
    modificator = TextOf(xi->GetItem(1));
    k = 2;
  }
  std::unique_ptr<TzsExpression> e(BuildExpression(xi->GetItem(k), Prog));
  if (d->FIsReadOnly) throw Exception(u"Left side cannot be assigned to");
  CheckTypes(d.get(), e.get());
  if (modificator == u" ") modificator = e->Optimize(d.get());
  const Char op = modificator.empty() ? u' ' : modificator[0];
  TzsAssignmentStmt* stmt = op == u'+' || op == u'-' || op == u'*' || op == u'/'
                                ? new TzsAssignOpStmt(Prog, Attr(xi, u"pos"), op)
                                : new TzsAssignmentStmt(Prog, Attr(xi, u"pos"));
  List->Add(stmt);
  stmt->FDesignator = d.release();
  stmt->FExpression = e.release();
  stmt->Optimize();
}

void TzsILParser::BuildCall(TzsXMLItem* xi, TzsScript* Prog, TzsStatement* List) {
  if (xi->GetCount() < 1) throw Exception(u"Statement expected");
  auto* stmt = new TzsCallStmt(Prog, Attr(xi, u"pos"));
  List->Add(stmt);
  stmt->FDesignator = DoDesignator(xi->GetItem(0), Prog, emNone);
  if (xi->GetCount() > 1) {
    stmt->FModificator = TextOf(xi->GetItem(1));
    if (stmt->FDesignator->FIsReadOnly) throw Exception(u"Left side cannot be assigned to");
  }
}

void TzsILParser::BuildDelete(TzsXMLItem* xi, TzsScript* Prog, TzsStatement* List) {
  if (xi->GetCount() < 1) throw Exception(u"Statement expected");
  auto* stmt = new TzsCallStmt(Prog, Attr(xi, u"pos"));
  List->Add(stmt);
  stmt->FDesignator = DoDesignator(xi->GetItem(0), Prog, emFree);
}

void TzsILParser::BuildIf(TzsXMLItem* xi, TzsScript* Prog, TzsStatement* List) {
  if (xi->GetCount() < 1) throw Exception(u"Expression expected");
  auto* stmt = new TzsIfStmt(Prog, Attr(xi, u"pos"));
  List->Add(stmt);
  stmt->FCondition = BuildExpression(xi->GetItem(0), Prog);
  for (Integer i = 1; i < xi->GetCount(); ++i) {
    TzsXMLItem* c = xi->GetItem(i);
    if (Named(c, u"thenstmt"))
      BuildStatements(c, Prog, stmt);
    else if (Named(c, u"elsestmt"))
      BuildStatements(c, Prog, stmt->FElseStmt);
  }
}

void TzsILParser::BuildCase(TzsXMLItem* xi, TzsScript* Prog, TzsStatement* List) {
  if (xi->GetCount() < 1) throw Exception(u"Expression expected");
  auto* stmt = new TzsCaseStmt(Prog, Attr(xi, u"pos"));
  List->Add(stmt);
  stmt->FCondition = BuildExpression(xi->GetItem(0), Prog);
  for (Integer i = 1; i < xi->GetCount(); ++i) {
    TzsXMLItem* c = xi->GetItem(i);
    if (Named(c, u"caseselector")) {
      if (c->GetCount() != 2) continue;
      auto* sel = new TzsCaseSelector(Prog, Attr(c, u"pos"));
      stmt->Add(sel);
      sel->FSetExpression = BuildSet(c->GetItem(0), Prog);
      BuildStatement(c->GetItem(1), Prog, sel);
    } else if (i == xi->GetCount() - 1) {
      BuildStatement(c, Prog, stmt->FElseStmt);
    }
  }
}

void TzsILParser::BuildRepeat(TzsXMLItem* xi, TzsScript* Prog, TzsStatement* List) {
  if (xi->GetCount() < 1) throw Exception(u"Expression expected");
  auto* stmt = new TzsRepeatStmt(Prog, Attr(xi, u"pos"));
  List->Add(stmt);
  Integer c = xi->GetCount() - 1;
  if (Named(xi->GetItem(c), u"inverse")) {
    stmt->FInverseCondition = true;
    --c;
    if (c < 0) throw Exception(u"Expression expected");
  }
  stmt->FCondition = BuildExpression(xi->GetItem(c), Prog);
  for (Integer i = 0; i < c; ++i) BuildStatement(xi->GetItem(i), Prog, stmt);
}

void TzsILParser::BuildWhile(TzsXMLItem* xi, TzsScript* Prog, TzsStatement* List) {
  if (xi->GetCount() < 1) throw Exception(u"Expression expected");
  auto* stmt = new TzsWhileStmt(Prog, Attr(xi, u"pos"));
  List->Add(stmt);
  stmt->FCondition = BuildExpression(xi->GetItem(0), Prog);
  if (xi->GetCount() > 1) BuildStatement(xi->GetItem(1), Prog, stmt);
}

void TzsILParser::BuildFor(TzsXMLItem* xi, TzsScript* Prog, TzsStatement* List) {
  if (xi->GetCount() < 3) throw Exception(u"Expression expected");
  auto* stmt = new TzsForStmt(Prog, Attr(xi, u"pos"));
  List->Add(stmt);
  NoteErrorPos(xi->GetItem(0));
  TzsCustomVariable* v = FindIdentifier(Prog, TextOf(xi->GetItem(0)));
  if (!dynamic_cast<TzsVariable*>(v) ||
      !(v->FTyp == zvtInt || v->FTyp == zvtFloat || v->FTyp == zvtVariant || v->FTyp == zvtInt64))
    throw Exception(u"For loop variable must be numeric variable");
  stmt->FVariable = v;
  stmt->FBeginValue = BuildExpression(xi->GetItem(1), Prog);
  CheckTypes(v, stmt->FBeginValue);
  Integer k = 2;
  if (Named(xi->GetItem(2), u"downto")) {
    stmt->FDown = true;
    k = 3;
  }
  if (k >= xi->GetCount()) throw Exception(u"Expression expected");
  stmt->FEndValue = BuildExpression(xi->GetItem(k), Prog);
  CheckTypes(v, stmt->FEndValue);
  if (k + 1 < xi->GetCount()) BuildStatement(xi->GetItem(k + 1), Prog, stmt);
}

void TzsILParser::BuildTry(TzsXMLItem* xi, TzsScript* Prog, TzsStatement* List) {
  auto* stmt = new TzsTryStmt(Prog, Attr(xi, u"pos"));
  List->Add(stmt);
  for (Integer i = 0; i < xi->GetCount(); ++i) {
    TzsXMLItem* c = xi->GetItem(i);
    if (Named(c, u"exceptstmt")) {
      stmt->FIsExcept = true;
      BuildStatements(c, Prog, stmt->FExceptStmt);
    } else if (Named(c, u"finallystmt")) {
      BuildStatements(c, Prog, stmt->FExceptStmt);
    } else {
      BuildStatement(c, Prog, stmt);
    }
  }
}

void TzsILParser::BuildFlow(TzsXMLItem* xi, TzsScript* Prog, TzsStatement* List) {
  const String pos = Attr(xi, u"pos");
  const String& name = xi->GetNameInLowerCase();
  if (name == u"break")
    List->Add(new TzsBreakStmt(Prog, pos));
  else if (name == u"continue")
    List->Add(new TzsContinueStmt(Prog, pos));
  else
    List->Add(new TzsExitStmt(Prog, pos));
}

void TzsILParser::BuildReturn(TzsXMLItem* xi, TzsScript* Prog, TzsStatement* List) {
  if (xi->GetCount() == 1) {
    TzsXMLItem* d = new TzsXMLItem;
    d->SetName(u"dsgn");
    TzsXMLItem* n = d->Add();
    n->SetName(u"node");
    n->SetText(u"text=\"Result\" pos=\"" + Attr(xi->GetItem(0), u"pos") + u"\"");
    xi->InsertItem(0, d);
    BuildAssign(xi, Prog, List);
  }
  List->Add(new TzsExitStmt(Prog, Attr(xi, u"pos")));
}

void TzsILParser::BuildWith(TzsXMLItem* xi, TzsScript* Prog, TzsStatement* List) {
  const Integer n = xi->GetCount();
  if (n == 0) return;
  Integer processed = 0;
  for (Integer i = 0; i < n - 1; ++i) {
    std::unique_ptr<TzsDesignator> d(DoDesignator(xi->GetItem(i), Prog, emNone));
    if (d->FTyp != zvtClass && d->FTyp != zvtVariant) throw Exception(u"Class type required");
    String name;
    for (Integer k = 0;; ++k) {
      name = u"_WithList_" + IntToStr(k);
      bool taken = Prog->FindLocal(name) != nullptr;
      for (auto& w : FWithList) taken = taken || SameText(w.first, name);
      if (!taken) break;
    }
    auto* v = new TzsVariable(name, d->FTyp, d->FTypeName);
    Prog->Add(name, v);
    auto* stmt = new TzsWithStmt(Prog, Attr(xi, u"pos"));
    stmt->FVariable = v;
    stmt->FDesignator = d.release();
    List->Add(stmt);
    FWithList.emplace_back(name, stmt);
    ++processed;
  }
  try {
    BuildStatement(xi->GetItem(n - 1), Prog, List);
  } catch (...) {
    FWithList.resize(FWithList.size() - static_cast<size_t>(processed));
    throw;
  }
  FWithList.resize(FWithList.size() - static_cast<size_t>(processed));
}

void TzsILParser::BuildRoutine(TzsXMLItem* xi, TzsScript* Prog, TzsStatement*) {
  String name;
  if (Named(xi, u"procedure")) {
    if (xi->GetCount() > 0) name = TextOf(xi->GetItem(0));
  } else {
    for (Integer i = 0; i < xi->GetCount(); ++i)
      if (Named(xi->GetItem(i), u"name")) name = TextOf(xi->GetItem(i));
  }
  auto* r = dynamic_cast<TzsProcVariable*>(FindIdentifier(Prog, name));
  if (!r) throw Exception(u"Undeclared identifier: '" + name + u"'");
  BuildProgram(xi, r->FProgram);
}

void TzsILParser::BuildCompound(TzsXMLItem* xi, TzsScript* Prog, TzsStatement* List) {
  BuildStatements(xi, Prog, List);
}

// --- expressions, sets and designators

TzsSetExpression* TzsILParser::BuildSet(TzsXMLItem* X, TzsScript* Prog) {
  auto set = std::make_unique<TzsSetExpression>();
  for (Integer i = 0; i < X->GetCount(); ++i) {
    TzsXMLItem* c = X->GetItem(i);
    if (Named(c, u"expr"))
      set->Add(BuildExpression(c, Prog));
    else if (Named(c, u"range"))
      set->Add(nullptr);
  }
  return set.release();
}

void TzsILParser::AddChildren(TzsXMLItem* X, TzsExpression* E, TzsScript* Prog) {
  const Integer n = X->GetCount();
  for (Integer i = 0; i < n; ++i) {
    TzsXMLItem* c = X->GetItem(i);
    NoteErrorPos(c);
    E->FSourcePos = FErrorPos;
    const String& name = c->GetNameInLowerCase();
    if (name == u"op") {
      const String t = TextOf(c);
      if (t != u")" && i == n - 1) continue;
      E->AddOperator(LowerCase(t));
    } else if (name == u"number" || name == u"string") {
      E->AddConst(ParseConstValue(TextOf(c)));
    } else if (name == u"dsgn") {
      std::unique_ptr<TzsDesignator> d(DoDesignator(c, Prog, emNone));
      E->AddDesignator(d.get());
      d.release();
    } else if (name == u"set") {
      std::unique_ptr<TzsSetExpression> s(BuildSet(c, Prog));
      E->AddSet(s.get());
      s.release();
    } else if (name == u"new") {
      if (c->GetCount() == 0) continue;
      std::unique_ptr<TzsDesignator> d(DoDesignator(c->GetItem(0), Prog, emCreate));
      E->AddDesignator(d.get());
      d.release();
    } else if (name == u"expr") {
      AddChildren(c, E, Prog);
    }
  }
}

TzsExpression* TzsILParser::BuildExpression(TzsXMLItem* X, TzsScript* Prog) {
  if (ZsStackNearlyFull()) throw Exception(u"Too many nested levels");
  auto e = std::make_unique<TzsExpression>(FProgram);
  AddChildren(X, e.get(), Prog);
  const Integer p1 = FParser->GetPlainPosition(TzsParser::SourcePosToPoint(Attr(X, u"pos")));
  const Integer p2 = FParser->GetPlainPosition(TzsParser::SourcePosToPoint(Attr(X, u"pos1")));
  const String& src = FParser->GetText();
  if (p1 >= 1 && p2 >= p1 && p2 - 1 <= static_cast<Integer>(src.size()))
    e->FSource = src.substr(static_cast<size_t>(p1 - 1), static_cast<size_t>(p2 - p1));
  const String error = e->Finalize();
  if (!error.empty()) {
    FErrorPos = error == u" " ? String() : error;
    throw Exception(u"Incompatible types");
  }
  return e.release();
}

bool TzsILParser::WithLookup(TzsXMLItem* xi, TzsScript* Prog, TzsDesignator* D, TzsDesignatorItem* I, const String& t) {
  for (auto it = FWithList.rbegin(); it != FWithList.rend(); ++it) {
    if (!Prog->FindLocal(it->first)) continue;
    auto* w = static_cast<TzsWithStmt*>(it->second);
    TzsCustomVariable* v = w->FVariable;
    if (v->FTyp == zvtVariant) {
      if (Prog->Find(t)) return false;
      I->FRef = v;
      D->Finalize();
      auto* copy = new TzsXMLItem;
      copy->Assign(xi);
      auto* first = new TzsXMLItem;
      first->SetName(u"node");
      first->SetText(u"text=\"" + it->first + u"\"");
      copy->InsertItem(0, first);
      D->FLateBindingXmlSource = copy;
      return true;
    }
    TzsClassVariable* k = FindClassOrFail(v->FTypeName);
    if (TzsCustomHelper* m = k->Find(t)) {
      I->FRef = m;
      auto* before = new TzsDesignatorItem;
      before->FRef = v;
      before->FSourcePos = I->FSourcePos;
      D->FItems.insert(D->FItems.end() - 1, before);
      return true;
    }
  }
  return false;
}

TzsDesignator* TzsILParser::DoDesignator(TzsXMLItem* xi, TzsScript* Prog, TzsEmitOp EmitOp) {
  auto d = std::make_unique<TzsDesignator>(Prog);
  for (Integer ci = 0; ci < xi->GetCount(); ++ci) {
    TzsXMLItem* c = xi->GetItem(ci);
    NoteErrorPos(c);
    const String t = TextOf(c);
    const String& name = c->GetNameInLowerCase();
    if (name == u"node") {
      auto* item = new TzsDesignatorItem;
      item->FSourcePos = FErrorPos;
      d->Add(item);
      if (d->Count() == 1) {
        const bool resolved = WithLookup(xi, Prog, d.get(), item, t);
        if (d->FLateBindingXmlSource) return d.release();
        if (!resolved) item->FRef = FindIdentifier(Prog, t);
        if (EmitOp == emCreate) {
          auto* cls = dynamic_cast<TzsClassVariable*>(item->FRef);
          if (!cls) throw Exception(u"Class type required");
          auto* create = new TzsDesignatorItem;
          create->FRef = cls->Find(u"Create");
          create->FSourcePos = FErrorPos;
          if (!create->FRef) {
            delete create;
            throw Exception(u"Class %s has no constructor", {cls->FName});
          }
          d->Add(create);
        }
        continue;
      }
      TzsDesignatorItem* p = d->GetItem(d->Count() - 2);
      TzsCustomVariable* r = p->FRef;
      const bool indexed = dynamic_cast<TzsIndexedMethodHelper*>(r) && !p->FFlag;
      TzsVarType typ = r->FTyp;
      String typeName = r->FTypeName;
      if (typ == zvtVariant && !indexed) {
        const Variant v = r->FValue;
        if (v.IsNull() || v.IsEmpty() || dynamic_cast<TzsDesignator*>(r) || dynamic_cast<TzsProcVariable*>(r) ||
            dynamic_cast<TzsCustomHelper*>(r)) {
          // Resolved when first evaluated, against the value the chain then holds.
          d->Remove(item);
          delete item;
          d->Finalize();
          auto* copy = new TzsXMLItem;
          copy->Assign(xi);
          d->FLateBindingXmlSource = copy;
          return d.release();
        }
        if (VarIsStr(v)) {
          typ = zvtString;
        } else if (v.IsArray()) {
          if (t != u"[") throw Exception(u"Index required");
          item->FRef = FindIdentifier(Prog, u"__ArrayHelper");
          continue;
        } else {
          typ = zvtClass;
          TObject* obj = TzsObjectHandles::ObjectOf(v);
          if (!obj) throw Exception(u"Invalid object reference");
          // The nearest class the program knows stands for the object's own class.
          typeName = obj->ClassName();
          for (TClass k = obj->ClassType(); k; k = k->ClassParent())
            if (FProgram->FindClass(k->ClassName())) {
              typeName = k->ClassName();
              break;
            }
        }
      }
      if (!indexed) {
        if (typ == zvtString || typ == zvtChar) {
          if (t != u"[") throw Exception(u"Strings doesn't have properties or methods");
          item->FRef = FindIdentifier(Prog, u"__StringHelper");
        } else if (typ == zvtClass) {
          TzsClassVariable* k = FindClassOrFail(typeName);
          if (t == u"[") {
            item->FFlag = true;
            item->FRef = k->FDefProperty;
            if (!item->FRef) throw Exception(u"Class %s does not have a default property", {typeName});
          } else {
            item->FRef = k->Find(t);
            if (!item->FRef) {
              TObject* obj = VarIsOrdinal(r->FValue) ? TzsObjectHandles::ObjectOf(r->FValue) : nullptr;
              auto* owner = dynamic_cast<TComponent*>(obj);
              TComponent* owned = owner ? owner->FindComponent(t) : nullptr;
              if (owned) {
                auto* value = new TzsVariable(String(), zvtClass, owned->ClassName());
                value->FValue = Variant(static_cast<long long>(TzsObjectHandles::HandleOf(owned)));
                value->FIsReadOnly = true;
                FProgram->Add(String(), value);
                item->FRef = value;
              } else {
                throw Exception(u"Undeclared identifier: '" + t + u"'");
              }
            }
          }
        } else if (typ == zvtArray) {
          item->FRef = r->FRefItem;
          if (!item->FRef) throw Exception(u"Array type required");
        } else {
          throw Exception(u"Array type required");
        }
      } else {
        p->FFlag = true;
        d->Remove(item);
        delete item;
        FErrorPos = p->FSourcePos;
        if (t != u"[") throw Exception(u"Index required");
      }
    } else if (name == u"expr") {
      if (d->Count() == 0) throw Exception(u"Identifier expected");
      TzsDesignatorItem* last = d->GetItem(d->Count() - 1);
      last->Add(BuildExpression(c, Prog));
    } else if (name == u"addr") {
      if (xi->GetCount() != 2) throw Exception(u"Variable required");
      auto* item = new TzsDesignatorItem;
      d->Add(item);
      NoteErrorPos(xi->GetItem(1));
      item->FSourcePos = FErrorPos;
      auto* s = new TzsStringVariable(String(), zvtString, String());
      s->FStr = TextOf(xi->GetItem(1));
      s->FIsReadOnly = true;
      Prog->Add(String(), s);
      item->FRef = s;
      break;
    }
  }
  if (d->Count() == 0) throw Exception(u"Identifier expected");
  if (EmitOp == emFree) {
    TzsCustomVariable* last = d->GetItem(d->Count() - 1)->FRef;
    if (last->FTyp != zvtClass && last->FTyp != zvtVariant) throw Exception(u"Class type required");
    TzsClassVariable* obj = FindClassOrFail(u"TObject");
    auto* free = new TzsDesignatorItem;
    free->FRef = obj->Find(u"Free");
    d->Add(free);
    if (!free->FRef) throw Exception(u"Class type required");
  }
  d->Finalize();
  std::unique_ptr<TzsDesignator> result;
  switch (d->FKind) {
    case dkVariable:
      result = std::make_unique<TzsVariableDesignator>(Prog);
      break;
    case dkStringArray:
      result = std::make_unique<TzsStringDesignator>(Prog);
      break;
    case dkArray:
      result = std::make_unique<TzsArrayDesignator>(Prog);
      break;
    default:
      break;
  }
  if (result) {
    result->Borrow(d.get());
    d = std::move(result);
  }
  for (Integer i = 0; i < d->Count(); ++i) {
    TzsDesignatorItem* item = d->GetItem(i);
    FErrorPos = item->FSourcePos;
    TzsCustomVariable* ref = item->FRef;
    if (!ref || dynamic_cast<TzsDesignator*>(ref)) continue;
    if (item->Count() < ref->GetNumberOfRequiredParams()) throw Exception(u"Not enough actual parameters");
    if (item->Count() > ref->Count()) throw Exception(u"Too many actual parameters");
    for (Integer k = item->Count(); k < ref->Count(); ++k) {
      auto* e = new TzsExpression(FProgram);
      item->Add(e);
      e->AddConst(ref->GetParam(k)->FDefValue);
      e->Finalize();
    }
    for (Integer k = 0; k < item->Count(); ++k) {
      TzsCustomExpression* arg = item->GetItem(k);
      if (!arg->FSourcePos.empty()) FErrorPos = arg->FSourcePos;
      CheckTypes(ref->GetParam(k), arg);
    }
  }
  return d.release();
}
