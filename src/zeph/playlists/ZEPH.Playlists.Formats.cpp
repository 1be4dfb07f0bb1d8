#include "zeph/playlists/ZEPH.Playlists.Formats.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zeph/media/ZBL.FileInfo.h"
#include "zeph/media/ZEPH.FileManager.h"
#include "zeph/playlists/ZEPH.Playlists.Types.h"

namespace {
struct TFormatInfo {
  String Extensions;
  String Description;
  String Signature;
  TZEPHPlaylistFormats::TReaderFactory Reader;
  TZEPHPlaylistFormats::TWriterFactory Writer;
};
std::vector<TFormatInfo>* GFormats = nullptr;
TZEPHFileManagerKnownFormatInfo* GKnownFormat = nullptr;
IPtr<IInterface>* GExpander = nullptr;

const TFormatInfo* FindByName(const String& FileName) {
  if (GFormats == nullptr) return nullptr;
  const String ext = zcExtractFileExt(FileName);
  if (ext.empty()) return nullptr;
  for (const TFormatInfo& f : *GFormats)
    if (zcIsFileExtInList(f.Extensions, ext)) return &f;
  return nullptr;
}
}  // namespace

void TZEPHPlaylistSummary::Read(TZCLIniFileSection* Section) {
  ContentFiles = Section->ReadInteger(u"ContentFiles", 0);
  ContentDuration = Section->ReadInt64(u"ContentDuration", 0);
  ContentSize = Section->ReadInt64(u"ContentSize", 0);
  ID = Section->ReadString(u"ID", String());
  Name = Section->ReadString(u"Name", String());
  NameIsAutoSet = Section->ReadBool(u"NameIsAutoSet", false);
  PlaybackCursor = Section->ReadInteger(u"PlaybackCursor", -1);
  const Double seconds = Section->ReadFloat(u"PlaybackCursorAutoBookmark", 0);
  // Out-of-range values from a damaged file read as no bookmark.
  PlaybackCursorAutoBookmark = std::isfinite(seconds) && std::fabs(seconds) < 2.0e6
                                   ? static_cast<Integer>(std::lround(seconds * 1000))
                                   : 0;
  PlaybackTempo = Section->ReadInteger(u"PlaybackTempo", 0);
  Preimage = Section->ReadBool(u"Preimage", false);
  PreimageAutoSync = Section->ReadBool(u"PreimageAutoSync", false);
  ReadOnly = Section->ReadBool(u"ReadOnly", false);
  Shuffled = Section->ReadBool(u"Shuffled", false);
  SortingTemplate = Section->ReadString(u"SortingTemplate", String());
  UserReordered = Section->ReadBool(u"UserReordered", SortingTemplate.empty());
  Custom.clear();
  for (Integer i = 0; i < Section->GetCount(); ++i) {
    const String line = Section->GetStrings(i);
    if (StartsStr(u"Custom", line)) Custom.push_back(line.substr(6));
  }
}

void TZEPHPlaylistSummary::Write(TZCLIniFileSection* Section) const {
  Section->WriteString(u"ID", ID);
  Section->WriteString(u"Name", Name);
  Section->WriteBool(u"NameIsAutoSet", NameIsAutoSet);
  if (ContentDuration != 0) Section->WriteInt64(u"ContentDuration", ContentDuration);
  if (ContentFiles != 0) Section->WriteInteger(u"ContentFiles", ContentFiles);
  if (ContentSize != 0) Section->WriteInt64(u"ContentSize", ContentSize);
  Section->WriteInteger(u"PlaybackCursor", PlaybackCursor);
  Section->WriteFloat(u"PlaybackCursorAutoBookmark", PlaybackCursorAutoBookmark / 1000.0);
  if (PlaybackTempo != 0) Section->WriteInteger(u"PlaybackTempo", PlaybackTempo);
  if (ReadOnly) Section->WriteBool(u"ReadOnly", true);
  if (Preimage) Section->WriteBool(u"Preimage", true);
  if (PreimageAutoSync) Section->WriteBool(u"PreimageAutoSync", true);
  if (!SortingTemplate.empty()) Section->WriteString(u"SortingTemplate", SortingTemplate);
  Section->WriteBool(u"Shuffled", Shuffled);
  Section->WriteBool(u"UserReordered", UserReordered && SortingTemplate.empty());
  for (const String& value : Custom) Section->Add(u"Custom" + value);
}

TZEPHPlaylistFormatCustomTextReader::TZEPHPlaylistFormatCustomTextReader(TStream* Stream, const String& AFileName)
    : TZEPHPlaylistFormatCustomTextReader(Stream, AFileName, nullptr, false) {}

TZEPHPlaylistFormatCustomTextReader::TZEPHPlaylistFormatCustomTextReader(TStream* Stream, const String& AFileName,
                                                                         TEncoding* Encoding, bool KeepBytes)
    : FFileName(AFileName) {
  if (KeepBytes) {
    const Int64 left = Stream->GetSize() - Stream->GetPosition();
    if (left > 0) {
      FBytes.resize(static_cast<size_t>(left));
      FBytes.resize(static_cast<size_t>(Stream->Read(FBytes.data(), static_cast<NativeInt>(left))));
    }
  } else {
    FText = zcStreamReadText(Stream, Encoding);
  }
  if (!FFileName.empty()) {
    AddSearchPath(zcExtractFileDrive(FFileName));
    AddSearchPath(zcExtractFilePath(FFileName));
  }
}

void TZEPHPlaylistFormatCustomTextReader::AddSearchPath(const String& Path) {
  if (Path.empty() || std::find(FSearchPaths.begin(), FSearchPaths.end(), Path) != FSearchPaths.end()) return;
  FSearchPaths.insert(FSearchPaths.begin(), Path);
}

String TZEPHPlaylistFormatCustomTextReader::ConvertFileName(const String& Name) {
  if (FSearchPaths.empty() || Name.empty() || !zcIsRelativePath(Name) || zcIsURL(Name) || zcIsNetworkPath(Name) ||
      !zcExtractFileDrive(Name).empty())
    return Name;
  if (!FBasePathChosen) {
    FBasePathChosen = true;
    FBasePath = FSearchPaths.front();
    if (FSearchPaths.size() > 1) {
      TZEPHFileManager* manager = GetFileManager();
      for (const String& path : FSearchPaths)
        if (manager->FileExists(path + Name)) {
          FBasePath = path;
          break;
        }
    }
  }
  const String full = FBasePath + Name;
  return full.find(u"..") != String::npos ? zcExpandFileName(full) : full;
}

String TZEPHPlaylistFormatCustomTextWriter::ConvertFileName(const String& Name) { return MakeRelative(Name, FBasePath); }

String TZEPHPlaylistFormatCustomTextWriter::MakeRelative(const String& Name, const String& BasePath) {
  if (BasePath.empty()) return Name;
  const String base = zcIncludeTrailingPathDelimiter(BasePath);
  const String folder = zcExtractFilePath(Name);
  String common = base;
  while (!StartsText(common, folder)) {
    const String parent = zcExtractFilePath(zcExcludeTrailingPathDelimiter(common));
    if (parent.empty() || parent.size() >= common.size()) return Name;
    common = parent;
  }
  const String rest = base.substr(common.size());
  Integer levels = 0;
  for (Char c : rest)
    if (c == u'/' || c == u'\\') ++levels;
  const String drive = zcExtractFileDrive(Name);
  // Far below a shared root the name is kept from the root on rather than climbing all the way.
  if (levels > 2 && common.size() == drive.size() + 1 && StartsText(drive, common)) return Name.substr(drive.size());
  String result;
  for (Integer i = 0; i < levels; ++i) result += u"../";
  return result + Name.substr(common.size());
}

TZEPHPlaylistFormatCustomTextWriter::TZEPHPlaylistFormatCustomTextWriter(TStream* Stream) : FStream(Stream) {
  static const Byte kMark[2] = {0xFF, 0xFE};
  if (FStream != nullptr) FStream->WriteBuffer(kMark, 2);
}

TZEPHPlaylistFormatCustomTextWriter::TZEPHPlaylistFormatCustomTextWriter(TStream* Stream, TEncoding* Encoding)
    : FStream(Stream), FEncoding(Encoding) {
  static const Byte kMark[2] = {0xFF, 0xFE};
  if (FStream != nullptr && FEncoding == nullptr) FStream->WriteBuffer(kMark, 2);
}

void TZEPHPlaylistFormatCustomTextWriter::WriteText(StringView Text, bool NewLine) {
  if (FStream == nullptr) return;
  if (FEncoding != nullptr) {
    TBytes bytes = FEncoding->GetBytes(Text);
    if (NewLine) bytes.insert(bytes.end(), {'\r', '\n'});
    if (!bytes.empty()) FStream->WriteBuffer(bytes.data(), static_cast<NativeInt>(bytes.size()));
    return;
  }
  // Raw UTF-16LE: the code units as they are on a little-endian host.
  std::vector<Byte> bytes;
  bytes.reserve(Text.size() * 2 + 4);
  for (Char c : Text) {
    bytes.push_back(static_cast<Byte>(c & 0xFF));
    bytes.push_back(static_cast<Byte>(c >> 8));
  }
  if (NewLine) bytes.insert(bytes.end(), {u'\r', 0, u'\n', 0});
  if (!bytes.empty()) FStream->WriteBuffer(bytes.data(), static_cast<NativeInt>(bytes.size()));
}

// ---------------------------------------------------------------------------------------------

void TZEPHPlaylistFormats::Register(const String& Extensions, const String& Description, const String& Signature,
                                    TReaderFactory Reader, TWriterFactory Writer) {
  if (GFormats == nullptr) GFormats = new std::vector<TFormatInfo>();
  GFormats->push_back({Extensions, Description, Signature, std::move(Reader), std::move(Writer)});
  TZEPHFileManagerKnownFormats* known = GetFileManager()->GetKnownFormats();
  if (GKnownFormat != nullptr) known->Unregister(GKnownFormat);
  GKnownFormat = known->Register(u"Playlists", GetExtensions(), 2);
}

void TZEPHPlaylistFormats::Finalize() {
  if (GExpander != nullptr) {
    if (GetFileManager() != nullptr) GetFileManager()->UnregisterExtension(GExpander->get());
    delete GExpander;
    GExpander = nullptr;
  }
  if (GKnownFormat != nullptr && GetFileManager() != nullptr) GetFileManager()->GetKnownFormats()->Unregister(GKnownFormat);
  GKnownFormat = nullptr;
  delete GFormats;
  GFormats = nullptr;
}

String TZEPHPlaylistFormats::GetExtensions() {
  String r;
  if (GFormats != nullptr)
    for (const TFormatInfo& f : *GFormats)
      if (f.Reader) r += f.Extensions;
  return r;
}

bool TZEPHPlaylistFormats::IsPlaylistFile(const String& FileName) {
  const String ext = zcExtractFileExt(FileName);
  return !ext.empty() && zcIsFileExtInList(GetExtensions(), ext);
}

bool TZEPHPlaylistFormats::IsPlaylist(const String& FileName) { return !zcIsURL(FileName) && IsPlaylistFile(FileName); }

bool TZEPHPlaylistFormats::IsPlaylistFiles(const std::vector<String>& FileNames) {
  if (FileNames.empty()) return false;
  for (const String& name : FileNames)
    if (!IsPlaylist(name)) return false;
  return true;
}

bool TZEPHPlaylistFormats::Read(const String& FileName, IZEPHPlaylistItemsReceiver* Receiver) {
  std::unique_ptr<TZEPHPlaylistFormatCustomTextReader> reader;
  if (!CreateReader(FileName, reader)) return false;
  reader->Read(nullptr, Receiver);
  return true;
}

bool TZEPHPlaylistFormats::ReadSummary(const String& FileName, TZEPHPlaylistSummary& Summary) {
  Summary.Reset();
  std::unique_ptr<TZEPHPlaylistFormatCustomTextReader> reader;
  if (!CreateReader(FileName, reader)) return false;
  reader->Read(&Summary, nullptr);
  return true;
}

bool TZEPHPlaylistFormats::HasWriter(const String& FileName) {
  const TFormatInfo* f = FindByName(FileName);
  return f != nullptr && static_cast<bool>(f->Writer);
}

bool TZEPHPlaylistFormats::CreateReader(const String& FileName,
                                        std::unique_ptr<TZEPHPlaylistFormatCustomTextReader>& Reader) {
  const TFormatInfo* f = FindByName(FileName);
  if (f == nullptr || !f->Reader) return false;
  // The whole text is decoded at creation, so the stream is needed only that long.
  std::unique_ptr<TStream> stream(new TFileStream(FileName, fmOpenRead | fmShareDenyWrite));
  Reader.reset(f->Reader(stream.get(), FileName));
  return Reader != nullptr;
}

bool TZEPHPlaylistFormats::CreateReaderByContent(TStream* Stream,
                                                 std::unique_ptr<TZEPHPlaylistFormatCustomTextReader>& Reader) {
  if (GFormats == nullptr) return false;
  const Int64 start = Stream->GetPosition();
  std::vector<Byte> head(256);
  head.resize(static_cast<size_t>(Stream->Read(head.data(), 256)));
  TCustomMemoryStream headStream(head.data(), static_cast<NativeInt>(head.size()));
  const String text = zcStreamReadText(&headStream, nullptr);
  Stream->SetPosition(start);
  for (const TFormatInfo& f : *GFormats)
    if (!f.Signature.empty() && f.Reader && text.find(f.Signature) != String::npos) {
      Reader.reset(f.Reader(Stream, String()));
      return true;
    }
  return false;
}

TZEPHPlaylistFormatCustomTextWriter* TZEPHPlaylistFormats::CreateWriter(const String& FileName, TStream* Stream) {
  const TFormatInfo* f = FindByName(FileName);
  return f != nullptr && f->Writer ? f->Writer(Stream) : nullptr;
}

void ZephDeliverItem(IZEPHPlaylistItemsReceiver* Receiver, TZEPHPlaylistCustomItem* Item, Integer PlaybackQueueIndex) {
  try {
    Receiver->AddItem(Item->GetFileName(), Item, PlaybackQueueIndex);
  } catch (...) {
    Free(Item);
    throw;
  }
  Free(Item);
}

bool ZephParseDecimal(StringView Text, Int64& Value, bool Fullwidth) {
  size_t i = 0;
  const bool negative = !Text.empty() && Text[0] == u'-';
  if (negative) i = 1;
  if (i >= Text.size()) return false;
  Int64 v = 0;
  for (; i < Text.size(); ++i) {
    Char c = Text[i];
    if (Fullwidth && c >= 0xFF10 && c <= 0xFF19) c = static_cast<Char>(u'0' + (c - 0xFF10));
    if (c < u'0' || c > u'9') return false;
    // Saturates rather than overflows on absurd lengths.
    if (v < 1'000'000'000'000LL) v = v * 10 + (c - u'0');
  }
  Value = negative ? -v : v;
  return true;
}

String ZephBytesToHex(const Byte* Bytes, size_t Count) {
  static const char16_t kHex[] = u"0123456789abcdef";
  String hex;
  hex.reserve(Count * 2);
  for (size_t i = 0; i < Count; ++i) {
    hex += kHex[Bytes[i] >> 4];
    hex += kHex[Bytes[i] & 15];
  }
  return hex;
}

bool ZephHexToBytes(StringView Text, std::vector<Byte>& Bytes) {
  Bytes.clear();
  if (Text.size() % 2 != 0) return false;
  const auto digit = [](Char c) -> int {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
  };
  Bytes.reserve(Text.size() / 2);
  for (size_t i = 0; i < Text.size(); i += 2) {
    const int hi = digit(Text[i]), lo = digit(Text[i + 1]);
    if (hi < 0 || lo < 0) {
      Bytes.clear();
      return false;
    }
    Bytes.push_back(static_cast<Byte>(hi * 16 + lo));
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Expander

namespace {
// Hands each entry of a playlist to the file manager's expansion of one file, so a playlist or
// folder inside the playlist expands in turn.
class TZEPHPlaylistExpandHelper : public TInterfacedObject, public IZEPHPlaylistItemsReceiver {
  ZCL_CLASS(TZEPHPlaylistExpandHelper, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHPlaylistItemsReceiver)
 public:
  TZEPHPlaylistExpandHelper(IZEPHFileManagerFilesReceiver* AReceiver, TZEPHFileManagerExpandAttributes* AAttributes,
                            bool& AStop)
      : FReceiver(AReceiver), FAttributes(AAttributes), FStop(AStop) {}
  void AddGroup(const String&, bool) override {}
  void AddItem(const String& FileName, TZEPHPlaylistCustomItem* Item, Integer) override {
    if (FStop) return;
    IPtr<IZBLFileInfo> info;
    if (Item != nullptr) {
      auto* copy = Create<TZBLFileInfo>();
      copy->Assign(Item);
      info = IPtr<IZBLFileInfo>(Create<TZBLFileInfoKeeper>(copy));
    }
    GetFileManager()->Expand(FileName, info.get(), FReceiver, FAttributes, FStop);
  }

 private:
  IZEPHFileManagerFilesReceiver* FReceiver;
  TZEPHFileManagerExpandAttributes* FAttributes;
  bool& FStop;
};
}  // namespace

bool TZEPHPlaylistExpander::Expand(const String& FileName, Integer FileAttributes,
                                   IZEPHFileManagerFilesReceiver* Receiver, TZEPHFileManagerExpandAttributes* Attributes,
                                   bool& Stop) {
  if (FileAttributes == -1 || TZEPHFileAttrs::IsDirectory(FileAttributes)) return false;
  if (!TZEPHPlaylistFormats::IsPlaylistFile(FileName)) return false;
  IPtr<IZEPHPlaylistItemsReceiver> helper(Create<TZEPHPlaylistExpandHelper>(Receiver, Attributes, Stop));
  // Errors reach the file manager, which logs them and treats the file as a plain one.
  return TZEPHPlaylistFormats::Read(FileName, helper.get());
}

void detail::PlaylistFormatsInitialization() {
  GExpander = new IPtr<IInterface>(static_cast<IZEPHFileManagerObjectExpander*>(Create<TZEPHPlaylistExpander>()));
  GetFileManager()->RegisterExtension(GExpander->get());
}
