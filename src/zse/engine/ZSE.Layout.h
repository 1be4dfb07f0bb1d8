#pragma once
// Visual items and layout items: every element that occupies a rectangle of a skin window is a
// visual item; layout items form the window's tree of rectangles, each docked to a side of its
// parent or sharing the parent's remaining client area. The root of a tree is the window's
// TZSELayout. Every item of a tree, at every depth, holds window coordinates.
//
// Change flags reported up the tree: 1 appearance only (repaint), 2 size rules changed (cached
// limits are dropped), 4 structure or placement changed (the tree is laid out again). The root
// gathers them while an update runs and hands them to its form in one callback.

#include "rtl/RTL.Classes.h"
#include "rtl/RTL.Delegates.h"
#include "rtl/RTL.Geometry.h"
#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.Classes.h"
#include "zcl/graphics/ZCL.Graphics.Geometry.h"
#include "zcl/ui/ZCL.UI.Resources.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"
#include "zse/engine/ZSE.Bindings.h"
#include "zse/engine/ZSE.Resources.h"
#include "zse/engine/ZSE.Schema.h"
#include "zse/engine/ZSE.Types.h"

class TZSERenderBuffer;
class TZCLIniFile;
class TZCLXMLNode;
class TZSELayout;
class TZSELayoutCalculator;
class TZSELayoutCustomItem;

enum TZSELayoutAlignment : Byte { laTop, laBottom, laLeft, laRight, laClient };
ZCL_ENUM(TZSELayoutAlignment, laTop, laBottom, laLeft, laRight, laClient);
enum TZSELayoutDirection : Byte { ldDefault, ldHorizontal, ldVertical };
ZCL_ENUM(TZSELayoutDirection, ldDefault, ldHorizontal, ldVertical);

// Change flags of layout items.
constexpr Byte ZSELayoutChangeAppearance = 1;
constexpr Byte ZSELayoutChangeSize = 2;
constexpr Byte ZSELayoutChangeStructure = 4;

// What a layout tree needs of the window that hosts it; the root asks its form for it.
struct IZSELayoutHost : virtual IInterface {
  RTL_INTERFACE(IZSELayoutHost, IInterface, "{B3E2A7C4-51D8-4F0E-9A63-2C7D8E1F4A50}")
  // Rect in the window's client coordinates.
  virtual void LayoutInvalidate(const TRect& Rect) = 0;
  virtual bool LayoutIsVisible() = 0;
  virtual TPoint LayoutClientToScreen(const TPoint& P) = 0;
  virtual TPoint LayoutScreenToClient(const TPoint& P) = 0;
};

// Base of everything that occupies a rectangle of a skin window.
class TZSECustomVisualItem : public TZSEComponent,
                             public IZCLUpdateLock,
                             public IZCLCurrentDpi,
                             public IZCLResourceChangeListener,
                             public IZSECoordsConverter,
                             public IZSESchemaLoaderListener,
                             public IZSESchemaDefaults {
  ZCL_CLASS(TZSECustomVisualItem, TZSEComponent)
  RTL_INTERFACES(TZSEComponent, IZCLUpdateLock, IZCLCurrentDpi, IZCLResourceChangeListener, IZSECoordsConverter,
                 IZSESchemaLoaderListener, IZSESchemaDefaults)
  explicit TZSECustomVisualItem(TComponent* AOwner);
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TZSECustomVisualItem>& D);

  virtual TRect GetBounds() const { return FBounds; }
  virtual TZSESizeLimits GetSizeLimits() = 0;
  // The component of the skin window that hosts the element.
  virtual TComponent* GetForm() = 0;
  virtual TZSECustomVisualItem* GetParent() const = 0;
  virtual bool IsActuallyEnabled() = 0;
  virtual bool IsActuallyVisible() = 0;
  // Mode 0 scrolls the least needed, 1 brings R to the start, 2 centres it.
  virtual void MakeVisible(const TRect& R, Integer Mode);
  virtual void SetBounds(const TRect& R);
  virtual void SetEnabled(bool Value) = 0;
  virtual void SetVisible(bool Value) = 0;
  // R in window coordinates.
  virtual void InvalidateRect(const TRect& R, bool Flag = false);
  virtual void BoundsChanged();
  virtual void DpiChanged() = 0;
  void ResourceChanged(TObject* Sender, TZCLResource* Resource) override;
  virtual void Resized(TZSEContentSizes Changes);
  // To every published object that is not a component: directly when it takes a colour schema,
  // else to its own published objects.
  virtual void ApplyColorSchema(const TZCLColorSchema& Schema);
  virtual bool HasChild(TZSECustomVisualItem* Item, bool Recursive) const { return false; }
  void BeginUpdate() override = 0;
  void EndUpdate() override = 0;
  // Before the schema loads the element: its binding links are cleared.
  void SetSchemaDefaults() override;
  // Messages to the element (CM_CANCELMODE when it loses the capture, scroll requests); the
  // base ignores them.
  virtual void Dispatch(TMessage& Message) {}
  LRESULT Perform(UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0) {
    TMessage message{Msg, WParam, LParam, 0};
    Dispatch(message);
    return message.Result;
  }
  // The skin loads: a skin control collects its changes meanwhile and delivers them at the end.
  virtual void BeginSkinLoad() {}
  virtual void EndSkinLoad() {}
  void BeginLoad() override { BeginUpdate(); }
  void EndLoad() override { EndUpdate(); }

  Integer GetCurrentDpi() override { return FCurrentDpi; }
  // Clamped to 96..480.
  void SetCurrentDpi(Integer Value);
  void TakeParentDpi();
  bool GetEnabled() const { return FEnabled; }
  bool GetVisible() const { return FVisible; }
  Integer GetWidth() const { return FBounds.Width(); }
  Integer GetHeight() const { return FBounds.Height(); }
  Integer GetActualWidth() const { return UnscaleByDPI(FBounds.Width(), FCurrentDpi); }
  Integer GetActualHeight() const { return UnscaleByDPI(FBounds.Height(), FCurrentDpi); }
  // The event handler run after a resize; held with a free notification.
  TZSEEventHandler* GetOnResize() const { return FOnResize; }
  void SetOnResize(TZSEEventHandler* Value);
  // Enabled from the bindings' accessibility when they give one, else enabled.
  void UpdateEnabledFromBindings();

  void Invalidate() { InvalidateRect(GetBounds()); }
  // R relative to the item's top-left corner.
  void InvalidateLocalRect(const TRect& R, bool Flag = false);
  TRect GetClientRect() const { return TRect(0, 0, FBounds.Width(), FBounds.Height()); }
  TRect GetScreenRect();
  TPoint ClientToScreen(const TPoint& P);
  TPoint ScreenToClient(const TPoint& P);
  TRect ClientToScreen(const TRect& R);
  TRect ScreenToClient(const TRect& R);
  TPoint LocalToScreen(const TPoint& P) override { return ClientToScreen(P); }
  TPoint ScreenToLocal(const TPoint& P) override { return ScreenToClient(P); }
  bool IsVisibleAndEnabled() const { return FVisible && FEnabled; }

  // The component when it is a visual item, else null.
  static TZSECustomVisualItem* AsVisualItem(TComponent* Component);

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

  TRect FBounds;
  Integer FCurrentDpi = ZCLDefaultDPI;
  bool FEnabled = true;
  bool FVisible = false;

 private:
  TZSEEventHandler* FOnResize = nullptr;
};

// A size that never reports less than a content size (a texture's frame, say).
class TZSELayoutSize : public TZCLSize {
  ZCL_CLASS(TZSELayoutSize, TZCLSize)
 public:
  using TZCLSize::TZCLSize;
  Integer GetWidth() const override { return std::max(TZCLSize::GetWidth(), FContentSize.cx); }
  Integer GetHeight() const override { return std::max(TZCLSize::GetHeight(), FContentSize.cy); }
  TSize GetContentSize() const { return FContentSize; }
  void SetContentSize(const TSize& Value);

 private:
  TSize FContentSize;
};

// Where a hit test ends: the deepest item recorded, at Point (window coordinates).
struct TZSELayoutHitTestInfo {
  TZSELayoutCustomItem* Item = nullptr;
  // A skin control hit inside a container; it wins over Item.
  TZSECustomVisualItem* Control = nullptr;
  TPoint Point{-1, -1};
  Byte Flags = 0;
};

// State bits of a layout item.
constexpr Byte ZSELayoutStateLimitsCached = 0x01;
constexpr Byte ZSELayoutStateLaidOut = 0x02;
constexpr Byte ZSELayoutStateRequestedSize = 0x04;
constexpr Byte ZSELayoutStateLoading = 0x08;
constexpr Byte ZSELayoutStateLoadingSettings = 0x10;
constexpr Byte ZSELayoutStateOverflow = 0x20;

using TZSELayoutItemList = TZCLObjectListOf<TZSELayoutCustomItem>;

// A node of a window's layout tree. Its parent's child list owns it.
class TZSELayoutCustomItem : public TZSECustomVisualItem, public IZSESchemaStoring {
  ZCL_CLASS(TZSELayoutCustomItem, TZSECustomVisualItem)
  RTL_INTERFACES(TZSECustomVisualItem, IZSESchemaStoring)
 public:
  using TCreateSignature = void();
  TZSELayoutCustomItem();
  ~TZSELayoutCustomItem() override;
  void BeforeDestruction() override;
  void Loaded() override;
  static void DeclareProperties(TClassDeclaration<TZSELayoutCustomItem>& D);

  // ---- visual item ----
  TZSESizeLimits GetSizeLimits() override;
  TComponent* GetForm() override;
  TZSECustomVisualItem* GetParent() const override { return FParent; }
  TComponent* GetParentComponent() const override { return FParent; }
  bool HasParent() const override { return FParent != nullptr; }
  bool IsActuallyEnabled() override;
  bool IsActuallyVisible() override;
  void MakeVisible(const TRect& R, Integer Mode) override;
  void SetBounds(const TRect& R) override;
  void SetEnabled(bool Value) override;
  void SetVisible(bool Value) override;
  void InvalidateRect(const TRect& R, bool Flag = false) override;
  void DpiChanged() override;
  void ResourceChanged(TObject* Sender, TZCLResource* Resource) override;
  void Resized(TZSEContentSizes Changes) override;
  void ApplyColorSchema(const TZCLColorSchema& Schema) override;
  bool HasChild(TZSECustomVisualItem* Item, bool Recursive) const override;
  void BeginUpdate() override;
  void EndUpdate() override;

  // ---- layout item ----
  virtual void Changed(Byte Flags, TZSELayoutCustomItem* Source = nullptr);
  virtual TZSELayout* GetLayout();
  virtual void SetDefaults();
  virtual bool CanAutoHide() { return true; }
  virtual void Realign();
  virtual void CalculateContentSizeLimits(TZSESizeLimits& Limits);
  virtual void UpdateOverflowState();
  virtual void CalculateSizeLimits(TZSESizeLimits& Limits);
  virtual void ApplyMaximalSize(TZSESizeLimits& Limits);
  virtual void ApplyMinimalSize(Integer& MinWidth, Integer& MinHeight);
  virtual const TZSELayoutCalculator& GetCalculatorClass() const;
  virtual bool HasChildrenOutOfBounds();
  virtual bool IsCalculating() const;
  virtual void StoreCurrentSize();
  virtual void LanguageChanged();
  virtual void SkinLoaded();
  virtual void VisibilityChanged();
  virtual void DrawContent(TZSERenderBuffer* Canvas, Integer Layer);
  virtual bool ClaimsHitTest() { return false; }
  virtual bool HitTestSelf(const TPoint& P);
  virtual bool HitTestChildren(TZSELayoutHitTestInfo& Info);
  virtual void LoadSettings(TZCLIniFile* Ini, const String& Key) {}
  virtual void SaveSettings(TZCLIniFile* Ini, const String& Key) {}
  // The node holds "class" and "name" attributes, the item's properties as the schema writes
  // them, and an "items" element with one "item" per child (only when there are children).
  virtual void LoadFromXML(TZCLXMLNode* Node, TZSESchema* Schema);
  virtual void LoadProperties(TZCLXMLNode* Node, TZSESchema* Schema);
  virtual void SaveToXML(TZCLXMLNode* Node, TZSESchema* Schema);
  virtual void SaveProperties(TZCLXMLNode* Node, TZSESchema* Schema);
  void Load(TZCLXMLNode* Node, TZSESchema* Schema) override { LoadFromXML(Node, Schema); }
  void Save(TZCLXMLNode* Node, TZSESchema* Schema) override { SaveToXML(Node, Schema); }
  virtual void AddItem(TZSELayoutCustomItem* Item);
  virtual void RemoveItem(TZSELayoutCustomItem* Item);
  virtual void ItemNameChanged(TZSELayoutCustomItem* Item) {}
  virtual void ItemEnabledChanged(TZSELayoutCustomItem* Item) {}
  virtual void MoveItem(TZSELayoutCustomItem* Item, Integer Index);
  virtual void ItemVisibilityChanged(TZSELayoutCustomItem* Item) {}
  virtual void ItemVisibilityChanging(TZSELayoutCustomItem* Item, bool& Visible) {}
  virtual bool CanSetParent(TZSELayoutCustomItem* Value);
  virtual void ResetLayoutState();
  virtual bool HitTest(TZSELayoutHitTestInfo& Info);
  virtual void Draw(TZSERenderBuffer* Canvas, Integer Layer);

  Integer GetCount() const { return FChildren ? FChildren->GetCount() : 0; }
  // No range check: callers stay below GetCount.
  TZSELayoutCustomItem* GetItem(Integer Index) const { return FChildren->GetItem(Index); }
  // Depth first, the item itself first, names compared ignoring case.
  bool FindItem(StringView Name, TZSELayoutCustomItem*& Item);
  TRect GetScaledMargins() const;
  // SizeMinimal's width / height, when both are at least 1.
  bool GetAspectRatio(Single& Ratio) const;
  void SetRequestedSize(const TSize& Size);
  TSize GetRequestedSize() const { return FRequestedSize; }
  TSize GetStoredSize() const { return FStoredSize; }
  void ResetStoredSizes();
  // Walks the subtree; named items read and write under Prefix + "." + name.
  void LoadSettingsTree(TZCLIniFile* Ini, const String& Prefix);
  void SaveSettingsTree(TZCLIniFile* Ini, const String& Prefix);
  Byte GetState() const { return FState; }
  bool GetIsDestroyingItem() const { return FIsDestroyingItem; }
  // The child list changed: levels renumbered (unless loading), then Changed(4).
  void ChildrenChanged();

  TZSELayoutAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TZSELayoutAlignment Value);
  Integer GetAlignmentLevel() const { return FAlignmentLevel; }
  void SetAlignmentLevel(Integer Value);
  TZCLRect* GetAlignmentMargins() const { return FAlignmentMargins; }
  void SetAlignmentMargins(TZCLRect* Value) { FAlignmentMargins->Assign(Value); }
  bool GetAllowResizeByHeight() const { return FAllowResizeByHeight; }
  void SetAllowResizeByHeight(bool Value);
  bool GetAllowResizeByWidth() const { return FAllowResizeByWidth; }
  void SetAllowResizeByWidth(bool Value);
  bool GetAutoHide() const { return FAutoHide; }
  void SetAutoHide(bool Value);
  Integer GetAutoHideParentSizeThreshold() const { return FAutoHideParentSizeThreshold; }
  void SetAutoHideParentSizeThreshold(Integer Value);
  bool GetAutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);
  bool GetClipChildren() const { return FClipChildren; }
  void SetClipChildren(bool Value);
  bool GetKeepAspectRatioOnResize() const { return FKeepAspectRatioOnResize; }
  void SetKeepAspectRatioOnResize(bool Value);
  TZSELayoutDirection GetLayoutDirection() const { return FLayoutDirection; }
  void SetLayoutDirection(TZSELayoutDirection Value);
  TZSELayoutSize* GetSizeMaximal() const { return FSizeMaximal; }
  void SetSizeMaximal(TZSELayoutSize* Value) { FSizeMaximal->Assign(Value); }
  TZSELayoutSize* GetSizeMinimal() const { return FSizeMinimal; }
  void SetSizeMinimal(TZSELayoutSize* Value) { FSizeMinimal->Assign(Value); }
  TZSELayoutCustomItem* GetParentItem() const { return FParent; }
  // Refused (nothing happens) for itself, the current parent or a descendant.
  void SetParent(TZSELayoutCustomItem* Value);
  // Index in the parent's child list, -1 without parent.
  Integer GetZOrder() const;
  void SetZOrder(Integer Value);
  // Tells the designer and the parent.
  void SetName(const TComponentName& NewName) override;

 protected:
  friend class TZSELayoutAlignHelper;
  void FreeChildren();
  void SizeRulesChanged(TObject* Sender) { Changed(ZSELayoutChangeSize); }

  TZSELayoutAlignment FAlignment = laTop;
  Integer FAlignmentLevel = 0;
  TZCLRect* FAlignmentMargins = nullptr;
  bool FAllowResizeByHeight = true;
  bool FAllowResizeByWidth = true;
  bool FAutoHide = false;
  Integer FAutoHideParentSizeThreshold = 0;
  bool FAutoSize = true;
  bool FClipChildren = false;
  TZSESizeLimits FCachedLimits;
  bool FKeepAspectRatioOnResize = false;
  TZSELayoutDirection FLayoutDirection = ldDefault;
  TZSELayoutCustomItem* FParent = nullptr;
  TSize FRequestedSize;
  TZSELayoutSize* FSizeMaximal = nullptr;
  TZSELayoutSize* FSizeMinimal = nullptr;
  TZSELayoutItemList* FChildren = nullptr;
  TSize FStoredSize;
  Byte FState = 0;
  bool FIsDestroyingItem = false;

 private:
  void ChildListNotify(TObject* Sender, TZSELayoutCustomItem* const& Item, TCollectionNotification Action);
};

// The published layout item.
class TZSELayoutItem : public TZSELayoutCustomItem {
  ZCL_CLASS(TZSELayoutItem, TZSELayoutCustomItem)
 public:
  using TZSELayoutCustomItem::TZSELayoutCustomItem;
  static void DeclareProperties(TClassDeclaration<TZSELayoutItem>& D);
};

// A layout item with a background colour and a texture; its minimum size is never below the
// texture's frame. Pins: "State" (the frame drawn) and "Visibility".
class TZSELayoutTexture : public TZSELayoutItem {
  ZCL_CLASS(TZSELayoutTexture, TZSELayoutItem)
 public:
  TZSELayoutTexture();
  ~TZSELayoutTexture() override;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TZSELayoutTexture>& D);

  TZCLResourceColor* GetColor() const { return FColor; }
  void SetColor(TZCLResourceColor* Value) { FColor->Assign(Value); }
  TZSETexture* GetTexture() const { return FTexture; }
  void SetTexture(TZSETexture* Value) { FTexture->Assign(Value); }
  Integer GetTextureDrawingState() const { return FTextureDrawingState; }
  void SetTextureDrawingState(Integer Value);

  // Only while no link decides the visibility.
  bool CanAutoHide() override;
  bool ClaimsHitTest() override { return FTexture->GetHitTestMode() != ihtmOpaque; }
  bool HitTestSelf(const TPoint& P) override;
  void ApplyMinimalSize(Integer& MinWidth, Integer& MinHeight) override;
  void BoundsChanged() override;
  void DpiChanged() override;
  void DrawContent(TZSERenderBuffer* Canvas, Integer Layer) override;
  void Draw(TZSERenderBuffer* Canvas, Integer Layer) override;

 protected:
  void RegisterPins() override;

 private:
  void TextureChanged(TObject* Owner, TZSETexture* Texture);
  void DropCache();
  TZCLResourceColor* FColor;
  TZSETexture* FTexture;
  TZSERenderBuffer* FCache = nullptr;  // masked drawing, kept between paints
  Integer FTextureDrawingState = 0;
};

using TZSELayoutChangeEvent = TDelegate<void(TZSELayout* Layout, Byte Flags)>;

// The root of a window's layout tree; owned by its form. BeginUpdate of any item of the tree
// counts here, and changes gathered meanwhile reach the form in one callback.
class TZSELayout : public TZSELayoutCustomItem {
  ZCL_CLASS(TZSELayout, TZSELayoutCustomItem)
 public:
  // AForm may answer IZSELayoutHost for invalidation, visibility and coordinates.
  explicit TZSELayout(TComponent* AForm);

  TComponent* GetForm() override { return FForm; }
  TComponent* GetParentComponent() const override { return FForm; }
  bool IsActuallyVisible() override;
  void InvalidateRect(const TRect& R, bool Flag = false) override;
  void Changed(Byte Flags, TZSELayoutCustomItem* Source = nullptr) override;
  TZSELayout* GetLayout() override { return this; }
  void SetDefaults() override;
  void ApplyColorSchema(const TZCLColorSchema& Schema) override;
  bool CanSetParent(TZSELayoutCustomItem* Value) override { return false; }
  void ResetLayoutState() override;
  void LoadFromXML(TZCLXMLNode* Node, TZSESchema* Schema) override;
  // The root stores nothing of its own.
  void LoadProperties(TZCLXMLNode* Node, TZSESchema* Schema) override {}
  void SaveProperties(TZCLXMLNode* Node, TZSESchema* Schema) override {}
  // The window's layout file: an XML document named after the form, root element "layout".
  void LoadFromSkin(TZSESchema* Schema);
  void SaveToSkin(TZSESchema* Schema);
  void BeginUpdate() override { ++FUpdateCount; }
  void EndUpdate() override;

  Integer GetUpdateCount() const { return FUpdateCount; }
  // Fits R to the tree's size limits and lays the tree out there; nothing during an update.
  void BoundsFromSizeLimits(const TRect& R);
  // Layer 0, then layer 1; nothing before the first layout.
  void DrawLayers(TZSERenderBuffer* Canvas);

  TZSELayoutChangeEvent OnChange;

 private:
  void Flush();
  TComponent* FForm;
  Byte FPendingChanges = 0;
  Integer FUpdateCount = 0;
};

// Orders and renumbers alignment levels.
class TZSELayoutAlignHelper {
 public:
  TZSELayoutAlignHelper() = delete;
  // Appends the container's children of that alignment in ascending level, stable for equal levels.
  static void CollectItems(TZCLListOf<TZSELayoutCustomItem*>& List, TZSELayoutCustomItem* Container,
                           TZSELayoutAlignment Alignment, bool VisibleOnly);
  static void Renumber(TZCLListOf<TZSELayoutCustomItem*>& List);
  static void RecalculateAlignmentLevels(TZSELayoutCustomItem* Container);
  static void SetAlignmentLevel(TZSELayoutCustomItem* Item, Integer Value);
};

// The first item that is A or B or has the other below it; null when there is none.
TZSELayoutCustomItem* FindCommonParent(TZSELayoutCustomItem* A, TZSELayoutCustomItem* B);
bool HasKeepAspectRatioInSubtree(TZSELayoutCustomItem* Item);
// Draws the item's content at Origin (both layers); the canvas origin is restored afterwards.
void DrawContentTo(TZSELayoutCustomItem* Item, TZSERenderBuffer* Canvas, const TPoint& Origin);

// Unit start: registers the layout classes for loading by name.
void ZSELayoutInitialize();
void ZSELayoutFinalize();
