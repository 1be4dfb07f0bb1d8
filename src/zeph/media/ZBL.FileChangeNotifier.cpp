#include "zeph/media/ZBL.FileChangeNotifier.h"

#include <atomic>
#include <mutex>
#include <vector>

#include "rtl/RTL.Format.h"
#include "rtl/RTL.Numbers.h"
#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.SimpleIPC.h"
#include "zcl/base/ZCL.Utils.Strings.h"

namespace {
std::mutex GInstanceLock;
std::atomic<TZBLFileChangeNotifier*> GInstance{nullptr};
}  // namespace

TZBLFileChangeNotifier::TZBLFileChangeNotifier()
    : FListeners(new TZCLListenerList),
      FMessageBatch(TZCLIPCHub::GetMessageID(u"ZEPH:BatchFileRename")),
      FMessageChanging(TZCLIPCHub::GetMessageID(u"ZEPH:FileChanging")),
      FMessageChanged(TZCLIPCHub::GetMessageID(u"ZEPH:FileChanged")) {
  TZCLIPCHub::Register({this, &TZBLFileChangeNotifier::Receive});
}

TZBLFileChangeNotifier::~TZBLFileChangeNotifier() {
  TZCLIPCHub::Unregister({this, &TZBLFileChangeNotifier::Receive});
  Free(FListeners);
}

TZBLFileChangeNotifier* TZBLFileChangeNotifier::Instance() {
  if (TZBLFileChangeNotifier* notifier = GInstance.load(std::memory_order_acquire)) return notifier;
  std::lock_guard lock(GInstanceLock);
  if (!GInstance.load()) GInstance.store(Create<TZBLFileChangeNotifier>(), std::memory_order_release);
  return GInstance.load();
}

void TZBLFileChangeNotifier::FinalizeInstance() {
  std::lock_guard lock(GInstanceLock);
  Free(GInstance.exchange(nullptr));
}

void TZBLFileChangeNotifier::BeginBatchOperation() { TZCLIPCHub::Send(FMessageBatch, u"1"); }
void TZBLFileChangeNotifier::EndBatchOperation() { TZCLIPCHub::Send(FMessageBatch, u"0"); }

void TZBLFileChangeNotifier::NotifyFileChanging(const String& FileName) {
  TZCLIPCHub::Send(FMessageChanging, FileName);
}

void TZBLFileChangeNotifier::NotifyFileChanged(const String& FileName, bool Removed) {
  const Integer kind = Removed ? zfckRemoved : zfckChanged;
  TZCLIPCHub::Send(FMessageChanged, Format(u"%s|%d|%s", {FileName, kind, String()}));
}

void TZBLFileChangeNotifier::Receive(Cardinal Message, const String& Text) {
  if (Message == FMessageBatch) {
    const bool begins = StrToIntDef(Text, 0) != 0;
    FListeners->Enum<IZBLFileBatchOperationNotification>([&](const IPtr<IZBLFileBatchOperationNotification>& L) {
      if (begins)
        L->BatchBegins();
      else
        L->BatchEnds();
    });
  } else if (Message == FMessageChanging) {
    FListeners->Enum<IZBLFileChangeNotification>(
        [&](const IPtr<IZBLFileChangeNotification>& L) { L->FileChanging(Text); });
  } else if (Message == FMessageChanged) {
    std::vector<String> parts;
    zcExplodeString(Text, u"|", parts);
    if (parts.size() != 3) return;
    const Byte kind = static_cast<Byte>(StrToIntDef(parts[1], 0));
    FListeners->Enum<IZBLFileChangeNotification>(
        [&](const IPtr<IZBLFileChangeNotification>& L) { L->FileChanged(parts[0], kind, parts[2]); });
  }
}
