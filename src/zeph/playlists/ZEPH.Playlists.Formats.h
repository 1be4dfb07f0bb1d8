#pragma once
// What every playlist file format shares: the summary record, the receiver a reader fills, and
// the text reader and writer bases.

#include <functional>
#include <memory>
#include <vector>

#include "rtl/RTL.Interfaces.h"
#include "zcl/base/ZCL.Classes.h"
#include "zeph/media/ZEPH.FileManager.Extensions.h"

class TStream;
class TEncoding;
class TZCLIniFileSection;
class TZEPHPlaylistCustomItem;

// Lets unique_ptr free program objects the way they are freed (BeforeDestruction first).
struct TZEPHFreeObject {
  void operator()(TObject* Object) const { Free(Object); }
};

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

// Lets a preimage convert its stored paths exactly as the entries of the same file are converted.
struct IZEPHPlaylistFilerContext : virtual IInterface {
  RTL_INTERFACE(IZEPHPlaylistFilerContext, IInterface, "{9D41E6B3-2A7C-4F85-B0D9-6E3C1A8F5B27}")
  virtual String ConvertFileName(const String& Name) = 0;
};

// A reader decodes the whole stream into Text at creation (a byte-order mark decides, else the
// system's code page).
class TZEPHPlaylistFormatCustomTextReader : public TZCLUnknownObject, public IZEPHPlaylistFilerContext {
  ZCL_CLASS(TZEPHPlaylistFormatCustomTextReader, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZEPHPlaylistFilerContext)
 public:
  // The stream is not owned; without a file name there are no search paths and relative names
  // stay as stored. With one, its drive and then its folder are searched (the folder first).
  explicit TZEPHPlaylistFormatCustomTextReader(TStream* Stream, const String& AFileName = String());
  const String& GetText() const { return FText; }
  const String& GetFileName() const { return FFileName; }
  // Searched before the paths added earlier; empty paths and paths already there are ignored.
  void AddSearchPath(const String& Path);
  const std::vector<String>& GetSearchPaths() const { return FSearchPaths; }
  // The search path in which the first relative name existed (else the first one); it holds for
  // every later relative name of this reader.
  const String& GetBasePath() const { return FBasePath; }
  // A relative stored name is resolved against the base path.
  String ConvertFileName(const String& Name) override;
  // The undecoded bytes, kept only by readers made with KeepBytes (XML formats).
  const std::vector<Byte>& GetBytes() const { return FBytes; }
  // Either may be null.
  virtual void Read(TZEPHPlaylistSummary* Summary, IZEPHPlaylistItemsReceiver* Receiver) = 0;
  // The caller owns the section; null when the file holds none.
  virtual TZCLIniFileSection* ReadSettings() { return nullptr; }
  // The stored preimage document as XML bytes; False when the file holds none.
  virtual bool ReadPreimage(std::vector<Byte>& Document) { return false; }

 protected:
  // Without a byte-order mark the text is decoded in Encoding (null: the system's code page).
  // KeepBytes keeps the stream's bytes instead of decoding them.
  TZEPHPlaylistFormatCustomTextReader(TStream* Stream, const String& AFileName, TEncoding* Encoding, bool KeepBytes);

  String FText;
  std::vector<Byte> FBytes;
  String FFileName;
  std::vector<String> FSearchPaths;
  String FBasePath;
  bool FBasePathChosen = false;
};

// A writer writes raw UTF-16LE text after the byte-order mark, unless a format chose another
// encoding (then without a mark).
class TZEPHPlaylistFormatCustomTextWriter : public TZCLUnknownObject, public IZEPHPlaylistFilerContext {
  ZCL_CLASS(TZEPHPlaylistFormatCustomTextWriter, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZEPHPlaylistFilerContext)
 public:
  // The stream is not owned.
  explicit TZEPHPlaylistFormatCustomTextWriter(TStream* Stream);
  // Relative to BasePath when one is set: "../" for each level up from the common folder; a
  // base more than two levels below the root gives a name from the root; a name sharing no
  // folder with the base stays as it is.
  String ConvertFileName(const String& Name) override;
  static String MakeRelative(const String& Name, const String& BasePath);
  // Formats that store their own base folder answer True.
  virtual bool StoresBasePath() { return false; }
  void SetBasePath(const String& Value) { FBasePath = Value; }
  virtual void WriteGroup(const String& Name, bool Expanded) {}
  virtual void WriteItem(TZEPHPlaylistCustomItem* Item, Integer PlaybackQueueIndex) = 0;
  virtual void WritePreimage(const std::vector<Byte>& Document) {}
  virtual void WriteSettings(TZCLIniFileSection* Section) {}
  virtual void WriteSummary(const TZEPHPlaylistSummary& Summary) {}
  void WriteText(StringView Text, bool NewLine = false);
  // Writes what a format puts after the entries, so that a failing stream raises here rather
  // than being lost in the destructor; the caller calls it once after the last write.
  virtual void EndWrite() {}
  // The name the file will have (a writer may store it); empty when unknown.
  void SetFileName(const String& Value) { FFileName = Value; }

 protected:
  // Encoding null: raw UTF-16LE after its mark; otherwise texts in Encoding and no mark.
  TZEPHPlaylistFormatCustomTextWriter(TStream* Stream, TEncoding* Encoding);

  TStream* FStream;
  TEncoding* FEncoding = nullptr;
  String FBasePath;
  String FFileName;
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
  // A non-empty list of playlists.
  static bool IsPlaylistFiles(const std::vector<String>& FileNames);
  // The entries of a playlist file for Receiver; False without a reader.
  static bool Read(const String& FileName, IZEPHPlaylistItemsReceiver* Receiver);
  static bool ReadSummary(const String& FileName, TZEPHPlaylistSummary& Summary);
  // The reader owns the opened file stream. False for an unknown extension; file errors raise.
  static bool CreateReader(const String& FileName, std::unique_ptr<TZEPHPlaylistFormatCustomTextReader>& Reader);
  // Takes the first format whose signature occurs in the first 256 bytes; the stream is not owned.
  static bool CreateReaderByContent(TStream* Stream, std::unique_ptr<TZEPHPlaylistFormatCustomTextReader>& Reader);
  static bool HasWriter(const String& FileName);
  // Null for a format without a writer; the stream is not owned.
  static TZEPHPlaylistFormatCustomTextWriter* CreateWriter(const String& FileName, TStream* Stream);
};

// Expands playlist files that are added or dropped into their entries.
class TZEPHPlaylistExpander : public TInterfacedObject, public IZEPHFileManagerObjectExpander {
  ZCL_CLASS(TZEPHPlaylistExpander, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHFileManagerObjectExpander)
 public:
  bool Expand(const String& FileName, Integer FileAttributes, IZEPHFileManagerFilesReceiver* Receiver,
              TZEPHFileManagerExpandAttributes* Attributes, bool& Stop) override;
};

// Hands Item to Receiver and frees it, also when the receiver raises.
void ZephDeliverItem(IZEPHPlaylistItemsReceiver* Receiver, TZEPHPlaylistCustomItem* Item, Integer PlaybackQueueIndex);
// An optional "-" and decimal digits (Fullwidth: also U+FF10 to U+FF19); False for anything else.
bool ZephParseDecimal(StringView Text, Int64& Value, bool Fullwidth = false);
// Two lower-case hexadecimal digits per byte, high half first.
String ZephBytesToHex(const Byte* Bytes, size_t Count);
// False, with Bytes empty, for an odd count or a character that is not a hexadecimal digit.
bool ZephHexToBytes(StringView Text, std::vector<Byte>& Bytes);

namespace detail {
void PlaylistFormatsInitialization();
}  // namespace detail
