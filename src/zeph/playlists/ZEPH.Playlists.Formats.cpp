#include "zeph/playlists/ZEPH.Playlists.Formats.h"

#include <cmath>

#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zeph/media/ZEPH.FileManager.h"

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
    : FText(zcStreamReadText(Stream, nullptr)), FFileName(AFileName) {}

String TZEPHPlaylistFormatCustomTextReader::ConvertFileName(const String& Name) {
  if (FFileName.empty() || Name.empty() || !zcIsRelativePath(Name)) return Name;
  const String full = zcExtractFilePath(FFileName) + Name;
  return full.find(u"..") != String::npos ? zcExpandFileName(full) : full;
}

String TZEPHPlaylistFormatCustomTextWriter::ConvertFileName(const String& Name) {
  return FBasePath.empty() ? Name : zcExtractRelativePath(Name, FBasePath);
}

TZEPHPlaylistFormatCustomTextWriter::TZEPHPlaylistFormatCustomTextWriter(TStream* Stream) : FStream(Stream) {
  static const Byte kMark[2] = {0xFF, 0xFE};
  if (FStream != nullptr) FStream->WriteBuffer(kMark, 2);
}

void TZEPHPlaylistFormatCustomTextWriter::WriteText(StringView Text, bool NewLine) {
  if (FStream == nullptr) return;
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
