#pragma once
// The single-line text edit: caret and selection by mouse and keys, cut, copy and paste through
// the clipboard messages (WM_CUT, WM_COPY, WM_PASTE, WM_CLEAR, which a host may intercept),
// read-only, maximum length, password character, cue text and an edit mask. It draws no border of
// its own: the control that hosts it does. Positions count UTF-16 code units.

#include <vector>

#include "rtl/RTL.StringList.h"
#include "vcl/VCL.Forms.h"

// An edit mask "<mask>;<save literals>;<blank>": 0 a digit, 9 a digit or blank, L a letter,
// l a letter or blank, A a letter or digit, a the same or blank, C any character, c any or
// blank, # a digit, sign or blank, "\" makes the next character a literal; anything else is a
// literal kept in the text. "0000.00.00 00:00:00;1;_" is the date form's.
class TEditMask {
 public:
  TEditMask() = default;
  explicit TEditMask(const String& Text);
  bool IsEmpty() const { return FSlots.empty(); }
  Integer Length() const { return static_cast<Integer>(FSlots.size()); }
  bool IsLiteral(Integer Pos) const { return FSlots[static_cast<size_t>(Pos)].Literal != 0; }
  Char Literal(Integer Pos) const { return FSlots[static_cast<size_t>(Pos)].Literal; }
  bool Accepts(Integer Pos, Char C) const;
  bool GetSaveLiterals() const { return FSaveLiterals; }
  Char GetBlank() const { return FBlank; }
  // The text of an empty edit: literals in place, blanks elsewhere.
  String EmptyText() const;
  // Fills the editable places from Value: position by position when it is as long as the mask,
  // else from its characters in order (characters a place does not take are skipped).
  String Format(const String& Value) const;
  // The text callers see: with literals when they are saved, blanks as spaces.
  String Unformat(const String& EditText) const;
  // The next editable position at or after Pos (Length when none), the previous before Pos (-1).
  Integer NextEditable(Integer Pos) const;
  Integer PrevEditable(Integer Pos) const;

 private:
  struct TSlot {
    Char Kind = 0;     // the mask character of an editable place
    Char Literal = 0;  // a literal, 0 for an editable place
  };
  std::vector<TSlot> FSlots;
  bool FSaveLiterals = true;
  Char FBlank = u'_';
};

class TCustomEdit : public TCustomControl {
  ZCL_CLASS(TCustomEdit, TCustomControl)
  VCL_MESSAGES()
 public:
  explicit TCustomEdit(TComponent* AOwner);
  static void DeclareProperties(TClassDeclaration<TCustomEdit>& D);

  // With a mask, the text as Unformat gives it; setting it formats it into the mask.
  String GetText() const;
  void SetText(const String& Value);
  // What the edit shows (with a mask: literals and blanks).
  String GetEditText() const { return GetTextValue(); }

  Integer GetSelStart() const { return std::min(FAnchor, FCaret); }
  void SetSelStart(Integer Value);
  Integer GetSelLength() const { return std::abs(FCaret - FAnchor); }
  void SetSelLength(Integer Value);
  String GetSelText() const;
  // Replaces the selection as if typed (mask and MaxLength apply); ReadOnly does not stop it.
  void SetSelText(const String& Value);
  // The caret: the end of the selection that moves.
  Integer GetCaretPos() const { return FCaret; }
  void Select(Integer Anchor, Integer Caret);
  void SelectAll() { Select(0, TextLength()); }
  void ClearSelection();
  void CutToClipboard();
  void CopyToClipboard();
  void PasteFromClipboard();

  bool GetReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  // 0: no limit. Limits what the user types or pastes, not what code sets.
  Integer GetMaxLength() const { return FMaxLength; }
  void SetMaxLength(Integer Value);
  Char GetPasswordChar() const { return FPasswordChar; }
  void SetPasswordChar(Char Value);
  // Shown greyed while the edit is empty.
  const String& GetTextHint() const { return FTextHint; }
  void SetTextHint(const String& Value);
  const String& GetEditMask() const { return FEditMaskText; }
  void SetEditMask(const String& Value);
  const TEditMask& GetMask() const { return FMask; }
  // The character at a client x position (nearest boundary).
  Integer PosFromX(Integer X);
  Integer XFromPos(Integer Pos);

  TNotifyEvent OnChange;

 protected:
  virtual void Change();
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(Char& Key) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void DblClick() override;
  void Paint() override;
  void DoEnter() override;
  void DoExit() override;
  Integer TextLength() const { return static_cast<Integer>(GetTextValue().size()); }
  // The shown characters (password characters in place of the text).
  String DisplayText() const;

  void WMCut(TMessage& Message);
  void WMCopy(TMessage& Message);
  void WMPaste(TMessage& Message);
  void WMClear(TMessage& Message);
  void WMGetDlgCode(TMessage& Message);

  // Shared with the multi-line edit.
  void SetEditText(const String& Value, Integer Caret);
  void InsertText(const String& Value);
  void DeleteRange(Integer Start, Integer Count);
  void MoveCaret(Integer Pos, bool Extend);
  Integer WordStart(Integer Pos) const;
  Integer WordEnd(Integer Pos) const;
  virtual void ScrollToCaret();
  // The text position at a client point.
  virtual Integer PosFromPoint(Integer X, Integer Y);
  Integer GetAnchor() const { return FAnchor; }
  // Line breaks stay in inserted text (they are cut at the first one otherwise).
  bool FMultiLine = false;

 private:
  Integer FAnchor = 0;
  Integer FCaret = 0;
  Integer FScrollX = 0;
  bool FReadOnly = false;
  Integer FMaxLength = 0;
  Char FPasswordChar = 0;
  String FTextHint;
  String FEditMaskText;
  TEditMask FMask;
  bool FSelecting = false;
};

enum TScrollStyle : Byte { ssNone, ssHorizontal, ssVertical, ssBoth };
ZCL_ENUM(TScrollStyle, ssNone, ssHorizontal, ssVertical, ssBoth);

class TCustomMemo;

// The lines of a multi-line edit, read from and written to its text.
class TMemoStrings : public TStrings {
  ZCL_CLASS(TMemoStrings, TStrings)
 public:
  explicit TMemoStrings(TCustomMemo* AMemo) : FMemo(AMemo) {}
  Integer GetCount() const override;
  void Insert(Integer Index, const String& S) override;
  void Delete(Integer Index) override;
  void Clear() override;
  // The memo's text at once (raises as the memo does for a text beyond its capacity).
  void SetText(const String& Value) override;

 protected:
  String Get(Integer Index) const override;
  void Put(Integer Index, const String& S) override;

 private:
  void SetLines(const std::vector<String>& Lines);
  std::vector<String> GetLines() const;
  TCustomMemo* FMemo;
};

// The multi-line text edit: lines split at CR LF, LF or CR, no wrapping. Its scroll state lives
// in the window's scroll information (vertical in lines, horizontal in pixels), is driven by
// WM_VSCROLL and WM_HSCROLL, and is reported to the parent with EN_VSCROLL and EN_HSCROLL;
// text changes are reported with EN_CHANGE. It draws no border and no bars: a host shows them.
class TCustomMemo : public TCustomEdit {
  ZCL_CLASS(TCustomMemo, TCustomEdit)
  VCL_MESSAGES()
 public:
  explicit TCustomMemo(TComponent* AOwner);
  ~TCustomMemo() override;
  static void DeclareProperties(TClassDeclaration<TCustomMemo>& D);

  TStrings* GetLines() const { return FLines; }
  void SetLines(TStrings* Value) { FLines->Assign(Value); }
  // Raises EOutOfResources when longer than a positive MaxLength (code is held to it here, as
  // the platform's memo holds it).
  void SetText(const String& Value);
  TScrollStyle GetScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle Value);
  bool GetHideSelection() const { return FHideSelection; }
  void SetHideSelection(bool Value);
  // Column (X) and line (Y) of the caret.
  TPoint GetCaretPos() const;
  void SetCaretPos(const TPoint& Value);

  Integer GetLineCount() const { return static_cast<Integer>(FLineStarts.size()); }
  Integer GetLineStart(Integer Line) const { return FLineStarts[size_t(Line)]; }
  Integer GetLineEnd(Integer Line) const { return FLineEnds[size_t(Line)]; }
  Integer LineFromPos(Integer Pos) const;
  Integer GetLineHeight();
  // Lines that fit the client height (at least 1).
  Integer GetVisibleLines();
  Integer GetTopLine() const { return FTopLine; }
  Integer GetScrollX() const { return FScrollX; }

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void SetTextValue(const String& Value) override;
  void Change() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(Char& Key) override;
  void Paint() override;
  void Resize() override;
  void ScrollToCaret() override;
  Integer PosFromPoint(Integer X, Integer Y) override;
  bool DoMouseWheel(TShiftState Shift, Integer WheelDelta, TPoint MousePos) override;
  void WMGetDlgCode(TMessage& Message);
  void WMHScroll(TMessage& Message);
  void WMVScroll(TMessage& Message);

 private:
  void RebuildLines();
  // Pushes the range, page and position to the window's scroll information.
  void UpdateScrollInfo();
  void ScrollTo(Integer TopLine, Integer ScrollX);
  void Notify(WORD Code);
  Integer ColumnX(Integer Line, Integer Pos);
  Integer MaxLineWidth();

  TMemoStrings* FLines;
  std::vector<Integer> FLineStarts{0};
  std::vector<Integer> FLineEnds{0};
  Integer FTopLine = 0;
  Integer FScrollX = 0;
  Integer FMaxWidth = -1;  // cached widest line in pixels; -1 unknown
  TScrollStyle FScrollBars = ssNone;
  bool FHideSelection = true;
};

class TMemo : public TCustomMemo {
  ZCL_CLASS(TMemo, TCustomMemo)
 public:
  using TCustomMemo::TCustomMemo;
};

class TEdit : public TCustomEdit {
  ZCL_CLASS(TEdit, TCustomEdit)
 public:
  using TCustomEdit::TCustomEdit;
};

class TMaskEdit : public TCustomEdit {
  ZCL_CLASS(TMaskEdit, TCustomEdit)
 public:
  using TCustomEdit::TCustomEdit;
};

// A push button: clicking (mouse, Space, Enter while focused, or Enter/Escape through the form
// when Default/Cancel) sets the parent form's ModalResult to its own when that is not mrNone.
class TButton : public TCustomControl {
  ZCL_CLASS(TButton, TCustomControl)
  VCL_MESSAGES()
 public:
  explicit TButton(TComponent* AOwner);
  static void DeclareProperties(TClassDeclaration<TButton>& D);
  void Click() override;
  bool GetDefault() const { return FDefault; }
  void SetDefault(bool Value) { FDefault = Value; }
  bool GetCancel() const { return FCancel; }
  void SetCancel(bool Value) { FCancel = Value; }
  TModalResult GetModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult Value) { FModalResult = Value; }

 protected:
  void KeyDown(Word& Key, TShiftState Shift) override;
  void Paint() override;
  void CMDialogKey(TMessage& Message);

 private:
  bool FDefault = false;
  bool FCancel = false;
  TModalResult FModalResult = mrNone;
};

// A two-state check box: a click or Space toggles Checked; OnClick follows every change.
class TCheckBox : public TCustomControl {
  ZCL_CLASS(TCheckBox, TCustomControl)
 public:
  explicit TCheckBox(TComponent* AOwner);
  static void DeclareProperties(TClassDeclaration<TCheckBox>& D);
  bool GetChecked() const { return FChecked; }
  void SetChecked(bool Value);
  void Click() override;

 protected:
  void KeyDown(Word& Key, TShiftState Shift) override;
  void Paint() override;

 private:
  bool FChecked = false;
};

namespace detail {
void StdCtrlsInit();
}  // namespace detail
