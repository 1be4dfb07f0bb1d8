#include "zeph/core/ZEPH.Core.Messages.h"

#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.Utils.Messaging.h"
#include "zeph/core/ZEPH.Core.h"

// ---- memory tests --------------------------------------------------------------------------------

bool zcIsMemoryReadable(const void* Address, size_t Size) {
  if (!Address) return false;
  if (Size == 0) return true;
  // Reading our own memory through the kernel reports EFAULT instead of faulting.
  std::vector<char> scratch(std::min<size_t>(Size, 65536));
  const char* p = static_cast<const char*>(Address);
  size_t left = Size;
  while (left > 0) {
    const size_t n = std::min(left, scratch.size());
    iovec local{scratch.data(), n};
    iovec remote{const_cast<char*>(p), n};
    if (process_vm_readv(getpid(), &local, 1, &remote, 1, 0) != static_cast<ssize_t>(n)) return false;
    p += n;
    left -= n;
  }
  return true;
}

bool zcIsMemoryWritable(void* Address, size_t Size) {
  if (!zcIsMemoryReadable(Address, Size)) return false;
  // Writing the bytes back unchanged tests the page's protection.
  std::vector<char> copy(static_cast<const char*>(Address), static_cast<const char*>(Address) + Size);
  iovec local{copy.data(), Size};
  iovec remote{Address, Size};
  return process_vm_writev(getpid(), &local, 1, &remote, 1, 0) == static_cast<ssize_t>(Size);
}

// ---- dispatcher ----------------------------------------------------------------------------------

TZEPHCoreMessageDispatcher::TZEPHCoreMessageDispatcher()
    : FHooksLock(this, u"Dispatcher.Hooks"), FSendLock(this, u"Dispatcher.Send") {}

TZEPHCoreMessageDispatcher::~TZEPHCoreMessageDispatcher() = default;

HRESULT TZEPHCoreMessageDispatcher::StartingResult(Cardinal Message) {
  return Message >= ZEPH_MSG_FIRST_EVENT && Message < ZEPH_MSG_FIRST_REGISTERED ? S_OK : E_NOTIMPL;
}

HRESULT TZEPHCoreMessageDispatcher::Deliver(Cardinal Message, Integer Param1, void* Param2) {
  TZCLLockGuard guard(FHooksLock);
  HRESULT result = StartingResult(Message);
  const bool isEvent = Message >= ZEPH_MSG_FIRST_EVENT && Message < ZEPH_MSG_FIRST_REGISTERED;
  // A hook may install or remove hooks while it runs: walk a snapshot and skip those gone.
  const std::vector<IPtr<IZEPHMessageHook>> hooks = FHooks;
  for (auto it = hooks.rbegin(); it != hooks.rend(); ++it) {
    if (!isEvent && result != E_NOTIMPL) break;
    auto pos = std::find(FHooks.begin(), FHooks.end(), *it);
    if (pos == FHooks.end()) continue;
    try {
      (*it)->CoreMessage(Message, Param1, Param2, result);
    } catch (...) {
      // A failing hook is dropped for good; delivery goes on with the older ones.
      pos = std::find(FHooks.begin(), FHooks.end(), *it);
      if (pos != FHooks.end()) FHooks.erase(pos);
    }
  }
  return result;
}

HRESULT TZEPHCoreMessageDispatcher::Send(Cardinal Message, Integer Param1, void* Param2) {
  if (IsMainThread()) return Deliver(Message, Param1, Param2);
  TZCLLockGuard guard(FSendLock);
  HRESULT result = E_UNEXPECTED;
  TZCLMainThread::RunProc([&] { result = Deliver(Message, Param1, Param2); }, true);
  return result;
}

Cardinal TZEPHCoreMessageDispatcher::RegisterMessage(const String& Name) {
  for (size_t i = 0; i < FNames.size(); ++i)
    if (SameText(FNames[i], Name)) return ZEPH_MSG_FIRST_REGISTERED + static_cast<Cardinal>(i);
  FNames.push_back(Name);
  return ZEPH_MSG_FIRST_REGISTERED + static_cast<Cardinal>(FNames.size() - 1);
}

HRESULT TZEPHCoreMessageDispatcher::Hook(IZEPHMessageHook* AHook) {
  try {
    TZCLLockGuard guard(FHooksLock);
    FHooks.emplace_back(AHook);
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHCoreMessageDispatcher::Unhook(IZEPHMessageHook* AHook) {
  try {
    IPtr<IZEPHMessageHook> removed;
    {
      TZCLLockGuard guard(FHooksLock);
      auto pos = std::find(FHooks.begin(), FHooks.end(), AHook);
      if (pos == FHooks.end()) return E_INVALIDARG;
      removed = std::move(*pos);
      FHooks.erase(pos);
    }
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

Integer TZEPHCoreMessageDispatcher::GetHookCount() {
  TZCLLockGuard guard(FHooksLock);
  return static_cast<Integer>(FHooks.size());
}

// ---- message functions ---------------------------------------------------------------------------

HRESULT CoreSendMessage(Cardinal Message, Integer Param1, void* Param2) {
  return TZEPHCore::Instance()->GetDispatcher()->Send(Message, Param1, Param2);
}

bool CoreIsCommandEnabled(Integer Command) { return CoreSendMessage(ZEPH_CMD_IS_ENABLED, Command, nullptr) == S_OK; }

bool CoreShowNotification(const String& Text, bool AutoHide) {
  String text = Text;
  return CoreSendMessage(ZEPH_CMD_SHOW_NOTIFICATION, AutoHide ? 0 : 1, text.data()) == S_OK;
}

Integer CorePropertyGetInt(Cardinal Property, Integer Default) {
  Integer value = Default;
  return CoreSendMessage(Property, 0, &value) == S_OK ? value : Default;
}

bool CorePropertyTryGetFloat(Cardinal Property, Single& Value) {
  Single value = 0;
  if (CoreSendMessage(Property, 0, &value) != S_OK) return false;
  Value = value;
  return true;
}

Single CorePropertyGetFloat(Cardinal Property, Single Default) {
  Single value = Default;
  return CorePropertyTryGetFloat(Property, value) ? value : Default;
}

bool CorePropertySetInt(Cardinal Property, Integer Value) { return CoreSendMessage(Property, 1, &Value) == S_OK; }

bool CorePropertySetFloat(Cardinal Property, Single Value) { return CoreSendMessage(Property, 1, &Value) == S_OK; }

bool CorePropertyToggle(Cardinal Property) {
  return CorePropertySetInt(Property, CorePropertyGetInt(Property, 0) == 0 ? -1 : 0);
}

HRESULT CoreNotifyPropertyChangedInt(Cardinal Property, Integer Value) {
  return CoreSendMessage(ZEPH_EVENT_PROPERTY_CHANGED, static_cast<Integer>(Property), &Value);
}

HRESULT CoreNotifyPropertyChangedFloat(Cardinal Property, Single Value) {
  return CoreSendMessage(ZEPH_EVENT_PROPERTY_CHANGED, static_cast<Integer>(Property), &Value);
}

Single CoreEqualizerGetBand(Integer Band) {
  Single value = 0;
  return CoreSendMessage(ZEPH_PROP_EQ_BAND, static_cast<Integer>(static_cast<Cardinal>(Band) << 16), &value) == S_OK
             ? value
             : 0;
}

bool CoreEqualizerSetBand(Integer Band, Single Value) {
  return CoreSendMessage(ZEPH_PROP_EQ_BAND, static_cast<Integer>((static_cast<Cardinal>(Band) << 16) + 1), &Value) ==
         S_OK;
}

// ---- guarded parameters --------------------------------------------------------------------------

namespace {
template <class T>
bool TryReadParam(const void* Param, T& Value, HRESULT& Result) {
  if (!Param) {
    Result = E_INVALIDARG;
    return false;
  }
  if (!zcIsMemoryReadable(Param, sizeof(T))) {
    Result = E_POINTER;
    return false;
  }
  std::memcpy(&Value, Param, sizeof(T));
  Result = S_OK;
  return true;
}

template <class T>
HRESULT WriteParam(void* Param, T Value) {
  if (!Param) return E_INVALIDARG;
  if (!zcIsMemoryWritable(Param, sizeof(T))) return E_POINTER;
  std::memcpy(Param, &Value, sizeof(T));
  return S_OK;
}
}  // namespace

bool TryReadIntParam(const void* Param, Integer& Value, HRESULT& Result) { return TryReadParam(Param, Value, Result); }
bool TryReadFloatParam(const void* Param, Single& Value, HRESULT& Result) { return TryReadParam(Param, Value, Result); }

Integer ReadIntParam(const void* Param, HRESULT& Result, Integer Default) {
  Integer value = 0;
  return TryReadIntParam(Param, value, Result) ? value : Default;
}

Single ReadFloatParam(const void* Param, HRESULT& Result, Single Default) {
  Single value = 0;
  return TryReadFloatParam(Param, value, Result) ? value : Default;
}

HRESULT WriteIntParam(void* Param, Integer Value) { return WriteParam(Param, Value); }
HRESULT WriteFloatParam(void* Param, Single Value) { return WriteParam(Param, Value); }
