#pragma once
// Decoded pictures and the image-format repository. TZCLImage holds one 32-bit picture (cover
// art, pasted pictures, plain pictures standing in for skin images), loads it from files,
// streams, bitmaps or raw pixels, draws, resizes, recolours and saves it. The formats (PNG, BMP,
// GIF, JPEG, WebP) are classes whose class-level operations recognise, measure, load and save
// their kind of file; the repository keeps them in registration order.

#include <vector>

#include "rtl/RTL.Classes.h"
#include "rtl/RTL.Exceptions.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/base/ZCL.Classes.ByteBuffer.h"
#include "zcl/base/ZCL.Colors.h"

class TStream;
class TZCLDib;
class TZCLImage;

RTL_EXCEPTION(EZCLImageFormatError, Exception);

// How an image keeps its pixels: alpha ignored (opaque), straight alpha, or premultiplied.
enum class TZCLImagePixelFormat : Byte { Rgb32, Argb32, PArgb32 };

// A picture format. Formats have no instances of their own: each class has one shared object
// (its class reference, Class()) whose virtual operations stand for class functions.
class TZCLImageFormat {
 public:
  virtual ~TZCLImageFormat() = default;
  virtual bool IsAvailable() const { return true; }
  virtual bool CheckHeader(const Byte* Data, Integer Size) const = 0;
  virtual Integer GetHeaderSize() const = 0;
  // Decodes from the stream's position to its end; raises EInvalidGraphic on bad data.
  virtual void Load(TStream& Stream, TZCLImage& Image) const;
  virtual void Save(TStream& Stream, TZCLImage& Image) const;
  virtual String Description() const = 0;
  virtual String Extension() const = 0;
  // The picture size from the header at the stream's position; false on any problem.
  virtual bool GetSize(TStream& Stream, TSize& Size) const = 0;
  virtual String MimeType() const = 0;
};
using TZCLImageFormatClass = const TZCLImageFormat*;

class TZCLImageFormatPNG : public TZCLImageFormat {
 public:
  static TZCLImageFormatClass Class();
  bool CheckHeader(const Byte* Data, Integer Size) const override;
  Integer GetHeaderSize() const override { return 4; }
  String Description() const override { return u"PNG Image"; }
  String Extension() const override { return u".png"; }
  bool GetSize(TStream& Stream, TSize& Size) const override;
  String MimeType() const override { return u"image/png"; }
};

class TZCLImageFormatBMP : public TZCLImageFormat {
 public:
  static TZCLImageFormatClass Class();
  bool CheckHeader(const Byte* Data, Integer Size) const override;
  Integer GetHeaderSize() const override { return 2; }
  String Description() const override { return u"Bitmap Image"; }
  String Extension() const override { return u".bmp"; }
  // Bottom-up and top-down (negative height) files alike.
  bool GetSize(TStream& Stream, TSize& Size) const override;
  String MimeType() const override { return u"image/bmp"; }
};

class TZCLImageFormatGIF : public TZCLImageFormat {
 public:
  static TZCLImageFormatClass Class();
  bool CheckHeader(const Byte* Data, Integer Size) const override;
  Integer GetHeaderSize() const override { return 3; }
  String Description() const override { return u"GIF Image"; }
  String Extension() const override { return u".gif"; }
  bool GetSize(TStream& Stream, TSize& Size) const override;
  String MimeType() const override { return u"image/gif"; }
};

class TZCLImageFormatJPEG : public TZCLImageFormat {
 public:
  static TZCLImageFormatClass Class();
  bool CheckHeader(const Byte* Data, Integer Size) const override;
  Integer GetHeaderSize() const override { return 3; }
  void Save(TStream& Stream, TZCLImage& Image) const override;
  String Description() const override { return u"JPEG Image"; }
  String Extension() const override { return u".jpg"; }
  bool GetSize(TStream& Stream, TSize& Size) const override;
  String MimeType() const override { return u"image/jpeg"; }
};

// Found by the extension ".jpeg".
class TZCLImageFormatJPEG2 : public TZCLImageFormatJPEG {
 public:
  static TZCLImageFormatClass Class();
  String Extension() const override { return u".jpeg"; }
};

// Found by the MIME type "image/jpg"; decoded JPEG pictures carry it.
class TZCLImageFormatJPG : public TZCLImageFormatJPEG {
 public:
  static TZCLImageFormatClass Class();
  String MimeType() const override { return u"image/jpg"; }
};

class TZCLImageFormatWebP : public TZCLImageFormat {
 public:
  static TZCLImageFormatClass Class();
  bool IsAvailable() const override;
  bool CheckHeader(const Byte* Data, Integer Size) const override;
  Integer GetHeaderSize() const override { return 16; }
  void Save(TStream& Stream, TZCLImage& Image) const override;
  String Description() const override { return u"Web Images"; }
  String Extension() const override { return u".webp"; }
  bool GetSize(TStream& Stream, TSize& Size) const override;
  String MimeType() const override { return u"image/webp"; }
};

class TZCLImageFormatRepository {
 public:
  TZCLImageFormatRepository() = delete;
  // Unavailable formats are not added.
  static void Register(TZCLImageFormatClass Format);
  static void Unregister(TZCLImageFormatClass Format);
  static TZCLImageFormatClass FindByHeader(const Byte* Data, Integer Size);
  // Reads the largest header size at the position and goes back; null when fewer bytes are left.
  static TZCLImageFormatClass FindByStream(TStream& Stream);
  static TZCLImageFormatClass FindByData(IZCLDataContainer* Data);
  static TZCLImageFormatClass FindByExtension(StringView Extension);
  static TZCLImageFormatClass FindByMimeType(StringView MimeType);
  static String GetMimeType(TZCLImageFormatClass Format);
  static String GetMimeTypeOf(IZCLDataContainer* Data) { return GetMimeType(FindByData(Data)); }
  // "PNG Image (*.png;)|*.png;" and ".png" for "image/png".
  static bool GetFilterByMimeType(StringView MimeType, String& Filter, String& Extension);
  static bool GetFilterOf(IZCLDataContainer* Data, String& Filter, String& Extension);
  // "*.png;*.bmp;..." in registration order.
  static String GetExtList();
  static bool GetSize(IZCLDataContainer* Data, TZCLImageFormatClass& Format, TSize& Size);
  static Integer GetMaxHeaderSize();
  static const std::vector<TZCLImageFormatClass>& GetFormats();
  static void Initialize();
  static void Finalize();
};

// Quality of JPEG saving.
extern Integer ZCLImageJpegQuality;

class TZCLImage : public TPersistent, public IZCLColorSchema {
  ZCL_CLASS(TZCLImage, TPersistent)
  RTL_INTERFACES(IInterface, IInterface, IZCLColorSchema)
 public:
  TZCLImage() = default;
  TZCLImage(TBitmap* Bitmap, TAlphaFormat AlphaFormat);
  static TZCLImage* CreateFromStream(TStream& Stream);
  static TZCLImage* CreateFromFile(const String& FileName);
  static TZCLImage* CreateFromResource(const void* Instance, StringView Name, StringView Type);
  Integer _AddRef() override { return -1; }
  Integer _Release() override { return -1; }
  void Assign(TPersistent* Source) override;
  bool Equals(const TObject* Obj) const override;

  // Format by the leading bytes (BMP when none matches).
  void LoadFromStream(TStream& Stream);
  void LoadFromFile(const String& FileName);
  // Copies Width * Height pixels; afIgnored makes them opaque.
  void LoadFromBits(const TZCLPixel32* Pixels, Integer AWidth, Integer AHeight, TAlphaFormat AlphaFormat);
  void LoadFromDib(TZCLDib* Dib, TAlphaFormat AlphaFormat);
  void LoadFromBitmap(TBitmap* Bitmap, TAlphaFormat AlphaFormat);
  void LoadFromGraphic(TGraphic* Graphic);
  TZCLImage* Clone() const;
  void Clear();

  // EInvalidOperation "Image is empty" for an empty image.
  void SaveToStreamAs(TStream& Stream, TZCLImageFormatClass Format);
  void SaveToFile(const String& FileName, TZCLImageFormatClass Format);
  virtual void SaveToStream(TStream& Stream);
  // A new 32-bit bitmap with the pixels in the asked alpha form.
  TBitmap* ToBitmap(TAlphaFormat AlphaFormat) const;
  // The whole picture into R at a constant alpha; Tile repeats it instead of stretching.
  void Draw(TCanvas* Canvas, const TRect& R, Byte Alpha = 255, bool Tile = false);
  void Resize(Integer AWidth, Integer AHeight) { ResizeRect(TRect(), AWidth, AHeight); }
  // Crop holds the amounts cut from each side before scaling.
  void ResizeRect(const TRect& Crop, Integer AWidth, Integer AHeight);
  void ApplyColorSchema(const TZCLColorSchema& Schema) override;

  bool Empty() const { return FWidth == 0 || FHeight == 0; }
  Integer GetWidth() const { return FWidth; }
  Integer GetHeight() const { return FHeight; }
  TRect ClientRect() const { return TRect(0, 0, FWidth, FHeight); }
  TZCLImageFormatClass GetFormat() const { return FFormat; }
  TZCLImagePixelFormat GetPixelFormat() const { return FPixelFormat; }
  const TZCLPixel32DynArray& GetPixels() const { return FPixels; }
  // Pixels in straight or premultiplied form, whatever the stored form.
  TZCLPixel32DynArray GetPixelsAs(bool Premultiplied) const;
  // Replaces the picture (the format is kept unless one is given).
  void SetPixels(TZCLPixel32DynArray Pixels, Integer AWidth, Integer AHeight, TZCLImagePixelFormat Format,
                 TZCLImageFormatClass FromFormat = nullptr);

  // 0 leaves the target's mode; 1 half, 2 none, 3 high speed.
  Byte PixelOffsetMode = 0;
  // 0 leaves the target's mode; 1 low, 2 high quality.
  Byte InterpolationMode = 0;

 protected:
  virtual void Changed() {}

 private:
  TZCLPixel32DynArray FPixels;
  Integer FWidth = 0;
  Integer FHeight = 0;
  TZCLImagePixelFormat FPixelFormat = TZCLImagePixelFormat::PArgb32;
  TZCLImageFormatClass FFormat = nullptr;
};

// Pictures on the clipboard: put as a bitmap and as PNG data, taken back as PNG bytes.
class TZCLImageTools {
 public:
  TZCLImageTools() = delete;
  // The clipboard holds a bitmap or PNG data.
  static bool HasImage();
  static void CopyToClipboard(TZCLImage* Image);
  // A new container with PNG bytes (the caller's reference), or null when there is no picture.
  static IPtr<IZCLDataContainer> Paste();
  // The format registered under the name "PNG".
  static Word PngClipboardFormat();
};
