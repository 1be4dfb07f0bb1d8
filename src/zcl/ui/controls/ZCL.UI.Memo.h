#pragma once
// The memo: a platform multi-line edit hosted in a scrolling control. The inner memo keeps text,
// caret and scrolling but shows no border and no bars of its own; the container draws the edit
// frame and shows its skinned bars, which mirror the inner memo's scroll state and drive it.

#include "zcl/ui/controls/ZCL.UI.ScrollBox.h"

class TZCLCustomMemoContainerStyle : public TZCLScrollBoxStyle {
  ZCL_CLASS(TZCLCustomMemoContainerStyle, TZCLScrollBoxStyle)
 public:
  using TZCLScrollBoxStyle::TZCLScrollBoxStyle;
  // The owner's edit border (focused colour while it has the focus), and one pixel inside it a
  // frame in the edit's content colour.
  void DrawBorder(TCanvas* Canvas, const TRect& R, TZCLBorders Borders) override;
};

class TZCLCustomMemoContainer : public TZCLCustomScrollingControl {
  ZCL_CLASS(TZCLCustomMemoContainer, TZCLCustomScrollingControl)
 public:
  explicit TZCLCustomMemoContainer(TComponent* AOwner);
  ~TZCLCustomMemoContainer() override;
  void AfterConstruction() override;

  // The edit style (frame, background, text).
  TZCLStyleEdit* GetStyle() const { return FStyle; }
  void SetStyle(TZCLStyleEdit* Value) { FStyle->Assign(Value); }
  TZCLScrollBoxStyle* GetStyleScrollBox() const { return TZCLCustomScrollingControl::GetStyle(); }
  void SetStyleScrollBox(TZCLScrollBoxStyle* Value) { TZCLCustomScrollingControl::SetStyle(Value); }
  virtual TScrollStyle GetScrollBars() const = 0;
  virtual void SetScrollBars(TScrollStyle Value) = 0;
  // The skinned bars take the inner memo's scroll state.
  void SyncScrollBars();

 protected:
  TZCLScrollBoxStyle* CreateStyle() override;
  void AlignScrollBars(const TRect& R) override;
  void Scroll(TObject* Sender, TScrollCode Code, Integer& Position) override;
  void ScrollContent(Integer, Integer) override {}
  void UpdateInnerControlBounds() override;
  void UpdateInnerControl() override;
  void InnerWndProc(TMessage& Message) override;
  void FocusChanged() override;
  void SetTargetDPI(Integer Value) override;

  bool FSyncLock = false;

 private:
  TZCLStyleEdit* FStyle = nullptr;
};

// The platform memo as the memo hosts it: no border, no double buffering.
class TZCLInnerMemo : public TMemo {
  ZCL_CLASS(TZCLInnerMemo, TMemo)
 public:
  explicit TZCLInnerMemo(TComponent* AOwner);
};

class TZCLMemo : public TZCLCustomMemoContainer {
  ZCL_CLASS(TZCLMemo, TZCLCustomMemoContainer)
 public:
  explicit TZCLMemo(TComponent* AOwner);
  void AfterConstruction() override;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TZCLMemo>& D);

  TZCLInnerMemo* GetInnerMemo() const { return static_cast<TZCLInnerMemo*>(FInnerControl); }
  TStrings* GetLines() const { return GetInnerMemo()->GetLines(); }
  void SetLines(TStrings* Value) { GetInnerMemo()->SetLines(Value); }
  bool GetHideSelection() const { return GetInnerMemo()->GetHideSelection(); }
  void SetHideSelection(bool Value) { GetInnerMemo()->SetHideSelection(Value); }
  Integer GetMaxLength() const { return GetInnerMemo()->GetMaxLength(); }
  void SetMaxLength(Integer Value) { GetInnerMemo()->SetMaxLength(Value); }
  bool GetReadOnly() const { return GetInnerMemo()->GetReadOnly(); }
  void SetReadOnly(bool Value) { GetInnerMemo()->SetReadOnly(Value); }
  TScrollStyle GetScrollBars() const override { return GetInnerMemo()->GetScrollBars(); }
  void SetScrollBars(TScrollStyle Value) override;
  TPoint GetCaretPos() const { return GetInnerMemo()->GetCaretPos(); }
  void SetCaretPos(const TPoint& Value) { GetInnerMemo()->SetCaretPos(Value); }
  String GetText() const { return GetInnerMemo()->GetText(); }
  void SetText(const String& Value) { GetLines()->SetText(Value); }
  // Sets the text; a text the inner memo refuses is shown cut to its first 20000 characters.
  void SetTextLimited(const String& Value);

 protected:
  virtual TZCLInnerMemo* CreateInnerMemo();
};

void RegisterMemoClasses();
