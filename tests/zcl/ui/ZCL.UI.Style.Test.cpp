#include <gtest/gtest.h>

#include "zcl/ui/ZCL.UI.Style.h"

namespace {

class TTestStyle : public TZCLStyle {
  ZCL_CLASS(TTestStyle, TZCLStyle)
 public:
  using TZCLStyle::TZCLStyle;

 protected:
  void InitializeResources() override {
    GetColor(0)->InitializeAsRef(u"StyleTest.Colors.Text", false);
    GetMargins(0)->InitializeDefault(u"StyleTest.Margins.Borders", TRect(1, 1, 1, 1));
    GetTexture(0)->InitializeDefault(u"StyleTest.Textures.Box");
  }
};

class TStyleOwner : public TZCLUnknownObject, public IZCLResourceChangeListener {
  ZCL_CLASS(TStyleOwner, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZCLResourceChangeListener)
 public:
  Integer Changes = 0;
  TTestStyle* Style = nullptr;
  void ResourceChanged(TObject*, TZCLResource*) override {
    ++Changes;
    // A reaction that changes the style again is not reported back.
    if (Style) Style->GetMargins(0)->SetAll(Changes + 10);
  }
};

TZCLResourceColor* RootColor() {
  TZCLCustomResourceCollection* root = TZCLRootResourceCollection::GetInstance();
  auto* r = static_cast<TZCLResourceColor*>(
      root->GetItems()->Add(u"StyleTest.Colors.Text", TZCLResourceColor::StaticClass()));
  return r;
}

TEST(Styles, SlotsFollowTheCollectionChain) {
  RootColor()->SetValue(claBlack);
  TStyleOwner owner;
  std::unique_ptr<TTestStyle> style(Create<TTestStyle>(static_cast<TObject*>(&owner)));
  EXPECT_EQ(owner.Changes, 0);  // construction is silent
  EXPECT_EQ(style->GetColor(0)->GetValue(), claBlack);
  EXPECT_EQ(style->GetMargins(0)->GetValue(), TRect(1, 1, 1, 1));
  EXPECT_FALSE(style->IsColorStored(0));

  auto* collection = Create<TZCLResourceCollection>(static_cast<TComponent*>(nullptr));
  static_cast<TZCLResourceColor*>(
      collection->GetItems()->Add(u"StyleTest.Colors.Text", TZCLResourceColor::StaticClass()))
      ->SetValue(claWhite);
  style->SetCollection(collection);
  EXPECT_EQ(style->GetColor(0)->GetValue(), claWhite);
  EXPECT_EQ(owner.Changes, 1);
  style->SetCollection(nullptr);
  EXPECT_EQ(style->GetColor(0)->GetValue(), claBlack);
  EXPECT_EQ(owner.Changes, 2);

  style->SetCollection(collection);
  EXPECT_EQ(owner.Changes, 3);
  Free(collection);  // the style drops it and falls back to the root
  EXPECT_EQ(style->GetStyleCollection(), nullptr);
  EXPECT_EQ(style->GetColor(0)->GetValue(), claBlack);
  EXPECT_EQ(owner.Changes, 4);

  RootColor()->SetValue(claMaroon);  // reaches the owner through the slot, once
  EXPECT_EQ(owner.Changes, 5);
  EXPECT_EQ(style->GetColor(0)->GetValue(), claMaroon);
}

TEST(Styles, TargetDpiReactionsAndAssign) {
  TStyleOwner owner;
  std::unique_ptr<TTestStyle> style(Create<TTestStyle>(static_cast<TObject*>(&owner)));
  style->SetTargetDPI(96);
  EXPECT_EQ(owner.Changes, 0);
  style->SetTargetDPI(144);
  EXPECT_EQ(owner.Changes, 1);
  EXPECT_EQ(style->GetColor(0)->GetTargetDPI(), 144);
  EXPECT_EQ(style->ScaleByTargetDPI(3), 5);

  owner.Style = style.get();
  style->GetMargins(0)->SetAll(3);
  EXPECT_EQ(owner.Changes, 2);  // the owner's own change to the margins came back to nobody
  EXPECT_EQ(style->GetMargins(0)->GetAll(), 12);
  owner.Style = nullptr;

  std::unique_ptr<TTestStyle> copy(Create<TTestStyle>(static_cast<TObject*>(nullptr)));
  copy->Assign(style.get());
  EXPECT_TRUE(copy->IsColorStored(0));  // the identifier is the copy's own now
  EXPECT_EQ(copy->GetColor(0)->GetID(), u"StyleTest.Colors.Text");
  EXPECT_EQ(copy->GetMargins(0)->GetAll(), 12);
  EXPECT_EQ(copy->GetColor(0)->GetTargetDPI(), 96);
  EXPECT_EQ(copy->GetTexture(0)->GetID(), u"StyleTest.Textures.Box");
  EXPECT_TRUE(copy->IsTextureStored(0));
  Integer count = 0;
  copy->EnumResources([&count](TZCLResource*) { ++count; });
  EXPECT_EQ(count, 3);
}

}  // namespace

namespace {

TEST(Styles, DarkModeChangeReloadsTheRootOnceForEveryStyle) {
  RootColor()->SetValue(claBlack);
  TStyleOwner first, second;
  std::unique_ptr<TTestStyle> a(Create<TTestStyle>(static_cast<TObject*>(&first)));
  std::unique_ptr<TTestStyle> b(Create<TTestStyle>(static_cast<TObject*>(&second)));
  EXPECT_EQ(a->GetColor(0)->GetValue(), claBlack);
  TZCLApplication::SetDarkMode(TZCLBoolean::True);  // the root reloads (no built-in skin here: empty)
  EXPECT_EQ(first.Changes, 1);
  EXPECT_EQ(second.Changes, 1);
  EXPECT_EQ(a->GetColor(0)->GetReference(), nullptr);
  TZCLApplication::SetDarkMode(TZCLBoolean::Default);
  EXPECT_EQ(first.Changes, 1);  // nothing left to lose
}

}  // namespace
