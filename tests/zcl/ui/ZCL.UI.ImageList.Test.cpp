#include <gtest/gtest.h>

#include <cstring>

#include "UiTestSupport.h"
#include "os/OS.Codecs.h"
#include "rtl/RTL.Streaming.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.TypInfo.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zcl/ui/ZCL.UI.Application.h"
#include "zcl/ui/ZCL.UI.ImageList.h"

namespace {

// A bitmap whose cells of Size are filled with the colours 1, 2, 3... row by row (opaque).
TBitmap* CellBitmap(Integer Columns, Integer Rows, Integer Size) {
  auto* bitmap = new TBitmap(Columns * Size, Rows * Size);
  for (Integer y = 0; y < Rows * Size; ++y) {
    auto* row = static_cast<uint32_t*>(bitmap->ScanLine(y));
    for (Integer x = 0; x < Columns * Size; ++x) row[x] = 0xFF000000u | uint32_t((y / Size) * Columns + x / Size + 1);
  }
  bitmap->Modified();
  return bitmap;
}

TZCLImageList* NewList(TComponent* Owner, const String& Name, Integer Size = 16) {
  auto* list = Create<TZCLImageList>(Owner);
  list->SetName(Name);
  list->SetSize(Size);
  return list;
}

// A component that uses image lists directly and through a persistent sub-object.
class TListOptions : public TPersistent {
  ZCL_CLASS(TListOptions, TPersistent)
 public:
  TCustomImageList* Images = nullptr;
  TCustomImageList* GetImages() const { return Images; }
  void SetImages(TCustomImageList* Value) { Images = Value; }
  static void DeclareProperties(TClassDeclaration<TListOptions>& D) {
    D.Property(u"Images", &TListOptions::GetImages, &TListOptions::SetImages);
  }
};

class TListUser : public TComponent {
  ZCL_CLASS(TListUser, TComponent)
 public:
  using TComponent::TComponent;
  ~TListUser() override { Free(FOptions); }
  TCustomImageList* Images = nullptr;
  TComponent* Other = nullptr;
  TCustomImageList* GetImages() const { return Images; }
  void SetImages(TCustomImageList* Value) { Images = Value; }
  TComponent* GetOther() const { return Other; }
  void SetOther(TComponent* Value) { Other = Value; }
  TListOptions* GetOptions() const { return FOptions; }
  void SetOptions(TListOptions*) {}
  static void DeclareProperties(TClassDeclaration<TListUser>& D) {
    D.Property(u"Images", &TListUser::GetImages, &TListUser::SetImages);
    D.Property(u"Other", &TListUser::GetOther, &TListUser::SetOther);
    D.Property(u"Options", &TListUser::GetOptions, &TListUser::SetOptions);
  }

 private:
  TListOptions* FOptions = new TListOptions();
};

TEST(ImageList, SourceDpiAndSize) {
  TOwned<TZCLImageList> list(Create<TZCLImageList>(static_cast<TComponent*>(nullptr)));
  EXPECT_EQ(list->GetSourceDPI(), 96);
  EXPECT_EQ(list->GetColorDepth(), cd32Bit);
  list->SetSourceDPI(50);
  EXPECT_EQ(list->GetSourceDPI(), 96);
  list->SetSourceDPI(600);
  EXPECT_EQ(list->GetSourceDPI(), 480);
  list->SetSourceDPI(0);
  EXPECT_FALSE(list->GetScalable());
  EXPECT_EQ(GetImageListSize(list.get(), 144), TSize(16, 16));
  list->SetScalable(true);
  EXPECT_EQ(list->GetSourceDPI(), 96);
  EXPECT_EQ(GetImageListSize(list.get(), 144), TSize(24, 24));
  EXPECT_EQ(GetImageListSize(nullptr, 144), TSize(0, 0));
}

TEST(ImageList, AddBitmapCutsAGridRowByRow) {
  TOwned<TZCLImageList> list(NewList(nullptr, u"ilGrid"));
  std::unique_ptr<TBitmap> bitmap(CellBitmap(4, 2, 16));
  EXPECT_EQ(list->AddBitmap(bitmap.get()), 7);
  ASSERT_EQ(list->GetCount(), 8);
  for (Integer i = 0; i < 8; ++i) EXPECT_EQ(list->GetImagePixels(i)[0] & 0xFFFFFF, uint32_t(i + 1)) << i;
  EXPECT_EQ(list->AddSliced(bitmap.get(), 0, 2), -1);
}

TEST(ImageList, DrawItemScalesOnlyWhenNeitherSideMatches) {
  TOwned<TZCLImageList> list(NewList(nullptr, u"ilDraw"));
  std::unique_ptr<TBitmap> bitmap(CellBitmap(1, 1, 16));
  list->AddBitmap(bitmap.get());
  TZCLDib target(30, 30);
  auto pixel = [&](Integer X, Integer Y) {
    target.BeginAccess();
    const TZCLPixel32 p = target.GetColors()[Y * 30 + X];
    target.EndAccess();
    return p.A;
  };
  target.Reset();
  DrawImageListItem(target.GetCanvas(), TRect(0, 0, 16, 20), list.get(), 0);
  EXPECT_EQ(pixel(15, 15), 255);
  EXPECT_EQ(pixel(15, 18), 0);  // drawn at 16 x 16, not stretched
  target.Reset();
  DrawImageListItem(target.GetCanvas(), TRect(0, 0, 24, 24), list.get(), 0, true, false);
  EXPECT_EQ(pixel(23, 23), 255);
  target.Reset();
  DrawImageListItem(target.GetCanvas(), TRect(0, 0, 24, 24), list.get(), -1);
  EXPECT_EQ(pixel(5, 5), 0);
}

TEST(ImageList, RoundTripsCompressedInItsOwnersStream) {
  TOwned<TZCLImageList> list(NewList(nullptr, u"ilStream"));
  std::unique_ptr<TBitmap> bitmap(CellBitmap(3, 1, 16));
  list->AddBitmap(bitmap.get());
  list->SetSourceDPI(144);
  TMemoryStream stream;
  WriteComponent(&stream, list.get());
  const auto* bytes = static_cast<const char*>(stream.GetMemory());
  const std::string data(bytes, size_t(stream.GetSize()));
  EXPECT_NE(data.find("LICZ"), std::string::npos);
  stream.SetPosition(0);
  TOwned<TComponent> copy(ReadComponent(&stream, nullptr));
  auto* read = dynamic_cast<TZCLImageList*>(copy.get());
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->GetCount(), 3);
  EXPECT_EQ(read->GetSourceDPI(), 144);
  EXPECT_EQ(read->GetImagePixels(2), list->GetImagePixels(2));

  // Outside an owner's stream the plain form is written.
  TMemoryStream plain;
  list->WriteData(plain);
  EXPECT_NE(std::memcmp(plain.GetMemory(), "LICZ", 4), 0);
}

TEST(ImageList, BadDataIsRefusedOrSwallowed) {
  TOwned<TZCLImageList> list(NewList(nullptr, u"ilBad"));
  std::unique_ptr<TBitmap> bitmap(CellBitmap(2, 1, 16));
  list->AddBitmap(bitmap.get());
  TMemoryStream foreign;
  foreign.WriteBuffer("LIaL\0\0\0\0", 8);
  foreign.SetPosition(0);
  EXPECT_THROW(list->ReadData(foreign), EInvalidGraphic);

  // A header that claims 4 GB over a few bytes of garbage: nothing allocated, nothing lost.
  TMemoryStream damaged;
  const uint32_t header[2] = {0xFFFFFFF0u, 6};
  damaged.WriteBuffer("LICZ", 4);
  damaged.WriteBuffer(header, 8);
  damaged.WriteBuffer("\x78\x9c\x01\x02\x03\x04", 6);
  damaged.SetPosition(0);
  list->ReadData(damaged);
  EXPECT_EQ(list->GetCount(), 2);
  EXPECT_EQ(damaged.GetPosition(), damaged.GetSize());
}

TEST(ImageListReplacer, PicksVariantsByDpiAndDarkMode) {
  RegisterProperties<TListOptions>();
  RegisterProperties<TListUser>();
  TOwned<TDataModule> data(TDataModule::CreateNew<TDataModule>(nullptr));
  TZCLImageList* main = NewList(data.get(), u"ilMain");
  TZCLImageList* main150 = NewList(data.get(), u"ilMain150", 24);
  TZCLImageList* dark150 = NewList(data.get(), u"ilMainDark150", 24);
  auto* notAList = Create<TComponent>(static_cast<TComponent*>(data.get()));
  notAList->SetName(u"ilMain200");

  EXPECT_EQ(TZCLImageListReplacer::GetBaseName(u"ilMainDark150"), u"ilMain");
  EXPECT_EQ(TZCLImageListReplacer::GetBaseName(u"il2Icons"), u"il2Icons");
  EXPECT_EQ(TZCLImageListReplacer::FindReplacement(main, 144, false), main150);
  EXPECT_EQ(TZCLImageListReplacer::FindReplacement(main, 144, true), dark150);
  EXPECT_EQ(TZCLImageListReplacer::FindReplacement(main, 168, false), main150);  // falls back to 144
  EXPECT_EQ(TZCLImageListReplacer::FindReplacement(main, 192, false), main150);  // 200 is no image list
  EXPECT_EQ(TZCLImageListReplacer::FindReplacement(main150, 96, false), main);
  EXPECT_EQ(TZCLImageListReplacer::FindReplacement(main, 96, true), main);  // no ilMain100, no dark 96

  TOwned<TForm> form(TCustomForm::CreateNew<TForm>(nullptr));
  auto* user = Create<TListUser>(static_cast<TComponent*>(form.get()));
  user->Images = main;
  user->Other = main;  // not an image-list property: left alone
  user->GetOptions()->Images = main;
  TZCLImageListReplacer(144, false).Replace(form.get());
  EXPECT_EQ(user->Images, main150);
  EXPECT_EQ(user->GetOptions()->Images, main150);
  EXPECT_EQ(user->Other, main);
  TZCLImageListReplacer(96, false).Replace(form.get());
  EXPECT_EQ(user->Images, main);
}

TEST(ImageList, SetImageListReferenceMovesTheLink) {
  TOwned<TZCLImageList> a(NewList(nullptr, u"ilA"));
  TOwned<TZCLImageList> b(NewList(nullptr, u"ilB"));
  TChangeLink link;
  Integer changes = 0;
  struct TCounter {
    Integer* Count;
    void Changed(TObject*) { ++*Count; }
  } counter{&changes};
  link.OnChange = TNotifyEvent(&counter, &TCounter::Changed);
  TCustomImageList* reference = nullptr;
  SetImageListReference(a.get(), reference, &link, nullptr);
  EXPECT_EQ(reference, a.get());
  EXPECT_EQ(changes, 1);
  SetImageListReference(a.get(), reference, &link, nullptr);
  EXPECT_EQ(changes, 1);
  SetImageListReference(b.get(), reference, &link, nullptr);
  EXPECT_EQ(link.GetSender(), b.get());
  EXPECT_EQ(changes, 2);
  std::unique_ptr<TBitmap> bitmap(CellBitmap(1, 1, 16));
  a->AddBitmap(bitmap.get());
  EXPECT_EQ(changes, 2);  // the old list no longer reaches the link
  b->AddBitmap(bitmap.get());
  EXPECT_EQ(changes, 3);
  SetImageListReference(nullptr, reference, &link, nullptr);
}

}  // namespace
