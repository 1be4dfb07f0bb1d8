#pragma once
// Image lists handed to plugins (owned by the wrapper or only standing for a program list), the
// paint box a plugin paints on, and the image control that shows an image or a list's image
// under the plugin's own painting.

#include "zcl/ui/ZCL.UI.Controls.Base.h"
#include "zeph/core/ZEPH.Core.Images.h"
#include "zeph/core/ZEPH.Core.UI.h"

class TZCLImageList;

struct IZEPHUIImageList2 : virtual IInterface {
  RTL_INTERFACE(IZEPHUIImageList2, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0120}")
  virtual HRESULT Draw(HDC DC, Integer Index, const TRect& Rect, LongBool Enabled) = 0;
};

struct IZEPHUIImageList : virtual IInterface {
  RTL_INTERFACE(IZEPHUIImageList, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0121}")
  virtual HRESULT Add(IInterface* Image) = 0;
  virtual HRESULT Clear() = 0;
  virtual HRESULT Delete(Integer Index) = 0;
  virtual HRESULT Draw(HDC DC, Integer Index, Integer X, Integer Y, LongBool Enabled) = 0;
  // Instance null is the program; integer types 2 and 10 are bitmap and raw data.
  virtual HRESULT LoadFromResource(HINSTANCE Instance, const Char* Name, const Char* ResType) = 0;
  // Not a result code: the count, -1 on failure.
  virtual Integer GetCount() = 0;
  virtual HRESULT GetSize(TSize& Size) = 0;
  virtual HRESULT SetSize(TSize Size) = 0;
};

struct IZEPHUIPaintBox : virtual IZEPHUIControl {
  RTL_INTERFACE(IZEPHUIPaintBox, IZEPHUIControl, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0122}")
};

struct IZEPHUIImage : virtual IZEPHUIControl {
  RTL_INTERFACE(IZEPHUIImage, IZEPHUIControl, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0123}")
};

// Property identifiers of the image control.
constexpr Integer ZEPH_UI_IMAGE_PROP_IMAGE = 31;
constexpr Integer ZEPH_UI_IMAGE_PROP_DRAW_FLAGS = 32;
constexpr Integer ZEPH_UI_IMAGE_PROP_INDEX = 33;
constexpr Integer ZEPH_UI_IMAGE_PROP_IMAGES = 34;

class TZEPHUICustomImageList : public TZEPHUIComponent,
                               public IZEPHUIImageList2,
                               public IZEPHUIImageList,
                               public IZEPHDPIAware {
  ZCL_CLASS(TZEPHUICustomImageList, TZEPHUIComponent)
  RTL_INTERFACES(TZEPHUIComponent, IZEPHUIImageList2, IZEPHUIImageList, IZEPHDPIAware)
 public:
  using TZEPHUIComponent::TZEPHUIComponent;
  // Stands for an existing list (the adapters map).
  TZEPHUICustomImageList(TPersistent* AObject, TStreamOwnership AOwnership) : TZEPHUIComponent(AObject, AOwnership) {}

  HRESULT Draw(HDC DC, Integer Index, const TRect& Rect, LongBool Enabled) override;
  HRESULT Add(IInterface* Image) override;
  HRESULT Clear() override;
  HRESULT Delete(Integer Index) override;
  HRESULT Draw(HDC DC, Integer Index, Integer X, Integer Y, LongBool Enabled) override;
  HRESULT LoadFromResource(HINSTANCE Instance, const Char* Name, const Char* ResType) override;
  Integer GetCount() override;
  HRESULT GetSize(TSize& Size) override;
  HRESULT SetSize(TSize Size) override;
  // The list's source DPI (0: not scalable); 96 when the list is not reachable.
  Integer GetDPI() override;
  // Nonzero values are clamped to 96 .. 480; 0 makes the list not scalable.
  HRESULT SetDPI(Integer Value) override;

  TZCLImageList* AsImageList() const;
};

// Creates its list and frees it with itself.
class TZEPHUIImageList : public TZEPHUICustomImageList {
  ZCL_CLASS(TZEPHUIImageList, TZEPHUICustomImageList)
 public:
  using TZEPHUICustomImageList::TZEPHUICustomImageList;
  void BeforeDestruction() override;

 protected:
  TComponent* CreateComponent(TComponent* Owner) override;
};

// The class the adapters map creates for the program's image lists.
class TZEPHUIImageListAdapter : public TZEPHUICustomImageList {
  ZCL_CLASS(TZEPHUIImageListAdapter, TZEPHUICustomImageList)
 public:
  using TZEPHUICustomImageList::TZEPHUICustomImageList;
};

// A see-through graphic control that lets its owner paint.
class TZCLPaintBox : public TZCLGraphicControl {
  ZCL_CLASS(TZCLPaintBox, TZCLGraphicControl)
 public:
  explicit TZCLPaintBox(TComponent* AOwner);
  TNotifyEvent OnPaint;

 protected:
  void Paint() override;
};

class TZEPHUIPaintBoxControl : public TZEPHUIControl, public virtual IZEPHUIPaintBox {
  ZCL_CLASS(TZEPHUIPaintBoxControl, TZEPHUIControl)
  RTL_INTERFACES(TZEPHUIControl, IZEPHUIPaintBox)
 public:
  using TZEPHUIControl::TZEPHUIControl;
  // Asks the plugin to paint.
  virtual void Paint(TCanvas* Canvas, const TRect& Rect);

 protected:
  TComponent* CreateComponent(TComponent* Owner) override;
  void BindEvents() override;
  void UnbindEvents() override;

 private:
  void PaintBoxPaint(TObject* Sender);
};

class TZEPHUIImageControl : public TZEPHUIPaintBoxControl, public virtual IZEPHUIImage {
  ZCL_CLASS(TZEPHUIImageControl, TZEPHUIPaintBoxControl)
  RTL_INTERFACES(TZEPHUIPaintBoxControl, IZEPHUIImage)
 public:
  using TZEPHUIPaintBoxControl::TZEPHUIPaintBoxControl;
  void Paint(TCanvas* Canvas, const TRect& Rect) override;

 protected:
  void DoGetValueAsInt32(Integer PropertyID, Integer& Value, HRESULT& Result) override;
  IPtr<IInterface> DoGetValueAsObject(Integer PropertyID) override;
  void DoSetValueAsInt32(Integer PropertyID, Integer Value, HRESULT& Result) override;
  void DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) override;

 private:
  void Repaint(HRESULT Result);
  IPtr<IZEPHImage> FImage;
  IPtr<IZEPHUIImageList2> FImageList;
  Integer FImageIndex = 0;
  Integer FDrawFlags = 0;
};
