#include "zse/engine/ZSE.Layout.h"

#include <algorithm>

#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"
#include "rtl/RTL.TypInfo.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zse/engine/ZSE.Forms.h"
#include "zse/engine/ZSE.Layout.Calculator.h"
#include "zse/engine/ZSE.RenderBuffer.h"
#include "zse/engine/ZSE.Skins.h"

namespace {
// Runs EndUpdate of a lock on the way out, also when a step raises.
class TUpdateScope {
 public:
  explicit TUpdateScope(IZCLUpdateLock* Lock) : FLock(Lock) { FLock->BeginUpdate(); }
  ~TUpdateScope() { FLock->EndUpdate(); }
  TUpdateScope(const TUpdateScope&) = delete;
  TUpdateScope& operator=(const TUpdateScope&) = delete;

 private:
  IZCLUpdateLock* FLock;
};

void ApplyColorSchemaTo(TObject* Object, const TZCLColorSchema& Schema, Integer Depth) {
  // Value objects nest a few levels at most; the bound keeps a cycle of objects from looping.
  if (!Object || Depth > 8) return;
  for (PPropInfo prop : GetPropList(Object)) {
    if (prop->PropType->Kind != tkClass) continue;
    TObject* value = GetObjectProp(Object, prop);
    if (!value || dynamic_cast<TComponent*>(value)) continue;
    IPtr<IZCLColorSchema> target;
    if (Supports(value, target))
      target->ApplyColorSchema(Schema);
    else
      ApplyColorSchemaTo(value, Schema, Depth + 1);
  }
}

Integer RoundHalfEven(Double Value) { return static_cast<Integer>(Round(Value)); }

// ScaleByDPI without the division for the common cases (nothing to scale, or 96 DPI).
inline Integer Scaled(Integer Value, Integer Dpi) {
  return Value == 0 || Dpi == ZCLDefaultDPI ? Value : ScaleByDPI(Value, Dpi);
}
}  // namespace

// ---- TZSECustomVisualItem -----------------------------------------------------------------------

TZSECustomVisualItem::TZSECustomVisualItem(TComponent* AOwner) : TZSEComponent(AOwner) {}

void TZSECustomVisualItem::BeforeDestruction() {
  SetOnResize(nullptr);
  TZSEComponent::BeforeDestruction();
}

void TZSECustomVisualItem::DeclareProperties(TClassDeclaration<TZSECustomVisualItem>& D) {
  D.Property(u"ActualHeight", &TZSECustomVisualItem::GetActualHeight).Stored(false);
  D.Property(u"ActualWidth", &TZSECustomVisualItem::GetActualWidth).Stored(false);
  D.Property(u"Enabled", &TZSECustomVisualItem::GetEnabled, &TZSECustomVisualItem::SetEnabled).Default(true);
  D.Property(u"Height", &TZSECustomVisualItem::GetHeight).Stored(false);
  D.Property(u"Width", &TZSECustomVisualItem::GetWidth).Stored(false);
  D.Property(u"Visible", &TZSECustomVisualItem::GetVisible, &TZSECustomVisualItem::SetVisible).Default(true);
}

void TZSECustomVisualItem::MakeVisible(const TRect& R, Integer Mode) {
  if (FVisible)
    if (TZSECustomVisualItem* parent = GetParent()) parent->MakeVisible(R, Mode);
}

void TZSECustomVisualItem::SetBounds(const TRect& R) {
  if (R == FBounds) return;
  TUpdateScope scope(this);
  const TRect old = FBounds;
  FBounds = R;
  BoundsChanged();
  const TZSEContentSizes changes = ContentSizesChanged(old, R);
  if (!changes.Empty()) Resized(changes);
  InvalidateRect(UnionRect(old, R));
}

void TZSECustomVisualItem::InvalidateRect(const TRect& R, bool Flag) {
  if (!FVisible || R.IsEmpty()) return;
  if (TZSECustomVisualItem* parent = GetParent()) parent->InvalidateRect(R, Flag);
}

void TZSECustomVisualItem::BoundsChanged() { TZSEDesigner::BoundsChanged(this); }

void TZSECustomVisualItem::ResourceChanged(TObject* Sender, TZCLResource* Resource) { Invalidate(); }

void TZSECustomVisualItem::Resized(TZSEContentSizes Changes) { ExecuteHandler(FOnResize, this); }

void TZSECustomVisualItem::ApplyColorSchema(const TZCLColorSchema& Schema) { ApplyColorSchemaTo(this, Schema, 0); }

void TZSECustomVisualItem::SetCurrentDpi(Integer Value) {
  Value = std::clamp(Value, 96, 480);
  if (Value == FCurrentDpi) return;
  TUpdateScope scope(this);
  FCurrentDpi = Value;
  DpiChanged();
}

void TZSECustomVisualItem::TakeParentDpi() {
  if (TZSECustomVisualItem* parent = GetParent()) SetCurrentDpi(parent->GetCurrentDpi());
}

void TZSECustomVisualItem::SetOnResize(TZSEEventHandler* Value) { SetComponentReference(FOnResize, this, Value); }

void TZSECustomVisualItem::SetSchemaDefaults() { GetBindings()->ClearLinks(); }

void TZSECustomVisualItem::UpdateEnabledFromBindings() {
  bool value = true;
  if (!GetBindings()->GetAccessibility(value)) value = true;
  SetEnabled(value);
}

void TZSECustomVisualItem::Notification(TComponent* AComponent, TOperation Operation) {
  TZSEComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FOnResize) FOnResize = nullptr;
}

void TZSECustomVisualItem::InvalidateLocalRect(const TRect& R, bool Flag) {
  TRect r = R;
  r.Offset(FBounds.Left, FBounds.Top);
  InvalidateRect(r, Flag);
}

TRect TZSECustomVisualItem::GetScreenRect() { return ClientToScreen(GetClientRect()); }

TPoint TZSECustomVisualItem::ClientToScreen(const TPoint& P) {
  IPtr<IZSELayoutHost> host;
  if (!Supports(GetForm(), host)) return P;
  return host->LayoutClientToScreen(TPoint(P.X + FBounds.Left, P.Y + FBounds.Top));
}

TPoint TZSECustomVisualItem::ScreenToClient(const TPoint& P) {
  IPtr<IZSELayoutHost> host;
  if (!Supports(GetForm(), host)) return P;
  const TPoint p = host->LayoutScreenToClient(P);
  return TPoint(p.X - FBounds.Left, p.Y - FBounds.Top);
}

TRect TZSECustomVisualItem::ClientToScreen(const TRect& R) {
  const TPoint a = ClientToScreen(R.TopLeft()), b = ClientToScreen(R.BottomRight());
  return TRect(a.X, a.Y, b.X, b.Y);
}

TRect TZSECustomVisualItem::ScreenToClient(const TRect& R) {
  const TPoint a = ScreenToClient(R.TopLeft()), b = ScreenToClient(R.BottomRight());
  return TRect(a.X, a.Y, b.X, b.Y);
}

TZSECustomVisualItem* TZSECustomVisualItem::AsVisualItem(TComponent* Component) {
  return dynamic_cast<TZSECustomVisualItem*>(Component);
}

// ---- TZSELayoutSize ---------------------------------------------------------------------------------

void TZSELayoutSize::SetContentSize(const TSize& Value) {
  if (Value == FContentSize) return;
  FContentSize = Value;
  Changed();
}

// ---- TZSELayoutCustomItem ---------------------------------------------------------------------------

TZSELayoutCustomItem::TZSELayoutCustomItem() : TZSECustomVisualItem(nullptr) {
  FAlignmentMargins = new TZCLRect(TNotifyEvent(this, &TZSELayoutCustomItem::SizeRulesChanged));
  FSizeMaximal = new TZSELayoutSize(TNotifyEvent(this, &TZSELayoutCustomItem::SizeRulesChanged));
  FSizeMinimal = new TZSELayoutSize(TNotifyEvent(this, &TZSELayoutCustomItem::SizeRulesChanged));
  FState = 0;
  SetDefaults();
}

TZSELayoutCustomItem::~TZSELayoutCustomItem() {
  FreeChildren();
  Free(FAlignmentMargins);
  Free(FSizeMaximal);
  Free(FSizeMinimal);
}

void TZSELayoutCustomItem::BeforeDestruction() {
  if (FParent) {
    TZSELayoutCustomItem* parent = FParent;
    FParent = nullptr;
    if (!parent->GetIsDestroyingItem()) parent->RemoveItem(this);
  }
  FIsDestroyingItem = true;
  TZSECustomVisualItem::BeforeDestruction();
}

void TZSELayoutCustomItem::FreeChildren() {
  TZSELayoutItemList* children = FChildren;
  if (!children) return;
  FChildren = nullptr;
  children->SetOnNotify({});
  for (TZSELayoutCustomItem* child : *children) child->FParent = nullptr;
  Free(children);
}

void TZSELayoutCustomItem::Loaded() {
  TZSECustomVisualItem::Loaded();
  TZSELayoutAlignHelper::RecalculateAlignmentLevels(this);
}

void TZSELayoutCustomItem::DeclareProperties(TClassDeclaration<TZSELayoutCustomItem>& D) {
  using T = TZSELayoutCustomItem;
  D.Property(u"AllowResizeByHeight", &T::GetAllowResizeByHeight, &T::SetAllowResizeByHeight).Default(true);
  D.Property(u"AllowResizeByWidth", &T::GetAllowResizeByWidth, &T::SetAllowResizeByWidth).Default(true);
  D.Property(u"AutoSize", &T::GetAutoSize, &T::SetAutoSize).Default(true);
  D.Property(u"LayoutDirection", &T::GetLayoutDirection, &T::SetLayoutDirection).Default(ldDefault);
  D.Property(u"SizeMaximal", &T::GetSizeMaximal, &T::SetSizeMaximal);
  D.Property(u"SizeMinimal", &T::GetSizeMinimal, &T::SetSizeMinimal);
}

TZSESizeLimits TZSELayoutCustomItem::GetSizeLimits() {
  if (!(FState & ZSELayoutStateLimitsCached)) {
    CalculateSizeLimits(FCachedLimits);
    FState |= ZSELayoutStateLimitsCached;
  }
  return FCachedLimits;
}

TComponent* TZSELayoutCustomItem::GetForm() { return FParent ? FParent->GetForm() : nullptr; }

bool TZSELayoutCustomItem::IsActuallyEnabled() {
  return FVisible && FEnabled && (!FParent || FParent->IsActuallyEnabled());
}

bool TZSELayoutCustomItem::IsActuallyVisible() { return FVisible && (!FParent || FParent->IsActuallyVisible()); }

void TZSELayoutCustomItem::MakeVisible(const TRect& R, Integer Mode) { TZSECustomVisualItem::MakeVisible(R, Mode); }

void TZSELayoutCustomItem::SetBounds(const TRect& R) {
  TRect r = R;
  const TRect margins = GetScaledMargins();
  r.Inflate(-margins.Left, -margins.Top, -margins.Right, -margins.Bottom);
  if (r == FBounds && (FState & ZSELayoutStateLaidOut) && !(FState & ZSELayoutStateRequestedSize)) return;
  TUpdateScope scope(this);
  FState |= ZSELayoutStateLaidOut;
  const bool requested = FState & ZSELayoutStateRequestedSize;
  TZSECustomVisualItem::SetBounds(r);
  Realign();
  if (requested) {
    FState &= ~ZSELayoutStateRequestedSize;
    Changed(ZSELayoutChangeSize);
  }
}

void TZSELayoutCustomItem::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  TUpdateScope scope(this);
  FEnabled = Value;
  if (FParent) FParent->ItemEnabledChanged(this);
  // A disabled item lets go of the focus, the hover and the capture, also those of its children.
  if (!Value)
    if (TZSEGlobalStateController* controller = TZSEGlobalStateController::Existing()) controller->Reapply();
  Changed(ZSELayoutChangeAppearance);
}

void TZSELayoutCustomItem::SetVisible(bool Value) {
  if (FIsDestroyingItem) return;
  if (FParent) FParent->ItemVisibilityChanging(this, Value);
  if (Value == FVisible) return;
  TUpdateScope scope(this);
  FVisible = Value;
  VisibilityChanged();
  Changed(ZSELayoutChangeStructure);
  if (FParent) FParent->ItemVisibilityChanged(this);
  if (!Value)
    if (TZSEGlobalStateController* controller = TZSEGlobalStateController::Existing()) controller->Reapply();
}

void TZSELayoutCustomItem::InvalidateRect(const TRect& R, bool Flag) {
  if (FClipChildren && (FState & ZSELayoutStateOverflow)) {
    TRect r;
    if (!::IntersectRect(r, R, FBounds)) return;
    TZSECustomVisualItem::InvalidateRect(r, Flag);
  } else {
    TZSECustomVisualItem::InvalidateRect(R, Flag);
  }
}

void TZSELayoutCustomItem::DpiChanged() {
  for (Integer i = 0; i < GetCount(); ++i) GetItem(i)->SetCurrentDpi(FCurrentDpi);
  Changed(ZSELayoutChangeAppearance | ZSELayoutChangeSize);
}

void TZSELayoutCustomItem::ResourceChanged(TObject* Sender, TZCLResource* Resource) {
  Changed(ZSELayoutChangeAppearance | ZSELayoutChangeSize);
  TZSECustomVisualItem::ResourceChanged(Sender, Resource);
}

void TZSELayoutCustomItem::Resized(TZSEContentSizes Changes) {
  TZSECustomVisualItem::Resized(Changes);
  Single ratio;
  if (!FKeepAspectRatioOnResize || !GetAspectRatio(ratio)) return;
  TSize size = FBounds.Size();
  if (Changes.Contains(csWidth))
    size.cy = RoundHalfEven(size.cx / Double(ratio));
  else
    size.cx = RoundHalfEven(size.cy * Double(ratio));
  SetRequestedSize(size);
}

void TZSELayoutCustomItem::ApplyColorSchema(const TZCLColorSchema& Schema) {
  for (Integer i = 0; i < GetCount(); ++i) GetItem(i)->ApplyColorSchema(Schema);
  TZSECustomVisualItem::ApplyColorSchema(Schema);
}

bool TZSELayoutCustomItem::HasChild(TZSECustomVisualItem* Item, bool Recursive) const {
  if (!FChildren || !Item) return false;
  for (TZSELayoutCustomItem* child : *FChildren)
    if (child == Item) return true;
  if (Recursive)
    for (TZSELayoutCustomItem* child : *FChildren)
      if (child->HasChild(Item, true)) return true;
  return false;
}

// A detached item has no root to count its updates: the calls do nothing.
void TZSELayoutCustomItem::BeginUpdate() {
  if (TZSELayout* layout = GetLayout()) layout->BeginUpdate();
}

void TZSELayoutCustomItem::EndUpdate() {
  if (TZSELayout* layout = GetLayout()) layout->EndUpdate();
}

void TZSELayoutCustomItem::Changed(Byte Flags, TZSELayoutCustomItem* Source) {
  if (!Source) Source = this;
  if (Flags & (ZSELayoutChangeSize | ZSELayoutChangeStructure))
    FState &= ~(ZSELayoutStateLimitsCached | ZSELayoutStateLaidOut);
  if (Flags & ZSELayoutChangeStructure) TZSEDesigner::StructureChanged(this);
  if (FParent) FParent->Changed(Flags, Source);
  if ((Flags & ZSELayoutChangeAppearance) && Source == this) Invalidate();
}

TZSELayout* TZSELayoutCustomItem::GetLayout() { return FParent ? FParent->GetLayout() : nullptr; }

void TZSELayoutCustomItem::SetDefaults() {
  FAlignment = laTop;
  FAlignmentLevel = 0;
  FAlignmentMargins->SetValue(TRect());
  FAllowResizeByHeight = true;
  FAllowResizeByWidth = true;
  FSizeMaximal->SetValue(TSize());
  FSizeMinimal->SetValue(TSize());
  FRequestedSize = TSize();
  FStoredSize = TSize();
  FAutoSize = true;
  FVisible = true;
}

void TZSELayoutCustomItem::Realign() {
  GetCalculatorClass().Execute(this, FBounds);
  UpdateOverflowState();
}

void TZSELayoutCustomItem::CalculateContentSizeLimits(TZSESizeLimits& Result) {
  const TZSELayoutDirection dir = GetEffectiveLayoutDirection(this);
  TZSESizeLimits v, h, c;
  bool hasBand = false, unbounded = false;
  for (Integer i = 0; i < GetCount(); ++i) {
    TZSELayoutCustomItem* child = GetItem(i);
    if (!child->GetVisible()) continue;
    TZSESizeLimits l = child->GetSizeLimits();
    switch (child->GetAlignment()) {
      case laTop:
      case laBottom:
        if (l.MaxHeight == 0) l.MaxHeight = l.MinHeight;
        if (child->GetAutoHide()) l.MinHeight = 0;
        v.MinWidth = std::max(v.MinWidth, l.MinWidth);
        v.MaxWidth = std::max(v.MaxWidth, l.MaxWidth);
        v.MaxHeight += l.MaxHeight;
        v.MinHeight += l.MinHeight;
        break;
      case laLeft:
      case laRight:
        hasBand = true;
        if (l.MaxWidth == 0) l.MaxWidth = l.MinWidth;
        if (child->GetAutoHide()) l.MinWidth = 0;
        h.MaxHeight = std::max(h.MaxHeight, l.MaxHeight);
        h.MinHeight = std::max(h.MinHeight, l.MinHeight);
        h.MaxWidth += l.MaxWidth;
        h.MinWidth += l.MinWidth;
        break;
      case laClient:
        hasBand = true;
        if (child->GetAutoHide()) l.MinWidth = l.MinHeight = 0;
        if (dir == ldVertical) {
          c.MinWidth = std::max(c.MinWidth, l.MinWidth);
          c.MaxWidth = std::max(c.MaxWidth, l.MaxWidth);
          c.MaxHeight += l.MaxHeight;
          c.MinHeight += l.MinHeight;
          if (l.MaxHeight == 0) unbounded = true;
        } else {
          c.MinHeight = std::max(c.MinHeight, l.MinHeight);
          c.MaxHeight = std::max(c.MaxHeight, l.MaxHeight);
          c.MaxWidth += l.MaxWidth;
          c.MinWidth += l.MinWidth;
          if (l.MaxWidth == 0) unbounded = true;
        }
        break;
    }
  }
  if (!FAutoSize) {
    hasBand = unbounded = true;
    if (FAlignment == laTop || FAlignment == laBottom || FAlignment == laClient) c.MaxHeight = 0;
    if (FAlignment == laLeft || FAlignment == laRight || FAlignment == laClient) c.MaxWidth = 0;
  }
  if (unbounded) (dir == ldVertical ? c.MaxHeight : c.MaxWidth) = 0;

  Result.MinHeight = std::max(h.MinHeight, c.MinHeight) + v.MinHeight;
  Result.MinWidth = std::max(h.MinWidth + c.MinWidth, v.MinWidth);

  if (FState & ZSELayoutStateRequestedSize) {
    const bool noChildren = GetCount() == 0;
    if (dir == ldDefault || noChildren || (unbounded && dir == ldVertical))
      Result.MinHeight = std::max(Result.MinHeight, FRequestedSize.cy);
    if (dir == ldDefault || noChildren || (unbounded && dir == ldHorizontal))
      Result.MinWidth = std::max(Result.MinWidth, FRequestedSize.cx);
  }

  Integer maxHeight = 0;
  if (c.MaxHeight > 0 && h.MaxHeight > 0)
    maxHeight = std::min(c.MaxHeight, h.MaxHeight);
  else if (h.MaxHeight > 0)
    maxHeight = h.MaxHeight;
  else if (c.MaxHeight > 0)
    maxHeight = c.MaxHeight;
  if (maxHeight > 0 || !hasBand) maxHeight += v.MaxHeight;
  if (maxHeight > 0) maxHeight = std::max(maxHeight, Result.MinHeight);
  Result.MaxHeight = maxHeight;

  Integer maxWidth;
  if (c.MaxWidth > 0 && v.MaxWidth > 0)
    maxWidth = std::min(v.MaxWidth, c.MaxWidth + h.MaxWidth);
  else if (c.MaxWidth > 0)
    maxWidth = c.MaxWidth + h.MaxWidth;
  else
    maxWidth = v.MaxWidth;
  if (maxWidth > 0) maxWidth = std::max(maxWidth, Result.MinWidth);
  Result.MaxWidth = maxWidth;
}

void TZSELayoutCustomItem::UpdateOverflowState() {
  if (HasChildrenOutOfBounds())
    FState |= ZSELayoutStateOverflow;
  else
    FState &= ~ZSELayoutStateOverflow;
}

void TZSELayoutCustomItem::CalculateSizeLimits(TZSESizeLimits& Limits) {
  ClearSizeLimits(Limits);
  CalculateContentSizeLimits(Limits);
  ApplyMinimalSize(Limits.MinWidth, Limits.MinHeight);
  ApplyMaximalSize(Limits);
  if (FKeepAspectRatioOnResize && (FState & ZSELayoutStateRequestedSize)) {
    Limits.MaxHeight = Limits.MinHeight;
    Limits.MaxWidth = Limits.MinWidth;
  }
}

void TZSELayoutCustomItem::ApplyMaximalSize(TZSESizeLimits& Limits) {
  if (FAlignment == laLeft || FAlignment == laRight) Limits.MaxWidth = Limits.MinWidth;
  if (FAlignment == laTop || FAlignment == laBottom) Limits.MaxHeight = Limits.MinHeight;
  if (Limits.MaxWidth == 0) Limits.MaxWidth = Scaled(FSizeMaximal->GetWidth(), FCurrentDpi);
  if (Limits.MaxHeight == 0) Limits.MaxHeight = Scaled(FSizeMaximal->GetHeight(), FCurrentDpi);
  const TRect margins = GetScaledMargins();
  if (Limits.MaxWidth > 0) Limits.MaxWidth = std::max(Limits.MinWidth, Limits.MaxWidth + margins.Left + margins.Right);
  if (Limits.MaxHeight > 0)
    Limits.MaxHeight = std::max(Limits.MinHeight, Limits.MaxHeight + margins.Top + margins.Bottom);
  if (!FAllowResizeByHeight) Limits.MaxHeight = Limits.MinHeight;
  if (!FAllowResizeByWidth) Limits.MaxWidth = Limits.MinWidth;
}

void TZSELayoutCustomItem::ApplyMinimalSize(Integer& MinWidth, Integer& MinHeight) {
  MinHeight = std::max(MinHeight, Scaled(FSizeMinimal->GetHeight(), FCurrentDpi));
  MinWidth = std::max(MinWidth, Scaled(FSizeMinimal->GetWidth(), FCurrentDpi));
  Single ratio;
  if (FKeepAspectRatioOnResize && GetAspectRatio(ratio)) {
    MinWidth = std::max(MinWidth, RoundHalfEven(MinHeight * Double(ratio)));
    MinHeight = RoundHalfEven(MinWidth / Double(ratio));
  }
  const TRect margins = GetScaledMargins();
  MinHeight += margins.Top + margins.Bottom;
  MinWidth += margins.Left + margins.Right;
}

const TZSELayoutCalculator& TZSELayoutCustomItem::GetCalculatorClass() const { return TZSELayoutCalculator::Default(); }

bool TZSELayoutCustomItem::HasChildrenOutOfBounds() {
  for (Integer i = 0; i < GetCount(); ++i) {
    TZSELayoutCustomItem* child = GetItem(i);
    if (!child->GetVisible()) continue;
    if (!FBounds.Contains(child->GetBounds())) return true;
    if (!child->FClipChildren && (child->FState & ZSELayoutStateOverflow)) return true;
  }
  return false;
}

bool TZSELayoutCustomItem::IsCalculating() const { return IsAnyCalculating() || (FParent && FParent->IsCalculating()); }

void TZSELayoutCustomItem::StoreCurrentSize() {
  if (!(FState & ZSELayoutStateLoadingSettings)) FStoredSize = FBounds.Size();
}

void TZSELayoutCustomItem::LanguageChanged() {
  for (Integer i = 0; i < GetCount(); ++i) GetItem(i)->LanguageChanged();
}

void TZSELayoutCustomItem::SkinLoaded() {
  for (Integer i = 0; i < GetCount(); ++i) GetItem(i)->SkinLoaded();
}

void TZSELayoutCustomItem::VisibilityChanged() {
  if (IsCalculating()) return;
  if (FVisible)
    SetRequestedSize(FStoredSize);
  else
    StoreCurrentSize();
}

void TZSELayoutCustomItem::DrawContent(TZSERenderBuffer* Canvas, Integer Layer) {
  for (Integer i = 0; i < GetCount(); ++i) {
    TZSELayoutCustomItem* child = GetItem(i);
    if (child->GetVisible()) child->Draw(Canvas, Layer);
  }
}

bool TZSELayoutCustomItem::HitTestSelf(const TPoint& P) { return FVisible && FBounds.Contains(P); }

bool TZSELayoutCustomItem::HitTestChildren(TZSELayoutHitTestInfo& Info) {
  for (Integer i = GetCount() - 1; i >= 0; --i)
    if (GetItem(i)->HitTest(Info)) return true;
  return false;
}

void TZSELayoutCustomItem::AddItem(TZSELayoutCustomItem* Item) {
  if (!FChildren) {
    FChildren = new TZSELayoutItemList(true);
    FChildren->SetOnNotify({this, &TZSELayoutCustomItem::ChildListNotify});
  }
  FChildren->Add(Item);
}

void TZSELayoutCustomItem::RemoveItem(TZSELayoutCustomItem* Item) {
  if (!FChildren) return;
  FChildren->Extract(Item);
  if (FChildren->GetCount() == 0) FreeAndNil(FChildren);
}

void TZSELayoutCustomItem::ChildListNotify(TObject*, TZSELayoutCustomItem* const&, TCollectionNotification) {
  ChildrenChanged();
}

void TZSELayoutCustomItem::ChildrenChanged() {
  if (FIsDestroyingItem) return;
  if (!(FState & ZSELayoutStateLoading))
    TZSELayoutAlignHelper::RecalculateAlignmentLevels(this);
  else
    Changed(ZSELayoutChangeStructure);
}

void TZSELayoutCustomItem::MoveItem(TZSELayoutCustomItem* Item, Integer Index) {
  if (!FChildren) return;
  const Integer current = FChildren->IndexOf(Item);
  if (current < 0) return;
  Index = std::clamp(Index, 0, FChildren->GetCount() - 1);
  if (Index == current) return;
  TUpdateScope scope(this);
  // Extract and insert: the entry changes place without being freed.
  FChildren->ExtractByIndex(current);
  FChildren->Insert(Index, Item);
  Changed(ZSELayoutChangeStructure);
}

bool TZSELayoutCustomItem::CanSetParent(TZSELayoutCustomItem* Value) {
  return Value != FParent && Value != this && !HasChild(Value, true);
}

void TZSELayoutCustomItem::ResetLayoutState() {
  FState &= ~(ZSELayoutStateLimitsCached | ZSELayoutStateLaidOut);
  for (Integer i = 0; i < GetCount(); ++i) GetItem(i)->ResetLayoutState();
}

bool TZSELayoutCustomItem::HitTest(TZSELayoutHitTestInfo& Info) {
  const bool own = HitTestSelf(Info.Point);
  if (!FVisible || (!own && FClipChildren)) return own;
  if (own) Info.Item = this;
  const bool children = HitTestChildren(Info);
  return ClaimsHitTest() ? own || children : children;
}

void TZSELayoutCustomItem::Draw(TZSERenderBuffer* Canvas, Integer Layer) {
  if (FClipChildren && (FState & ZSELayoutStateOverflow)) {
    TZSERenderBufferClipState saved;
    if (!Canvas->ClipPush(FBounds, saved)) return;
    try {
      DrawContent(Canvas, Layer);
    } catch (...) {
      Canvas->ClipPop(saved);
      throw;
    }
    Canvas->ClipPop(saved);
  } else {
    DrawContent(Canvas, Layer);
  }
}

bool TZSELayoutCustomItem::FindItem(StringView Name, TZSELayoutCustomItem*& Item) {
  if (SameText(GetName(), Name)) {
    Item = this;
    return true;
  }
  for (Integer i = 0; i < GetCount(); ++i)
    if (GetItem(i)->FindItem(Name, Item)) return true;
  return false;
}

TRect TZSELayoutCustomItem::GetScaledMargins() const {
  const TRect margins = FAlignmentMargins->GetValue();
  // Most items have none; the pass asks for them twice per item.
  if (margins == TRect() || FCurrentDpi == ZCLDefaultDPI) return margins;
  return ScaleRectByDPI(margins, FCurrentDpi);
}

bool TZSELayoutCustomItem::GetAspectRatio(Single& Ratio) const {
  const Integer w = FSizeMinimal->GetWidth(), h = FSizeMinimal->GetHeight();
  if (w < 1 || h < 1) return false;
  Ratio = Single(w) / Single(h);
  return true;
}

void TZSELayoutCustomItem::SetRequestedSize(const TSize& Size) {
  FRequestedSize = Size;
  FState |= ZSELayoutStateRequestedSize;
  Changed(ZSELayoutChangeSize);
}

void TZSELayoutCustomItem::ResetStoredSizes() {
  FStoredSize = TSize();
  for (Integer i = 0; i < GetCount(); ++i) GetItem(i)->ResetStoredSizes();
}

void TZSELayoutCustomItem::LoadSettingsTree(TZCLIniFile* Ini, const String& Prefix) {
  FState |= ZSELayoutStateLoadingSettings;
  try {
    for (Integer i = 0; i < GetCount(); ++i) GetItem(i)->LoadSettingsTree(Ini, Prefix);
    if (!GetName().empty()) {
      LoadSettings(Ini, Prefix + u"." + GetName());
      GetBindings()->FullRefresh();
    }
  } catch (...) {
    FState &= ~ZSELayoutStateLoadingSettings;
    throw;
  }
  FState &= ~ZSELayoutStateLoadingSettings;
}

void TZSELayoutCustomItem::SaveSettingsTree(TZCLIniFile* Ini, const String& Prefix) {
  for (Integer i = 0; i < GetCount(); ++i) GetItem(i)->SaveSettingsTree(Ini, Prefix);
  if (!GetName().empty()) SaveSettings(Ini, Prefix + u"." + GetName());
}

void TZSELayoutCustomItem::LoadFromXML(TZCLXMLNode* Node, TZSESchema* Schema) {
  FState |= ZSELayoutStateLoading;
  try {
    FreeChildren();
    LoadProperties(Node, Schema);
    if (TZCLXMLNode* items = Node->FindNode(u"items")) {
      for (Integer i = 0; i < items->GetCount(); ++i) {
        TZCLXMLNode* node = items->GetNode(i);
        TClass cls = nullptr;
        // An unknown class skips the element with its subtree.
        if (!SchemaResolveClass(node, TZSELayoutCustomItem::StaticClass(), cls)) continue;
        TZSELayoutCustomItem* item = cls->Create<TZSELayoutCustomItem>();
        try {
          item->SetName(Schema->GetName(node));
        } catch (...) {
          Free(item);
          throw;
        }
        item->SetParent(this);
        item->LoadFromXML(node, Schema);
      }
    }
  } catch (...) {
    FState &= ~ZSELayoutStateLoading;
    Loaded();
    throw;
  }
  FState &= ~ZSELayoutStateLoading;
  Loaded();
}

void TZSELayoutCustomItem::LoadProperties(TZCLXMLNode* Node, TZSESchema* Schema) {
  if (TZCLXMLNode* properties = Node->FindNode(u"properties")) Schema->LoadProperties(this, properties);
}

void TZSELayoutCustomItem::SaveToXML(TZCLXMLNode* Node, TZSESchema* Schema) {
  SaveProperties(Node, Schema);
  if (GetCount() == 0) return;
  TZCLXMLNode* items = Node->Add(u"items");
  for (Integer i = 0; i < GetCount(); ++i) GetItem(i)->SaveToXML(items->Add(u"item"), Schema);
}

void TZSELayoutCustomItem::SaveProperties(TZCLXMLNode* Node, TZSESchema* Schema) {
  Node->GetAttributes()->AddString(u"class", SchemaGetClassName(this));
  Node->GetAttributes()->AddString(u"name", GetName());
  TZCLXMLNode* properties = Node->Add(u"properties");
  Schema->SaveProperties(this, properties, Schema->GetObjectPath(this));
  XMLNodeFreeIfEmpty(properties, false);
}

void TZSELayoutCustomItem::SetName(const TComponentName& NewName) {
  if (NewName == GetName()) return;
  TZSECustomVisualItem::SetName(NewName);
  if (FParent) FParent->ItemNameChanged(this);
}

void TZSELayoutCustomItem::SetAlignment(TZSELayoutAlignment Value) {
  if (Value == FAlignment) return;
  TUpdateScope scope(this);
  FAlignment = Value;
  SetAlignmentLevel(0);
  Changed(ZSELayoutChangeStructure);
}

void TZSELayoutCustomItem::SetAlignmentLevel(Integer Value) { TZSELayoutAlignHelper::SetAlignmentLevel(this, Value); }

#define ZSE_LAYOUT_SETTER(Name, Type, Field, Flags)  \
  void TZSELayoutCustomItem::Set##Name(Type Value) { \
    if (Value == Field) return;                      \
    Field = Value;                                   \
    Changed(Flags);                                  \
  }
ZSE_LAYOUT_SETTER(AllowResizeByHeight, bool, FAllowResizeByHeight, ZSELayoutChangeSize)
ZSE_LAYOUT_SETTER(AllowResizeByWidth, bool, FAllowResizeByWidth, ZSELayoutChangeSize)
ZSE_LAYOUT_SETTER(AutoHide, bool, FAutoHide, ZSELayoutChangeSize)
ZSE_LAYOUT_SETTER(AutoSize, bool, FAutoSize, ZSELayoutChangeSize)
ZSE_LAYOUT_SETTER(ClipChildren, bool, FClipChildren, ZSELayoutChangeSize)
ZSE_LAYOUT_SETTER(KeepAspectRatioOnResize, bool, FKeepAspectRatioOnResize, ZSELayoutChangeSize)
#undef ZSE_LAYOUT_SETTER

void TZSELayoutCustomItem::SetAutoHideParentSizeThreshold(Integer Value) {
  Value = std::max(Value, 0);
  if (Value == FAutoHideParentSizeThreshold) return;
  FAutoHideParentSizeThreshold = Value;
  Changed(ZSELayoutChangeSize);
}

void TZSELayoutCustomItem::SetLayoutDirection(TZSELayoutDirection Value) {
  if (Value == FLayoutDirection) return;
  TUpdateScope scope(this);
  FLayoutDirection = Value;
  ResetLayoutState();
  Changed(ZSELayoutChangeStructure);
}

void TZSELayoutCustomItem::SetParent(TZSELayoutCustomItem* Value) {
  if (!CanSetParent(Value)) return;
  // The old and the new tree each see the change within one update.
  TZSELayout* oldLayout = GetLayout();
  if (oldLayout) oldLayout->BeginUpdate();
  try {
    if (FParent) {
      TZSELayoutCustomItem* parent = FParent;
      FParent = nullptr;
      parent->RemoveItem(this);
    }
    if (Value) {
      FParent = Value;
      Value->AddItem(this);
      TakeParentDpi();
    }
    Changed(ZSELayoutChangeStructure);
  } catch (...) {
    if (oldLayout) oldLayout->EndUpdate();
    throw;
  }
  if (oldLayout) oldLayout->EndUpdate();
}

Integer TZSELayoutCustomItem::GetZOrder() const {
  return FParent && FParent->FChildren ? FParent->FChildren->IndexOf(const_cast<TZSELayoutCustomItem*>(this)) : -1;
}

void TZSELayoutCustomItem::SetZOrder(Integer Value) {
  if (FParent) FParent->MoveItem(this, Value);
}

// ---- TZSELayoutItem ----------------------------------------------------------------------------------

void TZSELayoutItem::DeclareProperties(TClassDeclaration<TZSELayoutItem>& D) {
  using T = TZSELayoutItem;
  D.Property(u"Alignment", &T::GetAlignment, &T::SetAlignment).Default(laTop);
  D.Property(u"AlignmentLevel", &T::GetAlignmentLevel, &T::SetAlignmentLevel).Default(0);
  D.Property(u"AlignmentMargins", &T::GetAlignmentMargins, &T::SetAlignmentMargins);
  D.Property(u"AutoHide", &T::GetAutoHide, &T::SetAutoHide).Default(false);
  D.Property(u"AutoHideParentSizeThreshold", &T::GetAutoHideParentSizeThreshold, &T::SetAutoHideParentSizeThreshold)
      .Default(0);
  D.Property(u"KeepAspectRatioOnResize", &T::GetKeepAspectRatioOnResize, &T::SetKeepAspectRatioOnResize).Default(false);
  D.Property(u"Parent", &T::GetParentItem, &T::SetParent).Stored(false);
  D.Property(u"ZOrder", &T::GetZOrder, &T::SetZOrder).Stored(false);
}

// ---- TZSELayoutTexture -------------------------------------------------------------------------------

TZSELayoutTexture::TZSELayoutTexture() {
  FColor = Create<TZCLResourceColor>(this);
  FTexture = Create<TZSETexture>(this, TZSETextureChangeEvent(this, &TZSELayoutTexture::TextureChanged));
  FTexture->SetSupportedValues(TZSETextureAssignedValues{atavHitTest, atavCover, atavMask});
}

TZSELayoutTexture::~TZSELayoutTexture() {
  DropCache();
  Free(FTexture);
  Free(FColor);
}

void TZSELayoutTexture::BeforeDestruction() {
  FTexture->OnChange = nullptr;
  TZSELayoutItem::BeforeDestruction();
}

void TZSELayoutTexture::DeclareProperties(TClassDeclaration<TZSELayoutTexture>& D) {
  using T = TZSELayoutTexture;
  D.Property(u"Color", &T::GetColor, &T::SetColor);
  D.Property(u"Texture", &T::GetTexture, &T::SetTexture);
  D.Property(u"TextureDrawingState", &T::GetTextureDrawingState, &T::SetTextureDrawingState).Default(0);
}

void TZSELayoutTexture::RegisterPins() {
  TZSELayoutItem::RegisterPins();
  if (TZSEBindings* bindings = PinBindings()) {
    bindings->RegisterPinProperty(u"State", u"TextureDrawingState");
    bindings->RegisterPinProperty(u"Visibility", u"Visible");
  }
}

void TZSELayoutTexture::SetTextureDrawingState(Integer Value) {
  if (Value == FTextureDrawingState) return;
  FTextureDrawingState = Value;
  Changed(ZSELayoutChangeAppearance);
}

bool TZSELayoutTexture::CanAutoHide() {
  bool value;
  return !GetBindings()->GetDataAsBoolean(u"Visibility", value);
}

bool TZSELayoutTexture::HitTestSelf(const TPoint& P) {
  return TZSELayoutItem::HitTestSelf(P) && FTexture->HitTest(FBounds, P.X - FBounds.Left, P.Y - FBounds.Top);
}

void TZSELayoutTexture::ApplyMinimalSize(Integer& MinWidth, Integer& MinHeight) {
  const TSize frame = FTexture->GetFrameSize();
  MinWidth = std::max(MinWidth, Integer(frame.cx));
  MinHeight = std::max(MinHeight, Integer(frame.cy));
  TZSELayoutItem::ApplyMinimalSize(MinWidth, MinHeight);
}

void TZSELayoutTexture::DropCache() {
  Free(FCache);
  FCache = nullptr;
}

void TZSELayoutTexture::BoundsChanged() {
  DropCache();
  TZSELayoutItem::BoundsChanged();
}

void TZSELayoutTexture::DpiChanged() {
  FTexture->SetTargetDPI(FCurrentDpi);
  TZSELayoutItem::DpiChanged();
}

void TZSELayoutTexture::TextureChanged(TObject*, TZSETexture*) {
  DropCache();
  // The texture's frame (at its DPI) as a minimum at 96 DPI.
  FSizeMinimal->SetContentSize(UnscaleSizeByDPI(FTexture->GetFrameSize(), FCurrentDpi));
  ResourceChanged(FTexture, FTexture);
}

void TZSELayoutTexture::DrawContent(TZSERenderBuffer* Canvas, Integer Layer) {
  if (Layer == 0) {
    const TAlphaColor color = FColor->GetValue();
    if (color != claNone && color != claDefault) Canvas->FillRect(FBounds, color);
    Canvas->DrawTexture(FBounds, FTexture, FTextureDrawingState, 255);
    TZSELayoutItem::DrawContent(Canvas, Layer);
  } else {
    TZSELayoutItem::DrawContent(Canvas, Layer);
    const Integer cover = FTexture->GetCoverFrameIndex();
    if (cover >= 0 && cover < FTexture->GetFrameCount()) Canvas->DrawTexture(FBounds, FTexture, cover, 255);
  }
}

void TZSELayoutTexture::Draw(TZSERenderBuffer* Canvas, Integer Layer) {
  if (FTexture->HasMask() && (FTexture->GetMaskMode() == tmmApplyToAll || Layer == 1)) {
    Canvas->PaintMasked(FBounds, FTexture, FTexture->GetMaskFrameIndex(), FCache, false,
                        [&](TZSERenderBuffer* Buffer) { TZSELayoutItem::Draw(Buffer, Layer); });
    return;
  }
  TZSELayoutItem::Draw(Canvas, Layer);
}

// ---- TZSELayout -------------------------------------------------------------------------------------

TZSELayout::TZSELayout(TComponent* AForm) : FForm(AForm) { FAlignment = laClient; }

bool TZSELayout::IsActuallyVisible() {
  IPtr<IZSELayoutHost> host;
  if (Supports(FForm, host)) return host->LayoutIsVisible();
  return FVisible;
}

void TZSELayout::InvalidateRect(const TRect& R, bool Flag) {
  if (!FVisible || R.IsEmpty()) return;
  IPtr<IZSELayoutHost> host;
  if (Supports(FForm, host)) host->LayoutInvalidate(R);
}

void TZSELayout::Changed(Byte Flags, TZSELayoutCustomItem* Source) {
  TZSELayoutCustomItem::Changed(Flags, Source);
  FPendingChanges |= Flags;
  Flush();
}

void TZSELayout::SetDefaults() {
  TZSELayoutCustomItem::SetDefaults();
  FAlignment = laClient;
}

void TZSELayout::ApplyColorSchema(const TZCLColorSchema& Schema) {
  TUpdateScope scope(this);
  TZSELayoutCustomItem::ApplyColorSchema(Schema);
}

void TZSELayout::ResetLayoutState() {
  TZSELayoutCustomItem::ResetLayoutState();
  Changed(ZSELayoutChangeStructure);
}

void TZSELayout::LoadFromXML(TZCLXMLNode* Node, TZSESchema* Schema) {
  TUpdateScope scope(this);
  SetDefaults();
  TZSELayoutCustomItem::LoadFromXML(Node, Schema);
}

void TZSELayout::LoadFromSkin(TZSESchema* Schema) {
  TZSESkinResources* resources = Schema->GetResources();
  if (!resources || !FForm) return;
  TZCLXMLDocument* document = resources->LoadDocument(FForm->GetName());
  try {
    if (document->GetCount() > 0) LoadFromXML(document->GetNode(0), Schema);
  } catch (...) {
    Free(document);
    throw;
  }
  Free(document);
}

void TZSELayout::SaveToSkin(TZSESchema* Schema) {
  TZSESkinResources* resources = Schema->GetResources();
  if (!resources || !FForm) return;
  auto* document = Create<TZCLXMLDocument>();
  try {
    SaveToXML(document->Add(u"layout"), Schema);
    resources->SaveSchema(FForm->GetName(), document);
  } catch (...) {
    Free(document);
    throw;
  }
  Free(document);
}

void TZSELayout::EndUpdate() {
  if (FUpdateCount > 0) --FUpdateCount;
  Flush();
}

void TZSELayout::Flush() {
  if (FPendingChanges == 0 || FUpdateCount > 0) return;
  const Byte flags = FPendingChanges;
  FPendingChanges = 0;
  if (OnChange) OnChange(this, flags);
}

void TZSELayout::BoundsFromSizeLimits(const TRect& R) {
  if (FUpdateCount > 0) return;
  const TZSESizeLimits limits = GetSizeLimits();
  TRect r = R;
  if (limits.MinWidth > 0) r.Right = std::max(r.Right, r.Left + limits.MinWidth);
  if (limits.MinHeight > 0) r.Bottom = std::max(r.Bottom, r.Top + limits.MinHeight);
  if (limits.MaxWidth > 0) r.Right = std::min(r.Right, r.Left + limits.MaxWidth);
  if (limits.MaxHeight > 0) r.Bottom = std::min(r.Bottom, r.Top + limits.MaxHeight);
  SetBounds(r);
}

void TZSELayout::DrawLayers(TZSERenderBuffer* Canvas) {
  if (!(FState & ZSELayoutStateLaidOut)) return;
  Draw(Canvas, 0);
  Draw(Canvas, 1);
}

// ---- TZSELayoutAlignHelper -------------------------------------------------------------------------

void TZSELayoutAlignHelper::CollectItems(TZCLListOf<TZSELayoutCustomItem*>& List, TZSELayoutCustomItem* Container,
                                         TZSELayoutAlignment Alignment, bool VisibleOnly) {
  const Integer first = List.GetCount();
  for (Integer i = 0; i < Container->GetCount(); ++i) {
    TZSELayoutCustomItem* child = Container->GetItem(i);
    if (child->FAlignment != Alignment || (VisibleOnly && !child->FVisible)) continue;
    // Insert before the first entry of this call with a greater level; equal levels keep child order.
    Integer at = List.GetCount();
    while (at > first && List[at - 1]->FAlignmentLevel > child->FAlignmentLevel) --at;
    List.Insert(at, child);
  }
}

void TZSELayoutAlignHelper::Renumber(TZCLListOf<TZSELayoutCustomItem*>& List) {
  for (Integer i = 0; i < List.GetCount(); ++i) List[i]->FAlignmentLevel = i;
}

void TZSELayoutAlignHelper::RecalculateAlignmentLevels(TZSELayoutCustomItem* Container) {
  TZCLListOf<TZSELayoutCustomItem*> list;
  for (TZSELayoutAlignment alignment : {laTop, laBottom, laLeft, laRight, laClient}) {
    list.Clear();
    CollectItems(list, Container, alignment, false);
    Renumber(list);
  }
  Container->Changed(ZSELayoutChangeStructure);
}

void TZSELayoutAlignHelper::SetAlignmentLevel(TZSELayoutCustomItem* Item, Integer Value) {
  if (Value == Item->FAlignmentLevel) return;
  if (Item->FState & ZSELayoutStateLoading) {
    Item->FAlignmentLevel = Value;
    return;
  }
  TZSELayoutCustomItem* parent = Item->FParent;
  if (!parent) return;
  TZCLListOf<TZSELayoutCustomItem*> list;
  CollectItems(list, parent, Item->FAlignment, false);
  if (list.GetCount() < 2) return;
  list.Remove(Item);
  list.Insert(std::max(0, std::min(Value, list.GetCount())), Item);
  Renumber(list);
  parent->Changed(ZSELayoutChangeStructure);
}

// ---- routines ---------------------------------------------------------------------------------------

TZSELayoutCustomItem* FindCommonParent(TZSELayoutCustomItem* A, TZSELayoutCustomItem* B) {
  if (!A || !B) return nullptr;
  auto walk = [](TZSELayoutCustomItem* From, TZSELayoutCustomItem* Target) -> TZSELayoutCustomItem* {
    bool first = true;
    for (TZSELayoutCustomItem* p = From; p; p = p->GetParentItem(), first = false)
      if (p == Target || p->HasChild(Target, first)) return p;
    return nullptr;
  };
  if (TZSELayoutCustomItem* found = walk(A, B)) return found;
  return walk(B, A);
}

bool HasKeepAspectRatioInSubtree(TZSELayoutCustomItem* Item) {
  if (Item->GetKeepAspectRatioOnResize()) return true;
  for (Integer i = 0; i < Item->GetCount(); ++i)
    if (HasKeepAspectRatioInSubtree(Item->GetItem(i))) return true;
  return false;
}

void DrawContentTo(TZSELayoutCustomItem* Item, TZSERenderBuffer* Canvas, const TPoint& Origin) {
  const TRect bounds = Item->GetBounds();
  const TPoint previous = Canvas->MoveOrigin(Origin.X - bounds.Left, Origin.Y - bounds.Top);
  try {
    Item->DrawContent(Canvas, 0);
    Item->DrawContent(Canvas, 1);
  } catch (...) {
    Canvas->RestoreOrigin(previous);
    throw;
  }
  Canvas->RestoreOrigin(previous);
}

void ZSELayoutInitialize() {
  // The value objects the items publish (nothing happens when they are declared already).
  RegisterProperties<TZCLRect>();
  RegisterProperties<TZSELayoutSize>();
  RegisterProperties<TZSELayoutItem>();
  RegisterProperties<TZSELayoutTexture>();
  RegisterProperties<TZSELayout>();
  RegisterClasses({TZSELayoutItem::StaticClass(), TZSELayoutTexture::StaticClass()});
}

void ZSELayoutFinalize() { UnRegisterClasses({TZSELayoutItem::StaticClass(), TZSELayoutTexture::StaticClass()}); }
