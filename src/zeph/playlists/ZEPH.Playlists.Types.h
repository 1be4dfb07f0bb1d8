#pragma once
// Playlist entries as readers produce them: a file-information record with the entry's own text
// and flags, and the list that holds such entries.

#include "zcl/base/ZCL.Classes.Collections.h"
#include "zeph/media/ZBL.FileInfo.h"

// Bits of the record's flags word that belong to playlist entries.
constexpr Word zpifPlaybackSwitch = 0x0004;
constexpr Word zpifFileNotFound = 0x0008;
constexpr Word zpifIsURL = 0x0010;
constexpr Word zpifIsInternetStream = 0x0020;
constexpr Word zpifSelected = 0x0040;

// The hash that finds entries of one file: lookup3 over the UTF-16LE bytes of the name lower-cased
// unit by unit, initial value 0. Stable across runs and hosts.
Cardinal ZEPHPlaylistFileNameHash(StringView FileName);

class TZEPHPlaylistCustomItem : public TZBLCustomFileInfo {
  ZCL_CLASS(TZEPHPlaylistCustomItem, TZBLCustomFileInfo)
 public:
  void AfterConstruction() override;

  // A plain record (not an entry) with a copy of the file information.
  TZBLCustomFileInfo* Clone() const override;

  const String& GetCustomText() const { return FCustomText; }
  void SetCustomText(const String& Value);
  // The format text of the file, asked of the file manager once.
  const String& GetFileFormat();
  // Readers store a format text read from a file here directly.
  void SetFileFormat(const String& Value) { FFileFormat = Value; }
  Cardinal GetFileNameHash();

  bool HasItemFlag(Word Flag) const { return GetFlag(Flag); }
  // Changes one entry bit and calls FlagChanged when it differs.
  void SetItemFlag(Word Flag, bool Value);

 protected:
  void DoAssign(const TZBLCustomFileInfo* Source) override;
  void FileNameChanged() override;

  String FCustomText;
  String FFileFormat;
  Cardinal FFileNameHash = 0;
};

class TZEPHPlaylistCustomItemList : public TZCLObjectList {
  ZCL_CLASS(TZEPHPlaylistCustomItemList, TZCLObjectList)
 public:
  explicit TZEPHPlaylistCustomItemList(bool AOwnObjects = true) : TZCLObjectList(AOwnObjects) {}
  TZEPHPlaylistCustomItem* Get(Integer Index) const { return static_cast<TZEPHPlaylistCustomItem*>(GetItems(Index)); }
  // The folder all entries share, with its trailing delimiter. False for an empty list or when
  // no folder is common; True with an empty Path when every entry was skipped.
  bool GetCommonPath(String& Path, bool SkipURLs) const;
};
