#include "zcl/ui/controls/ZCL.UI.Memo.h"

#include "os/OS.ScrollBars.h"
#include "os/OS.Windows.h"
#include "vcl/VCL.Messages.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"

// ---- style ------------------------------------------------------------------------------------

void TZCLCustomMemoContainerStyle::DrawBorder(TCanvas* Canvas, const TRect& R, TZCLBorders Borders) {
  auto* owner = dynamic_cast<TZCLCustomMemoContainer*>(GetStyleOwner());
  if (!owner) return inherited::DrawBorder(Canvas, R, Borders);
  TZCLStyleEdit* edit = owner->GetStyle();
  DrawDoubleFrame(Canvas, R, edit->GetBorderColor(owner->Focused()), edit->GetContentColor(owner->GetEnabled()),
                  Borders);
}

// ---- container --------------------------------------------------------------------------------

TZCLCustomMemoContainer::TZCLCustomMemoContainer(TComponent* AOwner) : TZCLCustomScrollingControl(AOwner) {}

TZCLCustomMemoContainer::~TZCLCustomMemoContainer() { Free(FStyle); }

void TZCLCustomMemoContainer::AfterConstruction() {
  FStyle = Create<TZCLStyleEdit>(static_cast<TObject*>(this));
  inherited::AfterConstruction();
}

TZCLScrollBoxStyle* TZCLCustomMemoContainer::CreateStyle() {
  return Create<TZCLCustomMemoContainerStyle>(static_cast<TObject*>(this));
}

void TZCLCustomMemoContainer::AlignScrollBars(const TRect& R) {
  const TScrollStyle bars = FInnerControl ? GetScrollBars() : ssNone;
  GetHorzScrollBar()->SetVisible(bars == ssHorizontal || bars == ssBoth);
  GetVertScrollBar()->SetVisible(bars == ssVertical || bars == ssBoth);
  SyncScrollBars();
  inherited::AlignScrollBars(R);
}

void TZCLCustomMemoContainer::SyncScrollBars() {
  if (FSyncLock || !GetHorzScrollBar() || !GetVertScrollBar()) return;
  for (TZCLInnerScrollBar* bar : {GetHorzScrollBar(), GetVertScrollBar()}) {
    const bool vertical = bar == GetVertScrollBar();
    if (FInnerControl && FInnerControl->HandleAllocated() && bar->GetVisible()) {
      const HWND window = FInnerControl->GetHandle();
      SCROLLBARINFO barInfo;
      GetScrollBarInfo(window, vertical ? OBJID_VSCROLL : OBJID_HSCROLL, barInfo);
      SCROLLINFO info;
      info.fMask = SIF_ALL;
      GetScrollInfo(window, vertical ? SB_VERT : SB_HORZ, info);
      bar->SetScrollParams(info.nMin, info.nMax, info.nPos, Integer(info.nPage), true);
      bar->SetTag(bar->GetPosition());
      bar->SetEnabled(info.nMax >= Integer(info.nPage) && !(barInfo.rgstate[0] & STATE_SYSTEM_UNAVAILABLE));
    } else {
      bar->SetEnabled(false);
    }
  }
}

void TZCLCustomMemoContainer::Scroll(TObject* Sender, TScrollCode Code, Integer& Position) {
  if (!FInnerControl || !FInnerControl->HandleAllocated()) return;
  const bool vertical = Sender == GetVertScrollBar();
  const HWND window = FInnerControl->GetHandle();
  const int bar = vertical ? SB_VERT : SB_HORZ;
  FSyncLock = true;
  try {
    SetScrollPos(window, bar, Position, false);
    // A line step of the vertical bar is one text line of the memo, not the bar's small change.
    const bool lineStep = vertical && (Code == scLineUp || Code == scLineDown);
    const WPARAM wparam = lineStep ? WPARAM(Code) : WPARAM(Code) | (WPARAM(Word(Position)) << 16);
    SendMessage(window, vertical ? WM_VSCROLL : WM_HSCROLL, wparam, 0);
    if (Code != scTrack) Position = GetScrollPos(window, bar);
  } catch (...) {
    FSyncLock = false;
    throw;
  }
  FSyncLock = false;
  if (Code == scTrack)
    Update();
  else
    SyncScrollBars();
}

void TZCLCustomMemoContainer::UpdateInnerControlBounds() {
  inherited::UpdateInnerControlBounds();
  SyncScrollBars();
}

void TZCLCustomMemoContainer::UpdateInnerControl() {
  inherited::UpdateInnerControl();
  if (!FInnerControl) return;
  FInnerControl->SetAlign(alClient);
  FInnerControl->SetColor(FStyle->GetContentColor(GetEnabled()));
  FInnerControl->GetFont()->SetColor(FStyle->GetTextColor(GetEnabled()));
}

void TZCLCustomMemoContainer::InnerWndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_NCCALCSIZE:
    case WM_NCPAINT:
      // The inner memo has no frame and no bars of its own.
      Message.Result = 0;
      return;
    case WM_NCHITTEST:
      Message.Result = GetComponentState().Contains(csDesigning) ? HTTRANSPARENT : HTCLIENT;
      return;
    case CN_COMMAND:
      switch (HIWORD(Message.WParam)) {
        case EN_CHANGE:
          Changed();
          SyncScrollBars();
          break;
        case EN_HSCROLL:
        case EN_VSCROLL:
          SyncScrollBars();
          break;
        default:
          break;
      }
      break;
    default:
      break;
  }
  inherited::InnerWndProc(Message);
  switch (Message.Msg) {
    case WM_WINDOWPOSCHANGED:
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (!GetComponentState().Contains(csDestroying)) {
        SyncScrollBars();
        RecalcFrame();
      }
      break;
    default:
      break;
  }
}

void TZCLCustomMemoContainer::FocusChanged() {
  inherited::FocusChanged();
  RecalcFrame();
}

void TZCLCustomMemoContainer::SetTargetDPI(Integer Value) {
  inherited::SetTargetDPI(Value);
  if (FStyle) FStyle->SetTargetDPI(Value);
}

// ---- memo -------------------------------------------------------------------------------------

TZCLInnerMemo::TZCLInnerMemo(TComponent* AOwner) : TMemo(AOwner) {
  SetDoubleBuffered(false);
  SetParentDoubleBuffered(false);
}

TZCLMemo::TZCLMemo(TComponent* AOwner) : TZCLCustomMemoContainer(AOwner) {
  TControlStyle style = GetControlStyle();
  style.Exclude(csAcceptsControls);
  SetControlStyle(style);
  SetTabStop(true);
}

void TZCLMemo::AfterConstruction() {
  inherited::AfterConstruction();
  FInnerControl = CreateInnerMemo();
  GetInnerMemo()->SetScrollBars(ssNone);
  HookInnerControl(true);
}

void TZCLMemo::BeforeDestruction() {
  HookInnerControl(false);
  inherited::BeforeDestruction();
}

TZCLInnerMemo* TZCLMemo::CreateInnerMemo() { return Create<TZCLInnerMemo>(static_cast<TComponent*>(this)); }

void TZCLMemo::DeclareProperties(TClassDeclaration<TZCLMemo>& D) {
  D.Property(u"Borders", &TZCLMemo::GetBorders, &TZCLMemo::SetBorders).Default(bsSingle);
  D.Property(u"HideSelection", &TZCLMemo::GetHideSelection, &TZCLMemo::SetHideSelection).Default(true);
  D.Property(u"Lines", &TZCLMemo::GetLines, &TZCLMemo::SetLines);
  D.Property(u"MaxLength", &TZCLMemo::GetMaxLength, &TZCLMemo::SetMaxLength).Default(0);
  D.Property(u"ReadOnly", &TZCLMemo::GetReadOnly, &TZCLMemo::SetReadOnly).Default(false);
  D.Property(u"ScrollBars", &TZCLMemo::GetScrollBars, &TZCLMemo::SetScrollBars).Default(ssNone);
  D.Property(u"ResourceCollection", &TZCLMemo::GetResourceCollection, &TZCLMemo::SetResourceCollection);
  D.Property(u"Style", &TZCLMemo::GetStyle, &TZCLMemo::SetStyle);
  D.Property(u"StyleScrollBox", &TZCLMemo::GetStyleScrollBox, &TZCLMemo::SetStyleScrollBox);
  D.Event(u"OnChange", &TZCLMemo::OnChange);
}

void TZCLMemo::SetScrollBars(TScrollStyle Value) {
  if (GetScrollBars() == Value) return;
  GetInnerMemo()->SetScrollBars(Value);
  FullRefresh();
  Realign();
  AdjustSize();
}

void TZCLMemo::SetTextLimited(const String& Value) {
  try {
    GetLines()->SetText(Value);
  } catch (...) {
    GetLines()->SetText(Value.substr(0, 20000));
  }
}

void RegisterMemoClasses() {
  RegisterProperties<TZCLCustomMemoContainerStyle>();
  RegisterProperties<TZCLMemo>();
  RegisterClasses({TZCLCustomMemoContainerStyle::StaticClass(), TZCLMemo::StaticClass()});
}
