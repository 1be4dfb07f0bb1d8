#include <gtest/gtest.h>

#include <thread>

#include "vcl/VCL.StdCtrls.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"
#include "zeph/media/ZEPH.FileInfo.Formatter.Legend.h"
#include "zeph/media/ZEPH.FileInfo.Formatter.Service.h"
#include "zeph/media/ZEPH.FileInfo.Formatter.h"

namespace {
struct TInserted {
  String Text;
  void Handle(TObject*, const String& Value) { Text = Value; }
};

// An edit box drawn at 144 DPI.
class TDpiEdit : public TEdit, public IZCLCurrentDpi {
  ZCL_CLASS(TDpiEdit, TEdit)
  RTL_INTERFACES(TEdit, IZCLCurrentDpi)
 public:
  using TEdit::TEdit;
  Integer GetCurrentDpi() override { return 144; }
};

TMenuItem* FindItem(TMenuItem* Parent, StringView Hint) {
  for (Integer i = 0; i < Parent->GetCount(); ++i) {
    if (Parent->GetItem(i)->GetHint() == Hint) return Parent->GetItem(i);
    if (TMenuItem* found = FindItem(Parent->GetItem(i), Hint)) return found;
  }
  return nullptr;
}
}  // namespace

TEST(FormatterLegend, ListsMacrosByCategoryAndInsertsTheChosenOne) {
  TZEPHFileInfoFormatterLegend* legend = TZEPHFileInfoFormatterLegend::Instance();
  TInserted inserted;
  legend->PopupFor(10, 10, nullptr, TZEPHLegendInsertEvent(&inserted, &TInserted::Handle));
  TMenuItem* root = legend->GetItems();
  ASSERT_GT(root->GetCount(), 3);
  // Aliases are not listed; categories come in order.
  EXPECT_EQ(FindItem(root, u"%M"), nullptr);
  TMenuItem* mark = FindItem(root, u"%Mark");
  ASSERT_NE(mark, nullptr);
  EXPECT_EQ(mark->GetCaption(), u"[B]%Mark[/B]");
  EXPECT_EQ(mark->GetParent()->GetCaption(), u"20");
  TMenuItem* parentDir = FindItem(root, u"%FileParentDir(..)");
  ASSERT_NE(parentDir, nullptr);
  parentDir->Click();
  EXPECT_EQ(inserted.Text, u"%FileParentDir()");
  mark->Click();
  EXPECT_EQ(inserted.Text, u"%Mark");
  // Opening again rebuilds the same items.
  const Integer count = root->GetCount();
  legend->Popup(0, 0);
  EXPECT_EQ(root->GetCount(), count);
  EXPECT_EQ(LegendItemText(u"", u"&Title"), u"Title");
}

TEST(FormatterLegend, ChosenMacroReplacesTheSelectionOfTheTargetEdit) {
  TEdit* edit = Create<TEdit>(nullptr);
  edit->SetText(u"[old]");
  edit->SetSelStart(1);
  edit->SetSelLength(3);
  EXPECT_FALSE(InsertIntoEdit(u"x", nullptr));  // nothing has the focus
  TZEPHFileInfoFormatterLegend* legend = TZEPHFileInfoFormatterLegend::Instance();
  legend->PopupForControl(edit, TPoint(5, 5), nullptr);
  TMenuItem* item = FindItem(legend->GetItems(), u"%FileParentDir(..)");
  ASSERT_NE(item, nullptr);
  item->Click();
  EXPECT_EQ(edit->GetText(), u"[%FileParentDir()]");
  EXPECT_EQ(edit->GetSelStart(), 17);
  EXPECT_TRUE(InsertIntoEdit(u"!", edit));
  EXPECT_EQ(edit->GetText(), u"[%FileParentDir()!]");
  Free(edit);
  EXPECT_EQ(legend->GetTarget(), nullptr);
}

TEST(FormatterLegend, ServiceShowsTheLegendOnTheMainThreadForKnownFactories) {
  IPtr<IZEPHServiceFileInfoFormatterUtils> utils(Create<TZEPHFileInfoFormatterService>());
  const TRect rect(10, 10, 50, 30);
  EXPECT_EQ(utils->ShowMacrosLegend(rect, 0, nullptr), S_OK);
  EXPECT_GT(TZEPHFileInfoFormatterLegend::Instance()->GetItems()->GetCount(), 3);
  EXPECT_EQ(utils->ShowMacrosLegend(rect, 7, nullptr), E_INVALIDARG);
  HRESULT fromWorker = S_OK;
  std::thread([&] { fromWorker = utils->ShowMacrosLegend(rect, 0, nullptr); }).join();
  EXPECT_EQ(fromWorker, E_ACCESSDENIED);
}

TEST(FormatterLegend, TakesTheTargetsDpiElseTheMonitors) {
  TDpiEdit* edit = Create<TDpiEdit>(nullptr);
  TZEPHFileInfoFormatterLegend* legend = TZEPHFileInfoFormatterLegend::Instance();
  legend->PopupForControl(edit, TPoint(5, 5), nullptr);
  EXPECT_EQ(legend->GetDPI(), 144);
  legend->PopupFor(5, 5, nullptr, nullptr);
  EXPECT_EQ(legend->GetDPI(), GetMonitorDPIAtPoint(TPoint(5, 5)));
  Free(edit);
}
