#pragma once
// A skin in memory and how it reaches files: the container of its details and its named, typed
// files, the typed load and save operations of its resource set (documents, texts, INI data,
// bitmaps, skin images, image sets), the fonts a skin embeds, the registries of file formats and
// version converters, and the load entry with the installed skin packages.

#include <functional>

#include "rtl/RTL.Interfaces.h"
#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.Classes.h"
#include "zcl/base/ZCL.Utils.Stream.h"
#include "zse/engine/ZSE.Types.h"

class TBitmap;
class TZCLBitmap;
class TZCLIniFile;
class TZCLSkinImage;
class TZCLSkinImageSet;
class TZCLSkinImageSetItem;
class TZCLXMLDocument;
class TZSESkin;
class TZSESkinDetails;

// ---- errors ----------------------------------------------------------------------------------

RTL_EXCEPTION(EZSEInvalidArgument, EZSEException);
RTL_EXCEPTION(EZSEStreamCorrupted, EZSEException);
RTL_EXCEPTION(EZSEInvalidFormat, EZSEException);
RTL_EXCEPTION(EZSEUnsupportedCompression, EZSEException);
RTL_EXCEPTION(EZSEUnsupportedVersion, EZSEException);

// "Binary stream has been corrupted".
[[noreturn]] void RaiseStreamCorrupted();
// "Unsupported compression is used".
[[noreturn]] void RaiseUnsupportedCompression();
// "Unsupported skin version. v%d.%d are required to use it".
[[noreturn]] void RaiseUnsupportedVersion(Integer Version);

// ---- versions and identities -----------------------------------------------------------------

// An engine version such as 500; the second half is always 0.
struct TZSESkinVersion {
  Word Number = 0;
  Word Reserved = 0;

  constexpr TZSESkinVersion() = default;
  constexpr TZSESkinVersion(Word ANumber) : Number(ANumber) {}
  friend constexpr bool operator==(const TZSESkinVersion& A, const TZSESkinVersion& B) { return A.Number == B.Number; }
  friend constexpr bool operator==(const TZSESkinVersion& A, Integer B) { return A.Number == B; }
};

constexpr Word SkinEngineVersion = 500;

// The 5-byte identity at the start of a skin file: 4 signature bytes and a version byte.
struct TZSESkinSignature {
  Byte Signature[4] = {};
  Byte Version = 0;

  static TZSESkinSignature Make(const char (&Text)[5], Byte AVersion);
  friend bool operator==(const TZSESkinSignature& A, const TZSESkinSignature& B);
  // "ZCS5 v5".
  String ToString() const;
};

// ---- files -----------------------------------------------------------------------------------

using TZSESkinFileKind = Byte;
constexpr TZSESkinFileKind sfkUnknown = 0;
constexpr TZSESkinFileKind sfkImage = 1;
constexpr TZSESkinFileKind sfkImageSet = 2;
constexpr TZSESkinFileKind sfkDocument = 3;
constexpr TZSESkinFileKind sfkFont = 4;
constexpr TZSESkinFileKind sfkBitmap = 5;
constexpr TZSESkinFileKind sfkIni = 6;
constexpr TZSESkinFileKind sfkScript = 7;
constexpr TZSESkinFileKind sfkText = 8;
constexpr TZSESkinFileKind sfkLast = sfkText;

// ".img" for 1 ... ".txt" for 8; empty for 0 and for kinds that do not exist.
String SkinFileKindToExt(TZSESkinFileKind Kind);
// The kind of the (lower-cased) extension; ".myimg" and ".myimgset" are the older forms of 1 and
// 2; anything else, and no extension, gives 0.
TZSESkinFileKind SkinFileExtToKind(const String& FileName);

// Writes a file's content into the empty stream it is given.
using TZSESkinFileWriter = std::function<void(TStream* Stream)>;
// Reads a file's content from its stream (positioned at 0).
using TZSESkinFileReader = std::function<void(TStream* Stream)>;

class TZSESkinFile : public TObject {
  ZCL_CLASS(TZSESkinFile, TObject)
 public:
  TZSESkinFile(const String& AName, TZSESkinFileKind AKind, const IPtr<IZCLStreamContainer>& AData);

  const IPtr<IZCLStreamContainer>& GetData() const { return FData; }
  void SetData(const IPtr<IZCLStreamContainer>& Value) { FData = Value; }
  // Without extension.
  const String& GetName() const { return FName; }
  TZSESkinFileKind GetKind() const { return FKind; }
  String GetFileName() const { return FName + SkinFileKindToExt(FKind); }
  Int64 GetSize() const { return FData ? FData->GetSize() : 0; }
  // MD5 of the whole data as 32 lower-case hexadecimal digits.
  String GetHash() const;

 private:
  friend class TZSESkinFiles;
  IPtr<IZCLStreamContainer> FData;
  String FName;
  TZSESkinFileKind FKind;
};

// Owns its files, sorted by kind and then by name (the locale's order, ignoring case); a name and
// kind pair occurs once.
class TZSESkinFiles : public TZCLObjectListOf<TZSESkinFile> {
  ZCL_CLASS(TZSESkinFiles, TZCLObjectListOf<TZSESkinFile>)
 public:
  TZSESkinFiles() : TZCLObjectListOf<TZSESkinFile>(true) {}

  // Replaces the data of an existing pair (the old container is released) or inserts a new file.
  TZSESkinFile* Add(const String& Name, TZSESkinFileKind Kind, const IPtr<IZCLStreamContainer>& Data);
  // Size bytes from the stream's position; a negative Size takes everything left.
  TZSESkinFile* Add(const String& Name, TZSESkinFileKind Kind, TStream* Stream, Int64 Size);
  TZSESkinFile* Add(const String& Name, TZSESkinFileKind Kind, const TZSESkinFileWriter& Writer);
  // A copy of a whole embedded resource.
  TZSESkinFile* AddFromResource(const String& Name, TZSESkinFileKind Kind, const void* Instance, StringView ResName,
                                StringView ResType);
  // The kind from the extension; a known kind's extension leaves the name.
  TZSESkinFile* AddFile(const String& FileName, const IPtr<IZCLStreamContainer>& Data);
  TZSESkinFile* AddFromStream(const String& FileName, TStream* Stream, Int64 Size);

  bool Find(StringView Name, TZSESkinFileKind Kind, TZSESkinFile*& File) const;
  void Delete(StringView Name, TZSESkinFileKind Kind);
  using TZCLObjectListOf<TZSESkinFile>::Delete;
  void Remove(TZSESkinFile* File);
  // Moves the data to NewName (replacing a file of that name and kind) when the names differ.
  void Rename(const String& OldName, const String& NewName, TZSESkinFileKind Kind);

  // Count (32-bit), then per file: name (counted string), size (32-bit), kind (8-bit), data.
  void SaveToStream(TStream* Stream) const;
  // Removes every file first; raises EReadError when the stream ends early (keeping what was read).
  void LoadFromStream(TStream* Stream);

 private:
  // The index of the pair, or where it would be inserted.
  bool Search(StringView Name, TZSESkinFileKind Kind, Integer& Index) const;
};

// ---- details ---------------------------------------------------------------------------------

class TZSESkinDetails : public TZCLUnknownPersistent, public IZCLObjectLinksSupport {
  ZCL_CLASS(TZSESkinDetails, TZCLUnknownPersistent)
  RTL_INTERFACES(TZCLUnknownPersistent, IZCLObjectLinksSupport)
  TZSESkinDetails();
  ~TZSESkinDetails() override;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TZSESkinDetails>& D);

  // Null clears.
  void Assign(TPersistent* Source) override;
  void Clear();
  // Name, Author, Description (counted strings), a preview flag byte and the preview as BMP.
  // Texts longer than a counted string holds raise EWriteError: nothing is cut silently.
  void SaveToStream(TStream* Stream);
  // A preview that cannot be decoded stays empty and the stream continues after it (the BMP
  // header gives its size).
  void LoadFromStream(TStream* Stream);

  const String& GetName() const { return FName; }
  void SetName(const String& Value) { FName = Value; }
  const String& GetAuthor() const { return FAuthor; }
  // Stored trimmed.
  void SetAuthor(const String& Value);
  const String& GetDescription() const { return FDescription; }
  void SetDescription(const String& Value);
  // Owned; 0 x 0 when there is none.
  TZCLBitmap* GetPreview() const { return FPreview; }
  TZSESkinVersion GetVersion() const { return FVersion; }
  void SetVersion(TZSESkinVersion Value) { FVersion = Value; }

 private:
  String FName, FAuthor, FDescription;
  TZCLBitmap* FPreview;
  TZSESkinVersion FVersion;
};

// ---- resources -------------------------------------------------------------------------------

class TZSESkinResources : public TZCLUnknownObject {
  ZCL_CLASS(TZSESkinResources, TZCLUnknownObject)
 public:
  TZSESkinResources();
  ~TZSESkinResources() override;

  TZSESkinFiles* GetFiles() const { return FFiles; }
  // Set by the descendant that builds distributable packages: documents are stored binary,
  // images more tightly, and the schema leaves annotations out.
  bool GetOptimized() const { return FOptimized; }

  // A descendant may leave some DPI variants of image sets out.
  virtual bool CanSaveImageSetItem(TZCLSkinImageSetItem* Item);
  // Adds or replaces the file with a new container that Writer fills.
  virtual void Save(const String& Name, TZSESkinFileKind Kind, const TZSESkinFileWriter& Writer);

  // False for an empty name or a missing file; otherwise Reader gets the file's stream (the
  // container locked meanwhile).
  bool Load(const String& Name, TZSESkinFileKind Kind, const TZSESkinFileReader& Reader);
  // Missing: 0 x 0.
  void LoadBitmap(const String& Name, TBitmap* Bitmap);
  // Whether the file exists; a missing file leaves the INI object as it was.
  bool LoadIniFile(const String& Name, TZCLIniFile* IniFile);
  // Missing: empty.
  String LoadText(const String& Name);
  // The caller owns the result; missing: an empty document.
  TZCLXMLDocument* LoadDocument(const String& Name);
  void LoadDocument(const String& Name, TZCLXMLDocument* Document);
  // A skin image: kind 1, else kind 5; neither clears the image.
  void LoadImage(const String& Name, TZCLSkinImage* Image);
  // An image set: its document of kind 2 with one image per DPI, else the single image for 96 DPI.
  void LoadImage(const String& Name, TZCLSkinImageSet* ImageSet);

  // An empty bitmap stores nothing.
  void SaveBitmap(const String& Name, TBitmap* Bitmap);
  void SaveIniFile(const String& Name, TZCLIniFile* IniFile);
  // Blank text deletes the file; other text is stored unchanged in UTF-16 with byte-order mark.
  void SavePlainText(const String& Name, const String& Text);
  // Binary XML when optimized, else indented XML text.
  void SaveSchema(const String& Name, TZCLXMLDocument* Document, TZSESkinFileKind Kind = sfkDocument);
  void SaveImage(const String& Name, TZCLSkinImage* Image);
  // Several DPI variants: a kind-2 document naming Name, Name-144, ...; one: just the image.
  void SaveImage(const String& Name, TZCLSkinImageSet* ImageSet);

 protected:
  bool FOptimized = false;

 private:
  void LoadImageForDpi(const String& Name, Integer DPI, TZCLSkinImageSet* ImageSet);
  TZSESkinFiles* FFiles;
};
using TZSESkinResourcesClass = TClass;

// ---- skin ------------------------------------------------------------------------------------

class TZSESkin : public TObject {
  ZCL_CLASS(TZSESkin, TObject)
 public:
  // A new resource set of its own.
  TZSESkin();
  // A given set, freed with the skin only when owned.
  TZSESkin(TZSESkinResources* AResources, bool AOwnsResources);
  ~TZSESkin() override;

  void Clear();
  TZSESkinDetails* GetDetails() const { return FDetails; }
  TZSESkinResources* GetResources() const { return FResources; }
  bool GetOwnsResources() const { return FOwnsResources; }
  TZSESkinFiles* GetFiles() const { return FResources->GetFiles(); }

 private:
  TZSESkinDetails* FDetails;
  TZSESkinResources* FResources;
  bool FOwnsResources;
};

// ---- embedded fonts --------------------------------------------------------------------------

struct IZSESkinFont : virtual IInterface {
  RTL_INTERFACE(IZSESkinFont, IInterface, "{6238E1DF-9475-4A0F-846C-7B8C9DAEBF35}")
  // Positioned at 0; null once released.
  virtual TStream* GetData() = 0;
  virtual String GetName() = 0;
  virtual String GetFileName() = 0;
};

// A font installed for this process while it is referenced.
class TZSESkinFont : public TInterfacedObject, public IZSESkinFont {
  ZCL_CLASS(TZSESkinFont, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZSESkinFont)
  // Copies the stream, installs the font and reads its family name; without KeepData the copy
  // is released once installed.
  TZSESkinFont(TStream* Stream, const String& AName, bool KeepData);
  ~TZSESkinFont() override;

  TStream* GetData() override;
  String GetName() override { return FName; }
  String GetFileName() override { return FFileName; }
  bool IsInstalled() const { return FHandle != nullptr; }

 private:
  String FFileName, FName;
  TMemoryStream* FData = nullptr;
  void* FHandle = nullptr;
};

class TZSESkinFonts : public TObject {
  ZCL_CLASS(TZSESkinFonts, TObject)
 public:
  TZSESkinFonts();
  ~TZSESkinFonts() override;

  IZSESkinFont* Add(TStream* Stream, const String& Name);
  IZSESkinFont* Add(TZSESkinFile* File);
  // A disk file, under its name without folder and extension.
  IZSESkinFont* Add(const String& FileName);
  // The same font objects; raises "Cannot assign font, TZSESkinFont.Data is nil" for a released one.
  void Assign(TZSESkinFonts* Source);
  void Clear();
  void Delete(Integer Index);
  Integer GetCount() const { return FItems->GetCount(); }
  IZSESkinFont* GetItem(Integer Index) const { return FItems->GetItem(Index).get(); }
  // Every kind-4 file, in list order (the list is not cleared first).
  void LoadFromSkin(TZSESkin* Skin);
  // Every font as a kind-4 file; fonts whose data was released are skipped.
  void SaveToSkin(TZSESkin* Skin);

  bool GetKeepData() const { return FKeepData; }
  void SetKeepData(bool Value) { FKeepData = Value; }

 private:
  TZCLListOf<IPtr<IZSESkinFont>>* FItems;
  bool FKeepData = false;
};

// ---- formats and converters ------------------------------------------------------------------

// The class reference of a skin file format: its class-level operations.
class TZSESkinFormatRecord : public TClassRecord {
 public:
  using TClassRecord::TClassRecord;
  // With its dot.
  virtual String GetExtension() const = 0;
  virtual TZSESkinSignature GetSignature() const = 0;
  // Reads the body (after the identity) into the skin: details with their version, and files.
  virtual void Load(TStream* Stream, TZSESkin* Skin, const TZCLProgressEvent& Progress) const = 0;
  virtual void LoadDetails(TStream* Stream, TZSESkinDetails* Details) const = 0;
  // Writes the identity and the body.
  virtual void Save(TStream* Stream, TZSESkin* Skin, const TZCLProgressEvent& Progress) const = 0;
};
using TZSESkinFormatClass = const TZSESkinFormatRecord*;

// A format family with class-level operations of its own passes its record type as Base.
template <class T, class Base = TZSESkinFormatRecord>
class TZSESkinFormatRecordOf : public TClassRecordOf<T, Base> {
 public:
  using TClassRecordOf<T, Base>::TClassRecordOf;
  String GetExtension() const override { return T::GetExtension(); }
  TZSESkinSignature GetSignature() const override { return T::GetSignature(); }
  void Load(TStream* Stream, TZSESkin* Skin, const TZCLProgressEvent& Progress) const override {
    T::Load(this, Stream, Skin, Progress);
  }
  void LoadDetails(TStream* Stream, TZSESkinDetails* Details) const override { T::LoadDetails(this, Stream, Details); }
  void Save(TStream* Stream, TZSESkin* Skin, const TZCLProgressEvent& Progress) const override {
    T::Save(this, Stream, Skin, Progress);
  }
};

// A file format; never instantiated. Descendants hide the static operations below.
class TZSESkinFormat : public TObject {
  ZCL_CLASS(TZSESkinFormat, TObject)
 public:
  template <class T>
  using TMetaClassFor = TZSESkinFormatRecordOf<T>;
  using Self = TZSESkinFormatClass;

  static String GetExtension() { return String(); }
  static TZSESkinSignature GetSignature() { return TZSESkinSignature(); }
  static void Load(Self, TStream*, TZSESkin*, const TZCLProgressEvent&) {}
  // Loads a whole temporary skin and keeps its details.
  static void LoadDetails(Self Class, TStream* Stream, TZSESkinDetails* Details);
  // ENotSupportedException "<class name>.Save".
  static void Save(Self Class, TStream*, TZSESkin*, const TZCLProgressEvent&);
};

// The class reference of a converter.
class TZSESkinConverterRecord : public TClassRecord {
 public:
  using TClassRecord::TClassRecord;
  virtual TZSESkinVersion GetSourceVersion() const = 0;
  virtual TZSESkinVersion GetTargetVersion() const = 0;
};
using TZSESkinConverterClass = const TZSESkinConverterRecord*;

template <class T>
class TZSESkinConverterRecordOf : public TClassRecordOf<T, TZSESkinConverterRecord> {
 public:
  using TClassRecordOf<T, TZSESkinConverterRecord>::TClassRecordOf;
  TZSESkinVersion GetSourceVersion() const override { return T::GetSourceVersion(); }
  TZSESkinVersion GetTargetVersion() const override { return T::GetTargetVersion(); }
};

// Raises a skin's content by one version step.
class TZSESkinConverter : public TObject {
  ZCL_CLASS(TZSESkinConverter, TObject)
 public:
  template <class T>
  using TMetaClassFor = TZSESkinConverterRecordOf<T>;
  using TCreateSignature = void(TZSESkin*);
  explicit TZSESkinConverter(TZSESkin* ASkin) : FSkin(ASkin) {}

  virtual void Convert() = 0;
  static TZSESkinVersion GetSourceVersion() { return TZSESkinVersion(); }
  static TZSESkinVersion GetTargetVersion() { return TZSESkinVersion(); }
  TZSESkin* GetSkin() const { return FSkin; }

 protected:
  TZSESkin* FSkin;
};

class TZSESkinFormatList : public TZCLListOf<TZSESkinFormatClass> {
  ZCL_CLASS(TZSESkinFormatList, TZCLListOf<TZSESkinFormatClass>)
 public:
  // The first registered format with that identity.
  bool Find(const TZSESkinSignature& Identity, TZSESkinFormatClass& Format) const;
};

class TZSESkinConverterList : public TZCLListOf<TZSESkinConverterClass> {
  ZCL_CLASS(TZSESkinConverterList, TZCLListOf<TZSESkinConverterClass>)
 public:
  // The first registered converter from that version number.
  bool Find(TZSESkinVersion Version, TZSESkinConverterClass& Converter) const;
};

// The registries, between the unit's initialization and finalization.
TZSESkinFormatList* SkinFormats();
TZSESkinConverterList* SkinConverters();

// ---- packages --------------------------------------------------------------------------------

// An installed skin package; the empty name is the built-in default skin.
class TZSESkinPackage {
 public:
  TZSESkinPackage() = default;
  // The name is the part after the last ":", "\" or "/"; a text with a folder is kept as the
  // file name.
  static TZSESkinPackage Create(const String& FileNameOrName);

  const String& GetName() const { return FName; }
  bool IsDefault() const { return FName.empty(); }
  // Empty for the default package; else the cached name, the user's skin folder's file when it
  // exists, else the program's.
  String GetFileName() const;
  // "Default", or the name without its extension.
  String GetDisplayName() const;
  String GetBackupFileName() const;
  String GetSettingsFileName() const;
  // The caller owns the result.
  TZCLIniFile* CreateSettingsFile() const;
  // The caller owns the result; the default package's embedded "SKIN" resource (null without
  // one), else the file opened for reading.
  TStream* OpenStream() const;
  bool Exists() const;
  Integer GetAge() const;

  friend bool operator==(const TZSESkinPackage& A, const TZSESkinPackage& B);

 private:
  String FName;
  mutable String FFileName;
};

// The user's and the program's skin folders, with a trailing delimiter. Until the player core
// sets them: "Profile/Skins/" and "Skins/" in the program folder.
String SkinUserFolder();
String SkinProgramFolder();
void SetSkinFolders(const String& UserFolder, const String& ProgramFolder);

// The load entry (class operations only).
class TZSESkinManager {
 public:
  TZSESkinManager() = delete;

  // Reads the identity, picks the format, loads the skin (and copies its details) or only the
  // details. EZSEInvalidArgument for a null stream or neither target; EZSEInvalidFormat for an
  // unknown identity.
  static void Load(TStream* Stream, TZSESkin* Skin, TZSESkinDetails* Details,
                   const TZCLProgressEvent& Progress = nullptr);
  static void LoadFromStream(TStream* Stream, TZSESkin* Skin, const TZCLProgressEvent& Progress = nullptr);
  static void LoadFromFile(const String& FileName, TZSESkin* Skin, const TZCLProgressEvent& Progress = nullptr);
  static void LoadFromPackage(const TZSESkinPackage& Package, TZSESkin* Skin,
                              const TZCLProgressEvent& Progress = nullptr);
  // Runs the converters from the skin's version on; True when RequiredVersion was reached.
  static bool UpgradeVersion(Integer RequiredVersion, TZSESkin* Skin);
  // Writes the skin as a new package in the user's skin folder and keeps the old file as the
  // backup. False, writing nothing, for the default package, a missing old file or an existing
  // backup. The new file is written beside its place and renamed into it when complete, so a
  // failed or interrupted save leaves the old package as it was; a failure raises.
  static bool SaveToPackage(TZSESkinPackage& Package, TZSESkin* Skin, TZSESkinFormatClass Format);
  static bool FindPackage(const String& FileName, TZSESkinPackage& Package);
  static bool FindPackageByName(const String& Name, TZSESkinPackage& Package);
  // "*.zcs5;*.zcs4;" for the registered formats' extensions, each once.
  static String GetFileMasks();
};

// Unit hooks.
void SkinsInitialize();
void SkinsFinalize();
