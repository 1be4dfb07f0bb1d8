#include "rtl/RTL.Geometry.h"

#include <algorithm>

bool IntersectRect(TRect& Dest, const TRect& A, const TRect& B) {
  TRect r(std::max(A.Left, B.Left), std::max(A.Top, B.Top), std::min(A.Right, B.Right), std::min(A.Bottom, B.Bottom));
  if (r.IsEmpty()) {
    Dest = TRect();
    return false;
  }
  Dest = r;
  return true;
}

bool UnionRect(TRect& Dest, const TRect& A, const TRect& B) {
  if (A.IsEmpty()) {
    Dest = B.IsEmpty() ? TRect() : B;
    return !B.IsEmpty();
  }
  if (B.IsEmpty()) {
    Dest = A;
    return true;
  }
  Dest =
      TRect(std::min(A.Left, B.Left), std::min(A.Top, B.Top), std::max(A.Right, B.Right), std::max(A.Bottom, B.Bottom));
  return true;
}

TRect IntersectRect(const TRect& A, const TRect& B) {
  TRect r;
  IntersectRect(r, A, B);
  return r;
}

TRect UnionRect(const TRect& A, const TRect& B) {
  TRect r;
  UnionRect(r, A, B);
  return r;
}

namespace {
// The light theme's system colours, by index.
constexpr TColorRef DefaultSysColors[SysColorCount] = {
    RGB(200, 200, 200),  // scroll bar
    RGB(0, 0, 0),        // background
    RGB(153, 180, 209),  // active caption
    RGB(191, 205, 219),  // inactive caption
    RGB(240, 240, 240),  // menu
    RGB(255, 255, 255),  // window
    RGB(100, 100, 100),  // window frame
    RGB(0, 0, 0),        // menu text
    RGB(0, 0, 0),        // window text
    RGB(0, 0, 0),        // caption text
    RGB(180, 180, 180),  // active border
    RGB(244, 247, 252),  // inactive border
    RGB(171, 171, 171),  // app workspace
    RGB(0, 120, 215),    // highlight
    RGB(255, 255, 255),  // highlight text
    RGB(240, 240, 240),  // button face
    RGB(160, 160, 160),  // button shadow
    RGB(109, 109, 109),  // gray text
    RGB(0, 0, 0),        // button text
    RGB(0, 0, 0),        // inactive caption text
    RGB(255, 255, 255),  // button highlight
    RGB(105, 105, 105),  // 3D dark shadow
    RGB(227, 227, 227),  // 3D light
    RGB(0, 0, 0),        // info text
    RGB(255, 255, 225),  // info background
    RGB(0, 0, 0),        // (unused)
    RGB(0, 102, 204),    // hot light
    RGB(185, 209, 234),  // gradient active caption
    RGB(215, 228, 242),  // gradient inactive caption
    RGB(0, 120, 215),    // menu highlight
    RGB(240, 240, 240),  // menu bar
};

// Constant-initialised: usable before any unit initialisation runs.
TColorRef GSysColors[SysColorCount] = {
    DefaultSysColors[0],  DefaultSysColors[1],  DefaultSysColors[2],  DefaultSysColors[3],  DefaultSysColors[4],
    DefaultSysColors[5],  DefaultSysColors[6],  DefaultSysColors[7],  DefaultSysColors[8],  DefaultSysColors[9],
    DefaultSysColors[10], DefaultSysColors[11], DefaultSysColors[12], DefaultSysColors[13], DefaultSysColors[14],
    DefaultSysColors[15], DefaultSysColors[16], DefaultSysColors[17], DefaultSysColors[18], DefaultSysColors[19],
    DefaultSysColors[20], DefaultSysColors[21], DefaultSysColors[22], DefaultSysColors[23], DefaultSysColors[24],
    DefaultSysColors[25], DefaultSysColors[26], DefaultSysColors[27], DefaultSysColors[28], DefaultSysColors[29],
    DefaultSysColors[30],
};
}  // namespace

TColorRef GetSysColorValue(Integer Index) {
  if (Index < 0 || Index >= SysColorCount) return 0;
  return GSysColors[Index];
}

void SetSysColorValue(Integer Index, TColorRef Value) {
  if (Index < 0 || Index >= SysColorCount) return;
  GSysColors[Index] = Value & 0x00FFFFFFu;
}

void ResetSysColorValues() { std::copy(std::begin(DefaultSysColors), std::end(DefaultSysColors), GSysColors); }

TColor ColorToRGB(TColor Color) {
  if (IsSystemColor(Color)) return static_cast<TColor>(GetSysColorValue(Color & 0xFF));
  return Color;
}
