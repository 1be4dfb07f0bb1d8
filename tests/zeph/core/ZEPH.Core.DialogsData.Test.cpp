#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>

#include "rtl/RTL.EmbeddedResources.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streaming.Text.h"
#include "rtl/RTL.Streaming.h"
#include "rtl/RTL.Streams.h"
#include "vcl/VCL.Graphics.h"
#include "vcl/VCL.Menus.h"
#include "zcl/ui/ZCL.UI.Application.h"
#include "zcl/ui/ZCL.UI.ImageList.h"
#include "zcl/ui/ZCL.UI.Resources.Collection.h"
#include "zcl/ui/ZCL.UI.Resources.Texture.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"
#include "zeph/core/ZEPH.Core.DialogsData.h"

namespace {
template <class T>
using TOwned = std::unique_ptr<T, void (*)(TObject*)>;

// ---- the glyphs of the stored form, drawn here --------------------------------------------------

struct TSegment {
  double X1, Y1, X2, Y2;
};
using TGlyph = std::vector<TSegment>;

// Strokes on a 16 x 16 grid: plus, minus, cross, check, up, down, folder, magnifier.
std::vector<TGlyph> Glyphs() {
  std::vector<TGlyph> glyphs = {
      {{4, 8, 12, 8}, {8, 4, 8, 12}},
      {{4, 8, 12, 8}},
      {{4.5, 4.5, 11.5, 11.5}, {11.5, 4.5, 4.5, 11.5}},
      {{3, 8.5, 6.5, 12}, {6.5, 12, 13, 4.5}},
      {{8, 13, 8, 3.5}, {4, 7.5, 8, 3.5}, {8, 3.5, 12, 7.5}},
      {{8, 3, 8, 12.5}, {4, 8.5, 8, 12.5}, {8, 12.5, 12, 8.5}},
      {{2, 4, 6, 4}, {6, 4, 7.5, 6}, {7.5, 6, 14, 6}, {14, 6, 14, 13}, {14, 13, 2, 13}, {2, 13, 2, 4}},
      {{10, 10, 13.5, 13.5}},
  };
  TGlyph& lens = glyphs.back();
  for (int i = 0; i < 16; ++i) {
    const double a = i * M_PI / 8, b = (i + 1) * M_PI / 8;
    lens.push_back({7 + 4 * std::cos(a), 7 + 4 * std::sin(a), 7 + 4 * std::cos(b), 7 + 4 * std::sin(b)});
  }
  return glyphs;
}

double SegmentDistance(double Px, double Py, const TSegment& S) {
  const double dx = S.X2 - S.X1, dy = S.Y2 - S.Y1;
  const double len = dx * dx + dy * dy;
  double t = len > 0 ? ((Px - S.X1) * dx + (Py - S.Y1) * dy) / len : 0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(Px - (S.X1 + t * dx), Py - (S.Y1 + t * dy));
}

// The glyphs side by side at Size pixels, anti-aliased strokes of 1.5 grid units in Color.
TBitmap* DrawGlyphStrip(Integer Size, Byte Red, Byte Green, Byte Blue) {
  const std::vector<TGlyph> glyphs = Glyphs();
  auto* bitmap = new TBitmap(Size * Integer(glyphs.size()), Size);
  const double scale = Size / 16.0, half = 0.75 * scale;
  for (Integer y = 0; y < Size; ++y) {
    auto* row = static_cast<uint32_t*>(bitmap->ScanLine(y));
    for (Integer x = 0; x < bitmap->GetWidth(); ++x) {
      const TGlyph& glyph = glyphs[size_t(x / Size)];
      double d = 1e9;
      for (const TSegment& s : glyph)
        d = std::min(d, SegmentDistance((x % Size + 0.5) / scale, (y + 0.5) / scale, s) * scale);
      const double coverage = std::clamp(half + 0.5 - d, 0.0, 1.0);
      const auto alpha = static_cast<uint32_t>(std::lround(coverage * 255));
      row[x] = (alpha << 24) | (uint32_t(Red) << 16) | (uint32_t(Green) << 8) | Blue;
    }
  }
  bitmap->SetAlphaFormat(afDefined);
  bitmap->Modified();
  return bitmap;
}

// A frame of Width x Height: a rounded bar in Color on a transparent ground, Frames stacked.
TBitmap* DrawBar(Integer Width, Integer Height, Integer Frames, const uint32_t* Colors) {
  auto* bitmap = new TBitmap(Width, Height * Frames);
  for (Integer y = 0; y < Height * Frames; ++y) {
    auto* row = static_cast<uint32_t*>(bitmap->ScanLine(y));
    const Integer fy = y % Height;
    for (Integer x = 0; x < Width; ++x) {
      const bool corner = (x == 0 || x == Width - 1) && (fy == 0 || fy == Height - 1);
      row[x] = corner ? 0 : Colors[y / Height];
    }
  }
  bitmap->SetAlphaFormat(afDefined);
  bitmap->Modified();
  return bitmap;
}

void AddTexture(TZCLResourceCollection* Collection, const String& ID, TBitmap* Bitmap) {
  std::unique_ptr<TBitmap> owned(Bitmap);
  auto* texture =
      static_cast<TZCLResourceTexture*>(Collection->GetItems()->Add(ID, TZCLResourceTexture::StaticClass()));
  texture->GetImageSet()->AssignBitmap(Bitmap, 96);
}

// Fills a module made without its stored form.
void BuildDialogsData(TdmDialogsData* Module) {
  Module->SetName(u"dmDialogsData");
  struct List {
    const char16_t* Base;
    Integer Size, SourceDPI;
  } lists[] = {{u"ilSmall", 16, 0}, {u"ilLarge", 32, 96}};
  const Integer scales[] = {100, 125, 150, 200};
  for (const List& list : lists)
    for (bool dark : {false, true})
      for (Integer scale : scales) {
        auto* il = new TZCLImageList(Module);
        il->SetName(String(list.Base) + (dark ? u"Dark" : u"") + IntToStr(scale));
        const Integer size = list.Size * scale / 100;
        il->SetSize(size);
        il->SetSourceDPI(list.SourceDPI ? 96 * scale / 100 : 0);
        std::unique_ptr<TBitmap> strip(dark ? DrawGlyphStrip(size, 0xE0, 0xE0, 0xE0)
                                            : DrawGlyphStrip(size, 0x40, 0x40, 0x40));
        il->AddBitmap(strip.get());
      }
  auto* scroll = new TZCLResourceCollection(Module);
  scroll->SetName(u"TinyScrollBars");
  const uint32_t track[] = {0x20808080};
  const uint32_t buttons[] = {0x60808080, 0x90808080, 0xC0606060, 0x30808080};
  const uint32_t thumb[] = {0x90808080, 0xB0707070, 0xD0505050, 0x40808080};
  AddTexture(scroll, u"ScrollBox.Textures.Horz.Background", DrawBar(8, 6, 1, track));
  AddTexture(scroll, u"ScrollBox.Textures.Vert.Background", DrawBar(6, 8, 1, track));
  AddTexture(scroll, u"ScrollBox.Textures.Vert.Buttons", DrawBar(6, 6, 4, buttons));
  AddTexture(scroll, u"ScrollBox.Textures.Horz.Buttons", DrawBar(6, 6, 4, buttons));
  AddTexture(scroll, u"ScrollBox.Textures.Horz.Thumb", DrawBar(12, 6, 4, thumb));
  AddTexture(scroll, u"ScrollBox.Textures.Vert.Thumb", DrawBar(6, 12, 4, thumb));
  AddTexture(scroll, u"ScrollBox.Textures.SizeGrip", DrawBar(6, 6, 1, track));
  auto* flat = new TZCLResourceCollection(Module);
  flat->SetName(u"rcFlatButtons");
  const uint32_t face[] = {0x00000000, 0x30808080, 0x60808080, 0x00000000, 0x00000000};
  AddTexture(flat, u"Buttons.Textures.Button", DrawBar(12, 12, 5, face));
}

// Reports a fixed DPI, as a control on a monitor of that DPI would.
class TDpiProbe : public TComponent, public IZCLCurrentDpi {
  ZCL_CLASS(TDpiProbe, TComponent)
  RTL_INTERFACES(TComponent, IZCLCurrentDpi)
 public:
  TDpiProbe(Integer ADpi) : TComponent(nullptr), FDpi(ADpi) {}
  Integer GetCurrentDpi() override { return FDpi; }

 private:
  Integer FDpi;
};

bool HasStoredForm() { return FindEmbeddedResource(u"TdmDialogsData", u"RCDATA"); }
}  // namespace

// Writes the stored form when ZEPHSE_WRITE_DIALOGS_DATA names resources/RCDATA.
TEST(ZephDialogsData, WriteStoredForm) {
  const char* folder = std::getenv("ZEPHSE_WRITE_DIALOGS_DATA");
  if (!folder) GTEST_SKIP() << "ZEPHSE_WRITE_DIALOGS_DATA is not set";
  TOwned<TdmDialogsData> module(TDataModule::CreateNew<TdmDialogsData>(nullptr), &Free);
  BuildDialogsData(module.get());
  TMemoryStream binary;
  WriteComponent(&binary, module.get());
  binary.SetPosition(0);
  TFileStream text(UTF8ToString(folder) + u"/TDMDIALOGSDATA.txt", fmCreate);
  ObjectBinaryToText(&binary, &text);
}

class ZephDialogsDataModule : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HasStoredForm()) GTEST_SKIP() << "the stored form of the dialogs data module is not embedded";
    FModule.reset(Create<TdmDialogsData>(nullptr));
  }
  void TearDown() override { TZCLApplication::SetDarkMode(TZCLBoolean::Default); }
  TOwned<TdmDialogsData> FModule{nullptr, &Free};
};

TEST_F(ZephDialogsDataModule, ComponentsOfTheStoredForm) {
  EXPECT_EQ(FModule->GetName(), u"dmDialogsData");
  EXPECT_EQ(dmDialogsData(), FModule.get());
  struct Case {
    const char16_t* Name;
    Integer Size, SourceDPI;
  } cases[] = {{u"ilSmall100", 16, 0},       {u"ilSmall125", 20, 0},      {u"ilSmallDark150", 24, 0},
               {u"ilSmallDark200", 32, 0},   {u"ilLarge100", 32, 96},     {u"ilLarge125", 40, 120},
               {u"ilLargeDark150", 48, 144}, {u"ilLargeDark200", 64, 192}};
  for (const Case& c : cases) {
    auto* list = dynamic_cast<TZCLImageList*>(FModule->FindComponent(c.Name));
    ASSERT_NE(list, nullptr) << StringToUTF8(c.Name);
    EXPECT_EQ(list->GetWidth(), c.Size);
    EXPECT_EQ(list->GetHeight(), c.Size);
    EXPECT_EQ(list->GetSourceDPI(), c.SourceDPI);
    EXPECT_EQ(list->GetCount(), 8);
  }
  auto* scroll = dynamic_cast<TZCLResourceCollection*>(FModule->FindComponent(u"TinyScrollBars"));
  ASSERT_NE(scroll, nullptr);
  EXPECT_EQ(scroll->GetItems()->GetCount(), 7);
  auto* thumb = dynamic_cast<TZCLResourceTexture*>(
      scroll->GetItems()->FindResource(u"ScrollBox.Textures.Vert.Thumb", TZCLResourceTexture::StaticClass()));
  ASSERT_NE(thumb, nullptr);
  EXPECT_FALSE(thumb->GetImageSet()->IsEmpty());
  auto* flat = dynamic_cast<TZCLResourceCollection*>(FModule->FindComponent(u"rcFlatButtons"));
  ASSERT_NE(flat, nullptr);
  EXPECT_NE(flat->GetItems()->FindItem(u"Buttons.Textures.Button"), nullptr);
}

TEST_F(ZephDialogsDataModule, SmallImagesFollowDpiAndDarkMode) {
  struct Case {
    Integer DPI;
    bool Dark;
    const char16_t* Expected;
  } cases[] = {{144, true, u"ilSmallDark150"},
               {144, false, u"ilSmall150"},
               {96, false, u"ilSmall100"},
               {192, false, u"ilSmall200"},
               {110, true, u"ilSmallDark100"}};
  for (const Case& c : cases) {
    TZCLApplication::SetDarkMode(c.Dark ? TZCLBoolean::True : TZCLBoolean::False);
    TDpiProbe control(c.DPI);
    TCustomImageList* list = FModule->GetSmallImages(&control);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->GetName(), c.Expected) << c.DPI << " " << c.Dark;
  }
}

TEST_F(ZephDialogsDataModule, OtherFormsReferToItsComponentsByName) {
  const AnsiString text =
      "object Probe: TDataModule\n"
      "  object Item: TMenuItem\n"
      "    SubMenuImages = dmdialogsdata.ilsmall100\n"
      "  end\n"
      "end\n";
  TMemoryStream source;
  source.Write(text.data(), Integer(text.size()));
  source.SetPosition(0);
  TMemoryStream binary;
  ObjectTextToBinary(&source, &binary);
  binary.SetPosition(0);
  TOwned<TDataModule> probe(TDataModule::CreateNew<TDataModule>(nullptr), &Free);
  ReadComponent(&binary, probe.get());
  auto* item = dynamic_cast<TMenuItem*>(probe->FindComponent(u"Item"));
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->GetSubMenuImages(), FModule->FindComponent(u"ilSmall100"));
}
