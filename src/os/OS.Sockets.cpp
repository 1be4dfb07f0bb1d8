#include "os/OS.Sockets.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "rtl/RTL.Types.h"

namespace {

// Waits until Handle is readable; false when Wake became readable first or polling failed.
bool WaitReadable(int Handle, int Wake) {
  pollfd fds[2] = {{Handle, POLLIN, 0}, {Wake, POLLIN, 0}};
  for (;;) {
    const int n = poll(fds, Wake >= 0 ? 2 : 1, -1);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (Wake >= 0 && (fds[1].revents & POLLIN)) return false;
    return (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
  }
}

}  // namespace

// ---- connection -------------------------------------------------------------------------------------

TTcpConnection::~TTcpConnection() { Close(); }

Integer TTcpConnection::Receive(void* Buffer, Integer Size) {
  if (FHandle < 0 || Size < 0) return -1;
  if (!WaitReadable(FHandle, FWakeHandle)) return -1;
  for (;;) {
    const ssize_t n = recv(FHandle, Buffer, size_t(Size), 0);
    if (n < 0 && errno == EINTR) continue;
    return n < 0 ? -1 : Integer(n);
  }
}

bool TTcpConnection::Send(const void* Data, Integer Size) {
  if (FHandle < 0 || Size < 0) return false;
  const char* p = static_cast<const char*>(Data);
  Integer left = Size;
  while (left > 0) {
    // No SIGPIPE when the peer has gone: the failure is answered instead.
    const ssize_t n = send(FHandle, p, size_t(left), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    left -= Integer(n);
  }
  return true;
}

void TTcpConnection::Close() {
  if (FHandle < 0) return;
  close(FHandle);
  FHandle = -1;
}

// ---- listener ---------------------------------------------------------------------------------------

TTcpListener::TTcpListener() = default;

TTcpListener::~TTcpListener() {
  Close();
  if (FHandle >= 0) close(FHandle);
  if (FWakeHandle >= 0) close(FWakeHandle);
}

bool TTcpListener::Open() {
  if (FHandle >= 0) return true;
  FWakeHandle = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  FHandle = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (FHandle < 0 || FWakeHandle < 0) {
    FLastError = errno;
    return false;
  }
  // A port that an earlier run left in TIME_WAIT can be taken again at once.
  const int on = 1;
  setsockopt(FHandle, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  return true;
}

bool TTcpListener::Bind(StringView Address, Word Port) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(Port);
  const std::string text = StringToUTF8(Address);
  if (inet_pton(AF_INET, text.c_str(), &addr.sin_addr) != 1) {
    FLastError = EINVAL;
    return false;
  }
  if (FHandle < 0 || bind(FHandle, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
    FLastError = FHandle < 0 ? EBADF : errno;
    return false;
  }
  return true;
}

bool TTcpListener::Listen(Integer Backlog) {
  if (FHandle < 0 || listen(FHandle, Backlog) != 0) {
    FLastError = FHandle < 0 ? EBADF : errno;
    return false;
  }
  return true;
}

TTcpConnection* TTcpListener::Accept() {
  if (FHandle < 0 || GetClosed()) return nullptr;
  if (!WaitReadable(FHandle, FWakeHandle)) {
    FLastError = GetClosed() ? ECANCELED : errno;
    return nullptr;
  }
  const int handle = accept4(FHandle, nullptr, nullptr, SOCK_CLOEXEC);
  if (handle < 0) {
    FLastError = errno;
    return nullptr;
  }
  return new TTcpConnection(handle, FWakeHandle);
}

void TTcpListener::Close() {
  if (FClosed.exchange(true, std::memory_order_acq_rel)) return;
  // The descriptors stay open until destruction: a thread may be polling them right now.
  if (FWakeHandle >= 0) {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(FWakeHandle, &one, sizeof one);
  }
  if (FHandle >= 0) shutdown(FHandle, SHUT_RDWR);
}

Word TTcpListener::GetPort() const {
  sockaddr_in addr{};
  socklen_t size = sizeof addr;
  if (FHandle < 0 || getsockname(FHandle, reinterpret_cast<sockaddr*>(&addr), &size) != 0) return 0;
  return ntohs(addr.sin_port);
}

String TTcpListener::GetAddress() const {
  sockaddr_in addr{};
  socklen_t size = sizeof addr;
  char text[INET_ADDRSTRLEN] = {};
  if (FHandle < 0 || getsockname(FHandle, reinterpret_cast<sockaddr*>(&addr), &size) != 0 ||
      !inet_ntop(AF_INET, &addr.sin_addr, text, sizeof text))
    return String();
  return UTF8ToString(text);
}
