#pragma once
// The file formats the player knows, each a description, a list of masks ("*.mp3;*.mp2;") and a
// kind. Answers whether a name belongs to a known format, gives the extension lists that folder
// scans look for and builds the filters of open-file dialogs.

#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.Classes.h"
#include "zeph/core/ZEPH.Core.Interfaces.h"

class TZCLCriticalSection;

// Kinds of formats and the masks that select them (bit k selects kind k).
constexpr Byte zfkAudio = 0;
constexpr Byte zfkAudio2 = 1;
constexpr Byte zfkPlaylist = 2;
constexpr Byte zfkmAudio = 3;
constexpr Byte zfkmPlaylists = 4;
constexpr Byte zfkmAll = 7;

// Each mask of a ";"-separated list once, compared ignoring case, each followed by ";".
String UniqueExtList(const String& List);
// The list with a closing ";" unless it is empty or has one.
String NormalizeExtList(const String& List);

class TZEPHFileManagerKnownFormatInfo : public TObject {
  ZCL_CLASS(TZEPHFileManagerKnownFormatInfo, TObject)
 public:
  TZEPHFileManagerKnownFormatInfo(Byte AKind, const String& ADescription, const String& AExtList)
      : Kind(AKind), Description(ADescription), ExtList(NormalizeExtList(AExtList)) {}
  Byte Kind;
  String Description;
  String ExtList;
};

// The known formats for plugins. Flags bit 0 selects the audio kinds, bit 1 playlists.
struct IZEPHServiceFileFormats : virtual IInterface {
  RTL_INTERFACE(IZEPHServiceFileFormats, IInterface, "{9D41B7E2-6C03-4A58-8F2E-1B7A5C3D9E60}")
  // E_INVALIDARG when the flags select nothing.
  virtual HRESULT GetFormats(Cardinal Flags, IPtr<IZEPHString>& Formats) = 0;
  // S_OK or E_FAIL; URLs and virtual names whatever the flags.
  virtual HRESULT IsSupported(IZEPHString* FileName, Cardinal Flags) = 0;
};

// A plugin's file format. Flags 1: audio files, 2: playlists.
struct IZEPHExtensionFileFormat : virtual IInterface {
  RTL_INTERFACE(IZEPHExtensionFileFormat, IInterface, "{5C0E8A27-3F19-4B6D-A4E2-81D7C9B0F352}")
  virtual HRESULT GetDescription(IPtr<IZEPHString>& Value) = 0;
  virtual HRESULT GetExtList(IPtr<IZEPHString>& Value) = 0;
  virtual HRESULT GetFlags(Cardinal& Value) = 0;
};

class TZEPHFileManagerKnownFormats : public TZCLUnknownObject,
                                     public IZEPHServiceFileFormats,
                                     public IZEPHServiceAttrExtendable {
  ZCL_CLASS(TZEPHFileManagerKnownFormats, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZEPHServiceFileFormats, IZEPHServiceAttrExtendable)
 public:
  HRESULT GetFormats(Cardinal Flags, IPtr<IZEPHString>& Formats) override;
  HRESULT IsSupported(IZEPHString* FileName, Cardinal Flags) override;
  // A plugin's format enters when its flags name one kind and its texts can be read; anything
  // else stays out silently.
  void RegisterExtension(IInterface* Extension) override;
  // Entries of plugins stay: they go when their plugin is unloaded.
  void UnregisterExtension(IInterface*) override {}
  // The kinds mask of the plugins' flags.
  static Byte KindsOfFlags(Cardinal Flags) {
    return static_cast<Byte>(((Flags & 1) ? zfkmAudio : 0) | ((Flags & 2) ? zfkmPlaylists : 0));
  }

  TZEPHFileManagerKnownFormats();
  ~TZEPHFileManagerKnownFormats() override;

  // The entry is the handle for Unregister.
  TZEPHFileManagerKnownFormatInfo* Register(const String& Description, const String& ExtList, Byte Kind);
  // Frees the entry; false when it was not registered.
  bool Unregister(TZEPHFileManagerKnownFormatInfo* Info);

  // URLs and virtual names always; otherwise an entry of a selected kind lists the extension.
  bool IsSupported(const String& FileName, Byte KindsMask = zfkmAll) const;
  String GetExtList(Byte KindsMask) const;
  // "Description (*.a;*.b;)|*.a;*.b;|" lines sorted, after the summary entries when asked.
  String GetFilter(Byte KindsMask, bool WithSummary) const;

  Integer GetCount() const { return FFormats->GetCount(); }
  TZEPHFileManagerKnownFormatInfo* GetItem(Integer Index) const {
    return static_cast<TZEPHFileManagerKnownFormatInfo*>(FFormats->GetItems(Index));
  }

 private:
  static bool Selected(const TZEPHFileManagerKnownFormatInfo* Info, Byte KindsMask) {
    return Info->Kind < 8 && (KindsMask & (1u << Info->Kind)) != 0;
  }
  TZCLObjectList* FFormats;
  TZCLCriticalSection* FLock;
};
