// The SDL backend's display-free parts: key, cursor and window-kind mapping, DPI snapping,
// dirty-rectangle merging, shape masks, clipboard text, and the program's backend choice.
#include <SDL.h>
#include <gtest/gtest.h>

#include "os/OS.Input.h"
#include "os/OS.Windows.h"
#include "os/backends/OS.Backends.h"
#include "os/backends/sdl/OS.Sdl.Mapping.h"

using namespace SdlMapping;

TEST(SdlMapping, VirtualKeysFollowLayoutForLettersAndPositionOtherwise) {
  struct TCase {
    int Keycode, Scancode;
    bool NumLock;
    WORD Expected;
  } cases[] = {
      {SDLK_a, SDL_SCANCODE_A, false, 'A'},
      {SDLK_a, SDL_SCANCODE_Q, false, 'A'},  // AZERTY: the key left of Z gives 'a'
      {'&', SDL_SCANCODE_1, false, '1'},     // AZERTY top row: digits by position
      {0x444, SDL_SCANCODE_A, false, 'A'},   // Cyrillic letter: by position
      {SDLK_0, SDL_SCANCODE_0, false, '0'},
      {SDLK_KP_1, SDL_SCANCODE_KP_1, true, VK_NUMPAD0 + 1},
      {SDLK_KP_1, SDL_SCANCODE_KP_1, false, VK_END},
      {SDLK_KP_0, SDL_SCANCODE_KP_0, true, VK_NUMPAD0},
      {SDLK_KP_PERIOD, SDL_SCANCODE_KP_PERIOD, false, VK_DELETE},
      {SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, true, VK_RETURN},
      {SDLK_RETURN, SDL_SCANCODE_RETURN, false, VK_RETURN},
      {SDLK_F12, SDL_SCANCODE_F12, false, VK_F12},
      {SDLK_F13, SDL_SCANCODE_F13, false, VK_F12 + 1},
      {SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, false, VK_SHIFT},
      {SDLK_RCTRL, SDL_SCANCODE_RCTRL, false, VK_CONTROL},
      {SDLK_LALT, SDL_SCANCODE_LALT, false, VK_MENU},
      {SDLK_PAGEUP, SDL_SCANCODE_PAGEUP, false, VK_PRIOR},
      {SDLK_SEMICOLON, SDL_SCANCODE_SEMICOLON, false, VK_OEM_1},
      {SDLK_LESS, SDL_SCANCODE_NONUSBACKSLASH, false, 0xE2},
      {SDLK_AUDIOPLAY, SDL_SCANCODE_AUDIOPLAY, false, 0xB3},
      {SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN, false, 0},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(VirtualKey(c.Keycode, c.Scancode, c.NumLock), c.Expected) << "keycode " << c.Keycode;
}

TEST(SdlMapping, KeyCharactersCoverWhatTextInputDoesNotBring) {
  struct TCase {
    WORD Vk;
    int Keycode;
    bool Shift, Ctrl, Alt, Caps;
    Char Expected;
  } cases[] = {
      {VK_RETURN, SDLK_RETURN, false, false, false, false, u'\r'},
      {VK_ESCAPE, SDLK_ESCAPE, false, false, false, false, 27},
      {VK_BACK, SDLK_BACKSPACE, false, false, false, false, 8},
      {VK_BACK, SDLK_BACKSPACE, false, true, false, false, 127},
      {VK_TAB, SDLK_TAB, false, false, false, false, u'\t'},
      {VK_TAB, SDLK_TAB, false, true, false, false, 0},
      {'C', SDLK_c, false, true, false, false, 3},
      {'F', SDLK_f, false, false, true, false, u'f'},  // Alt+F: WM_SYSCHAR for the menu
      {'F', SDLK_f, true, false, true, false, u'F'},
      {'F', SDLK_f, true, false, true, true, u'f'},
      {'A', SDLK_a, false, false, false, false, 0},  // printable: comes as text input
      {'Q', SDLK_q, false, true, true, false, 0},    // Ctrl+Alt stands for AltGr
      {VK_SPACE, SDLK_SPACE, false, false, false, false, 0},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(KeyCharacter(c.Vk, c.Keycode, c.Shift, c.Ctrl, c.Alt, c.Caps), c.Expected) << "vk " << c.Vk;
  EXPECT_TRUE(AcceptsText(false, false));
  EXPECT_TRUE(AcceptsText(true, true));
  EXPECT_FALSE(AcceptsText(true, false));
  EXPECT_FALSE(AcceptsText(false, true));
}

TEST(SdlMapping, StandardCursorsMapToSystemShapes) {
  EXPECT_EQ(SystemCursor(IDC_ARROW), SDL_SYSTEM_CURSOR_ARROW);
  EXPECT_EQ(SystemCursor(IDC_IBEAM), SDL_SYSTEM_CURSOR_IBEAM);
  EXPECT_EQ(SystemCursor(IDC_CROSS), SDL_SYSTEM_CURSOR_CROSSHAIR);
  EXPECT_EQ(SystemCursor(IDC_SIZEWE), SDL_SYSTEM_CURSOR_SIZEWE);
  EXPECT_EQ(SystemCursor(IDC_SIZENESW), SDL_SYSTEM_CURSOR_SIZENESW);
  EXPECT_EQ(SystemCursor(IDC_HAND), SDL_SYSTEM_CURSOR_HAND);
  EXPECT_EQ(SystemCursor(IDC_APPSTARTING), SDL_SYSTEM_CURSOR_WAITARROW);
  EXPECT_EQ(SystemCursor(IDC_NO), SDL_SYSTEM_CURSOR_NO);
  EXPECT_EQ(SystemCursor(12345), SDL_SYSTEM_CURSOR_ARROW);
}

TEST(SdlMapping, WindowStylesChooseHowWindowsAppear) {
  const TWindowTraits main = WindowTraits(WS_OVERLAPPEDWINDOW, 0, 0, false);
  EXPECT_FALSE(main.PopupMenu || main.Tooltip || main.Utility || main.SkipTaskbar || main.Topmost);

  const TWindowTraits menu = WindowTraits(WS_POPUP, WS_EX_NOACTIVATE | WS_EX_TOPMOST, 0, true);
  EXPECT_TRUE(menu.PopupMenu);
  EXPECT_TRUE(menu.Topmost);

  const TWindowTraits hint = WindowTraits(WS_POPUP | WS_BORDER, WS_EX_TOOLWINDOW | WS_EX_TOPMOST, CS_DROPSHADOW, false);
  EXPECT_TRUE(hint.Tooltip);

  // A skinned main window may be a captionless topmost tool popup: it stays a managed window.
  const TWindowTraits skinned = WindowTraits(WS_POPUP, WS_EX_TOOLWINDOW | WS_EX_TOPMOST, 0, false);
  EXPECT_FALSE(skinned.Tooltip || skinned.PopupMenu);
  EXPECT_TRUE(skinned.Utility && skinned.SkipTaskbar && skinned.Topmost);

  // A captioned window is never an unmanaged popup.
  EXPECT_FALSE(WindowTraits(WS_POPUP | WS_CAPTION, WS_EX_NOACTIVATE, 0, false).PopupMenu);

  EXPECT_TRUE(WindowTraits(WS_OVERLAPPEDWINDOW, 0, 0, true).SkipTaskbar);
  EXPECT_FALSE(WindowTraits(WS_OVERLAPPEDWINDOW, WS_EX_APPWINDOW, 0, true).SkipTaskbar);
}

TEST(SdlMapping, DpiSnapsToLayoutSteps) {
  struct TCase {
    float Dpi;
    UINT Expected;
  } cases[] = {{96.0f, 96}, {93.7f, 96},   {0.0f, 96},    {-5.0f, 96},   {NAN, 96},     {INFINITY, 96},
               {40.0f, 96}, {120.0f, 120}, {141.2f, 144}, {190.0f, 192}, {2000.0f, 480}};
  for (const TCase& c : cases) EXPECT_EQ(SnapDpi(c.Dpi), c.Expected) << c.Dpi;
}

TEST(SdlMapping, DirtyRectsMergeNeighboursAndStayBounded) {
  TDirtyRects dirty;
  dirty.Add(TRect(0, 0, 10, 10));
  dirty.Add(TRect(10, 0, 20, 10));  // touching: one rectangle
  dirty.Add(TRect(5, 5, 15, 15));   // overlapping mostly: merged as well
  dirty.Add(TRect(0, 0, 0, 0));     // empty: ignored
  ASSERT_EQ(dirty.Rects().size(), 1u);
  EXPECT_EQ(dirty.Rects()[0], TRect(0, 0, 20, 15));

  dirty.Add(TRect(500, 500, 510, 510));  // far away: kept apart
  EXPECT_EQ(dirty.Rects().size(), 2u);

  // Many scattered rectangles: never more than MaxRects, and every input stays covered.
  TDirtyRects many;
  std::vector<TRect> inputs;
  for (int i = 0; i < 40; ++i) inputs.push_back(Bounds((i * 97) % 900, (i * 53) % 700, 8, 8));
  for (const TRect& r : inputs) many.Add(r);
  EXPECT_LE(many.Rects().size(), TDirtyRects::MaxRects);
  for (const TRect& r : inputs) {
    bool covered = false;
    for (const TRect& m : many.Rects()) covered |= m.Contains(r);
    EXPECT_TRUE(covered) << r.Left << "," << r.Top;
  }
}

TEST(SdlMapping, AlphaMaskFollowsPixelsAndClip) {
  const int w = 4, h = 2;
  std::vector<uint32_t> pixels(w * h, 0xFF000000u);
  pixels[1] = 0x40000000u;  // below the cutoff
  std::vector<Byte> mask;
  EXPECT_TRUE(UpdateAlphaMask(mask, pixels.data(), w, h, TRect(0, 0, w, h), 128));
  EXPECT_EQ(mask, (std::vector<Byte>{1, 0, 1, 1, 1, 1, 1, 1}));
  EXPECT_FALSE(UpdateAlphaMask(mask, pixels.data(), w, h, TRect(0, 0, w, h), 128));  // nothing changed

  const std::vector<Byte> clip{1, 1, 1, 1, 0, 0, 1, 1};
  pixels[1] = 0xFF000000u;
  EXPECT_TRUE(UpdateAlphaMask(mask, pixels.data(), w, h, TRect(-5, -5, 50, 50), 128, clip.data()));
  EXPECT_EQ(mask, (std::vector<Byte>{1, 1, 1, 1, 0, 0, 1, 1}));
}

TEST(SdlMapping, ClipboardTextLineEndsAndFileLists) {
  EXPECT_EQ(TextToDesktop(u"a\r\nb\rc\n"), u"a\nb\rc\n");
  EXPECT_EQ(TextFromDesktop(u"a\nb\r\nc\n"), u"a\r\nb\r\nc\r\n");
  EXPECT_EQ(TextFromDesktop(TextToDesktop(u"x\r\ny")), u"x\r\ny");
  EXPECT_EQ(FileListText({u"/tmp/a b.png", u"/tmp/c"}), u"/tmp/a b.png\n/tmp/c");
  EXPECT_EQ(FileListText({}), u"");
}

TEST(SdlBackendChoice, EnvironmentDecides) {
  String error;
  EXPECT_EQ(ChooseDisplayBackend("headless", false, error), TDisplayBackendKind::Headless);
  EXPECT_EQ(ChooseDisplayBackend("headless", true, error), TDisplayBackendKind::Headless);
  EXPECT_EQ(ChooseDisplayBackend("sdl", false, error), TDisplayBackendKind::Sdl);
  EXPECT_EQ(ChooseDisplayBackend(nullptr, true, error), TDisplayBackendKind::Sdl);
  EXPECT_EQ(ChooseDisplayBackend("", true, error), TDisplayBackendKind::Sdl);
  EXPECT_TRUE(error.empty());

  EXPECT_EQ(ChooseDisplayBackend(nullptr, false, error), TDisplayBackendKind::None);
  EXPECT_NE(error.find(u"no display available"), String::npos);
  EXPECT_NE(error.find(u"ZEPHSE_BACKEND=headless"), String::npos);

  EXPECT_EQ(ChooseDisplayBackend("vulkan", true, error), TDisplayBackendKind::None);
  EXPECT_NE(error.find(u"vulkan"), String::npos);
}
