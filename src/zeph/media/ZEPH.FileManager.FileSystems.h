#pragma once
// File systems by URL scheme: names whose scheme a registered file system serves are answered by
// it; every other name by the local disk. The program itself registers the "content" scheme.

#include <unordered_map>

class TStream;
template <class T>
class TZCLThreadListOf;

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

// Flags of streaming: 1 create, 2 read and write (writing denied to others), 4 buffered; none is
// read-only. A range (Offset >= 0, Size >= 1) is only for reading.
struct IZEPHFileSystemCommandStreaming : virtual IInterface {
  RTL_INTERFACE(IZEPHFileSystemCommandStreaming, IInterface, "{8A16D3F0-47B2-4E9C-A5D1-3C0F7B6E2D80}")
  virtual HRESULT CreateStream(IZEPHString* Name, Int64 Offset, Int64 Size, Cardinal Flags,
                               IPtr<IZEPHStream>& Stream) = 0;
};

// The whole content of a dragged file.
struct IZEPHFileSystemCommandDropSource : virtual IInterface {
  RTL_INTERFACE(IZEPHFileSystemCommandDropSource, IInterface, "{8A16D3F0-47B2-4E9C-A5D1-3C0F7B6E2D81}")
  virtual HRESULT CreateStream(IZEPHString* Name, IPtr<IZEPHStream>& Stream) = 0;
};

struct IZEPHFileSystemCommandOpenFileFolder : virtual IInterface {
  RTL_INTERFACE(IZEPHFileSystemCommandOpenFileFolder, IInterface, "{8A16D3F0-47B2-4E9C-A5D1-3C0F7B6E2D82}")
  virtual HRESULT CanProcess(IZEPHString* Name) = 0;
  virtual HRESULT Process(IZEPHString* Name) = 0;
};

struct IZEPHFileSystemCommandDelete : virtual IInterface {
  RTL_INTERFACE(IZEPHFileSystemCommandDelete, IInterface, "{8A16D3F0-47B2-4E9C-A5D1-3C0F7B6E2D83}")
  virtual HRESULT CanProcess(IZEPHString* Name) = 0;
  virtual HRESULT Process(IZEPHString* Name) = 0;
};

// Names is a list of plugin strings.
struct IZEPHFileSystemCommandCopyToClipboard : virtual IInterface {
  RTL_INTERFACE(IZEPHFileSystemCommandCopyToClipboard, IInterface, "{8A16D3F0-47B2-4E9C-A5D1-3C0F7B6E2D85}")
  virtual HRESULT CopyToClipboard(IZEPHObjectList* Names) = 0;
};

// Opens a file of the local disk as streaming describes it; the caller owns the stream. The
// system's error as a result code when it cannot be opened.
HRESULT CreateLocalFileStream(const String& Name, Cardinal Flags, Int64 Offset, Int64 Size, TStream*& Stream);

// The local disk: every name whose scheme no registered file system serves.
class TZEPHDefaultFileSystem : public TInterfacedObject,
                               public IZEPHFileSystemCommandStreaming,
                               public IZEPHFileSystemCommandDropSource,
                               public IZEPHFileSystemCommandOpenFileFolder,
                               public IZEPHFileSystemCommandFileInfo,
                               public IZEPHFileSystemCommandCopyToClipboard {
  ZCL_CLASS(TZEPHDefaultFileSystem, TInterfacedObject)
 public:
  // Also answers IZEPHFileSystemCommandDelete, through an object of its own (its operations have
  // the open-folder command's names).
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override;
  // Extensions: the file manager's list (not owned), asked to open folders first; may be null.
  explicit TZEPHDefaultFileSystem(TZCLThreadListOf<IPtr<IInterface>>* AExtensions) : FExtensions(AExtensions) {}

  HRESULT CreateStream(IZEPHString* Name, Int64 Offset, Int64 Size, Cardinal Flags, IPtr<IZEPHStream>& Stream) override;
  HRESULT CreateStream(IZEPHString* Name, IPtr<IZEPHStream>& Stream) override;
  // Open file folder.
  HRESULT CanProcess(IZEPHString* Name) override;
  HRESULT Process(IZEPHString* Name) override;
  HRESULT GetFileAttributes(IZEPHString* Name, TZEPHFileSystemAttributes& Attributes) override;
  HRESULT GetFileSize(IZEPHString* Name, Int64& Size) override;
  HRESULT FileExists(IZEPHString* Name) override;
  HRESULT CopyToClipboard(IZEPHObjectList* Names) override;

 private:
  TZCLThreadListOf<IPtr<IInterface>>* FExtensions;
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
  // The local disk's command.
  virtual HRESULT GetDefault(const TGUID& IID, void** Obj) = 0;
};

class TZEPHServiceFileSystems : public TZCLUnknownObject,
                                public IZEPHServiceFileSystems,
                                public IZEPHServiceAttrExtendable {
  ZCL_CLASS(TZEPHServiceFileSystems, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZEPHServiceFileSystems, IZEPHServiceAttrExtendable)
 public:
  // Registers the "content" file system. Extensions: the file manager's list for the local disk.
  explicit TZEPHServiceFileSystems(TZCLThreadListOf<IPtr<IInterface>>* Extensions = nullptr);

  // An object that announces itself as a file system enters under its scheme; the first
  // registration of a scheme stays. Anything else is ignored.
  void RegisterExtension(IInterface* Extension) override;
  // Every scheme served by the object goes.
  void UnregisterExtension(IInterface* Extension) override;
  // Scheme letters compare ignoring the case of a to z.
  bool IsSchemeRegistered(const String& Scheme) const;
  // The file system of the name's scheme, else the local disk, asked for IID: S_OK, or
  // E_NOINTERFACE when it lacks the command.
  HRESULT Get(const String& Name, const TGUID& IID, void** Obj) const;
  HRESULT Get(IZEPHString* Name, const TGUID& IID, void** Obj) override;
  HRESULT GetDefault(const TGUID& IID, void** Obj) override;
  // The scheme is registered and its file system gives streams of dragged files.
  bool SupportsDropSource(const String& Scheme) const;
  // The command's Process on the name (CanProcess is not asked); true when both succeed.
  // IID is IZEPHFileSystemCommandOpenFileFolder or IZEPHFileSystemCommandDelete.
  bool RunCommand(const TGUID& IID, const String& Name) const;

 private:
  IPtr<IInterface> FDefault;
  std::unordered_map<String, IPtr<IInterface>, TZCLTokenComparer, TZCLTokenComparer> FSchemes;
};
