#include <gtest/gtest.h>

#include <memory>

#include "zcl/base/ZCL.Utils.CommandLine.h"

namespace {

String Commands(const String& Text) {
  std::unique_ptr<TZCLCommandLineProcessor::TCommands> commands(TZCLCommandLineProcessor::Parse(Text));
  return commands->ToString();
}

TEST(CommandLineParser, ParsesIntoCommands) {
  struct Case {
    const char16_t* Text;
    const char16_t* Expected;
  } cases[] = {
      {u"", u""},
      {u"   ", u""},
      {u"/file=a;b c", u"file=<a><b> =<c>"},
      {u"-DEBUG", u"DEBUG"},
      {u"/debug=1", u"debug=<1>"},
      // The dash follows a parameter while no command exists yet: it is text.
      {u"c:\\skin.zip -debug", u"=<c:\\skin.zip -debug>"},
      // State 3 hands the text on while the command stays current; the blank stays inside.
      {u"/debug C:\\My Skins\\a.zsk", u"debug=<C:\\My Skins\\a.zsk>"},
      {u"\"  my file; /x=y  \" /q", u"=<my file; /x=y> q"},
      {u"/opt=\" a b \";c", u"opt=<a b><c>"},
      // Only ";" ends a switch's parameter; a line break outside a switch ends one.
      {u"/a /b=x\r\ny", u"a b=<x\r\ny>"},
      {u"one\rtwo", u"=<one><two>"},
      {u"/a=x-y/z", u"a=<x-y/z>"},
      {u"/ x", u"=</ x>"},
      {u"a \"b", u"=<a \"b>"},
      {u"/s=\"open", u"s=<open>"},
      {u"x C:\\a D:\\b", u"=<x><C:\\a><D:\\b>"},
  };
  for (const Case& c : cases) EXPECT_EQ(Commands(c.Text), String(c.Expected)) << StringToUTF8(c.Text);
}

TEST(CommandLineProcessor, FindCommandIgnoresCaseAndJoinsParameters) {
  String params = u"stale";
  EXPECT_TRUE(TZCLCommandLineProcessor::FindCommand(u"/file=a;b c", u"FILE", params));
  EXPECT_EQ(params, u"a;b");
  EXPECT_FALSE(TZCLCommandLineProcessor::FindCommand(u"/file=a;b c", u"c", params));
  EXPECT_EQ(params, u"");
  EXPECT_TRUE(TZCLCommandLineProcessor::FindCommand(u"/x=1 -X=2", u"x", params));
  EXPECT_EQ(params, u"1");

  for (const char16_t* line : {u"/debug", u"-DEBUG", u"/Debug=yes", u"a.zsk /dEbUg", u"/x -debug"})
    EXPECT_TRUE(TZCLCommandLineProcessor::HasCommand(line, u"DEBUG")) << StringToUTF8(line);
  for (const char16_t* line : {u"a.zsk -debug", u"debug", u"\"/debug\"", u"/debugger"})
    EXPECT_FALSE(TZCLCommandLineProcessor::HasCommand(line, u"DEBUG")) << StringToUTF8(line);
}

TEST(CommandLineProcessor, GetParamsGivesTextAfterProgramPath) {
  struct Case {
    const char16_t* Line;
    const char16_t* Expected;
  } cases[] = {
      {u"", u""},
      {u"  \t ", u""},
      {u"\"/opt/my app/zephse\"", u""},
      {u"\"/opt/my app/zephse\"   /debug a.zsk  ", u"/debug a.zsk"},
      {u"zephse \"my skin.zsk\"", u"\"my skin.zsk\""},
      {u"'/a b/zephse' x", u"x"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TZCLCommandLineProcessor::GetParams(c.Line), String(c.Expected)) << StringToUTF8(c.Line);
}

TEST(CommandLineProcessor, RebuildsCommandLineFromArguments) {
  String saved = TZCLCommandLineProcessor::GetCommandLine();
  const char* argv[] = {"/opt/my app/zephse", "/debug", "my skin.zsk", ""};
  TZCLCommandLineProcessor::SetCommandLine(4, argv);
  EXPECT_EQ(TZCLCommandLineProcessor::GetCommandLine(), u"\"/opt/my app/zephse\" /debug \"my skin.zsk\" \"\"");
  EXPECT_EQ(TZCLCommandLineProcessor::GetParams(), u"/debug \"my skin.zsk\" \"\"");
  EXPECT_TRUE(TZCLCommandLineProcessor::HasCommand(TZCLCommandLineProcessor::GetParams(), u"debug"));
  std::unique_ptr<TZCLCommandLineProcessor::TCommands> commands(
      TZCLCommandLineProcessor::Parse(TZCLCommandLineProcessor::GetParams()));
  EXPECT_EQ(commands->ToString(), u"debug=<my skin.zsk>");
  // Put the original line back for the rest of the program.
  TZCLCommandLineProcessor::SetCommandLine(0, nullptr);
  if (!saved.empty()) {
    std::string utf8 = StringToUTF8(saved);
    const char* one[] = {utf8.c_str()};
    TZCLCommandLineProcessor::SetCommandLine(1, one);
  }
}

}  // namespace
