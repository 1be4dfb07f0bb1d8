// How a skin form hands its input to the skin elements: the engine-wide input state, then the
// form's mouse, wheel, keyboard, hint, gesture, context-menu and drop routing.

#include <algorithm>
#include <cmath>
#include <vector>

#include "os/OS.Input.h"
#include "os/OS.Windows.h"
#include "rtl/RTL.Numbers.h"
#include "vcl/VCL.Menus.h"
#include "zcl/ui/ZCL.UI.Controls.Utils.h"
#include "zse/engine/ZSE.Bindings.Providers.h"
#include "zse/engine/ZSE.Forms.Utils.h"
#include "zse/engine/ZSE.Forms.h"
#include "zse/engine/ZSE.Hints.h"
#include "zse/engine/ZSE.Layout.Containers.h"
#include "zse/engine/ZSE.Manager.h"
#include "zse/engine/ZSE.Menus.h"

namespace {

TZSEGlobalStateController* GController = nullptr;
// Engine-wide: a press on the element whose menu is open must not open it again on release.
bool GSuppressContextMenu = false;
bool GRichHints = true;

template <class I>
IPtr<I> HandlerOf(TZSECustomVisualItem* Element) {
  IPtr<I> handler;
  if (Element) Supports(static_cast<TObject*>(Element), handler);
  return handler;
}

// Element itself or its nearest ancestor implementing I.
template <class I>
TZSECustomVisualItem* NearestWith(TZSECustomVisualItem* Element) {
  for (TZSECustomVisualItem* e = Element; e; e = e->GetParent())
    if (Supports<I>(static_cast<TObject*>(e))) return e;
  return nullptr;
}

Integer ButtonNumber(TMouseButton Button) { return static_cast<Integer>(Button); }

// The undocked form the element's form sits in.
TZSEBaseForm* OuterFormOf(TZSECustomVisualItem* Element) {
  auto* form = dynamic_cast<TZSEBaseForm*>(Element ? Element->GetForm() : nullptr);
  while (form && form->GetDocked())
    if (auto* host = dynamic_cast<TZSEBaseForm*>(form->GetParent()))
      form = host;
    else
      break;
  return form;
}

TCustomForm* TopFormOf(TZSECustomVisualItem* Element) {
  auto* control = dynamic_cast<TControl*>(Element ? Element->GetForm() : nullptr);
  return control ? GetParentForm(control, true) : nullptr;
}

// Whether A is B or has B below it.
bool Contains(TZSECustomVisualItem* A, TZSECustomVisualItem* B) {
  for (TZSECustomVisualItem* e = B; e; e = e->GetParent())
    if (e == A) return true;
  return false;
}

void TellHover(TZSECustomVisualItem* From, TZSECustomVisualItem* Stop, bool Entered) {
  for (TZSECustomVisualItem* e = From; e && e != Stop; e = e->GetParent())
    if (auto h = HandlerOf<IZSEHandlerMouseHover>(e)) h->MouseHover(Entered);
}

void TellFocus(TZSECustomVisualItem* Element, bool Focused) {
  if (auto h = HandlerOf<IZSEHandlerFocus>(Element)) h->FocusChanged(Focused);
}

// Forgets its component when that is freed.
class TFreeWatch : public TComponent {
 public:
  explicit TFreeWatch(TComponent* AWatched) : TComponent(nullptr), Watched(AWatched) {
    if (Watched) Watched->FreeNotification(this);
  }
  ~TFreeWatch() override {
    if (Watched) Watched->RemoveFreeNotification(this);
  }
  TComponent* Watched;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == Watched) Watched = nullptr;
  }
};

// The elements of the tree that take the focus, visible and enabled, in tree order.
void CollectFocusable(TZSELayoutCustomItem* Item, std::vector<TZSECustomVisualItem*>& List) {
  if (!Item->GetVisible() || !Item->GetEnabled()) return;
  if (TZSEGlobalStateController::CanFocus(Item)) List.push_back(Item);
  // A container's controls come before its child items.
  if (auto* container = dynamic_cast<TZSELayoutContainer*>(Item))
    for (TZSECustomVisualItem* control : container->GetControls())
      if (TZSEGlobalStateController::CanFocus(control)) List.push_back(control);
  for (Integer i = 0; i < Item->GetCount(); ++i) CollectFocusable(Item->GetItem(i), List);
}

TPoint CursorPos() {
  TPoint p;
  GetCursorPos(p);
  return p;
}

}  // namespace

// ---- the global state controller -----------------------------------------------------------------------

TZSEGlobalStateController* GlobalStateController() { return TZSEGlobalStateController::Instance(); }

TZSEGlobalStateController* TZSEGlobalStateController::Instance() {
  if (!GController) GController = new TZSEGlobalStateController(nullptr);
  return GController;
}

TZSEGlobalStateController* TZSEGlobalStateController::Existing() { return GController; }

void TZSEGlobalStateController::Finalize() {
  TZSEGlobalStateController* c = GController;
  GController = nullptr;
  delete c;
}

TZSEGlobalStateController::~TZSEGlobalStateController() {
  // Elements hear nothing more from an engine that is going away.
  FFocusedElement = FHoveredElement = FCapturedElement = FGestureElement = FContextMenuElement = nullptr;
  FCaptureForm = nullptr;
}

bool TZSEGlobalStateController::IsAvailable(TZSECustomVisualItem* Element) {
  return Element && Element->IsActuallyVisible() && Element->IsActuallyEnabled();
}

bool TZSEGlobalStateController::CanFocus(TZSECustomVisualItem* Element) {
  return IsAvailable(Element) && Supports<IZSEHandlerFocus>(static_cast<TObject*>(Element));
}

TZSECustomVisualItem* TZSEGlobalStateController::GetActiveElement() const {
  if (FContextMenuElement) return FContextMenuElement;
  if (FCapturedElement) return FCapturedElement;
  return FHoveredElement;
}

void TZSEGlobalStateController::Hold(TComponent* Value) {
  if (Value) Value->FreeNotification(this);
}

void TZSEGlobalStateController::Release(TComponent* Value) {
  if (!Value) return;
  if (Value == FFocusedElement || Value == FHoveredElement || Value == FCapturedElement || Value == FGestureElement ||
      Value == FContextMenuElement || Value == FCaptureForm)
    return;
  Value->RemoveFreeNotification(this);
}

void TZSEGlobalStateController::SetContextMenuElement(TZSECustomVisualItem* Value) {
  TZSECustomVisualItem* old = FContextMenuElement;
  FContextMenuElement = Value;
  Hold(Value);
  Release(old);
}

void TZSEGlobalStateController::SetFocusedElement(TZSECustomVisualItem* Element) {
  if (!IsAvailable(Element)) Element = nullptr;
  if (Element == FFocusedElement) return;
  if (TZSECustomVisualItem* old = FFocusedElement) {
    FFocusedElement = nullptr;
    Release(old);
    TellFocus(old, false);
  }
  if (!CanFocus(Element)) return;
  if (TCustomForm* top = TopFormOf(Element)) try {
      if (top->GetVisible() && top->GetEnabled()) top->SetFocus();
    } catch (...) {
    }
  FFocusedElement = Element;
  Hold(Element);
  TellFocus(Element, true);
}

void TZSEGlobalStateController::SetHoveredElement(TZSECustomVisualItem* Element) {
  if (FCapturedElement || FContextMenuElement || Element == FHoveredElement) return;
  if (Application) Application->CancelHint();
  TZSECustomVisualItem* old = FHoveredElement;
  TZSECustomVisualItem* common = nullptr;
  for (TZSECustomVisualItem* e = old; e && !common; e = e->GetParent())
    if (Contains(e, Element)) common = e;
  if (!common)
    for (TZSECustomVisualItem* e = Element; e && !common; e = e->GetParent())
      if (Contains(e, old)) common = e;
  if (old) {
    FHoveredElement = nullptr;
    Release(old);
    TellHover(old, common, false);
  }
  FHoveredElement = Element;
  Hold(Element);
  TellHover(Element, common, true);
}

void TZSEGlobalStateController::UpdateHover(TZSECustomVisualItem* Element) {
  if (FCapturedElement && Element != FCapturedElement) Element = nullptr;
  SetHoveredElement(Element);
}

void TZSEGlobalStateController::SetCapturedElement(TZSECustomVisualItem* Element) {
  if (!IsAvailable(Element)) Element = nullptr;
  if (Element == FCapturedElement) return;
  if (TZSECustomVisualItem* old = FCapturedElement) {
    old->Perform(CM_CANCELMODE, 0, 0);
    FCapturedElement = nullptr;
    Release(old);
  }
  if (FCaptureForm) {
    TCustomForm* form = FCaptureForm;
    FCaptureForm = nullptr;
    if (GetCaptureControl() == form) SetCaptureControl(nullptr);
    Release(form);
  }
  if (!Element) return;
  FCaptureForm = TopFormOf(Element);
  Hold(FCaptureForm);
  if (FCaptureForm && FCaptureForm->HandleAllocated()) SetCaptureControl(FCaptureForm);
  FCapturedElement = Element;
  Hold(Element);
  if (CanFocus(Element)) SetFocusedElement(Element);
}

void TZSEGlobalStateController::SetGestureElement(TZSECustomVisualItem* Element) {
  TZSECustomVisualItem* old = FGestureElement;
  FGestureElement = Element;
  Hold(Element);
  Release(old);
}

void TZSEGlobalStateController::Reapply() {
  SetCapturedElement(FCapturedElement);
  SetHoveredElement(FHoveredElement);
  SetFocusedElement(FFocusedElement);
  // Unavailable ones are kept by the setters when nothing changes; drop them here.
  if (FCapturedElement && !IsAvailable(FCapturedElement)) SetCapturedElement(nullptr);
  if (FHoveredElement && !IsAvailable(FHoveredElement)) SetHoveredElement(nullptr);
}

bool TZSEGlobalStateController::ProcessShortCut(Word Key, TShiftState Shift) {
  auto h = HandlerOf<IZSEHandlerKeyboard>(FFocusedElement);
  if (!h) return false;
  bool handled = false;
  h->KeyDownPreview(Key, Shift, handled);
  return handled;
}

void TZSEGlobalStateController::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FCaptureForm) {
    FCaptureForm = nullptr;
    FCapturedElement = nullptr;
  }
  if (AComponent == FCapturedElement) {
    FCapturedElement = nullptr;
    if (FCaptureForm) {
      if (GetCaptureControl() == FCaptureForm) SetCaptureControl(nullptr);
      FCaptureForm = nullptr;
    }
  }
  if (AComponent == FFocusedElement) FFocusedElement = nullptr;
  if (AComponent == FHoveredElement) FHoveredElement = nullptr;
  if (AComponent == FGestureElement) FGestureElement = nullptr;
  if (AComponent == FContextMenuElement) FContextMenuElement = nullptr;
}

bool TZSEForm::GetRichHints() { return GRichHints; }
void TZSEForm::SetRichHints(bool Value) { GRichHints = Value; }

// ---- hit tests, draggers, cursor --------------------------------------------------------------------------

TZSECustomVisualItem* TZSEForm::HitTest(const TPoint& P, Integer Purpose, TPoint* Content) {
  const TPoint content = ClientToContent(P);
  if (Content) *Content = content;
  if (GetSizingCode(P) != 0) return nullptr;
  TZSELayoutHitTestInfo info;
  info.Point = content;
  info.Flags = static_cast<Byte>(Purpose);
  FLayout->HitTest(info);
  return info.Control ? info.Control : info.Item;
}

TZSECustomFormDragger* TZSEForm::CreateDragger(const TPoint& P) {
  if (const Byte code = GetSizingCode(P)) return new TZSEFormResizer(this, ClientToScreen(P), code);
  if (!CanDrag()) return nullptr;
  // The body as the layout places it in the content, whatever part of it the window shows.
  const TRect m = GetBodyOffsets();
  auto content = [&](Integer V) { return MulDiv(V, GetRenderScale(), GetDisplayScale()); };
  TRect body = GetContentRect();
  body.Inflate(-content(m.Left), -content(m.Top), -content(m.Right), -content(m.Bottom));
  if (!body.Contains(ClientToContent(P))) return nullptr;
  // A form docked here is dragged out of its site unless the site keeps it.
  TPoint local;
  if (TZSEForm* docked = FindDockedFormAt(P, &local); docked && docked->GetDocked() && GetPlacementKind() == fpkNormal)
    if (TZSEManager* manager = TZSEManager::Instance())
      for (TZSELayoutDockSite* site : manager->GetDockSites())
        if (site->GetDockedForm() == docked && site->CanRelease()) return new TZSEFormDraggerDocked(docked, local);
  return new TZSEFormDragger(this, P);
}

TZSEForm* TZSEForm::FindDockedFormAt(const TPoint& P, TPoint* Local) {
  // Docked forms are drawn by the dock sites of this form's layout.
  if (TZSEManager* manager = TZSEManager::Instance()) {
    const TPoint content = ClientToContent(P);
    for (TZSELayoutDockSite* site : manager->GetDockSites()) {
      TZSEForm* docked = site->GetDockedForm();
      if (site->GetForm() != this || !docked || !site->GetVisible() || !site->GetBounds().Contains(content)) continue;
      const TPoint inner(content.X - site->GetBounds().Left, content.Y - site->GetBounds().Top);
      if (TZSEForm* deeper = docked->FindDockedFormAt(inner, Local)) return deeper;
      if (Local) *Local = inner;
      return docked;
    }
  }
  return nullptr;
}

TCursor TZSEForm::GetCursorAt(const TPoint& P) {
  if (FDragger) return FDragger->GetCursor();
  TZSEGlobalStateController* g = GlobalStateController();
  TCursor cursor = crDefault;
  if (!g->GetContextMenuElement())
    if (TZSECustomVisualItem* e = g->GetActiveElement()) {
      IPtr<IZCLCursorProvider> provider;
      if (Supports(static_cast<TObject*>(e), provider))
        cursor = provider->GetCursorAt(e->ScreenToClient(ClientToScreen(P)));
    }
  if (cursor == crDefault) cursor = ZSESizingCursor(GetSizingCode(P));
  return cursor;
}

bool TZSEForm::IsMouseInside() {
  if (!HandleAllocated() || !GetVisible()) return false;
  TPoint p = CursorPos();
  if (FindDragTarget(p, true) != this) return false;
  return GetClientRect().Contains(ScreenToClient(p));
}

void TZSEForm::MouseLeave() {
  TZSEGlobalStateController* g = GlobalStateController();
  TZSECustomVisualItem* hovered = g->GetHoveredElement();
  if (!hovered) return;
  for (auto* f = dynamic_cast<TControl*>(hovered->GetForm()); f; f = f->GetParent())
    if (f == this) {
      g->SetHoveredElement(nullptr);
      return;
    }
}

// ---- mouse --------------------------------------------------------------------------------------------------

bool TZSEForm::DetectDrag(const TPoint& P) {
  const Integer t = GetDragThreshold(GetCurrentDpi());
  const TPoint origin = ClientToScreen(P);
  const TRect square(origin.X - t, origin.Y - t, origin.X + t + 1, origin.Y + t + 1);
  const HWND window = GetHandle();
  const bool captured = ::GetCapture() == window;
  FDetectingDrag = true;
  if (!captured) ::SetCapture(window);
  bool moved = false;
  for (;;) {
    MSG msg;
    if (!PeekMessage(msg, nullptr, 0, 0, PM_REMOVE)) {
      WaitMessage();
      continue;
    }
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (msg.message == WM_MOUSEMOVE) {
      TPoint p(GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam));
      ::ClientToScreen(msg.hwnd, p);
      if (!square.Contains(p)) {
        moved = true;
        break;
      }
      continue;
    }
    if ((msg.message >= WM_LBUTTONDOWN && msg.message <= WM_MOUSEHWHEEL) || msg.message == WM_CANCELMODE) break;
    TranslateMessage(msg);
    DispatchMessage(msg);
  }
  if (!captured && ::GetCapture() == window) ::ReleaseCapture();
  FDetectingDrag = false;
  return moved;
}

void TZSEForm::ElementPress(TZSECustomVisualItem* Target, TMouseButton Button, TShiftState Shift, const TPoint& Local) {
  GlobalStateController()->SetCapturedElement(Target);
  if (auto h = HandlerOf<IZSEHandlerMouse>(Target)) h->MouseDown(Button, Shift, Local);
}

void TZSEForm::StartDrag(const TPoint& P) {
  delete FDragger;
  FDragger = CreateDragger(P);
  if (FDragger) {
    SetCaptureControl(this);
    FDragger->Move(CursorPos());
  } else {
    Perform(WM_LBUTTONUP, 0, MAKELPARAM(P.X, P.Y));
  }
}

void TZSEForm::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (Application) Application->CancelHint();
  TZSECustomFormDragger* old = FDragger;
  FDragger = nullptr;
  delete old;
  if (Button == TMouseButton::Left) FLeftDown = true;
  TZSEGlobalStateController* g = GlobalStateController();
  const TPoint p(X, Y);
  TZSECustomVisualItem* hit = HitTest(p, HitPointer);
  TZSECustomVisualItem* target = NearestWith<IZSEHandlerMouse>(g->GetCapturedElement() ? g->GetCapturedElement() : hit);
  if (target && Button != TMouseButton::Right) {
    const Integer n = ButtonNumber(Button);
    if (n > 7 || !(HandlerOf<IZSEHandlerMouse>(target)->GetAcceptedButtons() & (1 << n))) target = nullptr;
  }
  if (target) {
    GSuppressContextMenu = Button != TMouseButton::Right && target == g->GetContextMenuElement();
    const TPoint local = target->ScreenToClient(ClientToScreen(p));
    auto handler = HandlerOf<IZSEHandlerMouse>(target);
    if (Shift.Contains(ssDouble) || Button != TMouseButton::Left ||
        handler->MouseHitTest(local) != ZSEMouseHitMovesForm) {
      ElementPress(target, Button, Shift, local);
    } else if (DetectDrag(p)) {
      const TPoint cursor = CursorPos();
      TZSECustomVisualItem* dragging = nullptr;
      for (TZSECustomVisualItem* e = target->GetParent(); e && !dragging; e = e->GetParent())
        if (auto h = HandlerOf<IZSEHandlerMouse>(e);
            h && h->MouseHitTest(e->ScreenToClient(cursor)) == ZSEMouseHitDragsItself)
          dragging = e;
      if (dragging) {
        ElementPress(dragging, Button, Shift, dragging->ScreenToClient(ClientToScreen(p)));
        if (auto h = HandlerOf<IZSEHandlerMouse>(dragging)) h->MouseMove(Shift, dragging->ScreenToClient(cursor));
      } else {
        StartDrag(p);
      }
    } else {
      ElementPress(target, Button, Shift, local);
      Perform(WM_LBUTTONUP, 0, MAKELPARAM(X, Y));
    }
    return;
  }
  g->SetCapturedElement(nullptr);
  if (Shift.Contains(ssDouble)) {
    TZSECustomVisualItem* second = HitTest(p, HitDoubleClick);
    if (second && !second->IsVisibleAndEnabled()) return;
    // The caption band at the top of the content maximizes and restores, as a title bar would.
    const Integer band = MulDiv(GetCaptionAreaHeight(), GetCurrentDpi() > 0 ? GetCurrentDpi() : 96, 96);
    if (Button == TMouseButton::Left && band > 0 && ClientToContent(p).Y < GetContentRect().Top + band)
      ToggleMaximize();
    else
      TZSEBaseForm::MouseDown(Button, Shift, X, Y);
  } else if (Button == TMouseButton::Middle) {
    MiddleButtonPressed();
  } else if (Button == TMouseButton::Left && !Shift.Contains(ssAlt) && !Shift.Contains(ssCtrl)) {
    if (DetectDrag(p))
      StartDrag(p);
    else
      Perform(WM_LBUTTONUP, 0, MAKELPARAM(X, Y));
  }
}

void TZSEForm::MiddleButtonPressed() {
  // A master whose chain leads back here (through the main form) ends the passing on.
  if (FForwardingMiddle) return;
  TZSEForm* target = dynamic_cast<TZSEForm*>(GetMasterForm());
  if (!target && Application && Application->GetMainForm() != this)
    target = dynamic_cast<TZSEForm*>(Application->GetMainForm());
  if (!target || target == this) return;
  FForwardingMiddle = true;
  try {
    target->MiddleButtonPressed();
  } catch (...) {
    FForwardingMiddle = false;
    throw;
  }
  FForwardingMiddle = false;
}

void TZSEForm::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  if (FDragger) {
    FDragger->Move(CursorPos());
    return;
  }
  const TPoint p(X, Y);
  const Integer dpi = GetCurrentDpi() > 0 ? GetCurrentDpi() : 96;
  const double dx = p.X - FLastHintPos.X, dy = p.Y - FLastHintPos.Y;
  if (std::sqrt(dx * dx + dy * dy) >= MulDiv(6, dpi, 96)) {
    FLastHintPos = p;
    if (Application) Application->CancelHint();
  }
  if (GetClientRect().Contains(p)) TZCLMouseTracker::Instance()->Add(this);
  TPoint content;
  TZSECustomVisualItem* hit = HitTest(p, HitPointer, &content);
  TZSEGlobalStateController* g = GlobalStateController();
  g->UpdateHover(hit);
  if (TZSECustomVisualItem* e = NearestWith<IZSEHandlerMouse>(g->GetActiveElement()))
    HandlerOf<IZSEHandlerMouse>(e)->MouseMove(Shift, e->ScreenToClient(ClientToScreen(p)));
  if (Application && Application->GetShowHint() && FHintData.FollowCursor && !(p == FLastHintPos)) {
    Application->ActivateHint(ClientToScreen(p));
    FLastHintPos = p;
  }
}

void TZSEForm::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (Button == TMouseButton::Left) FLeftDown = false;
  if (Button == TMouseButton::Left && FDragger) {
    TZSECustomFormDragger* d = FDragger;
    FDragger = nullptr;
    try {
      d->Finish();
    } catch (...) {
      delete d;
      if (GetCaptureControl() == this) SetCaptureControl(nullptr);
      throw;
    }
    delete d;
    if (GetCaptureControl() == this) SetCaptureControl(nullptr);
    DragFinished();
    return;
  }
  TZSEGlobalStateController* g = GlobalStateController();
  g->SetGestureElement(nullptr);
  const TPoint screen = ClientToScreen(TPoint(X, Y));
  if (TZSECustomVisualItem* c = g->GetCapturedElement()) {
    auto release = [&] {
      if (auto h = HandlerOf<IZSEHandlerMouse>(c)) h->MouseUp(Button, Shift, c->ScreenToClient(screen));
      if (g->GetCapturedElement() == c) g->SetCapturedElement(nullptr);
    };
    auto menu = [&] {
      if (!GSuppressContextMenu && c->GetScreenRect().Contains(screen))
        ShowElementMenu(screen, ButtonNumber(Button), c);
    };
    // Either step may free the element.
    TFreeWatch* watch = new TFreeWatch(c);
    try {
      if (Button == TMouseButton::Left) {
        menu();
        if (watch->Watched) release();
      } else {
        release();
        if (watch->Watched) menu();
      }
    } catch (...) {
      delete watch;
      throw;
    }
    delete watch;
  } else if (Button == TMouseButton::Right) {
    ShowElementMenu(screen, 1, HitTest(TPoint(X, Y), HitPointer));
  }
  if (!g->GetCapturedElement() && HandleAllocated()) {
    const TPoint cursor = ScreenToClient(CursorPos());
    Perform(WM_MOUSEMOVE, 0, MAKELPARAM(cursor.X, cursor.Y));
  }
}

void TZSEForm::CancelMode() {
  // Releasing the capture below reports back here.
  if (FCancelling) return;
  FCancelling = true;
  struct TReset {
    bool& Flag;
    ~TReset() { Flag = false; }
  } reset{FCancelling};
  TZSECustomFormDragger* d = FDragger;
  FDragger = nullptr;
  delete d;
  TZSEGlobalStateController* g = GlobalStateController();
  if (TZSECustomVisualItem* c = g->GetCapturedElement()) c->Perform(CM_CANCELMODE, 0, 0);
  if (FLeftDown) {
    FLeftDown = false;
    const TPoint p = ScreenToClient(CursorPos());
    Perform(WM_LBUTTONUP, 0, MAKELPARAM(p.X, p.Y));
  }
  g->SetCapturedElement(nullptr);
  if (GetCaptureControl() == this) SetCaptureControl(nullptr);
}

void TZSEForm::MouseWheelMessage(TMessage& Message) {
  TZSEGlobalStateController* g = GlobalStateController();
  TZSECustomVisualItem* e = g->GetActiveElement();
  if (!e) {
    const TPoint screen(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
    e = HitTest(ScreenToClient(screen), HitPointer);
  }
  e = NearestWith<IZSEHandlerMouseWheel>(e);
  if (!e) {
    TZSEBaseForm::WndProc(Message);
    return;
  }
  const WORD keys = GET_KEYSTATE_WPARAM(Message.WParam);
  TShiftState shift;
  if (keys & MK_SHIFT) shift.Include(ssShift);
  if (keys & MK_CONTROL) shift.Include(ssCtrl);
  if (GetKeyState(VK_MENU) < 0) shift.Include(ssAlt);
  auto handler = HandlerOf<IZSEHandlerMouseWheel>(e);
  FWheel.Feed(e, GET_WHEEL_DELTA_WPARAM(Message.WParam), [&](bool Up) { handler->MouseWheel(shift, Up); });
  Message.Result = 1;
}

// ---- context menus ----------------------------------------------------------------------------------------

void TZSEForm::ShowElementMenu(TPoint ScreenPoint, Integer Button, TZSECustomVisualItem* Element) {
  if (!GetVisible()) return;
  TZSEGlobalStateController* g = GlobalStateController();
  if (ScreenPoint == TPoint(-1, -1)) {
    if (Element) {
      const TRect r = Element->GetScreenRect();
      const TPoint cursor = CursorPos();
      const Integer offset = MulDiv(64, GetCurrentDpi() > 0 ? GetCurrentDpi() : 96, 96);
      ScreenPoint = r.Contains(cursor) ? cursor : TPoint(r.Left + offset, r.Top + offset);
    } else {
      ScreenPoint = ClientToScreen(TPoint(0, 0));
    }
  }
  if (Button == 1)
    for (TZSECustomVisualItem* e = Element; e; e = e->GetParent()) {
      auto menu = HandlerOf<IZSEHandlerContextMenu>(e);
      if ((menu && menu->HasContextMenu(1)) || Supports<IZSEHandlerSpecialActionOnRMC>(static_cast<TObject*>(e))) {
        Element = e;
        break;
      }
      if (!e->GetParent()) Element = nullptr;
    }
  auto menu = HandlerOf<IZSEHandlerContextMenu>(Element);
  if (menu && menu->HasContextMenu(Button)) {
    g->SetContextMenuElement(Element);
    g->SetCapturedElement(nullptr);
    try {
      menu->ShowContextMenu(Button, ScreenPoint);
    } catch (...) {
      g->SetContextMenuElement(nullptr);
      throw;
    }
    g->SetContextMenuElement(nullptr);
    return;
  }
  if (Button != 1 || Supports<IZSEHandlerSpecialActionOnRMC>(static_cast<TObject*>(Element))) return;
  g->SetCapturedElement(nullptr);
  TZSEPopupMenu* popup = ToolbarPopup(this);
  if (!popup) return;
  PopulateContextMenu(popup->GetItems());
  ShowPopupMenu(popup, true, ScreenPoint, TRect(), this, this);
}

void TZSEForm::DoContextPopup(TPoint MousePos, bool& Handled) {
  Handled = true;
  if (MousePos == TPoint(-1, -1)) ShowElementMenu(MousePos, 1, GlobalStateController()->GetFocusedElement());
}

// ---- keyboard -----------------------------------------------------------------------------------------------

void TZSEForm::KeyDown(Word& Key, TShiftState Shift) {
  TZSEGlobalStateController* g = GlobalStateController();
  if (Key == VK_ESCAPE && (FDragger || g->GetCapturedElement())) {
    Perform(WM_CANCELMODE, 0, 0);
    Key = 0;
    return;
  }
  if (auto h = HandlerOf<IZSEHandlerKeyboard>(g->GetFocusedElement())) h->KeyDown(Key, Shift);
}

void TZSEForm::KeyUp(Word& Key, TShiftState Shift) {
  if (auto h = HandlerOf<IZSEHandlerKeyboard>(GlobalStateController()->GetFocusedElement())) h->KeyUp(Key, Shift);
}

void TZSEForm::KeyPress(Char& Key) {
  if (auto h = HandlerOf<IZSEHandlerKeyboard>(GlobalStateController()->GetFocusedElement())) h->KeyChar(Key);
}

bool TZSEForm::IsShortCut(TMessage& Message) {
  const Word key = static_cast<Word>(Message.WParam);
  TShiftState shift;
  if (GetKeyState(VK_SHIFT) < 0) shift.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0) shift.Include(ssCtrl);
  if (GetKeyState(VK_MENU) < 0) shift.Include(ssAlt);
  if (GlobalStateController()->ProcessShortCut(key, shift)) return false;
  TWinControl* focused = Screen ? Screen->GetActiveControl() : nullptr;
  if (focused) {
    TCustomForm* form = GetParentForm(focused, false);
    if (!form || !Supports<IZSEForm>(static_cast<TObject*>(form))) return false;
  }
  return TZSEBaseForm::IsShortCut(Message);
}

bool TZSEForm::DialogKey(Word Key, TShiftState Shift) {
  if (Key != VK_TAB) return false;
  std::vector<TZSECustomVisualItem*> list;
  CollectFocusable(FLayout, list);
  const Integer n = static_cast<Integer>(list.size());
  if (n == 0) return true;
  const auto at = std::find(list.begin(), list.end(), GlobalStateController()->GetFocusedElement());
  const Integer i = at == list.end() ? -1 : static_cast<Integer>(at - list.begin());
  const Integer step = Shift.Contains(ssShift) ? 1 : -1;
  GlobalStateController()->SetFocusedElement(list[static_cast<size_t>(((i - step) % n + n) % n)]);
  return true;
}

void TZSEForm::SaveFocus() {
  TZSEGlobalStateController* g = GlobalStateController();
  TZSECustomVisualItem* focused = g->GetFocusedElement();
  TZSECustomVisualItem* saved = focused && OuterFormOf(focused) == this ? focused : nullptr;
  SetComponentReference(FSavedFocus, this, saved);
  if (saved) g->SetFocusedElement(nullptr);
}

void TZSEForm::RestoreFocus() {
  if (!FSavedFocus) return;
  TZSECustomVisualItem* saved = FSavedFocus;
  SetComponentReference(FSavedFocus, this, static_cast<TZSECustomVisualItem*>(nullptr));
  GlobalStateController()->SetFocusedElement(saved);
}

// ---- hints ------------------------------------------------------------------------------------------------------

bool TZSEForm::QueryHint(const TPoint& P, TZSECustomVisualItem* Element, TZSEHintData& Data) {
  if (!Element) return false;
  if (Data.Owner != Element) Data.Owner = Element;
  if (auto h = HandlerOf<IZSEHandlerHint>(Element)) h->GetHint(Element->ScreenToClient(ClientToScreen(P)), Data);
  return !Data.Text.empty();
}

void TZSEForm::HintShow(TMessage& Message) {
  auto* info = reinterpret_cast<THintInfo*>(Message.LParam);
  TZSEGlobalStateController* g = GlobalStateController();
  if (!info || g->GetCapturedElement() || g->GetContextMenuElement()) return;
  FHintData.Reset();
  const TPoint p = info->CursorPos;
  bool found = QueryHint(p, HitTest(p, HitHint), FHintData);
  if (!found) found = QueryHint(p, HitTest(p, HitHintSecond), FHintData);
  if (!found) found = QueryHint(p, g->GetHoveredElement(), FHintData);
  if (!found) return;
  if (FHintData.ContextActionText.empty()) {
    TZSECustomVisualItem* r = nullptr;
    for (TZSECustomVisualItem* e = g->GetHoveredElement(); e && !r; e = e->GetParent()) {
      auto menu = HandlerOf<IZSEHandlerContextMenu>(e);
      if ((menu && menu->HasContextMenu(1)) || Supports<IZSEHandlerSpecialActionOnRMC>(static_cast<TObject*>(e))) r = e;
    }
    if (r && r != FHintData.Owner) {
      TZSEHintData other;
      QueryHint(p, r, other);
      FHintData.ContextActionText = other.ContextActionText;
    }
  }
  info->HintData = &FHintData;
  info->HintStr = LocalizeSkinText(FHintData.Text);
  if (FHintData.HasActions() && GRichHints)
    info->HintWindowClass = TZSEAdvancedHintWindow::StaticClass();
  else
    info->HintWindowClass = TZSEHintWindow::StaticClass();
}

// ---- gestures ------------------------------------------------------------------------------------------------

void TZSEForm::GestureNotify(TMessage& Message) {
  // The location comes as a screen point packed like a mouse message's.
  const TPoint screen(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
  TZSECustomVisualItem* chosen = nullptr;
  for (TZSECustomVisualItem* e = HitTest(ScreenToClient(screen), HitPointer); e && !chosen; e = e->GetParent())
    if (auto h = HandlerOf<IZSEHandlerGestures>(e)) {
      Integer gestures = 0, options = 0;
      h->GetGestures(gestures, options);
      if (gestures != 0) chosen = e;
    }
  GlobalStateController()->SetGestureElement(chosen);
  Message.Result = 0;
}

void TZSEForm::GestureMessage(TMessage& Message) {
  TZSEGlobalStateController* g = GlobalStateController();
  const auto* info = reinterpret_cast<const TGestureEventInfo*>(Message.LParam);
  if (info)
    if (auto h = HandlerOf<IZSEHandlerGestures>(g->GetGestureElement())) {
      TGestureEventInfo copy = *info;
      copy.Location = ClientToContent(copy.Location);
      h->Gesture(copy);
      if (copy.GestureID == 258) g->SetGestureElement(nullptr);
    }
  Message.Result = 1;
}

// ---- drag and drop --------------------------------------------------------------------------------------------

TObject* TZSEForm::GetDropTarget() const { return FDropTarget; }

void TZSEForm::SetDropElement(TZSECustomVisualItem* Element) {
  if (Element == FDropElement) return;
  if (auto old = HandlerOf<IZSEDropTarget>(FDropElement)) old->DragLeave(FDropTarget);
  auto drop = HandlerOf<IZSEDropTarget>(Element);
  auto drop2 = HandlerOf<IZSEDropTarget2>(Element);
  if (drop && (!drop2 || drop2->AcceptsDrop())) {
    SetComponentReference(FDropElement, this, Element);
    drop->DragEnter(FDropTarget);
  } else {
    SetComponentReference(FDropElement, this, static_cast<TZSECustomVisualItem*>(nullptr));
  }
}

void TZSEForm::DropOver(TZCLDropTarget*, TShiftState Shift, TPoint P, String&, bool& Allow, TZCLDropAction&) {
  SetDropElement(HitTest(P, HitPointer));
  Allow = FDropElement != nullptr;
  if (auto h = HandlerOf<IZSEDropTarget>(FDropElement))
    h->DragOver(FDropTarget, Shift, FDropElement->ScreenToClient(ClientToScreen(P)), Allow);
}

void TZSEForm::DropEnter(TObject*) { TZCLMouseTracker::Instance()->Add(this); }

void TZSEForm::DropLeave(TObject*) { SetDropElement(nullptr); }

void TZSEForm::DropDrop(TZCLDropTarget*, TShiftState, TPoint P, TZCLDropAction) {
  if (auto h = HandlerOf<IZSEDropTarget>(FDropElement))
    h->DragDrop(FDropTarget, FDropElement->ScreenToClient(ClientToScreen(P)));
}

void TZSEForm::DropScroll(TObject*, TPoint, Integer Lines, TMouseWheelDirection Direction, bool& Handled) {
  Handled = true;
  if (!FDropElement) return;
  for (Integer i = 0; i < Lines; ++i)
    FDropElement->Perform(WM_VSCROLL, Direction == mwdUp ? SB_LINEUP : SB_LINEDOWN, 0);
}

// ---- the window procedure -------------------------------------------------------------------------------------

void TZSEForm::WndProc(TMessage& Message) {
  if (IPtr<IZSEDesignDesktopHook> hook; ZSEGetDesignDesktop() &&
                                        Supports(static_cast<IInterface*>(ZSEGetDesignDesktop()), hook) &&
                                        hook->HookMessage(Message, this))
    return;
  TZSEGlobalStateController* g = GlobalStateController();
  switch (Message.Msg) {
    case WM_CAPTURECHANGED:
      if (!FDetectingDrag && ::GetCapture() != GetHandle()) CancelMode();
      break;
    case CM_CANCELMODE:
      CancelMode();
      break;
    case CM_VISIBLECHANGED:
      if (HandleAllocated() && ::GetCapture() == GetHandle()) CancelMode();
      break;
    case WM_CANCELMODE:
      CancelMode();
      return;
    case WM_MOUSEWHEEL:
      MouseWheelMessage(Message);
      return;
    case WM_MOUSEHWHEEL: {
      const WPARAM keys = GET_KEYSTATE_WPARAM(Message.WParam) | MK_SHIFT;
      const Integer delta = -GET_WHEEL_DELTA_WPARAM(Message.WParam);
      Message.Result =
          Perform(WM_MOUSEWHEEL, static_cast<WPARAM>(MAKELPARAM(static_cast<int>(keys), delta)), Message.LParam);
      return;
    }
    case WM_GETDLGCODE:
      if (HandlerOf<IZSEHandlerKeyboard>(g->GetFocusedElement())) {
        Message.Result = DLGC_WANTARROWS | DLGC_WANTALLKEYS | DLGC_WANTCHARS;
        return;
      }
      break;
    case WM_KILLFOCUS:
      SaveFocus();
      return;
    case CM_DIALOGKEY: {
      TShiftState shift;
      if (GetKeyState(VK_SHIFT) < 0) shift.Include(ssShift);
      if (DialogKey(static_cast<Word>(Message.WParam), shift)) {
        Message.Result = 1;
        return;
      }
      break;
    }
    case CM_HINTSHOW:
      HintShow(Message);
      return;
    case WM_GESTURENOTIFY:
      GestureNotify(Message);
      break;
    case CM_GESTURE:
      GestureMessage(Message);
      return;
    default:
      break;
  }
  TZSEBaseForm::WndProc(Message);
  if (Message.Msg == WM_SETFOCUS || Message.Msg == CM_ACTIVATE) RestoreFocus();
}
