#include "zcl/base/ZCL.SimpleIPC.h"

#include <vector>

#include "os/OS.System.h"
#include "rtl/RTL.Threads.h"
#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.Hashes.h"
#include "zcl/base/ZCL.Utils.Messaging.h"
#include "zcl/base/ZCL.Utils.Strings.h"

namespace {
TZCLThreadListOf<TZCLIPCHub::TReceiver>* GReceivers = nullptr;
TZCLThreadListOf<IPtr<IZCLIPCClient>>* GClients = nullptr;
}  // namespace

// TZCLAppAtom -------------------------------------------------------------------------------------

TZCLAppAtom::TZCLAppAtom(const String& Name) : FName(zcUpperCase(Name)) { FHandle = CreateNamedAtom(FName); }

TZCLAppAtom::~TZCLAppAtom() {
  if (FHandle) CloseNamedAtom(FHandle);
}

// TZCLIPCHub --------------------------------------------------------------------------------------

Cardinal TZCLIPCHub::GetMessageID(const String& Name) { return ElfHash(Name, true); }

void TZCLIPCHub::Register(TReceiver Receiver) {
  if (GReceivers && Receiver) GReceivers->Add(Receiver);
}

void TZCLIPCHub::Unregister(TReceiver Receiver) {
  if (GReceivers) GReceivers->Remove(Receiver);
}

void TZCLIPCHub::AddClient(IZCLIPCClient* Client) {
  if (GClients && Client) GClients->Add(IPtr<IZCLIPCClient>(Client));
}

void TZCLIPCHub::RemoveClient(IZCLIPCClient* Client) {
  if (GClients && Client) GClients->Remove(IPtr<IZCLIPCClient>(Client));
}

void TZCLIPCHub::SendLocal(Cardinal Message, const String& Text) {
  if (IsMainThread()) {
    Receive(Message, Text);
    return;
  }
  TZCLMainThread::RunProc([Message, Text] { Receive(Message, Text); }, true);
}

void TZCLIPCHub::Receive(Cardinal Message, const String& Text) {
  if (!GReceivers || (Message == 0 && Text.empty())) return;
  // The receivers run under the lock; they see the list as it was when the message came, so a
  // receiver may unregister (itself or another) without disturbing the round.
  TZCLListOf<TReceiver>* list = GReceivers->BeginRead();
  try {
    std::vector<TReceiver> receivers;
    receivers.reserve(static_cast<size_t>(list->GetCount()));
    for (Integer i = 0; i < list->GetCount(); ++i) receivers.push_back(list->GetItem(i));
    for (const TReceiver& receiver : receivers) receiver(Message, Text);
  } catch (...) {
    GReceivers->EndRead();
    throw;
  }
  GReceivers->EndRead();
}

void TZCLIPCHub::Send(Cardinal Message, const String& Text) {
  SendLocal(Message, Text);
  if (!GClients) return;
  TZCLListOf<IPtr<IZCLIPCClient>>* list = GClients->BeginWrite();
  try {
    for (Integer i = list->GetCount(); i-- > 0;) {
      IPtr<IZCLIPCClient> client = list->GetItem(i);
      if (!client || !client->Send(Message, Text)) list->Delete(i);
    }
  } catch (...) {
    GClients->EndWrite();
    throw;
  }
  GClients->EndWrite();
}

void TZCLIPCHub::Initialize() {
  if (!GReceivers) GReceivers = new TZCLThreadListOf<TReceiver>();
  if (!GClients) GClients = new TZCLThreadListOf<IPtr<IZCLIPCClient>>();
}

void TZCLIPCHub::Finalize() {
  Free(GClients);
  GClients = nullptr;
  Free(GReceivers);
  GReceivers = nullptr;
}
