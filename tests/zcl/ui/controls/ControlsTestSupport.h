#pragma once
// A test UI skin whose texture frames are flat, distinct colours, so that one pixel tells which
// frame was drawn; and helpers shared by the controls tests.

#include <gtest/gtest.h>

#include <vector>

#include "../UiTestSupport.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zcl/ui/ZCL.UI.Resources.Collection.h"
#include "zcl/ui/ZCL.UI.Resources.Texture.h"
#include "zcl/ui/ZCL.UI.SkinImageSet.h"

namespace testskin {

// The colour of frame Frame of texture Texture: red = texture, green = frame, blue fixed.
inline TZCLPixel32 FramePixel(Integer Texture, Integer Frame) {
  return TZCLPixel32{0x80, Byte(10 + Frame * 8), Byte(20 + Texture * 10), 255};
}
inline TColor FrameColor(Integer Texture, Integer Frame) {
  const TZCLPixel32 p = FramePixel(Texture, Frame);
  return TColor(p.R | (p.G << 8) | (p.B << 16));
}

// Frames stacked vertically, W x H each, at 96 DPI.
inline void FillFrames(TZCLResourceTexture* T, Integer Texture, Integer W, Integer H, Integer Frames) {
  TZCLSkinImageSet* set = T->GetImageSet();
  set->BeginUpdate();
  TZCLSkinImageSetItem* item = set->FindByDPI(96) ? set->FindByDPI(96) : set->Add(96);
  std::vector<TZCLPixel32> pixels(size_t(W) * H * Frames);
  for (Integer f = 0; f < Frames; ++f)
    for (size_t i = 0; i < size_t(W) * H; ++i) pixels[size_t(f) * W * H + i] = FramePixel(Texture, f);
  item->LoadFromBits(pixels.data(), W, H * Frames);
  item->SetLayout(ilVertical);
  item->SetFrameCount(Frames);
  set->EndUpdate();
}

// Texture numbers (the red channel of FrameColor).
enum : Integer {
  kButton = 1,
  kCheckBox,
  kScrollHorzBackground,
  kScrollVertBackground,
  kScrollHorzButtons,
  kScrollVertButtons,
  kScrollHorzThumb,
  kScrollVertThumb,
  kSizeGrip,
  kColumnHeader,
  kRowExpandButton,
};

class TTestSkin {
 public:
  TTestSkin() : FCollection(Create<TZCLResourceCollection>(static_cast<TComponent*>(nullptr))) {
    Add(u"Buttons.Textures.Button", kButton, 20, 21, 15);
    Add(u"Buttons.Textures.CheckBox", kCheckBox, 13, 13, 15);
    Add(u"ScrollBox.Textures.Horz.Background", kScrollHorzBackground, 15, 15, 1);
    Add(u"ScrollBox.Textures.Vert.Background", kScrollVertBackground, 15, 15, 1);
    Add(u"ScrollBox.Textures.Horz.Buttons", kScrollHorzButtons, 15, 15, 8);
    Add(u"ScrollBox.Textures.Vert.Buttons", kScrollVertButtons, 15, 15, 8);
    Add(u"ScrollBox.Textures.Horz.Thumb", kScrollHorzThumb, 15, 15, 4);
    Add(u"ScrollBox.Textures.Vert.Thumb", kScrollVertThumb, 15, 15, 4);
    Add(u"ScrollBox.Textures.SizeGrip", kSizeGrip, 15, 15, 1);
    Add(u"TreeList.Textures.ColumnHeader", kColumnHeader, 10, 20, 1);
    Add(u"TreeList.Textures.RowExpandButton", kRowExpandButton, 9, 9, 2);
  }
  ~TTestSkin() { Free(FCollection); }
  TZCLResourceCollection* Get() const { return FCollection; }
  TZCLResourceTexture* Add(const String& ID, Integer Texture, Integer W, Integer H, Integer Frames) {
    auto* t = static_cast<TZCLResourceTexture*>(FCollection->GetItems()->Add(ID, TZCLResourceTexture::StaticClass()));
    FillFrames(t, Texture, W, H, Frames);
    return t;
  }

 private:
  TZCLResourceCollection* FCollection;
};

}  // namespace testskin
