#include <gtest/gtest.h>

#include <map>

#include "zcl/ui/ZCL.UI.Resources.h"

namespace {

// Resolves identifiers from a map and counts the changes its resources report.
class TTestProvider : public TZCLUnknownObject, public IZCLResourceProvider, public IZCLResourceChangeListener {
  ZCL_CLASS(TTestProvider, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZCLResourceProvider, IZCLResourceChangeListener)
 public:
  std::map<String, TZCLResource*> Items;
  Integer Changes = 0;
  TZCLResource* GetResource(const String& ID, TZCLResourceClass ResourceClass, TObject* Sender) override {
    auto it = Items.find(ID);
    if (it == Items.end() || it->second == Sender || !it->second->InheritsFrom(ResourceClass)) return nullptr;
    return it->second;
  }
  void ResourceChanged(TObject*, TZCLResource*) override { ++Changes; }
};

template <class T>
T* Make(TObject* Owner = nullptr) {
  return Create<T>(Owner);
}

TEST(Resources, ColorSlotsResolveAndFallBack) {
  TTestProvider provider;
  std::unique_ptr<TZCLResourceColor> text(Make<TZCLResourceColor>());
  text->SetValue(claBlack);
  provider.Items[u"Common.Colors.Text"] = text.get();

  std::unique_ptr<TZCLResourceColor> slot(Make<TZCLResourceColor>(&provider));
  EXPECT_EQ(provider.Changes, 0);  // construction is silent
  slot->InitializeAsRef(u"Missing", true);
  EXPECT_EQ(slot->GetValue(), claDefault);
  slot->InitializeAsColor(u"Missing", clWhite);
  EXPECT_EQ(slot->GetValue(), 0xFFFFFFFFu);
  slot->InitializeAsRef(u"Common.Colors.Text", true);
  EXPECT_EQ(slot->GetReference(), text.get());
  EXPECT_EQ(slot->GetValue(), claBlack);
  EXPECT_FALSE(slot->IsIDStored());
  EXPECT_FALSE(slot->IsValueStored());
  EXPECT_TRUE(slot->IsDefault());

  provider.Changes = 0;
  text->SetValue(claWhite);  // the referring slot tells its owner once
  EXPECT_EQ(provider.Changes, 1);
  EXPECT_EQ(slot->GetValue(), claWhite);

  slot->SetValue(claYellow);  // a value of its own ends the reference
  EXPECT_EQ(slot->GetID(), u"");
  EXPECT_EQ(slot->GetReference(), nullptr);
  EXPECT_TRUE(slot->IsIDStored());  // the empty ID differs from the default one
  EXPECT_TRUE(slot->IsValueStored());
  EXPECT_EQ(slot->ToString(), TAlphaColorHelper::ToString(claYellow));

  slot->Reset();
  EXPECT_EQ(slot->GetID(), u"Common.Colors.Text");
  EXPECT_EQ(slot->GetValue(), claWhite);
  // Freeing the referenced colour makes the slot resolve again (to nothing).
  provider.Items.clear();
  text.reset();
  EXPECT_EQ(slot->GetReference(), nullptr);
  EXPECT_EQ(slot->GetValue(), claDefault);
}

TEST(Resources, OpacityAndColorSchema) {
  std::unique_ptr<TZCLResourceColor> c(Make<TZCLResourceColor>());
  c->SetValue(claBlack);
  c->SetOpacity(128);
  EXPECT_EQ(c->GetValue(), 0x80000000u);
  EXPECT_EQ(c->GetValueText(), TAlphaColorHelper::ToString(0x80000000u) + u" (50%)");
  EXPECT_TRUE(c->HasAlpha());

  const TZCLColorSchema schema = TZCLColorSchema::Create(120, 100);
  TTestProvider provider;
  std::unique_ptr<TZCLResourceColor> base(Make<TZCLResourceColor>());
  base->SetValue(0xFF3060C0);
  provider.Items[u"Base"] = base.get();
  std::unique_ptr<TZCLResourceColor> ref(Make<TZCLResourceColor>(&provider));
  ref->InitializeAsRef(u"Base", true);
  std::unique_ptr<TZCLResourceColor> atDefault(Make<TZCLResourceColor>());
  atDefault->InitializeAsColor(u"", TColor(0xC06030));

  const TAlphaColor tinted = TAlphaColorHelper::ApplyColorSchema(0xFF3060C0, schema);
  ASSERT_NE(tinted, 0xFF3060C0u);
  base->ApplyColorSchema(schema);
  ref->ApplyColorSchema(schema);
  atDefault->ApplyColorSchema(schema);
  EXPECT_EQ(base->GetValue(), tinted);
  EXPECT_EQ(ref->GetValue(), tinted);  // tinted once, through the referenced colour
  EXPECT_EQ(atDefault->GetValue(), 0xFF3060C0u);
  base->SetAllowColoration(TZCLBoolean::False);
  EXPECT_EQ(base->GetValue(), 0xFF3060C0u);
  EXPECT_FALSE(ref->IsColorationAllowed());
}

TEST(Resources, DefaultIdentifiersKeepTheUsersChoice) {
  TTestProvider provider;
  std::unique_ptr<TZCLResourceInteger> a(Make<TZCLResourceInteger>(&provider));
  a->InitializeDefault(u"Old");
  a->InitializeDefault(u"New");
  EXPECT_EQ(a->GetID(), u"New");
  a->SetID(u"Mine");
  a->InitializeDefault(u"Newer");
  EXPECT_EQ(a->GetID(), u"Mine");
  EXPECT_EQ(a->GetDefaultID(), u"Newer");

  std::unique_ptr<TZCLResourceInteger> b(Make<TZCLResourceInteger>());
  b->InitializeDefault(u"", 5);
  EXPECT_EQ(b->GetValue(), 5);
  EXPECT_FALSE(b->IsValueStored());
  b->SetValue(7);
  EXPECT_TRUE(b->IsValueStored());
  EXPECT_EQ(b->InitializeDefault(u"", 9), false);  // a value of its own does not follow
  EXPECT_EQ(b->GetValue(), 7);
}

TEST(Resources, MarginsSidesAndTargetDpi) {
  std::unique_ptr<TZCLResourceMargins> m(Make<TZCLResourceMargins>());
  m->SetValue(TRect(2, 2, 2, 3));
  EXPECT_EQ(m->GetAll(), 0);
  EXPECT_EQ(m->GetValueText(), u"2,2,2,3");
  m->SetSide(0, -5);
  EXPECT_EQ(m->GetSide(0), 0);
  m->SetAll(-5);
  EXPECT_EQ(m->GetValue(), TRect(-5, -5, -5, -5));
  EXPECT_EQ(m->GetAll(), -5);

  for (auto [in, out] : {std::pair{500, 480}, {72, 96}, {144, 144}}) {
    m->SetTargetDPI(in);
    EXPECT_EQ(m->GetTargetDPI(), out);
  }
  EXPECT_EQ(TZCLResource::GetTypeName(TZCLResourceMargins::StaticClass()), u"Margins");
}

TEST(Resources, AssignCloneAndCycles) {
  std::unique_ptr<TZCLResourceColor> c(Make<TZCLResourceColor>());
  c->SetValue(0xFF112233);
  c->SetOpacity(10);
  std::unique_ptr<TZCLResource> copy(c->Clone());
  EXPECT_TRUE(copy->IsEqual(c.get()));
  std::unique_ptr<TZCLResourceInteger> i(Make<TZCLResourceInteger>());
  copy->Assign(i.get());  // another kind of resource changes nothing
  EXPECT_TRUE(copy->IsEqual(c.get()));
  EXPECT_FALSE(copy->IsEqual(i.get()));

  // A refers to B and B to A: the second link is refused instead of looping on reads.
  TTestProvider provider;
  std::unique_ptr<TZCLResourceInteger> a(Make<TZCLResourceInteger>(&provider));
  std::unique_ptr<TZCLResourceInteger> b(Make<TZCLResourceInteger>(&provider));
  provider.Items[u"A"] = a.get();
  provider.Items[u"B"] = b.get();
  a->SetID(u"B");
  b->SetID(u"A");
  EXPECT_EQ(a->GetReference(), b.get());
  EXPECT_EQ(b->GetReference(), nullptr);
  EXPECT_EQ(a->GetValue(), 0);
  a.reset();
  b.reset();
}

}  // namespace
