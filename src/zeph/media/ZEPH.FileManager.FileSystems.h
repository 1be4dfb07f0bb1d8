#pragma once
// File systems by URL scheme: names whose scheme a registered file system serves are answered by
// it; every other name by the local disk. The program itself registers the "content" scheme.

#include <unordered_map>

#include "zcl/base/ZCL.Classes.h"
#include "zcl/base/ZCL.Parsers.h"
#include "zeph/core/ZEPH.Core.PluginAPI.h"

// A property list announcing itself as a file system; property 1 is its scheme (a plugin string).
struct IZEPHExtensionFileSystem : virtual IZEPHPropertyList {
  RTL_INTERFACE(IZEPHExtensionFileSystem, IZEPHPropertyList, "{2E7B5A91-C30D-4F64-8B1A-6D9E0F3C4A17}")
};

// The attributes record handed to file systems (52 bytes): the attribute word, the creation,
// last-access and last-write times as date-time values, 24 zero bytes.
#pragma pack(push, 1)
struct TZEPHFileSystemAttributes {
  Cardinal Attributes = 0;
  Double CreationTime = 0;
  Double LastAccessTime = 0;
  Double LastWriteTime = 0;
  Byte Reserved[24] = {};
};
#pragma pack(pop)
static_assert(sizeof(TZEPHFileSystemAttributes) == 52);

struct IZEPHFileSystemCommandFileInfo : virtual IInterface {
  RTL_INTERFACE(IZEPHFileSystemCommandFileInfo, IInterface, "{8A16D3F0-47B2-4E9C-A5D1-3C0F7B6E2D84}")
  virtual HRESULT GetFileAttributes(IZEPHString* Name, TZEPHFileSystemAttributes& Attributes) = 0;
  virtual HRESULT GetFileSize(IZEPHString* Name, Int64& Size) = 0;
  // S_OK or E_FAIL.
  virtual HRESULT FileExists(IZEPHString* Name) = 0;
};

// "content://" names: nothing about them can be asked, and none exists.
class TZEPHContentFileSystem : public TZEPHPropertyList,
                               public IZEPHExtensionFileSystem,
                               public IZEPHFileSystemCommandFileInfo {
  ZCL_CLASS(TZEPHContentFileSystem, TZEPHPropertyList)
  RTL_INTERFACES(TZEPHPropertyList, IZEPHExtensionFileSystem, IZEPHFileSystemCommandFileInfo)
 public:
  HRESULT GetFileAttributes(IZEPHString*, TZEPHFileSystemAttributes&) override { return E_NOTIMPL; }
  HRESULT GetFileSize(IZEPHString*, Int64&) override { return E_NOTIMPL; }
  HRESULT FileExists(IZEPHString*) override { return E_FAIL; }

 protected:
  IPtr<IInterface> DoGetValueAsObject(Integer PropertyID) override;
};

// The file systems for plugins.
struct IZEPHServiceFileSystems : virtual IInterface {
  RTL_INTERFACE(IZEPHServiceFileSystems, IInterface, "{4B8D2F63-07A1-4C95-9E3B-D6F1A2C870E4}")
  // As the program-side Get, with the name as a plugin string.
  virtual HRESULT Get(IZEPHString* Name, const TGUID& IID, void** Obj) = 0;
};

class TZEPHServiceFileSystems : public TZCLUnknownObject,
                                public IZEPHServiceFileSystems,
                                public IZEPHServiceAttrExtendable {
  ZCL_CLASS(TZEPHServiceFileSystems, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZEPHServiceFileSystems, IZEPHServiceAttrExtendable)
 public:
  // Registers the "content" file system.
  TZEPHServiceFileSystems();

  // An object that announces itself as a file system enters under its scheme; the first
  // registration of a scheme stays. Anything else is ignored.
  void RegisterExtension(IInterface* Extension) override;
  // Every scheme served by the object goes.
  void UnregisterExtension(IInterface* Extension) override;
  // Scheme letters compare ignoring the case of a to z.
  bool IsSchemeRegistered(const String& Scheme) const;
  // The registered file system of the name's scheme asked for IID: S_OK, E_NOINTERFACE when it
  // lacks the command, E_FAIL when no file system serves the scheme (the local disk answers).
  HRESULT Get(const String& Name, const TGUID& IID, void** Obj) const;
  HRESULT Get(IZEPHString* Name, const TGUID& IID, void** Obj) override;

 private:
  std::unordered_map<String, IPtr<IInterface>, TZCLTokenComparer, TZCLTokenComparer> FSchemes;
};
