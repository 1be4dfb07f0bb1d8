#include "os/OS.Codecs.h"

#include <dlfcn.h>
#include <gif_lib.h>
#include <png.h>
#include <setjmp.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

// jpeglib.h needs FILE and size_t first.
#include <jerror.h>
#include <jpeglib.h>

#include "rtl/RTL.Streams.h"

namespace {

[[noreturn]] void Fail(const char16_t* Format, const String& Detail) {
  throw EInvalidGraphic(String(Format) + u": " + Detail);
}
[[noreturn]] void Fail(const char16_t* Format, const char* Detail) { Fail(Format, UTF8ToString(Detail ? Detail : "")); }

void CheckSize(const char16_t* Format, Int64 Width, Int64 Height) {
  if (Width <= 0 || Height <= 0) Fail(Format, u"invalid image size");
  if (Width > MaxImageDimension || Height > MaxImageDimension || Width * Height > MaxImagePixels)
    Fail(Format, u"image too large (" + AsciiToString(std::to_string(Width)) + u"x" +
                     AsciiToString(std::to_string(Height)) + u")");
}

String Lower(StringView S) {
  String r(S);
  for (auto& c : r)
    if (c >= u'A' && c <= u'Z') c = Char(c - u'A' + u'a');
  return r;
}

uint32_t Unpremultiplied(uint32_t P) {
  uint32_t a = P >> 24;
  if (a == 0) return 0;
  if (a == 255) return P;
  auto c = [&](int shift) { return std::min<uint32_t>(255, (((P >> shift) & 0xFF) * 255 + a / 2) / a) << shift; };
  return (a << 24) | c(16) | c(8) | c(0);
}

// Straight pixels of the input, converted when they are premultiplied.
std::vector<uint32_t> StraightCopy(const char16_t* Format, const uint32_t* Pixels, Integer Width, Integer Height,
                                   bool Premultiplied) {
  CheckSize(Format, Width, Height);
  if (!Pixels) Fail(Format, u"no pixels");
  std::vector<uint32_t> out(Pixels, Pixels + size_t(Width) * Height);
  if (Premultiplied) UnpremultiplyPixels(out.data(), out.size());
  return out;
}

// --- PNG ---------------------------------------------------------------------------------------

struct TPngReader {
  std::span<const Byte> Data;
  size_t Position = 0;
  std::string Error;
};

void PngError(png_structp Png, png_const_charp Message) {
  auto* reader = static_cast<std::string*>(png_get_error_ptr(Png));
  if (reader) *reader = Message ? Message : "error";
  png_longjmp(Png, 1);
}
void PngWarning(png_structp, png_const_charp) {}

void PngRead(png_structp Png, png_bytep Out, png_size_t Count) {
  auto* reader = static_cast<TPngReader*>(png_get_io_ptr(Png));
  if (reader->Position + Count > reader->Data.size()) png_error(Png, "unexpected end of data");
  std::memcpy(Out, reader->Data.data() + reader->Position, Count);
  reader->Position += Count;
}

// The part of PNG decoding that may long-jump: no C++ objects with destructors live here.
bool PngDecodeCore(png_structp Png, png_infop Info, TDecodedImage& Image, std::vector<png_bytep>& Rows) {
  if (setjmp(png_jmpbuf(Png))) return false;
  png_read_info(Png, Info);
  png_uint_32 width = 0, height = 0;
  int depth = 0, colorType = 0, interlace = 0;
  png_get_IHDR(Png, Info, &width, &height, &depth, &colorType, &interlace, nullptr, nullptr);
  if (width == 0 || height == 0 || width > png_uint_32(MaxImageDimension) || height > png_uint_32(MaxImageDimension) ||
      Int64(width) * height > MaxImagePixels)
    png_error(Png, "image too large");
  Image.HasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) || png_get_valid(Png, Info, PNG_INFO_tRNS);
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(Png);
  if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(Png);
  if (png_get_valid(Png, Info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(Png);
  if (depth == 16) png_set_strip_16(Png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(Png);
  png_set_bgr(Png);
  png_set_filler(Png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(Png);
  png_read_update_info(Png, Info);
  if (png_get_rowbytes(Png, Info) != size_t(width) * 4) png_error(Png, "unexpected row layout");
  Image.Width = int(width);
  Image.Height = int(height);
  Image.Pixels.resize(size_t(width) * height);
  Rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y)
    Rows[y] = reinterpret_cast<png_bytep>(Image.Pixels.data() + size_t(y) * width);
  png_read_image(Png, Rows.data());
  png_read_end(Png, nullptr);
  return true;
}

void PngWrite(png_structp Png, png_bytep Data, png_size_t Count) {
  auto* out = static_cast<std::vector<Byte>*>(png_get_io_ptr(Png));
  out->insert(out->end(), Data, Data + Count);
}
void PngFlush(png_structp) {}

bool PngEncodeCore(png_structp Png, png_infop Info, const uint32_t* Pixels, int Width, int Height, bool Alpha,
                   std::vector<png_bytep>& Rows) {
  if (setjmp(png_jmpbuf(Png))) return false;
  png_set_IHDR(Png, Info, png_uint_32(Width), png_uint_32(Height), 8,
               Alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(Png, Info);
  png_set_bgr(Png);
  if (!Alpha) png_set_filler(Png, 0, PNG_FILLER_AFTER);
  Rows.resize(size_t(Height));
  for (int y = 0; y < Height; ++y)
    Rows[size_t(y)] = reinterpret_cast<png_bytep>(const_cast<uint32_t*>(Pixels + size_t(y) * Width));
  png_write_image(Png, Rows.data());
  png_write_end(Png, nullptr);
  return true;
}

// --- JPEG --------------------------------------------------------------------------------------

struct TJpegError {
  jpeg_error_mgr Manager;
  jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
  bool Truncated;
};

void JpegErrorExit(j_common_ptr Info) {
  auto* error = reinterpret_cast<TJpegError*>(Info->err);
  (*Info->err->format_message)(Info, error->Message);
  longjmp(error->Jump, 1);
}
// Warnings are silent; running out of data is remembered (libjpeg would pad with grey).
void JpegMessage(j_common_ptr Info, int Level) {
  if (Level < 0 && Info->err->msg_code == JWRN_JPEG_EOF) reinterpret_cast<TJpegError*>(Info->err)->Truncated = true;
}

// Long-jump-safe core: the pixels vector is sized before any jump can happen past it.
bool JpegDecodeCore(jpeg_decompress_struct& Info, TJpegError& Error, std::span<const Byte> Data, TDecodedImage& Image,
                    std::vector<Byte>& Row) {
  if (setjmp(Error.Jump)) return false;
  jpeg_create_decompress(&Info);
  jpeg_mem_src(&Info, Data.data(), static_cast<unsigned long>(Data.size()));
  jpeg_read_header(&Info, TRUE);
  if (Info.image_width == 0 || Info.image_height == 0 || Info.image_width > JDIMENSION(MaxImageDimension) ||
      Info.image_height > JDIMENSION(MaxImageDimension) ||
      Int64(Info.image_width) * Info.image_height > MaxImagePixels) {
    std::strcpy(Error.Message, "image too large");
    return false;
  }
  const bool cmyk = Info.jpeg_color_space == JCS_CMYK || Info.jpeg_color_space == JCS_YCCK;
  Info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
  jpeg_start_decompress(&Info);
  Image.Width = int(Info.output_width);
  Image.Height = int(Info.output_height);
  Image.Pixels.resize(size_t(Image.Width) * Image.Height);
  Row.resize(size_t(Image.Width) * 4);
  const bool inverted = cmyk && Info.saw_Adobe_marker;
  while (Info.output_scanline < Info.output_height) {
    const int y = int(Info.output_scanline);
    JSAMPROW rows[1] = {Row.data()};
    if (jpeg_read_scanlines(&Info, rows, 1) != 1) break;
    uint32_t* out = Image.Pixels.data() + size_t(y) * Image.Width;
    if (!cmyk) {
      std::memcpy(out, Row.data(), Row.size());
      continue;
    }
    for (int x = 0; x < Image.Width; ++x) {
      uint32_t c = Row[size_t(x) * 4], m = Row[size_t(x) * 4 + 1], ye = Row[size_t(x) * 4 + 2],
               k = Row[size_t(x) * 4 + 3];
      if (!inverted) {
        c = 255 - c;
        m = 255 - m;
        ye = 255 - ye;
        k = 255 - k;
      }
      // Adobe stores inverted CMYK: the stored value is the amount of light left.
      const uint32_t r = (c * k + 127) / 255, g = (m * k + 127) / 255, b = (ye * k + 127) / 255;
      out[x] = 0xFF000000u | (r << 16) | (g << 8) | b;
    }
  }
  jpeg_finish_decompress(&Info);
  return true;
}

bool JpegEncodeCore(jpeg_compress_struct& Info, TJpegError& Error, const uint32_t* Pixels, int Width, int Height,
                    int Quality, unsigned char** Out, unsigned long* OutSize) {
  if (setjmp(Error.Jump)) return false;
  jpeg_create_compress(&Info);
  jpeg_mem_dest(&Info, Out, OutSize);
  Info.image_width = JDIMENSION(Width);
  Info.image_height = JDIMENSION(Height);
  Info.input_components = 4;
  Info.in_color_space = JCS_EXT_BGRX;
  jpeg_set_defaults(&Info);
  jpeg_set_quality(&Info, std::clamp(Quality, 0, 100), TRUE);
  jpeg_start_compress(&Info, TRUE);
  while (Info.next_scanline < Info.image_height) {
    JSAMPROW row = reinterpret_cast<JSAMPROW>(const_cast<uint32_t*>(Pixels + size_t(Info.next_scanline) * Width));
    jpeg_write_scanlines(&Info, &row, 1);
  }
  jpeg_finish_compress(&Info);
  return true;
}

// --- WebP (run-time library) -------------------------------------------------------------------

struct TWebP {
  std::mutex Lock;
  void* Library = nullptr;
  int (*GetInfo)(const uint8_t*, size_t, int*, int*) = nullptr;
  uint8_t* (*DecodeBGRA)(const uint8_t*, size_t, int*, int*) = nullptr;
  size_t (*EncodeBGRA)(const uint8_t*, int, int, int, float, uint8_t**) = nullptr;
  void (*Free)(void*) = nullptr;
  bool Available = false;
};

TWebP& WebP() {
  static TWebP* webp = new TWebP;  // loaded once; the library stays loaded for the process
  return *webp;
}

// Tries to load the library on every call until it succeeds.
bool LoadWebP() {
  TWebP& w = WebP();
  std::lock_guard<std::mutex> guard(w.Lock);
  if (w.Available) return true;
  if (!w.Library) w.Library = dlopen("libwebp.so.7", RTLD_NOW | RTLD_LOCAL);
  if (!w.Library) return false;
  w.GetInfo = reinterpret_cast<decltype(w.GetInfo)>(dlsym(w.Library, "WebPGetInfo"));
  w.DecodeBGRA = reinterpret_cast<decltype(w.DecodeBGRA)>(dlsym(w.Library, "WebPDecodeBGRA"));
  w.EncodeBGRA = reinterpret_cast<decltype(w.EncodeBGRA)>(dlsym(w.Library, "WebPEncodeBGRA"));
  w.Free = reinterpret_cast<decltype(w.Free)>(dlsym(w.Library, "WebPFree"));
  w.Available = w.GetInfo && w.DecodeBGRA && w.EncodeBGRA && w.Free;
  return w.Available;
}

// --- GIF ---------------------------------------------------------------------------------------

// LZW codes are at least 2 bits wide and one code stands for at most 4096 pixels, so no frame
// holds more pixels than this per byte of its data.
constexpr Int64 GifMaxPixelsPerByte = 4096 * 8 / 2;
// A screen up to this size is taken even when the file's frames cover only part of it.
constexpr Int64 GifFreeScreenPixels = 2048 * 2048;

struct TGifReader {
  std::span<const Byte> Data;
  size_t Position = 0;
};

int GifRead(GifFileType* Gif, GifByteType* Out, int Count) {
  auto* reader = static_cast<TGifReader*>(Gif->UserData);
  size_t n = std::min<size_t>(size_t(std::max(0, Count)), reader->Data.size() - reader->Position);
  std::memcpy(Out, reader->Data.data() + reader->Position, n);
  reader->Position += n;
  return int(n);
}

struct TGifCloser {
  GifFileType* Gif;
  ~TGifCloser() {
    if (Gif) {
      int error = 0;
      DGifCloseFile(Gif, &error);
    }
  }
};

// --- BMP ---------------------------------------------------------------------------------------

class TBmpReader {
 public:
  explicit TBmpReader(std::span<const Byte> Data) : FData(Data) {}
  uint32_t U32(size_t At) const {
    Need(At, 4);
    return uint32_t(FData[At]) | (uint32_t(FData[At + 1]) << 8) | (uint32_t(FData[At + 2]) << 16) |
           (uint32_t(FData[At + 3]) << 24);
  }
  uint16_t U16(size_t At) const {
    Need(At, 2);
    return uint16_t(FData[At] | (FData[At + 1] << 8));
  }
  Byte U8(size_t At) const {
    Need(At, 1);
    return FData[At];
  }
  void Need(size_t At, size_t Count) const {
    if (At > FData.size() || Count > FData.size() - At) Fail(u"BMP", u"unexpected end of data");
  }
  size_t Size() const { return FData.size(); }
  const Byte* At(size_t Offset) const { return FData.data() + Offset; }

 private:
  std::span<const Byte> FData;
};

int MaskShift(uint32_t Mask) {
  if (!Mask) return 0;
  int s = 0;
  while (!(Mask & 1)) {
    Mask >>= 1;
    ++s;
  }
  return s;
}
int MaskBits(uint32_t Mask) {
  Mask >>= MaskShift(Mask);
  int n = 0;
  while (Mask & 1) {
    Mask >>= 1;
    ++n;
  }
  return n;
}
// A masked channel scaled to 0..255.
uint32_t Channel(uint32_t Value, uint32_t Mask) {
  if (!Mask) return 0;
  const int bits = MaskBits(Mask);
  const uint32_t v = (Value & Mask) >> MaskShift(Mask);
  if (bits == 0) return 0;
  if (bits >= 8) return v >> (bits - 8);
  const uint32_t max = (1u << bits) - 1;
  return (v * 255 + max / 2) / max;
}

}  // namespace

// --- Formats -----------------------------------------------------------------------------------

TImageFormat DetectImageFormat(std::span<const Byte> H) {
  auto starts = [&](const char* Sig, size_t N, size_t Offset = 0) {
    return H.size() >= Offset + N && std::memcmp(H.data() + Offset, Sig, N) == 0;
  };
  if (starts("\x89PNG\r\n\x1a\n", 8)) return TImageFormat::Png;
  if (starts("\xFF\xD8\xFF", 3)) return TImageFormat::Jpeg;
  if (starts("GIF87a", 6) || starts("GIF89a", 6)) return TImageFormat::Gif;
  if (starts("BM", 2)) return TImageFormat::Bmp;
  if (starts("RIFF", 4) && starts("WEBP", 4, 8)) return TImageFormat::WebP;
  return TImageFormat::Unknown;
}

namespace {

// The names of each format: the first extension and MIME type are the ones given out, the rest
// are also recognised.
struct TFormatNames {
  TImageFormat Format;
  const char16_t* Extensions[4];
  const char16_t* MimeTypes[3];
};
constexpr TFormatNames FormatNames[] = {
    {TImageFormat::Png, {u"png"}, {u"image/png"}},
    {TImageFormat::Bmp, {u"bmp", u"dib"}, {u"image/bmp", u"image/x-bmp", u"image/x-ms-bmp"}},
    {TImageFormat::Gif, {u"gif"}, {u"image/gif"}},
    {TImageFormat::Jpeg, {u"jpg", u"jpeg", u"jpe", u"jfif"}, {u"image/jpeg", u"image/jpg", u"image/pjpeg"}},
    {TImageFormat::WebP, {u"webp"}, {u"image/webp"}},
};

template <size_t N>
bool Names(const char16_t* const (&List)[N], StringView Name) {
  return std::any_of(std::begin(List), std::end(List), [&](const char16_t* n) { return n && Name == n; });
}

const TFormatNames* NamesOf(TImageFormat Format) {
  for (const TFormatNames& names : FormatNames)
    if (names.Format == Format) return &names;
  return nullptr;
}

}  // namespace

TImageFormat ImageFormatFromExtension(StringView Extension) {
  String e = Lower(Extension);
  if (!e.empty() && e[0] == u'.') e.erase(0, 1);
  for (const TFormatNames& names : FormatNames)
    if (Names(names.Extensions, e)) return names.Format;
  return TImageFormat::Unknown;
}

TImageFormat ImageFormatFromMimeType(StringView MimeType) {
  const String m = Lower(MimeType);
  for (const TFormatNames& names : FormatNames)
    if (Names(names.MimeTypes, m)) return names.Format;
  return TImageFormat::Unknown;
}

String ImageFormatMimeType(TImageFormat Format) {
  const TFormatNames* names = NamesOf(Format);
  return names ? String(names->MimeTypes[0]) : String();
}

String ImageFormatExtension(TImageFormat Format) {
  const TFormatNames* names = NamesOf(Format);
  return names ? u"." + String(names->Extensions[0]) : String();
}

bool IsImageFormatAvailable(TImageFormat Format) {
  if (Format == TImageFormat::Unknown) return false;
  if (Format == TImageFormat::WebP) return LoadWebP();
  return true;
}

TDecodedImage DecodeImage(std::span<const Byte> Data, TImageFormat Format) {
  if (Format == TImageFormat::Unknown) Format = DetectImageFormat(Data);
  switch (Format) {
    case TImageFormat::Png:
      return DecodePng(Data);
    case TImageFormat::Bmp:
      return DecodeBmp(Data);
    case TImageFormat::Gif:
      return DecodeGif(Data);
    case TImageFormat::Jpeg:
      return DecodeJpeg(Data);
    case TImageFormat::WebP:
      return DecodeWebP(Data);
    default:
      throw EInvalidGraphic(u"Unknown image format");
  }
}

// --- PNG ---------------------------------------------------------------------------------------

TDecodedImage DecodePng(std::span<const Byte> Data) {
  if (DetectImageFormat(Data) != TImageFormat::Png) Fail(u"PNG", u"not a PNG file");
  std::string error;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, PngError, PngWarning);
  if (!png) Fail(u"PNG", u"out of memory");
  png_infop info = png_create_info_struct(png);
  TPngReader reader{Data, 0, {}};
  png_set_read_fn(png, &reader, PngRead);
  png_set_user_limits(png, MaxImageDimension, MaxImageDimension);
  png_set_chunk_malloc_max(png, 64u << 20);
  TDecodedImage image;
  image.Format = TImageFormat::Png;
  std::vector<png_bytep> rows;
  const bool ok = info && PngDecodeCore(png, info, image, rows);
  png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  if (!ok) Fail(u"PNG", error.empty() ? "damaged file" : error.c_str());
  return image;
}

std::vector<Byte> EncodePng(const uint32_t* Pixels, Integer Width, Integer Height, bool Premultiplied) {
  std::vector<uint32_t> pixels = StraightCopy(u"PNG", Pixels, Width, Height, Premultiplied);
  bool alpha = std::any_of(pixels.begin(), pixels.end(), [](uint32_t p) { return (p >> 24) != 0xFF; });
  std::string error;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, PngError, PngWarning);
  if (!png) Fail(u"PNG", u"out of memory");
  png_infop info = png_create_info_struct(png);
  std::vector<Byte> out;
  png_set_write_fn(png, &out, PngWrite, PngFlush);
  std::vector<png_bytep> rows;
  const bool ok = info && PngEncodeCore(png, info, pixels.data(), Width, Height, alpha, rows);
  png_destroy_write_struct(&png, info ? &info : nullptr);
  if (!ok) Fail(u"PNG", error.c_str());
  return out;
}

// --- JPEG --------------------------------------------------------------------------------------

TDecodedImage DecodeJpeg(std::span<const Byte> Data) {
  if (DetectImageFormat(Data) != TImageFormat::Jpeg) Fail(u"JPEG", u"not a JPEG file");
  jpeg_decompress_struct info{};
  TJpegError error{};
  info.err = jpeg_std_error(&error.Manager);
  error.Manager.error_exit = JpegErrorExit;
  error.Manager.emit_message = JpegMessage;
  TDecodedImage image;
  image.Format = TImageFormat::Jpeg;
  std::vector<Byte> row;
  const bool ok = JpegDecodeCore(info, error, Data, image, row);
  jpeg_destroy_decompress(&info);
  if (!ok) Fail(u"JPEG", error.Message[0] ? error.Message : "damaged file");
  if (error.Truncated) Fail(u"JPEG", "unexpected end of data");
  return image;
}

std::vector<Byte> EncodeJpeg(const uint32_t* Pixels, Integer Width, Integer Height, bool Premultiplied,
                             Integer Quality) {
  std::vector<uint32_t> pixels = StraightCopy(u"JPEG", Pixels, Width, Height, Premultiplied);
  jpeg_compress_struct info{};
  TJpegError error{};
  info.err = jpeg_std_error(&error.Manager);
  error.Manager.error_exit = JpegErrorExit;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  const bool ok = JpegEncodeCore(info, error, pixels.data(), Width, Height, Quality, &buffer, &size);
  jpeg_destroy_compress(&info);
  std::vector<Byte> out;
  if (ok) out.assign(buffer, buffer + size);
  std::free(buffer);
  if (!ok) Fail(u"JPEG", error.Message);
  return out;
}

// --- GIF ---------------------------------------------------------------------------------------

TDecodedImage DecodeGif(std::span<const Byte> Data) {
  if (DetectImageFormat(Data) != TImageFormat::Gif) Fail(u"GIF", u"not a GIF file");
  TGifReader reader{Data, 0};
  int error = 0;
  TGifCloser gif{DGifOpen(&reader, GifRead, &error)};
  if (!gif.Gif) Fail(u"GIF", GifErrorString(error));
  TDecodedImage image;
  image.Format = TImageFormat::Gif;
  image.FrameCount = 0;
  CheckSize(u"GIF", gif.Gif->SWidth, gif.Gif->SHeight);
  // The screen costs memory whatever the frames paint: beyond a modest size it must be backed by
  // data that could paint it, so a few bytes cannot claim hundreds of megabytes.
  if (Int64(gif.Gif->SWidth) * gif.Gif->SHeight > std::max(GifFreeScreenPixels, GifMaxPixelsPerByte * Int64(Data.size())))
    Fail(u"GIF", u"screen too large for the data in the file");
  image.Width = gif.Gif->SWidth;
  image.Height = gif.Gif->SHeight;
  int transparent = -1;
  bool haveFrame = false;
  std::vector<GifPixelType> line;
  for (;;) {
    GifRecordType record;
    if (DGifGetRecordType(gif.Gif, &record) == GIF_ERROR) {
      if (haveFrame) break;  // a damaged tail after the first frame keeps the frame
      Fail(u"GIF", GifErrorString(gif.Gif->Error));
    }
    if (record == TERMINATE_RECORD_TYPE) break;
    if (record == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* ext = nullptr;
      if (DGifGetExtension(gif.Gif, &code, &ext) == GIF_ERROR) {
        if (haveFrame) break;
        Fail(u"GIF", GifErrorString(gif.Gif->Error));
      }
      bool first = true;
      while (ext) {
        if (first && code == GRAPHICS_EXT_FUNC_CODE && !haveFrame && ext[0] >= 4) {
          GraphicsControlBlock gcb;
          DGifExtensionToGCB(ext[0], ext + 1, &gcb);
          transparent = gcb.TransparentColor;
        }
        first = false;
        if (DGifGetExtensionNext(gif.Gif, &ext) == GIF_ERROR) {
          if (haveFrame) break;
          Fail(u"GIF", GifErrorString(gif.Gif->Error));
        }
      }
      continue;
    }
    if (record != IMAGE_DESC_RECORD_TYPE) continue;
    if (DGifGetImageDesc(gif.Gif) == GIF_ERROR) {
      if (haveFrame) break;
      Fail(u"GIF", GifErrorString(gif.Gif->Error));
    }
    ++image.FrameCount;
    const GifImageDesc& desc = gif.Gif->Image;
    if (haveFrame) {
      // Later frames are only counted: skip their compressed data.
      int codeSize = 0;
      GifByteType* block = nullptr;
      if (DGifGetCode(gif.Gif, &codeSize, &block) == GIF_ERROR) break;
      while (block)
        if (DGifGetCodeNext(gif.Gif, &block) == GIF_ERROR) break;
      if (gif.Gif->Error) break;
      continue;
    }
    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif.Gif->SColorMap;
    if (desc.Width <= 0 || desc.Height <= 0 || desc.Width > MaxImageDimension || desc.Height > MaxImageDimension)
      Fail(u"GIF", u"invalid frame size");
    if (Int64(desc.Width) * desc.Height > GifMaxPixelsPerByte * Int64(Data.size() - reader.Position))
      Fail(u"GIF", u"frame too large for the data in the file");
    image.Pixels.assign(size_t(image.Width) * image.Height, 0);
    line.resize(size_t(desc.Width));
    // Interlaced frames arrive in four passes.
    std::vector<int> order;
    if (desc.Interlace) {
      const int starts[] = {0, 4, 2, 1}, steps[] = {8, 8, 4, 2};
      for (int pass = 0; pass < 4; ++pass)
        for (int y = starts[pass]; y < desc.Height; y += steps[pass]) order.push_back(y);
    } else {
      for (int y = 0; y < desc.Height; ++y) order.push_back(y);
    }
    for (int y : order) {
      if (DGifGetLine(gif.Gif, line.data(), desc.Width) == GIF_ERROR) Fail(u"GIF", GifErrorString(gif.Gif->Error));
      const int sy = desc.Top + y;
      if (sy < 0 || sy >= image.Height) continue;
      uint32_t* out = image.Pixels.data() + size_t(sy) * image.Width;
      for (int x = 0; x < desc.Width; ++x) {
        const int sx = desc.Left + x;
        if (sx < 0 || sx >= image.Width) continue;
        const int index = line[size_t(x)];
        if (index == transparent) continue;
        if (!map) {  // no colour table at all: the indexes are grey levels
          out[sx] = 0xFF000000u | uint32_t(index) * 0x010101u;
          continue;
        }
        if (index >= map->ColorCount) continue;
        const GifColorType& c = map->Colors[index];
        out[sx] = 0xFF000000u | (uint32_t(c.Red) << 16) | (uint32_t(c.Green) << 8) | c.Blue;
      }
    }
    image.HasAlpha =
        transparent >= 0 || desc.Left > 0 || desc.Top > 0 || desc.Width < image.Width || desc.Height < image.Height;
    haveFrame = true;
  }
  if (!haveFrame) Fail(u"GIF", u"no image in the file");
  return image;
}

// --- WebP --------------------------------------------------------------------------------------

TDecodedImage DecodeWebP(std::span<const Byte> Data) {
  if (!LoadWebP()) Fail(u"WebP", u"the WebP library is not available");
  TWebP& w = WebP();
  int width = 0, height = 0;
  if (!w.GetInfo(Data.data(), Data.size(), &width, &height)) Fail(u"WebP", u"damaged file");
  CheckSize(u"WebP", width, height);
  uint8_t* pixels = w.DecodeBGRA(Data.data(), Data.size(), &width, &height);
  if (!pixels) Fail(u"WebP", u"damaged file");
  TDecodedImage image;
  image.Format = TImageFormat::WebP;
  image.Width = width;
  image.Height = height;
  image.Pixels.resize(size_t(width) * height);
  std::memcpy(image.Pixels.data(), pixels, image.Pixels.size() * 4);
  w.Free(pixels);
  image.HasAlpha = std::any_of(image.Pixels.begin(), image.Pixels.end(), [](uint32_t p) { return (p >> 24) != 0xFF; });
  return image;
}

std::vector<Byte> EncodeWebP(const uint32_t* Pixels, Integer Width, Integer Height, bool Premultiplied, float Quality) {
  if (!LoadWebP()) Fail(u"WebP", u"the WebP library is not available");
  if (Width > 16383 || Height > 16383) Fail(u"WebP", u"image too large");
  std::vector<uint32_t> pixels = StraightCopy(u"WebP", Pixels, Width, Height, Premultiplied);
  TWebP& w = WebP();
  uint8_t* output = nullptr;
  size_t size = w.EncodeBGRA(reinterpret_cast<const uint8_t*>(pixels.data()), Width, Height, Width * 4,
                             std::clamp(Quality, 0.0f, 100.0f), &output);
  if (size == 0 || !output) {
    if (output) w.Free(output);
    throw EInvalidGraphic(u"WebP failed to encode the image");
  }
  std::vector<Byte> out(output, output + size);
  w.Free(output);
  return out;
}

// --- BMP ---------------------------------------------------------------------------------------

TDecodedImage DecodeBmp(std::span<const Byte> Data) {
  TBmpReader r(Data);
  if (Data.size() < 2 || Data[0] != 'B' || Data[1] != 'M') Fail(u"BMP", u"not a BMP file");
  const uint32_t pixelOffset = r.U32(10);
  const uint32_t headerSize = r.U32(14);
  int64_t width = 0, height = 0;
  uint16_t bits = 0;
  uint32_t compression = 0, colorsUsed = 0;
  uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
  bool haveAlphaMask = false;
  size_t paletteEntry = 4;
  if (headerSize == 12) {  // OS/2 core header
    width = r.U16(18);
    height = int16_t(r.U16(20));
    bits = r.U16(24);
    paletteEntry = 3;
  } else if (headerSize >= 16 && headerSize <= 124) {
    width = int32_t(r.U32(18));
    height = int32_t(r.U32(22));
    bits = r.U16(28);
    if (headerSize >= 20) compression = r.U32(30);
    if (headerSize >= 36) colorsUsed = r.U32(46);
    if (compression == 3 || compression == 6) {  // BI_BITFIELDS, BI_ALPHABITFIELDS
      // Masks follow a 40-byte header, or sit inside a V2+ header.
      for (int i = 0; i < 3; ++i) masks[i] = r.U32(54 + size_t(i) * 4);
      if (headerSize >= 56 || compression == 6) {
        masks[3] = r.U32(54 + 12);
        haveAlphaMask = masks[3] != 0;
      }
    }
  } else {
    Fail(u"BMP", u"unsupported header");
  }
  const bool topDown = height < 0;
  if (topDown) height = -height;
  CheckSize(u"BMP", width, height);
  const int w = int(width), h = int(height);

  // Palette.
  std::vector<uint32_t> palette;
  if (bits <= 8) {
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8) Fail(u"BMP", u"unsupported bit depth");
    size_t count = colorsUsed ? colorsUsed : (size_t(1) << bits);
    if (count > 256) Fail(u"BMP", u"invalid palette size");
    size_t at = 14 + headerSize + ((compression == 3 && headerSize == 40) ? 12 : 0);
    for (size_t i = 0; i < count; ++i) {
      const size_t e = at + i * paletteEntry;
      if (e + 3 > r.Size()) break;  // a short palette: the rest stays black
      palette.push_back(0xFF000000u | (uint32_t(r.U8(e + 2)) << 16) | (uint32_t(r.U8(e + 1)) << 8) | r.U8(e));
    }
    palette.resize(size_t(1) << bits, 0xFF000000u);
  }
  TDecodedImage image;
  image.Format = TImageFormat::Bmp;
  image.Width = w;
  image.Height = h;
  auto rowOf = [&](int fileRow) { return topDown ? fileRow : h - 1 - fileRow; };

  if (compression == 1 || compression == 2) {  // RLE8, RLE4
    if ((compression == 1 && bits != 8) || (compression == 2 && bits != 4) || topDown)
      Fail(u"BMP", u"invalid compressed layout");
    image.Pixels.assign(size_t(w) * h, 0);  // pixels the runs skip stay transparent
    image.HasAlpha = true;
    size_t at = pixelOffset;
    int x = 0, y = 0;
    auto put = [&](int index) {
      if (x < w && y < h) image.Pixels[size_t(rowOf(y)) * w + x] = palette[size_t(index) & (palette.size() - 1)];
      ++x;
    };
    while (y < h) {
      if (at + 2 > r.Size()) Fail(u"BMP", u"unexpected end of data");
      const Byte count = r.U8(at), value = r.U8(at + 1);
      at += 2;
      if (count > 0) {
        for (int i = 0; i < count; ++i) put(compression == 1 ? value : (i % 2 == 0 ? value >> 4 : value & 0x0F));
      } else if (value == 0) {  // end of line
        x = 0;
        ++y;
      } else if (value == 1) {  // end of bitmap
        break;
      } else if (value == 2) {  // delta
        x += r.U8(at);
        y += r.U8(at + 1);
        at += 2;
      } else {  // absolute run
        const int n = value;
        const size_t bytes = compression == 1 ? size_t(n) : size_t(n + 1) / 2;
        r.Need(at, bytes);
        for (int i = 0; i < n; ++i) {
          const Byte b = r.U8(at + (compression == 1 ? size_t(i) : size_t(i / 2)));
          put(compression == 1 ? b : (i % 2 == 0 ? b >> 4 : b & 0x0F));
        }
        at += (bytes + 1) & ~size_t(1);
      }
    }
    // Fully opaque when every pixel was written.
    image.HasAlpha = std::any_of(image.Pixels.begin(), image.Pixels.end(), [](uint32_t p) { return p == 0; });
    return image;
  }
  if (compression != 0 && compression != 3 && compression != 6) Fail(u"BMP", u"unsupported compression");
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    Fail(u"BMP", u"unsupported bit depth");
  if ((compression == 3 || compression == 6) && bits != 16 && bits != 32) Fail(u"BMP", u"invalid bit fields");
  if (compression == 0 && bits == 16) {
    masks[0] = 0x7C00;
    masks[1] = 0x03E0;
    masks[2] = 0x001F;
  } else if (compression == 0 && bits == 32) {
    masks[0] = 0x00FF0000;
    masks[1] = 0x0000FF00;
    masks[2] = 0x000000FF;
  }
  const size_t stride = ((size_t(w) * bits + 31) / 32) * 4;
  r.Need(pixelOffset, stride * size_t(h - 1) + (size_t(w) * bits + 7) / 8);
  image.Pixels.resize(size_t(w) * h);
  image.HasAlpha = haveAlphaMask;
  for (int fy = 0; fy < h; ++fy) {
    const Byte* row = r.At(pixelOffset + stride * size_t(fy));
    uint32_t* out = image.Pixels.data() + size_t(rowOf(fy)) * w;
    for (int x = 0; x < w; ++x) {
      uint32_t p;
      switch (bits) {
        case 1:
          p = palette[(row[x / 8] >> (7 - x % 8)) & 1];
          break;
        case 2:
          p = palette[(row[x / 4] >> (6 - 2 * (x % 4))) & 3];
          break;
        case 4:
          p = palette[(row[x / 2] >> (x % 2 ? 0 : 4)) & 15];
          break;
        case 8:
          p = palette[row[x]];
          break;
        case 24:
          p = 0xFF000000u | (uint32_t(row[x * 3 + 2]) << 16) | (uint32_t(row[x * 3 + 1]) << 8) | row[x * 3];
          break;
        default: {
          const uint32_t v = bits == 16 ? uint32_t(row[x * 2] | (row[x * 2 + 1] << 8))
                                        : uint32_t(row[x * 4]) | (uint32_t(row[x * 4 + 1]) << 8) |
                                              (uint32_t(row[x * 4 + 2]) << 16) | (uint32_t(row[x * 4 + 3]) << 24);
          const uint32_t a = haveAlphaMask ? Channel(v, masks[3]) : 255;
          p = (a << 24) | (Channel(v, masks[0]) << 16) | (Channel(v, masks[1]) << 8) | Channel(v, masks[2]);
        }
      }
      out[x] = p;
    }
  }
  return image;
}

std::vector<Byte> EncodeBmp(const uint32_t* Pixels, Integer Width, Integer Height, bool Premultiplied) {
  std::vector<uint32_t> pixels = StraightCopy(u"BMP", Pixels, Width, Height, Premultiplied);
  const uint32_t headerSize = 108, offset = 14 + headerSize, imageSize = uint32_t(Width) * Height * 4;
  std::vector<Byte> out;
  out.reserve(offset + imageSize);
  auto u16 = [&](uint32_t v) {
    out.push_back(Byte(v));
    out.push_back(Byte(v >> 8));
  };
  auto u32 = [&](uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  };
  out.push_back('B');
  out.push_back('M');
  u32(offset + imageSize);
  u32(0);
  u32(offset);
  u32(headerSize);
  u32(uint32_t(Width));
  u32(uint32_t(Height));  // bottom-up
  u16(1);
  u16(32);
  u32(3);  // BI_BITFIELDS
  u32(imageSize);
  u32(3780);  // 96 DPI in pixels per metre
  u32(3780);
  u32(0);
  u32(0);
  u32(0x00FF0000);
  u32(0x0000FF00);
  u32(0x000000FF);
  u32(0xFF000000);
  u32(0x73524742);                      // LCS_sRGB
  for (int i = 0; i < 12; ++i) u32(0);  // endpoints and gamma
  for (int y = Height - 1; y >= 0; --y)
    for (int x = 0; x < Width; ++x) u32(pixels[size_t(y) * Width + x]);
  return out;
}

// --- Shared ------------------------------------------------------------------------------------

std::vector<Byte> EncodeImage(TImageFormat Format, const uint32_t* Pixels, Integer Width, Integer Height,
                              bool Premultiplied) {
  switch (Format) {
    case TImageFormat::Png:
      return EncodePng(Pixels, Width, Height, Premultiplied);
    case TImageFormat::Bmp:
      return EncodeBmp(Pixels, Width, Height, Premultiplied);
    case TImageFormat::Jpeg:
      return EncodeJpeg(Pixels, Width, Height, Premultiplied);
    case TImageFormat::WebP:
      return EncodeWebP(Pixels, Width, Height, Premultiplied);
    default:
      throw EInvalidGraphic(u"No encoder for the \"" + ImageFormatMimeType(Format) + u"\" image format");
  }
}

TDecodedImage DecodeImage(TStream& Stream, TImageFormat Format) {
  constexpr size_t limit = size_t(1) << 30;
  std::vector<Byte> data;
  Byte chunk[65536];
  for (;;) {
    const Integer n = Stream.Read(chunk, Integer(sizeof chunk));
    if (n <= 0) break;
    if (data.size() + size_t(n) > limit) throw EInvalidGraphic(u"Image data too large");
    data.insert(data.end(), chunk, chunk + n);
  }
  return DecodeImage(data, Format);
}

void EncodeImage(TStream& Stream, TImageFormat Format, const uint32_t* Pixels, Integer Width, Integer Height,
                 bool Premultiplied) {
  const std::vector<Byte> data = EncodeImage(Format, Pixels, Width, Height, Premultiplied);
  Stream.WriteBuffer(data.data(), Int64(data.size()));
}

void PremultiplyPixels(uint32_t* Pixels, size_t Count) {
  for (size_t i = 0; i < Count; ++i) {
    const uint32_t p = Pixels[i], a = p >> 24;
    if (a == 255) continue;
    if (a == 0) {
      Pixels[i] = 0;
      continue;
    }
    auto c = [&](int shift) {
      const uint32_t v = ((p >> shift) & 0xFF) * a + 128;
      return ((v + (v >> 8)) >> 8) << shift;
    };
    Pixels[i] = (a << 24) | c(16) | c(8) | c(0);
  }
}

void UnpremultiplyPixels(uint32_t* Pixels, size_t Count) {
  for (size_t i = 0; i < Count; ++i) Pixels[i] = Unpremultiplied(Pixels[i]);
}

void CodecsFinalization() {
  TWebP& w = WebP();
  std::lock_guard<std::mutex> guard(w.Lock);
  // The library stays loaded; only the entry points are forgotten.
  w.Available = false;
  w.GetInfo = nullptr;
  w.DecodeBGRA = nullptr;
  w.EncodeBGRA = nullptr;
  w.Free = nullptr;
}
