#pragma once
// Expansion of what the user adds (files, folders, shortcuts, container files) into media files:
// the expander and receiver interfaces, the attributes that steer an expansion, and the two
// built-in expanders of folders and shortcuts.

#include "rtl/RTL.Interfaces.h"
#include "rtl/RTL.Variant.h"
#include "zcl/base/ZCL.Classes.Collections.h"
#include "zeph/media/ZEPH.FileManager.VirtualFiles.h"

struct IZBLFileInfo;
class TZCLSearchPaths;
class TZEPHFileManagerExpandAttributes;

// Receives the media files an expansion yields; setting Stop ends the whole expansion.
struct IZEPHFileManagerFilesReceiver : virtual IInterface {
  RTL_INTERFACE(IZEPHFileManagerFilesReceiver, IInterface, "{3A7E5C21-0D94-4F6B-8B13-E2C9A4D7F058}")
  virtual void ReceiveFile(const String& FileName, IZBLFileInfo* Info, bool& Stop) = 0;
};

// Asked before each folder is listed (the folder with its trailing delimiter); Skip leaves it out.
struct IZEPHFileManagerPathReceiver : virtual IInterface {
  RTL_INTERFACE(IZEPHFileManagerPathReceiver, IInterface, "{C41B9E63-7A25-4D08-9F3E-5B6D2A8C1E47}")
  virtual void ReceivePath(const String& Path, bool& Skip, bool& Stop) = 0;
};

// Turns one item into files; true when it took the item. FileAttributes is the attribute word of
// the item, -1 when unknown; Attributes may be null.
struct IZEPHFileManagerObjectExpander : virtual IInterface {
  RTL_INTERFACE(IZEPHFileManagerObjectExpander, IInterface, "{E8D2461B-39C7-4A5E-A0F4-6C1B7D3E9A25}")
  virtual bool Expand(const String& FileName, Integer FileAttributes, IZEPHFileManagerFilesReceiver* Receiver,
                      TZEPHFileManagerExpandAttributes* Attributes, bool& Stop) = 0;
};

// A reader of container files: the parts of the container, S_OK when it took the file. The
// program's side of a container expander; readers of plugins come in through an adapter.
struct IZEPHExtensionFileExpander : virtual IInterface {
  RTL_INTERFACE(IZEPHExtensionFileExpander, IInterface, "{72F93A0C-4B6E-41D8-B5C2-9E0A3F6D1B84}")
  virtual HRESULT Expand(const String& FileName, TZEPHVirtualFileList& Files) = 0;
};

// Keys read by the expansion.
inline constexpr StringView zfeaScanForExts = u"ScanForExts";
inline constexpr StringView zfeaRecursive = u"Recursive";
inline constexpr StringView zfeaSortChildren = u"SortChildren";
inline constexpr StringView zfeaCheckExt = u"CheckExt";
inline constexpr StringView zfeaExpandContainers = u"fmaExpandContainers";

// Values by key (exact comparison). "Recursive" followed by a folder name, exactly as expanded,
// overrides the recursion of that folder.
using TZEPHFileManagerExpandAttributesBase = TZCLDictionary<String, Variant>;
class TZEPHFileManagerExpandAttributes : public TZEPHFileManagerExpandAttributesBase {
  ZCL_CLASS(TZEPHFileManagerExpandAttributes, TZEPHFileManagerExpandAttributesBase)
 public:
  TZEPHFileManagerExpandAttributes() = default;
  void Add(const String& Key, const Variant& Value) { AddOrSetValue(Key, Value); }
  // An empty Extensions means the audio formats known to the file manager.
  void AddSearchPaths(const TZCLSearchPaths* Paths, bool Recursive, const String& Extensions = String());
  void Assign(TZEPHFileManagerExpandAttributes* Source);
  bool GetBool(const String& Key, bool Default) const;
  String GetText(const String& Key) const;
};

// Takes folders (when attributes are given): their files, and with recursion their subfolders,
// depth first. A folder met again through a symbolic link is not listed again.
class TZEPHFileManagerExpanderDirectory : public TInterfacedObject, public IZEPHFileManagerObjectExpander {
  ZCL_CLASS(TZEPHFileManagerExpanderDirectory, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHFileManagerObjectExpander)
 public:
  bool Expand(const String& FileName, Integer FileAttributes, IZEPHFileManagerFilesReceiver* Receiver,
              TZEPHFileManagerExpandAttributes* Attributes, bool& Stop) override;
};

// Takes ".lnk" shortcuts whose target resolves; on Linux none does.
class TZEPHFileManagerExpanderShortcut : public TInterfacedObject, public IZEPHFileManagerObjectExpander {
  ZCL_CLASS(TZEPHFileManagerExpanderShortcut, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHFileManagerObjectExpander)
 public:
  bool Expand(const String& FileName, Integer FileAttributes, IZEPHFileManagerFilesReceiver* Receiver,
              TZEPHFileManagerExpandAttributes* Attributes, bool& Stop) override;
};
