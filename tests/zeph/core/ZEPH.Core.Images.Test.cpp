#include <gtest/gtest.h>

#include <fstream>

#include "os/OS.Codecs.h"
#include "os/OS.Files.h"
#include "support/TestSupport.h"
#include "vcl/VCL.Graphics.h"
#include "zeph/core/ZEPH.Core.Adapters.h"
#include "zeph/core/ZEPH.Core.Images.h"
#include "zeph/core/ZEPH.Core.Objects.h"

namespace {
// A 2x1 picture: one red and one blue opaque pixel.
const uint32_t KPixels[] = {0xFFFF0000u, 0xFF0000FFu};

IPtr<IZEPHStream> StreamOf(const std::vector<Byte>& Bytes) {
  IPtr<IZEPHMemoryStream> stream = CoreCreateObject<IZEPHMemoryStream>();
  stream->Write(Bytes.data(), static_cast<Integer>(Bytes.size()), nullptr);
  stream->Seek(0, 0);
  return stream;
}

IPtr<IZEPHImage2> NewImage() { return CoreCreateObject<IZEPHImage2>(); }

IPtr<IZEPHImage2> ImageFrom(const std::vector<Byte>& Bytes) {
  IPtr<IZEPHImage2> image = NewImage();
  EXPECT_EQ(image->LoadFromStream(StreamOf(Bytes).get()), S_OK);
  return image;
}

String FileNameOf(IInterface* Object) { return TZEPHImageHelper::TextOf(Object); }

void WriteFile(const String& Name, const std::vector<Byte>& Bytes) {
  std::ofstream(StringToUTF8(Name), std::ios::binary).write(reinterpret_cast<const char*>(Bytes.data()), Bytes.size());
}
}  // namespace

TEST(ZephImages, FormatIdentifiersOfDecodedImages) {
  EXPECT_EQ(ImageFrom(EncodePng(KPixels, 2, 1, false))->GetFormatID(), 4);
  EXPECT_EQ(ImageFrom(EncodeJpeg(KPixels, 2, 1, false))->GetFormatID(), 3);
  EXPECT_EQ(ImageFrom(EncodeBmp(KPixels, 2, 1, false))->GetFormatID(), 1);
  if (IsImageFormatAvailable(TImageFormat::WebP))
    EXPECT_EQ(ImageFrom(EncodeWebP(KPixels, 2, 1, false))->GetFormatID(), 0);
  IPtr<IZEPHImage2> fromBits = NewImage();
  ASSERT_EQ(fromBits->LoadFromBits(KPixels, 2, 1), S_OK);
  EXPECT_EQ(fromBits->GetFormatID(), 1);
  TSize size;
  EXPECT_EQ(fromBits->GetSize(size), S_OK);
  EXPECT_EQ(size, TSize(2, 1));
  for (Integer id : {1, 2, 3, 4}) EXPECT_EQ(TZEPHImageHelper::FormatToID(TZEPHImageHelper::IDToFormat(id)), id);
  EXPECT_EQ(TZEPHImageHelper::FormatToID(TZCLImageFormatJPG::Class()), 3);
  EXPECT_EQ(TZEPHImageHelper::FormatToID(TZCLImageFormatWebP::Class()), 0);
}

TEST(ZephImages, SavingChecksFormatAndImageBeforeTouchingTheTarget) {
  IPtr<IZEPHImage2> image = ImageFrom(EncodePng(KPixels, 2, 1, false));
  IPtr<IZEPHMemoryStream> target = CoreCreateObject<IZEPHMemoryStream>();
  EXPECT_EQ(image->SaveToStream(target.get(), 0), E_INVALIDARG);
  EXPECT_EQ(image->SaveToStream(target.get(), 5), E_INVALIDARG);
  EXPECT_EQ(image->SaveToStream(target.get(), 3), S_OK);
  EXPECT_GT(target->GetSize(), 0);
  EXPECT_EQ(NewImage()->SaveToStream(target.get(), 4), E_UNEXPECTED);

  const String file = UTF8ToString(TempDir()) + u"/kept.png";
  WriteFile(file, {1, 2, 3});
  EXPECT_EQ(image->SaveToFile(MakePluginString(file).get(), 7), E_INVALIDARG);
  EXPECT_EQ(NewImage()->SaveToFile(MakePluginString(file).get(), 4), E_UNEXPECTED);
  EXPECT_EQ(FileSize(file), 3);
  EXPECT_EQ(image->SaveToFile(MakePluginString(file).get(), 4), S_OK);
  EXPECT_GT(FileSize(file), 3);
  EXPECT_EQ(image->SaveToFile(MakePluginString(u"/no/such/folder/x.png").get(), 4), E_FAIL);
}

TEST(ZephImages, FileNameFollowsHowTheImageWasLoaded) {
  const String file = UTF8ToString(TempDir()) + u"/named.png";
  WriteFile(file, EncodePng(KPixels, 2, 1, false));
  IPtr<IZEPHImage2> image = NewImage();
  EXPECT_EQ(image->LoadFromFile(MakePluginString(u"/no/such.png").get()), E_FAIL);
  ASSERT_EQ(image->LoadFromFile(MakePluginString(file).get()), S_OK);
  EXPECT_EQ(FileNameOf(image.get()), file);
  EXPECT_EQ(image->LoadFromBits(KPixels, 2, 1), S_OK);
  EXPECT_EQ(FileNameOf(image.get()), file);
  EXPECT_EQ(image->LoadFromResource(nullptr, u"X", nullptr), E_INVALIDARG);
  EXPECT_EQ(FileNameOf(image.get()), file);

  QueryIntf<IZEPHDPIAware>(image)->SetDPI(192);
  IPtr<IZEPHImage> clone;
  ASSERT_EQ(image->Clone(clone), S_OK);
  EXPECT_EQ(FileNameOf(clone.get()), file);
  EXPECT_EQ(GetObjectDPI(clone.get()), 96);
  // The clone is independent: resizing it leaves the source alone.
  EXPECT_EQ(clone->Resize(4, 2), S_OK);
  TSize size;
  image->GetSize(size);
  EXPECT_EQ(size, TSize(2, 1));
  EXPECT_EQ(clone->Resize(0, 2), E_UNEXPECTED);

  EXPECT_EQ(image->LoadFromStream(StreamOf(EncodePng(KPixels, 2, 1, false)).get()), S_OK);
  EXPECT_EQ(FileNameOf(image.get()), u"");
  // Undecodable data keeps the picture there was.
  EXPECT_EQ(image->LoadFromStream(StreamOf({1, 2, 3, 4}).get()), E_UNEXPECTED);
  image->GetSize(size);
  EXPECT_EQ(size, TSize(2, 1));

  IPtr<IZEPHDPIAware> dpi = QueryIntf<IZEPHDPIAware>(image);
  struct Case {
    Integer Set, Stored;
  } cases[] = {{50, 96}, {1000, 480}, {144, 144}};
  for (const Case& c : cases) {
    EXPECT_EQ(dpi->SetDPI(c.Set), S_OK);
    EXPECT_EQ(dpi->GetDPI(), c.Stored);
  }
}

TEST(ZephImages, DrawFlagsChooseFitQualityAndTiling) {
  IPtr<IZEPHImage2> image = NewImage();
  image->LoadFromBits(KPixels, 2, 1);
  auto draw = [&](Integer Flags) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf32bit);
    bitmap.SetSize(4, 4);
    EXPECT_EQ(image->Draw(bitmap.GetCanvas()->GetHandle(), TRect(0, 0, 4, 4), Flags, nullptr), S_OK);
    // The alpha of the top-left pixel: covered by the picture or not.
    return static_cast<const Byte*>(bitmap.ScanLine(0))[3];
  };
  EXPECT_EQ(draw(0), 255);                       // stretched over the whole rectangle
  EXPECT_EQ(draw(ZEPH_DRAW_PROPORTIONAL), 0);    // 4x2 in the middle
  EXPECT_EQ(draw(ZEPH_DRAW_FILL | ZEPH_DRAW_PROPORTIONAL), 255);  // fill wins
  EXPECT_EQ(image->Draw(nullptr, TRect(0, 0, 4, 4), 0, nullptr), E_UNEXPECTED);
  EXPECT_EQ(image->Draw(nullptr, TRect(0, 0, 4, 4), 0, image.get()), E_INVALIDARG);

  TBitmap* bitmap = TZEPHImageHelper::ToBitmap(image.get());
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->GetWidth(), 2);
  Free(bitmap);
}

TEST(ZephImageContainer, InfoHashAndDecoding) {
  IPtr<IZEPHImageContainer> container = CoreCreateObject<IZEPHImageContainer>();
  TSize size(5, 5);
  Integer id = 9;
  EXPECT_EQ(container->GetInfo(size, id), S_OK);
  EXPECT_EQ(size, TSize(0, 0));
  EXPECT_EQ(id, 0);

  const std::vector<Byte> png = EncodePng(KPixels, 2, 1, false);
  ASSERT_EQ(container->SetDataSize(static_cast<Integer>(png.size())), S_OK);
  std::memcpy(container->GetData(), png.data(), png.size());
  EXPECT_EQ(container->GetInfo(size, id), S_OK);
  EXPECT_EQ(size, TSize(2, 1));
  EXPECT_EQ(id, 4);

  IPtr<IZEPHHashCode> hash = QueryIntf<IZEPHHashCode>(container);
  const Integer first = hash->GetHashCode();
  static_cast<Byte*>(container->GetData())[0] ^= 1;
  EXPECT_EQ(hash->GetHashCode(), first);
  hash->Recalculate();
  EXPECT_NE(hash->GetHashCode(), first);
  static_cast<Byte*>(container->GetData())[0] ^= 1;
  hash->Recalculate();
  EXPECT_EQ(hash->GetHashCode(), first);

  // Asking the container for an image decodes it into a new one each time.
  IPtr<IZEPHImage> a = QueryIntf<IZEPHImage>(container), b = QueryIntf<IZEPHImage>(container);
  ASSERT_TRUE(a && b);
  EXPECT_NE(a, b);
  IPtr<IZEPHImage> got;
  TZEPHImageHelper::GetImage(got, nullptr, container.get());
  EXPECT_TRUE(got);

  // An image turned into a container keeps its format.
  IPtr<IZEPHImageContainer> made;
  EXPECT_TRUE(TZEPHImageContainer::GetImageContainer(a.get(), made));
  ASSERT_TRUE(made);
  made->GetInfo(size, id);
  EXPECT_EQ(id, 4);
  EXPECT_TRUE(TZEPHImageContainer::GetImageContainer(nullptr, made));
  EXPECT_FALSE(made);
  EXPECT_FALSE(TZEPHImageContainer::GetImageContainer(MakePluginString(u"x").get(), made));
}

TEST(ZephImages, ClipboardRoundTrip) {
  IPtr<IZEPHImage2> image = ImageFrom(EncodePng(KPixels, 2, 1, false));
  ASSERT_EQ(image->CopyToClipboard(), S_OK);
  IPtr<IZEPHImage2> pasted = NewImage();
  EXPECT_EQ(pasted->CanPasteFromClipboard(), S_OK);
  ASSERT_EQ(pasted->PasteFromClipboard(), S_OK);
  TSize size;
  pasted->GetSize(size);
  EXPECT_EQ(size, TSize(2, 1));
  EXPECT_EQ(pasted->GetFormatID(), 4);
}
