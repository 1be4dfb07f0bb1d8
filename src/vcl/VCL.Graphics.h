#pragma once
// Drawing objects and the canvas: TFont, TBrush, TPen (each owns a GDI handle made on demand
// and dropped on change), TCanvas over a device context, and the graphic classes TGraphic,
// TBitmap and TPicture. PNG and icon images live in VCL.Imaging.h.
//
// Pixels of a TBitmap are always 32-bit BGRA rows, top-down (ScanLine(0) is the top row);
// PixelFormat only says whether the alpha byte carries meaning (pf32bit) or not (the others).

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "os/OS.Types.h"
#include "rtl/RTL.Classes.h"
#include "rtl/RTL.Delegates.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Geometry.h"
#include "rtl/RTL.Set.h"

class TStream;
class TSurface;

enum TFontStyle : Byte { fsBold, fsItalic, fsUnderline, fsStrikeOut };
constexpr Integer EnumHigh(TFontStyle) { return fsStrikeOut; }
using TFontStyles = TSet<TFontStyle>;
enum class TFontPitch : Byte { fpDefault, fpVariable, fpFixed };
enum class TFontQuality : Byte {
  fqDefault,
  fqDraft,
  fqProof,
  fqNonAntialiased,
  fqAntialiased,
  fqClearType,
  fqClearTypeNatural
};
using TFontCharset = Byte;

enum class TBrushStyle : Byte {
  bsSolid,
  bsClear,
  bsHorizontal,
  bsVertical,
  bsFDiagonal,
  bsBDiagonal,
  bsCross,
  bsDiagCross
};
enum class TPenStyle : Byte { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };

// The shared base of fonts, brushes and pens: a change notification and a lazily made handle.
class TGraphicsObject : public TPersistent {
  ZCL_CLASS(TGraphicsObject, TPersistent)
 public:
  TNotifyEvent OnChange;

 protected:
  // Drops the handle (made again on the next GetHandle) and notifies.
  virtual void Changed();
};

class TFont : public TGraphicsObject {
  ZCL_CLASS(TFont, TGraphicsObject)
 public:
  static constexpr const Char* DefaultName = u"Tahoma";
  static constexpr Integer DefaultSize = 8;

  TFont();
  ~TFont() override;
  void Assign(TPersistent* Source) override;

  // The font's handle, made from the properties on first use; owned by the font.
  HFONT GetHandle();

  String GetName() const { return FName; }
  void SetName(const String& Value);
  // Negative: the character (em) height in pixels; positive: the cell height; 0: default.
  Integer GetHeight() const { return FHeight; }
  void SetHeight(Integer Value);
  // Points at PixelsPerInch. A positive Size gives a negative Height (em height) and back.
  Integer GetSize() const;
  void SetSize(Integer Value);
  // The resolution Size converts at. Changing it keeps Height (the pixel size).
  Integer GetPixelsPerInch() const { return FPixelsPerInch; }
  void SetPixelsPerInch(Integer Value);
  TFontStyles GetStyle() const { return FStyle; }
  void SetStyle(TFontStyles Value);
  TColor GetColor() const { return FColor; }
  void SetColor(TColor Value);
  TFontCharset GetCharset() const { return FCharset; }
  void SetCharset(TFontCharset Value);
  // Tenths of a degree, counter-clockwise (the escapement of the text line).
  Integer GetOrientation() const { return FOrientation; }
  void SetOrientation(Integer Value);
  TFontPitch GetPitch() const { return FPitch; }
  void SetPitch(TFontPitch Value);
  TFontQuality GetQuality() const { return FQuality; }
  void SetQuality(TFontQuality Value);

 protected:
  void Changed() override;

 private:
  void FreeHandle();
  String FName = DefaultName;
  Integer FHeight = 0;
  Integer FPixelsPerInch = 96;
  TFontStyles FStyle;
  TColor FColor = clWindowText;
  TFontCharset FCharset = 1;  // DEFAULT_CHARSET
  Integer FOrientation = 0;
  TFontPitch FPitch = TFontPitch::fpDefault;
  TFontQuality FQuality = TFontQuality::fqDefault;
  HFONT FHandle = nullptr;
};

class TBrush : public TGraphicsObject {
  ZCL_CLASS(TBrush, TGraphicsObject)
 public:
  TBrush() = default;
  ~TBrush() override;
  void Assign(TPersistent* Source) override;
  // Owned by the brush; a bsClear brush has the stock null brush.
  HBRUSH GetHandle();
  TColor GetColor() const { return FColor; }
  // Setting a colour while the style is bsClear makes the brush solid.
  void SetColor(TColor Value);
  TBrushStyle GetStyle() const { return FStyle; }
  void SetStyle(TBrushStyle Value);

 protected:
  void Changed() override;

 private:
  void FreeHandle();
  TColor FColor = clWhite;
  TBrushStyle FStyle = TBrushStyle::bsSolid;
  HBRUSH FHandle = nullptr;
};

class TPen : public TGraphicsObject {
  ZCL_CLASS(TPen, TGraphicsObject)
 public:
  TPen() = default;
  ~TPen() override;
  void Assign(TPersistent* Source) override;
  HPEN GetHandle();
  TColor GetColor() const { return FColor; }
  void SetColor(TColor Value);
  // Pixels; values below 1 count as 1.
  Integer GetWidth() const { return FWidth; }
  void SetWidth(Integer Value);
  TPenStyle GetStyle() const { return FStyle; }
  void SetStyle(TPenStyle Value);

 protected:
  void Changed() override;

 private:
  void FreeHandle();
  TColor FColor = clBlack;
  Integer FWidth = 1;
  TPenStyle FStyle = TPenStyle::psSolid;
  HPEN FHandle = nullptr;
};

class TGraphic;

// Drawing on a device context with the canvas's font, brush and pen, which are selected into
// the DC before each operation that needs them. A canvas either wraps a DC set through
// SetHandle (which it does not own) or makes one in CreateHandle (subclasses).
class TCanvas : public TPersistent {
  ZCL_CLASS(TCanvas, TPersistent)
 public:
  TCanvas();
  ~TCanvas() override;

  // The DC; a canvas without one asks CreateHandle, and raises EInvalidOperation "Canvas does
  // not allow drawing" when there still is none.
  HDC GetHandle();
  // Attaches a DC the caller owns (null detaches; the old DC gets its original objects back).
  void SetHandle(HDC Value);
  bool HandleAllocated() const { return FHandle != nullptr; }

  TFont* GetFont() const { return FFont.get(); }
  void SetFont(TFont* Value) { FFont->Assign(Value); }
  TBrush* GetBrush() const { return FBrush.get(); }
  void SetBrush(TBrush* Value) { FBrush->Assign(Value); }
  TPen* GetPen() const { return FPen.get(); }
  void SetPen(TPen* Value) { FPen->Assign(Value); }
  // The area drawing can reach, in logical coordinates.
  TRect GetClipRect();
  TPoint GetPenPos();
  void SetPenPos(TPoint Value) { MoveTo(Value.X, Value.Y); }

  void FillRect(const TRect& R);
  void FrameRect(const TRect& R);
  void Rectangle(Integer X1, Integer Y1, Integer X2, Integer Y2);
  void Rectangle(const TRect& R) { Rectangle(R.Left, R.Top, R.Right, R.Bottom); }
  void RoundRect(Integer X1, Integer Y1, Integer X2, Integer Y2, Integer X3, Integer Y3);
  void Ellipse(Integer X1, Integer Y1, Integer X2, Integer Y2);
  void Ellipse(const TRect& R) { Ellipse(R.Left, R.Top, R.Right, R.Bottom); }
  void Polygon(const std::vector<TPoint>& Points);
  void Polyline(const std::vector<TPoint>& Points);
  void MoveTo(Integer X, Integer Y);
  void LineTo(Integer X, Integer Y);
  // The pixel's colour as TColor (clNone outside the clip); setting stores it opaque.
  TColor GetPixel(Integer X, Integer Y);
  void SetPixel(Integer X, Integer Y, TColor Value);

  void TextOut(Integer X, Integer Y, const String& Text);
  // Text clipped to R, at (X, Y); the brush fills R first unless it is bsClear.
  void TextRect(const TRect& R, Integer X, Integer Y, const String& Text);
  TSize TextExtent(const String& Text);
  Integer TextWidth(const String& Text) { return TextExtent(Text).cx; }
  Integer TextHeight(const String& Text) { return TextExtent(Text).cy; }

  // The graphic at (X, Y) at its own size, or stretched into R; null or empty graphics draw nothing.
  void Draw(Integer X, Integer Y, TGraphic* Graphic);
  void StretchDraw(const TRect& R, TGraphic* Graphic);
  // Copies (stretching) Source's rectangle of Canvas into Dest, SRCCOPY.
  void CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source);

  // Serialises drawing from several threads; Lock is recursive.
  void Lock();
  bool TryLock();
  void Unlock();
  Integer GetLockCount() const { return FLockCount; }

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  virtual void CreateHandle() {}
  // Before and after each drawing operation.
  virtual void Changing();
  virtual void Changed();
  // Restores the DC's original objects (before a DC is released or the bitmap under it changes).
  void DeselectHandles();

 private:
  enum TStateItem : Byte { csHandleValid, csFontValid, csPenValid, csBrushValid };
  using TState = TSet<TStateItem>;
  void RequireState(TState Required);
  void FontChanged(TObject*) { FState.Exclude(csFontValid); }
  void PenChanged(TObject*) { FState.Exclude(csPenValid); }
  void BrushChanged(TObject*) { FState.Exclude(csBrushValid); }

  HDC FHandle = nullptr;
  TState FState;
  std::unique_ptr<TFont> FFont;
  std::unique_ptr<TBrush> FBrush;
  std::unique_ptr<TPen> FPen;
  HGDIOBJ FOldFont = nullptr;
  HGDIOBJ FOldBrush = nullptr;
  HGDIOBJ FOldPen = nullptr;
  std::recursive_mutex FLock;
  Integer FLockCount = 0;
};

// --- Graphics ------------------------------------------------------------------------------

enum class TPixelFormat : Byte { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TAlphaFormat : Byte { afIgnored, afDefined, afPremultiplied };

// An image that draws itself on a canvas and streams itself.
class TGraphic : public TPersistent {
  ZCL_CLASS(TGraphic, TPersistent)
 public:
  virtual bool GetEmpty() const = 0;
  virtual Integer GetWidth() const = 0;
  virtual Integer GetHeight() const = 0;
  virtual void SetWidth(Integer Value) = 0;
  virtual void SetHeight(Integer Value) = 0;
  virtual void SetSize(Integer AWidth, Integer AHeight);
  // Reads the whole image from the stream's position; bad data raises EInvalidGraphic and
  // leaves the graphic as it was.
  virtual void LoadFromStream(TStream& Stream) = 0;
  virtual void SaveToStream(TStream& Stream) = 0;
  void LoadFromFile(const String& FileName);
  void SaveToFile(const String& FileName);
  bool GetTransparent() const { return FTransparent; }
  virtual void SetTransparent(bool Value);
  // Whether the pixels carry graded alpha that drawing blends (not just a transparent colour).
  virtual bool GetSupportsPartialTransparency() const { return false; }
  bool GetModified() const { return FModified; }
  void SetModified(bool Value) { FModified = Value; }

  TNotifyEvent OnChange;

 protected:
  friend class TCanvas;
  virtual void Draw(TCanvas* ACanvas, const TRect& Rect) = 0;
  virtual void Changed();

 private:
  bool FTransparent = false;
  bool FModified = false;
};

// A 32-bit device-independent bitmap with a canvas on its own memory DC.
class TBitmap : public TGraphic {
  ZCL_CLASS(TBitmap, TGraphic)
 public:
  TBitmap();
  TBitmap(Integer AWidth, Integer AHeight);
  ~TBitmap() override;
  void Assign(TPersistent* Source) override;

  bool GetEmpty() const override { return FWidth == 0 || FHeight == 0; }
  Integer GetWidth() const override { return FWidth; }
  Integer GetHeight() const override { return FHeight; }
  void SetWidth(Integer Value) override { SetSize(Value, FHeight); }
  void SetHeight(Integer Value) override { SetSize(FWidth, Value); }
  // Keeps the overlapping top-left pixels; new pixels are transparent black.
  void SetSize(Integer AWidth, Integer AHeight) override;
  // Reads BMP (and any other format the codecs know) into straight pixels.
  void LoadFromStream(TStream& Stream) override;
  // A 32-bit BMP with straight alpha; formats without meaningful alpha store it opaque.
  void SaveToStream(TStream& Stream) override;

  bool GetSupportsPartialTransparency() const override {
    return FPixelFormat == TPixelFormat::pf32bit && FAlphaFormat != afIgnored;
  }

  TCanvas* GetCanvas();
  HBITMAP GetHandle();
  TPixelFormat GetPixelFormat() const { return FPixelFormat; }
  void SetPixelFormat(TPixelFormat Value);
  // afDefined -> afPremultiplied premultiplies the pixels and back; other changes only relabel.
  TAlphaFormat GetAlphaFormat() const { return FAlphaFormat; }
  void SetAlphaFormat(TAlphaFormat Value);
  // The colour that a Transparent bitmap without graded alpha leaves out when drawn: the
  // bottom-left pixel's colour (clDefault for an empty bitmap).
  TColor GetTransparentColor();
  // Row Y (0 = top) of Width 32-bit pixels; raises EInvalidGraphic "Scan line index out of range".
  void* ScanLine(Integer Row);
  // Tells the canvas and cairo that pixels were written through ScanLine.
  void Modified();

 protected:
  void Draw(TCanvas* ACanvas, const TRect& Rect) override;

 private:
  friend class TBitmapCanvas;
  void Recreate(Integer AWidth, Integer AHeight, const uint32_t* Pixels);
  Integer FWidth = 0;
  Integer FHeight = 0;
  TPixelFormat FPixelFormat = TPixelFormat::pf32bit;
  TAlphaFormat FAlphaFormat = afIgnored;
  HBITMAP FHandle = nullptr;
  uint32_t* FBits = nullptr;
  std::unique_ptr<TCanvas> FCanvas;
};

using TGraphicFactory = std::function<TGraphic*()>;

// Holds any registered graphic; picks the class by file extension or by the data's signature.
class TPicture : public TPersistent {
  ZCL_CLASS(TPicture, TPersistent)
 public:
  TPicture();
  ~TPicture() override;
  void Assign(TPersistent* Source) override;

  TGraphic* GetGraphic() const { return FGraphic.get(); }
  // Copies Value (null clears).
  void SetGraphic(TGraphic* Value);
  // The graphic as a bitmap: a non-bitmap graphic is replaced by a bitmap copy of it.
  TBitmap* GetBitmap();
  Integer GetWidth() const { return FGraphic ? FGraphic->GetWidth() : 0; }
  Integer GetHeight() const { return FGraphic ? FGraphic->GetHeight() : 0; }

  // By extension; unknown extensions raise EInvalidGraphic "Unknown picture file extension (.%s)".
  void LoadFromFile(const String& FileName);
  void SaveToFile(const String& FileName);
  // By signature; unknown data raises EInvalidGraphic. The picture is unchanged on failure.
  void LoadFromStream(TStream& Stream);
  void SaveToStream(TStream& Stream);

  // Extension without the dot, case ignored; a later registration of the same extension wins.
  static void RegisterFileFormat(const String& Extension, const String& Description, TGraphicFactory Factory);
  static void UnregisterFileFormat(const String& Extension);
  static bool IsFileFormatRegistered(const String& Extension);

  TNotifyEvent OnChange;

 private:
  void GraphicChanged(TObject*);
  void Changed();
  void TakeGraphic(std::unique_ptr<TGraphic> Graphic);
  std::unique_ptr<TGraphic> FGraphic;
};

namespace detail {
void GraphicsInit();
void GraphicsFin();
}  // namespace detail
