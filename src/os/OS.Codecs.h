#pragma once
// Image codecs: PNG (libpng), BMP (our own reader and writer), GIF (giflib), JPEG
// (libjpeg-turbo) and WebP (libwebp, loaded at run time when present).
//
// Decoders take the whole file in memory and give 32-bit BGRA pixels, top-down, stride
// Width * 4, with straight (not premultiplied) alpha; PremultiplyPixels converts for surfaces.
// Encoders take the same layout and say whether the pixels are premultiplied.
//
// Damaged, truncated or unsupported data raises EInvalidGraphic with a message naming the
// format and the problem; nothing is returned half-decoded. Dimensions are checked against
// MaxImageDimension and MaxImagePixels before any pixel memory is allocated.

#include <cstdint>
#include <span>
#include <vector>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Types.h"

class TStream;

RTL_EXCEPTION(EInvalidGraphic, Exception);

enum class TImageFormat : Byte { Unknown, Png, Bmp, Gif, Jpeg, WebP };

constexpr Integer MaxImageDimension = 32768;
constexpr Int64 MaxImagePixels = Int64(1) << 27;  // 512 MB of pixels

struct TDecodedImage {
  Integer Width = 0;
  Integer Height = 0;
  std::vector<uint32_t> Pixels;  // straight BGRA (0xAARRGGBB), top-down
  TImageFormat Format = TImageFormat::Unknown;
  bool HasAlpha = false;   // the file carries transparency
  Integer FrameCount = 1;  // GIF: number of images in the file
};

// By the leading bytes (12 are enough for every format); Unknown when none matches.
TImageFormat DetectImageFormat(std::span<const Byte> Header);
// ".png", "PNG", ".jpeg", "jpg" ...; case is ignored.
TImageFormat ImageFormatFromExtension(StringView Extension);
// "image/png" ...; case is ignored and "image/jpg" is "image/jpeg".
TImageFormat ImageFormatFromMimeType(StringView MimeType);
String ImageFormatMimeType(TImageFormat Format);
String ImageFormatExtension(TImageFormat Format);
// WebP only when its library can be loaded; the others always.
bool IsImageFormatAvailable(TImageFormat Format);

// Detects the format (Format Unknown) or uses the given one.
TDecodedImage DecodeImage(std::span<const Byte> Data, TImageFormat Format = TImageFormat::Unknown);
TDecodedImage DecodePng(std::span<const Byte> Data);
TDecodedImage DecodeBmp(std::span<const Byte> Data);
// The first frame on the logical screen; pixels outside it and transparent ones are 0.
TDecodedImage DecodeGif(std::span<const Byte> Data);
TDecodedImage DecodeJpeg(std::span<const Byte> Data);
TDecodedImage DecodeWebP(std::span<const Byte> Data);

constexpr Integer DefaultJpegQuality = 90;

// Pixels: Width * Height BGRA values, top-down. Raise EInvalidGraphic for bad sizes.
std::vector<Byte> EncodePng(const uint32_t* Pixels, Integer Width, Integer Height, bool Premultiplied);
// 32-bit with an alpha mask (BITMAPV4HEADER, BI_BITFIELDS), bottom-up.
std::vector<Byte> EncodeBmp(const uint32_t* Pixels, Integer Width, Integer Height, bool Premultiplied);
// Alpha is dropped (the colour is kept as it is stored).
std::vector<Byte> EncodeJpeg(const uint32_t* Pixels, Integer Width, Integer Height, bool Premultiplied,
                             Integer Quality = DefaultJpegQuality);
// Lossy at Quality (0..100); raises EInvalidGraphic when the library is absent or fails.
std::vector<Byte> EncodeWebP(const uint32_t* Pixels, Integer Width, Integer Height, bool Premultiplied,
                             float Quality = 100.0f);
// PNG, BMP, JPEG or WebP; other formats raise EInvalidGraphic.
std::vector<Byte> EncodeImage(TImageFormat Format, const uint32_t* Pixels, Integer Width, Integer Height,
                              bool Premultiplied);

// Stream forms: decoding reads from the stream's position to its end (at most 1 GB);
// encoding writes at the position.
TDecodedImage DecodeImage(TStream& Stream, TImageFormat Format = TImageFormat::Unknown);
void EncodeImage(TStream& Stream, TImageFormat Format, const uint32_t* Pixels, Integer Width, Integer Height,
                 bool Premultiplied);

void PremultiplyPixels(uint32_t* Pixels, size_t Count);
void UnpremultiplyPixels(uint32_t* Pixels, size_t Count);

void CodecsFinalization();
