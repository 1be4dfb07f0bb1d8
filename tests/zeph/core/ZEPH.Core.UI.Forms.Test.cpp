#include <gtest/gtest.h>

#include <functional>

#include "support/TestSupport.h"
#include "vcl/VCL.Forms.h"
#include "zeph/core/ZEPH.Core.UI.Forms.h"

namespace {
// A plugin's form events: records them and answers the close query as told.
class TFormEvents : public TInterfacedObject, public IZEPHUIFormEvents {
  ZCL_CLASS(TFormEvents, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHUIFormEvents)
 public:
  LongBool CloseAnswer = 0;
  Integer Created = 0, Destroyed = 0;
  std::function<void(IZEPHUIForm*)> Activated;

  void OnActivated(IZEPHUIForm* Sender) override {
    if (Activated) Activated(Sender);
  }
  void OnDeactivated(IZEPHUIForm*) override {}
  void OnCreated(IZEPHUIForm*) override { ++Created; }
  void OnDestroyed(IZEPHUIForm*) override { ++Destroyed; }
  void OnCloseQuery(IZEPHUIForm*, LongBool& CanClose) override { CanClose = CloseAnswer; }
  void OnLocalize(IZEPHUIForm*) override {}
  void OnShortCut(IZEPHUIForm*, Word, Integer, LongBool&) override {}
};

class PluginFormTest : public ::testing::Test {
 protected:
  void SetUp() override { Events = IPtr<TFormEvents>(Create<TFormEvents>()); }
  IPtr<TZEPHUIFormControl> NewForm() {
    return IPtr<TZEPHUIFormControl>(
        Create<TZEPHUIFormControl>(nullptr, static_cast<IInterface*>(Events.get()), nullptr, 0));
  }
  IPtr<TFormEvents> Events;
};
}  // namespace

TEST_F(PluginFormTest, NewFormHasItsDefaultsAndBorderProperties) {
  auto form = NewForm();
  EXPECT_EQ(Events->Created, 1);
  EXPECT_EQ(form->AsForm()->GetWidth(), 320);
  EXPECT_EQ(form->AsForm()->GetHeight(), 240);
  EXPECT_EQ(form->AsForm()->GetFont()->GetHeight(), -11);

  const struct {
    Integer Id, Write, Read;
  } cases[] = {
      {ZEPH_UI_FORM_PROP_BORDER_STYLE, 7, 0}, {ZEPH_UI_FORM_PROP_BORDER_STYLE, 3, 3},
      {ZEPH_UI_FORM_PROP_BORDER_STYLE, 5, 5}, {ZEPH_UI_FORM_PROP_BORDER_ICONS, 15, 7},
      {ZEPH_UI_FORM_PROP_BORDER_ICONS, 2, 2}, {ZEPH_UI_FORM_PROP_CLOSE_BY_ESCAPE, 1, 1},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(form->SetValueAsInt32(c.Id, c.Write), S_OK) << c.Id;
    Integer value = -1;
    ASSERT_EQ(form->GetValueAsInt32(c.Id, value), S_OK) << c.Id;
    EXPECT_EQ(value, c.Read) << c.Id << " " << c.Write;
  }
  ASSERT_EQ(form->SetValueAsInt32(ZEPH_UI_FORM_PROP_BORDER_STYLE, 7), S_OK);
  EXPECT_EQ(form->AsForm()->GetBorderStyle(), bsSizeable);
  EXPECT_EQ(form->Release(0), S_OK);
}

TEST_F(PluginFormTest, ReleaseFreesAHiddenFormAtOnceAndAVisibleOneFromTheLoop) {
  auto hidden = NewForm();
  ASSERT_EQ(hidden->Release(0), S_OK);
  EXPECT_EQ(Events->Destroyed, 1);
  TZEPHUIPlacement p{};
  EXPECT_EQ(hidden->GetPlacement(p), E_HANDLE);

  auto shown = NewForm();
  ASSERT_EQ(shown->SetValueAsInt32(ZEPH_UI_PROP_VISIBLE, 1), S_OK);
  ASSERT_EQ(shown->Release(0), S_OK);
  EXPECT_EQ(Events->Destroyed, 1);
  Application->ProcessMessages();
  EXPECT_EQ(Events->Destroyed, 2);
  EXPECT_EQ(shown->GetControlCount(), -1);
}

// The close query would refuse: the release still ends the loop.
TEST_F(PluginFormTest, ReleaseDuringShowModalEndsTheLoopWithCancel) {
  auto form = NewForm();
  Events->CloseAnswer = 0;
  struct TShown {
    TZEPHUIFormControl* Form;
    bool Released = false;
  } shown{form.get()};
  // Released from inside the modal loop, once it waits for messages.
  Application->OnIdle = TIdleEvent(
      &shown, +[](TShown* Data, TObject*, bool& Done) {
        Done = false;
        if (Data->Released) return;
        Data->Released = true;
        EXPECT_EQ(Data->Form->Release(0), S_OK);
      });
  EXPECT_EQ(form->ShowModal(), 2);
  Application->OnIdle = nullptr;
  EXPECT_TRUE(shown.Released);
  Application->ProcessMessages();
  EXPECT_EQ(Events->Destroyed, 1);
}

TEST_F(PluginFormTest, AgreedCloseOfANonModalFormReleasesIt) {
  auto form = NewForm();
  ASSERT_EQ(form->SetValueAsInt32(ZEPH_UI_PROP_VISIBLE, 1), S_OK);
  Events->CloseAnswer = 0;
  ASSERT_EQ(form->Close(), S_OK);
  EXPECT_TRUE(form->AsForm()->GetVisible());  // refused
  Events->CloseAnswer = 1;
  ASSERT_EQ(form->Close(), S_OK);
  Application->ProcessMessages();
  EXPECT_EQ(Events->Destroyed, 1);
}
