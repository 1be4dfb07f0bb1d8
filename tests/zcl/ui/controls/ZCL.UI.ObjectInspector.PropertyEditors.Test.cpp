#include <gtest/gtest.h>

#include <memory>

#include "InspectorTestSupport.h"
#include "../UiTestSupport.h"
#include "rtl/RTL.Exceptions.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/ui/inspector/ZCL.UI.Controls.ObjectInspector.PropertyEditors.h"

namespace {

using namespace inspectortest;

// Editor classes that only tell registrations apart.
#define TEST_EDITOR(Name)                       \
  class Name : public TZCLPropertyEditor {      \
    ZCL_CLASS(Name, TZCLPropertyEditor)         \
   public:                                      \
    using TZCLPropertyEditor::TZCLPropertyEditor; \
  };
TEST_EDITOR(TEditorOne)
TEST_EDITOR(TEditorTwo)
#undef TEST_EDITOR

class PropertyEditorsTest : public ::testing::Test {
 public:
  void SetUp() override {
    RegisterSampleClasses();
    TZCLPropertyEditors::RegisterDefaults();
    Root = Create<TComponent>(nullptr);
    Sample = Create<TSample>(Root);
    Sample->SetName(u"Sample");
    Inspector.Inspected = Sample;
  }
  void TearDown() override {
    TZCLPropertyEditors::RegisterDefaults();
    Free(Root);
  }
  PPropInfo Prop(const String& Name) { return GetPropInfo(TSample::StaticClass(), Name); }
  std::unique_ptr<TZCLPropertyEditor, TFreeDeleter> Editor(const String& Name) {
    return std::unique_ptr<TZCLPropertyEditor, TFreeDeleter>(
        TZCLPropertyEditors::CreateEditor(Prop(Name), Sample, &Inspector));
  }
  TComponent* Root = nullptr;
  TSample* Sample = nullptr;
  TFakeInspector Inspector;
};

TEST_F(PropertyEditorsTest, DefaultEditorsByTypeAndKind) {
  const struct {
    const char16_t* Name;
    TClass Expected;
  } cases[] = {
      {u"Flag", TZCLBooleanPropertyEditor::StaticClass()},
      {u"Count", TZCLPropertyEditor::StaticClass()},
      {u"Big", TZCLPropertyEditor::StaticClass()},
      {u"Ratio", TZCLPropertyEditor::StaticClass()},
      {u"Caption", TZCLPropertyEditor::StaticClass()},
      {u"Value", TZCLPropertyEditor::StaticClass()},
      {u"Kind", TZCLEnumPropertyEditor::StaticClass()},
      {u"Kinds", TZCLSetPropertyEditor::StaticClass()},
      {u"Color", TZCLColorPropertyEditor::StaticClass()},
      {u"Tint", TZCLAlphaColorPropertyEditor::StaticClass()},
      {u"Font", TZCLFontPropertyEditor::StaticClass()},
      {u"Link", TZCLComponentPropertyEditor::StaticClass()},
      {u"Detail", TZCLObjectPropertyEditor::StaticClass()},
      {u"Letter", nullptr},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TZCLPropertyEditors::GetEditorClass(Prop(c.Name), Sample), c.Expected) << StringToUTF8(c.Name);
  // Without an instance the component entry (owner TPersistent) does not apply.
  EXPECT_EQ(TZCLPropertyEditors::GetEditorClass(Prop(u"Link"), nullptr), TZCLObjectPropertyEditor::StaticClass());
}

TEST_F(PropertyEditorsTest, PrecedenceOfRegistrations) {
  const TClass one = TEditorOne::StaticClass(), two = TEditorTwo::StaticClass();
  const PTypeInfo integer = TypeInfo<Integer>();
  const PTypeInfo sampleType = TypeInfo<TSample*>(), componentType = TypeInfo<TComponent*>();
  const struct {
    const char* Rule;
    std::function<void()> Registrations;  // oldest first
    PTypeInfo Type;
    TClass InstanceClass;
    const char16_t* Name;
    TClass Expected;
  } cases[] = {
      {"a: an owner beats a newer entry without",
       [&] {
         TZCLPropertyEditors::Register(integer, TSample::StaticClass(), u"", one);
         TZCLPropertyEditors::Register(integer, nullptr, u"", two);
       },
       integer, TSampleChild::StaticClass(), u"Count", one},
      {"a: other classes keep the general entry",
       [&] {
         TZCLPropertyEditors::Register(integer, TSampleChild::StaticClass(), u"", one);
         TZCLPropertyEditors::Register(integer, nullptr, u"", two);
       },
       integer, TSample::StaticClass(), u"Count", two},
      {"b: a name beats a newer entry without",
       [&] {
         TZCLPropertyEditors::Register(integer, TSample::StaticClass(), u"count", one);
         TZCLPropertyEditors::Register(integer, TSample::StaticClass(), u"", two);
       },
       integer, TSample::StaticClass(), u"Count", one},
      {"c: the exact type beats a newer ancestor type",
       [&] {
         TZCLPropertyEditors::Register(sampleType, nullptr, u"", one);
         TZCLPropertyEditors::Register(componentType, nullptr, u"", two);
       },
       sampleType, nullptr, u"X", one},
      {"d: a nearer ancestor type beats a newer farther one",
       [&] {
         TZCLPropertyEditors::Register(sampleType, nullptr, u"", one);
         TZCLPropertyEditors::Register(componentType, nullptr, u"", two);
       },
       TypeInfo<TSampleChild*>(), nullptr, u"X", one},
      {"e: a descendant owner beats a newer ancestor owner",
       [&] {
         TZCLPropertyEditors::Register(integer, TSampleChild::StaticClass(), u"", one);
         TZCLPropertyEditors::Register(integer, TSample::StaticClass(), u"", two);
       },
       integer, TSampleChild::StaticClass(), u"Count", one},
      {"tie: the later registration wins",
       [&] {
         TZCLPropertyEditors::Register(integer, TSample::StaticClass(), u"Count", one);
         TZCLPropertyEditors::Register(integer, TSample::StaticClass(), u"Count", two);
       },
       integer, TSample::StaticClass(), u"Count", two},
      {"hidden: a later general entry does not show it again",
       [&] {
         TZCLPropertyEditors::HideProperty(TSample::StaticClass(), u"Count");
         TZCLPropertyEditors::Register(integer, nullptr, u"", two);
       },
       integer, TSampleChild::StaticClass(), u"Count", nullptr},
      {"hidden: a later entry of the same owner, name and type shows it",
       [&] {
         TZCLPropertyEditors::HideProperty(TSample::StaticClass(), u"Count");
         TZCLPropertyEditors::Register(integer, TSample::StaticClass(), u"Count", two);
       },
       integer, TSample::StaticClass(), u"Count", two},
      {"nil instance: entries with an owner are ignored",
       [&] { TZCLPropertyEditors::Register(integer, TSample::StaticClass(), u"", one); }, integer, nullptr,
       u"Count", TZCLPropertyEditor::StaticClass()},
  };
  for (const auto& c : cases) {
    TZCLPropertyEditors::RegisterDefaults();
    c.Registrations();
    std::unique_ptr<TSample, TFreeDeleter> instance(
        c.InstanceClass ? c.InstanceClass->Create<TSample>(static_cast<TComponent*>(nullptr)) : nullptr);
    EXPECT_EQ(TZCLPropertyEditors::GetEditorClass(c.Type, instance.get(), c.Name), c.Expected) << c.Rule;
  }

  // A name the class does not publish registers nothing; a name is kept only with an owner.
  TZCLPropertyEditors::RegisterDefaults();
  const size_t count = TZCLPropertyEditors::GetEntries().size();
  TZCLPropertyEditors::HideProperties(TSample::StaticClass(), {u"Nothing", u"Count"});
  EXPECT_EQ(TZCLPropertyEditors::GetEntries().size(), count + 1);
  TZCLPropertyEditors::Register(integer, nullptr, u"Count", one);
  EXPECT_EQ(TZCLPropertyEditors::GetEntries().front().PropertyName, u"");
}

TEST_F(PropertyEditorsTest, DisplayTexts) {
  Sample->Font->SetName(u"DejaVu Sans");
  Sample->Font->SetSize(-12);
  Sample->Kinds = TSampleKinds{skApple, skCherry};
  Sample->Color = 0x0000FF;  // red as BGR
  Sample->Tint = 0x80102030;
  Sample->Kind = skBanana;
  EXPECT_EQ(Editor(u"Font")->GetValue(), u"DejaVu Sans, 12pt");
  EXPECT_EQ(Editor(u"Kinds")->GetValue(), u"[skApple,skCherry]");
  EXPECT_EQ(Editor(u"Color")->GetValue(), u"FFFF0000");
  EXPECT_EQ(Editor(u"Tint")->GetValue(), u"80102030");
  EXPECT_EQ(Editor(u"Kind")->GetValue(), u"skBanana");
  EXPECT_EQ(Editor(u"Detail")->GetValue(), u"(TSampleDetail)");
  Free(Sample->Detail);
  Sample->Detail = nullptr;
  EXPECT_EQ(Editor(u"Detail")->GetValue(), u"(TSampleDetail)");

  auto* unnamed = Create<TComponent>(Root);
  Sample->Link = unnamed;
  EXPECT_EQ(Editor(u"Link")->GetValue(), u"<Components[1]>");
  Sample->Link = nullptr;
  EXPECT_EQ(Editor(u"Link")->GetValue(), u"");

  auto enumEditor = Editor(u"Kind");
  TZCLStringList* values = Create<TZCLStringList>();
  dynamic_cast<IZCLPropertyEditorValueList*>(enumEditor.get())->GetValues(values);
  EXPECT_EQ(values->ToArray(), (std::vector<String>{u"skApple", u"skBanana", u"skCherry"}));
  EXPECT_EQ(reinterpret_cast<intptr_t>(values->GetObjects(2)), 2);
  Free(values);
}

TEST_F(PropertyEditorsTest, WritingTextAndItsErrors) {
  Editor(u"Count")->SetValue(u"42");
  Editor(u"Ratio")->SetValue(u"2.5");
  Editor(u"Kind")->SetValue(u"SKCHERRY");
  EXPECT_EQ(Sample->Count, 42);
  EXPECT_EQ(Sample->Ratio, 2.5);
  EXPECT_EQ(Sample->Kind, skCherry);
  Editor(u"Kind")->SetValue(u"1");
  EXPECT_EQ(Sample->Kind, skBanana);
  EXPECT_EQ(Inspector.Changed, 4);

  const struct {
    const char16_t* Property;
    const char16_t* Text;
    const char16_t* Message;
  } errors[] = {
      {u"Kind", u"skDurian", u"Can't set \"skDurian\" to \"Kind\""},
      {u"Kind", u"3", u"Can't set \"3\" to \"Kind\""},
      {u"Fixed", u"FF00FF00", u"The Fixed is read only"},
      {u"Detail", u"x", u"The Detail is read only"},
  };
  for (const auto& e : errors) {
    try {
      Editor(e.Property)->SetValue(e.Text);
      ADD_FAILURE() << "no error for " << StringToUTF8(e.Property);
    } catch (const Exception& ex) {
      EXPECT_EQ(ex.GetMessage(), e.Message);
    }
  }
  EXPECT_EQ(Sample->Kind, skBanana);

  // A read-only plain value is not written and reports nothing; a veto leaves the value alone.
  auto fixed = std::unique_ptr<TZCLPropertyEditor, TFreeDeleter>(
      Create<TZCLPropertyEditor>(Prop(u"Fixed"), static_cast<TPersistent*>(Sample), &Inspector));
  EXPECT_TRUE(fixed->IsReadOnly());
  fixed->SetValue(u"5");
  Inspector.Allow = false;
  const Integer changed = Inspector.Changed;
  Editor(u"Count")->SetValue(u"7");
  EXPECT_EQ(Sample->Count, 42);
  EXPECT_EQ(Inspector.Changed, changed);
  EXPECT_FALSE(Editor(u"Detail")->IsReadOnly());
  EXPECT_TRUE(Editor(u"Scratch")->IsNonStorable());
  EXPECT_FALSE(Editor(u"Count")->IsNonStorable());
}

TEST_F(PropertyEditorsTest, ColoursReportSameValueOnlyForAlphaColours) {
  Sample->Color = 0x123456;
  Sample->Tint = 0xFF010203;
  auto color = Editor(u"Color");
  auto tint = Editor(u"Tint");
  auto* c = static_cast<TZCLAlphaColorPropertyEditor*>(color.get());
  auto* t = static_cast<TZCLAlphaColorPropertyEditor*>(tint.get());
  c->SetColor(c->GetColor());
  EXPECT_EQ(Inspector.Changing, 0);
  t->SetColor(t->GetColor());
  EXPECT_EQ(Inspector.Changed, 1);
  EXPECT_EQ(Inspector.LastValue.VarType(), varLongWord);

  c->SetValue(u"FF0000FF");  // blue
  EXPECT_EQ(Sample->Color, 0xFF0000);
  EXPECT_EQ(Inspector.LastValue.VarType(), varInteger);
  EXPECT_FALSE(c->HasAlpha());
  EXPECT_FALSE(c->AllowInplaceEditing());

  // What the row shows reads back as the same colour.
  for (const char16_t* text : {u"None", u"Default", u"80102030"}) {
    t->SetValue(text);
    EXPECT_EQ(t->GetValue(), text);
  }

  // The dialog hook: what it returns is applied.
  const auto installed = TZCLPropertyEditorDialogs::ColorPicker;
  TZCLPropertyEditorDialogs::ColorPicker = [](TAlphaColor& Color, bool HasAlpha) {
    Color = HasAlpha ? 0x40ABCDEF : 0xFF00FF00;
    return true;
  };
  t->Execute();
  c->Execute();
  TZCLPropertyEditorDialogs::ColorPicker = installed;
  EXPECT_EQ(Sample->Tint, 0x40ABCDEFu);
  EXPECT_EQ(Sample->Color, 0x00FF00);
}

TEST_F(PropertyEditorsTest, SetElementsAsChildRows) {
  Sample->Kinds = TSampleKinds{skBanana};
  auto set = Editor(u"Kinds");
  set->FullName = u"Kinds";
  std::vector<std::unique_ptr<TZCLPropertyEditor, TFreeDeleter>> rows;
  dynamic_cast<IZCLPropertyEditorSubProperties*>(set.get())->GetProperties([&](TZCLPropertyEditor* E) {
    E->FullName = u"Kinds." + E->GetName();
    rows.emplace_back(E);
  });
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[1]->GetName(), u"skBanana");
  EXPECT_EQ(rows[1]->GetFullName(), u"Kinds");
  EXPECT_EQ(rows[1]->GetValue(), u"True");
  EXPECT_EQ(rows[0]->GetValue(), u"False");
  EXPECT_TRUE(rows[0]->InheritsFrom(TZCLBooleanPropertyEditor::StaticClass()));

  rows[1]->SetValue(u"True");  // already in: nothing happens
  EXPECT_EQ(Inspector.Changing, 0);
  rows[2]->SetValue(u"True");
  EXPECT_EQ(Sample->Kinds, (TSampleKinds{skBanana, skCherry}));
  rows[1]->SetValue(u"true");  // anything but exactly True clears
  EXPECT_EQ(Sample->Kinds, (TSampleKinds{skCherry}));
  EXPECT_EQ(Inspector.Changed, 2);
}

TEST_F(PropertyEditorsTest, ComponentDropDownAndChoosing) {
  for (const char16_t* name : {u"B10", u"B2", u"A"}) Create<TComponent>(Root)->SetName(name);
  Create<TComponent>(Root);  // unnamed: not offered
  TComponent* elsewhere = Create<TComponent>(nullptr);
  elsewhere->SetName(u"Outside");
  Sample->Link = elsewhere;

  auto link = Editor(u"Link");
  TZCLStringList* values = Create<TZCLStringList>();
  dynamic_cast<IZCLPropertyEditorValueList*>(link.get())->GetValues(values);
  EXPECT_EQ(values->ToArray(), (std::vector<String>{u"", u"Outside", u"A", u"B2", u"B10", u"Sample"}));
  EXPECT_EQ(values->GetObjects(1), nullptr);
  Free(values);

  // The entry for the value owned elsewhere carries no component: choosing it keeps the reference.
  link->SetValue(u"Outside");
  EXPECT_EQ(Sample->Link, elsewhere);
  link->SetValue(u"Nowhere");
  EXPECT_EQ(Sample->Link, elsewhere);
  link->SetValue(u"B2");
  EXPECT_EQ(Sample->Link, Root->FindComponent(u"B2"));
  link->SetValue(u"");
  EXPECT_EQ(Sample->Link, nullptr);
  EXPECT_EQ(Inspector.Changed, 2);
  Free(elsewhere);
}

TEST_F(PropertyEditorsTest, FontDialogAssignsTheCopy) {
  Sample->Font->SetName(u"DejaVu Sans");
  auto font = Editor(u"Font");
  const auto installed = TZCLPropertyEditorDialogs::FontPicker;
  TZCLPropertyEditorDialogs::FontPicker = [](TFont* Font) {
    Font->SetName(u"DejaVu Serif");
    return true;
  };
  dynamic_cast<IZCLPropertyEditorDialog*>(font.get())->Execute();
  Inspector.Allow = false;
  TZCLPropertyEditorDialogs::FontPicker = [](TFont* Font) {
    Font->SetName(u"Vetoed");
    return true;
  };
  dynamic_cast<IZCLPropertyEditorDialog*>(font.get())->Execute();
  TZCLPropertyEditorDialogs::FontPicker = installed;
  EXPECT_EQ(Sample->Font->GetName(), u"DejaVu Serif");
  EXPECT_EQ(Inspector.Changed, 1);
  font->SetValue(u"Ignored, 9pt");
  EXPECT_EQ(Sample->Font->GetName(), u"DejaVu Serif");
}

}  // namespace
