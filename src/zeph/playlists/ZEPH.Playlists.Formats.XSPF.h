#pragma once
// XSPF playlists. Standard elements carry what other players can use; the rest of a playlist
// (summary, settings, groups, stream values, queue places, parts of container files, preimage)
// goes into "extension" and "meta" elements of our own, so an XSPF file can stand in for the
// player's own format.

#include <memory>
#include <vector>

#include "rtl/RTL.Exceptions.h"
#include "zeph/playlists/ZEPH.Playlists.Formats.h"

class TZCLXMLWriter;
class TZCLXMLDocument;
class TZCLXMLReader;

class EZEPHXSPFError : public Exception {
 public:
  using Exception::Exception;
};

class EZEPHXSPFUnexpectedState : public EZEPHXSPFError {
 public:
  EZEPHXSPFUnexpectedState(Integer State, const String& Text);
};

class TZEPHXSPFSchema {
 public:
  TZEPHXSPFSchema() = delete;
  static const String& XSPFNamespace();
  static const String& ExtensionNamespace();
  // The "application" URL of an extension: "summary", "settings", "track", "group", "preimage".
  static String Application(StringView Name);
  // URLs stay as they are; other names become file URIs ("file://" in front unless Relative),
  // "\" turned into "/" and characters outside the URI set percent-encoded as UTF-8.
  static String FileNameToURI(const String& Name, bool Relative);
  // Drops "file://"; percent escapes are decoded (as UTF-8 when their bytes are UTF-8).
  static String FileNameFromURI(const String& URI);
};

class TZEPHXSPFWriter : public TZEPHPlaylistFormatCustomTextWriter {
  ZCL_CLASS(TZEPHXSPFWriter, TZEPHPlaylistFormatCustomTextWriter)
 public:
  explicit TZEPHXSPFWriter(TStream* Stream);
  // Ends the document when EndWrite was not called; errors are lost then.
  ~TZEPHXSPFWriter() override;
  String ConvertFileName(const String& Name) override;
  bool StoresBasePath() override { return true; }
  void WriteGroup(const String& Name, bool Expanded) override;
  void WriteItem(TZEPHPlaylistCustomItem* Item, Integer PlaybackQueueIndex) override;
  void WritePreimage(const std::vector<Byte>& Document) override;
  void WriteSettings(TZCLIniFileSection* Section) override;
  void WriteSummary(const TZEPHPlaylistSummary& Summary) override;
  void EndWrite() override;

 private:
  void Begin();
  void CloseTrackList();
  void Element(const String& Name, const String& Value);
  void Meta(const String& Rel, const String& Value);
  void Extension(StringView Application);

  std::unique_ptr<TZCLXMLWriter> FWriter;
  Byte FTrackList = 0;  // 0 not opened, 1 open, 2 closed
  String FGroupName;
  Byte FGroupState = 0;  // 0 none, 1 expanded, 2 collapsed
  bool FEnded = false;
};

class TZEPHXSPFReader : public TZEPHPlaylistFormatCustomTextReader {
  ZCL_CLASS(TZEPHXSPFReader, TZEPHPlaylistFormatCustomTextReader)
 public:
  explicit TZEPHXSPFReader(TStream* Stream, const String& AFileName = String());
  ~TZEPHXSPFReader() override;
  String ConvertFileName(const String& Name) override;
  // Without a receiver the reading stops at the track list. XML that is not well formed ends the
  // reading where it fails; what was read stays.
  void Read(TZEPHPlaylistSummary* Summary, IZEPHPlaylistItemsReceiver* Receiver) override;
  // Both raise EZEPHXSPFError before Read; they hand over what the last Read collected.
  TZCLIniFileSection* ReadSettings() override;
  bool ReadPreimage(std::vector<Byte>& Document) override;

 private:
  struct TContext;
  void ReadPlaylist(TContext& C);
  void ReadTrack(TContext& C);
  void ReadTrackExtension(TContext& C, struct TTrack& T);
  void ReadProps(TContext& C, TZCLIniFileSection* Section);
  void ReadPreimageNodes(TContext& C);

  bool FLoaded = false;
  std::unique_ptr<TZCLXMLDocument, TZEPHFreeObject> FPreimageDocument;
  std::unique_ptr<TZCLIniFileSection, TZEPHFreeObject> FSettingsSection;
  Byte FRelocation = 0;  // 0 none, 1 to be checked, 2 relocate
  String FStoredFolder;
  String FCurrentFolder;
};

namespace detail {
void XSPFFormatInitialization();
}  // namespace detail
