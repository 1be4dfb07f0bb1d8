#include "support/Xvfb.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

// Forks and executes Args with DISPLAY set; the child's standard output goes to StdoutFd (or
// /dev/null when -1) and ExtraFd, when given, stays open in the child as fd 3.
pid_t Spawn(const std::vector<std::string>& Args, const std::string& Display, int StdoutFd, int ExtraFd) {
  std::vector<char*> argv;
  for (const std::string& a : Args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  // The child's environment is built here: between fork and exec only async-signal-safe calls.
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, "DISPLAY=", 8) != 0 && std::strncmp(*e, "WAYLAND_DISPLAY=", 16) != 0) env.emplace_back(*e);
  if (!Display.empty()) env.push_back("DISPLAY=" + Display);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  const pid_t pid = fork();
  if (pid != 0) return pid;
  const int devNull = open("/dev/null", O_RDWR);
  if (devNull >= 0) {
    dup2(devNull, STDIN_FILENO);
    dup2(devNull, STDERR_FILENO);
    dup2(StdoutFd >= 0 ? StdoutFd : devNull, STDOUT_FILENO);
  }
  if (ExtraFd >= 0) dup2(ExtraFd, 3);
  for (int fd = ExtraFd >= 0 ? 4 : 3; fd < 1024; ++fd) close(fd);
  execvpe(argv[0], argv.data(), envp.data());
  _exit(127);
}

uint32_t Be32(const uint8_t* P) { return uint32_t(P[0]) << 24 | uint32_t(P[1]) << 16 | uint32_t(P[2]) << 8 | P[3]; }

// Scales the masked bits of a pixel value to 0..255.
uint32_t Channel(uint32_t Value, uint32_t Mask) {
  if (!Mask) return 0;
  int shift = 0;
  while (!((Mask >> shift) & 1)) ++shift;
  const uint32_t max = Mask >> shift;
  return ((Value & Mask) >> shift) * 255 / max;
}

bool Fail(std::string* Error, const char* Reason) {
  if (Error) *Error = Reason;
  return false;
}

}  // namespace

bool TXvfb::Start(std::string& Error, int Width, int Height, int TimeoutMs) {
  Stop();
  int fds[2];
  if (pipe(fds) != 0) {
    Error = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  const std::string screen = std::to_string(Width) + "x" + std::to_string(Height) + "x24";
  // -displayfd: the server picks a free display number and writes it to fd 3 once it listens.
  FPid = Spawn({"Xvfb", "-displayfd", "3", "-screen", "0", screen, "-nolisten", "tcp", "-br", "-ac", "-noreset"}, "",
               -1, fds[1]);
  close(fds[1]);
  if (FPid < 0) {
    close(fds[0]);
    Error = std::string("fork: ") + std::strerror(errno);
    return false;
  }
  std::string number;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd p{fds[0], POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
    char buffer[32];
    const ssize_t n = read(fds[0], buffer, sizeof buffer);
    if (n <= 0) break;  // the server ended without answering
    number.append(buffer, static_cast<size_t>(n));
    if (number.find('\n') != std::string::npos) break;
  }
  close(fds[0]);
  const size_t end = number.find('\n');
  if (end == std::string::npos || end == 0) {
    // Ended, or hung: either way it goes; an exit status of 127 means it could not be run.
    int status = 0;
    kill(FPid, SIGTERM);
    waitpid(FPid, &status, 0);
    FPid = -1;
    Error = WIFEXITED(status) && WEXITSTATUS(status) == 127 ? "Xvfb is not installed (scripts/setup.sh --x11)"
                                                            : "Xvfb did not start";
    return false;
  }
  FDisplay = ":" + number.substr(0, end);
  return true;
}

void TXvfb::Stop() {
  if (FPid <= 0) return;
  kill(FPid, SIGTERM);
  // The server ends within moments of SIGTERM; one that does not is killed.
  for (int i = 0; i < 200; ++i) {
    if (waitpid(FPid, nullptr, WNOHANG) == FPid) {
      FPid = -1;
      FDisplay.clear();
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(FPid, SIGKILL);
  waitpid(FPid, nullptr, 0);
  FPid = -1;
  FDisplay.clear();
}

void TXvfb::Export() const {
  setenv("DISPLAY", FDisplay.c_str(), 1);
  unsetenv("WAYLAND_DISPLAY");
}

int RunX11Tool(const std::string& Display, const std::vector<std::string>& Args, std::string* Output) {
  int fds[2] = {-1, -1};
  if (Output && pipe(fds) != 0) return -1;
  const pid_t pid = Spawn(Args, Display, Output ? fds[1] : -1, -1);
  if (Output) close(fds[1]);
  if (pid < 0) {
    if (Output) close(fds[0]);
    return -1;
  }
  if (Output) {
    Output->clear();
    char buffer[65536];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) != 0;) {
      if (n < 0) {
        if (errno == EINTR) continue;
        break;
      }
      Output->append(buffer, static_cast<size_t>(n));
    }
    close(fds[0]);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status)) return -1;
  return WEXITSTATUS(status) == 127 ? -1 : WEXITSTATUS(status);
}

bool ParseXwd(const uint8_t* Data, size_t Size, TXwdImage& Image, std::string* Error) {
  Image = TXwdImage();
  constexpr size_t HeaderFields = 25;
  if (!Data || Size < HeaderFields * 4) return Fail(Error, "truncated header");
  uint32_t h[HeaderFields];
  for (size_t i = 0; i < HeaderFields; ++i) h[i] = Be32(Data + i * 4);
  const uint32_t headerSize = h[0], version = h[1], format = h[2], width = h[4], height = h[5];
  const uint32_t byteOrder = h[7], bitsPerPixel = h[11], bytesPerLine = h[12], visualClass = h[13];
  const uint32_t redMask = h[14], greenMask = h[15], blueMask = h[16], colors = h[19];
  if (version != 7) return Fail(Error, "not an xwd version 7 dump");
  if (format != 2) return Fail(Error, "not a Z pixmap");
  if (visualClass != 4 && visualClass != 5) return Fail(Error, "not a true-colour visual");
  if (bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32) return Fail(Error, "unsupported pixel size");
  if (width == 0 || height == 0 || width > 32768 || height > 32768) return Fail(Error, "bad image size");
  if (uint64_t(bytesPerLine) < uint64_t(width) * (bitsPerPixel / 8)) return Fail(Error, "bad line length");
  if (headerSize < HeaderFields * 4) return Fail(Error, "bad header size");
  const uint64_t pixelsAt = uint64_t(headerSize) + uint64_t(colors) * 12;
  if (pixelsAt + uint64_t(bytesPerLine) * height > Size) return Fail(Error, "truncated pixels");
  const size_t bytes = bitsPerPixel / 8;
  Image.Width = static_cast<int>(width);
  Image.Height = static_cast<int>(height);
  Image.Pixels.resize(size_t(width) * height);
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* line = Data + pixelsAt + uint64_t(bytesPerLine) * y;
    for (uint32_t x = 0; x < width; ++x) {
      const uint8_t* p = line + x * bytes;
      uint32_t value = 0;
      for (size_t b = 0; b < bytes; ++b)
        value |= uint32_t(p[b]) << (byteOrder == 0 ? 8 * b : 8 * (bytes - 1 - b));  // 0: LSB first
      Image.Pixels[size_t(y) * width + x] =
          Channel(value, redMask) << 16 | Channel(value, greenMask) << 8 | Channel(value, blueMask);
    }
  }
  return true;
}

bool CaptureScreen(const std::string& Display, TXwdImage& Image, std::string& Error) {
  std::string dump;
  const int status = RunX11Tool(Display, {"xwd", "-root", "-silent"}, &dump);
  if (status != 0) {
    Error = status < 0 ? "xwd is not installed (scripts/setup.sh --x11)" : "xwd failed";
    return false;
  }
  return ParseXwd(reinterpret_cast<const uint8_t*>(dump.data()), dump.size(), Image, &Error);
}
