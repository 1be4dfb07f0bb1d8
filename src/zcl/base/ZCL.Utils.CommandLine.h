#pragma once
// The program's command line: the text after the program path, and switches ("/name" or "-name")
// that may take parameters after "=", separated by ";".

#include "rtl/RTL.Types.h"
#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.Parsers.h"

class TZCLStringBuilder;

class TZCLCommandLineProcessor {
 public:
  // One command; its strings are the parameters in order. Name is empty for parameters that
  // precede any switch (or follow a switch's parameter list after a blank).
  class TCommand : public TZCLStringList {
   public:
    String Name;
  };

  // The commands in the order met; owns them.
  class TCommands : public TZCLObjectListOf<TCommand> {
   public:
    // "name=<p1><p2> name2 ..."; empty for an empty list.
    String ToString() const;
  };

  TZCLCommandLineProcessor() = delete;

  // Hands the process's arguments in; main calls it first. Until then the command line is empty.
  static void SetCommandLine(int Argc, const char* const* Argv);
  // The process's full command line: argv rebuilt as one text, arguments with blanks (or empty
  // ones) in double quotes.
  static String GetCommandLine();
  // The text after the program path, trimmed.
  static String GetParams();
  static String GetParams(const String& CommandLine);
  // A new list the caller frees.
  static TCommands* Parse(const String& Text);
  // True when a command of that name (ignoring case) is in CommandLine; Params is then its
  // parameters joined with ";". The first match wins.
  static bool FindCommand(const String& CommandLine, StringView Name, String& Params);
  static bool HasCommand(const String& CommandLine, StringView Name);
};

// The state machine that turns tokens of a command line into commands.
class TZCLCommandLineParser : public TZCLParser {
  ZCL_CLASS(TZCLCommandLineParser, TZCLParser)
 public:
  TZCLCommandLineParser();
  ~TZCLCommandLineParser() override;

  // Runs over the text given with Initialize, appending to Commands.
  void Parse(TZCLCommandLineProcessor::TCommands* Commands);
  // Adds the trimmed text to the current command (a new unnamed one when none); empty is ignored.
  void PutParam(const String& Text);
  // Puts the collected parameter text through PutParam and empties it.
  void Flush();

 private:
  using TStateHandler = void (TZCLCommandLineParser::*)(const TZCLParserToken& Token);
  void State0(const TZCLParserToken& Token);
  void State1(const TZCLParserToken& Token);
  void State2(const TZCLParserToken& Token);
  void State3(const TZCLParserToken& Token);
  void State4(const TZCLParserToken& Token);

  TStateHandler FStates[5];
  TZCLCommandLineProcessor::TCommand* FCommand = nullptr;
  TZCLStringBuilder* FBuffer = nullptr;
  TZCLParserToken FPrevToken;
  Integer FState = 0;
  TZCLCommandLineProcessor::TCommands* FCommands = nullptr;
};
