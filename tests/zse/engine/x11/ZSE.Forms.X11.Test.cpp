// A skin form on a real X server: its per-pixel alpha (layered) or its region shape (without
// layered windows) decides what of it reaches the screen. The screenshot of each case is
// written as a PPM file beside the test program and its path printed.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include "os/OS.Backend.h"
#include "os/OS.Windows.h"
#include "support/Xvfb.h"
#include "zse/engine/ZSE.Forms.h"
#include "zse/engine/ZSE.RenderBuffer.h"
#include "zse/engine/x11/ZSE.X11.TestSupport.h"

namespace {

// Left half opaque red; the right half transparent but for an opaque green bar across it.
class TShapedForm : public TZSEForm {
  ZCL_CLASS(TShapedForm, TZSEForm)
 public:
  using TZSEForm::TZSEForm;

 protected:
  void PaintLayout(TZSERenderBuffer* Buffer) override {
    const Integer w = Buffer->GetWidth(), h = Buffer->GetHeight();
    Buffer->FillRect(TRect(0, 0, w / 2, h), 0xFFFF0000);
    Buffer->FillRect(TRect(w / 2, h / 2 - 10, w, h / 2 + 10), 0xFF00FF00);
  }
};

void Settle() {
  for (int round = 0; round < 3; ++round) {
    MSG msg;
    while (PeekMessage(msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(msg);
      DispatchMessage(msg);
    }
    GetDisplayBackend()->Wait(0);
  }
}

void SavePpm(const TXwdImage& Image, const std::string& Path) {
  FILE* f = std::fopen(Path.c_str(), "wb");
  if (!f) return;
  std::fprintf(f, "P6\n%d %d\n255\n", Image.Width, Image.Height);
  for (uint32_t p : Image.Pixels) {
    const unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8),
                                  static_cast<unsigned char>(p)};
    std::fwrite(rgb, 1, 3, f);
  }
  std::fclose(f);
}

struct TProbe {
  TPoint At;
  uint32_t Colour;
};

// Waits (the X server answers in its own time) until every probe shows its colour.
void ExpectScreen(const std::string& Name, const std::vector<TProbe>& Probes) {
  TXwdImage image;
  std::string error;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  bool ok = false;
  while (!ok && std::chrono::steady_clock::now() < deadline) {
    Settle();
    error.clear();
    if (!CaptureScreen(ZseX11Server().Display(), image, error)) continue;
    ok = true;
    for (const TProbe& p : Probes) ok = ok && image.Pixel(p.At.X, p.At.Y) == p.Colour;
  }
  ASSERT_TRUE(error.empty()) << error;
  const std::string path = "zse-forms-x11-" + Name + ".ppm";
  SavePpm(image, path);
  std::printf("screenshot of %s: %s (%dx%d)\n", Name.c_str(), path.c_str(), image.Width, image.Height);
  for (const TProbe& p : Probes)
    EXPECT_EQ(image.Pixel(p.At.X, p.At.Y), p.Colour) << Name << " at " << p.At.X << "," << p.At.Y;
}

class SkinFormX11 : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (!ZseX11SkipReason().empty()) GTEST_SKIP() << ZseX11SkipReason();
    TZSEBaseForm::SetUseLayeredWindows(GetParam());
  }
  void TearDown() override {
    Free(Form);
    Settle();
    TZSEBaseForm::SetUseLayeredWindows(true);
  }
  TShapedForm* Form = nullptr;
};

TEST_P(SkinFormX11, OnlyTheOpaquePartsShow) {
  Form = TCustomForm::CreateNew<TShapedForm>(nullptr);
  Form->SetBounds(100, 80, 200, 120);
  Form->SetVisible(true);
  Form->UpdateContent(true);
  EXPECT_EQ(Form->GetWindowShapeState(), GetParam() ? 2 : 1);
  // Red on the left, the green bar on the right, the black root through the transparent rest.
  ExpectScreen(GetParam() ? "layered" : "region", {{{110, 90}, 0xFF0000},
                                                   {{199, 199}, 0xFF0000},
                                                   {{250, 140}, 0x00FF00},
                                                   {{250, 100}, 0x000000},
                                                   {{290, 190}, 0x000000},
                                                   {{99, 90}, 0x000000}});
}

INSTANTIATE_TEST_SUITE_P(Shape, SkinFormX11, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& Info) { return Info.param ? "Layered" : "Region"; });

}  // namespace
