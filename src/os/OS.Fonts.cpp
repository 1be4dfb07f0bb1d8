#include "os/OS.Fonts.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include <harfbuzz/hb-ft.h>
#include <harfbuzz/hb.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "os/OS.Gdi.h"

using detail::TGdiKind;
using detail::TGdiObject;
using detail::TRealFont;

namespace {

String Lower(const String& S) {
  String r = S;
  for (auto& c : r)
    if (c >= u'A' && c <= u'Z') c = Char(c - u'A' + u'a');
  return r;
}

struct TPrivateFont {
  std::string Path;
  bool Temporary = false;  // written from memory: deleted on removal
  int Faces = 0;
};

// Process-wide font state: the FreeType library, substitutions and private fonts. Created on
// first use (or by the unit's initialisation) and guarded by one lock.
struct TFontState {
  std::recursive_mutex Lock;
  FT_Library Library = nullptr;
  std::map<String, String> Substitutes;  // lower-case family -> replacement
  std::vector<std::unique_ptr<TPrivateFont>> Private;
  HFONT StockFonts[18] = {};
  // Fallback faces by file, size and rendering, and the face chosen per font and code point.
  std::map<std::string, std::unique_ptr<TRealFont>> FallbackFaces;
  std::map<std::string, const TRealFont*> FallbackChoice;
  // Recently realised descriptions, newest last: a canvas switching between fonts makes a new
  // handle at each switch, and matching plus opening the face again costs far more than the
  // text it measures. Emptied whenever the installed fonts or substitutions change.
  std::vector<std::pair<LOGFONTW, std::shared_ptr<const TRealFont>>> Recent;
  TFontState() {
    FT_Init_FreeType(&Library);
    for (const char16_t* name : {u"segoe ui", u"tahoma", u"ms shell dlg 2", u"ms shell dlg", u"ms sans serif",
                                 u"microsoft sans serif", u"arial"})
      Substitutes[name] = u"sans-serif";
    Substitutes[u"courier new"] = u"monospace";
    Substitutes[u"times new roman"] = u"serif";
  }
};

TFontState& State() {
  static TFontState* state = new TFontState;  // the fonts of live handles may outlive the unit
  return *state;
}

FcConfig* Config() {
  FcConfig* config = FcConfigGetCurrent();
  return config;
}

void AddPrivateToConfig(FcConfig* Config, const TPrivateFont& Font) {
  FcConfigAppFontAddFile(Config, reinterpret_cast<const FcChar8*>(Font.Path.c_str()));
}

struct TFontObject : TGdiObject {
  TFontObject() : TGdiObject(TGdiKind::Font) {}
  LOGFONTW Log{};
  std::once_flag Realized;
  std::shared_ptr<const TRealFont> Real;
  int Describe(int Size, void* Buffer) const override {
    if (!Buffer) return sizeof(LOGFONTW);
    if (Size < int(sizeof(LOGFONTW))) return 0;
    std::memcpy(Buffer, &Log, sizeof Log);
    return sizeof Log;
  }
};

int FcWeightFor(LONG Weight) {
  if (Weight <= 0) Weight = FW_NORMAL;
  return FcWeightFromOpenType(std::clamp<int>(Weight, 1, 1000));
}

struct TMatch {
  std::string File;
  int Index = 0;
  String Family;
  int Weight = FC_WEIGHT_REGULAR;
  int Slant = FC_SLANT_ROMAN;
};

bool MatchFace(const LOGFONTW& Log, TMatch& Out) {
  String family = LogFontFaceName(Log);
  String substitute = GetFontSubstitute(family);
  if (!substitute.empty()) family = substitute;
  const bool fixed = (Log.lfPitchAndFamily & 3) == FIXED_PITCH || (Log.lfPitchAndFamily & 0xF0) == FF_MODERN;
  const bool roman = (Log.lfPitchAndFamily & 0xF0) == FF_ROMAN;
  FcPattern* pattern = FcPatternCreate();
  if (!family.empty())
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(StringToUTF8(family).c_str()));
  // A weak generic fallback, so that a missing family ends on the configured default face.
  FcPatternAddString(pattern, FC_FAMILY,
                     reinterpret_cast<const FcChar8*>(fixed   ? "monospace"
                                                      : roman ? "serif"
                                                              : "sans-serif"));
  FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFor(Log.lfWeight));
  FcPatternAddInteger(pattern, FC_SLANT, Log.lfItalic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(Config(), pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcPattern* match = FcFontMatch(Config(), pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return false;
  FcChar8* file = nullptr;
  FcChar8* matchedFamily = nullptr;
  bool ok = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch;
  if (ok) {
    Out.File = reinterpret_cast<const char*>(file);
    FcPatternGetInteger(match, FC_INDEX, 0, &Out.Index);
    if (FcPatternGetString(match, FC_FAMILY, 0, &matchedFamily) == FcResultMatch)
      Out.Family = UTF8ToString(reinterpret_cast<const char*>(matchedFamily));
    FcPatternGetInteger(match, FC_WEIGHT, 0, &Out.Weight);
    FcPatternGetInteger(match, FC_SLANT, 0, &Out.Slant);
  }
  FcPatternDestroy(match);
  return ok;
}

LONG RoundL(double V) { return static_cast<LONG>(std::lround(V)); }

void ComputeMetrics(TRealFont& F) {
  FT_Face face = F.Face;
  const double upem = face->units_per_EM ? face->units_per_EM : 2048;
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
  double winAscent = os2 && os2->version != 0xFFFF ? os2->usWinAscent : face->ascender;
  double winDescent = os2 && os2->version != 0xFFFF ? os2->usWinDescent : -face->descender;
  if (winAscent + winDescent <= 0) {
    winAscent = face->ascender;
    winDescent = -face->descender;
  }
  const LONG h = F.Log.lfHeight;
  F.EmPixels = h < 0 ? -h : h > 0 ? h * upem / (winAscent + winDescent) : 12.0;
  const double scale = F.EmPixels / upem;
  TEXTMETRICW& m = F.Metrics;
  m.tmAscent = RoundL(winAscent * scale);
  m.tmDescent = RoundL(winDescent * scale);
  if (h > 0 && h >= m.tmAscent) m.tmDescent = h - m.tmAscent;
  m.tmHeight = m.tmAscent + m.tmDescent;
  m.tmInternalLeading = std::max<LONG>(0, m.tmHeight - RoundL(F.EmPixels));
  if (hhea) {
    double gap = hhea->Line_Gap - ((winAscent + winDescent) - (hhea->Ascender - hhea->Descender));
    m.tmExternalLeading = std::max<LONG>(0, RoundL(gap * scale));
  }
  if (os2 && os2->version != 0xFFFF && os2->xAvgCharWidth > 0)
    m.tmAveCharWidth = RoundL(os2->xAvgCharWidth * scale);
  else
    m.tmAveCharWidth = RoundL(F.EmPixels / 2);
  m.tmMaxCharWidth = RoundL((hhea ? hhea->advance_Width_Max : face->max_advance_width) * scale);
  m.tmWeight = F.Log.lfWeight > 0 ? F.Log.lfWeight : FW_NORMAL;
  m.tmOverhang = 0;
  m.tmDigitizedAspectX = 96;
  m.tmDigitizedAspectY = 96;
  m.tmFirstChar = 0x20;
  m.tmLastChar = 0xFFFC;
  m.tmDefaultChar = 0x1F;
  m.tmBreakChar = 0x20;
  m.tmItalic = F.Log.lfItalic ? 1 : 0;
  m.tmUnderlined = F.Log.lfUnderline ? 1 : 0;
  m.tmStruckOut = F.Log.lfStrikeOut ? 1 : 0;
  m.tmPitchAndFamily = Byte((FT_IS_FIXED_WIDTH(face) ? 0 : TMPF_FIXED_PITCH) | TMPF_VECTOR | TMPF_TRUETYPE |
                            (F.Log.lfPitchAndFamily & 0xF0));
  m.tmCharSet = F.Log.lfCharSet;
  F.UnderlineThickness = std::max<int>(1, RoundL(face->underline_thickness * scale));
  F.UnderlinePosition = std::max<int>(1, RoundL(-face->underline_position * scale - F.UnderlineThickness / 2.0));
  if (os2 && os2->version != 0xFFFF && os2->yStrikeoutSize > 0) {
    F.StrikeOutThickness = std::max<int>(1, RoundL(os2->yStrikeoutSize * scale));
    F.StrikeOutPosition = RoundL(os2->yStrikeoutPosition * scale) + F.StrikeOutThickness / 2;
  } else {
    F.StrikeOutThickness = F.UnderlineThickness;
    F.StrikeOutPosition = RoundL(m.tmAscent / 3.0);
  }
}

const cairo_user_data_key_t GFaceKey{};

// Opens the matched face twice (metrics and shaping; rendering) at the font's size. EmPixels
// above 0 overrides the size the description gives (fallback faces take the base font's).
std::unique_ptr<TRealFont> MakeRealFont(const LOGFONTW& Log, const TMatch& Match, double EmPixels) {
  auto real = std::make_unique<TRealFont>();
  real->Log = Log;
  TFontState& state = State();
  if (FT_New_Face(state.Library, Match.File.c_str(), Match.Index, &real->Face) != 0) {
    real->Face = nullptr;
    return nullptr;
  }
  FT_Face renderFace = nullptr;
  if (FT_New_Face(state.Library, Match.File.c_str(), Match.Index, &renderFace) != 0) return nullptr;
  real->Family = Match.Family;
  real->Monochrome = Log.lfQuality == NONANTIALIASED_QUALITY;
  real->LoadFlags = real->Monochrome ? (FT_LOAD_DEFAULT | FT_LOAD_TARGET_MONO) : FT_LOAD_DEFAULT;
  real->SyntheticBold = Log.lfWeight >= FW_SEMIBOLD && Match.Weight < FC_WEIGHT_DEMIBOLD;
  real->SyntheticItalic = Log.lfItalic && Match.Slant == FC_SLANT_ROMAN;
  ComputeMetrics(*real);
  if (EmPixels > 0) real->EmPixels = EmPixels;
  FT_Set_Char_Size(real->Face, 0, FT_F26Dot6(std::lround(real->EmPixels * 64)), 72, 72);
  real->Shaper = hb_ft_font_create_referenced(real->Face);
  hb_ft_font_set_load_flags(real->Shaper, real->LoadFlags);
  real->CairoFace = cairo_ft_font_face_create_for_ft_face(renderFace, real->LoadFlags);
  cairo_font_face_set_user_data(real->CairoFace, &GFaceKey, renderFace,
                                [](void* face) { FT_Done_Face(static_cast<FT_Face>(face)); });
  unsigned synth = 0;
  if (real->SyntheticBold) synth |= CAIRO_FT_SYNTHESIZE_BOLD;
  if (real->SyntheticItalic) synth |= CAIRO_FT_SYNTHESIZE_OBLIQUE;
  if (synth) cairo_ft_font_face_set_synthesize(real->CairoFace, synth);
  return real;
}

bool SameLogFont(const LOGFONTW& A, const LOGFONTW& B) {
  return A.lfHeight == B.lfHeight && A.lfWidth == B.lfWidth && A.lfEscapement == B.lfEscapement &&
         A.lfOrientation == B.lfOrientation && A.lfWeight == B.lfWeight && A.lfItalic == B.lfItalic &&
         A.lfUnderline == B.lfUnderline && A.lfStrikeOut == B.lfStrikeOut && A.lfCharSet == B.lfCharSet &&
         A.lfOutPrecision == B.lfOutPrecision && A.lfClipPrecision == B.lfClipPrecision &&
         A.lfQuality == B.lfQuality && A.lfPitchAndFamily == B.lfPitchAndFamily &&
         LogFontFaceName(A) == LogFontFaceName(B);
}

constexpr size_t RecentFontsLimit = 16;

void ForgetRealizedFonts(TFontState& FontState) { FontState.Recent.clear(); }

void Realize(TFontObject& Font) {
  TFontState& state = State();
  std::lock_guard<std::recursive_mutex> guard(state.Lock);
  auto& recent = state.Recent;
  for (auto it = recent.begin(); it != recent.end(); ++it)
    if (SameLogFont(it->first, Font.Log)) {
      Font.Real = it->second;
      std::rotate(it, it + 1, recent.end());
      return;
    }
  TMatch match;
  if (!MatchFace(Font.Log, match)) return;
  Font.Real = MakeRealFont(Font.Log, match, 0);
  if (!Font.Real) return;
  if (recent.size() >= RecentFontsLimit) recent.erase(recent.begin());
  recent.emplace_back(Font.Log, Font.Real);
}

TFontObject* FontOf(const void* Handle) {
  TGdiObject* object = detail::GdiObjectOf(Handle);
  return object && object->Kind == TGdiKind::Font ? static_cast<TFontObject*>(object) : nullptr;
}

}  // namespace

// --- Creation ------------------------------------------------------------------------------------

HFONT CreateFontIndirectW(const LOGFONTW* Font) {
  if (!Font) return nullptr;
  auto* f = new TFontObject;
  f->Log = *Font;
  f->Log.lfFaceName[LF_FACESIZE - 1] = 0;
  detail::RegisterGdiObject(f);
  return reinterpret_cast<HFONT>(static_cast<TGdiObject*>(f));
}

HFONT CreateFontW(int Height, int Width, int Escapement, int Orientation, int Weight, DWORD Italic, DWORD Underline,
                  DWORD StrikeOut, DWORD CharSet, DWORD OutPrecision, DWORD ClipPrecision, DWORD Quality,
                  DWORD PitchAndFamily, const String& FaceName) {
  LOGFONTW lf = MakeLogFont(FaceName, Height, Weight, Italic != 0);
  lf.lfWidth = Width;
  lf.lfEscapement = Escapement;
  lf.lfOrientation = Orientation;
  lf.lfUnderline = Underline ? 1 : 0;
  lf.lfStrikeOut = StrikeOut ? 1 : 0;
  lf.lfCharSet = Byte(CharSet);
  lf.lfOutPrecision = Byte(OutPrecision);
  lf.lfClipPrecision = Byte(ClipPrecision);
  lf.lfQuality = Byte(Quality);
  lf.lfPitchAndFamily = Byte(PitchAndFamily);
  return CreateFontIndirectW(&lf);
}

LOGFONTW MakeLogFont(const String& FaceName, LONG Height, LONG Weight, bool Italic) {
  LOGFONTW lf{};
  lf.lfHeight = Height;
  lf.lfWeight = Weight;
  lf.lfItalic = Italic ? 1 : 0;
  lf.lfCharSet = DEFAULT_CHARSET;
  const size_t n = std::min<size_t>(FaceName.size(), LF_FACESIZE - 1);
  std::copy_n(FaceName.data(), n, lf.lfFaceName);
  lf.lfFaceName[n] = 0;
  return lf;
}

String LogFontFaceName(const LOGFONTW& Font) {
  size_t n = 0;
  while (n < LF_FACESIZE && Font.lfFaceName[n]) ++n;
  return String(Font.lfFaceName, n);
}

// --- Substitution and configuration -----------------------------------------------------------

void SetFontSubstitute(const String& Family, const String& Replacement) {
  TFontState& state = State();
  std::lock_guard<std::recursive_mutex> guard(state.Lock);
  if (Replacement.empty())
    state.Substitutes.erase(Lower(Family));
  else
    state.Substitutes[Lower(Family)] = Replacement;
  ForgetRealizedFonts(state);
}

String GetFontSubstitute(const String& Family) {
  TFontState& state = State();
  std::lock_guard<std::recursive_mutex> guard(state.Lock);
  auto it = state.Substitutes.find(Lower(Family));
  return it == state.Substitutes.end() ? String() : it->second;
}

bool UseFontConfiguration(const std::string& Xml) {
  TFontState& state = State();
  std::lock_guard<std::recursive_mutex> guard(state.Lock);
  FcConfig* config = FcConfigCreate();
  if (!FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(Xml.c_str()), FcTrue) ||
      !FcConfigBuildFonts(config)) {
    FcConfigDestroy(config);
    return false;
  }
  for (auto& f : state.Private) AddPrivateToConfig(config, *f);
  FcConfigSetCurrent(config);
  FcConfigDestroy(config);  // the current configuration holds its own reference
  ForgetRealizedFonts(state);
  return true;
}

// --- Enumeration ---------------------------------------------------------------------------------

std::vector<String> GetFontFamilies() {
  TFontState& state = State();
  std::lock_guard<std::recursive_mutex> guard(state.Lock);
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
  FcFontSet* set = FcFontList(Config(), pattern, objects);
  std::set<String> families;
  if (set) {
    for (int i = 0; i < set->nfont; ++i) {
      FcChar8* family = nullptr;
      if (FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &family) != FcResultMatch) continue;
      String name = UTF8ToString(reinterpret_cast<const char*>(family));
      if (!name.empty() && name[0] != u'@') families.insert(name);
    }
    FcFontSetDestroy(set);
  }
  FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  return {families.begin(), families.end()};
}

int EnumFontFamiliesExW(HDC, const LOGFONTW* LogFont, FONTENUMPROCW Proc, LPARAM Data, DWORD) {
  if (!Proc) return 0;
  const String wanted = LogFont ? LogFontFaceName(*LogFont) : String();
  int last = 1;
  for (const String& family : GetFontFamilies()) {
    if (!wanted.empty() && Lower(family) != Lower(wanted)) continue;
    LOGFONTW lf = MakeLogFont(family, -12);
    lf.lfCharSet = LogFont ? LogFont->lfCharSet : DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    TEXTMETRICW tm{};
    HFONT font = CreateFontIndirectW(&lf);
    if (const TRealFont* real = detail::RealizeFont(font)) tm = real->Metrics;
    DeleteObject(font);
    last = Proc(&lf, &tm, TRUETYPE_FONTTYPE, Data);
    if (!last) break;
  }
  return last;
}

// --- Private fonts -------------------------------------------------------------------------------

namespace {
int CountFaces(const std::string& Path) {
  TFontState& state = State();
  FT_Face face = nullptr;
  if (FT_New_Face(state.Library, Path.c_str(), -1, &face) != 0) return 0;
  int n = int(face->num_faces);
  FT_Done_Face(face);
  return n;
}

void RebuildPrivateFonts() {
  TFontState& state = State();
  FcConfigAppFontClear(Config());
  for (auto& f : state.Private) AddPrivateToConfig(Config(), *f);
  ForgetRealizedFonts(state);
}

TPrivateFont* AddPrivate(const std::string& Path, bool Temporary) {
  TFontState& state = State();
  int faces = CountFaces(Path);
  if (faces <= 0) return nullptr;
  if (!FcConfigAppFontAddFile(Config(), reinterpret_cast<const FcChar8*>(Path.c_str()))) return nullptr;
  ForgetRealizedFonts(state);
  auto font = std::make_unique<TPrivateFont>();
  font->Path = Path;
  font->Temporary = Temporary;
  font->Faces = faces;
  state.Private.push_back(std::move(font));
  return state.Private.back().get();
}
}  // namespace

int AddFontResourceExW(const String& FileName, DWORD, void*) {
  TFontState& state = State();
  std::lock_guard<std::recursive_mutex> guard(state.Lock);
  TPrivateFont* font = AddPrivate(StringToUTF8(FileName), false);
  return font ? font->Faces : 0;
}

BOOL RemoveFontResourceExW(const String& FileName, DWORD, void*) {
  TFontState& state = State();
  std::lock_guard<std::recursive_mutex> guard(state.Lock);
  const std::string path = StringToUTF8(FileName);
  auto it = std::find_if(state.Private.begin(), state.Private.end(),
                         [&](const auto& f) { return !f->Temporary && f->Path == path; });
  if (it == state.Private.end()) return 0;
  state.Private.erase(it);
  RebuildPrivateFonts();
  return 1;
}

HANDLE AddFontMemResourceEx(const void* Data, DWORD Size, void*, DWORD* NumFonts) {
  if (NumFonts) *NumFonts = 0;
  if (!Data || Size == 0) return nullptr;
  TFontState& state = State();
  std::lock_guard<std::recursive_mutex> guard(state.Lock);
  // fontconfig knows fonts by file: the data goes to a private temporary file.
  const char* tmp = std::getenv("TMPDIR");
  std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/zephse-font-XXXXXX";
  int fd = mkstemp(path.data());
  if (fd < 0) return nullptr;
  bool written = ::write(fd, Data, Size) == ssize_t(Size);
  ::close(fd);
  TPrivateFont* font = written ? AddPrivate(path, true) : nullptr;
  if (!font) {
    std::remove(path.c_str());
    return nullptr;
  }
  if (NumFonts) *NumFonts = DWORD(font->Faces);
  return reinterpret_cast<HANDLE>(font);
}

BOOL RemoveFontMemResourceEx(HANDLE Handle) {
  TFontState& state = State();
  std::lock_guard<std::recursive_mutex> guard(state.Lock);
  auto it = std::find_if(state.Private.begin(), state.Private.end(),
                         [&](const auto& f) { return reinterpret_cast<HANDLE>(f.get()) == Handle && f->Temporary; });
  if (it == state.Private.end()) return 0;
  std::remove((*it)->Path.c_str());
  state.Private.erase(it);
  RebuildPrivateFonts();
  return 1;
}

String GetFontFileFamily(const void* Data, size_t Size) {
  if (!Data || Size == 0) return String();
  TFontState& state = State();
  std::lock_guard<std::recursive_mutex> guard(state.Lock);
  FT_Face face = nullptr;
  if (FT_New_Memory_Face(state.Library, static_cast<const FT_Byte*>(Data), FT_Long(Size), 0, &face) != 0)
    return String();
  String family = face->family_name ? UTF8ToString(face->family_name) : String();
  FT_Done_Face(face);
  return family;
}

void FontsInitialization() {
  State();
  FcInit();
}

void FontsFinalization() {
  TFontState& state = State();
  std::lock_guard<std::recursive_mutex> guard(state.Lock);
  for (auto& f : state.Private)
    if (f->Temporary) std::remove(f->Path.c_str());
  if (!state.Private.empty()) {
    state.Private.clear();
    RebuildPrivateFonts();
  }
}

namespace detail {

TRealFont::~TRealFont() {
  if (Shaper) hb_font_destroy(Shaper);
  if (CairoFace) cairo_font_face_destroy(CairoFace);
  if (Face) FT_Done_Face(Face);
}

const TRealFont* FallbackFont(const TRealFont& Base, uint32_t CodePoint) {
  TFontState& state = State();
  std::lock_guard<std::recursive_mutex> guard(state.Lock);
  const std::string style = StringToUTF8(Base.Family) + "|" + std::to_string(Base.EmPixels) + "|" +
                            std::to_string(Base.LoadFlags) + "|" + std::to_string(Base.Log.lfWeight) + "|" +
                            std::to_string(int(Base.Log.lfItalic));
  const std::string choiceKey = style + "|" + std::to_string(CodePoint);
  auto chosen = state.FallbackChoice.find(choiceKey);
  if (chosen != state.FallbackChoice.end()) return chosen->second;
  const TRealFont* result = nullptr;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(StringToUTF8(Base.Family).c_str()));
  FcCharSet* charset = FcCharSetCreate();
  FcCharSetAddChar(charset, CodePoint);
  FcPatternAddCharSet(pattern, FC_CHARSET, charset);
  FcCharSetDestroy(charset);
  FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFor(Base.Log.lfWeight));
  FcPatternAddInteger(pattern, FC_SLANT, Base.Log.lfItalic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(Config(), pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult fcResult;
  FcPattern* match = FcFontMatch(Config(), pattern, &fcResult);
  FcPatternDestroy(pattern);
  if (match) {
    FcCharSet* has = nullptr;
    FcChar8* file = nullptr;
    if (FcPatternGetCharSet(match, FC_CHARSET, 0, &has) == FcResultMatch && FcCharSetHasChar(has, CodePoint) &&
        FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
      TMatch m;
      m.File = reinterpret_cast<const char*>(file);
      FcPatternGetInteger(match, FC_INDEX, 0, &m.Index);
      FcChar8* family = nullptr;
      if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch)
        m.Family = UTF8ToString(reinterpret_cast<const char*>(family));
      FcPatternGetInteger(match, FC_WEIGHT, 0, &m.Weight);
      FcPatternGetInteger(match, FC_SLANT, 0, &m.Slant);
      const std::string faceKey = m.File + "|" + std::to_string(m.Index) + "|" + style;
      auto& face = state.FallbackFaces[faceKey];
      if (!face) face = MakeRealFont(Base.Log, m, Base.EmPixels);
      result = face.get();
    }
    FcPatternDestroy(match);
  }
  state.FallbackChoice[choiceKey] = result;
  return result;
}

const TRealFont* RealizeFont(HFONT Font) {
  TFontObject* font = FontOf(Font);
  if (!font) return nullptr;
  std::call_once(font->Realized, [font] { Realize(*font); });
  return font->Real.get();
}

HFONT StockFont(int Index) {
  if (Index < 0 || Index >= 18) return nullptr;
  TFontState& state = State();
  std::lock_guard<std::recursive_mutex> guard(state.Lock);
  if (!state.StockFonts[Index]) {
    const bool fixed = Index == OEM_FIXED_FONT || Index == ANSI_FIXED_FONT;
    LOGFONTW lf = MakeLogFont(fixed ? u"monospace" : u"MS Shell Dlg 2", -11);
    if (fixed) lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    HFONT font = CreateFontIndirectW(&lf);
    GdiObjectOf(font)->Stock = true;
    state.StockFonts[Index] = font;
  }
  return state.StockFonts[Index];
}

}  // namespace detail
