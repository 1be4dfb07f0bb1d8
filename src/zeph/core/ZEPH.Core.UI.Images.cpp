#include "zeph/core/ZEPH.Core.UI.Images.h"

#include <memory>

#include "vcl/VCL.Graphics.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zcl/ui/ZCL.UI.ImageList.h"

// ---- image lists ----------------------------------------------------------------------------------

TZCLImageList* TZEPHUICustomImageList::AsImageList() const { return dynamic_cast<TZCLImageList*>(FObject); }

HRESULT TZEPHUICustomImageList::Draw(HDC DC, Integer Index, const TRect& Rect, LongBool Enabled) {
  return Checked([&] {
    TZCLImageList* list = AsImageList();
    // A fresh bitmap per call: the list's images may change between any two draws.
    TZCLDib dib(list->GetWidth(), list->GetHeight());
    dib.Reset();
    list->Draw(dib.GetCanvas(), 0, 0, Index, true);
    if (!Enabled) dib.Grayscale(false);
    auto* canvas = Create<TCanvas>();
    try {
      canvas->SetHandle(DC);
      dib.DrawBlend(canvas, Rect, 255, true);
    } catch (...) {
      canvas->SetHandle(nullptr);
      Free(canvas);
      throw;
    }
    canvas->SetHandle(nullptr);
    Free(canvas);
    return S_OK;
  });
}

HRESULT TZEPHUICustomImageList::Draw(HDC DC, Integer Index, Integer X, Integer Y, LongBool Enabled) {
  return Checked([&] {
    TZCLImageList* list = AsImageList();
    return Draw(DC, Index, TRect(TPoint(X, Y), list->GetWidth(), list->GetHeight()), Enabled);
  });
}

HRESULT TZEPHUICustomImageList::Add(IInterface* Image) {
  return Checked([&] {
    std::unique_ptr<TBitmap> bitmap(TZEPHImageHelper::ToBitmap(Image));
    if (!bitmap) return E_INVALIDARG;
    AsImageList()->Add(bitmap.get());
    return S_OK;
  });
}

HRESULT TZEPHUICustomImageList::Clear() {
  return Checked([&] {
    AsImageList()->Clear();
    return S_OK;
  });
}

HRESULT TZEPHUICustomImageList::Delete(Integer Index) {
  return Checked([&] {
    AsImageList()->Delete(Index);
    return S_OK;
  });
}

namespace {
// A resource type given as a small integer instead of a text pointer.
String ResourceTypeName(const Char* ResType) {
  const auto id = reinterpret_cast<uintptr_t>(ResType);
  if (id < 0x10000) {
    if (id == 2) return u"BITMAP";
    if (id == 10) return String(RT_RCDATA);
    return String();
  }
  return String(ResType);
}
}  // namespace

HRESULT TZEPHUICustomImageList::LoadFromResource(HINSTANCE Instance, const Char* Name, const Char* ResType) {
  return Checked([&] {
    if (!Name || !ResType) return E_INVALIDARG;
    // Only the program carries resources; other modules have none.
    if (Instance) return E_UNEXPECTED;
    const String type = ResourceTypeName(ResType);
    if (type.empty()) return E_UNEXPECTED;
    TResourceStream stream(Name, type);
    AsImageList()->LoadFromImageStream(stream);
    return S_OK;
  });
}

Integer TZEPHUICustomImageList::GetCount() {
  HRESULT r = S_OK;
  if (!CheckAccess(r)) return -1;
  return AsImageList()->GetCount();
}

HRESULT TZEPHUICustomImageList::GetSize(TSize& Size) {
  return Checked([&] {
    Size = TSize(AsImageList()->GetWidth(), AsImageList()->GetHeight());
    return S_OK;
  });
}

HRESULT TZEPHUICustomImageList::SetSize(TSize Size) {
  return Checked([&] {
    AsImageList()->SetHeight(Size.cy);
    AsImageList()->SetWidth(Size.cx);
    return S_OK;
  });
}

Integer TZEPHUICustomImageList::GetDPI() {
  HRESULT r = S_OK;
  if (!CheckAccess(r)) return 96;
  return AsImageList()->GetSourceDPI();
}

HRESULT TZEPHUICustomImageList::SetDPI(Integer Value) {
  return Checked([&] {
    AsImageList()->SetSourceDPI(Value == 0 ? 0 : std::clamp(Value, 96, 480));
    return S_OK;
  });
}

TComponent* TZEPHUIImageList::CreateComponent(TComponent* Owner) { return Create<TZCLImageList>(Owner); }

void TZEPHUIImageList::BeforeDestruction() {
  if (TObject* list = FObject) {
    SetObject(nullptr);
    Free(list);
  }
  TZEPHUICustomImageList::BeforeDestruction();
}

// ---- paint box ------------------------------------------------------------------------------------

TZCLPaintBox::TZCLPaintBox(TComponent* AOwner) : TZCLGraphicControl(AOwner) {
  SetControlStyle(GetControlStyle() - TControlStyle{csOpaque});
}

void TZCLPaintBox::Paint() {
  TCanvas* canvas = GetCanvas();
  canvas->GetFont()->Assign(GetFont());
  canvas->GetBrush()->SetColor(GetColor());
  if (OnPaint) OnPaint(this);
}

TComponent* TZEPHUIPaintBoxControl::CreateComponent(TComponent* Owner) { return Create<TZCLPaintBox>(Owner); }

void TZEPHUIPaintBoxControl::BindEvents() {
  TZEPHUIControl::BindEvents();
  if (auto* box = dynamic_cast<TZCLPaintBox*>(FObject))
    box->OnPaint = TNotifyEvent(this, &TZEPHUIPaintBoxControl::PaintBoxPaint);
}

void TZEPHUIPaintBoxControl::UnbindEvents() {
  TZEPHUIControl::UnbindEvents();
  if (auto* box = dynamic_cast<TZCLPaintBox*>(FObject)) box->OnPaint = nullptr;
}

void TZEPHUIPaintBoxControl::PaintBoxPaint(TObject*) {
  auto* box = static_cast<TZCLPaintBox*>(FObject);
  Paint(box->GetCanvas(), box->GetClientRect());
}

void TZEPHUIPaintBoxControl::Paint(TCanvas* Canvas, const TRect& Rect) {
  TZEPHUICustomDraw::Draw(AsSender(), GetEventsHandler(), Canvas, Rect);
}

// ---- image control --------------------------------------------------------------------------------

void TZEPHUIImageControl::Paint(TCanvas* Canvas, const TRect& Rect) {
  if (FImage) {
    FImage->Draw(Canvas->GetHandle(), Rect, FDrawFlags, nullptr);
  } else if (FImageList && FImageIndex >= 0) {
    FImageList->Draw(Canvas->GetHandle(), FImageIndex, Rect, AsControl()->GetEnabled() ? LongTrue : LongFalse);
  }
  TZEPHUIPaintBoxControl::Paint(Canvas, Rect);
}

void TZEPHUIImageControl::Repaint(HRESULT Result) {
  if (Result >= 0 && FObject) AsControl()->Invalidate();
}

void TZEPHUIImageControl::DoGetValueAsInt32(Integer PropertyID, Integer& Value, HRESULT& Result) {
  switch (PropertyID) {
    case ZEPH_UI_IMAGE_PROP_DRAW_FLAGS:
      Value = FDrawFlags;
      return;
    case ZEPH_UI_IMAGE_PROP_INDEX:
      Value = FImageIndex;
      return;
    default:
      TZEPHUIPaintBoxControl::DoGetValueAsInt32(PropertyID, Value, Result);
  }
}

IPtr<IInterface> TZEPHUIImageControl::DoGetValueAsObject(Integer PropertyID) {
  switch (PropertyID) {
    case ZEPH_UI_IMAGE_PROP_IMAGE:
      return IPtr<IInterface>(FImage.get());
    case ZEPH_UI_IMAGE_PROP_IMAGES:
      return IPtr<IInterface>(FImageList.get());
    default:
      return TZEPHUIPaintBoxControl::DoGetValueAsObject(PropertyID);
  }
}

void TZEPHUIImageControl::DoSetValueAsInt32(Integer PropertyID, Integer Value, HRESULT& Result) {
  switch (PropertyID) {
    case ZEPH_UI_IMAGE_PROP_DRAW_FLAGS:
      FDrawFlags = Value;
      break;
    case ZEPH_UI_IMAGE_PROP_INDEX:
      FImageIndex = Value;
      break;
    default:
      TZEPHUIPaintBoxControl::DoSetValueAsInt32(PropertyID, Value, Result);
  }
  Repaint(Result);
}

namespace {
// Takes Value's interface I into Field; an object without it clears the field too.
template <InterfaceType I>
HRESULT StoreAs(IPtr<I>& Field, IInterface* Value) {
  Field = nullptr;
  if (!Value) return S_OK;
  void* obj = nullptr;
  if (Value->QueryInterface(IIDOf<I>(), &obj) < 0 || !obj) return E_NOINTERFACE;
  Field = IPtr<I>::Adopt(static_cast<I*>(obj));
  return S_OK;
}
}  // namespace

void TZEPHUIImageControl::DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) {
  switch (PropertyID) {
    case ZEPH_UI_IMAGE_PROP_IMAGE:
      Result = StoreAs(FImage, Value);
      break;
    case ZEPH_UI_IMAGE_PROP_IMAGES:
      Result = StoreAs(FImageList, Value);
      break;
    default:
      TZEPHUIPaintBoxControl::DoSetValueAsObject(PropertyID, Value, Result);
  }
  Repaint(Result);
}
