#include "vcl/VCL.Controls.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <unordered_map>

#include "os/OS.Gdi.h"
#include "os/OS.Regions.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"
#include "rtl/RTL.TypInfo.h"

namespace {

// Process-wide state of the unit (made in ControlsInit, dropped in ControlsFin).
struct TControlsState {
  TControlHooks Hooks;
  std::unordered_map<HWND, TWinControl*> Windows;  // window -> the control that owns it
  std::vector<String> RegisteredClasses;
  TControl* CaptureControl = nullptr;  // a windowless control holding its parent's capture
  TControl* MouseControl = nullptr;    // the control that last got CM_MOUSEENTER
};
TControlsState* GState = nullptr;

TControlsState& State() {
  if (!GState) GState = new TControlsState;  // tests that skip the unit list still work
  return *GState;
}

TPoint PointFromLParam(LPARAM L) { return TPoint(GET_X_LPARAM(L), GET_Y_LPARAM(L)); }
LPARAM PointToLParam(TPoint P) { return MAKELPARAM(P.X, P.Y); }

bool IsWinControl(const TControl* C) { return dynamic_cast<const TWinControl*>(C) != nullptr; }

// Releases the control from the process-wide references when it goes away.
void ForgetControl(TControl* Control) {
  if (!GState) return;
  if (GState->CaptureControl == Control) GState->CaptureControl = nullptr;
  if (GState->MouseControl == Control) GState->MouseControl = nullptr;
}

void ReportException(TObject* Sender) {
  if (GState && GState->Hooks.HandleException) {
    GState->Hooks.HandleException(Sender);
    return;
  }
  try {
    throw;
  } catch (const Exception& e) {
    std::fprintf(stderr, "Exception in a window procedure: %s\n", StringToUTF8(e.GetMessage()).c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "Exception in a window procedure: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "Exception in a window procedure\n");
  }
}


HCURSOR CursorHandle(TCursor Cursor) {
  if (GState && GState->Hooks.CursorHandle) return GState->Hooks.CursorHandle(Cursor);
  if (Cursor == crNone) return nullptr;
  HCURSOR standard = StandardCursorHandle(Cursor);
  return standard ? standard : StandardCursorHandle(crDefault);
}

// Sends WM_CANCELMODE to the focused control's window unless it is Sender's (a click elsewhere
// ends the modes, such as an open drop-down, of the control that has the focus).
void SendCancelMode(TControl* Sender) {
  HWND focus = GetFocus();
  TWinControl* control = FindControl(focus);
  if (control && control != Sender) control->Perform(WM_CANCELMODE, 0, 0);
}

}  // namespace

TControlHooks& ControlHooks() { return State().Hooks; }

// ---- plain routines ---------------------------------------------------------------------------

TShiftState KeysToShiftState(WPARAM Keys) {
  TShiftState result;
  if (Keys & MK_SHIFT) result.Include(ssShift);
  if (Keys & MK_CONTROL) result.Include(ssCtrl);
  if (Keys & MK_LBUTTON) result.Include(ssLeft);
  if (Keys & MK_RBUTTON) result.Include(ssRight);
  if (Keys & MK_MBUTTON) result.Include(ssMiddle);
  if (GetKeyState(VK_MENU) < 0) result.Include(ssAlt);
  return result;
}

TShiftState KeyboardStateToShiftState() {
  TShiftState result;
  if (GetKeyState(VK_SHIFT) < 0) result.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0) result.Include(ssCtrl);
  if (GetKeyState(VK_MENU) < 0) result.Include(ssAlt);
  return result;
}

TShiftState KeyDataToShiftState(LPARAM KeyData) {
  TShiftState result;
  if (GetKeyState(VK_SHIFT) < 0) result.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0) result.Include(ssCtrl);
  if (KeyData & 0x20000000) result.Include(ssAlt);
  return result;
}

String GetShortHint(const String& Hint) {
  const size_t bar = Hint.find(u'|');
  return bar == String::npos ? Hint : Hint.substr(0, bar);
}

String GetLongHint(const String& Hint) {
  const size_t bar = Hint.find(u'|');
  return bar == String::npos ? Hint : Hint.substr(bar + 1);
}

bool IsAccel(Char Key, const String& Text) {
  for (size_t i = 0; i + 1 < Text.size(); ++i) {
    if (Text[i] != u'&') continue;
    if (Text[i + 1] == u'&') {  // "&&" is a literal ampersand
      ++i;
      continue;
    }
    return AnsiUpperCase(String(1, Text[i + 1])) == AnsiUpperCase(String(1, Key));
  }
  return false;
}

TControl* GetCaptureControl() {
  TWinControl* windowOwner = FindControl(GetCapture());
  TControl* capture = GState ? GState->CaptureControl : nullptr;
  if (windowOwner && capture && capture->GetParent() == windowOwner) return capture;
  return windowOwner;
}

void SetCaptureControl(TControl* Control) {
  State().CaptureControl = nullptr;
  ReleaseCapture();
  if (!Control) return;
  TWinControl* window = dynamic_cast<TWinControl*>(Control);
  if (!window) {
    window = Control->GetParent();
    if (!window) return;
    State().CaptureControl = Control;
  }
  SetCapture(window->GetHandle());
}

TControl* GetMouseControl() { return GState ? GState->MouseControl : nullptr; }

TWinControl* FindControl(HWND Window) {
  if (!Window || !GState) return nullptr;
  auto it = GState->Windows.find(Window);
  return it == GState->Windows.end() ? nullptr : it->second;
}

TControl* FindDragTarget(TPoint Pos, bool AllowDisabled) {
  HWND window = WindowFromPoint(Pos);
  TWinControl* control = nullptr;
  while (window && !(control = FindControl(window))) window = GetParent(window);
  if (!control) return nullptr;
  TControl* child = control->ControlAtPos(control->ScreenToClient(Pos), AllowDisabled);
  return child ? child : control;
}

// ---- handler tables ---------------------------------------------------------------------------

TMessageTable::TMessageTable(const TMessageTable* Parent, std::initializer_list<TEntry> Entries)
    : FParent(Parent), FEntries(Entries) {
  std::sort(FEntries.begin(), FEntries.end(), [](const TEntry& A, const TEntry& B) { return A.Msg < B.Msg; });
}

TMessageHandler TMessageTable::Find(UINT Msg) const {
  for (const TMessageTable* table = this; table; table = table->FParent) {
    auto it = std::lower_bound(table->FEntries.begin(), table->FEntries.end(), Msg,
                               [](const TEntry& E, UINT M) { return E.Msg < M; });
    if (it != table->FEntries.end() && it->Msg == Msg) return it->Handler;
  }
  return nullptr;
}

// ---- TMargins ---------------------------------------------------------------------------------

void TMargins::InitDefaults() {
  if (FDefaultsSet) return;
  FDefaultsSet = true;
  FLeft = FTop = FRight = FBottom = DefaultValue();
}

void TMargins::Assign(TPersistent* Source) {
  if (auto* other = dynamic_cast<TMargins*>(Source)) {
    SetBounds(other->FLeft, other->FTop, other->FRight, other->FBottom);
    return;
  }
  inherited::Assign(Source);
}

void TMargins::SetMargin(Integer& Field, Integer Value) {
  if (Field == Value) return;
  Field = Value;
  Change();
}

void TMargins::SetBounds(Integer ALeft, Integer ATop, Integer ARight, Integer ABottom) {
  if (FLeft == ALeft && FTop == ATop && FRight == ARight && FBottom == ABottom) return;
  FLeft = ALeft;
  FTop = ATop;
  FRight = ARight;
  FBottom = ABottom;
  Change();
}

bool TMargins::IsDefault() const {
  const Integer d = DefaultValue();
  return FLeft == d && FTop == d && FRight == d && FBottom == d;
}

void TMargins::Change() {
  if (OnChange) OnChange(this);
}

void TMargins::SetControlBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight, bool Aligning) {
  if (!FControl) return;
  TWinControl* parent = FControl->GetParent();
  const bool wasAligning = parent && parent->FControlState.Contains(csAligning);
  if (Aligning && parent) parent->FControlState.Include(csAligning);
  try {
    if (FControl->GetAlignWithMargins() && parent)
      FControl->SetBounds(ALeft + FLeft, ATop + FTop, AWidth - (FLeft + FRight), AHeight - (FTop + FBottom));
    else
      FControl->SetBounds(ALeft, ATop, AWidth, AHeight);
  } catch (...) {
    if (Aligning && parent && !wasAligning) parent->FControlState.Exclude(csAligning);
    throw;
  }
  if (Aligning && parent && !wasAligning) parent->FControlState.Exclude(csAligning);
}

void TMargins::SetControlBounds(const TRect& R, bool Aligning) {
  SetControlBounds(R.Left, R.Top, R.Width(), R.Height(), Aligning);
}

TRect TMargins::ExplicitBounds(const TRect& R) const {
  if (!FControl || !FControl->GetAlignWithMargins()) return R;
  return TRect(R.Left - FLeft, R.Top - FTop, R.Right + FRight, R.Bottom + FBottom);
}

void TMargins::Scale(Integer M, Integer D) {
  SetBounds(MulDiv(FLeft, M, D), MulDiv(FTop, M, D), MulDiv(FRight, M, D), MulDiv(FBottom, M, D));
}

void TMargins::DeclareProperties(TClassDeclaration<TMargins>& D) {
  D.Property(u"Left", &TMargins::GetLeft, &TMargins::SetLeft);
  D.Property(u"Top", &TMargins::GetTop, &TMargins::SetTop);
  D.Property(u"Right", &TMargins::GetRight, &TMargins::SetRight);
  D.Property(u"Bottom", &TMargins::GetBottom, &TMargins::SetBottom);
}

// ---- TSizeConstraints -------------------------------------------------------------------------

void TSizeConstraints::Assign(TPersistent* Source) {
  if (auto* other = dynamic_cast<TSizeConstraints*>(Source)) {
    FMinWidth = other->FMinWidth;
    FMinHeight = other->FMinHeight;
    FMaxWidth = other->FMaxWidth;
    FMaxHeight = other->FMaxHeight;
    Change();
    return;
  }
  inherited::Assign(Source);
}

void TSizeConstraints::SetMinWidth(Integer Value) {
  Value = std::max(0, Value);
  if (Value == FMinWidth) return;
  FMinWidth = Value;
  if (FMaxWidth > 0 && FMaxWidth < FMinWidth) FMaxWidth = FMinWidth;
  Change();
}

void TSizeConstraints::SetMinHeight(Integer Value) {
  Value = std::max(0, Value);
  if (Value == FMinHeight) return;
  FMinHeight = Value;
  if (FMaxHeight > 0 && FMaxHeight < FMinHeight) FMaxHeight = FMinHeight;
  Change();
}

void TSizeConstraints::SetMaxWidth(Integer Value) {
  Value = std::max(0, Value);
  if (Value == FMaxWidth) return;
  FMaxWidth = Value;
  if (FMaxWidth > 0 && FMinWidth > FMaxWidth) FMinWidth = FMaxWidth;
  Change();
}

void TSizeConstraints::SetMaxHeight(Integer Value) {
  Value = std::max(0, Value);
  if (Value == FMaxHeight) return;
  FMaxHeight = Value;
  if (FMaxHeight > 0 && FMinHeight > FMaxHeight) FMinHeight = FMaxHeight;
  Change();
}

void TSizeConstraints::Constrain(Integer& Width, Integer& Height) const {
  if (FMaxWidth > 0 && Width > FMaxWidth) Width = FMaxWidth;
  if (FMinWidth > 0 && Width < FMinWidth) Width = FMinWidth;
  if (FMaxHeight > 0 && Height > FMaxHeight) Height = FMaxHeight;
  if (FMinHeight > 0 && Height < FMinHeight) Height = FMinHeight;
}

void TSizeConstraints::Scale(Integer M, Integer D) {
  FMinWidth = MulDiv(FMinWidth, M, D);
  FMinHeight = MulDiv(FMinHeight, M, D);
  FMaxWidth = MulDiv(FMaxWidth, M, D);
  FMaxHeight = MulDiv(FMaxHeight, M, D);
  Change();
}

void TSizeConstraints::Change() {
  if (OnChange) OnChange(this);
}

void TSizeConstraints::DeclareProperties(TClassDeclaration<TSizeConstraints>& D) {
  D.Property(u"MaxHeight", &TSizeConstraints::GetMaxHeight, &TSizeConstraints::SetMaxHeight).Default(0);
  D.Property(u"MaxWidth", &TSizeConstraints::GetMaxWidth, &TSizeConstraints::SetMaxWidth).Default(0);
  D.Property(u"MinHeight", &TSizeConstraints::GetMinHeight, &TSizeConstraints::SetMinHeight).Default(0);
  D.Property(u"MinWidth", &TSizeConstraints::GetMinWidth, &TSizeConstraints::SetMinWidth).Default(0);
}

// ---- TControlCanvas ---------------------------------------------------------------------------

TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::SetControl(TControl* Value) {
  if (FControl == Value) return;
  FreeHandle();
  FControl = Value;
}

void TControlCanvas::CreateHandle() {
  if (!FControl) return;
  HWND window = nullptr;
  HDC dc = FControl->GetDeviceContext(window);
  if (!dc) return;
  FDeviceContext = dc;
  FWindowHandle = window;
  SetHandle(dc);
}

void TControlCanvas::FreeHandle() {
  if (!FDeviceContext) return;
  HDC dc = FDeviceContext;
  FDeviceContext = nullptr;
  SetHandle(nullptr);
  ReleaseDC(FWindowHandle, dc);
  FWindowHandle = nullptr;
}

// ---- TControl ---------------------------------------------------------------------------------

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {
  WindowProc = TWndMethod(this, &TControl::WndProc);
  FFont = Create<TFont>();
  FFont->OnChange = TNotifyEvent(this, &TControl::FontChanged);
  FMargins = Create<TMargins>(this);
  FMargins->InitDefaults();
  FMargins->OnChange = TNotifyEvent(this, &TControl::MarginsChanged);
  FConstraints = Create<TSizeConstraints>(this);
  FConstraints->OnChange = TNotifyEvent(this, &TControl::ConstraintsChanged);
}

TControl::~TControl() {
  Free(FActionLink);
  Free(FConstraints);
  Free(FMargins);
  Free(FFont);
}

void TControl::AfterConstruction() {
  inherited::AfterConstruction();
  UpdateExplicitBounds();
}

void TControl::BeforeDestruction() {
  Destroying();
  if (GState && GState->Hooks.ControlDestroying) GState->Hooks.ControlDestroying(this);
  if (GState && GState->MouseControl == this) GState->MouseControl = nullptr;
  if (GState && GState->CaptureControl == this) SetCaptureControl(nullptr);
  inherited::BeforeDestruction();
  if (FParent) FParent->RemoveControl(this);
  ForgetControl(this);
}

// Messages.

const TMessageTable& TControl::MessageTable() {
  static const TMessageTable table(nullptr,
                                   {
                                       VCL_MESSAGE(CM_GESTURE, &TControl::CMGesture),
                                       VCL_MESSAGE(WM_LBUTTONDOWN, &TControl::WMLButtonDown),
                                       VCL_MESSAGE(WM_LBUTTONDBLCLK, &TControl::WMLButtonDblClk),
                                       VCL_MESSAGE(WM_LBUTTONUP, &TControl::WMLButtonUp),
                                       VCL_MESSAGE(WM_RBUTTONDOWN, &TControl::WMRButtonDown),
                                       VCL_MESSAGE(WM_RBUTTONDBLCLK, &TControl::WMRButtonDblClk),
                                       VCL_MESSAGE(WM_RBUTTONUP, &TControl::WMRButtonUp),
                                       VCL_MESSAGE(WM_MBUTTONDOWN, &TControl::WMMButtonDown),
                                       VCL_MESSAGE(WM_MBUTTONDBLCLK, &TControl::WMMButtonDblClk),
                                       VCL_MESSAGE(WM_MBUTTONUP, &TControl::WMMButtonUp),
                                       VCL_MESSAGE(WM_MOUSEMOVE, &TControl::WMMouseMove),
                                       VCL_MESSAGE(WM_MOUSEWHEEL, &TControl::WMMouseWheel),
                                       VCL_MESSAGE(WM_CANCELMODE, &TControl::WMCancelMode),
                                       VCL_MESSAGE(WM_CONTEXTMENU, &TControl::WMContextMenu),
                                       VCL_MESSAGE(CM_ENABLEDCHANGED, &TControl::CMEnabledChanged),
                                       VCL_MESSAGE(CM_VISIBLECHANGED, &TControl::CMVisibleChanged),
                                       VCL_MESSAGE(CM_FONTCHANGED, &TControl::CMFontChanged),
                                       VCL_MESSAGE(CM_COLORCHANGED, &TControl::CMColorChanged),
                                       VCL_MESSAGE(CM_PARENTFONTCHANGED, &TControl::CMParentFontChanged),
                                       VCL_MESSAGE(CM_PARENTCOLORCHANGED, &TControl::CMParentColorChanged),
                                       VCL_MESSAGE(CM_PARENTSHOWHINTCHANGED, &TControl::CMParentShowHintChanged),
                                       VCL_MESSAGE(CM_TEXTCHANGED, &TControl::CMTextChanged),
                                       VCL_MESSAGE(CM_HITTEST, &TControl::CMHitTest),
                                       VCL_MESSAGE(CM_MOUSEENTER, &TControl::CMMouseEnter),
                                       VCL_MESSAGE(CM_MOUSELEAVE, &TControl::CMMouseLeave),
                                       VCL_MESSAGE(CM_MOUSEWHEEL, &TControl::CMMouseWheel),
                                       VCL_MESSAGE(CM_HINTSHOW, &TControl::CMHintShow),
                                       VCL_MESSAGE(CM_DESIGNHITTEST, &TControl::CMDesignHitTest),
                                   });
  return table;
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
  TMessage message{Msg, WParam, LParam, 0};
  if (WindowProc)
    WindowProc(message);
  else
    WndProc(message);
  return message.Result;
}

void TControl::Dispatch(TMessage& Message) { DispatchFrom(&ClassMessageTable(), Message); }

void TControl::DispatchFrom(const TMessageTable* Table, TMessage& Message) {
  if (TMessageHandler handler = Table ? Table->Find(Message.Msg) : nullptr)
    handler(this, Message);
  else
    DefaultHandler(Message);
}

void TControl::InheritedMessage(const TMessageTable& From, TMessage& Message) { DispatchFrom(&From, Message); }

void TControl::DefaultHandler(TMessage& Message) {
  // The text messages carry null-terminated UTF-16, as the window layer's.
  switch (Message.Msg) {
    case WM_GETTEXTLENGTH:
      Message.Result = static_cast<LRESULT>(FText.size());
      break;
    case WM_GETTEXT: {
      if (Message.WParam == 0 || !Message.LParam) break;
      const size_t n = std::min<size_t>(FText.size(), Message.WParam - 1);
      auto* buffer = reinterpret_cast<Char*>(Message.LParam);
      std::copy_n(FText.data(), n, buffer);
      buffer[n] = 0;
      Message.Result = static_cast<LRESULT>(n);
      break;
    }
    case WM_SETTEXT:
      FText = Message.LParam ? String(reinterpret_cast<const Char*>(Message.LParam)) : String();
      Message.Result = 1;
      break;
    default:
      break;
  }
}

void TControl::WndProc(TMessage& Message) {
  if (Message.Msg >= WM_MOUSEFIRST && Message.Msg <= WM_MOUSELAST) {
    if (!FControlStyle.Contains(csDoubleClicks)) {
      switch (Message.Msg) {
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDBLCLK:
          Message.Msg -= WM_LBUTTONDBLCLK - WM_LBUTTONDOWN;
          break;
        default:
          break;
      }
    }
    switch (Message.Msg) {
      case WM_MOUSEMOVE:
        if (GState && GState->Hooks.HintMouseMessage) GState->Hooks.HintMouseMessage(this, Message);
        break;
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
        FControlState.Include(csLButtonDown);
        break;
      case WM_LBUTTONUP:
        FControlState.Exclude(csLButtonDown);
        break;
      default:
        break;
    }
  }
  Dispatch(Message);
}

// Parent and place.

void TControl::SetParent(TWinControl* AParent) {
  if (FParent == AParent) return;
  if (AParent == static_cast<TControl*>(this)) throw EInvalidOperation(u"A control cannot have itself as its parent");
  // A parent inside this control would make the parent chain a loop.
  for (TWinControl* p = AParent; p; p = p->GetParent())
    if (p == static_cast<TControl*>(this))
      throw EInvalidOperation(u"A control cannot have one of its children as its parent");
  if (FParent) FParent->RemoveControl(this);
  if (AParent) {
    AParent->ValidateInsert(this);
    AParent->InsertControl(this);
  }
}

TComponent* TControl::GetParentComponent() const { return FParent; }

void TControl::SetParentComponent(TComponent* Value) {
  if (auto* parent = dynamic_cast<TWinControl*>(Value)) SetParent(parent);
}

void TControl::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  CheckNewSize(AWidth, AHeight);
  if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
  const bool sizeChanged = AWidth != FWidth || AHeight != FHeight;
  const bool windowless = !IsWinControl(this);
  if (windowless && FVisible) InvalidateControlRect(nullptr, !FControlStyle.Contains(csOpaque));
  UpdateBoundsRect(TRect(ALeft, ATop, ALeft + AWidth, ATop + AHeight));
  if (windowless) {
    // A windowless control has no window to report the move: it tells itself, as a window would.
    WINDOWPOS pos;
    pos.x = ALeft;
    pos.y = ATop;
    pos.cx = AWidth;
    pos.cy = AHeight;
    pos.flags = SWP_NOZORDER | SWP_NOACTIVATE;
    Perform(WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
  }
  const bool parentAligning = FParent && FParent->FControlState.Contains(csAligning);
  if (!FAnchorMove && !parentAligning) UpdateAnchorRules();
  if (!parentAligning) UpdateExplicitBounds();
  if (windowless && FVisible) InvalidateControlRect(nullptr, !FControlStyle.Contains(csOpaque));
  if (sizeChanged)
    if (auto* self = dynamic_cast<TWinControl*>(this)) self->AlignControlsNow(nullptr);
  RequestAlign();
  if (!GetComponentState().Contains(csLoading)) Resize();
}

void TControl::UpdateBoundsRect(const TRect& R) {
  FLeft = R.Left;
  FTop = R.Top;
  FWidth = R.Width();
  FHeight = R.Height();
}

void TControl::UpdateExplicitBounds() {
  FExplicitLeft = FLeft;
  FExplicitTop = FTop;
  FExplicitWidth = FWidth;
  FExplicitHeight = FHeight;
}

void TControl::CheckNewSize(Integer& NewWidth, Integer& NewHeight) {
  NewWidth = std::max(0, NewWidth);
  NewHeight = std::max(0, NewHeight);
  Integer w = NewWidth;
  Integer h = NewHeight;
  if (!DoCanResize(w, h)) {
    NewWidth = FWidth;
    NewHeight = FHeight;
    return;
  }
  if (FAutoSize && DoCanAutoSize(w, h)) DoConstrainedResize(w, h);
  NewWidth = std::max(0, w);
  NewHeight = std::max(0, h);
}

bool TControl::DoCanResize(Integer& NewWidth, Integer& NewHeight) {
  const bool result = CanResize(NewWidth, NewHeight);
  if (result) DoConstrainedResize(NewWidth, NewHeight);
  return result;
}

bool TControl::CanResize(Integer& NewWidth, Integer& NewHeight) {
  bool result = true;
  if (OnCanResize) OnCanResize(this, NewWidth, NewHeight, result);
  return result;
}

bool TControl::DoCanAutoSize(Integer& NewWidth, Integer& NewHeight) {
  if (FAlign == alClient) return false;
  Integer w = NewWidth;
  Integer h = NewHeight;
  if (!CanAutoSize(w, h)) return false;
  // An aligned side follows the parent, not the content.
  if (FAlign == alNone || FAlign == alLeft || FAlign == alRight || FAlign == alCustom) NewWidth = w;
  if (FAlign == alNone || FAlign == alTop || FAlign == alBottom || FAlign == alCustom) NewHeight = h;
  return true;
}

bool TControl::CanAutoSize(Integer& /*NewWidth*/, Integer& /*NewHeight*/) { return true; }

void TControl::DoConstrainedResize(Integer& NewWidth, Integer& NewHeight) {
  Integer minWidth = FConstraints->GetMinWidth();
  Integer minHeight = FConstraints->GetMinHeight();
  Integer maxWidth = FConstraints->GetMaxWidth();
  Integer maxHeight = FConstraints->GetMaxHeight();
  ConstrainedResize(minWidth, minHeight, maxWidth, maxHeight);
  if (maxWidth > 0 && NewWidth > maxWidth) NewWidth = maxWidth;
  if (minWidth > 0 && NewWidth < minWidth) NewWidth = minWidth;
  if (maxHeight > 0 && NewHeight > maxHeight) NewHeight = maxHeight;
  if (minHeight > 0 && NewHeight < minHeight) NewHeight = minHeight;
}

void TControl::ConstrainedResize(Integer& MinWidth, Integer& MinHeight, Integer& MaxWidth, Integer& MaxHeight) {
  if (OnConstrainedResize) OnConstrainedResize(this, MinWidth, MinHeight, MaxWidth, MaxHeight);
}

void TControl::ConstraintsChanged(TObject* /*Sender*/) {
  if (GetComponentState().Contains(csLoading)) return;
  SetBounds(FLeft, FTop, FWidth, FHeight);
}

void TControl::MarginsChanged(TObject* /*Sender*/) {
  if (FAlignWithMargins) RequestAlign();
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

void TControl::RequestAlign() {
  if (FParent) FParent->AlignControl(this);
}

void TControl::SetClientSize(TPoint Value) {
  const TRect client = GetClientRect();
  SetBounds(FLeft, FTop, FWidth - client.Width() + Value.X, FHeight - client.Height() + Value.Y);
}

TRect TControl::GetClientRect() const { return TRect(0, 0, FWidth, FHeight); }

TPoint TControl::GetClientOrigin() const {
  if (!FParent) return TPoint(FLeft, FTop);
  const TPoint origin = FParent->GetClientOrigin();
  return TPoint(origin.X + FLeft, origin.Y + FTop);
}

TPoint TControl::ClientToScreen(TPoint Point) const { return Point + GetClientOrigin(); }
TPoint TControl::ScreenToClient(TPoint Point) const { return Point - GetClientOrigin(); }

TRect TControl::ClientToScreen(const TRect& R) const {
  return TRect(ClientToScreen(R.TopLeft()), ClientToScreen(R.BottomRight()));
}

TRect TControl::ScreenToClient(const TRect& R) const {
  return TRect(ScreenToClient(R.TopLeft()), ScreenToClient(R.BottomRight()));
}

TPoint TControl::ClientToParent(TPoint Point, TWinControl* AParent) const {
  if (!AParent) AParent = FParent;
  if (!AParent) throw EInvalidOperation(u"Control '%s' has no parent window", {GetName()});
  const TControl* control = this;
  TPoint result = Point;
  while (control && control != AParent) {
    result = result + TPoint(control->FLeft, control->FTop);
    if (IsWinControl(control)) {
      const TRect client = control->GetClientRect();
      result = result + client.TopLeft();
    }
    control = control->FParent;
  }
  if (control != AParent) throw EInvalidOperation(u"Control '%s' is no child of the given parent", {GetName()});
  return result;
}

TPoint TControl::ParentToClient(TPoint Point, TWinControl* AParent) const {
  const TPoint origin = ClientToParent(TPoint(0, 0), AParent);
  return Point - origin;
}

// Visibility and state.

void TControl::SetVisible(bool Value) {
  if (FVisible == Value) return;
  VisibleChanging();
  FVisible = Value;
  Perform(CM_VISIBLECHANGED, Value ? 1 : 0, 0);
  RequestAlign();
}

void TControl::Show() {
  SetVisible(true);
  if (auto* self = dynamic_cast<TWinControl*>(this)) self->UpdateControlState();
}

bool TControl::IsVisibleOnScreen() const {
  const TControl* control = this;
  while (control) {
    if (!control->FVisible) return false;
    if (!control->FParent) {
      auto* window = dynamic_cast<const TWinControl*>(control);
      return window && window->GetShowing();
    }
    control = control->FParent;
  }
  return false;
}

void TControl::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  Perform(CM_ENABLEDCHANGED);
}

void TControl::SetText(const String& Value) {
  if (GetTextValue() == Value) return;
  SetTextValue(Value);
  Perform(CM_TEXTCHANGED);
}

void TControl::SetTextValue(const String& Value) { FText = Value; }

void TControl::SetName(const TComponentName& NewName) {
  const bool changeText =
      FControlStyle.Contains(csSetCaption) && !GetComponentState().Contains(csLoading) && GetName() == GetTextValue();
  inherited::SetName(NewName);
  if (changeText) SetText(NewName);
}

void TControl::SetShowHint(bool Value) {
  if (FShowHint == Value && !FParentShowHint) return;
  FShowHint = Value;
  FParentShowHint = false;
  Perform(CM_SHOWHINTCHANGED);
}

void TControl::SetParentShowHint(bool Value) {
  if (FParentShowHint == Value) return;
  FParentShowHint = Value;
  if (Value && FParent && !GetComponentState().Contains(csReading)) Perform(CM_PARENTSHOWHINTCHANGED);
}

void TControl::SetFont(TFont* Value) { FFont->Assign(Value); }

void TControl::FontChanged(TObject* /*Sender*/) {
  if (!FTakingParentValues) FParentFont = false;
  Perform(CM_FONTCHANGED);
}

void TControl::SetParentFont(bool Value) {
  if (FParentFont == Value) return;
  FParentFont = Value;
  if (Value && FParent && !GetComponentState().Contains(csReading)) Perform(CM_PARENTFONTCHANGED);
}

void TControl::SetColor(TColor Value) {
  if (FColor == Value && !FParentColor) return;
  FColor = Value;
  FParentColor = false;
  Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool Value) {
  if (FParentColor == Value) return;
  FParentColor = Value;
  if (Value && FParent && !GetComponentState().Contains(csReading)) Perform(CM_PARENTCOLORCHANGED);
}

void TControl::SetCursor(TCursor Value) {
  if (FCursor == Value) return;
  FCursor = Value;
  Perform(CM_CURSORCHANGED);
}

void TControl::SetPopupMenuComponent(TComponent* Value) {
  if (FPopupMenu == Value) return;
  if (FPopupMenu) FPopupMenu->RemoveFreeNotification(this);
  FPopupMenu = Value;
  if (Value) Value->FreeNotification(this);
}

TBasicAction* TControl::GetAction() const {
  if (!FActionLink || !GState || !GState->Hooks.ActionOfLink) return nullptr;
  return GState->Hooks.ActionOfLink(FActionLink);
}

void TControl::SetAction(TBasicAction* Value) {
  if (!Value) {
    FreeAndNil(FActionLink);
    return;
  }
  if (!GState || !GState->Hooks.CreateActionLink)
    throw EInvalidOperation(u"Actions are not available: the action unit is not initialized");
  TObject* link = GState->Hooks.CreateActionLink(this, Value);
  Free(FActionLink);
  FActionLink = link;
}

void TControl::InitiateAction() {
  if (FActionLink && ControlHooks().UpdateActionLink) ControlHooks().UpdateActionLink(FActionLink);
}

void TControl::ActionChange(TObject* /*Sender*/, bool /*CheckDefaults*/) {}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FPopupMenu) FPopupMenu = nullptr;
}

void TControl::SetChildOrder(TComponent* Child, Integer Order) { inherited::SetChildOrder(Child, Order); }

void TControl::Changed() { Perform(CM_CHANGED, 0, reinterpret_cast<LPARAM>(this)); }

void TControl::Loaded() {
  inherited::Loaded();
  UpdateExplicitBounds();
  if (FParent) {
    if (FParentColor) Perform(CM_PARENTCOLORCHANGED);
    if (FParentFont) Perform(CM_PARENTFONTCHANGED);
    if (FParentShowHint) Perform(CM_PARENTSHOWHINTCHANGED);
  }
  UpdateAnchorRules();
  if (FAutoSize) AdjustSize();
  RequestAlign();
}

// Layout.

void TControl::SetAlign(TAlign Value) {
  if (FAlign == Value) return;
  const TAlign old = FAlign;
  FAlign = Value;
  FAnchors = AnchorAlign[Value];
  if (!GetComponentState().Contains(csLoading) && old != alNone && Value == alNone) {
    // Back to the size the control had before alignment took it over.
    if (old == alTop || old == alBottom)
      SetBounds(FLeft, FTop, FWidth, FExplicitHeight);
    else if (old == alLeft || old == alRight)
      SetBounds(FLeft, FTop, FExplicitWidth, FHeight);
    else if (old == alClient)
      SetBounds(FLeft, FTop, FExplicitWidth, FExplicitHeight);
  }
  RequestAlign();
}

void TControl::SetAlignWithMargins(bool Value) {
  if (FAlignWithMargins == Value) return;
  FAlignWithMargins = Value;
  if (Value)
    FControlStyle.Include(csAlignWithMargins);
  else
    FControlStyle.Exclude(csAlignWithMargins);
  RequestAlign();
}

void TControl::SetAnchors(TAnchors Value) {
  if (FAnchors == Value) return;
  FAnchors = Value;
  if (!GetComponentState().Contains(csLoading)) UpdateAnchorRules();
}

void TControl::UpdateAnchorRules() {
  FAnchorRules = GetBoundsRect();
  FOriginalParentSize = FParent ? FParent->GetAnchorParentSize() : TPoint();
  FAnchorOrigin = TPoint(FLeft + FWidth / 2, FTop + FHeight / 2);
}

void TControl::SetAutoSize(bool Value) {
  if (FAutoSize == Value) return;
  FAutoSize = Value;
  if (Value) AdjustSize();
}

void TControl::AdjustSize() {
  if (GetComponentState().Contains(csLoading)) return;
  DoAdjustSize();
}

void TControl::DoAdjustSize() {
  if (!FAutoSize) return;
  Integer w = FWidth;
  Integer h = FHeight;
  if (DoCanAutoSize(w, h) && (w != FWidth || h != FHeight)) SetBounds(FLeft, FTop, w, h);
}

void TControl::SetZOrder(bool TopMost) {
  if (!FParent) return;
  const Integer count = FParent->GetControlCount();
  FParent->SetZOrderPosition(this, TopMost ? count - 1 : 0);
}

// Scaling.

void TControl::ScaleForPPI(Integer NewPPI) {
  if (NewPPI <= 0 || NewPPI == FCurrentPPI) return;
  ChangeScale(NewPPI, FCurrentPPI, true);
}

Integer TControl::ScaleValue(Integer Value) const { return MulDiv(Value, FCurrentPPI, 96); }

TRect TControl::ScaleValue(const TRect& Value) const {
  return TRect(ScaleValue(Value.Left), ScaleValue(Value.Top), ScaleValue(Value.Right), ScaleValue(Value.Bottom));
}

void TControl::ChangeScale(Integer M, Integer D, bool IsDpiChange) {
  if (M == D || D == 0) return;
  FScaling = true;
  try {
    ScaleConstraints(M, D);
    ScaleMargins(M, D);
    ScaleControl(M, D);
    if (!FParentFont) {
      ScaleFont(M, D);
    } else {
      // The parent's font is already scaled: take it again at the new resolution.
      FFont->SetPixelsPerInch(MulDiv(FFont->GetPixelsPerInch(), M, D));
      Perform(CM_PARENTFONTCHANGED);
    }
    if (IsDpiChange) FCurrentPPI = M;
  } catch (...) {
    FScaling = false;
    throw;
  }
  FScaling = false;
}

void TControl::ScaleControl(Integer M, Integer D) {
  const Integer x = MulDiv(FLeft, M, D);
  const Integer y = MulDiv(FTop, M, D);
  const Integer w = FControlStyle.Contains(csFixedWidth) ? FWidth : MulDiv(FLeft + FWidth, M, D) - x;
  const Integer h = FControlStyle.Contains(csFixedHeight) ? FHeight : MulDiv(FTop + FHeight, M, D) - y;
  const bool anchorMove = FAnchorMove;
  FAnchorMove = true;
  try {
    SetBounds(x, y, w, h);
  } catch (...) {
    FAnchorMove = anchorMove;
    throw;
  }
  FAnchorMove = anchorMove;
  // The anchor reference scales with the control.
  FAnchorRules = TRect(MulDiv(FAnchorRules.Left, M, D), MulDiv(FAnchorRules.Top, M, D),
                       MulDiv(FAnchorRules.Right, M, D), MulDiv(FAnchorRules.Bottom, M, D));
  FOriginalParentSize = TPoint(MulDiv(FOriginalParentSize.X, M, D), MulDiv(FOriginalParentSize.Y, M, D));
  UpdateExplicitBounds();
}

void TControl::ScaleConstraints(Integer M, Integer D) {
  FConstraints->OnChange = nullptr;
  FConstraints->Scale(M, D);
  FConstraints->OnChange = TNotifyEvent(this, &TControl::ConstraintsChanged);
}

void TControl::ScaleMargins(Integer M, Integer D) {
  FMargins->OnChange = nullptr;
  FMargins->Scale(M, D);
  FMargins->OnChange = TNotifyEvent(this, &TControl::MarginsChanged);
}

void TControl::ScaleFont(Integer M, Integer D) {
  Integer height = FFont->GetHeight();
  if (height == 0) height = -MulDiv(TFont::DefaultSize, FFont->GetPixelsPerInch(), 72);
  FFont->SetPixelsPerInch(MulDiv(FFont->GetPixelsPerInch(), M, D));
  FFont->SetHeight(MulDiv(height, M, D));
}

// Painting.

void TControl::Invalidate() { InvalidateControlRect(nullptr, !FControlStyle.Contains(csOpaque)); }

void TControl::InvalidateControlRect(const TRect* R, bool Erase) {
  if (!FParent || !FParent->HandleAllocated() || GetComponentState().Contains(csDestroying)) return;
  TRect r = R ? *R : GetClientRect();
  r.Offset(FLeft, FTop);
  ::InvalidateRect(FParent->FHandle, &r, Erase ? 1 : 0);
}

void TControl::Update() {
  if (FParent) FParent->Update();
}

void TControl::Repaint() {
  Invalidate();
  Update();
}

HDC TControl::GetDeviceContext(HWND& WindowHandle) {
  if (!FParent) throw EInvalidOperation(u"Control '%s' has no parent window", {GetName()});
  WindowHandle = FParent->GetHandle();
  HDC dc = GetDC(WindowHandle);
  if (!dc) return nullptr;
  OffsetViewportOrgEx(dc, FLeft, FTop, nullptr);
  IntersectClipRect(dc, 0, 0, FWidth, FHeight);
  return dc;
}

bool TControl::HitTest(TPoint P) { return GetClientRect().Contains(P); }

// Mouse.

bool TControl::GetMouseCapture() const { return GetCaptureControl() == this; }

void TControl::SetMouseCapture(bool Value) {
  if (GetMouseCapture() == Value) return;
  SetCaptureControl(Value ? this : nullptr);
}

void TControl::DoMouseDown(TMessage& Message, TMouseButton Button, TShiftState Shift) {
  if (FControlStyle.Contains(csNoStdEvents)) return;
  const TPoint p = PointFromLParam(Message.LParam);
  MouseDown(Button, KeysToShiftState(Message.WParam) + Shift, p.X, p.Y);
}

void TControl::DoMouseUp(TMessage& Message, TMouseButton Button) {
  if (FControlStyle.Contains(csNoStdEvents)) return;
  const TPoint p = PointFromLParam(Message.LParam);
  MouseUp(Button, KeysToShiftState(Message.WParam), p.X, p.Y);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::Click() {
  // The action runs unless OnClick was changed from the action's own handler.
  if (OnClick) {
    OnClick(this);
    return;
  }
  if (FActionLink && GState && GState->Hooks.ExecuteActionLink) GState->Hooks.ExecuteActionLink(FActionLink, this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

bool TControl::DoMouseWheel(TShiftState Shift, Integer WheelDelta, TPoint MousePos) {
  bool handled = false;
  if (OnMouseWheel) OnMouseWheel(this, Shift, WheelDelta, MousePos, handled);
  if (handled) return true;
  FWheelAccumulator += WheelDelta;
  while (std::abs(FWheelAccumulator) >= WHEEL_DELTA) {
    if (FWheelAccumulator < 0) {
      FWheelAccumulator += WHEEL_DELTA;
      handled = DoMouseWheelDown(Shift, MousePos);
    } else {
      FWheelAccumulator -= WHEEL_DELTA;
      handled = DoMouseWheelUp(Shift, MousePos);
    }
  }
  return handled;
}

bool TControl::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  bool handled = false;
  if (OnMouseWheelDown) OnMouseWheelDown(this, Shift, MousePos, handled);
  return handled;
}

bool TControl::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  bool handled = false;
  if (OnMouseWheelUp) OnMouseWheelUp(this, Shift, MousePos, handled);
  return handled;
}

void TControl::DoContextPopup(TPoint MousePos, bool& Handled) {
  if (OnContextPopup) OnContextPopup(this, MousePos, Handled);
}

void TControl::DoGesture(const TGestureEventInfo& EventInfo, bool& Handled) {
  if (OnGesture) OnGesture(this, EventInfo, Handled);
}

void TControl::CMGesture(TMessage& Message) {
  const auto* info = reinterpret_cast<const TGestureEventInfo*>(Message.LParam);
  if (!info) return;
  bool handled = false;
  DoGesture(*info, handled);
  if (!handled && FParent) handled = FParent->Perform(CM_GESTURE, Message.WParam, Message.LParam) != 0;
  Message.Result = handled ? 1 : 0;
}

bool SendGesture(TControl* Control, const TGestureEventInfo& EventInfo) {
  return Control && Control->Perform(CM_GESTURE, 0, reinterpret_cast<LPARAM>(&EventInfo)) != 0;
}

void TControl::WMLButtonDown(TMessage& Message) {
  SendCancelMode(this);
  if (FControlStyle.Contains(csCaptureMouse)) SetMouseCapture(true);
  if (FControlStyle.Contains(csClickEvents)) FControlState.Include(csClicked);
  DoMouseDown(Message, mbLeft, {});
}

void TControl::WMLButtonDblClk(TMessage& Message) {
  SendCancelMode(this);
  if (FControlStyle.Contains(csCaptureMouse)) SetMouseCapture(true);
  if (FControlStyle.Contains(csClickEvents)) DblClick();
  DoMouseDown(Message, mbLeft, {ssDouble});
}

void TControl::WMLButtonUp(TMessage& Message) {
  if (FControlStyle.Contains(csCaptureMouse)) SetMouseCapture(false);
  if (FControlState.Contains(csClicked)) {
    FControlState.Exclude(csClicked);
    if (GetClientRect().Contains(PointFromLParam(Message.LParam))) Click();
  }
  DoMouseUp(Message, mbLeft);
}

void TControl::WMRButtonDown(TMessage& Message) {
  SendCancelMode(this);
  DoMouseDown(Message, mbRight, {});
}

void TControl::WMRButtonDblClk(TMessage& Message) {
  SendCancelMode(this);
  DoMouseDown(Message, mbRight, {ssDouble});
}

void TControl::WMRButtonUp(TMessage& Message) { DoMouseUp(Message, mbRight); }

void TControl::WMMButtonDown(TMessage& Message) {
  SendCancelMode(this);
  DoMouseDown(Message, mbMiddle, {});
}

void TControl::WMMButtonDblClk(TMessage& Message) {
  SendCancelMode(this);
  DoMouseDown(Message, mbMiddle, {ssDouble});
}

void TControl::WMMButtonUp(TMessage& Message) { DoMouseUp(Message, mbMiddle); }

void TControl::WMMouseMove(TMessage& Message) {
  if (FControlStyle.Contains(csNoStdEvents)) return;
  const TPoint p = PointFromLParam(Message.LParam);
  MouseMove(KeysToShiftState(Message.WParam), p.X, p.Y);
}

void TControl::WMMouseWheel(TMessage& Message) {
  Message.Result = Perform(CM_MOUSEWHEEL, Message.WParam, Message.LParam);
}

void TControl::CMMouseWheel(TMessage& Message) {
  const TShiftState shift = KeysToShiftState(GET_KEYSTATE_WPARAM(Message.WParam));
  const Integer delta = GET_WHEEL_DELTA_WPARAM(Message.WParam);
  Message.Result = 0;
  if (DoMouseWheel(shift, delta, PointFromLParam(Message.LParam)))
    Message.Result = 1;
  else if (FParent)
    Message.Result = FParent->Perform(CM_MOUSEWHEEL, Message.WParam, Message.LParam);
}

void TControl::WMCancelMode(TMessage& /*Message*/) {
  if (GetMouseCapture()) {
    SetMouseCapture(false);
    FControlState.Exclude(csClicked);
  }
}

void TControl::WMContextMenu(TMessage& Message) {
  if (Message.Result != 0) return;
  TPoint screen = PointFromLParam(Message.LParam);
  const bool fromKeyboard = screen.X == -1 && screen.Y == -1;
  const TPoint client = fromKeyboard ? TPoint(-1, -1) : ScreenToClient(screen);
  bool handled = false;
  DoContextPopup(client, handled);
  Message.Result = handled ? 1 : 0;
  if (handled) return;
  if (FPopupMenu && GState && GState->Hooks.PopupMenuPopup) {
    if (fromKeyboard) screen = ClientToScreen(TPoint(0, 0));
    SendCancelMode(nullptr);
    if (GState->Hooks.PopupMenuPopup(this, FPopupMenu, screen)) Message.Result = 1;
  }
}

void TControl::CMEnabledChanged(TMessage& /*Message*/) { Invalidate(); }

void TControl::CMVisibleChanged(TMessage& /*Message*/) {
  // A windowless control shows or hides by repainting its area on the parent.
  if (FParent && FParent->HandleAllocated()) {
    TRect r = GetBoundsRect();
    ::InvalidateRect(FParent->FHandle, &r, 1);
  }
}

void TControl::CMFontChanged(TMessage& /*Message*/) { Invalidate(); }

void TControl::CMColorChanged(TMessage& /*Message*/) { Invalidate(); }

void TControl::CMParentFontChanged(TMessage& Message) {
  if (!FParentFont) return;
  TFont* source = Message.WParam ? reinterpret_cast<TFont*>(Message.LParam) : (FParent ? FParent->FFont : nullptr);
  if (!source) return;
  FTakingParentValues = true;
  try {
    FFont->Assign(source);
  } catch (...) {
    FTakingParentValues = false;
    throw;
  }
  FTakingParentValues = false;
}

void TControl::CMParentColorChanged(TMessage& Message) {
  if (!FParentColor) return;
  const TColor color = Message.WParam ? static_cast<TColor>(Message.LParam) : (FParent ? FParent->FColor : FColor);
  if (color == FColor) return;
  FColor = color;
  Perform(CM_COLORCHANGED);
}

void TControl::CMParentShowHintChanged(TMessage& /*Message*/) {
  if (!FParentShowHint || !FParent) return;
  if (FShowHint == FParent->FShowHint) return;
  FShowHint = FParent->FShowHint;
  Perform(CM_SHOWHINTCHANGED);
}

void TControl::CMTextChanged(TMessage& /*Message*/) {
  if (!IsWinControl(this)) Invalidate();
}

void TControl::CMHitTest(TMessage& Message) {
  Message.Result = HitTest(PointFromLParam(Message.LParam)) ? HTCLIENT : HTNOWHERE;
}

void TControl::CMMouseEnter(TMessage& Message) {
  if (FParent) FParent->Perform(CM_MOUSEENTER, 0, Message.LParam ? Message.LParam : reinterpret_cast<LPARAM>(this));
  if (Message.LParam == 0) {
    FMouseInClient = true;
    if (OnMouseEnter) OnMouseEnter(this);
  }
}

void TControl::CMMouseLeave(TMessage& Message) {
  if (FParent) FParent->Perform(CM_MOUSELEAVE, 0, Message.LParam ? Message.LParam : reinterpret_cast<LPARAM>(this));
  if (Message.LParam == 0) {
    FMouseInClient = false;
    if (OnMouseLeave) OnMouseLeave(this);
  }
}

void TControl::CMHintShow(TMessage& Message) {
  auto* info = reinterpret_cast<THintInfo*>(Message.LParam);
  if (!info || !FActionLink || !GState || !GState->Hooks.ActionLinkShowHint) return;
  if (!GState->Hooks.ActionLinkShowHint(FActionLink, info->HintStr)) Message.Result = 1;
}

void TControl::CMDesignHitTest(TMessage& Message) { Message.Result = 0; }

void TControl::DeclareProperties(TClassDeclaration<TControl>& D) {
  D.Property(u"Left", &TControl::GetLeft, &TControl::SetLeft);
  D.Property(u"Top", &TControl::GetTop, &TControl::SetTop);
  D.Property(u"Width", &TControl::GetWidth, &TControl::SetWidth);
  D.Property(u"Height", &TControl::GetHeight, &TControl::SetHeight);
  D.Property(u"Align", &TControl::GetAlign, &TControl::SetAlign).Default(alNone);
  D.Property(u"AlignWithMargins", &TControl::GetAlignWithMargins, &TControl::SetAlignWithMargins).Default(false);
  D.Property(u"Anchors", &TControl::GetAnchors, &TControl::SetAnchors).Default(TAnchors{akLeft, akTop});
  D.Property(u"AutoSize", &TControl::GetAutoSize, &TControl::SetAutoSize).Default(false);
  D.Property(u"Caption", &TControl::GetCaption, &TControl::SetCaption).Visibility(mvPublic);
  D.Property(u"Color", &TControl::GetColor, &TControl::SetColor).Type(TypeInfoTColor()).Visibility(mvPublic);
  D.Property(u"Constraints", &TControl::GetConstraints, &TControl::SetConstraints);
  D.Property(u"Cursor", &TControl::GetCursor, &TControl::SetCursor).Type(TypeInfoTCursor()).Default(crDefault);
  D.Property(u"Enabled", &TControl::GetEnabled, &TControl::SetEnabled).Default(true);
  D.Property(u"Font", &TControl::GetFont, &TControl::SetFont).Visibility(mvPublic);
  D.Property(u"Hint", &TControl::GetHint, &TControl::SetHint);
  D.Property(u"Margins", &TControl::GetMargins, &TControl::SetMargins);
  D.Property(u"ParentColor", &TControl::GetParentColor, &TControl::SetParentColor).Visibility(mvPublic);
  D.Property(u"ParentFont", &TControl::GetParentFont, &TControl::SetParentFont).Visibility(mvPublic);
  D.Property(u"ParentShowHint", &TControl::GetParentShowHint, &TControl::SetParentShowHint).Default(true);
  D.Property(u"ShowHint", &TControl::GetShowHint, &TControl::SetShowHint).Default(false);
  D.Property(u"Visible", &TControl::GetVisible, &TControl::SetVisible).Default(true);
  D.Event(u"OnClick", &TControl::OnClick).Visibility(mvPublic);
  D.Event(u"OnDblClick", &TControl::OnDblClick).Visibility(mvPublic);
  D.Event(u"OnMouseDown", &TControl::OnMouseDown).Visibility(mvPublic);
  D.Event(u"OnMouseMove", &TControl::OnMouseMove).Visibility(mvPublic);
  D.Event(u"OnMouseUp", &TControl::OnMouseUp).Visibility(mvPublic);
  D.Event(u"OnMouseEnter", &TControl::OnMouseEnter).Visibility(mvPublic);
  D.Event(u"OnMouseLeave", &TControl::OnMouseLeave).Visibility(mvPublic);
  D.Event(u"OnResize", &TControl::OnResize).Visibility(mvPublic);
}

// ---- TWinControl ------------------------------------------------------------------------------

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {
  FPadding = Create<TPadding>(this);
  FPadding->InitDefaults();
  FPadding->OnChange = TNotifyEvent(this, &TWinControl::PaddingChanged);
}

TWinControl::~TWinControl() { Free(FPadding); }

void TWinControl::AfterConstruction() { inherited::AfterConstruction(); }

void TWinControl::BeforeDestruction() {
  Destroying();
  RemoveFocus(true);
  DestroyHandle();
  // The parent frees the children it still has (owned or not).
  while (!FControls.empty()) {
    TControl* child = FControls.back();
    Remove(child);
    Free(child);
  }
  inherited::BeforeDestruction();
}

const TMessageTable& TWinControl::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {
                                       VCL_MESSAGE(WM_PAINT, &TWinControl::WMPaint),
                                       VCL_MESSAGE(WM_PRINTCLIENT, &TWinControl::WMPrintClient),
                                       VCL_MESSAGE(WM_ERASEBKGND, &TWinControl::WMEraseBkgnd),
                                       VCL_MESSAGE(WM_SIZE, &TWinControl::WMSize),
                                       VCL_MESSAGE(WM_MOVE, &TWinControl::WMMove),
                                       VCL_MESSAGE(WM_SETFOCUS, &TWinControl::WMSetFocus),
                                       VCL_MESSAGE(WM_KILLFOCUS, &TWinControl::WMKillFocus),
                                       VCL_MESSAGE(WM_SETCURSOR, &TWinControl::WMSetCursor),
                                       VCL_MESSAGE(WM_KEYDOWN, &TWinControl::WMKeyDown),
                                       VCL_MESSAGE(WM_KEYUP, &TWinControl::WMKeyUp),
                                       VCL_MESSAGE(WM_CHAR, &TWinControl::WMChar),
                                       VCL_MESSAGE(WM_SYSKEYDOWN, &TWinControl::WMSysKeyDown),
                                       VCL_MESSAGE(WM_SYSKEYUP, &TWinControl::WMSysKeyUp),
                                       VCL_MESSAGE(WM_SYSCHAR, &TWinControl::WMSysChar),
                                       VCL_MESSAGE(WM_MOUSELEAVE, &TWinControl::WMMouseLeave),
                                       VCL_MESSAGE(WM_NCDESTROY, &TWinControl::WMNCDestroy),
                                       VCL_MESSAGE(CN_KEYDOWN, &TWinControl::CNKeyDown),
                                       VCL_MESSAGE(CN_KEYUP, &TWinControl::CNKeyUp),
                                       VCL_MESSAGE(CN_CHAR, &TWinControl::CNChar),
                                       VCL_MESSAGE(CN_SYSKEYDOWN, &TWinControl::CNSysKeyDown),
                                       VCL_MESSAGE(CN_SYSCHAR, &TWinControl::CNSysChar),
                                       VCL_MESSAGE(CM_CHILDKEY, &TWinControl::CMChildKey),
                                       VCL_MESSAGE(CM_DIALOGKEY, &TWinControl::CMDialogKey),
                                       VCL_MESSAGE(CM_DIALOGCHAR, &TWinControl::CMDialogChar),
                                       VCL_MESSAGE(CM_ENTER, &TWinControl::CMEnter),
                                       VCL_MESSAGE(CM_EXIT, &TWinControl::CMExit),
                                       VCL_MESSAGE(CM_FOCUSCHANGED, &TWinControl::CMFocusChanged),
                                       VCL_MESSAGE(CM_ENABLEDCHANGED, &TWinControl::CMEnabledChanged),
                                       VCL_MESSAGE(CM_VISIBLECHANGED, &TWinControl::CMVisibleChanged),
                                       VCL_MESSAGE(CM_SHOWINGCHANGED, &TWinControl::CMShowingChanged),
                                       VCL_MESSAGE(CM_SHOWHINTCHANGED, &TWinControl::CMShowHintChanged),
                                       VCL_MESSAGE(CM_FONTCHANGED, &TWinControl::CMFontChanged),
                                       VCL_MESSAGE(CM_COLORCHANGED, &TWinControl::CMColorChanged),
                                       VCL_MESSAGE(CM_CURSORCHANGED, &TWinControl::CMCursorChanged),
                                       VCL_MESSAGE(CM_TEXTCHANGED, &TWinControl::CMTextChanged),
                                       VCL_MESSAGE(CM_RECREATEWND, &TWinControl::CMRecreateWnd),
                                       VCL_MESSAGE(CM_INVALIDATE, &TWinControl::CMInvalidate),
                                       VCL_MESSAGE(CM_CANCELMODE, &TWinControl::CMCancelMode),
                                       VCL_MESSAGE(CM_CONTROLLISTCHANGE, &TWinControl::CMControlListChange),
                                       VCL_MESSAGE(CM_CONTROLCHANGE, &TWinControl::CMControlChange),
                                       VCL_MESSAGE(WM_GETDLGCODE, &TWinControl::WMGetDlgCode),
                                       VCL_MESSAGE(WM_COMMAND, &TWinControl::WMCommand),
                                       VCL_MESSAGE(WM_HSCROLL, &TWinControl::WMHScroll),
                                       VCL_MESSAGE(WM_VSCROLL, &TWinControl::WMVScroll),
                                   });
  return table;
}

// The window.

HWND TWinControl::GetHandle() {
  HandleNeeded();
  return FHandle;
}

void TWinControl::HandleNeeded() {
  if (FHandle) return;
  if (GetComponentState().Contains(csDestroying))
    throw EInvalidOperation(u"Control '%s' is being destroyed and gets no window", {GetName()});
  if (FParent) FParent->HandleNeeded();
  CreateHandle();
}

void TWinControl::CreateHandle() {
  if (FHandle) return;
  CreateWnd();
  // Children make their windows with the parent; they show with it.
  for (TControl* child : FControls)
    if (auto* w = dynamic_cast<TWinControl*>(child)) w->CreateHandle();
  InitializeWindow();
}

void TWinControl::CreateParams(TCreateParams& Params) {
  Params.Caption = GetTextValue();
  Params.Style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  if (FParent || FParentWindow)
    Params.Style |= WS_CHILD;
  else
    Params.Style |= WS_POPUP;
  if (FTabStop) Params.Style |= WS_TABSTOP;
  if (!GetEnabled()) Params.Style |= WS_DISABLED;
  Params.ExStyle = 0;
  Params.X = FLeft;
  Params.Y = FTop;
  Params.Width = FWidth;
  Params.Height = FHeight;
  Params.WndParent = FParent ? FParent->FHandle : FParentWindow;
  Params.WindowClass.style = CS_VREDRAW | CS_HREDRAW | (FControlStyle.Contains(csDoubleClicks) ? CS_DBLCLKS : 0);
  Params.WindowClass.lpfnWndProc = &TWinControl::ControlWndProc;
  Params.WindowClass.hCursor = nullptr;  // the control answers WM_SETCURSOR
  Params.WinClassName = ClassName();
}

void TWinControl::CreateWnd() {
  TCreateParams params;
  CreateParams(params);
  if (params.WndParent == nullptr && (params.Style & WS_CHILD))
    throw EInvalidOperation(u"Control '%s' has no parent window", {GetName()});
  WNDCLASS existing;
  if (!GetClassInfo(nullptr, params.WinClassName, existing)) {
    WNDCLASS cls = params.WindowClass;
    cls.lpszClassName = params.WinClassName;
    if (!cls.lpfnWndProc) cls.lpfnWndProc = &TWinControl::ControlWndProc;
    if (!::RegisterClass(cls))
      throw EInvalidOperation(u"Window class %s could not be registered", {params.WinClassName});
    State().RegisteredClasses.push_back(params.WinClassName);
  }
  CreateWindowHandle(params);
  if (!FHandle) throw EInvalidOperation(u"Error creating window of '%s'", {GetName()});
  FDefWndProc = nullptr;
  if (FShowing) ShowWindow(FHandle, SW_SHOWNA);
}

void TWinControl::CreateWindowHandle(const TCreateParams& Params) {
  HWND window =
      CreateWindowEx(Params.ExStyle, Params.WinClassName, Params.Caption, Params.Style & ~WS_VISIBLE, Params.X,
                     Params.Y, Params.Width, Params.Height, Params.WndParent, nullptr, nullptr, this);
  if (window && !FHandle) {
    FHandle = window;
    State().Windows[window] = this;
  }
}

void TWinControl::DestroyHandle() {
  if (!FHandle) return;
  FControlState.Include(csDestroyingHandle);
  try {
    for (TControl* child : FControls)
      if (auto* w = dynamic_cast<TWinControl*>(child)) w->DestroyHandle();
    DestroyWnd();
  } catch (...) {
    FControlState.Exclude(csDestroyingHandle);
    throw;
  }
  FControlState.Exclude(csDestroyingHandle);
}

void TWinControl::DestroyWnd() { DestroyWindowHandle(); }

void TWinControl::DestroyWindowHandle() {
  HWND window = FHandle;
  if (!window) return;
  DestroyWindow(window);
  // WM_NCDESTROY normally forgets the window; a window layer that did not send it still must.
  if (FHandle == window) {
    if (GState) GState->Windows.erase(window);
    FHandle = nullptr;
  }
}

void TWinControl::RecreateWnd() {
  if (!FHandle) return;
  FControlState.Include(csRecreating);
  try {
    DestroyHandle();
    UpdateControlState();
    if (!FHandle && (FShowing || !FParent)) HandleNeeded();
  } catch (...) {
    FControlState.Exclude(csRecreating);
    throw;
  }
  FControlState.Exclude(csRecreating);
}

void TWinControl::SetParentWindow(HWND Value) {
  if (FParent || FParentWindow == Value) return;
  FParentWindow = Value;
  if (FHandle) {
    DestroyHandle();
    UpdateControlState();
  }
}

TWinControl* TWinControl::CreateParented(TClass ControlClass, HWND ParentWindow) {
  auto* control = ControlClass->Create<TWinControl>(nullptr);
  control->SetParentWindow(ParentWindow);
  return control;
}

LRESULT TWinControl::ControlWndProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  TWinControl* control = FindControl(Window);
  if (!control && Msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCT*>(LParam);
    control = cs ? static_cast<TWinControl*>(cs->lpCreateParams) : nullptr;
    if (control) {
      control->FHandle = Window;
      State().Windows[Window] = control;
    }
  }
  if (!control) return DefWindowProc(Window, Msg, WParam, LParam);
  try {
    return control->Perform(Msg, WParam, LParam);
  } catch (...) {
    ReportException(control);
    return 0;
  }
}

void TWinControl::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_CHAR:
    case WM_SYSCHAR:
    case WM_KEYUP: {
      // The reflected stage first: menu keys, dialog keys and accelerators.
      if (!GetComponentState().Contains(csDesigning) &&
          Perform(CN_BASE + Message.Msg, Message.WParam, Message.LParam) != 0) {
        Message.Result = 0;
        return;
      }
      break;
    }
    case WM_CANCELMODE:
      if (FHandle && GetCapture() == FHandle && GState && GState->CaptureControl &&
          GState->CaptureControl->GetParent() == this)
        GState->CaptureControl->Perform(WM_CANCELMODE, 0, 0);
      break;
    default:
      if (Message.Msg >= WM_MOUSEFIRST && Message.Msg <= WM_MOUSELAST && Message.Msg != WM_MOUSEWHEEL &&
          Message.Msg != WM_MOUSEHWHEEL) {
        if (Message.Msg == WM_MOUSEMOVE) MouseHoverUpdate(PointFromLParam(Message.LParam));
        // A windowless child under the mouse (or holding the capture) takes the message.
        TControl* child = nullptr;
        if (FHandle && GetCapture() == FHandle) {
          if (GState && GState->CaptureControl && GState->CaptureControl->GetParent() == this)
            child = GState->CaptureControl;
        } else {
          child = ControlAtPos(PointFromLParam(Message.LParam), false);
        }
        if (child) {
          const TPoint p = PointFromLParam(Message.LParam) - TPoint(child->GetLeft(), child->GetTop());
          Message.Result = child->Perform(Message.Msg, Message.WParam, PointToLParam(p));
          return;
        }
      }
      break;
  }
  inherited::WndProc(Message);
}

void TWinControl::DefaultHandler(TMessage& Message) {
  if (!FHandle) {
    inherited::DefaultHandler(Message);
    return;
  }
  switch (Message.Msg) {
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
      inherited::DefaultHandler(Message);
      return;
    case WM_SETTEXT:
      inherited::DefaultHandler(Message);  // the control keeps the text, the window shows it
      break;
    default:
      break;
  }
  if (Message.Msg >= CM_BASE) return;  // the library's own notifications end here
  Message.Result = FDefWndProc ? CallWindowProc(FDefWndProc, FHandle, Message.Msg, Message.WParam, Message.LParam)
                               : DefWindowProc(FHandle, Message.Msg, Message.WParam, Message.LParam);
}

void TWinControl::WMNCDestroy(TMessage& Message) {
  DefaultHandler(Message);
  if (GState) GState->Windows.erase(FHandle);
  FHandle = nullptr;
  if (FShowing && !GetComponentState().Contains(csDestroying) && !FControlState.Contains(csRecreating))
    FShowing = false;
}

// Children.

void TWinControl::Insert(TControl* AControl) {
  AControl->FParent = this;
  FControls.push_back(AControl);
  if (auto* w = dynamic_cast<TWinControl*>(AControl)) FTabList.push_back(w);
}

void TWinControl::Remove(TControl* AControl) {
  if (auto* w = dynamic_cast<TWinControl*>(AControl)) std::erase(FTabList, w);
  std::erase(FControls, AControl);
  AControl->FParent = nullptr;
}

void TWinControl::InsertControl(TControl* AControl) {
  if (AControl->FParent == this) return;
  Insert(AControl);
  const bool loading = GetComponentState().Contains(csLoading) || AControl->GetComponentState().Contains(csLoading);
  if (!loading) {
    AControl->Perform(CM_PARENTCOLORCHANGED);
    AControl->Perform(CM_PARENTFONTCHANGED);
    AControl->Perform(CM_PARENTSHOWHINTCHANGED);
    if (AControl->FCurrentPPI != FCurrentPPI && FCurrentPPI > 0 && AControl->FCurrentPPI > 0)
      AControl->ScaleForPPI(FCurrentPPI);
  }
  if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
    if (w->FHandle) {
      // A child window moves over; a top-level one is made again as a child.
      if (FHandle && (GetWindowLong(w->FHandle, GWL_STYLE) & LONG(WS_CHILD)))
        ::SetParent(w->FHandle, FHandle);
      else
        w->DestroyHandle();
    }
    w->UpdateControlState();
  } else if (FHandle) {
    AControl->Invalidate();
  }
  AControl->UpdateAnchorRules();
  AlignControl(AControl);
  Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(AControl), 1);
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(AControl), 1);
}

void TWinControl::RemoveControl(TControl* AControl) {
  if (AControl->FParent != this) return;
  Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(AControl), 0);
  if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
    w->RemoveFocus(true);
    w->DestroyHandle();
    w->FShowing = false;
  } else if (FHandle) {
    AControl->Invalidate();
  }
  if (GState && GState->CaptureControl == AControl) SetCaptureControl(nullptr);
  Remove(AControl);
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(AControl), 0);
  if (!GetComponentState().Contains(csDestroying)) Realign();
}

bool TWinControl::ContainsControl(TControl* Control) const {
  for (TControl* c = Control; c; c = c->FParent)
    if (c == static_cast<const TControl*>(this)) return true;
  return false;
}

TControl* TWinControl::ControlAtPos(TPoint Pos, bool AllowDisabled, bool AllowWinControls, bool AllLevels) {
  for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
    TControl* c = *it;
    const bool windowed = IsWinControl(c);
    if (windowed && !AllowWinControls) continue;
    if (!c->FVisible || (!AllowDisabled && !c->GetEnabled())) continue;
    if (!c->GetBoundsRect().Contains(Pos)) continue;
    const TPoint local = Pos - TPoint(c->FLeft, c->FTop);
    if (c->Perform(CM_HITTEST, 0, PointToLParam(local)) == 0) continue;
    if (AllLevels && windowed) {
      auto* w = static_cast<TWinControl*>(c);
      if (TControl* inner = w->ControlAtPos(local, AllowDisabled, AllowWinControls, true)) return inner;
    }
    return c;
  }
  return nullptr;
}

TControl* TWinControl::FindChildControl(const String& ControlName) {
  for (TControl* c : FControls)
    if (SameText(c->GetName(), ControlName)) return c;
  return nullptr;
}

void TWinControl::Broadcast(TMessage& Message) {
  for (size_t i = 0; i < FControls.size(); ++i) {
    if (GetComponentState().Contains(csDestroying)) return;
    FControls[i]->WindowProc(Message);
    if (Message.Result != 0) return;
  }
}

void TWinControl::NotifyControls(UINT Msg) {
  TMessage message{Msg, 0, 0, 0};
  Broadcast(message);
}

void TWinControl::SetChildOrder(TComponent* Child, Integer Order) {
  // Streaming restores the children's stacking order (they are written back to front).
  auto* control = dynamic_cast<TControl*>(Child);
  if (!control || control->FParent != this) return;
  SetZOrderPosition(control, Order);
}

void TWinControl::SetZOrderPosition(TControl* AControl, Integer Position) {
  auto it = std::find(FControls.begin(), FControls.end(), AControl);
  if (it == FControls.end()) return;
  const Integer count = GetControlCount();
  Position = std::clamp(Position, 0, count - 1);
  const Integer current = static_cast<Integer>(it - FControls.begin());
  if (current == Position) return;
  FControls.erase(it);
  FControls.insert(FControls.begin() + Position, AControl);
  if (IsWinControl(AControl)) {
    // Windows follow the list: each one, back to front, goes on top of those before it.
    for (TControl* c : FControls)
      if (auto* w = dynamic_cast<TWinControl*>(c); w && w->FHandle)
        SetWindowPos(w->FHandle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  } else {
    AControl->Invalidate();
  }
  if (AControl->FAlign != alNone) Realign();
}

void TWinControl::SetZOrder(bool TopMost) {
  if (FParent) {
    inherited::SetZOrder(TopMost);
    return;
  }
  if (FHandle)
    SetWindowPos(FHandle, TopMost ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWinControl::GetChildren(const TGetChildProc& Proc, TComponent* Root) {
  for (TControl* c : FControls)
    if (c->GetOwner() == Root) Proc(c);
}

// Showing.

void TWinControl::UpdateControlState() {
  // Shows only when every parent shows (a top-level control shows by itself).
  for (TWinControl* p = FParent; p; p = p->FParent)
    if (!p->FShowing) return;
  UpdateShowing();
}

void TWinControl::UpdateShowing() {
  const bool showControl = FVisible && (!FParent || FParent->FShowing);
  if (showControl && !FHandle) CreateHandle();
  if (FShowing != showControl) {
    FShowing = showControl;
    try {
      Perform(CM_SHOWINGCHANGED);
    } catch (...) {
      FShowing = !showControl;
      throw;
    }
  }
  // Children follow once this control's state is settled.
  for (TControl* c : std::vector<TControl*>(FControls))
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->UpdateShowingFromParent(showControl);
}

void TWinControl::UpdateShowingFromParent(bool /*ParentShowing*/) { UpdateShowing(); }

void TWinControl::CMShowingChanged(TMessage& /*Message*/) {
  if (!FHandle) return;
  ShowWindow(FHandle, FShowing ? SW_SHOWNA : SW_HIDE);
}

void TWinControl::CMVisibleChanged(TMessage& Message) {
  (void)Message;
  if (!FVisible && FParent) RemoveFocus(false);
  UpdateControlState();
}

// Alignment.

void TWinControl::DisableAlign() { ++FAlignLevel; }

void TWinControl::EnableAlign() {
  if (FAlignLevel > 0) --FAlignLevel;
  if (FAlignLevel == 0 && FControlState.Contains(csAlignmentNeeded)) Realign();
}

void TWinControl::Realign() { AlignControlsNow(nullptr); }

void TWinControl::AlignControl(TControl* AControl) {
  if (FControlState.Contains(csAligning)) return;
  AlignControlsNow(AControl);
}

void TWinControl::AlignControlsNow(TControl* AControl) {
  if (GetComponentState().Contains(csDestroying)) return;
  if (FAlignLevel != 0 || GetComponentState().Contains(csLoading)) {
    FControlState.Include(csAlignmentNeeded);
    return;
  }
  FControlState.Exclude(csAlignmentNeeded);
  DisableAlign();
  const bool wasAligning = FControlState.Contains(csAligning);
  FControlState.Include(csAligning);
  try {
    TRect rect = GetClientRect();
    AdjustClientRect(rect);
    AlignControls(AControl, rect);
  } catch (...) {
    if (!wasAligning) FControlState.Exclude(csAligning);
    --FAlignLevel;
    throw;
  }
  if (!wasAligning) FControlState.Exclude(csAligning);
  --FAlignLevel;
  FControlState.Exclude(csAlignmentNeeded);
  if (GetAutoSize()) AdjustSize();
}

void TWinControl::AdjustClientRect(TRect& Rect) {
  Rect.Left += FPadding->GetLeft();
  Rect.Top += FPadding->GetTop();
  Rect.Right -= FPadding->GetRight();
  Rect.Bottom -= FPadding->GetBottom();
}

TPoint TWinControl::GetAnchorParentSize() const {
  const TRect client = GetClientRect();
  return TPoint(client.Width(), client.Height());
}

void TWinControl::AlignControls(TControl* AControl, TRect& Rect) {
  if (!FControls.empty()) DoAlignChildren(AControl, Rect);
  ControlsAligned();
}

void TWinControl::DoAlignChildren(TControl* AControl, TRect& Rect) {
  const TPoint parentSize = GetAnchorParentSize();
  static constexpr TAlign order[] = {alTop, alBottom, alLeft, alRight, alClient, alCustom, alNone};
  std::vector<TControl*> list;
  for (TAlign align : order) {
    list.clear();
    for (TControl* c : FControls) {
      if (c->FAlign != align) continue;
      if (!c->FVisible && !GetComponentState().Contains(csDesigning)) continue;
      if (align == alNone && c->FAnchors == TAnchors{akLeft, akTop}) continue;
      list.push_back(c);
    }
    // Aligned controls stack in the order of their position toward their edge; the one that
    // asked (AControl) goes first among equals.
    auto key = [align](const TControl* c) {
      switch (align) {
        case alTop:
          return c->FTop;
        case alBottom:
          return -(c->FTop + c->FHeight);
        case alLeft:
          return c->FLeft;
        case alRight:
          return -(c->FLeft + c->FWidth);
        default:
          return 0;
      }
    };
    std::stable_sort(list.begin(), list.end(), [&](const TControl* a, const TControl* b) {
      const Integer ka = key(a);
      const Integer kb = key(b);
      if (ka != kb) return ka < kb;
      return a == AControl && b != AControl;
    });
    for (TControl* c : list) ArrangeControl(c, parentSize, align, Rect);
  }
}

void TWinControl::ArrangeControl(TControl* AControl, TPoint ParentSize, TAlign AAlign, TRect& Rect) {
  if (AAlign == alCustom) return;
  if (AAlign == alNone) {
    // Anchors: keep the recorded distances to the anchored sides of the parent.
    const TPoint original = AControl->FOriginalParentSize;
    if (original.X <= 0 && original.Y <= 0) {
      AControl->UpdateAnchorRules();
      return;
    }
    const TRect rules = AControl->FAnchorRules;
    const TAnchors anchors = AControl->FAnchors;
    Integer left = rules.Left;
    Integer width = rules.Width();
    Integer top = rules.Top;
    Integer height = rules.Height();
    const Integer dx = ParentSize.X - original.X;
    const Integer dy = ParentSize.Y - original.Y;
    if (anchors.Contains(akRight)) {
      if (anchors.Contains(akLeft))
        width += dx;
      else
        left += dx;
    } else if (!anchors.Contains(akLeft) && original.X > 0) {
      left = MulDiv(rules.Left + rules.Width() / 2, ParentSize.X, original.X) - width / 2;
    }
    if (anchors.Contains(akBottom)) {
      if (anchors.Contains(akTop))
        height += dy;
      else
        top += dy;
    } else if (!anchors.Contains(akTop) && original.Y > 0) {
      top = MulDiv(rules.Top + rules.Height() / 2, ParentSize.Y, original.Y) - height / 2;
    }
    const bool anchorMove = AControl->FAnchorMove;
    AControl->FAnchorMove = true;
    try {
      AControl->SetBounds(left, top, std::max(0, width), std::max(0, height));
    } catch (...) {
      AControl->FAnchorMove = anchorMove;
      throw;
    }
    AControl->FAnchorMove = anchorMove;
    return;
  }
  TMargins* margins = AControl->FMargins;
  const bool withMargins = AControl->FAlignWithMargins;
  const Integer mh = withMargins ? margins->GetLeft() + margins->GetRight() : 0;
  const Integer mv = withMargins ? margins->GetTop() + margins->GetBottom() : 0;
  const Integer width = AControl->FWidth + mh;
  const Integer height = AControl->FHeight + mv;
  TRect r = Rect;
  switch (AAlign) {
    case alTop:
      r.Bottom = std::min(Rect.Bottom, Rect.Top + height);
      break;
    case alBottom:
      r.Top = std::max(Rect.Top, Rect.Bottom - height);
      break;
    case alLeft:
      r.Right = std::min(Rect.Right, Rect.Left + width);
      break;
    case alRight:
      r.Left = std::max(Rect.Left, Rect.Right - width);
      break;
    default:
      break;
  }
  if (r.Right < r.Left) r.Right = r.Left;
  if (r.Bottom < r.Top) r.Bottom = r.Top;
  margins->SetControlBounds(r, true);
  // The control may have refused a size (constraints, auto-size): the rest starts at its edge.
  const TRect placed = margins->ExplicitBounds(AControl->GetBoundsRect());
  switch (AAlign) {
    case alTop:
      Rect.Top = std::min(Rect.Bottom, placed.Bottom);
      break;
    case alBottom:
      Rect.Bottom = std::max(Rect.Top, placed.Top);
      break;
    case alLeft:
      Rect.Left = std::min(Rect.Right, placed.Right);
      break;
    case alRight:
      Rect.Right = std::max(Rect.Left, placed.Left);
      break;
    default:
      break;
  }
}

void TWinControl::PaddingChanged(TObject* /*Sender*/) { Realign(); }

bool TWinControl::CanAutoSize(Integer& NewWidth, Integer& NewHeight) {
  // The content's extent: the visible children's bounds (with margins) and the padding.
  Integer right = 0;
  Integer bottom = 0;
  bool any = false;
  for (TControl* c : FControls) {
    if (!c->FVisible || c->FAlign == alClient) continue;
    const TRect r = c->FMargins->ExplicitBounds(c->GetBoundsRect());
    if (c->FAlign != alTop && c->FAlign != alBottom) right = std::max(right, r.Right);
    if (c->FAlign != alLeft && c->FAlign != alRight) bottom = std::max(bottom, r.Bottom);
    any = true;
  }
  if (!any) return true;
  const TRect client = GetClientRect();
  const Integer frameWidth = FWidth - client.Width();
  const Integer frameHeight = FHeight - client.Height();
  if (right > 0) NewWidth = right + FPadding->GetRight() + frameWidth;
  if (bottom > 0) NewHeight = bottom + FPadding->GetBottom() + frameHeight;
  return true;
}

// Bounds.

void TWinControl::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  inherited::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TWinControl::UpdateBoundsRect(const TRect& R) {
  inherited::UpdateBoundsRect(R);
  if (FHandle) {
    FSettingBounds = true;
    try {
      SetWindowPos(FHandle, nullptr, R.Left, R.Top, R.Width(), R.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    } catch (...) {
      FSettingBounds = false;
      throw;
    }
    FSettingBounds = false;
  }
}

TRect TWinControl::GetClientRect() const {
  if (FHandle) {
    TRect r;
    if (::GetClientRect(FHandle, r)) return r;
  }
  return TRect(0, 0, FWidth, FHeight);
}

TPoint TWinControl::GetClientOrigin() const {
  if (FHandle) {
    TPoint p(0, 0);
    ::ClientToScreen(FHandle, p);
    return p;
  }
  return inherited::GetClientOrigin();
}

void TWinControl::WMSize(TMessage& Message) {
  DefaultHandler(Message);
  if (FSettingBounds || !FHandle) return;
  // Sized from outside (the user or the window layer): take the window's rectangle.
  TRect r;
  GetWindowRect(FHandle, r);
  if (FParent) {
    TPoint origin(0, 0);
    ::ClientToScreen(FParent->FHandle, origin);
    r.Offset(-origin.X, -origin.Y);
  }
  if (r.Width() == FWidth && r.Height() == FHeight) return;
  inherited::UpdateBoundsRect(r);
  UpdateExplicitBounds();
  Realign();
  if (!GetComponentState().Contains(csLoading)) Resize();
}

void TWinControl::WMMove(TMessage& Message) {
  DefaultHandler(Message);
  if (FSettingBounds || !FHandle) return;
  TRect r;
  GetWindowRect(FHandle, r);
  if (FParent && FParent->FHandle) {
    TPoint origin(0, 0);
    ::ClientToScreen(FParent->FHandle, origin);
    r.Offset(-origin.X, -origin.Y);
  }
  FLeft = r.Left;
  FTop = r.Top;
}

void TWinControl::Resize() { inherited::Resize(); }

void TWinControl::RequestAlign() { inherited::RequestAlign(); }

void TWinControl::SetParent(TWinControl* AParent) {
  if (FParent == AParent) return;
  if (!AParent && FParent) {
    // A window that leaves its parent control becomes a top-level window when next made.
    DestroyHandle();
  }
  inherited::SetParent(AParent);
}

void TWinControl::SetTextValue(const String& Value) {
  inherited::SetTextValue(Value);
  if (FHandle) SetWindowText(FHandle, Value);
}

// Scaling.

void TWinControl::ChangeScale(Integer M, Integer D, bool IsDpiChange) {
  if (M == D || D == 0) return;
  DisableAlign();
  try {
    FPadding->OnChange = nullptr;
    FPadding->Scale(M, D);
    FPadding->OnChange = TNotifyEvent(this, &TWinControl::PaddingChanged);
    inherited::ChangeScale(M, D, IsDpiChange);
    const bool outer = FDpiScaling;
    FDpiScaling = IsDpiChange;
    try {
      ScaleControls(M, D);
    } catch (...) {
      FDpiScaling = outer;
      throw;
    }
    FDpiScaling = outer;
  } catch (...) {
    FPadding->OnChange = TNotifyEvent(this, &TWinControl::PaddingChanged);
    EnableAlign();
    throw;
  }
  FControlState.Include(csAlignmentNeeded);
  EnableAlign();
}

void TWinControl::ScaleControls(Integer M, Integer D) {
  for (TControl* c : std::vector<TControl*>(FControls)) c->ChangeScale(M, D, FDpiScaling);
}

void TWinControl::ScaleForPPI(Integer NewPPI) { inherited::ScaleForPPI(NewPPI); }

// Focus and tab order.

TWinControl* TWinControl::FindTopParent() {
  TWinControl* control = this;
  while (control->FParent) control = control->FParent;
  return control;
}

bool TWinControl::CanFocus() {
  // The top-level parent's own visibility does not count: a control of a form not shown yet
  // may be chosen, and gets the focus when the form shows.
  for (TControl* c = this; c && c->FParent; c = c->FParent)
    if (!c->FVisible || !c->GetEnabled()) return false;
  return true;
}

bool TWinControl::Focused() { return FHandle && GetFocus() == FHandle; }

void TWinControl::SetFocus() {
  if (!CanFocus()) throw EInvalidOperation(u"Cannot focus a disabled or invisible window");
  TWinControl* root = FindTopParent();
  if (!root->FShowing) {
    // Not on screen yet: the root remembers the choice for when it shows.
    root->FFocusedControl = this == root ? nullptr : this;
    return;
  }
  ::SetFocus(GetHandle());
}

bool TWinControl::SetFocusedControl(TWinControl* Control) {
  if (FFocusedControl == Control) return true;
  TWinControl* old = FFocusedControl;
  FFocusedControl = Control;
  // CM_EXIT up from the old control to the first ancestor that also holds the new one.
  for (TWinControl* c = old; c && c != this && !(Control && c->ContainsControl(Control)); c = c->FParent) {
    c->Perform(CM_EXIT);
    if (FFocusedControl != Control) return false;  // an OnExit moved the focus elsewhere
  }
  // CM_ENTER down from below that ancestor to the new control.
  std::vector<TWinControl*> chain;
  for (TWinControl* c = Control; c && c != this && !(old && c->ContainsControl(old)); c = c->FParent)
    chain.push_back(c);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    (*it)->Perform(CM_ENTER);
    if (FFocusedControl != Control) return false;
  }
  Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(Control));
  return true;
}

void TWinControl::RemoveFocus(bool /*Removing*/) {
  TWinControl* root = FindTopParent();
  if (root->FFocusedControl && ContainsControl(root->FFocusedControl)) root->FFocusedControl = nullptr;
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& List) {
  for (TWinControl* c : FTabList) {
    List.push_back(c);
    c->GetTabOrderList(List);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                                          bool CheckParent) {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  const Integer count = static_cast<Integer>(list.size());
  auto found = std::find(list.begin(), list.end(), CurControl);
  Integer start = found == list.end() ? -1 : static_cast<Integer>(found - list.begin());
  if (start < 0) start = GoForward ? count - 1 : 0;
  Integer i = start;
  do {
    if (GoForward) {
      if (++i == count) i = 0;
    } else {
      if (i == 0) i = count;
      --i;
    }
    TWinControl* candidate = list[static_cast<size_t>(i)];
    if (candidate != CurControl && candidate->CanFocus() && (!CheckTabStop || candidate->FTabStop) &&
        (!CheckParent || candidate->FParent == this))
      return candidate;
  } while (i != start);
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop) {
  if (TWinControl* next = FindNextControl(CurControl, GoForward, CheckTabStop, !CheckTabStop)) next->SetFocus();
}

Integer TWinControl::GetTabOrder() const {
  if (!FParent) return -1;
  const auto& list = FParent->FTabList;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<Integer>(it - list.begin());
}

void TWinControl::SetTabOrder(Integer Value) {
  if (!FParent) return;
  auto& list = FParent->FTabList;
  const Integer count = static_cast<Integer>(list.size());
  if (Value < 0 || Value >= count) Value = count - 1;
  const Integer current = GetTabOrder();
  if (current < 0 || current == Value) return;
  list.erase(list.begin() + current);
  list.insert(list.begin() + Value, this);
}

void TWinControl::SetTabStop(bool Value) {
  if (FTabStop == Value) return;
  FTabStop = Value;
  if (FHandle) {
    LONG style = GetWindowLong(FHandle, GWL_STYLE);
    SetWindowLong(FHandle, GWL_STYLE, Value ? (style | LONG(WS_TABSTOP)) : (style & ~LONG(WS_TABSTOP)));
  }
  Perform(CM_TABSTOPCHANGED);
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

void TWinControl::WMSetFocus(TMessage& Message) {
  DefaultHandler(Message);
  if (GetComponentState().Contains(csDestroying)) return;
  FindTopParent()->SetFocusedControl(this);
}

void TWinControl::WMKillFocus(TMessage& Message) { DefaultHandler(Message); }

void TWinControl::CMEnter(TMessage& /*Message*/) { DoEnter(); }

void TWinControl::CMExit(TMessage& /*Message*/) { DoExit(); }

void TWinControl::CMFocusChanged(TMessage& Message) { Broadcast(Message); }

// Keys.

bool TWinControl::IsShortCut(TMessage& /*Message*/) { return false; }

bool TWinControl::IsMenuKey(TMessage& Message) {
  if (GetComponentState().Contains(csDesigning)) return false;
  if (GState && GState->Hooks.PopupMenuIsShortCut)
    for (TControl* c = this; c; c = c->FParent)
      if (c->FPopupMenu && GState->Hooks.PopupMenuIsShortCut(c->FPopupMenu, Message)) return true;
  TWinControl* root = FindTopParent();
  return root->IsShortCut(Message);
}

void TWinControl::KeyDown(Word& Key, TShiftState Shift) {
  if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyUp(Word& Key, TShiftState Shift) {
  if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

void TWinControl::KeyPress(Char& Key) {
  if (OnKeyPress) OnKeyPress(this, Key);
}

bool TWinControl::DoKey(TMessage& Message, bool (TWinControl::*Stage)(TMessage&),
                        void (*Handle)(TWinControl* Control, TMessage& Message)) {
  TWinControl* root = FindTopParent();
  if (root != this && root->GetKeyPreview() && (root->*Stage)(Message)) return true;
  if (FControlStyle.Contains(csNoStdEvents)) return false;
  Handle(this, Message);
  return Message.WParam == 0;
}

bool TWinControl::DoKeyDown(TMessage& Message) {
  return DoKey(Message, &TWinControl::DoKeyDown, [](TWinControl* Control, TMessage& M) {
    Word key = static_cast<Word>(M.WParam);
    Control->KeyDown(key, KeyDataToShiftState(M.LParam));
    M.WParam = key;
  });
}

bool TWinControl::DoKeyUp(TMessage& Message) {
  return DoKey(Message, &TWinControl::DoKeyUp, [](TWinControl* Control, TMessage& M) {
    Word key = static_cast<Word>(M.WParam);
    Control->KeyUp(key, KeyDataToShiftState(M.LParam));
    M.WParam = key;
  });
}

bool TWinControl::DoKeyPress(TMessage& Message) {
  return DoKey(Message, &TWinControl::DoKeyPress, [](TWinControl* Control, TMessage& M) {
    Char key = static_cast<Char>(M.WParam);
    Control->KeyPress(key);
    M.WParam = key;
  });
}

void TWinControl::WMKeyDown(TMessage& Message) {
  if (!DoKeyDown(Message)) DefaultHandler(Message);
}

void TWinControl::WMKeyUp(TMessage& Message) {
  if (!DoKeyUp(Message)) DefaultHandler(Message);
}

void TWinControl::WMChar(TMessage& Message) {
  if (!DoKeyPress(Message)) DefaultHandler(Message);
}

void TWinControl::WMSysKeyDown(TMessage& Message) {
  if (!DoKeyDown(Message)) DefaultHandler(Message);
}

void TWinControl::WMSysKeyUp(TMessage& Message) {
  if (!DoKeyUp(Message)) DefaultHandler(Message);
}

void TWinControl::WMSysChar(TMessage& Message) {
  if (!DoKeyPress(Message)) DefaultHandler(Message);
}

void TWinControl::WMGetDlgCode(TMessage& Message) { Message.Result = 0; }

void TWinControl::CNKeyDown(TMessage& Message) {
  Message.Result = 1;
  if (IsMenuKey(Message)) return;
  if (Perform(CM_CHILDKEY, Message.WParam, reinterpret_cast<LPARAM>(this)) != 0) return;
  LRESULT mask = 0;
  switch (Message.WParam) {
    case VK_TAB:
      mask = DLGC_WANTTAB;
      break;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
      mask = DLGC_WANTARROWS;
      break;
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_CANCEL:
      mask = DLGC_WANTALLKEYS;
      break;
    default:
      break;
  }
  if (mask != 0 && Perform(CM_WANTSPECIALKEY, Message.WParam, Message.LParam) == 0 &&
      (Perform(WM_GETDLGCODE, 0, 0) & mask) == 0 &&
      FindTopParent()->Perform(CM_DIALOGKEY, Message.WParam, Message.LParam) != 0)
    return;
  Message.Result = 0;
}

void TWinControl::CNKeyUp(TMessage& Message) { Message.Result = 0; }

void TWinControl::CNChar(TMessage& Message) {
  Message.Result = 0;
  if ((Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS) != 0) return;
  const Char c = static_cast<Char>(Message.WParam);
  if (c < u' ') return;  // control characters are keys, not accelerators
  if (FindTopParent()->Perform(CM_DIALOGCHAR, Message.WParam, Message.LParam) != 0) Message.Result = 1;
}

void TWinControl::CNSysKeyDown(TMessage& Message) { Message.Result = IsMenuKey(Message) ? 1 : 0; }

void TWinControl::CNSysChar(TMessage& Message) {
  Message.Result = 0;
  if (Message.WParam == VK_SPACE) return;
  if (FindTopParent()->Perform(CM_DIALOGCHAR, Message.WParam, Message.LParam) != 0) Message.Result = 1;
}

void TWinControl::CMChildKey(TMessage& Message) {
  if (FParent) Message.Result = FParent->Perform(CM_CHILDKEY, Message.WParam, Message.LParam);
}

void TWinControl::CMDialogKey(TMessage& Message) { Broadcast(Message); }

void TWinControl::CMDialogChar(TMessage& Message) { Broadcast(Message); }

// Painting.

void TWinControl::Invalidate() {
  if (FHandle) ::InvalidateRect(FHandle, nullptr, FControlStyle.Contains(csOpaque) ? 0 : 1);
}

void TWinControl::InvalidateControlRect(const TRect* R, bool Erase) {
  if (FHandle) ::InvalidateRect(FHandle, R, Erase ? 1 : 0);
}

void TWinControl::Update() {
  if (FHandle) UpdateWindow(FHandle);
}

void TWinControl::Repaint() {
  Invalidate();
  Update();
}

HDC TWinControl::GetDeviceContext(HWND& WindowHandle) {
  WindowHandle = GetHandle();
  return GetDC(WindowHandle);
}

void TWinControl::SetDoubleBuffered(bool Value) {
  FParentDoubleBuffered = false;
  if (FDoubleBuffered == Value) return;
  FDoubleBuffered = Value;
  for (TControl* c : FControls)
    if (auto* w = dynamic_cast<TWinControl*>(c); w && w->FParentDoubleBuffered) {
      w->SetDoubleBuffered(Value);
      w->FParentDoubleBuffered = true;
    }
  Invalidate();
}

void TWinControl::SetParentDoubleBuffered(bool Value) {
  if (FParentDoubleBuffered == Value) return;
  if (Value && FParent) SetDoubleBuffered(FParent->FDoubleBuffered);
  FParentDoubleBuffered = Value;
}

void TWinControl::WMPaint(TMessage& Message) {
  if (Message.WParam == 0 && FDoubleBuffered && FHandle) {
    PaintDoubleBuffered(Message);
    return;
  }
  PaintHandler(Message);
}

void TWinControl::PaintDoubleBuffered(TMessage& Message) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(FHandle, ps);
  try {
    const TRect r = ps.rcPaint;
    if (!r.IsEmpty()) {
      HDC memDC = CreateCompatibleDC(dc);
      HBITMAP bitmap = CreateCompatibleBitmap(dc, r.Width(), r.Height());
      HBITMAP old = SelectObject(memDC, bitmap);
      SetWindowOrgEx(memDC, r.Left, r.Top, nullptr);
      try {
        Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(memDC), reinterpret_cast<LPARAM>(memDC));
        Perform(WM_PAINT, reinterpret_cast<WPARAM>(memDC), 0);
        BitBlt(dc, r.Left, r.Top, r.Width(), r.Height(), memDC, r.Left, r.Top, SRCCOPY);
      } catch (...) {
        SelectObject(memDC, old);
        DeleteObject(bitmap);
        DeleteDC(memDC);
        throw;
      }
      SelectObject(memDC, old);
      DeleteObject(bitmap);
      DeleteDC(memDC);
    }
  } catch (...) {
    EndPaint(FHandle, ps);
    throw;
  }
  EndPaint(FHandle, ps);
  Message.Result = 0;
}

void TWinControl::PaintHandler(TMessage& Message) {
  HDC dc = reinterpret_cast<HDC>(Message.WParam);
  PAINTSTRUCT ps;
  if (!dc) {
    if (!FHandle) return;
    dc = BeginPaint(FHandle, ps);
  }
  try {
    bool opaqueChildren = false;
    for (TControl* c : FControls)
      if (!IsWinControl(c) && c->FVisible && c->FControlStyle.Contains(csOpaque)) opaqueChildren = true;
    if (opaqueChildren) {
      // The parent does not paint where an opaque windowless child covers it.
      const int saved = SaveDC(dc);
      for (TControl* c : FControls)
        if (!IsWinControl(c) && c->FVisible && c->FControlStyle.Contains(csOpaque))
          ExcludeClipRect(dc, c->FLeft, c->FTop, c->FLeft + c->FWidth, c->FTop + c->FHeight);
      PaintWindow(dc);
      RestoreDC(dc, saved);
    } else {
      PaintWindow(dc);
    }
    PaintControls(dc, nullptr);
  } catch (...) {
    if (!Message.WParam) EndPaint(FHandle, ps);
    throw;
  }
  if (!Message.WParam) EndPaint(FHandle, ps);
  Message.Result = 0;
}

void TWinControl::PaintControls(HDC DC, TControl* First) {
  auto it = First ? std::find(FControls.begin(), FControls.end(), First) : FControls.begin();
  for (; it != FControls.end(); ++it) {
    TControl* c = *it;
    if (IsWinControl(c) || !c->FVisible) continue;
    const TRect bounds = c->GetBoundsRect();
    if (bounds.IsEmpty() || !RectVisible(DC, &bounds)) continue;
    const bool copy = FControlState.Contains(csPaintCopy);
    if (copy) c->FControlState.Include(csPaintCopy);
    const int saved = SaveDC(DC);
    OffsetViewportOrgEx(DC, c->FLeft, c->FTop, nullptr);
    IntersectClipRect(DC, 0, 0, c->FWidth, c->FHeight);
    try {
      c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
    } catch (...) {
      RestoreDC(DC, saved);
      c->FControlState.Exclude(csPaintCopy);
      throw;
    }
    RestoreDC(DC, saved);
    c->FControlState.Exclude(csPaintCopy);
  }
}

void TWinControl::PaintWindow(HDC DC) {
  TMessage message{WM_PAINT, reinterpret_cast<WPARAM>(DC), 0, 0};
  DefaultHandler(message);
}

void TWinControl::WMPrintClient(TMessage& Message) {
  if ((Message.LParam & PRF_CLIENT) == 0 || !Message.WParam) {
    DefaultHandler(Message);
    return;
  }
  FControlState.Include(csPrintClient);
  TMessage paint{WM_PAINT, Message.WParam, 0, 0};
  try {
    PaintHandler(paint);
  } catch (...) {
    FControlState.Exclude(csPrintClient);
    throw;
  }
  FControlState.Exclude(csPrintClient);
}

void TWinControl::WMEraseBkgnd(TMessage& Message) {
  HDC dc = reinterpret_cast<HDC>(Message.WParam);
  if (dc && FColor != clNone) {
    const TRect r = GetClientRect();
    HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(FColor)));
    ::FillRect(dc, &r, brush);
    DeleteObject(brush);
  }
  Message.Result = 1;
}

void TWinControl::PaintTo(HDC DC, Integer X, Integer Y) {
  FControlState.Include(csPaintCopy);
  const int saved = SaveDC(DC);
  try {
    OffsetViewportOrgEx(DC, X, Y, nullptr);
    IntersectClipRect(DC, 0, 0, FWidth, FHeight);
    Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC), reinterpret_cast<LPARAM>(DC));
    Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
    RestoreDC(DC, saved);
    for (TControl* c : FControls)
      if (auto* w = dynamic_cast<TWinControl*>(c); w && w->FVisible) w->PaintTo(DC, X + w->FLeft, Y + w->FTop);
  } catch (...) {
    FControlState.Exclude(csPaintCopy);
    throw;
  }
  FControlState.Exclude(csPaintCopy);
}

void TWinControl::PaintTo(TCanvas* Canvas, Integer X, Integer Y) {
  Canvas->Lock();
  try {
    PaintTo(Canvas->GetHandle(), X, Y);
  } catch (...) {
    Canvas->Unlock();
    throw;
  }
  Canvas->Unlock();
}

// Mouse.

void TWinControl::MouseHoverUpdate(TPoint ClientPoint) {
  TControl* target = GetCaptureControl();
  if (!target) {
    if (GetClientRect().Contains(ClientPoint)) {
      target = ControlAtPos(ClientPoint, true);
      if (!target) target = this;
    }
  }
  TControlsState& state = State();
  if (state.MouseControl != target) {
    TControl* old = state.MouseControl;
    state.MouseControl = target;
    if (old) old->Perform(CM_MOUSELEAVE);
    if (target && state.MouseControl == target) target->Perform(CM_MOUSEENTER);
  }
  if (target && FHandle) {
    TRACKMOUSEEVENT track;
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = FHandle;
    TrackMouseEvent(track);
  }
}

void TWinControl::WMMouseLeave(TMessage& Message) {
  DefaultHandler(Message);
  TControl* current = GetMouseControl();
  if (!current || GetCaptureControl() == current) return;
  if (current == this || (current->FParent == this && !IsWinControl(current))) {
    State().MouseControl = nullptr;
    current->Perform(CM_MOUSELEAVE);
  }
}

void TWinControl::WMSetCursor(TMessage& Message) {
  if (LOWORD(static_cast<uintptr_t>(Message.LParam)) == HTCLIENT && reinterpret_cast<HWND>(Message.WParam) == FHandle &&
      !GetComponentState().Contains(csDesigning)) {
    TCursor cursor = GState && GState->Hooks.ScreenCursor ? GState->Hooks.ScreenCursor() : crDefault;
    if (cursor == crDefault) {
      TControl* control = nullptr;
      if (GState && GState->CaptureControl && GState->CaptureControl->GetParent() == this) {
        control = GState->CaptureControl;
      } else {
        TPoint p;
        GetCursorPos(p);
        control = ControlAtPos(ScreenToClient(p), false);
      }
      cursor = control && control->FCursor != crDefault ? control->FCursor : FCursor;
    }
    if (cursor != crDefault) {
      ::SetCursor(CursorHandle(cursor));
      Message.Result = 1;
      return;
    }
  }
  DefaultHandler(Message);
}

void TWinControl::ReflectToChild(TMessage& Message, UINT Notification) {
  if (TWinControl* child = FindControl(reinterpret_cast<HWND>(Message.LParam)); child && child != this) {
    Message.Result = child->Perform(Notification, Message.WParam, Message.LParam);
    return;
  }
  DefaultHandler(Message);
}

void TWinControl::WMCommand(TMessage& Message) { ReflectToChild(Message, CN_COMMAND); }

void TWinControl::WMHScroll(TMessage& Message) { ReflectToChild(Message, CN_HSCROLL); }

void TWinControl::WMVScroll(TMessage& Message) { ReflectToChild(Message, CN_VSCROLL); }

// Notifications.

void TWinControl::CMEnabledChanged(TMessage& Message) {
  if (!GetEnabled() && FParent) RemoveFocus(false);
  if (FHandle) EnableWindow(FHandle, GetEnabled() ? 1 : 0);
  inherited::CMEnabledChanged(Message);
}

void TWinControl::CMShowHintChanged(TMessage& /*Message*/) { NotifyControls(CM_PARENTSHOWHINTCHANGED); }

void TWinControl::CMFontChanged(TMessage& Message) {
  inherited::CMFontChanged(Message);
  NotifyControls(CM_PARENTFONTCHANGED);
}

void TWinControl::CMColorChanged(TMessage& Message) {
  inherited::CMColorChanged(Message);
  NotifyControls(CM_PARENTCOLORCHANGED);
}

void TWinControl::CMCursorChanged(TMessage& /*Message*/) {
  if (!FHandle) return;
  TPoint p;
  GetCursorPos(p);
  if (WindowFromPoint(p) == FHandle) Perform(WM_SETCURSOR, reinterpret_cast<WPARAM>(FHandle), HTCLIENT);
}

void TWinControl::CMTextChanged(TMessage& /*Message*/) {}

void TWinControl::CMRecreateWnd(TMessage& /*Message*/) { RecreateWnd(); }

void TWinControl::CMInvalidate(TMessage& /*Message*/) { Invalidate(); }

void TWinControl::CMControlListChange(TMessage& Message) {
  if (FParent) FParent->WindowProc(Message);
}

void TWinControl::CMControlChange(TMessage& /*Message*/) {}

void TWinControl::CMCancelMode(TMessage& /*Message*/) {
  if (GState && GState->CaptureControl && GState->CaptureControl->GetParent() == this)
    GState->CaptureControl->Perform(CM_CANCELMODE);
}

void TWinControl::DeclareProperties(TClassDeclaration<TWinControl>& D) {
  D.Property(u"DoubleBuffered", &TWinControl::GetDoubleBuffered, &TWinControl::SetDoubleBuffered).Visibility(mvPublic);
  D.Property(u"Padding", &TWinControl::GetPadding, &TWinControl::SetPadding);
  D.Property(u"ParentDoubleBuffered", &TWinControl::GetParentDoubleBuffered, &TWinControl::SetParentDoubleBuffered)
      .Default(true);
  D.Property(u"TabOrder", &TWinControl::GetTabOrder, &TWinControl::SetTabOrder).Default(-1);
  D.Property(u"TabStop", &TWinControl::GetTabStop, &TWinControl::SetTabStop).Default(false);
  D.Event(u"OnEnter", &TWinControl::OnEnter).Visibility(mvPublic);
  D.Event(u"OnExit", &TWinControl::OnExit).Visibility(mvPublic);
  D.Event(u"OnKeyDown", &TWinControl::OnKeyDown).Visibility(mvPublic);
  D.Event(u"OnKeyPress", &TWinControl::OnKeyPress).Visibility(mvPublic);
  D.Event(u"OnKeyUp", &TWinControl::OnKeyUp).Visibility(mvPublic);
}

// ---- TGraphicControl --------------------------------------------------------------------------

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner) {
  FCanvas = Create<TControlCanvas>();
  FCanvas->SetControl(this);
}

TGraphicControl::~TGraphicControl() { Free(FCanvas); }

const TMessageTable& TGraphicControl::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(), {VCL_MESSAGE(WM_PAINT, &TGraphicControl::WMPaint)});
  return table;
}

void TGraphicControl::WMPaint(TMessage& Message) {
  if (!Message.WParam) return;
  FCanvas->FreeHandle();
  FCanvas->Lock();
  FCanvas->SetHandle(reinterpret_cast<HDC>(Message.WParam));
  try {
    Paint();
  } catch (...) {
    FCanvas->SetHandle(nullptr);
    FCanvas->Unlock();
    throw;
  }
  FCanvas->SetHandle(nullptr);
  FCanvas->Unlock();
}

// ---- TCustomControl ---------------------------------------------------------------------------

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner) {
  FCanvas = Create<TControlCanvas>();
  FCanvas->SetControl(this);
}

TCustomControl::~TCustomControl() { Free(FCanvas); }

void TCustomControl::PaintWindow(HDC DC) {
  FCanvas->FreeHandle();
  FCanvas->Lock();
  FCanvas->SetHandle(DC);
  try {
    Paint();
  } catch (...) {
    FCanvas->SetHandle(nullptr);
    FCanvas->Unlock();
    throw;
  }
  FCanvas->SetHandle(nullptr);
  FCanvas->Unlock();
}

// ---- TScrollingWinControl ---------------------------------------------------------------------

TScrollingWinControl::TScrollingWinControl(TComponent* AOwner) : TWinControl(AOwner) {}

void TScrollingWinControl::ScrollBy(Integer DeltaX, Integer DeltaY) {
  if (DeltaX == 0 && DeltaY == 0) return;
  DisableAlign();
  try {
    for (TControl* c : std::vector<TControl*>(GetControls())) {
      const bool anchorMove = c->GetAnchorMove();
      c->SetAnchorMove(true);
      c->SetBounds(c->GetLeft() + DeltaX, c->GetTop() + DeltaY, c->GetWidth(), c->GetHeight());
      c->SetAnchorMove(anchorMove);
      c->UpdateAnchorRules();
    }
  } catch (...) {
    EnableAlign();
    throw;
  }
  EnableAlign();
  Invalidate();
}

void TScrollingWinControl::ScrollInView(TControl* AControl) {
  if (!AControl || !ContainsControl(AControl) || AControl == this) return;
  TRect r = AControl->GetMargins()->ExplicitBounds(AControl->GetBoundsRect());
  if (AControl->GetParent() != this) {
    const TPoint origin = AControl->GetParent()->ClientToParent(TPoint(0, 0), this);
    r.Offset(origin);
  }
  const TRect client = GetClientRect();
  Integer dx = 0;
  Integer dy = 0;
  if (r.Left < client.Left)
    dx = client.Left - r.Left;
  else if (r.Right > client.Right)
    dx = std::max(client.Right - r.Right, client.Left - r.Left);
  if (r.Top < client.Top)
    dy = client.Top - r.Top;
  else if (r.Bottom > client.Bottom)
    dy = std::max(client.Bottom - r.Bottom, client.Top - r.Top);
  ScrollBy(dx, dy);
}

// ---- unit -------------------------------------------------------------------------------------

namespace detail {

void ControlsInit() {
  State();
  RegisterProperties<TMargins>();
  RegisterProperties<TPadding>();
  RegisterProperties<TSizeConstraints>();
  RegisterProperties<TControl>();
  RegisterProperties<TWinControl>();
  RegisterProperties<TGraphicControl>();
  RegisterProperties<TCustomControl>();
  RegisterProperties<TScrollingWinControl>();
}

void ControlsFin() {
  if (!GState) return;
  for (const String& name : GState->RegisteredClasses) UnregisterClass(name, nullptr);
  delete GState;
  GState = nullptr;
}

}  // namespace detail

HCURSOR StandardCursorHandle(TCursor Cursor) {
  uintptr_t id = 0;
  switch (Cursor) {
    case crDefault:
    case crArrow:
    case crDrag:
    case crMultiDrag:
      id = IDC_ARROW;
      break;
    case crCross:
      id = IDC_CROSS;
      break;
    case crIBeam:
      id = IDC_IBEAM;
      break;
    case crSizeNESW:
      id = IDC_SIZENESW;
      break;
    case crSizeNS:
    case crVSplit:
      id = IDC_SIZENS;
      break;
    case crSizeNWSE:
      id = IDC_SIZENWSE;
      break;
    case crSizeWE:
    case crHSplit:
      id = IDC_SIZEWE;
      break;
    case crUpArrow:
      id = IDC_UPARROW;
      break;
    case crHourGlass:
    case crSQLWait:
      id = IDC_WAIT;
      break;
    case crNo:
    case crNoDrop:
      id = IDC_NO;
      break;
    case crAppStart:
      id = IDC_APPSTARTING;
      break;
    case crHelp:
      id = IDC_HELP;
      break;
    case crHandPoint:
      id = IDC_HAND;
      break;
    case crSizeAll:
      id = IDC_SIZEALL;
      break;
    default:
      return nullptr;
  }
  return LoadCursor(nullptr, id);
}
