#include "zeph/core/ZEPH.Core.Images.h"

#include "os/OS.Clipboard.h"
#include "os/OS.Gdi.h"
#include "rtl/RTL.Exceptions.h"
#include "vcl/VCL.Clipbrd.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/base/ZCL.Hashes.h"
#include "zcl/base/ZCL.Utils.Clipboard.h"
#include "zcl/graphics/ZCL.Graphics.Render.Cairo.h"
#include "zcl/graphics/ZCL.Graphics.Render.h"
#include "zeph/core/ZEPH.Core.Adapters.h"
#include "zeph/core/ZEPH.Core.PluginAPI.h"
#include "zeph/core/ZEPH.Core.h"

UINT CF_PNG() { return RegisterClipboardFormat(u"PNG"); }

// ---- program-side image --------------------------------------------------------------------------

TZBLImage::TZBLImage() : FImage(Create<TZCLImage>()), FLock(this, u"Image.Lock") {}

TZBLImage::TZBLImage(TBitmap* Bitmap) : TZBLImage() { FImage->LoadFromBitmap(Bitmap, afPremultiplied); }

// A delegating constructor that raises runs the destructor, which frees the picture.
TZBLImage::TZBLImage(TStream* Stream) : TZBLImage() {
  Stream->SetPosition(0);
  FImage->LoadFromStream(*Stream);
}

TZBLImage::TZBLImage(IZCLDataContainer* Data) : TZBLImage() {
  TMemoryStream* stream = Data->LockData();
  try {
    stream->SetPosition(0);
    FImage->LoadFromStream(*stream);
  } catch (...) {
    Data->UnlockData();
    throw;
  }
  Data->UnlockData();
}

TZBLImage::TZBLImage(const TZCLPixel32* Bits, Integer Width, Integer Height) : TZBLImage() {
  FImage->LoadFromBits(Bits, Width, Height, afPremultiplied);
}

TZBLImage::TZBLImage(HBITMAP Handle) : TZBLImage() {
  BITMAP info{};
  if (!Handle || GetObject(ToGdiObject(Handle), sizeof(info), &info) != sizeof(info) || !info.bmBits ||
      info.bmBitsPixel != 32 || info.bmWidth <= 0 || info.bmHeight == 0)
    return;
  const Integer width = info.bmWidth, height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
  TZCLPixel32DynArray pixels(static_cast<size_t>(width) * height);
  for (Integer y = 0; y < height; ++y)
    std::memcpy(&pixels[static_cast<size_t>(y) * width],
                static_cast<const Byte*>(info.bmBits) + static_cast<size_t>(y) * info.bmWidthBytes,
                static_cast<size_t>(width) * 4);
  FImage->LoadFromBits(pixels.data(), width, height, afPremultiplied);
}

TZBLImage::~TZBLImage() { Free(FImage); }

void TZBLImage::ApplyColorSchema(const TZCLColorSchema& Schema) {
  if (Schema.IsAssigned()) FImage->ApplyColorSchema(Schema);
}

void TZBLImage::DrawOnCanvas(TCanvas* Canvas, const TRect& R, TZCLFitMode FitMode, Byte Quality, bool Tile) {
  TZCL2DRender* render = SharedPaintRender();
  render->BeginPaint(Canvas);
  try {
    DrawOnRender(render, R, FitMode, Quality, Tile);
  } catch (...) {
    render->EndPaint();
    throw;
  }
  render->EndPaint();
}

void TZBLImage::DrawOnRender(TZCL2DRender* Render, const TRect& R, TZCLFitMode FitMode, Byte Quality, bool Tile) {
  try {
    TZCLLockGuard guard(FLock);
    FImage->InterpolationMode = Quality;
    void* saved = nullptr;
    if (!Render->IntersectClip(R, saved)) return;
    TZCL2DRenderImage* image = nullptr;
    try {
      const TZCLPixel32DynArray pixels = FImage->GetPixelsAs(true);
      const TSize size(FImage->GetWidth(), FImage->GetHeight());
      image = Render->CreateImage(pixels.data(), size.cx, size.cy, afPremultiplied2D, suCopy);
      const TRect dest = FitRect(R, size, FitMode, true);
      const TRect source(0, 0, size.cx, size.cy);
      if (image) {
        if (Tile)
          Render->TileImage(image, dest, source, nullptr);
        else
          Render->DrawImage(image, dest, source, 255);
      }
    } catch (...) {
      Free(image);
      Render->RestoreClip(saved);
      throw;
    }
    Free(image);
    Render->RestoreClip(saved);
  } catch (...) {
    // Drawing is best effort: a failure draws nothing more.
  }
}

void TZBLImage::Clone(IPtr<IZBLImage>& Image) {
  TZCLLockGuard guard(FLock);
  auto* clone = Create<TZBLImage>();
  IPtr<IZBLImage> result(clone);
  clone->FImage->Assign(FImage);
  Image = result;
}

void TZBLImage::CopyToClipboard() {
  TBitmap* bitmap = ToBitmap();
  TMemoryStream png;
  try {
    SaveToStream(&png, TZCLImageFormatPNG::Class());
  } catch (...) {
    Free(bitmap);
    throw;
  }
  TClipboard* clipboard = Clipboard();
  clipboard->Open();
  try {
    clipboard->Clear();
    clipboard->Assign(bitmap);
    clipboard->SetBuffer(static_cast<Word>(CF_PNG()), png.GetMemory(), static_cast<size_t>(png.GetSize()));
  } catch (...) {
    clipboard->Close();
    Free(bitmap);
    throw;
  }
  clipboard->Close();
  Free(bitmap);
}

TBitmap* TZBLImage::ToBitmap() {
  TZCLLockGuard guard(FLock);
  return FImage->ToBitmap(afDefined);
}

void TZBLImage::SaveToStream(TStream* Stream, TZCLImageFormatClass Format) {
  if (!Format) return;
  TZCLLockGuard guard(FLock);
  FImage->SaveToStreamAs(*Stream, Format);
}

TZCLImageFormatClass TZBLImage::GetFormat() {
  TZCLLockGuard guard(FLock);
  return FImage->GetFormat() ? FImage->GetFormat() : TZCLImageFormatBMP::Class();
}

TSize TZBLImage::GetSize() {
  TZCLLockGuard guard(FLock);
  return TSize(FImage->GetWidth(), FImage->GetHeight());
}

void TZBLImage::Resize(const TSize& Size) {
  TZCLLockGuard guard(FLock);
  if (Size.cx == FImage->GetWidth() && Size.cy == FImage->GetHeight()) return;
  const Byte saved = FImage->InterpolationMode;
  FImage->InterpolationMode = ZEPH_QUALITY_HIGH;
  try {
    FImage->Resize(Size.cx, Size.cy);
  } catch (...) {
    FImage->InterpolationMode = saved;
    throw;
  }
  FImage->InterpolationMode = saved;
}

// ---- plugin image --------------------------------------------------------------------------------

namespace {
template <class F>
HRESULT Guard(HRESULT Failure, F&& Body) {
  try {
    return Body();
  } catch (...) {
    return Failure;
  }
}

String ResourceTypeName(const Char* Type) {
  const auto value = reinterpret_cast<uintptr_t>(Type);
  if (value >= 0x10000) return String(Type);
  if (value == 10) return String(RT_RCDATA);
  if (value == 2) return u"BITMAP";
  return u"#" + UTF8ToString(std::to_string(value));
}
}  // namespace

TZEPHImageAdapter::TZEPHImageAdapter() : FImage(Create<TZBLImage>()) {}

TZEPHImageAdapter::TZEPHImageAdapter(TBitmap* Bitmap) : FImage(Create<TZBLImage>(Bitmap)) {}

TZEPHImageAdapter::TZEPHImageAdapter(IZBLImage* Image, const String& FileName) : FImage(Image), FFileName(FileName) {}

HRESULT TZEPHImageAdapter::QueryInterface(const TGUID& IID, void** Obj) {
  if (InterfaceTableQuery<IZEPHImage2, IZEPHDPIAware>(this, IID, Obj)) return S_OK;
  if (TZCLInterfacedObject::QueryInterface(IID, Obj) == S_OK) return S_OK;
  if (DelegateQuery<IZBLImage>(FImage, IID, Obj)) return S_OK;
  if (IID == IIDOf<IZEPHString>() && !FFileName.empty()) {
    try {
      return MakePluginString(FFileName)->QueryInterface(IID, Obj);
    } catch (...) {
      // No core to make strings with: the query fails like any other.
    }
  }
  if (Obj) *Obj = nullptr;
  return E_NOINTERFACE;
}

HRESULT TZEPHImageAdapter::LoadFromFile(IZEPHString* FileName) {
  IPtr<IZEPHStream> stream;
  const String name = PluginStringToStr(FileName);
  try {
    stream = IPtr<IZEPHStream>(Create<TZEPHFileStreamAdapter>(name, fmOpenRead | fmShareDenyNone));
  } catch (...) {
    return E_FAIL;
  }
  const HRESULT result = LoadFromStream(stream.get());
  if (result >= 0) FFileName = name;
  return result;
}

HRESULT TZEPHImageAdapter::LoadFromStream(IZEPHStream* Stream) {
  FFileName.clear();
  return Guard(E_UNEXPECTED, [&] {
    TZEPHStreamWrapper wrapper(Stream);
    FImage = IPtr<IZBLImage>(Create<TZBLImage>(static_cast<TStream*>(&wrapper)));
    return S_OK;
  });
}

HRESULT TZEPHImageAdapter::SaveToFile(IZEPHString* FileName, Integer FormatID) {
  // Nothing that cannot be saved may truncate the file first.
  if (!TZEPHImageHelper::IDToFormat(FormatID)) return E_INVALIDARG;
  TSize size;
  if (GetSize(size) < 0 || size.cx <= 0 || size.cy <= 0) return E_UNEXPECTED;
  IPtr<IZEPHStream> stream;
  try {
    stream = IPtr<IZEPHStream>(Create<TZEPHFileStreamAdapter>(PluginStringToStr(FileName), fmCreate));
  } catch (...) {
    return E_FAIL;
  }
  return SaveToStream(stream.get(), FormatID);
}

HRESULT TZEPHImageAdapter::SaveToStream(IZEPHStream* Stream, Integer FormatID) {
  TZCLImageFormatClass format = TZEPHImageHelper::IDToFormat(FormatID);
  if (!format) return E_INVALIDARG;
  return Guard(E_UNEXPECTED, [&] {
    if (!Stream) return E_INVALIDARG;
    TZEPHStreamWrapper wrapper(Stream);
    FImage->SaveToStream(&wrapper, format);
    return S_OK;
  });
}

Integer TZEPHImageAdapter::GetFormatID() {
  try {
    return TZEPHImageHelper::FormatToID(FImage->GetFormat());
  } catch (...) {
    return 0;
  }
}

HRESULT TZEPHImageAdapter::GetSize(TSize& Size) {
  return Guard(E_FAIL, [&] {
    Size = FImage->GetSize();
    return S_OK;
  });
}

HRESULT TZEPHImageAdapter::Clone(IPtr<IZEPHImage>& Image) {
  Image = nullptr;
  return Guard(E_UNEXPECTED, [&] {
    IPtr<IZBLImage> copy;
    FImage->Clone(copy);
    Image = IPtr<IZEPHImage>(Create<TZEPHImageAdapter>(copy.get(), FFileName));
    return S_OK;
  });
}

HRESULT TZEPHImageAdapter::Draw(HDC DC, const TRect& R, Integer Flags, IInterface* Attributes) {
  if (Attributes) return E_INVALIDARG;
  const Byte quality = (Flags & ZEPH_DRAW_LOW_QUALITY)    ? ZEPH_QUALITY_LOW
                       : (Flags & ZEPH_DRAW_HIGH_QUALITY) ? ZEPH_QUALITY_HIGH
                                                          : ZEPH_QUALITY_DEFAULT;
  const TZCLFitMode fit = (Flags & ZEPH_DRAW_FILL)           ? afmFill
                          : (Flags & ZEPH_DRAW_PROPORTIONAL) ? afmProportionalStretch
                                                             : afmStretch;
  return Guard(E_UNEXPECTED, [&] {
    if (!DC) throw EInvalidOperation(u"Canvas does not allow drawing");
    TZCL2DRender* render = SharedPaintRender();
    render->BeginPaint(DC);
    FImage->DrawOnRender(render, R, fit, quality, (Flags & ZEPH_DRAW_TILE) != 0);
    render->EndPaint();
    return S_OK;
  });
}

HRESULT TZEPHImageAdapter::Resize(Integer Width, Integer Height) {
  return Guard(E_UNEXPECTED, [&] {
    FImage->Resize(TSize(Width, Height));
    return S_OK;
  });
}

HRESULT TZEPHImageAdapter::LoadFromResource(const void* Instance, const Char* ResName, const Char* ResType) {
  if (!ResName || !ResType) return E_INVALIDARG;
  return Guard(E_UNEXPECTED, [&] {
    TResourceStream stream(Instance, ResourceTypeName(ResName), ResourceTypeName(ResType));
    FImage = IPtr<IZBLImage>(Create<TZBLImage>(static_cast<TStream*>(&stream)));
    return S_OK;
  });
}

HRESULT TZEPHImageAdapter::LoadFromBitmap(HBITMAP Bitmap) {
  return Guard(E_UNEXPECTED, [&] {
    FImage = IPtr<IZBLImage>(Create<TZBLImage>(Bitmap));
    FFileName.clear();
    return S_OK;
  });
}

HRESULT TZEPHImageAdapter::LoadFromBits(const void* Bits, Integer Width, Integer Height) {
  return Guard(E_UNEXPECTED, [&] {
    FImage = IPtr<IZBLImage>(Create<TZBLImage>(static_cast<const TZCLPixel32*>(Bits), Width, Height));
    return S_OK;
  });
}

HRESULT TZEPHImageAdapter::CopyToClipboard() {
  return Guard(E_UNEXPECTED, [&] {
    FImage->CopyToClipboard();
    return S_OK;
  });
}

HRESULT TZEPHImageAdapter::CanPasteFromClipboard() {
  return Guard(E_FAIL, [&] {
    TClipboard* clipboard = Clipboard();
    return clipboard->HasFormat(static_cast<Word>(CF_PNG())) || clipboard->HasFormat(CF_BITMAP) ? S_OK : E_FAIL;
  });
}

HRESULT TZEPHImageAdapter::PasteFromClipboard() {
  return Guard(E_UNEXPECTED, [&] {
    TClipboard* clipboard = Clipboard();
    IPtr<IZBLImage> image;
    clipboard->Open();
    try {
      if (HGLOBAL png = clipboard->GetAsHandle(static_cast<Word>(CF_PNG()))) {
        TZCLGlobalMemoryStream stream(png);
        image = IPtr<IZBLImage>(Create<TZBLImage>(static_cast<TStream*>(&stream)));
      } else if (clipboard->HasFormat(CF_BITMAP)) {
        TBitmap bitmap;
        bitmap.Assign(clipboard);
        image = IPtr<IZBLImage>(Create<TZBLImage>(&bitmap));
      }
    } catch (...) {
      clipboard->Close();
      throw;
    }
    clipboard->Close();
    if (!image) return E_FAIL;
    FImage = image;
    FFileName.clear();
    return S_OK;
  });
}

HRESULT TZEPHImageAdapter::SetDPI(Integer Value) {
  FDPI = std::clamp(Value, 96, 480);
  return S_OK;
}

// ---- image container -----------------------------------------------------------------------------

TZEPHImageContainerAdapter::TZEPHImageContainerAdapter()
    : FData(IPtr<IZCLDataContainer>(Create<TZCLDataContainer>())) {}

TZEPHImageContainerAdapter::TZEPHImageContainerAdapter(IZCLDataContainer* AData, const String& AFileName)
    : FData(AData), FFileName(AFileName) {
  if (!FData) throw Exception(u"TZEPHImageContainerAdapter");
}

TZEPHImageContainerAdapter::TZEPHImageContainerAdapter(TStream* Stream)
    : FData(IPtr<IZCLDataContainer>(Create<TZCLDataContainer>(Stream))) {}

TZEPHImageContainerAdapter::TZEPHImageContainerAdapter(IZEPHImage* Image) {
  TZEPHImageContainer::MakeDataContainer(FData, Image, -1);
  if (!FData) FData = IPtr<IZCLDataContainer>(Create<TZCLDataContainer>());
}

HRESULT TZEPHImageContainerAdapter::QueryInterface(const TGUID& IID, void** Obj) {
  if (InterfaceTableQuery<IZEPHImageContainer, IZEPHHashCode>(this, IID, Obj)) return S_OK;
  if (TZCLInterfacedObject::QueryInterface(IID, Obj) == S_OK) return S_OK;
  if (DelegateQuery<IZCLDataContainer>(FData, IID, Obj)) return S_OK;
  if (IID == IIDOf<IZEPHImage>() || IID == IIDOf<IZEPHImage2>()) {
    IPtr<IZEPHImage> image;
    if (CreateImage(image) == S_OK) return image->QueryInterface(IID, Obj);
  }
  if (IID == IIDOf<IZEPHString>() && !FFileName.empty()) {
    try {
      return MakePluginString(FFileName)->QueryInterface(IID, Obj);
    } catch (...) {
      // No core to make strings with: the query fails like any other.
    }
  }
  if (Obj) *Obj = nullptr;
  return E_NOINTERFACE;
}

HRESULT TZEPHImageContainerAdapter::CreateImage(IPtr<IZEPHImage>& Image) {
  Image = nullptr;
  return Guard(E_UNEXPECTED, [&] {
    IPtr<IZBLImage> image(Create<TZBLImage>(FData.get()));
    Image = IPtr<IZEPHImage>(Create<TZEPHImageAdapter>(image.get(), FFileName));
    return S_OK;
  });
}

HRESULT TZEPHImageContainerAdapter::GetInfo(TSize& Size, Integer& FormatID) {
  return Guard(E_UNEXPECTED, [&] {
    TZCLImageFormatClass format = nullptr;
    TSize size;
    if (TZCLImageFormatRepository::GetSize(FData.get(), format, size)) {
      Size = size;
      FormatID = TZEPHImageHelper::FormatToID(format);
    } else {
      Size = TSize(0, 0);
      FormatID = 0;
    }
    return S_OK;
  });
}

void* TZEPHImageContainerAdapter::GetData() { return FData->GetData(); }

Integer TZEPHImageContainerAdapter::GetDataSize() { return FData->GetDataSize(); }

HRESULT TZEPHImageContainerAdapter::SetDataSize(Integer Size) {
  return Guard(E_UNEXPECTED, [&] {
    FData->SetDataSize(Size);
    FFileName.clear();
    FHash = 0;
    return S_OK;
  });
}

Integer TZEPHImageContainerAdapter::GetHashCode() {
  if (FHash == 0) FHash = TZCLHashCRC32::Calculate(FData->GetData(), FData->GetDataSize()).AsInt64();
  return static_cast<Integer>(FHash);
}

// ---- helpers -------------------------------------------------------------------------------------

Integer TZEPHImageHelper::FormatToID(TZCLImageFormatClass Format) {
  if (!Format) return 0;
  if (Format == TZCLImageFormatBMP::Class()) return 1;
  if (Format == TZCLImageFormatGIF::Class()) return 2;
  if (Format == TZCLImageFormatJPEG::Class() || Format == TZCLImageFormatJPG::Class()) return 3;
  if (Format == TZCLImageFormatPNG::Class()) return 4;
  return 0;
}

TZCLImageFormatClass TZEPHImageHelper::IDToFormat(Integer ID) {
  switch (ID) {
    case 1: return TZCLImageFormatBMP::Class();
    case 2: return TZCLImageFormatGIF::Class();
    case 3: return TZCLImageFormatJPEG::Class();
    case 4: return TZCLImageFormatPNG::Class();
    default: return nullptr;
  }
}

String TZEPHImageHelper::TextOf(IInterface* Object) {
  IPtr<IZEPHString> text;
  return Supports(Object, text) ? PluginStringToStr(text.get()) : String();
}

void TZEPHImageHelper::GetImage(IPtr<IZEPHImage>& Result, IZEPHImage* Image, IZEPHImageContainer* Container) {
  Result = nullptr;
  if (Image) {
    Result = IPtr<IZEPHImage>(Image);
    return;
  }
  if (!Container) return;
  if (Supports(Container, Result)) return;
  if (Container->CreateImage(Result) != S_OK) Result = nullptr;
}

TBitmap* TZEPHImageHelper::ToBitmap(IInterface* Object) {
  IPtr<IZBLImage> image;
  if (Supports(Object, image)) return image->ToBitmap();
  IPtr<IZEPHImage> plugin;
  TSize size;
  if (!Supports(Object, plugin) || plugin->GetSize(size) != S_OK) return nullptr;
  auto* bitmap = new TBitmap();
  bitmap->SetPixelFormat(TPixelFormat::pf32bit);
  bitmap->SetAlphaFormat(afDefined);
  bitmap->SetSize(size.cx, size.cy);
  plugin->Draw(bitmap->GetCanvas()->GetHandle(), TRect(0, 0, size.cx, size.cy), 0, nullptr);
  return bitmap;
}

void TZEPHImageContainer::MakeDataContainer(IPtr<IZCLDataContainer>& Data, IZEPHImage* Image, Integer FormatID) {
  Data = nullptr;
  if (!Image) return;
  Data = IPtr<IZCLDataContainer>(Create<TZCLDataContainer>());
  TSize size;
  if (Image->GetSize(size) != S_OK || size.cx <= 0 || size.cy <= 0) return;
  TMemoryStream* stream = Data->LockData();
  try {
    IPtr<IZEPHStream> target(Create<TZEPHStreamAdapter>(stream, soReference));
    if (Image->SaveToStream(target.get(), FormatID < 0 ? Image->GetFormatID() : FormatID) < 0) stream->Clear();
  } catch (...) {
    stream->Clear();
  }
  Data->UnlockData();
}

IPtr<IZCLDataContainer> TZEPHImageContainer::GetDataContainer(IInterface* Object) {
  IPtr<IZCLDataContainer> data;
  Supports(Object, data);
  return data;
}

bool TZEPHImageContainer::GetImageContainer(IInterface* Object, IPtr<IZEPHImageContainer>& Container) {
  Container = nullptr;
  if (!Object) return true;
  if (Supports(Object, Container)) return true;
  IPtr<IZEPHImage> image;
  if (!Supports(Object, image)) return false;
  Container = IPtr<IZEPHImageContainer>(Create<TZEPHImageContainerAdapter>(image.get()));
  return true;
}

void RegisterImageFactories() {
  TZEPHCore* core = TZEPHCore::Instance();
  auto makeImage = [](IPtr<IInterface>& Obj) {
    Obj = IPtr<IInterface>(static_cast<IZEPHImage2*>(Create<TZEPHImageAdapter>()));
  };
  core->RegisterCreateObjectProc(IIDOf<IZEPHImage>(), makeImage);
  core->RegisterCreateObjectProc(IIDOf<IZEPHImage2>(), makeImage);
  core->RegisterCreateObjectProc(IIDOf<IZEPHImageContainer>(), [](IPtr<IInterface>& Obj) {
    Obj = IPtr<IInterface>(static_cast<IZEPHImageContainer*>(Create<TZEPHImageContainerAdapter>()));
  });
}
