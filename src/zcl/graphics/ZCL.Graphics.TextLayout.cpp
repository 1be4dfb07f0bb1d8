#include "zcl/graphics/ZCL.Graphics.TextLayout.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "os/OS.Gdi.h"
#include "os/OS.Regions.h"
#include "os/OS.Text.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.RegularExpressions.h"
#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.Colors.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zcl/graphics/ZCL.Graphics.Font.h"

namespace {
constexpr Integer MaxBlockLength = 65535;

bool IsHighSurrogate(Char C) { return C >= 0xD800 && C <= 0xDBFF; }

TRect UnionBounds(const TRect& A, const TRect& B, bool& First) {
  if (First) {
    First = false;
    return B;
  }
  return TRect(std::min(A.Left, B.Left), std::min(A.Top, B.Top), std::max(A.Right, B.Right),
               std::max(A.Bottom, B.Bottom));
}
}  // namespace

// ---- blocks ---------------------------------------------------------------------------------------

void TZCLTextLayoutBlock::Shrink(TZCLTextLayoutRender*, Integer MaxRight) {
  Position.X = std::min(Position.X, MaxRight);
}

bool TZCLTextLayoutBlockLineBreak::Export(TZCLTextLayoutExporter* E) { return E->OnLineBreak(this); }
bool TZCLTextLayoutBlockSpace::Export(TZCLTextLayoutExporter* E) { return E->OnSpace(this); }
bool TZCLTextLayoutBlockText::Export(TZCLTextLayoutExporter* E) { return E->OnText(this); }
bool TZCLTextLayoutBlockFillColor::Export(TZCLTextLayoutExporter* E) { return E->OnFillColor(this); }
bool TZCLTextLayoutBlockFontColor::Export(TZCLTextLayoutExporter* E) { return E->OnFontColor(this); }
bool TZCLTextLayoutBlockFontSize::Export(TZCLTextLayoutExporter* E) { return E->OnFontSize(this); }
bool TZCLTextLayoutBlockFontStyle::Export(TZCLTextLayoutExporter* E) { return E->OnFontStyle(this); }
bool TZCLTextLayoutBlockHyperlink::Export(TZCLTextLayoutExporter* E) { return E->OnHyperlink(this); }
bool TZCLTextLayoutBlockSpan::Export(TZCLTextLayoutExporter* E) { return E->OnSpan(this); }

void TZCLTextLayoutBlockSpace::Shrink(TZCLTextLayoutRender*, Integer MaxRight) {
  const Integer right = Position.X + Width;
  if (right > MaxRight) Width = Word(std::max(0, MaxRight - Position.X));
  Position.X = std::min(Position.X, MaxRight);
}

void TZCLTextLayoutBlockText::Shrink(TZCLTextLayoutRender* Render, Integer MaxRight) {
  if (Position.X >= MaxRight) {
    VisibleLength = 0;
    Width = 0;
  } else if (Position.X + Width > MaxRight) {
    Render->Shrink(this, MaxRight - Position.X);
  }
  Position.X = std::min(Position.X, MaxRight);
}

void TZCLTextLayoutBlockText::ResetMetrics() {
  Width = 0;
  Height = 0;
  VisibleLength = 0;
  CharWidths.clear();
}

void TZCLTextLayoutBlockFontSize::SetValueText(StringView Value) {
  Integer points = 0;
  Extended factor = 0;
  if (TryStrToInt(Value, points)) {
    IsFactor = false;
    Points = points;
  } else if (TryStrToFloat(Value, factor)) {
    IsFactor = true;
    Factor = Double(factor);
  } else {
    IsFactor = true;
    Factor = 1.0;
  }
}

TZCLTextLayoutBlockSpan::TZCLTextLayoutBlockSpan() : Blocks(new TZCLTextLayoutBlockList(true)) {}
TZCLTextLayoutBlockSpan::~TZCLTextLayoutBlockSpan() { delete Blocks; }
TRect TZCLTextLayoutBlockSpan::GetBounds() const { return Blocks->GetBounds(); }
void TZCLTextLayoutBlockSpan::ResetMetrics() {
  for (TZCLTextLayoutBlock* b : *Blocks) b->ResetMetrics();
}

// ---- render ---------------------------------------------------------------------------------------

void TZCLTextLayoutRender::Shrink(TZCLTextLayoutBlockText* Block, Integer MaxWidth) {
  Integer width = Block->Width;
  Integer visible = std::min<Integer>(Block->VisibleLength, Integer(Block->CharWidths.size()));
  while (visible > 0 && width > MaxWidth) {
    --visible;
    width -= Block->CharWidths[size_t(visible)];
    // The low half of a pair has no advance of its own: drop the high half with it.
    if (visible > 0 && IsHighSurrogate(Block->Text[visible - 1])) {
      --visible;
      width -= Block->CharWidths[size_t(visible)];
    }
  }
  Block->VisibleLength = Word(visible);
  Block->Width = Word(std::max(0, width));
}

// ---- block lists -----------------------------------------------------------------------------------

TRect TZCLTextLayoutBlockList::GetBounds() const {
  TRect r;
  bool first = true;
  for (TZCLTextLayoutBlock* b : FItems) r = UnionBounds(r, b->GetBounds(), first);
  return r;
}

bool TZCLTextLayoutBlockList::Export(TZCLTextLayoutExporter* Exporter, bool FreeExporter) {
  struct TGuard {
    TZCLTextLayoutExporter* E;
    bool Free;
    ~TGuard() {
      if (Free) delete E;
    }
  } guard{Exporter, FreeExporter};
  for (TZCLTextLayoutBlock* b : FItems)
    if (!b->Export(Exporter)) return false;
  return true;
}

void TZCLTextLayoutBlockList::Offset(Integer DX, Integer DY) {
  for (TZCLTextLayoutBlock* b : FItems) {
    b->Position.X += DX;
    b->Position.Y += DY;
    if (auto* span = dynamic_cast<TZCLTextLayoutBlockSpan*>(b)) span->Blocks->Offset(DX, DY);
  }
}

void TZCLTextLayoutBlockList::AddBlock(TZCLTextLayoutBlock* Block, const Char*& Cursor, Integer Count) {
  FItems.push_back(Block);
  Block->Text = Cursor;
  Block->Length = Word(Count);
  Cursor += Count;
}

Integer TZCLTextLayoutBlockList::CountOfClass(TClass Class) const {
  return Integer(std::count_if(FItems.begin(), FItems.end(), [&](auto* b) { return b->ClassType() == Class; }));
}

Integer TZCLTextLayoutBlockList::IndexOf(const TZCLTextLayoutBlock* Block) const {
  auto it = std::find(FItems.begin(), FItems.end(), Block);
  return it == FItems.end() ? -1 : Integer(it - FItems.begin());
}

void TZCLTextLayoutBlockList::Clear() {
  if (FOwnsObjects)
    for (TZCLTextLayoutBlock* b : FItems) delete b;
  FItems.clear();
}

bool TZCLTextLayoutExporter::OnSpan(TZCLTextLayoutBlockSpan* Block) {
  for (TZCLTextLayoutBlock* b : *Block->Blocks)
    if (!b->Export(this)) return false;
  return true;
}

// ---- rows --------------------------------------------------------------------------------------------

TZCLTextLayoutRow::~TZCLTextLayoutRow() { delete Ellipsis; }

void TZCLTextLayoutRow::SetBaseline(Integer Value) {
  if (Value == Baseline) return;
  const Integer delta = Value - Baseline;
  for (TZCLTextLayoutBlock* b : *this) b->Position.Y += delta;
  Baseline = Value;
}

void TZCLTextLayoutRow::Offset(Integer DX, Integer DY) {
  TZCLTextLayoutBlockList::Offset(DX, DY);
  Bounds.Offset(DX, DY);
}

TRect TZCLTextLayoutRows::GetBounds() const {
  TRect r;
  bool first = true;
  for (TZCLTextLayoutRow* row : FItems) r = UnionBounds(r, row->Bounds, first);
  return r;
}

void TZCLTextLayoutRows::Clear() {
  for (TZCLTextLayoutRow* row : FItems) delete row;
  FItems.clear();
}

// ---- import --------------------------------------------------------------------------------------------

bool TZCLTextImporter::IsDelimiter(Char C) {
  switch (C) {
    case 0x005B:
    case 0x005D:
    case 0x0028:
    case 0x0029:
    case 0x005C:
    case 0x200B:
    case 0x201C:
    case 0x201D:
    case 0x2018:
    case 0x2019:
    case 0xFF08:
    case 0xFF09:
    case 0xFF0C:
    case 0xFF1A:
    case 0xFF1B:
    case 0xFF1F:
    case 0x060C:
    case 0x3000:
    case 0x3001:
    case 0x3002:
    case 0x300C:
    case 0x300D:
    case 0x300E:
    case 0x300F:
    case 0x300A:
    case 0x300B:
    case 0x3008:
    case 0x3009:
    case 0x3014:
    case 0x3015:
    case 0x0020:
    case 0x000D:
    case 0x000A:
    case 0x0009:
    case 0x0000:
      return true;
    default:
      return false;
  }
}

void TZCLTextImporter::TContext::Flush() {
  if (Pending.GetCount() >= 2 && Pending.CountOfClass(TZCLTextLayoutBlockText::StaticClass()) >= 2) {
    auto* span = new TZCLTextLayoutBlockSpan();
    for (TZCLTextLayoutBlock* b : Pending) span->Blocks->Add(b);
    TZCLTextLayoutBlock* first = Pending[0];
    TZCLTextLayoutBlock* last = Pending.Last();
    span->Text = first->Text;
    span->Length = Word(std::min<std::ptrdiff_t>(last->Text + last->Length - first->Text, MaxBlockLength));
    Blocks->Add(span);
  } else {
    for (TZCLTextLayoutBlock* b : Pending) Blocks->Add(b);
  }
  Pending.Detach();
}

namespace {

using TContext = TZCLTextImporter::TContext;

bool HandleLineBreak(TContext& C, const Char*& Cursor) {
  Integer count = 0;
  if (Cursor[0] == u'\n')
    count = 1;
  else if (Cursor[0] == u'\r')
    count = Cursor[1] == u'\n' ? 2 : 1;
  else
    return false;
  C.Flush();
  C.Blocks->AddBlock(new TZCLTextLayoutBlockLineBreak(), Cursor, count);
  return true;
}

bool HandleEscapedLineBreak(TContext& C, const Char*& Cursor) {
  if (Cursor[0] != u'\\' || Cursor[1] != u'n') return false;
  C.Flush();
  C.Blocks->AddBlock(new TZCLTextLayoutBlockLineBreak(), Cursor, 2);
  return true;
}

bool HandleSpace(TContext& C, const Char*& Cursor) {
  const Char ch = Cursor[0];
  if (ch != u' ' && ch != u'\t' && ch != u'\r' && ch != u'\n' && ch != 0) return false;
  C.Flush();
  C.Blocks->AddBlock(new TZCLTextLayoutBlockSpace(), Cursor, 1);
  return true;
}

bool HandleDelimiter(TContext& C, const Char*& Cursor) {
  if (!TZCLTextImporter::IsDelimiter(Cursor[0])) return false;
  C.Flush();
  C.Blocks->AddBlock(new TZCLTextLayoutBlockText(), Cursor, 1);
  return true;
}

bool HandleWord(TContext& C, const Char*& Cursor) {
  Integer length = 1;
  while (Cursor[length] != 0 && !TZCLTextImporter::IsDelimiter(Cursor[length])) ++length;
  if (length > MaxBlockLength) {
    // Longer runs go on in further blocks; a surrogate pair stays in one.
    length = MaxBlockLength;
    if (IsHighSurrogate(Cursor[length - 1])) --length;
  }
  if (C.URLDepth < 1)
    for (TZCLTextImporter::TWordHandler handler : C.WordHandlers)
      if (handler(C, Cursor, length)) {
        Cursor += length;
        return true;
      }
  C.Pending.AddBlock(new TZCLTextLayoutBlockText(), Cursor, length);
  return true;
}

bool SameTag(const Char* Name, Integer Length, StringView Tag) {
  if (Length != Integer(Tag.size())) return false;
  for (Integer i = 0; i < Length; ++i) {
    Char a = Name[i];
    if (a >= u'a' && a <= u'z') a = Char(a - 32);
    if (a != Tag[size_t(i)]) return false;
  }
  return true;
}

bool HandleTag(TContext& C, const Char*& Cursor) {
  if (Cursor[0] != u'[') return false;
  const Char* end = Cursor + 1;
  while (*end != 0 && *end != u']') ++end;
  if (*end == 0 || end - Cursor + 1 > MaxBlockLength) return false;
  const bool closing = Cursor[1] == u'/';
  const Char* name = Cursor + (closing ? 2 : 1);
  const Char* nameEnd = end;
  String value;
  if (!closing) {
    const Char* eq = std::find(name, end, u'=');
    if (eq != end) {
      nameEnd = eq;
      value.assign(eq + 1, end);
    }
  }
  const Integer nameLength = Integer(nameEnd - name);
  TZCLTextLayoutBlockStyle* block = nullptr;
  static const StringView styles[] = {u"B", u"I", u"U", u"S"};
  for (Byte i = 0; i < 4 && block == nullptr; ++i)
    if (SameTag(name, nameLength, styles[i])) {
      auto* b = new TZCLTextLayoutBlockFontStyle();
      b->StyleIndex = i;
      block = b;
    }
  if (block != nullptr) {
  } else if (SameTag(name, nameLength, u"COLOR")) {
    auto* b = new TZCLTextLayoutBlockFontColor();
    b->Color = StringToColor(value);
    block = b;
  } else if (SameTag(name, nameLength, u"BACKCOLOR")) {
    auto* b = new TZCLTextLayoutBlockFillColor();
    b->Color = StringToColor(value);
    block = b;
  } else if (SameTag(name, nameLength, u"BIG") || SameTag(name, nameLength, u"SMALL")) {
    auto* b = new TZCLTextLayoutBlockFontSize();
    b->Factor = nameLength == 3 ? 1.1 : 0.9;
    block = b;
  } else if (SameTag(name, nameLength, u"SIZE")) {
    auto* b = new TZCLTextLayoutBlockFontSize();
    b->SetValueText(value);
    block = b;
  } else if (SameTag(name, nameLength, u"URL")) {
    auto* b = new TZCLTextLayoutBlockHyperlink();
    b->Hyperlink = value;
    C.URLDepth += closing ? -1 : 1;
    block = b;
  } else {
    return false;
  }
  block->IsOpening = !closing;
  C.Pending.AddBlock(block, Cursor, Integer(end - Cursor + 1));
  return true;
}

void AddLink(TContext& C, const Char* Word, Integer Length, String Target) {
  C.Flush();
  auto* open = new TZCLTextLayoutBlockHyperlink();
  open->Hyperlink = std::move(Target);
  C.Blocks->Add(open);
  const Char* cursor = Word;
  C.Blocks->AddBlock(new TZCLTextLayoutBlockText(), cursor, Length);
  auto* close = new TZCLTextLayoutBlockHyperlink();
  close->IsOpening = false;
  C.Blocks->Add(close);
}

const TRegEx& EmailExpression() {
  static const TRegEx expression(
      u"^[a-zA-Z0-9.!#$%&'*+/=?^_`{|}~-]+@[a-zA-Z0-9](?:[a-zA-Z0-9-]{0,61}[a-zA-Z0-9])?"
      u"(?:\\.[a-zA-Z0-9](?:[a-zA-Z0-9-]{0,61}[a-zA-Z0-9])?)*$");
  return expression;
}

bool DetectEmail(TContext& C, const Char* Word, Integer Length) {
  const StringView word(Word, size_t(Length));
  if (word.find(u'@') == StringView::npos) return false;
  const String text(word);
  if (!EmailExpression().IsMatch(text)) return false;
  AddLink(C, Word, Length, u"mailto:" + text);
  return true;
}

bool DetectURL(TContext& C, const Char* Word, Integer Length) {
  if (!C.Pending.IsEmpty()) return false;
  const String word(Word, size_t(Length));
  String target;
  if (zcIsURL(word))
    target = word;
  else if (Length > 4 && word.compare(0, 4, u"www.") == 0 && word.find(u'.', 4) != String::npos)
    target = u"https://" + word;
  else
    return false;
  AddLink(C, Word, Length, target);
  return true;
}

bool IsDigit(Char C) { return C >= u'0' && C <= u'9'; }

// [h]h:mm[:ss][.fraction], then the end, a character below 33, ")" or "]"; whole seconds.
bool ParseTimeCode(const Char* P, const Char* End, Integer& Seconds) {
  while (P < End && *P < 33) ++P;
  Integer parts[3] = {};
  Integer count = 0;
  auto digits = [&](Integer Min, Integer Max, Integer& Value) {
    Integer n = 0;
    Value = 0;
    while (P < End && IsDigit(*P) && n < Max) {
      Value = Value * 10 + (*P++ - u'0');
      ++n;
    }
    return n >= Min;
  };
  if (!digits(1, 2, parts[count++])) return false;
  while (count < 3 && P < End && *P == u':') {
    ++P;
    if (!digits(2, 2, parts[count++])) return false;
  }
  if (count < 2) return false;
  if (P < End && *P == u'.') {
    ++P;
    while (P < End && IsDigit(*P)) ++P;
  }
  if (P < End && !(*P < 33 || *P == u')' || *P == u']')) return false;
  Seconds = count == 2 ? parts[0] * 60 + parts[1] : (parts[0] * 60 + parts[1]) * 60 + parts[2];
  return true;
}

bool DetectTimeCode(TContext& C, const Char* Word, Integer Length) {
  if (!IsDigit(Word[0]) || !C.Pending.IsEmpty()) return false;
  if (!C.Blocks->IsEmpty() && Word > C.TextStart) {
    const Char before = Word[-1];
    if (!(before < 33 || before == u'(' || before == u'[')) return false;
  }
  Integer seconds = 0;
  if (!ParseTimeCode(Word, Word + Length, seconds)) return false;
  AddLink(C, Word, Length, u"time:" + IntToStr(seconds));
  return true;
}

}  // namespace

void TZCLTextImporter::CreateContext(TContext& Context, const TZCLTextFormatSettings& Settings,
                                     TZCLTextLayoutBlockList* Blocks) {
  Context.Blocks = Blocks;
  Context.Handlers.clear();
  if (Settings.BracketTags) Context.Handlers.push_back(HandleTag);
  Context.Handlers.push_back(HandleLineBreak);
  if (Settings.EscapedLineBreaks) Context.Handlers.push_back(HandleEscapedLineBreak);
  Context.Handlers.push_back(HandleSpace);
  Context.Handlers.push_back(HandleDelimiter);
  Context.Handlers.push_back(HandleWord);
  Context.WordHandlers.clear();
  if (Settings.DetectEmails) Context.WordHandlers.push_back(DetectEmail);
  if (Settings.DetectURLs) Context.WordHandlers.push_back(DetectURL);
  if (Settings.DetectTimeCodes) Context.WordHandlers.push_back(DetectTimeCode);
}

void TZCLTextImporter::Import(const Char* Text, const TZCLTextFormatSettings& Settings,
                              TZCLTextLayoutBlockList* Blocks) {
  TContext context;
  CreateContext(context, Settings, Blocks);
  context.TextStart = Text;
  const Char* cursor = Text;
  try {
    while (*cursor != 0)
      for (THandler handler : context.Handlers)
        if (handler(context, cursor)) break;
    context.Flush();
  } catch (...) {
    context.Flush();
    throw;
  }
}

// ---- layout ----------------------------------------------------------------------------------------------

TZCLTextLayout::TZCLTextLayout(TFont* AFont)
    : FFont(AFont), FBlocks(new TZCLTextLayoutBlockList(true)), FRows(new TZCLTextLayoutRows()) {
  if (AFont != nullptr) FTargetDPI = AFont->GetPixelsPerInch();
}

TZCLTextLayout::~TZCLTextLayout() {
  delete FRows;
  delete FBlocks;
}

void TZCLTextLayout::SetText(const String& AText, const TZCLTextFormatSettings& Settings) {
  FDirty = true;
  FRows->Clear();
  FBlocks->Clear();
  FText = AText;
  TZCLTextImporter::Import(FText.c_str(), Settings, FBlocks);
}

void TZCLTextLayout::SetBounds(const TRect& Value) {
  if (Value == FBounds) return;
  FBounds = Value;
  FDirty = true;
}

void TZCLTextLayout::SetHorzAlignment(TAlignment Value) {
  if (Value == FHorzAlignment) return;
  FHorzAlignment = Value;
  FDirty = true;
}

void TZCLTextLayout::SetVertAlignment(TVerticalAlignment Value) {
  if (Value == FVertAlignment) return;
  FVertAlignment = Value;
  FDirty = true;
}

void TZCLTextLayout::SetOptions(TZCLTextLayoutOptions Value) {
  if (Value == FOptions) return;
  FOptions = Value;
  FDirty = true;
}

// ---- visual exporter --------------------------------------------------------------------------------------

namespace {

TFont* CopyFont(TFont* Font) {
  TFont* copy = dynamic_cast<TZCLFont*>(Font) != nullptr ? new TZCLFont() : new TFont();
  if (Font != nullptr) {
    copy->Assign(Font);
    copy->SetHeight(Font->GetHeight());
  }
  return copy;
}

const Char GEllipsisText[] = u"\u2026";

Cardinal FirstCodePoint(const TZCLTextLayoutBlock* Block) {
  if (Block->Text == nullptr || Block->Length == 0) return 0;
  const Char c = Block->Text[0];
  if (IsHighSurrogate(c) && Block->Length > 1 && Block->Text[1] >= 0xDC00 && Block->Text[1] <= 0xDFFF)
    return 0x10000 + ((Cardinal(c) - 0xD800) << 10) + (Cardinal(Block->Text[1]) - 0xDC00);
  return c;
}

}  // namespace

TZCLTextLayoutVisualExporter::TZCLTextLayoutVisualExporter(TZCLTextLayout* ALayout, TZCLTextLayoutRender* ARender)
    : TZCLTextLayoutExporter(ALayout), FFont(CopyFont(ALayout->GetFont())), FRender(ARender) {
  FSizeStack.Push(FFont->GetHeight(), nullptr);
  FFont->OnChange = {this, &TZCLTextLayoutVisualExporter::FontChangedEvent};
  if (FRender != nullptr) FRender->SetFont(FFont);
}

TZCLTextLayoutVisualExporter::~TZCLTextLayoutVisualExporter() { delete FFont; }

void TZCLTextLayoutVisualExporter::Assign(TZCLTextLayoutVisualExporter* Source) {
  FSizeStack.Assign(Source->FSizeStack);
  std::copy(std::begin(Source->FStyleCounters), std::end(Source->FStyleCounters), FStyleCounters);
  FFont->Assign(Source->FFont);
  FFont->SetHeight(Source->FFont->GetHeight());
  FontChanged();
}

void TZCLTextLayoutVisualExporter::FontChanged() {
  if (FRender != nullptr) FRender->SetFont(FFont);
}

bool TZCLTextLayoutVisualExporter::OnFontSize(TZCLTextLayoutBlockFontSize* Block) {
  const TClass key = TZCLTextLayoutBlockFontSize::StaticClass();
  if (Block->IsOpening) {
    Integer height;
    if (Block->IsFactor)
      height = Integer(std::nearbyint(FFont->GetHeight() * Block->Factor));
    else
      height = -MulDiv(Block->Points, FLayout->GetTargetDPI(), 72);
    FSizeStack.Push(height, key);
  } else {
    FSizeStack.Remove(key);
  }
  FFont->SetHeight(FSizeStack.Peek());
  return true;
}

bool TZCLTextLayoutVisualExporter::OnFontStyle(TZCLTextLayoutBlockFontStyle* Block) {
  const Byte index = Block->StyleIndex;
  if (index > 3) return true;
  Word& counter = FStyleCounters[index];
  if (Block->IsOpening)
    ++counter;
  else if (counter > 0)
    --counter;
  TFontStyles style = FFont->GetStyle();
  if (counter > 0)
    style.Include(TFontStyle(index));
  else
    style.Exclude(TFontStyle(index));
  FFont->SetStyle(style);
  return true;
}

// ---- calculator -----------------------------------------------------------------------------------------------

TZCLTextLayoutCalculator::TZCLTextLayoutCalculator(TZCLTextLayout* ALayout, TZCLTextLayoutRender* ARender)
    : TZCLTextLayoutVisualExporter(ALayout, ARender), FRows(ALayout->GetRows()) {
  const TZCLTextLayoutOptions options = ALayout->GetOptions();
  FWholeRowsOnly = options & tloWholeRowsOnly;
  FEndEllipsis = options & tloEndEllipsis;
  FSingleLine = options & tloSingleLine;
  FWordWrap = (options & tloWordWrap) && !FSingleLine;
  const TRect m = FontShadowMargins(ALayout->GetFont());
  const TRect b = ALayout->GetBounds();
  FBounds = TRect(b.Left + m.Left, b.Top + m.Top, b.Right - m.Right, b.Bottom - m.Bottom);
  FMaxWidth = options & tloNoWidthLimit ? 0x7FFFFFFF : FBounds.Width();
  FMaxHeight = options & tloNoHeightLimit ? 0x7FFFFFFF : FBounds.Height();
  FSkipOverflow = ALayout->GetHorzAlignment() != taLeftJustify && !(options & tloNoWidthLimit);
  FRow = new TZCLTextLayoutRow();
  FRuns.reserve(8);
  FontChanged();
}

TZCLTextLayoutCalculator::TZCLTextLayoutCalculator(TZCLTextLayoutCalculator* Source)
    : TZCLTextLayoutVisualExporter(Source->GetLayout(), Source->FRender) {
  FRow = new TZCLTextLayoutRow();
  Assign(Source);
}

TZCLTextLayoutCalculator::~TZCLTextLayoutCalculator() {
  delete FRow;
  delete FPreparedEllipsis;
}

void TZCLTextLayoutCalculator::FontChanged() {
  TZCLTextLayoutVisualExporter::FontChanged();
  FRender->GetMetrics(FBaseline, FLineHeight, FSpaceWidth);
}

void TZCLTextLayoutCalculator::Place(TZCLTextLayoutBlock* Block) {
  if (FRow->Baseline < FBaseline) FRow->SetBaseline(FBaseline);
  Block->Position = TPoint(FCursorX, FCursorY + FRow->Baseline - FBaseline);
  FRow->Add(Block);
}

bool TZCLTextLayoutCalculator::PlaceMarker(TZCLTextLayoutBlock* Block) {
  if (FRow == nullptr) return false;
  Place(Block);
  return true;
}

bool TZCLTextLayoutCalculator::OnFontSize(TZCLTextLayoutBlockFontSize* Block) {
  if (FRow == nullptr) return false;
  if (Block->IsOpening) {
    TZCLTextLayoutVisualExporter::OnFontSize(Block);
    Place(Block);
  } else {
    Place(Block);
    TZCLTextLayoutVisualExporter::OnFontSize(Block);
  }
  return true;
}

bool TZCLTextLayoutCalculator::OnFontStyle(TZCLTextLayoutBlockFontStyle* Block) {
  if (FRow == nullptr) return false;
  TZCLTextLayoutVisualExporter::OnFontStyle(Block);
  Place(Block);
  return true;
}

bool TZCLTextLayoutCalculator::BreakRow() {
  if (!CompleteRow()) return false;
  if (FCursorY >= FMaxHeight) {
    TruncateAtHeight();
    return false;
  }
  FRow = new TZCLTextLayoutRow();
  FRow->Bounds = TRect(FCursorX, FCursorY, FCursorX, FCursorY);
  FRowTruncated = false;
  return true;
}

bool TZCLTextLayoutCalculator::OnLineBreak(TZCLTextLayoutBlockLineBreak* Block) {
  if (FRow == nullptr) return false;
  Block->Position = TPoint(FCursorX, FCursorY);
  if (FSingleLine) {
    FCursorX += FSpaceWidth;
    return true;
  }
  return BreakRow();
}

bool TZCLTextLayoutCalculator::OnSpace(TZCLTextLayoutBlockSpace* Block) {
  if (FRow == nullptr) return false;
  if (FRowTruncated) return true;
  Block->Height = Word(std::clamp(FLineHeight, 0, 65535));
  Block->Width = FWordWrap && FCursorX + FSpaceWidth > FMaxWidth ? 0 : Word(std::clamp(FSpaceWidth, 0, 65535));
  Place(Block);
  FCursorX += Block->Width;
  return true;
}

bool TZCLTextLayoutCalculator::OnText(TZCLTextLayoutBlockText* Block) {
  if (FRow == nullptr) return false;
  if (Block->Width == 0 || Block->VisibleLength < Block->Length) FRender->Measure(Block);
  if (FWordWrap) {
    if (FCursorX > 0 && (FRowTruncated || FCursorX + Block->Width > FMaxWidth) && !BreakRow()) return false;
  } else if (FCursorX >= FMaxWidth) {
    CutRow();
    if (FRowTruncated) return !FSingleLine;
    if (FSkipOverflow) return true;
  }
  if (FRowTruncated) return true;
  const Integer direction = CharStrongDirection(FirstCodePoint(Block));
  const Integer index = FRow->GetCount();
  if (direction > 0) {
    FInRightToLeftRun = false;
  } else if (FInRightToLeftRun) {
    FRuns.back().Finish = index;
  } else if (direction < 0) {
    FRuns.push_back({index, index});
    FInRightToLeftRun = true;
  }
  Place(Block);
  FCursorX += Block->Width;
  if (FCursorX > FMaxWidth) CutRow();
  return true;
}

bool TZCLTextLayoutCalculator::OnSpan(TZCLTextLayoutBlockSpan* Block) {
  if (FRow == nullptr) return false;
  if (!FWordWrap) return TZCLTextLayoutVisualExporter::OnSpan(Block);
  {
    TZCLTextLayoutCalculator measuring(this);
    Block->Blocks->Export(&measuring);
    measuring.Finish();
  }
  FontChanged();
  const Integer width = Block->Blocks->GetBounds().Width();
  const bool fits = FCursorX <= 0 || (!FRowTruncated && FCursorX + width <= FMaxWidth) || BreakRow();
  if (!fits) return false;
  FWordWrap = false;
  const bool result = TZCLTextLayoutVisualExporter::OnSpan(Block);
  FWordWrap = true;
  return result;
}

TZCLTextLayoutBlockText* TZCLTextLayoutCalculator::NewEllipsis() {
  auto* ellipsis = new TZCLTextLayoutBlockText();
  ellipsis->Text = GEllipsisText;
  ellipsis->Length = 1;
  FRender->Measure(ellipsis);
  return ellipsis;
}

void TZCLTextLayoutCalculator::CutRow() {
  FLayout->SetTruncated(true);
  if (!FEndEllipsis) return;
  if (FRow->Ellipsis == nullptr) FRow->SetEndEllipsis(FRender, FMaxWidth, NewEllipsis());
  FCursorX = FRow->Ellipsis->Position.X;
  FRowTruncated = true;
}

void TZCLTextLayoutCalculator::TruncateAtHeight() {
  FLayout->SetTruncated(true);
  delete FRow;
  FRow = nullptr;
  if (FEndEllipsis && FPreparedEllipsis != nullptr && FRows != nullptr && FRows->GetCount() > 0) {
    TZCLTextLayoutRow* last = (*FRows)[FRows->GetCount() - 1];
    if (last->Ellipsis == nullptr) {
      last->SetEndEllipsis(FRender, FMaxWidth, FPreparedEllipsis);
      FPreparedEllipsis = nullptr;
    }
  }
}

bool TZCLTextLayoutCalculator::CompleteRow() {
  if (FRow == nullptr) return false;
  if (FRow->IsEmpty())
    FRow->Bounds = TRect(FRow->Bounds.Left, FRow->Bounds.Top, FRow->Bounds.Left, FRow->Bounds.Top + FLineHeight);
  else
    FRow->Bounds = FRow->GetBounds();
  if (FRows == nullptr) {
    delete FRow;
    FRow = nullptr;
    return false;
  }
  if (FRow->Bounds.Top > FMaxHeight || (FWholeRowsOnly && FRow->Bounds.Bottom > FMaxHeight)) {
    TruncateAtHeight();
    return false;
  }
  FCursorX = 0;
  FCursorY = FRow->Bounds.Bottom;
  FRows->Add(FRow);
  for (const TRun& run : FRuns) {
    if (run.Start >= run.Finish) continue;
    TRect u;
    for (Integer i = run.Start; i <= run.Finish; ++i) {
      const TRect r = (*FRow)[i]->GetBounds();
      u = i == run.Start ? r
                         : TRect(std::min(u.Left, r.Left), std::min(u.Top, r.Top), std::max(u.Right, r.Right),
                                 std::max(u.Bottom, r.Bottom));
    }
    for (Integer i = run.Start; i <= run.Finish; ++i) {
      TZCLTextLayoutBlock* b = (*FRow)[i];
      b->Position.X = u.Left + u.Right - (b->Position.X + b->GetBounds().Width());
    }
  }
  FRuns.clear();
  FInRightToLeftRun = false;
  FRow = nullptr;
  if (FEndEllipsis) {
    if (FPreparedEllipsis == nullptr) {
      FPreparedEllipsis = new TZCLTextLayoutBlockText();
      FPreparedEllipsis->Text = GEllipsisText;
      FPreparedEllipsis->Length = 1;
    }
    FRender->Measure(FPreparedEllipsis);
  }
  return true;
}

void TZCLTextLayoutCalculator::Align() {
  const TZCLTextLayout* layout = FLayout;
  Integer y0 = FBounds.Top;
  const TRect u = FRows->GetBounds();
  if (layout->GetVertAlignment() == taAlignBottom)
    y0 += std::max(0, FBounds.Height() - u.Bottom);
  else if (layout->GetVertAlignment() == taVerticalCenter)
    y0 += std::max(0, (FBounds.Height() - u.Bottom) / 2);
  for (TZCLTextLayoutRow* row : *FRows) {
    Integer x0 = FBounds.Left;
    if (layout->GetHorzAlignment() == taRightJustify)
      x0 += std::max(0, FBounds.Width() - row->Bounds.Right);
    else if (layout->GetHorzAlignment() == taCenter)
      x0 += std::max(0, (FBounds.Width() - row->Bounds.Right) / 2);
    else
      x0 -= row->Bounds.Left;
    row->Offset(x0, y0);
  }
}

void TZCLTextLayoutCalculator::Finish() {
  CompleteRow();
  delete FRow;
  FRow = nullptr;
  if (FRows != nullptr) Align();
  delete FPreparedEllipsis;
  FPreparedEllipsis = nullptr;
}

void TZCLTextLayoutRow::SetEndEllipsis(TZCLTextLayoutRender* Render, Integer MaxRight,
                                       TZCLTextLayoutBlockText* AEllipsis) {
  Ellipsis = AEllipsis;
  const Integer limit = MaxRight - AEllipsis->Width;
  AEllipsis->Position.X = Bounds.Right;
  for (Integer i = GetCount() - 1; i >= 0; --i) {
    TZCLTextLayoutBlock* b = (*this)[i];
    b->Shrink(Render, limit);
    if (b->Position.X < limit) {
      AEllipsis->Position.X = b->GetBounds().Right + 1;
      break;
    }
  }
  AEllipsis->Position.Y = IsEmpty() ? Bounds.Top : Last()->Position.Y;
  Add(AEllipsis);
  Bounds.Right = AEllipsis->Position.X + AEllipsis->Width;
}

// ---- canvas render ------------------------------------------------------------------------------------------------

TZCLTextLayoutCanvasRender::~TZCLTextLayoutCanvasRender() {
  // The canvas gets its own font back before the cached ones go.
  if (FFontSelected) SelectObject(FCanvas->GetHandle(), ToGdiObject(FCanvas->GetFont()->GetHandle()));
  for (TFont* font : FFonts) delete font;
}

HDC TZCLTextLayoutCanvasRender::PreparedDC() {
  HDC dc = FCanvas->GetHandle();
  TBrush* brush = FCanvas->GetBrush();
  SetBkMode(dc, brush->GetStyle() == TBrushStyle::bsClear ? TRANSPARENT : OPAQUE);
  SetBkColor(dc, COLORREF(ColorToRGB(brush->GetColor())) & 0x00FFFFFF);
  if (FCurrentFont != nullptr) {
    SelectObject(dc, ToGdiObject(FCurrentFont->GetHandle()));
    SetTextColor(dc, COLORREF(ColorToRGB(FCurrentColor)) & 0x00FFFFFF);
    FFontSelected = true;
  }
  return dc;
}

TZCLTextLayoutRender* TZCLTextLayoutCanvasRender::CreateCompatibleRender(TZCLDib* Dib) {
  return new TZCLTextLayoutCanvasRender(Dib->GetCanvas());
}

void TZCLTextLayoutCanvasRender::DrawImage(TZCLDib* Dib, const TRect& R) {
  Dib->DrawBlendRect(FCanvas, R, Dib->ClientRect(), 255, false);
}

void TZCLTextLayoutCanvasRender::DrawText(TZCLTextLayoutBlockText* Block, Integer X, Integer Y) {
  const Integer count = std::min<Integer>(Block->VisibleLength, Integer(Block->CharWidths.size()));
  if (count <= 0) return;
  ExtTextOutW(PreparedDC(), X, Y, 0, nullptr, Block->Text, UINT(count), Block->CharWidths.data());
}

void TZCLTextLayoutCanvasRender::DrawUnderline(const TRect& R) {
  const int advance = R.Width();
  const Char space = u' ';
  ExtTextOutW(PreparedDC(), R.Left, R.Top, ETO_CLIPPED, &R, &space, 1, &advance);
}

void TZCLTextLayoutCanvasRender::FillBackground(const TRect& R) {
  if (FCanvas->GetBrush()->GetStyle() == TBrushStyle::bsClear) return;
  FCanvas->FillRect(R);
}

bool TZCLTextLayoutCanvasRender::GetClipBox(TRect& R) { return ::GetClipBox(FCanvas->GetHandle(), &R) != NULLREGION; }

void TZCLTextLayoutCanvasRender::GetMetrics(Integer& Baseline, Integer& LineHeight, Integer& SpaceWidth) {
  TEXTMETRICW tm{};
  GetTextMetricsW(PreparedDC(), &tm);
  Baseline = Integer(tm.tmHeight - tm.tmDescent);
  LineHeight = Integer(tm.tmHeight + tm.tmExternalLeading);
  TSize space{};
  GetTextExtentPoint32W(PreparedDC(), u" ", 1, &space);
  SpaceWidth = space.cx;
}

void TZCLTextLayoutCanvasRender::Measure(TZCLTextLayoutBlockText* Block) {
  const Integer length = Block->Length;
  Block->CharWidths.assign(size_t(length), 0);
  TSize size{};
  int fit = 0;
  if (length > 0)
    GetTextExtentExPointW(PreparedDC(), Block->Text, length, 0x7FFFFFFF, &fit, Block->CharWidths.data(), &size);
  for (Integer i = length - 1; i > 0; --i) Block->CharWidths[size_t(i)] -= Block->CharWidths[size_t(i - 1)];
  Block->VisibleLength = Word(length);
  Block->Width = Word(std::clamp(Integer(size.cx), 0, 65535));
  Block->Height = Word(std::clamp(Integer(size.cy), 0, 65535));
}

void TZCLTextLayoutCanvasRender::SetFill(TColor Color) {
  if (Color == clNone || Color == clDefault) {
    FCanvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
  } else {
    FCanvas->GetBrush()->SetColor(Color);
    FCanvas->GetBrush()->SetStyle(TBrushStyle::bsSolid);
  }
}

void TZCLTextLayoutCanvasRender::SetFont(TFont* Font) {
  auto it = std::find_if(FFonts.begin(), FFonts.end(), [&](const TFont* F) { return FontsLookAlike(F, Font); });
  if (it == FFonts.end()) {
    auto* copy = new TFont();
    copy->Assign(Font);
    copy->SetHeight(Font->GetHeight());
    FFonts.push_back(copy);
    it = FFonts.end() - 1;
  }
  FCurrentFont = *it;
  // Kept apart: a colour change would drop the font's handle.
  FCurrentColor = Font->GetColor();
}

// ---- layout calculation -------------------------------------------------------------------------------------------

TZCLTextLayoutRender* TZCLTextLayout::CreateRender(TCanvas* Canvas) { return new TZCLTextLayoutCanvasRender(Canvas); }

void TZCLTextLayout::Calculate(TCanvas* Canvas) {
  if (!FDirty) return;
  std::unique_ptr<TZCLTextLayoutRender> render(CreateRender(Canvas));
  CalculateWithRender(render.get());
}

void TZCLTextLayout::CalculateWithRender(TZCLTextLayoutRender* Render) {
  if (!FDirty) return;
  FTruncated = false;
  FRows->Clear();
  FDirty = false;
  if (FBlocks->IsEmpty()) return;
  TZCLTextLayoutCalculator calculator(this, Render);
  try {
    FBlocks->Export(&calculator);
  } catch (...) {
    calculator.Finish();
    throw;
  }
  calculator.Finish();
}

namespace {
void RequireCalculated(const TZCLTextLayout* Layout) {
  if (Layout->GetDirty()) throw EInvalidOperation(Layout->ClassName() + u" is not yet calculated");
}
}  // namespace

TSize TZCLTextLayout::MeasureSize() const {
  RequireCalculated(this);
  const TSize size = FRows->GetBounds().Size();
  if (size.cx <= 0 || size.cy <= 0) return size;
  const TRect m = FontShadowMargins(FFont);
  return TSize(size.cx + m.Left + m.Right, size.cy + m.Top + m.Bottom);
}

Integer TZCLTextLayout::RowCount() const {
  RequireCalculated(this);
  return FRows->GetCount();
}

// ---- painting -------------------------------------------------------------------------------------------------------

namespace {

bool Intersects(const TRect& A, const TRect& B) {
  return A.Left < B.Right && B.Left < A.Right && A.Top < B.Bottom && B.Top < A.Bottom;
}

}  // namespace

TZCLTextLayoutPainter::TZCLTextLayoutPainter(TZCLTextLayout* ALayout, TZCLTextLayoutRender* ARender,
                                             bool ADrawBackgrounds, bool ADrawText)
    : TZCLTextLayoutVisualExporter(ALayout, ARender), FDrawBackgrounds(ADrawBackgrounds), FDrawText(ADrawText) {
  if (!ARender->GetClipBox(FClipRect)) FClipRect = TRect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
  FDefaultTextColor = ALayout->GetDefaultTextColor();
  FFont->SetColor(FDefaultTextColor);
  ARender->SetFill(clNone);
}

bool TZCLTextLayoutPainter::OnFillColor(TZCLTextLayoutBlockFillColor* Block) {
  const TClass key = TZCLTextLayoutBlockFillColor::StaticClass();
  if (Block->IsOpening)
    FFillStack.Push(Block->Color, key);
  else
    FFillStack.Remove(key);
  if (FDrawBackgrounds) {
    FHasFill = !FFillStack.IsEmpty();
    FRender->SetFill(FHasFill ? FFillStack.Peek() : clNone);
  }
  return true;
}

bool TZCLTextLayoutPainter::OnFontColor(TZCLTextLayoutBlockFontColor* Block) {
  const TClass key = TZCLTextLayoutBlockFontColor::StaticClass();
  if (Block->IsOpening)
    FColorStack.Push(Block->Color, key);
  else
    FColorStack.Remove(key);
  UpdateTextColor();
  return true;
}

bool TZCLTextLayoutPainter::OnHyperlink(TZCLTextLayoutBlockHyperlink* Block) {
  TZCLTextLayoutVisualExporter::OnFontStyle(Block);
  const TClass key = TZCLTextLayoutBlockHyperlink::StaticClass();
  if (Block->IsOpening)
    FColorStack.Push(FLayout->GetDefaultHyperlinkColor(), key);
  else
    FColorStack.Remove(key);
  UpdateTextColor();
  return true;
}

void TZCLTextLayoutPainter::UpdateTextColor() {
  TColor color = FColorStack.IsEmpty() ? clDefault : FColorStack.Peek();
  if (color == clDefault) color = FDefaultTextColor;
  FFont->SetColor(color);
}

bool TZCLTextLayoutPainter::OnSpace(TZCLTextLayoutBlockSpace* Block) {
  const TRect r = Block->GetBounds();
  if (Block->Width == 0 || !Intersects(r, FClipRect)) return true;
  if (FDrawText && FFont->GetStyle().Contains(fsUnderline))
    FRender->DrawUnderline(r);
  else if (FHasFill)
    FRender->FillBackground(r);
  return true;
}

bool TZCLTextLayoutPainter::OnText(TZCLTextLayoutBlockText* Block) {
  const TRect r = Block->GetBounds();
  if (Block->VisibleLength == 0 || !Intersects(r, FClipRect)) return true;
  if (FDrawText)
    FRender->DrawText(Block, Block->Position.X, Block->Position.Y);
  else if (FHasFill)
    FRender->FillBackground(r);
  return true;
}

TZCLTextLayoutShadowPainter::TZCLTextLayoutShadowPainter(TZCLTextLayout* ALayout, TZCLTextLayoutRender* ATarget)
    : TZCLTextLayoutVisualExporter(ALayout, nullptr), FTarget(ATarget) {
  auto* font = dynamic_cast<TZCLFont*>(ALayout->GetFont());
  FShadow = font->GetShadow();
  const TRect m = FShadow->GetShadowMargins();
  TRect r = ALayout->GetRows()->GetBounds();
  r = TRect(r.Left - m.Left, r.Top - m.Top, r.Right + m.Right, r.Bottom + m.Bottom);
  TRect clip;
  if (ATarget->GetClipBox(clip))
    r = TRect(std::max(r.Left, clip.Left), std::max(r.Top, clip.Top), std::min(r.Right, clip.Right),
              std::min(r.Bottom, clip.Bottom));
  if (r.Width() <= 0 || r.Height() <= 0) r = TRect(r.Left, r.Top, r.Left + 1, r.Top + 1);
  FOrigin = r.TopLeft();
  FDib = new TZCLDib(r.Width(), r.Height());
  FDib->Reset();
  FRender = ATarget->CreateCompatibleRender(FDib);
  FOffset = FShadow->GetOffset();
  FIsGlow = FOffset.X == 0 && FOffset.Y == 0;
  FSize = FShadow->GetSize();
  // Opaque white: a transparent text colour must not take the shadow with it on 32-bit renders.
  if (auto* font32 = dynamic_cast<TZCLFont*>(FFont)) font32->SetColorAlpha(255);
  FFont->SetColor(clWhite);
  FRender->SetFill(clNone);
  FontChanged();
}

TZCLTextLayoutShadowPainter::~TZCLTextLayoutShadowPainter() {
  delete FRender;
  delete FDib;
}

bool TZCLTextLayoutShadowPainter::OnText(TZCLTextLayoutBlockText* Block) {
  if (Block->Width == 0) return true;
  const Integer x = Block->Position.X - FOrigin.X, y = Block->Position.Y - FOrigin.Y;
  if (FIsGlow) {
    for (Integer i = -FSize; i <= FSize; ++i)
      for (Integer j = -FSize; j <= FSize; ++j)
        if (i != j) FRender->DrawText(Block, x + i, y + j);
  } else {
    for (Integer k = 1; k <= FSize; ++k) FRender->DrawText(Block, x + k * FOffset.X, y + k * FOffset.Y);
  }
  return true;
}

void TZCLTextLayoutShadowPainter::Finish() {
  delete FRender;
  FRender = nullptr;
  FShadow->BlurImage(FDib);
  ColorizeTextImage(FDib, TAlphaColorHelper::ToPixel(TAlphaColorHelper::ToARGB(FShadow->GetColor())));
  FTarget->DrawImage(FDib, TRect(FOrigin, FDib->GetWidth(), FDib->GetHeight()));
}

// ---- 32-bit render
// ---------------------------------------------------------------------------------------------------

TZCLTextLayoutCanvasRender32::~TZCLTextLayoutCanvasRender32() { delete FFont32; }

TZCLTextLayoutRender* TZCLTextLayoutCanvasRender32::CreateCompatibleRender(TZCLDib* Dib) {
  return new TZCLTextLayoutCanvasRender32(Dib->GetCanvas());
}

void TZCLTextLayoutCanvasRender32::DrawText(TZCLTextLayoutBlockText* Block, Integer X, Integer Y) {
  if (FFont32 == nullptr) return;
  DrawText32Core(Block->Text, Block->Length, Block->Width, Block->Height, FFont32, TPoint(0, 0), 0,
                 [&](TZCLDib* Image) { Image->DrawBlendAt(FCanvas, TPoint(X, Y), 255); });
}

void TZCLTextLayoutCanvasRender32::DrawUnderline(const TRect& R) {
  if (FFont32 == nullptr) return;
  static const Char space[] = u" ";
  DrawText32Core(space, 1, R.Width(), R.Height(), FFont32, TPoint(0, 0), 0,
                 [&](TZCLDib* Image) { Image->DrawBlendAt(FCanvas, R.TopLeft(), 255); });
}

void TZCLTextLayoutCanvasRender32::FillBackground(const TRect& R) {
  TBrush* brush = FCanvas->GetBrush();
  if (brush->GetStyle() == TBrushStyle::bsClear) return;
  FillRectAlpha(FCanvas, R, TAlphaColorHelper::FromColor(brush->GetColor(), 255), 0);
}

void TZCLTextLayoutCanvasRender32::SetFont(TFont* Font) {
  if (FFont32 == nullptr) FFont32 = new TZCLFont();
  FFont32->Assign(Font);
  FFont32->SetHeight(Font->GetHeight());
  FFont32->GetShadow()->Reset();
  TZCLTextLayoutCanvasRender::SetFont(Font);
}

TZCLTextLayoutRender* TZCLTextLayout32::CreateRender(TCanvas* Canvas) {
  return new TZCLTextLayoutCanvasRender32(Canvas);
}

// ---- hit testing and export
// -------------------------------------------------------------------------------------------

void TZCLTextLayoutHitTest::Reset() {
  FHitBlock = nullptr;
  FHyperlinks.clear();
}

bool TZCLTextLayoutHitTest::OnHyperlink(TZCLTextLayoutBlockHyperlink* Block) {
  if (Block->IsOpening)
    FHyperlinks.push_back(Block);
  else if (!FHyperlinks.empty())
    FHyperlinks.pop_back();
  return true;
}

bool TZCLTextLayoutHitTest::Hit(TZCLTextLayoutBlock* Block) {
  const TRect r = Block->GetBounds();
  if (Point.X >= r.Left && Point.X < r.Right && Point.Y >= r.Top && Point.Y < r.Bottom) {
    FHitBlock = Block;
    return false;
  }
  return true;
}

TZCLTextLayoutBlockHyperlink* TZCLTextLayoutHitTest::GetHyperlink() const {
  return FHitBlock != nullptr && !FHyperlinks.empty() ? FHyperlinks.back() : nullptr;
}

Integer TZCLTextLayoutHitTest::GetHitRowIndex() const {
  if (FHitBlock == nullptr) return -1;
  const TZCLTextLayoutRows& rows = *FLayout->GetRows();
  for (Integer i = 0; i < rows.GetCount(); ++i)
    if (rows[i]->IndexOf(FHitBlock) >= 0) return i;
  return -1;
}

namespace {
// The index in Blocks of the top-level block that is or holds Block (a piece of a span).
Integer TopLevelIndexOf(const TZCLTextLayoutBlockList& Blocks, const TZCLTextLayoutBlock* Block) {
  for (Integer i = 0; i < Blocks.GetCount(); ++i) {
    TZCLTextLayoutBlock* b = Blocks[i];
    if (b == Block) return i;
    if (auto* span = dynamic_cast<TZCLTextLayoutBlockSpan*>(b))
      if (span->Blocks->IndexOf(Block) >= 0) return i;
  }
  return -1;
}
}  // namespace

String TZCLTextLayoutHitTest::GetHitRowText() const {
  const Integer rowCount = FLayout->RowCount();
  const Integer index = GetHitRowIndex();
  if (index < 0) return String();
  const TZCLTextLayoutRows& rows = *FLayout->GetRows();
  TZCLTextLayoutRow* row = rows[index];
  if (row->Ellipsis == nullptr || row->IsEmpty()) return String();
  const TZCLTextLayoutBlockList& blocks = *FLayout->GetBlocks();
  const Integer first = TopLevelIndexOf(blocks, (*row)[0]);
  if (first < 0) return String();
  Integer last = blocks.GetCount() - 1;
  for (Integer i = index + 1; i < rowCount; ++i)
    if (!rows[i]->IsEmpty()) {
      const Integer next = TopLevelIndexOf(blocks, (*rows[i])[0]);
      if (next >= 0) last = std::max(first, next - 1);
      break;
    }
  TZCLPlainTextExporter exporter(FLayout);
  for (Integer i = first; i <= last; ++i)
    if (!blocks[i]->Export(&exporter)) break;
  const String& text = exporter.GetText();
  size_t from = 0, to = text.size();
  while (from < to && text[from] < 33) ++from;
  while (to > from && text[to - 1] < 33) --to;
  return text.substr(from, to - from);
}

TZCLPlainTextExporter::TZCLPlainTextExporter(TZCLTextLayout* ALayout) : TZCLTextLayoutExporter(ALayout) {
  FText.reserve(ALayout->GetText().size());
}

bool TZCLPlainTextExporter::OnLineBreak(TZCLTextLayoutBlockLineBreak*) {
  FText += u"\r\n";
  return true;
}

bool TZCLPlainTextExporter::OnSpace(TZCLTextLayoutBlockSpace*) {
  FText += u' ';
  return true;
}

bool TZCLPlainTextExporter::OnText(TZCLTextLayoutBlockText* Block) {
  if (Block->Text != nullptr) FText.append(Block->Text, Block->Length);
  return true;
}

// ---- layout painting
// ------------------------------------------------------------------------------------------------------

TColor TZCLTextLayout::GetDefaultHyperlinkColor() {
  Byte h, s, l;
  TZCLColors::ColorToHSLBytes(GetDefaultTextColor(), h, s, l);
  return TZCLColors::HSLToColorBytes(154, std::max<Byte>(s, 154), std::clamp<Byte>(l, 100, 200));
}

void TZCLTextLayout::DrawCore(TZCLTextLayoutRender* Render) {
  CalculateWithRender(Render);
  auto walk = [&](TZCLTextLayoutExporter* Exporter) {
    for (TZCLTextLayoutRow* row : *FRows)
      if (!row->Export(Exporter)) return;
  };
  if (VisibleShadowOf(FFont) == nullptr) {
    TZCLTextLayoutPainter painter(this, Render, true, true);
    walk(&painter);
    return;
  }
  {
    TZCLTextLayoutPainter backgrounds(this, Render, true, false);
    walk(&backgrounds);
  }
  {
    TZCLTextLayoutShadowPainter shadow(this, Render);
    walk(&shadow);
    shadow.Finish();
  }
  TZCLTextLayoutPainter text(this, Render, false, true);
  walk(&text);
}

void TZCLTextLayout::Draw(TCanvas* Canvas) {
  if (FOptions & tloNoClip) {
    std::unique_ptr<TZCLTextLayoutRender> render(CreateRender(Canvas));
    DrawCore(render.get());
  } else {
    DrawClipped(Canvas, FBounds);
  }
}

void TZCLTextLayout::DrawClipped(TCanvas* Canvas, const TRect& R) {
  HDC dc = Canvas->GetHandle();
  HRGN saved = nullptr;
  if (!ClipRegionPush(dc, R, saved)) return;
  try {
    std::unique_ptr<TZCLTextLayoutRender> render(CreateRender(Canvas));
    DrawCore(render.get());
  } catch (...) {
    ClipRegionPop(dc, saved);
    throw;
  }
  ClipRegionPop(dc, saved);
}

void TZCLTextLayout::DrawWithOrigin(TCanvas* Canvas, const TRect& R, const TPoint& P) {
  if (P.X == 0 && P.Y == 0) {
    DrawClipped(Canvas, R);
    return;
  }
  HDC dc = Canvas->GetHandle();
  const TPoint old = MoveWindowOrg(dc, P);
  try {
    DrawClipped(Canvas, TRect(R.Left - P.X, R.Top - P.Y, R.Right - P.X, R.Bottom - P.Y));
  } catch (...) {
    RestoreWindowOrg(dc, old);
    throw;
  }
  RestoreWindowOrg(dc, old);
}

bool TZCLTextLayout::HitTest(const TPoint& P, TZCLTextLayoutBlockHyperlink*& Hyperlink) {
  TZCLTextLayoutHitTest test(this);
  HitTestCore(P, &test);
  Hyperlink = test.GetHyperlink();
  return Hyperlink != nullptr;
}

void TZCLTextLayout::HitTestCore(const TPoint& P, TZCLTextLayoutHitTest* Test) {
  Test->Reset();
  Test->Point = P;
  for (TZCLTextLayoutRow* row : *FRows)
    if (!row->Export(Test)) return;
}

String TZCLTextLayout::ToString() const {
  TZCLPlainTextExporter exporter(const_cast<TZCLTextLayout*>(this));
  FBlocks->Export(&exporter);
  return exporter.GetText();
}

void TZCLTextLayout::Refresh() {
  for (TZCLTextLayoutBlock* b : *FBlocks) b->ResetMetrics();
  FDirty = true;
}

bool TZCLTextLayout::FindBlock(Integer Position, TZCLTextLayoutBlock*& Block) const {
  Block = nullptr;
  if (Position < 1 || Position > Integer(FText.size())) return false;
  const Char* target = FText.c_str() + Position;
  for (TZCLTextLayoutBlock* b : *FBlocks)
    if (b->Text == target) {
      Block = b;
      return true;
    }
  return false;
}

void DrawFormattedText(TCanvas* Canvas, const String& Text, const TRect& R, TAlignment HorzAlignment,
                       TVerticalAlignment VertAlignment, bool WordWrap) {
  if (Text.empty() || !IsRectVisible(Canvas, R)) return;
  std::unique_ptr<TFont> copy(new TFont());
  copy->Assign(Canvas->GetFont());
  copy->SetHeight(Canvas->GetFont()->GetHeight());
  {
    TZCLTextLayout layout(copy.get());
    layout.SetOption(tloWordWrap, WordWrap);
    layout.SetText(Text, TZCLTextFormatSettings::Default());
    layout.SetHorzAlignment(HorzAlignment);
    layout.SetVertAlignment(VertAlignment);
    layout.SetBounds(R);
    layout.Draw(Canvas);
  }
  Canvas->GetFont()->Assign(copy.get());
}
