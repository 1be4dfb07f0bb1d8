#pragma once
// INI files held in memory: ordered sections of lines kept exactly as read (comments and unknown
// lines survive a load and save), typed readers and writers, change notification with an update
// lock, merging and comparison, and a variant that saves through a temporary file and keeps a
// backup. Names of sections and keys compare ignoring case.
//
// Values holding line breaks are stored on one line: they are written as "\:" followed by the
// value with backslash, CR, LF and U+2028 escaped as \\, \r, \n and \L; a value that begins with
// "\:" is stored the same way. Every other value is written unchanged.
//
// The code pages: TZCLEncodings::EnumCodePages (the class is declared with the encodings).

#include "rtl/RTL.Delegates.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Geometry.h"
#include "rtl/RTL.Types.h"
#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.Utils.Encodings.h"

class TEncoding;
class TFont;
class TStream;

// A key or section name that cannot be stored: it would read back as other lines or names.
RTL_EXCEPTION(EZCLIniFileError, Exception);

// One section: each item is one line; the item's object holds the cached hash of the line's key
// name (0 until computed).
class TZCLIniFileSection : public TZCLStringList {
  ZCL_CLASS(TZCLIniFileSection, TZCLStringList)
 public:
  using TChangedEvent = TDelegate<void(TZCLIniFileSection* Sender)>;

  explicit TZCLIniFileSection(const String& AName = String());

  // Calls OnChanged unless an update is in progress.
  void Changed() override;
  void BeginUpdate() override;
  // Calls Changed when the outermost update ends.
  void EndUpdate() override;
  // Forgets the line's cached key hash as well.
  void SetString(Integer Index, const String& Text) override;

  virtual Integer ReadInteger(const String& Key, Integer Default);
  // The decoded value; False (and empty) when the key is missing.
  virtual bool ReadValue(const String& Key, String& Value);
  // Replaces the first line of the key (keeping its position) or appends one. Raises
  // EZCLIniFileError for a key holding "=" or a line break, or beginning with "[".
  virtual void WriteString(const String& Key, const String& Value);

  // The first line of the key; an empty key finds the first line without a name.
  bool FindKey(const String& Key, Integer& Index);
  bool ExistsKey(const String& Key);
  // Deletes the first line of the key.
  bool DeleteKey(const String& Key);

  String ReadString(const String& Key, const String& Default);
  bool ReadBool(const String& Key, bool Default);
  Int64 ReadInt64(const String& Key, Int64 Default);
  Double ReadFloat(const String& Key, Double Default);
  TRect ReadRect(const String& Key) { return ReadRectDef(Key, TRect()); }
  TRect ReadRectDef(const String& Key, const TRect& Default);
  TPoint ReadPoint(const String& Key);
  TColor ReadColor(const String& Key, TColor Default);
  // Name, colour, height and style; True when the key exists.
  bool ReadFont(const String& Key, TFont* Font);
  // Decodes the hexadecimal value into Stream at its position, then rewinds Stream to 0. False
  // when the key is missing or the text is not valid hexadecimal (Stream is left as it was).
  bool ReadStream(const String& Key, TStream* Stream);

  void WriteBool(const String& Key, bool Value);
  void WriteBoolDef(const String& Key, bool Value, bool Default);
  void WriteInteger(const String& Key, Integer Value);
  void WriteIntegerDef(const String& Key, Integer Value, Integer Default);
  void WriteInt64(const String& Key, Int64 Value);
  void WriteInt64Def(const String& Key, Int64 Value, Int64 Default);
  void WriteFloat(const String& Key, Double Value);
  void WriteRect(const String& Key, const TRect& Value);
  void WritePoint(const String& Key, const TPoint& Value);
  // The whole stream as lowercase hexadecimal; an empty stream deletes the key.
  void WriteStream(const String& Key, TStream* Stream);
  // Deletes the key when Value equals Default.
  void WriteStringDef(const String& Key, const String& Value, const String& Default);

  const String& GetName() const { return FName; }
  void SetName(const String& Value);
  Cardinal GetNameHash();

  TChangedEvent OnChanged;

 private:
  Cardinal LineHash(Integer Index);
  Integer FUpdateCount = 0;
  String FName;
  Cardinal FNameHash = 0;
};

class TZCLIniFile : public TZCLUnknownObject {
  ZCL_CLASS(TZCLIniFile, TZCLUnknownObject)
 public:
  // Empty, UTF-16 LE; AfterConstruction loads FileName when it is not empty.
  explicit TZCLIniFile(const String& AFileName = String(), bool AAutoSave = false);
  ~TZCLIniFile() override;
  // Never loaded or saved by itself.
  static TZCLIniFile* CreateInMemory();

  void AfterConstruction() override;
  // Saves first when AutoSave is set.
  void BeforeDestruction() override;

  // Marks the file modified; calls OnChanged unless an update is in progress.
  virtual void Changed();
  void BeginUpdate();
  // Calls Changed whenever the count returns to 0, changed or not.
  void EndUpdate();
  void Clear();

  // Under the update lock: Clear, then the file when it opens (a missing file loads as empty);
  // Modified is cleared.
  virtual void LoadFromFile(const String& AFileName);
  // Reads the rest of the stream with byte-order-mark detection; remembers the encoding.
  virtual void LoadFromStream(TStream* Stream);
  virtual void LoadFromString(const Char* Text, Integer Length);
  void LoadFromText(const String& Text) { LoadFromString(Text.data(), static_cast<Integer>(Text.size())); }
  // An embedded resource; a missing one raises EResNotFound.
  void LoadFromResource(const void* Instance, StringView Name, StringView Type);
  // UTF-16 LE when Encoding is null.
  virtual void SaveToStream(TStream* Stream, TEncoding* AEncoding = nullptr);
  void SaveToStreamUTF16(TStream* Stream) { SaveToStream(Stream, nullptr); }
  // Overwrites read-only files; False when the file cannot be created.
  bool SaveToFile(const String& AFileName, TEncoding* AEncoding = nullptr);
  // False without a file name; True without writing when not modified; else saves.
  virtual bool UpdateFile();

  TZCLIniFileSection* GetSection(const String& Name, bool MayCreate);
  Integer GetSectionCount() const { return FSections->GetCount(); }
  String GetSectionName(Integer Index) const;
  TZCLIniFileSection* GetSectionByIndex(Integer Index) const;

  virtual bool ExistsSection(const String& Section);
  virtual bool ExistsKey(const String& Section, const String& Key);
  virtual bool IsEmpty() const { return FSections->GetCount() == 0; }
  bool FindValue(const String& Section, const String& Key, TZCLIniFileSection*& Sec, Integer& Index);

  virtual bool ReadValue(const String& Section, const String& Key, String& Value);
  String ReadString(const String& Section, const String& Key, const String& Default);
  bool ReadBool(const String& Section, const String& Key, bool Default);
  virtual Integer ReadInteger(const String& Section, const String& Key, Integer Default);
  TColor ReadColor(const String& Section, const String& Key, TColor Default);
  TRect ReadRect(const String& Section, const String& Key) { return ReadRectDef(Section, Key, TRect()); }
  TRect ReadRectDef(const String& Section, const String& Key, const TRect& Default);
  TPoint ReadPoint(const String& Section, const String& Key);
  bool ReadFont(const String& Section, const String& Key, TFont* Font);
  bool ReadStream(const String& Section, const String& Key, TStream* Stream);
  // Proc gets a rewound memory stream of the decoded bytes when there are any; every exception,
  // Proc's included, gives False.
  bool ReadStreamProc(const String& Section, const String& Key, const TProc<TStream*>& Proc);
  // Appends the section's non-empty key names; List is not cleared.
  void ReadKeys(const String& Section, TZCLStringList* List);
  void EnumKeys(const String& Section, const TProc<const String&>& Proc);
  // Every line of the section followed by CR LF.
  String ReadSection(const String& Section);

  virtual void WriteString(const String& Section, const String& Key, const String& Value);
  void WriteBool(const String& Section, const String& Key, bool Value);
  void WriteInteger(const String& Section, const String& Key, Integer Value);
  void WriteRect(const String& Section, const String& Key, const TRect& Value);
  void WritePoint(const String& Section, const String& Key, const TPoint& Value);
  void WriteStream(const String& Section, const String& Key, TStream* Stream);
  void WriteBoolDef(const String& Section, const String& Key, bool Value, bool Default);
  void WriteIntegerDef(const String& Section, const String& Key, Integer Value, Integer Default);
  void WriteStringDef(const String& Section, const String& Key, const String& Value, const String& Default);
  // Text becomes the section's whole content, split into lines.
  void WriteSection(const String& Section, const String& Text);

  bool DeleteKey(const String& Section, const String& Key);
  bool DeleteSection(const String& Section);
  void RenameKey(const String& Section, const String& Key, const String& NewKey);
  void MoveKey(const String& Section, const String& Key, const String& NewSection, const String& NewKey);
  void RenameSection(const String& Section, const String& NewName);

  // Source's keys into existing sections (skipping keys present here unless Overwrite); sections
  // missing here are copied whole, comments included.
  void Merge(TZCLIniFile* Source, bool Overwrite);
  void MergeFile(const String& AFileName, bool Overwrite);
  void Assign(TZCLIniFile* Source);
  // Both files saved as UTF-16 LE give the same bytes.
  bool Equals(const TObject* Obj) const override;

  bool GetAutoSave() const { return FAutoSave; }
  void SetAutoSave(bool Value) { FAutoSave = Value; }
  TEncoding* GetEncoding() const { return FEncoding; }
  void SetEncoding(TEncoding* Value) { FEncoding = Value; }
  const String& GetFileName() const { return FFileName; }
  void SetFileName(const String& Value);
  bool GetModified() const { return FModified; }
  void SetModified(bool Value) { FModified = Value; }
  Integer GetUpdateCount() const { return FUpdateCount; }

  TNotifyEvent OnChanged;

 private:
  void SectionChanged(TZCLIniFileSection* Sender);
  TZCLIniFileSection* FindSection(const String& Name) { return GetSection(Name, false); }

  bool FAutoSave;
  Integer FUpdateCount = 0;
  TEncoding* FEncoding;
  String FFileName;
  TZCLIniFileSection* FLastSection = nullptr;
  bool FModified = false;
  TZCLObjectListOf<TZCLIniFileSection>* FSections;
};

// Saves through "<file>.new" and keeps the previous file as "<file>.bak"; loads the backup when
// the main file is missing, empty or unreadable.
class TZCLSyncSafeIniFile : public TZCLIniFile {
  ZCL_CLASS(TZCLSyncSafeIniFile, TZCLIniFile)
 public:
  using TZCLIniFile::TZCLIniFile;
  void AfterConstruction() override;
  bool UpdateFile() override;
  String GetBackupFileName() const { return GetFileName() + u".bak"; }
};
