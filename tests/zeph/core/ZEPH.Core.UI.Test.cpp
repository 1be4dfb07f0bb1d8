#include <gtest/gtest.h>

#include <memory>

#include "os/OS.Codecs.h"
#include "os/OS.Gdi.h"
#include "support/TestSupport.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Graphics.h"
#include "vcl/VCL.Imaging.h"
#include "vcl/VCL.Menus.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zcl/ui/ZCL.UI.Application.h"
#include "zeph/core/ZEPH.Core.UI.Images.h"
#include "zeph/core/ZEPH.Core.UI.h"

namespace {
struct TFree {
  void operator()(TObject* Obj) const { Free(Obj); }
};
template <class T>
using TOwned = std::unique_ptr<T, TFree>;

// A windowed wrapper over a plain ZCL control.
class TTestWinWrapper : public TZEPHUIWinControl {
  ZCL_CLASS(TTestWinWrapper, TZEPHUIWinControl)
 public:
  using TZEPHUIWinControl::TZEPHUIWinControl;

 protected:
  TComponent* CreateComponent(TComponent* Owner) override { return Create<TZCLCustomControl>(Owner); }
};

// The plugin's events handler: records what arrives and answers as told.
class TTestEvents : public TInterfacedObject,
                    public IZEPHUIMouseWheelEvents,
                    public IZEPHUIMouseEvents,
                    public IZEPHUIPopupEvents,
                    public IZEPHUIDrawEvents {
  ZCL_CLASS(TTestEvents, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHUIMouseWheelEvents, IZEPHUIMouseEvents, IZEPHUIPopupEvents, IZEPHUIDrawEvents)
 public:
  LongBool Answer = 0;
  Integer LastModifiers = -1;
  TPoint LastPos;
  Integer Paints = 0;
  TColor PaintColor = clRed;

  LongBool OnMouseWheel(IInterface*, Integer, Integer X, Integer Y, Integer Modifiers) override {
    LastPos = TPoint(X, Y);
    LastModifiers = Modifiers;
    return Answer;
  }
  void OnMouseDoubleClick(IInterface*, Integer, Integer, Integer, Integer) override {}
  void OnMouseDown(IInterface*, Integer, Integer X, Integer Y, Integer Modifiers) override {
    LastPos = TPoint(X, Y);
    LastModifiers = Modifiers;
  }
  void OnMouseLeave(IInterface*) override {}
  void OnMouseMove(IInterface*, Integer, Integer, Integer) override {}
  void OnMouseUp(IInterface*, Integer, Integer, Integer, Integer) override {}
  LongBool OnContextPopup(IInterface*, Integer, Integer) override { return Answer; }
  void OnPaint(IInterface*, HDC DC, const TRect& Rect) override {
    ++Paints;
    auto* canvas = Create<TCanvas>();
    canvas->SetHandle(DC);
    canvas->GetBrush()->SetColor(PaintColor);
    canvas->FillRect(Rect);
    canvas->SetHandle(nullptr);
    Free(canvas);
  }
};

class PluginGuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBounds(100, 100, 400, 300);
    Form->SetBorderStyle(bsNone);
    Events = IPtr<TTestEvents>(Create<TTestEvents>());
    Form->Show();
  }
  void TearDown() override { Form.reset(); }

  template <class W>
  IPtr<W> NewWrapper(TComponent* Owner = nullptr) {
    return IPtr<W>(Create<W>(static_cast<IInterface*>(static_cast<IZEPHUIMouseEvents*>(Events.get())),
                             Owner ? Owner : Form.get()));
  }
  // A windowed wrapper placed on the form.
  IPtr<TTestWinWrapper> NewHost() {
    auto host = NewWrapper<TTestWinWrapper>();
    host->AsControl()->SetParent(Form.get());
    host->AsControl()->SetBounds(0, 0, 200, 150);
    return host;
  }

  TOwned<TForm> Form;
  IPtr<TTestEvents> Events;
};

uint32_t PixelAt(TZCLDib& Dib, Integer X, Integer Y) {
  Dib.BeginAccess();
  const uint32_t p = reinterpret_cast<uint32_t*>(Dib.GetColors())[Dib.CoordToIndex(X, Y)];
  Dib.EndAccess();
  return p;
}
}  // namespace

TEST_F(PluginGuiTest, PlacementScalesToTheControlsDPIAndBack) {
  auto host = NewHost();
  auto box = NewWrapper<TZEPHUIPaintBoxControl>();
  box->AsControl()->SetParent(host->AsWinControl());
  Form->ScaleForPPI(144);
  ASSERT_EQ(box->GetDPI(), 144);

  TZEPHUIPlacement p{};
  p.Alignment = 0;
  p.Anchors = TRect(1, 0, 1, 1);
  p.Bounds = TRect(10, 10, 110, 60);
  p.AlignmentMargins = TRect(2, 2, 2, 2);
  ASSERT_EQ(box->SetPlacement(p), S_OK);
  EXPECT_EQ(box->AsControl()->GetBoundsRect(), TRect(15, 15, 165, 90));
  EXPECT_EQ(box->AsControl()->GetAnchors(), (TAnchors{akLeft, akRight, akBottom}));

  TZEPHUIPlacement back{};
  ASSERT_EQ(box->GetPlacement(back), S_OK);
  EXPECT_EQ(back.Bounds, p.Bounds);
  EXPECT_EQ(back.Anchors, p.Anchors);
  EXPECT_EQ(back.AlignmentMargins, p.AlignmentMargins);

  // A DPI-aware plugin works in physical pixels.
  box->SetDPIAware(1);
  EXPECT_EQ(box->GetDPIAware(), -1);
  ASSERT_EQ(box->SetPlacement(p), S_OK);
  EXPECT_EQ(box->AsControl()->GetBoundsRect(), TRect(10, 10, 110, 60));
}

TEST_F(PluginGuiTest, ConstraintsClearTheMinimaFirst) {
  auto host = NewHost();
  TSizeConstraints* c = host->AsControl()->GetConstraints();
  c->SetMaxWidth(50);
  const TZEPHUIPlacementConstraints wanted{300, 200, 20, 100};
  ASSERT_EQ(host->SetPlacementConstraints(wanted), S_OK);
  TZEPHUIPlacementConstraints got{};
  ASSERT_EQ(host->GetPlacementConstraints(got), S_OK);
  EXPECT_EQ(got.MaxHeight, 300);
  EXPECT_EQ(got.MaxWidth, 200);
  EXPECT_EQ(got.MinHeight, 20);
  EXPECT_EQ(got.MinWidth, 100);
}

TEST_F(PluginGuiTest, ReparentingMovesTheWrapperBetweenChildLists) {
  auto first = NewHost();
  auto second = NewHost();
  auto child = NewWrapper<TTestWinWrapper>();
  IZEPHUIWinControl* firstIntf = first.get();
  IZEPHUIWinControl* secondIntf = second.get();

  ASSERT_EQ(child->SetValueAsObject(ZEPH_UI_PROP_PARENT, firstIntf), S_OK);
  EXPECT_EQ(first->GetControlCount(), 1);
  ASSERT_EQ(child->SetValueAsObject(ZEPH_UI_PROP_PARENT, secondIntf), S_OK);
  EXPECT_EQ(first->GetControlCount(), 0);
  EXPECT_EQ(second->GetControlCount(), 1);
  EXPECT_EQ(child->AsControl()->GetParent(), second->AsWinControl());

  // The same parent or nothing changes nothing.
  ASSERT_EQ(child->SetValueAsObject(ZEPH_UI_PROP_PARENT, secondIntf), S_OK);
  ASSERT_EQ(child->SetValueAsObject(ZEPH_UI_PROP_PARENT, nullptr), S_OK);
  EXPECT_EQ(second->GetControlCount(), 1);

  void* obj = nullptr;
  ASSERT_EQ(second->GetControl(0, IIDOf<IZEPHUIControl>(), &obj), S_OK);
  IPtr<IZEPHUIControl>::Adopt(static_cast<IZEPHUIControl*>(obj));
  EXPECT_EQ(second->GetControl(1, IIDOf<IZEPHUIControl>(), &obj), E_INVALIDARG);
  EXPECT_EQ(second->GetControl(0, IIDOf<IZEPHUIImageList>(), &obj), E_FAIL);

  // Reading the parent gives its wrapper.
  ASSERT_EQ(child->GetValueAsObject(ZEPH_UI_PROP_PARENT, IIDOf<IZEPHUIWinControl>(), &obj), S_OK);
  auto parent = IPtr<IZEPHUIWinControl>::Adopt(static_cast<IZEPHUIWinControl*>(obj));
  EXPECT_EQ(parent.get(), secondIntf);
}

TEST_F(PluginGuiTest, InputEventsCarryModifiersAndHandledFlags) {
  auto host = NewHost();
  TControl* control = host->AsControl();
  const struct {
    TShiftState Shift;
    Integer Modifiers;
  } cases[] = {
      {TShiftState{ssAlt}, 1},
      {TShiftState{ssCtrl}, 2},
      {TShiftState{ssShift}, 4},
      {TShiftState{ssShift, ssCtrl, ssAlt, ssLeft, ssDouble}, 7},
  };
  for (const auto& c : cases) {
    bool handled = false;
    control->OnMouseWheel(control, c.Shift, 120, TPoint(3, 4), handled);
    EXPECT_EQ(Events->LastModifiers, c.Modifiers);
  }

  for (LongBool answer : {0, 1}) {
    Events->Answer = answer;
    bool handled = false;
    control->OnMouseWheel(control, TShiftState{}, -120, TPoint(3, 4), handled);
    EXPECT_EQ(handled, answer != 0);
    // A windowed control's popup keeps the flag it had when the plugin answers 0.
    bool popupHandled = true;
    control->OnContextPopup(control, TPoint(1, 1), popupHandled);
    EXPECT_TRUE(popupHandled);
  }
}

TEST_F(PluginGuiTest, PaintToDrawsTheControlAtTheGivenPoint) {
  auto box = NewWrapper<TZEPHUIPaintBoxControl>();
  box->AsControl()->SetParent(Form.get());
  box->AsControl()->SetBounds(0, 0, 10, 8);
  TZCLDib dib(40, 40);
  dib.Reset();
  ASSERT_EQ(box->PaintTo(dib.GetCanvas()->GetHandle(), 5, 7), S_OK);
  EXPECT_EQ(Events->Paints, 1);
  EXPECT_EQ(PixelAt(dib, 5, 7) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(PixelAt(dib, 14, 14) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(PixelAt(dib, 4, 7), 0u);
  EXPECT_EQ(PixelAt(dib, 15, 7), 0u);
  EXPECT_EQ(PixelAt(dib, 5, 15), 0u);
}

TEST_F(PluginGuiTest, FreedControlAnswersHandleErrors) {
  auto host = NewHost();
  Free(host->AsControl());
  TZEPHUIPlacement p{};
  EXPECT_EQ(host->GetPlacement(p), E_HANDLE);
  EXPECT_EQ(host->SetPlacement(p), E_HANDLE);
  EXPECT_EQ(host->Invalidate(), E_HANDLE);
  EXPECT_EQ(host->GetControlCount(), -1);
  EXPECT_EQ(host->HasHandle(), 0);
  EXPECT_EQ(host->GetHandle(), nullptr);
  Integer value = 0;
  EXPECT_EQ(host->GetValueAsInt32(ZEPH_UI_PROP_VISIBLE, value), E_HANDLE);
}

TEST_F(PluginGuiTest, MappedPropertiesReachTheControl) {
  auto host = NewHost();
  ASSERT_EQ(host->SetValueAsInt32(ZEPH_UI_PROP_ENABLED, 0), S_OK);
  EXPECT_FALSE(host->AsControl()->GetEnabled());
  Integer value = -1;
  ASSERT_EQ(host->GetValueAsInt32(ZEPH_UI_PROP_FOCUSED, value), S_OK);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(host->GetValueAsInt32(15, value), E_INVALIDARG);
}

TEST_F(PluginGuiTest, PopupMenuPropertyTakesAndGivesTheMenusWrapper) {
  TZEPHCoreAdaptersMap::Register(TPopupMenu::StaticClass(), [](TObject* AObject, TStreamOwnership AOwnership) {
    auto* adapter = Create<TZEPHMappedObjectAdapter>(static_cast<TPersistent*>(AObject), AOwnership);
    return IPtr<IInterface>(static_cast<IZEPHPropertyList2*>(adapter));
  });
  auto host = NewHost();
  void* obj = nullptr;
  EXPECT_EQ(host->GetValueAsObject(ZEPH_UI_PROP_POPUP_MENU, IIDOf<IObject>(), &obj), E_INVALIDARG);
  auto* menu = Create<TPopupMenu>(static_cast<TComponent*>(Form.get()));
  IPtr<IInterface> adapter;
  TZEPHCoreAdaptersMap::GetAdapter(adapter, menu, soReference);
  ASSERT_EQ(host->SetValueAsObject(ZEPH_UI_PROP_POPUP_MENU, adapter.get()), S_OK);
  EXPECT_EQ(host->AsControl()->GetPopupMenuComponent(), menu);
  ASSERT_EQ(host->GetValueAsObject(ZEPH_UI_PROP_POPUP_MENU, IIDOf<IObject>(), &obj), S_OK);
  auto given = IPtr<IObject>::Adopt(static_cast<IObject*>(obj));
  EXPECT_EQ(given->GetObject(), menu);

  // Not a menu: refused, the menu stays; empty clears it.
  EXPECT_EQ(host->SetValueAsObject(ZEPH_UI_PROP_POPUP_MENU, static_cast<IZEPHUIControl*>(host.get())), E_UNEXPECTED);
  EXPECT_EQ(host->AsControl()->GetPopupMenuComponent(), menu);
  ASSERT_EQ(host->SetValueAsObject(ZEPH_UI_PROP_POPUP_MENU, nullptr), S_OK);
  EXPECT_EQ(host->AsControl()->GetPopupMenuComponent(), nullptr);
  TZEPHCoreAdaptersMap::Unregister(TPopupMenu::StaticClass());
}

// ---- icons ------------------------------------------------------------------------------------------

namespace {
IPtr<IZEPHStream> StreamOf(const std::vector<Byte>& Bytes) {
  IPtr<IZEPHMemoryStream> stream = CoreCreateObject<IZEPHMemoryStream>();
  if (!Bytes.empty()) stream->Write(Bytes.data(), static_cast<Integer>(Bytes.size()), nullptr);
  stream->Seek(0, 0);
  return stream;
}
}  // namespace

TEST(PluginGuiIcons, StreamsBecomeIconsAndOtherObjectsAreRefused) {
  std::vector<uint32_t> pixels(12 * 10, 0xFF00FF00u);
  auto icon = TOwned<TIcon>(Create<TIcon>());
  ASSERT_EQ(LoadIconFromObject(icon.get(), StreamOf(EncodePng(pixels.data(), 12, 10, false)).get()), S_OK);
  EXPECT_EQ(icon->GetWidth(), 12);
  EXPECT_EQ(icon->GetHeight(), 10);

  // An icon stream loads as an icon.
  auto copy = TOwned<TIcon>(Create<TIcon>());
  auto saved = TOwned<TMemoryStream>(Create<TMemoryStream>());
  icon->SaveToStream(*saved);
  std::vector<Byte> bytes(static_cast<const Byte*>(saved->GetMemory()),
                          static_cast<const Byte*>(saved->GetMemory()) + saved->GetSize());
  ASSERT_EQ(LoadIconFromObject(copy.get(), StreamOf(bytes).get()), S_OK);
  EXPECT_EQ(copy->GetWidth(), 12);

  EXPECT_EQ(LoadIconFromObject(copy.get(), StreamOf({1, 2, 3, 4}).get()), E_UNEXPECTED);
  EXPECT_EQ(copy->GetWidth(), 12);  // kept
  EXPECT_EQ(LoadIconFromObject(copy.get(), MakePluginString(u"x").get()), E_INVALIDARG);
}

TEST(PluginGuiLook, ModeAndColorSchemaFollowTheApplication) {
  IPtr<IZEPHUIMode> mode(Create<TZEPHUIMode>());
  IPtr<IZEPHUIColorSchema> schema(Create<TZEPHUIColorSchema>());
  Integer value = -1;
  ASSERT_EQ(mode->GetValueAsInt32(ZEPH_UI_MODE_COLOR_SCHEMA, value), S_OK);
  EXPECT_EQ(value, 0);
  uint32_t pixels[] = {0xFF808080u, 0xFF00FF00u};
  schema->ApplyToPixels(pixels, 2);  // no schema: untouched
  EXPECT_EQ(pixels[1], 0xFF00FF00u);

  TZCLApplication::SetColorSchema(TZCLColorSchema::Create(170, 100));
  ASSERT_EQ(mode->GetValueAsInt32(ZEPH_UI_MODE_COLOR_SCHEMA, value), S_OK);
  EXPECT_NE(value, 0);
  EXPECT_NE(Cardinal(value), 0xFFFF0000u);
  Cardinal red = 0xFFFF0000u;
  schema->ApplyToAlphaColor(red);
  EXPECT_EQ(red, Cardinal(value));
  schema->ApplyToPixels(pixels, 2);
  EXPECT_NE(pixels[1], 0xFF00FF00u);
  TZCLApplication::SetColorSchema(TZCLColorSchema::Default());
  EXPECT_EQ(mode->GetValueAsInt32(99, value), E_NOTIMPL);
}
