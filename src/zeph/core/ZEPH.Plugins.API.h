#pragma once
// What a plugin library sees of the host. Self-contained on purpose: a plugin includes this
// header alone and links nothing of the program.
//
// A plugin library exports, with C linkage, ZEPH_PLUGIN_EXPORT_NAME of the type
// TZEPHPluginGetHeaderProc. A negative answer is a failure.
//
// Every interface here is a binary contract with the host: the operations keep their order, and
// the identifiers are the host's. Texts are zero-terminated UTF-16 unless a count is given.

#include <cstdint>

struct ZEPHPluginGUID {
  uint32_t D1;
  uint16_t D2;
  uint16_t D3;
  uint8_t D4[8];
};

inline bool ZEPHPluginSameGUID(const ZEPHPluginGUID& A, const ZEPHPluginGUID& B) {
  if (A.D1 != B.D1 || A.D2 != B.D2 || A.D3 != B.D3) return false;
  for (int i = 0; i < 8; ++i)
    if (A.D4[i] != B.D4[i]) return false;
  return true;
}

// Result codes.
constexpr int32_t ZEPH_S_OK = 0;
constexpr int32_t ZEPH_E_NOTIMPL = static_cast<int32_t>(0x80004001);
constexpr int32_t ZEPH_E_NOINTERFACE = static_cast<int32_t>(0x80004002);
constexpr int32_t ZEPH_E_FAIL = static_cast<int32_t>(0x80004005);
constexpr int32_t ZEPH_E_ACCESSDENIED = static_cast<int32_t>(0x80070005);
constexpr int32_t ZEPH_E_HANDLE = static_cast<int32_t>(0x80070006);

// QueryInterface: on success *Obj is the interface IID names with one reference for the caller;
// otherwise E_NOINTERFACE and *Obj null. A null Obj only asks: no reference is taken.
struct IZEPHPluginUnknown {
  virtual int32_t QueryInterface(const ZEPHPluginGUID& IID, void** Obj) = 0;
  virtual int32_t AddRef() = 0;
  virtual int32_t Release() = 0;

 protected:
  ~IZEPHPluginUnknown() = default;
};

// Identity of any object: every object answers it with the same pointer.
constexpr ZEPHPluginGUID ZEPH_IID_UNKNOWN = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// ---- what the core offers --------------------------------------------------------------------

// The host's text object; a count is in UTF-16 code units.
struct IZEPHPluginString : IZEPHPluginUnknown {
  virtual int32_t GetChar(int32_t Index, char16_t& C) = 0;
  virtual const char16_t* GetData() = 0;
  virtual int32_t GetLength() = 0;
  virtual int32_t GetHashCode() = 0;
  virtual int32_t SetChar(int32_t Index, char16_t C) = 0;
  virtual int32_t SetData(const char16_t* Chars, int32_t Count) = 0;
  virtual int32_t Append(IZEPHPluginString* S) = 0;
  virtual int32_t AppendChars(const char16_t* Chars, int32_t Count) = 0;
  virtual int32_t ChangeCase(int32_t Mode) = 0;
  virtual int32_t Clone(IZEPHPluginString*& S) = 0;
  virtual int32_t Compare(IZEPHPluginString* S, int32_t& Result, int32_t IgnoreCase) = 0;
  virtual int32_t CompareChars(const char16_t* Chars, int32_t Count, int32_t& Result, int32_t IgnoreCase) = 0;
  virtual int32_t Delete(int32_t Index, int32_t Count) = 0;
  virtual int32_t Find(IZEPHPluginString* S, int32_t& Index, int32_t Flags, int32_t StartFromIndex) = 0;
  virtual int32_t FindChars(const char16_t* Chars, int32_t Count, int32_t& Index, int32_t Flags,
                            int32_t StartFromIndex) = 0;
  virtual int32_t Insert(int32_t Index, IZEPHPluginString* S) = 0;
  virtual int32_t InsertChars(int32_t Index, const char16_t* Chars, int32_t Count) = 0;
  virtual int32_t Replace(IZEPHPluginString* OldPattern, IZEPHPluginString* NewPattern, int32_t Flags) = 0;
  virtual int32_t ReplaceChars(const char16_t* OldChars, int32_t OldCount, const char16_t* NewChars, int32_t NewCount,
                               int32_t Flags) = 0;
  virtual int32_t SubString(int32_t Index, int32_t Count, IZEPHPluginString*& S) = 0;

 protected:
  ~IZEPHPluginString() = default;
};
constexpr ZEPHPluginGUID ZEPH_IID_STRING = {
    0x7E2A1C40, 0x5D11, 0x4B8E, {0x9F, 0x60, 0x1A, 0x2B, 0x3C, 0x4D, 0x00, 0x21}};

// The plugin's own core object, handed to IZEPHPlugin::Initialize; not counted, it lives until
// Finalize has returned. What the plugin registers through it is taken back when the plugin is
// finalized. Registration works on the host's main thread only (E_ACCESSDENIED elsewhere).
// Querying it for an identifier also reaches the services that plugin libraries registered.
struct IZEPHPluginCore : IZEPHPluginUnknown {
  // ZEPH_IID_STRING makes an empty text object; the program's other kinds of object have no form
  // for libraries yet (E_NOINTERFACE).
  virtual int32_t CreateObject(const ZEPHPluginGUID& IID, void** Obj) = 0;
  // Out S takes a reference the caller releases.
  virtual int32_t GetPath(int32_t Kind, IZEPHPluginString*& S) = 0;
  // E_NOINTERFACE when no extendable service answers ServiceIID.
  virtual int32_t RegisterExtension(const ZEPHPluginGUID& ServiceIID, IZEPHPluginUnknown* Extension) = 0;
  virtual int32_t RegisterService(IZEPHPluginUnknown* Service) = 0;
  // E_HANDLE for an extension not registered through this core object.
  virtual int32_t UnregisterExtension(IZEPHPluginUnknown* Extension) = 0;

 protected:
  ~IZEPHPluginCore() = default;
};
constexpr ZEPHPluginGUID ZEPH_IID_CORE = {0x7E2A1C40, 0x5D11, 0x4B8E, {0x9F, 0x60, 0x1A, 0x2B, 0x3C, 0x4D, 0x00, 0x10}};

// ---- what a service may answer ---------------------------------------------------------------

// A service that accepts extensions: the core hands it what plugins register for its identifier.
struct IZEPHPluginServiceAttrExtendable : IZEPHPluginUnknown {
  virtual void RegisterExtension(IZEPHPluginUnknown* Extension) = 0;
  virtual void UnregisterExtension(IZEPHPluginUnknown* Extension) = 0;

 protected:
  ~IZEPHPluginServiceAttrExtendable() = default;
};
constexpr ZEPHPluginGUID ZEPH_IID_SERVICE_ATTR_EXTENDABLE = {
    0x7E2A1C40, 0x5D11, 0x4B8E, {0x9F, 0x60, 0x1A, 0x2B, 0x3C, 0x4D, 0x00, 0x13}};

// Codes of IZEPHPluginCoreSystemNotification and IZEPHPlugin::SystemNotify.
constexpr int32_t ZEPH_NOTIFY_SERVICE_REGISTERED = 1;
constexpr int32_t ZEPH_NOTIFY_SERVICE_UNREGISTERED = 2;
constexpr int32_t ZEPH_NOTIFY_EXTENSION_REMOVED = 3;

// A service that hears of services coming and going and of extensions removed.
struct IZEPHPluginCoreSystemNotification : IZEPHPluginUnknown {
  virtual void Notify(int32_t Code, IZEPHPluginUnknown* Object) = 0;

 protected:
  ~IZEPHPluginCoreSystemNotification() = default;
};
constexpr ZEPHPluginGUID ZEPH_IID_CORE_SYSTEM_NOTIFICATION = {
    0x7E2A1C40, 0x5D11, 0x4B8E, {0x9F, 0x60, 0x1A, 0x2B, 0x3C, 0x4D, 0x00, 0x15}};

// ---- visualizations ---------------------------------------------------------------------------

// The visualizations service; extensions registered for it are the two kinds below.
constexpr ZEPHPluginGUID ZEPH_IID_SERVICE_VISUALIZATIONS = {
    0x3F6B2A10, 0x8D4C, 0x4E7A, {0xB1, 0xF2, 0x0A, 0x9C, 0x8D, 0x7E, 0x6F, 0x51}};

#pragma pack(push, 1)
// One frame, 8,716 bytes, little-endian.
struct ZEPHPluginVisualData {
  float Peaks[2];          // left, right
  float Spectrum[3][256];  // left, right, both; 20 Hz .. 20 kHz
  float Waveform[2][512];  // left, right; full scale 1.0
  int32_t Reserved;        // not 0 when LogarithmicSpectrum holds data
  uint16_t LogarithmicSpectrum[3][256];
};
#pragma pack(pop)
static_assert(sizeof(ZEPHPluginVisualData) == 8716);

// Flags of the visualizations: 1 the waveform is needed, 2 the spectrum.
constexpr uint32_t ZEPH_VISUALIZATION_WAVEFORM = 1;
constexpr uint32_t ZEPH_VISUALIZATION_SPECTRUM = 2;

// Draws into the host's display. Name: a text object the plugin makes with
// IZEPHPluginCore::CreateObject(ZEPH_IID_STRING). DC is the host's device-context handle.
struct IZEPHPluginEmbeddedVisualization : IZEPHPluginUnknown {
  virtual uint32_t GetFlags() = 0;
  virtual int32_t GetMaxDisplaySize(int32_t& Width, int32_t& Height) = 0;
  virtual int32_t GetName(IZEPHPluginString*& Name) = 0;
  virtual int32_t Initialize(int32_t Width, int32_t Height) = 0;
  virtual void Finalize() = 0;
  // X, Y in pixels of the display; Button 0 left, 2 middle.
  virtual void Click(int32_t X, int32_t Y, int32_t Button) = 0;
  virtual void Draw(void* DC, const ZEPHPluginVisualData* Data) = 0;
  virtual void Resize(int32_t Width, int32_t Height) = 0;

 protected:
  ~IZEPHPluginEmbeddedVisualization() = default;
};
constexpr ZEPHPluginGUID ZEPH_IID_EMBEDDED_VISUALIZATION = {
    0x3F6B2A10, 0x8D4C, 0x4E7A, {0xB1, 0xF2, 0x0A, 0x9C, 0x8D, 0x7E, 0x6F, 0x52}};

// Draws on its own, fed with every frame.
struct IZEPHPluginCustomVisualization : IZEPHPluginUnknown {
  virtual uint32_t GetFlags() = 0;
  virtual void Draw(const ZEPHPluginVisualData* Data) = 0;

 protected:
  ~IZEPHPluginCustomVisualization() = default;
};
constexpr ZEPHPluginGUID ZEPH_IID_CUSTOM_VISUALIZATION = {
    0x3F6B2A10, 0x8D4C, 0x4E7A, {0xB1, 0xF2, 0x0A, 0x9C, 0x8D, 0x7E, 0x6F, 0x53}};

// ---- the plugin ------------------------------------------------------------------------------

// Category flags: 1 shl the category number. Flag 4 marks a visualization.
constexpr uint32_t ZEPH_PLUGIN_CATEGORY_VISUALIZATION = 4;

// The plugin's header.
struct IZEPHPlugin : IZEPHPluginUnknown {
  // 0 the name; 1, 2, 3 further texts; null for none. Zero-terminated UTF-16.
  virtual const char16_t* GetInfo(int32_t Index) = 0;
  virtual uint32_t GetCategories() = 0;
  // Core is the plugin's own core object; it lives until Finalize has returned.
  virtual int32_t Initialize(IZEPHPluginCore* Core) = 0;
  virtual void Finalize() = 0;
  virtual void SystemNotify(int32_t Code, IZEPHPluginUnknown* Object) = 0;

 protected:
  ~IZEPHPlugin() = default;
};

#define ZEPH_PLUGIN_EXPORT_NAME "ZEPHPluginGetHeader"
extern "C" typedef int32_t (*TZEPHPluginGetHeaderProc)(IZEPHPlugin** Header);
