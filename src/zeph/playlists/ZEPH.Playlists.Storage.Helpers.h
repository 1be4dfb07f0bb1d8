#pragma once
// Templates formatted for playlist entries, and the automatic name of a playlist.

#include "zeph/media/ZEPH.FileInfo.Formatter.h"

class TZEPHPlaylistItem;
class TZEPHPlaylistStorage;

// The player's templates with the entry's own values: "%Custom" is the entry's text, and the
// macros of values playlists do not keep are gone.
class TZEPHPlaylistItemFormatStringFactory : public TZEPHFileInfoFormatStringFactory {
  ZCL_CLASS(TZEPHPlaylistItemFormatStringFactory, TZEPHFileInfoFormatStringFactory)
 public:
  void RegisterFunctions() override;
  // On one line.
  String GetComment(TZBLFileInfoFormatStringContext* Context) override;

  // Safe on several threads at once. ContextFlags: zfcf* bits.
  static String Format(const String& Template, TZEPHPlaylistItem* Entry, Byte ContextFlags);
  static TZEPHPlaylistItemFormatStringFactory* Instance();
  static void FinalizeInstance();

 private:
  void MacroCustom(String& Value, TZCLExpressionContext Context);
};

class TZEPHPlaylistItemFormatStringContext : public TZEPHFileInfoFormatStringContext {
  ZCL_CLASS(TZEPHPlaylistItemFormatStringContext, TZEPHFileInfoFormatStringContext)
 public:
  String GetFileFormat() override;
  Integer GetIndex() override;
  Integer GetTotal() override;
  TZEPHPlaylistItem* Entry = nullptr;
};

class TZEPHPlaylistStorageAutoNameHelper {
 public:
  // The shared album or artist, else the common folder's name, else the default name.
  static String GetName(TZEPHPlaylistStorage* Storage);
  // The display name of a common path.
  static String NameFromPath(const String& Path);
};
