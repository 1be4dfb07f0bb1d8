#include <gtest/gtest.h>

#include <cstring>

#include "os/OS.Clipboard.h"
#include "vcl/VCL.Clipbrd.h"
#include "vcl/VCL.Graphics.h"

namespace {

TEST(ClipboardTest, TextAndRegisteredFormatsRoundTrip) {
  TClipboard* clipboard = Clipboard();
  const Word custom = Word(RegisterClipboardFormat(u"ZEPHSE Test Block"));
  const char block[] = {1, 0, 2, 0, 3};
  clipboard->Open();
  clipboard->SetAsText(u"Grüße & more");
  clipboard->SetBuffer(custom, block, sizeof block);  // same opening: both formats stay
  clipboard->Close();
  EXPECT_TRUE(clipboard->HasFormat(CF_UNICODETEXT));
  EXPECT_TRUE(clipboard->HasFormat(custom));
  EXPECT_EQ(clipboard->GetFormatCount(), 2);
  EXPECT_EQ(clipboard->GetAsText(), u"Grüße & more");
  HGLOBAL data = clipboard->GetAsHandle(custom);
  ASSERT_NE(data, nullptr);
  ASSERT_EQ(GlobalSize(data), sizeof block);
  EXPECT_EQ(std::memcmp(GlobalLock(data), block, sizeof block), 0);
  GlobalUnlock(data);

  // A new opening replaces the content; text without a terminating zero is read to the block's end.
  HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, 4);
  std::memcpy(GlobalLock(text), u"ab", 4);
  GlobalUnlock(text);
  clipboard->SetAsHandle(CF_UNICODETEXT, text);
  EXPECT_FALSE(clipboard->HasFormat(custom));
  EXPECT_EQ(clipboard->GetAsText(), u"ab");
  clipboard->Clear();
  EXPECT_EQ(clipboard->GetAsText(), u"");
  EXPECT_EQ(clipboard->GetFormatCount(), 0);
}

TEST(ClipboardTest, BitmapsRoundTrip) {
  TBitmap bitmap(3, 2);
  bitmap.SetAlphaFormat(afDefined);
  static_cast<uint32_t*>(bitmap.ScanLine(1))[2] = 0x80FF0000;
  bitmap.Modified();
  Clipboard()->Assign(&bitmap);
  EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
  TBitmap copy;
  copy.Assign(Clipboard());
  ASSERT_EQ(copy.GetWidth(), 3);
  ASSERT_EQ(copy.GetHeight(), 2);
  EXPECT_EQ(static_cast<uint32_t*>(copy.ScanLine(1))[2], 0x80FF0000u);
  Clipboard()->SetAsText(u"no picture");
  EXPECT_THROW(copy.Assign(Clipboard()), EClipboardException);
  EXPECT_EQ(copy.GetWidth(), 3);  // kept
}

TEST(ClipboardTest, OpeningHeldElsewhereFails) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_THROW(Clipboard()->GetAsText(), EClipboardException);
  // A block handed over is taken even when it cannot be set: it is freed, not leaked.
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 8);
  EXPECT_THROW(Clipboard()->SetAsHandle(CF_TEXT, block), EClipboardException);
  EXPECT_EQ(GlobalLock(block), nullptr);
  CloseClipboard();
  EXPECT_NO_THROW(Clipboard()->GetAsText());
}

}  // namespace
