#include <gtest/gtest.h>

#include <map>

#include "zcl/ui/ZCL.UI.Resources.Font.h"

namespace {

class TFontProvider : public TZCLUnknownObject, public IZCLResourceProvider {
  ZCL_CLASS(TFontProvider, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZCLResourceProvider)
 public:
  std::map<String, TZCLResource*> Items;
  TZCLResource* GetResource(const String& ID, TZCLResourceClass ResourceClass, TObject* Sender) override {
    auto it = Items.find(ID);
    if (it == Items.end() || it->second == Sender || !it->second->InheritsFrom(ResourceClass)) return nullptr;
    return it->second;
  }
};

TEST(FontResource, SizeHeightAndDefaults) {
  std::unique_ptr<TZCLResourceFont> f(Create<TZCLResourceFont>(static_cast<TObject*>(nullptr)));
  TFont platform;
  EXPECT_EQ(f->GetName(), platform.GetName());
  EXPECT_EQ(f->GetStyle(), platform.GetStyle());
  EXPECT_EQ(f->GetHeight(), -11);  // the default 8 points at 96 DPI
  EXPECT_TRUE(f->GetAssignedValues().Empty());
  EXPECT_FALSE(f->IsValueStored());

  f->SetHeight(-16);
  EXPECT_EQ(f->GetSize(), 12);
  f->SetSize(9);
  EXPECT_EQ(f->GetHeight(), -12);
  EXPECT_TRUE(f->GetAssignedValues().Contains(rfavHeight));
  EXPECT_EQ(f->GetValueText(), platform.GetName() + u", 9pt");
  TFont* cached = f->GetFont();
  ASSERT_NE(cached, nullptr);
  EXPECT_EQ(cached->GetHeight(), -12);
}

TEST(FontResource, ReferencesAndColour) {
  TFontProvider provider;
  std::unique_ptr<TZCLResourceFont> base(Create<TZCLResourceFont>(static_cast<TObject*>(nullptr)));
  base->SetName(u"DejaVu Sans");
  base->SetHeight(-13);
  base->SetColor(claNavy);
  std::unique_ptr<TZCLResourceColor> text(Create<TZCLResourceColor>(static_cast<TObject*>(nullptr)));
  text->SetValue(claMaroon);
  provider.Items[u"Common.Fonts.Default"] = base.get();
  provider.Items[u"Common.Colors.Text"] = text.get();

  std::unique_ptr<TZCLResourceFont> bold(Create<TZCLResourceFont>(static_cast<TObject*>(&provider)));
  bold->InitializeDefault(u"Common.Fonts.Default");
  bold->SetStyle({fsBold});
  EXPECT_EQ(bold->GetName(), u"DejaVu Sans");
  EXPECT_EQ(bold->GetHeight(), -13);
  EXPECT_EQ(bold->GetColor(), claNavy);
  EXPECT_EQ(bold->GetStyle(), TFontStyles{fsBold});

  // A colour given by identifier is stored as ColorID, one given by value as Color.
  bold->SetColorID(u"Common.Colors.Text");
  EXPECT_EQ(bold->GetColor(), claMaroon);
  PPropInfo color = GetPropInfo(bold.get(), u"Color");
  PPropInfo colorID = GetPropInfo(bold.get(), u"ColorID");
  EXPECT_TRUE(IsStoredProp(bold.get(), colorID));
  EXPECT_FALSE(IsStoredProp(bold.get(), color));
  bold->SetColor(claYellow);
  EXPECT_FALSE(IsStoredProp(bold.get(), colorID));
  EXPECT_TRUE(IsStoredProp(bold.get(), color));
  EXPECT_EQ(bold->GetColor(), claYellow);

  // Dropping the colour bit resets the colour resource and inherits again.
  bold->SetAssignedValues(bold->GetAssignedValues() - TZCLResourceFontAssignedValues{rfavColor});
  EXPECT_TRUE(bold->GetColorResource()->IsDefault());
  EXPECT_EQ(bold->GetColor(), claNavy);

  base->SetHeight(-20);  // changes travel to the referring font
  EXPECT_EQ(bold->GetHeight(), -20);
  EXPECT_EQ(bold->GetFont()->GetHeight(), -20);
}

}  // namespace
