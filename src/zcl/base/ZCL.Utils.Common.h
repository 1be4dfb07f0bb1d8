#pragma once
// Facts about the running system, guarded library loading, interface queries that never raise,
// the three-state Boolean, exception-proof operations, window and process queries, and byte-order
// and scaled-multiplication arithmetic.

#include <cstdint>
#include <functional>

#include "os/OS.Types.h"
#include "rtl/RTL.FormatSettings.h"
#include "rtl/RTL.Interfaces.h"
#include "rtl/RTL.Types.h"

class TObject;
struct TRect;

enum class TZCLBoolean : uint8_t { Default, False, True };

struct TZCLBooleanHelper {
  static bool ActualValue(TZCLBoolean Value, bool Default) {
    return Value == TZCLBoolean::Default ? Default : Value == TZCLBoolean::True;
  }
  static TZCLBoolean From(bool Value) { return Value ? TZCLBoolean::True : TZCLBoolean::False; }
};

// "." decimal separator, "," thousands separator: for every number written to or read from files.
const TFormatSettings& InvariantFormatSettings();

// System facts

// The distribution's name, " / ", then the kernel's release.
String GetOSVersionText();
// True when the running kernel's version is at least Major.Minor.Build (a negative Build is
// not tested).
bool IsWindowsVersionOrLater(Integer Major, Integer Minor, Integer Build);
bool IsWine();
// Sets the calling thread's error mode; the previous one.
Cardinal SetErrorModeForThread(Cardinal Mode);
// Loads with critical-error reporting off; 0 when the library cannot be loaded.
HMODULE SafeLoadLibrary(StringView FileName, Cardinal Flags = 0);
// Frees Module when set and clears it, also when freeing raises.
void FreeLibraryAndNil(HMODULE& Module);
// The address; AllFound becomes false for a missing one and stays false.
void* GetProcAddressChecked(HMODULE Module, const char* Name, bool& AllFound);
// The module's full file name; empty when unknown.
String GetModuleFileNameByHandle(HMODULE Module);
// The system's message for the calling thread's last error (errno).
String GetLastErrorText();
// E_FAIL for no error, else 0x80070000 or the error's low 16 bits.
HRESULT LastErrorToHResult();
void TrimWorkingSet();

// Interfaces and memory

// Clears Ptr before freeing the block it held (malloc'ed).
void FreeMemAndNil(void*& Ptr);
// Interface queries: Out is null whenever they fail.
bool SupportsIntf(IInterface* Instance, const TGUID& IID, void** Out);
bool SupportsObject(TObject* Instance, const TGUID& IID, void** Out);
// E_NOINTERFACE for a null interface.
HRESULT SafeQueryInterface(IInterface* Instance, const TGUID& IID, void** Out);
// S_OK, E_NOINTERFACE, or E_HANDLE for a null object.
HRESULT ObjectQueryInterface(TObject* Instance, const TGUID& IID, void** Out);
// A new GUID in braces.
String CreateGUIDString();
// 16 upper-case hexadecimal digits.
String PointerToHexString(const void* Ptr);
void ZeroMemory(void* Ptr, NativeUInt Count);

// Exception-proof operations; no instances.
class Safe {
 public:
  Safe() = delete;
  // Same object: true; A null: false; else A's Equals on B, false when that raises.
  static bool Equals(const TObject* A, const TObject* B);
  static void Call(const std::function<void()>& Method);
  // Releases and clears Intf; a raising release still clears it.
  static void Release(IInterface*& Intf);
  // Clears Intf without releasing its reference.
  static void Forget(IInterface*& Intf) { Intf = nullptr; }
};

// Windows and processes

// At most 64 characters.
String GetWindowClassName(HWND Window);
HWND FindWindowByClass(StringView ClassName);
TRect GetWindowRectOrEmpty(HWND Window);
// The executable of the process that owns Window; false when it cannot be told.
bool GetWindowProcessFileName(HWND Window, String& FileName);

// Integer helpers (MulDiv is the run-time library's)

constexpr uint16_t Swap16(uint16_t Value) { return static_cast<uint16_t>((Value >> 8) | (Value << 8)); }
constexpr uint32_t Swap32(uint32_t Value) {
  return (Value >> 24) | ((Value >> 8) & 0xFF00u) | ((Value << 8) & 0xFF0000u) | (Value << 24);
}
constexpr uint64_t Swap64(uint64_t Value) {
  return (static_cast<uint64_t>(Swap32(static_cast<uint32_t>(Value))) << 32) |
         Swap32(static_cast<uint32_t>(Value >> 32));
}
constexpr uint32_t HiInteger(uint64_t Value) { return static_cast<uint32_t>(Value >> 32); }
constexpr uint32_t LoInteger(uint64_t Value) { return static_cast<uint32_t>(Value); }
constexpr int64_t MakeInt64(uint32_t Low, uint32_t High) {
  return static_cast<int64_t>(static_cast<uint64_t>(Low) | (static_cast<uint64_t>(High) << 32));
}
// Round(A * (B / C)) in double precision, ties to even; 0 when C is 0 or the result is out of range.
int64_t MulDiv64(int64_t A, int64_t B, int64_t C);

namespace detail {
// The version test against a given running version.
bool IsVersionOrLater(Integer Major, Integer Minor, Integer Build, Integer RunMajor, Integer RunMinor,
                      Integer RunBuild);
}  // namespace detail
