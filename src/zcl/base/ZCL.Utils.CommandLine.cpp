#include "zcl/base/ZCL.Utils.CommandLine.h"

#include <mutex>

#include "zcl/base/ZCL.Utils.Logger.h"
#include "zcl/base/ZCL.Utils.Strings.h"

// Linux: there is no command line as one text; SetCommandLine rebuilds it from argv (arguments
// with blanks or empty ones in double quotes) so that GetParams keeps its contract.

namespace {

struct TCommandLineStore {
  std::mutex Lock;
  String Text;
};

TCommandLineStore& Store() {
  static TCommandLineStore store;
  return store;
}

// Reads the first token and tells where the rest of the text begins.
class TParamsParser : public TZCLParser {
 public:
  TParamsParser() : TZCLParser(u" \r\n", u"\"'", StringView(u" \r\n\t\0", 5)) {
    SkipDelimiters = false;
    QuotedTextAsSingleToken = true;
  }
  Integer Remaining() const { return FScanCount; }
};

bool IsDelimiterChar(const TZCLParserToken& Token, Char C) { return Token.DataLength == 1 && Token.Data[0] == C; }

// A drive letter with its colon ("C:") or a UNC server and share ("\\server\share").
bool StartsWithDrive(StringView Text) {
  if (Text.size() >= 2 && Text[1] == u':' &&
      ((Text[0] >= u'A' && Text[0] <= u'Z') || (Text[0] >= u'a' && Text[0] <= u'z')))
    return true;
  if (Text.size() >= 5 && (Text[0] == u'\\' || Text[0] == u'/') && Text[1] == Text[0]) {
    size_t sep = Text.find_first_of(u"\\/", 2);
    return sep != StringView::npos && sep > 2 && sep + 1 < Text.size();
  }
  return false;
}

}  // namespace

// TZCLCommandLineProcessor

String TZCLCommandLineProcessor::TCommands::ToString() const {
  String result;
  for (Integer i = 0; i < GetCount(); ++i) {
    const TCommand* command = GetItem(i);
    if (i > 0) result += u' ';
    result += command->Name;
    if (command->GetCount() > 0) {
      result += u'=';
      for (Integer j = 0; j < command->GetCount(); ++j) result += u"<" + command->GetStrings(j) + u">";
    }
  }
  return result;
}

void TZCLCommandLineProcessor::SetCommandLine(int Argc, const char* const* Argv) {
  String text;
  for (int i = 0; i < Argc && Argv && Argv[i]; ++i) {
    String arg = UTF8ToString(Argv[i]);
    if (i > 0) text += u' ';
    if (arg.empty() || arg.find_first_of(u" \t\r\n") != String::npos)
      text += u'"' + arg + u'"';
    else
      text += arg;
  }
  std::lock_guard<std::mutex> guard(Store().Lock);
  Store().Text = std::move(text);
}

String TZCLCommandLineProcessor::GetCommandLine() {
  std::lock_guard<std::mutex> guard(Store().Lock);
  return Store().Text;
}

String TZCLCommandLineProcessor::GetParams() { return GetParams(GetCommandLine()); }

String TZCLCommandLineProcessor::GetParams(const String& CommandLine) {
  String line = zcTrim(CommandLine);
  TParamsParser parser;
  parser.Initialize(line);
  TZCLParserToken token;
  String result;
  if (parser.GetToken(token)) result = zcTrim(line.substr(line.size() - static_cast<size_t>(parser.Remaining())));
  LogWriteFormat(DefaultLogFile(), u"CmdLine", u"GetParams(\"%s\")->\"%s\"", {line, result});
  return result;
}

TZCLCommandLineProcessor::TCommands* TZCLCommandLineProcessor::Parse(const String& Text) {
  auto commands = std::make_unique<TCommands>();
  TZCLCommandLineParser parser;
  parser.Initialize(Text);
  parser.Parse(commands.get());
  return commands.release();
}

bool TZCLCommandLineProcessor::FindCommand(const String& CommandLine, StringView Name, String& Params) {
  Params.clear();
  std::unique_ptr<TCommands> commands(Parse(CommandLine));
  for (Integer i = 0; i < commands->GetCount(); ++i) {
    const TCommand* command = commands->GetItem(i);
    if (!zcSameText(command->Name, Name)) continue;
    for (Integer j = 0; j < command->GetCount(); ++j) {
      if (j > 0) Params += u';';
      Params += command->GetStrings(j);
    }
    return true;
  }
  return false;
}

bool TZCLCommandLineProcessor::HasCommand(const String& CommandLine, StringView Name) {
  String params;
  return FindCommand(CommandLine, Name, params);
}

// TZCLCommandLineParser

TZCLCommandLineParser::TZCLCommandLineParser()
    : TZCLParser(u"-/=; \r\n", u"\"", u" "),
      FStates{&TZCLCommandLineParser::State0, &TZCLCommandLineParser::State1, &TZCLCommandLineParser::State2,
              &TZCLCommandLineParser::State3, &TZCLCommandLineParser::State4} {
  QuotedTextAsSingleToken = true;
  QuotedTextAsSingleTokenUnquote = true;
  SkipDelimiters = false;
  SkipSpaces = false;
}

TZCLCommandLineParser::~TZCLCommandLineParser() { delete FBuffer; }

void TZCLCommandLineParser::Parse(TZCLCommandLineProcessor::TCommands* Commands) {
  FCommands = Commands;
  FCommand = nullptr;
  FPrevToken.Reset();
  delete FBuffer;
  FBuffer = new TZCLStringBuilder(16);
  FState = 1;
  TZCLParserToken token;
  while (GetToken(token)) {
    // The handler goes through a local: GCC 12 instruments `(this->*FStates[FState])(...)` under
    // -fsanitize=bounds with a wrong index and calls through garbage.
    const TStateHandler handler = FStates[FState];
    (this->*handler)(token);
    FPrevToken = token;
  }
  Flush();
  delete FBuffer;
  FBuffer = nullptr;
}

void TZCLCommandLineParser::PutParam(const String& Text) {
  String param = zcTrim(Text);
  if (param.empty() || !FCommands) return;
  LogWriteFormat(DefaultLogFile(), u"CmdLine", u"PutParam: \"%s\"", {param});
  if (!FCommand) {
    auto command = std::make_unique<TZCLCommandLineProcessor::TCommand>();
    FCommands->Add(command.get());
    FCommand = command.release();
  }
  FCommand->Add(param);
}

void TZCLCommandLineParser::Flush() {
  if (!FBuffer) return;
  String text = FBuffer->ToString();
  FBuffer->SetLength(0);
  PutParam(text);
}

void TZCLCommandLineParser::State0(const TZCLParserToken& Token) {
  switch (Token.TokenType) {
    case ttSpace:
      FState = 1;
      break;
    case ttDelimiter:
    case ttQuoteChar:
      if (IsDelimiterChar(Token, u'\r') || IsDelimiterChar(Token, u'\n'))
        Flush();
      else
        FBuffer->Append(Token.View());
      break;
    case ttQuotedText:
      Flush();
      PutParam(Token.ToString());
      break;
    default:
      if (StartsWithDrive(Token.View())) Flush();
      FBuffer->Append(Token.View());
      break;
  }
}

void TZCLCommandLineParser::State1(const TZCLParserToken& Token) {
  if (Token.TokenType == ttDelimiter &&
      (IsDelimiterChar(Token, u'/') ||
       (IsDelimiterChar(Token, u'-') && (FCommands->GetCount() > 0 || FBuffer->GetLength() == 0)))) {
    FState = 2;
    return;
  }
  FState = 0;
  FBuffer->Append(FPrevToken.View());
  State0(Token);
}

void TZCLCommandLineParser::State2(const TZCLParserToken& Token) {
  if (Token.TokenType == ttText) {
    Flush();
    auto command = std::make_unique<TZCLCommandLineProcessor::TCommand>();
    command->Name = Token.ToString();
    FCommands->Add(command.get());
    FCommand = command.release();
    FState = 3;
    return;
  }
  FState = 0;
  FBuffer->Append(u' ');
  FBuffer->Append(FPrevToken.View());
  State0(Token);
}

void TZCLCommandLineParser::State3(const TZCLParserToken& Token) {
  if (Token.View() == u"=") {
    FState = 4;
    return;
  }
  FState = 0;
  State0(Token);
}

void TZCLCommandLineParser::State4(const TZCLParserToken& Token) {
  switch (Token.TokenType) {
    case ttSpace:
      Flush();
      FState = 1;
      FCommand = nullptr;
      break;
    case ttDelimiter:
      if (IsDelimiterChar(Token, u';'))
        Flush();
      else
        FBuffer->Append(Token.View());
      break;
    case ttQuoteChar:
      break;
    default:
      State0(Token);
      break;
  }
}
