#pragma once
// The compiler: the grammar-driven parser that turns script source into the XML program, and the
// builder that turns the XML program into the program objects. The language is not written into
// the parser: it is the grammar resource "SKINSCRIPT", interpreted by a backtracking matcher.

#include <memory>
#include <vector>

#include "zse/script/ZSE.Script.Program.h"

class TzsXMLDocument;
class TzsXMLItem;
class TzsParser;
class TzsDesignator;
class TzsDesignatorItem;
class TzsExpression;
class TzsSetExpression;
class TzsStatement;
struct TzsGrammar;
struct TzsGrammarNode;

enum TzsEmitOp : Byte { emNone, emCreate, emFree };

// The process-wide grammar document, loaded from the resource on first use.
class TzsGramma {
 public:
  TzsGramma() = delete;
  static TzsXMLDocument* Pascal();
  static void Finalize();
};

// Deepest recursion of the grammar matcher; deeper source fails to compile cleanly.
constexpr Integer ZsMaxParseDepth = 4000;

class TzsILParser {
 public:
  explicit TzsILParser(TzsScript* AProgram);
  ~TzsILParser();
  TzsILParser(const TzsILParser&) = delete;
  TzsILParser& operator=(const TzsILParser&) = delete;

  void SelectLanguage(TzsXMLDocument* AGrammar);
  // Source to XML program; raises EZScriptCompileError on a syntax error.
  void MakeILScript(const String& Text);
  // XML program to program objects; raises EZScriptCompileError.
  void ParseILScript();
  TzsXMLDocument* GetILScript() const { return FILScript; }
  // The XML program, now owned by the caller.
  TzsXMLDocument* TakeILScript();

  TzsDesignator* DoDesignator(TzsXMLItem* xi, TzsScript* Prog, TzsEmitOp EmitOp);
  TzsExpression* BuildExpression(TzsXMLItem* X, TzsScript* Prog);
  TzsSetExpression* BuildSet(TzsXMLItem* X, TzsScript* Prog);

 private:
  // Matching.
  bool Match(const TzsGrammarNode& E);
  bool MatchLoop(const TzsGrammarNode& E, Integer StartPos);
  void RecordSyntaxError(const TzsGrammarNode& E, Integer StartPos);
  void EmitNode(const TzsGrammarNode& E, bool Success, Integer StartPos, size_t StartLines);
  String PosText() const;

  // Building.
  void BuildProgram(TzsXMLItem* xi, TzsScript* Prog);
  void DeclareRoutines(TzsXMLItem* xi, TzsScript* Prog);
  void DeclareParameters(TzsXMLItem* xi, TzsProcVariable* R);
  void BuildStatements(TzsXMLItem* xi, TzsScript* Prog, TzsStatement* List);
  void BuildStatement(TzsXMLItem* xi, TzsScript* Prog, TzsStatement* List);
  TzsCustomVariable* CreateVariableItem(TzsXMLItem* xi, TzsScript* Prog, const String& Name, TzsStatement* List,
                                        bool IsParam, bool ByRef);
  TzsCustomVariable* FindIdentifier(TzsScript* Prog, const String& Name);
  void CheckNotDeclared(TzsScript* Prog, const String& Name);
  TzsClassVariable* FindClassOrFail(const String& Name);
  void CheckTypes(TzsCustomVariable* Item, TzsCustomVariable* Expression);
  TzsVarType TypeOfName(String& Name);
  void NoteErrorPos(TzsXMLItem* xi);
  void AddChildren(TzsXMLItem* X, TzsExpression* E, TzsScript* Prog);
  bool WithLookup(TzsXMLItem* xi, TzsScript* Prog, TzsDesignator* D, TzsDesignatorItem* I, const String& t);

  void BuildVar(TzsXMLItem* xi, TzsScript* Prog, TzsStatement* List);
  void BuildConst(TzsXMLItem* xi, TzsScript* Prog, TzsStatement* List);
  void BuildAssign(TzsXMLItem* xi, TzsScript* Prog, TzsStatement* List);
  void BuildCall(TzsXMLItem* xi, TzsScript* Prog, TzsStatement* List);
  void BuildDelete(TzsXMLItem* xi, TzsScript* Prog, TzsStatement* List);
  void BuildIf(TzsXMLItem* xi, TzsScript* Prog, TzsStatement* List);
  void BuildCase(TzsXMLItem* xi, TzsScript* Prog, TzsStatement* List);
  void BuildRepeat(TzsXMLItem* xi, TzsScript* Prog, TzsStatement* List);
  void BuildWhile(TzsXMLItem* xi, TzsScript* Prog, TzsStatement* List);
  void BuildFor(TzsXMLItem* xi, TzsScript* Prog, TzsStatement* List);
  void BuildTry(TzsXMLItem* xi, TzsScript* Prog, TzsStatement* List);
  void BuildFlow(TzsXMLItem* xi, TzsScript* Prog, TzsStatement* List);
  void BuildReturn(TzsXMLItem* xi, TzsScript* Prog, TzsStatement* List);
  void BuildWith(TzsXMLItem* xi, TzsScript* Prog, TzsStatement* List);
  void BuildRoutine(TzsXMLItem* xi, TzsScript* Prog, TzsStatement* List);
  void BuildCompound(TzsXMLItem* xi, TzsScript* Prog, TzsStatement* List);

  String FErrorPos;
  TzsGrammar* FGrammar = nullptr;
  TzsXMLDocument* FILScript;
  bool FNeedDeclareVars = true;
  std::unique_ptr<TzsParser> FParser;
  TzsScript* FProgram;
  TzsXMLItem* FProgRoot = nullptr;
  std::vector<std::pair<String, TzsStatement*>> FWithList;

  // State of one MakeILScript run.
  std::vector<String> FLines;
  String FErrorMessage;
  String FRunErrorPos;
  bool FTerm = false;
  Integer FDepth = 0;
};
