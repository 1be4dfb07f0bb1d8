#pragma once
// IPv4 stream sockets for a small local server: a listener that binds, listens and accepts, and
// the connections it accepts, which receive and send. Closing a listener (from any thread) ends
// a waiting Accept and a waiting Receive of its connections at once, so that a thread serving it
// can be stopped without waiting for a peer. Failures answer false / null / -1 and leave the
// system's error number in GetLastError.

#include <atomic>

#include "os/OS.Types.h"

class TTcpListener;

class TTcpConnection {
 public:
  ~TTcpConnection();
  TTcpConnection(const TTcpConnection&) = delete;
  TTcpConnection& operator=(const TTcpConnection&) = delete;
  // Waits for data: the byte count, 0 when the peer closed, -1 on failure or when the listener
  // was closed meanwhile.
  Integer Receive(void* Buffer, Integer Size);
  // Sends everything; false on failure.
  bool Send(const void* Data, Integer Size);
  void Close();

 private:
  friend class TTcpListener;
  TTcpConnection(int Handle, int WakeHandle) : FHandle(Handle), FWakeHandle(WakeHandle) {}
  int FHandle;
  int FWakeHandle;  // the listener's: readable once it is closed
};

class TTcpListener {
 public:
  TTcpListener();
  ~TTcpListener();
  TTcpListener(const TTcpListener&) = delete;
  TTcpListener& operator=(const TTcpListener&) = delete;

  // Creates the socket; false when the system refuses one.
  bool Open();
  // Address: dotted IPv4 text ("127.0.0.1"; "0.0.0.0" every local address). Port 0: any free one.
  bool Bind(StringView Address, Word Port);
  bool Listen(Integer Backlog);
  // Waits for a connection; null on failure or once the listener is closed. The caller owns it.
  TTcpConnection* Accept();
  // Any thread, any number of times. The connections accepted before stay usable for sending.
  void Close();
  bool GetClosed() const { return FClosed.load(std::memory_order_acquire); }
  // The bound port (the one chosen when Bind was given 0); 0 before binding.
  Word GetPort() const;
  // The bound address as dotted text; empty before binding.
  String GetAddress() const;
  int GetLastError() const { return FLastError; }

 private:
  int FHandle = -1;
  int FWakeHandle = -1;  // an eventfd made readable by Close
  std::atomic<bool> FClosed{false};
  int FLastError = 0;
};
