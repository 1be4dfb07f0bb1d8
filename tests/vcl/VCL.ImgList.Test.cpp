#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstdlib>

#include "os/OS.Icons.h"
#include "os/OS.Windows.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Streams.h"
#include "vcl/VCL.Graphics.h"
#include "vcl/VCL.ImgList.h"
#include "vcl/VCL.Imaging.h"

namespace {

constexpr uint32_t GOrange = 0xFFC86432;    // straight BGRA as a number
constexpr uint32_t GHalfBlue = 0x800000FF;  // blue at alpha 128

// A 2 x 2 strip of three images: red, orange, half-transparent blue.
TBitmap* MakeStrip() {
  auto* strip = Create<TBitmap>();
  strip->SetPixelFormat(TPixelFormat::pf32bit);
  strip->SetSize(6, 2);
  strip->SetAlphaFormat(afDefined);
  for (Integer y = 0; y < 2; ++y) {
    auto* row = static_cast<uint32_t*>(strip->ScanLine(y));
    for (Integer x = 0; x < 6; ++x) row[x] = x < 2 ? 0xFFFF0000 : x < 4 ? GOrange : GHalfBlue;
  }
  strip->Modified();
  return strip;
}

uint32_t Pixel(TBitmap& Bitmap, Integer X, Integer Y) {
  return static_cast<uint32_t*>(Bitmap.ScanLine(Y))[X] & 0x00FFFFFF;
}

bool Near(uint32_t A, uint32_t B) {
  for (int shift : {0, 8, 16})
    if (std::abs(int((A >> shift) & 0xFF) - int((B >> shift) & 0xFF)) > 1) return false;
  return true;
}

class ImageListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FList = Create<TImageList>(nullptr, 2, 2);
    TBitmap* strip = MakeStrip();
    EXPECT_EQ(FList->Add(strip), 0);
    Free(strip);
  }
  void TearDown() override { Free(FList); }
  TImageList* FList = nullptr;
};

TEST_F(ImageListTest, DrawsEnabledAndDisabledImagesBlended) {
  ASSERT_EQ(FList->GetCount(), 3);
  TBitmap target(10, 2);
  target.GetCanvas()->GetBrush()->SetColor(clWhite);
  target.GetCanvas()->FillRect(TRect(0, 0, 10, 2));
  FList->Draw(target.GetCanvas(), 0, 0, 1);
  FList->Draw(target.GetCanvas(), 2, 0, 1, false);
  FList->Draw(target.GetCanvas(), 4, 0, 2);
  FList->Draw(target.GetCanvas(), 6, 0, 2, false);
  FList->Draw(target.GetCanvas(), 8, 0, 7);  // no such image: nothing drawn
  EXPECT_EQ(Pixel(target, 1, 1), GOrange & 0xFFFFFF);
  EXPECT_EQ(Pixel(target, 3, 1), 0x7D7D7Du);  // the orange's grey
  EXPECT_TRUE(Near(Pixel(target, 4, 0), 0x7F7FFF)) << std::hex << Pixel(target, 4, 0);
  EXPECT_TRUE(Near(Pixel(target, 6, 0), 0x8D8D8D)) << std::hex << Pixel(target, 6, 0);
  EXPECT_EQ(Pixel(target, 8, 0), 0xFFFFFFu);
}

TEST_F(ImageListTest, EditingKeepsImagesAndReportsChangesOnce) {
  TChangeLink link;
  int changes = 0;
  struct TSink {
    int* Count;
    void Changed(TObject*) { ++*Count; }
  } sink{&changes};
  link.OnChange = {&sink, &TSink::Changed};
  FList->RegisterChanges(&link);
  FList->BeginUpdate();
  FList->Move(0, 2);
  FList->Delete(0);
  FList->EndUpdate();
  EXPECT_EQ(changes, 1);
  ASSERT_EQ(FList->GetCount(), 2);
  EXPECT_EQ(FList->GetImagePixels(0)[0], GHalfBlue);
  EXPECT_EQ(FList->GetImagePixels(1)[0], 0xFFFF0000u);
  TBitmap copy;
  ASSERT_TRUE(FList->GetBitmap(1, &copy));
  EXPECT_EQ(copy.GetWidth(), 2);
  EXPECT_EQ(static_cast<uint32_t*>(copy.ScanLine(1))[1], 0xFFFF0000u);
  EXPECT_FALSE(FList->GetBitmap(2, &copy));
  EXPECT_THROW(FList->Delete(5), EListError);
  EXPECT_THROW(FList->SetWidth(0), EInvalidOperation);

  // A mask colour (the bottom-left pixel's by default) becomes transparent.
  TBitmap* strip = MakeStrip();
  FList->Clear();
  FList->AddMasked(strip, clDefault);
  EXPECT_EQ(FList->GetImagePixels(0)[0], 0u);
  EXPECT_EQ(FList->GetImagePixels(1)[0], GOrange);
  Free(strip);
  Free(FList);
  FList = nullptr;
  EXPECT_EQ(link.GetSender(), nullptr);
}

TEST_F(ImageListTest, StreamFormRoundTripsAndRefusesDamage) {
  TMemoryStream stream;
  FList->WriteData(stream);
  auto* copy = Create<TImageList>(nullptr);
  stream.SetPosition(0);
  copy->ReadData(stream);
  EXPECT_EQ(copy->GetWidth(), 2);
  ASSERT_EQ(copy->GetCount(), 3);
  EXPECT_EQ(copy->GetImagePixels(2), FList->GetImagePixels(2));

  // Damaged data raises and leaves the list as it was.
  auto damaged = [&](const std::function<void(TMemoryStream&)>& Damage) {
    TMemoryStream bad;
    bad.CopyFrom(&stream, 0);
    Damage(bad);
    bad.SetPosition(0);
    EXPECT_THROW(copy->ReadData(bad), EReadError);
    EXPECT_EQ(copy->GetCount(), 3);
  };
  damaged([](TMemoryStream& S) { S.SetSize(S.GetSize() - 1); });  // truncated pixels
  damaged([](TMemoryStream& S) {                                  // a count far beyond the data
    S.SetPosition(12);
    S.WriteData(uint32_t(0x7FFFFFFF));
  });
  damaged([](TMemoryStream& S) {  // a width of 0
    S.SetPosition(4);
    S.WriteData(uint32_t(0));
  });
  damaged([](TMemoryStream& S) { S.SetSize(3); });  // not even a signature
  Free(copy);
}

// The largest image size with no image costs nothing: nothing is allocated before an image's
// pixels are known to be there.
TEST_F(ImageListTest, HugeImageSizeWithoutImagesAllocatesNothing) {
  const uint8_t data[16] = {0x49, 0x4c, 0x33, 0x32, 0x00, 0x80, 0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0, 0, 0, 0};
  TMemoryStream stream;
  stream.WriteBuffer(data, sizeof data);
  stream.SetPosition(0);
  rusage before{}, after{};
  getrusage(RUSAGE_SELF, &before);
  FList->ReadData(stream);
  getrusage(RUSAGE_SELF, &after);
  EXPECT_EQ(FList->GetCount(), 0);
  EXPECT_EQ(FList->GetWidth(), 32768);
  EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 256 * 1024) << "peak resident kilobytes grew";
}

TEST(DragImageListTest, ImageFollowsThePointer) {
  auto* list = Create<TDragImageList>(nullptr, 2, 2);
  EXPECT_FALSE(list->BeginDrag(GetDesktopWindow(), 100, 100));  // no image yet
  TBitmap* strip = MakeStrip();
  list->Add(strip);
  Free(strip);
  EXPECT_FALSE(list->SetDragImage(3, 0, 0));
  ASSERT_TRUE(list->SetDragImage(0, 1, 1));
  ASSERT_TRUE(list->BeginDrag(GetDesktopWindow(), 100, 100));
  list->ShowDragImage();
  Headless::RunUntilIdle();
  EXPECT_EQ(Headless::ScreenPixel(TPoint(99, 99)), 0xFFFF0000u);
  list->DragMove(300, 50);
  Headless::RunUntilIdle();
  EXPECT_EQ(Headless::ScreenPixel(TPoint(300, 50)), 0xFFFF0000u);
  EXPECT_NE(Headless::ScreenPixel(TPoint(99, 99)), 0xFFFF0000u);
  list->HideDragImage();
  Headless::RunUntilIdle();
  EXPECT_NE(Headless::ScreenPixel(TPoint(300, 50)), 0xFFFF0000u);
  HWND window = list->GetDragImageWindow();
  EXPECT_TRUE(list->EndDrag());
  EXPECT_FALSE(IsWindow(window));
  Free(list);
}

TEST_F(ImageListTest, IconsEnterScaledAndLeaveAsIcons) {
  TIcon icon;
  TBitmap* big = Create<TBitmap>();
  big->SetPixelFormat(TPixelFormat::pf32bit);
  big->SetSize(4, 4);
  big->SetAlphaFormat(afDefined);
  for (Integer y = 0; y < 4; ++y)
    for (Integer x = 0; x < 4; ++x) static_cast<uint32_t*>(big->ScanLine(y))[x] = x < 2 ? GOrange : GHalfBlue;
  big->Modified();
  icon.AddImage(big);
  Free(big);

  EXPECT_EQ(FList->AddIcon(&icon), 3);
  const std::vector<uint32_t>& added = FList->GetImagePixels(3);  // 4 x 4 scaled to 2 x 2
  EXPECT_EQ(added[0], GOrange);
  EXPECT_EQ(added[1] >> 24, 0x80u);
  EXPECT_TRUE(Near(added[1], GHalfBlue));
  EXPECT_EQ(FList->ReplaceIcon(0, &icon), 0);
  EXPECT_EQ(FList->GetImagePixels(0)[0], GOrange);
  EXPECT_EQ(FList->ReplaceIcon(-1, &icon), 4);
  TIcon empty;
  EXPECT_THROW(FList->AddIcon(&empty), EInvalidOperation);
  EXPECT_THROW(FList->ReplaceIcon(9, &icon), EListError);
  EXPECT_EQ(FList->GetCount(), 5);

  TIcon out;
  ASSERT_TRUE(FList->GetIcon(1, &out));
  ASSERT_EQ(out.GetImageCount(), 1);
  EXPECT_EQ(out.GetWidth(), 2);
  EXPECT_EQ(static_cast<uint32_t*>(out.GetImage(0)->ScanLine(0))[0], GOrange);
  EXPECT_FALSE(FList->GetIcon(5, &out));
  EXPECT_EQ(FList->GetIconHandle(-1), nullptr);
  HICON handle = FList->GetIconHandle(2);
  std::vector<uint32_t> pixels;
  int w = 0, h = 0;
  ASSERT_TRUE(GetIconPixels(handle, pixels, w, h));
  EXPECT_EQ(pixels[0], 0x80000080u);  // the half blue, premultiplied
  DestroyIcon(handle);
}

}  // namespace
