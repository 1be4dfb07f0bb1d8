#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "os/OS.Input.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Streaming.Text.h"
#include "rtl/RTL.Streaming.h"
#include "rtl/RTL.Streams.h"
#include "vcl/VCL.Forms.h"
#include "zcl/ui/ZCL.UI.Resources.Collection.h"
#include "zcl/ui/ZCL.UI.Resources.Font.h"

namespace {

// A slot as a style holds it: resolved through the collection, counting its changes.
class TSlotOwner : public TZCLUnknownObject, public IZCLResourceProvider, public IZCLResourceChangeListener {
  ZCL_CLASS(TSlotOwner, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZCLResourceProvider, IZCLResourceChangeListener)
 public:
  TZCLCustomResourceCollection* Collection = nullptr;
  Integer Changes = 0;
  TZCLResource* GetResource(const String& ID, TZCLResourceClass ResourceClass, TObject* Sender) override {
    return Collection ? Collection->GetResource(ID, ResourceClass, Sender)
                      : TZCLRootResourceCollection::GetResource(ID, ResourceClass, Sender);
  }
  void ResourceChanged(TObject*, TZCLResource*) override { ++Changes; }
};

TZCLResourceColor* AddColor(TZCLCustomResourceCollection* C, const String& ID, TAlphaColor Value) {
  auto* r = static_cast<TZCLResourceColor*>(C->GetItems()->Add(ID, TZCLResourceColor::StaticClass()));
  r->SetValue(Value);
  return r;
}

class ResourceCollections : public ::testing::Test {
 protected:
  void SetUp() override {
    Root = TZCLRootResourceCollection::GetInstance();
    ASSERT_NE(Root, nullptr);
    if (!Root->GetItems()->FindItem(u"Test.Colors.Text")) AddColor(Root, u"Test.Colors.Text", claBlack);
  }
  TZCLCustomResourceCollection* Root = nullptr;
};

TEST_F(ResourceCollections, LookupOrderMasterChainAndFallBack) {
  auto* own = Create<TZCLResourceCollection>(static_cast<TComponent*>(nullptr));
  auto* master = Create<TZCLResourceCollection>(static_cast<TComponent*>(nullptr));
  AddColor(master, u"Test.Colors.Text", claNavy);

  TSlotOwner owner;
  owner.Collection = own;
  own->ListenerAdd(&owner);
  std::unique_ptr<TZCLResourceColor> slot(Create<TZCLResourceColor>(static_cast<TObject*>(&owner)));
  slot->InitializeAsRef(u"Test.Colors.Text", true);
  EXPECT_EQ(slot->GetValue(), claBlack);  // from the root

  owner.Changes = 0;
  own->SetMasterCollection(master);
  EXPECT_EQ(owner.Changes, 1);  // the collection's change arrives once
  slot->RefreshReferenceNow();
  EXPECT_EQ(slot->GetValue(), claNavy);

  // An item referring to its own identifier finds it further up the chain, never itself.
  auto* self =
      static_cast<TZCLResourceColor*>(own->GetItems()->Add(u"Test.Colors.Text", TZCLResourceColor::StaticClass()));
  self->SetID(u"Test.Colors.Text");
  EXPECT_EQ(self->GetReference(),
            master->GetItems()->FindResource(u"Test.Colors.Text", TZCLResourceColor::StaticClass()));
  slot->RefreshReferenceNow();
  EXPECT_EQ(slot->GetReference(), self);
  EXPECT_EQ(slot->GetValue(), claNavy);

  Free(master);  // the own item and the slot fall back to the root
  EXPECT_EQ(own->GetMasterCollection(), nullptr);
  slot->RefreshReferenceNow();
  EXPECT_EQ(slot->GetValue(), claBlack);

  // A font slot does not take a colour item.
  EXPECT_EQ(own->GetResource(u"Test.Colors.Text", TZCLResourceFont::StaticClass(), nullptr), nullptr);
  own->ListenerRemove(&owner);
  slot.reset();
  Free(own);
}

TEST_F(ResourceCollections, ItemsIdentifiersAndClasses) {
  TOwned<TZCLResourceCollection> c(Create<TZCLResourceCollection>(static_cast<TComponent*>(nullptr)));
  TZCLResourceCollectionItems* items = c->GetItems();
  auto* first = items->AddItem(u"A", TZCLResourceInteger::StaticClass());
  auto* second = items->AddItem(u"A", TZCLResourceInteger::StaticClass());
  EXPECT_EQ(items->FindItem(u"A"), second);
  second->SetResourceID(u"B");
  EXPECT_EQ(items->FindItem(u"A"), nullptr);
  first->SetResourceID(u"");
  first->SetResourceID(u"A");
  EXPECT_EQ(items->FindItem(u"A"), first);
  EXPECT_EQ(items->FindItem(u"a"), nullptr);

  first->SetResourceClassName(u"Color");
  EXPECT_TRUE(first->GetItemResource()->InheritsFrom(TZCLResourceColor::StaticClass()));
  EXPECT_EQ(first->GetDisplayName(), u"Color - A");
  first->SetDescription(u"Text colour");
  EXPECT_EQ(first->GetDisplayName(), u"Color - Text colour");
  try {
    first->SetResourceClassName(u"TZCLResourceCollection");
    FAIL();
  } catch (const EInvalidCast& e) {
    EXPECT_EQ(e.GetMessage(), u"The TZCLResourceCollection is not valid resource");
  }
  EXPECT_NE(first->GetItemResource(), nullptr);  // unchanged
  first->SetResourceClassName(u"");
  EXPECT_EQ(first->GetDisplayName(), u"<empty>");
}

TEST_F(ResourceCollections, RootInstallsTheProgramsCursors) {
  ASSERT_NE(Screen, nullptr);
  // System cursors by number, and the program's own drawn ones with their hot spot at the tip.
  EXPECT_EQ(GetCursorId(Screen->GetCursors(crHandPoint)), IDC_HAND);
  EXPECT_EQ(GetCursorId(Screen->GetCursors(crNoDrop)), IDC_NO);
  EXPECT_EQ(GetCursorId(Screen->GetCursors(crVSplit)), IDC_SIZENS);
  for (TCursor own : {crDrag, crDragLink, crDragRemove}) {
    TCursorImage image;
    ASSERT_TRUE(GetCursorImage(Screen->GetCursors(own), image)) << own;
    EXPECT_EQ(image.Width, 32);
    EXPECT_EQ(image.HotX, 0);
    EXPECT_EQ(image.Pixels[0] >> 24, 255u) << own;
  }
  EXPECT_EQ(LoadCursorFromResource(u"NO_SUCH_CURSOR"), nullptr);
}

TEST_F(ResourceCollections, StreamsInTextForm) {
  TOwned<TZCLResourceCollection> c(Create<TZCLResourceCollection>(static_cast<TComponent*>(nullptr)));
  AddColor(c.get(), u"Labels.Colors.Text", 0xFF102030);
  auto* ref =
      static_cast<TZCLResourceColor*>(c->GetItems()->Add(u"Labels.Colors.Ref", TZCLResourceColor::StaticClass()));
  ref->SetID(u"Labels.Colors.Text");
  auto* m = static_cast<TZCLResourceMargins*>(
      c->GetItems()->Add(u"Popup.Margins.Borders", TZCLResourceMargins::StaticClass()));
  m->SetAll(2);
  AddColor(c.get(), u"Labels.Colors.Named", claWhitesmoke);

  TMemoryStream binary;
  WriteComponent(&binary, c.get());
  binary.SetPosition(0);
  TMemoryStream text;
  ObjectBinaryToText(&binary, &text);
  const std::string form(static_cast<const char*>(text.GetMemory()), static_cast<size_t>(text.GetSize()));
  EXPECT_NE(form.find("Resource.Value = claWhitesmoke\n"), std::string::npos) << form;
  EXPECT_NE(form.find("Resource.Value = xFF102030\n"), std::string::npos) << form;
  text.SetPosition(0);

  TOwned<TZCLResourceCollection> back(Create<TZCLResourceCollection>(static_cast<TComponent*>(nullptr)));
  back->LoadFromStream(&text);
  ASSERT_EQ(back->GetItems()->GetCount(), 4);
  auto* named = static_cast<TZCLResourceColor*>(
      back->GetItems()->FindResource(u"Labels.Colors.Named", TZCLResourceColor::StaticClass()));
  ASSERT_NE(named, nullptr);
  EXPECT_EQ(named->GetValue(), claWhitesmoke);
  auto* color = static_cast<TZCLResourceColor*>(
      back->GetItems()->FindResource(u"Labels.Colors.Ref", TZCLResourceColor::StaticClass()));
  ASSERT_NE(color, nullptr);
  EXPECT_EQ(color->GetValue(), 0xFF102030u);
  auto* margins = static_cast<TZCLResourceMargins*>(
      back->GetItems()->FindResource(u"Popup.Margins.Borders", TZCLResourceMargins::StaticClass()));
  ASSERT_NE(margins, nullptr);
  EXPECT_EQ(margins->GetValueText(), u"2,2,2,2");
}

}  // namespace

namespace {

TEST(DefaultSkinVariants, VariantItemIsReferredToByTheBaseItem) {
  TOwned<TZCLRootResourceCollectionImpl> root(
      Create<TZCLRootResourceCollectionImpl>(static_cast<TComponent*>(nullptr)));
  auto* items = root->GetItems();
  items->Clear();  // without the built-in skin's variants
  static_cast<TZCLResourceMargins*>(items->Add(u"Popup.Margins.Borders", TZCLResourceMargins::StaticClass()))
      ->SetAll(2);
  static_cast<TZCLResourceMargins*>(items->Add(u"Popup.Margins.Borders.W11", TZCLResourceMargins::StaticClass()))
      ->SetAll(6);
  static_cast<TZCLResourceInteger*>(items->Add(u"Popup.Margins.CornerRadius", TZCLResourceInteger::StaticClass()))
      ->SetValue(0);
  root->ApplyVariant(u"Popup.Margins.Borders", u".W11");
  root->ApplyVariant(u"Popup.Margins.CornerRadius", u".W11");  // no variant: unchanged
  root->ApplyVariant(u"Missing", u".W11");
  auto* borders = static_cast<TZCLResourceMargins*>(
      items->FindResource(u"Popup.Margins.Borders", TZCLResourceMargins::StaticClass()));
  EXPECT_EQ(borders->GetID(), u"Popup.Margins.Borders.W11");
  EXPECT_EQ(borders->GetValueText(), u"6,6,6,6");
  auto* radius = items->FindResource(u"Popup.Margins.CornerRadius", TZCLResourceInteger::StaticClass());
  EXPECT_EQ(radius->GetID(), u"");
}

}  // namespace
