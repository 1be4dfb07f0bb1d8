#include <gtest/gtest.h>

#include <memory>

#include "support/TestSupport.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zcl/ui/ZCL.UI.ImageList.h"
#include "zeph/core/ZEPH.Core.UI.Images.h"

namespace {
struct TFree {
  void operator()(TObject* Obj) const { Free(Obj); }
};

// Counts the plugin's paint requests.
class TPaintCounter : public TInterfacedObject, public IZEPHUIDrawEvents {
  ZCL_CLASS(TPaintCounter, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHUIDrawEvents)
 public:
  Integer Paints = 0;
  void OnPaint(IInterface*, HDC, const TRect&) override { ++Paints; }
};

// A list of 8 x 6 images, the first opaque red.
IPtr<TZEPHUIImageList> RedList() {
  IPtr<TZEPHUIImageList> list(
      Create<TZEPHUIImageList>(static_cast<IInterface*>(nullptr), static_cast<TComponent*>(nullptr)));
  EXPECT_EQ(list->SetSize(TSize(8, 6)), S_OK);
  auto* bitmap = Create<TBitmap>();
  bitmap->SetPixelFormat(TPixelFormat::pf32bit);
  bitmap->SetSize(8, 6);
  bitmap->GetCanvas()->GetBrush()->SetColor(clRed);
  bitmap->GetCanvas()->FillRect(TRect(0, 0, 8, 6));
  list->AsImageList()->Add(bitmap);
  Free(bitmap);
  return list;
}

uint32_t PixelAt(TZCLDib& Dib, Integer X, Integer Y) {
  Dib.BeginAccess();
  const uint32_t p = reinterpret_cast<uint32_t*>(Dib.GetColors())[Dib.CoordToIndex(X, Y)];
  Dib.EndAccess();
  return p;
}
}  // namespace

TEST(PluginImageLists, DrawFillsExactlyTheImageRectangle) {
  auto list = RedList();
  ASSERT_EQ(list->GetCount(), 1);
  TSize size;
  ASSERT_EQ(list->GetSize(size), S_OK);
  EXPECT_EQ(size, TSize(8, 6));

  for (LongBool enabled : {LongTrue, LongFalse}) {
    TZCLDib dib(40, 40);
    dib.Reset();
    IZEPHUIImageList* intf = list.get();
    ASSERT_EQ(intf->Draw(dib.GetCanvas()->GetHandle(), 0, 10, 20, enabled), S_OK);
    const uint32_t inside = PixelAt(dib, 10, 20);
    EXPECT_EQ(PixelAt(dib, 17, 25), inside);
    EXPECT_NE(inside >> 24, 0u);
    if (enabled) {
      EXPECT_EQ(inside, 0xFFFF0000u);
    } else {
      const Byte r = inside >> 16, g = inside >> 8, b = inside;
      EXPECT_TRUE(r == g && g == b) << std::hex << inside;
    }
    for (const TPoint& p : {TPoint(9, 20), TPoint(18, 20), TPoint(10, 19), TPoint(10, 26)})
      EXPECT_EQ(PixelAt(dib, p.X, p.Y), 0u) << p.X << "," << p.Y;
  }
}

TEST(PluginImageLists, GuardedOperationsAnswerErrorCodes) {
  auto list = RedList();
  EXPECT_EQ(list->Delete(5), E_UNEXPECTED);
  EXPECT_EQ(list->Add(nullptr), E_INVALIDARG);
  EXPECT_EQ(list->Add(MakePluginString(u"x").get()), E_INVALIDARG);
  EXPECT_EQ(list->LoadFromResource(nullptr, nullptr, u"RCDATA"), E_INVALIDARG);
  EXPECT_EQ(list->LoadFromResource(nullptr, u"NoSuchResource", reinterpret_cast<const Char*>(10)), E_UNEXPECTED);
  EXPECT_EQ(list->LoadFromResource(reinterpret_cast<HINSTANCE>(1), u"x", u"RCDATA"), E_UNEXPECTED);
  EXPECT_EQ(list->Delete(0), S_OK);
  EXPECT_EQ(list->GetCount(), 0);
}

TEST(PluginImageLists, SourceDPIIsClamped) {
  auto list = RedList();
  const struct { Integer Set, Read; } cases[] = {{600, 480}, {50, 96}, {144, 144}, {0, 0}};
  for (const auto& c : cases) {
    ASSERT_EQ(list->SetDPI(c.Set), S_OK);
    EXPECT_EQ(list->GetDPI(), c.Read) << c.Set;
  }
}

TEST(PluginImageLists, ListFreedByItsOwnerAnswersHandleErrors) {
  auto* owner = Create<TComponent>(static_cast<TComponent*>(nullptr));
  IPtr<TZEPHUIImageList> list(Create<TZEPHUIImageList>(static_cast<IInterface*>(nullptr), owner));
  Free(owner);
  EXPECT_EQ(list->GetCount(), -1);
  EXPECT_EQ(list->Clear(), E_HANDLE);
  EXPECT_EQ(list->GetDPI(), 96);
}

TEST(PluginImageControl, PaintsItsPictureThenAsksThePlugin) {
  std::unique_ptr<TForm, TFree> form(TCustomForm::CreateNew<TForm>(nullptr));
  form->SetBounds(0, 0, 100, 100);
  form->Show();
  IPtr<TPaintCounter> painter(Create<TPaintCounter>());
  IPtr<TZEPHUIImageControl> image(Create<TZEPHUIImageControl>(static_cast<IInterface*>(painter.get()), form.get()));
  image->AsControl()->SetParent(form.get());
  image->AsControl()->SetBounds(0, 0, 8, 6);
  auto list = RedList();
  ASSERT_EQ(image->SetValueAsObject(ZEPH_UI_IMAGE_PROP_IMAGES, static_cast<IZEPHUIImageList*>(list.get())), S_OK);

  const struct {
    Integer Index;
    bool Drawn;
  } cases[] = {{-1, false}, {0, true}};
  for (const auto& c : cases) {
    ASSERT_EQ(image->SetValueAsInt32(ZEPH_UI_IMAGE_PROP_INDEX, c.Index), S_OK);
    TZCLDib dib(20, 20);
    dib.Reset();
    const Integer before = painter->Paints;
    ASSERT_EQ(image->PaintTo(dib.GetCanvas()->GetHandle(), 0, 0), S_OK);
    EXPECT_EQ(painter->Paints, before + 1) << c.Index;
    EXPECT_EQ(PixelAt(dib, 2, 2) != 0, c.Drawn) << c.Index;
  }

  // Objects of another kind clear what was held.
  EXPECT_EQ(image->SetValueAsObject(ZEPH_UI_IMAGE_PROP_IMAGES, MakePluginString(u"x").get()), E_NOINTERFACE);
  void* obj = nullptr;
  EXPECT_EQ(image->GetValueAsObject(ZEPH_UI_IMAGE_PROP_IMAGES, IIDOf<IZEPHUIImageList2>(), &obj), E_INVALIDARG);
  EXPECT_EQ(obj, nullptr);
}
