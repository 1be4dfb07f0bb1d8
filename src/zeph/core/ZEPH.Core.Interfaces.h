#pragma once
// The plugin programming interface: the interfaces that plugins and the player-side subsystems
// exchange. Each operation is a binary contract: the order of the operations of an interface is
// fixed (after those of the interface it derives from), every operation returns a 32-bit result
// code unless it returns a count or a pointer, booleans are 32-bit (any nonzero value is true)
// and text is UTF-16. No operation lets an exception out.

#include "rtl/RTL.Interfaces.h"
#include "rtl/RTL.Variant.h"

// A 32-bit boolean of the plugin interface: 0 false, any other value true (-1 when written).
using LongBool = Integer;
constexpr LongBool LongTrue = -1;
constexpr LongBool LongFalse = 0;

struct IZEPHString;
struct IZEPHStream;

// ---- program-side markers ----------------------------------------------------------------------

// The program object behind an interface: the linked object of an adapter, or the adapter itself.
struct IObject : virtual IInterface {
  RTL_INTERFACE(IObject, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0001}")
  virtual TObject* GetObject() = 0;
};

// Marks the adapter of a program object, so the adapters map finds it from the object.
struct IZEPHCoreClassAdapter : virtual IInterface {
  RTL_INTERFACE(IZEPHCoreClassAdapter, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0002}")
};

// The program's own plugin strings hand their text over without a copy. Never given to plugins.
struct IZEPHStringInternal : virtual IInterface {
  RTL_INTERFACE(IZEPHStringInternal, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0003}")
  virtual const String& GetString() = 0;
  virtual void SetString(const String& Value) = 0;
};

// ---- core ----------------------------------------------------------------------------------------

struct IZEPHCore : virtual IInterface {
  RTL_INTERFACE(IZEPHCore, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0010}")
  virtual HRESULT CreateObject(const TGUID& IID, void** Obj) = 0;
  virtual HRESULT GetPath(Integer Kind, IPtr<IZEPHString>& S) = 0;
  virtual HRESULT RegisterExtension(const TGUID& ServiceIID, IInterface* Extension) = 0;
  virtual HRESULT RegisterService(IInterface* Service) = 0;
  virtual HRESULT UnregisterExtension(IInterface* Extension) = 0;
};

struct IZEPHMessageHook : virtual IInterface {
  RTL_INTERFACE(IZEPHMessageHook, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0011}")
  virtual void CoreMessage(Cardinal Message, Integer Param1, void* Param2, HRESULT& Result) = 0;
};

struct IZEPHServiceMessageDispatcher : virtual IInterface {
  RTL_INTERFACE(IZEPHServiceMessageDispatcher, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0012}")
  virtual HRESULT Send(Cardinal Message, Integer Param1, void* Param2) = 0;
  virtual Cardinal RegisterMessage(const String& Name) = 0;
  virtual HRESULT Hook(IZEPHMessageHook* Hook) = 0;
  virtual HRESULT Unhook(IZEPHMessageHook* Hook) = 0;
};

// A service that accepts extensions.
struct IZEPHServiceAttrExtendable : virtual IInterface {
  RTL_INTERFACE(IZEPHServiceAttrExtendable, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0013}")
  virtual void RegisterExtension(IInterface* Extension) = 0;
  virtual void UnregisterExtension(IInterface* Extension) = 0;
};

// A service that creates objects by interface identifier.
struct IZEPHServiceAttrObjects : virtual IInterface {
  RTL_INTERFACE(IZEPHServiceAttrObjects, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0014}")
  virtual HRESULT CreateObject(const TGUID& IID, void** Obj) = 0;
};

// Codes of IZEPHCoreSystemNotification.
constexpr Integer CORE_NOTIFY_SERVICE_REGISTERED = 1;
constexpr Integer CORE_NOTIFY_SERVICE_UNREGISTERED = 2;
constexpr Integer CORE_NOTIFY_EXTENSION_REMOVED = 3;

struct IZEPHCoreSystemNotification : virtual IInterface {
  RTL_INTERFACE(IZEPHCoreSystemNotification, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0015}")
  virtual void Notify(Integer Code, IInterface* Object) = 0;
};

// ---- plain data objects --------------------------------------------------------------------------

struct IZEPHHashCode : virtual IInterface {
  RTL_INTERFACE(IZEPHHashCode, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0020}")
  virtual Integer GetHashCode() = 0;
  virtual void Recalculate() = 0;
};

struct IZEPHString : virtual IInterface {
  RTL_INTERFACE(IZEPHString, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0021}")
  virtual HRESULT GetChar(Integer Index, Char& C) = 0;
  virtual const Char* GetData() = 0;
  virtual Integer GetLength() = 0;
  virtual Integer GetHashCode() = 0;
  virtual HRESULT SetChar(Integer Index, Char C) = 0;
  virtual HRESULT SetData(const Char* Chars, Integer Count) = 0;
  virtual HRESULT Append(IZEPHString* S) = 0;
  virtual HRESULT AppendChars(const Char* Chars, Integer Count) = 0;
  virtual HRESULT ChangeCase(Integer Mode) = 0;
  virtual HRESULT Clone(IPtr<IZEPHString>& S) = 0;
  virtual HRESULT Compare(IZEPHString* S, Integer& Result, LongBool IgnoreCase) = 0;
  virtual HRESULT CompareChars(const Char* Chars, Integer Count, Integer& Result, LongBool IgnoreCase) = 0;
  virtual HRESULT Delete(Integer Index, Integer Count) = 0;
  virtual HRESULT Find(IZEPHString* S, Integer& Index, Integer Flags, Integer StartFromIndex) = 0;
  virtual HRESULT FindChars(const Char* Chars, Integer Count, Integer& Index, Integer Flags,
                            Integer StartFromIndex) = 0;
  virtual HRESULT Insert(Integer Index, IZEPHString* S) = 0;
  virtual HRESULT InsertChars(Integer Index, const Char* Chars, Integer Count) = 0;
  virtual HRESULT Replace(IZEPHString* OldPattern, IZEPHString* NewPattern, Integer Flags) = 0;
  virtual HRESULT ReplaceChars(const Char* OldChars, Integer OldCount, const Char* NewChars, Integer NewCount,
                               Integer Flags) = 0;
  virtual HRESULT SubString(Integer Index, Integer Count, IPtr<IZEPHString>& S) = 0;
};

struct IZEPHStream : virtual IInterface {
  RTL_INTERFACE(IZEPHStream, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0022}")
  virtual Int64 GetSize() = 0;
  virtual HRESULT SetSize(Int64 Value) = 0;
  virtual Int64 GetPosition() = 0;
  // Mode 0 from the beginning, 1 from the current position, 2 from the end.
  virtual HRESULT Seek(Int64 Offset, Integer Mode) = 0;
  // The number of bytes read, -1 on failure.
  virtual Integer Read(void* Buffer, Integer Count) = 0;
  virtual HRESULT Write(const void* Buffer, Integer Count, Integer* Written) = 0;
};

struct IZEPHMemoryStream : virtual IZEPHStream {
  RTL_INTERFACE(IZEPHMemoryStream, IZEPHStream, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0023}")
  virtual void* GetData() = 0;
};

struct IZEPHFileStream : virtual IZEPHStream {
  RTL_INTERFACE(IZEPHFileStream, IZEPHStream, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0024}")
  virtual HRESULT GetClipping(Int64& Offset, Int64& Size) = 0;
  virtual HRESULT GetFileName(IPtr<IZEPHString>& S) = 0;
};

struct IZEPHPropertyList : virtual IInterface {
  RTL_INTERFACE(IZEPHPropertyList, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0025}")
  virtual void BeginUpdate() = 0;
  virtual void EndUpdate() = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT GetValueAsFloat(Integer PropertyID, Double& Value) = 0;
  virtual HRESULT GetValueAsInt32(Integer PropertyID, Integer& Value) = 0;
  virtual HRESULT GetValueAsInt64(Integer PropertyID, Int64& Value) = 0;
  virtual HRESULT GetValueAsObject(Integer PropertyID, const TGUID& IID, void** Value) = 0;
  virtual HRESULT SetValueAsFloat(Integer PropertyID, Double Value) = 0;
  virtual HRESULT SetValueAsInt32(Integer PropertyID, Integer Value) = 0;
  virtual HRESULT SetValueAsInt64(Integer PropertyID, Int64 Value) = 0;
  virtual HRESULT SetValueAsObject(Integer PropertyID, IInterface* Value) = 0;
};

struct IZEPHPropertyList2 : virtual IZEPHPropertyList {
  RTL_INTERFACE(IZEPHPropertyList2, IZEPHPropertyList, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0026}")
  virtual HRESULT GetValueAsVariant(Integer PropertyID, Variant& Value) = 0;
  virtual HRESULT SetValueAsVariant(Integer PropertyID, const Variant& Value) = 0;
};

struct IZEPHObjectList : virtual IInterface {
  RTL_INTERFACE(IZEPHObjectList, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0027}")
  virtual HRESULT Add(IInterface* Obj) = 0;
  virtual HRESULT Clear() = 0;
  virtual HRESULT Delete(Integer Index) = 0;
  virtual HRESULT Insert(Integer Index, IInterface* Obj) = 0;
  virtual Integer GetCount() = 0;
  virtual HRESULT GetObject(Integer Index, const TGUID& IID, void** Obj) = 0;
  virtual HRESULT SetObject(Integer Index, IInterface* Obj) = 0;
};

struct IZEPHConfig : virtual IInterface {
  RTL_INTERFACE(IZEPHConfig, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0028}")
  virtual HRESULT Delete(IZEPHString* KeyPath) = 0;
  virtual HRESULT GetValueAsFloat(IZEPHString* KeyPath, Double& Value) = 0;
  virtual HRESULT GetValueAsInt32(IZEPHString* KeyPath, Integer& Value) = 0;
  virtual HRESULT GetValueAsInt64(IZEPHString* KeyPath, Int64& Value) = 0;
  virtual HRESULT GetValueAsStream(IZEPHString* KeyPath, IPtr<IZEPHStream>& Value) = 0;
  virtual HRESULT GetValueAsString(IZEPHString* KeyPath, IPtr<IZEPHString>& Value) = 0;
  virtual HRESULT SetValueAsFloat(IZEPHString* KeyPath, Double Value) = 0;
  virtual HRESULT SetValueAsInt32(IZEPHString* KeyPath, Integer Value) = 0;
  virtual HRESULT SetValueAsInt64(IZEPHString* KeyPath, Int64 Value) = 0;
  virtual HRESULT SetValueAsStream(IZEPHString* KeyPath, IZEPHStream* Value) = 0;
  virtual HRESULT SetValueAsString(IZEPHString* KeyPath, IZEPHString* Value) = 0;
};

struct IZEPHErrorInfo : virtual IInterface {
  RTL_INTERFACE(IZEPHErrorInfo, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0029}")
  virtual HRESULT GetInfo(Integer& Code, IPtr<IZEPHString>& Message, IPtr<IZEPHString>& Details) = 0;
  virtual HRESULT GetInfoFormatted(IPtr<IZEPHString>& Text) = 0;
  virtual void SetInfo(Integer Code, IZEPHString* Message, IZEPHString* Details) = 0;
};

struct IZEPHDPIAware : virtual IInterface {
  RTL_INTERFACE(IZEPHDPIAware, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D002A}")
  virtual Integer GetDPI() = 0;
  virtual HRESULT SetDPI(Integer Value) = 0;
};

// ---- services ------------------------------------------------------------------------------------

struct IZEPHServiceConfig : virtual IZEPHConfig {
  RTL_INTERFACE(IZEPHServiceConfig, IZEPHConfig, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0030}")
  virtual HRESULT FlushCache() = 0;
};

// The connection settings: a property list with no operations of its own.
struct IZEPHServiceConnectionSettings : virtual IZEPHPropertyList {
  RTL_INTERFACE(IZEPHServiceConnectionSettings, IZEPHPropertyList, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0031}")
};

struct IZEPHServiceMUI : virtual IInterface {
  RTL_INTERFACE(IZEPHServiceMUI, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0032}")
  virtual HRESULT GetName(IPtr<IZEPHString>& Value) = 0;
  virtual HRESULT GetValue(IZEPHString* KeyPath, IPtr<IZEPHString>& Value) = 0;
  virtual HRESULT GetValuePart(IZEPHString* KeyPath, Integer Part, IPtr<IZEPHString>& Value) = 0;
};

struct IZEPHServiceShutdown : virtual IInterface {
  RTL_INTERFACE(IZEPHServiceShutdown, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0033}")
  virtual HRESULT Restart(IZEPHString* Params) = 0;
  virtual HRESULT Shutdown(Integer Flags) = 0;
};

struct IZEPHServiceVersionInfo : virtual IInterface {
  RTL_INTERFACE(IZEPHServiceVersionInfo, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0034}")
  virtual HRESULT FormatInfo(IPtr<IZEPHString>& S) = 0;
  virtual Integer GetBuildDate() = 0;
  virtual Integer GetBuildState() = 0;
  virtual Integer GetBuildNumber() = 0;
  virtual Integer GetVersionID() = 0;
};

// ---- tasks and the threads service ---------------------------------------------------------------

// A task's handle of the thread pool; 0 is none.
using TZEPHTaskHandle = UInt64;

struct IZEPHTaskOwner : virtual IInterface {
  RTL_INTERFACE(IZEPHTaskOwner, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0040}")
  virtual LongBool IsCanceled() = 0;
};

struct IZEPHTask : virtual IInterface {
  RTL_INTERFACE(IZEPHTask, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0041}")
  virtual void Execute(IZEPHTaskOwner* Owner) = 0;
};

// 1 low, 2 high, anything else normal.
struct IZEPHTaskPriority : virtual IInterface {
  RTL_INTERFACE(IZEPHTaskPriority, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0042}")
  virtual Integer GetPriority() = 0;
};

struct IZEPHDeprecatedTaskOwner : virtual IInterface {
  RTL_INTERFACE(IZEPHDeprecatedTaskOwner, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0043}")
  virtual LongBool IsCanceled() = 0;
};

struct IZEPHDeprecatedTask : virtual IInterface {
  RTL_INTERFACE(IZEPHDeprecatedTask, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0044}")
  virtual void Execute(IZEPHDeprecatedTaskOwner* Owner) = 0;
};

// Flags bit 1 of ExecuteInMainThread and Cancel: wait.
constexpr Integer ZEPH_THREADS_WAIT = 1;

struct IZEPHServiceThreads : virtual IInterface {
  RTL_INTERFACE(IZEPHServiceThreads, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0045}")
  virtual HRESULT ExecuteInMainThread(IZEPHTask* Task, Integer Flags) = 0;
  virtual HRESULT ExecuteInThread(IZEPHTask* Task, TZEPHTaskHandle& TaskHandle) = 0;
  virtual HRESULT Cancel(TZEPHTaskHandle TaskHandle, Integer Flags) = 0;
  virtual HRESULT WaitFor(TZEPHTaskHandle TaskHandle) = 0;
};

struct IZEPHDeprecatedServiceThreadPool : virtual IInterface {
  RTL_INTERFACE(IZEPHDeprecatedServiceThreadPool, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0046}")
  virtual HRESULT Cancel(TZEPHTaskHandle TaskHandle, Integer Flags) = 0;
  virtual HRESULT Execute(IZEPHDeprecatedTask* Task, TZEPHTaskHandle& TaskHandle) = 0;
  virtual HRESULT WaitFor(TZEPHTaskHandle TaskHandle) = 0;
};

struct IZEPHDeprecatedServiceSynchronizer : virtual IInterface {
  RTL_INTERFACE(IZEPHDeprecatedServiceSynchronizer, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0047}")
  virtual HRESULT ExecuteInMainThread(IZEPHDeprecatedTask* Task, LongBool ExecuteNow) = 0;
};

// ---- HTTP client service -------------------------------------------------------------------------

// Flags of a request.
constexpr Integer ZEPH_HTTP_SYNC = 1;
constexpr Integer ZEPH_HTTP_URL_UTF8 = 2;
constexpr Integer ZEPH_HTTP_PRIORITY_LOW = 4;
constexpr Integer ZEPH_HTTP_PRIORITY_HIGH = 8;

struct IZEPHHTTPClientEvents : virtual IInterface {
  RTL_INTERFACE(IZEPHHTTPClientEvents, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0050}")
  virtual void OnAccept(IZEPHString* ContentType, Int64 ContentSize, LongBool& Allow) = 0;
  virtual void OnComplete(IZEPHErrorInfo* ErrorInfo, LongBool Canceled) = 0;
  virtual void OnProgress(Int64 Downloaded, Int64 Total) = 0;
};

struct IZEPHHTTPClientEvents2 : virtual IInterface {
  RTL_INTERFACE(IZEPHHTTPClientEvents2, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0051}")
  virtual void OnAcceptHeaders(IZEPHString* Headers, LongBool& Allow) = 0;
};

struct IZEPHServiceHTTPClient : virtual IInterface {
  RTL_INTERFACE(IZEPHServiceHTTPClient, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0052}")
  virtual HRESULT Get(IZEPHString* URL, Integer Flags, IZEPHStream* AnswerData, IZEPHHTTPClientEvents* EventsHandler,
                      IZEPHConfig* Params, TZEPHTaskHandle& TaskID) = 0;
  virtual HRESULT Post(IZEPHString* URL, Integer Flags, IZEPHStream* AnswerData, IZEPHStream* PostData,
                       IZEPHHTTPClientEvents* EventsHandler, IZEPHConfig* Params, TZEPHTaskHandle& TaskID) = 0;
  virtual HRESULT Cancel(TZEPHTaskHandle TaskID, Integer Flags) = 0;
};

struct IZEPHServiceHTTPClient2 : virtual IInterface {
  RTL_INTERFACE(IZEPHServiceHTTPClient2, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0053}")
  virtual HRESULT Request(IZEPHString* URL, Integer Method, Integer Flags, IZEPHStream* AnswerData,
                          IZEPHStream* PostData, IZEPHHTTPClientEvents* EventsHandler, IZEPHConfig* Params,
                          TZEPHTaskHandle& TaskID) = 0;
  virtual HRESULT Cancel(TZEPHTaskHandle TaskID, Integer Flags) = 0;
};

struct IZEPHServiceHTTPClient3 : virtual IInterface {
  RTL_INTERFACE(IZEPHServiceHTTPClient3, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0054}")
  virtual HRESULT Request(IZEPHString* URL, IZEPHString* Method, Integer Flags, IZEPHStream* AnswerData,
                          IZEPHStream* PostData, IZEPHHTTPClientEvents* EventsHandler, IZEPHConfig* Params,
                          TZEPHTaskHandle& TaskID) = 0;
  virtual HRESULT Cancel(TZEPHTaskHandle TaskID, Integer Flags) = 0;
};
