#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "rtl/RTL.Classes.h"
#include "vcl/VCL.Forms.h"
#include "zcl/ui/controls/ZCL.UI.ComboBox.Check.h"
#include "zcl/ui/controls/ZCL.UI.ComboBox.h"
#include "zcl/ui/controls/ZCL.UI.Edit.Text.h"
#include "zcl/ui/controls/ZCL.UI.Memo.h"
#include "zeph/core/ZEPH.Core.Objects.h"
#include "zeph/core/ZEPH.Core.UI.Edits.h"
#include "zeph/core/ZEPH.Core.UI.TestEvents.h"

namespace {
struct TFree {
  void operator()(TObject* Obj) const { Free(Obj); }
};

class PluginEditsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBounds(100, 100, 400, 300);
    Events = NewTestUIEvents();
  }
  template <class W>
  IPtr<W> New() {
    auto w = IPtr<W>(Create<W>(Events->AsHandler(), Form.get()));
    w->AsControl()->SetParent(Form.get());
    return w;
  }
  static String Text(IZEPHPropertyList* List, Integer ID) {
    void* obj = nullptr;
    if (List->GetValueAsObject(ID, IIDOf<IZEPHString>(), &obj) != S_OK) return u"<none>";
    auto s = IPtr<IZEPHString>::Adopt(static_cast<IZEPHString*>(obj));
    return PluginStringToStr(s.get());
  }
  IPtr<IInterface> Object(IZEPHUIBaseComboBox* Combo, Integer Index) {
    void* obj = nullptr;
    if (Combo->GetItem(Index, IIDOf<IInterface>(), &obj) != S_OK) return {};
    return IPtr<IInterface>::Adopt(static_cast<IInterface*>(obj));
  }

  std::unique_ptr<TForm, TFree> Form;
  IPtr<TTestUIEvents> Events;
};
}  // namespace

TEST_F(PluginEditsTest, SelectionAndTextWorkOnTheInnerEdit) {
  auto edit = New<TZEPHUIEditControl>();
  ASSERT_EQ(edit->SetValueAsObject(ZEPH_UI_EDIT_PROP_TEXT, MakePluginString(u"Hello world").get()), S_OK);
  ASSERT_EQ(edit->SetValueAsInt32(ZEPH_UI_EDIT_PROP_SEL_START, 6), S_OK);
  ASSERT_EQ(edit->SetValueAsInt32(ZEPH_UI_EDIT_PROP_SEL_LENGTH, 5), S_OK);
  EXPECT_EQ(Text(edit.get(), ZEPH_UI_EDIT_PROP_SEL_TEXT), u"world");
  ASSERT_EQ(edit->SetValueAsObject(ZEPH_UI_EDIT_PROP_SEL_TEXT, MakePluginString(u"there").get()), S_OK);
  EXPECT_EQ(Text(edit.get(), ZEPH_UI_EDIT_PROP_TEXT), u"Hello there");
  EXPECT_EQ(static_cast<TZCLEdit*>(edit->AsControl())->GetText(), u"Hello there");

  // Something other than a string leaves the text alone.
  IPtr<IZEPHObjectList> list(Create<TZEPHObjectListAdapter>());
  EXPECT_EQ(edit->SetValueAsObject(ZEPH_UI_EDIT_PROP_TEXT, list.get()), E_INVALIDARG);
  EXPECT_EQ(Text(edit.get(), ZEPH_UI_EDIT_PROP_TEXT), u"Hello there");
  Integer hint = 0;
  EXPECT_EQ(edit->SetValueAsObject(ZEPH_UI_EDIT_PROP_TEXT_HINT, MakePluginString(u"type here").get()), S_OK);
  EXPECT_EQ(Text(edit.get(), ZEPH_UI_EDIT_PROP_TEXT_HINT), u"type here");
  EXPECT_EQ(edit->GetValueAsInt32(ZEPH_UI_EDIT_PROP_READ_ONLY, hint), S_OK);
}

TEST_F(PluginEditsTest, ButtonsReportToTheirOwnHandlerAndDeletedOnesAnswerEHandle) {
  auto edit = New<TZEPHUIEditControl>();
  auto other = New<TZEPHUIEditControl>();
  auto buttonEvents = NewTestUIEvents();
  IPtr<IZEPHUIEditButton> button, foreign;
  ASSERT_EQ(edit->AddButton(buttonEvents->AsHandler(), button), S_OK);
  ASSERT_EQ(other->AddButton(nullptr, foreign), S_OK);
  ASSERT_EQ(edit->GetButtonCount(), 1);
  IPtr<IZEPHUIEditButton> again;
  ASSERT_EQ(edit->GetButton(0, again), S_OK);
  EXPECT_EQ(again.get(), button.get());
  ASSERT_EQ(button->SetValueAsObject(1, MakePluginString(u"...").get()), S_OK);
  EXPECT_EQ(static_cast<TZCLEdit*>(edit->AsControl())->GetButtons()->GetItem(0)->GetCaption(), u"...");

  static_cast<TZCLEdit*>(edit->AsControl())->GetButtons()->GetItem(0)->OnClick(nullptr);
  ASSERT_EQ(buttonEvents->Changes(), 1);
  EXPECT_EQ(Events->Changes(), 0);

  // Only this edit's own buttons can be deleted through it.
  EXPECT_EQ(edit->DeleteButtonObject(foreign.get()), E_UNEXPECTED);
  EXPECT_EQ(other->GetButtonCount(), 1);
  EXPECT_EQ(edit->DeleteButtonObject(nullptr), E_UNEXPECTED);
  EXPECT_EQ(edit->DeleteButton(3), E_UNEXPECTED);
  ASSERT_EQ(edit->DeleteButtonObject(button.get()), S_OK);
  EXPECT_EQ(edit->GetButtonCount(), 0);
  Integer width = 0;
  EXPECT_EQ(button->GetValueAsInt32(7, width), E_HANDLE);
}

TEST_F(PluginEditsTest, MemoLinesAndCaret) {
  auto memo = New<TZEPHUIMemoControl>();
  for (const char16_t* line : {u"zero line", u"first line", u"second line"})
    ASSERT_EQ(memo->AddLine(MakePluginString(line).get()), S_OK);
  ASSERT_EQ(memo->AddLine(MakePluginString(u"").get()), S_OK);
  EXPECT_EQ(memo->GetLineCount(), 4);
  IPtr<IZEPHObjectList> list(Create<TZEPHObjectListAdapter>());
  EXPECT_EQ(memo->AddLine(reinterpret_cast<IZEPHString*>(static_cast<IInterface*>(list.get()))), E_INVALIDARG);
  EXPECT_EQ(memo->AddLine(nullptr), E_INVALIDARG);
  EXPECT_EQ(memo->GetLineCount(), 4);

  const Int64 caret = 5 + (Int64(2) << 32);
  ASSERT_EQ(memo->SetValueAsInt64(ZEPH_UI_MEMO_PROP_CARET_POS, caret), S_OK);
  EXPECT_EQ(memo->AsMemo()->GetCaretPos(), TPoint(5, 2));
  Int64 back = 0;
  ASSERT_EQ(memo->GetValueAsInt64(ZEPH_UI_MEMO_PROP_CARET_POS, back), S_OK);
  EXPECT_EQ(back, caret);

  IPtr<IZEPHString> line;
  ASSERT_EQ(memo->GetLine(1, line), S_OK);
  EXPECT_EQ(PluginStringToStr(line.get()), u"first line");
  EXPECT_EQ(memo->GetLine(9, line), E_UNEXPECTED);
  EXPECT_EQ(memo->AsMemo()->GetScrollBars(), ssBoth);

  // Through plugin streams: a stream that refuses to write is an error, not an exception.
  auto* data = new TMemoryStream();
  IPtr<IZEPHStream> stream(Create<TZEPHStreamAdapter>(data, soOwned));
  ASSERT_EQ(memo->SaveToStream(stream.get()), S_OK);
  ASSERT_EQ(memo->Clear(), S_OK);
  stream->Seek(0, 0);
  ASSERT_EQ(memo->LoadFromStream(stream.get()), S_OK);
  EXPECT_EQ(memo->GetLineCount(), 4);
  IPtr<IZEPHStream> readOnly(Create<TZEPHStreamAdapter>(new TMemoryStream(), soOwned, true));
  EXPECT_EQ(memo->SaveToStream(readOnly.get()), E_UNEXPECTED);
}

TEST_F(PluginEditsTest, ComboItemObjectsFollowTheItems) {
  auto combo = New<TZEPHUIComboBoxControl>();
  IPtr<IZEPHObjectList> plain(Create<TZEPHObjectListAdapter>());
  auto b = MakePluginString(u"B");
  void* obj = nullptr;
  // No selection: no object.
  EXPECT_EQ(combo->GetValueAsObject(ZEPH_UI_COMBO_PROP_ITEM_OBJECT, IIDOf<IInterface>(), &obj), E_INVALIDARG);
  EXPECT_EQ(obj, nullptr);
  ASSERT_EQ(combo->Add(plain.get(), 0), S_OK);
  ASSERT_EQ(combo->Add(b.get(), 0), S_OK);
  auto* items = static_cast<TZCLComboBox*>(combo->AsControl())->GetItems();
  ASSERT_EQ(items->GetCount(), 2);
  EXPECT_EQ(items->GetStrings(0), u"") << "an object that is no string gives an empty text";
  EXPECT_EQ(Object(combo.get(), 0).get(), static_cast<IInterface*>(plain.get()));
  EXPECT_EQ(combo->GetItem(0, IIDOf<IZEPHString>(), &obj), E_FAIL);
  EXPECT_EQ(combo->GetItem(7, IIDOf<IInterface>(), &obj), E_UNEXPECTED);
  ASSERT_EQ(combo->SetValueAsInt32(ZEPH_UI_COMBO_PROP_ITEM_INDEX, 1), S_OK);
  ASSERT_EQ(combo->GetValueAsObject(ZEPH_UI_COMBO_PROP_ITEM_OBJECT, IIDOf<IZEPHString>(), &obj), S_OK);
  auto selected = IPtr<IZEPHString>::Adopt(static_cast<IZEPHString*>(obj));
  EXPECT_EQ(selected.get(), b.get());

  ASSERT_EQ(combo->Delete(0), S_OK);
  EXPECT_EQ(combo->GetItemCount(), 1);
  EXPECT_EQ(Object(combo.get(), 0).get(), static_cast<IInterface*>(b.get()));
  ASSERT_EQ(combo->SetItem(0, MakePluginString(u"C").get()), S_OK);
  EXPECT_EQ(items->GetStrings(0), u"C");
  ASSERT_EQ(combo->Clear(), S_OK);
  EXPECT_EQ(combo->GetItemCount(), 0);
  EXPECT_EQ(items->GetCount(), 0);
}

TEST_F(PluginEditsTest, AComboReportsTypingInEditModeAndPickingInListMode) {
  auto combo = New<TZEPHUIComboBoxControl>();
  auto* control = static_cast<TZCLComboBox*>(combo->AsControl());
  struct TCase {
    TZCLComboBoxMode Mode;
    Integer OnTyping, OnPicking;
  };
  for (const TCase& c : {TCase{cbmEdit, 1, 0}, TCase{cbmList, 0, 1}}) {
    ASSERT_EQ(combo->SetValueAsInt32(ZEPH_UI_COMBO_PROP_MODE, Integer(c.Mode)), S_OK);
    ASSERT_EQ(control->GetMode(), c.Mode);
    Events->Senders.clear();
    control->OnChange(control);
    EXPECT_EQ(Events->Changes(), c.OnTyping) << Integer(c.Mode);
    Events->Senders.clear();
    control->OnSelect(control);
    EXPECT_EQ(Events->Changes(), c.OnPicking) << Integer(c.Mode);
  }
}

TEST_F(PluginEditsTest, CheckAndImageItemsAnswerPlainValuesForBadIndexes) {
  auto check = New<TZEPHUICheckComboBoxControl>();
  auto image = New<TZEPHUIImageComboBoxControl>();
  ASSERT_EQ(check->Add(MakePluginString(u"on").get(), 1), S_OK);
  ASSERT_EQ(check->Add(MakePluginString(u"off").get(), 0), S_OK);
  ASSERT_EQ(image->Add(MakePluginString(u"pic").get(), 3), S_OK);
  EXPECT_EQ(check->GetChecked(0), -1);
  EXPECT_EQ(check->GetChecked(1), 0);
  ASSERT_EQ(check->SetChecked(1, 1), S_OK);
  EXPECT_EQ(check->GetChecked(1), -1);
  EXPECT_EQ(image->GetImageIndex(0), 3);
  ASSERT_EQ(image->SetImageIndex(0, 4), S_OK);
  EXPECT_EQ(image->GetImageIndex(0), 4);

  for (Integer bad : {-1, 2, 100}) {
    EXPECT_EQ(check->GetChecked(bad), 0) << bad;
    EXPECT_EQ(check->SetChecked(bad, 1), E_INVALIDARG) << bad;
    EXPECT_EQ(image->GetImageIndex(bad), -1) << bad;
    EXPECT_EQ(image->SetImageIndex(bad, 1), E_UNEXPECTED) << bad;
  }
}

TEST_F(PluginEditsTest, AfterTheFormFreesTheControlsEveryCallAnswersEHandle) {
  auto edit = New<TZEPHUIEditControl>();
  auto memo = New<TZEPHUIMemoControl>();
  auto check = New<TZEPHUICheckComboBoxControl>();
  auto image = New<TZEPHUIImageComboBoxControl>();
  ASSERT_EQ(check->Add(MakePluginString(u"on").get(), 1), S_OK);
  ASSERT_EQ(image->Add(MakePluginString(u"pic").get(), 3), S_OK);
  Form.reset();
  IPtr<IZEPHUIEditButton> button;
  EXPECT_EQ(edit->AddButton(nullptr, button), E_HANDLE);
  EXPECT_EQ(edit->SelectAll(), E_HANDLE);
  EXPECT_EQ(edit->GetButtonCount(), -1);
  EXPECT_EQ(memo->GetLineCount(), -1);
  EXPECT_EQ(memo->AddLine(MakePluginString(u"x").get()), E_HANDLE);
  EXPECT_EQ(check->GetChecked(0), 0);
  EXPECT_EQ(image->GetImageIndex(0), -1);
  EXPECT_EQ(check->Clear(), E_HANDLE);
}
