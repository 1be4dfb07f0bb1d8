#include "vcl/VCL.StdCtrls.h"

#include <algorithm>
#include <cstdlib>

#include "os/OS.Input.h"
#include "os/OS.ScrollBars.h"
#include "rtl/RTL.TypInfo.h"
#include "vcl/VCL.Clipbrd.h"
#include "vcl/VCL.ExtCtrls.h"
#include "vcl/VCL.Messages.h"

namespace {
bool IsDigit(Char C) { return C >= u'0' && C <= u'9'; }
bool IsLetter(Char C) { return (C >= u'a' && C <= u'z') || (C >= u'A' && C <= u'Z') || C >= 0xC0; }
bool IsWordChar(Char C) { return IsDigit(C) || IsLetter(C) || C == u'_'; }
}  // namespace

// ---- TEditMask ----------------------------------------------------------------------------------

TEditMask::TEditMask(const String& Text) {
  // The mask ends at the last two ";"-separated fields, when present.
  String mask = Text;
  const size_t last = mask.rfind(u';');
  if (last != String::npos && last > 0 && last + 2 == mask.size()) {
    FBlank = mask[last + 1];
    mask.resize(last);
    const size_t second = mask.rfind(u';');
    if (second != String::npos && second + 2 == mask.size()) {
      FSaveLiterals = mask[second + 1] != u'0';
      mask.resize(second);
    }
  }
  for (size_t i = 0; i < mask.size(); ++i) {
    TSlot slot;
    const Char c = mask[i];
    if (c == u'\\' && i + 1 < mask.size()) {
      slot.Literal = mask[++i];
    } else if (String(u"09LlAaCc#").find(c) != String::npos) {
      slot.Kind = c;
    } else {
      slot.Literal = c;
    }
    FSlots.push_back(slot);
  }
}

bool TEditMask::Accepts(Integer Pos, Char C) const {
  if (Pos < 0 || Pos >= Length() || IsLiteral(Pos)) return false;
  switch (FSlots[static_cast<size_t>(Pos)].Kind) {
    case u'0':
    case u'9':
      return IsDigit(C);
    case u'#':
      return IsDigit(C) || C == u'+' || C == u'-';
    case u'L':
    case u'l':
      return IsLetter(C);
    case u'A':
    case u'a':
      return IsLetter(C) || IsDigit(C);
    default:
      return C >= 32;
  }
}

String TEditMask::EmptyText() const {
  String out;
  for (const TSlot& s : FSlots) out += s.Literal ? s.Literal : FBlank;
  return out;
}

String TEditMask::Format(const String& Value) const {
  String out = EmptyText();
  if (static_cast<Integer>(Value.size()) == Length()) {
    for (Integer i = 0; i < Length(); ++i)
      if (!IsLiteral(i) && Accepts(i, Value[static_cast<size_t>(i)])) out[static_cast<size_t>(i)] = Value[static_cast<size_t>(i)];
    return out;
  }
  Integer pos = NextEditable(0);
  for (Char c : Value) {
    if (pos >= Length()) break;
    if (Accepts(pos, c)) {
      out[static_cast<size_t>(pos)] = c;
      pos = NextEditable(pos + 1);
    }
  }
  return out;
}

String TEditMask::Unformat(const String& EditText) const {
  String out;
  for (Integer i = 0; i < Length() && i < static_cast<Integer>(EditText.size()); ++i) {
    const Char c = EditText[static_cast<size_t>(i)];
    if (IsLiteral(i)) {
      if (FSaveLiterals) out += c;
    } else {
      out += c == FBlank ? u' ' : c;
    }
  }
  return out;
}

Integer TEditMask::NextEditable(Integer Pos) const {
  while (Pos < Length() && IsLiteral(Pos)) ++Pos;
  return std::min(Pos, Length());
}

Integer TEditMask::PrevEditable(Integer Pos) const {
  --Pos;
  while (Pos >= 0 && IsLiteral(Pos)) --Pos;
  return Pos;
}

namespace {
// The plain controls' paint start: the client area in the control's colour, its font selected.
void FillBackground(TCanvas* Canvas, const TRect& Client, TColor Color, TFont* Font) {
  Canvas->GetBrush()->SetColor(Color);
  Canvas->GetBrush()->SetStyle(TBrushStyle::bsSolid);
  Canvas->FillRect(Client);
  if (Font) Canvas->GetFont()->Assign(Font);
}
}  // namespace

// ---- TCustomEdit --------------------------------------------------------------------------------

TCustomEdit::TCustomEdit(TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle(TControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks});
  SetTabStop(true);
  SetBounds(GetLeft(), GetTop(), 121, 21);
  SetCursor(crIBeam);
}

const TMessageTable& TCustomEdit::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(), {
                                                                   VCL_MESSAGE(WM_CUT, &TCustomEdit::WMCut),
                                                                   VCL_MESSAGE(WM_COPY, &TCustomEdit::WMCopy),
                                                                   VCL_MESSAGE(WM_PASTE, &TCustomEdit::WMPaste),
                                                                   VCL_MESSAGE(WM_CLEAR, &TCustomEdit::WMClear),
                                                                   VCL_MESSAGE(WM_GETDLGCODE, &TCustomEdit::WMGetDlgCode),
                                                               });
  return table;
}

void TCustomEdit::DeclareProperties(TClassDeclaration<TCustomEdit>& D) {
  D.Property(u"EditMask", &TCustomEdit::GetEditMask, &TCustomEdit::SetEditMask);
  D.Property(u"MaxLength", &TCustomEdit::GetMaxLength, &TCustomEdit::SetMaxLength).Default(0);
  D.Property(u"ReadOnly", &TCustomEdit::GetReadOnly, &TCustomEdit::SetReadOnly).Default(false);
  D.Property(u"Text", &TCustomEdit::GetText, &TCustomEdit::SetText);
  D.Property(u"TextHint", &TCustomEdit::GetTextHint, &TCustomEdit::SetTextHint);
  D.Event(u"OnChange", &TCustomEdit::OnChange);
}

String TCustomEdit::GetText() const {
  return FMask.IsEmpty() ? GetTextValue() : FMask.Unformat(GetTextValue());
}

void TCustomEdit::SetText(const String& Value) {
  SetEditText(FMask.IsEmpty() ? Value : FMask.Format(Value), FMask.IsEmpty() ? static_cast<Integer>(Value.size()) : 0);
}

void TCustomEdit::SetEditText(const String& Value, Integer Caret) {
  const bool changed = Value != GetTextValue();
  if (changed) SetTextValue(Value);
  Caret = std::clamp(Caret, 0, TextLength());
  FAnchor = FCaret = Caret;
  ScrollToCaret();
  Invalidate();
  if (changed) Change();
}

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

void TCustomEdit::SetReadOnly(bool Value) { FReadOnly = Value; }

void TCustomEdit::SetMaxLength(Integer Value) { FMaxLength = std::max(0, Value); }

void TCustomEdit::SetPasswordChar(Char Value) {
  if (Value == FPasswordChar) return;
  FPasswordChar = Value;
  Invalidate();
}

void TCustomEdit::SetTextHint(const String& Value) {
  if (Value == FTextHint) return;
  FTextHint = Value;
  Invalidate();
}

void TCustomEdit::SetEditMask(const String& Value) {
  if (Value == FEditMaskText) return;
  const String text = GetText();
  FEditMaskText = Value;
  FMask = TEditMask(Value);
  SetEditText(FMask.IsEmpty() ? text : FMask.Format(text), 0);
}

void TCustomEdit::Select(Integer Anchor, Integer Caret) {
  FAnchor = std::clamp(Anchor, 0, TextLength());
  FCaret = std::clamp(Caret, 0, TextLength());
  ScrollToCaret();
  Invalidate();
}

void TCustomEdit::SetSelStart(Integer Value) { Select(Value, Value); }

void TCustomEdit::SetSelLength(Integer Value) {
  const Integer start = GetSelStart();
  Select(start, start + std::max(0, Value));
}

String TCustomEdit::GetSelText() const { return GetTextValue().substr(size_t(GetSelStart()), size_t(GetSelLength())); }

void TCustomEdit::SetSelText(const String& Value) { InsertText(Value); }

void TCustomEdit::DeleteRange(Integer Start, Integer Count) {
  String text = GetTextValue();
  if (FMask.IsEmpty()) {
    text.erase(size_t(Start), size_t(Count));
  } else {
    // Masked places become blank again; literals stay.
    for (Integer i = Start; i < Start + Count; ++i)
      if (!FMask.IsLiteral(i)) text[size_t(i)] = FMask.GetBlank();
  }
  SetEditText(text, Start);
}

void TCustomEdit::ClearSelection() {
  if (GetSelLength() > 0) DeleteRange(GetSelStart(), GetSelLength());
}

void TCustomEdit::InsertText(const String& Value) {
  String text = GetTextValue();
  Integer start = GetSelStart();
  const Integer length = GetSelLength();
  if (FMask.IsEmpty()) {
    String insert = Value;
    // One line only: the text stops at a line break.
    const size_t brk = FMultiLine ? String::npos : insert.find_first_of(u"\r\n");
    if (brk != String::npos) insert.resize(brk);
    if (FMaxLength > 0) {
      const Integer room = FMaxLength - (TextLength() - length);
      if (room <= 0 && length == 0) return;
      if (static_cast<Integer>(insert.size()) > room) insert.resize(size_t(std::max(0, room)));
    }
    text.replace(size_t(start), size_t(length), insert);
    SetEditText(text, start + static_cast<Integer>(insert.size()));
    return;
  }
  for (Integer i = start; i < start + length; ++i)
    if (!FMask.IsLiteral(i)) text[size_t(i)] = FMask.GetBlank();
  Integer pos = FMask.NextEditable(start);
  for (Char c : Value) {
    if (pos >= FMask.Length()) break;
    if (!FMask.Accepts(pos, c)) continue;
    text[size_t(pos)] = c;
    pos = FMask.NextEditable(pos + 1);
  }
  SetEditText(text, pos);
}

void TCustomEdit::CutToClipboard() {
  if (GetSelLength() == 0) return;
  CopyToClipboard();
  if (!FReadOnly) ClearSelection();
}

void TCustomEdit::CopyToClipboard() {
  // A password never leaves the edit.
  if (GetSelLength() > 0 && FPasswordChar == 0) Clipboard()->SetAsText(GetSelText());
}

void TCustomEdit::PasteFromClipboard() {
  if (!FReadOnly) InsertText(Clipboard()->GetAsText());
}

void TCustomEdit::WMCut(TMessage&) { CutToClipboard(); }
void TCustomEdit::WMCopy(TMessage&) { CopyToClipboard(); }
void TCustomEdit::WMPaste(TMessage&) { PasteFromClipboard(); }
void TCustomEdit::WMClear(TMessage&) {
  if (!FReadOnly) ClearSelection();
}
void TCustomEdit::WMGetDlgCode(TMessage& Message) { Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_HASSETSEL; }

Integer TCustomEdit::WordStart(Integer Pos) const {
  const String& t = GetTextValue();
  while (Pos > 0 && !IsWordChar(t[size_t(Pos - 1)])) --Pos;
  while (Pos > 0 && IsWordChar(t[size_t(Pos - 1)])) --Pos;
  return Pos;
}

Integer TCustomEdit::WordEnd(Integer Pos) const {
  const String t = GetTextValue();
  const Integer n = static_cast<Integer>(t.size());
  while (Pos < n && IsWordChar(t[size_t(Pos)])) ++Pos;
  while (Pos < n && !IsWordChar(t[size_t(Pos)])) ++Pos;
  return Pos;
}

void TCustomEdit::MoveCaret(Integer Pos, bool Extend) {
  Pos = std::clamp(Pos, 0, TextLength());
  Select(Extend ? FAnchor : Pos, Pos);
}

void TCustomEdit::KeyDown(Word& Key, TShiftState Shift) {
  inherited::KeyDown(Key, Shift);
  const bool shift = Shift.Contains(ssShift), ctrl = Shift.Contains(ssCtrl);
  const bool password = FPasswordChar != 0;
  switch (Key) {
    case VK_LEFT:
      if (!shift && GetSelLength() > 0 && !ctrl)
        MoveCaret(GetSelStart(), false);
      else
        MoveCaret(ctrl && !password ? WordStart(FCaret) : FCaret - 1, shift);
      break;
    case VK_RIGHT:
      if (!shift && GetSelLength() > 0 && !ctrl)
        MoveCaret(GetSelStart() + GetSelLength(), false);
      else
        MoveCaret(ctrl && !password ? WordEnd(FCaret) : FCaret + 1, shift);
      break;
    case VK_HOME:
      MoveCaret(0, shift);
      break;
    case VK_END:
      MoveCaret(TextLength(), shift);
      break;
    case VK_DELETE:
      if (FReadOnly) break;
      if (shift)
        CutToClipboard();
      else if (GetSelLength() > 0)
        ClearSelection();
      else if (FCaret < TextLength())
        DeleteRange(FCaret, 1);
      break;
    case VK_INSERT:
      if (ctrl)
        CopyToClipboard();
      else if (shift)
        Perform(WM_PASTE);
      break;
    default:
      return;
  }
  Key = 0;
}

void TCustomEdit::KeyPress(Char& Key) {
  inherited::KeyPress(Key);
  switch (Key) {
    case 0:
      return;
    case 1:  // Ctrl+A
      SelectAll();
      break;
    case 3:  // Ctrl+C
      Perform(WM_COPY);
      break;
    case 22:  // Ctrl+V: through the message, so that a host can take it
      Perform(WM_PASTE);
      break;
    case 24:  // Ctrl+X
      Perform(WM_CUT);
      break;
    case 8:
      if (FReadOnly) break;
      if (GetSelLength() > 0) {
        ClearSelection();
      } else if (FCaret > 0) {
        if (FMask.IsEmpty()) {
          DeleteRange(FCaret - 1, 1);
        } else {
          const Integer prev = FMask.PrevEditable(FCaret);
          if (prev >= 0) DeleteRange(prev, 1);
        }
      }
      break;
    default:
      if (Key < 32 || FReadOnly) return;
      InsertText(String(1, Key));
      break;
  }
  Key = 0;
}

Integer TCustomEdit::XFromPos(Integer Pos) {
  GetCanvas()->GetFont()->Assign(GetFont());
  return 1 - FScrollX + GetCanvas()->TextWidth(DisplayText().substr(0, size_t(std::max(0, Pos))));
}

Integer TCustomEdit::PosFromX(Integer X) {
  const Integer n = TextLength();
  Integer best = 0, bestDistance = std::abs(XFromPos(0) - X);
  for (Integer i = 1; i <= n; ++i) {
    const Integer d = std::abs(XFromPos(i) - X);
    if (d < bestDistance) {
      best = i;
      bestDistance = d;
    }
  }
  return best;
}

Integer TCustomEdit::PosFromPoint(Integer X, Integer) { return PosFromX(X); }

void TCustomEdit::ScrollToCaret() {
  if (!HandleAllocated()) return;
  const Integer x = XFromPos(FCaret);
  const Integer width = GetClientWidth() - 2;
  if (x < 1)
    FScrollX -= 1 - x;
  else if (x > width)
    FScrollX += x - width;
  FScrollX = std::max(0, FScrollX);
}

void TCustomEdit::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseDown(Button, Shift, X, Y);
  if (CanFocus() && !Focused()) SetFocus();
  if (Button != mbLeft || Shift.Contains(ssDouble)) return;
  MoveCaret(PosFromPoint(X, Y), Shift.Contains(ssShift));
  FSelecting = true;
}

void TCustomEdit::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseMove(Shift, X, Y);
  if (FSelecting && Shift.Contains(ssLeft)) MoveCaret(PosFromPoint(X, Y), true);
}

void TCustomEdit::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  FSelecting = false;
  inherited::MouseUp(Button, Shift, X, Y);
}

void TCustomEdit::DblClick() {
  inherited::DblClick();
  if (FPasswordChar != 0) {
    SelectAll();
    return;
  }
  const String& t = GetTextValue();
  Integer start = FCaret, end = FCaret;
  while (start > 0 && IsWordChar(t[size_t(start - 1)])) --start;
  while (end < TextLength() && IsWordChar(t[size_t(end)])) ++end;
  Select(start, end);
}

void TCustomEdit::DoEnter() {
  inherited::DoEnter();
  Invalidate();
}

void TCustomEdit::DoExit() {
  inherited::DoExit();
  FSelecting = false;
  Invalidate();
}

String TCustomEdit::DisplayText() const {
  if (FPasswordChar != 0) return String(size_t(TextLength()), FPasswordChar);
  return GetTextValue();
}

void TCustomEdit::Paint() {
  TCanvas* canvas = GetCanvas();
  const TRect client = GetClientRect();
  FillBackground(canvas, client, GetColor(), GetFont());
  const Integer height = canvas->TextHeight(u"Wg");
  const Integer top = std::max(0, (client.Height() - height) / 2);
  canvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
  const bool focused = Focused();
  if (TextLength() == 0 && !FTextHint.empty() && !focused) {
    canvas->GetFont()->SetColor(clGrayText);
    canvas->TextRect(client, 1, top, FTextHint);
    return;
  }
  const String shown = DisplayText();
  canvas->TextRect(client, 1 - FScrollX, top, shown);
  if (focused && GetSelLength() > 0) {
    const Integer x1 = XFromPos(GetSelStart()), x2 = XFromPos(GetSelStart() + GetSelLength());
    const TRect sel(x1, top, x2, top + height);
    canvas->GetBrush()->SetStyle(TBrushStyle::bsSolid);
    canvas->GetBrush()->SetColor(clHighlight);
    canvas->FillRect(sel);
    canvas->GetFont()->SetColor(clHighlightText);
    canvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
    canvas->TextRect(sel, x1, top, shown.substr(size_t(GetSelStart()), size_t(GetSelLength())));
  }
  if (focused) {
    const Integer x = XFromPos(FCaret);
    canvas->GetPen()->SetColor(GetFont()->GetColor());
    canvas->MoveTo(x, top);
    canvas->LineTo(x, top + height);
  }
}

// ---- TMemoStrings / TCustomMemo ---------------------------------------------------------------

std::vector<String> TMemoStrings::GetLines() const {
  std::vector<String> lines;
  for (Integer i = 0, n = GetCount(); i < n; ++i) lines.push_back(Get(i));
  return lines;
}

void TMemoStrings::SetLines(const std::vector<String>& Lines) {
  String text;
  for (const String& line : Lines) text += line + u"\r\n";
  FMemo->SetText(text);
}

Integer TMemoStrings::GetCount() const {
  const Integer n = FMemo->GetLineCount();
  if (n == 1 && FMemo->GetLineEnd(0) == 0) return 0;
  // A text that ends with a line break has no further line.
  return FMemo->GetLineStart(n - 1) == FMemo->GetLineEnd(n - 1) ? n - 1 : n;
}

String TMemoStrings::Get(Integer Index) const {
  if (Index < 0 || Index >= GetCount()) throw EListError(u"List index out of bounds (%d)", {Index});
  const Integer start = FMemo->GetLineStart(Index);
  return FMemo->GetEditText().substr(size_t(start), size_t(FMemo->GetLineEnd(Index) - start));
}

void TMemoStrings::Put(Integer Index, const String& S) {
  std::vector<String> lines = GetLines();
  if (Index < 0 || Index >= Integer(lines.size())) throw EListError(u"List index out of bounds (%d)", {Index});
  lines[size_t(Index)] = S;
  SetLines(lines);
}

void TMemoStrings::Insert(Integer Index, const String& S) {
  std::vector<String> lines = GetLines();
  if (Index < 0 || Index > Integer(lines.size())) throw EListError(u"List index out of bounds (%d)", {Index});
  lines.insert(lines.begin() + Index, S);
  SetLines(lines);
}

void TMemoStrings::Delete(Integer Index) {
  std::vector<String> lines = GetLines();
  if (Index < 0 || Index >= Integer(lines.size())) throw EListError(u"List index out of bounds (%d)", {Index});
  lines.erase(lines.begin() + Index);
  SetLines(lines);
}

void TMemoStrings::Clear() { FMemo->SetText(String()); }

void TMemoStrings::SetText(const String& Value) { FMemo->SetText(Value); }

TCustomMemo::TCustomMemo(TComponent* AOwner) : TCustomEdit(AOwner), FLines(new TMemoStrings(this)) {
  FMultiLine = true;
  SetBounds(GetLeft(), GetTop(), 185, 89);
}

TCustomMemo::~TCustomMemo() { Free(FLines); }

const TMessageTable& TCustomMemo::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(), {VCL_MESSAGE(WM_GETDLGCODE, &TCustomMemo::WMGetDlgCode),
                                                                VCL_MESSAGE(WM_HSCROLL, &TCustomMemo::WMHScroll),
                                                                VCL_MESSAGE(WM_VSCROLL, &TCustomMemo::WMVScroll)});
  return table;
}

void TCustomMemo::DeclareProperties(TClassDeclaration<TCustomMemo>& D) {
  D.Property(u"HideSelection", &TCustomMemo::GetHideSelection, &TCustomMemo::SetHideSelection).Default(true);
  D.Property(u"Lines", &TCustomMemo::GetLines, &TCustomMemo::SetLines);
  D.Property(u"ScrollBars", &TCustomMemo::GetScrollBars, &TCustomMemo::SetScrollBars).Default(ssNone);
}

void TCustomMemo::SetText(const String& Value) {
  if (GetMaxLength() > 0 && static_cast<Integer>(Value.size()) > GetMaxLength())
    throw EOutOfResources(u"Text exceeds memo capacity");
  FTopLine = 0;
  FScrollX = 0;
  SetEditText(Value, 0);
}

void TCustomMemo::SetScrollBars(TScrollStyle Value) {
  if (FScrollBars == Value) return;
  FScrollBars = Value;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomMemo::SetHideSelection(bool Value) {
  if (FHideSelection == Value) return;
  FHideSelection = Value;
  Invalidate();
}

void TCustomMemo::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  if (FScrollBars == ssVertical || FScrollBars == ssBoth) Params.Style |= WS_VSCROLL;
  if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) Params.Style |= WS_HSCROLL;
}

void TCustomMemo::CreateWnd() {
  inherited::CreateWnd();
  UpdateScrollInfo();
}

void TCustomMemo::SetTextValue(const String& Value) {
  inherited::SetTextValue(Value);
  RebuildLines();
}

void TCustomMemo::RebuildLines() {
  const String& text = GetEditText();
  FLineStarts.assign(1, 0);
  FLineEnds.clear();
  const Integer n = static_cast<Integer>(text.size());
  for (Integer i = 0; i < n; ++i) {
    const Char c = text[size_t(i)];
    if (c != u'\r' && c != u'\n') continue;
    FLineEnds.push_back(i);
    if (c == u'\r' && i + 1 < n && text[size_t(i + 1)] == u'\n') ++i;
    FLineStarts.push_back(i + 1);
  }
  FLineEnds.push_back(n);
  FMaxWidth = -1;
  FTopLine = std::min(FTopLine, GetLineCount() - 1);
  UpdateScrollInfo();
}

void TCustomMemo::Change() {
  Notify(EN_CHANGE);
  inherited::Change();
}

void TCustomMemo::Notify(WORD Code) {
  if (!HandleAllocated() || !GetParent() || !GetParent()->HandleAllocated()) return;
  SendMessage(GetParent()->GetHandle(), WM_COMMAND, WPARAM(Code) << 16, reinterpret_cast<LPARAM>(GetHandle()));
}

Integer TCustomMemo::LineFromPos(Integer Pos) const {
  auto it = std::upper_bound(FLineStarts.begin(), FLineStarts.end(), Pos);
  return std::max<Integer>(0, static_cast<Integer>(it - FLineStarts.begin()) - 1);
}

Integer TCustomMemo::GetLineHeight() {
  GetCanvas()->GetFont()->Assign(GetFont());
  return std::max(1, GetCanvas()->TextHeight(u"Wg"));
}

Integer TCustomMemo::GetVisibleLines() { return std::max(1, GetClientHeight() / GetLineHeight()); }

TPoint TCustomMemo::GetCaretPos() const {
  const Integer line = LineFromPos(inherited::GetCaretPos());
  return TPoint(inherited::GetCaretPos() - GetLineStart(line), line);
}

void TCustomMemo::SetCaretPos(const TPoint& Value) {
  const Integer line = std::clamp(Value.Y, 0, GetLineCount() - 1);
  const Integer pos = GetLineStart(line) + std::clamp(Value.X, 0, GetLineEnd(line) - GetLineStart(line));
  Select(pos, pos);
}

Integer TCustomMemo::ColumnX(Integer Line, Integer Pos) {
  GetCanvas()->GetFont()->Assign(GetFont());
  const Integer start = GetLineStart(Line);
  return 1 - FScrollX + GetCanvas()->TextWidth(GetEditText().substr(size_t(start), size_t(Pos - start)));
}

Integer TCustomMemo::MaxLineWidth() {
  if (FMaxWidth >= 0) return FMaxWidth;
  GetCanvas()->GetFont()->Assign(GetFont());
  const String& text = GetEditText();
  FMaxWidth = 0;
  for (Integer i = 0; i < GetLineCount(); ++i)
    FMaxWidth =
        std::max(FMaxWidth,
                 GetCanvas()->TextWidth(text.substr(size_t(GetLineStart(i)), size_t(GetLineEnd(i) - GetLineStart(i)))));
  FMaxWidth += 2;
  return FMaxWidth;
}

void TCustomMemo::UpdateScrollInfo() {
  if (!HandleAllocated()) return;
  SCROLLINFO info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  info.nMin = 0;
  info.nMax = GetLineCount() - 1;
  info.nPage = static_cast<UINT>(GetVisibleLines());
  info.nPos = FTopLine;
  SetScrollInfo(GetHandle(), SB_VERT, info, true);
  const bool horizontal = FScrollBars == ssHorizontal || FScrollBars == ssBoth;
  info.nMax = horizontal ? MaxLineWidth() - 1 : 0;
  info.nPage = static_cast<UINT>(std::max(0, GetClientWidth()));
  info.nPos = FScrollX;
  SetScrollInfo(GetHandle(), SB_HORZ, info, true);
}

void TCustomMemo::ScrollTo(Integer TopLine, Integer ScrollX) {
  TopLine = std::clamp(TopLine, 0, std::max(0, GetLineCount() - GetVisibleLines()));
  ScrollX = std::max(0, ScrollX);
  if (FScrollBars == ssHorizontal || FScrollBars == ssBoth)
    ScrollX = std::min(ScrollX, std::max(0, MaxLineWidth() - GetClientWidth()));
  const bool vertical = TopLine != FTopLine, horizontal = ScrollX != FScrollX;
  if (!vertical && !horizontal) return;
  FTopLine = TopLine;
  FScrollX = ScrollX;
  UpdateScrollInfo();
  Invalidate();
  if (vertical) Notify(EN_VSCROLL);
  if (horizontal) Notify(EN_HSCROLL);
}

void TCustomMemo::ScrollToCaret() {
  if (!HandleAllocated()) return;
  const Integer caret = inherited::GetCaretPos();
  const Integer line = LineFromPos(caret);
  const Integer visible = GetVisibleLines();
  Integer top = FTopLine;
  if (line < top)
    top = line;
  else if (line >= top + visible)
    top = line - visible + 1;
  Integer scrollX = FScrollX;
  const Integer x = ColumnX(line, caret);
  const Integer width = GetClientWidth() - 2;
  if (x < 1)
    scrollX -= 1 - x;
  else if (x > width)
    scrollX += x - width;
  ScrollTo(top, scrollX);
}

Integer TCustomMemo::PosFromPoint(Integer X, Integer Y) {
  const Integer line = std::clamp(FTopLine + Y / GetLineHeight(), 0, GetLineCount() - 1);
  Integer best = GetLineStart(line), bestDistance = std::abs(ColumnX(line, best) - X);
  for (Integer i = best + 1; i <= GetLineEnd(line); ++i) {
    const Integer d = std::abs(ColumnX(line, i) - X);
    if (d >= bestDistance) break;
    best = i;
    bestDistance = d;
  }
  return best;
}

void TCustomMemo::Resize() {
  inherited::Resize();
  UpdateScrollInfo();
}

void TCustomMemo::KeyDown(Word& Key, TShiftState Shift) {
  const bool shift = Shift.Contains(ssShift), ctrl = Shift.Contains(ssCtrl);
  const Integer caret = inherited::GetCaretPos();
  const Integer line = LineFromPos(caret);
  auto toLine = [&](Integer Target) {
    Target = std::clamp(Target, 0, GetLineCount() - 1);
    // Keep the caret's x where the target line allows.
    const Integer x = ColumnX(line, caret) + FScrollX;
    Integer pos = GetLineStart(Target);
    while (pos < GetLineEnd(Target) && ColumnX(Target, pos + 1) + FScrollX <= x) ++pos;
    MoveCaret(pos, shift);
  };
  switch (Key) {
    case VK_UP:
      toLine(line - 1);
      break;
    case VK_DOWN:
      toLine(line + 1);
      break;
    case VK_PRIOR:
      toLine(line - GetVisibleLines());
      break;
    case VK_NEXT:
      toLine(line + GetVisibleLines());
      break;
    case VK_HOME:
      if (ctrl) return inherited::KeyDown(Key, Shift);
      MoveCaret(GetLineStart(line), shift);
      break;
    case VK_END:
      if (ctrl) return inherited::KeyDown(Key, Shift);
      MoveCaret(GetLineEnd(line), shift);
      break;
    default:
      inherited::KeyDown(Key, Shift);
      return;
  }
  Key = 0;
}

void TCustomMemo::KeyPress(Char& Key) {
  if (Key == u'\r') {
    if (!GetReadOnly()) InsertText(u"\r\n");
    Key = 0;
    return;
  }
  inherited::KeyPress(Key);
}

bool TCustomMemo::DoMouseWheel(TShiftState Shift, Integer WheelDelta, TPoint MousePos) {
  if (inherited::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
  ScrollTo(FTopLine - WheelDelta / WHEEL_DELTA * 3, FScrollX);
  return true;
}

void TCustomMemo::WMGetDlgCode(TMessage& Message) {
  Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTALLKEYS;
}

namespace {
// The position a scroll request asks for; thumb requests carry 16 bits, so a stored position
// that agrees with them in those bits is taken whole.
Integer ScrollRequestPos(HWND Window, int Bar, WPARAM WParam, Integer Current, Integer Line, Integer Page,
                         Integer Last) {
  switch (LOWORD(WParam)) {
    case SB_LINEUP:
      return Current - Line;
    case SB_LINEDOWN:
      return Current + Line;
    case SB_PAGEUP:
      return Current - Page;
    case SB_PAGEDOWN:
      return Current + Page;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
      const Integer stored = GetScrollPos(Window, Bar);
      return (stored & 0xFFFF) == HIWORD(WParam) ? stored : Integer(HIWORD(WParam));
    }
    case SB_TOP:
      return 0;
    case SB_BOTTOM:
      return Last;
    default:
      return Current;
  }
}
}  // namespace

void TCustomMemo::WMVScroll(TMessage& Message) {
  if (Message.LParam != 0) return inherited::WMVScroll(Message);
  ScrollTo(ScrollRequestPos(GetHandle(), SB_VERT, Message.WParam, FTopLine, 1, GetVisibleLines(), GetLineCount()),
           FScrollX);
  Message.Result = 0;
}

void TCustomMemo::WMHScroll(TMessage& Message) {
  if (Message.LParam != 0) return inherited::WMHScroll(Message);
  GetCanvas()->GetFont()->Assign(GetFont());
  const Integer step = std::max(1, GetCanvas()->TextWidth(u"x"));
  ScrollTo(FTopLine,
           ScrollRequestPos(GetHandle(), SB_HORZ, Message.WParam, FScrollX, step, GetClientWidth(), MaxLineWidth()));
  Message.Result = 0;
}

void TCustomMemo::Paint() {
  TCanvas* canvas = GetCanvas();
  const TRect client = GetClientRect();
  FillBackground(canvas, client, GetColor(), GetFont());
  const Integer height = GetLineHeight();
  const bool focused = Focused();
  const bool showSelection = (focused || !FHideSelection) && GetSelLength() > 0;
  const Integer selStart = GetSelStart(), selEnd = GetSelStart() + GetSelLength();
  const String& text = GetEditText();
  const Integer last = std::min(GetLineCount() - 1, FTopLine + client.Height() / height + 1);
  canvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
  for (Integer line = FTopLine; line <= last; ++line) {
    const Integer top = (line - FTopLine) * height;
    const Integer start = GetLineStart(line), end = GetLineEnd(line);
    canvas->GetFont()->SetColor(GetFont()->GetColor());
    canvas->TextRect(client, 1 - FScrollX, top, text.substr(size_t(start), size_t(end - start)));
    if (showSelection && selStart <= end && selEnd >= start) {
      const Integer a = std::max(selStart, start), b = std::min(selEnd, end);
      const TRect sel(ColumnX(line, a), top, ColumnX(line, b) + (selEnd > end ? 4 : 0), top + height);
      canvas->GetBrush()->SetStyle(TBrushStyle::bsSolid);
      canvas->GetBrush()->SetColor(clHighlight);
      canvas->FillRect(sel);
      canvas->GetFont()->SetColor(clHighlightText);
      canvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
      canvas->TextRect(sel, sel.Left, top, text.substr(size_t(a), size_t(b - a)));
    }
  }
  if (focused) {
    const Integer caret = inherited::GetCaretPos();
    const Integer line = LineFromPos(caret);
    const Integer x = ColumnX(line, caret), top = (line - FTopLine) * height;
    canvas->GetPen()->SetColor(GetFont()->GetColor());
    canvas->MoveTo(x, top);
    canvas->LineTo(x, top + height);
  }
}

// ---- TButton ----------------------------------------------------------------------------------

TButton::TButton(TComponent* AOwner) : TCustomControl(AOwner) {
  SetTabStop(true);
  SetBounds(GetLeft(), GetTop(), 75, 25);
}

const TMessageTable& TButton::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(), {VCL_MESSAGE(CM_DIALOGKEY, &TButton::CMDialogKey)});
  return table;
}

void TButton::DeclareProperties(TClassDeclaration<TButton>& D) {
  D.Publish(u"Caption");
  D.Property(u"Default", &TButton::GetDefault, &TButton::SetDefault).Default(false);
  D.Property(u"Cancel", &TButton::GetCancel, &TButton::SetCancel).Default(false);
  D.Property(u"ModalResult", &TButton::GetModalResult, &TButton::SetModalResult).Default(mrNone);
}

void TButton::Click() {
  inherited::Click();
  if (FModalResult != mrNone)
    if (TCustomForm* form = GetParentForm(this, true)) form->SetModalResult(FModalResult);
}

void TButton::KeyDown(Word& Key, TShiftState Shift) {
  inherited::KeyDown(Key, Shift);
  if (Key == VK_SPACE && Shift.Empty()) {
    Key = 0;
    Click();
  }
}

void TButton::CMDialogKey(TMessage& Message) {
  const bool plain = KeyDataToShiftState(Message.LParam).Empty();
  if (plain && CanFocus() &&
      ((Message.WParam == VK_RETURN && (FDefault || Focused())) || (Message.WParam == VK_ESCAPE && FCancel))) {
    Click();
    Message.Result = 1;
    return;
  }
  InheritedMessage(inherited::MessageTable(), Message);
}

void TButton::Paint() {
  TCanvas* canvas = GetCanvas();
  const TRect client = GetClientRect();
  FillBackground(canvas, client, GetColor(), GetFont());
  const String caption = GetCaption();
  const Integer x = (client.Width() - canvas->TextWidth(caption)) / 2;
  const Integer y = (client.Height() - canvas->TextHeight(caption)) / 2;
  canvas->TextRect(client, x, y, caption);
}

// ---- TCheckBox --------------------------------------------------------------------------------

TCheckBox::TCheckBox(TComponent* AOwner) : TCustomControl(AOwner) {
  SetTabStop(true);
  SetBounds(GetLeft(), GetTop(), 97, 17);
}

void TCheckBox::DeclareProperties(TClassDeclaration<TCheckBox>& D) {
  D.Publish(u"Caption");
  D.Property(u"Checked", &TCheckBox::GetChecked, &TCheckBox::SetChecked).Default(false);
}

void TCheckBox::SetChecked(bool Value) {
  if (FChecked == Value) return;
  FChecked = Value;
  Invalidate();
  inherited::Click();
}

void TCheckBox::Click() { SetChecked(!FChecked); }

void TCheckBox::KeyDown(Word& Key, TShiftState Shift) {
  inherited::KeyDown(Key, Shift);
  if (Key == VK_SPACE && Shift.Empty()) {
    Key = 0;
    Click();
  }
}

void TCheckBox::Paint() {
  TCanvas* canvas = GetCanvas();
  const TRect client = GetClientRect();
  FillBackground(canvas, client, GetColor(), nullptr);
  const Integer box = std::min<Integer>(13, client.Height());
  const TRect mark(0, (client.Height() - box) / 2, box, (client.Height() + box) / 2);
  canvas->Rectangle(mark);
  if (FChecked) {
    canvas->MoveTo(mark.Left + 2, mark.Top + box / 2);
    canvas->LineTo(mark.Left + box / 2, mark.Bottom - 3);
    canvas->LineTo(mark.Right - 2, mark.Top + 2);
  }
  canvas->GetFont()->Assign(GetFont());
  const String caption = GetCaption();
  canvas->TextRect(client, box + 4, (client.Height() - canvas->TextHeight(caption)) / 2, caption);
}

namespace detail {
void StdCtrlsInit() {
  RegisterProperties<TCustomEdit>();
  RegisterProperties<TCustomMemo>();
  RegisterProperties<TButton>();
  RegisterProperties<TCheckBox>();
  RegisterClasses({TEdit::StaticClass(), TMaskEdit::StaticClass(), TMemo::StaticClass(), TButton::StaticClass(),
                   TCheckBox::StaticClass()});
}
}  // namespace detail
