#include "zcl/base/ZCL.Utils.Registry.h"

#include <cstring>
#include <vector>

#include "os/OS.Registry.h"

namespace {
constexpr DWORD SubKeyNameCapacity = 64;
}

bool RegistryIsSuccess(int32_t Code) { return Code == ERROR_SUCCESS; }

HKEY RegistryOpenKey(HKEY Root, const String& SubKey, DWORD Access) {
  HKEY key = nullptr;
  if (!RegistryIsSuccess(RegOpenKeyEx(Root, SubKey, 0, Access, &key))) return nullptr;
  return key;
}

HKEY RegistryOpenKeyForReading(HKEY Root, const String& SubKey) {
  return RegistryOpenKey(Root, SubKey, ZCL_REGISTRY_READ);
}

bool RegistryOpenKeyForReading(HKEY Root, const String& SubKey, HKEY& Key) {
  Key = RegistryOpenKeyForReading(Root, SubKey);
  return Key != nullptr;
}

HKEY RegistryCreateKey(HKEY Root, const String& SubKey) {
  HKEY key = nullptr;
  if (!RegistryIsSuccess(RegCreateKeyEx(Root, SubKey, REG_OPTION_NON_VOLATILE, ZCL_REGISTRY_CREATE, &key, nullptr)))
    return nullptr;
  return key;
}

HKEY RegistryOpenKeyForWriting(HKEY Root, const String& SubKey, bool Create) {
  HKEY key = RegistryOpenKey(Root, SubKey, ZCL_REGISTRY_WRITE);
  if (!key && Create) key = RegistryCreateKey(Root, SubKey);
  return key;
}

void RegistryCloseKey(HKEY Key) {
  if (Key) RegCloseKey(Key);
}

bool RegistryQueryValueInfo(HKEY Key, const String& Name, DWORD& Type, DWORD& Size) {
  Type = REG_NONE;
  Size = 0;
  if (!Key) return false;
  return RegistryIsSuccess(RegQueryValueEx(Key, Name, &Type, nullptr, &Size));
}

bool RegistryQueryValueData(HKEY Key, const String& Name, void* Buffer, DWORD& Size) {
  if (!Key) return false;
  return RegistryIsSuccess(RegQueryValueEx(Key, Name, nullptr, static_cast<Byte*>(Buffer), &Size));
}

String RegistryReadString(HKEY Key, const String& Name) {
  DWORD type = 0, size = 0;
  if (!RegistryQueryValueInfo(Key, Name, type, size) || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
  if (size == 0) return {};
  std::vector<Byte> buffer(size);
  if (!RegistryQueryValueData(Key, Name, buffer.data(), size)) return {};
  // The stored data need not end with a NUL, nor have an even size.
  const size_t chars = size / sizeof(Char);
  String text(chars, u'\0');
  if (chars) std::memcpy(text.data(), buffer.data(), chars * sizeof(Char));
  const size_t nul = text.find(u'\0');
  if (nul != String::npos) text.resize(nul);
  return text;
}

String RegistryReadDefaultString(HKEY Root, const String& SubKey) {
  HKEY key = RegistryOpenKeyForReading(Root, SubKey);
  String result = RegistryReadString(key, u"");
  RegistryCloseKey(key);
  return result;
}

Integer RegistryReadInteger(HKEY Key, const String& Name, Integer Default) {
  if (!Key) return Default;
  DWORD type = 0, size = sizeof(int32_t);
  int32_t value = 0;
  if (!RegistryIsSuccess(RegQueryValueEx(Key, Name, &type, reinterpret_cast<Byte*>(&value), &size)) ||
      type != REG_DWORD || size != sizeof(int32_t))
    return Default;
  return value;
}

bool RegistryWriteString(HKEY Key, const String& Name, const String& Value) {
  if (!Key) return false;
  const DWORD size = static_cast<DWORD>((Value.size() + 1) * sizeof(Char));
  return RegistryIsSuccess(RegSetValueEx(Key, Name, REG_SZ, reinterpret_cast<const Byte*>(Value.c_str()), size));
}

bool RegistryWriteString(HKEY Root, const String& SubKey, const String& Name, const String& Value) {
  HKEY key = RegistryOpenKeyForWriting(Root, SubKey, true);
  const bool result = RegistryWriteString(key, Name, Value);
  RegistryCloseKey(key);
  return result;
}

bool RegistryWriteDefaultString(HKEY Root, const String& SubKey, const String& Value) {
  return RegistryWriteString(Root, SubKey, u"", Value);
}

bool RegistryDeleteKey(HKEY Root, const String& SubKey) {
  if (!Root) return false;
  return RegistryIsSuccess(RegDeleteKey(Root, SubKey));
}

bool RegistryDeleteKeyRecursive(HKEY Root, const String& SubKey) {
  if (!Root || SubKey.empty()) return false;
  if (HKEY key = RegistryOpenKeyForReading(Root, SubKey)) {
    DWORD count = 0;
    if (RegistryIsSuccess(RegQueryInfoKey(key, &count, nullptr, nullptr))) {
      for (DWORD i = count; i-- > 0;) {
        Char name[SubKeyNameCapacity];
        DWORD length = SubKeyNameCapacity;
        if (RegistryIsSuccess(RegEnumKeyEx(key, i, name, &length)))
          RegistryDeleteKeyRecursive(key, String(name, length));
      }
    }
    RegistryCloseKey(key);
  }
  return RegistryDeleteKey(Root, SubKey);
}
