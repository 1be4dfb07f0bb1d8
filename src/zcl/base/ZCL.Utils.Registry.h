#pragma once
// Plain routines over the registry. A key is a registry handle; null stands for "no key" in every
// routine, so calls can be chained without checks. No routine raises: failures give null, false,
// an empty string or the default.

#include "os/OS.Types.h"

constexpr DWORD ZCL_REGISTRY_READ = 0x20019;
constexpr DWORD ZCL_REGISTRY_WRITE = 0x2001F;
constexpr DWORD ZCL_REGISTRY_CREATE = 0xF003F;

bool RegistryIsSuccess(int32_t Code);
HKEY RegistryOpenKey(HKEY Root, const String& SubKey, DWORD Access);
HKEY RegistryOpenKeyForReading(HKEY Root, const String& SubKey);
bool RegistryOpenKeyForReading(HKEY Root, const String& SubKey, HKEY& Key);
// Creates the key (and missing parents) or opens it, with all access.
HKEY RegistryCreateKey(HKEY Root, const String& SubKey);
HKEY RegistryOpenKeyForWriting(HKEY Root, const String& SubKey, bool Create);
void RegistryCloseKey(HKEY Key);

// Size in bytes.
bool RegistryQueryValueInfo(HKEY Key, const String& Name, DWORD& Type, DWORD& Size);
// Size: the buffer's capacity in bytes on entry, the value's size on return.
bool RegistryQueryValueData(HKEY Key, const String& Name, void* Buffer, DWORD& Size);
// A plain or an expandable string (references left unexpanded), up to its first NUL; empty for
// any other type or a missing value.
String RegistryReadString(HKEY Key, const String& Name);
// The default (unnamed) value of the subkey.
String RegistryReadDefaultString(HKEY Root, const String& SubKey);
// A 32-bit number value; Default for a missing value or any other type.
Integer RegistryReadInteger(HKEY Key, const String& Name, Integer Default);
// Writes a plain string with its terminating NUL.
bool RegistryWriteString(HKEY Key, const String& Name, const String& Value);
// Opens the subkey for writing (creating it when missing), writes and closes it.
bool RegistryWriteString(HKEY Root, const String& SubKey, const String& Name, const String& Value);
bool RegistryWriteDefaultString(HKEY Root, const String& SubKey, const String& Value);
// Deletes a key that has no subkeys.
bool RegistryDeleteKey(HKEY Root, const String& SubKey);
// Deletes a key with everything below it. Subkey names of 64 characters or more are not
// enumerated, so a key holding one is not deleted and the result is false.
bool RegistryDeleteKeyRecursive(HKEY Root, const String& SubKey);
