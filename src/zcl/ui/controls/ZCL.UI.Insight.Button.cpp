#include "zcl/ui/controls/ZCL.UI.Insight.Button.h"

#include <memory>

#include "os/OS.Input.h"
#include "os/OS.Monitors.h"
#include "os/OS.Regions.h"
#include "os/OS.Text.h"
#include "os/OS.Timers.h"
#include "os/OS.Windows.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Format.h"
#include "rtl/RTL.Numbers.h"
#include "vcl/VCL.ActnList.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.Utils.Messaging.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/graphics/ZCL.Graphics.Render.Cairo.h"
#include "zcl/ui/ZCL.UI.Resources.Collection.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"
#include "zcl/ui/controls/ZCL.UI.Controls.ScrollBar.h"
#include "zcl/ui/controls/ZCL.UI.Menus.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.h"

Integer InsightPopupAlignment(Integer Left, Integer ParentWidth) {
  if (Left < ParentWidth / 4) return 0;
  if (Left > ParentWidth - ParentWidth / 4) return 1;
  return 2;
}

std::vector<TPoint> InsightPopupOutline(const TRect& R, const TPoint& C, Integer A, TRect& Padding) {
  if (C.X < R.Left + A || C.X > R.Right - A)
    return {{R.Left, R.Top}, {R.Right, R.Top}, {R.Right, R.Bottom}, {R.Left, R.Bottom}, {R.Left, R.Top}};
  if (C.Y < R.Top) {
    Padding.Top += A;
    return {{R.Left, R.Top + A},  {C.X - A, R.Top + A}, {C.X, R.Top},       {C.X + A, R.Top + A},
            {R.Right, R.Top + A}, {R.Right, R.Bottom},  {R.Left, R.Bottom}, {R.Left, R.Top + A}};
  }
  Padding.Bottom += A;
  return {{R.Left, R.Top}, {R.Right, R.Top},        {R.Right, R.Bottom - A}, {C.X + A, R.Bottom - A},
          {C.X, R.Bottom}, {C.X - A, R.Bottom - A}, {R.Left, R.Bottom - A},  {R.Left, R.Top}};
}

// ---- search box -----------------------------------------------------------------------------------

void TZCLUIInsightSearchBox::WndProc(TMessage& Message) {
  if (Message.Msg == CM_WANTSPECIALKEY && Message.WParam == VK_ESCAPE && GetText().empty()) {
    Message.Result = 0;
    return;
  }
  inherited::WndProc(Message);
}

// ---- popup ----------------------------------------------------------------------------------------

TZCLUIInsightSearchPopupWindow::TZCLUIInsightSearchPopupWindow(TComponent* AOwner)
    : TZCLPopupWindow(AOwner), FButton(static_cast<TZCLUIInsightButton*>(AOwner)) {}

TZCLUIInsightSearchPopupWindow::~TZCLUIInsightSearchPopupWindow() {
  delete FCandidates;
  delete FSmallFont;
}

void TZCLUIInsightSearchPopupWindow::AfterConstruction() {
  inherited::AfterConstruction();
  const Integer dpi = FButton->GetCurrentPPI();
  GetConstraints()->SetMinWidth(ScaleByDPI(600, dpi));
  SetBounds(GetLeft(), GetTop(), ScaleByDPI(600, dpi), ScaleByDPI(400, dpi));
  FSmallFont = new TFont();
  FCandidates = new TZCLUIInsightCandidates(true);
  FCandidates->SetCapacity(10240);

  FResults = Create<TZCLTreeList>(this);
  FResults->BeginUpdate();
  FResults->SetAlign(alClient);
  FResults->SetAlignWithMargins(true);
  FResults->GetColumns()->Add(u"");
  FResults->GetOptionsView()->GetColumns()->SetVisible(false);
  FResults->GetOptionsView()->GetNodes()->SetGridLines({});
  FResults->GetOptionsBehavior()->SetHotTrack(true);
  FResults->SetStyle(FButton->GetStyleSearchResults());
  FResults->SetStyleScrollBox(FButton->GetStyleSearchResultsScrollBox());
  FResults->GetSubClass()->OnCustomDrawNode =
      TZCLTreeListCustomDrawNodeEvent(this, &TZCLUIInsightSearchPopupWindow::DrawRow);
  FResults->OnKeyUp = TKeyEvent(this, &TZCLUIInsightSearchPopupWindow::ResultsKeyUp);
  FResults->OnMouseDown = TMouseEvent(this, &TZCLUIInsightSearchPopupWindow::ResultsMouseDown);
  FResults->OnMouseUp = TMouseEvent(this, &TZCLUIInsightSearchPopupWindow::ResultsMouseUp);
  FResults->SetParent(this);
  FResults->EndUpdate();

  FSearchBox = Create<TZCLUIInsightSearchBox>(this);
  FSearchBox->SetAlign(alTop);
  FSearchBox->SetAlignWithMargins(true);
  FSearchBox->SetStyle(FButton->GetStyleSearchEdit());
  FSearchBox->SetStyleButton(FButton->GetStyleSearchEditButton());
  FSearchBox->OnChange = TNotifyEvent(this, &TZCLUIInsightSearchPopupWindow::SearchChanged);
  FSearchBox->SetFocusControl(FResults);
  FSearchBox->SetParent(this);
  FSearchBox->SetText(FButton->GetLastQuery());
  Populate();
}

void TZCLUIInsightSearchPopupWindow::DoPopup() {
  inherited::DoPopup();
  // The skin's colours when it has them; the defaults otherwise.
  TZCLResource* resource = nullptr;
  if (TZCLRootResourceCollection::TryGetResource(u"Common.Colors.Background1", TZCLResourceColor::StaticClass(), this,
                                                 resource))
    SetColor(static_cast<TZCLResourceColor*>(resource)->GetAsColor());
  if (TZCLRootResourceCollection::TryGetResource(u"Common.Colors.Border3", TZCLResourceColor::StaticClass(), this,
                                                 resource))
    FBorderColor = static_cast<TZCLResourceColor*>(resource)->GetAsColor();
  FSmallFont->Assign(GetFont());
  FSmallFont->SetSize(GetFont()->GetSize() - 1);
  // Two lines a row: the text in the window's font, the path in the small one.
  TCanvas* canvas = MeasureCanvas();
  canvas->GetFont()->Assign(GetFont());
  Integer height = canvas->TextHeight(u"Qq");
  canvas->GetFont()->Assign(FSmallFont);
  height += canvas->TextHeight(u"Qq");
  FResults->GetOptionsView()->GetNodes()->SetHeight(MulDiv(height, 96, GetCurrentPPI()) + 6);
}

void TZCLUIInsightSearchPopupWindow::DrawRow(TObject*, TCanvas* Canvas, const TRect& R, TZCLTreeListNode* Node,
                                             bool& Handled) {
  Handled = true;
  auto* candidate = static_cast<TZCLUIInsightCandidate*>(Node->Data);
  if (!candidate) return;
  TRect r = R;
  const Integer d = ScaleByDPI(2, GetCurrentPPI());
  r.Inflate(-d, -d);
  TZCLStyleTreeList* style = FResults->GetStyle();
  Canvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
  Canvas->GetFont()->Assign(GetFont());
  Canvas->GetFont()->SetColor(style->GetTextColor(true));
  TRect text = r;
  CanvasDrawText(Canvas, text, candidate->Text, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
  Canvas->GetFont()->Assign(FSmallFont);
  Canvas->GetFont()->SetColor(style->GetTextColor(Node->GetSelected() || Node == FResults->GetFocusedNode()));
  TRect path = r;
  CanvasDrawText(Canvas, path, candidate->Path, DT_LEFT | DT_BOTTOM | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
}

void TZCLUIInsightSearchPopupWindow::Resize() {
  inherited::Resize();
  UpdateShape();
}

void TZCLUIInsightSearchPopupWindow::UpdateShape() {
  if (!HandleAllocated()) return;
  const Integer dpi = GetCurrentPPI();
  const TRect r = GetClientRect();
  const TPoint buttonCentre =
      ScreenToClient(FButton->ClientToScreen(TPoint(FButton->GetWidth() / 2, FButton->GetHeight() / 2)));
  const Integer pad = ScaleByDPI(5, dpi);
  TRect padding(pad, pad, pad, pad);
  FOutline = InsightPopupOutline(r, buttonCentre, ScaleByDPI(8, dpi), padding);
  SetWindowRgn(GetHandle(), CreatePolygonRgn(FOutline.data(), Integer(FOutline.size()), WINDING), 1);
  if (padding != FPadding) {
    FPadding = padding;
    Realign();
  }
}

void TZCLUIInsightSearchPopupWindow::PaintWindow(HDC DC) {
  // Sized and placed before its window existed, the popup takes its shape when it first shows.
  if (FOutline.empty()) UpdateShape();
  inherited::PaintWindow(DC);
  TZCLCairoPaintCanvas* render = SharedPaintRender();
  render->BeginPaint(DC, GetClientRect());
  render->FillRectangle(GetClientRect(), TAlphaColorHelper::FromColor(GetColor()));
  if (!FOutline.empty())
    render->DrawPolygon(FOutline.data(), Integer(FOutline.size()) - 1, TAlphaColorHelper::FromColor(FBorderColor), 2,
                        ssSolid);
  render->EndPaint();
}

void TZCLUIInsightSearchPopupWindow::AdjustClientRect(TRect& Rect) {
  inherited::AdjustClientRect(Rect);
  Rect.Inflate(-FPadding.Left, -FPadding.Top, -FPadding.Right, -FPadding.Bottom);
}

void TZCLUIInsightSearchPopupWindow::Populate() {
  FButton->BuildSearchQueue(FCandidates);
  UpdateResults();
}

void TZCLUIInsightSearchPopupWindow::UpdateResults() {
  FResults->BeginUpdate();
  try {
    FResults->GetRootNode()->DeleteChildren();
    const String query = FSearchBox->GetText();
    FButton->SetLastQuery(query);
    TZCLSearchString mask(query, true);
    if (!mask.GetIsEmpty()) {
      for (Integer i = 0; i < FCandidates->GetCount(); ++i) {
        TZCLUIInsightCandidate* candidate = (*FCandidates)[i];
        if (!mask.Compare(candidate->Text)) continue;
        TZCLTreeListNode* node = FResults->GetRootNode()->AddChild({candidate->Text, candidate->Path});
        node->Data = candidate;
      }
    }
  } catch (...) {
    FResults->EndUpdate();
    throw;
  }
  FResults->EndUpdate();
}

void TZCLUIInsightSearchPopupWindow::SelectResult(TZCLTreeListNode* Node) {
  if (!Node || !Node->Data) return;
  auto* candidate = static_cast<TZCLUIInsightCandidate*>(Node->Data);
  // The popup and its list go when it closes: the button gets a copy of its own.
  TZCLUIInsightCandidate* copy = candidate->Clone();
  if (!PostMessage(FButton->GetHandle(), WM_USER, 0, reinterpret_cast<LPARAM>(copy))) Free(copy);
}

void TZCLUIInsightSearchPopupWindow::ResultsKeyUp(TObject*, Word& Key, TShiftState) {
  if (Key != VK_RETURN) return;
  SelectResult(FResults->GetFocusedNode());
  ClosePopup();
}

void TZCLUIInsightSearchPopupWindow::ResultsMouseDown(TObject*, TMouseButton, TShiftState, Integer X, Integer Y) {
  FPressedObject = FResults->ObjectAtPos(X, Y);
}

void TZCLUIInsightSearchPopupWindow::ResultsMouseUp(TObject*, TMouseButton, TShiftState, Integer X, Integer Y) {
  TObject* object = FResults->ObjectAtPos(X, Y);
  if (object && object == FPressedObject)
    if (auto* node = dynamic_cast<TZCLTreeListNode*>(object)) SelectResult(node);
  FPressedObject = nullptr;
  ClosePopup();
}

// ---- highlight ------------------------------------------------------------------------------------

TZCLUIInsightHighlightWindow::TZCLUIInsightHighlightWindow(TComponent* AOwner) : TZCLPopupWindow(AOwner) {
  SetColor(TColor(255));
  SetAlphaBlend(true);
}

void TZCLUIInsightHighlightWindow::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  Params.ExStyle |= WS_EX_TOPMOST;
  Params.WindowClass.style &= ~CS_DROPSHADOW;
}

void TZCLUIInsightHighlightWindow::DoPopup() {
  inherited::DoPopup();
  FStartTick = GetTickCount64();
  SetAlphaBlendValue(40);
  SetTimer(GetHandle(), TimerID, GetCaretBlinkTime(), nullptr);
}

void TZCLUIInsightHighlightWindow::DoPopupClosed() {
  inherited::DoPopupClosed();
  if (HandleAllocated()) KillTimer(GetHandle(), TimerID);
  // Freed later: it may be closing from inside its own message handling.
  TZCLMainThread::QueueProc([this] { Free(this); }, this);
}

void TZCLUIInsightHighlightWindow::WndProc(TMessage& Message) {
  if (Message.Msg == WM_TIMER && Message.WParam == TimerID) {
    SetTag(GetTag() == 0 ? 1 : 0);
    SetAlphaBlendValue(Byte(MulDiv(Integer(GetTag()) + 1, 40, 2)));
    return;
  }
  if (Message.Msg == WM_MOUSEMOVE && GetTickCount64() - FStartTick >= 1000) {
    ClosePopup();
    return;
  }
  inherited::WndProc(Message);
}

// ---- button ---------------------------------------------------------------------------------------

TZCLUIInsightButton::TZCLUIInsightButton(TComponent* AOwner)
    : TZCLCustomDropDown(AOwner),
      FStyleSearchEdit(Create<TZCLStyleEdit>(static_cast<TObject*>(this))),
      FStyleSearchEditButton(Create<TZCLSearchEditStyleButton>(static_cast<TObject*>(this))),
      FStyleSearchResults(Create<TZCLStyleTreeList>(static_cast<TObject*>(this))),
      FStyleSearchResultsScrollBox(Create<TZCLStyleScrollBox>(static_cast<TObject*>(this))) {
  const TComponentState state = AOwner ? AOwner->GetComponentState() : TComponentState();
  if (state.Contains(csDesigning) && !state.Contains(csLoading) && !state.Contains(csReading))
    SetCaption(u"\U0001F4A1");
}

TZCLUIInsightButton::~TZCLUIInsightButton() {
  Free(FStyleSearchResultsScrollBox);
  Free(FStyleSearchResults);
  Free(FStyleSearchEditButton);
  Free(FStyleSearchEdit);
}

void TZCLUIInsightButton::DeclareProperties(TClassDeclaration<TZCLUIInsightButton>& D) {
  using C = TZCLUIInsightButton;
  D.Property(u"Caption", &TControl::GetCaption, &TControl::SetCaption);
  D.Property(u"ShortCut", &C::GetShortCut, &C::SetShortCut).Default(0);
  D.Property(u"StyleSearchEdit", &C::GetStyleSearchEdit, &C::SetStyleSearchEdit);
  D.Property(u"StyleSearchEditButton", &C::GetStyleSearchEditButton, &C::SetStyleSearchEditButton);
  D.Property(u"StyleSearchResults", &C::GetStyleSearchResults, &C::SetStyleSearchResults);
  D.Property(u"StyleSearchResultsScrollBox", &C::GetStyleSearchResultsScrollBox, &C::SetStyleSearchResultsScrollBox);
  D.Event(u"OnSearchQuery", &TZCLUIInsightButton::OnSearchQuery);
}

void TZCLUIInsightButton::SetStyleSearchEdit(TZCLStyleEdit* Value) { FStyleSearchEdit->Assign(Value); }

void TZCLUIInsightButton::SetStyleSearchEditButton(TZCLStyleEditButton* Value) {
  FStyleSearchEditButton->Assign(Value);
}

void TZCLUIInsightButton::SetStyleSearchResults(TZCLStyleTreeList* Value) { FStyleSearchResults->Assign(Value); }

void TZCLUIInsightButton::SetStyleSearchResultsScrollBox(TZCLStyleScrollBox* Value) {
  FStyleSearchResultsScrollBox->Assign(Value);
}

void TZCLUIInsightButton::SetTargetDPI(Integer Value) {
  inherited::SetTargetDPI(Value);
  FStyleSearchEdit->SetTargetDPI(Value);
  FStyleSearchEditButton->SetTargetDPI(Value);
  FStyleSearchResults->SetTargetDPI(Value);
  FStyleSearchResultsScrollBox->SetTargetDPI(Value);
}

void TZCLUIInsightButton::BuildSearchQueue(TZCLUIInsightCandidates* Candidates) {
  TZCLUIInsightSearchQueueBuilder builder(Candidates);
  if (OnSearchQuery)
    OnSearchQuery(this, &builder);
  else
    builder.AddChildren(GetParentForm(this));
}

void TZCLUIInsightButton::SelectCandidate(TZCLUIInsightCandidate* Candidate) {
  std::unique_ptr<TZCLUIInsightCandidate, void (*)(TZCLUIInsightCandidate*)> owned(
      Candidate, [](TZCLUIInsightCandidate* C) { Free(C); });
  if (Candidate->Controls.empty()) return;
  TObject* target = Candidate->Controls.back();
  for (TObject* object : Candidate->Controls) {
    const TZCLUIInsightAdapter* adapter;
    if (!TZCLUIInsight::GetAdapter(object, adapter))
      throw EInvalidOperation(Format(u"Adapter was not found for \"%s\"", {object->ClassName()}));
    if (!adapter->MakeVisible(object)) {
      target = object;
      break;
    }
  }
  const TZCLUIInsightAdapter* adapter;
  if (!TZCLUIInsight::GetAdapter(target, adapter)) return;
  TRect bounds;
  if (!adapter->GetBounds(target, bounds))
    throw EInvalidOperation(Format(u"Cannot find the \"%s\" object on screen", {target->ClassName()}));
  FHighlight = TCustomForm::CreateNew<TZCLUIInsightHighlightWindow>(this);
  FHighlight->FreeNotification(this);
  FHighlight->PopupAt(bounds);
}

void TZCLUIInsightButton::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FHighlight) FHighlight = nullptr;
}

void TZCLUIInsightButton::SetShortCut(TShortCut Value) {
  if (Value == FShortCut) return;
  FShortCut = Value;
  Free(FAction);
  Free(FActions);
  FActions = nullptr;
  FAction = nullptr;
  if (Value == 0) return;
  FActions = Create<TActionList>(this);
  FAction = Create<TAction>(this);
  FAction->SetActionList(FActions);
  FAction->SetShortCut(Value);
  FAction->SetOnExecute(TNotifyEvent(this, &TZCLUIInsightButton::ShortCutExecute));
}

void TZCLUIInsightButton::ShortCutExecute(TObject*) {
  if (!CanFocus()) return;
  SetFocus();
  SetDroppedDown(true);
}

void TZCLUIInsightButton::DoGetHint(const TPoint& Point, String& Hint) {
  inherited::DoGetHint(Point, Hint);
  if (FShortCut) Hint = MenuTextWithShortCut(Hint, FShortCut);
}

TZCLPopupWindow* TZCLUIInsightButton::CreateDropDownWindow() {
  if (GetComponentState().Contains(csDesigning)) return nullptr;
  return TCustomForm::CreateNew<TZCLUIInsightSearchPopupWindow>(this);
}

void TZCLUIInsightButton::ShowDropDownWindow() {
  const Integer dpi = GetCurrentPPI();
  const Integer parentWidth = GetParent() ? GetParent()->GetClientWidth() : GetWidth();
  TRect r(ClientToScreen(TPoint(0, 0)), GetWidth(), GetHeight());
  r.Inflate(ScaleByDPI(8, dpi) / 2, ScaleByDPI(2, dpi));
  GetDropDown()->PopupUnderControl(r, InsightPopupAlignment(GetLeft(), parentWidth));
}

void TZCLUIInsightButton::WndProc(TMessage& Message) {
  if (Message.Msg == WM_USER) {
    SelectCandidate(reinterpret_cast<TZCLUIInsightCandidate*>(Message.LParam));
    return;
  }
  inherited::WndProc(Message);
}

void RegisterInsightButtonClasses() {
  RegisterProperties<TZCLUIInsightButton>();
  RegisterClasses({TZCLUIInsightButton::StaticClass()});
}
