#pragma once
// Player messages: numbered commands, property reads and writes and events, delivered by the
// message dispatcher to the installed hooks on the UI thread; the message functions that wrap the
// common shapes; and the guarded readers and writers of a message's pointer parameter.

#include <vector>

#include "zcl/base/ZCL.Threading.h"
#include "zeph/core/ZEPH.Core.Interfaces.h"

// Message classes by number.
constexpr Cardinal ZEPH_MSG_FIRST_PROPERTY = 0x1000;
constexpr Cardinal ZEPH_MSG_LAST_PROPERTY = 0x2000;
constexpr Cardinal ZEPH_MSG_FIRST_EVENT = 0x2001;
constexpr Cardinal ZEPH_MSG_FIRST_REGISTERED = 0x10000;

// Commands.
constexpr Cardinal ZEPH_CMD_IS_ENABLED = 1;
constexpr Cardinal ZEPH_CMD_SHOW_NOTIFICATION = 3;
constexpr Cardinal ZEPH_CMD_TOGGLE_4121 = 10;
constexpr Cardinal ZEPH_CMD_VIS_NEXT = 12;
constexpr Cardinal ZEPH_CMD_VIS_PREV = 13;
constexpr Cardinal ZEPH_CMD_VIS_START = 57;
constexpr Cardinal ZEPH_CMD_VIS_STOP = 58;
// Properties.
constexpr Cardinal ZEPH_PROP_VOLUME = 4097;
constexpr Cardinal ZEPH_PROP_MUTE = 4098;
constexpr Cardinal ZEPH_PROP_BALANCE = 4099;
constexpr Cardinal ZEPH_PROP_PITCH = 4105;
constexpr Cardinal ZEPH_PROP_SPEED = 4106;
constexpr Cardinal ZEPH_PROP_TEMPO = 4107;
constexpr Cardinal ZEPH_PROP_EQ_PREAMP = 4109;
constexpr Cardinal ZEPH_PROP_EQ_ENABLED = 4110;
constexpr Cardinal ZEPH_PROP_EQ_BAND = 4111;
constexpr Cardinal ZEPH_PROP_STATE = 4112;
constexpr Cardinal ZEPH_PROP_POSITION = 4113;
constexpr Cardinal ZEPH_PROP_DURATION = 4114;
constexpr Cardinal ZEPH_PROP_REMAINING_TIME = 4120;
constexpr Cardinal ZEPH_PROP_4121 = 4121;
constexpr Cardinal ZEPH_PROP_4126 = 4126;
constexpr Cardinal ZEPH_PROP_VIS_FULLSCREEN = 4127;
constexpr Cardinal ZEPH_PROP_BUFFERING = 4128;
constexpr Cardinal ZEPH_PROP_EQ_AUTO_PRESETS = 4132;
constexpr Cardinal ZEPH_PROP_SELECTION = 4133;
// Events.
constexpr Cardinal ZEPH_EVENT_COMMAND_STATE_CHANGED = 8193;
constexpr Cardinal ZEPH_EVENT_SETTINGS_APPLIED = 8194;
constexpr Cardinal ZEPH_EVENT_TRACK_STARTED = 8195;
constexpr Cardinal ZEPH_EVENT_TRACK_FINISHED = 8197;
constexpr Cardinal ZEPH_EVENT_STATE_CHANGED = 8198;
constexpr Cardinal ZEPH_EVENT_PROPERTY_CHANGED = 8199;
constexpr Cardinal ZEPH_EVENT_OPTION_FRAMES_CHANGED = 8200;
constexpr Cardinal ZEPH_EVENT_OPTION_FRAME_MODIFIED = 8201;
constexpr Cardinal ZEPH_EVENT_FILE_MARK_CHANGED = 8204;
constexpr Cardinal ZEPH_EVENT_FILE_MARK_CLEARED = 8206;
constexpr Cardinal ZEPH_EVENT_SKIN_LOADED = 8207;
constexpr Cardinal ZEPH_EVENT_LANGUAGE_CHANGED = 8209;
constexpr Cardinal ZEPH_EVENT_NOTIFICATIONS_READY = 8210;
constexpr Cardinal ZEPH_EVENT_RESET = 8211;
constexpr Cardinal ZEPH_EVENT_POSITION_CHANGED = 8213;
constexpr Cardinal ZEPH_EVENT_EQ_PRESET_CHANGED = 8214;

// Delivers messages to the installed hooks, newest first. From another thread a message is
// carried to the UI thread and the sender waits for its result.
class TZEPHCoreMessageDispatcher : public TInterfacedObject, public IZEPHServiceMessageDispatcher {
  ZCL_CLASS(TZEPHCoreMessageDispatcher, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHServiceMessageDispatcher)
 public:
  TZEPHCoreMessageDispatcher();
  ~TZEPHCoreMessageDispatcher() override;

  HRESULT Send(Cardinal Message, Integer Param1, void* Param2) override;
  Cardinal RegisterMessage(const String& Name) override;
  HRESULT Hook(IZEPHMessageHook* AHook) override;
  HRESULT Unhook(IZEPHMessageHook* AHook) override;

  Integer GetHookCount();
  // The result a message starts with: S_OK for events, E_NOTIMPL for the others.
  static HRESULT StartingResult(Cardinal Message);

 private:
  HRESULT Deliver(Cardinal Message, Integer Param1, void* Param2);
  TZCLCriticalSection FHooksLock;
  std::vector<IPtr<IZEPHMessageHook>> FHooks;
  std::vector<String> FNames;
  TZCLCriticalSection FSendLock;
};

HRESULT CoreSendMessage(Cardinal Message, Integer Param1, void* Param2);
bool CoreIsCommandEnabled(Integer Command);
bool CoreShowNotification(const String& Text, bool AutoHide);
Integer CorePropertyGetInt(Cardinal Property, Integer Default);
bool CorePropertyTryGetFloat(Cardinal Property, Single& Value);
Single CorePropertyGetFloat(Cardinal Property, Single Default);
bool CorePropertySetInt(Cardinal Property, Integer Value);
bool CorePropertySetFloat(Cardinal Property, Single Value);
bool CorePropertyToggle(Cardinal Property);
HRESULT CoreNotifyPropertyChangedInt(Cardinal Property, Integer Value);
HRESULT CoreNotifyPropertyChangedFloat(Cardinal Property, Single Value);
Single CoreEqualizerGetBand(Integer Band);
bool CoreEqualizerSetBand(Integer Band, Single Value);
constexpr bool IsPropertyMessage(Cardinal Message) {
  return Message >= ZEPH_MSG_FIRST_PROPERTY && Message <= ZEPH_MSG_LAST_PROPERTY;
}

// Guarded access to the value behind a message's pointer: a missing pointer gives E_INVALIDARG,
// one whose 4 bytes cannot be read (or written) E_POINTER; nothing ever faults.
bool TryReadIntParam(const void* Param, Integer& Value, HRESULT& Result);
bool TryReadFloatParam(const void* Param, Single& Value, HRESULT& Result);
Integer ReadIntParam(const void* Param, HRESULT& Result, Integer Default);
Single ReadFloatParam(const void* Param, HRESULT& Result, Single Default);
HRESULT WriteIntParam(void* Param, Integer Value);
HRESULT WriteFloatParam(void* Param, Single Value);

// Whether Size bytes at Address can be read (written) by this process, tested without faulting.
bool zcIsMemoryReadable(const void* Address, size_t Size);
bool zcIsMemoryWritable(void* Address, size_t Size);
