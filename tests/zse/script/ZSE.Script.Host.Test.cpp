#include <gtest/gtest.h>

#include <map>

#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"
#include "rtl/RTL.TypInfo.h"
#include "vcl/VCL.ActnList.h"
#include "zcl/ui/ZCL.UI.Resources.h"
#include "zse/engine/ZSE.Bindings.h"
#include "zse/script/ZSE.Script.Host.h"
#include "zse/script/ZSE.Script.TestUtil.h"

namespace {

class THostTestItem : public TComponent {
  ZCL_CLASS(THostTestItem, TComponent)
 public:
  using TComponent::TComponent;
  static void DeclareProperties(TClassDeclaration<THostTestItem>& D) {
    D.Property(u"Visible", &THostTestItem::FVisible, &THostTestItem::FVisible);
    D.Property(u"Color", &THostTestItem::FColor, &THostTestItem::FColor).Type(TypeInfoTColor());
    D.Property(u"Buddy", &THostTestItem::FBuddy, &THostTestItem::FBuddy);
    D.Property(u"Count", &THostTestItem::GetCount);
  }
  Integer GetCount() const { return 42; }
  bool FVisible = true;
  Integer FColor = 0x0000FF;  // pure red, stored blue-green-red
  TComponent* FBuddy = nullptr;
};

class TTestHost : public IZSEScriptHost {
 public:
  TComponent* FindObject(StringView Name) override {
    for (TComponent* c : Objects)
      if (SameText(c->GetName(), Name)) return c;
    return nullptr;
  }
  Variant ConfigGet(StringView Key) override {
    auto it = Config.find(String(Key));
    return it == Config.end() ? Null() : it->second;
  }
  void ConfigSet(StringView Key, const Variant& Value) override {
    if (Value.IsNull())
      Config.erase(String(Key));
    else
      Config[String(Key)] = Value;
  }
  std::vector<TComponent*> Objects;
  std::map<String, Variant> Config;
};

struct ScriptHostModule : ::testing::Test {
  ScriptHostModule() {
    RegisterProperties<THostTestItem>();
    Item = new THostTestItem(nullptr);
    Item->SetName(u"Panel");
    Buddy = new THostTestItem(nullptr);
    Buddy->SetName(u"Other");
    Host.Objects = {Item, Buddy};
    SetScriptHost(&Host);
  }
  ~ScriptHostModule() override {
    SetScriptHost(nullptr);
    delete Item;
    delete Buddy;
  }
  std::string Eval(const String& Expr) {
    TScriptRun run(u"var r: Variant; begin r := " + Expr + u" end.");
    return run.Str(u"r");
  }
  TTestHost Host;
  THostTestItem* Item;
  THostTestItem* Buddy;
};

TEST_F(ScriptHostModule, PropertiesThroughTheAdapters) {
  EXPECT_EQ(Eval(u"FindObject('Panel').Get('Visible')"), "True");
  EXPECT_EQ(Eval(u"FindObject('Panel').Get('Color')"), "16711680");  // red in bits 16..23
  EXPECT_EQ(Eval(u"FindObject('Panel').Get('Buddy')"), "");
  TScriptRun(
      u"begin FindObject('Panel').Set('Buddy', 'Other'); FindObject('Panel').Set('Color', $00FF00);"
      u" FindObject('Panel').Set('Visible', False); FindObject('Panel').Set('Count', 5) end.");
  EXPECT_EQ(Item->FBuddy, Buddy);
  EXPECT_EQ(Item->FColor, 0x00FF00);
  EXPECT_FALSE(Item->FVisible);
  EXPECT_EQ(Eval(u"FindObject('Panel').Get('Buddy')"), "Other");
  EXPECT_EQ(ScriptError(u"begin FindObject('Panel').Get('Nothing') end."),
            "Error at 1:7 - Unknown property THostTestItem.Nothing");
  EXPECT_EQ(ScriptError(u"begin FindObject('Panel').Get('Visible.X') end."),
            "Error at 1:7 - Invalid property type: THostTestItem.Visible");
}

TEST_F(ScriptHostModule, VariantMembersBindOnFirstUse) {
  TScriptRun run(
      u"var o: Variant; r, w: Variant;\n"
      u"begin o := FindObject('Panel'); r := o.Get('Visible'); with o do w := Get('Count') end.");
  EXPECT_EQ(run.Str(u"r"), "True");
  EXPECT_EQ(run.Str(u"w"), "42");
}

TEST_F(ScriptHostModule, CreatingAnObjectRunsItsConstructor) {
  TzsScript classes(nullptr);
  classes.SetParent(GlobalScriptProgram());
  TzsClassVariable* cls = classes.AddClass(THostTestItem::StaticClass(), u"TComponent");
  cls->AddConstructor(u"constructor Create;", [](TObject* Obj, TzsMethodHelper*) {
    return Variant(static_cast<long long>(TzsObjectHandles::HandleOf(Obj)));
  });
  TzsScript prog(nullptr);
  prog.SetParent(&classes);
  prog.SetSourceCode(
      u"var o: THostTestItem; r: Variant; b: Boolean;\n"
      u"begin o := THostTestItem.Create; r := o.Get('Count'); b := o is TComponent end.");
  prog.Compile();
  prog.GetStatement()->Execute();
  EXPECT_EQ(prog.FindLocal(u"r")->GetValue().AsInteger(), 42);
  EXPECT_TRUE(prog.FindLocal(u"b")->GetValue().AsBoolean());
  TObject* made = TzsObjectHandles::ObjectOf(prog.FindLocal(u"o")->GetValue(), THostTestItem::StaticClass());
  ASSERT_NE(made, nullptr);
  EXPECT_TRUE(static_cast<THostTestItem*>(made)->FVisible);  // its constructor's initial values
  delete made;
}

TEST_F(ScriptHostModule, IndexedAndDefaultProperties) {
  TzsScript classes(nullptr);
  classes.SetParent(GlobalScriptProgram());
  TzsClassVariable* cls = classes.AddClass(THostTestItem::StaticClass(), u"TComponent");
  std::map<Integer, double> store{{3, 0.25}};
  TzsIndexedMethodHelper* spectrum = cls->AddIndexProperty(
      u"Spectrum", u"Integer", u"Single",
      [&store](TObject*, TzsCustomHelper* c) {
        return Variant(store[static_cast<TzsMethodHelper*>(c)->GetVParam(0).AsInteger()]);
      },
      [&store](TObject*, const Variant& v, TzsCustomHelper* c) {
        store[static_cast<TzsMethodHelper*>(c)->GetVParam(0).AsInteger()] = v.AsDouble();
      });
  EXPECT_EQ(Utf8(spectrum->FSyntax), "function Spectrum(p0: Integer): Single");
  cls->FDefProperty = spectrum;
  TzsScript prog(nullptr);
  prog.SetParent(&classes);
  prog.SetSourceCode(
      u"procedure Execute(Data: THostTestItem); var r: Double;\n"
      u"begin r := Data.Spectrum[3]; Data.Spectrum[4] := r * 2; Data[5] := Data[4] + 1 end; begin end.");
  prog.Compile();
  auto* exec = static_cast<TzsProcVariable*>(prog.FindLocal(u"Execute"));
  exec->GetParam(0)->SetValue(Variant(static_cast<long long>(TzsObjectHandles::HandleOf(Item))));
  exec->GetValue();
  EXPECT_DOUBLE_EQ(store[4], 0.5);
  EXPECT_DOUBLE_EQ(store[5], 1.5);
  EXPECT_EQ(ScriptError(u"var o: TComponent; begin o[1] := 2 end."),
            "Error at 1:28 - Class TComponent does not have a default property");
}

TEST_F(ScriptHostModule, ObjectsAreHandlesWithLivenessChecks) {
  EXPECT_EQ(Eval(u"FindObject('Nobody')"), "0");
  TScriptRun run(u"var o: TComponent; begin o := FindObject('Other') end.", true);
  delete Buddy;
  Buddy = nullptr;
  Host.Objects = {Item};
  EXPECT_EQ(Eval(u"FindObject('Other')"), "0");
  // A handle to a freed object no longer resolves.
  TzsCustomVariable* o = run.Prog()->FindLocal(u"o");
  EXPECT_THROW(TzsObjectHandles::ObjectOf(o->GetValue()), EZScriptObjectError);
  EXPECT_THROW(TzsObjectHandles::ObjectOf(Variant(123456789LL)), EZScriptObjectError);
  EXPECT_THROW(TzsObjectHandles::ObjectOf(Variant(static_cast<long long>(TzsObjectHandles::HandleOf(Item))),
                                          TBasicAction::StaticClass()),
               EZScriptObjectError);
}

TEST_F(ScriptHostModule, ColoursAndText) {
  EXPECT_EQ(Eval(u"ColorToString(0)"), "None");
  EXPECT_EQ(Eval(u"ColorToString(StringToColor(''))"), "Default");
  EXPECT_EQ(Eval(u"ColorToString(StringToColor('FF8000'))"), "FFFF8000");
  EXPECT_EQ(Eval(u"ColorToString(StringToColor('#12345'))"), "FF002345");  // '#' is read as part of a pair
  EXPECT_EQ(Eval(u"ColorToString(ARGBToColor(128, 1, 2, 259))"), "80010203");
  EXPECT_EQ(Eval(u"ColorToString(HSLToColor(0, 1, 0.5))"), "FFFF0000");
  EXPECT_EQ(Eval(u"ColorToString(HSVToColorA(120, 1, 1, 16))"), "1000FF00");
  TScriptRun argb(u"var a, r, g, b: Integer; begin ColorToARGB(StringToColor(''), a, r, g, b) end.");
  EXPECT_EQ(argb.Var(u"a").AsInteger(), 255);
  EXPECT_EQ(argb.Var(u"r").AsInteger(), 1);
  EXPECT_EQ(argb.Var(u"g").AsInteger(), 2);
  EXPECT_EQ(argb.Var(u"b").AsInteger(), 3);
  EXPECT_EQ(Eval(u"URLEscape(' [a]/é')"), "%20%5ba%5d%2fé");
  EXPECT_EQ(Eval(u"Ord(True)"), "1");
  EXPECT_EQ(Eval(u"Ord('A')"), "65");
  EXPECT_EQ(Eval(u"Ord(1.5)"), "");
  EXPECT_EQ(Eval(u"Max(2, 3.5) + Min(2, 3)"), "5.5");
}

TEST_F(ScriptHostModule, ConfigurationAndGlobalVariables) {
  EXPECT_EQ(Eval(u"ConfigGet('k', 'none')"), "none");
  TScriptRun(u"begin ConfigSet('k', 5) end.");
  EXPECT_EQ(Eval(u"ConfigGet('k', 'none')"), "5");
  TScriptRun(u"begin ConfigSet('k', Null) end.");
  EXPECT_EQ(Eval(u"ConfigGet('k', 'none')"), "none");

  TZSEExpressionGlobalVariables::SetValue(u"Volume", Variant(10));
  TZSEExpressionGlobalVariables::SetValue(u"Volume", Variant(11));  // a second definition adds nothing
  TScriptRun run(u"var r: Variant; begin r := Volume; Volume := r + 1 end.");
  EXPECT_EQ(run.Str(u"r"), "11");
  EXPECT_EQ(TZSEExpressionGlobalVariables::GetValue(u"Volume").AsInteger(), 12);
  TZSEExpressionGlobalVariables::Clear();  // the skin is unloaded
  EXPECT_EQ(ScriptError(u"var r: Variant; begin r := Volume end."),
            "Error at 1:23 - The Volume global variable was not defined");
}

TEST_F(ScriptHostModule, SelfIsTheScriptsOwner) {
  TScriptRun run(u"var r: Variant; begin r := Self end.", false);
  run.Prog()->SetScriptOwner(Item);
  run.Execute();
  EXPECT_EQ(TzsObjectHandles::ObjectOf(run.Var(u"r")), Item);
  EXPECT_EQ(Eval(u"Self.Get('Visible')"), "");  // no owner: Null
}

class TResourceItem : public TComponent {
  ZCL_CLASS(TResourceItem, TComponent)
 public:
  explicit TResourceItem(TComponent* AOwner)
      : TComponent(AOwner), FAlpha(new TZCLResourceColor(nullptr)), FPlain(new TZCLResourceColor(nullptr)),
        FSize(new TZCLResourceInteger(nullptr)) {
    FPlain->InitializeAsColor(u"", 0x0000FF);  // set up from a plain colour: not alpha-aware
  }
  ~TResourceItem() override {
    delete FAlpha;
    delete FPlain;
    delete FSize;
  }
  static void DeclareProperties(TClassDeclaration<TResourceItem>& D) {
    D.Property(u"Alpha", &TResourceItem::FAlpha, &TResourceItem::FAlpha);
    D.Property(u"Plain", &TResourceItem::FPlain, &TResourceItem::FPlain);
    D.Property(u"Size", &TResourceItem::FSize, &TResourceItem::FSize);
  }
  TZCLResourceColor* FAlpha;
  TZCLResourceColor* FPlain;
  TZCLResourceInteger* FSize;
};

TEST_F(ScriptHostModule, ResourcePropertiesThroughTheAdapters) {
  RegisterProperties<TResourceItem>();
  TResourceItem res(nullptr);
  res.SetName(u"Res");
  Host.Objects.push_back(&res);
  struct TCase {
    const char16_t* Prop;
    Cardinal Written, Stored;
  };
  for (const TCase& c : {TCase{u"Alpha", 0x80FF0000u, 0x80FF0000u}, TCase{u"Alpha", 0x00FF0000u, 0xFFFF0000u},
                         TCase{u"Plain", 0x80FF0000u, 0xFFFF0000u}, TCase{u"Alpha", 0u, 0u},
                         TCase{u"Plain", 0x00010203u, 0x00010203u}}) {
    TScriptRun(String(u"begin FindObject('Res').Set('") + c.Prop + u"', " + IntToStr(static_cast<long>(c.Written)) + u") end.");
    TZCLResourceColor* r = String(c.Prop) == u"Alpha" ? res.FAlpha : res.FPlain;
    EXPECT_EQ(r->GetOwnValue(), c.Stored) << Utf8(c.Prop) << " " << c.Written;
  }
  // Read back: the alpha-aware one with its alpha, the plain one as 00RRGGBB.
  res.FAlpha->SetValue(0x8011FF22u);
  res.FPlain->SetValue(0xFF11FF22u);
  EXPECT_EQ(Eval(u"FindObject('Res').Get('Alpha')"), std::to_string(0x8011FF22u));
  EXPECT_EQ(Eval(u"FindObject('Res').Get('Plain')"), std::to_string(0x0011FF22u));
  TScriptRun(u"begin FindObject('Res').Set('Size', 17) end.");
  EXPECT_EQ(res.FSize->GetValue(), 17);
  EXPECT_EQ(Eval(u"FindObject('Res').Get('Size')"), "17");
  Host.Objects.pop_back();
}

TEST_F(ScriptHostModule, BindingsClass) {
  TScriptRun run(
      u"var b: TZSEBindings; l1, l2, f, gone, data: Variant;\n"
      u"begin b := TZSEBindings.Create; l1 := b.LinkAdd('Value'); l2 := b.LinkAdd('value');"
      u" f := b.LinkFind('Value'); data := b.GetDataAsInteger('Value'); b.LinkDelete('Value');"
      u" gone := b.LinkFind('Value') end.");
  auto* b = static_cast<TZSEBindings*>(TzsObjectHandles::ObjectOf(run.Var(u"b"), TZSEBindings::StaticClass()));
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(run.Var(u"l1").AsInt64(), run.Var(u"l2").AsInt64());  // pin names ignore case
  EXPECT_EQ(run.Var(u"f").AsInt64(), run.Var(u"l1").AsInt64());
  EXPECT_TRUE(run.Var(u"data").IsNull());  // a link without a source reads nothing
  EXPECT_TRUE(run.Var(u"gone").IsNull());
  EXPECT_EQ(b->GetCount(), 0);
  // Free releases the object and its handle: the script cannot reach it again.
  TScriptRun freeing(u"var b: Variant; begin b := " + IntToStr(static_cast<long>(run.Var(u"b").AsInt64())) + u"; b.Free end.");
  EXPECT_THROW(TzsObjectHandles::ObjectOf(run.Var(u"b")), EZScriptObjectError);
}

TEST_F(ScriptHostModule, BindingsHelpersWithoutSource) {
  EXPECT_EQ(Eval(u"BindingsGetDataAsInteger('Nobody', 'Volume')"), "0");
  EXPECT_EQ(Eval(u"BindingsGetDataAsBoolean2('Nobody', 'Volume', 'Value > 1')"), "False");
  EXPECT_EQ(Eval(u"BindingsGetDataAsText3('Nobody', 'Title', '', '%s')"), "");
  EXPECT_NE(ScriptError(u"begin TZSEBindings(FindObject('Panel')).LinkFind('x') end.").find("Invalid class typecast"),
            std::string::npos);
}

class TCountingHandler : public TZSEEventHandler {
  ZCL_CLASS(TCountingHandler, TZSEEventHandler)
 public:
  using TZSEEventHandler::TZSEEventHandler;
  void Execute(TObject*, TPersistent*) override { ++Runs; }
  Integer Runs = 0;
};

TEST_F(ScriptHostModule, ExecuteRunsAnEventHandler) {
  TCountingHandler handler(nullptr);
  handler.SetName(u"OnClick");
  Host.Objects.push_back(&handler);
  EXPECT_EQ(Eval(u"FindObject('OnClick').Execute"), "");  // Null
  EXPECT_EQ(handler.Runs, 1);
  EXPECT_EQ(Eval(u"FindObject('OnClick').Parent"), "");  // no visual item
  Host.Objects.pop_back();
}

}  // namespace
