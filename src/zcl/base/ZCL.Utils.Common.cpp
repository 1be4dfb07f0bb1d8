#include "zcl/base/ZCL.Utils.Common.h"

#include <dlfcn.h>
#include <link.h>
#include <malloc.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "os/OS.Environment.h"
#include "os/OS.Files.h"
#include "os/OS.System.h"
#include "os/OS.Windows.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Geometry.h"
#include "rtl/RTL.Objects.h"
#include "zcl/base/ZCL.Utils.Strings.h"

// Linux decisions, in one place:
// - GetOSVersionText gives the distribution and the kernel release; there is no compatibility
//   layer to report, so IsWine is always false.
// - IsWindowsVersionOrLater answers as the newest Windows release would (10.0.26100): callers
//   choose between older and newer platform behaviour, and here the newest applies. The kernel's
//   version numbers mean nothing to those callers (6.1 would read as a release before 10.0).
// - The thread's error mode is kept per thread; the system shows no critical-error dialogs.
// - SafeLoadLibrary leaves the current folder alone (the loader searches the program folder
//   first); the flags have no meaning to the loader and are ignored.
// - The last error is errno.
// Elsewhere, by the same rule:
// - the ANSI code page is windows-1252 until a language file sets one (ZCL.Utils.Encodings);
// - the command line is rebuilt from argv as one text, arguments with blanks quoted, so that
//   GetParams keeps its contract (ZCL.Utils.CommandLine);
// - the pool's "idle" priority is SCHED_IDLE (ZCL.Threading.Pool).

namespace {

thread_local Cardinal GThreadErrorMode = 0;

// The release the version tests take as running.
constexpr Integer GRunningMajor = 10, GRunningMinor = 0, GRunningBuild = 26100;

}  // namespace

const TFormatSettings& InvariantFormatSettings() {
  static const TFormatSettings settings = TFormatSettings::Invariant();
  return settings;
}

// System facts

String GetOSVersionText() { return GetOSName() + u" / " + GetKernelVersion(); }

bool detail::IsVersionOrLater(Integer Major, Integer Minor, Integer Build, Integer RunMajor, Integer RunMinor,
                              Integer RunBuild) {
  if (Major != RunMajor) return Major < RunMajor;
  if (Minor != RunMinor) return Minor < RunMinor;
  return Build < 0 || RunBuild >= Build;
}

bool IsWindowsVersionOrLater(Integer Major, Integer Minor, Integer Build) {
  return detail::IsVersionOrLater(Major, Minor, Build, GRunningMajor, GRunningMinor, GRunningBuild);
}

bool IsWine() { return false; }

Cardinal SetErrorModeForThread(Cardinal Mode) {
  Cardinal previous = GThreadErrorMode;
  GThreadErrorMode = Mode;
  return previous;
}

HMODULE SafeLoadLibrary(StringView FileName, Cardinal Flags) {
  (void)Flags;
  Cardinal oldMode = SetErrorModeForThread(1);  // fail critical errors
  HMODULE module = nullptr;
  try {
    module = LoadLibrary(FileName);
  } catch (...) {
    SetErrorModeForThread(oldMode);
    throw;
  }
  SetErrorModeForThread(oldMode);
  return module;
}

void FreeLibraryAndNil(HMODULE& Module) {
  HMODULE module = Module;
  Module = nullptr;
  if (module) FreeLibrary(module);
}

void* GetProcAddressChecked(HMODULE Module, const char* Name, bool& AllFound) {
  void* address = GetProcAddress(Module, Name);
  if (!address) AllFound = false;
  return address;
}

String GetModuleFileNameByHandle(HMODULE Module) {
  if (!Module) return String();
  link_map* map = nullptr;
  if (dlinfo(static_cast<void*>(Module), RTLD_DI_LINKMAP, &map) != 0 || !map || !map->l_name) return String();
  if (map->l_name[0] == '\0') return GetModuleFileName();  // the main program
  return UTF8ToString(map->l_name);
}

String GetLastErrorText() { return SysErrorMessage(errno); }

HRESULT LastErrorToHResult() {
  int error = errno;
  if (error == 0) return static_cast<HRESULT>(0x80004005u);
  return static_cast<HRESULT>(0x80070000u | (static_cast<uint32_t>(error) & 0xFFFFu));
}

void TrimWorkingSet() { malloc_trim(0); }

// Interfaces and memory

void FreeMemAndNil(void*& Ptr) {
  void* block = Ptr;
  Ptr = nullptr;
  std::free(block);
}

bool SupportsIntf(IInterface* Instance, const TGUID& IID, void** Out) {
  if (Out) *Out = nullptr;
  if (!Instance) return false;
  if (Instance->QueryInterface(IID, Out) == S_OK) return true;
  if (Out) *Out = nullptr;
  return false;
}

bool SupportsObject(TObject* Instance, const TGUID& IID, void** Out) {
  return SupportsIntf(dynamic_cast<IInterface*>(Instance), IID, Out);
}

HRESULT SafeQueryInterface(IInterface* Instance, const TGUID& IID, void** Out) {
  if (!Instance) {
    if (Out) *Out = nullptr;
    return E_NOINTERFACE;
  }
  return Instance->QueryInterface(IID, Out);
}

HRESULT ObjectQueryInterface(TObject* Instance, const TGUID& IID, void** Out) {
  if (!Instance) {
    if (Out) *Out = nullptr;
    return E_HANDLE;
  }
  return SupportsObject(Instance, IID, Out) ? S_OK : E_NOINTERFACE;
}

String CreateGUIDString() {
  TGUID guid;
  if (Failed(CreateGUID(guid))) throw EInvalidOperation(u"No random source for a new GUID");
  return GUIDToString(guid);
}

String PointerToHexString(const void* Ptr) {
  char buffer[17];
  std::snprintf(buffer, sizeof buffer, "%016llX", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(Ptr)));
  return UTF8ToString(buffer);
}

void ZeroMemory(void* Ptr, NativeUInt Count) {
  if (Ptr && Count) std::memset(Ptr, 0, Count);
}

// Safe

bool Safe::Equals(const TObject* A, const TObject* B) {
  if (A == B) return true;
  if (!A) return false;
  try {
    return A->Equals(B);
  } catch (...) {
    return false;
  }
}

void Safe::Call(const std::function<void()>& Method) {
  try {
    if (Method) Method();
  } catch (...) {
  }
}

void Safe::Release(IInterface*& Intf) {
  IInterface* intf = Intf;
  Intf = nullptr;
  if (!intf) return;
  try {
    intf->_Release();
  } catch (...) {
  }
}

// Windows and processes

String GetWindowClassName(HWND Window) {
  String name = GetClassName(Window);
  if (name.size() > 64) name.resize(64);
  return name;
}

HWND FindWindowByClass(StringView ClassName) {
  HWND found = nullptr;
  EnumWindows([&](HWND Window) -> BOOL {
    if (!zcSameText(GetClassName(Window), ClassName)) return 1;  // go on
    found = Window;
    return 0;  // stop
  });
  return found;
}

TRect GetWindowRectOrEmpty(HWND Window) {
  TRect rect{};
  if (!GetWindowRect(Window, rect)) rect = TRect{};
  return rect;
}

bool GetWindowProcessFileName(HWND Window, String& FileName) {
  FileName.clear();
  if (!Window) return false;
  DWORD pid = 0;
  GetWindowThreadProcessId(Window, &pid);
  if (pid == 0) return false;
  char buffer[4096];
  std::string link = "/proc/" + std::to_string(pid) + "/exe";
  ssize_t length = readlink(link.c_str(), buffer, sizeof buffer - 1);
  if (length <= 0) return false;
  FileName = UTF8ToString(std::string(buffer, static_cast<size_t>(length)));
  return true;
}

// Integer helpers

int64_t MulDiv64(int64_t A, int64_t B, int64_t C) {
  if (C == 0) return 0;
  double value = std::nearbyint(static_cast<double>(A) * (static_cast<double>(B) / static_cast<double>(C)));
  // Out of range (or not a number) has no 64-bit result; converting it would be undefined.
  if (!(value >= -9223372036854775808.0 && value < 9223372036854775808.0)) return 0;
  return static_cast<int64_t>(value);
}
