#pragma once
// Formatted text: TZCLTextLayout parses a string with inline bracket tags ([B], [COLOR=red],
// [URL=...], ...) into blocks that point into the text, lays them out in rows (wrapping,
// alignment, truncation with an ellipsis, right-to-left runs), paints them with colours,
// backgrounds, underlines and shadows, exports the plain text and finds the block under a point.
// Everything that reads blocks does so through a TZCLTextLayoutExporter (a visitor).

#include <vector>

#include "vcl/VCL.Graphics.h"
#include "zcl/graphics/ZCL.Graphics.Render.h"

class TZCLTextLayout;
class TZCLTextLayoutExporter;
class TZCLTextLayoutRender;
class TZCLDib;

// ---- blocks -------------------------------------------------------------------------------------

// A piece of the layout's text. Text points into the layout's string (null for the link markers
// that detection adds); Position is set by calculation, relative to the layout.
class TZCLTextLayoutBlock : public TObject {
  ZCL_CLASS(TZCLTextLayoutBlock, TObject)
 public:
  virtual TRect GetBounds() const { return TRect(Position.X, Position.Y, Position.X, Position.Y); }
  // Calls the exporter's operation for this block's class; false stops the walk.
  virtual bool Export(TZCLTextLayoutExporter* Exporter) { return true; }
  virtual void ResetMetrics() {}
  // Cuts the block so that it ends at MaxRight at most.
  virtual void Shrink(TZCLTextLayoutRender* Render, Integer MaxRight);

  TPoint Position;
  const Char* Text = nullptr;
  Word Length = 0;
};

class TZCLTextLayoutBlockLineBreak : public TZCLTextLayoutBlock {
  ZCL_CLASS(TZCLTextLayoutBlockLineBreak, TZCLTextLayoutBlock)
 public:
  bool Export(TZCLTextLayoutExporter* Exporter) override;
};

class TZCLTextLayoutBlockSpace : public TZCLTextLayoutBlock {
  ZCL_CLASS(TZCLTextLayoutBlockSpace, TZCLTextLayoutBlock)
 public:
  TRect GetBounds() const override { return TRect(Position, Width, Height); }
  bool Export(TZCLTextLayoutExporter* Exporter) override;
  void Shrink(TZCLTextLayoutRender* Render, Integer MaxRight) override;
  Word Width = 0;
  Word Height = 0;
};

class TZCLTextLayoutBlockText : public TZCLTextLayoutBlock {
  ZCL_CLASS(TZCLTextLayoutBlockText, TZCLTextLayoutBlock)
 public:
  TRect GetBounds() const override { return TRect(Position, Width, Height); }
  bool Export(TZCLTextLayoutExporter* Exporter) override;
  void ResetMetrics() override;
  void Shrink(TZCLTextLayoutRender* Render, Integer MaxRight) override;
  // Characters drawn: Length, or fewer after a cut.
  Word VisibleLength = 0;
  // One advance per UTF-16 code unit (0 for the second half of a surrogate pair).
  std::vector<Integer> CharWidths;
  Word Width = 0;
  Word Height = 0;
};

// An opening ([X]) or closing ([/X]) tag.
class TZCLTextLayoutBlockStyle : public TZCLTextLayoutBlock {
  ZCL_CLASS(TZCLTextLayoutBlockStyle, TZCLTextLayoutBlock)
 public:
  bool IsOpening = true;
};

class TZCLTextLayoutBlockFillColor : public TZCLTextLayoutBlockStyle {
  ZCL_CLASS(TZCLTextLayoutBlockFillColor, TZCLTextLayoutBlockStyle)
 public:
  bool Export(TZCLTextLayoutExporter* Exporter) override;
  TColor Color = clNone;
};

class TZCLTextLayoutBlockFontColor : public TZCLTextLayoutBlockFillColor {
  ZCL_CLASS(TZCLTextLayoutBlockFontColor, TZCLTextLayoutBlockFillColor)
 public:
  bool Export(TZCLTextLayoutExporter* Exporter) override;
};

// [BIG], [SMALL], [SIZE=v]: a factor of the current height, or a size in points.
class TZCLTextLayoutBlockFontSize : public TZCLTextLayoutBlockStyle {
  ZCL_CLASS(TZCLTextLayoutBlockFontSize, TZCLTextLayoutBlockStyle)
 public:
  bool Export(TZCLTextLayoutExporter* Exporter) override;
  // Integer text gives points; other numbers a factor; anything else the factor 1.
  void SetValueText(StringView Value);
  bool IsFactor = true;
  Double Factor = 1.0;
  Integer Points = 0;
};

class TZCLTextLayoutBlockFontStyle : public TZCLTextLayoutBlockStyle {
  ZCL_CLASS(TZCLTextLayoutBlockFontStyle, TZCLTextLayoutBlockStyle)
 public:
  bool Export(TZCLTextLayoutExporter* Exporter) override;
  // 0 bold, 1 italic, 2 underline, 3 strike-out.
  Byte StyleIndex = 0;
};

class TZCLTextLayoutBlockHyperlink : public TZCLTextLayoutBlockFontStyle {
  ZCL_CLASS(TZCLTextLayoutBlockHyperlink, TZCLTextLayoutBlockFontStyle)
 public:
  TZCLTextLayoutBlockHyperlink() { StyleIndex = 2; }
  bool Export(TZCLTextLayoutExporter* Exporter) override;
  String Hyperlink;
};

class TZCLTextLayoutBlockList;

// Pieces of one word that tags split: the calculator never breaks it across rows.
class TZCLTextLayoutBlockSpan : public TZCLTextLayoutBlock {
  ZCL_CLASS(TZCLTextLayoutBlockSpan, TZCLTextLayoutBlock)
 public:
  TZCLTextLayoutBlockSpan();
  ~TZCLTextLayoutBlockSpan() override;
  TRect GetBounds() const override;
  bool Export(TZCLTextLayoutExporter* Exporter) override;
  void ResetMetrics() override;
  // Owned.
  TZCLTextLayoutBlockList* Blocks;
};

// A list of blocks, owning them or not.
class TZCLTextLayoutBlockList : public TObject {
  ZCL_CLASS(TZCLTextLayoutBlockList, TObject)
 public:
  explicit TZCLTextLayoutBlockList(bool AOwnsObjects = true) : FOwnsObjects(AOwnsObjects) {}
  ~TZCLTextLayoutBlockList() override { Clear(); }

  // The union of the blocks' bounds; empty for an empty list.
  virtual TRect GetBounds() const;
  // Exports every block until one returns false; frees the exporter when asked, also on errors.
  virtual bool Export(TZCLTextLayoutExporter* Exporter, bool FreeExporter = false);
  virtual void Offset(Integer DX, Integer DY);

  // Appends Block for Count characters at Cursor and moves Cursor past them.
  void AddBlock(TZCLTextLayoutBlock* Block, const Char*& Cursor, Integer Count);
  void Add(TZCLTextLayoutBlock* Block) { FItems.push_back(Block); }
  Integer CountOfClass(TClass Class) const;
  Integer IndexOf(const TZCLTextLayoutBlock* Block) const;
  void Clear();
  // Forgets the blocks without freeing them.
  void Detach() { FItems.clear(); }
  Integer GetCount() const { return Integer(FItems.size()); }
  bool IsEmpty() const { return FItems.empty(); }
  TZCLTextLayoutBlock* operator[](Integer Index) const { return FItems[size_t(Index)]; }
  TZCLTextLayoutBlock* Last() const { return FItems.empty() ? nullptr : FItems.back(); }
  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }
  bool GetOwnsObjects() const { return FOwnsObjects; }

 private:
  std::vector<TZCLTextLayoutBlock*> FItems;
  bool FOwnsObjects;
};

// ---- render ------------------------------------------------------------------------------------------

// Measures and draws blocks on some target; the layout makes one per calculation or drawing.
class TZCLTextLayoutRender : public TObject {
  ZCL_CLASS(TZCLTextLayoutRender, TObject)
 public:
  // A new render of the same kind that draws on the DIB's canvas.
  virtual TZCLTextLayoutRender* CreateCompatibleRender(TZCLDib* Dib) = 0;
  // Blends the DIB into R of the target.
  virtual void DrawImage(TZCLDib* Dib, const TRect& R) = 0;
  // The block's first VisibleLength characters at (X, Y) with the measured advances.
  virtual void DrawText(TZCLTextLayoutBlockText* Block, Integer X, Integer Y) = 0;
  // The current font's underline and strike-out across R.
  virtual void DrawUnderline(const TRect& R) = 0;
  virtual void FillBackground(const TRect& R) = 0;
  // False when nothing of the target is visible.
  virtual bool GetClipBox(TRect& R) = 0;
  // Ascent; character height plus external leading; width of a space.
  virtual void GetMetrics(Integer& Baseline, Integer& LineHeight, Integer& SpaceWidth) = 0;
  // VisibleLength := Length; Width, Height and one advance per character.
  virtual void Measure(TZCLTextLayoutBlockText* Block) = 0;
  // Drops characters from the end until Width <= MaxWidth; never splits a surrogate pair.
  virtual void Shrink(TZCLTextLayoutBlockText* Block, Integer MaxWidth);
  // 0x1FFFFFFF (none) and 0x20000000 (default) mean no fill.
  virtual void SetFill(TColor Color) = 0;
  virtual void SetFont(TFont* Font) = 0;
};

// ---- visitor ---------------------------------------------------------------------------------------

class TZCLTextLayoutExporter : public TObject {
  ZCL_CLASS(TZCLTextLayoutExporter, TObject)
 public:
  explicit TZCLTextLayoutExporter(TZCLTextLayout* ALayout) : FLayout(ALayout) {}
  // Each returns false to stop the walk.
  virtual bool OnFillColor(TZCLTextLayoutBlockFillColor* Block) { return true; }
  virtual bool OnFontColor(TZCLTextLayoutBlockFontColor* Block) { return true; }
  virtual bool OnFontSize(TZCLTextLayoutBlockFontSize* Block) { return true; }
  virtual bool OnFontStyle(TZCLTextLayoutBlockFontStyle* Block) { return true; }
  virtual bool OnHyperlink(TZCLTextLayoutBlockHyperlink* Block) { return true; }
  virtual bool OnLineBreak(TZCLTextLayoutBlockLineBreak* Block) { return true; }
  virtual bool OnSpace(TZCLTextLayoutBlockSpace* Block) { return true; }
  // Walks the grouped blocks.
  virtual bool OnSpan(TZCLTextLayoutBlockSpan* Block);
  virtual bool OnText(TZCLTextLayoutBlockText* Block) { return true; }
  TZCLTextLayout* GetLayout() const { return FLayout; }

 protected:
  TZCLTextLayout* FLayout;
};

// A stack of values keyed by block class: a closing tag removes the latest value of its class.
template <class T>
class TZCLTextLayoutValueStack {
 public:
  struct TEntry {
    T Value{};
    TClass Key = nullptr;
  };
  TZCLTextLayoutValueStack() { FItems.reserve(16); }
  void Push(const T& Value, TClass Key) { FItems.push_back({Value, Key}); }
  // Raises EInvalidOperation "Stack is empty".
  const T& Peek() const {
    if (FItems.empty()) throw EInvalidOperation(u"Stack is empty");
    return FItems.back().Value;
  }
  void Remove(TClass Key) {
    for (size_t i = FItems.size(); i-- > 0;)
      if (FItems[i].Key == Key) {
        FItems.erase(FItems.begin() + std::ptrdiff_t(i));
        return;
      }
  }
  void Assign(const TZCLTextLayoutValueStack& Source) { FItems = Source.FItems; }
  Integer GetCount() const { return Integer(FItems.size()); }
  bool IsEmpty() const { return FItems.empty(); }

 private:
  std::vector<TEntry> FItems;
};

// ---- import ----------------------------------------------------------------------------------------

struct TZCLTextFormatSettings {
  bool DetectEmails = false;
  bool DetectTimeCodes = false;
  bool DetectURLs = true;
  bool EscapedLineBreaks = true;
  bool BracketTags = true;
  static TZCLTextFormatSettings Default() { return {}; }
  static TZCLTextFormatSettings Formatted() { return {false, false, false, false, true}; }
  static TZCLTextFormatSettings PlainText() { return {false, false, false, false, false}; }
};

// Turns text into blocks; has no state of its own.
class TZCLTextImporter {
 public:
  struct TContext;
  using THandler = bool (*)(TContext& Context, const Char*& Cursor);
  using TWordHandler = bool (*)(TContext& Context, const Char* Word, Integer Length);
  struct TContext {
    Integer URLDepth = 0;
    std::vector<THandler> Handlers;
    std::vector<TWordHandler> WordHandlers;
    TZCLTextLayoutBlockList* Blocks = nullptr;
    TZCLTextLayoutBlockList Pending{false};
    const Char* TextStart = nullptr;
    void Flush();
  };
  static void CreateContext(TContext& Context, const TZCLTextFormatSettings& Settings, TZCLTextLayoutBlockList* Blocks);
  // Text must end with a 0 character (a String's data does).
  static void Import(const Char* Text, const TZCLTextFormatSettings& Settings, TZCLTextLayoutBlockList* Blocks);
  static bool IsDelimiter(Char C);
};

// One laid-out row: the blocks placed on it (not owned), its common baseline and bounds, and the
// ellipsis appended when it was cut (owned).
class TZCLTextLayoutRow : public TZCLTextLayoutBlockList {
  ZCL_CLASS(TZCLTextLayoutRow, TZCLTextLayoutBlockList)
 public:
  TZCLTextLayoutRow() : TZCLTextLayoutBlockList(false) {}
  ~TZCLTextLayoutRow() override;
  // Moves every block down by the growth of the baseline.
  void SetBaseline(Integer Value);
  void Offset(Integer DX, Integer DY) override;
  // Cuts the row so that Ellipsis (now owned by the row) fits before MaxRight and appends it.
  void SetEndEllipsis(TZCLTextLayoutRender* Render, Integer MaxRight, TZCLTextLayoutBlockText* AEllipsis);

  Integer Baseline = 0;
  TRect Bounds;
  TZCLTextLayoutBlockText* Ellipsis = nullptr;
};

class TZCLTextLayoutRows : public TObject {
  ZCL_CLASS(TZCLTextLayoutRows, TObject)
 public:
  ~TZCLTextLayoutRows() override { Clear(); }
  TRect GetBounds() const;
  void Add(TZCLTextLayoutRow* Row) { FItems.push_back(Row); }
  void Clear();
  Integer GetCount() const { return Integer(FItems.size()); }
  TZCLTextLayoutRow* operator[](Integer Index) const { return FItems[size_t(Index)]; }
  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

 private:
  std::vector<TZCLTextLayoutRow*> FItems;
};

// ---- calculation --------------------------------------------------------------------------------------

// A walk over blocks that keeps the typography (font size and styles) as the tags ask.
class TZCLTextLayoutVisualExporter : public TZCLTextLayoutExporter {
  ZCL_CLASS(TZCLTextLayoutVisualExporter, TZCLTextLayoutExporter)
 public:
  TZCLTextLayoutVisualExporter(TZCLTextLayout* ALayout, TZCLTextLayoutRender* ARender);
  ~TZCLTextLayoutVisualExporter() override;
  virtual void Assign(TZCLTextLayoutVisualExporter* Source);
  // Hands the font to the render.
  virtual void FontChanged();
  bool OnFontSize(TZCLTextLayoutBlockFontSize* Block) override;
  bool OnFontStyle(TZCLTextLayoutBlockFontStyle* Block) override;
  TFont* GetFont() const { return FFont; }
  TZCLTextLayoutRender* GetRender() const { return FRender; }

 protected:
  void FontChangedEvent(TObject*) { FontChanged(); }
  // A copy of the layout's font of the same class.
  TFont* FFont;
  TZCLTextLayoutValueStack<Integer> FSizeStack;
  Word FStyleCounters[4] = {};
  TZCLTextLayoutRender* FRender;
};

class TZCLTextLayoutCalculator : public TZCLTextLayoutVisualExporter {
  ZCL_CLASS(TZCLTextLayoutCalculator, TZCLTextLayoutVisualExporter)
 public:
  TZCLTextLayoutCalculator(TZCLTextLayout* ALayout, TZCLTextLayoutRender* ARender);
  // A measuring copy: no rows, no limits, no wrapping; Source's typography.
  explicit TZCLTextLayoutCalculator(TZCLTextLayoutCalculator* Source);
  ~TZCLTextLayoutCalculator() override;
  // Completes the last row and, for a layout calculation, aligns the rows.
  void Finish();

  void FontChanged() override;
  bool OnFillColor(TZCLTextLayoutBlockFillColor* Block) override { return PlaceMarker(Block); }
  bool OnFontColor(TZCLTextLayoutBlockFontColor* Block) override { return PlaceMarker(Block); }
  bool OnHyperlink(TZCLTextLayoutBlockHyperlink* Block) override { return PlaceMarker(Block); }
  bool OnFontSize(TZCLTextLayoutBlockFontSize* Block) override;
  bool OnFontStyle(TZCLTextLayoutBlockFontStyle* Block) override;
  bool OnLineBreak(TZCLTextLayoutBlockLineBreak* Block) override;
  bool OnSpace(TZCLTextLayoutBlockSpace* Block) override;
  bool OnSpan(TZCLTextLayoutBlockSpan* Block) override;
  bool OnText(TZCLTextLayoutBlockText* Block) override;

 private:
  struct TRun {
    Integer Start, Finish;
  };
  void Place(TZCLTextLayoutBlock* Block);
  bool PlaceMarker(TZCLTextLayoutBlock* Block);
  // False when the calculation stops.
  bool CompleteRow();
  bool BreakRow();
  void CutRow();
  void TruncateAtHeight();
  void Align();
  TZCLTextLayoutBlockText* NewEllipsis();

  bool FWholeRowsOnly = false, FEndEllipsis = false;
  Integer FMaxHeight = 0x7FFFFFFF, FMaxWidth = 0x7FFFFFFF;
  bool FSingleLine = false, FWordWrap = false;
  Integer FBaseline = 0, FLineHeight = 0, FSpaceWidth = 0;
  TRect FBounds;
  Integer FCursorX = 0, FCursorY = 0;
  TZCLTextLayoutRow* FRow = nullptr;
  bool FSkipOverflow = false;
  bool FRowTruncated = false;
  bool FInRightToLeftRun = false;
  std::vector<TRun> FRuns;
  TZCLTextLayoutRows* FRows = nullptr;
  TZCLTextLayoutBlockText* FPreparedEllipsis = nullptr;
};

// Measures and draws with the platform's text output on a canvas.
class TZCLTextLayoutCanvasRender : public TZCLTextLayoutRender {
  ZCL_CLASS(TZCLTextLayoutCanvasRender, TZCLTextLayoutRender)
 public:
  explicit TZCLTextLayoutCanvasRender(TCanvas* ACanvas) : FCanvas(ACanvas) {}
  ~TZCLTextLayoutCanvasRender() override;
  TZCLTextLayoutRender* CreateCompatibleRender(TZCLDib* Dib) override;
  void DrawImage(TZCLDib* Dib, const TRect& R) override;
  void DrawText(TZCLTextLayoutBlockText* Block, Integer X, Integer Y) override;
  void DrawUnderline(const TRect& R) override;
  void FillBackground(const TRect& R) override;
  bool GetClipBox(TRect& R) override;
  void GetMetrics(Integer& Baseline, Integer& LineHeight, Integer& SpaceWidth) override;
  void Measure(TZCLTextLayoutBlockText* Block) override;
  void SetFill(TColor Color) override;
  void SetFont(TFont* Font) override;
  TCanvas* GetCanvas() const { return FCanvas; }

 protected:
  // The canvas's DC with the current font, text colour and background mode selected.
  HDC PreparedDC();
  TCanvas* FCanvas;

 private:
  // Fonts by their look, so that switching back and forth between tags makes no new handles.
  std::vector<TFont*> FFonts;
  TFont* FCurrentFont = nullptr;
  TColor FCurrentColor = clBlack;
  bool FFontSelected = false;
};

// ---- layout -------------------------------------------------------------------------------------------

using TZCLTextLayoutOptions = Cardinal;
constexpr TZCLTextLayoutOptions tloNoHeightLimit = 1;
constexpr TZCLTextLayoutOptions tloNoWidthLimit = 2;
constexpr TZCLTextLayoutOptions tloWholeRowsOnly = 4;
constexpr TZCLTextLayoutOptions tloEndEllipsis = 8;
constexpr TZCLTextLayoutOptions tloNoClip = 16;
constexpr TZCLTextLayoutOptions tloSingleLine = 32;
constexpr TZCLTextLayoutOptions tloWordWrap = 64;

class TZCLTextLayout : public TObject {
  ZCL_CLASS(TZCLTextLayout, TObject)
 public:
  // Font is borrowed; its resolution converts point sizes of [SIZE=n].
  explicit TZCLTextLayout(TFont* AFont);
  ~TZCLTextLayout() override;

  void SetText(const String& AText, const TZCLTextFormatSettings& Settings = TZCLTextFormatSettings::Default());
  const String& GetText() const { return FText; }
  const TRect& GetBounds() const { return FBounds; }
  void SetBounds(const TRect& Value);
  TAlignment GetHorzAlignment() const { return FHorzAlignment; }
  void SetHorzAlignment(TAlignment Value);
  TVerticalAlignment GetVertAlignment() const { return FVertAlignment; }
  void SetVertAlignment(TVerticalAlignment Value);
  TZCLTextLayoutOptions GetOptions() const { return FOptions; }
  void SetOptions(TZCLTextLayoutOptions Value);
  void SetOption(TZCLTextLayoutOptions Bit, bool On) { SetOptions(On ? FOptions | Bit : FOptions & ~Bit); }
  TFont* GetFont() const { return FFont; }
  Integer GetTargetDPI() const { return FTargetDPI; }
  TZCLTextLayoutBlockList* GetBlocks() const { return FBlocks; }
  TZCLTextLayoutRows* GetRows() const { return FRows; }
  bool GetDirty() const { return FDirty; }
  bool GetTruncated() const { return FTruncated; }
  void SetTruncated(bool Value) { FTruncated = Value; }

  // Lays the blocks out in rows when dirty, measuring on the canvas.
  void Calculate(TCanvas* Canvas);
  void CalculateWithRender(TZCLTextLayoutRender* Render);
  // The rows' size plus a visible shadow's margins; EInvalidOperation while dirty.
  TSize MeasureSize() const;
  Integer RowCount() const;
  // A new render of this layout's kind for the canvas.
  virtual TZCLTextLayoutRender* CreateRender(TCanvas* Canvas);

  // The default text colour turned blue-ish: hue 154, saturation at least 154, lightness 100..200.
  virtual TColor GetDefaultHyperlinkColor();
  virtual TColor GetDefaultTextColor() { return FFont->GetColor(); }
  // Calculates with the render and paints every row (backgrounds, shadow, text).
  virtual void DrawCore(TZCLTextLayoutRender* Render);
  // Clipped to the bounds unless tloNoClip is set.
  void Draw(TCanvas* Canvas);
  void DrawClipped(TCanvas* Canvas, const TRect& R);
  // Draws shifted by P: the same device area as R.
  void DrawWithOrigin(TCanvas* Canvas, const TRect& R, const TPoint& P);
  // The innermost hyperlink under P in the calculated rows.
  bool HitTest(const TPoint& P, TZCLTextLayoutBlockHyperlink*& Hyperlink);
  void HitTestCore(const TPoint& P, class TZCLTextLayoutHitTest* Test);
  // The plain text of all blocks: tags vanish, line breaks become CR LF.
  String ToString() const;
  // Forgets every measurement (after the font changed).
  void Refresh();
  // The top-level block that starts right after the character at the 1-based Position.
  bool FindBlock(Integer Position, TZCLTextLayoutBlock*& Block) const;

 protected:
  TRect FBounds;
  TFont* FFont;
  TZCLTextLayoutOptions FOptions = 0;
  TAlignment FHorzAlignment = taLeftJustify;
  Integer FTargetDPI = 96;
  String FText;
  TVerticalAlignment FVertAlignment = taAlignTop;
  TZCLTextLayoutBlockList* FBlocks;
  TZCLTextLayoutRows* FRows;
  bool FDirty = true;
  bool FTruncated = false;
};

// A layout whose text carries alpha on 32-bit targets.
class TZCLTextLayout32 : public TZCLTextLayout {
  ZCL_CLASS(TZCLTextLayout32, TZCLTextLayout)
 public:
  using TZCLTextLayout::TZCLTextLayout;
  TZCLTextLayoutRender* CreateRender(TCanvas* Canvas) override;
};

// ---- painting ----------------------------------------------------------------------------------------------

class TZCLTextLayoutPainter : public TZCLTextLayoutVisualExporter {
  ZCL_CLASS(TZCLTextLayoutPainter, TZCLTextLayoutVisualExporter)
 public:
  TZCLTextLayoutPainter(TZCLTextLayout* ALayout, TZCLTextLayoutRender* ARender, bool ADrawBackgrounds = true,
                        bool ADrawText = true);
  bool OnFillColor(TZCLTextLayoutBlockFillColor* Block) override;
  bool OnFontColor(TZCLTextLayoutBlockFontColor* Block) override;
  bool OnHyperlink(TZCLTextLayoutBlockHyperlink* Block) override;
  bool OnSpace(TZCLTextLayoutBlockSpace* Block) override;
  bool OnText(TZCLTextLayoutBlockText* Block) override;

 private:
  void UpdateTextColor();
  TRect FClipRect;
  TColor FDefaultTextColor;
  bool FDrawBackgrounds, FDrawText;
  bool FHasFill = false;
  TZCLTextLayoutValueStack<TColor> FFillStack, FColorStack;
};

// Draws the text white into a DIB at the shadow's offsets; Finish blurs, colours and blends it.
class TZCLTextLayoutShadowPainter : public TZCLTextLayoutVisualExporter {
  ZCL_CLASS(TZCLTextLayoutShadowPainter, TZCLTextLayoutVisualExporter)
 public:
  TZCLTextLayoutShadowPainter(TZCLTextLayout* ALayout, TZCLTextLayoutRender* ATarget);
  ~TZCLTextLayoutShadowPainter() override;
  void Finish();
  bool OnHyperlink(TZCLTextLayoutBlockHyperlink* Block) override { return true; }
  bool OnText(TZCLTextLayoutBlockText* Block) override;

 private:
  TZCLTextLayoutRender* FTarget;
  TZCLDib* FDib;
  TPoint FOrigin;
  class TZCLFontShadow* FShadow;
  TPoint FOffset;
  bool FIsGlow;
  Integer FSize;
};

class TZCLTextLayoutCanvasRender32 : public TZCLTextLayoutCanvasRender {
  ZCL_CLASS(TZCLTextLayoutCanvasRender32, TZCLTextLayoutCanvasRender)
 public:
  using TZCLTextLayoutCanvasRender::TZCLTextLayoutCanvasRender;
  ~TZCLTextLayoutCanvasRender32() override;
  TZCLTextLayoutRender* CreateCompatibleRender(TZCLDib* Dib) override;
  void DrawText(TZCLTextLayoutBlockText* Block, Integer X, Integer Y) override;
  void DrawUnderline(const TRect& R) override;
  void FillBackground(const TRect& R) override;
  void SetFont(TFont* Font) override;

 private:
  class TZCLFont* FFont32 = nullptr;
};

class TZCLTextLayoutHitTest : public TZCLTextLayoutExporter {
  ZCL_CLASS(TZCLTextLayoutHitTest, TZCLTextLayoutExporter)
 public:
  using TZCLTextLayoutExporter::TZCLTextLayoutExporter;
  void Reset();
  bool OnHyperlink(TZCLTextLayoutBlockHyperlink* Block) override;
  bool OnSpace(TZCLTextLayoutBlockSpace* Block) override { return Hit(Block); }
  bool OnText(TZCLTextLayoutBlockText* Block) override { return Hit(Block); }
  // The innermost open link at the hit block; null when no block was hit.
  TZCLTextLayoutBlockHyperlink* GetHyperlink() const;
  TZCLTextLayoutBlock* GetHitBlock() const { return FHitBlock; }
  Integer GetHitRowIndex() const;
  // The whole text of a hit row that was cut with an ellipsis (for tooltips), else empty.
  String GetHitRowText() const;
  TPoint Point;

 private:
  bool Hit(TZCLTextLayoutBlock* Block);
  TZCLTextLayoutBlock* FHitBlock = nullptr;
  std::vector<TZCLTextLayoutBlockHyperlink*> FHyperlinks;
};

class TZCLPlainTextExporter : public TZCLTextLayoutExporter {
  ZCL_CLASS(TZCLPlainTextExporter, TZCLTextLayoutExporter)
 public:
  explicit TZCLPlainTextExporter(TZCLTextLayout* ALayout);
  bool OnLineBreak(TZCLTextLayoutBlockLineBreak* Block) override;
  bool OnSpace(TZCLTextLayoutBlockSpace* Block) override;
  bool OnText(TZCLTextLayoutBlockText* Block) override;
  const String& GetText() const { return FText; }

 private:
  String FText;
};

// Draws a formatted string once in the canvas font (word wrap on request).
void DrawFormattedText(TCanvas* Canvas, const String& Text, const TRect& R, TAlignment HorzAlignment,
                       TVerticalAlignment VertAlignment, bool WordWrap);
