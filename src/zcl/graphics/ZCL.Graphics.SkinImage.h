#pragma once
// The skin image: a 32-bit picture of one or more frames side by side or stacked, drawn into a
// rectangle of any size (stretched or tiled, nine parts cut by margins, or two stretchable
// tiled areas between fixed parts), hit-tested by the alpha of a mask frame, analysed per frame
// (transparent, mixed, opaque or one colour), packed with zlib while unused ("dormant"),
// recoloured by colour schemas, and stored in the chunked "ZCLIMG32" form (the older
// "ZSEIMG32" and "VaRuzEdu" records and plain pictures are read too).

#include <vector>

#include "rtl/RTL.Delegates.h"
#include "rtl/RTL.Exceptions.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/base/ZCL.Classes.h"
#include "zcl/base/ZCL.Colors.h"
#include "zcl/base/ZCL.Utils.Common.h"
#include "zcl/graphics/ZCL.Graphics.Geometry.h"
#include "zcl/graphics/ZCL.Graphics.Images.h"

class TStream;
class TZCLDib;

RTL_EXCEPTION(EZCLSkinImageException, Exception);

// A three-state setting: not decided yet, False, True (stored as 0, 1, 2).
// The three-state setting of the component library, under the names this unit uses.
inline constexpr TZCLBoolean zbDefault = TZCLBoolean::Default;
inline constexpr TZCLBoolean zbFalse = TZCLBoolean::False;
inline constexpr TZCLBoolean zbTrue = TZCLBoolean::True;

enum TZCLSkinImageLayout : Byte { ilHorizontal, ilVertical };
enum TZCLSkinImageHitTestMode : Byte { ihtmOpaque, ihtmMask, ihtmTransparent };
ZCL_ENUM(TZCLSkinImageHitTestMode, ihtmOpaque, ihtmMask, ihtmTransparent);
enum TZCLSkinImageSizingMode : Byte { ismDefault, ismMargins, ismTiledAreas };
enum TZCLSkinImageTiledAreasMode : Byte { tpmHorizontal, tpmVertical };

// Two stretchable areas along the tiled direction, in source pixels from the frame's origin.
struct TZCLSkinImageTiledAreas {
  Integer Area1Start = 0;
  Integer Area1Size = 0;
  Integer Area2Start = 0;
  Integer Area2Size = 0;
  bool IsEmpty() const { return Area1Size == 0 && Area2Size == 0; }
  friend bool operator==(const TZCLSkinImageTiledAreas&, const TZCLSkinImageTiledAreas&) = default;
  // Head, area 1, middle, area 2, tail of R; W and H are the frame's size.
  static void CalculateParts(TRect (&Parts)[5], const TRect& R, const TZCLSkinImageTiledAreas& Areas, Integer W,
                             Integer H, bool Vertical);
};

// 0 transparent, 1 mixed, 2 opaque, >= 0x01000000 one straight colour.
using TZCLSkinImageFrameState = Cardinal;
using TZCLSkinImageFrameStateArray = std::vector<TZCLSkinImageFrameState>;
constexpr TZCLSkinImageFrameState fsTransparent = 0;
constexpr TZCLSkinImageFrameState fsMixed = 1;
constexpr TZCLSkinImageFrameState fsOpaque = 2;
bool FrameStateIsOpaque(TZCLSkinImageFrameState State);

enum TZCLSkinImageCompression : Byte { sicNone, sicFastest, sicDefault, sicMaximum };
// The level of packed pixels (fastest at start); callers may change it for one operation.
extern TZCLSkinImageCompression ZCLSkinImageCompression;
// Images below this many pixels are never packed.
constexpr Integer ZCLSkinImagePackThreshold = 256;
// More frames than this are refused when reading.
constexpr Integer ZCLSkinImageMaxFrameCount = 32768;

// The packed copy of a dormant image.
class TZCLSkinImageBitsStorage : public TObject {
  ZCL_CLASS(TZCLSkinImageBitsStorage, TObject)
 public:
  TZCLSkinImageBitsStorage() = default;
  TZCLSkinImageBitsStorage(const TZCLPixel32* Pixels, Integer Count, TZCLBoolean AHasAlpha, bool APremultiplied);
  // Reads uint32 size and that many bytes; at most MaxSize bytes are accepted.
  static TZCLSkinImageBitsStorage* CreateFromStream(TStream& Stream, Int64 MaxSize);
  TZCLSkinImageBitsStorage* Clone() const;
  // Raises "Dormant data has been corrupted" unless the data inflates to exactly Count pixels.
  void Unpack(TZCLPixel32* Pixels, Integer Count, TZCLBoolean& AHasAlpha, bool& APremultiplied) const;
  void SaveToStream(TStream& Stream) const;
  bool Equals(const TObject* Obj) const override;
  Integer GetHashCode() const override;
  Cardinal GetPackedSize() const { return Cardinal(FData.size()); }
  TZCLBoolean HasAlpha = zbDefault;
  bool Premultiplied = false;

 private:
  std::vector<Byte> FData;
};

class TZCLSkinImage : public TZCLUnknownPersistent, public IZCLColorSchema {
  ZCL_CLASS(TZCLSkinImage, TZCLUnknownPersistent)
  RTL_INTERFACES(TZCLUnknownPersistent, IZCLColorSchema)
 public:
  TZCLSkinImage();
  ~TZCLSkinImage() override;
  bool Equals(const TObject* Obj) const override;
  Integer GetHashCode() const override;
  void Assign(TPersistent* Source) override;
  void AssignParams(TZCLSkinImage* Source);

  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  void CancelUpdate() { --FUpdateCount; }
  void Changed();
  void ListenerAdd(TNotifyEvent Listener);
  void ListenerRemove(TNotifyEvent Listener);

  void Clear();
  virtual void ClearData();
  // Pixels undefined until written; raises ENotEnoughGraphicResources when they cannot be had.
  void SetSize(Integer AWidth, Integer AHeight);
  void LoadFromBits(const TZCLPixel32* Pixels, Integer AWidth, Integer AHeight);
  void LoadFromDib(TZCLDib* Dib);
  void LoadFromBitmap(TBitmap* Bitmap);
  void SaveToBitmap(TBitmap* Bitmap);
  void SaveToStreamAs(TStream& Stream, TZCLImageFormatClass Format);
  void SaveToFile(const String& FileName, TZCLImageFormatClass Format);
  bool GetPixel(Integer X, Integer Y, TZCLPixel32& Pixel);
  // Every frame redrawn at Size, frames stacked vertically.
  void SetFrameSize(const TSize& Size);
  void ApplyColorSchema(const TZCLColorSchema& Schema) override;

  // Stored forms.
  void LoadFromStream(TStream& Stream);
  void LoadFromFile(const String& FileName);
  // A bitmap resource (type "RT_BITMAP") through the bitmap; any other type as a stream.
  void LoadFromResource(const void* Instance, StringView Name, StringView Type);
  virtual void SaveToStream(TStream& Stream);
  void ReadChunks(TStream& Stream);
  void ReadLegacy(TStream& Stream, bool VaRuzEdu);

  bool HasAlpha();
  void SetAlphaFormat(bool APremultiplied);
  bool GetPremultiplied() const { return FPremultiplied; }
  void CheckFramesInfo();
  TZCLSkinImageFrameState GetFrameInfo(Integer Index);
  TZCLSkinImageFrameState GetInnerFrameInfo(Integer Index);
  virtual void Dormant();
  bool IsDormant() const { return FDormantStorage != nullptr; }
  bool HasPixels() const { return FDib != nullptr; }
  void CheckUnpacked();
  // Unpacked pixels (null when empty); call CheckUnpacked first.
  TZCLPixel32* GetPixels() const;

  // Drawing and hit testing.
  void DoDraw(TCanvas* Canvas, const TRect& R, Integer Frame, Byte Alpha = 255);
  void Draw(TCanvas* Canvas, const TRect& R, Integer Frame, bool Enabled = true, Byte Alpha = 255);
  bool HitTest(const TRect& R, Integer X, Integer Y);
  bool HitTestFrame(const TRect& R, Integer Frame, Integer X, Integer Y);

  bool Empty() const { return FPixelCount == 0; }
  Integer GetWidth() const { return FWidth; }
  Integer GetHeight() const { return FHeight; }
  Integer FrameWidth() const;
  Integer FrameHeight() const;
  TRect GetFrameRect(Integer Index) const;
  TZCLSkinImageSizingMode GetActualSizingMode() const;

  bool GetAllowColoration() const { return FAllowColoration; }
  void SetAllowColoration(bool Value);
  TRect GetContentOffsets() const { return FContentOffsets; }
  void SetContentOffsets(const TRect& Value);
  Integer GetFrameCount() const { return FFrameCount; }
  void SetFrameCount(Integer Value);
  TZCLSkinImageHitTestMode GetHitTestMask() const { return FHitTestMask; }
  void SetHitTestMask(TZCLSkinImageHitTestMode Value);
  Integer GetHitTestMaskFrameIndex() const { return FHitTestMaskFrameIndex; }
  void SetHitTestMaskFrameIndex(Integer Value);
  TZCLSkinImageLayout GetLayout() const { return FLayout; }
  void SetLayout(TZCLSkinImageLayout Value);
  TRect GetMargins() const { return FMargins; }
  void SetMargins(const TRect& Value);
  TZCLSkinImageSizingMode GetSizingMode() const { return FSizingMode; }
  void SetSizingMode(TZCLSkinImageSizingMode Value);
  TZCLStretchMode GetStretchMode() const { return FStretchMode; }
  void SetStretchMode(TZCLStretchMode Value);
  TZCLSkinImageTiledAreas GetTiledAreas() const { return FTiledAreas; }
  void SetTiledAreas(const TZCLSkinImageTiledAreas& Value);
  TZCLSkinImageTiledAreasMode GetTiledAreasMode() const { return FTiledAreasMode; }
  void SetTiledAreasMode(TZCLSkinImageTiledAreasMode Value);

 protected:
  virtual void DoAssign(TPersistent* Source);
  virtual void DoAssignParams(TZCLSkinImage* Source);
  // Interprets one chunk of Size bytes at the stream's position.
  virtual void ReadChunk(TStream& Stream, Cardinal Id, Integer Size);
  // Writes the chunks, adding one to Count for each.
  virtual void WriteChunks(TStream& Stream, Integer& Count);

 private:
  friend class TZCLSkinImageRenderer;
  void ReleaseHandle();
  void CreateDormantStorage();
  void LoadPlainPicture(TStream& Stream);
  // For pixels from a source without an alpha channel: when every alpha is 0, magenta pixels
  // become transparent and all others opaque.
  void ApplyNoAlphaChannel();
  TZCLSkinImageFrameState ScanRect(const TRect& R) const;

  TZCLDib* FDib = nullptr;
  TZCLSkinImageFrameStateArray FInnerFrameStates;
  bool FAllowColoration = true;
  Integer FPixelCount = 0;
  bool FPremultiplied = false;
  TRect FContentOffsets;
  TZCLSkinImageBitsStorage* FDormantStorage = nullptr;
  Integer FFrameCount = 1;
  TZCLSkinImageFrameStateArray FFrameStates;
  bool FFrameStatesValid = false;
  TZCLBoolean FHasAlpha = zbDefault;
  Integer FHeight = 0;
  TZCLSkinImageHitTestMode FHitTestMask = ihtmOpaque;
  Integer FHitTestMaskFrameIndex = 0;
  TZCLSkinImageLayout FLayout = ilHorizontal;
  TRect FMargins;
  TZCLSkinImageSizingMode FSizingMode = ismDefault;
  TZCLStretchMode FStretchMode = isStretch;
  TZCLSkinImageTiledAreas FTiledAreas;
  TZCLSkinImageTiledAreasMode FTiledAreasMode = tpmHorizontal;
  Integer FUpdateCount = 0;
  Integer FWidth = 0;
  std::vector<TNotifyEvent> FListeners;
  bool FPixelChunkRead = false;  // while reading chunks
};

void SkinImageFinalize();
