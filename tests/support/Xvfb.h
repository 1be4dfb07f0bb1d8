#pragma once
// A private X server for display tests: starts Xvfb on a display number it finds free, runs the
// X tools (xwd, xdotool) against it and reads screenshots back. No GoogleTest in here, so that
// the screenshot reader can be fuzzed as well.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class TXvfb {
 public:
  TXvfb() = default;
  ~TXvfb() { Stop(); }
  TXvfb(const TXvfb&) = delete;
  TXvfb& operator=(const TXvfb&) = delete;

  // Starts Xvfb with one Width x Height x 24 screen and a black root window; returns once the
  // server accepts connections. False, with the reason in Error, when it cannot start (not
  // installed, refused, did not answer within TimeoutMs).
  bool Start(std::string& Error, int Width = 1024, int Height = 768, int TimeoutMs = 15000);
  // Ends the server and waits for it (idempotent).
  void Stop();
  bool IsRunning() const { return FPid > 0; }
  // ":N" while running.
  const std::string& Display() const { return FDisplay; }
  // Points this process's DISPLAY at the server and unsets WAYLAND_DISPLAY.
  void Export() const;

 private:
  pid_t FPid = -1;
  std::string FDisplay;
};

// Runs a program (looked up in PATH) with DISPLAY set to Display, its standard output collected
// in Output when given. The exit status; -1 when it could not be run.
int RunX11Tool(const std::string& Display, const std::vector<std::string>& Args, std::string* Output = nullptr);

// A screenshot: 0xRRGGBB per pixel, top-down.
struct TXwdImage {
  int Width = 0;
  int Height = 0;
  std::vector<uint32_t> Pixels;
  // 0xFFFFFFFF outside the image.
  uint32_t Pixel(int X, int Y) const {
    if (X < 0 || Y < 0 || X >= Width || Y >= Height) return 0xFFFFFFFFu;
    return Pixels[static_cast<size_t>(Y) * Width + X];
  }
};

// Reads xwd's dump format: a true-colour Z pixmap of 16, 24 or 32 bits per pixel. False, with the
// reason in Error, for other layouts and for damaged or truncated data.
bool ParseXwd(const uint8_t* Data, size_t Size, TXwdImage& Image, std::string* Error = nullptr);

// The whole screen of Display (xwd -root).
bool CaptureScreen(const std::string& Display, TXwdImage& Image, std::string& Error);
