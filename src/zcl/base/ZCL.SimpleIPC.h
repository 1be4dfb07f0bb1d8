#pragma once
// A name held by one running instance at a time, and a message hub whose receivers get every
// message on the main thread.

#include "os/OS.Types.h"
#include "rtl/RTL.Delegates.h"
#include "rtl/RTL.Interfaces.h"
#include "rtl/RTL.Objects.h"

// Holds Name (upper-cased) among the user's running processes while it lives.
class TZCLAppAtom : public TObject {
  ZCL_CLASS(TZCLAppAtom, TObject)
 public:
  explicit TZCLAppAtom(const String& Name);
  ~TZCLAppAtom() override;
  // Non-null when this object holds the name; null when another holder had it already.
  HANDLE GetHandle() const { return FHandle; }
  const String& GetName() const { return FName; }

 private:
  HANDLE FHandle = nullptr;
  String FName;
};

// A receiver of messages in another process.
struct IZCLIPCClient : virtual IInterface {
  RTL_INTERFACE(IZCLIPCClient, IInterface, "{1E225ABC-7B42-4631-95BD-7078CFD1583C}")
  // True when the client took the message; a client answering false is dropped.
  virtual bool Send(Cardinal Message, const String& Text) = 0;
};

// Class-level state only, created by Initialize and freed by Finalize (the unit list).
class TZCLIPCHub {
 public:
  using TReceiver = TDelegate<void(Cardinal Message, const String& Text)>;

  TZCLIPCHub() = delete;
  // The same number for the same name in every process, ignoring case.
  static Cardinal GetMessageID(const String& Name);
  static void Register(TReceiver Receiver);
  // Ignored after finalization.
  static void Unregister(TReceiver Receiver);
  static void AddClient(IZCLIPCClient* Client);
  static void RemoveClient(IZCLIPCClient* Client);
  // Runs the receivers on the main thread and returns when they ran; from another thread the
  // caller waits (an exception of a receiver is raised again in the caller).
  static void SendLocal(Cardinal Message, const String& Text);
  // Calls every receiver in registration order, unless Message is 0 and Text empty.
  static void Receive(Cardinal Message, const String& Text);
  // The receivers first, then every client from the last added to the first.
  static void Send(Cardinal Message, const String& Text);

  static void Initialize();
  static void Finalize();
};
