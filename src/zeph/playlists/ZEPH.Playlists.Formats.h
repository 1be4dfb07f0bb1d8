#pragma once
// What every playlist file format shares: the summary record, the receiver a reader fills, and
// the text reader and writer bases.

#include <functional>
#include <memory>
#include <vector>

#include "rtl/RTL.Interfaces.h"
#include "zcl/base/ZCL.Classes.h"

class TStream;
class TZCLIniFileSection;
class TZEPHPlaylistCustomItem;

struct TZEPHPlaylistSummary {
  Integer ContentFiles = 0;
  Int64 ContentDuration = 0;
  Int64 ContentSize = 0;
  String ID;
  String Name;
  bool NameIsAutoSet = false;
  Integer PlaybackCursor = -1;
  Integer PlaybackCursorAutoBookmark = 0;  // milliseconds
  Integer PlaybackTempo = 0;
  bool Preimage = false;
  bool PreimageAutoSync = false;
  bool ReadOnly = false;
  bool Shuffled = false;
  String SortingTemplate;
  bool UserReordered = false;
  std::vector<String> Custom;

  void Reset() { *this = TZEPHPlaylistSummary(); }
  void Read(TZCLIniFileSection* Section);
  void Write(TZCLIniFileSection* Section) const;
};

// What a reader fills. Item is lent for the call: a receiver that keeps it copies it.
struct IZEPHPlaylistItemsReceiver : virtual IInterface {
  RTL_INTERFACE(IZEPHPlaylistItemsReceiver, IInterface, "{3E0C7A51-92D4-4C3B-8E6F-1A2B5D7C9E04}")
  virtual void AddGroup(const String& Name, bool Expanded) = 0;
  virtual void AddItem(const String& FileName, TZEPHPlaylistCustomItem* Item, Integer PlaybackQueueIndex) = 0;
};

// A reader decodes the whole stream into Text at creation (a byte-order mark decides, else the
// system's code page).
class TZEPHPlaylistFormatCustomTextReader : public TZCLUnknownObject {
  ZCL_CLASS(TZEPHPlaylistFormatCustomTextReader, TZCLUnknownObject)
 public:
  // The stream is not owned; without a file name relative names stay as stored.
  explicit TZEPHPlaylistFormatCustomTextReader(TStream* Stream, const String& AFileName = String());
  const String& GetText() const { return FText; }
  const String& GetFileName() const { return FFileName; }
  // A relative stored name is resolved against the playlist file's folder.
  virtual String ConvertFileName(const String& Name);
  // Either may be null.
  virtual void Read(TZEPHPlaylistSummary* Summary, IZEPHPlaylistItemsReceiver* Receiver) = 0;
  // The caller owns the section; null when the file holds none.
  virtual TZCLIniFileSection* ReadSettings() { return nullptr; }

 protected:
  String FText;
  String FFileName;
};

// A writer writes raw UTF-16LE text after the byte-order mark.
class TZEPHPlaylistFormatCustomTextWriter : public TZCLUnknownObject {
  ZCL_CLASS(TZEPHPlaylistFormatCustomTextWriter, TZCLUnknownObject)
 public:
  // The stream is not owned.
  explicit TZEPHPlaylistFormatCustomTextWriter(TStream* Stream);
  // Relative to BasePath when one is set.
  virtual String ConvertFileName(const String& Name);
  void SetBasePath(const String& Value) { FBasePath = Value; }
  virtual void WriteGroup(const String& Name, bool Expanded) {}
  virtual void WriteItem(TZEPHPlaylistCustomItem* Item, Integer PlaybackQueueIndex) = 0;
  virtual void WritePreimage(const std::vector<Byte>& Document) {}
  virtual void WriteSettings(TZCLIniFileSection* Section) {}
  virtual void WriteSummary(const TZEPHPlaylistSummary& Summary) {}
  void WriteText(StringView Text, bool NewLine = false);

 protected:
  TStream* FStream;
  String FBasePath;
};

// The playlist file formats by extension and content signature.
class TZEPHPlaylistFormats {
 public:
  using TReaderFactory = std::function<TZEPHPlaylistFormatCustomTextReader*(TStream* Stream, const String& FileName)>;
  using TWriterFactory = std::function<TZEPHPlaylistFormatCustomTextWriter*(TStream* Stream)>;

  // Extensions is a mask list ("*.a;*.b;"); either factory may be empty.
  static void Register(const String& Extensions, const String& Description, const String& Signature,
                       TReaderFactory Reader, TWriterFactory Writer);
  static void Finalize();
  // The masks of every format with a reader.
  static String GetExtensions();
  static bool IsPlaylistFile(const String& FileName);
  // False for URLs.
  static bool IsPlaylist(const String& FileName);
  // The reader owns the opened file stream. False for an unknown extension; file errors raise.
  static bool CreateReader(const String& FileName, std::unique_ptr<TZEPHPlaylistFormatCustomTextReader>& Reader);
  // Takes the first format whose signature occurs in the first 256 bytes; the stream is not owned.
  static bool CreateReaderByContent(TStream* Stream, std::unique_ptr<TZEPHPlaylistFormatCustomTextReader>& Reader);
  static bool HasWriter(const String& FileName);
  // Null for a format without a writer; the stream is not owned.
  static TZEPHPlaylistFormatCustomTextWriter* CreateWriter(const String& FileName, TStream* Stream);
};
