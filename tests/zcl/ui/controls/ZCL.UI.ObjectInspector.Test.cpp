#include <gtest/gtest.h>

#include <map>

#include "ControlsTestSupport.h"
#include "InspectorTestSupport.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.FormatSettings.h"
#include "rtl/RTL.Streaming.h"
#include "rtl/RTL.Streams.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Messages.h"
#include "zcl/base/ZCL.MUI.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/ui/controls/ZCL.UI.CheckBoxes.h"
#include "zcl/ui/controls/ZCL.UI.ComboBox.h"
#include "zcl/ui/controls/ZCL.UI.Edit.DropDown.h"
#include "zcl/ui/inspector/ZCL.UI.Controls.ObjectInspector.h"

namespace {

using namespace inspectortest;
using namespace testskin;

class ObjectInspectorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UIAnimationsEnabled = false;
    RegisterSampleClasses();
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBounds(100, 100, 400, 600);
    Form->SetBorderStyle(bsNone);
    Root = Create<TComponent>(Form.get());
    Sample = Create<TSample>(Root);
    Sample->SetName(u"Sample");
    Inspector = Create<TZCLObjectInspector>(Form.get());
    Inspector->SetResourceCollection(Skin.Get());
    Inspector->SetParent(Form.get());
    Inspector->SetBounds(0, 0, 300, 560);
    Tree = Inspector->GetSubClass();
    Form->Show();
    Headless::RunUntilIdle();
  }
  void TearDown() override {
    Form.reset();
    UIAnimationsEnabled = true;
  }
  // First-column texts of Node's children, in order.
  std::vector<String> Names(TZCLTreeListNode* Node = nullptr) {
    if (!Node) Node = Tree->GetRootNode();
    std::vector<String> names;
    for (Integer i = 0; i < Node->GetChildrenCount(); ++i) names.push_back(Node->GetChild(i)->GetValue(0));
    return names;
  }
  TZCLTreeListNode* Row(const String& Path) {
    TZCLTreeListNode* node = Tree->FindNode(Path);
    EXPECT_NE(node, nullptr) << StringToUTF8(Path);
    return node;
  }
  // Opens the value editor of the row.
  TComponent* Edit(const String& Path) {
    TZCLTreeListNode* node = Row(Path);
    Tree->SetFocusedNode(node);
    Tree->StartEditing(node, (*Tree->GetColumns())[1]);
    return Tree->GetEditingController()->GetEdit();
  }
  TPoint ValueCellPoint(TZCLTreeListNode* Node) {
    TZCLCompoundControlBaseContentCell* cell = nullptr;
    EXPECT_TRUE(Tree->GetContent()->GetCells()->Find(Node, cell));
    const TRect r = cell ? cell->AbsoluteBounds() : TRect();
    return TPoint(r.Right - 40, (r.Top + r.Bottom) / 2);
  }

  TTestSkin Skin;
  TOwned<TForm> Form;
  TComponent* Root = nullptr;
  TSample* Sample = nullptr;
  TZCLObjectInspector* Inspector = nullptr;
  TZCLObjectInspectorSubClass* Tree = nullptr;
};

TEST_F(ObjectInspectorTest, RowsComeFromTheRegistrySortedWithChildRows) {
  Integer populated = 0;
  struct THandlers {
    Integer* Populated;
    void Done(TObject*) { ++*Populated; }
    void Add(TObject*, TObject*, PPropInfo Prop, bool& Allow) { Allow = Prop->Name != u"Scratch"; }
  } handlers{&populated};
  Tree->OnPopulated = TNotifyEvent(&handlers, &THandlers::Done);
  Tree->OnPropertyAdd = TZCLObjectInspectorPropertyAddEvent(&handlers, &THandlers::Add);
  Inspector->SetInspectedObject(Sample);
  EXPECT_EQ(populated, 1);
  // No Letter (no editor), no Secret (hidden attribute), no Scratch (OnPropertyAdd).
  EXPECT_EQ(Names(), (std::vector<String>{u"Big", u"Caption", u"Color", u"Count", u"Detail", u"Fixed", u"Flag", u"Font",
                                          u"Kind", u"Kinds", u"Link", u"Name", u"Ratio", u"Tag", u"Tint", u"Value"}));
}

TEST_F(ObjectInspectorTest, ChildRowsOfSetsAndObjectsButNotComponents) {
  Sample->Link = Root;
  Sample->Kinds = TSampleKinds{skBanana};
  Inspector->SetInspectedObject(Sample);
  EXPECT_EQ(Names(Row(u"Kinds")), (std::vector<String>{u"skApple", u"skBanana", u"skCherry"}));
  auto* element = static_cast<TZCLObjectInspectorNode*>(Row(u"Kinds.skBanana"));
  EXPECT_TRUE(element->Editor->InheritsFrom(TZCLSetSubPropertyEditor::StaticClass()));
  EXPECT_EQ(element->GetValue(1), u"True");
  EXPECT_EQ(element->Editor->GetFullName(), u"Kinds");
  EXPECT_EQ(Names(Row(u"Detail")), (std::vector<String>{u"Depth", u"Visible"}));
  EXPECT_EQ(Row(u"Detail.Depth")->GetValue(1), u"3");
  EXPECT_EQ(Row(u"Link")->GetChildrenCount(), 0);
  EXPECT_EQ(Tree->FindNode(u"Detail.Nothing"), nullptr);
  EXPECT_EQ(Tree->FindNode(u""), nullptr);

  // Writing value 1 of a row goes through its editor.
  Row(u"Detail.Depth")->SetValue(1, u"9");
  EXPECT_EQ(Sample->Detail->Depth, 9);
}

TEST_F(ObjectInspectorTest, ExpandedRowsAreRememberedPerClass) {
  TSample* other = Create<TSample>(Root);
  TSampleChild* child = Create<TSampleChild>(Root);
  Inspector->SetInspectedObject(Sample);
  Row(u"Detail")->SetExpanded(true);
  Row(u"Kinds")->SetExpanded(true);
  Inspector->SetInspectedObject(child);  // never seen: collapsed
  EXPECT_FALSE(Row(u"Detail")->GetExpanded());
  Inspector->SetInspectedObject(other);
  EXPECT_TRUE(Row(u"Detail")->GetExpanded());
  EXPECT_TRUE(Row(u"Kinds")->GetExpanded());
  EXPECT_FALSE(Row(u"Font")->GetExpanded());

  // Freeing the inspected component empties the inspector.
  Free(other);
  EXPECT_EQ(Inspector->GetInspectedObject(), nullptr);
  EXPECT_EQ(Tree->GetRootNode()->GetChildrenCount(), 0);
}

TEST_F(ObjectInspectorTest, SearchKeepsMatchingRowsWithTheirChildren) {
  Inspector->SetInspectedObject(Sample);
  const struct {
    const char16_t* Text;
    std::vector<String> Top;
    std::vector<String> DetailChildren;
  } cases[] = {
      {u"depth", {u"Detail"}, {u"Depth"}},      // a parent kept for its child, shown expanded
      {u"detail", {u"Detail"}, {u"Depth", u"Visible"}},  // a matching parent keeps every child
      {u"skcherry", {u"Kinds"}, {}},  // an element row
  };
  for (const auto& c : cases) {
    Inspector->SetSearchText(c.Text);
    EXPECT_EQ(Names(), c.Top) << StringToUTF8(c.Text);
    if (!c.DetailChildren.empty()) {
      EXPECT_EQ(Names(Row(u"Detail")), c.DetailChildren) << StringToUTF8(c.Text);
      EXPECT_TRUE(Row(u"Detail")->GetExpanded() || String(c.Text) == u"detail");
    }
  }
  EXPECT_EQ(Names(Row(u"Kinds")), (std::vector<String>{u"skCherry"}));
  Inspector->SetSearchText(u"");
  EXPECT_EQ(Names().size(), 17u);
}

TEST_F(ObjectInspectorTest, SearchBoxAndItsText) {
  EXPECT_EQ(Inspector->GetWidth(), 300);
  EXPECT_EQ(Inspector->GetControl()->GetResourceCollection(), Skin.Get());
  EXPECT_EQ(Inspector->GetSearchEdit()->GetResourceCollection(), Skin.Get());
  EXPECT_FALSE(Inspector->GetSearchEdit()->GetVisible());
  Inspector->SetSearchBox(true);
  EXPECT_TRUE(Inspector->GetSearchEdit()->GetVisible());
  Inspector->SetInspectedObject(Sample);
  Inspector->SetSearchText(u"depth");
  EXPECT_EQ(Inspector->GetSearchEdit()->GetText(), u"depth");
  EXPECT_EQ(Tree->GetSearchText(), u"depth");
  // F3 from anywhere inside goes to the search box, then to OnKeyDown with the inspector as sender.
  struct TKeys {
    std::vector<TObject*> Senders;
    void Down(TObject* Sender, Word&, TShiftState) { Senders.push_back(Sender); }
  } keys;
  Inspector->OnKeyDown = TKeyEvent(&keys, &TKeys::Down);
  Inspector->GetControl()->SetFocus();
  EXPECT_EQ(Inspector->GetControl()->Perform(CM_CHILDKEY, VK_F3, 0), 1);
  EXPECT_TRUE(Inspector->GetSearchEdit()->Focused());
  EXPECT_EQ(keys.Senders, std::vector<TObject*>{Inspector});
  // Turning the box off and on clears the search.
  Inspector->SetSearchBox(false);
  EXPECT_EQ(Tree->GetSearchText(), u"");
  EXPECT_EQ(Names().size(), 17u);
  // Localizing replaces the hint, with nothing when the key is missing.
  Inspector->SetSearchBoxTextHint(u"Search");
  LangFile()->WriteString(u"InspectorTest.Inspector", u"th", u"Suchen");
  Inspector->Localize(u"InspectorTest", u"Inspector");
  LangFile()->DeleteSection(u"InspectorTest.Inspector");
  EXPECT_EQ(Inspector->GetSearchBoxTextHint(), u"Suchen");
  Inspector->Localize(u"InspectorTest", u"Inspector");
  EXPECT_EQ(Inspector->GetSearchBoxTextHint(), u"");
  TOwned<TZCLObjectInspector> fresh(Create<TZCLObjectInspector>(static_cast<TComponent*>(nullptr)));
  EXPECT_EQ(fresh->GetWidth(), 200);
  EXPECT_EQ(fresh->GetHeight(), 400);
}

TEST_F(ObjectInspectorTest, ValuesThatCannotChangeOrAreNotStoredAreGreyed) {
  struct TColours {
    std::map<String, TColor> Value;
    void Draw(TObject*, TCanvas* Canvas, TZCLTreeListNodeCustomDrawData& Data, bool&) {
      if (Data.ValueIndex == 1) Value[Data.Node->GetValue(0)] = Canvas->GetFont()->GetColor();
    }
  } colours;
  Tree->OnCustomDrawNodeCellValue = TZCLTreeListCustomDrawNodeCellEvent(&colours, &TColours::Draw);
  Inspector->SetInspectedObject(Sample);
  const TColor disabled = Tree->GetStyle()->GetTextColor(false);
  for (bool highlight : {true, false}) {
    Inspector->GetOptionsView()->SetHighlightNonStorableProperties(highlight);
    colours.Value.clear();
    Inspector->GetControl()->Repaint();
    Headless::RunUntilIdle();
    ASSERT_EQ(colours.Value.count(u"Scratch"), 1u);
    EXPECT_EQ(colours.Value[u"Scratch"] == disabled, highlight);
    EXPECT_NE(colours.Value[u"Count"], disabled);
  }
}

TEST_F(ObjectInspectorTest, GroupsShowOnlyWithTwoOrMore) {
  struct TGrouping {
    bool ByLetter = false;
    void Name(TObject*, TZCLTreeListNode* Node, String& Group) {
      Group = ByLetter ? Node->GetValue(0).substr(0, 1) : String(u"All");
    }
  } grouping;
  Tree->OnPropertyGetGroupName = TZCLTreeListGetNodeGroupEvent(&grouping, &TGrouping::Name);
  Inspector->SetInspectedObject(Sample);
  EXPECT_FALSE(Tree->GetOptionsBehavior()->GetGroups());
  grouping.ByLetter = true;
  Inspector->Populate();
  EXPECT_TRUE(Tree->GetOptionsBehavior()->GetGroups());
  EXPECT_GT(Tree->GetGroups()->GetCount(), 1);
}

TEST_F(ObjectInspectorTest, ValueEditorsByEditorAndKind) {
  Sample->Kind = skBanana;
  Inspector->SetInspectedObject(Sample);
  const struct {
    const char16_t* Row;
    TClass Editor;
    TZCLEditInputMask Mask;
  } cases[] = {
      {u"Count", TZCLEdit::StaticClass(), eimInteger},
      {u"Big", TZCLEdit::StaticClass(), eimInteger},
      {u"Ratio", TZCLEdit::StaticClass(), eimFloat},
      {u"Caption", TZCLEdit::StaticClass(), eimText},
      {u"Value", TZCLEdit::StaticClass(), eimText},
      {u"Kind", TZCLComboBox::StaticClass(), eimText},
      {u"Flag", TZCLInplaceCheckBox::StaticClass(), eimText},
      {u"Color", nullptr, eimText},
      {u"Font", nullptr, eimText},
      {u"Detail", nullptr, eimText},
  };
  for (const auto& c : cases) {
    TComponent* edit = Edit(c.Row);
    if (!c.Editor) {
      EXPECT_EQ(edit, nullptr) << StringToUTF8(c.Row);
      continue;
    }
    ASSERT_NE(edit, nullptr) << StringToUTF8(c.Row);
    EXPECT_TRUE(edit->InheritsFrom(c.Editor)) << StringToUTF8(c.Row);
    if (auto* text = dynamic_cast<TZCLEdit*>(edit)) EXPECT_EQ(text->GetInputMask(), c.Mask) << StringToUTF8(c.Row);
    if (auto* combo = dynamic_cast<TZCLComboBox*>(edit)) {
      EXPECT_EQ(combo->GetItems()->GetCount(), 3);
      EXPECT_EQ(combo->GetItemIndex(), 1);
    }
    Tree->GetEditingController()->Cancel();
  }
}

TEST_F(ObjectInspectorTest, ExpressionsAndInvariantFloats) {
  const TFormatSettings saved = FormatSettings;
  FormatSettings.DecimalSeparator = u',';
  Sample->Ratio = 2.5;
  Inspector->GetOptionsBehavior()->SetAllowExpressions(true);
  Inspector->SetInspectedObject(Sample);

  auto* count = dynamic_cast<TZCLObjectInspectorExpressionEdit*>(Edit(u"Count"));
  ASSERT_NE(count, nullptr);
  count->SetText(u"2*16");
  Tree->GetEditingController()->ApplyIfEditing();
  EXPECT_EQ(Sample->Count, 32);
  EXPECT_EQ(count->GetText(), u"32");
  // A result beyond 32 bits is an error, not a wrapped number.
  EXPECT_THROW(count->SetText(u"65536*65536"), ERangeError);
  EXPECT_EQ(Sample->Count, 32);
  Tree->GetEditingController()->Cancel();

  auto* ratio = dynamic_cast<TZCLObjectInspectorExpressionEdit*>(Edit(u"Ratio"));
  ASSERT_NE(ratio, nullptr);
  EXPECT_EQ(ratio->GetText(), u"2.5");
  ratio->SetText(u"1/4");
  Tree->GetEditingController()->ApplyIfEditing();
  EXPECT_EQ(Sample->Ratio, 0.25);
  Tree->GetEditingController()->Cancel();
  FormatSettings = saved;
}

TEST_F(ObjectInspectorTest, FloatRowsKeepTheirValueUnderADecimalComma) {
  const TFormatSettings saved = FormatSettings;
  FormatSettings.DecimalSeparator = u',';
  Sample->Ratio = 2.5;
  Inspector->SetInspectedObject(Sample);
  auto* ratio = dynamic_cast<TZCLEdit*>(Edit(u"Ratio"));
  ASSERT_NE(ratio, nullptr);
  EXPECT_EQ(ratio->GetText(), u"2,5");
  Tree->GetEditingController()->ApplyIfEditing();
  EXPECT_EQ(Sample->Ratio, 2.5);
  ratio->SetText(u"0,75");
  Tree->GetEditingController()->ApplyIfEditing();
  EXPECT_EQ(Sample->Ratio, 0.75);
  Tree->GetEditingController()->Cancel();
  FormatSettings = saved;
}

TEST_F(ObjectInspectorTest, OneClickTogglesABooleanRow) {
  Inspector->SetInspectedObject(Sample);
  TZCLTreeListNode* flag = Row(u"Flag");
  Tree->SetFocusedNode(flag);
  const TPoint p = Inspector->GetControl()->ClientToScreen(ValueCellPoint(flag));
  Headless::Click(p);
  Headless::RunUntilIdle();
  EXPECT_TRUE(Sample->Flag);
}

TEST_F(ObjectInspectorTest, ChangesGoThroughTheEventsAndMayBeVetoed) {
  struct THandlers {
    bool Allow = true;
    std::vector<String> Changed;
    void Changing(TObject*, TObject*, PPropInfo, TZCLPropertyEditor*, const Variant&, bool& A) { A = Allow; }
    void Done(TObject*, TObject*, PPropInfo Prop, TZCLPropertyEditor*) { Changed.push_back(Prop->Name); }
  } handlers;
  Tree->OnPropertyChanging = TZCLObjectInspectorPropertyChangingEvent(&handlers, &THandlers::Changing);
  Tree->OnPropertyChanged = TZCLObjectInspectorPropertyChangedEvent(&handlers, &THandlers::Done);
  Inspector->SetInspectedObject(Sample);
  Row(u"Count")->SetValue(1, u"5");
  Row(u"Detail.Depth")->SetValue(1, u"6");
  handlers.Allow = false;
  Row(u"Caption")->SetValue(1, u"vetoed");
  EXPECT_EQ(handlers.Changed, (std::vector<String>{u"Count", u"Depth"}));
  EXPECT_EQ(Sample->Caption, u"");
  // Errors of the conversion come out of the write.
  handlers.Allow = true;
  EXPECT_THROW(Row(u"Kind")->SetValue(1, u"skDurian"), EPropertyConvertError);
}

}  // namespace

namespace {

TEST_F(ObjectInspectorTest, ColourRowsChangeThroughTheirDialog) {
  Integer shown = 0;
  const auto installed = TZCLPropertyEditorDialogs::ColorPicker;
  TZCLPropertyEditorDialogs::ColorPicker = [&](TAlphaColor& Color, bool) {
    ++shown;
    Color = 0xFF00FF00;
    return true;
  };
  Inspector->SetInspectedObject(Sample);
  TZCLTreeListNode* color = Row(u"Color");
  Tree->SetFocusedNode(color);
  Word enter = VK_RETURN;
  Tree->KeyDown(enter, TShiftState());  // no cell editor: the dialog
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(Sample->Color, 0x00FF00);
  EXPECT_EQ(Tree->GetEditingController()->GetEdit(), nullptr);

  // The selected row shows the edit button at the right end; a click on it runs the dialog.
  Tree->FullRefresh();
  Headless::RunUntilIdle();
  auto* rows = static_cast<TZCLObjectInspectorNodeViewInfo*>(Tree->GetContent()->GetNodeViewInfo());
  rows->Initialize(color);
  ASSERT_TRUE(rows->HasEditButton());
  TZCLCompoundControlBaseContentCell* cell = nullptr;
  ASSERT_TRUE(Tree->GetContent()->GetCells()->Find(color, cell));
  const TRect r = cell->AbsoluteBounds();
  const TPoint button(r.Right - r.Height() / 2, (r.Top + r.Bottom) / 2);
  Tree->UpdateHitTest(button.X, button.Y);
  EXPECT_TRUE(Tree->GetHitTest()->GetHitObjectFlag(TZCLObjectInspectorNodeViewInfo::HitFlagEditButton));
  Tree->MouseDown(TMouseButton::Left, TShiftState(), button.X, button.Y);
  Tree->MouseUp(TMouseButton::Left, TShiftState(), button.X, button.Y);
  EXPECT_EQ(shown, 2);
  // Other rows have no button.
  rows->Initialize(Row(u"Count"));
  EXPECT_FALSE(rows->HasEditButton());
  TZCLPropertyEditorDialogs::ColorPicker = installed;
}

TEST_F(ObjectInspectorTest, TabWalksTheRowsWithoutWrapping) {
  Inspector->SetInspectedObject(Sample);
  TZCLTreeListNodeList* rows = Tree->GetAbsoluteVisibleNodes();
  TZCLTreeListNode* last = (*rows)[rows->GetCount() - 1];
  Tree->SetFocusedNode((*rows)[rows->GetCount() - 2]);
  EXPECT_EQ(Inspector->Perform(CM_CHILDKEY, VK_TAB, 0), 1);
  EXPECT_EQ(Tree->GetFocusedNode(), last);
  EXPECT_TRUE(Tree->GetEditingController()->IsEditing(last, nullptr));
  EXPECT_EQ(Inspector->Perform(CM_CHILDKEY, VK_TAB, 0), 0);
  EXPECT_EQ(Tree->GetFocusedNode(), last);

  Tree->GetEditingController()->Cancel();
  Tree->SetFocusedNode((*rows)[0]);
  Headless::KeyDown(VK_SHIFT);
  Headless::RunUntilIdle();
  EXPECT_EQ(Inspector->Perform(CM_CHILDKEY, VK_TAB, 0), 0);
  Headless::KeyUp(VK_SHIFT);
  Headless::RunUntilIdle();
  EXPECT_EQ(Tree->GetFocusedNode(), (*rows)[0]);
}

}  // namespace

namespace {

TEST(ObjectInspector, OptionsStylesAndSearchBoxStreamOutAndBackIn) {
  TOwned<TZCLObjectInspector> inspector(Create<TZCLObjectInspector>(static_cast<TComponent*>(nullptr)));
  inspector->GetOptionsBehavior()->SetAllowExpressions(true);
  inspector->GetOptionsView()->SetHighlightNonStorableProperties(false);
  inspector->SetSearchBox(true);
  inspector->SetSearchBoxTextHint(u"Find");
  inspector->GetStyle()->GetColor(1)->SetValue(0xFF123456);
  TMemoryStream stream;
  WriteComponent(&stream, inspector.get());
  stream.SetPosition(0);

  TOwned<TZCLObjectInspector> back(Create<TZCLObjectInspector>(static_cast<TComponent*>(nullptr)));
  ReadComponent(&stream, back.get());
  EXPECT_TRUE(back->GetOptionsBehavior()->GetAllowExpressions());
  EXPECT_FALSE(back->GetOptionsView()->GetHighlightNonStorableProperties());
  EXPECT_TRUE(back->GetSearchBox());
  EXPECT_EQ(back->GetSearchBoxTextHint(), u"Find");
  EXPECT_EQ(back->GetStyle()->GetColor(1)->GetValue(), 0xFF123456u);
}

}  // namespace
