#pragma once
// The dialog search: a drop-down button whose popup is a search box over a list of every control
// of the form whose caption or hint holds the typed words, with the path of its groups. Choosing
// a result brings the control into view and flashes a red marker over it.

#include <vector>

#include "vcl/VCL.Menus.h"
#include "zcl/ui/ZCL.UI.PopupWindow.h"
#include "zcl/ui/controls/ZCL.UI.Edit.DropDown.h"
#include "zcl/ui/controls/ZCL.UI.Insight.h"

class TAction;
class TActionList;
class TFont;
class TZCLTreeList;
class TZCLTreeListNode;
class TZCLUIInsightButton;
class TZCLStyleEdit;
class TZCLStyleEditButton;
class TZCLStyleScrollBox;
class TZCLStyleTreeList;

using TZCLUIInsightButtonSearchQueryEvent = TDelegate<void(TObject* Sender, TZCLUIInsightSearchQueueBuilder* Sources)>;

// Escape belongs to the box only while it holds text: the first Escape clears, the next closes.
class TZCLUIInsightSearchBox : public TZCLSearchEdit {
  ZCL_CLASS(TZCLUIInsightSearchBox, TZCLSearchEdit)
 public:
  using TZCLSearchEdit::TZCLSearchEdit;

 protected:
  void WndProc(TMessage& Message) override;
};

class TZCLUIInsightSearchPopupWindow : public TZCLPopupWindow {
  ZCL_CLASS(TZCLUIInsightSearchPopupWindow, TZCLPopupWindow)
 public:
  // AOwner is the button.
  explicit TZCLUIInsightSearchPopupWindow(TComponent* AOwner);
  ~TZCLUIInsightSearchPopupWindow() override;
  void AfterConstruction() override;

  virtual void Populate();
  // Posts the chosen row's candidate (a clone) to the button.
  virtual void SelectResult(TZCLTreeListNode* Node);
  // Lists the candidates holding every word of the search box, in the order they were found.
  void UpdateResults();

  TZCLUIInsightCandidates* GetCandidates() const { return FCandidates; }
  TZCLUIInsightSearchBox* GetSearchBox() const { return FSearchBox; }
  TZCLTreeList* GetResults() const { return FResults; }
  TColor GetBorderColor() const { return FBorderColor; }

 private:
  void SearchChanged(TObject*) { UpdateResults(); }
  // The outline pointing at the button, the window region and the padding, for the current size.
  void UpdateShape();
  void DrawRow(TObject* Sender, TCanvas* Canvas, const TRect& R, TZCLTreeListNode* Node, bool& Handled);
  void ResultsKeyUp(TObject* Sender, Word& Key, TShiftState Shift);
  void ResultsMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  void ResultsMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, Integer X, Integer Y);

  TZCLUIInsightButton* FButton;
  TZCLUIInsightCandidates* FCandidates = nullptr;
  TZCLUIInsightSearchBox* FSearchBox = nullptr;
  TZCLTreeList* FResults = nullptr;
  TObject* FPressedObject = nullptr;
  TFont* FSmallFont = nullptr;
  TColor FBorderColor = clGray;
  std::vector<TPoint> FOutline;
  TRect FPadding;

 protected:
  void DoPopup() override;
  void PaintWindow(HDC DC) override;
  void Resize() override;
  void AdjustClientRect(TRect& Rect) override;
};

// A translucent red rectangle that blinks at the caret rate and goes once the mouse moves over
// it a second after it appeared.
class TZCLUIInsightHighlightWindow : public TZCLPopupWindow {
  ZCL_CLASS(TZCLUIInsightHighlightWindow, TZCLPopupWindow)
 public:
  static constexpr UINT_PTR TimerID = 42;
  explicit TZCLUIInsightHighlightWindow(TComponent* AOwner);

 protected:
  void CreateParams(TCreateParams& Params) override;
  void DoPopup() override;
  void DoPopupClosed() override;
  void WndProc(TMessage& Message) override;

 private:
  UInt64 FStartTick = 0;
};

class TZCLUIInsightButton : public TZCLCustomDropDown {
  ZCL_CLASS(TZCLUIInsightButton, TZCLCustomDropDown)
 public:
  explicit TZCLUIInsightButton(TComponent* AOwner);
  ~TZCLUIInsightButton() override;
  static void DeclareProperties(TClassDeclaration<TZCLUIInsightButton>& D);

  // Fills the list through OnSearchQuery, else with everything on the button's form.
  virtual void BuildSearchQueue(TZCLUIInsightCandidates* Candidates);
  // Brings the candidate's control into view and marks it; raises EInvalidOperation when an
  // object has no adapter or the target is not on screen.
  virtual void SelectCandidate(TZCLUIInsightCandidate* Candidate);

  const String& GetLastQuery() const { return FLastQuery; }
  void SetLastQuery(const String& Value) { FLastQuery = Value; }
  TZCLUIInsightHighlightWindow* GetHighlight() const { return FHighlight; }
  TShortCut GetShortCut() const { return FShortCut; }
  // The shortcut opens the search from anywhere in the form, through an action of the button.
  void SetShortCut(TShortCut Value);
  TAction* GetShortCutAction() const { return FAction; }
  // The styles the popup's search box and result list take when it opens.
  TZCLStyleEdit* GetStyleSearchEdit() const { return FStyleSearchEdit; }
  void SetStyleSearchEdit(TZCLStyleEdit* Value);
  TZCLStyleEditButton* GetStyleSearchEditButton() const { return FStyleSearchEditButton; }
  void SetStyleSearchEditButton(TZCLStyleEditButton* Value);
  TZCLStyleTreeList* GetStyleSearchResults() const { return FStyleSearchResults; }
  void SetStyleSearchResults(TZCLStyleTreeList* Value);
  TZCLStyleScrollBox* GetStyleSearchResultsScrollBox() const { return FStyleSearchResultsScrollBox; }
  void SetStyleSearchResultsScrollBox(TZCLStyleScrollBox* Value);

  TZCLUIInsightButtonSearchQueryEvent OnSearchQuery;

 protected:
  TZCLPopupWindow* CreateDropDownWindow() override;
  void ShowDropDownWindow() override;
  void WndProc(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void DoGetHint(const TPoint& Point, String& Hint) override;
  void SetTargetDPI(Integer Value) override;

 private:
  void ShortCutExecute(TObject* Sender);
  TZCLStyleEdit* FStyleSearchEdit;
  TZCLStyleEditButton* FStyleSearchEditButton;
  TZCLStyleTreeList* FStyleSearchResults;
  TZCLStyleScrollBox* FStyleSearchResultsScrollBox;
  String FLastQuery;
  TShortCut FShortCut = 0;
  TActionList* FActions = nullptr;
  TAction* FAction = nullptr;
  TZCLUIInsightHighlightWindow* FHighlight = nullptr;
};

// The popup's outline for its client rectangle R and the button's centre C (popup coordinates),
// with a pointer of size A towards the button when C lies over the popup's width; Padding grows
// by A on the pointer's side.
std::vector<TPoint> InsightPopupOutline(const TRect& R, const TPoint& C, Integer A, TRect& Padding);

// How the popup lines up with a button at Left in a parent ParentWidth wide: 0 left-aligned
// (left quarter), 1 right-aligned (right quarter), 2 centred.
Integer InsightPopupAlignment(Integer Left, Integer ParentWidth);

void RegisterInsightButtonClasses();
