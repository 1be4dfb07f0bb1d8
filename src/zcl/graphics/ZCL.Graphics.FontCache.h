#pragma once
// Shared fonts by description: one font object per distinct description, scaled to the
// requested pixel density, and the installed font families, collected once in the background.

#include <functional>

#include "vcl/VCL.Graphics.h"

// A font description; the key of the font caches.
struct TZCLFontData {
  Byte Charset = 1;    // DEFAULT_CHARSET
  Integer Height = 0;  // at 96 dpi; negative: character height, positive: cell height
  String Name;
  Integer Orientation = 0;  // tenths of a degree
  Byte Pitch = 0;
  Byte Quality = 0;
  Byte Style = 0;  // bit 0 bold, 1 italic, 2 underline, 3 strike-out
  Integer TargetDPI = 96;

  static TZCLFontData FromFont(TFont* Font);
  // Names compare ignoring case, everything else exactly.
  friend bool operator==(const TZCLFontData& A, const TZCLFontData& B);
  // Hashes the case-folded name, so that equal descriptions always hash alike.
  Cardinal Hash() const;
};

struct TZCLFontDataHasher {
  size_t operator()(const TZCLFontData& Data) const { return Data.Hash(); }
};

using TZCLFontSubstitution = void (*)(String& Name, Integer& Height);

class TZCLFontCache {
 public:
  TZCLFontCache() = delete;
  // The cached font; it belongs to the cache and must not be changed or freed.
  static TFont* GetFont(const String& Name, TFontStyles Style, Integer Height, Integer TargetDPI = 96,
                        TFontQuality Quality = TFontQuality::fqDefault);
  static TFont* GetFont(TZCLFontData Data);
  // Every installed family, after the background loader has finished.
  static void EnumFonts(const std::function<void(const String&)>& Proc);
  static void StartLoaderCore();
  static void WaitForLoader(bool Cancel);
  static void SetSubstitution(TZCLFontSubstitution Proc);
  static Integer CachedFontCount();

  static void Initialize();
  static void Finalize();
};

// Font height helpers.
// A cell height (positive) becomes the matching character height (negative) at 96 dpi.
Integer FontHeightToCharHeight(TFont* Font, Integer Height);
// Height scaled from 96 dpi to Dpi (cell heights converted first).
void FontSetHeightForDPI(TFont* Font, Integer Height, Integer Dpi);
