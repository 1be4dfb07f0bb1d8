#pragma once
// A font with an opacity and a text shadow, and text drawing that carries alpha onto 32-bit
// targets: the text is drawn white into a shared scratch DIB, its coverage turned into
// premultiplied colour, and the result blended onto the target; a visible shadow is drawn the
// same way first (offset or all around, blurred and coloured).

#include <functional>

#include "vcl/VCL.Graphics.h"
#include "zcl/base/ZCL.Colors.h"
#include "zcl/graphics/ZCL.Graphics.Geometry.h"
#include "zcl/graphics/ZCL.Graphics.Render.h"

class TZCLDib;

class TZCLFontShadow : public TPersistent {
  ZCL_CLASS(TZCLFontShadow, TPersistent)
 public:
  explicit TZCLFontShadow(TNotifyEvent AOnChange = {});
  static void DeclareProperties(TClassDeclaration<TZCLFontShadow>& D);
  void Assign(TPersistent* Source) override;
  bool Equals(const TObject* Obj) const override;

  virtual void Changed();
  // 0..50; the blur radius is a tenth of it, rounded up.
  virtual Integer GetBlur() const { return FBlur; }
  virtual TAlphaColor GetColor() const { return FColor; }
  virtual TZCLMarginPart GetDirection() const { return FDirection; }
  // 1..3 steps of the direction's offset.
  virtual Integer GetSize() const { return FSize; }
  virtual void SetBlur(Integer Value);
  virtual void SetColor(TAlphaColor Value);
  virtual void SetDirection(TZCLMarginPart Value);
  virtual void SetSize(Integer Value);
  virtual void Reset();

  Integer GetBlurRadius() const { return FBlurRadius; }
  bool IsVisible() const;
  // Left, top, right and bottom extents the shadow adds around text; empty when invisible.
  TRect GetShadowMargins() const;
  TSize ExpandByShadow(const TSize& Size) const;
  // One step of the direction; (0, 0) for the glow all around.
  TPoint GetOffset() const;
  // Blurs an image with these settings (nothing for Blur below 1).
  void BlurImage(TZCLDib* Dib) const;

  TNotifyEvent OnChange;

 private:
  Integer FBlur = 0;
  Integer FBlurRadius = 0;
  TAlphaColor FColor = 0;
  TZCLMarginPart FDirection = mzRightBottom;
  Integer FSize = 1;
};

class TZCLFont : public TFont {
  ZCL_CLASS(TZCLFont, TFont)
 public:
  TZCLFont();
  ~TZCLFont() override;
  static void DeclareProperties(TClassDeclaration<TZCLFont>& D);
  void Assign(TPersistent* Source) override;

  Byte GetColorAlpha() const { return FColorAlpha; }
  void SetColorAlpha(Byte Value);
  TZCLFontShadow* GetShadow() const { return FShadow; }
  void SetShadow(TZCLFontShadow* Value) { FShadow->Assign(Value); }
  // The colour part becomes Color (default and none map to their colours), the alpha ColorAlpha.
  void SetAlphaColor(TAlphaColor Value);

 private:
  void ShadowChanged(TObject* Sender) { Changed(); }
  Byte FColorAlpha = 255;
  TZCLFontShadow* FShadow;
};

// Same face, height, style and rendering (colour aside): one handle serves both.
bool FontsLookAlike(const TFont* A, const TFont* B);
// The shadow of a TZCLFont with a visible shadow, else null.
TZCLFontShadow* VisibleShadowOf(TFont* Font);
// The shadow's margins for a TZCLFont, an empty rectangle for other fonts.
TRect FontShadowMargins(TFont* Font);

// Turns white-on-transparent-black coverage into premultiplied pixels of Color (BGRA quad).
void ColorizeTextImage(TZCLDib* Dib, TZCLPixel32 Color);

using TZCLText32Output = std::function<void(TZCLDib* Image)>;
// Draws Count characters of Text (and again RepeatOffset to the right when positive) at Origin
// into a shared Width x Height scratch image: first the shadow, then the text, each handed to
// Output when finished. Usable from the UI thread only.
void DrawText32Core(const Char* Text, Integer Count, Integer Width, Integer Height, TFont* Font, const TPoint& Origin,
                    Integer RepeatOffset, const TZCLText32Output& Output);
void DrawText32(TCanvas* Canvas, const TRect& R, const String& Text, TFont* Font, TAlignment HorzAlignment,
                TVerticalAlignment VertAlignment, bool EndEllipsis);
void DrawText32Duplicated(TCanvas* Canvas, const TRect& R, const String& Text, const TPoint& Offset,
                          Integer RepeatOffset, TFont* Font);
void FinalizeText32();
