#pragma once
// Fonts: logical font descriptions (LOGFONTW), their realisation on installed faces through
// fontconfig and FreeType, font substitution, enumeration of families and process-private
// fonts installed from files or memory.
//
// Heights follow the platform: a negative lfHeight is the character (em) height in pixels, a
// positive one the cell height (ascent + descent), 0 a default of 12 pixels em. The device
// resolution is 96 DPI.

#include <string>
#include <vector>

#include "os/OS.Regions.h"
#include "os/OS.Types.h"

constexpr int LF_FACESIZE = 32;

constexpr LONG FW_DONTCARE = 0;
constexpr LONG FW_THIN = 100;
constexpr LONG FW_EXTRALIGHT = 200;
constexpr LONG FW_LIGHT = 300;
constexpr LONG FW_NORMAL = 400;
constexpr LONG FW_MEDIUM = 500;
constexpr LONG FW_SEMIBOLD = 600;
constexpr LONG FW_BOLD = 700;
constexpr LONG FW_EXTRABOLD = 800;
constexpr LONG FW_HEAVY = 900;

constexpr Byte ANSI_CHARSET = 0;
constexpr Byte DEFAULT_CHARSET = 1;
constexpr Byte SYMBOL_CHARSET = 2;
constexpr Byte OEM_CHARSET = 255;

constexpr Byte OUT_DEFAULT_PRECIS = 0;
constexpr Byte OUT_TT_ONLY_PRECIS = 7;
constexpr Byte CLIP_DEFAULT_PRECIS = 0;

constexpr Byte DEFAULT_QUALITY = 0;
constexpr Byte DRAFT_QUALITY = 1;
constexpr Byte PROOF_QUALITY = 2;
constexpr Byte NONANTIALIASED_QUALITY = 3;
constexpr Byte ANTIALIASED_QUALITY = 4;
constexpr Byte CLEARTYPE_QUALITY = 5;
constexpr Byte CLEARTYPE_NATURAL_QUALITY = 6;

constexpr Byte DEFAULT_PITCH = 0;
constexpr Byte FIXED_PITCH = 1;
constexpr Byte VARIABLE_PITCH = 2;
constexpr Byte FF_DONTCARE = 0x00;
constexpr Byte FF_ROMAN = 0x10;
constexpr Byte FF_SWISS = 0x20;
constexpr Byte FF_MODERN = 0x30;
constexpr Byte FF_SCRIPT = 0x40;
constexpr Byte FF_DECORATIVE = 0x50;

struct LOGFONTW {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;   // tenths of a degree, counter-clockwise
  LONG lfOrientation;  // tenths of a degree
  LONG lfWeight;
  Byte lfItalic;
  Byte lfUnderline;
  Byte lfStrikeOut;
  Byte lfCharSet;
  Byte lfOutPrecision;
  Byte lfClipPrecision;
  Byte lfQuality;
  Byte lfPitchAndFamily;
  Char lfFaceName[LF_FACESIZE];  // at most 31 characters and a terminating 0
};
using LOGFONT = LOGFONTW;

struct TEXTMETRICW {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  Char tmFirstChar;
  Char tmLastChar;
  Char tmDefaultChar;
  Char tmBreakChar;
  Byte tmItalic;
  Byte tmUnderlined;
  Byte tmStruckOut;
  Byte tmPitchAndFamily;  // TMPF_* bits
  Byte tmCharSet;
};
using TEXTMETRIC = TEXTMETRICW;
// tmPitchAndFamily bits (TMPF_FIXED_PITCH set means variable pitch, as on the platform).
constexpr Byte TMPF_FIXED_PITCH = 0x01;
constexpr Byte TMPF_VECTOR = 0x02;
constexpr Byte TMPF_TRUETYPE = 0x04;

HFONT CreateFontIndirectW(const LOGFONTW* Font);
inline HFONT CreateFontIndirect(const LOGFONTW* Font) { return CreateFontIndirectW(Font); }
HFONT CreateFontW(int Height, int Width, int Escapement, int Orientation, int Weight, DWORD Italic, DWORD Underline,
                  DWORD StrikeOut, DWORD CharSet, DWORD OutPrecision, DWORD ClipPrecision, DWORD Quality,
                  DWORD PitchAndFamily, const String& FaceName);
// A LOGFONTW with the given face (cut to 31 characters) and height, everything else default.
LOGFONTW MakeLogFont(const String& FaceName, LONG Height, LONG Weight = FW_NORMAL, bool Italic = false);
String LogFontFaceName(const LOGFONTW& Font);

// Font substitution: a family asked for by name is renamed before matching. By default the
// platform's user-interface families ("Segoe UI", "Tahoma", "MS Shell Dlg 2", "MS Shell Dlg",
// "MS Sans Serif", "Microsoft Sans Serif", "Arial") map to "sans-serif". Replacement empty:
// removes the entry. Names compare ignoring case.
void SetFontSubstitute(const String& Family, const String& Replacement);
String GetFontSubstitute(const String& Family);

// Replaces the font configuration with the given fontconfig XML (typically one <dir> and a few
// aliases), so that results depend on known fonts only. Tests use it. Returns false when the
// configuration cannot be parsed; the old one then stays.
bool UseFontConfiguration(const std::string& Xml);

// Families of every installed scalable font and private font, sorted, without names starting
// with "@". Each family once.
std::vector<String> GetFontFamilies();

// Enumeration. FontType is TRUETYPE_FONTTYPE for all reported fonts.
constexpr DWORD RASTER_FONTTYPE = 0x0001;
constexpr DWORD DEVICE_FONTTYPE = 0x0002;
constexpr DWORD TRUETYPE_FONTTYPE = 0x0004;
struct ENUMLOGFONTEXW {
  LOGFONTW elfLogFont;
  Char elfFullName[64];
  Char elfStyle[32];
  Char elfScript[32];
};
// Returns non-zero to continue.
using FONTENUMPROCW = int (*)(const LOGFONTW* Font, const TEXTMETRICW* Metric, DWORD FontType, LPARAM Data);
// LogFont's face name empty: one call per family; otherwise only that family (if installed).
// Returns the last value the procedure returned (1 when it was never called).
int EnumFontFamiliesExW(HDC DC, const LOGFONTW* LogFont, FONTENUMPROCW Proc, LPARAM Data, DWORD Flags);

// Process-private fonts.
constexpr DWORD FR_PRIVATE = 0x10;
constexpr DWORD FR_NOT_ENUM = 0x20;
// Number of faces added (0 on failure).
int AddFontResourceExW(const String& FileName, DWORD Flags, void* Reserved);
BOOL RemoveFontResourceExW(const String& FileName, DWORD Flags, void* Reserved);
// The font data is copied. Returns a handle for RemoveFontMemResourceEx (null on failure) and
// the number of faces in *NumFonts.
HANDLE AddFontMemResourceEx(const void* Data, DWORD Size, void* Reserved, DWORD* NumFonts);
BOOL RemoveFontMemResourceEx(HANDLE Handle);
// The family name of a font file's first face, from its "name" table; empty when unreadable.
String GetFontFileFamily(const void* Data, size_t Size);

void FontsInitialization();
void FontsFinalization();

typedef struct FT_FaceRec_* FT_Face;
typedef struct _cairo_font_face cairo_font_face_t;
typedef struct hb_font_t hb_font_t;

namespace detail {
// A logical font realised on a face at a pixel size.
struct TRealFont {
  TRealFont() = default;
  ~TRealFont();
  TRealFont(const TRealFont&) = delete;
  TRealFont& operator=(const TRealFont&) = delete;
  LOGFONTW Log{};
  String Family;           // the matched family
  double EmPixels = 0;     // em size in pixels
  FT_Face Face = nullptr;  // metrics and shaping (never touched by the renderer)
  hb_font_t* Shaper = nullptr;
  cairo_font_face_t* CairoFace = nullptr;  // rendering (its own FT_Face)
  bool Monochrome = false;
  bool SyntheticBold = false, SyntheticItalic = false;
  TEXTMETRICW Metrics{};
  int UnderlinePosition = 0;  // pixels below the baseline to the top of the line
  int UnderlineThickness = 1;
  int StrikeOutPosition = 0;  // pixels above the baseline to the top of the line
  int StrikeOutThickness = 1;
  int LoadFlags = 0;
};
// The realised font of a font handle (made on first use and kept with the handle); null for
// a bad handle.
const TRealFont* RealizeFont(HFONT Font);
HFONT StockFont(int Index);
// An installed face at Base's size that has a glyph for CodePoint when Base has none (the
// platform's font linking); null when no installed face has it. Kept for the process.
const TRealFont* FallbackFont(const TRealFont& Base, uint32_t CodePoint);
}  // namespace detail
