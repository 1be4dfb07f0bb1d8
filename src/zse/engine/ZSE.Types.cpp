#include "zse/engine/ZSE.Types.h"

#include "rtl/RTL.Format.h"

namespace {
IPtr<IZSEDesignDesktop> GDesignDesktop;
IPtr<IZSEErrorHandler> GErrorHandler;

constexpr Integer GModeVersions[] = {0, 300, 350, 400, 450, 500};

template <class I, class F>
void Notify(F&& Proc) {
  IPtr<I> intf;
  if (GDesignDesktop && Supports(GDesignDesktop, intf)) Proc(intf.get());
}

Integer Clamp(Integer Value, Integer Min, Integer Max) {
  if (Value < 0) Value = 0;
  if (Max != 0 && Value >= Max) Value = Max;
  if (Min != 0 && Min >= Value) Value = Min;
  return Value;
}
}  // namespace

Integer CompatibilityModeToVersion(TZSECompatibilityMode Mode) { return Mode <= cmvLatest ? GModeVersions[Mode] : 0; }

String CompatibilityModeToString(TZSECompatibilityMode Mode) {
  const Integer version = CompatibilityModeToVersion(Mode);
  const Integer minor = version % 100;
  return Format(u"v%d.%s", {version / 100, Format(u"%.2d", {minor})});
}

bool CompatibilityModeIsOutdated(TZSECompatibilityMode Mode) { return Mode < cmvLatest; }

TZSECompatibilityMode CompatibilityModeFromVersion(Integer Version) {
  for (Integer mode = cmvLatest; mode > cmvLowest; --mode)
    if (GModeVersions[mode] <= Version) return static_cast<TZSECompatibilityMode>(mode);
  return cmvLowest;
}

TZSEContentSizes ContentSizesChanged(const TRect& Old, const TRect& New) {
  TZSEContentSizes result;
  if (Old.Width() != New.Width()) result.Include(csWidth);
  if (Old.Height() != New.Height()) result.Include(csHeight);
  return result;
}

void TZSEHintData::Reset() {
  Text.clear();
  HoldActionText.clear();
  ContextActionText.clear();
  FollowCursor = false;
  Owner = nullptr;
}

void ClearSizeLimits(TZSESizeLimits& Limits) { Limits = TZSESizeLimits(); }

Integer ClampWidth(const TZSESizeLimits& Limits, Integer Width) {
  return Clamp(Width, Limits.MinWidth, Limits.MaxWidth);
}

Integer ClampHeight(const TZSESizeLimits& Limits, Integer Height) {
  return Clamp(Height, Limits.MinHeight, Limits.MaxHeight);
}

bool CanResizeWidth(const TZSESizeLimits& Limits) { return Limits.MaxWidth == 0 || Limits.MinWidth < Limits.MaxWidth; }

bool CanResizeHeight(const TZSESizeLimits& Limits) {
  return Limits.MaxHeight == 0 || Limits.MinHeight < Limits.MaxHeight;
}

TRect SidesToRect(TZCLBorders Sides) {
  return TRect(Sides.Contains(mLeft) ? 1 : 0, Sides.Contains(mTop) ? 1 : 0, Sides.Contains(mRight) ? 1 : 0,
               Sides.Contains(mBottom) ? 1 : 0);
}

TZCLBorders RectToSides(const TRect& Rect) {
  TZCLBorders result;
  if (Rect.Left != 0) result.Include(mLeft);
  if (Rect.Top != 0) result.Include(mTop);
  if (Rect.Right != 0) result.Include(mRight);
  if (Rect.Bottom != 0) result.Include(mBottom);
  return result;
}

IZSEDesignDesktop* ZSEGetDesignDesktop() { return GDesignDesktop.get(); }
void ZSESetDesignDesktop(const IPtr<IZSEDesignDesktop>& Value) { GDesignDesktop = Value; }
IZSEErrorHandler* ZSEGetErrorHandler() { return GErrorHandler.get(); }
void ZSESetErrorHandler(const IPtr<IZSEErrorHandler>& Value) { GErrorHandler = Value; }

bool TZSEDesigner::CanChangeSceneVisibility(TComponent* Scene) {
  return !GDesignDesktop || GDesignDesktop->CanChangeSceneVisibility(Scene);
}

TWinControl* TZSEDesigner::GetFormsParent() { return GDesignDesktop ? GDesignDesktop->GetFormsParent() : nullptr; }

void TZSEDesigner::FormLayoutChanged(TComponent* Form) {
  if (GDesignDesktop) GDesignDesktop->FormLayoutChanged(Form);
}

Integer TZSEDesigner::GetDesignDpi() { return GDesignDesktop ? GDesignDesktop->GetDesignDpi() : 96; }

void TZSEDesigner::BoundsChanged(TObject* Item) {
  Notify<IZSEDesignDesktopNotifications>([&](auto* n) { n->BoundsChanged(Item); });
}

void TZSEDesigner::DockSiteChanged(TObject* DockSite) {
  Notify<IZSEDesignDesktopNotifications>([&](auto* n) { n->DockSiteChanged(DockSite); });
}

void TZSEDesigner::NameChanged(TComponent* Component) {
  Notify<IZSEDesignDesktopNotifications>([&](auto* n) { n->NameChanged(Component); });
}

void TZSEDesigner::StructureChanged(TObject* Item) {
  Notify<IZSEDesignDesktopNotifications>([&](auto* n) { n->StructureChanged(Item); });
}

void TZSEDesigner::ItemChanged(TComponent* Component) {
  Notify<IZSEDesignDesktopNotifications>([&](auto* n) { n->ItemChanged(Component); });
}

bool TZSEDesigner::HookMessage(TMessage& Message, TComponent* Form) {
  bool handled = false;
  Notify<IZSEDesignDesktopHook>([&](auto* h) { handled = h->HookMessage(Message, Form); });
  return handled;
}

void ZSETypesFinalize() {
  GDesignDesktop = nullptr;
  GErrorHandler = nullptr;
}
