#pragma once
// Pictures exchanged with plugins: the program-side image (a thread-safe wrapper of one decoded
// picture), the plugin image, the plugin image container (encoded data decoded on request), and
// the translation between them, program bitmaps and the integer format identifiers of plugins
// (0 none, 1 BMP, 2 GIF, 3 JPEG, 4 PNG).

#include "zcl/base/ZCL.Classes.ByteBuffer.h"
#include "zcl/base/ZCL.Colors.h"
#include "zcl/base/ZCL.Threading.h"
#include "zcl/graphics/ZCL.Graphics.Geometry.h"
#include "zcl/graphics/ZCL.Graphics.Images.h"
#include "zeph/core/ZEPH.Core.Interfaces.h"

class TBitmap;
class TCanvas;
class TZCL2DRender;

// Interpolation quality of a drawing: 0 the target's mode, 1 low, 2 high quality.
constexpr Byte ZEPH_QUALITY_DEFAULT = 0;
constexpr Byte ZEPH_QUALITY_LOW = 1;
constexpr Byte ZEPH_QUALITY_HIGH = 2;

// Flags of IZEPHImage::Draw.
constexpr Integer ZEPH_DRAW_FILL = 1;
constexpr Integer ZEPH_DRAW_PROPORTIONAL = 2;
constexpr Integer ZEPH_DRAW_TILE = 4;
constexpr Integer ZEPH_DRAW_LOW_QUALITY = 8;
constexpr Integer ZEPH_DRAW_HIGH_QUALITY = 16;

// The program-side image. Every operation but ApplyColorSchema and CopyToClipboard holds the
// image's recursive lock; operations raise to their (program-side) callers.
struct IZBLImage : virtual IInterface {
  RTL_INTERFACE(IZBLImage, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0070}")
  virtual void ApplyColorSchema(const TZCLColorSchema& Schema) = 0;
  virtual void DrawOnCanvas(TCanvas* Canvas, const TRect& R, TZCLFitMode FitMode, Byte Quality, bool Tile) = 0;
  // Never raises: a failing drawing stops quietly.
  virtual void DrawOnRender(TZCL2DRender* Render, const TRect& R, TZCLFitMode FitMode, Byte Quality, bool Tile) = 0;
  virtual void Clone(IPtr<IZBLImage>& Image) = 0;
  virtual void CopyToClipboard() = 0;
  // A new 32-bit bitmap with straight alpha; the caller owns it.
  virtual TBitmap* ToBitmap() = 0;
  // Nothing for a null format; "Image is empty" for an empty image.
  virtual void SaveToStream(TStream* Stream, TZCLImageFormatClass Format) = 0;
  virtual TZCLImageFormatClass GetFormat() = 0;
  virtual TSize GetSize() = 0;
  virtual void Resize(const TSize& Size) = 0;
};

class TZBLImage : public TInterfacedObject, public IZBLImage {
  ZCL_CLASS(TZBLImage, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZBLImage)
 public:
  TZBLImage();
  // Premultiplied alpha.
  explicit TZBLImage(TBitmap* Bitmap);
  // Decoded by the registered formats; the stream is rewound first.
  explicit TZBLImage(TStream* Stream);
  // The container's stream is taken under its lock.
  explicit TZBLImage(IZCLDataContainer* Data);
  // Premultiplied BGRA, top-down.
  TZBLImage(const TZCLPixel32* Bits, Integer Width, Integer Height);
  // An invalid handle leaves the image empty.
  explicit TZBLImage(HBITMAP Handle);
  ~TZBLImage() override;

  void ApplyColorSchema(const TZCLColorSchema& Schema) override;
  void DrawOnCanvas(TCanvas* Canvas, const TRect& R, TZCLFitMode FitMode, Byte Quality, bool Tile) override;
  void DrawOnRender(TZCL2DRender* Render, const TRect& R, TZCLFitMode FitMode, Byte Quality, bool Tile) override;
  void Clone(IPtr<IZBLImage>& Image) override;
  void CopyToClipboard() override;
  TBitmap* ToBitmap() override;
  void SaveToStream(TStream* Stream, TZCLImageFormatClass Format) override;
  TZCLImageFormatClass GetFormat() override;
  TSize GetSize() override;
  void Resize(const TSize& Size) override;

  TZCLImage* GetImage() const { return FImage; }

 private:
  TZCLImage* FImage;
  TZCLCriticalSection FLock;
};

struct IZEPHImage : virtual IInterface {
  RTL_INTERFACE(IZEPHImage, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0071}")
  virtual HRESULT LoadFromFile(IZEPHString* FileName) = 0;
  virtual HRESULT LoadFromStream(IZEPHStream* Stream) = 0;
  virtual HRESULT SaveToFile(IZEPHString* FileName, Integer FormatID) = 0;
  virtual HRESULT SaveToStream(IZEPHStream* Stream, Integer FormatID) = 0;
  // Not a result code: the identifier, 0 for none.
  virtual Integer GetFormatID() = 0;
  virtual HRESULT GetSize(TSize& Size) = 0;
  virtual HRESULT Clone(IPtr<IZEPHImage>& Image) = 0;
  virtual HRESULT Draw(HDC DC, const TRect& R, Integer Flags, IInterface* Attributes) = 0;
  virtual HRESULT Resize(Integer Width, Integer Height) = 0;
};

struct IZEPHImage2 : virtual IZEPHImage {
  RTL_INTERFACE(IZEPHImage2, IZEPHImage, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0072}")
  // Type is a resource type name, or an integer identifier in a pointer below 65536.
  virtual HRESULT LoadFromResource(const void* Instance, const Char* ResName, const Char* ResType) = 0;
  virtual HRESULT LoadFromBitmap(HBITMAP Bitmap) = 0;
  virtual HRESULT LoadFromBits(const void* Bits, Integer Width, Integer Height) = 0;
  virtual HRESULT CopyToClipboard() = 0;
  virtual HRESULT CanPasteFromClipboard() = 0;
  virtual HRESULT PasteFromClipboard() = 0;
};

struct IZEPHImageContainer : virtual IInterface {
  RTL_INTERFACE(IZEPHImageContainer, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0073}")
  virtual HRESULT CreateImage(IPtr<IZEPHImage>& Image) = 0;
  virtual HRESULT GetInfo(TSize& Size, Integer& FormatID) = 0;
  virtual void* GetData() = 0;
  virtual Integer GetDataSize() = 0;
  virtual HRESULT SetDataSize(Integer Size) = 0;
};

class TZEPHImageAdapter : public TZCLInterfacedObject, public IZEPHImage2, public IZEPHDPIAware {
  ZCL_CLASS(TZEPHImageAdapter, TZCLInterfacedObject)
 public:
  TZEPHImageAdapter();
  explicit TZEPHImageAdapter(TBitmap* Bitmap);
  TZEPHImageAdapter(IZBLImage* Image, const String& FileName);
  // A query for IZEPHString answers the file name (when there is one); IZBLImage the inner image.
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override;

  HRESULT LoadFromFile(IZEPHString* FileName) override;
  HRESULT LoadFromStream(IZEPHStream* Stream) override;
  // An identifier outside the table fails before the file is created.
  HRESULT SaveToFile(IZEPHString* FileName, Integer FormatID) override;
  HRESULT SaveToStream(IZEPHStream* Stream, Integer FormatID) override;
  Integer GetFormatID() override;
  HRESULT GetSize(TSize& Size) override;
  HRESULT Clone(IPtr<IZEPHImage>& Image) override;
  HRESULT Draw(HDC DC, const TRect& R, Integer Flags, IInterface* Attributes) override;
  HRESULT Resize(Integer Width, Integer Height) override;
  HRESULT LoadFromResource(const void* Instance, const Char* ResName, const Char* ResType) override;
  HRESULT LoadFromBitmap(HBITMAP Bitmap) override;
  HRESULT LoadFromBits(const void* Bits, Integer Width, Integer Height) override;
  HRESULT CopyToClipboard() override;
  HRESULT CanPasteFromClipboard() override;
  HRESULT PasteFromClipboard() override;
  Integer GetDPI() override { return FDPI; }
  // Clamped to 96..480; the picture is not rescaled.
  HRESULT SetDPI(Integer Value) override;

  IZBLImage* GetImage() const { return FImage.get(); }
  const String& GetFileName() const { return FFileName; }

 private:
  IPtr<IZBLImage> FImage;
  Integer FDPI = 96;
  String FFileName;
};

class TZEPHImageContainerAdapter : public TZCLInterfacedObject, public IZEPHImageContainer, public IZEPHHashCode {
  ZCL_CLASS(TZEPHImageContainerAdapter, TZCLInterfacedObject)
 public:
  TZEPHImageContainerAdapter();
  // Raises an error named after the class for a null container.
  explicit TZEPHImageContainerAdapter(IZCLDataContainer* AData, const String& AFileName = String());
  // A copy of the whole stream.
  explicit TZEPHImageContainerAdapter(TStream* Stream);
  explicit TZEPHImageContainerAdapter(IZEPHImage* Image);
  // IZEPHImage decodes the data into a new image; IZEPHString answers the file name;
  // IZCLDataContainer the inner data.
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override;

  HRESULT CreateImage(IPtr<IZEPHImage>& Image) override;
  // An unrecognised format gives 0x0 and identifier 0 with success.
  HRESULT GetInfo(TSize& Size, Integer& FormatID) override;
  void* GetData() override;
  Integer GetDataSize() override;
  HRESULT SetDataSize(Integer Size) override;
  // CRC-32 of the data, computed once until the data changes or Recalculate.
  Integer GetHashCode() override;
  void Recalculate() override { FHash = 0; }

  IZCLDataContainer* GetContainer() const { return FData.get(); }

 private:
  IPtr<IZCLDataContainer> FData;
  Int64 FHash = 0;
  String FFileName;
};

class TZEPHImageHelper {
 public:
  TZEPHImageHelper() = delete;
  static Integer FormatToID(TZCLImageFormatClass Format);
  // Null for an identifier outside the table.
  static TZCLImageFormatClass IDToFormat(Integer ID);
  static String TextOf(IInterface* Object);
  static void GetImage(IPtr<IZEPHImage>& Result, IZEPHImage* Image, IZEPHImageContainer* Container);
  // A new bitmap the caller owns, or null.
  static TBitmap* ToBitmap(IInterface* Object);
};

class TZEPHImageContainer {
 public:
  TZEPHImageContainer() = delete;
  // FormatID below 0: the image's own format.
  static void MakeDataContainer(IPtr<IZCLDataContainer>& Data, IZEPHImage* Image, Integer FormatID);
  static IPtr<IZCLDataContainer> GetDataContainer(IInterface* Object);
  static bool GetImageContainer(IInterface* Object, IPtr<IZEPHImageContainer>& Container);
};

// The PNG clipboard format ("PNG").
UINT CF_PNG();
// Registers the image factories with the core.
void RegisterImageFactories();
