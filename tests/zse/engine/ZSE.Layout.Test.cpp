#include <gtest/gtest.h>

#include "rtl/RTL.Objects.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zse/engine/ZSE.Layout.Calculator.h"
#include "zse/engine/ZSE.Layout.h"
#include "zse/engine/ZSE.RenderBuffer.h"
#include "zse/engine/ZSE.Schema.h"

namespace {

// A root whose change callback records what reached the form.
struct TLayoutFixture : ::testing::Test {
  TZSELayout* Root = nullptr;
  Integer Callbacks = 0;
  Byte Flags = 0;

  void SetUp() override {
    Root = Create<TZSELayout>(nullptr);
    Root->OnChange = {this, &TLayoutFixture::RootChanged};
  }
  void TearDown() override { Free(Root); }
  void RootChanged(TZSELayout*, Byte F) {
    ++Callbacks;
    Flags |= F;
  }

  TZSELayoutItem* Add(TZSELayoutCustomItem* Parent, TZSELayoutAlignment Alignment, Integer MinW = 0, Integer MinH = 0,
                      StringView Name = u"") {
    auto* item = Create<TZSELayoutItem>();
    item->SetParent(Parent);
    item->SetAlignment(Alignment);
    item->GetSizeMinimal()->SetValue(TSize(MinW, MinH));
    if (!Name.empty()) item->SetName(String(Name));
    return item;
  }
  void Layout(const TRect& R) {
    Root->ResetLayoutState();
    Root->SetBounds(R);
  }
};

using LayoutCalculator = TLayoutFixture;
using LayoutItems = TLayoutFixture;

TEST_F(LayoutCalculator, DocksByLevelThenFillsClient) {
  TZSELayoutItem* second = Add(Root, laTop, 0, 20);
  TZSELayoutItem* first = Add(Root, laTop, 0, 30);
  TZSELayoutItem* client = Add(Root, laClient);
  second->SetAlignmentLevel(1);
  EXPECT_EQ(first->GetAlignmentLevel(), 0);
  Layout(TRect(0, 0, 100, 100));
  EXPECT_EQ(first->GetBounds(), TRect(0, 0, 100, 30));
  EXPECT_EQ(second->GetBounds(), TRect(0, 30, 100, 50));
  EXPECT_EQ(client->GetBounds(), TRect(0, 50, 100, 100));
}

TEST_F(LayoutCalculator, TopStripsComeBeforeSideStripsAndOverflowInverts) {
  TZSELayoutItem* left = Add(Root, laLeft, 10, 0);
  TZSELayoutItem* top = Add(Root, laTop, 0, 15);
  TZSELayoutItem* bottom = Add(Root, laBottom, 0, 70);
  TZSELayoutItem* client = Add(Root, laClient);
  Layout(TRect(0, 0, 50, 80));
  EXPECT_EQ(top->GetBounds(), TRect(0, 0, 50, 15));
  // The bottom strip needs more than is left: it overlaps the top strip.
  EXPECT_EQ(bottom->GetBounds(), TRect(0, 10, 50, 80));
  EXPECT_EQ(left->GetBounds(), TRect(0, 15, 10, 10));
  EXPECT_EQ(client->GetBounds(), TRect(10, 15, 50, 10));
}

TEST_F(LayoutCalculator, MarginsShrinkTheStripAndTheFreeEdge) {
  TZSELayoutItem* top = Add(Root, laTop, 0, 10);
  top->GetAlignmentMargins()->SetValue(TRect(1, 2, 3, 4));
  TZSELayoutItem* client = Add(Root, laClient);
  Layout(TRect(0, 0, 40, 40));
  // Minimum height includes the margins (10 + 2 + 4); the item itself sits inside them.
  EXPECT_EQ(top->GetBounds(), TRect(1, 2, 37, 12));
  EXPECT_EQ(client->GetBounds(), TRect(0, 16, 40, 40));
}

TEST_F(LayoutCalculator, ClientItemsShareAlongTheDirection) {
  Root->SetLayoutDirection(ldDefault);  // the root distributes horizontally by default
  TZSELayoutItem* a = Add(Root, laClient, 10, 0);
  TZSELayoutItem* b = Add(Root, laClient, 30, 0);
  Layout(TRect(0, 0, 80, 20));
  EXPECT_EQ(a->GetBounds().Top, 0);
  EXPECT_EQ(a->GetBounds().Height(), 20);
  EXPECT_EQ(a->GetBounds().Left, 0);
  EXPECT_EQ(a->GetBounds().Right, b->GetBounds().Left);
  EXPECT_EQ(b->GetBounds().Right, 80);
  EXPECT_EQ(b->GetBounds().Width(), 3 * a->GetBounds().Width());

  Root->SetLayoutDirection(ldVertical);
  a->GetSizeMinimal()->SetValue(TSize(0, 10));
  b->GetSizeMinimal()->SetValue(TSize(0, 10));
  b->SetAllowResizeByHeight(false);
  Layout(TRect(0, 0, 80, 60));
  EXPECT_EQ(a->GetBounds(), TRect(0, 0, 80, 50));
  EXPECT_EQ(b->GetBounds(), TRect(0, 50, 80, 60));
}

TEST_F(LayoutCalculator, AutoHideFollowsTheParentSize) {
  TZSELayoutItem* box = Add(Root, laClient);
  TZSELayoutItem* hiding = Add(box, laTop, 0, 10);
  hiding->SetAutoHide(true);
  hiding->SetAutoHideParentSizeThreshold(200);
  TZSELayoutItem* always = Add(box, laTop, 0, 10);
  always->SetAutoHide(true);
  Layout(TRect(0, 0, 100, 150));
  EXPECT_FALSE(hiding->GetVisible());
  EXPECT_TRUE(always->GetVisible());
  EXPECT_EQ(always->GetBounds(), TRect(0, 0, 100, 10));
  // A pass hid it: no stored size was taken.
  EXPECT_EQ(hiding->GetStoredSize(), TSize());
  Layout(TRect(0, 0, 100, 200));
  EXPECT_TRUE(hiding->GetVisible());
  EXPECT_FALSE(IsAnyCalculating());
}

TEST_F(LayoutCalculator, ContentLimits) {
  TZSELayoutItem* box = Add(Root, laClient);
  box->SetLayoutDirection(ldHorizontal);
  Add(box, laTop, 0, 20);
  Add(box, laLeft, 50, 0);
  Add(box, laClient, 10, 10);
  TZSESizeLimits l = box->GetSizeLimits();
  EXPECT_EQ(l.MinWidth, 60);
  EXPECT_EQ(l.MinHeight, 30);
  EXPECT_EQ(l.MaxWidth, 0);
  EXPECT_EQ(l.MaxHeight, 0);

  // Fixed top strips fix the height; fixed left strips leave the width open.
  TZSELayoutItem* tops = Add(Root, laClient);
  Add(tops, laTop, 0, 20);
  Add(tops, laTop, 0, 30);
  EXPECT_EQ(tops->GetSizeLimits().MaxHeight, 50);
  TZSELayoutItem* lefts = Add(Root, laClient);
  Add(lefts, laLeft, 20, 0);
  Add(lefts, laLeft, 30, 0);
  EXPECT_EQ(lefts->GetSizeLimits().MaxWidth, 0);
  EXPECT_EQ(lefts->GetSizeLimits().MinWidth, 50);
}

TEST_F(LayoutCalculator, SizeRules) {
  TZSELayoutItem* item = Add(Root, laClient, 40, 10);
  item->GetSizeMaximal()->SetValue(TSize(100, 0));
  EXPECT_EQ(item->GetSizeLimits().MaxWidth, 100);
  item->SetAllowResizeByWidth(false);
  EXPECT_EQ(item->GetSizeLimits().MaxWidth, 40);

  // A container that does not auto-size reports no maximum along its stacking direction.
  TZSELayoutItem* box = Add(Root, laTop);
  Add(box, laTop, 0, 20);
  EXPECT_EQ(box->GetSizeLimits().MaxHeight, 20);
  box->SetAutoSize(false);
  EXPECT_EQ(box->GetSizeLimits().MaxHeight, 20);  // a top item stays as thick as its minimum
  box->SetAlignment(laClient);
  EXPECT_EQ(box->GetSizeLimits().MaxHeight, 0);

  // A pending requested size is a content minimum of a childless item.
  TZSELayoutItem* leaf = Add(Root, laClient);
  leaf->SetRequestedSize(TSize(120, 40));
  EXPECT_EQ(leaf->GetSizeLimits().MinWidth, 120);
  EXPECT_EQ(leaf->GetSizeLimits().MinHeight, 40);
  // Laying it out clears the request.
  Layout(TRect(0, 0, 500, 500));
  EXPECT_EQ(leaf->GetSizeLimits().MinWidth, 0);
}

TEST_F(LayoutCalculator, DpiScalesRulesAndClamps) {
  TZSELayoutItem* item = Add(Root, laTop, 0, 20);
  Root->SetCurrentDpi(192);
  EXPECT_EQ(item->GetCurrentDpi(), 192);
  EXPECT_EQ(item->GetSizeLimits().MinHeight, 40);
  Root->SetCurrentDpi(600);
  EXPECT_EQ(Root->GetCurrentDpi(), 480);
  Root->SetCurrentDpi(50);
  EXPECT_EQ(Root->GetCurrentDpi(), 96);
}

TEST_F(LayoutCalculator, BoundsFromSizeLimitsClampsTheWindow) {
  Add(Root, laTop, 70, 30);
  TZSELayoutItem* fixed = Add(Root, laTop, 0, 20);
  fixed->SetAllowResizeByHeight(false);
  Root->BoundsFromSizeLimits(TRect(10, 10, 20, 200));
  EXPECT_EQ(Root->GetBounds(), TRect(10, 10, 80, 60));
}

TEST_F(LayoutItems, AlignmentLevels) {
  TZSELayoutItem* a = Add(Root, laTop);
  TZSELayoutItem* b = Add(Root, laTop);
  TZSELayoutItem* c = Add(Root, laTop);
  // A new child (level 0) is renumbered behind the other level-0 child.
  EXPECT_EQ(a->GetAlignmentLevel(), 0);
  EXPECT_EQ(c->GetAlignmentLevel(), 1);
  EXPECT_EQ(b->GetAlignmentLevel(), 2);

  c->SetAlignmentLevel(0);
  TZCLListOf<TZSELayoutCustomItem*> list;
  TZSELayoutAlignHelper::CollectItems(list, Root, laTop, false);
  ASSERT_EQ(list.GetCount(), 3);
  EXPECT_EQ(list[0], c);
  EXPECT_EQ(list[1], a);
  EXPECT_EQ(list[2], b);

  // Moving into a group that has another item puts it first there.
  TZSELayoutItem* other = Add(Root, laBottom);
  b->SetAlignment(laBottom);
  EXPECT_EQ(b->GetAlignmentLevel(), 0);
  EXPECT_EQ(other->GetAlignmentLevel(), 1);
  // Alone in its new group it keeps its old level until the child list changes.
  TZSELayoutItem* lone = Add(Root, laTop);
  const Integer old = lone->GetAlignmentLevel();
  ASSERT_GT(old, 0);
  lone->SetAlignment(laLeft);
  lone->SetAlignmentLevel(5);
  EXPECT_EQ(lone->GetAlignmentLevel(), old);
  Add(Root, laRight);
  EXPECT_EQ(lone->GetAlignmentLevel(), 0);
}

// Exposes the raw level, as a loader leaves it before renumbering.
struct TRawLevelItem : TZSELayoutItem {
  void SetRawLevel(Integer L) { FAlignmentLevel = L; }
};

TEST_F(LayoutItems, EqualLevelsKeepChildOrder) {
  TZSELayoutItem* items[3];
  const Integer levels[3] = {2, 0, 0};
  for (Integer i = 0; i < 3; ++i) {
    auto* item = Create<TRawLevelItem>();
    item->SetParent(Root);
    item->SetRawLevel(levels[i]);
    items[i] = item;
  }
  TZCLListOf<TZSELayoutCustomItem*> list;
  TZSELayoutAlignHelper::CollectItems(list, Root, laTop, false);
  EXPECT_EQ(list[0], items[1]);
  EXPECT_EQ(list[1], items[2]);
  EXPECT_EQ(list[2], items[0]);
}

TEST_F(LayoutItems, ParentRulesAndZOrder) {
  TZSELayoutItem* a = Add(Root, laTop, 0, 0, u"A");
  TZSELayoutItem* b = Add(a, laTop, 0, 0, u"B");
  TZSELayoutItem* c = Add(Root, laTop, 0, 0, u"C");
  b->SetParent(b);
  a->SetParent(b);  // a descendant
  EXPECT_EQ(b->GetParentItem(), a);
  EXPECT_EQ(a->GetParentItem(), Root);
  EXPECT_EQ(a->GetZOrder(), 0);
  c->SetZOrder(0);
  EXPECT_EQ(c->GetZOrder(), 0);
  EXPECT_EQ(a->GetZOrder(), 1);

  TZSELayoutCustomItem* found = nullptr;
  ASSERT_TRUE(Root->FindItem(u"b", found));
  EXPECT_EQ(found, b);
  EXPECT_EQ(FindCommonParent(b, c), Root);
  EXPECT_EQ(FindCommonParent(b, a), a);
  EXPECT_EQ(FindCommonParent(b, nullptr), nullptr);

  // Moving a subtree to another parent; freeing an item detaches it and frees its children.
  b->SetParent(c);
  EXPECT_EQ(a->GetCount(), 0);
  EXPECT_EQ(c->GetCount(), 1);
  Free(c);
  EXPECT_EQ(Root->GetCount(), 1);
}

TEST_F(LayoutItems, ChangesReachTheFormOncePerUpdate) {
  Root->BeginUpdate();
  TZSELayoutItem* a = Add(Root, laTop, 0, 10);
  Add(a, laLeft, 5, 0);
  EXPECT_EQ(Callbacks, 0);
  Root->EndUpdate();
  EXPECT_EQ(Callbacks, 1);
  EXPECT_TRUE(Flags & ZSELayoutChangeStructure);

  Layout(TRect(0, 0, 50, 50));
  Callbacks = 0;
  Flags = 0;
  a->SetEnabled(false);
  EXPECT_EQ(Callbacks, 1);
  EXPECT_EQ(Flags, ZSELayoutChangeAppearance);
  // Limits are cached until a size rule changes.
  EXPECT_TRUE(a->GetState() & ZSELayoutStateLaidOut);
  a->GetSizeMinimal()->SetHeight(12);
  EXPECT_FALSE(a->GetState() & ZSELayoutStateLaidOut);
  EXPECT_EQ(a->GetSizeLimits().MinHeight, 12);
}

TEST_F(LayoutItems, HiddenItemAsksForItsSizeWhenShownAgain) {
  TZSELayoutItem* item = Add(Root, laTop, 0, 10);
  Add(Root, laClient);
  Layout(TRect(0, 0, 60, 60));
  item->SetVisible(false);
  EXPECT_EQ(item->GetStoredSize(), TSize(60, 10));
  item->SetVisible(true);
  EXPECT_TRUE(item->GetState() & ZSELayoutStateRequestedSize);
  EXPECT_EQ(item->GetRequestedSize(), TSize(60, 10));
}

TEST_F(LayoutItems, HitTestRecordsThePlainItemButLetsSiblingsAnswer) {
  TZSELayoutItem* back = Add(Root, laClient);
  TZSELayoutItem* front = Add(Root, laClient);
  Layout(TRect(0, 0, 100, 100));
  // Overlap both: the front (later) one is asked first, claims nothing, so the back one is asked.
  back->SetBounds(TRect(0, 0, 100, 100));
  front->SetBounds(TRect(0, 0, 100, 100));
  TZSELayoutHitTestInfo info;
  info.Point = TPoint(5, 5);
  EXPECT_FALSE(Root->HitTest(info));
  EXPECT_EQ(info.Item, back);

  // A clipping container hides a child's overhang from hits.
  TZSELayoutItem* child = Add(front, laTop, 0, 10);
  child->SetBounds(TRect(0, 0, 200, 10));
  front->SetBounds(TRect(0, 0, 50, 50));
  child->SetBounds(TRect(40, 0, 200, 10));
  front->SetClipChildren(true);
  TZSELayoutHitTestInfo outside;
  outside.Point = TPoint(150, 5);
  front->HitTest(outside);
  EXPECT_EQ(outside.Item, nullptr);
  TZSELayoutHitTestInfo inside;
  inside.Point = TPoint(45, 5);
  front->HitTest(inside);
  EXPECT_EQ(inside.Item, child);
}

TEST_F(LayoutItems, KeepAspectRatioRequestsAMatchingSize) {
  TZSELayoutItem* item = Add(Root, laClient, 20, 10);
  item->SetKeepAspectRatioOnResize(true);
  Single ratio = 0;
  ASSERT_TRUE(item->GetAspectRatio(ratio));
  EXPECT_FLOAT_EQ(ratio, 2.0f);
  Layout(TRect(0, 0, 100, 30));
  EXPECT_EQ(item->GetRequestedSize(), TSize(100, 50));

  TZSELayoutItem* flat = Add(Root, laTop);
  flat->SetKeepAspectRatioOnResize(true);
  EXPECT_FALSE(flat->GetAspectRatio(ratio));
}

}  // namespace

namespace {

TEST_F(LayoutItems, XmlRoundTrip) {
  TZSELayoutItem* a = Add(Root, laTop, 0, 12, u"Header");
  a->GetAlignmentMargins()->SetValue(TRect(1, 2, 3, 4));
  Add(a, laLeft, 7, 0, u"Icon");
  Add(Root, laClient, 0, 0, u"Body")->SetAutoHide(true);

  TZSESchema schema;
  auto* doc = Create<TZCLXMLDocument>();
  TZCLXMLNode* node = doc->Add(u"layout");
  Root->SaveToXML(node, &schema);
  // The root writes no attributes or properties of its own; a leaf writes no "items".
  EXPECT_EQ(node->GetAttributes()->GetCount(), 0);
  EXPECT_EQ(node->FindNode(u"properties"), nullptr);
  TZCLXMLNode* items = node->FindNode(u"items");
  ASSERT_NE(items, nullptr);
  ASSERT_EQ(items->GetCount(), 2);
  EXPECT_EQ(items->GetNode(0)->GetAttributes()->GetValue(u"class"), u"LayoutItem");
  EXPECT_EQ(items->GetNode(0)->GetAttributes()->GetValue(u"name"), u"Header");
  EXPECT_EQ(items->GetNode(1)->FindNode(u"items"), nullptr);

  // An element of an unknown class is skipped; its siblings still load.
  TZCLXMLNode* bogus = items->Add(u"item");
  bogus->GetAttributes()->AddString(u"class", u"NoSuchThing");
  bogus->GetAttributes()->AddString(u"name", u"Ghost");

  TZSELayout* copy = Create<TZSELayout>(nullptr);
  copy->LoadFromXML(node, &schema);
  Free(doc);
  ASSERT_EQ(copy->GetCount(), 2);
  TZSELayoutCustomItem* header = nullptr;
  ASSERT_TRUE(copy->FindItem(u"Header", header));
  EXPECT_EQ(header->GetAlignmentMargins()->GetValue(), TRect(1, 2, 3, 4));
  EXPECT_EQ(header->GetSizeMinimal()->GetHeight(), 12);
  ASSERT_EQ(header->GetCount(), 1);
  EXPECT_EQ(header->GetItem(0)->GetName(), u"Icon");
  EXPECT_EQ(header->GetItem(0)->GetAlignment(), laLeft);
  TZSELayoutCustomItem* body = copy->GetItem(1);
  EXPECT_EQ(body->GetAlignment(), laClient);
  EXPECT_TRUE(body->GetAutoHide());
  TZSELayoutCustomItem* ghost = nullptr;
  EXPECT_FALSE(copy->FindItem(u"Ghost", ghost));

  // Laid out the same way as the original.
  copy->SetBounds(TRect(0, 0, 100, 100));
  Layout(TRect(0, 0, 100, 100));
  EXPECT_EQ(header->GetBounds(), a->GetBounds());
  Free(copy);
}

}  // namespace

namespace {

TZCLPixel32 PixelAt(TZCLDib* Dib, Integer X, Integer Y) { return Dib->GetColors()[Y * Dib->GetWidth() + X]; }

TZSELayoutTexture* AddTexture(TZSELayoutCustomItem* Parent, TZSELayoutAlignment Alignment, TAlphaColor Color) {
  auto* item = Create<TZSELayoutTexture>();
  item->SetParent(Parent);
  item->SetAlignment(Alignment);
  item->GetColor()->SetValue(Color);
  return item;
}

TEST_F(LayoutItems, TexturedItemsPaintInLayoutOrderAndClipTheirChildren) {
  TZSELayoutTexture* back = AddTexture(Root, laClient, 0xFF0000FF);
  back->SetClipChildren(true);
  TZSELayoutTexture* child = AddTexture(back, laTop, 0xFFFF0000);
  child->GetSizeMinimal()->SetHeight(10);
  Layout(TRect(0, 0, 40, 30));
  // The child overhangs its parent to the right; the parent clips it.
  back->SetBounds(TRect(0, 0, 20, 30));
  child->SetBounds(TRect(0, 0, 40, 10));
  back->UpdateOverflowState();
  TZSERenderBuffer* buffer = TZSERenderBuffer::New(40, 30);
  buffer->Reset();
  Root->DrawLayers(buffer);
  EXPECT_EQ(PixelAt(buffer, 5, 5).R, 255);   // child
  EXPECT_EQ(PixelAt(buffer, 5, 20).B, 255);  // parent below the child
  EXPECT_EQ(PixelAt(buffer, 30, 5).A, 0);    // the overhang is not drawn
  Free(buffer);

  // Drawn elsewhere: the item's content lands at the given origin.
  buffer = TZSERenderBuffer::New(40, 30);
  buffer->Reset();
  child->SetBounds(TRect(10, 10, 20, 20));
  DrawContentTo(child, buffer, TPoint(0, 0));
  EXPECT_EQ(PixelAt(buffer, 2, 2).R, 255);
  EXPECT_EQ(PixelAt(buffer, 15, 15).A, 0);
  Free(buffer);
}

TEST_F(LayoutItems, TexturedItemPinsAndXml) {
  TZSELayoutTexture* item = AddTexture(Root, laTop, 0xFF00FF00);
  item->SetName(u"Face");
  EXPECT_TRUE(item->CanAutoHide());
  item->SetTextureDrawingState(2);

  TZSESchema schema;
  auto* doc = Create<TZCLXMLDocument>();
  TZCLXMLNode* node = doc->Add(u"layout");
  Root->SaveToXML(node, &schema);
  EXPECT_EQ(node->FindNode(u"items")->GetNode(0)->GetAttributes()->GetValue(u"class"), u"LayoutTexture");
  TZSELayout* copy = Create<TZSELayout>(nullptr);
  copy->LoadFromXML(node, &schema);
  TZSELayoutCustomItem* face = nullptr;
  ASSERT_TRUE(copy->FindItem(u"Face", face));
  auto* texture = dynamic_cast<TZSELayoutTexture*>(face);
  ASSERT_NE(texture, nullptr);
  EXPECT_EQ(texture->GetTextureDrawingState(), 2);
  EXPECT_EQ(texture->GetColor()->GetValue(), 0xFF00FF00u);
  Free(copy);
  Free(doc);
}

}  // namespace

namespace {

TEST_F(LayoutItems, ColorSchemaReachesTheTexturedItemsOfTheTree) {
  auto* outer = Create<TZSELayoutTexture>();
  outer->SetParent(Root);
  auto* inner = Create<TZSELayoutTexture>();
  inner->SetParent(outer);
  inner->GetColor()->SetValue(0xFFFF0000);
  const TAlphaColor before = inner->GetColor()->GetValue();
  Root->ApplyColorSchema(TZCLColorSchema::Create(120, 100));
  EXPECT_EQ(inner->GetColor()->GetColorSchema(), TZCLColorSchema::Create(120, 100));
  EXPECT_NE(inner->GetColor()->GetValue(), before);
  EXPECT_EQ(outer->GetColor()->GetColorSchema(), TZCLColorSchema::Create(120, 100));
}

}  // namespace
