#include "os/OS.Text.h"

#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <harfbuzz/hb.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

#include "os/OS.Gdi.h"

using detail::TRealFont;

namespace {

// FreeType faces and HarfBuzz fonts are not safe for concurrent use; measuring and drawing
// happen on the UI thread, the lock covers the rare other caller.
std::mutex& ShapeLock() {
  static std::mutex* lock = new std::mutex;
  return *lock;
}

struct TGlyphRun {
  std::vector<uint32_t> Glyphs;
  std::vector<const TRealFont*> Fonts;  // the face of each glyph (the font or a fallback)
  std::vector<int> Cluster;             // first code unit of the glyph's cluster
  std::vector<int> Advance;             // whole pixels
  std::vector<double> XOffset, YOffset;
  std::vector<int> UnitAdvance;  // per code unit
  int Width = 0;
};

bool HasGlyph(const TRealFont& Font, uint32_t CodePoint) { return FT_Get_Char_Index(Font.Face, CodePoint) != 0; }

// Code points that never need a face of their own: controls, joiners, variation selectors.
bool IsInvisible(uint32_t C) {
  return C < 0x20 || (C >= 0x7F && C < 0xA0) || (C >= 0x200B && C <= 0x200F) || (C >= 0xFE00 && C <= 0xFE0F) ||
         C == 0xFEFF;
}

void ShapeSegment(const TRealFont& Font, const Char* Text, int Count, int Start, int Length, TGlyphRun& Run) {
  static const hb_feature_t features[] = {
      {HB_TAG('k', 'e', 'r', 'n'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
      {HB_TAG('l', 'i', 'g', 'a'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
      {HB_TAG('c', 'l', 'i', 'g'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
  };
  hb_buffer_t* buffer = hb_buffer_create();
  hb_buffer_add_utf16(buffer, reinterpret_cast<const uint16_t*>(Text), Count, unsigned(Start), Length);
  hb_buffer_guess_segment_properties(buffer);
  hb_shape(Font.Shaper, buffer, features, 3);
  unsigned n = 0;
  hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &n);
  hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buffer, &n);
  for (unsigned i = 0; i < n; ++i) {
    const int cluster = int(std::min<uint32_t>(info[i].cluster, uint32_t(Count - 1)));
    const int advance = int(std::lround(pos[i].x_advance / 64.0));
    Run.Glyphs.push_back(info[i].codepoint);
    Run.Fonts.push_back(&Font);
    Run.Cluster.push_back(cluster);
    Run.Advance.push_back(advance);
    Run.XOffset.push_back(pos[i].x_offset / 64.0);
    Run.YOffset.push_back(pos[i].y_offset / 64.0);
    Run.UnitAdvance[size_t(cluster)] += advance;
    Run.Width += advance;
  }
  hb_buffer_destroy(buffer);
}

// Shapes the text with the font, and characters the font lacks with fallback faces.
TGlyphRun Shape(const TRealFont& Font, const Char* Text, int Count) {
  TGlyphRun run;
  run.UnitAdvance.assign(size_t(std::max(0, Count)), 0);
  if (Count <= 0 || !Font.Shaper) return run;
  std::lock_guard<std::mutex> guard(ShapeLock());
  // Itemise by face: a character the current face lacks goes to the font or a fallback.
  const TRealFont* current = nullptr;
  int start = 0;
  for (int i = 0; i < Count;) {
    uint32_t c = Text[i];
    int units = 1;
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < Count && Text[i + 1] >= 0xDC00 && Text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (Text[i + 1] - 0xDC00);
      units = 2;
    }
    const TRealFont* face = &Font;
    if (!IsInvisible(c) && !HasGlyph(Font, c)) {
      if (current && current != &Font && HasGlyph(*current, c))
        face = current;
      else if (const TRealFont* fallback = detail::FallbackFont(Font, c))
        face = fallback;
    } else if (IsInvisible(c) && current) {
      face = current;
    }
    if (face != current) {
      if (current) ShapeSegment(*current, Text, Count, start, i - start, run);
      current = face;
      start = i;
    }
    i += units;
  }
  ShapeSegment(*current, Text, Count, start, Count - start, run);
  return run;
}

const TRealFont* FontOfDC(HDC DC) {
  const TRealFont* font = detail::RealizeFont(detail::CurrentFont(DC));
  return font && font->Face ? font : nullptr;
}

void SetSource(cairo_t* Cr, COLORREF Color) {
  cairo_set_source_rgb(Cr, GetRValue(Color) / 255.0, GetGValue(Color) / 255.0, GetBValue(Color) / 255.0);
}

void FillBox(cairo_t* Cr, double X, double Y, double W, double H, COLORREF Color) {
  if (W <= 0 || H <= 0) return;
  cairo_save(Cr);
  cairo_set_antialias(Cr, CAIRO_ANTIALIAS_NONE);
  SetSource(Cr, Color);
  cairo_rectangle(Cr, X, Y, W, H);
  cairo_fill(Cr);
  cairo_restore(Cr);
}

size_t TextLength(const Char* Text, int Count) {
  if (!Text) return 0;
  if (Count >= 0) return size_t(Count);
  size_t n = 0;
  while (Text[n]) ++n;
  return n;
}

}  // namespace

// --- Metrics -------------------------------------------------------------------------------------

BOOL GetTextMetricsW(HDC DC, TEXTMETRICW* Metrics) {
  const TRealFont* font = FontOfDC(DC);
  if (!font || !Metrics) return 0;
  *Metrics = font->Metrics;
  return 1;
}

int GetTextFaceW(HDC DC, int Count, Char* Name) {
  const TRealFont* font = FontOfDC(DC);
  if (!font) return 0;
  if (!Name) return int(font->Family.size()) + 1;
  if (Count <= 0) return 0;
  const int n = std::min<int>(Count - 1, int(font->Family.size()));
  std::copy_n(font->Family.data(), n, Name);
  Name[n] = 0;
  return n;
}

BOOL GetTextExtentPoint32W(HDC DC, const Char* Text, int Count, TSize* Size) {
  const TRealFont* font = FontOfDC(DC);
  if (!font || !Size || Count < 0 || (!Text && Count > 0)) return 0;
  if (Count == 0) {
    *Size = TSize(0, font->Metrics.tmHeight);
    return 1;
  }
  *Size = TSize(Shape(*font, Text, Count).Width, font->Metrics.tmHeight);
  return 1;
}

BOOL GetTextExtentExPointW(HDC DC, const Char* Text, int Count, int MaxExtent, int* Fit, int* Dx, TSize* Size) {
  const TRealFont* font = FontOfDC(DC);
  if (!font || Count < 0 || (!Text && Count > 0)) return 0;
  TGlyphRun run = Shape(*font, Text, Count);
  int total = 0, fit = 0;
  bool fitting = true;
  for (int i = 0; i < Count; ++i) {
    total += run.UnitAdvance[size_t(i)];
    if (fitting && total <= MaxExtent)
      fit = i + 1;
    else
      fitting = false;
    if (Dx && (!Fit || fitting)) Dx[i] = total;
  }
  if (Fit) *Fit = fit;
  if (Size) *Size = TSize(total, font->Metrics.tmHeight);
  return 1;
}

BOOL GetCharABCWidthsW(HDC DC, UINT First, UINT Last, ABC* Widths) {
  const TRealFont* font = FontOfDC(DC);
  if (!font || !Widths || Last < First) return 0;
  std::lock_guard<std::mutex> guard(ShapeLock());
  for (UINT c = First; c <= Last; ++c) {
    ABC& abc = Widths[c - First];
    abc = {0, 0, 0};
    FT_UInt glyph = FT_Get_Char_Index(font->Face, c);
    if (FT_Load_Glyph(font->Face, glyph, font->LoadFlags) != 0) continue;
    const FT_Glyph_Metrics& m = font->Face->glyph->metrics;
    const int advance = int(std::lround(font->Face->glyph->advance.x / 64.0));
    const int a = int(std::floor(m.horiBearingX / 64.0));
    const int b = int(std::ceil((m.horiBearingX + m.width) / 64.0)) - a;
    abc.abcA = a;
    abc.abcB = UINT(std::max(0, b));
    abc.abcC = advance - a - int(abc.abcB);
  }
  return 1;
}

BOOL GetCharWidth32W(HDC DC, UINT First, UINT Last, int* Widths) {
  const TRealFont* font = FontOfDC(DC);
  if (!font || !Widths || Last < First) return 0;
  for (UINT c = First; c <= Last; ++c) {
    Char units[2];
    int n = 1;
    if (c >= 0x10000) {
      units[0] = Char(0xD800 + ((c - 0x10000) >> 10));
      units[1] = Char(0xDC00 + ((c - 0x10000) & 0x3FF));
      n = 2;
    } else {
      units[0] = Char(c);
    }
    Widths[c - First] = Shape(*font, units, n).Width;
  }
  return 1;
}

// --- Output --------------------------------------------------------------------------------------

BOOL ExtTextOutW(HDC DC, int X, int Y, UINT Options, const TRect* Rect, const Char* Text, UINT Count, const int* Dx) {
  const TRealFont* font = FontOfDC(DC);
  if (!font || (!Text && Count > 0)) return 0;
  const UINT align = GetTextAlign(DC);
  if (align & TA_UPDATECP) {
    TPoint cp;
    GetCurrentPositionEx(DC, &cp);
    X = cp.X;
    Y = cp.Y;
  }
  if ((Options & ETO_OPAQUE) && Rect) {
    TPoint off = detail::LogicalToSurfaceOffset(DC);
    detail::FillSurfaceRect(DC, TRect(Rect->Left + off.X, Rect->Top + off.Y, Rect->Right + off.X, Rect->Bottom + off.Y),
                            GetBkColor(DC));
  }
  TGlyphRun run = Shape(*font, Text, int(Count));
  // Code-unit positions: the explicit advances when given.
  std::vector<int> unitX(size_t(Count) + 1, 0);
  for (UINT i = 0; i < Count; ++i) unitX[i + 1] = unitX[i] + (Dx ? Dx[i] : run.UnitAdvance[i]);
  const int width = unitX[Count];
  const TEXTMETRICW& tm = font->Metrics;
  int x0 = 0;
  if ((align & TA_CENTER) == TA_CENTER)
    x0 = -width / 2;
  else if (align & TA_RIGHT)
    x0 = -width;
  int baseline = tm.tmAscent;
  if ((align & TA_BASELINE) == TA_BASELINE)
    baseline = 0;
  else if (align & TA_BOTTOM)
    baseline = -tm.tmDescent;
  if (align & TA_UPDATECP) {
    int nx = X;
    if ((align & TA_CENTER) != TA_CENTER) nx = (align & TA_RIGHT) ? X - width : X + width;
    MoveToEx(DC, nx, Y, nullptr);
  }
  cairo_t* cr = detail::BeginCairo(DC);
  if (!cr) return 1;  // nothing visible
  if ((Options & ETO_CLIPPED) && Rect) {
    cairo_rectangle(cr, Rect->Left, Rect->Top, Rect->Right - Rect->Left, Rect->Bottom - Rect->Top);
    cairo_clip(cr);
  }
  cairo_translate(cr, X, Y);
  if (font->Log.lfEscapement != 0) cairo_rotate(cr, -font->Log.lfEscapement * M_PI / 1800.0);
  if (GetBkMode(DC) == OPAQUE) FillBox(cr, x0, baseline - tm.tmAscent, width, tm.tmHeight, GetBkColor(DC));
  if (!run.Glyphs.empty()) {
    std::vector<cairo_glyph_t> glyphs(run.Glyphs.size());
    int inner = 0;
    for (size_t i = 0; i < glyphs.size(); ++i) {
      // Glyphs after the first of a cluster keep their natural advance within it.
      inner = (i > 0 && run.Cluster[i] == run.Cluster[i - 1]) ? inner + run.Advance[i - 1] : 0;
      glyphs[i].index = run.Glyphs[i];
      glyphs[i].x = x0 + unitX[size_t(run.Cluster[i])] + inner + run.XOffset[i];
      glyphs[i].y = baseline - run.YOffset[i];
    }
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, font->Monochrome ? CAIRO_ANTIALIAS_NONE : CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
    SetSource(cr, GetTextColor(DC));
    std::lock_guard<std::mutex> guard(ShapeLock());
    // One call per stretch of glyphs from the same face.
    for (size_t from = 0; from < glyphs.size();) {
      size_t to = from + 1;
      while (to < glyphs.size() && run.Fonts[to] == run.Fonts[from]) ++to;
      cairo_set_font_face(cr, run.Fonts[from]->CairoFace);
      cairo_set_font_size(cr, run.Fonts[from]->EmPixels);
      cairo_show_glyphs(cr, glyphs.data() + from, int(to - from));
      from = to;
    }
  }
  if (font->Log.lfUnderline)
    FillBox(cr, x0, baseline + font->UnderlinePosition, width, font->UnderlineThickness, GetTextColor(DC));
  if (font->Log.lfStrikeOut)
    FillBox(cr, x0, baseline - font->StrikeOutPosition, width, font->StrikeOutThickness, GetTextColor(DC));
  detail::EndCairo(DC, cr);
  return 1;
}

BOOL TextOutW(HDC DC, int X, int Y, const Char* Text, int Count) {
  if (Count < 0) return 0;
  return ExtTextOutW(DC, X, Y, 0, nullptr, Text, UINT(Count), nullptr);
}

// --- DrawText ------------------------------------------------------------------------------------

namespace {

bool IsBreakSpace(Char C) { return C == u' ' || C == u'\t'; }

// One paragraph measured once: per-code-unit advances; widths of slices add up (kerning off).
class TMeasure {
 public:
  TMeasure(const TRealFont& Font, bool ExpandTabs, int TabWidth) : FFont(Font), FExpand(ExpandTabs), FTab(TabWidth) {}
  void Load(const String& Text) {
    FText = Text;
    FAdv = Shape(FFont, Text.data(), int(Text.size())).UnitAdvance;
  }
  // Width of [From, To) starting at a line start.
  int Width(size_t From, size_t To) const {
    int x = 0;
    for (size_t i = From; i < To; ++i) x = Next(x, i);
    return x;
  }
  int Next(int X, size_t I) const {
    if (FExpand && FText[I] == u'\t') return FTab > 0 ? (X / FTab + 1) * FTab : X;
    return X + FAdv[I];
  }
  int Advance(size_t I) const { return FAdv[I]; }
  const String& Text() const { return FText; }
  int TextWidth(const String& S) const {
    int x = 0;
    TGlyphRun run = Shape(FFont, S.data(), int(S.size()));
    for (size_t i = 0; i < S.size(); ++i)
      x = (FExpand && S[i] == u'\t') ? (FTab > 0 ? (x / FTab + 1) * FTab : x) : x + run.UnitAdvance[i];
    return x;
  }

 private:
  const TRealFont& FFont;
  bool FExpand;
  int FTab;
  String FText;
  std::vector<int> FAdv;
};

struct TLine {
  String Text;
  int Hotkey = -1;  // index in Text of the underlined character
};

// Strips "&" prefixes: "&&" is "&", "&x" underlines x.
String StripPrefix(const String& S, int& Hotkey) {
  String out;
  Hotkey = -1;
  for (size_t i = 0; i < S.size(); ++i) {
    if (S[i] == u'&' && i + 1 < S.size()) {
      ++i;
      if (S[i] != u'&') Hotkey = int(out.size());
    } else if (S[i] == u'&') {
      continue;  // a lone trailing "&" shows nothing
    }
    out += S[i];
  }
  return out;
}

// The longest prefix of Text that fits with "..." after it, plus the "...".
String EndEllipsis(const TMeasure& M, const String& Text, int MaxWidth) {
  const String dots = u"...";
  const int dotsWidth = M.TextWidth(dots);
  TMeasure m = M;
  m.Load(Text);
  size_t keep = 0;
  int x = 0;
  for (size_t i = 0; i < Text.size(); ++i) {
    int nx = m.Next(x, i);
    if (nx + dotsWidth > MaxWidth) break;
    x = nx;
    keep = i + 1;
  }
  // Keep surrogate pairs whole.
  if (keep > 0 && keep < Text.size() && Text[keep] >= 0xDC00 && Text[keep] <= 0xDFFF) --keep;
  return Text.substr(0, keep) + dots;
}

String PathEllipsis(const TMeasure& M, const String& Text, int MaxWidth) {
  size_t sep = Text.find_last_of(u"\\/");
  if (sep == String::npos || sep == 0) return EndEllipsis(M, Text, MaxWidth);
  const String tail = Text.substr(sep);
  const String dots = u"...";
  const int tailWidth = M.TextWidth(dots + tail);
  String head = Text.substr(0, sep);
  while (!head.empty() && M.TextWidth(head) + tailWidth > MaxWidth) head.pop_back();
  return head + dots + tail;
}

}  // namespace

int DrawTextW(HDC DC, const Char* Text, int Count, TRect* Rect, UINT Format) {
  const TRealFont* font = FontOfDC(DC);
  if (!font || !Rect) return 0;
  const size_t length = TextLength(Text, Count);
  String text(Text ? Text : u"", length);
  const TEXTMETRICW& tm = font->Metrics;
  const int lineHeight = tm.tmHeight + ((Format & DT_EXTERNALLEADING) ? tm.tmExternalLeading : 0);
  const int maxWidth = Rect->Right - Rect->Left;
  const bool singleLine = (Format & DT_SINGLELINE) != 0;
  const bool wordBreak = (Format & DT_WORDBREAK) && !singleLine;
  const bool noPrefix = (Format & DT_NOPREFIX) != 0;
  TMeasure measure(*font, (Format & DT_EXPANDTABS) != 0, 8 * std::max<int>(1, tm.tmAveCharWidth));

  // Paragraphs.
  std::vector<String> paragraphs;
  if (singleLine) {
    String flat;
    for (Char c : text)
      if (c != u'\r' && c != u'\n') flat += c;
    paragraphs.push_back(flat);
  } else {
    String current;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == u'\r' || text[i] == u'\n') {
        paragraphs.push_back(current);
        current.clear();
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      } else {
        current += text[i];
      }
    }
    paragraphs.push_back(current);
  }

  // Lines: prefixes stripped, then word-broken.
  std::vector<TLine> lines;
  for (const String& raw : paragraphs) {
    int hotkey = -1;
    String para = noPrefix ? raw : StripPrefix(raw, hotkey);
    if ((Format & DT_HIDEPREFIX)) hotkey = -1;
    if (!wordBreak) {
      lines.push_back({para, hotkey});
      continue;
    }
    measure.Load(para);
    size_t start = 0;
    const size_t n = para.size();
    if (n == 0) lines.push_back({String(), -1});
    while (start < n) {
      // Greedy: take words (a word with its trailing spaces) while the visible part fits.
      size_t end = start, lastFit = start;
      while (end < n) {
        size_t wordEnd = end;
        while (wordEnd < n && !IsBreakSpace(para[wordEnd])) ++wordEnd;
        size_t spaceEnd = wordEnd;
        while (spaceEnd < n && IsBreakSpace(para[spaceEnd])) ++spaceEnd;
        if (measure.Width(start, wordEnd) <= maxWidth || lastFit == start) {
          if (measure.Width(start, wordEnd) > maxWidth && lastFit == start && (Format & DT_EDITCONTROL)) {
            // A word wider than the line breaks between characters in edit controls.
            size_t k = start;
            int x = 0;
            while (k < wordEnd) {
              int nx = measure.Next(x, k);
              if (nx > maxWidth && k > start) break;
              x = nx;
              ++k;
            }
            lastFit = k;
            break;
          }
          lastFit = spaceEnd;
          end = spaceEnd;
          if (measure.Width(start, wordEnd) > maxWidth) break;
        } else {
          break;
        }
      }
      size_t visibleEnd = lastFit;
      while (visibleEnd > start && IsBreakSpace(para[visibleEnd - 1])) --visibleEnd;
      int lineHotkey = (hotkey >= int(start) && hotkey < int(visibleEnd)) ? hotkey - int(start) : -1;
      lines.push_back({para.substr(start, visibleEnd - start), lineHotkey});
      start = lastFit;
    }
  }

  // Ellipses.
  const bool endEllipsis = (Format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS)) != 0;
  const int rectHeight = Rect->Bottom - Rect->Top;
  if (!(Format & DT_CALCRECT) && !singleLine && lines.size() > 1 && lineHeight > 0) {
    const size_t fitting = size_t(std::max(1, rectHeight / lineHeight));
    if (lines.size() > fitting) {
      if (wordBreak && endEllipsis) {
        lines.resize(fitting);
        TLine& last = lines.back();
        last.Text = EndEllipsis(measure, last.Text, maxWidth);
        if (last.Hotkey >= int(last.Text.size()) - 3) last.Hotkey = -1;
      } else if (Format & DT_EDITCONTROL) {
        lines.resize(fitting);  // no partly visible last line
      }
    }
  }
  for (TLine& line : lines) {
    if (measure.TextWidth(line.Text) <= maxWidth) continue;
    if (Format & DT_PATH_ELLIPSIS)
      line.Text = PathEllipsis(measure, line.Text, maxWidth);
    else if (endEllipsis)
      line.Text = EndEllipsis(measure, line.Text, maxWidth);
    else
      continue;
    line.Hotkey = -1;
  }

  int widest = 0;
  std::vector<int> widths;
  for (const TLine& line : lines) {
    widths.push_back(measure.TextWidth(line.Text));
    widest = std::max(widest, widths.back());
  }
  const int textHeight = int(lines.size()) * lineHeight;
  if (Format & DT_CALCRECT) {
    Rect->Right = Rect->Left + widest;
    Rect->Bottom = Rect->Top + textHeight;
    return textHeight;
  }

  int y = Rect->Top;
  if (singleLine) {
    if (Format & DT_VCENTER)
      y = Rect->Top + (rectHeight - lineHeight) / 2;
    else if (Format & DT_BOTTOM)
      y = Rect->Bottom - lineHeight;
  }
  const int result = y - Rect->Top + textHeight;

  const int saved = SaveDC(DC);
  if (!(Format & DT_NOCLIP)) IntersectClipRect(DC, Rect->Left, Rect->Top, Rect->Right, Rect->Bottom);
  SetTextAlign(DC, TA_LEFT | TA_TOP);
  for (size_t i = 0; i < lines.size(); ++i, y += lineHeight) {
    const TLine& line = lines[i];
    int x = Rect->Left;
    if (Format & DT_CENTER)
      x = Rect->Left + (maxWidth - widths[i]) / 2;
    else if (Format & DT_RIGHT)
      x = Rect->Right - widths[i];
    if (Format & DT_EXPANDTABS) {
      // Tabs: each segment at its tab stop.
      size_t start = 0;
      measure.Load(line.Text);
      int segX = 0;
      for (size_t k = 0; k <= line.Text.size(); ++k) {
        if (k == line.Text.size() || line.Text[k] == u'\t') {
          ExtTextOutW(DC, x + segX, y, 0, nullptr, line.Text.data() + start, UINT(k - start), nullptr);
          if (k < line.Text.size()) segX = measure.Next(measure.Width(0, k), k);
          start = k + 1;
        }
      }
    } else {
      ExtTextOutW(DC, x, y, 0, nullptr, line.Text.data(), UINT(line.Text.size()), nullptr);
    }
    if (line.Hotkey >= 0 && line.Hotkey < int(line.Text.size())) {
      measure.Load(line.Text);
      const int ux = x + measure.Width(0, size_t(line.Hotkey));
      const int uw = measure.Advance(size_t(line.Hotkey));
      TPoint off = detail::LogicalToSurfaceOffset(DC);
      const int uy = y + tm.tmAscent + font->UnderlinePosition;
      detail::FillSurfaceRect(DC, TRect(ux + off.X, uy + off.Y, ux + uw + off.X, uy + font->UnderlineThickness + off.Y),
                              GetTextColor(DC));
    }
  }
  RestoreDC(DC, saved);
  return result;
}
