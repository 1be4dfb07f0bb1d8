#pragma once
// A file-backed stand-in for the system registry: keys under HKEY_CURRENT_USER and
// HKEY_LOCAL_MACHINE with typed values. Each root is one text file under
// $XDG_CONFIG_HOME/zephse/ ("registry-user.txt", "registry-machine.txt"), rewritten whole
// through a temporary file and a rename after every change, so a crash mid-write leaves the
// previous file intact. Key names compare ignoring case and keep the case they were created with.
//
// A few keys that the system reads for desktop settings (light or dark theme, the accent colour,
// whether Explorer shows hidden files) answer from the desktop where Linux has an equivalent and
// otherwise with the usual defaults, unless the store holds a value of its own.
//
// The functions follow the registry API's contract: they return ERROR_SUCCESS (0) or an error
// code and never raise.

#include "os/OS.Types.h"

using LSTATUS = int32_t;
using REGSAM = uint32_t;

inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(uintptr_t(0x80000000));
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(uintptr_t(0x80000001));
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(uintptr_t(0x80000002));

constexpr LSTATUS ERROR_SUCCESS = 0;
constexpr LSTATUS ERROR_FILE_NOT_FOUND = 2;
constexpr LSTATUS ERROR_ACCESS_DENIED = 5;
constexpr LSTATUS ERROR_INVALID_HANDLE = 6;
constexpr LSTATUS ERROR_INVALID_PARAMETER = 87;
constexpr LSTATUS ERROR_MORE_DATA = 234;
constexpr LSTATUS ERROR_NO_MORE_ITEMS = 259;
constexpr LSTATUS ERROR_CANTWRITE = 1013;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_QWORD = 11;

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Opens an existing key below Root (a root or an opened key). An empty SubKey opens Root again.
LSTATUS RegOpenKeyEx(HKEY Root, StringView SubKey, DWORD Options, REGSAM Access, HKEY* Result);
// Creates the key and its missing parents, or opens it. Disposition (optional) tells which.
LSTATUS RegCreateKeyEx(HKEY Root, StringView SubKey, DWORD Options, REGSAM Access, HKEY* Result,
                       DWORD* Disposition = nullptr);
LSTATUS RegCloseKey(HKEY Key);
// Type, data and size of a value; Name empty is the key's default value. With Data null only
// Type and Size are filled; a buffer that is too small gives ERROR_MORE_DATA and the needed size.
LSTATUS RegQueryValueEx(HKEY Key, StringView Name, DWORD* Type, Byte* Data, DWORD* Size);
LSTATUS RegSetValueEx(HKEY Key, StringView Name, DWORD Type, const Byte* Data, DWORD Size);
LSTATUS RegDeleteValue(HKEY Key, StringView Name);
// Deletes a key that has no subkeys.
LSTATUS RegDeleteKey(HKEY Root, StringView SubKey);
LSTATUS RegQueryInfoKey(HKEY Key, DWORD* SubKeys, DWORD* MaxSubKeyLen, DWORD* Values);
// The name of the subkey at Index (in creation order) into Name, whose capacity in characters
// including the terminator is *NameLen; on success *NameLen is the length without it.
LSTATUS RegEnumKeyEx(HKEY Key, DWORD Index, Char* Name, DWORD* NameLen);
LSTATUS RegEnumValue(HKEY Key, DWORD Index, Char* Name, DWORD* NameLen, DWORD* Type);

// The folder that holds the store (for tests and diagnostics).
String RegistryStoreFolder();
// Drops what is cached in memory, so the next call reads the files again (tests use it to
// simulate a new process).
void RegistryResetCache();
