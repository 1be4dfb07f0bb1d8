#include <gtest/gtest.h>

#include <map>

#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zse/engine/ZSE.Scene.h"
#include "zse/engine/ZSE.Skins.h"
#include "zse/script/ZSE.Script.Skin.h"
#include "zse/script/ZSE.Script.TestUtil.h"

namespace {

class TNode : public IZSEScriptSchemaNode {
 public:
  String GetAttribute(StringView Name) const override {
    auto it = Values.find(String(Name));
    return it == Values.end() ? String() : it->second;
  }
  void SetAttribute(StringView Name, const String& Value) override { Values[String(Name)] = Value; }
  std::map<String, String> Values;
};

class TFiles : public IZSEScriptResourceSet {
 public:
  bool IsOptimized() const override { return Optimized; }
  TStream* OpenFile(StringView Name, Integer Kind) override {
    auto it = Files.find({String(Name), Kind});
    if (it == Files.end()) return nullptr;
    auto* s = new TMemoryStream;
    s->WriteBuffer(it->second.data(), static_cast<Int64>(it->second.size()));
    s->SetPosition(0);
    return s;
  }
  void AddFile(StringView Name, Integer Kind, const std::vector<Byte>& Data) override {
    Files[{String(Name), Kind}] = Data;
  }
  void ReportProblem(const String& Message) override { Problems.push_back(Message); }
  bool Optimized = false;
  std::map<std::pair<String, Integer>, std::vector<Byte>> Files;
  std::vector<String> Problems;
};

struct ScriptSkin : ::testing::Test {
  ScriptSkin() : Owner(new TComponent(nullptr)) {
    Owner->SetName(u"Counter");
    ScriptDebugOutput = nullptr;
    ScriptSkinName = [] { return String(u"MySkin"); };
  }
  ~ScriptSkin() override {
    ScriptDebugOutput = nullptr;
    ScriptSkinName = nullptr;
    delete Owner;
  }
  TComponent* Owner;
};

TEST_F(ScriptSkin, DefaultTextIsStoredAsEmpty) {
  TZSEScript script(Owner);
  script.SetText(u"\r\n  PROCEDURE Execute(Sender: TComponent);\r\nbegin\r\n\r\nEND;  \r\n");
  EXPECT_TRUE(script.IsEmpty());
  EXPECT_EQ(script.GetText(), String());
}

TEST_F(ScriptSkin, RunsExecuteAndWritesParametersBack) {
  TZSEScript script(Owner);
  script.SetText(u"procedure Execute(var State: Integer); begin State := State * 2 + 1 end;");
  Integer state = 20;
  script.Execute(state);
  EXPECT_EQ(state, 41);
  EXPECT_EQ(script.GetState(), 2);
  script.SetText(u"procedure Execute(var State: Integer); begin State := State * 2 + 1 end;");
  EXPECT_EQ(script.GetState(), 2);  // the same text keeps the compiled program

  TZSEScript none(Owner);
  none.SetText(u"var x: Integer;");
  Integer untouched = 3;
  none.Execute(untouched);
  EXPECT_EQ(none.GetState(), 2);
  EXPECT_EQ(untouched, 3);
}

TEST_F(ScriptSkin, GlobalInitialValuesAreSet) {
  TZSEScript script(Owner);
  script.SetText(
      u"var k: Integer = 5; s: string = 'x';\nprocedure Execute(var State: Integer); begin State := k + Length(s) "
      u"end;");
  Integer state = 0;
  script.Execute(state);
  EXPECT_EQ(state, 6);
}

TEST_F(ScriptSkin, CompileFailureDisablesUntilTheTextChanges) {
  TZSEScript script(Owner);
  script.SetText(u"procedure Execute(var State: Integer); begin State := end;");
  Integer state = 1;
  script.Execute(state);
  EXPECT_EQ(script.GetState(), 1);
  EXPECT_THROW(script.Compile(), EZScriptCompileError);
  script.SetText(u"procedure Execute(var State: Integer); begin State := 7 end;");
  script.Execute(state);
  EXPECT_EQ(state, 7);
}

TEST_F(ScriptSkin, RunTimeErrorsAreRaisedOrReported) {
  TZSEScript script(Owner);
  script.SetText(u"procedure Execute(var State: Integer); begin State := 1 div State end;");
  Integer zero = 0;
  try {
    script.Execute(zero);
    FAIL() << "no error";
  } catch (const EZScriptRunTimeError& e) {
    EXPECT_EQ(Utf8(e.GetMessage()).rfind("MySkin.Counter: Error at ", 0), 0u) << Utf8(e.GetMessage());
  }
  EXPECT_EQ(script.GetState(), 1);

  std::vector<String> log;
  ScriptDebugOutput = [&log](const String& s) { log.push_back(s); };
  TZSEScript reported(Owner);
  reported.SetText(u"procedure Execute(var State: Integer); begin State := 1 div State end;");
  reported.Execute(zero);
  reported.Execute(zero);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(Utf8(log[0]).rfind("Counter: Error at ", 0), 0u);
  EXPECT_EQ(reported.GetState(), 2);
}

TEST_F(ScriptSkin, DebugOutputNamesTheScript) {
  std::vector<String> log;
  ScriptDebugOutput = [&log](const String& s) { log.push_back(s); };
  TZSEScript script(Owner);
  script.SetText(u"procedure Execute(var State: Integer); begin OutputDebugString('state ' + IntToStr(State)) end;");
  Integer state = 3;
  script.Execute(state);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(Utf8(log[0]), "Counter: state 3");
}

TEST_F(ScriptSkin, PlainObjectsAreKnownForOneRunOnly) {
  TZSEScript script(Owner);
  script.SetText(u"var keep: Variant; procedure Execute(Sender: TComponent); begin keep := Sender end;");
  TObject plain;
  script.Execute(&plain);
  EXPECT_FALSE(TzsObjectHandles::IsKnown(&plain));
  script.Execute(Owner);  // a component reports its destruction: it stays known
  EXPECT_TRUE(TzsObjectHandles::IsKnown(Owner));
}

TEST_F(ScriptSkin, MoreArgumentsThanParametersIsAnError) {
  TZSEScript script(Owner);
  script.SetText(u"procedure Execute(a: Integer); begin end;");
  std::vector<Variant> args{Variant(1), Variant(2), Variant(3)};
  EXPECT_THROW(script.Execute(args), EZScriptRunTimeError);
}

TEST_F(ScriptSkin, SavedAsTextOrAsCompiledProgram) {
  TZSEScript script(Owner);
  script.SetText(u"procedure Execute(var State: Integer); begin State := State + 100 end;");
  TNode node;
  TFiles project;
  script.Save(node, project);
  EXPECT_EQ(Utf8(node.Values[u"Compiled"]), "0");
  EXPECT_EQ(project.Files.begin()->second[0], 0xFF);

  TFiles build;
  build.Optimized = true;
  TNode built;
  script.Save(built, build);
  EXPECT_EQ(Utf8(built.Values[u"Compiled"]), "1");
  TZSEScript loaded(Owner);
  loaded.Load(built, build);
  EXPECT_EQ(loaded.GetState(), 2);
  Integer state = 1;
  loaded.Execute(state);
  EXPECT_EQ(state, 101);

  TZSEScript fromText(Owner);
  fromText.Load(node, project);
  EXPECT_EQ(fromText.GetText(), script.GetText());

  TNode missing;
  missing.Values[u"value"] = u"Nothing";
  fromText.Load(missing, project);
  EXPECT_EQ(fromText.GetText(), script.GetText());
}

TEST_F(ScriptSkin, BuildReportsAScriptThatDoesNotCompile) {
  TZSEScript script(Owner);
  script.SetText(u"procedure Execute(Sender: TComponent); begin x := end;");
  TFiles build;
  build.Optimized = true;
  TNode node;
  script.Save(node, build);
  ASSERT_EQ(build.Problems.size(), 1u);
  EXPECT_NE(Utf8(build.Problems[0]).find("Counter"), std::string::npos);
  EXPECT_EQ(Utf8(node.Values[u"Compiled"]), "0");  // the source travels with the skin
}

TEST_F(ScriptSkin, RunawayScriptIsStoppedByItsBudget) {
  const Int64 saved = ScriptRunBudgetMs;
  ScriptRunBudgetMs = 30;
  TZSEScript script(Owner);
  script.SetText(u"procedure Execute(var State: Integer); begin while True do State := State + 1 end;");
  Integer state = 0;
  EXPECT_THROW(script.Execute(state), EZScriptLimitError);
  ScriptRunBudgetMs = saved;
}

TEST(ScriptBuiltIns, Values) {
  struct Case {
    const char16_t* Expr;
    const char* Value;
  } cases[] = {
      {u"BoolToStr(True)", "-1"},
      {u"IntToStr(2147483648)", "2147483648"},
      {u"Round(2.5)", "2"},
      {u"Round(-2.5)", "-2"},
      {u"Round(3.5)", "4"},
      {u"Trunc(-2.7)", "-2"},
      {u"Int(2.7)", "2"},
      {u"Copy('abc', 0, 2)", "ab"},
      {u"Copy('abc', 5, 2)", ""},
      {u"Pos('', 'abc')", "0"},
      {u"DaysInMonth(2000, 2)", "29"},
      {u"DaysInMonth(1900, 2)", "28"},
      {u"DaysInMonth(2024, 12)", "31"},
      {u"DayOfWeek(EncodeDate(2024, 6, 2))", "1"},
      {u"ValidInt('$1F')", "True"},
      {u"ValidInt('12a')", "False"},
      {u"ExtractFilePath('a/b/c.txt')", ""},
      {u"ExtractFilePath('C:\\x\\y.txt')", "C:\\x\\"},
      {u"StringReplace('aXbxc', 'x', '-')", "a-b-c"},
      {u"VarType('s')", "258"},
      {u"VarType(Null)", "1"},
      {u"Length([1, 2, 3])", "3"},
      {u"Length(123)", "3"},
      {u"Format('%d-%s', [7, 'x'])", "7-x"},
      {u"Chr(65) + Uppercase('b')", "AB"},
      {u"Sqr(3) + Abs(-1)", "10"},
  };
  for (const Case& c : cases) {
    TScriptRun run(u"var r: Variant; begin r := " + String(c.Expr) + u" end.");
    EXPECT_EQ(run.Str(u"r"), c.Value) << Utf8(c.Expr);
  }
  EXPECT_NE(ScriptError(u"var r: Variant; begin r := Format('%d', ['x']) end."), "");
}

TEST_F(ScriptSkin, StoredInTheSkinSchemaOnlyWithContent) {
  TZSEScript script(Owner);
  TZSESchemaClassAdapterClass adapter = SchemaFindClassAdapter(&script);
  ASSERT_EQ(adapter, TZSEScriptSchemaAdapter::StaticClass());
  EXPECT_FALSE(adapter->IsStored(&script));
  script.SetText(u"procedure Execute(Sender: TComponent); begin end;");
  EXPECT_TRUE(adapter->IsStored(&script));

  TZSESkinResources* files = Create<TZSESkinResources>();
  TZSESchema schema(files);
  TZCLXMLNode node;
  adapter->Save(&script, &node, &schema, u"Counter.");
  EXPECT_EQ(node.GetAttributes()->GetValue(u"value"), u"Counter");
  EXPECT_EQ(node.GetAttributes()->GetValue(u"Compiled"), u"0");
  TZSEScript back(Owner);
  adapter->Load(&back, &node, &schema);
  EXPECT_EQ(back.GetText(), script.GetText());
  // Without a schema's skin files there is nothing to read, and nothing breaks.
  TZSESchema bare;
  TZSEScript none(Owner);
  adapter->Load(&none, &node, &bare);
  EXPECT_TRUE(none.IsEmpty());
  Free(files);
}

TEST_F(ScriptSkin, MainSceneGetsAnOnLoadedScript) {
  ASSERT_TRUE(ZSESceneScriptFactory);
  std::unique_ptr<IZSESceneScript> made(ZSESceneScriptFactory(Owner));
  auto* script = dynamic_cast<TZSEScript*>(made.get());
  ASSERT_NE(script, nullptr);
  script->SetText(u"var Seen: Variant; procedure Execute(Sender: TComponent); begin Seen := Sender end;");
  made->Execute(Owner);
  EXPECT_EQ(TzsObjectHandles::ObjectOf(script->GetProgram()->FindLocal(u"Seen")->GetValue()), Owner);
  made->Clear();
  EXPECT_EQ(script->GetState(), 0);
}

TEST_F(ScriptSkin, MainSceneStoresItsOnLoadedScript) {
  TZSESkinResources* files = Create<TZSESkinResources>();
  TZSESchema schema(files);
  TZCLXMLNode node;
  const String text = u"procedure Execute(Sender: TComponent); begin OutputDebugString('up') end;";
  {
    TZSEMainScene* scene = Create<TZSEMainScene>(static_cast<TComponent*>(nullptr));
    scene->SetName(u"Main");
    TZCLXMLNode empty;
    schema.Save(scene, &empty);  // an empty script is not written
    EXPECT_EQ(files->GetFiles()->GetCount(), 0);
    dynamic_cast<TZSEScript*>(scene->GetOnLoaded())->SetText(text);
    schema.Save(scene, &node);
    Free(scene);
  }
  TZSEMainScene* back = Create<TZSEMainScene>(static_cast<TComponent*>(nullptr));
  schema.Load(back, &node);
  EXPECT_EQ(dynamic_cast<TZSEScript*>(back->GetOnLoaded())->GetText(), text);
  Free(back);
  Free(files);
}

}  // namespace
